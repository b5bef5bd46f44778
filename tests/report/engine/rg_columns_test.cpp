// Columns: records flow down one column and on into the next, column
// headers and footers in every column, given positions, and the errors of
// a position that is missing or cannot be read.

#include <QRegularExpression>

#include "engine_fixtures.h"

namespace {

// (text, left, top) of every text command of a dump.
struct TPlaced {
    QString Text;
    int Left = 0, Top = 0;
    bool operator==(const TPlaced&) const = default;
};

std::vector<TPlaced> Placed(const QString& Dump)
{
    std::vector<TPlaced> placed;
    static const QRegularExpression line(QStringLiteral("^TrgDrawText (\\d+) (\\d+) \\d+ \\d+ \"([^\"]*)\""),
                                         QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(Dump); it.hasNext();) {
        const auto match = it.next();
        placed.push_back({match.captured(3), match.captured(1).toInt(), match.captured(2).toInt()});
    }
    return placed;
}

void PrintTo(const TPlaced& Placed, std::ostream* Stream)
{
    *Stream << Placed.Text.toStdString() << "@" << Placed.Left << "," << Placed.Top;
}

class ColumnTest : public TEngineTest {
protected:
    // Header 5 mm, two columns of 10 mm records with a 3 mm column header
    // and column footer, page footer 5 mm: 24 mm of body per column, two
    // records each.
    void MakeColumnReport(int Records)
    {
        rows = MakeRows(Records);
        report->SetColumns(2);
        MakeListReport(rows.get());
        for (TrgLabel* label : {static_cast<TrgLabel*>(detail->GetComponentAt(0))})
            label->SetmmWidth(20000);
        AddLabel(AddBand<TrgColumnHeaderBand>(3000), QStringLiteral("Spalte"), 0, 0, 2000);
        AddLabel(AddBand<TrgColumnFooterBand>(3000), QStringLiteral("Ende"), 0, 0, 2000);
    }
    std::unique_ptr<TListPipeline> rows;
};

TEST_F(ColumnTest, RecordsFillTheFirstColumnThenTheSecond)
{
    MakeColumnReport(5);
    const int columnWidth = (kPaperWidth - 2 * kMargin) / 2;
    EXPECT_EQ(report->mmColumnWidth(), columnWidth);
    QStringList events;
    report->OnStartColumn = [&](TObject*) { events << QStringLiteral("start %1").arg(report->Engine()->ColumnNo()); };
    report->OnEndColumn = [&](TObject*) { events << QStringLiteral("end %1").arg(report->Engine()->ColumnNo()); };
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 2u);
    const int second = kMargin + columnWidth;
    // Column top 15 mm; column footer at 50 - 5 - 3 = 42 mm.
    const std::vector<TPlaced> first = {
        {"Kopf", kMargin, 10000},        {"Spalte", kMargin, 15000},     {"Satz 1", kMargin, 19000},
        {"Satz 2", kMargin, 29000},      {"Ende", kMargin, 42000},       {"Spalte", second, 15000},
        {"Satz 3", second, 19000},       {"Satz 4", second, 29000},      {"Ende", second, 42000},
        {"Fuß", kMargin, 45000},
    };
    EXPECT_EQ(Placed(pages[0]), first);
    EXPECT_EQ(Placed(pages[1]), (std::vector<TPlaced>{{"Kopf", kMargin, 10000},
                                                       {"Spalte", kMargin, 15000},
                                                       {"Satz 5", kMargin, 19000},
                                                       {"Ende", kMargin, 42000},
                                                       {"Fuß", kMargin, 45000}}));
    EXPECT_EQ(events.mid(0, 4), (QStringList{"start 1", "end 1", "start 2", "end 2"}));
}

TEST_F(ColumnTest, GivenPositionsPlaceTheColumns)
{
    MakeColumnReport(3);
    *report->ColumnPositions() = TStringList();
    report->ColumnPositions()->Add(QStringLiteral("15000"));
    report->ColumnPositions()->Add(QStringLiteral("62500.4"));
    // With the program's decimal separator too, as a loaded report holds them.
    for (const QString& second : {QStringLiteral("62500.4"), QStringLiteral("62500,4")}) {
        SCOPED_TRACE(second.toStdString());
        report->ColumnPositions()->SetStrings(1, second);
        const std::vector<QString> pages = PrintAll();
        ASSERT_EQ(pages.size(), 1u);
        const std::vector<TPlaced> placed = Placed(pages[0]);
        EXPECT_NE(std::find(placed.begin(), placed.end(), TPlaced{"Satz 1", 15000, 19000}), placed.end());
        EXPECT_NE(std::find(placed.begin(), placed.end(), TPlaced{"Satz 3", 62500, 19000}), placed.end())
            << pages[0].toStdString();
    }
}

TEST_F(ColumnTest, AMissingOrUnreadablePositionEndsTheJob)
{
    struct Case {
        QStringList positions;
        QString message;
    };
    const Case cases[] = {
        {{"15000"}, QStringLiteral("Unable to find position for column 2.")},
        {{"15000", "rechts"}, QStringLiteral("Unable to convert position for column 2.")},
    };
    for (const Case& c : cases) {
        report = std::make_unique<TCapturingReport>(&form);
        SetUp();
        MakeColumnReport(5);
        for (const QString& position : c.positions)
            report->ColumnPositions()->Add(position);
        try {
            PrintAll();
            ADD_FAILURE() << "no error";
        } catch (const EPrintError& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), c.message);
        }
        EXPECT_FALSE(report->Engine()->PageRequestRunning());
    }
}

TEST_F(ColumnTest, ColumnPagesMadeAgainEqualTheSequence)
{
    MakeColumnReport(11);
    const std::vector<QString> sequence = PrintAll();
    ASSERT_EQ(sequence.size(), 3u);
    for (int page : {2, 3, 1, 2}) {
        report->Pages.clear();
        report->PageRequest(psSinglePage, page, nullptr);
        ASSERT_EQ(report->Pages.size(), 1u);
        EXPECT_EQ(Placed(report->Pages[0]), Placed(sequence[size_t(page - 1)])) << page;
    }
}

}  // namespace
