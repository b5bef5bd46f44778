// The date edit driven with QTest key and mouse events: typing field by
// field, the century rule, blank dates, revert with Esc, paste, exit
// validation and the drop-down calendar.

#include <QClipboard>
#include <QLineEdit>
#include <QScreen>

#include "controls/date_edit.h"
#include "controls_fixture.h"

namespace {

class DateEditTest : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        edit = new TDateEditPlus(form.get());
        edit->SetParent(form.get());
        edit->SetBounds(20, 20, 160, 24);
        edit->OnBadDate = [this](TObject*, TBadDateAction& a) {
            ++badDates;
            a = badDateAction;
        };
        ShowForm();
    }
    QLineEdit* Line() const { return edit->Edit(); }
    // Sends one sequence: plain characters are typed, <Name> is a key.
    void Keys(const QString& seq)
    {
        for (int i = 0; i < seq.size(); ++i) {
            if (seq.at(i) == u'<') {
                const int end = seq.indexOf(u'>', i);
                const QString name = seq.mid(i + 1, end - i - 1);
                i = end;
                static const QMap<QString, int> keys = {
                    {"Right", Qt::Key_Right}, {"Left", Qt::Key_Left}, {"Del", Qt::Key_Delete},
                    {"BS", Qt::Key_Backspace}, {"Esc", Qt::Key_Escape}, {"Home", Qt::Key_Home},
                    {"End", Qt::Key_End}, {"Enter", Qt::Key_Return}};
                if (name == "SelAll")
                    QTest::keyClick(Line(), Qt::Key_A, Qt::ControlModifier);
                else if (name == "Paste")
                    QTest::keyClick(Line(), Qt::Key_V, Qt::ControlModifier);
                else
                    QTest::keyClick(Line(), Qt::Key(keys.value(name)));
            } else {
                QTest::keyClick(Line(), seq.at(i).toLatin1());
            }
        }
    }
    void Start(int y, int m, int d)
    {
        edit->SetDate(EncodeDate(y, m, d));
        Focus(edit);
        ASSERT_TRUE(edit->Focused());
    }
    TDateEditPlus* edit = nullptr;
    int badDates = 0;
    TBadDateAction badDateAction = baRevert;
};

}  // namespace

TEST_F(DateEditTest, EnteringSelectsTheFirstFieldInTheEditFormat)
{
    Start(2024, 3, 15);
    EXPECT_EQ(Line()->text(), "15.03.2024");
    EXPECT_EQ(Line()->selectedText(), "15");
    EXPECT_EQ(edit->CurrentField(), 1);
    EXPECT_FALSE(edit->Modified());
    EXPECT_EQ(edit->Template(), "DD:MM:YYYY");
}

struct TypingCase {
    const char* name;
    int y, m, d;          // start date
    const char* keys;
    const char* text;     // text while focused
    int ey, em, ed;       // Date afterwards
    bool valid;           // the parts form a valid date
    int beeps;
};

class DateEditTyping : public DateEditTest, public ::testing::WithParamInterface<TypingCase> {};

TEST_P(DateEditTyping, KeySequences)
{
    const TypingCase& c = GetParam();
    Start(c.y, c.m, c.d);
    const int beeps = ControlBeepCount();
    Keys(QString::fromLatin1(c.keys));
    EXPECT_EQ(Line()->text(), QString::fromLatin1(c.text));
    EXPECT_EQ(edit->Date(), EncodeDate(c.ey, c.em, c.ed));
    EXPECT_EQ(edit->IsValid(), c.valid);
    EXPECT_EQ(ControlBeepCount() - beeps, c.beeps);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DateEditTyping,
    ::testing::Values(
        TypingCase{"OneDigitDay", 2024, 3, 15, "3", "3.03.2024", 2024, 3, 3, true, 0},
        TypingCase{"TwoDigitDay", 2024, 3, 15, "31", "31.03.2024", 2024, 3, 31, true, 0},
        TypingCase{"FullStopSelectsTheMonth", 2024, 3, 15, "31.4", "31.4.2024", 2024, 3, 31, false, 0},
        TypingCase{"ZeroIsAPartialDay", 2024, 3, 15, "0", "0.03.2024", 2024, 3, 15, false, 0},
        TypingCase{"ZeroThenFive", 2024, 3, 15, "05", "05.03.2024", 2024, 3, 5, true, 0},
        TypingCase{"LeapDay", 2024, 3, 15, "29.02", "29.02.2024", 2024, 2, 29, true, 0},
        // "20" on the way is 2020, a leap year: Date keeps 29.02.2020.
        TypingCase{"NoLeapDayIn2023", 2024, 2, 29, "<Right><Right>2023", "29.02.2023", 2020, 2, 29, false, 0},
        TypingCase{"LeapDayIn2000", 2024, 2, 29, "<Right><Right>2000", "29.02.2000", 2000, 2, 29, true, 0},
        TypingCase{"NoLeapDayIn1900", 2024, 2, 29, "<Right><Right>1900", "29.02.1900", 2024, 2, 29, false, 0},
        TypingCase{"IntoTheNewYear", 2024, 12, 31, "01.01.2025", "01.01.2025", 2025, 1, 1, true, 0},
        TypingCase{"BackToTheOldYear", 2025, 1, 1, "31.12.2024", "31.12.2024", 2024, 12, 31, true, 0},
        TypingCase{"TwoDigitYearCurrentCentury", 2024, 3, 15, "<Right><Right>46", "15.03.46", 2046, 3, 15, true, 0},
        TypingCase{"MonthOverflowsIntoTheYear", 2024, 3, 15, "<Right>25", "15.2.5", 2005, 2, 15, true, 0},
        TypingCase{"LetterIsRefused", 2024, 3, 15, "a", "15.03.2024", 2024, 3, 15, true, 1},
        TypingCase{"LetterInTheYearIsRefused", 2024, 3, 15, "<Left>x", "15.03.2024", 2024, 3, 15, true, 1},
        TypingCase{"DayAbove31OverflowsToTheMonth", 2024, 3, 15, "45", "4.5.2024", 2024, 5, 4, true, 0},
        TypingCase{"FifthYearDigitBeeps", 2024, 3, 15, "<Right><Right>20245", "15.03.2024", 2024, 3, 15, true, 1},
        TypingCase{"LeftWrapsToTheYear", 2024, 3, 15, "<Left>1999", "15.03.1999", 1999, 3, 15, true, 0},
        TypingCase{"RightFromTheYearWrapsToTheDay", 2024, 3, 15, "<Left><Right>7", "7.03.2024", 2024, 3, 7, true, 0},
        TypingCase{"YearNineThousand", 2024, 3, 15, "<Left>9999", "15.03.9999", 9999, 3, 15, true, 0},
        TypingCase{"TypingOverTheWholeText", 2024, 3, 15, "<Left><SelAll>7", "7", 2024, 3, 7, true, 0},
        TypingCase{"RetypingTheWholeDate", 2024, 3, 15, "<SelAll>24.12.2025", "24.12.2025", 2025, 12, 24, true, 0},
        TypingCase{"WholeTextDeleteWithoutBlankBeeps", 2024, 3, 15, "<SelAll><Del>", "15.03.2024", 2024, 3, 15, true, 1},
        TypingCase{"DeleteInAFieldMustLeaveAValidField", 2024, 3, 15, "<Del>", "15.03.2024", 2024, 3, 15, true, 1},
        // The first Backspace goes back to the end of the day, the second
        // selects its last digit, which the 9 replaces.
        TypingCase{"BackspaceSelectsBackToTheField", 2024, 3, 15, "<Right><BS><BS>9", "19.03.2024", 2024, 3, 19, true, 0}),
    [](const ::testing::TestParamInfo<TypingCase>& info) { return std::string(info.param.name); });

TEST_F(DateEditTest, InvalidDateOnExitRaisesOnBadDateAndReverts)
{
    Start(2024, 3, 15);
    Keys("31.4");
    EXPECT_EQ(edit->Month(), 4);
    EXPECT_TRUE(edit->Modified());
    Leave();
    EXPECT_EQ(badDates, 1);
    EXPECT_EQ(Line()->text(), "15.03.2024");
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 3, 15));
    EXPECT_FALSE(edit->Modified());
}

TEST_F(DateEditTest, KeepFocusGivesTheFocusBackWithTheBadDate)
{
    badDateAction = baKeepFocus;
    Start(2024, 3, 15);
    Keys("31.4");
    Leave();
    QCoreApplication::processEvents();
    EXPECT_EQ(badDates, 1);
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(Line()->text(), "31.04.2024");
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 3, 31));
}

TEST_F(DateEditTest, ValidDateOnExitShowsTheDisplayFormat)
{
    edit->SetCustomDisplayFormat("dddd, d. mmmm yyyy");
    Start(2024, 3, 15);
    EXPECT_EQ(Line()->text(), "15.03.2024");
    Keys("29.2");
    Leave();
    EXPECT_EQ(badDates, 0);
    EXPECT_EQ(Line()->text(), "Donnerstag, 29. Februar 2024");
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 2, 29));
}

TEST_F(DateEditTest, EscapeRevertsFirstAndReachesTheFormSecond)
{
    auto* cancel = new TButton(form.get());
    cancel->SetParent(form.get());
    cancel->SetBounds(300, 260, 80, 25);
    cancel->Cancel = true;
    int cancels = 0;
    cancel->OnClick = [&](TObject*) { ++cancels; };
    Start(2024, 3, 15);
    Keys("3");
    EXPECT_EQ(Line()->text(), "3.03.2024");
    Keys("<Esc>");
    EXPECT_EQ(Line()->text(), "15.03.2024");
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 3, 15));
    EXPECT_EQ(cancels, 0);
    Keys("<Esc>");
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 3, 15));
}

TEST_F(DateEditTest, BlankDateWithCanBeBlank)
{
    edit->CanBeBlank = true;
    Start(2024, 3, 15);
    Keys("<SelAll><Del>");
    EXPECT_EQ(Line()->text(), "");
    EXPECT_TRUE(edit->Blank());
    Leave();
    EXPECT_EQ(badDates, 0);
    EXPECT_EQ(Line()->text(), "");
    EXPECT_TRUE(edit->Blank());
    // Typing into the blank edit builds the date again.
    Focus(edit);
    Keys("24.12.2025");
    EXPECT_EQ(Line()->text(), "24.12.2025");
    EXPECT_FALSE(edit->Blank());
    EXPECT_EQ(edit->Date(), EncodeDate(2025, 12, 24));
}

TEST_F(DateEditTest, BlankEditWithoutCanBeBlankRevertsAnIncompleteDate)
{
    Focus(edit);
    Keys("24.12");
    Leave();
    EXPECT_EQ(badDates, 1);
    EXPECT_TRUE(edit->Blank());
    EXPECT_EQ(Line()->text(), "");
}

TEST_F(DateEditTest, CenturyRules)
{
    struct Case {
        TCenturyMethod method;
        const char* typed;
        int year;
    };
    const Case cases[] = {
        {cmCurrent, "05", 2005}, {cmCurrent, "99", 2099}, {cmFixed, "05", 1905},
        {cmLookAhead, "46", 2046}, {cmLookAhead, "47", 1947}, {cmLookAhead, "05", 2005},
        {cmLookAhead, "00", 2000}, {cmLookAhead, "99", 1999},
    };
    for (const Case& c : cases) {
        edit->CenturyOptions()->Method = c.method;
        Start(2024, 3, 15);
        Keys("<Left>");
        Keys(c.typed);
        EXPECT_EQ(edit->Year(), c.year) << c.typed << " method " << c.method;
        Leave();
        EXPECT_EQ(Line()->text(), QString("15.03.%1").arg(c.year)) << c.typed;
    }
}

TEST_F(DateEditTest, YearsToLookAheadOutsideItsRangeIsRefused)
{
    TCenturyOptions* o = edit->CenturyOptions();
    o->SetYearsToLookAhead(30);
    for (int bad : {0, 100, -5})
        EXPECT_THROW(o->SetYearsToLookAhead(bad), EInvalidOperation);
    EXPECT_EQ(o->YearsToLookAhead(), 30);
}

TEST_F(DateEditTest, PasteTypesTheTextThroughTheFields)
{
    Start(2024, 3, 15);
    QGuiApplication::clipboard()->setText("24.12.2025");
    Keys("<Paste>");
    EXPECT_EQ(Line()->text(), "24.12.2025");
    EXPECT_EQ(edit->Date(), EncodeDate(2025, 12, 24));

    const int beeps = ControlBeepCount();
    for (const QString& bad : {QString("hello"), QString(5000, u'9'), QString("31.02.2024x")}) {
        QGuiApplication::clipboard()->setText(bad);
        Keys("<Paste>");
        EXPECT_EQ(Line()->text(), "24.12.2025") << bad.left(20).toStdString();
        EXPECT_EQ(edit->Date(), EncodeDate(2025, 12, 24));
    }
    EXPECT_EQ(ControlBeepCount() - beeps, 3);
}

TEST_F(DateEditTest, UnusualDateOrderFromTheFormatSettings)
{
    FormatSettings().ShortDateFormat = "yyyy-mm-dd";
    Start(2024, 3, 15);
    EXPECT_EQ(Line()->text(), "2024-03-15");
    Keys("1999-12-31");
    EXPECT_EQ(Line()->text(), "1999-12-31");
    EXPECT_EQ(edit->Date(), EncodeDate(1999, 12, 31));
    // Left from the day field selects the month.
    Keys("<Left>1");
    EXPECT_EQ(Line()->text(), "1999-1-31");
    EXPECT_EQ(edit->Date(), EncodeDate(1999, 1, 31));
}

TEST_F(DateEditTest, MonthNamesCompleteAndWeekdaysMoveTheDate)
{
    edit->SetCustomEditFormat("ddd dd. mmm yyyy");
    Start(2024, 3, 13);  // a Wednesday
    EXPECT_EQ(Line()->text(), "Mi 13. Mrz 2024");
    Keys("So");
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 3, 10));
    EXPECT_EQ(Line()->text(), "So 10. Mrz 2024");
    // The weekday name follows the new month.
    Keys("<Right><Right>j");
    EXPECT_EQ(Line()->text(), "Mi 10. Jan 2024");
    Keys("u");
    EXPECT_EQ(Line()->text(), "Mo 10. Jun 2024");
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 6, 10));
}

TEST_F(DateEditTest, OnChangeFiresOncePerRealChange)
{
    Start(2024, 3, 15);
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    Leave();
    Focus(edit);
    EXPECT_EQ(changes, 0);
    Keys("3");
    EXPECT_EQ(changes, 1);
}

TEST_F(DateEditTest, ReadOnlyRefusesEveryChange)
{
    edit->SetReadOnly(true);
    Start(2024, 3, 15);
    Keys("3<SelAll><Del>");
    EXPECT_EQ(Line()->text(), "15.03.2024");
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 3, 15));
    // Tab still moves the focus on.
    QTest::keyClick(Line(), Qt::Key_Tab);
    EXPECT_FALSE(edit->Focused());
}

namespace {

QWidget* ButtonWidget(TCustomDateEditPlusNoBDE* edit)
{
    for (int i = 0; i < edit->ControlCount(); ++i)
        if (edit->Controls(i) != edit->GetCalendar())
            return edit->Controls(i)->Handle();
    return nullptr;
}

QPoint CellOf(TCustomCalendarEdit* cal, int day)
{
    const TPoint p = cal->DayCellCenter(day);
    return QPoint(p.X, p.Y);
}

}  // namespace

TEST_F(DateEditTest, ButtonDropsTheCalendarUnderTheEditAndAPickClosesIt)
{
    edit->SetDate(EncodeDate(2024, 3, 15));
    QWidget* button = ButtonWidget(edit);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible());
    int drops = 0, closes = 0;
    edit->OnDropDown = [&](TObject*, TDropDownState s) {
        ++drops;
        EXPECT_EQ(s, ddsButton);
    };
    edit->OnCloseUp = [&](TObject*) { ++closes; };
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    TDropDownCalendar* cal = edit->GetCalendar();
    ASSERT_NE(cal, nullptr);
    EXPECT_TRUE(cal->Handle()->isVisible());
    EXPECT_TRUE(cal->Handle()->isWindow());
    EXPECT_EQ(drops, 1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(edit->Focused());
    EXPECT_TRUE(form->Handle()->isActiveWindow());
    // Under the edit, left edges aligned.
    const QPoint editBottomLeft = Line()->mapToGlobal(QPoint(0, Line()->height()));
    EXPECT_EQ(cal->Handle()->geometry().topLeft(), editBottomLeft);
    EXPECT_EQ(cal->Month(), 3);
    EXPECT_EQ(cal->Day(), 15);

    SaveShot(form->Handle(), "date_edit_focused");
    SaveShot(cal->Handle(), "date_edit_dropdown");

    QTest::mouseClick(cal->Handle(), Qt::LeftButton, {}, CellOf(cal, 20));
    EXPECT_EQ(edit->GetCalendar(), nullptr);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(Line()->text(), "20.03.2024");
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 3, 20));
    EXPECT_TRUE(edit->Modified());
    QCoreApplication::processEvents();  // the closed calendar goes
}

TEST_F(DateEditTest, StepInTheCalendarThenPickCarriesMonthAndYear)
{
    Start(2024, 12, 31);
    QTest::mouseClick(ButtonWidget(edit), Qt::LeftButton, {}, ButtonWidget(edit)->rect().center());
    TDropDownCalendar* cal = edit->GetCalendar();
    ASSERT_NE(cal, nullptr);
    const TRect next = cal->NextMonthRect();
    QTest::mouseClick(cal->Handle(), Qt::LeftButton, {}, QPoint((next.Left + next.Right) / 2, (next.Top + next.Bottom) / 2));
    EXPECT_EQ(edit->Month(), 1);
    EXPECT_EQ(edit->Year(), 2025);
    EXPECT_EQ(Line()->text(), "31.01.2025");
    ASSERT_EQ(edit->GetCalendar(), cal);  // stepping keeps it open
    QTest::mouseClick(cal->Handle(), Qt::LeftButton, {}, CellOf(cal, 2));
    EXPECT_EQ(edit->Date(), EncodeDate(2025, 1, 2));
    EXPECT_EQ(edit->GetCalendar(), nullptr);
}

TEST_F(DateEditTest, SecondPressOnTheButtonAndEnterAndEscCloseTheCalendar)
{
    Start(2024, 3, 15);
    QWidget* button = ButtonWidget(edit);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    ASSERT_NE(edit->GetCalendar(), nullptr);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    EXPECT_EQ(edit->GetCalendar(), nullptr);

    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    ASSERT_NE(edit->GetCalendar(), nullptr);
    Keys("<Enter>");
    EXPECT_EQ(edit->GetCalendar(), nullptr);

    Keys("3");
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    ASSERT_NE(edit->GetCalendar(), nullptr);
    Keys("<Esc>");
    EXPECT_EQ(edit->GetCalendar(), nullptr);
    EXPECT_EQ(Line()->text(), "3.03.2024");  // the first Esc only closed the calendar
    Leave();
    EXPECT_EQ(edit->GetCalendar(), nullptr);
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 3, 3));
}

TEST_F(DateEditTest, PressOnTheButtonDraggedIntoTheCalendarPicksTheDay)
{
    Start(2024, 3, 15);
    QWidget* button = ButtonWidget(edit);
    QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
    TDropDownCalendar* cal = edit->GetCalendar();
    ASSERT_NE(cal, nullptr);
    EXPECT_TRUE(edit->ButtonPressed());
    const QPoint target = button->mapFromGlobal(cal->Handle()->mapToGlobal(CellOf(cal, 8)));
    QTest::mouseMove(button, target);
    EXPECT_FALSE(edit->ButtonPressed());
    EXPECT_EQ(edit->Day(), 8);
    QTest::mouseRelease(button, Qt::LeftButton, {}, target);
    EXPECT_EQ(edit->GetCalendar(), nullptr);
    EXPECT_EQ(edit->Date(), EncodeDate(2024, 3, 8));
}

TEST_F(DateEditTest, CalendarOpensAboveWhenThereIsNoRoomBelow)
{
    const QRect screen = form->Handle()->screen()->geometry();
    form->SetBounds(400, screen.bottom() - 90, 420, 80);
    edit->SetBounds(20, 10, 160, 24);
    QCoreApplication::processEvents();
    Start(2024, 3, 15);
    edit->DropDown(ddsButton);
    TDropDownCalendar* cal = edit->GetCalendar();
    ASSERT_NE(cal, nullptr);
    const QRect g = cal->Handle()->geometry();
    EXPECT_LT(g.bottom(), Line()->mapToGlobal(QPoint(0, 0)).y());
    EXPECT_LE(g.bottom(), screen.bottom());
    edit->CloseUp();

    // Right-aligned on request (there is room to the left).
    edit->CalendarOptions()->AlignHorizontally = daRight;
    edit->DropDown(ddsButton);
    cal = edit->GetCalendar();
    ASSERT_NE(cal, nullptr);
    EXPECT_EQ(cal->Handle()->geometry().right(), Line()->mapToGlobal(QPoint(Line()->width() - 1, 0)).x());
}

TEST_F(DateEditTest, AutoDropDownOnChangeAndCalendarOptionsReachTheOpenCalendar)
{
    edit->AutoDropDown = adChanged;
    edit->CalendarOptions()->Set(&TCalendarLook::StartOfWeek, swMonday);
    Start(2024, 3, 15);
    EXPECT_EQ(edit->GetCalendar(), nullptr);
    Keys("2");
    TDropDownCalendar* cal = edit->GetCalendar();
    ASSERT_NE(cal, nullptr);
    EXPECT_EQ(cal->Day(), 2);
    EXPECT_EQ(cal->Look().StartOfWeek, swMonday);
    EXPECT_EQ(cal->FirstCellDay(), -3);  // March 2024 begins on a Friday
    edit->CalendarOptions()->Set(&TCalendarLook::SelectedDayColor, clRed);
    EXPECT_EQ(cal->Look().SelectedDayColor, clRed);
    edit->CalendarOptions()->SetCustomDateFormat("mmmm yyyy");
    EXPECT_EQ(cal->TitleText(), QString::fromUtf8("März 2024"));
    EXPECT_EQ(edit->CalendarOptions()->Look().DateFormat, cfCustom);
}

TEST_F(DateEditTest, ButtonShownOnlyWhileFocusedWithBdFocused)
{
    edit->SetButtonDisplay(bdFocused);
    QWidget* button = ButtonWidget(edit);
    EXPECT_FALSE(button->isVisible());
    Start(2024, 3, 15);
    EXPECT_TRUE(button->isVisible());
    SaveShot(form->Handle(), "date_edit_button_focused");
    Leave();
    EXPECT_FALSE(button->isVisible());
    EXPECT_EQ(Line()->textMargins().right(), 0);
}

TEST_F(DateEditTest, ClickIntoTheTextSelectsTheFieldUnderTheCaret)
{
    Start(2024, 3, 15);
    // A click between the month digits selects the month field.
    Line()->setCursorPosition(4);
    const QPoint p = Line()->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    Line()->setCursorPosition(0);
    QTest::mouseClick(Line(), Qt::LeftButton, {}, p);
    EXPECT_EQ(edit->CurrentField(), 3);
    EXPECT_EQ(Line()->selectedText(), "03");
}

TEST_F(DateEditTest, ClickIntoAnUnfocusedEditSelectsAllAndDoubleClickOnTheButtonDoesNothing)
{
    edit->SetDate(EncodeDate(2024, 3, 15));
    Focus(other);
    QTest::mouseClick(Line(), Qt::LeftButton, {}, QPoint(30, Line()->height() / 2));
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(Line()->selectedText(), "15.03.2024");
    QWidget* button = ButtonWidget(edit);
    int drops = 0, closes = 0;
    edit->OnDropDown = [&](TObject*, TDropDownState) { ++drops; };
    edit->OnCloseUp = [&](TObject*) { ++closes; };
    QTest::mouseDClick(button, Qt::LeftButton, {}, button->rect().center());
    QCoreApplication::processEvents();
    // The first press opens the calendar; the double click adds nothing.
    EXPECT_NE(edit->GetCalendar(), nullptr);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(closes, 0);
}

TEST_F(DateEditTest, EnterReachesTheDefaultButtonWhenTheCalendarIsClosed)
{
    auto* ok = new TButton(form.get());
    ok->SetParent(form.get());
    ok->SetBounds(200, 260, 80, 25);
    ok->SetDefault(true);
    int clicks = 0;
    ok->OnClick = [&](TObject*) { ++clicks; };
    Start(2024, 3, 15);
    edit->DropDown(ddsButton);
    Keys("<Enter>");
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(edit->GetCalendar(), nullptr);
    Keys("<Enter>");
    EXPECT_EQ(clicks, 1);
}

TEST_F(DateEditTest, ButtonStyleChoosesTheGlyphs)
{
    const int calendarWidth = edit->ButtonBitmap()->Width();
    edit->SetButtonStyle(bsComboAuto);
    EXPECT_EQ(edit->ButtonStyle(), bsComboNew);
    EXPECT_NE(edit->ButtonBitmap()->Width(), calendarWidth);
    TBitmap own(8, 4);
    edit->SetButtonBitmap(&own);
    EXPECT_EQ(edit->ButtonStyle(), bsCustom);
    EXPECT_EQ(edit->ButtonBitmap()->Width(), 8);
    edit->SetButtonStyle(bsCustom);
    EXPECT_TRUE(edit->ButtonBitmap()->Empty());
}

TEST_F(DateEditTest, AutoDropDownOnFocusAndLoadedShowsTheDisplayFormat)
{
    edit->AutoDropDown = adFocused;
    TDropDownState state = ddsChanged;
    edit->OnDropDown = [&](TObject*, TDropDownState s) { state = s; };
    Start(2024, 3, 15);
    ASSERT_NE(edit->GetCalendar(), nullptr);
    EXPECT_EQ(state, ddsFocused);
    Leave();
    EXPECT_EQ(edit->GetCalendar(), nullptr);  // focus loss closes it

    // A form built in code calls Loaded: the edit is blank and not modified.
    edit->SetCustomDisplayFormat("d. mmmm yyyy");
    edit->Loaded();
    EXPECT_TRUE(edit->Blank());
    EXPECT_EQ(Line()->text(), "");
    EXPECT_FALSE(edit->Modified());
    edit->SetDate(EncodeDate(2024, 3, 15));
    EXPECT_EQ(Line()->text(), QString::fromUtf8("15. März 2024"));
}

TEST_F(DateEditTest, MovingTheFormClosesTheCalendar)
{
    Start(2024, 3, 15);
    edit->DropDown(ddsButton);
    ASSERT_NE(edit->GetCalendar(), nullptr);
    form->SetBounds(150, 120, 420, 320);
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->GetCalendar(), nullptr);
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(Line()->text(), "15.03.2024");
}

TEST_F(DateEditTest, HidingTheFormClosesTheCalendar)
{
    Start(2024, 3, 15);
    edit->DropDown(ddsButton);
    ASSERT_NE(edit->GetCalendar(), nullptr);
    form->Hide();
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->GetCalendar(), nullptr);
    ShowForm();
    Focus(edit);
    edit->DropDown(ddsButton);
    EXPECT_NE(edit->GetCalendar(), nullptr);
}

TEST_F(DateEditTest, TabbingInSelectsTheFirstField)
{
    edit->SetDate(EncodeDate(2024, 3, 15));
    Focus(other);
    QTest::keyClick(other->Handle(), Qt::Key_Tab);
    ASSERT_TRUE(edit->Focused());
    EXPECT_EQ(Line()->selectedText(), "15");
    EXPECT_EQ(edit->CurrentField(), 1);
}

TEST_F(DateEditTest, AnUnfocusedEditPaintsItsOwnTextInItsColoursWithoutASelection)
{
    Start(2026, 12, 9);
    Keys("<SelAll>");
    ASSERT_TRUE(Line()->hasSelectedText());
    edit->SetColor(clYellow);
    Leave();
    ASSERT_FALSE(edit->Focused());
    TColor grund = clNone, schrift = clNone;
    edit->SelectPaintColors(grund, schrift);  // not in a grid: its own colours
    EXPECT_EQ(grund, clYellow);
    EXPECT_EQ(schrift, edit->Font()->Color());
    const QImage bild = SaveShot(edit->Edit(), "date_edit_unfocused");
    const QColor gelb = ColorToQColor(clYellow), auswahl = Line()->palette().color(QPalette::Highlight);
    int gelbe = 0, ausgewaehlte = 0, dunkle = 0;
    for (int y = 0; y < bild.height(); ++y)
        for (int x = 0; x < edit->ButtonRect().Left; ++x) {
            const QColor c = bild.pixelColor(x, y);
            gelbe += c == gelb;
            ausgewaehlte += c == auswahl;
            dunkle += c.lightness() < 80;
        }
    EXPECT_GT(gelbe, bild.height() * edit->ButtonRect().Left / 2);
    EXPECT_EQ(ausgewaehlte, 0);
    EXPECT_GT(dunkle, 20);  // the text is there
}

TEST_F(DateEditTest, CtrlWithTheArrowsStepsTheFieldsAsWithout)
{
    Start(2024, 3, 15);
    QTest::keyClick(Line(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Line()->selectedText(), "03");
    EXPECT_EQ(edit->CurrentField(), 3);
    QTest::keyClick(Line(), Qt::Key_Right, Qt::ControlModifier);
    QTest::keyClick(Line(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Line()->selectedText(), "15");  // past the year back to the day
    QTest::keyClick(Line(), Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(Line()->selectedText(), "2024");
    Keys("1999");
    EXPECT_EQ(edit->Date(), EncodeDate(1999, 3, 15));
}

TEST_F(DateEditTest, AButtonBitmapReadFromAFormKeepsTheStreamedStyle)
{
    TBitmap own(8, 4);
    edit->SetLoading(true);
    edit->SetButtonStyle(bsComboOld);
    edit->SetButtonBitmap(&own);
    edit->SetLoading(false);
    EXPECT_EQ(edit->ButtonStyle(), bsComboOld);
    EXPECT_EQ(edit->ButtonBitmap()->Width(), 8);
}
