// The run's state on its own: the end asked for while commands run, and the
// hand-over of dropped files to the add dialog.
#include "album/programm_lauf.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A sequence of steps: "+" a command begins, "-" it ends, "E" the end is
// asked for. `faellig` holds, per "-", whether the end is due then.
struct TBefehlsFall {
    const char* name;
    std::string schritte;
    std::vector<bool> faellig;
};

class ProgrammLaufBefehle : public ::testing::TestWithParam<TBefehlsFall> {};

TEST_P(ProgrammLaufBefehle, EndIsDueOnceTheOutermostCommandHasReturned)
{
    const TBefehlsFall& fall = GetParam();
    TProgrammLauf lauf;
    std::vector<bool> faellig;
    for (char s : fall.schritte) {
        if (s == '+') {
            lauf.BefehlBeginnt();
        } else if (s == '-') {
            faellig.push_back(lauf.BefehlEndet());
        } else {
            lauf.EndeAnfordern();
            // The running command is stopped as Esc stops it.
            EXPECT_TRUE(lauf.AbbruchGedrueckt());
        }
    }
    EXPECT_EQ(faellig, fall.faellig);
    EXPECT_FALSE(lauf.BefehlLaeuft());
    EXPECT_EQ(lauf.LaufendeBefehle(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Faelle, ProgrammLaufBefehle,
    ::testing::Values(TBefehlsFall{"NoEndAsked", "+-+-", {false, false}},
                      TBefehlsFall{"EndInOneCommand", "+E-", {true}},
                      TBefehlsFall{"EndInNestedCommand", "++E--", {false, true}},
                      // Answered once: the next command does not end the program again.
                      TBefehlsFall{"DueOnlyOnce", "+E-+-", {true, false}},
                      // An end asked for between commands waits for the next one.
                      TBefehlsFall{"EndBetweenCommands", "+-E+-", {false, true}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgrammLauf, DroppedFilesAreOfferedOnlyWhileTheAddDialogRuns)
{
    TProgrammLauf lauf;
    lauf.DropListeSetzen({QStringLiteral("C:\\a.jpg"), QStringLiteral("C:\\b.png")});
    bool waehrend = false;
    lauf.DropUebergeben([&] { waehrend = lauf.DropUebergabeLaeuft(); });
    EXPECT_TRUE(waehrend);
    EXPECT_FALSE(lauf.DropUebergabeLaeuft());
    ASSERT_EQ(lauf.DropListe().Count(), 2);
    EXPECT_EQ(lauf.DropListe()[1], QStringLiteral("C:\\b.png"));

    // A dialog that fails leaves no hand-over behind for the next add dialog.
    EXPECT_THROW(lauf.DropUebergeben([] { throw std::runtime_error("Dialog"); }), std::runtime_error);
    EXPECT_FALSE(lauf.DropUebergabeLaeuft());

    // A new start forgets the drop.
    lauf.NeuerStart();
    EXPECT_EQ(lauf.DropListe().Count(), 0);
}

// An end asked for stays asked for until the end begins (waits for a busy
// album stop on it meanwhile), also after a command's end has answered it;
// a new start forgets it.
TEST(ProgrammLauf, AnEndAskedForHoldsUntilTheEndBegins)
{
    TProgrammLauf lauf;
    EXPECT_FALSE(lauf.EndeAngefordert());
    lauf.BefehlBeginnt();
    lauf.EndeAnfordern();
    EXPECT_TRUE(lauf.BefehlEndet());
    EXPECT_TRUE(lauf.EndeAngefordert());
    EXPECT_FALSE(lauf.ProgrammEndet());
    lauf.EndeBeginnt();
    EXPECT_FALSE(lauf.EndeAngefordert());
    EXPECT_TRUE(lauf.ProgrammEndet());

    lauf.EndeAnfordern();
    lauf.NeuerStart();
    EXPECT_FALSE(lauf.EndeAngefordert());
    EXPECT_FALSE(lauf.ProgrammEndet());
}

}  // namespace
