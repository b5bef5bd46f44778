#pragma once
// An album's files from outside, for the tests that check what an operation
// left on disk: entries appended through the engine, the side files of
// TEST.DBF with their bytes, and the full-text index read through an index
// handle of its own.

#include "album_halter.h"
#include "platform/dbf/dbe.h"
#include "platform/fts/fts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>

namespace lxtest {

// Appends one entry per description to the album table through the engine.
inline void EintraegeAnhaengen(const std::filesystem::path& dbf, std::initializer_list<const char*> texte)
{
    const uint16_t vorher = dbe_WorkArea(nullptr);
    ASSERT_NE(dbe_Use(dbf.c_str(), "FUELLEN", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
    for (const char* text : texte) {
        ASSERT_EQ(dbe_AppendBlank(), 1);
        dbe_Replace("SHORTDESC", DBE_REPL_TEXT, text);
    }
    dbe_Commit();
    dbe_Close();
    dbe_Select(vorher);
}

// The files of the album TEST.DBF in `ordner` (name to bytes) but the table
// and its memo file, which another program holding the album may append to.
inline std::map<std::string, std::string> AlbumDateien(const std::filesystem::path& ordner)
{
    std::map<std::string, std::string> dateien;
    for (const auto& eintrag : std::filesystem::directory_iterator(ordner)) {
        const std::string name = eintrag.path().filename().string();
        if (eintrag.is_regular_file() && name.rfind("TEST.", 0) == 0 && name != "TEST.DBF" && name != "TEST.FPT")
            dateien[name] = DateiInhalt(eintrag.path());
    }
    return dateien;
}

// The number of hits of a word in a full-text index file (negative: the
// index's error, kFtsErrNoKeys for an index without entries).
inline int VolltextTreffer(const std::filesystem::path& ia, const char* wort)
{
    const int handle = FtsOpen(ia.c_str(), 20, 0);
    if (handle <= 0)
        return handle;
    const int treffer = FtsSet(handle, wort);
    FtsClose(handle);
    return treffer;
}

// The number of entries of a full-text index file.
inline int VolltextEintraege(const std::filesystem::path& ia)
{
    const int handle = FtsOpen(ia.c_str(), 20, 0);
    if (handle <= 0)
        return handle;
    const int eintraege = FtsNumRecs(handle);
    FtsClose(handle);
    return eintraege;
}

}  // namespace lxtest
