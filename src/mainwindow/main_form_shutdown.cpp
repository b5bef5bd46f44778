// Shutdown with the usage-time account, the reset of the settings, dropped
// files, keys, sounds and hints, and the small program-level commands.

#include "mainwindow/main_form.h"
#include "mainwindow/bild_ansichten.h"

#include "datacontrols/dk_record_view.h"
#include "imaging/image_window.h"
#include "imaging/pic_box.h"
#include "mainwindow/main_options.h"
#include "mainwindow/programm_link.h"

#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win_path.h"
#include "platform/os/shell.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "controls/xtoolbar.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "shared/general_system.h"
#include "shared/app_exception.h"
#include "shared/general_texts.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_ini.h"
#include "shared/qk_wav.h"
#include "storage/grid_settings.h"
#include "dialogs/about_form.h"
#include "dialogs/program_options.h"
#include "dialogs/tips_dialog.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <QCoreApplication>
#include <QTimer>
#include <QFileInfo>

#include <limits>

QString TMainForm::ZeitText(int64_t ms)
{
    if (ms < 0)
        ms = 0;
    const int64_t sekunden = ms / 1000;
    const auto zwei = [](int64_t n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); };
    return zwei(sekunden / 3600) + QLatin1Char(':') + zwei((sekunden / 60) % 60) + QLatin1Char(':') +
           zwei(sekunden % 60);
}

int32_t TMainForm::GesamtZeitAddieren(int32_t gesamt, int64_t lauf)
{
    // The total is kept in 32 bits in the ini file; it stops at the largest
    // value instead of turning negative.
    const int64_t summe = int64_t(std::max(gesamt, 0)) + std::max<int64_t>(lauf, 0);
    return int32_t(std::min<int64_t>(summe, std::numeric_limits<int32_t>::max()));
}

int64_t TMainForm::DurchschnittProStart(int64_t gesamt, int starts)
{
    return starts > 0 ? gesamt / starts : 0;
}

void TMainForm::Ende1Click(TObject* Sender)
{
    if (lauf_.ProgrammEndet()) {
        // Asked again while the end runs: its notices close at once.
        if (endeLaeuft_)
            Application->RequestEnd();
        return;
    }
    if (EndeMussWarten()) {
        EndeVormerken();
        return;
    }
    EndeAusfuehren(Sender);
}

bool TMainForm::EndeMussWarten() const { return lauf_.BefehlLaeuft() || Application->InNestedLoop(); }

void TMainForm::EndeVormerken()
{
    // The running command stops as Esc stops it, modal dialogs close, and
    // waits for a busy album stop (see SetAlbumWaitStop).
    lauf_.EndeAnfordern();
    Application->RequestEnd();
    EndeZustellen();
}

void TMainForm::EndeZustellen()
{
    if (!endeZustellung_) {
        endeZustellung_ = new QTimer(Handle());
        endeZustellung_->setSingleShot(true);
        QObject::connect(endeZustellung_, &QTimer::timeout, Handle(), [this] {
            if (lauf_.ProgrammEndet())
                return;
            // A handler below still runs (a dialog that keeps its question
            // open, a command that finishes): looked at again shortly.
            if (EndeMussWarten()) {
                endeZustellung_->start(20);
                return;
            }
            EndeAusfuehren(nullptr);
        });
    }
    endeZustellung_->start(0);
}

void TMainForm::EndeSchritt(const QString& schritt, const std::function<void()>& ausfuehren)
{
    QString fehler;
    try {
        ausfuehren();
        return;
    } catch (const Exception& e) {
        fehler = e.Message;
    } catch (const std::exception& e) {
        fehler = QString::fromUtf8(e.what());
    } catch (...) {
        fehler = QStringLiteral("unbekannter Fehler");
    }
    const QString text = QStringLiteral("Ende1Click(), ") + schritt + QStringLiteral(": ") + fehler;
    AppException1->WriteEntry(text);
    try {
        Protokoll(QStringLiteral("Fehler"), text);
    } catch (...) {
        // the error log holds it
    }
}

void TMainForm::EndeAusfuehren(TObject* Sender)
{
    // Marked first: a wait for a busy album stops at once from here on (the
    // album is left as it is: it is the other program's), and a request
    // that comes meanwhile does not start a second end.
    lauf_.EndeBeginnt();
    Application->ClearEndRequest();
    endeLaeuft_ = true;
    Screen->SetCursor(crHourGlass);
    EndeSchritt(QStringLiteral("extern bearbeitete Bilder"), [this] {
        if (BildAnsichten().ExternBearbeiteteSaetze().Count() == 0)
            return;
        Screen->SetCursor(crDefault);
        if (MessageDlg(QStringLiteral("Bilder wurden u. U. bearbeitet, soll das Fotoalbum diese Einträge "
                                      "aktualisieren?"),
                       mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes)
            ExternbearbeiteteBilderaktualisieren1Click(nullptr);
    });
    if (Sender)
        EndeSchritt(QStringLiteral("Ton"),
                    [this, Sender] { PrgWavSpielen(static_cast<TComponent*>(Sender)->Tag, true); });
    // The record editor closes first: it notes its place and gives the
    // grid's combos back while the album is still open.
    EndeSchritt(QStringLiteral("Satzeditor"), [this] {
        if (TdkRecordViewForm* editor = RecordViewDialogBilder->Form())
            editor->Close();
    });

    // The settings and the grid layout (GridSettingsSpeichern) each go to
    // the file in one write.
    EndeSchritt(QStringLiteral("Einstellungen"), [this] {
        QKINI_Prog->BeginUpdate();
        try {
            QKINI_Prog->WriteINI();
            QKINI_Prog->EndUpdate();
        } catch (...) {
            QKINI_Prog->CancelUpdate();
            throw;
        }
    });
    if (TableBilder->Active()) {
        EndeSchritt(QStringLiteral("Gridsettings"), [this] {
            try {
                GridSettingsSpeichern(QKINI_Prog, QStringLiteral("BilderFieldPosition"),
                                      QStringLiteral("BilderFieldWidth"), TableBilder);
            } catch (const std::exception&) {
                Screen->SetCursor(crDefault);
                ShowMessage(QStringLiteral("Fehler beim Schreiben der Bilder-Gridsettings!"));
            }
        });
    }
    // What the user typed into the entry is saved while its album and the
    // full-text index are open; a save that fails is shown, not only logged.
    EndeSchritt(QStringLiteral("Eingabe"), [this] {
        try {
            Album().EingabeSichern();
        } catch (const std::exception& e) {
            Screen->SetCursor(crDefault);
            ShowMessage(QStringLiteral("Der geänderte Eintrag konnte nicht gespeichert werden: ") +
                        QString::fromUtf8(e.what()));
            TableBilder->Cancel();
        }
    });
    // The thumbnails read from the album: emptied before it closes, so the
    // page shows no cells without pictures while the closing notice stands.
    EndeSchritt(QStringLiteral("Vorschaubilder"), [this] {
        QKDBPicBox1->Items()->Clear();
        VorschaubilderVeraltet();
    });
    EndeSchritt(QStringLiteral("Volltextindex"), [this] {
        FtsBilder->Close();
        BereichBilder().FtsPuffer().clear();
    });
    EndeSchritt(QStringLiteral("Volltextindex Ziel"), [this] {
        FtsBilder3->Close();
        BereichBilder3().FtsPuffer().clear();
    });
    for (TdkTable* t : {TableBilder, TableBilder2, TableBilder3, TableBilderDatenbanken})
        EndeSchritt(t->Name, [t] { t->Close(); });

    // Usage time: the ticks are 32-bit, their difference is taken in 32 bits
    // (a wrap of the counter still gives the run) and summed in 64.
    const int64_t lauf = int64_t(uint32_t(uint32_t(GetTickCount64()) - LaufStartTick));
    int32_t gesamt = GesamtZeitAddieren(0, lauf);
    EndeSchritt(QStringLiteral("Nutzungszeit"), [this, lauf, &gesamt] {
        const QString sektion = QString::fromLatin1(kSektionHaupt);
        gesamt = GesamtZeitAddieren(QKINI_Prog->INIReadInteger(sektion, QStringLiteral("GesamtNutzungsZeit"), 0), lauf);
        QKINI_Prog->INIWriteInteger(sektion, QStringLiteral("GesamtNutzungsZeit"), gesamt);
    });
    const QString text = QStringLiteral("Sie haben QV-Lumadex ") + ZeitText(lauf) + QStringLiteral(" von Insgesamt ") +
                         ZeitText(gesamt) + QStringLiteral(" (Std:Min:Sek) benutzt");
    EndeSchritt(QStringLiteral("Abschlußmeldung"), [this, &text] {
        if (Einstellungen().Bool("MeldungNutzungsdauer"))
            NachrichtenDialog(QStringLiteral("Abschlußmeldung"),
                              text + QStringLiteral(", vielen Dank für Ihr Interesse an diesem Programm !"),
                              lauf_.AnzeigeZeit(), 130, TColor(Einstellungen().Int("Infofarbe")), clBlack, true);
    });
    EndeSchritt(QStringLiteral("Protokoll"), [this, &text] { Protokoll(QStringLiteral("Info"), QStringLiteral("Ende1Click(), ") + text); });

    Timer1->SetEnabled(false);
    Timer2->SetEnabled(false);
    Timer3->SetEnabled(false);
    Screen->SetCursor(crDefault);
    endeLaeuft_ = false;
    Application->ClearEndRequest();
    Application->Terminate();
    Application->ProcessMessages();
}

void TMainForm::FormClose(TObject* Sender, TCloseAction& Action)
{
    Ende1Click(Sender == this ? nullptr : Sender);
    // The window is freed by the main block once the message loop has
    // ended; an end that waits for the main loop keeps it shown until then.
    Action = lauf_.ProgrammEndet() ? caHide : caNone;
}

void TMainForm::DurchschnZeitproNutzung1Click(TObject* Sender)
{
    (void)Sender;
    const int64_t gesamt = QKINI_Prog->INIReadInteger(QString::fromLatin1(kSektionHaupt),
                                                      QStringLiteral("GesamtNutzungsZeit"), 0);
    ShowMessage(QStringLiteral("Sie haben QV-Lumadex durchschnittlich ") +
                ZeitText(DurchschnittProStart(gesamt, lauf_.ProgAufrufe())) +
                QStringLiteral(" (Std:Min:Sek) pro Programmstart benutzt, vielen Dank für Ihr Interesse an diesem "
                               "Programm !"));
}

void TMainForm::ResetundNeustart1Click(TObject* Sender)
{
    (void)Sender;
    if (MessageDlg(QStringLiteral("Jetzt die Grundeinstellungen wieder herstellen (ALLE individuelle Einstellungen "
                                  "gehen verloren) ?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    // The file the program really uses, whatever the case of its name.
    const QString datei = QKINI_Prog->IniPath();
    const QString anzeige = lauf_.WindowsPfad() + QStringLiteral("lumadex.ini");
    if (!DeleteFile(datei)) {
        ShowMessage(anzeige + QStringLiteral(" konnte NICHT gelöscht werden!"));
        return;
    }
    ShowMessage(anzeige + QStringLiteral(" gelöscht, bitte Programm neu starten!"));
    for (TdkTable* t : {TableBilder, TableBilder2, TableBilder3, TableBilderDatenbanken})
        t->Close();
    Timer1->SetEnabled(false);
    Timer2->SetEnabled(false);
    Timer3->SetEnabled(false);
    FtsBilder->Close();
    FtsBilder3->Close();
    // Ends without writing the settings.
    lauf_.EndeBeginnt();
    Application->Terminate();
}

void TMainForm::DateienFallengelassen(const QStringList& dateien)
{
    QStringList liste;
    for (const QString& d : dateien) {
        const auto win = d.contains(QLatin1Char('/')) ? LinuxToWin(d) : std::optional<QString>(d);
        liste << (win ? *win : d);
    }
    static const QStringList kGueltig = {QStringLiteral("JPG"), QStringLiteral("BMP"), QStringLiteral("PCX"),
                                         QStringLiteral("PNG"), QStringLiteral("TIF"), QStringLiteral("GIF")};
    bool gueltig = false;
    for (int i = int(liste.size()) - 1; i >= 0; --i) {
        const QString suffix = DateiSuffix(liste[i]).toUpper();
        if (kGueltig.contains(suffix)) {
            gueltig = true;
            QKINI_Prog->INIWriteBool(QStringLiteral("Einstellungen BilderScan"), QStringLiteral("Find") + suffix, true);
        } else {
            liste.removeAt(i);
        }
    }
    lauf_.DropListeSetzen(liste);
    if (!gueltig) {
        MessageDlg(QStringLiteral("Sie haben ein oder mehrere Dateien per Drag&&Drop an QV-Lumadex übergeben, es sind "
                                  "aber keine gültigen Bilderdateien darunter gewesen!"),
                   mtWarning, TMsgDlgButtons{mbOK});
        return;
    }
    if (ProgrammOptionen()->CheckBoxAlleMeldungen)
        MessageDlg(QStringLiteral("Sie haben ein oder mehrere Bilder per Drag&&Drop an QV-Lumadex übergeben, es wird "
                                  "jetzt der Hinzufügendialog aufgerufen!"),
                   mtInformation, TMsgDlgButtons{mbOK});
    // The add dialog takes the list over once it exists.
    lauf_.DropUebergeben([this] { Handler("BilderHinzufuegen1Click")(nullptr); });
}

void TMainForm::AutoBlaetternStoppen()
{
    for (const char* name : {"DatenbankautomatischVorwaertsblaettern", "DatenbankautomatischRueckwaertsblaettern"})
        if (TMenuItem* item = MenuItem(QString::fromLatin1(name)))
            item->SetChecked(false);
    Timer1->SetEnabled(false);
}

void TMainForm::FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift)
{
    (void)Sender;
    (void)Shift;
    if (Key == VK_F6) {
        Handler("BilderOhneFilter1Click")(nullptr);
        return;
    }
    if (Key & 0x7000) {
        // A progress notice of the engine's gauge hook.
        Application->ProcessMessages();
        Key = 0;
        return;
    }
    if (Key == VK_ESCAPE)
        lauf_.AbbruchSetzen(true);
}

void TMainForm::FormKeyUp(TObject* Sender, Word& Key, TShiftState Shift)
{
    (void)Sender;
    AutoBlaetternStoppen();
    if (Key == VK_ESCAPE) {
        lauf_.AbbruchSetzen(true);
        return;
    }
    if ((Key == VK_ADD || Key == VK_SUBTRACT) && TableBilder->Active() && TableBilder->State() == dsBrowse) {
        DbeBilder->Skip(Key == VK_ADD ? 1 : -1);
        TableBilder->Refresh();
        ZeigeVorschauBildAusBlob();
        return;
    }
    if (Shift == TShiftState{ssCtrl} && (Key == VK_F5 || Key == VK_F6 || Key == VK_F7)) {
        static const char* const kEditoren[] = {"Bildexternbearbeiten_11Click", "Bildexternbearbeiten_12Click",
                                                "Bildexternbearbeiten_13Click"};
        Handler(kEditoren[Key - VK_F5])(nullptr);
    }
}

QString TMainForm::WavPfad(const QString& ordner, long nummer) const
{
    return IncludeTrailingBackslash(Trim(ordner)) + QString::number(nummer).left(3) + QStringLiteral(".WAV");
}

void TMainForm::PrgWavSpielen(long Nummer, bool Flag)
{
    if (!Einstellungen().Bool("PRGWave") || Nummer <= 0)
        return;
    QKWAV1->PlayWAV(WavPfad(Einstellungen().Text("PRGWavePfad"), Nummer), Flag ? TwFlags{ASYNC} : TwFlags{NODEFAULT});
}

void TMainForm::HintWavSpielen(long Nummer)
{
    if (!Einstellungen().Bool("HintWave"))
        return;
    // The path is not cut: a long folder name still names its file.
    const QString datei = WavPfad(Einstellungen().Text("HintWavePfad"), Nummer);
    if (Nummer > 0 && FileExists(datei))
        QKWAV1->PlayWAV(datei, TwFlags{NODEFAULT});
}

long TMainForm::HintTonNummer(long tag, const QString& hint)
{
    if (tag != 0)
        return tag;
    static const std::pair<const char*, long> kTexte[] = {
        {"Zum Anfang des Fotoalbums springen", 101},       {"Zum vorherigen Datensatz gehen", 102},
        {"Zum nächsten Datensatz gehen", 103},             {"Zum Ende des Fotoalbums springen", 104},
        {"Den aktuellen Datensatz speichern", 108},        {"Die Änderungen am aktuellen Datensatz verwerfen", 109}};
    for (const auto& [text, nummer] : kTexte)
        if (hint == QString::fromUtf8(text))
            return nummer;
    return 0;
}

void TMainForm::SystemInfo1Click(TObject* Sender)
{
    Ton(Sender);
    ShowMessage(SystemInfoText());
}

void TMainForm::LinkaufDesktoperstellen1Click(TObject* Sender)
{
    (void)Sender;
    if (MessageDlg(QStringLiteral("Programm-Link jetzt auf dem Desktop erstellen ?"), mtConfirmation,
                   TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    const QString ordner = ProgrammLinkAnlegen(QStringLiteral("QV-Lumadex, die Bilderdateienverwaltung"));
    ShowMessage(ordner.isEmpty()
                    ? QStringLiteral("Irgendwas ist bei der Erstellung des Links auf Ihrem Desktop schief gegangen !")
                    : ProgrammLinkMeldung(ordner));
}

void TMainForm::Tips1Click(TObject* Sender)
{
    Ton(Sender);
    ShowTips(1, 10, QKINI_Prog->IniPath(), 20, false);
}

void TMainForm::Timer2Timer(TObject* Sender)
{
    (void)Sender;
    // A command that lets events through (a long print, a maintenance walk)
    // keeps the tips away: the timer stays on and tries again later.
    if (lauf_.BefehlLaeuft())
        return;
    Timer2->SetEnabled(false);
    ShowTips(1, 10, QKINI_Prog->IniPath(), 10, true);
}

void TMainForm::Ueber1Click(TObject* Sender)
{
    Ton(Sender);
    TAboutForm about(Application);
    about.Timer1->SetInterval(60000);
    about.ShowModal();
}

bool TMainForm::QKApp1Help(Word Command, int Data, bool& CallHelp)
{
    (void)Command;
    (void)Data;
    CallHelp = false;
    MessageDlg(QStringLiteral("Die Hilfe zu QV-Lumadex ist eine Windows-Hilfedatei (\"Lumadex.hlp\"); unter Linux gibt "
                              "es kein Programm, das sie anzeigen kann.\n\n"
                              "So finden Sie sich trotzdem zurecht:\n"
                              "- Lassen Sie den Mauszeiger kurz auf einer Schaltfläche oder einem Feld ruhen: ein "
                              "Hinweis sagt, wofür es da ist.\n"
                              "- Die Menüpunkte \"- Hinweis -\" unter \"Datei - Drucken\", \"Suchen\" und "
                              "\"Sortieren\" erklären diese Befehle.\n"
                              "- \"Hilfe - Tips\" zeigt Tipps zum Programm."),
               mtInformation, TMsgDlgButtons{mbOK});
    return true;
}

void TMainForm::Schnelleinstieg1Click(TObject* Sender)
{
    Ton(Sender);
    Application->HelpCommand(HELP_CONTENTS, 0);
}

void TMainForm::Onlinehilfe1Click(TObject* Sender)
{
    Ton(Sender);
    Application->HelpCommand(HELP_CONTENTS, 0);
}

void TMainForm::SortierHinweisClick(TObject* Sender)
{
    (void)Sender;
    PageControlBilder->SetActivePage(TabSheetBilderDatenbank);
    ShowMessage(QStringLiteral("Klicken Sie eine Spaltenüberschrift in der Listenanzeige an, um die Sortierung (Index) "
                               "umzuschalten..."));
}

void TMainForm::SuchHinweisClick(TObject* Sender)
{
    (void)Sender;
    PageControlBilder->SetActivePage(TabSheetBilderDatenbank);
    ShowMessage(QStringLiteral("Markieren Sie ein Feld in der Tabelle und wählen Sie über die rechte Maustaste den "
                               "Menüpunkt \"Feldsuche\" aus, um im dem markierten Feld eine Suche zu starten..."
                               "Einfacher und erheblich leistungsfähiger ist allerdings die Volltextsuche (s. unten)!"));
}

void TMainForm::Hinweis1Click(TObject* Sender)
{
    (void)Sender;
    ShowMessage(QStringLiteral("Aus der Vollbildanzeige heraus können Sie ein einzelnes Großbild ausdrucken, alles "
                               "andere sind Listenausdrucke!"));
}

void TMainForm::OnlineUpdate1Click(TObject* Sender)
{
    (void)Sender;
    ShowMessage(QStringLiteral("Internet-Update befindet sich in der Enwicklung!"));
}

void TMainForm::Dateiverschieben1Click(TObject* Sender)
{
    (void)Sender;
    ShowMessage(QStringLiteral("Funktion noch nicht eingebaut!"));
}

void TMainForm::GesprocheneProgrammvorstellung2Click(TObject* Sender)
{
    (void)Sender;
    ShowMessage(QStringLiteral("Wenn die Beta-Testphase abgeschlossen ist, wird man sich hier einen \"erzählen\" "
                               "lassen können..."));
}

void TMainForm::HistoryLumadexhis1Click(TObject* Sender)
{
    (void)Sender;
    // The history is a text file; the desktop's text viewer shows it.
    const QString datei = lauf_.ProgrammPfad() + QStringLiteral("lumadex.his");
    if (!OpenAsText(datei))
        ShowMessage(QStringLiteral("Fehler beim Starten von ") + datei);
}

void TMainForm::OptionenBilder1Click(TObject* Sender)
{
    Ton(Sender);
    Protokoll(QStringLiteral("Info"), QStringLiteral("OptionenBilder1Click(), Funktion aufgerufen!"));
    if (optionenDialog_)
        optionenDialog_->OptionenBilder1Click(Sender);
    PicklistenAnwenden();
}

void TMainForm::Hauptmenueausblenden1Click(TObject* Sender)
{
    (void)Sender;
    TMenuItem* einblenden = MenuItem(QStringLiteral("Hauptmenueeinblenden1"));
    if (Menu()) {
        SetMenu(nullptr);
        if (einblenden)
            einblenden->SetVisible(true);
    } else {
        SetMenu(MainMenuBilder);
        if (einblenden)
            einblenden->SetVisible(false);
    }
}

void TMainForm::Hauptmenueeinblenden1Click(TObject* Sender) { Hauptmenueausblenden1Click(Sender); }

void TMainForm::TabBar2ausblenden1Click(TObject* Sender)
{
    (void)Sender;
    // The tabs of the album pages show or hide.
    const bool sichtbar = TabSheetBilderDatenbank->TabVisible();
    for (int i = 0; i < PageControlBilder->PageCount(); ++i)
        PageControlBilder->Pages(i)->SetTabVisible(!sichtbar);
}

void TMainForm::BilderToolbarausblenden1Click(TObject* Sender)
{
    (void)Sender;
    // The big picture's own toolbar; the command's caption says what it
    // will do next.
    ImageWindow1->SetShowToolbar(!ImageWindow1->ShowToolbar());
    if (TMenuItem* item = MenuItem(QStringLiteral("BilderToolbarausblenden1")))
        item->SetCaption(ImageWindow1->ShowToolbar() ? QStringLiteral("Bilder-Toolbar ausblenden")
                                                     : QStringLiteral("Bilder-Toolbar einblenden"));
}

void TMainForm::BilderToolBarAnzeigenClick(TObject* Sender)
{
    (void)Sender;
    TMenuItem* item = MenuItem(QStringLiteral("BilderToolBarAnzeigen"));
    if (!item)
        return;
    item->SetChecked(!item->Checked());
    XToolBarBilderVerwaltung->SetVisible(item->Checked());
}

void TMainForm::StatusBarBilder1Click(TObject* Sender)
{
    (void)Sender;
    const bool sichtbar = !StatusBarBilder1->Visible();
    StatusBarBilder1->SetVisible(sichtbar);
    StatusBarBilder2->SetVisible(sichtbar);
    BilderSatzAnzahlZeigen();
}
