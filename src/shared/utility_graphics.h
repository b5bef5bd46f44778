#pragma once
// Fonts in ini files, shortening a path to a width, fitting a graphic into a
// rectangle and small control helpers of the utility unit, over the
// component framework of platform/ui.

#include <QString>

#include "platform/core/exceptions.h"
#include "platform/ui/control.h"
#include "platform/ui/graphics.h"

class TDuplicateComponent : public Exception {
public:
    using Exception::Exception;
};

class TFormNotOwner : public Exception {
public:
    using Exception::Exception;
};

// A font's style as ini files hold it: the letters "B", "I", "U", "S" in
// this order; reading takes every letter it finds and ignores the rest.
QString FontStyleLetters(const TFontStyles& styles);
TFontStyles FontStylesFromLetters(const QString& letters);

// Writes prefix + "_Name", "_Size", "_Color" and "_Style" ("B", "I", "U", "S"
// in this order). Raises EEncodingError for a face name Windows-1252 cannot
// hold and EIniFileException when the file cannot be written.
void qktSaveFontToIni(const QString& iniFileName, const QString& section, const QString& keyPrefix,
                      const TFont& font);
// False and the font unchanged when prefix + "_Name" is missing or empty;
// otherwise reads name, size, colour and (when not empty) style.
bool qktLoadFontFromIni(const QString& iniFileName, const QString& section, const QString& keyPrefix,
                        TFont& font);

// The path shortened until it fits width - 10 pixels in the font: the folders
// after the drive give way one by one behind a single "\..\", then characters
// from the end.
void ShortenPathToWidth(const TFont& font, int width, const QString& path, QString& result);

// Width and height of the largest rectangle of the graphic's aspect ratio
// that fits into targetWidth x targetHeight.
void qktFittedSize(int graphicWidth, int graphicHeight, int targetWidth, int targetHeight,
                   int& fittedWidth, int& fittedHeight);
// Draws the graphic stretched to its fitted size, centred in the rectangle.
// Nothing happens for a missing or empty graphic.
void qktFitRectKeepAspect(const TGraphic* graphic, const TRect& rect, TCanvas* canvas);
// Sizes the bitmap to the fitted size for the rectangle and draws the graphic
// into the whole bitmap.
void qktDrawGraphicFitted(const TGraphic* graphic, const TRect& rect, TBitmap* bitmap);

// Enables or disables every direct child control.
void qktEnableChildControls(TWinControl* control, bool enabled);

// Sets the screen cursor and shows it at once.
void SetCursorAndRefresh(TCursor cursor);

// A check for components that may exist once per form. Forms here are built
// in code and never stand in a designer, so the design state is the
// caller's: with designing false nothing happens. With designing true it
// raises TDuplicateComponent when the owning form holds another component of
// the same class, TFormNotOwner when the owner is no form.
void CheckUniqueOnForm(TComponent* component, bool designing);
