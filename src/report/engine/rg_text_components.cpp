#include "report/engine/rg_text_components.h"
#include "report/engine/rg_describe.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

#include "platform/core/string_list.h"
#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/graphics_streaming.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_groups.h"
#include "report/engine/rg_report.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_text_measure.h"
#include "report/output/rg_word_wrap.h"

namespace {

// Layout units of the measure in whole screen pixels, rounded up as a
// calculated text rectangle is.
int MeasureToScreenPixels(double Units)
{
    return int(std::ceil(Units * rgScreenPixelsPerInch() / rgMeasureUnitsPerInch - 1e-9));
}

}  // namespace

TrgCustomText::TrgCustomText(TComponent* AOwner) : TrgCustomComponent(AOwner)
{
    InitAutoSize(true);
    drawCommandFactory_ = [] { return new TrgDrawText(nullptr); };
}

TrgCustomText::~TrgCustomText()
{
    BeginDestroy();
    if (Band())
        Band()->RemoveSaveComponent(this);
    const std::vector<TrgGroup*> groups = groups_;
    for (TrgGroup* group : groups)
        group->BreakComponentGone(this);
    groups_.clear();
}

void TrgCustomText::SetCharWrap(bool Value)
{
    if (IsPrinting())
        return;
    charWrap_ = Value;
    Invalidate();
    PropertyChanged();
}

void TrgCustomText::SetDisplayFormat(const QString& Value)
{
    if (displayFormat_ == Value)
        return;
    displayFormat_ = Value;
    Invalidate();
}

void TrgCustomText::SetSave(bool Value)
{
    if (save_ == Value)
        return;
    save_ = Value;
    if (!Loading() && Band()) {
        if (Value)
            Band()->AddSaveComponent(this);
        else
            Band()->RemoveSaveComponent(this);
    }
    PropertyChanged();
}

int TrgCustomText::GetSaveOrder() const
{
    if (!Band())
        return -1;
    const auto& list = Band()->SaveList();
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : int(it - list.begin());
}

void TrgCustomText::SetSaveOrder(int Value)
{
    if (Loading()) {
        loadedSaveOrder_ = Value;
        return;
    }
    if (!save_ || !Band())
        return;
    const int count = int(Band()->SaveList().size());
    Value = std::clamp(Value, 0, std::max(count - 1, 0));
    if (Value != GetSaveOrder()) {
        Band()->RemoveSaveComponent(this);
        Band()->InsertSaveComponent(Value, this);
    }
    PropertyChanged();
}

void TrgCustomText::SetSaveLength(int Value)
{
    saveLength_ = Value;
    PropertyChanged();
}

void TrgCustomText::SetBand(TrgBand* Value)
{
    if (Band() && save_)
        Band()->RemoveSaveComponent(this);
    TrgCustomComponent::SetBand(Value);
    if (Band() && save_ && !Loading())
        Band()->AddSaveComponent(this);
}

void TrgCustomText::AddGroup(TrgGroup* Group)
{
    if (std::find(groups_.begin(), groups_.end(), Group) == groups_.end())
        groups_.push_back(Group);
}

void TrgCustomText::RemoveGroup(TrgGroup* Group) { std::erase(groups_, Group); }

void TrgCustomText::Rename(const QString& NewName)
{
    const QString oldName = Name;
    Name = NewName;
    if (Loading())
        return;
    for (TrgGroup* group : groups_)
        group->SetBreakComponentName(oldName, NewName);
}

QString TrgCustomText::GetText()
{
    QString text = ComputeText();
    if (!Loading() && OnGetText)
        OnGetText(this, text);
    StoreText(text);
    return text;
}

void TrgCustomText::SetFont(const TFont* Value)
{
    TrgCustomComponent::SetFont(Value);
    AdjustSize();
}

void TrgCustomText::AdjustSize()
{
    if (Loading() || IsPrinting() || !(AutoSize() || !WordWrap()))
        return;
    TrgTextMeasure& measure = rgLayoutMeasure();
    measure.SetFont(*Font());
    const QString text = GetText();
    double widest = 0;
    int lines = 0;
    if (WordWrap()) {
        TStringList wrapped;
        int position = 0;
        const TRect rect{0, 0, mmWidth(), std::numeric_limits<int>::max() / 2};
        rgWordWrap(text, rect, *Font(), 0, false, wrapped, nullptr, measure, position, charWrap_);
        lines = std::max(wrapped.Count(), 1);
        for (int i = 0; i < wrapped.Count(); ++i)
            widest = std::max(widest, measure.TextWidth(wrapped.Strings(i)));
    } else {
        const QStringList paragraphs = text.split(QLatin1Char('\n'));
        lines = int(paragraphs.size());
        for (const QString& line : paragraphs)
            widest = std::max(widest, measure.TextWidth(line));
    }
    const int width = MeasureToScreenPixels(widest);
    const int height = MeasureToScreenPixels(double(lines) * measure.TextHeight());

    if (AutoSize()) {
        const int oldWidth = GetPixelWidth();
        int left = GetPixelLeft();
        if (Alignment() == taRightJustify)
            left += oldWidth - width;
        else if (Alignment() == taCenter)
            left += (oldWidth - width) / 2;
        SetPixelBounds(left, GetPixelTop(), width, height);
    } else {
        SetPixelBounds(GetPixelLeft(), GetPixelTop(), GetPixelWidth(), height);
    }
}

void TrgCustomText::PropertiesToDrawCommand(TrgDrawCommand* DrawCommand)
{
    TrgCustomComponent::PropertiesToDrawCommand(DrawCommand);
    auto* text = dynamic_cast<TrgDrawText*>(DrawCommand);
    if (!text)
        return;
    text->Alignment = Alignment();
    text->AutoSize = AutoSize();
    text->Color = Color();
    text->Left = DrawRect().Left;
    text->Top = DrawRect().Top;
    text->Width = DrawRect().Right - DrawRect().Left;
    text->Height = DrawRect().Bottom - DrawRect().Top;
    text->Text = GetText();
    text->Transparent = Transparent();
    text->WordWrap = WordWrap();
    text->SetFont(Font());
    if (WordWrap()) {
        TStringList lines;
        int position = 0;
        TrgTextMeasure& measure = rgLayoutMeasure();
        measure.SetFont(*Font());
        const TRect rect{text->Left, text->Top, text->Left + text->Width, text->Top + text->Height};
        rgWordWrap(text->Text, rect, *Font(), 0, false, lines, nullptr, measure, position, charWrap_);
        text->SetWrappedText(lines);
    }
    text->BandSave = Band() && Band()->Save();
    const auto* band = dynamic_cast<const TrgCustomBand*>(Band());
    text->BandSaveNo = band ? band->SaveRowNo() : 0;
    text->Component = this;
    text->ComponentSave = save_;
    text->ComponentSaveNo = GetSaveOrder();
    text->SaveLength = saveLength_;
}

void TrgCustomText::ConvertFromVersion(int Version)
{
    TrgCustomComponent::ConvertFromVersion(Version);
    if (Version < 3100 && Report() && !OldOnSave.isEmpty()) {
        Report()->OnSaveTextName = OldOnSave;
        Report()->SetSaveTextHandlerName(OldOnSave);
    }
}

void TrgCustomText::DefineTextProperties(TFiler& Filer)
{
    Filer.DefineProperty(QStringLiteral("OnSave"), [this](TReader& Reader) { OldOnSave = Reader.ReadIdent(); },
                         nullptr, false);
}

// ---- TrgLabel ------------------------------------------------------------

TrgLabel::TrgLabel(TComponent* AOwner) : TrgCustomText(AOwner) { SetEditKind(ekCaption, QStringLiteral("Caption")); }

void TrgLabel::Rename(const QString& NewName)
{
    const QString oldName = Name;
    TrgCustomText::Rename(NewName);
    if (!Loading() && Caption() == oldName)
        SetCaption(NewName);
}

// ---- stream form -----------------------------------------------------------

namespace {

// Property access through the classes' own readers and writers.
using rgdescribe::Get;
using rgdescribe::Put;

void DescribeTextClasses()
{
    rgRegisterDrawCommandClasses();
    const TEnumInfo* colors = ColorIdents();
    const TEnumInfo* alignments = RegisterEnum(
        QStringLiteral("TAlignment"),
        {QStringLiteral("taLeftJustify"), QStringLiteral("taRightJustify"), QStringLiteral("taCenter")});

    // Lengths are streamed through the four mm values; the Single
    // properties in Units are never written.
    using P = TrgPrintable;
    auto never = [](const P&) { return false; };
    DescribeClass<P, TComponent>(QStringLiteral("TrgPrintable"))
        .Single("Left", Get(&P::GetLeft), Put(&P::SetLeft)).Stored(never)
        .Single("Top", Get(&P::GetTop), Put(&P::SetTop)).Stored(never)
        .Single("Width", Get(&P::GetWidth), Put(&P::SetWidth)).Stored(never)
        .Single("Height", Get(&P::GetHeight), Put(&P::SetHeight)).Stored(never)
        .DefineProperties([](P& printable, TFiler& filer) { printable.DefineStreamProperties(filer); });
    DescribeClass<TrgComponent, P>(QStringLiteral("TrgComponent"))
        .DefineProperties([](TrgComponent& component, TFiler& filer) { component.DefineComponentProperties(filer); })
        .ParentSetter([](TrgComponent& component, TComponent* parent) {
            if (auto* band = dynamic_cast<TrgBand*>(parent))
                component.SetBand(band);
            else if (auto* region = dynamic_cast<TrgStretchContainer*>(parent))
                region->AddChild(&component);
        });
    DescribeClass<TrgCustomComponent, TrgComponent>(QStringLiteral("TrgCustomComponent"))
        .DefineProperties([](TrgCustomComponent& component, TFiler& filer) { component.DefineObsoleteProperties(filer); });

    using T = TrgCustomText;
    DescribeClass<T, TrgCustomComponent>(QStringLiteral("TrgCustomText"))
        .Boolean("CharWrap", Get(&T::CharWrap), Put(&T::SetCharWrap)).Default(false)
        .Boolean("ReprintOnOverFlow", Get(&T::ReprintOnOverFlow), Put(&T::SetReprintOnOverFlow)).Default(false)
        .Integer("SaveOrder", Get(&T::GetSaveOrder), Put(&T::SetSaveOrder)).Default(-1)
        .Boolean("Save", Get(&T::Save), Put(&T::SetSave)).Default(false)
        .Integer("SaveLength", Get(&T::SaveLength), Put(&T::SetSaveLength)).Default(0)
        .Boolean("ShiftWithParent", Get(&T::ShiftWithParent), Put(&T::SetShiftWithParent)).Default(false)
        .DefineProperties([](T& text, TFiler& filer) { text.DefineTextProperties(filer); });

    using L = TrgLabel;
    DescribeClass<L, T>(QStringLiteral("TrgLabel"))
        .Enum("Alignment", alignments, Get(&L::Alignment), Put(&L::SetAlignment)).Default(taLeftJustify)
        .Boolean("AutoSize", Get(&L::AutoSize), Put(&L::SetAutoSize)).Default(true)
        .String("Caption", Get(&L::Caption), [](L& l, const QString& v) { l.SetCaption(v); })
        .Mapped("Color", colors, Get(&L::Color), Put(&L::SetColor)).Default(TColor(0xFFFFFF))
        .Object("Font", [](L& l) { return l.Font(); })
        .Boolean("Transparent", Get(&L::Transparent), Put(&L::SetTransparent)).Default(false)
        .Boolean("Visible", Get(&L::Visible), Put(&L::SetVisible)).Default(true)
        .Boolean("WordWrap", Get(&L::WordWrap), Put(&L::SetWordWrap)).Default(false)
        ;
}

}  // namespace

void rgRegisterTextComponentClasses()
{
    static const bool described = (DescribeTextClasses(), true);
    (void)described;
    rgRegisterComponentClass(ClassInfoFor<TrgLabel>(), QStringLiteral("Standard Components"), 0, 172);
}
