// The picture views of the open album (see bild_ansichten.h).

#include "mainwindow/bild_ansichten.h"

#include "album/album_ansicht.h"
#include "album/album_record.h"
#include "album/arbeitsbereich.h"
#include "mainwindow/main_settings.h"
#include "album/offenes_album.h"
#include "album/programm_dienste.h"

#include "datagrid/dk_table.h"
#include "dialogs/album_dialog_parts.h"
#include "dialogs/bild_finden.h"
#include "dialogs/scan_pics.h"
#include "imaging/image_window.h"
#include "imaging/pic_box.h"
#include "platform/core/file_utils.h"
#include "platform/core/run_temp_folder.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win_path.h"
#include "platform/data/field.h"
#include "platform/dbf/dbe.h"
#include "platform/os/shell.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "shared/general_files.h"
#include "shared/qk_ini.h"
#include "shared/utility_files.h"
#include "shared/utility_shell.h"
#include "storage/flags_field.h"
#include "storage/tdbe.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTransform>

#include <memory>

namespace {

const QString kFlags = QStringLiteral("FLAGS");
const QString kVorschau = QStringLiteral("VORSCHAU");
constexpr TCursor kGrabHand = 2001;
// A thumbnail memo of fewer bytes than this holds no picture.
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

// Decodes a picture, scaled down where it is larger than a thumbnail view
// needs.
QImage VorschauDekodieren(QImageReader& leser)
{
    const QSize groesse = leser.size();
    if (groesse.isValid() && (groesse.width() > 1024 || groesse.height() > 1024))
        leser.setScaledSize(groesse.scaled(1024, 1024, Qt::KeepAspectRatio));
    return leser.read();
}

// The format of a thumbnail memo by its first bytes (the album's thumbnails
// are BMP, older ones may be JPEG or PNG), so the reader need not ask every
// image format in turn; empty (the reader finds out) for anything else.
QByteArray VorschauFormat(const QByteArray& daten)
{
    if (daten.startsWith("BM"))
        return QByteArrayLiteral("bmp");
    if (daten.startsWith("\xFF\xD8\xFF"))
        return QByteArrayLiteral("jpeg");
    if (daten.startsWith("\x89PNG"))
        return QByteArrayLiteral("png");
    return {};
}

QImage DateiLesen(const QString& datei)
{
    const std::optional<QString> pfad = WinToLinux(datei);
    if (!pfad)
        return {};
    QImageReader leser(*pfad);
    return VorschauDekodieren(leser);
}

}  // namespace

TBildAnsichten::TBildAnsichten(TOffenesAlbum& album, TAlbumAnsicht& ansicht,
                               const TBildAnsichtenKomponenten& komponenten, TProgrammDienste& dienste,
                               TBildAnsichtenUmgebung& umgebung)
    : album_(album.Bilder()), ansicht_(ansicht), k_(komponenten), dienste_(dienste), umgebung_(umgebung)
{
}

TBildAnsichten::~TBildAnsichten() = default;

const TEinstellungen& TBildAnsichten::Einstellungen() const { return umgebung_.Einstellungen(); }

// ---- the thumbnail of the current entry ----------------------------------------------

void TBildAnsichten::VorschauLaden(const QString& datei)
{
    const QImage bild = DateiLesen(datei);
    BildSetzen(k_.ImageWindow2, bild);
    if (schwebend_)
        schwebend_->BildZeigen(datei);
}

void TBildAnsichten::ZeigeVorschauBildAusBlob()
{
    const QString platzhalter = dienste_.ProgrammPfad() + QStringLiteral("Logo.jpg");
    TdkTable* tabelle = album_.Tabelle();
    TDbe* dbe = album_.Dbe();
    if (!tabelle->Active()) {
        umgebung_.OhneAlbumAnzeigen();
        k_.PanelVorschaubild1->Tag = 0;
        return;
    }
    const long satz = long(dbe->RecNo());
    // The entry's flags may have changed while its picture stays: the boxes
    // of the external programs always follow them.
    const auto externBoxen = [this, dbe] {
        const QChar e = FlagLesen(dbe, kFlags, 1);
        k_.CheckBoxExternAnzeigen->SetChecked(e == u'1' || e == u'3');
        k_.CheckBoxExternAufrufen->SetChecked(e == u'2' || e == u'3');
    };
    if (satz == k_.PanelVorschaubild1->Tag) {
        externBoxen();
        return;
    }
    // Past the end there is no entry: the number is the one the next new
    // entry gets, so it is not remembered as shown.
    k_.PanelVorschaubild1->Tag = uint32_t(satz) <= dbe->RecCount() ? satz : 0;
    ansicht_.SatzAnzahlZeigen();
    vorschauAusMemo_ = false;
    const long laenge = tabelle->IsEmpty() ? 0 : dbe->GetBlobLength(kVorschau);
    if (laenge <= 0) {
        VorschauLaden(platzhalter);
    } else {
        // The thumbnail is decoded straight from the memo, no file between;
        // the length just read is the memo's, so it is asked only once.
        char* daten = dbe->GetMemo(kVorschau);
        if (!daten)
            ShowMessage(QStringLiteral("Fehler beim Schreiben des Vorschaubildes aus dem Fotoalbum, wahrscheinlich ist "
                                       "die Datenbank defekt...."));
        QByteArray memo = daten ? QByteArray(daten, qsizetype(laenge)) : QByteArray();
        dbe->MemDealloc(daten);
        if (memo.size() < kMindestVorschau) {
            VorschauLaden(platzhalter);
            return;
        }
        QBuffer puffer(&memo);
        QImageReader leser(&puffer, VorschauFormat(memo));
        const QImage bild = VorschauDekodieren(leser);
        BildSetzen(k_.ImageWindow2, bild);
        if (schwebend_)
            BildSetzen(schwebend_->ImageWindow2, bild);
        vorschauAusMemo_ = true;
    }
    if (schwebend_) {
        const QString pfad = dbe->GetTrimString(QStringLiteral("PFAD"));
        schwebend_->LabelDateiname->SetCaption(ExtractFileName(pfad));
        schwebend_->LabelPfad->SetCaption(ExtractFilePath(pfad));
    }
    if (!Einstellungen().Bool("VorschaubilderPhysikalischDrehen")) {
        const QChar d = FlagLesen(dbe, kFlags, 4);
        const int viertel = d >= u'1' && d <= u'3' ? d.unicode() - u'0' : 0;
        k_.Drehknoepfe[viertel]->SetChecked(true);
        if (viertel)
            BildSetzen(k_.ImageWindow2, Gedreht(BildVon(k_.ImageWindow2), viertel));
    }
    externBoxen();
}

void TBildAnsichten::VerzoegertesVorschaubild()
{
    if (!umgebung_.GridSeiteAktiv())
        return;
    k_.Timer4->SetEnabled(false);
    ZeigeVorschauBildAusBlob();
}

void TBildAnsichten::SchreibeAktuellesVorschaubild()
{
    if (album_.NurLesen() || !album_.Tabelle()->Active() || album_.Tabelle()->IsEmpty())
        return;
    const TRunTempFile datei(QStringLiteral("Vorschau2.bmp"));
    const QImage bild = BildVon(k_.ImageWindow2);
    if (bild.isNull() || !datei.IsValid() || !bild.save(datei.Path(), "BMP"))
        return;
    // The engine replaces the memo's contents with the file's.
    album_.Tabelle()->Edit();
    album_.Dbe()->Replace(kVorschau, 0x2000, datei.WinPath());
    album_.Dbe()->PostIfEditing();
}

// ---- thumbnail page ---------------------------------------------------------------------------------

void TBildAnsichten::VorschaubilderEinlesen()
{
    if (!album_.Tabelle()->Active())
        return;
    TDbe* dbe = album_.Dbe();
    if (umgebung_.SatzanzahlNeu(int(dbe->QueryRecCount())))
        thumbnailsGeladen_ = false;
    if (thumbnailsGeladen_)
        return;
    QString temp = WinToLinux(dienste_.TempOrdner()).value_or(QDir::tempPath());
    if (!temp.endsWith(u'/'))
        temp += u'/';
    k_.QKDBPicBox1->BlobTempDir = temp;
    k_.QKDBPicBox1->BlobCount = long(dbe->RecCount());
    k_.QKDBPicBox1->Dbe = dbe;
    k_.QKDBPicBox1->BlobFeld = kVorschau;
    k_.QKDBPicBox1->SetBlobRotate(!Einstellungen().Bool("VorschaubilderPhysikalischDrehen"));
    k_.QKDBPicBox1->Rescan();
    thumbnailsGeladen_ = true;
}

void TBildAnsichten::VorschaubildGewaehlt()
{
    const int i = k_.QKDBPicBox1->ItemIndex();
    if (i < 0 || i >= k_.QKDBPicBox1->Items()->Count())
        return;
    const QString text = k_.QKDBPicBox1->Items()->Get(i);
    bool ok = false;
    const uint32_t satz = text.toUInt(&ok);
    if (!ok || satz == 0)
        return;
    album_.Dbe()->Go(satz);
    if (Einstellungen().Bool("ShortDescInHint"))
        k_.QKDBPicBox1->SetHint(album_.Dbe()->GetTrimString(QStringLiteral("ShortDesc")));
}

void TBildAnsichten::VorschaubilderMenueZeigen()
{
    TdkTable* tabelle = album_.Tabelle();
    if (TMenuItem* m = dienste_.Menuepunkt(QStringLiteral("BildMarkieren1")); m && tabelle->Active() && !tabelle->IsEmpty())
        m->SetChecked(tabelle->FieldByName(QStringLiteral("Markiert"))->AsBoolean());
}

void TBildAnsichten::VorschaubilderEinstellen(TComponent* besitzer)
{
    // Every change shows at once on the thumbnail grid.
    TVorschaubildereinstellungenForm form(besitzer, *this, IniDatei(), [this](int n) { PrgWavSpielen(n); });
    form.ShowModal();
}

// ---- finding the picture file ----------------------------------------------------------

QString TBildAnsichten::BildDateiErmitteln(bool mitZugriffspruefung, const QString& logText)
{
    TDbe* dbe = album_.Dbe();
    const bool anderes = Einstellungen().Bool("WennFileNichtGefundenAnderesLWtesten");
    const TBildFund fund = BildDateiFinden(dbe->GetString(QStringLiteral("PFAD")), album_.Ordner(), album_.NurLesen(), anderes);
    const QChar laufwerk = album_.Ordner().isEmpty() ? QChar(u'C') : album_.Ordner()[0].toUpper();
    const bool cd = LaufwerksTyp(QString(laufwerk) + QStringLiteral(":\\")) == QLatin1String("CDROM");
    if (album_.NurLesen() && cd)
        return fund.Vorhanden ? fund.Pfad : QString();
    // A picture of a CD-R tree lies on the album's own medium, whatever
    // medium the entry recorded before it was copied there.
    if (fund.ImBaum)
        return fund.Pfad;
    if (!mitZugriffspruefung)
        return fund.Pfad;
    const QString id = fund.Pfad.isEmpty() ? QString() : qktGetVolumeId(fund.Pfad.left(1));
    if (fund.Vorhanden && (id == dbe->GetTrimString(QStringLiteral("LABELKENNU")) || anderes))
        return fund.Pfad;
    if (Einstellungen().Bool("PRGWave"))
        dienste_.WavSpielen(IncludeTrailingBackslash(Einstellungen().Text("PRGWavePfad")) + QStringLiteral("TUTMIRLEID.WAV"));
    const QString label = QStringLiteral("\"") + dbe->GetTrimString(QStringLiteral("LABEL")) + QStringLiteral("\"");
    dienste_.Protokoll(QStringLiteral("Info"), logText + QStringLiteral(", Bild ist nicht im Zugriff! Legen Sie den Datenträger ")
                                                    + label + QStringLiteral(" ein und versuchen Sie es erneut!"));
    ShowMessage(QStringLiteral("Bild ist nicht im Zugriff! Legen Sie den Datenträger ") + label + QStringLiteral(" (")
                + id + QStringLiteral(") ein und versuchen Sie es erneut!"));
    return {};
}

// ---- full view and slide show -------------------------------------------------------------

void TBildAnsichten::VollbildAnzeige()
{
    if (!album_.Tabelle()->Active() || album_.Tabelle()->IsEmpty())
        return;
    dienste_.Protokoll(QStringLiteral("Info"), QStringLiteral("VollBildAnzeige, Funktion aufgerufen!"));
    const QString datei = BildDateiErmitteln(true, QStringLiteral("VollBildAnzeige"));
    if (datei.isEmpty())
        return;
    if (k_.CheckBoxExternAnzeigen->Checked()) {
        // The external viewer gets the file that was found, not the stored path.
        BildExternAnzeigen();
        return;
    }
    if (Einstellungen().Bool("PRGWave"))
        dienste_.WavSpielen(IncludeTrailingBackslash(Einstellungen().Text("PRGWavePfad")) + QStringLiteral("VollBildAnzeige.WAV"));
    auto form = std::make_unique<TFullSizeForm>(Application, *this);
    form->BildLaden();
    VollbildZeigen(*form);
}

void TBildAnsichten::DateiVollbildAnzeigen(const QString& datei)
{
    auto form = std::make_unique<TFullSizeForm>(Application, *this);
    form->AktuellesBild = datei;
    form->ImageWindow1->LoadFromFile(datei, 0, 0);
    VollbildZeigen(*form);
}

void TBildAnsichten::VollbildOhneSlideShow()
{
    if (!album_.Tabelle()->Active() || album_.Tabelle()->IsEmpty())
        return;
    auto form = std::make_unique<TFullSizeForm>(Application, *this);
    form->SetSlideShowIntervall(Einstellungen().Int("SlideShowInterval"));
    form->SlideShowstart1->SetEnabled(false);
    form->SlideShowstart2->SetEnabled(false);
    form->BildLaden();
    VollbildZeigen(*form);
}

void TBildAnsichten::VollbildZeigen(TFullSizeForm& form)
{
    vollbild_ = &form;
    struct Ende {
        TFullSizeForm*& f;
        ~Ende() { f = nullptr; }
    } ende{vollbild_};
    form.ShowModal();
}

void TBildAnsichten::SlideShowStarten()
{
    TDbe* dbe = album_.Dbe();
    if (!album_.Tabelle()->Active() || dbe->QueryRecCount() < 2)
        return;
    const TBildFund fund = BildDateiFinden(dbe->GetString(QStringLiteral("PFAD")), album_.Ordner(), album_.NurLesen(),
                                           Einstellungen().Bool("WennFileNichtGefundenAnderesLWtesten"));
    if (!fund.Vorhanden
        && MessageDlg(QStringLiteral("Die Slideshow beginnt mit dem ausgewählten Bild, welches sich aber nicht im "
                                     "Zugriff befindet, Slideshow dennoch starten?"),
                      mtConfirmation, {mbYes, mbNo}) != mrYes)
        return;
    auto form = std::make_unique<TFullSizeForm>(Application, *this);
    if (fund.Vorhanden && ::IstInternesBildFormat(fund.Pfad))
        form->BildLaden();
    form->SlideShowstart1Click(nullptr);
    VollbildZeigen(*form);
}

void TBildAnsichten::TextVollbildAnpassen(const TFont* schrift, TColor farbe)
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

void TBildAnsichten::AutomatischBlaettern(const QString& menuepunkt)
{
    if (TMenuItem* m = dienste_.Menuepunkt(menuepunkt)) {
        m->SetChecked(!m->Checked());
        if (m->Checked())
            k_.Timer1->SetEnabled(true);
    }
}

void TBildAnsichten::Blaettern()
{
    TdkTable* tabelle = album_.Tabelle();
    if (!tabelle->Active() || tabelle->IsEmpty())
        return;
    const TMenuItem* vor = dienste_.Menuepunkt(QStringLiteral("DatenbankautomatischVorwaertsblaettern"));
    const TMenuItem* zurueck = dienste_.Menuepunkt(QStringLiteral("DatenbankautomatischRueckwaertsblaettern"));
    if (vor && vor->Checked()) {
        tabelle->Next();
        if (tabelle->Eof())
            tabelle->First();
        ZeigeVorschauBildAusBlob();
    }
    if (zurueck && zurueck->Checked()) {
        tabelle->Prior();
        if (tabelle->Bof())
            tabelle->Last();
        ZeigeVorschauBildAusBlob();
    }
}

// ---- rotation -------------------------------------------------------------------------------------

void TBildAnsichten::DrehFlagSchreiben(QChar c)
{
    if (album_.Tabelle()->Active() && !album_.Tabelle()->IsEmpty())
        FlagSetzen(album_.Dbe(), kFlags, 4, album_.NurLesen(), c);
}

void TBildAnsichten::ExternFlagSchreiben(QChar c)
{
    if (album_.Tabelle()->Active() && !album_.Tabelle()->IsEmpty())
        FlagSetzen(album_.Dbe(), kFlags, 1, album_.NurLesen(), c);
}

void TBildAnsichten::Drehen(int viertel)
{
    if (!album_.Tabelle()->Active() || album_.Tabelle()->IsEmpty())
        return;
    k_.Drehknoepfe[viertel]->SetChecked(true);
    const bool physikalisch = Einstellungen().Bool("VorschaubilderPhysikalischDrehen");
    if (viertel != 0 || !physikalisch)
        DrehFlagSchreiben(QChar(u'0' + viertel));
    k_.PanelVorschaubild1->Tag = 0;
    ZeigeVorschauBildAusBlob();
    if (physikalisch && viertel != 0 && !album_.NurLesen() && vorschauAusMemo_) {
        BildSetzen(k_.ImageWindow2, Gedreht(BildVon(k_.ImageWindow2), viertel));
        SchreibeAktuellesVorschaubild();
        if (schwebend_)
            BildSetzen(schwebend_->ImageWindow2, BildVon(k_.ImageWindow2));
    }
}

void TBildAnsichten::DrehknopfLosgelassen(TRadioButton* knopf, int viertel)
{
    if (!album_.Tabelle()->Active() || album_.Tabelle()->IsEmpty())
        return;
    if (viertel == 0) {
        if (knopf->Checked())
            DrehFlagSchreiben(u'0');
    } else {
        DrehFlagSchreiben(knopf->Checked() ? QChar(u'0' + viertel) : QChar(u'0'));
    }
    k_.PanelVorschaubild1->Tag = 0;
    ZeigeVorschauBildAusBlob();
    PrgWavSpielen(knopf->Tag);
}

// ---- external programs ---------------------------------------------------------------------------

void TBildAnsichten::ExternAnzeigenGeklickt()
{
    // Character 1 of FLAGS: bit "show" and bit "edit" as '0' to '3'.
    ExternKlick(k_.CheckBoxExternAnzeigen, u'1', u'2');
}

void TBildAnsichten::ExternAufrufenGeklickt() { ExternKlick(k_.CheckBoxExternAufrufen, u'2', u'1'); }

void TBildAnsichten::ExternKlick(TCheckBox* box, QChar eigenes, QChar anderes)
{
    const QChar c = FlagLesen(album_.Dbe(), kFlags, 1);
    if (!box->Checked())
        ExternFlagSchreiben(c == u'3' ? anderes : QChar(u'0'));
    else
        ExternFlagSchreiben(c == anderes ? QChar(u'3') : eigenes);
    k_.PanelVorschaubild1->Tag = 0;
    ZeigeVorschauBildAusBlob();
    PrgWavSpielen(box->Tag);
}

void TBildAnsichten::BildExternAnzeigen()
{
    if (!album_.Tabelle()->Active() || album_.Tabelle()->IsEmpty())
        return;
    const TBildFund fund = BildDateiFinden(album_.Dbe()->GetString(QStringLiteral("PFAD")), album_.Ordner(),
                                           album_.NurLesen(), Einstellungen().Bool("WennFileNichtGefundenAnderesLWtesten"));
    const QString bild = fund.Pfad;
    if (Einstellungen().Bool("UseWindowsLink")) {
        qktShellExec(bild, QString(), QString(), 1);
        return;
    }
    const QString programm = Einstellungen().Text("PfadBildAnzeige");
    if (programm.isEmpty() || !FileExists(programm)) {
        ShowMessage(QStringLiteral("Programm nicht gefunden, tragen Sie unter \"Optionen->Bilderverwaltung->Externe "
                                   "Programme\" ein Programm zur Bilderanzeige ein !"));
        return;
    }
    if (ShellExecute(programm, QStringLiteral("\"") + bild + QStringLiteral("\""), QString(), 5) < 32)
        ShowMessage(QStringLiteral("Fehler beim Starten von ") + programm);
}

void TBildAnsichten::BildExternBearbeiten(int editor, const QString& datei)
{
    if (!album_.Tabelle()->Active() || album_.Tabelle()->IsEmpty())
        return;
    externBearbeitet_.Add(QString::number(album_.Dbe()->RecNo()));
    QString bild = datei;
    if (bild.isEmpty())
        bild = BildDateiFinden(album_.Dbe()->GetString(QStringLiteral("PFAD")), album_.Ordner(), album_.NurLesen(),
                               Einstellungen().Bool("WennFileNichtGefundenAnderesLWtesten"))
                   .Pfad;
    const QString programm = Einstellungen().Text(QStringLiteral("PfadBildBearbeitung%1").arg(editor).toLatin1().constData());
    if (programm.isEmpty() || !FileExists(programm)) {
        ShowMessage(QStringLiteral("Programm nicht gefunden, tragen Sie unter \"Optionen->Externe Programme\" ein "
                                   "Programm ein !"));
        return;
    }
    if (Einstellungen().Bool("AlleMeldungen"))
        dienste_.Hinweis(QStringLiteral("Startmeldung"),
                          QStringLiteral("Das Programm ") + programm + bild + QStringLiteral(" wird jetzt gestartet!"),
                          editor == 1 ? 180 : 130);
    if (ShellExecute(programm, QStringLiteral("\"") + bild + QStringLiteral("\""), QString(), 5) < 32)
        ShowMessage(QStringLiteral("Fehler beim Starten von ") + programm);
}

void TBildAnsichten::ExternBearbeiteteAktualisieren()
{
    if (externBearbeitet_.Count() == 0) {
        ShowMessage(QStringLiteral("Aktuell keine Bilder extern bearbeitet!"));
        return;
    }
    ansicht_.GridSeiteZeigen();
    AktualisiereExternBearbeiteteBilder();
    externBearbeitet_.Clear();
}

void TBildAnsichten::AktualisiereExternBearbeiteteBilder()
{
    TdkTable* tabelle = album_.Tabelle();
    TDbe* dbe = album_.Dbe();
    if (!tabelle->Active())
        return;
    for (int i = 0; i < externBearbeitet_.Count(); ++i) {
        Screen->SetCursor(crHourGlass);
        dbe->Go(externBearbeitet_[i].toUInt());
        const QString pfad = dbe->GetTrimString(QStringLiteral("PFAD"));
        const int64_t groesse = qktFileSize(pfad);
        // Unchanged or gone: nothing to bring up to date.
        if (!FileExists(pfad) || groesse == int64_t(dbe->GetDouble(QStringLiteral("BYTES"))))
            continue;
        k_.ImageWindow1->LoadFromFile(pfad, 0, 0);
        const TRunTempFile vorschau(QStringLiteral("Vorschau.bmp"));
        const bool mitVorschau = vorschau.IsValid() && VorschaubildSchreiben(pfad, vorschau.WinPath(), 0);
        tabelle->Edit();
        // The engine replaces the memo's contents with the file's.
        if (mitVorschau)
            dbe->Replace(kVorschau, 0x2000, vorschau.WinPath());
        const int32_t bytes = int32_t(groesse);
        dbe->Replace(QStringLiteral("BYTES"), DBE_REPL_LONG, &bytes);
        if (FileAge(pfad) > 0)
            dbe->Replace(QStringLiteral("FILEDATE"), DBE_REPL_DATE, DateTimeToStr(FileDateTime(pfad)).left(10));
        else
            dienste_.Protokoll(QStringLiteral("Fehler"),
                                QStringLiteral("(AktualisiereExternBearbeiteteBilder) Aus den Dateinamen =") + pfad +
                                    QStringLiteral(" kann kein Dateidatum ermittelt werden (Umlautproblem?!)"));
        dbe->PostIfEditing();
    }
    Screen->SetCursor(crDefault);
}

// ---- floating window ------------------------------------------------------------------------------------

void TBildAnsichten::SchwebendesVorschaubildZeigen()
{
    // One window for the run: a click shows it again.
    if (!schwebend_)
        schwebend_ = new TFormSchwebeneVorschau(Application, *this);
    schwebend_->Show();
    k_.PanelVorschaubild1->Tag = 0;
    ZeigeVorschauBildAusBlob();
    schwebend_->Notebook1->SetPageIndex(0);
}

void TBildAnsichten::SchwebendesVorschaubildSchliessen()
{
    delete schwebend_;
    schwebend_ = nullptr;
}

// ---- big picture ------------------------------------------------------------------------------------------

void TBildAnsichten::GrossBildZeigen()
{
    if (!k_.ImageWindow1->ImageInWindow()->HasImage())
        k_.ImageWindow1->LoadFromFile(dienste_.ProgrammPfad() + QStringLiteral("Logo.jpg"), 0, 0);
    umgebung_.GrossBildSeiteZeigen();
}

void TBildAnsichten::GrossBildZiehen(TShiftState Shift, int X, int Y)
{
    auto paar = [](int a, int b) { return QString::number(a) + QLatin1Char('/') + QString::number(b); };
    const bool nurLinks = Shift.Contains(ssLeft) && !Shift.Contains(ssRight) && !Shift.Contains(ssMiddle);
    if (!nurLinks) {
        grossBildZiehStart_ = Point(X, Y);
        k_.ImageWindow1->SetCursor(crDefault);
    } else {
        k_.ImageWindow1->SetCursor(kGrabHand);
        const int dx = (grossBildZiehStart_.X - X) / 13, dy = (grossBildZiehStart_.Y - Y) / 10;
        TScrollBar* h = k_.ImageWindow1->HorzScrollBar();
        TScrollBar* v = k_.ImageWindow1->VertScrollBar();
        h->SetPosition(h->Position() + dx);
        v->SetPosition(v->Position() + dy);
        k_.Panel18->SetCaption(paar(h->Position(), v->Position()));
        k_.Panel19->SetCaption(paar(dx, dy));
        k_.Panel20->SetCaption(paar(X, Y));
        Application->ProcessMessages();
    }
    k_.Panel21->SetCaption(paar(X, Y));
}

// ---- the full-size viewer's host ------------------------------------------------------------------------

TDataSet* TBildAnsichten::AlbumTabelle() { return album_.Tabelle(); }

TDbe* TBildAnsichten::AlbumDbe() { return album_.Dbe(); }

bool TBildAnsichten::AlbumSchreibgeschuetzt() const { return album_.NurLesen(); }

QString TBildAnsichten::AlbumOrdner() const { return album_.Ordner(); }

TVollbildOptionen TBildAnsichten::VollbildOptionen() const
{
    const TEinstellungen& e = Einstellungen();
    TVollbildOptionen o;
    o.AnderesLaufwerkTesten = e.Bool("WennFileNichtGefundenAnderesLWtesten");
    o.VorschaubilderPhysikalischDrehen = e.Bool("VorschaubilderPhysikalischDrehen");
    o.TextVollbildAnzeige = e.Bool("TextVollbildanzeige");
    QString ziel = e.Text("DestPfad");
    if (!ziel.isEmpty() && !IsAbsoluteWinPath(ziel))
        ziel = dienste_.ProgrammPfad() + ziel;
    o.ZielOrdner = ziel;
    for (int i = 0; i < 3; ++i)
        o.EditorNamen[i] = e.Text(QStringLiteral("Bildbearbeitung%1").arg(i + 1).toLatin1().constData());
    o.SlideShowSekunden = e.Int("SlideShowInterval");
    return o;
}

QString TBildAnsichten::IniDatei() const { return dienste_.Ini().INIFileName(); }

bool TBildAnsichten::IstInternesBildFormat(const QString& datei) const { return ::IstInternesBildFormat(datei); }

bool TBildAnsichten::ProgrammEndet() const { return dienste_.ProgrammEndet(); }

bool TBildAnsichten::HinweiseAn() const { return Application->ShowHint; }

void TBildAnsichten::HinweiseSetzen(bool an) { Application->ShowHint = an; }

void TBildAnsichten::PrgWavSpielen(int nummer) { dienste_.TonSpielen(nummer); }

void TBildAnsichten::OptionenZeigen() { umgebung_.OptionenZeigen(); }

void TBildAnsichten::EinzelbildDrucken(const QString&) { umgebung_.EinzelbildDrucken(); }

void TBildAnsichten::VorschaubildDrehen(int grad)
{
    k_.PanelVorschaubild1->Tag = 0;
    ZeigeVorschauBildAusBlob();
    // The placeholder of an entry without thumbnail is never written.
    if (!vorschauAusMemo_)
        return;
    BildSetzen(k_.ImageWindow2, Gedreht(BildVon(k_.ImageWindow2), grad / 90));
    SchreibeAktuellesVorschaubild();
}

void TBildAnsichten::VorschaubildNeuErzeugen(const QString& datei)
{
    k_.ImageWindow1->LoadFromFile(datei, 0, 0);
    const std::optional<QString> pfad = WinToLinux(datei);
    QImageReader leser(pfad.value_or(QString()));
    const QSize groesse = leser.size();
    if (groesse.isValid())
        leser.setScaledSize(groesse.scaled(160, 120, Qt::KeepAspectRatio));
    const QImage neu = leser.read();
    if (neu.isNull())
        return;
    BildSetzen(k_.ImageWindow2, neu);
    SchreibeAktuellesVorschaubild();
}

void TBildAnsichten::VollbildGeschlossen()
{
    if (umgebung_.VorschauSeiteAktiv() && album_.Tabelle()->Active()
        && !k_.QKDBPicBox1->SelectFileName(QString::number(album_.Dbe()->RecNo())))
        ShowMessage(QStringLiteral("Irgendwas ist beim Selektieren des Vorschaubildes schief gelaufen..."));
    k_.PanelVorschaubild1->Tag = 0;
    ZeigeVorschauBildAusBlob();
}

TColor TBildAnsichten::TextVollbildFarbe() const { return TColor(Einstellungen().Int("TextVollbildBGColor")); }

// ---- the thumbnail settings' grid -------------------------------------------------------------------------

int TBildAnsichten::Rows() const { return k_.QKDBPicBox1->Rows(); }
void TBildAnsichten::SetRows(int v) { k_.QKDBPicBox1->SetRows(v); }
int TBildAnsichten::Columns() const { return k_.QKDBPicBox1->Columns(); }
void TBildAnsichten::SetColumns(int v) { k_.QKDBPicBox1->SetColumns(v); }
int TBildAnsichten::PicHeight() const { return k_.QKDBPicBox1->PicHeight(); }
void TBildAnsichten::SetPicHeight(int v) { k_.QKDBPicBox1->SetPicHeight(v); }
int TBildAnsichten::PicWidth() const { return k_.QKDBPicBox1->PicWidth(); }
void TBildAnsichten::SetPicWidth(int v) { k_.QKDBPicBox1->SetPicWidth(v); }
bool TBildAnsichten::Scaled() const { return k_.QKDBPicBox1->Scaled(); }
void TBildAnsichten::SetScaled(bool v) { k_.QKDBPicBox1->SetScaled(v); }
