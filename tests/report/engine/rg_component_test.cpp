// Printable objects and band components: the draw command an object makes,
// the print flags, placement on the page under the shift and stretch rules,
// the fit tolerance, bounds kept inside the band, and the stream form
// (band identity, lengths, conversion of older streams).

#include <QRegularExpression>

#include "engine_fixtures.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "platform/stream/stream_text.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_units.h"
#include "report/output/rg_utils.h"

namespace {

using ComponentTest = TEngineTest;

// The text form of one component (and its children).
QString TextForm(TComponent* Component)
{
    QByteArray binary;
    TWriter writer(binary);
    writer.WriteRootComponent(Component);
    return QString::fromLatin1(ObjectBinaryToText(binary));
}

// ---- the draw command ----------------------------------------------------------

TEST_F(ComponentTest, ADrawCommandCarriesTheObjectAndThePrintableAreaAndJoinsThePage)
{
    auto* band = AddBand<TrgDetailBand>(10000);
    TrgLabel* label = AddLabel(band, QStringLiteral("Hallo"), 0, 0);
    label->Tag = 77;
    TObject* created = nullptr;
    label->OnDrawCommandCreate = [&](TObject* Sender, TObject* Command) {
        EXPECT_EQ(Sender, label);
        created = Command;
    };
    TrgPage page(nullptr);
    page.SetPrinterSetup(report->PrinterSetup());
    label->CreateDrawCommand(&page);

    ASSERT_EQ(page.GetDrawCommandCount(), 1);
    const auto* command = dynamic_cast<const TrgDrawText*>(page.GetDrawCommand(0));
    ASSERT_TRUE(command);
    EXPECT_EQ(created, command);
    EXPECT_EQ(command->Page(), &page);
    EXPECT_EQ(command->Tag, 77);
    EXPECT_EQ(command->Text, QStringLiteral("Hallo"));
    EXPECT_EQ((std::array{command->PageLeft, command->PageTop, command->PageRight, command->PageBottom}),
              (std::array{kMargin, kMargin, kPaperWidth - kMargin, kPaperHeight - kMargin}));
    EXPECT_FALSE(command->IsClickable());

    label->OnDrawCommandClick = [&](TObject*, TObject*) {};
    label->CreateDrawCommand(&page);
    EXPECT_TRUE(page.GetDrawCommand(1)->IsClickable());
}

TEST_F(ComponentTest, AnInvisibleObjectIsNeverMarkedYetCountsAsPrinted)
{
    auto* band = AddBand<TrgDetailBand>(10000);
    TrgLabel* label = AddLabel(band, QStringLiteral("unsichtbar"), 0, 0);
    TrgLabel* shown = AddLabel(band, QStringLiteral("sichtbar"), 0, 5000);
    label->SetVisible(false);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_FALSE(pages[0].contains(QStringLiteral("unsichtbar")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("sichtbar")));
    EXPECT_TRUE(label->Printed());
    EXPECT_FALSE(label->PrintPending());
    EXPECT_FALSE(shown->PrintPending()) << "cleared once printed";
}

TEST_F(ComponentTest, ShiftAndStretchWithTheParentExcludeEachOther)
{
    TrgLabel label(nullptr);
    label.SetStretchWithParent(true);
    label.SetShiftWithParent(true);
    EXPECT_TRUE(label.ShiftWithParent());
    EXPECT_FALSE(label.StretchWithParent());
    label.SetStretchWithParent(true);
    EXPECT_FALSE(label.ShiftWithParent());
}

TEST_F(ComponentTest, APipelineThatGoesAwayIsForgottenByItsUsers)
{
    auto* band = AddBand<TrgDetailBand>(10000);
    TrgLabel* label = AddLabel(band, QStringLiteral("x"), 0, 0);
    auto rows = MakeRows(2);
    label->SetDataPipeline(rows.get());
    band->SetDataPipeline(rows.get());
    report->SetDataPipeline(rows.get());
    ASSERT_EQ(band->GetDataPipeline(), rows.get());
    PrintAll();
    rows.reset();
    EXPECT_EQ(label->DataPipeline(), nullptr);
    EXPECT_EQ(band->DataPipeline(), nullptr);
    EXPECT_EQ(report->DataPipeline(), nullptr);
    EXPECT_EQ(PrintAll().size(), 1u) << "the report prints without data afterwards";
}

// ---- placement -----------------------------------------------------------------------

TEST_F(ComponentTest, ShiftAndStretchFollowTheGrowthOfADynamicBand)
{
    // A dynamic band designed 25 mm high whose first label reaches 5 mm
    // below it: printed 30 mm high. The body starts at the top margin.
    struct Case {
        const char* name;
        bool shift, stretch;
        int top, height;  // of the second label, design
        int printedTop, printedHeight;
    };
    const Case cases[] = {
        {"in place", false, false, 20000, 4000, kMargin + 20000, 4000},
        {"shifted by the growth", true, false, 20000, 4000, kMargin + 25000, 4000},
        {"stretched to the band's bottom", false, true, 5000, 10000, kMargin + 5000, 25000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        report = std::make_unique<TCapturingReport>(&form);
        SetUp();
        auto* band = AddBand<TrgDetailBand>(25000);
        band->SetPrintHeight(phDynamic);
        AddLabel(band, QStringLiteral("hoch"), 0, 0, 30000);
        TrgLabel* second = AddLabel(band, QStringLiteral("zweites"), 40000, c.top, c.height);
        second->SetShiftWithParent(c.shift);
        second->SetStretchWithParent(c.stretch);
        const std::vector<QString> pages = PrintAll();
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_TRUE(pages[0].contains(QStringLiteral("TrgDrawText %1 %2 30000 %3 \"zweites\"")
                                          .arg(kMargin + 40000)
                                          .arg(c.printedTop)
                                          .arg(c.printedHeight)))
            << pages[0].toStdString();
    }
}

TEST_F(ComponentTest, AComponentMayEndOneThousandthBelowTheLimit)
{
    // A title pushes the static 10 mm detail band down on the first page so
    // that its label, 12 mm below the band's top and 4 mm high, ends 0, 1 or
    // 2 thousandths below the body's end; on the next page it fits.
    for (int over : {0, 1, 2}) {
        SCOPED_TRACE(over);
        report = std::make_unique<TCapturingReport>(&form);
        SetUp();
        AddBand<TrgTitleBand>(kBodyBottom + over - kMargin - 16000);
        auto* band = AddBand<TrgDetailBand>(10000);
        AddLabel(band, QStringLiteral("knapp"), 0, 12000);
        const auto pages = PrintAll();
        ASSERT_FALSE(pages.empty());
        const bool fits = over <= 1;
        EXPECT_EQ(pages[0].contains(QStringLiteral("TrgDrawText 10000 %1 30000 4000 \"knapp\"").arg(kBodyBottom + over - 4000)),
                  fits)
            << pages[0].toStdString();
        ASSERT_EQ(pages.size(), fits ? 1u : 2u);
        if (!fits) {
            EXPECT_TRUE(pages[1].contains(QStringLiteral("TrgDrawText 10000 22000 30000 4000 \"knapp\"")))
                << pages[1].toStdString();
        }
    }
}

TEST_F(ComponentTest, ADynamicBandTooLongForThePageContinuesOnTheNext)
{
    auto rows = MakeRows(1);
    // Designed as high as the body; two lines lie below the design bottom.
    auto* band = AddBand<TrgDetailBand>(40000);
    band->SetPrintHeight(phDynamic);
    for (int i = 0; i < 6; ++i)
        AddLabel(band, QStringLiteral("Zeile %1").arg(i + 1), 0, i * 10000, 9000);
    report->SetDataPipeline(rows.get());
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 2u);
    // 40 mm of body: four lines on the first page; the rest moves to the top.
    EXPECT_TRUE(pages[0].contains(QStringLiteral("\"Zeile 4\"")));
    EXPECT_FALSE(pages[0].contains(QStringLiteral("\"Zeile 5\"")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("TrgDrawText 10000 10000 30000 9000 \"Zeile 5\"")))
        << pages[1].toStdString();
    EXPECT_TRUE(pages[1].contains(QStringLiteral("TrgDrawText 10000 20000 30000 9000 \"Zeile 6\"")));
    EXPECT_FALSE(pages[1].contains(QStringLiteral("\"Zeile 1\"")));
}

// ---- bounds ----------------------------------------------------------------------------

TEST_F(ComponentTest, BoundsStayInsideTheBand)
{
    auto* band = AddBand<TrgDetailBand>(10000);
    TrgLabel* label = AddLabel(band, QStringLiteral("x"), 1000, 1000);
    const int bandWidth = kPaperWidth - 2 * kMargin;
    EXPECT_EQ(band->GetSpaceWidth(), bandWidth);

    struct Case {
        void (TrgPrintable::*set)(int);
        int (TrgPrintable::*get)() const;
        int value, expected;
    };
    const Case cases[] = {
        {&TrgPrintable::SetmmLeft, &TrgPrintable::mmLeft, -5, 0},
        {&TrgPrintable::SetmmLeft, &TrgPrintable::mmLeft, bandWidth + 7, bandWidth},
        {&TrgPrintable::SetmmTop, &TrgPrintable::mmTop, -1, 0},
        {&TrgPrintable::SetmmWidth, &TrgPrintable::mmWidth, -3, 0},
        {&TrgPrintable::SetmmHeight, &TrgPrintable::mmHeight, -3, 0},
        {&TrgPrintable::SetmmHeight, &TrgPrintable::mmHeight, 2500, 2500},
    };
    for (const Case& c : cases) {
        (label->*c.set)(c.value);
        EXPECT_EQ((label->*c.get)(), c.expected) << c.value;
    }

    label->SetParentWidth(true);
    EXPECT_EQ(label->mmLeft(), 0);
    EXPECT_EQ(label->mmWidth(), bandWidth);
    label->SetmmLeft(500);
    EXPECT_EQ(label->mmLeft(), 0) << "ignored while the width follows the band";
}

TEST_F(ComponentTest, ABandRefusesHeightsItCannotHave)
{
    auto* band = AddBand<TrgDetailBand>(10000);
    TrgLabel* label = AddLabel(band, QStringLiteral("x"), 0, 6000);
    EXPECT_FALSE(band->SetmmHeight(0)) << "a band with components keeps a height";
    EXPECT_FALSE(band->SetmmHeight(kPaperHeight)) << "no taller than the printable page";
    EXPECT_EQ(band->mmHeight(), 10000);
    EXPECT_TRUE(band->SetmmHeight(8000));
    EXPECT_EQ(label->mmTop(), 4000) << "a component below the new bottom moves up by the difference";
}

// ---- stream form -------------------------------------------------------------------

TEST_F(ComponentTest, TheStreamNamesTheBandKindAndGroupOfAComponent)
{
    struct Case {
        TrgBand* band;
        const char* bandType;
    };
    const Case cases[] = {{AddBand<TrgDetailBand>(10000), "BandType = 4"},
                          {AddBand<TrgHeaderBand>(5000), "BandType = 0"},
                          {AddBand<TrgSummaryBand>(5000), "BandType = 7"},
                          {AddBand<TrgFooterBand>(5000), "BandType = 8"}};
    for (const Case& c : cases) {
        TrgLabel* label = AddLabel(c.band, QStringLiteral("x"), 0, 0);
        label->Name = QStringLiteral("Label%1").arg(int(c.band->Kind()));
        const QString text = TextForm(label);
        EXPECT_TRUE(text.contains(QLatin1String(c.bandType))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("GroupNo"))) << "no group outside group bands";
        EXPECT_EQ(label->GroupNo(), -1);
        for (const char* length : {"mmHeight = ", "mmLeft = ", "mmTop = ", "mmWidth = "})
            EXPECT_TRUE(text.contains(QLatin1String(length))) << length;
        EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("\\s(Left|Top|Width|Height) = "))))
            << "the lengths in Units are not written";
    }
}

TEST_F(ComponentTest, AnOlderStreamHoldsPixelsAndLoadsAsThousandths)
{
    struct Case {
        const char* version;
        int left, bandHeight;
    };
    const int px10 = rgToMMThousandths(utScreenPixels, rgHorizontal, nullptr, 10);
    const int px50 = rgToMMThousandths(utScreenPixels, rgVertical, nullptr, 50);
    EXPECT_EQ(px10, 2646);
    const Case cases[] = {{"2.0", px10, px50}, {"2.09", px10, px50}, {"2.1", 10, 50}, {"3.52", 10, 50}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        const QByteArray text = QByteArray("object rgReport1: TrgReport\r\n"
                                           "  Version = '") +
                                c.version +
                                "'\r\n"
                                "  object rgDetailBand1: TrgDetailBand\r\n"
                                "    mmHeight = 50\r\n"
                                "    object rgLabel1: TrgLabel\r\n"
                                "      Caption = 'Hallo'\r\n"
                                "      ReportField = 'Name'\r\n"
                                "      mmHeight = 17\r\n"
                                "      mmLeft = 10\r\n"
                                "      mmTop = 5\r\n"
                                "      mmWidth = 65\r\n"
                                "      BandType = 4\r\n"
                                "    end\r\n"
                                "  end\r\n"
                                "end\r\n";
        TComponent owner(nullptr);
        TrgReport loaded(&owner);
        ComponentFromBytes(ObjectTextToBinary(text), &loaded);
        ASSERT_EQ(loaded.GetBandCount(), 1);
        TrgBand* band = loaded.GetBandAt(0);
        ASSERT_EQ(band->GetComponentCount(), 1);
        auto* label = dynamic_cast<TrgLabel*>(band->GetComponentAt(0));
        ASSERT_TRUE(label);
        EXPECT_EQ(label->Caption(), QStringLiteral("Hallo"));
        EXPECT_EQ(label->mmLeft(), c.left);
        EXPECT_EQ(band->mmHeight(), c.bandHeight);
        EXPECT_EQ(label->OldReportField, QStringLiteral("Name"));
        EXPECT_EQ(loaded.VersionNumber(), TrgProducer::kStreamVersionNumber);
    }
}

TEST_F(ComponentTest, AReportStreamedAndReadBackPrintsTheSamePages)
{
    DescribeClass<TCapturingReport, TrgReport>(QStringLiteral("TCapturingReport"));
    auto rows = MakeRows(5);
    MakeListReport(rows.get());
    detail->SetPrintHeight(phDynamic);
    report->Name = QStringLiteral("rgReport1");
    int n = 0;
    for (int b = 0; b < report->GetBandCount(); ++b) {
        TrgBand* band = report->GetBandAt(b);
        band->Name = QStringLiteral("Band%1").arg(b);
        for (int c = 0; c < band->GetComponentCount(); ++c)
            band->GetComponentAt(c)->Name = QStringLiteral("Label%1").arg(++n);
    }
    const std::vector<QString> original = PrintAll();

    QByteArray binary;
    TWriter writer(binary);
    writer.WriteRootComponent(report.get());
    const QByteArray text = ObjectBinaryToText(binary);
    EXPECT_TRUE(text.contains("PrintHeight = phDynamic"));

    TComponent owner(nullptr);
    TCapturingReport copy(&owner);
    ComponentFromBytes(ObjectTextToBinary(text), &copy);
    ASSERT_EQ(copy.GetBandCount(), report->GetBandCount());
    copy.Engine()->Clock = report->Engine()->Clock;
    copy.SetDataPipeline(rows.get());
    // The detail label takes its value from the record, as before.
    auto* copiedDetail = dynamic_cast<TrgDetailBand*>(copy.FindBand(bkDetail));
    ASSERT_TRUE(copiedDetail);
    TrgComponent* name = copiedDetail->GetComponentAt(0);
    auto* rowsPtr = rows.get();
    copiedDetail->BeforePrint = [name, rowsPtr](TObject*) {
        static_cast<TrgLabel*>(name)->SetCaption(rowsPtr->GetFieldAsString("Name"));
    };
    copy.Reset();
    copy.PageRequest(psAll, 1, nullptr);
    EXPECT_EQ(copy.Pages, original);
}

}  // namespace

namespace {

using BandTest = TEngineTest;

TEST_F(BandTest, KindSettingsNeedAReportAndFootersStayStatic)
{
    TrgHeaderBand loose(nullptr);
    loose.SetPrintOnFirstPage(false);
    loose.SetPrintOnLastPage(false);
    EXPECT_TRUE(loose.PrintOnFirstPage());
    EXPECT_TRUE(loose.PrintOnLastPage());
    TrgTitleBand looseTitle(nullptr);
    looseTitle.SetNewPage(true);
    EXPECT_FALSE(looseTitle.NewPage());

    auto* title = AddBand<TrgTitleBand>(5000);
    title->SetNewPage(true);
    EXPECT_TRUE(title->NewPage());
    auto* footer = AddBand<TrgFooterBand>(5000);
    auto* columnFooter = AddBand<TrgColumnFooterBand>(0);
    for (TrgBand* band : {static_cast<TrgBand*>(footer), static_cast<TrgBand*>(columnFooter)}) {
        band->SetPrintHeight(phDynamic);
        EXPECT_EQ(band->PrintHeight(), phStatic);
    }
    auto* detail = AddBand<TrgDetailBand>(5000);
    detail->SetPrintHeight(phDynamic);
    EXPECT_EQ(detail->PrintHeight(), phDynamic);
}

TEST_F(BandTest, AnInvisibleDetailBandUsesItsRecordsAndPrintsNothing)
{
    auto rows = MakeRows(20);
    MakeListReport(rows.get());
    int passes = 0;
    detail->BeforePrint = [&](TObject*) { ++passes; };
    detail->SetVisible(false);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_FALSE(pages[0].contains(QStringLiteral("Satz")));
    EXPECT_GE(passes, 20) << "every record passed through the band";
}

}  // namespace

namespace {

using PaletteTest = TEngineTest;

TEST_F(PaletteTest, TheLabelIsOnTheStandardPageAndItsTemplatesCanBeRead)
{
    TrgRegComponentClassList& list = rgGetRegisteredComponents();
    const int index = list.IndexOf(QStringLiteral("TrgLabel"));
    ASSERT_GE(index, 0);
    EXPECT_EQ(list.Entry(index).Category, QStringLiteral("Standard Components"));
    EXPECT_EQ(list.Entry(index).Position, 0);
    EXPECT_EQ(rgLoadString(43000 + list.Entry(index).CaptionId), QStringLiteral("Label"));
}

TEST_F(PaletteTest, RegisteringAgainReplacesAndUnregisteringStopsReading)
{
    TrgRegComponentClassList& list = rgGetRegisteredComponents();
    int changes = 0;
    list.Listeners.push_back([&] { ++changes; });
    const TClassInfo* label = ClassInfoFor<TrgLabel>();
    const int before = list.Count();
    rgRegisterComponentClass(label, QStringLiteral("Eigene"), 3, 172);
    EXPECT_EQ(list.Count(), before) << "one entry per class";
    EXPECT_EQ(list.Entry(list.IndexOf(QStringLiteral("TrgLabel"))).Category, QStringLiteral("Eigene"));

    const QByteArray text = "object rgReport1: TrgReport\r\n"
                            "  object rgDetailBand1: TrgDetailBand\r\n"
                            "    object rgLabel1: TrgLabel\r\n"
                            "      Caption = 'x'\r\n"
                            "    end\r\n"
                            "  end\r\n"
                            "end\r\n";
    rgUnRegisterComponentClass(label);
    EXPECT_EQ(list.IndexOf(QStringLiteral("TrgLabel")), -1);
    {
        TComponent owner(nullptr);
        TrgReport loaded(&owner);
        EXPECT_THROW(ComponentFromBytes(ObjectTextToBinary(text), &loaded), EClassNotFound);
    }
    rgUnRegisterComponentClass(label);  // not registered: nothing happens
    EXPECT_EQ(list.Count(), before - 1);

    rgRegisterComponentClass(label, QStringLiteral("Standard Components"), 0, 172);
    TComponent owner(nullptr);
    TrgReport loaded(&owner);
    ComponentFromBytes(ObjectTextToBinary(text), &loaded);
    EXPECT_EQ(loaded.GetBandAt(0)->GetComponentCount(), 1);
    EXPECT_EQ(changes, 4) << "delete and add, delete, add";
    list.Listeners.clear();
}

}  // namespace
