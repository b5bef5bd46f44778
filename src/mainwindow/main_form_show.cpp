// The main window appears: FormShow and the one-shot deferred start-up
// (Timer3Timer), with the routines they use.

#include "mainwindow/main_form.h"

#include "datagrid/dk_db_grid.h"
#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win_path.h"
#include "platform/os/shell.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "shared/general_files.h"
#include "shared/general_system.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_ini.h"
#include "shared/qk_wav.h"
#include "storage/grid_settings.h"
#include "dialogs/program_options.h"
#include "album/pick_list.h"
#include "mainwindow/programm_link.h"
#include "storage/tdbe.h"

#include <QCoreApplication>
#include <QRandomGenerator>

void TMainForm::FormShow(TObject* Sender)
{
    (void)Sender;
    // 1: the grid layout.
    if (TableBilder->Active()) {
        GridLayoutZuruecklesen();
    }
    // 2-4.
    PageControlBilder->SetActivePage(TabSheetBilderDatenbank);
    PageControlBilderdaten->SetActivePage(TabSheetBilderDBFTeil1);
    FeldfarbenSetzen();
    if (DirectoryExists(ProgrammOptionen()->EditTempDir))
        BlobTempDir = ProgrammOptionen()->EditTempDir;
    // 5.
    if (TableBilder->Active()) {
        DbeBilder->SetOrder(BereichBilder().Sortierung());
        BilderSatzAnzahlZeigen();
    }
    // 6: the desktop link, offered once.
    if (!LinkErstellt) {
        LinkErstellt = true;
        if (MessageDlg(QStringLiteral("Programm-Link jetzt auf dem Desktop erstellen ?"), mtConfirmation,
                       TMsgDlgButtons{mbYes, mbNo}) == mrYes) {
            const QString ordner = ProgrammLinkAnlegen(QStringLiteral("QV-Lumadex"));
            ShowMessage(ordner.isEmpty() ? QStringLiteral("Irgendwas ist bei der Erstellung des Links auf Ihrem "
                                                          "Desktop schief gegangen !")
                                         : ProgrammLinkMeldung(ordner));
        }
    }
    // 7.
    PageControlBilderdaten->SetVisible(anzeige_.EinzelsatzAnzeige);
    if (TMenuItem* item = MenuItem(QStringLiteral("Einzelsatzanzeige1")))
        item->SetChecked(anzeige_.EinzelsatzAnzeige);
    // 8.
    if (Screen->Width() == 640)
        ShowMessage(QStringLiteral("Ihr Computer ist auf eine Auflösung von 640x480 Pixel eingestellt, ab 800x600 "
                                   "Pixel ist für QV-Lumadex besser !"));
    // 9.
    Timer3->SetEnabled(true);
    // 10: on a first start the sounds stay off without their files, and the
    // single-record view is switched as the user left it.
    const QString tonOrdner = Trim(Einstellungen().Text("PRGWavePfad"));
    if (lauf_.ErstStart()) {
        if (!FileExists(IncludeTrailingBackslash(tonOrdner) + QStringLiteral("SCHOEN.WAV")))
            Einstellungen().Setzen("PRGWave", false);
    }
    // 11.
    if (QKINI_Prog->INIReadInteger(QStringLiteral("WinPos"), QStringLiteral("Main_LastRes"), 0) != Screen->Width())
        FensterAnfangsGroesse();
    // 12.
    if (Einstellungen().Bool("PRGWave"))
        QKWAV1->PlayWAV(IncludeTrailingBackslash(tonOrdner) + QStringLiteral("SCHOEN.WAV"), TwFlags{NODEFAULT});
    // The toolbar's place as it was left.
    ToolbarPositionLaden();
    // 13: no album.
    if (!TableBilder->Active()) {
        BildLaden(ImageWindow2, lauf_.ProgrammPfad() + QStringLiteral("Logo.jpg"));
        NachrichtenDialog(QStringLiteral("Hinweis"), QStringLiteral("Es ist kein Fotoalbum geöffnet !"),
                          lauf_.AnzeigeZeit(), 130, TColor(Einstellungen().Int("Infofarbe")), clBlack, true);
        StatusBarBilder1->Panels()->Items(1)->SetText(QStringLiteral("0 von 0 Einträge angezeigt"));
        StatusBarBilder2->Panels()->Items(0)->SetText(QString());
        return;
    }
    // 14: the toolbar as stored.
    if (TMenuItem* item = MenuItem(QStringLiteral("BilderToolBarAnzeigen"))) {
        item->SetChecked(!Einstellungen().Bool("Aktiv"));
        BilderToolBarAnzeigenClick(item);
    }
    // 15-16: the pick lists, saved beside the album unless it lies on a CD.
    // (the options dialog writes the side files unless the album lies on a CD)
    if (ProgrammOptionenForm) {
        ProgrammOptionenForm->ReadPlayListFromMemo();
        ProgrammOptionenForm->ReadQuellenFromMemo();
        PicklistenAnwenden();
    }
    // 17.
    VorschauTempDatei =
        IncludeTrailingBackslash(Einstellungen().Text("TempBilderPfad")) + QStringLiteral("VORSCHAU.BMP");
}

void TMainForm::Timer3Timer(TObject* Sender)
{
    (void)Sender;
    Timer3->SetEnabled(false);
    InstallPfad = ProgrammPfadGlobal;

    // 2: first-use notices, or the tips later.
    if (lauf_.ErstStart()) {
        FensterAnfangsGroesse();
        if (TableBilder->Active()) {
            if (DbeBilder->RecCount() <= 1)
                ShowMessage(QStringLiteral("Ihre Fotoalbum könnte noch leer sein, wählen Sie  \"Bearbeiten-> "
                                           "Hinzufügen\" um Bilderdateien in das Fotoalbum einzutragen...."));
            else
                ShowMessage(QStringLiteral("Mit \"Bearbeiten-> Hinzufügen\" oder per Drag&&Drop können Sie weitere "
                                           "Bilderdateien in das Fotoalbum eintragen...."));
            // Help shows only when the user asks for it.
        }
    } else {
        Timer2->SetEnabled(true);
    }

    // 3: the action log's size.
    const QString log = lauf_.ProgrammPfad() + QStringLiteral("LXLog.DBF");
    const int64_t maximum = Einstellungen().Int("MaxLogSize");
    const int64_t groesse = FileSizeOf(log);
    if (groesse > maximum * 1024) {
        bool loeschen = true;
        if (Einstellungen().Bool("Sicherheitsabfragen"))
            loeschen = MessageDlg(log + QStringLiteral(" ist größer als ") + QString::number(maximum) +
                                      QStringLiteral(" KB, soll sie jetzt gelöscht werden ?"),
                                  mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes;
        if (loeschen) {
            if (!DeleteFile(log)) {
                const QString text = QStringLiteral("Beim Löschen von ") + log +
                                     QStringLiteral(" ist irgendwas schief gegangen!");
                Protokoll(QStringLiteral("Info"), QStringLiteral("Timer3Timer(), ") + text);
                ShowMessage(text);
            } else {
                const QString text =
                    log + QStringLiteral(" war größer als ") + QString::number(maximum) +
                    QStringLiteral(" KB und wurde gelöscht!");
                Protokoll(QStringLiteral("Info"), QStringLiteral("Timer3Timer(), ") + text);
                ShowMessage(text);
            }
        }
    }

    // 4: another version since the last run.
    const QString revision = QKINI_Prog->INIReadString(QString::fromLatin1(kSektionHaupt),
                                                       QStringLiteral("Revision"), QString());
    if (!revision.isEmpty() && revision != ProgrammRevision()) {
        QKINI_Prog->INIWriteString(QString::fromLatin1(kSektionHaupt), QStringLiteral("LastRevision"), revision);
        MessageDlg(QStringLiteral("Sie haben seit dem letzten Programmstart eine andere (neuere?) Version von "
                                  "QV-Lumadex installiert, bitte lesen Sie unbedingt die Datei \"UPDATE.TXT\" und "
                                  "ggfs. die Datei \"Lumadex.HIS\" bevor Sie mit QV-Lumadex weiterarbeiten !"),
                   mtInformation, TMsgDlgButtons{mbOK});
        AktionV211();
    }

    // 7: the last order and record of the album.
    if (TableBilder->Active()) {
        DbeBilder->SetOrder(QKINI_Prog->INIReadInteger(QString::fromLatin1(kSektionHaupt), QStringLiteral("LastOrder"), 6));
        BilderSatzAnzahlZeigen();
        // The order the rows stand in (one whose tag cannot be read is not taken).
        const int order = DbeBilder->IndexOrd();
        const QString tag = DbeBilder->TagName(order);
        StatusBarBilder1->Panels()->Items(3)->SetText(
            order > 0 && !tag.isEmpty() ? QStringLiteral("Sortierung=") + tag : QStringLiteral("Sortierung=Keine"));
        const int satz = QKINI_Prog->INIReadInteger(QString::fromLatin1(kSektionHaupt), QStringLiteral("LastRecNo"), 1);
        if (satz >= 1 && uint32_t(satz) <= DbeBilder->RecCount())
            DbeBilder->Go(uint32_t(satz));
        AufSichtbarenEintrag();
        TableBilder->Refresh();
    }
    // 8.
    ZeigeVorschauBildAusBlob();
    // 10 and 13: the editors' menu captions and the user fields' names.
    BeschriftungenSetzen();
    // 11: the caption names the album.
    BasisCaption = Caption().left(100);
    ErsteCaption = BasisCaption;
    if (TableBilder->Active())
        SetCaption(BasisCaption + QStringLiteral(" (") + TableBilder->TableName() + QStringLiteral(")"));
    // 12: albums on inserted CDs.
    if (Einstellungen().Bool("CDRcheck")) {
        const QString gemerkt = Caption();
        SetCaption(QStringLiteral("Suche nach neuen Fotoalben auf eingelegten CD´s ...."));
        CheckObNeueAlbenAufCDR();
        SetCaption(gemerkt);
    }
    // 14.
    DBGridBilder->Invalidate();
}

void TMainForm::FensterAnfangsGroesse()
{
    const int breite = Screen->Width();
    if (breite < 1024)
        SetBounds(0, 0, Width(), Height());
    else if (breite == 1024)
        SetBounds(150, 100, Width(), Height());
    else if (breite == 1152)
        SetBounds(230, 170, Width(), Height());
    else if (breite == 1280)
        SetBounds(280, 200, Width(), Height());
}

void TMainForm::AktionV211()
{
    const QString sektion = QString::fromLatin1(kSektionHaupt);
    const QString letzte = Trim(QKINI_Prog->INIReadString(sektion, QStringLiteral("LastRevision"), QString()));
    if (letzte.isEmpty())
        return;
    try {
        VersionZerlegen(letzte);
        const int altMajor = VersionMajor, altMinor = VersionMinor, altBuild = VersionRelease;
        VersionZerlegen(ProgrammRevision());
        const bool neuer = VersionMajor >= altMajor && VersionMinor >= altMinor && VersionRelease > altBuild;
        if (neuer && altMajor == 1 && altMinor == 50 && altBuild >= 192 && altBuild <= 211) {
            QKINI_Prog->INIWriteString(sektion, QStringLiteral("LastRevision"), ProgrammRevision());
            ShowMessage(QStringLiteral("Packen Sie jedes Album einmal (Bearbeiten->Fotoalbenfunktionen), damit die "
                                       "Änderungen im Update greifen können!"));
        }
    } catch (const std::exception&) {
        throw Exception(QStringLiteral("Fehler beim Löschen von Indexdateien, starten Sie das Programm erneut!"));
    }
}

void TMainForm::LesePickliste(const QString& FieldName)
{
    anzeige_.PickListe.Clear();
    anzeige_.PickListe.SetSorted(true);
    anzeige_.PickListe.SetDuplicates(TDuplicates::dupIgnore);
    if (!TableBilder3->Active())
        album_->ZielOeffnen(BereichBilder().Dateien());
    if (!TableBilder3->Active())
        return;
    // Through the field's tag: one seek per distinct value. The tag holds the
    // entries that are not deleted, and so offers what the field filter,
    // which runs on that tag, can show. Without the tag every record is read
    // (deleted ones too: the filter then runs in natural order).
    if (PicklisteUeberTag(static_cast<uint16_t>(TableBilder3->Handle()), FieldName, anzeige_.PickListe))
        return;
    for (DbeBilder3->GoTop(); !DbeBilder3->Eof(); DbeBilder3->Skip(1)) {
        const QString wert = DbeBilder3->GetTrimString(FieldName);
        if (!wert.isEmpty())
            anzeige_.PickListe.Add(wert);
    }
}
