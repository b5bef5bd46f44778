// Engine settings and system properties.
#include "dbe_test_util.h"

namespace dbetest {
namespace {

using SettingsTest = EngineTest;

TEST_F(SettingsTest, SettersGiveThePreviousValue)
{
    EXPECT_EQ(dbe_SetExact(1), 0);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_GET_EXACT, 0), 1);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_SET_EXACT, 0), 1);
    EXPECT_EQ(dbe_SetExact(0), 0);
    EXPECT_EQ(dbe_SetSoftSeek(1), 0);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_GET_SOFTSEEK, 0), 1);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_SET_SOFTSEEK, 0), 1);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_GET_SOFTSEEK, 0), 0);
    EXPECT_EQ(dbe_SetDeleted(1), 0);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_GET_DELETED, 0), 1);
    EXPECT_EQ(dbe_SetDateFormat(2), 4);
    EXPECT_EQ(dbe_SetDateFormat(9), 2) << "refused, previous kept";
    EXPECT_EQ(dbe_SetDateFormat(4), 2);
    EXPECT_EQ(dbe_SetCentury(0), 1);
    EXPECT_EQ(dbe_SetLockTimeout(5), 0);
    EXPECT_EQ(dbe_SetMemoBlockSize(10), 64) << "refused";
    EXPECT_EQ(dbe_SetMemoBlockSize(64), 64);
    // Recorded without effect.
    EXPECT_EQ(dbe_SetTranslate(1), 0);
    EXPECT_EQ(dbe_SetTranslate(0), 1);
    EXPECT_EQ(dbe_SetPassword("secret"), 1);
    EXPECT_EQ(dbe_SetStringType(1), 1);
    EXPECT_EQ(dbe_ErrorLevel(1), 1);
    EXPECT_STRNE(dbe_Version(), "");
}

TEST_F(SettingsTest, MemoBlockSizeAppliesToNewMemoFiles)
{
    dbe_SetMemoBlockSize(512);
    std::string file = MakeSample("BIG.DBF");
    std::string fpt = lxtest::ReadFile(Path("BIG.FPT"));
    ASSERT_EQ(fpt.size(), 512u);
    EXPECT_EQ(uint8_t(fpt[6]), 2);
    EXPECT_EQ(uint8_t(fpt[7]), 0);
    EXPECT_EQ(uint8_t(fpt[3]), 1) << "the first free block follows the header";
    ASSERT_NE(dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2), 0);
    ASSERT_EQ(dbe_AppendBlank(), 1);
    ASSERT_EQ(dbe_Replace("NOTIZ", DBE_REPL_MEMO, "x"), 1);
    EXPECT_STREQ(dbe_GetString("NOTIZ"), "x");
    EXPECT_EQ(lxtest::ReadFile(Path("BIG.FPT")).size(), 1024u);
}

TEST_F(SettingsTest, SystemPropertiesOfTheArea)
{
    std::string file = MakeSample();
    EXPECT_EQ(dbe_SysProp(DBE_PROP_RECBUFFER, 0), 0) << "no table selected";
    uint16_t a = dbe_Use(file.c_str(), nullptr, DBE_SHARED, 2);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_AREA_IN_USE, a), 1);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_AREA_IN_USE, 0), 0);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_AREA_IN_USE, 256), 0);
    EXPECT_NE(dbe_SysProp(DBE_PROP_RECBUFFER, 0), 0);
    EXPECT_NE(dbe_SysProp(DBE_PROP_ENGINE_BUFFER, 0), 0);
    EXPECT_GE(dbe_SysProp(DBE_PROP_ENGINE_BUFSIZE, 0), 4096);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_ENGINE_FIELD, 1), 0);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_ORDER_COUNT, 0), 0);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_REPAIRED, 0), 0);
    EXPECT_EQ(dbe_SysProp(4711, 0), 0);
    EXPECT_EQ(dbe_IsEncrypted(a), 0);
}

}  // namespace
}  // namespace dbetest
