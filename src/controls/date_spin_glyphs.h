#pragma once
// The small glyph bitmaps of the date and spin controls, drawn in code:
// the calendar's step buttons ("DateEditPrevMonth", "DateEditNextMonth",
// "DateEditPrevYear", "DateEditNextYear"), the date edit's button faces
// ("DateEditCalendar", "DateEditComboNew", "DateEditComboOld") with the
// enabled glyph left and the disabled one right, and the spin arrows
// ("SW_UPARROW", "SW_DOWNARROW", one glyph each).

#include <QString>

#include "platform/ui/graphics.h"

// Fills bmp with the named glyphs; false (and bmp untouched) for an unknown name.
bool LoadControlGlyphs(const QString& name, TBitmap& bmp);
