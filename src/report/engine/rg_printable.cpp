#include "report/engine/rg_printable.h"

#include <QElapsedTimer>

#include "platform/stream/class_registry.h"
#include "platform/ui/forms.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "report/engine/rg_design_hooks.h"
#include "report/engine/rg_pipeline.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_page.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_text_measure.h"
#include "report/output/rg_units.h"

#include <memory>

namespace {

TrgTextMeasure* layoutMeasure = nullptr;

}  // namespace

int rgScreenPixelsToMM(int Pixels, TrgDirection Direction)
{
    return rgToMMThousandths(utScreenPixels, Direction, nullptr, float(Pixels));
}

int rgMMToScreenPixels(int Value, TrgDirection Direction)
{
    return qRound(rgFromMMThousandths(Value, utScreenPixels, Direction, nullptr));
}

TrgTextMeasure& rgLayoutMeasure()
{
    if (layoutMeasure)
        return *layoutMeasure;
    static TrgFontMetricsMeasure fontMetrics;
    return fontMetrics;
}

void rgSetLayoutMeasure(TrgTextMeasure* Measure) { layoutMeasure = Measure; }

void rgServiceMessageQueue()
{
    // Called after every component laid out and drawn: events (Esc, the
    // cancel button, repaints) are let through at most every 20 ms, as each
    // pass over the event loop asks the window system for input.
    static QElapsedTimer sinceLast;
    if (sinceLast.isValid() && sinceLast.elapsed() < 20)
        return;
    Application->ProcessMessages();
    sinceLast.start();
}

void TrgPrintable::Invalidate()
{
    if (const auto& changed = rgDesignHooks().PrintableChanged)
        changed(this);
}

TrgPrintable::TrgPrintable(TComponent* AOwner) : TrgCacheable(AOwner)
{
    mmWidth_ = rgScreenPixelsToMM(65, rgHorizontal);
    mmHeight_ = rgScreenPixelsToMM(17, rgVertical);
    font_.OnChange = [this](TObject*) { FontChanged(); };
}

TrgPrintable::~TrgPrintable()
{
    BeginDestroy();
    if (dataPipeline_)
        dataPipeline_->DetachClient(this);
    font_.OnChange = nullptr;
}

// ---- property writers --------------------------------------------------

void TrgPrintable::SetAlignment(TAlignment Value)
{
    if (alignment_ == Value)
        return;
    alignment_ = Value;
    Invalidate();
}

void TrgPrintable::SetAutoSize(bool Value)
{
    if (autoSize_ == Value)
        return;
    autoSize_ = Value;
    AdjustSize();
    Invalidate();
}

void TrgPrintable::SetCaption(const QString& Value)
{
    caption_ = Value;
    text_ = Value;
    if (autoSize_)
        AdjustSize();
    if (!IsDataAware())
        Invalidate();
}

QString TrgPrintable::GetCaption()
{
    if (IsDataAware() && caption_.isEmpty() && !DataFieldAvailable())
        caption_ = dataField_;
    return caption_;
}

void TrgPrintable::SetColor(TColor Value)
{
    if (color_ == Value || !HasColor())
        return;
    color_ = Value;
    Invalidate();
}

void TrgPrintable::SetDataField(const QString& Value)
{
    if (!IsDataAware())
        return;
    dataField_ = Value;
    if (Value.isEmpty())
        SetCaption(Name);
    else if (!DataFieldAvailable())
        SetCaption(dataField_);
    Invalidate();
    PropertyChanged();
}

void TrgPrintable::SetDataPipeline(TrgDataPipeline* Value)
{
    if (dataPipeline_)
        dataPipeline_->DetachClient(this);
    dataPipeline_ = Value;
    if (dataPipeline_)
        dataPipeline_->AttachClient(this);
    PipelineNotification(dataPipeline_, rgPipelineChanged);
    if (!Loading())
        PropertyChanged();
}

void TrgPrintable::PipelineNotification(TrgDataPipeline*, int Operation)
{
    if (Operation == rgPipelineDestroying)
        dataPipeline_ = nullptr;
    PropertyChanged();
}

void TrgPrintable::EventNotify(TrgCommunicator* Sender, int Operation)
{
    if (Operation == rgOpPartnerDestroyed && Sender && Sender == dataPipeline_)
        PipelineNotification(dataPipeline_, rgPipelineDestroying);
    TrgCacheable::EventNotify(Sender, Operation);
}

void TrgPrintable::SetFont(const TFont* Value)
{
    font_.Assign(Value);
    Invalidate();
}

void TrgPrintable::FontChanged() { AdjustSize(); }

void TrgPrintable::SetReprintOnOverFlow(bool Value)
{
    if (reprintOnOverFlow_ == Value)
        return;
    reprintOnOverFlow_ = Value;
    Invalidate();
    PropertyChanged();
}

void TrgPrintable::SetShiftWithParent(bool Value)
{
    if (shiftWithParent_ == Value)
        return;
    shiftWithParent_ = Value;
    if (Value)
        stretchWithParent_ = false;
    Invalidate();
    PropertyChanged();
}

void TrgPrintable::SetStretchWithParent(bool Value)
{
    if (stretchWithParent_ == Value)
        return;
    stretchWithParent_ = Value;
    if (Value)
        shiftWithParent_ = false;
    Invalidate();
    PropertyChanged();
}

void TrgPrintable::SetTransparent(bool Value)
{
    if (transparent_ == Value)
        return;
    transparent_ = Value;
    Invalidate();
}

void TrgPrintable::SetWordWrap(bool Value)
{
    if (wordWrap_ == Value)
        return;
    wordWrap_ = Value;
    AdjustSize();
    Invalidate();
    PropertyChanged();
}

void TrgPrintable::SetVisible(bool Value)
{
    if (visible_ == Value)
        return;
    visible_ = Value;
    Invalidate();
    PropertyChanged();
}

void TrgPrintable::SetmmLeft(int Value)
{
    mmLeft_ = Value;
    PropertyChanged();
}

void TrgPrintable::SetmmTop(int Value)
{
    mmTop_ = Value;
    PropertyChanged();
}

void TrgPrintable::SetmmWidth(int Value)
{
    mmWidth_ = Value;
    PropertyChanged();
}

void TrgPrintable::SetmmHeight(int Value)
{
    mmHeight_ = Value;
    PropertyChanged();
}

void TrgPrintable::SetmmBounds(int Left, int Top, int Width, int Height)
{
    mmLeft_ = Left;
    mmTop_ = Top;
    mmWidth_ = Width;
    mmHeight_ = Height;
    PropertyChanged();
}

// ---- lengths in Units and pixels -----------------------------------------

float TrgPrintable::GetLeft() const { return rgFromMMThousandths(mmLeft_, units_, rgHorizontal, GetPrinter()); }
float TrgPrintable::GetTop() const { return rgFromMMThousandths(mmTop_, units_, rgVertical, GetPrinter()); }
float TrgPrintable::GetWidth() const { return rgFromMMThousandths(mmWidth_, units_, rgHorizontal, GetPrinter()); }
float TrgPrintable::GetHeight() const { return rgFromMMThousandths(mmHeight_, units_, rgVertical, GetPrinter()); }

void TrgPrintable::SetLeft(float Value) { SetmmLeft(rgToMMThousandths(units_, rgHorizontal, GetPrinter(), Value)); }
void TrgPrintable::SetTop(float Value) { SetmmTop(rgToMMThousandths(units_, rgVertical, GetPrinter(), Value)); }
void TrgPrintable::SetWidth(float Value) { SetmmWidth(rgToMMThousandths(units_, rgHorizontal, GetPrinter(), Value)); }
void TrgPrintable::SetHeight(float Value) { SetmmHeight(rgToMMThousandths(units_, rgVertical, GetPrinter(), Value)); }

void TrgPrintable::SetBounds(float Left, float Top, float Width, float Height)
{
    const TObject* printer = GetPrinter();
    SetmmBounds(rgToMMThousandths(units_, rgHorizontal, printer, Left), rgToMMThousandths(units_, rgVertical, printer, Top),
                rgToMMThousandths(units_, rgHorizontal, printer, Width),
                rgToMMThousandths(units_, rgVertical, printer, Height));
}

void TrgPrintable::SetPixelBounds(int Left, int Top, int Width, int Height)
{
    SetmmBounds(rgScreenPixelsToMM(Left, rgHorizontal), rgScreenPixelsToMM(Top, rgVertical),
                rgScreenPixelsToMM(Width, rgHorizontal), rgScreenPixelsToMM(Height, rgVertical));
}

int TrgPrintable::GetPixelLeft() const { return rgMMToScreenPixels(mmLeft_, rgHorizontal); }
int TrgPrintable::GetPixelTop() const { return rgMMToScreenPixels(mmTop_, rgVertical); }
int TrgPrintable::GetPixelWidth() const { return rgMMToScreenPixels(mmWidth_, rgHorizontal); }
int TrgPrintable::GetPixelHeight() const { return rgMMToScreenPixels(mmHeight_, rgVertical); }

// ---- print life cycle --------------------------------------------------

bool TrgPrintable::DataFieldAvailable()
{
    if (!IsDataAware() || dataField_.isEmpty() || !dataPipeline_ || !dataPipeline_->IsActive())
        return false;
    return (dataPipeline_->PipelineState() & tsNoRecords) == 0;
}

void TrgPrintable::CreateDrawCommand(TrgPage* Page)
{
    if (!drawCommandFactory_)
        return;
    std::unique_ptr<TrgDrawCommand> command(drawCommandFactory_());
    PropertiesToDrawCommand(command.get());
    if (OnDrawCommandClick)
        command->OnClick = [this](TObject* Sender) { DrawCommandClick(Sender); };
    command->SetPageArea(Page->PageDef());
    if (OnDrawCommandCreate)
        OnDrawCommandCreate(this, command.get());
    command.release()->SetPage(Page);
}

void TrgPrintable::DrawCommandClick(TObject* Sender)
{
    if (dynamic_cast<TrgDrawCommand*>(Sender) && OnDrawCommandClick)
        OnDrawCommandClick(this, Sender);
}

void TrgPrintable::PropertiesToDrawCommand(TrgDrawCommand* DrawCommand) { DrawCommand->Tag = Tag; }

int TrgPrintable::GetLanguageIndex() const { return rgLanguageResourceBase(lgEnglish); }

void TrgPrintable::MarkToPrint()
{
    if (visible_)
        printPending_ = true;
}

void TrgPrintable::ClearPendingPrint()
{
    if (printed_)
        printPending_ = false;
}

void TrgPrintable::ResetPrintState()
{
    printed_ = false;
    printHeight_ = 0;
    doesNotFit_ = false;
}

void TrgPrintable::ResetForPrint()
{
    continued_ = false;
    if (TraversesRecords())
        ResetValueState();
}

QString TrgPrintable::GetText() { return text_; }

void TrgPrintable::SetText(const QString& Value)
{
    text_ = Value;
    if (!IsDataAware())
        Invalidate();
}

void TrgPrintable::GenerateDrawCommand(TrgPage* Page)
{
    if (printPending_ && visible_)
        CreateDrawCommand(Page);
}

void TrgPrintable::SetFontColor(TColor Value)
{
    if (HasFont())
        font_.SetColor(Value);
}

void TrgPrintable::DoOnPrint()
{
    if (OnPrint)
        OnPrint(this);
}

void TrgPrintable::ConvertFromVersion(int Version)
{
    if (Version < 1270)
        dataField_ = OldReportField;
    if (Version < 2097) {
        mmLeft_ = rgScreenPixelsToMM(mmLeft_, rgHorizontal);
        mmTop_ = rgScreenPixelsToMM(mmTop_, rgVertical);
        mmWidth_ = rgScreenPixelsToMM(mmWidth_, rgHorizontal);
        mmHeight_ = rgScreenPixelsToMM(mmHeight_, rgVertical);
    }
}

// ---- stream form -------------------------------------------------------

void TrgPrintable::DefineStreamProperties(TFiler& Filer)
{
    auto integer = [&Filer](const char* Name, int& Field) {
        const QString name = QString::fromLatin1(Name);
        Filer.DefineProperty(
            name, [&Field, name](TReader& Reader) { Field = rgCheckedLength(Reader.ReadInteger(), name); },
            [&Field](TWriter& Writer) { Writer.WriteInteger(Field); }, true);
    };
    // The stored values are set as they come: a stream of an older version
    // holds pixels, which ConvertFromVersion turns into thousandths.
    integer("mmHeight", mmHeight_);
    integer("mmLeft", mmLeft_);
    integer("mmTop", mmTop_);
    integer("mmWidth", mmWidth_);

    auto obsolete = [&Filer](const char* Name, std::function<void(TReader&)> Read) {
        Filer.DefineProperty(QString::fromLatin1(Name), Read, nullptr, false);
    };
    obsolete("DataSource", [this](TReader& Reader) { OldDataSource = Reader.ReadIdent(); });
    obsolete("OnFormatText", [](TReader& Reader) { Reader.ReadIdent(); });
    obsolete("Region", [](TReader& Reader) { Reader.ReadIdent(); });
    obsolete("ReportField", [this](TReader& Reader) { OldReportField = Reader.ReadString(); });
    obsolete("ParentDataSource", [](TReader& Reader) { Reader.ReadBoolean(); });
}
