// The printer list: "Default" first, empty without printers, the default
// printer resolved by its device; paper and bin tables normalised so that
// "Custom" ends every paper table and "Default" stands in every bin table.
#include "report/output/rg_printer_list.h"

#include <gtest/gtest.h>

#include "fake_printer_source.h"
#include "report/output/rg_printer.h"

using rgtest::InstallFakePrinters;
using rgtest::OfficeLaser;
using rgtest::TFakePrinter;

namespace {

class PrinterListTest : public ::testing::Test {
protected:
    void TearDown() override { InstallFakePrinters({}); }
};

TEST_F(PrinterListTest, WithoutPrintersTheListIsEmptyAndThereIsNoSharedPrinter)
{
    InstallFakePrinters({});
    EXPECT_EQ(rgGetPrinterList()->GetCount(), 0);
    EXPECT_TRUE(rgGetPrinterNames().isEmpty());
    EXPECT_EQ(rgGetPrinterList()->GetPrinterInfo("Default"), nullptr);
    EXPECT_EQ(rgGetPrinter(), nullptr);
}

TEST_F(PrinterListTest, OnePrinterGivesDefaultAndThePrinterAndASharedPrinter)
{
    InstallFakePrinters({OfficeLaser("Laser")});
    EXPECT_EQ(rgGetPrinterNames(), QStringList({"Default", "Laser"}));
    EXPECT_EQ(rgGetPrinterList()->GetDefaultPrinterName(), "Laser");
    EXPECT_EQ(rgGetPrinterList()->GetPrinterInfo("Default"), rgGetPrinterList()->GetPrinterInfo("Laser"));
    EXPECT_EQ(rgGetPrinterList()->GetPrinterInfo("Laser")->Device, "Laser");
    EXPECT_EQ(rgGetPrinterList()->GetPrinterInfo("Nowhere"), nullptr);
    ASSERT_NE(rgGetPrinter(), nullptr);
    EXPECT_EQ(rgGetPrinter(), rgGetPrinter());
}

TEST_F(PrinterListTest, PrintersKeepTheSpoolersOrderAndTheDefaultIsFoundByDevice)
{
    std::vector<TFakePrinter> printers{OfficeLaser("Zeta"), OfficeLaser("Alpha"), OfficeLaser("Mid")};
    rgSetPrinterSource(std::make_unique<rgtest::TFakePrinterSource>(printers, "Alpha"));
    EXPECT_EQ(rgGetPrinterNames(), QStringList({"Default", "Zeta", "Alpha", "Mid"}));
    EXPECT_EQ(rgGetPrinterList()->GetDefaultPrinterName(), "Alpha");
    EXPECT_EQ(rgGetPrinterList()->GetPrinterInfo("Default")->Name, "Alpha");
}

TEST_F(PrinterListTest, ADefaultDeviceThatIsNotListedResolvesDefaultToNothing)
{
    rgSetPrinterSource(std::make_unique<rgtest::TFakePrinterSource>(std::vector{OfficeLaser("Laser")}, "Vanished"));
    EXPECT_EQ(rgGetPrinterList()->GetDefaultPrinterName(), "");
    EXPECT_EQ(rgGetPrinterList()->GetPrinterInfo("Default"), nullptr);
    EXPECT_NE(rgGetPrinterList()->GetPrinterInfo("Laser"), nullptr);
}

TEST_F(PrinterListTest, AQueryStartedEarlyIsTakenAndCapabilitiesAreAskedOnce)
{
    int queries = 0;
    InstallFakePrinters({OfficeLaser("Laser")}, &queries);
    rgStartPrinterListQuery();
    rgStartPrinterListQuery();  // a second start does nothing more
    TrgPrinterList* list = rgGetPrinterList();
    EXPECT_EQ(list->Names(), QStringList({"Default", "Laser"}));
    EXPECT_EQ(rgGetPrinterList(), list);
    TrgPrinterInfo* info = list->GetPrinterInfo("Laser");
    EXPECT_EQ(info->GetCapabilities(), info->GetCapabilities());
    EXPECT_EQ(queries, 1);
}

// ---- normalisation ----

struct PaperCase {
    const char* name;
    TrgRawCapabilities raw;
    QStringList names, papers, widths, heights;
};

const PaperCase kPaperCases[] = {
    {"custom appended after codes below 256",
     {{"A4", "Letter"}, {9, 1}, {2100, 2159}, {2970, 2794}, {}, {}},
     {"A4", "Letter", "Custom"}, {"9", "1", "256"}, {"2100", "2159", "0"}, {"2970", "2794", "0"}},
    {"highest user code becomes custom and goes last",
     {{"A4", "Poster", "Banner"}, {9, 300, 270}, {2100, 5000, 3000}, {2970, 7000, 9000}, {}, {}},
     {"A4", "Banner", "Custom"}, {"9", "270", "300"}, {"2100", "3000", "5000"}, {"2970", "9000", "7000"}},
    {"custom in front moves last with its size",
     {{"Custom", "A4"}, {256, 9}, {0, 2100}, {0, 2970}, {}, {}},
     {"A4", "Custom"}, {"9", "256"}, {"2100", "0"}, {"2970", "0"}},
    {"code 256 under another name is named custom",
     {{"A4", "User size"}, {9, 256}, {2100, 0}, {2970, 0}, {}, {}},
     {"A4", "Custom"}, {"9", "256"}, {"2100", "0"}, {"2970", "0"}},
    {"a paper without width or height is dropped",
     {{"A4", "Broken", "Letter"}, {9, 70, 1}, {2100, 0, 2159}, {2970, 2000, 2794}, {}, {}},
     {"A4", "Letter", "Custom"}, {"9", "1", "256"}, {"2100", "2159", "0"}, {"2970", "2794", "0"}},
    {"missing sizes come from the standard table",
     {{"A4", "Legal"}, {9, 5}, {}, {}, {}, {}},
     {"A4", "Legal", "Custom"}, {"9", "5", "256"}, {"2100", "2159", "0"}, {"2970", "3556", "0"}},
    {"unnamed codes get their standard names in place",
     {{"A4"}, {9, 5, 1}, {2100, 2159, 2159}, {2970, 3556, 2794}, {}, {}},
     {"A4", "Legal (8.5 x 14 in.)", "Letter (8.5 x 11 in.)", "Custom"}, {"9", "5", "1", "256"},
     {"2100", "2159", "2159", "0"}, {"2970", "3556", "2794", "0"}},
    {"an unnamed code whose standard name is taken goes",
     {{"A4 (210 x 297 mm)"}, {9, 10}, {2100, 2100}, {2970, 2970}, {}, {}},
     {"A4 (210 x 297 mm)", "Custom"}, {"9", "256"}, {"2100", "0"}, {"2970", "0"}},
    {"surplus names go",
     {{"A4", "Letter", "Extra"}, {9, 1}, {2100, 2159}, {2970, 2794}, {}, {}},
     {"A4", "Letter", "Custom"}, {"9", "1", "256"}, {"2100", "2159", "0"}, {"2970", "2794", "0"}},
    {"an empty table still has custom",
     {}, {"Custom"}, {"256"}, {"0"}, {"0"}},
};

class PaperNormalisation : public ::testing::TestWithParam<PaperCase> {};

TEST_P(PaperNormalisation, GivesParallelTablesEndingInCustom)
{
    const PaperCase& c = GetParam();
    const TrgPrinterCapabilities caps("P", c.raw);
    EXPECT_EQ(caps.PaperNames, c.names);
    EXPECT_EQ(caps.Papers, c.papers);
    EXPECT_EQ(caps.PaperWidths, c.widths);
    EXPECT_EQ(caps.PaperHeights, c.heights);
}

INSTANTIATE_TEST_SUITE_P(Tables, PaperNormalisation, ::testing::ValuesIn(kPaperCases));

struct BinCase {
    QStringList names;
    QList<int> codes;
    QStringList expectedNames, expectedCodes;
};

const BinCase kBinCases[] = {
    {{"Auto", "Tray 2"}, {7, 258}, {"Default", "Tray 2"}, {"7", "258"}},
    {{"Upper", "Lower"}, {1, 2}, {"Default", "Upper", "Lower"}, {"7", "1", "2"}},
    {{"Lower", "Default", "Extra"}, {2, 15}, {"Lower", "Default"}, {"2", "15"}},
    {{}, {}, {"Default"}, {"7"}},
};

class BinNormalisation : public ::testing::TestWithParam<BinCase> {};

TEST_P(BinNormalisation, HoldsDefaultAndEqualLengths)
{
    const BinCase& c = GetParam();
    TrgRawCapabilities raw;
    raw.BinNames = c.names;
    raw.Bins = c.codes;
    const TrgPrinterCapabilities caps("P", raw);
    EXPECT_EQ(caps.BinNames, c.expectedNames);
    EXPECT_EQ(caps.Bins, c.expectedCodes);
}

INSTANTIATE_TEST_SUITE_P(Tables, BinNormalisation, ::testing::ValuesIn(kBinCases));

// ---- standard papers ----

TEST(StandardPapers, NamesAndSizesOfTheCommonCodes)
{
    struct Case {
        int code;
        const char* name;
        int width, height;
    };
    const Case cases[] = {
        {1, "Letter (8.5 x 11 in.)", 2159, 2794}, {2, "Letter (8.5 x 11 in.)", 2159, 2794},
        {3, "Tabloid (11 x 17 in.)", 2794, 4318}, {5, "Legal (8.5 x 14 in.)", 2159, 3556},
        {7, "Executive (7.25 x 10.5 in.)", 1842, 2667}, {8, "A3 (297 x 420 mm)", 2970, 4200},
        {9, "A4 (210 x 297 mm)", 2100, 2970}, {10, "A4 (210 x 297 mm)", 2100, 2970},
        {11, "Custom", 1480, 2100}, {20, "Custom", 1048, 2413}, {27, "Custom", 1100, 2200},
        {48, "Custom", 0, 0}, {66, "Custom", 4200, 5940}, {68, "Custom", 3220, 4450},
        {69, "Custom", 0, 0}, {0, "Custom", 0, 0}, {256, "Custom", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(rgGetStandardPaperName(c.code), c.name);
        EXPECT_EQ(rgGetStandardPaperSize(c.code).Width, c.width);
        EXPECT_EQ(rgGetStandardPaperSize(c.code).Height, c.height);
    }
}

TEST(StandardPapers, ASizeWithinAMillimetreFindsTheFirstCode)
{
    EXPECT_EQ(rgFindStandardPaperCode(2100, 2970), 9);
    EXPECT_EQ(rgFindStandardPaperCode(2105, 2965), 9);
    EXPECT_EQ(rgFindStandardPaperCode(2159, 2794), 1);
    EXPECT_EQ(rgFindStandardPaperCode(2112, 2970), 0);
    EXPECT_EQ(rgFindStandardPaperCode(0, 0), 0);
}

}  // namespace
