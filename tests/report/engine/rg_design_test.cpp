// Design-time support: band strips and their menus, the designer messages
// (sent only while a designer is attached), component popup menus with their
// items, check marks and handlers, the dialogs behind them, the design
// controls with their selection and sizing handles, bar codes at design time
// (menu, configuration dialog, picture), the template dialog, and
// screenshots of a strip, a menu and the dialogs.

#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QAction>
#include <QMenu>

#include <optional>

#include "barcode_scan.h"
#include "engine_fixtures.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"
#include "report/engine/rg_barcode_components.h"
#include "report/engine/rg_barcode_dialog.h"
#include "report/engine/rg_calc.h"
#include "report/engine/rg_calculated_text.h"
#include "report/engine/rg_component_registry.h"
#include "report/engine/rg_data_text.h"
#include "report/engine/rg_design_bands.h"
#include "report/engine/rg_design_components.h"
#include "report/engine/rg_design_menus.h"
#include "report/engine/rg_engine_forms.h"
#include "report/engine/rg_groups.h"
#include "report/engine/rg_image.h"
#include "report/engine/rg_memo.h"
#include "report/engine/rg_region.h"
#include "report/engine/rg_shapes.h"
#include "report/engine/rg_subreport.h"
#include "report/engine/rg_template_dialogs.h"
#include "report/output/rg_forms.h"
#include "report/output/rg_strings.h"

namespace {

// The designer window the tests stand in for: a windowed control that
// records the messages it gets.
class TTestDesigner : public TCustomControl, public TrgDesignWindow {
public:
    explicit TTestDesigner(TComponent* Owner) : TCustomControl(Owner) { SetBounds(0, 0, 400, 300); }
    TWinControl* DesignSurface() override { return this; }
    struct Message {
        int Number, Code;
        TObject* Param;
        bool operator==(const Message&) const = default;
    };
    void DesignMessage(int Number, int Code, TObject* Param) override { Messages.push_back({Number, Code, Param}); }
    void ShowGroupsDialog() override { ++groupsDialogs; }
    std::vector<Message> Messages;
    int groupsDialogs = 0;
};

QStringList ItemNames(TPopupMenu* Menu)
{
    QStringList names;
    for (int i = 0; i < Menu->Items()->Count(); ++i)
        names << Menu->Items()->Items(i)->Name;
    return names;
}

QStringList ItemNames(const TrgDesignMenu& Menu)
{
    QStringList names;
    for (const TrgDesignMenuItem& item : Menu)
        names << item.Name;
    return names;
}

TMenuItem* Item(TPopupMenu* Menu, const QString& Name)
{
    for (int i = 0; i < Menu->Items()->Count(); ++i)
        if (Menu->Items()->Items(i)->Name == Name)
            return Menu->Items()->Items(i);
    ADD_FAILURE() << "no item " << Name.toStdString();
    return nullptr;
}

// A click on a ticked menu item flips its property and its mark, a second
// click flips both back.
void ExpectClicksToggle(TMenuItem* Item, const std::function<bool()>& Value, const char* Name)
{
    const bool before = Value();
    EXPECT_EQ(Item->Checked(), before) << Name;
    Item->Click();
    EXPECT_EQ(Value(), !before) << Name;
    EXPECT_EQ(Item->Checked(), !before) << Name;
    Item->Click();
    EXPECT_EQ(Value(), before) << Name;
}

QImage Screenshot(QWidget* Widget, const QString& Name)
{
    const QImage picture = Widget->grab().toImage();
    const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(dir);
    picture.save(dir + "/" + Name + ".png");
    return picture;
}

// A position dialog of each contract that records what it was shown.
class TFakePositionDialog : public TrgCustomPositionDialog, public TrgPositionDialogData {
public:
    using TrgCustomPositionDialog::TrgCustomPositionDialog;
};
class TFakeBandPositionDialog : public TrgCustomBandPositionDialog, public TrgBandPositionDialogData {
public:
    using TrgCustomBandPositionDialog::TrgCustomBandPositionDialog;
};
class TFakeShiftDialog : public TrgCustomShiftDialog, public TrgNameChoiceDialogData {
public:
    using TrgCustomShiftDialog::TrgCustomShiftDialog;
};
class TFakePictureDialog : public TrgCustomPictureDialog, public TrgPictureDialogData {
public:
    using TrgCustomPictureDialog::TrgCustomPictureDialog;
};
class TFakeFormatDialog : public TrgCustomFormatDialog, public TrgFormatDialogData {
public:
    using TrgCustomFormatDialog::TrgCustomFormatDialog;
};
class TFakeDBCalcDialog : public TrgCustomDBCalcDialog, public TrgDBCalcDialogData {
public:
    using TrgCustomDBCalcDialog::TrgCustomDBCalcDialog;
};
class TFakeDrillDownDialog : public TrgCustomDrillDownDialog, public TrgNameChoiceDialogData {
public:
    using TrgCustomDrillDownDialog::TrgCustomDrillDownDialog;
};
// A registered form without the data contract.
class TBarePositionDialog : public TrgCustomPositionDialog {
public:
    using TrgCustomPositionDialog::TrgCustomPositionDialog;
};

class DesignTest : public TEngineTest {
protected:
    void SetUp() override
    {
        TEngineTest::SetUp();
        rgSetScreenPixelsPerInch(96);
    }
    void TearDown() override
    {
        rgDetachDesigner(report.get());
        rgClearFormClasses();
        TEngineTest::TearDown();
    }
    // A group with its header and footer band.
    TrgGroup* AddGroup(const QString& BreakName)
    {
        auto* group = new TrgGroup(&form);
        group->SetBreakName(BreakName);
        report->AddGroup(group);
        (new TrgGroupHeaderBand(&form))->SetGroup(group);
        (new TrgGroupFooterBand(&form))->SetGroup(group);
        return group;
    }
    TTestDesigner designer{nullptr};
};

// ---- band menus ------------------------------------------------------------------

TEST_F(DesignTest, BandMenusListTheirItemsInOrderWithTheKindsAdditions)
{
    const QStringList common{"mniDynamicHeight", "mniStaticHeight", "mniLine1", "mniPosition", "mniVisible"};
    AddGroup("Ort");
    struct Case {
        TrgBand* band;
        QStringList extra;
        bool heightEnabled;
    };
    const Case cases[] = {
        {AddBand<TrgHeaderBand>(5000), {"mniLine2", "mniPrintOnFirstPage", "mniPrintOnLastPage"}, true},
        {AddBand<TrgFooterBand>(5000), {"mniLine2", "mniPrintOnFirstPage", "mniPrintOnLastPage"}, false},
        {AddBand<TrgTitleBand>(5000), {"mniLine2", "mniNewPage"}, true},
        {AddBand<TrgSummaryBand>(5000), {"mniLine2", "mniNewPage"}, true},
        {AddBand<TrgColumnHeaderBand>(5000), {}, true},
        {AddBand<TrgColumnFooterBand>(5000), {}, false},
        {AddBand<TrgDetailBand>(5000), {}, true},
        {report->FindBand(bkGroupHeader, 0), {"mniGroups"}, true},
        {report->FindBand(bkGroupFooter, 0), {"mniGroups"}, true},
    };
    rgAttachDesigner(report.get(), &designer);
    for (const Case& c : cases) {
        ASSERT_NE(c.band, nullptr);
        SCOPED_TRACE(c.band->GetDescription().toStdString());
        TrgBandDesignStrip* strip = rgBandDesignStrip(c.band);
        ASSERT_NE(strip, nullptr);
        EXPECT_EQ(ItemNames(strip->Menu()), common + c.extra);
        EXPECT_EQ(Item(strip->Menu(), "mniDynamicHeight")->Enabled(), c.heightEnabled);
        EXPECT_EQ(Item(strip->Menu(), "mniStaticHeight")->Enabled(), c.heightEnabled);
        EXPECT_TRUE(Item(strip->Menu(), "mniStaticHeight")->Checked());
        EXPECT_TRUE(Item(strip->Menu(), "mniVisible")->Checked());
        EXPECT_EQ(Item(strip->Menu(), "mniLine1")->Caption(), "-");
        EXPECT_TRUE(Item(strip->Menu(), "mniLine1")->Action()->isSeparator());
        EXPECT_TRUE(Item(strip->Menu(), "mniLine1")->Action()->text().isEmpty());
    }
}

TEST_F(DesignTest, BandMenuCaptionsComeFromTheReportsLanguage)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(5000);
    const TrgDesignMenu items = rgBandDesignMenu(band, nullptr);
    for (TrgLanguageType language : {lgEnglish, lgGerman}) {
        report->SetLanguage(language);
        TPopupMenu menu(nullptr);
        rgBuildDesignMenu(&menu, items, band->GetLanguageIndex());
        const int base = rgLanguageResourceBase(language);
        for (int i = 0; i < menu.Items()->Count(); ++i) {
            TMenuItem* item = menu.Items()->Items(i);
            if (item->Tag != 0) {
                EXPECT_EQ(item->Caption(), rgLoadString(base + int(item->Tag))) << item->Name.toStdString();
            }
        }
        EXPECT_EQ(Item(&menu, "mniVisible")->Tag, 247);
    }
    report->SetLanguage(lgGerman);
    TPopupMenu menu(nullptr);
    rgBuildDesignMenu(&menu, items, band->GetLanguageIndex());
    EXPECT_EQ(Item(&menu, "mniDynamicHeight")->Caption(), "Dynamische Höhe");
    EXPECT_EQ(Item(&menu, "mniStaticHeight")->Caption(), "Feste Höhe");
}

TEST_F(DesignTest, BandMenuItemsChangeTheirPropertiesAndMoveTheirMarks)
{
    AddGroup("Ort");
    TrgHeaderBand* header = AddBand<TrgHeaderBand>(5000);
    TrgTitleBand* title = AddBand<TrgTitleBand>(5000);
    rgAttachDesigner(report.get(), &designer);

    TPopupMenu* menu = rgBandDesignStrip(header)->Menu();
    Item(menu, "mniDynamicHeight")->Click();
    EXPECT_EQ(header->PrintHeight(), phDynamic);
    EXPECT_TRUE(Item(menu, "mniDynamicHeight")->Checked());
    EXPECT_FALSE(Item(menu, "mniStaticHeight")->Checked());
    Item(menu, "mniStaticHeight")->Click();
    EXPECT_EQ(header->PrintHeight(), phStatic);

    struct Toggle {
        TrgBand* band;
        const char* item;
        std::function<bool()> value;
    };
    const Toggle toggles[] = {
        {header, "mniVisible", [&] { return header->Visible(); }},
        {header, "mniPrintOnFirstPage", [&] { return header->PrintOnFirstPage(); }},
        {header, "mniPrintOnLastPage", [&] { return header->PrintOnLastPage(); }},
        {title, "mniNewPage", [&] { return title->NewPage(); }},
    };
    for (const Toggle& t : toggles)
        ExpectClicksToggle(Item(rgBandDesignStrip(t.band)->Menu(), t.item), t.value, t.item);

    // A property changed elsewhere shows when the menu drops again.
    header->SetVisible(false);
    menu->OnPopup(menu);
    EXPECT_FALSE(Item(menu, "mniVisible")->Checked());

    Item(rgBandDesignStrip(report->FindBand(bkGroupFooter, 0))->Menu(), "mniGroups")->Click();
    EXPECT_EQ(designer.groupsDialogs, 1);
}

TEST_F(DesignTest, BandPositionDialogShowsTheFourValuesAndWritesThemBackOnOK)
{
    report->SetUnits(utMillimeters);
    TrgDetailBand* band = AddBand<TrgDetailBand>(12000);
    band->SetUnits(utMillimeters);
    band->SetmmBottomOffset(2000);
    band->SetmmPrintPosition(3000);
    band->SetPrintCount(4);
    rgRegisterFormClass<TrgCustomBandPositionDialog, TFakeBandPositionDialog>("TFakeBandPositionDialog");
    report->SetLanguage(lgGerman);
    {
        TPromptScript script;
        script.Modal<TFakeBandPositionDialog>([](TFakeBandPositionDialog& dialog) {
            EXPECT_EQ(dialog.LanguageIndex(), rgGermanBase);
            EXPECT_FLOAT_EQ(dialog.Values.Height, 12);
            EXPECT_FLOAT_EQ(dialog.Values.BottomOffset, 2);
            EXPECT_FLOAT_EQ(dialog.Values.PrintPosition, 3);
            EXPECT_EQ(dialog.Values.PrintCount, 4);
            dialog.Values = {20, 5, 7, 9};
            dialog.ModalResult = mrOk;
        });
        EXPECT_TRUE(rgEditBandPosition(band));
    }
    EXPECT_EQ(band->mmHeight(), 20000);
    EXPECT_EQ(band->mmBottomOffset(), 5000);
    EXPECT_EQ(band->mmPrintPosition(), 7000);
    EXPECT_EQ(band->PrintCount(), 9);
    {
        // Through the strip's menu the strip takes the new height at once.
        rgAttachDesigner(report.get(), &designer);
        TPromptScript script;
        script.Modal<TFakeBandPositionDialog>([](TFakeBandPositionDialog& dialog) {
            dialog.Values.Height = 25;
            dialog.ModalResult = mrOk;
        });
        Item(rgBandDesignStrip(band)->Menu(), "mniPosition")->Click();
        EXPECT_EQ(band->mmHeight(), 25000);
        EXPECT_EQ(rgBandDesignStrip(band)->Height(), qRound(25000 * 96 / 25400.0));
        band->SetmmHeight(20000);
    }
    {
        TPromptScript script;
        script.Modal<TFakeBandPositionDialog>([](TFakeBandPositionDialog& dialog) {
            dialog.Values.Height = 30;
            dialog.ModalResult = mrCancel;
        });
        EXPECT_FALSE(rgEditBandPosition(band));
    }
    EXPECT_EQ(band->mmHeight(), 20000);
}

TEST_F(DesignTest, WithoutARegisteredDialogOrItsContractNothingChanges)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(12000);
    TrgLabel* label = AddLabel(band, "a", 1000, 1000);
    EXPECT_FALSE(rgEditBandPosition(band));
    EXPECT_FALSE(rgEditComponentPosition(label));
    rgRegisterFormClass<TrgCustomPositionDialog, TBarePositionDialog>("TBarePositionDialog");
    TPromptScript script;  // any form shown would fail the test
    EXPECT_FALSE(rgEditComponentPosition(label));
    EXPECT_EQ(label->mmLeft(), 1000);
}

// ---- designer messages and strips --------------------------------------------------------

TEST_F(DesignTest, StripsAndMessagesExistOnlyWhileADesignerIsAttached)
{
    TrgHeaderBand* header = AddBand<TrgHeaderBand>(5000);
    EXPECT_EQ(rgBandDesignStrip(header), nullptr);
    EXPECT_EQ(rgReportDesigner(report.get()), nullptr);
    rgSendDesignMessage(report.get(), rgDesignMsgCaptionChanged, 0, header);  // skipped, no designer

    rgAttachDesigner(report.get(), &designer);
    ASSERT_NE(rgBandDesignStrip(header), nullptr);
    EXPECT_EQ(designer.Messages, (std::vector<TTestDesigner::Message>{{1137, 5050, header}}));

    TrgDetailBand* detail = AddBand<TrgDetailBand>(5000);
    ASSERT_NE(rgBandDesignStrip(detail), nullptr);
    EXPECT_EQ(rgBandDesignStrip(detail)->Parent(), &designer);
    EXPECT_EQ(designer.Messages.back(), (TTestDesigner::Message{1137, 5050, detail}));

    report->RemoveBand(detail);
    EXPECT_EQ(rgBandDesignStrip(detail), nullptr);
    EXPECT_EQ(designer.Messages.back(), (TTestDesigner::Message{1140, 5050, detail}));
    delete detail;

    rgDetachDesigner(report.get());
    EXPECT_EQ(rgBandDesignStrip(header), nullptr);
    EXPECT_EQ(designer.Messages.back(), (TTestDesigner::Message{1140, 5050, header}));
    const size_t count = designer.Messages.size();
    auto* later = AddBand<TrgFooterBand>(5000);
    rgSendDesignMessage(report.get(), rgDesignMsgCaptionChanged, 0, later);
    EXPECT_EQ(rgBandDesignStrip(later), nullptr);
    EXPECT_EQ(designer.Messages.size(), count);
}

TEST_F(DesignTest, AReportThatGoesWhileAttachedTakesItsStripsAndItsDesignerWithIt)
{
    AddBand<TrgDetailBand>(5000);
    rgAttachDesigner(report.get(), &designer);
    EXPECT_EQ(designer.ControlCount(), 1);
    const TrgCustomReport* gone = report.get();
    report.reset();
    EXPECT_EQ(designer.ControlCount(), 0);
    EXPECT_EQ(rgReportDesigner(gone), nullptr);
}

TEST_F(DesignTest, StripIsSizedToTheBandsSpaceAndShowsItsCaption)
{
    TrgGroup* group = AddGroup("Ort");
    TrgDetailBand* detail = AddBand<TrgDetailBand>(10000);
    rgAttachDesigner(report.get(), &designer);
    TrgBandDesignStrip* strip = rgBandDesignStrip(detail);
    // Printable width 80 mm and height 10 mm at 96 pixels per inch.
    EXPECT_EQ(strip->Width(), qRound(80000 * 96 / 25400.0));
    EXPECT_EQ(strip->Height(), qRound(10000 * 96 / 25400.0));
    EXPECT_EQ(strip->DescriptionCaption(), "Detail");
    EXPECT_EQ(rgBandDesignStrip(report->FindBand(bkGroupHeader, 0))->DescriptionCaption(), "1. Group Header: Ort");
    group->SetBreakName("");
    EXPECT_EQ(rgBandDesignStrip(report->FindBand(bkGroupFooter, 0))->DescriptionCaption(),
              "1. Group Footer: No DataField Assigned.");

    // A column band in a report of two columns is as wide as one column.
    report->SetColumns(2);
    report->SetUnits(utMillimeters);
    report->SetColumnWidth(35);
    ASSERT_GT(report->mmColumnWidth(), 0);
    ASSERT_LT(report->mmColumnWidth(), 80000);
    detail->SetmmHeight(20000);
    strip->SetDesignWidth();
    EXPECT_EQ(strip->Width(), qRound(report->mmColumnWidth() * 96 / 25400.0));
    EXPECT_EQ(strip->Height(), qRound(20000 * 96 / 25400.0));
}

TEST_F(DesignTest, DesignListOrdersComponentsByTheirBottomEdge)
{
    TrgDetailBand* detail = AddBand<TrgDetailBand>(20000);
    TrgLabel* low = AddLabel(detail, "tief", 0, 8000, 4000);     // bottom 12000
    TrgLabel* high = AddLabel(detail, "hoch", 0, 0, 3000);       // bottom 3000
    TrgLabel* middle = AddLabel(detail, "mitte", 0, 5000, 4000); // bottom 9000
    rgAttachDesigner(report.get(), &designer);
    TrgBandDesignStrip* strip = rgBandDesignStrip(detail);
    const auto& list = strip->DesignList();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Component, high);
    EXPECT_EQ(list[1].Component, middle);
    EXPECT_EQ(list[2].Component, low);
    EXPECT_EQ(list[0].Key, "    3000");
    EXPECT_EQ(list[2].Key, "   12000");
    EXPECT_EQ(strip->DesignControlCount(), 3);
    TrgDesignControl* control = strip->DesignControlOf(middle);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->Parent(), strip);
    EXPECT_EQ(control->Top(), middle->GetPixelTop());
    EXPECT_EQ(control->Height(), middle->GetPixelHeight());
}

// ---- component menus ---------------------------------------------------------------------

TEST_F(DesignTest, ComponentMenusListTheirItemsInOrder)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(20000);
    const QStringList order{"mniBringToFront", "mniSendToBack", "mniLine1"};
    auto* label = AddLabel(band, "a", 0, 0);
    auto* memo = new TrgMemo(&form);
    auto* shape = new TrgShape(&form);
    auto* line = new TrgLine(&form);
    auto* dbImage = new TrgDBImage(&form);
    auto* image = new TrgImage(&form);
    auto* dbText = new TrgDBText(&form);
    auto* dbCalc = new TrgDBCalc(&form);
    auto* calc = new TrgCalc(&form);
    auto* region = new TrgRegion(&form);
    const QStringList stretchableItems{"mniPosition",        "mniReprintOnOverFlow", "mniShiftWithParent",
                                       "mniShiftRelativeTo", "mniStretch",           "mniTransparent",
                                       "mniVisible"};
    const QStringList dataTextItems{"mniPosition",
                                    "mniDBTextReprintOnOverFlow",
                                    "mniDBTextReprintOnSubsequent",
                                    "mniDBTextShiftWithParent",
                                    "mniDBTextSuppressRepeatedValues",
                                    "mniDBTextTransparent",
                                    "mniDBTextVisible",
                                    "mniDBTextWordWrap"};
    struct Case {
        TrgPrintable* printable;
        QStringList items;
    };
    const Case cases[] = {
        {label,
         order + QStringList{"mniLabelAutoSize", "mniPosition", "mniLabelReprintOnOverFlow", "mniLabelShiftWithParent",
                             "mniLabelTransparent", "mniLabelVisible", "mniLabelWordWrap"}},
        {dbText, order + QStringList{"mniLabelAutoSize", "mniDBTextBlankWhenZero", "mniDBTextFormat"} + dataTextItems},
        {dbCalc, order + QStringList{"mniLabelAutoSize", "mniDBTextBlankWhenZero", "mniDBCalcCalc", "mniDBTextFormat"} +
                     dataTextItems},
        {calc,
         order + QStringList{"mniLabelAutoSize", "mniCalcFormat", "mniPosition", "mniLabelReprintOnOverFlow",
                             "mniLabelShiftWithParent", "mniLabelTransparent", "mniLabelVisible", "mniLabelWordWrap"}},
        {memo, order + stretchableItems},
        {region, order + stretchableItems + QStringList{"mniParentWidth", "mniParentHeight", "mniStretchWithParent"}},
        {shape, order + QStringList{"mniParentHeight", "mniParentWidth", "mniPosition", "mniReprintOnOverFlow",
                                    "mniShapeShiftWithParent", "mniShapeStretchWithParent", "mniShapeVisible"}},
        {line, order + QStringList{"mniLineSingle", "mniLineDouble", "mniLineLine1", "mniParentHeight",
                                   "mniParentWidth", "mniPosition", "mniLineReprintOnOverFlow",
                                   "mniLineShiftWithParent", "mniLineStretchWithParent", "mniLineVisible"}},
        {dbImage, order + QStringList{"mniImageCenter", "mniImageMaintainAspectRatio", "mniPosition",
                                      "mniImageReprintOnOverFlow", "mniImageShiftWithParent", "mniImageStretch",
                                      "mniImageTransparent", "mniImageVisible"}},
        {image, order + QStringList{"mniImageAutoSize", "mniImageCenter", "mniImageMaintainAspectRatio",
                                    "mniImagePicture", "mniPosition", "mniImageReprintOnOverFlow",
                                    "mniImageShiftWithParent", "mniImageStretch", "mniImageTransparent",
                                    "mniImageVisible"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(typeid(*c.printable).name());
        EXPECT_EQ(ItemNames(rgComponentDesignMenu(c.printable)), c.items);
        TPopupMenu menu(nullptr);
        rgBuildComponentPopupMenu(c.printable, &menu);
        EXPECT_EQ(ItemNames(&menu), c.items);
        EXPECT_EQ(Item(&menu, "mniBringToFront")->Caption(), "Bring to Front");
        EXPECT_EQ(Item(&menu, "mniPosition")->Caption(), "Position...");
    }
}

TEST_F(DesignTest, ComponentFlagItemsToggleThroughTheSetterAndShowTheirMark)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(20000);
    auto* label = AddLabel(band, "a", 0, 0);
    auto* memo = new TrgMemo(&form);
    memo->SetBand(band);
    auto* shape = new TrgShape(&form);
    shape->SetBand(band);
    auto* image = new TrgImage(&form);
    image->SetBand(band);
    struct Case {
        TrgPrintable* printable;
        const char* item;
        std::function<bool()> value;
        const char* caption;
    };
    auto* dbText = new TrgDBText(&form);
    dbText->SetBand(band);
    const Case cases[] = {
        {dbText, "mniDBTextBlankWhenZero", [&] { return dbText->BlankWhenZero(); }, "BlankWhenZero"},
        {dbText, "mniDBTextReprintOnSubsequent", [&] { return dbText->ReprintOnSubsequent(); }, "ReprintOnSubsequent"},
        {dbText, "mniDBTextSuppressRepeatedValues", [&] { return dbText->SuppressRepeatedValues(); },
         "SuppressRepeatedValues"},
        {dbText, "mniDBTextWordWrap", [&] { return dbText->WordWrap(); }, "WordWrap"},
        {label, "mniLabelWordWrap", [&] { return label->WordWrap(); }, "WordWrap"},
        {label, "mniLabelTransparent", [&] { return label->Transparent(); }, "Transparent"},
        {label, "mniLabelReprintOnOverFlow", [&] { return label->ReprintOnOverFlow(); }, "ReprintOnOverFlow"},
        {memo, "mniStretch", [&] { return memo->Stretch(); }, "Stretch"},
        {memo, "mniShiftWithParent", [&] { return memo->ShiftWithParent(); }, "ShiftWithParent"},
        {memo, "mniVisible", [&] { return memo->Visible(); }, "Visible"},
        {shape, "mniParentWidth", [&] { return shape->ParentWidth(); }, "ParentWidth"},
        {shape, "mniShapeStretchWithParent", [&] { return shape->StretchWithParent(); }, "StretchWithParent"},
        {image, "mniImageMaintainAspectRatio", [&] { return image->MaintainAspectRatio(); }, "MaintainAspectRatio"},
        {image, "mniImageCenter", [&] { return image->Center(); }, "Center"},
    };
    for (const Case& c : cases) {
        TPopupMenu menu(nullptr);
        rgBuildComponentPopupMenu(c.printable, &menu);
        TMenuItem* item = Item(&menu, c.item);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Caption(), c.caption);
        const bool before = c.value();
        EXPECT_EQ(item->Checked(), before) << c.item;
        item->Click();
        EXPECT_EQ(c.value(), !before) << c.item;
        EXPECT_EQ(item->Checked(), !before) << c.item;
    }
}

TEST_F(DesignTest, OrderItemsMoveTheComponentWithinItsBand)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(20000);
    auto* first = AddLabel(band, "a", 0, 0);
    auto* second = AddLabel(band, "b", 0, 5000);
    TPopupMenu menu(nullptr);
    rgBuildComponentPopupMenu(first, &menu);
    Item(&menu, "mniBringToFront")->Click();
    EXPECT_EQ(band->IndexOfComponent(first), 1);
    Item(&menu, "mniSendToBack")->Click();
    EXPECT_EQ(band->IndexOfComponent(first), 0);
    EXPECT_EQ(band->IndexOfComponent(second), 1);
}

TEST_F(DesignTest, LineStyleItemsSetTheStyleAndCheckTheCurrentOne)
{
    auto* line = new TrgLine(&form);
    line->SetBand(AddBand<TrgDetailBand>(20000));
    TPopupMenu menu(nullptr);
    rgBuildComponentPopupMenu(line, &menu);
    EXPECT_TRUE(Item(&menu, "mniLineSingle")->Checked());
    EXPECT_FALSE(Item(&menu, "mniLineDouble")->Checked());
    EXPECT_EQ(Item(&menu, "mniLineDouble")->Caption(), "Double");
    Item(&menu, "mniLineDouble")->Click();
    EXPECT_EQ(line->Style(), lsDouble);
    EXPECT_FALSE(Item(&menu, "mniLineSingle")->Checked());
    EXPECT_TRUE(Item(&menu, "mniLineDouble")->Checked());
}

TEST_F(DesignTest, FillAndLineCommandsSetBrushAndPenOfRegionsAndGraphics)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(20000);
    auto* region = new TrgRegion(&form);
    region->SetBand(band);
    auto* shape = new TrgShape(&form);
    shape->SetBand(band);
    auto brushOf = [&](TrgPrintable* p) {
        return p == region ? *region->Brush() : shape->Brush();
    };
    auto penOf = [&](TrgPrintable* p) { return p == region ? *region->Pen() : shape->Pen(); };
    for (TrgPrintable* p : std::initializer_list<TrgPrintable*>{region, shape}) {
        EXPECT_TRUE(rgDesignFillCommand(p, clRed, false));
        EXPECT_EQ(brushOf(p).Color, clRed);
        EXPECT_EQ(brushOf(p).Style, bsSolid);
        EXPECT_TRUE(rgDesignFillCommand(p, clGreen, true));
        EXPECT_EQ(brushOf(p).Style, bsClear);
        EXPECT_TRUE(rgDesignFillCommand(p, clGreen, false));
        EXPECT_EQ(brushOf(p).Style, bsSolid);
        EXPECT_EQ(brushOf(p).Color, clGreen);

        EXPECT_TRUE(rgDesignLineCommand(p, clBlue, false));
        EXPECT_EQ(penOf(p).Color, clBlue);
        EXPECT_EQ(penOf(p).Style, psSolid);
        EXPECT_TRUE(rgDesignLineCommand(p, clBlue, true));
        EXPECT_EQ(penOf(p).Style, psClear);
        EXPECT_TRUE(rgDesignLineCommand(p, clMaroon, false));
        EXPECT_EQ(penOf(p).Style, psSolid);

        EXPECT_TRUE(rgDesignLineWidthCommand(p, 3));
        EXPECT_EQ(penOf(p).Width, 3);
    }
    TrgLabel* label = AddLabel(band, "a", 0, 0);
    EXPECT_FALSE(rgDesignFillCommand(label, clRed, false));
    EXPECT_FALSE(rgDesignLineCommand(label, clRed, false));
    EXPECT_FALSE(rgDesignLineWidthCommand(label, 2));
}

TEST_F(DesignTest, ShapesAndLinesOfferTheirChoiceListsInTheReportsLanguage)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(20000);
    auto* shape = new TrgShape(&form);
    shape->SetBand(band);
    auto* line = new TrgLine(&form);
    line->SetBand(band);
    TrgDesignChoices shapes = rgDesignChoices(shape);
    EXPECT_EQ(shapes.Title, "Shape Types");
    EXPECT_EQ(shapes.Entries, (QStringList{"Rectangle", "Square", "Rounded Rectangle", "Rounded Square", "Ellipse",
                                           "Circle"}));
    TrgDesignChoices lines = rgDesignChoices(line);
    EXPECT_EQ(lines.Title, "Line Types");
    EXPECT_EQ(lines.Entries, (QStringList{"Top", "Bottom", "Left", "Right"}));
    EXPECT_TRUE(rgDesignChoices(AddLabel(band, "a", 0, 0)).Title.isEmpty());
    report->SetLanguage(lgGerman);
    EXPECT_EQ(rgDesignChoices(line).Title, "Linienarten");
    EXPECT_EQ(rgDesignChoices(line).Entries.at(0), "Oben");
}

TEST_F(DesignTest, PositionDialogShowsBoundsInUnitsAndAppliesThem)
{
    report->SetUnits(utMillimeters);
    TrgDetailBand* band = AddBand<TrgDetailBand>(30000);
    auto* memo = new TrgMemo(&form);
    memo->SetBand(band);
    memo->SetUnits(utMillimeters);
    memo->SetmmBounds(1000, 2000, 30000, 4000);
    memo->SetmmOverFlowOffset(1500);
    rgRegisterFormClass<TrgCustomPositionDialog, TFakePositionDialog>("TFakePositionDialog");
    TPopupMenu menu(nullptr);
    rgBuildComponentPopupMenu(memo, &menu);
    TPromptScript script;
    script.Modal<TFakePositionDialog>([](TFakePositionDialog& dialog) {
        EXPECT_FLOAT_EQ(dialog.Values.Left, 1);
        EXPECT_FLOAT_EQ(dialog.Values.Top, 2);
        EXPECT_FLOAT_EQ(dialog.Values.Width, 30);
        EXPECT_FLOAT_EQ(dialog.Values.Height, 4);
        EXPECT_TRUE(dialog.Values.HasOffsets);
        EXPECT_FLOAT_EQ(dialog.Values.OverFlowOffset, 1.5f);
        dialog.Values.Left = 5;
        dialog.Values.Width = 20;
        dialog.Values.BottomOffset = 2;
        dialog.Values.ParentHeight = true;
        dialog.ModalResult = mrOk;
    });
    Item(&menu, "mniPosition")->Click();
    EXPECT_EQ(memo->mmLeft(), 5000);
    EXPECT_EQ(memo->mmWidth(), 20000);
    // Following the band's height puts it at the band's top, as tall as the band.
    EXPECT_TRUE(memo->ParentHeight());
    EXPECT_EQ(memo->mmTop(), 0);
    EXPECT_EQ(memo->mmHeight(), band->mmHeight());
    EXPECT_EQ(memo->mmBottomOffset(), 2000);
}

TEST_F(DesignTest, FormatDialogOffersTheSamplesOfTheValuesTypeAndStoresTheFormat)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(30000);
    auto rows = MakeRows(1);
    auto* dbText = new TrgDBText(&form);
    dbText->SetBand(band);
    dbText->SetDataPipeline(rows.get());
    dbText->SetDataField("Name");
    auto* calc = new TrgCalc(&form);
    calc->SetBand(band);
    calc->SetCalcType(ctPageNo);
    rgRegisterFormClass<TrgCustomFormatDialog, TFakeFormatDialog>("TFakeFormatDialog");
    auto samplesOf = [](TrgDataType Type) {
        TStringList list;
        rgGetDisplayFormatSamples(Type, &list);
        QStringList samples;
        for (int i = 0; i < list.Count(); ++i)
            samples << list.Strings(i);
        return samples;
    };
    struct Case {
        TrgCustomText* text;
        const char* item;
        TrgDataType type;
    };
    const Case cases[] = {
        {dbText, "mniDBTextFormat", dtString},
        {calc, "mniCalcFormat", rgCalcTypeDataType(ctPageNo)},
    };
    for (const Case& c : cases) {
        TPopupMenu menu(nullptr);
        rgBuildComponentPopupMenu(c.text, &menu);
        EXPECT_EQ(Item(&menu, c.item)->Caption(), "DisplayFormat...");
        const QStringList expected = samplesOf(c.type);
        TPromptScript script;
        script.Modal<TFakeFormatDialog>([&](TFakeFormatDialog& dialog) {
            EXPECT_EQ(dialog.Samples, expected) << c.item;
            EXPECT_EQ(dialog.DisplayFormat, "");
            dialog.DisplayFormat = "#,0.00";
            dialog.ModalResult = mrOk;
        });
        Item(&menu, c.item)->Click();
        EXPECT_EQ(c.text->DisplayFormat(), "#,0.00") << c.item;
    }
}

TEST_F(DesignTest, CalculationDialogListsTheGroupsAndSetsKindAndResetGroup)
{
    TrgGroup* outer = AddGroup("Land");
    TrgGroup* inner = AddGroup("Ort");
    TrgDetailBand* band = AddBand<TrgDetailBand>(30000);
    auto* calc = new TrgDBCalc(&form);
    calc->SetBand(band);
    calc->ResetGroup = outer;
    rgRegisterFormClass<TrgCustomDBCalcDialog, TFakeDBCalcDialog>("TFakeDBCalcDialog");
    TPopupMenu menu(nullptr);
    rgBuildComponentPopupMenu(calc, &menu);
    EXPECT_EQ(Item(&menu, "mniDBCalcCalc")->Caption(), "Calculations...");
    TPromptScript script;
    script.Modal<TFakeDBCalcDialog>([&](TFakeDBCalcDialog& dialog) {
        EXPECT_EQ(dialog.Groups, (QStringList{outer->GetDescription(), inner->GetDescription()}));
        EXPECT_EQ(dialog.GroupIndex, 0);
        EXPECT_EQ(dialog.CalcType, calc->DBCalcType());
        dialog.GroupIndex = 1;
        dialog.CalcType = dcAverage;
        dialog.ModalResult = mrOk;
    });
    Item(&menu, "mniDBCalcCalc")->Click();
    EXPECT_EQ(calc->DBCalcType(), dcAverage);
    EXPECT_EQ(calc->ResetGroup, inner);
}

TEST_F(DesignTest, ShiftDialogOffersNoneFirstPreselectsTheTargetAndStoresTheChoice)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(30000);
    auto makeMemo = [&](const QString& name, int top) {
        auto* memo = new TrgMemo(&form);
        memo->Name = name;
        memo->SetBand(band);
        memo->SetmmBounds(0, top, 20000, 3000);
        return memo;
    };
    TrgMemo* head = makeMemo("Kopf", 0);
    TrgMemo* tail = makeMemo("Rest", 5000);
    rgRegisterFormClass<TrgCustomShiftDialog, TFakeShiftDialog>("TFakeShiftDialog");
    TPopupMenu menu(nullptr);
    rgBuildComponentPopupMenu(tail, &menu);
    EXPECT_FALSE(Item(&menu, "mniShiftRelativeTo")->Checked());
    {
        TPromptScript script;
        script.Modal<TFakeShiftDialog>([](TFakeShiftDialog& dialog) {
            ASSERT_GE(dialog.Names.size(), 2);
            EXPECT_EQ(dialog.Names.at(0), "<None>");
            EXPECT_TRUE(dialog.Names.contains("Kopf"));
            EXPECT_FALSE(dialog.Names.contains("Rest"));
            EXPECT_EQ(dialog.ItemIndex, 0);
            dialog.ItemIndex = int(dialog.Names.indexOf("Kopf"));
            dialog.ModalResult = mrOk;
        });
        Item(&menu, "mniShiftRelativeTo")->Click();
    }
    EXPECT_EQ(tail->ShiftRelativeToTarget(), head);
    EXPECT_TRUE(Item(&menu, "mniShiftRelativeTo")->Checked());
    {
        TPromptScript script;
        script.Modal<TFakeShiftDialog>([](TFakeShiftDialog& dialog) {
            EXPECT_EQ(dialog.Names.at(dialog.ItemIndex), "Kopf");
            dialog.ItemIndex = 0;
            dialog.ModalResult = mrOk;
        });
        Item(&menu, "mniShiftRelativeTo")->Click();
    }
    EXPECT_EQ(tail->ShiftRelativeToTarget(), nullptr);
}

TEST_F(DesignTest, SubreportMenuFollowsThePrintBehavior)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(30000);
    auto* sub = new TrgSubReport(&form);
    sub->SetBand(band);
    TPopupMenu menu(nullptr);
    rgBuildComponentPopupMenu(sub, &menu);
    QStringList names;
    for (int i = 0; i < menu.Items()->Count(); ++i)
        names << menu.Items()->Items(i)->Name;
    EXPECT_EQ(names, (QStringList{"mniBringToFront", "mniSendToBack", "mniLine1", "mniChild", "mniSection", "mniFixed",
                                  "mniLine2", "mniDrillDown", "mniNewPrintJob", "mniParentPrinterSetup",
                                  "mniParentWidth", "mniPosition", "mniResetPageNo", "mniShiftRelativeTo",
                                  "mniMemoVisible"}));
    EXPECT_EQ(Item(&menu, "mniDrillDown")->Caption(), "Drill Down...");
    EXPECT_EQ(Item(&menu, "mniSection")->Caption(), "Section");
    EXPECT_EQ(Item(&menu, "mniResetPageNo")->Caption(), "ResetPageNo");

    // Which items a kind enables, and the kind's check mark.
    struct Case {
        const char* item;
        TrgPrintBehaviorType behavior;
        QStringList enabled, disabled;
    };
    const Case cases[] = {
        {"mniSection", pbSection, {"mniNewPrintJob", "mniParentPrinterSetup", "mniResetPageNo"},
         {"mniDrillDown", "mniParentWidth", "mniShiftRelativeTo"}},
        {"mniChild", pbChild, {"mniDrillDown", "mniParentWidth", "mniShiftRelativeTo"},
         {"mniNewPrintJob", "mniParentPrinterSetup", "mniResetPageNo"}},
        {"mniFixed", pbFixed, {"mniDrillDown", "mniParentWidth"}, {"mniNewPrintJob", "mniResetPageNo"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        Item(&menu, c.item)->Click();
        EXPECT_EQ(sub->PrintBehavior(), c.behavior);
        for (const char* kind : {"mniChild", "mniSection", "mniFixed"})
            EXPECT_EQ(Item(&menu, kind)->Checked(), QString(kind) == c.item) << kind;
        for (const QString& name : c.enabled)
            EXPECT_TRUE(Item(&menu, name)->Enabled()) << name.toStdString();
        for (const QString& name : c.disabled)
            EXPECT_FALSE(Item(&menu, name)->Enabled()) << name.toStdString();
    }
    // The toggles go through the setters; leaving the section for pbFixed
    // cleared ResetPageNo.
    Item(&menu, "mniSection")->Click();
    EXPECT_FALSE(sub->ResetPageNo());
    Item(&menu, "mniResetPageNo")->Click();
    EXPECT_TRUE(sub->ResetPageNo());
    EXPECT_TRUE(Item(&menu, "mniResetPageNo")->Checked());
    EXPECT_TRUE(Item(&menu, "mniParentPrinterSetup")->Checked());
    Item(&menu, "mniParentPrinterSetup")->Click();
    EXPECT_FALSE(sub->ParentPrinterSetup());
    Item(&menu, "mniNewPrintJob")->Click();
    EXPECT_TRUE(sub->NewPrintJob());
    EXPECT_TRUE(Item(&menu, "mniNewPrintJob")->Checked());
}

TEST_F(DesignTest, DrillDownDialogOffersTheBandsComponentsAndStoresTheChoice)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(30000);
    TrgLabel* name = AddLabel(band, "Name", 0, 0);
    name->Name = "lblName";
    auto* sub = new TrgSubReport(&form);
    sub->Name = "subKinder";
    sub->SetBand(band);
    rgRegisterFormClass<TrgCustomDrillDownDialog, TFakeDrillDownDialog>("TFakeDrillDownDialog");
    TPopupMenu menu(nullptr);
    rgBuildComponentPopupMenu(sub, &menu);
    EXPECT_FALSE(Item(&menu, "mniDrillDown")->Checked());
    {
        TPromptScript script;
        script.Modal<TFakeDrillDownDialog>([](TFakeDrillDownDialog& dialog) {
            EXPECT_EQ(dialog.Names.value(0), "<None>");
            EXPECT_TRUE(dialog.Names.contains("lblName"));
            EXPECT_EQ(dialog.ItemIndex, 0);
            dialog.ItemIndex = int(dialog.Names.indexOf("lblName"));
            dialog.ModalResult = mrOk;
        });
        Item(&menu, "mniDrillDown")->Click();
    }
    EXPECT_EQ(sub->DrillDownComponent(), name);
    EXPECT_TRUE(Item(&menu, "mniDrillDown")->Checked());
    {
        TPromptScript script;
        script.Modal<TFakeDrillDownDialog>([](TFakeDrillDownDialog& dialog) {
            EXPECT_EQ(dialog.Names.value(dialog.ItemIndex), "lblName");
            dialog.ItemIndex = 0;
            dialog.ModalResult = mrOk;
        });
        Item(&menu, "mniDrillDown")->Click();
    }
    EXPECT_EQ(sub->DrillDownComponent(), nullptr);
}

TEST_F(DesignTest, ASubreportsNewCaptionIsToldToAnAttachedDesigner)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(30000);
    auto* sub = new TrgSubReport(&form);
    sub->SetBand(band);
    sub->SetCaption("ohne Designer");
    rgAttachDesigner(report.get(), &designer);
    designer.Messages.clear();
    sub->SetCaption("Kinder");
    EXPECT_EQ(sub->Caption(), "Kinder");
    ASSERT_EQ(designer.Messages.size(), 1u);
    EXPECT_EQ(designer.Messages[0].Number, rgDesignMsgCaptionChanged);
    EXPECT_EQ(designer.Messages[0].Param, static_cast<TObject*>(sub));
}

TEST_F(DesignTest, PictureDialogAssignsThePictureOnlyToAnImageInAReportsBand)
{
    rgRegisterFormClass<TrgCustomPictureDialog, TFakePictureDialog>("TFakePictureDialog");
    auto* loose = new TrgImage(&form);
    EXPECT_FALSE(rgEditImagePicture(loose));  // no band: no dialog (the script would fail on one)

    auto* image = new TrgImage(&form);
    image->SetBand(AddBand<TrgDetailBand>(30000));
    TPopupMenu menu(nullptr);
    rgBuildComponentPopupMenu(image, &menu);
    TPromptScript script;
    script.Modal<TFakePictureDialog>([](TFakePictureDialog& dialog) {
        EXPECT_EQ(dialog.Picture.Width(), 0);
        QImage red(12, 7, QImage::Format_RGB32);
        red.fill(Qt::red);
        TBitmap bitmap;
        bitmap.SetImage(red);
        dialog.Picture.SetGraphic(&bitmap);
        dialog.ModalResult = mrOk;
    });
    Item(&menu, "mniImagePicture")->Click();
    EXPECT_EQ(image->Picture()->Width(), 12);
    EXPECT_EQ(image->Picture()->Height(), 7);
}

// ---- design controls and handles ------------------------------------------------------------

TEST_F(DesignTest, DesignControlFollowsThePrintableAndItsParentFlags)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(20000);
    auto* shape = new TrgShape(&form);
    shape->SetBand(band);
    shape->SetPixelBounds(10, 12, 40, 30);
    shape->SetParentHeight(true);
    TrgDesignControl control(shape, &designer);
    EXPECT_EQ(control.Left(), shape->GetPixelLeft());
    EXPECT_EQ(control.Top(), shape->GetPixelTop());
    EXPECT_EQ(control.Width(), shape->GetPixelWidth());
    EXPECT_TRUE(control.Anchors().Contains(akBottom));
    EXPECT_FALSE(control.Anchors().Contains(akRight));
    EXPECT_EQ(control.PopupMenu(), control.Menu());
    EXPECT_EQ(ItemNames(control.Menu()), ItemNames(rgComponentDesignMenu(shape)));
    EXPECT_TRUE(control.Frame()->Visible());

    // A menu action shows at once: following the band's width anchors the
    // control right and widens it to the band.
    Item(control.Menu(), "mniParentWidth")->Click();
    EXPECT_TRUE(control.Anchors().Contains(akRight));
    EXPECT_EQ(control.Width(), shape->GetPixelWidth());
    EXPECT_EQ(control.Left(), 0);
    Item(control.Menu(), "mniParentWidth")->Click();

    shape->SetmmLeft(shape->mmLeft() + 10000);
    control.Selection()->UpdateBounds();
    EXPECT_EQ(control.Left(), shape->GetPixelLeft());
    delete shape;
    EXPECT_EQ(control.Printable(), nullptr);
    EXPECT_FALSE(control.Visible());
}

TEST_F(DesignTest, AChangeMadeElsewhereReachesTheDesignControl)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(20000);
    TrgLabel* label = AddLabel(band, "Titel", 0, 0, 3000);
    TrgDesignControl control(label, &designer);
    const int before = control.Height();
    // A larger font makes the label taller (it sizes its height to the text);
    // the font change notifies the designer.
    TFont font;
    font.Assign(label->Font());
    font.SetSize(30);
    label->SetFont(&font);
    ASSERT_NE(label->GetPixelHeight(), before);
    EXPECT_EQ(control.Height(), label->GetPixelHeight());
}

TEST_F(DesignTest, SizingHandlesSurroundTheControlWithTheirCursors)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(20000);
    auto* shape = new TrgShape(&form);
    shape->SetBand(band);
    TrgDesignControl control(shape, &designer);
    control.SetBounds(10, 20, 41, 31);
    control.Selection()->SetSelected(true);
    TrgSizingHandles* handles = control.Selection()->SizingHandles();
    ASSERT_NE(handles, nullptr);
    EXPECT_EQ(control.Selection()->SelectionHandles(), nullptr);
    EXPECT_FALSE(control.Frame()->Visible());
    struct Expected {
        int left, top;
        TCursor cursor;
    };
    // Anchors: corners, edge centres (41 / 2 = 20, 31 / 2 = 15); 2 pixels up and left.
    const Expected expected[] = {
        {8, 18, crSizeNWSE},  {28, 18, crSizeNS},   {49, 18, crSizeNESW}, {8, 33, crSizeWE},
        {49, 33, crSizeWE},   {8, 49, crSizeNESW},  {28, 49, crSizeNS},   {49, 49, crSizeNWSE},
    };
    for (int i = 0; i < TrgSizingHandles::Count; ++i) {
        TShape* handle = handles->Handle(i);
        EXPECT_EQ(handle->Left(), expected[i].left) << i;
        EXPECT_EQ(handle->Top(), expected[i].top) << i;
        EXPECT_EQ(handle->Cursor(), expected[i].cursor) << i;
        EXPECT_TRUE(handle->Visible()) << i;
        EXPECT_EQ(handle->Parent(), &designer);
    }
    control.Selection()->SetSelected(false);
    EXPECT_EQ(control.Selection()->SizingHandles(), nullptr);
    EXPECT_TRUE(control.Frame()->Visible());
}

TEST_F(DesignTest, AControlSizedByItsContentGetsSelectionHandlesOnly)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(20000);
    TrgLabel* label = AddLabel(band, "Titel", 0, 0);
    label->SetAutoSize(true);
    TrgDesignControl control(label, &designer);
    control.Selection()->SetSelected(true);
    EXPECT_EQ(control.Selection()->SizingHandles(), nullptr);
    ASSERT_NE(control.Selection()->SelectionHandles(), nullptr);
    EXPECT_EQ(control.Selection()->SelectionHandles()->Handle(3)->Left(), control.Left() + control.Width() - 2);
    EXPECT_TRUE(control.Selection()->Selected());
}

TEST_F(DesignTest, ChoosingAFieldInTheDesignerSizesADataTextToTheFieldsWidth)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(30000);
    auto rows = MakeRows(1);  // display width 10 characters
    rows->Open();
    auto makeText = [&] {
        auto* text = new TrgDBText(&form);
        text->SetBand(band);
        text->SetDataPipeline(rows.get());
        text->SetAutoSize(false);
        text->SetPixelBounds(0, 0, 20, 15);
        return text;
    };
    TrgDBText* designed = makeText();
    TrgDesignControl control(designed, &designer);
    rgSetDesignDataField(designed, "Name");
    const int zero = QFontMetrics(designed->Font()->ToQFont()).horizontalAdvance(QLatin1Char('0'));
    EXPECT_NEAR(designed->GetPixelWidth(), 10 * zero, 1);
    EXPECT_EQ(control.Width(), designed->GetPixelWidth());
    EXPECT_EQ(designed->DataField(), "Name");

    TrgDBText* withoutControl = makeText();
    rgSetDesignDataField(withoutControl, "Name");
    EXPECT_EQ(withoutControl->GetPixelWidth(), 20);

    TrgDBText* autoSized = makeText();
    TrgDesignControl autoControl(autoSized, &designer);
    autoSized->SetAutoSize(true);
    const int before = autoSized->mmWidth();
    rgSetDesignDataField(autoSized, "Name");
    EXPECT_EQ(autoSized->DataField(), "Name");
    EXPECT_NE(autoSized->GetPixelWidth(), 10 * zero);
    EXPECT_EQ(autoSized->mmWidth(), before);
}

TEST_F(DesignTest, RenamingAStretchableCarriesACaptionThatWasItsName)
{
    TrgDetailBand* band = AddBand<TrgDetailBand>(30000);
    auto* memo = new TrgMemo(&form);
    memo->SetBand(band);
    memo->Name = "Memo1";
    memo->SetCaption("Memo1");
    auto* other = new TrgMemo(&form);
    other->Name = "Memo2";
    other->SetCaption("Bemerkung");
    TrgLabel* label = AddLabel(band, "Label1", 0, 0);
    label->Name = "Label1";
    rgRenameDesignComponent(memo, "Notiz");
    rgRenameDesignComponent(other, "Notiz2");
    rgRenameDesignComponent(label, "Titel");
    EXPECT_EQ(memo->Name, "Notiz");
    EXPECT_EQ(memo->Caption(), "Notiz");
    EXPECT_EQ(other->Caption(), "Bemerkung");
    EXPECT_EQ(label->Name, "Titel");
    EXPECT_EQ(label->Caption(), "Label1");
}

// ---- pictures ---------------------------------------------------------------------------------

TEST_F(DesignTest, StripAndMenuScreenshotsShowCaptionsAndComponents)
{
    report->SetLanguage(lgGerman);
    TrgDetailBand* detail = AddBand<TrgDetailBand>(15000);
    auto* region = new TrgRegion(&form);
    region->SetBand(detail);
    region->SetmmBounds(1000, 1000, 35000, 8000);
    rgDesignFillCommand(region, clSilver, false);
    rgDesignLineCommand(region, clGreen, false);
    TrgLabel* label = AddLabel(detail, "Bildtitel", 2000, 2000, 5000);
    label->SetColor(clYellow);
    auto* shape = new TrgShape(&form);
    shape->SetBand(detail);
    shape->SetmmBounds(40000, 1000, 15000, 10000);
    shape->SetShape(stEllipse);
    TBrush brush;
    brush.Color = clBlue;
    shape->SetBrush(brush);
    designer.Handle()->resize(400, 300);
    designer.Handle()->show();
    rgAttachDesigner(report.get(), &designer);
    TrgBandDesignStrip* strip = rgBandDesignStrip(detail);
    strip->DesignControlOf(shape)->Selection()->SetSelected(true);

    const QImage stripPicture = Screenshot(strip->Handle(), "design_band_strip");
    ASSERT_FALSE(stripPicture.isNull());
    const QPoint labelInside(label->GetPixelLeft() + 2, label->GetPixelTop() + label->GetPixelHeight() - 2);
    EXPECT_EQ(stripPicture.pixelColor(labelInside), QColor(Qt::yellow));
    const QPoint shapeCentre(shape->GetPixelLeft() + shape->GetPixelWidth() / 2,
                             shape->GetPixelTop() + shape->GetPixelHeight() / 2);
    EXPECT_EQ(stripPicture.pixelColor(shapeCentre), QColor(Qt::blue));
    // The region stands behind the label, filled in its brush colour.
    const QPoint regionInside(region->GetPixelLeft() + 2, region->GetPixelTop() + region->GetPixelHeight() - 3);
    EXPECT_EQ(stripPicture.pixelColor(regionInside), ColorToQColor(clSilver));

    TPopupMenu* menu = strip->DesignControlOf(label)->Menu();
    menu->Items()->Populate(menu->Menu());
    menu->Menu()->adjustSize();
    const QImage menuPicture = Screenshot(menu->Menu(), "design_label_menu");
    EXPECT_GT(menuPicture.height(), 100);
    EXPECT_EQ(Item(menu, "mniLabelWordWrap")->Caption(), rgLoadString(rgGermanBase + 248));
}

// ---- bar codes at design time -------------------------------------------------------------

// A bar code dialog that records what it was shown and answers with the
// values set on it beforehand.
class TFakeBarCodeDialog : public TrgCustomBarCodeDialog {
public:
    using TrgCustomBarCodeDialog::TrgCustomBarCodeDialog;
    struct Values {
        TrgLanguageType language;
        TrgBarCodeType type;
        TrgBarCodeOrientation orientation;
        float barWidth, wideBarRatio;
        QString addOn;
        bool bearerBars, checkDigit;
    };
    static inline std::vector<Values> Shown;
    static inline std::optional<Values> Answer;
    Values Current() const
    {
        return {Language, BarCodeType, Orientation, BarWidth, WideBarRatio, AddOnCode, BearerBars, CalcCheckDigit};
    }
    void Activate() override
    {
        Shown.push_back(Current());
        if (Answer) {
            Language = Answer->language;
            BarCodeType = Answer->type;
            Orientation = Answer->orientation;
            BarWidth = Answer->barWidth;
            WideBarRatio = Answer->wideBarRatio;
            AddOnCode = Answer->addOn;
            BearerBars = Answer->bearerBars;
            CalcCheckDigit = Answer->checkDigit;
        }
        TrgCustomBarCodeDialog::Activate();
    }
};

class BarCodeDesignTest : public DesignTest {
protected:
    void SetUp() override
    {
        DesignTest::SetUp();
        report->SetUnits(utInches);
        band = AddBand<TrgDetailBand>(30000);
        barCode = new TrgBarCode(&form);
        barCode->Name = "Strichcode";
        barCode->SetBand(band);
        barCode->SetmmBounds(2000, 2000, barCode->mmWidth(), barCode->mmHeight());
        TFakeBarCodeDialog::Shown.clear();
        TFakeBarCodeDialog::Answer.reset();
    }
    TrgDetailBand* band = nullptr;
    TrgBarCode* barCode = nullptr;
};

TEST_F(BarCodeDesignTest, MenuListsItsItemsInOrderWithMarksThatFollowAndToggleTheProperties)
{
    TPopupMenu menu(nullptr);
    rgBuildComponentPopupMenu(barCode, &menu);
    EXPECT_EQ(ItemNames(&menu), (QStringList{"mniBringToFront", "mniSendToBack", "mniLine1", "mniAutoSize",
                                             "mniAutoSizeFont", "mniConfigure", "mniPosition",
                                             "mniPrintHumanReadable", "mniReprintOnOverFlow", "mniShiftWithParent",
                                             "mniTransparent", "mniVisible"}));
    EXPECT_EQ(Item(&menu, "mniConfigure")->Caption(), "Configure...");
    EXPECT_EQ(Item(&menu, "mniAutoSizeFont")->Caption(), "AutoSizeFont");
    EXPECT_EQ(Item(&menu, "mniPrintHumanReadable")->Caption(), "PrintHumanReadable");
    EXPECT_EQ(Item(&menu, "mniLine1")->Caption(), "-");

    struct Toggle {
        const char* item;
        std::function<bool()> value;
    };
    const Toggle toggles[] = {
        {"mniAutoSize", [&] { return barCode->AutoSize(); }},
        {"mniAutoSizeFont", [&] { return barCode->AutoSizeFont(); }},
        {"mniPrintHumanReadable", [&] { return barCode->PrintHumanReadable(); }},
        {"mniReprintOnOverFlow", [&] { return barCode->ReprintOnOverFlow(); }},
        {"mniShiftWithParent", [&] { return barCode->ShiftWithParent(); }},
        {"mniTransparent", [&] { return barCode->Transparent(); }},
        {"mniVisible", [&] { return barCode->Visible(); }},
    };
    for (const Toggle& t : toggles)
        ExpectClicksToggle(Item(&menu, t.item), t.value, t.item);
    // Marks follow a change made elsewhere when the menu drops.
    barCode->SetPrintHumanReadable(false);
    menu.OnPopup(&menu);
    EXPECT_FALSE(Item(&menu, "mniPrintHumanReadable")->Checked());
    // A refused toggle keeps its mark: a Postnet bar code stays AutoSize.
    barCode->SetBarCodeType(bcPostnet);
    TPromptScript script;
    script.Answer(mrOk, "PostNet barcodes must have AutoSize = True");
    Item(&menu, "mniAutoSize")->Click();
    EXPECT_TRUE(barCode->AutoSize());
    EXPECT_TRUE(Item(&menu, "mniAutoSize")->Checked());
}

TEST_F(BarCodeDesignTest, ConfigureShowsTheEightValuesAndAppliesTheAnswerTypeFirst)
{
    rgRegisterFormClass<TrgCustomBarCodeDialog, TFakeBarCodeDialog>("TFakeBarCodeDialog");
    report->SetLanguage(lgGerman);
    barCode->SetWideBarRatio(2.5f);
    TPopupMenu menu(nullptr);
    rgBuildComponentPopupMenu(barCode, &menu);

    // The answer: Interleaved 2 of 5 with bearer bars and a bar width of
    // 0.02 inch. The type's own module width (0.015 inch) comes with the type
    // and is then replaced, and bearer bars are allowed only because the
    // type is applied before them.
    TFakeBarCodeDialog::Answer =
        TFakeBarCodeDialog::Values{lgGerman, bcInt2of5, orTopToBottom, 0.02f, 2.25f, QString(), true, false};
    TPromptScript script;
    script.Modal([](TCustomForm& Form) { Form.ModalResult = mrOk; });
    Item(&menu, "mniConfigure")->Click();

    ASSERT_EQ(TFakeBarCodeDialog::Shown.size(), 1u);
    const TFakeBarCodeDialog::Values& shown = TFakeBarCodeDialog::Shown[0];
    EXPECT_EQ(shown.language, lgGerman);
    EXPECT_EQ(shown.type, bcCode39);
    EXPECT_EQ(shown.orientation, orLeftToRight);
    EXPECT_NEAR(shown.barWidth, 0.01f, 1e-4);
    EXPECT_FLOAT_EQ(shown.wideBarRatio, 2.5f);
    EXPECT_EQ(shown.addOn, "");
    EXPECT_FALSE(shown.bearerBars);
    EXPECT_TRUE(shown.checkDigit);

    EXPECT_EQ(barCode->BarCodeType(), bcInt2of5);
    EXPECT_EQ(barCode->Data(), "0123456789") << "the new type's sample";
    EXPECT_EQ(barCode->Orientation(), orTopToBottom);
    EXPECT_EQ(barCode->mmBarWidth(), 508);
    EXPECT_FLOAT_EQ(barCode->WideBarRatio(), 2.25f);
    EXPECT_TRUE(barCode->BearerBars());
    EXPECT_FALSE(barCode->CalcCheckDigit());

    // An add-on needs UPC-A or EAN-13, which the same answer brings first.
    TFakeBarCodeDialog::Answer =
        TFakeBarCodeDialog::Values{lgGerman, bcEAN_13, orLeftToRight, 0.013f, 3.0f, "12", false, true};
    script.Modal([](TCustomForm& Form) { Form.ModalResult = mrOk; });
    EXPECT_TRUE(rgEditBarCode(barCode));
    EXPECT_EQ(barCode->BarCodeType(), bcEAN_13);
    EXPECT_EQ(barCode->AddOnCode(), "12");
    EXPECT_FALSE(barCode->BearerBars());

    // Cancel changes nothing.
    TFakeBarCodeDialog::Answer =
        TFakeBarCodeDialog::Values{lgGerman, bcCode128, orLeftToRight, 0.05f, 3.0f, QString(), false, true};
    script.Modal([](TCustomForm& Form) { Form.ModalResult = mrCancel; });
    EXPECT_FALSE(rgEditBarCode(barCode));
    EXPECT_EQ(barCode->BarCodeType(), bcEAN_13);
    EXPECT_EQ(barCode->AddOnCode(), "12");

    // Without a registered dialog the item does nothing.
    rgClearFormClasses();
    EXPECT_FALSE(rgEditBarCode(barCode));
}

TEST_F(BarCodeDesignTest, TheEnginesOwnDialogShowsTheValuesAndGivesBackWhatTheUserTyped)
{
    rgRegisterEngineForms();
    report->SetLanguage(lgGerman);
    TPromptScript script;
    script.Modal<TrgBarCodeDialog>([](TrgBarCodeDialog& Dialog) {
        EXPECT_EQ(Dialog.Caption(), rgLoadString(rgGermanBase + 444));
        EXPECT_EQ(Dialog.lblBarWidth->Caption(), rgLoadString(rgGermanBase + 446));
        EXPECT_EQ(Dialog.cbxType->Text(), "Code 39");
        EXPECT_EQ(Dialog.cbxOrientation->Text(), "Von links nach rechts");
        EXPECT_EQ(Dialog.edtBarWidth->Text(), "0,01") << "the program's number format";
        EXPECT_EQ(Dialog.edtWideBarRatio->Text(), "3");
        EXPECT_TRUE(Dialog.chkCalcCheckDigit->Checked());
        EXPECT_FALSE(Dialog.chkBearerBars->Checked());
        const QString shots = QCoreApplication::applicationDirPath() + "/screenshots";
        QDir().mkpath(shots);
        EXPECT_TRUE(Dialog.Handle()->grab().save(shots + "/rg_barcode_dialog.png"));

        Dialog.cbxType->SetItemIndex(int(bcCode128));
        Dialog.cbxOrientation->SetItemIndex(int(orBottomToTop));
        Dialog.edtBarWidth->SetText("0,02");
        Dialog.edtWideBarRatio->SetText("kein Wert");
        Dialog.btnOK->Click();
    });
    ASSERT_TRUE(rgEditBarCode(barCode));
    EXPECT_EQ(barCode->BarCodeType(), bcCode128);
    EXPECT_EQ(barCode->Orientation(), orBottomToTop);
    EXPECT_EQ(barCode->mmBarWidth(), 508);
    EXPECT_FLOAT_EQ(barCode->WideBarRatio(), 3.0f) << "a value that does not read keeps the old one";
}

TEST_F(BarCodeDesignTest, TheDesignControlShowsTheSymbolAsThePreviewDoes)
{
    if (const QString missing = rgtest::MissingScanTool(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString() << " is not installed";
    // Wide modules, so that a screen picture at 96 pixels per inch scans.
    barCode->SetData("LUMA 42");
    barCode->SetBarWidth(0.04f);
    barCode->SetColor(clWhite);
    designer.Handle()->resize(1100, 300);
    designer.Handle()->show();
    rgAttachDesigner(report.get(), &designer);
    TrgBandDesignStrip* strip = rgBandDesignStrip(band);
    ASSERT_NE(strip, nullptr);
    TrgDesignControl* control = strip->DesignControlOf(barCode);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->Width(), barCode->GetPixelWidth());
    const QImage picture = Screenshot(control->Handle(), "design_barcode");
    const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    EXPECT_EQ(rgtest::ScanImages({dir + "/design_barcode.png"}), QStringList{"CODE-39:LUMA 42"});
    // Below the bars runs the human-readable line on the white background.
    EXPECT_EQ(picture.pixelColor(1, picture.height() - 1), QColor(Qt::white));
    // Back to the usual module width: the control follows the change.
    barCode->SetBarWidth(0.01f);
    EXPECT_EQ(control->Width(), barCode->GetPixelWidth());
    EXPECT_LT(control->Width(), picture.width() / 2);
    Screenshot(strip->Handle(), "design_barcode_strip");
}

// ---- the template dialog --------------------------------------------------------------------

TEST_F(DesignTest, TemplateDialogIsTheRegisteredFormWithItsComponents)
{
    rgRegisterEngineForms();
    std::unique_ptr<TrgCustomTemplateDialog> dialog(rgCreateForm<TrgCustomTemplateDialog>(nullptr));
    ASSERT_NE(dialog, nullptr);
    auto* form = dynamic_cast<TrgTemplateDialog*>(dialog.get());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(rgGetFormClass("TrgCustomTemplateDialog")->ClassName, "TrgTemplateDialog");
    EXPECT_EQ(form->Caption(), "Open");
    EXPECT_EQ(form->BorderStyle(), bsDialog);
    EXPECT_EQ((std::pair{form->ClientWidth(), form->ClientHeight()}), (std::pair{419, 265}));
    QStringList names;
    for (int i = 0; i < form->ComponentCount(); ++i)
        names << form->Components(i)->Name;
    EXPECT_EQ(names, (QStringList{"hdrList", "lbxTemplates", "btnCancel", "btnOK", "edtTemplateName",
                                  "lblTemplateName"}));
    EXPECT_EQ(form->hdrList->Sections(), (QStringList{"Name", "Description"}));
    EXPECT_EQ(form->hdrList->BoundsRect(), (TRect{6, 5, 412, 23}));
    EXPECT_EQ(form->lbxTemplates->BoundsRect(), (TRect{6, 22, 412, 189}));
    EXPECT_TRUE(form->lbxTemplates->Sorted());
    EXPECT_EQ(form->btnCancel->ModalResult, mrCancel);
    EXPECT_TRUE(form->btnCancel->Cancel);
    EXPECT_EQ((std::pair{form->btnCancel->Left(), form->btnCancel->Top()}), (std::pair{337, 233}));
    EXPECT_EQ(form->btnOK->ModalResult, mrOk);
    EXPECT_TRUE(form->btnOK->Default());
    EXPECT_EQ(form->btnOK->Caption(), "&Open");
    EXPECT_EQ((std::pair{form->btnOK->Left(), form->btnOK->Top()}), (std::pair{338, 203}));
    EXPECT_EQ((std::pair{form->edtTemplateName->Left(), form->edtTemplateName->Width()}), (std::pair{91, 222}));
    EXPECT_EQ(form->lblTemplateName->Caption(), "Template Name");

    // The names come back sorted, as a copy.
    TStringList names2;
    for (const char* name : {"Urlaub", "Alben", "Monatsliste"})
        names2.Add(QString::fromLatin1(name));
    dialog->SetTemplateNames(names2);
    names2.Clear();
    const TStringList listed = dialog->GetTemplateNames();
    EXPECT_EQ(listed.ToQStringList(), (QStringList{"Alben", "Monatsliste", "Urlaub"}));

    // A click without a selection leaves the name; with one it takes the entry.
    form->edtTemplateName->SetText("Vorlage");
    form->lbxTemplates->SetItemIndex(-1);
    form->lbxTemplates->Click();
    EXPECT_EQ(dialog->GetTemplateName(), "Vorlage");
    form->lbxTemplates->SetItemIndex(1);
    form->lbxTemplates->Click();
    EXPECT_EQ(dialog->GetTemplateName(), "Monatsliste");
}

TEST_F(DesignTest, TemplateDialogCaptionsFollowItsModeAndADoubleClickOpensTheEntry)
{
    rgRegisterEngineForms();
    struct Case {
        TrgLanguageType language;
        uint8_t mode;
        const char *caption, *ok, *cancel;
    };
    const Case cases[] = {
        {lgEnglish, TrgCustomTemplateDialog::ModeOpen, "Open", "&Open...", "Cancel"},
        {lgEnglish, TrgCustomTemplateDialog::ModeSave, "Save Monatsliste Page", "&Save", "Cancel"},
        {lgGerman, TrgCustomTemplateDialog::ModeOpen, "Öffnen", "Ö&ffnen...", "Abbrechen"},
        {lgGerman, TrgCustomTemplateDialog::ModeSave, "Speichern Monatsliste Seite", "&Speichern", "Abbrechen"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        std::unique_ptr<TrgCustomTemplateDialog> dialog(rgCreateForm<TrgCustomTemplateDialog>(nullptr));
        auto* form = dynamic_cast<TrgTemplateDialog*>(dialog.get());
        ASSERT_NE(form, nullptr);
        dialog->SetLanguageIndex(rgLanguageResourceBase(c.language));
        dialog->Mode = c.mode;
        TStringList names;
        for (const char* name : {"Urlaub", "Alben", "Monatsliste"})
            names.Add(QString::fromLatin1(name));
        dialog->SetTemplateNames(names);
        form->edtTemplateName->SetText("Monatsliste");
        TPromptScript script;
        script.Modal<TrgTemplateDialog>([&](TrgTemplateDialog& Form) {
            EXPECT_EQ(Form.Caption(), QString::fromUtf8(c.caption));
            EXPECT_EQ(Form.btnOK->Caption(), QString::fromUtf8(c.ok));
            EXPECT_EQ(Form.btnCancel->Caption(), QString::fromUtf8(c.cancel));
            EXPECT_EQ(Form.ActiveControl(), Form.edtTemplateName);
            EXPECT_EQ(Form.edtTemplateName->Text(), "Monatsliste");
            EXPECT_EQ(Form.edtTemplateName->SelLength(), int(QStringLiteral("Monatsliste").size()));
            if (c.language == lgGerman && c.mode == TrgCustomTemplateDialog::ModeOpen) {
                const QString shots = QCoreApplication::applicationDirPath() + "/screenshots";
                QDir().mkpath(shots);
                EXPECT_TRUE(Form.Handle()->grab().save(shots + "/rg_template_dialog.png"));
            }
            Form.lbxTemplates->SetItemIndex(2);
            Form.lbxTemplates->DblClick();
        });
        EXPECT_EQ(dialog->ShowModal(), mrOk);
        EXPECT_EQ(dialog->GetTemplateName(), "Urlaub");
    }
}

}  // namespace
