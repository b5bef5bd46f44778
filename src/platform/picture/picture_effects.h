#pragma once
// The effect copies of the image object library (copy mode 400) and the
// rotation by any angle (copy mode 30 with an angle other than 90, 180 or
// 270). Each makes a new picture and leaves the source as it is; a null
// result means failure.

#include <QColor>

#include "platform/picture/picture_io.h"

// Effect codes.
enum TPicEffect : int {
    peBrightness = 700, peContrast = 710, peInvert = 720,
    peSmooth = 800, peSmoothMore = 810, peBlur = 820, peSharpen = 830, peDetail = 840,
    peEdgeEnhance = 860, peEdgeEnhanceMore = 870, peFindEdge = 880, peContour = 890,
};

// Channel mask of an effect: red 1, green 2, blue 4.
inline constexpr int kChannelRed = 1, kChannelGreen = 2, kChannelBlue = 4;

// True for the filter effects (800 .. 890), which need a 24-bit picture.
bool IsFilterEffect(int code);

// Applies an effect to the channels of `channels`. Brightness takes its
// parameter -100 .. 100 as the share of the full scale added; contrast
// -100 .. 100 as the change of the spread around the middle grey. The
// point effects (brightness, contrast, invert) keep an indexed picture
// indexed by changing its colour table; the filters need 24 bits per pixel
// and fail on any other picture.
TPicImage PicApplyEffect(const TPicImage& src, int code, int channels, int parameter);

// Turns the picture clockwise by `degrees`. With `clip` the picture keeps
// its size and the turned corners are cut off; without, it grows to hold
// the whole turned picture. Uncovered area takes `back`.
TPicImage PicRotateAny(const TPicImage& src, double degrees, bool clip, QColor back);
