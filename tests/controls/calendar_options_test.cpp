// The calendar options of a date edit: parent font, colour and three-D
// flags, the effective title format, and the grid-hosting defaults.

#include "controls/date_edit.h"
#include "controls_fixture.h"

namespace {

class CalendarOptionsTest : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        edit = new TDateEditPlus(form.get());
        edit->SetParent(form.get());
        edit->SetBounds(20, 20, 160, 24);
        opts = edit->CalendarOptions();
    }
    TDateEditPlus* edit = nullptr;
    TCalendarOptions* opts = nullptr;
};

}  // namespace

TEST_F(CalendarOptionsTest, Defaults)
{
    EXPECT_EQ(opts->AlignHorizontally, daLeft);
    EXPECT_EQ(opts->AlignVertically, daBottom);
    EXPECT_EQ(opts->Color(), clBtnFace);
    EXPECT_TRUE(opts->Ctl3D());
    EXPECT_FALSE(opts->ParentColor());
    EXPECT_TRUE(opts->ParentCtl3D());
    EXPECT_TRUE(opts->ParentFont());
    EXPECT_EQ(opts->Look().DateFormat, cfWindowsLong);
    EXPECT_EQ(opts->Look().SelectedDayColor, clBlue);
    EXPECT_TRUE(opts->DayHeaderFont()->Style().Contains(fsBold));
    EXPECT_EQ(opts->SelectedDayFont()->Color(), clWhite);
    EXPECT_FALSE(opts->StoresFonts());
}

TEST_F(CalendarOptionsTest, ChangingAFontClearsParentFontAndParentFontCopiesTheEditFont)
{
    opts->DayFont()->SetSize(14);
    EXPECT_FALSE(opts->ParentFont());
    EXPECT_TRUE(opts->StoresFonts());
    TFont f;
    f.SetName("Arial");
    f.SetColor(clGreen);
    edit->SetFont(&f);
    opts->SetParentFont(true);
    EXPECT_TRUE(opts->ParentFont());
    EXPECT_EQ(opts->DayFont()->Name(), "Arial");
    EXPECT_EQ(opts->DayFont()->Color(), clGreen);
    EXPECT_TRUE(opts->DayHeaderFont()->Style().Contains(fsBold));
    EXPECT_EQ(opts->SelectedDayFont()->Color(), clWhite);
    // While the flag is set, a new edit font reaches the options.
    f.SetName("Courier");
    edit->SetFont(&f);
    EXPECT_EQ(opts->DateFont()->Name(), "Courier");
}

TEST_F(CalendarOptionsTest, ColourClearsParentColourExceptWhileLoading)
{
    opts->SetParentColor(true);
    EXPECT_EQ(opts->Color(), edit->Color());
    edit->SetLoading(true);
    opts->SetColor(clYellow);
    EXPECT_TRUE(opts->ParentColor());
    edit->SetLoading(false);
    opts->SetColor(clAqua);
    EXPECT_FALSE(opts->ParentColor());
    EXPECT_EQ(opts->Color(), clAqua);
    opts->SetCtl3D(false);
    EXPECT_FALSE(opts->ParentCtl3D());
}

TEST_F(CalendarOptionsTest, CustomDateFormatReadsTheFormatInEffect)
{
    opts->SetCustomDateFormat("mmmm yyyy");
    EXPECT_EQ(opts->Look().DateFormat, cfCustom);
    EXPECT_EQ(opts->CustomDateFormat(), "mmmm yyyy");
    opts->Set(&TCalendarLook::DateFormat, cfWindowsLong);
    EXPECT_EQ(opts->CustomDateFormat(), FormatSettings().LongDateFormat);
    opts->Set(&TCalendarLook::DateFormat, cfWindowsShort);
    EXPECT_EQ(opts->CustomDateFormat(), FormatSettings().ShortDateFormat);
}

TEST_F(CalendarOptionsTest, OptionsSetWhileClosedReachTheNextDropDown)
{
    ShowForm();
    edit->SetDate(EncodeDate(2024, 3, 15));
    opts->Set(&TCalendarLook::ShowYearButtons, false);
    opts->SetColor(clSilver);
    edit->DropDown(ddsButton);
    TDropDownCalendar* cal = edit->GetCalendar();
    ASSERT_NE(cal, nullptr);
    EXPECT_FALSE(cal->Look().ShowYearButtons);
    EXPECT_EQ(cal->PrevYearRect().Width(), 0);
    EXPECT_EQ(cal->Color(), clSilver);
    EXPECT_EQ(cal->Day(), 15);
    EXPECT_EQ(cal->Month(), 3);
    EXPECT_EQ(cal->Year(), 2024);
    edit->CloseUp();
}

TEST_F(CalendarOptionsTest, GridHostingDefaultsOfTheDateEdit)
{
    TDateEditGridParent* g = edit->GridParent();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->Editor(), edit);
    EXPECT_TRUE(g->SizeToCell());
    EXPECT_EQ(g->ShowWhen(), swCellFocused);
    EXPECT_FALSE(g->UsePanel());
    EXPECT_TRUE(g->Visible());
    EXPECT_EQ(g->AlwaysShowEditing, seAuto);
    EXPECT_EQ(g->Version(), "4.2.2");
    g->SetVersion("9");
    EXPECT_EQ(g->Version(), "4.2.2");
    EXPECT_EQ(g->Grid(), nullptr);
    EXPECT_FALSE(g->IsSelectedCell());
    TGridParent plain(edit);
    EXPECT_FALSE(plain.SizeToCell());
    EXPECT_EQ(plain.ShowWhen(), swAlways);
    plain.Assign(g);
    EXPECT_TRUE(plain.SizeToCell());
}
