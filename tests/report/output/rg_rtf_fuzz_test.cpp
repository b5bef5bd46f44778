// The rich text reader on damaged input: a fixed-seed loop mutates sound
// documents and makes up token soups; every result must read without fault
// (the sanitizer twin of this program watches memory), write back to rich
// text that reads to the same document, and lay out.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTextDocument>

#include <random>

#include "rich_text_dump.h"
#include "report/output/rg_rich_edit.h"
#include "report/output/rg_rtf_reader.h"
#include "report/output/rg_rtf_writer.h"

namespace {

const QByteArray kSeeds[] = {
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman{\\*\\panose 0}Times New Roman;}}"
    "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
    "\\pard\\qc\\f0\\fs24 Titel\\par\\pard\\ql\\b fett\\b0  {\\i kursiv} \\ul unter\\ulnone  \\cf1 rot\\cf0 \\par"
    "\\qj \\'e4\\'f6\\'fc \\u8364? \\uc2\\u945 xy\\tab Tab\\line Zeile\\par}",
    "{\\rtf1{\\*\\generator X;}{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}}"
    "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt Link}} a\\bin4 \\{}\\ b{\\pict\\pngblip 0102}\\par}",
    "{\\rtf1\\deftab567 \\u-10179?\\u-8694?\\plain\\fs40\\f3 x\\cf9 y\\~z\\-w\\_v\\\\\\{\\}}",
};

const char* const kTokens[] = {
    "{",      "}",        "\\",       "\\b",     "\\b0",    "\\i ",       "\\ul",     "\\ulnone", "\\strike",
    "\\par ", "\\pard",   "\\plain",  "\\qc",    "\\qr",    "\\qj",       "\\tab",    "\\line",   "\\f1 ",
    "\\f-7",  "\\fs",     "\\fs0",    "\\fs99999", "\\cf2 ", "\\cf-1",    "\\u",      "\\u-1",    "\\u65535?",
    "\\u-10179?", "\\u-8694?", "\\uc0", "\\uc5", "\\'",     "\\'8",       "\\'ff",    "\\'zz",    "\\bin",
    "\\bin2 ", "\\bin999999999 ", "\\*", "\\fonttbl", "\\colortbl", "\\red300", "\\green", "\\blue-4", ";",
    "\\deff2", "\\deftab0", "\\stylesheet", "\\pict", "\\fldinst", "text ", "W\xe4rme ", "\r\n", "\t",
    "\x01\x7f", "\\rtf1", "\\-", "\\~", "\\_", "\\emdash", "\\ldblquote", "\\page",
};

QByteArray Mutate(QByteArray data, std::mt19937& random)
{
    auto pick = [&random](size_t n) { return n == 0 ? size_t(0) : size_t(random() % n); };
    const int steps = 1 + int(pick(8));
    for (int i = 0; i < steps; ++i) {
        const qsizetype at = qsizetype(pick(size_t(data.size()) + 1));
        switch (pick(6)) {
        case 0:  // a byte changed
            if (!data.isEmpty())
                data[qsizetype(pick(size_t(data.size())))] = char(random());
            break;
        case 1:  // a token put in
            data.insert(at, kTokens[pick(std::size(kTokens))]);
            break;
        case 2:  // a span taken out
            data.remove(at, qsizetype(pick(16)));
            break;
        case 3:  // a span doubled
            data.insert(at, data.mid(qsizetype(pick(size_t(data.size()))), qsizetype(pick(24))));
            break;
        case 4:  // cut short
            data.truncate(at);
            break;
        default:  // nested deeper
            data.insert(at, QByteArray(qsizetype(pick(300)), '{'));
            break;
        }
    }
    return data;
}

QByteArray TokenSoup(std::mt19937& random)
{
    QByteArray data = "{\\rtf1 ";
    const int count = int(random() % 120);
    for (int i = 0; i < count; ++i)
        data += kTokens[random() % std::size(kTokens)];
    return data;
}

// What the loops reached, so a loop that stopped making damaged or deep
// input does not pass unnoticed.
struct Reached {
    int Incomplete = 0;
    int TooDeep = 0;
    int WithText = 0;
};

// Whatever was read writes back to rich text that reads to the same
// document, and writing that again gives the same bytes.
void CheckRoundTrip(const QByteArray& input, Reached& reached)
{
    QTextDocument document;
    const TrgRtfReadResult read = rgReadRtf(input, document, {});
    reached.Incomplete += read.Complete ? 0 : 1;
    reached.TooDeep += read.TooDeep ? 1 : 0;
    reached.WithText += document.characterCount() > 1 ? 1 : 0;
    ASSERT_GE(document.characterCount(), 1);
    const QByteArray written = rgWriteRtf(document, read.DefaultTabTwips);
    QTextDocument again;
    const TrgRtfReadResult reread = rgReadRtf(written, again, {});
    EXPECT_TRUE(reread.Complete);
    EXPECT_FALSE(reread.TooDeep);
    ASSERT_EQ(rgtest::DumpDocument(again), rgtest::DumpDocument(document))
        << "input: " << input.toStdString() << "\nwritten: " << written.toStdString();
    ASSERT_EQ(rgWriteRtf(again, reread.DefaultTabTwips), written) << "input: " << input.toStdString();
}

TEST(RtfFuzzTest, MutatedDocumentsReadAndWriteBack)
{
    std::mt19937 random(36);
    Reached reached;
    for (int i = 0; i < 4000; ++i) {
        const QByteArray input = Mutate(kSeeds[random() % std::size(kSeeds)], random);
        CheckRoundTrip(input, reached);
        if (HasFatalFailure())
            return;
    }
    EXPECT_GT(reached.Incomplete, 250);
    EXPECT_GT(reached.TooDeep, 25);
    EXPECT_GT(reached.WithText, 2500);
}

TEST(RtfFuzzTest, TokenSoupsReadAndWriteBack)
{
    std::mt19937 random(9122);
    Reached reached;
    for (int i = 0; i < 4000; ++i) {
        CheckRoundTrip(TokenSoup(random), reached);
        if (HasFatalFailure())
            return;
    }
    EXPECT_GT(reached.Incomplete, 250);
    EXPECT_GT(reached.WithText, 2500);
}

TEST(RtfFuzzTest, DamagedDocumentsLayOutAndPaint)
{
    std::mt19937 random(1200);
    TrgRichEdit edit;
    QImage image(200, 200, QImage::Format_RGB32);
    for (int i = 0; i < 200; ++i) {
        const QByteArray input = i % 2 ? TokenSoup(random) : Mutate(kSeeds[random() % std::size(kSeeds)], random);
        edit.LoadFromBytes(input);
        const int count = edit.CharCount();
        const int start = count > 0 ? int(random() % unsigned(count)) : 0;
        const TRect box = Bounds(0, 0, 1000 + int(random() % 60000), int(random() % 30000));
        const int fits = edit.FormatRange(start, -1, box);
        EXPECT_GE(fits, start);
        EXPECT_LE(fits, count);
        QPainter painter(&image);
        EXPECT_EQ(edit.PaintRange(painter, QRectF(0, 0, 200, 200), start, -1, box), fits);
    }
}

}  // namespace
