// The picture views of the main window: the current entry's thumbnail from
// its memo, the thumbnail page, finding an entry's picture file (other drive
// letters, albums on CD, media not inserted), the full view and the slide
// show in the full-size viewer, automatic browsing, the rotation commands
// and buttons, the external viewer and editors, the floating thumbnail
// window and drag scrolling of the big picture.

#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "dialogs/bild_finden.h"
#include "dialogs/floating_preview.h"
#include "dialogs/full_size_form.h"
#include "dialogs/program_options.h"
#include "dialogs/scan_pics.h"
#include "dialogs/vorschau_einstellungen.h"
#include "imaging/image_window.h"
#include "imaging/pic_box.h"
#include "platform/core/file_utils.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win_path.h"
#include "platform/data/data_source.h"
#include "platform/data/field.h"
#include "platform/dbf/dbe.h"
#include "platform/os/shell.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "shared/general_files.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_ini.h"
#include "shared/qk_wav.h"
#include "shared/utility_files.h"
#include "shared/utility_shell.h"
#include "storage/flags_field.h"
#include "storage/tdbe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTransform>

#include <cstring>
#include <memory>

namespace {

const QString kFlags = QStringLiteral("FLAGS");
const QString kVorschau = QStringLiteral("VORSCHAU");
constexpr TCursor kGrabHand = 2001;
// A thumbnail memo written out to fewer bytes than this holds no picture.
constexpr qint64 kMindestVorschau = 4000;

QImage Gedreht(const QImage& bild, int viertel)
{
    if (bild.isNull() || viertel % 4 == 0)
        return bild;
    return bild.transformed(QTransform().rotate(90.0 * (viertel % 4)));
}

void BildSetzen(TImage* ziel, const QImage& bild)
{
    if (bild.isNull()) {
        ziel->Picture()->SetGraphic(nullptr);
        return;
    }
    TBitmap b;
    b.SetImage(bild);
    ziel->Picture()->SetGraphic(&b);
}

QImage BildVon(TImage* quelle)
{
    const TGraphic* g = quelle->Picture()->Graphic();
    return g ? g->ToImage() : QImage();
}

QImage DateiLesen(const QString& datei)
{
    const std::optional<QString> pfad = WinToLinux(datei);
    if (!pfad)
        return {};
    QImageReader leser(*pfad);
    const QSize groesse = leser.size();
    if (groesse.isValid() && (groesse.width() > 1024 || groesse.height() > 1024))
        leser.setScaledSize(groesse.scaled(1024, 1024, Qt::KeepAspectRatio));
    return leser.read();
}

}  // namespace

// What the full-size viewer, the floating window and the thumbnail
// settings reach of the main window.
class TMainFormBilder : public TComponent,
                        public TVollbildHauptfenster,
                        public TVorschauHauptfenster,
                        public TVorschauRaster {
public:
    explicit TMainFormBilder(TMainForm& f) : TComponent(&f), f_(f) {}

    // ---- viewer
    TDataSet* AlbumTabelle() override { return f_.TableBilder; }
    TDbe* AlbumDbe() override { return f_.DbeBilder; }
    bool AlbumSchreibgeschuetzt() const override { return f_.BereichBilder().NurLesen(); }
    QString AlbumOrdner() const override { return f_.BereichBilder().Ordner(); }
    TVollbildOptionen VollbildOptionen() const override
    {
        const TEinstellungen& e = f_.Einstellungen;
        TVollbildOptionen o;
        o.AnderesLaufwerkTesten = e.Bool("WennFileNichtGefundenAnderesLWtesten");
        o.VorschaubilderPhysikalischDrehen = e.Bool("VorschaubilderPhysikalischDrehen");
        o.TextVollbildAnzeige = e.Bool("TextVollbildanzeige");
        QString ziel = e.Text("DestPfad");
        if (!ziel.isEmpty() && !IsAbsoluteWinPath(ziel))
            ziel = f_.ProgrammPfad + ziel;
        o.ZielOrdner = ziel;
        for (int i = 0; i < 3; ++i)
            o.EditorNamen[i] = e.Text(QStringLiteral("Bildbearbeitung%1").arg(i + 1).toLatin1().constData());
        o.SlideShowSekunden = e.Int("SlideShowInterval");
        return o;
    }
    QString IniDatei() const override { return f_.QKINI_Prog->INIFileName(); }
    bool IstInternesBildFormat(const QString& datei) const override { return ::IstInternesBildFormat(datei); }
    bool ProgrammEndet() const override { return f_.ProgrammEndet; }
    bool HinweiseAn() const override { return Application->ShowHint; }
    void HinweiseSetzen(bool an) override { Application->ShowHint = an; }
    void PrgWavSpielen(int nummer) override { f_.PrgWavSpielen(nummer); }
    void OptionenZeigen() override
    {
        if (f_.optionenDialog_)
            f_.optionenDialog_->Optionen1Click(nullptr);
    }
    void EinzelbildDrucken(const QString&) override { f_.Handler("Einzelbilddrucken2Click")(nullptr); }
    void BildExternBearbeiten(int editor, const QString& datei) override { f_.BildExternBearbeiten(editor, datei); }
    void VorschaubildDrehen(int grad) override
    {
        f_.PanelVorschaubild1->Tag = 0;
        f_.ZeigeVorschauBildAusBlob();
        // The placeholder of an entry without thumbnail is never written.
        if (!f_.vorschauAusMemo_)
            return;
        BildSetzen(f_.ImageWindow2, Gedreht(BildVon(f_.ImageWindow2), grad / 90));
        f_.SchreibeAktuellesVorschaubild();
    }
    void VorschaubildNeuErzeugen(const QString& datei) override
    {
        f_.ImageWindow1->LoadFromFile(datei, 0, 0);
        const std::optional<QString> pfad = WinToLinux(datei);
        QImageReader leser(pfad.value_or(QString()));
        const QSize groesse = leser.size();
        if (groesse.isValid())
            leser.setScaledSize(groesse.scaled(160, 120, Qt::KeepAspectRatio));
        const QImage neu = leser.read();
        if (neu.isNull())
            return;
        neu.save(WinToLinux(f_.VorschauTempOrdner() + QStringLiteral("vorschau.bmp")).value_or(QString()), "BMP");
        BildSetzen(f_.ImageWindow2, neu);
        f_.SchreibeAktuellesVorschaubild();
    }
    void VollbildGeschlossen() override
    {
        if (f_.PageControlBilder->ActivePage() == f_.TabSheetVorschauBilder && f_.TableBilder->Active()
            && !f_.QKDBPicBox1->SelectFileName(QString::number(f_.DbeBilder->RecNo())))
            ShowMessage(QStringLiteral("Irgendwas ist beim Selektieren des Vorschaubildes schief gelaufen..."));
        f_.PanelVorschaubild1->Tag = 0;
        f_.ZeigeVorschauBildAusBlob();
    }
    TColor TextVollbildFarbe() const override { return TColor(f_.Einstellungen.Int("TextVollbildBGColor")); }

    // ---- floating window
    void VollbildAnzeige() override { f_.VollbildAnzeige(); }
    void BildDrehen(int grad) override { f_.Drehbefehl(grad / 90); }

    // ---- thumbnail grid settings
    int Rows() const override { return f_.QKDBPicBox1->Rows(); }
    void SetRows(int v) override { f_.QKDBPicBox1->SetRows(v); }
    int Columns() const override { return f_.QKDBPicBox1->Columns(); }
    void SetColumns(int v) override { f_.QKDBPicBox1->SetColumns(v); }
    int PicHeight() const override { return f_.QKDBPicBox1->PicHeight(); }
    void SetPicHeight(int v) override { f_.QKDBPicBox1->SetPicHeight(v); }
    int PicWidth() const override { return f_.QKDBPicBox1->PicWidth(); }
    void SetPicWidth(int v) override { f_.QKDBPicBox1->SetPicWidth(v); }
    bool Scaled() const override { return f_.QKDBPicBox1->Scaled(); }
    void SetScaled(bool v) override { f_.QKDBPicBox1->SetScaled(v); }

private:
    TMainForm& f_;
};

namespace {

struct TBildBefehlName {
    const char* Name;
    TMainForm::TBefehlsMethode Methode;
};

const TBildBefehlName kBildBefehle[] = {
    {"Vollbild1Click", &TMainForm::Vollbild1Click},
    {"QKAutoButtonVollbildClick", &TMainForm::Vollbild1Click},
    {"VollbildAnzeige2Click", &TMainForm::QKDBPicBox1DblClick},
    {"SlideShowstart1Click", &TMainForm::SlideShowstart1Click},
    {"SlideShowstart2Click", &TMainForm::SlideShowstart1Click},
    {"QKAutoButtonSlideshowClick", &TMainForm::SlideShowstart1Click},
    {"DatenbankautomatischVorwaertsblaetternClick", &TMainForm::DatenbankautomatischVorwaertsblaetternClick},
    {"DatenbankautomatischRueckwaertsblaetternClick", &TMainForm::DatenbankautomatischRueckwaertsblaetternClick},
    {"N0Originalausrichtung1Click", &TMainForm::N0Originalausrichtung1Click},
    {"N90rechts1Click", &TMainForm::N90rechts1Click},
    {"N180rechts1Click", &TMainForm::N180rechts1Click},
    {"N270rechts1Click", &TMainForm::N270rechts1Click},
    {"Bildexternanzeigen1Click", &TMainForm::Bildexternanzeigen1Click},
    {"Bildexternbearbeiten_11Click", &TMainForm::Bildexternbearbeiten_11Click},
    {"Bildexternbearbeiten_12Click", &TMainForm::Bildexternbearbeiten_12Click},
    {"Bildexternbearbeiten_13Click", &TMainForm::Bildexternbearbeiten_13Click},
    {"PopupMenuVorschaubilderPopup", &TMainForm::PopupMenuVorschaubilderPopup},
    {"EinstellungenVorschaubilder1Click", &TMainForm::EinstellungenVorschaubilder1Click},
    {"SchwebendesVorschaubild1Click", &TMainForm::SchwebendesVorschaubild1Click},
    {"ScannerbildAnzeige1Click", &TMainForm::ScannerbildAnzeige1Click},
    {"ExternbearbeiteteBilderaktualisieren1Click", &TMainForm::ExternbearbeiteteBilderaktualisieren1Click},
};

}  // namespace

TMainForm::TBefehlsMethode TMainForm::BildBefehl(const char* name)
{
    for (const TBildBefehlName& b : kBildBefehle)
        if (std::strcmp(b.Name, name) == 0)
            return b.Methode;
    return nullptr;
}

// ---- building ---------------------------------------------------------------------

void TMainForm::BilderAnsichtAufbauen()
{
    bilder_ = new TMainFormBilder(*this);

    QKDBPicBox1 = new TQKDBPicBox(this);
    QKDBPicBox1->Name = QStringLiteral("QKDBPicBox1");
    QKDBPicBox1->SetParent(PanelVorschauBilder);
    QKDBPicBox1->SetAlign(alClient);
    QKDBPicBox1->SetRows(3);
    QKDBPicBox1->SetColumns(5);
    QKDBPicBox1->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuVorschaubilder")));
    QKDBPicBox1->OnClick = [this](TObject* s) { QKDBPicBox1Click(s); };
    QKDBPicBox1->OnDblClick = [this](TObject* s) { QKDBPicBox1DblClick(s); };
    // As in the grid, Enter opens the full view only when it was pressed in
    // the box: the release of the Enter that closed a dialog comes here when
    // the box gets the focus back.
    QKDBPicBox1->OnKeyDown = [this](TObject*, Word& key, TShiftState) { bilderTasteGedrueckt_ = key; };
    QKDBPicBox1->OnKeyUp = [this](TObject*, Word& key, TShiftState) {
        const bool hierGedrueckt = bilderTasteGedrueckt_ == key;
        bilderTasteGedrueckt_ = 0;
        if (key == VK_RETURN && hierGedrueckt)
            VollbildAnzeige();
    };
    // The window is built in code after its components were made: the box
    // learns that it is complete here.
    QKDBPicBox1->Loaded();

    // The rotation and external-program boxes below the thumbnail, in its panel.
    auto* knoepfe = new TPanel(this);
    knoepfe->Name = QStringLiteral("PanelVorschauKnoepfe");
    knoepfe->SetParent(PanelVorschaubild1);
    knoepfe->SetAlign(alBottom);
    knoepfe->SetHeight(38);
    knoepfe->SetBevelOuter(bvNone);
    knoepfe->SetCaption(QString());
    knoepfe->Font()->SetSize(7);
    auto radio = [this, knoepfe](TRadioButton*& r, const char* name, const QString& text, int x, int breite,
                                 int viertel) {
        r = new TRadioButton(this);
        r->Name = QString::fromLatin1(name);
        r->SetParent(knoepfe);
        r->SetCaption(text);
        r->SetHint(QStringLiteral("Vorschaubild %1 gedreht anzeigen").arg(text));
        r->SetBounds(x, 1, breite, 18);
        TRadioButton* knopf = r;
        r->OnMouseUp = [this, knopf, viertel](TObject*, TMouseButton, TShiftState, int, int) {
            RadioButtonMouseUp(knopf, viertel);
        };
    };
    radio(RadioButton0Grad, "RadioButton0Grad", QStringLiteral("0°"), 0, 32, 0);
    radio(RadioButton90GradRechts, "RadioButton90GradRechts", QStringLiteral("90°"), 32, 37, 1);
    radio(RadioButton180GradRechts, "RadioButton180GradRechts", QStringLiteral("180°"), 69, 44, 2);
    radio(RadioButton270GradRechts, "RadioButton270GradRechts", QStringLiteral("270°"), 113, 44, 3);
    RadioButton0Grad->SetChecked(true);
    auto box = [this, knoepfe](TCheckBox*& c, const char* name, const QString& text, const QString& hint, int x,
                               int breite) {
        c = new TCheckBox(this);
        c->Name = QString::fromLatin1(name);
        c->SetParent(knoepfe);
        c->SetCaption(text);
        c->SetHint(hint);
        c->SetBounds(x, 19, breite, 18);
    };
    box(CheckBoxExternAnzeigen, "CheckBoxExternAnzeigen", QStringLiteral("Anzeigen"),
        QStringLiteral("Bild extern anzeigen"), 0, 76);
    box(CheckBoxExternAufrufen, "CheckBoxExternAufrufen", QStringLiteral("Bearbeiten"),
        QStringLiteral("Bild extern bearbeiten"), 76, 84);
    CheckBoxExternAnzeigen->OnMouseUp = [this](TObject* s, TMouseButton, TShiftState, int, int) {
        CheckBoxExternAnzeigenMouseUp(s);
    };
    CheckBoxExternAufrufen->OnMouseUp = [this](TObject* s, TMouseButton, TShiftState, int, int) {
        CheckBoxExternAufrufenMouseUp(s);
    };
    ImageWindow2->OnDblClick = [this](TObject*) { VollbildAnzeige(); };

    // The big picture: drag scrolling with its captions below.
    ImageWindow1->SelectionEnabled = false;
    ImageWindow1->SetBackGroundColor(clBtnFace);
    ImageWindow1->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { ImageWindow1MouseMove(s, sh, x, y); };
    ImageWindow1->OnDblClick = [this](TObject*) { PageControlBilder->SetActivePage(TabSheetVorschauBilder); };
    auto* leiste = new TPanel(this);
    leiste->Name = QStringLiteral("PanelGrossBildInfo");
    leiste->SetParent(ImageWindow1->Parent());
    leiste->SetAlign(alBottom);
    leiste->SetHeight(20);
    leiste->SetCaption(QString());
    TPanel** felder[] = {&Panel18, &Panel19, &Panel20, &Panel21};
    for (int i = 0; i < 4; ++i) {
        auto* p = new TPanel(this);
        p->Name = QStringLiteral("Panel%1").arg(18 + i);
        p->SetParent(leiste);
        p->SetAlign(alLeft);
        p->SetWidth(90);
        p->SetBevelOuter(bvLowered);
        p->SetCaption(QString());
        *felder[i] = p;
    }

    Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };
    Timer4->OnTimer = [this](TObject* s) { Timer4Timer(s); };
}

// ---- the thumbnail of the current entry ----------------------------------------------

void TMainForm::VorschauLaden(const QString& datei)
{
    const QImage bild = DateiLesen(datei);
    BildSetzen(ImageWindow2, bild);
    if (SchwebendesVorschaubild)
        SchwebendesVorschaubild->BildZeigen(datei);
}

void TMainForm::ZeigeVorschauBildAusBlob()
{
    const QString platzhalter = ProgrammPfad + QStringLiteral("Logo.jpg");
    if (!TableBilder->Active()) {
        BildLaden(ImageWindow2, platzhalter);
        StatusBarBilder1->Panels()->Items(1)->SetText(QStringLiteral("0 von 0 Einträge angezeigt"));
        StatusBarBilder2->Panels()->Items(0)->SetText(QString());
        PanelVorschaubild1->Tag = 0;
        return;
    }
    const long satz = long(DbeBilder->RecNo());
    // The entry's flags may have changed while its picture stays: the boxes
    // of the external programs always follow them.
    const auto externBoxen = [this] {
        const QChar e = FlagLesen(DbeBilder, kFlags, 1);
        CheckBoxExternAnzeigen->SetChecked(e == u'1' || e == u'3');
        CheckBoxExternAufrufen->SetChecked(e == u'2' || e == u'3');
    };
    if (satz == PanelVorschaubild1->Tag) {
        externBoxen();
        return;
    }
    // Past the end there is no entry: the number is the one the next new
    // entry gets, so it is not remembered as shown.
    PanelVorschaubild1->Tag = uint32_t(satz) <= DbeBilder->RecCount() ? satz : 0;
    BilderSatzAnzahlZeigen();
    vorschauAusMemo_ = false;
    if (TableBilder->IsEmpty() || DbeBilder->GetBlobLength(kVorschau) <= 0) {
        VorschauLaden(platzhalter);
    } else {
        const QString datei = IncludeTrailingBackslash(VorschauTempOrdner()) + QStringLiteral("Vorschau.bmp");
        // The file of the entry shown before must not stand in when this
        // entry's thumbnail cannot be written.
        if (const std::optional<QString> alt = WinToLinux(datei))
            QFile::remove(*alt);
        if (!DbeBilder->BlobToFile(kVorschau, datei))
            ShowMessage(QStringLiteral("Fehler beim Schreiben des Vorschaubildes aus dem Fotoalbum, wahrscheinlich ist "
                                       "die Datenbank defekt...."));
        const std::optional<QString> linux = WinToLinux(datei);
        if (!linux || QFileInfo(*linux).size() < kMindestVorschau) {
            VorschauLaden(platzhalter);
            return;
        }
        VorschauLaden(datei);
        vorschauAusMemo_ = true;
    }
    if (SchwebendesVorschaubild) {
        const QString pfad = DbeBilder->GetTrimString(QStringLiteral("PFAD"));
        SchwebendesVorschaubild->LabelDateiname->SetCaption(ExtractFileName(pfad));
        SchwebendesVorschaubild->LabelPfad->SetCaption(ExtractFilePath(pfad));
    }
    if (!Einstellungen.Bool("VorschaubilderPhysikalischDrehen")) {
        const QChar d = FlagLesen(DbeBilder, kFlags, 4);
        TRadioButton* knoepfe[] = {RadioButton0Grad, RadioButton90GradRechts, RadioButton180GradRechts,
                                   RadioButton270GradRechts};
        const int viertel = d >= u'1' && d <= u'3' ? d.unicode() - u'0' : 0;
        knoepfe[viertel]->SetChecked(true);
        if (viertel)
            BildSetzen(ImageWindow2, Gedreht(BildVon(ImageWindow2), viertel));
    }
    externBoxen();
}

void TMainForm::ExternbearbeiteteBilderaktualisieren1Click(TObject*)
{
    if (BearbeiteteBilder.Count() == 0) {
        ShowMessage(QStringLiteral("Aktuell keine Bilder extern bearbeitet!"));
        return;
    }
    PageControlBilder->SetActivePage(TabSheetBilderDatenbank);
    AktualisiereExternBearbeiteteBilder();
    BearbeiteteBilder.Clear();
}

void TMainForm::AktualisiereExternBearbeiteteBilder()
{
    if (!TableBilder->Active())
        return;
    for (int i = 0; i < BearbeiteteBilder.Count(); ++i) {
        Screen->SetCursor(crHourGlass);
        DbeBilder->Go(BearbeiteteBilder[i].toUInt());
        const QString pfad = DbeBilder->GetTrimString(QStringLiteral("PFAD"));
        const int64_t groesse = qktFileSize(pfad);
        // Unchanged or gone: nothing to bring up to date.
        if (!FileExists(pfad) || groesse == int64_t(DbeBilder->GetDouble(QStringLiteral("BYTES"))))
            continue;
        ImageWindow1->LoadFromFile(pfad, 0, 0);
        const QString vorschau = IncludeTrailingBackslash(VorschauTempOrdner()) + QStringLiteral("Vorschau.bmp");
        const bool mitVorschau = VorschaubildSchreiben(pfad, vorschau, 0);
        TableBilder->Edit();
        // The engine replaces the memo's contents with the file's.
        if (mitVorschau)
            DbeBilder->Replace(kVorschau, 0x2000, vorschau);
        const int32_t bytes = int32_t(groesse);
        DbeBilder->Replace(QStringLiteral("BYTES"), DBE_REPL_LONG, &bytes);
        if (FileAge(pfad) > 0)
            DbeBilder->Replace(QStringLiteral("FILEDATE"), DBE_REPL_DATE, DateTimeToStr(FileDateTime(pfad)).left(10));
        else
            Protokoll(QStringLiteral("Fehler"), QStringLiteral("(AktualisiereExternBearbeiteteBilder) Aus den Dateinamen =") +
                                                    pfad +
                                                    QStringLiteral(" kann kein Dateidatum ermittelt werden (Umlautproblem?!)"));
        DbeBilder->PostIfEditing();
    }
    Screen->SetCursor(crDefault);
}

void TMainForm::SchreibeAktuellesVorschaubild()
{
    if (BereichBilder().NurLesen() || !TableBilder->Active() || TableBilder->IsEmpty())
        return;
    const QString datei = IncludeTrailingBackslash(VorschauTempOrdner()) + QStringLiteral("Vorschau2.bmp");
    const QImage bild = BildVon(ImageWindow2);
    if (bild.isNull() || !bild.save(WinToLinux(datei).value_or(QString()), "BMP"))
        return;
    // The engine replaces the memo's contents with the file's.
    TableBilder->Edit();
    DbeBilder->Replace(kVorschau, 0x2000, datei);
    DbeBilder->PostIfEditing();
}

void TMainForm::VorschaubilderEinlesen()
{
    if (!TableBilder->Active())
        return;
    const int angezeigt = int(DbeBilder->QueryRecCount());
    if (angezeigt != LetzteSatzanzahl) {
        LetzteSatzanzahl = angezeigt;
        ThumbnailsGeladen = false;
    }
    if (ThumbnailsGeladen)
        return;
    QString temp = WinToLinux(VorschauTempOrdner()).value_or(QDir::tempPath());
    if (!temp.endsWith(u'/'))
        temp += u'/';
    QKDBPicBox1->BlobTempDir = temp;
    QKDBPicBox1->BlobCount = long(DbeBilder->RecCount());
    QKDBPicBox1->Dbe = DbeBilder;
    QKDBPicBox1->BlobFeld = kVorschau;
    QKDBPicBox1->SetBlobRotate(!Einstellungen.Bool("VorschaubilderPhysikalischDrehen"));
    QKDBPicBox1->Rescan();
    ThumbnailsGeladen = true;
}

void TMainForm::Timer4Timer(TObject*)
{
    if (PageControlBilder->ActivePage() != TabSheetBilderDatenbank)
        return;
    Timer4->SetEnabled(false);
    ZeigeVorschauBildAusBlob();
}

// ---- finding the picture file ----------------------------------------------------------

QString TMainForm::BildDateiErmitteln(bool mitZugriffspruefung, const QString& logText)
{
    const bool anderes = Einstellungen.Bool("WennFileNichtGefundenAnderesLWtesten");
    const TBildFund fund = BildDateiFinden(DbeBilder->GetString(QStringLiteral("PFAD")), BereichBilder().Ordner(),
                                           BereichBilder().NurLesen(), anderes);
    const QChar album = BereichBilder().Ordner().isEmpty() ? QChar(u'C') : BereichBilder().Ordner()[0].toUpper();
    const bool cd = LaufwerksTyp(QString(album) + QStringLiteral(":\\")) == QLatin1String("CDROM");
    if (BereichBilder().NurLesen() && cd)
        return fund.Vorhanden ? fund.Pfad : QString();
    if (!mitZugriffspruefung)
        return fund.Pfad;
    const QString id = fund.Pfad.isEmpty() ? QString() : qktGetVolumeId(fund.Pfad.left(1));
    if (fund.Vorhanden && (id == DbeBilder->GetTrimString(QStringLiteral("LABELKENNU")) || anderes))
        return fund.Pfad;
    if (Einstellungen.Bool("PRGWave"))
        QKWAV1->PlayWAV(IncludeTrailingBackslash(Einstellungen.Text("PRGWavePfad")) + QStringLiteral("TUTMIRLEID.WAV"),
                        TwFlags{NODEFAULT});
    const QString label = QStringLiteral("\"") + DbeBilder->GetTrimString(QStringLiteral("LABEL")) + QStringLiteral("\"");
    Protokoll(QStringLiteral("Info"), logText + QStringLiteral(", Bild ist nicht im Zugriff! Legen Sie den Datenträger ")
                                          + label + QStringLiteral(" ein und versuchen Sie es erneut!"));
    ShowMessage(QStringLiteral("Bild ist nicht im Zugriff! Legen Sie den Datenträger ") + label + QStringLiteral(" (")
                + id + QStringLiteral(") ein und versuchen Sie es erneut!"));
    return {};
}

// ---- full view and slide show -------------------------------------------------------------

void TMainForm::VollbildAnzeige()
{
    if (!TableBilder->Active() || TableBilder->IsEmpty())
        return;
    Protokoll(QStringLiteral("Info"), QStringLiteral("VollBildAnzeige, Funktion aufgerufen!"));
    const QString datei = BildDateiErmitteln(true, QStringLiteral("VollBildAnzeige"));
    if (datei.isEmpty())
        return;
    if (CheckBoxExternAnzeigen->Checked()) {
        // The external viewer gets the file that was found, not the stored path.
        Bildexternanzeigen1Click(nullptr);
        return;
    }
    if (Einstellungen.Bool("PRGWave"))
        QKWAV1->PlayWAV(IncludeTrailingBackslash(Einstellungen.Text("PRGWavePfad")) + QStringLiteral("VollBildAnzeige.WAV"),
                        TwFlags{NODEFAULT});
    auto form = std::make_unique<TFullSizeForm>(Application, *bilder_);
    form->BildLaden();
    VollbildZeigen(*form);
}

void TMainForm::DateiVollbildAnzeigen(const QString& datei)
{
    auto form = std::make_unique<TFullSizeForm>(Application, *bilder_);
    form->AktuellesBild = datei;
    form->ImageWindow1->LoadFromFile(datei, 0, 0);
    VollbildZeigen(*form);
}

void TMainForm::VollbildOhneSlideShow()
{
    if (!TableBilder->Active() || TableBilder->IsEmpty())
        return;
    auto form = std::make_unique<TFullSizeForm>(Application, *bilder_);
    form->SetSlideShowIntervall(Einstellungen.Int("SlideShowInterval"));
    form->SlideShowstart1->SetEnabled(false);
    form->SlideShowstart2->SetEnabled(false);
    form->BildLaden();
    VollbildZeigen(*form);
}

void TMainForm::VollbildZeigen(TFullSizeForm& form)
{
    vollbild_ = &form;
    struct Ende {
        TFullSizeForm*& f;
        ~Ende() { f = nullptr; }
    } ende{vollbild_};
    form.ShowModal();
}

void TMainForm::Vollbild1Click(TObject*)
{
    if (TableBilder->Active())
        VollbildAnzeige();
}

void TMainForm::SlideShowstart1Click(TObject*)
{
    if (!TableBilder->Active() || DbeBilder->QueryRecCount() < 2)
        return;
    const TBildFund fund =
        BildDateiFinden(DbeBilder->GetString(QStringLiteral("PFAD")), BereichBilder().Ordner(),
                        BereichBilder().NurLesen(), Einstellungen.Bool("WennFileNichtGefundenAnderesLWtesten"));
    if (!fund.Vorhanden
        && MessageDlg(QStringLiteral("Die Slideshow beginnt mit dem ausgewählten Bild, welches sich aber nicht im "
                                     "Zugriff befindet, Slideshow dennoch starten?"),
                      mtConfirmation, {mbYes, mbNo}) != mrYes)
        return;
    auto form = std::make_unique<TFullSizeForm>(Application, *bilder_);
    if (fund.Vorhanden && ::IstInternesBildFormat(fund.Pfad))
        form->BildLaden();
    form->SlideShowstart1Click(nullptr);
    VollbildZeigen(*form);
}

void TMainForm::TextVollbildAnpassen(const TFont* schrift, TColor farbe)
{
    TTextVollbildForm* text = vollbild_ ? vollbild_->TextVollbildForm : nullptr;
    if (!text || !text->Visible())
        return;
    if (schrift)
        text->Label1->Font()->Assign(schrift);
    if (farbe != clNone)
        text->SetColor(farbe);
}

// ---- automatic browsing -----------------------------------------------------------------------

void TMainForm::DatenbankautomatischVorwaertsblaetternClick(TObject*)
{
    if (TMenuItem* m = MenuItem(QStringLiteral("DatenbankautomatischVorwaertsblaettern"))) {
        m->SetChecked(!m->Checked());
        if (m->Checked())
            Timer1->SetEnabled(true);
    }
}

void TMainForm::DatenbankautomatischRueckwaertsblaetternClick(TObject*)
{
    if (TMenuItem* m = MenuItem(QStringLiteral("DatenbankautomatischRueckwaertsblaettern"))) {
        m->SetChecked(!m->Checked());
        if (m->Checked())
            Timer1->SetEnabled(true);
    }
}

void TMainForm::Timer1Timer(TObject*)
{
    if (!TableBilder->Active() || TableBilder->IsEmpty())
        return;
    const TMenuItem* vor = MenuItem(QStringLiteral("DatenbankautomatischVorwaertsblaettern"));
    const TMenuItem* zurueck = MenuItem(QStringLiteral("DatenbankautomatischRueckwaertsblaettern"));
    if (vor && vor->Checked()) {
        TableBilder->Next();
        if (TableBilder->Eof())
            TableBilder->First();
        ZeigeVorschauBildAusBlob();
    }
    if (zurueck && zurueck->Checked()) {
        TableBilder->Prior();
        if (TableBilder->Bof())
            TableBilder->Last();
        ZeigeVorschauBildAusBlob();
    }
}

// ---- rotation -------------------------------------------------------------------------------------

void TMainForm::DrehFlagSchreiben(QChar c)
{
    if (TableBilder->Active() && !TableBilder->IsEmpty())
        FlagSetzen(DbeBilder, kFlags, 4, BereichBilder().NurLesen(), c);
}

void TMainForm::ExternFlagSchreiben(QChar c)
{
    if (TableBilder->Active() && !TableBilder->IsEmpty())
        FlagSetzen(DbeBilder, kFlags, 1, BereichBilder().NurLesen(), c);
}

void TMainForm::Drehbefehl(int viertel)
{
    if (!TableBilder->Active() || TableBilder->IsEmpty())
        return;
    TRadioButton* knoepfe[] = {RadioButton0Grad, RadioButton90GradRechts, RadioButton180GradRechts,
                               RadioButton270GradRechts};
    knoepfe[viertel]->SetChecked(true);
    const bool physikalisch = Einstellungen.Bool("VorschaubilderPhysikalischDrehen");
    if (viertel != 0 || !physikalisch)
        DrehFlagSchreiben(QChar(u'0' + viertel));
    PanelVorschaubild1->Tag = 0;
    ZeigeVorschauBildAusBlob();
    if (physikalisch && viertel != 0 && !BereichBilder().NurLesen() && vorschauAusMemo_) {
        BildSetzen(ImageWindow2, Gedreht(BildVon(ImageWindow2), viertel));
        SchreibeAktuellesVorschaubild();
        if (SchwebendesVorschaubild)
            BildSetzen(SchwebendesVorschaubild->ImageWindow2, BildVon(ImageWindow2));
    }
}

void TMainForm::RadioButtonMouseUp(TRadioButton* knopf, int viertel)
{
    if (!TableBilder->Active() || TableBilder->IsEmpty())
        return;
    if (viertel == 0) {
        if (knopf->Checked())
            DrehFlagSchreiben(u'0');
    } else {
        DrehFlagSchreiben(knopf->Checked() ? QChar(u'0' + viertel) : QChar(u'0'));
    }
    PanelVorschaubild1->Tag = 0;
    ZeigeVorschauBildAusBlob();
    PrgWavSpielen(knopf->Tag);
}

// ---- external programs ---------------------------------------------------------------------------

void TMainForm::CheckBoxExternAnzeigenMouseUp(TObject*)
{
    // Character 1 of FLAGS: bit "show" and bit "edit" as '0' to '3'.
    ExternKlick(CheckBoxExternAnzeigen, u'1', u'2');
}

void TMainForm::CheckBoxExternAufrufenMouseUp(TObject*)
{
    ExternKlick(CheckBoxExternAufrufen, u'2', u'1');
}

void TMainForm::ExternKlick(TCheckBox* box, QChar eigenes, QChar anderes)
{
    const QChar c = FlagLesen(DbeBilder, kFlags, 1);
    if (!box->Checked())
        ExternFlagSchreiben(c == u'3' ? anderes : QChar(u'0'));
    else
        ExternFlagSchreiben(c == anderes ? QChar(u'3') : eigenes);
    PanelVorschaubild1->Tag = 0;
    ZeigeVorschauBildAusBlob();
    PrgWavSpielen(box->Tag);
}

void TMainForm::Bildexternanzeigen1Click(TObject*)
{
    if (!TableBilder->Active() || TableBilder->IsEmpty())
        return;
    const TBildFund fund =
        BildDateiFinden(DbeBilder->GetString(QStringLiteral("PFAD")), BereichBilder().Ordner(),
                        BereichBilder().NurLesen(), Einstellungen.Bool("WennFileNichtGefundenAnderesLWtesten"));
    const QString bild = fund.Pfad;
    if (Einstellungen.Bool("UseWindowsLink")) {
        qktShellExec(bild, QString(), QString(), 1);
        return;
    }
    const QString programm = Einstellungen.Text("PfadBildAnzeige");
    if (programm.isEmpty() || !FileExists(programm)) {
        ShowMessage(QStringLiteral("Programm nicht gefunden, tragen Sie unter \"Optionen->Bilderverwaltung->Externe "
                                   "Programme\" ein Programm zur Bilderanzeige ein !"));
        return;
    }
    if (ShellExecute(programm, QStringLiteral("\"") + bild + QStringLiteral("\""), QString(), 5) < 32)
        ShowMessage(QStringLiteral("Fehler beim Starten von ") + programm);
}

void TMainForm::BildExternBearbeiten(int editor, const QString& datei)
{
    if (!TableBilder->Active() || TableBilder->IsEmpty())
        return;
    ExternBearbeiteteSaetze.Add(QString::number(DbeBilder->RecNo()));
    QString bild = datei;
    if (bild.isEmpty())
        bild = BildDateiFinden(DbeBilder->GetString(QStringLiteral("PFAD")), BereichBilder().Ordner(),
                               BereichBilder().NurLesen(), Einstellungen.Bool("WennFileNichtGefundenAnderesLWtesten"))
                   .Pfad;
    const QString programm = Einstellungen.Text(QStringLiteral("PfadBildBearbeitung%1").arg(editor).toLatin1().constData());
    if (programm.isEmpty() || !FileExists(programm)) {
        ShowMessage(QStringLiteral("Programm nicht gefunden, tragen Sie unter \"Optionen->Externe Programme\" ein "
                                   "Programm ein !"));
        return;
    }
    if (Einstellungen.Bool("AlleMeldungen"))
        NachrichtenDialog(QStringLiteral("Startmeldung"),
                          QStringLiteral("Das Programm ") + programm + bild + QStringLiteral(" wird jetzt gestartet!"),
                          RequesterAnzeigeZeit, editor == 1 ? 180 : 130, clInfoBk, clBlack, true);
    if (ShellExecute(programm, QStringLiteral("\"") + bild + QStringLiteral("\""), QString(), 5) < 32)
        ShowMessage(QStringLiteral("Fehler beim Starten von ") + programm);
}

// ---- thumbnail page ---------------------------------------------------------------------------------

void TMainForm::QKDBPicBox1Click(TObject*)
{
    const int i = QKDBPicBox1->ItemIndex();
    if (i < 0 || i >= QKDBPicBox1->Items()->Count())
        return;
    const QString text = QKDBPicBox1->Items()->Get(i);
    bool ok = false;
    const uint32_t satz = text.toUInt(&ok);
    if (!ok || satz == 0)
        return;
    DbeBilder->Go(satz);
    if (Einstellungen.Bool("ShortDescInHint"))
        QKDBPicBox1->SetHint(DbeBilder->GetTrimString(QStringLiteral("ShortDesc")));
}

void TMainForm::QKDBPicBox1DblClick(TObject* Sender)
{
    QKDBPicBox1Click(Sender);
    VollbildAnzeige();
}

void TMainForm::PopupMenuVorschaubilderPopup(TObject*)
{
    if (TMenuItem* m = MenuItem(QStringLiteral("BildMarkieren1")); m && TableBilder->Active() && !TableBilder->IsEmpty())
        m->SetChecked(TableBilder->FieldByName(QStringLiteral("Markiert"))->AsBoolean());
}

void TMainForm::EinstellungenVorschaubilder1Click(TObject* Sender)
{
    Ton(Sender);
    // Every change shows at once on the thumbnail grid.
    TVorschaubildereinstellungenForm form(this, *bilder_, bilder_->IniDatei(), [this](int n) { PrgWavSpielen(n); });
    form.ShowModal();
}

// ---- floating window ------------------------------------------------------------------------------------

void TMainForm::SchwebendesVorschaubild1Click(TObject*)
{
    // One window for the run: a click shows it again.
    if (!SchwebendesVorschaubild)
        SchwebendesVorschaubild = new TFormSchwebeneVorschau(Application, *bilder_);
    SchwebendesVorschaubild->Show();
    PanelVorschaubild1->Tag = 0;
    ZeigeVorschauBildAusBlob();
    SchwebendesVorschaubild->Notebook1->SetPageIndex(0);
}

// ---- big picture ------------------------------------------------------------------------------------------

void TMainForm::ScannerbildAnzeige1Click(TObject*)
{
    if (!ImageWindow1->ImageInWindow()->HasImage())
        ImageWindow1->LoadFromFile(ProgrammPfad + QStringLiteral("Logo.jpg"), 0, 0);
    if (PageControlBilder->ActivePage() != TabSheetGrossBild)
        PageControlBilder->SetActivePage(TabSheetGrossBild);
}

void TMainForm::ImageWindow1MouseMove(TObject*, TShiftState Shift, int X, int Y)
{
    auto paar = [](int a, int b) { return QString::number(a) + QLatin1Char('/') + QString::number(b); };
    const bool nurLinks = Shift.Contains(ssLeft) && !Shift.Contains(ssRight) && !Shift.Contains(ssMiddle);
    if (!nurLinks) {
        GrossBildZiehStart = Point(X, Y);
        ImageWindow1->SetCursor(crDefault);
    } else {
        ImageWindow1->SetCursor(kGrabHand);
        const int dx = (GrossBildZiehStart.X - X) / 13, dy = (GrossBildZiehStart.Y - Y) / 10;
        TScrollBar* h = ImageWindow1->HorzScrollBar();
        TScrollBar* v = ImageWindow1->VertScrollBar();
        h->SetPosition(h->Position() + dx);
        v->SetPosition(v->Position() + dy);
        Panel18->SetCaption(paar(h->Position(), v->Position()));
        Panel19->SetCaption(paar(dx, dy));
        Panel20->SetCaption(paar(X, Y));
        Application->ProcessMessages();
    }
    Panel21->SetCaption(paar(X, Y));
}
