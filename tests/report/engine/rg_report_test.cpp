// The report and its producer: published properties in their order with
// their defaults, settings of older streams, default bands, columns,
// output properties held during a page request, and printing to an archive
// file and a text file through the publisher, with the message when no
// printer is installed and a job that ends with an error.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "engine_fixtures.h"
#include "fake_printer_source.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "platform/stream/stream_text.h"
#include "platform/ui/prompt_script.h"
#include "report/engine/rg_component_registry.h"
#include "report/engine/rg_engine_forms.h"
#include "report/engine/rg_subreport.h"
#include "report/output/rg_file_devices.h"
#include "report/output/rg_printer_list.h"
#include "report/output/rg_strings.h"

namespace {

QString TextForm(TComponent* Component)
{
    QByteArray binary;
    TWriter writer(binary);
    writer.WriteRootComponent(Component);
    return QString::fromLatin1(ObjectBinaryToText(binary));
}

std::unique_ptr<TrgReport> LoadReport(TComponent* Owner, const QByteArray& Text)
{
    auto report = std::make_unique<TrgReport>(Owner);
    ComponentFromBytes(ObjectTextToBinary(Text), report.get());
    return report;
}

class ReportTest : public TEngineTest {
protected:
    void SetUp() override
    {
        TEngineTest::SetUp();
        InstallPrinters(1);
    }
    void TearDown() override
    {
        rgSetPrinterSource(nullptr);
        TEngineTest::TearDown();
    }
    static void InstallPrinters(int Count)
    {
        std::vector<rgtest::TFakePrinter> printers;
        for (int i = 0; i < Count; ++i)
            printers.push_back({{QStringLiteral("Drucker %1").arg(i), {}, QStringLiteral("queue%1").arg(i), {}}, {}});
        rgSetPrinterSource(std::make_unique<rgtest::TFakePrinterSource>(std::move(printers), QStringLiteral("queue0")));
    }
    // Prints to a file device without dialogs and records the events.
    QStringList PrintTo(TrgDeviceType Device)
    {
        QStringList events;
        report->BeforePrint = [&](TObject*) { events << "BeforePrint"; };
        report->AfterPrint = [&](TObject*) { events << "AfterPrint"; };
        report->OnPrintingComplete = [&](TObject*) { events << "OnPrintingComplete"; };
        report->SetDevice(Device);
        report->SetShowPrintDialog(false);
        report->SetShowCancelDialog(false);
        report->Print();
        return events;
    }

    QTemporaryDir dir;
};

TEST_F(ReportTest, PublishedPropertiesStreamInTableOrderWithoutDefaults)
{
    TrgReport fresh(&form);
    fresh.Name = QStringLiteral("rgReport1");
    const QString defaults = TextForm(&fresh);
    for (const char* omitted : {"Columns", "PageLimit", "PassSetting", "Units", "Device", "Language", "CachePages",
                                "ShowPrintDialog", "TextFileType", "ModalPreview"})
        EXPECT_FALSE(defaults.contains(QStringLiteral("  %1 = ").arg(QLatin1String(omitted)))) << omitted;
    EXPECT_TRUE(defaults.contains(QStringLiteral("Version = '3.52'")));
    EXPECT_TRUE(defaults.contains(QStringLiteral("mmColumnWidth = %1").arg(fresh.mmColumnWidth())));
    EXPECT_GT(fresh.mmColumnWidth(), 0);

    fresh.SetColumns(2);
    fresh.SetPageLimit(3);
    fresh.SetPassSetting(psTwoPass);
    fresh.SetUnits(utMillimeters);
    fresh.SetAllowPrintToFile(true);
    fresh.SetDevice(dvArchive);
    fresh.SetLanguage(lgGerman);
    fresh.SetShowPrintDialog(false);
    fresh.SetTextFileType(ftTab);
    const QString text = TextForm(&fresh);
    const QStringList order = {"Columns = 2",        "PageLimit = 3",       "PassSetting = psTwoPass",
                               "Units = utMillimeters", "AllowPrintToFile = True", "Device = dvArchive",
                               "Language = lgGerman", "ShowPrintDialog = False", "TextFileType = ftTab"};
    qsizetype at = 0;
    for (const QString& entry : order) {
        const qsizetype found = text.indexOf(entry);
        EXPECT_GT(found, at) << entry.toStdString() << "\n" << text.toStdString();
        at = std::max(at, found);
    }

    TComponent owner(nullptr);
    auto copy = LoadReport(&owner, text.toLatin1());
    EXPECT_EQ(copy->Columns(), 2);
    EXPECT_EQ(copy->PageLimit(), 3);
    EXPECT_EQ(copy->PassSetting(), psTwoPass);
    EXPECT_EQ(copy->Units(), utMillimeters);
    EXPECT_TRUE(copy->AllowPrintToFile());
    EXPECT_EQ(copy->Device(), dvArchive);
    EXPECT_EQ(copy->Language(), lgGerman);
    EXPECT_EQ(copy->LanguageIndex(), rgLanguageResourceBase(lgGerman));
    EXPECT_FALSE(copy->ShowPrintDialog());
    EXPECT_EQ(copy->TextFileType(), ftTab);
}

TEST_F(ReportTest, SettingsOfOlderStreamsAreMapped)
{
    TComponent owner(nullptr);
    struct Case {
        const char* version;
        TPrinterOrientation orientation;
    };
    for (const Case& c : {Case{"1.2", poLandscape}, Case{"1.27", poPortrait}, Case{"3.52", poPortrait}}) {
        SCOPED_TRACE(c.version);
        auto loaded = LoadReport(&owner, QByteArray("object rgReport1: TrgReport\r\n"
                                                    "  Version = '") +
                                             c.version +
                                             "'\r\n"
                                             "  AllowPrintCancel = True\r\n"
                                             "  DataSource = dsBilder\r\n"
                                             "  NoDataPages = 5\r\n"
                                             "  Orientation = poLandscape\r\n"
                                             "  PreviewPages = 2\r\n"
                                             "  RowSpacing = 1.5\r\n"
                                             "  RulerUnits = utPixels\r\n"
                                             "  SuppressFormFeed = False\r\n"
                                             "  Viewer = rgViewer1\r\n"
                                             "end\r\n");
        EXPECT_EQ(loaded->PageLimit(), 5);
        EXPECT_EQ(loaded->Units(), utScreenPixels);
        EXPECT_EQ(loaded->LegacyDataSourceName, QStringLiteral("dsBilder"));
        EXPECT_FLOAT_EQ(loaded->LegacyRowSpacing, 1.5f);
        EXPECT_EQ(loaded->PrinterSetup()->Orientation(), c.orientation);
        const bool older = QByteArray(c.version) != "3.52";
        EXPECT_EQ(loaded->Converted(), older);
        TrgReport copy(&owner);
        copy.CopySettings(loaded.get());
        EXPECT_EQ(copy.Converted(), older);
        const QString written = TextForm(loaded.get());
        for (const char* legacy : {"RowSpacing", "DataSource", "NoDataPages", "RulerUnits", "Viewer"})
            EXPECT_FALSE(written.contains(QLatin1String(legacy))) << "not written again: " << legacy;
    }
}

TEST_F(ReportTest, AReportLoadedWithoutBandsGetsTheDefaultBands)
{
    struct Case {
        const char* columns;
        std::vector<TrgBandKind> kinds;
    };
    const Case cases[] = {
        {"", {bkHeader, bkDetail, bkFooter}},
        {"  Columns = 2\r\n", {bkHeader, bkColumnHeader, bkDetail, bkColumnFooter, bkFooter}},
    };
    for (const Case& c : cases) {
        TComponent owner(nullptr);
        auto loaded = LoadReport(&owner, QByteArray("object rgReport1: TrgReport\r\n") + c.columns + "end\r\n");
        std::vector<TrgBandKind> kinds;
        for (int i = 0; i < loaded->GetBandCount(); ++i)
            kinds.push_back(loaded->GetBandAt(i)->Kind());
        EXPECT_EQ(kinds, c.kinds) << c.columns;
    }
}

TEST_F(ReportTest, BandsStandInReportOrderWhateverOrderTheyCameIn)
{
    AddBand<TrgSummaryBand>(5000);
    AddBand<TrgFooterBand>(5000);
    AddBand<TrgDetailBand>(5000);
    AddBand<TrgColumnFooterBand>(0);
    AddBand<TrgHeaderBand>(5000);
    AddBand<TrgTitleBand>(5000);
    AddBand<TrgColumnHeaderBand>(0);
    std::vector<TrgBandKind> kinds;
    for (int i = 0; i < report->GetBandCount(); ++i)
        kinds.push_back(report->GetBandAt(i)->Kind());
    EXPECT_EQ(kinds, (std::vector<TrgBandKind>{bkTitle, bkHeader, bkColumnHeader, bkDetail, bkColumnFooter, bkFooter,
                                               bkSummary}));
    EXPECT_EQ(report->FindBand(bkDetail)->GetDescription(), QStringLiteral("Detail"));
    report->SetLanguage(lgGerman);
    EXPECT_EQ(report->FindBand(bkColumnFooter)->GetDescription(), rgLoadString(rgLanguageResourceBase(lgGerman) + 187));
}

TEST_F(ReportTest, ColumnsDivideThePrintableWidth)
{
    const int printable = kPaperWidth - 2 * kMargin;
    struct Case {
        int columns, stored, width;
    };
    for (const Case& c : {Case{0, 1, printable}, Case{3, 3, printable / 3}, Case{1, 1, printable}, Case{-2, 1, printable}}) {
        report->SetColumns(c.columns);
        EXPECT_EQ(report->Columns(), c.stored) << c.columns;
        EXPECT_EQ(report->mmColumnWidth(), c.width) << c.columns;
    }
}

TEST_F(ReportTest, AColumnWidthIsCutToThePageAndLimitsTheColumns)
{
    const int printable = kPaperWidth - 2 * kMargin;
    report->SetUnits(utMMThousandths);
    struct Case {
        int columnsBefore;
        float width;
        int columns, mmWidth;
    };
    const Case cases[] = {
        {1, float(printable + 5000), 1, printable},
        {4, float(printable / 4 + 100), 3, printable / 4 + 100},  // 3.98 columns fit
        {4, float(printable / 3 + 100), 2, printable / 3 + 100},
        {4, float(printable / 4), 4, printable / 4},
        {3, 0, 1, printable},
    };
    for (const Case& c : cases) {
        report->SetColumns(c.columnsBefore);
        report->SetColumnWidth(c.width);
        EXPECT_EQ(report->Columns(), c.columns) << c.width;
        EXPECT_EQ(report->mmColumnWidth(), c.mmWidth) << c.width;
    }
}

// A label that reads a pipeline field, as data texts do.
class TDataLabel : public TrgLabel {
public:
    using TrgLabel::TrgLabel;
    bool IsDataAware() const override { return true; }
};

TEST_F(ReportTest, ComponentsFollowingTheReportsPipelineFollowANewOne)
{
    auto* band = AddBand<TrgDetailBand>(10000);
    auto old = MakeRows(1);
    auto other = MakeRows(1);
    auto fresh = MakeRows(1);
    report->SetDataPipeline(old.get());
    struct Case {
        const char* name;
        TrgDataPipeline* pipeline;
        QString field;
        TrgDataPipeline* afterFresh;
        TrgDataPipeline* afterNone;
    };
    const Case cases[] = {
        {"on the old pipeline", old.get(), "Name", fresh.get(), nullptr},
        {"without pipeline and field", nullptr, "", fresh.get(), nullptr},
        {"without pipeline, a field the new one has", nullptr, "Name", fresh.get(), nullptr},
        {"without pipeline, a field the new one lacks", nullptr, "Ort", nullptr, nullptr},
        {"on another pipeline", other.get(), "Name", other.get(), other.get()},
    };
    std::vector<TDataLabel*> labels;
    for (const Case& c : cases) {
        auto* label = new TDataLabel(&form);
        label->SetBand(band);
        label->SetDataField(c.field);
        // A component joins its band without a pipeline and follows the
        // report's; one given another pipeline stops following.
        if (c.pipeline)
            label->SetDataPipeline(c.pipeline);
        EXPECT_EQ(label->ParentDataPipeline(), c.pipeline != other.get()) << c.name;
        labels.push_back(label);
    }
    report->SetDataPipeline(fresh.get());
    for (size_t i = 0; i < labels.size(); ++i)
        EXPECT_EQ(labels[i]->DataPipeline(), cases[i].afterFresh) << cases[i].name;
    report->SetDataPipeline(nullptr);
    for (size_t i = 0; i < labels.size(); ++i)
        EXPECT_EQ(labels[i]->DataPipeline(), cases[i].afterNone) << cases[i].name;
}

TEST_F(ReportTest, DataComponentsFollowTheirDetailBandsOwnPipeline)
{
    auto* band = AddBand<TrgDetailBand>(10000);
    auto first = MakeRows(1);
    auto second = MakeRows(1);
    auto other = MakeRows(1);
    struct Case {
        const char* name;
        TrgDataPipeline* pipeline;
        QString field;
        TrgDataPipeline* after;
    };
    const Case cases[] = {
        {"on the band's pipeline", first.get(), "Name", second.get()},
        {"without pipeline", nullptr, "Name", second.get()},
        {"without pipeline, a field the new one lacks", nullptr, "Ort", nullptr},
        {"on another pipeline", other.get(), "Name", other.get()},
    };
    band->SetDataPipeline(first.get());
    std::vector<TDataLabel*> labels;
    for (const Case& c : cases) {
        auto* label = new TDataLabel(&form);
        label->SetBand(band);
        label->SetDataField(c.field);
        if (c.pipeline)
            label->SetDataPipeline(c.pipeline);
        labels.push_back(label);
    }
    band->SetDataPipeline(second.get());
    for (size_t i = 0; i < labels.size(); ++i)
        EXPECT_EQ(labels[i]->DataPipeline(), cases[i].after) << cases[i].name;
    band->SetDataPipeline(nullptr);
}

TEST_F(ReportTest, OutputPropertiesHoldStillWhileAPageRequestRuns)
{
    auto rows = MakeRows(2);
    MakeListReport(rows.get());
    report->OnStartPage = [this](TObject*) {
        report->SetDevice(dvFile);
        report->SetTextFileName(QStringLiteral("x.txt"));
        report->SetCachePages(true);
    };
    PrintAll();
    EXPECT_EQ(report->Device(), dvScreen);
    EXPECT_TRUE(report->TextFileName().isEmpty());
    EXPECT_FALSE(report->CachePages());
    report->OnStartPage = nullptr;
    report->SetDevice(dvFile);
    EXPECT_EQ(report->Device(), dvFile);
}

// ---- printing to files ---------------------------------------------------------------

TEST_F(ReportTest, AnArchiveHoldsEveryPageInOrder)
{
    auto rows = MakeRows(7);
    MakeListReport(rows.get());
    const QString fileName = dir.filePath(QStringLiteral("bericht.raf"));
    report->SetArchiveFileName(fileName);
    const QStringList events = PrintTo(dvArchive);
    EXPECT_EQ(events, (QStringList{"BeforePrint", "AfterPrint", "OnPrintingComplete"}));
    EXPECT_FALSE(report->PrintInProgress());

    TrgArchiveReader archive(fileName);
    ASSERT_EQ(archive.PageCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(archive.AbsolutePageNo(i), i + 1);
        std::unique_ptr<TrgPage> page = archive.ReadPage(i);
        EXPECT_TRUE(DumpPage(*page).contains(QStringLiteral("\"Satz %1\"").arg(3 * i + 1))) << i;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"bericht.raf"}) << "no temporary file is left";
}

TEST_F(ReportTest, ATextFileHoldsTheSavedTextsOfEveryRecord)
{
    auto rows = MakeRows(4);
    TrgDetailBand* band = MakeListReport(rows.get());
    band->SetSave(true);
    static_cast<TrgLabel*>(band->GetComponentAt(0))->SetSave(true);
    const QString fileName = dir.filePath(QStringLiteral("liste.txt"));
    report->SetTextFileName(fileName);
    report->SetTextFileType(ftComma);
    PrintTo(dvFile);

    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString content = QString::fromLatin1(file.readAll());
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(content.contains(QStringLiteral("Satz %1").arg(i))) << content.toStdString();
    EXPECT_LT(content.indexOf("Satz 1"), content.indexOf("Satz 4"));
    EXPECT_FALSE(content.contains(QStringLiteral("Kopf"))) << "only saved texts are written";
}

TEST_F(ReportTest, WithoutPrintersTheUserIsToldAndTheFileIsStillWritten)
{
    InstallPrinters(0);
    auto rows = MakeRows(1);
    MakeListReport(rows.get());
    const QString fileName = dir.filePath(QStringLiteral("ohne.raf"));
    report->SetArchiveFileName(fileName);
    TPromptScript script;
    script.Answer(mrOk, QStringLiteral("There are no printers connected to your computer."));
    PrintTo(dvArchive);
    EXPECT_EQ(TrgArchiveReader(fileName).PageCount(), 1);
}

TEST_F(ReportTest, ACancelledJobStopsAtTheNextBandAndTheNextPrintIsWhole)
{
    auto rows = MakeRows(20);
    MakeListReport(rows.get());
    const QString fileName = dir.filePath(QStringLiteral("abbruch.raf"));
    report->SetArchiveFileName(fileName);
    report->OnStartPage = [this](TObject*) {
        if (report->GetCurrentPageNo() == 3)
            report->Cancel();
    };
    PrintTo(dvArchive);
    EXPECT_TRUE(report->Cancelled());
    EXPECT_FALSE(report->Engine()->PageRequestRunning());
    EXPECT_LE(TrgArchiveReader(fileName).PageCount(), 3);

    report->OnStartPage = nullptr;
    report->Reset();
    PrintTo(dvArchive);
    EXPECT_EQ(TrgArchiveReader(fileName).PageCount(), 7);
}

TEST_F(ReportTest, AJobThatCannotGoOnEndsWithItsErrorAndTheNextPrintWorks)
{
    const QString fileName = dir.filePath(QStringLiteral("leer.raf"));
    report->SetArchiveFileName(fileName);
    try {
        PrintTo(dvArchive);
        ADD_FAILURE() << "no error";
    } catch (const EPrintError& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), QStringLiteral("No bands for this report."));
    }
    EXPECT_FALSE(report->PrintInProgress());
    EXPECT_FALSE(report->PageRequestRunning());

    auto rows = MakeRows(2);
    MakeListReport(rows.get());
    PrintTo(dvArchive);
    EXPECT_EQ(TrgArchiveReader(fileName).PageCount(), 1);
}

}  // namespace

namespace {

// With every component class described (as a template load does), a
// pipeline reference is written only for a pipeline that has a name.
TEST_F(ReportTest, APipelineWithoutANameIsNotWrittenAndTheStreamReadsBack)
{
    rgInstallEngineForms();
    rgRegisterBuiltInComponentClasses();
    DescribeClass<TCapturingReport, TrgReport>(QStringLiteral("TCapturingReport"));
    auto rows = MakeRows(2);
    MakeListReport(rows.get());
    report->Name = QStringLiteral("rgReport1");
    for (const QString& name : {QString(), QStringLiteral("plZeilen")}) {
        rows->Name = name;
        const QString text = TextForm(report.get());
        EXPECT_EQ(text.contains(QStringLiteral("DataPipeline = plZeilen")), !name.isEmpty()) << text.toStdString();
        EXPECT_EQ(text.contains(QStringLiteral("DataPipeline")), !name.isEmpty()) << text.toStdString();
        if (name.isEmpty()) {
            TComponent owner(nullptr);
            EXPECT_NO_THROW(LoadReport(&owner, text.toLatin1())) << text.toStdString();
        }
    }
}

}  // namespace

// ---- changes of the layout between requests ------------------------------------------

// Pages asked for again after a change, as a preview asks: no new print.
class LayoutChangeTest : public ReportTest {
protected:
    void SetUp() override
    {
        ReportTest::SetUp();
        rows = MakeRows(7);
        MakeListReport(rows.get());
        report->SetUnits(utMMThousandths);
    }
    std::vector<QString> AskAgain()
    {
        report->Pages.clear();
        report->PageRequest(psAll, 1, nullptr);
        return report->Pages;
    }
    std::unique_ptr<TListPipeline> rows;
};

TEST_F(LayoutChangeTest, ANewPageDefinitionLaysThePagesOutAnew)
{
    ASSERT_EQ(PrintAll().size(), 3u);
    // A taller paper holds every record on one page.
    report->PrinterSetup()->SetPaperHeight(200000);
    ASSERT_EQ(report->PrinterSetup()->PageDef().mmHeight, 200000);
    // The third page of the old layout is gone.
    report->Pages.clear();
    report->PageRequest(psSinglePage, 3, nullptr);
    EXPECT_TRUE(report->Pages.empty()) << report->Pages.front().toStdString();
    const std::vector<QString> pages = AskAgain();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(pages[0].contains("\"Satz 7\"")) << pages[0].toStdString();
}

TEST_F(LayoutChangeTest, NewColumnsLayThePagesOutAnew)
{
    report->SetColumns(1);
    ASSERT_EQ(PrintAll().size(), 3u);
    report->SetColumns(2);
    EXPECT_EQ(AskAgain().size(), 2u);
}

TEST_F(LayoutChangeTest, ACopiedReportPrintsOnTheSourcesPaper)
{
    report->PrinterSetup()->SetPaperHeight(200000);
    const std::vector<QString> source = PrintAll();
    ASSERT_EQ(source.size(), 1u);
    auto copy = std::make_unique<TCapturingReport>(&form);
    copy->CopySettings(report.get());
    EXPECT_EQ(copy->PrinterSetup()->PageDef().mmHeight, 200000);
    // The copy gets the same list; on the source's paper it takes one page.
    report.swap(copy);
    MakeListReport(rows.get());
    EXPECT_EQ(PrintAll().size(), 1u);
    report.swap(copy);
}

TEST_F(ReportTest, TheIconIsCopiedAndHoldsStillWhileAPageRequestRuns)
{
    TIcon icon;
    icon.SetImage(QImage(16, 16, QImage::Format_ARGB32));
    report->SetIcon(icon);
    EXPECT_EQ(report->Icon().Width(), 16);
    TrgReport copy(&form);
    copy.CopySettings(report.get());
    EXPECT_EQ(copy.Icon().Width(), 16);
    TIcon other;
    other.SetImage(QImage(32, 32, QImage::Format_ARGB32));
    detail = AddBand<TrgDetailBand>(5000);
    detail->BeforePrint = [&](TObject*) { report->SetIcon(other); };
    PrintAll();
    EXPECT_EQ(report->Icon().Width(), 16);
}

TEST_F(LayoutChangeTest, ASubreportUsingItsParentsSetupFollowsItsChanges)
{
    auto* sub = new TrgSubReport(&form);
    sub->SetBand(detail);
    ASSERT_TRUE(sub->ParentPrinterSetup());
    report->PrinterSetup()->SetPaperHeight(150000);
    EXPECT_EQ(sub->Report()->PrinterSetup()->PageDef().mmHeight, 150000);
    sub->SetParentPrinterSetup(false);
    report->PrinterSetup()->SetPaperHeight(160000);
    EXPECT_EQ(sub->Report()->PrinterSetup()->PageDef().mmHeight, 150000);
    delete sub;
}

TEST_F(ReportTest, RenamingTheReportRenamesItsPartsInTheDesignerAndItsDocument)
{
    report->Name = QStringLiteral("rgReport1");
    report->PrinterSetup()->DocumentName = QStringLiteral("rgReport1");
    auto* band = AddBand<TrgDetailBand>(5000);
    band->Name = QStringLiteral("rgReport1DetailBand1");
    TrgLabel* label = AddLabel(band, QStringLiteral("x"), 0, 0);
    label->Name = QStringLiteral("rgReport1Label1");
    TrgLabel* other = AddLabel(band, QStringLiteral("y"), 0, 0);
    other->Name = QStringLiteral("lblTitel");

    // Outside a designer only the report and its document change.
    report->SetName(QStringLiteral("rgListe"));
    EXPECT_EQ(report->PrinterSetup()->DocumentName, QStringLiteral("rgListe"));
    EXPECT_EQ(band->Name, QStringLiteral("rgReport1DetailBand1"));

    report->Name = QStringLiteral("rgReport1");
    report->PrinterSetup()->DocumentName = QStringLiteral("Bilderliste");
    report->AddStates(rgStateDesigning);
    report->SetName(QStringLiteral("rgListe"));
    EXPECT_EQ(band->Name, QStringLiteral("rgListeDetailBand1"));
    EXPECT_EQ(label->Name, QStringLiteral("rgListeLabel1"));
    EXPECT_EQ(other->Name, QStringLiteral("lblTitel"));
    EXPECT_EQ(report->PrinterSetup()->DocumentName, QStringLiteral("Bilderliste")) << "a name of its own stays";
    report->RemoveStates(rgStateDesigning);
}

TEST_F(ReportTest, LoadedColumnPositionsTakeTheProgramsDecimalSeparator)
{
    ASSERT_EQ(FormatSettings().DecimalSeparator, QLatin1Char(','));
    TComponent owner(nullptr);
    auto loaded = LoadReport(&owner, QByteArray("object rgReport1: TrgReport\r\n"
                                                "  ColumnPositions.Strings = (\r\n"
                                                "    '15000'\r\n"
                                                "    '62500.4')\r\n"
                                                "  Columns = 2\r\n"
                                                "end\r\n"));
    ASSERT_EQ(loaded->ColumnPositions()->Count(), 2);
    EXPECT_EQ(loaded->ColumnPositions()->Strings(0), QStringLiteral("15000"));
    EXPECT_EQ(loaded->ColumnPositions()->Strings(1), QStringLiteral("62500,4"));
}
