// Display formatting of field and calculated values, always by the program's
// format settings (German defaults), never by the process locale.
#include "report/output/rg_utils.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>

#include <clocale>
#include <cstdlib>

#include "platform/core/exceptions.h"

namespace {

struct Case {
    const char* format;
    TrgDataType type;
    QVariant value;
    const char* text;
};

QList<Case> Cases()
{
    const QDate march4(1995, 3, 4);
    return {
        {"#,0;-#,0", dtInteger, -1234, "-1.234"},
        {"#,0.00;-#,0.00", dtDouble, -1234.4, "-1.234,40"},
        {"#,0.00;(#,0.00)", dtDouble, -1234.4, "(1.234,40)"},
        {"$#,0.00;($#,0.00)", dtDouble, 1234.4, "$1.234,40"},
        {"$#,0;-$#,0", dtLongint, -1234, "-$1.234"},
        {"#,0.00;(#,0.00);Null", dtDouble, 0.0, "Null"},
        {"#,0.00;(#,0.00);Null", dtDouble, 7.0, "7,00"},
        {"0 %", dtDouble, -1234.4, "-1234 %"},
        {"0.00 %", dtDouble, -1234.4, "-1234,40 %"},
        {"#,0", dtInteger, QStringLiteral("1234,5"), "1.235"},
        {"0.0", dtDouble, true, "-1,0"},
        {"", dtDouble, 1234.5, "1234,5"},
        {"", dtDouble, 0.1 + 0.2, "0,3"},
        {"", dtDouble, 1e20, "1E20"},
        {"", dtInteger, 42, "42"},
        {"", dtDate, march4, "04.03.1995"},
        {"m/d/yy", dtDate, march4, "3.4.95"},
        {"mm/dd/yyyy", dtDate, march4, "03.04.1995"},
        {"mmmm d, yyyy", dtDate, march4, "März 4, 1995"},
        {"dddd", dtDate, march4, "Samstag"},
        {"", dtDate, QStringLiteral("4.3.1995"), "04.03.1995"},
        {"", dtTime, QTime(13, 30, 55), "13:30:55"},
        {"h:nn AM/PM", dtTime, QTime(13, 30, 55), "1:30 PM"},
        {"h:nn:ss", dtTime, QTime(9, 5, 7), "9:05:07"},
        {"", dtDateTime, QDateTime(march4, QTime(13, 30, 55)), "04.03.1995 13:30:55"},
        {"", dtDateTime, QDateTime(march4, QTime(0, 0)), "04.03.1995"},
        {"m/d/yy h:nn:ss", dtDateTime, QDateTime(march4, QTime(13, 30, 55)), "3.4.95 13:30:55"},
        {"", dtString, QStringLiteral("Urlaub"), "Urlaub"},
        {"!\\(999\\)\\ 000\\-0000;0; ", dtString, QStringLiteral("5551234567"), "(555) 123-4567"},
        {">LLLL;0; ", dtString, QStringLiteral("bonn"), "BONN"},
        {"", dtString, 12.5, "12,5"},
        {"", dtBoolean, true, "True"},
        {"", dtBoolean, QStringLiteral("Ja"), "Ja"},
        {"#,0", dtBLOB, 5, ""},
        {"", dtMemo, QStringLiteral("Text"), ""},
        {"", dtGraphic, QByteArray("x"), ""},
        {"", dtNotKnown, 5, ""},
        {"#,0", dtDouble, QVariant(), ""},
    };
}

QStringList FormatAll()
{
    QStringList texts;
    for (const Case& c : Cases()) {
        QString text = QStringLiteral("stale");
        rgFormatValue(QString::fromUtf8(c.format), c.type, c.value, text);
        texts << text;
    }
    return texts;
}

}  // namespace

TEST(RgFormatValue, ByTypeAndFormat)
{
    for (const Case& c : Cases()) {
        QString text = QStringLiteral("stale");
        rgFormatValue(QString::fromUtf8(c.format), c.type, c.value, text);
        EXPECT_EQ(text, QString::fromUtf8(c.text)) << c.format << " " << c.type << " " << c.value.toString().toStdString();
    }
}

TEST(RgFormatValue, DaysAsNumbersAreDates)
{
    QString text;
    rgFormatValue(QString(), dtDate, EncodeDate(2026, 12, 9), text);
    EXPECT_EQ(text, QStringLiteral("09.12.2026"));
    rgFormatValue(QStringLiteral("hh:nn"), dtTime, EncodeTime(7, 45, 0, 0), text);
    EXPECT_EQ(text, QStringLiteral("07:45"));
}

TEST(RgFormatValue, ValuesThatAreNoNumberOrDateThrow)
{
    QString text;
    EXPECT_THROW(rgFormatValue(QStringLiteral("#,0"), dtDouble, QStringLiteral("viele"), text), EConvertError);
    EXPECT_THROW(rgFormatValue(QString(), dtDate, QStringLiteral("gestern"), text), EConvertError);
    EXPECT_THROW(rgFormatValue(QString(), dtInteger, QVariant::fromValue(QStringList{"1"}), text), EConvertError);
}

TEST(RgFormatValue, OtherSettingsGiveOtherTexts)
{
    TFormatSettings us;
    us.DecimalSeparator = u'.';
    us.ThousandSeparator = u',';
    us.DateSeparator = u'/';
    us.ShortDateFormat = QStringLiteral("m/d/yyyy");
    QString text;
    rgFormatValue(QStringLiteral("$#,0.00;($#,0.00)"), dtDouble, -1234.4, text, us);
    EXPECT_EQ(text, QStringLiteral("($1,234.40)"));
    rgFormatValue(QString(), dtDate, QDate(1995, 3, 4), text, us);
    EXPECT_EQ(text, QStringLiteral("3/4/1995"));
}

TEST(RgFormatValue, TheProcessLocaleChangesNothing)
{
    const QStringList underC = FormatAll();
    const QByteArray oldLang = qgetenv("LANG");
    const QLocale oldLocale;
    qputenv("LANG", "de_DE.UTF-8");
    std::setlocale(LC_ALL, "");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QStringList underOthers = FormatAll();
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QStringList underGerman = FormatAll();
    qputenv("LANG", oldLang);
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(oldLocale);
    EXPECT_EQ(underOthers, underC);
    EXPECT_EQ(underGerman, underC);
}
