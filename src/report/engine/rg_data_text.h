#pragma once
// TrgDBText prints the value of one pipeline field through the display
// format or OnFormat. It can print nothing for zero (BlankWhenZero), leave
// out a value that repeats the one before it (SuppressRepeatedValues) and
// then print it once more at the top of each following page
// (ReprintOnSubsequent). The state this needs is kept per page in the page
// cache, so a page made again decides the same.

#include "report/engine/rg_text_components.h"

class TrgDBText : public TrgCustomText {
public:
    explicit TrgDBText(TComponent* AOwner);

    bool BlankWhenZero() const { return blankWhenZero_; }
    void SetBlankWhenZero(bool Value);
    bool ReprintOnSubsequent() const { return reprintOnSubsequent_; }
    void SetReprintOnSubsequent(bool Value);
    bool SuppressRepeatedValues() const { return suppressRepeatedValues_; }
    void SetSuppressRepeatedValues(bool Value);

    bool IsDataAware() const override { return true; }
    bool TraversesRecords() const override { return true; }
    QString ComputeText() override;
    void GenerateContent() override;
    void TraverseRecord() override;
    void PageStarted() override;
    void ResetValueState() override;
    void ResetForPrint() override;
    void SetDisplayFormat(const QString& Value) override;
    QString GetDescription() const override;

    bool ValuePrinted() const { return valuePrinted_; }
    bool SameAsLast() const { return sameAsLast_; }
    int ValuePageNo() const { return valuePageNo_; }

protected:
    void SaveCacheFields(TrgCacheRecord& Record) override;
    void RestoreCacheFields(const TrgCacheRecord& Record) override;
    // The text with BlankWhenZero and OnFormat applied to a formatted value.
    QString FormatText(TrgDataType DataType, const QVariant& Value);
    // Notes whether the current value is new (the page it first appeared on).
    void CheckValue();
    void ClearValueState();
    // The engine's page number while printing, else 0.
    int CurrentPageNo() const;

private:
    bool valuePrinted_ = false;
    bool blankWhenZero_ = false;
    QString currentValue_;
    int valuePageNo_ = -1;
    QString lastValue_;
    bool sameAsLast_ = false;
    bool reprintOnSubsequent_ = false;
    bool suppressRepeatedValues_ = false;
    int32_t cacheOffset_ = 0;
};

// Makes the data text classes known to the component stream by name.
void rgRegisterDataTextClasses();
