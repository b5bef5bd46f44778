// Printing from the main window: the current entry's picture through the
// single-picture layout of QKPicPrinter1, the print button's menu, the
// large-picture flags that the template choice sets, and the crop of the
// big picture into "PrintPic.BMP" (a temporary file of the run, removed
// when the print ends); the picture lists through report
// templates of the program folder, with the report events that templates
// bind by name: loading each entry's picture (only the section the
// large-picture layouts print, at the size the chosen printer shows), its
// thumbnail and the pick-list labels.

#include "mainwindow/main_form.h"

#include "datacontrols/dk_db_combo.h"
#include "datagrid/dk_table.h"
#include "dialogs/bild_finden.h"
#include "dialogs/listen_bericht.h"
#include "imaging/image_window.h"
#include "imaging/pic_printer.h"
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/data/data_source.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_report.h"
#include "storage/tdbe.h"
#include "platform/picture/picture_buffers.h"
#include "platform/picture/picture_io.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/menus.h"
#include "shared/qk_auto_button.h"
#include "report/engine/rg_engine.h"
#include "report/engine/rg_image.h"
#include "report/engine/rg_memo.h"
#include "report/engine/rg_text_components.h"
#include "report/engine/rg_dataset_pipeline.h"
#include "report/output/rg_forms.h"
#include "report/output/rg_printer.h"
#include "report/output/rg_units.h"
#include "shared/app_exception.h"
#include "shared/general_files.h"
#include "shared/general_texts.h"
#include "shared/qk_ini.h"
#include "storage/grid_settings.h"

#include <QCursor>
#include <QFileInfo>
#include <QImage>

#include <algorithm>
#include <cmath>

namespace {

// Removes the print's picture file when the print that used it ends, the
// way it ends.
struct TPrintPicAufraeumen {
    TDruckStand& druck;
    ~TPrintPicAufraeumen()
    {
        druck.PrintPic.reset();
        druck.LetzterAusschnitt = {};
        druck.Bildspeicher.reset();
    }
};

const QString kNichtVergeben = QStringLiteral("-nicht vergeben-");

// True while the report only lays its pages out to count them (a two-pass
// report's first pass, or a one-pass report counting for "Seite n von m"):
// the pictures (each in a box of its own fixed size) are loaded, and their
// messages shown, only in the pass that prints.
bool NurVorlauf(TrgReport* report)
{
    const TrgCustomEngine* engine = report->Engine();
    return engine && engine->CountingPass();
}

// A component the loaded template holds (owned by the form), or nullptr.
template <class T> T* Bauteil(TComponent* form, const QString& name)
{
    return dynamic_cast<T*>(form->FindComponent(name));
}

// zaehler / nenner rounded to the nearest integer, halves to the even one
// (both positive).
int GeradeGerundet(int64_t zaehler, int64_t nenner)
{
    int64_t q = zaehler / nenner;
    const int64_t rest2 = 2 * (zaehler % nenner);
    if (rest2 > nenner || (rest2 == nenner && q % 2 != 0))
        ++q;
    return int(q);
}

}  // namespace

void TMainForm::DruckenAufbauen()
{
    QKPicPrinter1 = new TQKPicPrinter(this);
    QKPicPrinter1->Name = QStringLiteral("QKPicPrinter1");

    rgBDEPipeline1 = ListenPipeline(this, QStringLiteral("rgBDEPipeline1"), DataSourceBilder);
    rgBDEPipeline2 = ListenPipeline(this, QStringLiteral("rgBDEPipeline2"), DataSourceBilder);
    rgReport1 = ListenBericht(this, QStringLiteral("rgReport1"), rgBDEPipeline1);
    rgReport2 = ListenBericht(this, QStringLiteral("rgReport2"), rgBDEPipeline2);

    listenMethoden_.Publish<TNotifyEvent>(QStringLiteral("rgReport1DetailBand1BeforePrint"),
                                          [this](TObject* s) { rgReport1DetailBand1BeforePrint(s); });
    listenMethoden_.Publish<TrgFormatEvent>(
        QStringLiteral("rgReport2DBText4Format"),
        [this](TObject* s, const QString& format, TrgDataType typ, const QVariant& wert, QString& text) {
            rgReport2DBText4Format(s, format, int(typ), wert, text);
        });
    listenMethoden_.Publish<TNotifyEvent>(QStringLiteral("rgReport2Label1Print"),
                                          [this](TObject* s) { rgReport2Label1Print(s); });
    listenMethoden_.Publish<TNotifyEvent>(QStringLiteral("rgReport2Label2Print"),
                                          [this](TObject* s) { rgReport2Label2Print(s); });
    listenMethoden_.Publish<TNotifyEvent>(QStringLiteral("rgReport2DBCalc1Calc"),
                                          [this](TObject* s) { rgReport2DBCalc1Calc(s); });
}

QString TMainForm::PrintPicDatei()
{
    if (!druck_.PrintPic || !druck_.PrintPic->IsValid())
        druck_.PrintPic = std::make_unique<TRunTempFile>(QStringLiteral("PrintPic.BMP"));
    return druck_.PrintPic->WinPath();
}

TRect TMainForm::DruckAusschnitt(int breite, int hoehe, bool grossBild8, bool grossBild10)
{
    // The large-picture layouts take a 36:25 section from the top left: a
    // landscape one of the full width, or a portrait one of the full height.
    if (grossBild8)
        return Rect(0, 0, breite, GeradeGerundet(int64_t(breite) * 25, 36));
    if (grossBild10)
        return Rect(0, 0, GeradeGerundet(int64_t(hoehe) * 25, 36), hoehe);
    return Rect(0, 0, breite, hoehe);
}

namespace {

// Saves the section (cut from the picture already) as "PrintPic.BMP"
// (ziel); false when it cannot.
bool AusschnittSpeichern(const QImage& teil, const QString& ziel)
{
    return !teil.isNull() && !ziel.isEmpty() && teil.save(WinToLinux(ziel).value_or(ziel), "BMP");
}

// True when a section of that many pixels prints in the frame with at
// least one pixel of its own for each printed one at the printer's
// resolution (dpi). The printer lays a picture out in whole screen pixels
// first, which can make it up to a screen pixel larger than the frame:
// that pixel is counted in. A frame that does not stretch prints a picture
// at its own size, so a smaller one would print smaller.
bool DecktRahmen(QSize teil, const TrgImage& rahmen, int dpi)
{
    if (!rahmen.Stretch())
        return false;
    const double pixelJeTausendstel = dpi / 25400.0;
    const int bildschirmPixel = (dpi + rgScreenPixelsPerInch() - 1) / rgScreenPixelsPerInch();
    const int breite = int(std::ceil(rahmen.mmWidth() * pixelJeTausendstel)) + bildschirmPixel;
    const int hoehe = int(std::ceil(rahmen.mmHeight() * pixelJeTausendstel)) + bildschirmPixel;
    // Kept in proportion, the picture fills the frame along one side only.
    if (rahmen.MaintainAspectRatio())
        return teil.width() >= breite || teil.height() >= hoehe;
    return teil.width() >= breite && teil.height() >= hoehe;
}

// How much smaller than its file a list decodes a picture: the largest
// reduction its format decodes at whose section still covers every frame
// it fills at the printer's resolution (DecktRahmen); 1, the whole
// picture, when none does.
int DruckVerkleinerung(QSize bild, int format, const std::vector<TrgImage*>& rahmen, int dpi, bool grossBild8,
                       bool grossBild10)
{
    if (rahmen.empty())
        return 1;
    for (const int n : PicDecodeReductions(format)) {
        const QSize klein = PicReducedSize(bild, n);
        const TRect teil = TMainForm::DruckAusschnitt(klein.width(), klein.height(), grossBild8, grossBild10);
        // A section reaching beyond the picture is cut at its edge.
        const QSize teilGroesse(std::min(teil.Right, klein.width()) - teil.Left,
                                std::min(teil.Bottom, klein.height()) - teil.Top);
        if (std::all_of(rahmen.begin(), rahmen.end(),
                        [&](const TrgImage* r) { return DecktRahmen(teilGroesse, *r, dpi); }))
            return n;
    }
    return 1;
}

// The pixels of r (its right and bottom edges outside).
QRect AlsQRect(const TRect& r)
{
    return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1));
}

}  // namespace

bool TMainForm::Beschneiden(int Left, int Top, int Right, int Bottom)
{
    TImageInWindow* bild = ImageWindow1->ImageInWindow();
    if (!bild->HasImage())
        return false;
    // Only the rectangle is decoded (of a JPEG, no further down than it).
    return AusschnittSpeichern(bild->SectionReducedBy(1, AlsQRect(Rect(Left, Top, Right, Bottom))), PrintPicDatei());
}

void TMainForm::Einzelbilddrucken2Click(TObject* Sender)
{
    if (BilderDBFOffen() == 0)
        return;
    Ton(Sender);
    if (TableBilder->IsEmpty())
        return;
    const QString datei = BildDateiErmitteln(true, QStringLiteral("Großbilddruck"));
    if (datei.isEmpty())
        return;
    const TPrintPicAufraeumen aufraeumen{druck_};
    const QString ziel = PrintPicDatei();
    try {
        Screen->SetCursor(crHourGlass);
        // A file that is no readable picture would leave ImageWindow1 with
        // a blank page (after the library's own message) to be printed.
        TPicInfo info;
        TPicError fehler;
        if (!PicPing(WinToLinux(datei).value_or(datei), info, fehler))
            throw Exception(fehler.Text);
        ImageWindow1->LoadFromFile(datei, 0, 0);
        TImageInWindow* bild = ImageWindow1->ImageInWindow();
        if (!bild->HasImage() || !bild->SaveImageToFile(ziel, 100, 0))
            throw Exception(QStringLiteral("Bild kann nicht gespeichert werden: ") + ziel);
        QKPicPrinter1->Picture()->LoadFromFile(WinToLinux(ziel).value_or(ziel));
        Screen->SetCursor(crDefault);
    } catch (const std::exception&) {
        // The error log names the album and the entry; the message the place.
        Screen->SetCursor(crDefault);
        FehlerKontextSetzen();
        throw Exception(QStringLiteral("Fehler beim Drucken eines Einzelbildes !"));
    }
    QKPicPrinter1->INIFileName = QKINI_Prog->INIFileName();
    QKPicPrinter1->Execute();
}

void TMainForm::QKAutoButtonBilderDruckenClick(TObject* Sender)
{
    druck_.GrossBild8 = false;
    druck_.GrossBild10 = false;
    Ton(Sender);
    TPopupMenu* menu = PopupMenu(QStringLiteral("PopupMenuDrucken"));
    // The toolbar button drops its own menu on the click before this runs.
    if (auto* knopf = dynamic_cast<TQKAutoButton*>(Sender); !menu || (knopf && knopf->PopupMenu() == menu))
        return;
    const QPoint maus = QCursor::pos();
    menu->Popup(maus.x(), maus.y());
}

void TMainForm::Drucken2Click(TObject* Sender) { QKAutoButtonBilderDruckenClick(Sender); }

void TMainForm::GrossBildFlagsSetzen(const QString& vorlage)
{
    const QString name = ExtractFileName(vorlage);
    druck_.GrossBild8 = name.compare(QStringLiteral("BilderListe_GrossesBild8.RTM"), Qt::CaseInsensitive) == 0;
    druck_.GrossBild10 = name.compare(QStringLiteral("BilderListe_GrossesBild10.RTM"), Qt::CaseInsensitive) == 0;
}

void TMainForm::DruckeBilderListe(const QString& TemplateFile)
{
    ListeDrucken(rgReport2, rgBDEPipeline2, TemplateFile, true);
}

void TMainForm::DruckeBilderListe2(const QString& TemplateFile)
{
    GrossBildFlagsSetzen(TemplateFile);
    ListeDrucken(rgReport1, rgBDEPipeline1, TemplateFile, false);
}

void TMainForm::ListeDrucken(TrgReport* report, TrgBDEPipeline* pipeline, const QString& TemplateFile,
                             bool abErstemSatz)
{
    if (!TableBilder->Active())
        return;
    const uint32_t GemerkterDrucksatz = DbeBilder->RecNo();
    const TPrintPicAufraeumen aufraeumen{druck_};
    bool steuerelementeAus = false;
    try {
        ListenVorlageLaden(report, lauf_.ProgrammPfad() + TemplateFile);
        // An entry begins on a new page when it would not end on this one;
        // only an entry taller than a page goes on over a page end.
        if (auto* eintrag = dynamic_cast<TrgCustomBand*>(report->FindBand(bkDetail)))
            eintrag->SetKeepTogether(true);
        // The page head names the album.
        if (auto* album = Bauteil<TrgLabel>(this, report->Name + QStringLiteral("LabelAlbum")))
            album->SetCaption(QStringLiteral("Fotoalbum ") + ChangeFileExt(ExtractFileName(TableBilder->TableName()), QString()));
        if (optionen_->CheckBoxAlleMeldungen)
            Hinweis(QStringLiteral("Hinweismeldung"),
                    abErstemSatz ? QStringLiteral("Der folgende Ausdruck beginnt mit dem ERSTEN Datensatz !")
                                 : QStringLiteral("Der folgende Ausdruck beginnt mit dem aktuellen Datensatz !"),
                    100);
        if (abErstemSatz) {
            TableBilder->DisableControls();
            steuerelementeAus = true;
        }
        ListeAusgeben(report, pipeline, abErstemSatz, druck_.ListenAusgabe);
    } catch (const std::exception& e) {
        Screen->SetCursor(crDefault);
        // The error log names the entry the print failed on.
        FehlerKontextSetzen();
        if (steuerelementeAus)
            TableBilder->EnableControls();
        SatzWiederherstellen(GemerkterDrucksatz);
        AppException1->HandleException(this, e);
        throw Exception(QStringLiteral("Fehler beim Drucken einer Liste !"));
    }
    if (steuerelementeAus) {
        TableBilder->EnableControls();
        GridLayoutZuruecklesen();
    }
    SatzWiederherstellen(GemerkterDrucksatz);
}

void TMainForm::SatzWiederherstellen(uint32_t satz)
{
    if (!TableBilder->Active() || satz == 0 || satz > DbeBilder->RecCount())
        return;
    DbeBilder->Go(satz);
    TableBilder->Refresh();
}

QString TMainForm::AuswahlText(TdkDBComboBox* combo, const QString& feld) const
{
    const QString wert = DbeBilder->GetTrimString(feld);
    if (!IstZahlOderNull(wert))
        return kNichtVergeben;
    return combo ? combo->GetMappedValue(wert) : wert;
}

void TMainForm::rgReport1DetailBand1BeforePrint(TObject*)
{
    // The note's width decides where its lines break: it is set in every
    // pass, so that the pass that counts the pages lays them out as the one
    // that prints and the preview shows the pages printed.
    if (auto* memo = Bauteil<TrgDBMemo>(this, QStringLiteral("rgReport1DBMemo1"))) {
        TrgImage* mass = Bauteil<TrgImage>(this, QStringLiteral("rgReport1Image5"));
        if (!mass)
            mass = Bauteil<TrgImage>(this, QStringLiteral("rgReport1Image1"));
        if (mass)
            memo->SetmmWidth(mass->mmWidth());
    }
    if (NurVorlauf(rgReport1))
        return;
    // The progress window tells the entry being printed: a page of large
    // pictures takes seconds.
    if (TrgCustomCancelDialog* fortschritt = rgReport1->CancelDialog())
        fortschritt->SetDetail(QStringLiteral("Eintrag %1: %2")
                                   .arg(rgBDEPipeline1->RecordNo() + 1)
                                   .arg(DbeBilder->GetTrimString(QStringLiteral("SHORTDESC"))));
    int abschnitt = 1;
    // The frames the entry's picture goes into.
    std::vector<TrgImage*> rahmen;
    for (int i = 1; i <= 5; ++i)
        if (auto* r = Bauteil<TrgImage>(this, QStringLiteral("rgReport1Image%1").arg(i)))
            rahmen.push_back(r);
    const auto ohneBild = [&rahmen] {
        for (TrgImage* bild : rahmen)
            bild->Picture()->Assign(nullptr);
    };
    try {
        const QString pfad = DbeBilder->GetTrimString(QStringLiteral("PFAD"));
        QString datei;
        if (AlbumAufSchreibgeschuetzterCD()) {
            const TBildFund fund = BildDateiFinden(pfad, BereichBilder().Ordner(), true, false);
            abschnitt = 2;
            // The finder has said "Bild ... nicht gefunden!"; the print ends.
            if (!fund.Vorhanden)
                throw EAbort(QString());
            datei = fund.Pfad;
        } else {
            abschnitt = 2;
            datei = BildDateiErmitteln(true, QStringLiteral("Großbilddruck"));
        }
        abschnitt = 3;
        // An entry whose picture is out of reach or unreadable prints
        // without one, never with the entry's before it.
        if (datei.isEmpty()) {
            ohneBild();
            return;
        }
        TPicInfo info;
        TPicError fehler;
        // A file that is no picture, or whose data cannot be decoded, is
        // named; its entry prints without a picture and the list goes on.
        const auto nichtLesbar = [&] {
            Screen->SetCursor(crDefault);
            Protokoll(QStringLiteral("Info"), QStringLiteral("Großbilddruck, ") + fehler.Text + QStringLiteral(": ") + datei);
            ShowMessage(fehler.Text + QStringLiteral(": ") + datei);
            ohneBild();
        };
        if (!PicPing(WinToLinux(datei).value_or(datei), info, fehler)) {
            nichtLesbar();
            return;
        }
        Screen->SetCursor(crHourGlass);
        const QFileInfo dateiInfo(WinToLinux(datei).value_or(datei));
        TDruckStand::TAusschnitt& letzter = druck_.LetzterAusschnitt;
        const bool schonGelesen = !letzter.Bild.isNull() && letzter.Datei == dateiInfo.absoluteFilePath() &&
                                  letzter.Groesse == dateiInfo.size() &&
                                  letzter.Geaendert == dateiInfo.lastModified() &&
                                  letzter.GrossBild8 == druck_.GrossBild8 && letzter.GrossBild10 == druck_.GrossBild10;
        if (!schonGelesen) {
            letzter = {};
            ImageWindow1->LoadFromFile(datei, 0, 0);
            TImageInWindow* bild = ImageWindow1->ImageInWindow();
            // A camera picture has several times the pixels its frames
            // print on the chosen printer: only the section is decoded, as
            // small as the frames allow (a JPEG scaled by its decoder and
            // decoded no further down than the section reaches, in a
            // fraction of the time and memory of the whole picture).
            const int verkleinerung = DruckVerkleinerung(
                QSize(bild->GetImageWidth(), bild->GetImageHeight()), info.Format, rahmen,
                TrgPrinter::PictureResolution(rgReport1->PrinterSetup()->PrinterName()), druck_.GrossBild8,
                druck_.GrossBild10);
            const QSize klein = bild->SizeReducedBy(verkleinerung);
            const TRect teil = DruckAusschnitt(klein.width(), klein.height(), druck_.GrossBild8, druck_.GrossBild10);
            // The frames take the section as it is decoded, into memory
            // the section before gives back; no file of it is written (one
            // of 25-33 MB for a large layout took longer than the decode).
            if (!druck_.Bildspeicher)
                druck_.Bildspeicher = std::make_unique<TPicBuffers>();
            const QImage ausschnitt =
                bild->SectionReducedBy(verkleinerung, AlsQRect(teil), &fehler, druck_.Bildspeicher.get());
            if (ausschnitt.isNull()) {
                nichtLesbar();
                return;
            }
            letzter = {dateiInfo.absoluteFilePath(), dateiInfo.size(), dateiInfo.lastModified(), druck_.GrossBild8,
                       druck_.GrossBild10, ausschnitt};
        }
        // Every frame shares the one picture, so the printer scales and
        // embeds it once for all of them.
        TBitmap gedruckt;
        gedruckt.SetImage(letzter.Bild);
        for (TrgImage* r : rahmen)
            r->Picture()->SetGraphic(&gedruckt);

        const struct {
            const char* label;
            TdkDBComboBox* combo;
            const char* feld;
        } auswahl[] = {{"rgReport1LabelMotivQualitaet", DBComboBoxMotivQualitaet2, "MOTIV"},
                       {"rgReport1LabelBildQualitaet", DBComboBoxBilderQualitaet2, "QUALITAET"},
                       {"rgReport1LabelGruppe", DBComboboxBilderPlayListe2, "PLAYLIST"},
                       {"rgReport1LabelQuelle", DBComboBoxBildQuelle2, "Quelle"}};
        for (const auto& a : auswahl)
            if (auto* label = Bauteil<TrgLabel>(this, QString::fromLatin1(a.label)))
                label->SetCaption(AuswahlText(a.combo, QString::fromLatin1(a.feld)));
        for (int i = 1; i <= 3; ++i)
            if (auto* label = Bauteil<TrgLabel>(this, QStringLiteral("rgReport1LabelReserve%1").arg(i)))
                label->SetCaption(DbeBilder->GetString(QStringLiteral("RESERVE%1").arg(i)));
        Screen->SetCursor(crDefault);
    } catch (const std::exception&) {
        Screen->SetCursor(crDefault);
        FehlerKontextSetzen();
        throw Exception(QStringLiteral("Fehler im Ereignis \"TMainForm.rgReport1DetailBand1BeforePrint (%1)\" !")
                            .arg(abschnitt));
    }
}

bool TMainForm::AlbumAufSchreibgeschuetzterCD() const
{
    const QChar album = BereichBilder().Ordner().isEmpty() ? QChar(u'C') : BereichBilder().Ordner()[0].toUpper();
    return BereichBilder().NurLesen() && LaufwerksTyp(QString(album) + QStringLiteral(":\\")) == QLatin1String("CDROM");
}

void TMainForm::rgReport2DBText4Format(TObject*, const QString&, int, const QVariant&, QString&)
{
    if (NurVorlauf(rgReport2))
        return;
    try {
        auto* bild = Bauteil<TrgImage>(this, QStringLiteral("rgReport2Image1"));
        const long laenge = DbeBilder->GetBlobLength(QStringLiteral("VORSCHAU"));
        if (laenge <= 0) {
            // No thumbnail: the entry prints without one.
            if (bild)
                bild->Picture()->Assign(nullptr);
            return;
        }
        if (!bild)
            return;
        // The thumbnail is decoded straight from the memo: nothing reads a
        // "Vorschau.bmp" of the list afterwards (the other users of that file
        // write their own copy first), and writing and reading back a file
        // for every entry was most of a long list's time.
        char* memo = DbeBilder->GetMemo(QStringLiteral("VORSCHAU"));
        if (!memo) {
            ShowMessage(QStringLiteral("Fehler beim Schreiben des Vorschaubildes aus Fotoalbum"));
            bild->Picture()->Assign(nullptr);
            return;
        }
        const QByteArray bytes(memo, qsizetype(laenge));
        DbeBilder->MemDealloc(memo);
        const QImage daumen = QImage::fromData(bytes);
        if (daumen.isNull())
            throw EInOutError(QStringLiteral("Vorschaubild kann nicht geladen werden"));
        TBitmap bitmap;
        bitmap.SetImage(daumen);
        bild->Picture()->SetGraphic(&bitmap);
    } catch (const std::exception&) {
        FehlerKontextSetzen();
        throw Exception(QStringLiteral("Fehler im Ereignis \"TMainForm.rgReport2DBText4Format\" !"));
    }
}

void TMainForm::rgReport2Label1Print(TObject*)
{
    try {
        if (auto* label = Bauteil<TrgLabel>(this, QStringLiteral("rgReport2Label1")))
            label->SetCaption(ExtractFileName(DbeBilder->GetTrimString(QStringLiteral("Pfad"))));
    } catch (const std::exception&) {
        FehlerKontextSetzen();
        throw Exception(QStringLiteral("Fehler in \"TMainForm.rgReport2Label1Print\" !"));
    }
}

void TMainForm::rgReport2Label2Print(TObject*)
{
    try {
        const auto setzen = [this](const char* name, const QString& text) {
            if (auto* label = Bauteil<TrgLabel>(this, QString::fromLatin1(name)))
                label->SetCaption(text);
        };
        setzen("rgReport2Label2", AuswahlText(DBComboboxBilderPlayListe2, QStringLiteral("PLAYLIST")));
        setzen("rgReport2Label3", AuswahlText(DBComboBoxBilderQualitaet2, QStringLiteral("QUALITAET")));
        for (int i = 1; i <= 3; ++i)
            setzen(QStringLiteral("rgReport2Label%1").arg(i + 3).toLatin1().constData(),
                   DbeBilder->GetString(QStringLiteral("RESERVE%1").arg(i)));
    } catch (const std::exception&) {
        FehlerKontextSetzen();
        throw Exception(QStringLiteral("Fehler in \"TMainForm.rgReport2Label2Print\" !"));
    }
}

void TMainForm::rgReport2DBCalc1Calc(TObject*) {}
