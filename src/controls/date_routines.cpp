#include "controls/date_routines.h"

#include <QApplication>

#include <cmath>

#include "platform/core/exceptions.h"

namespace {

int g_beeps = 0;

// Starts and final kinds of every field of s (or of its template).
struct TFieldList {
    QList<int> starts;
    QList<TDateFieldKind> kinds;
};

TFieldList ScanFields(const QString& s, const QString& tmpl)
{
    const QString& src = tmpl.isEmpty() ? s : tmpl;
    TFieldList list;
    bool inQuote = false;
    TDateFieldKind kind = TDateFieldKind::None;
    int count = 0;
    for (int pos = 1; pos <= src.size(); ++pos) {
        const int before = count;
        ScanFormatChar(src, pos, inQuote, kind, count);
        if (count != before) {
            list.starts.append(pos);
            list.kinds.append(kind);
        } else if (count > 0) {
            list.kinds.last() = kind;
        }
    }
    return list;
}

QString Name(const QStringList& names, int i)
{
    return i >= 1 && i < names.size() ? names.at(i) : QString();
}

}  // namespace

QChar TemplateLetter(TDateFieldKind kind)
{
    if (IsMonthKind(kind))
        return u'M';
    if (IsDayKind(kind))
        return u'D';
    if (kind >= TDateFieldKind::YY && kind <= TDateFieldKind::YYYY)
        return u'Y';
    if (kind == TDateFieldKind::Separator)
        return u':';
    return u'T';
}

// ---- date parts --------------------------------------------------------------

uint16_t MonthOfDate(TDateTime date)
{
    int y, m, d;
    DecodeDate(date, y, m, d);
    return uint16_t(m);
}

uint16_t YearOfDate(TDateTime date)
{
    int y, m, d;
    DecodeDate(date, y, m, d);
    return uint16_t(y);
}

uint16_t DayOfDate(TDateTime date)
{
    int y, m, d;
    DecodeDate(date, y, m, d);
    return uint16_t(d);
}

uint16_t CenturyOfDate(TDateTime date) { return CenturyOfYear(YearOfDate(date)); }
uint16_t CenturyOfYear(uint16_t year) { return uint16_t(year / 100); }

int DaysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    if (month == 2 && IsLeapYear(year))
        return 29;
    return days[month - 1];
}

bool IsValidDate(int year, int month, int day)
{
    // Years beyond 9999 cannot be held by a date field or the date
    // conversion; they count as invalid, like year 0.
    return month >= 1 && month <= 12 && year >= 1 && year <= 9999 && day >= 1
           && day <= DaysInMonth(year, month);
}

TDateTime ReplaceDatePart(int year, int month, int day, TDateTime old)
{
    TDateTime date = EncodeDate(year, month, day);
    double frac = std::fabs(old - std::trunc(old));
    return date >= 0 ? date + frac : date - frac;
}

// ---- scanning ----------------------------------------------------------------

bool IsSeparatorChar(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 32 && u <= 47) || (u >= 58 && u <= 64);
}

void ScanFormatChar(const QString& s, int pos, bool& inQuote, TDateFieldKind& kind, int& count)
{
    if (pos < 1 || pos > s.size())
        return;
    const QChar c = s.at(pos - 1);
    if (c == u'\'') {
        inQuote = !inQuote;
        return;
    }
    auto grow = [&](TDateFieldKind first, TDateFieldKind last) {
        if (kind >= first && kind <= last) {
            if (kind < last)
                kind = TDateFieldKind(uint8_t(kind) + 1);
        } else {
            kind = first;
            ++count;
        }
    };
    const QChar u = c.toUpper();
    if (!inQuote && u == u'M')
        grow(TDateFieldKind::M, TDateFieldKind::MMMM);
    else if (!inQuote && u == u'D')
        grow(TDateFieldKind::D, TDateFieldKind::DDDD);
    else if (!inQuote && u == u'Y')
        grow(TDateFieldKind::Y, TDateFieldKind::YYYY);
    else if (!inQuote && IsSeparatorChar(c)) {
        if (kind != TDateFieldKind::Separator)
            ++count;
        kind = TDateFieldKind::Separator;
    } else {
        if (kind != TDateFieldKind::Literal)
            ++count;
        kind = TDateFieldKind::Literal;
    }
}

int FieldCount(const QString& s, const QString& tmpl) { return int(ScanFields(s, tmpl).starts.size()); }

void FindField(int k, const QString& s, const QString& tmpl, int& start, TDateFieldKind& kind)
{
    const TFieldList list = ScanFields(s, tmpl);
    const int count = int(list.starts.size());
    if (count == 0) {
        start = 0;
        kind = TDateFieldKind::None;
        return;
    }
    if (k < 1)
        k = count;
    else if (k > count)
        k = 1;
    start = list.starts.at(k - 1);
    kind = list.kinds.at(k - 1);
}

int FieldStart(int k, const QString& text, const QString& tmpl)
{
    int start;
    TDateFieldKind kind;
    FindField(k, text, tmpl, start, kind);
    return start;
}

int FieldEnd(int k, const QString& text, const QString& tmpl)
{
    const TFieldList list = ScanFields(text, tmpl);
    const int count = int(list.starts.size());
    if (count == 0)
        return 0;
    if (k < 1)
        k = count;
    else if (k > count)
        k = 1;
    const int start = list.starts.at(k - 1);
    int end = k < count ? list.starts.at(k) - 1 : int(text.size());
    if (end > start && end <= text.size() && text.at(end - 1) == u'\'')
        --end;
    return end;
}

QString FieldText(int k, const QString& text, const QString& tmpl)
{
    if (k < 1 || k > FieldCount(text, tmpl))
        return QString();
    const int start = FieldStart(k, text, tmpl);
    const int end = FieldEnd(k, text, tmpl);
    return text.mid(start - 1, std::max(0, end - start + 1));
}

QString FormatFieldText(int k, const QString& format) { return FieldText(k, format, QString()); }

TDateFieldKind FormatFieldKind(int k, const QString& format)
{
    int start;
    TDateFieldKind kind;
    FindField(k, format, QString(), start, kind);
    if (kind == TDateFieldKind::Y || kind == TDateFieldKind::YYY)
        kind = TDateFieldKind::YY;
    return kind;
}

int FieldAtPos(const QString& format, const QString& tmpl, int pos)
{
    const TFieldList list = ScanFields(format, tmpl);
    const int count = int(list.starts.size());
    if (count == 0)
        return 0;
    int field = 1;
    for (int i = 0; i < count; ++i)
        if (list.starts.at(i) <= pos)
            field = i + 1;
    if (list.kinds.at(field - 1) == TDateFieldKind::Separator && field > 1)
        --field;
    return field;
}

QString Unquoted(const QString& s)
{
    QString out = s;
    out.remove(u'\'');
    return out;
}

// ---- editing -----------------------------------------------------------------

void InsertTemplateLetters(TDateFieldKind kind, QString& tmpl, int pos, int count)
{
    tmpl.insert(std::clamp(pos - 1, 0, int(tmpl.size())), QString(count, TemplateLetter(kind)));
}

QString RenderFieldValue(TDateFieldKind kind, int value)
{
    const TFormatSettings& fs = FormatSettings();
    switch (kind) {
    case TDateFieldKind::M:
    case TDateFieldKind::D:
        return QString::number(value);
    case TDateFieldKind::MM:
    case TDateFieldKind::DD:
        return QString::asprintf("%.2d", value);
    case TDateFieldKind::MMM:
        return value >= 1 && value <= 12 ? Name(fs.ShortMonthNames, value) : QStringLiteral("UKN");
    case TDateFieldKind::MMMM:
        return value >= 1 && value <= 12 ? Name(fs.LongMonthNames, value) : QStringLiteral("Unknown");
    case TDateFieldKind::DDD:
        return value >= 1 && value <= 7 ? Name(fs.ShortDayNames, value) : QStringLiteral("UKN");
    case TDateFieldKind::DDDD:
        return value >= 1 && value <= 7 ? Name(fs.LongDayNames, value) : QStringLiteral("Unknown");
    case TDateFieldKind::Y:
    case TDateFieldKind::YY:
    case TDateFieldKind::YYY:
        return QString::asprintf("%.2d", value - 100 * CenturyOfYear(uint16_t(value)));
    case TDateFieldKind::YYYY:
        return QString::asprintf("%.4d", value);
    default:
        return QString();
    }
}

void SetFieldValue(int k, TDateFieldKind kind, QString& text, uint16_t d, uint16_t m, uint16_t y,
                   int value, const QString& format, QString& tmpl)
{
    int c = FieldCount(text, tmpl);
    if (k > c + 1) {
        CompleteText(text, tmpl, format, d, m, y);
        c = FieldCount(text, tmpl);
    }
    if (k == c + 1 && k != 1) {
        int step = k - 1, len = 0, start = 0;
        NextField(step, text, tmpl, true, format, len, start);
        c = FieldCount(text, tmpl);
    }
    int pos = int(text.size()) + 1;
    if (k >= 1 && k <= c) {
        pos = FieldStart(k, text, tmpl);
        const int n = FieldEnd(k, text, tmpl) - pos + 1;
        text.remove(pos - 1, n);
        tmpl.remove(pos - 1, n);
    }
    const QString rendered = RenderFieldValue(kind, value);
    text.insert(pos - 1, rendered);
    InsertTemplateLetters(kind, tmpl, pos, int(rendered.size()));
}

void CompleteText(QString& text, QString& tmpl, const QString& format, uint16_t d, uint16_t m, uint16_t y)
{
    const int total = FieldCount(format, QString());
    int k = FieldCount(text, tmpl);
    while (k < total) {
        int len = 0, start = 0;
        NextField(k, text, tmpl, true, format, len, start);
        if (k > total)
            break;
        const TDateFieldKind kind = FormatFieldKind(k, format);
        if (IsMonthKind(kind))
            SetFieldValue(k, kind, text, d, m, y, m, format, tmpl);
        else if (IsDayNumberKind(kind))
            SetFieldValue(k, kind, text, d, m, y, d, format, tmpl);
        else if (IsWeekdayKind(kind)) {
            const int wd = IsValidDate(y, m, d) ? DayOfWeek(EncodeDate(y, m, d)) : 0;
            if (wd >= 0 && wd <= 7)
                SetFieldValue(k, kind, text, d, m, y, wd, format, tmpl);
        } else if (IsYearKind(kind))
            SetFieldValue(k, kind, text, d, m, y, y, format, tmpl);
        else
            break;  // a format without further date fields
    }
}

void NextField(int& k, QString& text, QString& tmpl, bool copyAll, const QString& format,
               int& selLength, int& selStart)
{
    const int total = FieldCount(format, QString());
    k = k + 1;
    const int first = k;
    // The bound keeps a format of nothing but separators from looping.
    while (k <= total) {
        const TDateFieldKind kind = FormatFieldKind(k, format);
        const bool copy = kind == TDateFieldKind::Separator
                          || (kind == TDateFieldKind::Literal && (copyAll || k == first));
        if (!copy)
            break;
        const QString lit = Unquoted(FormatFieldText(k, format));
        const int c = FieldCount(text, tmpl);
        int pos = int(text.size()) + 1;
        if (k <= c) {
            pos = FieldStart(k, text, tmpl);
            const int n = FieldEnd(k, text, tmpl) - pos + 1;
            text.remove(pos - 1, n);
            tmpl.remove(pos - 1, n);
        }
        text.insert(pos - 1, lit);
        InsertTemplateLetters(kind, tmpl, pos, int(lit.size()));
        ++k;
    }
    const int s = FieldStart(k, text, tmpl);
    selStart = s < 2 ? int(text.size()) : s - 1;
    selLength = text.size() >= s ? FieldEnd(k, text, tmpl) - selStart : 0;
    if (selLength < 0)
        selLength = 0;
}

namespace {

template <typename Pred>
void UpdateFields(QString& text, QString& tmpl, const QString& format, uint16_t d, uint16_t m, uint16_t y,
                  int skip, Pred pred, int value)
{
    const int total = FieldCount(format, QString());
    for (int k = 1; k <= total; ++k) {
        const TDateFieldKind kind = FormatFieldKind(k, format);
        if (k != skip && pred(kind))
            SetFieldValue(k, kind, text, d, m, y, value, format, tmpl);
    }
}

}  // namespace

void UpdateMonthFields(QString& text, QString& tmpl, const QString& format, uint16_t d, uint16_t m,
                       uint16_t y, int skip)
{
    if (m >= 1 && m <= 12)
        UpdateFields(text, tmpl, format, d, m, y, skip, IsMonthKind, m);
}

void UpdateDayFields(QString& text, QString& tmpl, const QString& format, uint16_t d, uint16_t m,
                     uint16_t y, int skip)
{
    if (d >= 1 && d <= 31)
        UpdateFields(text, tmpl, format, d, m, y, skip, IsDayNumberKind, d);
}

void UpdateYearFields(QString& text, QString& tmpl, const QString& format, uint16_t d, uint16_t m,
                      uint16_t y, int skip)
{
    UpdateFields(text, tmpl, format, d, m, y, skip, IsYearKind, y);
}

void UpdateWeekdayFields(QString& text, QString& tmpl, const QString& format, uint16_t& d, uint16_t& m,
                         uint16_t& y, int skip)
{
    const int wd = IsValidDate(y, m, d) ? DayOfWeek(EncodeDate(y, m, d)) : 0;
    SetWeekdayFields(text, tmpl, format, d, m, y, skip, wd);
}

bool SetWeekdayFields(QString& text, QString& tmpl, const QString& format, uint16_t& d, uint16_t& m,
                      uint16_t& y, int skip, int weekday)
{
    if (weekday >= 0 && weekday < 8)
        UpdateFields(text, tmpl, format, d, m, y, skip, IsWeekdayKind, weekday);
    return MoveToWeekday(weekday, d, m, y);
}

bool MoveToWeekday(int weekday, uint16_t& d, uint16_t& m, uint16_t& y)
{
    if (weekday < 1 || weekday > 7 || !IsValidDate(y, m, d))
        return false;
    const TDateTime date = EncodeDate(y, m, d);
    const int w = DayOfWeek(date);
    if (w == weekday)
        return false;
    const TDateTime moved = date + (weekday - w);
    int yy, mm, dd;
    DecodeDate(moved, yy, mm, dd);
    if (yy < 1)
        return false;  // no week before 1 January 0001
    y = uint16_t(yy), m = uint16_t(mm), d = uint16_t(dd);
    return true;
}

QString FormatDateParts(const QString& format, uint16_t d, uint16_t m, uint16_t y, QString* tmplOut)
{
    QString text, tmpl;
    UpdateMonthFields(text, tmpl, format, d, m, y, 0);
    UpdateDayFields(text, tmpl, format, d, m, y, 0);
    UpdateYearFields(text, tmpl, format, d, m, y, 0);
    uint16_t dd = d, mm = m, yy = y;
    UpdateWeekdayFields(text, tmpl, format, dd, mm, yy, 0);
    if (tmplOut)
        *tmplOut = tmpl;
    return text;
}

// ---- drawing -----------------------------------------------------------------

void DrawDropDownButton(const TRect& r, TCanvas* canvas, const TBitmap* glyphs, bool pressed, bool enabled)
{
    canvas->Brush.Style = bsSolid;
    canvas->Brush.Color = clBtnFace;
    canvas->FillRect(r);
    const int gw = glyphs ? glyphs->Width() / 2 : 0;
    const int gh = glyphs ? glyphs->Height() : 0;
    int x = r.Left + (r.Width() - gw) / 2 + 1;
    int y = r.Top + (r.Height() - gh) / 2;
    auto line = [&](int x1, int y1, int x2, int y2, TColor c) {
        canvas->Pen.Color = c;
        canvas->MoveTo(x1, y1);
        canvas->LineTo(x2, y2);
    };
    const int L = r.Left, T = r.Top, R = r.Right - 1, B = r.Bottom - 1;
    if (pressed) {
        line(L, B, L, T, clBtnShadow);
        line(L, T, R, T, clBtnShadow);
        line(R, T, R, B, clBtnShadow);
        line(R, B, L - 1, B, clBtnShadow);
        ++x, ++y;
    } else {
        line(L, B, L, T, cl3DLight);
        line(L, T, R + 1, T, cl3DLight);
        line(R, T, R, B, clWindowFrame);
        line(R, B, L - 1, B, clWindowFrame);
        line(L + 1, B - 1, L + 1, T + 1, clBtnHighlight);
        line(L + 1, T + 1, R, T + 1, clBtnHighlight);
        line(R - 1, T + 1, R - 1, B - 1, clBtnShadow);
        line(R - 1, B - 1, L, B - 1, clBtnShadow);
    }
    if (glyphs && gw > 0) {
        const TColor saved = canvas->Brush.Color;
        const QImage img = glyphs->ToImage().copy(enabled ? 0 : gw, 0, gw, gh);
        canvas->Painter()->drawImage(x, y, img);
        canvas->Brush.Color = saved;
    }
}

void ControlBeep()
{
    ++g_beeps;
    if (qApp)
        QApplication::beep();
}

int ControlBeepCount() { return g_beeps; }
