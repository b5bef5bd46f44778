// The open routines tell a busy table from one that cannot be read: when
// another program (a process of its own, album_halter.h) keeps the index lock
// or has the table exclusively, the answer is "busy" with the engine's
// message, and the files stay as they are.
#include "album_halter.h"
#include "dbe_fixture.h"

#include "platform/ui/prompt_script.h"
#include "storage/dbf_routines.h"

#include <filesystem>
#include <functional>
#include <vector>

LXTEST_ALBUM_HALTER_TEST()

namespace {

namespace fs = std::filesystem;
using lxtest::TAlbumHalter;
using lxtest::THalteArt;
using lxtest::TSchnelleWartezeit;

class DbfRoutinesBusyTest : public DbeTest {
protected:
    void TearDown() override
    {
        dbe_CloseAll();
        DbeTest::TearDown();
    }
};

TEST_F(DbfRoutinesBusyTest, ABusyTableIsToldApartFromAnUnreadableOne)
{
    MakeAlbum("BILDER.DBF", 3);
    ASSERT_NE(dbe_Use(File("BILDER.DBF").c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    ASSERT_GT(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
    dbe_Close();

    struct Fall {
        THalteArt art;
        bool exklusiv;
        const char* meldung;
    };
    const Fall faelle[] = {
        {THalteArt::Indexsperre, false, "Das Album BILDER.DBF wird gerade von einem anderen Programm benutzt: die "
                                        "Indexdatei BILDER.CDX"},
        {THalteArt::Exklusiv, false, "wird gerade von einem anderen Programm benutzt. Es wurde nichts geändert"},
        {THalteArt::Geteilt, true, "wird gerade von einem anderen Programm benutzt. Es wurde nichts geändert"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(static_cast<char>(f.art));
        TAlbumHalter halter(File("BILDER.DBF"), f.art);
        ASSERT_TRUE(halter.Haelt());
        const std::string index = lxtest::DateiInhalt(dir / "BILDER.CDX");
        {
            TSchnelleWartezeit schnell;
            TLinkedTable lt;
            QString belegt;
            EXPECT_EQ(DatenbankOeffnenPasswort(&lt.table, ttDXFOX, &lt.dbe, WinDir(), "BILDER.DBF", QString(),
                                               f.exklusiv, false, false, nullptr, QString(), QString(), &belegt),
                      kDatenbankBelegt);
            EXPECT_TRUE(belegt.contains(QString::fromUtf8(f.meldung))) << belegt.toStdString();
            EXPECT_FALSE(lt.table.Active());
            belegt.clear();
            EXPECT_EQ(DatenbankOeffnen(&lt.table, ttDXFOX, &lt.dbe, WinDir(), "BILDER.DBF", QString(), f.exklusiv,
                                       false, &belegt),
                      2);
            EXPECT_TRUE(belegt.contains(QString::fromUtf8(f.meldung))) << belegt.toStdString();
        }
        EXPECT_TRUE(lxtest::DateiInhalt(dir / "BILDER.CDX") == index) << "the index was changed";
        EXPECT_FALSE(fs::exists(dir / "BILDER.CDX.bad"));
        EXPECT_EQ(halter.Loslassen(), 0);
    }

    // A file that is no table is no busy one, also in a folder whose name
    // reads like the busy message.
    for (const QString& folder : {QString(), QStringLiteral("von einem anderen Programm benutzt\\")}) {
        SCOPED_TRACE(folder.toStdString());
        fs::create_directories(dir / "von einem anderen Programm benutzt");
        lxtest::WriteFile(dir / (folder.isEmpty() ? "" : "von einem anderen Programm benutzt") / "KAPUTT.DBF",
                          "kein DBF");
        TLinkedTable lt;
        QString belegt;
        EXPECT_EQ(DatenbankOeffnenPasswort(&lt.table, ttDXFOX, &lt.dbe, WinDir() + folder, "KAPUTT.DBF", QString(),
                                           false, false, false, nullptr, QString(), QString(), &belegt),
                  kDatenbankFehler);
        EXPECT_TRUE(belegt.isEmpty()) << belegt.toStdString();
    }
}

// An album opened before another program took its index lock: the bridge's
// moves, key search and count answer "locked" with the engine's busy
// message once the wait runs out, never "end" or "not found", and the
// cursor stays on its record.
TEST_F(DbfRoutinesBusyTest, AReadOfAnAlbumWhoseIndexIsHeldAnswersLocked)
{
    MakeAlbum("BILDER.DBF", 3);
    ASSERT_NE(dbe_Use(File("BILDER.DBF").c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    ASSERT_GT(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
    dbe_Close();
    DBIResult opened = DBIERR_NONE;
    const hDBICur cursor = OpenCursor(Dir(), QStringLiteral("BILDER.DBF"), dbiREADWRITE, dbiOPENSHARED, &opened);
    ASSERT_EQ(opened, DBIERR_NONE);
    dbe_Select(static_cast<uint16_t>(cursor & 0xFFFF));
    dbe_SetOrder(1);
    ASSERT_EQ(DbiSetToKey(cursor, keySEARCHEQ, true, 0, 0, "Bild 9998"), DBIERR_NONE);
    const uint32_t standing = dbe_RecNo();

    TAlbumHalter halter(File("BILDER.DBF"), THalteArt::Indexsperre);
    ASSERT_TRUE(halter.Haelt());
    {
        TSchnelleWartezeit schnell;
        std::vector<uint8_t> record(static_cast<size_t>(dbe_RecSize()) + 1);
        RECProps props;
        struct Fall {
            const char* was;
            std::function<DBIResult()> lesen;
        };
        const Fall faelle[] = {
            {"next", [&] { return DbiGetNextRecord(cursor, dbiNOLOCK, record.data(), &props); }},
            {"begin", [&] { return DbiSetToBegin(cursor); }},
            {"key", [&] { return DbiSetToKey(cursor, keySEARCHEQ, true, 0, 0, "Bild 9997"); }},
        };
        for (const Fall& f : faelle) {
            SCOPED_TRACE(f.was);
            EXPECT_EQ(f.lesen(), DBIERR_LOCKED);
            QString text;
            DbiGetErrorString(DBIERR_LOCKED, text);
            EXPECT_TRUE(text.contains(QStringLiteral("wird gerade von einem anderen Programm benutzt"))) << text.toStdString();
            EXPECT_EQ(dbe_RecNo(), standing);
        }
    }
    EXPECT_EQ(halter.Loslassen(), 0);
    EXPECT_EQ(DbiSetToKey(cursor, keySEARCHEQ, true, 0, 0, "Bild 9997"), DBIERR_NONE);
    hDBICur closing = cursor;
    DbiCloseCursor(closing);
}

// The busy answer reaches the routine that strips the folders: its message
// says the table is busy, not that the paths should be checked.
TEST_F(DbfRoutinesBusyTest, StrippingThePathsOfABusyTableSaysItIsBusy)
{
    MakeAlbum("BILDER.DBF", 2);
    TAlbumHalter halter(File("BILDER.DBF"), THalteArt::Exklusiv);
    ASSERT_TRUE(halter.Haelt());
    {
        TPromptScript script;
        script.Answer(mrOk, "wird gerade von einem anderen Programm benutzt");
        EXPECT_FALSE(PfadeAufDateinamenKuerzen(WinDir(), "BILDER.DBF"));
    }
    EXPECT_EQ(halter.Loslassen(), 0);
}

}  // namespace
