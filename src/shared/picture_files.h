#pragma once
// The one way every command reaches a user's picture files: intake copies,
// copy and move, delete with picture, rename, the maintenance of missing and
// moved pictures and the exports. It keeps the rules that protect a picture
// archive in one place:
//
// - An entry's file counts only on the entry's own medium: the volume id
//   stored with the entry (LABELKENNU) is compared with the medium now at
//   the drive letter (camera cards all hold IMG_0001.JPG).
// - Two paths are the same file when device and inode agree, whatever the
//   text ("…\bilder\.", a symlinked folder, a drive letter against its
//   Linux path).
// - A move copies, reads the copy back, stores the entry and only then
//   deletes the source, and deletes it only when a verified copy exists
//   that is a different file.
// - A file counts as missing only on "no such file" with its folder still
//   listable; any other error (a pulled medium, no permission) is unknown.
// - Export targets are built from a cleaned last path component and never
//   leave their folder.
//
// Every file operation goes through one seam (TBildDateiHaken), so tests can
// fail the N-th operation, pull a medium mid-run or answer EIO or EACCES.
// Paths are Windows-form paths over the drive map (Linux paths starting
// with "/" are taken as they are).

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

enum class TBildDateiOp { Pruefen, Oeffnen, Lesen, Schreiben, Sync, Umbenennen, Loeschen, Auflisten };

// Asked before every file operation of the service with the operation and
// its Linux path: 0 lets it go on, an errno value makes it fail with that
// error without touching the file. Empty (the default): nothing fails.
using TBildDateiHaken = std::function<int(TBildDateiOp op, const QString& linuxPfad)>;
void BildDateiHakenSetzen(TBildDateiHaken haken);

// The result of an operation: Ok, or why not.
struct TDateiErgebnis {
    bool Ok = false;
    QString Grund;  // German, for messages and the log; empty when Ok
    explicit operator bool() const { return Ok; }
};

// ---- finding out --------------------------------------------------------------

enum class TDateiZustand {
    Da,      // a plain file
    Fehlt,   // "no such file" and its folder can be listed
    Unklar,  // anything else: unknown drive, unlistable folder, I/O or permission error
};

struct TDateiInfo {
    TDateiZustand Zustand = TDateiZustand::Unklar;
    int Fehler = 0;  // errno of the failed test
    int64_t Groesse = -1;
    int64_t Geaendert = 0;  // modification time, seconds since 1970
    uint64_t Geraet = 0;
    uint64_t Knoten = 0;
};

TDateiInfo BildDateiPruefen(const QString& pfad);

// True when both paths name one existing file or folder (device and inode).
bool GleicheDatei(const QString& a, const QString& b);

// Whether the file can be opened for reading; the reason when not.
TDateiErgebnis BildLesbar(const QString& pfad);

// True when both files can be read to their end and hold the same bytes.
bool GleicherInhalt(const QString& a, const QString& b);

// ---- the entry's medium -----------------------------------------------------------

enum class TMediumStand {
    Passt,        // the medium at the letter is the entry's
    Anderes,      // another medium holds the letter
    Fehlt,        // no medium at the letter (unknown drive, empty drive)
    OhneKennung,  // the entry stores no medium id
};

// Compares the entry's medium id (LABELKENNU) with the medium now at the
// drive letter of its path.
TMediumStand MediumPruefen(const QString& pfad, const QString& kennung);

// True when a command must refuse the entry's picture: another medium or
// none is at the drive letter (Anderes, Fehlt). An entry that stores no
// medium id is not refused.
bool MediumNichtImLaufwerk(const QString& pfad, const QString& kennung);

// "Der Datenträger "LABEL" (kennung) ist nicht im Laufwerk X: ..." for a
// refusal that names the medium expected.
QString MediumFehltText(const QString& pfad, const QString& label, const QString& kennung);

// ---- changing -----------------------------------------------------------------------

// Copies quelle onto ziel: written beside the target under a temporary
// name nobody can guess (a safe write, platform/core/safe_file.h), synced,
// put in place, then read back and compared with the source. An existing
// target is replaced only when ersetzen is set, and never when the user
// made it read-only or it has further hard links (its other names would
// keep the old picture). Refused when both name the same file, and when
// the target is a symbolic link. A failure leaves no
// partial target and an existing target as it was.
TDateiErgebnis BildKopieren(const QString& quelle, const QString& ziel, bool ersetzen);

// Moves a picture: BildKopieren, then eintragSpeichern (stores the entry's
// new path; false when it could not), then the source is deleted, and only
// when the target is a verified copy in a different file. When the entry
// cannot be stored, a copy this call made is removed and the source stays.
// A source that cannot be deleted after the entry was stored is reported
// (the picture then exists twice, none is lost).
TDateiErgebnis BildVerschieben(const QString& quelle, const QString& ziel, bool ersetzen,
                               const std::function<bool()>& eintragSpeichern);

// The last step of a move, after the entry was stored: deletes quelle only
// when ziel is a different file that holds the same bytes.
TDateiErgebnis QuelleNachKopieLoeschen(const QString& quelle, const QString& ziel);

// Deletes a picture file; a file that is already gone counts as deleted.
TDateiErgebnis BildLoeschen(const QString& pfad);

// Renames a picture; refused when the new name is taken by another file.
TDateiErgebnis BildUmbenennen(const QString& alt, const QString& neu);

// ---- export targets -------------------------------------------------------------------

// The last path component of a stored path ("\" and "/" both separate),
// without control characters and characters a file name cannot hold; empty
// when nothing usable is left ("..", ".").
QString BereinigterDateiname(const QString& pfad);

// ordner + the cleaned last component of name; empty when nothing usable is
// left or the result would lie outside ordner.
QString ZielImOrdner(const QString& ordner, const QString& name);
