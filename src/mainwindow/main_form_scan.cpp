// Adding pictures: the add command that shows the picture scan dialog (also
// for files dropped on the window), what the dialog reaches of the main
// window, and the copy of a camera folder's pictures into the destination
// folder that hands the copies to the add dialog.
#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "datacontrols/dk_db_combo.h"
#include "dialogs/program_options.h"
#include "dialogs/scan_host.h"
#include "dialogs/scan_pics.h"
#include "platform/core/file_utils.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win_path.h"
#include "platform/core/exceptions.h"
#include "platform/ui/menus.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/gauges.h"
#include "platform/ui/std_ctrls.h"
#include "shared/general_dates.h"
#include "shared/general_files.h"
#include "shared/general_texts.h"
#include "shared/picture_files.h"
#include "shared/qk_gauge.h"
#include "shared/status4_form.h"
#include "shared/utility_files.h"
#include "storage/grid_settings.h"

#include <QFile>

namespace {

// What the scan dialog uses of the main window itself; the open album and
// the program's services it takes as they are.
class TMainFormScan : public TScanHauptfenster {
public:
    explicit TMainFormScan(TMainForm& f) : f_(f) {}

    TProgrammEinstellungen& Einstellungen() override { return *f_.ProgrammOptionen(); }
    QStringList PickListe(int liste) const override
    {
        TdkDBComboBox* combos[4] = {f_.DBComboBoxBildQuelle, f_.DBComboBoxBilderQualitaet, f_.DBComboBoxMotivQualitaet,
                                    f_.DBComboboxBilderPlayListe};
        QStringList eintraege;
        if (liste >= 0 && liste < 4 && combos[liste])
            for (int i = 0; i < combos[liste]->Items().Count(); ++i)
                eintraege << combos[liste]->Items()[i];
        return eintraege;
    }
    void TabelleSperren(bool sperren) override
    {
        if (sperren)
            f_.TableBilder->DisableControls();
        else
            f_.TableBilder->EnableControls();
    }
    void TabelleAktualisieren() override
    {
        if (f_.TableBilder->Active())
            f_.TableBilder->Refresh();
    }
    void BilderSatzAnzahlZeigen() override { f_.BilderSatzAnzahlZeigen(); }
    void VorschaubilderNeuLaden() override
    {
        f_.AlbumAnsicht().VorschaubilderVeraltet();
        if (f_.PageControlBilder && f_.PageControlBilder->ActivePage() == f_.TabSheetVorschauBilder)
            f_.VorschaubilderEinlesen();
    }
    void Hilfe(const QString&) override { Application->HelpContext(330); }
    void VollbildAnzeigen(const QString& datei) override { f_.DateiVollbildAnzeigen(datei); }

private:
    TMainForm& f_;
};

}  // namespace

void TMainForm::BilderHinzufuegen1Click(TObject* Sender)
{
    Ton(Sender);
    if (BilderDBFOffen() == 0)
        return;
    GridLayoutSichern();
    Protokoll(QStringLiteral("Info"), QStringLiteral("BilderHinzufuegen1Click(), Funktion aufgerufen!"));
    {
        // Freed again also when the dialog ends by an error.
        TControlsDisabler gesperrt(TableBilder);
        TMainFormScan anbindung(*this);
        TfrmScanPics dialog(Application, Album(), Dienste(), anbindung);
        dialog.ShowModal();
        GridLayoutZuruecklesen();
    }
    TableBilder->Refresh();
    ZeigeVorschauBildAusBlob();
    BilderSatzAnzahlZeigen();
}

void TMainForm::QKAutoButtonBilderHinzufuegenClick(TObject* Sender)
{
    (void)Sender;
    BilderHinzufuegen1Click(nullptr);
    if (TableBilder->Active())
        TableBilder->EnableControls();
}

void TMainForm::BilderumlopierenStop1Click(TObject* Sender)
{
    Ton(Sender);
    UmkopierenAbbruch = true;
    Protokoll(QStringLiteral("Info"), QStringLiteral("BilderumlopierenStop1Click(), Mit ESC abgebrochen !"));
}

QString TMainForm::UmkopierName(const QString& datei) const
{
    const TProgrammOptionenStand& o = *optionen_;
    const QString ziel = MitBackslash(o.Text(QStringLiteral("DestPfad")));
    const QString suffix = o.Text(QStringLiteral("SourceFileSuffix"));
    if (o.Bool(QStringLiteral("DateTimeFileName"))) {
        QString zeit = DateTimeToStr(qktFileDateTime(datei));
        zeit.replace(QLatin1Char(':'), QLatin1Char('.'));
        return ziel + zeit + QLatin1Char('.') + suffix;
    }
    const QString prefix = o.Text(QStringLiteral("SourceFileNames"));
    const QString nummer = NaechsteFreieNummer(ziel + prefix + QStringLiteral("*.") + suffix);
    return ziel + prefix + NullenAuffuellen(nummer, 5) + QLatin1Char('.') + suffix;
}

void TMainForm::Bilderumkopieren1Click(TObject* Sender)
{
    Ton(Sender);
    if (BilderDBFOffen() == 0)
        return;
    if (MessageDlg(QStringLiteral("Achtung, für diese Funktion sind spezielle Einstellungen notwendig, "
                                  "Optionen-/Einstellungsmenü jetzt aufrufen? "),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes) {
        Protokoll(QStringLiteral("Info"), QStringLiteral("Bilderumkopieren1Click(), Optionenmenü aufgerufen!"));
        if (optionenDialog_)
            optionenDialog_->Dialog().Zeigen(rtKopieren);
    }
    TProgrammOptionenStand& o = *ProgrammOptionen();
    const QString quelle = MitBackslash(o.Text(QStringLiteral("SourcePfad")));
    const QString ziel = MitBackslash(o.Text(QStringLiteral("DestPfad")));
    const QString prefix = o.Text(QStringLiteral("SourceFileNames"));
    const QString suffix = o.Text(QStringLiteral("SourceFileSuffix"));
    const QString kanteText = o.Text(QStringLiteral("BreiteOderLaenge")).trimmed();
    const int kante = kanteText.toInt();
    const bool unterordner = o.Bool(QStringLiteral("InklusiveSubDirs"));
    if (GrossMitUmlauten(PfadVonDatei(quelle, true)) == GrossMitUmlauten(PfadVonDatei(ziel, true)) ||
        GleicheDatei(PfadVonDatei(quelle, true), PfadVonDatei(ziel, true))) {
        ShowMessage(QStringLiteral("Quell- und Zielverzeichnis dürfen nicht identisch sein, überprüfen Sie die Pfade "
                                   "in den Optionen !"));
        return;
    }

    // The source files, and of them those that will really be copied.
    TStringList dateien;
    const QString maske = prefix + QStringLiteral("*.") + suffix;
    if (unterordner) {
        DateienRekursivSammeln(quelle, maske, dateien);
    } else {
        const TStringList namen = DateiListe(quelle + maske);
        for (int i = 0; i < namen.Count(); ++i)
            dateien.Add(quelle + namen[i]);
    }
    const auto wirdKopiert = [&](const QString& datei) { return kanteText.isEmpty() || IstBildZielFormat(datei, kante); };
    if (o.Bool(QStringLiteral("FreienPlatzPruefen"))) {
        int64_t summe = 0;
        for (int i = 0; i < dateien.Count(); ++i)
            if (wirdKopiert(dateien[i]))
                summe += std::max<int64_t>(0, qktFileSize(dateien[i]));
        if (!GenugPlatzAufLaufwerk(ziel.isEmpty() ? QChar(u'C') : ziel.at(0), summe)) {
            ShowMessage(QStringLiteral("Nicht genug freier Speicherplatz auf Ziellaufwerk !"));
            return;
        }
    }
    if (MessageDlg(QStringLiteral("Es werden jetzt alle Bilder aus ") + quelle + maske + QStringLiteral(" nach ") + ziel +
                       QStringLiteral(" kopiert, fortfahren?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;

    StopUhr(QStringLiteral("START"));
    TMenuItem* stop = MenuItem(QStringLiteral("BilderumlopierenStop1"));
    if (stop)
        stop->SetEnabled(true);
    const QString caption = Caption();
    Screen->SetCursor(crHourGlass);
    Protokoll(QStringLiteral("Info"), QStringLiteral("Bilderumkopieren1Click(), Routine gestartet"));
    const auto ende = [&] {
        if (stop)
            stop->SetEnabled(false);
        SetCaption(caption);
        Screen->SetCursor(crDefault);
    };
    if (dateien.Count() == 0) {
        Protokoll(QStringLiteral("File"),
                  QStringLiteral("Bilderumkopieren1Click(), Keine Dateien zum Umkopieren gefunden, Routine abgebrochen"));
        ShowMessage(unterordner ? QStringLiteral("Keine Dateien zum Umkopieren gefunden, Routine abgebrochen!")
                                : QStringLiteral("Keine Dateien zum Umkopieren gefunden!"));
        ende();
        return;
    }
    Protokoll(QStringLiteral("Info"), QStringLiteral("Bilderumkopieren1Click(), ") + QString::number(dateien.Count()) +
                                          QStringLiteral(" Files in StringList eingelesen"));

    TStringList kopiert;    // destination names of verified copies
    TStringList geprueft;   // their sources: only these may be deleted
    {
        std::unique_ptr<TStatus4Frm> status(new TStatus4Frm(Application));
        status->QKGauge1->SetMaxValue(dateien.Count());
        status->Label1->SetCaption(QStringLiteral("Bilder umkopieren läuft, bitte warten...."));
        status->SetFormStyle(fsStayOnTop);
        status->Show();
        UmkopierenAbbruch = false;
        for (int i = 0; i < dateien.Count(); ++i) {
            const QString datei = dateien[i];
            status->QKGauge1->SetProgress(i + 1);
            SetCaption(QString::number(i + 1) + QLatin1Char('/') + QString::number(dateien.Count()));
            Application->ProcessMessages();
            if (UmkopierenAbbruch || EscAbbruch) {
                UmkopierenAbbruch = false;
                EscAbbruch = 0;
                Protokoll(QStringLiteral("File"), QStringLiteral("Bilderumkopieren1Click(), ESC gedrückt, Routine abgebrochen"));
                status.reset();
                ShowMessage(QStringLiteral("Abgebrochen!"));
                ende();
                return;
            }
            QString zielName;
            try {
                zielName = UmkopierName(datei);
            } catch (const std::exception&) {
                const QString text = QStringLiteral("Fehler bei der Namenserzeugung (") + datei + QStringLiteral(")");
                Protokoll(QStringLiteral("Fehler"), QStringLiteral("Bilderumkopieren1Click(), ") + text);
                FehlerKontextSetzen();
                ende();
                throw Exception(text);
            }
            if (!wirdKopiert(datei))
                continue;
            // A name that exists already is not written over: when it
            // holds the same picture it counts as copied, otherwise the
            // picture is not copied and its source is kept.
            bool gleich = false;
            if (BildDateiPruefen(zielName).Zustand == TDateiZustand::Da) {
                gleich = !GleicheDatei(datei, zielName) && GleicherInhalt(datei, zielName);
                if (!gleich) {
                    Protokoll(QStringLiteral("File"), QStringLiteral("Bilderumkopieren1Click(), ") + datei +
                                                          QStringLiteral(" nicht kopiert, ") + zielName +
                                                          QStringLiteral(" schon vorhanden"));
                    continue;
                }
            } else {
                gleich = BildKopieren(datei, zielName, false).Ok;
            }
            if (!gleich) {
                const QString text = QStringLiteral("Fehler beim Bilder kopieren von (") + datei + QStringLiteral(")");
                Protokoll(QStringLiteral("Fehler"), QStringLiteral("Bilderumkopieren1Click(), ") + text);
                ende();
                throw Exception(text);
            }
            Protokoll(QStringLiteral("File"), QStringLiteral("Bilderumkopieren1Click(), ") + datei + QStringLiteral(" kopiert"));
            kopiert.Add(zielName);
            geprueft.Add(datei);
        }
    }
    if (o.Bool(QStringLiteral("DeleteAfterCopy"))) {
        // Checked again: a later picture of the same name may have replaced
        // a copy (two pictures taken in the same second), and then its
        // source is the only one left.
        for (int i = 0; i < geprueft.Count(); ++i)
            if (FileExists(geprueft[i]) && GleicherInhalt(geprueft[i], kopiert[i]) &&
                !QuelleNachKopieLoeschen(geprueft[i], kopiert[i]))
                ShowMessage(geprueft[i] + QStringLiteral(" konnte nicht gelöscht werden!"));
    }
    if (kopiert.Count() > 0) {
        QStringList dateien;
        for (int i = 0; i < kopiert.Count(); ++i)
            dateien << kopiert[i];
        lauf_.DropListeSetzen(dateien);
        lauf_.DropUebergeben([this] { BilderHinzufuegen1Click(nullptr); });
    } else {
        ShowMessage(QStringLiteral("Keine oder keine gültigen Bilder gefunden und kopiert!"));
    }
    kopiert.Clear();
    Screen->SetCursor(crDefault);
    if (o.Bool(QStringLiteral("BearbeitungszeitAnzeigen")))
        Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Bearbeitungszeit = ") + ZeitMeldung(), 100);
    else if (o.Bool(QStringLiteral("AlleMeldungen")))
        Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Fertig !"), 100);
    SetCaption(caption);
    if (stop)
        stop->SetEnabled(false);
}
