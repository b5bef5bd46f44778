#pragma once
// TAlbumDateien: where an album lies and the files that belong to it. An
// album is a table "<name>.DBF" in a folder; beside it stand its memo file
// (.FPT), its production index (.CDX), its full-text index (.IA with the
// SQLite companions of its write-ahead log) and its pick lists (.GPR for
// groups, .QUL for sources). The table's own files are its name with the
// last extension replaced, as the engine finds them ("Urlaub.2024.DBF" has
// "Urlaub.2024.CDX"); the pick lists take the base name before the first
// "." ("Urlaub.GPR"), as albums have always stored them.
// Paths are Windows-form, as the program keeps them.

#include <QString>
#include <QStringList>

class TAlbumDateien {
public:
    TAlbumDateien() = default;
    // `ordner` is kept as given (the program's album folders end with "\");
    // `name` is the table's file name without folder.
    TAlbumDateien(const QString& ordner, const QString& name) : ordner_(ordner), name_(name) {}
    // The album of a full table path (folder up to the last "\").
    static TAlbumDateien AusPfad(const QString& dbfPfad);

    const QString& Ordner() const { return ordner_; }
    const QString& Name() const { return name_; }
    bool Leer() const { return name_.isEmpty(); }

    // File names without folder.
    QString CdxName() const { return Endung(QStringLiteral(".CDX")); }
    QString IaName() const { return Endung(QStringLiteral(".IA")); }

    // Full paths.
    QString Dbf() const { return ordner_ + name_; }
    QString Fpt() const { return ordner_ + Endung(QStringLiteral(".FPT")); }
    QString Cdx() const { return ordner_ + CdxName(); }
    QString Ia() const { return ordner_ + IaName(); }
    QString Gpr() const { return ListenBasis() + QStringLiteral(".GPR"); }
    QString Qul() const { return ListenBasis() + QStringLiteral(".QUL"); }

    // Every file of the album's table and indexes, as a delete or a move
    // must handle them: DBF, FPT, CDX, IA and the full-text index's journal
    // files. The pick lists are the user's and not among them.
    QStringList TabellenDateien() const;

    bool operator==(const TAlbumDateien&) const = default;

private:
    // The table's name with its last extension replaced by `endung`.
    QString Endung(const QString& endung) const;
    // Folder and the name up to its first ".".
    QString ListenBasis() const;

    QString ordner_;
    QString name_;
};
