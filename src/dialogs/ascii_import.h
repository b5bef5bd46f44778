#pragma once
// The ASCII import of an album, the counterpart of the ASCII export: a
// text file in the export's semicolon layout (one line per record, for each
// field of the import list its text followed by ";", CR LF, Windows-1252)
// is read in step with the album's records in natural order, from the
// current record on: line 1 writes the current record, line 2 the next, and
// lines past the last record are appended as new records. A value in
// double quotes, its inner quotes doubled, is read as its text (the
// export writes a value holding ";" that way). A record's note
// comes from the memo file beside the text file, named as the export names
// it (path and medium) or record number + ".MEM"; without one the note
// stays as it is.
//
// The whole file is read and checked before the album is touched: a line
// with garbage (control characters, no field separator), the wrong number
// of fields, a value that does not fit its field, or text in another code
// page than Windows-1252 (UTF-8, UTF-16) ends the import with a message
// naming the lines, and the album stays unchanged. Esc while the file is
// read stops it the same way.

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class TDbe;

class TBilderAsciiImport {
public:
    // importOrdner: the folder named in the read-error message.
    TBilderAsciiImport(TDbe* dbe, const QString& importOrdner) : dbe_(dbe), ordner_(importOrdner) {}

    // The fields read, in column order (all fields by default).
    QStringList Felder;
    std::function<void(int satz)> Fortschritt;
    std::function<bool()> Abbruch;

    // Imports the file (Windows-form or Linux path): checks it, asks before
    // existing records are overwritten, writes, and reports. Gives the
    // number of records written; 0 when nothing was changed.
    int Ausfuehren(const QString& datei);

    // The faults found by the last check, one text per line at fault.
    const QStringList& Fehler() const { return fehler_; }

    // One line split into its field texts; false when it is no data line of
    // the semicolon layout.
    static bool ZeileTeilen(const QByteArray& zeile, std::vector<QByteArray>& teile);

private:
    struct TFeld {
        QString Name;
        QByteArray EngineName;
        char Typ;
        int Breite;
        int Dezimal;
    };
    bool Pruefen(const QByteArray& inhalt, std::vector<std::vector<QByteArray>>& zeilen);
    QString WertFehler(const TFeld& f, const QByteArray& wert) const;

    TDbe* dbe_;
    QString ordner_;
    std::vector<TFeld> felder_;
    QStringList fehler_;
};
