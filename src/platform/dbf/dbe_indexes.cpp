// The dbe_ functions of index files, tags, orders, seeks and scopes.
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
    auto orders = a->ListOrders();
    for (std::size_t i = 0; i < orders.size(); ++i)
        if (orders[i].file == file && UpperAscii(orders[i].tag->spec.name) == UpperAscii(tag))
            return int(i + 1);
    return 0;
}

// The order's reference (0 = the current order); null past the last.
const WorkArea::OrderRef* OrderAt(WorkArea* a, int order, std::vector<WorkArea::OrderRef>& orders)
{
    orders = a->ListOrders();
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
    const EngineLock engineLock;
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
    const EngineLock engineLock;
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
    const EngineLock engineLock;
    if (Refused()) return 0;
    WorkArea* a = Need();
    if (!a) return 0;
    a->CloseExtraFiles();
    a->SetOrderNumber(0);
    return 1;
}

int dbe_Reindex()
{
    const EngineLock engineLock;
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
    const EngineLock engineLock;
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
    const EngineLock engineLock;
    WorkArea* a = Current();
    return a ? a->orderNumber() : 0;
}

int dbe_SetOrder(int order)
{
    const EngineLock engineLock;
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
    const EngineLock engineLock;
    WorkArea* a = Current();
    if (!a || !tag) return 0;
    auto orders = a->ListOrders();
    for (std::size_t i = 0; i < orders.size(); ++i)
        if (UpperAscii(orders[i].tag->spec.name) == UpperAscii(tag)) return int(i + 1);
    return 0;
}

const char* dbe_TagName(int order) { const EngineLock engineLock; return OrderText(order, 0); }
const char* dbe_IndexName(int order) { const EngineLock engineLock; return OrderText(order, 1); }
const char* dbe_IndexKey(int order) { const EngineLock engineLock; return OrderText(order, 2); }
const char* dbe_IndexKeyField(int order) { const EngineLock engineLock; return OrderText(order, 3); }

const char* dbe_KeyData()
{
    const EngineLock engineLock;
    Engine& e = E();
    e.tagText.clear();
    WorkArea* a = Current();
    if (a && a->tagOrder() && !a->eof()) e.tagText = a->tagOrder()->KeyText(a->buffer(), a->RecNo());
    return e.tagText.c_str();
}

int dbe_Seek(const char* key)
{
    const EngineLock engineLock;
    if (Refused()) return 0;
    WorkArea* a = NeedSound();
    if (!a) return 0;
    if (!a->tagOrder()) return Fail("Keine Indexordnung aktiv");
    SetLastError("");
    bool found = false;
    if (!a->SeekKey(key ? key : "", found)) return Fail(a->TakeReadError());
    return found ? 1 : 0;
}

int dbe_Found()
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    return a && a->found ? 1 : 0;
}

int dbe_SetScope(const char* low, const char* high)
{
    const EngineLock engineLock;
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
    const EngineLock engineLock;
    Engine& e = E();
    e.scopeText.clear();
    WorkArea* a = Current();
    if (a && a->tagOrder())
        e.scopeText = which == 0 ? a->tagOrder()->scopeLow() : a->tagOrder()->scopeHigh();
    return e.scopeText.c_str();
}

uint32_t dbe_OrderRecNo()
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    if (!a) return 0;
    SetLastError("");
    const uint32_t position = a->OrderPosition();
    const std::string failed = a->TakeReadError();
    return failed.empty() ? position : std::uint32_t(Fail(failed));
}

