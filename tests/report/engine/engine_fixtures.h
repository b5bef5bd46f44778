#pragma once
// Helpers of the engine tests: a data pipeline over rows held in memory, a
// canonical dump of a page (one line per draw command) and a report on a
// small test page whose finished pages are collected as dumps.

#include <gtest/gtest.h>

#include <QStringList>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "fake_text_measure.h"
#include "list_pipeline.h"
#include "platform/core/string_list.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_calc.h"
#include "report/engine/rg_calculated_text.h"
#include "report/engine/rg_engine.h"
#include "report/engine/rg_memo.h"
#include "report/engine/rg_pipeline.h"
#include "report/engine/rg_printable.h"
#include "report/engine/rg_region.h"
#include "report/engine/rg_report.h"
#include "report/engine/rg_text_components.h"
#include "report/output/rg_comm.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_setup.h"

// Failure messages show texts as they are.
inline void PrintTo(const QString& Text, std::ostream* Stream) { *Stream << Text.toStdString(); }
inline void PrintTo(const QStringList& Texts, std::ostream* Stream) { *Stream << Texts.join(", ").toStdString(); }

// One line per draw command, in page order: class, left, top, width and
// height in thousandths of a millimetre, the text, the font, and the page's
// number and count. The first line names the page.
inline QString DumpPage(const TrgPage& Page)
{
    QStringList lines;
    lines << QStringLiteral("page %1/%2 no %3 of %4%5")
                 .arg(Page.AbsolutePageNo)
                 .arg(Page.AbsolutePageCount)
                 .arg(Page.PageNo)
                 .arg(Page.PageCount)
                 .arg(Page.LastPage ? QStringLiteral(" last") : QString());
    for (int i = 0; i < Page.GetDrawCommandCount(); ++i) {
        const TrgDrawCommand* command = Page.GetDrawCommand(i);
        QString line = QStringLiteral("%1 %2 %3 %4 %5")
                           .arg(rgClassName(*command))
                           .arg(command->Left)
                           .arg(command->Top)
                           .arg(command->Width)
                           .arg(command->Height);
        if (const auto* text = dynamic_cast<const TrgDrawText*>(command)) {
            line += QStringLiteral(" \"%1\" %2/%3").arg(text->Text, text->Font()->Name()).arg(text->Font()->Size());
            if (text->WrappedText()->Count() > 0) {
                QStringList wrapped;
                for (int w = 0; w < text->WrappedText()->Count(); ++w)
                    wrapped << text->WrappedText()->Strings(w);
                line += QStringLiteral(" [%1]").arg(wrapped.join(QLatin1Char('|')));
            }
        }
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

// A report whose output pages are kept as dumps.
class TCapturingReport : public TrgReport {
public:
    using TrgReport::TrgReport;
    std::vector<QString> Pages;
    std::vector<int> PageNumbers;
    // Called with each output device the report links to its publisher.
    std::function<void(TrgDevice*)> DeviceHook;
    void DeviceCreated(TrgDevice* Device) override
    {
        TrgReport::DeviceCreated(Device);
        if (DeviceHook)
            DeviceHook(Device);
    }
    void PageGenerated() override
    {
        TrgReport::PageGenerated();
        // A two-pass report also shows its first page while it counts;
        // what a printer gets are the final pages.
        if (!Engine()->Page()->CalculationOnly && Engine()->Page()->Final) {
            Pages.push_back(DumpPage(*Engine()->Page()));
            PageNumbers.push_back(Engine()->Page()->AbsolutePageNo);
        }
    }
};

// The test page: 100 mm by 60 mm with 10 mm margins, so the printable area
// is 80 mm by 40 mm. Lengths are set in thousandths of a millimetre.
constexpr int kPaperWidth = 100000;
constexpr int kPaperHeight = 60000;
constexpr int kMargin = 10000;
constexpr int kBodyBottom = kPaperHeight - kMargin;

inline void SetTestPage(TrgPrinterSetup& Setup)
{
    const int values[] = {kMargin, kMargin, kMargin, kMargin, kPaperHeight, kPaperWidth};
    for (int i = 0; i < 6; ++i)
        Setup.SetDefinedValue(i, values[i]);
}

// The report classes with the component classes the tests stream in reports
// (the program's start-up registers them all).
inline void RegisterReportClasses()
{
    rgRegisterReportClasses();
    rgRegisterDataTextClasses();
    rgRegisterDBCalcClasses();
    rgRegisterCalculatedTextClasses();
    rgRegisterMemoClasses();
    rgRegisterRegionClasses();
}

class TEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterReportClasses();
        rgSetLayoutMeasure(&measure);
        SetTestPage(*report->PrinterSetup());
        report->Engine()->Clock = [] { return TDateTime(46000.5); };
    }
    void TearDown() override { rgSetLayoutMeasure(nullptr); }

public:
    template <class Band> Band* AddBand(int Height)
    {
        auto* band = new Band(&form);
        report->AddBand(band);
        EXPECT_TRUE(band->SetmmHeight(Height));
        return band;
    }
    TrgLabel* AddLabel(TrgBand* Band, const QString& Caption, int Left, int Top, int Height = 4000)
    {
        auto* label = new TrgLabel(&form);
        label->SetAutoSize(false);
        label->SetBand(Band);
        label->SetCaption(Caption);
        label->SetmmBounds(Left, Top, 30000, Height);
        return label;
    }
    // A list of Count records "Satz 1" ... in the field "Name".
    std::unique_ptr<TListPipeline> MakeRows(int Count)
    {
        std::vector<QStringList> rows;
        for (int i = 1; i <= Count; ++i)
            rows.push_back({QStringLiteral("Satz %1").arg(i)});
        return std::make_unique<TListPipeline>(nullptr, QStringList{QStringLiteral("Name")}, rows);
    }
    // Header, detail (one label showing "Name") and footer bands.
    TrgDetailBand* MakeListReport(TListPipeline* Rows, int DetailHeight = 10000)
    {
        header = AddBand<TrgHeaderBand>(5000);
        AddLabel(header, QStringLiteral("Kopf"), 0, 0);
        detail = AddBand<TrgDetailBand>(DetailHeight);
        TrgLabel* name = AddLabel(detail, QString(), 0, 1000);
        detail->BeforePrint = [name, Rows](TObject*) { name->SetCaption(Rows->GetFieldAsString("Name")); };
        footer = AddBand<TrgFooterBand>(5000);
        AddLabel(footer, QStringLiteral("Fuß"), 0, 0);
        report->SetDataPipeline(Rows);
        return detail;
    }
    // All pages from the first, as a device asking for every page would.
    std::vector<QString> PrintAll()
    {
        report->Pages.clear();
        report->PageNumbers.clear();
        report->Reset();
        report->PageRequest(psAll, 1, nullptr);
        return report->Pages;
    }

    TFakeTextMeasure measure;
    TComponent form{nullptr};
    std::unique_ptr<TCapturingReport> report = std::make_unique<TCapturingReport>(&form);
    TrgHeaderBand* header = nullptr;
    TrgDetailBand* detail = nullptr;
    TrgFooterBand* footer = nullptr;
};
