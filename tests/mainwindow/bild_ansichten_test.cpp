// The picture views without a main window: an album made through the engine
// in a temporary folder, opened in a work area; the album views and the
// window's services are recording fakes. The album is read back with
// python3-dbfread.

#include "mainwindow/bild_ansichten.h"

#include "album_ansicht_protokoll.h"
#include "offenes_album_fixture.h"
#include "album/album_record.h"
#include "album/arbeitsbereich.h"
#include "mainwindow/main_options.h"
#include "mainwindow/main_settings.h"

#include "datagrid/dk_data_source.h"
#include "datagrid/dk_table.h"
#include "dialogs/program_settings.h"
#include "imaging/image_window.h"
#include "imaging/pic_box.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"
#include "storage/database_bridge.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe.h"
#include "test_environment.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

class TUmgebungProtokoll : public TBildAnsichtenUmgebung {
public:
    TUmgebungProtokoll() { einstellungen.Optionen = &optionen; }

    const TEinstellungen& Einstellungen() const override { return einstellungen; }
    bool SatzanzahlNeu(int angezeigt) override
    {
        if (angezeigt == letzteAnzahl)
            return false;
        letzteAnzahl = angezeigt;
        return true;
    }
    void OhneAlbumAnzeigen() override { Zeilen.push_back("ohne Album"); }
    bool GridSeiteAktiv() const override { return true; }
    bool VorschauSeiteAktiv() const override { return false; }
    void GrossBildSeiteZeigen() override {}
    void OptionenZeigen() override {}
    void EinzelbildDrucken() override {}

    TProgrammEinstellungen optionen;
    TEinstellungen einstellungen;
    int letzteAnzahl = -1;
    QStringList Zeilen;
};

QString Win(const std::filesystem::path& p) { return *LinuxToWin(QString::fromStdString(p.string())); }

class BildAnsichtenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(InstallDatabaseBridge(), DBIERR_NONE);
        std::filesystem::create_directories(dir / "temp");
        werkstatt = std::make_unique<TAlbumWerkstatt>(dir.path(), ansicht);
        werkstatt->dienste.tempOrdner = Win(dir / "temp") + "\\";
        umgebung.einstellungen.VorgabenSetzen(werkstatt->dienste.programmPfad);
        tabelle = &werkstatt->bilder.tabelle;
        dbe = werkstatt->bilder.dbe.get();
        album = &werkstatt->bilder.bereich;

        k.ImageWindow2 = new TImage(&fenster);
        k.PanelVorschaubild1 = new TPanel(&fenster);
        k.QKDBPicBox1 = new TQKDBPicBox(&fenster);
        k.QKDBPicBox1->Loaded();
        for (TRadioButton*& r : k.Drehknoepfe)
            r = new TRadioButton(&fenster);
        k.CheckBoxExternAnzeigen = new TCheckBox(&fenster);
        k.CheckBoxExternAufrufen = new TCheckBox(&fenster);
        k.ImageWindow1 = new TImageWindow(&fenster);
        for (TPanel** p : {&k.Panel18, &k.Panel19, &k.Panel20, &k.Panel21})
            *p = new TPanel(&fenster);
        k.Timer1 = new TTimer(&fenster);
        k.Timer4 = new TTimer(&fenster);
        bilder = std::make_unique<TBildAnsichten>(werkstatt->album, ansicht, k, werkstatt->dienste, umgebung);
    }
    void TearDown() override
    {
        bilder.reset();
        werkstatt.reset();
        dbe_CloseAll();
        UninstallDatabaseBridge();
    }

    // An album of pictures drawn here (200+n x 120), entered with their
    // Windows-form paths and no thumbnails (or the given thumbnails, stored
    // as BMP memos); opened in the work area.
    void AlbumOeffnen(int anzahl, const std::vector<QImage>& vorschau = {})
    {
        const std::string datei = (dir / "BILDER.DBF").string();
        ASSERT_NE(dbe_CreateNew(datei.c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, int(kAlbumFelder.size())), 0) << dbe_LastError();
        for (const TAlbumFeld& f : kAlbumFelder)
            dbe_CreateField(f.Name, f.Typ, f.Breite, f.Dezimal);
        ASSERT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
        for (int n = 1; n <= anzahl; ++n) {
            const std::string bild = (dir / ("bild" + std::to_string(n) + ".png")).string();
            QImage img(200 + n, 120, QImage::Format_RGB32);
            img.fill(Qt::darkCyan);
            ASSERT_TRUE(img.save(QString::fromStdString(bild), "PNG"));
            ASSERT_EQ(dbe_AppendBlank(), 1);
            dbe_Replace("PFAD", DBE_REPL_TEXT, Win(bild).toLatin1().constData());
            const int32_t bytes = 1;
            dbe_Replace("BYTES", DBE_REPL_LONG, &bytes);
            if (size_t(n) <= vorschau.size()) {
                QByteArray bmp;
                QBuffer puffer(&bmp);
                ASSERT_TRUE(puffer.open(QIODevice::WriteOnly) && vorschau[size_t(n - 1)].save(&puffer, "BMP"));
                ASSERT_EQ(dbe_ReplaceBlob("VORSCHAU", bmp.constData(), uint32_t(bmp.size()), 1), 1) << dbe_LastError();
            }
        }
        dbe_Commit();
        dbe_Close();
        album->DateienSetzen(TAlbumDateien(Win(dir.path()) + "\\", "BILDER.DBF"));
        ASSERT_EQ(DatenbankOeffnenPasswort(tabelle, ttDXFOX, dbe, album->Ordner(), album->Name(), QString(), false,
                                           false, false, nullptr, QString(), QString()),
                  kDatenbankOffen);
        tabelle->First();
    }

    // One column of the album as python3-dbfread reads it, a line per record
    // (after the work area closed the table).
    std::string Spalte(const std::string& feld)
    {
        tabelle->Close();
        const std::string skript = (dir / "lesen.py").string();
        lxtest::WriteFile(skript, "import sys, dbfread\n"
                                  "for r in dbfread.DBF(sys.argv[1], encoding='cp1252'):\n"
                                  "    print(r[sys.argv[2]])\n");
        std::string ausgabe;
        const std::string befehl = "/usr/bin/python3 " + skript + " " + (dir / "BILDER.DBF").string() + " " + feld + " 2>&1";
        if (FILE* p = ::popen(befehl.c_str(), "r")) {
            char puffer[256];
            while (std::fgets(puffer, sizeof puffer, p))
                ausgabe += puffer;
            ::pclose(p);
        }
        return ausgabe;
    }

    lxtest::TempDir dir;
    TForm fenster{nullptr};
    TUmgebungProtokoll umgebung;
    TAlbumAnsichtProtokoll ansicht;
    std::unique_ptr<TAlbumWerkstatt> werkstatt;
    TdkTable* tabelle = nullptr;
    TDbe* dbe = nullptr;
    TArbeitsbereich* album = nullptr;
    TBildAnsichtenKomponenten k;
    std::unique_ptr<TBildAnsichten> bilder;
};

TEST_F(BildAnsichtenTest, RotationWritesTheEntrysFlagUnlessTheAlbumIsReadOnly)
{
    AlbumOeffnen(3);
    // Turned by the flag (not physically): character 4 of FLAGS.
    umgebung.einstellungen.Setzen("VorschaubilderPhysikalischDrehen", false);
    bilder->Drehen(1);
    EXPECT_TRUE(k.Drehknoepfe[1]->Checked());
    EXPECT_EQ(k.PanelVorschaubild1->Tag, 1);  // the entry's thumbnail was shown again
    EXPECT_TRUE(ansicht.Gerufen("SatzAnzahlZeigen"));
    dbe->Go(2);
    bilder->Drehen(3);
    dbe->Go(3);
    album->NurLesenSetzen(true);
    bilder->Drehen(2);
    album->NurLesenSetzen(false);
    EXPECT_EQ(Spalte("FLAGS"), "   1\n   3\n\n");
}

TEST_F(BildAnsichtenTest, EditedPicturesAreListedAndRefreshedWithSizeDateAndThumbnail)
{
    AlbumOeffnen(2);
    dbe->Go(2);
    // No editor set: the message, but the entry is listed all the same.
    {
        TPromptScript skript;
        skript.Answer(mrOk, "Programm nicht gefunden");
        bilder->BildExternBearbeiten(1, QString());
    }
    ASSERT_EQ(bilder->ExternBearbeiteteSaetze().Count(), 1);
    EXPECT_EQ(bilder->ExternBearbeiteteSaetze()[0], "2");

    // The picture changes outside.
    const QString bild = QString::fromStdString((dir / "bild2.png").string());
    QImage neu(640, 480, QImage::Format_RGB32);
    neu.fill(Qt::darkRed);
    ASSERT_TRUE(neu.save(bild, "PNG"));
    bilder->ExternBearbeiteteAktualisieren();
    EXPECT_EQ(bilder->ExternBearbeiteteSaetze().Count(), 0);
    EXPECT_EQ(ansicht.Aufrufe.back(), "GridSeiteZeigen");
    dbe->Go(2);
    EXPECT_GT(dbe->GetBlobLength("VORSCHAU"), 0);
    const QFileInfo info(bild);
    EXPECT_EQ(Spalte("BYTES"), "1\n" + std::to_string(info.size()) + "\n");
    EXPECT_EQ(Spalte("FILEDATE"), "None\n" + info.lastModified().date().toString(Qt::ISODate).toStdString() + "\n");

    // Nothing listed now: the command says so.
    TPromptScript skript;
    skript.Answer(mrOk, "Aktuell keine Bilder extern bearbeitet!");
    bilder->ExternBearbeiteteAktualisieren();
}

TEST_F(BildAnsichtenTest, TheThumbnailSetIsReadAgainOnlyAfterItWasMarkedStale)
{
    AlbumOeffnen(2);
    bilder->VorschaubilderEinlesen();
    EXPECT_TRUE(bilder->ThumbnailsGeladen());
    EXPECT_EQ(k.QKDBPicBox1->Items()->Count(), 2);
    // The grid's folder as a Linux path (it ends with "/").
    const auto ordner = [](const QString& pfad) { return QDir::cleanPath(pfad).toStdString(); };
    const QString erster = k.QKDBPicBox1->BlobTempDir;
    EXPECT_EQ(ordner(erster), ordner(*WinToLinux(werkstatt->dienste.tempOrdner)));

    // Same count shown: the set stands, even with another temporary folder.
    std::filesystem::create_directories(dir / "temp2");
    werkstatt->dienste.tempOrdner = Win(dir / "temp2") + "\\";
    bilder->VorschaubilderEinlesen();
    EXPECT_EQ(ordner(k.QKDBPicBox1->BlobTempDir), ordner(erster));

    bilder->VorschaubilderVeraltet();
    EXPECT_FALSE(bilder->ThumbnailsGeladen());
    bilder->VorschaubilderEinlesen();
    EXPECT_TRUE(bilder->ThumbnailsGeladen());
    EXPECT_EQ(ordner(k.QKDBPicBox1->BlobTempDir), ordner(*WinToLinux(werkstatt->dienste.tempOrdner)));
    EXPECT_EQ(k.QKDBPicBox1->Items()->Count(), 2);
}

// Moving through the album shows each entry's thumbnail, decoded from its
// memo: nothing is written to the temporary folder on the way, and a
// temporary folder that is gone changes nothing.
TEST_F(BildAnsichtenTest, MovingThroughTheAlbumShowsEachThumbnailWithoutAFile)
{
    QImage rot(160, 120, QImage::Format_RGB32), blau(120, 160, QImage::Format_RGB32);
    rot.fill(Qt::red);
    blau.fill(Qt::blue);
    AlbumOeffnen(2, {rot, blau});
    const auto gezeigt = [&] {
        const TGraphic* g = k.ImageWindow2->Picture()->Graphic();
        return g ? g->ToImage() : QImage();
    };
    for (const bool ordnerDa : {true, false}) {
        SCOPED_TRACE(ordnerDa ? "temporary folder there" : "temporary folder gone");
        if (!ordnerDa)
            std::filesystem::remove_all(dir / "temp");
        k.PanelVorschaubild1->Tag = 0;
        for (const uint32_t satz : {1u, 2u, 1u}) {
            dbe->Go(satz);
            bilder->ZeigeVorschauBildAusBlob();
            const QImage bild = gezeigt();
            ASSERT_FALSE(bild.isNull());
            EXPECT_EQ(bild.size(), satz == 1 ? rot.size() : blau.size());
            EXPECT_EQ(bild.pixelColor(5, 5), satz == 1 ? QColor(Qt::red) : QColor(Qt::blue));
            EXPECT_EQ(k.PanelVorschaubild1->Tag, satz);
        }
        if (ordnerDa) {
            EXPECT_TRUE(std::filesystem::is_empty(dir / "temp"));
        }
    }
    EXPECT_TRUE(umgebung.Zeilen.isEmpty()) << umgebung.Zeilen.join(u'\n').toStdString();
    EXPECT_TRUE(werkstatt->dienste.Aufrufe.isEmpty()) << werkstatt->dienste.Aufrufe.join(u'\n').toStdString();
}

}  // namespace
