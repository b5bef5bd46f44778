#include "platform/picture/picture_headers.h"

#include <cstdint>
#include <cstdlib>

namespace {

uint16_t U16(const QByteArray& b, int at)
{
    return uint16_t(uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8));
}

int16_t S16(const QByteArray& b, int at)
{
    return int16_t(U16(b, at));
}

}  // namespace

bool ReadWmfHeaderSize(const QByteArray& head, THeaderSize& size)
{
    // Key (4), handle (2), left, top, right, bottom (2 each), inch (2).
    if (head.size() < 22 || uint8_t(head[0]) != 0xD7 || uint8_t(head[1]) != 0xCD || uint8_t(head[2]) != 0xC6 ||
        uint8_t(head[3]) != 0x9A)
        return false;
    const int left = S16(head, 6), top = S16(head, 8), right = S16(head, 10), bottom = S16(head, 12);
    const int inch = U16(head, 14);
    if (inch == 0)
        return false;
    const int64_t w = std::abs(int64_t(right) - left), h = std::abs(int64_t(bottom) - top);
    if (w == 0 || h == 0)
        return false;
    // Round half up: the sizes are positive.
    size.Width = int((w * 96 + inch / 2) / inch);
    size.Height = int((h * 96 + inch / 2) / inch);
    size.BitsPerPixel = 24;
    return size.Width > 0 && size.Height > 0;
}

bool ReadIcoHeaderSize(const QByteArray& head, THeaderSize& size)
{
    if (head.size() < 6 || U16(head, 0) != 0 || U16(head, 2) != 1)
        return false;
    const int count = U16(head, 4);
    if (count == 0)
        return false;
    int64_t best = 0;
    for (int i = 0; i < count; ++i) {
        const int at = 6 + i * 16;
        if (at + 16 > head.size())
            break;
        const int w = uint8_t(head[at]) == 0 ? 256 : uint8_t(head[at]);
        const int h = uint8_t(head[at + 1]) == 0 ? 256 : uint8_t(head[at + 1]);
        const int bits = U16(head, at + 6);
        if (int64_t(w) * h > best) {
            best = int64_t(w) * h;
            size.Width = w;
            size.Height = h;
            size.BitsPerPixel = bits;
        }
    }
    return best > 0;
}
