#pragma once
// The ellipsis and combo buttons of the grid's cells and the edit controls,
// and the focus frame of the grid's current cell.

#include "platform/ui/framework_types.h"

class TCanvas;

// Style 2 with bit 7 of State clear draws flat.
void dkDrawEllipsisButton(TCanvas* Canvas, const TRect& Rect, int Style, int State);
void dkDrawComboButton(TCanvas* Canvas, const TRect& Rect, bool Pressed, int State, bool Enabled);
// The focus frame: a dotted line along the inside of the rectangle that
// inverts the pixels under it, so it shows on every cell colour.
void dkDrawFocusRect(TCanvas* Canvas, const TRect& Rect);
