// The settings table and its store: defaults, the round trip through
// Lumadex.INI (checked against an independent parse of the file), bad
// input, the radio groups, the folder creation and the pick lists.

#include <QFile>
#include <QSet>
#include <gtest/gtest.h>

#include "dialogs/program_settings.h"
#include "platform/core/drive_map.h"
#include "platform/core/win_path.h"
#include "platform/ui/prompt_script.h"
#include "test_environment.h"

namespace {

QString Win(const std::filesystem::path& p) { return *LinuxToWin(QString::fromStdString(p.string())); }

// The file parsed without the program's ini reader: section -> key -> value.
std::map<QString, std::map<QString, QString>> IniLesen(const std::filesystem::path& file)
{
    std::map<QString, std::map<QString, QString>> out;
    QString section;
    const QString text = QString::fromLatin1(QByteArray::fromStdString(lxtest::ReadFile(file)));
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        if (line.startsWith('[') && line.endsWith(']'))
            section = line.mid(1, line.size() - 2).toUpper();
        else if (line.contains('='))
            out[section][line.section('=', 0, 0).toUpper()] = line.section('=', 1);
    }
    return out;
}

class SettingsTest : public ::testing::Test {
protected:
    lxtest::TempDir dir;
    QString Ini() const { return Win(dir / "Lumadex.INI"); }
};

}  // namespace

TEST_F(SettingsTest, TableNamesEveryKeyOnceWithAControlAndAValidDefault)
{
    QSet<QString> schluessel, steuerelemente;
    TProgrammEinstellungen e;
    for (const TEinstellung& z : EinstellungsTabelle()) {
        EXPECT_FALSE(schluessel.contains(QString(z.Schluessel).toUpper())) << z.Schluessel;
        EXPECT_FALSE(steuerelemente.contains(z.Steuerelement)) << z.Steuerelement;
        schluessel.insert(QString(z.Schluessel).toUpper());
        steuerelemente.insert(z.Steuerelement);
        // The default is what the store holds after construction.
        EXPECT_EQ(e.Wert(z.Schluessel), e.Vorgabe(z)) << z.Schluessel;
    }
    EXPECT_EQ(schluessel.size(), 95);
}

TEST_F(SettingsTest, MissingFileGivesTheDefaultsWithFoldersBelowTheProgramFolder)
{
    TProgrammEinstellungen e;
    e.SetProgrammPfad("D:\\Programme\\Lumadex");
    e.SetBool("AlleMeldungen", false);
    e.SetZahl("RequesterAnzeigeZeit", 3);
    e.Lesen(Win(dir / "fehlt.ini"));
    EXPECT_TRUE(e.Bool("AlleMeldungen"));
    EXPECT_EQ(e.Zahl("RequesterAnzeigeZeit"), 10);
    EXPECT_EQ(e.Text("VorschaubilderVerzeichnis"), "D:\\Programme\\Lumadex\\Data\\PrevPics\\");
    EXPECT_EQ(e.Text("BackupDir"), "D:\\Programme\\Lumadex\\DATA\\BACKUP\\");
    EXPECT_EQ(e.Text("HintWavePfad"), "D:\\Programme\\Lumadex\\WaveS\\Hints\\");
    EXPECT_EQ(e.Farbe("Pflichtfarbe"), 16776960);
    EXPECT_EQ(e.Farbe("TextVollbildBGColor"), 16777215);
    EXPECT_EQ(e.Text("Bildbearbeitung2"), "Externe Bildbearbeitung2");
    EXPECT_EQ(e.Text("SourceFileSuffix"), "JPG");
    EXPECT_FALSE(e.Bool("Protokollieren"));
    EXPECT_TRUE(e.Bool("Wallpaper1zu1"));
    EXPECT_TRUE(e.Bool("IncNrFileName"));
    EXPECT_TRUE(e.Bool("BMPAnzeigen"));
    EXPECT_FALSE(std::filesystem::exists(dir / "fehlt.ini"));
}

TEST_F(SettingsTest, WrittenFileHoldsEveryKeyOfTheTableInItsSection)
{
    TProgrammEinstellungen e;
    e.SetZahl("MaxLogSize", 4000);
    e.SetText("BezeichnerBenutzerdefiniertesFeld1", "Fotograf");
    e.SetFarbe("Kannfarbe", 0x123456);
    e.SetBool("JPGAnzeigen", true);
    e.Schreiben(Ini());

    const auto ini = IniLesen(dir / "Lumadex.INI");
    for (const TEinstellung& z : EinstellungsTabelle()) {
        const auto sec = ini.find(QString(z.Sektion).toUpper());
        ASSERT_NE(sec, ini.end()) << z.Sektion;
        const auto key = sec->second.find(QString(z.Schluessel).toUpper());
        ASSERT_NE(key, sec->second.end()) << z.Schluessel;
        EXPECT_EQ(key->second, e.Wert(z.Schluessel)) << z.Schluessel;
    }
    EXPECT_EQ(ini.at("EINSTELLUNGEN HAUPTPROGRAMM").at("MAXLOGSIZE"), "4000");
    EXPECT_EQ(ini.at("EINSTELLUNGEN HAUPTPROGRAMM").at("BEZEICHNERBENUTZERDEFINIERTESFELD1"), "Fotograf");
    EXPECT_EQ(ini.at("EINSTELLUNGEN HAUPTPROGRAMM").at("KANNFARBE"), QString::number(0x123456));
    EXPECT_EQ(ini.at("EINSTELLUNGEN BILDER").at("JPGANZEIGEN"), "1");
    EXPECT_EQ(ini.at("EINSTELLUNGEN BILDER").at("BMPANZEIGEN"), "0");
    EXPECT_EQ(ini.at("EINSTELLUNGEN TEXTVOLLBILDANZEIGE").at("TEXTVOLLBILDBGCOLOR"), "16777215");

    // A fresh store reads back the same values.
    TProgrammEinstellungen f;
    f.Lesen(Ini());
    for (const TEinstellung& z : EinstellungsTabelle())
        EXPECT_EQ(f.Wert(z.Schluessel), e.Wert(z.Schluessel)) << z.Schluessel;
}

TEST_F(SettingsTest, ReadThenWriteGivesTheSameFile)
{
    TProgrammEinstellungen e;
    e.SetText("SourceFileNames", "DSC");
    e.SetText("PfadBildAnzeige", "C:\\usr\\bin\\gimp");
    e.Schreiben(Ini());
    const std::string vorher = lxtest::ReadFile(dir / "Lumadex.INI");
    TProgrammEinstellungen f;
    f.Lesen(Ini());
    f.Schreiben(Ini());
    EXPECT_EQ(lxtest::ReadFile(dir / "Lumadex.INI"), vorher);
}

TEST_F(SettingsTest, UnusableValuesFallBackToTheDefaultAndOtherKeysSurvive)
{
    lxtest::WriteFile(dir / "Lumadex.INI",
                      "Unsinn ohne Gleichheitszeichen\r\n"
                      "[Einstellungen Hauptprogramm]\r\n"
                      "RequesterAnzeigeZeit=zehn\r\n"
                      "MaxLogSize=999999\r\n"
                      "HintHidePause=0\r\n"
                      "AlleMeldungen=ja\r\n"
                      "Infofarbe=gelb\r\n"
                      "Kannfarbe=255\r\n"
                      "LetzteDatenbank=URLAUB.DBF\r\n"
                      "=ohne Schluessel\r\n"
                      "[Einstellungen Bilder]\r\n"
                      "SlideShowInterval=-4\r\n"
                      "BilderUploadmodus=7\r\n"
                      "ComboBoxDropDownCount=12\r\n"
                      "[Fremd]\r\n"
                      "Wert=1\r\n");
    TProgrammEinstellungen e;
    e.Lesen(Ini());
    EXPECT_EQ(e.Zahl("RequesterAnzeigeZeit"), 10);
    EXPECT_EQ(e.Zahl("MaxLogSize"), 200);
    EXPECT_EQ(e.Zahl("HintHidePause"), 20);
    EXPECT_TRUE(e.Bool("AlleMeldungen"));
    EXPECT_EQ(e.Farbe("Infofarbe"), 65535);
    EXPECT_EQ(e.Farbe("Kannfarbe"), 255);
    EXPECT_EQ(e.Zahl("SlideShowInterval"), 5);
    EXPECT_EQ(e.Zahl("BilderUploadmodus"), 0);
    EXPECT_EQ(e.Zahl("ComboBoxDropDownCount"), 12);

    e.Schreiben(Ini());
    const auto ini = IniLesen(dir / "Lumadex.INI");
    EXPECT_EQ(ini.at("EINSTELLUNGEN HAUPTPROGRAMM").at("LETZTEDATENBANK"), "URLAUB.DBF");
    EXPECT_EQ(ini.at("EINSTELLUNGEN HAUPTPROGRAMM").at("REQUESTERANZEIGEZEIT"), "10");
    EXPECT_EQ(ini.at("FREMD").at("WERT"), "1");
    EXPECT_NE(lxtest::ReadFile(dir / "Lumadex.INI").find("Unsinn ohne Gleichheitszeichen"), std::string::npos);
}

TEST_F(SettingsTest, SettersRefuseValuesTheRowDoesNotTake)
{
    TProgrammEinstellungen e;
    EXPECT_FALSE(e.SetZahl("RequesterAnzeigeZeit", 31));
    EXPECT_EQ(e.Zahl("RequesterAnzeigeZeit"), 10);
    EXPECT_TRUE(e.SetZahl("RequesterAnzeigeZeit", 0));
    EXPECT_FALSE(e.SetText("SourceFileNames", "zwei\nZeilen"));
    EXPECT_FALSE(e.SetText("SourceFileNames", QString::fromUtf8("\u5199\u771f")));  // not in Windows-1252
    EXPECT_TRUE(e.SetText("SourceFileNames", QString::fromUtf8("Grüße €")));
    e.Schreiben(Ini());  // the file takes every value the store holds
    EXPECT_FALSE(e.SetWert("MaxLogSize", "viel"));
    EXPECT_EQ(e.Zahl("MaxLogSize"), 200);
    EXPECT_THROW(e.Bool("GibtEsNicht"), std::out_of_range);
    // Keys compare without case.
    EXPECT_TRUE(e.Bool("alLEmeldungen"));
}

TEST_F(SettingsTest, RadioGroupsAreReadKeyByKeyAndTheLastTrueWins)
{
    struct Fall {
        const char* zeilen;
        bool tile, stretch, einsZuEins;
    } const faelle[] = {
        {"", false, false, true},
        {"WallpaperTile=1\r\nWallpaperStretch=0\r\nWallpaper1zu1=0\r\n", true, false, false},
        {"WallpaperTile=1\r\nWallpaperStretch=1\r\nWallpaper1zu1=0\r\n", false, true, false},
        {"WallpaperTile=1\r\n", false, false, true},  // the absent 1zu1 reads its default true
        {"WallpaperTile=0\r\nWallpaperStretch=0\r\nWallpaper1zu1=0\r\n", false, false, false},
    };
    for (const Fall& f : faelle) {
        lxtest::WriteFile(dir / "Lumadex.INI", std::string("[Einstellungen Bilder]\r\n") + f.zeilen);
        TProgrammEinstellungen e;
        e.Lesen(Ini());
        EXPECT_EQ(e.Bool("WallpaperTile"), f.tile) << f.zeilen;
        EXPECT_EQ(e.Bool("WallpaperStretch"), f.stretch) << f.zeilen;
        EXPECT_EQ(e.Bool("Wallpaper1zu1"), f.einsZuEins) << f.zeilen;
    }
    // The thumbnail group reads BMP, JPG, Kein in that order.
    lxtest::WriteFile(dir / "Lumadex.INI", "[Einstellungen Bilder]\r\nJPGAnzeigen=1\r\nBMPAnzeigen=1\r\n");
    TProgrammEinstellungen e;
    e.Lesen(Ini());
    EXPECT_TRUE(e.Bool("JPGAnzeigen"));
    EXPECT_FALSE(e.Bool("BMPAnzeigen"));
    // Selecting one clears the others and reports each change.
    QStringList geaendert;
    e.OnChange = [&](const QString& k) { geaendert << k; };
    e.SetBool("KeinBildAnzeigen", true);
    EXPECT_FALSE(e.Bool("JPGAnzeigen"));
    EXPECT_EQ(geaendert, QStringList({"JPGAnzeigen", "KeinBildAnzeigen"}));
}

TEST_F(SettingsTest, FoldersAreMadeByTheirRuleAndTheSourceWarningComesOnce)
{
    lxtest::TempDir cd;
    lxtest::WriteDriveTable({{"C", "/", "HD"}, {"E", cd.str(), "CDROM"}});
    TProgrammEinstellungen e;
    e.SetProgrammPfad(Win(dir.path()));
    e.SetText("SourcePfad", "E:\\DCIM\\");
    e.SetText("TempBilderPfad", "A:\\Temp\\");
    // A file where a folder level belongs: the folder cannot be made.
    lxtest::WriteFile(dir / "datei", "x");
    e.SetText("ASCIIImportPfad", Win(dir / "datei") + "\\unten\\");
    QStringList fehler;
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrOk, "ist keine Festplatte");
        fehler = e.OrdnerAnlegen();
        EXPECT_EQ(script.Records().at(0).Text,
                  "Quellverzeichnis (E:\\DCIM\\) ist keine Festplatte, Pfadcheck und Neuanlage wird nicht durchgeführt!");
        EXPECT_EQ(script.Records().at(0).Caption, "Warnung");
    }
    {
        TPromptScript script;  // no second warning in the same run
        e.OrdnerAnlegen();
    }
    // "DATA\\..." resolves to the "Data" folder made first, as paths match without case.
    for (const char* ordner : {"Data/BACKUP", "Data/ASCIIExport", "Data/CDR", "Data/Pics/Scans", "Data/HTMLExport",
                               "Data/Pics", "Data/PrevPics"})
        EXPECT_TRUE(std::filesystem::is_directory(dir / ordner)) << ordner;
    EXPECT_FALSE(std::filesystem::exists(dir / "Data/Database"));  // not one of the made folders
    EXPECT_FALSE(std::filesystem::exists(cd / "DCIM"));
    EXPECT_EQ(fehler, QStringList{Win(dir / "datei") + "\\unten\\"});
    lxtest::WriteDriveTable({{"C", "/", "HD"}});
}

TEST_F(SettingsTest, PickListsComeFromTheSideFile)
{
    TProgrammEinstellungen e;
    e.MemoGruppenListe.Add("bisher");
    e.ReadPlayListFromMemo(Win(dir / "A.GPR"));  // no side file: the list stays
    EXPECT_EQ(e.MemoGruppenListe.ToQStringList(), QStringList{"bisher"});
    lxtest::WriteFile(dir / "B.GPR", "Familie\r\nUrlaub\r\n\r\n");
    e.ReadPlayListFromMemo(Win(dir / "B.GPR"));
    EXPECT_EQ(e.MemoGruppenListe.ToQStringList(), QStringList({"Familie", "Urlaub", ""}));
    lxtest::WriteFile(dir / "B.QUL", "Kamera\r\n");
    e.ReadQuellenFromMemo(Win(dir / "B.QUL"));
    EXPECT_EQ(e.MemoQuellenListe.ToQStringList(), QStringList{"Kamera"});
}
