#include "routines_test_support.h"

#include "platform/core/drive_map.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool SetImmutable(const fs::path& file, bool on)
{
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

}  // namespace

int TPromptRecorder::Show(const TPrompt& prompt, QString* /*value*/)
{
    prompts << prompt;
    texts << prompt.Text;
    if (prompt.Kind == TPromptKind::Dialog && prompt.Buttons.Contains(mbYes))
        return answer ? mrYes : mrNo;
    return mrOk;
}

TModalResult TPromptRecorder::ShowModal(TCustomForm& /*form*/)
{
    ADD_FAILURE() << "unexpected modal form";
    return mrCancel;
}

TUndeletable::TUndeletable(const fs::path& file) : file_(file)
{
    if (::geteuid() == 0) {
        immutable_ = ok_ = SetImmutable(file_, true);
    } else {
        std::error_code ec;
        fs::permissions(file_.parent_path(), fs::perms::owner_write, fs::perm_options::remove, ec);
        ok_ = !ec;
    }
}

TUndeletable::~TUndeletable()
{
    if (immutable_) {
        SetImmutable(file_, false);
    } else {
        std::error_code ec;
        fs::permissions(file_.parent_path(), fs::perms::owner_write, fs::perm_options::add, ec);
    }
}

void UseDrives(const std::vector<lxtest::FakeDrive>& drives)
{
    lxtest::WriteDriveTable(drives);
    TDriveMap::Instance().Refresh();
}
