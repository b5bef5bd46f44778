#include "shared/qk_find.h"

#include <sys/stat.h>

#include <QFile>

#include <utility>
#include <vector>

#include "platform/core/sys_utils.h"
#include "platform/core/win_path.h"
#include "platform/ui/forms.h"
#include "shared/utility_files.h"
#include "shared/utility_strings.h"

namespace {

// Closes a listing on every way out of a folder, also when an event handler
// throws.
class TListing {
public:
    ~TListing() { FindClose(rec); }
    TSearchRec rec;
};

}  // namespace

// The folders on the way down from the start folder, by device and inode:
// a link back to one of them would make the walk endless.
struct TQKFind::Walk {
    std::vector<std::pair<dev_t, ino_t>> ancestors;

    bool Enter(const QString& linuxPath)
    {
        struct stat st;
        if (::stat(QFile::encodeName(linuxPath).constData(), &st) != 0)
            return false;
        for (const auto& a : ancestors)
            if (a.first == st.st_dev && a.second == st.st_ino)
                return false;
        ancestors.emplace_back(st.st_dev, st.st_ino);
        return true;
    }
    void Leave() { ancestors.pop_back(); }
};

TQKFind::TQKFind(TComponent* AOwner) : TComponent(AOwner)
{
    SetStartPath(QStringLiteral("C:\\"));
    SetFilePattern(QStringLiteral("*.*"));
}

void TQKFind::SetFilePattern(const QString& value)
{
    filePattern_ = AnsiUpperCase(value);
}

void TQKFind::SetStartPath(const QString& value)
{
    startPath_ = AddBackslash(value);
}

bool TQKFind::Stopped() const
{
    return break_ || Application->Terminated();
}

void TQKFind::Execute()
{
    // A handler of a message let through during the walk must not start the
    // same search again.
    TBusyGuard busy(running_);
    if (!busy.Entered())
        return;
    dirCount_ = 0;
    fileCount_ = 0;

    // The start folder in the Windows form the drive map gives it (real case
    // of the names on disk; a Linux path gets its drive letter).
    std::optional<QString> linuxStart;
    if (startPath_.startsWith(u'/'))
        linuxStart = ExcludeTrailingBackslash(startPath_);
    else
        linuxStart = WinToLinux(startPath_);
    const QString start =
        linuxStart ? IncludeTrailingBackslash(LinuxToWinOrSelf(*linuxStart)) : startPath_;

    volumeName_ = qktGetVolumeLabel(start);
    if (OnExecute)
        OnExecute(this);
    break_ = false;
    if (linuxStart) {
        Walk walk;
        if (walk.Enter(*linuxStart))
            SearchFolder(walk, start);
    }
    break_ = false;
    if (OnFinished)
        OnFinished(this);
}

bool TQKFind::TakeFile(const TSearchRec& rec, const QString& path)
{
    ++fileCount_;
    if (OnChange)
        OnChange(this, path, dirCount_, fileCount_);
    if (Stopped())
        return false;
    if (OnFindFile)
        OnFindFile(this, rec, path, volumeName_);
    return true;
}

void TQKFind::SearchFolder(Walk& walk, const QString& path)
{
    if (Stopped())
        return;

    if (Subdirs) {
        // Only folders are asked for, so hidden (dot) folders are not listed
        // and never entered.
        TListing dirs;
        for (int r = FindFirst(path + QStringLiteral("*.*"), faDirectory, dirs.rec); r == 0;
             r = FindNext(dirs.rec)) {
            Application->ProcessMessages();
            if (!(dirs.rec.Attr & faDirectory))
                continue;
            if (walk.Enter(dirs.rec.LinuxPath)) {
                SearchFolder(walk, path + dirs.rec.Name + u'\\');
                walk.Leave();
            }
            ++dirCount_;
            if (OnChange)
                OnChange(this, path, dirCount_, fileCount_);
            if (Stopped())
                return;
        }
    }

    // One mask: the listing matches. Several masks: every entry is listed
    // and its upper-cased name tested against the mask list.
    const bool severalMasks = filePattern_.contains(u';');
    TListing files;
    for (int r = FindFirst(path + (severalMasks ? QStringLiteral("*.*") : filePattern_), faAnyFile, files.rec);
         r == 0; r = FindNext(files.rec)) {
        Application->ProcessMessages();
        const TSearchRec& rec = files.rec;
        if (rec.Attr & faDirectory) {
            if (!severalMasks && OnNotFindFile)
                OnNotFindFile(this, rec, path, volumeName_);
            continue;
        }
        if (!severalMasks || qktMatchesMaskList(AnsiUpperCase(rec.Name), filePattern_)) {
            if (!TakeFile(rec, path))
                return;
        } else if (OnNotFindFile) {
            OnNotFindFile(this, rec, path, volumeName_);
        }
    }
}
