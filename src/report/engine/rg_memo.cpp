#include "report/engine/rg_memo.h"
#include "report/engine/rg_describe.h"

#include "platform/stream/class_registry.h"
#include "platform/stream/graphics_streaming.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_pipeline.h"
#include "report/engine/rg_report.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_word_wrap.h"
#include "report/output/rg_units.h"

// ---- TrgCustomMemo ------------------------------------------------------------

TrgCustomMemo::TrgCustomMemo(TComponent* AOwner) : TrgStretchable(AOwner)
{
    cacheOffset_ = ExtendCacheRecord(4);
    drawCommandFactory_ = [] { return new TrgDrawText(nullptr); };
}

void TrgCustomMemo::SetCharWrap(bool Value)
{
    if (IsPrinting())
        return;
    charWrap_ = Value;
    Invalidate();
    PropertyChanged();
}

void TrgCustomMemo::SetmmLeading(int Value)
{
    mmLeading_ = Value;
    Invalidate();
    PropertyChanged();
}

float TrgCustomMemo::Leading() const { return rgFromMMThousandths(mmLeading_, Units(), rgVertical, GetPrinter()); }

void TrgCustomMemo::SetLeading(float Value)
{
    if (Loading())
        SetmmLeading(int(Value));
    else
        SetmmLeading(rgToMMThousandths(Units(), rgVertical, GetPrinter(), Value));
}

TStringList* TrgCustomMemo::TabStopPositions()
{
    if (!Loading()) {
        displayTabStops_.Assign(tabStops_);
        rgPositionsFromMMThousandths(displayTabStops_, Units(), rgHorizontal, GetPrinter());
    }
    return &displayTabStops_;
}

void TrgCustomMemo::SetTabStopPositions(const TStringList& Value)
{
    tabStops_.Assign(Value);
    if (!Loading())
        rgPositionsToMMThousandths(tabStops_, Units(), rgHorizontal, GetPrinter());
    Invalidate();
    PropertyChanged();
}

void TrgCustomMemo::FixTabStopSeparators() { rgFixDecimalSeparators(&tabStops_); }

void TrgCustomMemo::SetLines(const TStringList& Value)
{
    lines_.Assign(Value);
    RefreshText();
}

QString TrgCustomMemo::GetMemoText() { return GetLines()->Text(); }

void TrgCustomMemo::SetFont(const TFont* Value)
{
    TrgStretchable::SetFont(Value);
    if (Stretch())
        PropertyChanged();
}

void TrgCustomMemo::ResetForPrint()
{
    TrgStretchable::ResetForPrint();
    charPosition_ = 0;
}

void TrgCustomMemo::ConvertFromVersion(int Version)
{
    TrgStretchable::ConvertFromVersion(Version);
    if (Version < 3000)
        mmLeading_ = rgScreenPixelsToMM(mmLeading_, rgVertical);
}

void TrgCustomMemo::GenerateContent()
{
    TrgTextMeasure& measure = rgLayoutMeasure();
    measure.SetFont(*Font());
    const TrgMMRect& area = DrawRect();
    const TRect rect{area.Left, area.Top, area.Right, area.Bottom};
    const QString text = GetMemoText();
    if (Stretch() && CanStretch()) {
        rgWordWrap(text, rect, *Font(), mmLeading_, true, wrapped_, &tabStops_, measure, charPosition_, charWrap_);
        int lineHeight = 0;
        rgGetLineMetrics(*Font(), mmLeading_, area.Bottom - area.Top, lineHeight, measure);
        const int used = wrapped_.Count() * lineHeight;
        if (charPosition_ != -1 && charPosition_ < int(text.size())) {
            // Text remains. When not even one line fitted, the position the
            // word wrap left is kept: a memo that already printed part of
            // its text must not start it again on the next page.
            SetContinued(true);
            SetPrintHeight(used);
        } else {
            SetContinued(false);
            if (wrapped_.Count() > 0)
                SetPrintHeight(used);
            charPosition_ = 0;
        }
    } else {
        charPosition_ = 0;
        rgWordWrap(text, rect, *Font(), mmLeading_, true, wrapped_, &tabStops_, measure, charPosition_, charWrap_);
        charPosition_ = 0;
        SetPrintHeight(mmHeight());
        SetContinued(false);
    }
}

void TrgCustomMemo::PropertiesToDrawCommand(TrgDrawCommand* DrawCommand)
{
    TrgStretchable::PropertiesToDrawCommand(DrawCommand);
    auto* text = dynamic_cast<TrgDrawText*>(DrawCommand);
    if (!text)
        return;
    text->Alignment = Alignment();
    text->Color = Color();
    text->Left = DrawRect().Left;
    text->Top = DrawRect().Top;
    text->Height = DrawRect().Bottom - DrawRect().Top;
    text->Width = DrawRect().Right - DrawRect().Left;
    text->SetFont(Font());
    text->IsMemo = true;
    text->Leading = mmLeading_;
    text->Transparent = Transparent();
    text->WordWrap = true;
    text->SetTabStopPositions(tabStops_);
    text->SetWrappedText(wrapped_);
}

void TrgCustomMemo::SaveCacheFields(TrgCacheRecord& Record)
{
    TrgStretchable::SaveCacheFields(Record);
    Record.PutInt32(cacheOffset_, charPosition_);
}

void TrgCustomMemo::RestoreCacheFields(const TrgCacheRecord& Record)
{
    TrgStretchable::RestoreCacheFields(Record);
    charPosition_ = Record.GetInt32(cacheOffset_);
}

void TrgCustomMemo::DefineMemoProperties(TFiler& Filer)
{
    Filer.DefineProperty(
        QStringLiteral("mmLeading"), [this](TReader& Reader) { mmLeading_ = rgCheckedLength(Reader.ReadInteger(), QStringLiteral("mmLeading")); },
        [this](TWriter& Writer) { Writer.WriteInteger(mmLeading_); }, true);
    Filer.DefineProperty(QStringLiteral("Position"), [](TReader& Reader) { Reader.ReadInteger(); }, nullptr, false);
}

// ---- TrgMemo -------------------------------------------------------------------

TrgMemo::TrgMemo(TComponent* AOwner) : TrgCustomMemo(AOwner) { SetEditKind(ekCaption, QStringLiteral("Caption")); }

void TrgMemo::SetLines(const TStringList& Value)
{
    TrgCustomMemo::SetLines(Value);
    Invalidate();
    PropertyChanged();
}

// ---- TrgDBMemo -----------------------------------------------------------------

TrgDBMemo::TrgDBMemo(TComponent* AOwner) : TrgCustomMemo(AOwner) { SetEditKind(ekDataField, QStringLiteral("DataField")); }

void TrgDBMemo::SetDataField(const QString& Value)
{
    TrgCustomMemo::SetDataField(Value);
    RefreshText();
}

TStringList* TrgDBMemo::GetLines()
{
    lines_.Clear();
    if (OnGetMemo)
        OnGetMemo(this, &lines_);
    else
        RefreshText();
    return &lines_;
}

QString TrgDBMemo::GetMemoText() { return GetLines()->Text(); }

void TrgDBMemo::RefreshText()
{
    if (!autoDisplay_)
        return;
    lines_.Clear();
    TrgDataPipeline* pipeline = DataPipeline();
    if (!DataField().isEmpty() && pipeline && pipeline->IsActive()) {
        try {
            lines_.SetText(pipeline->GetFieldAsString(DataField()));
        } catch (const std::exception&) {
            lines_.Clear();
            lines_.Add(rgLoadString(GetLanguageIndex() + 399));
        }
    }
    Invalidate();
}

// ---- utilities and stream form ---------------------------------------------------

namespace {

using rgdescribe::Get;
using rgdescribe::Put;

void DescribeMemoClasses()
{
    rgRegisterStretchableClass();
    const TEnumInfo* colors = ColorIdents();
    const TEnumInfo* alignments = FindEnum(QStringLiteral("TAlignment"));
    using M = TrgCustomMemo;
    auto common = [&]<class C>(TClassBuilder<C> builder) {
        return builder.Enum("Alignment", alignments, Get(&C::Alignment), Put(&C::SetAlignment))
            .Default(taLeftJustify)
            .Boolean("CharWrap", Get(&C::CharWrap), Put(&C::SetCharWrap))
            .Default(false)
            .Mapped("Color", colors, Get(&C::Color), Put(&C::SetColor))
            .Default(TColor(0xFFFFFF))
            .Object("Font", [](C& c) { return c.Font(); })
            .Boolean("ReprintOnOverFlow", Get(&C::ReprintOnOverFlow), Put(&C::SetReprintOnOverFlow))
            .Default(false)
            .Boolean("ShiftWithParent", Get(&C::ShiftWithParent), Put(&C::SetShiftWithParent))
            .Default(false)
            .Boolean("Stretch", Get(&C::Stretch), Put(&C::SetStretch))
            .Default(false)
            .Strings("TabStopPositions", [](C& c) { return c.TabStopPositions(); })
            .Boolean("Transparent", Get(&C::Transparent), Put(&C::SetTransparent))
            .Default(false)
            .Boolean("Visible", Get(&C::Visible), Put(&C::SetVisible))
            .Default(true);
    };
    DescribeClass<M, TrgStretchable>(QStringLiteral("TrgCustomMemo"))
        .DefineProperties([](M& memo, TFiler& filer) { memo.DefineMemoProperties(filer); });
    common(DescribeClass<TrgMemo, M>(QStringLiteral("TrgMemo")))
        .String("Caption", Get(&TrgMemo::Caption), [](TrgMemo& m, const QString& v) { m.SetCaption(v); })
        .Strings("Lines", [](TrgMemo& m) { return m.GetLines(); });
    common(DescribeClass<TrgDBMemo, M>(QStringLiteral("TrgDBMemo")))
        .Boolean("AutoDisplay", Get(&TrgDBMemo::AutoDisplay), Put(&TrgDBMemo::SetAutoDisplay))
        .Default(true)
        .String("DataField", Get(&TrgDBMemo::DataField), [](TrgDBMemo& m, const QString& v) { m.SetDataField(v); });
}

}  // namespace

void rgRegisterMemoClasses()
{
    static const bool described = (DescribeMemoClasses(), true);
    (void)described;
    RegisterClass(ClassInfoFor<TrgMemo>());
    RegisterClass(ClassInfoFor<TrgDBMemo>());
}
