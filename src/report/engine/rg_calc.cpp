#include "report/engine/rg_calc.h"
#include "report/engine/rg_describe.h"

#include "platform/stream/class_registry.h"
#include "report/engine/rg_groups.h"
#include "report/engine/rg_pipeline.h"
#include "report/output/rg_strings.h"

TrgDBCalc::TrgDBCalc(TComponent* AOwner) : TrgDBText(AOwner)
{
    // record count, value, start record number
    cacheOffset_ = ExtendCacheRecord(20);
}

void TrgDBCalc::SetDBCalcType(TrgDBCalcType Value)
{
    dbCalcType_ = Value;
    Invalidate();
    PropertyChanged();
}

void TrgDBCalc::TraverseRecord()
{
    TrgDataPipeline* pipeline = DataPipeline();
    if (!pipeline || (DataField().isEmpty() && dbCalcType_ != dcCount) ||
        (pipeline->PipelineState() & tsNoRecords)) {
        value_ = 0;
        recordCount_ = 0;
        return;
    }
    if (ForceNewValue()) {
        SetForceNewValue(false);
        startRecordNo_ = pipeline->RecordNo();
        ResetValueState();
        if (OnGroupBreak)
            OnGroupBreak(this);
    }
    double amount = 0;
    if (dbCalcType_ == dcCount)
        amount = pipeline->RecordNo() - startRecordNo_ + 1;
    else
        amount = pipeline->GetFieldAsDouble(DataField());
    switch (dbCalcType_) {
    case dcCount:
        value_ = amount;
        break;
    case dcSum:
    case dcAverage:
        value_ += amount;
        break;
    case dcMinimum:
        if (recordCount_ == 0 || amount < value_)
            value_ = amount;
        break;
    case dcMaximum:
        if (recordCount_ == 0 || amount > value_)
            value_ = amount;
        break;
    }
    recordCount_ = pipeline->RecordNo() - startRecordNo_ + 1;
    TrgDBText::TraverseRecord();
    if (OnCalc)
        OnCalc(this);
}

void TrgDBCalc::ResetValueState()
{
    TrgDBText::ResetValueState();
    value_ = 0;
    recordCount_ = 0;
    SetForceNewValue(true);
}

QString TrgDBCalc::DesignText() const
{
    QString field = DataField();
    if (field.isEmpty())
        field = dbCalcType_ == dcCount ? QStringLiteral("*") : QStringLiteral("?");
    return rgLoadString(GetLanguageIndex() + 313 + int(dbCalcType_)) + QLatin1Char('(') + field + QLatin1Char(')');
}

QString TrgDBCalc::GetDescription() const { return Name + QStringLiteral(": ") + DesignText(); }

QString TrgDBCalc::ComputeText()
{
    double shown = value_;
    if (dbCalcType_ == dcAverage)
        shown = recordCount_ == 0 ? 0 : value_ / recordCount_;
    return FormatText(dtDouble, shown);
}

void TrgDBCalc::SaveCacheFields(TrgCacheRecord& Record)
{
    TrgDBText::SaveCacheFields(Record);
    Record.PutDouble(cacheOffset_, recordCount_);
    Record.PutDouble(cacheOffset_ + 8, value_);
    Record.PutInt32(cacheOffset_ + 16, startRecordNo_);
}

void TrgDBCalc::RestoreCacheFields(const TrgCacheRecord& Record)
{
    TrgDBText::RestoreCacheFields(Record);
    recordCount_ = Record.GetDouble(cacheOffset_);
    value_ = Record.GetDouble(cacheOffset_ + 8);
    startRecordNo_ = Record.GetInt32(cacheOffset_ + 16);
}

// ---- stream form -----------------------------------------------------------------

namespace {

using rgdescribe::Get;
using rgdescribe::Put;

void DescribeDBCalc()
{
    rgRegisterDataTextClasses();
    const TEnumInfo* dbCalcTypes = rgdescribe::Enum("TrgDBCalcType", TrgDBCalcTypeIdentifiers);
    DescribeClass<TrgDBCalc, TrgDBText>(QStringLiteral("TrgDBCalc"))
        .Enum("DBCalcType", dbCalcTypes, Get(&TrgDBCalc::DBCalcType), Put(&TrgDBCalc::SetDBCalcType)).Default(dcSum)
        // The group is written by its name and found by it when read.
        .Component("ResetGroup", [](const TrgDBCalc& c) -> TComponent* { return c.ResetGroup; },
                   [](TrgDBCalc& c, TComponent* group) { c.ResetGroup = dynamic_cast<TrgGroup*>(group); })
        .Stored([](const TrgDBCalc& c) { return c.ResetGroup && !c.ResetGroup->Name.isEmpty(); });
}

}  // namespace

void rgRegisterDBCalcClasses()
{
    static const bool described = (DescribeDBCalc(), true);
    (void)described;
    RegisterClass(ClassInfoFor<TrgDBCalc>());
}
