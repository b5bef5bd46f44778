#include "dialogs/html_export_form.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include "platform/core/exceptions.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "shared/general_files.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_ini.h"
#include "shared/utility_shell.h"

// ---- TZahlFeld --------------------------------------------------------------

TZahlFeld::~TZahlFeld()
{
    Edit->OnChange = nullptr;
    AufAb->OnChange = nullptr;
}

TZahlFeld::TZahlFeld(TWinControl* parent, TComponent* owner, int left, int top, int width, int min, int max, int step)
    : min_(min), max_(max)
{
    Edit = new TEdit(owner);
    Edit->SetParent(parent);
    Edit->SetBounds(left, top, width - 16, 22);
    AufAb = new TScrollBar(owner);
    AufAb->SetParent(parent);
    AufAb->SetKind(sbVertical);
    AufAb->SetBounds(left + width - 16, top, 16, 22);
    // The bar runs from the top down, the number from the bottom up.
    AufAb->SetParams(0, 0, max - min);
    AufAb->SetSmallChange(step);
    AufAb->SetLargeChange(step);
    AufAb->OnChange = [this](TObject*) {
        if (sync_)
            return;
        sync_ = true;
        Edit->SetText(QString::number(max_ - AufAb->Position()));
        sync_ = false;
    };
    Edit->OnChange = [this](TObject*) {
        if (sync_)
            return;
        bool ok = false;
        const int v = Edit->Text().trimmed().toInt(&ok);
        if (!ok)
            return;
        sync_ = true;
        AufAb->SetPosition(max_ - std::clamp(v, min_, max_));
        sync_ = false;
    };
}

int TZahlFeld::Wert() const
{
    bool ok = false;
    const int v = Edit->Text().trimmed().toInt(&ok);
    return ok ? std::clamp(v, min_, max_) : max_ - AufAb->Position();
}

void TZahlFeld::SetWert(int v) { Edit->SetText(QString::number(std::clamp(v, min_, max_))); }

void TZahlFeld::SetEnabled(bool v)
{
    Edit->SetEnabled(v);
    AufAb->SetEnabled(v);
}

// ---- The form ---------------------------------------------------------------

namespace {

TCheckBox* Haken(TComponent* owner, TWinControl* parent, const char* name, const QString& caption, int top)
{
    auto* c = new TCheckBox(owner);
    c->Name = name;
    c->SetParent(parent);
    c->SetBounds(10, top, 250, 20);
    c->SetCaption(caption);
    return c;
}

TLabel* Beschriftung(TComponent* owner, TWinControl* parent, const QString& caption, int left, int top)
{
    auto* l = new TLabel(owner);
    l->SetParent(parent);
    l->SetBounds(left, top + 3, 150, 16);
    l->SetCaption(caption);
    return l;
}

TBitBtn* Knopf(TComponent* owner, TWinControl* parent, const char* name, const QString& caption, int left, int top,
               int width)
{
    auto* b = new TBitBtn(owner);
    b->Name = name;
    b->SetParent(parent);
    b->SetBounds(left, top, width, 28);
    b->SetCaption(caption);
    return b;
}

QStringList ZeilenLesen(const QString& linux)
{
    QFile f(linux);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = DecodeTextFile(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList zeilen = text.split(u'\n');
    if (!zeilen.isEmpty() && zeilen.last().isEmpty())
        zeilen.removeLast();
    return zeilen;
}

bool ZeilenSchreiben(const QString& linux, const QStringList& zeilen)
{
    QByteArray bytes;
    for (const QString& z : zeilen) {
        const auto b = Win1252Encode(z);
        if (!b)
            return false;
        bytes += *b + "\r\n";
    }
    QFile f(linux);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() && f.flush();
}

}  // namespace

TPicHTMLForm::TPicHTMLForm(TComponent* AOwner, const THTMLExportKontext& kontext) : TForm(AOwner), k_(kontext)
{
    Name = "PicHTMLForm";
    SetCaption("Bilderexport nach HTML");
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    KeyPreview = true;
    SetBounds(0, 0, 726, 500);
    HelpContext = Hlp_HTMLxExport;

    Notebook = new TPageControl(this);
    Notebook->SetParent(this);
    Notebook->SetBounds(8, 8, 330, 370);
    TabUebersicht = new TTabSheet(this);
    TabUebersicht->SetPageControl(Notebook);
    TabUebersicht->SetCaption("Übersicht");
    TabGrossbild = new TTabSheet(this);
    TabGrossbild->SetPageControl(Notebook);
    TabGrossbild->SetCaption("Grossbildanzeige");

    TWinControl* p = TabUebersicht;
    chkSize = Haken(this, p, "chkSize", "Vorsch.-Bilder 1:1 anzeigen", 10);
    Beschriftung(this, p, "Bildbreite", 10, 36);
    txtWidth = new TZahlFeld(p, this, 160, 36, 80, 0, 1000, 10);
    Beschriftung(this, p, "Bildhöhe", 10, 62);
    txtHeight = new TZahlFeld(p, this, 160, 62, 80, 0, 1000, 10);
    CheckBox_Kurzbeschreibung_in_Alt =
        Haken(this, p, "CheckBox_Kurzbeschreibung_in_Alt", "Kurzbeschreibung in Alt-Feld", 92);
    CheckBox_Kurzbeschreibung_in_Uebersicht = Haken(this, p, "CheckBox_Kurzbeschreibung_in_Uebersicht",
                                                    "Kurzbeschreibung in d. Übersichtanz.", 116);
    CheckBox_Langbeschreibung_in_Uebersicht = Haken(this, p, "CheckBox_Langbeschreibung_in_Uebersicht",
                                                    "Langbeschreibung in d. Übersichtanz.", 140);
    Beschriftung(this, p, "Tabellenrahmen", 10, 168);
    SpinEditTabRahmen = new TZahlFeld(p, this, 160, 168, 80, 0, 50, 1);
    Beschriftung(this, p, "Anzahl Bilder pro Seite", 10, 194);
    txtPicAnz = new TZahlFeld(p, this, 160, 194, 80, 0, 100, 1);
    CheckBox_NeuesFenster = Haken(this, p, "CheckBox_NeuesFenster", "Target-Flag benutzen", 224);
    Beschriftung(this, p, "Target-Flag", 10, 250);
    Edit_Target = new TEdit(this);
    Edit_Target->SetParent(p);
    Edit_Target->SetBounds(160, 250, 120, 22);
    Edit_Target->SetText("_blank");

    p = TabGrossbild;
    CheckBox_Grossbilder_HTML = Haken(this, p, "CheckBox_Grossbilder_HTML", "Großbilder in HTML anzeigen", 10);
    CheckBox_Scal_MainPics = Haken(this, p, "CheckBox_Scal_MainPics", "Hauptbilder skalieren", 34);
    Beschriftung(this, p, "Bildbreite", 10, 60);
    SpinEdit_Main_Pic_Width = new TZahlFeld(p, this, 160, 60, 80, 140, 10000, 10);
    Beschriftung(this, p, "Qualität (%)", 10, 86);
    SpinEdit_Jpg_Quali = new TZahlFeld(p, this, 160, 86, 80, 10, 100, 1);
    CheckBox_Kurzbeschreibung_in_Grossanzeige = Haken(this, p, "CheckBox_Kurzbeschreibung_in_Grossanzeige",
                                                      "Kurzbeschreibung in Grossanzeige", 116);
    CheckBox_Langbeschreibung_in_Grossanzeige = Haken(this, p, "CheckBox_Langbeschreibung_in_Grossanzeige",
                                                      "Langbeschreibung in Grossanzeige", 140);
    Beschriftung(this, p, "Überschrift Grossbildanzeige", 10, 166);
    Edit_Grossanzeigeueberschrift = new TEdit(this);
    Edit_Grossanzeigeueberschrift->SetParent(p);
    Edit_Grossanzeigeueberschrift->SetBounds(10, 188, 300, 22);
    Beschriftung(this, p, "Grafikrahmen", 10, 218);
    SpinEditGrafikRahmen = new TZahlFeld(p, this, 160, 218, 80, 0, 50, 1);
    Beschriftung(this, p, "Überschriftenrahmen", 10, 244);
    SpinEdit_UeberschriftenRahmen = new TZahlFeld(p, this, 160, 244, 80, 0, 50, 1);
    CheckBox_OriginalAuchExportieren =
        Haken(this, p, "CheckBox_OriginalAuchExportieren", "Original auch exportieren ", 274);

    LabelKopf = Beschriftung(this, this, "HTML-Kopfzeilen der Übersichtsseiten", 348, 8);
    LabelKopf->SetWidth(300);
    memTop = new TMemo(this);
    memTop->Name = "memTop";
    memTop->SetParent(this);
    memTop->SetBounds(348, 30, 362, 348);
    memTop->SetWordWrap(false);
    memTop->SetScrollBars(ssBoth);
    memTop->Lines()->Assign(HTMLKopfVorlage());
    memTop->OnChange = [this](TObject*) { memTop->Modified = true; };
    memTop->OnExit = [this](TObject*) { memTopExit(); };

    BitBtnCreate = Knopf(this, this, "BitBtnCreate", "Erstelle HTML-Seite(n)", 8, 390, 165);
    btnView = Knopf(this, this, "btnView", "Zeige erste HTML-Seite", 181, 390, 157);
    BitBtn_HTML_Vorlagen = Knopf(this, this, "BitBtn_HTML_Vorlagen", "HTML-Vorlagen (Kopfzeilen)", 348, 390, 180);
    BitBtnDefaultHTMLCode = Knopf(this, this, "BitBtnDefaultHTMLCode", "Default HTML-Code", 536, 390, 174);
    BitBtnHelp = Knopf(this, this, "BitBtnHelp", "&Hilfe", 8, 426, 165);
    BitBtnClose = Knopf(this, this, "BitBtnClose", "Dialog &schließen", 545, 426, 165);
    BitBtnClose->ModalResult = mrOk;

    PopupMenu_Vorlagen = new TPopupMenu(this);
    Vorlageladen1 = new TMenuItem(this);
    Vorlageladen1->SetCaption("Vorlage laden");
    Vorlagespeichern1 = new TMenuItem(this);
    Vorlagespeichern1->SetCaption("Vorlage speichern");
    PopupMenu_Vorlagen->Items()->Add(Vorlageladen1);
    PopupMenu_Vorlagen->Items()->Add(Vorlagespeichern1);
    Vorlageladen1->OnClick = [this](TObject*) { Vorlageladen1Click(); };
    Vorlagespeichern1->OnClick = [this](TObject*) { Vorlagespeichern1Click(); };
    for (TOpenDialog* d : {static_cast<TOpenDialog*>(OpenDialog1 = new TOpenDialog(this)),
                           static_cast<TOpenDialog*>(SaveDialog1 = new TSaveDialog(this))}) {
        d->Filter = QStringLiteral("Template|*.tpl|Alles|*.*");
        d->DefaultExt = QStringLiteral("tpl");
        d->InitialDir = k_.ProgrammOrdner;
        d->Options = {ofHideReadOnly, ofNoChangeDir};
    }

    BitBtnCreate->OnClick = [this](TObject*) { BitBtnCreateClick(); };
    btnView->OnClick = [this](TObject*) { btnViewClick(); };
    BitBtn_HTML_Vorlagen->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
        const QPoint pos = QCursor::pos();
        PopupMenu_Vorlagen->Popup(pos.x(), pos.y());
    };
    BitBtnDefaultHTMLCode->OnClick = [this](TObject*) { BitBtnDefaultHTMLCodeClick(); };
    BitBtnHelp->OnClick = [this](TObject*) { BitBtnHelpClick(); };
    chkSize->OnClick = [this](TObject*) { chkSizeClick(); };
    CheckBox_NeuesFenster->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
        CheckBox_NeuesFensterMouseUp();
    };
    OnKeyUp = [this](TObject*, Word& Key, TShiftState) {
        if (Key == VK_ESCAPE)
            Abbruch = true;
    };
    OnClose = [this](TObject*, TCloseAction&) { Abbruch = false; };

    // Creation: the settings from the main ini file, the user's head template.
    QKINI_HTMLExport = new TQKINI(this);
    QKINI_HTMLExport->SetINIFileName(k_.IniDatei.isEmpty() ? QStringLiteral("PicHTML.INI") : k_.IniDatei);
    THTMLExportEinstellungen e;
    e.Lesen(*QKINI_HTMLExport);
    SetEinstellungen(e);
    const auto kopf = WinToLinux(KopfDatei());
    if (kopf && QFileInfo::exists(*kopf)) {
        memTop->Lines()->Clear();
        memTop->Lines()->Assign(ZeilenLesen(*kopf));
    }
    memTop->Modified = false;
    Notebook->SetActivePage(TabUebersicht);
    Loaded();
}

TPicHTMLForm::~TPicHTMLForm()
{
    try {
        Einstellungen().Schreiben(*QKINI_HTMLExport);
    } catch (const std::exception&) {
        // A settings file that cannot be written must not stop the close.
    }
    // The number fields go while their controls still stand.
    for (TZahlFeld* f : {txtWidth, txtHeight, SpinEditTabRahmen, txtPicAnz, SpinEdit_Main_Pic_Width,
                         SpinEdit_Jpg_Quali, SpinEditGrafikRahmen, SpinEdit_UeberschriftenRahmen})
        delete f;
}

QString TPicHTMLForm::KopfDatei() const { return k_.ProgrammOrdner + QStringLiteral("HTML_Top.txt"); }

THTMLExportEinstellungen TPicHTMLForm::Einstellungen() const
{
    THTMLExportEinstellungen e;
    e.OrgSize = chkSize->Checked();
    e.Width = txtWidth->Edit->Text();
    e.Height = txtHeight->Edit->Text();
    e.KurzbeschreibungInAlt = CheckBox_Kurzbeschreibung_in_Alt->Checked();
    e.KurzbeschreibungInUebersicht = CheckBox_Kurzbeschreibung_in_Uebersicht->Checked();
    e.LangbeschreibungInUebersicht = CheckBox_Langbeschreibung_in_Uebersicht->Checked();
    e.TabellenRahmen = SpinEditTabRahmen->Wert();
    e.PicAnz = txtPicAnz->Wert();
    e.BildImNeuenFenster = CheckBox_NeuesFenster->Checked();
    e.Target = Edit_Target->Text();
    e.BildInHTMLFormat = CheckBox_Grossbilder_HTML->Checked();
    e.HauptbilderSkalieren = CheckBox_Scal_MainPics->Checked();
    e.HauptbilderBreite = SpinEdit_Main_Pic_Width->Wert();
    e.JPGQualitaet = SpinEdit_Jpg_Quali->Wert();
    e.KurzbeschreibungInGrossanzeige = CheckBox_Kurzbeschreibung_in_Grossanzeige->Checked();
    e.LangbeschreibungInGrossanzeige = CheckBox_Langbeschreibung_in_Grossanzeige->Checked();
    e.Grossanzeigeueberschrift = Edit_Grossanzeigeueberschrift->Text();
    e.GrafikRahmen = SpinEditGrafikRahmen->Wert();
    e.UeberschriftenRahmen = SpinEdit_UeberschriftenRahmen->Wert();
    e.OriginalAuchExportieren = CheckBox_OriginalAuchExportieren->Checked();
    return e;
}

void TPicHTMLForm::SetEinstellungen(const THTMLExportEinstellungen& e)
{
    chkSize->SetChecked(e.OrgSize);
    txtWidth->Edit->SetText(e.Width);
    txtHeight->Edit->SetText(e.Height);
    CheckBox_Kurzbeschreibung_in_Alt->SetChecked(e.KurzbeschreibungInAlt);
    CheckBox_Kurzbeschreibung_in_Uebersicht->SetChecked(e.KurzbeschreibungInUebersicht);
    CheckBox_Langbeschreibung_in_Uebersicht->SetChecked(e.LangbeschreibungInUebersicht);
    SpinEditTabRahmen->SetWert(e.TabellenRahmen);
    txtPicAnz->SetWert(e.PicAnz);
    CheckBox_NeuesFenster->SetChecked(e.BildImNeuenFenster);
    Edit_Target->SetText(e.Target);
    CheckBox_Grossbilder_HTML->SetChecked(e.BildInHTMLFormat);
    CheckBox_Scal_MainPics->SetChecked(e.HauptbilderSkalieren);
    SpinEdit_Main_Pic_Width->SetWert(e.HauptbilderBreite);
    SpinEdit_Jpg_Quali->SetWert(e.JPGQualitaet);
    CheckBox_Kurzbeschreibung_in_Grossanzeige->SetChecked(e.KurzbeschreibungInGrossanzeige);
    CheckBox_Langbeschreibung_in_Grossanzeige->SetChecked(e.LangbeschreibungInGrossanzeige);
    Edit_Grossanzeigeueberschrift->SetText(e.Grossanzeigeueberschrift);
    SpinEditGrafikRahmen->SetWert(e.GrafikRahmen);
    SpinEdit_UeberschriftenRahmen->SetWert(e.UeberschriftenRahmen);
    CheckBox_OriginalAuchExportieren->SetChecked(e.OriginalAuchExportieren);
    chkSizeClick();
}

void TPicHTMLForm::Meldung(const QString& caption, const QString& text, int hoehe, int sekunden)
{
    NachrichtenDialog(caption, text, sekunden < 0 ? k_.MeldungsZeit : sekunden, hoehe, k_.Infofarbe, clBlack, true);
}

void TPicHTMLForm::chkSizeClick()
{
    const bool an = !chkSize->Checked();
    txtWidth->SetEnabled(an);
    txtHeight->SetEnabled(an);
}

void TPicHTMLForm::CheckBox_NeuesFensterMouseUp()
{
    if (CheckBox_Grossbilder_HTML->Checked() && CheckBox_NeuesFenster->Checked())
        Meldung(QStringLiteral("Hinweis"),
                QStringLiteral("Die Option \"Großbilder in HTML anzeigen\" macht zusammen mit \"Target-Flag benutzen\" "
                               "keinen grossen Sinn !"),
                160, 15);
}

void TPicHTMLForm::memTopExit()
{
    if (!memTop->Modified)
        return;
    memTop->Modified = false;
    if (const auto datei = WinToLinux(KopfDatei()))
        ZeilenSchreiben(*datei, memTop->Lines()->ToStringList());
}

void TPicHTMLForm::BitBtnDefaultHTMLCodeClick()
{
    memTop->Lines()->Clear();
    memTop->Lines()->Assign(HTMLKopfStandard());
}

void TPicHTMLForm::BitBtnHelpClick()
{
    if (k_.Klang)
        k_.Klang(50);
    Application->HelpContext(Hlp_HTMLxExport);
}

void TPicHTMLForm::Vorlageladen1Click()
{
    if (!OpenDialog1->Execute())
        return;
    const auto datei = WinToLinux(OpenDialog1->FileName);
    memTop->Lines()->Clear();
    memTop->Lines()->Assign(ZeilenLesen(datei.value_or(OpenDialog1->FileName)));
}

void TPicHTMLForm::Vorlagespeichern1Click()
{
    if (!SaveDialog1->Execute())
        return;
    const auto datei = WinToLinux(SaveDialog1->FileName);
    if (!ZeilenSchreiben(datei.value_or(SaveDialog1->FileName), memTop->Lines()->ToStringList()))
        MessageDlg(QStringLiteral("Die Vorlage ") + SaveDialog1->FileName +
                       QStringLiteral(" konnte nicht gespeichert werden!"),
                   mtError, {mbOK});
}

void TPicHTMLForm::btnViewClick()
{
    qktOpenWithAssociated(k_.ExportOrdner + QStringLiteral("galvora.htm"));
}

void TPicHTMLForm::BitBtnCreateClick()
{
    const QString ordner = k_.ExportOrdner;
    // Without a folder the pages would land wherever the program was started.
    if (ordner.trimmed().isEmpty()) {
        MessageDlg(QStringLiteral("Stellen Sie in den Optionen zunächst einen gültigen HTML-Exportpfad ein !"),
                   mtWarning, {mbOK});
        return;
    }
    if (MessageDlg(QStringLiteral("Zielverzeichnis für HTML-Export (") + ordner + QStringLiteral(") vorher löschen ?"),
                   mtConfirmation, {mbYes, mbNo}) == mrYes &&
        !DateienLoeschenAusser(ordner, QStringLiteral("*.*"), QString())) {
        MessageDlg(QStringLiteral("Es konnten nicht alle Dateien in ") + ordner +
                       QStringLiteral(" gelöscht werden, Routine abgebrochen!"),
                   mtWarning, {mbOK});
        return;
    }
    TDbeHTMLExportQuelle quelle(k_.Dbe);
    THTMLExport x(quelle, Einstellungen(), ordner, memTop->Lines()->ToStringList());
    x.Meldung = [this](const QString& caption, const QString& text, int hoehe) { Meldung(caption, text, hoehe); };
    x.Fortschritt = [this](int i, int n) { SetCaption(QString::number(i) + u'/' + QString::number(n)); };
    x.Abbruch = [this] {
        Application->ProcessMessages();
        const bool stop = Abbruch;
        Abbruch = false;
        return stop;
    };
    const QString caption = Caption();
    Screen->SetCursor(crHourGlass);
    for (TBitBtn* b : {BitBtnClose, BitBtnCreate, btnView})
        b->SetEnabled(false);
    auto aufraeumen = [&] {
        Screen->SetCursor(crDefault);
        const auto erste = WinToLinux(ordner + QStringLiteral("galvora.htm"));
        btnView->SetEnabled(erste && QFileInfo::exists(*erste));
        BitBtnCreate->SetEnabled(true);
        BitBtnClose->SetEnabled(true);
        SetCaption(caption);
    };
    try {
        x.Ausfuehren();
    } catch (const Exception& e) {
        aufraeumen();
        MessageDlg(e.Message, mtError, {mbOK});
        return;
    }
    aufraeumen();
    QString abschluss = QStringLiteral("HTML-Export abgeschlossen...");
    if (x.Uebersprungen > 0)
        abschluss += QStringLiteral("\n") + QString::number(x.Uebersprungen) +
                     QStringLiteral(" Einträge übersprungen: ") + x.UebersprungenNamen.join(QStringLiteral(", "));
    Meldung(QStringLiteral("Hinweis"), abschluss, 150);
    if (k_.GaugePanelVerbergen)
        k_.GaugePanelVerbergen();
}
