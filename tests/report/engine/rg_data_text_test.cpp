// Data texts and data calculations: field values through the display
// format, BlankWhenZero, repeated values left out and printed again on the
// next page, Boolean fields; running counts, sums, minima, maxima and
// averages, started again at the break of a group; the same texts and
// totals on pages made again from the cache.

#include <random>
#include <set>

#include "component_fixtures.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "platform/stream/stream_text.h"
#include "platform/core/sys_utils.h"
#include "report/engine/rg_calc.h"
#include "report/engine/rg_groups.h"
#include "report/output/rg_strings.h"

namespace {

class DataTextTest : public TComponentsTest {
public:
    // Detail bands of 10 mm: three records a page.
    void MakeRows(const QStringList& Fields, const std::vector<QStringList>& Rows)
    {
        rows = std::make_unique<TTypedPipeline>(nullptr, Fields, Rows);
        MakeMemoReport(rows.get(), 10000);
    }
    template <class T = TrgDBText> T* AddField(TrgBand* Band, const QString& Field, int Left = 0, int Top = 1000)
    {
        auto* text = new T(&form);
        text->SetBand(Band);
        text->SetmmBounds(Left, Top, 30000, 4000);
        text->SetDataPipeline(rows.get());
        text->SetDataField(Field);
        return text;
    }
    // The texts of the detail bands: every text between header and footer.
    QStringList DetailTexts(const std::vector<QString>& Pages)
    {
        QStringList texts = QuotedTexts(Pages);
        texts.removeAll(QStringLiteral("Kopf"));
        texts.removeAll(QStringLiteral("Fuß"));
        return texts;
    }
    std::unique_ptr<TTypedPipeline> rows;
};

TEST_F(DataTextTest, RepeatedValuesAreLeftOutOnlyWhenAskedTo)
{
    for (bool suppress : {false, true}) {
        SCOPED_TRACE(suppress);
        report = std::make_unique<TCapturingReport>(&form);
        SetUp();
        MakeRows({"Name"}, {{"A"}, {"A"}, {"B"}});
        AddField(detail, "Name")->SetSuppressRepeatedValues(suppress);
        EXPECT_EQ(DetailTexts(PrintAll()), (suppress ? QStringList{"A", "B"} : QStringList{"A", "A", "B"}));
    }
}

TEST_F(DataTextTest, ASuppressedRunIsPrintedOnceMoreAtTheTopOfTheNextPage)
{
    MakeRows({"Name", "Nr"}, {{"A", "1"}, {"A", "2"}, {"A", "3"}, {"A", "4"}, {"A", "5"}, {"B", "6"}, {"B", "7"}});
    TrgDBText* name = AddField(detail, "Name");
    name->SetSuppressRepeatedValues(true);
    name->SetReprintOnSubsequent(true);
    AddField(detail, "Nr", 35000);
    report->SetPassSetting(psTwoPass);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(DetailTexts({pages[0]}), (QStringList{"A", "1", "2", "3"}));
    EXPECT_EQ(DetailTexts({pages[1]}), (QStringList{"A", "4", "5", "B", "6"}));
    EXPECT_EQ(DetailTexts({pages[2]}), (QStringList{"B", "7"}));

    std::vector<QString> again = Regenerate({3, 1, 2});
    EXPECT_EQ(again[0], pages[2]);
    EXPECT_EQ(again[1], pages[0]);
    EXPECT_EQ(again[2], pages[1]);
}

TEST_F(DataTextTest, WithoutReprintASuppressedRunStaysEmptyOnTheNextPage)
{
    MakeRows({"Name", "Nr"}, {{"A", "1"}, {"A", "2"}, {"A", "3"}, {"A", "4"}});
    TrgDBText* name = AddField(detail, "Name");
    name->SetSuppressRepeatedValues(true);
    AddField(detail, "Nr", 35000);
    EXPECT_EQ(DetailTexts(PrintAll()), (QStringList{"A", "1", "2", "3", "4"}));
}

TEST_F(DataTextTest, ValuesAreFormattedAndZeroCanBeBlank)
{
    const TFormatSettings& fs = FormatSettings();
    struct Case {
        QString value, format;
        bool blank;
        QString expected;
    };
    const QString comma = QString(fs.DecimalSeparator);
    for (const Case& c : {Case{"5", "0.00", false, "5" + comma + "00"}, Case{"0", "0.00", false, "0" + comma + "00"},
                          Case{"0", "0.00", true, ""}, Case{"0", "", true, ""}, Case{"", "0.00", true, ""},
                          Case{"", "", false, ""}, Case{"2.5", "", false, "2" + comma + "5"}}) {
        SCOPED_TRACE((c.value + " " + c.format).toStdString());
        report = std::make_unique<TCapturingReport>(&form);
        SetUp();
        MakeRows({"Zahl"}, {{c.value}});
        TrgDBText* text = AddField(detail, "Zahl");
        text->SetDisplayFormat(c.format);
        text->SetBlankWhenZero(c.blank);
        const std::vector<QString> pages = PrintAll();
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(DetailTexts(pages), QStringList{c.expected});
    }
}

TEST_F(DataTextTest, BooleansPrintThePipelinesTextAndOnFormatHasTheLastWord)
{
    MakeRows({"Ja", "Name"}, {{"1", "x"}, {"0", "y"}});
    AddField(detail, "Ja");
    TrgDBText* name = AddField(detail, "Name", 35000);
    name->OnFormat = [](TObject*, const QString&, TrgDataType Type, const QVariant& Value, QString& Text) {
        Text = QStringLiteral("<%1:%2>").arg(Value.toString()).arg(Type == dtString ? "s" : "?");
    };
    EXPECT_EQ(DetailTexts(PrintAll()), (QStringList{"True", "<x:s>", "False", "<y:s>"}));
}

TEST_F(DataTextTest, OutsidePrintingTheFieldOrNameIsShown)
{
    MakeRows({"Name"}, {{"A"}});
    TrgDBText* text = AddField(detail, "Name");
    text->Name = QStringLiteral("Feld");
    EXPECT_EQ(text->GetText(), QStringLiteral("Name")) << "the pipeline is closed";
    text->SetDataField(QString());
    EXPECT_EQ(text->GetText(), QStringLiteral("Feld"));
    EXPECT_EQ(text->GetDescription(), QStringLiteral("Feld"));
    text->SetDataField(QStringLiteral("Name"));
    EXPECT_EQ(text->GetDescription(), QStringLiteral("Feld: Name"));
}

TEST_F(DataTextTest, AFieldMarkedToReprintGoesWithAMemoOntoEachContinuationPage)
{
    for (bool reprint : {false, true}) {
        SCOPED_TRACE(reprint);
        report = std::make_unique<TCapturingReport>(&form);
        SetUp();
        MakeRows({"Name", "Text"}, {{"Eins", Paragraphs(15).join('\n')}});
        TrgDBText* name = AddField(detail, "Name", 0, 0);
        name->SetReprintOnOverFlow(reprint);
        AddDBMemo(detail, QStringLiteral("Text"), 35000, 0);
        const std::vector<QString> pages = PrintAll();
        ASSERT_EQ(pages.size(), 3u);
        EXPECT_EQ(MemoLines(pages), Paragraphs(15));
        for (size_t page = 0; page < pages.size(); ++page)
            EXPECT_EQ(pages[page].contains(QStringLiteral("\"Eins\"")), page == 0 || reprint) << page;
    }
}

// ---- calculations ------------------------------------------------------------------

TEST_F(DataTextTest, CalculationsOverTheRecordsInTheSummary)
{
    const QString comma = QString(FormatSettings().DecimalSeparator);
    struct Case {
        TrgDBCalcType type;
        QStringList values;
        QString format;
        QString expected;
    };
    for (const Case& c : {Case{dcSum, {"2", "3", "5"}, "", "10"}, Case{dcCount, {"2", "3", "5"}, "", "3"},
                          Case{dcAverage, {"2", "3", "5"}, "0.000", "3" + comma + "333"},
                          Case{dcMinimum, {"4", "7", "1"}, "", "1"}, Case{dcMaximum, {"4", "7", "1"}, "", "7"},
                          Case{dcMinimum, {"-3"}, "", "-3"}, Case{dcMaximum, {"-3"}, "", "-3"},
                          Case{dcSum, {"1.5", "2.25"}, "0.00", "3" + comma + "75"}}) {
        SCOPED_TRACE(int(c.type));
        report = std::make_unique<TCapturingReport>(&form);
        SetUp();
        std::vector<QStringList> records;
        for (const QString& value : c.values)
            records.push_back({value});
        MakeRows({"Zahl"}, records);
        auto* summary = AddBand<TrgSummaryBand>(5000);
        auto* calc = AddField<TrgDBCalc>(summary, "Zahl");
        calc->SetDBCalcType(c.type);
        calc->SetDisplayFormat(c.format);
        EXPECT_EQ(DetailTexts(PrintAll()), QStringList{c.expected});
    }
}

TEST_F(DataTextTest, ACountNeedsNoFieldASumDoes)
{
    MakeRows({"Zahl"}, {{"2"}, {"3"}});
    auto* summary = AddBand<TrgSummaryBand>(5000);
    auto* count = AddField<TrgDBCalc>(summary, QString());
    count->SetDBCalcType(dcCount);
    auto* sum = AddField<TrgDBCalc>(summary, QString(), 35000);
    EXPECT_EQ(DetailTexts(PrintAll()), (QStringList{"2", "0"}));
    EXPECT_EQ(count->DesignText(), QStringLiteral("Count(*)"));
    EXPECT_EQ(sum->DesignText(), QStringLiteral("Sum(?)"));
    sum->SetDataField(QStringLiteral("Bytes"));
    sum->Name = QStringLiteral("Summe");
    EXPECT_EQ(sum->GetDescription(), QStringLiteral("Summe: Sum(Bytes)"));
}

TEST_F(DataTextTest, AnAverageWithoutRecordsIsZeroOrBlank)
{
    // A report without records prints no summary; the text the
    // calculation would give is asked for directly.
    MakeRows({"Zahl"}, {});
    auto* summary = AddBand<TrgSummaryBand>(5000);
    auto* average = AddField<TrgDBCalc>(summary, "Zahl");
    average->SetDBCalcType(dcAverage);
    average->ResetForPrint();
    EXPECT_EQ(average->RecordCount(), 0);
    EXPECT_EQ(average->GetText(), QStringLiteral("0"));
    average->SetBlankWhenZero(true);
    EXPECT_EQ(average->GetText(), QString());
}

TEST_F(DataTextTest, AGroupBreakStartsTheTotalAgain)
{
    MakeRows({"Ort", "Zahl"}, {{"Bonn", "1"}, {"Bonn", "2"}, {"Köln", "4"}, {"Köln", "8"}, {"Köln", "16"}, {"Ulm", "32"}});
    auto* group = new TrgGroup(&form);
    group->SetBreakName(QStringLiteral("Ort"));
    group->SetDataPipeline(rows.get());
    report->AddGroup(group);
    auto* groupFooter = new TrgGroupFooterBand(&form);
    groupFooter->SetGroup(group);
    groupFooter->SetmmHeight(5000);
    auto* total = AddField<TrgDBCalc>(groupFooter, "Zahl", 0, 0);
    total->ResetGroup = group;
    auto* count = AddField<TrgDBCalc>(groupFooter, "Zahl", 35000, 0);
    count->SetDBCalcType(dcCount);
    count->ResetGroup = group;
    // Record numbers where a run started (a page made again repeats one).
    std::set<int> runStarts;
    total->OnGroupBreak = [&](TObject*) { runStarts.insert(rows->RecordNo()); };
    auto* running = AddField<TrgDBCalc>(detail, "Zahl");
    auto* summary = AddBand<TrgSummaryBand>(5000);
    AddField<TrgDBCalc>(summary, "Zahl", 0, 0);
    const std::vector<QString> pages = PrintAll();

    EXPECT_EQ(DetailTexts(pages),
              (QStringList{"1", "3", "3", "2", "7", "15", "31", "28", "3", "63", "32", "1", "63"}))
        << "detail running sums, footer sum and count per town, summary";
    EXPECT_EQ(runStarts, (std::set<int>{0, 2, 5})) << "the first run and two breaks";
    EXPECT_EQ(running->Value(), 63);
}

TEST_F(DataTextTest, PagesMadeAgainPrintTheSameRunningTotals)
{
    std::vector<QStringList> records;
    for (int i = 1; i <= 20; ++i)
        records.push_back({QString::number(i * i)});
    MakeRows({"Zahl"}, records);
    AddField<TrgDBCalc>(detail, "Zahl");
    auto* average = AddField<TrgDBCalc>(detail, "Zahl", 35000);
    average->SetDBCalcType(dcAverage);
    average->SetDisplayFormat(QStringLiteral("0.0"));
    auto* pageFooter = footer;
    auto* max = AddField<TrgDBCalc>(pageFooter, "Zahl", 35000, 0);
    max->SetDBCalcType(dcMaximum);
    report->SetPassSetting(psTwoPass);
    const std::vector<QString> sequence = PrintAll();
    ASSERT_EQ(sequence.size(), 7u);

    std::vector<int> order{3, 7, 1, 5, 2, 6, 4, 3};
    std::shuffle(order.begin(), order.end(), std::mt19937(115));
    const std::vector<QString> again = Regenerate(order);
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(again[i], sequence[size_t(order[i] - 1)]) << order[i];
    // Page 3 begins with record 7: the sum of the first seven squares and
    // their average.
    const QStringList third = DetailTexts({sequence[2]});
    ASSERT_GE(third.size(), 2);
    EXPECT_EQ(third.at(0), QString::number(7 * 8 * 15 / 6));
    EXPECT_EQ(third.at(1), QStringLiteral("20") + FormatSettings().DecimalSeparator + QStringLiteral("0"));
}

TEST_F(DataTextTest, DataTextsAndCalculationsKeepTheirSettingsInTheStream)
{
    MakeRows({"Zahl"}, {{"1"}});
    auto* calc = AddField<TrgDBCalc>(detail, "Zahl");
    calc->Name = QStringLiteral("Mittel");
    calc->SetDBCalcType(dcAverage);
    calc->SetDisplayFormat(QStringLiteral("0.00"));
    calc->SetBlankWhenZero(true);
    calc->SetSuppressRepeatedValues(true);
    calc->SetReprintOnSubsequent(true);
    auto* text = AddField(detail, "Zahl");
    text->Name = QStringLiteral("Wert");

    for (TrgDBText* original : {static_cast<TrgDBText*>(calc), text}) {
        SCOPED_TRACE(original->Name.toStdString());
        const QByteArray bytes = ComponentToBytes(original);
        const QByteArray form = ObjectBinaryToText(bytes);
        EXPECT_TRUE(form.contains("DataField = 'Zahl'")) << form.toStdString();
        std::unique_ptr<TComponent> read(ComponentFromBytes(bytes));
        auto* copy = dynamic_cast<TrgDBText*>(read.get());
        ASSERT_TRUE(copy) << form.toStdString();
        EXPECT_EQ(copy->DataField(), original->DataField());
        EXPECT_EQ(copy->DisplayFormat(), original->DisplayFormat());
        EXPECT_EQ(copy->BlankWhenZero(), original->BlankWhenZero());
        EXPECT_EQ(copy->SuppressRepeatedValues(), original->SuppressRepeatedValues());
        EXPECT_EQ(copy->ReprintOnSubsequent(), original->ReprintOnSubsequent());
        EXPECT_FALSE(copy->AutoSize());
        if (original == calc) {
            auto* copyCalc = dynamic_cast<TrgDBCalc*>(copy);
            ASSERT_TRUE(copyCalc);
            EXPECT_EQ(copyCalc->DBCalcType(), dcAverage);
        }
    }
}

}  // namespace
