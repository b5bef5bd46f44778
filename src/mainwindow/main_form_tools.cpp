// The main window's commands that hand their work to a dialog or tool: the
// album manager (and through it the CD-R preparation), upload from camera
// or scanner, the scans into the multi-picture components, HTML and ASCII
// export, ASCII import, e-mail, wallpaper, the thumbnail settings and the
// print layout chooser.

#include "mainwindow/main_form.h"

#include "controls/directory_chooser.h"
#include "datagrid/dk_table.h"
#include "dialogs/album_manager.h"
#include "dialogs/ascii_dialogs.h"
#include "dialogs/druckformate.h"
#include "dialogs/email.h"
#include "dialogs/html_export_form.h"
#include "dialogs/program_options.h"
#include "dialogs/small_forms.h"
#include "dialogs/wallpaper.h"
#include "imaging/image_window.h"
#include "imaging/multi_picture.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/data/field.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "shared/general_dates.h"
#include "shared/general_files.h"
#include "shared/general_system.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_ini.h"
#include "shared/utility_files.h"
#include "storage/grid_settings.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <cstring>

TMainForm::TBefehlsMethode TMainForm::WerkzeugBefehl(const char* name)
{
    static const struct {
        const char* Name;
        TBefehlsMethode Methode;
    } kBefehle[] = {
        {"Bilderuploaden1Click", &TMainForm::Bilderuploaden1Click},
        {"QKAutoButtonUploadenClick", &TMainForm::QKAutoButtonUploadenClick},
        {"BilderuploadenII1Click", &TMainForm::BilderuploadenII1Click},
        {"Button1Click", &TMainForm::Button1Click},
        {"Button3Click", &TMainForm::Button3Click},
        {"BilderHTMLExport1Click", &TMainForm::BilderHTMLExport1Click},
        {"ASCIIExport1Click", &TMainForm::ASCIIExport1Click},
        {"ASCIIImport1Click", &TMainForm::ASCIIImport1Click},
        {"CDRZusammenstellen2Click", &TMainForm::CDRZusammenstellen2Click},
        {"PereMailversenden1Click", &TMainForm::PereMailversenden1Click},
        {"BildalsHintergrundbildladen1Click", &TMainForm::BildalsHintergrundbildladen1Click},
        {"BilderlistenAuswahl1Click", &TMainForm::BilderlistenAuswahl1Click},
        {"Einzelbilddrucken2Click", &TMainForm::Einzelbilddrucken2Click},
        {"QKAutoButtonBilderDruckenClick", &TMainForm::QKAutoButtonBilderDruckenClick},
        {"Drucken2Click", &TMainForm::Drucken2Click},
    };
    for (const auto& b : kBefehle)
        if (std::strcmp(b.Name, name) == 0)
            return b.Methode;
    return nullptr;
}

// ---- Upload -----------------------------------------------------------------

void TMainForm::Bilderuploaden1Click(TObject* Sender)
{
    Application->ProcessMessages();
    int quelle = optionen_->Zahl(QStringLiteral("BilderUploadmodus"));
    if (quelle == 0) {
        quelle = UploadquelleWaehlen(UploadmodusEintraege());
        if (quelle < 0)
            return;
    }
    if (quelle == 0) {
        ShowMessage(QStringLiteral("Sie haben keine Uploadquelle angegeben, versuchen Sie es erneut..."));
        return;
    }
    StopUhr(QStringLiteral("START"));
    Ton(Sender);
    if (quelle == 2) {
        // Camera: the pictures are taken from the camera (through SANE) into
        // the source folder, then copied into the target folder.
        if (BilderDBFOffen() == 0)
            return;
        Protokoll(QStringLiteral("Info"), QStringLiteral("Bilderuploaden1Click(), Funktion gestartet !"));
        // The picture lands in the camera's source folder under the name the
        // copy into the target folder looks for.
        const QString ordner = IncludeTrailingBackslash(optionen_->Text(QStringLiteral("SourcePfad")));
        ForceDirectories(ordner);
        const QString maske = ordner + optionen_->Text(QStringLiteral("SourceFileNames"));
        QString endung = optionen_->Text(QStringLiteral("SourceFileSuffix")).trimmed();
        if (endung.isEmpty())
            endung = QStringLiteral("JPG");
        TImageWindow kamera(nullptr);
        kamera.Acquire(nullptr, maske + NaechsteFreieNummer(maske + QStringLiteral("*.") + endung) +
                                    QStringLiteral(".") + endung);
        if (MessageDlg(QStringLiteral("Bilder jetzt ins Zielverzeichnis kopieren ?"), mtConfirmation,
                       TMsgDlgButtons{mbYes, mbNo}) != mrYes)
            return;
        Handler("Bilderumkopieren1Click")(Sender);
    } else {
        if (!TableBilder->Active()) {
            Hinweis(QStringLiteral("Hinweis"), QStringLiteral("Es ist kein Fotoalbum geöffnet !"), 130);
            StatusBarBilder1->Panels()->Items(1)->SetText(QStringLiteral("0 von 0 Einträge angezeigt"));
            return;
        }
        Protokoll(QStringLiteral("Info"), QStringLiteral("Bilderuploaden1Click(), Funktion gestartet !"));
        QString ziel = optionen_->Text(QStringLiteral("ScannerZielDir"));
        if (optionen_->Bool(QStringLiteral("ScanZielDirImmerNachfragen"))) {
            TDirDlgForm dlg(nullptr);
            dlg.SetCaption(QStringLiteral("Zielpfad für zur scannendes Bild angeben !"));
            if (DirectoryExists(ziel))
                dlg.DirectoryListBox1->SetDirectory(ziel);
            if (dlg.ShowModal() != mrOk)
                return;
            ziel = OrdnerNormalisiert(dlg.DirectoryListBox1->Directory());
            optionen_->SetText(QStringLiteral("ScannerZielDir"), ziel);
        }
        PageControlBilder->SetActivePage(TabSheetGrossBild);
        TImageWindow scanner(nullptr);
        scanner.DefaultSavePath = ziel;
        if (scanner.AcquireFromScanner() &&
            MessageDlg(QStringLiteral("Gescanntes Bild jetzt speichern ?"), mtConfirmation,
                       TMsgDlgButtons{mbYes, mbNo}) == mrYes) {
            ShowMessage(QStringLiteral("ACHTUNG, Sie müssen unbedingt einen gültigen Dateinamen PLUS dateierweiterung "
                                       "(z.B. JPG) im nachfolgenden Speicherdialog eingeben!"));
            scanner.SaveAs();
            if (MessageDlg(QStringLiteral("Hinzufügen-Dialog jetzt starten ?"), mtConfirmation,
                           TMsgDlgButtons{mbYes, mbNo}) == mrYes)
                Handler("BilderHinzufuegen1Click")(Sender);
        }
    }
    const QString zeit = StopUhr(QStringLiteral("STOP"));
    if (optionen_->CheckBoxBearbeitungszeitAnzeigen) {
        Protokoll(QStringLiteral("Info"), QStringLiteral("Bilderuploaden1Click(), Bearbeitungszeit = ") + zeit);
        Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Bearbeitungszeit = ") + zeit, 100);
    } else {
        Protokoll(QStringLiteral("Info"), QStringLiteral("Bilderuploaden1Click(), Fertig !"));
    }
}

void TMainForm::QKAutoButtonUploadenClick(TObject*) { Bilderuploaden1Click(nullptr); }

void TMainForm::BilderuploadenII1Click(TObject*)
{
    TMultiPicture bild(nullptr);
    bild.ScanImage();
}

void TMainForm::Button1Click(TObject*)
{
    TMultiPicture bild(nullptr);
    if (MessageDlg(QStringLiteral("Scanner auswählen ?"), mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes)
        bild.SelectScanSource();
    bild.ScanImage();
}

void TMainForm::Button3Click(TObject*) { ShowMessage(qktGetVolumeId(QStringLiteral("A:\\"))); }

// ---- Export and import --------------------------------------------------------

void TMainForm::BilderHTMLExport1Click(TObject*)
{
    if (MessageDlg(QStringLiteral("Der HTML-Export bezieht sich immer auf die im Zugriff befindlichen Einträge des "
                                  "Fotoalbums (Filter), fortfahren?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrNo)
        return;
    if (BilderDBFOffen() == 0)
        return;
    THTMLExportKontext k;
    k.Dbe = DbeBilder;
    k.ExportOrdner = optionen_->Text(QStringLiteral("HTMLExportPfad"));
    if (!k.ExportOrdner.isEmpty())
        k.ExportOrdner = IncludeTrailingBackslash(k.ExportOrdner);
    k.ProgrammOrdner = lauf_.ProgrammPfad();
    k.IniDatei = QKINI_Prog->INIFileName();
    k.MeldungsZeit = lauf_.AnzeigeZeit();
    k.Infofarbe = optionen_->Farbe(QStringLiteral("Infofarbe"));
    k.Klang = [this](int n) { PrgWavSpielen(n); };
    k.GaugePanelVerbergen = [this] { BilderGaugePanel->SetVisible(false); };
    TPicHTMLForm form(nullptr, k);
    form.ShowModal();
}

namespace {

enum class TAsciiRichtung { Export, Import };

}  // namespace

static void AsciiBefehl(TMainForm& f, TObject* Sender, TAsciiRichtung richtung,
                        const std::function<void(const QString&)>& protokoll,
                        const std::function<void()>& optionen)
{
    if (f.BilderDBFOffen() == 0)
        return;
    if (auto* c = dynamic_cast<TComponent*>(Sender))
        f.PrgWavSpielen(c->Tag);
    const bool exp = richtung == TAsciiRichtung::Export;
    if (MessageDlg(exp ? QStringLiteral("Achtung, für diese Funktion ist es notwendig, dass ein ZielPfad für die "
                                        "Exportdateien eingestellt ist, Optionen-/Einstellungsmenü jetzt aufrufen? ")
                       : QStringLiteral("Achtung, für diese Funktion ist es notwendig, dass ein QuellPfad für die "
                                        "Importdateien eingestellt ist, Optionen-/Einstellungsmenü jetzt aufrufen? "),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes) {
        protokoll(exp ? QStringLiteral("Export1Click(), Optionenmenü aufgerufen!")
                      : QStringLiteral("ASCIIImport1Click(), Optionenmenü aufgerufen!"));
        optionen();
    }
    protokoll(exp ? QStringLiteral("Export1Click(), Bilder Export-Funktion aufgerufen!")
                  : QStringLiteral("ASCIIImport1Click(), Bilder Import-Funktion aufgerufen!"));
    TControlsDisabler aus(f.TableBilder);
    TProgrammOptionenStand& o = *f.ProgrammOptionen();
    if (exp) {
        TBilderDBFExportForm form(nullptr, f.DbeBilder, o.Text(QStringLiteral("ASCIIExportPfad")),
                                  f.Dienste().Lauf().ProgrammPfad());
        form.ShowModal();
    } else {
        TBilderDBFImportForm form(nullptr, f.DbeBilder, o.Text(QStringLiteral("ASCIIImportPfad")),
                                  f.Dienste().Lauf().ProgrammPfad());
        form.ShowModal();
    }
}

void TMainForm::ASCIIExport1Click(TObject* Sender)
{
    AsciiBefehl(
        *this, Sender, TAsciiRichtung::Export, [this](const QString& t) { Protokoll(QStringLiteral("Info"), t); },
        [this] {
            if (ProgrammOptionenForm)
                ProgrammOptionenForm->Zeigen(rtVerzeichnisse);
        });
}

void TMainForm::ASCIIImport1Click(TObject* Sender)
{
    AsciiBefehl(
        *this, Sender, TAsciiRichtung::Import, [this](const QString& t) { Protokoll(QStringLiteral("Info"), t); },
        [this] {
            if (ProgrammOptionenForm)
                ProgrammOptionenForm->Zeigen(rtVerzeichnisse);
        });
    if (TableBilder->Active())
        TableBilder->Refresh();
    BilderSatzAnzahlZeigen();
}

// ---- CD-R, e-mail, wallpaper --------------------------------------------------

void TMainForm::CDRZusammenstellen2Click(TObject* Sender)
{
    CDRStartFlag = true;
    try {
        AndereBilderdatenbankoeffnen1Click(Sender);
    } catch (...) {
        CDRStartFlag = false;
        throw;
    }
    CDRStartFlag = false;
}

void TMainForm::PereMailversenden1Click(TObject*)
{
    if (BilderDBFOffen() == 0)
        return;
    const QString pfad = TableBilder->FieldByName(QStringLiteral("PFAD"))->AsString().trimmed();
    BildPerEmailVersenden(pfad, *QKINI_Prog);
}

void TMainForm::BildalsHintergrundbildladen1Click(TObject*)
{
    if (BilderDBFOffen() == 0)
        return;
    WallpaperZeigen();
}

void TMainForm::WallpaperZeigen()
{
    QString pfad = TableBilder->FieldByName(QStringLiteral("PFAD"))->AsString().trimmed();
    if (!FileExists(pfad)) {
        bool gefunden = false;
        if (optionen_->Bool(QStringLiteral("WennFileNichtGefundenAnderesLWtesten")) && pfad.size() > 1) {
            for (char lw = 'C'; lw <= 'Z' && !gefunden; ++lw) {
                const QString versuch = QChar::fromLatin1(lw) + pfad.mid(1);
                if (FileExists(versuch)) {
                    pfad = versuch;
                    gefunden = true;
                }
            }
        }
        if (!gefunden) {
            // Without the picture there is nothing to set: say so and stop.
            ShowMessage(QStringLiteral("Bild ist nicht im Zugriff! Legen Sie den Datenträger \"") +
                        TableBilder->FieldByName(QStringLiteral("LABEL"))->AsString().trimmed() +
                        QStringLiteral("\" ein und versuchen Sie es erneut!"));
            return;
        }
    }
    TImageWindow bild(nullptr);
    bild.LoadFromFile(pfad, 0, 0);
    const QString datei =
        (lauf_.WindowsPfad().isEmpty() ? WindowsVerzeichnis() : lauf_.WindowsPfad()) + QStringLiteral("Galvora.BMP");
    if (!bild.ImageInWindow()->SaveImageToFile(datei, 100, 0)) {
        ShowMessage(QStringLiteral("Das Bild ") + pfad + QStringLiteral(" kann nicht als Hintergrundbild gespeichert "
                                                                         "werden!"));
        return;
    }
    HintergrundbildSetzen(datei, optionen_->Bool(QStringLiteral("WallpaperTile")),
                          optionen_->Bool(QStringLiteral("WallpaperStretch")));
}

// ---- Print layouts -------------------------------------

void TMainForm::BilderlistenAuswahl1Click(TObject* Sender)
{
    if (BilderDBFOffen() == 0)
        return;
    druck_.GrossBild8 = false;
    druck_.GrossBild10 = false;
    Ton(Sender);
    Protokoll(QStringLiteral("Info"), QStringLiteral("BilderlistenAuswahl1Click(), Funktion aufgerufen!"));
    TDruckformatKontext k;
    k.ProgrammOrdner = lauf_.ProgrammPfad();
    k.IniDatei = QKINI_Prog->INIFileName();
    k.DruckeBilderListe = [this](const QString& vorlage) { DruckeBilderListe(vorlage); };
    k.DruckeBilderListe2 = [this](const QString& vorlage) { DruckeBilderListe2(vorlage); };
    TBilderlistenForm form(nullptr, k);
    form.ShowModal();
}
