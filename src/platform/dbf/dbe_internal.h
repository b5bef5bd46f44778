// What the parts of the dbe_ functions share (dbe_engine.cpp: state,
// areas, moves, records, settings; dbe_values.cpp: fields and values;
// dbe_indexes.cpp: indexes and orders; dbe_queries.cpp: expressions and
// queries; dbe_create.cpp: creating, copying, appending). Not for use
// outside them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dbf/dbe.h"
#include "platform/dbf/dbf_table.h"
#include "platform/dbf/engine_lock.h"
#include "platform/dbf/engine_settings.h"
#include "platform/dbf/work_area.h"

namespace dbf::engine {

inline constexpr int kMaxArea = 255;
inline constexpr std::size_t kEngineBufferSize = 65536;

struct PendingCreate {
    std::string path;
    std::string alias;
    int type = 2;
    int announced = 0;
    std::vector<FieldDef> fields;
};

struct Engine {
    std::array<std::unique_ptr<WorkArea>, kMaxArea + 1> areas;
    std::array<std::unique_ptr<PendingCreate>, kMaxArea + 1> creates;
    std::uint16_t selected = 1;
    std::string lastError;
    int lastErrorCode = 0;  // DBE_ERR_..., set with lastError
    std::vector<char> engineBuffer = std::vector<char>(kEngineBufferSize, 0);
    // Texts handed back to callers, one per function family.
    std::string alias, fieldName, fieldText, trimText, dateText, tagText, evalText, filterText,
        scopeText;
    void* gaugeContext = nullptr;
    DbeGaugeHook gaugeHook = nullptr;
    // Depth of long operations running (pack, index builds, copies): the
    // gauge hook may let events through, and calls that come back into the
    // engine then must not change what the operation works on.
    int busy = 0;
    int gaugePercent = -1;  // last percentage reported in the current step; -1: none
};

Engine& E();

// In a child process after fork: the work areas are the parent's. They are
// dropped without a close (no flush, no unlock, no write: those would act
// on the parent's files and locks) and the child starts with none.
void ForgetInheritedAreas();

// Marks a long operation as running; the step after it starts afresh.
struct BusyScope {
    BusyScope()
    {
        ++E().busy;
        E().gaugePercent = -1;
    }
    ~BusyScope()
    {
        --E().busy;
        E().gaugePercent = -1;
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

// A value on its way into a field.
struct Incoming {
    enum Kind { Number, Logical, Text, Date, Memo } kind = Text;
    double number = 0;
    bool logical = false;
    std::string text;             // Text, Memo; Date: "yyyymmdd" or 8 blanks
    std::uint32_t memoType = kMemoTypeText;
};

// Sets the last error (its code by the busy notes) and gives 0.
int Fail(const std::string& reason);
// Sets the last error to `reason`, or clears it when empty (code with it).
void SetLastError(const std::string& reason);

WorkArea* Current();

// The selected area, or null with a reason.
WorkArea* Need();
// The same for a call that reads or writes the table: null with the reason
// also when a change of its index files failed between the program's calls
// (reported by whichever call comes next).
WorkArea* NeedSound();

const FieldDef* NeedField(WorkArea* a, const char* name);

bool HasExtension(const std::string& path);

std::string TablePath(const char* file);

std::string BaseName(const std::string& path);

int FindArea(const std::string& alias);

int FreeArea();

int NormalType(int type);

// Progress of a step goes to the hook as a percentage (done of 100): 0
// starts the step, then each new percentage once, 100 exactly once at its end.
// The selected area is the operation's again when the hook returns.
void ReportProgress(std::uint32_t done, std::uint32_t total);

// True (with the reason) when a call comes back into the engine from the gauge
// hook of a running operation and would change what it works on.
bool Refused();

bool ReadWholeFile(const char* file, std::string& out);

bool ReadIncoming(int type, const void* value, Incoming& in);

std::string FitText(const std::string& text, std::uint32_t width);

// Puts `in` into field `f` of `image`; memo values go into the table's memo
// file. Fails without touching the image when the value does not fit.
bool StoreValue(DbfTable& table, const FieldDef& f, char* image, const Incoming& in);

// The value of a source field as an Incoming (for appending between tables).
bool FieldAsIncoming(DbfTable& table, const FieldDef& f, const char* image, Incoming& in);

bool Writable(WorkArea* a);

}  // namespace dbf::engine
