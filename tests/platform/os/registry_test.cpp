// Guards the registry stand-in: values, keys, errors and the sections shared
// with the drive map.
#include "platform/core/drive_map.h"
#include "platform/os/registry.h"

#include "test_environment.h"

#include <gtest/gtest.h>

namespace {

std::string RegistryBytes()
{
    return lxtest::ReadFile(RegistryFileLinuxPath().toStdString());
}

}  // namespace

TEST(Registry, AppPathsAreWrittenAndReadBack)
{
    const QString key = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\LUMADEX.EXE";
    {
        TRegistry reg;
        reg.RootKey = TRootKey::HKEY_LOCAL_MACHINE;
        EXPECT_FALSE(reg.OpenKey(key, false));
        ASSERT_TRUE(reg.OpenKey(key, true));
        EXPECT_EQ(reg.ReadString(""), "");  // a missing value reads empty
        reg.WriteString("", "C:\\Programme\\Lumadex\\LUMADEX.EXE");
        reg.WriteString("InstallPath", "C:\\Programme\\Lumadex\\");
        reg.CloseKey();
    }
    TRegistry reg;
    reg.RootKey = TRootKey::HKEY_LOCAL_MACHINE;
    EXPECT_TRUE(reg.KeyExists(key));
    EXPECT_TRUE(reg.KeyExists("\\software\\microsoft"));  // a parent key
    ASSERT_TRUE(reg.OpenKeyReadOnly(key));
    EXPECT_EQ(reg.ReadString(""), "C:\\Programme\\Lumadex\\LUMADEX.EXE");
    EXPECT_EQ(reg.ReadString("installpath"), "C:\\Programme\\Lumadex\\");
    EXPECT_THROW(reg.WriteString("x", "y"), ERegistryException);  // read-only
    TStringList names;
    reg.GetValueNames(names);
    EXPECT_EQ(names.CommaText(), ",InstallPath");  // the default value has the empty name
    const std::string bytes = RegistryBytes();
    EXPECT_NE(bytes.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\LUMADEX.EXE]\r\n"
                         "@=C:\\Programme\\Lumadex\\LUMADEX.EXE\r\n"
                         "InstallPath=C:\\Programme\\Lumadex\\\r\n"),
              std::string::npos);
    // The same key under another root is another key.
    TRegistry user;
    EXPECT_FALSE(user.KeyExists(key));
    // Leaves no key behind for the next test in this process.
    TRegistry machine;
    machine.RootKey = TRootKey::HKEY_LOCAL_MACHINE;
    EXPECT_TRUE(machine.DeleteKey(key));
    EXPECT_FALSE(machine.KeyExists(key));
}

TEST(Registry, ValuesKeysAndErrors)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Control Panel\\Desktop", true));
    reg.WriteString("Wallpaper", "C:\\Bilder\\a.bmp");
    reg.WriteInteger("TileWallpaper", 1);
    reg.WriteBool("Aus", false);
    EXPECT_EQ(reg.ReadInteger("TileWallpaper"), 1);
    EXPECT_FALSE(reg.ReadBool("Aus"));
    EXPECT_THROW(reg.ReadInteger("Wallpaper"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger("fehlt"), ERegistryException);
    EXPECT_THROW(reg.WriteString("Name", QString::fromUtf8("Łódź")), ERegistryException);
    EXPECT_TRUE(reg.DeleteValue("Aus"));
    EXPECT_FALSE(reg.DeleteValue("Aus"));
    EXPECT_FALSE(reg.ValueExists("Aus"));
    reg.CloseKey();
    ASSERT_TRUE(reg.OpenKey("\\Control Panel", false));
    TStringList keys;
    reg.GetKeyNames(keys);
    EXPECT_EQ(keys.CommaText(), "Desktop");
    EXPECT_TRUE(reg.OpenKey("Desktop", false));  // relative to the open key
    EXPECT_EQ(reg.CurrentPath(), "Control Panel\\Desktop");
    EXPECT_TRUE(reg.DeleteKey("\\Control Panel"));
    EXPECT_FALSE(reg.KeyExists("\\Control Panel\\Desktop"));
    TRegistry closed;
    EXPECT_THROW(closed.WriteString("a", "b"), ERegistryException);
}

TEST(Registry, DriveLetterSectionsAreSharedWithTheDriveMap)
{
    // The drive map reads hand-set letters from this key.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\QV-Lumadex\\DriveLetters", true));
    reg.WriteString("/media/anna/USB", "U");
    EXPECT_EQ(TRegistry::SectionName(TRootKey::HKEY_CURRENT_USER, reg.CurrentPath()),
              QString::fromLatin1(kRegistryDriveLettersKey));
    EXPECT_TRUE(reg.DeleteKey("\\Software\\QV-Lumadex"));
}
