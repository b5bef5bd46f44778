// Engine-wide settings (the dbe_Set... calls), read by every work area.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/dbf/field_codec.h"

namespace dbf {

struct EngineSettings {
    bool exact = false;
    bool softSeek = false;
    bool deleted = false;       // hide deleted records
    DateSettings date;          // American, two-digit years until set
    int lockTimeout = 1;        // seconds
    std::uint32_t memoBlockSize = 64;
    int stringType = 1;
    int errorLevel = 1;
    bool translate = false;     // recorded only: no conversion
    std::string password;       // recorded only: no encryption
    unsigned char sortWeights[256] = {};
    bool sortWeightsSet = false;
    // Queries take what they can from the open index tags; off, every
    // record is evaluated (the two give the same bits).
    bool queryFromIndexes = true;
    // A query that lets at most this many records through is sorted by the
    // keys of a tag order once instead of walking the tag.
    std::uint32_t sparseOrderLimit = 4096;
    // A query whose tags leave at most this many records that may pass keeps
    // them as a list of record numbers besides its bits (planning, the
    // evaluation and the count then visit only those); 0: bits alone.
    std::uint32_t queryListLimit = 1024;
    std::function<void(std::uint32_t, std::uint32_t)> gauge;
};

EngineSettings& Settings();

}  // namespace dbf
