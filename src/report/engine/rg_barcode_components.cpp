#include "report/engine/rg_barcode_components.h"
#include "report/engine/rg_describe.h"

#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "platform/stream/graphics_streaming.h"
#include "report/engine/rg_pipeline.h"
#include "report/engine/rg_report.h"
#include "report/engine/rg_text_components.h"
#include "report/output/rg_barcode.h"
#include "report/output/rg_draw_barcode.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_units.h"

namespace {

// Module widths in inches.
constexpr double kMinBarWidthInches = 0.004;
constexpr double kMaxBarWidthInches = 0.1;

// Message numbers of the language block.
enum : int {
    msgAddOnType = 423,
    msgAddOnLength = 424,
    msgPostnetAutoSize = 425,
    msgAutoSizeFont = 426,
    msgMinBarWidth = 427,
    msgMaxBarWidth = 428,
    msgBearerBars = 429,
};

int InchesToMM(double Inches) { return rgToMMThousandths(utInches, rgHorizontal, nullptr, float(Inches)); }

// The natural module width of a symbology, in thousandths of a millimetre.
int NaturalModuleWidth(TrgBarCodeType Type)
{
    switch (Type) {
    case bcUPC_A:
    case bcEAN_13: return InchesToMM(0.013);
    case bcInt2of5: return InchesToMM(0.015);
    case bcPostnet: return InchesToMM(0.02);
    default: return InchesToMM(0.01);
    }
}

bool HasAddOns(TrgBarCodeType Type) { return Type == bcUPC_A || Type == bcEAN_13; }

}  // namespace

TrgCustomBarCode::TrgCustomBarCode(TComponent* AOwner) : TrgCustomComponent(AOwner)
{
    // Set up as loading: the writers then neither size nor check anything.
    SetLoading(true);
    SetColor(TColor(0xFFFFFF));
    TFont font;
    font.Assign(Font());
    font.SetName(QStringLiteral("Courier New"));
    TrgCustomComponent::SetFont(&font);
    SetmmBounds(0, 0, InchesToMM(1.53), rgToMMThousandths(utInches, rgVertical, nullptr, 0.5083f));
    TrgCustomComponent::SetAutoSize(true);
    SetLoading(false);
    drawCommandFactory_ = [] { return new TrgDrawBarCode(nullptr); };
}

TrgLanguageType TrgCustomBarCode::MessageLanguage() const
{
    return Report() ? Report()->Language() : lgEnglish;
}

void TrgCustomBarCode::ShowError(const QString& Message)
{
    if (Loading() || IsPrinting())
        return;
    rgShowBarCodeError(Message);
}

QString TrgCustomBarCode::SampleData(TrgBarCodeType Type) const
{
    switch (Type) {
    case bcUPC_A: return calcCheckDigit_ ? QStringLiteral("01234567890") : QStringLiteral("012345678905");
    case bcEAN_13: return QStringLiteral("0012345678905");
    case bcInt2of5: return QStringLiteral("0123456789");
    case bcCode128:
        return QString(QChar(rgCode128StartC)) + QStringLiteral("1234") + QChar(rgCode128CodeB) +
               QStringLiteral(" abcd");
    case bcPostnet: return QStringLiteral("012345678");
    default: return QStringLiteral("BarCode");
    }
}

bool TrgCustomBarCode::Validate(const QString& Value)
{
    const QString message = rgValidateBarCodeData(barCodeType_, Value, calcCheckDigit_, MessageLanguage());
    if (!message.isEmpty())
        ShowError(message);
    return message.isEmpty();
}

void TrgCustomBarCode::SetData(const QString& Value)
{
    if (Value == data_)
        return;
    valid_ = Validate(Value);
    data_ = Value;  // kept also when invalid: it prints as background only
    AdjustSize();
    Invalidate();
}

void TrgCustomBarCode::SetBarCodeType(TrgBarCodeType Value)
{
    if (Value == barCodeType_)
        return;
    barCodeType_ = Value;
    if (!Loading()) {
        data_ = SampleData(Value);
        valid_ = true;
        if (Value == bcPostnet) {
            TrgCustomComponent::SetAutoSize(true);
            printHumanReadable_ = false;
        }
        if (HasAddOns(Value))
            autoSizeFont_ = true;
        mmBarWidth_ = NaturalModuleWidth(Value);
    }
    AdjustSize();
    Invalidate();
}

float TrgCustomBarCode::BarWidth() const { return rgFromMMThousandths(mmBarWidth_, Units(), rgHorizontal, GetPrinter()); }

void TrgCustomBarCode::SetBarWidth(float Value)
{
    const int mm = rgToMMThousandths(Units(), rgHorizontal, GetPrinter(), Value);
    if (mm == mmBarWidth_)
        return;
    if (!Loading()) {
        const double inches = mm / 25400.0;
        auto refuse = [&](int Message, double LimitInches) {
            const float limit = rgFromMMThousandths(InchesToMM(LimitInches), Units(), rgHorizontal, GetPrinter());
            const QString text = rgLoadString(rgLanguageResourceBase(MessageLanguage()) + Message);
            ShowError(rgFillMessageTags(text, {QString::number(limit)}));
        };
        if (inches < kMinBarWidthInches - 1e-9) {
            refuse(msgMinBarWidth, kMinBarWidthInches);
            return;
        }
        if (inches > kMaxBarWidthInches + 1e-9) {
            refuse(msgMaxBarWidth, kMaxBarWidthInches);
            return;
        }
    }
    mmBarWidth_ = mm;
    AdjustSize();
    Invalidate();
}

void TrgCustomBarCode::SetAddOnCode(const QString& Value)
{
    if (Value == addOnCode_)
        return;
    if (!Loading()) {
        const int base = rgLanguageResourceBase(MessageLanguage());
        if (!Value.isEmpty() && !HasAddOns(barCodeType_)) {
            ShowError(rgLoadString(base + msgAddOnType));
            return;
        }
        if (Value.size() != 0 && Value.size() != 2 && Value.size() != 5) {
            ShowError(rgLoadString(base + msgAddOnLength));
            return;
        }
    }
    addOnCode_ = Value;
    AdjustSize();
    Invalidate();
}

void TrgCustomBarCode::SetBearerBars(bool Value)
{
    if (Value == bearerBars_)
        return;
    if (Value && barCodeType_ != bcInt2of5 && !Loading()) {
        ShowError(rgLoadString(rgLanguageResourceBase(MessageLanguage()) + msgBearerBars));
        return;
    }
    bearerBars_ = Value;
    AdjustSize();
    Invalidate();
}

void TrgCustomBarCode::SetAutoSize(bool Value)
{
    if (Value == AutoSize())
        return;
    if (!Value && barCodeType_ == bcPostnet && !Loading()) {
        ShowError(rgLoadString(rgLanguageResourceBase(MessageLanguage()) + msgPostnetAutoSize));
        return;
    }
    TrgCustomComponent::SetAutoSize(Value);
    AdjustSize();
    Invalidate();
}

void TrgCustomBarCode::SetAutoSizeFont(bool Value)
{
    if (Value == autoSizeFont_)
        return;
    if (!Value && HasAddOns(barCodeType_) && !Loading()) {
        ShowError(rgLoadString(rgLanguageResourceBase(MessageLanguage()) + msgAutoSizeFont));
        return;
    }
    autoSizeFont_ = Value;
    AdjustSize();
    Invalidate();
}

void TrgCustomBarCode::SetBarColor(TColor Value)
{
    if (Value == barColor_)
        return;
    barColor_ = Value;
    SetFontColor(Value);
    Invalidate();
}

void TrgCustomBarCode::SetCalcCheckDigit(bool Value)
{
    if (Value == calcCheckDigit_)
        return;
    calcCheckDigit_ = Value;
    AdjustSize();
    Invalidate();
}

void TrgCustomBarCode::SetOrientation(TrgBarCodeOrientation Value)
{
    if (Value == orientation_)
        return;
    orientation_ = Value;
    AdjustSize();
    Invalidate();
}

void TrgCustomBarCode::SetPrintHumanReadable(bool Value)
{
    if (Value == printHumanReadable_)
        return;
    printHumanReadable_ = Value;
    AdjustSize();
    Invalidate();
}

void TrgCustomBarCode::SetAlignment(TAlignment Value)
{
    TrgCustomComponent::SetAlignment(Value);
    Invalidate();
}

void TrgCustomBarCode::SetWideBarRatio(float Value)
{
    if (Value == wideBarRatio_ || Value <= 0)
        return;
    wideBarRatio_ = Value;
    AdjustSize();
    Invalidate();
}

void TrgCustomBarCode::SetFont(const TFont* Value)
{
    TrgCustomComponent::SetFont(Value);
    AdjustSize();
}

void TrgCustomBarCode::FillCommand(TrgDrawBarCode& Command, const QString& Data, bool CodeOK)
{
    Command.Alignment = Alignment();
    Command.AddOnCode = addOnCode_;
    Command.AutoSize = AutoSize();
    Command.AutoSizeFont = autoSizeFont_;
    Command.BarCodeType = barCodeType_;
    Command.BarColor = barColor_;
    Command.BarWidth = mmBarWidth_;
    Command.BearerBars = bearerBars_;
    Command.CalcCheckDigit = calcCheckDigit_;
    Command.CodeOK = CodeOK;
    Command.Color = Color();
    Command.Data = Data;
    Command.SetFont(Font());
    Command.Orientation = orientation_;
    Command.PrintHumanReadable = printHumanReadable_;
    Command.Transparent = Transparent();
    Command.WideBarRatio = wideBarRatio_;
    Command.Language = MessageLanguage();
    // Problems were reported when the data was set; none while printing.
    Command.SuppressMessages = true;
}

void TrgCustomBarCode::FillDesignCommand(TrgDrawBarCode& Command)
{
    FillCommand(Command, GetData(), valid_);
    Command.Width = mmWidth();
    Command.Height = mmHeight();
}

void TrgCustomBarCode::AdjustSize()
{
    if (Loading() || !AutoSize() || IsPrinting())
        return;
    TrgDrawBarCode probe(nullptr);
    FillDesignCommand(probe);
    const QSize size = probe.MeasureMMThousandths();
    if (!probe.CodeOK || size.isEmpty())
        return;
    SetmmBounds(mmLeft(), mmTop(), size.width(), size.height());
}

void TrgCustomBarCode::PropertiesToDrawCommand(TrgDrawCommand* DrawCommand)
{
    TrgCustomComponent::PropertiesToDrawCommand(DrawCommand);
    auto* command = dynamic_cast<TrgDrawBarCode*>(DrawCommand);
    if (!command)
        return;
    command->Left = DrawRect().Left;
    command->Top = DrawRect().Top;
    command->Width = DrawRect().Right - DrawRect().Left;
    command->Height = DrawRect().Bottom - DrawRect().Top;
    FillCommand(*command, GetData(), valid_);
}

void TrgCustomBarCode::DefineBarCodeProperties(TFiler& Filer)
{
    Filer.DefineProperty(
        QStringLiteral("mmBarWidth"), [this](TReader& Reader) {
            mmBarWidth_ = rgCheckedLength(Reader.ReadInteger(), QStringLiteral("mmBarWidth"));
        },
        [this](TWriter& Writer) { Writer.WriteInteger(mmBarWidth_); }, true);
}

// ---- TrgBarCode --------------------------------------------------------------

TrgBarCode::TrgBarCode(TComponent* AOwner) : TrgCustomBarCode(AOwner)
{
    SetEditKind(ekCaption, QStringLiteral("Data"));
}

// ---- TrgDBBarCode ------------------------------------------------------------

TrgDBBarCode::TrgDBBarCode(TComponent* AOwner) : TrgCustomBarCode(AOwner)
{
    SetEditKind(ekDataField, QStringLiteral("DataField"));
}

QString TrgDBBarCode::SampleData(TrgBarCodeType Type) const
{
    return Type == bcCode39 ? QStringLiteral("DBBarCode") : TrgCustomBarCode::SampleData(Type);
}

QString TrgDBBarCode::GetData()
{
    if (DataFieldAvailable()) {
        try {
            const QVariant value = DataPipeline()->GetFieldValue(DataField());
            if (value.isNull())
                return {};
            return DataPipeline()->GetFieldAsString(DataField());
        } catch (const std::exception&) {
            return {};
        }
    }
    return IsPrinting() ? QString() : SampleData(BarCodeType());
}

void TrgDBBarCode::SetDataField(const QString& Value)
{
    TrgCustomBarCode::SetDataField(Value);
    if (!Loading())
        SetData(GetData());
}

void TrgDBBarCode::PipelineNotification(TrgDataPipeline* Pipeline, int Operation)
{
    TrgCustomBarCode::PipelineNotification(Pipeline, Operation);
    if (Operation < 2 && !IsPrinting() && !Loading())
        SetData(GetData());
}

void TrgDBBarCode::PropertiesToDrawCommand(TrgDrawCommand* DrawCommand)
{
    TrgCustomBarCode::PropertiesToDrawCommand(DrawCommand);
    auto* command = dynamic_cast<TrgDrawBarCode*>(DrawCommand);
    if (!command)
        return;
    command->CodeOK = rgValidateBarCodeData(BarCodeType(), command->Data, CalcCheckDigit(), MessageLanguage()).isEmpty();
}

// ---- stream form -------------------------------------------------------------

namespace {

using rgdescribe::Get;
using rgdescribe::Put;

// The published properties of both bar codes; Data or DataField stands
// where Data belongs.
template <class B> void DescribeBarCode(TClassBuilder<B> Builder, bool DataAware)
{
    const TEnumInfo* colors = ColorIdents();
    const TEnumInfo* alignments = FindEnum(QStringLiteral("TAlignment"));
    const TEnumInfo* types = FindEnum(QStringLiteral("TrgBarCodeType"));
    const TEnumInfo* orientations = FindEnum(QStringLiteral("TrgBarCodeOrientation"));
    auto never = [](const B&) { return false; };
    Builder.String("AddOnCode", Get(&B::AddOnCode), [](B& b, const QString& v) { b.SetAddOnCode(v); })
        .Boolean("AutoSizeFont", Get(&B::AutoSizeFont), Put(&B::SetAutoSizeFont)).Default(true)
        .Enum("BarCodeType", types, Get(&B::BarCodeType), Put(&B::SetBarCodeType))
        .Mapped("BarColor", colors, Get(&B::BarColor), Put(&B::SetBarColor))
        .Single("BarWidth", Get(&B::BarWidth), Put(&B::SetBarWidth)).Stored(never)
        .Boolean("BearerBars", Get(&B::BearerBars), Put(&B::SetBearerBars)).Default(false)
        .Boolean("CalcCheckDigit", Get(&B::CalcCheckDigit), Put(&B::SetCalcCheckDigit)).Default(true);
    if (DataAware)
        Builder.String("DataField", Get(&B::DataField), [](B& b, const QString& v) { b.SetDataField(v); })
            .Boolean("ParentDataPipeline", Get(&B::ParentDataPipeline), Put(&B::SetParentDataPipeline))
            .Default(true);
    else
        Builder.String("Data", Get(&B::Data), [](B& b, const QString& v) { b.SetData(v); });
    Builder.Enum("Orientation", orientations, Get(&B::Orientation), Put(&B::SetOrientation)).Default(orLeftToRight)
        .Boolean("PrintHumanReadable", Get(&B::PrintHumanReadable), Put(&B::SetPrintHumanReadable)).Default(true)
        .Single("WideBarRatio", Get(&B::WideBarRatio), Put(&B::SetWideBarRatio))
        .Enum("Alignment", alignments, Get(&B::Alignment), Put(&B::SetAlignment)).Default(taLeftJustify)
        .Boolean("AutoSize", Get(&B::AutoSize), Put(&B::SetAutoSize)).Default(false)
        .Mapped("Color", colors, Get(&B::Color), Put(&B::SetColor)).Default(TColor(0xFFFFFF))
        .Object("Font", [](B& b) { return b.Font(); })
        .Boolean("ReprintOnOverFlow", Get(&B::ReprintOnOverFlow), Put(&B::SetReprintOnOverFlow)).Default(false)
        .Boolean("ShiftWithParent", Get(&B::ShiftWithParent), Put(&B::SetShiftWithParent)).Default(false)
        .Boolean("Transparent", Get(&B::Transparent), Put(&B::SetTransparent)).Default(false)
        .Boolean("Visible", Get(&B::Visible), Put(&B::SetVisible)).Default(true);
}

void DescribeBarCodeClasses()
{
    rgRegisterTextComponentClasses();
    using C = TrgCustomBarCode;
    DescribeClass<C, TrgCustomComponent>(QStringLiteral("TrgCustomBarCode"))
        .DefineProperties([](C& barCode, TFiler& filer) { barCode.DefineBarCodeProperties(filer); });
    DescribeBarCode(DescribeClass<TrgBarCode, C>(QStringLiteral("TrgBarCode")), false);
    DescribeBarCode(DescribeClass<TrgDBBarCode, C>(QStringLiteral("TrgDBBarCode")), true);
}

}  // namespace

void rgRegisterBarCodeComponentClasses()
{
    static const bool described = (DescribeBarCodeClasses(), true);
    (void)described;
    RegisterClass(ClassInfoFor<TrgBarCode>());
    RegisterClass(ClassInfoFor<TrgDBBarCode>());
}
