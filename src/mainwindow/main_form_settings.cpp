// The main window's settings: reading them at start-up and writing them at
// shutdown through QKINI_Prog, with the rules that go with some keys.

#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win_path.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "datacontrols/dk_db_combo.h"
#include "datagrid/dk_db_grid.h"
#include "shared/general_files.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_ini.h"
#include "storage/tdbe.h"

#include <QDir>

namespace {


}  // namespace

void TMainForm::QKINI_ProgReadINI(TObject* Sender)
{
    (void)Sender;
    Einstellungen().Lesen(*QKINI_Prog);
    TEinstellungen& e = Einstellungen();

    lauf_.StartZaehlen(e.Int("ProgAufrufe"));
    const QString lw = e.Text("CDLaufwerk");
    CDLaufwerk = lw.isEmpty() ? QLatin1Char('D') : lw.at(0);
    lauf_.ErstStartSetzen(e.Bool("ErstStart"));
    LinkErstellt = e.Bool("LinkErstellt");

    // The grid ends in the stored mode: the item is set to the opposite and
    // the toggle runs once.
    if (TMenuItem* item = MenuItem(QStringLiteral("EditiermodusTabelle1"))) {
        item->SetChecked(!e.Bool("EditiermodusTabelle"));
        EditiermodusTabelle1Click(item);
    }
    BeiScrollBarClickZeigeVorschauBild = e.Bool("BeiScrollBarClickZeigeVorschauBild");
    if (TMenuItem* item = MenuItem(QStringLiteral("NurverfuegbareBilderanzeigen1")))
        item->SetChecked(e.Bool("NurVerfuegbare"));
    anzeige_.EinzelsatzAnzeige = e.Bool("EinzelsatzAnzeige");
    BereichBilder().SortierungSetzen(e.Int("BilderActiveOrder"));

    OrdnerPruefen();
    OptionenAnwenden();

    const QString name = Trim(e.Text("BilderDBF"));
    if (!name.isEmpty())
        BereichBilder().NameSetzen(name);
    const QString ordner = Trim(e.Text("BilderDBFPfad"));
    if (!ordner.isEmpty()) {
        QString o = ordner;
        while (o.endsWith(QLatin1Char('\\')))
            o.chop(1);
        BereichBilder().OrdnerSetzen(o + QLatin1Char('\\'));
    }
    SetDropDownCount();
    BlobRotate = e.Bool("VorschaubilderinUebersichtDrehen");
    const QString datenbanken = Trim(e.Text("DatenbankenVerzeichnis"));
    BereichDatenbanken().OrdnerSetzen(datenbanken.isEmpty() ? QString() : IncludeTrailingBackslash(datenbanken));

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
    // The folders as each setting's creation rule says (the warning for a
    // source folder that is not on a fixed disk comes once per run).
    ProgrammOptionen()->OrdnerAnlegen();
    const QString temp = IncludeTrailingBackslash(Einstellungen().Text("TempBilderPfad"));
    if (!DirectoryExists(temp))
        Einstellungen().Setzen("TempBilderPfad", lauf_.ProgrammPfad());
    else
        BlobTempDir = temp;
}

void TMainForm::OptionenAnwenden()
{
    const TEinstellungen& e = Einstellungen();
    Application->ShowHint = e.Bool("Maushilfe");
    const int pause = e.Int("MouseHintTime");
    Application->HintPause = pause == 0 ? 200 : pause * 1000;
    Application->HintHidePause = e.Int("HintHidePause") * 1000;
    lauf_.AnzeigeZeitSetzen(e.Int("RequesterAnzeigeZeit"));
    if (TMenuItem* ende = MenuItem(QStringLiteral("Ende4")))
        ende->SetVisible(e.Bool("EndeImMenu"));
    BeschriftungenSetzen();
    SetDropDownCount();
}

void TMainForm::BeschriftungenSetzen()
{
    const char* const editoren[][2] = {{"Bildexternbearbeiten_11", "Bildbearbeitung1"},
                                       {"Bildexternbearbeiten_21", "Bildbearbeitung1"},
                                       {"Bildexternbearbeiten_12", "Bildbearbeitung2"},
                                       {"Bildexternbearbeiten_22", "Bildbearbeitung2"},
                                       {"Bildexternbearbeiten_13", "Bildbearbeitung3"},
                                       {"Bildexternbearbeiten_23", "Bildbearbeitung3"}};
    for (const auto& ed : editoren)
        if (TMenuItem* item = MenuItem(QString::fromLatin1(ed[0])))
            item->SetCaption(Einstellungen().Text(ed[1]));
    TLabel* labels[] = {LabelBenutzerdefiniert1, LabelBenutzerdefiniert2, LabelBenutzerdefiniert3};
    for (int i = 0; i < 3; ++i) {
        const QString name = Einstellungen().Text(
            QStringLiteral("BezeichnerBenutzerdefiniertesFeld%1").arg(i + 1).toLatin1().constData());
        labels[i]->SetCaption(name);
        if (TMenuItem* item = MenuItem(QStringLiteral("AufBenutzerdefiniert%1_2").arg(i + 1)))
            item->SetCaption(QStringLiteral("Auf ") + name);
    }
}

void TMainForm::QKINI_ProgWriteINI(TObject* Sender)
{
    (void)Sender;
    TEinstellungen& e = Einstellungen();
    const TProgrammOptionenStand* o = ProgrammOptionen();
    e.Setzen("ProgAufrufe", lauf_.ProgAufrufe());
    e.Setzen("ProgrammPfad", lauf_.ProgrammPfad());
    e.Setzen("ProgPfad", lauf_.ProgrammPfad());
    e.Setzen("ErstStart", false);
    e.Setzen("LinkErstellt", LinkErstellt);
    e.Setzen("Revision", ProgrammRevision());
    if (QString(o->EditDatenbankenVerzeichnis).isEmpty())
        e.Setzen("DatenbankenVerzeichnis", BereichDatenbanken().Ordner());
    if (TMenuItem* item = MenuItem(QStringLiteral("EditiermodusTabelle1")))
        e.Setzen("EditiermodusTabelle", item->Checked());
    if (TMenuItem* item = MenuItem(QStringLiteral("BilderToolBarAnzeigen")))
        e.Setzen("Aktiv", item->Checked());
    if (TMenuItem* item = MenuItem(QStringLiteral("NurverfuegbareBilderanzeigen1")))
        e.Setzen("NurVerfuegbare", item->Checked());
    e.Setzen("EinzelsatzAnzeige", anzeige_.EinzelsatzAnzeige);
    e.Setzen("BeiScrollBarClickZeigeVorschauBild", BeiScrollBarClickZeigeVorschauBild);
    e.Setzen("BilderActiveOrder", BereichBilder().Sortierung());
    const bool offen = TableBilder->Active();
    e.Setzen("BilderDBF", offen ? TableBilder->TableName() : BereichBilder().Name());
    e.Setzen("BilderDBFPfad", offen ? IncludeTrailingBackslash(TableBilder->DatabaseName()) : BereichBilder().Ordner());
    // The album's place is read as it stands: the grid is not moved (a move
    // reads the index, which another program may hold).
    bool ort = offen;
    if (ort) {
        try {
            e.Setzen("LastRecNo", DbeBilder->RecNo());
            e.Setzen("LastOrder", DbeBilder->IndexOrd());
        } catch (const std::exception&) {
            ort = false;  // the keys keep what they held
        }
    }
    e.Schreiben(*QKINI_Prog, ort);
    ToolbarPositionSpeichern();
}

void TMainForm::SetDropDownCount()
{
    const int anzahl = int(uint8_t(Einstellungen().Int("ComboBoxDropDownCount")));
    for (TdkDBComboBox* combo : PicklistenCombos())
        combo->DropDownCount = anzahl;
}

void TMainForm::EditiermodusTabelle1Click(TObject* Sender)
{
    (void)Sender;
    TMenuItem* item = MenuItem(QStringLiteral("EditiermodusTabelle1"));
    if (!item)
        return;
    item->SetChecked(!item->Checked());
    // Ticked: the grid's cells can be edited (no row select).
    TdkDBGridOptions optionen = DBGridBilder->Options();
    if (item->Checked())
        optionen.Exclude(dgRowSelect);
    else
        optionen.Include(dgRowSelect);
    DBGridBilder->SetOptions(optionen);
}
