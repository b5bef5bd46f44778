// TZipFile: the options handed to the zip library, the commands the program
// uses (4 add, 3 update) on Windows-form paths, checked with the standard
// unzip, cancel through the events, and TLPStr.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <utime.h>

#include <QString>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "shared/zip_file.h"
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

QString WinPath(const fs::path& p) {
    return "C:" + QString::fromStdString(p.string()).replace('/', '\\');
}

// Every Boolean option of the native structure, by name.
std::vector<std::pair<const char*, bool>> Flags(const ZipOptions& o) {
    return {{"recurse", o.recurse},
            {"pathForTemp", o.pathForTemp},
            {"fix", o.fix},
            {"fixHarder", o.fixHarder},
            {"includeVolume", o.includeVolume},
            {"deleteOriginal", o.deleteOriginal},
            {"growExisting", o.growExisting},
            {"noDirectoryNames", o.noDirectoryNames},
            {"addComment", o.addComment},
            {"afterDate", o.afterDate},
            {"oldAsLatest", o.oldAsLatest},
            {"includeOnlyFollowing", o.includeOnlyFollowing},
            {"excludeFollowing", o.excludeFollowing},
            {"noDirectoryEntries", o.noDirectoryEntries},
            {"includeSysHidden", o.includeSysHidden},
            {"diagnostic", o.diagnostic},
            {"dosify", o.dosify},
            {"encrypt", o.encrypt},
            {"dontCompressSuffixes", o.dontCompressSuffixes},
            {"convertLfToCrlf", o.convertLfToCrlf},
            {"quiet", o.quiet}};
}

TEST(TZipFile, CommandsOutsideOneToNineNeverReachTheLibrary) {
    TZipFile zip(nullptr);
    int calls = 0;
    zip.Library = [&](int, const ZipOptions&) { return ++calls, 0; };
    zip.lpszZipFile.SetText("C:\\tmp\\a.zip");
    for (int command : {0, 10, -1, 1000}) {
        EXPECT_FALSE(zip.Execute(command)) << command;
    }
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(zip.ReturnCode, 0);
    EXPECT_TRUE(zip.Execute(9));  // in range: the library decides
    EXPECT_EQ(calls, 1);
    zip.Library = [&](int, const ZipOptions&) { return 7; };
    EXPECT_FALSE(zip.Execute(4));
    EXPECT_EQ(zip.ReturnCode, 7);
}

TEST(TZipFile, OptionsReachTheLibraryAsSet) {
    TZipFile zip(nullptr);
    ZipOptions o = zip.BuildOptions();
    EXPECT_EQ(o.compFactor, 5);
    for (auto [name, value] : Flags(o))
        EXPECT_FALSE(value) << name;

    zip.Options = {RecurseFlag, bDiagnostic};
    o = zip.BuildOptions();
    for (auto [name, value] : Flags(o))
        EXPECT_EQ(value, std::string(name) == "recurse" || std::string(name) == "diagnostic")
            << name;

    zip.ZipFormats = {EncryptFlag, QuietFlag};
    o = zip.BuildOptions();
    EXPECT_TRUE(o.encrypt && o.quiet && !o.dosify && !o.dontCompressSuffixes && !o.convertLfToCrlf);

    struct Words {
        TMultiVolFlags mv;
        uint16_t mvWord;
        TZipSubOptions sub;
        uint16_t subWord;
    };
    const Words words[] = {
        {{MV_USEMULTI, MV_FORMAT}, 0x8001, {ZSO_RELATIVEPATH}, 1},
        {{MV_LOWDENSE, MV_WIPE, MV_SUBDIR}, 0x0302, {ZSO_MINORCANCEL, ZSO_EXTERNALPROG}, 6},
        {{MV_SYSHIDE, MV_CDFIRST},
         0x1400,
         {ZSO_EXTPROGCANCEL, ZSO_IGNORELONGNAMES, ZSO_MANGLELONGNAMES},
         56},
        {{}, 0, {}, 0},
    };
    for (const Words& w : words) {
        zip.wMultiVolControl = w.mv;
        zip.wZipSubOptions = w.sub;
        o = zip.BuildOptions();
        EXPECT_EQ(o.multiVolume, w.mvWord);
        EXPECT_EQ(o.subOptions, w.subWord);
    }

    // An empty text gives the library no text; set texts and values arrive.
    EXPECT_TRUE(o.comment.empty());
    zip.lpszComment.SetText("Sicherung");
    zip.CompFactor = 9;
    zip.FurtherValue1 = 11;
    zip.FurtherValue2 = -3;
    o = zip.BuildOptions();
    EXPECT_EQ(o.comment, "Sicherung");
    EXPECT_EQ(o.compFactor, 9);
    EXPECT_EQ(o.further1, 11);
    EXPECT_EQ(o.further2, -3);
}

class TZipFileRun : public ::testing::Test {
protected:
    lxtest::TempDir dir;
    fs::path data = dir / "Daten";
    fs::path archive = dir / "BILDERBACKUP1.ZIP";
    std::unique_ptr<TComponent> owner = std::make_unique<TComponent>(nullptr);
    TZipFile* zip = new TZipFile(owner.get());

    void SetUp() override {
        lxtest::WriteFile(data / "Bilder.DBF", std::string(20000, 'd'));
        lxtest::WriteFile(data / "Bilder.FPT", "memo");
        lxtest::WriteFile(data / "Bilder.CDX", "cdx");
        lxtest::WriteFile(data / "Bilder.IA", "ia");
        lxtest::WriteFile(data / "Grüße Ärger.txt", "umlaute");
    }
    // The program's packing routine: update when the archive exists, else add.
    bool Pack(const QString& mask) {
        zip->lpszZipFile.SetText(WinPath(archive));
        zip->lpszItemList.SetText(mask);
        return zip->Execute(fs::exists(archive) ? 3 : 4);
    }
};

TEST_F(TZipFileRun, AddThenUpdateMakesAStandardArchiveWithGermanNames) {
    zip->wZipSubOptions = {ZSO_RELATIVEPATH};
    std::vector<int> minor;
    zip->OnMinorCallback = [&](const QString&, int32_t percent, bool&) {
        minor.push_back(percent);
    };
    ASSERT_TRUE(Pack(WinPath(data / "BILDER.*").toUpper()));  // command 4, upper-cased path
    EXPECT_EQ(zip->ReturnCode, 0);
    EXPECT_FALSE(minor.empty());
    lxtest::WriteFile(data / "Bilder.FPT", "neues memo mit mehr Text");
    struct utimbuf later {
        time(nullptr) + 10, time(nullptr) + 10
    };
    utime((data / "Bilder.FPT").c_str(), &later);
    ASSERT_TRUE(Pack(WinPath(data / "*.txt")));       // command 3
    ASSERT_TRUE(Pack(WinPath(data / "Bilder.FPT")));  // command 3 replaces the newer file

    int status = -1;
    std::string test = Shell("unzip -t '" + archive.string() + "'", &status);
    EXPECT_EQ(status, 0) << test;
    EXPECT_NE(test.find("No errors detected"), std::string::npos);
    EXPECT_EQ(Shell("unzip -Z1 '" + archive.string() + "'"),
              "Bilder.CDX\nBilder.DBF\nBilder.FPT\nBilder.IA\nGrüße Ärger.txt\n");
    EXPECT_EQ(Shell("unzip -p '" + archive.string() + "' Bilder.FPT"), "neues memo mit mehr Text");
}

TEST_F(TZipFileRun, CancelThroughTheEventIsNoSuccess) {
    lxtest::WriteFile(data / "gross.bin", std::string(2 << 20, 'x'));
    int messages = 0;
    zip->OnMajorCallback = [](const QString&, int32_t percent, bool& DoCancel) {
        DoCancel = percent >= 20;
    };
    zip->OnMessageCallback = [&](uint16_t id, uint16_t, int32_t, int32_t, const QString&,
                                 const QString&, int32_t&) { messages += id == kZipErrCancelled; };
    EXPECT_FALSE(Pack(WinPath(data / "*.*")));
    EXPECT_EQ(zip->ReturnCode, kZipErrCancelled);
    EXPECT_EQ(messages, 1);
    EXPECT_FALSE(fs::exists(archive));  // no half-written archive

    zip->OnMajorCallback = nullptr;
    EXPECT_TRUE(Pack(WinPath(data / "*.*")));
    EXPECT_EQ(Shell("unzip -tq '" + archive.string() + "'").find("No errors"), 0u);
}

TEST_F(TZipFileRun, RenameEventAndFailures) {
    zip->Options = {NoDirectoryNamesFlag};
    zip->OnRenameCallback = [](PDZRename r) {
        if (r->StoredName == "Bilder.IA") r->StoredName = "Volltext/Bilder.IA";
    };
    ASSERT_TRUE(Pack(WinPath(data / "Bilder.I*")));
    EXPECT_EQ(Shell("unzip -Z1 '" + archive.string() + "'"), "Volltext/Bilder.IA\n");

    zip->lpszItemList.SetText(WinPath(data / "fehlt.dbf"));
    EXPECT_FALSE(zip->Execute(3));
    EXPECT_EQ(zip->ReturnCode, kZipErrSource);
    zip->lpszZipFile.SetText("Q:\\BACKUP.ZIP");  // drive not mapped
    EXPECT_FALSE(zip->Execute(4));
    EXPECT_EQ(zip->ReturnCode, kZipErrArchive);
    owner.reset();  // frees the component
}

TEST(TLPStr, TextCapacityAndStreams) {
    TLPStr growing;
    EXPECT_TRUE(growing.IsEmpty());
    growing.SetText("C:\\Daten\\Bilder.*");
    EXPECT_EQ(growing.Capacity(), 18);
    EXPECT_EQ(growing.CopyTo(), "C:\\Daten\\Bilder.*");
    growing.Clear();
    EXPECT_TRUE(growing.IsEmpty());
    EXPECT_EQ(growing.Capacity(), 0);

    TLPStr fixed(10);
    EXPECT_TRUE(fixed.Fixed());
    fixed.SetText("Übersicht.txt");
    fixed.SetCapacity(5);
    EXPECT_EQ(fixed.Text(), "Über");  // cut to capacity - 1
    fixed.Clear();
    EXPECT_EQ(fixed.Capacity(), 5);

    TMemoryStream out;
    growing.SetText("Grüße");
    growing.SaveToStream(out);
    EXPECT_EQ(out.Bytes(), QByteArray("Gr\xFC\xDF"
                                      "e"));  // Windows-1252, no zero

    TMemoryStream in;
    in.Bytes() = QByteArray(
        "\xC4"
        "rger");
    TLPStr loaded;
    loaded.LoadFromStream(in);
    EXPECT_EQ(loaded.Text(), QString::fromUtf8("Ärger"));
    TMemoryStream tooLong;
    tooLong.Bytes() = QByteArray(8, 'x');
    TLPStr small(8);
    EXPECT_THROW(small.LoadFromStream(tooLong), EReadError);
}

}  // namespace
