#pragma once
// The ASCII export of an album: every record of the album, in natural
// record order from the first, as one line of "Bilder.TXT" in the export
// folder (for each chosen field its text followed by ";", then CR LF, in
// Windows-1252), each record's note in a memo file named after the
// record's path and medium ("C_BILDER_URLAUB.JPG_1234567890.MEM"); then the
// memo files and the text file this run wrote (and no other file of the
// folder) are packed into "BilderASCII" + number + ".ZIP" through the zip
// component, under their names alone, and deleted. Messages go through the
// prompt service with the texts the users know.
//
// A value holding the separator ";" (or starting with a double quote) is
// written in double quotes with its quotes doubled ("Sonne; Meer" gives
// "\"Sonne; Meer\";"), which the import reads back. A value with a line
// break or another control character cannot stand in a line: the export is
// refused with a message naming the record.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class TDbe;

// The fields of the album in table order (1 to FieldCount).
QStringList AlbumFeldNamen(TDbe* dbe);

// The memo file name of a record: its trimmed, upper-cased path as a file
// name text, the trimmed medium id and ".MEM".
QString MemoDateiName(const QString& pfad, const QString& labelKennung);

class TBilderAsciiExport {
public:
    // exportOrdner: Windows-form folder ending in "\".
    TBilderAsciiExport(TDbe* dbe, const QString& exportOrdner) : dbe_(dbe), ordner_(exportOrdner) {}

    // The fields written, in column order (all fields by default).
    QStringList Felder;
    // Record n is being read ("Lese Satz Nr. " + n in the dialog's caption).
    std::function<void(int satz)> Fortschritt;
    // Asked once per record after letting events through; true ends the
    // run (Esc).
    std::function<bool()> Abbruch;

    // The whole command. False when it ended early (Esc, a packing or
    // deleting failure); the archive's name is then empty. A text or memo
    // file that cannot be written raises EInOutError.
    bool Ausfuehren();
    // The archive of the last run.
    QString Archiv() const { return archiv_; }

    // Writes "Bilder.TXT" and the memo files; false after Esc or a value
    // that cannot be exported.
    bool SchreibeText();
    // The files the last SchreibeText wrote (Windows-form paths).
    const QStringList& Geschrieben() const { return geschrieben_; }

    // A field value as it stands in the line, before its ";"; nullopt when
    // it holds a line break or another control character.
    static std::optional<QString> ZeilenWert(const QString& wert);

private:
    QStringList geschrieben_;
    TDbe* dbe_;
    QString ordner_;
    QString archiv_;
};
