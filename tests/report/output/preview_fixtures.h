#pragma once
// What the tests of the preview side need: a report stand-in that makes
// A4 pages on request through a publisher (and counts what it was asked
// for), page contents for a list, and screenshots under the build folder.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>

#include <functional>
#include <vector>

#include "fake_printer_source.h"
#include "platform/ui/forms.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_forms.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_setup.h"
#include "report/output/rg_publisher.h"
#include "report/output/rg_units.h"

namespace rgtest {

// Writes the widget's picture to screenshots/<name>.png in the build folder.
inline QImage Screenshot(QWidget* widget, const QString& name)
{
    const QImage picture = widget->grab().toImage();
    const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(dir);
    picture.save(dir + "/" + name + ".png");
    return picture;
}

inline void SetA4(TrgPrinterSetup& setup)
{
    setup.SetUnits(utMillimeters);
    setup.SetPaperWidth(210);
    setup.SetPaperHeight(297);
}

// A report that produces its pages in order on request, as the engine does.
class FakeReport : public TComponent, public TrgFormReport {
public:
    explicit FakeReport(int pages, QString documentName = QStringLiteral("Bilderliste"))
        : TComponent(nullptr), publisher(nullptr), pages_(pages), documentName_(std::move(documentName))
    {
        SetA4(setup);
        publisher.OnPageRequest = [this](TObject*, TrgPageSettingType, int, TStringList*) {
            ++Requests;
            for (int n = 1; n <= pages_ && !publisher.RequestSatisfied() && !cancelled_; ++n)
                Produce(n);
            cancelled_ = false;
        };
    }

    void Produce(int number)
    {
        page.FreeDrawCommands();
        page.SetPrinterSetup(&setup);
        page.DocumentName = documentName_;
        page.LanguageIndex = LanguageIndex;
        page.AbsolutePageNo = page.PageNo = number;
        page.AbsolutePageCount = page.PageCount = pages_;
        page.FirstPage = number == 1;
        page.LastPage = number == pages_;
        page.Final = true;
        if (Decorate)
            Decorate(page, number);
        Produced.push_back(number);
        if (OnProduce)
            OnProduce(number);
        publisher.ReceivePage(&page);
    }

    TrgPublisher* FormPublisher() override { return &publisher; }
    void Cancel() override
    {
        ++Cancels;
        cancelled_ = true;
        publisher.CancelJob();
    }
    TrgDeviceType Device() const override { return device_; }
    void SetDevice(TrgDeviceType Value) override
    {
        device_ = Value;
        DeviceLog.push_back(Value);
    }
    void SetCurrentPage(int Value) override { CurrentPage = Value; }
    void PrintToDevice() override { Printed.push_back(device_); }
    const TrgPrinterSetup* FormPrinterSetup() const override { return &setup; }

    TrgPublisher publisher;
    TrgPrinterSetup setup{nullptr};
    TrgPage page{nullptr};
    int LanguageIndex = 45000;
    std::function<void(TrgPage&, int)> Decorate;
    std::function<void(int)> OnProduce;
    std::vector<int> Produced;
    int Requests = 0;
    int Cancels = 0;
    int CurrentPage = 0;
    std::vector<TrgDeviceType> DeviceLog;
    std::vector<TrgDeviceType> Printed;

private:
    int pages_;
    QString documentName_;
    TrgDeviceType device_ = dvScreen;
    bool cancelled_ = false;
};

inline TrgDrawText* PlaceText(TrgPage& page, const QString& text, int left, int top, int width, int height,
                              int fontHeight = -13, TFontStyles style = {})
{
    auto* command = new TrgDrawText(nullptr);
    command->Text = text;
    command->Left = left;
    command->Top = top;
    command->Width = width;
    command->Height = height;
    command->Transparent = true;
    command->Font()->SetName(QStringLiteral("Arial"));
    command->Font()->SetHeight(fontHeight);
    command->Font()->SetStyle(style);
    command->Font()->SetColor(clBlack);
    command->SetPage(&page);
    return command;
}

inline TrgDrawLine* PlaceLine(TrgPage& page, int left, int top, int width, int height, TrgLinePositionType position,
                              TrgLineStyleType style, float weight)
{
    auto* line = new TrgDrawLine(nullptr);
    line->Left = left;
    line->Top = top;
    line->Width = width;
    line->Height = height;
    line->LinePosition = position;
    line->LineStyle = style;
    line->Weight = weight;
    line->Pen.Color = clBlack;
    line->SetPage(&page);
    return line;
}

// A picture list as the program prints it: a title, a header line and
// rows of file names with sizes.
inline void DecorateList(TrgPage& page, int number)
{
    PlaceText(page, QStringLiteral("Bilderliste Urlaub 2026"), 20000, 15000, 170000, 8000, -21, {fsBold});
    PlaceLine(page, 20000, 24000, 170000, 1000, lpTop, lsDouble, 0.75f);
    for (int row = 0; row < 30; ++row) {
        const int top = 28000 + row * 7500;
        const int picture = (number - 1) * 30 + row + 1;
        PlaceText(page, QStringLiteral("C:\\Bilder\\Urlaub\\IMG_%1.JPG").arg(picture, 4, 10, QChar(u'0')), 20000,
                  top, 110000, 6000);
        PlaceText(page, QStringLiteral("%1 KB").arg(picture * 37 % 900 + 100), 140000, top, 50000, 6000);
    }
    auto* frame = new TrgDrawShape(nullptr);
    frame->Left = 15000;
    frame->Top = 12000;
    frame->Width = 180000;
    frame->Height = 250000;
    frame->Brush.Style = bsClear;
    frame->SetPage(&page);
    PlaceText(page, QStringLiteral("Seite %1").arg(number), 160000, 275000, 30000, 6000);
}

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rgSetScreenPixelsPerInch(96);
        InstallFakePrinters({OfficeLaser("Laser")});
        rgRegisterDrawCommandClasses();
    }
    void TearDown() override { InstallFakePrinters({}); }
};

}  // namespace rgtest
