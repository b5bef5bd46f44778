#pragma once
// A small component model for the stream tests: boxes that hold child
// boxes (not owned: the form owns every component, as on a real form), a
// label class that inherits the box's property table, and a plain item
// class without own properties.

#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "platform/stream/graphics_streaming.h"
#include "platform/ui/graphics.h"

#include <algorithm>
#include <memory>
#include <vector>

enum TBoxKind { bkPlain, bkFramed, bkShaded };
enum TBoxOption { boLeft, boRight, boCenter };
using TBoxOptions = TSet<TBoxOption>;

// An item of a collection property.
class TTestColumn : public TPersistent {
public:
    int Width = 0;
    QString Title;
};

class TTestBox : public TComponent {
public:
    explicit TTestBox(TComponent* owner) : TComponent(owner) {}
    ~TTestBox() override
    {
        BeginDestroy();
        SetParentBox(nullptr);
        for (TTestBox* child : Children)
            child->ParentBox = nullptr;
    }

    void SetParentBox(TTestBox* parent)
    {
        if (ParentBox)
            std::erase(ParentBox->Children, this);
        ParentBox = parent;
        if (parent)
            parent->Children.push_back(this);
    }

    int Count = 0;            // default 0
    int Always = 0;           // no default: always written
    bool Active = false;
    TBoxKind Kind = bkPlain;
    TBoxOptions Options;
    long double Ratio = 0;
    float Scale = 0;
    double When = 0;
    int64_t Price = 0;        // currency, times 10000
    int64_t Big = 0;
    QString Caption;
    TColor Color = clWhite;
    TFont Font;
    TStringList Lines;
    TPicture Picture;
    TComponent* Link = nullptr;
    std::vector<std::unique_ptr<TTestColumn>> Columns;
    QString OnPrint;
    int mmHeight = 0;         // a defined property
    QString OldSource;        // read from the obsolete "DataSource"
    bool loadedCalled = false;

    TTestBox* ParentBox = nullptr;
    std::vector<TTestBox*> Children;

    void Loaded() override
    {
        TComponent::Loaded();
        loadedCalled = true;
    }

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        if (op == opRemove && c == Link)
            Link = nullptr;
    }
};

class TTestLabel : public TTestBox {
public:
    using TTestBox::TTestBox;
    QString Text = QStringLiteral("Beschriftung");  // default "Beschriftung"
};

class TTestItem : public TTestBox {
public:
    using TTestBox::TTestBox;
};

inline const TEnumInfo* BoxKinds()
{
    return RegisterEnum(QStringLiteral("TBoxKind"), {"bkPlain", "bkFramed", "bkShaded"});
}

// Describes and registers the test classes (again, so that each test
// starts from registered classes).
inline void DescribeTestClasses()
{
    DescribeGraphicsClasses();
    const TEnumInfo* kinds = BoxKinds();
    const TEnumInfo* options = RegisterEnum(QStringLiteral("TBoxOption"), {"boLeft", "boRight", "boCenter"});
    DescribeClass<TTestColumn, TPersistent>(QStringLiteral("TTestColumn"))
        .Integer("Width", &TTestColumn::Width).Default(0)
        .String("Title", &TTestColumn::Title).Default(QString());
    DescribeClass<TTestBox, TComponent>(QStringLiteral("TTestBox"))
        .Integer("Count", &TTestBox::Count).Default(0)
        .Integer("Always", &TTestBox::Always)
        .Boolean("Active", &TTestBox::Active).Default(false)
        .Enum("Kind", kinds, &TTestBox::Kind).Default(bkPlain)
        .Set("Options", options, &TTestBox::Options).Default(TBoxOptions{})
        .Float("Ratio", &TTestBox::Ratio).Default(0.0L)
        .Single("Scale", &TTestBox::Scale).Default(0.0f)
        .Date("When", &TTestBox::When).Default(0.0)
        .Currency("Price", &TTestBox::Price).Default(int64_t(0))
        .Integer("Big", &TTestBox::Big).Default(int64_t(0))
        .String("Caption", &TTestBox::Caption).Default(QString())
        .Mapped("Color", ColorIdents(), &TTestBox::Color).Default(clWhite)
        .Object("Font", [](TTestBox& b) { return &b.Font; })
        .Strings("Lines", [](TTestBox& b) { return &b.Lines; })
        .Object("Picture", [](TTestBox& b) { return &b.Picture; })
        .Component("Link", [](const TTestBox& b) { return b.Link; },
                   [](TTestBox& b, TComponent* c) {
                       b.Link = c;
                       if (c)
                           b.FreeNotification(c);
                   })
        .Collection<TTestColumn>("Columns", [](TTestBox& b) -> auto& { return b.Columns; })
        .Method("OnPrint", &TTestBox::OnPrint)
        .DefineProperties([](TTestBox& b, TFiler& filer) {
            filer.DefineProperty(QStringLiteral("mmHeight"), [&b](TReader& r) { b.mmHeight = r.ReadInteger(); },
                                 [&b](TWriter& w) { w.WriteInteger(b.mmHeight); }, true);
            // Obsolete: mapped into OldSource, or dropped; never written.
            filer.DefineProperty(QStringLiteral("DataSource"), [&b](TReader& r) { b.OldSource = r.ReadIdent(); },
                                 nullptr, false);
            filer.DefineProperty(QStringLiteral("ShiftWithBand"), [](TReader& r) { r.ReadBoolean(); }, nullptr,
                                 false);
        })
        .Children([](TTestBox& b, const TGetChildProc& proc, TComponent*) {
            for (TTestBox* child : std::vector<TTestBox*>(b.Children))
                proc(child);
        })
        .ParentSetter([](TTestBox& b, TComponent* parent) { b.SetParentBox(dynamic_cast<TTestBox*>(parent)); });
    DescribeClass<TTestLabel, TTestBox>(QStringLiteral("TTestLabel"))
        .String("Text", &TTestLabel::Text).Default(QStringLiteral("Beschriftung"));
    DescribeClass<TTestItem, TTestBox>(QStringLiteral("TTestItem"));
    RegisterClass(ClassInfoFor<TTestBox>());
    RegisterClass(ClassInfoFor<TTestLabel>());
    RegisterClass(ClassInfoFor<TTestItem>());
}

// A box owned by form, child of parent when one is given.
template <class T = TTestBox>
T* NewBox(TComponent* form, const QString& name, TTestBox* parent = nullptr)
{
    T* box = new T(form);
    box->Name = name;
    if (parent)
        box->SetParentBox(parent);
    return box;
}

inline QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

// A short string: length byte, then the text.
inline QByteArray Short(const char* text)
{
    return char(qstrlen(text)) + QByteArray(text);
}
