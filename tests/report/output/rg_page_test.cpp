// Pages: the stream form with its property order, copies through the class
// registry, the lists of waiting and clickable commands, recalculated
// page-count texts and the page's description.
#include "report/output/rg_page.h"

#include <gtest/gtest.h>

#include "page_fixtures.h"
#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/stream_format.h"
#include "report/output/rg_strings.h"

using namespace rgtest;

namespace {

// The outline of a component stream read byte by byte: each component as
// "<class>", its property names, and its children between "{" and "}".
void Outline(TByteCursor& cur, QStringList& out)
{
    cur.ComponentFlags();
    out << QString::fromLatin1(cur.ShortBytes());
    cur.ShortBytes();  // the component's name
    while (cur.PeekByte() != 0) {
        out << QString::fromLatin1(cur.ShortBytes());
        cur.SkipValue();
    }
    cur.Byte();
    out << QStringLiteral("{");
    while (cur.PeekByte() != 0)
        Outline(cur, out);
    cur.Byte();
    out << QStringLiteral("}");
}

QStringList OutlineOf(const QByteArray& stream)
{
    EXPECT_TRUE(stream.startsWith("TPF0"));
    TByteCursor cur(stream, 4);
    QStringList out;
    Outline(cur, out);
    EXPECT_TRUE(cur.AtEnd());
    return out;
}

std::unique_ptr<TrgPage> ReadBack(const QByteArray& stream)
{
    std::unique_ptr<TComponent> read(ComponentFromBytes(stream));
    auto* page = dynamic_cast<TrgPage*>(read.get());
    EXPECT_NE(page, nullptr);
    read.release();
    return std::unique_ptr<TrgPage>(page);
}

// A page of every kind of number and flag, with commands of four classes.
std::unique_ptr<TrgPage> FullPage()
{
    auto page = std::make_unique<TrgPage>(nullptr);
    page->AbsolutePageNo = 3;
    page->AbsolutePageCount = 9;
    page->ControlGroupBreakNo = 2;
    page->DocumentName = QStringLiteral("Bilderliste Größe");
    page->FirstPage = false;
    page->LanguageIndex = rgGermanBase;
    page->LastPage = true;
    page->PageNo = 1;
    page->PageCount = 4;
    page->PassSetting = psTwoPass;
    page->PrintDateTime = 46000.5;
    page->PrinterSetup()->SetCopies(3);
    AddText(*page, QStringLiteral("Urlaub"), 4, 1)->Left = 1000;
    auto* line = new TrgDrawLine(nullptr);
    line->Weight = 1.5f;
    line->LineStyle = lsDouble;
    line->SetPage(page.get());
    AddCalc(*page, ctPageCount, QStringLiteral("4"));
    auto* shape = new TrgDrawShape(nullptr);
    shape->ShapeType = stEllipse;
    shape->SetPage(page.get());
    return page;
}

}  // namespace

TEST_F(PageTest, AnEmptyPageStreamsWithItsPropertiesInOrderAndNoChildren)
{
    TrgPage page(nullptr);
    const QStringList outline = OutlineOf(StreamOf(&page));
    const QStringList pageProperties{"AbsolutePageNo", "AbsolutePageCount", "ControlGroupBreakNo", "DocumentName",
                                     "FirstPage",      "LanguageIndex",     "LastPage",            "PageNo",
                                     "PageCount",      "PassSetting",       "PrintDateTime"};
    ASSERT_GT(outline.size(), pageProperties.size() + 3);
    EXPECT_EQ(outline.front(), "TrgPage");
    EXPECT_EQ(outline.mid(1, pageProperties.size()), pageProperties);
    // Then only the printer setup's values, and an empty child list.
    for (const QString& name : outline.mid(1 + pageProperties.size(), outline.size() - pageProperties.size() - 3))
        EXPECT_TRUE(name.startsWith("PrinterSetup.")) << name.toStdString();
    EXPECT_EQ(outline.mid(outline.size() - 2), (QStringList{"{", "}"}));
    EXPECT_FALSE(outline.contains("PageDef"));

    auto back = ReadBack(StreamOf(&page));
    EXPECT_EQ(back->GetDrawCommandCount(), 0);
    EXPECT_FALSE(back->HasPendingCalcs());
}

TEST_F(PageTest, APageReadBackHasItsNumbersSetupAndCommandsInOrder)
{
    auto page = FullPage();
    const QByteArray stream = StreamOf(page.get());
    auto back = ReadBack(stream);

    EXPECT_EQ(back->AbsolutePageNo, 3);
    EXPECT_EQ(back->AbsolutePageCount, 9);
    EXPECT_EQ(back->ControlGroupBreakNo, 2);
    EXPECT_EQ(back->DocumentName, page->DocumentName);
    EXPECT_FALSE(back->FirstPage);
    EXPECT_EQ(back->LanguageIndex, rgGermanBase);
    EXPECT_TRUE(back->LastPage);
    EXPECT_EQ(back->PageNo, 1);
    EXPECT_EQ(back->PageCount, 4);
    EXPECT_EQ(back->PassSetting, psTwoPass);
    EXPECT_DOUBLE_EQ(back->PrintDateTime, 46000.5);
    EXPECT_EQ(back->PrinterSetup()->Copies(), 3);

    EXPECT_EQ(ClassNamesOf(*back), ClassNamesOf(*page));
    for (int i = 0; i < back->GetDrawCommandCount(); ++i) {
        EXPECT_EQ(back->GetDrawCommand(i)->Owner(), back.get());
        EXPECT_EQ(back->GetDrawCommand(i)->Page(), back.get());
    }
    EXPECT_EQ(static_cast<TrgDrawText*>(back->GetDrawCommand(0))->Text, "Urlaub");
    EXPECT_EQ(back->GetDrawCommand(0)->Left, 1000);
    // The calculated text registered itself with the page it joined.
    EXPECT_TRUE(back->HasPendingCalcs());
    // Nothing is lost on the way: the copy streams to the same bytes.
    EXPECT_EQ(StreamOf(back.get()), stream);
}

TEST_F(PageTest, ACopyHasCommandsOfTheSameClassesOwnedByTheCopy)
{
    auto page = FullPage();
    page->CalculationOnly = true;
    page->Final = true;
    TrgPage copy(nullptr);
    AddText(copy, QStringLiteral("weg"));
    copy.Assign(page.get());

    EXPECT_TRUE(copy.CalculationOnly);
    EXPECT_TRUE(copy.Final);
    EXPECT_EQ(copy.PrinterSetup()->Copies(), 3);
    EXPECT_NE(copy.PrinterSetup(), page->PrinterSetup());
    EXPECT_EQ(ClassNamesOf(copy), ClassNamesOf(*page));
    for (int i = 0; i < copy.GetDrawCommandCount(); ++i) {
        EXPECT_NE(copy.GetDrawCommand(i), page->GetDrawCommand(i));
        EXPECT_EQ(copy.GetDrawCommand(i)->Owner(), &copy);
    }
    EXPECT_TRUE(copy.HasPendingCalcs());
    EXPECT_EQ(page->GetDrawCommandCount(), 4);
    // The copy streams as the original does (the flags are not streamed).
    EXPECT_EQ(StreamOf(&copy), StreamOf(page.get()));
}

TEST_F(PageTest, ACopyLeavesOutCommandsOfClassesNotRegisteredByName)
{
    auto page = FullPage();
    UnRegisterClass(ClassInfoFor<TrgDrawLine>());
    TrgPage copy(nullptr);
    copy.Assign(page.get());
    rgRegisterDrawCommandClasses();

    EXPECT_EQ(ClassNamesOf(copy), (QStringList{"TrgPage", "TrgDrawText", "TrgDrawCalc", "TrgDrawShape"}));
}

TEST_F(PageTest, UpdatePendingCalcsRecalculatesPageCountsAndAsksTheDeviceToRedraw)
{
    struct Case {
        std::vector<TrgCalcType> kinds;
        bool result;
        QStringList log;
    };
    const Case cases[] = {
        {{}, false, {}},
        {{ctPageNo}, false, {}},
        {{ctPageCount}, true, {"d:redraw 7"}},
        {{ctPageSet, ctPageSetDesc}, true, {"d:redraw 2 of 7", "d:redraw Page 2 of 7"}},
        {{ctPageCount, ctDate}, false, {"d:redraw 7"}},
    };
    for (const Case& c : cases) {
        TrgPage page(nullptr);
        page.PageNo = 2;
        page.PageCount = 7;
        for (TrgCalcType kind : c.kinds)
            AddCalc(page, kind);
        EXPECT_EQ(page.HasPendingCalcs(), !c.kinds.empty());
        QStringList log;
        LoggingDevice device(log, QStringLiteral("d"));
        EXPECT_EQ(page.UpdatePendingCalcs(&device), c.result) << c.kinds.size();
        EXPECT_EQ(log, c.log);
        // Without a device the texts are still worked out.
        EXPECT_EQ(page.UpdatePendingCalcs(nullptr), c.result);
    }
}

TEST_F(PageTest, RemovingTheLastWaitingOrClickableCommandDropsItsList)
{
    TrgPage page(nullptr);
    TrgDrawCalc* calc = AddCalc(page, ctPageCount);
    auto* clickable = new TrgDrawText(nullptr);
    int clicks = 0;
    clickable->OnClick = [&clicks](TObject*) { ++clicks; };
    clickable->SetPage(&page);
    TrgDrawText* plain = AddText(page, QStringLiteral("x"));

    EXPECT_TRUE(page.HasPendingCalcs());
    ASSERT_EQ(page.GetClickableCount(), 1);
    page.GetClickableCommand(0)->DoClick();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(page.GetClickableCommand(1), nullptr);

    // Leaving the page does not free the command: the caller owns it now.
    calc->SetPage(nullptr);
    std::unique_ptr<TrgDrawCalc> owned(calc);
    EXPECT_FALSE(page.HasPendingCalcs());
    EXPECT_EQ(calc->Owner(), nullptr);
    EXPECT_EQ(calc->Page(), nullptr);
    EXPECT_EQ(page.GetDrawCommandCount(), 2);

    delete clickable;  // a freed command leaves its page
    EXPECT_EQ(page.GetClickableCount(), 0);
    EXPECT_EQ(page.GetClickableCommand(0), nullptr);
    ASSERT_EQ(page.GetDrawCommandCount(), 1);
    EXPECT_EQ(page.GetDrawCommand(0), plain);

    // A command that moves to another page changes owner with it.
    TrgPage other(nullptr);
    plain->SetPage(&other);
    EXPECT_EQ(page.GetDrawCommandCount(), 0);
    EXPECT_EQ(plain->Owner(), &other);
    EXPECT_EQ(page.ComponentCount(), 0);
}

TEST_F(PageTest, TheDescriptionComesFromThePagesLanguage)
{
    TrgPage page(nullptr);
    page.AbsolutePageNo = 3;
    page.AbsolutePageCount = 7;
    EXPECT_EQ(page.GetDescription(), "Page 3 of 7");
    page.LanguageIndex = rgGermanBase;
    EXPECT_EQ(page.GetDescription(), "Seite 3 von 7");
}

TEST_F(PageTest, ThePageDefinitionIsThatOfItsSetup)
{
    TrgPage page(nullptr);
    TrgPrinterSetup setup(nullptr);
    setup.SetUnits(utMillimeters);
    setup.SetPaperWidth(100);
    setup.SetPaperHeight(150);
    page.SetPrinterSetup(&setup);
    page.SetPrinterSetup(nullptr);  // ignored
    EXPECT_EQ(page.PageDef().mmWidth, 100000);
    EXPECT_EQ(page.PageDef().mmHeight, 150000);
}
