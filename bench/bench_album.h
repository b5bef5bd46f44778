#pragma once
// A 100 000-entry album filled through the engine, for the benchmarks of the
// main window and the start-up.

#include "platform/dbf/dbe.h"

#include <cstdlib>
#include <string>

inline constexpr int kBenchAlbumEintraege = 100000;

inline void BenchAlbumFuellen(const std::string& file, int records = kBenchAlbumEintraege)
{
    const uint16_t area = dbe_Use(file.c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX);
    if (area == 0)
        std::abort();
    for (int i = 0; i < records; ++i) {
        dbe_AppendBlank();
        const std::string desc = "Bild " + std::to_string((i * 7919) % records);
        const std::string path = "C:\\Bilder\\Urlaub\\img_" + std::to_string(i) + ".jpg";
        const double bytes = 1000.0 + i;
        const char zugriff = i % 10 ? 'T' : 'F';
        dbe_Replace("SHORTDESC", DBE_REPL_TEXT, desc.c_str());
        dbe_Replace("PFAD", DBE_REPL_TEXT, path.c_str());
        dbe_Replace("SHORTNAME", DBE_REPL_TEXT, std::to_string(i * 31).c_str());
        dbe_Replace("BYTES", DBE_REPL_DOUBLE, &bytes);
        dbe_Replace("AUFNDATUM", DBE_REPL_DTOS, "20240131");
        dbe_Replace("ZUGRIFF", DBE_REPL_LOGICAL, &zugriff);
    }
    dbe_Commit();
    dbe_Close();
}
