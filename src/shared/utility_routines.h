#pragma once
// The utility routines in one include: paths, tokens, masks and strings;
// files, folders and volumes; shell and processes; fonts, graphics and
// controls.

#include "shared/utility_files.h"
#include "shared/utility_graphics.h"
#include "shared/utility_shell.h"
#include "shared/utility_strings.h"
