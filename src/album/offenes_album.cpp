#include "album/offenes_album.h"

#include "album/album_ansicht.h"
#include "album/album_record.h"
#include "album/arbeitsbereich.h"
#include "album/album_manager_dialog.h"
#include "album/programm_dienste.h"

#include "datagrid/dk_table.h"
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/data/field.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"
#include "shared/general_files.h"
#include "shared/general_texts.h"
#include "shared/qk_ini.h"
#include "shared/utility_files.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe.h"
#include "storage/tdbe_env.h"
#include "storage/tfts.h"

#include <cmath>
#include <optional>

namespace {

const QString kDatentraeger = QStringLiteral("Datentraegerkennungen");

// The nine fields the manager grid shows read-only; registration writes them.
const char* const kGeschuetzteFelder[] = {"PFAD",    "LABEL",   "LABELKENNU", "BYTESDBF", "BYTESFPT",
                                          "BYTESCDX", "BYTESIA", "BYTESSUM",   "SAETZE"};

void FelderSchuetzen(TDataSet* table, bool schuetzen)
{
    for (const char* name : kGeschuetzteFelder)
        if (TField* f = table->FindField(QString::fromLatin1(name)))
            f->SetReadOnly(schuetzen);
}

}  // namespace

TOffenesAlbum::TOffenesAlbum(TArbeitsbereich& bilder, TArbeitsbereich& bilder2, TArbeitsbereich& ziel,
                             TArbeitsbereich& manager, TArbeitsbereich& pruefung, TDbeEnv* dbeEnv,
                             TAlbumAnsicht& ansicht, TProgrammDienste& dienste, TOffenesAlbumUmgebung& umgebung)
    : bilder_(bilder), bilder2_(bilder2), ziel_(ziel), manager_(manager), pruefung_(pruefung), dbeEnv_(dbeEnv),
      ansicht_(ansicht), dienste_(dienste), umgebung_(umgebung)
{
    static_assert(kAlbumBelegt == TArbeitsbereich::kAlbumBelegt);
}

// ---------------------------------------------------------------------------
// Creating and checking
// ---------------------------------------------------------------------------

int TOffenesAlbum::Erzeugen(const QString& ordner, const QString& name)
{
    if (!VerzeichnisErzeugen(ordner)) {
        ShowMessage(QStringLiteral("Verzeichnis(se) ") + ordner + QStringLiteral(" konnte(n) nicht angelegt werden!"));
        return 0;
    }
    bilder_.Erzeugen(TAlbumDateien(ordner, name), kAlbumFelder);
    return 0;
}

int TOffenesAlbum::Pruefen()
{
    const int saetze = pruefung_.AlbumPruefen(bilder_.Dateien(), &bilder_);
    return saetze >= 0 ? 1 : saetze == kAlbumBelegt ? kAlbumBelegt : 0;
}

int TOffenesAlbum::AlbumPruefen(const QString& ordner, const QString& name)
{
    return pruefung_.AlbumPruefen(TAlbumDateien(ordner, name));
}

void TOffenesAlbum::TagsLesen() { bilder_.TagsLesen(); }

void TOffenesAlbum::EingabeSichern()
{
    TdkTable* const t = bilder_.Tabelle();
    if (t->Active() && (t->State() == dsEdit || t->State() == dsInsert))
        t->CheckBrowseMode();
}

void TOffenesAlbum::TabellenSchliessen()
{
    EingabeSichern();
    for (TdkTable* t : {bilder_.Tabelle(), bilder2_.Tabelle(), ziel_.Tabelle()}) {
        t->IndexFiles.clear();
        t->SetIndexName(QString());
        t->Close();
    }
}

void TOffenesAlbum::AllesSchliessen()
{
    TabellenSchliessen();
    bilder_.Fts()->Close();
    ziel_.Fts()->Close();
}

void TOffenesAlbum::WiederOeffnen()
{
    if (IstOffen() || !FileExists(bilder_.Dateien().Dbf()))
        return;
    Oeffnen();
    ZweiteAnsichtOeffnen();
    VolltextOeffnen();
}

bool TOffenesAlbum::IstOffen() const { return bilder_.Tabelle()->Active(); }

namespace {

// The table is open on that album (folder and name in any letter case).
bool TabelleAuf(const TdkTable* t, const QString& ordner, const QString& name)
{
    return t->Active() &&
           IncludeTrailingBackslash(ordner).compare(IncludeTrailingBackslash(t->DatabaseName()), Qt::CaseInsensitive) ==
               0 &&
           name.compare(t->TableName(), Qt::CaseInsensitive) == 0;
}

}  // namespace

bool TOffenesAlbum::IstGeoeffnet(const QString& ordner, const QString& name) const
{
    return TabelleAuf(bilder_.Tabelle(), ordner, name);
}

bool TOffenesAlbum::AnsichtenSchliessen(const TAlbumDateien& album)
{
    const bool offen = IstGeoeffnet(album.Ordner(), album.Name());
    if (offen)
        AllesSchliessen();
    if (TabelleAuf(ziel_.Tabelle(), album.Ordner(), album.Name()))
        ZielSchliessen();
    return offen;
}

TAlbumExklusiv::TAlbumExklusiv(TOffenesAlbum& album, const TAlbumDateien& dateien, TdkTable* tabelle, TDbe* dbe,
                               bool mitIndex)
    : album_(album), tabelle_(tabelle)
{
    wiederOeffnen_ = album_.AnsichtenSchliessen(dateien);
    tabelle_->Close();
    try {
        gehalten_ = AlbumExklusivOeffnen(tabelle_, dbe, dateien, mitIndex, belegt_) == kDatenbankOffen;
    } catch (const std::exception&) {
        gehalten_ = false;
    }
}

TAlbumExklusiv::~TAlbumExklusiv()
{
    // The album's own open reports its failures; one that raises here goes
    // where an unhandled command error goes, not out of a destructor.
    try {
        Freigeben();
    } catch (const std::exception& e) {
        Application->HandleException(nullptr, e);
    }
}

void TAlbumExklusiv::Freigeben()
{
    if (frei_)
        return;
    frei_ = true;
    tabelle_->Close();
    if (wiederOeffnen_)
        album_.WiederOeffnen();
}

TDbe* TOffenesAlbum::ZielWechseln(const TAlbumDateien& album)
{
    ZielSchliessen();
    try {
        ZielOeffnen(album);
    } catch (const EAbort&) {
        return nullptr;
    }
    return ziel_.Tabelle()->Active() ? ziel_.Dbe() : nullptr;
}

bool TOffenesAlbum::ZielAufDemAlbum() const
{
    const TdkTable* t = ziel_.Tabelle();
    return t->DatabaseName().compare(bilder_.Ordner(), Qt::CaseInsensitive) == 0 &&
           t->TableName().compare(bilder_.Name(), Qt::CaseInsensitive) == 0;
}

void TOffenesAlbum::NebenAnsichtenSchliessen()
{
    bilder2_.Tabelle()->Close();
    ziel_.Tabelle()->Close();
}

void TOffenesAlbum::ZielSchliessen()
{
    ziel_.Tabelle()->Close();
    ziel_.Fts()->Close();
}

int TOffenesAlbum::NeuOeffnen()
{
    EingabeSichern();
    bilder_.Tabelle()->Close();
    return Oeffnen();
}

// ---------------------------------------------------------------------------
// Opening the album
// ---------------------------------------------------------------------------

int TOffenesAlbum::Oeffnen() { return OeffnenLauf(true, true); }

int TOffenesAlbum::Oeffnen(const TAlbumDateien& album)
{
    const TAlbumDateien vorher = bilder_.Dateien();
    const bool warOffen = IstOffen();
    bilder_.DateienSetzen(album);
    const int ergebnis = Oeffnen();
    // An album that did not open (busy, no album) leaves the one open
    // before as the open album: the views, the settings written at the end
    // and the next open name that one, not the album that failed. When the
    // failed open had closed its table, that album is opened again.
    if (ergebnis == 0 && warOffen && !IstGeoeffnet(album.Ordner(), album.Name())) {
        bilder_.DateienSetzen(vorher);
        if (!IstOffen())
            Oeffnen();
    }
    return ergebnis;
}

int TOffenesAlbum::OeffnenLauf(bool wiederholen, bool picklistenFragen)
{
    TdkTable* const tabelle = bilder_.Tabelle();
    TDbe* const dbe = bilder_.Dbe();
    EingabeSichern();
    ansicht_.GridLayoutSichern();

    bool neuErzeugt = false;
    if (!FileExists(bilder_.Dateien().Dbf())) {
        if (bilder_.Name().toUpper() != kStandardAlbum) {
            if (ManagerOeffnen() == 0)
                return 0;
            if (manager_.Tabelle()->Active() && manager_.Dbe()->RecCount() >= 2) {
                umgebung_.AnderesAlbumWaehlen();
                umgebung_.PicklistenNeuLesen();
                return 1;
            }
        }
        if (MessageDlg(QStringLiteral("Fotoalbum (") + bilder_.Dateien().Dbf() +
                           QStringLiteral(") nicht gefunden, jetzt erstellen ?"),
                       mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes) {
            umgebung_.AnderesAlbumWaehlen();
            umgebung_.PicklistenNeuLesen();
            return 1;
        }
        umgebung_.PicklistenUebernehmen(false);
        umgebung_.PicklistenNeuLesen();
        Erzeugen(bilder_.Ordner(), bilder_.Name());
        neuErzeugt = true;
    }

    const int geprueft = Pruefen();
    if (geprueft == kAlbumBelegt)
        return 0;  // the check told the user; nothing was touched
    if (geprueft == 0) {
        ShowMessage(QStringLiteral("Ungültiges Fotoalbum (Bilderdatenbank)!"));
        return 0;
    }
    int gemerkteOrder = 0;
    if (tabelle->Active())
        gemerkteOrder = dbe->SetOrder(0);
    // A new album asked for its pick lists already, and so did the run
    // before a rebuild.
    if (!neuErzeugt && picklistenFragen)
        umgebung_.PicklistenUebernehmen(true);
    umgebung_.PicklistenNeuLesen();

    QString belegt;
    const auto oeffnen = [this, tabelle, &belegt] {
        tabelle->SetIndexName(QString());
        try {
            return bilder_.Oeffnen(bilder_.Dateien(), false, &belegt, bilder_.NurLesen());
        } catch (const std::exception&) {
            dienste_.FehlerKontextSetzen();
            throw Exception(TArbeitsbereich::kFehlerOeffnenDefekt);
        }
    };
    bool offen = oeffnen();
    if (!offen && belegt.isEmpty() && !bilder_.NurLesen() && FileExists(bilder_.Dateien().Cdx())) {
        // An index that keeps the table from opening is set aside and built
        // anew below: it holds nothing the table does not. Only an open that
        // failed on an unreadable file gets here, never one that found the
        // album busy, and the file is moved only while no other program can
        // use it.
        if (bilder_.IndexBeiseiteLegen(pruefung_, belegt))
            offen = oeffnen();
    }
    if (!offen && !belegt.isEmpty()) {
        // Another program uses the album: its files stay as they are.
        Screen->SetCursor(crDefault);
        ShowMessage(belegt);
        return 0;
    }
    // An index the engine could not read while another program uses the
    // album stays as it is (that program works with it), and the engine
    // opens the table without it, for reading only. The album is then used
    // as a write-protected one: shown read-only, nothing built.
    bool indexUnlesbar = false;
    if (offen && !bilder_.NurLesen() && FileExists(bilder_.Dateien().Cdx()) && dbe->TagName(1).isEmpty()) {
        tabelle->Close();
        indexUnlesbar = bilder_.AnderswoBenutzt(pruefung_);
        if (indexUnlesbar) {
            bilder_.NurLesenSetzen(true);
            // Taller than the write-protected notice: the text runs to five
            // lines, and the button goes below them.
            dienste_.Hinweis(QStringLiteral("Hinweismeldung"),
                             QStringLiteral("Die Indexdatei ") + bilder_.Dateien().Cdx() +
                                 QStringLiteral(" ist nicht lesbar und kann nicht neu aufgebaut werden, solange ein "
                                                "anderes Programm das Fotoalbum benutzt. Das Fotoalbum wird im \"Nur "
                                                "lesen Modus\" geöffnet !"),
                             170);
        }
        offen = oeffnen();
    }
    if (!offen) {
        ShowMessage(QStringLiteral("Irgendwas ist beim Öffnen des Fotoalbums (") + bilder_.Dateien().Dbf() +
                    QStringLiteral(") schief gegangen! Öffnen Sie nur originale Lumadex-Datenbanken!"));
        return 0;
    }
    SortiertabelleSetzen();

    ansicht_.AlbumNameZeigen(bilder_.Dateien().Dbf());

    // The index is derived data: a missing, unreadable (the engine set it
    // aside) or incomplete .CDX is built anew. One rebuild per opening: when
    // the index still cannot be made, the album stays open without it.
    const bool cdxFehlt = !FileExists(bilder_.Dateien().Cdx());
    if (cdxFehlt || !bilder_.HatAlleTags(kAlbumTags)) {
        if (indexUnlesbar) {
            // The user was told above.
        } else if (!wiederholen || bilder_.NurLesen()) {
            ShowMessage(QStringLiteral("Die Indexdatei ") + bilder_.Dateien().Cdx() +
                        QStringLiteral(" konnte nicht aufgebaut werden, das Fotoalbum wird ohne Index geöffnet!"));
        } else {
            TControlsDisabler aus(tabelle);
            // The target view of this program gives way (it is opened on
            // demand): the index is built while the album is held alone.
            if (TabelleAuf(ziel_.Tabelle(), bilder_.Ordner(), bilder_.Name()))
                ZielSchliessen();
            QString inBenutzung;
            try {
                bilder_.IndexNeuAufbauen(kAlbumTags, &inBenutzung);
            } catch (const std::exception&) {
                dienste_.FehlerKontextSetzen();
                throw Exception(TArbeitsbereich::kFehlerOeffnenDefekt);
            }
            // Another program uses the album (the user was told): it opens
            // with the index as it is, to be completed when it is free.
            if (!inBenutzung.isEmpty() && !tabelle->Active())
                return 0;
            if (inBenutzung.isEmpty()) {
                // The rerun restores the saved order, not the last tag built.
                if (tabelle->Active())
                    dbe->SetOrder(0);
                const int ergebnis = OeffnenLauf(false, false);
                Screen->SetCursor(crDefault);
                return ergebnis;
            }
        }
    }

    if (tabelle->Active()) {
        dbe->SetOrder(gemerkteOrder == 0 ? bilder_.Sortierung() : gemerkteOrder);
        // An order whose tag cannot be read (left half-written by a writer
        // that stopped, and the album is read-only) is not taken: the
        // album shows its entries unsorted and says why.
        if (!dbe->OrderError().isEmpty())
            dienste_.Hinweis(QStringLiteral("Hinweismeldung"),
                             QStringLiteral("Die Indexdatei ") + bilder_.Dateien().Cdx() +
                                 QStringLiteral(" kann nicht benutzt werden (") + dbe->OrderError() +
                                 QStringLiteral("). Das Fotoalbum wird unsortiert angezeigt !"),
                             170);
        tabelle->Refresh();
        bilder_.SortierungSetzen(dbe->IndexOrd());
        // The status names the order the rows now stand in.
        const QString tag = dbe->TagName(bilder_.Sortierung());
        ansicht_.SortierungZeigen(bilder_.Sortierung() > 0 && !tag.isEmpty() ? QStringLiteral("Sortierung=") + tag
                                                                              : QStringLiteral("Unsortiert"));
    }
    TagsLesen();
    umgebung_.AlbumGewechselt();
    dbeEnv_->SetSoftSeek(false);
    dbeEnv_->SetExact(true);
    dbeEnv_->SetLockTimeout(5);
    ansicht_.GridLayoutZuruecklesen();

    if (ManagerOeffnen() != 0 && manager_.Tabelle()->Active() &&
        !dienste_.Ini().INIReadBool(QStringLiteral("Einstellungen Hauptprogramm"), QStringLiteral("ErstStart"), true) &&
        DatensatzSuchen(manager_.Dbe(), QStringLiteral("PFAD"), bilder_.Dateien().Dbf()) == 0) {
        if (TAlbumManagerDialog* dialog = umgebung_.AlbumManager())
            dialog->GeoeffneteDBFinDBFVerwaltungEintragen(1);
        else
            ImManagerEintragen(bilder_.Dateien().Dbf(), 1, 0);
    }

    ansicht_.VorschaubildZeigen();
    ansicht_.SatzAnzahlZeigen();
    ansicht_.AlbumGeoeffnet(tabelle->TableName());
    return 1;
}

int TOffenesAlbum::ZweiteAnsichtOeffnen()
{
    bool offen = false;
    QString belegt;
    try {
        offen = bilder2_.Oeffnen(bilder_.Dateien(), false, &belegt, bilder_.NurLesen());
    } catch (const std::exception&) {
        dienste_.FehlerKontextSetzen();
        throw Exception(TArbeitsbereich::kFehlerOeffnen);
    }
    if (!offen && !belegt.isEmpty()) {
        ShowMessage(belegt);
        return 0;
    }
    if (!offen) {
        ShowMessage(QStringLiteral("Irgendwas ist beim Öffnen des Fotoalbums schief gegangen! Öffnen Sie nur "
                                   "originale Lumadex-Datenbanken!"));
        return 0;
    }
    return 1;
}

int TOffenesAlbum::Offen()
{
    if (bilder_.Tabelle()->Active())
        return 1;
    dienste_.Hinweis(QStringLiteral("Hinweis"), QStringLiteral("Es ist kein Fotoalbum geöffnet !"), 130);
    ansicht_.SatzAnzahlTextZeigen(QStringLiteral("0 von 0 Einträge angezeigt"));
    ansicht_.AlbumNameZeigen(QString());
    return 0;
}

// ---------------------------------------------------------------------------
// The target album
// ---------------------------------------------------------------------------

void TOffenesAlbum::ZielOeffnen() { ZielOeffnenLauf(true); }

void TOffenesAlbum::ZielOeffnen(const TAlbumDateien& album)
{
    ziel_.DateienSetzen(album);
    ZielOeffnen();
}

void TOffenesAlbum::ZielOeffnenLauf(bool wiederholen)
{
    TdkTable* const tabelle = ziel_.Tabelle();
    TDbe* const dbe = ziel_.Dbe();
    if (ziel_.Ordner().trimmed().isEmpty() && ziel_.Name().trimmed().isEmpty()) {
        dienste_.Protokoll(QStringLiteral("Info"),
                           QStringLiteral("TMainForm.Bilder3DBFOeffnen, übergebene Dateiname und Pfad sind beide leer !"));
        Screen->SetCursor(crDefault);
        ShowMessage(QStringLiteral("Fataler Fehler, der übergebene Dateiname und Pfad sind beide leer, überprüfen Sie "
                                   "ggfs. die Fotoalben !"));
        throw EAbort(QString());
    }
    if (!FileExists(ziel_.Dateien().Dbf())) {
        if (MessageDlg(ziel_.Dateien().Dbf() + QStringLiteral(" nicht gefunden, jetzt erstellen ?"), mtConfirmation,
                       TMsgDlgButtons{mbYes, mbNo}) != mrYes)
            return;
        Erzeugen(ziel_.Ordner(), ziel_.Name());
    }
    int gemerkteOrder = 0;
    if (tabelle->Active())
        gemerkteOrder = dbe->SetOrder(0);
    tabelle->SetIndexName(QString());
    QString belegt;
    if (!ziel_.OeffnenOderFehler(ziel_.Dateien(), false, TArbeitsbereich::kFehlerOeffnen, &belegt)) {
        ShowMessage(!belegt.isEmpty() ? belegt
                                      : QStringLiteral("Irgendwas ist beim Öffnen des Fotoalbums (3. Arbeitsbereich) "
                                                       "schief gegangen! Öffnen Sie nur originale "
                                                       "Lumadex-Datenbanken!"));
        return;
    }
    SortiertabelleSetzen();

    // A write-protected target (an album on a CD) is used without index:
    // nothing could be built there.
    if (!FileExists(ziel_.Dateien().Cdx()) && !AlbumSchreibgeschuetzt(ziel_.Ordner(), ziel_.Name())) {
        if (!wiederholen) {
            ShowMessage(QStringLiteral("Die Indexdatei ") + ziel_.Dateien().Cdx() +
                        QStringLiteral(" konnte nicht aufgebaut werden, das Fotoalbum wird ohne Index geöffnet!"));
        } else {
            TControlsDisabler aus(tabelle);
            QString inBenutzung;
            ziel_.IndexNeuAufbauen(kZielAlbumTags, &inBenutzung);
            // Another program uses the target (the user was told): nothing
            // was built, and the album stays as it is.
            if (!inBenutzung.isEmpty()) {
                Screen->SetCursor(crDefault);
                return;
            }
            if (umgebung_.AlleMeldungen())
                dienste_.Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Bilder-Indexdatei neu aufgebaut !"),
                                 100);
            ZielOeffnenLauf(false);
            Screen->SetCursor(crDefault);
            return;
        }
    }
    if (gemerkteOrder == 0 && tabelle->Active()) {
        dbe->SetOrder(ziel_.Sortierung());
    } else {
        dbe->SetOrder(gemerkteOrder);
        ziel_.SortierungSetzen(gemerkteOrder);
    }
    if (tabelle->Active())
        tabelle->Refresh();
}

// ---------------------------------------------------------------------------
// Full-text indexes
// ---------------------------------------------------------------------------

void TOffenesAlbum::VolltextOeffnen()
{
    if (!bilder_.Tabelle()->Active())
        return;
    ziel_.Fts()->Close();
    bilder_.FtsPuffer().clear();
    const int gemerkt = bilder_.Dbe()->SetOrder(0);
    // A search text found in an index built anew no longer applies.
    if (bilder_.FtsOeffnen(QStringLiteral("OeffneBilderFTS, ")))
        umgebung_.VolltextNeu();
    bilder_.Dbe()->SetOrder(gemerkt);
    ansicht_.SatzAnzahlZeigen();
}

void TOffenesAlbum::ZielVolltextOeffnen()
{
    bilder_.Fts()->Close();
    ziel_.Fts()->Close();
    ziel_.FtsPuffer().clear();
    ziel_.Dbe()->SetOrder(0);
    if (!ziel_.FtsOeffnen(QStringLiteral("OeffneBilder3FTS, ")))
        return;
    umgebung_.VolltextNeu();
    const int anzahl = ziel_.Fts()->NumRecs();
    if (anzahl > 1)
        ShowMessage(QString::number(anzahl) + QStringLiteral(" Schlüssel für Volltextsuche in ") +
                    ziel_.Dateien().IaName() + QStringLiteral(" eingeführt."));
}

// A key the full-text index refused: logged where it happened, with the
// counts that tell index and table apart, and shown.
void TOffenesAlbum::VolltextFehlerMelden(const QString& stelle, int antwort, const QString& zaehler)
{
    const QString text = QStringLiteral("Fehler beim Hinzufügen eines neuen Schlüssels für Volltextsuche : ") +
                         QString::number(antwort);
    dienste_.Protokoll(QStringLiteral("Fehler"), stelle + QStringLiteral(", ") + text);
    dienste_.Protokoll(QStringLiteral("Fehler"), stelle + QStringLiteral(", ") + zaehler);
    ShowMessage(text);
}

void TOffenesAlbum::VolltextEintragen()
{
    const QByteArray bild = bilder_.FtsSatzBild();
    // No usable index (-18), or none open at all: nothing is indexed and
    // nothing reported; the rebuild command makes it again.
    if (bilder_.Fts()->NumRecs() < 0)
        return;
    const int antwort = bilder_.FtsSchreiben(bild);
    if (antwort < 0)
        VolltextFehlerMelden(QStringLiteral("TableBilderAfterPost()"), antwort,
                             QStringLiteral("FTSBilder.NumRecs=") + QString::number(bilder_.Fts()->NumRecs()) +
                                 QStringLiteral(", DbeBilder.RecCount=") + QString::number(bilder_.Dbe()->RecCount()) +
                                 QStringLiteral(", FTSBilder3.NumRecs=") + QString::number(ziel_.Fts()->NumRecs()));
}

void TOffenesAlbum::ZielVolltextEintragen()
{
    const int antwort = ziel_.FtsSchreiben(ziel_.FtsPufferBild());
    if (antwort < 0)
        VolltextFehlerMelden(QStringLiteral("FTSBilder3Add"), antwort,
                             QStringLiteral("FTSBilder3.NumRecs=") + QString::number(ziel_.Fts()->NumRecs()) +
                                 QStringLiteral(", DbeBilder3.RecCount=") + QString::number(ziel_.Dbe()->RecCount()));
}

void TOffenesAlbum::VolltextNeuAufbauen()
{
    bilder_.FtsVerwerfen();
    const bool aktiv = bilder_.Tabelle()->Active();
    const QString filter = aktiv ? bilder_.Dbe()->DBFilter() : QString();
    if (aktiv) {
        bilder_.Dbe()->Query(QString());
        bilder_.Dbe()->SetScope(QString(), QString());
    }
    VolltextOeffnen();
    if (!filter.isEmpty())
        bilder_.Dbe()->Query(filter);
}

// ---------------------------------------------------------------------------
// The album manager table
// ---------------------------------------------------------------------------

int TOffenesAlbum::ManagerErzeugen(const QString& ordner, const QString& name)
{
    manager_.Erzeugen(TAlbumDateien(ordner, name), kManagerFelder);
    return 0;
}

int TOffenesAlbum::ManagerOeffnen()
{
    TdkTable* const tabelle = manager_.Tabelle();
    const QString ordner = umgebung_.ManagerOrdner();
    // The table already open with its index stays as it is: opening it again
    // would put it on its first row, away from the row the album manager
    // shows (and opens from) while an album opens.
    if (tabelle->Active() && FileExists(TAlbumDateien(ordner, manager_.Name()).Cdx()) &&
        (IncludeTrailingBackslash(tabelle->DatabaseName()) + tabelle->TableName())
                .compare(IncludeTrailingBackslash(ordner) + manager_.Name(), Qt::CaseInsensitive) == 0) {
        ManagerFelderEinrichten();
        return 1;
    }
    TControlsDisabler aus(tabelle);
    tabelle->SetIndexName(QString());
    if (!FileExists(ordner + manager_.Name())) {
        if (MessageDlg(QStringLiteral("Datenbank für Fotoalben-Manager (") + ordner + manager_.Name() +
                           QStringLiteral(") nicht gefunden, jetzt erstellen ?"),
                       mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) == mrYes) {
            dienste_.Protokoll(QStringLiteral("Info"),
                               QStringLiteral("BilderDBFsOeffnen(), erzeuge jetzt neue BilderManagerdatenbank"));
            ManagerErzeugen(ordner, manager_.Name());
        } else {
            if (MessageDlg(QStringLiteral("Datenbank wo anders suchen ?"), mtConfirmation,
                           TMsgDlgButtons{mbYes, mbNo}) != mrYes)
                return 0;
            QString gewaehlt;
            // A cancelled choice ends here instead of asking again and again.
            if (!umgebung_.ManagerTabelleWaehlen(ordner, manager_.Name(), gewaehlt))
                return 0;
            umgebung_.ManagerOrdnerSetzen(IncludeTrailingBackslash(ExtractFilePath(gewaehlt)));
            return ManagerOeffnen();
        }
    }
    const TAlbumDateien manager(ordner, manager_.Name());
    if (!manager_.OeffnenOderFehler(manager, false, TArbeitsbereich::kFehlerOeffnen)) {
        ShowMessage(QStringLiteral("Irgendwas ist beim Öffnen der Datenbank schief gegangen! Öffnen Sie nur "
                                   "originale Lumadex-Datenbanken!"));
        return 0;
    }
    if (!FileExists(manager.Cdx())) {
        Screen->SetCursor(crHourGlass);
        tabelle->Close();
        if (!manager_.Oeffnen(manager, true)) {
            Screen->SetCursor(crDefault);
            ShowMessage(QStringLiteral("Fehler beim Öffnen der ") + ordner + manager_.Name());
        }
        if (tabelle->Active())
            manager_.TagsErzeugen(kManagerTags, 3, QStringLiteral("Datenbankverwaltung wird indiziert, bitte warten...."));
        tabelle->Close();
        if (umgebung_.AlleMeldungen())
            dienste_.Hinweis(QStringLiteral("Abschlußmeldung"), QStringLiteral("Datenbanken-Indexdatei neu aufgebaut !"),
                             100);
        if (!manager_.Oeffnen(manager, false)) {
            Screen->SetCursor(crDefault);
            ShowMessage(QStringLiteral("Fehler beim Öffnen der ") + ordner + manager_.Name());
        }
        Screen->SetCursor(crDefault);
    }
    ManagerFelderEinrichten();
    return 1;
}

void TOffenesAlbum::ManagerFelderEinrichten()
{
    TdkTable* const tabelle = manager_.Tabelle();
    if (!tabelle->Active())
        return;
    // Captions of the manager grid; a field without one is hidden, BytesDBF
    // shows its own name.
    static const char* const kSichtbar[][2] = {{"SHORTDESC", "Beschreibung (239 Zeichen)"},
                                               {"OWNER", "Besitzer"},
                                               {"BYTESDBF", "BytesDBF"},
                                               {"PFAD", "Kompletter Pfad inkl. Dateiname"},
                                               {"LABEL", "Datenträger-Name"},
                                               {"LABELKENNU", "Numerische Datenträger-Kennung"},
                                               {"TYPE", "Datenbanktype"},
                                               {"MARKIERT", "Markiert"},
                                               {"ZUGRIFF", "Ist Datenbank im Zugriff"}};
    for (int i = 0; i < tabelle->FieldCount(); ++i) {
        TField* f = tabelle->Fields(i);
        const QString name = f->FieldName.toUpper();
        bool sichtbar = false;
        for (const auto& s : kSichtbar)
            if (name == QLatin1String(s[0])) {
                f->SetDisplayLabel(QString::fromUtf8(s[1]));
                sichtbar = true;
            }
        f->SetVisible(sichtbar);
        bool nurLesen = false;
        for (const char* n : kGeschuetzteFelder)
            nurLesen |= name == QLatin1String(n);
        f->SetReadOnly(nurLesen);
        // Grouped by thousands; the last digit is always shown, so that a
        // count or size of nothing reads "0" and not an empty box.
        if (auto* zahl = dynamic_cast<TNumericField*>(f)) {
            if (name.startsWith(QLatin1String("BYTES")))
                zahl->DisplayFormat = QStringLiteral("###,###,###,##0");
            else if (name == QLatin1String("MITDESC") || name == QLatin1String("OHNEDESC"))
                zahl->DisplayFormat = QStringLiteral("###,##0");
        }
    }
}

bool TOffenesAlbum::ManagerBereit() { return ManagerOeffnen() != 0 && manager_.Tabelle()->Active(); }

bool TOffenesAlbum::ImManager(const QString& pfad)
{
    return DatensatzSuchen(manager_.Dbe(), QStringLiteral("PFAD"), pfad) != 0;
}

QStringList TOffenesAlbum::ManagerAlben(bool nurMarkierte)
{
    QStringList alben;
    if (!manager_.Tabelle()->Active())
        return alben;
    TDbe* const dbe = manager_.Dbe();
    const uint32_t satz = dbe->RecNo();
    const int order = dbe->SetOrder(0);
    for (uint32_t r = 1; r <= dbe->RecCount(); ++r) {
        dbe->Go(r);
        if (dbe->Deleted() || (nurMarkierte && !dbe->GetLogical(QStringLiteral("MARKIERT"))))
            continue;
        alben << dbe->GetTrimString(QStringLiteral("PFAD"));
    }
    dbe->SetOrder(order);
    if (satz >= 1 && satz <= dbe->RecCount())
        dbe->Go(satz);
    return alben;
}

void TOffenesAlbum::VorManagerZeileLoeschen(TDataSet* zeile)
{
    const QString pfad = zeile->FieldByName(QStringLiteral("PFAD"))->AsString().trimmed();
    const QString beschreibung = zeile->FieldByName(QStringLiteral("SHORTDESC"))->AsString().trimmed();
    const TAlbumDateien album = TAlbumDateien::AusPfad(pfad);
    if (MessageDlg(QStringLiteral("Wollen Sie die zum Fotoalbum (") + beschreibung +
                       QStringLiteral(") gehörende Datenbank (") + album.Name() + QStringLiteral(") auch löschen ?"),
                   mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
        return;
    if (IstGeoeffnet(album.Ordner(), album.Name())) {
        if (MessageDlg(QStringLiteral("Fotoalbum ist geöffnet und kann daher nicht gelöscht werden, jetzt schließen und "
                                      "dann löschen?"),
                       mtConfirmation, TMsgDlgButtons{mbYes, mbNo}) != mrYes) {
            ShowMessage(QStringLiteral("Fotoalbum ist geöffnet und kann daher nicht gelöscht werden, Vorgang "
                                       "abgebrochen!"));
            throw EAbort(QString());
        }
    }
    // The files go only while this program holds the album alone: another
    // program that uses it would go on writing into files nobody can find
    // again. Then the row stays, as the album does.
    const QString fehler = QStringLiteral("Fehler beim exclusiven Öffnen der ") + album.Dbf() + QStringLiteral(" !");
    std::optional<TAlbumExklusiv> halt;
    if (FileExists(album.Dbf())) {
        halt.emplace(*this, album, pruefung_.Tabelle(), pruefung_.Dbe(), false);
        if (!*halt) {
            Screen->SetCursor(crDefault);
            ShowMessage(halt->Meldung(fehler));
            throw EAbort(QString());
        }
    }
    // The album's own files only (a dot inside the name stays:
    // "Urlaub.2006.DBF" is not "Urlaub.*"): table, memo, index and full-text
    // files, removed while the album is held.
    bool ok = true;
    try {
        for (const QString& datei : album.TabellenDateien())
            ok = DateiLoeschen(album.Ordner(), ExtractFileName(datei)) && ok;
    } catch (const std::exception&) {
        ok = false;
        // reported below like a failed deletion
    }
    halt.reset();
    if (!ok)
        ShowMessage(QStringLiteral("Beim löschen von ") + ChangeFileExt(album.Dbf(), QStringLiteral(".*")) +
                    QStringLiteral(" ist irgendwas schief gegangen!"));
}

void TOffenesAlbum::NachManagerZeileLoeschen()
{
    const TAlbumDateien manager(umgebung_.ManagerOrdner(), manager_.Name());
    manager_.Tabelle()->Close();
    if (manager_.Oeffnen(manager, true))
        manager_.Dbe()->Pack();
    manager_.Tabelle()->Close();
    manager_.Oeffnen(manager, false);
    if (manager_.Tabelle()->Active() && manager_.Dbe()->RecCount() == 0)
        if (TAlbumManagerDialog* dialog = umgebung_.AlbumManager())
            dialog->ManagerLeer();
}

void TOffenesAlbum::ImManagerEintragen(const QString& FullPath, int NewEntry, int ByFileName)
{
    if (ManagerOeffnen() == 0)
        return;
    TdkTable* const tabelle = manager_.Tabelle();
    TDbe* const dbe = manager_.Dbe();
    if (!tabelle->Active()) {
        ShowMessage(QStringLiteral("Datenbank des Fotoalben-Managers ist nicht geöffnet!"));
        return;
    }
    // Only a new row must not exist yet; a refresh works on the current row.
    if (NewEntry != 0 && DatensatzSuchen(dbe, QStringLiteral("PFAD"), FullPath) == 1) {
        ShowMessage(QStringLiteral("Fotoalbum ") + FullPath + QStringLiteral(" ist schon eingetragen !"));
        return;
    }
    QString ordner = ExtractFilePath(FullPath);
    QString name = ExtractFileName(FullPath);
    uint32_t zeile = 0;
    if (NewEntry == 0 && ByFileName != 0) {
        if (DatensatzSuchen(dbe, QStringLiteral("PFAD"), name) == 1)
            zeile = dbe->RecNo();
    } else if (NewEntry == 0) {
        const QString pfad = dbe->GetTrimString(QStringLiteral("PFAD"));
        ordner = ExtractFilePath(pfad);
        name = ExtractFileName(pfad);
    }
    const TAlbumDateien dateien(ordner, name);
    const QString pfad = dateien.Dbf();

    // Sizes of the file set; a missing file shows -1 and adds nothing.
    const int64_t bytesDBF = qktFileSize(pfad);
    const int64_t bytesCDX = qktFileSize(dateien.Cdx());
    const int64_t bytesFPT = qktFileSize(dateien.Fpt());
    const int64_t bytesIA = qktFileSize(dateien.Ia());
    int64_t bytesSum = 0;
    for (int64_t b : {bytesDBF, bytesCDX, bytesFPT, bytesIA})
        bytesSum += b > 0 ? b : 0;

    // The number of entries: deleted ones, which the album hides, do not count.
    uint32_t saetze = 0;
    if (pruefung_.OeffnenOderFehler(dateien, false, TArbeitsbereich::kFehlerOeffnen)) {
        TDbe* const pruef = pruefung_.Dbe();
        const int vorher = pruef->SetOrder(0);
        for (pruef->GoTop(); !pruef->Eof(); pruef->Skip(1))
            saetze += pruef->Deleted() ? 0 : 1;
        pruef->SetOrder(vorher);
        pruefung_.Tabelle()->Close();
    } else {
        ShowMessage(QStringLiteral("Irgendwas ist beim Öffnen des Fotoalbums schief gegangen! Öffnen Sie nur "
                                   "originale Lumadex-Datenbanken!"));
    }

    int ohneDesc = 0, mitDesc = 0, markierte = 0;
    double picBytes = 0;
    ziel_.DateienSetzen(TAlbumDateien(ordner, name));
    ZielOeffnen();
    TDbe* const z = ziel_.Dbe();
    if (ziel_.Tabelle()->Active()) {
        const int vorher = z->SetOrder(0);
        z->GoTop();
        while (!z->Eof()) {
            if (z->Deleted()) {
                z->Skip(1);
                continue;
            }
            if (z->GetTrimString(QStringLiteral("SHORTDESC")).trimmed().isEmpty())
                ++ohneDesc;
            else
                ++mitDesc;
            picBytes += z->GetDouble(QStringLiteral("BYTES"));
            if (z->GetLogical(QStringLiteral("MARKIERT")))
                ++markierte;
            z->Skip(1);
        }
        z->SetOrder(vorher);
    }
    ziel_.Tabelle()->Close();
    ziel_.Fts()->Close();

    QString kennung;
    TDateTime dateiDatum = 0;
    try {
        kennung = qktGetVolumeId(ordner.left(3));
        dateiDatum = FileDateTime(pfad);
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Fehler bei Erzeugung interner Datensatzparameter!"));
    }
    const auto labelErfragen = [] {
        return InputBox(QStringLiteral("Eingabedialogfenster"),
                        QStringLiteral("Geben sie einen Namen für den Datenträger ein"), QString());
    };
    QString label;
    const QString wurzel = ordner.left(1) + QStringLiteral(":\\");
    if (LaufwerksTyp(wurzel) == QLatin1String("HD")) {
        label = qktGetVolumeLabel(wurzel);
        if (label.isEmpty())
            label = labelErfragen();
    } else {
        // Removable media are named once per volume id in the program's ini.
        label = dienste_.Ini().INIReadString(kDatentraeger, kennung, QString());
        if (label.isEmpty()) {
            label = labelErfragen();
            dienste_.Ini().INIWriteString(kDatentraeger, kennung, label);
        }
    }

    if (DatensatzSuchen(dbe, QStringLiteral("PFAD"), pfad) == 1 && NewEntry != 0) {
        ShowMessage(QStringLiteral("Fotoalbum ") + pfad + QStringLiteral(" ist schon eingetragen !"));
        return;
    }
    QString beschreibung;
    if (NewEntry != 0) {
        beschreibung = InputBox(QStringLiteral("Eingabedialogfenster"),
                                QStringLiteral("Geben Sie eine kurze Beschreibung ein"), QStringLiteral("Neues Fotoalbum"));
        tabelle->Append();
    } else {
        if (ByFileName != 0 && zeile != 0)
            dbe->Go(zeile);
        tabelle->Edit();
    }
    TDataSet* t = tabelle;
    FelderSchuetzen(t, false);
    t->FieldByName(QStringLiteral("PFAD"))->SetAsString(pfad);
    if (t->FieldByName(QStringLiteral("SHORTDESC"))->AsString().trimmed().isEmpty())
        t->FieldByName(QStringLiteral("SHORTDESC"))->SetAsString(beschreibung);
    t->FieldByName(QStringLiteral("BYTESDBF"))->SetAsFloat(static_cast<double>(bytesDBF));
    t->FieldByName(QStringLiteral("BYTESCDX"))->SetAsFloat(static_cast<double>(bytesCDX));
    t->FieldByName(QStringLiteral("BYTESFPT"))->SetAsFloat(static_cast<double>(bytesFPT));
    t->FieldByName(QStringLiteral("BYTESIA"))->SetAsFloat(static_cast<double>(bytesIA));
    t->FieldByName(QStringLiteral("BYTESSUM"))->SetAsFloat(static_cast<double>(bytesSum));
    t->FieldByName(QStringLiteral("ZUGRIFF"))->SetAsBoolean(true);
    t->FieldByName(QStringLiteral("LABEL"))->SetAsString(label);
    t->FieldByName(QStringLiteral("LABELKENNU"))->SetAsString(kennung);
    if (dateiDatum > 0)
        t->FieldByName(QStringLiteral("LASTFDATE"))->SetAsDateTime(std::floor(dateiDatum));
    t->FieldByName(QStringLiteral("SAETZE"))->SetAsFloat(saetze);
    t->FieldByName(QStringLiteral("MARKIERTE"))->SetAsInteger(markierte);
    t->FieldByName(QStringLiteral("PICBYTES"))->SetAsFloat(picBytes);
    t->FieldByName(QStringLiteral("MITDESC"))->SetAsInteger(mitDesc);
    t->FieldByName(QStringLiteral("OHNEDESC"))->SetAsInteger(ohneDesc);
    t->Post();
    dbe->PostIfEditing();
    FelderSchuetzen(t, true);

    if (!FileExists(bilder_.Dateien().Dbf()) && ByFileName == 0 &&
        MessageDlg(QStringLiteral("Möchten Sie das neue Fotoalbum jetzt öffnen ?"), mtConfirmation,
                   TMsgDlgButtons{mbYes, mbNo}) == mrYes) {
        bilder_.DateienSetzen(TAlbumDateien(IncludeTrailingBackslash(ordner), name));
    }
}
