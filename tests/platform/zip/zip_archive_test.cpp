// Tests of the zip library: archives checked with the standard unzip and by
// reading the central directory bytes, the commands, the options, cancel
// and the failures.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/zip/zip_archive.h"
#include "test_environment.h"

namespace {

namespace fs = std::filesystem;

std::string Shell(const std::string& cmd, int* status = nullptr) {
    std::string out;
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    int rc = pclose(p);
    if (status) *status = WEXITSTATUS(rc);
    return out;
}

std::string Q(const fs::path& p) {
    return "'" + p.string() + "'";
}

// One central directory entry, read straight from the archive's bytes.
struct CdEntry {
    std::string name;
    uint16_t flags = 0;
    uint16_t method = 0;
};

std::vector<CdEntry> CentralDirectory(const fs::path& zip) {
    std::string b = lxtest::ReadFile(zip);
    auto u16 = [&](size_t o) { return uint16_t(uint8_t(b[o]) | uint8_t(b[o + 1]) << 8); };
    auto u32 = [&](size_t o) { return uint32_t(u16(o) | uint32_t(u16(o + 2)) << 16); };
    size_t eocd = b.rfind(std::string("PK\x05\x06", 4));
    EXPECT_NE(eocd, std::string::npos);
    if (eocd == std::string::npos) return {};
    std::vector<CdEntry> out;
    size_t pos = u32(eocd + 16);
    for (int i = 0; i < u16(eocd + 10); ++i) {
        EXPECT_EQ(u32(pos), 0x02014b50u);
        CdEntry e;
        e.flags = u16(pos + 8);
        e.method = u16(pos + 10);
        e.name = b.substr(pos + 46, u16(pos + 28));
        out.push_back(e);
        pos += 46 + u16(pos + 28) + u16(pos + 30) + u16(pos + 32);
    }
    return out;
}

std::map<std::string, CdEntry> ByName(const fs::path& zip) {
    std::map<std::string, CdEntry> m;
    for (const CdEntry& e : CentralDirectory(zip))
        m[e.name] = e;
    return m;
}

void Touch(const fs::path& file, time_t t) {
    struct utimbuf times {
        t, t
    };
    ASSERT_EQ(utime(file.c_str(), &times), 0);
}

class ZipArchive : public ::testing::Test {
protected:
    lxtest::TempDir dir;
    fs::path src = dir / "Daten";
    fs::path zip = dir / "BACKUP1.ZIP";
    ZipOptions o;

    void SetUp() override {
        lxtest::WriteFile(src / "Bilder.dbf", std::string(5000, 'D'));
        lxtest::WriteFile(src / "bilder.FPT", "memo");
        lxtest::WriteFile(src / "Bärbel Übersicht.txt", "Grüße");
        lxtest::WriteFile(src / "BilderX.dbf", "andere");
        o.zipFile = zip.string();
        o.subOptions = kZsoRelativePath;
    }
    std::string Names() { return Shell("unzip -Z1 " + Q(zip)); }
    std::string Content(const std::string& name) {
        return Shell("unzip -p " + Q(zip) + " '" + name + "'");
    }
};

// Add makes an archive the standard unzip accepts, with the German names
// under the UTF-8 flag; update then replaces newer files and adds new ones.
TEST_F(ZipArchive, AddThenUpdateGivesAStandardArchive) {
    time_t past = time(nullptr) - 3600;
    for (auto& f : fs::directory_iterator(src))
        Touch(f.path(), past);
    o.itemList = (src / "B*").string();
    ASSERT_EQ(ZipExecute(kZipAdd, o), kZipOk);
    int status = -1;
    std::string test = Shell("unzip -t " + Q(zip), &status);
    EXPECT_EQ(status, 0) << test;
    EXPECT_NE(test.find("No errors detected"), std::string::npos) << test;
    EXPECT_EQ(Names(), "Bilder.dbf\nBilderX.dbf\nBärbel Übersicht.txt\nbilder.FPT\n");
    auto cd = ByName(zip);
    ASSERT_EQ(cd.size(), 4u);
    EXPECT_TRUE(cd["Bärbel Übersicht.txt"].flags & 0x0800);  // UTF-8 flag
    EXPECT_EQ(cd["Bilder.dbf"].method, 8);                   // deflate
    EXPECT_EQ(Content("Bärbel Übersicht.txt"), "Grüße");

    // A newer file, an unchanged one and a new one.
    lxtest::WriteFile(src / "bilder.FPT", "neues memo");
    lxtest::WriteFile(src / "Bilder.cdx", "index");
    lxtest::WriteFile(src / "BilderX.dbf", "geändert, aber älter");
    Touch(src / "BilderX.dbf", past - 7200);
    o.itemList = (src / "BILDER.*").string();  // mask without regard to case
    ASSERT_EQ(ZipExecute(kZipUpdate, o), kZipOk);
    EXPECT_EQ(Shell("unzip -tq " + Q(zip), &status).find("No errors"), 0u);
    EXPECT_EQ(Names(), "Bilder.dbf\nBilderX.dbf\nBärbel Übersicht.txt\nbilder.FPT\nBilder.cdx\n");
    EXPECT_EQ(Content("bilder.FPT"), "neues memo");
    EXPECT_EQ(Content("BilderX.dbf"), "andere");  // not in the mask, kept
    EXPECT_EQ(Content("Bilder.cdx"), "index");
}

TEST_F(ZipArchive, FreshenDeleteMoveAndTest) {
    o.itemList = (src / "*.dbf").string();
    ASSERT_EQ(ZipExecute(kZipAdd, o), kZipOk);
    EXPECT_EQ(Names(), "Bilder.dbf\nBilderX.dbf\n");

    // Freshen replaces the newer file and adds nothing.
    Touch(src / "Bilder.dbf", time(nullptr) + 60);
    lxtest::WriteFile(src / "Neu.dbf", "neu");
    Touch(src / "Neu.dbf", time(nullptr) + 60);
    lxtest::WriteFile(src / "Bilder.dbf", "frisch");
    Touch(src / "Bilder.dbf", time(nullptr) + 60);
    ASSERT_EQ(ZipExecute(kZipFreshen, o), kZipOk);
    EXPECT_EQ(Names(), "Bilder.dbf\nBilderX.dbf\n");
    EXPECT_EQ(Content("Bilder.dbf"), "frisch");

    // Delete by name, without regard to case.
    o.itemList = "bilderx.DBF";
    ASSERT_EQ(ZipExecute(kZipDelete, o), kZipOk);
    EXPECT_EQ(Names(), "Bilder.dbf\n");

    // Move packs and then removes the originals.
    o.itemList = (src / "*.txt").string();
    ASSERT_EQ(ZipExecute(kZipMove, o), kZipOk);
    EXPECT_FALSE(fs::exists(src / "Bärbel Übersicht.txt"));
    EXPECT_EQ(Content("Bärbel Übersicht.txt"), "Grüße");

    EXPECT_EQ(ZipExecute(kZipTest, o), kZipOk);
    // Damage the stored data of the first entry: test finds it.
    std::string bytes = lxtest::ReadFile(zip);
    bytes[30 + 10 + 5] ^= 0x55;  // inside the first entry's data
    lxtest::WriteFile(zip, bytes);
    EXPECT_EQ(ZipExecute(kZipTest, o), kZipErrDamaged);
}

TEST_F(ZipArchive, OptionsShapeTheEntries) {
    lxtest::WriteFile(src / "Unter" / "Tief" / "foto.jpg", std::string(3000, 'j'));
    lxtest::WriteFile(src / ".versteckt.dbf", "x");
    o.itemList = (src / "*").string();
    o.recurse = true;
    o.dontCompressSuffixes = true;
    o.storeSuffixes = ".JPG:.zip";
    o.excludeFollowing = true;
    o.excludeMasks = "*.fpt";
    o.addComment = true;
    o.comment = "Sicherung vom Montag";
    ASSERT_EQ(ZipExecute(kZipAdd, o), kZipOk);
    auto cd = ByName(zip);
    EXPECT_EQ(cd.count("Unter/"), 1u);
    EXPECT_EQ(cd.count("Unter/Tief/"), 1u);
    ASSERT_EQ(cd.count("Unter/Tief/foto.jpg"), 1u);
    EXPECT_EQ(cd["Unter/Tief/foto.jpg"].method, 0);  // stored
    EXPECT_EQ(cd["Bilder.dbf"].method, 8);
    EXPECT_EQ(cd.count("bilder.FPT"), 0u);      // excluded
    EXPECT_EQ(cd.count(".versteckt.dbf"), 0u);  // hidden
    EXPECT_NE(Shell("unzip -z " + Q(zip)).find("Sicherung vom Montag"), std::string::npos);

    // Stored names: file name only; compression factor 0 stores.
    fs::remove(zip);
    ZipOptions flat;
    flat.zipFile = zip.string();
    flat.itemList =
        (src / "Bilder.dbf").string() + "\n" + (src / "Unter" / "Tief" / "foto.jpg").string();
    flat.noDirectoryNames = true;
    flat.compFactor = 0;
    ASSERT_EQ(ZipExecute(kZipAdd, flat), kZipOk);
    cd = ByName(zip);
    EXPECT_EQ(cd.size(), 2u);
    EXPECT_EQ(cd["Bilder.dbf"].method, 0);
    EXPECT_EQ(cd.count("foto.jpg"), 1u);

    // Without options the path is stored without its leading "/".
    fs::remove(zip);
    ZipOptions full;
    full.zipFile = zip.string();
    full.itemList = (src / "bilder.FPT").string();
    ASSERT_EQ(ZipExecute(kZipAdd, full), kZipOk);
    EXPECT_EQ(Names(), (src / "bilder.FPT").string().substr(1) + "\n");

    // Encryption the standard unzip opens with the password.
    fs::remove(zip);
    flat.encrypt = true;
    flat.encryptCode = "geheim";
    flat.compFactor = 5;
    ASSERT_EQ(ZipExecute(kZipAdd, flat), kZipOk);
    EXPECT_TRUE(ByName(zip)["Bilder.dbf"].flags & 1);
    int status = -1;
    Shell("unzip -t -P geheim " + Q(zip), &status);
    EXPECT_EQ(status, 0);
    Shell("unzip -t -P falsch " + Q(zip), &status);
    EXPECT_NE(status, 0);
}

TEST_F(ZipArchive, ArchiveIsNeverPackedIntoItself) {
    o.zipFile = (src / "ALLES.ZIP").string();
    o.itemList = (src / "*.*").string();
    ASSERT_EQ(ZipExecute(kZipAdd, o), kZipOk);
    ASSERT_EQ(ZipExecute(kZipUpdate, o), kZipOk);  // the archive now exists in the folder
    auto cd = ByName(src / "ALLES.ZIP");
    EXPECT_EQ(cd.size(), 4u);
    EXPECT_EQ(cd.count("ALLES.ZIP"), 0u);
}

TEST_F(ZipArchive, ProgressAndCancel) {
    lxtest::WriteFile(src / "gross.bin", std::string(3 << 20, 'g'));
    o.itemList = (src / "*").string();
    std::vector<int> majors;
    std::vector<std::pair<std::string, int>> minors;
    o.major = [&](const std::string&, int p) {
        majors.push_back(p);
        return false;
    };
    o.minor = [&](const std::string& item, int p) {
        minors.emplace_back(item, p);
        return false;
    };
    ASSERT_EQ(ZipExecute(kZipAdd, o), kZipOk);
    ASSERT_FALSE(majors.empty());
    EXPECT_TRUE(std::is_sorted(majors.begin(), majors.end()));
    EXPECT_EQ(majors.back(), 100);
    for (auto& [item, p] : minors)
        EXPECT_TRUE(p >= 0 && p <= 100) << item << " " << p;
    EXPECT_TRUE(std::any_of(minors.begin(), minors.end(), [](auto& m) {
        return m.first == "gross.bin" && m.second > 0 && m.second < 100;
    }));
    const std::string before = lxtest::ReadFile(zip);

    // Cancel during an update: the archive stays as it was.
    lxtest::WriteFile(src / "gross.bin", std::string(3 << 20, 'h'));
    Touch(src / "gross.bin", time(nullptr) + 100);
    int messages = 0;
    o.minor = [&](const std::string&, int p) { return p >= 10; };
    o.message = [&](int id, int, int, int, const std::string&, const std::string&) {
        EXPECT_EQ(id, kZipErrCancelled);
        return ++messages, 0;
    };
    EXPECT_EQ(ZipExecute(kZipUpdate, o), kZipErrCancelled);
    EXPECT_EQ(messages, 1);
    EXPECT_EQ(lxtest::ReadFile(zip), before);

    // Cancel of a new archive: no file is left.
    fs::path fresh = dir / "NEU.ZIP";
    o.zipFile = fresh.string();
    o.major = [&](const std::string&, int) { return true; };
    EXPECT_EQ(ZipExecute(kZipAdd, o), kZipErrCancelled);
    EXPECT_FALSE(fs::exists(fresh));
    for (auto& f : fs::directory_iterator(dir.path()))
        EXPECT_EQ(f.path().filename().string().find("NEU.ZIP."), std::string::npos) << f.path();
}

TEST_F(ZipArchive, Failures) {
    lxtest::WriteFile(dir / "kaputt.zip", "kein Archiv");
    struct Case {
        const char* what;
        int command;
        std::function<void(ZipOptions&)> set;
        int result;
    };
    const Case cases[] = {
        {"command 0", 0, [](ZipOptions&) {}, kZipErrCommand},
        {"command 7", 7, [](ZipOptions&) {}, kZipErrCommand},
        {"command 10", 10, [](ZipOptions&) {}, kZipErrCommand},
        {"no archive name", kZipAdd, [](ZipOptions& x) { x.zipFile.clear(); }, kZipErrArgument},
        {"multi-volume", kZipAdd, [](ZipOptions& x) { x.multiVolume = kMvUseMulti | kMvFormat; },
         kZipErrArgument},
        {"bad date", kZipAdd,
         [](ZipOptions& x) {
             x.afterDate = true;
             x.date = "13322024";
         },
         kZipErrArgument},
        {"missing file", kZipAdd, [&](ZipOptions& x) { x.itemList = (src / "fehlt.dbf").string(); },
         kZipErrSource},
        {"not a zip archive", kZipAdd,
         [&](ZipOptions& x) { x.zipFile = (dir / "kaputt.zip").string(); }, kZipErrArchive},
        {"folder of the archive missing", kZipAdd,
         [&](ZipOptions& x) { x.zipFile = (dir / "fehlt" / "a.zip").string(); }, kZipErrWrite},
        {"delete in a missing archive", kZipDelete, [](ZipOptions&) {}, kZipErrArchive},
        {"test of a missing archive", kZipTest, [](ZipOptions&) {}, kZipErrArchive},
    };
    for (const Case& c : cases) {
        ZipOptions x = o;
        x.itemList = (src / "*.dbf").string();
        int reported = -1;
        x.message = [&](int id, int, int, int, const std::string&, const std::string&) {
            reported = id;
            return 0;
        };
        c.set(x);
        EXPECT_EQ(ZipExecute(c.command, x), c.result) << c.what;
        if (c.result != kZipErrCommand) {
            EXPECT_EQ(reported, c.result) << c.what;
        }
        EXPECT_FALSE(fs::exists(zip)) << c.what;
    }
    EXPECT_EQ(lxtest::ReadFile(dir / "kaputt.zip"), "kein Archiv");

    // A mask that matches nothing packs nothing and creates no archive.
    o.itemList = (src / "*.xyz").string();
    EXPECT_EQ(ZipExecute(kZipAdd, o), kZipOk);
    EXPECT_FALSE(fs::exists(zip));
}

}  // namespace
