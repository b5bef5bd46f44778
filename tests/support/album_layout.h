#pragma once
// The field layout of an album table (29 fields, in their order), for tests
// and benchmarks of the layers below the main window that need album-shaped
// tables. The program's own definition lives in src/album/album_record;
// the main window's tests check that one against the file an outside reader
// sees, so this copy only has to stay album-shaped.

namespace lxtest {

struct AlbumLayoutField {
    const char* name;
    char type;
    int width;
    int decimals;
};

inline constexpr AlbumLayoutField kAlbumLayout[] = {
    {"ShortDesc", 'C', 100, 0},   {"Owner", 'C', 15, 0},     {"Aufndatum", 'D', 8, 0},
    {"Bytes", 'N', 10, 0},        {"Breite", 'N', 4, 0},     {"Hoehe", 'N', 4, 0},
    {"Serie", 'C', 10, 0},        {"Quelle", 'C', 10, 0},    {"Datei", 'C', 15, 0},
    {"Pfad", 'C', 239, 0},        {"ShortName", 'C', 11, 0}, {"Label", 'C', 30, 0},
    {"LabelKennung", 'C', 14, 0}, {"Type", 'C', 1, 0},       {"PlayList", 'C', 2, 0},
    {"Qualitaet", 'C', 3, 0},     {"Motiv", 'C', 3, 0},      {"Markiert", 'L', 1, 0},
    {"Zugriff", 'L', 1, 0},       {"Privat", 'L', 1, 0},     {"Anywhere", 'L', 1, 0},
    {"Notiz", 'M', 10, 0},        {"Vorschau", 'M', 10, 0},  {"Flags", 'C', 10, 0},
    {"FileDate", 'D', 8, 0},      {"ZoomFactor", 'N', 4, 2}, {"RESERVE1", 'C', 15, 0},
    {"RESERVE2", 'C', 15, 0},     {"RESERVE3", 'C', 15, 0},
};

inline constexpr int kAlbumLayoutFieldCount = int(sizeof kAlbumLayout / sizeof kAlbumLayout[0]);

// The keys of the album's tags (name, key expression): each is made FOR
// ".not. deleted()" and again, named with a "2", FOR "(.not. deleted())
// .and. (Zugriff)"; with the tag Zugriff that makes the album's 43 tags.
inline constexpr const char* kAlbumTagKeys[][2] = {
    {"Shortname", "Shortname"}, {"Markiert", "Markiert"},   {"Label", "Lower(Label)"},
    {"Type", "Type"},           {"PlayList", "PlayList"},   {"ShortDesc", "Lower(ShortDesc)"},
    {"Owner", "Owner"},         {"AufnDatum", "DTOS(AufnDatum)"}, {"FileDate", "DTOS(FileDate)"},
    {"Bytes", "Bytes"},         {"Breite", "Breite"},       {"Hoehe", "Hoehe"},
    {"Serie", "Serie"},         {"Quelle", "Quelle"},       {"Qualitaet", "Qualitaet"},
    {"Motiv", "Motiv"},         {"Privat", "Privat"},       {"Anywhere", "Anywhere"},
    {"RESERVE1", "Lower(RESERVE1)"}, {"RESERVE2", "Lower(RESERVE2)"}, {"RESERVE3", "Lower(RESERVE3)"},
};

}  // namespace lxtest
