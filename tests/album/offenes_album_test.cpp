// The open album's lifecycle without a main window: real work areas over a
// temporary folder, the views and the program's services recorded. One
// table of cases, each from a fresh folder: what is on disk before, what
// the user answers, what the open gives, and what is on disk after.
#include "offenes_album_fixture.h"

#include "album_ansicht_protokoll.h"
#include "album_dateien_lesen.h"
#include "album_halter.h"
#include "bridge_test.h"
#include "album/album_record.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/prompt_script.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

LXTEST_ALBUM_HALTER_TEST()

namespace {

namespace fs = std::filesystem;
using lxtest::TAlbumHalter;
using lxtest::THalteArt;
using lxtest::TSchnelleWartezeit;

class OffenesAlbumTest;

// One case: the folder made ready, the answers the user gives, the open's
// result and what must hold afterwards.
struct TFall {
    const char* Name;
    std::function<void(OffenesAlbumTest&)> Vorbereiten;
    std::function<void(TPromptScript&)> Antworten;
    int Ergebnis;
    std::function<void(OffenesAlbumTest&, const TPromptScript&)> Pruefen;
};

void PrintTo(const TFall& fall, std::ostream* os) { *os << fall.Name; }

class OffenesAlbumTest : public BridgeTestBase, public ::testing::WithParamInterface<TFall> {
public:
    void SetUp() override
    {
        BridgeTestBase::SetUp();
        lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
        werkstatt = std::make_unique<TAlbumWerkstatt>(dir.path(), ansicht);
        TPromptScript still;
        werkstatt->album.ManagerErzeugen(werkstatt->umgebung.managerOrdner, kManagerTabelle);
    }
    void TearDown() override
    {
        for (const fs::path& datei : geschuetzt)
            Unveraenderlich(datei, false);
        ::chmod(dir.str().c_str(), 0755);
        werkstatt.reset();
        dbe_CloseAll();
        BridgeTestBase::TearDown();
    }

    TOffenesAlbum& Album() { return werkstatt->album; }
    TArbeitsbereich& Bilder() { return werkstatt->bilder.bereich; }
    TDbe* Dbe() { return werkstatt->bilder.dbe.get(); }
    TdkTable& Tabelle() { return werkstatt->bilder.tabelle; }
    fs::path Datei(const char* name) const { return dir.path() / name; }
    const fs::path& Ordner() const { return dir.path(); }

    // TEST.DBF with the entries, made by the area and filled through the
    // engine; without an index.
    void AlbumAnlegen(std::initializer_list<const char*> texte)
    {
        TPromptScript still;
        Album().Erzeugen(Bilder().Ordner(), Bilder().Name());
        lxtest::EintraegeAnhaengen(Datei("TEST.DBF"), texte);
    }
    // The same, opened once so its index is complete, and closed again.
    void AlbumMitIndex(std::initializer_list<const char*> texte)
    {
        AlbumAnlegen(texte);
        TPromptScript still;
        ASSERT_EQ(Album().Oeffnen(), 1);
        Tabelle().Close();
        ASSERT_TRUE(fs::exists(Datei("TEST.CDX")));
        ansicht.Aufrufe.clear();
        werkstatt->umgebung.Aufrufe.clear();
        werkstatt->dienste.Aufrufe.clear();
    }
    // The rows of the manager table, read through an engine area of its own.
    std::vector<std::string> ManagerPfade() const
    {
        std::vector<std::string> pfade;
        const uint16_t vorher = dbe_WorkArea(nullptr);
        if (dbe_Use((dir.path() / "db" / "LXMan.DBF").c_str(), "LESEN", DBE_SHARED, DBE_TYPE_FOX) == 0)
            return pfade;
        for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1)) {
            const char* wert = dbe_GetTrimString("PFAD");
            pfade.emplace_back(wert ? wert : "");
        }
        dbe_Close();
        dbe_Select(vorher);
        return pfade;
    }
    int Tags() const { return werkstatt->bilder.bereich.Tags().Count(); }

    // An album of three entries in the description's order (6), its index
    // left with dirty marks (the tags' own, else the file's), then
    // write-protected; skipped where files cannot be write-protected.
    void SchreibgeschuetztMitMarken(bool nurTags)
    {
        AlbumMitIndex({"b", "a", "c"});
        Bilder().SortierungSetzen(6);
        std::string cdx = lxtest::ReadFile(Datei("TEST.CDX"));
        std::size_t mark = cdx.find("LXCD");  // the file's header first
        if (nurTags)
            mark = cdx.find("LXCD", mark + 1);
        for (; mark != std::string::npos; mark = nurTags ? cdx.find("LXCD", mark + 1) : std::string::npos)
            cdx[mark + 8] = 1;  // the dirty mark
        lxtest::WriteFile(Datei("TEST.CDX"), cdx);
        vorher = lxtest::AlbumDateien(Ordner());
        for (const char* datei : {"TEST.DBF", "TEST.FPT", "TEST.CDX", "TEST.IA"})
            if (fs::exists(Datei(datei)) && !Schreibschuetzen(datei))
                GTEST_SKIP() << "cannot write-protect a file here";
        ASSERT_EQ(::chmod(Ordner().c_str(), 0555), 0);
    }
    // What both cases show: the entries in record order, read-only, the
    // write-protection notice first and `hinweise` notices in all, no file
    // changed.
    void UnsortiertUndUnveraendert(int hinweise)
    {
        ASSERT_TRUE(Tabelle().Active());
        EXPECT_TRUE(Bilder().NurLesen());
        EXPECT_EQ(Dbe()->IndexOrd(), 0);
        EXPECT_EQ(ansicht.Sortierung, "Unsortiert");
        std::vector<std::string> gezeigt;
        for (Dbe()->GoTop(); !Dbe()->Eof(); Dbe()->Skip(1))
            gezeigt.push_back(Dbe()->GetTrimString("SHORTDESC").toStdString());
        EXPECT_EQ(gezeigt, (std::vector<std::string>{"b", "a", "c"}));
        const QStringList& texte = werkstatt->dienste.Hinweise;
        ASSERT_EQ(texte.size(), hinweise) << texte.join(u'|').toStdString();
        EXPECT_TRUE(texte[0].contains("ist schreibgeschützt")) << texte[0].toStdString();
        ::chmod(Ordner().c_str(), 0755);
        EXPECT_TRUE(lxtest::AlbumDateien(Ordner()) == vorher) << "an album file was changed";
    }

    // Write-protects an album file as a CD does: read-only, and for root
    // (whom the mode bits do not stop) immutable. False when that cannot be
    // done here.
    bool Schreibschuetzen(const char* name)
    {
        const fs::path datei = Datei(name);
        fs::permissions(datei, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        if (::geteuid() != 0)
            return true;
        geschuetzt.push_back(datei);
        return Unveraenderlich(datei, true);
    }
    static bool Unveraenderlich(const fs::path& datei, bool an)
    {
        const int fd = ::open(datei.c_str(), O_RDONLY);
        int flags = 0;
        bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (ok) {
            flags = an ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (fd >= 0)
            ::close(fd);
        return ok;
    }

    TAlbumAnsichtProtokoll ansicht;
    std::unique_ptr<TAlbumWerkstatt> werkstatt;
    std::map<std::string, std::string> vorher;
    std::unique_ptr<TAlbumHalter> halter;
    std::vector<fs::path> geschuetzt;  // made immutable (undone at the end)
};

const TFall kFaelle[] = {
    {"MissingAlbumIsCreatedAfterYes", [](OffenesAlbumTest&) {},
     [](TPromptScript& s) { s.Answer(TPromptKind::Dialog, mrYes, ") nicht gefunden, jetzt erstellen ?"); }, 1,
     [](OffenesAlbumTest& t, const TPromptScript&) {
         EXPECT_TRUE(fs::exists(t.Datei("TEST.DBF")));
         EXPECT_TRUE(fs::exists(t.Datei("TEST.CDX")));
         EXPECT_TRUE(t.Tabelle().Active());
         EXPECT_EQ(t.Tags(), kAlbumTagAnzahl);
         // The pick lists were offered once, from the last album.
         EXPECT_EQ(t.werkstatt->umgebung.Aufrufe.count("PicklistenUebernehmen"), 1);
         EXPECT_FALSE(t.werkstatt->umgebung.Aufrufe.contains("PicklistenUebernehmen ohne CD"));
         EXPECT_EQ(t.ansicht.AlbumName, t.Bilder().Dateien().Dbf());
         EXPECT_TRUE(t.ansicht.Gerufen("AlbumGeoeffnet TEST.DBF"));
         // Filters and searches of the album before start afresh.
         EXPECT_TRUE(t.werkstatt->umgebung.Aufrufe.contains("AlbumGewechselt"));
     }},
    {"MissingAlbumIsLeftAloneAfterNo", [](OffenesAlbumTest&) {},
     [](TPromptScript& s) { s.Answer(TPromptKind::Dialog, mrNo, ") nicht gefunden, jetzt erstellen ?"); }, 1,
     [](OffenesAlbumTest& t, const TPromptScript&) {
         EXPECT_FALSE(fs::exists(t.Datei("TEST.DBF")));
         EXPECT_FALSE(t.Tabelle().Active());
         EXPECT_TRUE(t.werkstatt->umgebung.Aufrufe.contains("AnderesAlbumWaehlen"));
     }},
    {"ATableThatIsNoAlbumIsRefused",
     [](OffenesAlbumTest& t) {
         ASSERT_NE(dbe_CreateNew(t.Datei("TEST.DBF").c_str(), "FREMD", DBE_TYPE_FOX, 1), 0);
         dbe_CreateField("NAME", 'C', 20, 0);
         ASSERT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
         dbe_Close();
     },
     [](TPromptScript& s) { s.Answer(TPromptKind::Message, mrOk, "Ungültiges Fotoalbum (Bilderdatenbank)!"); }, 0,
     [](OffenesAlbumTest& t, const TPromptScript&) {
         EXPECT_FALSE(t.Tabelle().Active());
         EXPECT_FALSE(fs::exists(t.Datei("TEST.CDX")));
     }},
    {"ABusyAlbumIsLeftUntouched",
     [](OffenesAlbumTest& t) {
         t.AlbumMitIndex({"eins", "zwei"});
         t.halter = std::make_unique<TAlbumHalter>(t.Datei("TEST.DBF"), THalteArt::Exklusiv);
         ASSERT_TRUE(t.halter->Haelt());
         t.vorher = lxtest::AlbumDateien(t.Ordner());
     },
     [](TPromptScript& s) { s.Answer(TPromptKind::Message, mrOk, "wird gerade von einem anderen Programm benutzt"); },
     0,
     [](OffenesAlbumTest& t, const TPromptScript& s) {
         EXPECT_FALSE(t.Tabelle().Active());
         EXPECT_TRUE(lxtest::AlbumDateien(t.Ordner()) == t.vorher) << "an index file was moved, made or changed";
         EXPECT_FALSE(fs::exists(t.Datei("TEST.CDX.bad")));
         EXPECT_EQ(s.Shown("Ungültiges Fotoalbum"), 0);
         EXPECT_EQ(t.halter->Loslassen(), 0);
     }},
    {"AnUnreadableIndexIsSetAsideAndRebuiltOnce",
     [](OffenesAlbumTest& t) {
         t.AlbumMitIndex({"eins", "zwei"});
         lxtest::WriteFile(t.Datei("TEST.CDX"), std::string(1500, 'x'));
     },
     [](TPromptScript&) {}, 1,
     [](OffenesAlbumTest& t, const TPromptScript&) {
         EXPECT_TRUE(fs::exists(t.Datei("TEST.CDX.bad")));
         EXPECT_EQ(lxtest::DateiInhalt(t.Datei("TEST.CDX.bad")), std::string(1500, 'x'));
         ASSERT_TRUE(t.Tabelle().Active());
         EXPECT_EQ(t.Dbe()->RecCount(), 2u);
         EXPECT_EQ(t.Tags(), kAlbumTagAnzahl);
         // One open, one rebuild: the album's name shown once per run of
         // the open (the first and the rerun after the build).
         EXPECT_EQ(t.ansicht.Aufrufe.filter("AlbumNameZeigen").size(), 2);
         EXPECT_EQ(t.ansicht.Aufrufe.filter("AlbumGeoeffnet").size(), 1);
     }},
    // Another program has the album open while its index cannot be read:
    // nothing may be set aside or rebuilt, so the album opens read-only,
    // as a write-protected one does, and the notice names the index.
    {"AnUnreadableIndexOfAnAlbumInUseElsewhereOpensReadOnly",
     [](OffenesAlbumTest& t) {
         t.AlbumMitIndex({"eins", "zwei"});
         t.halter = std::make_unique<TAlbumHalter>(t.Datei("TEST.DBF"), THalteArt::Geteilt);
         ASSERT_TRUE(t.halter->Haelt());
         lxtest::WriteFile(t.Datei("TEST.CDX"), std::string(1500, 'x'));
         t.vorher = lxtest::AlbumDateien(t.Ordner());
     },
     [](TPromptScript&) {}, 1,
     [](OffenesAlbumTest& t, const TPromptScript& s) {
         ASSERT_TRUE(t.Tabelle().Active());
         EXPECT_TRUE(t.Bilder().NurLesen());
         EXPECT_TRUE(t.Tabelle().ReadOnly());
         EXPECT_EQ(t.Dbe()->RecCount(), 2u);
         const QStringList& hinweise = t.werkstatt->dienste.Hinweise;
         ASSERT_EQ(hinweise.size(), 1) << hinweise.join(u'|').toStdString();
         EXPECT_TRUE(hinweise[0].contains(QString::fromStdString(t.Datei("TEST.CDX").filename().string())))
             << hinweise[0].toStdString();
         EXPECT_TRUE(hinweise[0].contains("Nur lesen Modus")) << hinweise[0].toStdString();
         for (const char* falsch : {"wird gerade", "nichts geändert", "schief gegangen", "konnte nicht aufgebaut"}) {
             EXPECT_EQ(s.Shown(falsch), 0) << falsch;
             EXPECT_FALSE(t.werkstatt->dienste.Gerufen(falsch)) << falsch;
         }
         EXPECT_TRUE(lxtest::AlbumDateien(t.Ordner()) == t.vorher) << "an album file was moved, made or changed";
         EXPECT_FALSE(fs::exists(t.Datei("TEST.CDX.bad")));
         t.Tabelle().Close();
         EXPECT_EQ(t.halter->Loslassen(), 0);
     }},
    {"IncompleteTagsAreRebuilt",
     [](OffenesAlbumTest& t) {
         t.AlbumAnlegen({"eins", "zwei"});
         ASSERT_NE(dbe_Use(t.Datei("TEST.DBF").c_str(), "EINTAG", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0);
         ASSERT_GT(dbe_IndexTag("", "SHORTDESC", "SHORTDESC", 0, 0, ""), 0) << dbe_LastError();
         dbe_Close();
     },
     [](TPromptScript&) {}, 1,
     [](OffenesAlbumTest& t, const TPromptScript&) {
         ASSERT_TRUE(t.Tabelle().Active());
         EXPECT_EQ(t.Tags(), kAlbumTagAnzahl);
         EXPECT_FALSE(fs::exists(t.Datei("TEST.CDX.bad")));
     }},
    {"AReadOnlyAlbumOpensWithoutARebuild",
     [](OffenesAlbumTest& t) {
         t.AlbumAnlegen({"eins"});
         ASSERT_EQ(::chmod(t.Ordner().c_str(), 0555), 0);
     },
     [](TPromptScript& s) { s.Answer(TPromptKind::Message, mrOk, "konnte nicht aufgebaut werden"); }, 1,
     [](OffenesAlbumTest& t, const TPromptScript&) {
         EXPECT_TRUE(t.Bilder().NurLesen());
         EXPECT_TRUE(t.Tabelle().Active());
         EXPECT_TRUE(t.Tabelle().ReadOnly());
         EXPECT_FALSE(fs::exists(t.Datei("TEST.CDX")));
         EXPECT_TRUE(t.werkstatt->dienste.Gerufen("ist schreibgeschützt"));
     }},
    // A write-protected album whose index a writer left unfinished (killed
    // after an append): nothing can be rebuilt, so the album opens without
    // its index, in record order, says so, and keeps every file as it was.
    {"AReadOnlyAlbumWhoseIndexMustBeRebuiltOpensWithoutIt",
     [](OffenesAlbumTest& t) { t.SchreibgeschuetztMitMarken(false); },
     [](TPromptScript& s) { s.Answer(TPromptKind::Message, mrOk, "das Fotoalbum wird ohne Index geöffnet!"); }, 1,
     [](OffenesAlbumTest& t, const TPromptScript&) { t.UnsortiertUndUnveraendert(1); }},
    // The same with only the tags left half-changed (a writer stopped while
    // it rebuilt them): the tags are listed, but the saved order cannot be
    // read, so the album shows its entries unsorted and says why.
    {"AReadOnlyAlbumWhoseTagsAreHalfChangedOpensUnsorted",
     [](OffenesAlbumTest& t) { t.SchreibgeschuetztMitMarken(true); }, [](TPromptScript&) {}, 1,
     [](OffenesAlbumTest& t, const TPromptScript&) {
         t.UnsortiertUndUnveraendert(2);
         const QString hinweis = t.werkstatt->dienste.Hinweise.value(1);
         EXPECT_TRUE(hinweis.contains("TEST.CDX")) << hinweis.toStdString();
         EXPECT_TRUE(hinweis.contains("SHORTDESC")) << hinweis.toStdString();
         EXPECT_TRUE(hinweis.contains("unsortiert")) << hinweis.toStdString();
     }},
    {"TheOrderIsKeptAcrossAReopen",
     [](OffenesAlbumTest& t) {
         t.AlbumMitIndex({"b", "a", "c"});
         TPromptScript still;
         ASSERT_EQ(t.Album().Oeffnen(), 1);
         t.Dbe()->SetOrder(6);  // the user sorts by the description
     },
     [](TPromptScript&) {}, 1,
     [](OffenesAlbumTest& t, const TPromptScript&) {
         EXPECT_EQ(t.Dbe()->IndexOrd(), 6);
         EXPECT_EQ(t.Bilder().Sortierung(), 6);
         EXPECT_EQ(t.ansicht.Sortierung, "Sortierung=" + t.Dbe()->TagName(6));
         t.Dbe()->GoTop();
         EXPECT_EQ(t.Dbe()->GetTrimString("SHORTDESC"), "a");
     }},
    {"CloseAllThenReopenGivesTheSameAlbumInTheSameOrder",
     [](OffenesAlbumTest& t) {
         t.AlbumMitIndex({"b", "a", "c"});
         TPromptScript still;
         t.Bilder().SortierungSetzen(6);  // opened in the description's order
         ASSERT_EQ(t.Album().Oeffnen(), 1);
         ASSERT_EQ(t.Dbe()->IndexOrd(), 6);
         t.Album().AllesSchliessen();
         ASSERT_FALSE(t.Tabelle().Active());
     },
     [](TPromptScript&) {}, 1,
     [](OffenesAlbumTest& t, const TPromptScript&) {
         auto gleichesAlbum = [&t] {
             EXPECT_TRUE(t.Tabelle().Active());
             EXPECT_TRUE(t.Bilder().Dateien().Dbf().endsWith("TEST.DBF", Qt::CaseInsensitive));
             EXPECT_EQ(t.Dbe()->IndexOrd(), 6);
             t.Dbe()->GoTop();
             EXPECT_EQ(t.Dbe()->GetTrimString("SHORTDESC"), "a");
             EXPECT_EQ(t.Dbe()->RecCount(), 3u);
         };
         gleichesAlbum();
         // The reopen after a merge or a pack gives it back the same way.
         TPromptScript still;
         EXPECT_EQ(t.Album().NeuOeffnen(), 1);
         gleichesAlbum();
     }},
    {"AnAlbumTheManagerDoesNotListIsRegistered",
     [](OffenesAlbumTest& t) {
         t.AlbumMitIndex({"eins", "zwei"});
         t.werkstatt->dienste.Ini().INIWriteBool("Einstellungen Hauptprogramm", "ErstStart", false);
     },
     [](TPromptScript& s) { s.AnswerValue("Urlaub", "Geben Sie eine kurze Beschreibung ein"); }, 1,
     [](OffenesAlbumTest& t, const TPromptScript&) {
         EXPECT_EQ(t.ManagerPfade(), std::vector<std::string>{t.Bilder().Dateien().Dbf().toStdString()});
         // A second open finds it listed: no second row, no question.
         TPromptScript still;
         t.Tabelle().Close();
         EXPECT_EQ(t.Album().Oeffnen(), 1);
         EXPECT_EQ(t.ManagerPfade().size(), 1u);
     }},
};

TEST_P(OffenesAlbumTest, Oeffnen)
{
    const TFall& fall = GetParam();
    fall.Vorbereiten(*this);
    if (HasFatalFailure() || IsSkipped())
        return;
    TSchnelleWartezeit schnell;
    TPromptScript script;
    fall.Antworten(script);
    EXPECT_EQ(Album().Oeffnen(), fall.Ergebnis);
    fall.Pruefen(*this, script);
}

INSTANTIATE_TEST_SUITE_P(Faelle, OffenesAlbumTest, ::testing::ValuesIn(kFaelle),
                         [](const ::testing::TestParamInfo<TFall>& info) { return std::string(info.param.Name); });

}  // namespace
