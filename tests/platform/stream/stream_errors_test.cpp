// Bad input: the error callback decides to pass over or to stop; truncated,
// corrupt, oversized and deeply nested streams end in a read error, never a
// crash, a hang or an allocation the file asks for; and a fixed-seed
// mutation loop over real streams.

#include "stream_test_classes.h"

#include "platform/core/exceptions.h"
#include "platform/stream/stream_text.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

class StreamErrors : public ::testing::Test {
protected:
    void SetUp() override { DescribeTestClasses(); }

    // A box with one unknown property between two known ones, and a child.
    static QByteArray WithProperty(const QByteArray& nameAndValue)
    {
        return QByteArray("TPF0") + Short("TTestBox") + Short("Box") + Short("Count") + Bytes({2, 1}) +
               nameAndValue + Short("Always") + Bytes({2, 2}) + Bytes({0}) + Short("TTestItem") +
               Short("Kid") + Bytes({0, 0}) + Bytes({0});
    }

    TComponent form{nullptr};
};

QByteArray LE32(uint32_t v)
{
    return Bytes({int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF), int(v >> 24)});
}

// Picture data whose BMP header claims a 30001 pixels wide row over a few bytes.
QByteArray OversizedPictureData()
{
    const QByteArray bmp = QByteArray("BM") + LE32(70) + LE32(0) + LE32(54) + LE32(40) + LE32(30001) +
                           LE32(1) + Bytes({1, 0, 24, 0}) + LE32(0) + LE32(0) + LE32(2835) + LE32(2835) +
                           LE32(0) + LE32(0) + QByteArray(16, '\x7F');
    const QByteArray data = Short("TBitmap") + LE32(uint32_t(bmp.size())) + bmp;
    return Short("Picture.Data") + Bytes({10}) + LE32(uint32_t(data.size())) + data;
}

QByteArray ExtendedValue(long double v)
{
    QByteArray out;
    TByteEncoder(out).Extended(v);
    return out;
}

struct PropertyCase {
    const char* what;
    QByteArray nameAndValue;
    const char* messagePart;
};

TEST_F(StreamErrors, PropertyErrorsGoThroughTheCallback)
{
    const PropertyCase cases[] = {
        {"unknown property", Short("Nonsense") + Bytes({2, 9}), "Nonsense existiert nicht"},
        {"unknown sub-property", Short("Font.Shadow") + Bytes({9}), "Shadow existiert nicht"},
        {"wrong value type", Short("Count") + Bytes({6}) + Short("x"), "Ganzzahl erwartet"},
        {"unknown identifier", Short("Kind") + Bytes({7}) + Short("bkRound"), "Ungültiger Wert"},
        {"unknown set member", Short("Options") + Bytes({11}) + Short("boUp") + Bytes({0}), "Ungültiger Wert"},
        {"integer for an enumeration", Short("Kind") + Bytes({2, 1}), "Bezeichner erwartet"},
        {"list for a boolean", Short("Active") + Bytes({1, 2, 1, 0}), "Wahrheitswert erwartet"},
        {"missing method", Short("OnPrint") + Bytes({7}) + Short("Missing"), "Missing wurde nicht gefunden"},
        {"unresolved reference", Short("Link") + Bytes({7}) + Short("Nowhere"), "Nowhere"},
        {"bad picture data", Short("Picture.Data") + Bytes({10, 5, 0, 0, 0}) + Short("TWMF"), "TWMF"},
        {"oversized picture", OversizedPictureData(), "zu groß"},
        {"integer beyond the member's type", Short("Count") + Bytes({19, 0, 0, 0, 0, 1, 0, 0, 0}), "Ungültiger Wert"},
        {"float beyond a single", Short("Scale") + ExtendedValue(1e300L), "Ungültiger Wert"},
        {"float beyond a date", Short("When") + ExtendedValue(1e4000L), "Ungültiger Wert"},
    };
    for (const PropertyCase& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray stream = WithProperty(c.nameAndValue);
        const auto findMethod = [](TReader&, const QString& name, bool& error) { error = name == "Missing"; };
        // Passed over: the rest of the stream is read.
        QStringList messages;
        TReader passing(stream);
        passing.OnFindMethod = findMethod;
        passing.OnError = [&](TReader&, const QString& m, bool& handled) {
            messages << m;
            handled = true;
        };
        std::unique_ptr<TComponent> read(passing.ReadRootComponent());
        auto* box = dynamic_cast<TTestBox*>(read.get());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->Count, 1);
        EXPECT_EQ(box->Always, 2);
        EXPECT_EQ(box->Children.size(), 1u);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains(c.messagePart)) << messages[0].toStdString();
        EXPECT_TRUE(messages[0].startsWith("Fehler beim Lesen von Box.")) << messages[0].toStdString();

        // Not passed over: the read ends with that message, nothing is left.
        try {
            TReader reader(stream);
            reader.OnFindMethod = findMethod;
            delete reader.ReadRootComponent();
            ADD_FAILURE() << "no error";
        } catch (const EReadError& e) {
            EXPECT_TRUE(e.Message.contains(c.messagePart)) << e.Message.toStdString();
        }
    }
}

TEST_F(StreamErrors, UnknownClassIsSkippedOrStopsTheRead)
{
    const QByteArray stream = QByteArray("TPF0") + Short("TTestBox") + Short("Box") + Bytes({0}) +
                              Short("TStrange") + Short("S") + Short("X") + Bytes({2, 1}) + Bytes({0}) +
                              Short("TTestItem") + Short("Deep") + Bytes({0, 0}) + Bytes({0}) +
                              Short("TTestItem") + Short("Kid") + Bytes({0, 0}) + Bytes({0});
    QStringList messages;
    std::unique_ptr<TComponent> read(ComponentFromBytes(stream, nullptr, [&](TReader&, const QString& m, bool& handled) {
        messages << m;
        handled = true;
    }));
    auto* box = dynamic_cast<TTestBox*>(read.get());
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->Children.size(), 1u);
    EXPECT_EQ(box->Children[0]->Name, "Kid");
    EXPECT_EQ(messages, QStringList{"Klasse TStrange nicht gefunden"});

    EXPECT_THROW(delete ComponentFromBytes(stream), EClassNotFound);
}

TEST_F(StreamErrors, NameTakenInTheOwnerIsAnError)
{
    auto* source = NewBox(&form, "Report");
    NewBox(&form, "Taken", source);
    NewBox(&form, "Free", source);
    const QByteArray stream = ComponentToBytes(source, &form) + Bytes({0});

    TComponent target(nullptr);
    NewBox(&target, "TAKEN");  // names compare without case
    QStringList messages;
    TReader reader(stream);
    reader.OnError = [&](TReader&, const QString& m, bool& handled) {
        messages << m;
        handled = true;
    };
    reader.ReadComponents(&target, nullptr, nullptr);
    EXPECT_EQ(messages, QStringList{"Eine Komponente mit dem Namen Taken existiert bereits"});
    ASSERT_EQ(target.ComponentCount(), 4);
    EXPECT_EQ(target.Components(2)->Name, "");  // passed over: left without a name
    EXPECT_EQ(target.Components(3)->Name, "Free");

    TComponent strict(nullptr);
    NewBox(&strict, "Free");
    TReader failing(stream);
    EXPECT_THROW(failing.ReadComponents(&strict, nullptr, nullptr), EReadError);
    EXPECT_EQ(strict.ComponentCount(), 1);  // what the failed read made is gone
}

TEST_F(StreamErrors, UnregisteredClassCanNoLongerBeRead)
{
    auto* label = NewBox<TTestLabel>(&form, "L");
    const QByteArray stream = ComponentToBytes(label, &form);
    std::unique_ptr<TComponent> before(ComponentFromBytes(stream));
    EXPECT_NE(dynamic_cast<TTestLabel*>(before.get()), nullptr);
    EXPECT_EQ(GetClass("ttestlabel"), ClassInfoFor<TTestLabel>());

    UnRegisterClass(ClassInfoFor<TTestLabel>());
    EXPECT_EQ(GetClass("TTestLabel"), nullptr);
    EXPECT_THROW(FindClass("TTestLabel"), EClassNotFound);
    EXPECT_THROW(delete ComponentFromBytes(stream), EClassNotFound);
    UnRegisterClass(ClassInfoFor<TTestLabel>());  // not registered: nothing happens
    // Writing does not need the registration by name.
    EXPECT_EQ(ComponentToBytes(label, &form), stream);
    RegisterClass(ClassInfoFor<TTestLabel>());
    RegisterClass(ClassInfoFor<TTestLabel>());  // twice: still one entry
    std::unique_ptr<TComponent> after(ComponentFromBytes(stream));
    EXPECT_NE(dynamic_cast<TTestLabel*>(after.get()), nullptr);
}

TEST_F(StreamErrors, EveryTruncationIsAReadError)
{
    auto* box = NewBox(&form, "Box");
    box->Caption = "Text";
    box->Lines.Add("x");
    box->Ratio = 2.5L;
    NewBox<TTestLabel>(&form, "Kid", box)->Link = box;
    const QByteArray stream = ComponentToBytes(box, &form);
    for (qsizetype size = 0; size < stream.size(); ++size) {
        const QByteArray cut = stream.left(size);
        int calls = 0;
        EXPECT_THROW(delete ComponentFromBytes(cut, nullptr,
                                               [&](TReader&, const QString&, bool& handled) {
                                                   ++calls;
                                                   handled = true;
                                               }),
                     EReadError)
            << size;
        EXPECT_THROW(ObjectBinaryToText(cut), EReadError) << size;
    }
    const QByteArray text = ObjectBinaryToText(stream);
    for (qsizetype size = 0; size < text.size() - 5; ++size)
        EXPECT_THROW(ObjectTextToBinary(text.left(size)), EReadError) << size;
}

TEST_F(StreamErrors, CorruptStructureIsAReadError)
{
    const QByteArray head = QByteArray("TPF0") + Short("TTestBox") + Short("Box");
    struct Case {
        const char* what;
        QByteArray stream;
    };
    const Case cases[] = {
        {"no signature", QByteArray("TPF1") + Short("TTestBox") + Short("B") + Bytes({0, 0})},
        {"unknown value tag", head + Short("Count") + Bytes({99, 1}) + Bytes({0, 0})},
        {"huge binary length", head + Short("Picture.Data") + Bytes({10, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2}) + Bytes({0, 0})},
        {"huge long string", head + Short("Caption") + Bytes({12, 0xFF, 0xFF, 0xFF, 0xFF}) + Bytes({0, 0})},
        {"huge wide string", head + Short("Caption") + Bytes({18, 0xFF, 0xFF, 0xFF, 0x7F, 0x41, 0}) + Bytes({0, 0})},
        {"short string past the end", head + Short("Caption") + Bytes({6, 200, 'a'})},
        {"set without end", head + Short("Options") + Bytes({11}) + Short("boLeft")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_THROW(delete ComponentFromBytes(c.stream, nullptr,
                                               [](TReader&, const QString&, bool& handled) { handled = true; }),
                     EReadError);
        EXPECT_THROW(ObjectBinaryToText(c.stream), EReadError);
    }
}

TEST_F(StreamErrors, DeepNestingIsRefused)
{
    // Components inside components, far deeper than any real layout.
    QByteArray components = "TPF0";
    const int depth = 5000;
    for (int i = 0; i < depth; ++i)
        components += Short("TTestItem") + Short("") + Bytes({0});
    components += QByteArray(depth + 1, '\0');
    EXPECT_THROW(delete ComponentFromBytes(components, nullptr,
                                           [](TReader&, const QString&, bool& handled) { handled = true; }),
                 EReadError);
    EXPECT_THROW(ObjectBinaryToText(components), EReadError);

    // Lists inside lists in an unknown property that is skipped.
    QByteArray lists = QByteArray("TPF0") + Short("TTestBox") + Short("B") + Short("Unknown") +
                       QByteArray(depth, '\x01') + QByteArray(depth, '\0') + Bytes({0, 0});
    EXPECT_THROW(delete ComponentFromBytes(lists, nullptr,
                                           [](TReader&, const QString&, bool& handled) { handled = true; }),
                 EReadError);
    EXPECT_THROW(ObjectBinaryToText(lists), EReadError);

    QByteArray text = "object B: TTestBox\r\n  X = " + QByteArray(depth, '(') + QByteArray(depth, ')') + "\r\nend\r\n";
    EXPECT_THROW(ObjectTextToBinary(text), EReadError);
    QByteArray nestedText;
    for (int i = 0; i < depth; ++i)
        nestedText += "object TTestItem\n";
    for (int i = 0; i < depth; ++i)
        nestedText += "end\n";
    EXPECT_THROW(ObjectTextToBinary(nestedText), EReadError);
}

TEST_F(StreamErrors, BadTextIsAReadErrorWithItsLine)
{
    struct Case {
        QByteArray text;
        const char* messagePart;
    };
    const Case cases[] = {
        {"thing B: TTestBox\nend\n", "Zeile 1"},
        {"object B: TTestBox\n  Count 5\nend\n", "Zeile 2"},
        {"object B: TTestBox\n  Caption = 'open\nend\n", "nicht abgeschlossen"},
        {"object B: TTestBox\n  Caption = #70000\nend\n", "Ungültiges Zeichen"},
        {"object B: TTestBox\n  Count = 99999999999999999999\nend\n", "Ungültige Ganzzahl"},
        {"object B: TTestBox\n  Data = {0A1}\nend\n", "Binärdaten"},
        {"object B: TTestBox\n  Price = 1.23456c\nend\n", "Währungswert"},
        {"object B: TTestBox\n  Items = <\n    thing\n  >\nend\n", "item"},
        {"object B: TTestBox\n  Set = [a b]\nend\n", "]"},
    };
    for (const Case& c : cases) {
        try {
            ObjectTextToBinary(c.text);
            ADD_FAILURE() << "no error for " << c.text.toStdString();
        } catch (const EReadError& e) {
            EXPECT_TRUE(e.Message.contains(c.messagePart)) << e.Message.toStdString();
        }
    }
}

// Mutations of real streams: flipped, dropped, inserted and duplicated
// bytes, length fields made large. The reader and both converters must end
// in a result or a read error; under the sanitizer build every step is also
// checked for memory errors and undefined behaviour.
TEST_F(StreamErrors, MutatedStreamsNeverCrash)
{
    auto* box = NewBox(&form, "Report");
    box->Caption = QString::fromUtf8("Größe Ω");
    box->Lines.Add("a");
    box->Options = {boLeft};
    box->Ratio = 3.25L;
    box->Price = 5;
    box->OnPrint = "P";
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::blue);
    TBitmap bitmap;
    bitmap.SetImage(image);
    box->Picture.SetGraphic(&bitmap);
    auto* band = NewBox(&form, "Band", box);
    band->Link = box;
    NewBox<TTestLabel>(&form, "Label", band)->Text = "t";
    const QByteArray seeds[] = {
        ComponentToBytes(box, &form),
        ComponentToBytes(band, &form),
        ObjectTextToBinary("object G: TTestBox\r\n  C = <\r\n    item [2]\r\n      W = 1\r\n    end>\r\n"
                           "  D = {00FF}\r\n  S = 1.5s\r\n  T = 2d\r\n  E = nil\r\nend\r\n"),
    };

    std::mt19937 random(20240611);  // fixed seed: the same mutations every run
    const int rounds = 3000;
    int readOk = 0, readFailed = 0;
    for (int round = 0; round < rounds; ++round) {
        QByteArray data = seeds[round % std::size(seeds)];
        const int edits = 1 + int(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const qsizetype at = qsizetype(random() % uint32_t(data.size()));
            switch (random() % 6) {
            case 0: data[at] = char(data[at] ^ (1 << (random() % 8))); break;
            case 1: data[at] = char(random()); break;
            case 2: data.remove(at, 1 + qsizetype(random() % 4)); break;
            case 3: data.insert(at, char(random())); break;
            case 4: data.insert(at, data.mid(at, 1 + qsizetype(random() % 16))); break;
            case 5: data.replace(at, 4, Bytes({0xFF, 0xFF, 0xFF, 0x7F})); break;
            }
            if (data.isEmpty())
                data = "T";
        }
        try {
            std::unique_ptr<TComponent> read(ComponentFromBytes(data, nullptr, [](TReader&, const QString&, bool& handled) {
                handled = true;
            }));
            ++readOk;
        } catch (const Exception&) {
            ++readFailed;
        }
        try {
            const QByteArray text = ObjectBinaryToText(data);
            // A text the converter wrote converts back.
            EXPECT_NO_THROW(ObjectTextToBinary(text)) << "round " << round;
        } catch (const EReadError&) {
        }
        try {
            QByteArray text = ObjectBinaryToText(seeds[round % std::size(seeds)]);
            text[qsizetype(random() % uint32_t(text.size()))] = char(random());
            ObjectTextToBinary(text);
        } catch (const EReadError&) {
        }
    }
    // The mutations reach both outcomes, so the loop tests something.
    EXPECT_GT(readOk, rounds / 20);
    EXPECT_GT(readFailed, rounds / 20);
}

}  // namespace
