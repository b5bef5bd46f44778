// Dates of the expression module: Julian day numbers (0 = empty date) and
// their texts: "yyyymmdd" as DBF date fields and DTOS() hold them, and the
// display form of DTOC()/CTOD() after the engine's date format and century.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dbf/expr_types.h"

namespace dbfexpr {

// Julian day number of a Gregorian date; 0 when the date does not exist.
std::int32_t ExprJulianDay(int year, int month, int day);

// Year, month and day of a Julian day number; false for 0 and out-of-range days.
bool ExprCalendarDate(std::int32_t julianDay, int& year, int& month, int& day);

// "yyyymmdd" (8 digits) to a Julian day; blanks, zeros or an invalid date give 0.
std::int32_t ExprJulianFromDbf(std::string_view text);

// Julian day to "yyyymmdd"; the empty date gives eight blanks.
void ExprDbfFromJulian(std::int32_t julianDay, char out[8]);

// DTOC(): the display text of a date; the empty date gives blanks with the
// separators in place ("  .  .    ").
std::string ExprFormatDate(std::int32_t julianDay, ExprDateFormat format, bool century);

// CTOD(): reads a date in the display form; anything that is not a valid date
// gives 0 (the empty date). Two-digit years 00-49 are 20xx, 50-99 are 19xx.
std::int32_t ExprParseDate(std::string_view text, ExprDateFormat format);

// Today's date by the system clock (local time).
std::int32_t ExprSystemToday();

}  // namespace dbfexpr
