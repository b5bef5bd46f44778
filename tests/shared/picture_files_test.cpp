// The picture-file service: same-file tests by device and inode, the
// entry's medium, copy and move with faults at every operation, missing
// files told from unreachable ones, and export targets kept in their folder.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>

#include <unistd.h>

#include "platform/core/drive_map.h"
#include "routines_test_support.h"
#include "shared/picture_files.h"
#include "test_environment.h"

namespace fs = std::filesystem;
using lxtest::ReadFile;
using lxtest::WriteFile;

namespace {

class PictureFiles : public testing::Test {
protected:
    lxtest::TempDir dir;
    void TearDown() override
    {
        BildDateiHakenSetzen({});
        Laufwerke({{"C", "/", "HD", "SYSTEM", "1A2B3C4D"}});
    }
    QString W(const std::string& name) const { return Win(dir / name); }
    static void Laufwerke(const std::vector<lxtest::FakeDrive>& drives)
    {
        lxtest::WriteDriveTable(drives);
        TDriveMap::Instance().Refresh();
    }
    // Fails the n-th operation of the service from now on with `fehler`;
    // `getroffen` tells whether it was reached.
    static void FehlerBei(int n, int fehler, std::shared_ptr<bool> getroffen)
    {
        auto zaehler = std::make_shared<int>(0);
        BildDateiHakenSetzen([=](TBildDateiOp, const QString&) {
            if (++*zaehler == n) {
                *getroffen = true;
                return fehler;
            }
            return 0;
        });
    }
};

TEST_F(PictureFiles, SameFileIsDecidedByDeviceAndInodeNotByText)
{
    WriteFile(dir / "bilder/a.jpg", "bild");
    WriteFile(dir / "bilder/b.jpg", "bild");  // same bytes, another file
    fs::create_directory_symlink(dir / "bilder", dir / "verweis");
    Laufwerke({{"C", "/", "HD", "SYSTEM", "1A2B3C4D"}, {"D", (dir / "bilder").string(), "DISK", "KARTE", "00001234"}});
    struct Fall {
        QString a, b;
        bool gleich;
    };
    const Fall faelle[] = {
        {W("bilder/a.jpg"), W("bilder/a.jpg"), true},
        {W("bilder/a.jpg"), W("bilder") + "\\.\\a.jpg", true},
        {W("bilder/a.jpg"), W("BILDER/A.JPG"), true},
        {W("bilder/a.jpg"), W("verweis/a.jpg"), true},
        {W("bilder/a.jpg"), "D:\\a.jpg", true},
        {W("bilder/a.jpg"), QString::fromStdString((dir / "bilder/a.jpg").string()), true},
        {W("bilder/a.jpg"), W("bilder/b.jpg"), false},
        {W("bilder/a.jpg"), W("bilder/fehlt.jpg"), false},
        {W("bilder/a.jpg"), "X:\\a.jpg", false},
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(GleicheDatei(f.a, f.b), f.gleich) << f.a.toStdString() << " " << f.b.toStdString();
}

TEST_F(PictureFiles, ACopyOntoItselfIsRefusedAndKeepsThePicture)
{
    WriteFile(dir / "bilder/a.jpg", "das einzige Bild");
    for (const QString& ziel : {W("bilder") + "\\.\\a.jpg", W("BILDER/a.jpg")}) {
        const TDateiErgebnis e = BildKopieren(W("bilder/a.jpg"), ziel, true);
        EXPECT_FALSE(e.Ok) << ziel.toStdString();
        EXPECT_TRUE(e.Grund.contains("dieselbe Datei")) << e.Grund.toStdString();
        bool gespeichert = false;
        EXPECT_FALSE(BildVerschieben(W("bilder/a.jpg"), ziel, true, [&] { return gespeichert = true; }).Ok);
        EXPECT_FALSE(gespeichert);
        EXPECT_EQ(ReadFile(dir / "bilder/a.jpg"), "das einzige Bild");
    }
}

TEST_F(PictureFiles, CopyKeepsAnExistingTargetUnlessToldToReplaceIt)
{
    WriteFile(dir / "a.jpg", "neu");
    WriteFile(dir / "ziel/a.jpg", "alt");
    EXPECT_FALSE(BildKopieren(W("a.jpg"), W("ziel/a.jpg"), false).Ok);
    EXPECT_EQ(ReadFile(dir / "ziel/a.jpg"), "alt");
    EXPECT_TRUE(BildKopieren(W("a.jpg"), W("ziel/a.jpg"), true).Ok);
    EXPECT_EQ(ReadFile(dir / "ziel/a.jpg"), "neu");
    EXPECT_EQ(fs::last_write_time(dir / "ziel/a.jpg"), fs::last_write_time(dir / "a.jpg"));
}

// A target the user made read-only, or one with further hard links, is
// not replaced by a copy or a move: every name keeps its picture, the
// source of a move stays, and the reason is told.
TEST_F(PictureFiles, AReadOnlyOrHardLinkedTargetIsNotReplaced)
{
    WriteFile(dir / "q/a.jpg", "neu");
    WriteFile(dir / "z/nurlesen.jpg", "alt");
    fs::permissions(dir / "z/nurlesen.jpg", fs::perms::owner_read | fs::perms::group_read);
    WriteFile(dir / "z/verknuepft.jpg", "alt");
    fs::create_hard_link(dir / "z/verknuepft.jpg", dir / "anderswo.jpg");
    const struct {
        const char* ziel;
        const char* grund;
    } faelle[] = {{"z/nurlesen.jpg", "ist schreibgeschützt und wird nicht ersetzt"},
                  {"z/verknuepft.jpg", "feste Verknüpfungen"}};
    for (const auto& fall : faelle) {
        SCOPED_TRACE(fall.ziel);
        const TDateiErgebnis e = BildKopieren(W("q/a.jpg"), W(fall.ziel), true);
        EXPECT_FALSE(e.Ok);
        EXPECT_TRUE(e.Grund.contains(QString::fromUtf8(fall.grund))) << e.Grund.toStdString();
        EXPECT_TRUE(e.Grund.contains(W(fall.ziel))) << e.Grund.toStdString();
        EXPECT_FALSE(BildVerschieben(W("q/a.jpg"), W(fall.ziel), true, [] { return true; }).Ok);
        EXPECT_EQ(ReadFile(dir / fall.ziel), "alt");
        EXPECT_EQ(ReadFile(dir / "q/a.jpg"), "neu");
    }
    EXPECT_TRUE(fs::equivalent(dir / "z/verknuepft.jpg", dir / "anderswo.jpg"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "z"), {}), 2);
}

// Every operation of a move fails once, with each error: the picture is
// always in at least one place whole, the entry is stored only after a
// verified copy, and the source goes only when the entry was stored.
TEST_F(PictureFiles, AMoveFailingAtAnyOperationLosesNothing)
{
    const std::string bytes(140000, 'p');  // several buffers
    for (const int fehler : {EIO, EACCES, ENOSPC}) {
        for (int n = 1;; ++n) {
            fs::remove_all(dir / "q");
            fs::remove_all(dir / "z");
            WriteFile(dir / "q/a.jpg", bytes);
            fs::create_directories(dir / "z");
            auto getroffen = std::make_shared<bool>(false);
            FehlerBei(n, fehler, getroffen);
            bool gespeichert = false;
            bool zielBeimSpeichern = false;
            const TDateiErgebnis e = BildVerschieben(W("q/a.jpg"), W("z/a.jpg"), false, [&] {
                zielBeimSpeichern = fs::exists(dir / "z/a.jpg") && ReadFile(dir / "z/a.jpg") == bytes;
                return gespeichert = true;
            });
            BildDateiHakenSetzen({});
            const bool quelle = fs::exists(dir / "q/a.jpg");
            const bool ziel = fs::exists(dir / "z/a.jpg");
            SCOPED_TRACE(std::to_string(n) + " errno " + std::to_string(fehler));
            if (gespeichert) {
                EXPECT_TRUE(zielBeimSpeichern);
            }
            if (quelle) {
                EXPECT_EQ(ReadFile(dir / "q/a.jpg"), bytes);
            }
            if (ziel) {
                EXPECT_EQ(ReadFile(dir / "z/a.jpg"), bytes);
            }
            EXPECT_TRUE(quelle || (ziel && gespeichert));
            EXPECT_EQ(e.Ok, !quelle && ziel && gespeichert);
            if (!e.Ok) {
                EXPECT_FALSE(e.Grund.isEmpty());
            }
            // No temporary file is left behind.
            int dateien = 0;
            for (const auto& x : fs::directory_iterator(dir / "z")) {
                (void)x;
                ++dateien;
            }
            EXPECT_EQ(dateien, ziel ? 1 : 0);
            if (!*getroffen) {
                EXPECT_TRUE(e.Ok);
                EXPECT_GT(n, 5);
                break;
            }
        }
    }
}

// Links planted in a shared folder: at the temporary name earlier versions
// used (".<name>.lxtmp<pid>"), pointing at another file or at the source
// itself, and at the target. No file outside is written, the picture is
// never lost, and a link at the target is refused with a clear reason.
TEST_F(PictureFiles, APlantedLinkNeitherOverwritesAFileNorLosesThePicture)
{
    const std::string bytes(100000, 'p');
    const std::string alterName = ".a.jpg.lxtmp" + std::to_string(::getpid());
    for (const bool verschieben : {false, true}) {
        SCOPED_TRACE(verschieben ? "move" : "copy");
        for (const std::string& ziel : {std::string("fremd.txt"), std::string("q/a.jpg")}) {
            fs::remove_all(dir / "q");
            fs::remove_all(dir / "z");
            WriteFile(dir / "q/a.jpg", bytes);
            WriteFile(dir / "fremd.txt", "fremd");
            fs::create_directories(dir / "z");
            fs::create_symlink(dir / ziel, dir / "z" / alterName);
            const TDateiErgebnis e = verschieben ? BildVerschieben(W("q/a.jpg"), W("z/a.jpg"), true, [] { return true; })
                                                 : BildKopieren(W("q/a.jpg"), W("z/a.jpg"), true);
            EXPECT_TRUE(e.Ok) << e.Grund.toStdString();
            EXPECT_TRUE(ReadFile(dir / "fremd.txt") == "fremd");
            EXPECT_TRUE(ReadFile(dir / "z/a.jpg") == bytes);
            EXPECT_EQ(fs::exists(dir / "q/a.jpg"), !verschieben);
            if (!verschieben) {
                EXPECT_TRUE(ReadFile(dir / "q/a.jpg") == bytes);
            }
        }
        // At the target: refused, whatever it points to.
        for (const std::string& ziel : {std::string("fremd.txt"), std::string("fehlt.txt")}) {
            fs::remove_all(dir / "q");
            fs::remove_all(dir / "z");
            WriteFile(dir / "q/a.jpg", bytes);
            WriteFile(dir / "fremd.txt", "fremd");
            fs::create_directories(dir / "z");
            fs::create_symlink(dir / ziel, dir / "z/a.jpg");
            bool gespeichert = false;
            const TDateiErgebnis e =
                verschieben ? BildVerschieben(W("q/a.jpg"), W("z/a.jpg"), true, [&] { return gespeichert = true; })
                            : BildKopieren(W("q/a.jpg"), W("z/a.jpg"), true);
            EXPECT_FALSE(e.Ok);
            EXPECT_TRUE(e.Grund.contains("symbolische Verknüpfung")) << e.Grund.toStdString();
            EXPECT_FALSE(gespeichert);
            EXPECT_EQ(ReadFile(dir / "fremd.txt"), "fremd");
            EXPECT_FALSE(fs::exists(dir / "fehlt.txt"));
            EXPECT_TRUE(ReadFile(dir / "q/a.jpg") == bytes);
            EXPECT_TRUE(fs::is_symlink(dir / "z/a.jpg"));
        }
    }
}

TEST_F(PictureFiles, AnEntryThatCannotBeStoredKeepsTheSourceAndDropsTheCopy)
{
    WriteFile(dir / "q/a.jpg", "bild");
    WriteFile(dir / "z/b.jpg", "altes b");
    EXPECT_FALSE(BildVerschieben(W("q/a.jpg"), W("z/a.jpg"), false, [] { return false; }).Ok);
    EXPECT_EQ(ReadFile(dir / "q/a.jpg"), "bild");
    EXPECT_FALSE(fs::exists(dir / "z/a.jpg"));
    // A target that was there before is not removed.
    EXPECT_FALSE(BildVerschieben(W("q/a.jpg"), W("z/b.jpg"), true, [] { return false; }).Ok);
    EXPECT_TRUE(fs::exists(dir / "q/a.jpg"));
    EXPECT_TRUE(fs::exists(dir / "z/b.jpg"));
}

TEST_F(PictureFiles, MissingOnlyWhenTheFolderAnswers)
{
    WriteFile(dir / "stick/fotos/da.jpg", "x");
    Laufwerke({{"C", "/", "HD", "SYSTEM", "1A2B3C4D"}, {"D", (dir / "stick").string(), "DISK", "STICK", "00001234"}});
    EXPECT_EQ(BildDateiPruefen("D:\\fotos\\da.jpg").Zustand, TDateiZustand::Da);
    EXPECT_EQ(BildDateiPruefen("D:\\fotos\\da.jpg").Groesse, 1);
    EXPECT_EQ(BildDateiPruefen("D:\\fotos\\weg.jpg").Zustand, TDateiZustand::Fehlt);
    // A folder that is gone is not an answer about its files.
    EXPECT_EQ(BildDateiPruefen("D:\\anders\\weg.jpg").Zustand, TDateiZustand::Unklar);
    // A folder that cannot be listed, a file that answers EIO.
    BildDateiHakenSetzen([](TBildDateiOp op, const QString&) { return op == TBildDateiOp::Auflisten ? EACCES : 0; });
    EXPECT_EQ(BildDateiPruefen("D:\\fotos\\weg.jpg").Zustand, TDateiZustand::Unklar);
    BildDateiHakenSetzen([](TBildDateiOp op, const QString&) { return op == TBildDateiOp::Pruefen ? EIO : 0; });
    EXPECT_EQ(BildDateiPruefen("D:\\fotos\\da.jpg").Zustand, TDateiZustand::Unklar);
    EXPECT_EQ(BildDateiPruefen("D:\\fotos\\da.jpg").Fehler, EIO);
    BildDateiHakenSetzen({});
    // The stick pulled.
    Laufwerke({{"C", "/", "HD", "SYSTEM", "1A2B3C4D"}});
    EXPECT_EQ(BildDateiPruefen("D:\\fotos\\weg.jpg").Zustand, TDateiZustand::Unklar);
}

TEST_F(PictureFiles, TheEntrysMediumIsComparedWithTheMediumAtItsLetter)
{
    fs::create_directories(dir / "karte");
    Laufwerke({{"C", "/", "HD", "SYSTEM", "1A2B3C4D"},
               {"D", (dir / "karte").string(), "DISK", "KARTE", "00001234"},
               {"E", (dir / "cd").string(), "CDROM", "", "leer"}});
    struct Fall {
        QString pfad, kennung;
        TMediumStand stand;
        bool verweigert;  // a command refuses the entry's picture
    };
    const Fall faelle[] = {
        {"D:\\DCIM\\IMG_0001.JPG", "4660", TMediumStand::Passt, false},
        {"D:\\DCIM\\IMG_0001.JPG", " 4660 ", TMediumStand::Passt, false},
        {"D:\\DCIM\\IMG_0001.JPG", "-17", TMediumStand::Anderes, true},
        {"D:\\DCIM\\IMG_0001.JPG", "", TMediumStand::OhneKennung, false},
        {"E:\\a.jpg", "4660", TMediumStand::Fehlt, true},
        {"F:\\a.jpg", "4660", TMediumStand::Fehlt, true},
        {"C:\\a.jpg", "439041101", TMediumStand::Passt, false},
    };
    for (const Fall& f : faelle) {
        EXPECT_EQ(MediumPruefen(f.pfad, f.kennung), f.stand) << f.pfad.toStdString() << " " << f.kennung.toStdString();
        EXPECT_EQ(MediumNichtImLaufwerk(f.pfad, f.kennung), f.verweigert)
            << f.pfad.toStdString() << " " << f.kennung.toStdString();
    }
    const QString text = MediumFehltText("D:\\DCIM\\IMG_0001.JPG", "URLAUB", "-17");
    EXPECT_TRUE(text.contains("\"URLAUB\" (-17)")) << text.toStdString();
    EXPECT_TRUE(text.contains("Laufwerk D:")) << text.toStdString();
}

TEST_F(PictureFiles, ExportTargetsStayInTheirFolder)
{
    struct Fall {
        QString name, ziel;
    };
    const Fall faelle[] = {
        {"C:\\bilder\\a.jpg", "C:\\export\\a.jpg"},
        {"C:\\bilder\\..\\..\\etc\\passwd", "C:\\export\\passwd"},
        {"C:\\bilder/../x/b.jpg", "C:\\export\\b.jpg"},
        {"D:b.jpg", "C:\\export\\b.jpg"},
        {"C:\\bilder\\..", ""},
        {"C:\\bilder\\.", ""},
        {"C:\\bilder\\", ""},
        {"C:\\bilder\\a\x01?*.jpg", "C:\\export\\a.jpg"},
        {"", ""},
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(ZielImOrdner("C:\\export", f.name), f.ziel) << f.name.toStdString();
    EXPECT_EQ(ZielImOrdner("", "a.jpg"), "");
}

TEST_F(PictureFiles, RenameNeverReplacesAnotherFile)
{
    WriteFile(dir / "a.jpg", "a");
    WriteFile(dir / "b.jpg", "b");
    EXPECT_FALSE(BildUmbenennen(W("a.jpg"), W("b.jpg")).Ok);
    EXPECT_EQ(ReadFile(dir / "a.jpg"), "a");
    EXPECT_EQ(ReadFile(dir / "b.jpg"), "b");
    EXPECT_TRUE(BildUmbenennen(W("a.jpg"), W("c.jpg")).Ok);
    EXPECT_EQ(ReadFile(dir / "c.jpg"), "a");
    EXPECT_FALSE(fs::exists(dir / "a.jpg"));
}

}  // namespace
