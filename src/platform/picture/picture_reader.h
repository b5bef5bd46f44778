#pragma once
// The image file reader library: file information from a picture's own
// header and readers that turn a file into a bitmap at a wanted colour
// depth. Every call returns a 16-bit result: 1 is success, 0 or less a
// failure whose text ImgErrorText gives.

#include <QImage>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>

struct TScanSource;
class TScanSession;

// Result codes (failures are the negated library error numbers - 1000).
inline constexpr int16_t kImgOk = 1;
inline constexpr int16_t kImgBusy = -100;
inline constexpr int16_t kImgNoScanner = -101;
inline constexpr int16_t kImgScanFailed = -102;

struct TImgFileInfo {
    QString Type;          // at most 3 characters: "JPG", "TIF", ...
    int16_t Width = 0;
    int16_t Height = 0;
    int16_t BitsPerPixel = 0;
    int16_t Pages = 0;
    int16_t Resolution = 0;  // dots per inch, 0 when the file gives none
    QString Description;     // at most 255 characters
};

// Header information of a file (not decoded). Description: format name,
// bits per pixel and colour count (2^bits, counted in 64 bits).
int16_t ImgFileInfoRead(const QString& fileName, TImgFileInfo& info);

// Reads a picture file at a colour depth: 0 as stored, 1, 4, 8 or 24 bits
// per pixel, dithered when `dither`. The format is taken from the file's own
// bytes (the reader named for the extension reads whatever the file is).
int16_t ImgReadFile(const QString& fileName, int resolution, bool dither, QImage& bitmap);

// Scanning through SANE (platform/picture/picture_scanner.h): one picture
// from the chosen source at a colour depth; kImgNoScanner when SANE finds
// no source, kImgScanFailed when the scan fails. The source selection lets
// the chooser pick among the sources found (without one, the first is
// taken); cancelling it changes nothing. A call made while another runs
// answers kImgBusy. SANE sources have no window of their own: with
// `showSourceWindow` the settings window (built by the caller from the
// source's option descriptors) is shown on the open source before the
// scan; cancelling it cancels the scan (kImgScanFailed).
using TScanSourceChooser = std::function<bool(const QList<TScanSource>& sources, QString& chosen)>;
using TScanSettingsWindow = std::function<bool(TScanSession& session)>;
int16_t ImgTwainScan(bool showSourceWindow, int resolution, bool dither, QImage& bitmap,
                     const TScanSettingsWindow& settingsWindow = {});
int16_t ImgTwainSelectSource(const TScanSourceChooser& chooser = {});

// The text of a result code, taken as an unsigned 16-bit number.
QString ImgErrorText(int16_t result);
