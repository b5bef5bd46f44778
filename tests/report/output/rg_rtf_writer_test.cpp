// Writing rich text: what is written reads back to the same document, and
// an outside reader (unrtf) finds the same text and formatting in it.
#include "report/output/rg_rtf_writer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include "pdf_tools.h"
#include "rich_text_dump.h"
#include "platform/core/win1252.h"
#include "report/output/rg_rtf_reader.h"

namespace {

// Documents written and read back: every part of the format the reader
// knows, in documents that themselves came from rich text.
const char* const kDocuments[] = {
    "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}}{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
    "\\f0 a\\b b\\i c\\ul d\\strike e\\plain f\\fs40 g\\f1 h\\cf1 i\\cf2 j\\cf0 k}",
    "{\\rtf1\\deff0{\\fonttbl{\\f0 Arial;}}\\qc Mitte\\par\\qr Rechts\\par\\qj Block\\par\\pard\\par\\par Ende\\par}",
    "{\\rtf1 Tab\\tab Zeile\\line Back\\\\slash \\{Klammern\\} nbsp\\~x hyph\\-en nb\\_h}",
    "{\\rtf1 \\'e4\\'f6\\'fc\\'c4\\'d6\\'dc\\'df\\'80\\'84\\'93\\u945?\\u8364?\\u-10179?\\u-8694?\\u-4064?}",
    "{\\rtf1\\deftab1000{\\fonttbl{\\f0 Gr\\'fcn;}}\\f0\\fs18 klein\\fs1 winzig\\fs3276 riesig\\par\\fs50\\par}",
    "{\\rtf1 \\b fett {\\i und kursiv} nur fett\\b0  normal, gefolgt von Ziffern\\b 1\\b0 2 -3}",
    "{\\rtf1}",
};

class RtfWriteTest : public testing::TestWithParam<const char*> {};

TEST_P(RtfWriteTest, ReadsBackToTheSameDocument)
{
    QTextDocument original;
    const TrgRtfReadResult read = rgReadRtf(GetParam(), original, {});
    const QByteArray written = rgWriteRtf(original, read.DefaultTabTwips);
    ASSERT_TRUE(rgIsRichText(written));

    QTextDocument again;
    const TrgRtfReadResult reread = rgReadRtf(written, again, {});
    EXPECT_TRUE(reread.Complete);
    EXPECT_EQ(rgtest::DumpDocument(again), rgtest::DumpDocument(original)) << written.toStdString();
    EXPECT_EQ(again.characterCount(), original.characterCount());
    EXPECT_EQ(reread.DefaultTabTwips, read.DefaultTabTwips);
    // Writing is stable: the second document writes the same bytes.
    EXPECT_EQ(rgWriteRtf(again, reread.DefaultTabTwips).toStdString(), written.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Documents, RtfWriteTest, testing::ValuesIn(kDocuments));

TEST(RtfWriteTest, DocumentBuiltInCode)
{
    // Formats as the program makes them, not as the reader made them: a
    // point size, a colour and an alignment set through the document.
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat big;
    big.setFontFamilies({"Courier New"});
    big.setFontPointSize(14);
    big.setForeground(QColor(10, 20, 30));
    cursor.insertText("groß", big);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.insertBlock(centred);
    cursor.insertText(QString::fromUtf8("Ωmega ✓ {x}\\"));

    QTextDocument again;
    rgReadRtf(rgWriteRtf(document), again, {});
    const QString dump = rgtest::DumpDocument(again, "Courier New");
    EXPECT_EQ(dump, QString::fromUtf8("[groß]fs28,#0a141e | C:[Ωmega ✓ {x}\\]fs28,#0a141e")) << dump.toStdString();
}

TEST(RtfWriteTest, OnlyAsciiIsWritten)
{
    QTextDocument document;
    rgReadRtf("{\\rtf1 \\'e4\\u1046?\\u-10179?\\u-8694?}", document, {});
    const QByteArray written = rgWriteRtf(document);
    for (const char c : written)
        EXPECT_TRUE(static_cast<unsigned char>(c) < 0x80) << written.toStdString();
    EXPECT_TRUE(written.contains("\\'e4"));
    EXPECT_TRUE(written.contains("\\u1046?"));
    EXPECT_TRUE(written.contains("\\u-10179?\\u-8694?"));
}

// unrtf's result: the text of its --text output (after its header), or its
// --html output.
QString Unrtf(const QByteArray& rtf, const char* mode)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("text.rtf");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(rtf);
    file.close();
    QProcess process;
    process.start("unrtf", {mode, path});
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);
    // --text writes Latin-1, the code page of what we test with it.
    const QByteArray out = process.readAllStandardOutput();
    if (QByteArrayView(mode) == "--html")
        return QString::fromUtf8(out);
    const QString text = Win1252Decode(out);
    const qsizetype body = text.indexOf("-----------------\n");
    return body < 0 ? text : text.mid(body + 18);
}

TEST(RtfWriteTest, OutsideReaderFindsTheText)
{
    QTextDocument document;
    rgReadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 Erste Zeile mit \\'e4\\'f6\\'fc\\'df\\par "
              "Zweite {\\b fett} Zeile\\par Dritte}",
              document, {});
    const QString text = Unrtf(rgWriteRtf(document), "--text");
    QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    for (QString& line : lines)
        line = line.simplified();
    EXPECT_EQ(lines, QStringList({QString::fromUtf8("Erste Zeile mit äöüß"), "Zweite fett Zeile", "Dritte"}))
        << text.toStdString();
}

TEST(RtfWriteTest, OutsideReaderFindsTheFormatting)
{
    QTextDocument document;
    rgReadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}}{\\colortbl;\\red255\\green0\\blue0;}"
              "\\f0 a {\\b fett} {\\i kursiv} {\\ul unter} {\\cf1 rot} {\\f1 Times} \\u8364?}",
              document, {});
    const QString html = Unrtf(rgWriteRtf(document), "--html");
    EXPECT_TRUE(html.contains("<b>fett</b>")) << html.toStdString();
    EXPECT_TRUE(html.contains("<i>kursiv</i>")) << html.toStdString();
    EXPECT_TRUE(html.contains("<u>unter</u>")) << html.toStdString();
    EXPECT_TRUE(rgtest::Matches(html, "<font color=\"#ff0000\">rot")) << html.toStdString();
    EXPECT_TRUE(rgtest::Matches(html, "<font face=\"Times New Roman\">[^<]*Times")) << html.toStdString();
    EXPECT_TRUE(html.contains("&euro;")) << html.toStdString();
}

}  // namespace
