#include "report/engine/rg_rich_text.h"
#include "report/engine/rg_describe.h"

#include "platform/stream/class_registry.h"
#include "platform/stream/graphics_streaming.h"
#include "report/engine/rg_pipeline.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_rich_edit.h"
#include "report/output/rg_strings.h"

namespace {

// Message number of "Error loading rich text." in the language block.
constexpr int msgErrorLoadingRichText = 414;

// After this many pages in a row without one line that fits (a line taller
// than a page), the rest of the text is given up instead of asking for
// pages without end.
constexpr int kMaxEmptyPages = 2;

}  // namespace

// ---- TrgCustomRichText ---------------------------------------------------------

TrgCustomRichText::TrgCustomRichText(TComponent* AOwner)
    : TrgStretchable(AOwner), richEdit_(std::make_unique<TrgRichEdit>())
{
    cacheOffset_ = ExtendCacheRecord(16);
    SetPixelBounds(0, 0, 185, 89);
    SetAutoSize(false);
    SetWordWrap(true);
    drawCommandFactory_ = [] { return new TrgDrawRichText(nullptr); };
}

TrgCustomRichText::~TrgCustomRichText() = default;

QString TrgCustomRichText::GetRichText()
{
    const QByteArray& bytes = GetRichTextStream();
    if (richEdit_->CharCount() == 0)
        return {};
    return QString::fromLatin1(bytes);
}

void TrgCustomRichText::SetRichText(const QString& Value)
{
    // Rich text is 7-bit; plain text from a field is Windows-1252 bytes.
    stream_ = Value.toLatin1();
    richEdit_->LoadFromBytes(stream_);
}

void TrgCustomRichText::ClearText()
{
    stream_.clear();
    richEdit_->Clear();
}

void TrgCustomRichText::ResetValueState()
{
    TrgStretchable::ResetValueState();
    richEdit_->Clear();
}

void TrgCustomRichText::ResetForPrint()
{
    TrgStretchable::ResetForPrint();
    startChar_ = endChar_ = -1;
    nextStart_ = 0;
    emptyPages_ = 0;
}

void TrgCustomRichText::GenerateContent()
{
    GetRichText();
    const int count = richEdit_->CharCount();
    if (!(CanStretch() && Stretch())) {
        startChar_ = 0;
        endChar_ = count;
        nextStart_ = 0;
        SetPrintHeight(mmHeight());
        SetContinued(false);
        return;
    }
    startChar_ = Continued() ? nextStart_ : 0;
    endChar_ = count;
    if (count == 0 || startChar_ >= count) {
        // Nothing (left) to measure: no space is used.
        SetPrintHeight(0);
        SetContinued(false);
        nextStart_ = 0;
        return;
    }
    const TrgMMRect& area = DrawRect();
    const TRect rect{area.Left, area.Top, area.Right, area.Bottom};
    const TrgRichTextFit fit = richEdit_->FitRange(startChar_, count, rect);
    if (fit.AllFits) {
        SetContinued(false);
        nextStart_ = 0;
        emptyPages_ = 0;
        SetPrintHeight(fit.mmUsedHeight);
        return;
    }
    if (fit.LastFittingChar < startChar_) {
        // Not one line fits the rest of the page: the text keeps its place
        // and goes on with the next page, where it starts at the top.
        if (++emptyPages_ > kMaxEmptyPages) {
            SetContinued(false);
            nextStart_ = 0;
        } else {
            SetContinued(true);
            nextStart_ = startChar_;
        }
        startChar_ = endChar_ = -1;
        SetPrintHeight(0);
        return;
    }
    emptyPages_ = 0;
    endChar_ = fit.LastFittingChar + 1;  // the range ends before the first character that does not fit
    nextStart_ = endChar_;
    SetContinued(true);
    SetPrintHeight(fit.mmUsedHeight);
}

void TrgCustomRichText::PropertiesToDrawCommand(TrgDrawCommand* DrawCommand)
{
    TrgStretchable::PropertiesToDrawCommand(DrawCommand);
    auto* rich = dynamic_cast<TrgDrawRichText*>(DrawCommand);
    if (!rich)
        return;
    rich->Color = Color();
    rich->Left = DrawRect().Left;
    rich->Top = DrawRect().Top;
    rich->Height = DrawRect().Bottom - DrawRect().Top;
    rich->Width = DrawRect().Right - DrawRect().Left;
    rich->RichText = richEdit_->RichText();
    rich->StartCharPos = startChar_;
    rich->EndCharPos = endChar_;
    rich->Transparent = Transparent();
}

void TrgCustomRichText::SaveCacheFields(TrgCacheRecord& Record)
{
    TrgStretchable::SaveCacheFields(Record);
    Record.PutInt32(cacheOffset_, startChar_);
    Record.PutInt32(cacheOffset_ + 4, endChar_);
    Record.PutInt32(cacheOffset_ + 8, nextStart_);
    Record.PutInt32(cacheOffset_ + 12, emptyPages_);
}

void TrgCustomRichText::RestoreCacheFields(const TrgCacheRecord& Record)
{
    TrgStretchable::RestoreCacheFields(Record);
    startChar_ = Record.GetInt32(cacheOffset_);
    endChar_ = Record.GetInt32(cacheOffset_ + 4);
    nextStart_ = Record.GetInt32(cacheOffset_ + 8);
    emptyPages_ = Record.GetInt32(cacheOffset_ + 12);
}

// ---- TrgRichText ----------------------------------------------------------------

TrgRichText::TrgRichText(TComponent* AOwner) : TrgCustomRichText(AOwner)
{
    SetEditKind(ekCaption, QStringLiteral("Caption"));
}

void TrgRichText::RefreshRichText()
{
    stream_ = RichEdit().RichText();
    Invalidate();
}

const QByteArray& TrgRichText::GetRichTextStream()
{
    RefreshRichText();
    return stream_;
}

// ---- TrgDBRichText --------------------------------------------------------------

TrgDBRichText::TrgDBRichText(TComponent* AOwner) : TrgCustomRichText(AOwner)
{
    SetEditKind(ekDataField, QStringLiteral("DataField"));
}

void TrgDBRichText::SetAutoDisplay(bool Value)
{
    if (autoDisplay_ == Value)
        return;
    autoDisplay_ = Value;
    if (Value)
        RefreshRichText();
    else
        ClearText();
}

const QByteArray& TrgDBRichText::GetRichTextStream()
{
    if (OnGetRichText) {
        QString text;
        OnGetRichText(this, text);
        SetRichText(text);
    } else {
        RefreshRichText();
    }
    return stream_;
}

void TrgDBRichText::RefreshRichText()
{
    if (!autoDisplay_)
        return;
    ClearText();
    TrgDataPipeline* pipeline = DataPipeline();
    if (!DataField().isEmpty() && pipeline && pipeline->IsActive()) {
        try {
            SetRichText(pipeline->GetFieldAsString(DataField()));
        } catch (const std::exception&) {
            stream_.clear();
            RichEdit().SetText(rgLoadString(GetLanguageIndex() + msgErrorLoadingRichText));
        }
    }
    Invalidate();
}

void TrgDBRichText::SetDataField(const QString& Value)
{
    TrgCustomRichText::SetDataField(Value);
    RefreshRichText();
}

void TrgDBRichText::PipelineNotification(TrgDataPipeline* Pipeline, int Operation)
{
    TrgCustomRichText::PipelineNotification(Pipeline, Operation);
    if (Operation == rgPipelineChanged && !IsPrinting())
        RefreshRichText();
}

// ---- stream form ------------------------------------------------------------------

namespace {

using rgdescribe::Get;
using rgdescribe::Put;

void DescribeRichTextClasses()
{
    rgRegisterStretchableClass();
    const TEnumInfo* colors = ColorIdents();
    using R = TrgCustomRichText;
    auto common = [&]<class C>(TClassBuilder<C> builder) {
        return builder.Mapped("Color", colors, Get(&C::Color), Put(&C::SetColor))
            .Default(TColor(0xFFFFFF))
            .Boolean("ReprintOnOverFlow", Get(&C::ReprintOnOverFlow), Put(&C::SetReprintOnOverFlow))
            .Default(false)
            .Boolean("ShiftWithParent", Get(&C::ShiftWithParent), Put(&C::SetShiftWithParent))
            .Default(false)
            .Boolean("Stretch", Get(&C::Stretch), Put(&C::SetStretch))
            .Default(false)
            .Boolean("Transparent", Get(&C::Transparent), Put(&C::SetTransparent))
            .Default(false)
            .Boolean("Visible", Get(&C::Visible), Put(&C::SetVisible))
            .Default(true);
    };
    DescribeClass<R, TrgStretchable>(QStringLiteral("TrgCustomRichText"));
    common(DescribeClass<TrgRichText, R>(QStringLiteral("TrgRichText")))
        .String("Caption", Get(&TrgRichText::Caption), [](TrgRichText& r, const QString& v) { r.SetCaption(v); })
        .String("RichText", [](const TrgRichText& r) { return const_cast<TrgRichText&>(r).GetRichText(); },
                [](TrgRichText& r, const QString& v) { r.SetRichText(v); });
    common(DescribeClass<TrgDBRichText, R>(QStringLiteral("TrgDBRichText")))
        .Boolean("AutoDisplay", Get(&TrgDBRichText::AutoDisplay), Put(&TrgDBRichText::SetAutoDisplay))
        .Default(true)
        .String("DataField", Get(&TrgDBRichText::DataField),
                [](TrgDBRichText& r, const QString& v) { r.SetDataField(v); });
}

}  // namespace

void rgRegisterRichTextClasses()
{
    static const bool described = (DescribeRichTextClasses(), true);
    (void)described;
    RegisterClass(ClassInfoFor<TrgRichText>());
    RegisterClass(ClassInfoFor<TrgDBRichText>());
}
