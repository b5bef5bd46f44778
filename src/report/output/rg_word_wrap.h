#pragma once
// Word wrap of memos and word-wrapped labels: the text of one rectangle is
// laid out once, on the measure, into lines; the draw commands carry those
// lines. A call stops when the rectangle is full and says where the next
// rectangle (on the next page) goes on.

#include <QString>
#include <QStringView>

#include <vector>

#include "platform/ui/framework_types.h"
#include "platform/ui/graphics.h"
#include "report/output/rg_text_measure.h"
#include "report/output/rg_types.h"

class TStringList;

// Tab stops, given as integers in thousandths of a millimetre, in pixels of
// Unit (utScreenPixels, or utPrinterPixels of Printer), truncated. Entries
// that are not integers are skipped; other units give no tab stops. The
// table has no fixed size.
std::vector<int> rgTabStopsToPixels(TrgUnitType Unit, const TStringList* Positions, const TObject* Printer);

// The width of a text on the measure with every tab moved on to the next tab
// stop: the smallest stop right of the pen; with a single stop, its
// multiples; without stops, or past the last one, multiples of eight
// average characters. The text is measured word by word (a word ends after
// a blank or at a tab), so a line is as wide as the sum of its words.
double rgTabbedTextWidth(QStringView Text, const TrgTextMeasure& Measure, const std::vector<int>& TabStops);

// True when the text with tabs expanded is wider than Width.
bool rgTextExceedsWidth(QStringView Text, int Width, const TrgTextMeasure& Measure,
                        const std::vector<int>& TabStops);

// The word at Position: up to and including the nearest blank, line feed or
// tab; Position moves past it. Without one, the rest of the text, and
// Position becomes -1.
QString rgGetNextWord(const QString& Text, int& Position);

// S without any occurrence of C.
QString rgRemoveChar(const QString& S, QChar C);

// The number of whole lines of Font, each followed by Leading, that fit in
// Height (thousandths of a millimetre); LineHeight receives the height of
// one line in thousandths.
int rgGetLineMetrics(const TFont& Font, int Leading, int Height, int& LineHeight, TrgTextMeasure& Measure);

// Lays Text out from Position in Rect (thousandths of a millimetre) with
// Font, Leading between lines and the tab stops (thousandths, or none): Lines
// is cleared and receives the lines without trailing blanks and control
// characters. A line breaks after the last word that fits (a word ends after
// a blank, a tab or a line feed; a line feed also ends the paragraph), and a
// line that starts after a wrap loses its leading blanks; blanks alone at a
// wrap make no line, an empty paragraph makes an empty one. With CharWrap a
// word too wide for a line is split into the longest pieces that fit (at
// least one character each) and its rest goes on with the next words;
// without it such a word stands alone on its line.
//
// With LimitToRect only the lines that fit in the rectangle's height are
// made. Position comes back as where the next call must start, counted in
// characters of Text, or -1 when the whole text is laid out (an empty text,
// or a Position past its end, gives -1 at once); a rectangle lower than one
// line leaves it unchanged. Laying a text out rectangle by rectangle gives
// the same lines as one rectangle tall enough for all of them.
void rgWordWrap(const QString& Text, const TRect& Rect, const TFont& Font, int Leading, bool LimitToRect,
                TStringList& Lines, const TStringList* TabStopPositions, TrgTextMeasure& Measure,
                int& Position, bool CharWrap);
