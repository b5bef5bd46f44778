#pragma once
// The layout of a CD-R tree, shared by the form that makes it and the
// program started from it. Under the tree's root:
//   Programm\                     the program and its start script
//   Data\Database\LXman.dbf       the album manager table of the tree
//   Data\Database\<base name>\    each album's file set
//   Data\Pics\<base name>\        each album's pictures
// The tree's manager table names its albums by file name only and the
// entries name their pictures from the tree's root ("\DATA\PICS\A\X.JPG"),
// so the tree stays valid wherever it is burned, copied or mounted.

#include <QString>

inline constexpr char kCdrProgrammOrdner[] = "Programm\\";
inline constexpr char kCdrDatenbankOrdner[] = "Data\\Database\\";
inline constexpr char kCdrBilderOrdner[] = "Data\\Pics\\";
inline constexpr char kCdrManagerName[] = "LXman.dbf";

// Set by the tree's start script for the program it starts: the Linux path
// of the tree's folder "Data".
inline constexpr char kCdrDatenVariable[] = "LUMADEX_CDR_DATEN";

// The album a row of a manager table names: a path with a folder as it
// stands; a bare file name (a row of a tree's manager table) names the
// album where the tree puts it, in the folder of its base name beside the
// manager table, else beside the table itself. Empty when a bare name is
// found in neither place.
QString ManagerAlbumPfad(const QString& pfad, const QString& managerOrdner);

// The tree's database folder (Windows form, "\" at the end) when the
// program was started from a tree and that folder is there; else empty.
QString CdrDatenbankOrdnerDesStarts();

// The root of the tree (Windows form, "\" at the end) that holds an album
// of the folder `albumOrdner` ("...\Data\Database\<name>\"); empty for an
// album outside a tree.
QString CdrWurzelVonAlbum(const QString& albumOrdner);
