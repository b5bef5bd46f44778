#pragma once
// Linear bar code symbologies: UPC-A and EAN-13 (with 2- and 5-digit
// add-ons), Interleaved 2 of 5, Code 39, Code 128 and POSTNET. Data is
// checked, given its check digits and turned into a module row at a device
// resolution: one character per device pixel across the symbol, in reading
// order; "1" bar, "0" space, and in POSTNET rows "2" full and "1" half bar.
// Rows grow as the symbol needs; an invalid bar code gives an empty row.

#include <QString>

#include <string>

#include "report/output/rg_types.h"

// The message for data the symbology does not accept, in the language's
// block of engine strings; empty when the data is accepted. Empty data is
// always accepted; Code 128 data is checked while it is encoded.
QString rgValidateBarCodeData(TrgBarCodeType BarCodeType, const QString& Data, bool CalcCheckDigit,
                              TrgLanguageType Language = lgEnglish);

// Shows a bar code message in a modal error box with one OK button.
void rgShowBarCodeError(const QString& Message);

// The code-set control characters of Code 128 data (single-byte values).
inline constexpr char16_t rgCode128StartA = 208;
inline constexpr char16_t rgCode128StartB = 209;
inline constexpr char16_t rgCode128StartC = 210;
inline constexpr char16_t rgCode128Shift = 203;
inline constexpr char16_t rgCode128CodeC = 204;
inline constexpr char16_t rgCode128CodeB = 205;  // FNC4 in set B
inline constexpr char16_t rgCode128CodeA = 206;  // FNC4 in set A
inline constexpr char16_t rgCode128Fnc1 = 207;

// One symbol as the bar code draw command holds it.
class TrgBarCodeEncoder {
public:
    TrgBarCodeType BarCodeType = bcCode39;
    QString Data;  // UPC-A and EAN-13 get their check digit appended by Encode
    QString AddOnCode;
    bool CalcCheckDigit = true;
    int BarWidth = 254;  // narrow module width, thousandths of a millimetre
    float WideBarRatio = 3;
    bool Valid = true;  // cleared by an encoding error; then nothing is drawn
    bool SuppressMessages = false;
    TrgLanguageType Language = lgEnglish;

    // The main symbol's row at Resolution pixels per inch. Data the
    // symbology refuses, and every Code 128 error, clear Valid and give an
    // empty row; the message is shown unless suppressed.
    std::string Encode(int Resolution);
    // The add-on's row (UPC-A and EAN-13 with a 2- or 5-digit add-on);
    // empty otherwise.
    std::string EncodeAddOn(int Resolution) const;
    // The human-readable text: Code 128's printable characters, else Data
    // as it stands after encoding.
    QString HumanReadableText() const;
    // The last encoding error; empty when none.
    const QString& ErrorMessage() const { return errorMessage_; }

private:
    void Fail(const QString& message);

    QString errorMessage_;
};
