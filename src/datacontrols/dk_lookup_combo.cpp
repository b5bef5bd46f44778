#include "datacontrols/dk_lookup_combo.h"

#include "datagrid/dk_field_info.h"
#include "datagrid/dk_lookup.h"
#include "datagrid/dk_messages.h"
#include "datagrid/dk_table.h"
#include "platform/data/table.h"
#include "platform/ui/forms.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

namespace {

constexpr int kSearchDelay = 333;
const QString kNoCompletion = QStringLiteral("~~~~");

bool IsSearchKey(Word key) { return key == 8 || key == 32 || key == 46 || (key >= 48 && key <= 111) || key > 145; }

// A local table (no server) waits half as long for the typing pause.
bool IsLocalTable(TDataSet* ds)
{
    auto* t = dynamic_cast<TdkTable*>(ds);
    return t && !t->Database()->IsSQLBased();
}

}  // namespace

TdkComboButton::TdkComboButton(TdkDBCustomLookupCombo* combo) : TSpeedButton(combo), combo_(combo) {}

void TdkComboButton::Click()
{
    TSpeedButton::Click();
    if (!combo_->Focused() && combo_->CanFocus() && !combo_->ListVisible())
        combo_->SetFocus();
    if (combo_->ListVisible()) {
        if (combo_->FoundFlag())
            combo_->ApplyGridValues();
        combo_->CloseUp(true);
    } else {
        combo_->DropDown();
    }
}

TdkDBCustomLookupCombo::TdkDBCustomLookupCombo(TComponent* AOwner) : TEdit(AOwner)
{
    fieldLink_.OnDataChange = [this] { DataChange(); };
    fieldLink_.OnUpdateData = [this] { UpdateData(); };
    fieldLink_.OnActiveChange = [this] {
        if (fieldLink_.Active())
            LinkedSetup();
        if (fieldLink_.Active() && grid_->DataLink()->Active()) {
            grid_->PositionByValue(QString());
            DataChange();
        }
    };
    buttonContainer_ = new TPanel(this);
    static_cast<TPanel*>(buttonContainer_)->SetBevelOuter(bvNone);
    buttonContainer_->SetParent(this);
    const int scrollWidth = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    buttonContainer_->SetBounds(0, 0, std::max(scrollWidth + 4, 17), 17);
    button_ = new TdkComboButton(this);
    button_->SetParent(buttonContainer_);
    button_->SetBounds(0, 0, std::max(scrollWidth, 15), 17);
    SetupButton(button_);
    grid_ = new TdkPopupGrid(this);
    grid_->OnClick = [this](TObject*) { ApplyGridValues(); };
    timer_ = new TTimer(this);
    timer_->SetEnabled(false);
    timer_->SetInterval(kSearchDelay);
    timer_->OnTimer = [this](TObject*) { Search(); };
    SetBounds(Left(), Top(), Width(), 25);
}

TdkDBCustomLookupCombo::~TdkDBCustomLookupCombo()
{
    timer_->SetEnabled(false);
    fieldLink_.OnActiveChange = nullptr;
    fieldLink_.OnDataChange = nullptr;
    fieldLink_.OnUpdateData = nullptr;
    fieldLink_.SetDataSource(nullptr);
}

void TdkDBCustomLookupCombo::SetupButton(TdkComboButton* button) { button->Button()->setArrowType(Qt::DownArrow); }

int TdkDBCustomLookupCombo::MinimumHeight() const
{
    // One line of text in the control's font, with the edit's borders.
    const int rand = 1;
    return QFontMetrics(Font()->ToQFont()).height() + 1 + 2 * rand + (BorderStyle() == bsSingle ? 2 : 0);
}

void TdkDBCustomLookupCombo::Resize()
{
    if (Height() < MinimumHeight()) {
        SetHeight(MinimumHeight());  // sizes again, and comes back here
        return;
    }
    TEdit::Resize();
    const int w = buttonContainer_->Width();
    buttonContainer_->SetBounds(Width() - w - 2, 1, w, std::max(1, ClientHeight() - 2));
    button_->SetBounds(0, 0, w, buttonContainer_->Height());
    Edit()->setTextMargins(0, 0, showButton_ ? w : 0, 0);
}

void TdkDBCustomLookupCombo::SetShowButton(bool v)
{
    showButton_ = v;
    buttonContainer_->SetVisible(v);
    Resize();
}

void TdkDBCustomLookupCombo::SetLookupReadOnly(bool v)
{
    fieldLink_.SetReadOnly(v);
    SetReadOnly(v);
}

void TdkDBCustomLookupCombo::SetDataSource(TDataSource* source)
{
    if (source && (source == grid_->LookupSource() || (source->DataSet() && source->DataSet() == LookupTable())))
        throw EInvalidOperation(kdkDuplicateSource);
    fieldLink_.SetDataSource(source);
}

void TdkDBCustomLookupCombo::SetDataField(const QString& name)
{
    fieldLink_.SetFieldName(name);
    LinkedSetup();
    DataChange();
}

void TdkDBCustomLookupCombo::SetLookupTable(TDataSet* table)
{
    if (table && fieldLink_.DataSet() == table)
        throw EInvalidOperation(kdkDuplicateSource);
    grid_->SetLookupTable(table);
    DataChange();
}

void TdkDBCustomLookupCombo::SetLookupField(const QString& names)
{
    grid_->SetLookupField(names);
    DataChange();
}

bool TdkDBCustomLookupCombo::ListVisible() const { return grid_->Visible(); }

bool TdkDBCustomLookupCombo::TextEntryMode() const { return ListVisible() || Style == csDropDown || AutoDropDown; }

bool TdkDBCustomLookupCombo::PopupMayChange()
{
    if (!fieldLink_.DataSource() || fieldLink_.Editing())
        return true;
    const TDataSetState st = fieldLink_.DataSource()->State();
    return Linked() && (st == dsEdit || st == dsInsert || fieldLink_.DataSource()->AutoEdit);
}

bool TdkDBCustomLookupCombo::Linked() const { return !LinkParts().isEmpty(); }

QStringList TdkDBCustomLookupCombo::LinkParts() const
{
    TDataSet* ds = fieldLink_.DataSet();
    if (!ds || fieldLink_.FieldName().isEmpty() || !ds->FindField(fieldLink_.FieldName()))
        return {};
    const QString links = dkGetLookupLink(ds, fieldLink_.FieldName());
    QStringList parts = links.split(u';', Qt::SkipEmptyParts);
    for (QString& p : parts)
        p = p.trimmed();
    if (parts.isEmpty() || parts.size() % 2 != 0 || parts.size() > 12)
        return {};
    return parts;
}

QString TdkDBCustomLookupCombo::LinkedDisplayField() const
{
    TDataSet* ds = fieldLink_.DataSet();
    return ds ? dkGetLookupFieldsItem(ds, fieldLink_.FieldName()) : QString();
}

void TdkDBCustomLookupCombo::LinkedSetup()
{
    const QStringList parts = LinkParts();
    if (parts.isEmpty())
        return;
    QStringList lookupSide;
    for (int i = 1; i < parts.size() && lookupSide.size() < 3; i += 2)
        lookupSide << parts[i];
    grid_->SetLookupField(lookupSide.join(u';'));
    if (Selected().Count() == 0)
        if (TField* display = LookupTable() ? LookupTable()->FindField(LinkedDisplayField()) : nullptr)
            Selected().Add(display->FieldName + u'\t' + QString::number(display->DisplayWidth()) + u'\t' +
                           display->DisplayLabel());
    if (LookupTable() && LookupTable()->Active())
        grid_->ReadFieldObjects(true);
}

bool TdkDBCustomLookupCombo::EditRecord()
{
    if (!Linked()) {
        EditLink();
        return fieldLink_.Editing();
    }
    TDataSet* ds = fieldLink_.DataSet();
    if (ds->State() != dsEdit && ds->State() != dsInsert && fieldLink_.DataSource()->AutoEdit && ds->CanModify()) {
        resetting_ = true;
        try {
            ds->Edit();
        } catch (...) {
            resetting_ = false;
            throw;
        }
        resetting_ = false;
    }
    return ds->State() == dsEdit || ds->State() == dsInsert;
}

bool TdkDBCustomLookupCombo::WriteLinkedFields()
{
    if (updatingLinks_)
        return false;
    const QStringList parts = LinkParts();
    TDataSet* ds = fieldLink_.DataSet();
    if (parts.isEmpty() || !ds)
        return false;
    const QString values[] = {grid_->LookupValue, grid_->LookupValue2, grid_->LookupValue3};
    const int count = std::min<int>(grid_->LookupFieldsFound(), static_cast<int>(parts.size() / 2));
    bool modified = LookupTable() && LookupTable()->IsEmpty();
    for (int i = 0; i < count && !modified; ++i)
        if (TField* master = ds->FindField(parts[2 * i]); master && master->AsString() != values[i])
            modified = true;
    if (!modified)
        return false;
    auto* table = dynamic_cast<TTable*>(ds);
    if (table && table->ReadOnly())
        return false;
    updatingLinks_ = true;
    try {
        if (!EditRecord())
            ds->Edit();
        for (int i = 0; i < count; ++i)
            if (TField* master = ds->FindField(parts[2 * i]))
                master->SetAsString(values[i]);
    } catch (...) {
        updatingLinks_ = false;
        throw;
    }
    updatingLinks_ = false;
    return true;
}

bool TdkDBCustomLookupCombo::MayChangeText()
{
    if (fieldLink_.ReadOnly() || ReadOnly())
        return false;
    if (Style == csDropDownList && !ListVisible() && !AutoDropDown)
        return false;
    if (!fieldLink_.DataSource() || fieldLink_.FieldName().isEmpty() || Linked())
        return true;
    TDataSet* ds = fieldLink_.DataSet();
    return ds && (ds->State() == dsEdit || ds->State() == dsInsert || fieldLink_.DataSource()->AutoEdit);
}

void TdkDBCustomLookupCombo::EditLink()
{
    resetting_ = true;
    try {
        fieldLink_.Edit();
    } catch (...) {
        resetting_ = false;
        throw;
    }
    resetting_ = false;
}

void TdkDBCustomLookupCombo::ApplyGridValues()
{
    found_ = true;
    if (fieldLink_.DataSource()) {
        if (!EditRecord())
            return;
        fieldLink_.Modified();
    }
    SetText(grid_->DisplayText);
    SelectAll();
}

// ---------------------------------------------------------------------------
// Showing the value
// ---------------------------------------------------------------------------

void TdkDBCustomLookupCombo::DataChange()
{
    if (resetting_)
        return;
    TField* field = fieldLink_.Field();
    if (!field) {
        SetText(QString());
        return;
    }
    // A detail lookup table that has not followed its master yet (its
    // first key still differs from the master's) shows nothing new.
    if (auto* detail = dynamic_cast<TdkTable*>(LookupTable()); detail && detail->Active() &&
        !detail->MasterFields().isEmpty() && detail->MasterSource() == fieldLink_.DataSource() &&
        detail->IndexFieldCount() > 0 && !detail->IsEmpty()) {
        const TField* master = fieldLink_.DataSet()->FindField(detail->MasterFields().section(u';', 0, 0));
        if (master && detail->IndexFields(0)->AsString() != master->AsString())
            return;
    }
    if (Linked()) {
        // The lookup record of the link's master values.
        if (auto* dk = dynamic_cast<TdkTable*>(LookupTable()); dk && dk->Active() && !updatingLinks_) {
            grid_->Found = dkFindLinkedRecord(dk, LinkParts(), fieldLink_.DataSet());
            if (grid_->Found && grid_->LookupFieldObject()) {
                grid_->LookupValue = grid_->LookupFieldObject()->AsString();
                grid_->LookupValue2 = grid_->LookupField2() ? grid_->LookupField2()->AsString() : QString();
                grid_->LookupValue3 = grid_->LookupField3() ? grid_->LookupField3()->AsString() : QString();
            } else {
                grid_->LookupValue.clear();
                grid_->LookupValue2.clear();
                grid_->LookupValue3.clear();
            }
        }
        grid_->DisplayText = field->AsString();
        SetText(grid_->DisplayText);
        if (fieldLink_.DataSource()->State() == dsBrowse) {
            entryText_ = Text();
            entryValue_ = grid_->LookupValue;
        }
        return;
    }
    ++grid_->UpdateCount;
    try {
        SetValue(field->AsString());
        TDataSet* edited = fieldLink_.DataSet();
        if (TField* f2 = grid_->LookupField2(); f2 && edited->FindField(f2->FieldName))
            grid_->LookupValue2 = edited->FindField(f2->FieldName)->AsString();
        if (TField* f3 = grid_->LookupField3(); f3 && edited->FindField(f3->FieldName))
            grid_->LookupValue3 = edited->FindField(f3->FieldName)->AsString();
        if (fieldLink_.DataSource()->State() == dsBrowse) {
            entryText_ = Text();
            entryValue_ = grid_->LookupValue;
        }
    } catch (...) {
        --grid_->UpdateCount;
        throw;
    }
    --grid_->UpdateCount;
}

void TdkDBCustomLookupCombo::SetValue(const QString& value)
{
    if (grid_->DataLink()->Active() && fieldLink_.Active() && fieldLink_.DataSet() == LookupTable())
        throw EInvalidOperation(kdkDuplicateSource);
    if (value == grid_->LookupValue) {
        if (!grid_->DisplayIsLookupField() && (!Text().isEmpty() || value.isEmpty()))
            return;
        if (grid_->DisplayIsLookupField() && Text() == value)
            return;
    }
    if (grid_->DataLink()->Active()) {
        if (!updatingLinks_)
            grid_->PositionByValue(value);
        SetText(grid_->DisplayText);
    } else {
        SetText(value);
    }
}

void TdkDBCustomLookupCombo::ShowText(const QString& text)
{
    if (text != grid_->DisplayText && grid_->DataLink()->Active()) {
        grid_->LocateByLookupValue(text);
        SetText(grid_->DisplayText);
    }
}

void TdkDBCustomLookupCombo::RestoreEntry()
{
    grid_->DisplayText = entryText_;
    grid_->LookupValue = entryValue_;
    SetText(entryText_);
    if (Focused())
        SelectAll();
}

// ---------------------------------------------------------------------------
// The list
// ---------------------------------------------------------------------------

void TdkDBCustomLookupCombo::FillSelectedFromLookupField()
{
    if (Selected().Count() > 0 || !LookupTable())
        return;
    TField* f = LookupTable()->FindField(LookupField().section(u';', 0, 0));
    if (f)
        Selected().Add(f->FieldName + u'\t' + QString::number(f->DisplayWidth()) + u'\t' + f->DisplayLabel());
    grid_->ReadFieldObjects(false);
}

int TdkDBCustomLookupCombo::ListWidth() const
{
    if (DropDownWidth > 0)
        return DropDownWidth;
    const int digit = QFontMetrics(grid_->Handle()->font()).horizontalAdvance(u'0');
    const int thumb = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    int sum = thumb + 1;
    const int cols = grid_->ColCount();
    for (int i = 0; i < grid_->GetFieldCount(); ++i) {
        TField* f = grid_->GetFields(i);
        int chars = f ? f->DisplayWidth() : 10;
        if (!UseTFields()) {
            int k = -1;
            if (f && dkFindColumnEntry(&grid_->Selected(), f->FieldName, k))
                chars = grid_->Selected()[k].section(u'\t', 1, 1).toInt();
        }
        sum += digit * chars + grid_->GridLineWidth();
    }
    return sum + cols * grid_->GridLineWidth() + button_->Width();
}

void TdkDBCustomLookupCombo::PlaceList(int height)
{
    if (Width() <= 20)
        return;
    const TPoint p = ClientToScreen(TPoint{0, 0});
    int top = p.Y + Height() - 1;
    if (top + height > Screen->Height()) {
        top = p.Y - height + 1;
        if (top < 0)
            top = p.Y + Height() - 1;
    }
    int w = ListWidth();
    int left = p.X;
    if (DropDownAlignment == taRightJustify) {
        w = std::max(Width() - 4, std::min(Width() + p.X - 2, w));
        left = p.X + 1 + Width() - w;
    } else {
        w = std::max(Width() - 4, std::min(Screen->Width() - p.X - 2, w));
    }
    // Above all windows on a stay-on-top form, else at the top of the others.
    const TCustomForm* form = ParentForm();
    const bool oben = form && form->FormStyle() == fsStayOnTop;
    if (grid_->Handle()->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != oben) {
        const bool sichtbar = grid_->Handle()->isVisible();
        grid_->Handle()->setWindowFlag(Qt::WindowStaysOnTopHint, oben);
        if (sichtbar)
            grid_->Handle()->show();
    }
    grid_->Sizing = true;
    grid_->Handle()->setGeometry(left, top, w, height);
    grid_->SetBounds(left, top, w, height);
    grid_->Sizing = false;
}

void TdkDBCustomLookupCombo::DropDown()
{
    TDataSet* table = LookupTable();
    if (!table || !table->Active()) {
        dkShowWarning(table ? QStringLiteral("Lookup table is not active!") : QStringLiteral("No lookup table specified!"));
        button_->SetEnabled(false);
        button_->SetEnabled(true);
        return;
    }
    if (ListVisible() || Width() <= 20)
        return;
    grid_->CurrentRow = -1;
    FillSelectedFromLookupField();
    if (!searchingClosed_) {
        grid_->Relink(true);
        PrepareSearchOrder();
    }
    if (UseTFields())
        dkApplyColumnsToFields(table, &Selected());
    grid_->LayoutChanged();
    if (OnDropDown)
        OnDropDown(this);
    int rows = DropDownCount <= 0 ? 1 : DropDownCount;
    const bool rowLines = Options().Contains(loRowLines);
    const int rowExtra = rowLines ? 1 : 0, adjust = rowLines ? -2 : 0;
    const auto heightFor = [&](int r) {
        return (grid_->DefaultRowHeight() + rowExtra) * (grid_->TitleRows() + r) + 5 + adjust + ExtraHeight;
    };
    PlaceList(heightFor(rows));
    auto* dk = dynamic_cast<TdkTable*>(table);
    const int count = table->RecordCount();
    if (count < rows && !(dk && dk->NarrowSearch)) {
        // Fewer records than rows: the list shrinks to them.
        rows = count;
        grid_->SetShowVertScrollBar(false);
        PlaceList(heightFor(rows));
    } else if (!grid_->ShowVertScrollBar()) {
        grid_->SetShowVertScrollBar(true);
    }
    if (LookupField().isEmpty())
        grid_->DisplayText = Text();
    grid_->LayoutChanged();
    grid_->SetVisible(true);
    grid_->Handle()->raise();
    searchAt_ = grid_->DisplayText;
    if (CanFocus())
        SetFocus();
    if (TextEntryMode() && !searchingClosed_)
        SelectAll();
}

bool TdkDBCustomLookupCombo::AskNotInList()
{
    bool accept = true;
    inNotInList_ = true;
    try {
        OnNotInList(this, LookupTable(), Text(), accept);
    } catch (...) {
        inNotInList_ = false;
        throw;
    }
    inNotInList_ = false;
    return accept;
}

void TdkDBCustomLookupCombo::CloseUp(bool Accept)
{
    if (inCloseUp_)
        return;
    bool modified = false;
    TField* field = fieldLink_.Field();
    if (!ListVisible()) {
        // A close-up without a list (focus loss): a typed text is checked
        // against the lookup table when a not-in-list handler decides.
        if (OnNotInList && Text() != entryText_ && !inNotInList_) {
            PrepareSearchOrder();
            searchAt_.clear();
            Search();
            if (!found_ && !Text().isEmpty() && !AskNotInList())
                RestoreEntry();
            entryText_ = Text();
        }
        return;
    }
    inCloseUp_ = true;
    const bool wasFound = found_;
    TDataSet* edited = fieldLink_.DataSet();
    const bool writable = fieldLink_.Editing() || !edited || Linked();
    try {
        bool accepted = false;
        if (Accept && !found_ && writable) {
            grid_->SetVisible(false);
            found_ = true;
            if ((Style == csDropDown && grid_->DisplayIsLookupField()) || OnNotInList) {
                accepted = true;
                if (OnNotInList && !Text().isEmpty())
                    accepted = AskNotInList();
            }
            // With a display column of its own, an accepted text needs the
            // record the handler added and chose: the key of whatever record
            // the table happens to stand on is not written for it.
            if (accepted && !grid_->DisplayIsLookupField())
                accepted = grid_->LookupFieldObject() && grid_->DisplayFieldObject() &&
                           grid_->DisplayFieldObject()->AsString().compare(Text(), Qt::CaseInsensitive) == 0;
            if (accepted) {
                entryText_ = Text();
                if (grid_->DisplayIsLookupField()) {
                    grid_->LookupValue = grid_->DisplayText = Text();
                } else {
                    grid_->LookupValue = grid_->LookupFieldObject()->AsString();
                    grid_->DisplayText = grid_->DisplayFieldObject()->AsString();
                    grid_->LookupValue2 = grid_->LookupField2() ? grid_->LookupField2()->AsString() : QString();
                    grid_->LookupValue3 = grid_->LookupField3() ? grid_->LookupField3()->AsString() : QString();
                    grid_->CurrentRow = 0;
                }
            } else {
                // Not accepted: the text and value the control had return.
                RestoreEntry();
                inCloseUp_ = false;
                if (OnCloseUp)
                    OnCloseUp(this, LookupTable(), edited, false);
                return;
            }
        }
        if (Accept && writable) {
            if (!edited) {
                if (wasFound) {
                    ApplyGridValues();
                } else if ((Style == csDropDownList && !accepted) || !grid_->DisplayIsLookupField()) {
                    SetText(QString());
                    grid_->LookupValue.clear();
                }
            } else if (field && Linked()) {
                grid_->SetVisible(false);
                modified = WriteLinkedFields();
                SetText(field->AsString());
                SelectAll();
            } else if (field) {
                const QString values[] = {grid_->LookupValue2, grid_->LookupValue3};
                TField* lookups[] = {grid_->LookupField2(), grid_->LookupField3()};
                for (int i = 0; i < 2; ++i) {
                    TField* target = lookups[i] ? edited->FindField(lookups[i]->FieldName) : nullptr;
                    if (target && grid_->CurrentRow >= 0 && target->AsString() != values[i]) {
                        target->SetAsString(values[i]);
                        modified = true;
                    }
                }
                if (field->AsString() != grid_->LookupValue)
                    modified = true;
                if (modified) {
                    updatingLinks_ = true;
                    try {
                        field->SetAsString(grid_->LookupValue);
                    } catch (...) {
                        // A value the field refuses: the entry value returns.
                        RestoreEntry();
                        modified = false;
                    }
                    updatingLinks_ = false;
                } else if (Style == csDropDownList && !wasFound) {
                    RestoreEntry();
                }
                if (modified || wasFound)
                    SetText(grid_->DisplayText);
            }
        }
        grid_->SetVisible(false);
        if (modified) {
            entryText_ = Text();
            entryValue_ = grid_->LookupValue;
        }
        Modified = modified;
        inCloseUp_ = false;
        if (OnCloseUp)
            OnCloseUp(this, LookupTable(), edited, modified);
    } catch (...) {
        grid_->SetVisible(false);
        inNotInList_ = updatingLinks_ = false;
        inCloseUp_ = false;
        throw;
    }
}

// ---------------------------------------------------------------------------
// Searching
// ---------------------------------------------------------------------------

void TdkDBCustomLookupCombo::PrepareSearchOrder()
{
    auto* dk = dynamic_cast<TdkTable*>(LookupTable());
    if (dk && dk->Query().Count() == 0 && OrderByDisplay) {
        FillSelectedFromLookupField();
        if (dk->Active())
            dk->SetIndexFromColumnList(Selected());
    }
}

bool TdkDBCustomLookupCombo::SequentialLocate(const QString& value, TField* field, TdkLocateMatchType match)
{
    const bool caseSensitive = SeqSearchOptions.Contains(ssoCaseSensitive);
    TDataSet* table = LookupTable();
    if (auto* dk = dynamic_cast<TdkTable*>(table))
        return dk->LocateFieldValue(value, field->FieldName, match, caseSensitive);
    if (field->AsString() == value)
        return true;
    if (value.isEmpty() || !dkIsValidFieldValue(field, value))
        return false;
    return dkLocateFieldValue(table, value, field->FieldName, match, caseSensitive);
}

void TdkDBCustomLookupCombo::Search()
{
    timer_->SetEnabled(false);
    TDataSet* table = LookupTable();
    TField* display = grid_->DisplayFieldObject();
    if (Text() == searchAt_ || !table || !table->Active() || !display)
        return;
    const bool partial = ListVisible() || searchingClosed_;
    const bool caseSensitive = SeqSearchOptions.Contains(ssoCaseSensitive);
    auto* dk = dynamic_cast<TdkTable*>(table);
    const QString searchField = display->FieldName;
    bool expressionIndex = false;
    if (dk && dk->IsDBFTable()) {
        TIndexDefs& defs = dk->IndexDefs();
        const int i = defs.IndexOf(dk->IndexName());
        expressionIndex = i >= 0 && (defs.Items(i).Options & ixExpression) && !dk->IndexName().isEmpty();
    }
    const bool sequential = !expressionIndex && (!dk || dk->IndexDefs().Count() == 0 || dk->IndexFieldCount() == 0);
    const QString text = Text();
    bool found = false;
    if (sequential) {
        if (!SeqSearchOptions.Contains(ssoEnabled))
            return;
        const QString value = TextEntryMode() ? text : grid_->LookupValue;
        found = SequentialLocate(value, display, partial ? mtPartialMatchStart : mtExactMatch);
        if (partial && !found && grid_->DisplayIsLookupField()) {
            grid_->LookupValue.clear();
            found_ = false;
            return;
        }
        grid_->DisplayText = display->AsString();
    } else if (expressionIndex) {
        if (!dkIsValidFieldText(display, text))
            return;
        dk->EditKey();
        display->SetAsString(text);
        dk->GotoNearest();
        grid_->DisplayText = display->AsString();
        found = grid_->DisplayText.toUpper().startsWith(text.toUpper());
    } else {
        int k = -1;
        for (int i = 0; i < dk->IndexFieldCount(); ++i)
            if (dk->IndexFields(i)->FieldName.toLower() == searchField.toLower())
                k = i;
        if (k >= 0) {
            if (partial) {
                found = dk->FindNearestValue(text, k);
            } else {
                QVariantList values;
                for (int i = 0; i < k && i < 2; ++i)
                    values << dk->IndexFields(i)->AsString();
                values << text;
                found = dk->FindKeyValues(values);
            }
            grid_->DisplayText = dk->IndexFields(k)->AsString();
        } else {
            found = dk->LocateFieldValue(text, searchField, partial ? mtPartialMatchStart : mtExactMatch,
                                         caseSensitive);
            grid_->DisplayText = display->AsString();
        }
    }
    typedText_ = text;
    if (TField* f = grid_->LookupFieldObject())
        grid_->LookupValue = f->AsString();
    grid_->LookupValue2 = grid_->LookupField2() ? grid_->LookupField2()->AsString() : QString();
    grid_->LookupValue3 = grid_->LookupField3() ? grid_->LookupField3()->AsString() : QString();
    if (!ListVisible())
        grid_->CurrentRow = -1;
    found_ = found;
    if (ShowMatchText && found && searchAt_ != kNoCompletion) {
        const int caret = SelStart();
        const int typed = caret == 0 ? static_cast<int>(text.size()) : caret;
        const QString value = display->AsString();
        SetText(value);
        Modified = true;
        SetSelStart(typed);
        SetSelLength(std::max(0, static_cast<int>(value.size()) - typed));
        if (!ListVisible())
            grid_->CurrentRow = 0;
    }
    grid_->Invalidate();
    searchAt_ = Text();
}

// ---------------------------------------------------------------------------
// Writing the value
// ---------------------------------------------------------------------------

void TdkDBCustomLookupCombo::UpdateData()
{
    TField* field = fieldLink_.Field();
    if (!field)
        return;
    if (!inNotInList_ && !Text().isEmpty() && !ListVisible())
        CloseUp(true);
    if (Linked()) {
        if (grid_->CurrentRow >= 0)
            WriteLinkedFields();
        return;
    }
    if (!grid_->DisplayIsLookupField()) {
        if (field->AsString() != grid_->LookupValue)
            field->SetAsString(grid_->LookupValue);
    } else if (field->AsString() != Text()) {
        field->SetText(Text());
    }
    if (grid_->CurrentRow >= 0 || CopyLinkFieldsWithoutRow()) {
        TDataSet* edited = fieldLink_.DataSet();
        const QString values[] = {grid_->LookupValue2, grid_->LookupValue3};
        TField* lookups[] = {grid_->LookupField2(), grid_->LookupField3()};
        for (int i = 0; i < 2; ++i)
            if (TField* target = lookups[i] ? edited->FindField(lookups[i]->FieldName) : nullptr)
                target->SetAsString(values[i]);
    }
}

// ---------------------------------------------------------------------------
// Keys and focus
// ---------------------------------------------------------------------------

void TdkDBCustomLookupCombo::KeyDown(Word& Key, TShiftState Shift)
{
    TEdit::KeyDown(Key, Shift);
    // Inside a data grid the combo is a cell editor: Tab (and Enter when
    // the grid makes Enter a Tab) goes on to the grid.
    TdkCustomDBGrid* parentGrid = dynamic_cast<TdkCustomDBGrid*>(Parent());
    const bool enterTab = Key == VK_RETURN && parentGrid && parentGrid->KeyOptions.Contains(dgEnterToTab);
    if ((Key == VK_TAB || enterTab) && ListVisible() && !searchingClosed_) {
        grid_->TakeRow();
        if (found_)
            ApplyGridValues();
        CloseUp(true);
        SelectAll();
        Key = 0;
        return;
    }
    if ((Key == VK_TAB || Key == VK_RETURN) && !ListVisible() && parentGrid) {
        parentGrid->SetFocus();
        if (parentGrid->Focused() && (Key == VK_TAB || enterTab))
            parentGrid->KeyDown(Key, Shift);
        Key = 0;
        return;
    }
    if (ListVisible() && (Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT)) {
        // The list moves while the edit keeps the focus.
        EditLink();
        grid_->KeyDown(Key, Shift);
        Key = 0;
        return;
    }
    if (Key == VK_DOWN && Shift.Contains(ssAlt)) {
        DropDown();
        Key = 0;
        return;
    }
    if (AllowClearKey && (Key == VK_DELETE || Key == VK_BACK) && !ListVisible() && !Text().isEmpty() &&
        SelLength() == Text().size()) {
        // The whole text selected: the value is cleared.
        SetText(QString());
        if (fieldLink_.Field()) {
            EditLink();
            grid_->LookupValue.clear();
            grid_->DisplayText.clear();
            fieldLink_.Modified();
        } else {
            SetValue(QString());
        }
        searchAt_.clear();
        Key = 0;
    }
}

void TdkDBCustomLookupCombo::KeyPress(QChar& Key)
{
    TEdit::KeyPress(Key);
    if (Key == QChar(13)) {
        if (ListVisible()) {
            // A pending search runs now; a text the last search did not find
            // is not replaced by whatever row the list stands on: the
            // close-up asks the not-in-list question.
            if (timer_->Enabled())
                Search();
            else if (found_)
                grid_->TakeRow();
            if (found_)
                ApplyGridValues();
            CloseUp(true);
            SelectAll();
        }
        Key = QChar();
        return;
    }
    if (Key == QChar(27)) {
        const bool wasOpen = ListVisible();
        if (wasOpen)
            CloseUp(false);
        if (fieldLink_.Field()) {
            RestoreEntry();
            Modified = false;
            resetting_ = true;
            fieldLink_.Reset();
            resetting_ = false;
            SelectAll();
            if (!(wasOpen && TextEntryMode()))
                if (auto* parentGrid = dynamic_cast<TdkCustomDBGrid*>(Parent()))
                    parentGrid->SetFocus();
        } else {
            ShowText(entryText_);
            SetValue(entryValue_);
        }
        Key = QChar();
        return;
    }
    if (Key == QChar(9)) {
        Key = QChar();
        return;
    }
    TField* field = fieldLink_.Field();
    if (Key >= QChar(32) && !ListVisible() && field && !dkFieldIsValidChar(field, Key) && !AutoDropDown &&
        TextEntryMode() && !ShowMatchText) {
        QApplication::beep();
        Key = QChar();
        return;
    }
    if (Key == QChar(8) || Key >= QChar(32)) {
        if (TextEntryMode())
            EditLink();
        if (!MayChangeText())
            Key = QChar();
    }
}

void TdkDBCustomLookupCombo::KeyUp(Word& Key, TShiftState Shift)
{
    TEdit::KeyUp(Key, Shift);
    if (AllowClearKey && (Key == VK_DELETE || Key == VK_BACK) && ListVisible() && Text().isEmpty()) {
        if (fieldLink_.Field())
            EditLink();
        grid_->LookupValue.clear();
        grid_->DisplayText.clear();
        grid_->CurrentRow = -1;
        grid_->Invalidate();
        Key = 0;
        return;
    }
    if (!IsSearchKey(Key) || (Text() == searchAt_ && searchAt_.size() != 1))
        return;
    const bool deleting = Key == VK_BACK || Key == VK_DELETE;
    auto* dk = dynamic_cast<TdkTable*>(LookupTable());
    if (ListVisible()) {
        timer_->SetEnabled(false);
        if (IsLocalTable(LookupTable()))
            timer_->SetInterval(kSearchDelay / 2);
        timer_->SetEnabled(true);
    } else if (ShowMatchText && deleting) {
        if (dk && dk->NarrowSearch && dk->Query().Count() == 0 && Text().isEmpty())
            dk->ReopenKeepColumns();
    } else if (!Text().isEmpty() && (AutoDropDown || ShowMatchText)) {
        PrepareSearchOrder();
        searchingClosed_ = true;
        try {
            Search();
            if (AutoDropDown)
                DropDown();
        } catch (...) {
            searchingClosed_ = false;
            throw;
        }
        searchingClosed_ = false;
    }
    if (!ListVisible() && fieldLink_.Field())
        fieldLink_.Modified();
}

void TdkDBCustomLookupCombo::DoEnter()
{
    grid_->DisplayText = Text();
    TEdit::DoEnter();
    if (!inNotInList_)
        Modified = false;
    if (!ListVisible()) {
        entryText_ = Text();
        entryValue_ = grid_->LookupValue;
    }
}

void TdkDBCustomLookupCombo::DoExit()
{
    TEdit::DoExit();
    CloseUp(true);
    if (inNotInList_)
        return;
    try {
        fieldLink_.UpdateRecord();
    } catch (...) {
        SelectAll();
        inNotInList_ = true;
        SetFocus();
        inNotInList_ = false;
        throw;
    }
    SetSelStart(0);
}

void TdkDBCustomLookupCombo::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (ListVisible() || Style == csDropDown || Button != mbLeft) {
        TEdit::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (CanFocus())
        SetFocus();
    if (ListVisible())
        CloseUp(true);
    else
        DropDown();
    TEdit::MouseDown(Button, Shift, X, Y);
}
