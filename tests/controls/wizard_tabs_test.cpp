// The tab strip style of the wizard: rows and their balance, clicks on the
// tabs, the switch from the dialog page, and a screenshot of two rows.

#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <gtest/gtest.h>

#include "controls/wizard.h"
#include "controls/wizard_containers.h"
#include "platform/ui/test_input.h"

namespace {

class TabbedForm : public TForm {
public:
    TabbedForm(int pages, int width) : TForm(nullptr)
    {
        SetBounds(100, 100, width, 300);
        Wizard = new TAssistent(this);
        Wizard->SetParent(this);
        Wizard->SetNumPages(pages);
        Box = new TABox(this);
        Box->SetParent(Wizard);
        Loaded();
    }
    int TabWidth() const
    {
        return QFontMetrics(Wizard->Font()->ToQFont()).horizontalAdvance("Page 1") + Wizard->TabSpaceX();
    }
    TAssistent* Wizard;
    TABox* Box;
};

}  // namespace

TEST(WizardTabs, AllTabsFitInOneRow)
{
    TabbedForm f(3, 600);
    f.Wizard->SetStyle(asTabbed);
    ASSERT_NE(f.Wizard->TabRows(), nullptr);
    EXPECT_EQ(f.Wizard->TabRows()->Values(), std::vector<int32_t>{3});
    const int rowHeight = QFontMetrics(f.Wizard->Font()->ToQFont()).height() + 8;
    EXPECT_EQ(f.Wizard->TabRowHeight(), rowHeight);
    EXPECT_EQ(f.Wizard->TabAreaHeight(), rowHeight + 2);
    const TRect r = f.Wizard->AdjustClientRect();
    EXPECT_EQ(r.Top, rowHeight + 3);
    EXPECT_EQ(r.Left, 1);
    // Every bar button is parked and disabled in this style.
    EXPECT_EQ(f.Wizard->NextButton()->Left(), kParkLeft);
    EXPECT_FALSE(f.Wizard->CancelButton()->Enabled());
}

TEST(WizardTabs, SevenTabsInTwoBalancedRows)
{
    TabbedForm probe(7, 600);
    const int tw = probe.TabWidth();
    TabbedForm f(7, 4 + 5 * tw + tw / 2);  // five tabs fit in a row
    f.Wizard->SetStyle(asTabbed);
    // First pass 5 + 2; the second row is filled up to 7 div 2 = 3.
    EXPECT_EQ(f.Wizard->TabRows()->Values(), (std::vector<int32_t>{4, 3}));
    EXPECT_EQ(f.Wizard->TabRowWidth(1), 3 * tw);
}

TEST(WizardTabs, SwitchingToTabbedOnTheDialogPageGoesToPageOne)
{
    TabbedForm f(3, 600);
    f.Wizard->SetPage(0);
    f.Wizard->SetStyle(asTabbed);
    EXPECT_EQ(f.Wizard->Page(), 1);
    f.Wizard->SetStyle(asWizard);
    EXPECT_EQ(f.Wizard->TabRows(), nullptr);
    EXPECT_EQ(f.Wizard->TabAreaHeight(), 0);
}

TEST(WizardTabs, ClicksOnTheTabsSwitchPagesAndTheLowestRowIsTheCurrentOne)
{
    TabbedForm probe(7, 600);
    const int tw = probe.TabWidth();
    TabbedForm f(7, 4 + 5 * tw + tw / 2);
    f.Wizard->SetStyle(asTabbed);
    f.Wizard->SetPage(1);
    f.Show();
    f.Handle()->grab();  // draws the tabs, which records their widths
    const int row = f.Wizard->TabRowHeight();
    EXPECT_GT(f.Wizard->TabWidthOf(1), 0);
    // Page 1 is in row 0, drawn lowest; the upper visual row is row 1 (pages 5-7).
    const int upperY = 2 + row / 2, lowerY = 2 + row + row / 2;
    EXPECT_EQ(f.Wizard->TabAt(3, upperY), 5);
    EXPECT_EQ(f.Wizard->TabAt(3, lowerY), 1);
    int changes = 0;
    f.Wizard->OnPageChange = [&](TAssistent*, int) { ++changes; };
    const int x2 = 2 + f.Wizard->TabWidthOf(1) + f.Wizard->TabWidthOf(2) / 2;
    lxui_test::SendClick(f.Wizard->Handle(), QPoint(x2, lowerY));
    EXPECT_EQ(f.Wizard->Page(), 2);
    EXPECT_EQ(changes, 1);
    // Now the upper row click still addresses pages 5-7 ...
    f.Handle()->grab();
    lxui_test::SendClick(f.Wizard->Handle(), QPoint(3, upperY));
    EXPECT_EQ(f.Wizard->Page(), 5);
    // ... and after the switch the row of page 5 is drawn lowest.
    f.Handle()->grab();
    EXPECT_EQ(f.Wizard->TabAt(3, lowerY), 5);
    EXPECT_EQ(f.Wizard->TabAt(3, upperY), 1);
    // A veto keeps the page.
    f.Wizard->OnCanPageChange = [](TAssistent*, int, int&) { return false; };
    lxui_test::SendClick(f.Wizard->Handle(), QPoint(3, upperY));
    EXPECT_EQ(f.Wizard->Page(), 5);

    QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(dir);
    EXPECT_TRUE(f.Handle()->grab().toImage().save(dir + "/wizard_tabs_two_rows.png"));
}

TEST(WizardTabs, PageNamesAreTheTabCaptions)
{
    TabbedForm f(2, 400);
    f.Wizard->SetPageNames({"Dialog", "Was kopieren", "Wohin kopieren"});
    f.Wizard->SetShowPageNames(true);
    f.Wizard->SetStyle(asTabbed);
    EXPECT_EQ(f.Caption(), "Was kopieren");
    f.Show();
    f.Handle()->grab();
    const QFontMetrics fm(f.Wizard->Font()->ToQFont());
    EXPECT_EQ(f.Wizard->TabWidthOf(2), fm.horizontalAdvance("Wohin kopieren") + 16);
}
