#pragma once
// Whether a picture file's data decodes whole. Qt's JPEG reader fills what it
// cannot decode with grey and reports success; this check runs the JPEG
// decoder over the whole entropy-coded data (at 1/8 scale, so it costs little)
// and counts the decoder's warnings that mean lost picture data.

#include <QString>

struct TPicError;

// False with peCorrupt when the file is a JPEG whose data is cut short or
// damaged (premature end, bad Huffman codes, a marker hit inside the data,
// lost restart markers) or that the decoder refuses. Every other file, and a
// file that cannot be opened, gives true: other steps report those.
bool PicDataComplete(const QString& fileName, TPicError& err);
