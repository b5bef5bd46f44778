// The HTML gallery's page generator on small albums made through the
// engine: the pages of a fixed album byte for byte against golden files,
// every page checked from outside by Python's html.parser (nesting, stray
// '<', every link and picture reference resolving to a written file),
// paging, clash names, scaling, escaping of entry texts, the settings in
// the ini, and write failures.

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <gtest/gtest.h>

#include <unistd.h>

#include "album_fixture.h"
#include "dialogs/html_export.h"
#include "platform/core/exceptions.h"
#include "shared/picture_files.h"
#include "shared/qk_ini.h"

namespace {

// This file's folder in the checkout: the compiler names it relative to the
// build folder, which lies two levels above the test program.
QString SourceDir()
{
    const QString file = QStringLiteral(__FILE__);
    if (QFileInfo(file).isAbsolute())
        return QFileInfo(file).absolutePath();
    return QFileInfo(QCoreApplication::applicationDirPath() + "/../../" + file).absolutePath();
}

QStringList Files(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

QByteArray Bytes(const QString& file)
{
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
    return f.readAll();
}

// Runs the outside check on the folder; returns its report, empty when sound.
QString OutsideCheck(const QString& folder)
{
    QProcess p;
    p.start("python3", {SourceDir() + "/html_check.py", folder});
    EXPECT_TRUE(p.waitForFinished(-1));
    const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitCode() == 0 ? QString() : out;
}

class HtmlExportTest : public AlbumTest {
protected:
    // Runs the export of the album into a fresh folder "out"; gives that
    // folder's Linux path.
    QString Export(const std::vector<TTestEintrag>& entries, const THTMLExportEinstellungen& e,
                   std::function<void(THTMLExport&)> setup = {}, std::function<void(THTMLExport&)> after = {},
                   const QStringList& kopf = HTMLKopfVorlage())
    {
        MakeAlbum("ALBUM.DBF", entries);
        TTestAlbum album;
        Open(album, "ALBUM.DBF");
        TDbeHTMLExportQuelle quelle(&album.dbe);
        const QString out = WinDir("out");
        THTMLExport export_(quelle, e, out, kopf);
        export_.Meldung = [this](const QString& caption, const QString& text, int) { messages << caption + ": " + text; };
        if (setup)
            setup(export_);
        export_.Ausfuehren();
        if (after)
            after(export_);
        return *WinToLinux(out);
    }

    QString Pic(const QString& rel, int w = 300, int h = 200, QColor c = Qt::blue)
    {
        return *LinuxToWin(DrawPicture(QString::fromStdString(dir.str()) + "/" + rel, w, h, c));
    }

    QStringList messages;
};

}  // namespace

// The golden album: two pictures named Urlaub.JPG in two folders, a bitmap
// entry, a missing picture and texts full of markup and umlauts.
TEST_F(HtmlExportTest, GoldenPagesOfASmallAlbum)
{
    const QString thumb = DrawPicture(QString::fromStdString(dir.str()) + "/thumb.bmp", 150, 100, Qt::red);
    std::vector<TTestEintrag> entries = {
        {Pic("a/Urlaub.JPG"), "1", "Grüße <&> \"Sommer\"", "Zeile 1\r\nZeile 2 & mehr", "1", thumb},
        {Pic("b/Urlaub.JPG", 200, 300), "1", "Zweites Bild", "", "2", thumb, "   1"},
        {Pic("c/Bild.bmp"), "2", "Eine Bitmap", "", "3"},
        {*LinuxToWin(QString::fromStdString(dir.str())) + "\\fehlt\\Weg.jpg", "1", "", "", "4"},
        {Pic("d/Strand.jpg", 120, 90), "1", "<script>alert('x')</script>", "", "5", thumb},
    };
    THTMLExportEinstellungen e;
    e.PicAnz = 2;
    e.HauptbilderBreite = 200;
    e.KurzbeschreibungInUebersicht = true;
    e.LangbeschreibungInUebersicht = true;
    e.KurzbeschreibungInGrossanzeige = true;
    e.LangbeschreibungInGrossanzeige = true;
    e.OriginalAuchExportieren = true;
    e.KurzbeschreibungInAlt = true;
    const QString out = Export(entries, e);

    EXPECT_EQ(Files(out), (QStringList{"_strand.jpg", "_urlaub.jpg", "_urlaub_1.jpg", "_weg.jpg", "galvora.htm",
                                       "galvora1.htm", "original_strand.jpg", "original_urlaub.jpg",
                                       "original_urlaub_1.jpg", "strand.htm", "strand.jpg", "urlaub.htm",
                                       "urlaub.jpg", "urlaub_1.htm", "urlaub_1.jpg", "weg.htm"}));
    const QString golden = SourceDir() + "/../fixtures/html_export/small_album";
    if (qEnvironmentVariableIsSet("LUMADEX_WRITE_GOLDEN")) {
        QDir().mkpath(golden);
        for (const QString& f : Files(out))
            if (f.endsWith(".htm"))
                QFile::copy(out + "/" + f, golden + "/" + f);
    }
    QStringList pages;
    for (const QString& f : Files(out))
        if (f.endsWith(".htm"))
            pages << f;
    EXPECT_EQ(Files(golden), pages);
    for (const QString& f : pages)
        EXPECT_EQ(Bytes(out + "/" + f), Bytes(golden + "/" + f)) << f.toStdString();
    const QString report = OutsideCheck(out);
    EXPECT_TRUE(report.isEmpty()) << report.toStdString();

    // Scaled copies: the longer side at the limit; the originals untouched.
    EXPECT_EQ(QImageReader(out + "/urlaub.jpg").size(), QSize(200, 133));
    EXPECT_EQ(QImageReader(out + "/urlaub_1.jpg").size(), QSize(133, 200));
    EXPECT_EQ(QImageReader(out + "/strand.jpg").size(), QSize(120, 90));
    EXPECT_EQ(QImageReader(out + "/original_urlaub.jpg").size(), QSize(300, 200));
    // Thumbnails are JPEG files from the thumbnail memo, turned by the
    // entry's rotation; the missing picture gets a stand-in.
    EXPECT_EQ(QImageReader(out + "/_urlaub.jpg").format(), "jpeg");
    EXPECT_EQ(QImageReader(out + "/_urlaub.jpg").size(), QSize(150, 100));
    EXPECT_EQ(QImageReader(out + "/_urlaub_1.jpg").size(), QSize(100, 150));
    EXPECT_TRUE(QImageReader(out + "/_weg.jpg").canRead());
    EXPECT_EQ(messages, (QStringList{
                            "Hinweis: Erzeuge und kopiere jetzt die Daten ....bitte warten Sie bis zur Abschlussmeldung...",
                            "Hinweis: In dieser Version können nur JPG-Bilder ins HTML-Format exportiert werden!"}));
}

class HtmlExportPaging : public HtmlExportTest {
protected:
    std::vector<TTestEintrag> Jpgs(int n, const QString& prefix = "p")
    {
        std::vector<TTestEintrag> list;
        for (int i = 1; i <= n; ++i)
            list.push_back({Pic(QString("pics/%1%2.jpg").arg(prefix).arg(i), 40, 30), "1", QString("Bild %1").arg(i)});
        return list;
    }
    static QString Page(const QString& out, const QString& name)
    {
        return Win1252Decode(Bytes(out + "/" + name));
    }
};

TEST_F(HtmlExportPaging, TwelvePicturesFivePerPageGiveThreeLinkedPages)
{
    THTMLExportEinstellungen e;
    e.PicAnz = 5;
    const QString out = Export(Jpgs(12), e);
    QStringList pages;
    for (const QString& f : Files(out))
        if (f.startsWith("galvora"))
            pages << f;
    EXPECT_EQ(pages, (QStringList{"galvora.htm", "galvora1.htm", "galvora2.htm"}));
    const QString p0 = Page(out, "galvora.htm"), p1 = Page(out, "galvora1.htm"), p2 = Page(out, "galvora2.htm");
    EXPECT_EQ(p0.count("<td width=\"20%\">"), 5);
    EXPECT_EQ(p2.count("<td width=\"20%\">"), 2);
    EXPECT_TRUE(p0.contains("<A>Erste Seite</A>"));
    EXPECT_TRUE(p0.contains("<A>Vorige Seite</A>"));
    EXPECT_TRUE(p0.contains("<A HREF=\"galvora1.htm\">N&auml;chste Seite</A>"));
    EXPECT_TRUE(p0.contains("<A HREF=\"galvora2.htm\">Letzte Seite</A>"));
    EXPECT_TRUE(p1.contains("<A HREF=\"galvora.htm\">Erste Seite</A>"));
    EXPECT_TRUE(p1.contains("<A HREF=\"galvora.htm\">Vorherige Seite</A>"));
    EXPECT_TRUE(p2.contains("<A HREF=\"galvora1.htm\">Vorherige Seite</A>"));
    EXPECT_TRUE(p2.contains("<A>N&auml;chste Seite</A>"));
    EXPECT_TRUE(p2.contains("<A>Letzte Seite</A>"));
    // The picture pages go home to the overview page they stand on; the
    // last one has a dead ">>" and an unlinked picture with its name.
    EXPECT_TRUE(Page(out, "p7.htm").contains("<a href=\"galvora1.htm\">home</a>"));
    const QString last = Page(out, "p12.htm");
    EXPECT_TRUE(last.contains("size=\"2\">&gt;&gt;</font></TD>"));
    EXPECT_TRUE(last.contains("<P><CENTER><IMG src=\"p12.jpg\" border=\"0\" alt=\"p12.jpg\"></CENTER></P>"));
    EXPECT_TRUE(Page(out, "p1.htm").contains("size=\"2\">&lt;&lt;</font></TD>"));
    const QString report = OutsideCheck(out);
    EXPECT_TRUE(report.isEmpty()) << report.toStdString();
}

TEST_F(HtmlExportPaging, NoPagingAndEmptySelection)
{
    THTMLExportEinstellungen e;
    e.PicAnz = 0;
    QString out = Export(Jpgs(7), e);
    const QString p0 = Page(out, "galvora.htm");
    EXPECT_EQ(p0.count("<td width=\"20%\">"), 7);
    EXPECT_FALSE(p0.contains("<TD><b>"));
    EXPECT_FALSE(QFileInfo::exists(out + "/galvora1.htm"));
}

TEST_F(HtmlExportPaging, EmptyAlbumWritesOnlyTheFirstOverviewPage)
{
    THTMLExportEinstellungen e;
    const QString out = Export({}, e);
    EXPECT_EQ(Files(out), QStringList{"galvora.htm"});
    const QString p0 = Page(out, "galvora.htm");
    EXPECT_TRUE(p0.endsWith("<tr>\r\n</tr>\r\n<tr>\r\n</tr>\r\n</table>\r\n<TABLE WIDTH=\"50%\">\r\n<TR>\r\n</TR>\r\n"
                            "</TABLE>\r\n</body>\r\n</html>\r\n"));
    const QString report = OutsideCheck(out);
    EXPECT_TRUE(report.isEmpty()) << report.toStdString();
}

TEST_F(HtmlExportPaging, OtherTypesAreSkippedAndTheLastLinkStillResolves)
{
    // Five pictures, then two bitmaps: one page, no link to a page that
    // would hold no picture; the last picture has no next page.
    auto entries = Jpgs(5);
    entries.push_back({Pic("pics/x.bmp", 20, 20), "2"});
    entries.push_back({Pic("pics/y.bmp", 20, 20), "2"});
    entries.insert(entries.begin() + 2, {Pic("pics/z.bmp", 20, 20), "2"});
    THTMLExportEinstellungen e;
    e.PicAnz = 5;
    const QString out = Export(entries, e);
    EXPECT_FALSE(QFileInfo::exists(out + "/galvora1.htm"));
    EXPECT_EQ(messages.count("Hinweis: In dieser Version können nur JPG-Bilder ins HTML-Format exportiert werden!"), 3);
    // p2's next picture skips the bitmap.
    EXPECT_TRUE(Page(out, "p2.htm").contains("<a href=\"p3.htm\">&gt;&gt;</a>"));
    EXPECT_TRUE(Page(out, "p3.htm").contains("<a href=\"p2.htm\">&lt;&lt;</a>"));
    EXPECT_TRUE(Page(out, "p5.htm").contains("size=\"2\">&gt;&gt;</font></TD>"));
    const QString report = OutsideCheck(out);
    EXPECT_TRUE(report.isEmpty()) << report.toStdString();
}

TEST_F(HtmlExportPaging, EveryCellVariantIsWellFormedAndResolves)
{
    // The eight combinations of size, alt and target, with and without
    // picture pages and descriptions.
    for (int mask = 0; mask < 32; ++mask) {
        SCOPED_TRACE(mask);
        THTMLExportEinstellungen e;
        e.OrgSize = mask & 1;
        e.KurzbeschreibungInAlt = mask & 2;
        e.BildImNeuenFenster = mask & 4;
        e.BildInHTMLFormat = mask & 8;
        e.KurzbeschreibungInUebersicht = e.LangbeschreibungInGrossanzeige = mask & 16;
        e.LangbeschreibungInUebersicht = !(mask & 16);
        e.Target = "_top";
        e.PicAnz = 2;
        const QString out = Export(Jpgs(3, QString("m%1_").arg(mask)), e);
        const QString p0 = Page(out, "galvora.htm");
        const QString cell = p0.section("\r\n", 20, 20);
        EXPECT_EQ(cell.contains(" width=\"190\" height=\"140\""), !e.OrgSize) << cell.toStdString();
        EXPECT_EQ(cell.contains("title=\"Bild 1\""), e.KurzbeschreibungInAlt);
        EXPECT_EQ(cell.contains("target=\"_top\""), e.KurzbeschreibungInAlt && e.BildImNeuenFenster);
        EXPECT_EQ(cell.contains("target=\"_blank\""), !e.KurzbeschreibungInAlt && e.BildImNeuenFenster);
        EXPECT_EQ(cell.contains(".htm\""), e.BildInHTMLFormat);
        if (e.BildInHTMLFormat) {
            EXPECT_EQ(Page(out, QString("m%1_1.htm").arg(mask)).contains(">home</a>"), !e.BildImNeuenFenster);
        }
        const QString report = OutsideCheck(out);
        EXPECT_TRUE(report.isEmpty()) << report.toStdString();
        QDir(out).removeRecursively();
        QFile::remove(Linux("ALBUM.DBF"));
        QFile::remove(Linux("ALBUM.FPT"));
    }
}

// Whatever head template the user keeps, each overview page declares the
// encoding it is written in, once and near its start; the template's other
// lines stay as they were, in their order.
TEST_F(HtmlExportTest, EveryHeadTemplateGivesPagesThatDeclareTheirEncoding)
{
    struct Fall {
        const char* Name;
        QStringList Kopf;
        QString Anfang;  // how the overview page begins
    };
    const QString meta = "<META http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">";
    const Fall faelle[] = {
        {"Vorlage", HTMLKopfVorlage(), "<html>\r\n<HEAD>\r\n" + meta + "\r\n<TITLE>Fotolune</TITLE>\r\n"},
        {"Standard", HTMLKopfStandard(), "<html>\r\n<HEAD>\r\n" + meta + "\r\n<TITLE>QV-Lumadex Fotoseite</TITLE>\r\n"},
        {"eigene Deklaration", {"<html><head><meta charset=\"utf-8\"><title>Ä</title>", "</head><body>"},
         "<html><head>\r\n" + meta + "\r\n<title>Ä</title>\r\n</head><body>\r\n"},
        {"ohne head", {"<HTML>", "<BODY>", "<h1>Bilder</h1>"}, "<HTML>\r\n" + meta + "\r\n<BODY>\r\n<h1>Bilder</h1>\r\n"},
        {"leer", {}, meta + "\r\n\r\n"},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.Name);
        QDir(*WinToLinux(WinDir("out"))).removeRecursively();
        const QString out = Export({{Pic("a/Urlaub.JPG"), "1", "Grüße"}}, THTMLExportEinstellungen(), {}, {}, fall.Kopf);
        EXPECT_TRUE(Win1252Decode(Bytes(out + "/galvora.htm")).startsWith(fall.Anfang))
            << Win1252Decode(Bytes(out + "/galvora.htm")).left(300).toStdString();
        if (fall.Kopf != QStringList{}) {
            const QString report = OutsideCheck(out);
            EXPECT_TRUE(report.isEmpty()) << report.toStdString();
        }
    }
}

TEST_F(HtmlExportTest, ThirdPictureOfTheSameNameAndNamesWithUnderscores)
{
    std::vector<TTestEintrag> entries;
    for (const char* folder : {"a", "b", "c"})
        entries.push_back({Pic(QString("%1/Mein_Bild.JPG").arg(folder), 30, 20)});
    entries.push_back({Pic("d/Mein_Bild_1.jpg", 30, 20)});
    entries.push_back({Pic("e/Grüße & Co #1.JPG", 30, 20)});
    entries.push_back({Pic("f/Grüße & Co #1.JPG", 30, 20)});
    THTMLExportEinstellungen e;
    const QString out = Export(entries, e);
    for (const char* name : {"grüße & co #1.jpg", "grüße & co #1.htm", "grüße & co #1_1.jpg", "_grüße & co #1_1.jpg"})
        EXPECT_TRUE(QFileInfo::exists(out + "/" + QString::fromUtf8(name))) << name;
    EXPECT_TRUE(Win1252Decode(Bytes(out + "/galvora.htm"))
                    .contains("<a href=\"grüße &amp; co %231.htm\" > <img src=\"_grüße &amp; co %231.jpg\""));
    for (const char* name : {"mein_bild.jpg", "mein_bild_1.jpg", "mein_bild_2.jpg", "mein_bild_1_1.jpg",
                             "mein_bild_1_1.htm", "_mein_bild_2.jpg"})
        EXPECT_TRUE(QFileInfo::exists(out + "/" + name)) << name;
    const QString report = OutsideCheck(out);
    EXPECT_TRUE(report.isEmpty()) << report.toStdString();
}

TEST_F(HtmlExportTest, EscStopsAfterTheEntryInHandAndClosesTheOverview)
{
    std::vector<TTestEintrag> entries;
    for (int i = 1; i <= 4; ++i)
        entries.push_back({Pic(QString("e/b%1.jpg").arg(i), 30, 20)});
    THTMLExportEinstellungen e;
    int asked = 0;
    const QString out = Export(entries, e, [&](THTMLExport& x) { x.Abbruch = [&] { return ++asked == 3; }; });
    EXPECT_TRUE(messages.contains("Hinweis: Mit ESC abgebrochen!"));
    EXPECT_TRUE(QFileInfo::exists(out + "/b2.htm"));
    EXPECT_FALSE(QFileInfo::exists(out + "/b3.jpg"));
    EXPECT_TRUE(Win1252Decode(Bytes(out + "/galvora.htm")).endsWith("</html>\r\n"));
}

TEST_F(HtmlExportTest, MissingFolderAndFullDiskRaiseAndKeepWhatWasWritten)
{
    MakeAlbum("ALBUM.DBF", {{Pic("f/a.jpg", 30, 20)}, {Pic("f/b.jpg", 30, 20)}});
    TTestAlbum album;
    Open(album, "ALBUM.DBF");
    TDbeHTMLExportQuelle quelle(&album.dbe);
    THTMLExportEinstellungen e;
    {
        THTMLExport x(quelle, e, WinDir() + "gibtsnicht\\", HTMLKopfVorlage());
        try {
            x.Ausfuehren();
            ADD_FAILURE() << "no error";
        } catch (const EInOutError& err) {
            EXPECT_TRUE(err.Message.startsWith("Die Datei ")) << err.Message.toStdString();
            EXPECT_TRUE(err.Message.contains("galvora.htm kann nicht angelegt werden")) << err.Message.toStdString();
        }
    }
    // The disk fills up: the overview page cannot be written to the end.
    const QString out = WinDir("voll");
    const QString linuxOut = *WinToLinux(out);
    ASSERT_EQ(symlink("/dev/full", (linuxOut + "/galvora.htm").toLocal8Bit().constData()), 0);
    THTMLExport x(quelle, e, out, HTMLKopfVorlage());
    try {
        x.Ausfuehren();
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& err) {
        EXPECT_TRUE(err.Message.startsWith("Fehler beim Schreiben von ")) << err.Message.toStdString();
        EXPECT_TRUE(err.Message.contains("galvora.htm")) << err.Message.toStdString();
    }
    // The first write meets the full disk, so the run ends before any picture.
    EXPECT_FALSE(QFileInfo::exists(linuxOut + "/a.htm"));
}

// A stored path whose last part climbs out with "/../": every file of the
// entry lands in the export folder under the cleaned name, and the picture
// it names is left as it was.
TEST_F(HtmlExportTest, TargetNamesNeverLeaveTheExportFolder)
{
    const QString bild = Pic("src/a.jpg", 40, 30);
    const QByteArray vorher = Bytes(*WinToLinux(bild));
    const QString root = QString::fromStdString(dir.str());
    const QString pfad = *LinuxToWin(root) + "\\src\\x/../../src/a.jpg";
    THTMLExportEinstellungen e;
    e.OriginalAuchExportieren = true;
    const QString out = Export({{pfad}, {*LinuxToWin(root) + "\\src\\..\\.."}}, e);
    EXPECT_EQ(Bytes(root + "/src/a.jpg"), vorher);
    EXPECT_EQ(Files(root + "/src"), QStringList{"a.jpg"});
    // A path without a usable last part gets a plain name of its own.
    EXPECT_EQ(Files(out).join(" "), "_a.jpg _bild.jpg a.htm a.jpg bild.htm galvora.htm original_a.jpg");
    EXPECT_EQ(OutsideCheck(out), QString());
}

// The picture of the second entry cannot be read (EACCES through the file
// seam): that entry is shown by its thumbnail, counted and named; the run
// goes on to the third.
TEST_F(HtmlExportTest, AnEntryWhosePictureCannotBeCopiedIsSkippedAndTheRunGoesOn)
{
    const QString b = Pic("f/b.jpg", 30, 20);
    BildDateiHakenSetzen([](TBildDateiOp op, const QString& pfad) {
        return op == TBildDateiOp::Oeffnen && pfad.endsWith("/f/b.jpg") ? EACCES : 0;
    });
    int uebersprungen = -1;
    QStringList namen;
    const QString out = Export({{Pic("f/a.jpg", 30, 20)}, {b}, {Pic("f/c.jpg", 30, 20)}}, THTMLExportEinstellungen{},
                               {}, [&](THTMLExport& x) {
                                   uebersprungen = x.Uebersprungen;
                                   namen = x.UebersprungenNamen;
                               });
    BildDateiHakenSetzen({});
    EXPECT_EQ(uebersprungen, 1);
    EXPECT_EQ(namen, QStringList{b});
    EXPECT_EQ(Files(out).join(" "), "_a.jpg _b.jpg _c.jpg a.htm a.jpg b.htm c.htm c.jpg galvora.htm");
    EXPECT_EQ(OutsideCheck(out), QString());
}

TEST(HtmlExportScaling, LongerSideComesToTheLimit)
{
    struct Case {
        int w, h, limit, ew, eh;
    } cases[] = {{3000, 2000, 800, 800, 533}, {1000, 1500, 800, 533, 800}, {800, 600, 800, 800, 600},
                 {801, 801, 800, 800, 800}, {1601, 1, 800, 800, 1}, {3, 1601, 800, 1, 800}};
    for (const Case& c : cases)
        EXPECT_EQ(GrossBildGroesse(c.w, c.h, c.limit), QSize(c.ew, c.eh)) << c.w << "x" << c.h;
}

TEST(HtmlExportText, EntryTextsAreEscaped)
{
    EXPECT_EQ(HTMLText("a&b<c>\"d\"'e'"), "a&amp;b&lt;c&gt;&quot;d&quot;&#39;e&#39;");
    EXPECT_EQ(HTMLText("x\ny\r\nz\rw"), "x\r\ny\r\nz\r\nw");
    EXPECT_EQ(HTMLText("Grüße"), "Grüße");
}

TEST_F(HtmlExportTest, SettingsRoundTripThroughTheIniWithDefaultsAndRanges)
{
    TQKINI ini(nullptr);
    ini.SetINIFileName(QString::fromStdString((dir / "Lumadex.INI").string()));
    THTMLExportEinstellungen d;
    d.Lesen(ini);
    EXPECT_EQ(d.PicAnz, 5);
    EXPECT_EQ(d.Width, "190");
    EXPECT_EQ(d.Grossanzeigeueberschrift, "QV-Lumadex Fotogalerie");
    EXPECT_TRUE(d.OrgSize);
    EXPECT_TRUE(d.BildInHTMLFormat);

    THTMLExportEinstellungen e;
    e.PicAnz = 12;
    e.Target = "rechts";
    e.OrgSize = false;
    e.JPGQualitaet = 90;
    e.Grossanzeigeueberschrift = "Ferien in Österreich";
    e.Schreiben(ini);
    THTMLExportEinstellungen back;
    back.Lesen(ini);
    EXPECT_EQ(back.PicAnz, 12);
    EXPECT_EQ(back.Target, "rechts");
    EXPECT_FALSE(back.OrgSize);
    EXPECT_EQ(back.JPGQualitaet, 90);
    EXPECT_EQ(back.Grossanzeigeueberschrift, "Ferien in Österreich");

    ini.INIWriteString("HTMLExport", "PicAnz", "viele");
    ini.INIWriteInteger("HTMLExport", "Hauptbilder_Breite", 5);
    ini.INIWriteInteger("HTMLExport", "TabellenRahmen", 99);
    back.Lesen(ini);
    EXPECT_EQ(back.PicAnz, 5);
    EXPECT_EQ(back.HauptbilderBreite, 140);
    EXPECT_EQ(back.TabellenRahmen, 50);

    // The keys stand in their fixed order in the section.
    const QString text = Win1252Decode(Bytes(QString::fromStdString((dir / "Lumadex.INI").string())));
    EXPECT_LT(text.indexOf("Grossanzeigeueberschrift="), text.indexOf("OriginalAuchExportieren="));
    EXPECT_LT(text.indexOf("Hauptbilder_Breite="), text.indexOf("JPG_Qualitaet="));
}

TEST_F(HtmlExportPaging, OnlyTheEntriesOfTheAlbumFilterAreExported)
{
    MakeAlbum("ALBUM.DBF", Jpgs(6, "f"));
    TTestAlbum album;
    Open(album, "ALBUM.DBF");
    ASSERT_GT(album.dbe.Query("SHORTDESC = 'Bild 2' .OR. SHORTDESC = 'Bild 5'"), 0);
    ASSERT_EQ(album.dbe.QueryRecCount(), 2u);
    TDbeHTMLExportQuelle quelle(&album.dbe);
    THTMLExportEinstellungen e;
    THTMLExport x(quelle, e, WinDir("gefiltert"), HTMLKopfVorlage());
    x.Ausfuehren();
    const QString out = *WinToLinux(WinDir("gefiltert"));
    EXPECT_EQ(Files(out), (QStringList{"_f2.jpg", "_f5.jpg", "f2.htm", "f2.jpg", "f5.htm", "f5.jpg", "galvora.htm"}));
    EXPECT_TRUE(Page(out, "f2.htm").contains("<a href=\"f5.htm\">&gt;&gt;</a>"));
    const QString report = OutsideCheck(out);
    EXPECT_TRUE(report.isEmpty()) << report.toStdString();
}
