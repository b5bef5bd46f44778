// Bar code symbologies: validation messages in their order, check digits,
// add-ons, Code 128 code sets and errors; module rows compared with the rows
// zint draws for the same data.
#include "report/output/rg_barcode.h"

#include "platform/ui/prompt_script.h"
#include "report/output/rg_strings.h"

#include <QProcess>
#include <QStandardPaths>

#include <random>

#include <gtest/gtest.h>

namespace {

// 0.01 inch at 100 pixels per inch: every narrow module is one character.
constexpr int kModuleBarWidth = 254;
constexpr int kModuleResolution = 100;

QString Code128(char16_t start, const QString& rest)
{
    return QString(QChar(start)) + rest;
}

std::string EncodeModules(TrgBarCodeType type, const QString& data, float wideBarRatio = 3,
                          bool calcCheckDigit = true)
{
    TrgBarCodeEncoder encoder;
    encoder.BarCodeType = type;
    encoder.Data = data;
    encoder.BarWidth = kModuleBarWidth;
    encoder.WideBarRatio = wideBarRatio;
    encoder.CalcCheckDigit = calcCheckDigit;
    encoder.SuppressMessages = true;
    return encoder.Encode(kModuleResolution);
}

// ---- zint as the outside reference ------------------------------------------------

// The rows of `zint --dump`: hexadecimal, four modules a digit, the last
// digit padded with zeros.
std::vector<std::string> ZintRows(const QString& symbology, const QString& data, bool escapes = false)
{
    QStringList args{"--barcode=" + symbology, "--dump", "--data=" + data};
    if (escapes)
        args << "--esc";
    QProcess zint;
    zint.start("zint", args);
    if (!zint.waitForFinished(30000) || zint.exitCode() != 0) {
        ADD_FAILURE() << "zint " << args.join(' ').toStdString() << ": " << zint.readAll().toStdString();
        return {};
    }
    std::vector<std::string> rows;
    for (const QByteArray& line : zint.readAllStandardOutput().split('\n')) {
        std::string bits;
        for (char c : line) {
            if (c == ' ')
                continue;
            const int nibble = QByteArray(1, c).toInt(nullptr, 16);
            for (int bit = 3; bit >= 0; --bit)
                bits += (nibble >> bit) & 1 ? '1' : '0';
        }
        if (!bits.empty())
            rows.push_back(bits);
    }
    return rows;
}

std::string WithoutTrailingSpace(std::string row)
{
    row.erase(row.find_last_not_of('0') + 1);
    return row;
}

class ZintOracle : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("zint").isEmpty())
            GTEST_SKIP() << "zint is not installed (scripts/setup installs it)";
    }
};

struct OracleCase {
    TrgBarCodeType type;
    QString data;
    QString zintSymbology;
    QString zintData;
    float wideBarRatio = 3;
    bool zintEscapes = false;
};

// UPC-A, EAN-13 (every first digit, so every set pattern), Interleaved 2 of 5
// (every digit in both places of a pair) and Code 128 in its three sets.
// zint draws Interleaved 2 of 5 with wide elements of 3 modules.
TEST_F(ZintOracle, SingleRowSymbolsMatch)
{
    const OracleCase cases[] = {
        {bcUPC_A, "01234567890", "UPCA", "01234567890"},
        {bcUPC_A, "036000291452", "UPCA", "03600029145"},
        {bcUPC_A, "98765432109", "UPCA", "98765432109"},
        {bcEAN_13, "001234567890", "EANX", "001234567890"},
        {bcEAN_13, "112345678901", "EANX", "112345678901"},
        {bcEAN_13, "223456789012", "EANX", "223456789012"},
        {bcEAN_13, "334567890123", "EANX", "334567890123"},
        {bcEAN_13, "400638133393", "EANX", "400638133393"},
        {bcEAN_13, "590123412345", "EANX", "590123412345"},
        {bcEAN_13, "678901234567", "EANX", "678901234567"},
        {bcEAN_13, "789012345678", "EANX", "789012345678"},
        {bcEAN_13, "890123456789", "EANX", "890123456789"},
        {bcEAN_13, "978316148410", "EANX", "978316148410"},
        {bcInt2of5, "1234567890", "C25INTER", "1234567890"},
        {bcInt2of5, "0918273645546372819000", "C25INTER", "0918273645546372819000"},
        {bcCode128, Code128(rgCode128StartB, "AB"), "CODE128", "AB"},
        {bcCode128, Code128(rgCode128StartB, "Hello, World! ~{|}`"), "CODE128", "Hello, World! ~{|}`"},
        {bcCode128, Code128(rgCode128StartC, "123456"), "CODE128", "123456"},
        {bcCode128, Code128(rgCode128StartC, "00998877665544332211"), "CODE128", "00998877665544332211"},
        // Control characters of set A: #211 + 9 is a tab.
        {bcCode128, Code128(rgCode128StartA, "A") + QChar(220) + "B", "CODE128", "A\\tB", 3, true},
    };
    for (const OracleCase& c : cases) {
        SCOPED_TRACE((c.zintSymbology + " " + c.zintData).toStdString());
        const std::vector<std::string> zint = ZintRows(c.zintSymbology, c.zintData, c.zintEscapes);
        ASSERT_EQ(zint.size(), 1u);
        const std::string ours = EncodeModules(c.type, c.data, c.wideBarRatio);
        ASSERT_FALSE(ours.empty());
        EXPECT_EQ(ours, WithoutTrailingSpace(zint[0]));
    }
}

TEST_F(ZintOracle, UpcAndEanSymbolsHave95Modules)
{
    EXPECT_EQ(EncodeModules(bcUPC_A, "01234567890").size(), 95u);
    EXPECT_EQ(EncodeModules(bcEAN_13, "001234567890").size(), 95u);
}

// Code 39: zint draws wide elements of 2 modules and one module between the
// characters; the engine leaves two. Every character of the table appears.
TEST_F(ZintOracle, Code39MatchesWithTheWiderGap)
{
    const QString cases[] = {"0123456789", "ABCDEFGHIJKLM", "NOPQRSTUVWXYZ", "-. $/+%", "CODE 39"};
    constexpr size_t kCharacter = 12;  // 6 narrow + 3 wide elements of 2
    for (const QString& data : cases) {
        SCOPED_TRACE(data.toStdString());
        const std::vector<std::string> zint = ZintRows("CODE39", data);
        ASSERT_EQ(zint.size(), 1u);
        const std::string ours = EncodeModules(bcCode39, data, 2);
        ASSERT_EQ(ours.size(), size_t(data.size() + 2) * (kCharacter + 2));
        std::string withZintGap;
        for (size_t i = 0; i < ours.size(); i += kCharacter + 2) {
            EXPECT_EQ(ours.substr(i + kCharacter, 2), "00");
            if (i > 0)
                withZintGap += '0';
            withZintGap += ours.substr(i, kCharacter);
        }
        EXPECT_EQ(withZintGap, WithoutTrailingSpace(zint[0]));
    }
}

// POSTNET: zint gives two rows, full bars in the top row and every bar in
// the bottom one; at one module per bar the spaces (1.375 modules) round to 1.
TEST_F(ZintOracle, PostnetMatchesBothRows)
{
    for (const QString data : {"12345", "123456789", "98765432109", "55555"}) {
        SCOPED_TRACE(data.toStdString());
        const std::vector<std::string> zint = ZintRows("POSTNET", data);
        ASSERT_EQ(zint.size(), 2u);
        const std::string ours = EncodeModules(bcPostnet, data);
        std::string top, bottom;
        for (char c : ours) {
            top += c == '2' ? '1' : '0';
            bottom += c == '0' ? '0' : '1';
        }
        EXPECT_EQ(top, WithoutTrailingSpace(zint[0]));
        EXPECT_EQ(bottom, WithoutTrailingSpace(zint[1]));
    }
}

// zint draws the add-on in the same row after a gap of spaces.
TEST_F(ZintOracle, AddOnsMatch)
{
    struct AddOnCase {
        TrgBarCodeType type;
        QString data, addOn, zintSymbology;
    };
    const AddOnCase cases[] = {
        {bcEAN_13, "001234567890", "12", "EANX"}, {bcEAN_13, "001234567890", "00", "EANX"},
        {bcEAN_13, "001234567890", "33", "EANX"}, {bcEAN_13, "400638133393", "07", "EANX"},
        {bcEAN_13, "978316148410", "52495", "EANX"}, {bcUPC_A, "01234567890", "05", "UPCA"},
        {bcUPC_A, "01234567890", "12345", "UPCA"},   {bcUPC_A, "01234567890", "98765", "UPCA"},
        {bcUPC_A, "01234567890", "00000", "UPCA"},   {bcEAN_13, "001234567890", "24680", "EANX"},
    };
    for (const AddOnCase& c : cases) {
        SCOPED_TRACE((c.data + "+" + c.addOn).toStdString());
        TrgBarCodeEncoder encoder;
        encoder.BarCodeType = c.type;
        encoder.Data = c.data;
        encoder.AddOnCode = c.addOn;
        encoder.BarWidth = kModuleBarWidth;
        const std::string main = encoder.Encode(kModuleResolution);
        const std::string addOn = encoder.EncodeAddOn(kModuleResolution);
        ASSERT_EQ(addOn.size(), c.addOn.size() == 2 ? 20u : 47u);

        const std::vector<std::string> zint = ZintRows(c.zintSymbology, c.data + "+" + c.addOn);
        ASSERT_EQ(zint.size(), 1u);
        const std::string row = WithoutTrailingSpace(zint[0]);
        ASSERT_GT(row.size(), main.size() + addOn.size());
        EXPECT_EQ(row.substr(0, main.size()), main);
        EXPECT_EQ(row.substr(row.size() - addOn.size()), addOn);
        EXPECT_EQ(row.substr(main.size(), row.size() - main.size() - addOn.size()).find('1'), std::string::npos);
    }
}

// ---- element widths at a device resolution ----------------------------------------

TEST(BarCodeRows, ElementsScaleWithTheResolution)
{
    // 0.01 inch at 300 pixels per inch: every module is three pixels.
    for (const auto& [type, data] : std::vector<std::pair<TrgBarCodeType, QString>>{
             {bcUPC_A, "01234567890"}, {bcEAN_13, "400638133393"}, {bcCode128, Code128(rgCode128StartB, "Row")}}) {
        TrgBarCodeEncoder encoder;
        encoder.BarCodeType = type;
        encoder.Data = data;
        const std::string modules = EncodeModules(type, data);
        std::string tripled;
        for (char c : modules)
            tripled.append(3, c);
        EXPECT_EQ(encoder.Encode(300), tripled) << data.toStdString();
    }
}

TEST(BarCodeRows, Code39AtSixHundredPixelsPerInch)
{
    TrgBarCodeEncoder encoder;
    encoder.BarCodeType = bcCode39;
    encoder.Data = "A";
    encoder.BarWidth = 254;  // 0.01 inch: narrow 6, wide 18, gap 12 pixels
    encoder.WideBarRatio = 3;
    const std::string row = encoder.Encode(600);
    // "*" 010010100, "A" 100001001, "*": per character 6 narrow + 3 wide + gap.
    ASSERT_EQ(row.size(), 3u * (6 * 6 + 3 * 18 + 12));
    EXPECT_EQ(row.substr(0, 6), std::string(6, '1'));        // narrow bar
    EXPECT_EQ(row.substr(6, 18), std::string(18, '0'));      // wide space
    EXPECT_EQ(row.substr(90, 12), std::string(12, '0'));     // the gap after "*"
    EXPECT_EQ(row.substr(102, 18), std::string(18, '1'));    // "A" begins with a wide bar
}

TEST(BarCodeRows, PostnetSpacesAreOneAndThreeEighthsModules)
{
    TrgBarCodeEncoder encoder;
    encoder.BarCodeType = bcPostnet;
    encoder.Data = "12345";
    encoder.BarWidth = 508;  // 0.02 inch at 400 pixels per inch: bars of 8, spaces of 11
    const std::string row = encoder.Encode(400);
    EXPECT_EQ(row.substr(0, 8 + 11), std::string(8, '2') + std::string(11, '0'));
    // Frame bar, 6 digits of 5 bars, frame bar; no space after the last.
    EXPECT_EQ(row.size(), size_t(32 * 8 + 31 * 11));
    EXPECT_EQ(row.back(), '2');
}

// ---- check digits and data ----------------------------------------------------------

TEST(BarCodeData, CheckDigitsAreAppended)
{
    struct Case {
        TrgBarCodeType type;
        QString data;
        bool calc;
        QString after;
    };
    const Case cases[] = {
        {bcUPC_A, "01234567890", true, "012345678905"},
        {bcUPC_A, "012345678901", true, "012345678905"},  // a wrong twelfth digit is replaced
        {bcUPC_A, "012345678901", false, "012345678901"},
        {bcEAN_13, "001234567890", true, "0012345678905"},
        {bcEAN_13, "0012345678909", true, "0012345678905"},
        {bcEAN_13, "400638133393", true, "4006381333931"},
        {bcEAN_13, "4006381333930", false, "4006381333930"},
        {bcPostnet, "12345-6789", true, "12345-6789"},  // its check digit is drawn, not stored
        {bcInt2of5, "1234", true, "1234"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data.toStdString());
        TrgBarCodeEncoder encoder;
        encoder.BarCodeType = c.type;
        encoder.Data = c.data;
        encoder.CalcCheckDigit = c.calc;
        EXPECT_FALSE(encoder.Encode(96).empty());
        EXPECT_EQ(encoder.Data, c.after);
        EXPECT_EQ(encoder.HumanReadableText(), c.after);
    }
}

TEST(BarCodeData, WrongCheckDigitGivesAnotherSymbol)
{
    EXPECT_NE(EncodeModules(bcEAN_13, "0012345678901", 3, false), EncodeModules(bcEAN_13, "0012345678905", 3, false));
    EXPECT_EQ(EncodeModules(bcEAN_13, "0012345678901", 3, true), EncodeModules(bcEAN_13, "0012345678905", 3, false));
}

TEST(BarCodeData, PostnetDrawsTheCheckDigit)
{
    // 1 to 9 add up to 45: check digit 5; 10 digits of 5 bars and 2 frame bars.
    const std::string row = EncodeModules(bcPostnet, "12345-6789");
    int bars = 0;
    for (size_t i = 0; i < row.size(); ++i)
        bars += row[i] != '0' && (i == 0 || row[i - 1] == '0');
    EXPECT_EQ(bars, 52);
    // The check digit's bars are those of a 5 written as data.
    const std::string five = EncodeModules(bcPostnet, "55555");
    EXPECT_EQ(row.substr(row.size() - 11, 10), five.substr(2, 10));
}

TEST(BarCodeData, Code39IsFramedAndUpperCase)
{
    EXPECT_EQ(EncodeModules(bcCode39, "abc-z"), EncodeModules(bcCode39, "ABC-Z"));
    EXPECT_EQ(EncodeModules(bcCode39, "ABC"), EncodeModules(bcCode39, "*ABC*"));
    EXPECT_EQ(EncodeModules(bcCode39, "ABC"), EncodeModules(bcCode39, "*ABC"));
    EXPECT_NE(EncodeModules(bcCode39, "ABC"), EncodeModules(bcCode39, "ABD"));
}

TEST(BarCodeData, Code128CheckValue)
{
    // #209 A B: (104 + 1 x 33 + 2 x 34) mod 103 = 102, the value FNC1 has.
    const std::string ab = EncodeModules(bcCode128, Code128(rgCode128StartB, "AB"));
    const std::string fnc1 = EncodeModules(bcCode128, Code128(rgCode128StartB, QString(QChar(rgCode128Fnc1))));
    ASSERT_EQ(ab.size(), 11u * 4 + 13);
    EXPECT_EQ(ab.substr(33, 11), fnc1.substr(11, 11));
}

TEST(BarCodeData, Code128CheckValueOfVeryLongData)
{
    // Ten thousand pairs in set C: the weighted sum runs far beyond 32 bits;
    // only its remainder counts. The pairs are chosen so that the check
    // value is below 100, so a pair of that value shows its pattern.
    QString digits;
    int64_t sum = 105;
    for (int p = 1; p <= 10000; ++p) {
        const int value = (p * 37) % 100;
        digits += QStringLiteral("%1").arg(value, 2, 10, QChar(u'0'));
        sum += int64_t(p) * value;
    }
    int check = int(sum % 103);
    if (check >= 100) {
        digits.replace(0, 2, QStringLiteral("%1").arg(37 - (check - 99), 2, 10, QChar(u'0')));
        check = 99;
    }
    const std::string row = EncodeModules(bcCode128, Code128(rgCode128StartC, digits));
    ASSERT_EQ(row.size(), 11u * 10002 + 13);
    const std::string pair =
        EncodeModules(bcCode128, Code128(rgCode128StartC, QStringLiteral("%1").arg(check, 2, 10, QChar(u'0'))));
    EXPECT_EQ(row.substr(11 * 10001, 11), pair.substr(11, 11));
}

TEST(BarCodeData, Code128SetChangesAndShift)
{
    // Shift in set B reads one character of set A; the set returns after it.
    const QString shifted = Code128(rgCode128StartB, "ab") + QChar(rgCode128Shift) + QChar(220) + "cd";
    const QString viaSetA = Code128(rgCode128StartB, "ab") + QChar(rgCode128CodeA) + QChar(220) +
                            QChar(rgCode128CodeB) + "cd";
    TrgBarCodeEncoder encoder;
    encoder.BarCodeType = bcCode128;
    encoder.Data = shifted;
    encoder.SuppressMessages = true;
    EXPECT_FALSE(encoder.Encode(100).empty());
    EXPECT_TRUE(encoder.Valid);
    // Both read "ab<tab>cd"; the shifted form is one symbol shorter.
    EXPECT_EQ(EncodeModules(bcCode128, viaSetA).size() - EncodeModules(bcCode128, shifted).size(), 11u);
    // Code C inside set B, then back to B by its code.
    const QString mixed = Code128(rgCode128StartB, "AB") + QChar(rgCode128CodeC) + "1234" +
                          QChar(rgCode128CodeB) + "x";
    EXPECT_EQ(EncodeModules(bcCode128, mixed).size(), 11u * (1 + 2 + 1 + 2 + 1 + 1 + 1) + 13);
    // Human-readable text: the printable characters only.
    encoder.Data = mixed;
    EXPECT_EQ(encoder.HumanReadableText(), "AB1234x");
}

// ---- errors ------------------------------------------------------------------------

struct ErrorCase {
    QString data;
    int message;
    QString tag;
};

TEST(BarCodeErrors, Code128ErrorsPrintNothing)
{
    const QChar a(rgCode128StartA), b(rgCode128StartB), c(rgCode128StartC);
    const ErrorCase cases[] = {
        {"AB", 451, {}},
        {QString(b) + "AB" + a, 452, {}},
        {QString(a) + "Ab", 453, "b"},
        {QString(c) + "12~", 453, "~"},
        {QString(b) + "A" + QChar(211), 454, {}},
        {QString(c) + "123", 455, {}},
        {QString(c) + "12A4", 456, {}},
        {QString(c) + "12" + QChar(201), 457, {}},
        {QString(c) + QChar(rgCode128Shift), 457, {}},
        {QString(b) + "A" + QChar(rgCode128Shift) + QChar(rgCode128Shift) + "B", 458, {}},
    };
    for (const ErrorCase& e : cases) {
        SCOPED_TRACE(e.data.toStdString());
        TrgBarCodeEncoder encoder;
        encoder.BarCodeType = bcCode128;
        encoder.Data = e.data;
        encoder.SuppressMessages = true;
        EXPECT_TRUE(encoder.Encode(300).empty());
        EXPECT_FALSE(encoder.Valid);
        EXPECT_EQ(encoder.ErrorMessage(), rgFillMessageTags(rgLoadString(rgEnglishBase + e.message), {e.tag}));
        // Once invalid, the bar code stays empty.
        encoder.Data = QString(b) + "AB";
        EXPECT_TRUE(encoder.Encode(300).empty());
    }
}

TEST(BarCodeErrors, MessageNamesTheCharacter)
{
    TrgBarCodeEncoder encoder;
    encoder.BarCodeType = bcCode128;
    encoder.Data = Code128(rgCode128StartA, "x");
    encoder.SuppressMessages = true;
    encoder.Encode(300);
    EXPECT_EQ(encoder.ErrorMessage(), "Only Code B can contain the character x");
}

TEST(BarCodeErrors, MessageBoxUnlessSuppressed)
{
    TPromptScript script;
    script.Answer(mrOk, "must begin with a start code");
    TrgBarCodeEncoder encoder;
    encoder.BarCodeType = bcCode128;
    encoder.Data = "ABC";
    EXPECT_TRUE(encoder.Encode(300).empty());
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Kind, TPromptKind::Dialog);
    EXPECT_EQ(script.Records()[0].DlgType, mtError);
    EXPECT_EQ(script.Records()[0].Buttons, TMsgDlgButtons{mbOK});
    EXPECT_EQ(script.Records()[0].Text, "Code 128 must begin with a start code (#208, #209 or #210)");

    TrgBarCodeEncoder quiet;
    quiet.BarCodeType = bcCode128;
    quiet.Data = "ABC";
    quiet.SuppressMessages = true;
    quiet.Encode(300);
    EXPECT_EQ(script.Records().size(), 1u);
}

TEST(BarCodeErrors, MessagesInTheReportLanguage)
{
    TrgBarCodeEncoder encoder;
    encoder.BarCodeType = bcCode128;
    encoder.Data = Code128(rgCode128StartC, "123");
    encoder.SuppressMessages = true;
    encoder.Language = lgGerman;
    encoder.Encode(300);
    EXPECT_EQ(encoder.ErrorMessage(), rgLoadString(rgGermanBase + 455));
    EXPECT_NE(encoder.ErrorMessage(), rgLoadString(rgEnglishBase + 455));
    EXPECT_EQ(rgValidateBarCodeData(bcUPC_A, "1", true, lgGerman), rgLoadString(rgGermanBase + 438));
}

struct ValidationCase {
    TrgBarCodeType type;
    QString data;
    bool calc;
    QString message;  // empty: accepted
};

TEST(BarCodeErrors, ValidationMessagesInTheirOrder)
{
    const ValidationCase cases[] = {
        {bcUPC_A, "", false, ""},
        {bcUPC_A, "0123456789", true, "UPC-A barcodes must be 11 digits (12 with check digit)"},
        {bcUPC_A, "0123456789AB", true, "UPC-A barcodes must be numeric"},
        {bcUPC_A, "01234567890", false, "UPC-A barcodes must be 12 digits including the check digit"},
        {bcUPC_A, "0123456789A", false, "UPC-A barcodes must be 12 digits including the check digit"},
        {bcUPC_A, "0123456789A", true, "UPC-A barcodes must be numeric"},
        {bcUPC_A, "012345678905", false, ""},
        {bcUPC_A, "01234567890", true, ""},
        {bcEAN_13, "0012345678", true, "EAN-13 barcodes must be 12 digits (13 with check digit)"},
        {bcEAN_13, "001234567890", false, "EAN-13 barcodes must be 13 digits including the check digit"},
        {bcEAN_13, "00123456789 0", false, "EAN-13 barcodes must be numeric"},
        {bcEAN_13, "0012345678905", false, ""},
        {bcInt2of5, "12a", true, "Interleaved 2 of 5 barcodes must be numeric"},
        {bcInt2of5, "123", true, "Interleaved 2 of 5 barcodes must have an even number of digits"},
        {bcInt2of5, "1234", true, ""},
        {bcCode39, "abc XYZ 09 $%+-./", true, ""},
        {bcCode39, "AB*C", true, "Code 39 barcodes can only contain A-Z, 0-9, $, %, +, -, ., /, and spaces"},
        {bcCode39, "Grüße", true, "Code 39 barcodes can only contain A-Z, 0-9, $, %, +, -, ., /, and spaces"},
        {bcCode39, "L\u0131ST", true, "Code 39 barcodes can only contain A-Z, 0-9, $, %, +, -, ., /, and spaces"},
        {bcPostnet, "1234x", true, "PostNet barcodes must be numeric"},
        {bcPostnet, "1234", true, "PostNet barcodes must be 5, 9, or 11 digits long"},
        {bcPostnet, "12345-678", true, "PostNet barcodes must be 5, 9, or 11 digits long"},
        {bcPostnet, "12345-6789", true, ""},
        {bcPostnet, "12345678901", true, ""},
        {bcCode128, "anything at all", true, ""},
    };
    for (const ValidationCase& c : cases) {
        SCOPED_TRACE(c.data.toStdString());
        EXPECT_EQ(rgValidateBarCodeData(c.type, c.data, c.calc), c.message);
    }
}

TEST(BarCodeErrors, RefusedDataIsNotDrawn)
{
    // Data a data-aware bar code brings past the validation: nothing is drawn
    // rather than a symbol that reads as other data.
    const ValidationCase cases[] = {
        {bcInt2of5, "123", true, "Interleaved 2 of 5 barcodes must have an even number of digits"},
        {bcInt2of5, "12a4", true, "Interleaved 2 of 5 barcodes must be numeric"},
        {bcCode39, "ÄB", true, "Code 39 barcodes can only contain A-Z, 0-9, $, %, +, -, ., /, and spaces"},
        {bcUPC_A, "0123456789X", true, "UPC-A barcodes must be numeric"},
        {bcEAN_13, "1234", true, "EAN-13 barcodes must be 12 digits (13 with check digit)"},
        {bcPostnet, "123", true, "PostNet barcodes must be 5, 9, or 11 digits long"},
    };
    for (const ValidationCase& c : cases) {
        SCOPED_TRACE(c.data.toStdString());
        TrgBarCodeEncoder encoder;
        encoder.BarCodeType = c.type;
        encoder.Data = c.data;
        encoder.SuppressMessages = true;
        EXPECT_TRUE(encoder.Encode(300).empty());
        EXPECT_FALSE(encoder.Valid);
        EXPECT_EQ(encoder.ErrorMessage(), c.message);
    }
}

TEST(BarCodeErrors, EmptyDataDrawsNothingAndStaysValid)
{
    for (TrgBarCodeType type : {bcUPC_A, bcEAN_13, bcInt2of5, bcCode128, bcCode39, bcPostnet}) {
        TrgBarCodeEncoder encoder;
        encoder.BarCodeType = type;
        EXPECT_TRUE(encoder.Encode(300).empty());
        EXPECT_TRUE(encoder.Valid);
        EXPECT_TRUE(encoder.ErrorMessage().isEmpty());
    }
}

TEST(BarCodeErrors, AddOnsOnlyOfTwoOrFiveDigitsOnUpcAndEan)
{
    struct Case {
        TrgBarCodeType type;
        QString data;
        QString addOn;
    };
    const Case none[] = {
        {bcEAN_13, "001234567890", "123"}, {bcEAN_13, "001234567890", "1"},
        {bcEAN_13, "001234567890", "123456"}, {bcUPC_A, "01234567890", "1a"},
        {bcCode39, "ABC", "12"}, {bcInt2of5, "1234", "12345"},
    };
    for (const Case& c : none) {
        TrgBarCodeEncoder encoder;
        encoder.BarCodeType = c.type;
        encoder.Data = c.data;
        encoder.AddOnCode = c.addOn;
        EXPECT_FALSE(encoder.Encode(300).empty());
        EXPECT_TRUE(encoder.EncodeAddOn(300).empty()) << c.addOn.toStdString();
    }
}

TEST(BarCodeRows, LongSymbolsAreNotCut)
{
    // 400 characters at 1200 pixels per inch: far beyond a fixed 4000-character row.
    TrgBarCodeEncoder encoder;
    encoder.BarCodeType = bcCode39;
    encoder.Data = QString(400, u'W');
    const std::string row = encoder.Encode(1200);
    // 12 pixels narrow, 36 wide, 24 gap: per character 6 x 12 + 3 x 36 + 24.
    EXPECT_EQ(row.size(), size_t(402 * (6 * 12 + 3 * 36 + 24)));
}

TEST(BarCodeRows, RandomDataGivesAWholeSymbolOrNothing)
{
    // Fixed-seed random data of every single-byte character, biased towards
    // the Code 128 control characters: each encoding is a complete symbol or
    // an error, never a read outside the data (the sanitizer build watches).
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> length(0, 24), byte(0, 255), control(201, 212), pick(0, 3);
    int symbols = 0, errors = 0;
    for (int round = 0; round < 3000; ++round) {
        const auto type = TrgBarCodeType(round % 6);
        QString data;
        const int n = length(random);
        if (type == bcCode128)
            data += QChar(char16_t(208 + round % 4));  // three start codes and one wrong one
        for (int i = 0; i < n; ++i) {
            const int kind = pick(random);
            data += QChar(char16_t(kind == 0 ? control(random) : kind == 1 ? '0' + byte(random) % 10 : byte(random)));
        }
        TrgBarCodeEncoder encoder;
        encoder.BarCodeType = type;
        encoder.Data = data;
        encoder.SuppressMessages = true;
        const std::string row = encoder.Encode(kModuleResolution);
        if (row.empty()) {
            ++errors;
            EXPECT_TRUE(data.isEmpty() || !encoder.Valid);
            continue;
        }
        ++symbols;
        EXPECT_TRUE(encoder.Valid);
        EXPECT_EQ(row.find_first_not_of(type == bcPostnet ? "012" : "01"), std::string::npos);
        if (type == bcCode128) {
            EXPECT_EQ(row.size() % 11, 2u) << data.toStdString();
            EXPECT_EQ(row.substr(row.size() - 13), "1100011101011");
        }
    }
    EXPECT_GT(symbols, 30);
    EXPECT_GT(errors, 100);
}

}  // namespace
