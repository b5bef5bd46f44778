// Copying the entries the open album shows into another album (the target
// album of the third work area) with their long descriptions, thumbnails
// and full-text entries, and packing the target.
#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/ui/dialogs.h"
#include "shared/app_exception.h"
#include "shared/general_dates.h"
#include "shared/general_files.h"
#include "shared/nachrichten_dialog.h"
#include "shared/status4_form.h"
#include "shared/utility_files.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

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

}  // namespace

QString TMainForm::VorschauTempOrdner() const
{
    const QString temp = optionen_->EditTempDir;
    return !temp.isEmpty() && DirectoryExists(temp) ? IncludeTrailingBackslash(temp) : ProgrammPfad;
}

void TMainForm::KopiereSaetzeInNeuesFotoalbum()
{
    const QString vorschlagOrdner = optionen_->EditDatenbankenVerzeichnis;
    OpenDialog1->InitialDir = vorschlagOrdner;
    OpenDialog1->FileName = QStringLiteral("Bilder") + NaechsteFreieNummer(vorschlagOrdner + QStringLiteral("Bilder*.dbf")) +
                            QStringLiteral(".dbf");
    if (!OpenDialog1->Execute()) {
        ShowMessage(QStringLiteral("Abgebrochen!"));
        return;
    }
    QString gewaehlt = OpenDialog1->FileName.trimmed();
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
    if (const int saetze = FileExists(gewaehlt) ? BilderDBFChecken2(zielOrdner, zielName) : 0; saetze < 0) {
        if (saetze != kAlbumBelegt)
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
    if (FileExists(gewaehlt) && TableBilder->Active() &&
        zielName.compare(TableBilder->TableName(), Qt::CaseInsensitive) == 0 &&
        IncludeTrailingBackslash(zielOrdner).compare(IncludeTrailingBackslash(TableBilder->DatabaseName()),
                                                     Qt::CaseInsensitive) == 0) {
        Screen->SetCursor(crDefault);
        ShowMessage(QStringLiteral("Sie können nicht das bereits geöffnete Fotoalbum hierfür benutzen, wählen Sie ein "
                                   "anderes Fotoalbum!"));
        AlbumAnsichtenNachWechsel();
        return;
    }
    BereichBilder3().DateienSetzen(TAlbumDateien(zielOrdner, zielName));
    Bilder3DBFOeffnen();
    if (!TableBilder3->Active()) {
        Screen->SetCursor(crDefault);
        AlbumAnsichtenNachWechsel();
        return;
    }
    OeffneBilder3FTS();

    Screen->SetCursor(crHourGlass);
    std::vector<uint32_t> zielSaetze;
    {
        TControlsDisabler aus(TableBilder);
        Application->ProcessMessages();
        const QString temp = VorschauTempOrdner() + QStringLiteral("NOTIZ.TXT");
        // Esc stops the copy after the current entry; what was copied stays
        // whole (memos, thumbnail, full-text entry) and the target is packed.
        Abbruch = false;
        // A failed write stops the copy with a message; what was copied
        // before stays in the target.
        const auto pruefe = [&](bool ok, const QString& was) {
            if (ok)
                return;
            Screen->SetCursor(crDefault);
            FehlerKontextSetzen();
            throw Exception(QStringLiteral("Fehler beim Kopieren in das Ziel-Fotoalbum (") + was +
                            QStringLiteral(", Satz ") + QString::number(DbeBilder->RecNo()) +
                            QStringLiteral(") !"));
        };
        DbeBilder->GoTop();
        while (!DbeBilder->Eof() && !Abbruch) {
            // The target gets blank memo references and its own copies of the memos.
            RohSatzLesen(DbeBilder, BereichBilder3().FtsPuffer());
            TableBilder3->Append();
            TableBilder3->Post();
            pruefe(DbeBilder3->PutRecord(BereichBilder3().FtsPuffer().data()), QStringLiteral("Eintrag"));
            if (DbeBilder->GetBlobLength(QStringLiteral("NOTIZ")) > 0) {
                pruefe(DbeBilder->BlobToFile(QStringLiteral("NOTIZ"), temp), QStringLiteral("Notiz lesen"));
                // The temporary file goes only once the memo is in the target.
                pruefe(DbeBilder3->Replace(QStringLiteral("NOTIZ"), 0x1000, temp),
                       QStringLiteral("Notiz schreiben, sie liegt in ") + temp);
                DeleteFile(temp);
            }
            FTSBilder3Add();
            zielSaetze.push_back(DbeBilder3->RecNo());
            DbeBilder->Skip(1);
            Application->ProcessMessages();
        }

        // Thumbnails go to the records copied from the same source records;
        // the target is packed only afterwards, so the numbers still hold.
        DbeBilder->GoTop();
        for (uint32_t satz : zielSaetze) {
            if (DbeBilder->Eof())
                break;
            DbeBilder3->Go(satz);
            pruefe(SchreibeVorschauBildUndBildPfadInNeueBilderDBF(), QStringLiteral("Vorschaubild"));
            DbeBilder->Skip(1);
        }
        DbeBilder->GoTop();

        const uint32_t vorDemPacken = DbeBilder3->RecCount();
        try {
            PackeKopierteDBF();
        } catch (const std::exception&) {
            FehlerKontextSetzen();
            throw Exception(QStringLiteral("Fehler beim Packen des Ziel-Fotoalbums, packen Sie ggfs. zunächst das "
                                           "Quellfotoalbum und versuchen Sie den Vorgang erneut !"));
        }
        // Packing renumbered the target: its full-text entries follow.
        if (TableBilder3->Active() && DbeBilder3->RecCount() != vorDemPacken) {
            FtsBilder3->Close();
            DeleteFile(BereichBilder3().Dateien().Ia());
            OeffneBilder3FTS();
        }
        FtsBilder3->Close();
    }
    Screen->SetCursor(crDefault);
    AlbumAnsichtenNachWechsel();

    if (BilderDBFsOeffnen() != 0 && TableBilderDatenbanken->Active() &&
        DatensatzSuchen(DbeBilderDatenbanken, QStringLiteral("PFAD"), gewaehlt) == 0 &&
        MessageDlg(QStringLiteral("Ziel-Fotoalbum in den Fotoalben-Manager eintragen ?"), mtConfirmation,
                   TMsgDlgButtons{mbYes, mbNo}) == mrYes)
        BilderDBFinDBFVerwaltungEintragen(zielOrdner + zielName, 1, 0);
    OeffneBilderFTS();
}

bool TMainForm::EintragInZielKopieren(const QString& neuerPfad)
{
    if (!TableBilder->Active() || !TableBilder3->Active())
        return false;
    RohSatzLesen(DbeBilder, BereichBilder3().FtsPuffer());
    if (!neuerPfad.isEmpty()) {
        // The medium id the picture search compares the entry with.
        const QString kennung = qktGetVolumeId(neuerPfad.left(1));
        if (!FeldSetzen(DbeBilder, BereichBilder3().FtsPuffer(), QStringLiteral("PFAD"), neuerPfad) ||
            !FeldSetzen(DbeBilder, BereichBilder3().FtsPuffer(), QStringLiteral("ZOOMFACTOR"),
                        QStringLiteral("0.00")) ||
            !FeldSetzen(DbeBilder, BereichBilder3().FtsPuffer(), QStringLiteral("LABELKENNU"),
                        kennung.left(FeldBereich(DbeBilder, QStringLiteral("LABELKENNU")).Breite))) {
            Protokoll(QStringLiteral("Fehler"), QStringLiteral("EintragInZielKopieren, Pfad nicht speicherbar: ") + neuerPfad);
            return false;
        }
    }
    // Memos travel through files in the temporary folder into the target's
    // own memo file; a memo that cannot be moved fails the entry.
    auto memoKopieren = [this](const QString& feld, int art, const QString& datei) {
        if (DbeBilder->GetBlobLength(feld) <= 0)
            return true;
        const bool ok = DbeBilder->BlobToFile(feld, datei) && DbeBilder3->Replace(feld, art, datei);
        DeleteFile(datei);
        return ok;
    };
    bool angehaengt = false;
    bool ok = false;
    try {
        TableBilder3->Append();
        TableBilder3->Post();
        angehaengt = true;
        ok = DbeBilder3->PutRecord(BereichBilder3().FtsPuffer().data()) &&
             memoKopieren(QStringLiteral("NOTIZ"), 0x1000, VorschauTempOrdner() + QStringLiteral("NOTIZ.TXT")) &&
             memoKopieren(QStringLiteral("VORSCHAU"), 0x2000, VorschauTempOrdner() + QStringLiteral("VORSCHAU.BMP"));
    } catch (const std::exception& e) {
        Protokoll(QStringLiteral("Fehler"), QStringLiteral("EintragInZielKopieren, ") + QString::fromUtf8(e.what()));
        ok = false;
    }
    if (!ok) {
        // The half-written copy leaves the target's shown entries.
        if (angehaengt) {
            try {
                DbeBilder3->Delete();
            } catch (const std::exception&) {
            }
        }
        return false;
    }
    // The entry is stored; a full-text entry that could not be added is
    // reported there and can be rebuilt from the album.
    FTSBilder3Add();
    return true;
}

void TMainForm::PackeKopierteDBF()
{
    if (!TableBilder3->Active()) {
        ShowMessage(QStringLiteral("Fotoalbum ist nicht geöffnet !"));
        return;
    }
    StopUhr(QStringLiteral("START"));
    StatusSchritte = 10;
    Screen->SetCursor(crHourGlass);
    Application->ProcessMessages();
    DbeBilder3->IndexClose();
    TableBilder3->SetIndexName(QString());
    TableBilder3->Close();
    if (!BereichBilder3().Oeffnen(true)) {
        Screen->SetCursor(crDefault);
        ShowMessage(QStringLiteral("Fehler beim exclusiven Öffnen von ") + BereichBilder3().Dateien().Dbf() +
                    QStringLiteral(" !"));
    }
    {
        TControlsDisabler aus(TableBilder3);
        Application->ProcessMessages();
        if (TableBilder3->Active())
            DbeBilder3->Pack();
    }
    if (!BereichBilder3().Oeffnen(false)) {
        Screen->SetCursor(crDefault);
        ShowMessage(QStringLiteral("Fehler beim normalen (shareable) Öffnen von ") + BereichBilder3().Dateien().Dbf() +
                    QStringLiteral(" !"));
    }
    if (TableBilder3->Active())
        TableBilder3->Refresh();
    Application->ProcessMessages();
    Screen->SetCursor(crDefault);
    if (!optionen_->CheckBoxAlleMeldungen)
        return;
    const QString zeit = ZeitMeldung();
    if (optionen_->CheckBoxBearbeitungszeitAnzeigen) {
        Protokoll(QStringLiteral("Info"), QStringLiteral("MainForm.PackeKopierteDBF, Bearbeitungszeit = ") + zeit);
        Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Bearbeitungszeit = ") + zeit, 100);
    } else {
        Protokoll(QStringLiteral("Info"), QStringLiteral("MainForm.PackeKopierteDBF, Fertig !"));
        Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Fertig mit dem Packen des Fotoalbums !"), 100);
    }
}

bool TMainForm::SchreibeVorschauBildUndBildPfadInNeueBilderDBF()
{
    if (optionen_->CheckBoxVorschauBilderAlsBlobSpeichern && !DbeBilder->Empty(QStringLiteral("VORSCHAU"))) {
        const QString temp = VorschauTempOrdner() + QStringLiteral("VORSCHAU.BMP");
        if (!DbeBilder->BlobToFile(QStringLiteral("VORSCHAU"), temp)) {
            ShowMessage(QStringLiteral("Fehler beim Schreiben des Vorschaubildes aus Fotoalbum"));
            return true;  // told already; the entry itself was copied
        }
        if (!DbeBilder3->Replace(QStringLiteral("VORSCHAU"), 0x2000, temp))
            return false;
    }
    DbeBilder3->PostIfEditing();
    return true;
}
