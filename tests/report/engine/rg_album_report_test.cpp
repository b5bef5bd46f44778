// The whole engine over an album as the program opens it: a TdkTable with
// the album's fields, filtered by its filter lines, read through the
// dataset pipeline, printed to an archive file and to a text file.

#include <QFile>

#include <functional>
#include <memory>

#include "album_fixture.h"
#include "engine_fixtures.h"
#include "fake_printer_source.h"
#include "fake_text_measure.h"
#include "report/engine/rg_calc.h"
#include "report/engine/rg_calculated_text.h"
#include "report/engine/rg_dataset_pipeline.h"
#include "report/engine/rg_groups.h"
#include "report/engine/rg_memo.h"
#include "report/output/rg_file_devices.h"
#include "report/output/rg_printer_list.h"

namespace {

class AlbumReport : public AlbumTableTest {
protected:
    void SetUp() override
    {
        AlbumTableTest::SetUp();
        RegisterReportClasses();
        rgSetLayoutMeasure(&measure);
        rgSetPrinterSource(std::make_unique<rgtest::TFakePrinterSource>(
            std::vector<rgtest::TFakePrinter>{{{QStringLiteral("Drucker"), {}, QStringLiteral("queue"), {}}, {}}},
            QStringLiteral("queue")));
    }
    void TearDown() override
    {
        report.reset();
        rgSetPrinterSource(nullptr);
        rgSetLayoutMeasure(nullptr);
        AlbumTableTest::TearDown();
    }

    // Entries "Bild 1" .. "Bild n", owned by Anna for the first half and by
    // Otto for the rest, so that a group on the owner has two runs.
    void MakeAlbum(int count)
    {
        CreateAlbum(count, [count](int i) {
            dbe_Replace("ShortDesc", DBE_REPL_TEXT, QStringLiteral("Bild %1").arg(i).toUtf8().constData());
            dbe_Replace("Owner", DBE_REPL_TEXT, i <= count / 2 ? "Anna" : "Otto");
        });
    }

    // Header, detail with the description, footer; a group on the owner.
    void MakeReport()
    {
        report = std::make_unique<TCapturingReport>(&form);
        SetTestPage(*report->PrinterSetup());
        report->Engine()->Clock = [] { return TDateTime(46000.5); };
        auto addBand = [this](TrgBand* band, int height) {
            report->AddBand(band);
            band->SetmmHeight(height);
            return band;
        };
        auto addLabel = [this](TrgBand* band, const QString& caption) {
            auto* label = new TrgLabel(&form);
            label->SetAutoSize(false);
            label->SetBand(band);
            label->SetCaption(caption);
            label->SetmmBounds(0, 0, 30000, 2000);
            return label;
        };
        addLabel(addBand(new TrgHeaderBand(&form), 5000), QStringLiteral("Album"));
        TrgBand* detail = addBand(new TrgDetailBand(&form), 3000);
        TrgLabel* description = addLabel(detail, QString());
        TrgDataPipeline* data = pipeline.get();
        description->OnPrint = [description, data](TObject*) {
            description->SetCaption(data->GetFieldAsString(QStringLiteral("ShortDesc")).trimmed());
        };
        description->SetSave(true);
        detail->SetSave(true);
        addLabel(addBand(new TrgFooterBand(&form), 5000), QStringLiteral("Ende"));

        auto* group = new TrgGroup(&form);
        group->SetBreakName(QStringLiteral("Owner"));
        group->SetDataPipeline(pipeline.get());
        report->AddGroup(group);
        auto* groupHeader = new TrgGroupHeaderBand(&form);
        groupHeader->SetGroup(group);
        groupHeader->SetmmHeight(3000);
        TrgLabel* owner = addLabel(groupHeader, QString());
        owner->OnPrint = [owner, data](TObject*) {
            owner->SetCaption(data->GetFieldAsString(QStringLiteral("Owner")).trimmed());
        };
        report->SetDataPipeline(pipeline.get());
    }

    TFakeTextMeasure measure;
    TComponent form{nullptr};
    std::unique_ptr<TCapturingReport> report;
};

TEST_F(AlbumReport, AnAlbumPrintsItsEntriesInGroupsToAnArchive)
{
    MakeAlbum(12);
    table->Open();
    MakeReport();
    const QString fileName = QString::fromStdString((dir / "album.raf").string());
    report->SetArchiveFileName(fileName);
    report->SetDevice(dvArchive);
    report->SetShowPrintDialog(false);
    report->SetShowCancelDialog(false);
    report->Print();

    // Body from 15 to 45 mm: the owner's header and nine 3 mm entries a page.
    TrgArchiveReader archive(fileName);
    ASSERT_EQ(archive.PageCount(), 2);
    QStringList texts;
    for (int i = 0; i < archive.PageCount(); ++i) {
        const QString dump = DumpPage(*archive.ReadPage(i));
        for (const QString& line : dump.split(u'\n'))
            if (line.contains(u'"'))
                texts << line.section(u'"', 1, 1);
    }
    QStringList expected{"Album", "Anna"};
    for (int i = 1; i <= 6; ++i)
        expected << QStringLiteral("Bild %1").arg(i);
    expected << "Otto";
    for (int i = 7; i <= 8; ++i)
        expected << QStringLiteral("Bild %1").arg(i);
    expected << "Ende" << "Album" << "Otto";
    for (int i = 9; i <= 12; ++i)
        expected << QStringLiteral("Bild %1").arg(i);
    expected << "Ende";
    EXPECT_EQ(texts, expected);
    EXPECT_TRUE(table->Active()) << "the album stays open";
}

TEST_F(AlbumReport, AFilteredAlbumWritesOnlyWhatItShowsToATextFile)
{
    MakeAlbum(10);
    TStringList filter;
    filter.Add(QStringLiteral("Owner = \"Otto\""));
    table->SetdkFilter(filter);
    table->Open();
    MakeReport();
    const QString fileName = QString::fromStdString((dir / "album.txt").string());
    report->SetTextFileName(fileName);
    report->SetDevice(dvFile);
    report->SetShowPrintDialog(false);
    report->SetShowCancelDialog(false);
    report->Print();

    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString content = QString::fromLatin1(file.readAll());
    for (int i = 6; i <= 10; ++i)
        EXPECT_TRUE(content.contains(QStringLiteral("Bild %1").arg(i))) << content.toStdString();
    EXPECT_FALSE(content.contains(QStringLiteral("Bild 5")));
    EXPECT_FALSE(content.contains(QStringLiteral("Bild 1\"")));
}

TEST_F(AlbumReport, PagesOfAnAlbumMadeAgainEqualTheSequence)
{
    MakeAlbum(40);
    table->Open();
    MakeReport();
    report->SetPassSetting(psTwoPass);
    report->Reset();
    report->PageRequest(psAll, 1, nullptr);
    const std::vector<QString> sequence = report->Pages;
    ASSERT_GE(sequence.size(), 4u);
    for (int page : {3, 1, 4, 2}) {
        report->Pages.clear();
        report->PageRequest(psSinglePage, page, nullptr);
        ASSERT_EQ(report->Pages.size(), 1u);
        EXPECT_EQ(report->Pages[0], sequence[size_t(page - 1)]) << page;
    }
}

// Data texts, a running sum of the sizes, the page numbers and the long
// notes as memos, over an album printed to an archive.
TEST_F(AlbumReport, AlbumFieldsMemosAndTotalsPrintToAnArchive)
{
    QStringList notes;
    CreateAlbum(3, [&notes](int i) {
        dbe_Replace("ShortDesc", DBE_REPL_TEXT, QStringLiteral("Bild %1").arg(i).toUtf8().constData());
        dbe_Replace("Owner", DBE_REPL_TEXT, "Anna");
        const int32_t bytes = 1000 * i;
        dbe_Replace("Bytes", DBE_REPL_LONG, &bytes);
        QStringList note;
        for (int line = 1; line <= 4 * i; ++line)
            note << QStringLiteral("Notiz %1.%2").arg(i).arg(line);
        notes << note;
        dbe_Replace("Notiz", DBE_REPL_MEMO, note.join(QStringLiteral("\r\n")).toUtf8().constData());
    });
    table->Open();

    report = std::make_unique<TCapturingReport>(&form);
    SetTestPage(*report->PrinterSetup());
    report->Engine()->Clock = [] { return TDateTime(46000.5); };
    report->SetDataPipeline(pipeline.get());
    report->SetPassSetting(psTwoPass);
    auto* header = new TrgHeaderBand(&form);
    report->AddBand(header);
    header->SetmmHeight(5000);
    auto* detail = new TrgDetailBand(&form);
    report->AddBand(detail);
    detail->SetmmHeight(3000);
    auto* footer = new TrgFooterBand(&form);
    report->AddBand(footer);
    footer->SetmmHeight(5000);
    auto place = [this](TrgComponent* component, TrgBand* band, int left) {
        component->SetBand(band);
        component->SetmmBounds(left, 0, 25000, 4500);
        component->SetDataPipeline(pipeline.get());
    };
    auto* name = new TrgDBText(&form);
    place(name, detail, 0);
    name->SetDataField(QStringLiteral("ShortDesc"));
    auto* sum = new TrgDBCalc(&form);
    place(sum, detail, 26000);
    sum->SetDataField(QStringLiteral("Bytes"));
    sum->SetDisplayFormat(QStringLiteral("0"));
    auto* memo = new TrgDBMemo(&form);
    place(memo, detail, 52000);
    memo->SetDataField(QStringLiteral("Notiz"));
    memo->SetStretch(true);
    auto* pages = new TrgCalc(&form);
    place(pages, footer, 0);
    pages->SetCalcType(ctPageSetDesc);

    const QString fileName = QString::fromStdString((dir / "notizen.raf").string());
    report->SetArchiveFileName(fileName);
    report->SetDevice(dvArchive);
    report->SetShowPrintDialog(false);
    report->SetShowCancelDialog(false);
    report->Print();

    TrgArchiveReader archive(fileName);
    ASSERT_GE(archive.PageCount(), 2);
    QStringList texts, memoLines;
    for (int i = 0; i < archive.PageCount(); ++i) {
        std::unique_ptr<TrgPage> page(archive.ReadPage(i));
        for (int c = 0; c < page->GetDrawCommandCount(); ++c) {
            const auto* text = dynamic_cast<const TrgDrawText*>(page->GetDrawCommand(c));
            if (!text)
                continue;
            if (text->IsMemo)
                for (int line = 0; line < text->WrappedText()->Count(); ++line)
                    memoLines << text->WrappedText()->Strings(line);
            else
                texts << text->Text;
        }
    }
    EXPECT_EQ(memoLines, notes.join(QLatin1Char('\n')).split(QLatin1Char('\n'))) << "every note line once, in order";
    for (const char* expected : {"Bild 1", "1000", "Bild 2", "3000", "Bild 3", "6000"})
        EXPECT_TRUE(texts.contains(QString::fromLatin1(expected))) << expected << ": " << texts.join(',').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("Page 1 of %1").arg(archive.PageCount())))
        << texts.join(',').toStdString();
}

}  // namespace
