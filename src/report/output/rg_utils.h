#pragma once
// The engine's shared routines besides units, strings and word wrap: sample
// display formats, the text of calculated system fields, fixed-length text
// for text files, page lists, temporary files, version numbers, the update
// of older text-form templates, and the printer's choice of fonts.

#include <QString>
#include <QVariant>

#include "platform/core/sys_utils.h"
#include "platform/ui/framework_types.h"
#include "platform/ui/graphics.h"
#include "report/output/rg_types.h"

class TStringList;
class TMemoryStream;

// ---- Text and numbers ---------------------------------------------------------

// The character between a sample text and its format in a samples list.
constexpr QChar rgSampleSeparator = QChar(1);

// Clears List and adds the display format samples of a data type, each as
// the sample, rgSampleSeparator and the format. Nothing happens without a list.
void rgGetDisplayFormatSamples(TrgDataType DataType, TStringList* List);

// The text of a calculated system field. Without values every page number
// and count is 1 and the print time is now; ctCustom leaves Text as it is.
// Page words come from the language block at LanguageBase.
void rgGetCalcText(TrgCalcType CalcType, int PageNo, int PageCount, QString& Text, bool HaveValues,
                   int LanguageBase, TDateTime PrintDateTime,
                   const TFormatSettings& fs = FormatSettings());

// The display text of a field or calculated value: dates and times through
// FormatDateTime (an empty Format: the short date, the long time, or "c"
// for both), numbers through FormatFloat (an empty Format: the general form
// with 15 digits), strings through the edit mask Format, Booleans as they
// stand; other types give no text. A value that is no date or number throws
// EConvertError. Everything follows fs, never the process locale.
void rgFormatValue(const QString& Format, TrgDataType DataType, const QVariant& Value, QString& Text,
                   const TFormatSettings& fs = FormatSettings());

// S cut or padded with blanks to exactly Length characters.
QString rgFixedLengthText(const QString& S, int Length, TAlignment Alignment);

// Page numbers above this are taken as this, and a page list never holds
// more entries than rgMaxPageListEntries, so no text can make it huge.
constexpr int rgMaxPageNumber = 99999999;
constexpr int rgMaxPageListEntries = 100000;

// Clears List and fills it with the distinct page numbers of Text ("1,3,5-7"),
// in ascending order.
void rgParsePageList(const QString& Text, TStringList* List);

// "3.52" gives 3520, "10.1" gives 1010, "3" gives 3000: the leading digits
// and the first "." (a second "." ends the number), padded with zeros to
// four digits. A figure beyond the integer range gives the largest integer.
int rgVersionToNumber(const QString& Version);

// Clears Stream and writes every line of Strings followed by CR LF, in
// Windows-1252, without a terminating zero. Throws EEncodingError for text
// the code page cannot hold.
void rgSaveStringsToStream(const TStringList* Strings, TMemoryStream* Stream);

// Replaces "." by the decimal separator in every entry (stored positions
// are written with ".").
void rgFixDecimalSeparators(TStringList* List, const TFormatSettings& fs = FormatSettings());

// The text up to and including the last "\", or empty.
QString rgExtractPath(const QString& FileName);

// The factor that fits a picture into a frame, or 0 for an empty picture.
float rgScaleToFit(float PictureWidth, float PictureHeight, float FrameWidth, float FrameHeight);

// ---- Files ----------------------------------------------------------------

// The folder for temporary files, ending in "/": the run's own folder in
// the system's temporary folder (see platform/core/run_temp_folder.h).
QString rgGetTempPath();

// Creates a new empty file in Path, named after the first three characters
// of Prefix, and returns its name; empty when it cannot be created.
QString rgGetTempFileName(const QString& Path, const QString& Prefix);

// ---- Templates ------------------------------------------------------------

// Updates, in place, a template in text form written by an older version so
// that lengths stored as integers read as floats ("12700" becomes "12700.0").
bool rgConvertTextTemplate(TStringList& Lines);

// ---- Printer output ---------------------------------------------------------

// The font the printer uses for a screen font: the old screen fonts become
// their TrueType counterparts, and the Windows TrueType fonts become the
// metric-compatible Liberation fonts, so line breaks come out the same.
QString rgGetPrinterFontName(const QString& FontName);

// A font whose Height and Size are both published.
class TrgFont : public TFont {
public:
    using TFont::TFont;
};
