#pragma once
// TQKFind: walks a folder (and on request all its subfolders) in the GUI
// thread and reports every file whose name matches FilePattern through
// events, letting window messages through after every entry so that an Esc
// or a cancel button can call BreakScan.
//
// Order: within one folder every subfolder is searched first, depth first;
// then the files of the folder itself. For each taken file OnChange comes
// before OnFindFile, and a BreakScan called in OnChange suppresses
// OnFindFile for that file. Hidden (dot) folders are never entered.
// Names match without regard to case, as on Windows. Path is always the
// folder being listed, in Windows form with its trailing "\".

#include <QString>

#include <functional>

#include "platform/core/file_utils.h"
#include "platform/ui/component.h"
#include "platform/ui/framework_types.h"

using TQKAboutString = QString;

using ChangeEvent = std::function<void(TObject* Sender, const QString& Path, int DirCount, int FileCount)>;
using FindFileEvent = std::function<void(TObject* Sender, const TSearchRec& FileRec, const QString& Path,
                                         const QString& VolumeName)>;
using NotFindFileEvent = FindFileEvent;

class TQKFind : public TComponent {
public:
    explicit TQKFind(TComponent* AOwner);

    TQKAboutString About_Quillkit() const { return QStringLiteral("15.11.96"); }
    void SetAbout_Quillkit(const TQKAboutString&) {}

    // One mask or several separated by ";"; stored upper-cased.
    QString FilePattern() const { return filePattern_; }
    void SetFilePattern(const QString& value);
    bool Subdirs = false;
    // Stored with a trailing "\".
    QString StartPath() const { return startPath_; }
    void SetStartPath(const QString& value);

    ChangeEvent OnChange;
    TNotifyEvent OnExecute;
    TNotifyEvent OnFinished;
    FindFileEvent OnFindFile;
    NotFindFileEvent OnNotFindFile;

    // One whole search; returns when it is over or stopped. A call while the
    // search runs (from one of its handlers) does nothing.
    void Execute();
    // Stops a running search at its next check.
    void BreakScan() { break_ = true; }

    // Figures of the last (or running) search.
    int DirCount() const { return dirCount_; }
    int FileCount() const { return fileCount_; }
    QString VolumeName() const { return volumeName_; }

private:
    struct Walk;
    void SearchFolder(Walk& walk, const QString& path);
    bool Stopped() const;
    // Counts a taken file and reports it; false when the search must stop.
    bool TakeFile(const TSearchRec& rec, const QString& path);

    QString filePattern_;
    QString startPath_;
    bool break_ = false;
    bool running_ = false;
    int dirCount_ = 0;
    int fileCount_ = 0;
    QString volumeName_;
};
