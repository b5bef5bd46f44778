#pragma once
// Date-part arithmetic and the field engine of the date controls: a date is
// laid out as text by a date format ("dd.mm.yyyy", "dddd, d. mmmm yyyy")
// and changed one field at a time. Beside the text runs a template of the
// same length whose letters name each character's field ("M", "D", "Y",
// ":" for a separator, "T" for a literal), so the field boundaries of a
// text are found again without parsing it.
//
// Month and day names come from the program's format settings, never from
// the machine's locale. Positions and field indexes are 1-based, as in the
// format notation; selection starts are 0-based caret positions.

#include <QString>

#include <cstdint>

#include "platform/core/sys_utils.h"
#include "platform/ui/graphics.h"

// Kinds of a date field; the numbers are stored and compared by range.
enum class TDateFieldKind : uint8_t {
    M = 0, MM = 1, MMM = 2, MMMM = 3,
    D = 4, DD = 5, DDD = 6, DDDD = 7,
    Y = 8, YY = 9, YYY = 10, YYYY = 11,
    None = 12, Separator = 13, Literal = 14
};

inline bool IsMonthKind(TDateFieldKind k) { return k <= TDateFieldKind::MMMM; }
inline bool IsDayKind(TDateFieldKind k) { return k >= TDateFieldKind::D && k <= TDateFieldKind::DDDD; }
inline bool IsDayNumberKind(TDateFieldKind k) { return k == TDateFieldKind::D || k == TDateFieldKind::DD; }
inline bool IsWeekdayKind(TDateFieldKind k) { return k == TDateFieldKind::DDD || k == TDateFieldKind::DDDD; }
inline bool IsYearKind(TDateFieldKind k) { return k >= TDateFieldKind::Y && k <= TDateFieldKind::YYYY; }
inline bool IsNumericKind(TDateFieldKind k)
{
    return k == TDateFieldKind::M || k == TDateFieldKind::MM || IsDayNumberKind(k) || IsYearKind(k);
}
// The template letter of a kind.
QChar TemplateLetter(TDateFieldKind kind);

// ---- date parts ------------------------------------------------------------
uint16_t MonthOfDate(TDateTime date);
uint16_t YearOfDate(TDateTime date);
uint16_t DayOfDate(TDateTime date);
uint16_t CenturyOfDate(TDateTime date);
uint16_t CenturyOfYear(uint16_t year);
int DaysInMonth(int year, int month);
// A date the program can hold: month 1..12, year 1..9999, day within the month.
bool IsValidDate(int year, int month, int day);
// The date (y, m, d) with the time of day of old; EConvertError when invalid.
TDateTime ReplaceDatePart(int year, int month, int day, TDateTime old);

// ---- format scanning -------------------------------------------------------
bool IsSeparatorChar(QChar c);
// One scanner step over s[pos] (1-based).
void ScanFormatChar(const QString& s, int pos, bool& inQuote, TDateFieldKind& kind, int& count);
// Fields of s (of the template when it is not empty).
int FieldCount(const QString& s, const QString& tmpl);
// Start (1-based) and kind of field k; k < 1 gives the last field, k above
// the count the first; no fields gives 0 and None.
void FindField(int k, const QString& s, const QString& tmpl, int& start, TDateFieldKind& kind);
int FieldStart(int k, const QString& text, const QString& tmpl);
int FieldEnd(int k, const QString& text, const QString& tmpl);
QString FieldText(int k, const QString& text, const QString& tmpl);
QString FormatFieldText(int k, const QString& format);
// Kind of field k of a format; Y and YYY answer YY.
TDateFieldKind FormatFieldKind(int k, const QString& format);
// Field of the character at pos (1-based); a separator belongs to the field before it.
int FieldAtPos(const QString& format, const QString& tmpl, int pos);
// A format's text of a field without its quotes.
QString Unquoted(const QString& s);

// ---- field editing ---------------------------------------------------------
void InsertTemplateLetters(TDateFieldKind kind, QString& tmpl, int pos, int count);
// The text of a value in a field of that kind.
QString RenderFieldValue(TDateFieldKind kind, int value);
void SetFieldValue(int k, TDateFieldKind kind, QString& text, uint16_t d, uint16_t m, uint16_t y,
                   int value, const QString& format, QString& tmpl);
void CompleteText(QString& text, QString& tmpl, const QString& format, uint16_t d, uint16_t m, uint16_t y);
void NextField(int& k, QString& text, QString& tmpl, bool copyAll, const QString& format,
               int& selLength, int& selStart);
void UpdateMonthFields(QString& text, QString& tmpl, const QString& format, uint16_t d, uint16_t m,
                       uint16_t y, int skip);
void UpdateDayFields(QString& text, QString& tmpl, const QString& format, uint16_t d, uint16_t m,
                     uint16_t y, int skip);
void UpdateYearFields(QString& text, QString& tmpl, const QString& format, uint16_t d, uint16_t m,
                      uint16_t y, int skip);
void UpdateWeekdayFields(QString& text, QString& tmpl, const QString& format, uint16_t& d, uint16_t& m,
                         uint16_t& y, int skip);
bool SetWeekdayFields(QString& text, QString& tmpl, const QString& format, uint16_t& d, uint16_t& m,
                      uint16_t& y, int skip, int weekday);
bool MoveToWeekday(int weekday, uint16_t& d, uint16_t& m, uint16_t& y);
// (d, m, y) laid out by a format from an empty text.
QString FormatDateParts(const QString& format, uint16_t d, uint16_t m, uint16_t y, QString* tmpl = nullptr);

// A flat push button face with the left (enabled) or right (disabled)
// glyph of a two-glyph bitmap.
void DrawDropDownButton(const TRect& r, TCanvas* canvas, const TBitmap* glyphs, bool pressed, bool enabled);

// The refusal sound of the controls (the system's default beep); counted,
// so tests can see a keystroke was refused.
void ControlBeep();
int ControlBeepCount();
