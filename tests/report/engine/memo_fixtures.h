#pragma once
// Helpers of the memo and stretchable tests: a report of one header, one
// detail band holding memos and one footer, and readers of the memo lines
// in page dumps.

#include <QRegularExpression>

#include "engine_fixtures.h"
#include "report/engine/rg_memo.h"

// The wrapped lines of the memos of a dump, in page order.
inline QStringList MemoLines(const QString& Dump)
{
    QStringList lines;
    static const QRegularExpression wrapped(QStringLiteral("\\[([^\\]]*)\\]"));
    for (auto it = wrapped.globalMatch(Dump); it.hasNext();)
        lines << it.next().captured(1).split(QLatin1Char('|'));
    return lines;
}

inline QStringList MemoLines(const std::vector<QString>& Pages)
{
    QStringList lines;
    for (const QString& page : Pages)
        lines << MemoLines(page);
    return lines;
}

// "Absatz 1" ... "Absatz Count", one paragraph a line.
inline QStringList Paragraphs(int Count, int From = 1)
{
    QStringList paragraphs;
    for (int i = From; i < From + Count; ++i)
        paragraphs << QStringLiteral("Absatz %1").arg(i);
    return paragraphs;
}

class TMemoTest : public TEngineTest {
public:
    // Header and footer of 5 mm and a detail band of DetailHeight over
    // Rows; the body between them is 30 mm high, seven memo lines.
    void MakeMemoReport(TListPipeline* Rows, int DetailHeight = 5000)
    {
        header = AddBand<TrgHeaderBand>(5000);
        AddLabel(header, QStringLiteral("Kopf"), 0, 0);
        detail = AddBand<TrgDetailBand>(DetailHeight);
        footer = AddBand<TrgFooterBand>(5000);
        AddLabel(footer, QStringLiteral("Fuß"), 0, 0);
        report->SetDataPipeline(Rows);
    }
    TrgDBMemo* AddDBMemo(TrgBand* Band, const QString& Field, int Left, int Top, bool Stretch = true)
    {
        auto* memo = new TrgDBMemo(&form);
        memo->SetBand(Band);
        memo->SetmmBounds(Left, Top, 30000, 4000);
        memo->SetDataPipeline(report->DataPipeline());
        memo->SetDataField(Field);
        memo->SetStretch(Stretch);
        return memo;
    }
    TrgMemo* AddMemo(TrgBand* Band, const QStringList& Lines, int Left, int Top, bool Stretch = true)
    {
        auto* memo = new TrgMemo(&form);
        memo->SetBand(Band);
        memo->SetmmBounds(Left, Top, 30000, 4000);
        TStringList lines;
        for (const QString& line : Lines)
            lines.Add(line);
        memo->SetLines(lines);
        memo->SetStretch(Stretch);
        return memo;
    }
    // Rows of one field "Text", each the given paragraphs.
    static std::unique_ptr<TListPipeline> MakeTexts(const std::vector<QStringList>& Texts)
    {
        std::vector<QStringList> rows;
        for (const QStringList& text : Texts)
            rows.push_back({text.join(QLatin1Char('\n'))});
        return std::make_unique<TListPipeline>(nullptr, QStringList{QStringLiteral("Text")}, rows);
    }
    // Every page again, in the given order.
    std::vector<QString> Regenerate(const std::vector<int>& Order)
    {
        std::vector<QString> pages;
        for (int page : Order) {
            report->Pages.clear();
            report->PageRequest(psSinglePage, page, nullptr);
            EXPECT_EQ(report->Pages.size(), 1u) << page;
            pages.push_back(report->Pages.empty() ? QString() : report->Pages[0]);
        }
        return pages;
    }
};
