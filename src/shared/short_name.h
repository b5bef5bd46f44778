#pragma once
// The short name of a picture path: the album's field ShortName and its tag
// "Shortname" hold it, and the picture intake, the short-name repair and the
// renames compute it the same way, so equal paths in any case give the same
// short name.
//
// It is the standard CRC-32 (the one zlib computes) over the Windows-1252
// bytes of the trimmed path upper-cased with the umlaut rules of
// GrossMitUmlauten, written as signed 32-bit decimal text: at most 11
// characters ("-2147483648"), the width of the field.

#include <QString>

// Raises EEncodingError for a path Windows-1252 cannot hold (callers test
// Win1252CanEncode first and skip such a picture).
QString StringToCRC32(const QString& path);
