#include "dialogs/bilder_loeschen.h"

#include "album/arbeitsbereich.h"
#include "album/offenes_album.h"
#include "album/programm_dienste.h"
#include "datagrid/dk_table.h"
#include "dialogs/album_dialog_host.h"
#include "dialogs/album_dialog_parts.h"
#include "dialogs/form_parts.h"
#include "dialogs/full_size_form.h"
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/data/dataset.h"
#include "platform/ui/buttons.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"
#include "shared/picture_files.h"
#include "shared/qk_ini.h"
#include "storage/tdbe.h"

#include <vector>

namespace {

const QString kSektion = QStringLiteral("Einstellungen LoeschDialog");

}  // namespace

TBilderLoeschenForm::TBilderLoeschenForm(TComponent* AOwner, TAlbumDialogHauptfenster& hauptfenster,
                                         TOffenesAlbum& album, TProgrammDienste& dienste)
    : TForm(AOwner), haupt_(hauptfenster), album_(album), dienste_(dienste)
{
    Name = QStringLiteral("BilderLoeschenForm");
    SetCaption(QStringLiteral("Bilder / Einträge löschen"));
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    KeyPreview = true;
    SetClientWidth(600);
    SetClientHeight(250);

    PanelMain = DialogControl<TPanel>(this, this, "PanelMain", 0, 0, 600, 250);
    PanelMain->SetCaption(QString());

    GroupBoxWelche = DialogGruppe(this, PanelMain, "GroupBoxWelche", QStringLiteral("Welche löschen"),
                                  Bounds(8, 8, 420, 72));
    RadioButtonNurSelektiertenSatzLoeschen =
        DialogRadio(this, GroupBoxWelche, "RadioButtonNurSelektiertenSatzLoeschen",
                    QStringLiteral("Nur ausgewählten Eintrag löschen"), 20, 320);
    RadioButtonAlleSaetzeLoeschen = DialogRadio(this, GroupBoxWelche, "RadioButtonAlleSaetzeLoeschen",
                                                QStringLiteral("Alle angezeigten Einträge löschen"), 44, 320);
    RadioButtonNurSelektiertenSatzLoeschen->SetChecked(true);

    GroupBoxOptionen =
        DialogGruppe(this, PanelMain, "GroupBoxOptionen", QStringLiteral("Optionen"), Bounds(8, 88, 420, 72));
    auto box = [this](const char* name, const QString& text, int top) {
        auto* c = new TCheckBox(this);
        c->Name = QString::fromLatin1(name);
        c->SetParent(GroupBoxOptionen);
        c->SetBounds(10, top, 405, 20);
        c->SetCaption(text);
        c->Tag = 12;
        return c;
    };
    CheckBoxBilderMitloeschen = box("CheckBoxBilderMitloeschen",
                                    QStringLiteral("Zum Eintrag gehörende Bilder (Dateien)  auch löschen"), 20);
    CheckBoxJedesBildVorLoeschenAnzeigen = box(
        "CheckBoxJedesBildVorLoeschenAnzeigen", QStringLiteral("Jedes Bild vor dem Löschen anzeigen (Sicherheitsabfrage)"), 44);
    CheckBoxJedesBildVorLoeschenAnzeigen->SetChecked(true);

    ImageWindow3 = DialogBild(this, PanelMain, "ImageWindow3", Bounds(440, 14, 150, 146));
    ImageWindow3->SetHint(QStringLiteral("Klick: Vollbildanzeige"));

    BitBtnDelete = DialogKnopf(this, PanelMain, QStringLiteral("BitBtnDelete"), bkOK, QStringLiteral("Löschen"),
                               TRect(8, 200, 8 + 110, 200 + 30));
    BitBtnDelete->ModalResult = mrNone;  // the run sets the result when it ends
    BitBtnClose = DialogKnopf(this, PanelMain, QStringLiteral("BitBtnClose"), bkClose, QString(),
                              TRect(130, 200, 130 + 110, 200 + 30));
    BitBtnHelp = DialogKnopf(this, PanelMain, QStringLiteral("BitBtnHelp"), bkHelp, QString(),
                             TRect(252, 200, 252 + 110, 200 + 30));

    QKINI1 = new TQKINI(this);
    QKINI1->Name = QStringLiteral("QKINI1");

    BitBtnDelete->OnClick = [this](TObject* s) { BitBtnDeleteClick(s); };
    BitBtnClose->OnClick = [this](TObject* s) { BitBtnCloseClick(s); };
    BitBtnHelp->OnClick = [this](TObject* s) { BitBtnHelpClick(s); };
    RadioButtonAlleSaetzeLoeschen->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
        RadioButtonAlleSaetzeLoeschenMouseUp();
    };
    CheckBoxBilderMitloeschen->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
        CheckBoxBilderMitloeschenMouseUp();
    };
    ImageWindow3->OnClick = [this](TObject* s) { ImageWindow3Click(s); };
    OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) { FormKeyUp(s, k, sh); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    QKINI1->OnReadINI = [this](TObject* s) { QKINI1ReadINI(s); };
    QKINI1->OnWriteINI = [this](TObject* s) { QKINI1WriteINI(s); };
    Loaded();
    FormCreate(this);
}

TBilderLoeschenForm::~TBilderLoeschenForm() = default;

void TBilderLoeschenForm::FormCreate(TObject*)
{
    QKINI1->SetINIFileName(dienste_.Ini().INIFileName());
    QKINI1->ReadINI();
    ZeigeVorschauBildAusBlob();
    TTextVollbildForm::Abbruch = false;
}

void TBilderLoeschenForm::QKINI1ReadINI(TObject*)
{
    const bool alle = QKINI1->INIReadBool(kSektion, QStringLiteral("AlleSaetzeLoeschen"), false);
    if (alle || !QKINI1->INIReadBool(kSektion, QStringLiteral("NurSelektiertenSatzLoeschen"), true))
        RadioButtonAlleSaetzeLoeschen->SetChecked(true);
    else
        RadioButtonNurSelektiertenSatzLoeschen->SetChecked(true);
    CheckBoxBilderMitloeschen->SetChecked(QKINI1->INIReadBool(kSektion, QStringLiteral("BilderMitloeschen"), false));
    CheckBoxJedesBildVorLoeschenAnzeigen->SetChecked(
        QKINI1->INIReadBool(kSektion, QStringLiteral("JedesBildVorLoeschenAnzeigen"), true));
}

void TBilderLoeschenForm::QKINI1WriteINI(TObject*)
{
    QKINI1->INIWriteBool(kSektion, QStringLiteral("NurSelektiertenSatzLoeschen"),
                         RadioButtonNurSelektiertenSatzLoeschen->Checked());
    QKINI1->INIWriteBool(kSektion, QStringLiteral("AlleSaetzeLoeschen"), RadioButtonAlleSaetzeLoeschen->Checked());
    QKINI1->INIWriteBool(kSektion, QStringLiteral("BilderMitloeschen"), CheckBoxBilderMitloeschen->Checked());
    QKINI1->INIWriteBool(kSektion, QStringLiteral("JedesBildVorLoeschenAnzeigen"),
                         CheckBoxJedesBildVorLoeschenAnzeigen->Checked());
}

void TBilderLoeschenForm::FormClose(TObject*, TCloseAction&)
{
    dienste_.TonSpielen(20);
    QKINI1->WriteINI();
    haupt_.AnsichtenZeigen(true);
}

void TBilderLoeschenForm::BitBtnCloseClick(TObject*)
{
    haupt_.AnsichtenZeigen(true);
    Close();
}

void TBilderLoeschenForm::BitBtnHelpClick(TObject*)
{
    dienste_.TonSpielen(50);
    haupt_.Hilfe(QStringLiteral("Hlp_BilderLoeschen"));
}

void TBilderLoeschenForm::RadioButtonAlleSaetzeLoeschenMouseUp()
{
    ShowMessage(QStringLiteral("ACHTUNG, wenn Sie jetzt den \"Löschen\" - Button drücken, werden alle angezeigten "
                               "Einträge (Sätze) gelöscht! "));
}

void TBilderLoeschenForm::CheckBoxBilderMitloeschenMouseUp()
{
    dienste_.TonSpielen(int(CheckBoxBilderMitloeschen->Tag));
    if (CheckBoxBilderMitloeschen->Checked())
        ShowMessage(QStringLiteral("ACHTUNG, wenn Sie jetzt den \"Löschen\" - Button drücken, werden die zum "
                                   "Datensatz gehörenden Bilder (Dateien) auch gelöscht! "));
}

void TBilderLoeschenForm::FormKeyUp(TObject*, Word& Key, TShiftState)
{
    if (Key == VK_ESCAPE)
        TTextVollbildForm::Abbruch = true;
}

void TBilderLoeschenForm::ImageWindow3Click(TObject*)
{
    haupt_.VollbildAnzeigen();
}

void TBilderLoeschenForm::ZeigeVorschauBildAusBlob()
{
    VorschauAusBlobZeigen(album_.Bilder().Dbe(), ImageWindow3);
}

bool TBilderLoeschenForm::EigenesMedium(bool einzeln)
{
    TDbe* dbe = album_.Bilder().Dbe();
    const QString pfad = dbe->GetTrimString(QStringLiteral("PFAD"));
    if (pfad.isEmpty())
        return true;
    const QString kennung = dbe->GetTrimString(QStringLiteral("LABELKENNU"));
    if (!MediumNichtImLaufwerk(pfad, kennung))
        return true;
    ++MediumFehlt;
    const QString text = MediumFehltText(pfad, dbe->GetTrimString(QStringLiteral("LABEL")), kennung);
    dienste_.Protokoll(QStringLiteral("Info"), QStringLiteral("BilderLoeschen, ") + text);
    if (einzeln)
        ShowMessage(text);
    return false;
}

void TBilderLoeschenForm::BildDateiLoeschen(const QString& pfad)
{
    if (pfad.isEmpty() || BildDateiPruefen(pfad).Zustand != TDateiZustand::Da)
        return;
    if (const TDateiErgebnis weg = BildLoeschen(pfad); !weg) {
        ++DateiFehler;
        dienste_.Protokoll(QStringLiteral("Fehler"), pfad + QStringLiteral(" konnte nicht gelöscht werden! ") + weg.Grund);
        MessageDlg(pfad + QStringLiteral(" konnte nicht gelöscht werden!"), mtWarning, {mbOK});
    }
}

void TBilderLoeschenForm::BitBtnDeleteClick(TObject*)
{
    TBusyGuard busy(laeuft_);
    if (!busy.Entered())
        return;
    TDbe* dbe = album_.Bilder().Dbe();
    if (!dbe || !dbe->IsActive() || dbe->QueryRecCount() == 0)
        return;
    Geloescht = 0;
    DateiFehler = 0;
    MediumFehlt = 0;
    const bool jedesVorher = CheckBoxJedesBildVorLoeschenAnzeigen->Checked();
    const bool dateien = CheckBoxBilderMitloeschen->Checked();
    if (dateien && haupt_.AlbumDialogOptionen().Sicherheitsabfragen &&
        MessageDlg(QStringLiteral("Sie haben die Option inkl. Bilderdateien löschen angewählt, wollen Sie wirklich "
                                  "auch die Bilder löschen (ggfs. nicht wieder herstellbar) ?"),
                   mtWarning, {mbYes, mbNo}) != mrYes)
        return;
    haupt_.AnsichtenZeigen(false);

    if (RadioButtonNurSelektiertenSatzLoeschen->Checked()) {
        if (dateien && !EigenesMedium(true)) {
            haupt_.AnsichtenZeigen(true);
            return;
        }
        const QString pfad = dbe->GetTrimString(QStringLiteral("PFAD"));
        dbe->Delete();
        ++Geloescht;
        if (dateien)
            BildDateiLoeschen(pfad);
        ZeigeVorschauBildAusBlob();
        ModalResult = mrOk;
        return;
    }
    AlleLoeschen();
    CheckBoxJedesBildVorLoeschenAnzeigen->SetChecked(jedesVorher);
    if (MediumFehlt > 0)
        ShowMessage(QString::number(MediumFehlt) +
                    QStringLiteral(" Einträge nicht gelöscht, ihr Datenträger ist nicht im Laufwerk (siehe Protokoll)."));
    ModalResult = mrOk;
}

void TBilderLoeschenForm::AlleLoeschen()
{
    TDbe* dbe = album_.Bilder().Dbe();
    TDataSet* tabelle = album_.Bilder().Tabelle();
    const bool dateien = CheckBoxBilderMitloeschen->Checked();
    tabelle->DisableControls();
    album_.NebenAnsichtenSchliessen();
    int alteOrder = -1;
    if (dbe->GetScope(0).isEmpty() && dbe->GetScope(1).isEmpty())
        alteOrder = dbe->SetOrder(0);
    const QString caption = Caption();
    // The entries of the run are taken first: a deleted entry leaves the
    // filter, the scope and the tags, which must not move the walk.
    std::vector<uint32_t> saetze;
    for (dbe->GoTop(); !dbe->Eof(); dbe->Skip(1))
        saetze.push_back(dbe->RecNo());
    bool neuGeoeffnet = false;
    try {
        int zaehler = 0;
        for (const uint32_t satz : saetze) {
            Application->ProcessMessages();
            ++zaehler;
            SetCaption(caption + QStringLiteral(" (") + QString::number(zaehler) + QStringLiteral(")"));
            if (TTextVollbildForm::Abbruch) {
                Screen->SetCursor(crDefault);
                TTextVollbildForm::Abbruch = false;
                ShowMessage(QStringLiteral("ESC gedrückt, abgebrochen!"));
                break;
            }
            dbe->Go(satz);
            if (CheckBoxJedesBildVorLoeschenAnzeigen->Checked()) {
                ZeigeVorschauBildAusBlob();
                const TModalResult antwort = MessageDlg(QStringLiteral("Den angezeigten Satz jetzt löschen ?"),
                                                        mtConfirmation, {mbYes, mbNo, mbCancel, mbAll});
                if (antwort == mrCancel)
                    break;
                if (antwort == mrNo)
                    continue;
                if (antwort == mrAll)
                    CheckBoxJedesBildVorLoeschenAnzeigen->SetChecked(false);
            }
            if (dateien && !EigenesMedium(false))
                continue;
            const QString pfad = dbe->GetTrimString(QStringLiteral("PFAD"));
            if (dbe->QueryRecCount() == 1) {
                // The last entry of the filter: the album opens again after it.
                dbe->SetOrder(0);
                dbe->Go(satz);
                dbe->Delete();
                ++Geloescht;
                if (dateien)
                    BildDateiLoeschen(pfad);
                tabelle->EnableControls();
                album_.NeuOeffnen();
                neuGeoeffnet = true;
                break;
            }
            dbe->Delete();
            ++Geloescht;
            if (dateien)
                BildDateiLoeschen(pfad);
        }
    } catch (const std::exception&) {
        SetCaption(caption);
        tabelle->EnableControls();
        throw Exception(QStringLiteral("Es ist ein Fehler beim Löschen von Einträgen (Bilderdatensätzen) "
                                       "aufgetreten, bitte starten Sie das Programm neu !"));
    }
    SetCaption(caption);
    if (neuGeoeffnet) {
        album_.ZweiteAnsichtOeffnen();
        haupt_.BilderOhneFilter();
        return;
    }
    tabelle->EnableControls();
    album_.ZweiteAnsichtOeffnen();
    if (alteOrder >= 0) {
        dbe->SetOrder(alteOrder);
        if (dbe->IndexOrd() != alteOrder)
            throw Exception(QStringLiteral("Versucht, auf ungültigen Index (") + QString::number(alteOrder) +
                            QStringLiteral(") umzuschalten!"));
    }
    tabelle->Refresh();
    haupt_.BilderOhneFilter();
}
