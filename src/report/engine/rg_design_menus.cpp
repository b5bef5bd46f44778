#include "report/engine/rg_design_menus.h"

#include <memory>

#include "platform/ui/menus.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_barcode_components.h"
#include "report/engine/rg_calc.h"
#include "report/engine/rg_calculated_text.h"
#include "report/engine/rg_data_text.h"
#include "report/engine/rg_groups.h"
#include "report/engine/rg_pipeline.h"
#include "report/engine/rg_region.h"
#include "report/engine/rg_report.h"
#include "report/engine/rg_image.h"
#include "report/engine/rg_shapes.h"
#include "report/engine/rg_stretchable.h"
#include "report/engine/rg_subreport.h"
#include "report/engine/rg_text_components.h"
#include "report/output/rg_forms.h"
#include "report/output/rg_strings.h"

// ---- tables and menus ---------------------------------------------------------

TrgDesignMenuItem rgMenuCommand(const QString& Name, int StringNo, std::function<void()> Click)
{
    return {Name, StringNo, {}, {}, std::move(Click), {}};
}

TrgDesignMenuItem rgMenuLine(const QString& Name) { return {Name, 0, {}, {}, {}, {}}; }

TrgDesignMenuItem rgMenuToggle(const QString& Name, int StringNo, std::function<bool()> Get,
                               std::function<void(bool)> Set)
{
    return {Name, StringNo, Get, {}, [Get, Set] { Set(!Get()); }, {}};
}

void rgBuildDesignMenu(TPopupMenu* Menu, const TrgDesignMenu& Items, int LanguageIndex)
{
    Menu->Items()->Clear();
    for (const TrgDesignMenuItem& spec : Items) {
        auto* item = new TMenuItem(Menu);
        item->Name = spec.Name;
        item->Tag = spec.StringNo;
        item->SetCaption(spec.StringNo == 0 ? QStringLiteral("-")
                                            : rgLoadString(LanguageIndex + spec.StringNo) + spec.CaptionSuffix);
        Menu->Items()->Add(item);
    }
}

namespace {

TMenuItem* FindItem(TPopupMenu* Menu, const QString& Name)
{
    for (int i = 0; i < Menu->Items()->Count(); ++i)
        if (Menu->Items()->Items(i)->Name == Name)
            return Menu->Items()->Items(i);
    return nullptr;
}

}  // namespace

void rgRefreshDesignMenu(TPopupMenu* Menu, const TrgDesignMenu& Items)
{
    for (const TrgDesignMenuItem& spec : Items) {
        TMenuItem* item = FindItem(Menu, spec.Name);
        if (!item)
            continue;
        item->SetChecked(spec.Checked && spec.Checked());
        item->SetEnabled(!spec.Enabled || spec.Enabled());
    }
}

void rgAssignDesignMenuHandlers(TPopupMenu* Menu, const TrgDesignMenu& Items, std::function<void()> AfterClick)
{
    for (const TrgDesignMenuItem& spec : Items) {
        TMenuItem* item = FindItem(Menu, spec.Name);
        if (!item || !spec.Click)
            continue;
        item->OnClick = [Menu, Items, click = spec.Click, AfterClick](TObject*) {
            click();
            rgRefreshDesignMenu(Menu, Items);
            if (AfterClick)
                AfterClick();
        };
    }
    Menu->OnPopup = [Menu, Items](TObject*) { rgRefreshDesignMenu(Menu, Items); };
    rgRefreshDesignMenu(Menu, Items);
}

// ---- dialogs -------------------------------------------------------------------

namespace {

// Opens the form registered for Abstract in the given language when it
// carries the Data contract; Fill puts the values in, Apply takes them out
// after OK.
template <typename Abstract, typename Data>
bool RunDesignDialog(int LanguageIndex, const std::function<void(Data&)>& Fill,
                     const std::function<void(const Data&)>& Apply)
{
    std::unique_ptr<Abstract> form(rgCreateForm<Abstract>(nullptr));
    if (!form)
        return false;
    auto* data = dynamic_cast<Data*>(form.get());
    if (!data)
        return false;
    form->SetLanguageIndex(LanguageIndex);
    Fill(*data);
    if (form->ShowModal() != mrOk)
        return false;
    Apply(*data);
    return true;
}

}  // namespace

bool rgEditComponentPosition(TrgPrintable* Printable)
{
    auto* component = dynamic_cast<TrgComponent*>(Printable);
    auto* stretchable = dynamic_cast<TrgStretchable*>(Printable);
    return RunDesignDialog<TrgCustomPositionDialog, TrgPositionDialogData>(
        Printable->GetLanguageIndex(),
        [&](TrgPositionDialogData& data) {
            TrgPositionValues& v = data.Values;
            v.Left = Printable->GetLeft();
            v.Top = Printable->GetTop();
            v.Width = Printable->GetWidth();
            v.Height = Printable->GetHeight();
            if (component) {
                v.ParentWidth = component->ParentWidth();
                v.ParentHeight = component->ParentHeight();
            }
            v.HasOffsets = stretchable != nullptr;
            if (stretchable) {
                v.BottomOffset = stretchable->BottomOffset();
                v.OverFlowOffset = stretchable->OverFlowOffset();
            }
        },
        [&](const TrgPositionDialogData& data) {
            const TrgPositionValues& v = data.Values;
            Printable->SetBounds(v.Left, v.Top, v.Width, v.Height);
            if (component) {
                component->SetParentWidth(v.ParentWidth);
                component->SetParentHeight(v.ParentHeight);
            }
            if (stretchable) {
                stretchable->SetBottomOffset(v.BottomOffset);
                stretchable->SetOverFlowOffset(v.OverFlowOffset);
            }
        });
}

bool rgEditBandPosition(TrgBand* Band)
{
    return RunDesignDialog<TrgCustomBandPositionDialog, TrgBandPositionDialogData>(
        Band->GetLanguageIndex(),
        [&](TrgBandPositionDialogData& data) {
            const TObject* printer = Band->GetPrinter();
            data.Values.Height = Band->Height();
            data.Values.BottomOffset = rgFromMMThousandths(Band->mmBottomOffset(), Band->Units(), rgVertical, printer);
            data.Values.PrintPosition =
                rgFromMMThousandths(Band->mmPrintPosition(), Band->Units(), rgVertical, printer);
            data.Values.PrintCount = Band->PrintCount();
        },
        [&](const TrgBandPositionDialogData& data) {
            const TObject* printer = Band->GetPrinter();
            Band->SetHeight(data.Values.Height);
            Band->SetmmBottomOffset(rgToMMThousandths(Band->Units(), rgVertical, printer, data.Values.BottomOffset));
            Band->SetmmPrintPosition(rgToMMThousandths(Band->Units(), rgVertical, printer, data.Values.PrintPosition));
            Band->SetPrintCount(data.Values.PrintCount);
        });
}

namespace {

// A dialog that offers "<None>" and the names of Candidates, the current
// component preselected; on OK the chosen one is looked up in the band of
// Component and given to Apply (nullptr for "<None>").
template <class Dialog>
bool ChooseBandComponent(TrgComponent* Component, const QStringList& Candidates, const TComponent* Current,
                         const std::function<void(TrgComponent*)>& Apply)
{
    return RunDesignDialog<Dialog, TrgNameChoiceDialogData>(
        Component->GetLanguageIndex(),
        [&](TrgNameChoiceDialogData& data) {
            data.Names.clear();
            data.Names << rgLoadString(Component->GetLanguageIndex() + 343);
            data.Names << Candidates;
            data.ItemIndex = Current ? std::max(0, int(data.Names.indexOf(Current->Name))) : 0;
        },
        [&](const TrgNameChoiceDialogData& data) {
            TrgComponent* chosen = nullptr;
            TrgBand* band = Component->Band();
            int index = -1;
            if (data.ItemIndex > 0 && data.ItemIndex < data.Names.size() && band &&
                band->FindComponentIndex(data.Names.at(data.ItemIndex), index))
                chosen = band->GetComponentAt(index);
            Apply(chosen);
        });
}

}  // namespace

bool rgEditShiftRelativeTo(TrgPrintable* Printable)
{
    auto* stretchable = dynamic_cast<TrgStretchable*>(Printable);
    if (!stretchable)
        return false;
    QStringList candidates;
    rgGetShiftRelativeToList(stretchable, candidates, false);
    return ChooseBandComponent<TrgCustomShiftDialog>(
        stretchable, candidates, stretchable->ShiftRelativeToTarget(),
        [stretchable](TrgComponent* chosen) { stretchable->SetShiftRelativeTo(dynamic_cast<TrgStretchable*>(chosen)); });
}

bool rgEditDrillDownComponent(TrgPrintable* Printable)
{
    auto* sub = dynamic_cast<TrgSubReport*>(Printable);
    if (!sub)
        return false;
    QStringList candidates;
    rgGetBandComponentNames(sub, candidates, false);
    return ChooseBandComponent<TrgCustomDrillDownDialog>(
        sub, candidates, sub->DrillDownComponent(),
        [sub](TrgComponent* chosen) { sub->SetDrillDownComponent(chosen); });
}

bool rgEditImagePicture(TrgPrintable* Printable)
{
    auto* image = dynamic_cast<TrgCustomImage*>(Printable);
    // Only an image that lies in a band of a report has a language to ask in.
    if (!image || !image->Band() || !image->Report())
        return false;
    return RunDesignDialog<TrgCustomPictureDialog, TrgPictureDialogData>(
        Printable->GetLanguageIndex(),
        [&](TrgPictureDialogData& data) { data.Picture.Assign(image->Picture()); },
        [&](const TrgPictureDialogData& data) { image->SetPicture(data.Picture); });
}

bool rgEditDisplayFormat(TrgPrintable* Printable)
{
    auto* text = dynamic_cast<TrgCustomText*>(Printable);
    if (!text)
        return false;
    return RunDesignDialog<TrgCustomFormatDialog, TrgFormatDialogData>(
        Printable->GetLanguageIndex(),
        [&](TrgFormatDialogData& data) {
            // A data text offers the samples of its field's type; a calculated
            // text those of the value it shows.
            TrgDataType type = dtString;
            if (auto* calc = dynamic_cast<TrgCalc*>(text))
                type = calc->CalcType() == ctCustom ? calc->CustomType() : rgCalcTypeDataType(calc->CalcType());
            else if (text->DataPipeline() && !text->DataField().isEmpty())
                type = text->DataPipeline()->GetFieldDataType(text->DataField());
            TStringList samples;
            rgGetDisplayFormatSamples(type, &samples);
            data.Samples.clear();
            for (int i = 0; i < samples.Count(); ++i)
                data.Samples << samples.Strings(i);
            data.DisplayFormat = text->DisplayFormat();
        },
        [&](const TrgFormatDialogData& data) { text->SetDisplayFormat(data.DisplayFormat); });
}

bool rgEditCalculation(TrgPrintable* Printable)
{
    auto* calc = dynamic_cast<TrgDBCalc*>(Printable);
    if (!calc)
        return false;
    TrgCustomReport* report = calc->Report();
    return RunDesignDialog<TrgCustomDBCalcDialog, TrgDBCalcDialogData>(
        Printable->GetLanguageIndex(),
        [&](TrgDBCalcDialogData& data) {
            data.Groups.clear();
            for (int i = 0; report && i < report->GetGroupCount(); ++i)
                data.Groups << report->GetGroupAt(i)->GetDescription();
            data.GroupIndex = report && calc->ResetGroup ? report->IndexOfGroup(calc->ResetGroup) : -1;
            data.CalcType = calc->DBCalcType();
        },
        [&](const TrgDBCalcDialogData& data) {
            calc->SetDBCalcType(data.CalcType);
            TrgGroup* group = nullptr;
            if (report && data.GroupIndex >= 0 && data.GroupIndex < report->GetGroupCount())
                group = report->GetGroupAt(data.GroupIndex);
            if (calc->ResetGroup != group) {
                calc->ResetGroup = group;
                calc->PropertyChanged();
            }
        });
}

bool rgEditBarCode(TrgPrintable* Printable)
{
    auto* barCode = dynamic_cast<TrgCustomBarCode*>(Printable);
    if (!barCode)
        return false;
    std::unique_ptr<TrgCustomBarCodeDialog> form(rgCreateForm<TrgCustomBarCodeDialog>(nullptr));
    if (!form)
        return false;
    form->SetLanguageIndex(barCode->GetLanguageIndex());
    form->Language = barCode->Report() ? barCode->Report()->Language() : lgEnglish;
    form->BarCodeType = barCode->BarCodeType();
    form->Orientation = barCode->Orientation();
    form->BarWidth = barCode->BarWidth();
    form->WideBarRatio = barCode->WideBarRatio();
    form->AddOnCode = barCode->AddOnCode();
    form->BearerBars = barCode->BearerBars();
    form->CalcCheckDigit = barCode->CalcCheckDigit();
    if (form->ShowModal() != mrOk)
        return false;
    // The type first: a new type brings its own sample data and module
    // width, which the values after it may change again.
    barCode->SetBarCodeType(form->BarCodeType);
    barCode->SetOrientation(form->Orientation);
    barCode->SetBarWidth(form->BarWidth);
    barCode->SetWideBarRatio(form->WideBarRatio);
    barCode->SetAddOnCode(form->AddOnCode);
    barCode->SetBearerBars(form->BearerBars);
    barCode->SetCalcCheckDigit(form->CalcCheckDigit);
    return true;
}

// ---- component menus --------------------------------------------------------------

namespace {

// Binds a Boolean property of an object to a toggle item.
template <typename T>
TrgDesignMenuItem Toggle(const QString& Name, int StringNo, T* Object, bool (T::*Get)() const,
                         void (T::*Set)(bool))
{
    return rgMenuToggle(
        Name, StringNo, [Object, Get] { return (Object->*Get)(); }, [Object, Set](bool v) { (Object->*Set)(v); });
}

constexpr int sBlankWhenZero = 227, sCalculations = 228, sDisplayFormat = 230, sReprintOnSubsequent = 239,
              sSuppressRepeatedValues = 245;
constexpr int sBringToFront = 161, sSendToBack = 177, sPosition = 386, sAutoSize = 226, sCenter = 229,
              sDouble = 231, sPicture = 235, sReprintOnOverFlow = 238, sShiftWithParent = 240, sSingle = 241,
              sStretch = 243, sStretchWithParent = 244, sTransparent = 246, sVisible = 247, sWordWrap = 248,
              sShiftRelativeTo = 336, sParentHeight = 370, sParentWidth = 371, sMaintainAspectRatio = 412,
              sAutoSizeFont = 441, sPrintHumanReadable = 442, sConfigure = 443;
constexpr int sNewPrintJob = 373, sChild = 380, sSection = 381, sFixed = 382, sResetPageNo = 410,
              sParentPrinterSetup = 413, sDrillDown = 498;

// mniBringToFront, mniSendToBack and the separator that open every menu.
TrgDesignMenu OrderItems(TrgComponent* Component)
{
    return {rgMenuCommand("mniBringToFront", sBringToFront, [Component] { Component->BringToFront(); }),
            rgMenuCommand("mniSendToBack", sSendToBack, [Component] { Component->SendToBack(); }),
            rgMenuLine("mniLine1")};
}

TrgDesignMenuItem PositionItem(TrgPrintable* Printable)
{
    return rgMenuCommand("mniPosition", sPosition, [Printable] { rgEditComponentPosition(Printable); });
}

TrgDesignMenu TextMenu(TrgCustomText* Text)
{
    TrgDesignMenu menu = OrderItems(Text);
    menu.push_back(Toggle<TrgPrintable>("mniLabelAutoSize", sAutoSize, Text, &TrgPrintable::AutoSize,
                                        &TrgPrintable::SetAutoSize));
    auto* dbText = dynamic_cast<TrgDBText*>(Text);
    // Data texts name their flag items mniDBText..., the others mniLabel...
    const QString prefix = dbText ? QStringLiteral("mniDBText") : QStringLiteral("mniLabel");
    if (dbText) {
        menu.push_back(Toggle<TrgDBText>("mniDBTextBlankWhenZero", sBlankWhenZero, dbText,
                                         &TrgDBText::BlankWhenZero, &TrgDBText::SetBlankWhenZero));
        if (dynamic_cast<TrgDBCalc*>(Text))
            menu.push_back(rgMenuCommand("mniDBCalcCalc", sCalculations, [Text] { rgEditCalculation(Text); }));
        menu.push_back(rgMenuCommand("mniDBTextFormat", sDisplayFormat, [Text] { rgEditDisplayFormat(Text); }));
    } else if (dynamic_cast<TrgCalc*>(Text)) {
        menu.push_back(rgMenuCommand("mniCalcFormat", sDisplayFormat, [Text] { rgEditDisplayFormat(Text); }));
    }
    menu.push_back(PositionItem(Text));
    menu.push_back(Toggle<TrgPrintable>(prefix + "ReprintOnOverFlow", sReprintOnOverFlow, Text,
                                        &TrgPrintable::ReprintOnOverFlow, &TrgPrintable::SetReprintOnOverFlow));
    if (dbText)
        menu.push_back(Toggle<TrgDBText>("mniDBTextReprintOnSubsequent", sReprintOnSubsequent, dbText,
                                         &TrgDBText::ReprintOnSubsequent, &TrgDBText::SetReprintOnSubsequent));
    menu.push_back(Toggle<TrgPrintable>(prefix + "ShiftWithParent", sShiftWithParent, Text,
                                        &TrgPrintable::ShiftWithParent, &TrgPrintable::SetShiftWithParent));
    if (dbText)
        menu.push_back(Toggle<TrgDBText>("mniDBTextSuppressRepeatedValues", sSuppressRepeatedValues, dbText,
                                         &TrgDBText::SuppressRepeatedValues, &TrgDBText::SetSuppressRepeatedValues));
    menu.push_back(Toggle<TrgPrintable>(prefix + "Transparent", sTransparent, Text, &TrgPrintable::Transparent,
                                        &TrgPrintable::SetTransparent));
    menu.push_back(Toggle<TrgPrintable>(prefix + "Visible", sVisible, Text, &TrgPrintable::Visible,
                                        &TrgPrintable::SetVisible));
    menu.push_back(Toggle<TrgPrintable>(prefix + "WordWrap", sWordWrap, Text, &TrgPrintable::WordWrap,
                                        &TrgPrintable::SetWordWrap));
    return menu;
}

TrgDesignMenu RegionMenu(TrgCustomRegion* Region);

TrgDesignMenu StretchableMenu(TrgStretchable* Stretchable)
{
    TrgDesignMenu menu = OrderItems(Stretchable);
    menu.push_back(PositionItem(Stretchable));
    menu.push_back(Toggle<TrgPrintable>("mniReprintOnOverFlow", sReprintOnOverFlow, Stretchable,
                                        &TrgPrintable::ReprintOnOverFlow, &TrgPrintable::SetReprintOnOverFlow));
    menu.push_back(Toggle<TrgPrintable>("mniShiftWithParent", sShiftWithParent, Stretchable,
                                        &TrgPrintable::ShiftWithParent, &TrgPrintable::SetShiftWithParent));
    TrgDesignMenuItem shift = rgMenuCommand("mniShiftRelativeTo", sShiftRelativeTo,
                                            [Stretchable] { rgEditShiftRelativeTo(Stretchable); });
    shift.Checked = [Stretchable] { return Stretchable->ShiftRelativeToTarget() != nullptr; };
    menu.push_back(shift);
    menu.push_back(Toggle<TrgStretchable>("mniStretch", sStretch, Stretchable, &TrgStretchable::Stretch,
                                          &TrgStretchable::SetStretch));
    menu.push_back(Toggle<TrgPrintable>("mniTransparent", sTransparent, Stretchable, &TrgPrintable::Transparent,
                                        &TrgPrintable::SetTransparent));
    menu.push_back(Toggle<TrgPrintable>("mniVisible", sVisible, Stretchable, &TrgPrintable::Visible,
                                        &TrgPrintable::SetVisible));
    return menu;
}

TrgDesignMenu RegionMenu(TrgCustomRegion* Region)
{
    TrgDesignMenu menu = StretchableMenu(Region);
    menu.push_back(Toggle<TrgComponent>("mniParentWidth", sParentWidth, Region, &TrgComponent::ParentWidth,
                                        &TrgComponent::SetParentWidth));
    menu.push_back(Toggle<TrgComponent>("mniParentHeight", sParentHeight, Region, &TrgComponent::ParentHeight,
                                        &TrgComponent::SetParentHeight));
    menu.push_back(Toggle<TrgPrintable>("mniStretchWithParent", sStretchWithParent, Region,
                                        &TrgPrintable::StretchWithParent, &TrgPrintable::SetStretchWithParent));
    return menu;
}

// ParentHeight and ParentWidth of the graphic components.
void AddParentItems(TrgDesignMenu& Menu, TrgComponent* Component)
{
    Menu.push_back(Toggle<TrgComponent>("mniParentHeight", sParentHeight, Component, &TrgComponent::ParentHeight,
                                        &TrgComponent::SetParentHeight));
    Menu.push_back(Toggle<TrgComponent>("mniParentWidth", sParentWidth, Component, &TrgComponent::ParentWidth,
                                        &TrgComponent::SetParentWidth));
}

// ReprintOnOverFlow, ShiftWithParent, StretchWithParent, Visible under the
// given item name prefix ("mni" for the shape's first, "mniShape", "mniLine").
void AddGraphicFlagItems(TrgDesignMenu& Menu, TrgComponent* Component, const QString& ReprintPrefix,
                         const QString& Prefix)
{
    Menu.push_back(Toggle<TrgPrintable>(ReprintPrefix + "ReprintOnOverFlow", sReprintOnOverFlow, Component,
                                        &TrgPrintable::ReprintOnOverFlow, &TrgPrintable::SetReprintOnOverFlow));
    Menu.push_back(Toggle<TrgPrintable>(Prefix + "ShiftWithParent", sShiftWithParent, Component,
                                        &TrgPrintable::ShiftWithParent, &TrgPrintable::SetShiftWithParent));
    Menu.push_back(Toggle<TrgPrintable>(Prefix + "StretchWithParent", sStretchWithParent, Component,
                                        &TrgPrintable::StretchWithParent, &TrgPrintable::SetStretchWithParent));
    Menu.push_back(Toggle<TrgPrintable>(Prefix + "Visible", sVisible, Component, &TrgPrintable::Visible,
                                        &TrgPrintable::SetVisible));
}

TrgDesignMenu ShapeMenu(TrgShape* Shape)
{
    TrgDesignMenu menu = OrderItems(Shape);
    AddParentItems(menu, Shape);
    menu.push_back(PositionItem(Shape));
    AddGraphicFlagItems(menu, Shape, "mni", "mniShape");
    return menu;
}

TrgDesignMenu LineMenu(TrgLine* Line)
{
    TrgDesignMenu menu = OrderItems(Line);
    for (auto [name, stringNo, style] : {std::tuple{"mniLineSingle", sSingle, lsSingle},
                                         std::tuple{"mniLineDouble", sDouble, lsDouble}}) {
        TrgDesignMenuItem item =
            rgMenuCommand(name, stringNo, [Line, style = style] { Line->SetStyle(style); });
        item.Checked = [Line, style = style] { return Line->Style() == style; };
        menu.push_back(item);
    }
    menu.push_back(rgMenuLine("mniLineLine1"));
    AddParentItems(menu, Line);
    menu.push_back(PositionItem(Line));
    AddGraphicFlagItems(menu, Line, "mniLine", "mniLine");
    return menu;
}

TrgDesignMenu ImageMenu(TrgCustomImage* Image)
{
    TrgDesignMenu menu = OrderItems(Image);
    auto* plainImage = dynamic_cast<TrgImage*>(Image);
    if (plainImage)
        menu.push_back(Toggle<TrgPrintable>("mniImageAutoSize", sAutoSize, Image, &TrgPrintable::AutoSize,
                                            &TrgPrintable::SetAutoSize));
    menu.push_back(Toggle<TrgCustomImage>("mniImageCenter", sCenter, Image, &TrgCustomImage::Center,
                                          &TrgCustomImage::SetCenter));
    menu.push_back(Toggle<TrgCustomImage>("mniImageMaintainAspectRatio", sMaintainAspectRatio, Image,
                                          &TrgCustomImage::MaintainAspectRatio,
                                          &TrgCustomImage::SetMaintainAspectRatio));
    if (plainImage)
        menu.push_back(rgMenuCommand("mniImagePicture", sPicture, [Image] { rgEditImagePicture(Image); }));
    menu.push_back(PositionItem(Image));
    menu.push_back(Toggle<TrgPrintable>("mniImageReprintOnOverFlow", sReprintOnOverFlow, Image,
                                        &TrgPrintable::ReprintOnOverFlow, &TrgPrintable::SetReprintOnOverFlow));
    menu.push_back(Toggle<TrgPrintable>("mniImageShiftWithParent", sShiftWithParent, Image,
                                        &TrgPrintable::ShiftWithParent, &TrgPrintable::SetShiftWithParent));
    menu.push_back(Toggle<TrgCustomImage>("mniImageStretch", sStretch, Image, &TrgCustomImage::Stretch,
                                          &TrgCustomImage::SetStretch));
    menu.push_back(Toggle<TrgPrintable>("mniImageTransparent", sTransparent, Image, &TrgPrintable::Transparent,
                                        &TrgPrintable::SetTransparent));
    menu.push_back(Toggle<TrgPrintable>("mniImageVisible", sVisible, Image, &TrgPrintable::Visible,
                                        &TrgPrintable::SetVisible));
    return menu;
}

TrgDesignMenu SubReportMenu(TrgSubReport* Sub)
{
    TrgDesignMenu menu = OrderItems(Sub);
    auto behavior = [Sub](const char* Name, int StringNo, TrgPrintBehaviorType Value) {
        TrgDesignMenuItem item = rgMenuCommand(Name, StringNo, [Sub, Value] { Sub->SetPrintBehavior(Value); });
        item.Checked = [Sub, Value] { return Sub->PrintBehavior() == Value; };
        return item;
    };
    menu.push_back(behavior("mniChild", sChild, pbChild));
    menu.push_back(behavior("mniSection", sSection, pbSection));
    menu.push_back(behavior("mniFixed", sFixed, pbFixed));
    menu.push_back(rgMenuLine("mniLine2"));
    auto isSection = [Sub] { return Sub->PrintBehavior() == pbSection; };
    auto notSection = [Sub] { return Sub->PrintBehavior() != pbSection; };
    TrgDesignMenuItem drillDown = rgMenuCommand("mniDrillDown", sDrillDown, [Sub] { rgEditDrillDownComponent(Sub); });
    drillDown.CaptionSuffix = QStringLiteral("...");
    drillDown.Checked = [Sub] { return Sub->DrillDownInEffect(); };
    drillDown.Enabled = notSection;
    menu.push_back(drillDown);
    TrgDesignMenuItem newJob =
        Toggle<TrgSubReport>("mniNewPrintJob", sNewPrintJob, Sub, &TrgSubReport::NewPrintJob, &TrgSubReport::SetNewPrintJob);
    newJob.Enabled = isSection;
    menu.push_back(newJob);
    TrgDesignMenuItem parentSetup = Toggle<TrgSubReport>("mniParentPrinterSetup", sParentPrinterSetup, Sub,
                                                         &TrgSubReport::ParentPrinterSetup,
                                                         &TrgSubReport::SetParentPrinterSetup);
    parentSetup.Enabled = isSection;
    menu.push_back(parentSetup);
    TrgDesignMenuItem parentWidth = Toggle<TrgComponent>("mniParentWidth", sParentWidth, Sub,
                                                         &TrgComponent::ParentWidth, &TrgComponent::SetParentWidth);
    parentWidth.Enabled = notSection;
    menu.push_back(parentWidth);
    menu.push_back(PositionItem(Sub));
    TrgDesignMenuItem resetPageNo =
        Toggle<TrgSubReport>("mniResetPageNo", sResetPageNo, Sub, &TrgSubReport::ResetPageNo, &TrgSubReport::SetResetPageNo);
    resetPageNo.Enabled = isSection;
    menu.push_back(resetPageNo);
    TrgDesignMenuItem shift =
        rgMenuCommand("mniShiftRelativeTo", sShiftRelativeTo, [Sub] { rgEditShiftRelativeTo(Sub); });
    shift.Checked = [Sub] { return Sub->ShiftRelativeToTarget() != nullptr; };
    shift.Enabled = [Sub] { return !Sub->Region() && Sub->PrintBehavior() != pbSection; };
    menu.push_back(shift);
    menu.push_back(
        Toggle<TrgPrintable>("mniMemoVisible", sVisible, Sub, &TrgPrintable::Visible, &TrgPrintable::SetVisible));
    return menu;
}

TrgDesignMenu BarCodeMenu(TrgCustomBarCode* BarCode)
{
    TrgDesignMenu menu = OrderItems(BarCode);
    menu.push_back(
        Toggle<TrgPrintable>("mniAutoSize", sAutoSize, BarCode, &TrgPrintable::AutoSize, &TrgPrintable::SetAutoSize));
    menu.push_back(Toggle<TrgCustomBarCode>("mniAutoSizeFont", sAutoSizeFont, BarCode, &TrgCustomBarCode::AutoSizeFont,
                                            &TrgCustomBarCode::SetAutoSizeFont));
    menu.push_back(rgMenuCommand("mniConfigure", sConfigure, [BarCode] { rgEditBarCode(BarCode); }));
    menu.push_back(PositionItem(BarCode));
    menu.push_back(Toggle<TrgCustomBarCode>("mniPrintHumanReadable", sPrintHumanReadable, BarCode,
                                            &TrgCustomBarCode::PrintHumanReadable,
                                            &TrgCustomBarCode::SetPrintHumanReadable));
    menu.push_back(Toggle<TrgPrintable>("mniReprintOnOverFlow", sReprintOnOverFlow, BarCode,
                                        &TrgPrintable::ReprintOnOverFlow, &TrgPrintable::SetReprintOnOverFlow));
    menu.push_back(Toggle<TrgPrintable>("mniShiftWithParent", sShiftWithParent, BarCode,
                                        &TrgPrintable::ShiftWithParent, &TrgPrintable::SetShiftWithParent));
    menu.push_back(Toggle<TrgPrintable>("mniTransparent", sTransparent, BarCode, &TrgPrintable::Transparent,
                                        &TrgPrintable::SetTransparent));
    menu.push_back(
        Toggle<TrgPrintable>("mniVisible", sVisible, BarCode, &TrgPrintable::Visible, &TrgPrintable::SetVisible));
    return menu;
}

}  // namespace

TrgDesignMenu rgComponentDesignMenu(TrgPrintable* Printable)
{
    if (auto* barCode = dynamic_cast<TrgCustomBarCode*>(Printable))
        return BarCodeMenu(barCode);
    if (auto* sub = dynamic_cast<TrgSubReport*>(Printable))
        return SubReportMenu(sub);
    if (auto* image = dynamic_cast<TrgCustomImage*>(Printable))
        return ImageMenu(image);
    if (auto* line = dynamic_cast<TrgLine*>(Printable))
        return LineMenu(line);
    if (auto* shape = dynamic_cast<TrgShape*>(Printable))
        return ShapeMenu(shape);
    if (auto* region = dynamic_cast<TrgCustomRegion*>(Printable))
        return RegionMenu(region);
    if (auto* stretchable = dynamic_cast<TrgStretchable*>(Printable))
        return StretchableMenu(stretchable);
    if (auto* text = dynamic_cast<TrgCustomText*>(Printable))
        return TextMenu(text);
    return {};
}

void rgBuildComponentPopupMenu(TrgPrintable* Printable, TPopupMenu* Menu, std::function<void()> AfterClick)
{
    const TrgDesignMenu items = rgComponentDesignMenu(Printable);
    rgBuildDesignMenu(Menu, items, Printable->GetLanguageIndex());
    rgAssignDesignMenuHandlers(Menu, items, std::move(AfterClick));
}

// ---- fill and line commands ----------------------------------------------------------

bool rgDesignFillCommand(TrgPrintable* Printable, TColor Color, bool NoFill)
{
    if (auto* graphic = dynamic_cast<TrgCustomGraphic*>(Printable)) {
        graphic->SetFillColor(Color, NoFill);
        return true;
    }
    auto* region = dynamic_cast<TrgCustomRegion*>(Printable);
    if (!region)
        return false;
    TBrush brush = *region->Brush();
    if (NoFill) {
        brush.Style = bsClear;
    } else {
        brush.Color = Color;
        brush.Style = bsSolid;
    }
    region->SetBrush(brush);
    return true;
}

bool rgDesignLineCommand(TrgPrintable* Printable, TColor Color, bool NoLine)
{
    if (auto* graphic = dynamic_cast<TrgCustomGraphic*>(Printable)) {
        graphic->SetLineColor(Color, NoLine);
        return true;
    }
    auto* region = dynamic_cast<TrgCustomRegion*>(Printable);
    if (!region)
        return false;
    TPen pen = *region->Pen();
    if (NoLine) {
        pen.Style = psClear;
    } else {
        pen.Color = Color;
        pen.Style = psSolid;
    }
    region->SetPen(pen);
    return true;
}

bool rgDesignLineWidthCommand(TrgPrintable* Printable, int Width)
{
    if (auto* graphic = dynamic_cast<TrgCustomGraphic*>(Printable)) {
        graphic->SetLineWidth(Width);
        return true;
    }
    auto* region = dynamic_cast<TrgCustomRegion*>(Printable);
    if (!region)
        return false;
    TPen pen = *region->Pen();
    pen.Width = Width;
    region->SetPen(pen);
    return true;
}

// ---- choice lists ---------------------------------------------------------------------

TrgDesignChoices rgDesignChoices(TrgPrintable* Printable)
{
    const int base = Printable->GetLanguageIndex();
    TrgDesignChoices choices;
    auto load = [&](std::initializer_list<int> numbers) {
        for (int n : numbers)
            choices.Entries << rgLoadString(base + n);
    };
    if (dynamic_cast<TrgShape*>(Printable)) {
        choices.Title = rgLoadString(base + 118);
        load({318, 319, 320, 321, 322, 323});
    } else if (dynamic_cast<TrgLine*>(Printable)) {
        choices.Title = rgLoadString(base + 117);
        load({182, 325, 181, 327});
    }
    return choices;
}
