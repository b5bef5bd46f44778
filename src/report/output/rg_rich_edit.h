#pragma once
// The report engine's rich edit: holds one rich text, lays it out at the
// engine's layout resolution (rgMeasureUnitsPerInch) and formats character
// ranges into rectangles. A range is laid out as if it began a page: the
// first character starts a line, characters before it and from its end on
// take no part. Measuring and painting lay out alike, so every device (the
// preview, a PDF, a printer at any resolution) shows the same lines; a device
// only scales.
//
// Character positions count every character of the text and one for each
// paragraph break; the text has CharCount() positions, the final paragraph
// having no break of its own.

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QTextDocument>

#include <memory>

#include "platform/ui/component.h"
#include "platform/ui/framework_types.h"
#include "platform/ui/graphics.h"
#include "report/output/rg_rtf_reader.h"
#include "report/output/rg_units.h"

class QPainter;
class TStream;

// How much of a character range fits into a rectangle.
struct TrgRichTextFit {
    // The whole range fits, or all that is left over are paragraph breaks.
    bool AllFits = false;
    // The last character that fits: End - 1 when all of the range fits, the
    // character before the first that does not otherwise (Start - 1 when
    // not even the first line fits).
    int LastFittingChar = -1;
    // Height taken, thousandths of a millimetre: what the fitting lines take
    // when all of the range fits, else the whole rectangle.
    int mmUsedHeight = 0;
};

class TrgRichEdit : public TComponent, public TrgDeviceResolution {
public:
    explicit TrgRichEdit(TComponent* AOwner = nullptr);
    ~TrgRichEdit() override;

    // Lengths of a layout rectangle convert at the layout resolution.
    int DevicePixelsPerInch(TrgDirection) const override;

    // The font of plain text and of rich text that names none; its colour is
    // the colour of text without a colour of its own.
    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }

    // Loads the bytes from the stream's position to its end: rich text when
    // they start with "{\rtf", else plain text (Windows-1252, or UTF-8 after
    // a byte order mark) in Font. Damaged rich text loads what can be read.
    // Loading the rich text that is loaded already keeps the text and its
    // layout (a draw command loads its text every time it paints).
    TrgRtfReadResult LoadFromStream(TStream& Stream);
    TrgRtfReadResult LoadFromBytes(QByteArrayView Data);
    // Writes the text as rich text at the stream's position.
    void SaveToStream(TStream& Stream) const;
    QByteArray RichText() const;

    // Plain text in Font.
    void SetText(const QString& Text);
    // The text, paragraphs separated by "\n" (non-breaking spaces as spaces).
    QString Text() const;
    void Clear();
    // Number of character positions (see above).
    int CharCount() const;
    const QTextDocument& Document() const { return *document_; }

    // The range [Start, End) laid out in a rectangle the size of mmRect
    // (thousandths of a millimetre): the position of the first character
    // that does not fit, End when all fit. End -1 or past the text stands
    // for the end of the text; Start is held within the text.
    int FormatRange(int Start, int End, const TRect& mmRect) const;
    // The same, and paints the lines that fit into Target, the place of
    // mmRect on Painter's device (its size in that device's units). Text
    // outside the range or below the last line that fits is not drawn.
    int PaintRange(QPainter& Painter, const QRectF& Target, int Start, int End, const TRect& mmRect) const;
    // How much of the range fits, for splitting a text across pages.
    TrgRichTextFit FitRange(int Start, int End, const TRect& mmRect) const;

private:
    struct RangeLayout;
    RangeLayout LayOut(int Start, int End, const TRect& mmRect) const;
    void PrepareLayout(QTextDocument& Document) const;
    void SetDocument(std::unique_ptr<QTextDocument> Document, int DefaultTabTwips);
    bool IsLineStart(int Position) const;

    TFont font_;
    QImage device_;
    // The text, laid out at the width of the last range asked for: ranges
    // that start and end where its lines do are measured and painted from
    // this layout, so paging through a long text lays it out once.
    std::unique_ptr<QTextDocument> document_;
    int defaultTabTwips_ = rgRtfDefaultTabTwips;
    // The rich text the document was read from, with the font name it was
    // read with, and what reading it gave; empty after any other change.
    QByteArray loadedRichText_;
    QString loadedFontName_;
    TrgRtfReadResult loadedResult_;
};
