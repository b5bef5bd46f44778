#pragma once
// TAlbumAnsicht: what the album's command groups (maintenance, filters and
// searches, copies, picture views) need of the window's album views. The
// main window implements it over its grid page, gauge, count panel and
// single-record view; a test records the calls instead.

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
    // The views after the open album changed or was away for a while:
    // counts, thumbnail and caption.
    virtual void AnsichtenNachAlbumwechsel() {}
};
