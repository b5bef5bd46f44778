#include "datagrid/dk_inplace_edit.h"

#include "datagrid/dk_db_grid.h"
#include "datagrid/dk_field_info.h"
#include "datagrid/picture_validator.h"
#include "platform/ui/beep.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

TdkInplaceEdit::TdkInplaceEdit(TdkCustomDBGrid* grid) : TInplaceEdit(grid), dkGrid_(grid)
{
    SetWordWrap(grid->Options().Contains(dgWordWrap));
}

void TdkInplaceEdit::SetWordWrap(bool v)
{
    wordWrap_ = v;
    // Returns stay out: Enter belongs to the grid.
    SetMultiLine(v, v, false);
}

void TdkInplaceEdit::ReadFieldPicture()
{
    hasPicture_ = false;
    TDataSet* ds = dkGrid_->DataLink()->DataSet();
    TField* f = dkGrid_->GetSelectedField();
    if (!ds || !f)
        return;
    QString mask;
    bool autoFill = true, flag2 = false;
    dkGetFieldPictureMask(ds, f->FieldName, true, mask, autoFill, flag2);
    hasPicture_ = !mask.isEmpty();
    picture_.SetPictureMask(mask);
    picture_.SetAutoFill(autoFill);
    picture_.SetAllowInvalidExit(false);
}

void TdkInplaceEdit::CheckValue(bool passes)
{
    if (dkGrid_->OnCheckValue)
        dkGrid_->OnCheckValue(this, passes);
}

bool TdkInplaceEdit::Validate(const QString& text)
{
    bool passes = true;
    if (!text.isEmpty() && hasPicture_ && !picture_.PictureMask().isEmpty()) {
        TdkPictureValidator v(picture_.PictureMask(), picture_.AutoFill());
        passes = v.IsValid(text);
    }
    CheckValue(passes);
    return passes;
}

void TdkInplaceEdit::UpdateContents()
{
    // A string cell takes no more characters than its field holds, typed
    // or pasted; other cells are not limited. The limit follows the cell's
    // text, so the text of the cell before is never cut by it.
    SetMaxLength(0);
    TInplaceEdit::UpdateContents();
    TField* f = dkGrid_->GetSelectedField();
    if (f && f->DataType() == ftString)
        SetMaxLength(f->Size());
    ReadFieldPicture();
}

void TdkInplaceEdit::DoEnter()
{
    TInplaceEdit::DoEnter();
    if (dkGrid_->DataLink()->DataSet() && dkGrid_->GetSelectedField()) {
        ReadFieldPicture();
        Validate(Text());
    }
}

void TdkInplaceEdit::KeyDown(Word& Key, TShiftState Shift)
{
    // The user's handler first, then the keys the grid acts on.
    TEdit::KeyDown(Key, Shift);
    if (Key == 0)
        return;
    bool enterToTab = dkGrid_->KeyOptions.Contains(dgEnterToTab);
    bool ctrl = Shift.Contains(ssCtrl);
    QLineEdit* e = Edit();
    bool atStart = e->cursorPosition() == 0 && !e->hasSelectedText();
    bool atEnd = e->cursorPosition() == int(e->text().size()) && !e->hasSelectedText();
    bool toGrid = false;
    switch (Key) {
    case VK_RETURN: toGrid = enterToTab; break;
    case VK_PRIOR: toGrid = true; break;
    case VK_UP: case VK_DOWN: case VK_NEXT: case VK_ESCAPE: toGrid = true; break;
    case VK_TAB: toGrid = !Shift.Contains(ssAlt); break;
    case VK_INSERT: toGrid = Shift.Empty(); break;
    case VK_DELETE: toGrid = ctrl && !Shift.Contains(ssShift); break;
    case VK_LEFT: case VK_HOME: toGrid = ctrl || atStart; break;
    case VK_RIGHT: case VK_END: toGrid = ctrl || atEnd; break;
    case VK_F2:
        dkGrid_->HideEditor();
        Key = 0;
        return;
    default: break;
    }
    if (toGrid) {
        dkGrid_->KeyDown(Key, Shift);
        Key = 0;
        return;
    }
    // Paste and cut change the cell like typing does.
    bool shift = Shift.Contains(ssShift);
    if ((ctrl && Key == 'V') || (shift && Key == VK_INSERT)) {
        PasteFromClipboard();
        Key = 0;
        return;
    }
    if ((ctrl && Key == 'X') || (shift && Key == VK_DELETE)) {
        if (dkGrid_->CanEditModify())
            Edit()->cut();
        Key = 0;
        return;
    }
    if (Key == VK_DELETE && !dkGrid_->CanEditModify())
        Key = 0;
}

void TdkInplaceEdit::KeyUp(Word& Key, TShiftState Shift)
{
    if (Key == VK_RETURN && dkGrid_->KeyOptions.Contains(dgEnterToTab))
        Key = VK_TAB;
    TEdit::KeyUp(Key, Shift);
    if (Key == VK_DELETE && dkGrid_->OnCheckValue)
        Validate(Text());
}

void TdkInplaceEdit::KeyPress(QChar& Key)
{
    if (Key == u'\r' && dkGrid_->KeyOptions.Contains(dgEnterToTab))
        Key = u'\t';
    // The framework editor: the grid sees the character first.
    TEdit::KeyPress(Key);
    if (Key.isNull())
        return;
    dkGrid_->KeyPress(Key);
    if (Key.isNull())
        return;
    ushort k = Key.unicode();
    if (k >= 32 && !dkGrid_->CanEditAcceptKey(Key)) {
        Key = QChar();
        MessageBeep(0);
        return;
    }
    if (k == 9 || k == 27 || k == 13) {
        Key = QChar();
        return;
    }
    if ((k == 8 || k == 22 || k == 24 || k >= 32) && !dkGrid_->CanEditModify()) {
        Key = QChar();
        return;
    }
    if (!hasPicture_)
        return;
    QLineEdit* e = Edit();
    const QString text = e->text();
    int selStart = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    int selLen = int(e->selectedText().size());
    if (k == 8) {
        if (dkGrid_->OnCheckValue) {
            QString left = selLen > 0 ? text.left(selStart) + text.mid(selStart + selLen)
                                      : text.left(std::max(0, selStart - 1)) + text.mid(selStart);
            Validate(left);
        }
        return;
    }
    if (k < 32)
        return;
    QString candidate = text.left(selStart) + Key + text.mid(selStart + selLen);
    if (MaxLength() > 0 && candidate.size() > MaxLength())
        return;
    TdkPictureValidator v(picture_.PictureMask(), picture_.AutoFill());
    QString completed = candidate;
    TPicResult r = v.Picture(completed, true);
    if (IsComplete(r)) {
        // The completed text stands; the typed character passes on at
        // its place so the edit inserts it itself.
        int pos = selStart;
        QString without = completed;
        if (pos < without.size()) {
            Key = without[pos];
            without.remove(pos, 1);
        }
        SetText(without);
        e->setCursorPosition(pos);
        CheckValue(true);
    } else if (IsIncomplete(r)) {
        SetText(completed);
        int grown = int(completed.size() - text.size()) + selLen;
        bool atEnd = selStart + selLen >= text.size();
        e->setCursorPosition(atEnd ? int(completed.size()) : std::min(int(completed.size()), selStart + grown));
        Key = QChar();
        CheckValue(false);
    } else if (r == prError) {
        if (selStart + selLen < text.size()) {
            CheckValue(false);
            return;
        }
        Key = QChar();
        MessageBeep(0);
    }
}

void TdkInplaceEdit::PasteFromClipboard()
{
    if (!dkGrid_->CanEditModify())
        return;
    Edit()->paste();
    if (!dkGrid_->ReadOnly())
        dkGrid_->DataLink()->SetModified(true);
}
