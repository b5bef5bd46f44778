#include "report/output/rg_utils.h"

#include <QDir>

#include <algorithm>
#include <climits>
#include <set>

#include "platform/core/exceptions.h"
#include "platform/core/mask_utils.h"
#include "platform/core/run_temp_folder.h"
#include "platform/core/streams.h"
#include "platform/core/string_list.h"
#include "platform/core/win1252.h"
#include "report/output/rg_strings.h"

namespace {

struct Sample {
    const char* Text;
    const char* Format;
};

constexpr Sample StringSamples[] = {
    {"Phone", "!\\(999\\)\\ 000\\-0000;0; "},
    {"Extension", "!99999;0; "},
    {"Social Security", "000\\-00\\-0000;0; "},
    {"Short Zip Code", "00000;0; "},
    {"Long Zip Code", "00000\\-9999;0; "},
    {"Date", "!99/99/00;0; "},
    {"Long Time", "!90:00:00\\ >LL;0; "},
    {"Short Time", "!90:00;0; "},
};

constexpr Sample NumberSamples[] = {
    {"-1,234", "#,0;-#,0"},
    {"-1,234.40", "#,0.00;-#,0.00"},
    {"(1,234.40)", "#,0.00;(#,0.00)"},
    {"($1,234.40)", "$#,0.00;($#,0.00)"},
    {"-$1,234.40", "$#,0.00;-$#,0.00"},
    {"-$1,234", "$#,0;-$#,0"},
    {"($1,234)", "$#,0;($#,0)"},
    {"-1234.4 %", "0 %"},
    {"-1234.40 %", "0.00 %"},
};

constexpr Sample DateSamples[] = {
    {"3/4/95", "m/d/yy"},
    {"03/04/95", "mm/dd/yy"},
    {"03/04/1995", "mm/dd/yyyy"},
    {"4-Mar-95 ", "d-mmm-yy"},
    {"04-Mar-95 ", "dd-mmm-yy"},
    {"March 4, 1995", "mmmm d, yyyy"},
    {"3/4", "m/d"},
    {"Mar-95", "mmm-yy"},
    {"March-95", "mmmm-yy"},
};

constexpr Sample TimeSamples[] = {
    {"1:30 PM", "h:nn AM/PM"},
    {"13:30", "h:nn"},
    {"1:30:55 PM", "h:nn:ss AM/PM"},
    {"13:30:55", "h:nn:ss"},
};

constexpr Sample DateTimeSamples[] = {
    {"3/4/95 1:30:55 PM", "m/d/yy h:nn:ss AM/PM"},
    {"3/4/95 13:30:55", "m/d/yy h:nn:ss"},
};

template <std::size_t N>
void AddSamples(TStringList& list, const Sample (&samples)[N])
{
    for (const Sample& s : samples)
        list.Add(QString::fromUtf8(s.Text) + rgSampleSeparator + QString::fromUtf8(s.Format));
}

}  // namespace

void rgGetDisplayFormatSamples(TrgDataType DataType, TStringList* List)
{
    if (!List)
        return;
    List->Clear();
    switch (DataType) {
    case dtString:
        AddSamples(*List, StringSamples);
        break;
    case dtInteger:
    case dtLongint:
    case dtDouble:
        AddSamples(*List, NumberSamples);
        break;
    case dtDate:
        AddSamples(*List, DateSamples);
        break;
    case dtTime:
        AddSamples(*List, TimeSamples);
        break;
    case dtDateTime:
        AddSamples(*List, DateTimeSamples);
        AddSamples(*List, DateSamples);
        break;
    default:
        break;
    }
}

void rgGetCalcText(TrgCalcType CalcType, int PageNo, int PageCount, QString& Text, bool HaveValues,
                   int LanguageBase, TDateTime PrintDateTime, const TFormatSettings& fs)
{
    const QString pageNo = IntToStr(HaveValues ? PageNo : 1);
    const QString pageCount = IntToStr(HaveValues ? PageCount : 1);
    const QString of = rgLoadString(LanguageBase + 16);
    const QString page = rgLoadString(LanguageBase + 18);
    switch (CalcType) {
    case ctDate:
        Text = DateTimeToStr(Date(), fs);
        break;
    case ctDateTime:
        Text = DateTimeToStr(Now(), fs);
        break;
    case ctPrintDateTime:
        Text = DateTimeToStr(HaveValues ? PrintDateTime : Now(), fs);
        break;
    case ctPageCount:
        Text = pageCount;
        break;
    case ctPageSet:
        Text = pageNo + u' ' + of + u' ' + pageCount;
        break;
    case ctPageSetDesc:
        Text = page + u' ' + pageNo + u' ' + of + u' ' + pageCount;
        break;
    case ctPageNo:
        Text = pageNo;
        break;
    case ctPageNoDesc:
        Text = page + u' ' + pageNo;
        break;
    case ctTime:
        Text = TimeToStr(Time(), fs);
        break;
    case ctCustom:
        break;
    }
}

namespace {

// A value's text as the framework's variants give it.
QString VariantText(const QVariant& value, const TFormatSettings& fs)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
    case QMetaType::Float:
        return FloatToStr(value.toDouble(), fs);
    case QMetaType::QDateTime:
        return DateTimeToStr(DateTimeFromQt(value.toDateTime()), fs);
    case QMetaType::QDate:
        return DateToStr(DateFromQt(value.toDate()), fs);
    case QMetaType::QTime:
        return TimeToStr(value.toTime().msecsSinceStartOfDay() / 86400000.0, fs);
    default:
        return value.toString();
    }
}

TDateTime VariantDateTime(const QVariant& value, const TFormatSettings& fs)
{
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return DateTimeFromQt(value.toDateTime());
    case QMetaType::QDate:
        return DateFromQt(value.toDate());
    case QMetaType::QTime:
        return value.toTime().msecsSinceStartOfDay() / 86400000.0;
    case QMetaType::QString:
        return StrToDateTime(value.toString(), fs);
    default:
        break;
    }
    bool ok = false;
    const double days = value.toDouble(&ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' ist kein gültiges Datum").arg(value.toString()));
    return days;
}

double VariantNumber(const QVariant& value, const TFormatSettings& fs)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? -1 : 0;  // the framework's True
    case QMetaType::QString:
        return StrToFloat(value.toString(), fs);
    case QMetaType::QDateTime:
    case QMetaType::QDate:
    case QMetaType::QTime:
        return VariantDateTime(value, fs);
    default:
        break;
    }
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' ist kein gültiger Gleitkommawert").arg(value.toString()));
    return number;
}

}  // namespace

void rgFormatValue(const QString& Format, TrgDataType DataType, const QVariant& Value, QString& Text,
                   const TFormatSettings& fs)
{
    Text.clear();
    if (!Value.isValid() || Value.isNull())
        return;
    switch (DataType) {
    case dtBoolean:
        Text = VariantText(Value, fs);
        break;
    case dtDate:
        Text = FormatDateTime(Format.isEmpty() ? fs.ShortDateFormat : Format, VariantDateTime(Value, fs), fs);
        break;
    case dtTime:
        Text = FormatDateTime(Format.isEmpty() ? fs.LongTimeFormat : Format, VariantDateTime(Value, fs), fs);
        break;
    case dtDateTime:
        Text = FormatDateTime(Format.isEmpty() ? QStringLiteral("c") : Format, VariantDateTime(Value, fs), fs);
        break;
    case dtInteger:
    case dtLongint:
    case dtDouble: {
        const double number = VariantNumber(Value, fs);
        Text = Format.isEmpty() ? FloatToStrF(number, TFloatFormat::ffGeneral, 15, 0, fs)
                                : FormatFloat(Format, number, fs);
        break;
    }
    case dtString:
        Text = VariantText(Value, fs);
        if (!Format.isEmpty())
            Text = FormatMaskText(Format, Text, fs);
        break;
    default:
        break;
    }
}

QString rgFixedLengthText(const QString& S, int Length, TAlignment Alignment)
{
    Length = std::max(Length, 0);
    if (S.size() >= Length)
        return S.left(Length);
    const int padding = Length - int(S.size());
    switch (Alignment) {
    case taRightJustify:
        return QString(padding, u' ') + S;
    case taCenter:
        return QString(padding / 2, u' ') + S + QString(padding - padding / 2, u' ');
    case taLeftJustify:
        break;
    }
    return S + QString(padding, u' ');
}

void rgParsePageList(const QString& Text, TStringList* List)
{
    if (!List)
        return;
    List->Clear();
    std::set<int> pages;
    auto add = [&pages](int page) {
        if (pages.size() < std::size_t(rgMaxPageListEntries))
            pages.insert(page);
    };

    int rangeStart = 0;  // 0: none known
    bool rangeOpen = false;
    int pending = -1;    // -1: no digits read
    auto completeNumber = [&] {
        if (pending < 0)
            return;
        const int n = pending;
        pending = -1;
        add(n);
        if (rangeOpen) {
            // Stop adding once the list is full: a range such as
            // 1-2000000000 neither runs for long nor grows without end.
            for (int page = rangeStart; page < n && pages.size() < std::size_t(rgMaxPageListEntries); ++page)
                add(page);
            rangeOpen = false;
        } else {
            rangeStart = n + 1;
        }
    };
    for (QChar c : Text) {
        if (c >= u'0' && c <= u'9') {
            const int digit = c.unicode() - u'0';
            pending = std::min(std::max(pending, 0) * 10 + digit, rgMaxPageNumber);
            continue;
        }
        completeNumber();
        if (c == u'-' && rangeStart > 0)
            rangeOpen = true;
    }
    completeNumber();

    for (int page : pages)
        List->Add(QString::number(page));
}

int rgVersionToNumber(const QString& Version)
{
    QString digits;
    bool dotSeen = false;
    for (QChar c : Version.left(20)) {
        if (c == u'.') {
            if (dotSeen)
                break;  // "3.5.2" is read as "3.5"
            dotSeen = true;
        } else if (c >= u'0' && c <= u'9') {
            digits += c;
        } else {
            break;
        }
    }
    while (digits.size() < 4)
        digits += u'0';
    bool ok = false;
    const qlonglong value = digits.toLongLong(&ok);
    if (!ok || value > INT_MAX)
        return INT_MAX;
    return int(value);
}

void rgSaveStringsToStream(const TStringList* Strings, TMemoryStream* Stream)
{
    if (!Strings || !Stream)
        return;
    Stream->Clear();
    const QByteArray bytes = Win1252EncodeOrThrow(Strings->Text());
    Stream->WriteBuffer(bytes.constData(), bytes.size());
}

void rgFixDecimalSeparators(TStringList* List, const TFormatSettings& fs)
{
    if (!List)
        return;
    for (int i = 0; i < List->Count(); ++i) {
        QString entry = List->Strings(i);
        List->SetStrings(i, entry.replace(u'.', fs.DecimalSeparator));
    }
}

QString rgExtractPath(const QString& FileName)
{
    const qsizetype slash = FileName.lastIndexOf(u'\\');
    return slash < 0 ? QString() : FileName.left(slash + 1);
}

float rgScaleToFit(float PictureWidth, float PictureHeight, float FrameWidth, float FrameHeight)
{
    if (PictureWidth <= 0 || PictureHeight <= 0)
        return 0;
    return std::min(FrameWidth / PictureWidth, FrameHeight / PictureHeight);
}

QString rgGetTempPath()
{
    // The run's own folder: what a killed run leaves there is cleared by
    // the next start.
    QString path = RunTempFolder();
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

QString rgGetTempFileName(const QString& Path, const QString& Prefix)
{
    QString folder = Path.isEmpty() ? rgGetTempPath() : Path;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    // Made new and exclusive; the caller removes it.
    return TRunTempFile(Prefix.left(3) + QStringLiteral(".tmp"), folder).Release();
}

namespace {

// The first letter of a property of the outermost object (a line indented
// by two blanks), or nothing for any other line such as "object ...".
QChar PropertyInitial(const QString& line)
{
    if (line.size() > 2 && line.startsWith(u"  ") && line[2] != u' ')
        return line[2];
    return QChar();
}

void AppendFraction(TStringList& lines, int i)
{
    const QString& line = lines.Strings(i);
    if (!line.contains(u'.'))
        lines.SetStrings(i, line + QStringLiteral(".0"));
}

}  // namespace

bool rgConvertTextTemplate(TStringList& Lines)
{
    static const QString headerKeys[] = {
        QStringLiteral("ColumnWidth = "), QStringLiteral("PaperHeight = "),
        QStringLiteral("PaperWidth = "), QStringLiteral("RowSpacing = "),
    };
    static const QString lengthKeys[] = {
        QStringLiteral(" Left = "), QStringLiteral(" Top = "),
        QStringLiteral(" Width = "), QStringLiteral(" Height = "),
    };
    constexpr int headerKeyCount = 4;

    int expected = 0;  // the header key looked for
    int i = 0;
    // The report's own properties stand first, in alphabetical order; a
    // property that sorts past a key means that key is not stored.
    for (; i < Lines.Count() && expected < headerKeyCount; ++i) {
        const QString& line = Lines.Strings(i);
        if (expected == 0 && !line.contains(headerKeys[0]) && PropertyInitial(line) > u'C')
            expected = 1;
        if (expected == headerKeyCount - 1 && !line.contains(headerKeys[expected]) && PropertyInitial(line) > u'R')
            break;  // this line already belongs to what follows the header
        if (line.contains(headerKeys[expected])) {
            AppendFraction(Lines, i);
            ++expected;
        }
    }

    bool versionSeen = false;
    for (; i < Lines.Count(); ++i) {
        if (!versionSeen)
            versionSeen = Lines.Strings(i).contains(u"Version");
        if (!versionSeen)
            continue;
        for (const QString& key : lengthKeys) {
            if (Lines.Strings(i).contains(key)) {
                AppendFraction(Lines, i);
                break;
            }
        }
    }
    return true;
}

QString rgGetPrinterFontName(const QString& FontName)
{
    QString name = FontName;
    if (name == u"Courier" || name == u"MS Serif")
        name = QStringLiteral("Courier New");
    else if (name == u"Fixedsys" || name == u"Modern" || name == u"MS Sans Serif" || name == u"Small Fonts"
             || name == u"System" || name == u"Terminal")
        name = QStringLiteral("Arial");

    if (name == u"Arial")
        return QStringLiteral("Liberation Sans");
    if (name == u"Arial Narrow")
        return QStringLiteral("Liberation Sans Narrow");
    if (name == u"Times New Roman")
        return QStringLiteral("Liberation Serif");
    if (name == u"Courier New")
        return QStringLiteral("Liberation Mono");
    return name;
}
