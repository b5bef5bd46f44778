#include "storage/tdbe.h"

#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/data/table.h"
#include "platform/dbf/dbe.h"
#include "storage/bridge_state.h"

#include <QFile>

#include <cstring>
#include <optional>

namespace {

bool g_translate = false;

QByteArray Enc(const QString& text) { return Win1252EncodeOrThrow(text); }

QString Dec(const char* bytes) { return Win1252Decode(QByteArrayView(bytes ? bytes : "")); }

// The file name the engine opens: a Windows-form (or Linux) path resolved
// over the drive map; nullopt when its drive is not mapped. An empty name
// stays empty (the engine's "none"). A Linux path joined the Windows way
// ("/home/anna/Alben\BILDER.DBF") has its "\" read as "/": WinToLinux
// takes a Linux path as it stands.
std::optional<QByteArray> EngineFile(const QString& file)
{
    if (file.isEmpty())
        return QByteArray();
    QString p = file;
    if (p.startsWith(u'/'))
        p.replace(u'\\', u'/');
    return WinToLinuxName(p);
}

bool Editing(const TDataSet* ds) { return ds && (ds->State() == dsEdit || ds->State() == dsInsert); }

}  // namespace

bool DbeTranslateFlag() { return g_translate; }

// ---------------------------------------------------------------------------
// TCStringList
// ---------------------------------------------------------------------------

int TCStringList::Add(const QString& text) { return AddBytes(Enc(text)); }

int TCStringList::AddBytes(const QByteArray& bytes)
{
    slots_.push_back(bytes);
    slots_.back().detach();  // own storage: the address stays valid while the list lives
    return Count() - 1;
}

const char* TCStringList::GetPChar(int index) const
{
    if (index < 0 || index >= Count())
        return "";
    return slots_[static_cast<size_t>(index)].constData();
}

// ---------------------------------------------------------------------------
// The work-area half of the call pattern: select the dataset's area on entry,
// select the area that was selected before on exit (also when an exception
// leaves the method).
// ---------------------------------------------------------------------------

class TDbe::TAreaScope {
public:
    explicit TAreaScope(const TDbe& dbe)
    {
        if (!dbe.DataSource())
            return;  // no data source: work on whatever area is selected
        const TDataSet* ds = dbe.DataSet();
        if (ds && ds->Active()) {
            previous_ = dbe_Select(dbe.DataSetArea());
            selected_ = true;
        }
    }
    ~TAreaScope()
    {
        if (selected_)
            dbe_Select(previous_);
    }
    TAreaScope(const TAreaScope&) = delete;
    TAreaScope& operator=(const TAreaScope&) = delete;

private:
    uint16_t previous_ = 0;
    bool selected_ = false;
};

void TDbeDataLink::ActiveChanged() { dbe_->LinkActiveChanged(); }

TDbe::TDbe(TComponent* AOwner) : TComponent(AOwner), dataLink_(this) {}

TDbe::~TDbe()
{
    BeginDestroy();
    dataLink_.SetDataSource(nullptr);
}

TTable* TDbe::Table() const { return dynamic_cast<TTable*>(DataSet()); }

uint16_t TDbe::DataSetArea() const
{
    const TDataSet* ds = DataSet();
    return ds && ds->Active() ? static_cast<uint16_t>(ds->Handle()) : 0;
}

bool TDbe::IsActive() const
{
    const TDataSet* ds = DataSet();
    return ds && ds->Active();
}

uint32_t TDbe::SyncRecNo()
{
    if (!IsActive())
        return 0;
    const uint32_t engine = dbe_RecNo();
    const uint32_t mine = RecNo();
    if (mine == engine || mine == dbe_RecCount() + 1)
        return 0;
    dbe_Go(mine);
    return engine;
}

void TDbe::RestoreRecNo(uint32_t saved)
{
    if (saved != 0 && IsActive())
        dbe_Go(saved);
}

void TDbe::BrowseMode()
{
    if (!IsActive())
        return;
    DataSet()->CheckBrowseMode();
    DataSet()->UpdateCursorPos();
}

void TDbe::RefreshDataSet()
{
    if (IsActive())
        DataSet()->Refresh();
}

void TDbe::RefreshIndexDefs()
{
    if (TTable* t = Table(); t && t->Active())
        t->IndexDefs().Update();
}

void TDbe::SetTableIndexName(const QString& name)
{
    TTable* t = Table();
    if (!t || !t->Active())
        return;
    // The engine's order may have changed behind the table's back: a name
    // the table already holds still needs the view re-read.
    if (t->IndexName() == name && t->IndexFieldNames().isEmpty())
        t->Refresh();
    else
        t->SetIndexName(name);
}

// Runs `f` on the component's record and puts the engine back on the record
// it stood on, also when `f` throws.
template <class F>
static auto OnRecord(TDbe& dbe, uint32_t (TDbe::*sync)(), void (TDbe::*restore)(uint32_t), F f)
{
    struct Restore {
        TDbe& dbe;
        void (TDbe::*restore)(uint32_t);
        uint32_t saved;
        ~Restore() { (dbe.*restore)(saved); }
    } guard{dbe, restore, (dbe.*sync)()};
    return f();
}

// ---------------------------------------------------------------------------
// Properties
// ---------------------------------------------------------------------------

void TDbe::SetExtraIndexes(const TStringList& list)
{
    extraIndexes_.Assign(list);
    if (IsActive())
        OpenExtraIndexes();
}

void TDbe::SetTurboRead(bool on)
{
    TAreaScope scope(*this);
    dbe_SetTurboRead(on ? 1 : 0);
    turboRead_ = on;
}

// ---------------------------------------------------------------------------
// Moves
// ---------------------------------------------------------------------------

void TDbe::GoTop()
{
    TAreaScope scope(*this);
    if (IsActive())
        DataSet()->First();
    else
        dbe_GoTop();
}

void TDbe::GoBottom()
{
    TAreaScope scope(*this);
    if (IsActive())
        DataSet()->Last();
    else
        dbe_GoBottom();
}

int TDbe::Skip(int n)
{
    TAreaScope scope(*this);
    if (IsActive())
        return DataSet()->MoveBy(n);
    return dbe_Skip(n);
}

void TDbe::Insert()
{
    if (TDataSet* ds = DataSet())
        ds->Insert();
}

void TDbe::Delete()
{
    if (TDataSet* ds = DataSet())
        ds->Delete();
}

bool TDbe::Bof() const
{
    if (IsActive())
        return DataSet()->Bof();
    return dbe_Bof() != 0;
}

bool TDbe::Eof() const
{
    if (IsActive())
        return DataSet()->Eof();
    return dbe_Eof() != 0;
}

bool TDbe::Go(uint32_t recno)
{
    TAreaScope scope(*this);
    BrowseMode();
    const bool ok = dbe_Go(recno) != 0;
    RefreshDataSet();
    return ok;
}

// ---------------------------------------------------------------------------
// Record numbers
// ---------------------------------------------------------------------------

uint32_t TDbe::RecNo()
{
    TAreaScope scope(*this);
    if (!IsActive())
        return dbe_RecNo();
    const TBookmark bookmark = DataSet()->GetBookmark();
    return bookmark != 0 ? bookmark : dbe_RecCount() + 1;
}

uint32_t TDbe::RecCount()
{
    TAreaScope scope(*this);
    return dbe_RecCount();
}

int TDbe::RecSize()
{
    TAreaScope scope(*this);
    return dbe_RecSize();
}

uint32_t TDbe::OrderRecNo()
{
    TAreaScope scope(*this);
    return OnRecord(*this, &TDbe::SyncRecNo, &TDbe::RestoreRecNo, [] { return dbe_OrderRecNo(); });
}

uint32_t TDbe::QueryRecCount()
{
    TAreaScope scope(*this);
    const uint32_t count = dbe_QueryRecCount();
    // A count that could not read its order is no count of 0: it fails as
    // the dataset's own reads do, with the engine's reason.
    if (count == 0 && dbe_LastErrorCode() != DBE_ERR_NONE)
        DbiCheck(bridge::MoveFailed());
    return count;
}

// ---------------------------------------------------------------------------
// Fields
// ---------------------------------------------------------------------------

QString TDbe::GetString(const QString& name)
{
    if (IsActive()) {
        if (const TField* field = DataSet()->FindField(name)) {
            QString s = field->AsString();
            if (field->DataType() == ftString && s.size() < field->Size() - 1)
                s += QString(field->Size() - 1 - s.size(), u' ');
            return s;
        }
    }
    TAreaScope scope(*this);
    const QByteArray n = Enc(name);
    return OnRecord(*this, &TDbe::SyncRecNo, &TDbe::RestoreRecNo, [&] { return Dec(dbe_GetString(n)); });
}

int TDbe::GetInteger(const QString& name)
{
    if (IsActive())
        if (const TField* field = DataSet()->FindField(name))
            return field->AsInteger();
    return StrToIntDef(Trim(GetTrimString(name)), 0);
}

long TDbe::GetLong(const QString& name) { return GetInteger(name); }

double TDbe::GetDouble(const QString& name)
{
    if (IsActive())
        if (const TField* field = DataSet()->FindField(name))
            return field->AsFloat();
    return Trim(GetTrimString(name)).toDouble();
}

bool TDbe::GetLogical(const QString& name)
{
    if (IsActive())
        if (const TField* field = DataSet()->FindField(name))
            return field->AsBoolean();
    TAreaScope scope(*this);
    const QByteArray n = Enc(name);
    return OnRecord(*this, &TDbe::SyncRecNo, &TDbe::RestoreRecNo, [&] { return dbe_GetLogical(n) != 0; });
}

QString TDbe::GetTrimString(const QString& name)
{
    TAreaScope scope(*this);
    const QByteArray n = Enc(name);
    return OnRecord(*this, &TDbe::SyncRecNo, &TDbe::RestoreRecNo, [&] { return Dec(dbe_GetTrimString(n)); });
}

bool TDbe::Empty(const QString& name)
{
    TAreaScope scope(*this);
    const QByteArray n = Enc(name);
    return OnRecord(*this, &TDbe::SyncRecNo, &TDbe::RestoreRecNo, [&] { return dbe_Empty(n) != 0; });
}

long TDbe::GetBlobLength(const QString& name)
{
    TAreaScope scope(*this);
    const QByteArray n = Enc(name);
    return OnRecord(*this, &TDbe::SyncRecNo, &TDbe::RestoreRecNo, [&] { return dbe_GetBlobLength(n); });
}

char* TDbe::GetMemo(const QString& name, int n)
{
    TAreaScope scope(*this);
    const QByteArray field = Enc(name);
    return OnRecord(*this, &TDbe::SyncRecNo, &TDbe::RestoreRecNo, [&] { return dbe_GetMemo(field, n); });
}

QString TDbe::EvalString(const QString& expression)
{
    TAreaScope scope(*this);
    const QByteArray e = Enc(expression);
    return OnRecord(*this, &TDbe::SyncRecNo, &TDbe::RestoreRecNo, [&] { return Dec(dbe_EvalString(e)); });
}

int TDbe::FieldCount()
{
    TAreaScope scope(*this);
    return dbe_FieldCount();
}

QString TDbe::FieldName(int n)
{
    TAreaScope scope(*this);
    return Dec(dbe_FieldName(n));
}

QString TDbe::FieldType(const QString& name)
{
    TAreaScope scope(*this);
    const char c = dbe_FieldType(Enc(name));
    return c ? QString(QChar::fromLatin1(c)) : QString();
}

int TDbe::FieldWidth(const QString& name)
{
    TAreaScope scope(*this);
    return dbe_FieldWidth(Enc(name));
}

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------

bool TDbe::Replace(const QString& name, int type, const void* value)
{
    if (!value)
        return false;
    switch (type) {
    case DBE_REPL_INT:
    case DBE_REPL_LONG:
    case DBE_REPL_DOUBLE:
    case DBE_REPL_LOGICAL:
    case DBE_REPL_TEXT:
    case DBE_REPL_TEXT2:
    case DBE_REPL_DATE: return FieldPath(name, type, value);
    case DBE_REPL_DTOS:
    case DBE_REPL_MEMO:
    case DBE_REPL_FILETEXT:
    case DBE_REPL_FILEBLOB: return EnginePath(name, type, value);
    default: return false;
    }
}

bool TDbe::Replace(const QString& name, int type, const QString& text)
{
    const QByteArray bytes = Enc(text);
    return Replace(name, type, static_cast<const void*>(bytes.constData()));
}

bool TDbe::FieldPath(const QString& name, int type, const void* value)
{
    if (!IsActive())
        return false;
    TField* field = DataSet()->FindField(name);
    if (!field)
        return false;
    switch (type) {
    case DBE_REPL_INT:
    case DBE_REPL_LONG: {
        int32_t v;
        std::memcpy(&v, value, sizeof v);
        field->SetAsInteger(v);
        break;
    }
    case DBE_REPL_DOUBLE: {
        double v;
        std::memcpy(&v, value, sizeof v);
        field->SetAsFloat(v);
        break;
    }
    case DBE_REPL_LOGICAL: field->SetAsBoolean(*static_cast<const unsigned char*>(value) != 0); break;
    case DBE_REPL_DATE: {
        const QString text = Trim(Dec(static_cast<const char*>(value)));
        // An empty date text (also the format's separators alone) clears the date.
        QString digits = text;
        digits.remove(FormatSettings().DateSeparator);
        if (Trim(digits).isEmpty())
            field->Clear();
        else
            field->SetAsDateTime(StrToDate(text));
        break;
    }
    default: field->SetAsString(Dec(static_cast<const char*>(value))); break;
    }
    return true;
}

bool TDbe::EnginePath(const QString& name, int type, const void* value)
{
    TAreaScope scope(*this);
    TDataSet* ds = IsActive() ? DataSet() : nullptr;
    const bool wasEditing = Editing(ds);
    if (wasEditing)
        ds->Post();
    const QByteArray field = Enc(name);
    QByteArray file;
    if (type == DBE_REPL_FILETEXT || type == DBE_REPL_FILEBLOB) {
        const std::optional<QByteArray> path = EngineFile(Dec(static_cast<const char*>(value)));
        if (!path || path->isEmpty())
            return false;
        file = *path;
        value = file.constData();
    }
    const uint32_t saved = SyncRecNo();
    const bool ok = dbe_Replace(field, type, value) != 0;
    RestoreRecNo(saved);
    if (ds) {
        ds->Refresh();
        if (wasEditing)
            ds->Edit();
    }
    return ok;
}

bool TDbe::PutRecord(const char* buffer)
{
    TAreaScope scope(*this);
    BrowseMode();
    const uint32_t saved = SyncRecNo();
    const bool ok = dbe_PutRecord(buffer) != 0;
    RestoreRecNo(saved);
    RefreshDataSet();
    return ok;
}

bool TDbe::GetRecord(char* buffer)
{
    TAreaScope scope(*this);
    return OnRecord(*this, &TDbe::SyncRecNo, &TDbe::RestoreRecNo, [&] { return dbe_GetRecord(buffer) != 0; });
}

// ---------------------------------------------------------------------------
// Deletion and whole table
// ---------------------------------------------------------------------------

bool TDbe::Deleted()
{
    TAreaScope scope(*this);
    if (IsActive() && DataSet()->State() == dsCalcFields)
        return dbe_Deleted() != 0;
    if (static_cast<int>(recBuffer_.size()) != dbe_RecSize())
        AllocRecBuffer();
    if (recBuffer_.empty())
        return false;
    const bool read =
        OnRecord(*this, &TDbe::SyncRecNo, &TDbe::RestoreRecNo, [&] { return dbe_GetRecord(recBuffer_.data()) != 0; });
    if (!read)
        return false;
    return recBuffer_[0] != ' ' && recBuffer_[0] != 'E';
}

bool TDbe::Recall()
{
    TAreaScope scope(*this);
    BrowseMode();
    const uint32_t saved = SyncRecNo();
    const bool ok = dbe_Recall() != 0;
    RestoreRecNo(saved);
    RefreshDataSet();
    return ok;
}

bool TDbe::Pack() { return WholeTable(dbe_Pack); }

bool TDbe::Zap() { return WholeTable(dbe_Zap); }

bool TDbe::WholeTable(int (*change)())
{
    TAreaScope scope(*this);
    BrowseMode();
    const bool ok = change() != 0;
    packFailure_ = ok ? QString() : QString::fromLocal8Bit(dbe_LastError());
    RefreshDataSet();
    return ok;
}

// ---------------------------------------------------------------------------
// Orders
// ---------------------------------------------------------------------------

int TDbe::IndexOrd()
{
    TAreaScope scope(*this);
    return dbe_IndexOrd();
}

QString TDbe::TagName(int order)
{
    TAreaScope scope(*this);
    return Dec(dbe_TagName(order));
}

QString TDbe::IndexName(int order)
{
    TAreaScope scope(*this);
    return QFile::decodeName(QByteArray(dbe_IndexName(order)));
}

QString TDbe::IndexKey(int order)
{
    TAreaScope scope(*this);
    return Dec(dbe_IndexKey(order));
}

QString TDbe::IndexKeyField(int order)
{
    TAreaScope scope(*this);
    return Dec(dbe_IndexKeyField(order));
}

bool TDbe::OrderUsable(int order, QString* why)
{
    TAreaScope scope(*this);
    if (dbe_SysProp(DBE_PROP_ORDER_USABLE, order) == 1)
        return true;
    if (why)
        *why = QString::fromUtf8(dbe_LastError());
    return false;
}

int TDbe::SetOrder(int order)
{
    TAreaScope scope(*this);
    const int previous = dbe_IndexOrd();
    orderError_.clear();
    TTable* t = Table();
    const bool active = t && t->Active();
    QString name;
    if (active) {
        // The definitions are read again when they no longer match the
        // engine's orders (tags made or opened behind the table's back).
        const int count = static_cast<int>(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0));
        const TIndexDefs& current = t->IndexDefs();
        if (current.Count() != count ||
            (order > 0 && order <= count &&
             current.Items(order - 1).Name.compare(Dec(dbe_TagName(order)), Qt::CaseInsensitive) != 0))
            RefreshIndexDefs();
        const TIndexDefs& defs = t->IndexDefs();
        if (order < 0 || order > defs.Count())
            return previous;
        name = order == 0 ? QString() : defs.Items(order - 1).Name;
    } else if (order < 0 || order > dbe_SysProp(DBE_PROP_ORDER_COUNT, 0)) {
        return previous;
    }
    if (order > 0 && !OrderUsable(order, &orderError_))
        return previous;
    if (active) {
        BrowseMode();
        dbe_SetOrder(order);
        SetTableIndexName(name);
    } else {
        dbe_SetOrder(order);
    }
    return previous;
}

int TDbe::TagArea(const QString& tag)
{
    TAreaScope scope(*this);
    const int order = dbe_TagArea(Enc(tag));
    if (order > 0)
        SetOrder(order);
    return order;
}

int TDbe::IndexOpen(const QString& file)
{
    const std::optional<QByteArray> path = EngineFile(file);
    if (!path)
        return 0;
    TAreaScope scope(*this);
    BrowseMode();
    const int order = dbe_IndexOpen(*path);
    RefreshIndexDefs();
    if (order > 0)
        SetTableIndexName(Dec(dbe_TagName(order)));
    return order;
}

bool TDbe::IndexClose()
{
    TAreaScope scope(*this);
    BrowseMode();
    const bool ok = dbe_IndexClose() != 0;
    RefreshIndexDefs();
    SetTableIndexName(Dec(dbe_TagName(0)));
    return ok;
}

int TDbe::IndexTag(const QString& file, const QString& tag, const QString& key, int option, int unique,
                   const QString& condition)
{
    const std::optional<QByteArray> path = EngineFile(file);
    if (!path)
        return 0;
    TCStringList texts;
    texts.Add(tag);
    texts.Add(key);
    texts.Add(condition);
    TAreaScope scope(*this);
    BrowseMode();
    const int answer = dbe_IndexTag(path->constData(), texts.GetPChar(0), texts.GetPChar(1), option, unique,
                                    texts.GetPChar(2));
    RefreshIndexDefs();
    if (answer > 0)
        SetTableIndexName(tag);
    return answer;
}

// ---------------------------------------------------------------------------
// Seek and scope
// ---------------------------------------------------------------------------

bool TDbe::Seek(const QString& key)
{
    const QByteArray k = Enc(key);
    TAreaScope scope(*this);
    BrowseMode();
    const bool hit = dbe_Seek(k) != 0;
    seekError_.clear();
    if (!hit && dbe_LastErrorCode() != DBE_ERR_NONE && dbe_LastErrorCode() != DBE_ERR_REFUSED) {
        // Neither found nor not found: the area stands where it stood.
        seekError_ = QString::fromUtf8(dbe_LastError());
        return false;
    }
    if (IsActive()) {
        if (hit) {
            DataSet()->Refresh();
        } else {
            DataSet()->Last();
            DataSet()->Next();
        }
    }
    return hit;
}

bool TDbe::Found()
{
    TAreaScope scope(*this);
    return dbe_Found() != 0;
}

bool TDbe::SetScope(const QString& low, const QString& high)
{
    TCStringList texts;
    texts.Add(low);
    texts.Add(high);
    TAreaScope scope(*this);
    BrowseMode();
    const bool ok = dbe_SetScope(texts.GetPChar(0), texts.GetPChar(1)) != 0;
    if (IsActive()) {
        DataSet()->Refresh();
        DataSet()->First();
    }
    return ok;
}

QString TDbe::GetScope(int which)
{
    TAreaScope scope(*this);
    return Dec(dbe_GetScope(which));
}

// ---------------------------------------------------------------------------
// Queries
// ---------------------------------------------------------------------------

int TDbe::Query(const QString& expression)
{
    filter_ = expression;
    if (!IsActive())
        return 0;
    TCStringList texts;
    texts.Add(expression);
    TAreaScope scope(*this);
    BrowseMode();
    const int answer = dbe_Query(texts.GetPChar(0));
    DataSet()->Refresh();
    return answer;
}

QString TDbe::DBFilter()
{
    TAreaScope scope(*this);
    return Dec(dbe_DBFilter());
}

bool TDbe::SetQueryBit(uint32_t recno, bool flag)
{
    TAreaScope scope(*this);
    return dbe_SetQueryBit(recno, flag ? 1 : 0) != 0;
}

// ---------------------------------------------------------------------------
// Files and settings
// ---------------------------------------------------------------------------

bool TDbe::BlobToFile(const QString& field, const QString& file)
{
    const std::optional<QByteArray> path = EngineFile(file);
    if (!path || path->isEmpty())
        return false;
    const QByteArray name = Enc(field);
    TAreaScope scope(*this);
    return OnRecord(*this, &TDbe::SyncRecNo, &TDbe::RestoreRecNo, [&] { return dbe_BlobToFile(name, *path) != 0; });
}

bool TDbe::CopyFile(const QString& file)
{
    const std::optional<QByteArray> path = EngineFile(file);
    if (!path || path->isEmpty())
        return false;
    TAreaScope scope(*this);
    BrowseMode();
    const uint32_t before = dbe_RecNo();
    const bool ok = dbe_CopyFile(*path) != 0;
    if (dbe_RecNo() != before)
        dbe_Go(before);
    return ok;
}

bool TDbe::AppendFrom(const QString& file, int mode, const QString& condition)
{
    const std::optional<QByteArray> path = EngineFile(file);
    if (!path || path->isEmpty())
        return false;
    const QByteArray cond = Enc(condition);
    TAreaScope scope(*this);
    BrowseMode();
    const bool ok = dbe_AppendFrom(*path, mode, cond) != 0;
    RefreshDataSet();
    return ok;
}

QString TDbe::Alias()
{
    TAreaScope scope(*this);
    return Dec(dbe_Alias());
}

bool TDbe::IsEncrypted(uint16_t area) { return dbe_IsEncrypted(area) != 0; }

bool TDbe::SetPassword(const QString& password)
{
    const QByteArray p = Enc(password);
    TAreaScope scope(*this);
    return dbe_SetPassword(p) != 0;
}

void TDbe::SetTranslate(bool flag)
{
    g_translate = flag;
    TAreaScope scope(*this);
    dbe_SetTranslate(flag ? 1 : 0);
}

void TDbe::SetGaugeHook(TProgress progress)
{
    // The engine keeps one hook for the process; the callback it calls
    // lives here until the next call replaces it.
    static TProgress current;
    current = std::move(progress);
    if (current)
        dbe_SetGaugeHook([](void*, uint32_t done, uint32_t total) { current(done, total); }, nullptr);
    else
        dbe_SetGaugeHook(nullptr, nullptr);
}

void TDbe::MemDealloc(char* text) { dbe_MemDealloc(text); }

uint16_t TDbe::SelectArea(uint16_t area) { return area > 0 ? dbe_Select(area) : 0; }

// ---------------------------------------------------------------------------
// Creation
// ---------------------------------------------------------------------------

bool TDbe::CreateNew(const QString& file, int type, int fieldCount)
{
    const std::optional<QByteArray> path = EngineFile(file);
    if (!path || path->isEmpty())
        return false;
    const uint16_t previous = dbe_WorkArea(nullptr);
    createArea_ = dbe_CreateNew(*path, "XXXXXXXXXX", type, fieldCount);
    dbe_Select(previous);
    return createArea_ != 0;
}

bool TDbe::CreateField(const QString& name, char type, int width, int decimals)
{
    if (createArea_ == 0)
        return false;
    const QByteArray n = Enc(name);
    const uint16_t previous = dbe_Select(createArea_);
    const bool ok = dbe_CreateField(n, type, width, decimals) != 0;
    dbe_Select(previous);
    return ok;
}

bool TDbe::CreateExec()
{
    if (createArea_ == 0)
        return false;
    const uint16_t previous = dbe_Select(createArea_);
    const bool ok = dbe_CreateExec() != 0;
    if (ok)
        dbe_Close();
    dbe_Select(previous);
    createArea_ = 0;
    return ok;
}

// ---------------------------------------------------------------------------
// Setup
// ---------------------------------------------------------------------------

void TDbe::OpenExtraIndexes()
{
    TAreaScope scope(*this);
    int remembered = dbe_IndexOrd();
    SetOrder(0);
    const TTable* t = Table();
    const TTableType type = t ? t->TableType() : ttDefault;
    for (int i = 0; i < extraIndexes_.Count(); ++i) {
        QString name = Trim(extraIndexes_[i]);
        if (name.isEmpty())
            continue;
        if (ExtractFileExt(name).isEmpty()) {
            if (type == ttDXNTX || type == ttRXNTX)
                name += QStringLiteral(".NTX");
            else if (type == ttDXNSX)
                name += QStringLiteral(".NSX");
            else if (type == ttDXFOX || type == ttRXFOX)
                // The engine keeps FoxPro indexes as compound files: a
                // single-index name falls back to its .CDX when no .IDX exists.
                name += FileExists(name + QStringLiteral(".IDX")) || !FileExists(name + QStringLiteral(".CDX"))
                            ? QStringLiteral(".IDX")
                            : QStringLiteral(".CDX");
        }
        const int order = IndexOpen(name);
        if (remembered == 0 && order > 0)
            remembered = order;
    }
    SetOrder(remembered);
}

void TDbe::AllocRecBuffer()
{
    TAreaScope scope(*this);
    const int size = dbe_RecSize();
    recBuffer_.assign(static_cast<size_t>(size > 0 ? size : 0), ' ');
}

void TDbe::PostIfEditing()
{
    if (TDataSet* ds = DataSet(); Editing(ds))
        ds->Post();
}

void TDbe::LinkActiveChanged()
{
    if (IsActive()) {
        if (!filter_.isEmpty())
            Query(filter_);
        if (extraIndexes_.Count() > 0)
            OpenExtraIndexes();
        AllocRecBuffer();
    }
}
