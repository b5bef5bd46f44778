#pragma once
// What the options dialog uses of the main window. The main window
// implements it; the dialog builds and tests without the main window.

#include "platform/ui/framework_types.h"

#include <QString>
#include <QStringList>

class TFont;
class TProgrammEinstellungen;
class TStringList;

class TOptionenHauptfenster {
public:
    virtual ~TOptionenHauptfenster() = default;

    // The main ini file (Windows form), the file of QKINI_Prog.
    virtual QString IniDatei() const = 0;
    // QKINI_Prog.ReadINI / WriteINI: the dialog's settings store and the
    // main window's own keys read from / written to the main ini file.
    virtual void EinstellungenLesen(TProgrammEinstellungen& einstellungen) = 0;
    virtual void EinstellungenSchreiben(const TProgrammEinstellungen& einstellungen) = 0;

    // The program sound of that number (0 or less: none).
    virtual void PrgWavSpielen(int nummer, int flag) = 0;
    // Re-colours the album controls and the grid from the colour settings.
    virtual void FeldfarbenSetzen() = 0;
    // Refreshes the open album's table (TableBilder).
    virtual void AlbumTabelleAktualisieren() = 0;
    // Hint delay and display time of the main window's hint component, ms.
    virtual void HintZeitenSetzen(int pauseMs, int hidePauseMs) = 0;
    // Applies what the dialog's close hands over from the settings: hints
    // on or off, thumbnail caching, the external editors' menu texts, the
    // names of the user fields, the exit entry of the main menu, the
    // drop-down count of the pick-list combos.
    virtual void OptionenAnwenden() = 0;

    // The open album: its folder ("" when none) and its pick-list side files.
    virtual QString BilderDBFPfad() const = 0;
    virtual QString GruppenListeDatei() const = 0;
    virtual QString QuellenListeDatei() const = 0;
    // The items (text, TAB, stored value) of the group combos (liste 0) or
    // the source combos (liste 1) of the main window.
    virtual void PickListeSetzen(int liste, const QStringList& eintraege) = 0;
    // The camera copy's destination folder changed: the default open folder
    // of the large picture view, and (when not null) the list of
    // destination pictures.
    virtual void ZielverzeichnisSetzen(const QString& ordner, const TStringList* bmpDateien) = 0;

    // Fonts of the main window's controls by font combo index 1..8: the
    // font the font dialog starts from, and giving a font to every control
    // of the entry's classes.
    virtual void SchriftHolen(int index, TFont& schrift) = 0;
    virtual void SchriftZuweisen(int index, const TFont& schrift) = 0;
    // The caption window of the full-size view, when it exists and is
    // visible: its label takes the font (when not null) and the colour
    // (when not clNone).
    virtual void TextVollbildSetzen(const TFont* schrift, TColor farbe) = 0;

    // Opens a help topic.
    virtual void Hilfe(const QString& thema) = 0;
};
