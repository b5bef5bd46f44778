#pragma once
// The environment every test program runs in. PinTestEnvironment() is called
// by the test mains before anything else: it pins the locale to C, makes a
// fresh temporary root for the run and points the program folder, the
// Windows folder, the drive table and XDG_RUNTIME_DIR into it, so no test
// touches the user's real files or the machine's real mounts.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lxtest {

// Sets the environment; the temporary root is removed when the program ends.
void PinTestEnvironment();

// The temporary root of this test run.
std::filesystem::path TestRoot();

// A fresh, empty folder below the test root, removed when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// One drive of the fake drive table (environment variable
// LUMADEX_DRIVE_TABLE). The table is a text file, one drive a line, fields
// separated by TAB: letter ("D"), root folder, type ("HD", "DISK", "CDROM",
// "NETDRIVE", "RAMDISK"), label, serial (unsigned 32-bit, hex "1234ABCD"),
// free bytes. Empty lines and lines starting with '#' are ignored.
struct FakeDrive {
    std::string letter{};
    std::string root{};
    std::string type = "HD";
    std::string label{};
    std::string serialHex = "00000000";
    unsigned long long freeBytes = 1ull << 30;
};

// Replaces the fake drive table. The default table of a run holds only
// C: on "/".
void WriteDriveTable(const std::vector<FakeDrive>& drives);

// The prefix followed by the number: Numbered("K", 7) is "K7". The text is
// appended to the prefix, never the prefix inserted before a temporary
// ("K" + std::to_string(7)), which GCC 12's inliner takes for an
// overlapping copy and warns about.
inline std::string Numbered(std::string_view prefix, long long n)
{
    std::string text(prefix);
    text += std::to_string(n);
    return text;
}

// Writes a file (bytes as given) and makes its folders.
void WriteFile(const std::filesystem::path& file, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& file);

// Takes every free file descriptor while it lives, so opening a file fails
// with "too many open files".
class NoFreeDescriptors {
public:
    NoFreeDescriptors();
    ~NoFreeDescriptors() { Release(); }
    NoFreeDescriptors(const NoFreeDescriptors&) = delete;
    NoFreeDescriptors& operator=(const NoFreeDescriptors&) = delete;
    void Release();

private:
    std::vector<int> taken_;
};

}  // namespace lxtest
