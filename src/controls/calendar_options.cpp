#include "controls/calendar_options.h"

#include "controls/date_edit.h"

TCalendarOptions::TCalendarOptions(TCustomDateEditPlusNoBDE* edit) : edit_(edit) { HookFonts(); }

void TCalendarOptions::HookFonts()
{
    for (TFont* f : {&fonts_.DateFont, &fonts_.DayFont, &fonts_.DayHeaderFont, &fonts_.SelectedDayFont})
        f->OnChange = [this](TObject*) { parentFont_ = false; };
}

TCustomCalendarEdit* TCalendarOptions::Calendar() const { return edit_ ? edit_->GetCalendar() : nullptr; }

void TCalendarOptions::CopyFontsTo(TCustomCalendarEdit* cal) const
{
    cal->SetDateFont(&fonts_.DateFont);
    cal->SetDayFont(&fonts_.DayFont);
    cal->SetDayHeaderFont(&fonts_.DayHeaderFont);
    cal->SetSelectedDayFont(&fonts_.SelectedDayFont);
}

void TCalendarOptions::SetColor(TColor c)
{
    if (!edit_->Loading())
        parentColor_ = false;
    color_ = c;
    if (TCustomCalendarEdit* cal = Calendar())
        cal->SetColor(c);
}

void TCalendarOptions::SetCtl3D(bool v)
{
    if (!edit_->Loading())
        parentCtl3D_ = false;
    Set(&TCalendarLook::Ctl3D, v);
}

void TCalendarOptions::SetCursor(TCursor c)
{
    cursor_ = c;
    if (TCustomCalendarEdit* cal = Calendar())
        cal->SetCursor(c);
}

void TCalendarOptions::SetCustomDateFormat(const QString& f)
{
    look_.CustomDateFormat = f;
    if (!edit_->Loading())
        look_.DateFormat = cfCustom;
    if (TCustomCalendarEdit* cal = Calendar()) {
        cal->SetLoading(edit_->Loading());
        cal->SetCustomDateFormat(f);
        cal->SetLoading(false);
    }
}

void TCalendarOptions::SetParentColor(bool b)
{
    if (b)
        color_ = edit_->Color();
    if (TCustomCalendarEdit* cal = Calendar()) {
        cal->SetParentColor(b);
        if (b)
            cal->SetColor(edit_->Color());
    }
    parentColor_ = b;
}

void TCalendarOptions::SetParentCtl3D(bool b)
{
    if (b)
        look_.Ctl3D = edit_->Ctl3D();
    if (TCustomCalendarEdit* cal = Calendar())
        cal->SetOption(&TCalendarLook::Ctl3D, look_.Ctl3D);
    parentCtl3D_ = b;
}

void TCalendarOptions::SetParentFont(bool b)
{
    if (b)
        fonts_.FromFont(edit_->Font());
    if (TCustomCalendarEdit* cal = Calendar()) {
        cal->SetParentFont(b);
        if (b)
            CopyFontsTo(cal);
    }
    parentFont_ = b;
}

void TCalendarOptions::ApplyTo()
{
    TCustomCalendarEdit* cal = Calendar();
    if (!cal)
        return;
    cal->SetDay(edit_->Day());
    cal->SetMonth(edit_->Month());
    cal->SetYear(edit_->Year());
    cal->SetColor(color_);
    cal->SetCursor(cursor_);
    cal->SetReadOnly(false);
    // Every look option at once, then the fonts (which lay the panel out).
    const TCalendarLook look = look_;
    cal->SetLook(look);
    CopyFontsTo(cal);
}
