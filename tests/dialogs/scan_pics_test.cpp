// The picture scan dialog and the entry of one picture: the type codes, the
// thumbnail size, the search mask, the title parts, the short name; a real
// run over a folder tree of generated pictures of every type, read back with
// python3-dbfread and searched in the full-text index; the second run that
// adds nothing; the decision with the user; pixel limits; other media;
// dropped files; the closing rule; and a screenshot.

#include "shared/picture_files.h"
#include "dialogs/scan_pics.h"

#include "album_fixture.h"
#include "album_halter.h"
#include "album_ansicht_protokoll.h"
#include "offenes_album_fixture.h"
#include "platform/core/run_temp_folder.h"
#include "controls/spin_edit.h"
#include "dialogs/program_settings.h"
#include "dialogs/scan_host.h"
#include "dialogs/search_missed_files_form.h"
#include "imaging/image_window.h"
#include "platform/picture/picture_formats.h"
#include "platform/picture/picture_io.h"
#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_find.h"
#include "shared/qk_ini.h"
#include "shared/short_name.h"
#include "shared/status4_form.h"
#include "storage/tfts.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include <map>
#include <optional>

#include <zlib.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/dbf/dbe.h"
#include "platform/dbf/engine_lock.h"
#include "platform/dbf/lock_wait.h"

namespace {

// The main window's own parts as the dialog sees them: the options, the
// pick lists, and what the dialog asked of the table, the counts, the
// thumbnails, the help and the viewer, recorded.
class TTestScanHaupt : public TScanHauptfenster {
public:
    TProgrammEinstellungen einstellungen;
    int gesperrt = 0, frei = 0, anzahl = 0, neuLaden = 0;
    QStringList hilfe, vollbild;

    TProgrammEinstellungen& Einstellungen() override { return einstellungen; }
    QStringList PickListe(int liste) const override
    {
        static const QStringList listen[4] = {{"unbekannt\t0", "Kamera\t1"}, {"gut\t0", "mittel\t1"},
                                              {"schön\t0"}, {"Urlaub\t0", "Familie\t1"}};
        return listen[liste];
    }
    void TabelleSperren(bool s) override { (s ? gesperrt : frei)++; }
    void TabelleAktualisieren() override {}
    void BilderSatzAnzahlZeigen() override { ++anzahl; }
    void VorschaubilderNeuLaden() override { ++neuLaden; }
    void Hilfe(const QString& thema) override { hilfe << thema; }
    void VollbildAnzeigen(const QString& datei) override { vollbild << datei; }
};

// What dbfread reads of the album: one line per record.
const char* kAlbumLesen = R"PY(
import sys, zlib
from dbfread import DBF
t = DBF(sys.argv[1], encoding='cp1252', raw=False, char_decode_errors='strict')
out = open(sys.argv[2], 'w', encoding='utf-8')
n = 0
for r in t:
    v = r['VORSCHAU']
    if isinstance(v, str):
        v = v.encode('latin-1')
    bmp = ''
    n += 1
    if v and len(sys.argv) > 3:
        open('%s/%d.bmp' % (sys.argv[3], n), 'wb').write(v)
    if v:
        w = int.from_bytes(v[18:22], 'little', signed=True)
        h = abs(int.from_bytes(v[22:26], 'little', signed=True))
        bits = int.from_bytes(v[28:30], 'little')
        bmp = '%s %dx%d %d' % (v[:2].decode('latin-1'), w, h, bits)
    out.write('\t'.join([r['PFAD'], r['TYPE'], str(r['BYTES']), r['LABELKENNU'], r['SHORTNAME'],
                         str(r['BREITE']), str(r['HOEHE']), r['FLAGS'], r['OWNER'], r['SHORTDESC'],
                         r['SERIE'], r['LABEL'], bmp]) + '\n')
)PY";

// The short name as the album's definition gives it, computed outside: the
// ASCII letters and the umlauts ä, ö, ü upper-cased, cp1252 bytes, CRC-32,
// signed decimal.
const char* kShortName = R"PY(
import sys, zlib
for line in open(sys.argv[1], encoding='utf-8'):
    p = line.rstrip('\n').strip()
    up = ''.join(c.upper() if c.isascii() else {'ä': 'Ä', 'ö': 'Ö', 'ü': 'Ü'}.get(c, c) for c in p)
    c = zlib.crc32(up.encode('cp1252'))
    if c >= 2**31:
        c -= 2**32
    print(c)
)PY";

struct TSatz {
    QString Pfad, Typ, Bytes, Kennung, ShortName, Breite, Hoehe, Flags, Owner, Desc, Serie, Label, Bmp;
};

class ScanPicsTest : public AlbumTest {
protected:
    void SetUp() override
    {
        AlbumTest::SetUp();
        // C: is "/" with a known serial and label, whatever tests before set.
        lxtest::WriteDriveTable({lxtest::FakeDrive{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
        // The open album BILDER.DBF of the test folder, the program folder
        // its subfolder "programm".
        werkstatt = std::make_unique<TAlbumWerkstatt>(dir / "programm", ansicht);
        werkstatt->bilder.bereich.DateienSetzen(TAlbumDateien(WinDir(), "BILDER.DBF"));
        erste = &werkstatt->bilder;
        zweite = &werkstatt->bilder2;
        fts = werkstatt->bilder.fts.get();
        programm = werkstatt->dienste.programmPfad;
        haupt.einstellungen.SetProgrammPfad(programm);
        MakeAlbum("BILDER.DBF", {});
        ASSERT_TRUE(erste->bereich.Oeffnen(false));
        erste->dbe->IndexTag(QString(), "Shortname", "Shortname", 0, 0, QString());
        ASSERT_TRUE(zweite->bereich.Oeffnen(erste->bereich.Dateien(), false));
        ASSERT_GT(fts->CreateIndex(erste->bereich.Dateien().Ia(), 20, 2, 1, 1), 0);
        EscAbbruch = 0;
    }
    void TearDown() override
    {
        werkstatt.reset();
        AlbumTest::TearDown();
    }

    // Both views of the album opened again (after a read from outside).
    void Oeffnen()
    {
        EXPECT_TRUE(erste->bereich.Oeffnen(false));
        EXPECT_TRUE(zweite->bereich.Oeffnen(erste->bereich.Dateien(), false));
    }

    std::unique_ptr<TfrmScanPics> Dialog()
    {
        auto d = std::make_unique<TfrmScanPics>(Application, werkstatt->album, werkstatt->dienste, haupt);
        d->SpinEditMinDateiGroesse->SetValue(0);
        return d;
    }

    // A picture of w x h in the format of the suffix (or `format`).
    QString Bild(const QString& rel, int w, int h, int format = 0, QColor farbe = Qt::darkGreen)
    {
        const QString linux = QString::fromStdString(dir.str()) + "/" + rel;
        QDir().mkpath(QFileInfo(linux).path());
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(farbe);
        QPainter p(&img);
        p.setPen(Qt::white);
        p.drawLine(0, 0, w - 1, h - 1);
        p.end();
        TPicError err;
        const int f = format ? format : PictureFormatFromExtension(linux);
        EXPECT_TRUE(PicWrite(TPicImage::FromQImage(img), linux, f, 0, err)) << linux.toStdString() << err.Text.toStdString();
        return linux;
    }

    // With `vorschauOrdner` the thumbnails are written there as <n>.bmp.
    std::vector<TSatz> Lesen(const QString& vorschauOrdner = {})
    {
        erste->tabelle.Close();
        zweite->tabelle.Close();
        const QString script = Linux("lesen.py"), out = Linux("album.txt");
        lxtest::WriteFile(dir / "lesen.py", kAlbumLesen);
        QProcess p;
        QStringList args = {script, Linux("BILDER.DBF"), out};
        if (!vorschauOrdner.isEmpty())
            args << vorschauOrdner;
        p.start("/usr/bin/python3", args);
        EXPECT_TRUE(p.waitForFinished(-1));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        std::vector<TSatz> saetze;
        QFile f(out);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        for (const QString& zeile : QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)) {
            const QStringList t = zeile.split('\t');
            EXPECT_EQ(t.size(), 13) << zeile.toStdString();
            if (t.size() == 13)
                saetze.push_back({t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8], t[9], t[10], t[11], t[12]});
        }
        Oeffnen();
        return saetze;
    }

    QStringList ShortNamesOutside(const QStringList& pfade)
    {
        lxtest::WriteFile(dir / "sn.py", kShortName);
        QFile f(Linux("pfade.txt"));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(pfade.join('\n').toUtf8() + "\n");
        f.close();
        QProcess p;
        p.start("/usr/bin/python3", {Linux("sn.py"), Linux("pfade.txt")});
        EXPECT_TRUE(p.waitForFinished(-1));
        return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    QString Log() const
    {
        QFile f(*WinToLinux(programm + "AddPics.log"));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return Win1252Decode(f.readAll());
    }

    static QString Win(const QString& linux) { return *LinuxToWin(linux); }

    TAlbumAnsichtProtokoll ansicht;
    std::unique_ptr<TAlbumWerkstatt> werkstatt;
    TTestScanHaupt haupt;
    // The album's two views, its full-text index and the program folder.
    TBereichTeile* erste = nullptr;
    TBereichTeile* zweite = nullptr;
    TFts* fts = nullptr;
    QString programm;
};

TEST(ScanPicsRegeln, TypeCodesTreatEveryJpegSuffixAsJpeg)
{
    const std::map<QString, int> faelle = {
        {"a.jpg", 1}, {"A.JPE", 1},  {"b.jpeg", 1}, {"c.BMP", 2}, {"d.tif", 3},  {"e.png", 4},  {"f.gif", 5},
        {"g.pcx", 6}, {"h.pcd", 7},  {"i.cms", 8},  {"j.scm", 9}, {"k.wmf", 10}, {"l.ico", 11}, {"m.txt", 0},
        {"ohne", 0},  {"x.tiff", 3},  // the suffix is the three characters after the point
    };
    for (const auto& [name, code] : faelle)
        EXPECT_EQ(ScanFileTypeErmitteln("C:\\Bilder.x\\" + name), code) << name.toStdString();
}

TEST(ScanPicsRegeln, ThumbnailSizeKeepsTheLongerSideAt150)
{
    struct Fall {
        int w, h, nw, nh;
    };
    for (const Fall& f : {Fall{300, 200, 150, 100}, Fall{200, 300, 100, 150}, Fall{500, 500, 150, 150},
                          Fall{4000, 3000, 150, 112}, Fall{3000, 1, 150, 1}, Fall{90, 60, 150, 100}}) {
        int nw = 0, nh = 0;
        VorschauGroesse(f.w, f.h, nw, nh);
        EXPECT_EQ(nw, f.nw) << f.w << "x" << f.h;
        EXPECT_EQ(nh, f.nh) << f.w << "x" << f.h;
    }
}

TEST(ScanPicsRegeln, MaskFollowsTheTickedTypesInOrder)
{
    TScanTypen t;
    t.JPG = true;
    EXPECT_EQ(ScanSuchmaske(t), ";*.JPG;*.JPE;*.JPEG");
    t.PCX = true;
    t.BMP = true;
    t.EigeneSuffix = "XYZ";
    EXPECT_EQ(ScanSuchmaske(t), ";*.JPG;*.JPE;*.JPEG;*.BMP;*.PCX;*.XYZ");
    EXPECT_EQ(ScanSuchmaske(TScanTypen{}), "");
}

TEST(ScanPicsRegeln, TitlePartsFollowTheSequenceAndFillOnlyEmptyFields)
{
    QString u, b, s;
    TitelAusDateiname("Anna,Strand,Urlaub", 0, ',', u, b, s);
    EXPECT_EQ(u, "Anna");
    EXPECT_EQ(b, "Strand");
    EXPECT_EQ(s, "Urlaub");
    u = "Ini";
    b.clear();
    s.clear();
    TitelAusDateiname("Urlaub-Strand-Anna-mehr", 2, '-', u, b, s);
    EXPECT_EQ(u, "Ini");  // kept from the description file
    EXPECT_EQ(s, "Urlaub");
    EXPECT_EQ(b, "Strand");
    u.clear();
    b.clear();
    s.clear();
    TitelAusDateiname("ohneTrenner", 0, ',', u, b, s);
    EXPECT_TRUE(u.isEmpty() && b.isEmpty() && s.isEmpty());
    TitelAusDateiname("Strand,Anna,x", 6, ',', u, b, s);
    EXPECT_EQ(b, "Strand");
    EXPECT_EQ(u, "Anna,x");
    u.clear();
    TitelAusDateiname("bild.2024", 8, ',', u, b, s);
    EXPECT_EQ(u, "bild.2024");
}

TEST(ScanPicsRegeln, ShortNameIsTheCrcOfTheUpperCasedPath)
{
    // zlib.crc32(b"C:\\BILDER\\A.JPG") as signed text, any case, blanks trimmed.
    const QString a = StringToCRC32("C:\\Bilder\\a.jpg");
    EXPECT_EQ(a, StringToCRC32("  c:\\BILDER\\A.JPG "));
    EXPECT_EQ(StringToCRC32("C:\\Bäder\\ö.jpg"), StringToCRC32("C:\\BÄDER\\Ö.JPG"));
    EXPECT_NE(a, StringToCRC32("C:\\Bilder\\b.jpg"));
    EXPECT_LE(a.size(), 11);
    EXPECT_EQ(StringToCRC32(""), "0");
    EXPECT_EQ(StringToCRC32("123456789"), "-873187034");  // the CRC-32 check value 0xCBF43926
    EXPECT_THROW(StringToCRC32("C:\\\u4E2D.jpg"), std::exception);
}

TEST_F(ScanPicsTest, RealRunOverATreeOfEveryTypeFillsTheAlbumAndASecondRunAddsNothing)
{
    // About fifty pictures of every listed type, nested, with blanks and
    // umlauts, one described in an Inhalt.INI.
    const QStringList suffixe = {"jpg", "JPE", "jpeg", "bmp", "png", "PCX", "gif", "tif"};
    struct TErwartet {
        QString linux;
        int w, h;
        QString typ;
    };
    std::vector<TErwartet> gut;
    const QStringList ordner = {"Bilder", "Bilder/Urlaub 2024", "Bilder/Fotos mit Ümläut", "Bilder/tief/unter/ganz"};
    int n = 0;
    for (const QString& s : suffixe) {
        for (int i = 0; i < 7; ++i, ++n) {
            const QString name = (i == 3 ? QString("Straße am Meer %1.").arg(n) : QString("bild_%1.").arg(n)) + s;
            const int w = 120 + n, h = 100 + (n % 5) * 7;
            const QString l = Bild(ordner[n % ordner.size()] + "/" + name, w, h);
            const QString up = s.toUpper();
            gut.push_back({l, w, h, up.startsWith("JP") ? "1" : QString::number(ScanFileTypeErmitteln("x." + up))});
        }
    }
    // A picture whose name is only its extension.
    {
        const QString l = Bild("Bilder/tief/.jpg", 140, 120, pfJPEG);
        gut.push_back({l, 140, 120, "1"});
    }
    lxtest::WriteFile(dir / "Bilder" / "Inhalt.INI", "[Titel]\r\nBILD_0=Anna;Strand im Sommer;Urlaub\r\n");
    // Bad input: corrupt, empty, and a text file dressed as a picture.
    lxtest::WriteFile(dir / "Bilder" / "kaputt.jpg", std::string("\xFF\xD8\xFF\xE0 das ist kein JPEG", 24));
    lxtest::WriteFile(dir / "Bilder" / "Urlaub 2024" / "leer.png", "");
    lxtest::WriteFile(dir / "Bilder" / "tief" / "verkleidet.bmp", "nur Text, kein Bild");
    lxtest::WriteFile(dir / "Bilder" / "notiz.txt", "kein Bild");

    const auto lauf = [&](int erwarteteFragen) {
        auto d = Dialog();
        d->Show();
        // The options as a user sets them.
        for (TCheckBox* b : {d->chkFindJPG, d->chkFindBMP, d->chkFindTIF, d->chkFindPNG, d->chkFindPCX, d->chkFindGIF})
            b->SetChecked(true);
        d->CheckBoxInclSuDirs->SetChecked(true);
        d->CheckBoxFileCount->SetChecked(true);
        d->SpinEditMinPixelBreite->SetValue(0);
        d->SpinEditMinPixelHoehe->SetValue(0);
        TPromptScript script;
        script.AnswerValue(Win(Linux("Bilder")));
        for (int i = 0; i < erwarteteFragen; ++i)
            script.Answer(mrNo, "scheint üngültig zu sein");
        script.Answer(mrOk, "Scanvorgang auf angegebenen Laufwerk abgeschlossen!");
        d->btnScanStart->Click();
        EXPECT_TRUE(d->CloseAllowed);
        EXPECT_EQ(d->panFind->Caption(), "Einlesen abgeschlossen");
        const int neue = d->Neue(), alte = d->Alte();
        d->Hide();
        return std::pair{neue, alte};
    };

    const auto [neue, alte] = lauf(3);
    EXPECT_EQ(neue, int(gut.size()));
    EXPECT_EQ(alte, 0);
    const QString log = Log();
    for (const char* datei : {"kaputt.jpg", "leer.png", "verkleidet.bmp"})
        EXPECT_TRUE(log.contains(datei)) << datei << "\n" << log.toStdString();
    EXPECT_FALSE(log.contains("notiz.txt"));

    const QString vorschau = Linux("vorschau");
    QDir().mkpath(vorschau);
    const std::vector<TSatz> saetze = Lesen(vorschau);
    ASSERT_EQ(saetze.size(), gut.size());
    // Every thumbnail is a picture GraphicsMagick reads, of the size shown
    // in its header.
    {
        QStringList args = {"identify", "-format", "%m %wx%h\n"};
        for (size_t i = 1; i <= saetze.size(); ++i)
            args << vorschau + QString("/%1.bmp").arg(i);
        QProcess gm;
        gm.start("gm", args);
        ASSERT_TRUE(gm.waitForFinished(-1));
        EXPECT_EQ(gm.exitCode(), 0) << gm.readAllStandardError().toStdString();
        const QStringList zeilen = QString::fromUtf8(gm.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(zeilen.size(), int(saetze.size()));
        for (size_t i = 0; i < saetze.size(); ++i)
            EXPECT_EQ("BMP " + saetze[i].Bmp.section(' ', 1, 1), zeilen[int(i)]) << saetze[i].Pfad.toStdString();
    }
    std::map<QString, TSatz> nachPfad;
    for (const TSatz& s : saetze)
        nachPfad[s.Pfad] = s;
    QStringList pfade;
    for (const TErwartet& e : gut)
        pfade << Win(e.linux);
    const QStringList kurz = ShortNamesOutside(pfade);
    ASSERT_EQ(kurz.size(), pfade.size());
    for (size_t i = 0; i < gut.size(); ++i) {
        const TErwartet& e = gut[i];
        ASSERT_TRUE(nachPfad.count(pfade[int(i)])) << pfade[int(i)].toStdString();
        const TSatz& s = nachPfad[pfade[int(i)]];
        EXPECT_EQ(s.Typ, e.typ) << s.Pfad.toStdString();
        EXPECT_EQ(s.Bytes.toLongLong(), QFileInfo(e.linux).size()) << s.Pfad.toStdString();
        EXPECT_EQ(s.Kennung, "439041101");  // the C: drive's serial 0x1A2B3C4D
        EXPECT_EQ(s.Label, "SYSTEM");
        EXPECT_EQ(s.ShortName, kurz[int(i)]) << s.Pfad.toStdString();
        EXPECT_EQ(s.Breite.toInt(), e.w);
        EXPECT_EQ(s.Hoehe.toInt(), e.h);
        EXPECT_EQ(s.Flags, "0");
        int tw = 0, th = 0;
        VorschauGroesse(e.w, e.h, tw, th);
        // A bitmap of the thumbnail's size with at most 256 colours.
        EXPECT_TRUE(s.Bmp.startsWith(QString("BM %1x%2 ").arg(tw).arg(th))) << s.Bmp.toStdString();
        EXPECT_TRUE(QStringList({"1", "4", "8"}).contains(s.Bmp.section(' ', 2))) << s.Bmp.toStdString();
    }
    const TSatz& beschrieben = nachPfad[Win(Linux("Bilder/bild_0.jpg"))];
    EXPECT_EQ(beschrieben.Owner, "Anna");
    EXPECT_EQ(beschrieben.Desc, "Strand im Sommer");
    EXPECT_EQ(beschrieben.Serie, "Urlaub");

    // The full-text index finds the entry by a word of its title.
    ASSERT_GT(fts->SetQuery(QByteArray("Strand")), 0);
    const int treffer = fts->NextRec();
    ASSERT_GT(treffer, 0);
    ASSERT_TRUE(erste->dbe->Go(uint32_t(treffer)));
    EXPECT_EQ(erste->dbe->GetTrimString("OWNER"), "Anna");
    EXPECT_EQ(fts->NumRecs(), int(gut.size()));

    // The thumbnails passed through files of the run's own that went after
    // use: no "VORSCHAU.BMP" is left anywhere.
    QStringList reste;
    for (const QString& ordner : {QString::fromStdString(dir.str()), RunTempFolder()}) {
        QDirIterator it(ordner, {QStringLiteral("VORSCHAU*")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            reste << it.next();
    }
    EXPECT_TRUE(reste.isEmpty()) << reste.join(u'|').toStdString();

    // A second run over the same tree adds nothing.
    const auto [neue2, alte2] = lauf(3);
    EXPECT_EQ(neue2, 0);
    EXPECT_EQ(alte2, int(gut.size()));
    EXPECT_EQ(Lesen().size(), gut.size());
}

TEST_F(ScanPicsTest, EmptyMaskIsRefusedAndNothingStarts)
{
    auto d = Dialog();
    for (TCheckBox* b : {d->chkFindJPG, d->chkFindBMP, d->chkFindTIF, d->chkFindPNG, d->chkFindPCX, d->chkFindGIF})
        b->SetChecked(false);
    TPromptScript script;
    script.Answer(mrOk, "Geben Sie mindestens einen Dateityp an");
    d->btnScanStart->Click();
    EXPECT_EQ(d->Neue(), 0);
}

TEST_F(ScanPicsTest, PixelLimitsTakeTheEdgeAndSkipOneMore)
{
    {
        // Without limits a panorama wider than the field's four digits is
        // taken with 9999.
        Bild("pano/breit.png", 10200, 40);
        auto d = Dialog();
        d->chkFindPNG->SetChecked(true);
        d->chkVorschaubildErzeugen->SetChecked(false);
        d->SpinEditMaxPixelBreite->SetValue(0);
        d->SpinEditMinPixelHoehe->SetValue(0);
        TPromptScript script;
        script.AnswerValue(Win(Linux("pano")));
        script.Answer(mrOk, "abgeschlossen");
        d->btnScanStart->Click();
        EXPECT_EQ(d->Neue(), 1);
        const std::vector<TSatz> s = Lesen();
        ASSERT_EQ(s.size(), 1u);
        EXPECT_EQ(s[0].Breite, "9999");
        EXPECT_EQ(s[0].Hoehe, "40");
        EXPECT_TRUE(s[0].Bmp.startsWith("BM 150x1 ")) << s[0].Bmp.toStdString();
    }
    Bild("p/genau.png", 200, 150);
    Bild("p/breiter.png", 201, 150);
    Bild("p/klein.png", 99, 150);
    auto d = Dialog();
    d->SpinEditMaxPixelBreite->SetValue(200);
    d->SpinEditMinPixelBreite->SetValue(100);
    d->chkFindPNG->SetChecked(true);
    TPromptScript script;
    script.AnswerValue(Win(Linux("p")));
    script.Answer(mrOk, "abgeschlossen");
    d->btnScanStart->Click();
    EXPECT_EQ(d->Neue(), 1);
    const std::vector<TSatz> s = Lesen();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_TRUE(s[1].Pfad.endsWith("genau.png"));
}

TEST_F(ScanPicsTest, SizeWindowInKilobytesTakesTheEdge)
{
    // 10 KB minimum: 10239 bytes are skipped, 10240 taken.
    const QString a = Bild("k/a.bmp", 100, 100);
    const QString b = Bild("k/b.bmp", 100, 100);
    QFile fa(a), fb(b);
    ASSERT_TRUE(fa.resize(10239));
    ASSERT_TRUE(fb.resize(10240));
    auto d = Dialog();
    d->SpinEditMinDateiGroesse->SetValue(10);
    d->chkFindBMP->SetChecked(true);
    TPromptScript script;
    script.AnswerValue(Win(Linux("k")));
    script.Answer(mrOk, "abgeschlossen");
    d->btnScanStart->Click();
    EXPECT_EQ(d->Neue(), 1);
    EXPECT_TRUE(Lesen().at(0).Pfad.endsWith("b.bmp"));
}

TEST_F(ScanPicsTest, RemovableMediumAsksItsNameOnceAndTheSamePathElsewhereIsNew)
{
    const std::string wurzel = (dir / "stick").string();
    std::filesystem::create_directories(wurzel);
    lxtest::WriteDriveTable({lxtest::FakeDrive{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34},
                             lxtest::FakeDrive{"E", wurzel, "DISK", "", "0000BEEF", 1ull << 30}});
    Bild("stick/eins.gif", 150, 120);
    Bild("stick/zwei.gif", 150, 120);
    auto lauf = [&](const char* name) {
        auto d = Dialog();
        d->chkFindGIF->SetChecked(true);
        TPromptScript script;
        script.AnswerValue("E:\\");
        script.AnswerValue(name, "Geben sie einen Namen für den Datenträger ein");
        script.Answer(mrOk, "abgeschlossen");
        d->btnScanStart->Click();
        return d->Neue();
    };
    EXPECT_EQ(lauf("Urlaubsstick"), 2);
    // Another medium in the same drive: the same paths are new entries.
    lxtest::WriteDriveTable({lxtest::FakeDrive{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34},
                             lxtest::FakeDrive{"E", wurzel, "DISK", "", "0000CAFE", 1ull << 30}});
    EXPECT_EQ(lauf("Zweiter"), 2);
    const std::vector<TSatz> s = Lesen();
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0].Kennung, "48879");
    EXPECT_EQ(s[0].Label, "Urlaubsstick");
    EXPECT_EQ(s[2].Kennung, "51966");
    EXPECT_EQ(s[0].ShortName, s[2].ShortName);
}

TEST_F(ScanPicsTest, WithTheUserEachFileWaitsForSaveOrIgnoreAndRotationGoesIntoFlags)
{
    Bild("u/a.png", 300, 200);
    Bild("u/b.png", 300, 200);
    auto d = Dialog();
    d->chkFindPNG->SetChecked(true);
    d->chkNurVollstaendigeTitel->SetChecked(true);
    d->PanelVollstaendigeTitelUmschalten();
    d->radMDImmer->SetChecked(true);
    EXPECT_EQ(d->ClientHeight(), 800);
    std::map<QString, int> runden;
    d->WarteSchritt = [&] {
        const QString datei = d->txtPfad->Text().section('\\', -1);
        const int runde = ++runden[datei];
        if (datei != "a.png") {
            // A typed character the album cannot hold: not stored, said so.
            d->txtOwner->SetText("Bo");
            d->txtShortDesc->SetText("Pfeil");
            d->txtSerie->SetText("Sommer \u2192");
            d->btnScanSichern->Click();
        } else if (runde == 1) {
            // Titles missing: "Sichern" stays off until they are typed.
            EXPECT_FALSE(d->btnScanSichern->Enabled());
            d->txtOwner->SetText("Anna");
            d->txtShortDesc->SetText("Garten");
            d->txtSerie->SetText("Sommer");
            d->MenuDrehung[1]->Click();
        } else {
            EXPECT_TRUE(d->btnScanSichern->Enabled());
            d->btnScanSichern->Click();
        }
    };
    TPromptScript script;
    script.AnswerValue(Win(Linux("u")));
    script.Answer(mrOk, "Der Text \"Sommer \u2192\" enthält Zeichen, die im Fotoalbum nicht gespeichert werden können");
    script.Answer(mrOk, "abgeschlossen");
    d->btnScanStart->Click();
    EXPECT_EQ(d->Neue(), 1);
    EXPECT_EQ(d->Uebersprungen(), 1);
    const std::vector<TSatz> s = Lesen();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].Owner, "Anna");
    EXPECT_EQ(s[0].Flags, "0  1");
    EXPECT_TRUE(s[0].Bmp.startsWith("BM 100x150 ")) << s[0].Bmp.toStdString();  // turned with the picture
}

TEST_F(ScanPicsTest, DroppedFilesAreAddedWithoutAScanAndTheDialogCloses)
{
    const QString a = Bild("drop/Ein Bild.jpg", 160, 120);
    const QString b = Bild("drop/anders.jpe", 160, 120, pfJPEG);
    lxtest::WriteFile(dir / "drop" / "text.txt", "x");
    TProgrammLauf& lauf = werkstatt->dienste.Lauf();
    lauf.DropListeSetzen({Win(a), Win(b), Win(Linux("drop/text.txt"))});
    auto d = Dialog();
    d->Show();
    TPromptScript script;
    lauf.DropUebergeben([&] { d->btnScanStart->Click(); });
    EXPECT_EQ(d->Neue(), 1);
    EXPECT_EQ(d->ModalResult, mrOk);
    EXPECT_EQ(lauf.DropListe().Count(), 0);
    const std::vector<TSatz> s = Lesen();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].Pfad, Win(a));
    d->Hide();
}

// Dropped files wait in the run until the window hands them to the dialog;
// a start of the user's own scans a folder and leaves them waiting.
TEST_F(ScanPicsTest, DroppedFilesNotHandedOverAreLeftForTheHandOver)
{
    const QString fallen = Bild("drop/fallen.jpg", 160, 120);
    const QString gesucht = Bild("ordner/gesucht.png", 120, 120);
    TProgrammLauf& lauf = werkstatt->dienste.Lauf();
    lauf.DropListeSetzen({Win(fallen)});
    auto d = Dialog();
    d->chkFindPNG->SetChecked(true);
    TPromptScript script;
    script.AnswerValue(Win(Linux("ordner")));
    script.Answer(mrOk, "abgeschlossen");
    d->btnScanStart->Click();
    EXPECT_EQ(d->Neue(), 1);
    EXPECT_EQ(d->ModalResult, mrNone);
    ASSERT_EQ(lauf.DropListe().Count(), 1);
    EXPECT_EQ(lauf.DropListe()[0], Win(fallen));
    const std::vector<TSatz> s = Lesen();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].Pfad, Win(gesucht));
}

// The dialog adds to the album as it is open now: one the lifecycle closed
// meanwhile gets nothing, and the start asks nothing.
TEST_F(ScanPicsTest, StartDoesNothingWhenTheAlbumWasClosed)
{
    Bild("zu/a.png", 120, 120);
    auto d = Dialog();
    d->chkFindPNG->SetChecked(true);
    werkstatt->album.TabellenSchliessen();
    ASSERT_FALSE(erste->tabelle.Active());
    {
        TPromptScript script;  // no folder is asked for, no message shown
        d->btnScanStart->Click();
    }
    EXPECT_EQ(d->Neue(), 0);
    EXPECT_EQ(haupt.gesperrt, 0);
    EXPECT_TRUE(Lesen().empty());
}

TEST_F(ScanPicsTest, HelpShowsTheTopicAndTheButtonPlaysItsSound)
{
    auto d = Dialog();
    Word f1 = VK_F1;
    d->FormKeyUp(nullptr, f1, {});
    EXPECT_EQ(haupt.hilfe, QStringList{"Hlp_BilderHinzufuegen"});
    EXPECT_FALSE(werkstatt->dienste.Gerufen("Ton"));
    d->btnScanHelp->Click();
    EXPECT_EQ(haupt.hilfe, QStringList({"Hlp_BilderHinzufuegen", "Hlp_BilderHinzufuegen"}));
    EXPECT_EQ(werkstatt->dienste.Aufrufe, QStringList{"Ton 50"});
}

TEST_F(ScanPicsTest, PathsTheCodePageCannotHoldAreSkippedAndLogged)
{
    Bild("cp/gut.png", 120, 120);
    Bild("cp/\u4E2D\u6587.png", 120, 120);
    auto d = Dialog();
    d->chkFindPNG->SetChecked(true);
    TPromptScript script;
    script.AnswerValue(Win(Linux("cp")));
    script.Answer(mrOk, "abgeschlossen");
    d->btnScanStart->Click();
    EXPECT_EQ(d->Neue(), 1);
    EXPECT_EQ(d->Uebersprungen(), 1);
    EXPECT_TRUE(Log().contains("Windows-1252")) << Log().toStdString();
    EXPECT_EQ(Lesen().size(), 1u);

    // A path longer than the album's 239 characters is skipped and logged too.
    const QString tief = "lang/" + QString(120, 'a') + "/" + QString(120, 'b') + "/bild.png";
    Bild(tief, 120, 120);
    auto d2 = Dialog();
    d2->chkFindPNG->SetChecked(true);
    d2->CheckBoxInclSuDirs->SetChecked(true);
    TPromptScript script2;
    script2.AnswerValue(Win(Linux("lang")));
    script2.Answer(mrOk, "abgeschlossen");
    d2->btnScanStart->Click();
    EXPECT_EQ(d2->Neue(), 0);
    EXPECT_EQ(d2->Uebersprungen(), 1);
    EXPECT_TRUE(Log().contains("Pfad länger als 239 Zeichen")) << Log().toStdString();
}

TEST_F(ScanPicsTest, FormatBoxRulesAndSettingsRoundTrip)
{
    {
        auto d = Dialog();
        d->chkFindGIF2->SetChecked(true);
        d->chkFindJPG->SetChecked(true);
        d->chkFindJPGMouseUp();
        EXPECT_FALSE(d->chkFindGIF2->Checked());
        d->chkFindPNG->SetChecked(true);
        d->EditEigeneSuffix->SetText("XYZ");
        TPromptScript script;
        script.Answer(mrOk, "nur auf einen Bildtyp anwenden");
        d->EditEigeneSuffixExit(nullptr);
        EXPECT_EQ(d->EditEigeneSuffix->Text(), "");
        EXPECT_FALSE(d->CloseAllowed == false);
        d->SpinEditMaxDateiGroesse->SetValue(777);
        d->radMDFehlendeInformationen->SetChecked(true);
    }
    TQKINI ini(nullptr);
    ini.SetINIFileName(programm + "Lumadex.INI");
    EXPECT_EQ(ini.INIReadInteger("Einstellungen BilderScan", "MaxDateiGroesse", 0), 777);
    EXPECT_TRUE(ini.INIReadBool("Einstellungen BilderScan", "FindPNG", false));
    auto d = Dialog();
    EXPECT_EQ(d->SpinEditMaxDateiGroesse->Value(), 777);
    EXPECT_TRUE(d->chkFindPNG->Checked());
}

TEST_F(ScanPicsTest, ClosingIsRefusedWhileTheSearchRuns)
{
    Bild("z/a.png", 120, 120);
    auto d = Dialog();
    d->chkFindPNG->SetChecked(true);
    d->chkNurVollstaendigeTitel->SetChecked(true);
    d->radMDImmer->SetChecked(true);
    bool geprueft = false;
    d->WarteSchritt = [&] {
        bool darf = true;
        d->FormCloseQuery(nullptr, darf);
        EXPECT_FALSE(darf);
        geprueft = true;
        Word esc = VK_ESCAPE;
        d->FormKeyUp(nullptr, esc, {});
    };
    TPromptScript script;
    script.AnswerValue(Win(Linux("z")));
    script.Answer(mrOk, "abgeschlossen");
    d->btnScanStart->Click();
    EXPECT_TRUE(geprueft);
    EXPECT_EQ(d->Neue(), 0);
    bool darf = false;
    d->FormCloseQuery(nullptr, darf);
    EXPECT_TRUE(darf);
    EscAbbruch = 0;
}

TEST_F(ScanPicsTest, SeveralDrivesAreSearchedInTurnWithOneCountAndContinuingNumbers)
{
    const std::string d = (dir / "d").string(), e = (dir / "e").string();
    std::filesystem::create_directories(d);
    std::filesystem::create_directories(e);
    lxtest::WriteDriveTable({lxtest::FakeDrive{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34},
                             lxtest::FakeDrive{"D", d, "HD", "DATEN", "00000D0D", 1ull << 30},
                             lxtest::FakeDrive{"E", e, "HD", "MEHR", "00000E0E", 1ull << 30}});
    Bild("d/eins.png", 120, 120);
    Bild("d/zwei.png", 120, 120);
    Bild("e/drei.png", 120, 120);
    auto d2 = Dialog();
    d2->chkFindPNG->SetChecked(true);
    d2->ChkAllDrives->SetChecked(true);
    d2->CheckBoxFileCount->SetChecked(true);
    QStringList fortschritt;
    d2->QKFind1->OnChange = [&](TObject* s, const QString&, int, int n) {
        d2->QKFind1Change(s, n);
        fortschritt << d2->panFind->Caption();
    };
    TPromptScript script;
    script.Modal([](TCustomForm& f) {
        auto& wahl = dynamic_cast<TSearchMissedFilesForm&>(f);
        wahl.CheckBox(u'D')->SetChecked(true);
        wahl.CheckBox(u'E')->SetChecked(true);
        wahl.BitBtn1->Click();
    });
    script.Answer(mrOk, "Scanvorgang auf allen angegebenen Laufwerken abgeschlossen!");
    d2->btnScanStart->Click();
    EXPECT_EQ(d2->Neue(), 3);
    EXPECT_EQ(d2->Gesamt, 3);
    EXPECT_EQ(fortschritt, QStringList({"1/3", "2/3", "3/3"}));
    EXPECT_EQ(d2->panFind->Caption(), "Einlesen abgeschlossen");
    EXPECT_EQ(d2->Caption(), "Bilder der Datenbank hinzufügen");
    const std::vector<TSatz> s = Lesen();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[2].Kennung, QString::number(0x0E0E));
    EXPECT_EQ(s[2].Label, "MEHR");

    // Not confirmed: nothing is searched.
    auto d3 = Dialog();
    d3->ChkAllDrives->SetChecked(true);
    TPromptScript nein;
    nein.Modal([](TCustomForm& f) { f.ModalResult = mrCancel; });
    nein.Answer(mrOk, "Vorgang abgebrochen !");
    d3->btnScanStart->Click();
    EXPECT_EQ(d3->Neue(), 0);
    EXPECT_EQ(EscAbbruch, 0);
}

TEST_F(ScanPicsTest, LinkLoopIsWalkedOnce)
{
    Bild("schleife/x.png", 120, 120);
    std::filesystem::create_directories(dir / "schleife" / "unter");
    std::filesystem::create_directory_symlink(dir / "schleife", dir / "schleife" / "unter" / "zurueck");
    auto d = Dialog();
    d->chkFindPNG->SetChecked(true);
    d->CheckBoxInclSuDirs->SetChecked(true);
    TPromptScript script;
    script.AnswerValue(Win(Linux("schleife")));
    script.Answer(mrOk, "abgeschlossen");
    d->btnScanStart->Click();
    EXPECT_EQ(d->Neue(), 1);
}

// Another program, stopped in the middle of a change, holds the album's
// index lock once the scan has found its first picture: the duplicate check
// cannot read the index, so the run stops with the busy message instead of
// taking the picture for a new one; nothing is entered.
TEST_F(ScanPicsTest, ADuplicateCheckThatCannotReadTheIndexStopsAsBusy)
{
    Bild("doppelt/a.png", 120, 120);
    const std::string album = dir.str() + "/BILDER.DBF";
    auto d = Dialog();
    d->chkFindPNG->SetChecked(true);
    d->CheckBoxDoublettencheck->SetChecked(true);
    // The holder (a process of its own) takes the lock when the scan has
    // found the picture.
    const auto gefunden = d->QKFind1->OnFindFile;
    std::optional<lxtest::TAlbumHalter> halter;
    d->QKFind1->OnFindFile = [&](TObject* s, const TSearchRec& r, const QString& p, const QString& m) {
        if (!halter && !(r.Attr & faDirectory))
            halter.emplace(album, lxtest::THalteArt::Indexsperre);
        gefunden(s, r, p, m);
    };
    std::string raised;
    {
        lxtest::TSchnelleWartezeit schnell;
        TPromptScript script;
        script.AnswerValue(Win(Linux("doppelt")));
        try {
            d->btnScanStart->Click();
        } catch (const std::exception& e) {
            raised = e.what();
        }
    }
    ASSERT_TRUE(halter.has_value());
    EXPECT_TRUE(halter->Haelt());
    EXPECT_EQ(halter->Loslassen(), 0);
    EXPECT_NE(raised.find("wird gerade von einem anderen Programm benutzt"), std::string::npos) << raised;
    EXPECT_EQ(d->Neue(), 0);
    EXPECT_TRUE(d->CloseAllowed);
    EXPECT_EQ(fts->NumRecs(), 0);
}

TEST_F(ScanPicsTest, FailedRecordWriteIsLoggedRaisedAndLeavesTheAlbumAsItWas)
{
    Bild("w/a.png", 120, 120);
    auto d = Dialog();
    d->chkFindPNG->SetChecked(true);
    // The album's first view is open but cannot write.
    erste->tabelle.Close();
    ASSERT_TRUE(erste->bereich.Oeffnen(erste->bereich.Dateien(), false, nullptr, true));
    TPromptScript script;
    script.AnswerValue(Win(Linux("w")));
    try {
        d->btnScanStart->Click();
        ADD_FAILURE() << "no error raised";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Fehler beim Schreiben in Fotoalbum (Bilder-Datenbank) !");
    }
    const QString log = Log();
    EXPECT_TRUE(log.contains(" Fehler beim Schreiben in Datenbank :")) << log.toStdString();
    EXPECT_TRUE(log.contains("txtPfad.Text  :" + Win(Linux("w/a.png")))) << log.toStdString();
    EXPECT_TRUE(log.contains("IntToStr(cboDatenTyp.ItemIndex)  :"));
    EXPECT_TRUE(d->CloseAllowed);
    EXPECT_TRUE(Lesen().empty());
    EXPECT_EQ(fts->NumRecs(), 0);
}

TEST_F(ScanPicsTest, FullTextIndexCatchesUpSoEntryNumbersStayRecordNumbers)
{
    // Two records the index does not hold yet (the second one deleted).
    {
        const uint16_t vorher = dbe_Select(uint16_t(erste->tabelle.Handle()));
        ASSERT_EQ(dbe_AppendBlank(), 1);
        Text("SHORTDESC", "Leuchtturm");
        ASSERT_EQ(dbe_AppendBlank(), 1);
        Text("SHORTDESC", "Geloescht");
        dbe_Delete();
        dbe_Commit();
        dbe_Select(vorher);
    }
    Bild("ft/neu.png", 120, 120);
    lxtest::WriteFile(dir / "ft" / "Inhalt.INI", "[Titel]\r\nneu=Ole;Hafenkran;Nord\r\n");
    auto d = Dialog();
    d->chkFindPNG->SetChecked(true);
    TPromptScript script;
    script.AnswerValue(Win(Linux("ft")));
    script.Answer(mrOk, "abgeschlossen");
    d->btnScanStart->Click();
    EXPECT_EQ(d->Neue(), 1);
    EXPECT_EQ(fts->NumRecs(), 3);
    ASSERT_GT(fts->SetQuery(QByteArray("Hafenkran")), 0);
    EXPECT_EQ(fts->NextRec(), 3);
    ASSERT_GT(fts->SetQuery(QByteArray("Leuchtturm")), 0);
    EXPECT_EQ(fts->NextRec(), 1);
    EXPECT_LE(fts->SetQuery(QByteArray("Geloescht")), 0);
}

TEST_F(ScanPicsTest, PicturesWhosePixelsCannotBeReadAreSkippedAndTheRunGoesOn)
{
    // A PNG whose header claims 100 000 x 100 000 pixels (its CRC made
    // right): refused from its header, before any pixel buffer.
    const QString riese = Bild("gross/riese.png", 10, 10);
    {
        QFile f(riese);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        QByteArray b = f.readAll();
        const char seite[4] = {0x00, 0x01, char(0x86), char(0xA0)};
        b.replace(16, 4, QByteArray(seite, 4));
        b.replace(20, 4, QByteArray(seite, 4));
        const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(b.constData() + 12), 17);
        for (int i = 0; i < 4; ++i)
            b[29 + i] = char((crc >> (24 - 8 * i)) & 0xFF);
        f.seek(0);
        f.write(b);
    }
    // A PNG cut after its header: measured, but its pixels cannot be read.
    const QString halb = Bild("gross/halb.png", 120, 90);
    ASSERT_TRUE(QFile(halb).resize(60));
    Bild("gross/gut.png", 120, 90);
    auto d = Dialog();
    d->chkFindPNG->SetChecked(true);
    d->chkVorschaubildErzeugen->SetChecked(false);
    for (TswSpinEdit* s : {d->SpinEditMinPixelBreite, d->SpinEditMinPixelHoehe, d->SpinEditMaxPixelBreite,
                           d->SpinEditMaxPixelHoehe})
        s->SetValue(0);
    {
        // Measured: both are skipped. Only the broken one is offered for
        // deletion (the user keeps it); the giant is a sound picture beyond
        // the limits, logged with that reason.
        TPromptScript script;
        script.AnswerValue(Win(Linux("gross")));
        script.Answer(mrNo, "scheint üngültig zu sein");
        script.Answer(mrOk, "abgeschlossen");
        d->btnScanStart->Click();
        EXPECT_EQ(script.Pending(), 0u);
        EXPECT_EQ(d->Neue(), 1);
        EXPECT_EQ(d->Uebersprungen(), 2);
        EXPECT_TRUE(std::filesystem::exists(riese.toStdString()));
        EXPECT_TRUE(std::filesystem::exists(halb.toStdString()));
        EXPECT_TRUE(Log().contains("Übersprungen (Das Bild ist zu groß")) << Log().toStdString();
        EXPECT_TRUE(Log().contains("Übersprungen (Die Bilddatei ist beschädigt oder unvollständig.): " + Win(halb)))
            << Log().toStdString();
    }
    {
        // Not measured: the thumbnail cannot be made; logged, nothing written.
        haupt.einstellungen.SetBool("ScanPicHeightAndWidth", false);
        d->CheckBoxDoublettencheck->SetChecked(true);
        TPromptScript script;
        script.AnswerValue(Win(Linux("gross")));
        script.Answer(mrOk, "abgeschlossen");
        d->btnScanStart->Click();
        EXPECT_EQ(d->Neue(), 0);
        EXPECT_EQ(d->Alte(), 1);
        EXPECT_EQ(d->Uebersprungen(), 2);
        for (const QString& f : {riese, halb})
            EXPECT_TRUE(Log().contains("Fehler beim Speichern des Vorschaubildes (" + Win(f) + ") !")) << Log().toStdString();
    }
    const std::vector<TSatz> s = Lesen();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_TRUE(s[0].Pfad.endsWith("gut.png"));
    EXPECT_EQ(fts->NumRecs(), 1);
}

// A picture the program may not read (EACCES through the file seam) is
// skipped and logged with that reason; it is not offered for deletion.
TEST_F(ScanPicsTest, AnUnreadablePictureIsSkippedAndKept)
{
    const QString gesperrt = Bild("lesen/gesperrt.png", 200, 150);
    Bild("lesen/gut.png", 200, 150);
    BildDateiHakenSetzen([](TBildDateiOp op, const QString& pfad) {
        return op == TBildDateiOp::Oeffnen && pfad.endsWith("gesperrt.png") ? EACCES : 0;
    });
    auto d = Dialog();
    d->chkFindPNG->SetChecked(true);
    d->chkVorschaubildErzeugen->SetChecked(false);
    {
        TPromptScript script;
        script.AnswerValue(Win(Linux("lesen")));
        script.Answer(mrOk, "abgeschlossen");
        d->btnScanStart->Click();
        EXPECT_EQ(script.Pending(), 0u);
    }
    BildDateiHakenSetzen({});
    EXPECT_EQ(d->Neue(), 1);
    EXPECT_EQ(d->Uebersprungen(), 1);
    EXPECT_TRUE(std::filesystem::exists(gesperrt.toStdString()));
    EXPECT_TRUE(Log().contains("Übersprungen (Datei nicht lesbar: " + Win(gesperrt))) << Log().toStdString();
}

TEST_F(ScanPicsTest, ReadyMadeThumbnailIsStoredAndDeletedAndThePreviewOpensTheViewer)
{
    Bild("fertig/Hafen.jpg", 400, 300);
    const QString ordner = WinDir("vorschau");
    haupt.einstellungen.SetText("VorschaubilderVerzeichnis", ordner);
    const QString fertig = Bild("vorschau/HAFEN.BMP", 80, 60);
    auto d = Dialog();
    d->chkFindJPG->SetChecked(true);
    d->CheckBoxVorschaubilderAusVerzeichnis->SetChecked(true);
    d->CheckBoxVorschaubilderNachUebernahmeLoeschen->SetChecked(true);
    TPromptScript script;
    script.AnswerValue(Win(Linux("fertig")));
    script.Answer(mrOk, "abgeschlossen");
    d->btnScanStart->Click();
    EXPECT_EQ(d->Neue(), 1);
    EXPECT_FALSE(QFile::exists(fertig));
    const std::vector<TSatz> s = Lesen();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_TRUE(s[0].Bmp.startsWith("BM 80x60 ")) << s[0].Bmp.toStdString();

    // The preview's menu turns it, one item checked; a click opens the viewer
    // on the file shown.
    d->AddFile(Win(Linux("fertig")) + "\\", "Hafen.jpg");
    d->MenuDrehung[2]->Click();
    EXPECT_EQ(d->Drehung, 180);
    EXPECT_TRUE(d->MenuDrehung[2]->Checked());
    EXPECT_FALSE(d->MenuDrehung[0]->Checked());
    d->ImageWindow2Click(nullptr);
    EXPECT_TRUE(haupt.vollbild.isEmpty());  // no preview while thumbnails come from the folder
    d->CheckBoxVorschaubilderAusVerzeichnis->SetChecked(false);
    d->CheckBoxDoublettencheck->SetChecked(false);
    d->AddFile(Win(Linux("fertig")) + "\\", "Hafen.jpg");
    d->ImageWindow2Click(nullptr);
    EXPECT_EQ(haupt.vollbild, QStringList{Win(Linux("fertig/Hafen.jpg"))});

    // A pixel limit above 0 switches the measuring on.
    haupt.einstellungen.SetBool("ScanPicHeightAndWidth", false);
    d->SpinEditMaxPixelHoehe->SetValue(500);
    d->SpinEditPixelExit(d->SpinEditMaxPixelHoehe);
    EXPECT_TRUE(haupt.einstellungen.Bool("ScanPicHeightAndWidth"));
}

TEST_F(ScanPicsTest, TitlesFromTheFileNameFollowTheChosenSequence)
{
    Bild("namen/Anna,Strand,Urlaub.png", 120, 120);
    Bild("namen2/Anna.Meier.png", 120, 120);
    const auto lauf = [&](const char* ordner, int sequenz) {
        auto d = Dialog();
        d->chkFindPNG->SetChecked(true);
        d->chkAusFilenamenUebernehmen->SetChecked(true);
        d->ComboBoxImportSeq->SetItemIndex(sequenz);
        d->ComboBoxImportSeqChange(nullptr);
        TPromptScript script;
        script.AnswerValue(Win(Linux(ordner)));
        script.Answer(mrOk, "abgeschlossen");
        d->btnScanStart->Click();
        EXPECT_EQ(d->Neue(), 1);
    };
    lauf("namen", 0);
    lauf("namen2", 8);
    const std::vector<TSatz> s = Lesen();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].Owner, "Anna");
    EXPECT_EQ(s[0].Desc, "Strand");
    EXPECT_EQ(s[0].Serie, "Urlaub");
    EXPECT_EQ(s[1].Owner, "Anna.Meier");  // up to the last point
    EXPECT_EQ(s[1].Desc, "");
}

TEST_F(ScanPicsTest, Screenshot)
{
    auto d = Dialog();
    d->chkNurVollstaendigeTitel->SetChecked(true);
    d->Show();
    d->PanelVollstaendigeTitelUmschalten();
    d->txtPfad->SetText("C:\\Bilder\\Urlaub\\Strand.jpg");
    QImage img = d->Handle()->grab().toImage();
    const QString out = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(out);
    EXPECT_TRUE(img.save(out + "/scan_pics.png"));
    EXPECT_EQ(img.height(), 800);
    d->Hide();
}

TEST_F(ScanPicsTest, RunReportsWhatWasAddedAndWhatWasSkippedWhy)
{
    // One file for each way a picture is passed over, and one that is taken.
    Bild("bericht/gut.png", 150, 150);
    Bild("bericht/schmal.png", 40, 150);                      // below the pixel width
    Bild("bericht/anders.jpeg", 150, 150);                    // suffix the mask does not take
    const QString kaputt = Bild("bericht/kaputt.png", 150, 150);
    ASSERT_TRUE(QFile(kaputt).resize(0));                     // nothing to read
    const QString gross = Bild("bericht/gross.png", 150, 150);
    ASSERT_TRUE(QFile(gross).resize(3 * 1024));               // beyond the size window
    lxtest::WriteFile(dir / "bericht" / "notiz.txt", "kein Bild");  // not a picture: not reported
    auto d = Dialog();
    d->chkFindPNG->SetChecked(true);
    d->chkFindTIF->SetChecked(true);
    d->chkFindJPG->SetChecked(false);
    d->chkVorschaubildErzeugen->SetChecked(false);
    d->SpinEditMaxDateiGroesse->SetValue(2);
    d->SpinEditMinPixelBreite->SetValue(100);
    d->SpinEditMinPixelHoehe->SetValue(0);
    haupt.einstellungen.SetBool("ScanPicHeightAndWidth", true);
    TPromptScript script;
    script.AnswerValue(Win(Linux("bericht")));
    script.Answer(mrNo, "scheint üngültig zu sein");
    script.Answer(mrOk, "abgeschlossen");
    d->btnScanStart->Click();

    EXPECT_EQ(d->Neue(), 1);
    EXPECT_EQ(d->Uebersprungen(), 4);
    struct Fall {
        const char* Grund;
        const char* Datei;
    };
    for (const Fall& f : {Fall{"Dateigröße außerhalb der Grenzen", "gross.png"},
                          Fall{"Pixelmaße außerhalb der Grenzen", "schmal.png"},
                          Fall{"Dateityp nicht gewählt", "anders.jpeg"},
                          Fall{"Die Bilddatei ist leer.", "kaputt.png"}}) {  // kaputt.png: the decoder's own reason
        const QString grund = QString::fromUtf8(f.Grund);
        EXPECT_EQ(d->UebersprungenWegen(grund), 1) << f.Grund;
        EXPECT_TRUE(Log().contains("Übersprungen (" + grund + "): " + Win(Linux("bericht")) + "\\" + f.Datei))
            << f.Grund << "\n" << Log().toStdString();
    }
    EXPECT_FALSE(Log().contains("notiz.txt"));
    // The deletion question keeps the file on Enter: "Nein" is its default.
    const auto& r = script.Records();
    const auto frage = std::find_if(r.begin(), r.end(), [](const TPromptRecord& p) { return p.Text.contains("löschen"); });
    ASSERT_NE(frage, r.end());
    EXPECT_EQ(frage->Flags & 0xF00, MB_DEFBUTTON2);
    EXPECT_EQ(frage->Flags & 0x0F, MB_YESNO);
    EXPECT_TRUE(std::filesystem::exists(kaputt.toStdString()));
    // The closing message sums it up.
    const QString schluss = r.back().Text;
    for (const char* teil : {"Neu aufgenommen: 1", "Schon im Fotoalbum: 0", "Übersprungen: 4",
                             "Dateityp nicht gewählt: 1", "AddPics.log"})
        EXPECT_TRUE(schluss.contains(QString::fromUtf8(teil))) << teil << "\n" << schluss.toStdString();
}

// A TIFF under its four-letter suffix is a TIF picture: with TIF ticked it
// is found, counted and entered with type 3, not passed over as a type that
// was not chosen.
TEST_F(ScanPicsTest, TiffUnderItsLongSuffixIsTakenWithTif)
{
    Bild("tiff/lang.tiff", 120, 90);
    Bild("tiff/kurz.TIF", 120, 90);
    auto d = Dialog();
    d->chkFindTIF->SetChecked(true);
    d->chkVorschaubildErzeugen->SetChecked(false);
    d->CheckBoxFileCount->SetChecked(true);
    for (TswSpinEdit* s : {d->SpinEditMinPixelBreite, d->SpinEditMinPixelHoehe, d->SpinEditMaxPixelBreite,
                           d->SpinEditMaxPixelHoehe})
        s->SetValue(0);
    TPromptScript script;
    script.AnswerValue(Win(Linux("tiff")));
    script.Answer(mrOk, "abgeschlossen");
    d->btnScanStart->Click();
    EXPECT_EQ(script.Pending(), 0u);
    EXPECT_EQ(d->Neue(), 2);
    EXPECT_EQ(d->Uebersprungen(), 0) << Log().toStdString();
    EXPECT_EQ(d->UebersprungenWegen("Dateityp nicht gewählt"), 0);
    const std::vector<TSatz> s = Lesen();
    ASSERT_EQ(s.size(), 2u);
    for (const TSatz& satz : s)
        EXPECT_EQ(satz.Typ, "3") << satz.Pfad.toStdString();
}

// A JPEG whose data is cut short or damaged decodes to a grey block without
// an error from the reader: it is skipped as broken, logged, named in the
// closing message and offered for deletion, measured or not.
TEST_F(ScanPicsTest, JpegWithBrokenDataIsReportedAsUnreadable)
{
    for (const bool messen : {true, false}) {
        SCOPED_TRACE(messen ? "gemessen" : "nicht gemessen");
        const char* ordner = messen ? "jpeg1" : "jpeg2";
        const QString gut = Bild(QString(ordner) + "/gut.jpg", 400, 300);
        // Cut inside the picture data.
        const QString kurz = Bild(QString(ordner) + "/kurz.jpg", 400, 300, 0, Qt::red);
        QFile(kurz).resize(QFileInfo(gut).size() / 2);
        // Data overwritten with noise after the headers (end marker kept).
        const QString laerm = Bild(QString(ordner) + "/laerm.jpg", 400, 300, 0, Qt::blue);
        {
            QFile f(laerm);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            QByteArray b = f.readAll();
            const qsizetype sos = b.indexOf(QByteArray("\xFF\xDA", 2));
            ASSERT_GT(sos, 0);
            for (qsizetype i = sos + 20; i < b.size() - 2; ++i)
                b[i] = char((i * 7919) % 251);
            for (qsizetype i = sos + 20; i < b.size() - 2; ++i)
                if (uint8_t(b[i]) == 0xFF)
                    b[i] = 0x7F;
            f.seek(0);
            f.write(b);
        }
        haupt.einstellungen.SetBool("ScanPicHeightAndWidth", messen);
        auto d = Dialog();
        d->chkFindJPG->SetChecked(true);
        d->chkVorschaubildErzeugen->SetChecked(true);
        for (TswSpinEdit* s : {d->SpinEditMinPixelBreite, d->SpinEditMinPixelHoehe, d->SpinEditMaxPixelBreite,
                               d->SpinEditMaxPixelHoehe})
            s->SetValue(0);
        TPromptScript script;
        script.AnswerValue(Win(Linux(ordner)));
        script.Answer(mrNo, "kurz.jpg scheint üngültig zu sein");
        script.Answer(mrNo, "laerm.jpg scheint üngültig zu sein");
        script.Answer(mrOk, "abgeschlossen");
        d->btnScanStart->Click();
        EXPECT_EQ(script.Pending(), 0u);
        EXPECT_EQ(d->Neue(), 1);
        EXPECT_EQ(d->Uebersprungen(), 2);
        const QString grund = "Die Bilddatei ist beschädigt oder unvollständig.";
        EXPECT_EQ(d->UebersprungenWegen(grund), 2);
        for (const QString& f : {kurz, laerm}) {
            EXPECT_TRUE(Log().contains("Übersprungen (" + grund + "): " + Win(f))) << Log().toStdString();
            EXPECT_TRUE(std::filesystem::exists(f.toStdString()));
        }
        EXPECT_TRUE(script.Records().back().Text.contains(grund + ": 2")) << script.Records().back().Text.toStdString();
    }
    const std::vector<TSatz> s = Lesen();
    ASSERT_EQ(s.size(), 2u);
    for (const TSatz& satz : s)
        EXPECT_TRUE(satz.Pfad.endsWith("gut.jpg")) << satz.Pfad.toStdString();
}

TEST_F(ScanPicsTest, CountingShowsTheFoundFilesOutOfAllCandidates)
{
    // Small pictures below the default 10 KB minimum: the total still counts
    // them, as the running number does.
    for (const char* name : {"z/a.png", "z/b.png", "z/c.png"})
        Bild(name, 20, 20);
    auto d = Dialog();
    d->chkFindPNG->SetChecked(true);
    d->SpinEditMinDateiGroesse->SetValue(10);
    d->CheckBoxFileCount->SetChecked(true);
    QStringList gezeigt;
    const auto vorher = d->QKFind1->OnChange;
    d->QKFind1->OnChange = [&](TObject* s, const QString& p, int ordner, int n) {
        vorher(s, p, ordner, n);
        gezeigt << d->panFind->Caption();
    };
    TPromptScript script;
    script.AnswerValue(Win(Linux("z")));
    script.Answer(mrOk, "abgeschlossen");
    d->btnScanStart->Click();
    EXPECT_EQ(gezeigt, (QStringList{"1/3", "2/3", "3/3"}));
    EXPECT_EQ(d->UebersprungenWegen("Dateigröße außerhalb der Grenzen"), 3);
}

TEST_F(ScanPicsTest, CloseButtonClosesTheShownDialog)
{
    auto d = Dialog();
    TPromptScript script;
    script.Modal([](TCustomForm& f) {
        auto& scan = dynamic_cast<TfrmScanPics&>(f);
        QTest::mouseClick(scan.btnClose->Handle(), Qt::LeftButton);
    });
    EXPECT_EQ(d->ShowModal(), mrCancel);
    EXPECT_EQ(script.Pending(), 0u);
}

}  // namespace

LXTEST_ALBUM_HALTER_TEST()
