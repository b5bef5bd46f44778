// The real program binary, started offscreen in fresh folders: the first
// start makes and opens the standard album and shows its window, SIGTERM
// ends it through the "Ende" command with the settings written, and a
// second copy ends with its message while the first runs on.

#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/os/single_instance.h"
#include "shared/qk_ini.h"
#include "album_halter.h"
#include "test_environment.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>

LXTEST_ALBUM_HALTER_TEST()

namespace {

namespace fs = std::filesystem;

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(dir / "home");
        fs::create_directories(dir / "win");
        fs::create_directories(dir / "run");
        fs::permissions(dir / "run", fs::perms::owner_all);
    }
    void TearDown() override
    {
        for (QProcess* p : {&erste, &zweite})
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
    }

    QProcessEnvironment Umgebung(const std::string& log) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LUMADEX_HOME", QString::fromStdString((dir / "home").string()));
        env.insert("LUMADEX_WINDIR", QString::fromStdString((dir / "win").string()));
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString((dir / "run").string()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("LUMADEX_PROMPT_LOG", QString::fromStdString((dir / log).string()));
        env.insert("LANG", "C");
        return env;
    }
    void Starten(QProcess& p, const std::string& log)
    {
        p.setProcessEnvironment(Umgebung(log));
        p.start(QStringLiteral(LUMADEX_BINARY), {});
        ASSERT_TRUE(p.waitForStarted());
    }
    // Waits until the running copy answers that its main window shows.
    bool WarteAufFenster(QProcess& p)
    {
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString((dir / "run").string()));
        TSingleInstance instanz(QStringLiteral("QV-Lumadex v1.50"));
        // The process is polled until it answers or ends; a start takes a
        // few seconds, the bound only keeps a hanging program from holding
        // the test run for ever.
        for (int i = 0; i < 1200 && p.state() == QProcess::Running; ++i) {
            if (instanz.AndereKopieAktivieren(1000) == QLatin1String("SHOWN"))
                return true;
            QThread::msleep(100);
        }
        return false;
    }
    QString Ini(const QString& sektion, const QString& schluessel) const
    {
        TQKINI ini(nullptr);
        ini.SetINIFileName(*LinuxToWin(QString::fromStdString((dir / "win" / "Lumadex.INI").string())));
        return ini.INIReadString(sektion, schluessel, "<fehlt>");
    }

    lxtest::TempDir dir;
    QProcess erste;
    QProcess zweite;
};

TEST_F(ProgramTest, FirstStartShowsTheWindowWithTheStandardAlbumAndEndsWithTheSettingsWritten)
{
    Starten(erste, "prompts1.log");
    ASSERT_TRUE(WarteAufFenster(erste)) << erste.readAllStandardError().toStdString();
    const fs::path db = dir / "home" / "Data" / "Database";
    EXPECT_TRUE(fs::exists(db / "BILDER.DBF"));
    EXPECT_TRUE(fs::exists(db / "BILDER.CDX"));
    EXPECT_TRUE(fs::exists(db / "LXMan.DBF"));
    // The program folder holds what the program ships.
    EXPECT_TRUE(fs::exists(dir / "home" / "Logo.jpg"));
    EXPECT_TRUE(fs::exists(dir / "home" / "Lumadex.HIS"));

    ::kill(pid_t(erste.processId()), SIGTERM);
    ASSERT_TRUE(erste.waitForFinished(120000));
    EXPECT_EQ(erste.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(erste.exitCode(), 0);
    ASSERT_TRUE(fs::exists(dir / "win" / "Lumadex.INI"));
    EXPECT_EQ(Ini("Einstellungen Hauptprogramm", "ErstStart"), "0");
    EXPECT_EQ(Ini("Einstellungen Hauptprogramm", "ProgAufrufe"), "1");
    EXPECT_EQ(Ini("Einstellungen Hauptprogramm", "Revision"), "1.50.230 (31.05.2006)");
    EXPECT_EQ(Ini("Einstellungen Bilder", "BilderDBF").toUpper(), "BILDER.DBF");
    EXPECT_NE(Ini("Einstellungen Hauptprogramm", "GesamtNutzungsZeit"), "<fehlt>");
    const std::string log = lxtest::ReadFile(dir / "prompts1.log");
    EXPECT_NE(log.find("Programm-Link jetzt auf dem Desktop erstellen ?"), std::string::npos) << log;
    EXPECT_NE(log.find("Sie haben QV-Lumadex "), std::string::npos) << log;
    EXPECT_EQ(log.find("Es ist kein Fotoalbum"), std::string::npos) << log;
}

// A run that was killed left its temporary folder; the next start clears
// it, and keeps the folder of a run that still goes on.
TEST_F(ProgramTest, TheStartClearsTheTemporaryFoldersOfKilledRunsOnly)
{
    const pid_t tot = ::fork();
    if (tot == 0)
        ::_exit(0);
    ::waitpid(tot, nullptr, 0);
    const fs::path tmp = dir / "tmp";
    const fs::path alt = tmp / ("lumadex-" + std::to_string(tot) + "-k3j9x0qa");
    const fs::path laeuft = tmp / ("lumadex-" + std::to_string(::getpid()) + "-k3j9x0qa");
    lxtest::WriteFile(alt / "arcq1w2e3.tmp", "Seiten");
    lxtest::WriteFile(laeuft / "arcq1w2e3.tmp", "Seiten");
    QProcessEnvironment env = Umgebung("prompts1.log");
    env.insert("TMPDIR", QString::fromStdString(tmp.string()));
    erste.setProcessEnvironment(env);
    erste.start(QStringLiteral(LUMADEX_BINARY), {});
    ASSERT_TRUE(erste.waitForStarted());
    ASSERT_TRUE(WarteAufFenster(erste)) << erste.readAllStandardError().toStdString();
    EXPECT_FALSE(fs::exists(alt));
    EXPECT_TRUE(fs::exists(laeuft / "arcq1w2e3.tmp"));
    // The run keeps its temporaries in a folder of its own, which goes
    // when the run ends.
    const std::string eigener = "lumadex-" + std::to_string(erste.processId()) + "-";
    const auto eigenerDa = [&] {
        for (const auto& e : fs::directory_iterator(tmp))
            if (e.path().filename().string().starts_with(eigener))
                return true;
        return false;
    };
    EXPECT_TRUE(eigenerDa());
    ::kill(pid_t(erste.processId()), SIGTERM);
    ASSERT_TRUE(erste.waitForFinished(120000));
    EXPECT_EQ(erste.exitCode(), 0);
    EXPECT_FALSE(eigenerDa());
    EXPECT_TRUE(fs::exists(laeuft));
}

// Another program keeps the album's index lock and is stopped (Ctrl+Z, a
// debugger): SIGTERM still ends the program with its settings written, and
// the other program's album is left to it. (The engine waits 30 seconds
// for a held lock; the end waits for none, so the bound below, kept only
// against a hanging program, is far from reached.)
TEST_F(ProgramTest, SigtermEndsTheProgramWhileAStoppedProgramHoldsTheAlbum)
{
    Starten(erste, "prompts1.log");
    ASSERT_TRUE(WarteAufFenster(erste)) << erste.readAllStandardError().toStdString();
    const fs::path album = dir / "home" / "Data" / "Database" / "BILDER.DBF";
    lxtest::TAlbumHalter halter(album.string(), lxtest::THalteArt::Indexsperre);
    ASSERT_TRUE(halter.Haelt());
    ASSERT_TRUE(halter.Anhalten());

    ::kill(pid_t(erste.processId()), SIGTERM);
    ASSERT_TRUE(erste.waitForFinished(120000));
    EXPECT_EQ(erste.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(erste.exitCode(), 0);
    EXPECT_EQ(Ini("Einstellungen Hauptprogramm", "ErstStart"), "0");
    EXPECT_EQ(Ini("Einstellungen Hauptprogramm", "ProgAufrufe"), "1");
    EXPECT_NE(Ini("Einstellungen Hauptprogramm", "LastRecNo"), "<fehlt>");
    EXPECT_NE(Ini("Einstellungen Hauptprogramm", "GesamtNutzungsZeit"), "<fehlt>");
    const std::string log = lxtest::ReadFile(dir / "prompts1.log");
    EXPECT_NE(log.find("Sie haben QV-Lumadex "), std::string::npos) << log;

    // The other program goes on and keeps its entry.
    EXPECT_EQ(halter.Loslassen(), 0);
    ASSERT_NE(dbe_Use(album.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    EXPECT_EQ(dbe_RecCount(), 1u);
    dbe_Close();
}

TEST_F(ProgramTest, SecondCopyEndsWithItsMessageAndTheFirstRunsOn)
{
    Starten(erste, "prompts1.log");
    ASSERT_TRUE(WarteAufFenster(erste)) << erste.readAllStandardError().toStdString();
    Starten(zweite, "prompts2.log");
    ASSERT_TRUE(zweite.waitForFinished(120000));
    EXPECT_EQ(zweite.exitCode(), 0);
    const std::string log = lxtest::ReadFile(dir / "prompts2.log");
    EXPECT_NE(log.find("Meldungsfenster\tProgramm ist schon gestartet!"), std::string::npos) << log;
    EXPECT_EQ(erste.state(), QProcess::Running);

    ::kill(pid_t(erste.processId()), SIGTERM);
    ASSERT_TRUE(erste.waitForFinished(120000));
    EXPECT_EQ(erste.exitCode(), 0);
    // The second copy wrote nothing: the start count is the first copy's.
    EXPECT_EQ(Ini("Einstellungen Hauptprogramm", "ProgAufrufe"), "1");
}

// The forms the window does not show are made after its first paint: the
// window shows its album, its current entry and the grid's rows at that
// first paint already, and the same once the work after it is done.
TEST_F(ProgramTest, TheFirstPaintShowsTheAlbumTheCurrentEntryAndTheGridRowsAsTheSettledWindowDoes)
{
    // Runs the program until its window has been painted and the work after
    // the paint is done; gives its two reports of what the window shows.
    const auto Lauf = [&](const std::string& log) {
        QProcessEnvironment env = Umgebung(log);
        env.insert("LUMADEX_STARTZEITEN", "ende");
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(LUMADEX_BINARY), {});
        EXPECT_TRUE(p.waitForFinished(120000));
        EXPECT_EQ(p.exitCode(), 0);
        const QString fehler = QString::fromUtf8(p.readAllStandardError());
        const auto zeile = [&](const char* art) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^%1 (.*)$").arg(QLatin1String(art)), QRegularExpression::MultilineOption)
                    .match(fehler);
            return m.hasMatch() ? m.captured(1) : QStringLiteral("<fehlt: ") + fehler + u'>';
        };
        return std::pair{zeile("lumadex-fenster"), zeile("lumadex-fenster-danach")};
    };
    // The first start makes the standard album; 40 entries go in. (The
    // last current entry of the settings is gone to a second after the
    // start, by the start's timer; the first paint shows the album's first.)
    Lauf("prompts1.log");
    const fs::path album = dir / "home" / "Data" / "Database" / "BILDER.DBF";
    ASSERT_TRUE(fs::exists(album));
    ASSERT_NE(dbe_Use(album.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0);
    for (int i = 1; i <= 40; ++i) {
        dbe_AppendBlank();
        dbe_Replace("SHORTDESC", DBE_REPL_TEXT, ("Eintrag " + std::to_string(i)).c_str());
    }
    dbe_Commit();
    dbe_Close();

    const auto [gemalt, danach] = Lauf("prompts2.log");
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("album=\"([^\"]*)\" satz=(\\d+) zeilen=(\\d+) aktuell=\"([^\"]*)\" "
                                          "anzahl=\"([^\"]*)\""))
            .match(gemalt);
    ASSERT_TRUE(m.hasMatch()) << gemalt.toStdString();
    EXPECT_TRUE(m.captured(1).endsWith(QStringLiteral("\\Data\\Database\\BILDER.DBF"), Qt::CaseInsensitive))
        << gemalt.toStdString();
    EXPECT_EQ(m.captured(2), "1");
    EXPECT_EQ(m.captured(4), "Eintrag 1");
    // The grid holds rows around the entry (as many as it shows, fewer than
    // the album's 40).
    EXPECT_GT(m.captured(3).toInt(), 5) << gemalt.toStdString();
    EXPECT_LT(m.captured(3).toInt(), 40) << gemalt.toStdString();
    EXPECT_EQ(m.captured(5), "40 von 40 Einträge angezeigt");
    EXPECT_EQ(danach, gemalt);
}

TEST_F(ProgramTest, WithoutADisplayTheProgramAndItsStartScriptSayHowToRunOffscreen)
{
    // The program itself and scripts/run (which stops before installing or
    // building anything) end with a plain exit code and both languages.
    const QString skript = QStringLiteral(LUMADEX_RESOURCES_DIR) + QStringLiteral("/../scripts/run");
    for (const QString& programm : {QStringLiteral(LUMADEX_BINARY), skript}) {
        QProcessEnvironment env = Umgebung("ohne-anzeige.log");
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(programm, {});
        ASSERT_TRUE(p.waitForStarted()) << programm.toStdString();
        ASSERT_TRUE(p.waitForFinished(-1));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << programm.toStdString();
        EXPECT_EQ(p.exitCode(), 2) << programm.toStdString();
        const QString fehler = QString::fromUtf8(p.readAllStandardError());
        for (const char* teil : {"braucht eine grafische Oberfläche", "needs a desktop",
                                 "QT_QPA_PLATFORM=offscreen scripts/run"})
            EXPECT_TRUE(fehler.contains(QString::fromUtf8(teil))) << programm.toStdString() << ": " << fehler.toStdString();
    }
}

}  // namespace
