// Draw commands: stream form (defaults left out, the always-written values,
// the binary "RTFStream"), copy rules per class, save keys, recalculated
// texts, rich text painting of a range, the fitting-height search.
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_draw_barcode.h"

#include <gtest/gtest.h>

#include <functional>

#include "page_fixtures.h"
#include "report/output/rg_file_devices.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/stream_format.h"

using namespace rgtest;

namespace {

template <class T> std::unique_ptr<T> ReadCommand(const QByteArray& stream)
{
    std::unique_ptr<TComponent> read(ComponentFromBytes(stream));
    auto* command = dynamic_cast<T*>(read.get());
    EXPECT_NE(command, nullptr);
    read.release();
    return std::unique_ptr<T>(command);
}

// Every command class with values off their defaults.
struct CommandCase {
    const char* className;
    std::function<TrgDrawCommand*()> make;
};

std::vector<CommandCase> Commands()
{
    return {
        {"TrgDrawText",
         [] {
             auto* t = new TrgDrawText(nullptr);
             t->Alignment = taCenter;
             t->AutoSize = t->IsMemo = t->Transparent = t->WordWrap = true;
             t->Color = clYellow;
             t->Font()->SetName(QStringLiteral("Arial"));
             t->Font()->SetStyle(TFontStyles{fsBold});
             t->Leading = 20;
             t->Text = QStringLiteral("Größe");
             t->WrappedText()->Add(QStringLiteral("Grö"));
             t->WrappedText()->Add(QStringLiteral("ße"));
             t->TabStopPositions()->Add(QStringLiteral("12700"));
             t->BandSave = t->ComponentSave = true;
             t->BandSaveNo = 5;
             t->ComponentSaveNo = 2;
             t->SaveLength = 10;
             return t;
         }},
        {"TrgDrawCalc",
         [] {
             auto* c = new TrgDrawCalc(nullptr);
             c->CalcType = ctPageSetDesc;
             c->Text = QStringLiteral("Page 1 of 2");
             return c;
         }},
        {"TrgDrawShape",
         [] {
             auto* s = new TrgDrawShape(nullptr);
             s->Brush.Color = clRed;
             s->Brush.Style = bsCross;
             s->Pen.Width = 3;
             s->ShapeType = stRoundRect;
             s->XCornerRound = 7;
             s->YCornerRound = 9;
             return s;
         }},
        {"TrgDrawLine",
         [] {
             auto* l = new TrgDrawLine(nullptr);
             l->LinePosition = lpRight;
             l->LineStyle = lsDouble;
             l->Pen.Color = clBlue;
             l->Weight = 0.75f;
             return l;
         }},
        {"TrgDrawImage",
         [] {
             auto* i = new TrgDrawImage(nullptr);
             i->Center = i->MaintainAspectRatio = i->Scale = i->Stretch = i->Transparent = i->DirectDraw = true;
             QImage image(3, 2, QImage::Format_RGB32);
             image.fill(Qt::green);
             i->Picture.Bitmap()->SetImage(image);
             return i;
         }},
        {"TrgDrawRichText",
         [] {
             auto* r = new TrgDrawRichText(nullptr);
             r->Color = clAqua;
             r->StartCharPos = 2;
             r->EndCharPos = 40;
             r->Transparent = true;
             r->RichText = QByteArray("{\\rtf1\\ansi Hallo \\b Welt\\b0\\par}");
             return r;
         }},
        {"TrgDrawBarCode",
         [] {
             auto* b = new TrgDrawBarCode(nullptr);
             b->BarCodeType = bcEAN_13;
             b->Data = QStringLiteral("400638133393");
             b->AddOnCode = QStringLiteral("12");
             b->Orientation = orRightToLeft;
             b->Transparent = true;
             b->BarColor = clMaroon;
             b->WideBarRatio = 2.25f;
             return b;
         }},
    };
}

}  // namespace

TEST_F(PageTest, DefaultValuesStayOutOfTheStreamAndTheRestFollowTheirOrder)
{
    TrgDrawText plain(nullptr);
    const QStringList names = PropertyNamesOf(StreamOf(&plain));
    // Position always; the font's own values; Text always.
    EXPECT_EQ(names.mid(0, 4), (QStringList{"Left", "Height", "Top", "Width"}));
    EXPECT_TRUE(names.last() == "Text") << names.join(' ').toStdString();
    for (const char* left : {"Tag", "Alignment", "AutoSize", "Color", "IsMemo", "Leading", "Transparent", "WordWrap",
                             "BandSave", "BandSaveNo", "ComponentSave", "ComponentSaveNo", "SaveLength"})
        EXPECT_FALSE(names.contains(left)) << left;

    std::unique_ptr<TrgDrawCommand> full(Commands()[0].make());
    full->Tag = 4;
    QStringList order;
    for (const QString& name : PropertyNamesOf(StreamOf(full.get())))
        if (!name.startsWith("Font."))
            order << name;
    EXPECT_EQ(order, (QStringList{"Tag", "Left", "Height", "Top", "Width", "Alignment", "AutoSize", "Color", "IsMemo",
                                  "Leading", "TabStopPositions.Strings", "Text", "Transparent", "WordWrap",
                                  "WrappedText.Strings", "BandSave", "BandSaveNo", "ComponentSave", "ComponentSaveNo",
                                  "SaveLength"}));

    TrgDrawLine line(nullptr);
    EXPECT_EQ(PropertyNamesOf(StreamOf(&line)).last(), "Weight");  // written though 0
    TrgDrawImage image(nullptr);
    EXPECT_EQ(PropertyNamesOf(StreamOf(&image)), (QStringList{"Left", "Height", "Top", "Width"}));
    TrgDrawRichText rich(nullptr);
    EXPECT_EQ(PropertyNamesOf(StreamOf(&rich)), (QStringList{"Left", "Height", "Top", "Width", "Color", "EndCharPos",
                                                           "StartCharPos", "Transparent", "RTFStream"}));
}

TEST_F(PageTest, EveryCommandClassReadsBackEqualInEveryStreamedValue)
{
    for (const CommandCase& c : Commands()) {
        std::unique_ptr<TrgDrawCommand> command(c.make());
        command->Left = 1234;
        command->Top = 5678;
        command->Width = 910;
        command->Height = 1112;
        command->Tag = 13;
        const QByteArray stream = StreamOf(command.get());
        auto back = ReadCommand<TrgDrawCommand>(stream);
        EXPECT_EQ(ClassInfoOf(*back)->ClassName, c.className);
        EXPECT_EQ(back->Left, 1234);
        EXPECT_EQ(back->Top, 5678);
        EXPECT_EQ(back->Width, 910);
        EXPECT_EQ(back->Height, 1112);
        EXPECT_EQ(back->Tag, 13);
        EXPECT_EQ(StreamOf(back.get()), stream) << c.className;
    }
}

TEST_F(PageTest, CopiesTakeWhatEachClassCopiesAndNoMore)
{
    for (const CommandCase& c : Commands()) {
        std::unique_ptr<TrgDrawCommand> source(c.make());
        source->Left = 10;
        source->Top = 20;
        source->SetDrawRect({1, 2, 3, 4});
        source->PageLeft = 6350;
        int clicks = 0;
        source->OnClick = [&clicks](TObject*) { ++clicks; };
        source->Tag = 8;

        std::unique_ptr<TComponent> made(ClassInfoOf(*source)->Create(nullptr));
        auto* copy = static_cast<TrgDrawCommand*>(made.get());
        copy->Assign(source.get());
        EXPECT_EQ(copy->GetDrawRect(), (TRect{1, 2, 3, 4}));
        EXPECT_EQ(copy->PageLeft, 0) << "the page area is not copied";
        EXPECT_EQ(copy->Tag, 8);
        copy->DoClick();
        EXPECT_EQ(clicks, 1);

        // What the stream holds is what a copy holds, but for DirectDraw.
        QByteArray expected = StreamOf(source.get());
        if (auto* image = dynamic_cast<TrgDrawImage*>(source.get())) {
            EXPECT_FALSE(static_cast<TrgDrawImage*>(copy)->DirectDraw);
            image->DirectDraw = false;
            expected = StreamOf(source.get());
        }
        EXPECT_EQ(StreamOf(copy), expected) << c.className;
    }
}

TEST_F(PageTest, AssigningAnotherClassCopiesOnlyTheCommonPart)
{
    TrgDrawText text(nullptr);
    text.Text = QStringLiteral("bleibt");
    TrgDrawShape shape(nullptr);
    shape.Left = 77;
    text.Assign(&shape);
    EXPECT_EQ(text.Left, 77);
    EXPECT_EQ(text.Text, "bleibt");

    TrgDrawCalc calc(nullptr);
    calc.CalcType = ctTime;
    TrgDrawText fromCalc(nullptr);
    calc.Text = QStringLiteral("12:00");
    fromCalc.Assign(&calc);
    EXPECT_EQ(fromCalc.Text, "12:00");
}

TEST_F(PageTest, TheSaveKeyIsBandThenFieldRightAlignedInEightCharacters)
{
    struct Case {
        int band, field;
        const char* key;
    };
    for (const Case& c : {Case{0, 0, "       0       0"}, Case{1, 12, "       1      12"},
                          Case{12345678, 3, "12345678       3"}, Case{-5, 0, "      -5       0"}}) {
        TrgDrawText text(nullptr);
        text.BandSaveNo = c.band;
        text.ComponentSaveNo = c.field;
        EXPECT_EQ(text.GetSaveKey(), c.key);
    }
    // Compared as text, the keys sort as the numbers do.
    TrgDrawText a(nullptr), b(nullptr);
    a.BandSaveNo = 9;
    b.BandSaveNo = 10;
    EXPECT_LT(a.GetSaveKey(), b.GetSaveKey());
}

TEST_F(PageTest, OnlyThePageCountKindsAreRecalculated)
{
    struct Case {
        TrgCalcType kind;
        bool recalculated;
        const char* text;
    };
    const Case cases[] = {
        {ctPageCount, true, "12"},      {ctPageSet, true, "3 of 12"},     {ctPageSetDesc, true, "Page 3 of 12"},
        {ctPageNo, false, "keep"},      {ctPageNoDesc, false, "keep"},    {ctDate, false, "keep"},
        {ctDateTime, false, "keep"},    {ctPrintDateTime, false, "keep"}, {ctTime, false, "keep"},
        {ctCustom, false, "keep"},
    };
    for (const Case& c : cases) {
        TrgPage page(nullptr);
        page.PageNo = 3;
        page.PageCount = 12;
        TrgDrawCalc* calc = AddCalc(page, c.kind);
        EXPECT_TRUE(calc->HasPendingCalc());
        EXPECT_EQ(calc->RecalcText(), c.recalculated) << c.kind;
        EXPECT_EQ(calc->Text, c.text);
    }
    // A calculated text without a page has nothing to work from.
    TrgDrawCalc loose(nullptr);
    loose.CalcType = ctPageCount;
    loose.Text = QStringLiteral("keep");
    EXPECT_FALSE(loose.RecalcText());
    EXPECT_EQ(loose.Text, "keep");
}

TEST_F(PageTest, TheRichTextStreamIsACountAndTheBytes)
{
    TrgDrawRichText rich(nullptr);
    rich.RichText = QByteArray("{\\rtf1 ab}");
    const QByteArray stream = StreamOf(&rich);
    QByteArray expected = QByteArray("\x09RTFStream") + char(TValueType::vaBinary);
    expected += QByteArray("\x0e\x00\x00\x00", 4) + QByteArray("\x0a\x00\x00\x00", 4) + rich.RichText;
    EXPECT_TRUE(stream.contains(expected));

    struct Case {
        const char* name;
        QByteArray payload;
    };
    // The inner count must not claim more than the block holds.
    for (const Case& c : {Case{"count beyond", QByteArray("\x10\x00\x00\x00", 4) + "ab"},
                          Case{"no count", QByteArray("\x01\x00", 2)},
                          Case{"huge count", QByteArray("\xff\xff\xff\x7f", 4) + "ab"}}) {
        QByteArray bad = stream;
        const qsizetype at = bad.indexOf(QByteArray("\x09RTFStream"));
        ASSERT_GE(at, 0);
        const qsizetype block = at + 10 + 1;
        const qsizetype end = block + 4 + 4 + rich.RichText.size();  // block length, count, bytes
        QByteArray replaced = bad.left(block);
        QByteArray len;
        TByteEncoder(len).LE(c.payload.size(), 4);
        replaced += len + c.payload + bad.mid(end);
        EXPECT_THROW(ComponentFromBytes(replaced), EReadError) << c.name;
    }
}

TEST_F(PageTest, RichTextPaintsItsRangeOnARasterDeviceOnly)
{
    TrgDrawRichText rich(nullptr);
    rich.RichText = QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 WWWW}");
    rich.Color = clRed;
    rich.Left = 1000;
    rich.Top = 1000;
    rich.Width = 10000;
    rich.Height = 5000;

    QStringList log;
    LoggingDevice plain(log, QStringLiteral("f"));
    EXPECT_FALSE(rich.Draw(&plain));
    EXPECT_TRUE(log.isEmpty());
    TrgTextFileDevice textFile(nullptr);
    EXPECT_FALSE(rich.Draw(&textFile));

    ImageDevice raster;
    EXPECT_TRUE(rich.Draw(&raster));
    EXPECT_EQ(rich.GetDrawRect(), (TRect{10, 10, 110, 60}));
    const QImage image = raster.Snapshot();
    EXPECT_EQ(image.pixelColor(100, 55), QColor(Qt::red));  // the filled box
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::white));   // outside it
    int dark = 0;
    for (int y = 10; y < 40; ++y)
        for (int x = 10; x < 110; ++x)
            dark += image.pixelColor(x, y).value() < 60 ? 1 : 0;
    EXPECT_GT(dark, 20) << "the text is written";

    ImageDevice clear;
    rich.Transparent = true;
    rich.Draw(&clear);
    EXPECT_EQ(clear.Snapshot().pixelColor(100, 55), QColor(Qt::white));

    // A range that begins after the last character paints none of the text.
    ImageDevice rest;
    rich.StartCharPos = 4;
    EXPECT_TRUE(rich.Draw(&rest));
    const QImage restImage = rest.Snapshot();
    int restDark = 0;
    for (int y = 10; y < 60; ++y)
        for (int x = 10; x < 110; ++x)
            restDark += restImage.pixelColor(x, y).value() < 60 ? 1 : 0;
    EXPECT_EQ(restDark, 0);
}

TEST(FittingHeight, HalvingEndsWithinOneStepAboveTheNeededHeight)
{
    struct Case {
        int rectHeight, step, needed;
    };
    const Case cases[] = {
        {100, 1, 37}, {100, 0, 37}, {100, 10, 37}, {100, 0, 100}, {1, 0, 1}, {0, 0, 0}, {5000, 0, 1}, {5000, 3, 4999},
    };
    for (const Case& c : cases) {
        int calls = 0;
        const auto fits = [&](int h) {
            if (++calls > 1000)
                throw std::runtime_error("the search does not end");
            return h >= c.needed;
        };
        const int height = rgFindFittingHeight(c.rectHeight, c.step, fits);
        const int step = std::max(c.step, 1);
        EXPECT_GE(height, std::max(c.needed, step)) << c.rectHeight << '/' << c.step << '/' << c.needed;
        EXPECT_LE(height, std::max(c.needed + step, step));
    }
}
