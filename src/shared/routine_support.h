#pragma once
// Small helpers the utility and general routines share: letting waiting
// window messages through, the hourglass while a routine works, and the
// Linux form of a Windows-form folder for walks that must not follow links.

#include <QString>
#include <optional>

// Lets waiting events through so the user interface stays alive.
void NachrichtenDurchlassen();

// True once the application is shutting down (long walks stop then).
bool AnwendungBeendet();

// Shows the hourglass as the screen cursor for its lifetime and then puts
// back the cursor that was there before.
class TSanduhr {
public:
    TSanduhr();
    ~TSanduhr();
    TSanduhr(const TSanduhr&) = delete;
    TSanduhr& operator=(const TSanduhr&) = delete;

private:
    int vorher_;
};

// The Linux path of a Windows-form path, nullopt when its drive is missing.
std::optional<QString> LinuxPfad(const QString& winPfad);
