// The table work of an album work area: open, create, index tags, index
// rebuild, the integrity check and the full-text index of its album.
#include "album/arbeitsbereich.h"

#include "album/programm_dienste.h"

#include "datagrid/dk_table.h"
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/fts/fts.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"
#include "shared/status4_form.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <algorithm>
#include <memory>

namespace {

// The first ten fields of an album record with their widths: a table that
// has them (and the album's field count) is an album.
struct TFeldPruefung {
    const char* Name;
    int Breite;
};
constexpr TFeldPruefung kErsteZehnFelder[] = {{"SHORTDESC", 100}, {"OWNER", 15}, {"AUFNDATUM", 8}, {"BYTES", 10},
                                              {"BREITE", 4},      {"HOEHE", 4},  {"SERIE", 10},    {"QUELLE", 10},
                                              {"DATEI", 15},      {"PFAD", 239}};

const QString kFtsFehler = QStringLiteral("Fehler beim Hinzufügen eines neuen Schlüssels für Volltextsuche : ");

}  // namespace

int AlbumExklusivOeffnen(TdkTable* table, TDbe* dbe, const TAlbumDateien& album, bool mitIndex, QString& belegt)
{
    table->IndexFiles.clear();
    table->SetIndexName(QString());
    return DatenbankOeffnenPasswort(table, mitIndex ? ttDXFOX : ttDXNTX, dbe, album.Ordner(), album.Name(), QString(),
                                    true, false, false, nullptr, QString(), QString(), &belegt);
}

const QString TArbeitsbereich::kFehlerOeffnen =
    QStringLiteral("Fehler beim Öffnen, es handelt sich wahrscheinlich um keine Lumadex-Datenbank!");
const QString TArbeitsbereich::kFehlerOeffnenDefekt = QStringLiteral(
    "Fehler beim Öffnen, es handelt sich wahrscheinlich um keine Lumadex-Datenbank oder die Datenbank (Fotoalbum) "
    "ist defekt!");

bool TArbeitsbereich::Oeffnen(bool exklusiv, QString* belegt) { return Oeffnen(dateien_, exklusiv, belegt); }

bool TArbeitsbereich::Oeffnen(const TAlbumDateien& album, bool exklusiv, QString* belegt, bool nurLesen)
{
    return DatenbankOeffnenPasswort(tabelle_, ttDXFOX, dbe_, album.Ordner(), album.Name(), QString(), exklusiv,
                                    nurLesen, false, nullptr, QString(), QString(), belegt) == kDatenbankOffen;
}

bool TArbeitsbereich::OeffnenOderFehler(const TAlbumDateien& album, bool exklusiv, const QString& fehler,
                                        QString* belegt)
{
    try {
        return Oeffnen(album, exklusiv, belegt);
    } catch (const std::exception&) {
        Screen->SetCursor(crDefault);
        umgebung_.FehlerKontextSetzen();
        throw Exception(fehler);
    }
}

void TArbeitsbereich::Erzeugen(const TAlbumDateien& album, std::span<const TAlbumFeld> felder)
{
    const QString datei = album.Dbf();
    TControlsDisabler aus(tabelle_);
    if (!dbe_->CreateNew(datei, 2, static_cast<int>(felder.size()))) {
        MessageDlg(datei + QStringLiteral(" konnte nicht erzeugt werden, Sysop informieren  !"), mtWarning,
                   TMsgDlgButtons{mbOK});
        // The program ends as soon as control is back in its message loop.
        Application->Terminate();
        throw EAbort(QString());
    }
    for (const TAlbumFeld& f : felder)
        dbe_->CreateField(QString::fromLatin1(f.Name), f.Typ, f.Breite, f.Dezimal);
    if (!dbe_->CreateExec())
        MessageDlg(datei + QStringLiteral(" konnte nicht erzeugt werden !"), mtWarning, TMsgDlgButtons{mbOK});
}

bool TArbeitsbereich::HatAlleTags(std::span<const TAlbumTag> tags) const
{
    TStringList namen;
    for (int n = 1;; ++n) {
        const QString name = dbe_->TagName(n);
        if (name.isEmpty())
            break;
        namen.Add(name.toUpper());
    }
    for (const TAlbumTag& tag : tags)
        if (namen.IndexOf(QString::fromLatin1(tag.Name).toUpper()) < 0)
            return false;
    return true;
}

void TArbeitsbereich::TagsErzeugen(std::span<const TAlbumTag> tags, int schritte, const QString& text)
{
    StatusSchritte = static_cast<uint16_t>(schritte);
    std::unique_ptr<TStatus4Frm> status(new TStatus4Frm(Application));
    status->Label1->SetCaption(text);
    status->Show();
    status->Panel2->SetVisible(true);
    Application->ProcessMessages();
    dbe_->SetGaugeHook([w = status.get()](uint32_t done, uint32_t total) { TStatus4Frm::GaugeHook(w, done, total); });
    // Each tag is one step of the window: the engine reports every index
    // operation from its first percentage up to 100.
    for (const TAlbumTag& tag : tags)
        dbe_->IndexTag(QString(), QString::fromLatin1(tag.Name), QString::fromLatin1(tag.Schluessel), 0, 0,
                       QString::fromLatin1(tag.Bedingung));
    dbe_->SetGaugeHook(nullptr);
}

bool TArbeitsbereich::AlleinHalten(TArbeitsbereich& halter, QString& belegt)
{
    halter.tabelle_->Close();
    try {
        return AlbumExklusivOeffnen(halter.tabelle_, halter.dbe_, dateien_, false, belegt) == kDatenbankOffen;
    } catch (const std::exception&) {
        return false;
    }
}

bool TArbeitsbereich::AnderswoBenutzt(TArbeitsbereich& halter)
{
    QString belegt;
    const bool gehalten = AlleinHalten(halter, belegt);
    halter.tabelle_->Close();
    return !gehalten && !belegt.isEmpty();
}

bool TArbeitsbereich::IndexBeiseiteLegen(TArbeitsbereich& halter, QString& belegt)
{
    if (!AlleinHalten(halter, belegt))
        return false;
    const QString index = dateien_.Cdx();
    const QString beiseite = index + QStringLiteral(".bad");
    DeleteFile(beiseite);
    const bool verschoben = RenameFile(index, beiseite);
    halter.tabelle_->Close();
    return verschoben;
}

bool TArbeitsbereich::IndexNeuAufbauen(std::span<const TAlbumTag> tags, QString* belegt)
{
    Screen->SetCursor(crHourGlass);
    tabelle_->Close();
    // The index is replaced only while this program holds the table
    // exclusively: an album another program uses keeps the index that
    // program works with, and nothing is written.
    QString inBenutzung;
    int exklusiv = kDatenbankFehler;
    try {
        exklusiv = AlbumExklusivOeffnen(tabelle_, dbe_, dateien_, false, inBenutzung);
    } catch (const std::exception&) {
        Screen->SetCursor(crDefault);
        umgebung_.FehlerKontextSetzen();
        throw Exception(kFehlerOeffnenDefekt);
    }
    const QString fehlerText = QStringLiteral("Fehler beim Öffnen der ") + dateien_.Dbf();
    if (exklusiv == kDatenbankOffen) {
        // A production index that lacks tags (or is left from another
        // layout) is replaced whole, so the tags stand in their order of
        // creation.
        DeleteFile(dateien_.Cdx());
        TagsErzeugen(tags, 34, QStringLiteral("Bilderdatenbank (Fotoalbum) wird indiziert, bitte warten...."));
    } else {
        Screen->SetCursor(crDefault);
        ShowMessage(!inBenutzung.isEmpty() ? inBenutzung : fehlerText);
        if (belegt)
            *belegt = inBenutzung;
    }
    tabelle_->Close();
    QString wiederBelegt;
    const bool offen = Oeffnen(false, &wiederBelegt);
    if (!offen && (wiederBelegt.isEmpty() || inBenutzung.isEmpty())) {
        Screen->SetCursor(crDefault);
        ShowMessage(!wiederBelegt.isEmpty() ? wiederBelegt : fehlerText);
    }
    return offen;
}

uint32_t TArbeitsbereich::Eintraege()
{
    if (!tabelle_->Active())
        return 0;
    const QString filter = dbe_->DBFilter().trimmed();
    const bool ohneScope = dbe_->GetScope(0).isEmpty() && dbe_->GetScope(1).isEmpty();
    // Without filter and scope the view shows what the album holds. A filter
    // that only hides deleted entries leaves the same count.
    if (ohneScope && (filter.isEmpty() || filter.compare(QLatin1String(".not. deleted()"), Qt::CaseInsensitive) == 0))
        return dbe_->QueryRecCount();
    // With a filter, a second read-only area on the same file in the same
    // order counts the records its view shows; the table's own area keeps
    // its filter, position and cursor. The record count stands in when the
    // album cannot be opened twice (held exclusively).
    uint32_t anzahl = dbe_->RecCount();
    const int order = dbe_->IndexOrd();
    const uint16_t vorher = dbe_Select(0);
    dbe_Select(vorher);
    QString pfad = dateien_.Dbf();
    if (pfad.startsWith(u'/'))
        pfad.replace(u'\\', u'/');
    if (const std::optional<QByteArray> datei = WinToLinuxName(pfad)) {
        QByteArray alias = "LXEINTRAEGE";
        for (int n = 1; dbe_WorkArea(alias.constData()) != 0; ++n)
            alias = "LXEINTRAEGE" + QByteArray::number(n);
        if (dbe_Use(datei->constData(), alias.constData(), DBE_READONLY, DBE_TYPE_FOX) != 0) {
            if (order > 0)
                dbe_SetOrder(order);
            anzahl = dbe_QueryRecCount();
            dbe_Close();
        }
    }
    dbe_Select(vorher);
    return anzahl;
}

int64_t TArbeitsbereich::GanzeSaetze(const TAlbumDateien& album, QString& belegt)
{
    int64_t hoechster = -1;
    try {
        if (!Oeffnen(album, false, &belegt))
            return -1;
        const uint16_t vorher = dbe_Select(static_cast<uint16_t>(tabelle_->Handle()));
        dbe_SetOrder(1);
        if (dbe_IndexOrd() == 1) {
            bool gelesen = dbe_GoTop() != 0;
            hoechster = 0;
            while (gelesen && !dbe_Eof()) {
                hoechster = std::max<int64_t>(hoechster, dbe_RecNo());
                gelesen = dbe_Skip(1) != 0;
            }
            if (!gelesen) {
                const int code = dbe_LastErrorCode();
                if (DatenbankBelegt(code))
                    belegt = BelegtMeldung(album.Dbf(), QString::fromUtf8(dbe_LastError()), code);
                hoechster = -1;
            }
            dbe_Select(vorher);
        } else {
            dbe_Select(vorher);
            tabelle_->Close();
            if (AlbumExklusivOeffnen(tabelle_, dbe_, album, false, belegt) == kDatenbankOffen)
                hoechster = dbe_->RecCount();
        }
    } catch (const std::exception&) {
        hoechster = -1;
    }
    tabelle_->Close();
    return hoechster;
}

void TArbeitsbereich::TagsLesen()
{
    Screen->SetCursor(crHourGlass);
    tags_.Clear();
    const int gemerkt = dbe_->SetOrder(1);
    for (int n = 1; n <= 255; ++n) {
        dbe_->SetOrder(n);
        const QString name = dbe_->TagName(n);
        if (name.isEmpty())
            break;
        tags_.Add(name);
    }
    dbe_->SetOrder(gemerkt);
    Screen->SetCursor(crDefault);
}

int TArbeitsbereich::AlbumPruefen(const TAlbumDateien& album, TArbeitsbereich* offen)
{
    if (!FileExists(album.Dbf())) {
        ShowMessage(album.Dbf() + QStringLiteral(" nicht gefunden !"));
        return -1;
    }
    QString belegt;
    if (!OeffnenOderFehler(album, false, kFehlerOeffnen, &belegt)) {
        // An album another program uses is sound, only busy.
        if (!belegt.isEmpty()) {
            ShowMessage(belegt);
            return kAlbumBelegt;
        }
        ShowMessage(QStringLiteral("Irgendwas ist beim Öffnen des Fotoalbums ") + album.Dbf() +
                    QStringLiteral(" (zum Prüfen der Integrität) schief gegangen! "));
        return -1;
    }
    if (offen) {
        offen->NurLesenSetzen(AlbumSchreibgeschuetzt(album.Ordner(), album.Name()));
        if (offen->NurLesen())
            umgebung_.Hinweis(QStringLiteral("Hinweismeldung"),
                              QStringLiteral("Das Fotoalbum ") + album.Dbf() +
                                  QStringLiteral(" ist schreibgeschützt und wird im \"Nur lesen Modus\" geöffnet !"),
                              130);
    }
    bool gueltig = dbe_->FieldCount() == kAlbumFeldAnzahl;
    for (int i = 0; gueltig && i < 10; ++i) {
        const QString feld = dbe_->FieldName(i + 1).toUpper();
        gueltig = feld == QLatin1String(kErsteZehnFelder[i].Name) &&
                  dbe_->FieldWidth(feld) == kErsteZehnFelder[i].Breite;
    }
    const int saetze = gueltig ? static_cast<int>(dbe_->RecCount()) : -1;
    tabelle_->Close();
    return saetze;
}

bool TArbeitsbereich::FtsOeffnen(const QString& logPrefix)
{
    ftsPuffer_.assign(static_cast<size_t>(dbe_->RecSize()) + 1, '\0');
    const QString ia = dateien_.Ia();
    if (FileExists(ia)) {
        FtsDateiOeffnen();
        return false;
    }
    // A read-only album writes nothing, so it gets no index: the search
    // finds none and says why (VolltextFehlt).
    if (nurLesen_) {
        fts_->Close();
        ftsHandle_ = 0;
        return false;
    }
    FtsAufbauen(logPrefix);
    return true;
}

bool TArbeitsbereich::NurLesenAblehnen(const QString& wasNicht) const
{
    if (!nurLesen_)
        return false;
    Screen->SetCursor(crDefault);
    ShowMessage(QStringLiteral("Das Fotoalbum ist im \"Nur lesen Modus\" geöffnet, ") + wasNicht + QStringLiteral("!"));
    return true;
}

bool TArbeitsbereich::VolltextFehlt()
{
    return nurLesen_ && fts_->NumRecs() < 0;
}

void TArbeitsbereich::FtsAufbauen(const QString& logPrefix)
{
    const QString ia = dateien_.Ia();
    TControlsDisabler aus(dbe_->DataSet());
    fts_->CreateIndex(ia, 20, 2, 1, 1);
    FtsEintragen(1, logPrefix);
    FtsDateiOeffnen();
}

void TArbeitsbereich::FtsEintragen(uint32_t ab, const QString& logPrefix)
{
    TControlsDisabler aus(dbe_->DataSet());
    const uint32_t saetze = dbe_->RecCount();
    const int anzahl = saetze >= ab ? static_cast<int>(saetze - ab + 1) : 0;
    if (ab <= 1)
        dbe_->GoTop();
    else if (anzahl > 0)
        dbe_->Go(ab);
    Screen->SetCursor(crHourGlass);
    StatusSchritte = 1;
    std::unique_ptr<TStatus4Frm> status(new TStatus4Frm(Application));
    status->QKGauge1->SetMaxValue(anzahl > 0 ? anzahl : 1);
    status->Label1->SetCaption(QStringLiteral("Volltextdatenbank für Bilder wird erzeugt, bitte warten...."));
    status->SetHeight(80);
    status->Show();
    int antwort = 0;
    for (int n = 0; n < anzahl && !dbe_->Eof(); ++n) {
        antwort = fts_->Add(FtsSatzBild());
        if (antwort < 0) {
            const QString text = kFtsFehler + QString::number(antwort);
            umgebung_.Protokoll(QStringLiteral("Fehler"), logPrefix + text);
            ShowMessage(text);
        }
        status->QKGauge1->SetProgress(n + 1);
        // Deleted records keep their entry number but are not found.
        if (dbe_->Deleted() && antwort > 0)
            fts_->Delete(antwort);
        dbe_->Skip(1);
        Application->ProcessMessages();
    }
    status.reset();
    dbe_->GoTop();
    Screen->SetCursor(crDefault);
}

void TArbeitsbereich::FtsNachtragen(uint32_t bisher, const QString& logPrefix)
{
    const QString ia = dateien_.Ia();
    if (nurLesen_ || !FileExists(ia))
        return;
    const int order = dbe_->SetOrder(0);
    ftsHandle_ = fts_->OpenIndex(ia, 20, 0);
    if (ftsHandle_ > 0 && fts_->NumRecs() == static_cast<int>(bisher))
        FtsEintragen(bisher + 1, logPrefix);
    else
        FtsAufbauen(logPrefix);
    fts_->Close();
    dbe_->SetOrder(order);
}

void TArbeitsbereich::FtsDateiOeffnen()
{
    // A read-only album leaves its full-text file as it is: searches only.
    ftsHandle_ = fts_->OpenIndex(dateien_.Ia(), 20, nurLesen_ ? kFtsOpenReadOnly : 0);
}

void TArbeitsbereich::FtsVerwerfen()
{
    fts_->Close();
    ftsPuffer_.clear();
    // A read-only album could not build the index again: its file stays.
    if (nurLesen_)
        return;
    const QString ia = dateien_.Ia();
    if (FileExists(ia) && !DeleteFile(ia)) {
        umgebung_.Protokoll(QStringLiteral("Info"), QStringLiteral("BilderDBFpacken1Click(), Volltextdatei ") + ia +
                                                        QStringLiteral(" konnte nicht gelöscht werden!"));
        ShowMessage(QStringLiteral("Volltextdatei ") + ia + QStringLiteral(" konnte nicht gelöscht werden!"));
    }
}

QByteArray TArbeitsbereich::FtsSatzBild()
{
    const int laenge = dbe_->RecSize();
    ftsPuffer_.assign(static_cast<size_t>(laenge) + 1, '\0');
    dbe_->GetRecord(ftsPuffer_.data());
    return QByteArray(ftsPuffer_.data(), laenge);
}

QByteArray TArbeitsbereich::FtsPufferBild() const
{
    const int laenge = dbe_->RecSize();
    return QByteArray(ftsPuffer_.data(), std::min<int>(laenge, static_cast<int>(ftsPuffer_.size())));
}

int TArbeitsbereich::FtsSchreiben(const QByteArray& bild)
{
    if (fts_->NumRecs() == static_cast<int>(dbe_->RecCount())) {
        fts_->Replace(bild, static_cast<int>(dbe_->RecNo()));
        return 0;
    }
    return fts_->Add(bild);
}
