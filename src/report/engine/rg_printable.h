#pragma once
// TrgPrintable: what every object that can appear on a report page shares:
// a position and size in thousandths of a millimetre, the unit the user
// sees them in, visibility, colour, font, caption and text, a pipeline
// field, the per-page print flags, and the step that turns the object into
// a draw command on a page.
//
// The band drives each object through one print pass: ResetForPrint at the
// start of the report, TraverseRecord per record, MarkToPrint when the band
// prints, Generate (layout), GenerateDrawCommand (output), ClearPendingPrint
// after the band, ResetPrintState before it prints again. An object that
// did not fit keeps PrintPending and prints on the next page.

#include <QString>

#include <functional>

#include "report/engine/rg_cache.h"
#include "report/output/rg_types.h"
#include "report/output/rg_units.h"
#include "report/output/rg_utils.h"

class TFiler;
class TrgDataPipeline;
class TrgDrawCommand;
class TrgPage;
class TrgTextMeasure;

// The measure every layout decision of the engine is made with. Without
// one set, a font-metrics measure at the fixed layout resolution.
TrgTextMeasure& rgLayoutMeasure();
// Tests set a measure with fixed advances; nullptr returns to the default.
void rgSetLayoutMeasure(TrgTextMeasure* Measure);

// Screen pixels and thousandths of a millimetre, at the screen's
// resolution (no printer): positions set in pixels, and older templates
// that stored their lengths in pixels.
int rgScreenPixelsToMM(int Pixels, TrgDirection Direction);
int rgMMToScreenPixels(int Value, TrgDirection Direction);

// Lets the message loop run between bands and components, so a cancel
// button and the preview stay responsive during generation.
void rgServiceMessageQueue();

// A rectangle in thousandths of a millimetre, page coordinates.
struct TrgMMRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TrgMMRect&) const = default;
};

class TrgPrintable : public TrgCacheable {
public:
    // Which main property a designer offers (EditKind).
    enum : uint8_t { ekCaption = 0, ekNone = 1, ekDataField = 2, ekCalcType = 3 };

    explicit TrgPrintable(TComponent* AOwner);
    ~TrgPrintable() override;

    // ---- properties ----
    TAlignment Alignment() const { return alignment_; }
    virtual void SetAlignment(TAlignment Value);
    bool AutoSize() const { return autoSize_; }
    virtual void SetAutoSize(bool Value);
    QString Caption() const { return caption_; }
    virtual void SetCaption(const QString& Value);
    TColor Color() const { return color_; }
    virtual void SetColor(TColor Value);
    QString DataField() const { return dataField_; }
    virtual void SetDataField(const QString& Value);
    TrgDataPipeline* DataPipeline() const { return dataPipeline_; }
    virtual void SetDataPipeline(TrgDataPipeline* Value);
    TrgFont* Font() { return &font_; }
    const TrgFont* Font() const { return &font_; }
    virtual void SetFont(const TFont* Value);
    bool ReprintOnOverFlow() const { return reprintOnOverFlow_; }
    virtual void SetReprintOnOverFlow(bool Value);
    bool ShiftWithParent() const { return shiftWithParent_; }
    virtual void SetShiftWithParent(bool Value);
    bool StretchWithParent() const { return stretchWithParent_; }
    virtual void SetStretchWithParent(bool Value);
    bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool Value);
    bool WordWrap() const { return wordWrap_; }
    virtual void SetWordWrap(bool Value);
    TrgUnitType Units() const { return units_; }
    virtual void SetUnits(TrgUnitType Value) { units_ = Value; }
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);

    int mmLeft() const { return mmLeft_; }
    int mmTop() const { return mmTop_; }
    int mmWidth() const { return mmWidth_; }
    int mmHeight() const { return mmHeight_; }
    virtual void SetmmLeft(int Value);
    virtual void SetmmTop(int Value);
    virtual void SetmmWidth(int Value);
    virtual void SetmmHeight(int Value);
    // All four at once.
    virtual void SetmmBounds(int Left, int Top, int Width, int Height);

    // In Units, through the object's printer.
    float GetLeft() const;
    float GetTop() const;
    float GetWidth() const;
    float GetHeight() const;
    void SetLeft(float Value);
    void SetTop(float Value);
    void SetWidth(float Value);
    void SetHeight(float Value);
    void SetBounds(float Left, float Top, float Width, float Height);
    // In screen pixels.
    void SetPixelBounds(int Left, int Top, int Width, int Height);
    int GetPixelLeft() const;
    int GetPixelTop() const;
    int GetPixelWidth() const;
    int GetPixelHeight() const;

    uint8_t EditKind() const { return editKind_; }
    QString EditProperty() const { return editProperty_; }
    bool TraverseAlways = false;
    QString OldDataSource;
    QString OldReportField;

    TNotifyEvent OnPrint;
    TrgDrawCommandEvent OnDrawCommandCreate;
    TrgDrawCommandEvent OnDrawCommandClick;

    // ---- print state ----
    bool PrintPending() const { return printPending_; }
    bool Printed() const { return printed_; }
    bool DoesNotFit() const { return doesNotFit_; }
    bool Continued() const { return continued_; }
    bool ForceNewValue() const { return forceNewValue_; }
    void SetForceNewValue(bool Value) { forceNewValue_ = Value; }
    int PrintHeight() const { return printHeight_; }
    virtual void SetPrintHeight(int Value) { printHeight_ = Value; }
    const TrgMMRect& DrawRect() const { return drawRect_; }

    virtual void AdjustSize() {}
    virtual bool DataFieldAvailable();
    virtual void CreateDrawCommand(TrgPage* Page);
    void DrawCommandClick(TObject* Sender);
    virtual QString GetCaption();
    virtual QString GetDescription() const { return Name; }
    // First string id of the report's language.
    virtual int GetLanguageIndex() const;
    // The printer the object converts lengths with; nullptr: the screen.
    virtual const TObject* GetPrinter() const { return nullptr; }
    virtual void PageStarted() {}
    virtual void PropertiesToDrawCommand(TrgDrawCommand* DrawCommand);
    virtual void MarkToPrint();
    virtual void ClearPendingPrint();
    virtual void ResetPrintState();
    virtual void ResetValueState() { forceNewValue_ = false; }
    virtual void TraverseRecord() {}
    // Operation rgPipelineDestroying forgets the pipeline.
    virtual void PipelineNotification(TrgDataPipeline* Pipeline, int Operation);
    // A pipeline that goes away is forgotten.
    void EventNotify(TrgCommunicator* Sender, int Operation) override;
    // Lays the object out on the current page.
    virtual void Generate() = 0;
    virtual QString GetText();
    virtual void SetText(const QString& Value);
    virtual bool HasColor() const { return true; }
    virtual bool HasFont() const { return true; }
    virtual void ResetForPrint();
    virtual bool TraversesRecords() const { return false; }
    virtual bool IsDataAware() const { return false; }
    virtual bool IsPrinting() const { return false; }
    virtual void GenerateDrawCommand(TrgPage* Page);
    virtual void PropertyChanged() {}
    // A change that shows: an attached designer repaints the design control.
    void Invalidate() override;
    void SetFontColor(TColor Value);
    // Converts what a stream of an older engine version held (versions as
    // numbers: "3.52" is 3520).
    virtual void ConvertFromVersion(int Version);
    void DoOnPrint();

    // Four integer properties "mmHeight", "mmLeft", "mmTop", "mmWidth" and
    // the obsolete properties of older streams.
    void DefineStreamProperties(TFiler& Filer);

protected:
    // The draw command each printed occurrence makes; none: nothing is drawn.
    std::function<TrgDrawCommand*()> drawCommandFactory_;
    void SetEditKind(uint8_t Kind, const QString& Property)
    {
        editKind_ = Kind;
        editProperty_ = Property;
    }
    // A constructor's default, without sizing.
    void InitAutoSize(bool Value) { autoSize_ = Value; }
    void SetPrinted(bool Value) { printed_ = Value; }
    void SetDoesNotFit(bool Value) { doesNotFit_ = Value; }
    void SetContinued(bool Value) { continued_ = Value; }
    void SetPrintPending(bool Value) { printPending_ = Value; }
    TrgMMRect& MutableDrawRect() { return drawRect_; }
    void StoreText(const QString& Value) { text_ = Value; }
    QString StoredText() const { return text_; }
    void FontChanged();

private:
    TAlignment alignment_ = taLeftJustify;
    bool autoSize_ = false;
    QString caption_;
    TColor color_ = TColor(0xFFFFFF);
    QString dataField_;
    TrgDataPipeline* dataPipeline_ = nullptr;
    uint8_t editKind_ = ekNone;
    QString editProperty_;
    bool printPending_ = false;
    TrgFont font_;
    bool printed_ = false;
    int mmHeight_ = 0;
    int mmLeft_ = 0;
    bool doesNotFit_ = false;
    bool continued_ = false;
    TrgMMRect drawRect_;
    bool reprintOnOverFlow_ = false;
    bool forceNewValue_ = false;
    bool shiftWithParent_ = false;
    int printHeight_ = 0;
    bool stretchWithParent_ = false;
    QString text_;
    int mmTop_ = 0;
    bool transparent_ = false;
    TrgUnitType units_ = utInches;
    bool visible_ = true;
    int mmWidth_ = 0;
    bool wordWrap_ = false;
};
