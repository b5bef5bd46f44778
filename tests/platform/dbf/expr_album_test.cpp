// The album's index tags, the key bytes of the compound index and a fuzz
// run of the expression compiler over garbage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "expr_test_record.h"
#include "platform/dbf/expr_date.h"
#include "platform/dbf/expr_expression.h"
#include "platform/dbf/expr_key.h"

using namespace dbfexpr;
using exprtest::AlbumRecord;
using exprtest::SampleAlbumRecord;
using exprtest::TestRecord;

namespace {

// The typical album entry with upper-case umlauts, the picture reachable
// anywhere, and no file name, label id or zoom factor.
TestRecord SampleEntry()
{
    TestRecord r = SampleAlbumRecord();
    r.Set("SHORTDESC", "Urlaub am Bodensee \xC4\xD6\xDC")  // ÄÖÜ
        .Set("OWNER", "Anna M\xDCller")
        .Set("ANYWHERE", "T")
        .Set("RESERVE3", "X Y")
        .Set("DATEI", "")
        .Set("LABELKENNU", "")
        .Set("ZOOMFACTOR", "");
    return r;
}

std::string Pad(std::string s, std::size_t n)
{
    s.resize(n, ' ');
    return s;
}

std::string NumericKey(double v)
{
    std::uint8_t b[kNumericKeyLength];
    ExprNumericKey(v, b);
    return std::string(reinterpret_cast<const char*>(b), kNumericKeyLength);
}

struct TagCase {
    const char* key;
    std::string expectedKey;  // key bytes
    std::size_t keyLength;
    const char* keyText;  // the key text of the bridge's key rule
};

std::vector<TagCase> AlbumTags()
{
    return {
        {"Shortname", "A1B2C3D4E5F", 11, "A1B2C3D4E5F"},
        {"Markiert", "T", 1, ".T."},
        {"Lower(Label)", Pad("urlaub 2024", 30), 30, nullptr},
        {"Type", "1", 1, "1"},
        {"PlayList", "12", 2, "12"},
        {"Lower(ShortDesc)", Pad("urlaub am bodensee \xE4\xF6\xFC", 100), 100, nullptr},
        {"Owner", Pad("Anna M\xDCller", 15), 15, nullptr},
        {"DTOS(AufnDatum)", "20240315", 8, "20240315"},
        {"DTOS(FileDate)", "20240401", 8, "20240401"},
        {"Bytes", NumericKey(123456), 8, "123456"},
        {"Breite", NumericKey(800), 8, "800"},
        {"Hoehe", NumericKey(600), 8, "600"},
        {"Serie", Pad("Sommer", 10), 10, nullptr},
        {"Quelle", Pad("1", 10), 10, nullptr},
        {"Qualitaet", "4  ", 3, "4  "},
        {"Motiv", "5  ", 3, "5  "},
        {"Privat", "F", 1, ".F."},
        {"Anywhere", "T", 1, ".T."},
        {"Lower(RESERVE1)", Pad("erste reise", 15), 15, nullptr},
        {"Lower(RESERVE2)", Pad("", 15), 15, nullptr},
        {"Lower(RESERVE3)", Pad("x y", 15), 15, nullptr},
    };
}

bool EvalFor(const std::string& condition, const TestRecord& r)
{
    ExprError err;
    auto e = Expression::Compile(condition, r.Fields(), err);
    EXPECT_TRUE(e) << condition << ": " << err.message;
    if (!e)
        return false;
    bool result = false;
    EXPECT_TRUE(e->EvaluateLogical(r.Data(), r.Size(), ExprContext{}, result, &err)) << err.message;
    return result;
}

}  // namespace

TEST(ExprAlbumTags, EveryKeyOfTheFortyThreeTagsGivesItsKeyBytes)
{
    const TestRecord r = SampleEntry();
    std::vector<TagCase> tags = AlbumTags();
    // Tags 22 to 42 repeat 1 to 21; tag 43 is Zugriff.
    const std::size_t first = tags.size();
    for (std::size_t i = 0; i < first; ++i)
        tags.push_back(tags[i]);
    tags.push_back({"Zugriff", "T", 1, ".T."});
    ASSERT_EQ(tags.size(), 43u);
    for (const TagCase& tag : tags) {
        ExprError err;
        auto e = Expression::Compile(tag.key, r.Fields(), err);
        ASSERT_TRUE(e) << tag.key << ": " << err.message;
        EXPECT_EQ(e->KeyLength(&err), tag.keyLength) << tag.key;
        // The key field: the one field the key reads; a plain field is no expression index.
        ASSERT_EQ(e->FieldsUsed().size(), 1u) << tag.key;
        EXPECT_EQ(e->IsSingleField(), std::string(tag.key).find('(') == std::string::npos) << tag.key;
        std::string key;
        ASSERT_TRUE(e->MakeKey(r.Data(), r.Size(), ExprContext{}, key, &err)) << tag.key << err.message;
        EXPECT_EQ(key, tag.expectedKey) << tag.key;

        // The key text of the database bridge: character keys as they are,
        // numeric keys through LTRIM(STR(key, 19)), logical keys .T./.F.
        if (!tag.keyText)
            continue;
        std::string text;
        if (e->Type() == ExprType::Numeric) {
            auto wrapped = Expression::Compile("LTRIM(STR(" + std::string(tag.key) + ", 19))", r.Fields(), err);
            ASSERT_TRUE(wrapped);
            ASSERT_TRUE(wrapped->EvaluateText(r.Data(), r.Size(), ExprContext{}, text));
        } else {
            ASSERT_TRUE(e->EvaluateText(r.Data(), r.Size(), ExprContext{}, text));
        }
        EXPECT_EQ(text, tag.keyText) << tag.key;
    }
}

TEST(ExprAlbumTags, ForConditionsLeaveOutDeletedAndUnreachableEntries)
{
    const std::string base = ".not. deleted()";
    const std::string reachable = "(.not. deleted()) .and. (Zugriff)";
    TestRecord r = SampleEntry();
    EXPECT_TRUE(EvalFor(base, r));
    EXPECT_TRUE(EvalFor(reachable, r));
    r.Set("ZUGRIFF", "F");
    EXPECT_TRUE(EvalFor(base, r));
    EXPECT_FALSE(EvalFor(reachable, r));
    r.Set("ZUGRIFF", "T");
    r.SetDeleted(true);
    EXPECT_FALSE(EvalFor(base, r));
    EXPECT_FALSE(EvalFor(reachable, r));
    // The conditions in other spellings the program uses.
    r.SetDeleted(false);
    EXPECT_TRUE(EvalFor(".NOT. DELETED() .AND. ZUGRIFF", r));
    EXPECT_FALSE(EvalFor(".not. Zugriff", r));
    EXPECT_FALSE(EvalFor("!Zugriff", r));
    EXPECT_TRUE(EvalFor("MARKIERT", r));
    EXPECT_TRUE(EvalFor("ANYWHERE", r));
    EXPECT_FALSE(EvalFor("PRIVAT", r));
}

TEST(ExprAlbumTags, TargetAlbumPathKeysAreUpperCasedAndCut)
{
    TestRecord r = SampleEntry();
    r.Set("PFAD", std::string(200, 'a'));
    for (const auto& [expression, width] : {std::pair{"Upper(Left(Pfad,160))", 160u}, std::pair{"Upper(Left(Pfad,100))", 100u}}) {
        ExprError err;
        auto e = Expression::Compile(expression, r.Fields(), err);
        ASSERT_TRUE(e) << err.message;
        EXPECT_EQ(e->KeyLength(), width);
        std::string key;
        ASSERT_TRUE(e->MakeKey(r.Data(), r.Size(), ExprContext{}, key));
        EXPECT_EQ(key, std::string(width, 'A'));
    }
    // A whole 239-character path is too long for an index key.
    ExprError err;
    auto whole = Expression::Compile("Upper(Pfad) + 'xx'", r.Fields(), err);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->KeyLength(&err), 0u);
    EXPECT_NE(err.message.find("zu lang"), std::string::npos);
}

TEST(ExprKeys, NumericKeyBytesFollowTheFoxProForm)
{
    EXPECT_EQ(NumericKey(1.0), std::string("\xBF\xF0\0\0\0\0\0\0", 8));
    EXPECT_EQ(NumericKey(0.0), std::string("\x80\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(NumericKey(-0.0), NumericKey(0.0));
    EXPECT_EQ(NumericKey(-1.0), std::string("\x40\x0F\xFF\xFF\xFF\xFF\xFF\xFF", 8));
    // Dates: the Julian day as the same double.
    EXPECT_EQ(NumericKey(2451545.0), std::string("\xC1\x42\xB4\x2C\x80\0\0\0", 8));

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> dist(-1e9, 1e9);
    std::vector<double> values = {0, -0.5, 0.5, 1e-300, -1e-300, 1e300, -1e300, 3, -3};
    for (int i = 0; i < 500; ++i)
        values.push_back(i % 3 ? dist(rng) : std::trunc(dist(rng) / 1000));
    for (double a : values) {
        const std::string ka = NumericKey(a);
        EXPECT_EQ(ExprNumericFromKey(reinterpret_cast<const std::uint8_t*>(ka.data())), a);
        for (double b : {values[0], values[5], values[9], -a, a / 2}) {
            const std::string kb = NumericKey(b);
            const int bytes = std::memcmp(ka.data(), kb.data(), 8);
            EXPECT_EQ(bytes < 0, a < b) << a << " " << b;
            EXPECT_EQ(bytes == 0, a == b) << a << " " << b;
        }
    }
}

TEST(ExprKeys, KeysOfEveryType)
{
    TestRecord r = SampleEntry();
    struct KeyCase {
        const char* expression;
        std::size_t length;
        std::string key;
    };
    const KeyCase cases[] = {
        {"AufnDatum", 8, NumericKey(ExprJulianDay(2024, 3, 15))},
        {"FileDate - 1", 8, NumericKey(ExprJulianDay(2024, 3, 31))},
        {"Markiert .AND. Privat", 1, "F"},
        {"Serie + Type", 11, "Sommer    1"},
        {"IIF(Markiert, Type, Serie)", 10, Pad("1", 10)},
        {"STR(Breite, 5) + DTOS(AufnDatum)", 13, "  80020240315"},
        {"TRIM(Serie)", 10, Pad("Sommer", 10)},
        {"PADL(TRIM(Serie), 8)", 8, "  Sommer"},
    };
    for (const auto& c : cases) {
        ExprError err;
        auto e = Expression::Compile(c.expression, r.Fields(), err);
        ASSERT_TRUE(e) << c.expression << ": " << err.message;
        EXPECT_EQ(e->KeyLength(), c.length) << c.expression;
        std::string key;
        ASSERT_TRUE(e->MakeKey(r.Data(), r.Size(), ExprContext{}, key)) << c.expression;
        EXPECT_EQ(key, c.key) << c.expression;
    }
    // Fields in the order of first use; a field used twice counts once.
    ExprError used;
    auto two = Expression::Compile("STR(Breite, 5) + DTOS(AufnDatum) + STR(Breite)", r.Fields(), used);
    ASSERT_TRUE(two);
    ASSERT_EQ(two->FieldsUsed().size(), 2u);
    EXPECT_EQ(two->FieldsUsed()[0].name, "BREITE");
    EXPECT_EQ(two->FieldsUsed()[1].name, "AUFNDATUM");
    EXPECT_FALSE(two->IsSingleField());

    // Without a fixed width there is no key.
    ExprError err;
    auto variable = Expression::Compile("SPACE(Breite)", r.Fields(), err);
    ASSERT_TRUE(variable);
    EXPECT_EQ(variable->KeyLength(&err), 0u);
    std::string key = "unchanged";
    EXPECT_FALSE(variable->MakeKey(r.Data(), r.Size(), ExprContext{}, key, &err));
}

// A random expression that is well formed but may mix the types.
static std::string RandomExpression(std::mt19937& rng, int depth)
{
    static const char* leaves[] = {"Breite", "Bytes", "ZoomFactor", "Label", "Serie", "Pfad", "AufnDatum",
                                   "FileDate", "Markiert", "Zugriff", "Notiz", "'ab '", "''", "3", "0", "-2.5",
                                   "{15.03.2024}", "{}", ".T.", ".F.", "DELETED()", "RECNO()", "DATE()"};
    static const char* ops[] = {"+", "-", "*", "/", "%", "^", "=", "==", "<>", "<", ">=", "$", ".AND.", ".OR."};
    static const char* unary[] = {"UPPER", "LOWER", "TRIM", "LTRIM", "ALLTRIM", "LEN", "VAL", "DTOS", "DTOC",
                                  "CTOD", "YEAR", "EMPTY", "INT", "ABS", "SPACE", "CHR", "ASC", "STR", "-", "!"};
    static const char* binary[] = {"LEFT", "RIGHT", "SUBSTR", "AT", "REPLICATE", "PADL", "PADR", "ROUND",
                                   "MOD", "MIN", "MAX", "STR"};
    const auto pick = [&](auto& list) { return std::string(list[rng() % (sizeof list / sizeof list[0])]); };
    switch (depth > 4 ? 0 : rng() % 6) {
    case 0: return pick(leaves);
    case 1: return "(" + RandomExpression(rng, depth + 1) + ")";
    case 2: return RandomExpression(rng, depth + 1) + " " + pick(ops) + " " + RandomExpression(rng, depth + 1);
    case 3: {
        const std::string f = pick(unary);
        if (f == "-" || f == "!")
            return f + RandomExpression(rng, depth + 1);
        return f + "(" + RandomExpression(rng, depth + 1) + ")";
    }
    case 4:
        return pick(binary) + "(" + RandomExpression(rng, depth + 1) + ", " + RandomExpression(rng, depth + 1) + ")";
    default:
        return "IIF(" + RandomExpression(rng, depth + 1) + ", " + RandomExpression(rng, depth + 1) + ", " +
               RandomExpression(rng, depth + 1) + ")";
    }
}

// Random byte strings and random token soups never crash the compiler or
// the evaluator (run under the AddressSanitizer twin); whatever compiles
// evaluates over a sample record and over a record of random bytes.
TEST(ExprFuzz, GarbageNeverCrashes)
{
    const TestRecord sample = SampleEntry();
    TestRecord noise = SampleEntry();
    std::mt19937 rng(12345);
    const char* tokens[] = {
        "Breite", "Hoehe", "Bytes", "Label", "Pfad", "AufnDatum", "Markiert", "Zugriff", "Notiz", "ZoomFactor",
        "(", ")", ",", "+", "-", "*", "/", "%", "^", "**", "=", "==", "<>", "#", "!=", "<", ">", "<=", ">=", "$",
        ".AND.", ".OR.", ".NOT.", "!", ".T.", ".F.", "'a b'", "\"\"", "[x]", "0", "1", "-1", "160", "1e308",
        "2.5", "{15.03.2024}", "{}", "{^2024-02-29}", "IIF(", "LEFT(", "RIGHT(", "SUBSTR(", "STR(", "VAL(",
        "DTOS(", "DTOC(", "CTOD(", "UPPER(", "LOWER(", "TRIM(", "ALLTRIM(", "SPACE(", "REPLICATE(", "PADL(",
        "PADR(", "AT(", "LEN(", "EMPTY(", "ROUND(", "MOD(", "INT(", "ABS(", "MIN(", "MAX(", "BETWEEN(",
        "YEAR(", "CHR(", "ASC(", "DELETED()", "RECNO()", "DATE()", "a->"};
    const std::size_t tokenCount = sizeof tokens / sizeof tokens[0];
    ExprContext ctx;
    ctx.clock = [] { return ExprJulianDay(2026, 12, 9); };
    ctx.memoReader = [](const ExprField&, std::string_view bytes, std::string& out) {
        out.assign(bytes);
        return bytes[0] != '!';
    };
    int compiled = 0;
    for (int round = 0; round < 30000; ++round) {
        std::string text;
        if (round % 3 == 2) {
            text = RandomExpression(rng, 0);
        } else if (round % 3 == 0) {
            const int len = static_cast<int>(rng() % 40);
            for (int i = 0; i < len; ++i)
                text += static_cast<char>(round % 2 == 0 ? rng() % 256 : " ()+-*/=<>$!.'\"[]{}^#%,0123456789abTFNY"[rng() % 40]);
        } else {
            const int len = 1 + static_cast<int>(rng() % 12);
            for (int i = 0; i < len; ++i)
                text += std::string(tokens[rng() % tokenCount]) + (rng() % 3 ? "" : " ");
        }
        ExprError err;
        auto e = Expression::Compile(text, sample.Fields(), err);
        if (!e) {
            EXPECT_FALSE(err.message.empty()) << text;
            EXPECT_LE(err.position, text.size() + 1) << text;
            continue;
        }
        ++compiled;
        for (std::size_t i = 1; i < noise.Size(); ++i)
            noise.MutableData()[i] = static_cast<std::uint8_t>(rng());
        for (const TestRecord* r : {&sample, static_cast<const TestRecord*>(&noise)}) {
            ExprValue v;
            ctx.exact = rng() % 2;
            e->Evaluate(r->Data(), r->Size(), ctx, v, &err);
            std::string key;
            if (e->KeyLength() > 0)
                e->MakeKey(r->Data(), r->Size(), ctx, key, &err);
        }
    }
    EXPECT_GT(compiled, 2000);  // the random expressions reach the evaluator often
}
