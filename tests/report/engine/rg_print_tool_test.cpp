// End to end: an album table on disk printed by the print tool, a separate
// program running the real engine with real fonts, from a template saved
// here (text and binary form) or from the list it builds itself, to a PDF
// judged with pdftotext, to an archive and to a text file.

#include <QFile>
#include <QRegularExpression>

#include <memory>

#include "../output/pdf_tools.h"
#include "album_layout.h"
#include "bridge_test.h"
#include "engine_fixtures.h"
#include "platform/dbf/dbe.h"
#include "report/engine/rg_calculated_text.h"
#include "report/engine/rg_component_registry.h"
#include "report/engine/rg_data_text.h"
#include "report/engine/rg_template.h"
#include "report/output/rg_file_devices.h"

namespace {

constexpr int kEntries = 25;

class PrintToolTest : public BridgeTestBase {
protected:
    void SetUp() override
    {
        BridgeTestBase::SetUp();
        rgRegisterBuiltInComponentClasses();
        const uint16_t area = dbe_CreateNew(Path("BILDER.DBF").toLocal8Bit().constData(), "XXXXXXXXXX", DBE_TYPE_FOX,
                                            lxtest::kAlbumLayoutFieldCount);
        ASSERT_NE(area, 0) << dbe_LastError();
        for (const lxtest::AlbumLayoutField& f : lxtest::kAlbumLayout)
            dbe_CreateField(f.name, f.type, f.width, f.decimals);
        ASSERT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
        for (int i = 1; i <= kEntries; ++i) {
            ASSERT_EQ(dbe_AppendBlank(), 1);
            dbe_Replace("ShortDesc", DBE_REPL_TEXT, QStringLiteral("Strand %1").arg(i).toUtf8().constData());
            dbe_Replace("Owner", DBE_REPL_TEXT, i % 2 ? "Anna" : "Otto");
        }
        dbe_Commit();
        dbe_Close();
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

}  // namespace
