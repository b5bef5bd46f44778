#pragma once
// What the picture scan dialog uses of the main window itself: its options,
// its pick-list combos, its album table's controls and counts, its thumbnail
// grid, its help and its full-size viewer. The open album and the program's
// services reach the dialog as objects of their own (TOffenesAlbum,
// TProgrammDienste). The main window implements this; the dialog builds and
// tests without the main window.

#include <QString>
#include <QStringList>

class TProgrammEinstellungen;

class TScanHauptfenster {
public:
    virtual ~TScanHauptfenster() = default;

    // The settings store of the options dialog (read and, for the measuring
    // option, written).
    virtual TProgrammEinstellungen& Einstellungen() = 0;

    // Display texts of the main window's pick-list combos: 0 source,
    // 1 quality, 2 motif, 3 group.
    virtual QStringList PickListe(int liste) const = 0;

    // The album table's controls held still (true) or free again (false),
    // and the table refreshed.
    virtual void TabelleSperren(bool sperren) = 0;
    virtual void TabelleAktualisieren() = 0;
    // "<shown> von <all> Einträge angezeigt".
    virtual void BilderSatzAnzahlZeigen() = 0;
    // Marks the thumbnail grid for reloading and reloads it when the
    // thumbnail page is shown.
    virtual void VorschaubilderNeuLaden() = 0;

    // A help topic.
    virtual void Hilfe(const QString& thema) = 0;
    // The full-size viewer on one picture file, modal.
    virtual void VollbildAnzeigen(const QString& datei) = 0;
};
