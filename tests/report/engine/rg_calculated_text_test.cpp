// Calculated texts: page numbers, "n of m" fixed up once a one-pass report
// knows its page count, the print date and time from the engine's clock,
// custom values from OnCalc, the custom type taken only for custom values,
// and the obsolete data type of older templates.

#include "component_fixtures.h"
#include "platform/core/sys_utils.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/stream_text.h"
#include "report/engine/rg_calculated_text.h"

namespace {

class CalculatedTextTest : public TComponentsTest {
public:
    TrgCalc* AddCalc(TrgBand* Band, TrgCalcType Type, int Left = 35000)
    {
        auto* calc = new TrgCalc(&form);
        calc->SetBand(Band);
        calc->SetAutoSize(false);
        calc->SetmmBounds(Left, 0, 40000, 4000);
        calc->SetCalcType(Type);
        return calc;
    }
    // Seven records of 10 mm: three pages.
    void MakeThreePages()
    {
        rows = MakeRows(7);
        MakeMemoReport(rows.get(), 10000);
    }
    // The texts of the footer's calculation on each page.
    static QStringList FooterTexts(const std::vector<QString>& Pages)
    {
        QStringList texts;
        for (const QString& page : Pages) {
            const QStringList quoted = QuotedTexts({page});
            texts << quoted.last();
        }
        return texts;
    }
    std::unique_ptr<TListPipeline> rows;
};

TEST_F(CalculatedTextTest, PageNumbersAndPageSetsInBothPassModesAndLanguages)
{
    struct Case {
        TrgCalcType type;
        TrgPassSettingType pass;
        TrgLanguageType language;
        QStringList expected;
    };
    const Case cases[] = {
        {ctPageNo, psOnePass, lgEnglish, {"1", "2", "3"}},
        {ctPageCount, psTwoPass, lgEnglish, {"3", "3", "3"}},
        {ctPageSet, psOnePass, lgEnglish, {"1 of 3", "2 of 3", "3 of 3"}},
        {ctPageSet, psTwoPass, lgEnglish, {"1 of 3", "2 of 3", "3 of 3"}},
        {ctPageSetDesc, psOnePass, lgEnglish, {"Page 1 of 3", "Page 2 of 3", "Page 3 of 3"}},
        {ctPageSetDesc, psOnePass, lgGerman, {"Seite 1 von 3", "Seite 2 von 3", "Seite 3 von 3"}},
        {ctPageNoDesc, psTwoPass, lgGerman, {"Seite 1", "Seite 2", "Seite 3"}},
        {ctPageCount, psOnePass, lgEnglish, {"3", "3", "3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2 %3").arg(int(c.type)).arg(int(c.pass)).arg(int(c.language)).toStdString());
        auto holding = std::make_unique<THoldingReport>(&form);
        THoldingReport* held = holding.get();
        report = std::move(holding);
        SetUp();
        MakeThreePages();
        report->SetLanguage(c.language);
        report->SetPassSetting(c.pass);
        AddCalc(footer, c.type);
        const std::vector<QString> pages = PrintAll();
        // A one-pass report that prints the count counts its pages first.
        EXPECT_EQ(FooterTexts(pages), c.expected);
        EXPECT_EQ(FooterTexts(held->FixedUpPages()), c.expected);
        // Made again from the cache, a page says the same.
        EXPECT_EQ(FooterTexts(Regenerate({2})), QStringList{c.expected.at(1)});
    }
}

TEST_F(CalculatedTextTest, ThePrintDateAndTimeComeFromTheEnginesClock)
{
    MakeThreePages();
    // The fixture's clock: day 46000.5, 9 December 2025 at noon.
    TrgCalc* printed = AddCalc(header, ctPrintDateTime);
    printed->SetDisplayFormat(QStringLiteral("yyyy-mm-dd hh:nn"));
    TrgCalc* date = AddCalc(footer, ctDate, 0);
    date->SetDisplayFormat(QStringLiteral("dd.mm.yyyy"));
    TrgCalc* time = AddCalc(footer, ctTime);
    time->SetDisplayFormat(QStringLiteral("hh:nn"));
    const QStringList texts = QuotedTexts({PrintAll().at(0)});
    EXPECT_TRUE(texts.contains(QStringLiteral("2025-12-09 12:00"))) << texts.join(',').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("09.12.2025"))) << texts.join(',').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("12:00"))) << texts.join(',').toStdString();
}

TEST_F(CalculatedTextTest, ADateWithoutFormatUsesTheShortDateFormat)
{
    MakeThreePages();
    TrgCalc* date = AddCalc(header, ctDate);
    EXPECT_EQ(date->CustomType(), dtDate);
    const QStringList texts = QuotedTexts({PrintAll().at(0)});
    EXPECT_TRUE(texts.contains(FormatDateTime(FormatSettings().ShortDateFormat, 46000))) << texts.join(',').toStdString();
}

TEST_F(CalculatedTextTest, CustomValuesComeFromOnCalcForEachRecord)
{
    rows = MakeRows(3);
    MakeMemoReport(rows.get(), 5000);
    TrgCalc* custom = AddCalc(detail, ctCustom);
    custom->SetCustomType(dtInteger);
    ASSERT_EQ(custom->CustomType(), dtInteger);
    custom->OnCalc = [&](TObject*) { custom->AsInteger = 42 * (rows->RecordNo() + 1); };
    const QStringList texts = QuotedTexts(PrintAll());
    EXPECT_EQ(texts.mid(1, 3), (QStringList{"42", "84", "126"}));
}

TEST_F(CalculatedTextTest, TheCustomTypeIsTakenOnlyForCustomValues)
{
    rows = MakeRows(1);
    MakeMemoReport(rows.get());
    TrgCalc* date = AddCalc(detail, ctDate);
    date->SetCustomType(dtString);
    EXPECT_EQ(date->CustomType(), dtDate);
    date->SetCalcType(ctCustom);
    EXPECT_EQ(date->CustomType(), dtString);
    date->SetCustomType(dtDouble);
    EXPECT_EQ(date->CustomType(), dtDouble);
    date->SetCalcType(ctPageNo);
    EXPECT_EQ(date->CustomType(), dtInteger);
    date->SetCalcType(ctCustom);
    date->SetText(QStringLiteral("frei"));
    EXPECT_EQ(date->AsString, QStringLiteral("frei"));
    EXPECT_EQ(date->CustomType(), dtString);
}

TEST_F(CalculatedTextTest, TheDataTypeOfOlderTemplatesBecomesTheCustomType)
{
    struct Case {
        const char* dataType;
        TrgDataType expected;
    };
    for (const Case& c : {Case{"ftCurrency", dtDouble}, Case{"ftSmallint", dtInteger}, Case{"ftBoolean", dtBoolean},
                          Case{"ftTime", dtTime}, Case{"ftGraphic", dtString}}) {
        SCOPED_TRACE(c.dataType);
        const QByteArray text = QByteArray("object rgReport1: TrgReport\r\n"
                                           "  object rgDetailBand1: TrgDetailBand\r\n"
                                           "    mmHeight = 5000\r\n"
                                           "    object rgCalc1: TrgCalc\r\n"
                                           "      CalcType = ctCustom\r\n"
                                           "      CustomType = dtString\r\n"
                                           "      DataType = ") +
                                c.dataType +
                                "\r\n"
                                "      BandType = 4\r\n"
                                "    end\r\n"
                                "  end\r\n"
                                "end\r\n";
        TComponent owner(nullptr);
        TrgReport loaded(&owner);
        ComponentFromBytes(ObjectTextToBinary(text), &loaded);
        ASSERT_EQ(loaded.GetBandCount(), 1);
        auto* calc = dynamic_cast<TrgCalc*>(loaded.GetBandAt(0)->GetComponentAt(0));
        ASSERT_TRUE(calc);
        EXPECT_EQ(calc->CalcType(), ctCustom);
        EXPECT_EQ(calc->CustomType(), c.expected);
    }
}

}  // namespace
