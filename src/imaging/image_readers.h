#pragma once
// The reader layer over the image file reader library: one function per
// call, true on success; a failure shows the library's error text in an
// error box with an OK button. Bitmaps go into the caller's TBitmap.

#include <QString>

#include "platform/picture/picture_reader.h"

class TBitmap;

bool ReaderFileInfo(const QString& fileName, TImgFileInfo& info);
// Reads a picture file at a colour depth (0, 1, 4, 8 or 24 bits).
bool ReaderReadFile(const QString& fileName, int resolution, bool dither, TBitmap* bitmap);
bool ReaderTwainScan(bool showSourceWindow, int resolution, bool dither, TBitmap* bitmap);
bool ReaderTwainSelectSource();
