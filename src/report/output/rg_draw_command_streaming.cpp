// The stream descriptions of the page and the draw commands: published
// properties in stream order with their defaults, the page's commands as
// its children, and the rich text's bytes as the binary "RTFStream".
#include "report/output/rg_draw_commands.h"

#include <array>
#include <span>

#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "platform/stream/graphics_streaming.h"
#include "platform/stream/stream_format.h"
#include "report/output/rg_draw_barcode.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_setup.h"

namespace {

const TEnumInfo* StreamEnum(const char* TypeName, std::span<const char* const> Identifiers)
{
    QStringList identifiers;
    for (const char* identifier : Identifiers)
        identifiers << QString::fromLatin1(identifier);
    return RegisterEnum(QString::fromLatin1(TypeName), identifiers);
}

constexpr std::array<const char*, 3> kAlignmentIdentifiers{"taLeftJustify", "taRightJustify", "taCenter"};
constexpr std::array<const char*, 6> kShapeTypeIdentifiers{"stRectangle",    "stSquare", "stRoundRect",
                                                           "stRoundSquare", "stEllipse", "stCircle"};

// "RTFStream": a 32-bit little-endian count, then that many bytes.
QByteArray RichTextStreamData(const TrgDrawRichText& Command)
{
    QByteArray data;
    TByteEncoder(data).LE(Command.RichText.size(), 4);
    return data + Command.RichText;
}

void ReadRichTextStreamData(TrgDrawRichText& Command, const QByteArray& Data)
{
    TByteCursor cursor(Data);
    const uint32_t count = uint32_t(cursor.SignedLE(4));
    if (count > uint32_t(cursor.Remaining()))
        throw EReadError(QStringLiteral("Der RTF-Text ist kürzer als angegeben (%1 statt %2 Bytes)")
                             .arg(cursor.Remaining())
                             .arg(count));
    Command.RichText = cursor.Bytes(qsizetype(count));
}

void DescribeClasses()
{
    DescribeGraphicsClasses();
    rgDescribePrinterSetupClass();
    if (!ClassInfoFor<TrgFont>())
        DescribeClass<TrgFont, TFont>(QStringLiteral("TrgFont"));

    const TEnumInfo* colors = ColorIdents();
    const TEnumInfo* alignments = StreamEnum("TAlignment", kAlignmentIdentifiers);
    const TEnumInfo* shapeTypes = StreamEnum("TShapeType", kShapeTypeIdentifiers);
    const TEnumInfo* calcTypes = StreamEnum("TrgCalcType", TrgCalcTypeIdentifiers);
    const TEnumInfo* linePositions = StreamEnum("TrgLinePositionType", TrgLinePositionTypeIdentifiers);
    const TEnumInfo* lineStyles = StreamEnum("TrgLineStyleType", TrgLineStyleTypeIdentifiers);
    const TEnumInfo* passSettings = StreamEnum("TrgPassSettingType", TrgPassSettingTypeIdentifiers);

    // Every page property is written whatever its value.
    DescribeClass<TrgPage, TComponent>(QStringLiteral("TrgPage"))
        .Integer("AbsolutePageNo", &TrgPage::AbsolutePageNo)
        .Integer("AbsolutePageCount", &TrgPage::AbsolutePageCount)
        .Integer("ControlGroupBreakNo", &TrgPage::ControlGroupBreakNo)
        .String("DocumentName", &TrgPage::DocumentName)
        .Boolean("FirstPage", &TrgPage::FirstPage)
        .Integer("LanguageIndex", &TrgPage::LanguageIndex)
        .Boolean("LastPage", &TrgPage::LastPage)
        .Integer("PageNo", &TrgPage::PageNo)
        .Integer("PageCount", &TrgPage::PageCount)
        .Enum("PassSetting", passSettings, &TrgPage::PassSetting)
        .Date("PrintDateTime", &TrgPage::PrintDateTime)
        .Object("PrinterSetup", [](TrgPage& p) { return p.PrinterSetup(); })
        .Children([](TrgPage& page, const TGetChildProc& proc, TComponent*) {
            for (int i = 0; i < page.GetDrawCommandCount(); ++i)
                proc(page.GetDrawCommand(i));
        });

    DescribeClass<TrgDrawCommand, TComponent>(QStringLiteral("TrgDrawCommand"))
        .Integer("Left", &TrgDrawCommand::Left)
        .Integer("Height", &TrgDrawCommand::Height)
        .Integer("Top", &TrgDrawCommand::Top)
        .Integer("Width", &TrgDrawCommand::Width)
        .ParentSetter([](TrgDrawCommand& command, TComponent* parent) {
            command.SetPage(dynamic_cast<TrgPage*>(parent));
        });

    using T = TrgDrawText;
    DescribeClass<T, TrgDrawCommand>(QStringLiteral("TrgDrawText"))
        .Enum("Alignment", alignments, &T::Alignment).Default(taLeftJustify)
        .Boolean("AutoSize", &T::AutoSize).Default(false)
        .Mapped("Color", colors, &T::Color).Default(clWhite)
        .Object("Font", [](T& t) { return t.Font(); })
        .Boolean("IsMemo", &T::IsMemo).Default(false)
        .Integer("Leading", &T::Leading).Default(0)
        .Strings("TabStopPositions", [](T& t) { return t.TabStopPositions(); })
        .String("Text", &T::Text)
        .Boolean("Transparent", &T::Transparent).Default(false)
        .Boolean("WordWrap", &T::WordWrap).Default(false)
        .Strings("WrappedText", [](T& t) { return t.WrappedText(); })
        .Boolean("BandSave", &T::BandSave).Default(false)
        .Integer("BandSaveNo", &T::BandSaveNo).Default(0)
        .Boolean("ComponentSave", &T::ComponentSave).Default(false)
        .Integer("ComponentSaveNo", &T::ComponentSaveNo).Default(0)
        .Integer("SaveLength", &T::SaveLength).Default(0);

    DescribeClass<TrgDrawCalc, TrgDrawText>(QStringLiteral("TrgDrawCalc"))
        .Enum("CalcType", calcTypes, &TrgDrawCalc::CalcType).Default(ctDate);

    using S = TrgDrawShape;
    DescribeClass<S, TrgDrawCommand>(QStringLiteral("TrgDrawShape"))
        .Object("Brush", [](S& s) { return &s.Brush; })
        .Object("Pen", [](S& s) { return &s.Pen; })
        .Enum("ShapeType", shapeTypes, &S::ShapeType).Default(stRectangle)
        .Integer("XCornerRound", &S::XCornerRound).Default(0)
        .Integer("YCornerRound", &S::YCornerRound).Default(0);

    using L = TrgDrawLine;
    DescribeClass<L, TrgDrawCommand>(QStringLiteral("TrgDrawLine"))
        .Enum("LinePosition", linePositions, &L::LinePosition).Default(lpTop)
        .Enum("LineStyle", lineStyles, &L::LineStyle).Default(lsSingle)
        .Object("Pen", [](L& l) { return &l.Pen; })
        .Single("Weight", &L::Weight);

    using I = TrgDrawImage;
    DescribeClass<I, TrgDrawCommand>(QStringLiteral("TrgDrawImage"))
        .Boolean("Center", &I::Center).Default(false)
        .Boolean("MaintainAspectRatio", &I::MaintainAspectRatio).Default(false)
        .Object("Picture", [](I& i) { return &i.Picture; })
        .Boolean("Scale", &I::Scale).Default(false)
        .Boolean("Stretch", &I::Stretch).Default(false)
        .Boolean("Transparent", &I::Transparent).Default(false)
        .Boolean("DirectDraw", &I::DirectDraw).Default(false);

    using R = TrgDrawRichText;
    DescribeClass<R, TrgDrawCommand>(QStringLiteral("TrgDrawRichText"))
        .Mapped("Color", colors, &R::Color)
        .Integer("EndCharPos", &R::EndCharPos)
        .Integer("StartCharPos", &R::StartCharPos)
        .Boolean("Transparent", &R::Transparent)
        .DefineProperties([](R& r, TFiler& filer) {
            filer.DefineBinaryProperty(
                QStringLiteral("RTFStream"), [&r](const QByteArray& data) { ReadRichTextStreamData(r, data); },
                [&r] { return RichTextStreamData(r); }, true);
        });

    rgDescribeDrawBarCodeClass();
}

}  // namespace

void rgRegisterDrawCommandClasses()
{
    static const bool described = (DescribeClasses(), true);
    (void)described;
    for (const TClassInfo* info : {ClassInfoFor<TrgPage>(), ClassInfoFor<TrgDrawCommand>(), ClassInfoFor<TrgDrawText>(),
                                   ClassInfoFor<TrgDrawCalc>(), ClassInfoFor<TrgDrawShape>(), ClassInfoFor<TrgDrawLine>(),
                                   ClassInfoFor<TrgDrawImage>(), ClassInfoFor<TrgDrawRichText>(),
                                   ClassInfoFor<TrgDrawBarCode>()})
        RegisterClass(info);
}
