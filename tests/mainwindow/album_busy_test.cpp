// An album another program holds is busy, never damaged: the main window's
// open reports it with the engine's busy message and leaves every file as it
// is (no index moved aside, none deleted or made), and an index is rebuilt
// only while the window holds the table exclusively. The other program is a
// process of its own (album_halter.h in the test support folder). A truly unreadable index,
// with no other program about, is still set aside and built anew.
#include "main_form_fixture.h"

#include "album_dateien_lesen.h"
#include "album_halter.h"
#include "datacontrols/dk_db_edit.h"
#include "pdf_werkzeuge.h"
#include "dialogs/album_manager.h"
#include "album/offenes_album.h"
#include "album/pick_list.h"
#include "platform/fts/fts.h"
#include "storage/tfts.h"

#include <QTest>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>

LXTEST_ALBUM_HALTER_TEST()

namespace {

namespace fs = std::filesystem;
using lxtest::AlbumDateien;
using lxtest::TAlbumHalter;
using lxtest::VolltextTreffer;
using lxtest::THalteArt;
using lxtest::TSchnelleWartezeit;

// The inode of a file, 0 when it is missing.
ino_t Inode(const fs::path& datei)
{
    struct stat info {};
    return ::stat(datei.c_str(), &info) == 0 ? info.st_ino : 0;
}

QStringList Texte(const TPromptScript& script)
{
    QStringList texte;
    for (const TPromptRecord& r : script.Records())
        texte << r.Text;
    return texte;
}

class AlbumBusyTest : public MainFormTest {
protected:
    // TEST.DBF with two entries and its full index, then closed.
    void AlbumMitIndex()
    {
        AlbumAnlegen("TEST.DBF", {{"eins"}, {"zwei"}});
        ManagerAnlegen();
        {
            TPromptScript script;
            ASSERT_EQ(form->BilderDBFOeffnen(), 1);
        }
        form->TableBilder->Close();
        ASSERT_TRUE(fs::exists(dir / "TEST.CDX"));
    }
};

// Another program keeps the album's index lock, or has the table
// exclusively: the open says the album is busy, in the engine's words, and
// no file of the album is touched.
TEST_F(AlbumBusyTest, ABusyAlbumIsReportedAsBusyAndItsIndexStays)
{
    AlbumMitIndex();
    for (const THalteArt art : {THalteArt::Indexsperre, THalteArt::Exklusiv}) {
        SCOPED_TRACE(static_cast<char>(art));
        TAlbumHalter halter(File("TEST.DBF"), art);
        ASSERT_TRUE(halter.Haelt());
        const auto vorher = AlbumDateien(dir.path());
        ASSERT_TRUE(vorher.count("TEST.CDX"));
        {
            TSchnelleWartezeit schnell;
            TPromptScript script;
            script.Answer(TPromptKind::Message, mrOk, "wird gerade von einem anderen Programm benutzt");
            EXPECT_EQ(form->BilderDBFOeffnen(), 0);
            for (const QString& text : Texte(script)) {
                EXPECT_FALSE(text.contains("Ungültiges Fotoalbum")) << text.toStdString();
                EXPECT_TRUE(text.contains("TEST.DBF")) << text.toStdString();
            }
        }
        EXPECT_FALSE(form->TableBilder->Active());
        EXPECT_TRUE(AlbumDateien(dir.path()) == vorher) << "an index file was moved, made or changed";
        EXPECT_FALSE(fs::exists(dir / "TEST.CDX.bad"));
        EXPECT_EQ(halter.Loslassen(), 0);
    }
    // Free again, the album opens with its index.
    TPromptScript script;
    ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    EXPECT_EQ(form->BereichBilder().Tags().Count(), kAlbumTagAnzahl);
}

// An index that lacks tags is rebuilt only while the window holds the table
// exclusively: with the album open in another program the window says so,
// the index stays as that program uses it, and the album opens with it.
TEST_F(AlbumBusyTest, AnIncompleteIndexOfAnAlbumInUseElsewhereIsLeftAsItIs)
{
    AlbumAnlegen("TEST.DBF", {{"eins"}, {"zwei"}});
    ManagerAnlegen();
    ASSERT_NE(dbe_Use(File("TEST.DBF").c_str(), "EINTAG", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    ASSERT_GT(dbe_IndexTag("", "SHORTDESC", "SHORTDESC", 0, 0, ""), 0) << dbe_LastError();
    dbe_Close();

    TAlbumHalter halter(File("TEST.DBF"), THalteArt::Geteilt);
    ASSERT_TRUE(halter.Haelt());
    const auto vorher = AlbumDateien(dir.path());
    ASSERT_TRUE(vorher.count("TEST.CDX"));
    {
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "wird gerade von einem anderen Programm benutzt");
        EXPECT_EQ(form->BilderDBFOeffnen(), 1);
        for (const QString& text : Texte(script))
            EXPECT_FALSE(text.contains("Indexdatei")) << text.toStdString();
    }
    EXPECT_TRUE(AlbumDateien(dir.path()) == vorher) << "the index was deleted or changed";
    ASSERT_TRUE(form->TableBilder->Active());
    EXPECT_EQ(form->DbeBilder->RecCount(), 2u);
    EXPECT_EQ(form->BereichBilder().Tags().Count(), 1);
    EXPECT_EQ(halter.Loslassen(), 0);

    // Once the other program has let go, the next open completes the index.
    form->TableBilder->Close();
    TPromptScript script;
    ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    EXPECT_EQ(form->BereichBilder().Tags().Count(), kAlbumTagAnzahl);
}

// Another program has the album open and its index cannot be read: nothing
// may be set aside or built while that program works with it, so the window
// opens the album read-only, as a write-protected one, with the fields the
// user edits in the colour of read-only ones, and says which index it could
// not read, never that the album is busy. Once the other program has let go,
// the next open sets the index aside and builds it anew.
TEST_F(AlbumBusyTest, AnUnreadableIndexOfAnAlbumInUseElsewhereOpensReadOnly)
{
    AlbumMitIndex();
    TAlbumHalter halter(File("TEST.DBF"), THalteArt::Geteilt);
    ASSERT_TRUE(halter.Haelt());
    const std::string muell(1500, 'x');
    lxtest::WriteFile(dir / "TEST.CDX", muell);
    const auto vorher = AlbumDateien(dir.path());
    QString notiz;
    {
        TSchnelleWartezeit schnell;
        TPromptScript script;
        script.Modal(NachrichtOk(&notiz));
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
        ASSERT_EQ(script.Records().size(), 1u) << Texte(script).join(u'|').toStdString();
        EXPECT_EQ(script.Records()[0].Caption, "Hinweismeldung");
    }
    EXPECT_TRUE(notiz.contains("Die Indexdatei " + form->BereichBilder().Ordner() + "TEST.CDX")) << notiz.toStdString();
    EXPECT_TRUE(notiz.contains("\"Nur lesen Modus\"")) << notiz.toStdString();
    EXPECT_FALSE(notiz.contains("wird gerade") || notiz.contains("nichts geändert")) << notiz.toStdString();
    EXPECT_TRUE(form->BereichBilder().NurLesen());
    ASSERT_TRUE(form->TableBilder->Active());
    EXPECT_TRUE(form->TableBilder->ReadOnly());
    EXPECT_EQ(form->DbeBilder->RecCount(), 2u);
    EXPECT_EQ(form->DBEditShortDesc->Color(), TColor(form->Einstellungen().Int("Infofarbe")));
    EXPECT_TRUE(AlbumDateien(dir.path()) == vorher) << "an album file was moved, made or changed";
    form->TableBilder->Close();
    EXPECT_EQ(halter.Loslassen(), 0);

    TPromptScript script;
    ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    EXPECT_FALSE(form->BereichBilder().NurLesen());
    EXPECT_FALSE(form->TableBilder->ReadOnly());
    EXPECT_EQ(form->BereichBilder().Tags().Count(), kAlbumTagAnzahl);
    EXPECT_EQ(lxtest::DateiInhalt(dir / "TEST.CDX.bad"), muell);
}

// A target album that another program uses is not indexed either.
TEST_F(AlbumBusyTest, ATargetAlbumInUseElsewhereKeepsItsFiles)
{
    AlbumAnlegen("ZIEL.DBF", {{"eins"}});
    ManagerAnlegen();
    ASSERT_FALSE(fs::exists(dir / "ZIEL.CDX"));
    TAlbumHalter halter(File("ZIEL.DBF"), THalteArt::Geteilt);
    ASSERT_TRUE(halter.Haelt());
    form->BereichBilder3().DateienSetzen(TAlbumDateien(form->BereichBilder().Ordner(), "ZIEL.DBF"));
    {
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "wird gerade von einem anderen Programm benutzt");
        form->Bilder3DBFOeffnen();
    }
    EXPECT_FALSE(fs::exists(dir / "ZIEL.CDX"));
    EXPECT_EQ(halter.Loslassen(), 0);
}

// The main window's check that the album manager and the copy commands ask
// tells a busy album (the user sees the busy message) from one that is no
// album, so neither calls it invalid.
TEST_F(AlbumBusyTest, TheCheckTellsTheManagerThatAnAlbumIsBusy)
{
    AlbumAnlegen("ANDERS.DBF", {{"eins"}});
    ManagerAnlegen();
    TOffenesAlbum& album = form->Album();
    TAlbumHalter halter(File("ANDERS.DBF"), THalteArt::Exklusiv);
    ASSERT_TRUE(halter.Haelt());
    {
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "wird gerade von einem anderen Programm benutzt");
        EXPECT_EQ(album.AlbumPruefen(form->BereichBilder().Ordner(), "ANDERS.DBF"), TOffenesAlbum::kAlbumBelegt);
    }
    EXPECT_FALSE(fs::exists(dir / "ANDERS.CDX"));
    EXPECT_EQ(halter.Loslassen(), 0);
    TPromptScript script;
    EXPECT_EQ(album.AlbumPruefen(form->BereichBilder().Ordner(), "ANDERS.DBF"), 1);
}

// With no other program about, an index file that is no index at all is
// set aside (its bytes kept in TEST.CDX.bad) and the index built anew.
TEST_F(AlbumBusyTest, AnUnreadableIndexIsSetAsideAndRebuilt)
{
    AlbumMitIndex();
    const std::string muell(1500, 'x');
    lxtest::WriteFile(dir / "TEST.CDX", muell);
    TPromptScript script;
    ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    EXPECT_EQ(lxtest::DateiInhalt(dir / "TEST.CDX.bad"), muell);
    EXPECT_EQ(form->BereichBilder().Tags().Count(), kAlbumTagAnzahl);
    EXPECT_EQ(form->DbeBilder->RecCount(), 2u);
}

// A command that needs the album to itself ("Fotoalbum packen", "Alle
// Einträge löschen") and is refused because another program has the album
// open leaves the album's full-text index as that program uses it: the
// .IA and its write-ahead files stay the same files, what the other program
// stored before and after the refusal is found, and the album is open again
// in the window with its full-text index.
TEST_F(AlbumBusyTest, ARefusedExclusiveCommandLeavesTheFullTextIndexInUse)
{
    struct TFall {
        const char* Handler;
        const char* Frage;
    };
    AlbumMitIndex();
    for (const TFall fall : {TFall{"BilderDBFpacken1Click", "Fotoalbum wirklich packen"},
                             TFall{"AlleBilderSaetzeLoeschen1Click", "Wollen Sie wirklich alle Einträge"}}) {
        SCOPED_TRACE(fall.Handler);
        {
            TPromptScript script;
            ASSERT_EQ(form->BilderDBFOeffnen(), 1);
            form->OeffneBilderFTS();
        }
        ASSERT_TRUE(fs::exists(dir / "TEST.IA"));
        ASSERT_GE(form->FtsBilder->NumRecs(), 2);
        const int vorher = VolltextTreffer(dir / "TEST.IA", lxtest::kHalterEintragVorher);
        const int nachher = VolltextTreffer(dir / "TEST.IA", lxtest::kHalterEintragNachher);

        TAlbumHalter halter(File("TEST.DBF"), THalteArt::Volltext);
        ASSERT_TRUE(halter.Haelt());
        ASSERT_TRUE(fs::exists(dir / "TEST.IA-wal"));
        ASSERT_TRUE(fs::exists(dir / "TEST.IA-shm"));
        const ino_t ia = Inode(dir / "TEST.IA"), wal = Inode(dir / "TEST.IA-wal"), shm = Inode(dir / "TEST.IA-shm");
        {
            TSchnelleWartezeit schnell;
            TPromptScript script;
            script.Answer(TPromptKind::Dialog, mrYes, fall.Frage)
                .Answer(TPromptKind::Message, mrOk, "Fehler beim exclusiven Öffnen der");
            form->Handler(fall.Handler)(nullptr);
            EXPECT_EQ(script.Pending(), 0u);
        }
        EXPECT_EQ(Inode(dir / "TEST.IA"), ia) << "the full-text index was replaced";
        EXPECT_EQ(Inode(dir / "TEST.IA-wal"), wal) << "the other program's log was removed";
        EXPECT_EQ(Inode(dir / "TEST.IA-shm"), shm) << "the other program's shared memory file was removed";
        EXPECT_TRUE(form->TableBilder->Active());
        EXPECT_EQ(form->DbeBilder->RecCount(), 2u);
        EXPECT_GT(form->FtsBilder->Handle(), 0);
        EXPECT_EQ(halter.Loslassen(), 0);

        form->FtsBilder->Close();
        form->TableBilder->Close();
        EXPECT_EQ(VolltextTreffer(dir / "TEST.IA", lxtest::kHalterEintragVorher), std::max(vorher, 0) + 1);
        EXPECT_EQ(VolltextTreffer(dir / "TEST.IA", lxtest::kHalterEintragNachher), std::max(nachher, 0) + 1);
        EXPECT_EQ(VolltextTreffer(dir / "TEST.IA", "zwei"), 1);
    }
}

// The grid of a window whose album another program holds: that program
// wrote an entry and stopped while it keeps the index lock. A command that
// reads the album anew through the index ("Ohne Filter" by Ctrl+R, a mark
// filter, "Nicht im Zugriff") then shows the busy message, the grid stays in
// view and the count panel never calls the album empty; once the other
// program has let go, "Ohne Filter" shows every entry.
TEST_F(AlbumBusyTest, TheGridOfAnAlbumHeldElsewhereSaysBusyNeverEmpty)
{
    AlbumAnlegen("TEST.DBF", {{"eins"}, {"zwei"}, {"drei"}});
    ManagerAnlegen();
    {
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
    FensterZeigen();
    Application->ProcessMessages();
    const auto anzahl = [this] { return form->StatusBarBilder1->Panels()->Items(1)->Text(); };
    const auto ohneFilter = [this] {
        QTest::keyClick(form->Handle(), Qt::Key_R, Qt::ControlModifier);
        Application->ProcessMessages();
    };
    // A menu command as the user's click runs it: failures reach the
    // application's message, as they do from the menu.
    const auto menue = [this](const char* eintrag) {
        return [this, eintrag] {
            form->MenuItem(eintrag)->Action()->trigger();
            Application->ProcessMessages();
        };
    };
    ASSERT_EQ(anzahl(), "3 von 3 Einträge angezeigt");

    struct TFall {
        const char* Name;
        std::function<void()> Ausfuehren;
        int Meldungen;  // how often the busy message shows
    };
    const TFall faelle[] = {{"Ohne Filter", ohneFilter, 2},
                            {"Filter auf Markierte", menue("BilderFilterAufMarkierte1"), 2},
                            {"Nicht im Zugriff", menue("BilderFilterNichtimZugriff1"), 2}};
    const QString belegt = "Das Album TEST.DBF wird gerade von einem anderen Programm benutzt";
    TAlbumHalter halter(File("TEST.DBF"), THalteArt::Indexsperre);
    ASSERT_TRUE(halter.Haelt());
    for (const TFall& fall : faelle) {
        SCOPED_TRACE(fall.Name);
        TSchnelleWartezeit schnell;
        // The grid, back in view, reads the album and meets the same lock
        // before the command's own failure is reported: the busy message
        // twice, nothing else.
        TPromptScript script;
        for (int i = 0; i < fall.Meldungen; ++i)
            script.Answer(TPromptKind::Exception, mrOk, belegt);
        fall.Ausfuehren();
        EXPECT_EQ(script.Pending(), 0u);
        EXPECT_FALSE(anzahl().startsWith("0 von")) << anzahl().toStdString();
        EXPECT_TRUE(form->PanelBilderGrid->Visible()) << "the grid was left hidden: the album looks empty";
        form->Handle()->grab().save(BildschirmfotoOrdner() + "/album_busy_grid_" + QString::number(&fall - faelle) +
                                    ".png");
    }
    EXPECT_EQ(halter.Loslassen(), 0);

    // Free again: the same command shows all entries (and the holder's one).
    TPromptScript script;
    ohneFilter();
    EXPECT_TRUE(Texte(script).isEmpty()) << Texte(script).join(" | ").toStdString();
    EXPECT_EQ(anzahl(), "4 von 4 Einträge angezeigt");
    EXPECT_EQ(form->DbeBilder->QueryRecCount(), 4u);
    EXPECT_TRUE(form->PanelBilderGrid->Visible());
}

// The pick list read through a field's tag while another program, stopped,
// keeps the album's index lock: the walk fails with the engine's busy
// message (it never spins on moves that cannot be made) and the list stays
// as it was; once the other program has let go, the list is read.
TEST_F(AlbumBusyTest, APickListOfAnAlbumHeldElsewhereFailsAsBusy)
{
    TTestEintrag urlaub{"eins"}, hafen{"zwei"};
    urlaub.Label = "Urlaub";
    hafen.Label = "Hafen";
    AlbumAnlegen("TEST.DBF", {urlaub, hafen});
    ManagerAnlegen();
    {
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
        form->BereichBilder3().DateienSetzen(form->BereichBilder().Dateien());
        form->Bilder3DBFOeffnen();
    }
    ASSERT_TRUE(form->TableBilder3->Active());
    const auto bereich = static_cast<uint16_t>(form->TableBilder3->Handle());

    TAlbumHalter halter(File("TEST.DBF"), THalteArt::Indexsperre);
    ASSERT_TRUE(halter.Haelt());
    ASSERT_TRUE(halter.Anhalten());
    TStringList liste;
    liste.Add("vorher");
    {
        TSchnelleWartezeit schnell;
        try {
            PicklisteUeberTag(bereich, "LABEL", liste);
            ADD_FAILURE() << "the walk over the held album reported no error";
        } catch (const Exception& e) {
            EXPECT_TRUE(e.Message.contains("wird gerade von einem anderen Programm benutzt")) << e.Message.toStdString();
        }
    }
    EXPECT_EQ(liste.ToQStringList(), QStringList{"vorher"});
    EXPECT_EQ(halter.Loslassen(), 0);

    liste.Clear();
    EXPECT_TRUE(PicklisteUeberTag(bereich, "LABEL", liste));
    EXPECT_EQ(liste.ToQStringList(), (QStringList{"Urlaub", "Hafen"}));
}

}  // namespace
