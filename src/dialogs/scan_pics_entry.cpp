// One picture file becomes one album entry: medium identity, title parts,
// duplicate test, measuring and pixel limits, preview, the decision with or
// without the user, and the record written through the engine with its
// thumbnail, full-text entry and rotation.
#include "dialogs/scan_pics.h"

#include "album/arbeitsbereich.h"
#include "album/offenes_album.h"
#include "album/programm_dienste.h"
#include "controls/spin_edit.h"
#include "dialogs/program_settings.h"
#include "dialogs/scan_host.h"
#include "imaging/image_window.h"
#include "platform/core/exceptions.h"
#include "platform/core/sys_utils.h"
#include "platform/core/run_temp_folder.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/data/dataset.h"
#include "platform/dbf/dbe.h"
#include "platform/os/volumes.h"
#include "platform/picture/picture_check.h"
#include "platform/picture/picture_formats.h"
#include "platform/picture/picture_io.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "shared/general_texts.h"
#include "shared/picture_files.h"
#include "shared/qk_find.h"
#include "shared/short_name.h"
#include "shared/utility_files.h"
#include "storage/action_log.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <QDir>
#include <QFile>

namespace {

// Suffixes of the pictures the preview loads and that get a thumbnail.
bool IstVorschauSuffix(const QString& suffix, const QString& eigene)
{
    static const QStringList kVorschau = {"JPG", "JPE", "BMP", "PNG", "PCX", "TIF", "GIF"};
    return kVorschau.contains(suffix) || (!eigene.isEmpty() && suffix == GrossMitUmlauten(eigene.left(3)));
}

// The one-character text of a type code in the album's field TYPE: the
// digit, "W" for WMF (10) and "I" for ICO (11).
QString TypText(uint8_t code)
{
    if (code == 10)
        return QStringLiteral("W");
    if (code == 11)
        return QStringLiteral("I");
    return code <= 9 ? QString::number(code) : QStringLiteral("0");
}

// Selects the work area for the life of the scope and the previous one again
// afterwards.
class TBereich {
public:
    explicit TBereich(uint16_t area) : vorher_(dbe_Select(area)) {}
    ~TBereich() { dbe_Select(vorher_); }

private:
    uint16_t vorher_;
};

// Entry n of the full-text index belongs to record n: records that came
// without their entry (a write given up, an index that could not be opened
// then) get theirs before record `recno` is added, deleted ones as deleted
// entries, so the numbers stay in step.
void FtsNachziehen(TFts* fts, uint16_t area, int32_t recno)
{
    const int vorhanden = fts->NumRecs();
    if (vorhanden < 0 || vorhanden >= recno - 1)
        return;
    TBereich bereich(area);
    std::vector<char> puffer(size_t(std::max(0, dbe_RecSize())) + 1, '\0');
    for (int32_t r = vorhanden + 1; r < recno; ++r) {
        if (dbe_Go(uint32_t(r)) != 1)
            break;
        dbe_GetRecord(puffer.data());
        const int nummer = fts->Add(QByteArray(puffer.data(), int(puffer.size()) - 1));
        if (nummer > 0 && dbe_Deleted())
            fts->Delete(nummer);
    }
    dbe_Go(uint32_t(recno));
}

}  // namespace

void TfrmScanPics::Protokoll(const QString& art, const QString& text, bool immer)
{
    if (!immer && !haupt_.Einstellungen().Bool(QStringLiteral("Protokollieren")))
        return;
    try {
        LogSchreiben(dienste_.ProgrammPfad(), QStringLiteral("LXLog.DBF"), art, text, QStringLiteral("-"));
    } catch (...) {
        // A log that cannot be written does not stop the intake.
    }
}

QString TfrmScanPics::Datumstext() const { return txtAufnameDatum->Text().left(10); }

bool TfrmScanPics::TitelVollstaendig() const
{
    if (txtVolumeLabel->Text().isEmpty())
        return false;
    const bool owner = !txtOwner->Text().isEmpty();
    const bool desc = !txtShortDesc->Text().isEmpty();
    const bool serie = !txtSerie->Text().isEmpty();
    if (Sequenz <= 5)
        return owner && desc && serie;
    if (Sequenz <= 7)
        return owner && desc;
    if (Sequenz == 8)
        return owner;
    return desc;
}

int TfrmScanPics::Messen(const QString& pfad, QString& grund)
{
    // A file that cannot be opened is not a broken picture.
    if (const TDateiErgebnis lesbar = BildLesbar(pfad); !lesbar) {
        grund = lesbar.Grund;
        return peNotFound;
    }
    TPicInfo info;
    TPicError err;
    if (!PicPing(*WinToLinux(pfad), info, err)) {
        grund = PicErrorText(err.Code);
        return err.Code;
    }
    Breite = info.Width;
    Hoehe = info.Height;
    return peNone;
}

void TfrmScanPics::AddFile(const QString& folder, const QString& fileName)
{
    const QString pfad = folder + fileName;
    // A path the album's code page cannot hold cannot be stored: the picture
    // is skipped, logged and counted; the run goes on.
    if (!Win1252CanEncode(pfad)) {
        Ueberspringen(QStringLiteral("Zeichen im Pfad nicht in Windows-1252 darstellbar"), pfad);
        return;
    }

    // The album keeps 239 characters of a path: a longer one would be cut
    // and point nowhere, so the picture is skipped the same way.
    if (pfad.length() > 239) {
        Ueberspringen(QStringLiteral("Pfad länger als 239 Zeichen"), pfad);
        return;
    }

    // 1-2: medium id, path and file date.
    const QString wurzel = folder.left(1) + QStringLiteral(":\\");
    QString kennung;
    try {
        kennung = qktGetVolumeId(wurzel);
        txtLabelKennung->SetText(kennung);
        txtPfad->SetText(pfad);
        const TDateTime datum = qktFileDateTime(pfad);
        if (datum >= 0) {
            txtAufnameDatum->SetText(DateTimeToStr(datum));
        } else {
            txtAufnameDatum->Clear();
            Protokoll(QStringLiteral("Fehler"), QStringLiteral("Aus den Dateinamen =") + pfad +
                                                    QStringLiteral(" kann kein Dateidatum ermittelt werden (Umlautproblem?!)"));
        }
    } catch (const std::exception&) {
        Protokoll(QStringLiteral("Fehler"), QStringLiteral("txtPfad.Text=") + pfad);
        ShowMessage(QStringLiteral("Fehler bei Erzeugung interner Datensatzparameter!"));
    }

    // 3: the medium's name, once per medium.
    if (kennung != LetzteLabelKennung) {
        const auto frage = [this] {
            txtVolumeLabel->SetText(InputBox(QStringLiteral("Eingabedialogfenster"),
                                             QStringLiteral("Geben sie einen Namen für den Datenträger ein"),
                                             txtVolumeLabel->Text()));
        };
        if (GetDriveType(wurzel) == TDriveType::Fixed) {
            QString label;
            uint32_t serial = 0;
            GetVolumeInformation(wurzel, label, serial);
            txtVolumeLabel->SetText(label.toUpper());
            if (label.isEmpty())
                frage();
        } else {
            frage();
        }
        LetzteLabelKennung = kennung;
    }

    // 4: title fields not kept.
    if (!chkNotClearShortDesc->Checked())
        txtShortDesc->Clear();
    if (!chkNotClearSerie->Checked())
        txtSerie->Clear();
    if (!chkNotClearOwner->Checked())
        txtOwner->Clear();

    // 5-6: short name and duplicate test.
    ShortName = StringToCRC32(pfad);
    if (CheckBoxDoublettencheck->Checked() && IstSchonErfasst(ShortName) == 1) {
        ++alte_;
        ZaehlerSetzen();
        return;
    }

    // 7: the folder's description file.
    const QString inhalt = folder + QStringLiteral("Inhalt.INI");
    if (FileExists(inhalt)) {
        const QString schluessel = fileName.section(QLatin1Char('.'), 0, 0);
        const QString wert = qktIniReadString(inhalt, QStringLiteral("Titel"), schluessel, QString());
        txtOwner->SetText(wert.section(QLatin1Char(';'), 0, 0));
        txtShortDesc->SetText(wert.section(QLatin1Char(';'), 1, 1));
        txtSerie->SetText(wert.section(QLatin1Char(';'), 2, 2));
    }

    // 8: title parts from the file name.
    if (chkAusFilenamenUebernehmen->Checked()) {
        const int punkt = fileName.lastIndexOf(QLatin1Char('.'));
        const QString basis = punkt < 0 ? QString() : fileName.left(punkt);
        QString urheber = txtOwner->Text(), beschreibung = txtShortDesc->Text(), serie = txtSerie->Text();
        TitelAusDateiname(basis, Sequenz, Trenner, urheber, beschreibung, serie);
        txtOwner->SetText(urheber.left(15));
        txtShortDesc->SetText(beschreibung);
        txtSerie->SetText(serie.left(10));
    }

    // 9: type and suffix.
    Typ = FileTypeErmitteln(fileName);
    Suffix = GrossMitUmlauten(DateiSuffix(fileName)).left(3);

    // 10: measuring and the pixel limits. With the option off nothing is
    // measured and the entry gets 0 x 0, not the size of the picture before.
    Breite = 0;
    Hoehe = 0;
    const bool messen = haupt_.Einstellungen().Bool(QStringLiteral("ScanPicHeightAndWidth")) &&
                        Suffix != QLatin1String("PCD");
    {
        // A JPEG whose data is cut short or damaged decodes to grey blocks:
        // it is reported like a broken header, also when nothing is measured.
        QString grund;
        int fehler = messen ? Messen(pfad, grund) : peNone;
        TPicError datenFehler;
        if (fehler == peNone && !PicDataComplete(WinToLinux(pfad).value_or(pfad), datenFehler)) {
            fehler = datenFehler.Code;
            grund = PicErrorText(fehler);
        }
        if (fehler != peNone) {
            Ueberspringen(grund, pfad);
            // Only a file the decoder finds broken is offered for deletion;
            // a picture beyond the limits or a file we may not read is kept.
            // Deleting is the risky answer: Enter keeps the file.
            const bool kaputt = fehler == peCorrupt || fehler == peEmptyFile;
            if (kaputt && Application->MessageBox(QStringLiteral("Die Datei ") + pfad +
                                                      QStringLiteral(" scheint üngültig zu sein, jetzt direkt löschen ?"),
                                                  QStringLiteral("Bestätigen"),
                                                  MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES) {
                if (!BildLoeschen(pfad))
                    ShowMessage(QStringLiteral("Fehler beim Löschen der Datei ") + pfad + QStringLiteral(" !"));
            }
            return;
        }
    }
    if (messen) {
        const int minB = SpinEditMinPixelBreite->Value(), minH = SpinEditMinPixelHoehe->Value();
        const int maxB = SpinEditMaxPixelBreite->Value(), maxH = SpinEditMaxPixelHoehe->Value();
        if ((minB > 0 && Breite < minB) || (minH > 0 && Hoehe < minH) || (maxB > 0 && Breite > maxB) ||
            (maxH > 0 && Hoehe > maxH)) {
            Ueberspringen(QStringLiteral("Pixelmaße außerhalb der Grenzen"), pfad);
            return;
        }
    }

    // 11: the preview.
    vorschauDatei_.clear();
    if (chkVorschaubildErzeugen->Checked() && !CheckBoxVorschaubilderAusVerzeichnis->Checked() &&
        IstVorschauSuffix(Suffix, EditEigeneSuffix->Text())) {
        ImageWindow2->LoadFromFile(pfad, 0, 0);
        vorschauDatei_ = pfad;
    }

    // 12: the decision.
    const bool vollstaendig = TitelVollstaendig();
    Antwort.clear();
    laeuft_ = true;
    while (Antwort.isEmpty()) {
        Application->ProcessMessages();
        if (Antwort == QLatin1String("ABBRUCH"))
            break;
        if (!Antwort.isEmpty())
            break;
        if (radMDNie->Checked()) {
            if (!chkNurVollstaendigeTitel->Checked()) {
                if (SchreibeSatzInDatenbank() == 0) {
                    QKFind1->BreakScan();
                    SatzPanelFreigeben(false);
                }
            } else if (vollstaendig) {
                SchreibeSatzInDatenbank();
            }
            break;
        }
        if (radMDFehlendeInformationen->Checked() && vollstaendig) {
            SchreibeSatzInDatenbank();
            break;
        }
        btnScanSichern->SetEnabled(!chkNurVollstaendigeTitel->Checked() || TitelVollstaendig());
        if (WarteSchritt)
            WarteSchritt();
        else
            qktDelayMs(20);
    }
    if (Antwort == QLatin1String("ABBRUCH")) {
        QKFind1->BreakScan();
        Application->ProcessMessages();
        SatzPanelFreigeben(false);
        PanelVollstaendigeTitelUmschalten();
    } else if (Antwort == QLatin1String("SICHERN")) {
        SchreibeSatzInDatenbank();
    }
    // 13.
    btnScanSichern->SetEnabled(false);
}

int TfrmScanPics::IstSchonErfasst(const QString& shortName)
{
    TDbe* dbe = album_.Bilder2().Dbe();
    if (!dbe || !dbe->IsActive())
        return 0;
    QString key = shortName.toUpper();
    if (key.length() > 239)
        ShowMessage(QStringLiteral("zu gross (max. Key-Länge = 240)!"));
    dbe->TagArea(QStringLiteral("Shortname"));
    const int breite = std::max(1, dbe->FieldWidth(QStringLiteral("SHORTNAME")));
    key = key.leftJustified(breite, QLatin1Char(' '));
    const bool gefunden = dbe->Seek(key);
    // A seek that could not read the index (another program holds it) says
    // nothing about the picture: the run stops with the reason rather than
    // enter the picture a second time.
    if (!gefunden && !dbe->SeekError().isEmpty())
        throw Exception(dbe->SeekError());
    if (!gefunden)
        return 0;
    if (!dbe->Found()) {
        Protokoll(QStringLiteral("Info"), QStringLiteral("IstSchonErfasst(), ") + key, true);
        return 0;
    }
    const QString kennung = txtLabelKennung->Text().trimmed();
    const QString gesucht = key.trimmed();
    // Same short name: any entry of it on the same medium is the picture.
    while (!dbe->Eof()) {
        if (dbe->GetTrimString(QStringLiteral("SHORTNAME")).toUpper() != gesucht)
            break;
        if (dbe->GetTrimString(QStringLiteral("LABELKENNU")) == kennung)
            return 1;
        dbe->Skip(1);
    }
    return 0;
}

bool VorschaubildSchreiben(const QString& bild, const QString& ziel, int drehung)
{
    const std::optional<QString> quelle = WinToLinux(bild);
    const std::optional<QString> zielOrdner = WinToLinux(ExtractFilePath(ziel));
    if (!quelle || !zielOrdner)
        return false;
    // A scaled decode: a large JPEG is decoded at about the thumbnail's size.
    TPicImage gelesen;
    TPicError err;
    if (!PicRead(*quelle, 0, 0, gelesen, err, QSize(300, 300)))
        return false;
    const int w = gelesen.SourceWidth > 0 ? gelesen.SourceWidth : gelesen.Width();
    const int h = gelesen.SourceHeight > 0 ? gelesen.SourceHeight : gelesen.Height();
    int nw = 0, nh = 0;
    VorschauGroesse(w, h, nw, nh);
    TPicImage klein = PicResize(gelesen, nw, nh);
    if (drehung != 0)
        klein = PicRotate(klein, drehung);
    // 256 colours with error diffusion: Qt's palette conversion costs a
    // fraction of a millisecond on a thumbnail, where an adaptive palette
    // from the image library costs more than the scaled decode itself.
    const TPicImage reduziert = TPicImage::FromQImage(
        klein.Pixels.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither | Qt::PreferDither));
    const QString datei = QDir(*zielOrdner).filePath(DateiNameVonPfad(ziel));
    return PicWrite(reduziert.IsNull() ? klein : reduziert, datei, pfBMP, 0, err);
}

QByteArray TfrmScanPics::ErzeugeVorschauBild()
{
    // Written through a file of the run's own, read back and removed.
    const TRunTempFile datei(QStringLiteral("VORSCHAU.BMP"));
    if (!datei.IsValid() || !VorschaubildSchreiben(txtPfad->Text(), datei.WinPath(), Drehung))
        return {};
    return datei.ReadAll();
}

int TfrmScanPics::FehlerBeimSchreiben()
{
    Log(QStringLiteral(" Fehler beim Schreiben in Datenbank :"));
    Log(QStringLiteral(" txtShortDesc.Text :") + txtShortDesc->Text());
    Log(QStringLiteral(" txtOwner.Text :") + txtOwner->Text());
    Log(QStringLiteral(" StrToDateTime(txtAufnamedatum.Text) :") + txtAufnameDatum->Text());
    Log(QStringLiteral("txtSerie.Text  :") + txtSerie->Text());
    Log(QStringLiteral("txtVolumeLabel.Text  :") + txtVolumeLabel->Text());
    Log(QStringLiteral("txtLabelKennung.Text  :") + txtLabelKennung->Text());
    Log(QStringLiteral("txtPfad.Text  :") + txtPfad->Text());
    Log(QStringLiteral("IntToStr(cboPlayListe.ItemIndex);  :") + QString::number(cboPlayListe->ItemIndex()));
    Log(QStringLiteral("IntToStr(cboQuelle.ItemIndex)  :") + QString::number(cboQuelle->ItemIndex()));
    Log(QStringLiteral("IntToStr(cboQualitaet.ItemIndex)  :") + QString::number(cboQualitaet->ItemIndex()));
    Log(QStringLiteral("IntToStr(cboMotiv.ItemIndex)  :") + QString::number(cboMotiv->ItemIndex()));
    Log(QStringLiteral("IntToStr(cboDatenTyp.ItemIndex)  :") + QString::number(cboDatenTyp->ItemIndex()));
    LogSchliessen();
    throw Exception(QStringLiteral("Fehler beim Schreiben in Fotoalbum (Bilder-Datenbank) !"));
}

int TfrmScanPics::SchreibeSatzInDatenbank()
{
    TDbe* dbe = album_.Bilder().Dbe();
    if (!dbe || !dbe->IsActive() || !dbe->DataSet())
        return FehlerBeimSchreiben();
    const TProgrammEinstellungen& e = haupt_.Einstellungen();

    // The thumbnail is made first: a picture that cannot be read leaves no
    // half-written entry behind.
    QByteArray vorschau;
    QString vorschauDatei;
    bool vorschauLoeschen = false;
    if (e.Bool(QStringLiteral("VorschuBilderAlsBlobSpeichern"))) {
        if (CheckBoxVorschaubilderAusVerzeichnis->Checked()) {
            const QString name = DateiNameVonPfad(txtPfad->Text());
            vorschauDatei = MitBackslash(e.Text(QStringLiteral("VorschaubilderVerzeichnis"))) +
                            GrossMitUmlauten(name.section(QLatin1Char('.'), 0, 0)) + QStringLiteral(".BMP");
            vorschauLoeschen = CheckBoxVorschaubilderNachUebernahmeLoeschen->Checked();
        } else if (IstVorschauSuffix(Suffix, EditEigeneSuffix->Text())) {
            vorschau = ErzeugeVorschauBild();
            if (vorschau.isEmpty()) {
                // A picture whose pixels cannot be read (truncated, beyond
                // the pixel limits) is refused like an unreadable header:
                // logged and counted, nothing written, the run goes on.
                Log(QStringLiteral("Fehler beim Speichern des Vorschaubildes (") + txtPfad->Text() + QStringLiteral(") !"));
                Ueberspringen(QStringLiteral("Vorschaubild nicht lesbar"), txtPfad->Text());
                return 1;
            }
        }
        if (!vorschauDatei.isEmpty()) {
            if (const std::optional<QString> l = WinToLinux(vorschauDatei)) {
                QFile f(*l);
                if (f.open(QIODevice::ReadOnly))
                    vorschau = f.readAll();
            }
        }
    }

    // Every text must fit the code page before anything is appended.
    struct TText {
        const char* Feld;
        QString Wert;
    };
    const QString datum = Datumstext();
    QString dtos;
    if (datum.length() == 10)
        dtos = datum.mid(6, 4) + datum.mid(3, 2) + datum.left(2);
    QString flags = IstVorschauSuffix(Suffix, EditEigeneSuffix->Text()) ? QStringLiteral("0") : QStringLiteral("1");
    // The rotation goes into position 4 of FLAGS with the record itself.
    if (Drehung != 0)
        flags = flags.leftJustified(3, QLatin1Char(' ')) + QString::number(Drehung / 90);
    const TText texte[] = {
        {"SHORTDESC", txtShortDesc->Text().trimmed()},
        {"OWNER", txtOwner->Text().trimmed()},
        {"SERIE", txtSerie->Text().trimmed()},
        {"LABEL", txtVolumeLabel->Text().trimmed()},
        {"LABELKENNU", txtLabelKennung->Text().trimmed()},
        {"PFAD", txtPfad->Text()},
        {"DATEI", DateiNameVonPfad(txtPfad->Text()).left(15)},
        {"SHORTNAME", StringToCRC32(txtPfad->Text())},
        {"PLAYLIST", QString::number(std::max(0, cboPlayListe->ItemIndex()))},
        {"QUELLE", QString::number(std::max(0, cboQuelle->ItemIndex()))},
        {"QUALITAET", QString::number(std::max(0, cboQualitaet->ItemIndex()))},
        {"MOTIV", QString::number(std::max(0, cboMotiv->ItemIndex()))},
        {"TYPE", TypText(Typ)},
        {"FLAGS", flags},
    };
    std::vector<QByteArray> bytes;
    for (const TText& t : texte) {
        const std::optional<QByteArray> b = Win1252Encode(t.Wert);
        if (!b) {
            // Only a typed text can get here (paths were tested, the other
            // texts come from Windows-1252 files): the entry is not stored,
            // the user is told which text, and the run goes on.
            const QString text = QStringLiteral("Der Text \"") + t.Wert +
                                 QStringLiteral("\" enthält Zeichen, die im Fotoalbum nicht gespeichert werden können; "
                                                "der Eintrag für ") +
                                 txtPfad->Text() + QStringLiteral(" wird nicht gespeichert!");
            Log(text);
            ShowMessage(text);
            Zaehlen(QStringLiteral("Text nicht in Windows-1252 darstellbar"));
            return 1;
        }
        bytes.push_back(*b);
    }

    int32_t recno = 0;
    std::vector<char> puffer;
    {
        TBereich bereich(static_cast<uint16_t>(dbe->DataSet()->Handle()));
        if (dbe_AppendBlank() != 1)
            return FehlerBeimSchreiben();
        bool ok = true;
        for (size_t i = 0; i < bytes.size(); ++i)
            ok = dbe_Replace(texte[i].Feld, DBE_REPL_TEXT, bytes[i].constData()) == 1 && ok;
        const QByteArray d = dtos.toLatin1();
        ok = dbe_Replace("AUFNDATUM", DBE_REPL_DTOS, d.constData()) == 1 && ok;
        ok = dbe_Replace("FILEDATE", DBE_REPL_DTOS, d.constData()) == 1 && ok;
        // BREITE and HOEHE hold four digits: a wider picture (the pixel
        // limits switched off) is stored as 9999 rather than failing.
        const int32_t breite = std::min<int32_t>(Breite, 9999), hoehe = std::min<int32_t>(Hoehe, 9999);
        const int32_t groesse = static_cast<int32_t>(std::min<int64_t>(DateiGroesse, 2147483647));
        ok = dbe_Replace("BREITE", DBE_REPL_INT, &breite) == 1 && ok;
        ok = dbe_Replace("HOEHE", DBE_REPL_INT, &hoehe) == 1 && ok;
        ok = dbe_Replace("BYTES", DBE_REPL_LONG, &groesse) == 1 && ok;
        const char ja = 'T';
        ok = dbe_Replace("ZUGRIFF", DBE_REPL_LOGICAL, &ja) == 1 && ok;
        if (!vorschau.isEmpty())
            ok = dbe_ReplaceBlob("VORSCHAU", vorschau.constData(), uint32_t(vorschau.size()), 1) == 1 && ok;
        if (!ok) {
            // A record that could not be written whole is marked deleted, so
            // no half entry shows; its number stays taken, and the full-text
            // index catches up with it on the next entry.
            dbe_Delete();
            dbe_Commit();
            return FehlerBeimSchreiben();
        }
        if (dbe_Commit() != 1)
            return FehlerBeimSchreiben();
        recno = static_cast<int32_t>(dbe_RecNo());
        puffer.assign(size_t(std::max(0, dbe_RecSize())) + 1, '\0');
        dbe_GetRecord(puffer.data());
    }
    if (vorschauLoeschen && !vorschauDatei.isEmpty())
        DeleteFile(vorschauDatei);
    ++neue_;
    ZaehlerSetzen();
    Drehung = 0;
    for (int i = 0; i < 4; ++i)
        MenuDrehung[i]->SetChecked(i == 0);

    // The full-text entry: entry n belongs to record n.
    TFts* fts = album_.Bilder().Fts();
    if (fts && fts->Handle() <= 0) {
        const QString ia = album_.Bilder().Dateien().Ia();
        if (FileExists(ia) && fts->OpenIndex(ia, 20, 0) <= 0) {
            MessageDlg(QStringLiteral("Fehler beim Öffnen der Volltextdatenbank ") + ia +
                           QStringLiteral(", Vorgang wird abgebrochen!"),
                       mtWarning, TMsgDlgButtons{mbOK});
            return 0;
        }
    }
    const QByteArray bild(puffer.data(), std::max<int>(0, int(puffer.size()) - 1));
    int antwort = -1;
    if (fts && fts->NumRecs() >= 0) {
        FtsNachziehen(fts, static_cast<uint16_t>(dbe->DataSet()->Handle()), recno);
        antwort = fts->NumRecs() >= recno ? fts->Replace(bild, recno) : fts->Add(bild);
    }
    if (antwort < 0) {
        Protokoll(QStringLiteral("Fehler"),
                  QStringLiteral("SchreibeSatzInDatenbank, Fehler beim Hinzufügen eines neuen Schlüssels für Volltextsuche : ") +
                      QString::number(antwort));
        if (MessageDlg(QStringLiteral("Fehler beim Hinzufügen eines Satzes in Volltextdatenbank, Vorgang abbrechen ?"),
                       mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes)
            return 0;
    }
    return 1;
}

void TfrmScanPics::VorschauDrehen(int grad)
{
    for (int i = 0; i < 4; ++i)
        MenuDrehung[i]->SetChecked(i * 90 == grad);
    Drehung = int16_t(grad);
    if (grad == 90)
        ImageWindow2->Rotate90();
    else if (grad == 180)
        ImageWindow2->Rotate180();
    else if (grad == 270)
        ImageWindow2->Rotate270();
}

void TfrmScanPics::ImageWindow2Click(TObject* Sender)
{
    (void)Sender;
    if (!vorschauDatei_.isEmpty())
        haupt_.VollbildAnzeigen(vorschauDatei_);
}
