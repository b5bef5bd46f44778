// The start-up's rarer roads: taking over the albums of the predecessor
// program, the check of the albums folder, and a first start that finds its
// album through the album manager's current row.

#include "start_fixture.h"

#include "platform/core/file_utils.h"
#include "storage/tdbe.h"

#include <fstream>

namespace {

namespace fs = std::filesystem;

class StartWegeTest : public StartTest {
protected:
    // A first run leaves the standard album and the manager table; the
    // window is gone afterwards and the engine closed.
    void ErsterLauf()
    {
        StartenUndZeigen();
        Beenden();
        form.reset();
        dbe_CloseAll();
    }
    // Copies the file set of an album (DBF, CDX, FPT) under a new base name.
    static void AlbumKopieren(const fs::path& von, const fs::path& nach, const std::string& name)
    {
        fs::create_directories(nach);
        for (const char* endung : {".DBF", ".CDX", ".FPT"})
            fs::copy_file(von.string() + endung, (nach / (name + endung)), fs::copy_options::overwrite_existing);
    }
    // Writes the PFAD field of the manager table's first row.
    static void ManagerPfad(const fs::path& manager, const QString& pfad)
    {
        ASSERT_NE(dbe_Use(manager.string().c_str(), "MAN", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
        dbe_Go(1);
        const QByteArray text = pfad.toLatin1();
        ASSERT_EQ(dbe_Replace("PFAD", DBE_REPL_TEXT, text.constData()), 1) << dbe_LastError();
        dbe_Commit();
        dbe_Close();
    }
};

TEST_F(StartWegeTest, PredecessorAlbumsAreCopiedOnceAndTheQuestionIsNotAskedAgain)
{
    ErsterLauf();
    // The predecessor: its program folder with its program file, its data
    // folder with its manager table (BILDERDBF) and one album named in it.
    const fs::path alt = dir.path() / "kalvuno";
    const fs::path altDaten = alt / "daten";
    fs::create_directories(altDaten);
    std::ofstream(alt / "KALVUNO.EXE") << "x";
    fs::copy_file(Datenbank() / "LXMan.DBF", altDaten / "BILDERDBF.DBF");
    fs::copy_file(Datenbank() / "LXMan.CDX", altDaten / "BILDERDBF.CDX");
    AlbumKopieren(Datenbank() / "BILDER", altDaten, "URLAUB");
    ManagerPfad(altDaten / "BILDERDBF.DBF", Win(altDaten / "URLAUB.DBF"));
    fs::remove(Datenbank() / "LXMan.DBF");
    fs::remove(Datenbank() / "LXMan.CDX");
    lxtest::WriteFile(windir / "KALVUNO.INI", "[Einstellungen Hauptprogramm]\r\nProgrammPfad=" +
                                                  Win(alt).toStdString() + "\\\r\nDatenbankenVerzeichnis=" +
                                                  Win(altDaten).toStdString() + "\\\r\n");

    prompts.Antworten["Kalvuno-Installation"] = mrYes;
    ErsterLauf();
    EXPECT_TRUE(prompts.Gezeigt("Sollen die Fotoalben Ihrer Kalvuno-Installation in QV-Lumadex übernommen"));
    EXPECT_FALSE(prompts.Gezeigt("erneut wegen Datenübernahme nachfragen"));
    for (const char* datei : {"LXMan.DBF", "LXMan.CDX", "URLAUB.DBF", "URLAUB.CDX", "URLAUB.FPT"})
        EXPECT_TRUE(fs::exists(Datenbank() / datei)) << datei;
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "KalvunoDatenUebernahme"), "0");

    // Next start: no question any more.
    prompts.Texte.clear();
    ErsterLauf();
    EXPECT_FALSE(prompts.Gezeigt("Kalvuno-Installation"));
}

TEST_F(StartWegeTest, PredecessorWithoutItsProgramFileOrRefusedAsksNothingOrAsksToRepeat)
{
    const fs::path alt = dir.path() / "kalvuno";
    fs::create_directories(alt);
    lxtest::WriteFile(windir / "KALVUNO.INI",
                      "[Einstellungen Hauptprogramm]\r\nProgrammPfad=" + Win(alt).toStdString() + "\\\r\n");
    // Its program file missing: no question, our own ini file is used.
    ErsterLauf();
    EXPECT_FALSE(prompts.Gezeigt("Kalvuno-Installation"));
    EXPECT_TRUE(fs::exists(Ini()));
    EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "KalvunoDatenUebernahme"), "<fehlt>");

    // Refused, and asked again next time: the flag stays; refused for good: it goes.
    std::ofstream(alt / "KALVUNO.EXE") << "x";
    struct Fall {
        int Wiederholen;
        const char* Flag;
    };
    for (const Fall& f : {Fall{mrYes, "<fehlt>"}, Fall{mrNo, "0"}}) {
        prompts.Texte.clear();
        prompts.Antworten["Kalvuno-Installation"] = mrNo;
        prompts.Antworten["erneut wegen Datenübernahme nachfragen"] = f.Wiederholen;
        ErsterLauf();
        EXPECT_TRUE(prompts.Gezeigt("Kalvuno-Installation"));
        EXPECT_TRUE(prompts.Gezeigt("erneut wegen Datenübernahme nachfragen"));
        EXPECT_EQ(IniLesen("Einstellungen Hauptprogramm", "KalvunoDatenUebernahme"), f.Flag);
    }
}

TEST_F(StartWegeTest, AlbumsFolderThatCannotBeMadeIsReportedAndTheStartGoesOn)
{
    // The folder would lie below a file: it cannot be made.
    lxtest::WriteFile(dir.path() / "datei", "x");
    const std::string ordner = Win(dir.path() / "datei" / "alben").toStdString() + "\\";
    IniSchreiben("[Einstellungen Hauptprogramm]\r\nErstStart=0\r\nDatenbankenVerzeichnis=" + ordner + "\r\n");
    prompts.Antworten["existiert nicht, tragen Sie einen Pfad"] = mrCancel;
    Starten();
    EXPECT_TRUE(prompts.Gezeigt("Konnte Pfad (" + QString::fromStdString(ordner) + ") nicht anlegen!"));
    EXPECT_TRUE(prompts.Gezeigt("Pfad " + QString::fromStdString(ordner) +
                                " existiert nicht, tragen Sie einen Pfad zu den Fotoalben (Datenbanken) ein !"));
    EXPECT_FALSE(prompts.Gezeigt("<Modal"));  // Cancel: the options stay closed
}

TEST_F(StartWegeTest, FirstStartOpensTheAlbumOfTheManagersCurrentRow)
{
    ErsterLauf();
    const fs::path anderswo = dir.path() / "anderswo";
    AlbumKopieren(Datenbank() / "BILDER", anderswo, "REISE");
    struct Fall {
        QString Pfad;
        bool Offen;
    };
    // A full path opens that album; a path of one character opens none.
    for (const Fall& f : {Fall{Win(anderswo / "REISE.DBF"), true}, Fall{"X", false}}) {
        form.reset();
        dbe_CloseAll();
        for (const char* endung : {".DBF", ".CDX", ".FPT"})
            fs::remove(Datenbank() / (std::string("BILDER") + endung));
        ManagerPfad(Datenbank() / "LXMan.DBF", f.Pfad);
        fs::remove(Ini());  // a first start again
        Starten();
        EXPECT_TRUE(form->Dienste().Lauf().ErstStart());
        EXPECT_EQ(form->TableBilder->Active(), f.Offen) << f.Pfad.toStdString();
        if (f.Offen) {
            EXPECT_EQ(form->TableBilder->TableName().toUpper(), "REISE.DBF");
        }
        EXPECT_FALSE(fs::exists(Datenbank() / "BILDER.DBF")) << "no standard album is made instead";
    }
}

}  // namespace
