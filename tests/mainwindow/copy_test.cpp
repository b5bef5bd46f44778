// Copying the shown entries into another album: records, long
// descriptions and thumbnails in the target's own memo file, its tags and
// its full-text index.
#include "main_form_fixture.h"

#include "platform/core/run_temp_folder.h"
#include "platform/core/win_path.h"
#include "platform/dbf/file_io.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <unistd.h>

namespace {

std::string Notiz(int n) { return "Lange Beschreibung " + std::to_string(n) + " \xe4\xf6\xfc mit Umlauten"; }

std::string Vorschau(int n)
{
    std::string bytes = "BM";
    for (int i = 0; i < 300 + n * 37; ++i)
        bytes += static_cast<char>((i * 7 + n) % 256);  // zero bytes included
    return bytes;
}

// The memo of the current record with the length the engine gives for it.
std::string Memo(const char* feld)
{
    const long laenge = dbe_GetBlobLength(feld);
    char* memo = dbe_GetMemo(feld, 0);
    if (!memo)
        return "<kein Memo>";
    std::string bytes(memo, static_cast<size_t>(std::max(laenge, 0L)));
    dbe_MemDealloc(memo);
    return bytes;
}

class CopyTest : public MainFormTest {
protected:
    void QuelleOeffnen()
    {
        std::vector<TTestEintrag> eintraege;
        for (int n = 1; n <= 25; ++n) {
            TTestEintrag e{"Eintrag" + std::to_string(n)};
            e.Markiert = n <= 21;
            e.Geloescht = n == 5;  // not shown, not copied
            e.Notiz = Notiz(n);
            e.Vorschau = Vorschau(n);
            if (n > 21)
                e.ShortDesc = "unmarkiert" + std::to_string(n);
            eintraege.push_back(e);
        }
        AlbumAnlegen("TEST.DBF", eintraege);
        ManagerAnlegen();
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
        form->OeffneBilderFTS();
        form->DbeBilder->Query("MARKIERT");
        ASSERT_EQ(form->DbeBilder->QueryRecCount(), 20u);
    }
    QString Ziel(const char* name) { return Win(dir.path()) + "\\ziel\\" + name; }
};

TEST_F(CopyTest, ShownEntriesReachTheTargetWithTheirMemosAndFullTextEntries)
{
    QuelleOeffnen();
    {
        TPromptScript script;
        script.AnswerValue(Ziel("ZIEL.DBF"));
        script.Answer(TPromptKind::Dialog, mrYes, "ZIEL.DBF nicht gefunden, jetzt erstellen ?")
            .Answer(TPromptKind::Dialog, mrNo, "Ziel-Fotoalbum in den Fotoalben-Manager eintragen ?");
        form->KopiereSaetzeInNeuesFotoalbum();
    }
    // The open album is as it was, its index open again.
    EXPECT_EQ(form->DbeBilder->QueryRecCount(), 20u);
    EXPECT_EQ(form->FtsBilder->NumRecs(), 25);
    form->TableBilder3->Close();

    const std::string ziel = (dir / "ziel" / "ZIEL.DBF").string();
    const uint16_t area = dbe_Use(ziel.c_str(), "ZIELPRUEF", DBE_SHARED, DBE_TYPE_FOX);
    ASSERT_NE(area, 0) << dbe_LastError();
    ASSERT_EQ(dbe_RecCount(), 20u);
    int tags = 0;
    while (*dbe_TagName(tags + 1))
        ++tags;
    EXPECT_EQ(tags, kZielAlbumTagAnzahl);
    dbe_SetOrder(0);
    for (uint32_t r = 1; r <= 20; ++r) {
        dbe_Go(r);
        const int n = std::stoi(std::string(dbe_GetTrimString("SHORTDESC")).substr(7));
        EXPECT_NE(n, 5);
        EXPECT_EQ(dbe_Deleted(), 0);
        EXPECT_EQ(Memo("NOTIZ"), Notiz(n)) << n;
        EXPECT_EQ(Memo("VORSCHAU"), Vorschau(n)) << n;
    }
    dbe_Close();

    TFts fts(nullptr);
    ASSERT_GT(fts.OpenIndex(Win(dir.path() / "ziel" / "ZIEL.IA"), 20, 0), 0);
    EXPECT_EQ(fts.NumRecs(), 20);
    EXPECT_EQ(fts.SetQuery("Eintrag"), 20);
    EXPECT_EQ(fts.SetQuery("unmarkiert"), 0);
    EXPECT_EQ(fts.SetQuery("Eintrag21"), 1);
}

TEST_F(CopyTest, CopyIntoAnAlbumWithDeletedEntriesKeepsThumbnailsAndEntryNumbersRight)
{
    QuelleOeffnen();
    // The existing target holds a deleted entry before the copies: packing
    // moves every copied record one place up.
    std::filesystem::create_directories(dir / "ziel");
    form->ErzeugeBilderDatenbank(Win(dir.path()) + "\\ziel\\", "ALT.DBF");
    TTestEintrag alt{"altgeloescht"};
    alt.Geloescht = true;
    EintraegeSchreiben((dir / "ziel" / "ALT.DBF").string(), {{"altbleibt"}, alt});
    {
        TPromptScript script;
        script.AnswerValue(Ziel("ALT.DBF"))
            .Answer(TPromptKind::Message, mrOk, "2 Schlüssel für Volltextsuche in ALT.IA eingeführt.")
            .Answer(TPromptKind::Message, mrOk, "21 Schlüssel für Volltextsuche in ALT.IA eingeführt.")
            .Answer(TPromptKind::Dialog, mrYes, "Ziel-Fotoalbum in den Fotoalben-Manager eintragen ?")
            .AnswerValue("Kopie", "Geben Sie eine kurze Beschreibung ein");
        form->KopiereSaetzeInNeuesFotoalbum();
    }
    ASSERT_TRUE(form->TableBilderDatenbanken->Active());
    EXPECT_EQ(form->DbeBilderDatenbanken->RecCount(), 1u);
    form->DbeBilderDatenbanken->GoTop();
    EXPECT_EQ(form->DbeBilderDatenbanken->GetTrimString("PFAD"), Ziel("ALT.DBF"));
    EXPECT_EQ(form->DbeBilderDatenbanken->GetInteger("SAETZE"), 21);
    form->TableBilder3->Close();

    const uint16_t area = dbe_Use((dir / "ziel" / "ALT.DBF").c_str(), "ZIELPRUEF", DBE_SHARED, DBE_TYPE_FOX);
    ASSERT_NE(area, 0) << dbe_LastError();
    ASSERT_EQ(dbe_RecCount(), 21u);
    dbe_SetOrder(0);
    for (uint32_t r = 2; r <= 21; ++r) {
        dbe_Go(r);
        const int n = std::stoi(std::string(dbe_GetTrimString("SHORTDESC")).substr(7));
        EXPECT_EQ(Memo("VORSCHAU"), Vorschau(n)) << r;
    }
    dbe_Close();
    TFts fts(nullptr);
    ASSERT_GT(fts.OpenIndex(Win(dir.path() / "ziel" / "ALT.IA"), 20, 0), 0);
    EXPECT_EQ(fts.NumRecs(), 21);
    ASSERT_EQ(fts.SetQuery("Eintrag12 "), 1);
    const int eintrag = fts.NextRec();
    const uint16_t again = dbe_Use((dir / "ziel" / "ALT.DBF").c_str(), "ZIELPRUEF", DBE_SHARED, DBE_TYPE_FOX);
    ASSERT_NE(again, 0);
    dbe_Go(static_cast<uint32_t>(eintrag));
    EXPECT_STREQ(dbe_GetTrimString("SHORTDESC"), "Eintrag12");
    dbe_Close();
}

TEST_F(CopyTest, EscStopsTheCopyWithTheCopiedEntriesWhole)
{
    QuelleOeffnen();
    int posts = 0;
    form->TableBilder3->AfterPost = [&](TDataSet*) {
        if (++posts == 5)
            form->Dienste().Lauf().AbbruchSetzen(true);  // as Esc in the main window would
    };
    {
        TPromptScript script;
        script.AnswerValue(Ziel("HALB.DBF"))
            .Answer(TPromptKind::Dialog, mrYes, "HALB.DBF nicht gefunden, jetzt erstellen ?")
            .Answer(TPromptKind::Dialog, mrNo, "Ziel-Fotoalbum in den Fotoalben-Manager eintragen ?");
        form->KopiereSaetzeInNeuesFotoalbum();
    }
    form->TableBilder3->AfterPost = nullptr;
    form->TableBilder3->Close();
    const uint16_t area = dbe_Use((dir / "ziel" / "HALB.DBF").c_str(), "ZIELPRUEF", DBE_SHARED, DBE_TYPE_FOX);
    ASSERT_NE(area, 0) << dbe_LastError();
    ASSERT_EQ(dbe_RecCount(), 5u);
    for (uint32_t r = 1; r <= 5; ++r) {
        dbe_Go(r);
        const int n = std::stoi(std::string(dbe_GetTrimString("SHORTDESC")).substr(7));
        EXPECT_EQ(dbe_GetBlobLength("NOTIZ"), static_cast<long>(Notiz(n).size()));
        EXPECT_EQ(dbe_GetBlobLength("VORSCHAU"), static_cast<long>(Vorschau(n).size()));
    }
    dbe_Close();
    TFts fts(nullptr);
    ASSERT_GT(fts.OpenIndex(Win(dir.path() / "ziel" / "HALB.IA"), 20, 0), 0);
    EXPECT_EQ(fts.NumRecs(), 5);
}

// A memo that cannot be written into the target stops the copy with a
// message (never reported as done), and its temporary file stays.
TEST_F(CopyTest, AFailedMemoWriteIsReportedAndKeepsTheTemporaryFile)
{
    QuelleOeffnen();
    form->ProgrammOptionen()->EditTempDir = Win(dir.path());
    QString meldung;
    int posts = 0;
    form->TableBilder3->AfterPost = [&](TDataSet*) {
        if (++posts != 3)
            return;
        dbf::SetIoFaultHook([](dbf::IoOp op, const std::string& what) {
            char target[4096] = {};
            const std::string link = "/proc/self/fd/" + what.substr(what.find(':') + 1);
            const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
            return op == dbf::IoOp::Write && n > 4 && std::string(target, n).ends_with("FEHLER.FPT");
        });
    };
    {
        TPromptScript script;
        script.AnswerValue(Ziel("FEHLER.DBF"))
            .Answer(TPromptKind::Dialog, mrYes, "FEHLER.DBF nicht gefunden, jetzt erstellen ?");
        try {
            form->KopiereSaetzeInNeuesFotoalbum();
            ADD_FAILURE() << "the failed copy was reported as done";
        } catch (const Exception& e) {
            EXPECT_TRUE(e.Message.startsWith("Fehler beim Kopieren in das Ziel-Fotoalbum (Notiz schreiben"))
                << e.Message.toStdString();
            meldung = e.Message;
        }
    }
    dbf::SetIoFaultHook(nullptr);
    form->TableBilder3->AfterPost = nullptr;
    // The note lies where the message says: a file of the run's own, not
    // the configured temporary folder.
    static const QRegularExpression liegt(QStringLiteral("sie liegt in (.*), Satz"));
    const QString datei = liegt.match(meldung).captured(1);
    ASSERT_FALSE(datei.isEmpty()) << meldung.toStdString();
    const QString linux = WinToLinux(datei).value_or(QString());
    EXPECT_TRUE(QFileInfo(linux).isFile()) << datei.toStdString();
    EXPECT_EQ(QFileInfo(linux).absolutePath(), QFileInfo(RunTempFolder()).absoluteFilePath());
    EXPECT_FALSE(std::filesystem::exists(dir / "NOTIZ.TXT"));
}

TEST_F(CopyTest, BadTargetNamesAndTheOpenAlbumAreRefusedBeforeAnythingIsWritten)
{
    QuelleOeffnen();
    const std::vector<std::pair<QString, QString>> faelle = {
        {Ziel("NEUNZEICH.DBF"), "nicht länger als 8 Zeichen"},
        {Ziel("BÄUME.DBF"), "KEINE Umlaute"},
        {form->BereichBilder().Ordner() + "test.dbf",
         "Sie können nicht das bereits geöffnete Fotoalbum hierfür benutzen"},
    };
    for (const auto& [name, meldung] : faelle) {
        TPromptScript script;
        script.AnswerValue(name).Answer(TPromptKind::Message, mrOk, meldung);
        form->KopiereSaetzeInNeuesFotoalbum();
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "ziel"));
    TPromptScript script;
    script.Answer(TPromptKind::OpenFile, mrCancel).Answer(TPromptKind::Message, mrOk, "Abgebrochen!");
    form->KopiereSaetzeInNeuesFotoalbum();
}

}  // namespace
