// The dbe_ functions: engine state (work areas, selection, settings, last
// error) and the conversions between caller values and field text.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/dbf/dbe.h"
#include "platform/dbf/dbf_table.h"
#include "platform/dbf/engine_settings.h"
#include "platform/dbf/field_codec.h"
#include "platform/dbf/file_io.h"
#include "platform/dbf/table_indexes.h"
#include "platform/dbf/work_area.h"

namespace dbf {

// Never destroyed: the engine's areas, closed by its static destructor at
// exit, still read the settings while they flush.
EngineSettings& Settings()
{
    static auto* settings = new EngineSettings;
    return *settings;
}

namespace {

constexpr int kMaxArea = 255;
constexpr std::size_t kEngineBufferSize = 65536;

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

Engine& E()
{
    static Engine engine;
    return engine;
}

int Fail(const std::string& reason)
{
    E().lastError = reason;
    return 0;
}

WorkArea* Current()
{
    Engine& e = E();
    return e.selected >= 1 && e.selected <= kMaxArea ? e.areas[e.selected].get() : nullptr;
}

// The selected area, or null with a reason.
WorkArea* Need()
{
    WorkArea* a = Current();
    if (!a) Fail("Im Arbeitsbereich " + std::to_string(E().selected) + " ist keine Tabelle geöffnet");
    return a;
}

const FieldDef* NeedField(WorkArea* a, const char* name)
{
    const FieldDef* f = a->FindField(name);
    if (!f) Fail(std::string("Feld ") + (name ? name : "") + " gibt es nicht in " + a->alias());
    return f;
}

bool HasExtension(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    std::size_t dot = path.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

std::string TablePath(const char* file)
{
    std::string path = file ? file : "";
    if (!path.empty() && !HasExtension(path)) path += ".DBF";
    return path;
}

std::string BaseName(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name = name.substr(0, dot);
    return UpperAscii(name);
}

int FindArea(const std::string& alias)
{
    for (int i = 1; i <= kMaxArea; ++i)
        if (E().areas[i] && UpperAscii(E().areas[i]->alias()) == UpperAscii(alias)) return i;
    return 0;
}

int FreeArea()
{
    for (int i = 1; i <= kMaxArea; ++i)
        if (!E().areas[i] && !E().creates[i]) return i;
    return 0;
}

int NormalType(int type)
{
    switch (type) {
    case 1:
    case 2:
    case 3:
    case 11:
    case 12: return type;
    default: return 2;
    }
}

// Progress of a step goes to the hook as a percentage (done of 100): 0
// starts the step, then each new percentage once, 100 exactly once at its end.
// The selected area is the operation's again when the hook returns.
void ReportProgress(std::uint32_t done, std::uint32_t total)
{
    Engine& e = E();
    if (!e.gaugeHook) return;
    const int percent = total == 0 ? 100 : int(std::min<std::uint64_t>(100, std::uint64_t(done) * 100 / total));
    const std::uint16_t selected = e.selected;
    auto send = [&](int p) {
        e.gaugePercent = p;
        e.gaugeHook(e.gaugeContext, std::uint32_t(p), 100);
        e.selected = selected;
    };
    if (done == 0 && total != 0) {
        if (e.gaugePercent != 0) send(0);
        return;
    }
    if (percent == e.gaugePercent) return;
    if (e.gaugePercent < 0 || percent < e.gaugePercent) send(0);  // a step that did not report its start
    send(percent);
}

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

// True (with the reason) when a call comes back into the engine from the gauge
// hook of a running operation and would change what it works on.
bool Refused()
{
    if (E().busy == 0) return false;
    E().lastError = "Die Datenbank ist mit einem anderen Vorgang beschäftigt";
    return true;
}

bool ReadWholeFile(const char* file, std::string& out)
{
    if (!file || !*file) return Fail("Kein Dateiname angegeben");
    FileHandle fd(::open(file, O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return Fail(std::string("Datei ") + file + " lässt sich nicht öffnen: " + ErrnoText());
    std::int64_t size = FileSize(fd.get());
    if (size < 0 || size > 0x7FFFFFF0) return Fail(std::string("Datei ") + file + " ist zu groß");
    out.resize(std::size_t(size));
    if (size > 0 && !ReadAt(fd.get(), out.data(), out.size(), 0))
        return Fail(std::string("Datei ") + file + " lässt sich nicht lesen: " + ErrnoText());
    return true;
}

// A value on its way into a field.
struct Incoming {
    enum Kind { Number, Logical, Text, Date, Memo } kind = Text;
    double number = 0;
    bool logical = false;
    std::string text;             // Text, Memo; Date: "yyyymmdd" or 8 blanks
    std::uint32_t memoType = kMemoTypeText;
};

bool ReadIncoming(int type, const void* value, Incoming& in)
{
    if (!value) return Fail("dbe_Replace ohne Wert");
    switch (type) {
    case DBE_REPL_INT:
    case DBE_REPL_LONG: {
        std::int32_t v;
        std::memcpy(&v, value, sizeof v);
        in.kind = Incoming::Number;
        in.number = v;
        return true;
    }
    case DBE_REPL_DOUBLE:
        std::memcpy(&in.number, value, sizeof in.number);
        in.kind = Incoming::Number;
        return true;
    case DBE_REPL_LOGICAL: {
        unsigned char b = *static_cast<const unsigned char*>(value);
        in.kind = Incoming::Logical;
        in.logical = !(b == 0 || b == 'F' || b == 'f' || b == 'N' || b == 'n');
        return true;
    }
    case DBE_REPL_TEXT:
    case DBE_REPL_TEXT2:
        in.kind = Incoming::Text;
        in.text = static_cast<const char*>(value);
        return true;
    case DBE_REPL_DATE:
        in.kind = Incoming::Date;
        if (!ParseDate(static_cast<const char*>(value), Settings().date, in.text))
            return Fail(std::string("Ungültiges Datum: ") + static_cast<const char*>(value));
        return true;
    case DBE_REPL_DTOS:
        in.kind = Incoming::Date;
        if (!NormalizeDbfDate(static_cast<const char*>(value), in.text))
            return Fail(std::string("Ungültiges Datum: ") + static_cast<const char*>(value));
        return true;
    case DBE_REPL_MEMO:
        in.kind = Incoming::Memo;
        in.text = static_cast<const char*>(value);
        return true;
    case DBE_REPL_FILETEXT:
    case DBE_REPL_FILEBLOB:
        in.kind = Incoming::Memo;
        in.memoType = type == DBE_REPL_FILEBLOB ? kMemoTypeBinary : kMemoTypeText;
        return ReadWholeFile(static_cast<const char*>(value), in.text);
    default: return Fail("Unbekannter Typcode " + std::to_string(type) + " für dbe_Replace");
    }
}

std::string FitText(const std::string& text, std::uint32_t width)
{
    std::string out = text.substr(0, width);
    out.resize(width, ' ');
    return out;
}

// Puts `in` into field `f` of `image`; memo values go into the table's memo
// file. Fails without touching the image when the value does not fit.
bool StoreValue(DbfTable& table, const FieldDef& f, char* image, const Incoming& in)
{
    std::string error;
    std::string bytes;
    if (f.IsMemo()) {
        std::string data;
        std::uint32_t memoType = kMemoTypeText;
        switch (in.kind) {
        case Incoming::Number: data = NumberText(in.number); break;
        case Incoming::Logical: data = in.logical ? "T" : "F"; break;
        case Incoming::Date: data = in.text[0] == ' ' ? std::string() : in.text; break;
        case Incoming::Text: data = in.text; break;
        case Incoming::Memo:
            data = in.text;
            memoType = in.memoType;
            break;
        }
        if (!table.StoreMemo(f, image, data, memoType, error)) return Fail(error);
        return true;
    }
    switch (f.type) {
    case 'C':
        switch (in.kind) {
        case Incoming::Number: bytes = NumberText(in.number); break;
        case Incoming::Logical: bytes = in.logical ? "T" : "F"; break;
        default: bytes = in.text; break;
        }
        bytes = FitText(bytes, f.width);
        break;
    case 'N':
    case 'F': {
        double number = in.number;
        if (in.kind == Incoming::Text || in.kind == Incoming::Memo) {
            bool blank = false;
            if (!ParseNumber(in.text, number, blank))
                return Fail("Feld " + f.name + ": \"" + in.text + "\" ist keine Zahl");
            if (blank) {
                bytes.assign(f.width, ' ');
                break;
            }
        } else if (in.kind != Incoming::Number) {
            return Fail("Feld " + f.name + " erwartet eine Zahl");
        }
        if (!FormatNumber(number, f.width, f.decimals, bytes))
            return Fail("Feld " + f.name + ": Wert " + NumberText(number) +
                        " passt nicht in die Feldbreite " + std::to_string(f.width));
        break;
    }
    case 'D':
        if (in.kind == Incoming::Date) {
            bytes = in.text;
        } else if (in.kind == Incoming::Text || in.kind == Incoming::Memo) {
            if (!NormalizeDbfDate(in.text, bytes) && !ParseDate(in.text, Settings().date, bytes))
                return Fail("Feld " + f.name + ": \"" + in.text + "\" ist kein gültiges Datum");
        } else {
            return Fail("Feld " + f.name + " erwartet ein Datum");
        }
        bytes = FitText(bytes, f.width);
        break;
    case 'L':
        switch (in.kind) {
        case Incoming::Logical: bytes = in.logical ? "T" : "F"; break;
        case Incoming::Number: bytes = in.number != 0 ? "T" : "F"; break;
        case Incoming::Date: return Fail("Feld " + f.name + " erwartet einen Wahrheitswert");
        default: {
            bool blank = in.text.find_first_not_of(' ') == std::string::npos;
            bytes = blank ? " " : (TextIsTrue(in.text) ? "T" : "F");
        }
        }
        bytes = FitText(bytes, f.width);
        break;
    default:
        if (in.kind != Incoming::Text && in.kind != Incoming::Memo)
            return Fail("Feld " + f.name + " vom Typ " + std::string(1, f.type) +
                        " nimmt nur Text an");
        bytes = FitText(in.text, f.width);
        break;
    }
    std::memcpy(image + f.offset, bytes.data(), f.width);
    return true;
}

// The value of a source field as an Incoming (for appending between tables).
bool FieldAsIncoming(DbfTable& table, const FieldDef& f, const char* image, Incoming& in)
{
    std::string_view raw(image + f.offset, f.width);
    std::string error;
    if (f.IsMemo()) {
        in.kind = Incoming::Memo;
        if (!table.ReadMemo(f, image, in.text, &in.memoType, error)) return Fail(error);
        return true;
    }
    switch (f.type) {
    case 'N':
    case 'F': {
        bool blank = false;
        in.kind = Incoming::Text;
        in.text = std::string(raw);
        if (ParseNumber(raw, in.number, blank) && !blank) in.kind = Incoming::Number;
        return true;
    }
    case 'D':
        in.kind = Incoming::Date;
        if (!NormalizeDbfDate(raw, in.text)) in.text.assign(8, ' ');
        return true;
    case 'L':
        in.kind = Incoming::Logical;
        in.logical = TextIsTrue(raw);
        return true;
    default:
        in.kind = Incoming::Text;
        in.text = std::string(raw);
        while (!in.text.empty() && in.text.back() == ' ') in.text.pop_back();
        return true;
    }
}

bool Writable(WorkArea* a)
{
    std::string error;
    if (!a->CanWrite(error)) return Fail(error);
    return true;
}

}  // namespace
}  // namespace dbf

using namespace dbf;

// ---------------------------------------------------------------------------
// Start and end
// ---------------------------------------------------------------------------

int dbe_SetStringType(int type)
{
    int previous = Settings().stringType;
    Settings().stringType = type;
    return previous;
}

int dbe_ErrorLevel(int level)
{
    int previous = Settings().errorLevel;
    Settings().errorLevel = level;
    return previous;
}

const char* dbe_Version() { return "2.50.00"; }

void dbe_CloseAll()
{
    if (Refused()) return;
    for (int i = 1; i <= kMaxArea; ++i) {
        E().areas[i].reset();
        E().creates[i].reset();
    }
}

const char* dbe_LastError() { return E().lastError.c_str(); }

// ---------------------------------------------------------------------------
// Work areas
// ---------------------------------------------------------------------------

uint16_t dbe_Use(const char* file, const char* alias, int mode, int type)
{
    if (Refused()) return 0;
    Engine& e = E();
    e.lastError.clear();
    std::string path = TablePath(file);
    if (path.empty()) return std::uint16_t(Fail("Kein Tabellenname angegeben"));
    if (mode < 0 || mode > 2) return std::uint16_t(Fail("Ungültiger Öffnungsmodus " + std::to_string(mode)));
    std::string name = alias && *alias ? UpperAscii(alias) : BaseName(path);
    if (FindArea(name)) return std::uint16_t(Fail("Alias " + name + " ist bereits vergeben"));
    int area = FreeArea();
    if (!area) return std::uint16_t(Fail("Alle Arbeitsbereiche sind belegt"));
    std::string error, note;
    bool repaired = false;
    auto table = DbfTable::Open(path, OpenMode(mode), error, note, repaired);
    if (!table) return std::uint16_t(Fail(error));
    int tableType = NormalType(type);
    if ((tableType == 2 || tableType == 12) && !table->productionIndexTried) {
        table->productionIndexTried = true;
        table->Indexes().OpenProduction(note);
    }
    e.areas[area] = std::make_unique<WorkArea>(area, std::move(table), name, OpenMode(mode),
                                               NormalType(type), repaired);
    e.selected = std::uint16_t(area);
    e.lastError = note;
    return std::uint16_t(area);
}

uint16_t dbe_Select(uint16_t area)
{
    if (area > kMaxArea) return 0;
    std::uint16_t previous = E().selected;
    E().selected = area;
    return previous;
}

uint16_t dbe_WorkArea(const char* alias)
{
    if (!alias || !*alias) return E().selected;
    return std::uint16_t(FindArea(alias));
}

const char* dbe_Alias()
{
    WorkArea* a = Current();
    E().alias = a ? a->alias() : std::string();
    return E().alias.c_str();
}

int dbe_Close()
{
    if (Refused()) return 0;
    Engine& e = E();
    if (e.selected < 1 || e.selected > kMaxArea) return 0;
    bool had = e.areas[e.selected] || e.creates[e.selected];
    if (!had) return Fail("Im Arbeitsbereich " + std::to_string(e.selected) + " ist keine Tabelle geöffnet");
    // What the table, memo and index files still hold in memory is written
    // now, so a failed final write is told rather than lost at the close.
    std::string error;
    if (WorkArea* a = e.areas[e.selected].get()) {
        if (a->table().FlushHeader(error)) error = a->table().Indexes().TakeError();
    }
    e.areas[e.selected].reset();
    e.creates[e.selected].reset();
    return error.empty() ? 1 : Fail(error);
}

// ---------------------------------------------------------------------------
// Moves
// ---------------------------------------------------------------------------

namespace {

// Runs one move of the current area: 1 when it succeeded.
template <typename Move>
int MoveCurrent(Move move)
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    return a && move(*a) ? 1 : 0;
}

}  // namespace

int dbe_GoTop() { return MoveCurrent([](WorkArea& a) { return a.GoTop(); }); }

int dbe_GoBottom() { return MoveCurrent([](WorkArea& a) { return a.GoBottom(); }); }

int dbe_Skip(long n) { return MoveCurrent([n](WorkArea& a) { return a.Skip(n); }); }

int dbe_Go(uint32_t recno) { return MoveCurrent([recno](WorkArea& a) { return a.Go(recno); }); }

int dbe_Bof()
{
    WorkArea* a = Current();
    return a ? a->bof() : 1;
}

int dbe_Eof()
{
    WorkArea* a = Current();
    return a ? a->eof() : 1;
}

uint32_t dbe_RecNo()
{
    WorkArea* a = Current();
    return a ? a->RecNo() : 0;
}

uint32_t dbe_RecCount()
{
    WorkArea* a = Current();
    return a ? a->RecCount() : 0;
}

int dbe_RecSize()
{
    WorkArea* a = Current();
    return a ? int(a->recordLength()) : 0;
}

// ---------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------

int dbe_GetRecord(char* buffer)
{
    WorkArea* a = Need();
    if (!a || !buffer) return 0;
    std::memcpy(buffer, a->buffer(), a->recordLength());
    return 1;
}

int dbe_PutRecord(const char* buffer)
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a || !buffer) return 0;
    std::string error;
    return a->PutRecord(buffer, error) ? 1 : Fail(error);
}

int dbe_AppendBlank()
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    std::string error;
    return a->AppendBlank(error) ? 1 : Fail(error);
}

int dbe_Append() { return dbe_AppendBlank(); }

int dbe_Commit()
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    std::string error;
    bool ok = a->table().Commit(error);
    if (ok) error = a->table().Indexes().TakeError();
    return ok && error.empty() ? 1 : Fail(error);
}

int dbe_Delete()
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    std::string error;
    return a->SetDeletedFlag(true, error) ? 1 : Fail(error);
}

int dbe_Recall()
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    std::string error;
    return a->SetDeletedFlag(false, error) ? 1 : Fail(error);
}

int dbe_Deleted()
{
    WorkArea* a = Current();
    return a && !a->eof() && a->buffer()[0] == '*' ? 1 : 0;
}

int dbe_Rlock(uint32_t recno)
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    if (recno == 0) recno = a->eof() ? 0 : a->RecNo();
    if (recno == 0 || recno > a->RecCount())
        return Fail("Satz " + std::to_string(recno) + " gibt es nicht");
    std::string error;
    return a->table().Lock(recno, a->number(), Settings().lockTimeout, error) ? 1 : Fail(error);
}

int dbe_Unlock(uint32_t recno)
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    a->table().Unlock(recno, a->number());
    return 1;
}

int dbe_Pack()
{
    if (Refused()) return 0;
    BusyScope busy;
    WorkArea* a = Need();
    if (!a) return 0;
    if (a->mode() == OpenMode::ReadOnly) return Fail("Tabelle ist schreibgeschützt geöffnet");
    std::string error;
    bool ok = a->table().Pack(ReportProgress, error);
    if (ok) error = a->table().Indexes().TakeError();
    return ok && error.empty() ? 1 : Fail(error);
}

int dbe_Zap()
{
    if (Refused()) return 0;
    BusyScope busy;
    WorkArea* a = Need();
    if (!a) return 0;
    if (a->mode() == OpenMode::ReadOnly) return Fail("Tabelle ist schreibgeschützt geöffnet");
    std::string error;
    bool ok = a->table().Zap(error);
    if (ok) error = a->table().Indexes().TakeError();
    return ok && error.empty() ? 1 : Fail(error);
}

// ---------------------------------------------------------------------------
// Fields
// ---------------------------------------------------------------------------

int dbe_FieldCount()
{
    WorkArea* a = Current();
    return a ? int(a->table().fields().size()) : 0;
}

const char* dbe_FieldName(int n)
{
    WorkArea* a = Current();
    E().fieldName.clear();
    if (a && n >= 1 && std::size_t(n) <= a->table().fields().size())
        E().fieldName = a->table().fields()[std::size_t(n - 1)].name;
    return E().fieldName.c_str();
}

int dbe_FieldNum(const char* name)
{
    WorkArea* a = Current();
    if (!a) return 0;
    const auto& fields = a->table().fields();
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (name && FieldNameEquals(fields[i].name, name)) return int(i + 1);
    return 0;
}

char dbe_FieldType(const char* name)
{
    WorkArea* a = Current();
    const FieldDef* f = a ? a->FindField(name) : nullptr;
    return f ? f->type : '\0';
}

int dbe_FieldWidth(const char* name)
{
    WorkArea* a = Current();
    const FieldDef* f = a ? a->FindField(name) : nullptr;
    return f ? int(f->width) : 0;
}

int dbe_FieldDecimals(const char* name)
{
    WorkArea* a = Current();
    const FieldDef* f = a ? a->FindField(name) : nullptr;
    return f ? int(f->decimals) : 0;
}

int dbe_FieldOffset(const char* name)
{
    WorkArea* a = Current();
    const FieldDef* f = a ? a->FindField(name) : nullptr;
    return f ? int(f->offset + 1) : 0;
}

const char* dbe_GetString(const char* name)
{
    Engine& e = E();
    e.fieldText.clear();
    WorkArea* a = Need();
    const FieldDef* f = a ? NeedField(a, name) : nullptr;
    if (!f) return e.fieldText.c_str();
    if (f->IsMemo()) {
        std::string error;
        if (!a->table().ReadMemo(*f, a->buffer(), e.fieldText, nullptr, error)) Fail(error);
        e.fieldText.resize(std::strlen(e.fieldText.c_str()));
    } else {
        e.fieldText.assign(a->FieldBytes(*f));
    }
    return e.fieldText.c_str();
}

const char* dbe_GetTrimString(const char* name)
{
    std::string& t = E().trimText;
    t = dbe_GetString(name);
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return t.c_str();
}

const char* dbe_GetDateString(const char* name)
{
    Engine& e = E();
    e.dateText.clear();
    WorkArea* a = Need();
    const FieldDef* f = a ? NeedField(a, name) : nullptr;
    if (f) e.dateText = FormatDate(a->FieldBytes(*f), Settings().date);
    return e.dateText.c_str();
}

int dbe_GetLogical(const char* name)
{
    WorkArea* a = Need();
    const FieldDef* f = a ? NeedField(a, name) : nullptr;
    if (!f) return 0;
    char c = a->FieldBytes(*f)[0];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

int dbe_Empty(const char* name)
{
    WorkArea* a = Need();
    const FieldDef* f = a ? NeedField(a, name) : nullptr;
    if (!f) return 0;
    std::string_view raw = a->FieldBytes(*f);
    if (f->IsMemo()) {
        std::uint32_t length = 0;
        std::string error;
        return !a->table().MemoLength(*f, a->buffer(), length, error) || length == 0;
    }
    if (f->type == 'L') return raw[0] != 'T' && raw[0] != 't' && raw[0] != 'Y' && raw[0] != 'y';
    if (f->type == 'D' && raw == "00000000") return 1;
    return raw.find_first_not_of(' ') == std::string_view::npos;
}

long dbe_GetBlobLength(const char* name)
{
    WorkArea* a = Need();
    const FieldDef* f = a ? NeedField(a, name) : nullptr;
    if (!f) return -1;
    if (!f->IsMemo()) return Fail("Feld " + f->name + " ist kein Memofeld"), -1;
    std::uint32_t length = 0;
    std::string error;
    if (!a->table().MemoLength(*f, a->buffer(), length, error)) return Fail(error), -1;
    return long(length);
}

char* dbe_GetMemo(const char* name, int)
{
    WorkArea* a = Need();
    const FieldDef* f = a ? NeedField(a, name) : nullptr;
    if (!f) return nullptr;
    if (!f->IsMemo()) return Fail("Feld " + f->name + " ist kein Memofeld"), nullptr;
    std::string data, error;
    if (!a->table().ReadMemo(*f, a->buffer(), data, nullptr, error)) return Fail(error), nullptr;
    char* out = static_cast<char*>(std::malloc(data.size() + 1));
    if (!out) return Fail("Zu wenig Speicher für das Memo"), nullptr;
    std::memcpy(out, data.data(), data.size());
    out[data.size()] = '\0';
    return out;
}

void dbe_MemDealloc(char* memo) { std::free(memo); }

int dbe_BlobToFile(const char* name, const char* file)
{
    WorkArea* a = Need();
    const FieldDef* f = a ? NeedField(a, name) : nullptr;
    if (!f) return 0;
    if (!f->IsMemo()) return Fail("Feld " + f->name + " ist kein Memofeld");
    if (!file || !*file) return Fail("Kein Dateiname angegeben");
    std::string data, error;
    if (!a->table().ReadMemo(*f, a->buffer(), data, nullptr, error)) return Fail(error);
    FileHandle fd(::open(file, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd.valid() || !WriteAt(fd.get(), data.data(), data.size(), 0))
        return Fail(std::string("Datei ") + file + " lässt sich nicht schreiben: " + ErrnoText());
    return 1;
}

int dbe_Replace(const char* name, int type, const void* value)
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    const FieldDef* f = a ? NeedField(a, name) : nullptr;
    if (!f || !Writable(a)) return 0;
    Incoming in;
    if (!ReadIncoming(type, value, in)) return 0;
    std::vector<char> image(a->buffer(), a->buffer() + a->recordLength());
    if (!StoreValue(a->table(), *f, image.data(), in)) return 0;
    std::string error;
    return a->PutRecord(image.data(), error) ? 1 : Fail(error);
}

int dbe_ReplaceBlob(const char* name, const void* data, uint32_t length, int binary)
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    const FieldDef* f = a ? NeedField(a, name) : nullptr;
    if (!f || !Writable(a)) return 0;
    if (!f->IsMemo()) return Fail("Feld " + f->name + " ist kein Memofeld");
    if (length > 0 && !data) return Fail("dbe_ReplaceBlob ohne Daten");
    std::vector<char> image(a->buffer(), a->buffer() + a->recordLength());
    std::string error;
    std::string_view bytes(static_cast<const char*>(data), length);
    if (!a->table().StoreMemo(*f, image.data(), bytes, binary ? kMemoTypeBinary : kMemoTypeText,
                              error))
        return Fail(error);
    return a->PutRecord(image.data(), error) ? 1 : Fail(error);
}

// ---------------------------------------------------------------------------
// Indexes and orders
// ---------------------------------------------------------------------------

namespace {

std::string IndexPath(WorkArea* a, const char* file)
{
    std::string path = file ? file : "";
    if (path.empty()) return SiblingPath(a->table().path(), ".CDX");
    if (!HasExtension(path)) path += ".CDX";
    return path;
}

// The order (1-based) of `tag` in `file` among the area's orders, 0 when none.
int OrderOf(WorkArea* a, IndexFile* file, const std::string& tag)
{
    auto orders = a->Orders();
    for (std::size_t i = 0; i < orders.size(); ++i)
        if (orders[i].file == file && UpperAscii(orders[i].tag->spec.name) == UpperAscii(tag))
            return int(i + 1);
    return 0;
}

// The order's reference (0 = the current order); null past the last.
const WorkArea::OrderRef* OrderAt(WorkArea* a, int order, std::vector<WorkArea::OrderRef>& orders)
{
    orders = a->Orders();
    if (order == 0) order = a->orderNumber();
    if (order < 1 || std::size_t(order) > orders.size()) return nullptr;
    return &orders[std::size_t(order - 1)];
}

const char* OrderText(int order, int what)
{
    Engine& e = E();
    e.tagText.clear();
    WorkArea* a = Current();
    std::vector<WorkArea::OrderRef> orders;
    const WorkArea::OrderRef* ref = a ? OrderAt(a, order, orders) : nullptr;
    if (ref) {
        switch (what) {
        case 0: e.tagText = UpperAscii(ref->tag->spec.name); break;
        case 1: e.tagText = ref->file->path; break;
        case 2:
            // A key that is one field reads as that field's name.
            e.tagText = ref->tag->key && ref->tag->key->IsSingleField()
                            ? UpperAscii(ref->tag->key->FieldsUsed().front().name)
                            : ref->tag->spec.keyExpression;
            break;
        default:
            e.tagText = ref->tag->key && !ref->tag->key->FieldsUsed().empty()
                            ? UpperAscii(ref->tag->key->FieldsUsed().front().name)
                            : std::string();
            break;
        }
    }
    return e.tagText.c_str();
}

}  // namespace

int dbe_IndexOpen(const char* file)
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    std::string path = IndexPath(a, file);
    TableIndexes& indexes = a->table().Indexes();
    IndexFile* f = indexes.production() && indexes.production()->path == path
                       ? indexes.production()
                       : nullptr;
    if (!f) {
        for (IndexFile* open : a->extraFiles())
            if (open->path == path) f = open;
    }
    if (!f) {
        std::string error;
        f = indexes.OpenFile(path, error);
        if (!f) return Fail(error);
        a->extraFiles().push_back(f);
    }
    if (f->tags.empty()) return Fail("Indexdatei " + path + " enthält keine Tags");
    int order = OrderOf(a, f, f->tags.front()->spec.name);
    a->SetOrderNumber(order);
    return order;
}

int dbe_IndexClose()
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    TagOrder* t = a->tagOrder();
    if (!t || !t->file() || t->file()->production)
        return Fail("Keine schließbare Indexdatei aktiv");
    IndexFile* f = t->file();
    a->SetOrderNumber(0);
    auto& extra = a->extraFiles();
    extra.erase(std::remove(extra.begin(), extra.end(), f), extra.end());
    a->table().Indexes().Release(f);
    return 1;
}

int dbe_CloseIndexes()
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    a->CloseExtraFiles();
    a->SetOrderNumber(0);
    return 1;
}

int dbe_Reindex()
{
    if (Refused()) return 0;
    BusyScope busy;
    WorkArea* a = Need();
    if (!a) return 0;
    if (a->mode() == OpenMode::ReadOnly) return Fail("Tabelle ist schreibgeschützt geöffnet");
    std::string error;
    std::uint32_t saved = a->RecNo();
    bool ok = a->table().Indexes().RebuildAll(ReportProgress, error);
    a->Go(saved);
    return ok ? 1 : Fail(error);
}

int dbe_IndexTag(const char* file, const char* tag, const char* key, int option, int unique,
                 const char* condition)
{
    if (Refused()) return 0;
    BusyScope busy;
    WorkArea* a = Need();
    if (!a) return 0;
    if (a->mode() == OpenMode::ReadOnly) return Fail("Tabelle ist schreibgeschützt geöffnet");
    if (!tag || !*tag || !key || !*key) return Fail("Tagname und Schlüsselausdruck sind nötig");
    TableIndexes& indexes = a->table().Indexes();
    std::string path = IndexPath(a, file);
    bool production = !file || !*file || (indexes.production() && indexes.production()->path == path) ||
                      path == SiblingPath(a->table().path(), ".CDX");
    IndexFile* f = nullptr;
    std::string error;
    if (!production) {
        for (IndexFile* open : a->extraFiles())
            if (open->path == path) f = open;
        if (!f) {
            struct stat st {};
            f = ::stat(path.c_str(), &st) == 0 ? indexes.OpenFile(path, error)
                                               : indexes.CreateFile(path, error);
            if (!f) return Fail(error);
            a->extraFiles().push_back(f);
        }
    }
    IndexTag* made = indexes.CreateTag(f, path, UpperAscii(tag), key, condition ? condition : "",
                                       unique != 0, (option & 1) != 0, ReportProgress, error);
    if (!made) return Fail(error);
    int order = OrderOf(a, production ? indexes.production() : f, made->spec.name);
    a->SetOrderNumber(order);
    a->GoTop();
    return order;
}

int dbe_IndexOrd()
{
    WorkArea* a = Current();
    return a ? a->orderNumber() : 0;
}

int dbe_SetOrder(int order)
{
    WorkArea* a = Need();
    if (!a) return 0;
    int previous = a->orderNumber();
    if (Refused()) return previous;
    if (!a->SetOrderNumber(order)) {
        Fail("Ordnung " + std::to_string(order) + " gibt es nicht");
    } else if (order > 0) {
        // A tag left half-written that this area cannot rebuild (read-only)
        // is reported, so the caller can have it rebuilt.
        TagOrder* tagOrder = a->tagOrder();
        if (tagOrder && !tagOrder->Tag()) {
            std::string reason = "Index " + std::string(dbe_TagName(order)) + " ist nicht benutzbar";
            for (auto& t : tagOrder->file()->tags)
                if (t->tag && t->tag->NeedsRebuild() && UpperAscii(t->spec.name) == dbe_TagName(order))
                    reason += ": " + t->tag->RebuildReason();
            Fail(reason + "; er muss neu aufgebaut werden");
        }
    }
    return previous;
}

int dbe_TagArea(const char* tag)
{
    WorkArea* a = Current();
    if (!a || !tag) return 0;
    auto orders = a->Orders();
    for (std::size_t i = 0; i < orders.size(); ++i)
        if (UpperAscii(orders[i].tag->spec.name) == UpperAscii(tag)) return int(i + 1);
    return 0;
}

const char* dbe_TagName(int order) { return OrderText(order, 0); }
const char* dbe_IndexName(int order) { return OrderText(order, 1); }
const char* dbe_IndexKey(int order) { return OrderText(order, 2); }
const char* dbe_IndexKeyField(int order) { return OrderText(order, 3); }

const char* dbe_KeyData()
{
    Engine& e = E();
    e.tagText.clear();
    WorkArea* a = Current();
    if (a && a->tagOrder() && !a->eof()) e.tagText = a->tagOrder()->KeyText(a->buffer(), a->RecNo());
    return e.tagText.c_str();
}

int dbe_Seek(const char* key)
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    if (!a->tagOrder()) return Fail("Keine Indexordnung aktiv");
    bool found = false;
    a->SeekKey(key ? key : "", found);
    return found ? 1 : 0;
}

int dbe_Found()
{
    WorkArea* a = Current();
    return a && a->found ? 1 : 0;
}

int dbe_SetScope(const char* low, const char* high)
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    bool none = !(low && *low) && !(high && *high);
    if (!a->tagOrder()) return none ? 1 : Fail("Keine Indexordnung aktiv");
    a->tagOrder()->SetScope(low ? low : "", high ? high : "");
    a->GoTop();
    return 1;
}

const char* dbe_GetScope(int which)
{
    Engine& e = E();
    e.scopeText.clear();
    WorkArea* a = Current();
    if (a && a->tagOrder())
        e.scopeText = which == 0 ? a->tagOrder()->scopeLow() : a->tagOrder()->scopeHigh();
    return e.scopeText.c_str();
}

uint32_t dbe_OrderRecNo()
{
    WorkArea* a = Current();
    if (!a) return 0;
    return a->OrderPosition();
}

// ---------------------------------------------------------------------------
// Expressions and queries
// ---------------------------------------------------------------------------

int dbe_EvalTest(const char* expr)
{
    WorkArea* a = Need();
    if (!a) return 0;
    std::string error;
    auto e = a->Compile(expr ? expr : "", error);
    if (!e) return Fail(error);
    return int(e->Type());
}

const char* dbe_EvalString(const char* expr)
{
    Engine& e = E();
    e.evalText.clear();
    WorkArea* a = Need();
    if (!a) return e.evalText.c_str();
    std::string error;
    auto x = a->Compile(expr ? expr : "", error);
    if (!x) {
        Fail(error);
        return e.evalText.c_str();
    }
    dbfexpr::ExprContext context = a->Context();
    dbfexpr::ExprError fault;
    if (!x->EvaluateText(reinterpret_cast<const std::uint8_t*>(a->buffer()), a->recordLength(),
                         context, e.evalText, &fault)) {
        e.evalText.clear();
        Fail(dbfexpr::ExprErrorText(fault));
    }
    return e.evalText.c_str();
}

int dbe_EvalLogical(const char* expr)
{
    WorkArea* a = Need();
    if (!a) return 0;
    std::string error;
    auto x = a->Compile(expr ? expr : "", error);
    if (!x) return Fail(error);
    dbfexpr::ExprContext context = a->Context();
    bool result = false;
    dbfexpr::ExprError fault;
    if (!x->EvaluateLogical(reinterpret_cast<const std::uint8_t*>(a->buffer()), a->recordLength(),
                            context, result, &fault))
        return Fail(dbfexpr::ExprErrorText(fault));
    return result ? 1 : 0;
}

int dbe_Query(const char* expr)
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    if (!expr || !*expr) {
        a->ClearQuery();
        return 1;
    }
    std::string error;
    return a->SetQueryExpression(expr, error) ? 1 : Fail(error);
}

uint32_t dbe_QueryRecCount()
{
    WorkArea* a = Current();
    if (!a) return 0;
    bool scoped = a->tagOrder() &&
                  (!a->tagOrder()->scopeLow().empty() || !a->tagOrder()->scopeHigh().empty());
    if (!a->queryActive() && !scoped) return a->RecCount();
    return a->VisibleCount();
}

const char* dbe_DBFilter()
{
    WorkArea* a = Current();
    E().filterText = a ? a->queryExpression() : std::string();
    return E().filterText.c_str();
}

int dbe_SetQueryBit(uint32_t recno, int flag)
{
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    if (recno == 0 || recno > a->RecCount())
        return Fail("Satz " + std::to_string(recno) + " gibt es nicht");
    a->SetQueryBit(recno, flag != 0);
    return 1;
}

// ---------------------------------------------------------------------------
// Creating, copying, appending
// ---------------------------------------------------------------------------

uint16_t dbe_CreateNew(const char* file, const char* alias, int type, int fieldCount)
{
    if (Refused()) return 0;
    Engine& e = E();
    e.lastError.clear();
    std::string path = TablePath(file);
    if (path.empty()) return std::uint16_t(Fail("Kein Tabellenname angegeben"));
    if (fieldCount < 1 || fieldCount > 255)
        return std::uint16_t(Fail("Ungültige Feldanzahl " + std::to_string(fieldCount)));
    int area = FreeArea();
    if (!area) return std::uint16_t(Fail("Alle Arbeitsbereiche sind belegt"));
    auto pending = std::make_unique<PendingCreate>();
    pending->path = path;
    pending->alias = alias ? UpperAscii(alias) : std::string();
    pending->type = NormalType(type);
    pending->announced = fieldCount;
    e.creates[area] = std::move(pending);
    e.selected = std::uint16_t(area);
    return std::uint16_t(area);
}

int dbe_CreateField(const char* name, char type, int width, int decimals)
{
    if (Refused()) return 0;
    Engine& e = E();
    PendingCreate* p = e.selected <= kMaxArea ? e.creates[e.selected].get() : nullptr;
    if (!p) return Fail("Im Arbeitsbereich wird keine Tabelle angelegt");
    std::string n = UpperAscii(name ? name : "");
    while (!n.empty() && n.back() == ' ') n.pop_back();
    if (n.size() > kMaxNameLength) n.resize(kMaxNameLength);
    if (n.empty() || !((n[0] >= 'A' && n[0] <= 'Z') || n[0] == '_'))
        return Fail("Ungültiger Feldname \"" + std::string(name ? name : "") + "\"");
    for (char c : n)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return Fail("Ungültiger Feldname \"" + n + "\"");
    for (const FieldDef& f : p->fields)
        if (f.name == n) return Fail("Feldname " + n + " ist doppelt");
    if (int(p->fields.size()) >= p->announced)
        return Fail("Mehr Felder als angekündigt (" + std::to_string(p->announced) + ")");
    FieldDef f;
    f.name = n;
    f.type = char(type >= 'a' && type <= 'z' ? type - 'a' + 'A' : type);
    switch (f.type) {
    case 'C':
        if (width < 1 || width > 254) return Fail("Feld " + n + ": ungültige Breite " + std::to_string(width));
        f.width = std::uint32_t(width);
        break;
    case 'N':
    case 'F':
        if (width < 1 || width > 20 || decimals < 0 || (decimals > 0 && decimals > width - 2))
            return Fail("Feld " + n + ": ungültige Breite " + std::to_string(width) + "," +
                        std::to_string(decimals));
        f.width = std::uint32_t(width);
        f.decimals = std::uint8_t(decimals);
        break;
    case 'D': f.width = 8; break;
    case 'L': f.width = 1; break;
    case 'M': f.width = 10; break;
    default: return Fail("Feld " + n + ": unbekannter Typ " + std::string(1, type));
    }
    p->fields.push_back(std::move(f));
    return 1;
}

int dbe_CreateExec()
{
    if (Refused()) return 0;
    Engine& e = E();
    int area = e.selected;
    PendingCreate* p = area <= kMaxArea ? e.creates[area].get() : nullptr;
    if (!p) return Fail("Im Arbeitsbereich wird keine Tabelle angelegt");
    std::unique_ptr<PendingCreate> pending = std::move(e.creates[area]);
    if (pending->fields.empty()) return Fail("Tabelle ohne Felder");
    std::string error;
    if (!DbfTable::Create(pending->path, pending->fields, Settings().memoBlockSize, error))
        return Fail(error);
    std::string note;
    bool repaired = false;
    auto table = DbfTable::Open(pending->path, OpenMode::Exclusive, error, note, repaired);
    if (!table) return Fail(error);
    std::string alias = BaseName(pending->path);
    if (FindArea(alias)) alias = pending->alias;
    for (int i = 1; alias.empty() || FindArea(alias); ++i)
        alias = BaseName(pending->path).substr(0, 7) + "_" + std::to_string(i);
    e.areas[area] = std::make_unique<WorkArea>(area, std::move(table), alias, OpenMode::Exclusive,
                                               pending->type, false);
    return 1;
}

int dbe_CopyFile(const char* file)
{
    if (Refused()) return 0;
    BusyScope busy;
    WorkArea* a = Need();
    if (!a) return 0;
    std::string path = TablePath(file);
    if (path.empty()) return Fail("Kein Tabellenname angegeben");
    std::string error, note;
    if (!DbfTable::Create(path, a->table().fields(), Settings().memoBlockSize, error))
        return Fail(error);
    bool repaired = false;
    auto target = DbfTable::Open(path, OpenMode::Exclusive, error, note, repaired);
    if (!target) return Fail(error);
    DbfTable& source = a->table();
    std::vector<char> image(a->recordLength());
    std::string memo;
    std::uint32_t total = dbe_QueryRecCount(), done = 0;
    ReportProgress(0, total);
    // Walk the visible records without moving the area.
    std::uint32_t saved = a->RecNo();
    bool savedBof = a->bof();
    for (bool ok = a->GoTop(); ok && !a->eof(); a->Skip(1)) {
        std::memcpy(image.data(), a->buffer(), image.size());
        for (const FieldDef& f : source.fields()) {
            if (!f.IsMemo()) continue;
            std::uint32_t type = kMemoTypeText;
            if (!source.ReadMemo(f, image.data(), memo, &type, error) ||
                !target->StoreMemo(target->fields()[std::size_t(&f - source.fields().data())],
                                   image.data(), memo, type, error)) {
                a->Go(saved);
                return Fail(error);
            }
        }
        std::uint32_t recno = 0;
        if (!target->AppendRecord(image.data(), recno, error)) {
            a->Go(saved);
            return Fail(error);
        }
        ReportProgress(++done, total);
    }
    a->Go(saved);
    if (savedBof) a->Skip(-1);
    ReportProgress(total, total);
    return target->FlushHeader(error) ? 1 : Fail(error);
}

int dbe_AppendFrom(const char* file, int mode, const char* condition)
{
    if (Refused()) return 0;
    BusyScope busy;
    WorkArea* a = Need();
    if (!a) return 0;
    // Appending needs no current record, only write permission.
    if (a->mode() == OpenMode::ReadOnly || !a->table().writable())
        return Fail("Tabelle " + a->table().path() + " ist schreibgeschützt geöffnet");
    std::string path = TablePath(file);
    std::string error, note;
    bool repaired = false;
    auto source = DbfTable::Open(path, OpenMode::ReadOnly, error, note, repaired);
    if (!source) return Fail(error);
    std::unique_ptr<dbfexpr::Expression> filter;
    if (condition && *condition) {
        std::vector<dbfexpr::ExprField> fields = source->Indexes().Fields();
        dbfexpr::ExprError fault;
        filter = dbfexpr::Expression::Compile(condition, fields, fault);
        if (!filter || filter->Type() != dbfexpr::ExprType::Logical)
            return Fail(std::string("Bedingung \"") + condition + "\": " +
                        (filter ? "keine Bedingung" : dbfexpr::ExprErrorText(fault)));
    }
    DbfTable& target = a->table();
    // Target field -> source field with the same name.
    std::vector<const FieldDef*> match;
    for (const FieldDef& t : target.fields()) {
        const FieldDef* s = nullptr;
        for (const FieldDef& f : source->fields())
            if (f.name == t.name) s = &f;
        match.push_back(s);
    }
    std::uint32_t count = source->RecordCount();
    std::vector<char> in(source->recordLength()), out(target.recordLength());
    std::string problems;
    ReportProgress(0, count);
    for (std::uint32_t r = 1; r <= count; ++r) {
        if (!source->ReadRecord(r, in.data(), error)) return Fail(error);
        if (mode == 1 && in[0] == '*') continue;
        if (filter) {
            dbfexpr::ExprContext context = source->Indexes().Context(r);
            bool pass = false;
            if (!filter->EvaluateLogical(reinterpret_cast<const std::uint8_t*>(in.data()), in.size(),
                                         context, pass) ||
                !pass)
                continue;
        }
        std::fill(out.begin(), out.end(), ' ');
        out[0] = in[0] == '*' ? '*' : ' ';
        for (std::size_t i = 0; i < match.size(); ++i) {
            const FieldDef* s = match[i];
            const FieldDef& t = target.fields()[i];
            if (!s) continue;
            if (!s->IsMemo() && !t.IsMemo() && s->type == t.type && s->width == t.width &&
                s->decimals == t.decimals) {
                std::memcpy(out.data() + t.offset, in.data() + s->offset, t.width);
                continue;
            }
            Incoming value;
            if (!FieldAsIncoming(*source, *s, in.data(), value) ||
                !StoreValue(target, t, out.data(), value)) {
                if (problems.empty()) problems = "Satz " + std::to_string(r) + ": " + E().lastError;
            }
        }
        std::uint32_t recno = 0;
        if (!target.AppendRecord(out.data(), recno, error)) return Fail(error);
        ReportProgress(r, count);
    }
    ReportProgress(count, count);
    if (!problems.empty()) E().lastError = "Nicht übernommene Werte, zuerst " + problems;
    a->GoBottom();
    return 1;
}

// ---------------------------------------------------------------------------
// Settings
// ---------------------------------------------------------------------------

namespace {

// Turns an on/off setting on or off unless a running operation refuses the
// change; returns the setting as it was.
int SwitchSetting(bool& setting, int on)
{
    const int previous = setting;
    if (!Refused()) setting = on != 0;
    return previous;
}

}  // namespace

int dbe_SetExact(int on) { return SwitchSetting(Settings().exact, on); }

int dbe_SetSoftSeek(int on) { return SwitchSetting(Settings().softSeek, on); }

int dbe_SetDeleted(int on) { return SwitchSetting(Settings().deleted, on); }

int dbe_SetCentury(int on) { return SwitchSetting(Settings().date.century, on); }

int dbe_SetDateFormat(int code)
{
    int previous = Settings().date.format;
    if (Refused()) return previous;
    if (code < 0 || code > 6) {
        Fail("Ungültiges Datumsformat " + std::to_string(code));
        return previous;
    }
    Settings().date.format = code;
    return previous;
}

int dbe_SetLockTimeout(int seconds)
{
    int previous = Settings().lockTimeout;
    Settings().lockTimeout = std::max(0, seconds);
    return previous;
}

int dbe_SetMemoBlockSize(int size)
{
    int previous = int(Settings().memoBlockSize);
    if (size < 32 || size > 16384) {
        Fail("Ungültige Memo-Blockgröße " + std::to_string(size));
        return previous;
    }
    Settings().memoBlockSize = std::uint32_t(size);
    return previous;
}

int dbe_SetTurboRead(int on)
{
    WorkArea* a = Current();
    if (!a) return 0;
    int previous = a->turboRead;
    a->turboRead = on != 0;
    return previous;
}

int dbe_SetTranslate(int on)
{
    int previous = Settings().translate;
    Settings().translate = on != 0;
    return previous;
}

int dbe_SetPassword(const char* password)
{
    Settings().password = password ? password : "";
    return 1;
}

int dbe_IsEncrypted(uint16_t) { return 0; }

void dbe_SetGaugeHook(DbeGaugeHook hook, void* context)
{
    E().gaugeHook = hook;
    E().gaugeContext = hook ? context : nullptr;
}

// ---------------------------------------------------------------------------
// System properties
// ---------------------------------------------------------------------------

intptr_t dbe_SysProp(int code, intptr_t value)
{
    EngineSettings& s = Settings();
    switch (code) {
    case DBE_PROP_GET_SOFTSEEK: return s.softSeek;
    case DBE_PROP_SET_SOFTSEEK: return dbe_SetSoftSeek(int(value != 0));
    case DBE_PROP_GET_EXACT: return s.exact;
    case DBE_PROP_SET_EXACT: return dbe_SetExact(int(value != 0));
    case DBE_PROP_GET_DELETED: return s.deleted;
    case DBE_PROP_SORT_WEIGHTS: {
        if (Refused()) return 0;
        if (value) {
            std::memcpy(s.sortWeights, reinterpret_cast<const void*>(value), sizeof s.sortWeights);
            s.sortWeightsSet = true;
        } else {
            s.sortWeightsSet = false;
        }
        // Tags of open tables built with this table become usable as they are.
        for (int i = 1; i <= kMaxArea; ++i)
            if (E().areas[std::size_t(i)]) E().areas[std::size_t(i)]->table().Indexes().CollationChanged();
        return 1;
    }
    case DBE_PROP_ORDER_COUNT: {
        WorkArea* a = Current();
        return a ? intptr_t(a->Orders().size()) : 0;
    }
    case DBE_PROP_RECBUFFER: {
        WorkArea* a = Current();
        return a ? reinterpret_cast<intptr_t>(a->buffer()) : 0;
    }
    case DBE_PROP_AREA_IN_USE:
        return value >= 1 && value <= kMaxArea && E().areas[std::size_t(value)] ? 1 : 0;
    case DBE_PROP_MULTI_TAG: {
        WorkArea* a = Current();
        return a && !a->Orders().empty() ? 1 : 0;
    }
    case DBE_PROP_ENGINE_BUFFER: return reinterpret_cast<intptr_t>(E().engineBuffer.data());
    case DBE_PROP_ENGINE_BUFSIZE: return intptr_t(E().engineBuffer.size());
    case DBE_PROP_ENGINE_FIELD: return 0;
    case DBE_PROP_REPAIRED: {
        WorkArea* a = Current();
        return a && a->repaired() ? 1 : 0;
    }
    default: return 0;
    }
}
