#include "platform/core/sys_utils.h"

#include "platform/core/exceptions.h"

#include <QElapsedTimer>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int64_t kMsPerDay = 86400000;

const QDate& Epoch()
{
    static const QDate epoch(1899, 12, 30);
    return epoch;
}

std::optional<TDateTime> g_fixedNow;
std::optional<uint64_t> g_fixedTicks;

QString Pad(int value, int width)
{
    return QString::number(value).rightJustified(width, u'0');
}

}  // namespace

TFormatSettings::TFormatSettings()
{
    ShortMonthNames = {QString(), "Jan", "Feb", "Mrz", "Apr", "Mai", "Jun",
                       "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
    LongMonthNames = {QString(), "Januar", "Februar", QStringLiteral("März"), "April", "Mai", "Juni",
                      "Juli", "August", "September", "Oktober", "November", "Dezember"};
    ShortDayNames = {QString(), "So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
    LongDayNames = {QString(), "Sonntag", "Montag", "Dienstag", "Mittwoch",
                    "Donnerstag", "Freitag", "Samstag"};
}

TFormatSettings& FormatSettings()
{
    static TFormatSettings settings;
    return settings;
}

// ---- Clock ------------------------------------------------------------------

TDateTime Now()
{
    if (g_fixedNow)
        return *g_fixedNow;
    return DateTimeFromQt(QDateTime::currentDateTime());
}

TDateTime Date()
{
    return std::floor(Now());
}

TDateTime Time()
{
    TDateTime n = Now();
    return n - std::floor(n);
}

void SetClockForTests(std::optional<TDateTime> fixedNow)
{
    g_fixedNow = fixedNow;
}

uint64_t GetTickCount64()
{
    if (g_fixedTicks)
        return *g_fixedTicks;
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return static_cast<uint64_t>(timer.elapsed());
}

void SetTickCountForTests(std::optional<uint64_t> ticks)
{
    g_fixedTicks = ticks;
}

// ---- Dates ------------------------------------------------------------------

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1
        || day > DaysInAMonth(year, month))
        return false;
    result = static_cast<double>(QDate(year, month, day).toJulianDay() - Epoch().toJulianDay());
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime r;
    if (!TryEncodeDate(year, month, day, r))
        throw EConvertError(QStringLiteral("Ungültiges Argument für Datumskodierung"));
    return r;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result)
{
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0
        || msec > 999)
        return false;
    result = ((hour * 3600000.0) + min * 60000.0 + sec * 1000.0 + msec) / kMsPerDay;
    return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec)
{
    TDateTime r;
    if (!TryEncodeTime(hour, min, sec, msec, r))
        throw EConvertError(QStringLiteral("Ungültiges Argument für Zeitkodierung"));
    return r;
}

namespace {

// Whole days and milliseconds of the day; a negative value counts days
// backwards with the time of day as positive fraction (the framework's rule).
void Split(TDateTime dt, int64_t& days, int64_t& ms)
{
    double whole = std::trunc(dt);
    double frac = std::fabs(dt - whole);
    days = static_cast<int64_t>(whole);
    ms = std::llround(frac * kMsPerDay);
    if (ms >= kMsPerDay)
        ms = kMsPerDay - 1;
}

}  // namespace

QDate DateToQt(TDateTime dt)
{
    int64_t days, ms;
    Split(dt, days, ms);
    return Epoch().addDays(days);
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day)
{
    DateToQt(dt).getDate(&year, &month, &day);
}

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec)
{
    int64_t days, ms;
    Split(dt, days, ms);
    hour = static_cast<int>(ms / 3600000);
    min = static_cast<int>(ms / 60000 % 60);
    sec = static_cast<int>(ms / 1000 % 60);
    msec = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime dt)
{
    return DateToQt(dt).dayOfWeek() % 7 + 1;  // Qt: Monday 1 .. Sunday 7
}

TDateTime DateFromQt(const QDate& d)
{
    return static_cast<double>(d.toJulianDay() - Epoch().toJulianDay());
}

TDateTime DateTimeFromQt(const QDateTime& dt)
{
    TDateTime date = DateFromQt(dt.date());
    TDateTime time = dt.time().msecsSinceStartOfDay() / double(kMsPerDay);
    return date >= 0 ? date + time : date - time;
}

QDateTime DateTimeToQt(TDateTime dt)
{
    int64_t days, ms;
    Split(dt, days, ms);
    return QDateTime(Epoch().addDays(days), QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

QString FormatDateTime(const QString& format, TDateTime dt, const TFormatSettings& fs)
{
    int year, month, day, hour, min, sec, msec;
    DecodeDate(dt, year, month, day);
    DecodeTime(dt, hour, min, sec, msec);
    const int dow = DayOfWeek(dt);
    // Does the format use an am/pm marker (12-hour clock)?
    const QString lower = format.toLower();
    const bool twelve = lower.contains(u"am/pm") || lower.contains(u"a/p") || lower.contains(u"ampm");

    QString out;
    bool lastWasHour = false;
    const qsizetype n = format.size();
    qsizetype i = 0;
    auto run = [&](QChar c, int max) {
        int k = 0;
        while (i + k < n && format[i + k].toLower() == c && k < max)
            ++k;
        return k;
    };
    while (i < n) {
        const QChar c = format[i];
        const QChar lc = c.toLower();
        if (c == u'"' || c == u'\'') {
            qsizetype end = format.indexOf(c, i + 1);
            if (end < 0)
                end = n;
            out += format.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        // "am/pm" and "a/p" keep the case they are written in.
        if (lc == u'a' && lower.mid(i, 5) == u"am/pm") {
            const QString t = hour < 12 ? format.mid(i, 2) : format.mid(i + 3, 2);
            out += t;
            i += 5;
            continue;
        }
        if (lc == u'a' && lower.mid(i, 3) == u"a/p") {
            out += hour < 12 ? format[i] : format[i + 2];
            i += 3;
            continue;
        }
        if (lc == u'a' && lower.mid(i, 4) == u"ampm") {
            out += hour < 12 ? fs.TimeAMString : fs.TimePMString;
            i += 4;
            continue;
        }
        int k;
        bool hourToken = false;
        switch (lc.unicode()) {
        case u'c':
            out += FormatDateTime(fs.ShortDateFormat, dt, fs);
            if (hour || min || sec)
                out += u' ' + FormatDateTime(fs.LongTimeFormat, dt, fs);
            i += 1;
            break;
        case u'd':
            k = run(u'd', 6);
            if (k == 1) out += QString::number(day);
            else if (k == 2) out += Pad(day, 2);
            else if (k == 3) out += fs.ShortDayNames.value(dow);
            else if (k == 4) out += fs.LongDayNames.value(dow);
            else if (k == 5) out += FormatDateTime(fs.ShortDateFormat, dt, fs);
            else out += FormatDateTime(fs.LongDateFormat, dt, fs);
            i += k;
            break;
        case u'm':
            k = run(u'm', 4);
            if (lastWasHour && k <= 2) out += k == 1 ? QString::number(min) : Pad(min, 2);
            else if (k == 1) out += QString::number(month);
            else if (k == 2) out += Pad(month, 2);
            else if (k == 3) out += fs.ShortMonthNames.value(month);
            else out += fs.LongMonthNames.value(month);
            i += k;
            break;
        case u'y':
            k = run(u'y', 4);
            out += k <= 2 ? Pad(year % 100, 2) : Pad(year, 4);
            i += k;
            break;
        case u'h': {
            k = run(u'h', 2);
            int h = hour;
            if (twelve) {
                h = hour % 12;
                if (h == 0)
                    h = 12;
            }
            out += k == 1 ? QString::number(h) : Pad(h, 2);
            i += k;
            hourToken = true;
            break;
        }
        case u'n':
            k = run(u'n', 2);
            out += k == 1 ? QString::number(min) : Pad(min, 2);
            i += k;
            break;
        case u's':
            k = run(u's', 2);
            out += k == 1 ? QString::number(sec) : Pad(sec, 2);
            i += k;
            break;
        case u'z':
            k = run(u'z', 3);
            out += k >= 3 ? Pad(msec, 3) : QString::number(msec);
            i += k;
            break;
        case u't':
            k = run(u't', 2);
            out += FormatDateTime(k == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, dt, fs);
            i += k;
            break;
        case u'/':
            out += fs.DateSeparator;
            i += 1;
            break;
        case u':':
            out += fs.TimeSeparator;
            i += 1;
            break;
        default:
            out += c;
            i += 1;
            break;
        }
        if (hourToken)
            lastWasHour = true;
        else if (lc != u' ' && lc != u':' && lc != u'.')
            lastWasHour = false;
    }
    return out;
}

QString DateToStr(TDateTime dt, const TFormatSettings& fs)
{
    return FormatDateTime(fs.ShortDateFormat, dt, fs);
}

QString TimeToStr(TDateTime dt, const TFormatSettings& fs)
{
    return FormatDateTime(fs.LongTimeFormat, dt, fs);
}

QString DateTimeToStr(TDateTime dt, const TFormatSettings& fs)
{
    return FormatDateTime(QStringLiteral("c"), dt, fs);
}

namespace {

bool AllDigits(const QString& s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

int CurrentYear()
{
    int y, m, d;
    DecodeDate(Now(), y, m, d);
    return y;
}

}  // namespace

bool TryStrToDate(const QString& text, TDateTime& result, const TFormatSettings& fs)
{
    const QStringList parts = text.trimmed().split(fs.DateSeparator);
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    for (const QString& p : parts)
        if (!AllDigits(p.trimmed()) || p.trimmed().size() > 4)
            return false;
    // Order of day, month and year in the short date format.
    const QString f = fs.ShortDateFormat.toLower();
    QList<QPair<qsizetype, QChar>> order = {{f.indexOf(u'd'), u'd'}, {f.indexOf(u'm'), u'm'},
                                            {f.indexOf(u'y'), u'y'}};
    std::sort(order.begin(), order.end());
    QString seq;
    for (auto& o : order)
        if (o.first >= 0 && (parts.size() == 3 || o.second != u'y'))
            seq += o.second;
    if (seq.size() != parts.size())
        return false;
    int day = 0, month = 0, year = CurrentYear();
    for (qsizetype i = 0; i < seq.size(); ++i) {
        const QString p = parts[i].trimmed();
        int v = p.toInt();
        if (seq[i] == u'd') {
            day = v;
        } else if (seq[i] == u'm') {
            month = v;
        } else {
            year = v;
            if (p.size() <= 2) {
                int threshold = CurrentYear() - fs.TwoDigitYearCenturyWindow;
                year += threshold / 100 * 100;
                if (fs.TwoDigitYearCenturyWindow > 0 && year < threshold)
                    year += 100;
            }
        }
    }
    return TryEncodeDate(year, month, day, result);
}

TDateTime StrToDate(const QString& s, const TFormatSettings& fs)
{
    TDateTime r;
    if (!TryStrToDate(s, r, fs))
        throw EConvertError(QStringLiteral("'%1' ist kein gültiges Datum").arg(s));
    return r;
}

TDateTime StrToDateDef(const QString& s, TDateTime def, const TFormatSettings& fs)
{
    TDateTime r;
    return TryStrToDate(s, r, fs) ? r : def;
}

bool TryStrToTime(const QString& text, TDateTime& result, const TFormatSettings& fs)
{
    QString s = text.trimmed();
    int pm = -1;  // -1 none, 0 am, 1 pm
    const QString lower = s.toLower();
    auto endsWith = [&](const QString& m) { return !m.isEmpty() && lower.endsWith(m.toLower()); };
    if (endsWith(fs.TimeAMString) || lower.endsWith(u"am")) {
        pm = 0;
        s.chop(endsWith(fs.TimeAMString) ? fs.TimeAMString.size() : 2);
    } else if (endsWith(fs.TimePMString) || lower.endsWith(u"pm")) {
        pm = 1;
        s.chop(endsWith(fs.TimePMString) ? fs.TimePMString.size() : 2);
    }
    const QStringList parts = s.trimmed().split(fs.TimeSeparator);
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    int values[3] = {0, 0, 0};
    int msec = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QString p = parts[i].trimmed();
        if (i == 2) {
            qsizetype dot = p.indexOf(fs.DecimalSeparator);
            if (dot < 0)
                dot = p.indexOf(u'.');
            if (dot >= 0) {
                QString frac = p.mid(dot + 1);
                if (!AllDigits(frac) || frac.size() > 3)
                    return false;
                msec = frac.leftJustified(3, u'0').toInt();
                p = p.left(dot);
            }
        }
        if (!AllDigits(p) || p.size() > 2)
            return false;
        values[i] = p.toInt();
    }
    int hour = values[0];
    if (pm >= 0) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + (pm == 1 ? 12 : 0);
    }
    return TryEncodeTime(hour, values[1], values[2], msec, result);
}

TDateTime StrToTime(const QString& s, const TFormatSettings& fs)
{
    TDateTime r;
    if (!TryStrToTime(s, r, fs))
        throw EConvertError(QStringLiteral("'%1' ist keine gültige Zeit").arg(s));
    return r;
}

bool TryStrToDateTime(const QString& text, TDateTime& result, const TFormatSettings& fs)
{
    const QString s = text.trimmed();
    const qsizetype blank = s.indexOf(u' ');
    TDateTime d, t = 0;
    if (blank < 0) {
        if (TryStrToDate(s, d, fs)) {
            result = d;
            return true;
        }
        if (TryStrToTime(s, t, fs)) {
            result = t;
            return true;
        }
        return false;
    }
    if (!TryStrToDate(s.left(blank), d, fs) || !TryStrToTime(s.mid(blank + 1), t, fs))
        return false;
    result = d >= 0 ? d + t : d - t;
    return true;
}

TDateTime StrToDateTime(const QString& s, const TFormatSettings& fs)
{
    TDateTime r;
    if (!TryStrToDateTime(s, r, fs))
        throw EConvertError(QStringLiteral("'%1' ist kein gültiges Datum mit Zeit").arg(s));
    return r;
}

// ---- Numbers ----------------------------------------------------------------

QString IntToStr(int64_t value)
{
    return QString::number(value);
}

QString IntToHex(int64_t value, int digits)
{
    QString s = value >= std::numeric_limits<int32_t>::min() && value < 0
                    ? QString::number(static_cast<uint32_t>(value), 16)
                    : QString::number(static_cast<uint64_t>(value), 16);
    return s.toUpper().rightJustified(digits, u'0');
}

bool TryStrToInt64(const QString& text, int64_t& value)
{
    QString s = TrimLeft(text);
    if (s.isEmpty())
        return false;
    bool neg = false;
    if (s[0] == u'-' || s[0] == u'+') {
        neg = s[0] == u'-';
        s.remove(0, 1);
    }
    int base = 10;
    if (s.startsWith(u'$')) {
        base = 16;
        s.remove(0, 1);
    } else if (s.startsWith(u"0x", Qt::CaseInsensitive)) {
        base = 16;
        s.remove(0, 2);
    }
    if (s.isEmpty())
        return false;
    uint64_t acc = 0;
    const uint64_t limit = neg ? uint64_t(1) << 63 : (uint64_t(1) << 63) - 1;
    for (QChar c : s) {
        int d;
        if (c >= u'0' && c <= u'9') d = c.unicode() - u'0';
        else if (base == 16 && c.toLower() >= u'a' && c.toLower() <= u'f') d = c.toLower().unicode() - u'a' + 10;
        else return false;
        if (acc > (limit - d) / base)
            return false;
        acc = acc * base + d;
    }
    value = neg ? static_cast<int64_t>(0 - acc) : static_cast<int64_t>(acc);
    return true;
}

bool TryStrToInt(const QString& s, int& value)
{
    int64_t v;
    if (!TryStrToInt64(s, v) || v < std::numeric_limits<int32_t>::min()
        || v > std::numeric_limits<int32_t>::max())
        return false;
    value = static_cast<int>(v);
    return true;
}

int StrToInt(const QString& s)
{
    int v;
    if (!TryStrToInt(s, v))
        throw EConvertError(QStringLiteral("'%1' ist kein gültiger Integerwert").arg(s));
    return v;
}

int StrToIntDef(const QString& s, int def)
{
    int v;
    return TryStrToInt(s, v) ? v : def;
}

int64_t StrToInt64(const QString& s)
{
    int64_t v;
    if (!TryStrToInt64(s, v))
        throw EConvertError(QStringLiteral("'%1' ist kein gültiger Integerwert").arg(s));
    return v;
}

int64_t StrToInt64Def(const QString& s, int64_t def)
{
    int64_t v;
    return TryStrToInt64(s, v) ? v : def;
}

namespace {

QString GroupThousands(const QString& digits, QChar sep)
{
    QString out;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += sep;
        out += digits[i];
    }
    return out;
}

// "1.5e+20" from Qt to the framework's "1,5E20" (exponent digits at least minDigits).
QString FrameworkExponent(QString s, const TFormatSettings& fs, int minDigits, bool plusSign)
{
    qsizetype e = s.indexOf(u'e');
    QString exp;
    if (e >= 0) {
        exp = s.mid(e + 1);
        s.truncate(e);
        const bool negExp = exp.startsWith(u'-');
        exp.remove(0, 1);  // sign
        while (exp.size() > 1 && exp.startsWith(u'0'))
            exp.remove(0, 1);
        exp = QString(negExp ? "E-" : (plusSign ? "E+" : "E")) + exp.rightJustified(minDigits, u'0');
    }
    s.replace(u'.', fs.DecimalSeparator);
    return s + exp;
}

}  // namespace

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                    const TFormatSettings& fs)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    precision = std::clamp(precision, 1, 18);
    digits = std::clamp(digits, 0, 18);
    const double mag = std::fabs(value);
    const int intDigits = mag >= 1 ? static_cast<int>(std::floor(std::log10(mag))) + 1 : 1;
    switch (format) {
    case TFloatFormat::ffGeneral:
        return FrameworkExponent(QString::number(value, 'g', precision), fs, digits, false);
    case TFloatFormat::ffExponent:
        return FrameworkExponent(QString::number(value, 'e', precision - 1), fs, std::min(digits, 4), true);
    case TFloatFormat::ffFixed:
    case TFloatFormat::ffNumber:
    case TFloatFormat::ffCurrency: {
        if (intDigits > precision && format != TFloatFormat::ffCurrency)
            return FloatToStrF(value, TFloatFormat::ffGeneral, precision, 0, fs);
        QString s = QString::number(mag, 'f', digits);
        QString intPart = s.section(u'.', 0, 0);
        const QString frac = s.section(u'.', 1, 1);
        if (format != TFloatFormat::ffFixed)
            intPart = GroupThousands(intPart, fs.ThousandSeparator);
        QString out = intPart + (frac.isEmpty() ? QString() : fs.DecimalSeparator + frac);
        bool zero = true;
        for (QChar c : s)
            if (c >= u'1' && c <= u'9')
                zero = false;
        const bool neg = value < 0 && !zero;
        if (format == TFloatFormat::ffCurrency)
            return (neg ? "-" : "") + out + u' ' + fs.CurrencyString;
        return (neg ? "-" : "") + out;
    }
    }
    return QString();
}

QString FloatToStr(double value, const TFormatSettings& fs)
{
    return FloatToStrF(value, TFloatFormat::ffGeneral, 15, 0, fs);
}

bool TryStrToFloat(const QString& text, double& value, const TFormatSettings& fs)
{
    QString s = text.trimmed();
    if (s.isEmpty())
        return false;
    QString plain;
    for (QChar c : s) {
        if (c == fs.DecimalSeparator)
            plain += u'.';
        else if ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'e' || c == u'E')
            plain += c;
        else
            return false;
    }
    bool ok = false;
    double v = QLocale::c().toDouble(plain, &ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

double StrToFloat(const QString& s, const TFormatSettings& fs)
{
    double v;
    if (!TryStrToFloat(s, v, fs))
        throw EConvertError(QStringLiteral("'%1' ist kein gültiger Gleitkommawert").arg(s));
    return v;
}

double StrToFloatDef(const QString& s, double def, const TFormatSettings& fs)
{
    double v;
    return TryStrToFloat(s, v, fs) ? v : def;
}

namespace {

// One section of a FormatFloat picture, applied to a non-negative value.
QString FormatSection(const QString& section, double value, const TFormatSettings& fs)
{
    // Scan the placeholders outside quotes.
    int intZeros = 0, intDigits = 0, decZeros = 0, decDigits = 0, expZeros = 0;
    bool thousands = false, inDecimals = false, exponent = false, expPlus = false;
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < section.size(); ++i) {
        QChar c = section[i];
        if (c == u'"' || c == u'\'') {
            qsizetype end = section.indexOf(c, i + 1);
            i = end < 0 ? section.size() : end;
            continue;
        }
        if (exponent) {
            if (c == u'0') {
                ++expZeros;
                last = i;
            }
            continue;
        }
        if (c == u'0' || c == u'#') {
            if (first < 0)
                first = i;
            last = i;
            if (inDecimals) {
                ++decDigits;
                if (c == u'0')
                    decZeros = decDigits;
            } else {
                ++intDigits;
                if (c == u'0')
                    ++intZeros;
            }
        } else if (c == u'.' && !inDecimals) {
            inDecimals = true;
            if (first < 0)
                first = i;
            last = i;
        } else if (c == u',') {
            thousands = true;
        } else if ((c == u'E' || c == u'e') && i + 1 < section.size()
                   && (section[i + 1] == u'+' || section[i + 1] == u'-') && first >= 0) {
            exponent = true;
            expPlus = section[i + 1] == u'+';
            last = ++i;
        }
    }
    auto literal = [&](qsizetype from, qsizetype to) {
        QString out;
        for (qsizetype i = from; i < to; ++i) {
            QChar c = section[i];
            if (c == u'"' || c == u'\'') {
                qsizetype end = section.indexOf(c, i + 1);
                if (end < 0)
                    end = section.size();
                out += section.mid(i + 1, end - i - 1);
                i = end;
            } else if (c != u',') {
                out += c;
            }
        }
        return out;
    };
    if (first < 0)
        return literal(0, section.size());

    int exp = 0;
    if (exponent && value != 0) {
        int digitsBefore = std::max(intDigits, 1);
        exp = static_cast<int>(std::floor(std::log10(value))) - (digitsBefore - 1);
        value /= std::pow(10.0, exp);
        // Rounding may carry into one more digit.
        if (QString::number(value, 'f', decDigits).indexOf(u'.') > digitsBefore
            || (decDigits == 0 && QString::number(value, 'f', 0).size() > digitsBefore)) {
            value /= 10;
            ++exp;
        }
    }
    QString num = QString::number(value, 'f', decDigits);
    QString intPart = num.section(u'.', 0, 0);
    QString decPart = decDigits > 0 ? num.section(u'.', 1, 1) : QString();
    while (decPart.size() > decZeros && decPart.endsWith(u'0'))
        decPart.chop(1);
    if (intPart == u"0" && intZeros == 0)
        intPart.clear();
    intPart = intPart.rightJustified(intZeros, u'0');
    if (thousands)
        intPart = GroupThousands(intPart, fs.ThousandSeparator);
    QString out = intPart;
    if (!decPart.isEmpty())
        out += fs.DecimalSeparator + decPart;
    if (exponent) {
        QString e = QString::number(std::abs(exp)).rightJustified(expZeros, u'0');
        out += u'E' + QString(exp < 0 ? "-" : (expPlus ? "+" : "")) + e;
    }
    return literal(0, first) + out + literal(last + 1, section.size());
}

}  // namespace

QString FormatFloat(const QString& format, double value, const TFormatSettings& fs)
{
    if (std::isnan(value) || std::isinf(value))
        return FloatToStr(value, fs);
    // Split into sections at ";" outside quotes.
    QStringList sections;
    QString cur;
    QChar quote;
    for (QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u';') {
            sections << cur;
            cur.clear();
            continue;
        }
        cur += c;
    }
    sections << cur;
    if (format.isEmpty())
        return FloatToStr(value, fs);

    QString section = sections[0];
    bool addMinus = value < 0;
    if (value < 0 && sections.size() >= 2 && !sections[1].isEmpty()) {
        section = sections[1];
        addMinus = false;
    } else if (value == 0 && sections.size() >= 3 && !sections[2].isEmpty()) {
        section = sections[2];
    }
    QString text = FormatSection(section, std::fabs(value), fs);
    // No minus sign in front of a figure that rounded to zero.
    bool allZero = true;
    for (QChar c : text)
        if (c >= u'1' && c <= u'9')
            allZero = false;
    return addMinus && !allZero ? u'-' + text : text;
}

QString BoolToStr(bool b, bool useBoolStrs)
{
    if (useBoolStrs)
        return b ? QStringLiteral("True") : QStringLiteral("False");
    return b ? QStringLiteral("-1") : QStringLiteral("0");
}

// ---- Strings ----------------------------------------------------------------

QString Trim(const QString& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] <= u' ')
        ++b;
    while (e > b && s[e - 1] <= u' ')
        --e;
    return s.mid(b, e - b);
}

QString TrimLeft(const QString& s)
{
    qsizetype b = 0;
    while (b < s.size() && s[b] <= u' ')
        ++b;
    return s.mid(b);
}

QString TrimRight(const QString& s)
{
    qsizetype e = s.size();
    while (e > 0 && s[e - 1] <= u' ')
        --e;
    return s.left(e);
}

QString UpperCase(const QString& s)
{
    QString r = s;
    for (QChar& c : r)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    return r;
}

QString LowerCase(const QString& s)
{
    QString r = s;
    for (QChar& c : r)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return r;
}

QString AnsiUpperCase(const QString& s)
{
    // Per character, so "ß" stays one character as in the Windows call.
    QString r = s;
    for (QChar& c : r)
        if (c != u'ß' && c != u'ÿ')
            c = c.toUpper();
    return r;
}

QString AnsiLowerCase(const QString& s)
{
    return s.toLower();
}

int CompareStr(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseSensitive);
}

int CompareText(const QString& a, const QString& b)
{
    return UpperCase(a).compare(UpperCase(b), Qt::CaseSensitive);
}

bool SameText(const QString& a, const QString& b)
{
    return a.size() == b.size() && CompareText(a, b) == 0;
}

int AnsiCompareText(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive);
}

bool AnsiSameText(const QString& a, const QString& b)
{
    return AnsiCompareText(a, b) == 0;
}

int Pos(const QString& sub, const QString& s)
{
    if (sub.isEmpty())
        return 0;
    return static_cast<int>(s.indexOf(sub)) + 1;
}

QString Copy(const QString& s, int index, int count)
{
    if (index < 1)
        index = 1;
    if (count <= 0 || index > s.size())
        return QString();
    return s.mid(index - 1, count);
}

QString StringOfChar(QChar c, int count)
{
    return count > 0 ? QString(count, c) : QString();
}

QString QuotedStr(const QString& s)
{
    QString r = s;
    r.replace(u'\'', QStringLiteral("''"));
    return u'\'' + r + u'\'';
}
