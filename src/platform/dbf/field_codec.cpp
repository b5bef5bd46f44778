#include "platform/dbf/field_codec.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace dbf {

namespace {

// Order of day, month and year in a format and its separator.
struct FormatShape {
    char order[3];  // 'M', 'D', 'Y'
    char separator;
};

FormatShape Shape(int format)
{
    switch (format) {
    case 1: return {{'Y', 'M', 'D'}, '.'};
    case 2:
    case 3: return {{'D', 'M', 'Y'}, '/'};
    case 4: return {{'D', 'M', 'Y'}, '.'};
    case 5:
    case 6: return {{'D', 'M', 'Y'}, '-'};
    default: return {{'M', 'D', 'Y'}, '/'};
    }
}

bool AllBlank(std::string_view text)
{
    for (char c : text)
        if (c != ' ' && c != '\0') return false;
    return true;
}

}  // namespace

bool ValidDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int limit = days[month - 1];
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && leap) limit = 29;
    return day <= limit;
}

bool NormalizeDbfDate(std::string_view text, std::string& out)
{
    if (AllBlank(text) || text == "00000000") {
        out.assign(8, ' ');
        return true;
    }
    if (text.size() != 8) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    int y = std::atoi(std::string(text.substr(0, 4)).c_str());
    int m = std::atoi(std::string(text.substr(4, 2)).c_str());
    int d = std::atoi(std::string(text.substr(6, 2)).c_str());
    if (!ValidDate(y, m, d)) return false;
    out.assign(text);
    return true;
}

std::string FormatDate(std::string_view dbfDate, const DateSettings& s)
{
    FormatShape shape = Shape(s.format);
    std::string norm;
    bool empty = !NormalizeDbfDate(dbfDate, norm) || norm[0] == ' ';
    std::string out;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) out.push_back(shape.separator);
        char part = shape.order[i];
        if (part == 'Y') {
            int width = s.century ? 4 : 2;
            out += empty ? std::string(width, ' ') : norm.substr(s.century ? 0 : 2, width);
        } else {
            out += empty ? std::string(2, ' ') : norm.substr(part == 'M' ? 4 : 6, 2);
        }
    }
    return out;
}

bool ParseDate(std::string_view text, const DateSettings& s, std::string& out)
{
    // Blank digits (the empty date's display form) are the empty date.
    bool blank = true;
    for (char c : text)
        if (c >= '0' && c <= '9') blank = false;
    if (blank) {
        for (char c : text)
            if (c != ' ' && c != '.' && c != '/' && c != '-' && c != '\0') return false;
        out.assign(8, ' ');
        return true;
    }
    int parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int index = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            if (digits[index] >= 4) return false;
            parts[index] = parts[index] * 10 + (c - '0');
            ++digits[index];
        } else if (c == '.' || c == '/' || c == '-') {
            if (digits[index] == 0 || ++index > 2) return false;
        } else if (c != ' ') {
            return false;
        }
    }
    if (index != 2 || digits[2] == 0) return false;
    FormatShape shape = Shape(s.format);
    int y = 0, m = 0, d = 0, yearDigits = 0;
    for (int i = 0; i < 3; ++i) {
        if (shape.order[i] == 'Y') {
            y = parts[i];
            yearDigits = digits[i];
        } else if (shape.order[i] == 'M') {
            m = parts[i];
        } else {
            d = parts[i];
        }
    }
    if (yearDigits <= 2) y += y < 50 ? 2000 : 1900;
    if (!ValidDate(y, m, d)) return false;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
    out = buf;
    return true;
}

bool FormatNumber(double value, std::uint32_t width, std::uint32_t decimals, std::string& out)
{
    if (!std::isfinite(value) || width == 0) return false;
    for (int dec = int(decimals);; --dec) {
        // xBase rounds halves away from zero (12.25 -> 12.3); the small
        // relative nudge makes 1.005, stored as 1.00499.., round up too.
        double scale = std::pow(10.0, dec);
        double scaled = value * scale;
        double rounded = std::round(scaled + std::copysign(std::fabs(scaled) * 1e-12, scaled));
        double shown = std::fabs(rounded) < 1e15 ? rounded / scale : value;
        char buf[400];
        int n = std::snprintf(buf, sizeof buf, "%.*f", dec, shown);
        if (n <= 0 || n >= int(sizeof buf)) return false;
        std::string text(buf, std::size_t(n));
        // "-0" and "-0.00" are plain zeros.
        bool zero = text.find_first_not_of("-0.") == std::string::npos;
        if (zero && text[0] == '-') text.erase(0, 1);
        if (text.size() <= width) {
            out = std::string(width - text.size(), ' ') + text;
            return true;
        }
        if (dec == 0) return false;
    }
}

bool ParseNumber(std::string_view text, double& value, bool& blank)
{
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\0')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\0')) --e;
    blank = b == e;
    value = 0;
    if (blank) return true;
    std::string s(text.substr(b, e - b));
    for (char& c : s)
        if (c == ',') c = '.';
    for (char c : s)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return false;
    char* end = nullptr;
    value = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size() && std::isfinite(value);
}

bool TextIsTrue(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '.')) text.remove_prefix(1);
    if (text.empty()) return false;
    char c = text.front();
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

std::string NumberText(double value)
{
    char buf[64];
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        std::snprintf(buf, sizeof buf, "%.0f", value);
    } else {
        std::snprintf(buf, sizeof buf, "%.15g", value);
    }
    std::string s = buf;
    if (s == "-0") s = "0";
    return s;
}

}  // namespace dbf
