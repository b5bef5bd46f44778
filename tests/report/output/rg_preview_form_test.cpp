// The print preview and its viewer over a two-page list: German texts,
// the three zoom buttons (with screenshots), keys, the percentage field,
// the close button that cancels a running job, printing from the preview,
// the hand over clickable commands and a click that regenerates the page.
#include "report/output/rg_preview_form.h"

#include <gtest/gtest.h>

#include <QAbstractScrollArea>

#include "platform/ui/buttons.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/mask_edit.h"
#include "platform/ui/test_input.h"
#include "preview_fixtures.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_viewer.h"

using namespace rgtest;

namespace {

class PreviewFormTest : public PreviewTest {
protected:
    void SetUp() override
    {
        PreviewTest::SetUp();
        report.Decorate = DecorateList;
        form = new TrgPrintPreview(nullptr);
        form->SetLanguageIndex(rgGermanBase);
        form->SetReport(&report);
        form->SetBounds(0, 0, 700, 600);
        form->Show();
        QCoreApplication::processEvents();
        report.publisher.PublishJob();
    }
    void TearDown() override
    {
        delete form;
        PreviewTest::TearDown();
    }
    void Enter(TCustomMaskEdit* field, const QString& text)
    {
        field->SetText(QString());
        for (QChar c : text)
            lxui_test::SendKey(field->Handle(), 0, QString(c));
        lxui_test::SendKey(field->Handle(), Qt::Key_Return, QStringLiteral("\r"));
    }

    FakeReport report{2};
    TrgPrintPreview* form = nullptr;
};

}  // namespace

TEST_F(PreviewFormTest, ShowsTheFirstPageWithGermanTextsAtEachZoom)
{
    EXPECT_EQ(form->Caption(), "Druckvorschau");
    const std::pair<TSpeedButton*, QString> hints[] = {
        {form->spbPreviewPrint, "Drucken"},        {form->spbPreviewWhole, "Ganze Seite"},
        {form->spbPreviewWidth, "Seitenbreite"},   {form->spbPreview100Percent, "100 %"},
        {form->spbPreviewFirst, "Erste Seite"},    {form->spbPreviewPrior, "Vorherige Seite"},
        {form->spbPreviewNext, "Nächste Seite"},   {form->spbPreviewLast, "Letzte Seite"},
    };
    for (const auto& [button, hint] : hints)
        EXPECT_EQ(button->Hint(), hint) << button->Name.toStdString();
    EXPECT_EQ(form->spbPreviewClose->Caption(), "Schließen");
    EXPECT_EQ(form->StatusBar->SimpleText(), "Seite 1 von 2");
    EXPECT_EQ(form->rgViewer1->ScreenDevice()->LanguageIndex, rgGermanBase);
    EXPECT_EQ(form->mskPreviewPage->Text(), "1");
    EXPECT_EQ(report.Produced, (std::vector<int>{1}));

    const struct {
        TSpeedButton* button;
        TrgZoomSettingType setting;
        const char* name;
    } zooms[] = {
        {form->spbPreviewWhole, zsWholePage, "rg_preview_whole_page_de"},
        {form->spbPreviewWidth, zsPageWidth, "rg_preview_page_width_de"},
        {form->spbPreview100Percent, zs100Percent, "rg_preview_100_percent_de"},
    };
    for (const auto& zoom : zooms) {
        zoom.button->Click();
        EXPECT_EQ(form->rgViewer1->ZoomSetting(), zoom.setting);
        EXPECT_TRUE(zoom.button->Down());
        EXPECT_EQ(form->mskPreviewPercentage->Text(), QString::number(form->rgViewer1->CalculatedZoom()));
        QCoreApplication::processEvents();
        Screenshot(form->Handle(), zoom.name);
    }
    EXPECT_EQ(form->mskPreviewPercentage->Text(), "100");
    EXPECT_FALSE(form->spbPreviewWhole->Down());
}

TEST_F(PreviewFormTest, CtrlWithPageKeysTurnsPagesAndPlainKeysDoNot)
{
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        int page;
    } steps[] = {
        {Qt::Key_PageDown, Qt::NoModifier, 1}, {Qt::Key_PageDown, Qt::ControlModifier, 2},
        {Qt::Key_PageUp, Qt::ControlModifier, 1}, {Qt::Key_End, Qt::ControlModifier, 2},
        {Qt::Key_Home, Qt::NoModifier, 2},       {Qt::Key_Home, Qt::ControlModifier, 1},
    };
    for (const auto& step : steps) {
        lxui_test::SendKey(form->mskPreviewPage->Handle(), step.key, {}, step.modifiers);
        EXPECT_EQ(form->rgViewer1->AbsolutePageNo(), step.page) << step.key << " " << int(step.modifiers);
        EXPECT_EQ(form->mskPreviewPage->Text(), QString::number(step.page));
    }
    Enter(form->mskPreviewPage, "2");
    EXPECT_EQ(form->rgViewer1->AbsolutePageNo(), 2);
}

TEST_F(PreviewFormTest, PercentageFieldZoomsAndReleasesTheZoomButtons)
{
    const struct {
        QString typed;
        int percentage;
    } cases[] = {{"75", 75}, {"abc", 100}, {"400", 250}, {"0", 1}, {"-20", 1}, {"150 %", 150}};
    for (const auto& c : cases) {
        Enter(form->mskPreviewPercentage, c.typed);
        EXPECT_EQ(form->rgViewer1->ZoomSetting(), zsPercentage) << c.typed.toStdString();
        EXPECT_EQ(form->rgViewer1->ZoomPercentage(), c.percentage) << c.typed.toStdString();
        EXPECT_EQ(form->mskPreviewPercentage->Text(), QString::number(form->rgViewer1->CalculatedZoom()));
        for (TSpeedButton* button : {form->spbPreviewWhole, form->spbPreviewWidth, form->spbPreview100Percent})
            EXPECT_FALSE(button->Down());
    }
}

TEST_F(PreviewFormTest, CloseCancelsARunningJobAndClosesOtherwise)
{
    QStringList captions;
    bool pageFieldEnabled = true;
    report.OnProduce = [&](int number) {
        if (number != 2)
            return;
        captions << form->spbPreviewClose->Caption();
        pageFieldEnabled = form->mskPreviewPage->Enabled();
        form->spbPreviewClose->Click();
    };
    form->rgViewer1->LastPage();
    EXPECT_EQ(report.Cancels, 1);
    EXPECT_EQ(captions, (QStringList{"Abbrechen"}));
    EXPECT_FALSE(pageFieldEnabled);
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(form->spbPreviewClose->Caption(), "Schließen");
    EXPECT_TRUE(form->mskPreviewPage->Enabled());

    form->spbPreviewClose->Click();
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(report.Cancels, 1);
}

TEST_F(PreviewFormTest, PrintingOffersTheShownPageAndRestoresTheDevice)
{
    form->rgViewer1->NextPage();
    form->spbPreviewPrint->Click();
    EXPECT_EQ(report.CurrentPage, 2);
    EXPECT_EQ(report.Printed, (std::vector<TrgDeviceType>{dvPrinter}));
    EXPECT_EQ(report.Device(), dvScreen);
    EXPECT_EQ(form->rgViewer1->ScreenDevice()->Publisher(), &report.publisher);
    EXPECT_EQ(form->rgViewer1->Report(), &report);
}

TEST_F(PreviewTest, PrintingFromAViewerWithNoPageShownOffersPageOne)
{
    FakeReport report(2);
    TrgViewer viewer(nullptr);
    viewer.SetReport(&report);
    viewer.Print();
    EXPECT_EQ(report.CurrentPage, 1);
    EXPECT_EQ(report.DeviceLog, (std::vector<TrgDeviceType>{dvPrinter, dvScreen}));
}

TEST_F(PreviewTest, ZoomPercentageIsKeptBetweenOneAnd250)
{
    const std::pair<int, int> cases[] = {{400, 250}, {250, 250}, {120, 120}, {1, 1}, {0, 1}, {-7, 1}};
    for (const auto& [given, kept] : cases) {
        TrgViewer viewer(nullptr);
        viewer.SetZoomPercentage(given);
        EXPECT_EQ(viewer.ZoomPercentage(), kept) << given;
        EXPECT_EQ(viewer.ZoomSetting(), zsPercentage);
    }
}

TEST_F(PreviewTest, HandOverClickableCommandsAndAClickThatAsksRegeneratesThePage)
{
    FakeReport report(3);
    int clicks = 0;
    report.Decorate = [&](TrgPage& page, int) {
        TrgDrawText* link = PlaceText(page, QStringLiteral("Details"), 25400, 25400, 25400, 12700);
        link->OnClick = [&clicks](TObject* sender) {
            ++clicks;
            static_cast<TrgDrawCommand*>(sender)->RedrawPage = clicks == 2;
        };
    };
    TrgViewer viewer(nullptr);
    viewer.SetBounds(0, 0, 600, 500);
    viewer.SetZoomSetting(zs100Percent);
    viewer.SetReport(&report);
    report.publisher.PublishJob();
    viewer.GotoPage(2);
    const std::vector<int> before = report.Produced;
    const TrgScreenDevice* device = viewer.ScreenDevice();
    const int x = device->PageLeft() + 100, y = device->PageTop() + 100;

    viewer.PaintBoxMouseMove(x, y);
    EXPECT_EQ(viewer.PaintBox()->Cursor(), crRgHandPoint);
    viewer.PaintBoxMouseMove(x + 200, y);
    EXPECT_EQ(viewer.PaintBox()->Cursor(), viewer.Cursor());

    viewer.PaintBoxClick(x, y);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(report.Produced, before) << "a handler that does not ask leaves the page";
    viewer.PaintBoxClick(x, y);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(report.Produced.size(), before.size() + 2) << "pages 1 and 2 made again";
    EXPECT_EQ(report.Produced.back(), 2);
    EXPECT_EQ(viewer.AbsolutePageNo(), 2);
    EXPECT_EQ(viewer.PaintBox()->Cursor(), crRgHandPoint);
}

TEST_F(PreviewTest, ScrollBarsShowOnlyWhenTheImageIsLargerThanTheBox)
{
    FakeReport report(1);
    TForm host(nullptr);
    host.SetBounds(0, 0, 520, 420);
    TrgViewer& viewer = *new TrgViewer(&host);
    viewer.SetParent(&host);
    viewer.SetBounds(0, 0, 500, 400);
    host.Show();
    viewer.SetReport(&report);
    report.publisher.PublishJob();
    auto* area = static_cast<QAbstractScrollArea*>(viewer.ScrollBox()->Handle());
    const struct {
        TrgZoomSettingType setting;
        Qt::ScrollBarPolicy horizontal, vertical;
    } cases[] = {
        {zsWholePage, Qt::ScrollBarAlwaysOff, Qt::ScrollBarAlwaysOff},
        {zsPageWidth, Qt::ScrollBarAlwaysOff, Qt::ScrollBarAlwaysOn},
        {zs100Percent, Qt::ScrollBarAlwaysOn, Qt::ScrollBarAlwaysOn},
    };
    for (const auto& c : cases) {
        viewer.SetZoomSetting(c.setting);
        EXPECT_EQ(area->horizontalScrollBarPolicy(), c.horizontal) << int(c.setting);
        EXPECT_EQ(area->verticalScrollBarPolicy(), c.vertical) << int(c.setting);
        EXPECT_EQ(viewer.PaintBox()->Width(), viewer.ScreenDevice()->PageBitmap().width());
        EXPECT_EQ(viewer.ScrollBox()->VertPosition(), 0);
    }
}

TEST_F(PreviewTest, AViewerInADesignerShowsNothing)
{
    FakeReport report(2);
    TrgViewer viewer(nullptr);
    viewer.DesignTime = true;
    viewer.SetReport(&report);
    report.publisher.PublishJob();
    EXPECT_EQ(viewer.AbsolutePageNo(), 0);
    EXPECT_EQ(viewer.ScreenDevice()->DisplayPage()->GetDrawCommandCount(), 0);
}

TEST_F(PreviewTest, TheViewerForgetsAReportWhosePublisherGoes)
{
    struct OwnPublisherReport : FakeReport {
        OwnPublisherReport() : FakeReport(2) {}
        TrgPublisher* FormPublisher() override { return own; }
        TrgPublisher* own = new TrgPublisher(nullptr);
    } report;
    TrgViewer viewer(nullptr);
    viewer.SetReport(&report);
    EXPECT_EQ(viewer.ScreenDevice()->Publisher(), report.own);
    delete report.own;
    EXPECT_EQ(viewer.Report(), nullptr);
    EXPECT_EQ(viewer.ScreenDevice()->Publisher(), nullptr);
    EXPECT_EQ(viewer.AbsolutePageNo(), 0);
}
