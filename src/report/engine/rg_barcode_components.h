#pragma once
// Bar codes on a band: TrgBarCode prints fixed data, TrgDBBarCode the value
// of a pipeline field. Both check their data with the symbology's rules,
// size themselves to the symbol (AutoSize) at the shared printer's
// resolution (the screen's when no printer is installed), and make one
// TrgDrawBarCode per printed occurrence. Refused settings keep the old
// value and show their message through the prompt service, except while
// the component is loaded or its report prints.

#include "report/engine/rg_component.h"

class TrgDrawBarCode;

class TrgCustomBarCode : public TrgCustomComponent {
public:
    explicit TrgCustomBarCode(TComponent* AOwner);

    QString AddOnCode() const { return addOnCode_; }
    void SetAddOnCode(const QString& Value);
    bool AutoSizeFont() const { return autoSizeFont_; }
    void SetAutoSizeFont(bool Value);
    TrgBarCodeType BarCodeType() const { return barCodeType_; }
    void SetBarCodeType(TrgBarCodeType Value);
    TColor BarColor() const { return barColor_; }
    void SetBarColor(TColor Value);
    // The narrow module width in the report's units ...
    float BarWidth() const;
    void SetBarWidth(float Value);
    // ... and in thousandths of a millimetre, as streamed.
    int mmBarWidth() const { return mmBarWidth_; }
    bool BearerBars() const { return bearerBars_; }
    void SetBearerBars(bool Value);
    bool CalcCheckDigit() const { return calcCheckDigit_; }
    void SetCalcCheckDigit(bool Value);
    QString Data() const { return data_; }
    void SetData(const QString& Value);
    TrgBarCodeOrientation Orientation() const { return orientation_; }
    void SetOrientation(TrgBarCodeOrientation Value);
    bool PrintHumanReadable() const { return printHumanReadable_; }
    void SetPrintHumanReadable(bool Value);
    float WideBarRatio() const { return wideBarRatio_; }
    void SetWideBarRatio(float Value);
    // The result of the last check of the data.
    bool Valid() const { return valid_; }

    // The data to print.
    virtual QString GetData() { return data_; }
    // Shows Message unless loading or printing.
    virtual void ShowError(const QString& Message);
    // The sample data a new bar code of Type shows.
    virtual QString SampleData(TrgBarCodeType Type) const;

    QString GetText() override { return GetData(); }
    void SetCaption(const QString& Value) override { SetData(Value); }
    void SetAlignment(TAlignment Value) override;
    void SetAutoSize(bool Value) override;
    void SetFont(const TFont* Value) override;
    // Sizes the component to its symbol (AutoSize, valid data).
    void AdjustSize() override;
    void PropertiesToDrawCommand(TrgDrawCommand* DrawCommand) override;

    // "mmBarWidth".
    void DefineBarCodeProperties(TFiler& Filer);

    // The command a report designer paints: the component's values and size.
    void FillDesignCommand(TrgDrawBarCode& Command);

protected:
    // The report's language for the messages.
    TrgLanguageType MessageLanguage() const;
    // Checks Value against the symbology; shows the message when refused.
    bool Validate(const QString& Value);
    // Everything but the position into Command; Data is the data to print.
    void FillCommand(TrgDrawBarCode& Command, const QString& Data, bool CodeOK);

private:
    QString addOnCode_;
    bool autoSizeFont_ = true;
    TrgBarCodeType barCodeType_ = bcCode39;
    TColor barColor_ = clBlack;
    int mmBarWidth_ = 254;
    bool bearerBars_ = false;
    bool calcCheckDigit_ = true;
    QString data_ = QStringLiteral("Barcode");
    TrgBarCodeOrientation orientation_ = orLeftToRight;
    bool printHumanReadable_ = true;
    float wideBarRatio_ = 3.0f;
    bool valid_ = true;
};

class TrgBarCode : public TrgCustomBarCode {
public:
    explicit TrgBarCode(TComponent* AOwner);
};

class TrgDBBarCode : public TrgCustomBarCode {
public:
    explicit TrgDBBarCode(TComponent* AOwner);

    // The field's value as text; empty for a null value, a failed read and
    // while printing without a readable field; the sample at design time.
    QString GetData() override;
    QString SampleData(TrgBarCodeType Type) const override;
    // Re-reads the field instead of taking the caption.
    void SetCaption(const QString&) override { SetData(GetData()); }
    void SetDataField(const QString& Value) override;
    void PipelineNotification(TrgDataPipeline* Pipeline, int Operation) override;
    bool IsDataAware() const override { return true; }
    // Each printed value is checked on its own: an invalid one prints as
    // background only, without a message.
    void PropertiesToDrawCommand(TrgDrawCommand* DrawCommand) override;
};

// Makes the bar code component classes known to the component stream by name.
void rgRegisterBarCodeComponentClasses();
