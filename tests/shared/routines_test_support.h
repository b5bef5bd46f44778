#pragma once
// Helpers for the tests of the utility and general routines: a recorder of
// the message boxes they show, Windows-form names of test folders, and a
// file that cannot be deleted.

#include <QString>
#include <QStringList>
#include <filesystem>
#include <string>

#include "platform/core/win_path.h"
#include "shared/routine_prompts.h"

// Records every box the routines show and answers with `answer`.
class TPromptRecorder {
public:
    explicit TPromptRecorder(bool answer = false)
    {
        previous_ = SetRoutinePromptHandler([this](TRoutineBox box, const QString& text) {
            boxes << box;
            texts << text;
            return this->answer;
        });
        this->answer = answer;
    }
    ~TPromptRecorder() { SetRoutinePromptHandler(previous_); }

    bool answer = false;
    QList<TRoutineBox> boxes;
    QStringList texts;

private:
    TRoutinePromptHandler previous_;
};

// Windows form of a Linux path ("C:\tmp\...") through the drive map.
inline QString Win(const std::filesystem::path& p)
{
    return LinuxToWinOrSelf(QString::fromStdString(p.string()));
}

// Makes a file undeletable for the lifetime of the object: as a normal user
// its folder loses write permission, as root the file gets the immutable
// flag. ok() is false when neither works here.
class TUndeletable {
public:
    explicit TUndeletable(const std::filesystem::path& file);
    ~TUndeletable();
    bool ok() const { return ok_; }

private:
    std::filesystem::path file_;
    bool immutable_ = false;
    bool ok_ = false;
};
