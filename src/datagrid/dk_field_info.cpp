#include "datagrid/dk_field_info.h"

#include "datagrid/dk_db_grid.h"
#include "datagrid/dk_intl.h"
#include "datagrid/dk_locate.h"
#include "datagrid/dk_memo_dialog.h"
#include "datagrid/dk_messages.h"
#include "datagrid/dk_query.h"
#include "datagrid/dk_strings.h"
#include "datagrid/dk_table.h"
#include "datagrid/picture_validator.h"
#include "platform/core/string_list.h"
#include "platform/ui/control.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"
#include "storage/database_bridge.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace {

TdkPublished* Published(TDataSet* ds) { return dynamic_cast<TdkPublished*>(ds); }

TStringList* PublishedList(TDataSet* ds, const QString& name)
{
    TdkPublished* p = Published(ds);
    return p ? p->PublishedStrings(name) : nullptr;
}

QString FirstPart(const QString& entry, QChar sep) { return entry.section(sep, 0, 0); }

}  // namespace

// ---------------------------------------------------------------------------
// Property readers and writers
// ---------------------------------------------------------------------------

TdkInvalidValueEvent dkGetOnInvalidValue(TDataSet* DataSet)
{
    TdkPublished* p = Published(DataSet);
    TdkInvalidValueEvent* ev = p ? p->PublishedInvalidValue() : nullptr;
    return ev ? *ev : TdkInvalidValueEvent();
}

TStringList* dkGetPictureMasksList(TDataSet* DataSet) { return PublishedList(DataSet, QStringLiteral("PictureMasks")); }
TStringList* dkGetControlTypeList(TDataSet* DataSet) { return PublishedList(DataSet, QStringLiteral("ControlType")); }
TStringList* dkGetLookupFieldsList(TDataSet* DataSet) { return PublishedList(DataSet, QStringLiteral("LookupFields")); }
TStringList* dkGetLookupLinksList(TDataSet* DataSet) { return PublishedList(DataSet, QStringLiteral("LookupLinks")); }

bool dkGetValidateWithMask(TDataSet* DataSet)
{
    TdkPublished* p = Published(DataSet);
    bool value = false;
    return p && p->PublishedBoolean(QStringLiteral("ValidateWithMask"), value) && value;
}

QString dkGetDatabaseName(TDataSet* DataSet)
{
    if (auto* t = dynamic_cast<TTable*>(DataSet))
        return t->DatabaseName();
    if (auto* s = dynamic_cast<TdkStatementDataSet*>(DataSet))
        return s->DatabaseName;
    return QString();
}

TdkOnFilterOptions dkGetFilterOptions(TDataSet* DataSet)
{
    TdkPublished* p = Published(DataSet);
    TdkOnFilterOptions options;
    if (!p || !p->PublishedFilterOptions(options))
        return TdkOnFilterOptions();
    return options;
}

void dkSetFilterEnabled(TDataSet* DataSet, bool Enabled)
{
    TdkPublished* p = Published(DataSet);
    TdkOnFilterOptions options;
    if (!p || !p->PublishedFilterOptions(options))
        return;
    if (Enabled)
        options.Include(ofoEnabled);
    else
        options.Exclude(ofoEnabled);
    p->SetPublishedFilterOptions(options);
}

TdkLookupTableList* dkGetLookupTableList(TDataSet* DataSet)
{
    TdkPublished* p = Published(DataSet);
    return p ? p->LookupTableList() : nullptr;
}

TDataSource* dkGetControlDataSource(TComponent* Component)
{
    if (auto* c = dynamic_cast<TdkDataAwareControl*>(Component))
        return c->GetDataSource();
    // The grid and the memo dialog publish a DataSource without a DataField.
    if (auto* grid = dynamic_cast<TdkCustomDBGrid*>(Component))
        return grid->DataSource();
    if (auto* memo = dynamic_cast<TdkMemoDialog*>(Component))
        return memo->DataSource();
    return nullptr;
}

namespace {

// Only edit controls take a data source or field through these writers.
TdkDataAwareControl* DataAwareEdit(TControl* Control)
{
    if (!dynamic_cast<TEdit*>(Control) && !dynamic_cast<TMemo*>(Control))
        return nullptr;
    return dynamic_cast<TdkDataAwareControl*>(Control);
}

}  // namespace

bool dkSetControlDataSource(TControl* Control, TDataSource* DataSource)
{
    TdkDataAwareControl* c = DataAwareEdit(Control);
    if (!c)
        return false;
    c->SetDataSource(DataSource);
    return true;
}

bool dkSetControlDataField(TControl* Control, const QString& FieldName)
{
    TdkDataAwareControl* c = DataAwareEdit(Control);
    if (!c)
        return false;
    c->SetDataField(FieldName);
    return true;
}

QString dkGetControlDataField(TControl* Control)
{
    TdkDataAwareControl* c = DataAwareEdit(Control);
    return c ? c->GetDataField() : QString();
}

// ---------------------------------------------------------------------------
// Field-info lookups
// ---------------------------------------------------------------------------

void dkGetControlType(TDataSet* DataSet, const QString& FieldName, QString& TypeName, QString& Params)
{
    TypeName.clear();
    Params.clear();
    const TStringList* list = dkGetControlTypeList(DataSet);
    if (!list)
        return;
    // The scan goes on: the last entry naming the field wins.
    for (int i = 0; i < list->Count(); ++i) {
        const QString& entry = (*list)[i];
        if (FirstPart(entry, u';') != FieldName)
            continue;
        TypeName = entry.section(u';', 1, 1);
        Params = entry.section(u';', 2).left(255);
    }
}

bool dkIsEditControlType(const QString& TypeName)
{
    for (const char* t : {"CustomEdit", "LookupCombo", "Combo"})
        if (TypeName.compare(QLatin1String(t), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

namespace {

int FindMaskEntry(const TStringList* list, const QString& fieldName)
{
    for (int i = 0; i < list->Count(); ++i)
        if (FirstPart((*list)[i], u'\t').compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

}  // namespace

void dkGetFieldPictureMask(TDataSet* DataSet, const QString& FieldName, bool CheckTable, QString& Mask,
                           bool& AutoFill, bool& Flag2)
{
    Mask.clear();
    AutoFill = true;
    Flag2 = true;
    TStringList* list = dkGetPictureMasksList(DataSet);
    if (!list)
        return;
    const int i = FindMaskEntry(list, FieldName);
    if (i >= 0) {
        const QStringList parts = (*list)[i].split(u'\t');
        Mask = parts.value(1);
        AutoFill = parts.value(2) == u"T";
        Flag2 = parts.value(3) == u"T";
    }
    if (CheckTable) {
        QString own;
        dkGetTablePictureMask(DataSet, FieldName, own);
        if (!own.isEmpty()) {
            if (i >= 0)
                dkSetFieldPictureMask(DataSet, FieldName, QString(), false, false, true, false, false);
            Mask = own;
        }
    }
}

void dkSetFieldPictureMask(TDataSet* DataSet, const QString& FieldName, const QString& Mask, bool AutoFill,
                           bool Flag2, bool ChangeMask, bool ChangeAutoFill, bool ChangeFlag2)
{
    TStringList* list = dkGetPictureMasksList(DataSet);
    if (!list)
        return;
    QString mask = Mask;
    QString own;
    dkGetTablePictureMask(DataSet, FieldName, own);
    if (!own.isEmpty())
        mask = own;
    const int i = FindMaskEntry(list, FieldName);
    bool autoFill = AutoFill, flag2 = Flag2;
    if (i >= 0) {
        const QStringList parts = (*list)[i].split(u'\t');
        if (!ChangeMask)
            mask = parts.value(1);
        if (!ChangeAutoFill)
            autoFill = parts.value(2) == u"T";
        if (!ChangeFlag2)
            flag2 = parts.value(3) == u"T";
    }
    const QString line = FieldName + u'\t' + mask + u'\t' + dkBoolToTF(autoFill) + u'\t' + dkBoolToTF(flag2);
    if (i >= 0) {
        if (mask.isEmpty())
            list->Delete(i);
        else
            list->SetStrings(i, line);
    } else if (!mask.isEmpty()) {
        list->Add(line);
    }
}

void dkGetTablePictureMask(TDataSet* DataSet, const QString& FieldName, QString& Mask)
{
    Mask.clear();
    auto* t = dynamic_cast<TdkTable*>(DataSet);
    if (t && t->FindField(FieldName))
        Mask = t->GetParadoxPicture(FieldName);
}

namespace {

int FindLookupEntry(const TStringList* fields, const QString& fieldName, int minParts = 0)
{
    for (int i = 0; i < fields->Count(); ++i) {
        const QString& entry = (*fields)[i];
        if (FirstPart(entry, u';') == fieldName && entry.split(u';').size() >= minParts)
            return i;
    }
    return -1;
}

}  // namespace

QString dkGetLookupLink(TDataSet* DataSet, const QString& FieldName)
{
    const TStringList* fields = dkGetLookupFieldsList(DataSet);
    const TStringList* links = dkGetLookupLinksList(DataSet);
    if (!fields || !links)
        return QString();
    const int i = FindLookupEntry(fields, FieldName);
    return i >= 0 && i < links->Count() ? (*links)[i] : QString();
}

QString dkGetLookupFieldsItem(TDataSet* DataSet, const QString& FieldName)
{
    const TStringList* fields = dkGetLookupFieldsList(DataSet);
    if (!fields)
        return QString();
    const int i = FindLookupEntry(fields, FieldName);
    return i >= 0 ? (*fields)[i].section(u';', 3, 3) : QString();
}

void dkGetLookupFieldInfo(TField* Field, QString& DatabaseName, QString& TableName, QString& Links,
                          QString& DisplayField)
{
    TDataSet* ds = Field ? Field->DataSet() : nullptr;
    DatabaseName = dkGetDatabaseName(ds);
    TableName.clear();
    Links.clear();
    DisplayField.clear();
    const TStringList* fields = dkGetLookupFieldsList(ds);
    if (!fields)
        return;
    const int i = FindLookupEntry(fields, Field->FieldName, 5);
    if (i < 0)
        return;
    const QStringList parts = (*fields)[i].split(u';');
    DatabaseName = parts[1];
    TableName = parts[2];
    DisplayField = parts[3];
    const TStringList* links = dkGetLookupLinksList(ds);
    if (links && i < links->Count())
        Links = (*links)[i];
}

bool dkFindColumnEntry(const TStringList* List, const QString& FieldName, int& Index)
{
    if (!List)
        return false;
    for (int i = 0; i < List->Count(); ++i)
        if (FirstPart((*List)[i], u'\t').compare(FieldName, Qt::CaseInsensitive) == 0) {
            Index = i;
            return true;
        }
    return false;
}

bool dkDataSetHasField(TDataSet* DataSet, const QString& FieldName)
{
    if (!DataSet)
        return false;
    for (int i = 0; i < DataSet->FieldCount(); ++i)
        if (DataSet->Fields(i)->FieldName.compare(FieldName, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// Classification
// ---------------------------------------------------------------------------

bool dkIsClassNamed(TDataSet* DataSet, const QString& Name)
{
    if (!DataSet)
        return false;
    QStringList names{QStringLiteral("TDataSet")};
    if (dynamic_cast<TTable*>(DataSet))
        names << QStringLiteral("TTable");
    if (dynamic_cast<TdkTable*>(DataSet))
        names << QStringLiteral("TdkTable");
    if (dynamic_cast<TdkQuery*>(DataSet))
        names << QStringLiteral("TdkQuery");
    if (dynamic_cast<TdkQBE*>(DataSet))
        names << QStringLiteral("TdkQBE");
    if (dynamic_cast<TdkStoredProc*>(DataSet))
        names << QStringLiteral("TdkStoredProc");
    return names.contains(Name, Qt::CaseInsensitive);
}

bool dkIsDkDataSet(TDataSet* DataSet)
{
    if (!DataSet)
        return false;
    for (const char* n : {"TdkTable", "TdkQuery", "TdkQBE", "TdkStoredProc", "TdkClientDataSet"})
        if (dkIsClassNamed(DataSet, QLatin1String(n)))
            return true;
    return dkGetControlTypeList(DataSet) != nullptr;
}

bool dkIsIndexedTable(TDataSet* DataSet)
{
    auto* t = dynamic_cast<TdkTable*>(DataSet);
    return t && t->IndexFieldCount() > 0;
}

bool dkIsTableWithQuery(TDataSet* DataSet)
{
    auto* t = dynamic_cast<TdkTable*>(DataSet);
    return t && t->Query().Count() > 0;
}

bool dkIsCalcOrLookupField(const TField* Field) { return Field && Field->FieldKind == fkCalculated; }

bool dkIsValidTextForType(TFieldType DataType, const QString& Text)
{
    switch (DataType) {
    case ftSmallint:
    case ftInteger:
        return dkIsIntegerText(Text);
    case ftFloat:
        return dkIsFloatText(Text);
    case ftDate:
        return dkIsDateText(Text);
    default:
        return true;
    }
}

bool dkIsValidFieldText(const TField* Field, const QString& Text)
{
    return Field && dkIsValidTextForType(Field->DataType(), Text);
}

bool dkIsValidFieldValue(const TField* Field, const QString& Text)
{
    if (!Field)
        return false;
    if (Text.isEmpty() && (dkIsNumericFieldType(Field->DataType()) || Field->DataType() == ftDate))
        return false;
    return dkIsValidTextForType(Field->DataType(), Text);
}

bool dkIsNumericFieldType(TFieldType DataType)
{
    return DataType == ftSmallint || DataType == ftInteger || DataType == ftFloat;
}

bool dkIsEditKey(int Key) { return Key == 8 || Key == 32 || Key == 46 || (Key >= 48 && Key <= 111) || Key > 145; }

// ---------------------------------------------------------------------------
// Column layout
// ---------------------------------------------------------------------------

void dkApplyColumnsToFields(TDataSet* DataSet, const TStringList* List)
{
    if (!DataSet)
        return;
    TControlsDisabler disabler(DataSet);
    for (int i = 0; i < DataSet->FieldCount(); ++i)
        DataSet->Fields(i)->SetVisible(false);
    if (!List)
        return;
    int position = 0;
    for (int i = 0; i < List->Count(); ++i) {
        const QStringList parts = (*List)[i].split(u'\t');
        TField* f = nullptr;
        for (int k = 0; k < DataSet->FieldCount() && !f; ++k)
            if (DataSet->Fields(k)->FieldName.compare(parts[0], Qt::CaseInsensitive) == 0)
                f = DataSet->Fields(k);
        if (!f)
            continue;
        f->SetVisible(true);
        f->SetIndex(std::min(position++, DataSet->FieldCount() - 1));
        bool ok = false;
        const int width = parts.value(1).toInt(&ok);
        if (ok)
            f->SetDisplayWidth(width);
        f->SetDisplayLabel(parts.value(2));
    }
}

void dkSaveColumnsToList(TDataSet* DataSet, TStringList& List)
{
    List.Clear();
    if (!DataSet)
        return;
    for (int i = 0; i < DataSet->FieldCount(); ++i) {
        const TField* f = DataSet->Fields(i);
        if (f->Visible())
            List.Add(f->FieldName + u'\t' + QString::number(f->DisplayWidth()) + u'\t' + f->DisplayLabel());
    }
}

// ---------------------------------------------------------------------------
// Stale entries
// ---------------------------------------------------------------------------

void dkPurgeFieldLists(TDataSet* DataSet, TStringList* LookupFields, TStringList* LookupLinks,
                       TStringList* ControlType)
{
    if (!DataSet)
        return;
    if (LookupFields)
        for (int i = LookupFields->Count() - 1; i >= 0; --i)
            if (!dkDataSetHasField(DataSet, FirstPart((*LookupFields)[i], u';'))) {
                LookupFields->Delete(i);
                if (LookupLinks && i < LookupLinks->Count())
                    LookupLinks->Delete(i);
            }
    if (ControlType)
        for (int i = ControlType->Count() - 1; i >= 0; --i)
            if (!dkDataSetHasField(DataSet, FirstPart((*ControlType)[i], u';')))
                ControlType->Delete(i);
}

bool dkPurgeControlTypes(TComponent* Owner, TDataSet* DataSet)
{
    // Entries are purged only while a form is being designed, and forms are
    // never designed in this program.
    (void)Owner, (void)DataSet;
    return true;
}

// ---------------------------------------------------------------------------
// Validation before posting
// ---------------------------------------------------------------------------

bool dkTextPassesPicture(const QString& Mask, const QString& Text)
{
    if (Text.isEmpty())
        return true;
    TdkPictureValidator validator(Mask, false);
    QString copy = Text;
    return IsComplete(validator.Picture(copy, false));
}

void dkValidatePictureMasks(TDataSet* DataSet, const TdkInvalidValueEvent& OnInvalid)
{
    for (int i = 0; i < DataSet->FieldCount(); ++i) {
        TField* f = DataSet->Fields(i);
        QString mask;
        bool autoFill = false, flag2 = false;
        dkGetFieldPictureMask(DataSet, f->FieldName, true, mask, autoFill, flag2);
        if (mask.isEmpty() || f->ReadOnly() || dkTextPassesPicture(mask, f->AsString()))
            continue;
        // The control that shows the field takes the focus, so the user
        // can put the value right at once.
        f->FocusControl();
        if (OnInvalid)
            OnInvalid(DataSet, f);
        DatabaseError(dkUserMessage(QStringLiteral("PictureValidateError")) + f->DisplayLabel());
    }
}

// ---------------------------------------------------------------------------
// Other routines
// ---------------------------------------------------------------------------

bool dkLocateFieldValue(TDataSet* DataSet, const QString& Value, const QString& FieldName,
                        TdkLocateMatchType MatchType, bool CaseSensitive)
{
    TField* field = DataSet->FieldByName(FieldName);
    const Qt::CaseSensitivity cs = CaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (!DataSet->IsEmpty() && field->AsString().compare(Value, cs) == 0)
        return true;
    // The locate engine from the first record: along the current index when
    // it answers at once, else a scan straight from the cursor.
    return dkLocateRecord(true, DataSet, FieldName, Value, MatchType, CaseSensitive);
}

TComponent* dkGetOwnerForm(TComponent* Component)
{
    TComponent* c = Component;
    while (c) {
        if (dynamic_cast<TForm*>(c) || !c->Owner())
            return c;
        c = c->Owner();
    }
    return nullptr;
}

void dkNotifyDesignerModified(TComponent* Component)
{
    // No form designer runs in this program: nothing to tell.
    (void)Component;
}

void dkPostLButtonUp()
{
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton))
        return;
    QWidget* target = QWidget::mouseGrabber();
    if (!target)
        target = QApplication::activeWindow();
    if (!target)
        return;
    const QPointF p = target->mapFromGlobal(QCursor::pos());
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonRelease, p, target->mapToGlobal(p),
                                                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

void dkPostShiftedKey(QWidget* Handle, int Key, int ShiftKey)
{
    if (!Handle)
        return;
    Qt::KeyboardModifiers mods = Qt::NoModifier;
    if (ShiftKey == VK_SHIFT)
        mods = Qt::ShiftModifier;
    else if (ShiftKey == VK_CONTROL)
        mods = Qt::ControlModifier;
    else if (ShiftKey == VK_MENU)
        mods = Qt::AltModifier;
    const int qtKey = VirtualKeyToQtKey(static_cast<Word>(Key));
    QCoreApplication::postEvent(Handle, new QKeyEvent(QEvent::KeyPress, qtKey, mods));
    QCoreApplication::postEvent(Handle, new QKeyEvent(QEvent::KeyRelease, qtKey, mods));
}

bool dkCheckFilterEscape(TDataSet* DataSet)
{
    if (!Application->EscapePressed())
        return false;
    dkSetFilterEnabled(DataSet, false);
    return true;
}

QString dkStringsToPChar(const TStringList& Strings, bool OneLine)
{
    return Strings.ToQStringList().join(OneLine ? QStringLiteral(" ") : QStringLiteral("\r\n"));
}

int dkCompareBookmarks(TDataSet* DataSet, TBookmark Bookmark1, TBookmark Bookmark2)
{
    if (DataSet && DataSet->Active() && Dbi()) {
        int result = 0;
        const DBIResult r = Dbi()->DbiCompareBookMarks(
            DataSet->Handle(), reinterpret_cast<const uint8_t*>(&Bookmark1),
            reinterpret_cast<const uint8_t*>(&Bookmark2), result);
        if (r == DBIERR_NONE)
            return result;
        if (r != DBIERR_NOTSUPPORTED)
            DbiCheck(r);
    }
    // A bookmark is the record number: compare the numbers.
    return Bookmark1 < Bookmark2 ? -1 : Bookmark1 > Bookmark2 ? 1 : 0;
}

void dkGetWorkArea(TRect& Rect) { Rect = Screen->WorkAreaRect(); }

bool dkGetAliasPath(const QString& Alias, QString& Path)
{
    // The engine keeps no alias descriptions: the list opens empty.
    (void)Alias;
    Path.clear();
    DbiOpenTableList();
    return false;
}

bool dkPrepareAnswerTable(TDataSet* DataSet, hDBICur Cursor, const QString& AnswerName)
{
    (void)DataSet, (void)Cursor;
    QString name = AnswerName;
    if (name.startsWith(u':')) {
        const QString alias = name.section(u':', 1, 1);
        const QString table = name.section(u':', 2);
        QString path;
        dkGetAliasPath(alias, path);
        if (path.isEmpty()) {
            dkShowMessage(mtError, QStringLiteral("Invalid Alias in QBE"));
            return false;
        }
        name = path + ((path.endsWith(u'\\') || table.startsWith(u'\\')) ? QString() : QStringLiteral("\\")) + table;
    }
    // Copying the answer into a table is not supported by the engine: the
    // call reports itself, and as no table was made the answer is False.
    (void)name;
    DbiBatchMove();
    return false;
}
