#pragma once
// The folder of one run's temporary files (report archives, page caches):
// "lumadex-<pid>-<random>" in the system's temporary folder, made for this
// user alone on first use. A run that is killed leaves its folder behind;
// the next start removes every such folder whose process is gone, so no
// leftover temporaries pile up.

#include <QString>

// This run's folder, made on first use and removed with what is left in
// it when the process ends normally; the system's temporary folder itself
// when it cannot be made.
QString RunTempFolder();

// Removes this run's folder with what is left in it; the next call of
// RunTempFolder makes a new one.
void RemoveRunTempFolder();

// Removes the run folders in the system's temporary folder that belong to
// this user and whose process is gone; folders of running processes stay.
// Returns how many were removed.
int ClearLeftoverRunFolders();
