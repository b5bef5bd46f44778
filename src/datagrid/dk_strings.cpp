#include "datagrid/dk_strings.h"

#include "platform/core/string_list.h"

QString dkStrGetToken(const QString& text, const QString& delimiter, int& pos)
{
    if (pos < 1 || pos > text.size() || delimiter.isEmpty())
        return QString();
    QString hay = text;
    QString delim = delimiter;
    if (delimiter.size() > 1) {
        hay = text.toUpper();
        delim = u' ' + delimiter.toUpper() + u' ';
    }
    const qsizetype at = hay.indexOf(delim, pos - 1);
    if (at < 0) {
        const QString token = text.mid(pos - 1);
        pos = -1;
        return token;
    }
    const QString token = text.mid(pos - 1, at - (pos - 1));
    pos = static_cast<int>(at + delim.size()) + 1;
    return token;
}

QStringList dkStrSplit(const QString& text, QChar delimiter) { return text.split(delimiter); }

void dkStrSplit(const QString& text, QChar delimiter, TStringList& list)
{
    list.Clear();
    list.AddStrings(text.split(delimiter));
}

void dkStrTrimRightSet(QString& text, const QString& charSet)
{
    qsizetype n = text.size();
    while (n > 0 && charSet.contains(text.at(n - 1)))
        --n;
    text.truncate(n);
}

QString dkStrReplaceChar(const QString& text, QChar oldChar, QChar newChar)
{
    QString r = text;
    r.replace(oldChar, newChar);
    return r;
}

bool dkStrEqualNoCase(const QString& a, const QString& b) { return a.toUpper() == b.toUpper(); }

int dkStrCharCount(const QString& text, QChar c) { return static_cast<int>(text.count(c)); }

QString dkStrNextWord(const QString& text, int& pos, int options, const QString& delimiters)
{
    const int len = static_cast<int>(text.size());
    if (pos < 1 || pos > len)
        return QString();
    if (options & dkwSkipBlanks)
        while (pos <= len && (text.at(pos - 1) == u' ' || text.at(pos - 1) == u'\t'))
            ++pos;
    if (pos > len)
        return QString();
    QString word;
    if ((options & dkwQuotedWord) && text.at(pos - 1) == u'"') {
        const qsizetype close = text.indexOf(u'"', pos);  // 0-based, after the opening quote
        if (close < 0) {
            word = text.mid(pos - 1);
            pos = len + 1;
        } else {
            word = text.mid(pos - 1, close - (pos - 1) + 1);
            pos = static_cast<int>(close) + 2;
        }
    } else {
        const int start = pos;
        int i = pos;
        while (i <= len && text.at(i - 1).unicode() >= 33 && !delimiters.contains(text.at(i - 1)))
            ++i;
        if (i == start)
            ++i;  // a delimiter at the position is a word of its own
        word = text.mid(start - 1, i - start);
        pos = i;
    }
    if ((options & dkwStripQuotes) && !word.isEmpty() && (word.front() == u'"' || word.front() == u'\'')) {
        word.remove(0, 1);
        if (!word.isEmpty() && (word.back() == u'"' || word.back() == u'\''))
            word.chop(1);
    }
    return word;
}

QString dkStrAfterChar(const QString& text, QChar c)
{
    const qsizetype at = text.indexOf(c);
    return at < 0 ? QString() : text.mid(at + 1);
}

int dkDateOrderDayFirst(const QString& dateFormat)
{
    for (QChar c : dateFormat) {
        const QChar u = c.toUpper();
        if (u == u'D')
            return 1;
        if (u == u'Y')
            return 2;
        if (u == u'M')
            return 0;
    }
    return 0;
}

bool dkIsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

bool dkEncodeDate(int year, int month, int day, TDateTime& date)
{
    static const int days[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};
    if (year < 1 || year > 9999 || month < 1 || month > 12)
        return false;
    const int* table = days[dkIsLeapYear(year) ? 1 : 0];
    if (day < 1 || day > table[month - 1])
        return false;
    int dayOfYear = day;
    for (int m = 0; m < month - 1; ++m)
        dayOfYear += table[m];
    const int y = year - 1;
    date = y * 365 + y / 4 - y / 100 + y / 400 + dayOfYear - 693594;
    return true;
}

bool dkEncodeTime(int hour, int minute, int second, int msec, TDateTime& time)
{
    if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 || msec < 0 ||
        msec >= 1000)
        return false;
    time = ((hour * 60.0 + minute) * 60000.0 + second * 1000.0 + msec) / 86400000.0;
    return true;
}

namespace {

int Len(const QString& s) { return static_cast<int>(s.size()); }

void SkipBlanks(const QString& text, int& pos)
{
    while (pos <= Len(text) && text.at(pos - 1) == u' ')
        ++pos;
}

bool ScanChar(const QString& text, int& pos, QChar c)
{
    SkipBlanks(text, pos);
    if (pos <= Len(text) && text.at(pos - 1) == c) {
        ++pos;
        return true;
    }
    return false;
}

// Compares the text at pos with word, ignoring case; moves past it.
bool ScanWord(const QString& text, int& pos, const QString& word)
{
    if (word.isEmpty())
        return false;
    if (text.mid(pos - 1, word.size()).compare(word, Qt::CaseInsensitive) != 0)
        return false;
    pos += Len(word);
    return true;
}

}  // namespace

bool dkScanNumber(const QString& text, int& pos, int& value)
{
    SkipBlanks(text, pos);
    value = 0;
    const int start = pos;
    while (pos <= Len(text) && text.at(pos - 1) >= u'0' && text.at(pos - 1) <= u'9' && value < 1000) {
        value = value * 10 + (text.at(pos - 1).unicode() - u'0');
        ++pos;
    }
    if (pos > start)
        return true;
    if (pos + 2 > Len(text))
        return false;
    const QString name = text.mid(pos - 1, 3);
    const QStringList& months = FormatSettings().ShortMonthNames;
    for (int m = 1; m < months.size() && m <= 12; ++m)  // 1-based list
        if (months.at(m).compare(name, Qt::CaseInsensitive) == 0) {
            value = m;
            pos += 3;
            return true;
        }
    return false;
}

bool dkScanDate(const QString& text, int& pos, TDateTime& date)
{
    const TFormatSettings& fs = FormatSettings();
    int n1 = 0, n2 = 0, n3 = 0;
    if (!dkScanNumber(text, pos, n1) || !ScanChar(text, pos, fs.DateSeparator) || !dkScanNumber(text, pos, n2))
        return false;
    const int order = dkDateOrderDayFirst(fs.ShortDateFormat);
    int year = 0, month = 0, day = 0;
    const int save = pos;
    if (ScanChar(text, pos, fs.DateSeparator)) {
        if (!dkScanNumber(text, pos, n3))
            return false;
        if (order == 1) {
            day = n1, month = n2, year = n3;
        } else if (order == 2) {
            year = n1, month = n2, day = n3;
        } else {
            month = n1, day = n2, year = n3;
        }
        if (year <= 99)
            year += 1900;
    } else {
        pos = save;
        year = dkCurrentYear();
        if (order == 1)
            day = n1, month = n2;
        else
            month = n1, day = n2;
    }
    SkipBlanks(text, pos);
    return dkEncodeDate(year, month, day, date);
}

bool dkScanTime(const QString& text, int& pos, TDateTime& time)
{
    const TFormatSettings& fs = FormatSettings();
    int hour = 0, minute = 0, second = 0;
    if (!dkScanNumber(text, pos, hour) || !ScanChar(text, pos, fs.TimeSeparator) ||
        !dkScanNumber(text, pos, minute))
        return false;
    int save = pos;
    if (ScanChar(text, pos, fs.TimeSeparator)) {
        if (!dkScanNumber(text, pos, second))
            return false;
    } else {
        pos = save;
    }
    SkipBlanks(text, pos);
    int offset = -1;
    if (ScanWord(text, pos, fs.TimeAMString) || ScanWord(text, pos, QStringLiteral("AM")))
        offset = 0;
    else if (ScanWord(text, pos, fs.TimePMString) || ScanWord(text, pos, QStringLiteral("PM")))
        offset = 12;
    if (offset >= 0) {
        if (hour < 1 || hour > 12)
            return false;
        if (hour == 12)
            hour = 0;
        hour += offset;
    }
    SkipBlanks(text, pos);
    return dkEncodeTime(hour, minute, second, 0, time);
}

bool dkIsDateText(const QString& text)
{
    int pos = 1;
    TDateTime d = 0;
    return dkScanDate(text, pos, d) && pos > Len(text);
}

bool dkIsTimeText(const QString& text)
{
    int pos = 1;
    TDateTime t = 0;
    return dkScanTime(text, pos, t) && pos > Len(text);
}

bool dkIsDateTimeText(const QString& text)
{
    int pos = 1;
    TDateTime d = 0, t = 0;
    return dkScanDate(text, pos, d) && dkScanTime(text, pos, t) && pos > Len(text);
}

bool dkIsIntegerText(const QString& text)
{
    if (text.isEmpty())
        return true;
    int start = 0;
    if (text.front() == u'-') {
        if (text.size() == 1)
            return false;
        start = 1;
    }
    for (qsizetype i = start; i < text.size(); ++i)
        if (text.at(i) < u'0' || text.at(i) > u'9')
            return false;
    return true;
}

bool dkIsFloatText(const QString& text)
{
    if (text.isEmpty())
        return true;
    double v = 0;
    return TryStrToFloat(text.left(63), v);
}

int dkTimePartAtPos(int pos, const QString& text)
{
    const QChar sep = FormatSettings().TimeSeparator;
    int count = 0;
    int second = 0;
    for (int i = 1; i < pos && i <= Len(text); ++i)
        if (text.at(i - 1) == sep && ++count == 2)
            second = i;
    if (count == 0)
        return 3;
    if (count == 1)
        return 4;
    return pos - second > 2 ? 6 : 5;
}

int dkDatePartAtPos(int pos, const QString& text, bool timeOnly)
{
    if (timeOnly)
        return dkTimePartAtPos(pos, text);
    // A time behind the date begins after the first blank that follows it.
    qsizetype lead = 0;
    while (lead < text.size() && text.at(lead) == u' ')
        ++lead;
    const qsizetype blank = text.indexOf(u' ', lead);
    if (blank >= 0 && pos > blank + 1)
        return dkTimePartAtPos(pos - static_cast<int>(blank) - 1, text.mid(blank + 1));
    const QChar sep = FormatSettings().DateSeparator;
    int count = 0;
    for (int i = 1; i < pos && i <= Len(text); ++i)
        if (text.at(i - 1) == sep)
            ++count;
    if (count > 2)
        count = 2;
    static const int parts[3][3] = {{1, 0, 2}, {0, 1, 2}, {2, 1, 0}};
    return parts[dkDateOrderDayFirst(FormatSettings().ShortDateFormat)][count];
}

int dkCurrentYear()
{
    int y = 0, m = 0, d = 0;
    DecodeDate(Date(), y, m, d);
    return y;
}
