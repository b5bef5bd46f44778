#pragma once
// Rich text format into a QTextDocument: the part of the format that report
// texts are stored in. Groups, the font and colour tables, bold, italic,
// underline, strike-out, size, font, colour, paragraphs, tabs, line breaks,
// paragraph alignment, \'hh escapes in Windows-1252, \uN with its fallback
// (\ucN) and the default tab width are read; every other control word is
// passed over and ignorable destinations ({\* ...}) and the known non-text
// destinations (style sheet, document information, pictures, headers, field
// instructions, ...) are skipped whole.
//
// Reading is best effort and never fails: damaged input keeps what could be
// read. Nesting deeper than rgRtfMaxGroupDepth keeps its text in the
// formatting of the deepest group kept; a truncated document ends where the
// bytes end; text after the closing brace of the outer group is ignored;
// \binN skips N bytes, at most the bytes that are left. Nothing is allocated
// by a number read from the input.
//
// Character formats hold the font by its printer name (the name the engine
// lays out with, see rgGetPrinterFontName) and keep the name of the document
// in a property of their own, so writing gives back the name that was read.
// Sizes are whole pixels at the layout resolution (rgMeasureUnitsPerInch),
// as every other report text is measured.

#include <QByteArrayView>
#include <QColor>
#include <QString>
#include <QTextCharFormat>

#include <optional>

class QTextDocument;

// Groups nested deeper than this share the formatting of the deepest kept.
constexpr int rgRtfMaxGroupDepth = 100;

// The formatting of characters as the format describes it.
struct TrgRtfCharState {
    QString FontName;        // as the document names it
    int HalfPoints = 24;     // \fs: size in half points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    std::optional<QColor> Color;  // none: the automatic (default) text colour

    bool operator==(const TrgRtfCharState&) const = default;

    QTextCharFormat ToFormat() const;
    static TrgRtfCharState FromFormat(const QTextCharFormat& Format);
};

// The property of a character format that keeps the document's font name.
constexpr int rgRtfFontNameProperty = QTextFormat::UserProperty + 1;

// Pixel size at the layout resolution of a size in half points, and back.
int rgHalfPointsToLayoutPixels(int HalfPoints);
int rgLayoutPixelsToHalfPoints(int Pixels);

// Default tab width in twips when the document sets none (half an inch).
constexpr int rgRtfDefaultTabTwips = 720;

struct TrgRtfReadResult {
    bool Complete = true;     // false: input ended inside a group
    bool TooDeep = false;     // groups nested deeper than rgRtfMaxGroupDepth
    int DefaultTabTwips = rgRtfDefaultTabTwips;
};

// True when Data is rich text: it starts with "{\rtf".
bool rgIsRichText(QByteArrayView Data);

// Replaces Document's content with the rich text of Data. Characters without
// a font in the document get Defaults' font; Data need not start with
// "{\rtf" (the caller decides what it loads as rich text).
TrgRtfReadResult rgReadRtf(QByteArrayView Data, QTextDocument& Document,
                           const TrgRtfCharState& Defaults = TrgRtfCharState());
