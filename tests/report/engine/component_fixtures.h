#pragma once
// Helpers of the tests of band components (memos, stretchables, data texts,
// calculations): a report of one header, one detail band and one footer,
// typed rows, and readers of the texts and memo lines in page dumps.

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

// The quoted texts of the pages' draw commands, in page order.
inline QStringList QuotedTexts(const std::vector<QString>& Pages)
{
    QStringList texts;
    static const QRegularExpression quoted(QStringLiteral("\"([^\"]*)\""));
    for (const QString& page : Pages)
        for (auto it = quoted.globalMatch(page); it.hasNext();)
            texts << it.next().captured(1);
    return texts;
}

// Rows whose fields have types: "Zahl" fields are doubles, "Ja" fields
// Booleans (given as "1" or "0"), the rest strings.
class TTypedPipeline : public TListPipeline {
public:
    using TListPipeline::TListPipeline;
    TrgDataType GetFieldDataType(const QString& Name) override
    {
        if (Name.startsWith(QLatin1String("Zahl")))
            return dtDouble;
        return Name.startsWith(QLatin1String("Ja")) ? dtBoolean : dtString;
    }
    QString GetFieldAsString(const QString& Name) override
    {
        const QString text = TListPipeline::GetFieldAsString(Name);
        if (GetFieldDataType(Name) == dtBoolean)
            return text == QLatin1String("1") ? QStringLiteral("True") : QStringLiteral("False");
        return text;
    }
    QVariant GetFieldValue(const QString& Name) override
    {
        const QString text = TListPipeline::GetFieldAsString(Name);
        if (text.isEmpty())
            return {};
        if (GetFieldDataType(Name) == dtDouble)
            return text.toDouble();
        return text;
    }
};

// "Absatz 1" ... "Absatz Count", one paragraph a line.
inline QStringList Paragraphs(int Count, int From = 1)
{
    QStringList paragraphs;
    for (int i = From; i < From + Count; ++i)
        paragraphs << QStringLiteral("Absatz %1").arg(i);
    return paragraphs;
}

// Keeps a copy of every final page, as a preview's publisher holds them.
class THoldingReport : public TCapturingReport {
public:
    using TCapturingReport::TCapturingReport;
    std::vector<std::unique_ptr<TrgPage>> Held;
    void PageGenerated() override
    {
        TCapturingReport::PageGenerated();
        if (!Engine()->Page()->CalculationOnly && Engine()->Page()->Final) {
            Held.push_back(std::make_unique<TrgPage>(nullptr));
            Held.back()->Assign(Engine()->Page());
        }
    }
    // The held pages once the count is known: their waiting texts are
    // worked out again.
    std::vector<QString> FixedUpPages()
    {
        std::vector<QString> pages;
        for (auto& page : Held) {
            page->PageCount = page->AbsolutePageCount = int(Held.size());
            page->UpdatePendingCalcs(nullptr);
            pages.push_back(DumpPage(*page));
        }
        return pages;
    }
};

class TComponentsTest : public TEngineTest {
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
