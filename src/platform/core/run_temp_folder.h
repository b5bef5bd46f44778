#pragma once
// The folder of one run's temporary files (report archives, page caches):
// "lumadex-<pid>-<random>" in the system's temporary folder, made for this
// user alone on first use and held open by its descriptor. A folder found at
// its name later is used only while it is that same folder, still this
// user's with mode 0700; else a new one is made. At the end the folder is
// emptied through its descriptor, entry by entry and never through a link,
// so a link or folder put at its name is never followed. A run that is
// killed leaves its folder behind; the next start removes every such folder
// whose process is gone, so no leftover temporaries pile up.

#include <QString>

// This run's folder, made on first use (and again when it was removed
// meanwhile) and removed with what is left in it when the process ends
// normally; the system's temporary folder itself when it cannot be made.
QString RunTempFolder();

// Removes this run's folder with what is left in it; the next call of
// RunTempFolder makes a new one.
void RemoveRunTempFolder();

// Removes the run folders in the system's temporary folder that belong to
// this user and whose process is gone; folders of running processes stay.
// Returns how many were removed.
int ClearLeftoverRunFolders();

// One temporary file of this run: made in RunTempFolder() (or the folder
// given) under a unique name, the given name's stem, a random part and its
// extension ("Vorschau.bmp" gives "Vorschau-k3j9x0qa.bmp"), with
// O_CREAT|O_EXCL|O_NOFOLLOW and mode 0600, so no planted file or link is
// ever written; removed when the object goes. The run's folder belongs to
// this user alone, so other code may write the file again by its name (an
// image writer, the engine's memo export) and nobody can put another file
// in its place. In a folder given, others may: there the name is only read
// and removed while it holds a plain file of this user, never through a link
// put there (and the engine's memo export refuses to write through one).
class TRunTempFile {
public:
    explicit TRunTempFile(const QString& name, const QString& folder = QString());
    ~TRunTempFile();
    TRunTempFile(const TRunTempFile&) = delete;
    TRunTempFile& operator=(const TRunTempFile&) = delete;

    // False when the file could not be made (Error tells why).
    bool IsValid() const { return !path_.isEmpty(); }
    // The Linux path; empty when the file could not be made.
    const QString& Path() const { return path_; }
    // The Windows form of the path, for the routines that take one.
    QString WinPath() const;
    // errno of the failed creation, 0 when it was made.
    int Error() const { return error_; }

    // Reads the file's whole contents; empty when anything but a plain
    // file of this user stands at its name.
    QByteArray ReadAll() const;

    // Hands the file over: it is no longer removed by this object (the
    // caller removes it). Gives the path.
    QString Release();

private:
    QString path_;
    int error_ = 0;
};
