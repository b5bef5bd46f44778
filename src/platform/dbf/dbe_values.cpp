// The dbe_ functions of fields: their descriptions and their values.
#include <algorithm>
#include <array>
#include <cerrno>
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
// Fields
// ---------------------------------------------------------------------------

int dbe_FieldCount()
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    return a ? int(a->table().fields().size()) : 0;
}

const char* dbe_FieldName(int n)
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    E().fieldName.clear();
    if (a && n >= 1 && std::size_t(n) <= a->table().fields().size())
        E().fieldName = a->table().fields()[std::size_t(n - 1)].name;
    return E().fieldName.c_str();
}

int dbe_FieldNum(const char* name)
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    if (!a) return 0;
    const auto& fields = a->table().fields();
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (name && FieldNameEquals(fields[i].name, name)) return int(i + 1);
    return 0;
}

char dbe_FieldType(const char* name)
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    const FieldDef* f = a ? a->FindField(name) : nullptr;
    return f ? f->type : '\0';
}

int dbe_FieldWidth(const char* name)
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    const FieldDef* f = a ? a->FindField(name) : nullptr;
    return f ? int(f->width) : 0;
}

int dbe_FieldDecimals(const char* name)
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    const FieldDef* f = a ? a->FindField(name) : nullptr;
    return f ? int(f->decimals) : 0;
}

int dbe_FieldOffset(const char* name)
{
    const EngineLock engineLock;
    WorkArea* a = Current();
    const FieldDef* f = a ? a->FindField(name) : nullptr;
    return f ? int(f->offset + 1) : 0;
}

const char* dbe_GetString(const char* name)
{
    const EngineLock engineLock;
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
    const EngineLock engineLock;
    std::string& t = E().trimText;
    t = dbe_GetString(name);
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return t.c_str();
}

const char* dbe_GetDateString(const char* name)
{
    const EngineLock engineLock;
    Engine& e = E();
    e.dateText.clear();
    WorkArea* a = Need();
    const FieldDef* f = a ? NeedField(a, name) : nullptr;
    if (f) e.dateText = FormatDate(a->FieldBytes(*f), Settings().date);
    return e.dateText.c_str();
}

int dbe_GetLogical(const char* name)
{
    const EngineLock engineLock;
    WorkArea* a = Need();
    const FieldDef* f = a ? NeedField(a, name) : nullptr;
    if (!f) return 0;
    char c = a->FieldBytes(*f)[0];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

int dbe_Empty(const char* name)
{
    const EngineLock engineLock;
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
    const EngineLock engineLock;
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
    const EngineLock engineLock;
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

void dbe_MemDealloc(char* memo) { const EngineLock engineLock; std::free(memo); }

int dbe_BlobToFile(const char* name, const char* file)
{
    const EngineLock engineLock;
    WorkArea* a = Need();
    const FieldDef* f = a ? NeedField(a, name) : nullptr;
    if (!f) return 0;
    if (!f->IsMemo()) return Fail("Feld " + f->name + " ist kein Memofeld");
    if (!file || !*file) return Fail("Kein Dateiname angegeben");
    std::string data, error;
    if (!a->table().ReadMemo(*f, a->buffer(), data, nullptr, error)) return Fail(error);
    // Only a plain file is written: a link at the name is refused, never
    // written through to whatever it points to, and so is a pipe or device
    // (O_NONBLOCK keeps a pipe without reader from holding the open). The
    // old contents are cut off only once it is known to be a plain file.
    FileHandle fd(::open(file, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
    if (!fd.valid() && errno == ELOOP)
        return Fail(std::string("Datei ") + file + " ist ein Verweis und wird nicht überschrieben");
    struct stat st;
    if (fd.valid() && (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)))
        return Fail(std::string("Datei ") + file + " ist keine gewöhnliche Datei und wird nicht überschrieben");
    if (!fd.valid() || !WriteAt(fd.get(), data.data(), data.size(), 0) || ::ftruncate(fd.get(), off_t(data.size())) != 0)
        return Fail(std::string("Datei ") + file + " lässt sich nicht schreiben: " + ErrnoText());
    return 1;
}

int dbe_Replace(const char* name, int type, const void* value)
{
    const EngineLock engineLock;
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
    const EngineLock engineLock;
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

