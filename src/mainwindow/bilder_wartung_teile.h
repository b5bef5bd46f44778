#pragma once
// What the files of TBilderWartung share: the work area of the open album
// selected for a direct engine walk, the busy window, texts for the engine
// and the logical field write.

#include "album/album_ansicht.h"
#include "album/arbeitsbereich.h"
#include "mainwindow/bilder_wartung.h"
#include "mainwindow/main_options.h"
#include "mainwindow/main_settings.h"
#include "album/offenes_album.h"
#include "album/programm_dienste.h"

#include "platform/ui/forms.h"

#include <QByteArray>

#include <cstdint>
#include <memory>

class TDataSet;

// Selects the work area of `table` and gives the previous one back.
class TAlbumBereich {
public:
    explicit TAlbumBereich(TDataSet* table);
    ~TAlbumBereich();
    TAlbumBereich(const TAlbumBereich&) = delete;
    TAlbumBereich& operator=(const TAlbumBereich&) = delete;

private:
    uint16_t vorher_;
};

// The busy window "Meldung" while a command runs, when the options want it.
class TBusyFenster {
public:
    TBusyFenster(TProgrammDienste& dienste, bool zeigen);
    ~TBusyFenster();
    void Verbergen();

private:
    std::unique_ptr<TForm> fenster_;
};

// Windows-1252 bytes of a text for the engine (EEncodingError when the code
// page cannot hold it).
QByteArray EngineText(const QString& text);

// Writes a logical field of the selected area's current record.
bool LogischSchreiben(const char* feld, bool wert);
