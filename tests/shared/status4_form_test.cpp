// TStatus4Frm: the progress protocol of negated percentages, the two
// gauges over a run of steps, Esc and the engine hook adapter.

#include <gtest/gtest.h>

#include "platform/ui/test_input.h"
#include "shared/status4_form.h"

namespace {

struct Status4Fixture : ::testing::Test {
    void Show(uint16_t steps)
    {
        StatusSchritte = steps;
        StatusGesamt = 12345;
        form = std::make_unique<TStatus4Frm>(Application);
        form->Show();
    }
    void TearDown() override
    {
        form.reset();
        EscAbbruch = 0;
    }
    // The key code the engine sends for a percentage.
    static Word KeyOf(int percent) { return Word(65536 - percent); }
    std::unique_ptr<TStatus4Frm> form;
};

}  // namespace

TEST_F(Status4Fixture, ShowSetsCaptionResetsTheSumAndShowsTheLowerGaugeForRuns)
{
    Show(1);
    EXPECT_EQ(form->Caption(), "Bearbeitungs-Status");
    EXPECT_EQ(StatusGesamt, 0);
    EXPECT_FALSE(form->Panel2->Visible());
    EXPECT_EQ(form->ClientWidth(), 499);
    EXPECT_EQ(form->ClientHeight(), 101);
    EXPECT_TRUE(form->KeyPreview);
    EXPECT_EQ(form->QKGauge1->Boxes(), 100);
    EXPECT_EQ(form->QKGauge1->Color(), clSilver);
    form.reset();
    Show(34);
    EXPECT_TRUE(form->Panel2->Visible());
}

TEST_F(Status4Fixture, TenStepsRunTheUpperGaugeTenTimesAndTheLowerOnce)
{
    Show(10);
    int lastLower = 0;
    for (int step = 1; step <= 10; ++step) {
        for (int p = 1; p <= 100; ++p) {
            Word key = KeyOf(p);
            form->FormKeyDown(form.get(), key, {});
            EXPECT_EQ(key, 0);
            EXPECT_EQ(form->QKGauge1->Progress(), p);
            EXPECT_GE(form->QKGauge2->Progress(), lastLower);
            lastLower = form->QKGauge2->Progress();
        }
        EXPECT_EQ(form->QKGauge2->Progress(), step * 10);
        EXPECT_EQ(form->Label2->Caption(), QString::number(step * 10) + " % Gesamt");
    }
    EXPECT_EQ(StatusGesamt, 1000);
    EXPECT_EQ(form->Caption(), "Bearbeite Datenbank, bitte warten...");
    // A step past the last one clamps at 100.
    Word key = KeyOf(100);
    form->FormKeyDown(form.get(), key, {});
    EXPECT_EQ(form->QKGauge2->Progress(), 100);
}

TEST_F(Status4Fixture, FirstMessageOf37PercentInARunOfTen)
{
    Show(10);
    form->Fortschritt(37);
    EXPECT_EQ(form->Label1->Caption(), "37 % Aktuell");
    EXPECT_EQ(form->Label2->Caption(), "3 % Gesamt");
    EXPECT_EQ(form->QKGauge1->LitBoxes(), 37);
}

TEST_F(Status4Fixture, NoStepsLeaveTheLowerGaugeAndOrdinaryKeysAreNoProgress)
{
    Show(0);
    form->Fortschritt(100);
    EXPECT_EQ(form->QKGauge2->Progress(), 0);
    EXPECT_EQ(StatusGesamt, 100);
    for (Word k : {Word(0), Word('A'), Word(VK_F3), Word(VK_ESCAPE)}) {
        Word key = k;
        form->FormKeyDown(form.get(), key, {});
        EXPECT_EQ(key, 0);
        EXPECT_EQ(form->QKGauge1->Progress(), 100) << k;
    }
}

TEST_F(Status4Fixture, KeysInTheWindowReachNoControlAndEscCountsOnRelease)
{
    Show(1);
    int reached = 0;
    form->QKGauge1->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++reached; };
    lxui_test::SendKey(form->QKGauge1->Handle(), Qt::Key_A, "a");
    EXPECT_EQ(reached, 0);
    EXPECT_EQ(form->QKGauge1->Progress(), 0);
    lxui_test::SendKeyDown(form->QKGauge1->Handle(), Qt::Key_Escape, "\x1b");
    EXPECT_EQ(EscAbbruch, 0);
    lxui_test::SendKeyUp(form->QKGauge1->Handle(), Qt::Key_Escape, "\x1b");
    EXPECT_EQ(EscAbbruch, 1);
}

TEST_F(Status4Fixture, EngineHookGivesEachPercentOnceAndOneHundredPerStep)
{
    Show(3);
    std::vector<int> seen;
    for (int step = 0; step < 3; ++step) {
        TStatus4Frm::GaugeHook(form.get(), 0, 1000);
        for (uint32_t done = 7; done <= 1000; done += 7) {
            TStatus4Frm::GaugeHook(form.get(), done, 1000);
            seen.push_back(form->QKGauge1->Progress());
        }
        TStatus4Frm::GaugeHook(form.get(), 1000, 1000);
        EXPECT_EQ(form->QKGauge1->Progress(), 100);
    }
    EXPECT_EQ(StatusGesamt, 300);
    EXPECT_EQ(form->QKGauge2->Progress(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.begin() + 142));
    EXPECT_EQ(seen.size(), 3u * 142u);
    // A byte count near the 32-bit limit still gives a sound percentage.
    TStatus4Frm::GaugeHook(form.get(), 0, 4000000000u);
    TStatus4Frm::GaugeHook(form.get(), 2000000000u, 4000000000u);
    EXPECT_EQ(form->QKGauge1->Progress(), 50);
}

TEST_F(Status4Fixture, EachEngineOperationIsOneStepHoweverItsFirstReportLooks)
{
    // Operations over few records: one reports only its end, one starts
    // above 0, one starts at 0 and jumps; the caller may mark a start too.
    struct Case {
        const char* name;
        std::vector<std::vector<uint32_t>> operations;  // reports of done of 100
    };
    const std::vector<Case> cases = {
        {"only ends", {{100}, {100}, {100}}},
        {"start above 0", {{50, 100}, {30, 100}, {100}}},
        {"same first percentage", {{40, 100}, {40, 100}, {40, 100}}},
        {"with start marks", {{0, 100}, {0, 100}, {0, 60, 100}}},
        {"end below the start of the next", {{0, 20, 100}, {70, 100}, {100}}},
    };
    for (const Case& c : cases) {
        Show(3);
        for (const auto& op : c.operations) {
            for (uint32_t done : op)
                TStatus4Frm::GaugeHook(form.get(), done, 100);
            EXPECT_EQ(form->QKGauge1->Progress(), 100) << c.name;
        }
        EXPECT_EQ(StatusGesamt, 300) << c.name;
        EXPECT_EQ(form->QKGauge2->Progress(), 100) << c.name;
        form.reset();
    }
}

TEST_F(Status4Fixture, CallerMarkingEachTagStartStillCountsOneStepPerTag)
{
    // The album code marks each tag's start with (0, 1) before the engine
    // reports the tag's own 0 .. 100.
    Show(2);
    for (int tag = 0; tag < 2; ++tag) {
        TStatus4Frm::GaugeHook(form.get(), 0, 1);
        TStatus4Frm::GaugeHook(form.get(), 0, 100);
        TStatus4Frm::GaugeHook(form.get(), 100, 100);
    }
    EXPECT_EQ(StatusGesamt, 200);
    EXPECT_EQ(form->QKGauge2->Progress(), 100);
}
