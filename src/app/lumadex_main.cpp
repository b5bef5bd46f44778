#include "app/lumadex_main.h"

#include "app/auto_slide_show.h"
#include "app/prog_start_form.h"
#include "app/qt_translations.h"
#include "app/start_zeiten.h"
#include "app/unattended_prompts.h"
#include "dialogs/search_missed_files_form.h"
#include "dialogs/small_forms.h"
#include "mainwindow/main_form.h"
#include "platform/core/run_temp_folder.h"
#include "platform/dbf/dbe.h"
#include "platform/os/folders.h"
#include "platform/os/single_instance.h"
#include "platform/data/field.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/forms.h"
#include "report/output/rg_printer_list.h"
#include "report/output/rg_units.h"
#include "shared/qk_ini.h"
#include "datagrid/dk_table.h"
#include "storage/tdbe.h"
#include "storage/database_bridge.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <cstring>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kTitel = QStringLiteral("QV-Lumadex v1.50");

// SIGTERM and SIGINT (the session ends, the user presses Ctrl+C in a
// terminal) end the program the way the "Ende" command does, with the
// settings saved; the signal handler only writes a byte that the message
// loop reads.
int g_signalPipe[2] = {-1, -1};

void SignalHandler(int)
{
    const char c = 1;
    (void)!::write(g_signalPipe[1], &c, 1);
}

void SignaleAbfangen(QObject* parent, const std::function<void()>& beenden)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [beenden] {
        char c;
        (void)!::read(g_signalPipe[0], &c, 1);
        beenden();
    });
    struct sigaction sa {};
    sa.sa_handler = SignalHandler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}

QString RessourcenOrdner()
{
    const QString env = qEnvironmentVariable("LUMADEX_RESOURCES");
    if (!env.isEmpty())
        return env;
    const QString nebenan = QCoreApplication::applicationDirPath() + QStringLiteral("/resources");
    if (QDir(nebenan).exists())
        return nebenan;
    return QStringLiteral(LUMADEX_RESOURCES_DIR);
}

// True when Qt can find a window system: a display of X or Wayland, or a
// platform chosen by the user (QT_QPA_PLATFORM, "-platform").
bool DesktopDa(int argc, char** argv)
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0)
            return true;
    return false;
}

// What the main window shows of its album, for the start report: caption,
// album file, current record, the rows the grid holds with the first one's description,
// and the count in the status bar.
QString HauptfensterBeschreibung(TMainForm& f)
{
    const bool offen = f.TableBilder->Active();
    QString zeile;
    if (offen && !f.TableBilder->IsEmpty())
        zeile = f.TableBilder->FieldByName(QStringLiteral("SHORTDESC"))->AsString().trimmed();
    return QStringLiteral("titel=\"%1\" album=\"%2\" satz=%3 zeilen=%4 aktuell=\"%5\" anzahl=\"%6\"")
        .arg(f.Caption())
        .arg(f.StatusBarBilder2->Panels()->Items(0)->Text())
        .arg(offen ? f.DbeBilder->RecNo() : 0)
        .arg(offen ? f.TableBilder->RecordBufferCount() : 0)
        .arg(zeile)
        .arg(f.StatusBarBilder1->Panels()->Items(1)->Text());
}

}  // namespace

int LumadexMain(int argc, char** argv)
{
    // Without a window system Qt would abort; the user learns what to do.
    if (!DesktopDa(argc, argv)) {
        std::fputs("QV-Lumadex braucht eine grafische Oberfläche (X11 oder Wayland); es ist keine Anzeige gesetzt.\n"
                   "Ohne Bildschirm starten: QT_QPA_PLATFORM=offscreen scripts/run\n"
                   "QV-Lumadex needs a desktop (X11 or Wayland); no display is set.\n"
                   "To run without a screen: QT_QPA_PLATFORM=offscreen scripts/run\n",
                   stderr);
        return 2;
    }
    QApplication qapp(argc, argv);
    StartzeitQtNotieren();
    QApplication::setApplicationName(QStringLiteral("QV-Lumadex"));
    // Qt's own dialogs speak German like the rest of the program.
    if (!QtUebersetzungLaden())
        std::fputs("QV-Lumadex: Qt-Übersetzungen (qt6-translations-l10n) fehlen, Qt-Dialoge bleiben englisch.\n",
                   stderr);

    // Without a screen nobody can answer: prompts are logged and answered
    // with their safe choice.
    static TUnattendedPrompts unbeaufsichtigt;
    if (QGuiApplication::platformName() == QLatin1String("offscreen") ||
        QGuiApplication::platformName() == QLatin1String("minimal"))
        SetPromptService(&unbeaufsichtigt);

    // One copy per user.
    TSingleInstance instanz(kTitel);
    if (instanz.AndereKopieLaeuft()) {
        Application->MessageBox(QStringLiteral("Programm ist schon gestartet!"), QStringLiteral("Meldungsfenster"),
                                MB_OK);
        instanz.AndereKopieAktivieren();
        return 0;
    }
    instanz.Lauschen([] {
        TCustomForm* hauptfenster = Application->MainForm;
        if (!hauptfenster || !hauptfenster->Visible())
            return false;
        if (hauptfenster->Handle()->isMinimized())
            Application->Restore();
        else
            Application->BringToFront();
        return true;
    });

    if (InstallDatabaseBridge() != DBIERR_NONE) {
        std::fputs("QV-Lumadex: die Datenbankschicht konnte nicht gestartet werden.\n", stderr);
        return 1;
    }
    SeedProgramFolder(RessourcenOrdner());
    // Temporary files of earlier runs that were killed.
    ClearLeftoverRunFolders();
    // The print system is asked for its printers in the background, so the
    // first print or page setup does not wait for the answer.
    rgStartPrinterListQuery();
    StartzeitMarke("vorbereitet");
    // The report preview measures in the real screen's pixels per inch; the
    // offscreen platform keeps the fixed 96.
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            rgSetScreenPixelsPerInch(qRound(screen->logicalDotsPerInch()));

    Application->SetTitle(kTitel);
    Application->HelpFile = QStringLiteral("Lumadex.hlp");

    auto* splash = new TProgStartForm(Application);
    splash->Show();
    Application->ProcessMessages();
    splash->Handle()->repaint();
    StartzeitMarke("splash");

    // The forms of the whole run, in their order; the options dialog is
    // made by the main window's start-up, which reads the settings into it.
    TMainForm* MainForm = nullptr;
    TMeldungForm* MeldungForm = nullptr;
    TBilderDialogForm* BilderDialogForm = nullptr;
    TSearchMissedFilesForm* SearchMissedFilesForm = nullptr;
    try {
        MainForm = new TMainForm(Application);
        StartzeitMarke("gebaut");
        Application->MainForm = MainForm;
        // The full-text index is opened once the window has been painted.
        MainForm->VolltextNachDemZeigen();
        MainForm->DoCreate();
        StartzeitMarke("gestartet");
        Application->ProcessMessages();
    } catch (const std::exception& e) {
        // Logged by the exception logger the main window installed (or
        // shown by the application) and the loop runs with what exists.
        Application->HandleException(nullptr, e);
    }
    delete splash;

    // The full-text index and the other forms of the run show nothing at
    // the start: they are opened and made once the main window has been
    // painted (or before the first input reaches the program, should that
    // come first), so the window appears sooner.
    // The filter dialog may already exist when a command asked for it.
    const auto weitereFormen = [&] {
        try {
            MainForm->VolltextNachholen();
        } catch (const std::exception& e) {
            Application->HandleException(nullptr, e);
        }
        try {
            MeldungForm = new TMeldungForm(Application);
            if (!MainForm->BilderDialogForm) {
                BilderDialogForm = new TBilderDialogForm(Application);
                MainForm->BilderDialogForm = BilderDialogForm;
            }
            SearchMissedFilesForm = new TSearchMissedFilesForm(Application, MainForm->QKINI_Prog->INIFileName());
            // What the first filter command would make cold, made in idle passes.
            MainForm->FilterVorbereiten();
        } catch (const std::exception& e) {
            Application->HandleException(nullptr, e);
        }
    };

    if (MainForm && !Application->Terminated()) {
        SignaleAbfangen(MainForm->Handle(), [MainForm] {
            Application->Guarded(MainForm, [MainForm] { MainForm->BeendenAnfordern(); });
        });
        // While the option is on the slide show takes the screen saver's place.
        TAutoSlideShow autoSlideShow(HauptfensterAnbindung(MainForm));
        TNachErstemPaint nachPaint;
        nachPaint.Danach = weitereFormen;
        // Before the window's one-second start timer (Timer3) when no paint
        // comes (a window started minimised).
        nachPaint.SpaetestensMs = 500;
        nachPaint.Beschreibung = [MainForm] { return HauptfensterBeschreibung(*MainForm); };
        nachPaint.Beenden = [MainForm] {
            Application->Guarded(MainForm, [MainForm] { MainForm->BeendenAnfordern(); });
        };
        NachErstemPaint(MainForm->Handle(), nachPaint);
        MainForm->Show();
        StartzeitMarke("gezeigt");
        Application->Run();
    }

    delete SearchMissedFilesForm;
    delete BilderDialogForm;
    delete MeldungForm;
    if (MainForm) {
        Application->MainForm = nullptr;
        delete MainForm;
    }
    dbe_CloseAll();
    UninstallDatabaseBridge();
    return MainForm ? 0 : 1;
}
