// Tests of the xBase expression compiler and evaluator over album records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "expr_test_record.h"
#include "platform/dbf/expr_date.h"
#include "platform/dbf/expr_expression.h"
#include "platform/dbf/expr_key.h"
#include "platform/dbf/expr_text.h"

using namespace dbfexpr;
using exprtest::AlbumRecord;
using exprtest::SampleAlbumRecord;
using exprtest::TestRecord;

namespace {

const std::int32_t kToday = ExprJulianDay(2026, 12, 9);

ExprContext Context()
{
    ExprContext ctx;
    ctx.recNo = 7;
    ctx.clock = [] { return kToday; };
    return ctx;
}

struct Compiled {
    std::unique_ptr<Expression> expr;
    ExprError error;
};

Compiled Compile(const std::string& text, const TestRecord& r, const ExprCompileOptions& options = {})
{
    Compiled c;
    c.expr = Expression::Compile(text, r.Fields(), c.error, options);
    return c;
}

// Evaluates and renders the value for comparison: C:"text", N:number,
// D:yyyymmdd, L:.T./.F.
std::string Render(const std::string& text, const TestRecord& r, const ExprContext& ctx = Context())
{
    Compiled c = Compile(text, r);
    if (!c.expr)
        return "compile error: " + ExprErrorText(c.error);
    ExprValue v;
    ExprError err;
    if (!c.expr->Evaluate(r.Data(), r.Size(), ctx, v, &err))
        return "run error: " + ExprErrorText(err);
    switch (v.type) {
    case ExprType::Character: return "C:" + std::string(v.text);
    case ExprType::Numeric: {
        std::string s = std::to_string(v.number);
        s.erase(s.find_last_not_of('0') + 1);
        if (s.back() == '.')
            s.pop_back();
        return "N:" + s;
    }
    case ExprType::Date: {
        char buf[8];
        ExprDbfFromJulian(static_cast<std::int32_t>(v.number), buf);
        return "D:" + std::string(buf, 8);
    }
    case ExprType::Logical: return v.logical ? "L:.T." : "L:.F.";
    }
    return "?";
}

struct Case {
    const char* expression;
    const char* expected;
};

void RunCases(const std::vector<Case>& cases, const TestRecord& r, const ExprContext& ctx = Context())
{
    for (const Case& c : cases)
        EXPECT_EQ(Render(c.expression, r, ctx), c.expected) << "expression: " << c.expression;
}

}  // namespace

TEST(ExprExpression, FieldsLiteralsAndOperators)
{
    const TestRecord r = SampleAlbumRecord();
    RunCases(
        {
            // fields of each album type; names ignore case, an alias is accepted
            {"Owner", "C:Anna M\xFC" "ller    "},
            {"bilder->Breite", "N:800"},
            {"LabelKennung", "C:-123456789    "},  // the name given at creation, cut to 10 in the file
            {"BREITE + HOEHE", "N:1400"},
            {"ZoomFactor * 2", "N:3"},
            {"AufnDatum", "D:20240315"},
            {"Markiert", "L:.T."},
            {"Privat", "L:.F."},
            // literals
            {"'abc' + [def] + \"g\"", "C:abcdefg"},
            {"{15.03.2024}", "D:20240315"},
            {"{^2024-03-15}", "D:20240315"},
            {"{}", "D:        "},
            {".t. .AND. .Y.", "L:.T."},
            {".N. .or. .f.", "L:.F."},
            {".5 + 1", "N:1.5"},
            // precedence: * before +, ^ before unary minus, relations before .NOT.
            {"2 + 3 * 4", "N:14"},
            {"(2 + 3) * 4", "N:20"},
            {"-2 ^ 2", "N:-4"},
            {"2 ** 3 ** 2", "N:512"},
            {"7 % 3", "N:1"},
            {"-7 % 3", "N:2"},
            {"10 / 4", "N:2.5"},
            {".NOT. 1 = 2", "L:.T."},
            {"!Zugriff", "L:.F."},
            {".T. .OR. .F. .AND. .F.", "L:.T."},
            {"(.T. .OR. .F.) .AND. .F.", "L:.F."},
            // "-" on texts moves the trailing blanks to the end
            {"'ab  ' - 'cd'", "C:abcd  "},
            {"'ab  ' + 'cd'", "C:ab  cd"},
            // date arithmetic
            {"AufnDatum + 20", "D:20240404"},
            {"FileDate - AufnDatum", "N:17"},
            {"AufnDatum - 15", "D:20240229"},
            {"{} + 3", "D:        "},
            // relations on numbers, dates, logicals; $ contained in
            {"Breite >= 800 .AND. Hoehe < 601", "L:.T."},
            {"Breite # 800", "L:.F."},
            {"Breite != 799", "L:.T."},
            {"AufnDatum < FileDate", "L:.T."},
            {"Markiert = Zugriff", "L:.T."},
            {"'see' $ ShortDesc", "L:.T."},
            {"'SEE' $ ShortDesc", "L:.F."},
            {"'' $ ShortDesc", "L:.F."},
        },
        r);
}

TEST(ExprExpression, Functions)
{
    const TestRecord r = SampleAlbumRecord();
    RunCases(
        {
            {"DELETED()", "L:.F."},
            {"RECNO()", "N:7"},
            {"DATE()", "D:20261209"},
            {"UPPER(ShortDesc) = 'URLAUB AM BODENSEE \xC4\xD6\xDC\xDF'", "L:.T."},
            {"LOWER('\xC4\xD6\xDC\xDF ABC')", "C:\xE4\xF6\xFC\xDF abc"},
            {"LEFT(Serie, 3)", "C:Som"},
            {"LEFT(Serie, 0)", "C:"},
            {"LEFT(Serie, 99)", "C:Sommer    "},
            {"RIGHT('abcdef', 2)", "C:ef"},
            {"SUBSTR('abcdef', 2, 3)", "C:bcd"},
            {"SUBSTR('abcdef', 4)", "C:def"},
            {"SUBSTR('abcdef', 9, 2)", "C:"},
            {"SUBS('abcdef', 0, 2)", "C:ab"},
            {"TRIM(Serie) + '|'", "C:Sommer|"},
            {"RTRIM(Serie) + '|'", "C:Sommer|"},
            {"LTRIM('  ab ') + '|'", "C:ab |"},
            {"ALLTRIM('  ab ') + '|'", "C:ab|"},
            {"ALLTRIM('   ')", "C:"},
            {"STR(Breite)", "C:       800"},
            {"STR(3.14159, 6, 2)", "C:  3.14"},
            {"STR(2.675, 5, 2)", "C: 2.68"},
            {"STR(-2.5, 4)", "C:  -3"},
            {"STR(123.456, 5, 2)", "C:123.5"},
            {"STR(123456, 4)", "C:****"},
            {"STR(-0.4, 3)", "C:  0"},
            {"LTRIM(STR(Bytes, 19))", "C:123456"},
            {"VAL(Quelle)", "N:1"},
            {"VAL(' -12.5xyz')", "N:-12.5"},
            {"VAL('abc')", "N:0"},
            {"DTOS(AufnDatum)", "C:20240315"},
            {"DTOS({})", "C:        "},
            {"DTOC(AufnDatum)", "C:15.03.2024"},
            {"CTOD('01.02.2024')", "D:20240201"},
            {"CTOD('31.02.2024')", "D:        "},
            {"CTOD('1.2.24')", "D:20240201"},
            {"YEAR(AufnDatum) * 10000 + MONTH(AufnDatum) * 100 + DAY(AufnDatum)", "N:20240315"},
            {"YEAR({})", "N:0"},
            {"IIF(Breite > Hoehe, 'quer', 'hoch')", "C:quer"},
            {"IIF(Privat, 1, 2)", "N:2"},
            {"AT('Boden', ShortDesc)", "N:11"},
            {"AT('x', 'abc')", "N:0"},
            {"EMPTY(Reserve2)", "L:.T."},
            {"EMPTY(Reserve3)", "L:.F."},
            {"EMPTY(CHR(9) + CHR(13) + CHR(10) + ' ') .AND. EMPTY('')", "L:.T."},
            {"EMPTY(0) .AND. EMPTY({}) .AND. EMPTY(.F.)", "L:.T."},
            {"EMPTY(Breite)", "L:.F."},
            {"LEN(Serie)", "N:10"},
            {"LEN(TRIM(Serie))", "N:6"},
            {"SPACE(3) + '|'", "C:   |"},
            {"REPLICATE('ab', 3)", "C:ababab"},
            {"PADL('ab', 4)", "C:  ab"},
            {"PADR('ab', 4, '*')", "C:ab**"},
            {"PADL('abcdef', 3)", "C:abc"},
            {"INT(-3.7)", "N:-3"},
            {"ABS(-3.5)", "N:3.5"},
            {"ROUND(2.345, 2)", "N:2.35"},
            {"ROUND(1234, -2)", "N:1200"},
            {"MOD(-7, 3)", "N:2"},
            {"MIN(Breite, Hoehe)", "N:600"},
            {"MAX(AufnDatum, FileDate)", "D:20240401"},
            {"MIN('b', 'abc')", "C:abc"},
            {"BETWEEN(Breite, 600, 800)", "L:.T."},
            {"CHR(65) + STR(ASC('B'), 2)", "C:A66"},
        },
        r);
}

TEST(ExprExpression, DeletedFlagComesFromTheRecordBuffer)
{
    TestRecord r = SampleAlbumRecord();
    EXPECT_EQ(Render(".not. deleted()", r), "L:.T.");
    r.SetDeleted(true);
    EXPECT_EQ(Render(".not. deleted()", r), "L:.F.");
    EXPECT_EQ(Render("(.not. deleted()) .and. (Zugriff)", r), "L:.F.");
}

TEST(ExprExpression, EqualFollowsSetExact)
{
    const TestRecord r = SampleAlbumRecord();
    struct ExactCase {
        const char* expression;
        bool exactOff;
        bool exactOn;
    };
    const ExactCase cases[] = {
        // the stored value begins with the compared text
        {"Serie = 'Som'", true, false},
        {"Serie = 'Sommer'", true, true},
        {"Serie = 'Sommer    '", true, true},
        {"Serie = ''", true, false},
        {"Serie = 'Sommerzeit'", false, false},
        {"'Som' = Serie", false, false},
        {"'abc' = 'abc  '", true, true},
        {"'abc  ' = 'abc'", true, true},
        {"Serie <> 'Som'", false, true},
        {"Serie # 'Som'", false, true},
        // == is exact whatever the setting: trailing blanks count
        {"Serie == 'Sommer'", false, false},
        {"TRIM(Serie) == 'Sommer'", true, true},
        {"Serie == 'Sommer    '", true, true},
        // the filter expressions the program builds
        {"QUELLE = \"1 \"", true, true},
        {"PLAYLIST = \"12\"", true, true},
        {"LABEL = \"URLAUB\"", true, false},
        {"OWNER = \"Anna M\xFC" "ller    \"", true, true},
        {"BREITE = 800", true, true},
        // ordering compares over the right text's length without EXACT
        {"'abcd' > 'abc'", false, true},
        {"'abcd' >= 'abc'", true, true},
        {"'abc' < 'abd'", true, true},
        {"'ab' < 'abc'", true, true},
    };
    for (const auto& c : cases) {
        ExprContext ctx = Context();
        ctx.exact = false;
        EXPECT_EQ(Render(c.expression, r, ctx), c.exactOff ? "L:.T." : "L:.F.") << c.expression << " exact off";
        ctx.exact = true;
        EXPECT_EQ(Render(c.expression, r, ctx), c.exactOn ? "L:.T." : "L:.F.") << c.expression << " exact on";
    }
}

TEST(ExprExpression, ResultTypeIsKnownBeforeEvaluation)
{
    const TestRecord r = AlbumRecord();
    const std::pair<const char*, ExprType> cases[] = {
        {"Lower(Label)", ExprType::Character}, {"Bytes", ExprType::Numeric},
        {"AufnDatum", ExprType::Date},         {".not. deleted()", ExprType::Logical},
        {"DTOS(FileDate)", ExprType::Character}, {"IIF(Markiert, Bytes, 0)", ExprType::Numeric},
    };
    for (const auto& [text, type] : cases) {
        Compiled c = Compile(text, r);
        ASSERT_TRUE(c.expr) << text << ": " << c.error.message;
        EXPECT_EQ(c.expr->Type(), type) << text;
    }
    // The answers of the engine's type test.
    EXPECT_EQ(static_cast<int>(ExprType::Character), 1);
    EXPECT_EQ(static_cast<int>(ExprType::Numeric), 2);
    EXPECT_EQ(static_cast<int>(ExprType::Logical), 3);
}

TEST(ExprExpression, RefusesBadTextWithPositionAndReason)
{
    const TestRecord r = AlbumRecord();
    struct ErrorCase {
        const char* expression;
        std::size_t position;
        const char* reason;  // part of the message
    };
    const ErrorCase cases[] = {
        {"", 1, "Leerer Ausdruck"},
        {"   ", 4, "Leerer Ausdruck"},
        {"Breite +", 9, "Wert erwartet"},
        {"(Breite + 1", 12, "')' erwartet"},
        {"Breite + 1)", 11, "')' ohne"},
        {"Breite 1", 8, "Operator oder Ende"},
        {"Nichtda = 1", 1, "Unbekanntes Feld \"NICHTDA\""},
        {"Foo(1)", 1, "Unbekannte Funktion FOO()"},
        {"Left(Label)", 1, "LEFT() erwartet 2 Argument(e), nicht 1"},
        {"Left(Label, 2", 14, "',' oder ')' erwartet"},
        {"'abc", 1, "Zeichenkette ohne schließendes '"},
        {"[abc", 1, "ohne schließendes ]"},
        {"{31.02.2024}", 1, "Ungültiges Datum"},
        {"{15.03.2024", 1, "Datum ohne schließende }"},
        {"Breite = 'x'", 8, "Datentypen passen nicht"},
        {"Label + 1", 7, "Datentypen passen nicht"},
        {"Label .AND. .T.", 7, ".AND. braucht logische Werte"},
        {".NOT. Label", 1, ".NOT. braucht einen logischen Wert"},
        {"Upper(Breite)", 7, "Argument 1 muss vom Typ Zeichen sein"},
        {"IIF(Markiert, 1, 'a')", 18, "denselben Typ"},
        {"IIF(Label, 1, 2)", 5, "logischen Wert"},
        {"Breite & 2", 8, "Unerwartetes Zeichen '&'"},
        {"Markiert .und. Zugriff", 10, "Unerwartetes Zeichen '.'"},
        {"bilder->", 9, "Feldname nach '->'"},
    };
    for (const auto& c : cases) {
        Compiled compiled = Compile(c.expression, r);
        EXPECT_FALSE(compiled.expr) << c.expression;
        EXPECT_EQ(compiled.error.position, c.position) << c.expression << ": " << compiled.error.message;
        EXPECT_NE(compiled.error.message.find(c.reason), std::string::npos)
            << c.expression << ": " << compiled.error.message;
    }
    EXPECT_EQ(ExprErrorText({12, "')' erwartet"}), "Fehler an Position 12: ')' erwartet");
}

TEST(ExprExpression, RefusesTooDeepAndTooLongExpressions)
{
    const TestRecord r = AlbumRecord();
    Compiled deep = Compile(std::string(5000, '(') + "1" + std::string(5000, ')'), r);
    EXPECT_FALSE(deep.expr);
    EXPECT_NE(deep.error.message.find("verschachtelt"), std::string::npos);
    std::string sum = "1";
    for (int i = 0; i < 20000; ++i)
        sum += "+1";
    Compiled longSum = Compile(sum, r);
    EXPECT_FALSE(longSum.expr);
    EXPECT_EQ(longSum.error.message, "Ausdruck zu lang");
    // A long but reasonable filter is fine.
    std::string many = "Breite = 1";
    for (int i = 2; i < 300; ++i)
        many += " .OR. Breite = " + std::to_string(i);
    EXPECT_TRUE(Compile(many, r).expr);
}

TEST(ExprExpression, RunTimeErrorsAreReportedNotCrashed)
{
    TestRecord r = SampleAlbumRecord();
    ExprContext ctx = Context();
    ExprError err;
    ExprValue v;

    Compiled div = Compile("Breite / (Hoehe - 600)", r);
    ASSERT_TRUE(div.expr);
    EXPECT_FALSE(div.expr->Evaluate(r.Data(), r.Size(), ctx, v, &err));
    EXPECT_EQ(err.message, "Division durch Null");
    EXPECT_EQ(err.position, 8u);
    EXPECT_EQ(Render("MOD(1, 0)", r), "run error: Fehler an Position 1: Division durch Null");

    Compiled big = Compile("LEN(REPLICATE('abc', 100000000))", r);
    ASSERT_TRUE(big.expr);
    EXPECT_FALSE(big.expr->Evaluate(r.Data(), r.Size(), ctx, v, &err));
    EXPECT_EQ(err.message, "Ergebnis zu lang");

    // A record buffer shorter than the fields the expression reads.
    Compiled last = Compile("Reserve3", r);
    ASSERT_TRUE(last.expr);
    EXPECT_EQ(last.expr->RecordSizeNeeded(), r.Size());
    EXPECT_FALSE(last.expr->Evaluate(r.Data(), r.Size() - 1, ctx, v, &err));
    EXPECT_FALSE(last.expr->Evaluate(nullptr, 0, ctx, v, &err));

    // A logical evaluation of a non-logical expression.
    bool flag = true;
    EXPECT_FALSE(last.expr->EvaluateLogical(r.Data(), r.Size(), ctx, flag, &err));
    EXPECT_FALSE(flag);

    // The evaluation after an error works again.
    EXPECT_TRUE(div.expr->Evaluate(r.Data(), r.Size(), ctx, v, &err) == false);
    r.Set("HOEHE", "400");
    ASSERT_TRUE(div.expr->Evaluate(r.Data(), r.Size(), ctx, v, &err));
    EXPECT_EQ(v.number, -4);
}

TEST(ExprExpression, MemoFieldsReadThroughTheReader)
{
    TestRecord r = SampleAlbumRecord();
    r.Set("NOTIZ", "        17");
    ExprContext ctx = Context();
    ctx.memoReader = [](const ExprField& f, std::string_view bytes, std::string& out) {
        if (f.name != "NOTIZ")
            return false;
        out = "Block " + std::string(bytes.substr(8)) + ": Sonnenuntergang am See";
        return true;
    };
    EXPECT_EQ(Render("'Sonnen' $ Notiz", r, ctx), "L:.T.");
    EXPECT_EQ(Render("LEFT(Notiz, 8)", r, ctx), "C:Block 17");
    EXPECT_EQ(Render("EMPTY(Vorschau)", r, ctx).substr(0, 10), "run error:");
    EXPECT_EQ(Render("EMPTY(Notiz)", r), "L:.T.");  // no reader: memos read as empty

    Compiled key = Compile("Notiz", r);
    ASSERT_TRUE(key.expr);
    ExprError err;
    EXPECT_EQ(key.expr->KeyLength(&err), 0u);
    EXPECT_FALSE(err.message.empty());
}

TEST(ExprExpression, BinaryFieldTypes)
{
    TestRecord r;
    r.Add("ANZAHL", 'I', 4).Add("WERT", 'B', 8).Add("BETRAG", 'Y', 8).Add("ZEIT", 'T', 8).Add("NAME", 'C', 5);
    const std::int32_t anzahl = -42;
    const double wert = 2.5;
    const std::int64_t betrag = 123456;  // 12.3456
    const std::int32_t zeit[2] = {ExprJulianDay(2024, 3, 15), 3600000};
    std::vector<std::uint8_t> raw(8);
    std::memcpy(raw.data(), &anzahl, 4);
    r.SetRaw("ANZAHL", raw);
    std::memcpy(raw.data(), &wert, 8);
    r.SetRaw("WERT", raw);
    std::memcpy(raw.data(), &betrag, 8);
    r.SetRaw("BETRAG", raw);
    std::memcpy(raw.data(), zeit, 8);
    r.SetRaw("ZEIT", raw);
    RunCases({{"Anzahl * 2", "N:-84"}, {"Wert + 1", "N:3.5"}, {"Betrag", "N:12.3456"}, {"Zeit", "D:20240315"}}, r);

    TestRecord bad;
    bad.Add("X", 'Q', 4);
    Compiled c = Compile("X", bad);
    EXPECT_FALSE(c.expr);
    EXPECT_NE(c.error.message.find("Feldtyp 'Q'"), std::string::npos);
}

TEST(ExprExpression, DateFormatsOfDtocAndCtod)
{
    const TestRecord r = SampleAlbumRecord();
    struct DateCase {
        ExprDateFormat format;
        bool century;
        const char* text;
    };
    const DateCase cases[] = {
        {ExprDateFormat::American, true, "03/15/2024"}, {ExprDateFormat::Ansi, true, "2024.03.15"},
        {ExprDateFormat::British, false, "15/03/24"},   {ExprDateFormat::German, true, "15.03.2024"},
        {ExprDateFormat::German, false, "15.03.24"},    {ExprDateFormat::Italian, true, "15-03-2024"},
    };
    for (const auto& c : cases) {
        ExprContext ctx = Context();
        ctx.dateFormat = c.format;
        ctx.century = c.century;
        EXPECT_EQ(Render("DTOC(AufnDatum)", r, ctx), std::string("C:") + c.text);
        EXPECT_EQ(Render(std::string("CTOD('") + c.text + "') = AufnDatum", r, ctx), "L:.T.") << c.text;
    }
    EXPECT_EQ(ExprFormatDate(0, ExprDateFormat::German, true), "  .  .    ");
    EXPECT_EQ(ExprParseDate("15.03.75", ExprDateFormat::German), ExprJulianDay(1975, 3, 15));
    EXPECT_EQ(ExprParseDate("15.03.2024x", ExprDateFormat::German), 0);

    // Date literals follow the compile-time format.
    ExprCompileOptions american;
    american.dateFormat = ExprDateFormat::American;
    Compiled c = Compile("{03/15/2024} = AufnDatum", r, american);
    ASSERT_TRUE(c.expr);
    bool same = false;
    ASSERT_TRUE(c.expr->EvaluateLogical(r.Data(), r.Size(), Context(), same));
    EXPECT_TRUE(same);
}

TEST(ExprExpression, JulianDays)
{
    EXPECT_EQ(ExprJulianDay(2000, 1, 1), 2451545);
    EXPECT_EQ(ExprJulianDay(1899, 12, 30), 2415019);
    EXPECT_EQ(ExprJulianDay(2023, 2, 29), 0);
    EXPECT_EQ(ExprJulianDay(2024, 2, 29), 2460370);
    int y, m, d;
    ASSERT_TRUE(ExprCalendarDate(2460370, y, m, d));
    EXPECT_EQ(y * 10000 + m * 100 + d, 20240229);
    EXPECT_FALSE(ExprCalendarDate(0, y, m, d));
    EXPECT_EQ(ExprJulianFromDbf("00000000"), 0);
    EXPECT_EQ(ExprJulianFromDbf("        "), 0);
    EXPECT_EQ(ExprJulianFromDbf("20241301"), 0);
}

TEST(ExprExpression, EvaluateTextGivesTheEngineStringForm)
{
    const TestRecord r = SampleAlbumRecord();
    const std::pair<const char*, const char*> cases[] = {
        {"Serie", "Sommer    "},          {"Bytes", "    123456"},  {"ZoomFactor * 3", "         5"},
        {"-Breite", "      -800"},        {"Zugriff", ".T."},         {"AufnDatum", "20240315"},
        {"STR(ZoomFactor, 5, 2)", " 1.50"}, {"AufnDatum - AufnDatum + {}", "        "},
    };
    for (const auto& [text, expected] : cases) {
        Compiled c = Compile(text, r);
        ASSERT_TRUE(c.expr) << text;
        std::string out;
        ASSERT_TRUE(c.expr->EvaluateText(r.Data(), r.Size(), Context(), out)) << text;
        EXPECT_EQ(out, expected) << text;
    }
}

TEST(ExprExpression, CaseMappingOfWindows1252)
{
    EXPECT_EQ(ExprUpper(0xE4), 0xC4);  // ä
    EXPECT_EQ(ExprUpper(0xF6), 0xD6);  // ö
    EXPECT_EQ(ExprUpper(0xFC), 0xDC);  // ü
    EXPECT_EQ(ExprUpper(0xDF), 0xDF);  // ß stays
    EXPECT_EQ(ExprLower(0xC4), 0xE4);
    EXPECT_EQ(ExprLower(0xD6), 0xF6);
    EXPECT_EQ(ExprLower(0xDC), 0xFC);
    EXPECT_EQ(ExprUpper(0xF7), 0xF7);  // division sign
    EXPECT_EQ(ExprLower(0xD7), 0xD7);  // multiplication sign
    EXPECT_EQ(ExprUpper('z'), 'Z');
    EXPECT_EQ(ExprLower('1'), '1');
}

TEST(ExprExpression, NumberReadingAndFormatting)
{
    EXPECT_EQ(ExprParseNumber("   12.50"), 12.5);
    EXPECT_EQ(ExprParseNumber("-0.125"), -0.125);
    EXPECT_EQ(ExprParseNumber("1e3"), 1000);
    EXPECT_EQ(ExprParseNumber("**********"), 0);
    EXPECT_EQ(ExprParseNumber(""), 0);
    EXPECT_EQ(ExprParseNumber("0.1"), 0.1);
    EXPECT_EQ(ExprParseNumber("1234567890.123"), 1234567890.123);
    EXPECT_EQ(ExprRound(2.675, 2), 2.68);
    EXPECT_EQ(ExprRound(-2.5, 0), -3);
    EXPECT_EQ(ExprFormatNumber(1e300, 10, 0), "**********");
    EXPECT_EQ(ExprFormatNumber(NAN, 3, 0), "***");
    EXPECT_EQ(ExprFormatNumber(12, 19, 0), std::string(17, ' ') + "12");
}
