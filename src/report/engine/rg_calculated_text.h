#pragma once
// TrgCalc prints a value the engine computes: the date, the time, the print
// date and time, the page number, the page count, "Page n of m" and the
// like, or a custom value the program supplies in OnCalc for each record.
// Its draw command knows the kind, so page counts printed before the count
// was known are worked out again once it is.

#include "report/engine/rg_text_components.h"
#include "report/output/rg_types.h"

class TFiler;

class TrgCalc : public TrgCustomText {
public:
    explicit TrgCalc(TComponent* AOwner);

    TrgCalcType CalcType() const { return calcType_; }
    void SetCalcType(TrgCalcType Value);
    TrgDataType CustomType() const { return customType_; }
    // Taken only for ctCustom (and while a stream is read).
    void SetCustomType(TrgDataType Value);
    TNotifyEvent OnCalc;

    bool AsBoolean = false;
    TDateTime AsDateTime = 0;
    int AsInteger = 0;
    double AsFloat = 0;
    QString AsString;

    // The value of the kind: a date, a number or a page text.
    QVariant GetCalcValue();
    QVariant GetCustomValue() const;

    bool TraversesRecords() const override { return true; }
    bool ShowsPageCount() const override
    {
        return calcType_ == ctPageCount || calcType_ == ctPageSet || calcType_ == ctPageSetDesc;
    }
    QString ComputeText() override;
    void TraverseRecord() override;
    void ResetValueState() override;
    void SetText(const QString& Value) override;
    void PropertiesToDrawCommand(TrgDrawCommand* DrawCommand) override;
    void ConvertFromVersion(int Version) override;
    QString GetDescription() const override;
    // The ten kind names in the report's language.
    void GetCalcTypeNames(QStringList& Names) const;
    // The obsolete "DataType" of older templates, mapped to CustomType.
    void DefineCalcProperties(TFiler& Filer);

protected:
    void SaveCacheFields(TrgCacheRecord& Record) override;
    void RestoreCacheFields(const TrgCacheRecord& Record) override;

private:
    TDateTime CurrentDateTime() const;
    TrgCalcType calcType_ = ctDate;
    TrgDataType customType_ = dtDate;
    int32_t cacheOffset_ = 0;
};

// The data type each kind is formatted as.
TrgDataType rgCalcTypeDataType(TrgCalcType Type);

// Makes the calculated text class known to the component stream by name.
void rgRegisterCalculatedTextClasses();
