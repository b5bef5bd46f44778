#pragma once
// Helpers for the tests of the utility and general routines: a prompt
// service that records every box the routines show and gives one fixed
// answer, Windows-form names of test folders, and a file that cannot be
// deleted.

#include <QList>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/win_path.h"
#include "platform/ui/prompt_service.h"
#include "test_environment.h"

class TPromptRecorder : public TPromptService {
public:
    // yes: questions are answered Yes (else No); boxes with only OK get OK.
    explicit TPromptRecorder(bool yes = false) : answer(yes) { previous_ = SetPromptService(this); }
    ~TPromptRecorder() override { SetPromptService(previous_); }
    TPromptRecorder(const TPromptRecorder&) = delete;
    TPromptRecorder& operator=(const TPromptRecorder&) = delete;

    int Show(const TPrompt& prompt, QString* value) override;
    TModalResult ShowModal(TCustomForm& form) override;

    bool answer = false;
    QList<TPrompt> prompts;
    QStringList texts;

private:
    TPromptService* previous_ = nullptr;
};

// Replaces the fake drive table and lets the drive map read it at once.
void UseDrives(const std::vector<lxtest::FakeDrive>& drives);

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
