// Guards the index search behind the grid: the nearest record, narrowing and unsupported datasets.
#include "table_fixture.h"

#include "datagrid/incremental_find.h"
#include "platform/ui/prompt_script.h"

#include <algorithm>

namespace {

// 10 000 records with mixed-case names of six letters (many share their
// first letters) and numbers 1..10000 in shuffled order.
class IncrementalFindTest : public DkTableTest {
protected:
    void SetUp() override
    {
        DkTableTest::SetUp();
        uint32_t seed = 12345;
        auto next = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) & 0x7FFF;
        };
        for (int i = 0; i < kCount; ++i) {
            std::string name;
            for (int k = 0; k < 6; ++k) {
                const char base = next() % 3 == 0 ? 'a' : 'A';
                name += static_cast<char>(base + next() % 6);  // A-F / a-f
            }
            names.push_back(name);
            nums.push_back(i + 1);
        }
        for (int i = kCount - 1; i > 0; --i)
            std::swap(nums[i], nums[next() % (i + 1)]);
        MakeTable("GROSS.DBF", {{"NAME", 'C', 20, 0}, {"NUM", 'N', 6, 0}, {"PREIS", 'N', 8, 2}}, kCount,
                  [this](int i) {
                      Text("NAME", names[i - 1]);
                      Long("NUM", nums[i - 1]);
                  });
        indexed = MakeTags("GROSS.DBF", {{"NAME", "NAME"}, {"NUM", "NUM"}});
        // Keys in the index's byte order, blank-padded as stored.
        for (const std::string& n : names)
            sorted.push_back(n + std::string(20 - n.size(), ' '));
        std::sort(sorted.begin(), sorted.end());
    }

    // What a linear scan gives for a typed text: the nearest key and the
    // number of keys that begin with the text.
    std::pair<std::string, int> Scan(const std::string& typed) const
    {
        const auto it = std::lower_bound(sorted.begin(), sorted.end(), typed);
        int count = 0;
        for (const std::string& k : sorted)
            count += k.compare(0, typed.size(), typed) == 0;
        return {it == sorted.end() ? std::string() : it->substr(0, 6), count};
    }

    static constexpr int kCount = 10000;
    std::vector<std::string> names;
    std::vector<int> nums;
    std::vector<std::string> sorted;
    bool indexed = false;
};

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

TEST_F(IncrementalFindTest, NearestRecordMatchesALinearScan)
{
    ASSERT_TRUE(indexed) << "index tags could not be made: " << dbe_LastError();
    TdkTable t;
    Open(t, "GROSS.DBF");
    t.SetIndexName("NAME");
    for (const std::string typed : {"A", "AB", "ABC", "ABCD", "Fa", "c", "cdef", "ZZ", "Aa", "FFFFFF", "fffffg", " "}) {
        const auto [nearest, count] = Scan(typed);
        const bool match = dkIncrementalFind(&t, QString::fromStdString(typed), 0);
        if (nearest.empty()) {
            EXPECT_TRUE(t.Eof() || !match) << typed;
            continue;
        }
        EXPECT_EQ(t.FieldByName("NAME")->AsString().toStdString(), nearest) << typed;
        EXPECT_EQ(match, Lower(nearest).rfind(Lower(typed), 0) == 0) << typed;
    }
    EXPECT_FALSE(dkIncrementalFind(&t, "", 0));  // empty text answers False
}

TEST_F(IncrementalFindTest, NarrowingShowsExactlyTheRecordsThatBeginWithTheText)
{
    ASSERT_TRUE(indexed) << "index tags could not be made: " << dbe_LastError();
    TdkTable t;
    t.NarrowSearch = true;
    Open(t, "GROSS.DBF");
    t.SetIndexName("NAME");
    for (const std::string typed : {"A", "AB", "ABC", "abc", "Fa", "ZZ", "DdD"}) {
        const auto [nearest, count] = Scan(typed);
        const bool match = dkIncrementalFind(&t, QString::fromStdString(typed), 0);
        std::vector<std::string> seen;
        for (t.First(); !t.Eof(); t.Next())
            seen.push_back(t.FieldByName("NAME")->AsString().toStdString());
        EXPECT_EQ(static_cast<int>(seen.size()), count) << typed;
        EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [&](const std::string& s) { return s.rfind(typed, 0) == 0; }))
            << typed;
        t.First();
        EXPECT_EQ(match, count > 0) << typed;
    }
    // Clearing the text cancels the range.
    EXPECT_FALSE(dkIncrementalFind(&t, "", 0));
    int shown = 0;
    for (t.First(); !t.Eof(); t.Next())
        ++shown;
    EXPECT_EQ(shown, kCount);
}

TEST_F(IncrementalFindTest, IntegerKeysNeedIntegerText)
{
    ASSERT_TRUE(indexed) << "index tags could not be made: " << dbe_LastError();
    TdkTable t;
    Open(t, "GROSS.DBF");
    t.SetIndexName("NUM");
    EXPECT_TRUE(dkIncrementalFind(&t, "1234", 0));
    EXPECT_EQ(t.FieldByName("NUM")->AsInteger(), 1234);
    const int recNo = t.RecNo();
    EXPECT_FALSE(dkIncrementalFind(&t, "12x", 0));  // no move
    EXPECT_EQ(t.RecNo(), recNo);
    EXPECT_TRUE(t.FindNearestValue("9999"));
    EXPECT_EQ(t.FieldByName("NUM")->AsInteger(), 9999);
    EXPECT_EQ(t.BusyCount(), 0);
    // Narrowing on a number: from the value on (the record count of the
    // bridge ignores ranges, so the records are counted).
    auto shown = [&t] {
        int n = 0;
        for (t.First(); !t.Eof(); t.Next())
            ++n;
        return n;
    };
    t.NarrowSearch = true;
    EXPECT_TRUE(dkIncrementalFind(&t, "9990", 0));
    EXPECT_EQ(shown(), 11);
    EXPECT_FALSE(dkIncrementalFind(&t, "4 2", 0));
    EXPECT_EQ(shown(), 11);
}

TEST_F(IncrementalFindTest, UnsupportedDatasetsAndTablesWithoutIndexAreReported)
{
    TTable plain;
    plain.SetDatabaseName(WinDir());
    plain.SetTableName("GROSS.DBF");
    plain.Open();
    TdkTable t;
    t.Name = "TableBilder";
    Open(t, "GROSS.DBF");
    TPromptScript script;
    script.Answer(mrOk, "Incremental Search - TTable component not supported. Use TdkTable instead.")
        .Answer(mrOk, "Table TableBilder: Table index not found");
    EXPECT_FALSE(dkIncrementalFind(&plain, "A", 0));
    EXPECT_EQ(plain.RecNo(), 1);
    EXPECT_FALSE(dkIncrementalFind(&t, "A", 0));
    EXPECT_EQ(t.RecNo(), 1);
    ASSERT_EQ(script.Records().size(), 2u);
    EXPECT_EQ(script.Records()[0].DlgType, mtWarning);
}

}  // namespace
