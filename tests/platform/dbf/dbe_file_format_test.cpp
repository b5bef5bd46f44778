// The files the engine writes, checked byte by byte against the FoxPro DBF
// and FPT layouts and read back by independent xBase readers (Debian's
// python3-dbfread, python3-dbf and dbview); and a FoxPro table written by
// python3-dbf opened with the engine.
#include <array>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "dbe_test_util.h"
#include "outside_readers.h"

namespace dbetest {
namespace {

const char* const kPython = "/usr/bin/python3";

uint32_t Le32(const std::string& b, size_t at)
{
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}
uint32_t Be32(const std::string& b, size_t at)
{
    return uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 |
           uint32_t(uint8_t(b[at + 2])) << 8 | uint32_t(uint8_t(b[at + 3]));
}
uint16_t Le16(const std::string& b, size_t at)
{
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}



bool PythonHas(const char* module)
{
    if (!std::filesystem::exists(kPython)) return false;
    int status = 0;
    outside::Run(std::string(kPython) + " -c 'import " + module + "' 2>/dev/null", status);
    return status == 0;
}

class FileFormatTest : public EngineTest {
protected:
    // Two records: one full, one deleted with empty values; a binary memo
    // with zero bytes in the first.
    std::string WriteSample()
    {
        std::string file = MakeSample();
        EXPECT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
        EXPECT_EQ(dbe_AppendBlank(), 1);
        EXPECT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "Gr\xFC\xDF" "e"), 1);
        double count = 12.5;
        EXPECT_EQ(dbe_Replace("COUNT", DBE_REPL_DOUBLE, &count), 1);
        EXPECT_EQ(dbe_Replace("DAY", DBE_REPL_DATE, "24.12.2024"), 1);
        unsigned char yes = 1;
        EXPECT_EQ(dbe_Replace("FLAG", DBE_REPL_LOGICAL, &yes), 1);
        EXPECT_EQ(dbe_ReplaceBlob("NOTIZ", blob_.data(), uint32_t(blob_.size()), 1), 1);
        EXPECT_EQ(dbe_AppendBlank(), 1);
        EXPECT_EQ(dbe_Replace("NAME", DBE_REPL_TEXT, "second"), 1);
        EXPECT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, "text memo"), 1);
        EXPECT_EQ(dbe_Delete(), 1);
        dbe_CloseAll();
        return file;
    }
    std::string blob_ = std::string("\x00\x01zero", 6) + std::string(1, '\0') + "bytes\xFF" +
                        std::string(300, 'x');
};

TEST_F(FileFormatTest, DbfAndFptBytesFollowTheFoxProLayout)
{
    // The header holds the day of the last write: the day before or after
    // writing, so a run across midnight passes too.
    auto heute = [] {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        return std::array<int, 3>{tm.tm_year, tm.tm_mon + 1, tm.tm_mday};
    };
    const auto vorher = heute();
    std::string file = WriteSample();
    const auto nachher = heute();
    std::string dbf = lxtest::ReadFile(file);
    ASSERT_GE(dbf.size(), 32u);
    EXPECT_EQ(uint8_t(dbf[0]), 0xF5) << "FoxPro with memo";
    const std::array<int, 3> kopf{uint8_t(dbf[1]), uint8_t(dbf[2]), uint8_t(dbf[3])};
    EXPECT_TRUE(kopf == vorher || kopf == nachher) << kopf[0] << "-" << kopf[1] << "-" << kopf[2];
    EXPECT_EQ(Le32(dbf, 4), 2u);
    const uint16_t headerLength = Le16(dbf, 8), recordLength = Le16(dbf, 10);
    EXPECT_EQ(headerLength, 32 + 5 * 32 + 1);
    EXPECT_EQ(recordLength, 1 + 20 + 6 + 8 + 1 + 10);
    EXPECT_EQ(uint8_t(dbf[29]), 0x03) << "Windows-1252 code page mark";
    // Field descriptors: name zero-padded, type, offset, width, decimals.
    const struct {
        const char* name;
        char type;
        int offset, width, decimals;
    } fields[] = {{"NAME", 'C', 1, 20, 0},
                  {"COUNT", 'N', 21, 6, 2},
                  {"DAY", 'D', 27, 8, 0},
                  {"FLAG", 'L', 35, 1, 0},
                  {"NOTIZ", 'M', 36, 10, 0}};
    for (int i = 0; i < 5; ++i) {
        size_t d = 32 + size_t(i) * 32;
        EXPECT_EQ(std::string(dbf.c_str() + d), fields[i].name);
        EXPECT_EQ(std::string(dbf, d, 11).find_first_not_of('\0', strlen(fields[i].name)),
                  std::string::npos);
        EXPECT_EQ(dbf[d + 11], fields[i].type);
        EXPECT_EQ(Le32(dbf, d + 12), uint32_t(fields[i].offset));
        EXPECT_EQ(uint8_t(dbf[d + 16]), fields[i].width);
        EXPECT_EQ(uint8_t(dbf[d + 17]), fields[i].decimals);
    }
    EXPECT_EQ(dbf[32 + 5 * 32], '\x0D');
    ASSERT_EQ(dbf.size(), size_t(headerLength) + 2u * recordLength + 1);
    EXPECT_EQ(dbf.back(), '\x1A');
    std::string rec1 = dbf.substr(headerLength, recordLength);
    std::string rec2 = dbf.substr(headerLength + recordLength, recordLength);
    EXPECT_EQ(rec1.substr(0, 21), " Gr\xFC\xDF" "e" + std::string(15, ' '));
    EXPECT_EQ(rec1.substr(21, 6), " 12.50");
    EXPECT_EQ(rec1.substr(27, 8), "20241224");
    EXPECT_EQ(rec1.substr(35, 1), "T");
    EXPECT_EQ(rec2[0], '*');
    EXPECT_EQ(rec2.substr(27, 9), std::string(9, ' ')) << "empty date and logical";

    // FPT: header with next free block and block size 64, big-endian; the
    // memo block with type and length, big-endian.
    std::string fpt = lxtest::ReadFile(Path("SAMPLE.FPT"));
    ASSERT_GE(fpt.size(), 512u);
    EXPECT_EQ(fpt[6], '\0');
    EXPECT_EQ(uint8_t(fpt[7]), 64);
    EXPECT_EQ(uint64_t(Be32(fpt, 0)) * 64, fpt.size()) << "next free block is the end";
    uint32_t block = uint32_t(std::stoul(rec1.substr(36, 10)));
    EXPECT_EQ(rec1.substr(36, 10), std::string(10 - std::to_string(block).size(), ' ') +
                                       std::to_string(block));
    EXPECT_EQ(block, 512u / 64) << "the first memo follows the header";
    size_t at = size_t(block) * 64;
    EXPECT_EQ(Be32(fpt, at), 0u) << "binary block";
    EXPECT_EQ(Be32(fpt, at + 4), blob_.size());
    EXPECT_EQ(fpt.substr(at + 8, blob_.size()), blob_);
    uint32_t block2 = uint32_t(std::stoul(rec2.substr(36, 10)));
    EXPECT_EQ(Be32(fpt, size_t(block2) * 64), 1u) << "text block";
    EXPECT_EQ(fpt.substr(size_t(block2) * 64 + 8, 9), "text memo");
}

TEST_F(FileFormatTest, TableWithoutMemoStartsWith03)
{
    std::string file = Path("PLAIN.DBF");
    Create(file, {{"A", 'C', 3, 0}});
    std::string dbf = lxtest::ReadFile(file);
    EXPECT_EQ(uint8_t(dbf[0]), 0x03);
    EXPECT_EQ(Le32(dbf, 4), 0u);
    EXPECT_EQ(dbf.size(), 32u + 32u + 1u + 1u);
    EXPECT_EQ(dbf.back(), '\x1A');
    EXPECT_FALSE(std::filesystem::exists(Path("PLAIN.FPT")));
}

TEST_F(FileFormatTest, DbfreadReadsWhatTheEngineWrote)
{
    ASSERT_TRUE(PythonHas("dbfread")) << "python3-dbfread is not installed (scripts/setup installs it)";
    std::string file = WriteSample();
    std::string script = Path("read.py");
    lxtest::WriteFile(script, R"(
import sys, dbfread
t = dbfread.DBF(sys.argv[1], encoding='cp1252', load=True, raw=False, ignore_missing_memofile=False)
print(t.dbversion)
print('|'.join(f.name + ':' + f.type for f in t.fields))
for r in t.records:
    print(repr(r['NAME']), r['COUNT'], r['DAY'], r['FLAG'], repr(r['NOTIZ']))
for r in t.deleted:
    print('deleted', repr(r['NAME']), repr(r['NOTIZ']))
)");
    int status = 0;
    std::string out = outside::Run(std::string(kPython) + " " + script + " " + file, status);
    ASSERT_EQ(status, 0) << out;
    std::string expected =
        "FoxPro 2.x (or earlier) with memo\n"
        "NAME:C|COUNT:N|DAY:D|FLAG:L|NOTIZ:M\n"
        "'Grüße' 12.5 2024-12-24 True b'\\x00\\x01zero\\x00bytes\\xff" +
        std::string(300, 'x') +
        "'\n"
        "deleted 'second' 'text memo'\n";
    EXPECT_EQ(out, expected);
}

TEST_F(FileFormatTest, PythonDbfReadsWhatTheEngineWrote)
{
    ASSERT_TRUE(PythonHas("dbf")) << "python3-dbf is not installed (scripts/setup installs it)";
    std::string file = WriteSample();
    std::string script = Path("read2.py");
    lxtest::WriteFile(script, R"(
import sys, dbf
t = dbf.Table(sys.argv[1], codepage='cp1252')
t.open(dbf.READ_ONLY)
print(len(t), t.codepage.name)
for r in t:
    print(dbf.is_deleted(r), repr(r.name.rstrip()), r.count, r.day, r.flag, len(r.notiz))
t.close()
)");
    int status = 0;
    std::string out = outside::Run(std::string(kPython) + " " + script + " " + file + " 2>&1", status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("2 cp1252"), std::string::npos) << out;
    EXPECT_NE(out.find("False 'Grüße' 12.5 2024-12-24 True 313"), std::string::npos) << out;
    EXPECT_NE(out.find("True 'second' None None None 9"), std::string::npos) << out;
}

TEST_F(FileFormatTest, DbviewReadsWhatTheEngineWrote)
{
    ASSERT_TRUE(std::filesystem::exists("/usr/bin/dbview")) << "dbview is not installed (scripts/setup installs it)";
    std::string file = Path("PLAIN.DBF");
    Create(file, {{"Title", 'C', 10, 0}, {"Amount", 'N', 5, 1}});
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    ASSERT_EQ(dbe_AppendBlank(), 1);
    ASSERT_EQ(dbe_Replace("TITLE", DBE_REPL_TEXT, "hello"), 1);
    ASSERT_EQ(dbe_Replace("AMOUNT", DBE_REPL_TEXT, "3.5"), 1);
    dbe_CloseAll();
    int status = 0;
    std::string out = outside::Run("/usr/bin/dbview -b -t -d '|' " + file + " 2>&1", status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_EQ(out, "hello|3.5|\n");
}

TEST_F(FileFormatTest, EngineReadsAFoxProTableWrittenByPythonDbf)
{
    ASSERT_TRUE(PythonHas("dbf")) << "python3-dbf is not installed (scripts/setup installs it)";
    std::string file = Path("foreign.dbf");
    std::string script = Path("write.py");
    lxtest::WriteFile(script, R"(
import sys, dbf, datetime
t = dbf.Table(sys.argv[1], 'title C(20); amount N(8,2); taken D; seen L; notes M', dbf_type='fp', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('Stra\u00dfe', 1234.5, datetime.date(2023, 7, 1), True, 'a memo\nwith two lines'))
t.append(('second', -2, None, False, ''))
t.append(('gone', 0, None, None, 'x' * 3000))
dbf.delete(t[2])
t.close()
)");
    int status = 0;
    std::string out = outside::Run(std::string(kPython) + " " + script + " " + file + " 2>&1", status);
    ASSERT_EQ(status, 0) << out;
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0) << dbe_LastError();
    EXPECT_EQ(dbe_RecCount(), 3u);
    EXPECT_STREQ(dbe_Alias(), "FOREIGN");
    dbe_GoTop();
    EXPECT_STREQ(dbe_GetTrimString("TITLE"), "Stra\xDF" "e");
    EXPECT_STREQ(dbe_GetTrimString("AMOUNT"), " 1234.50");
    EXPECT_STREQ(dbe_GetDateString("TAKEN"), "01.07.2023");
    EXPECT_EQ(dbe_GetLogical("SEEN"), 1);
    EXPECT_STREQ(dbe_GetString("NOTES"), "a memo\nwith two lines");
    dbe_Skip(1);
    EXPECT_EQ(dbe_GetLogical("SEEN"), 0);
    EXPECT_EQ(dbe_Empty("TAKEN"), 1);
    EXPECT_EQ(dbe_GetBlobLength("NOTES"), 0);
    dbe_Skip(1);
    EXPECT_EQ(dbe_Deleted(), 1);
    EXPECT_EQ(dbe_GetBlobLength("NOTES"), 3000);
    // Writing into it keeps it readable for the other tool.
    dbe_GoTop();
    ASSERT_EQ(dbe_Replace("NOTES", DBE_REPL_MEMO, "rewritten"), 1);
    ASSERT_EQ(dbe_Replace("TITLE", DBE_REPL_TEXT, "new"), 1);
    dbe_CloseAll();
    std::string check = Path("check.py");
    lxtest::WriteFile(check, R"(
import sys, dbf
t = dbf.Table(sys.argv[1])
t.open(dbf.READ_ONLY)
print(t[0].title.rstrip(), t[0].notes, len(t[2].notes))
)");
    out = outside::Run(std::string(kPython) + " " + check + " " + file + " 2>&1", status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_EQ(out, "new rewritten 3000\n");
}

TEST_F(FileFormatTest, OtherTableTypesOpenTheirDbfPart)
{
    ASSERT_TRUE(PythonHas("dbf")) << "python3-dbf is not installed (scripts/setup installs it)";
    std::string file = Path("db3.dbf");
    std::string script = Path("write3.py");
    lxtest::WriteFile(script, R"(
import sys, dbf
t = dbf.Table(sys.argv[1], 'title C(10); amount N(5,1); notes M', dbf_type='db3')
t.open(dbf.READ_WRITE)
t.append(('first', 2.5, 'a dBase III memo'))
t.close()
)");
    int status = 0;
    std::string out = outside::Run(std::string(kPython) + " " + script + " " + file + " 2>&1", status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_EQ(uint8_t(lxtest::ReadFile(file)[0]), 0x83);
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 1), 0) << dbe_LastError();
    EXPECT_NE(std::string(dbe_LastError()).find("Memodatei"), std::string::npos)
        << "the .DBT memo file is not read";
    dbe_GoTop();
    EXPECT_STREQ(dbe_GetTrimString("TITLE"), "first");
    EXPECT_STREQ(dbe_GetString("AMOUNT"), "  2.5");
    EXPECT_EQ(dbe_GetMemo("NOTES", 0), nullptr);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 0);
}

}  // namespace
}  // namespace dbetest
