// Progress of long operations through the gauge hook, and calls that come
// back into the engine from the hook while an operation runs.
#include <string>
#include <utility>
#include <vector>

#include "dbe_test_util.h"

namespace {

using Events = std::vector<std::pair<uint32_t, uint32_t>>;

class GaugeTest : public dbetest::EngineTest {
protected:
    static void Record(void* context, uint32_t done, uint32_t total)
    {
        static_cast<Events*>(context)->push_back({done, total});
    }

    // Splits the events into steps and checks each: starts at 0, rises through
    // 1..100 percent, reaches 100 exactly once, at its end. Gives the step count.
    static int Steps(const Events& events)
    {
        int steps = 0;
        int last = -1;
        for (const auto& [done, total] : events) {
            EXPECT_EQ(total, 100u);
            if (done == 0) {
                EXPECT_TRUE(last == -1 || last == 100) << "step left at " << last;
                ++steps;
                last = 0;
                continue;
            }
            EXPECT_GE(last, 0) << "a step without its start";
            EXPECT_GT(int(done), last);
            EXPECT_LE(done, 100u);
            last = int(done);
        }
        EXPECT_TRUE(last == -1 || last == 100) << "last step left at " << last;
        return steps;
    }

    std::string file_;
    void SetUp() override
    {
        EngineTest::SetUp();
        file_ = MakeSample();
        ASSERT_NE(dbe_Use(file_.c_str(), nullptr, DBE_EXCLUSIVE, 2), 0) << dbe_LastError();
        AppendNamed(3000);
        for (uint32_t r = 1; r <= 3000; r += 7) {
            dbe_Go(r);
            dbe_Delete();
        }
        ASSERT_NE(dbe_IndexTag(nullptr, "NAME", "NAME", 0, 0, nullptr), 0) << dbe_LastError();
        ASSERT_NE(dbe_IndexTag(nullptr, "KEPT", "NAME", 0, 0, ".not. deleted()"), 0) << dbe_LastError();
    }
};

TEST_F(GaugeTest, EveryOperationReportsEachStepUpToHundredOnce)
{
    Events events;
    dbe_SetGaugeHook(&Record, &events);
    struct Case {
        const char* what;
        int (*run)(const std::string& dir);
        int steps;
    };
    const Case cases[] = {
        {"index tag", [](const std::string&) { return dbe_IndexTag(nullptr, "UP", "UPPER(NAME)", 0, 0, "RECNO() > 10"); }, 1},
        {"reindex", [](const std::string&) { return dbe_Reindex(); }, 3},
        {"copy", [](const std::string& dir) { return dbe_CopyFile((dir + "/COPY.DBF").c_str()); }, 1},
        {"append from", [](const std::string& dir) { return dbe_AppendFrom((dir + "/COPY.DBF").c_str(), 1, "RECNO() < 100"); }, 1},
        {"pack", [](const std::string&) { return dbe_Pack(); }, 1 + 3},
    };
    for (const Case& c : cases) {
        events.clear();
        ASSERT_EQ(c.run(dir_.str()) != 0, true) << c.what << ": " << dbe_LastError();
        EXPECT_EQ(Steps(events), c.steps) << c.what;
    }
    // An empty table still completes its step.
    ASSERT_EQ(dbe_Zap(), 1);
    events.clear();
    ASSERT_NE(dbe_IndexTag(nullptr, "LEER", "NAME", 0, 0, nullptr), 0);
    EXPECT_EQ(Steps(events), 1);
    dbe_SetGaugeHook(nullptr, nullptr);
}

// A hook that lets events through: whatever comes back into the engine may
// read, but never change what the running operation works on.
TEST_F(GaugeTest, CallsFromTheHookCannotChangeTheRunningOperation)
{
    uint16_t other = dbe_Use(file_.c_str(), "ZWEI", DBE_READONLY, 2);
    EXPECT_EQ(other, 0);  // exclusive: a second area is refused
    struct Probe {
        int calls = 0, refused = 0, allowed = 0;
        uint32_t count = 0;
    } probe;
    dbe_SetGaugeHook(
        [](void* context, uint32_t done, uint32_t) {
            auto& p = *static_cast<Probe*>(context);
            if (done == 0) return;
            ++p.calls;
            if (p.calls == 1) p.count = dbe_RecCount();  // reading is fine (first call: the tag build)
            int refused = 0;
            refused += dbe_Replace("NAME", DBE_REPL_TEXT, "X") == 0;
            refused += dbe_AppendBlank() == 0;
            refused += dbe_Skip(1) == 0;
            refused += dbe_Delete() == 0;
            refused += dbe_Pack() == 0;
            refused += dbe_IndexTag(nullptr, "NEU", "NAME", 0, 0, nullptr) == 0;
            refused += dbe_Close() == 0;
            dbe_SetOrder(0);  // refused: the order stays
            dbe_SetDeleted(1);
            refused += dbe_SysProp(DBE_PROP_GET_DELETED, 0) == 0;
            dbe_Select(9);  // the operation keeps its area
            if (std::string(dbe_LastError()).find("beschäftigt") != std::string::npos) ++p.allowed;
            p.refused += refused;
        },
        &probe);
    ASSERT_NE(dbe_IndexTag(nullptr, "UP", "UPPER(NAME)", 0, 0, nullptr), 0) << dbe_LastError();
    ASSERT_NE(dbe_Pack(), 0) << dbe_LastError();
    dbe_SetGaugeHook(nullptr, nullptr);
    ASSERT_GT(probe.calls, 0);
    EXPECT_EQ(probe.refused, probe.calls * 8);
    EXPECT_EQ(probe.allowed, probe.calls);
    EXPECT_EQ(probe.count, 3000u);
    // Nothing of the refused calls happened; afterwards the engine works.
    EXPECT_EQ(dbe_SysProp(DBE_PROP_GET_DELETED, 0), 0);
    EXPECT_EQ(dbe_Select(1), 1);
    EXPECT_EQ(dbe_IndexOrd(), dbe_TagArea("UP"));
    EXPECT_EQ(dbe_RecCount(), 3000u - 429u);
    dbe_GoTop();
    EXPECT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "X"), 1);
    EXPECT_NE(dbe_Alias()[0], '\0');
}

}  // namespace
