#pragma once
// TrgDBCalc prints a running count, sum, minimum, maximum or average of a
// pipeline field over the records the report takes, started again at each
// break of its ResetGroup. Its running value is part of its page-cache
// record, so a page made again prints the same totals.

#include "report/engine/rg_data_text.h"

class TrgDBCalc : public TrgDBText {
public:
    explicit TrgDBCalc(TComponent* AOwner);

    TrgDBCalcType DBCalcType() const { return dbCalcType_; }
    void SetDBCalcType(TrgDBCalcType Value);
    double Value() const { return value_; }
    double RecordCount() const { return recordCount_; }
    TNotifyEvent OnCalc;
    TNotifyEvent OnGroupBreak;

    bool UsesResetGroup() const override { return true; }
    void TraverseRecord() override;
    void ResetValueState() override;
    QString ComputeText() override;
    QString GetDescription() const override;
    // The calculation and its field as a designer shows it: "Sum(Bytes)",
    // "Count(*)".
    QString DesignText() const;

protected:
    void SaveCacheFields(TrgCacheRecord& Record) override;
    void RestoreCacheFields(const TrgCacheRecord& Record) override;

private:
    TrgDBCalcType dbCalcType_ = dcSum;
    double recordCount_ = 0;
    int32_t startRecordNo_ = 0;
    double value_ = 0;
    int32_t cacheOffset_ = 0;
};

// Makes TrgDBCalc known to the component stream by name (with the data text
// classes it derives from).
void rgRegisterDBCalcClasses();
