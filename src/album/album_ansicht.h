#pragma once
// TAlbumAnsicht: what the album's command groups (maintenance, filters and
// searches, copies, picture views) need of the window's album views. The
// main window implements it over its grid page, gauge, count panel and
// single-record view; a test records the calls instead.

#include <QString>

#include <cstdint>

class TAlbumAnsicht {
public:
    virtual ~TAlbumAnsicht() = default;
    // The album grid's page comes to the front.
    virtual void GridSeiteZeigen() = 0;
    // The single-record view below the grid: hidden during a walk over the
    // entries, and back as the user has it set.
    virtual void EinzelsatzVerbergen() = 0;
    virtual void EinzelsatzWiederherstellen() = 0;
    // The gauge shown at `aktuell` of `gesamt` (hidden again at the end);
    // hidden at once.
    virtual void Fortschritt(int gesamt, int aktuell) = 0;
    virtual void FortschrittVerbergen() = 0;
    // The count panel: "<shown> von <all> Einträge angezeigt".
    virtual void SatzAnzahlZeigen() = 0;
    // The current entry's thumbnail in the single-record view.
    virtual void VorschaubildZeigen() = 0;
    // The thumbnail page reads the album again when it shows next.
    virtual void VorschaubilderVeraltet() = 0;
    // The album grid's panel hidden during a long command, and back.
    virtual void GridVerbergen() = 0;
    virtual void GridZeigen() = 0;
    // The count panel with a text of the caller's.
    virtual void SatzAnzahlTextZeigen(const QString& text) = 0;

    // ---- Filters and searches ----
    // The grid of the album page takes the focus, when that page is shown.
    virtual void GridFokussieren() = 0;
    // The field of the grid's selected column ("" none).
    virtual QString GridFeld() const = 0;
    // The count panel with the count of entries shown, when the caller has it.
    virtual void GezeigteAnzahlZeigen(uint32_t gezeigt) = 0;
    // The thumbnail page reads the album again, when it is the page shown.
    virtual void VorschauseiteAuffrischen() = 0;
    // The status panels of the order and of the filter in force.
    virtual void SortierungZeigen(const QString& text) = 0;
    virtual void FilterZeigen(const QString& text) = 0;
    // The quick-search bar: its text, its buttons and its gauge.
    enum class TSuchKnopf { Naechster, Vorheriger, Filter, FilterReset };
    virtual QString Suchtext() const = 0;
    virtual void SuchtextSetzen(const QString& text) = 0;
    // A button the window has not (yet) made is never enabled.
    virtual bool SuchKnopfAktiv(TSuchKnopf knopf) const = 0;
    virtual void SuchKnopfAktivieren(TSuchKnopf knopf, bool aktiv) = 0;
    virtual QString SuchKnopfText(TSuchKnopf knopf) const = 0;
    virtual void SuchKnopfTextSetzen(TSuchKnopf knopf, const QString& text) = 0;
    virtual void SuchFortschrittBeginnen(int maximum) = 0;
    virtual void SuchFortschritt(int position) = 0;
    virtual void SuchFortschrittVerbergen() = 0;
    // The gauge at the window's foot hidden.
    virtual void Fortschritt2Verbergen() = 0;
    // The views after the open album changed or was away for a while:
    // counts, thumbnail and caption.
    virtual void AnsichtenNachAlbumwechsel() = 0;

    // ---- The open album's lifecycle ----
    // The status panel with the open album's table file ("" none open).
    virtual void AlbumNameZeigen(const QString& dbf) = 0;
    // The album grid's column layout saved when it was changed, and read
    // back for the album just opened.
    virtual void GridLayoutSichern() = 0;
    virtual void GridLayoutZuruecklesen() = 0;
    // An album was opened: the edit controls' colours and the caption with
    // the table's name.
    virtual void AlbumGeoeffnet(const QString& tabelle) = 0;
};
