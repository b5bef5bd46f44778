// TdkDBGrid: cell controls from the dataset's ControlType list (check
// boxes, bitmaps, edit controls floated over the current cell), memo cells
// with the memo dialog, multi-selection of records, the Selected column
// list applied to the fields, and user-fixed columns.

#include "datagrid/dk_db_grid.h"

#include "datagrid/dk_field_info.h"
#include "datagrid/dk_inplace_edit.h"
#include "datagrid/dk_memo_dialog.h"
#include "datagrid/dk_messages.h"
#include "datagrid/dk_rich_text.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"

#include <QApplication>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QKeyEvent>

#include <algorithm>

namespace {

const QString kCheckBox = QStringLiteral("CheckBox");
const QString kBitmap = QStringLiteral("Bitmap");
const QString kRichEdit = QStringLiteral("RichEdit");

// Sends a key stroke to a control as the user would type it.
void SendKeyTo(TWinControl* control, int qtKey, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, qtKey, mods, text);
    QCoreApplication::sendEvent(control->Handle(), &press);
    QKeyEvent release(QEvent::KeyRelease, qtKey, mods, text);
    QCoreApplication::sendEvent(control->Handle(), &release);
}

}  // namespace

TdkDBGrid::TdkDBGrid(TComponent* AOwner) : TdkCustomDBGrid(AOwner) {}

TdkDBGrid::~TdkDBGrid() { BeginDestroy(); }

void TdkDBGrid::SetSelected(const TStringList& list)
{
    selected_.Assign(list);
    ApplySelected();
    LayoutChanged();
}

void TdkDBGrid::SetMemoAttributes(TdkMemoAttributes v)
{
    memoAttributes_ = v;
    ApplySelected();
    Invalidate();
}

void TdkDBGrid::SetTitleColor(TColor c)
{
    titleColor_ = c;
    LayoutChanged();
    Invalidate();
}

void TdkDBGrid::SetFixedCols(int v)
{
    if (v < 0) {
        dkShowWarning(QStringLiteral("Invalid value for FixedCols"));
        return;
    }
    fixedCols_ = v;
    LayoutChanged();
}

void TdkDBGrid::Loaded()
{
    TdkCustomDBGrid::Loaded();
    ApplySelected();
}

void TdkDBGrid::LinkActive(bool Value)
{
    inLinkActive_ = true;
    try {
        TdkCustomDBGrid::LinkActive(Value);
    } catch (...) {
        inLinkActive_ = false;
        throw;
    }
    inLinkActive_ = false;
    if (Value) {
        shiftAnchorSet_ = false;
        controlsPrepared_ = false;
        ApplySelected();
    }
}

void TdkDBGrid::ApplySelected()
{
    TDataSet* ds = link_->DataSet();
    if (applyingSelected_ || !ds || !ds->Active())
        return;
    if (!dkIsDkDataSet(ds)) {
        dkShowMessage(mtInformation, QStringLiteral("dkGrid must use an RiriDuzaz compatible TDataSet."));
        SetDataSource(nullptr);
        return;
    }
    applyingSelected_ = true;
    struct Done {
        TdkDBGrid* g;
        ~Done() { g->applyingSelected_ = false; }
    } done{this};
    TControlsDisabler disabled(ds);
    PrepareEditControls();
    bool hasCalc = false;
    for (int i = 0; i < ds->FieldCount(); ++i)
        hasCalc = hasCalc || ds->Fields(i)->FieldKind == fkCalculated;
    if (selected_.Count() > 0 && !hasCalc) {
        if (useTFields_)
            dkApplyColumnsToFields(ds, &selected_);
        else
            LayoutChanged();
    }
}

void TdkDBGrid::InternalLayout()
{
    TDataSet* ds = link_->DataSet();
    if (useTFields_ && !inLinkActive_ && ds && ds->Active() && !applyingSelected_)
        dkSaveColumnsToList(ds, selected_);
    int wanted = indicatorOffset_ + fixedCols_;
    if (TCustomGrid::FixedCols() != wanted && ds && ds->Active() && wanted < ColCount())
        TCustomGrid::SetFixedCols(wanted);
    TdkCustomDBGrid::InternalLayout();
}

TColor TdkDBGrid::GetColumnColor(int ACol) { return DataCol(ACol) < fixedCols_ ? titleColor_ : Color(); }

bool TdkDBGrid::HasCellControl(int ACol, int ARow)
{
    if (ACol < indicatorOffset_ || ARow < titleOffset_)
        return false;
    TDataSet* ds = link_->DataSet();
    TField* f = ColumnField(ACol);
    if (!f || !dkIsDkDataSet(ds))
        return false;
    QString type, params;
    dkGetControlType(ds, f->FieldName, type, params);
    return type == kBitmap || type == kCheckBox || (dkIsEditControlType(type) && EditControlFor(f));
}

QString TdkDBGrid::CellText(TField* field)
{
    TDataSet* ds = link_->DataSet();
    if (field->DataType() == ftMemo || field->DataType() == ftBlob) {
        if (ds->Bof() && ds->Eof() && ds->State() != dsInsert)
            return QString();
        QString type, params;
        dkGetControlType(ds, field->FieldName, type, params);
        if (type == kRichEdit) {
            QString text = dkRichTextToPlain(static_cast<TBlobField*>(field)->AsBytes());
            return options_.Contains(dgWordWrap) ? text : text.section(u'\n', 0, 0);
        }
        if (!memoAttributes_.Contains(mGridShow) || field->DataType() == ftBlob)
            return QStringLiteral("(Memo)");
        // Binary bytes in a memo never reach the grid as text.
        QByteArray bytes = static_cast<TBlobField*>(field)->AsBytes();
        if (bytes.contains('\0'))
            return QStringLiteral("(Memo)");
        QString text = field->AsString();
        if (!options_.Contains(dgWordWrap)) {
            int cut = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
            if (cut >= 0)
                text.truncate(cut);
        }
        return text;
    }
    if (auto* display = dynamic_cast<TdkCellDisplay*>(EditControlFor(field)))
        return display->GridDisplayText(field);
    return field->DisplayText();
}

bool TdkDBGrid::IsSelectedColumn(TField* field) const
{
    return field && field->FieldKind == fkCalculated &&
           field->FieldName.compare(QLatin1String("selected"), Qt::CaseInsensitive) == 0;
}

void TdkDBGrid::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState)
{
    if (ACol >= indicatorOffset_ && ARow >= titleOffset_ && link_->Active() &&
        DataRow(ARow) < link_->RecordCount()) {
        TField* f = ColumnField(ACol);
        QString type, params;
        if (f)
            dkGetControlType(link_->DataSet(), f->FieldName, type, params);
        if (type == kCheckBox || type == kBitmap) {
            focusDrawn_ = false;
            Canvas()->Font.Assign(Font());
            int old = link_->ActiveRecord();
            link_->SetActiveRecord(DataRow(ARow));
            struct Restore {
                TdkGridDataLink* l;
                int r;
                ~Restore() { l->SetActiveRecord(r); }
            } restore{link_.get(), old};
            bool hl = PaintCellBackground(ACol, ARow, ARect, AState);
            if (type == kCheckBox) {
                bool ticked;
                if (IsSelectedColumn(f))
                    ticked = IsRecordSelected();
                else
                    ticked = f->DisplayText().compare(params.section(u';', 0, 0), Qt::CaseInsensitive) == 0;
                DrawCheckBox(ARect, ACol, ticked, ARow);
            } else {
                DrawBitmapCell(f, ARect, params, hl);
            }
            DrawCellLines(ARect, AState.Contains(gdSelected), false);
            if (AState.Contains(gdFixed)) {  // a user-fixed column keeps the raised edge
                TRect e = ARect;
                Frame3D(Canvas(), e, clBtnHighlight, clBtnShadow, 1);
            }
            return;
        }
    }
    TdkCustomDBGrid::DrawCell(ACol, ARow, ARect, AState);
}

void TdkDBGrid::DrawBitmapCell(TField* field, const TRect& rect, const QString& params, bool highlight)
{
    if (link_->DataSet()->State() == dsInsert && DataRow(Row()) == link_->ActiveRecord())
        return;
    auto* blob = dynamic_cast<TBlobField*>(field);
    if (!blob)
        return;
    QByteArray bytes = blob->AsBytes();
    if (bytes.size() >= 8) {
        const auto* b = reinterpret_cast<const uint8_t*>(bytes.constData());
        if (b[0] == 1 && b[1] == 0 && b[2] == 0 && b[3] == 1)
            bytes.remove(0, 8);
    }
    QImage img;
    if (bytes.isEmpty() || !img.loadFromData(bytes))
        return;
    QString fit = params.section(u';', 1, 1).trimmed();
    int w = img.width(), h = img.height();
    QRect target(rect.Left + 1, rect.Top + 1, w, h);
    if (fit == QLatin1String("Stretch To Fit")) {
        target = QRect(rect.Left, rect.Top, rect.Width(), rect.Height());
    } else if (fit == QLatin1String("Fit Height")) {
        int th = rect.Height(), tw = w * th / std::max(1, h);
        if (tw > rect.Width()) {
            th = th * rect.Width() / std::max(1, tw);
            tw = rect.Width();
        }
        target = QRect(rect.Left, rect.Top, tw, th);
    } else if (fit == QLatin1String("Fit Width")) {
        int tw = rect.Width(), th = h * tw / std::max(1, w);
        if (th > rect.Height()) {
            tw = tw * rect.Height() / std::max(1, th);
            th = rect.Height();
        }
        target = QRect(rect.Left, rect.Top, tw, th);
    }
    if (target.width() < 3 || target.height() < 3)
        return;
    // The copy mode names the raster operation the picture is drawn with.
    static const std::pair<const char*, QPainter::CompositionMode> modes[] = {
        {"Source Copy", QPainter::CompositionMode_SourceOver},
        {"Source Paint", QPainter::RasterOp_SourceOrDestination},
        {"Source And", QPainter::RasterOp_SourceAndDestination},
        {"Source Invert", QPainter::RasterOp_SourceXorDestination},
        {"Source Erase", QPainter::RasterOp_SourceAndNotDestination},
        {"Not Source Copy", QPainter::RasterOp_NotSource},
        {"Not Source Erase", QPainter::RasterOp_NotSourceAndNotDestination},
        {"Merge Paint", QPainter::RasterOp_NotSourceOrDestination},
    };
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    const QString copy = params.section(u';', 0, 0).trimmed();
    for (const auto& [name, m] : modes)
        if (copy.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            mode = m;
    if (QPainter* p = Canvas()->Painter()) {
        p->save();
        p->setClipRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()));
        p->setCompositionMode(mode);
        p->drawImage(target, img);
        p->setCompositionMode(QPainter::CompositionMode_SourceOver);
        if (highlight) {
            p->setPen(ColorToQColor(clHighlight));
            p->setBrush(Qt::NoBrush);
            p->drawRect(rect.Left, rect.Top, rect.Width() - 1, rect.Height() - 1);
        }
        p->restore();
    }
}

// ---- multi-selection -----------------------------------------------------
bool TdkDBGrid::IsRecordSelected()
{
    TDataSet* ds = link_->DataSet();
    if (!ds || ds->State() == dsEdit || ds->State() == dsInsert)
        return false;
    TBookmark bm = ds->GetBookmark();
    return bm != 0 && std::find(selection_.begin(), selection_.end(), bm) != selection_.end();
}

bool TdkDBGrid::IsSelected() { return IsRecordSelected(); }

void TdkDBGrid::SelectRecord()
{
    TDataSet* ds = link_->DataSet();
    if (!ds || !ds->Active())
        return;
    if (IsRecordSelected())
        return;
    bool accept = true;
    if (OnMultiSelectRecord)
        OnMultiSelectRecord(this, true, accept);
    TBookmark bm = ds->GetBookmark();
    if (accept && bm != 0) {
        selection_.push_back(bm);
        InvalidateRow(Row());
    }
}

void TdkDBGrid::UnselectRecord()
{
    TDataSet* ds = link_->DataSet();
    if (!ds || !IsRecordSelected())
        return;
    bool accept = true;
    if (OnMultiSelectRecord)
        OnMultiSelectRecord(this, false, accept);
    if (accept) {
        std::erase(selection_, ds->GetBookmark());
        InvalidateRow(Row());
    }
}

void TdkDBGrid::UnselectAll()
{
    selection_.clear();
    std::fill(rowCache_.begin(), rowCache_.end(), false);
    Invalidate();
}

void TdkDBGrid::UpdateSelectionCache()
{
    int rows = link_->Active() ? link_->RecordCount() : 0;
    rowCache_.assign(size_t(std::max(0, rows)), false);
    if (selection_.empty() || rows == 0)
        return;
    int old = link_->ActiveRecord();
    for (int r = 0; r < rows; ++r) {
        link_->SetActiveRecord(r);
        rowCache_[size_t(r)] = IsRecordSelected();
    }
    link_->SetActiveRecord(old);
}

bool TdkDBGrid::HighlightCell(int DataCol, int DataRow, const QString& Value, TGridDrawState State)
{
    if (options_.Contains(dgMultiSelect))
        return DataRow >= 0 && DataRow < int(rowCache_.size()) && rowCache_[size_t(DataRow)];
    return TdkCustomDBGrid::HighlightCell(DataCol, DataRow, Value, State);
}

void TdkDBGrid::SelectRange(TBookmark from, TBookmark to)
{
    TDataSet* ds = link_->DataSet();
    TControlsDisabler disabled(ds);
    ds->GotoBookmark(from);
    bool forward = ds->CompareBookmarks(from, to) <= 0;
    for (int guard = 0; guard < 10000000; ++guard) {
        SelectRecord();
        if (ds->GetBookmark() == to)
            break;
        int moved = ds->MoveBy(forward ? 1 : -1);
        if (moved == 0)
            break;
    }
    ds->GotoBookmark(to);
}

// ---- check boxes, memo cells, edit controls -----------------------------
void TdkDBGrid::ToggleCheckBox(int ACol)
{
    TField* f = ColumnField(ACol);
    TDataSet* ds = link_->DataSet();
    if (!f || !ds)
        return;
    if (IsSelectedColumn(f)) {
        if (IsRecordSelected())
            UnselectRecord();
        else
            SelectRecord();
        InvalidateCell(ACol, Row());
        return;
    }
    // Whole-row selection shows the grid for browsing: its cells are not edited.
    if (!IsEditable() || options_.Contains(dgRowSelect) || f->ReadOnly())
        return;
    QString type, params;
    dkGetControlType(ds, f->FieldName, type, params);
    QString ticked = params.section(u';', 0, 0), unticked = params.section(u';', 1, 1);
    if (!link_->Edit())
        return;
    f->SetText(f->DisplayText() == ticked ? unticked : ticked);
    InvalidateCell(ACol, Row());
}

void TdkDBGrid::ShowMemoDialog()
{
    TField* f = GetSelectedField();
    if (!f || !f->IsBlob() || memoAttributes_.Contains(mDisableDialog))
        return;
    TdkMemoDialog dlg(nullptr);
    dlg.SetDataSource(TdkCustomDBGrid::DataSource());
    dlg.SetDataField(f->FieldName);
    dlg.SetFont(Font());
    dlg.MemoAttributes = memoAttributes_;
    dlg.Caption = f->DisplayLabel().replace(u'~', u' ');
    dlg.DlgLeft = -1;
    if (!IsEditable() || f->ReadOnly())
        dlg.MemoAttributes.Include(mViewOnly);
    if (OnMemoOpen)
        OnMemoOpen(this, &dlg);
    bool ok = dlg.Execute();
    if (OnMemoClose)
        OnMemoClose(this, !ok);
    InvalidateCell(Col(), Row());
}

TWinControl* TdkDBGrid::FindEditControl(const QString& name)
{
    QString own = name.contains(u'.') ? name.section(u'.', 1) : name;
    TComponent* form = nullptr;
    if (EditControlOptions.Contains(ecoSearchOwnerForm)) {
        form = dkGetOwnerForm(this);
    } else {
        form = ParentForm();
    }
    if (!form)
        form = Owner();
    if (!form)
        return nullptr;
    auto* found = dynamic_cast<TWinControl*>(form->FindComponent(own));
    return found;
}

TWinControl* TdkDBGrid::EditControlFor(TField* field)
{
    if (!field)
        return nullptr;
    TDataSet* ds = link_->DataSet();
    QString type, params;
    dkGetControlType(ds, field->FieldName, type, params);
    if (!dkIsEditControlType(type) && type != kRichEdit)
        return nullptr;
    TWinControl* c = FindEditControl(params.section(u';', 0, 0).trimmed());
    return c && c->Parent() == this ? c : nullptr;
}

void TdkDBGrid::PrepareEditControls()
{
    TDataSet* ds = link_->DataSet();
    TStringList* list = dkGetControlTypeList(ds);
    if (!list || controlsPrepared_ || ds->FieldCount() == 0)
        return;
    controlsPrepared_ = true;
    for (int i = 0; i < list->Count(); ++i) {
        QString entry = (*list)[i];
        QString field = entry.section(u';', 0, 0);
        QString type = entry.section(u';', 1, 1);
        if (!dkIsEditControlType(type) && type != kRichEdit)
            continue;
        TWinControl* c = FindEditControl(entry.section(u';', 2, 2).trimmed());
        if (!c || c == this)
            continue;
        c->SetVisible(false);
        c->SetParent(this);
        dkSetControlDataSource(c, TdkCustomDBGrid::DataSource());
        dkSetControlDataField(c, field);
        c->SetFont(Font());
        if (auto* e = dynamic_cast<TEdit*>(c))
            e->SetBorderStyle(bsNone);
    }
}

void TdkDBGrid::ShowEditControl(bool focus)
{
    TField* f = GetSelectedField();
    TWinControl* c = EditControlFor(f);
    if (c != editControl_)
        HideEditControl();
    editControl_ = c;
    if (!c)
        return;
    dkSetControlDataSource(c, TdkCustomDBGrid::DataSource());
    dkSetControlDataField(c, f->FieldName);
    TRect r = CellRect(Col(), Row());
    if (r.Width() <= 0)
        return;
    if (c->BoundsRect() != r)
        c->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    c->SetColor(Color());
    c->SetVisible(true);
    c->BringToFront();
    if (focus || ((Focused() || c->Focused()) && options_.Contains(dgAlwaysShowEditor)))
        c->SetFocus();
}

void TdkDBGrid::HideEditControl()
{
    if (!editControl_ || Destroying())
        return;
    TWinControl* c = editControl_;
    if (c->Visible() && c->Parent() == this) {
        if (c->Focused())
            SetFocus();
        c->SetVisible(false);
    }
}

void TdkDBGrid::UpdateData()
{
    if (editControl_ && editControl_->Visible())
        editControl_->DoExit();
    TdkCustomDBGrid::UpdateData();
}

void TdkDBGrid::DoExit()
{
    QWidget* now = QApplication::focusWidget();
    if (!(now && Handle()->isAncestorOf(now))) {
        HideEditControl();
        if (!options_.Contains(dgAlwaysShowEditor))
            HideEditor();
    }
    TdkCustomDBGrid::DoExit();
}

void TdkDBGrid::Paint()
{
    // An edit control whose field is no longer shown goes.
    if (editControl_ && editControl_->Visible()) {
        TField* f = GetSelectedField();
        if (!f || EditControlFor(f) != editControl_)
            HideEditControl();
    }
    TdkCustomDBGrid::Paint();
}

void TdkDBGrid::KeyDown(Word& Key, TShiftState Shift)
{
    if (link_->Active() && Key != 0) {
        TField* f = GetSelectedField();
        QString type, params;
        if (f)
            dkGetControlType(link_->DataSet(), f->FieldName, type, params);
        if (Key == VK_F2 && f && f->IsBlob() && type != kBitmap) {
            TWinControl::KeyDown(Key, Shift);
            if (Key != 0)
                ShowMemoDialog();
            Key = 0;
            return;
        }
        if (TWinControl* c = EditControlFor(f)) {
            if ((Key == VK_DOWN && Shift.Contains(ssAlt)) || Key == VK_F2) {
                TWinControl::KeyDown(Key, Shift);
                if (Key == 0)
                    return;
                ShowEditControl(true);
                if (Key == VK_DOWN)
                    SendKeyTo(c, Qt::Key_Down, QString(), Qt::AltModifier);
                Key = 0;
                return;
            }
        }
    }
    TdkCustomDBGrid::KeyDown(Key, Shift);
}

void TdkDBGrid::KeyPress(QChar& Key)
{
    if (link_->Active() && !Key.isNull() && !EditorMode()) {
        TField* f = GetSelectedField();
        QString type, params;
        if (f)
            dkGetControlType(link_->DataSet(), f->FieldName, type, params);
        if (Key == u' ' && type == kCheckBox) {
            TWinControl::KeyPress(Key);
            if (!Key.isNull())
                ToggleCheckBox(Col());
            Key = QChar();
            return;
        }
        TWinControl* c = EditControlFor(f);
        if (c && IsEditable() && (Key == u'\b' || Key.unicode() >= 32)) {
            TWinControl::KeyPress(Key);
            if (Key.isNull())
                return;
            ShowEditControl(true);
            if (auto* e = dynamic_cast<TEdit*>(c))
                e->SelectAll();
            // The key code with the character, so key-down handlers (the
            // combo's first-letter search) see it too.
            int qtKey = Key == u'\b' ? int(Qt::Key_Backspace) : Key.unicode() < 128 ? int(Key.toUpper().unicode()) : 0;
            SendKeyTo(c, qtKey, QString(Key));
            Key = QChar();
            return;
        }
        if (type == kBitmap || type == kCheckBox)
            return;  // no editor over these cells
    }
    TdkCustomDBGrid::KeyPress(Key);
}

void TdkDBGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGridCoord cell = MouseCoord(X, Y);
    bool dataCell = link_->Active() && cell.X >= indicatorOffset_ && cell.Y >= titleOffset_;
    bool wasCurrent = cell.X == Col() && cell.Y == Row();
    TdkCustomDBGrid::MouseDown(Button, Shift, X, Y);
    if (!dataCell || Button != mbLeft || Shift.Contains(ssDouble))
        return;
    TField* f = ColumnField(cell.X);
    QString type, params;
    if (f)
        dkGetControlType(link_->DataSet(), f->FieldName, type, params);
    bool selectedColumn = type == kCheckBox && IsSelectedColumn(f);
    if (type == kCheckBox && EditControlOptions.Contains(ecoCheckboxSingleClick))
        ToggleCheckBox(cell.X);
    if (wasCurrent && EditControlFor(f))
        ShowEditControl(false);
    if (!options_.Contains(dgMultiSelect) || selectedColumn)
        return;
    bool ctrl = Shift.Contains(ssCtrl), shift = Shift.Contains(ssShift);
    if (shift && MultiSelectOptions.Contains(msoShiftSelect) && shiftAnchorSet_) {
        SelectRange(shiftAnchor_, link_->DataSet()->GetBookmark());
    } else if (ctrl || shift) {
        if (IsRecordSelected())
            UnselectRecord();
        else
            SelectRecord();
    } else if (MultiSelectOptions.Contains(msoAutoUnselect)) {
        UnselectAll();
        SelectRecord();
    }
    if (MultiSelectOptions.Contains(msoShiftSelect) && !shift) {
        shiftAnchor_ = link_->DataSet()->GetBookmark();
        shiftAnchorSet_ = true;
    }
    Invalidate();
}

void TdkDBGrid::DblClick()
{
    TCustomGrid::DblClick();
    if (!link_->Active())
        return;
    TField* f = GetSelectedField();
    QString type, params;
    if (f)
        dkGetControlType(link_->DataSet(), f->FieldName, type, params);
    if (type == kCheckBox && !EditControlOptions.Contains(ecoCheckboxSingleClick))
        ToggleCheckBox(Col());
    else if (f && f->IsBlob() && type != kBitmap)
        ShowMemoDialog();
}
