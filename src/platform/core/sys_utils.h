#pragma once
// The framework's conversion and formatting routines over one format-settings
// object of the program (German defaults), never the process locale, and a
// clock that tests can set.
//
// Dates are TDateTime as in the framework: days since 30.12.1899 (day 0), the
// time of day as fraction. Strings are 1-based where the framework's are
// (Pos, Copy).

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

using TDateTime = double;

struct TFormatSettings {
    QString ShortDateFormat = QStringLiteral("dd.mm.yyyy");
    QString LongDateFormat = QStringLiteral("dddd, d. mmmm yyyy");
    QString ShortTimeFormat = QStringLiteral("hh:nn");
    QString LongTimeFormat = QStringLiteral("hh:nn:ss");
    QChar DateSeparator = u'.';
    QChar TimeSeparator = u':';
    QChar DecimalSeparator = u',';
    QChar ThousandSeparator = u'.';
    QString CurrencyString = QStringLiteral("€");
    QString TimeAMString;  // empty: 24-hour clock
    QString TimePMString;
    // 1-based: [1] = January / Sunday; index 0 unused.
    QStringList ShortMonthNames;
    QStringList LongMonthNames;
    QStringList ShortDayNames;
    QStringList LongDayNames;
    // Two-digit years: within this many years around the current year.
    int TwoDigitYearCenturyWindow = 50;

    TFormatSettings();  // fills the German month and day names
};

// The program's format settings (mutable; German defaults).
TFormatSettings& FormatSettings();

// ---- Clock ---------------------------------------------------------------
TDateTime Now();
TDateTime Date();
TDateTime Time();
// While set, Now() returns this fixed moment (tests); std::nullopt restores the real clock.
void SetClockForTests(std::optional<TDateTime> fixedNow);
// Milliseconds of a monotonic clock (the system tick count); tests can set it.
uint64_t GetTickCount64();
void SetTickCountForTests(std::optional<uint64_t> ticks);

// ---- Dates ---------------------------------------------------------------
// EncodeDate throws EConvertError for an invalid date; TryEncodeDate does not.
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result);
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);
int DayOfWeek(TDateTime dt);  // 1 = Sunday ... 7 = Saturday
bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);
// Conversions to and from Qt (local time of the process; tests pin TZ=UTC).
TDateTime DateTimeFromQt(const QDateTime& dt);
TDateTime DateFromQt(const QDate& d);
QDateTime DateTimeToQt(TDateTime dt);
QDate DateToQt(TDateTime dt);

QString FormatDateTime(const QString& format, TDateTime dt,
                       const TFormatSettings& fs = FormatSettings());
QString DateToStr(TDateTime dt, const TFormatSettings& fs = FormatSettings());
QString TimeToStr(TDateTime dt, const TFormatSettings& fs = FormatSettings());
QString DateTimeToStr(TDateTime dt, const TFormatSettings& fs = FormatSettings());
// Parse after ShortDateFormat's order of day, month and year with DateSeparator
// ("1.2.2003", "01.02.03"); a missing year is the current year. Throws EConvertError.
TDateTime StrToDate(const QString& s, const TFormatSettings& fs = FormatSettings());
bool TryStrToDate(const QString& s, TDateTime& result, const TFormatSettings& fs = FormatSettings());
TDateTime StrToDateDef(const QString& s, TDateTime def, const TFormatSettings& fs = FormatSettings());
// "hh:nn[:ss]"; throws EConvertError.
TDateTime StrToTime(const QString& s, const TFormatSettings& fs = FormatSettings());
bool TryStrToTime(const QString& s, TDateTime& result, const TFormatSettings& fs = FormatSettings());
// A date, optionally followed by a blank and a time.
TDateTime StrToDateTime(const QString& s, const TFormatSettings& fs = FormatSettings());
bool TryStrToDateTime(const QString& s, TDateTime& result, const TFormatSettings& fs = FormatSettings());

// ---- Numbers -------------------------------------------------------------
QString IntToStr(int64_t value);
QString IntToHex(int64_t value, int digits);  // upper case, at least digits wide
// Decimal with optional sign and blanks around, or hex "$1F" / "0x1F".
// StrToInt throws EConvertError ("'x' ist kein gültiger Integerwert") and
// also when the value leaves the 32-bit range.
int StrToInt(const QString& s);
int StrToIntDef(const QString& s, int def);
bool TryStrToInt(const QString& s, int& value);
int64_t StrToInt64(const QString& s);
int64_t StrToInt64Def(const QString& s, int64_t def);
bool TryStrToInt64(const QString& s, int64_t& value);
// Shortest text with up to 15 significant digits, DecimalSeparator, no
// thousand separators ("1,5", "0,1", "1E20" style for large figures).
QString FloatToStr(double value, const TFormatSettings& fs = FormatSettings());
// The framework's FloatToStrF: ffGeneral (shortest text with up to precision
// significant digits, exponent form when needed; digits = least exponent
// digits), ffExponent ("1,235E+003": precision significant digits, digits
// exponent digits), ffFixed / ffNumber (digits decimals, ffNumber with
// thousand separators; exponent form when the figure has more than precision
// integer digits), ffCurrency ("1.234,50 €").
enum class TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                    const TFormatSettings& fs = FormatSettings());
// Accepts DecimalSeparator (and no thousand separators); throws EConvertError.
double StrToFloat(const QString& s, const TFormatSettings& fs = FormatSettings());
double StrToFloatDef(const QString& s, double def, const TFormatSettings& fs = FormatSettings());
bool TryStrToFloat(const QString& s, double& value, const TFormatSettings& fs = FormatSettings());
// The framework's picture format: "0" digit, "#" optional digit, "." decimal
// point, "," thousand separators, "E+"/"E-" exponent, "'..'"/"\"..\"" literals,
// up to three sections "positive;negative;zero".
QString FormatFloat(const QString& format, double value, const TFormatSettings& fs = FormatSettings());
// Delphi's BoolToStr: "-1"/"0", or "True"/"False" with useBoolStrs.
QString BoolToStr(bool b, bool useBoolStrs = false);

// ---- Strings -------------------------------------------------------------
QString Trim(const QString& s);       // removes characters <= ' ' at both ends
QString TrimLeft(const QString& s);
QString TrimRight(const QString& s);
QString UpperCase(const QString& s);  // ASCII letters only
QString LowerCase(const QString& s);
QString AnsiUpperCase(const QString& s);  // all letters (ä -> Ä, not locale dependent)
QString AnsiLowerCase(const QString& s);
bool SameText(const QString& a, const QString& b);      // ASCII case-insensitive
int CompareText(const QString& a, const QString& b);     // ASCII case-insensitive, <0 / 0 / >0
int CompareStr(const QString& a, const QString& b);      // ordinal
bool AnsiSameText(const QString& a, const QString& b);   // full case-insensitive
int AnsiCompareText(const QString& a, const QString& b);
int Pos(const QString& sub, const QString& s);  // 1-based, 0 when absent
// Count characters from 1-based index; out-of-range parts are cut, never an error.
QString Copy(const QString& s, int index, int count);
QString StringOfChar(QChar c, int count);
QString QuotedStr(const QString& s);
