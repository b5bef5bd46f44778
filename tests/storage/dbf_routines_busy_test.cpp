// The open routines tell a busy table from one that cannot be read: when
// another program (a process of its own, album_halter.h) keeps the index lock
// or has the table exclusively, the answer is "busy" with the engine's
// message, and the files stay as they are.
#include "album_halter.h"
#include "dbe_fixture.h"

#include "platform/ui/prompt_script.h"
#include "storage/dbf_routines.h"

#include <filesystem>

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

    // A file that is no table is no busy one.
    lxtest::WriteFile(dir / "KAPUTT.DBF", "kein DBF");
    TLinkedTable lt;
    QString belegt;
    EXPECT_EQ(DatenbankOeffnenPasswort(&lt.table, ttDXFOX, &lt.dbe, WinDir(), "KAPUTT.DBF", QString(), false, false,
                                       false, nullptr, QString(), QString(), &belegt),
              kDatenbankFehler);
    EXPECT_TRUE(belegt.isEmpty()) << belegt.toStdString();
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
