#include "report/output/rg_barcode.h"

#include <cmath>
#include <cstdint>

#include "platform/ui/dialogs.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_units.h"

namespace {

// ---- symbology tables ---------------------------------------------------------

// EAN/UPC number sets, seven modules per digit: A odd parity and B even
// parity for the left half, C for the right half.
constexpr const char* kSetA[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                                   "0110001", "0101111", "0111011", "0110111", "0001011"};
constexpr const char* kSetB[10] = {"0100111", "0110011", "0011011", "0100001", "0011101",
                                   "0111001", "0000101", "0010001", "0001001", "0010111"};
constexpr const char* kSetC[10] = {"1110010", "1100110", "1101100", "1000010", "1011100",
                                   "1001110", "1010000", "1000100", "1001000", "1110100"};

// EAN-13: the first digit chooses the sets of digits 2 to 7.
constexpr const char* kEan13Sets[10] = {"AAAAAA", "AABABB", "AABBAB", "AABBBA", "ABAABB",
                                        "ABBAAB", "ABBBAA", "ABABAB", "ABABBA", "ABBABA"};
// Add-ons: the sets of their digits.
constexpr const char* kEan2Sets[4] = {"AA", "AB", "BA", "BB"};
constexpr const char* kEan5Sets[10] = {"BBAAA", "BABAA", "BAABA", "BAAAB", "ABBAA",
                                       "AABBA", "AAABB", "ABABA", "ABAAB", "AABAB"};

// 2 of 5: five element widths per digit, "1" wide.
constexpr const char* kTwoOfFive[10] = {"00110", "10001", "01001", "11000", "00101",
                                        "10100", "01100", "00011", "10010", "01010"};

// POSTNET: five bars per digit, "2" full and "1" half height.
constexpr const char* kPostnet[10] = {"22111", "11122", "11212", "11221", "12112",
                                      "12121", "12211", "21112", "21121", "21211"};

// Code 39: bar, space, bar, space, bar, space, bar, space, bar; "1" wide.
struct Code39Symbol {
    char character;
    const char* widths;
};
constexpr Code39Symbol kCode39[] = {
    {'0', "000110100"}, {'1', "100100001"}, {'2', "001100001"}, {'3', "101100000"}, {'4', "000110001"},
    {'5', "100110000"}, {'6', "001110000"}, {'7', "000100101"}, {'8', "100100100"}, {'9', "001100100"},
    {'A', "100001001"}, {'B', "001001001"}, {'C', "101001000"}, {'D', "000011001"}, {'E', "100011000"},
    {'F', "001011000"}, {'G', "000001101"}, {'H', "100001100"}, {'I', "001001100"}, {'J', "000011100"},
    {'K', "100000011"}, {'L', "001000011"}, {'M', "101000010"}, {'N', "000010011"}, {'O', "100010010"},
    {'P', "001010010"}, {'Q', "000000111"}, {'R', "100000110"}, {'S', "001000110"}, {'T', "000010110"},
    {'U', "110000001"}, {'V', "011000001"}, {'W', "111000000"}, {'X', "010010001"}, {'Y', "110010000"},
    {'Z', "011010000"}, {'-', "010000101"}, {'.', "110000100"}, {' ', "011000100"}, {'*', "010010100"},
    {'$', "010101000"}, {'/', "010100010"}, {'+', "010001010"}, {'%', "000101010"},
};

// Code 128: values 0 to 105 as the widths of bar, space, bar, space, bar,
// space in modules (eleven modules each).
constexpr const char* kCode128[106] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232",
};
constexpr const char* kCode128Stop = "1100011101011";

// Engine message numbers of the bar code texts.
enum BarCodeMessage {
    msgCode39Characters = 430,
    msgEan13Length = 431,
    msgEan13CheckDigit = 432,
    msgEan13Numeric = 433,
    msgInt2of5Numeric = 434,
    msgInt2of5Even = 435,
    msgPostnetNumeric = 436,
    msgPostnetLength = 437,
    msgUpcALength = 438,
    msgUpcACheckDigit = 439,
    msgUpcANumeric = 440,
    msgCode128Start = 451,
    msgCode128StartInside = 452,
    msgCode128OnlyB = 453,
    msgCode128OnlyA = 454,
    msgCode128OddDigits = 455,
    msgCode128NotNumeric = 456,
    msgCode128NoCodeC = 457,
    msgCode128TwoShifts = 458,
};

QString Message(TrgLanguageType language, BarCodeMessage number)
{
    return rgLoadString(rgLanguageResourceBase(language) + number);
}

int DigitValue(QChar c)
{
    return c >= u'0' && c <= u'9' ? c.unicode() - u'0' : -1;
}

bool AllDigits(QStringView s)
{
    for (QChar c : s) {
        if (DigitValue(c) < 0)
            return false;
    }
    return true;
}

// Code 39 reads a-z as A-Z; no other character changes (not even one whose
// upper case is an ASCII letter, such as the dotless i).
char16_t Code39Upper(QChar c)
{
    const char16_t u = c.unicode();
    return u >= u'a' && u <= u'z' ? char16_t(u - u'a' + u'A') : u;
}

bool IsCode39Character(QChar c)
{
    const char16_t u = Code39Upper(c);
    for (const Code39Symbol& symbol : kCode39) {
        if (symbol.character != '*' && u == char16_t(symbol.character))
            return true;
    }
    return false;
}

// The check digit of EAN/UPC digits: the digit next to the check digit
// weighs 3, its neighbour 1, and so on to the left.
int EanCheckDigit(QStringView digits)
{
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const int d = std::max(DigitValue(digits[i]), 0);
        sum += (digits.size() - i) % 2 == 1 ? 3 * d : d;
    }
    return (10 - sum % 10) % 10;
}

// ---- writing a row ----------------------------------------------------------------

long double Round(long double v)
{
    return std::nearbyint(v);  // halves to even
}

// Collects the pixels of one symbol; element widths follow the narrow
// module width X (inches) at the resolution R.
class RowWriter {
public:
    RowWriter(int barWidth, float wideBarRatio, int resolution)
        : moduleTimesResolution_(static_cast<long double>(
                                     rgFromMMThousandths(barWidth, utInches, rgHorizontal, nullptr)) *
                                 resolution),
          narrow_(Pixels(1)),
          wide_(Pixels(wideBarRatio))
    {
    }

    // Round(X * R * factor) pixels.
    int Pixels(long double factor) const
    {
        const long double v = Round(moduleTimesResolution_ * factor);
        return v > 0 && v < 1e6L ? int(v) : 0;
    }

    void Element(char c, int width) { row_.append(size_t(std::max(width, 0)), c); }
    void Narrow(bool bar) { Element(bar ? '1' : '0', narrow_); }
    void Wide(bool bar) { Element(bar ? '1' : '0', wide_); }
    // Narrow modules, "1" bar and "0" space.
    void Modules(const char* pattern)
    {
        for (const char* p = pattern; *p; ++p)
            Narrow(*p == '1');
    }
    // Alternating bar and space, the first a bar, "1" wide.
    void WideNarrow(const char* widths)
    {
        bool bar = true;
        for (const char* p = widths; *p; ++p, bar = !bar)
            *p == '1' ? Wide(bar) : Narrow(bar);
    }
    // Alternating bar and space of the given counts of narrow modules.
    void ModuleCounts(const char* counts)
    {
        bool bar = true;
        for (const char* p = counts; *p; ++p, bar = !bar) {
            for (int i = 0; i < *p - '0'; ++i)
                Narrow(bar);
        }
    }
    // A digit in the EAN/UPC set named 'A', 'B' or 'C'; no digit, no modules.
    void EanDigit(QChar digit, char set)
    {
        const int d = DigitValue(digit);
        if (d < 0)
            return;
        Modules(set == 'A' ? kSetA[d] : set == 'B' ? kSetB[d] : kSetC[d]);
    }

    std::string Take() { return std::move(row_); }

private:
    long double moduleTimesResolution_;
    int narrow_;
    int wide_;
    std::string row_;
};

// ---- the symbologies ----------------------------------------------------------------

void WriteUpcA(RowWriter& row, const QString& data)
{
    row.Modules("101");
    for (qsizetype i = 0; i < std::min<qsizetype>(data.size(), 6); ++i)
        row.EanDigit(data[i], 'A');
    row.Modules("01010");
    for (qsizetype i = 6; i < std::min<qsizetype>(data.size(), 12); ++i)
        row.EanDigit(data[i], 'C');
    row.Modules("101");
}

void WriteEan13(RowWriter& row, const QString& data)
{
    const char* sets = kEan13Sets[std::max(DigitValue(data[0]), 0)];
    row.Modules("101");
    for (qsizetype i = 1; i < std::min<qsizetype>(data.size(), 7); ++i)
        row.EanDigit(data[i], sets[i - 1]);
    row.Modules("01010");
    for (qsizetype i = 7; i < std::min<qsizetype>(data.size(), 13); ++i)
        row.EanDigit(data[i], 'C');
    row.Modules("101");
}

void WriteInterleaved2of5(RowWriter& row, const QString& data)
{
    row.Modules("1010");
    for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
        const int first = DigitValue(data[i]), second = DigitValue(data[i + 1]);
        if (first < 0 || second < 0)
            continue;
        for (int bit = 0; bit < 5; ++bit) {
            kTwoOfFive[first][bit] == '1' ? row.Wide(true) : row.Narrow(true);
            kTwoOfFive[second][bit] == '1' ? row.Wide(false) : row.Narrow(false);
        }
    }
    row.Wide(true);
    row.Narrow(false);
    row.Narrow(true);
}

void WriteCode39(RowWriter& row, QString data)
{
    if (!data.startsWith(u'*'))
        data.prepend(u'*');
    if (!data.endsWith(u'*') || data.size() == 1)
        data.append(u'*');
    const int gap = row.Pixels(2);
    for (QChar c : data) {
        const char16_t u = Code39Upper(c);
        for (const Code39Symbol& symbol : kCode39) {
            if (u == char16_t(symbol.character)) {
                row.WideNarrow(symbol.widths);
                row.Element('0', gap);
                break;
            }
        }
    }
}

void WritePostnet(RowWriter& row, const QString& data)
{
    const int bar = row.Pixels(1);
    const int space = row.Pixels(1.375L);
    auto digit = [&](int d) {
        for (const char* p = kPostnet[d]; *p; ++p) {
            row.Element(*p, bar);
            row.Element('0', space);
        }
    };
    row.Element('2', bar);
    row.Element('0', space);
    int sum = 0;
    for (QChar c : data) {
        const int d = DigitValue(c);
        if (d < 0)
            continue;
        digit(d);
        sum += d;
    }
    digit((10 - sum % 10) % 10);
    row.Element('2', bar);
}

// Code 128 with the code-set control characters in the data. Gives the
// message of the first error, empty when the data encoded.
QString WriteCode128(RowWriter& row, const QString& data, TrgLanguageType language)
{
    enum CodeSet { SetA, SetB, SetC };
    auto code = [&](qsizetype i) { return data[i].unicode(); };

    const char16_t start = code(0);
    if (start < rgCode128StartA || start > rgCode128StartC)
        return Message(language, msgCode128Start);
    CodeSet set = CodeSet(start - rgCode128StartA);
    int checkSum = 103 + (start - rgCode128StartA);
    int position = 0;
    row.ModuleCounts(kCode128[checkSum]);
    // Only the sum modulo 103 counts; keeping it reduced keeps long data
    // from overflowing it.
    auto symbol = [&](int value) {
        row.ModuleCounts(kCode128[value]);
        ++position;
        checkSum = int((checkSum + int64_t(position % 103) * value) % 103);
    };

    bool shiftPending = false;  // the set is switched for the current character only
    for (qsizetype i = 1; i < data.size(); ++i) {
        const char16_t c = code(i);
        const bool shiftedHere = shiftPending;
        if (c >= rgCode128StartA && c <= rgCode128StartC)
            return Message(language, msgCode128StartInside);
        if (set != SetC && c >= 32 && c <= 95) {
            symbol(c - 32);
        } else if (c >= 96 && c <= 127) {
            if (set != SetB)
                return rgFillMessageTags(Message(language, msgCode128OnlyB), {QString(QChar(c))});
            symbol(c - 32);
        } else if (c >= 211 && c <= 242) {
            if (set != SetA)
                return Message(language, msgCode128OnlyA);
            symbol(c - 147);
        } else if (set == SetC && (c < 201 || c > rgCode128Fnc1)) {
            if (i + 1 >= data.size())
                return Message(language, msgCode128OddDigits);
            const int high = DigitValue(data[i]), low = DigitValue(data[i + 1]);
            if (high < 0 || low < 0)
                return Message(language, msgCode128NotNumeric);
            symbol(10 * high + low);
            ++i;
        } else if (c >= 201 && c <= rgCode128Fnc1) {
            if (set == SetC && c <= rgCode128CodeC)
                return Message(language, msgCode128NoCodeC);
            symbol(96 + (c - 201));
            if (c == rgCode128Shift) {
                if (shiftPending)
                    return Message(language, msgCode128TwoShifts);
                shiftPending = true;
                set = set == SetA ? SetB : SetA;
                continue;
            }
            if (c == rgCode128CodeC)
                set = SetC;
            else if (c == rgCode128CodeB && set != SetB)
                set = SetB;
            else if (c == rgCode128CodeA && set != SetA)
                set = SetA;
        }
        // Any other character gives no symbol.
        if (shiftedHere) {
            set = set == SetA ? SetB : SetA;
            shiftPending = false;
        }
    }
    symbol(checkSum % 103);
    row.Modules(kCode128Stop);
    return {};
}

}  // namespace

QString rgValidateBarCodeData(TrgBarCodeType BarCodeType, const QString& Data, bool CalcCheckDigit,
                              TrgLanguageType Language)
{
    if (Data.isEmpty())
        return {};
    switch (BarCodeType) {
    case bcUPC_A:
        if (Data.size() != 11 && Data.size() != 12)
            return Message(Language, msgUpcALength);
        if (Data.size() == 11 && !CalcCheckDigit)
            return Message(Language, msgUpcACheckDigit);
        if (!AllDigits(Data))
            return Message(Language, msgUpcANumeric);
        return {};
    case bcEAN_13:
        if (Data.size() != 12 && Data.size() != 13)
            return Message(Language, msgEan13Length);
        if (Data.size() == 12 && !CalcCheckDigit)
            return Message(Language, msgEan13CheckDigit);
        if (!AllDigits(Data))
            return Message(Language, msgEan13Numeric);
        return {};
    case bcInt2of5:
        if (!AllDigits(Data))
            return Message(Language, msgInt2of5Numeric);
        if (Data.size() % 2 != 0)
            return Message(Language, msgInt2of5Even);
        return {};
    case bcCode39:
        for (QChar c : Data) {
            if (!IsCode39Character(c))
                return Message(Language, msgCode39Characters);
        }
        return {};
    case bcPostnet: {
        qsizetype digits = 0;
        for (QChar c : Data) {
            if (c == u'-')
                continue;
            if (DigitValue(c) < 0)
                return Message(Language, msgPostnetNumeric);
            ++digits;
        }
        if (digits != 5 && digits != 9 && digits != 11)
            return Message(Language, msgPostnetLength);
        return {};
    }
    case bcCode128:
        return {};
    }
    return {};
}

void rgShowBarCodeError(const QString& Message)
{
    MessageDlg(Message, mtError, TMsgDlgButtons{mbOK});
}

void TrgBarCodeEncoder::Fail(const QString& message)
{
    Valid = false;
    errorMessage_ = message;
    if (!SuppressMessages)
        rgShowBarCodeError(message);
}

std::string TrgBarCodeEncoder::Encode(int Resolution)
{
    errorMessage_.clear();
    if (Data.isEmpty() || !Valid)
        return {};

    // Data the symbology refuses prints nothing rather than a symbol that
    // reads as other data. Code 39 data may bring its own "*" frame.
    if (BarCodeType != bcCode128) {
        QStringView checked = Data;
        if (BarCodeType == bcCode39) {
            if (checked.startsWith(u'*'))
                checked = checked.mid(1);
            if (checked.endsWith(u'*'))
                checked.chop(1);
        }
        const QString message = rgValidateBarCodeData(BarCodeType, checked.toString(), CalcCheckDigit, Language);
        if (!message.isEmpty()) {
            Fail(message);
            return {};
        }
    }

    RowWriter row(BarWidth, WideBarRatio, Resolution);
    switch (BarCodeType) {
    case bcUPC_A:
    case bcEAN_13: {
        const int digits = BarCodeType == bcUPC_A ? 11 : 12;
        if (CalcCheckDigit) {
            Data.truncate(digits);
            Data.append(QChar(u'0' + EanCheckDigit(Data)));
        }
        BarCodeType == bcUPC_A ? WriteUpcA(row, Data) : WriteEan13(row, Data);
        break;
    }
    case bcInt2of5:
        WriteInterleaved2of5(row, Data);
        break;
    case bcCode39:
        WriteCode39(row, Data);
        break;
    case bcPostnet:
        WritePostnet(row, Data);
        break;
    case bcCode128: {
        const QString message = WriteCode128(row, Data, Language);
        if (!message.isEmpty())
            Fail(message);
        break;
    }
    }
    return Valid ? row.Take() : std::string();
}

std::string TrgBarCodeEncoder::EncodeAddOn(int Resolution) const
{
    if (!Valid || (BarCodeType != bcUPC_A && BarCodeType != bcEAN_13))
        return {};
    if ((AddOnCode.size() != 2 && AddOnCode.size() != 5) || !AllDigits(AddOnCode))
        return {};

    const char* sets;
    if (AddOnCode.size() == 2) {
        sets = kEan2Sets[AddOnCode.toInt() % 4];
    } else {
        auto d = [&](int i) { return DigitValue(AddOnCode[i]); };
        sets = kEan5Sets[(3 * (d(0) + d(2) + d(4)) + 9 * (d(1) + d(3))) % 10];
    }
    RowWriter row(BarWidth, WideBarRatio, Resolution);
    row.Modules("1011");
    for (qsizetype i = 0; i < AddOnCode.size(); ++i) {
        if (i > 0)
            row.Modules("01");
        row.EanDigit(AddOnCode[i], sets[i]);
    }
    return row.Take();
}

QString TrgBarCodeEncoder::HumanReadableText() const
{
    if (BarCodeType != bcCode128)
        return Data;
    QString text;
    for (QChar c : Data) {
        if (c.unicode() >= 32 && c.unicode() <= 126)
            text.append(c);
    }
    return text;
}
