// Guards the filter compiler: the blocks it builds byte for byte, precedence and refused texts.
#include "table_fixture.h"

#include "datagrid/dk_filter.h"
#include "platform/ui/prompt_script.h"

#include <random>

namespace {

// NAME C(20), NUM N(4) (a small integer), AMOUNT N(8,2) (a float),
// DAT D, FLAG L, NOTIZ M.
const std::vector<TFieldSpec> kFields = {{"NAME", 'C', 20, 0}, {"NUM", 'N', 4, 0},  {"AMOUNT", 'N', 8, 2},
                                         {"DAT", 'D', 8, 0},   {"FLAG", 'L', 1, 0}, {"NOTIZ", 'M', 10, 0}};

std::vector<uint8_t> Bytes(std::initializer_list<int> list)
{
    std::vector<uint8_t> v;
    for (int b : list)
        v.push_back(static_cast<uint8_t>(b));
    return v;
}

uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
uint32_t U32(const std::vector<uint8_t>& b, size_t at) { return U16(b, at) | (static_cast<uint32_t>(U16(b, at + 2)) << 16); }

// Checks a block from outside: header sizes agree, every slot is a known
// node, operands lie in later slots (written before their parent), literal
// offsets stay in the pool and every node is reached from the root once.
void ExpectWellFormed(const std::vector<uint8_t>& b)
{
    ASSERT_GE(b.size(), 10u);
    const uint16_t total = U16(b, 2), count = U16(b, 4), litStart = U16(b, 8);
    EXPECT_EQ(U16(b, 0), 1);
    ASSERT_EQ(total, b.size());
    EXPECT_EQ(U16(b, 6), 10);
    ASSERT_EQ(litStart, 10 + 14 * count);
    ASSERT_LE(litStart, total);
    const size_t pool = total - litStart;
    std::vector<int> reached(count, 0);
    std::vector<int> todo = {0};
    while (!todo.empty()) {
        const int off = todo.back();
        todo.pop_back();
        ASSERT_EQ(off % 14, 0);
        ASSERT_LT(off / 14, count);
        ++reached[off / 14];
        const size_t at = 10 + static_cast<size_t>(off);
        const uint32_t cls = U32(b, at);
        if (cls == 2) {
            for (size_t k : {8u, 10u}) {
                const int child = U16(b, at + k);
                ASSERT_GT(child, off);
                todo.push_back(child);
            }
        } else if (cls == 4) {
            ASSERT_EQ(U32(b, at + 4), 13u);
            const size_t lit = U16(b, at + 10);
            ASSERT_LT(lit, pool);
            // A zero-terminated name inside the pool.
            EXPECT_NE(std::find(b.begin() + litStart + lit, b.end(), 0), b.end());
        } else {
            ASSERT_EQ(cls, 5u);
            ASSERT_EQ(U32(b, at + 4), 14u);
            ASSERT_LE(U16(b, at + 12) + U16(b, at + 10), pool);
        }
    }
    for (int r : reached)
        EXPECT_EQ(r, 1);
}

class DkFilterTest : public DkTableTest {
protected:
    void SetUp() override
    {
        DkTableTest::SetUp();
        MakeTable("FILTER.DBF", kFields, 6, [](int i) {
            static const char* names[] = {"Anna", "Bernd", "Anna Maria", "M\xFCller", "C\xE4sar", "Dora"};
            Text("NAME", names[i - 1]);
            Long("NUM", i);
            const double amount = i * 1.25;
            dbe_Replace("AMOUNT", DBE_REPL_DOUBLE, &amount);
            const std::string date = "2003020" + std::to_string(i);
            dbe_Replace("DAT", DBE_REPL_TEXT, date.c_str());
            dbe_Replace("FLAG", DBE_REPL_TEXT, i % 2 ? "T" : "F");
        });
        table.SetDatabaseName(WinDir());
        table.SetTableName("FILTER.DBF");
        table.Open();
    }

    std::vector<uint8_t> Parse(const QString& text)
    {
        TdkFilterError error;
        std::vector<uint8_t> b = dkParseFilter(text, &table, &error);
        EXPECT_FALSE(b.empty()) << text.toStdString() << ": " << error.Text().toStdString();
        return b;
    }

    std::vector<int> Nums()
    {
        std::vector<int> nums;
        for (table.First(); !table.Eof(); table.Next())
            nums.push_back(table.FieldByName("NUM")->AsInteger());
        return nums;
    }

    TdkTable table;
};

TEST_F(DkFilterTest, StringComparisonGivesItsBlockByteForByte)
{
    const std::vector<uint8_t> expected = Bytes({
        0x01, 0x00, 0x3E, 0x00, 0x03, 0x00, 0x0A, 0x00, 0x34, 0x00,  // header: 62 bytes, 3 nodes
        // slot 0, the root: "=" over the field (offset 28) and the constant (14)
        0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x1C, 0x00, 0x0E, 0x00, 0x00, 0x00,
        // slot 1: string constant, type 1, 5 bytes, at literal 5
        0x05, 0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00, 0x01, 0x00, 0x05, 0x00, 0x05, 0x00,
        // slot 2: the first field, its name at literal 0
        0x04, 0x00, 0x00, 0x00, 0x0D, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
        'N', 'A', 'M', 'E', 0, 'A', 'n', 'n', 'a', 0});
    EXPECT_EQ(Parse("NAME = \"Anna\""), expected);
    // Brackets change nothing, nor do blanks; an unquoted text loses its
    // trailing blanks.
    EXPECT_EQ(Parse("(NAME = \"Anna\")"), expected);
    EXPECT_EQ(Parse("  ( ( NAME=Anna   ) )  "), expected);
}

TEST_F(DkFilterTest, ConnectiveOfTwoComparisonsGivesItsBlockByteForByte)
{
    const std::vector<uint8_t> expected = Bytes({
        0x01, 0x00, 0x79, 0x00, 0x07, 0x00, 0x0A, 0x00, 0x6C, 0x00,  // 121 bytes, 7 nodes, pool at 108
        0x02, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x38, 0x00, 0x0E, 0x00, 0x00, 0x00,  // AND
        0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x2A, 0x00, 0x1C, 0x00, 0x00, 0x00,  // =
        0x05, 0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00, 0x04, 0x00, 0x02, 0x00, 0x0B, 0x00,  // T
        0x04, 0x00, 0x00, 0x00, 0x0D, 0x00, 0x00, 0x00, 0x02, 0x00, 0x06, 0x00, 0x00, 0x00,  // FLAG
        0x02, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x54, 0x00, 0x46, 0x00, 0x00, 0x00,  // >
        0x05, 0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00, 0x05, 0x00, 0x02, 0x00, 0x04, 0x00,  // 3
        0x04, 0x00, 0x00, 0x00, 0x0D, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,  // NUM
        'N', 'U', 'M', 0, 0x03, 0x00, 'F', 'L', 'A', 'G', 0, 0x01, 0x00});
    EXPECT_EQ(Parse("NUM > 3 AND FLAG = T"), expected);
    EXPECT_EQ(Parse("(NUM > 3) and (FLAG = true)"), expected);
}

TEST_F(DkFilterTest, ConstantsTakeTheTypeOfTheirField)
{
    struct Case {
        QString text;
        uint16_t code, size;
        std::vector<uint8_t> value;
    };
    const Case cases[] = {
        {"AMOUNT < 2,5", 7, 8, Bytes({0, 0, 0, 0, 0, 0, 0x04, 0x40})},
        {"DAT >= \"01.02.2003\"", 2, 4, Bytes({0x6F, 0x28, 0x0B, 0x00})},  // day 731247
        {"FLAG = f", 4, 2, Bytes({0, 0})},
        {"NUM <> -7", 5, 2, Bytes({0xF9, 0xFF})},
        {"NAME = Müller", 1, 7, Bytes({'M', 0xFC, 'l', 'l', 'e', 'r', 0})},
        {"NAME = \"  x \"", 1, 5, Bytes({' ', ' ', 'x', ' ', 0})},
        {"NAME = Anna Maria", 1, 11, Bytes({'A', 'n', 'n', 'a', ' ', 'M', 'a', 'r', 'i', 'a', 0})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const std::vector<uint8_t> b = Parse(c.text);
        ASSERT_EQ(U16(b, 4), 3);
        ExpectWellFormed(b);
        const size_t slot = 10 + 14;  // the constant, written second
        EXPECT_EQ(U32(b, slot), 5u);
        EXPECT_EQ(U16(b, slot + 8), c.code);
        EXPECT_EQ(U16(b, slot + 10), c.size);
        const size_t lit = U16(b, 8) + U16(b, slot + 12);
        EXPECT_EQ(std::vector<uint8_t>(b.begin() + lit, b.begin() + lit + c.size), c.value);
    }
}

TEST_F(DkFilterTest, AndAndOrBindEquallyFromTheLeftAndArithmeticBindsTighter)
{
    TdkFilterError error;
    std::unique_ptr<TNode> root = dkParseFilterTree("NUM = 1 AND NUM = 2 OR NUM = 3", &table, &error);
    ASSERT_TRUE(root) << error.Text().toStdString();
    EXPECT_EQ(root->Op, kFilterOpOr);
    EXPECT_EQ(root->Left->Op, kFilterOpAnd);
    EXPECT_EQ(root->Right->Op, kFilterOpEq);

    root = dkParseFilterTree("NUM = 1 OR (NUM = 2 AND NUM = 3)", &table, &error);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->Op, kFilterOpOr);
    EXPECT_EQ(root->Right->Op, kFilterOpAnd);

    // "+" and "*" belong to names, so an operator stands alone only between
    // brackets (or after a number or quoted text). A constant takes the type
    // of the field on its left, also through arithmetic.
    EXPECT_FALSE(dkParseFilterTree("NUM *(2) > 10", &table, &error));
    EXPECT_TRUE(error.Message.startsWith("Unerwarteter Text \"(2) > 10\"")) << error.Message.toStdString();
    root = dkParseFilterTree("(NUM) *(2) +(3) > 10", &table, &error);
    ASSERT_TRUE(root) << error.Text().toStdString();
    EXPECT_EQ(root->Op, kFilterOpGt);
    EXPECT_EQ(root->Left->Op, kFilterOpAdd);
    EXPECT_EQ(root->Left->Left->Op, kFilterOpMul);
    EXPECT_EQ(root->Left->Left->Right->ConstType, 9);
    EXPECT_EQ(root->Left->Right->ConstType, 9);
    EXPECT_EQ(root->Right->ConstType, 9);
    // A constant on the left of an operator is no field.
    EXPECT_FALSE(dkParseFilterTree("2 *(NUM) > 10", &table, &error));
    EXPECT_EQ(error.Message, "2\rField not found in Table. ");
}

TEST_F(DkFilterTest, BadTextsAreRefusedWithTheirPosition)
{
    struct Case {
        QString text;
        QString message;
        int position;
    };
    const Case cases[] = {
        {"NAME = \"Anna", "Anführungszeichen ohne schließendes", 8},
        {"(NAME = \"x\"", "\")\" fehlt zur Klammer an Position 1", 12},
        {"NAME = \"x\")", "Unerwarteter Text \")\"", 11},
        {"UNBEKANNT = 1", "UNBEKANNT\rField not found in Table. ", 1},
        {"= 1", "Feldname oder Wert fehlt vor \"=\"", 1},
        {"NAME =", "Feldname oder Wert fehlt am Ende", 7},
        {"", "Feldname oder Wert fehlt am Ende", 1},
        {"NAME = \"x\" AND", "Feldname oder Wert fehlt am Ende", 15},
        {"NAME =< \"x\"", "Unbekannter Vergleichsoperator \"=<\"", 6},
        {"NAME = Anna AND NUM = 3", "Unerwarteter Text \"= 3\"", 21},
        {"NUM = abc", "\"abc\" ist keine gültige ganze Zahl", 7},
        {"NUM = 40000", "ganze Zahl im Bereich -32768 bis 32767", 7},
        {"AMOUNT = 1.5", "Unerwartetes Zeichen \".\"", 11},
        {"DAT = \"31.02.2003\"", "\"31.02.2003\" ist kein gültiges Datum", 7},
        {"NAME = \"a漢字\"", "Das Zeichen \"漢\" kann im Zeichensatz", 10},
        {"NOTIZ = \"x\"", "Das Feld NOTIZ kann in einem Filter nicht verglichen werden", 1},
        {"NUM = 1 AND GIBTSNICHT", "GIBTSNICHT\rField not found in Table. ", 13},
        {"NAME = 'x'", "Unerwartetes Zeichen \"'\"", 8},
        {"NUM = 1 ORT = 2", "Unerwarteter Text \"ORT = 2\"", 9},
        {"NUM = 1 )", "Unerwarteter Text \")\"", 9},
        {"()", "Feldname oder Wert fehlt vor \")\"", 2},
        {"NUM = )", "\")\" ohne öffnende Klammer", 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        TdkFilterError error;
        EXPECT_TRUE(dkParseFilter(c.text, &table, &error).empty());
        EXPECT_TRUE(error.Message.contains(c.message)) << error.Message.toStdString();
        EXPECT_EQ(error.Position, c.position);
        EXPECT_TRUE(error.Text().endsWith(" (Position " + QString::number(c.position) + ")"));
    }
}

TEST_F(DkFilterTest, VeryLongAndDeepTextsAreRefusedNotCut)
{
    TdkFilterError error;
    EXPECT_TRUE(dkParseFilter(QString(300, u'(') + "NUM = 1" + QString(300, u')'), &table, &error).empty());
    EXPECT_TRUE(error.Message.contains("zu tief geklammert"));

    QString many = "NUM = 1";
    for (int i = 0; i < 3000; ++i)
        many += " OR NUM = 1";
    EXPECT_TRUE(dkParseFilter(many, &table, &error).empty());
    EXPECT_TRUE(error.Message.contains("zu lang"));

    EXPECT_TRUE(dkParseFilter("NAME = \"" + QString(70000, u'x') + "\"", &table, &error).empty());
    EXPECT_TRUE(error.Message.contains("zu lang"));

    // A long value that fits is kept whole (no cut at 64 characters).
    const QString value(500, u'y');
    const std::vector<uint8_t> b = Parse("NAME = \"" + value + "\"");
    ExpectWellFormed(b);
    EXPECT_EQ(U16(b, 10 + 14 + 10), 501);
}

// Random texts from the parser's own characters, and random cuts and
// changes of valid expressions: every one either gives a well-formed block
// or an error with a position inside the text.
TEST_F(DkFilterTest, FuzzedTextsGiveWellFormedBlocksOrPositionedErrors)
{
    std::mt19937 rng(26);
    const QString alphabet = QStringLiteral("()<=>\"' \t,.-+*/!#$@_`ANDORandorNUMAMOUNTNAMEFLAGDATT0123456789äöüß€漢\r");
    const QStringList seeds = {"NAME = \"Anna\" AND NUM > 3",       "((NUM) *(2) +(3) > 10) OR FLAG = T",
                               "DAT >= \"01.02.2003\" AND AMOUNT < 2,5", "NAME = Müller OR (NAME = x AND NUM <> -7)"};
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        QString text;
        if (round % 2 == 0) {
            const int len = static_cast<int>(rng() % 40);
            for (int i = 0; i < len; ++i)
                text += alphabet[static_cast<int>(rng() % alphabet.size())];
        } else {
            text = seeds[static_cast<int>(rng() % seeds.size())];
            const int edits = 1 + static_cast<int>(rng() % 3);
            for (int e = 0; e < edits && !text.isEmpty(); ++e) {
                const int at = static_cast<int>(rng() % text.size());
                switch (rng() % 3) {
                case 0: text.remove(at, 1); break;
                case 1: text.insert(at, alphabet[static_cast<int>(rng() % alphabet.size())]); break;
                default: text = text.left(at); break;
                }
            }
        }
        TdkFilterError error;
        const std::vector<uint8_t> b = dkParseFilter(text, &table, &error);
        if (b.empty()) {
            ASSERT_FALSE(error.Message.isEmpty()) << text.toStdString();
            ASSERT_GE(error.Position, 0);
            ASSERT_LE(error.Position, text.size() + 1) << text.toStdString();
        } else {
            ++accepted;
            ExpectWellFormed(b);
            if (HasFailure()) {
                ADD_FAILURE() << text.toStdString();
                return;
            }
        }
    }
    EXPECT_GT(accepted, 100);
}

TEST_F(DkFilterTest, ParsedFilterSelectsTheRecordsItMeans)
{
    struct Case {
        QString text;
        std::vector<int> nums;
    };
    const Case cases[] = {
        {"NUM > 2 AND NAME <> \"Dora\"", {3, 4, 5}},
        {"NAME = Anna", {1}},  // whole value, not a prefix of "Anna Maria"
        {"NAME = \"Anna Maria\" OR NAME = Müller", {3, 4}},
        {"NAME >= \"C\"", {4, 5, 6}},
        {"FLAG = T", {1, 3, 5}},
        {"DAT <= \"03.02.2003\" AND AMOUNT > 1,5", {2, 3}},
        {"FLAG", {1, 3, 5}},
        {"(NUM) +(1) = 4", {3}},
    };
    hDBIFilter handle = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        QString error;
        ASSERT_TRUE(dkApplyFilter(c.text, &table, handle, false, &error)) << error.toStdString();
        EXPECT_NE(handle, 0u);
        EXPECT_EQ(Nums(), c.nums);
    }
    // An empty text clears the filter.
    ASSERT_TRUE(dkApplyFilter("", &table, handle, false));
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(Nums(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    // A refused text leaves no filter behind.
    ASSERT_TRUE(dkApplyFilter("NUM = 2", &table, handle, false));
    QString error;
    EXPECT_FALSE(dkApplyFilter("NUM = ", &table, handle, false, &error));
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(error, "Feldname oder Wert fehlt am Ende des Filterausdrucks (Position 7)");
    EXPECT_EQ(Nums(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST_F(DkFilterTest, EngineTablesTakeTheTextUnchanged)
{
    TdkTable t;
    t.SetTableType(ttDXFOX);
    Open(t, "FILTER.DBF");
    hDBIFilter handle = 0;
    // xBase syntax: the parser would refuse the single quotes and ".AND.".
    ASSERT_TRUE(dkApplyFilter("NUM > 2 .AND. NAME <> 'Dora'", &t, handle, false));
    std::vector<int> nums;
    for (t.First(); !t.Eof(); t.Next())
        nums.push_back(t.FieldByName("NUM")->AsInteger());
    EXPECT_EQ(nums, (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(t.RecordCount(), 3);
    // Longer than 256 characters: passed whole.
    QString longText = "NUM = 4";
    while (longText.size() < 600)
        longText += " .OR. NUM = 4";
    ASSERT_TRUE(dkApplyFilter(longText, &t, handle, false));
    EXPECT_EQ(t.RecordCount(), 1);
    // A text the engine refuses is a failure with the engine's reason, and
    // the old filter is gone.
    QString error;
    EXPECT_FALSE(dkApplyFilter("NUM >", &t, handle, false, &error));
    EXPECT_TRUE(error.startsWith("Die Datenbank lehnt den Filter ab: ")) << error.toStdString();
    EXPECT_EQ(t.RecordCount(), 6);
    ASSERT_TRUE(dkApplyFilter("NUM < 3", &t, handle, false));
    EXPECT_EQ(t.RecordCount(), 2);
    ASSERT_TRUE(dkApplyFilter("", &t, handle, false));
    EXPECT_EQ(t.RecordCount(), 6);

    // Not active and not forced: nothing but the handle.
    t.Close();
    handle = 7;
    EXPECT_TRUE(dkApplyFilter("NUM >", &t, handle, false));
    EXPECT_EQ(handle, 0u);
}

TEST_F(DkFilterTest, TableFilterLinesAreBracketedAndBadOnesAreReported)
{
    TdkTable t;
    t.SetdkFilter(Lines({"NUM < 2 OR NUM > 4", "FLAG = T"}));
    EXPECT_EQ(t.BuildFilterText(), "(NUM < 2 OR NUM > 4) AND (FLAG = T)");
    Open(t, "FILTER.DBF");  // applied on open
    std::vector<int> nums;
    for (t.First(); !t.Eof(); t.Next())
        nums.push_back(t.FieldByName("NUM")->AsInteger());
    EXPECT_EQ(nums, (std::vector<int>{1, 5}));
    {
        TPromptScript script;
        script.Answer(mrOk, "Fail to set filter");
        t.SetdkFilter(Lines({"NUM < 2", "NAME = \"offen"}));
        ASSERT_EQ(script.Records().size(), 1u);
        EXPECT_TRUE(script.Records()[0].Text.contains("Anführungszeichen ohne schließendes \" (Position 23)\nFilter: (NUM < 2) AND (NAME = \"offen)"));
    }
    EXPECT_EQ(t.RecordCount(), 6);
    t.SetdkFilter(Lines({}));
    EXPECT_EQ(t.RecordCount(), 6);
}

TEST_F(DkFilterTest, RecordCallbackIsInstalledAndRemoved)
{
    hDBIFilter handle = 0;
    ASSERT_TRUE(dkSetFilterCallback([](TDataSet* ds, bool& accept) { accept = ds->FieldByName("NUM")->AsInteger() > 4; },
                                    &table, handle));
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(Nums(), (std::vector<int>{5, 6}));
    ASSERT_TRUE(dkSetFilterCallback(nullptr, &table, handle));
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(Nums(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    TdkTable closed;
    EXPECT_FALSE(dkSetFilterCallback([](TDataSet*, bool&) {}, &closed, handle));
}

}  // namespace
