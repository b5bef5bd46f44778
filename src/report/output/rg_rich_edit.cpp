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
    std::unique_ptr<QTextDocument> Document;  // the range alone, laid out
    int Start = 0;
    int End = 0;
    int FirstNotFitting = 0;
    double Width = 0;     // layout units
    double Height = 0;    // layout units
    double UsedHeight = 0;  // bottom of the last line that fits, layout units
};

TrgRichEdit::TrgRichEdit(TComponent* AOwner) : TComponent(AOwner), device_(1, 1, QImage::Format_RGB32)
{
    device_.setDotsPerMeterX(kDotsPerMetre);
    device_.setDotsPerMeterY(kDotsPerMetre);
    document_.setUndoRedoEnabled(false);
    PrepareLayout(document_);
}

TrgRichEdit::~TrgRichEdit() = default;

int TrgRichEdit::DevicePixelsPerInch(TrgDirection) const
{
    return rgMeasureUnitsPerInch;
}

void TrgRichEdit::PrepareLayout(QTextDocument& Document) const
{
    Document.documentLayout()->setPaintDevice(const_cast<QImage*>(&device_));
    Document.setDocumentMargin(0);
    Document.setUseDesignMetrics(true);
    QTextOption option = Document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(defaultTabTwips_ * double(rgMeasureUnitsPerInch) / 1440.0);
    Document.setDefaultTextOption(option);
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
    TrgRtfCharState defaults;
    defaults.FontName = font_.Name();
    const TrgRtfReadResult result = rgReadRtf(Data, document_, defaults);
    defaultTabTwips_ = result.DefaultTabTwips;
    PrepareLayout(document_);
    return result;
}

void TrgRichEdit::SaveToStream(TStream& Stream) const
{
    const QByteArray bytes = RichText();
    Stream.WriteBuffer(bytes.constData(), bytes.size());
}

QByteArray TrgRichEdit::RichText() const
{
    return rgWriteRtf(document_, defaultTabTwips_);
}

void TrgRichEdit::SetText(const QString& Text)
{
    document_.clear();
    defaultTabTwips_ = rgRtfDefaultTabTwips;
    PrepareLayout(document_);
    TrgRtfCharState chars;
    chars.FontName = font_.Name();
    chars.HalfPoints = std::max(1, std::abs(font_.Size()) * 2);
    chars.Bold = font_.Style().Contains(fsBold);
    chars.Italic = font_.Style().Contains(fsItalic);
    chars.Underline = font_.Style().Contains(fsUnderline);
    chars.StrikeOut = font_.Style().Contains(fsStrikeOut);
    QString text = Text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    QTextCursor cursor(&document_);
    cursor.setBlockCharFormat(chars.ToFormat());
    cursor.insertText(text, chars.ToFormat());
}

QString TrgRichEdit::Text() const
{
    return document_.toPlainText();
}

void TrgRichEdit::Clear()
{
    SetText(QString());
}

int TrgRichEdit::CharCount() const
{
    return document_.characterCount() - 1;
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

    // The range alone: what follows it is cut off, then what precedes it;
    // the first paragraph keeps its own alignment.
    layout.Document.reset(document_.clone());
    QTextDocument& range = *layout.Document;
    range.setUndoRedoEnabled(false);
    PrepareLayout(range);
    QTextCursor cursor(&range);
    cursor.setPosition(layout.End);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    if (layout.Start > 0) {
        cursor.setPosition(0);
        cursor.setPosition(layout.Start, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        cursor.setBlockFormat(document_.findBlock(layout.Start).blockFormat());
    }
    range.setTextWidth(layout.Width);

    // Lines fit while their bottom stays inside the rectangle; a line that
    // starts at or after the end of the range (the empty line after a final
    // paragraph break) takes no part.
    const int length = layout.End - layout.Start;
    for (QTextBlock block = range.begin(); block.isValid(); block = block.next()) {
        range.documentLayout()->blockBoundingRect(block);  // lays the block out
        const QTextLayout* lines = block.layout();
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            const int position = block.position() + line.textStart();
            if (position >= length) {
                layout.FirstNotFitting = layout.End;
                return layout;
            }
            const double bottom = lines->position().y() + line.y() + line.height();
            if (bottom > layout.Height + kFitTolerance) {
                layout.FirstNotFitting = layout.Start + position;
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
    if (!layout.Document || layout.UsedHeight <= 0 || layout.Height <= 0 || Target.isEmpty())
        return layout.FirstNotFitting;

    Painter.save();
    Painter.translate(Target.topLeft());
    Painter.scale(Target.width() / layout.Width, Target.height() / layout.Height);
    Painter.setClipRect(QRectF(0, 0, layout.Width, layout.Height), Qt::IntersectClip);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, ColorToQColor(font_.Color()));
    // Only lines that lie wholly above the bottom of the last fitting line
    // are drawn, so no line below it reaches the device, clipped or not.
    context.clip = QRectF(0, 0, layout.Width, std::max(0.0, layout.UsedHeight - 0.5));
    layout.Document->documentLayout()->draw(&Painter, context);
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
        fit.AllFits = document_.characterAt(i) == QChar::ParagraphSeparator;
    return fit;
}
