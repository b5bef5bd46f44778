#include "report/engine/rg_calculated_text.h"
#include "report/engine/rg_describe.h"

#include <span>

#include "platform/core/sys_utils.h"
#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/graphics_streaming.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_engine.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_utils.h"

namespace {
// First of the ten kind names in a language block.
constexpr int kCalcTypeNames = 303;
constexpr int kCustomName = 312;
}  // namespace

TrgDataType rgCalcTypeDataType(TrgCalcType Type)
{
    switch (Type) {
    case ctDate:
        return dtDate;
    case ctDateTime:
    case ctPrintDateTime:
        return dtDateTime;
    case ctPageCount:
    case ctPageNo:
        return dtInteger;
    case ctTime:
        return dtTime;
    case ctPageSet:
    case ctPageSetDesc:
    case ctPageNoDesc:
    case ctCustom:
        break;
    }
    return dtString;
}

TrgCalc::TrgCalc(TComponent* AOwner) : TrgCustomText(AOwner)
{
    // AsBoolean, 2 reserved, AsDateTime, AsInteger, AsFloat
    cacheOffset_ = ExtendCacheRecord(23);
    drawCommandFactory_ = [] { return new TrgDrawCalc(nullptr); };
    SetEditKind(ekCalcType, QStringLiteral("CalcType"));
    AsDateTime = Now();
}

void TrgCalc::SetCalcType(TrgCalcType Value)
{
    calcType_ = Value;
    if (!Loading())
        customType_ = rgCalcTypeDataType(Value);
    Invalidate();
    PropertyChanged();
}

void TrgCalc::SetCustomType(TrgDataType Value)
{
    if (Loading() || calcType_ == ctCustom)
        customType_ = Value;
}

void TrgCalc::SetText(const QString& Value)
{
    if (calcType_ == ctCustom) {
        AsString = Value;
        customType_ = dtString;
    }
    TrgCustomText::SetText(Value);
}

TDateTime TrgCalc::CurrentDateTime() const
{
    const TrgCustomEngine* engine = Band() ? Band()->Engine() : nullptr;
    return engine && engine->Clock ? engine->Clock() : Now();
}

QVariant TrgCalc::GetCalcValue()
{
    const TrgCustomEngine* engine = Band() ? Band()->Engine() : nullptr;
    const bool printing = IsPrinting() && engine;
    const TDateTime now = CurrentDateTime();
    switch (calcType_) {
    case ctDate:
        return double(int64_t(now));
    case ctDateTime:
        return double(now);
    case ctTime:
        return double(now) - double(int64_t(now));
    case ctPrintDateTime:
        return double(printing ? engine->PrintDateTime() : now);
    case ctPageCount:
        return printing ? engine->GetPageCount() : 1;
    case ctPageNo:
        return printing ? engine->GetPageNo() : 1;
    case ctPageSet:
    case ctPageSetDesc:
    case ctPageNoDesc: {
        QString text;
        rgGetCalcText(calcType_, printing ? engine->GetPageNo() : 1, printing ? engine->GetPageCount() : 1, text,
                      printing, GetLanguageIndex(), printing ? engine->PrintDateTime() : now);
        return text;
    }
    case ctCustom:
        break;
    }
    return GetCustomValue();
}

QVariant TrgCalc::GetCustomValue() const
{
    if (!IsPrinting() && InDesignState())
        return rgLoadString(GetLanguageIndex() + kCustomName);
    switch (customType_) {
    case dtBoolean:
        return AsBoolean;
    case dtDate:
    case dtTime:
    case dtDateTime:
        return double(AsDateTime);
    case dtInteger:
    case dtLongint:
        return AsInteger;
    case dtDouble:
        return AsFloat;
    default:
        return AsString;
    }
}

QString TrgCalc::ComputeText()
{
    const QString format = OnFormat ? QString() : DisplayFormat();
    const QVariant value = GetCalcValue();
    QString text;
    if (calcType_ == ctPageSet || calcType_ == ctPageSetDesc || calcType_ == ctPageNoDesc) {
        text = value.toString();
    } else {
        try {
            rgFormatValue(format, customType_, value, text);
        } catch (const std::exception&) {
            // A custom value that does not fit its type prints nothing.
            text.clear();
        }
    }
    if (OnFormat)
        OnFormat(this, DisplayFormat(), customType_, value, text);
    return text;
}

void TrgCalc::TraverseRecord()
{
    if (calcType_ != ctCustom || !IsPrinting())
        return;
    if (ForceNewValue())
        ResetValueState();
    if (OnCalc)
        OnCalc(this);
}

void TrgCalc::ResetValueState()
{
    TrgCustomText::ResetValueState();
    AsBoolean = false;
    AsInteger = 0;
    AsFloat = 0;
    AsString.clear();
    AsDateTime = CurrentDateTime();
}

void TrgCalc::PropertiesToDrawCommand(TrgDrawCommand* DrawCommand)
{
    TrgCustomText::PropertiesToDrawCommand(DrawCommand);
    if (auto* calc = dynamic_cast<TrgDrawCalc*>(DrawCommand))
        calc->CalcType = calcType_;
}

void TrgCalc::ConvertFromVersion(int Version)
{
    TrgCustomText::ConvertFromVersion(Version);
    if (Version < 3000 && calcType_ != ctCustom)
        customType_ = rgCalcTypeDataType(calcType_);
}

QString TrgCalc::GetDescription() const
{
    return Name + QStringLiteral(": ") + rgLoadString(GetLanguageIndex() + kCalcTypeNames + int(calcType_));
}

void TrgCalc::GetCalcTypeNames(QStringList& Names) const
{
    Names.clear();
    for (int i = 0; i <= int(ctCustom); ++i)
        Names << rgLoadString(GetLanguageIndex() + kCalcTypeNames + i);
}

void TrgCalc::DefineCalcProperties(TFiler& Filer)
{
    Filer.DefineProperty(
        QStringLiteral("DataType"),
        [this](TReader& Reader) {
            static const std::pair<const char*, TrgDataType> types[] = {
                {"ftString", dtString}, {"ftSmallint", dtInteger}, {"ftInteger", dtInteger},
                {"ftWord", dtInteger},  {"ftBytes", dtInteger},    {"ftFloat", dtDouble},
                {"ftCurrency", dtDouble}, {"ftBoolean", dtBoolean}, {"ftDate", dtDate},
                {"ftTime", dtTime},     {"ftDateTime", dtDateTime}};
            const QString name = Reader.ReadIdent();
            for (const auto& [ident, type] : types)
                if (name == QLatin1String(ident))
                    customType_ = type;
        },
        nullptr, false);
}

void TrgCalc::SaveCacheFields(TrgCacheRecord& Record)
{
    TrgCustomText::SaveCacheFields(Record);
    const int at = cacheOffset_;
    Record.PutBool(at + 0, AsBoolean);
    Record.PutDouble(at + 3, AsDateTime);
    Record.PutInt32(at + 11, AsInteger);
    Record.PutDouble(at + 15, AsFloat);
}

void TrgCalc::RestoreCacheFields(const TrgCacheRecord& Record)
{
    TrgCustomText::RestoreCacheFields(Record);
    const int at = cacheOffset_;
    AsBoolean = Record.GetBool(at + 0);
    AsDateTime = Record.GetDouble(at + 3);
    AsInteger = Record.GetInt32(at + 11);
    AsFloat = Record.GetDouble(at + 15);
}

namespace {

using rgdescribe::Get;
using rgdescribe::Put;
using rgdescribe::Enum;

void DescribeCalculatedText()
{
    rgRegisterTextComponentClasses();
    const TEnumInfo* calcTypes = Enum("TrgCalcType", TrgCalcTypeIdentifiers);
    const TEnumInfo* dataTypes = Enum("TrgDataType", TrgDataTypeIdentifiers);
    const TEnumInfo* alignments = FindEnum(QStringLiteral("TAlignment"));
    using C = TrgCalc;
    DescribeClass<C, TrgCustomText>(QStringLiteral("TrgCalc"))
        .Enum("Alignment", alignments, Get(&C::Alignment), Put(&C::SetAlignment)).Default(taLeftJustify)
        .Boolean("AutoSize", Get(&C::AutoSize), Put(&C::SetAutoSize)).Default(true)
        .Enum("CalcType", calcTypes, Get(&C::CalcType), Put(&C::SetCalcType)).Default(ctDate)
        .Mapped("Color", ColorIdents(), Get(&C::Color), Put(&C::SetColor)).Default(TColor(0xFFFFFF))
        .Enum("CustomType", dataTypes, Get(&C::CustomType), Put(&C::SetCustomType))
        .String("DisplayFormat", Get(&C::DisplayFormat), [](C& c, const QString& v) { c.SetDisplayFormat(v); })
        .Object("Font", [](C& c) { return c.Font(); })
        .Boolean("Transparent", Get(&C::Transparent), Put(&C::SetTransparent)).Default(false)
        .Boolean("Visible", Get(&C::Visible), Put(&C::SetVisible)).Default(true)
        .Boolean("WordWrap", Get(&C::WordWrap), Put(&C::SetWordWrap)).Default(false)
        .DefineProperties([](C& c, TFiler& filer) { c.DefineCalcProperties(filer); });
}

}  // namespace

void rgRegisterCalculatedTextClasses()
{
    static const bool described = (DescribeCalculatedText(), true);
    (void)described;
    RegisterClass(ClassInfoFor<TrgCalc>());
}
