// The binary component stream: bytes checked against the format, defaults,
// inherited tables, defined and obsolete properties, references, children,
// the 80-bit extended value and round trips.

#include "stream_test_classes.h"

#include "platform/core/exceptions.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class ComponentStream : public ::testing::Test {
protected:
    void SetUp() override { DescribeTestClasses(); }
    TComponent form{nullptr};
};

QByteArray FontBytes()
{
    return Short("Font.Color") + Bytes({7}) + Short("clWindowText") + Short("Font.Height") + Bytes({2, 0xF5}) +
           Short("Font.Name") + Bytes({6}) + Short("MS Sans Serif") + Short("Font.Style") + Bytes({11, 0});
}

TEST_F(ComponentStream, KnownObjectGivesTheFormatsBytes)
{
    auto* box = NewBox(&form, "B1");
    box->Count = 5;
    box->Always = 300;
    box->Active = true;
    box->Kind = bkShaded;
    box->Options = {boLeft, boCenter};
    box->Ratio = 1.5L;
    box->Caption = "Hi";
    box->Lines.Add("a");
    box->Lines.Add("b");
    box->mmHeight = 70000;
    NewBox<TTestItem>(&form, "I1", box);

    const QByteArray expected =
        QByteArray("TPF0") + Short("TTestBox") + Short("B1") +
        Short("Count") + Bytes({2, 5}) +
        Short("Always") + Bytes({3, 0x2C, 0x01}) +
        Short("Active") + Bytes({9}) +
        Short("Kind") + Bytes({7}) + Short("bkShaded") +
        Short("Options") + Bytes({11}) + Short("boLeft") + Short("boCenter") + Bytes({0}) +
        Short("Ratio") + Bytes({5, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F}) +
        Short("Caption") + Bytes({6}) + Short("Hi") +
        FontBytes() +
        Short("Lines.Strings") + Bytes({1, 6}) + Short("a") + Bytes({6}) + Short("b") + Bytes({0}) +
        Short("mmHeight") + Bytes({4, 0x70, 0x11, 0x01, 0x00}) +
        Bytes({0}) +
        Short("TTestItem") + Short("I1") + Short("Always") + Bytes({2, 0}) + FontBytes() +
        Short("mmHeight") + Bytes({2, 0}) + Bytes({0, 0}) +
        Bytes({0});
    EXPECT_EQ(ComponentToBytes(box, &form).toHex(' '), expected.toHex(' '));
}

TEST_F(ComponentStream, IntegersTakeTheSmallestTag)
{
    struct Case {
        int64_t value;
        QByteArray bytes;
    };
    const Case cases[] = {
        {0, Bytes({2, 0})},
        {-128, Bytes({2, 0x80})},
        {127, Bytes({2, 0x7F})},
        {128, Bytes({3, 0x80, 0})},
        {-32768, Bytes({3, 0x00, 0x80})},
        {32768, Bytes({4, 0x00, 0x80, 0, 0})},
        {INT32_MIN, Bytes({4, 0, 0, 0, 0x80})},
        {int64_t(INT32_MAX) + 1, Bytes({19, 0, 0, 0, 0x80, 0, 0, 0, 0})},
    };
    for (const Case& c : cases) {
        QByteArray out;
        TByteEncoder(out).Integer(c.value);
        EXPECT_EQ(out.toHex(), c.bytes.toHex()) << c.value;
        TByteCursor cur(out);
        EXPECT_EQ(cur.IntegerValue(true), c.value);
        EXPECT_TRUE(cur.AtEnd());
    }
}

TEST_F(ComponentStream, StringsTakeTheirTagByLengthAndCodePage)
{
    struct Case {
        QString text;
        TValueType tag;
    };
    const Case cases[] = {
        {"", TValueType::vaString},
        {QString::fromUtf8("Größe €"), TValueType::vaString},
        {QString(255, 'x'), TValueType::vaString},
        {QString(256, 'x'), TValueType::vaLString},
        {QString::fromUtf8("Ωmega"), TValueType::vaWString},
    };
    for (const Case& c : cases) {
        QByteArray out;
        TByteEncoder(out).String(c.text);
        EXPECT_EQ(TValueType(uint8_t(out[0])), c.tag) << c.text.toStdString();
        TByteCursor cur(out);
        EXPECT_EQ(cur.StringValue(), c.text);
        EXPECT_TRUE(cur.AtEnd());
    }
    // Windows-1252 bytes, not UTF-8: "ß" is one byte DF, "€" is 80.
    QByteArray out;
    TByteEncoder(out).String(QString::fromUtf8("ß€"));
    EXPECT_EQ(out, Bytes({6, 2, 0xDF, 0x80}));
    // UTF-8 strings of other writers read too.
    TByteCursor utf8(Bytes({20, 3, 0, 0, 0, 0xC3, 0xA4, 'b'}));
    EXPECT_EQ(utf8.StringValue(), QString::fromUtf8("äb"));
}

TEST_F(ComponentStream, ExtendedDecodesPortably)
{
    struct Case {
        QByteArray bytes;  // mantissa (little-endian), then sign and exponent
        long double value;
    };
    const Case cases[] = {
        {Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}), 1.0L},
        {Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}), -2.0L},
        {Bytes({0, 0, 0, 0, 0, 0, 0, 0xC8, 0x05, 0x40}), 100.0L},
        {Bytes({0, 0, 0, 0, 0, 0, 0, 0xA0, 0xFD, 0x3F}), 0.3125L},
        {Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 0.0L},
        {Bytes({0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}), 0.1L},
        {Bytes({0, 0, 0, 0, 0, 0, 0x70, 0xC6, 0x0D, 0x40}), 25400.0L},
    };
    for (const Case& c : cases) {
        const long double decoded = ExtendedToLongDouble(reinterpret_cast<const uint8_t*>(c.bytes.constData()));
        EXPECT_EQ(decoded, c.value) << c.bytes.toHex().toStdString();
        uint8_t encoded[10];
        LongDoubleToExtended(c.value, encoded);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(encoded), 10).toHex(), c.bytes.toHex());
    }
    uint8_t inf[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F};
    EXPECT_TRUE(std::isinf(ExtendedToLongDouble(inf)));
    uint8_t nan[10] = {1, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F};
    EXPECT_TRUE(std::isnan(ExtendedToLongDouble(nan)));
    // A denormal (exponent field 0) keeps its value.
    uint8_t denormal[10] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(ExtendedToLongDouble(denormal), std::ldexp(1.0L, -16382 - 63));
}

TEST_F(ComponentStream, ValuesEqualToTheirDefaultsAreLeftOut)
{
    auto* box = NewBox(&form, "Plain");
    const QByteArray plain = ComponentToBytes(box, &form);
    for (const char* left : {"Count", "Active", "Kind", "Options", "Ratio", "Caption", "Color", "Lines", "Link",
                             "OnPrint", "Tag", "Picture"})
        EXPECT_FALSE(plain.contains(Short(left))) << left;
    EXPECT_TRUE(plain.contains(Short("Always")));  // no default: always written
    EXPECT_TRUE(plain.contains(Short("mmHeight")));

    box->Color = clRed;
    box->Tag = 7;
    const QByteArray changed = ComponentToBytes(box, &form);
    EXPECT_TRUE(changed.contains(Short("Color") + Bytes({7}) + Short("clRed")));
    EXPECT_TRUE(changed.contains(Short("Tag") + Bytes({2, 7})));
    // A colour without a name streams as a number.
    box->Color = 0x123456;
    EXPECT_TRUE(ComponentToBytes(box, &form).contains(Short("Color") + Bytes({4, 0x56, 0x34, 0x12, 0})));
}

TEST_F(ComponentStream, InheritedTableComesFirst)
{
    auto* label = NewBox<TTestLabel>(&form, "L1");
    label->Count = 1;
    label->Text = "Name";
    const QByteArray bytes = ComponentToBytes(label, &form);
    const qsizetype count = bytes.indexOf(Short("Count"));
    const qsizetype text = bytes.indexOf(Short("Text"));
    const qsizetype mm = bytes.indexOf(Short("mmHeight"));
    ASSERT_GT(count, 0);
    EXPECT_LT(count, text);
    EXPECT_LT(text, mm);  // published before defined
    label->Text = "Beschriftung";  // the subclass's default
    EXPECT_FALSE(ComponentToBytes(label, &form).contains(Short("Text")));
}

TEST_F(ComponentStream, RoundTripRestoresEveryValueAndTheSameBytes)
{
    auto* box = NewBox(&form, "Report");
    box->Count = -70000;
    box->Active = true;
    box->Kind = bkFramed;
    box->Options = {boRight};
    box->Ratio = 1.0L / 3.0L;
    box->Scale = 0.1f;
    box->When = 45000.25;
    box->Price = 123456789;
    box->Big = int64_t(1) << 40;
    box->Caption = QString::fromUtf8("Größe 'x'\r\nΩ");
    box->Color = clBtnFace;
    box->Font.SetName("Arial");
    box->Font.SetHeight(-13);
    box->Font.SetStyle({fsBold, fsItalic});
    box->Lines.Add("erste");
    box->Lines.Add("");
    box->OnPrint = "BoxPrint";
    box->mmHeight = 25400;
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.setPixel(1, 1, qRgb(0, 0, 255));
    TBitmap bitmap;
    bitmap.SetImage(image);
    box->Picture.SetGraphic(&bitmap);
    auto* label = NewBox<TTestLabel>(&form, "Label", box);
    label->Text = "Seite";
    auto* other = NewBox(&form, "Other", box);
    // Both references point forward in the stream: resolved at the end.
    label->Link = other;
    box->Link = label;

    const QByteArray first = ComponentToBytes(box, &form);
    TComponent target(nullptr);
    std::vector<TComponent*> read;
    TReader entries(first + Bytes({0}));
    entries.ReadComponents(&target, nullptr, [&](TComponent* c) { read.push_back(c); });
    ASSERT_EQ(read.size(), 1u);
    auto* copy = dynamic_cast<TTestBox*>(read[0]);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Name, "Report");
    EXPECT_EQ(copy->Count, -70000);
    EXPECT_TRUE(copy->Active);
    EXPECT_EQ(copy->Kind, bkFramed);
    EXPECT_EQ(copy->Options, TBoxOptions({boRight}));
    EXPECT_EQ(copy->Ratio, 1.0L / 3.0L);
    EXPECT_EQ(copy->Scale, 0.1f);
    EXPECT_EQ(copy->When, 45000.25);
    EXPECT_EQ(copy->Price, 123456789);
    EXPECT_EQ(copy->Big, int64_t(1) << 40);
    EXPECT_EQ(copy->Caption, box->Caption);
    EXPECT_EQ(copy->Color, clBtnFace);
    EXPECT_EQ(copy->Font.Name(), "Arial");
    EXPECT_EQ(copy->Font.Height(), -13);
    EXPECT_EQ(copy->Font.Style(), TFontStyles({fsBold, fsItalic}));
    ASSERT_EQ(copy->Lines.Count(), 2);
    EXPECT_EQ(copy->Lines[0], "erste");
    EXPECT_EQ(copy->OnPrint, "BoxPrint");
    EXPECT_EQ(copy->mmHeight, 25400);
    ASSERT_NE(copy->Picture.Graphic(), nullptr);
    EXPECT_EQ(copy->Picture.Graphic()->ToImage().pixel(1, 1), qRgb(0, 0, 255));
    EXPECT_EQ(copy->Picture.Graphic()->ToImage().pixel(0, 0), qRgb(255, 0, 0));
    ASSERT_EQ(copy->Children.size(), 2u);
    auto* copyLabel = dynamic_cast<TTestLabel*>(copy->Children[0]);
    ASSERT_NE(copyLabel, nullptr);
    EXPECT_EQ(copyLabel->Text, "Seite");
    EXPECT_EQ(copyLabel->Owner(), &target);
    EXPECT_EQ(copy->Link, copyLabel);
    EXPECT_EQ(copyLabel->Link, copy->Children[1]);
    EXPECT_TRUE(copy->loadedCalled);
    EXPECT_FALSE(copy->Loading());

    EXPECT_EQ(ComponentToBytes(copy, &target).toHex(), first.toHex());
}

TEST_F(ComponentStream, CollectionItemsStreamWithTheirProperties)
{
    auto* box = NewBox(&form, "Grid");
    for (auto [width, title] : {std::pair{64, "Name"}, {0, ""}, {300, "Größe"}}) {
        box->Columns.push_back(std::make_unique<TTestColumn>());
        box->Columns.back()->Width = width;
        box->Columns.back()->Title = QString::fromUtf8(title);
    }
    const QByteArray bytes = ComponentToBytes(box, &form);
    const QByteArray expected = Short("Columns") + Bytes({14}) +
                                Bytes({1}) + Short("Width") + Bytes({2, 64}) + Short("Title") + Bytes({6}) +
                                Short("Name") + Bytes({0}) +
                                Bytes({1, 0}) +
                                Bytes({1}) + Short("Width") + Bytes({3, 0x2C, 0x01}) + Short("Title") +
                                Bytes({6, 5, 'G', 'r', 0xF6, 0xDF, 'e'}) + Bytes({0}) +
                                Bytes({0});
    EXPECT_TRUE(bytes.contains(expected)) << bytes.toHex(' ').toStdString();

    box->Columns.clear();
    box->Columns.push_back(std::make_unique<TTestColumn>());  // replaced by the read
    std::unique_ptr<TComponent> read(ComponentFromBytes(bytes));
    auto* copy = dynamic_cast<TTestBox*>(read.get());
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->Columns.size(), 3u);
    EXPECT_EQ(copy->Columns[0]->Title, "Name");
    EXPECT_EQ(copy->Columns[1]->Width, 0);
    EXPECT_EQ(copy->Columns[2]->Title, QString::fromUtf8("Größe"));
    EXPECT_EQ(ComponentToBytes(copy).toHex(), bytes.toHex());
    // No items: nothing written.
    EXPECT_FALSE(ComponentToBytes(NewBox(&form, "Empty"), &form).contains(Short("Columns")));
}

TEST_F(ComponentStream, ObsoletePropertiesAreMappedOrDroppedAndNeverWritten)
{
    const QByteArray stream = QByteArray("TPF0") + Short("TTestBox") + Short("Old") +
                              Short("DataSource") + Bytes({7}) + Short("Table1") +
                              Short("ShiftWithBand") + Bytes({9}) +
                              Short("Font.Charset") + Bytes({7}) + Short("DEFAULT_CHARSET") +
                              Short("mmHeight") + Bytes({3, 0x10, 0x27}) + Bytes({0, 0});
    std::unique_ptr<TComponent> read(ComponentFromBytes(stream));
    auto* box = dynamic_cast<TTestBox*>(read.get());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->OldSource, "Table1");
    EXPECT_EQ(box->mmHeight, 10000);
    const QByteArray written = ComponentToBytes(box);
    EXPECT_FALSE(written.contains(Short("DataSource")));
    EXPECT_FALSE(written.contains(Short("ShiftWithBand")));
    EXPECT_FALSE(written.contains(Short("Font.Charset")));
}

TEST_F(ComponentStream, ReadComponentsReadsEverySignedEntryAndRenames)
{
    auto* first = NewBox(&form, "Box");
    first->Count = 1;
    TComponent other(nullptr);
    auto* second = NewBox(&other, "Box");
    second->Count = 2;
    const QByteArray stream = ComponentToBytes(first, &form) + ComponentToBytes(second, &other) + Bytes({0});

    TComponent target(nullptr);
    NewBox(&target, "Box");  // a name already taken on the target
    TReader reader(stream);
    int renamed = 0;
    reader.OnSetName = [&](TReader&, TComponent*, QString& name) {
        if (target.FindComponent(name))
            name = QStringLiteral("Box%1").arg(++renamed);
    };
    std::vector<TComponent*> read;
    reader.ReadComponents(&target, nullptr, [&](TComponent* c) { read.push_back(c); });
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0]->Name, "Box1");
    EXPECT_EQ(read[1]->Name, "Box2");
    EXPECT_EQ(static_cast<TTestBox*>(read[1])->Count, 2);
    EXPECT_EQ(reader.Position(), stream.size());
}

TEST_F(ComponentStream, RootIsCreatedAndOwnsItsChildren)
{
    auto* page = NewBox(&form, "Page");
    NewBox<TTestItem>(page, "Cmd1", page);
    NewBox<TTestItem>(page, "Cmd2", page);
    const QByteArray bytes = ComponentToBytes(page, page);
    std::unique_ptr<TComponent> read(ComponentFromBytes(bytes));
    auto* copy = dynamic_cast<TTestBox*>(read.get());
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->Children.size(), 2u);
    EXPECT_EQ(copy->Children[0]->Owner(), copy);
    EXPECT_EQ(copy->Children[1]->Name, "Cmd2");
    EXPECT_EQ(copy->ComponentCount(), 2);
}

TEST_F(ComponentStream, InheritedEntriesReadIntoTheOwnersComponent)
{
    TComponent owner(nullptr);
    auto* there = NewBox(&owner, "There");
    const QByteArray stream = QByteArray("TPF0") + Bytes({0xF1}) + Short("TTestBox") + Short("There") +
                              Short("Count") + Bytes({2, 4}) + Bytes({0, 0}) + Bytes({0});
    TReader reader(stream);
    std::vector<TComponent*> read;
    reader.ReadComponents(&owner, nullptr, [&](TComponent* c) { read.push_back(c); });
    EXPECT_EQ(read, std::vector<TComponent*>{there});
    EXPECT_EQ(there->Count, 4);
    EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST_F(ComponentStream, ReadingIntoAnExistingRoot)
{
    auto* source = NewBox(&form, "Form1");
    source->Count = 9;
    NewBox(&form, "Child", source);
    TTestBox existing(nullptr);
    const QByteArray bytes = ComponentToBytes(source, &form);
    TComponent* result = ComponentFromBytes(bytes, &existing);
    EXPECT_EQ(result, &existing);
    EXPECT_EQ(existing.Count, 9);
    ASSERT_EQ(existing.Children.size(), 1u);
    EXPECT_EQ(existing.Children[0]->Owner(), &existing);
}

// A class whose Hidden property is stored only while Shown is set.
class TStoredProbe : public TComponent {
public:
    using TComponent::TComponent;
    bool Shown = false;
    int Hidden = 5;
};

class TUndescribed : public TComponent {
public:
    using TComponent::TComponent;
};

TEST_F(ComponentStream, StoredDecidesAndUnwritableValuesAreWriteErrors)
{
    DescribeClass<TStoredProbe, TComponent>("TStoredProbe")
        .Boolean("Shown", &TStoredProbe::Shown)
        .Integer("Hidden", &TStoredProbe::Hidden)
        .Stored([](const TStoredProbe& p) { return p.Shown; });
    TStoredProbe probe(nullptr);
    EXPECT_FALSE(ComponentToBytes(&probe).contains(Short("Hidden")));
    probe.Shown = true;
    EXPECT_TRUE(ComponentToBytes(&probe).contains(Short("Hidden") + Bytes({2, 5})));

    TUndescribed undescribed(nullptr);
    EXPECT_THROW(ComponentToBytes(&undescribed), EWriteError);
    // An ordinal without an identifier (held in an int, as an enum cannot hold it).
    TStoredProbe ordinal(nullptr);
    DescribeClass<TStoredProbe, TComponent>("TStoredProbe").Enum("Hidden", BoxKinds(), &TStoredProbe::Hidden);
    ordinal.Hidden = 2;
    EXPECT_TRUE(ComponentToBytes(&ordinal).contains(Short("Hidden") + Bytes({7}) + Short("bkShaded")));
    ordinal.Hidden = 7;
    EXPECT_THROW(ComponentToBytes(&ordinal), EWriteError);
    auto* box = NewBox(&form, "Box");
    box->Name = QString(256, 'N');
    EXPECT_THROW(ComponentToBytes(box, &form), EWriteError);
}

TEST_F(ComponentStream, PropertyKindMustFitItsMember)
{
    auto builder = DescribeClass<TStoredProbe, TComponent>("TStoredProbe");
    EXPECT_THROW(builder.Boolean("Hidden", &TStoredProbe::Hidden), EInvalidOperation);
    EXPECT_THROW(builder.Float("Hidden", &TStoredProbe::Hidden), EInvalidOperation);
    EXPECT_THROW(builder.Integer("Shown", &TStoredProbe::Shown), EInvalidOperation);
    EXPECT_NO_THROW(builder.Integer("Hidden", &TStoredProbe::Hidden));
    EXPECT_EQ(ClassInfoFor<TStoredProbe>()->Properties.size(), 1u);
}

// A component without the usual constructor, made through a factory.
class TMadeProbe : public TComponent {
public:
    TMadeProbe(TComponent* owner, int start) : TComponent(owner), Value(start) {}
    int Value;
};

TEST_F(ComponentStream, FactoryMakesComponentsWithOtherConstructors)
{
    DescribeClass<TMadeProbe, TComponent>("TMadeProbe")
        .Integer("Value", &TMadeProbe::Value)
        .Default(0)
        .Factory([](TComponent* owner) { return new TMadeProbe(owner, 42); });
    RegisterClass(ClassInfoFor<TMadeProbe>());
    TMadeProbe zero(nullptr, 0);
    std::unique_ptr<TComponent> read(ComponentFromBytes(ComponentToBytes(&zero)));
    auto* made = dynamic_cast<TMadeProbe*>(read.get());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->Value, 42);  // the default was not written; the factory's value stays
    UnRegisterClass(ClassInfoFor<TMadeProbe>());
}

TEST_F(ComponentStream, RawValuesForDefinedProperties)
{
    // What a defined property's reader sees: the tag, then the raw bytes.
    QByteArray bytes;
    {
        TWriter writer(bytes);
        writer.WriteFloat(2.5L);
        writer.WriteListBegin();
        writer.WriteString("a");
        writer.WriteIdent("True");
        writer.WriteListEnd();
        writer.WriteBinary("xyz");
    }
    TReader reader(bytes);
    ASSERT_EQ(reader.ReadValue(), TValueType::vaExtended);
    uint8_t extended[10];
    reader.Read(extended, 10);
    EXPECT_EQ(ExtendedToLongDouble(extended), 2.5L);
    reader.ReadListBegin();
    EXPECT_EQ(reader.NextValue(), TValueType::vaString);
    EXPECT_EQ(reader.ReadString(), "a");
    EXPECT_TRUE(reader.ReadBoolean());
    EXPECT_TRUE(reader.EndOfList());
    reader.ReadListEnd();
    EXPECT_EQ(reader.ReadBinary(), "xyz");
    EXPECT_EQ(reader.Position(), bytes.size());
    EXPECT_THROW(reader.Read(extended, 1), EReadError);
    EXPECT_THROW(reader.ReadValue(), EReadError);
}

}  // namespace
