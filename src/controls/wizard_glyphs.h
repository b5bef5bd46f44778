#pragma once
// The glyph bitmaps the wizard's button roles get when the wizard is placed
// on a form in the designer, drawn in code: "HELP", "ASSISTENTOK",
// "FINISH", "DIALOGOK", "CHANGEASSISTENT", "CHANGEDIALOG", "CANCEL",
// "ARROWR" and "ARROWL". Each is a strip of two 16 x 16 glyphs, enabled
// left and disabled right, on olive, the colour the buttons leave out
// (the bottom-left pixel).

#include <QString>

#include "platform/ui/graphics.h"

// Fills bmp with the named glyph strip; false (and bmp untouched) for an
// unknown name.
bool LoadWizardGlyph(const QString& name, TBitmap& bmp);
