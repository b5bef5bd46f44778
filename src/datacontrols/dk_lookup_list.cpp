#include "datacontrols/dk_lookup_list.h"

#include "datacontrols/dk_lookup_combo.h"
#include "datagrid/dk_field_info.h"
#include "datagrid/dk_lookup.h"
#include "datagrid/dk_messages.h"
#include "datagrid/dk_table.h"

#include <QFrame>
#include <QWidget>

namespace {

bool IsNavigationKey(Word key)
{
    return key == VK_PRIOR || key == VK_NEXT || key == VK_END || key == VK_HOME || key == VK_UP || key == VK_DOWN;
}

}  // namespace

TdkDBLookupList::TdkDBLookupList(TComponent* AOwner) : TdkCustomDBGrid(AOwner)
{
    TdkCustomDBGrid::SetDataSource(&lookupSource_);
    fieldLink_.OnDataChange = [this] { FieldDataChange(); };
    fieldLink_.OnUpdateData = [this] {
        if (TField* f = fieldLink_.Field())
            f->SetAsString(LookupValue);
    };
    fieldLink_.OnActiveChange = [this] {
        if (fieldLink_.Active() && DataLink()->Active())
            FieldDataChange();
    };
    SetOptions(TdkDBGridOptions{dgRowSelect});
    SetBounds(Left(), Top(), 121, 97);
}

TdkDBLookupList::~TdkDBLookupList()
{
    fieldLink_.OnDataChange = nullptr;
    fieldLink_.OnUpdateData = nullptr;
    fieldLink_.OnActiveChange = nullptr;
    fieldLink_.SetDataSource(nullptr);
    TdkCustomDBGrid::SetDataSource(nullptr);
}

void TdkDBLookupList::CheckDuplicateSource() const
{
    TDataSource* edited = fieldLink_.DataSource();
    if (edited && (edited == &lookupSource_ || (edited->DataSet() && edited->DataSet() == LookupTable())))
        throw EInvalidOperation(kdkDuplicateSource);
}

void TdkDBLookupList::SetDataSource(TDataSource* source)
{
    if (source && (source == &lookupSource_ || (source->DataSet() && source->DataSet() == LookupTable())))
        throw EInvalidOperation(kdkDuplicateSource);
    fieldLink_.SetDataSource(source);
}

void TdkDBLookupList::SetDataField(const QString& name) { fieldLink_.SetFieldName(name); }

void TdkDBLookupList::SetLookupTable(TDataSet* table)
{
    if (table && ((EditSource() && EditSource()->DataSet() == table) || fieldLink_.DataSet() == table))
        throw EInvalidOperation(kdkDuplicateSource);
    lookupSource_.SetDataSet(table);
    ReadFieldObjects(false);
    LayoutChanged();
}

void TdkDBLookupList::SetLookupField(const QString& names)
{
    lookupField_ = names;
    ReadFieldObjects(false);
    LayoutChanged();
}

void TdkDBLookupList::SetListOptions(TdkDBLookupListOptions options)
{
    if (options == listOptions_)
        return;
    listOptions_ = options;
    TdkDBGridOptions grid{dgRowSelect};
    if (options.Contains(loColLines))
        grid.Include(dgColLines);
    if (options.Contains(loRowLines))
        grid.Include(dgRowLines);
    if (options.Contains(loTitles))
        grid.Include(dgTitles);
    SetOptions(grid);
}

bool TdkDBLookupList::CanChangeValue() { return !fieldLink_.DataSource() || fieldLink_.Editing(); }

void TdkDBLookupList::ReadFieldObjects(bool missingIsError)
{
    displayField_ = lookupFieldObj_ = lookup2_ = lookup3_ = nullptr;
    lookupCount_ = 0;
    TDataSet* table = LookupTable();
    if (!table || !table->Active() || lookupField_.isEmpty())
        return;
    const QStringList parts = lookupField_.split(u';');
    lookupFieldObj_ = table->FindField(parts.value(0).trimmed());
    if (!lookupFieldObj_) {
        if (missingIsError)
            throw EInvalidOperation(QStringLiteral("Feld '%1' nicht gefunden").arg(lookupField_));
        return;
    }
    lookupCount_ = 1;
    if (parts.size() > 1 && (lookup2_ = table->FindField(parts[1].trimmed())))
        ++lookupCount_;
    if (parts.size() > 2 && (lookup3_ = table->FindField(parts[2].trimmed())))
        ++lookupCount_;
    if (Selected().Count() > 0)
        displayField_ = table->FindField(Selected()[0].section(u'\t', 0, 0));
    else if (combo_ && combo_->Linked())
        displayField_ = table->FindField(combo_->LinkedDisplayField());
    if (!displayField_)
        displayField_ = lookupFieldObj_;
}

bool TdkDBLookupList::SeekLookupValue(const QString& value, bool exact)
{
    TDataSet* table = LookupTable();
    Found = false;
    if (!table || !table->Active() || !lookupFieldObj_)
        return false;
    const TdkLocateMatchType match = exact ? mtExactMatch : mtPartialMatchStart;
    if (auto* t = dynamic_cast<TdkTable*>(table)) {
        if (t->IndexFieldCount() > 0 && t->IndexFields(0) == lookupFieldObj_ && !t->MasterSource()) {
            QVariantList values{value};
            if (lookup2_ && t->IndexFieldCount() > 1 && t->IndexFields(1) == lookup2_ && !LookupValue2.isEmpty())
                values << LookupValue2;
            Found = t->FindKeyValues(values);
        } else {
            Found = t->LocateFieldValue(value, lookupFieldObj_->FieldName, match, true);
        }
    } else {
        Found = dkLocateFieldValue(table, value, lookupFieldObj_->FieldName, match, true);
    }
    return Found;
}

void TdkDBLookupList::PositionByValue(const QString& value)
{
    if (fieldLink_.Active() && DataLink()->Active())
        CheckDuplicateSource();
    if (value == LookupValue && CurrentRow >= 0)
        return;
    TDataSet* table = LookupTable();
    if (!table || !table->Active() || !lookupFieldObj_)
        return;
    LookupValue = value;
    CurrentRow = -1;
    const bool found = !value.isEmpty() && SeekLookupValue(value, true);
    if (DisplayIsLookupField()) {
        DisplayText = value;
    } else if (found) {
        DisplayText = displayField_->AsString();
    } else {
        // A value the table does not hold shows as nothing chosen.
        DisplayText.clear();
        LookupValue.clear();
    }
    if (found) {
        LookupValue2 = lookup2_ ? lookup2_->AsString() : QString();
        LookupValue3 = lookup3_ ? lookup3_->AsString() : QString();
    }
    Invalidate();
}

void TdkDBLookupList::LocateByLookupValue(const QString& text)
{
    if (text == DisplayText && CurrentRow >= 0)
        return;
    TDataSet* table = LookupTable();
    if (!table || !table->Active() || !displayField_)
        return;
    CurrentRow = -1;
    const bool found = !LookupValue.isEmpty() && SeekLookupValue(LookupValue, true);
    if (DisplayIsLookupField()) {
        DisplayText = LookupValue;
    } else if (!found) {
        LookupValue.clear();
        DisplayText.clear();
    } else {
        LookupValue = lookupFieldObj_->AsString();
        DisplayText = displayField_->AsString();
    }
}

void TdkDBLookupList::TakeRow()
{
    if (!CanChangeValue() || !displayField_)
        return;
    if (fieldLink_.Editing())
        fieldLink_.Modified();
    DisplayText = displayField_->AsString();
    LookupValue = DisplayIsLookupField() ? DisplayText : lookupFieldObj_->AsString();
    LookupValue2 = lookup2_ ? lookup2_->AsString() : QString();
    LookupValue3 = lookup3_ ? lookup3_->AsString() : QString();
    CurrentRow = DataLink()->ActiveRecord();
    Found = true;
    Invalidate();
    if (OnClick)
        OnClick(this);
}

void TdkDBLookupList::Relink(bool forDropDown)
{
    TDataSet* table = LookupTable();
    if (!table || !table->Active() || !lookupFieldObj_)
        return;
    TDataSet* edited = fieldLink_.DataSet();
    if (edited && edited->State() == dsSetKey)
        return;
    auto* dk = dynamic_cast<TdkTable*>(table);
    if (dk)
        dk->IncBusy();
    Found = false;
    try {
        if (combo_ && combo_->Linked() && dk) {
            Found = dkFindLinkedRecord(dk, combo_->LinkParts(), combo_->DataSource()->DataSet());
            if (forDropDown && !Found)
                table->First();
            dk->DecBusy();
            return;
        }
        // The edited field's value (a popup grid holds it as the lookup value).
        const QString value = fieldLink_.Field() ? fieldLink_.Field()->AsString() : LookupValue;
        if (!value.isEmpty())
            SeekLookupValue(value, true);
        if (forDropDown && !Found)
            table->First();
    } catch (...) {
        if (dk)
            dk->DecBusy();
        throw;
    }
    if (dk)
        dk->DecBusy();
}

void TdkDBLookupList::FieldDataChange()
{
    if (TField* f = fieldLink_.Field())
        PositionByValue(f->AsString());
}

void TdkDBLookupList::LinkActive(bool Value)
{
    TdkCustomDBGrid::LinkActive(Value);
    if (Value) {
        ReadFieldObjects(false);
        PositionByValue(QString());
        FieldDataChange();
    }
}

void TdkDBLookupList::DefineFieldMap()
{
    ReadFieldObjects(false);
    TdkCustomDBGrid::DefineFieldMap();
}

void TdkDBLookupList::InternalLayout()
{
    TdkCustomDBGrid::InternalLayout();
    const int cols = ColCount();
    if (cols <= 0 || Sizing)
        return;
    int sum = 0;
    for (int i = 0; i < cols - 1; ++i)
        sum += ColWidths(i) + (listOptions_.Contains(loColLines) ? 1 : 0);
    if (!(cols > 1 && sum >= ClientWidth() - 15)) {
        // Filling the list's width is no new width of the field.
        ++layoutLock_;
        SetColWidths(cols - 1, std::max(1, ClientWidth() - sum));
        --layoutLock_;
    }
}

bool TdkDBLookupList::HighlightCell(int DataCol, int DataRow, const QString& Value, TGridDrawState State)
{
    (void)DataCol, (void)Value;
    if (inKeyDown_ && CanChangeValue()) {
        if (State.Contains(gdSelected))
            CurrentRow = DataRow;
        return State.Contains(gdSelected);
    }
    if (!lookupFieldObj_ || !DataLink()->Active() || DataRow < 0 || DataRow >= DataLink()->RecordCount())
        return false;
    const int old = DataLink()->ActiveRecord();
    DataLink()->SetActiveRecord(DataRow);
    const bool match = lookupFieldObj_->AsString() == LookupValue &&
                       (!lookup2_ || lookup2_->AsString() == LookupValue2) &&
                       (!lookup3_ || lookup3_->AsString() == LookupValue3);
    DataLink()->SetActiveRecord(old);
    if (match)
        CurrentRow = DataRow;
    return match;
}

void TdkDBLookupList::DataChanged() { TdkCustomDBGrid::DataChanged(); }

void TdkDBLookupList::Scroll(int Distance)
{
    TdkCustomDBGrid::Scroll(Distance);
    if (CurrentRow >= 0) {
        CurrentRow -= Distance;
        if (CurrentRow < 0 || CurrentRow >= DataLink()->RecordCount())
            CurrentRow = -1;
    }
}

void TdkDBLookupList::VertScroll(int code, int pos)
{
    TdkGridDataLink* link = DataLink();
    if (Visible() && link->Active()) {
        TDataSet* ds = link->DataSet();
        // 0: line up, 1: line down, 4: thumb position.
        if (code == 0 || code == 1) {
            if (code == 0)
                ds->MoveBy(-link->ActiveRecord() - 1);
            else
                ds->MoveBy(link->RecordCount() - link->ActiveRecord());
            UpdateVertScrollBar();
            return;
        }
        if (code == 4)
            CurrentRow = -1;
    }
    TdkCustomDBGrid::VertScroll(code, pos);
}

void TdkDBLookupList::KeyDown(Word& Key, TShiftState Shift)
{
    if (Key == VK_INSERT) {
        Key = 0;
        return;
    }
    if (IsNavigationKey(Key) || Key == VK_LEFT || Key == VK_RIGHT) {
        fieldLink_.Edit();
        if ((Key == VK_LEFT || Key == VK_UP || Key == VK_RIGHT || Key == VK_DOWN) && !CanChangeValue()) {
            Key = 0;
            return;
        }
        TDataSet* table = LookupTable();
        if (table && table->Active() && CurrentRow < 0 && !Found && IsNavigationKey(Key)) {
            // No chosen row yet: the first key chooses the first record.
            table->First();
            Invalidate();
            TakeRow();
            Key = 0;
            return;
        }
    }
    const Word key = Key;
    inKeyDown_ = true;
    try {
        TdkCustomDBGrid::KeyDown(Key, Shift);
    } catch (...) {
        inKeyDown_ = false;
        throw;
    }
    inKeyDown_ = false;
    if (IsNavigationKey(key) && CanChangeValue()) {
        Invalidate();
        TakeRow();
    }
}

void TdkDBLookupList::KeyPress(QChar& Key)
{
    TdkCustomDBGrid::KeyPress(Key);
    if (Key == QChar(27)) {
        fieldLink_.Reset();
        Key = QChar();
    }
}

void TdkDBLookupList::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    // A press on a row starts a choice: the edited record goes into edit
    // mode, so the row can be taken.
    const TGridCoord cell = MouseCoord(X, Y);
    if (Button == mbLeft && !Shift.Contains(ssDouble) && cell.Y >= TitleOffset() && DataLink()->Active())
        fieldLink_.Edit();
    TdkCustomDBGrid::MouseDown(Button, Shift, X, Y);
}

void TdkDBLookupList::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TdkCustomDBGrid::MouseUp(Button, Shift, X, Y);
    const TGridCoord cell = MouseCoord(X, Y);
    if (Button == mbLeft && cell.Y >= TitleOffset() && DataLink()->Active())
        TakeRow();
}

void TdkDBLookupList::DoExit()
{
    fieldLink_.UpdateRecord();
    TdkCustomDBGrid::DoExit();
    Invalidate();
}

// ---------------------------------------------------------------------------
// Popup grid
// ---------------------------------------------------------------------------

TdkPopupGrid::TdkPopupGrid(TdkDBCustomLookupCombo* combo) : TdkDBLookupList(combo)
{
    combo_ = combo;
    SetTabStop(false);
    // A borderless tool window of its own, so the list may reach beyond the
    // form; it never takes the focus from the combo.
    Handle()->setParent(nullptr);
    Handle()->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    Handle()->setAttribute(Qt::WA_ShowWithoutActivating);
    if (auto* frame = qobject_cast<QFrame*>(Handle()))
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    SetVisible(false);
}

bool TdkPopupGrid::CanChangeValue() { return combo_->PopupMayChange(); }

void TdkPopupGrid::ApplyVisible()
{
    if (Handle())
        Handle()->setVisible(Visible());
}

void TdkPopupGrid::LinkActive(bool Value)
{
    TdkCustomDBGrid::LinkActive(Value);
    if (!Value)
        return;
    if (!lookupFieldObj_)
        ReadFieldObjects(true);
    PositionByValue(QString());
    combo_->DataChange();
}

void TdkPopupGrid::DataChanged()
{
    TdkDBLookupList::DataChanged();
    auto* table = dynamic_cast<TTable*>(LookupTable());
    TDataSource* edited = combo_->DataSource();
    if (!table || table->MasterFields().isEmpty() || table->State() != dsBrowse || !edited ||
        !edited->DataSet() || !edited->DataSet()->FindField(combo_->DataField()))
        return;
    auto* dk = dynamic_cast<TdkTable*>(table);
    if (!dk) {
        dkShowWarning(QStringLiteral("LookupTable on a detail table is only supported when using a TdkTable as the "
                                     "LookupTable!"));
        return;
    }
    if (dk->BusyCount() > 0 || UpdateCount > 0)
        return;
    LookupValue.clear();
    ++UpdateCount;
    try {
        combo_->DataChange();
    } catch (...) {
        --UpdateCount;
        throw;
    }
    --UpdateCount;
}

void TdkPopupGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    combo_->EditLink();
    TdkDBLookupList::MouseDown(Button, Shift, X, Y);
}

void TdkPopupGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TdkDBLookupList::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft)
        combo_->CloseUp(true);
}
