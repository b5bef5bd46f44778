#pragma once
// What the picture scan dialog uses of the main window. The main window
// implements it; the dialog builds and tests without the main window.

#include <QString>
#include <QStringList>

class TDbe;
class TFts;
class TProgrammEinstellungen;

class TScanHauptfenster {
public:
    virtual ~TScanHauptfenster() = default;

    // The main ini file (Windows form) and the program folder (ends "\").
    virtual QString IniDatei() const = 0;
    virtual QString ProgrammPfad() const = 0;
    // The settings store of the options dialog (read and, for the measuring
    // option, written).
    virtual TProgrammEinstellungen& Einstellungen() = 0;

    // The open album: its first view (filter, order, record writes), its
    // second view (duplicate seeks), its full-text index and that index's
    // file; whether its table file is write-protected.
    virtual bool AlbumOffen() const = 0;
    virtual TDbe* DbeBilder() = 0;
    virtual TDbe* DbeBilder2() = 0;
    virtual TFts* FtsBilder() = 0;
    virtual QString FtsDatei() const = 0;
    virtual bool AlbumNurLesen() const = 0;

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

    // The program sound of that number; a help topic.
    virtual void PrgWavSpielen(int nummer) = 0;
    virtual void Hilfe(const QString& thema) = 0;
    // The full-size viewer on one picture file, modal.
    virtual void VollbildAnzeigen(const QString& datei) = 0;

    // Files dropped on the main window (or copied from a camera folder):
    // while the flag is set the dialog processes the list instead of a scan.
    virtual bool DropListeAktiv() const = 0;
    virtual QStringList DropListe() const = 0;
    virtual void DropListeLeeren() = 0;
};
