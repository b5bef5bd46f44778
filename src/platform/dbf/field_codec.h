// Conversions between caller values and DBF field text: numbers in N
// fields, dates ("yyyymmdd" in the file, the date format's text outside) and
// logicals. The engine's date settings are passed in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dbf {

struct DateSettings {
    int format = 0;       // 0 American .. 6 Spanish (dbe_SetDateFormat codes)
    bool century = false;
};

// True for an existing Gregorian date (years 1..9999).
bool ValidDate(int year, int month, int day);

// "yyyymmdd" (or blanks/zeros for the empty date) as display text; the empty
// date gives the format with blanks for the digits ("  .  .    ").
std::string FormatDate(std::string_view dbfDate, const DateSettings& settings);

// Display text to "yyyymmdd". Blank text (digits blank, separators allowed)
// gives eight blanks. Two-digit years 00-49 are 20xx, 50-99 are 19xx. False
// when the text is no valid date in the format.
bool ParseDate(std::string_view text, const DateSettings& settings, std::string& dbfDate);

// "yyyymmdd" text (or blank) checked and normalised; false when invalid.
bool NormalizeDbfDate(std::string_view text, std::string& dbfDate);

// Fixed-point text of `value` right-aligned in `width` with `decimals`;
// decimals are dropped one by one while the text is too long. False when
// even without decimals it does not fit (or the value is not finite).
bool FormatNumber(double value, std::uint32_t width, std::uint32_t decimals, std::string& out);

// A number text (leading/trailing blanks allowed, "," taken as "."). Blank
// text gives `blank` = true. False when the text is no number.
bool ParseNumber(std::string_view text, double& value, bool& blank);

// A logical text: T, t, Y, y, "TRUE", ".T." are true.
bool TextIsTrue(std::string_view text);

// Shortest decimal text of a double ("12", "0.5", "-3.25").
std::string NumberText(double value);

}  // namespace dbf
