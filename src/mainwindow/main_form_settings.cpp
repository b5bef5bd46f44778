// The main window's settings: reading them at start-up and writing them at
// shutdown through QKINI_Prog, with the rules that go with some keys.

#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win_path.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/menus.h"
#include "shared/general_files.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_ini.h"
#include "storage/tdbe.h"

#include <QDir>

namespace {

const QString kRevision = QStringLiteral("1.50.230 (31.05.2006)");

bool AufDisketteLaufwerk(const QString& ordner)
{
    const QString lw = ordner.left(2).toUpper();
    return lw == QLatin1String("A:") || lw == QLatin1String("B:");
}

}  // namespace

void TMainForm::QKINI_ProgReadINI(TObject* Sender)
{
    (void)Sender;
    Einstellungen.Lesen(*QKINI_Prog);
    TEinstellungen& e = Einstellungen;

    ProgAufrufe = e.Int("ProgAufrufe") + 1;
    const QString lw = e.Text("CDLaufwerk");
    CDLaufwerk = lw.isEmpty() ? QLatin1Char('D') : lw.at(0);
    ErstStart = e.Bool("ErstStart");
    LinkErstellt = e.Bool("LinkErstellt");
    RequesterAnzeigeZeit = e.Int("RequesterAnzeigeZeit");

    if (!e.Bool("Maushilfe"))
        Application->ShowHint = false;
    const int pause = e.Int("MouseHintTime");
    Application->HintPause = pause == 0 ? 200 : pause * 1000;
    Application->HintHidePause = e.Int("HintHidePause") * 1000;

    // The grid ends in the stored mode: the item is set to the opposite and
    // the toggle runs once.
    if (TMenuItem* item = MenuItem(QStringLiteral("EditiermodusTabelle1"))) {
        item->SetChecked(!e.Bool("EditiermodusTabelle"));
        EditiermodusTabelle1Click(item);
    }
    BeiScrollBarClickZeigeVorschauBild = e.Bool("BeiScrollBarClickZeigeVorschauBild");
    if (TMenuItem* item = MenuItem(QStringLiteral("NurverfuegbareBilderanzeigen1")))
        item->SetChecked(e.Bool("NurVerfuegbare"));
    EinzelsatzAnzeige = e.Bool("EinzelsatzAnzeige");
    BilderActiveOrder = e.Int("BilderActiveOrder");

    OrdnerPruefen();

    const QString name = Trim(e.Text("BilderDBF"));
    if (!name.isEmpty())
        BilderDBF = name;
    const QString ordner = Trim(e.Text("BilderDBFPfad"));
    if (!ordner.isEmpty()) {
        QString o = ordner;
        while (o.endsWith(QLatin1Char('\\')))
            o.chop(1);
        BilderDBFPfad = o + QLatin1Char('\\');
    }
    ListenDateienSetzen();
    SetDropDownCount();
    BlobRotate = e.Bool("VorschaubilderinUebersichtDrehen");
    const QString datenbanken = Trim(e.Text("DatenbankenVerzeichnis"));
    DatenbankenPfad = datenbanken.isEmpty() ? QString() : IncludeTrailingBackslash(datenbanken);
    OptionenUebernehmen();

    // The process's current folder becomes the target folder of copies.
    QString ziel = e.Text("DestPfad");
    while (ziel.endsWith(QLatin1Char('\\')))
        ziel.chop(1);
    if (!ziel.isEmpty()) {
        const auto linux = WinToLinux(ziel);
        if (!linux || !QDir::setCurrent(*linux))
            MessageDlg(QStringLiteral("Konnte nicht nach ") + ziel + QStringLiteral(" wechseln"), mtWarning,
                       TMsgDlgButtons{mbOK});
    }
}

void TMainForm::OrdnerPruefen()
{
    TEinstellungen& e = Einstellungen;
    for (const char* k : {"ASCIIExportPfad", "ASCIIImportPfad", "CDRDir", "HTMLExportPfad", "BackupDir"})
        VerzeichnisPruefen(IncludeTrailingBackslash(e.Text(k)), true, false);
    for (const char* k : {"DestPfad", "TempBilderPfad", "VorschaubilderVerzeichnis"})
        if (!AufDisketteLaufwerk(e.Text(k)))
            VerzeichnisPruefen(IncludeTrailingBackslash(e.Text(k)), true, false);

    const QString quelle = IncludeTrailingBackslash(e.Text("SourcePfad"));
    if (!AufDisketteLaufwerk(quelle) && quelle.length() >= 2 && LaufwerkVorhanden(quelle.at(0))) {
        if (LaufwerksTyp(quelle.left(3)) == QLatin1String("HD")) {
            VerzeichnisPruefen(quelle, true, false);
        } else if (!DirectoryExists(quelle) && e.Bool("AlleMeldungen") && !QuellWarnungGezeigt) {
            QuellWarnungGezeigt = true;
            NachrichtenDialog(QStringLiteral("Warnung"),
                              QStringLiteral("Quellverzeichnis (") + quelle +
                                  QStringLiteral(") ist keine Festplatte, Pfadcheck und Neuanlage wird nicht "
                                                 "durchgeführt!"),
                              RequesterAnzeigeZeit, 0, TColor(e.Int("Infofarbe")), clBlack, true);
        }
    }
    const QString temp = IncludeTrailingBackslash(e.Text("TempBilderPfad"));
    if (!DirectoryExists(temp)) {
        e.Setzen("TempBilderPfad", ProgrammPfad);
    } else {
        BlobTempDir = temp;
    }
}

void TMainForm::OptionenUebernehmen()
{
    TProgrammOptionenStand* o = ProgrammOptionen();
    const TEinstellungen& e = Einstellungen;
    o->CheckBoxProtokollieren = e.Bool("Protokollieren");
    o->CheckBoxAlleMeldungen = e.Bool("AlleMeldungen");
    o->CheckBoxBearbeitungszeitAnzeigen = e.Bool("BearbeitungszeitAnzeigen");
    o->CheckBoxBerabeitungsMeldung = e.Bool("BerabeitungsMeldung");
    o->CheckBoxVorschauBilderAlsBlobSpeichern = e.Bool("VorschuBilderAlsBlobSpeichern");
    o->EditTempDir = IncludeTrailingBackslash(e.Text("TempBilderPfad"));
    o->EditDatenbankenVerzeichnis = DatenbankenPfad;
}

void TMainForm::QKINI_ProgWriteINI(TObject* Sender)
{
    (void)Sender;
    TEinstellungen& e = Einstellungen;
    const TProgrammOptionenStand* o = ProgrammOptionen();
    e.Setzen("ProgAufrufe", ProgAufrufe);
    e.Setzen("ProgrammPfad", ProgrammPfad);
    e.Setzen("ProgPfad", ProgrammPfad);
    e.Setzen("ErstStart", false);
    e.Setzen("LinkErstellt", LinkErstellt);
    e.Setzen("RequesterAnzeigeZeit", RequesterAnzeigeZeit);
    e.Setzen("Revision", kRevision);
    e.Setzen("Protokollieren", o->CheckBoxProtokollieren);
    e.Setzen("AlleMeldungen", o->CheckBoxAlleMeldungen);
    e.Setzen("BearbeitungszeitAnzeigen", o->CheckBoxBearbeitungszeitAnzeigen);
    e.Setzen("BerabeitungsMeldung", o->CheckBoxBerabeitungsMeldung);
    e.Setzen("VorschuBilderAlsBlobSpeichern", o->CheckBoxVorschauBilderAlsBlobSpeichern);
    e.Setzen("DatenbankenVerzeichnis", o->EditDatenbankenVerzeichnis.isEmpty() ? DatenbankenPfad
                                                                              : o->EditDatenbankenVerzeichnis);
    if (TMenuItem* item = MenuItem(QStringLiteral("EditiermodusTabelle1")))
        e.Setzen("EditiermodusTabelle", item->Checked());
    if (TMenuItem* item = MenuItem(QStringLiteral("BilderToolBarAnzeigen")))
        e.Setzen("Aktiv", item->Checked());
    if (TMenuItem* item = MenuItem(QStringLiteral("NurverfuegbareBilderanzeigen1")))
        e.Setzen("NurVerfuegbare", item->Checked());
    e.Setzen("EinzelsatzAnzeige", EinzelsatzAnzeige);
    e.Setzen("BeiScrollBarClickZeigeVorschauBild", BeiScrollBarClickZeigeVorschauBild);
    e.Setzen("BilderActiveOrder", BilderActiveOrder);
    const bool offen = TableBilder->Active();
    e.Setzen("BilderDBF", offen ? TableBilder->TableName() : BilderDBF);
    e.Setzen("BilderDBFPfad", offen ? IncludeTrailingBackslash(TableBilder->DatabaseName()) : BilderDBFPfad);
    if (offen) {
        e.Setzen("LastRecNo", DbeBilder->RecNo());
        const int order = DbeBilder->SetOrder(0);
        e.Setzen("LastOrder", order);
        DbeBilder->SetOrder(order);
    }
    e.Schreiben(*QKINI_Prog, offen);
}

void TMainForm::SetDropDownCount()
{
    // The pick-list combos come with the data-aware controls; the count is
    // kept in the settings until then.
    Einstellungen.Setzen("ComboBoxDropDownCount", int(uint8_t(Einstellungen.Int("ComboBoxDropDownCount"))));
}

void TMainForm::EditiermodusTabelle1Click(TObject* Sender)
{
    (void)Sender;
    TMenuItem* item = MenuItem(QStringLiteral("EditiermodusTabelle1"));
    if (!item)
        return;
    item->SetChecked(!item->Checked());
    // Ticked: the grid's cells can be edited (no row select); the grid
    // follows the item when it is made.
}
