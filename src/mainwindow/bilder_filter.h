#pragma once
// TBilderFilter: the filters and searches over the open album's work area:
// field-value filters through the "Filter-Dialog", filters on the marks and
// on availability, date ranges, the reset, sorting by column title and the
// natural order, the field search, "Gehezu SatzNr." and the quick-search
// bar's "Nächster", "Vorheriger" and full-text filter.
//
// It keeps the state of these commands: the order and record before the
// last filter, the last full-text text and query, and the hits reached with
// "Nächster". The album's views are reached through TAlbumAnsicht, the rest
// of the window (the value dialogs, sounds, the action log, the options,
// the grid layout) through TBilderFilterUmgebung, so the object also runs
// without a main window.

#include "platform/core/string_list.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

class TAlbumAnsicht;
class TArbeitsbereich;
class TBilderDialogForm;
class TComponent;
class TDatumScopeForm;
class TDbeEnv;
class TObject;
class TOffenesAlbum;
class TProgrammDienste;
class TProgrammEinstellungen;

// The names of the pick lists the field filters offer, as the window's
// LesePickliste takes them (the fields with a list of the album's values).
const QStringList& PicklistenNamen();

class TBilderFilterUmgebung {
public:
    virtual ~TBilderFilterUmgebung() = default;
    // The timed notice "Hinweis" in the info colour.
    virtual void Hinweis(const QString& text) = 0;
    virtual const TProgrammEinstellungen& Optionen() const = 0;
    virtual bool FensterSichtbar() const = 0;
    // The value entry dialog "Filter-Dialog", the rows its combo drops down,
    // the display items of a coded pick list (false: the field has none)
    // and the values of a pick list read from the album.
    virtual TBilderDialogForm* FilterDialog() = 0;
    virtual int AuswahlZeilen() const = 0;
    virtual bool CodeListe(const QString& feld, QStringList& eintraege) const = 0;
    virtual QStringList Pickliste(const QString& name) = 0;
    // The date range dialog, opened each time as a new one would be.
    virtual TDatumScopeForm* DatumDialog() = 0;
    // The quick search dialog's owner.
    virtual TComponent* DialogBesitzer() = 0;
    // The field of the control the user stands in ("" none).
    virtual QString FokusFeld() const = 0;
    // The album grid's column layout marked as unchanged.
    virtual void GridLayoutUnveraendert() = 0;
    // The menu tick "Nur verfügbare anzeigen" and its switch.
    virtual bool NurVerfuegbareAnzeigen() const = 0;
    virtual void NurVerfuegbareUmschalten() = 0;
    // The grid pop-up's "Feldsuche" offered or not.
    virtual void FeldsucheAnbieten(bool anbieten) = 0;
    // Copies the entries shown into a new album.
    virtual void GefundeneKopieren() = 0;
};

class TBilderFilter {
public:
    TBilderFilter(TOffenesAlbum& album, TAlbumAnsicht& ansicht, TProgrammDienste& dienste,
                  TBilderFilterUmgebung& umgebung);
    TBilderFilter(const TBilderFilter&) = delete;
    TBilderFilter& operator=(const TBilderFilter&) = delete;

    // ---- Filters ----
    // A field-value command: the open-album check, the sound, the log line,
    // the filter and the thumbnail page read again.
    void FeldBefehl(TObject* Sender, const char* handler, const QString& feld);
    void Filtern(const QString& FieldName);
    // A mark command: the sound and FilterAufFlag.
    void FlagBefehl(TObject* Sender, const QString& flag);
    void FilterAufFlag(const QString& Flag);
    void NichtImZugriff(TObject* Sender);
    // 1 when a filter stands; its count of entries shown then goes to
    // *gezeigt. Else the notice (window shown) and the reset.
    int FilterGesetzt(uint32_t* gezeigt = nullptr);
    void DatumBefehl(TObject* Sender, const char* handler, const QString& feld);
    void DatumVonBis(const QString& FieldName);
    void OhneFilter(TObject* Sender);
    void NurVerfuegbareUmschalten();
    // The filter state of a freshly opened album: no filter, no hits.
    void NachAlbumwechsel();

    // ---- Orders ----
    void TitelKlick(const QString& FieldName);
    void Unsortiert();
    void IndexWechsel(const QString& TagName);

    // ---- Field search and "Gehezu SatzNr." ----
    void FeldsucheGrid();
    void FeldSucheDlg();
    void SpaltenWechsel();
    void GeheZuSatzNr();

    // ---- The quick-search bar ----
    void SuchfeldBetreten();
    void SuchfeldTaste(TObject* Sender, uint16_t Key);
    void Naechster();
    void Vorheriger();
    void VolltextFiltern(TObject* Sender);
    void NichtGefunden();
    // Forgets the hits of "Nächster" (new search text, reset, other album).
    void TrefferlisteLeeren();

    // ---- State ----
    uint8_t FilterSortierung() const { return filterSortierung_; }
    uint32_t FilterSatzNr() const { return filterSatzNr_; }
    const QString& LetzterVolltextSuchText() const { return letzterVolltextSuchText_; }
    const TStringList& Trefferliste() const { return trefferliste_; }
    int TrefferPosition() const { return trefferPosition_; }
    bool SucheLaeuft() const { return sucheLaeuft_; }
    // The full-text index was opened or built anew: no search text stands.
    void VolltextSuchTextLeeren() { ftsSuchText_.clear(); }

private:
    // Status panel 3: the order the album's rows stand in now.
    void SortierungAnzeigen();
    // Panel 4 of the status line and the two filter buttons.
    void FilterStatus(const QString& text, bool filterGesetzt);
    // Switches to the tag (natural order when there is none); gives the
    // order before.
    int AufTagUmschalten(const QString& tag);
    // The thumbnail page reads the album again (at once when it is shown).
    void VorschauNeuLesen();
    // Query and order of a mark or availability filter, its status text.
    void FlagFilterSetzen(const QString& tag, const QString& ausdruck, const QString& status);

    // The program sound of the command's sender; an "Info" line in the
    // action log.
    void Ton(TObject* Sender);
    void Protokoll(const QString& text);
    // The start of a filter command: the open-album check, the sender's
    // sound and the log line naming the handler. False when no album is
    // open.
    bool BefehlBeginnen(TObject* Sender, const char* handler);

    TOffenesAlbum& album_;
    TArbeitsbereich& bereich_;
    TAlbumAnsicht& ansicht_;
    TProgrammDienste& dienste_;
    TBilderFilterUmgebung& umgebung_;
    uint8_t filterSortierung_ = 0;      // order before the last field or flag filter
    uint32_t filterSatzNr_ = 0;         // record when the last filter command began
    QString letzterVolltextSuchText_;   // text of the last full-text filter
    QString ftsSuchText_;               // the current full-text search text
    QByteArray volltextAbfrage_;        // the last query handed to the full-text index
    TStringList trefferliste_;          // hits reached with "Nächster", record numbers
    int trefferPosition_ = 0;
    bool sucheLaeuft_ = false;
};
