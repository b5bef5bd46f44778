#pragma once
// State the two halves of the database bridge share: one record per open
// work area and the selection guard every cursor call starts with.

#include "platform/data/dbi.h"

#include <QByteArray>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace bridge {

// What the bridge keeps for an open work area.
struct FieldInfo {
    std::string name;  // as the engine names it
    char type = 0;     // engine letter
    int width = 0;
    int decimals = 0;
    int offset = 0;    // 0-based in the record buffer (0 = deletion flag)
};

struct AreaRecord {
    int recordSize = 0;          // of the table the record describes
    std::vector<FLDDesc> descs;  // kept by DbiGetFieldDescs
    int fieldCount = 0;
    std::vector<uint8_t> workBuffer;
    int engineType = 2;
    std::vector<FieldInfo> fields;  // read from the engine when the table opens
    // Memo contents written into a record buffer that is not stored yet: the
    // buffer's memo field holds a marker naming the entry; the contents go
    // to the memo file when the record is written (insert or modify). A new
    // edit or insert drops what a cancelled one left.
    std::map<uint32_t, QByteArray> pendingBlobs;
    uint32_t nextPending = 1;
};

// The answer for a move, seek or count the engine could not make: "locked"
// when another program holds the index past the wait, or when the engine
// refused it because a long operation of its own runs (called back from its
// progress window); else a read failure. Never "end", "not found" or none.
DBIResult MoveFailed();

AreaRecord* Area(uint32_t area);
AreaRecord& CreateArea(uint32_t area, int engineType);
void FreeArea(uint32_t area);

// Selects a cursor's work area for the length of a call and selects the
// previous one again afterwards (unless that was the cursor's own).
class AreaSelection {
public:
    explicit AreaSelection(uint32_t cursor);
    ~AreaSelection();
    AreaSelection(const AreaSelection&) = delete;
    AreaSelection& operator=(const AreaSelection&) = delete;
    bool ok() const { return ok_; }
    uint16_t area() const { return area_; }
    AreaRecord& record() const { return *record_; }

private:
    bool ok_ = false;
    uint16_t area_ = 0;
    uint16_t previous_ = 0;
    AreaRecord* record_ = nullptr;
};

// Reads the fields of the selected area from the engine.
std::vector<FieldInfo> ReadFields();

// The pseudo-cursor 260 (field list).
std::vector<FLDDesc>& FieldList();
size_t& FieldListPosition();

}  // namespace bridge
