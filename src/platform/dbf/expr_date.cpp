#include "platform/dbf/expr_date.h"

#include <ctime>

namespace dbfexpr {

namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

char Separator(ExprDateFormat f)
{
    switch (f) {
    case ExprDateFormat::American:
    case ExprDateFormat::British:
    case ExprDateFormat::French: return '/';
    case ExprDateFormat::Ansi:
    case ExprDateFormat::German: return '.';
    case ExprDateFormat::Italian:
    case ExprDateFormat::Spanish: return '-';
    }
    return '.';
}

}  // namespace

std::int32_t ExprJulianDay(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return 0;
    // Fliegel and Van Flandern, proleptic Gregorian calendar.
    const int a = (14 - month) / 12;
    const int y = year + 4800 - a;
    const int m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

bool ExprCalendarDate(std::int32_t jd, int& year, int& month, int& day)
{
    // 1721426 is 1 January 0001, 5373484 is 31 December 9999.
    if (jd < 1721426 || jd > 5373484) {
        year = month = day = 0;
        return false;
    }
    const int a = jd + 32044;
    const int b = (4 * a + 3) / 146097;
    const int c = a - 146097 * b / 4;
    const int d = (4 * c + 3) / 1461;
    const int e = c - 1461 * d / 4;
    const int m = (5 * e + 2) / 153;
    day = e - (153 * m + 2) / 5 + 1;
    month = m + 3 - 12 * (m / 10);
    year = 100 * b + d - 4800 + m / 10;
    return true;
}

std::int32_t ExprJulianFromDbf(std::string_view text)
{
    if (text.size() < 8)
        return 0;
    int v[8];
    for (int i = 0; i < 8; ++i) {
        const char ch = text[i];
        if (ch < '0' || ch > '9')
            return 0;
        v[i] = ch - '0';
    }
    const int y = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
    const int m = v[4] * 10 + v[5];
    const int d = v[6] * 10 + v[7];
    return ExprJulianDay(y, m, d);
}

void ExprDbfFromJulian(std::int32_t jd, char out[8])
{
    int y, m, d;
    if (!ExprCalendarDate(jd, y, m, d)) {
        for (int i = 0; i < 8; ++i)
            out[i] = ' ';
        return;
    }
    const int v[8] = {y / 1000, y / 100 % 10, y / 10 % 10, y % 10, m / 10, m % 10, d / 10, d % 10};
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<char>('0' + v[i]);
}

std::string ExprFormatDate(std::int32_t jd, ExprDateFormat format, bool century)
{
    int y, m, d;
    const bool valid = ExprCalendarDate(jd, y, m, d);
    const char sep = Separator(format);
    auto two = [&](int v) {
        return valid ? std::string{static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)}
                     : std::string(2, ' ');
    };
    std::string year;
    if (!valid)
        year.assign(century ? 4 : 2, ' ');
    else if (century)
        year = two(y / 100) + two(y % 100);
    else
        year = two(y % 100);
    switch (format) {
    case ExprDateFormat::American: return two(m) + sep + two(d) + sep + year;
    case ExprDateFormat::Ansi: return year + sep + two(m) + sep + two(d);
    default: return two(d) + sep + two(m) + sep + year;
    }
}

std::int32_t ExprParseDate(std::string_view text, ExprDateFormat format)
{
    int parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int n = 0;
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    while (n < 3) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (++digits[n] > 4)
                return 0;
            parts[n] = parts[n] * 10 + (text[i] - '0');
            ++i;
        }
        ++n;
        if (n < 3) {
            // One separator between the parts: any non-digit but a blank.
            if (i >= text.size() || text[i] == ' ')
                return 0;
            ++i;
        }
    }
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i != text.size())
        return 0;
    int y, m, d, yDigits;
    switch (format) {
    case ExprDateFormat::American: m = parts[0], d = parts[1], y = parts[2], yDigits = digits[2]; break;
    case ExprDateFormat::Ansi: y = parts[0], m = parts[1], d = parts[2], yDigits = digits[0]; break;
    default: d = parts[0], m = parts[1], y = parts[2], yDigits = digits[2]; break;
    }
    if (yDigits <= 2)
        y += y < 50 ? 2000 : 1900;
    return ExprJulianDay(y, m, d);
}

std::int32_t ExprSystemToday()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return ExprJulianDay(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace dbfexpr
