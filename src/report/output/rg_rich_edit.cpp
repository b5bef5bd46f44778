#include "report/output/rg_rich_edit.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

#include "platform/core/streams.h"
#include "platform/core/win1252.h"
#include "report/output/rg_rtf_writer.h"
#include "report/output/rg_text_measure.h"

namespace {

constexpr int kDotsPerMetre = int(rgMeasureUnitsPerInch / 0.0254 + 0.5);
// Lines whose bottom lies this little below the rectangle still fit; line
// heights are fractions of a layout unit.
constexpr double kFitTolerance = 1e-3;

}  // namespace

struct TrgRichEdit::RangeLayout {
    // What is laid out: the rich edit's own document, or a copy of the range
    // alone (Owned) when the range starts or ends inside a line.
    const QTextDocument* Source = nullptr;
    std::unique_ptr<QTextDocument> Owned;
    int Offset = 0;       // position in the text of position 0 of Source
    double Top = 0;       // top of the range's first line in Source, layout units
    int Start = 0;
    int End = 0;
    int FirstNotFitting = 0;
    double Width = 0;       // layout units
    double Height = 0;      // layout units
    double UsedHeight = 0;  // from Top to the bottom of the last line that fits
};

TrgRichEdit::TrgRichEdit(TComponent* AOwner) : TComponent(AOwner), device_(1, 1, QImage::Format_RGB32)
{
    device_.setDotsPerMeterX(kDotsPerMetre);
    device_.setDotsPerMeterY(kDotsPerMetre);
    SetDocument(std::make_unique<QTextDocument>(), rgRtfDefaultTabTwips);
}

TrgRichEdit::~TrgRichEdit() = default;

int TrgRichEdit::DevicePixelsPerInch(TrgDirection) const
{
    return rgMeasureUnitsPerInch;
}

void TrgRichEdit::PrepareLayout(QTextDocument& Document) const
{
    Document.setUndoRedoEnabled(false);
    Document.documentLayout()->setPaintDevice(const_cast<QImage*>(&device_));
    Document.setDocumentMargin(0);
    Document.setUseDesignMetrics(true);
    QTextOption option = Document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(defaultTabTwips_ * double(rgMeasureUnitsPerInch) / 1440.0);
    Document.setDefaultTextOption(option);
}

// A document is filled before it gets its layout: a layout would follow
// every insertion.
void TrgRichEdit::SetDocument(std::unique_ptr<QTextDocument> Document, int DefaultTabTwips)
{
    defaultTabTwips_ = DefaultTabTwips;
    PrepareLayout(*Document);
    document_ = std::move(Document);
    loadedRichText_.clear();
}

TrgRtfReadResult TrgRichEdit::LoadFromStream(TStream& Stream)
{
    return LoadFromBytes(Stream.ReadAll());
}

TrgRtfReadResult TrgRichEdit::LoadFromBytes(QByteArrayView Data)
{
    if (!rgIsRichText(Data)) {
        SetText(DecodeTextFile(Data));
        return {};
    }
    if (!loadedRichText_.isEmpty() && Data == loadedRichText_ && font_.Name() == loadedFontName_)
        return loadedResult_;
    TrgRtfCharState defaults;
    defaults.FontName = font_.Name();
    auto document = std::make_unique<QTextDocument>();
    document->setUndoRedoEnabled(false);
    const TrgRtfReadResult result = rgReadRtf(Data, *document, defaults);
    SetDocument(std::move(document), result.DefaultTabTwips);
    loadedRichText_ = Data.toByteArray();
    loadedFontName_ = defaults.FontName;
    loadedResult_ = result;
    return result;
}

void TrgRichEdit::SaveToStream(TStream& Stream) const
{
    const QByteArray bytes = RichText();
    Stream.WriteBuffer(bytes.constData(), bytes.size());
}

QByteArray TrgRichEdit::RichText() const
{
    return rgWriteRtf(*document_, defaultTabTwips_);
}

void TrgRichEdit::SetText(const QString& Text)
{
    TrgRtfCharState chars;
    chars.FontName = font_.Name();
    chars.HalfPoints = std::max(1, std::abs(font_.Size()) * 2);
    chars.Bold = font_.Style().Contains(fsBold);
    chars.Italic = font_.Style().Contains(fsItalic);
    chars.Underline = font_.Style().Contains(fsUnderline);
    chars.StrikeOut = font_.Style().Contains(fsStrikeOut);
    QString text = Text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    auto document = std::make_unique<QTextDocument>();
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document.get());
    cursor.setBlockCharFormat(chars.ToFormat());
    cursor.insertText(text, chars.ToFormat());
    SetDocument(std::move(document), rgRtfDefaultTabTwips);
}

QString TrgRichEdit::Text() const
{
    return document_->toPlainText();
}

void TrgRichEdit::Clear()
{
    SetText(QString());
}

int TrgRichEdit::CharCount() const
{
    return document_->characterCount() - 1;
}

// Whether a line of the rich edit's own layout starts at Position.
bool TrgRichEdit::IsLineStart(int Position) const
{
    const QTextBlock block = document_->findBlock(Position);
    if (!block.isValid())
        return false;
    document_->documentLayout()->blockBoundingRect(block);  // lays the block out
    const QTextLine line = block.layout()->lineForTextPosition(Position - block.position());
    return line.isValid() && line.textStart() == Position - block.position();
}

TrgRichEdit::RangeLayout TrgRichEdit::LayOut(int Start, int End, const TRect& mmRect) const
{
    RangeLayout layout;
    const int count = CharCount();
    layout.Start = std::clamp(Start, 0, count);
    layout.End = End < 0 || End > count ? count : std::max(End, layout.Start);
    layout.FirstNotFitting = layout.Start;
    layout.Width = rgFromMMThousandths(std::max(0, mmRect.Width()), utPrinterPixels, rgHorizontal, this);
    layout.Height = rgFromMMThousandths(std::max(0, mmRect.Height()), utPrinterPixels, rgVertical, this);
    if (layout.End == layout.Start || layout.Width <= 0)
        return layout;

    if (document_->textWidth() != layout.Width)
        document_->setTextWidth(layout.Width);
    const bool endsWithALine = layout.End == count || document_->characterAt(layout.End) == QChar::ParagraphSeparator
                               || IsLineStart(layout.End);
    if (IsLineStart(layout.Start) && endsWithALine) {
        layout.Source = document_.get();
    } else {
        // The range alone: what follows it is cut off, then what precedes
        // it; the first paragraph keeps its own alignment.
        layout.Owned.reset(document_->clone());
        QTextDocument& range = *layout.Owned;
        PrepareLayout(range);
        QTextCursor cursor(&range);
        cursor.setPosition(layout.End);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        if (layout.Start > 0) {
            cursor.setPosition(0);
            cursor.setPosition(layout.Start, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            cursor.setBlockFormat(document_->findBlock(layout.Start).blockFormat());
        }
        range.setTextWidth(layout.Width);
        layout.Source = &range;
        layout.Offset = layout.Start;
    }

    // Lines fit while their bottom stays inside the rectangle; a line that
    // starts at or after the end of the range (the empty line after a final
    // paragraph break) takes no part.
    const QTextDocument& source = *layout.Source;
    QTextBlock block = source.findBlock(layout.Start - layout.Offset);
    source.documentLayout()->blockBoundingRect(block);
    int first = block.layout()->lineForTextPosition(layout.Start - layout.Offset - block.position()).lineNumber();
    bool top = true;
    for (; block.isValid(); block = block.next(), first = 0) {
        source.documentLayout()->blockBoundingRect(block);  // lays the block out
        const QTextLayout* lines = block.layout();
        for (int i = std::max(first, 0); i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            const int position = layout.Offset + block.position() + line.textStart();
            if (position >= layout.End) {
                layout.FirstNotFitting = layout.End;
                return layout;
            }
            const double y = lines->position().y() + line.y();
            if (top) {
                layout.Top = y;
                top = false;
            }
            const double bottom = y + line.height() - layout.Top;
            if (bottom > layout.Height + kFitTolerance) {
                layout.FirstNotFitting = position;
                return layout;
            }
            layout.UsedHeight = bottom;
        }
    }
    layout.FirstNotFitting = layout.End;
    return layout;
}

int TrgRichEdit::FormatRange(int Start, int End, const TRect& mmRect) const
{
    return LayOut(Start, End, mmRect).FirstNotFitting;
}

int TrgRichEdit::PaintRange(QPainter& Painter, const QRectF& Target, int Start, int End, const TRect& mmRect) const
{
    const RangeLayout layout = LayOut(Start, End, mmRect);
    if (!layout.Source || layout.UsedHeight <= 0 || layout.Height <= 0 || Target.isEmpty())
        return layout.FirstNotFitting;

    Painter.save();
    Painter.translate(Target.topLeft());
    Painter.scale(Target.width() / layout.Width, Target.height() / layout.Height);
    Painter.translate(0, -layout.Top);
    Painter.setClipRect(QRectF(0, layout.Top, layout.Width, layout.Height), Qt::IntersectClip);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, ColorToQColor(font_.Color()));
    // Only the lines of the range that fit are drawn: the layout skips every
    // line that lies outside the clip, so none above or below reaches the
    // device, clipped or not.
    context.clip = QRectF(0, layout.Top + 0.5, layout.Width, std::max(0.0, layout.UsedHeight - 1));
    layout.Source->documentLayout()->draw(&Painter, context);
    Painter.restore();
    return layout.FirstNotFitting;
}

TrgRichTextFit TrgRichEdit::FitRange(int Start, int End, const TRect& mmRect) const
{
    const RangeLayout layout = LayOut(Start, End, mmRect);
    TrgRichTextFit fit;
    fit.LastFittingChar = layout.FirstNotFitting - 1;
    if (layout.FirstNotFitting >= layout.End) {
        fit.AllFits = true;
        fit.mmUsedHeight =
            rgToMMThousandths(utPrinterPixels, rgVertical, this, float(std::ceil(layout.UsedHeight - kFitTolerance)));
        return fit;
    }
    fit.mmUsedHeight = std::max(0, mmRect.Height());
    // Nothing but paragraph breaks left over: nothing is lost by ending here.
    fit.AllFits = true;
    for (int i = layout.FirstNotFitting; i < layout.End && fit.AllFits; ++i)
        fit.AllFits = document_->characterAt(i) == QChar::ParagraphSeparator;
    return fit;
}
