// Scanning into the image window through SANE's "test" backend: the
// sources, the set resolution, the document feeder run that ends with the
// paper message after its pages, the failures that give the acquisition
// message, and a source that disappears during a feeder run.

#include <QCoreApplication>
#include <QFile>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include "imaging/image_toolbar.h"
#include "imaging/image_window.h"
#include "imaging/multi_picture.h"
#include "imaging/scan_settings_dialog.h"
#include "imaging/scan_source_dialog.h"
#include "imaging/twain_settings.h"
#include "imaging_fixture.h"
#include "platform/picture/picture_scanner.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"
#include "sane_test_backend.h"

using namespace imgtest;
using namespace scantest;

namespace {

const char kTwainMessage[] = "Error attempting to acquire an image.No TWAIN device available or scan operation aborted";
const char kPaperMessage[] = "Error: No (more) paper in feeder.";

// The test backend scans 80 mm wide by default.
int PixelsFor80mm(double dpi)
{
    return int(80.0 / 25.4 * dpi);
}

}  // namespace

TEST(ImageScan, SourcesOfTheTestBackend)
{
    UseSaneTestBackend();
    QList<TScanSource> sources;
    TPicError err;
    ASSERT_TRUE(ScanSources(sources, err)) << err.Text.toStdString();
    ASSERT_EQ(sources.size(), 2);
    EXPECT_EQ(sources[0].Name, "test:0");
    EXPECT_EQ(sources[1].Name, "test:1");
    TScanSession session;
    ASSERT_TRUE(session.Open("test:1", err));
    EXPECT_EQ(session.FeederChoice(), "Automatic Document Feeder");
    EXPECT_TRUE(session.OptionWritable("resolution"));
    EXPECT_FALSE(session.HasOption("gibt-es-nicht"));
    EXPECT_FALSE(session.SetOption("resolution", "viel", err));
    EXPECT_FALSE(session.SetOption("gibt-es-nicht", "1", err));
    TScanSession missing;
    EXPECT_FALSE(missing.Open("test:7", err));
    EXPECT_EQ(err.Code, peTwain);
}

TEST(ImageScan, PictureArrivesWithTheSetResolution)
{
    UseSaneTestBackend();
    TImageWindow w(nullptr);
    TLLTwain* t = w.GetTwain();
    EXPECT_EQ(w.GetTwain(), t);
    EXPECT_EQ(t->GetXResolution(), t->GetXResolution());  // one variable, asked twice
    t->GetListField()->SetText(t->GetListField()->GetText());
    t->GetXResolution()->SetValue(300.0);
    t->GetYResolution()->SetValue(300.0);
    EXPECT_DOUBLE_EQ(t->GetXResolution()->GetValue(), 300.0);
    EXPECT_FALSE(t->GetFeederEnabled()->GetValue());
    ASSERT_TRUE(w.AcquireNextFromFeeder());
    TImageInWindow* h = w.ImageInWindow();
    EXPECT_NEAR(h->GetImageWidth(), PixelsFor80mm(300), 1);
    EXPECT_NEAR(h->GetImageHeight(), int(100.0 / 25.4 * 300), 1);
    EXPECT_DOUBLE_EQ(h->Resolution(), 300.0);
    EXPECT_EQ(h->BitsPerPixel(), 8);
    EXPECT_TRUE(w.Modified);
    // Saved as the intake saves it.
    lxtest::TempDir dir;
    const QString bmp = PathIn(dir, "scan0001.bmp");
    ASSERT_TRUE(h->SaveImageToFile(bmp, 0, 0));
    EXPECT_EQ(QImage(bmp).width(), h->GetImageWidth());
    // A colour scan at another resolution.
    TPicError err;
    ASSERT_TRUE(t->SetDeviceOption("mode", "Color", err)) << err.Text.toStdString();
    ASSERT_TRUE(t->SetDeviceOption("test-picture", "Color pattern", err));
    t->GetXResolution()->SetValue(75.0);
    ASSERT_TRUE(w.AcquireNextFromFeeder());
    EXPECT_EQ(h->BitsPerPixel(), 24);
    EXPECT_NEAR(h->GetImageWidth(), PixelsFor80mm(75), 1);
    w.FitBest();
    Shot(w, "image_window_scanned");
}

TEST(ImageScan, FeederRunStopsAfterItsPagesWithThePaperMessage)
{
    UseSaneTestBackend();
    lxtest::TempDir dir;
    TImageWindow w(nullptr);
    TLLTwain* t = w.GetTwain();
    t->GetXResolution()->SetValue(30.0);
    t->GetYResolution()->SetValue(30.0);
    t->GetFeederEnabled()->SetValue(true);
    ASSERT_TRUE(t->GetFeederEnabled()->GetValue());
    ASSERT_TRUE(t->GetFeederLoaded()->GetValue());
    t->GetAutoFeed()->SetValue(true);
    // The paper sensor is read-only.
    t->GetFeederLoaded()->SetValue(false);
    EXPECT_TRUE(t->GetFeederLoaded()->GetValue());
    TPromptScript script;
    script.Answer(TPromptKind::Box, IDOK, kPaperMessage);
    int pages = 0;
    while (w.AcquireNextFromFeeder()) {
        ASSERT_TRUE(w.ImageInWindow()->SaveImageToFile(PathIn(dir, QString("scan%1.bmp").arg(++pages)), 0, 0));
        ASSERT_LT(pages, 50);
    }
    EXPECT_EQ(pages, 10);  // the test backend's feeder holds ten sheets
    EXPECT_EQ(script.Records().at(0).Flags, MB_OK | MB_ICONINFORMATION);
    EXPECT_TRUE(QFile::exists(PathIn(dir, "scan10.bmp")));
    EXPECT_FALSE(t->SessionOpen());
}

TEST(ImageScan, EmptyFeederWithoutAutomaticFeedingIsTheLibrarysError)
{
    UseSaneTestBackend();
    TImageWindow w(nullptr);
    TLLTwain* t = w.GetTwain();
    t->GetXResolution()->SetValue(20.0);
    t->GetFeederEnabled()->SetValue(true);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(w.AcquireNextFromFeeder());
    TPromptScript script;
    script.Answer(TPromptKind::Box, IDOK, kTwainMessage);
    EXPECT_FALSE(w.AcquireNextFromFeeder());
}

TEST(ImageScan, InjectedFailureGivesTheAcquisitionMessageAndKeepsThePicture)
{
    UseSaneTestBackend();
    TImageWindow w(nullptr);
    w.ImageInWindow()->TakeImage(TPicImage::FromQImage(Quarters(30, 20)));
    TLLTwain* t = w.GetTwain();
    TPicError err;
    ASSERT_TRUE(t->SetDeviceOption("read-return-value", "SANE_STATUS_IO_ERROR", err)) << err.Text.toStdString();
    TPromptScript script;
    script.Answer(TPromptKind::Box, IDOK, kTwainMessage);
    EXPECT_FALSE(w.AcquireNextFromFeeder());
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 30);
    EXPECT_FALSE(w.Modified);
    // With the error dialog off nothing is shown; the handler may take it.
    w.SetErrorDialogEnabled(false);
    ASSERT_TRUE(t->SetDeviceOption("read-return-value", "SANE_STATUS_JAMMED", err));
    EXPECT_FALSE(w.AcquireNextFromFeeder());
    w.SetErrorDialogEnabled(true);
    QString seen;
    w.OnLLError = [&](TPicObjBase*, bool& callStd, TPicObjError* e) {
        seen = e->GetLLErrorText();
        callStd = false;
    };
    ASSERT_TRUE(t->SetDeviceOption("read-return-value", "SANE_STATUS_COVER_OPEN", err));
    EXPECT_FALSE(w.AcquireNextFromFeeder());
    EXPECT_TRUE(seen.contains("Deckel")) << seen.toStdString();
}

TEST(ImageScan, SourceDisappearsDuringAFeederRun)
{
    UseSaneTestBackend();
    TImageWindow w(nullptr);
    TLLTwain* t = w.GetTwain();
    t->GetXResolution()->SetValue(20.0);
    t->GetFeederEnabled()->SetValue(true);
    t->GetAutoFeed()->SetValue(true);
    ASSERT_TRUE(w.AcquireNextFromFeeder());
    ASSERT_TRUE(w.AcquireNextFromFeeder());
    // The device fails in the middle of the run.
    TPicError err;
    ASSERT_TRUE(t->SetDeviceOption("read-return-value", "SANE_STATUS_IO_ERROR", err));
    TPromptScript script;
    script.Answer(TPromptKind::Box, IDOK, kTwainMessage);
    EXPECT_FALSE(w.AcquireNextFromFeeder());
    // A source that is gone cannot be opened: the same message, at once.
    t->GetListField()->SetText("test:9");
    script.Answer(TPromptKind::Box, IDOK, kTwainMessage);
    EXPECT_FALSE(w.AcquireNextFromFeeder());
}

TEST(ImageScan, NoScannerAtAll)
{
    if (!InSaneChild()) {
        RunInChildWithoutScanners("ImageScan.NoScannerAtAll");
        return;
    }
    QList<TScanSource> sources;
    TPicError err;
    ASSERT_TRUE(ScanSources(sources, err));
    EXPECT_TRUE(sources.isEmpty());
    TImageWindow w(nullptr);
    w.ImageInWindow()->TakeImage(TPicImage::FromQImage(Quarters(12, 10)));
    TPromptScript script;
    script.Answer(TPromptKind::Box, IDOK, kTwainMessage);
    w.ToolBar()->Button(Scan)->Click();
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 12);
    EXPECT_FALSE(w.GetTwain()->Writable(kTwainXResolution));
    // A feeder run without a scanner ends with the acquisition message, not
    // the paper message.
    w.GetTwain()->GetAutoFeed()->SetValue(true);
    script.Answer(TPromptKind::Box, IDOK, kTwainMessage);
    EXPECT_FALSE(w.AcquireNextFromFeeder());
}

TEST(ImageScan, ScanButtonTakesAPictureWithTheSourcesOwnSettings)
{
    UseSaneTestBackend();
    TImageWindow w(nullptr);
    w.ToolBar()->Button(Scan)->Click();
    EXPECT_NEAR(w.ImageInWindow()->GetImageWidth(), PixelsFor80mm(50), 1);  // the backend's 50 dpi
    EXPECT_TRUE(w.Modified);
}

TEST(ImageScan, SourceSelectionAndTheMultiPictureScan)
{
    UseSaneTestBackend();
    SetScanChosenSource(QString());
    TMultiPicture pic(nullptr);
    {
        TPromptScript script;
        script.Modal([](TCustomForm& f) {
            auto& dlg = dynamic_cast<TDlgScanSource&>(f);
            EXPECT_EQ(f.Caption(), "Quelle auswählen");
            ASSERT_EQ(dlg.Sources->Items()->Count(), 2);
            EXPECT_EQ(dlg.Chosen(), "test:0");
            Shot(dlg, "scan_source");
            dlg.Sources->SetItemIndex(1);
            dlg.OkButton->Click();
        });
        pic.SelectScanSource();
    }
    EXPECT_EQ(ScanChosenSource(), "test:1");
    // The window's settings take the chosen source when they have none.
    TImageWindow w(nullptr);
    EXPECT_EQ(w.GetTwain()->GetListField()->GetText(), "test:1");
    {
        // Cancelling changes nothing.
        TPromptScript script;
        script.Modal([](TCustomForm& f) {
            EXPECT_EQ(dynamic_cast<TDlgScanSource&>(f).Chosen(), "test:1");
            f.ModalResult = mrCancel;
        });
        pic.SelectScanSource();
    }
    EXPECT_EQ(ScanChosenSource(), "test:1");
    pic.ImageReadRes = lColorTrue;
    pic.UseTwainWindow = false;  // straight to the scan
    pic.ScanImage();
    EXPECT_EQ(pic.Picture()->Width(), PixelsFor80mm(50));
    EXPECT_EQ(pic.Picture()->Bitmap()->ToImage().depth(), 32);
    SetScanChosenSource(QString());
}

// The switch for the source's own window opens the settings window built
// from the source's option descriptors; OK sets what was changed before the
// scan, Cancel cancels the scan.
TEST(ImageScan, TheSourcesSettingsWindowIsBuiltFromItsOptions)
{
    UseSaneTestBackend();
    SetScanChosenSource("test:0");
    TMultiPicture pic(nullptr);
    ASSERT_TRUE(pic.UseTwainWindow);
    pic.ImageReadRes = lColorTrue;
    {
        TPromptScript script;
        script.Modal([](TCustomForm& f) {
            auto* dlg = dynamic_cast<TDlgScanSettings*>(&f);
            ASSERT_NE(dlg, nullptr);
            EXPECT_EQ(f.Caption(), "Scannereinstellungen - test:0");
            // A fixed-point range is a spin box, a string list and a word
            // list drop-down lists, a switch a check box, a button a button.
            auto* aufloesung = qobject_cast<QDoubleSpinBox*>(dlg->Editor("resolution"));
            ASSERT_NE(aufloesung, nullptr);
            EXPECT_EQ(aufloesung->value(), 50.0);
            EXPECT_EQ(aufloesung->suffix(), " dpi");
            auto* modus = qobject_cast<QComboBox*>(dlg->Editor("mode"));
            ASSERT_NE(modus, nullptr);
            EXPECT_EQ(modus->currentText(), "Gray");
            auto* tiefe = qobject_cast<QComboBox*>(dlg->Editor("depth"));
            ASSERT_NE(tiefe, nullptr);
            EXPECT_EQ(tiefe->currentText(), "8");
            EXPECT_NE(qobject_cast<QCheckBox*>(dlg->Editor("hand-scanner")), nullptr);
            EXPECT_NE(qobject_cast<QSpinBox*>(dlg->Editor("ppl-loss")), nullptr);
            EXPECT_NE(qobject_cast<QPushButton*>(dlg->Editor("print-options")), nullptr);
            // Inactive options are there, but disabled (the test options are off).
            ASSERT_NE(dlg->Editor("int-constraint-range"), nullptr);
            EXPECT_FALSE(dlg->Editor("int-constraint-range")->isEnabled());
            EXPECT_TRUE(aufloesung->isEnabled());
            // Grouped by the source's groups.
            auto* gruppe = qobject_cast<QGroupBox*>(aufloesung->parentWidget());
            ASSERT_NE(gruppe, nullptr);
            EXPECT_FALSE(gruppe->title().isEmpty());
            EXPECT_NE(gruppe, qobject_cast<QGroupBox*>(dlg->Editor("tl-x")->parentWidget()));
            f.Show();
            aufloesung->setFocus();
            aufloesung->selectAll();
            QTest::keyClicks(aufloesung, "100");
            EXPECT_EQ(dlg->EditorValue("resolution"), "100");
            Shot(*dlg, "scan_settings");
            QTest::mouseClick(dlg->OkButton->Handle(), Qt::LeftButton);
            QCoreApplication::processEvents();
            EXPECT_EQ(f.ModalResult, mrOk);
        });
        pic.ScanImage();
        EXPECT_EQ(script.Pending(), 0u);
    }
    EXPECT_EQ(pic.Picture()->Width(), PixelsFor80mm(100));  // scanned with the resolution set in the window
    {
        TPromptScript script;
        script.Modal([](TCustomForm& f) {
            auto* dlg = dynamic_cast<TDlgScanSettings*>(&f);
            ASSERT_NE(dlg, nullptr);
            EXPECT_EQ(qobject_cast<QDoubleSpinBox*>(dlg->Editor("resolution"))->value(), 100.0);
            f.Show();
            QTest::mouseClick(dlg->CancelButton->Handle(), Qt::LeftButton);
            QCoreApplication::processEvents();
            EXPECT_EQ(f.ModalResult, mrCancel);
        });
        script.Answer(mrOk, "");
        script.Answer(mrOk, "Scanning Image Failed");
        pic.ScanImage();
        EXPECT_EQ(script.Pending(), 0u);
    }
    EXPECT_EQ(pic.Picture()->Width(), 0);  // a scan starts by clearing the picture; none came
    SetScanChosenSource(QString());
}

TEST(ImageScan, EscCancelsARunningScan)
{
    // Cancelling a running scan stops the test backend's reader thread; a
    // backend that hangs there holds up its helper process only.
    UseSaneTestBackend();
    TImageWindow w(nullptr);
    w.ImageInWindow()->TakeImage(TPicImage::FromQImage(Quarters(16, 8)));
    TLLTwain* t = w.GetTwain();
    TPicError err;
    // Small pieces: the scan asks for Esc many times.
    ASSERT_TRUE(t->SetDeviceOption("read-limit", "yes", err));
    ASSERT_TRUE(t->SetDeviceOption("read-limit-size", "64", err));
    // Esc waits in the queue; the scan hears it at its first piece.
    QCoreApplication::postEvent(w.Handle(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    TPromptScript script;
    script.Answer(TPromptKind::Box, IDOK, kTwainMessage);
    w.OnLLError = [&](TPicObjBase*, bool&, TPicObjError* e) {
        EXPECT_TRUE(e->GetLLErrorText().contains("abgebrochen")) << e->GetLLErrorText().toStdString();
    };
    EXPECT_FALSE(w.AcquireNextFromFeeder());
    EXPECT_EQ(w.ImageInWindow()->GetImageWidth(), 16);
    // The next scan runs to its end.
    ASSERT_TRUE(t->SetDeviceOption("read-limit", "no", err));
    EXPECT_TRUE(w.AcquireNextFromFeeder());
}
