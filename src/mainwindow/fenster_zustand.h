#pragma once
// The main window's state of its list printing and its album display, one
// small object per concern. The form holds one of each and hands them out
// through Druck() and Anzeige(); the concerns meet there instead of on the
// form's own members. The run's state is its own object (programm_lauf.h).

#include "platform/core/run_temp_folder.h"
#include "platform/core/string_list.h"
#include "platform/picture/picture_buffers.h"

#include <QDateTime>
#include <QImage>
#include <QString>

#include <functional>
#include <memory>

class TrgReport;

// The list printing's state: the large-picture flags that the template file
// names "BilderListe_GrossesBild8.RTM" (landscape section) and
// "BilderListe_GrossesBild10.RTM" (portrait section) set, cleared when the
// layout chooser or the print menu opens; where a loaded list goes (unset,
// the report prints to its own device: the preview unless the template
// says otherwise); and the print's picture file "PrintPic.BMP", a
// temporary file of the run while a print uses it.
struct TDruckStand {
    bool GrossBild8 = false;
    bool GrossBild10 = false;
    std::function<void(TrgReport*)> ListenAusgabe;
    std::unique_ptr<TRunTempFile> PrintPic;
    // The section the list's frames print, and of which file (its size and
    // time, the crop flags): an entry that does not fit at the foot of a
    // page is laid out again on the next one and takes it unread.
    struct TAusschnitt {
        QString Datei;
        qint64 Groesse = -1;
        QDateTime Geaendert;
        bool GrossBild8 = false, GrossBild10 = false;
        QImage Bild;
    } LetzterAusschnitt;
    // The memory the list's sections are decoded into, entry after entry.
    std::unique_ptr<TPicBuffers> Bildspeicher;
};

// The album display's state: the entry count last shown, whether the
// single-record view is on, whether the grid's column layout was changed
// since it was saved, and the values LesePickliste read last.
struct TAnzeigeStand {
    int LetzteSatzanzahl = -1;
    bool EinzelsatzAnzeige = true;
    bool GridLayoutMerker = false;
    TStringList PickListe;
};
