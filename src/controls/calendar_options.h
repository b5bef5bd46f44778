#pragma once
// TCalendarOptions: the look of a date edit's drop-down calendar, kept by
// the edit (the calendar exists only while it is dropped down), copied into
// a new calendar and forwarded at once to an open one.

#include "controls/calendar_panel.h"

class TCustomDateEditPlusNoBDE;

enum TDropDownAlignHorizontally { daLeft, daRight };
enum TDropDownAlignVertically { daTop, daBottom };

class TCalendarOptions : public TPersistent {
public:
    explicit TCalendarOptions(TCustomDateEditPlusNoBDE* edit);

    // Read by the edit when it places the calendar.
    TDropDownAlignHorizontally AlignHorizontally = daLeft;
    TDropDownAlignVertically AlignVertically = daBottom;

    const TCalendarLook& Look() const { return look_; }
    // Stores one option and sets it on an open calendar.
    template <typename T>
    void Set(T TCalendarLook::*member, const T& value)
    {
        look_.*member = value;
        if (TCustomCalendarEdit* cal = Calendar())
            cal->SetOption(member, value);
    }
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    bool Ctl3D() const { return look_.Ctl3D; }
    void SetCtl3D(bool v);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c);
    // The title format in effect (by DateFormat).
    QString CustomDateFormat() const { return look_.EffectiveDateFormat(); }
    void SetCustomDateFormat(const QString& f);

    // The fonts; changing one clears ParentFont.
    TFont* DateFont() { return &fonts_.DateFont; }
    TFont* DayFont() { return &fonts_.DayFont; }
    TFont* DayHeaderFont() { return &fonts_.DayHeaderFont; }
    TFont* SelectedDayFont() { return &fonts_.SelectedDayFont; }
    // Whether the fonts are written with the edit (only when not taken from it).
    bool StoresFonts() const { return !parentFont_; }

    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool b);
    bool ParentCtl3D() const { return parentCtl3D_; }
    void SetParentCtl3D(bool b);
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool b);

    // Copies the edit's date and every option into its calendar.
    virtual void ApplyTo();

private:
    TCustomCalendarEdit* Calendar() const;
    void HookFonts();
    void CopyFontsTo(TCustomCalendarEdit* cal) const;

    TCustomDateEditPlusNoBDE* edit_;
    TCalendarLook look_;
    TCalendarFonts fonts_;
    TColor color_ = clBtnFace;
    TCursor cursor_ = crDefault;
    bool parentColor_ = false;
    bool parentCtl3D_ = true;
    bool parentFont_ = true;
};
