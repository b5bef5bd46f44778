// The maintenance object without a main window: a real work area over an
// album in a temporary folder, the window's services and the album views
// recorded by fakes. What the commands write is read back through the
// engine in an area of its own.
#include "album_ansicht_protokoll.h"
#include "offenes_album_fixture.h"
#include "album/album_record.h"
#include "album/arbeitsbereich.h"
#include "mainwindow/bilder_wartung.h"
#include "mainwindow/main_options.h"
#include "mainwindow/main_settings.h"

#include "datagrid/dk_table.h"
#include "platform/core/win_path.h"
#include "platform/data/data_source.h"
#include "platform/dbf/dbe.h"
#include "platform/dbf/file_io.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"
#include "platform/ui/prompt_service.h"
#include "storage/database_bridge.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"
#include "test_environment.h"

#include <gtest/gtest.h>

#include <QSize>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Answers every question with Yes and every notice with OK; keeps the texts.
class TJaSager : public TPromptService {
public:
    TJaSager() { vorher_ = SetPromptService(this); }
    ~TJaSager() override { SetPromptService(vorher_); }
    int Show(const TPrompt& p, QString*) override
    {
        Texte.push_back(p.Text);
        return p.Kind == TPromptKind::Dialog ? int(mrYes) : int(mrOk);
    }
    TModalResult ShowModal(TCustomForm& form) override
    {
        form.BeginModal();
        form.ModalResult = mrOk;
        form.CloseModal();
        const TModalResult r = form.ModalResult;
        form.EndModal();
        return r;
    }
    std::vector<QString> Texte;

private:
    TPromptService* vorher_;
};

// What the maintenance object needs of the window beyond the open album and
// the program's services.
class TUmgebungFake : public TWartungsUmgebung {
public:
    TProgrammOptionenStand OptionenStand;
    TEinstellungen Werte;

    const TProgrammEinstellungen& Optionen() const override { return OptionenStand; }
    TEinstellungen& Einstellungswerte() override { return Werte; }
    QString FensterTitel() const override { return titel_; }
    void FensterTitelSetzen(const QString& text) override { titel_ = text; }
    void OptionenZeigen(int) override {}
    TForm* OptionenFenster() override { return nullptr; }
    QString KopierName(const QString& datei) override { return datei; }
    bool HatZielFormat(const QString&, int) override { return true; }
    QSize ZielBildGroesse() const override { return {}; }

private:
    QString titel_;
};

struct TEintrag {
    std::string Pfad;
    bool Geloescht = false;
};

struct TGelesen {
    bool Geloescht;
    std::string Pfad;
    std::string Zugriff;
};

}  // namespace

class BilderWartungTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(InstallDatabaseBridge(), DBIERR_NONE);
        werkstatt = std::make_unique<TAlbumWerkstatt>(dir.path(), ansicht);
        tabelle = &werkstatt->bilder.tabelle;
        tabelle->Name = QStringLiteral("TableBilder");
        dbe = werkstatt->bilder.dbe.get();
        bereich = &werkstatt->bilder.bereich;
        umgebung.OptionenStand.CheckBoxBearbeitungszeitAnzeigen = false;
        umgebung.OptionenStand.CheckBoxBerabeitungsMeldung = false;
        umgebung.OptionenStand.CheckBoxAlleMeldungen = true;
        umgebung.Werte.Setzen("Sicherheitsabfragen", false);
        werkstatt->album.ManagerErzeugen(werkstatt->umgebung.managerOrdner, kManagerTabelle);
        wartung = std::make_unique<TBilderWartung>(werkstatt->album, ansicht, werkstatt->dienste, umgebung);
    }
    void TearDown() override
    {
        dbf::SetIoFaultHook({});
        wartung.reset();
        werkstatt.reset();
        dbe_CloseAll();
        UninstallDatabaseBridge();
    }

    // A line of the action log, a timed notice.
    bool ImLog(const QString& teil) const { return werkstatt->dienste.Gerufen(teil); }
    const QStringList& Hinweise() const { return werkstatt->dienste.Hinweise; }

    static QString Win(const std::filesystem::path& p) { return *LinuxToWin(QString::fromStdString(p.string())); }
    std::string Datei() const { return (dir / "TEST.DBF").string(); }

    // The album with the program's fields and these entries, opened shared
    // in the work area.
    void Album(const std::vector<TEintrag>& eintraege)
    {
        ASSERT_TRUE(dbe->CreateNew(QString::fromStdString(Datei()), 2, int(kAlbumFelder.size())));
        for (const TAlbumFeld& f : kAlbumFelder)
            dbe->CreateField(QString::fromLatin1(f.Name), f.Typ, f.Breite, f.Dezimal);
        ASSERT_TRUE(dbe->CreateExec());
        const uint16_t vorher = dbe_WorkArea(nullptr);
        ASSERT_NE(dbe_Use(Datei().c_str(), "FUELLEN", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
        for (const TEintrag& e : eintraege) {
            ASSERT_EQ(dbe_AppendBlank(), 1);
            dbe_Replace("PFAD", DBE_REPL_TEXT, e.Pfad.c_str());
            if (e.Geloescht)
                dbe_Delete();
        }
        dbe_Commit();
        dbe_Close();
        dbe_Select(vorher);
        ASSERT_TRUE(bereich->Oeffnen(false));
    }

    // Every record by record number, read in an area of its own.
    std::vector<TGelesen> Lesen()
    {
        std::vector<TGelesen> saetze;
        const uint16_t vorher = dbe_WorkArea(nullptr);
        EXPECT_NE(dbe_Use(Datei().c_str(), "LESEN", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
        dbe_SetOrder(0);
        for (uint32_t n = 1; n <= dbe_RecCount(); ++n) {
            dbe_Go(n);
            std::string zugriff = QString::fromLatin1(dbe_GetString("ZUGRIFF")).trimmed().toStdString();
            // A blank logical reads as false.
            saetze.push_back({dbe_Deleted() != 0, QString::fromLatin1(dbe_GetString("PFAD")).trimmed().toStdString(),
                              zugriff.empty() ? "F" : zugriff});
        }
        dbe_Close();
        dbe_Select(vorher);
        return saetze;
    }

    // A picture file in the test folder; its Windows-form path.
    std::string Bild(const std::string& name)
    {
        lxtest::WriteFile(dir / name, std::string(100, 'x'));
        return Win(dir / name).toStdString();
    }

    lxtest::TempDir dir;
    TUmgebungFake umgebung;
    TAlbumAnsichtProtokoll ansicht;
    std::unique_ptr<TAlbumWerkstatt> werkstatt;
    TdkTable* tabelle = nullptr;
    TDbe* dbe = nullptr;
    TArbeitsbereich* bereich = nullptr;
    std::unique_ptr<TBilderWartung> wartung;
};

TEST_F(BilderWartungTest, PackRemovesTheDeletedEntriesAndGivesTheViewsBack)
{
    Album({{"C:\\Bilder\\a.jpg"}, {"C:\\Bilder\\b.jpg", true}, {"C:\\Bilder\\c.jpg"}});
    TJaSager ja;
    wartung->BilderDBFpacken1Click(nullptr);

    const auto s = Lesen();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].Pfad, "C:\\Bilder\\a.jpg");
    EXPECT_EQ(s[1].Pfad, "C:\\Bilder\\c.jpg");
    EXPECT_TRUE(tabelle->Active());
    // The album was opened again once, with its index built and its tags
    // read.
    EXPECT_EQ(ansicht.Aufrufe.count("AlbumGeoeffnet TEST.DBF"), 1);
    EXPECT_EQ(bereich->Tags().Count(), kAlbumTagAnzahl);
    // The grid and the single-record view were hidden for the pack and are
    // back; the count was shown anew.
    for (const char* ruf :
         {"GridVerbergen", "EinzelsatzVerbergen", "GridZeigen", "EinzelsatzWiederherstellen", "SatzAnzahlZeigen"})
        EXPECT_TRUE(ansicht.Gerufen(ruf)) << ruf;
    EXPECT_TRUE(ImLog("BilderDBFpacken1Click(), Fertig !"));
    EXPECT_EQ(Hinweise(), QStringList{"Fertig !"});
    EXPECT_FALSE(wartung->Aktiv());
}

TEST_F(BilderWartungTest, AvailabilityMarksWhatIsGoneAndWhatIsThere)
{
    const std::string da = Bild("da.jpg");
    Album({{da}, {Win(dir / "weg.jpg").toStdString()}, {""}});
    TJaSager ja;
    wartung->WelcheBildersindverfuegbarClick(nullptr);

    const auto s = Lesen();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].Zugriff, "T");
    EXPECT_EQ(s[1].Zugriff, "F");
    EXPECT_EQ(s[2].Zugriff, "F");
    EXPECT_TRUE(ansicht.Gerufen("GridSeiteZeigen"));
    EXPECT_TRUE(ansicht.Gerufen("SatzAnzahlZeigen"));
    EXPECT_TRUE(ImLog("WelcheBildersindverfuegbarClick(), Fertig !"));
}

TEST_F(BilderWartungTest, ASecondCommandWhileOneRunsIsRefused)
{
    Album({{"C:\\Bilder\\a.jpg", true}, {"C:\\Bilder\\b.jpg"}});
    TJaSager ja;
    // The pack is asked for while the availability walk moves its gauge.
    bool einmal = false;
    ansicht.BeiFortschritt = [&] {
        if (!einmal) {
            einmal = true;
            wartung->BilderDBFpacken1Click(nullptr);
        }
    };
    EXPECT_FALSE(wartung->Aktiv());
    wartung->WelcheBildersindverfuegbarClick(nullptr);

    ASSERT_TRUE(einmal);
    EXPECT_NE(std::find(ja.Texte.begin(), ja.Texte.end(),
                        QStringLiteral("Bitte warten Sie, bis die laufende Bearbeitung beendet ist!")),
              ja.Texte.end());
    // Not packed: the deleted entry is still there.
    const auto s = Lesen();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_TRUE(s[0].Geloescht);
    EXPECT_FALSE(ImLog("BilderDBFpacken1Click"));
    EXPECT_FALSE(wartung->Aktiv());
}

TEST_F(BilderWartungTest, ARefusedWriteIsReportedAsFailureAndNeverAsDone)
{
    Album({{Bild("a.jpg")}, {Bild("b.jpg")}, {Bild("c.jpg")}});
    TJaSager ja;
    // Every changing file operation of the engine fails from now on.
    dbf::SetIoFaultHook([](dbf::IoOp, const std::string&) { return true; });
    wartung->WelcheBildersindverfuegbarClick(nullptr);
    dbf::SetIoFaultHook({});

    ASSERT_FALSE(ja.Texte.empty());
    EXPECT_TRUE(ja.Texte.back().startsWith("Fehler beim Schreiben in das Fotoalbum (Satz "))
        << ja.Texte.back().toStdString();
    EXPECT_TRUE(ImLog("Fehler: WelcheBildersindverfuegbarClick(), Fehler beim Schreiben"));
    EXPECT_FALSE(ImLog("WelcheBildersindverfuegbarClick(), Fertig !"));
    EXPECT_TRUE(Hinweise().empty());
    EXPECT_TRUE(ansicht.Gerufen("FortschrittVerbergen"));
    EXPECT_FALSE(wartung->Aktiv());
}
