// The copy object without a main window: a source and a target work area
// over albums in a temporary folder, the window and the views recorded.
// What reached the target is read back through the engine.
#include "album_ansicht_protokoll.h"
#include "album_dateien_lesen.h"
#include "album_halter.h"
#include "offenes_album_fixture.h"
#include "album/album_record.h"
#include "album/arbeitsbereich.h"
#include "mainwindow/bilder_kopien.h"

#include "bridge_test.h"
#include "datagrid/dk_table.h"
#include "platform/core/drive_map.h"
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/data/data_source.h"
#include "platform/dbf/dbe.h"
#include "platform/dbf/file_io.h"
#include "platform/fts/fts.h"
#include "platform/ui/prompt_script.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

// The drive table every test of the run starts with.
const lxtest::FakeDrive kLaufwerkC{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34};

QString Win(const std::filesystem::path& p) { return *LinuxToWin(QString::fromStdString(p.string())); }

bool Oeffnen(TdkTable* tabelle, TDbe* dbe, const QString& ordner, const QString& name, bool exklusiv)
{
    return DatenbankOeffnenPasswort(tabelle, ttDXFOX, dbe, ordner, name, QString(), exklusiv, false, false, nullptr,
                                    QString(), QString()) == kDatenbankOffen;
}

// An album file with the album's fields, made through the engine.
void AlbumErzeugen(TDbe* dbe, const QString& datei)
{
    ASSERT_TRUE(dbe->CreateNew(datei, 2, kAlbumFeldAnzahl));
    for (const TAlbumFeld& f : kAlbumFelder)
        ASSERT_TRUE(dbe->CreateField(QString::fromLatin1(f.Name), f.Typ, f.Breite, f.Dezimal));
    ASSERT_TRUE(dbe->CreateExec());
}

// The memo of the current record as the engine gives it.
std::string Memo(const char* feld)
{
    const long laenge = dbe_GetBlobLength(feld);
    char* memo = dbe_GetMemo(feld, 0);
    if (!memo)
        return {};
    std::string bytes(memo, static_cast<size_t>(std::max(laenge, 0L)));
    dbe_MemDealloc(memo);
    return bytes;
}

// What the copy asks of the window beyond the open album and the services:
// the target file the user picks, the options.
class TFenster : public TBilderKopienUmgebung {
public:
    bool ZielDateiWaehlen(const QString&, const QString&, QString& gewaehlt) override
    {
        gewaehlt = zielDatei;
        return true;
    }
    const TProgrammOptionenStand& Optionen() const override { return optionen; }

    QString zielDatei;
    TProgrammOptionenStand optionen;
};

const std::string kNotiz = "Lange Beschreibung \xe4\xf6\xfc";

std::string Vorschau()
{
    std::string bytes = "BM";
    for (int i = 0; i < 500; ++i)
        bytes += static_cast<char>((i * 7) % 256);  // zero bytes included
    return bytes;
}

class BilderKopienTest : public BridgeTestBase {
protected:
    void SetUp() override
    {
        BridgeTestBase::SetUp();
        werkstatt = std::make_unique<TAlbumWerkstatt>(dir.path(), ansicht);
        werkstatt->album.ManagerErzeugen(werkstatt->umgebung.managerOrdner, kManagerTabelle);
        kopien = std::make_unique<TBilderKopien>(werkstatt->album, ansicht, werkstatt->dienste, fenster);
        fenster.optionen.CheckBoxAlleMeldungen = false;
        fenster.optionen.CheckBoxVorschauBilderAlsBlobSpeichern = true;
        std::filesystem::create_directories(dir.path() / "ziel");
        // The source: two entries with both memos; the first is marked, the
        // second deleted.
        const QString datei = Win(dir.path() / "QUELLE.DBF");
        AlbumErzeugen(Quelle().dbe.get(), datei);
        const uint16_t vorher = dbe_WorkArea(nullptr);
        ASSERT_NE(dbe_Use((dir.path() / "QUELLE.DBF").c_str(), "FUELLEN", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0)
            << dbe_LastError();
        const std::string vorschau = Vorschau();
        const double zoom = 1.5;
        for (const char* text : {"Erstes", "Zweites"}) {
            ASSERT_EQ(dbe_AppendBlank(), 1);
            dbe_Replace("SHORTDESC", DBE_REPL_TEXT, text);
            dbe_Replace("PFAD", DBE_REPL_TEXT, "D:\\DCIM\\IMG_0001.JPG");
            dbe_Replace("LABELKENNU", DBE_REPL_TEXT, "-17");
            dbe_Replace("ZOOMFACTOR", DBE_REPL_DOUBLE, &zoom);
            ASSERT_EQ(dbe_ReplaceBlob("NOTIZ", kNotiz.data(), uint32_t(kNotiz.size()), 0), 1);
            ASSERT_EQ(dbe_ReplaceBlob("VORSCHAU", vorschau.data(), uint32_t(vorschau.size()), 1), 1);
            const char markiert = text == std::string("Erstes") ? 'T' : 'F';
            dbe_Replace("MARKIERT", DBE_REPL_LOGICAL, &markiert);
        }
        dbe_Delete();
        dbe_Commit();
        dbe_Close();
        dbe_Select(vorher);
        Quelle().bereich.DateienSetzen(TAlbumDateien(Win(dir.path()) + "\\", "QUELLE.DBF"));
        ASSERT_TRUE(Oeffnen(&Quelle().tabelle, Quelle().dbe.get(), Quelle().bereich.Ordner(), Quelle().bereich.Name(), false));
        Quelle().dbe->SetOrder(0);
        Quelle().dbe->Go(1);
    }
    void TearDown() override
    {
        dbf::SetIoFaultHook({});
        lxtest::WriteDriveTable({kLaufwerkC});
        TDriveMap::Instance().Refresh();
        kopien.reset();
        werkstatt.reset();
        dbe_CloseAll();
        BridgeTestBase::TearDown();
    }

    // The target album opened as the copy dialog opens it: made new after
    // the user's yes.
    void ZielOeffnen()
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "ZIEL.DBF nicht gefunden, jetzt erstellen ?");
        ASSERT_TRUE(kopien->ZielAlbumOeffnen(Win(dir.path() / "ziel") + "\\", "ZIEL.DBF"));
    }
    TBereichTeile& Quelle() { return werkstatt->bilder; }
    TBereichTeile& Ziel() { return werkstatt->ziel; }
    std::filesystem::path ZielVolltext() const { return dir.path() / "ziel" / "ZIEL.IA"; }

    // Reads the target's records back through the engine, the copy's
    // tables closed.
    template <typename F>
    void ZielLesen(uint32_t saetze, F pruefen)
    {
        Quelle().tabelle.Close();
        Ziel().tabelle.Close();
        const uint16_t area = dbe_Use((dir.path() / "ziel" / "ZIEL.DBF").c_str(), "PRUEF", DBE_SHARED, DBE_TYPE_FOX);
        ASSERT_NE(area, 0) << dbe_LastError();
        ASSERT_EQ(dbe_RecCount(), saetze);
        for (uint32_t r = 1; r <= saetze; ++r) {
            dbe_Go(r);
            pruefen(r);
        }
        dbe_Close();
    }

    TFenster fenster;
    TAlbumAnsichtProtokoll ansicht;
    std::unique_ptr<TAlbumWerkstatt> werkstatt;
    std::unique_ptr<TBilderKopien> kopien;
};

TEST_F(BilderKopienTest, AnEntryReachesTheTargetWithItsMemosAndFullTextEntry)
{
    ZielOeffnen();
    ASSERT_TRUE(kopien->EintragKopieren(QString()));
    // The target was made with its index, and the entry is in its full-text
    // index.
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "ziel" / "ZIEL.CDX"));
    EXPECT_EQ(lxtest::VolltextTreffer(ZielVolltext(), "Erstes"), 1);
    // The memos went through temporary files that are gone again.
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "NOTIZ.TXT"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "VORSCHAU.BMP"));
    ZielLesen(1, [](uint32_t) {
        EXPECT_EQ(dbe_Deleted(), 0);
        EXPECT_STREQ(dbe_GetTrimString("SHORTDESC"), "Erstes");
        EXPECT_STREQ(dbe_GetTrimString("PFAD"), "D:\\DCIM\\IMG_0001.JPG");
        EXPECT_STREQ(dbe_GetTrimString("LABELKENNU"), "-17");
        EXPECT_STREQ(dbe_GetTrimString("ZOOMFACTOR"), "1.50");
        EXPECT_EQ(Memo("NOTIZ"), kNotiz);
        EXPECT_EQ(Memo("VORSCHAU"), Vorschau());
    });
}

// A copy whose picture now lies elsewhere: the new path, no zoom, and the
// medium id of the drive the path names.
TEST_F(BilderKopienTest, ANewPathGivesZoomZeroAndTheNewMediumId)
{
    lxtest::WriteDriveTable({kLaufwerkC, {"E", dir.path().string(), "DISK", "KARTE", "00001234"}});
    TDriveMap::Instance().Refresh();
    ZielOeffnen();
    ASSERT_TRUE(kopien->EintragKopieren("E:\\NEU\\IMG_0001.JPG"));
    ZielLesen(1, [](uint32_t) {
        EXPECT_STREQ(dbe_GetTrimString("PFAD"), "E:\\NEU\\IMG_0001.JPG");
        EXPECT_STREQ(dbe_GetTrimString("ZOOMFACTOR"), "0.00");
        EXPECT_STREQ(dbe_GetTrimString("LABELKENNU"), "4660");
        EXPECT_STREQ(dbe_GetTrimString("SHORTDESC"), "Erstes");
        EXPECT_EQ(Memo("NOTIZ"), kNotiz);
    });
}

// The target refuses the memo write: the appended record is marked deleted,
// the copy answers false and adds no full-text entry.
TEST_F(BilderKopienTest, ARefusedWriteMarksTheAppendedRecordDeletedAndAnswersFalse)
{
    ZielOeffnen();
    dbf::SetIoFaultHook([](dbf::IoOp op, const std::string& what) {
        char ziel[4096] = {};
        const std::string link = "/proc/self/fd/" + what.substr(what.find(':') + 1);
        const ssize_t n = ::readlink(link.c_str(), ziel, sizeof ziel - 1);
        return op == dbf::IoOp::Write && n > 4 && std::string(ziel, n).ends_with("ZIEL.FPT");
    });
    EXPECT_FALSE(kopien->EintragKopieren(QString()));
    dbf::SetIoFaultHook({});
    // No full-text entry was added for it.
    EXPECT_EQ(lxtest::VolltextEintraege(ZielVolltext()), 0);
    ZielLesen(1, [](uint32_t) {
        EXPECT_EQ(dbe_Deleted(), 1);
        EXPECT_STREQ(dbe_GetTrimString("SHORTDESC"), "Erstes");
    });
}

// All shown entries into a new album: the one not shown stays behind, memos
// and thumbnail arrive, the target is packed and the views are told.
TEST_F(BilderKopienTest, TheShownEntriesReachANewAlbumAndTheViewsAreToldAfterwards)
{
    fenster.zielDatei = Win(dir.path() / "ziel" / "ZIEL.DBF");
    Quelle().dbe->Query("MARKIERT");
    ASSERT_EQ(Quelle().dbe->QueryRecCount(), 1u);
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "ZIEL.DBF nicht gefunden, jetzt erstellen ?")
            .Answer(TPromptKind::Dialog, mrNo, "Ziel-Fotoalbum in den Fotoalben-Manager eintragen ?");
        kopien->SaetzeInNeuesFotoalbumKopieren();
    }
    // The target's full-text entry, the views told, the open album's
    // full-text index open again.
    EXPECT_EQ(lxtest::VolltextTreffer(ZielVolltext(), "Erstes"), 1);
    EXPECT_TRUE(ansicht.Gerufen("AnsichtenNachAlbumwechsel"));
    EXPECT_GE(Quelle().fts->NumRecs(), 0);
    ZielLesen(1, [](uint32_t) {
        EXPECT_EQ(dbe_Deleted(), 0);
        EXPECT_STREQ(dbe_GetTrimString("SHORTDESC"), "Erstes");
        EXPECT_EQ(Memo("NOTIZ"), kNotiz);
        EXPECT_EQ(Memo("VORSCHAU"), Vorschau());
    });
}

// A target that another program uses cannot be packed: the pack says so
// once (no closing message after it) and the target is open again.
TEST_F(BilderKopienTest, ATargetInUseElsewhereIsReportedOnceAndStaysOpen)
{
    ZielOeffnen();
    fenster.optionen.CheckBoxAlleMeldungen = true;
    werkstatt->umgebung.alleMeldungen = true;
    lxtest::TAlbumHalter halter((dir.path() / "ziel" / "ZIEL.DBF").string(), lxtest::THalteArt::Geteilt);
    ASSERT_TRUE(halter.Haelt());
    werkstatt->dienste.Aufrufe.clear();
    {
        lxtest::TSchnelleWartezeit schnell;
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "Fehler beim exclusiven Öffnen von");
        kopien->ZielPacken();
    }
    EXPECT_TRUE(werkstatt->dienste.Hinweise.empty()) << werkstatt->dienste.Aufrufe.join('\n').toStdString();
    EXPECT_TRUE(Ziel().tabelle.Active());
    EXPECT_EQ(halter.Loslassen(), 0);
}

// Answers every prompt with OK (the pack of the target reports its own
// failures, which are not what the test below looks at).
class TNurOk : public TPromptService {
public:
    TNurOk() { vorher_ = SetPromptService(this); }
    ~TNurOk() override { SetPromptService(vorher_); }
    int Show(const TPrompt&, QString*) override { return mrOk; }
    TModalResult ShowModal(TCustomForm&) override { return mrOk; }

private:
    TPromptService* vorher_ = nullptr;
};

// A write into the target that fails while an entry is being copied stops
// the copy of all shown entries, and the entry leaves the target: whichever
// write of the target fails (only that one, or every one from there on),
// the target shows no blank or half-written entry, or the message says that
// the appended entry could not be removed.
TEST_F(BilderKopienTest, AFailedWriteLeavesNoBlankEntryInTheTarget)
{
    fenster.zielDatei = Win(dir.path() / "ziel" / "ZIEL.DBF");
    Quelle().dbe->Query("MARKIERT");
    int geprueft = 0;
    for (const bool abDort : {false, true}) {
        bool fertig = false;
        for (int n = 1; n <= 60 && !fertig; ++n) {
            SCOPED_TRACE(std::string(abDort ? "every write from " : "only write ") + std::to_string(n));
            Ziel().tabelle.Close();
            for (const char* ext : {".DBF", ".FPT", ".CDX", ".IA"})
                std::filesystem::remove(dir.path() / "ziel" / (std::string("ZIEL") + ext));
            AlbumErzeugen(Ziel().dbe.get(), fenster.zielDatei);
            // The target's index is made before the faults begin: the copy's
            // own writes are the ones that fail.
            Ziel().bereich.DateienSetzen(TAlbumDateien(Win(dir.path() / "ziel") + "\\", "ZIEL.DBF"));
            {
                TNurOk antworten;
                werkstatt->album.ZielOeffnen();
            }
            ASSERT_TRUE(Ziel().tabelle.Active());
            Ziel().tabelle.Close();
            int schreiben = 0;
            dbf::SetIoFaultHook([&](dbf::IoOp op, const std::string& what) {
                char pfad[4096] = {};
                const std::string link = "/proc/self/fd/" + what.substr(what.find(':') + 1);
                const ssize_t l = ::readlink(link.c_str(), pfad, sizeof pfad - 1);
                if (op != dbf::IoOp::Write || l <= 0 || std::string(pfad, l).find("/ziel/ZIEL.") == std::string::npos)
                    return false;
                ++schreiben;
                return abDort ? schreiben >= n : schreiben == n;
            });
            QString fehler;
            {
                TNurOk antworten;
                try {
                    kopien->SaetzeInNeuesFotoalbumKopieren();
                    fertig = true;
                } catch (const Exception& e) {
                    fehler = e.Message;
                }
            }
            dbf::SetIoFaultHook({});
            // The copy went through, or the pack after it failed; a thumbnail
            // that failed leaves an entry that is whole but for it.
            if (!fehler.startsWith("Fehler beim Kopieren in das Ziel-Fotoalbum") || fehler.contains("(Vorschaubild"))
                continue;
            ++geprueft;
            if (fehler.contains("konnte nicht aus dem Ziel-Fotoalbum entfernt werden"))
                continue;
            Ziel().tabelle.Close();
            const uint16_t area =
                dbe_Use((dir.path() / "ziel" / "ZIEL.DBF").c_str(), "PRUEF", DBE_SHARED, DBE_TYPE_FOX);
            ASSERT_NE(area, 0) << dbe_LastError();
            for (uint32_t r = 1; r <= dbe_RecCount(); ++r) {
                dbe_Go(r);
                EXPECT_TRUE(dbe_Deleted()) << "record " << r << " of the target is shown: "
                                            << dbe_GetTrimString("SHORTDESC") << " / " << fehler.toStdString();
            }
            dbe_Close();
        }
        EXPECT_TRUE(fertig) << "the copy never went through";
    }
    EXPECT_GT(geprueft, 0);
}

}  // namespace
