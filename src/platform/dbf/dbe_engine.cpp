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
#include "platform/dbf/dbe_internal.h"
#include "platform/dbf/dbf_table.h"
#include "platform/dbf/engine_settings.h"
#include "platform/dbf/field_codec.h"
#include "platform/dbf/file_io.h"
#include "platform/dbf/lock_wait.h"
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
namespace engine {
Engine& E()
{
    static Engine engine;
    static const bool forksWatched = (WatchForks(), true);
    (void)forksWatched;
    return engine;
}

void ForgetInheritedAreas()
{
    Engine& e = E();
    for (auto& area : e.areas) (void)area.release();  // left to the parent, never closed here
    for (auto& create : e.creates) (void)create.release();
    e.selected = 1;
    e.busy = 0;
    SetLastError("");
    DbfTable::ForgetOpenTablesAfterFork();
}

void SetLastError(const std::string& reason)
{
    Engine& e = E();
    e.lastError = reason;
    if (reason.empty()) {
        e.lastErrorCode = DBE_ERR_NONE;
        return;
    }
    switch (BusyKindOf(reason)) {
    case BusyKind::OtherProgram: e.lastErrorCode = DBE_ERR_BUSY; break;
    case BusyKind::OpenHere: e.lastErrorCode = DBE_ERR_OPEN_HERE; break;
    case BusyKind::None: e.lastErrorCode = DBE_ERR_FAILED; break;
    }
}

int Fail(const std::string& reason)
{
    SetLastError(reason);
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

WorkArea* NeedSound()
{
    WorkArea* a = Need();
    std::string failed;
    if (a && a->table().IndexesFailedInBackground(failed)) {
        Fail(failed);
        return nullptr;
    }
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
        // The hook may show a window and run the event loop, or wait for
        // the user, while this call keeps the engine lock: the watch thread
        // cannot give back the index locks held across calls meanwhile, so
        // those that no access uses go back now.
        ReleaseHeldIndexLocks();
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


// True (with the reason) when a call comes back into the engine from the gauge
// hook of a running operation and would change what it works on.
bool Refused()
{
    if (E().busy == 0) return false;
    SetLastError("Die Datenbank ist mit einem anderen Vorgang beschäftigt");
    E().lastErrorCode = DBE_ERR_REFUSED;
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
        case Incoming::Logical: data = in.logical ? 'T' : 'F'; break;
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
        case Incoming::Logical: bytes = in.logical ? 'T' : 'F'; break;
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
        case Incoming::Logical: bytes = in.logical ? 'T' : 'F'; break;
        case Incoming::Number: bytes = in.number != 0 ? 'T' : 'F'; break;
        case Incoming::Date: return Fail("Feld " + f.name + " erwartet einen Wahrheitswert");
        default: {
            bool blank = in.text.find_first_not_of(' ') == std::string::npos;
            bytes = blank ? ' ' : (TextIsTrue(in.text) ? 'T' : 'F');
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

}  // namespace engine
}  // namespace dbf

using namespace dbf;
using namespace dbf::engine;

// ---------------------------------------------------------------------------
// Start and end
// ---------------------------------------------------------------------------

int dbe_SetStringType(int type)
{
    const EngineLock engineLock;
    int previous = Settings().stringType;
    Settings().stringType = type;
    return previous;
}

int dbe_ErrorLevel(int level)
{
    const EngineLock engineLock;
    int previous = Settings().errorLevel;
    Settings().errorLevel = level;
    return previous;
}

const char* dbe_Version() { return "2.50.00"; }

void dbe_CloseAll()
{
    const EngineLock engineLock;
    if (Refused()) return;
    for (int i = 1; i <= kMaxArea; ++i) {
        E().areas[i].reset();
        E().creates[i].reset();
    }
}

const char* dbe_LastError() { const EngineLock engineLock; return E().lastError.c_str(); }

int dbe_LastErrorCode() { const EngineLock engineLock; return E().lastErrorCode; }

// ---------------------------------------------------------------------------
// Work areas
// ---------------------------------------------------------------------------

uint16_t dbe_Use(const char* file, const char* alias, int mode, int type)
{
    const EngineLock engineLock;
    if (Refused()) return 0;
    Engine& e = E();
    SetLastError("");
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
        if (!table->Indexes().OpenProduction(note, error)) return std::uint16_t(Fail(error));
        table->productionIndexTried = true;
    }
    if (MemoFile* memo = table->memo()) memo->RepairStaleHeader();
    e.areas[area] = std::make_unique<WorkArea>(area, std::move(table), name, OpenMode(mode),
                                               NormalType(type), repaired);
    e.selected = std::uint16_t(area);
    SetLastError(note);
    e.lastErrorCode = DBE_ERR_NONE;  // a note, no failure
    return std::uint16_t(area);
}

uint16_t dbe_Select(uint16_t area)
{
    const EngineLock engineLock;
    if (area > kMaxArea) return 0;
    std::uint16_t previous = E().selected;
    E().selected = area;
    return previous;
}

uint16_t dbe_WorkArea(const char* alias)
{
    const EngineLock engineLock;
    if (!alias || !*alias) return E().selected;
    return std::uint16_t(FindArea(alias));
}

const char* dbe_Alias()
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    E().alias = a ? a->alias() : std::string();
    return E().alias.c_str();
}

int dbe_Close()
{
    const EngineLock engineLock;
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
    const EngineLock engineLock;
    if (Refused()) return 0;
    WorkArea* a = NeedSound();
    if (!a) return 0;
    // A move that succeeds leaves no earlier failure standing.
    SetLastError("");
    if (move(*a)) return 1;
    const std::string failed = a->TakeReadError();
    return failed.empty() ? 0 : Fail(failed);
}

}  // namespace

int dbe_GoTop() { return MoveCurrent([](WorkArea& a) { return a.GoTop(); }); }

int dbe_GoBottom() { return MoveCurrent([](WorkArea& a) { return a.GoBottom(); }); }

int dbe_Skip(long n) { return MoveCurrent([n](WorkArea& a) { return a.Skip(n); }); }

int dbe_Go(uint32_t recno) { return MoveCurrent([recno](WorkArea& a) { return a.Go(recno); }); }

int dbe_Bof()
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    return a ? a->bof() : 1;
}

int dbe_Eof()
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    return a ? a->eof() : 1;
}

uint32_t dbe_RecNo()
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    return a ? a->RecNo() : 0;
}

uint32_t dbe_RecCount()
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    return a ? a->RecCount() : 0;
}

int dbe_RecSize()
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    return a ? int(a->recordLength()) : 0;
}

// ---------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------

int dbe_GetRecord(char* buffer)
{
    const EngineLock engineLock;
    WorkArea* a = Need();
    if (!a || !buffer) return 0;
    std::memcpy(buffer, a->buffer(), a->recordLength());
    return 1;
}

int dbe_PutRecord(const char* buffer)
{
    const EngineLock engineLock;
    if (Refused()) return 0;
    WorkArea* a = NeedSound();
    if (!a || !buffer) return 0;
    std::string error;
    return a->PutRecord(buffer, error) ? 1 : Fail(error);
}

int dbe_AppendBlank()
{
    const EngineLock engineLock;
    if (Refused()) return 0;
    WorkArea* a = NeedSound();
    if (!a) return 0;
    std::string error;
    return a->AppendBlank(error) ? 1 : Fail(error);
}

int dbe_Append() { const EngineLock engineLock; return dbe_AppendBlank(); }

int dbe_Commit()
{
    const EngineLock engineLock;
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    std::string error;
    bool ok = a->table().Commit(error);
    if (ok) error = a->table().Indexes().TakeError();
    return ok && error.empty() ? 1 : Fail(error);
}

int dbe_WriteAppended()
{
    const EngineLock engineLock;
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    std::string error;
    return a->table().WriteAppended(error) ? 1 : Fail(error);
}

int dbe_Delete()
{
    const EngineLock engineLock;
    if (Refused()) return 0;
    WorkArea* a = NeedSound();
    if (!a) return 0;
    std::string error;
    return a->SetDeletedFlag(true, error) ? 1 : Fail(error);
}

int dbe_Recall()
{
    const EngineLock engineLock;
    if (Refused()) return 0;
    WorkArea* a = NeedSound();
    if (!a) return 0;
    std::string error;
    return a->SetDeletedFlag(false, error) ? 1 : Fail(error);
}

int dbe_Deleted()
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    return a && !a->eof() && a->buffer()[0] == '*' ? 1 : 0;
}

int dbe_Rlock(uint32_t recno)
{
    const EngineLock engineLock;
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
    const EngineLock engineLock;
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    a->table().Unlock(recno, a->number());
    return 1;
}

int dbe_Pack()
{
    const EngineLock engineLock;
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
    const EngineLock engineLock;
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

int dbe_SetExact(int on) { const EngineLock engineLock; return SwitchSetting(Settings().exact, on); }

int dbe_SetSoftSeek(int on) { const EngineLock engineLock; return SwitchSetting(Settings().softSeek, on); }

int dbe_SetDeleted(int on) { const EngineLock engineLock; return SwitchSetting(Settings().deleted, on); }

int dbe_SetCentury(int on) { const EngineLock engineLock; return SwitchSetting(Settings().date.century, on); }

int dbe_SetDateFormat(int code)
{
    const EngineLock engineLock;
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
    const EngineLock engineLock;
    int previous = Settings().lockTimeout;
    Settings().lockTimeout = std::max(0, seconds);
    return previous;
}

int dbe_SetMemoBlockSize(int size)
{
    const EngineLock engineLock;
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
    const EngineLock engineLock;
    WorkArea* a = Current();
    if (!a) return 0;
    int previous = a->turboRead;
    a->turboRead = on != 0;
    return previous;
}

int dbe_SetTranslate(int on)
{
    const EngineLock engineLock;
    int previous = Settings().translate;
    Settings().translate = on != 0;
    return previous;
}

int dbe_SetPassword(const char* password)
{
    const EngineLock engineLock;
    Settings().password = password ? password : "";
    return 1;
}

int dbe_IsEncrypted(uint16_t) { const EngineLock engineLock; return 0; }

void dbe_SetGaugeHook(DbeGaugeHook hook, void* context)
{
    const EngineLock engineLock;
    E().gaugeHook = hook;
    E().gaugeContext = hook ? context : nullptr;
}

// ---------------------------------------------------------------------------
// System properties
// ---------------------------------------------------------------------------

intptr_t dbe_SysProp(int code, intptr_t value)
{
    const EngineLock engineLock;
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
        return a ? intptr_t(a->ListOrders().size()) : 0;
    }
    case DBE_PROP_ORDER_USABLE: {
        WorkArea* a = Need();
        if (!a) return 0;
        const std::vector<WorkArea::OrderRef> orders = a->ListOrders();
        const int order = value == 0 ? a->orderNumber() : int(value);
        if (order < 1 || std::size_t(order) > orders.size())
            return Fail("Ordnung " + std::to_string(order) + " gibt es nicht");
        const WorkArea::OrderRef& ref = orders[std::size_t(order - 1)];
        TagOrder probe(a->table(), ref.file, ref.tag->spec.name);
        std::string why;
        if (!probe.Usable(why)) return Fail(why);
        SetLastError("");
        return 1;
    }
    case DBE_PROP_RECBUFFER: {
        WorkArea* a = Current();
        return a ? reinterpret_cast<intptr_t>(a->buffer()) : 0;
    }
    case DBE_PROP_AREA_IN_USE:
        return value >= 1 && value <= kMaxArea && E().areas[std::size_t(value)] ? 1 : 0;
    case DBE_PROP_MULTI_TAG: {
        WorkArea* a = Current();
        return a && !a->ListOrders().empty() ? 1 : 0;
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
