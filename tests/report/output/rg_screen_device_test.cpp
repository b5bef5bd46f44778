// The screen device: sheet and image sizes for every zoom, pages requested
// only as they are viewed, the status texts, the page count updated in
// place, lines, text from its stored line breaks, and clickable commands.
#include "report/output/rg_screen_device.h"

#include <gtest/gtest.h>

#include "platform/ui/forms.h"
#include "preview_fixtures.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_viewer.h"

using namespace rgtest;

namespace {

// Rows of the image in which some pixel is darker than mid grey, within the columns.
std::vector<int> InkRows(const QImage& image, int left, int right, int top, int bottom)
{
    std::vector<int> rows;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                rows.push_back(y);
                break;
            }
    return rows;
}

struct SizeCase {
    TrgZoomSettingType setting;
    int percentage;
    QSize box;
    QSize sheet;
    QSize bitmap;
    int zoom;
};

}  // namespace

TEST_F(PreviewTest, SheetAndImageFollowTheZoomSetting)
{
    // A4 at 96 pixels per inch is 794 x 1123 pixels; the margins are 12, 24 and 48 pixels.
    const SizeCase cases[] = {
        {zs100Percent, 100, {300, 200}, {794, 1123}, {842, 1171}, 100},
        {zsPercentage, 50, {300, 200}, {397, 562}, {445, 610}, 50},
        {zsPercentage, 50, {900, 800}, {397, 562}, {900, 800}, 50},
        {zsPageWidth, 100, {600, 400}, {562, 795}, {586, 819}, 71},
        {zsPageWidth, 100, {300, 900}, {262, 371}, {286, 900}, 33},
        // Too narrow for the whole height: the sheet shrinks in steps of 24.
        {zsWholePage, 100, {400, 600}, {390, 552}, {400, 600}, 49},
        {zsWholePage, 100, {800, 600}, {407, 576}, {800, 600}, 51},
        // Too small to shrink at all.
        {zsWholePage, 100, {40, 40}, {11, 16}, {40, 40}, 1},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.setting) << " " << c.box.width() << "x" << c.box.height());
        FakeReport report(1);
        TrgScreenDevice device(nullptr);
        device.ZoomSetting = c.setting;
        device.ZoomPercentage = c.percentage;
        device.BoxSize = c.box;
        device.SetPublisher(&report.publisher);
        report.publisher.PublishJob();
        EXPECT_EQ(QSize(device.PageWidth(), device.PageHeight()), c.sheet);
        EXPECT_EQ(device.PageBitmap().size(), c.bitmap);
        EXPECT_EQ(device.EffectiveZoom(), c.zoom);
        // The sheet stands in the middle of the image.
        EXPECT_EQ(device.PageLeft(), (c.bitmap.width() - c.sheet.width()) / 2);
        EXPECT_EQ(device.PageTop(), (c.bitmap.height() - c.sheet.height()) / 2);
    }
}

TEST_F(PreviewTest, OnlyTheViewedPagesAreRequested)
{
    FakeReport report(5);
    TrgScreenDevice device(nullptr);
    device.SetPublisher(&report.publisher);
    report.publisher.PublishJob();
    EXPECT_EQ(report.Produced, (std::vector<int>{1}));
    EXPECT_EQ(device.GetAbsolutePageNo(), 1);

    device.GotoPage(3);
    EXPECT_EQ(device.GetAbsolutePageNo(), 3);
    const int requests = report.Requests;
    device.GotoPage(3);
    EXPECT_EQ(report.Requests, requests) << "the shown page is not asked for again";

    device.LastPage();
    EXPECT_EQ(device.GetAbsolutePageNo(), 5);
    device.FirstPage();
    EXPECT_EQ(device.GetAbsolutePageNo(), 1);
    const int afterFirst = report.Requests;
    device.FirstPage();
    EXPECT_EQ(report.Requests, afterFirst);
}

TEST_F(PreviewTest, StatusTellsOfDrawingAndThenDescribesThePage)
{
    FakeReport report(3);
    TrgViewer viewer(nullptr);
    QStringList statuses;
    viewer.OnStatusChange = [&](TObject*) { statuses << viewer.Status(); };
    viewer.ScreenDevice()->LanguageIndex = rgGermanBase;
    viewer.SetReport(&report);
    report.publisher.PublishJob();
    EXPECT_EQ(statuses, (QStringList{"Zeichne Seite 1 von 3 für Bericht Bilderliste", "Seite 1 von 3"}));
}

TEST_F(PreviewTest, CalculatedPagesShowTheirProgressAndCorrectTheShownPageCount)
{
    FakeReport report(1);
    report.Decorate = [](TrgPage& page, int) {
        auto* count = new TrgDrawCalc(nullptr);
        count->CalcType = ctPageCount;
        count->Text = QStringLiteral("1");
        count->Left = 20000;
        count->Top = 20000;
        count->Width = 30000;
        count->Height = 8000;
        count->Font()->SetHeight(-20);
        count->Font()->SetColor(clBlack);
        count->SetPage(&page);
    };
    TrgViewer viewer(nullptr);
    viewer.ScreenDevice()->LanguageIndex = rgGermanBase;
    viewer.SetReport(&report);
    report.publisher.PublishJob();
    TrgScreenDevice* device = viewer.ScreenDevice();
    auto* shown = static_cast<TrgDrawCalc*>(device->DisplayPage()->GetDrawCommand(0));
    const TRect rect = shown->GetDrawRect();
    const QImage before = device->PageBitmap().copy(rect.Left, rect.Top, rect.Width(), rect.Height());

    // A page of a first pass that is not shown: the count grows to 12.
    TrgPage calculating(nullptr);
    SetA4(report.setup);
    calculating.SetPrinterSetup(&report.setup);
    calculating.DocumentName = QStringLiteral("Bilderliste");
    calculating.AbsolutePageNo = calculating.PageNo = 7;
    calculating.AbsolutePageCount = calculating.PageCount = 12;
    calculating.CalculationOnly = true;
    device->ReceivePage(&calculating);

    EXPECT_EQ(viewer.Status(), "Berechne Seite 7 für Bericht Bilderliste");
    EXPECT_EQ(device->DisplayPage()->AbsolutePageCount, 12);
    EXPECT_EQ(shown->Text, "12");
    const QImage after = device->PageBitmap().copy(rect.Left, rect.Top, rect.Width(), rect.Height());
    EXPECT_NE(before, after) << "the count is painted over in place";
    EXPECT_EQ(device->GetAbsolutePageNo(), 1);
}

TEST_F(PreviewTest, DoubleLineOfThreeQuarterPointIsTwoPixelLinesWithAGap)
{
    FakeReport report(1);
    report.Decorate = [](TrgPage& page, int) {
        PlaceLine(page, 25400, 25400, 50800, 12700, lpTop, lsDouble, 0.75f);
        PlaceLine(page, 25400, 76200, 50800, 12700, lpBottom, lsSingle, 3.0f);
    };
    TrgScreenDevice device(nullptr);
    device.ZoomSetting = zs100Percent;
    device.SetPublisher(&report.publisher);
    report.publisher.PublishJob();
    const QImage& image = device.PageBitmap();
    const int left = device.PageLeft(), top = device.PageTop();
    // One inch from the sheet's corner, two inches wide.
    EXPECT_EQ(InkRows(image, left + 100, left + 280, top + 90, top + 110), (std::vector<int>{top + 96, top + 98}));
    // A bottom line of 3 points is 4 pixels thick, ending one pixel inside its rectangle.
    const int bottom = top + 288 + 48;
    EXPECT_EQ(InkRows(image, left + 100, left + 280, top + 300, top + 350),
              (std::vector<int>{bottom - 4, bottom - 3, bottom - 2, bottom - 1}));
}

TEST_F(PreviewTest, TextIsDrawnWithTheLineBreaksItCarries)
{
    FakeReport report(1);
    report.Decorate = [](TrgPage& page, int) {
        TrgDrawText* text = PlaceText(page, QStringLiteral("Erste Zeile zweite Zeile"), 25400, 25400, 80000, 30000, -16);
        text->WordWrap = true;
        TStringList lines;
        lines.Add(QStringLiteral("Erste Zeile"));
        lines.Add(QStringLiteral("zweite Zeile"));
        text->SetWrappedText(lines);
    };
    TrgScreenDevice device(nullptr);
    device.ZoomSetting = zs100Percent;
    device.SetPublisher(&report.publisher);
    report.publisher.PublishJob();
    const TrgDrawCommand* command = device.DisplayPage()->GetDrawCommand(0);
    const std::vector<int> rows =
        InkRows(device.PageBitmap(), command->DrawLeft, command->DrawRight, command->DrawTop, command->DrawBottom);
    ASSERT_FALSE(rows.empty());
    // Two bands of ink, separated by at least one empty row, the second a line height lower.
    int bands = 1;
    for (size_t i = 1; i < rows.size(); ++i)
        if (rows[i] > rows[i - 1] + 1)
            ++bands;
    EXPECT_EQ(bands, 2);
    const QFontMetrics metrics([] {
        TFont font;
        font.SetName(QStringLiteral("Arial"));
        font.SetHeight(-16);
        return font.ToQFont();
    }());
    EXPECT_LE(rows.back() - command->DrawTop, 2 * (metrics.height() + metrics.leading()));
}

TEST_F(PreviewTest, AMemoFittedToItsBoxStaysInsideIt)
{
    // 36 lines in a box 112.788 mm high, as a long note of a picture list
    // lays them out: 11.8 screen pixels a line at 100 %, whose rounding up
    // would put the last line below the box, over what follows it.
    FakeReport report(1);
    report.Decorate = [](TrgPage& page, int) {
        TrgDrawText* text = PlaceText(page, QString(), 25400, 25400, 80000, 112788, -11);
        text->WordWrap = true;
        text->IsMemo = true;
        TStringList lines;
        for (int i = 1; i <= 36; ++i)
            lines.Add(QStringLiteral("Notizwort%1 Notizwort%2").arg(2 * i - 1).arg(2 * i));
        text->SetWrappedText(lines);
    };
    TrgScreenDevice device(nullptr);
    device.ZoomSetting = zs100Percent;
    device.SetPublisher(&report.publisher);
    report.publisher.PublishJob();
    const TrgDrawCommand* command = device.DisplayPage()->GetDrawCommand(0);
    const QImage& bitmap = device.PageBitmap();
    // The box and two lines' height below it.
    const std::vector<int> rows =
        InkRows(bitmap, command->DrawLeft, command->DrawRight, command->DrawTop, command->DrawBottom + 24);
    ASSERT_FALSE(rows.empty());
    EXPECT_LE(rows.back(), command->DrawBottom);
    EXPECT_GE(rows.back(), command->DrawBottom - 40) << "the lines fill the box";
}

TEST_F(PreviewTest, ClickableCommandsAreFoundByTheirRectangleEdgesIncluded)
{
    FakeReport report(1);
    report.Decorate = [](TrgPage& page, int) {
        PlaceText(page, QStringLiteral("ohne"), 0, 0, 50000, 50000);
        PlaceText(page, QStringLiteral("Bild 1"), 25400, 25400, 25400, 12700)->OnClick = [](TObject*) {};
    };
    TrgScreenDevice device(nullptr);
    device.ZoomSetting = zs100Percent;
    device.SetPublisher(&report.publisher);
    report.publisher.PublishJob();
    const int left = device.PageLeft(), top = device.PageTop();
    struct Case {
        int x, y;
        bool found;
    } cases[] = {
        {left + 96, top + 96, true},   {left + 192, top + 144, true}, {left + 95, top + 100, false},
        {left + 193, top + 100, false}, {left + 100, top + 145, false}, {left + 10, top + 10, false},
    };
    for (const Case& c : cases) {
        TrgDrawCommand* command = nullptr;
        EXPECT_EQ(device.FindCommandAt(c.x, c.y, command), c.found) << c.x - left << "," << c.y - top;
        if (c.found) {
            EXPECT_EQ(static_cast<TrgDrawText*>(command)->Text, "Bild 1");
        }
    }
}

TEST_F(PreviewTest, APageWithoutPaperSizeLeavesTheImageAsItWas)
{
    TrgScreenDevice device(nullptr);
    device.ZoomSetting = zs100Percent;
    FakeReport report(1);
    device.SetPublisher(&report.publisher);
    report.publisher.PublishJob();
    const QImage before = device.PageBitmap().copy();
    report.setup.SetPaperWidth(0);
    device.DisplayPage()->SetPrinterSetup(&report.setup);
    device.RenderPage();
    EXPECT_EQ(device.PageBitmap(), before);
}
