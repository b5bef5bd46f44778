// The ASCII export and import on albums made through the engine: the text
// file and memo files read back as bytes (Windows-1252, CR LF, one ";"
// after every field), the archive listed by unzip and read by Python's
// zipfile, numbering, Esc, write failures; the import's round trip, its
// checks of bad files (garbage, field counts, other code pages, values that
// do not fit) that leave the album unchanged, and its question before
// records are overwritten.

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <unistd.h>

#include "album_fixture.h"
#include "dialogs/ascii_export.h"
#include "dialogs/ascii_import.h"
#include "platform/core/exceptions.h"
#include "platform/core/win1252.h"
#include "platform/ui/prompt_script.h"

namespace {

QByteArray ReadBytes(const QString& file)
{
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
    return f.readAll();
}

void WriteBytes(const QString& file, const QByteArray& bytes)
{
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QString RunTool(const QString& program, const QStringList& args, int* code = nullptr)
{
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(-1));
    if (code)
        *code = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

class AsciiTest : public AlbumTest {
protected:
    std::vector<TTestEintrag> Entries()
    {
        return {
            {"C:\\Bilder\\Urlaub.jpg", "1", "Grüße aus Köln <&>", "Notiz mit Umlauten: äöüß\r\nzweite Zeile", "1234567890"},
            {"C:\\Bilder\\Strand.jpg", "1", "Sonne; Meer", "", "1234567890"},
            {"D:\\Fotos\\Berg.bmp", "2", "Berg", "kurz", "-98765"},
        };
    }
    QString Out() { return WinDir("export"); }
    QString OutLinux() { return *WinToLinux(Out()); }
};

}  // namespace

TEST_F(AsciiTest, TextFileAndMemoFilesByteForByte)
{
    MakeAlbum("ALBUM.DBF", Entries());
    TTestAlbum album;
    Open(album, "ALBUM.DBF");
    TBilderAsciiExport x(&album.dbe, Out());
    QList<int> saetze;
    x.Fortschritt = [&](int n) { saetze << n; };
    ASSERT_TRUE(x.SchreibeText());
    EXPECT_EQ(saetze, (QList<int>{1, 2, 3}));
    const QByteArray text = ReadBytes(OutLinux() + "/Bilder.TXT");
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_EQ(lines.size(), 4);  // three lines and the end after the last
    EXPECT_TRUE(lines[3].isEmpty());
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(lines[i].endsWith(";\r")) << i;
    // 29 fields, 29 ";"; the text of the record's short description in
    // Windows-1252; a ";" inside a value stands inside double quotes.
    EXPECT_EQ(lines[0].count(';'), 29);
    EXPECT_EQ(lines[1].count(';'), 30);
    EXPECT_TRUE(lines[1].startsWith("\"Sonne; Meer\";"));
    EXPECT_TRUE(lines[0].startsWith("Gr\xFC\xDF" "e aus K\xF6ln <&>;;20240131;"));
    EXPECT_TRUE(lines[0].contains(";C:\\Bilder\\Urlaub.jpg;"));
    // NOTIZ and VORSCHAU (fields 22 and 23) stay empty in the line.
    const QList<QByteArray> fields = lines[0].chopped(1).split(';');
    EXPECT_EQ(fields[21], "");
    EXPECT_EQ(fields[22], "");
    EXPECT_EQ(fields[23], "");  // FLAGS empty
    // The notes, byte for byte, named after path and medium.
    EXPECT_EQ(ReadBytes(OutLinux() + "/C_BILDER_URLAUB.JPG_1234567890.MEM"),
              QByteArray("Notiz mit Umlauten: \xE4\xF6\xFC\xDF\r\nzweite Zeile"));
    EXPECT_EQ(ReadBytes(OutLinux() + "/D_FOTOS_BERG.BMP_-98765.MEM"), QByteArray("kurz"));
    EXPECT_FALSE(QFile::exists(OutLinux() + "/C_BILDER_STRAND.JPG_1234567890.MEM"));
    EXPECT_EQ(MemoDateiName(" C:\\Bilder\\Urlaub.jpg ", "1234567890 "), "C_BILDER_URLAUB.JPG_1234567890.MEM");
}

TEST_F(AsciiTest, ChosenFieldsAndANoteThroughTheThumbnailField)
{
    MakeAlbum("ALBUM.DBF", Entries());
    TTestAlbum album;
    Open(album, "ALBUM.DBF");
    TBilderAsciiExport x(&album.dbe, Out());
    x.Felder = {"TYPE", "VORSCHAU", "SHORTDESC"};
    ASSERT_TRUE(x.SchreibeText());
    EXPECT_EQ(ReadBytes(OutLinux() + "/Bilder.TXT"),
              QByteArray("1;;Gr\xFC\xDF" "e aus K\xF6ln <&>;\r\n1;;\"Sonne; Meer\";\r\n2;;Berg;\r\n"));
    EXPECT_TRUE(QFile::exists(OutLinux() + "/C_BILDER_URLAUB.JPG_1234567890.MEM"));
}

TEST_F(AsciiTest, WholeRunPacksIntoNumberedArchivesReadableFromOutside)
{
    MakeAlbum("ALBUM.DBF", Entries());
    TTestAlbum album;
    Open(album, "ALBUM.DBF");
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrOk, "Datenexport abgeschlossen !")
        .Answer(TPromptKind::Message, mrOk, "gepackt (verschoben)!")
        .Answer(TPromptKind::Dialog, mrOk, "Datenexport abgeschlossen !")
        .Answer(TPromptKind::Message, mrOk, "BilderASCII2.ZIP gepackt (verschoben)!");
    TBilderAsciiExport x(&album.dbe, Out());
    ASSERT_TRUE(x.Ausfuehren());
    EXPECT_EQ(x.Archiv(), Out() + "BilderASCII1.ZIP");
    EXPECT_EQ(script.Records().at(1).Text, "Alle Dateien zu " + Out() + "BilderASCII1.ZIP gepackt (verschoben)!");
    // Text and memo files moved into the archive.
    EXPECT_EQ(QDir(OutLinux()).entryList(QDir::Files), QStringList{"BilderASCII1.ZIP"});
    const QString zip = OutLinux() + "/BilderASCII1.ZIP";
    int code = -1;
    const QString listing = RunTool("unzip", {"-l", zip}, &code);
    EXPECT_EQ(code, 0) << listing.toStdString();
    EXPECT_TRUE(listing.contains("Bilder.TXT")) << listing.toStdString();
    EXPECT_TRUE(listing.contains("C_BILDER_URLAUB.JPG_1234567890.MEM"));
    EXPECT_TRUE(listing.contains("D_FOTOS_BERG.BMP_-98765.MEM"));
    const QString py = RunTool("python3", {"-c",
                                       "import sys, zipfile\n"
                                       "z = zipfile.ZipFile(sys.argv[1])\n"
                                       "assert z.testzip() is None\n"
                                       "name = [n for n in z.namelist() if n.endswith('Bilder.TXT')][0]\n"
                                       "data = z.read(name)\n"
                                       "print(len(data.split(b'\\r\\n')) - 1, data.decode('cp1252').split(';')[0])\n",
                                       zip},
                           &code);
    EXPECT_EQ(code, 0) << py.toStdString();
    EXPECT_EQ(py.trimmed(), "3 Grüße aus Köln <&>");

    ASSERT_TRUE(x.Ausfuehren());
    EXPECT_TRUE(QFile::exists(OutLinux() + "/BilderASCII2.ZIP"));
}

TEST_F(AsciiTest, EmptyAlbumGivesAnEmptyTextFileAndAnArchive)
{
    MakeAlbum("ALBUM.DBF", {});
    TTestAlbum album;
    Open(album, "ALBUM.DBF");
    TBilderAsciiExport x(&album.dbe, Out());
    ASSERT_TRUE(x.SchreibeText());
    EXPECT_EQ(QFileInfo(OutLinux() + "/Bilder.TXT").size(), 0);
    TPromptScript script;
    script.Answer(mrOk, "Datenexport abgeschlossen !").Answer(mrOk, "gepackt (verschoben)!");
    EXPECT_TRUE(x.Ausfuehren());
    EXPECT_TRUE(QFile::exists(OutLinux() + "/BilderASCII1.ZIP"));
}

TEST_F(AsciiTest, EscKeepsTheLinesWrittenAndPacksNothing)
{
    MakeAlbum("ALBUM.DBF", Entries());
    TTestAlbum album;
    Open(album, "ALBUM.DBF");
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrOk, "Datenexport mit ESC abgebrochen !");
    TBilderAsciiExport x(&album.dbe, Out());
    int asked = 0;
    x.Abbruch = [&] { return ++asked == 2; };
    EXPECT_FALSE(x.Ausfuehren());
    EXPECT_EQ(script.Records().at(0).DlgType, mtInformation);
    EXPECT_EQ(ReadBytes(OutLinux() + "/Bilder.TXT").count("\r\n"), 1);
    EXPECT_FALSE(QFile::exists(OutLinux() + "/BilderASCII1.ZIP"));
}

TEST_F(AsciiTest, MissingFolderAndFullDiskRaise)
{
    MakeAlbum("ALBUM.DBF", Entries());
    TTestAlbum album;
    Open(album, "ALBUM.DBF");
    TBilderAsciiExport missing(&album.dbe, WinDir() + "fehlt\\");
    EXPECT_THROW(missing.SchreibeText(), EInOutError);
    const QString full = WinDir("voll");
    ASSERT_EQ(symlink("/dev/full", (*WinToLinux(full) + "/Bilder.TXT").toLocal8Bit().constData()), 0);
    TBilderAsciiExport x(&album.dbe, full);
    try {
        x.SchreibeText();
        ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_TRUE(e.Message.startsWith("Fehler beim Schreiben von ")) << e.Message.toStdString();
        EXPECT_TRUE(e.Message.contains("Bilder.TXT"));
    }
}

// ---- Import ----------------------------------------------------------------

TEST_F(AsciiTest, ImportRecreatesTheExportedAlbumWithItsNotes)
{
    MakeAlbum("ALBUM.DBF", Entries());
    MakeAlbum("LEER.DBF", {});
    {
        TTestAlbum album;
        Open(album, "ALBUM.DBF");
        TBilderAsciiExport x(&album.dbe, Out());
        ASSERT_TRUE(x.SchreibeText());
    }
    // Every line goes in, "Sonne; Meer" too.
    TTestAlbum leer;
    Open(leer, "LEER.DBF");
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrOk, "DatenImport abgeschlossen !");
    TBilderAsciiImport imp(&leer.dbe, Out());
    EXPECT_EQ(imp.Ausfuehren(Out() + "Bilder.TXT"), 3);
    ASSERT_EQ(leer.dbe.RecCount(), 3u);
    TTestAlbum quelle;
    Open(quelle, "ALBUM.DBF");
    const QStringList felder = AlbumFeldNamen(&quelle.dbe);
    for (uint32_t satz : {1u, 2u, 3u}) {
        quelle.dbe.Go(satz);
        leer.dbe.Go(satz);
        for (const QString& f : felder) {
            if (f == "VORSCHAU")
                continue;
            const QString a = f == "NOTIZ" ? QString::number(quelle.dbe.GetBlobLength(f)) : quelle.dbe.GetTrimString(f);
            const QString b = f == "NOTIZ" ? QString::number(leer.dbe.GetBlobLength(f)) : leer.dbe.GetTrimString(f);
            EXPECT_EQ(a, b) << f.toStdString() << " in record " << satz;
        }
    }
    leer.dbe.Go(1);
    char* notiz = leer.dbe.GetMemo("NOTIZ");
    ASSERT_NE(notiz, nullptr);
    EXPECT_EQ(QByteArray(notiz, leer.dbe.GetBlobLength("NOTIZ")),
              QByteArray("Notiz mit Umlauten: \xE4\xF6\xFC\xDF\r\nzweite Zeile"));
    leer.dbe.MemDealloc(notiz);
}

// Values with the separator or quotes come back as they were; a line break
// cannot stand in a line and refuses the export, naming the record.
TEST_F(AsciiTest, SeparatorsAndQuotesRoundTripAndLineBreaksAreRefused)
{
    struct Fall {
        QString wert;
        std::optional<QString> zeile;
    };
    const Fall faelle[] = {
        {"Sonne", QString("Sonne")},
        {"Sonne; Meer", QString("\"Sonne; Meer\"")},
        {"\"Sommer\"", QString("\"\"\"Sommer\"\"\"")},
        {"a\";\"b", QString("\"a\"\";\"\"b\"")},
        {"mit\tTab", QString("mit\tTab")},
        {"zwei\r\nZeilen", std::nullopt},
        {"piep\x07", std::nullopt},
    };
    for (const Fall& f : faelle) {
        EXPECT_EQ(TBilderAsciiExport::ZeilenWert(f.wert), f.zeile) << f.wert.toStdString();
        if (!f.zeile)
            continue;
        // The import reads the written line back into the value.
        std::vector<QByteArray> teile;
        ASSERT_TRUE(TBilderAsciiImport::ZeileTeilen(Win1252EncodeOrThrow(*f.zeile) + ";1;", teile));
        ASSERT_EQ(teile.size(), 2u) << f.wert.toStdString();
        EXPECT_EQ(Win1252Decode(teile[0]), f.wert);
        EXPECT_EQ(teile[1], "1");
    }
    auto eintraege = Entries();
    eintraege[1].Kurz = "zwei\r\nZeilen";
    MakeAlbum("ALBUM.DBF", eintraege);
    TTestAlbum album;
    Open(album, "ALBUM.DBF");
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrOk, "Satz Nr. 2 (C:\\Bilder\\Strand.jpg), Feld SHORTDESC");
    TBilderAsciiExport x(&album.dbe, Out());
    EXPECT_FALSE(x.Ausfuehren());
    EXPECT_EQ(script.Pending(), 0u);
    EXPECT_FALSE(QFile::exists(OutLinux() + "/BilderASCII1.ZIP"));
}

// Other text and memo files of the export folder are neither packed nor
// deleted; the archive holds the run's files under their names alone.
TEST_F(AsciiTest, OnlyTheFilesOfTheRunArePackedAndDeleted)
{
    MakeAlbum("ALBUM.DBF", Entries());
    TTestAlbum album;
    Open(album, "ALBUM.DBF");
    QDir().mkpath(OutLinux());
    WriteBytes(OutLinux() + "/Brief.TXT", "gehört dem Benutzer");
    WriteBytes(OutLinux() + "/Alt.MEM", "auch");
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrOk, "Datenexport abgeschlossen !").Answer(TPromptKind::Message, mrOk, "gepackt");
    TBilderAsciiExport x(&album.dbe, Out());
    ASSERT_TRUE(x.Ausfuehren());
    EXPECT_EQ(QDir(OutLinux()).entryList(QDir::Files, QDir::Name),
              (QStringList{"Alt.MEM", "BilderASCII1.ZIP", "Brief.TXT"}));
    int code = -1;
    const QString namen = RunTool("python3", {"-c",
                                          "import sys, zipfile\n"
                                          "print(' '.join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))\n",
                                          OutLinux() + "/BilderASCII1.ZIP"},
                              &code);
    EXPECT_EQ(code, 0) << namen.toStdString();
    EXPECT_EQ(namen.trimmed(), "Bilder.TXT C_BILDER_URLAUB.JPG_1234567890.MEM D_FOTOS_BERG.BMP_-98765.MEM");
}

TEST_F(AsciiTest, BadImportFilesLeaveTheAlbumUnchanged)
{
    MakeAlbum("ALBUM.DBF", Entries());
    TTestAlbum album;
    Open(album, "ALBUM.DBF");
    const QByteArray good = "Neu;1;\r\n";
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* message;
    } cases[] = {
        {"garbage", good + "\x01\x02\x03 Datenmuell\r\n", "Zeile 2: keine Datenzeile"},
        {"no separator", "nur Text ohne Trenner\r\n", "Zeile 1: keine Datenzeile"},
        {"too few", good + "Neu;\r\n", "Zeile 2: 1 Felder statt 2."},
        {"too many", "a;1;x;\r\n", "Zeile 1: 3 Felder statt 2."},
        {"empty line inside", good + "\r\n" + good, "Zeile 2: keine Datenzeile"},
        {"utf-8", good + "Gr\xC3\xBC\xC3\x9F" "e;1;\r\n", "Zeile 2: die Datei ist nicht im Zeichensatz Windows-1252 geschrieben (UTF-8)."},
        {"utf-8 bom", "\xEF\xBB\xBFNeu;1;\r\n", "(UTF-8)"},
        {"utf-16", QByteArray("\xFF\xFEN\0e\0u\0;\0", 10), "(UTF-16)"},
        {"undefined byte", "Neu\x81;1;\r\n", "Zeile 1: die Datei ist nicht im Zeichensatz Windows-1252"},
        {"type too long", "Neu;12;\r\n", "Zeile 1, Feld TYPE: \"12\" ist Text länger als 1 Zeichen."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(Linux("import.txt"), c.bytes);
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrOk, c.message);
        TBilderAsciiImport imp(&album.dbe, Out());
        imp.Felder = {"SHORTDESC", "TYPE"};
        album.dbe.Go(1);
        EXPECT_EQ(imp.Ausfuehren(Linux("import.txt")), 0);
        ASSERT_EQ(script.Records().size(), 1u);
        EXPECT_EQ(script.Records().at(0).DlgType, mtError);
        EXPECT_TRUE(script.Records().at(0).Text.contains("Das Fotoalbum wurde nicht verändert."));
        EXPECT_EQ(album.dbe.RecCount(), 3u);
        album.dbe.Go(1);
        EXPECT_EQ(album.dbe.GetTrimString("SHORTDESC"), "Grüße aus Köln <&>");
    }
}

TEST_F(AsciiTest, ValuesThatDoNotFitTheirFieldsAreNamed)
{
    MakeAlbum("ALBUM.DBF", Entries());
    TTestAlbum album;
    Open(album, "ALBUM.DBF");
    WriteBytes(Linux("import.txt"), "abc;20241301;X;\r\n12345678901;31.12.2023;T;\r\n");
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrOk);
    TBilderAsciiImport imp(&album.dbe, Out());
    imp.Felder = {"BYTES", "AUFNDATUM", "MARKIERT"};
    EXPECT_EQ(imp.Ausfuehren(Linux("import.txt")), 0);
    EXPECT_EQ(imp.Fehler(), (QStringList{"Zeile 1, Feld BYTES: \"abc\" ist keine Zahl, die in 10 Stellen passt.",
                                         "Zeile 1, Feld AUFNDATUM: \"20241301\" ist kein Datum.",
                                         "Zeile 1, Feld MARKIERT: \"X\" ist kein Wahrheitswert (T oder F).",
                                         "Zeile 2, Feld BYTES: \"12345678901\" ist keine Zahl, die in 10 Stellen passt."}));
}

TEST_F(AsciiTest, ImportFromTheCurrentRecordAsksBeforeOverwritingAndAppendsTheRest)
{
    MakeAlbum("ALBUM.DBF", Entries());
    TTestAlbum album;
    Open(album, "ALBUM.DBF");
    WriteBytes(Linux("import.txt"), "Eins;20230102;;\r\nZwei;;T;\r\nDrei;20230103;F;\r\n");
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrNo, "2 Einträge ab Satz Nr. 2 werden überschrieben, 1 werden angefügt.");
        TBilderAsciiImport imp(&album.dbe, Out());
        imp.Felder = {"SHORTDESC", "AUFNDATUM", "MARKIERT"};
        album.dbe.Go(2);
        EXPECT_EQ(imp.Ausfuehren(Linux("import.txt")), 0);
        EXPECT_EQ(album.dbe.RecCount(), 3u);
        album.dbe.Go(2);
        EXPECT_EQ(album.dbe.GetTrimString("SHORTDESC"), "Sonne; Meer");
    }
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrYes, "überschrieben").Answer(TPromptKind::Dialog, mrOk, "DatenImport abgeschlossen !");
    TBilderAsciiImport imp(&album.dbe, Out());
    imp.Felder = {"SHORTDESC", "AUFNDATUM", "MARKIERT"};
    album.dbe.Go(2);
    EXPECT_EQ(imp.Ausfuehren(Linux("import.txt")), 3);
    ASSERT_EQ(album.dbe.RecCount(), 4u);
    const char* expected[] = {"Grüße aus Köln <&>", "Eins", "Zwei", "Drei"};
    for (uint32_t i = 1; i <= 4; ++i) {
        album.dbe.Go(i);
        EXPECT_EQ(album.dbe.GetTrimString("SHORTDESC"), QString(expected[i - 1])) << i;
    }
    album.dbe.Go(2);
    EXPECT_EQ(album.dbe.GetTrimString("PFAD"), "C:\\Bilder\\Strand.jpg");  // fields not in the list stay
    EXPECT_FALSE(album.dbe.GetLogical("MARKIERT"));
    album.dbe.Go(3);
    EXPECT_TRUE(album.dbe.GetLogical("MARKIERT"));
    album.dbe.Go(4);
    EXPECT_EQ(album.dbe.GetString("AUFNDATUM").trimmed().isEmpty(), false);
}

TEST_F(AsciiTest, EmptyImportFileAndEsc)
{
    MakeAlbum("ALBUM.DBF", Entries());
    TTestAlbum album;
    Open(album, "ALBUM.DBF");
    WriteBytes(Linux("leer.txt"), "");
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrOk, "DatenImport abgeschlossen !");
        TBilderAsciiImport imp(&album.dbe, Out());
        EXPECT_EQ(imp.Ausfuehren(Linux("leer.txt")), 0);
    }
    WriteBytes(Linux("zwei.txt"), "A;1;\r\nB;1;\r\n");
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrOk, "Datenimport mit ESC abgebrochen !");
    TBilderAsciiImport imp(&album.dbe, Out());
    imp.Felder = {"SHORTDESC", "TYPE"};
    imp.Abbruch = [] { return true; };
    EXPECT_EQ(imp.Ausfuehren(Linux("zwei.txt")), 0);
    EXPECT_EQ(album.dbe.RecCount(), 3u);
    EXPECT_THROW(imp.Ausfuehren(Linux("gibtsnicht.txt")), EInOutError);
}

TEST_F(AsciiTest, ReadOnlyAlbumTakesNothing)
{
    MakeAlbum("ALBUM.DBF", Entries());
    TTestAlbum album;
    album.table.SetReadOnly(true);
    Open(album, "ALBUM.DBF");
    WriteBytes(Linux("import.txt"), "Neu;1;\r\n");
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrOk, "schreibgeschützt");
    TBilderAsciiImport imp(&album.dbe, Out());
    imp.Felder = {"SHORTDESC", "TYPE"};
    EXPECT_EQ(imp.Ausfuehren(Linux("import.txt")), 0);
    album.dbe.Go(1);
    EXPECT_EQ(album.dbe.GetTrimString("SHORTDESC"), "Grüße aus Köln <&>");
}

TEST_F(AsciiTest, PackingFailureKeepsTheTextAndMemoFiles)
{
    MakeAlbum("ALBUM.DBF", Entries());
    TTestAlbum album;
    Open(album, "ALBUM.DBF");
    // A folder stands where the archive would go: the zip library cannot write it.
    ASSERT_TRUE(QDir().mkpath(OutLinux() + "/BilderASCII1.ZIP"));
    TPromptScript script;
    script.Answer(mrOk, "Datenexport abgeschlossen !")
        .Answer(TPromptKind::Dialog, mrOk, "Fehler beim Packen im ZIP_UPDATE-Aufruf !")
        .Answer(TPromptKind::Message, mrOk, "Fehler beim Packen von " + Out() + "Bilder.TXT, ");
    TBilderAsciiExport x(&album.dbe, Out());
    EXPECT_FALSE(x.Ausfuehren());
    EXPECT_TRUE(x.Archiv().isEmpty());
    EXPECT_TRUE(QFile::exists(OutLinux() + "/Bilder.TXT"));
    EXPECT_TRUE(QFile::exists(OutLinux() + "/C_BILDER_URLAUB.JPG_1234567890.MEM"));
}
