#include "platform/picture/picture_effects.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/picture/picture_limits.h"

namespace {

struct TKernel {
    std::array<int, 25> Weights;  // 5 x 5, row by row; 3 x 3 kernels sit in the middle
    int Divisor;
    int Offset;
};

// The classic filter kernels.
TKernel KernelOf(int code)
{
    auto k3 = [](std::array<int, 9> w, int divisor, int offset) {
        TKernel k{{}, divisor, offset};
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x)
                k.Weights[size_t((y + 1) * 5 + x + 1)] = w[size_t(y * 3 + x)];
        return k;
    };
    switch (code) {
    case peSmooth: return k3({1, 1, 1, 1, 5, 1, 1, 1, 1}, 13, 0);
    case peSmoothMore:
        return {{1, 1, 1, 1, 1, 1, 5, 5, 5, 1, 1, 5, 44, 5, 1, 1, 5, 5, 5, 1, 1, 1, 1, 1, 1}, 100, 0};
    case peBlur: return {{1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1}, 16, 0};
    case peSharpen: return k3({-2, -2, -2, -2, 32, -2, -2, -2, -2}, 16, 0);
    case peDetail: return k3({0, -1, 0, -1, 10, -1, 0, -1, 0}, 6, 0);
    case peEdgeEnhance: return k3({-1, -1, -1, -1, 10, -1, -1, -1, -1}, 2, 0);
    case peEdgeEnhanceMore: return k3({-1, -1, -1, -1, 9, -1, -1, -1, -1}, 1, 0);
    case peFindEdge: return k3({-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1, 0);
    case peContour: return k3({-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1, 255);
    default: return k3({0, 0, 0, 0, 1, 0, 0, 0, 0}, 1, 0);
    }
}

int Clamp255(double v)
{
    return std::clamp(int(std::lround(v)), 0, 255);
}

// One point effect on one channel value.
int PointEffect(int code, int value, int parameter)
{
    switch (code) {
    case peBrightness: return Clamp255(value + parameter * 255.0 / 100.0);
    case peContrast: return Clamp255(128 + (value - 128) * (100.0 + parameter) / 100.0);
    case peInvert: return 255 - value;
    default: return value;
    }
}

QRgb PointEffectRgb(QRgb c, int code, int channels, int parameter)
{
    const int r = channels & kChannelRed ? PointEffect(code, qRed(c), parameter) : qRed(c);
    const int g = channels & kChannelGreen ? PointEffect(code, qGreen(c), parameter) : qGreen(c);
    const int b = channels & kChannelBlue ? PointEffect(code, qBlue(c), parameter) : qBlue(c);
    return qRgba(r, g, b, qAlpha(c));
}

QImage Convolve(const QImage& src, const TKernel& k, int channels)
{
    QImage in = src.convertToFormat(QImage::Format_RGB32);
    QImage out = in.copy();
    const int w = in.width(), h = in.height();
    for (int y = 0; y < h; ++y) {
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int sum[3] = {0, 0, 0};
            for (int ky = 0; ky < 5; ++ky) {
                const auto* row = reinterpret_cast<const QRgb*>(in.constScanLine(std::clamp(y + ky - 2, 0, h - 1)));
                for (int kx = 0; kx < 5; ++kx) {
                    const int weight = k.Weights[size_t(ky * 5 + kx)];
                    if (weight == 0)
                        continue;
                    const QRgb c = row[std::clamp(x + kx - 2, 0, w - 1)];
                    sum[0] += weight * qRed(c);
                    sum[1] += weight * qGreen(c);
                    sum[2] += weight * qBlue(c);
                }
            }
            const QRgb old = dst[x];
            auto value = [&](int i) { return Clamp255(double(sum[i]) / k.Divisor + k.Offset); };
            dst[x] = qRgb(channels & kChannelRed ? value(0) : qRed(old), channels & kChannelGreen ? value(1) : qGreen(old),
                          channels & kChannelBlue ? value(2) : qBlue(old));
        }
    }
    return out;
}

TPicImage Made(const TPicImage& src, const QImage& pixels, int bits)
{
    TPicImage r = src;
    r.Pixels = pixels;
    r.BitsPerPixel = bits;
    r.SourceWidth = pixels.width();
    r.SourceHeight = pixels.height();
    return r;
}

}  // namespace

bool IsFilterEffect(int code)
{
    return code >= peSmooth && code <= peContour;
}

TPicImage PicApplyEffect(const TPicImage& src, int code, int channels, int parameter)
{
    if (src.IsNull())
        return TPicImage();
    if (code == peBrightness || code == peContrast || code == peInvert) {
        QImage img = src.Pixels;
        if (img.format() == QImage::Format_Indexed8 || img.format() == QImage::Format_Mono ||
            img.format() == QImage::Format_MonoLSB) {
            QList<QRgb> table = img.colorTable();
            for (QRgb& c : table)
                c = PointEffectRgb(c, code, channels, parameter);
            img.setColorTable(table);
            return Made(src, img, src.BitsPerPixel);
        }
        if (img.format() == QImage::Format_Grayscale8) {
            // A grey picture has one channel: any ticked channel changes it.
            if (channels & (kChannelRed | kChannelGreen | kChannelBlue))
                for (int y = 0; y < img.height(); ++y) {
                    uchar* line = img.scanLine(y);
                    for (int x = 0; x < img.width(); ++x)
                        line[x] = uchar(PointEffect(code, line[x], parameter));
                }
            return Made(src, img, src.BitsPerPixel);
        }
        img = img.convertToFormat(img.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                line[x] = PointEffectRgb(line[x], code, channels, parameter);
        }
        return Made(src, img, src.BitsPerPixel);
    }
    if (!IsFilterEffect(code) || src.BitsPerPixel < 24)
        return TPicImage();
    return Made(src, Convolve(src.Pixels, KernelOf(code), channels), 24);
}

TPicImage PicRotateAny(const TPicImage& src, double degrees, bool clip, QColor back)
{
    if (src.IsNull())
        return TPicImage();
    const int w = src.Pixels.width(), h = src.Pixels.height();
    const QTransform turn = QTransform().rotate(degrees);
    const QRectF turned = turn.mapRect(QRectF(0, 0, w, h));
    const int nw = clip ? w : std::max(1, int(std::ceil(turned.width() - 1e-6)));
    const int nh = clip ? h : std::max(1, int(std::ceil(turned.height() - 1e-6)));
    if (!PictureSizeAllowed(nw, nh))
        return TPicImage();
    const bool alpha = src.Pixels.hasAlphaChannel();
    QImage out(nw, nh, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    out.fill(back);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(nw / 2.0, nh / 2.0);
    p.rotate(degrees);
    p.translate(-w / 2.0, -h / 2.0);
    p.drawImage(0, 0, src.Pixels);
    p.end();
    return Made(src, out, alpha ? 32 : 24);
}
