// The album manager and its CD-R preparation over the real open album,
// without a main window: the work areas over real tables in a temporary
// folder, the window's side recorded. One table of cases, each from two
// registered albums ALBUMA.DBF (two entries) and ALBUMB.DBF (one entry, the
// open one): what the user does in the manager and answers, and what holds
// on disk and in the open album afterwards.
#include "offenes_album_fixture.h"

#include "album_ansicht_protokoll.h"
#include "album_dateien_lesen.h"
#include "album_halter.h"
#include "bridge_test.h"
#include "dialogs/album_manager.h"
#include "dialogs/cdr_form.h"
#include "dialogs/program_settings.h"
#include "platform/core/drive_map.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/list_view.h"
#include "platform/ui/prompt_script.h"
#include "storage/album_dateien.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace {

namespace fs = std::filesystem;
using lxtest::TAlbumHalter;
using lxtest::THalteArt;

// What the manager asks of the window itself, recorded.
class TManagerFenster : public TAlbumManagerUmgebung {
public:
    TProgrammEinstellungen& Optionen() override { return optionen; }
    void AnsichtZeigen(bool zeigen) override { Aufrufe << (zeigen ? "Ansicht an" : "Ansicht aus"); }
    void VorschauNeuLaden() override { Aufrufe << "VorschauNeuLaden"; }
    bool GridSettingsSichern() override { return true; }
    bool GridSettingsLesen() override { return true; }
    void Hilfe(const QString& thema) override { Aufrufe << "Hilfe " + thema; }
    bool CDRStart() const override { return false; }
    void PackeKopierteDBF() override { Aufrufe << "PackeKopierteDBF"; }

    TProgrammEinstellungen optionen;
    QStringList Aufrufe;
};

class AlbumManagerTest;

struct TFall {
    const char* Name;
    // What the user does in the manager, with the answers scripted.
    std::function<void(AlbumManagerTest&, TBilderDBFManagerForm&, TPromptScript&)> Tun;
    std::function<void(AlbumManagerTest&, TBilderDBFManagerForm&, const TPromptScript&)> Pruefen;
};

void PrintTo(const TFall& fall, std::ostream* os) { *os << fall.Name; }

class AlbumManagerTest : public BridgeTestBase, public ::testing::WithParamInterface<TFall> {
public:
    void SetUp() override
    {
        BridgeTestBase::SetUp();
        lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
        TDriveMap::Instance().Refresh();
        werkstatt = std::make_unique<TAlbumWerkstatt>(dir.path(), ansicht);
        // Past the first start, so an album opened is entered in the manager.
        werkstatt->dienste.Ini().INIWriteBool("Einstellungen Hauptprogramm", "ErstStart", false);
        fenster.optionen.SetBool("AlleMeldungen", false);
        // The manager table's delete asks about the album's files and packs
        // the table afterwards, as the window wires it.
        TdkTable& manager = werkstatt->manager.tabelle;
        manager.BeforeDelete = [this](TDataSet* zeile) { Album().VorManagerZeileLoeschen(zeile); };
        manager.AfterDelete = [this](TDataSet*) { Album().NachManagerZeileLoeschen(); };
        {
            TPromptScript still;
            Album().ManagerErzeugen(werkstatt->umgebung.managerOrdner, "LXMan.DBF");
            ASSERT_EQ(Album().ManagerOeffnen(), 1);
        }
        AlbumAnlegen("ALBUMA.DBF", "Urlaub", {"eins", "zwei"});
        AlbumAnlegen("ALBUMB.DBF", "Familie", {"drei"});
        ASSERT_TRUE(Album().IstGeoeffnet(Win(), "ALBUMB.DBF"));
        ASSERT_EQ(Album().ManagerAlben(false).size(), 2);
    }
    void TearDown() override
    {
        werkstatt.reset();
        dbe_CloseAll();
        BridgeTestBase::TearDown();
    }

    TOffenesAlbum& Album() { return werkstatt->album; }
    TDiensteProtokoll& Dienste() { return werkstatt->dienste; }
    QString Win() const { return werkstatt->dienste.programmPfad; }
    fs::path Datei(const char* name) const { return dir.path() / name; }

    // An album with those entries, opened (and so registered in the manager
    // with that description).
    void AlbumAnlegen(const char* name, const char* beschreibung, std::initializer_list<const char*> texte)
    {
        TPromptScript script;
        script.AnswerValue(beschreibung, "kurze Beschreibung");
        Album().Erzeugen(Win(), name);
        lxtest::EintraegeAnhaengen(Datei(name), texte);
        ASSERT_EQ(Album().Oeffnen(TAlbumDateien(Win(), name)), 1);
        ASSERT_EQ(Album().ZweiteAnsichtOeffnen(), 1);
        Album().VolltextOeffnen();
    }
    // The manager's row of that album, selected in its list.
    void Waehlen(TBilderDBFManagerForm& m, const char* name)
    {
        const QStringList alben = Album().ManagerAlben(false);
        for (int i = 0; i < alben.size(); ++i)
            if (alben[i].endsWith(QLatin1String(name))) {
                m.ListView1->SetSelected(i);
                m.ListView1Click();
                return;
            }
        ADD_FAILURE() << name << " is not in the manager";
    }
    // Another program takes that album ("ALBUMA.DBF") as `art` says; its
    // files as they are before are kept in `vorher`.
    void Halten(const char* name, THalteArt art)
    {
        vorher = Dateien(std::string(name, std::strlen(name) - 3));
        halter = std::make_unique<TAlbumHalter>(Datei(name), art);
        ASSERT_TRUE(halter->Haelt());
    }
    // The merge asked of the user up to its target: yes, that target, and
    // yes to making it when it is missing.
    void MergeBis(TPromptScript& s, const char* ziel)
    {
        s.Answer(TPromptKind::Dialog, mrYes, "fügt alle markierten Fotoalben an ein anderes")
            .AnswerValue(Win() + ziel)
            .Answer(TPromptKind::Dialog, mrYes, QString(ziel) + " nicht gefunden, jetzt erstellen ?");
    }
    void Markieren(TBilderDBFManagerForm& m, const char* name)
    {
        Waehlen(m, name);
        TdkTable& t = werkstatt->manager.tabelle;
        t.Edit();
        t.FieldByName("MARKIERT")->SetAsBoolean(true);
        t.Post();
    }
    uint32_t ManagerZeilen() { return werkstatt->manager.dbe->RecCount(); }
    // The open album with its second view and its full-text index on it.
    void OffenAuf(const char* name)
    {
        EXPECT_TRUE(Album().IstGeoeffnet(Win(), name)) << werkstatt->bilder.tabelle.TableName().toStdString();
        EXPECT_TRUE(werkstatt->bilder2.tabelle.Active());
        EXPECT_EQ(werkstatt->bilder2.tabelle.TableName(), name);
        EXPECT_TRUE(werkstatt->bilder.fts->Handle() != 0);
    }
    // The files of an album ("ALBUMA.") with a hash of their bytes.
    std::map<std::string, size_t> Dateien(const std::string& album) const
    {
        std::map<std::string, size_t> dateien;
        for (const auto& eintrag : fs::directory_iterator(dir.path()))
            if (eintrag.path().filename().string().rfind(album, 0) == 0)
                dateien[eintrag.path().filename().string()] =
                    std::hash<std::string>{}(lxtest::DateiInhalt(eintrag.path()));
        return dateien;
    }
    // The entries of a table, read through an engine area of its own.
    uint32_t Eintraege(const fs::path& dbf)
    {
        const uint16_t vorher = dbe_WorkArea(nullptr);
        if (dbe_Use(dbf.c_str(), "LESEN", DBE_SHARED, DBE_TYPE_FOX) == 0)
            return 0;
        const uint32_t n = dbe_RecCount();
        dbe_Close();
        dbe_Select(vorher);
        return n;
    }

    TAlbumAnsichtProtokoll ansicht;
    TManagerFenster fenster;
    std::unique_ptr<TAlbumWerkstatt> werkstatt;
    std::map<std::string, size_t> vorher;
    std::unique_ptr<TAlbumHalter> halter;
};

const TFall kFaelle[] = {
    {"OpensAnotherAlbumChosenInTheList",
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, TPromptScript&) {
         t.Waehlen(m, "ALBUMA.DBF");
         m.AusgewaehlteBilderdatenbankOeffnen1Click();
     },
     [](AlbumManagerTest& t, TBilderDBFManagerForm&, const TPromptScript&) {
         t.OffenAuf("ALBUMA.DBF");
         EXPECT_EQ(t.werkstatt->bilder.bereich.Dateien().Dbf(), t.Win() + "ALBUMA.DBF");
         // The views were away during the open and are back.
         EXPECT_EQ(t.fenster.Aufrufe.first(), "Ansicht aus");
         EXPECT_TRUE(t.fenster.Aufrufe.contains("Ansicht an"));
         EXPECT_EQ(t.ManagerZeilen(), 2u);
     }},
    {"DeletesTheOpenAlbumAfterYes",
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, TPromptScript& s) {
         s.Answer(TPromptKind::Dialog, mrYes, "(ALBUMB.DBF) auch löschen ?")
             .Answer(TPromptKind::Dialog, mrYes, "jetzt schließen und dann löschen?");
         t.Waehlen(m, "ALBUMB.DBF");
         m.AlbumLoeschen1Click();
     },
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, const TPromptScript&) {
         EXPECT_FALSE(t.Album().IstOffen());
         EXPECT_FALSE(t.werkstatt->bilder2.tabelle.Active());
         EXPECT_FALSE(t.werkstatt->bilder.fts->Handle() != 0);
         for (const char* datei : {"ALBUMB.DBF", "ALBUMB.FPT", "ALBUMB.CDX", "ALBUMB.IA"})
             EXPECT_FALSE(fs::exists(t.Datei(datei))) << datei;
         EXPECT_TRUE(fs::exists(t.Datei("ALBUMA.DBF")));
         // The row is gone from the table, not only marked.
         EXPECT_EQ(t.ManagerZeilen(), 1u);
         ASSERT_EQ(m.ListView1->ItemCount(), 1);
         EXPECT_EQ(m.ListView1->ItemCaption(0), "Urlaub\r\n(ALBUMA.DBF)");
     }},
    {"KeepsTheOpenAlbumAfterNo",
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, TPromptScript& s) {
         s.Answer(TPromptKind::Dialog, mrYes, "(ALBUMB.DBF) auch löschen ?")
             .Answer(TPromptKind::Dialog, mrNo, "jetzt schließen und dann löschen?")
             .Answer(TPromptKind::Message, mrOk, "Vorgang abgebrochen!");
         t.Waehlen(m, "ALBUMB.DBF");
         t.vorher = t.Dateien("ALBUMB.");
         m.AlbumLoeschen1Click();
     },
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, const TPromptScript&) {
         t.OffenAuf("ALBUMB.DBF");
         EXPECT_EQ(t.Dateien("ALBUMB."), t.vorher);
         EXPECT_EQ(t.ManagerZeilen(), 2u);
         EXPECT_EQ(m.ListView1->ItemCount(), 2);
     }},
    {"MergeAppendsTheMarkedAlbumsAndLeavesTheOpenOneOpen",
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, TPromptScript& s) {
         t.Markieren(m, "ALBUMA.DBF");
         t.Markieren(m, "ALBUMB.DBF");
         t.MergeBis(s, "ZIEL.DBF");
         s.Answer(TPromptKind::Dialog, mrNo, "Neues Fotoalbum jetzt öffnen");
         m.BitBtnMergeClick();
     },
     [](AlbumManagerTest& t, TBilderDBFManagerForm&, const TPromptScript&) {
         EXPECT_EQ(t.Eintraege(t.Datei("ZIEL.DBF")), 3u);
         t.OffenAuf("ALBUMB.DBF");
         EXPECT_EQ(t.Eintraege(t.Datei("ALBUMA.DBF")), 2u);
     }},
    {"CdrReckoningWalksEachAlbumInTheTargetViewAndClosesIt",
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, TPromptScript&) {
         TCDRForm cdr(nullptr, t.Album(), t.Dienste(), t.fenster);
         cdr.CheckBoxNurMarkierteDatenbanken->SetChecked(false);
         cdr.BilderDatenKalkulieren();
         EXPECT_EQ(cdr.Eintraege, 3);
         (void)m;
     },
     [](AlbumManagerTest& t, TBilderDBFManagerForm&, const TPromptScript&) {
         EXPECT_FALSE(t.werkstatt->ziel.tabelle.Active());
         EXPECT_FALSE(t.werkstatt->ziel.fts->Handle() != 0);
         // The open album was closed for the walk and is open again.
         EXPECT_TRUE(t.Dienste().Gerufen(" wird jetzt geschlossen!"));
         t.OffenAuf("ALBUMB.DBF");
     }},
    {"LeavesAnAlbumAnotherProgramHoldsUntouched",
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, TPromptScript& s) {
         s.Answer(TPromptKind::Message, mrOk, "wird gerade von einem anderen Programm benutzt");
         t.Halten("ALBUMA.DBF", THalteArt::Exklusiv);
         t.Waehlen(m, "ALBUMA.DBF");
         m.AusgewaehlteBilderdatenbankOeffnen1Click();
         EXPECT_EQ(t.halter->Loslassen(), 0);
     },
     [](AlbumManagerTest& t, TBilderDBFManagerForm&, const TPromptScript& s) {
         EXPECT_EQ(t.Dateien("ALBUMA."), t.vorher);
         EXPECT_EQ(s.Shown("anderen Programm"), 1);
         // The album open before stays the open one, and the one to open
         // next is still that one.
         t.OffenAuf("ALBUMB.DBF");
         EXPECT_EQ(t.werkstatt->bilder.bereich.Name(), "ALBUMB.DBF");
         EXPECT_EQ(s.Shown("wurde geöffnet"), 0);
     }},
    {"KeepsAnAlbumAnotherProgramUsesWithItsRowAndItsLaterSave",
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, TPromptScript& s) {
         s.Answer(TPromptKind::Dialog, mrYes, "(ALBUMA.DBF) auch löschen ?")
             .Answer(TPromptKind::Message, mrOk, "wird gerade von einem anderen Programm benutzt");
         t.Halten("ALBUMA.DBF", THalteArt::Speichern);
         t.Waehlen(m, "ALBUMA.DBF");
         m.AlbumLoeschen1Click();
     },
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, const TPromptScript& s) {
         EXPECT_EQ(s.Pending(), 0u);
         EXPECT_EQ(t.Dateien("ALBUMA."), t.vorher);
         EXPECT_EQ(t.ManagerZeilen(), 2u);
         EXPECT_EQ(m.ListView1->ItemCount(), 2);
         t.OffenAuf("ALBUMB.DBF");
         // What the other program saves afterwards is in the album's file.
         EXPECT_EQ(t.halter->Loslassen(), 0);
         EXPECT_EQ(t.Eintraege(t.Datei("ALBUMA.DBF")), 3u);
         EXPECT_NE(lxtest::DateiInhalt(t.Datei("ALBUMA.DBF")).find(lxtest::kHalterEintragNachher), std::string::npos);
     }},
    {"KeepsTheOpenAlbumAnotherProgramUsesAndOpensItAgain",
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, TPromptScript& s) {
         s.Answer(TPromptKind::Dialog, mrYes, "(ALBUMB.DBF) auch löschen ?")
             .Answer(TPromptKind::Dialog, mrYes, "jetzt schließen und dann löschen?")
             .Answer(TPromptKind::Message, mrOk, "wird gerade von einem anderen Programm benutzt");
         t.Halten("ALBUMB.DBF", THalteArt::Geteilt);
         t.Waehlen(m, "ALBUMB.DBF");
         m.AlbumLoeschen1Click();
         EXPECT_EQ(t.halter->Loslassen(), 0);
     },
     [](AlbumManagerTest& t, TBilderDBFManagerForm&, const TPromptScript& s) {
         EXPECT_EQ(s.Pending(), 0u);
         EXPECT_TRUE(fs::exists(t.Datei("ALBUMB.DBF")));
         EXPECT_EQ(t.ManagerZeilen(), 2u);
         t.OffenAuf("ALBUMB.DBF");
     }},
    {"MergeLeavesOutASourceWhoseEntryIsStillBeingAppended",
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, TPromptScript& s) {
         t.Markieren(m, "ALBUMA.DBF");
         t.Markieren(m, "ALBUMB.DBF");
         t.MergeBis(s, "ZIEL.DBF");
         s.Answer(TPromptKind::Message, mrOk, "ALBUMA.DBF wird gerade von einem anderen Programm benutzt")
             .Answer(TPromptKind::Dialog, mrNo, "Neues Fotoalbum jetzt öffnen");
         // The other program has appended a blank record and keeps the
         // album's index lock until it has filled it.
         t.Halten("ALBUMA.DBF", THalteArt::Indexsperre);
         lxtest::TSchnelleWartezeit schnell;
         m.BitBtnMergeClick();
     },
     [](AlbumManagerTest& t, TBilderDBFManagerForm&, const TPromptScript& s) {
         EXPECT_EQ(s.Pending(), 0u);
         EXPECT_EQ(t.halter->Loslassen(), 0);
         // Only ALBUMB's entry: nothing of the busy source, no blank record.
         EXPECT_EQ(t.Eintraege(t.Datei("ZIEL.DBF")), 1u);
         EXPECT_EQ(t.Eintraege(t.Datei("ALBUMA.DBF")), 3u);
     }},
    {"MergedEntriesAreFoundByTheTargetsFullTextSearch",
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, TPromptScript& s) {
         // Into the open album, whose full-text index is there already.
         t.Markieren(m, "ALBUMA.DBF");
         s.Answer(TPromptKind::Dialog, mrYes, "fügt alle markierten Fotoalben an ein anderes")
             .AnswerValue(t.Win() + "ALBUMB.DBF")
             .Answer(TPromptKind::Dialog, mrNo, "Neues Fotoalbum jetzt öffnen");
         m.BitBtnMergeClick();
     },
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, const TPromptScript& s) {
         EXPECT_EQ(s.Pending(), 0u);
         EXPECT_EQ(t.Eintraege(t.Datei("ALBUMB.DBF")), 3u);
         t.OffenAuf("ALBUMB.DBF");
         // The list shows the manager's current row selected, the one a
         // description typed now goes to.
         EXPECT_EQ(m.ListView1->Selected() + 1, int(t.werkstatt->manager.dbe->RecNo()));
         // Entry n is record n: the album's own entry, then the two merged.
         TFts* fts = t.werkstatt->bilder.fts.get();
         EXPECT_EQ(fts->NumRecs(), 3);
         ASSERT_EQ(fts->SetQuery("zwei"), 1);
         EXPECT_EQ(fts->NextRec(), 3);
         for (const char* wort : {"drei", "eins", "zwei"})
             EXPECT_EQ(lxtest::VolltextTreffer(t.Datei("ALBUMB.IA"), wort), 1) << wort;
     }},
    {"MergeIntoAnAlbumWhoseFullTextIndexLagsBuildsItAnew",
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, TPromptScript& s) {
         // An entry came into ALBUMA without its full-text entry.
         lxtest::EintraegeAnhaengen(t.Datei("ALBUMA.DBF"), {"vier"});
         ASSERT_EQ(lxtest::VolltextEintraege(t.Datei("ALBUMA.IA")), 2);
         t.Markieren(m, "ALBUMB.DBF");
         s.Answer(TPromptKind::Dialog, mrYes, "fügt alle markierten Fotoalben an ein anderes")
             .AnswerValue(t.Win() + "ALBUMA.DBF")
             .Answer(TPromptKind::Dialog, mrNo, "Neues Fotoalbum jetzt öffnen");
         m.BitBtnMergeClick();
     },
     [](AlbumManagerTest& t, TBilderDBFManagerForm&, const TPromptScript& s) {
         EXPECT_EQ(s.Pending(), 0u);
         EXPECT_EQ(t.Eintraege(t.Datei("ALBUMA.DBF")), 4u);
         EXPECT_EQ(lxtest::VolltextEintraege(t.Datei("ALBUMA.IA")), 4);
         for (const char* wort : {"eins", "zwei", "vier", "drei"})
             EXPECT_EQ(lxtest::VolltextTreffer(t.Datei("ALBUMA.IA"), wort), 1) << wort;
         t.OffenAuf("ALBUMB.DBF");
     }},
    {"MergesOnlyTheMarkedAlbums",
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, TPromptScript& s) {
         t.Markieren(m, "ALBUMA.DBF");
         t.MergeBis(s, "ZIEL.DBF");
         s.Answer(TPromptKind::Dialog, mrNo, "Neues Fotoalbum jetzt öffnen");
         m.BitBtnMergeClick();
     },
     [](AlbumManagerTest& t, TBilderDBFManagerForm&, const TPromptScript& s) {
         EXPECT_EQ(s.Pending(), 0u);
         EXPECT_EQ(t.Eintraege(t.Datei("ZIEL.DBF")), 2u);
     }},
    {"MergeRefusesATargetThatIsOneOfTheMarkedAlbums",
     [](AlbumManagerTest& t, TBilderDBFManagerForm& m, TPromptScript& s) {
         t.Markieren(m, "ALBUMA.DBF");
         t.Markieren(m, "ALBUMB.DBF");
         s.Answer(TPromptKind::Dialog, mrYes, "fügt alle markierten Fotoalben an ein anderes")
             .AnswerValue(t.Win() + "albuma.dbf")
             .Answer(TPromptKind::Message, mrOk, "hat NICHT funktioniert!");
         t.vorher = t.Dateien("ALBUMA.");
         m.BitBtnMergeClick();
     },
     [](AlbumManagerTest& t, TBilderDBFManagerForm&, const TPromptScript& s) {
         EXPECT_EQ(s.Pending(), 0u);
         EXPECT_EQ(t.Dateien("ALBUMA."), t.vorher);
         EXPECT_EQ(t.Eintraege(t.Datei("ALBUMA.DBF")), 2u);
         t.OffenAuf("ALBUMB.DBF");
     }},
};

TEST_P(AlbumManagerTest, Case)
{
    const TFall& fall = GetParam();
    TBilderDBFManagerForm m(nullptr, Album(), Dienste(), fenster);
    m.FormShow();
    ASSERT_EQ(m.ListView1->ItemCount(), 2);
    TPromptScript script;
    fall.Tun(*this, m, script);
    fall.Pruefen(*this, m, script);
}

INSTANTIATE_TEST_SUITE_P(OhneFenster, AlbumManagerTest, ::testing::ValuesIn(kFaelle),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
