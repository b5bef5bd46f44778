// Copying the entries the open album shows into another album (the target
// work area) with their long descriptions, thumbnails and full-text
// entries, and packing the target.
#include "mainwindow/bilder_kopien.h"

#include "album/album_ansicht.h"
#include "album/album_record.h"
#include "album/arbeitsbereich.h"
#include "album/offenes_album.h"
#include "album/programm_dienste.h"

#include "datagrid/dk_table.h"
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/run_temp_folder.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"
#include "shared/general_dates.h"
#include "shared/general_files.h"
#include "shared/status4_form.h"
#include "shared/utility_files.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <optional>
#include <utility>
#include <vector>

namespace {

// Offsets and widths of the memo fields in a record image.
std::vector<std::pair<int, int>> MemoBereiche(TDbe* dbe)
{
    std::vector<std::pair<int, int>> bereiche;
    int offset = 1;
    for (int n = 1; n <= dbe->FieldCount(); ++n) {
        const QString name = dbe->FieldName(n);
        const int breite = dbe->FieldWidth(name);
        if (dbe->FieldType(name) == QLatin1String("M"))
            bereiche.emplace_back(offset, breite);
        offset += breite;
    }
    return bereiche;
}

// Offset, width and type of a field in a record image; width 0 when the
// table has no such field.
struct TFeldBereich {
    int Offset = 0;
    int Breite = 0;
    QString Typ;
};
TFeldBereich FeldBereich(TDbe* dbe, const QString& feld)
{
    int offset = 1;
    for (int n = 1; n <= dbe->FieldCount(); ++n) {
        const QString name = dbe->FieldName(n);
        const int breite = dbe->FieldWidth(name);
        if (name.compare(feld, Qt::CaseInsensitive) == 0)
            return {offset, breite, dbe->FieldType(name)};
        offset += breite;
    }
    return {};
}

// Puts a text into a field of a record image: character fields left-aligned,
// numeric ones right-aligned, padded with blanks. False when the field is
// missing, too narrow or Windows-1252 cannot hold the text.
bool FeldSetzen(TDbe* dbe, std::vector<char>& puffer, const QString& feld, const QString& text)
{
    const TFeldBereich b = FeldBereich(dbe, feld);
    const std::optional<QByteArray> bytes = Win1252Encode(text);
    if (b.Breite == 0 || !bytes || bytes->size() > b.Breite ||
        static_cast<size_t>(b.Offset + b.Breite) > puffer.size())
        return false;
    QByteArray wert = b.Typ == QLatin1String("N") ? bytes->rightJustified(b.Breite, ' ') : bytes->leftJustified(b.Breite, ' ');
    std::copy(wert.begin(), wert.end(), puffer.begin() + b.Offset);
    return true;
}

// Reads the current record raw into the buffer with blank memo references:
// those point into the source's memo file.
void RohSatzLesen(TDbe* dbe, std::vector<char>& puffer)
{
    puffer.assign(static_cast<size_t>(dbe->RecSize()) + 1, '\0');
    dbe->GetRecord(puffer.data());
    for (const auto& [offset, breite] : MemoBereiche(dbe))
        std::fill_n(puffer.begin() + offset, breite, ' ');
}

// The text that tells the user a failed copy left its record in the target.
const QString kLeerSatzGeblieben =
    QStringLiteral(" Der angefügte Eintrag konnte nicht aus dem Ziel-Fotoalbum entfernt werden, packen Sie das "
                   "Ziel-Fotoalbum nach einer Prüfung!");

// Appends the record image as a new record of the target. The record is
// appended blank first (the dataset's way), so a failure after that leaves a
// record behind: `angehaengt` is its number (0 while none was appended), for
// the caller to mark it deleted (AngehaengtenSatzEntfernen) and no blank or
// half-written entry shows in the target.
bool SatzAnhaengen(TdkTable* zielTabelle, TDbe* zielDbe, const char* bild, uint32_t& angehaengt)
{
    angehaengt = 0;
    const uint32_t vorher = zielDbe->RecCount();
    try {
        zielTabelle->Append();
        zielTabelle->Post();
    } catch (const std::exception&) {
        if (zielDbe->RecCount() > vorher)
            angehaengt = zielDbe->RecCount();
        return false;
    }
    angehaengt = zielDbe->RecNo();
    return zielDbe->PutRecord(bild);
}

// Marks the record a failed copy appended deleted; false when that failed
// too (the record then stays in the target as it is).
bool AngehaengtenSatzEntfernen(TDbe* zielDbe, uint32_t satz)
{
    if (satz == 0)
        return true;
    try {
        zielDbe->Go(satz);
        if (zielDbe->RecNo() != satz)
            return false;
        if (!zielDbe->Deleted())
            zielDbe->Delete();
        return zielDbe->Deleted();
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

TBilderKopien::TBilderKopien(TOffenesAlbum& album, TAlbumAnsicht& ansicht, TProgrammDienste& dienste,
                             TBilderKopienUmgebung& umgebung)
    : album_(album), quelle_(album.Bilder()), ziel_(album.Ziel()), ansicht_(ansicht), dienste_(dienste),
      umgebung_(umgebung)
{
}

void TBilderKopien::SaetzeInNeuesFotoalbumKopieren()
{
    TdkTable* const quellTabelle = quelle_.Tabelle();
    TDbe* const quellDbe = quelle_.Dbe();
    TdkTable* const zielTabelle = ziel_.Tabelle();
    TDbe* const zielDbe = ziel_.Dbe();

    const QString vorschlagOrdner = umgebung_.Optionen().EditDatenbankenVerzeichnis;
    QString gewaehlt;
    if (!umgebung_.ZielDateiWaehlen(vorschlagOrdner,
                                    QStringLiteral("Bilder") +
                                        NaechsteFreieNummer(vorschlagOrdner + QStringLiteral("Bilder*.dbf")) +
                                        QStringLiteral(".dbf"),
                                    gewaehlt)) {
        ShowMessage(QStringLiteral("Abgebrochen!"));
        return;
    }
    gewaehlt = gewaehlt.trimmed();
    if (!gewaehlt.toUpper().contains(QLatin1String(".DBF")))
        gewaehlt += QStringLiteral(".DBF");
    const QString zielOrdner = ExtractFilePath(gewaehlt);
    const QString zielName = ExtractFileName(gewaehlt);
    for (const QChar c : QStringLiteral("öÖüÜäÄß"))
        if (zielName.contains(c)) {
            ShowMessage(QStringLiteral("Die Dateinamen der Fotoalben dürfen in dieser Version von QV-Lumadex KEINE "
                                       "Umlaute (ÄÖÜäöüß) und Sonderzeichen enthalten !"));
            return;
        }
    // A busy album was reported as such by the check.
    if (const int saetze = FileExists(gewaehlt) ? album_.AlbumPruefen(zielOrdner, zielName) : 0; saetze < 0) {
        if (saetze != TOffenesAlbum::kAlbumBelegt)
            ShowMessage(QStringLiteral("Ungültiges Fotoalbum (Bilderdatenbank)!"));
        return;
    }
    if (zielName.length() > 12) {
        ShowMessage(QStringLiteral("Die Dateinamen der Fotoalben dürfen in dieser Version von QV-Lumadex nicht länger "
                                   "als 8 Zeichen (plus Punkt und Suffix) sein, geben Sie einen kürzeren Dateinamen an "
                                   "!"));
        return;
    }
    StopUhr(QStringLiteral("START"));
    Screen->SetCursor(crHourGlass);
    if (FileExists(gewaehlt) && quellTabelle->Active() &&
        zielName.compare(quellTabelle->TableName(), Qt::CaseInsensitive) == 0 &&
        IncludeTrailingBackslash(zielOrdner).compare(IncludeTrailingBackslash(quellTabelle->DatabaseName()),
                                                     Qt::CaseInsensitive) == 0) {
        Screen->SetCursor(crDefault);
        ShowMessage(QStringLiteral("Sie können nicht das bereits geöffnete Fotoalbum hierfür benutzen, wählen Sie ein "
                                   "anderes Fotoalbum!"));
        ansicht_.AnsichtenNachAlbumwechsel();
        return;
    }
    album_.ZielOeffnen(TAlbumDateien(zielOrdner, zielName));
    if (!zielTabelle->Active()) {
        Screen->SetCursor(crDefault);
        ansicht_.AnsichtenNachAlbumwechsel();
        return;
    }
    album_.ZielVolltextOeffnen();

    Screen->SetCursor(crHourGlass);
    std::vector<uint32_t> zielSaetze;
    {
        TControlsDisabler aus(quellTabelle);
        Application->ProcessMessages();
        // Esc stops the copy after the current entry; what was copied stays
        // whole (memos, thumbnail, full-text entry) and the target is packed.
        dienste_.AbbruchSetzen(false);
        // A failed write stops the copy with a message; what was copied
        // before stays in the target, the entry being copied leaves it.
        uint32_t angehaengt = 0;
        const auto pruefe = [&](bool ok, const QString& was) {
            if (ok)
                return;
            Screen->SetCursor(crDefault);
            QString text = QStringLiteral("Fehler beim Kopieren in das Ziel-Fotoalbum (") + was +
                           QStringLiteral(", Satz ") + QString::number(quellDbe->RecNo()) + QStringLiteral(") !");
            if (!AngehaengtenSatzEntfernen(zielDbe, angehaengt)) {
                text += kLeerSatzGeblieben;
                dienste_.Protokoll(QStringLiteral("Fehler"), QStringLiteral("KopiereSaetzeInNeuesFotoalbum, ") + text);
            }
            dienste_.FehlerKontextSetzen();
            throw Exception(text);
        };
        quellDbe->GoTop();
        while (!quellDbe->Eof() && !dienste_.AbbruchGedrueckt()) {
            // The target gets blank memo references and its own copies of the memos.
            RohSatzLesen(quellDbe, ziel_.FtsPuffer());
            pruefe(SatzAnhaengen(zielTabelle, zielDbe, ziel_.FtsPuffer().data(), angehaengt),
                   QStringLiteral("Eintrag"));
            if (quellDbe->GetBlobLength(QStringLiteral("NOTIZ")) > 0) {
                TRunTempFile temp(QStringLiteral("NOTIZ.TXT"));
                const QString datei = temp.WinPath();
                pruefe(temp.IsValid() && quellDbe->BlobToFile(QStringLiteral("NOTIZ"), datei),
                       QStringLiteral("Notiz lesen"));
                // The temporary file goes only once the memo is in the target;
                // else it stays for the rest of the run.
                const bool geschrieben = zielDbe->Replace(QStringLiteral("NOTIZ"), 0x1000, datei);
                if (!geschrieben)
                    temp.Release();
                pruefe(geschrieben, QStringLiteral("Notiz schreiben, sie liegt in ") + datei);
            }
            album_.ZielVolltextEintragen();
            zielSaetze.push_back(zielDbe->RecNo());
            angehaengt = 0;
            quellDbe->Skip(1);
            Application->ProcessMessages();
        }

        // Thumbnails go to the records copied from the same source records;
        // the target is packed only afterwards, so the numbers still hold.
        quellDbe->GoTop();
        for (uint32_t satz : zielSaetze) {
            if (quellDbe->Eof())
                break;
            zielDbe->Go(satz);
            pruefe(VorschauBildKopieren(), QStringLiteral("Vorschaubild"));
            quellDbe->Skip(1);
        }
        quellDbe->GoTop();

        const uint32_t vorDemPacken = zielDbe->RecCount();
        try {
            ZielPacken();
        } catch (const std::exception&) {
            dienste_.FehlerKontextSetzen();
            throw Exception(QStringLiteral("Fehler beim Packen des Ziel-Fotoalbums, packen Sie ggfs. zunächst das "
                                           "Quellfotoalbum und versuchen Sie den Vorgang erneut !"));
        }
        VolltextNachPacken(vorDemPacken);
    }
    Screen->SetCursor(crDefault);
    ansicht_.AnsichtenNachAlbumwechsel();

    if (album_.ManagerBereit() && !album_.ImManager(gewaehlt) &&
        MessageDlg(QStringLiteral("Ziel-Fotoalbum in den Fotoalben-Manager eintragen ?"), mtConfirmation,
                   TMsgDlgButtons{mbYes, mbNo}) == mrYes)
        album_.ImManagerEintragen(zielOrdner + zielName, 1, 0);
    album_.VolltextOeffnen();
}

bool TBilderKopien::ZielAlbumOeffnen(const QString& ordner, const QString& name)
{
    if (FileExists(ordner + name)) {
        // A busy album was reported as such by the check.
        const int saetze = album_.AlbumPruefen(ordner, name);
        if (saetze < 0) {
            if (saetze != TOffenesAlbum::kAlbumBelegt)
                ShowMessage(QStringLiteral("Ungültiges Fotoalbum (Bilderdatenbank)!"));
            return false;
        }
        if (AlbumSchreibgeschuetzt(ordner, name)) {
            ShowMessage(QStringLiteral("Das Ziel-Fotoalbum ") + ordner + name +
                        QStringLiteral(" ist schreibgeschützt, wählen Sie ein anderes Ziel-Fotoalbum!"));
            return false;
        }
    }
    album_.ZielOeffnen(TAlbumDateien(ordner, name));
    if (!ziel_.Tabelle()->Active())
        return false;
    album_.ZielVolltextOeffnen();
    return true;
}

bool TBilderKopien::EintragKopieren(const QString& neuerPfad)
{
    TDbe* const quellDbe = quelle_.Dbe();
    TDbe* const zielDbe = ziel_.Dbe();
    if (!quelle_.Tabelle()->Active() || !ziel_.Tabelle()->Active())
        return false;
    std::vector<char>& puffer = ziel_.FtsPuffer();
    RohSatzLesen(quellDbe, puffer);
    if (!neuerPfad.isEmpty()) {
        // The medium id the picture search compares the entry with.
        const QString kennung = qktGetVolumeId(neuerPfad.left(1));
        if (!FeldSetzen(quellDbe, puffer, QStringLiteral("PFAD"), neuerPfad) ||
            !FeldSetzen(quellDbe, puffer, QStringLiteral("ZOOMFACTOR"), QStringLiteral("0.00")) ||
            !FeldSetzen(quellDbe, puffer, QStringLiteral("LABELKENNU"),
                        kennung.left(FeldBereich(quellDbe, QStringLiteral("LABELKENNU")).Breite))) {
            dienste_.Protokoll(QStringLiteral("Fehler"),
                                QStringLiteral("EintragInZielKopieren, Pfad nicht speicherbar: ") + neuerPfad);
            return false;
        }
    }
    // Memos travel through temporary files of the run into the target's
    // own memo file; a memo that cannot be moved fails the entry.
    auto memoKopieren = [&](const QString& feld, int art, const QString& name) {
        if (quellDbe->GetBlobLength(feld) <= 0)
            return true;
        const TRunTempFile datei(name);
        return datei.IsValid() && quellDbe->BlobToFile(feld, datei.WinPath()) &&
               zielDbe->Replace(feld, art, datei.WinPath());
    };
    uint32_t angehaengt = 0;
    bool ok = false;
    try {
        ok = SatzAnhaengen(ziel_.Tabelle(), zielDbe, puffer.data(), angehaengt) &&
             memoKopieren(QStringLiteral("NOTIZ"), 0x1000, QStringLiteral("NOTIZ.TXT")) &&
             memoKopieren(QStringLiteral("VORSCHAU"), 0x2000, QStringLiteral("VORSCHAU.BMP"));
    } catch (const std::exception& e) {
        dienste_.Protokoll(QStringLiteral("Fehler"),
                            QStringLiteral("EintragInZielKopieren, ") + QString::fromUtf8(e.what()));
        ok = false;
    }
    if (!ok) {
        // The half-written copy leaves the target's shown entries.
        if (!AngehaengtenSatzEntfernen(zielDbe, angehaengt)) {
            const QString text = QStringLiteral("Fehler beim Kopieren in das Ziel-Fotoalbum !") + kLeerSatzGeblieben;
            dienste_.Protokoll(QStringLiteral("Fehler"), QStringLiteral("EintragInZielKopieren, ") + text);
            ShowMessage(text);
        }
        return false;
    }
    // The entry is stored; a full-text entry that could not be added is
    // reported there and can be rebuilt from the album.
    album_.ZielVolltextEintragen();
    return true;
}

void TBilderKopien::ZielPacken()
{
    TdkTable* const zielTabelle = ziel_.Tabelle();
    TDbe* const zielDbe = ziel_.Dbe();
    if (!zielTabelle->Active()) {
        ShowMessage(QStringLiteral("Fotoalbum ist nicht geöffnet !"));
        return;
    }
    StopUhr(QStringLiteral("START"));
    StatusSchritte = 10;
    Screen->SetCursor(crHourGlass);
    Application->ProcessMessages();
    zielDbe->IndexClose();
    zielTabelle->SetIndexName(QString());
    zielTabelle->Close();
    // Another program that uses the target keeps the pack from it: that is
    // the one message, and the target is opened shared again unpacked.
    const bool exklusiv = ziel_.Oeffnen(true);
    if (!exklusiv) {
        Screen->SetCursor(crDefault);
        ShowMessage(QStringLiteral("Fehler beim exclusiven Öffnen von ") + ziel_.Dateien().Dbf() +
                    QStringLiteral(" !"));
    } else {
        TControlsDisabler aus(zielTabelle);
        Application->ProcessMessages();
        zielDbe->Pack();
    }
    if (!ziel_.Oeffnen(false)) {
        Screen->SetCursor(crDefault);
        ShowMessage(QStringLiteral("Fehler beim normalen (shareable) Öffnen von ") + ziel_.Dateien().Dbf() +
                    QStringLiteral(" !"));
    }
    if (zielTabelle->Active())
        zielTabelle->Refresh();
    Application->ProcessMessages();
    Screen->SetCursor(crDefault);
    const TProgrammOptionenStand& optionen = umgebung_.Optionen();
    if (!exklusiv || !optionen.CheckBoxAlleMeldungen)
        return;
    const QString zeit = StopUhr(QStringLiteral("STOP"));
    if (optionen.CheckBoxBearbeitungszeitAnzeigen) {
        dienste_.Protokoll(QStringLiteral("Info"),
                            QStringLiteral("MainForm.PackeKopierteDBF, Bearbeitungszeit = ") + zeit);
        dienste_.Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Bearbeitungszeit = ") + zeit, 100);
    } else {
        dienste_.Protokoll(QStringLiteral("Info"), QStringLiteral("MainForm.PackeKopierteDBF, Fertig !"));
        dienste_.Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Fertig mit dem Packen des Fotoalbums !"),
                          100);
    }
}

void TBilderKopien::ZielPackenMitVolltext()
{
    const uint32_t vorher = ziel_.Dbe()->RecCount();
    ZielPacken();
    VolltextNachPacken(vorher);
}

void TBilderKopien::VolltextNachPacken(uint32_t vorDemPacken)
{
    // Packing renumbered the target: its full-text entries follow.
    if (ziel_.Tabelle()->Active() && ziel_.Dbe()->RecCount() != vorDemPacken) {
        ziel_.Fts()->Close();
        DeleteFile(ziel_.Dateien().Ia());
        album_.ZielVolltextOeffnen();
    }
    ziel_.Fts()->Close();
}

bool TBilderKopien::VorschauBildKopieren()
{
    TDbe* const quellDbe = quelle_.Dbe();
    if (umgebung_.Optionen().CheckBoxVorschauBilderAlsBlobSpeichern && !quellDbe->Empty(QStringLiteral("VORSCHAU"))) {
        const TRunTempFile temp(QStringLiteral("VORSCHAU.BMP"));
        if (!temp.IsValid() || !quellDbe->BlobToFile(QStringLiteral("VORSCHAU"), temp.WinPath())) {
            ShowMessage(QStringLiteral("Fehler beim Schreiben des Vorschaubildes aus Fotoalbum"));
            return true;  // told already; the entry itself was copied
        }
        if (!ziel_.Dbe()->Replace(QStringLiteral("VORSCHAU"), 0x2000, temp.WinPath()))
            return false;
    }
    ziel_.Dbe()->PostIfEditing();
    return true;
}
