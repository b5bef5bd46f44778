// The calendar panel: first cell, month and year stepping with the repeat
// timer, day picking with the mouse, its options, and a screenshot.

#include "controls/calendar_panel.h"
#include "controls/date_routines.h"
#include "controls_fixture.h"

namespace {

class CalendarPanelTest : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        cal = new TCustomCalendarEdit(form.get());
        cal->SetParent(form.get());
        cal->SetBounds(10, 10, 10, 10);
        cal->UpdateLayout();
        ShowForm();
    }
    void Show(int y, int m, int d)
    {
        cal->SetYear(uint16_t(y));
        cal->SetMonth(uint16_t(m));
        cal->SetDay(uint16_t(d));
    }
    QPoint Center(const TRect& r) const { return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); }
    QWidget* W() const { return cal->Handle(); }
    TCustomCalendarEdit* cal = nullptr;
};

}  // namespace

TEST_F(CalendarPanelTest, StartsOnTheMonthOfTheProgramClock)
{
    EXPECT_EQ(cal->Month(), 12);
    EXPECT_EQ(cal->Year(), 2026);
    EXPECT_EQ(cal->Day(), 0);
    Show(2024, 3, 15);
    cal->SetMonth(0);
    cal->SetYear(0);
    EXPECT_EQ(cal->Month(), 12);
    EXPECT_EQ(cal->Year(), 2026);
}

TEST_F(CalendarPanelTest, FirstCellFollowsTheStartOfTheWeek)
{
    Show(2024, 9, 1);  // 1 September 2024 is a Sunday
    EXPECT_EQ(cal->FirstCellDay(), 1);
    cal->SetOption(&TCalendarLook::StartOfWeek, swMonday);
    EXPECT_EQ(cal->FirstCellDay(), -5);  // six days of August first
    Show(2024, 3, 15);                    // a Friday
    EXPECT_EQ(cal->FirstCellDay(), -3);
}

TEST_F(CalendarPanelTest, StepButtonsCrossTheYearBoundary)
{
    Show(2024, 1, 10);
    QTest::mouseClick(W(), Qt::LeftButton, {}, Center(cal->PrevMonthRect()));
    EXPECT_EQ(cal->Month(), 12);
    EXPECT_EQ(cal->Year(), 2023);
    QTest::mouseClick(W(), Qt::LeftButton, {}, Center(cal->NextMonthRect()));
    EXPECT_EQ(cal->Month(), 1);
    EXPECT_EQ(cal->Year(), 2024);
    QTest::mouseClick(W(), Qt::LeftButton, {}, Center(cal->NextYearRect()));
    EXPECT_EQ(cal->Year(), 2025);
    QTest::mouseClick(W(), Qt::LeftButton, {}, Center(cal->PrevYearRect()));
    QTest::mouseClick(W(), Qt::LeftButton, {}, Center(cal->PrevYearRect()));
    EXPECT_EQ(cal->Year(), 2023);
    EXPECT_FALSE(cal->RepeatTimer()->Enabled());
}

TEST_F(CalendarPanelTest, HeldButtonRepeatsOnTheTimerUntilTheMouseLeavesIt)
{
    Show(2024, 11, 10);
    int changes = 0;
    cal->OnChange = [&](TObject*) { ++changes; };
    QTest::mousePress(W(), Qt::LeftButton, {}, Center(cal->NextMonthRect()));
    EXPECT_EQ(cal->Month(), 12);
    EXPECT_TRUE(cal->RepeatTimer()->Enabled());
    EXPECT_EQ(cal->RepeatTimer()->Interval(), 200);
    cal->RepeatTimer()->Timer();
    EXPECT_EQ(cal->Month(), 1);
    EXPECT_EQ(cal->Year(), 2025);
    QTest::mouseMove(W(), Center(cal->GridRect()));
    EXPECT_FALSE(cal->RepeatTimer()->Enabled());
    QTest::mouseMove(W(), Center(cal->NextMonthRect()));
    EXPECT_EQ(cal->Month(), 2);
    QTest::mouseRelease(W(), Qt::LeftButton, {}, Center(cal->NextMonthRect()));
    EXPECT_FALSE(cal->RepeatTimer()->Enabled());
    EXPECT_EQ(cal->Month(), 2);
    EXPECT_GE(changes, 3);
}

TEST_F(CalendarPanelTest, PickingADayAndADayThatTheMonthLacks)
{
    Show(2024, 3, 15);
    QTest::mouseClick(W(), Qt::LeftButton, {}, QPoint(cal->DayCellCenter(31).X, cal->DayCellCenter(31).Y));
    EXPECT_EQ(cal->Day(), 31);
    EXPECT_EQ(cal->Date(), EncodeDate(2024, 3, 31));
    // April has no 31st: the day stays, the date keeps its value.
    QTest::mouseClick(W(), Qt::LeftButton, {}, Center(cal->NextMonthRect()));
    EXPECT_EQ(cal->Month(), 4);
    EXPECT_EQ(cal->Day(), 31);
    EXPECT_EQ(cal->Date(), EncodeDate(2024, 3, 31));
    // The spare cells before the 1st select nothing.
    const int day = cal->DayAtPoint(cal->GridRect().Left + 8, cal->GridRect().Top + 4);
    EXPECT_LT(day, 1);
    QTest::mouseClick(W(), Qt::LeftButton, {}, QPoint(cal->GridRect().Left + 8, cal->GridRect().Top + 4));
    EXPECT_EQ(cal->Day(), 31);
}

TEST_F(CalendarPanelTest, ReadOnlyPanelIgnoresTheMouse)
{
    Show(2024, 3, 15);
    cal->SetReadOnly(true);
    QTest::mouseClick(W(), Qt::LeftButton, {}, Center(cal->NextMonthRect()));
    QTest::mouseClick(W(), Qt::LeftButton, {}, QPoint(cal->DayCellCenter(20).X, cal->DayCellCenter(20).Y));
    EXPECT_EQ(cal->Month(), 3);
    EXPECT_EQ(cal->Day(), 15);
}

TEST_F(CalendarPanelTest, TitleFormatAndScreenshot)
{
    Show(2024, 2, 29);
    EXPECT_EQ(cal->TitleText(), "Donnerstag, 29. Februar 2024");
    cal->SetCustomDateFormat("mmmm yyyy");
    EXPECT_EQ(cal->Look().DateFormat, cfCustom);
    EXPECT_EQ(cal->TitleText(), "Februar 2024");
    cal->SetOption(&TCalendarLook::DateFormat, cfWindowsLong);
    EXPECT_EQ(cal->CustomDateFormat(), FormatSettings().LongDateFormat);
    cal->SetOption(&TCalendarLook::SundayTextColor, clRed);
    cal->SetOption(&TCalendarLook::NonMonthDays, true);
    cal->SetOption(&TCalendarLook::NonMonthDaysColorText, clGray);
    cal->SetOption(&TCalendarLook::StartOfWeek, swMonday);
    const QImage img = SaveShot(W(), "calendar_panel");
    EXPECT_EQ(img.size(), QSize(cal->Width(), cal->Height()));
    // The selected day's cell is filled with the selection colour.
    const TPoint c = cal->DayCellCenter(29);
    const QColor blue = ColorToQColor(clBlue);
    bool found = false;
    for (int dx = -6; dx <= 6 && !found; ++dx)
        found = img.pixelColor(c.X + dx, c.Y - 5) == blue;
    EXPECT_TRUE(found);
    // The natural size holds the whole grid.
    EXPECT_GT(cal->Width(), 7 * 20);
    EXPECT_GE(cal->Height(), cal->GridRect().Bottom);
}

TEST_F(CalendarPanelTest, PaintLockSizesButDrawsNoDays)
{
    Show(2024, 3, 15);
    cal->BeginUpdate();
    cal->SetBounds(10, 10, 10, 10);
    cal->SetBounds(10, 10, 0, 0);
    cal->EndUpdate();
    cal->BeginUpdate();
    cal->UpdateLayout();
    EXPECT_GT(cal->Width(), 100);
    const QImage locked = W()->grab().toImage();
    cal->EndUpdate();
    const QImage drawn = W()->grab().toImage();
    auto blue = [](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += img.pixelColor(x, y) == ColorToQColor(clBlue);
        return n;
    };
    EXPECT_EQ(blue(locked), 0);
    EXPECT_GT(blue(drawn), 10);
}

TEST_F(CalendarPanelTest, TitleWithoutASelectedDayNamesTheMonth)
{
    EXPECT_EQ(cal->TitleText(), "Dezember 2026");
    Show(2024, 3, 31);
    cal->SetMonth(4);
    EXPECT_EQ(cal->TitleText(), "April 2024");
}

TEST_F(CalendarPanelTest, OnlyTheLeftButtonsReleaseEndsTracking)
{
    Show(2024, 3, 15);
    // A held step button keeps repeating through a right click.
    QTest::mousePress(W(), Qt::LeftButton, {}, Center(cal->NextMonthRect()));
    ASSERT_EQ(cal->Month(), 4);
    QTest::mouseClick(W(), Qt::RightButton, {}, Center(cal->NextMonthRect()));
    EXPECT_TRUE(cal->RepeatTimer()->Enabled());
    cal->RepeatTimer()->Timer();
    EXPECT_EQ(cal->Month(), 5);
    QTest::mouseRelease(W(), Qt::LeftButton, {}, Center(cal->NextMonthRect()));
    EXPECT_FALSE(cal->RepeatTimer()->Enabled());

    // A held day keeps following the mouse through a right click.
    const TPoint d10 = cal->DayCellCenter(10), d12 = cal->DayCellCenter(12);
    QTest::mousePress(W(), Qt::LeftButton, {}, QPoint(d10.X, d10.Y));
    ASSERT_EQ(cal->Day(), 10);
    QTest::mouseClick(W(), Qt::RightButton, {}, QPoint(d10.X, d10.Y));
    QTest::mouseMove(W(), QPoint(d12.X, d12.Y));
    EXPECT_EQ(cal->Day(), 12);
    QTest::mouseRelease(W(), Qt::LeftButton, {}, QPoint(d12.X, d12.Y));
    EXPECT_EQ(cal->Date(), EncodeDate(2024, 5, 12));
}

TEST_F(CalendarPanelTest, UnderAPaintLockTheLayoutStillPlacesTheStepButtons)
{
    Show(2024, 3, 15);
    const int wide = cal->Width();
    cal->BeginUpdate();
    cal->SetOption(&TCalendarLook::ShowYearButtons, false);
    cal->UpdateLayout();
    ASSERT_LT(cal->Width(), wide);
    W()->grab();  // a locked paint draws nothing but places the buttons
    EXPECT_EQ(cal->NextMonthRect().Right, cal->Width() - 7);
    EXPECT_EQ(cal->PrevYearRect().Width(), 0);
    // The button answers where it now stands, while the lock holds.
    QTest::mouseClick(W(), Qt::LeftButton, {}, Center(cal->NextMonthRect()));
    EXPECT_EQ(cal->Month(), 4);
    cal->EndUpdate();
}
