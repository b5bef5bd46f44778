#pragma once
// The general routines in one include: path parts and texts, day numbers and
// the stopwatch, files, folders and drives, system and version.

#include "shared/general_dates.h"
#include "shared/general_files.h"
#include "shared/general_system.h"
#include "shared/general_texts.h"
