#pragma once
// Sizes read from the headers of the two formats whose size the program
// takes from the file itself rather than from a decoded picture: Windows
// metafiles (the placeable header's bounding box and units per inch) and
// icons (the largest entry of the icon directory).

#include <QByteArray>

struct THeaderSize {
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 0;  // 0 when the header does not tell
};

// A placeable metafile: bounding box in metafile units, converted to pixels
// at 96 dots per inch. False for a plain metafile (no size in its header)
// and for a damaged header.
bool ReadWmfHeaderSize(const QByteArray& head, THeaderSize& size);
// An icon directory: the entry with the most pixels (a width or height byte
// of 0 means 256). False when the directory is damaged or empty.
bool ReadIcoHeaderSize(const QByteArray& head, THeaderSize& size);
