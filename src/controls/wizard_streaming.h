#pragma once
// The wizard in the component stream: its published properties (the page
// names as a string list, the button glyphs as bitmaps, the font), the lists
// it and its containers keep (each as a count value and a binary data block)
// and the values the wizard streams itself after its properties:
//   "HistoryNumPages"  integer, the number of pages in the history
//   "HistoryData"      binary, 4 bytes per page, oldest first (only when any)
//   "FormSize"         binary, 16 bytes: wizard height and width, dialog
//                      height and width
// The page-aware containers stream their bounds, their parents by mode,
// the alignment while shown, their wizard and their position records
// ("ShowContainer.NumApos", "ShowContainer.Data": 12 bytes per page).
// All integers little-endian signed 32 bits.

#include <QString>

class TAssistent;

// Describes the wizard and container classes to the stream (once; later
// calls do nothing).
void DescribeWizardClasses();

// The wizard's design-time texts and glyphs: the language file "Assi.ini"
// in folder, section "Option", key "Language" (default "english") names the
// section of the texts; each button role gets its glyph (wizard_glyphs.h).
// The button roles are then enabled and shown (all but Help and the wizard
// OK), Next with its glyph on the right. A missing file or key leaves the
// English default texts.
void LoadWizardDesignTexts(TAssistent& wizard, const QString& folder);
