#pragma once
// The directory chooser "Verzeichnis auswählen": a drive list, the folder
// tree of the chosen drive (the path down to the current folder, then its
// subfolders) and an edit holding the chosen folder. The caller may start
// the tree at a folder, shows the form modally and, on OK, takes Edit1's
// text: a Windows-form folder ending in exactly one "\".

#include "platform/ui/buttons.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"

#include <vector>

// The folder tree of one drive: the levels from the root down to the
// current folder, indented, then the current folder's subfolders (sorted
// without case). A double click on an entry moves there.
class TDirectoryListBox : public TListBox {
public:
    explicit TDirectoryListBox(TComponent* AOwner);
    // The current folder, Windows form, without trailing "\" except at a
    // drive root ("C:\").
    QString Directory() const { return directory_; }
    // Moves to an existing folder; false (and no change) otherwise.
    bool SetDirectory(const QString& ordner);
    // The folder shown by an entry.
    QString EntryPath(int index) const;
    TNotifyEvent OnChange;
    void DblClick() override;

private:
    QString directory_;
    std::vector<QString> pfade_;
};

// The drives of the drive map as "C: [LABEL]"; choosing one moves the
// folder tree to its root.
class TDriveComboBox : public TComboBox {
public:
    explicit TDriveComboBox(TComponent* AOwner);
    QChar Drive() const;
    void SetDrive(QChar laufwerk);
    TDirectoryListBox* DirList = nullptr;

private:
    QList<QChar> laufwerke_;
    QList<bool> bereit_;  // false: no medium in the drive
    int vorher_ = -1;     // the drive chosen before, kept when a drive is not ready
};

class TDirDlgForm : public TForm {
public:
    explicit TDirDlgForm(TComponent* AOwner);

    TDriveComboBox* DriveComboBox1;
    TDirectoryListBox* DirectoryListBox1;
    TEdit* Edit1;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;

    void FormCreate(TObject* Sender);
    void DirectoryListBox1Change(TObject* Sender);
    void BitBtn1Click(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
};

// A folder text ending in exactly one "\" ("" stays "").
QString OrdnerNormalisiert(const QString& ordner);
