#include "datacontrols/dk_db_edit.h"

#include "datagrid/dk_field_info.h"
#include "datagrid/dk_strings.h"
#include "datagrid/picture_validator.h"
#include "platform/core/sys_utils.h"
#include "platform/ui/beep.h"
#include "platform/ui/line_edit.h"

#include <QGuiApplication>
#include <QLineEdit>

// ---- TdkCustomMaskEdit ---------------------------------------------------
TdkCustomMaskEdit::TdkCustomMaskEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner)
{
    // Scrolling the lines of an edit that floats over a grid cell, unfocused,
    // first gives it the focus.
    LineEdit()->OnUserScroll = [this] {
        if (dynamic_cast<TdkCustomDBGrid*>(Parent()) && !Focused() && CanFocus())
            SetFocus();
    };
}

void TdkCustomMaskEdit::SetWordWrap(bool v)
{
    wordWrap_ = v;
    ApplyLines();
}

void TdkCustomMaskEdit::SetShowVertScrollBar(bool v)
{
    if (showVertScrollBar_ == v)
        return;
    showVertScrollBar_ = v;
    ApplyLines();
}

// Several lines without a border (a cell control of a grid) or with word
// wrap; the scroll bar asked for shows either way and makes no lines.
void TdkCustomMaskEdit::ApplyLines()
{
    SetMultiLine(BorderStyle() == bsNone || wordWrap_, wordWrap_, showVertScrollBar_);
}

void TdkCustomMaskEdit::SetBorderStyle(TBorderStyle v)
{
    TEdit::SetBorderStyle(v);
    ApplyLines();
}

TdkDBPicture* TdkCustomMaskEdit::Picture()
{
    picture_.RefreshFromField();
    return &picture_;
}

void TdkCustomMaskEdit::SetPicture(const TdkDBPicture* picture)
{
    if (!picture)
        return;
    picture_.SetPictureMask(picture->PictureMask());
    picture_.SetAutoFill(picture->AutoFill());
}

void TdkCustomMaskEdit::DoCheckValue(bool Passes)
{
    if (OnCheckValue)
        OnCheckValue(this, Passes);
}

bool TdkCustomMaskEdit::HasPictureMask() { return UsePictureMask && !picture_.PictureMask().isEmpty(); }

bool TdkCustomMaskEdit::CheckValue(const QString& Text)
{
    const QString mask = picture_.PictureMask();
    bool passes = true;
    if (!Text.isEmpty() && !mask.isEmpty()) {
        TdkPictureValidator v(mask, false);
        QString t = Text;
        passes = IsComplete(v.Picture(t, false));
    }
    DoCheckValue(passes);
    return passes;
}

void TdkCustomMaskEdit::PictureKeyPress(QChar& Key)
{
    keyHandled_ = false;
    if (!HasPictureMask())
        return;
    QLineEdit* e = Edit();
    const QString text = e->text();
    const int selStart = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    const int selLen = int(e->selectedText().size());
    const ushort k = Key.unicode();
    if (k == 8) {
        EnterEditState();
        if (OnCheckValue && EditWritable())
            CheckValue(selLen > 0 ? text.left(selStart) + text.mid(selStart + selLen)
                                  : text.left(std::max(0, selStart - 1)) + text.mid(selStart));
        return;
    }
    if (k < 32) {
        if (k == 13 && !WantReturns)
            Key = QChar();
        return;
    }
    QString prospective = text.left(selStart) + Key + text.mid(selStart + selLen);
    if (MaxLength() > 0 && prospective.size() > MaxLength() && text.size() < prospective.size())
        return;
    TdkPictureValidator v(picture_.PictureMask(), picture_.AutoFill());
    QString completed = prospective;
    TPicResult r = v.Picture(completed, picture_.AutoFill());
    const bool allSelected = selLen > 0 && selLen == text.size();
    bool passes = true, rejected = false;
    if (IsComplete(r)) {
        EnterEditState();
        if (EditWritable()) {
            SetText(completed);
            int growth = int(completed.size() - text.size());
            e->setCursorPosition(allSelected ? int(completed.size())
                                             : std::min(int(completed.size()), selStart + (growth > 0 ? growth : 1)));
            Key = QChar();
            keyHandled_ = true;
        }
    } else if (IsIncomplete(r)) {
        EnterEditState();
        if (EditWritable()) {
            SetText(completed);
            int pos = allSelected ? int(completed.size())
                      : selLen > 0 ? selStart + 1
                                   : selStart + std::max(1, int(completed.size() - text.size()));
            e->setCursorPosition(std::min(pos, int(completed.size())));
        }
        Key = QChar();
        keyHandled_ = true;
        passes = false;
    } else if (r == prError) {
        if (selStart + selLen < text.size()) {
            passes = false;
        } else {
            Key = QChar();
            MessageBeep(0);
            rejected = true;
        }
    }
    if (!rejected && EditWritable())
        DoCheckValue(passes);
}

void TdkCustomMaskEdit::CheckExit()
{
    invalidExit_ = false;
    if (HasPictureMask() && Modified && !CheckValue(Text()) && !picture_.AllowInvalidExit()) {
        SelectAll();
        SetFocus();
        Modified = true;
        MessageBeep(0);
        invalidExit_ = true;
    }
}

// ---- TdkDBCustomEdit -----------------------------------------------------
TdkDBCustomEdit::TdkDBCustomEdit(TComponent* AOwner) : TdkCustomMaskEdit(AOwner)
{
    TEdit::SetReadOnly(true);
    link_.OnDataChange = [this] { DataChange(); };
    link_.OnEditingChange = [this] { EditingChange(); };
    link_.OnUpdateData = [this] { UpdateData(); };
    link_.OnActiveChange = [this] { DataChange(); };
    link_.OnFocusControl = [this] { return TakeFocusForField(this); };
}

TdkDBCustomEdit::~TdkDBCustomEdit()
{
    BeginDestroy();
    link_.OnDataChange = nullptr;
    link_.OnEditingChange = nullptr;
    link_.OnUpdateData = nullptr;
    link_.OnActiveChange = nullptr;
    link_.OnFocusControl = nullptr;
    link_.SetDataSource(nullptr);
}

TDataSource* TdkDBCustomEdit::GetDataSource() const { return DataSource(); }

void TdkDBCustomEdit::SetDataSource(TDataSource* source)
{
    link_.SetDataSource(source);
    DataChange();
}

void TdkDBCustomEdit::SetDataField(const QString& name)
{
    if (TField* old = link_.Field(); old && old->DataType() == ftString && MaxLength() == old->Size())
        SetMaxLength(0);
    link_.SetFieldName(name);
    DataChange();
}

void TdkDBCustomEdit::SetReadOnly(bool v)
{
    ownReadOnly_ = v;
    link_.SetReadOnly(v);
    TEdit::SetReadOnly(v || (link_.Field() && !link_.Editing()));
}

TDataSet* TdkDBCustomEdit::PictureDataSet() const
{
    return link_.DataSource() && !link_.FieldName().isEmpty() ? link_.DataSource()->DataSet() : nullptr;
}

QString TdkDBCustomEdit::PictureFieldName() const { return link_.FieldName(); }

bool TdkDBCustomEdit::IsDateField() const
{
    return (Field() && Field()->DataType() == ftDate) || UnboundDataType == dkEdtDate;
}

bool TdkDBCustomEdit::IsTimeField() const { return UnboundDataType == dkEdtTime; }

bool TdkDBCustomEdit::IsDateTimeField() const
{
    return (Field() && Field()->DataType() == ftDate) || UnboundDataType == dkEdtDateTime;
}

bool TdkDBCustomEdit::IsMemoField() const { return Field() && Field()->DataType() == ftMemo; }

void TdkDBCustomEdit::SetModified(bool Value)
{
    if (Value && Field() && Field()->ReadOnly())
        return;
    if (Value)
        link_.Modified();
    Modified = Value;
}

void TdkDBCustomEdit::ShowText(const QString& text)
{
    SetText(text);
    Modified = false;
}

QString TdkDBCustomEdit::DisplayText()
{
    TField* f = Field();
    if (!f)
        return QString();
    return IsMemoField() ? f->AsString() : f->DisplayText();
}

void TdkDBCustomEdit::DataChange()
{
    if (Destroying())
        return;
    TField* f = Field();
    if (f) {
        if (f->Alignment() != alignment_) {
            alignment_ = f->Alignment();
            Edit()->setAlignment(alignment_ == kFieldAlignRight    ? Qt::AlignRight | Qt::AlignVCenter
                                 : alignment_ == kFieldAlignCenter ? Qt::AlignHCenter | Qt::AlignVCenter
                                                                   : Qt::AlignLeft | Qt::AlignVCenter);
        }
        if (!HasPictureMask())
            SetEditMask(f->EditMask);
        if (f->DataType() == ftString && MaxLength() == 0)
            SetMaxLength(f->Size());
        if ((focused_ || IsMemoField()) && link_.CanModify())
            ShowText(IsMemoField() ? f->AsString() : f->Text());
        else
            ShowText(DisplayText());
        EditingChange();
    } else {
        alignment_ = kFieldAlignLeft;
        Edit()->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        SetEditMask(QString());
        if (link_.DataSource())
            ShowText(QString());
    }
}

void TdkDBCustomEdit::EditingChange()
{
    if (Field())
        TEdit::SetReadOnly(ownReadOnly_ || !link_.Editing());
}

void TdkDBCustomEdit::EnterEditState()
{
    if (Field())
        link_.Edit();
}

void TdkDBCustomEdit::UpdateData()
{
    if (TEdit::ReadOnly())
        return;
    TField* f = Field();
    TDataSet* ds = link_.DataSet();
    if (!HasPictureMask()) {
        ValidateEdit();
    } else if (dkGetValidateWithMask(ds)) {
        if (!CheckValue(Text())) {
            if (TdkInvalidValueEvent handler = dkGetOnInvalidValue(ds))
                handler(ds, f);
            else
                ValidateError();
        }
    } else {
        ValidateEdit();
    }
    if (!Modified || !f)
        return;
    if (IsMemoField())
        f->SetAsString(Text());
    else if (link_.Editing() || dkIsCalcOrLookupField(f))
        f->SetText(GetEditText());
}

void TdkDBCustomEdit::Reset()
{
    if (Field())
        link_.Reset();
    else
        ShowText(savedText_);
    SelectAll();
    Modified = false;
    if (OnCheckValue)
        CheckValue(Text());
}

void TdkDBCustomEdit::DoEnter()
{
    focused_ = true;
    if (Field())
        link_.Reset();
    else
        savedText_ = Text();
    if (AutoSelect && !(QGuiApplication::mouseButtons() & Qt::LeftButton))
        SelectAll();
    picture_.RefreshFromField();
    if (ParentGrid())
        SelectAll();
    if (!Field())
        Modified = false;
    TdkCustomMaskEdit::DoEnter();
}

void TdkDBCustomEdit::DoExit()
{
    bool wasModified = Modified;
    try {
        link_.UpdateRecord();
    } catch (...) {
        SelectAll();
        SetFocus();
        Modified = wasModified;
        throw;
    }
    CheckExit();
    TdkCustomMaskEdit::DoExit();
    if (!invalidExit_) {
        focused_ = false;
        if (Field() && !Modified)
            DataChange();
    }
}

void TdkDBCustomEdit::Loaded()
{
    TdkCustomMaskEdit::Loaded();
    if (TField* f = Field(); f && f->DataType() == ftString && MaxLength() == 0)
        SetMaxLength(f->Size());
    if (!Field() && !ownReadOnly_)
        TEdit::SetReadOnly(false);
}

void TdkDBCustomEdit::Paste()
{
    if (!Field() && ownReadOnly_)
        return;
    if (Field())
        link_.Edit();
    else
        TEdit::SetReadOnly(false);
    if (TEdit::ReadOnly())
        return;
    QLineEdit* e = Edit();
    int start = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    int before = int(e->text().size()) - int(e->selectedText().size());
    e->paste();
    SetModified(true);
    int pasted = int(e->text().size()) - before;
    if (HasPictureMask()) {
        // The pasted text goes through the picture with completion.
        TdkPictureValidator v(picture_.PictureMask(), true);
        QString t = e->text();
        v.Picture(t, true);
        SetText(t);
        e->setCursorPosition(std::min(int(t.size()), start + pasted));
    }
    if (OnCheckValue)
        CheckValue(Text());
}

void TdkDBCustomEdit::Cut()
{
    if (Field())
        link_.Edit();
    if (TEdit::ReadOnly())
        return;
    Edit()->cut();
    SetModified(true);
    if (OnCheckValue)
        CheckValue(Text());
}

void TdkDBCustomEdit::KeyDown(Word& Key, TShiftState Shift)
{
    QLineEdit* e = Edit();
    TdkCustomDBGrid* grid = ParentGrid();
    bool partialMemo = IsMemoField() && e->hasSelectedText() && e->selectedText().size() < e->text().size();
    if (grid && !partialMemo) {
        bool alt = Shift.Contains(ssAlt), ctrl = Shift.Contains(ssCtrl);
        bool always = grid->Options().Contains(dgAlwaysShowEditor);
        bool atEnd = !e->hasSelectedText() && e->cursorPosition() == int(e->text().size());
        bool atStart = !e->hasSelectedText() && e->cursorPosition() == 0;
        bool toGrid = false;
        switch (Key) {
        case VK_ESCAPE: toGrid = !Modified; break;
        case VK_PRIOR: case VK_NEXT: case VK_UP: case VK_DOWN: toGrid = !alt; break;
        case VK_END: case VK_RIGHT: toGrid = always && (ctrl || atEnd); break;
        case VK_HOME: case VK_LEFT: toGrid = always && (ctrl || atStart); break;
        case VK_INSERT: toGrid = !Shift.Contains(ssShift); break;
        case VK_DELETE: toGrid = ctrl; break;
        case VK_TAB: toGrid = grid->Options().Contains(dgTabs); break;
        case VK_RETURN: toGrid = !WantReturns; break;
        default: break;
        }
        if (toGrid) {
            grid->SetFocus();
            grid->KeyDown(Key, Shift);
            Key = 0;
            return;
        }
    }
    TdkCustomMaskEdit::KeyDown(Key, Shift);  // the user's OnKeyDown
    if (Key == 0)
        return;
    if (Key == VK_F2) {
        if (IsTextEditable())
            e->deselect();
        return;
    }
    bool ctrl = Shift.Contains(ssCtrl), shift = Shift.Contains(ssShift);
    if ((ctrl && Key == 'V') || (shift && Key == VK_INSERT)) {
        Paste();
        Key = 0;
        return;
    }
    if ((ctrl && Key == 'X') || (shift && Key == VK_DELETE)) {
        Cut();
        Key = 0;
        return;
    }
    if (Key == VK_DELETE || (Key == VK_INSERT && shift)) {
        if (Field()) {
            link_.Edit();
            SetModified(true);
        } else if (!ownReadOnly_) {
            TEdit::SetReadOnly(false);
        }
    }
}

void TdkDBCustomEdit::KeyUp(Word& Key, TShiftState Shift)
{
    TdkCustomMaskEdit::KeyUp(Key, Shift);
    if (Key == VK_DELETE && OnCheckValue)
        CheckValue(Text());
}

void TdkDBCustomEdit::KeyPress(QChar& Key)
{
    TdkCustomMaskEdit::KeyPress(Key);  // the user's OnKeyPress
    if (Key.isNull())
        return;
    const ushort k = Key.unicode();
    TField* f = Field();
    TDataSet* ds = link_.DataSet();
    // 1. Typing into a control that shows read-only text.
    if ((k >= 32 || k == 8) && TEdit::ReadOnly()) {
        if (!f) {
            if (ownReadOnly_ || link_.DataSource()) {
                Key = QChar();
                return;
            }
            TEdit::SetReadOnly(false);
        } else if (!ownReadOnly_) {
            if (f->ReadOnly() || !ds || !ds->CanModify()) {
                Key = QChar();
                return;
            }
            if (dkIsCalcOrLookupField(f))
                ds->Edit();
            TEdit::SetReadOnly(false);
        } else {
            Key = QChar();
            return;
        }
    }
    // 2. Dates and times from the clock.
    if ((!picture_.AutoFill() || !HasPictureMask()) && AutoFillDate && Key == u' ') {
        if (f)
            link_.Edit();
        if (AutoFillDateTime()) {
            if (OnCheckValue)
                CheckValue(Text());
            Key = QChar();
            return;
        }
    }
    // 3. The picture.
    PictureKeyPress(Key);
    if (Key.isNull()) {
        if (keyHandled_)
            SetModified(true);
        return;
    }
    // 4. Characters the field does not take.
    if (!BypassFieldCharCheck() && k >= 32 && f && !dkFieldIsValidChar(f, Key)) {
        MessageBeep(0);
        Key = QChar();
        return;
    }
    // 5. The keys that change the text, and the grid's keys.
    if (k == 8 || k == 22 || k == 24 || k >= 32) {
        if (f)
            link_.Edit();
        SetModified(true);
        if (!IsTextEditable())
            Key = QChar();
    } else if (k == 9) {
        if (ParentGrid())
            Key = QChar();
    } else if (k == 13) {
        if (!WantReturns) {
            Key = QChar();
        } else {
            if (f)
                link_.Edit();
            SetModified(true);
        }
    } else if (k == 27) {
        Reset();
        Invalidate();
        Key = QChar();
        if (TdkCustomDBGrid* grid = ParentGrid())
            grid->SetFocus();
    }
}

bool TdkDBCustomEdit::AutoFillDateTime()
{
    const bool isTime = IsTimeField(), isDate = IsDateField(), isDateTime = IsDateTimeField();
    if (TEdit::ReadOnly() || !(isTime || isDate || isDateTime))
        return false;
    QLineEdit* e = Edit();
    const QString text = e->text();
    const bool allSelected = text.isEmpty() || (e->hasSelectedText() && e->selectionStart() == 0 &&
                                                 e->selectedText().size() == text.size());
    const bool atEnd = !e->hasSelectedText() && e->cursorPosition() == int(text.size());
    if (!atEnd && !allSelected)
        return false;
    if (link_.ReadOnly()) {
        MessageBeep(0);
        return false;
    }
    QString t = allSelected ? QString() : text;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    DecodeDate(Now(), year, month, day);
    DecodeTime(Now(), hour, minute, second, msec);
    EnterEditState();
    const TFormatSettings& fs = FormatSettings();
    const QChar ds = fs.DateSeparator, ts = fs.TimeSeparator;
    const QString fmt = fs.ShortDateFormat.toLower();
    const bool pureDate = isDate && UnboundDataType != dkEdtDateTime;
    auto finish = [&] {
        SetText(t);
        e->setCursorPosition(int(t.size()));
        SetModified(true);
        return true;
    };
    const bool dateComplete = t.count(ds) >= 2 && !t.endsWith(ds);
    int part;
    if (isTime) {
        part = dkTimePartAtPos(int(t.size()) + 1, t);
    } else if (allSelected) {
        int order = dkDateOrderDayFirst(fs.ShortDateFormat);
        part = order == 1 ? 0 : order == 2 ? 2 : 1;
    } else if (!dateComplete && !t.endsWith(ds)) {
        t += ds;  // a space after a typed part only closes it
        return finish();
    } else {
        part = dkDatePartAtPos(int(t.size()) + 1, t, false);
    }
    if ((dateComplete || isTime) && part <= 2)
        part = 3;
    auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    if (part <= 2) {
        if (part == 0)
            t += fmt.contains(QLatin1String("dd")) ? two(day) : QString::number(day);
        else if (part == 1)
            t += fmt.contains(QLatin1String("mm")) ? two(month) : QString::number(month);
        else
            t += fmt.contains(QLatin1String("yyyy")) ? QString::number(year) : two(year % 100);
        if (!t.endsWith(ds) && t.count(ds) < 2)
            t += ds;
        return finish();
    }
    if (pureDate)
        return finish();
    const bool ampm = !fs.TimeAMString.isEmpty() || !fs.TimePMString.isEmpty();
    const bool timeComplete =
        ampm ? (t.toUpper().contains(fs.TimeAMString.toUpper()) && !fs.TimeAMString.isEmpty()) ||
                   (t.toUpper().contains(fs.TimePMString.toUpper()) && !fs.TimePMString.isEmpty())
             : !(t.count(ts) < 2 || t.endsWith(ts));
    if (timeComplete)
        return finish();
    if (part == 5 && t.count(ts) == 2 && !t.endsWith(ts))
        part = 6;
    switch (part) {
    case 3:
        if (!isTime && !t.endsWith(u' ')) {
            t += u' ';
            break;
        }
        t += (ampm ? two(hour % 12 == 0 ? 12 : hour % 12) : two(hour)) + ts;
        break;
    case 4:
        if (!t.endsWith(ts)) {
            t += ts;
            break;
        }
        t += two(minute) + ts;
        break;
    case 5: t += two(second); break;
    default:
        if (!t.endsWith(u' '))
            t += u' ';
        t += hour < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
        break;
    }
    return finish();
}
