#include "test_environment.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace lxtest {
namespace {

fs::path g_root;
std::atomic<int> g_counter{0};
pid_t g_rootOwner = 0;

// Only the process that made the root removes it: a forked child that exits
// normally must not take the parent's files with it.
void RemoveRoot()
{
    if (!g_root.empty() && g_rootOwner == ::getpid() && !std::getenv("LUMADEX_KEEP_TEST_ROOT")) {
        std::error_code ec;
        fs::remove_all(g_root, ec);
    }
}

}  // namespace

void PinTestEnvironment()
{
    if (!g_root.empty())
        return;
    std::string pattern = (fs::temp_directory_path() / "lumadex-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create the temporary test root");
    g_root = pattern;
    g_rootOwner = ::getpid();
    std::atexit(RemoveRoot);

    fs::create_directories(g_root / "home");
    fs::create_directories(g_root / "windir");
    fs::create_directories(g_root / "run");
    fs::permissions(g_root / "run", fs::perms::owner_all, fs::perm_options::replace);

    setenv("LANG", "C", 1);
    setenv("LC_ALL", "C", 1);
    setenv("TZ", "UTC", 1);
    setenv("LUMADEX_HOME", (g_root / "home").c_str(), 1);
    setenv("LUMADEX_WINDIR", (g_root / "windir").c_str(), 1);
    setenv("LUMADEX_DRIVE_TABLE", (g_root / "drives.tab").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (g_root / "run").c_str(), 1);
    setenv("HOME", (g_root / "home").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    WriteDriveTable({FakeDrive{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
}

fs::path TestRoot()
{
    return g_root;
}

TempDir::TempDir()
{
    path_ = g_root / (Numbered("t", getpid()) + "-" + std::to_string(++g_counter));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

void WriteDriveTable(const std::vector<FakeDrive>& drives)
{
    std::ostringstream out;
    out << "# letter\troot\ttype\tlabel\tserial\tfree\n";
    for (const auto& d : drives)
        out << d.letter << '\t' << d.root << '\t' << d.type << '\t' << d.label << '\t'
            << d.serialHex << '\t' << d.freeBytes << '\n';
    WriteFile(g_root / "drives.tab", out.str());
}

void WriteFile(const fs::path& file, const std::string& bytes)
{
    if (file.has_parent_path())
        fs::create_directories(file.parent_path());
    std::ofstream f(file, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f)
        throw std::runtime_error("cannot write " + file.string());
}

std::string ReadFile(const fs::path& file)
{
    std::ifstream f(file, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

NoFreeDescriptors::NoFreeDescriptors()
{
    for (int fd; (fd = ::dup(0)) >= 0;)
        taken_.push_back(fd);
}

void NoFreeDescriptors::Release()
{
    for (int fd : taken_)
        ::close(fd);
    taken_.clear();
}

}  // namespace lxtest
