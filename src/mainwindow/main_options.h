#pragma once
// What the main window reads of the options dialog and the album manager
// dialog. The settings live in the options dialog's controls for the whole
// run; until that dialog exists the main window holds the control values in
// TProgrammOptionenStand, which the dialog takes over (or derives from) when
// it is built. The album manager dialog reaches the main window the same
// way: the main window calls it only through TAlbumManagerDialog.

#include "platform/core/string_list.h"

#include <QString>

class TProgrammOptionenStand {
public:
    virtual ~TProgrammOptionenStand() = default;

    bool CheckBoxProtokollieren = true;
    bool CheckBoxAlleMeldungen = true;
    bool CheckBoxBearbeitungszeitAnzeigen = false;
    bool CheckBoxBerabeitungsMeldung = false;
    bool CheckBoxVorschauBilderAlsBlobSpeichern = true;
    // Temporary folder, ends with "\".
    QString EditTempDir;
    // Folder of the album manager table, ends with "\".
    QString EditDatenbankenVerzeichnis;

    // The group and source pick lists of the open album, one entry a line.
    TStringList MemoGruppenListe;
    TStringList MemoQuellenListe;

    // Reload the lists from the album's ".GPR" / ".QUL" file. The plain state
    // keeps the lists from the file when it exists, else the lists stay.
    virtual void ReadPlayListFromMemo(const QString& gprFile);
    virtual void ReadQuellenFromMemo(const QString& qulFile);
};

class TAlbumManagerDialog {
public:
    virtual ~TAlbumManagerDialog() = default;
    // Shows the album manager dialog modally (the user may open another
    // album there).
    virtual void Zeigen() = 0;
    // Adds the row of the album the main window has just opened (mode 1 =
    // new row).
    virtual void GeoeffneteDBFinDBFVerwaltungEintragen(int mode) = 0;
    // The manager table became empty after a delete: the dialog disables its
    // open, merge and attribute buttons.
    virtual void ManagerLeer() = 0;
};
