// How the data grid turns keys, mouse actions and its scroll bar into moves
// of the dataset, column changes, edits, inserts and deletes. The grid
// moves the dataset; its rows follow through the data link.

#include "datagrid/dk_db_grid.h"

#include "datagrid/dk_field_info.h"
#include "datagrid/dk_inplace_edit.h"
#include "datagrid/dk_intl.h"
#include "datagrid/dk_messages.h"
#include "platform/core/exceptions.h"
#include "platform/ui/beep.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>

namespace {

const char* const kInvalidInput =
    "Ungültiger Eingabewert. Benutzen Sie die ESC-Taste, um die Änderungen rückgängig zu machen.";

}  // namespace

bool TdkCustomDBGrid::AcquireFocus()
{
    if (acquireFocus_ && CanFocus() && !Focused() && !(InplaceEditor() && InplaceEditor()->Focused()))
        SetFocus();
    // A window that is not active cannot hand out the focus; the action
    // still goes through there (the click that activates it comes first).
    return Focused() || (InplaceEditor() && InplaceEditor()->Focused()) || !Handle()->window()->isActiveWindow();
}

void TdkCustomDBGrid::MoveByRows(int distance)
{
    if (distance != 0)
        link_->MoveBy(distance);
}

void TdkCustomDBGrid::PriorRow()
{
    TDataSet* ds = link_->DataSet();
    if (ds->State() == dsInsert && !ds->Modified() && !link_->Modified() && ds->Eof())
        ds->Cancel();
    else
        ds->MoveBy(-1);
}

void TdkCustomDBGrid::NextRow(bool mayAppend)
{
    TDataSet* ds = link_->DataSet();
    if (ds->State() == dsInsert && !ds->Modified() && !link_->Modified()) {
        if (ds->Eof())
            return;
        ds->Cancel();
    } else {
        ds->MoveBy(1);
    }
    if (mayAppend && ds->Eof() && ds->CanModify() && !readOnly_ && options_.Contains(dgEditing) &&
        KeyOptions.Contains(dgAllowInsert)) {
        HideEditControl();
        DoInsert(true);
    }
}

void TdkCustomDBGrid::DoInsert(bool append)
{
    TDataSet* ds = link_->DataSet();
    if (append)
        ds->Append();
    else
        ds->Insert();
}

void TdkCustomDBGrid::VertScroll(int code, int pos)
{
    if (!AcquireFocus() || !link_->Active())
        return;
    TDataSet* ds = link_->DataSet();
    int page = std::max(1, VisibleRowCount());
    switch (code) {
    case 0: PriorRow(); break;
    case 1: NextRow(false); break;
    case 2: MoveByRows(-page); break;
    case 3: MoveByRows(page); break;
    case 6: ds->First(); break;
    case 7: ds->Last(); break;
    case 4:
        switch (pos) {
        case 0: ds->First(); break;
        case 1: MoveByRows(-page); break;
        case 3: MoveByRows(page); break;
        case 4: ds->Last(); break;
        default: break;
        }
        break;
    default: break;
    }
    UpdateVertScrollBar();
}

bool TdkCustomDBGrid::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos))
        return true;
    if (!link_->Active() || WheelDelta == 0)
        return false;
    if (WheelDelta < 0)
        NextRow(false);
    else
        PriorRow();
    return true;
}

void TdkCustomDBGrid::TabWalk(bool back)
{
    int n = link_->FieldCount();
    if (n <= 0)
        return;
    int start = DataCol(Col());
    int c = start;
    int firstFree = std::max(0, TCustomGrid::FixedCols() - indicatorOffset_);
    for (int steps = 0; steps < 2 * n + 2; ++steps) {
        if (back) {
            if (--c < firstFree) {
                HideEditControl();
                PriorRow();
                c = n - 1;
            }
        } else if (++c >= n) {
            HideEditControl();
            NextRow(true);
            c = firstFree;
        }
        if (c == start)
            break;
        TField* f = GetFields(c);
        bool stop = f && !f->ReadOnly() && (EditCalculated || f->FieldKind != fkCalculated);
        if (stop)
            break;
    }
    ChangeColumn(c);
}

bool TdkCustomDBGrid::ValidateEditorText()
{
    TdkInplaceEdit* ed = Editor();
    if (!ed || !ed->HasPicture() || !link_->Modified())
        return true;
    if (ed->Validate(ed->Text()) || ed->Picture()->AllowInvalidExit())
        return true;
    ed->SelectAll();
    TDataSet* ds = link_->DataSet();
    TdkInvalidValueEvent onInvalid = dkGetOnInvalidValue(ds);
    if (onInvalid) {
        onInvalid(ds, GetSelectedField());
        return false;
    }
    MessageBeep(0);
    throw Exception(QString::fromUtf8(kInvalidInput));
}

void TdkCustomDBGrid::ChangeColumn(int DataColumn)
{
    if (!link_->Active())
        return;
    if (!ValidateEditorText())
        return;
    link_->UpdateRecord();
    int n = link_->FieldCount();
    int target = std::clamp(DataColumn, 0, std::max(0, n - 1));
    target = std::max(target, TCustomGrid::FixedCols() - indicatorOffset_);
    int newCol = target + indicatorOffset_;
    if (newCol >= ColCount() || newCol == Col())
        return;
    if (!inColExit_ && OnColExit) {
        inColExit_ = true;
        int before = Col();
        try {
            OnColExit(this);
        } catch (...) {
            inColExit_ = false;
            throw;
        }
        inColExit_ = false;
        if (Col() != before)
            return;
    }
    HideEditor();
    if (!handOver_ && options_.Contains(dgAlwaysShowEditor) && !HasCellControl(newCol, Row()))
        HideEditControl();
    MoveColRow(newCol, Row(), true, true);
    if (OnColEnter)
        OnColEnter(this);
}

void TdkCustomDBGrid::CancelAction()
{
    TDataSet* ds = link_->DataSet();
    if (!ds)
        return;
    if (EditorMode() && link_->Modified()) {
        // Typed text not yet written: only the cell text comes back.
        link_->SetModified(false);
        if (InplaceEditor())
            InplaceEditor()->UpdateContents();
        return;
    }
    if (ds->State() == dsEdit || ds->State() == dsInsert) {
        if (ds->Modified() &&
            MessageDlg(dkUserMessage(QStringLiteral("dkDBGridDiscardChanges")), mtConfirmation, {mbYes, mbNo}) !=
                mrYes)
            return;
        ds->Cancel();
    }
}

bool TdkCustomDBGrid::CanEditModify()
{
    if (readOnly_ || !link_->Active() || link_->ReadOnly())
        return false;
    TField* f = GetSelectedField();
    if (!f)
        return false;
    TDataSet* ds = link_->DataSet();
    if (!ds->CanModify()) {
        dkShowMessage(mtInformation, QStringLiteral("Die Tabelle ist schreibgeschützt; Änderungen sind nicht möglich."));
        return false;
    }
    if (f->CanModify() || (EditCalculated && f->FieldKind == fkCalculated && !f->ReadOnly())) {
        link_->Edit();
        if (link_->Editing())
            link_->SetModified(true);
        return link_->Editing();
    }
    return false;
}

bool dkFieldIsValidChar(const TField* field, QChar c)
{
    switch (field->DataType()) {
    case ftSmallint:
    case ftInteger: return c.isDigit() || c == u'+' || c == u'-';
    case ftFloat:
        return c.isDigit() || c == u'+' || c == u'-' || c == u'e' || c == u'E' || c == u',' || c == u'.';
    default: return true;
    }
}

bool TdkCustomDBGrid::CanEditAcceptKey(QChar Key) const
{
    TField* f = GetSelectedField();
    return f && dkFieldIsValidChar(f, Key);
}

void TdkCustomDBGrid::KeyDown(Word& Key, TShiftState Shift)
{
    TWinControl::KeyDown(Key, Shift);
    if (Key == 0 || !link_->Active())
        return;
    TDataSet* ds = link_->DataSet();
    bool ctrl = Shift.Contains(ssCtrl);
    bool rowSelect = options_.Contains(dgRowSelect);
    bool singleField = link_->FieldCount() <= 1;
    int dc = DataCol(Col());
    int lastCol = std::max(0, link_->FieldCount() - 1);
    switch (Key) {
    case VK_UP:
        if (ctrl)
            MoveByRows(-link_->ActiveRecord());
        else
            PriorRow();
        break;
    case VK_DOWN:
        if (ctrl)
            MoveByRows(link_->RecordCount() - 1 - link_->ActiveRecord());
        else
            NextRow(true);
        break;
    case VK_PRIOR:
        if (ctrl)
            MoveByRows(-link_->ActiveRecord());
        else
            MoveByRows(-std::max(1, VisibleRowCount()));
        break;
    case VK_NEXT:
        if (ctrl)
            MoveByRows(link_->RecordCount() - 1 - link_->ActiveRecord());
        else
            MoveByRows(std::max(1, VisibleRowCount()));
        break;
    case VK_HOME:
        if (ctrl || singleField || rowSelect)
            ds->First();
        else
            ChangeColumn(0);
        break;
    case VK_END:
        if (ctrl || singleField || rowSelect)
            ds->Last();
        else
            ChangeColumn(lastCol);
        break;
    case VK_LEFT:
        if (rowSelect)
            PriorRow();
        else
            ChangeColumn(ctrl ? 0 : dc - 1);
        break;
    case VK_RIGHT:
        if (rowSelect)
            NextRow(false);
        else
            ChangeColumn(ctrl ? lastCol : dc + 1);
        break;
    case VK_TAB:
        if (Shift.Contains(ssAlt) || !options_.Contains(dgTabs))
            return;
        TabWalk(Shift.Contains(ssShift));
        break;
    case VK_RETURN:
        if (!KeyOptions.Contains(dgEnterToTab))
            return;
        TabWalk(Shift.Contains(ssShift));
        break;
    case VK_ESCAPE:
        CancelAction();
        if (!options_.Contains(dgAlwaysShowEditor))
            HideEditor();
        else if (OnCheckValue && Editor())
            Editor()->Validate(Editor()->Text());
        break;
    case VK_INSERT:
        if (ctrl || Shift.Contains(ssShift))
            return;
        if (!readOnly_ && options_.Contains(dgEditing) && KeyOptions.Contains(dgAllowInsert))
            DoInsert(false);
        break;
    case VK_F2:
        if (!CanEditShow())
            return;
        if (EditorMode())
            HideEditor();
        else
            ShowEditor();
        break;
    case VK_DELETE:
        if (!ctrl)
            return;
        if (KeyOptions.Contains(dgAllowDelete) && !readOnly_ && ds->CanModify() && options_.Contains(dgEditing) &&
            !ds->IsEmpty() &&
            (!options_.Contains(dgConfirmDelete) ||
             MessageDlg(QStringLiteral("Datensatz löschen?"), mtConfirmation, {mbOK, mbCancel}) == mrOk)) {
            ds->Delete();
            HideEditor();
        }
        break;
    default: return;
    }
    Key = 0;
}

void TdkCustomDBGrid::KeyPress(QChar& Key)
{
    TWinControl::KeyPress(Key);
    if (Key.isNull() || !link_->Active())
        return;
    if (Key == u'\r') {
        if (KeyOptions.Contains(dgEnterToTab)) {
            Key = u'\t';
            return;
        }
        if (!options_.Contains(dgAlwaysShowEditor)) {
            link_->UpdateRecord();
            if (EditorMode())
                HideEditor();
            else if (CanEditShow())
                ShowEditor();
        }
        Key = QChar();
        return;
    }
    // Typing on a cell starts the editor with the typed character.
    bool typing = Key == u'\b' || Key.unicode() >= 32;
    if (typing && !EditorMode() && options_.Contains(dgEditing)) {
        TDataSet* ds = link_->DataSet();
        if (!readOnly_ && ds && !ds->CanModify()) {
            dkShowMessage(mtInformation,
                          QStringLiteral("Die Tabelle ist schreibgeschützt; Änderungen sind nicht möglich."));
            Key = QChar();
            return;
        }
        if (CanEditShow()) {
            ShowEditor();
            if (InplaceEditor() && EditorMode()) {
                QString text(Key);
                QKeyEvent press(QEvent::KeyPress, Key == u'\b' ? Qt::Key_Backspace : 0, Qt::NoModifier, text);
                QCoreApplication::sendEvent(InplaceEditor()->Handle(), &press);
            }
            Key = QChar();
        }
    }
}

void TdkCustomDBGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Shift.Contains(ssDouble) && Button == mbLeft)
        return;  // the double click only fires OnDblClick
    if (!link_->Active()) {
        TCustomGrid::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (!AcquireFocus())
        return;
    TGridCoord cell = MouseCoord(X, Y);
    if (cell.Y >= 0 && cell.Y < titleOffset_) {
        link_->UpdateRecord();
        if (titleButtons_ && Button == mbLeft && cell.X >= indicatorOffset_) {
            pressedCol_ = cell.X;
            pressedRow_ = cell.Y;
            InvalidateCell(cell.X, cell.Y);
        }
        TCustomGrid::MouseDown(Button, Shift, X, Y);
        return;
    }
    dataPressed_ = Button == mbLeft && cell.Y >= titleOffset_;
    if (Button == mbLeft && cell.X >= 0 && cell.Y >= titleOffset_) {
        if (cell.X == Col() && cell.Y == Row()) {
            if (CanEditShow() && !EditorMode())
                ShowEditor();
        } else {
            handOver_ = true;
            try {
                if (cell.X >= indicatorOffset_)
                    ChangeColumn(DataCol(cell.X));
                MoveByRows(cell.Y - Row());
            } catch (...) {
                handOver_ = false;
                throw;
            }
            handOver_ = false;
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TdkCustomDBGrid::MouseMove(TShiftState Shift, int X, int Y)
{
    int direction = 0;
    if (dataPressed_ && Shift.Contains(ssLeft) && link_->Active()) {
        int top = titleOffset_ > 0 ? RowHeights(0) + GridLineWidth() : 0;
        TRect last = CellRect(indicatorOffset_, titleOffset_ + std::max(0, link_->RecordCount() - 1));
        if (Y < top)
            direction = -1;
        else if (last.Height() > 0 && Y >= last.Bottom + GridLineWidth())
            direction = 1;
    }
    if (direction != timedScroll_) {
        timedScroll_ = direction;
        if (direction == 0) {
            if (scrollTimer_)
                scrollTimer_->stop();
        } else {
            if (!scrollTimer_) {
                scrollTimer_ = std::make_unique<QTimer>();
                scrollTimer_->setInterval(60);
                QObject::connect(scrollTimer_.get(), &QTimer::timeout, [this] { Dispatch([this] { TimedScroll(); }); });
            }
            scrollTimer_->start();
        }
    }
    if (direction == 0)
        TCustomGrid::MouseMove(Shift, X, Y);
    else
        TCustomControl::MouseMove(Shift, X, Y);
}

void TdkCustomDBGrid::TimedScroll()
{
    if (!link_->Active() || timedScroll_ == 0)
        return;
    if (timedScroll_ < 0)
        MoveByRows(-1 - link_->ActiveRecord());
    else
        MoveByRows(link_->RecordCount() - link_->ActiveRecord());
}

void TdkCustomDBGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) {
        dataPressed_ = false;
        timedScroll_ = 0;
        if (scrollTimer_)
            scrollTimer_->stop();
    }
    TCustomGrid::MouseUp(Button, Shift, X, Y);
    if (pressedCol_ < 0)
        return;
    int col = pressedCol_, row = pressedRow_;
    pressedCol_ = pressedRow_ = -1;
    InvalidateCell(col, row);
    TGridCoord cell = MouseCoord(X, Y);
    if (cell.X == col && cell.Y == row)
        if (TField* f = ColumnField(col))
            DoTitleButtonClick(f->FieldName);
}

void TdkCustomDBGrid::DoExit()
{
    // Focus that moves to the grid's own editor stays in the grid.
    QWidget* now = QApplication::focusWidget();
    if (now && Handle()->isAncestorOf(now)) {
        TCustomGrid::DoExit();
        return;
    }
    if (link_->Active()) {
        TDataSet* ds = link_->DataSet();
        if (options_.Contains(dgCancelOnExit) && ds->State() == dsInsert && !ds->Modified() && !link_->Modified()) {
            ds->Cancel();
        } else {
            try {
                UpdateData();
            } catch (...) {
                SetFocus();
                throw;
            }
        }
    }
    TCustomGrid::DoExit();
}
