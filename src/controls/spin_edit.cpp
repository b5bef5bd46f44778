#include "controls/spin_edit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QToolButton>

#include "controls/date_routines.h"
#include "controls/date_spin_glyphs.h"
#include "platform/core/file_utils.h"
#include "platform/core/ini_file.h"
#include "platform/core/win_path.h"
#include "platform/data/field.h"
#include "platform/os/folders.h"

// ---- repeating speed button ------------------------------------------------------------

TswTimerSpeedButton::TswTimerSpeedButton(TComponent* AOwner) : TSpeedButton(AOwner) {}

void TswTimerSpeedButton::SetFocusRect(bool v)
{
    focusRect_ = v;
    Invalidate();
}

void TswTimerSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TSpeedButton::MouseDown(Button, Shift, X, Y);
    if (!Repeating)
        return;
    if (!timer_) {
        timer_ = new TTimer(this);
        timer_->OnTimer = [this](TObject*) { TimerTick(); };
    }
    timer_->SetInterval(400);
    timer_->SetEnabled(true);
}

void TswTimerSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TSpeedButton::MouseUp(Button, Shift, X, Y);
    if (timer_)
        timer_->SetEnabled(false);
}

void TswTimerSpeedButton::TimerTick()
{
    timer_->SetInterval(100);
    if (Button()->isDown())
        Click();
}

// ---- spin button -----------------------------------------------------------------------------

TswSpinButton::TswSpinButton(TComponent* AOwner) : TCustomControl(AOwner)
{
    auto make = [this](const char* glyph) {
        auto* b = new TswTimerSpeedButton(this);
        b->Repeating = true;
        TBitmap bmp;
        LoadControlGlyphs(glyph, bmp);
        b->SetGlyph(&bmp);
        b->SetParent(this);
        b->OnMouseDown = [this, b](TObject*, TMouseButton Button, TShiftState, int, int) {
            if (Button == mbLeft)
                BtnMouseDown(b);
        };
        b->OnClick = [this, b](TObject*) { BtnClick(b); };
        return b;
    };
    up_ = make("SW_UPARROW");
    down_ = make("SW_DOWNARROW");
    focused_ = up_;
    SetBounds(0, 0, 20, 25);
}

void TswSpinButton::SetUpGlyph(const TBitmap* b)
{
    TBitmap bmp;
    if (!b)
        LoadControlGlyphs("SW_UPARROW", bmp), b = &bmp;
    up_->SetGlyph(b);
}

void TswSpinButton::SetDownGlyph(const TBitmap* b)
{
    TBitmap bmp;
    if (!b)
        LoadControlGlyphs("SW_DOWNARROW", bmp), b = &bmp;
    down_->SetGlyph(b);
}

void TswSpinButton::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    TCustomControl::SetBounds(ALeft, ATop, std::max(AWidth, 15), AHeight);
    AdjustButtonSize();
}

void TswSpinButton::AdjustButtonSize()
{
    if (!up_ || !down_ || Loading())
        return;
    const int w = Width(), h = Height();
    up_->SetBounds(0, 0, w, h / 2);
    down_->SetBounds(0, up_->Height() - 1, w, h - up_->Height() + 1);
}

void TswSpinButton::KeyDown(Word& Key, TShiftState Shift)
{
    TCustomControl::KeyDown(Key, Shift);
    if (Key == VK_SPACE) {
        focused_->Click();
    } else if (Key == VK_UP) {
        SetFocusBtn(up_);
        up_->Click();
        Key = 0;
    } else if (Key == VK_DOWN) {
        SetFocusBtn(down_);
        down_->Click();
        Key = 0;
    }
}

void TswSpinButton::DoEnter()
{
    focused_->SetFocusRect(true);
    TCustomControl::DoEnter();
}

void TswSpinButton::DoExit()
{
    focused_->SetFocusRect(false);
    TCustomControl::DoExit();
}

void TswSpinButton::SetFocusBtn(TswTimerSpeedButton* btn)
{
    if (!TabStop() || !CanFocus() || btn == focused_)
        return;
    focused_->SetFocusRect(false);
    focused_ = btn;
    if (Focused())
        focused_->SetFocusRect(true);
}

void TswSpinButton::BtnMouseDown(TswTimerSpeedButton* btn)
{
    SetFocusBtn(btn);
    if (FocusControl && FocusControl->TabStop() && FocusControl->CanFocus() && !FocusControl->Focused())
        FocusControl->SetFocus();
    else if (TabStop() && !Focused() && CanFocus())
        SetFocus();
}

void TswSpinButton::BtnClick(TswTimerSpeedButton* btn)
{
    if (btn == up_) {
        if (OnUpClick)
            OnUpClick(this);
    } else if (OnDownClick) {
        OnDownClick(this);
    }
}

// ---- spin edit -----------------------------------------------------------------------------

TswSpinEdit::TswSpinEdit(TComponent* AOwner) : TEdit(AOwner)
{
    Edit()->setContextMenuPolicy(Qt::NoContextMenu);
    Edit()->setAcceptDrops(false);
    button_ = new TswSpinButton(this);
    button_->SetBounds(0, 0, 15, 17);
    button_->SetParent(this);
    button_->FocusControl = this;
    button_->OnUpClick = [this](TObject* s) { UpClick(s); };
    button_->OnDownClick = [this](TObject* s) { DownClick(s); };
    SetText("0");
    PlaceButton();
}

int TswSpinEdit::Value() const
{
    bool ok = false;
    const int v = Trim(Text()).toInt(&ok);
    return ok ? v : MinValue;
}

void TswSpinEdit::SetValue(int v) { SetText(QString::number(CheckValue(v))); }

int TswSpinEdit::CheckValue(int v) const
{
    if (MaxValue == MinValue)
        return v;
    return std::clamp(v, std::min(MinValue, MaxValue), std::max(MinValue, MaxValue));
}

bool TswSpinEdit::IsValidChar(QChar c) const
{
    const ushort u = c.unicode();
    bool valid = c == u'+' || c == u'-' || (c >= u'0' && c <= u'9') || c == FormatSettings().DecimalSeparator
                 || (u < 32 && u != 13);
    if (valid && !EditorEnabled && (u >= 32 || u == 8 || u == 46))
        valid = false;
    return valid;
}

void TswSpinEdit::UpClick(TObject*)
{
    if (ReadOnly())
        ControlBeep();
    else
        SetValue(int(std::clamp<int64_t>(int64_t(Value()) + Increment, INT32_MIN, INT32_MAX)));
}

void TswSpinEdit::DownClick(TObject*)
{
    if (ReadOnly())
        ControlBeep();
    else
        SetValue(int(std::clamp<int64_t>(int64_t(Value()) - Increment, INT32_MIN, INT32_MAX)));
}

void TswSpinEdit::KeyDown(Word& Key, TShiftState Shift)
{
    if (Key == VK_UP)
        UpClick(this);
    else if (Key == VK_DOWN)
        DownClick(this);
    const bool paste = (Shift.Contains(ssCtrl) && Key == 'V') || (Shift.Contains(ssShift) && Key == VK_INSERT);
    const bool cut = (Shift.Contains(ssCtrl) && Key == 'X') || (Shift.Contains(ssShift) && Key == VK_DELETE);
    if ((paste || cut) && !ClipboardAllowed())
        Key = 0;
    // Without the editor nothing is deleted either.
    if (Key == VK_DELETE && !EditorEnabled)
        Key = 0;
    if (Key != 0)
        TEdit::KeyDown(Key, Shift);
}

void TswSpinEdit::KeyPress(QChar& Key)
{
    if (!IsValidChar(Key)) {
        Key = QChar();
        ControlBeep();
        return;
    }
    TEdit::KeyPress(Key);
}

void TswSpinEdit::DoEnter()
{
    if (AutoSelect && !QApplication::mouseButtons().testFlag(Qt::LeftButton))
        SelectAll();
    TEdit::DoEnter();
}

void TswSpinEdit::DoExit()
{
    if (CheckValue(Value()) != Value())
        SetValue(Value());
    TEdit::DoExit();
}

int TswSpinEdit::MinimumHeight() const
{
    // Room for the font and the frame, as the system's edit needs it.
    const int fontHeight = QFontMetrics(Font()->ToQFont()).height();
    const int systemHeight = QFontMetrics(QApplication::font()).height();
    return 4 + std::min(systemHeight, fontHeight) / 4 + fontHeight + 2;
}

void TswSpinEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    TEdit::SetBounds(ALeft, ATop, AWidth, std::max(AHeight, MinimumHeight()));
    PlaceButton();
}

void TswSpinEdit::PlaceButton()
{
    if (!button_)
        return;
    const int bw = button_->Width();
    const int frame = Edit()->hasFrame() ? 2 : 0;
    button_->SetBounds(Width() - bw - frame, frame, bw, std::max(2, Height() - 2 * frame));
    // The text never runs under the button.
    Edit()->setTextMargins(0, 0, bw + 2, 0);
}

// ---- data-aware spin edit ---------------------------------------------------------------------

TswDBSpinEdit::TswDBSpinEdit(TComponent* AOwner) : TswSpinEdit(AOwner), link_(std::make_unique<TFieldDataLink>())
{
    link_->OnDataChange = [this] { DataChange(); };
    link_->OnUpdateData = [this] { UpdateData(); };
    link_->OnActiveChange = [this] { DataChange(); };
    // A change of the text is due to be written when the record is.
    QObject::connect(Edit(), &QLineEdit::textChanged, Edit(), [this] {
        if (link_)
            link_->Modified();
    });
    SetBounds(Left(), Top(), 60, 23);
}

TswDBSpinEdit::~TswDBSpinEdit()
{
    if (IniAutoSave && !iniFileName_.isEmpty())
        SaveToIni(iniFileName_);
    link_->OnDataChange = nullptr;
    link_->OnUpdateData = nullptr;
    link_->OnActiveChange = nullptr;
    link_.reset();
}

void TswDBSpinEdit::SetDataSource(TDataSource* source)
{
    link_->SetDataSource(source);
    link_->Reset();
}

void TswDBSpinEdit::SetDataField(const QString& name)
{
    link_->SetFieldName(name);
    link_->Reset();
}

void TswDBSpinEdit::DataChange() { SetValue(Field() ? Field()->AsInteger() : 0); }

void TswDBSpinEdit::UpdateData()
{
    if (Field())
        Field()->SetAsInteger(Value());
}

void TswDBSpinEdit::StartEdit()
{
    if (Field())
        link_->Edit();
}

void TswDBSpinEdit::UpClick(TObject* Sender)
{
    TswSpinEdit::UpClick(Sender);
    StartEdit();
    link_->Modified();
}

void TswDBSpinEdit::DownClick(TObject* Sender)
{
    TswSpinEdit::DownClick(Sender);
    StartEdit();
    link_->Modified();
}

void TswDBSpinEdit::KeyDown(Word& Key, TShiftState Shift)
{
    if (Key == VK_DELETE || (Key == VK_INSERT && Shift.Contains(ssShift)))
        StartEdit();
    TswSpinEdit::KeyDown(Key, Shift);
}

void TswDBSpinEdit::KeyPress(QChar& Key)
{
    const ushort u = Key.unicode();
    if (u >= 32 && Field() && !(Key.isDigit() || Key == u'+' || Key == u'-')) {
        // The integer field takes digits and signs only.
        Key = QChar();
        ControlBeep();
        return;
    }
    if (u == 27) {
        link_->Reset();
        SelectAll();
        Key = QChar();
        return;
    }
    TswSpinEdit::KeyPress(Key);
    if (!Key.isNull() && (u >= 32 || u == 8 || u == 22 || u == 24))
        StartEdit();
}

void TswDBSpinEdit::DoEnter()
{
    if (!ReadOnlyData)
        StartEdit();
    TswSpinEdit::DoEnter();
}

void TswDBSpinEdit::DoExit()
{
    try {
        link_->UpdateRecord();
    } catch (...) {
        SetFocus();
        throw;
    }
    TswSpinEdit::DoExit();
}

void TswDBSpinEdit::Loaded()
{
    TswSpinEdit::Loaded();
    if (IniAutoLoad && !iniFileName_.isEmpty())
        LoadFromIni(iniFileName_);
}

void TswDBSpinEdit::SetIniFileName(const QString& name)
{
    iniFileName_ = name;
    if (!name.isEmpty() && ExtractFileExt(name).isEmpty())
        iniFileName_ += ".INI";
}

bool TswDBSpinEdit::LoadFromIni(const QString& fileName)
{
    if (!FileExists(fileName) && !FileExists(WindowsFolder() + fileName))
        return false;
    TIniFile ini(fileName);
    const int l = ini.ReadInteger(Name + "Left", "Left", Left());
    const int t = ini.ReadInteger(Name + "Top", "Top", Top());
    const int w = ini.ReadInteger(Name + "Width", "Width", Width());
    const int h = ini.ReadInteger(Name + "Height", "Height", Height());
    SetBounds(l, t, w, h);
    const int a = ini.ReadInteger(Name + "Align", "Align", int(Align()));
    if (a >= alNone && a <= alClient)
        SetAlign(TAlign(a));
    return true;
}

bool TswDBSpinEdit::SaveToIni(const QString& fileName)
{
    try {
        TIniFile ini(fileName);
        ini.BeginUpdate();
        ini.WriteInteger(Name + "Left", "Left", Left());
        ini.WriteInteger(Name + "Top", "Top", Top());
        ini.WriteInteger(Name + "Width", "Width", Width());
        ini.WriteInteger(Name + "Height", "Height", Height());
        ini.WriteInteger(Name + "Align", "Align", int(Align()));
        ini.EndUpdate();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void TswDBSpinEdit::MoveWithinParent(int dx, int dy)
{
    if (!Parent())
        return;
    const int pw = Parent()->ClientWidth(), ph = Parent()->ClientHeight();
    int l = Left(), t = Top();
    if (dy != 0)
        t = std::max(0, std::min(t + dy, ph - Height()));
    if (dx != 0)
        l = std::max(0, std::min(l + dx, pw - Width()));
    SetBounds(l, t, Width(), Height());
}

void TswDBSpinEdit::AvoidMouse(int X, int Y)
{
    const int W = Width(), H = Height();
    int l = Left(), t = Top();
    if (X >= W / 3 && X <= W - W / 3 && Y == H - 1)
        t -= 1;
    else if (X >= W / 3 && X <= W - W / 3 && Y == 0)
        t += 1;
    else if (X == 0 && Y >= H / 3 && Y <= H - H / 3)
        l += 1;
    else if (X == W - 1 && Y >= H / 3 && Y <= H - H / 3)
        l -= 1;
    else if (X <= W / 2 && Y <= H / 2)
        l += 1, t += 1;
    else if (X > W / 2 && Y <= H / 2)
        l -= 1, t += 1;
    else if (X <= W / 2)
        l += 1, t -= 1;
    else
        l -= 1, t -= 1;
    SetBounds(l, t, W, H);
}

void TswDBSpinEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (AllowResize && Cursor() == crSizeNWSE) {
        resizing_ = true;
        widthOffset_ = Width() - X;
        heightOffset_ = Height() - Y;
    } else if (AllowDrag) {
        moved_ = false;
        grabX_ = X, grabY_ = Y;
        dragging_ = true;
        if (AlwaysOnTopDuringDrag)
            BringToFront();
    }
    TswSpinEdit::MouseDown(Button, Shift, X, Y);
}

void TswDBSpinEdit::MouseMove(TShiftState Shift, int X, int Y)
{
    if (Avoidance)
        AvoidMouse(X, Y);
    if (AllowResize) {
        if (resizing_ && Cursor() == crSizeNWSE) {
            SetBounds(Left(), Top(), X + widthOffset_, Y + heightOffset_);
            widthOffset_ = Width() - X;
            heightOffset_ = Height() - Y;
            resized_ = true;
        }
        const bool corner = Width() - 10 < X && X < Width() && Height() - 10 < Y && Y < Height();
        if (corner) {
            if (Cursor() != crSizeNWSE)
                savedCursor_ = Cursor();
            SetCursor(crSizeNWSE);
        } else {
            SetCursor(savedCursor_);
        }
        if (resizing_ && OnResize)
            OnResize(this);
    }
    if (dragging_) {
        moved_ = true;
        MoveWithinParent(X - grabX_, Y - grabY_);
        if (OnComponentDragging)
            OnComponentDragging(this);
    }
    TswSpinEdit::MouseMove(Shift, X, Y);
}

void TswDBSpinEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TswSpinEdit::MouseUp(Button, Shift, X, Y);
    if (resizing_) {
        resizing_ = false;
        if (resized_) {
            resized_ = false;
            if (OnSizeChanged)
                OnSizeChanged(this);
        }
    }
    SetCursor(savedCursor_);
    if (dragging_) {
        dragging_ = false;
        if (moved_) {
            moved_ = false;
            if (OnComponentPositionChanged)
                OnComponentPositionChanged(this);
        }
    }
}
