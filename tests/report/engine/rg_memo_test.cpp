// Memos: lines typed into the report and texts of a field, wrapped into the
// memo's width, stretching over as many pages as they need and continuing
// from the character where a page ended; the same pages when regenerated
// from the page cache in any order.

#include <algorithm>
#include <random>

#include "component_fixtures.h"
#include "platform/core/sys_utils.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_word_wrap.h"

namespace {

using MemoTest = TComponentsTest;

TEST_F(MemoTest, TwoHundredParagraphsPrintOnceEachInOrderOverManyPages)
{
    const QStringList paragraphs = Paragraphs(200);
    auto rows = MakeTexts({paragraphs});
    MakeMemoReport(rows.get());
    AddDBMemo(detail, QStringLiteral("Text"), 0, 0);
    const std::vector<QString> pages = PrintAll();

    ASSERT_EQ(pages.size(), size_t((200 + 6) / 7)) << "seven lines of 4233 fit in the 30 mm body";
    EXPECT_EQ(MemoLines(pages), paragraphs);
    for (const QString& page : pages) {
        EXPECT_TRUE(page.contains(QStringLiteral("\"Kopf\""))) << page.toStdString();
        EXPECT_TRUE(page.contains(QStringLiteral("\"Fuß\""))) << page.toStdString();
    }
}

TEST_F(MemoTest, PagesRegeneratedInReverseAndRandomOrderEqualTheSequence)
{
    auto rows = MakeTexts({Paragraphs(60), Paragraphs(20, 61)});
    MakeMemoReport(rows.get());
    AddDBMemo(detail, QStringLiteral("Text"), 0, 0);
    // Two passes, so the pages made in sequence know the page count too.
    report->SetPassSetting(psTwoPass);
    const std::vector<QString> sequence = PrintAll();
    ASSERT_GT(sequence.size(), 10u);
    EXPECT_EQ(MemoLines(sequence), Paragraphs(80));

    std::vector<int> order;
    for (int page = int(sequence.size()); page >= 1; --page)
        order.push_back(page);
    std::vector<QString> reverse = Regenerate(order);
    std::reverse(reverse.begin(), reverse.end());
    EXPECT_EQ(reverse, sequence);

    std::shuffle(order.begin(), order.end(), std::mt19937(36));
    const std::vector<QString> shuffled = Regenerate(order);
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(shuffled[i], sequence[size_t(order[i] - 1)]) << order[i];
}

TEST_F(MemoTest, AContinuationStartsAtTheBandsTopPlusTheOverflowOffset)
{
    auto rows = MakeTexts({Paragraphs(10)});
    MakeMemoReport(rows.get());
    TrgDBMemo* memo = AddDBMemo(detail, QStringLiteral("Text"), 2000, 1000);
    memo->SetmmOverFlowOffset(3000);
    const std::vector<QString> pages = PrintAll();

    int lineHeight = 0;
    rgGetLineMetrics(*memo->Font(), 0, 100000, lineHeight, measure);
    const QString font = QStringLiteral("MS Sans Serif/8");
    const int bodyTop = kMargin + 5000;
    ASSERT_EQ(pages.size(), 2u);
    // Page 1: the memo's design top, as many lines as fit above the footer.
    const int firstLines = (kBodyBottom - 5000 - (bodyTop + 1000)) / lineHeight;
    EXPECT_EQ(pages[0].split('\n').at(2),
              QStringLiteral("TrgDrawText %1 %2 30000 %3 \"\" %4 [%5]")
                  .arg(kMargin + 2000)
                  .arg(bodyTop + 1000)
                  .arg(firstLines * lineHeight)
                  .arg(font, Paragraphs(firstLines).join('|')));
    // Page 2: the band's top plus the offset, whatever the design top.
    EXPECT_EQ(pages[1].split('\n').at(2),
              QStringLiteral("TrgDrawText %1 %2 30000 %3 \"\" %4 [%5]")
                  .arg(kMargin + 2000)
                  .arg(bodyTop + 3000)
                  .arg((10 - firstLines) * lineHeight)
                  .arg(font, Paragraphs(10 - firstLines, firstLines + 1).join('|')));
}

TEST_F(MemoTest, LongLinesWrapIntoTheWidthAndContinueMidParagraph)
{
    // 30 mm hold 14 characters of 2.117 mm.
    const QString paragraph = QStringLiteral("eins zwei drei vier fuenf sechs sieben acht neun zehn elf zwoelf");
    QStringList texts;
    for (int i = 0; i < 6; ++i)
        texts << paragraph;
    auto rows = MakeTexts({texts});
    MakeMemoReport(rows.get());
    AddDBMemo(detail, QStringLiteral("Text"), 0, 0);
    const std::vector<QString> pages = PrintAll();

    const QStringList lines = MemoLines(pages);
    ASSERT_GT(pages.size(), 2u);
    EXPECT_EQ(lines.join(' ').simplified(), texts.join(' ')) << "every word once, in order";
    for (const QString& line : lines)
        EXPECT_LE(measure.TextWidth(line), 30000.0 / 25400 * 1200) << line.toStdString();
}

TEST_F(MemoTest, MemosOfFollowingRecordsStartBelowTheOneBefore)
{
    auto rows = MakeTexts({Paragraphs(3), Paragraphs(9, 4), Paragraphs(2, 13)});
    MakeMemoReport(rows.get());
    AddDBMemo(detail, QStringLiteral("Text"), 0, 0);
    const std::vector<QString> pages = PrintAll();

    ASSERT_EQ(pages.size(), 2u);
    // Record 2 begins on page 1 under record 1 and continues on page 2.
    EXPECT_EQ(MemoLines(pages[0]), Paragraphs(7));
    EXPECT_EQ(MemoLines(pages[1]), Paragraphs(7, 8));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("TrgDrawText 10000 27699 30000 16932 \"\""))) << pages[0].toStdString()
        << "record 2 at 15000 plus three lines of 4233";
}

TEST_F(MemoTest, AMemoWithoutStretchPrintsWhatFitsItsHeightAndNeverOverflows)
{
    auto rows = MakeTexts({Paragraphs(5), Paragraphs(5, 6)});
    MakeMemoReport(rows.get(), 10000);
    TrgDBMemo* memo = AddDBMemo(detail, QStringLiteral("Text"), 0, 0, false);
    memo->SetmmHeight(9000);
    const std::vector<QString> pages = PrintAll();

    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(MemoLines(pages), (QStringList{"Absatz 1", "Absatz 2", "Absatz 6", "Absatz 7"}));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("TrgDrawText 10000 25000 30000 9000"))) << pages[0].toStdString();
}

TEST_F(MemoTest, AnEmptyMemoUsesNoSpaceAndDoesNotOverflow)
{
    auto rows = MakeTexts({{}, Paragraphs(1)});
    MakeMemoReport(rows.get());
    TrgDBMemo* memo = AddDBMemo(detail, QStringLiteral("Text"), 0, 0);
    memo->SetmmBottomOffset(2000);
    const std::vector<QString> pages = PrintAll();

    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(MemoLines(pages), Paragraphs(1));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("TrgDrawText 10000 15000 "))) << "no gap below the empty one";
    EXPECT_FALSE(memo->Continued());
}

TEST_F(MemoTest, AFieldThatCannotBeReadPrintsTheErrorText)
{
    class TFailingPipeline : public TListPipeline {
    public:
        using TListPipeline::TListPipeline;
        QString GetFieldAsString(const QString&) override { throw std::runtime_error("unreadable"); }
    };
    TFailingPipeline rows(nullptr, {QStringLiteral("Text")}, {{QStringLiteral("x")}});
    for (TrgLanguageType language : {lgEnglish, lgGerman}) {
        SCOPED_TRACE(int(language));
        report = std::make_unique<TCapturingReport>(&form);
        SetUp();
        report->SetLanguage(language);
        MakeMemoReport(&rows);
        AddDBMemo(detail, QStringLiteral("Text"), 0, 0);
        const std::vector<QString> pages = PrintAll();
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(MemoLines(pages).join(' '), rgLoadString(rgLanguageResourceBase(language) + 399));
    }
    EXPECT_EQ(rgLoadString(rgLanguageResourceBase(lgEnglish) + 399), QStringLiteral("Error loading memo."));
}

TEST_F(MemoTest, OnGetMemoFillsTheLinesOfEachRecord)
{
    auto rows = MakeRows(2);
    MakeMemoReport(rows.get());
    TrgDBMemo* memo = AddDBMemo(detail, QString(), 0, 0);
    memo->OnGetMemo = [&](TObject*, TStringList* Lines) {
        Lines->Add(QStringLiteral("zu ") + rows->GetFieldAsString(QStringLiteral("Name")));
    };
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(MemoLines(pages), (QStringList{"zu Satz 1", "zu Satz 2"}));
}

TEST_F(MemoTest, TypedLinesPrintAsTheyStandAndCharWrapIsKeptWhilePrinting)
{
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get());
    TrgMemo* memo = AddMemo(detail, {QStringLiteral("Zeile eins"), QString(), QStringLiteral("Zeile drei")}, 0, 0);
    memo->OnPrint = [memo](TObject*) { memo->SetCharWrap(true); };
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(MemoLines(pages), (QStringList{"Zeile eins", "", "Zeile drei"}));
    EXPECT_FALSE(memo->CharWrap()) << "not changed while printing";
    memo->SetCharWrap(true);
    EXPECT_TRUE(memo->CharWrap());
}

TEST_F(MemoTest, TabStopsGetTheLocalesDecimalSeparatorAfterLoading)
{
    auto rows = MakeRows(1);
    MakeMemoReport(rows.get());
    TrgMemo* memo = AddMemo(detail, {"a\tb"}, 0, 0);
    TStringList stops;
    stops.Add(QStringLiteral("12.5"));
    stops.Add(QStringLiteral("25400"));
    // As a stream of a system with "." stored them.
    memo->SetLoading(true);
    memo->SetTabStopPositions(stops);
    memo->SetLoading(false);
    const QChar separator = FormatSettings().DecimalSeparator;
    report->Loaded();
    EXPECT_EQ(memo->mmTabStopPositions()->Strings(0), QStringLiteral("12") + separator + QStringLiteral("5"));
    EXPECT_EQ(memo->mmTabStopPositions()->Strings(1), QStringLiteral("25400"));
    // Shown in inches: 25400 thousandths are one inch.
    EXPECT_EQ(memo->TabStopPositions()->Strings(1), QStringLiteral("1"));
}

// A continuing memo that finds no room for one line on a page keeps the
// character where it stopped; starting its text again would print the first
// pages' paragraphs twice.
TEST_F(MemoTest, AContinuationWithoutRoomForALineKeepsItsPosition)
{
    auto rows = MakeTexts({Paragraphs(20)});
    MakeMemoReport(rows.get());
    TrgDBMemo* memo = AddDBMemo(detail, QStringLiteral("Text"), 0, 0);
    // On page 2 the offset leaves less than one line above the footer.
    memo->OnPrint = [this, memo](TObject*) {
        memo->SetmmOverFlowOffset(report->Engine()->AbsolutePageNo() == 2 ? 27000 : 0);
    };
    const std::vector<QString> pages = PrintAll();

    ASSERT_GE(pages.size(), 4u);
    EXPECT_TRUE(MemoLines(pages[1]).isEmpty());
    EXPECT_EQ(MemoLines(pages), Paragraphs(20));
}

}  // namespace
