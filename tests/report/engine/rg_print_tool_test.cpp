// End to end: an album table on disk printed by the print tool, a separate
// program running the real engine with real fonts, from a template saved
// here (text and binary form) or from the list it builds itself, to a PDF
// judged with pdftotext, to an archive and to a text file.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QRegularExpression>

#include <functional>
#include <memory>

#include "album_fixture.h"
#include "barcode_scan.h"
#include "engine_fixtures.h"
#include "pdf_tools.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_barcode_components.h"
#include "report/engine/rg_calc.h"
#include "report/engine/rg_calculated_text.h"
#include "report/engine/rg_component_registry.h"
#include "report/engine/rg_data_text.h"
#include "report/engine/rg_engine_forms.h"
#include "report/engine/rg_image.h"
#include "report/engine/rg_memo.h"
#include "report/engine/rg_region.h"
#include "report/engine/rg_rich_text.h"
#include "report/engine/rg_shapes.h"
#include "report/engine/rg_subreport.h"
#include "report/engine/rg_template.h"
#include "report/output/rg_file_devices.h"

namespace {

constexpr int kEntries = 25;

class PrintToolTest : public BridgeTestBase {
protected:
    void SetUp() override
    {
        BridgeTestBase::SetUp();
        rgInstallEngineForms();
        rgRegisterBuiltInComponentClasses();
        CreateAlbum(QStringLiteral("BILDER.DBF"), kEntries);
    }

    // An album table of Entries records: "Strand n", owners Anna and Otto
    // taking turns; Fill sets more fields of record n.
    void CreateAlbum(const QString& Name, int Entries, const std::function<void(int)>& Fill = {})
    {
        WriteAlbumTable(Path(Name).toLocal8Bit().toStdString(), Entries, [&Fill](int i) {
            dbe_Replace("ShortDesc", DBE_REPL_TEXT, QStringLiteral("Strand %1").arg(i).toUtf8().constData());
            dbe_Replace("Owner", DBE_REPL_TEXT, i % 2 ? "Anna" : "Otto");
            if (Fill)
                Fill(i);
        });
    }

    QString Path(const QString& Name) const { return QString::fromStdString((dir / Name.toStdString()).string()); }

    // Runs the tool; its exit code, with what it wrote kept in Errors.
    int RunTool(const QStringList& Arguments)
    {
        const auto result =
            rgtest::RunTool(QStringLiteral(REPORT_PRINT_TOOL), QStringList{"--table", Path("BILDER.DBF")} + Arguments);
        Errors = result.Output;
        return result.ExitCode;
    }

    static QString PdfText(const QString& FileName)
    {
        return rgtest::ToolOutput(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), FileName, QStringLiteral("-")});
    }

    // A list on A5 (a page holds fewer entries): title, description and
    // owner of each entry, "Page n of m" at the foot.
    void SaveTemplate(const QString& FileName, TrgFormatType Format)
    {
        TComponent form(nullptr);
        form.Name = QStringLiteral("frmPrintTool");
        auto* pipeline = new TListPipeline(&form, {QStringLiteral("ShortDesc")}, {});
        pipeline->Name = QStringLiteral("plAlbum");
        auto* report = new TrgReport(&form);
        report->Name = QStringLiteral("rgReport1");
        const int a5[] = {10000, 10000, 10000, 10000, 210000, 148000};
        for (int i = 0; i < 6; ++i)
            report->PrinterSetup()->SetDefinedValue(i, a5[i]);
        report->SetPassSetting(psTwoPass);
        auto addBand = [&](TrgBand* Band, int Height, const QString& Name) {
            Band->Name = Name;
            report->AddBand(Band);
            Band->SetmmHeight(Height);
            return Band;
        };
        TrgBand* header = addBand(new TrgHeaderBand(&form), 12000, QStringLiteral("hdrListe"));
        TrgBand* detail = addBand(new TrgDetailBand(&form), 7000, QStringLiteral("dtlListe"));
        TrgBand* footer = addBand(new TrgFooterBand(&form), 10000, QStringLiteral("ftrListe"));
        auto* title = new TrgLabel(&form);
        title->Name = QStringLiteral("lblTitel");
        title->SetBand(header);
        title->SetCaption(QStringLiteral("Bilderliste Sommer"));
        title->SetmmBounds(0, 2000, 80000, 6000);
        int column = 0;
        for (const char* field : {"ShortDesc", "Owner"}) {
            auto* text = new TrgDBText(&form);
            text->Name = QStringLiteral("dbt%1").arg(QString::fromLatin1(field));
            text->SetBand(detail);
            text->SetAutoSize(false);
            text->SetDataPipeline(pipeline);
            text->SetDataField(QString::fromLatin1(field));
            text->SetmmBounds(column, 1000, 60000, 5000);
            column += 65000;
        }
        auto* page = new TrgCalc(&form);
        page->Name = QStringLiteral("calSeite");
        page->SetBand(footer);
        page->SetCalcType(ctPageSetDesc);
        page->SetmmBounds(0, 3000, 60000, 5000);
        report->SetDataPipeline(pipeline);
        TrgReportTemplate* tpl = rgReportTemplate(report);
        tpl->SetFileName(FileName);
        tpl->Format = Format;
        tpl->SaveToFile();
        delete report;
    }

    QString Errors;
};

TEST_F(PrintToolTest, ATemplateInEitherFormPrintsTheWholeAlbumAsAPdf)
{
    for (const TrgFormatType format : {ftASCII, ftBinary}) {
        SCOPED_TRACE(format == ftASCII ? "text template" : "binary template");
        const QString templateFile = Path(format == ftASCII ? "LISTE.TXT.RTM" : "LISTE.RTM");
        SaveTemplate(templateFile, format);
        const QString pdf = Path("liste.pdf");
        QFile::remove(pdf);
        ASSERT_EQ(RunTool({"--template", templateFile, "--device", "pdf", "--out", pdf}), 0) << Errors.toStdString();

        const QString text = PdfText(pdf);
        const QStringList pages = text.split(QChar('\f'), Qt::SkipEmptyParts);
        ASSERT_GE(pages.size(), 2) << text.toStdString();
        const int count = int(pages.size());
        for (int p = 0; p < count; ++p) {
            EXPECT_TRUE(pages[p].contains(QStringLiteral("Bilderliste Sommer"))) << p;
            EXPECT_TRUE(pages[p].contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(count))) << pages[p].toStdString();
        }
        // Every entry once, in the table's order, with its owner.
        int last = -1;
        for (int i = 1; i <= kEntries; ++i) {
            const QRegularExpression entry(QStringLiteral("Strand %1\\s+%2\\n").arg(i).arg(i % 2 ? "Anna" : "Otto"));
            const int at = int(text.indexOf(entry));
            EXPECT_GT(at, last) << "entry " << i << "\n" << text.toStdString();
            last = at;
            EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("Strand %1\\b").arg(i))), 1) << i;
        }
    }
}

TEST_F(PrintToolTest, TheBuiltListGoesToAnArchiveAndATextFile)
{
    const QString archive = Path("liste.raf");
    ASSERT_EQ(RunTool({"--fields", "ShortDesc,Owner", "--device", "archive", "--out", archive}), 0)
        << Errors.toStdString();
    TrgArchiveReader reader(archive);
    ASSERT_GE(reader.PageCount(), 1);
    QString all;
    for (int i = 0; i < reader.PageCount(); ++i)
        all += DumpPage(*reader.ReadPage(i)) + QLatin1Char('\n');
    for (int i = 1; i <= kEntries; ++i)
        EXPECT_TRUE(all.contains(QStringLiteral("\"Strand %1\"").arg(i))) << i;
    EXPECT_TRUE(all.contains(QStringLiteral("\"Page %1 of %1\"").arg(reader.PageCount()))) << all.toStdString();

    const QString textFile = Path("liste.txt");
    ASSERT_EQ(RunTool({"--fields", "ShortDesc,Owner", "--device", "text", "--out", textFile}), 0)
        << Errors.toStdString();
    QFile file(textFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), kEntries) << lines.join('|').toStdString();
    for (int i = 1; i <= kEntries; ++i) {
        EXPECT_TRUE(lines[i - 1].contains(QStringLiteral("Strand %1").arg(i))) << lines[i - 1].toStdString();
        EXPECT_TRUE(lines[i - 1].contains(i % 2 ? QStringLiteral("Anna") : QStringLiteral("Otto")));
    }

    // A bad call says how to call, and no file is made.
    EXPECT_EQ(RunTool({"--device", "fax", "--out", Path("x")}), 1);
    EXPECT_TRUE(Errors.contains(QStringLiteral("--device text|archive|pdf")));
    EXPECT_FALSE(QFile::exists(Path("x")));
}

TEST_F(PrintToolTest, AMissingTemplateEndsWithItsMessageAndNoFile)
{
    EXPECT_EQ(RunTool({"--template", Path("FEHLT.RTM"), "--device", "pdf", "--out", Path("f.pdf")}), 2);
    EXPECT_FALSE(Errors.trimmed().isEmpty());
    EXPECT_FALSE(QFile::exists(Path("f.pdf")));
}


// The component classes in one template over a small album, printed by the
// tool on its printer: the texts read back with pdftotext, the picture
// counted with pdfimages and the shape, line and region found in the page's
// pixels.
class ComponentTemplateToolTest : public PrintToolTest {
protected:
    static constexpr int kRecords = 3;
    static constexpr int kResolution = 300;
    // A header position (thousandths of a millimetre, margins of 10 mm) as
    // a page pixel.
    static int Pixel(int MM) { return int((10000 + MM) * double(kResolution) / 25400.0); }

    void SaveTemplate(const QString& FileName)
    {
        TComponent form(nullptr);
        form.Name = QStringLiteral("frmAlles");
        auto* pipeline = new TListPipeline(&form, {QStringLiteral("ShortDesc")}, {});
        pipeline->Name = QStringLiteral("plAlbum");
        auto* report = new TrgReport(&form);
        report->Name = QStringLiteral("rgReport1");
        const int a4[] = {10000, 10000, 10000, 10000, 297000, 210000};
        for (int i = 0; i < 6; ++i)
            report->PrinterSetup()->SetDefinedValue(i, a4[i]);
        report->SetPassSetting(psTwoPass);
        report->SetDataPipeline(pipeline);
        int bands = 0;
        auto addBand = [&](TrgBand* Band, int Height) {
            Band->Name = QStringLiteral("band%1").arg(++bands);
            report->AddBand(Band);
            Band->SetmmHeight(Height);
            return Band;
        };
        TrgBand* header = addBand(new TrgHeaderBand(&form), 60000);
        TrgBand* detail = addBand(new TrgDetailBand(&form), 40000);
        TrgBand* summary = addBand(new TrgSummaryBand(&form), 30000);
        TrgBand* footer = addBand(new TrgFooterBand(&form), 10000);
        int components = 0;
        auto place = [&](TrgComponent* Component, TrgBand* Band, int Left, int Top, int Width, int Height) {
            Component->Name = QStringLiteral("comp%1").arg(++components);
            Component->SetBand(Band);
            Component->SetmmBounds(Left, Top, Width, Height);
        };
        auto dataAware = [&](auto* Component, const char* Field) {
            Component->SetDataPipeline(pipeline);
            Component->SetDataField(QString::fromLatin1(Field));
        };

        // The header: what needs no data.
        auto* label = new TrgLabel(&form);
        place(label, header, 0, 0, 80000, 6000);
        label->SetCaption(QStringLiteral("Alles drin"));
        auto* memo = new TrgMemo(&form);
        place(memo, header, 0, 8000, 80000, 10000);
        TStringList lines;
        lines.Add(QStringLiteral("Erste Memozeile"));
        lines.Add(QStringLiteral("Zweite Memozeile"));
        memo->SetLines(lines);
        auto* rich = new TrgRichText(&form);
        place(rich, header, 0, 20000, 80000, 8000);
        rich->SetRichText(QByteArray("{\\rtf1\\ansi Reicher Kopf}"));
        auto* region = new TrgRegion(&form);
        place(region, header, 0, 30000, 80000, 12000);
        auto* shape = new TrgShape(&form);
        place(shape, header, 100000, 2000, 20000, 10000);
        shape->SetShape(stRectangle);
        shape->SetFillColor(clRed, false);
        auto* line = new TrgLine(&form);
        place(line, header, 130000, 2000, 30000, 10000);
        line->SetPosition(lpBottom);
        line->SetWeight(2);
        auto* image = new TrgImage(&form);
        place(image, header, 100000, 16000, 20000, 20000);
        EXPECT_TRUE(image->LoadPictureFromFile(PicturePath(Qt::darkGreen)));

        // The detail: one of each data-aware kind per record.
        auto* text = new TrgDBText(&form);
        place(text, detail, 0, 0, 60000, 6000);
        dataAware(text, "ShortDesc");
        auto* dataMemo = new TrgDBMemo(&form);
        place(dataMemo, detail, 0, 8000, 80000, 6000);
        dataAware(dataMemo, "Pfad");
        auto* dataRich = new TrgDBRichText(&form);
        place(dataRich, detail, 0, 16000, 80000, 8000);
        dataAware(dataRich, "Notiz");

        // The summary: the sum of a field.
        auto* sum = new TrgDBCalc(&form);
        place(sum, summary, 0, 0, 60000, 6000);
        dataAware(sum, "Bytes");
        sum->SetDBCalcType(dcSum);

        auto* code = new TrgBarCode(&form);
        place(code, summary, 70000, 0, 90000, 15000);
        code->SetBarCodeType(bcCode39);
        code->SetData(QStringLiteral("KOPF-1"));

        auto* page = new TrgCalc(&form);
        place(page, footer, 0, 2000, 60000, 5000);
        page->SetCalcType(ctPageSetDesc);

        TrgReportTemplate* tpl = rgReportTemplate(report);
        tpl->SetFileName(FileName);
        tpl->Format = ftASCII;
        tpl->SaveToFile();
        delete report;
    }

    // A small picture of one colour saved as a PNG file.
    QString PicturePath(QColor Colour)
    {
        const QString file = Path(QStringLiteral("bild-%1.png").arg(Colour.name().mid(1)));
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Colour);
        EXPECT_TRUE(picture.save(file));
        return file;
    }
};

TEST_F(ComponentTemplateToolTest, ATemplateOfManyComponentClassesPrintsEachOfThem)
{
    for (const char* tool : {"pdftotext", "pdfimages", "pdftoppm"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed (scripts/setup installs it)";
    CreateAlbum(QStringLiteral("ALLES.DBF"), kRecords, [&](int i) {
        dbe_Replace("Pfad", DBE_REPL_TEXT, QStringLiteral("Pfad von Strand %1").arg(i).toUtf8().constData());
        dbe_Replace("Notiz", DBE_REPL_MEMO, QStringLiteral("{\\rtf1\\ansi Reich %1}").arg(i).toUtf8().constData());
        const int32_t bytes = 100 * i;
        dbe_Replace("Bytes", DBE_REPL_LONG, &bytes);
    });
    const QString templateFile = Path("ALLES.TXT.RTM");
    SaveTemplate(templateFile);
    const QString pdf = Path("alles.pdf");
    const auto run = rgtest::RunTool(QStringLiteral(REPORT_PRINT_TOOL),
                                     {"--table", Path("ALLES.DBF"), "--template", templateFile, "--device", "pdf",
                                      "--out", pdf});
    ASSERT_EQ(run.ExitCode, 0) << run.Output.toStdString();

    // Texts in order: label, memo, rich text, each record's data text, data
    // memo and data rich text, the sum of the bytes; the page on each page.
    const QString text = PdfText(pdf);
    QStringList expected{"Alles drin", "Erste Memozeile", "Zweite Memozeile", "Reicher Kopf"};
    for (int i = 1; i <= kRecords; ++i)
        expected << QStringLiteral("Strand %1").arg(i) << QStringLiteral("Pfad von Strand %1").arg(i)
                 << QStringLiteral("Reich %1").arg(i);
    expected << QString::number(100 * kRecords * (kRecords + 1) / 2);
    qsizetype last = -1;
    for (const QString& piece : expected) {
        const qsizetype at = text.indexOf(QRegularExpression(QRegularExpression::escape(piece) + "\\b"), last + 1);
        EXPECT_GT(at, last) << piece.toStdString() << " missing or out of order\n" << text.toStdString();
        last = std::max(last, at);
    }
    const int pages = int(text.split(QChar('\f'), Qt::SkipEmptyParts).size());
    EXPECT_TRUE(text.contains(QStringLiteral("Page %1 of %1").arg(pages))) << text.toStdString();

    {
        QTemporaryDir scanDir;
        const QSet<QString> codes = rgtest::ScanPdf(scanDir.path(), pdf);
        EXPECT_TRUE(codes.contains(QStringLiteral("CODE-39:KOPF-1"))) << QStringList(codes.values()).join(' ').toStdString();
    }
    // Pictures: the header's on every page.
    const QStringList images = rgtest::ToolOutput(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                                   .split(QChar('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(images.size() - 2, pages) << images.join('\n').toStdString();
    for (int p = 1; p <= pages; ++p)
        EXPECT_TRUE(rgtest::Matches(images[p + 1], QStringLiteral("^\\s*%1\\s+\\d+\\s+image\\s+40\\s+30\\s").arg(p)))
            << images[p + 1].toStdString();

    // The red rectangle filled inside, the line's 2 points at its box's bottom.
    QTemporaryDir rasterDir;
    const auto raster = rgtest::RunTool(QStringLiteral("pdftoppm"),
                                        {"-r", QString::number(kResolution), "-f", "1", "-l", "1", "-singlefile",
                                         "-png", pdf, rasterDir.filePath(QStringLiteral("seite"))});
    ASSERT_EQ(raster.ExitCode, 0) << raster.Output.toStdString();
    const QImage page = QImage(rasterDir.filePath(QStringLiteral("seite.png"))).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(page.isNull());
    const QColor inside = page.pixelColor(Pixel(110000), Pixel(7000));
    EXPECT_TRUE(inside.red() > 200 && inside.green() < 60 && inside.blue() < 60) << inside.name().toStdString();
    int dark = 0;
    for (int y = Pixel(12000) - 12; y <= Pixel(12000) + 2; ++y)
        dark += qGray(page.pixel(Pixel(145000), y)) < 128 ? 1 : 0;
    EXPECT_GE(dark, 5) << "the line of 2 points is about 8 pixels thick";
    EXPECT_GT(qGray(page.pixel(Pixel(145000), Pixel(7000))), 200) << "above the line the box is empty";
    // The region's frame: dark at its top edge, white inside.
    int frame = 0;
    for (int y = Pixel(30000) - 3; y <= Pixel(30000) + 3; ++y)
        frame += qGray(page.pixel(Pixel(40000), y)) < 128 ? 1 : 0;
    EXPECT_GE(frame, 1) << "no frame at the region's top";
    EXPECT_GT(qGray(page.pixel(Pixel(40000), Pixel(40000))), 200);
}

// A bar code, a data bar code, a data image and a subreport saved in a
// text-form template and printed by the tool: the codes scanned from the
// page, the record's picture counted and the child's title read back.
TEST_F(ComponentTemplateToolTest, BarCodesADataImageAndASubReportFromATemplatePrint)
{
    if (const QString missing = rgtest::MissingScanTool(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString() << " is not installed (scripts/setup installs it)";
    if (QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty())
        GTEST_SKIP() << "pdfimages is not installed (scripts/setup installs it)";
    const QString picture = PicturePath(Qt::blue);
    CreateAlbum(QStringLiteral("CODES.DBF"), 1, [&](int) {
        dbe_Replace("Vorschau", DBE_REPL_FILEBLOB, picture.toLocal8Bit().constData());
        dbe_Replace("Flags", DBE_REPL_TEXT, "SATZ-1");
    });

    TComponent form(nullptr);
    form.Name = QStringLiteral("frmCodes");
    auto* pipeline = new TListPipeline(&form, {QStringLiteral("ShortDesc")}, {});
    pipeline->Name = QStringLiteral("plAlbum");
    auto* report = new TrgReport(&form);
    report->Name = QStringLiteral("rgReport1");
    report->SetDataPipeline(pipeline);
    auto* detail = new TrgDetailBand(&form);
    detail->Name = QStringLiteral("bandDetail");
    report->AddBand(detail);
    detail->SetmmHeight(80000);
    auto* summary = new TrgSummaryBand(&form);
    summary->Name = QStringLiteral("bandSummary");
    report->AddBand(summary);
    summary->SetmmHeight(20000);

    auto* code = new TrgBarCode(&form);
    code->Name = QStringLiteral("codeFest");
    code->SetBand(detail);
    code->SetBarCodeType(bcCode39);
    code->SetData(QStringLiteral("KOPF-1"));
    code->SetmmBounds(0, 0, 90000, 15000);
    auto* dataCode = new TrgDBBarCode(&form);
    dataCode->Name = QStringLiteral("codeDaten");
    dataCode->SetBand(detail);
    dataCode->SetBarCodeType(bcCode39);
    dataCode->SetDataPipeline(pipeline);
    dataCode->SetDataField(QStringLiteral("Flags"));
    dataCode->SetmmBounds(0, 20000, 90000, 15000);
    auto* image = new TrgDBImage(&form);
    image->Name = QStringLiteral("bildDaten");
    image->SetBand(detail);
    image->SetDataPipeline(pipeline);
    image->SetDataField(QStringLiteral("Vorschau"));
    image->SetmmBounds(100000, 0, 20000, 20000);

    // The subreport's box is lower than its child's default bands: the
    // summary band has to grow for the child.
    auto* sub = new TrgSubReport(&form);
    sub->Name = QStringLiteral("subKind");
    sub->SetBand(summary);
    sub->SetmmBounds(0, 0, 90000, 10000);
    TrgReport* child = sub->Report();
    // The child's own title band, made when it joined the report.
    TrgBand* title = child->FindBand(bkTitle);
    ASSERT_NE(title, nullptr);
    auto* childLabel = new TrgLabel(&form);
    childLabel->Name = QStringLiteral("labelKind");
    childLabel->SetBand(title);
    childLabel->SetmmBounds(0, 0, 60000, 6000);
    childLabel->SetCaption(QStringLiteral("Kindertitel"));

    const QString templateFile = Path("CODES.TXT.RTM");
    TrgReportTemplate* tpl = rgReportTemplate(report);
    tpl->SetFileName(templateFile);
    tpl->Format = ftASCII;
    tpl->SaveToFile();
    delete report;

    const QString pdf = Path("codes.pdf");
    const auto run = rgtest::RunTool(QStringLiteral(REPORT_PRINT_TOOL),
                                     {"--table", Path("CODES.DBF"), "--template", templateFile, "--device", "pdf",
                                      "--out", pdf});
    ASSERT_EQ(run.ExitCode, 0) << run.Output.toStdString();

    QTemporaryDir scanDir;
    const QSet<QString> codes = rgtest::ScanPdf(scanDir.path(), pdf);
    EXPECT_TRUE(codes.contains(QStringLiteral("CODE-39:KOPF-1"))) << QStringList(codes.values()).join(' ').toStdString();
    EXPECT_TRUE(codes.contains(QStringLiteral("CODE-39:SATZ-1")))
        << QStringList(codes.values()).join(' ').toStdString();

    const QStringList images = rgtest::ToolOutput(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                                   .split(QChar('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(images.size(), 3) << images.join('\n').toStdString();
    EXPECT_TRUE(rgtest::Matches(images[2], QStringLiteral("^\\s*1\\s+\\d+\\s+image\\s+40\\s+30\\s")))
        << images[2].toStdString();

    EXPECT_TRUE(PdfText(pdf).contains(QStringLiteral("Kindertitel"))) << PdfText(pdf).toStdString();
}

}  // namespace
