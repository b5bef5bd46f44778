// The dbe_ functions that create tables and copy or append between them.
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
#include "platform/dbf/table_indexes.h"
#include "platform/dbf/work_area.h"

using namespace dbf;
using namespace dbf::engine;

// ---------------------------------------------------------------------------
// Creating, copying, appending
// ---------------------------------------------------------------------------

uint16_t dbe_CreateNew(const char* file, const char* alias, int type, int fieldCount)
{
    const EngineLock engineLock;
    if (Refused()) return 0;
    Engine& e = E();
    SetLastError("");
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
    const EngineLock engineLock;
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
    const EngineLock engineLock;
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
    const EngineLock engineLock;
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
    const EngineLock engineLock;
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
        dbfexpr::ExprError fault;
        filter = dbfexpr::Expression::Compile(condition, source->Indexes().Fields(), fault);
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
    if (!problems.empty()) SetLastError("Nicht übernommene Werte, zuerst " + problems);
    a->GoBottom();
    return 1;
}

