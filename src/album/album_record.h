#pragma once
// The album's file layout: the 29 fields of the album record, the 43 index
// tags of an open album, the 18 tags of the target album of copies, the 22
// fields and 3 tags of the album manager table, and the picture type codes.
//
// The order of the tags is part of the format: the ini keeps the open
// album's order as its number in the order of creation.

#include <QString>

#include <array>
#include <cstdint>

struct TAlbumFeld {
    const char* Name;  // as passed at creation (the file keeps it upper-cased, cut to 10)
    char Typ;
    int Breite;
    int Dezimal;
};

struct TAlbumTag {
    const char* Name;
    const char* Schluessel;
    const char* Bedingung;  // FOR condition
};

inline constexpr int kAlbumFeldAnzahl = 29;
inline constexpr int kAlbumTagAnzahl = 43;
inline constexpr int kZielAlbumTagAnzahl = 18;
inline constexpr int kManagerFeldAnzahl = 22;
inline constexpr int kManagerTagAnzahl = 3;

extern const std::array<TAlbumFeld, kAlbumFeldAnzahl> kAlbumFelder;
extern const std::array<TAlbumTag, kAlbumTagAnzahl> kAlbumTags;
extern const std::array<TAlbumTag, kZielAlbumTagAnzahl> kZielAlbumTags;
extern const std::array<TAlbumFeld, kManagerFeldAnzahl> kManagerFelder;
extern const std::array<TAlbumTag, kManagerTagAnzahl> kManagerTags;

// The conditions of the album tags.
inline constexpr const char* kNichtGeloescht = ".not. deleted()";
inline constexpr const char* kNichtGeloeschtImZugriff = "(.not. deleted()) .and. (Zugriff)";

// The default album of a first start and the manager table's name.
inline const QString kStandardAlbum = QStringLiteral("BILDER.DBF");
inline const QString kManagerTabelle = QStringLiteral("LXMan.DBF");

// Picture type codes. The field TYPE holds one character: codes 0 to 9 are
// stored as their digit, WMF (10) as "W" and ICO (11) as "I".
enum TBildTyp : uint8_t {
    btUnbekannt = 0, btJPG = 1, btBMP = 2, btTIF = 3, btPNG = 4, btGIF = 5, btPCX = 6, btPCD = 7,
    btCMS = 8, btSCM = 9, btWMF = 10, btICO = 11
};

// The code of a file name by the first three characters after the last "."
// of its name part (upper case); the file is not read.
uint8_t BilderFileTypeErmitteln(const QString& fileName);
// True for codes 1 to 6, the formats the program's own image window loads.
bool IstInternesBildFormat(const QString& fileName);
// True when the album cannot be written: its .DBF carries the read-only
// attribute or cannot be written by this process, or its folder is
// write-protected.
bool AlbumSchreibgeschuetzt(const QString& folder, const QString& name);
// The stored text of a code ("0" .. "9", "W", "I"); "0" for codes past 11.
QString BildTypText(uint8_t code);
// The code of a stored text (first character); 0 for anything unknown.
uint8_t BildTypAusText(const QString& text);
// The name the pick list shows for a code ("Unknown", "JPG", ...).
QString BildTypName(uint8_t code);
