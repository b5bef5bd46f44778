// Text cards: the tag format (".SCM") and the line format (".CMS") read
// with their defaults and bad values, and played inside the multi-format
// picture control: the ticker, the rising lines, the speed divisor and the
// colour given back when a card stops.

#include <QFontMetrics>
#include <gtest/gtest.h>

#include "imaging/multi_picture.h"
#include "imaging/text_cards.h"
#include "imaging_fixture.h"
#include "platform/core/win1252.h"
#include "platform/ui/prompt_script.h"

using namespace imgtest;

namespace {

QString Card(const lxtest::TempDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = PathIn(dir, name);
    WriteBytes(path, bytes);
    return path;
}

const QByteArray kFullCard = "/fc|65280/fh|-20/fn|DejaVu Sans/fs|12/ft|1010/bc|16711680/sp|3/sm|Hallo Welt/eo|";

}  // namespace

TEST(TextCards, TagFormatValues)
{
    lxtest::TempDir dir;
    TFont font;
    TCardLook look{&font};
    QString message;
    ASSERT_TRUE(ReadTagCard(Card(dir, "a.scm", kFullCard), look, message));
    EXPECT_EQ(font.Color(), 65280);
    EXPECT_EQ(font.Size(), 12);  // the size written after the height wins
    EXPECT_EQ(font.Name(), "DejaVu Sans");
    EXPECT_TRUE(font.Style().Contains(fsBold));
    EXPECT_FALSE(font.Style().Contains(fsItalic));
    EXPECT_TRUE(font.Style().Contains(fsUnderline));
    EXPECT_EQ(look.BackColor, 16711680);
    EXPECT_EQ(look.Speed, 3);
    EXPECT_EQ(message, "Hallo Welt");
    // Umlauts are Windows-1252 in the file.
    ASSERT_TRUE(ReadTagCard(Card(dir, "u.scm", "/sm|Gr\xfc\xdf" "e/eo|"), look, message));
    EXPECT_EQ(message, QString::fromUtf8("Grüße"));
    EXPECT_FALSE(ReadTagCard(PathIn(dir, "fehlt.scm"), look, message));
}

TEST(TextCards, TagFormatDefaultsAndBadValues)
{
    lxtest::TempDir dir;
    struct Case {
        QByteArray text;
        TColor color;
        int height;
        QString name;
        TColor back;
        int speed;
        QString message;
    } cases[] = {
        // No tags at all: every default.
        {"irgendwas", 255, -13, "SYSTEM", 128, 1, kInvalidCardMessage},
        // Without "/sm|": the message of a bad card, the rest as given.
        {"/fc|7/fh|-9/fn|X/fs|", 7, -9, "X", 128, 1, kInvalidCardMessage},
        // Nothing between, or an end tag only before the start: unchanged.
        {"/sp|/bc|/fc|/fh|/sm|Text/eo|", 0, -13, "SYSTEM", 0, 0, "Text"},
        // Numbers that are none, or out of every range: unchanged.
        {"/fc|rot/fh|99999999999/fn|Y/fs|/bc|1e3/sp|x/sm|T/eo|", 0, -13, "Y", 0, 0, "T"},
        // A huge height is kept to what a screen can show.
        {"/fh|-100000/fn|", 255, -400, "SYSTEM", 128, 1, kInvalidCardMessage},
    };
    for (const Case& c : cases) {
        TFont font;
        font.SetColor(0);
        font.SetHeight(-13);
        font.SetName("SYSTEM");
        TCardLook look{&font, 0, 0};
        QString message;
        ASSERT_TRUE(ReadTagCard(Card(dir, "c.scm", c.text), look, message));
        EXPECT_EQ(font.Color(), c.color) << c.text.data();
        EXPECT_EQ(font.Height(), c.height) << c.text.data();
        EXPECT_EQ(font.Name(), c.name) << c.text.data();
        EXPECT_EQ(look.BackColor, c.back) << c.text.data();
        EXPECT_EQ(look.Speed, c.speed) << c.text.data();
        EXPECT_EQ(message, c.message) << c.text.data();
    }
}

TEST(TextCards, LineFormat)
{
    lxtest::TempDir dir;
    TFont font;
    TCardLook look{&font};
    QStringList lines;
    ASSERT_TRUE(ReadLineCard(Card(dir, "a.cms", "Kopf\r\n16711680\r\n-16\r\nDejaVu Sans\r\n10\r\n0100\r\n65280\r\n"
                                                "0\r\nErste Zeile\r\n\r\n Dritte \r\n"),
                             look, lines));
    EXPECT_EQ(font.Color(), 16711680);
    EXPECT_EQ(font.Name(), "DejaVu Sans");
    EXPECT_TRUE(font.Style().Contains(fsItalic));
    EXPECT_EQ(look.BackColor, 65280);
    EXPECT_EQ(look.Speed, 0);
    EXPECT_EQ(lines, QStringList({"Erste Zeile", "", " Dritte "}));
    // Eight lines: no message lines.
    ASSERT_TRUE(ReadLineCard(Card(dir, "b.cms", "0\n1\n-12\nA\n8\n0000\n5\n1\n"), look, lines));
    EXPECT_TRUE(lines.isEmpty());
    // Only the first 65527 bytes count, however many lines they hold.
    ASSERT_TRUE(ReadLineCard(Card(dir, "c.cms", QByteArray(200000, '\n')), look, lines));
    EXPECT_EQ(lines.size(), kCardMaxBytes - 8);
    // Garbage bytes read as text and leave numbers unchanged.
    QByteArray junk;
    for (int i = 0; i < 3000; ++i)
        junk.append(char((i * 37) % 256));
    ASSERT_TRUE(ReadLineCard(Card(dir, "d.cms", junk), look, lines));
}

TEST(TextCards, TickerRunsFromTheRightWithItsSpeed)
{
    lxtest::TempDir dir;
    TMultiPicture pic(nullptr);
    pic.SetBounds(0, 0, 200, 60);
    pic.SetColor(clSilver);
    const QString file = Card(dir, "lauf.scm", kFullCard);
    pic.SetImageName(file);
    TTextCard* card = pic.Card();
    ASSERT_TRUE(card->HorzRunning());
    EXPECT_FALSE(card->VertRunning());
    EXPECT_EQ(pic.Color(), 16711680);  // the back colour
    EXPECT_EQ(pic.LastResult(), file.toUpper());
    EXPECT_EQ(pic.InfoType, "SCM");
    EXPECT_EQ(card->X(), 200);
    const int h = card->Bitmap().height();
    EXPECT_EQ(card->Y(), (60 - h) / 2);
    EXPECT_EQ(card->Bitmap().width(), QFontMetrics(card->Font()->ToQFont()).horizontalAdvance("Hallo Welt"));
    // Speed 3: every fourth message makes a step.
    for (int i = 0; i < 8; ++i)
        pic.CardMessage(1025);
    EXPECT_EQ(card->X(), 198);
    pic.CardMessage(1026);  // the other kind's message does nothing here
    EXPECT_EQ(card->X(), 198);
    for (int i = 0; i < 4 * 150; ++i)
        pic.CardMessage(1025);
    Shot(pic, "text_card_ticker");
    // Out on the left, it comes back in from the right.
    const int w = card->Bitmap().width();
    const int steps = card->X() + w + 1;  // until the far edge passes 0
    for (int i = 0; i < 4 * steps; ++i)
        pic.CardMessage(1025);
    EXPECT_EQ(card->X(), 200);
    // Loading a picture stops the card and gives the colour back.
    pic.SetImageName(SavePicture(dir, "b.png", Quarters(20, 20)));
    EXPECT_FALSE(card->Running());
    EXPECT_EQ(pic.Color(), clSilver);
}

TEST(TextCards, SpeedDivisorOneAndZero)
{
    lxtest::TempDir dir;
    TMultiPicture pic(nullptr);
    pic.SetBounds(0, 0, 200, 60);
    struct Case {
        const char* speed;
        int messages;
        int moved;
    } cases[] = {{"1", 10, 5}, {"0", 10, 10}, {"-4", 3, 3}};
    for (const Case& c : cases) {
        pic.SetImageName(Card(dir, "s.scm", QByteArray("/sp|") + c.speed + "/sm|Text/eo|"));
        for (int i = 0; i < c.messages; ++i)
            pic.CardMessage(1025);
        EXPECT_EQ(pic.Card()->X(), 200 - c.moved) << c.speed;
    }
}

TEST(TextCards, InvalidCardShowsItsMessageInRed)
{
    lxtest::TempDir dir;
    TMultiPicture pic(nullptr);
    pic.SetBounds(0, 0, 300, 40);
    pic.SetImageName(Card(dir, "leer.scm", "nur Unsinn"));
    EXPECT_EQ(pic.Card()->Message(), kInvalidCardMessage);
    EXPECT_EQ(pic.Card()->Font()->Color(), 255);
    EXPECT_EQ(pic.Card()->Font()->Name(), "SYSTEM");  // a font that does not exist: Qt's fallback draws
    EXPECT_EQ(pic.Color(), 128);
    EXPECT_GT(pic.Card()->Bitmap().width(), 50);
    // A missing card file is a missing file.
    pic.SetImageName(PathIn(dir, "fehlt.scm"));
    EXPECT_EQ(pic.LastResult(), "file not found");
    EXPECT_FALSE(pic.Card()->Running());
}

TEST(TextCards, LinesRiseOneAfterAnother)
{
    lxtest::TempDir dir;
    TMultiPicture pic(nullptr);
    pic.SetBounds(0, 0, 240, 100);
    pic.SetColor(clSilver);
    pic.SetImageName(Card(dir, "z.cms", "x\n255\n-14\nDejaVu Sans\n10\n0000\n16777215\n0\nEins\n Zwei \n"));
    TTextCard* card = pic.Card();
    ASSERT_TRUE(card->VertRunning());
    EXPECT_EQ(pic.Color(), 16777215);
    EXPECT_EQ(card->LineIndex(), 0);
    EXPECT_EQ(card->Y(), 100);
    const QFontMetrics fm(card->Font()->ToQFont());
    // "  Eins " widened by its width divided by (7 - 2).
    const int w = fm.horizontalAdvance("  Eins ");
    EXPECT_EQ(card->Bitmap().width(), w + w / 5);
    EXPECT_EQ(card->Bitmap().height(), fm.height() + 5);
    EXPECT_EQ(card->X(), (240 - (w + w / 5)) / 2);
    for (int i = 0; i < 50; ++i)
        pic.CardMessage(1026);
    EXPECT_EQ(card->Y(), 50);
    Shot(pic, "text_card_lines");
    // Risen out at the top: the next line, already with its blanks.
    for (int i = 0; i < 50 + fm.height() + 6; ++i)
        pic.CardMessage(1026);
    EXPECT_EQ(card->LineIndex(), 1);
    const int w2 = fm.horizontalAdvance(" Zwei ");
    EXPECT_EQ(card->Bitmap().width(), w2 + w2 / 4);
    // After the last line the first comes again.
    for (int i = 0; i < 100 + fm.height() + 6; ++i)
        pic.CardMessage(1026);
    EXPECT_EQ(card->LineIndex(), 0);
}

TEST(TextCards, EightLineCardShowsNothing)
{
    lxtest::TempDir dir;
    TMultiPicture pic(nullptr);
    pic.SetBounds(0, 0, 100, 50);
    pic.SetImageName(Card(dir, "acht.cms", "0\n255\n-12\nA\n8\n0000\n5\n0\n"));
    TTextCard* card = pic.Card();
    ASSERT_TRUE(card->VertRunning());
    EXPECT_TRUE(card->Lines().isEmpty());
    EXPECT_TRUE(card->Bitmap().isNull());
    EXPECT_EQ(pic.Color(), 5);
    // Risen out, it starts at the bottom again.
    for (int i = 0; i < 50 + 40 + 20; ++i)
        pic.CardMessage(1026);
    EXPECT_LE(card->Y(), 50);
    EXPECT_GT(card->Y(), -40);
    pic.SetImageName(PathIn(dir, "fehlt.png"));
    EXPECT_FALSE(card->Running());
    EXPECT_EQ(pic.Color(), clBtnFace);
}
