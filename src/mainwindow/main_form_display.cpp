// The album display: counts and byte sum, row and title colours, gauges,
// page switching, record moves, the single-record view and the thumbnail of
// the current entry.

#include "mainwindow/main_form.h"
#include "mainwindow/main_options.h"

#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win_path.h"
#include "platform/data/data_source.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "shared/general_texts.h"
#include "shared/qk_gauge.h"
#include "datacontrols/dk_db_combo.h"
#include "datacontrols/dk_db_edit.h"
#include "datacontrols/dk_record_view.h"
#include "shared/qk_ini.h"
#include "shared/qk_wav.h"
#include "storage/tdbe.h"

bool TMainForm::BildLaden(TImage* bild, const QString& datei)
{
    const auto pfad = WinToLinux(datei);
    if (!pfad || !FileExists(datei)) {
        bild->Picture()->SetGraphic(nullptr);
        return false;
    }
    try {
        bild->Picture()->LoadFromFile(*pfad);
        return true;
    } catch (const std::exception&) {
        bild->Picture()->SetGraphic(nullptr);
        return false;
    }
}

QString TMainForm::BytesText(int64_t summe)
{
    QString ziffern = QString::number(summe < 0 ? -summe : summe);
    for (int i = ziffern.length() - 3; i > 0; i -= 3)
        ziffern.insert(i, QLatin1Char('.'));
    return summe < 0 ? QLatin1Char('-') + ziffern : ziffern;
}

void TMainForm::BilderBytesZeigen()
{
    if (!TableBilder->Active() || !Einstellungen().Bool("BilderbytesAddieren") || !TableBilder2->Active())
        return;
    const int angezeigt = int(DbeBilder->QueryRecCount());
    if (angezeigt == anzeige_.LetzteSatzanzahl)
        return;
    anzeige_.LetzteSatzanzahl = angezeigt;
    Screen->SetCursor(crHourGlass);
    int64_t summe = 0;
    {
        TControlsDisabler aus(TableBilder2);
        DbeBilder2->Query(DbeBilder->Filter());
        for (DbeBilder2->GoTop(); !DbeBilder2->Eof(); DbeBilder2->Skip(1))
            summe += int64_t(Trim(DbeBilder2->GetString(QStringLiteral("Bytes"))).toDouble());
    }
    Screen->SetCursor(crDefault);
    StatusBarBilder1->Panels()->Items(2)->SetText(BytesText(summe));
}

void TMainForm::GridSeiteZeigen() { PageControlBilder->SetActivePage(TabSheetBilderDatenbank); }

void TMainForm::EinzelsatzVerbergen() { PageControlBilderdaten->SetVisible(false); }

void TMainForm::EinzelsatzWiederherstellen() { PageControlBilderdaten->SetVisible(anzeige_.EinzelsatzAnzeige); }

void TMainForm::FortschrittVerbergen() { BilderGaugePanel->SetVisible(false); }

void TMainForm::GridVerbergen() { PanelBilderGrid->SetVisible(false); }

void TMainForm::GridZeigen() { PanelBilderGrid->SetVisible(true); }

void TMainForm::SatzAnzahlTextZeigen(const QString& text) { StatusBarBilder1->Panels()->Items(1)->SetText(text); }

void TMainForm::AktualisiereBilderGauge(int Total, int Current)
{
    if (Total <= 0)
        return;
    BilderGaugePanel->SetVisible(true);
    const int prozent = int(int64_t(Current) * 100 / Total);
    QKGaugeBilder->SetProgress(prozent);
    if (prozent >= 100)
        BilderGaugePanel->SetVisible(false);
    Application->ProcessMessages();
}

void TMainForm::AktualisiereBilderGauge2(int Total, int Current)
{
    if (Total <= 0)
        return;
    BilderGaugePanel2->SetVisible(true);
    const int prozent = int(int64_t(Current) * 100 / Total);
    QKGaugeBilder2->SetProgress(prozent);
    if (prozent >= 100)
        BilderGaugePanel2->SetVisible(false);
    Application->ProcessMessages();
}

TColor TMainForm::ZeilenFarbe(int zeile, bool zugriff, TColor vorgabe) const
{
    if (!Einstellungen().Bool("FarbSystemBenutzen"))
        return vorgabe;
    TColor farbe = vorgabe;
    if (Einstellungen().Bool("RowColors"))
        farbe = TColor(Einstellungen().Int(zeile % 2 ? "GeradeGridZeilenColor" : "UngeradeGridZeilenColor"));
    if (Einstellungen().Bool("NichtDaRowColors") && !zugriff)
        farbe = TColor(Einstellungen().Int("NoAccessGridRowsColor"));
    return farbe;
}

TColor TMainForm::TitelFarbe(const QString& feldName, TColor vorgabe) const
{
    if (!Einstellungen().Bool("FarbSystemBenutzen") || BereichBilder().Tags().Count() == 0 || !TableBilder->Active())
        return vorgabe;
    bool enthalten = false;
    for (int i = 0; i < BereichBilder().Tags().Count(); ++i)
        enthalten |= BereichBilder().Tags()[i].contains(feldName, Qt::CaseInsensitive);
    if (!enthalten)
        return TColor(Einstellungen().Int("GridOhneIndexTitelColor"));
    const TMenuItem* nurVerfuegbare = MenuItem(QStringLiteral("NurverfuegbareBilderanzeigen1"));
    const QString gesucht = feldName.toUpper() + (nurVerfuegbare && nurVerfuegbare->Checked() ? QStringLiteral("2") : QString());
    for (int i = 0; i < BereichBilder().Tags().Count(); ++i)
        if (BereichBilder().Tags()[i].toUpper() == gesucht)
            return TColor(Einstellungen().Int("GridMitIndexTitelColor"));
    return vorgabe;
}

void TMainForm::PageControlBilderChanging(TObject* Sender, bool& AllowChange)
{
    (void)Sender;
    AllowChange = true;
    if (TableBilder->Active())
        GemerkteSatzNr = int(DbeBilder->RecNo());
}

void TMainForm::PageControlBilderChange(TObject* Sender)
{
    if (!TableBilder->Active()) {
        ShowMessage(QStringLiteral("Kein Fotoalbum geöffnet, öffnen Sie zunächst ein Fotoalbum!"));
        return;
    }
    Ton(Sender);
    TTabSheet* seite = PageControlBilder->ActivePage();
    if (seite == TabSheetVorschauBilder) {
        PanelVorschauBilder->SetHint(
            QStringLiteral("Mit einem Doppelklick laden Sie das Hauptbild in die Vollbildanzeige...."));
        VorschaubilderEinlesen();
        Protokoll(QStringLiteral("Info"), QStringLiteral("PageControlBilderChange(), auf Vorschaubilder umgeschaltet"));
    } else if (seite == TabSheetBilderDatenbank) {
        if (GemerkteSatzNr > 0 && uint32_t(GemerkteSatzNr) <= DbeBilder->RecCount()) {
            DbeBilder->Go(uint32_t(GemerkteSatzNr));
            TableBilder->Refresh();
        }
        ZeigeVorschauBildAusBlob();
        Protokoll(QStringLiteral("Info"), QStringLiteral("PageControlBilderChange(), auf Datenbankanzeige umgeschaltet"));
    } else if (seite == TabSheetGrossBild) {
        ScannerbildAnzeige1Click(nullptr);
    }
}

void TMainForm::PageControlBilderdatenChange(TObject* Sender)
{
    Ton(Sender);
    Protokoll(QStringLiteral("Info"),
              QStringLiteral("PageControlBilderdatenChange(), zwischen Datenteil1 und Datenteil2 gewechselt..."));
}

void TMainForm::DataSourceBilderDataChange(TObject* Sender)
{
    (void)Sender;
    if (!DataSourceBilder->DataSet() || !TableBilder->Active())
        return;
    // A view without entries stands on no record: its number is 0, not the
    // number past the end that the engine gives then.
    const uint32_t satz = TableBilder->IsEmpty() ? 0 : DbeBilder->RecNo();
    StatusBarBilder1->Panels()->Items(0)->SetText(QStringLiteral("SatzNr. ") + QString::number(satz));
    if (BeiScrollBarClickZeigeVorschauBild)
        Timer4->SetEnabled(true);
    const QString pfad = Trim(TableBilder->FieldByName(QStringLiteral("PFAD"))->AsString());
    EditDateiname->SetText(ExtractFileName(pfad));
    // Neighbouring entries mostly share their folder: the path box is laid
    // out again only when its line changes.
    const QString ordner = ExtractFilePath(pfad);
    if (MemoPfad->Lines()->Count() != 1 || MemoPfad->Lines()->Get(0) != ordner) {
        MemoPfad->Lines()->Clear();
        MemoPfad->Lines()->Add(ordner);
    }
    // The picture beside the entry follows every change of the current
    // entry, whichever command made it (a filter, a search, a scan).
    ZeigeVorschauBildAusBlob();
}

void TMainForm::Einzelsatzanzeige1Click(TObject* Sender)
{
    (void)Sender;
    TMenuItem* item = MenuItem(QStringLiteral("Einzelsatzanzeige1"));
    if (!item)
        return;
    item->SetChecked(!item->Checked());
    anzeige_.EinzelsatzAnzeige = item->Checked();
    Protokoll(QStringLiteral("Info"), QStringLiteral("Einzelsatzanzeige1Click(), Funktion aufgerufen!"));
    PageControlBilderdaten->SetVisible(anzeige_.EinzelsatzAnzeige);
}

void TMainForm::SatzeditorBilderClick(TObject* Sender)
{
    (void)Sender;
    TMenuItem* item = MenuItem(QStringLiteral("SatzeditorBilder"));
    if (item)
        item->SetChecked(!item->Checked());
    // The window opens where the user left it: the size is taken before the
    // layout, as the controls' creation reads it again.
    const QString sektion = QStringLiteral("Einstellungen SatzEditorBilder");
    TdkFormPosition& p = RecordViewDialogBilder->FormPosition;
    p.Left = QKINI_Prog->INIReadInteger(sektion, QStringLiteral("Left"), p.Left);
    p.Top = QKINI_Prog->INIReadInteger(sektion, QStringLiteral("Top"), p.Top);
    p.Width = QKINI_Prog->INIReadInteger(sektion, QStringLiteral("Width"), p.Width);
    p.Height = QKINI_Prog->INIReadInteger(sektion, QStringLiteral("Height"), p.Height);
    RecordViewDialogBilder->Execute();
}

void TMainForm::FeldfarbenSetzen()
{
    const bool farben = Einstellungen().Bool("FarbSystemBenutzen");
    const TColor info = TColor(Einstellungen().Int("Infofarbe"));
    const TColor kann = BereichBilder().NurLesen() ? info : TColor(Einstellungen().Int("Kannfarbe"));
    // Fields the program fills, and fields the user edits.
    const std::vector<TWinControl*> programm = {EditDateiname,     MemoPfad,          DBEditBytes,
                                                DBEditBreite,      DBEditHoehe,       DBEditBilderLabelKennung,
                                                DBEditBilderPfad,  DBEditBilderDatum};
    const std::vector<TWinControl*> benutzer = {
        DBEditBilderLabel,          DBEditBenutzerdefiniert1,  DBEditBenutzerdefiniert2, DBEditBenutzerdefiniert3,
        DBEditShortDesc,            DBMemoBilder,              DBComboBoxMotivQualitaet2, DBComboBoxBilderQualitaet2, DBComboBoxBildQuelle2,
        DBComboboxBilderPlayListe2, DBEditSerie,               DBEditBilderUrheber,      DBEditBilderAUFNDATUM};
    for (TWinControl* c : programm)
        c->SetColor(farben ? info : clWindow);
    for (TWinControl* c : benutzer)
        c->SetColor(farben ? kann : clWindow);
}

void TMainForm::PicklistenAnwenden()
{
    if (!optionenDialog_)
        return;
    const QStringList* listen = optionenDialog_->Anbindung().PickListe;
    const auto setzen = [](TdkDBComboBox* a, TdkDBComboBox* b, const QStringList& eintraege) {
        if (eintraege.isEmpty())
            return;
        a->SetItems(eintraege);
        b->SetItems(eintraege);
    };
    setzen(DBComboboxBilderPlayListe, DBComboboxBilderPlayListe2, listen[0]);
    setzen(DBComboBoxBildQuelle, DBComboBoxBildQuelle2, listen[1]);
}

void TMainForm::PicklisteZugeklappt()
{
    if (Einstellungen().Bool("PRGWave"))
        QKWAV1->PlayWAV(IncludeTrailingBackslash(Trim(Einstellungen().Text("PRGWavePfad"))) +
                            QStringLiteral("ComboCloseUp.WAV"),
                        TwFlags{NODEFAULT});
    if (TableBilder->Active() && (TableBilder->State() == dsEdit || TableBilder->State() == dsInsert))
        TableBilder->Post();
}

void TMainForm::AlbumAnsichtenNachWechsel()
{
    BilderSatzAnzahlZeigen();
    ZeigeVorschauBildAusBlob();
    if (TableBilder->Active() && !BasisCaption.isEmpty())
        SetCaption(BasisCaption + QStringLiteral(" (") + TableBilder->TableName() + QStringLiteral(")"));
}

// ---------------------------------------------------------------------------
// The views of the filters and searches
// ---------------------------------------------------------------------------

void TMainForm::GridFokussieren()
{
    if (PageControlBilder->ActivePage() == TabSheetBilderDatenbank && DBGridBilder->CanFocus())
        DBGridBilder->SetFocus();
}

QString TMainForm::GridFeld() const
{
    const TField* feld = DBGridBilder->GetSelectedField();
    return feld ? feld->FieldName : QString();
}

void TMainForm::VorschauseiteAuffrischen()
{
    if (PageControlBilder->ActivePage() == TabSheetVorschauBilder)
        PageControlBilderChange(nullptr);
}

void TMainForm::SortierungZeigen(const QString& text) { StatusBarBilder1->Panels()->Items(3)->SetText(text); }

void TMainForm::FilterZeigen(const QString& text) { StatusBarBilder1->Panels()->Items(4)->SetText(text); }

QString TMainForm::Suchtext() const { return edSearch ? edSearch->Text() : QString(); }

void TMainForm::SuchtextSetzen(const QString& text)
{
    if (edSearch)
        edSearch->SetText(text);
}

TButton* TMainForm::SuchKnopf(TSuchKnopf knopf) const
{
    switch (knopf) {
    case TSuchKnopf::Naechster:
        return ButNext;
    case TSuchKnopf::Vorheriger:
        return ButPrev;
    case TSuchKnopf::Filter:
        return ButFilt;
    case TSuchKnopf::FilterReset:
        return ButNoneFilter;
    }
    return nullptr;
}

bool TMainForm::SuchKnopfAktiv(TSuchKnopf knopf) const
{
    const TButton* b = SuchKnopf(knopf);
    return b && b->Enabled();
}

void TMainForm::SuchKnopfAktivieren(TSuchKnopf knopf, bool aktiv)
{
    if (TButton* b = SuchKnopf(knopf))
        b->SetEnabled(aktiv);
}

QString TMainForm::SuchKnopfText(TSuchKnopf knopf) const
{
    const TButton* b = SuchKnopf(knopf);
    return b ? b->Caption() : QString();
}

void TMainForm::SuchKnopfTextSetzen(TSuchKnopf knopf, const QString& text)
{
    if (TButton* b = SuchKnopf(knopf))
        b->SetCaption(text);
}

void TMainForm::SuchFortschrittBeginnen(int maximum)
{
    PanelGaugeBilderFts->SetVisible(true);
    QKGaugeBilderFts->SetMaxValue(maximum);
}

void TMainForm::SuchFortschritt(int position) { QKGaugeBilderFts->SetProgress(position); }

void TMainForm::SuchFortschrittVerbergen() { PanelGaugeBilderFts->SetVisible(false); }

void TMainForm::Fortschritt2Verbergen() { BilderGaugePanel2->SetVisible(false); }
