// An album work area on its own: real tables, engine companions and a
// full-text index over a temporary folder, no main window. What the area
// asks of the window is recorded.
#include "album/arbeitsbereich.h"

#include "album_dateien_lesen.h"
#include "offenes_album_fixture.h"

#include "datagrid/dk_table.h"
#include "platform/data/data_source.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/fts/fts.h"
#include "platform/ui/prompt_script.h"
#include "storage/database_bridge.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"
#include "test_environment.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

// The components of one work area, made and torn down in the order the main
// window keeps.
class TBereichKomponenten {
public:
    TBereichKomponenten(TProgrammDienste& umgebung, bool mitVolltext)
        : tabelle_(new TdkTable()), quelle_(new TDataSource(tabelle_)), dbe_(new TDbe(nullptr)),
          fts_(mitVolltext ? new TFts(nullptr) : nullptr)
    {
        dbe_->SetDataSource(quelle_);
        bereich_ = std::make_unique<TArbeitsbereich>(tabelle_, dbe_, quelle_, fts_, umgebung);
    }
    ~TBereichKomponenten()
    {
        tabelle_->Close();
        if (fts_)
            fts_->Close();
        dbe_->SetDataSource(nullptr);
        bereich_.reset();
        delete quelle_;
        delete tabelle_;
        delete dbe_;
        delete fts_;
    }
    TArbeitsbereich& operator*() { return *bereich_; }
    TArbeitsbereich* operator->() { return bereich_.get(); }

private:
    TdkTable* tabelle_;
    TDataSource* quelle_;
    TDbe* dbe_;
    TFts* fts_;
    std::unique_ptr<TArbeitsbereich> bereich_;
};

class ArbeitsbereichTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(InstallDatabaseBridge(), DBIERR_NONE);
        album = TAlbumDateien(Ordner(dir.path()), QStringLiteral("TEST.DBF"));
        bilder->DateienSetzen(album);
    }
    void TearDown() override
    {
        bilder->Tabelle()->Close();
        pruefung->Tabelle()->Close();
        dbe_CloseAll();
        UninstallDatabaseBridge();
    }

    static QString Ordner(const fs::path& p) { return *LinuxToWin(QString::fromStdString(p.string())) + "\\"; }
    fs::path Datei(const char* name) const { return dir.path() / name; }

    // An album at `ziel` with one entry per description, made by the area
    // and filled through the engine.
    void AlbumAnlegen(const TAlbumDateien& ziel, const fs::path& dbf, std::initializer_list<const char*> texte)
    {
        bilder->Erzeugen(ziel, kAlbumFelder);
        EintraegeAnhaengen(dbf, texte);
    }
    static void EintraegeAnhaengen(const fs::path& dbf, std::initializer_list<const char*> texte)
    {
        lxtest::EintraegeAnhaengen(dbf, texte);
    }

    lxtest::TempDir dir;
    TDiensteProtokoll umgebung{dir.path()};
    TBereichKomponenten bilder{umgebung, true};
    TBereichKomponenten pruefung{umgebung, false};
    TAlbumDateien album;
};

TEST_F(ArbeitsbereichTest, ANewAlbumOpensAndGetsItsTagsInOrder)
{
    TPromptScript script;  // no prompt may come
    AlbumAnlegen(album, Datei("TEST.DBF"), {"eins", "zwei"});
    ASSERT_TRUE(bilder->Oeffnen(true));
    EXPECT_EQ(bilder->Dbe()->RecCount(), 2u);
    EXPECT_FALSE(bilder->HatAlleTags(kAlbumTags));

    // Three tags are not the album's forty-three.
    const std::span<const TAlbumTag> ersteDrei(kAlbumTags.data(), 3);
    bilder->TagsErzeugen(ersteDrei, 3, QStringLiteral("indiziert"));
    EXPECT_TRUE(bilder->HatAlleTags(ersteDrei));
    EXPECT_FALSE(bilder->HatAlleTags(kAlbumTags));

    bilder->TagsErzeugen(std::span<const TAlbumTag>(kAlbumTags).subspan(3), 40, QStringLiteral("indiziert"));
    EXPECT_TRUE(bilder->HatAlleTags(kAlbumTags));
    EXPECT_TRUE(fs::exists(Datei("TEST.CDX")));
    bilder->TagsLesen();
    ASSERT_EQ(bilder->Tags().Count(), kAlbumTagAnzahl);
    for (int i = 0; i < kAlbumTagAnzahl; ++i)
        EXPECT_EQ(bilder->Tags()[i].toUpper(), QString::fromLatin1(kAlbumTags[i].Name).toUpper()) << i;
    EXPECT_TRUE(umgebung.Aufrufe.isEmpty()) << umgebung.Aufrufe.join("\n").toStdString();
}

TEST_F(ArbeitsbereichTest, TheIndexIsRebuiltAfterItsFileWasDeleted)
{
    TPromptScript script;  // no prompt may come
    AlbumAnlegen(album, Datei("TEST.DBF"), {"eins", "zwei", "drei"});
    ASSERT_TRUE(bilder->IndexNeuAufbauen(kAlbumTags));
    bilder->Tabelle()->Close();
    ASSERT_TRUE(fs::remove(Datei("TEST.CDX")));

    ASSERT_TRUE(bilder->Oeffnen(false));
    EXPECT_FALSE(bilder->HatAlleTags(kAlbumTags));
    ASSERT_TRUE(bilder->IndexNeuAufbauen(kAlbumTags));
    EXPECT_TRUE(bilder->Tabelle()->Active());
    EXPECT_TRUE(fs::exists(Datei("TEST.CDX")));
    EXPECT_TRUE(bilder->HatAlleTags(kAlbumTags));
    EXPECT_EQ(bilder->Dbe()->RecCount(), 3u);
}

TEST_F(ArbeitsbereichTest, AnUnreadableIndexIsSetAsideThroughTheCheckArea)
{
    TPromptScript script;  // no prompt may come
    AlbumAnlegen(album, Datei("TEST.DBF"), {"eins"});
    lxtest::WriteFile(Datei("TEST.CDX"), "kein Index");
    QString belegt;
    ASSERT_TRUE(bilder->IndexBeiseiteLegen(*pruefung, belegt));
    EXPECT_TRUE(belegt.isEmpty());
    EXPECT_FALSE(fs::exists(Datei("TEST.CDX")));
    EXPECT_EQ(lxtest::ReadFile(Datei("TEST.CDX.bad")), "kein Index");
    EXPECT_FALSE(pruefung->Tabelle()->Active());
    EXPECT_FALSE(bilder->Tabelle()->Active());
}

TEST_F(ArbeitsbereichTest, TheCheckAnswersTheRecordCountOrMinusOne)
{
    AlbumAnlegen(album, Datei("TEST.DBF"), {"eins", "zwei"});
    pruefung->Erzeugen(TAlbumDateien(album.Ordner(), QStringLiteral("LXMAN.DBF")), kManagerFelder);
    lxtest::WriteFile(Datei("LEER.DBF"), "");
    struct {
        const char* name;
        int erwartet;
        const char* meldung;  // "": none
    } const faelle[] = {
        {"TEST.DBF", 2, ""},
        {"LXMAN.DBF", -1, ""},
        {"FEHLT.DBF", -1, "FEHLT.DBF nicht gefunden !"},
        {"LEER.DBF", -1, "(zum Prüfen der Integrität) schief gegangen!"},
    };
    for (const auto& fall : faelle) {
        SCOPED_TRACE(fall.name);
        TPromptScript script;
        if (*fall.meldung)
            script.Answer(TPromptKind::Message, mrOk, QString::fromUtf8(fall.meldung));
        bilder->NurLesenSetzen(true);
        EXPECT_EQ(pruefung->AlbumPruefen(TAlbumDateien(album.Ordner(), QString::fromLatin1(fall.name))),
                  fall.erwartet);
        EXPECT_FALSE(pruefung->Tabelle()->Active());
        EXPECT_TRUE(bilder->NurLesen());  // only the open album's check touches it
    }
    // The open album's check: a writable album is not read-only, and nothing
    // is told.
    EXPECT_EQ(pruefung->AlbumPruefen(album, &*bilder), 2);
    EXPECT_FALSE(bilder->NurLesen());
    EXPECT_TRUE(umgebung.Aufrufe.isEmpty()) << umgebung.Aufrufe.join("\n").toStdString();
}

TEST_F(ArbeitsbereichTest, TheOpenAlbumsCheckMakesAnAlbumInAWriteProtectedFolderReadOnly)
{
    fs::create_directories(dir.path() / "ro");
    const TAlbumDateien geschuetzt(Ordner(dir.path() / "ro"), QStringLiteral("RO.DBF"));
    AlbumAnlegen(geschuetzt, dir.path() / "ro" / "RO.DBF", {"eins"});
    ASSERT_EQ(::chmod((dir.path() / "ro").c_str(), 0555), 0);
    const int saetze = pruefung->AlbumPruefen(geschuetzt, &*bilder);
    ::chmod((dir.path() / "ro").c_str(), 0755);
    EXPECT_EQ(saetze, 1);
    EXPECT_TRUE(bilder->NurLesen());
    ASSERT_EQ(umgebung.Aufrufe.size(), 1);
    EXPECT_EQ(umgebung.Aufrufe[0], "Hinweismeldung: Das Fotoalbum " + geschuetzt.Dbf() +
                                       " ist schreibgeschützt und wird im \"Nur lesen Modus\" geöffnet !");
}

TEST_F(ArbeitsbereichTest, TheFullTextIndexIsBuiltFromTheRecordsAndKeptInStep)
{
    TPromptScript script;  // no prompt may come
    AlbumAnlegen(album, Datei("TEST.DBF"), {"Strand bei Nacht", "Berge im Nebel"});
    ASSERT_TRUE(bilder->Oeffnen(false));
    EXPECT_TRUE(bilder->FtsOeffnen(QStringLiteral("Test, ")));
    EXPECT_TRUE(fs::exists(Datei("TEST.IA")));
    EXPECT_EQ(bilder->Fts()->NumRecs(), 2);
    EXPECT_EQ(bilder->FtsPuffer().size(), static_cast<size_t>(bilder->Dbe()->RecSize()) + 1);

    // A second open finds the file and builds nothing.
    bilder->Fts()->Close();
    EXPECT_FALSE(bilder->FtsOeffnen(QStringLiteral("Test, ")));
    EXPECT_EQ(bilder->Fts()->NumRecs(), 2);

    // One entry per record: the current record's entry is replaced.
    bilder->Dbe()->GoTop();
    EXPECT_EQ(bilder->FtsSchreiben(bilder->FtsSatzBild()), 0);
    EXPECT_EQ(bilder->Fts()->NumRecs(), 2);

    // A record the index lacks is added.
    bilder->Tabelle()->Close();
    bilder->Fts()->Close();
    EintraegeAnhaengen(Datei("TEST.DBF"), {"Wald im Schnee"});
    ASSERT_TRUE(bilder->Oeffnen(false));
    EXPECT_FALSE(bilder->FtsOeffnen(QStringLiteral("Test, ")));
    bilder->Dbe()->GoBottom();
    EXPECT_GT(bilder->FtsSchreiben(bilder->FtsSatzBild()), 0);
    EXPECT_EQ(bilder->Fts()->NumRecs(), 3);
    EXPECT_TRUE(bilder->FtsPufferBild().contains("Wald im Schnee"));

    bilder->FtsVerwerfen();
    EXPECT_FALSE(fs::exists(Datei("TEST.IA")));
    EXPECT_TRUE(bilder->FtsPuffer().empty());
    EXPECT_TRUE(umgebung.Aufrufe.isEmpty()) << umgebung.Aufrufe.join("\n").toStdString();
}

// A read-only album ("Nur lesen Modus") searches its full-text index and
// leaves the file as it was: the session writes nothing to it.
TEST_F(ArbeitsbereichTest, AReadOnlyAlbumSearchesItsFullTextIndexWithoutWritingIt)
{
    TPromptScript script;  // no prompt may come
    AlbumAnlegen(album, Datei("TEST.DBF"), {"Strand bei Nacht", "Berge im Nebel"});
    ASSERT_TRUE(bilder->Oeffnen(false));
    ASSERT_TRUE(bilder->FtsOeffnen(QStringLiteral("Test, ")));
    bilder->Fts()->Close();
    bilder->Tabelle()->Close();
    const std::string vorher = lxtest::ReadFile(Datei("TEST.IA"));

    bilder->NurLesenSetzen(true);
    ASSERT_TRUE(bilder->Oeffnen(album, false, nullptr, true));
    EXPECT_FALSE(bilder->FtsOeffnen(QStringLiteral("Test, ")));
    EXPECT_EQ(bilder->Fts()->NumRecs(), 2);
    EXPECT_EQ(bilder->Fts()->SetQuery("nebel"), 1);
    EXPECT_EQ(bilder->Fts()->NextRec(), 2);
    bilder->Dbe()->GoTop();
    EXPECT_EQ(bilder->Fts()->Replace(bilder->FtsSatzBild(), 1), kFtsErrReadOnly);
    EXPECT_EQ(lxtest::ReadFile(Datei("TEST.IA")), vorher) << "changed while open";
    // Dropping the index (before a rebuild) keeps the file it could not make again.
    bilder->FtsVerwerfen();
    EXPECT_TRUE(fs::exists(Datei("TEST.IA")));
    bilder->Tabelle()->Close();
    EXPECT_EQ(lxtest::ReadFile(Datei("TEST.IA")), vorher) << "changed by the session";
    EXPECT_FALSE(fs::exists(Datei("TEST.IA-wal")));
}

// A read-only album without a full-text index gets none: nothing is written
// beside it and nothing is reported while it opens; its index stays unusable
// for the search to say so.
TEST_F(ArbeitsbereichTest, AReadOnlyAlbumWithoutAFullTextIndexBuildsNone)
{
    TPromptScript script;  // no prompt may come
    AlbumAnlegen(album, Datei("TEST.DBF"), {"Strand bei Nacht", "Berge im Nebel", "Wald im Schnee"});
    const auto dateien = [this] {
        std::vector<std::string> namen;
        for (const auto& e : fs::directory_iterator(dir.path()))
            namen.push_back(e.path().filename().string());
        std::sort(namen.begin(), namen.end());
        return namen;
    };
    const auto vorher = dateien();

    bilder->NurLesenSetzen(true);
    ASSERT_TRUE(bilder->Oeffnen(album, false, nullptr, true));
    EXPECT_FALSE(bilder->FtsOeffnen(QStringLiteral("Test, ")));
    EXPECT_LT(bilder->Fts()->NumRecs(), 0);
    EXPECT_LE(bilder->FtsHandle(), 0);
    // The record buffer is there all the same: the search reads records.
    EXPECT_EQ(bilder->FtsPuffer().size(), static_cast<size_t>(bilder->Dbe()->RecSize()) + 1);
    // Appended records (another program's) add nothing either.
    bilder->FtsNachtragen(1, QStringLiteral("Test, "));
    bilder->Tabelle()->Close();
    EXPECT_EQ(dateien(), vorher);
    EXPECT_TRUE(umgebung.Aufrufe.isEmpty()) << umgebung.Aufrufe.join("\n").toStdString();
}

}  // namespace
