// The program's start leaves opening the album's full-text index until its
// window has been painted; the user's first input, should it come sooner,
// waits for it. A full-text search and an edit typed right after the start
// find the index open, and a damaged index gives the same answers as a
// start that opens it at once.

#include "start_fixture.h"

#include "app/lumadex_main.h"
#include "app/start_zeiten.h"
#include "platform/data/field.h"
#include "platform/ui/com_ctrls.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <QTest>

namespace {

class StartAfterPaintTest : public StartTest {
protected:
    void SetUp() override
    {
        // "Ende" of an earlier test ended the application's run.
        Application->ClearTerminated();
        StartTest::SetUp();
    }

    // A first start makes the standard album; three entries go in through
    // the window, so the full-text index holds them.
    void AlbumMitEintraegen()
    {
        Starten();
        ASSERT_TRUE(form->TableBilder->Active());
        for (const char* text : {"Strand am Meer", "Berg im Schnee", "Hafen bei Nacht"}) {
            form->TableBilder->Append();
            form->TableBilder->FieldByName("SHORTDESC")->SetAsString(text);
            form->TableBilder->Post();
        }
        Beenden();
        form.reset();
        dbe_CloseAll();
        Application->ClearTerminated();
    }

    // Starts as the program does (the index left for after the paint, the
    // work after the paint hooked to the window), or with the index opened
    // by the start-up itself.
    void StartenWieDasProgramm(bool spaeter)
    {
        form = std::make_unique<TMainForm>(nullptr);
        if (spaeter)
            form->VolltextNachDemZeigen();
        form->DoCreate();
        TNachErstemPaint nachPaint;
        nachPaint.Danach = [this] { form->VolltextNachholen(); };
        NachErstemPaint(form->Handle(), nachPaint);
    }

    // The quick-search bar's full-text filter as the user types it.
    void Suchen(const QString& wort)
    {
        form->edSearch->SetText(QString());
        QTest::keyClicks(form->edSearch->Handle(), wort);
        form->ButFiltClick(nullptr);
    }
    std::string Filter() { return form->StatusBarBilder1->Panels()->Items(4)->Text().toStdString(); }
};

}  // namespace

TEST_F(StartAfterPaintTest, TheFirstInputFindsTheFullTextIndexOpenAndAnEditGoesIntoIt)
{
    AlbumMitEintraegen();
    StartenWieDasProgramm(true);
    // Nothing opened it yet: the start-up left it.
    EXPECT_TRUE(form->VolltextWartet());
    EXPECT_LT(form->FtsBilder->NumRecs(), 0);

    // The user types before the paint: the index is opened first.
    Suchen("schnee");
    EXPECT_FALSE(form->VolltextWartet());
    EXPECT_EQ(form->edSearch->Text(), "schnee");
    EXPECT_EQ(Filter(), "Volltextfilter gesetzt ");
    EXPECT_EQ(form->DbeBilder->GetTrimString("SHORTDESC"), "Berg im Schnee");
    form->MenuItem("BilderOhneFilter1")->Click();

    // An entry changed right after the start is found by its new word.
    form->TableBilder->First();
    form->TableBilder->Edit();
    form->TableBilder->FieldByName("SHORTDESC")->SetAsString("Vulkan am Abend");
    form->TableBilder->Post();
    Suchen("vulkan");
    EXPECT_EQ(Filter(), "Volltextfilter gesetzt ");
    EXPECT_EQ(form->DbeBilder->GetTrimString("SHORTDESC"), "Vulkan am Abend");
    EXPECT_FALSE(prompts.Gezeigt("Volltextsuche :"));
}

TEST_F(StartAfterPaintTest, ThePaintOpensTheIndexAndAMissingIndexIsStillBuiltBeforeTheWindowShows)
{
    AlbumMitEintraegen();
    StartenWieDasProgramm(true);
    ASSERT_TRUE(form->VolltextWartet());
    form->Show();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form->VolltextWartet(); }, 5000));
    EXPECT_EQ(form->FtsBilder->NumRecs(), 3);
    Beenden();
    form.reset();
    dbe_CloseAll();
    Application->ClearTerminated();

    // Without its index the start-up builds it as before, with its progress.
    std::filesystem::remove(Datenbank() / "BILDER.IA");
    StartenWieDasProgramm(true);
    EXPECT_FALSE(form->VolltextWartet());
    EXPECT_EQ(form->FtsBilder->NumRecs(), 3);
    EXPECT_TRUE(std::filesystem::exists(Datenbank() / "BILDER.IA"));
}

TEST_F(StartAfterPaintTest, ADamagedIndexAnswersAsWhenTheStartUpOpensItAtOnce)
{
    AlbumMitEintraegen();
    lxtest::WriteFile(Datenbank() / "BILDER.IA", std::string(4096, 'x'));
    struct Ergebnis {
        int Eintraege;
        std::string Filter;
        QStringList Texte;
    };
    std::vector<Ergebnis> ergebnisse;
    for (const bool spaeter : {false, true}) {
        StartenWieDasProgramm(spaeter);
        EXPECT_EQ(form->VolltextWartet(), spaeter);
        prompts.Texte.clear();
        Suchen("schnee");
        EXPECT_FALSE(form->VolltextWartet());
        ergebnisse.push_back({form->FtsBilder->NumRecs(), Filter(), prompts.Texte});
        Beenden();
        form.reset();
        dbe_CloseAll();
        Application->ClearTerminated();
    }
    EXPECT_LT(ergebnisse[0].Eintraege, 0);  // unusable
    EXPECT_EQ(ergebnisse[1].Eintraege, ergebnisse[0].Eintraege);
    EXPECT_EQ(ergebnisse[1].Filter, ergebnisse[0].Filter);
    EXPECT_EQ(ergebnisse[1].Texte, ergebnisse[0].Texte);
    EXPECT_FALSE(ergebnisse[0].Texte.isEmpty());
}
