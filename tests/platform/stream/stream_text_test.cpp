// The text form: its layout, conversion both ways byte for byte, a text
// written by hand converting to the writer's binary, and independence from
// the process locale.

#include "stream_test_classes.h"

#include "platform/core/exceptions.h"
#include "platform/stream/stream_text.h"
#include "test_environment.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

class StreamText : public ::testing::Test {
protected:
    void SetUp() override { DescribeTestClasses(); }

    // A report-like tree with every kind of value the tables know.
    TTestBox* RichTree()
    {
        auto* box = NewBox(&form, "Report1");
        box->Count = 12345678;
        box->Active = true;
        box->Kind = bkShaded;
        box->Options = {boLeft, boRight, boCenter};
        box->Ratio = -1234.5625L;
        box->Scale = 2.5f;
        box->When = 45291.75;
        box->Price = -15000;
        box->Big = -(int64_t(1) << 50);
        box->Caption = QString::fromUtf8("It's \"Größe\"\r\n€ Ω");
        box->Color = 0x0080FF;
        box->Font.SetName("Times New Roman");
        box->Font.SetStyle({fsUnderline});
        box->Lines.Add("Zeile 1");
        box->Lines.Add(QString(300, 'L'));
        box->OnPrint = "Report1Print";
        box->Columns.push_back(std::make_unique<TTestColumn>());
        box->Columns.back()->Width = 80;
        box->Columns.push_back(std::make_unique<TTestColumn>());
        QImage image(40, 3, QImage::Format_RGB32);
        image.fill(Qt::green);
        TBitmap bitmap;
        bitmap.SetImage(image);
        box->Picture.SetGraphic(&bitmap);
        auto* band = NewBox(&form, "Band1", box);
        band->Link = box;
        auto* label = NewBox<TTestLabel>(&form, "Label1", band);
        label->Text = "";
        label->Ratio = 1e-30L;
        NewBox<TTestItem>(&form, "", band);
        return box;
    }

    TComponent form{nullptr};
};

TEST_F(StreamText, LayoutOfAKnownObject)
{
    auto* box = NewBox(&form, "B1");
    box->Count = 5;
    box->Active = true;
    box->Options = {boLeft, boCenter};
    box->Ratio = 1.5L;
    box->Scale = 0.1f;
    box->Price = 12345;
    box->Caption = QString::fromUtf8("It's ä");
    box->Lines.Add("a");
    box->Lines.Add("b");
    box->mmHeight = 70000;
    NewBox<TTestItem>(&form, "I1", box);

    const QByteArray font = "Font.Color = clWindowText\r\n"
                            "Font.Height = -11\r\n"
                            "Font.Name = 'MS Sans Serif'\r\n"
                            "Font.Style = []\r\n";
    auto indent = [](const QByteArray& lines, int n) {
        QByteArray out;
        for (const QByteArray& line : lines.split('\n'))
            if (!line.isEmpty())
                out += QByteArray(n, ' ') + line + '\n';
        return out;
    };
    const QByteArray expected = "object B1: TTestBox\r\n"
                                "  Count = 5\r\n"
                                "  Always = 0\r\n"
                                "  Active = True\r\n"
                                "  Options = [boLeft, boCenter]\r\n"
                                "  Ratio = 1.5\r\n"
                                "  Scale = 0.1s\r\n"
                                "  Price = 1.2345c\r\n"
                                "  Caption = 'It''s '#228\r\n" +
                                indent(font, 2) +
                                "  Lines.Strings = (\r\n"
                                "    'a'\r\n"
                                "    'b')\r\n"
                                "  mmHeight = 70000\r\n"
                                "  object I1: TTestItem\r\n"
                                "    Always = 0\r\n" +
                                indent(font, 4) +
                                "    mmHeight = 0\r\n"
                                "  end\r\n"
                                "end\r\n";
    const QByteArray binary = ComponentToBytes(box, &form);
    EXPECT_EQ(ObjectBinaryToText(binary), expected);
    EXPECT_EQ(ObjectTextToBinary(expected).toHex(), binary.toHex());
}

TEST_F(StreamText, BothFormsRoundTripByteForByte)
{
    const QByteArray binary = ComponentToBytes(RichTree(), &form);
    const QByteArray text = ObjectBinaryToText(binary);
    EXPECT_TRUE(text.startsWith("object Report1: TTestBox"));
    EXPECT_TRUE(text.contains("Picture.Data = {\r\n"));
    EXPECT_TRUE(text.contains("Link = Report1"));
    EXPECT_TRUE(text.contains("  Columns = <\r\n    item\r\n      Width = 80\r\n    end\r\n    item\r\n    end>\r\n"));
    EXPECT_TRUE(text.contains("object TTestItem\r\n"));  // a component without a name
    EXPECT_EQ(ObjectTextToBinary(text).toHex(), binary.toHex());
    EXPECT_EQ(ObjectBinaryToText(ObjectTextToBinary(text)), text);

    // The stream forms of the converters move both positions.
    TMemoryStream in, out;
    in.WriteBuffer("xy", 2);
    in.WriteBuffer(binary.constData(), binary.size());
    in.WriteBuffer("\0", 1);
    in.SetPosition(2);
    ObjectBinaryToText(in, out);
    EXPECT_EQ(in.Position(), 2 + binary.size());
    EXPECT_EQ(out.Bytes(), text);
    TMemoryStream back;
    out.SetPosition(0);
    ObjectTextToBinary(out, back);
    EXPECT_EQ(back.Bytes().toHex(), binary.toHex());
    EXPECT_EQ(out.Position(), text.size());
}

TEST_F(StreamText, TextReadsBackIntoTheSameComponents)
{
    const QByteArray binary = ComponentToBytes(RichTree(), &form);
    TComponent target(nullptr);
    std::vector<TComponent*> read;
    TReader reader(ObjectTextToBinary(ObjectBinaryToText(binary)) + Bytes({0}));
    reader.ReadComponents(&target, nullptr, [&](TComponent* c) { read.push_back(c); });
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(ComponentToBytes(read[0], &target).toHex(), binary.toHex());
}

TEST_F(StreamText, HandWrittenTextEqualsTheWritersBinary)
{
    // A text as a user or another tool would write it: other spacing, LF
    // line ends, a string split with "+", a hex integer, case of keywords.
    const QByteArray text = "OBJECT Hand : TTestLabel\n"
                            "Count=$10\n"
                            "  Always = 7\n"
                            "  Kind = bkFramed\n"
                            "  Caption = 'ab' +\n"
                            "     'cd'#13#10\n"
                            "  Font.Color = clWindowText\n"
                            "  Font.Height = -11\n"
                            "  Font.Name = 'MS Sans Serif'\n"
                            "  Font.Style = [ ]\n"
                            "  Text = 'x'\n"
                            "  mmHeight = 3\n"
                            "END\n";
    auto* label = NewBox<TTestLabel>(&form, "Hand");
    label->Count = 16;
    label->Always = 7;
    label->Kind = bkFramed;
    label->Caption = "abcd\r\n";
    label->Text = "x";
    label->mmHeight = 3;
    EXPECT_EQ(ObjectTextToBinary(text).toHex(), ComponentToBytes(label, &form).toHex());
}

TEST_F(StreamText, CollectionsAndOtherWritersValuesConvert)
{
    // Values the tables here never write still convert both ways.
    const QByteArray binary = QByteArray("TPF0") + Bytes({0xF3}) + Bytes({2, 3}) + Short("TGrid") + Short("G") +
                              Short("Columns") + Bytes({14}) +
                              Bytes({1}) + Short("Width") + Bytes({2, 64}) + Bytes({0}) +
                              Bytes({2, 5, 1}) + Short("Title") + Bytes({6}) + Short("T") + Bytes({0}) +
                              Bytes({0}) +
                              Short("Empty") + Bytes({14, 0}) +
                              Short("NoList") + Bytes({1, 0}) +
                              Short("NoData") + Bytes({10, 0, 0, 0, 0}) +
                              Short("Ref") + Bytes({13}) +
                              Short("Off") + Bytes({8}) +
                              Bytes({0, 0});
    const QByteArray text = ObjectBinaryToText(binary);
    EXPECT_EQ(text, "inherited G: TGrid [3]\r\n"
                    "  Columns = <\r\n"
                    "    item\r\n"
                    "      Width = 64\r\n"
                    "    end\r\n"
                    "    item [5]\r\n"
                    "      Title = 'T'\r\n"
                    "    end>\r\n"
                    "  Empty = <>\r\n"
                    "  NoList = ()\r\n"
                    "  NoData = {}\r\n"
                    "  Ref = nil\r\n"
                    "  Off = False\r\n"
                    "end\r\n");
    EXPECT_EQ(ObjectTextToBinary(text).toHex(), binary.toHex());
}

// Makes a German locale in a temporary folder (the machine may have none
// installed) and switches the C library and Qt to it.
class GermanLocale {
public:
    GermanLocale()
    {
        const std::string command = "localedef -i de_DE -f UTF-8 '" + (dir_ / "de_DE.UTF-8").string() +
                                    "' >/dev/null 2>&1";
        made_ = std::system(command.c_str()) == 0;
        setenv("LOCPATH", dir_.str().c_str(), 1);
        active_ = made_ && std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    ~GermanLocale()
    {
        std::setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
        QLocale::setDefault(QLocale::c());
    }
    bool Active() const { return active_; }

private:
    lxtest::TempDir dir_;
    bool made_ = false;
    bool active_ = false;
};

TEST_F(StreamText, TheLocaleChangesNothing)
{
    const QByteArray binary = ComponentToBytes(RichTree(), &form);
    const QByteArray textC = ObjectBinaryToText(binary);
    ASSERT_TRUE(textC.contains("Ratio = -1234.5625\r\n"));
    ASSERT_TRUE(textC.contains("Scale = 2.5s\r\n"));
    ASSERT_TRUE(textC.contains("When = 45291.75d\r\n"));
    ASSERT_TRUE(textC.contains("Price = -1.5c\r\n"));

    GermanLocale german;
    ASSERT_TRUE(german.Active()) << "localedef could not make de_DE.UTF-8";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", 2.5);
    ASSERT_STREQ(buffer, "2,5");  // the C library now writes a decimal comma
    EXPECT_EQ(ObjectBinaryToText(binary), textC);
    EXPECT_EQ(ObjectTextToBinary(textC).toHex(), binary.toHex());
    EXPECT_EQ(ComponentToBytes(RichTree(), &form).toHex(), binary.toHex());
}

}  // namespace
