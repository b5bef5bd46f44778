#pragma once
// The program's pixel limits. A picture is measured from its header before
// any pixel buffer is made; one beyond these limits is refused, so a header
// that claims 100 000 x 100 000 pixels never makes the program allocate.

#include <cstdint>

inline constexpr int64_t kMaxPictureSide = 30000;
inline constexpr int64_t kMaxPicturePixels = 120'000'000;  // 480 MB as 32-bit pixels

// True when a picture of that size may be decoded.
inline bool PictureSizeAllowed(int64_t width, int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}
