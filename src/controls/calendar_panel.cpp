#include "controls/calendar_panel.h"

#include <QFontMetrics>

#include <cmath>

#include "controls/date_routines.h"
#include "controls/date_spin_glyphs.h"

namespace {

enum { btPrevMonth, btNextMonth, btPrevYear, btNextYear };

bool Inside(const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

}  // namespace

QString TCalendarLook::EffectiveDateFormat() const
{
    switch (DateFormat) {
    case cfCustom: return CustomDateFormat;
    case cfWindowsShort: return FormatSettings().ShortDateFormat;
    default: return FormatSettings().LongDateFormat;
    }
}

TCalendarFonts::TCalendarFonts()
{
    DayHeaderFont.SetStyle({fsBold});
    SelectedDayFont.SetColor(clWhite);
}

void TCalendarFonts::FromFont(const TFont* f)
{
    DayFont.Assign(f);
    DateFont.Assign(f);
    DayHeaderFont.Assign(f);
    SelectedDayFont.Assign(f);
    DayHeaderFont.SetStyle(DayHeaderFont.Style() + TFontStyles{fsBold});
    SelectedDayFont.SetColor(clWhite);
}

TCustomCalendarEdit::TCustomCalendarEdit(TComponent* AOwner) : TPanel(AOwner)
{
    SetBorderStyle(bsSingle);
    SetBevelInner(bvRaised);
    SetBevelOuter(bvRaised);
    SetCaption(QString());
    const TDateTime today = ::Date();
    month_ = MonthOfDate(today);
    year_ = YearOfDate(today);
    ComputeFirstCellDay();
    timer_ = new TTimer(this);
    timer_->SetEnabled(false);
    timer_->SetInterval(200);
    timer_->OnTimer = [this](TObject*) { TimerTick(); };
}

TCustomCalendarEdit::~TCustomCalendarEdit() { BeginDestroy(); }

// ---- date ----------------------------------------------------------------------

void TCustomCalendarEdit::SetDay(uint16_t d)
{
    if (d == day_ || d >= 32)
        return;
    if (IsValidDate(year_, month_, d))
        date_ = ReplaceDatePart(year_, month_, d, date_);
    day_ = d;
    ComputeFirstCellDay();
    Invalidate();
}

void TCustomCalendarEdit::SetMonth(uint16_t m)
{
    if (m == 0)
        m = MonthOfDate(::Date());
    if (m == month_ || m >= 13)
        return;
    if (IsValidDate(year_, m, day_))
        date_ = ReplaceDatePart(year_, m, day_, date_);
    month_ = m;
    ComputeFirstCellDay();
    Invalidate();
}

void TCustomCalendarEdit::SetYear(uint16_t y)
{
    if (y == year_)
        return;
    if (y == 0)
        y = YearOfDate(::Date());
    if (IsValidDate(y, month_, day_))
        date_ = ReplaceDatePart(y, month_, day_, date_);
    year_ = y;
    ComputeFirstCellDay();
    Invalidate();
}

void TCustomCalendarEdit::ComputeFirstCellDay()
{
    firstCellDay_ = 0;
    if (IsValidDate(year_, month_, 1)) {
        const int weekday = DayOfWeek(EncodeDate(year_, month_, 1)) - 1;  // 0 = Sunday
        const int column = (weekday - int(look_.StartOfWeek) + 7) % 7;
        firstCellDay_ = 1 - column;
    }
}

// ---- options -------------------------------------------------------------------

void TCustomCalendarEdit::OptionChanged(const void* member)
{
    if (member == &look_.Ctl3D) {
        SetBevelInner(look_.Ctl3D ? bvRaised : bvNone);
        SetBevelOuter(look_.Ctl3D ? bvRaised : bvNone);
    }
    if (member == &look_.StartOfWeek)
        ComputeFirstCellDay();
    if (member == &look_.CustomDateFormat || member == &look_.DateFormat || member == &look_.MonthBevelWidth)
        UpdateLayout();
    else
        Invalidate();
}

void TCustomCalendarEdit::SetLook(const TCalendarLook& look)
{
    look_ = look;
    SetBevelInner(look_.Ctl3D ? bvRaised : bvNone);
    SetBevelOuter(look_.Ctl3D ? bvRaised : bvNone);
    ComputeFirstCellDay();
    UpdateLayout();
}

void TCustomCalendarEdit::SetCustomDateFormat(const QString& f)
{
    look_.CustomDateFormat = f;
    if (!Loading())
        look_.DateFormat = cfCustom;
    UpdateLayout();
}

void TCustomCalendarEdit::SetDateFont(const TFont* f) { fonts_.DateFont.Assign(f); UpdateLayout(); }
void TCustomCalendarEdit::SetDayFont(const TFont* f) { fonts_.DayFont.Assign(f); UpdateLayout(); }
void TCustomCalendarEdit::SetDayHeaderFont(const TFont* f) { fonts_.DayHeaderFont.Assign(f); UpdateLayout(); }
void TCustomCalendarEdit::SetSelectedDayFont(const TFont* f) { fonts_.SelectedDayFont.Assign(f); Invalidate(); }

void TCustomCalendarEdit::UpdateLayout()
{
    if (!Parent())
        return;
    SetBounds(Left(), Top(), 0, 0);
    Layout(true);
    Invalidate();
}

QString TCustomCalendarEdit::TitleText() const
{
    // Without a selected day (a blank edit, the 31st in a shorter month)
    // the title names the shown month only, not "Unknown, 0. ...".
    if (!IsValidDate(year_, month_, day_))
        return FormatDateParts(QStringLiteral("mmmm yyyy"), 1, month_, year_);
    return FormatDateParts(look_.EffectiveDateFormat(), day_, month_, year_);
}

// ---- layout and painting ---------------------------------------------------------

void TCustomCalendarEdit::Frame(TRect& r, TPanelBevel bevel, int width)
{
    if (bevel == bvNone)
        return;
    const TColor top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
    const TColor bottom = bevel == bvLowered ? clBtnHighlight : clBtnShadow;
    if (painting_)
        Frame3D(Canvas(), r, top, bottom, width);
    else
        InflateRect(r, -width, -width);
}

void TCustomCalendarEdit::Layout(bool paint)
{
    const bool draw = paint && painting_ && updateLock_ == 0;
    const bool store = paint && updateLock_ == 0;
    TCanvas* c = Canvas();
    int w = Width(), h = Height();
    int top = 4;

    // Title row.
    QFontMetrics fmDate(fonts_.DateFont.ToQFont());
    const int TW = fmDate.horizontalAdvance(FormatDateParts(look_.EffectiveDateFormat(), 29, 9, 9999)) + 4;
    const int TH = fmDate.height() + 2;
    TBitmap bm[4];
    const char* names[4] = {"DateEditPrevMonth", "DateEditNextMonth", "DateEditPrevYear", "DateEditNextYear"};
    for (int i = 0; i < 4; ++i)
        LoadControlGlyphs(names[i], bm[i]);
    int MW = 0, YW = 0, BH = 0, Gap = 0;
    if (look_.ShowMonthButtons) {
        MW = std::max(bm[0].Width() / 2, bm[1].Width() / 2) + 10;
        BH = std::max(bm[0].Height(), bm[1].Height()) + 8;
        Gap = 7;
    }
    if (look_.ShowYearButtons) {
        YW = std::max(bm[2].Width() / 2, bm[3].Width() / 2) + 10;
        BH = std::max(BH, std::max(bm[2].Height(), bm[3].Height()) + 8);
        Gap = 7;
    }
    const int RowH = std::max(BH + 2, TH);
    w = std::max(w, 2 * MW + TW + 2 * YW + Gap + 5);
    h = std::max(h, top + RowH);
    // A paint lock keeps the header and grid geometry; the step buttons and
    // the title are placed in every case, so the mouse finds them where the
    // size says they are.
    if (paint) {
        prevMonthRect_ = nextMonthRect_ = prevYearRect_ = nextYearRect_ = TRect{};
        if (look_.ShowMonthButtons) {
            prevMonthRect_ = Rect(5, top, 5 + MW, top + BH);
            nextMonthRect_ = Rect(w - 7 - MW, top, w - 7, top + BH);
        }
        if (look_.ShowYearButtons) {
            prevYearRect_ = Rect(5 + MW, top, 5 + MW + YW, top + BH);
            nextYearRect_ = Rect(w - 7 - MW - YW, top, w - 7 - MW, top + BH);
        }
        titleRect_ = Rect(MW + 5 + YW, top, w - 7 - MW - YW, top + TH);
    }
    if (draw) {
        const TRect* rects[4] = {&prevMonthRect_, &nextMonthRect_, &prevYearRect_, &nextYearRect_};
        for (int i = 0; i < 4; ++i)
            if (rects[i]->Width() > 0)
                DrawDropDownButton(*rects[i], c, &bm[i], pressed_[i], true);
        const QString title = TitleText();
        c->Font.Assign(&fonts_.DateFont);
        c->Brush.Color = Color();
        c->Brush.Style = bsSolid;
        const int tw = c->TextWidth(title);
        c->TextRect(titleRect_, titleRect_.Left + (titleRect_.Width() - tw) / 2, titleRect_.Top + 1, title);
    }
    top += RowH;

    // Weekday header.
    const int BW = look_.MonthBevel != bvNone ? look_.MonthBevelWidth : 0;
    QFontMetrics fmHeader(fonts_.DayHeaderFont.ToQFont());
    int CW = int(std::ceil((w - 13 - 2 * BW) / 7.0));
    CW = std::max(CW, fmHeader.horizontalAdvance("We") + 4);
    const int HH = fmHeader.height() + 2;
    w = std::max(w, 7 * CW + 13 + 2 * BW);
    h = std::max(h, top + HH + 7);
    if (store)
        headerRect_ = Rect(5, top, 7 * CW + 6 + 2 * BW, top + HH);
    if (draw) {
        TRect bar = headerRect_;
        int I = 0;
        if (look_.DayHeaderBevel != bvNone) {
            Frame(bar, look_.DayHeaderBevel, look_.DayHeaderBevelWidth);
            I = look_.DayHeaderBevelWidth;
        }
        c->Brush.Color = look_.DayHeaderColor;
        c->FillRect(bar);
        c->Font.Assign(&fonts_.DayHeaderFont);
        for (int col = 1; col <= 7; ++col) {
            const int x = (col - 1) * CW + 5 + BW;
            TRect cell = Rect(x + I, top + I, x + CW + 1 - I, top + HH - I);
            const int k = (col - 1 + int(look_.StartOfWeek)) % 7 + 1;
            const QString name = FormatSettings().ShortDayNames.value(k).left(2);
            TColor colour = fonts_.DayHeaderFont.Color();
            if (k == 1)
                colour = look_.SundayTextColor, sundayRect_ = cell;
            else if (k == 7)
                colour = look_.SaturdayTextColor, saturdayRect_ = cell;
            c->Font.SetColor(colour);
            c->TextRect(cell, cell.Left + CW / 2 - c->TextWidth(name) / 2 - I, cell.Top + 1 - I, name);
        }
    }
    top += HH + 1;

    // Day grid.
    QFontMetrics fmDay(fonts_.DayFont.ToQFont());
    CW = std::max(int(std::ceil((w - 13 - 2 * BW) / 7.0)), fmDay.horizontalAdvance("We") + 4);
    const int CH = fmDay.height() + 2;
    w = std::max(w, 7 * CW + 13 + 2 * BW);
    h = std::max(h, top + 6 * CH + 8 + 2 * BW);
    if (store) {
        gridRect_ = Rect(5, top, 7 * CW + 6 + 2 * BW, top + 6 * CH + 1 + 2 * BW);
        gridTop_ = top;
        cellWidth_ = CW;
        cellHeight_ = CH;
    }
    if (draw) {
        TRect grid = gridRect_;
        Frame(grid, look_.MonthBevel, look_.MonthBevelWidth);
        const int len = DaysInMonth(year_, month_);
        if (look_.NonMonthDays)
            for (int d = firstCellDay_; d < firstCellDay_ + 42; ++d)
                if (d < 1 || d > len)
                    PaintDayCell(d);
        for (int d = 1; d <= len; ++d)
            PaintDayCell(d);
        if (day_ != 0 && day_ <= len)
            PaintDayCell(day_);
    }

    if (w != Width() || h != Height())
        SetBounds(Left(), Top(), w, h);
}

void TCustomCalendarEdit::PaintDayCell(int d)
{
    TCanvas* c = Canvas();
    c->Font.Assign(&fonts_.DayFont);
    const int BW = look_.MonthBevel != bvNone ? look_.MonthBevelWidth : 0;
    const int row = (d - firstCellDay_) / 7 + 1, col = (d - firstCellDay_) % 7 + 1;
    const int X = (col - 1) * cellWidth_, Y = (row - 1) * cellHeight_ + gridTop_;
    const int len = DaysInMonth(year_, month_);
    bool other = false, selected = false;
    if (d < 1) {
        d += month_ == 1 ? 31 : DaysInMonth(year_, month_ - 1);
        other = true;
    } else if (d > len) {
        d -= len;
        other = true;
    } else {
        selected = DaySelectable() && d == day_;
    }
    const TRect O = Rect(X + 5 + BW, Y + BW, X + 5 + cellWidth_ + 1 + BW, Y + cellHeight_ + 1 + BW);
    c->Brush.Style = bsSolid;
    if ((!selected && look_.DayBorderStyle == bsSingle) || (selected && look_.SelectedDayBorderStyle == bsSingle)) {
        c->Brush.Color = clWindowFrame;
        c->FillRect(O);
    } else {
        bool fill = true;
        if (look_.NonMonthDays && other)
            fill = look_.NonMonthDaysBevel == bvNone, c->Brush.Color = look_.NonMonthDaysColorBK;
        else if (selected)
            fill = look_.SelectedDayBevel == bvNone, c->Brush.Color = look_.SelectedDayColor;
        else
            c->Brush.Color = look_.DayColor;
        if (fill)
            c->FillRect(O);
    }
    TRect N = Rect(O.Left + 1, O.Top + 1, O.Right - 1, O.Bottom - 1);
    int inset = 0;
    if (selected) {
        selectedRect_ = N;
        if (look_.SelectedDayBevel != bvNone) {
            Frame(N, look_.SelectedDayBevel, look_.SelectedDayBevelWidth);
            inset = look_.SelectedDayBevelWidth;
        }
        c->Brush.Color = look_.SelectedDayColor;
        c->Font.Assign(&fonts_.SelectedDayFont);
    } else {
        const TPanelBevel bevel = other ? look_.NonMonthDaysBevel : look_.DayBevel;
        const int width = other ? look_.NonMonthDaysBevelWidth : look_.DayBevelWidth;
        if (bevel != bvNone && (!other || look_.NonMonthDays)) {
            Frame(N, bevel, width);
            inset = width;
        }
        const int k = (col - 1 + int(look_.StartOfWeek)) % 7 + 1;
        if (other && look_.NonMonthDays) {
            c->Font.SetColor(look_.NonMonthDaysColorText);
            c->Brush.Color = look_.NonMonthDaysColorBK;
        } else {
            c->Brush.Color = look_.DayColor;
            if (k == 1)
                c->Font.SetColor(look_.SundayTextColor);
            else if (k == 7)
                c->Font.SetColor(look_.SaturdayTextColor);
        }
    }
    if (!other || look_.NonMonthDays) {
        const QString text = QString::number(d);
        c->TextRect(N, N.Left + cellWidth_ / 2 - c->TextWidth(text) / 2 - inset,
                    N.Top + cellHeight_ / 2 - c->TextHeight(text) / 2 - 1 - inset, text);
    }
}

void TCustomCalendarEdit::Paint()
{
    TPanel::Paint();
    painting_ = true;
    Layout(true);
    painting_ = false;
}

// ---- mouse ---------------------------------------------------------------------

int TCustomCalendarEdit::DayAtPoint(int X, int Y) const
{
    for (int c = 1; c <= 7; ++c)
        for (int r = 1; r <= 6; ++r) {
            const int left = 5 + (c - 1) * cellWidth_;
            const TRect cell = Rect(left, gridTop_ + (r - 1) * cellHeight_, left + cellWidth_ - 1, gridTop_ + r * cellHeight_);
            if (Inside(cell, X, Y))
                return (r - 1) * 7 + c + firstCellDay_ - 1;
        }
    return 0;
}

TPoint TCustomCalendarEdit::DayCellCenter(int day) const
{
    if (day < 1 || day > DaysInMonth(year_, month_) || cellWidth_ == 0)
        return {-1, -1};
    const int n = day - firstCellDay_;
    return {5 + (n % 7) * cellWidth_ + cellWidth_ / 2, gridTop_ + (n / 7) * cellHeight_ + cellHeight_ / 2};
}

bool TCustomCalendarEdit::TrackDay(int X, int Y)
{
    const int d = DayAtPoint(X, Y);
    if (d < 1 || d > DaysInMonth(year_, month_))
        return false;
    SetDay(uint16_t(d));
    Change();
    return true;
}

void TCustomCalendarEdit::StepButton(int which)
{
    switch (which) {
    case btPrevMonth:
        if (month_ <= 1) {
            SetMonth(12);
            SetYear(uint16_t(year_ - 1));
        } else {
            SetMonth(uint16_t(month_ - 1));
        }
        break;
    case btNextMonth:
        if (month_ >= 12) {
            SetMonth(1);
            SetYear(uint16_t(year_ + 1));
        } else {
            SetMonth(uint16_t(month_ + 1));
        }
        break;
    case btPrevYear: SetYear(uint16_t(year_ - 1)); break;
    case btNextYear: SetYear(uint16_t(year_ + 1)); break;
    }
}

bool TCustomCalendarEdit::TrackButtons(int X, int Y)
{
    const TRect* rects[4] = {&prevMonthRect_, &nextMonthRect_, &prevYearRect_, &nextYearRect_};
    const bool shown[4] = {look_.ShowMonthButtons, look_.ShowMonthButtons, look_.ShowYearButtons, look_.ShowYearButtons};
    bool changed = false;
    for (int i = 0; i < 4; ++i) {
        if (!shown[i])
            continue;
        const bool pressed = Inside(*rects[i], X, Y);
        if (pressed != pressed_[i]) {
            pressed_[i] = pressed;
            Invalidate();
            changed = true;
            if (pressed)
                StepButton(i);
        }
    }
    const bool any = pressed_[0] || pressed_[1] || pressed_[2] || pressed_[3];
    if (any) {
        Change();
        timer_->SetEnabled(false);
        timer_->SetEnabled(true);
    } else if (timer_->Enabled()) {
        timer_->SetEnabled(false);
    }
    return changed;
}

void TCustomCalendarEdit::TimerTick()
{
    for (int i = 0; i < 4; ++i)
        if (pressed_[i]) {
            StepButton(i);
            Change();
        }
}

void TCustomCalendarEdit::Change()
{
    if (OnChange)
        OnChange(this);
}

void TCustomCalendarEdit::EndDayTracking()
{
    TrackDay(-1, -1);
    dayTracking_ = false;
}

void TCustomCalendarEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && MouseEnabled()) {
        if (TrackButtons(X, Y)) {
            buttonTracking_ = true;
            return;
        }
        if (DaySelectable() && TrackDay(X, Y))
            dayTracking_ = true;
    }
    TPanel::MouseDown(Button, Shift, X, Y);
}

void TCustomCalendarEdit::MouseMove(TShiftState Shift, int X, int Y)
{
    if (buttonTracking_)
        TrackButtons(X, Y);
    else if (dayTracking_)
        TrackDay(X, Y);
    else
        TPanel::MouseMove(Shift, X, Y);
}

void TCustomCalendarEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    // Only the left button's release ends a tracking it started.
    if (Button != mbLeft) {
        TPanel::MouseUp(Button, Shift, X, Y);
        return;
    }
    if (buttonTracking_) {
        TrackButtons(-1, -1);
        buttonTracking_ = false;
    } else if (dayTracking_) {
        EndDayTracking();
    } else {
        TPanel::MouseUp(Button, Shift, X, Y);
    }
}
