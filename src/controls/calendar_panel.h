#pragma once
// TCustomCalendarEdit: a panel that shows one month as a grid of days with
// a title, a weekday header and four step buttons (previous/next month and
// year) that repeat while held. It sizes itself to its content and paints
// everything itself; the date edit drops it down and handles the keys.

#include <QString>

#include <cstdint>

#include "platform/core/sys_utils.h"
#include "platform/ui/ext_ctrls.h"

enum TDateFormat { cfCustom, cfWindowsLong, cfWindowsShort };
enum TStartOfWeek { swSunday, swMonday, swTuesday, swWednesday, swThursday, swFriday, swSaturday };

// The look options shared by the calendar panel and the calendar options
// of a date edit (fonts apart).
struct TCalendarLook {
    bool Ctl3D = true;
    QString CustomDateFormat = FormatSettings().LongDateFormat;
    TDateFormat DateFormat = cfWindowsLong;
    TPanelBevel DayBevel = bvNone;
    int DayBevelWidth = 1;
    TBorderStyle DayBorderStyle = bsNone;
    TColor DayColor = clBtnFace;
    TPanelBevel DayHeaderBevel = bvRaised;
    int DayHeaderBevelWidth = 1;
    TColor DayHeaderColor = clBtnFace;
    TPanelBevel MonthBevel = bvNone;
    int MonthBevelWidth = 1;
    bool NonMonthDays = false;
    TPanelBevel NonMonthDaysBevel = bvNone;
    int NonMonthDaysBevelWidth = 1;
    TColor NonMonthDaysColorBK = clBtnFace;
    TColor NonMonthDaysColorText = clBlack;
    TColor SaturdayTextColor = clBlack;
    TPanelBevel SelectedDayBevel = bvRaised;
    int SelectedDayBevelWidth = 1;
    TBorderStyle SelectedDayBorderStyle = bsSingle;
    TColor SelectedDayColor = clBlue;
    bool ShowMonthButtons = true;
    bool ShowYearButtons = true;
    TColor SundayTextColor = clBlack;
    TStartOfWeek StartOfWeek = swSunday;

    // The title format by DateFormat.
    QString EffectiveDateFormat() const;
};

// The four fonts of a calendar, with the defaults (bold header, white
// selected day).
struct TCalendarFonts {
    TFont DateFont, DayFont, DayHeaderFont, SelectedDayFont;
    TCalendarFonts();
    // All four from one font, with the two changes above.
    void FromFont(const TFont* f);
};

class TCustomCalendarEdit : public TPanel {
public:
    explicit TCustomCalendarEdit(TComponent* AOwner);
    ~TCustomCalendarEdit() override;

    TDateTime Date() const { return date_; }
    uint16_t Day() const { return day_; }
    uint16_t Month() const { return month_; }
    uint16_t Year() const { return year_; }
    void SetDay(uint16_t d);
    void SetMonth(uint16_t m);
    void SetYear(uint16_t y);
    int FirstCellDay() const { return firstCellDay_; }

    const TCalendarLook& Look() const { return look_; }
    // Sets one option: the title and font-size options lay the panel out
    // again, the selected-day options repaint that cell, the others the panel.
    template <typename T>
    void SetOption(T TCalendarLook::*member, const T& value)
    {
        look_.*member = value;
        OptionChanged(reinterpret_cast<const void*>(&(look_.*member)));
    }
    // Every option at once; the panel is laid out again.
    void SetLook(const TCalendarLook& look);
    void SetCustomDateFormat(const QString& f);
    QString CustomDateFormat() const { return look_.EffectiveDateFormat(); }
    const TFont* DateFont() const { return &fonts_.DateFont; }
    const TFont* DayFont() const { return &fonts_.DayFont; }
    const TFont* DayHeaderFont() const { return &fonts_.DayHeaderFont; }
    const TFont* SelectedDayFont() const { return &fonts_.SelectedDayFont; }
    void SetDateFont(const TFont* f);
    void SetDayFont(const TFont* f);
    void SetDayHeaderFont(const TFont* f);
    void SetSelectedDayFont(const TFont* f);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v) { readOnly_ = v; }
    bool Ctl3D() const { return look_.Ctl3D; }

    void BeginUpdate() { ++updateLock_; }
    void EndUpdate() { if (updateLock_ > 0) --updateLock_; }
    // Shrinks the panel to nothing and lays it out to its natural size.
    void UpdateLayout();

    // The title text of the shown date.
    QString TitleText() const;
    // The day number at a client point (0: none).
    int DayAtPoint(int X, int Y) const;
    // Client rectangles of the step buttons and the day grid (after layout).
    TRect PrevMonthRect() const { return prevMonthRect_; }
    TRect NextMonthRect() const { return nextMonthRect_; }
    TRect PrevYearRect() const { return prevYearRect_; }
    TRect NextYearRect() const { return nextYearRect_; }
    TRect GridRect() const { return gridRect_; }
    // The centre of the cell of a day of the shown month (-1, -1 when none).
    TPoint DayCellCenter(int day) const;
    TTimer* RepeatTimer() const { return timer_; }

    TNotifyEvent OnChange;

    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
    virtual void Change();
    virtual bool DaySelectable() { return true; }
    virtual bool MouseEnabled() { return !readOnly_; }
    virtual void EndDayTracking();
    bool TrackDay(int X, int Y);
    bool TrackButtons(int X, int Y);

private:
    void OptionChanged(const void* member);
    void ComputeFirstCellDay();
    void Layout(bool paint);
    void PaintDayCell(int d);
    void Frame(TRect& r, TPanelBevel bevel, int width);
    void StepButton(int which);
    void TimerTick();

    TDateTime date_ = 0;
    uint16_t day_ = 0, month_ = 0, year_ = 0;
    TCalendarLook look_;
    TCalendarFonts fonts_;
    bool readOnly_ = false;
    int firstCellDay_ = 0;
    int gridTop_ = 0, cellWidth_ = 0, cellHeight_ = 0;
    bool dayTracking_ = false, buttonTracking_ = false;
    TRect titleRect_, gridRect_, prevMonthRect_, nextMonthRect_, prevYearRect_, nextYearRect_, headerRect_,
        selectedRect_, sundayRect_, saturdayRect_;
    bool pressed_[4] = {false, false, false, false};
    TTimer* timer_ = nullptr;
    int updateLock_ = 0;
    bool painting_ = false;
};
