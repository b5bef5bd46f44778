#include "report/engine/rg_data_text.h"
#include "report/engine/rg_describe.h"

#include "platform/stream/class_registry.h"
#include "platform/stream/graphics_streaming.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_engine.h"
#include "report/engine/rg_pipeline.h"
#include "report/output/rg_utils.h"

TrgDBText::TrgDBText(TComponent* AOwner) : TrgCustomText(AOwner)
{
    // value printed, 2 reserved, value page, same as last, force new value, 2 reserved
    cacheOffset_ = ExtendCacheRecord(11);
    SetAutoSize(false);
    SetEditKind(ekDataField, QStringLiteral("DataField"));
}

void TrgDBText::SetBlankWhenZero(bool Value)
{
    if (blankWhenZero_ == Value)
        return;
    blankWhenZero_ = Value;
    Invalidate();
}

void TrgDBText::SetReprintOnSubsequent(bool Value)
{
    if (reprintOnSubsequent_ == Value)
        return;
    reprintOnSubsequent_ = Value;
    PropertyChanged();
    Invalidate();
}

void TrgDBText::SetSuppressRepeatedValues(bool Value)
{
    if (suppressRepeatedValues_ == Value)
        return;
    suppressRepeatedValues_ = Value;
    PropertyChanged();
    Invalidate();
}

void TrgDBText::SetDisplayFormat(const QString& Value)
{
    TrgCustomText::SetDisplayFormat(Value);
    SetCaption(GetText());
}

QString TrgDBText::GetDescription() const
{
    return DataField().isEmpty() ? Name : Name + QStringLiteral(": ") + DataField();
}

QString TrgDBText::FormatText(TrgDataType DataType, const QVariant& Value)
{
    const QString format = OnFormat ? QString() : DisplayFormat();
    QString text;
    try {
        if (Value.isValid() && !Value.isNull())
            rgFormatValue(format, DataType, Value, text);
    } catch (const std::exception&) {
        text.clear();
    }
    if (OnFormat)
        OnFormat(this, DisplayFormat(), DataType, Value, text);
    if (blankWhenZero_ && Value.isValid() && !Value.isNull()) {
        bool number = false;
        const double amount = Value.toDouble(&number);
        if (number && amount == 0)
            text.clear();
    }
    return text;
}

QString TrgDBText::ComputeText()
{
    if (!DataFieldAvailable()) {
        if (IsPrinting())
            return {};
        return DataField().isEmpty() ? Name : DataField();
    }
    TrgDataPipeline* pipeline = DataPipeline();
    TrgDataType dataType = dtString;
    try {
        dataType = pipeline->GetFieldDataType(DataField());
    } catch (const std::exception&) {
        dataType = dtString;
    }
    QVariant value;
    try {
        value = dataType == dtBoolean ? QVariant(pipeline->GetFieldAsString(DataField()))
                                      : pipeline->GetFieldValue(DataField());
    } catch (const std::exception&) {
        return {};
    }
    return FormatText(dataType, value);
}

int TrgDBText::CurrentPageNo() const
{
    const TrgCustomEngine* engine = Band() ? Band()->Engine() : nullptr;
    return engine ? engine->AbsolutePageNo() : 0;
}

void TrgDBText::CheckValue()
{
    currentValue_ = GetText();
    if (ForceNewValue() || currentValue_ != lastValue_) {
        lastValue_ = currentValue_;
        sameAsLast_ = false;
        valuePageNo_ = CurrentPageNo();
    } else {
        sameAsLast_ = true;
    }
}

void TrgDBText::TraverseRecord()
{
    CheckValue();
    SetForceNewValue(false);
}

void TrgDBText::GenerateContent()
{
    const TrgDataPipeline* pipeline = DataPipeline();
    const bool firstRecord = pipeline && pipeline->PipelineState() == tsBOF;
    bool prints;
    if (!sameAsLast_ || firstRecord) {
        valuePrinted_ = false;
        prints = true;
    } else if (!suppressRepeatedValues_) {
        prints = PrintPending();
    } else {
        prints = reprintOnSubsequent_ && valuePageNo_ < CurrentPageNo() && !valuePrinted_;
    }
    if (prints) {
        valuePrinted_ = true;
    } else {
        SetPrintHeight(0);
        SetPrintPending(false);
    }
    CheckValue();
}

void TrgDBText::PageStarted()
{
    TrgCustomText::PageStarted();
    valuePrinted_ = !reprintOnSubsequent_;
}

void TrgDBText::ClearValueState()
{
    valuePrinted_ = false;
    valuePageNo_ = -1;
    lastValue_.clear();
    sameAsLast_ = false;
}

void TrgDBText::ResetValueState()
{
    TrgCustomText::ResetValueState();
    ClearValueState();
}

void TrgDBText::ResetForPrint()
{
    TrgCustomText::ResetForPrint();
    ClearValueState();
}

void TrgDBText::SaveCacheFields(TrgCacheRecord& Record)
{
    TrgCustomText::SaveCacheFields(Record);
    const int at = cacheOffset_;
    Record.PutBool(at + 0, valuePrinted_);
    Record.PutInt32(at + 3, valuePageNo_);
    Record.PutBool(at + 7, sameAsLast_);
    Record.PutBool(at + 8, ForceNewValue());
}

void TrgDBText::RestoreCacheFields(const TrgCacheRecord& Record)
{
    TrgCustomText::RestoreCacheFields(Record);
    const int at = cacheOffset_;
    valuePrinted_ = Record.GetBool(at + 0);
    valuePageNo_ = Record.GetInt32(at + 3);
    sameAsLast_ = Record.GetBool(at + 7);
    SetForceNewValue(Record.GetBool(at + 8));
    lastValue_ = GetText();
}

namespace {

using rgdescribe::Get;
using rgdescribe::Put;

void DescribeDataTexts()
{
    rgRegisterTextComponentClasses();
    const TEnumInfo* alignments = FindEnum(QStringLiteral("TAlignment"));
    using D = TrgDBText;
    DescribeClass<D, TrgCustomText>(QStringLiteral("TrgDBText"))
        .Enum("Alignment", alignments, Get(&D::Alignment), Put(&D::SetAlignment)).Default(taLeftJustify)
        .Boolean("AutoSize", Get(&D::AutoSize), Put(&D::SetAutoSize)).Default(false)
        .Boolean("BlankWhenZero", Get(&D::BlankWhenZero), Put(&D::SetBlankWhenZero)).Default(false)
        .Mapped("Color", ColorIdents(), Get(&D::Color), Put(&D::SetColor)).Default(TColor(0xFFFFFF))
        .String("DataField", Get(&D::DataField), [](D& d, const QString& v) { d.SetDataField(v); })
        .String("DisplayFormat", Get(&D::DisplayFormat), [](D& d, const QString& v) { d.SetDisplayFormat(v); })
        .Object("Font", [](D& d) { return d.Font(); })
        .Boolean("ParentDataPipeline", Get(&D::ParentDataPipeline), Put(&D::SetParentDataPipeline)).Default(true)
        .Boolean("ReprintOnSubsequent", Get(&D::ReprintOnSubsequent), Put(&D::SetReprintOnSubsequent)).Default(false)
        .Boolean("SuppressRepeatedValues", Get(&D::SuppressRepeatedValues), Put(&D::SetSuppressRepeatedValues))
        .Default(false)
        .Boolean("Transparent", Get(&D::Transparent), Put(&D::SetTransparent)).Default(false)
        .Boolean("Visible", Get(&D::Visible), Put(&D::SetVisible)).Default(true)
        .Boolean("WordWrap", Get(&D::WordWrap), Put(&D::SetWordWrap)).Default(false);
}

}  // namespace

void rgRegisterDataTextClasses()
{
    static const bool described = (DescribeDataTexts(), true);
    (void)described;
    RegisterClass(ClassInfoFor<TrgDBText>());
}
