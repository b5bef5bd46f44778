// Printer setup: regional default paper, printer and paper names resolved
// against the printer list, sizes matched back to paper names, refused and
// bad values leaving the setup as it was, copying and comparing.
#include "report/output/rg_printer_setup.h"

#include <gtest/gtest.h>

#include "fake_printer_source.h"
#include "platform/core/sys_utils.h"
#include "report/output/rg_printer.h"
#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "platform/stream/stream_text.h"

using rgtest::InstallFakePrinters;
using rgtest::OfficeLaser;

namespace {

// Pins the program's decimal separator for the test and restores it.
class DecimalSeparator {
public:
    explicit DecimalSeparator(QChar c) : old_(FormatSettings().DecimalSeparator) { FormatSettings().DecimalSeparator = c; }
    ~DecimalSeparator() { FormatSettings().DecimalSeparator = old_; }

private:
    QChar old_;
};

class PrinterSetupTest : public ::testing::Test {
protected:
    void SetUp() override { InstallFakePrinters({OfficeLaser("Laser"), OfficeLaser("Second")}); }
    void TearDown() override { InstallFakePrinters({}); }

    // A setup in millimetres, so sizes read as plain numbers.
    static std::unique_ptr<TrgPrinterSetup> MillimetreSetup()
    {
        auto setup = std::make_unique<TrgPrinterSetup>(nullptr);
        setup->SetUnits(utMillimeters);
        return setup;
    }

    DecimalSeparator comma_{u','};
};

TEST_F(PrinterSetupTest, TheDefaultPaperFollowsTheDecimalSeparator)
{
    struct Case {
        QChar separator;
        int width, height;
    };
    for (const Case& c : {Case{u',', 210000, 297000}, Case{u'.', 215900, 279401}}) {
        DecimalSeparator pinned(c.separator);
        TrgPrinterSetup setup(nullptr);
        EXPECT_EQ(setup.PageDef().mmWidth, c.width);
        EXPECT_EQ(setup.PageDef().mmHeight, c.height);
        for (int margin : {setup.PageDef().mmMarginLeft, setup.PageDef().mmMarginRight, setup.PageDef().mmMarginTop,
                           setup.PageDef().mmMarginBottom})
            EXPECT_EQ(margin, 6350);
    }
}

TEST_F(PrinterSetupTest, StartsWithItsDefaults)
{
    TrgPrinterSetup setup(nullptr);
    EXPECT_EQ(setup.PrinterName(), "Default");
    EXPECT_EQ(setup.BinName(), "Default");
    EXPECT_EQ(setup.StoredPaperName(), "Custom");
    EXPECT_EQ(setup.Copies(), 1);
    EXPECT_FALSE(setup.Collation());
    EXPECT_EQ(setup.Duplex(), dpNone);
    EXPECT_EQ(setup.Orientation(), poPortrait);
    EXPECT_EQ(setup.Units(), utInches);
    ASSERT_NE(setup.PrinterInfo(), nullptr);
    EXPECT_EQ(setup.PrinterInfo()->Name, "Laser");
    EXPECT_EQ(setup.PrinterNames(), QStringList({"Default", "Laser", "Second"}));
}

TEST_F(PrinterSetupTest, PrinterNamesCurrentAndUnknown)
{
    TrgPrinterSetup setup(nullptr);
    int changes = 0;
    setup.OnChange = [&](TObject*) { ++changes; };
    setup.SetPrinterName("Second");
    EXPECT_EQ(setup.PrinterName(), "Second");
    EXPECT_EQ(setup.PrinterInfo()->Name, "Second");
    EXPECT_EQ(changes, 1);
    setup.SetPrinterName("Current");
    EXPECT_EQ(setup.PrinterName(), "Default");
    EXPECT_EQ(setup.GetActualPrinterName(), "Laser");
    setup.SetPrinterName("Vanished");
    EXPECT_EQ(setup.PrinterName(), "Default");
    EXPECT_EQ(changes, 2);
}

TEST_F(PrinterSetupTest, APaperNameBringsItsSizeAndAnEnvelopeTurnsLandscape)
{
    auto setup = MillimetreSetup();
    setup->SetPaperName("A5");
    EXPECT_EQ(setup->PageDef().mmWidth, 148000);
    EXPECT_EQ(setup->PageDef().mmHeight, 210000);
    EXPECT_EQ(setup->Orientation(), poPortrait);

    setup->SetPaperName("Envelope DL");
    EXPECT_EQ(setup->Orientation(), poLandscape);
    EXPECT_EQ(setup->PageDef().mmWidth, 220000);  // the longer side
    EXPECT_EQ(setup->PageDef().mmHeight, 110000);
    EXPECT_EQ(setup->PaperName(), "Envelope DL");
}

TEST_F(PrinterSetupTest, ACustomSizeWithinAMillimetreReportsThePapersName)
{
    struct Case {
        int width, height;
        const char* name;
    };
    const Case cases[] = {
        {210000, 297000, "A4"}, {210900, 296100, "A4"}, {297000, 210000, "A4"},
        {215900, 279400, "Letter"}, {212000, 297000, "Custom"}, {100000, 150000, "Custom"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto setup = MillimetreSetup();
        setup->SetDefinedValue(5, c.width);
        setup->SetDefinedValue(4, c.height);
        EXPECT_EQ(setup->StoredPaperName(), "Custom");
        EXPECT_EQ(setup->PaperName(), c.name);
    }
}

TEST_F(PrinterSetupTest, AChangedSizeIsMatchedToAPaper)
{
    auto setup = MillimetreSetup();
    setup->SetPaperWidth(148);
    setup->SetPaperHeight(210);
    EXPECT_EQ(setup->StoredPaperName(), "A5");
    setup->SetPaperHeight(250);
    EXPECT_EQ(setup->StoredPaperName(), "Custom");
}

TEST_F(PrinterSetupTest, BadValuesLeaveTheSetupAsItWas)
{
    auto setup = MillimetreSetup();
    const TrgPageDef before = setup->PageDef();
    setup->SetMarginLeft(-1);
    setup->SetMarginTop(-0.5f);
    setup->SetPaperWidth(-210);
    setup->SetPaperHeight(0);
    setup->SetPaperWidth(0);
    EXPECT_TRUE(setup->PageDef() == before);
    setup->SetCopies(0);
    setup->SetCopies(-3);
    EXPECT_EQ(setup->Copies(), 1);
    setup->SetCopies(4);
    EXPECT_EQ(setup->Copies(), 4);
    setup->SetMarginLeft(0);
    EXPECT_EQ(setup->PageDef().mmMarginLeft, 0);
}

TEST_F(PrinterSetupTest, ARefusedPageChangeIsNotApplied)
{
    auto setup = MillimetreSetup();
    int changes = 0;
    setup->OnPageDefChange = [&](TObject*) { ++changes; };
    setup->OnValidatePageDef = [](TObject*, TrgPageDef* def, bool& valid) { valid = def->mmMarginLeft <= 20000; };
    setup->SetMarginLeft(30);
    EXPECT_EQ(setup->PageDef().mmMarginLeft, 6350);
    EXPECT_EQ(changes, 0);
    setup->SetMarginLeft(15);
    EXPECT_EQ(setup->PageDef().mmMarginLeft, 15000);
    EXPECT_EQ(changes, 1);

    setup->OnValidatePageDef = [](TObject*, TrgPageDef*, bool& valid) { valid = false; };
    setup->SetOrientation(poLandscape);
    EXPECT_EQ(setup->Orientation(), poPortrait);
    setup->SetPaperName("A5");
    EXPECT_EQ(setup->PageDef().mmWidth, 210000);
    EXPECT_EQ(changes, 1);
}

TEST_F(PrinterSetupTest, OrientationExchangesWidthAndHeight)
{
    auto setup = MillimetreSetup();
    setup->SetOrientation(poLandscape);
    EXPECT_EQ(setup->PageDef().mmWidth, 297000);
    EXPECT_EQ(setup->PageDef().mmHeight, 210000);
    EXPECT_FLOAT_EQ(setup->PaperWidth(), 297);
}

TEST_F(PrinterSetupTest, BinNameCurrentCountsAsDefault)
{
    TrgPrinterSetup setup(nullptr);
    int changes = 0;
    setup.OnChange = [&](TObject*) { ++changes; };
    setup.SetBinName("Current");
    EXPECT_EQ(setup.BinName(), "Current");
    EXPECT_EQ(changes, 1);
    setup.SetBinName("Default");  // "Current" counts as "Default": no change
    EXPECT_EQ(setup.BinName(), "Current");
    EXPECT_EQ(changes, 1);
    setup.SetBinName("Manual");
    EXPECT_EQ(changes, 2);
}

TEST_F(PrinterSetupTest, DefaultAndTheDefaultPrintersNameAreEqual)
{
    TrgPrinterSetup a(nullptr), b(nullptr);
    b.SetPrinterName("Laser");
    EXPECT_TRUE(a.IsEqual(b));
    b.SetPrinterName("Second");
    EXPECT_FALSE(a.IsEqual(b));
}

TEST_F(PrinterSetupTest, EveryComparedValueMakesADifference)
{
    const std::function<void(TrgPrinterSetup&)> changes[] = {
        [](TrgPrinterSetup& s) { s.SetBinName("Manual"); },
        [](TrgPrinterSetup& s) { s.SetCollation(true); },
        [](TrgPrinterSetup& s) { s.SetCopies(2); },
        [](TrgPrinterSetup& s) { s.DocumentName = "Liste"; },
        [](TrgPrinterSetup& s) { s.SetDuplex(dpVertical); },
        [](TrgPrinterSetup& s) { s.SetOrientation(poLandscape); },
        [](TrgPrinterSetup& s) { s.SetDefinedValue(1, 1000); },
        [](TrgPrinterSetup& s) { s.SetDefinedValue(5, 100000); },
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        SCOPED_TRACE(i);
        TrgPrinterSetup a(nullptr), b(nullptr);
        changes[i](b);
        EXPECT_FALSE(a.IsEqual(b));
        a.Assign(&b);
        EXPECT_TRUE(a.IsEqual(b));
    }
}

TEST_F(PrinterSetupTest, AssignCopiesEverythingButThePaperNameAndFiresNothing)
{
    auto source = MillimetreSetup();
    source->SetPrinterName("Second");
    source->SetPaperName("A5");
    source->SetCopies(3);
    source->SetCollation(true);
    source->SetDuplex(dpHorizontal);
    source->SetBinName("Manual");
    source->DocumentName = "Bilderliste";
    TrgPrinterSetup target(nullptr);
    int events = 0;
    target.OnChange = [&](TObject*) { ++events; };
    target.OnPageDefChange = [&](TObject*) { ++events; };
    target.Assign(source.get());
    EXPECT_EQ(events, 0);
    EXPECT_EQ(target.PrinterName(), "Second");
    EXPECT_EQ(target.PrinterInfo()->Name, "Second");
    EXPECT_EQ(target.StoredPaperName(), "Custom");
    EXPECT_EQ(target.PaperName(), "A5");  // found again by its size
    EXPECT_EQ(target.Copies(), 3);
    EXPECT_TRUE(target.Collation());
    EXPECT_EQ(target.Duplex(), dpHorizontal);
    EXPECT_EQ(target.BinName(), "Manual");
    EXPECT_EQ(target.DocumentName, "Bilderliste");
    EXPECT_EQ(target.Units(), utMillimeters);
    EXPECT_TRUE(target.PageDef() == source->PageDef());

    TPersistent other;
    EXPECT_THROW(target.Assign(&other), EConvertError);
}

TEST_F(PrinterSetupTest, WhileTheOwnerLoadsSizesAreKeptForLaterAndNothingFires)
{
    TComponent owner(nullptr);
    TrgPrinterSetup setup(&owner);
    setup.SetUnits(utMillimeters);
    int events = 0;
    setup.OnPageDefChange = [&](TObject*) { ++events; };
    owner.SetLoading(true);
    setup.SetPaperWidth(100);
    setup.SetPaperHeight(150);
    setup.SetPaperName("A5");
    EXPECT_EQ(setup.StoredPaperName(), "A5");  // taken as stored
    EXPECT_EQ(setup.PageDef().mmWidth, 210000);
    owner.SetLoading(false);
    setup.UpdatePageDefSize();
    EXPECT_EQ(setup.PageDef().mmWidth, 100000);
    EXPECT_EQ(setup.PageDef().mmHeight, 150000);
    EXPECT_EQ(events, 0);
}

TEST_F(PrinterSetupTest, WithoutPrintersNamesAndSizesAreKept)
{
    InstallFakePrinters({});
    auto setup = MillimetreSetup();
    EXPECT_EQ(setup->PrinterInfo(), nullptr);
    EXPECT_TRUE(setup->PrinterNames().isEmpty());
    setup->SetPaperName("A5");
    EXPECT_EQ(setup->PageDef().mmWidth, 210000);
    EXPECT_EQ(setup->PaperName(), "A5");
    setup->SetPrinterName("Laser");
    EXPECT_EQ(setup->PrinterName(), "Default");
}

// A device of 300 pixels per inch both ways.
class TDevice300 : public TObject, public TrgDeviceResolution {
public:
    int DevicePixelsPerInch(TrgDirection) const override { return 300; }
};

TEST_F(PrinterSetupTest, PrinterPixelsAreThoseOfTheSetupsPrinterOrTheSharedOne)
{
    TrgPrinterSetup setup(nullptr);
    setup.SetUnits(utPrinterPixels);
    const float shared = setup.PaperWidth();  // the shared printer's resolution
    EXPECT_EQ(shared, rgFromMMThousandths(210000, utPrinterPixels, rgHorizontal, rgGetPrinter()));
    EXPECT_NEAR(shared, 210 / 25.4 * TrgPrinter::kResolution, 1);

    TDevice300 device;
    setup.OnGetPrinter = [&](TObject*, TObject*& printer) { printer = &device; };
    EXPECT_NEAR(setup.PaperWidth(), 210 / 25.4 * 300, 1);
    setup.SetMarginLeft(300);  // one inch
    EXPECT_NEAR(setup.PageDef().mmMarginLeft, 25400, 1);
}

TEST_F(PrinterSetupTest, TheSixDefinedValuesAreThePageDefinition)
{
    TrgPrinterSetup setup(nullptr);
    EXPECT_EQ(QStringList(TrgPrinterSetup::DefinedPropertyNames.begin(), TrgPrinterSetup::DefinedPropertyNames.end()),
              QStringList({"mmMarginBottom", "mmMarginLeft", "mmMarginRight", "mmMarginTop", "mmPaperHeight",
                           "mmPaperWidth"}));
    for (int i = 0; i < 6; ++i)
        setup.SetDefinedValue(i, 1000 * (i + 1));
    const TrgPageDef& def = setup.PageDef();
    EXPECT_EQ(def.mmMarginBottom, 1000);
    EXPECT_EQ(def.mmMarginLeft, 2000);
    EXPECT_EQ(def.mmMarginRight, 3000);
    EXPECT_EQ(def.mmMarginTop, 4000);
    EXPECT_EQ(def.mmHeight, 5000);
    EXPECT_EQ(def.mmWidth, 6000);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(setup.DefinedValue(i), 1000 * (i + 1));
}

}  // namespace

// ---- stream form ----

namespace {

// A component that owns a setup, as a report does.
class TSetupHolder : public TComponent {
public:
    explicit TSetupHolder(TComponent* owner) : TComponent(owner), Setup(this) {}
    TrgPrinterSetup Setup;
};

void DescribeHolder()
{
    static const TClassInfo* info = [] {
        const TClassInfo* i = DescribeClass<TSetupHolder, TComponent>("TSetupHolder")
                                  .Object("PrinterSetup", [](TSetupHolder& h) { return &h.Setup; })
                                  .Info();
        RegisterClass(i);
        return i;
    }();
    (void)info;
}

QString AsText(TSetupHolder& holder)
{
    return QString::fromLatin1(ObjectBinaryToText(ComponentToBytes(&holder)));
}

std::unique_ptr<TSetupHolder> FromText(const QString& text)
{
    TComponent* read = ComponentFromBytes(ObjectTextToBinary(text.toLatin1()));
    return std::unique_ptr<TSetupHolder>(dynamic_cast<TSetupHolder*>(read));
}

class PrinterSetupStreamTest : public PrinterSetupTest {
protected:
    void SetUp() override
    {
        PrinterSetupTest::SetUp();
        DescribeHolder();
    }
};

TEST_F(PrinterSetupStreamTest, WritesThePublishedValuesThenAllSixMillimetreValues)
{
    TSetupHolder holder(nullptr);
    holder.Name = "Report";
    holder.Setup.SetCopies(2);
    holder.Setup.SetOrientation(poLandscape);
    holder.Setup.DocumentName = "Liste";
    EXPECT_EQ(AsText(holder).toStdString(),
              "object Report: TSetupHolder\r\n"
              "  PrinterSetup.BinName = 'Default'\r\n"
              "  PrinterSetup.Copies = 2\r\n"
              "  PrinterSetup.DocumentName = 'Liste'\r\n"
              "  PrinterSetup.Orientation = poLandscape\r\n"
              "  PrinterSetup.PaperName = 'A4'\r\n"
              "  PrinterSetup.PrinterName = 'Default'\r\n"
              "  PrinterSetup.mmMarginBottom = 6350\r\n"
              "  PrinterSetup.mmMarginLeft = 6350\r\n"
              "  PrinterSetup.mmMarginRight = 6350\r\n"
              "  PrinterSetup.mmMarginTop = 6350\r\n"
              "  PrinterSetup.mmPaperHeight = 210000\r\n"
              "  PrinterSetup.mmPaperWidth = 297000\r\n"
              "end\r\n");
}

TEST_F(PrinterSetupStreamTest, ASetupReadBackEqualsTheOneWritten)
{
    TSetupHolder holder(nullptr);
    holder.Name = "Report";
    holder.Setup.SetUnits(utMillimeters);
    holder.Setup.SetPrinterName("Second");
    holder.Setup.SetPaperName("A5");
    holder.Setup.SetMarginLeft(12.5f);
    holder.Setup.SetCollation(true);
    holder.Setup.SetCopies(3);
    holder.Setup.SetDuplex(dpVertical);
    holder.Setup.SetBinName("Manual");
    const auto read = FromText(AsText(holder));
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(read->Setup.IsEqual(holder.Setup));
    EXPECT_EQ(read->Setup.StoredPaperName(), "A5");
    EXPECT_EQ(read->Setup.PageDef().mmMarginLeft, 12500);
    EXPECT_EQ(AsText(*read), AsText(holder));
}

TEST_F(PrinterSetupStreamTest, MillimetreValuesOfAnyNumberFormAndLegacySizesAreRead)
{
    const auto read = FromText("object Report: TSetupHolder\r\n"
                               "  PrinterSetup.PaperName = 'Custom'\r\n"
                               "  PrinterSetup.PaperWidth = 4.25\r\n"
                               "  PrinterSetup.PaperHeight = 5.5\r\n"
                               "  PrinterSetup.mmMarginBottom = 7\r\n"
                               "  PrinterSetup.mmMarginLeft = 1000\r\n"
                               "  PrinterSetup.mmMarginRight = 100000\r\n"
                               "  PrinterSetup.mmMarginTop = 105000.0\r\n"
                               "end\r\n");
    ASSERT_NE(read, nullptr);
    const TrgPageDef& def = read->Setup.PageDef();
    EXPECT_EQ(def.mmMarginBottom, 7);
    EXPECT_EQ(def.mmMarginLeft, 1000);
    EXPECT_EQ(def.mmMarginRight, 100000);
    EXPECT_EQ(def.mmMarginTop, 105000);
    EXPECT_EQ(def.mmWidth, 210000);  // legacy sizes wait for UpdatePageDefSize
    EXPECT_FLOAT_EQ(read->Setup.LegacyPaperWidth(), 4.25f);
    read->Setup.UpdatePageDefSize();
    EXPECT_EQ(def.mmWidth, rgToMMThousandths(utInches, rgHorizontal, nullptr, 4.25f));
    EXPECT_EQ(def.mmHeight, rgToMMThousandths(utInches, rgVertical, nullptr, 5.5f));
}

TEST_F(PrinterSetupStreamTest, AnUnknownPrinterNameInAStreamKeepsDefault)
{
    const auto read = FromText("object Report: TSetupHolder\r\n"
                               "  PrinterSetup.PrinterName = 'Gone since 1998'\r\n"
                               "end\r\n");
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Setup.PrinterName(), "Default");
}

}  // namespace
