#include "controls/directory_chooser.h"

#include "platform/core/drive_map.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/ui/dialogs.h"
#include "shared/general_files.h"

#include <QDir>

QString OrdnerNormalisiert(const QString& ordner)
{
    QString s = ordner.trimmed();
    if (s.isEmpty())
        return s;
    while (s.endsWith(QLatin1Char('\\')))
        s.chop(1);
    return s + QLatin1Char('\\');
}

// ---------------------------------------------------------------------------

TDirectoryListBox::TDirectoryListBox(TComponent* AOwner) : TListBox(AOwner) {}

QString TDirectoryListBox::EntryPath(int index) const
{
    return index >= 0 && index < int(pfade_.size()) ? pfade_[size_t(index)] : QString();
}

bool TDirectoryListBox::SetDirectory(const QString& ordner)
{
    QString ziel = OrdnerNormalisiert(ordner);
    if (ziel.isEmpty() || !DirectoryExists(ziel))
        return false;
    if (ziel.size() > 3)
        ziel.chop(1);
    const std::optional<QString> linux = WinToLinux(ziel);
    if (!linux)
        return false;

    pfade_.clear();
    Items()->Clear();
    // The levels from the root down to the folder.
    const QStringList teile = ziel.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QString pfad;
    for (int i = 0; i < teile.size(); ++i) {
        pfad = i == 0 ? teile[0] + QLatin1Char('\\') : (i == 1 ? pfad : pfad + QLatin1Char('\\')) + teile[i];
        Items()->Add(QString(i * 2, QLatin1Char(' ')) + (i == 0 ? pfad : teile[i]));
        pfade_.push_back(pfad);
    }
    const int aktuell = Items()->Count() - 1;
    // Its subfolders.
    QStringList unter = QDir(*linux).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    std::sort(unter.begin(), unter.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    const QString basis = ziel.endsWith(QLatin1Char('\\')) ? ziel : ziel + QLatin1Char('\\');
    for (const QString& u : unter) {
        Items()->Add(QString(teile.size() * 2, QLatin1Char(' ')) + u);
        pfade_.push_back(basis + u);
    }
    SetItemIndex(aktuell);
    const bool geaendert = directory_ != ziel;
    directory_ = ziel;
    if (geaendert && OnChange)
        OnChange(this);
    return true;
}

void TDirectoryListBox::DblClick()
{
    const QString ziel = EntryPath(ItemIndex());
    if (!ziel.isEmpty())
        SetDirectory(ziel);
    TListBox::DblClick();
}

// ---------------------------------------------------------------------------

TDriveComboBox::TDriveComboBox(TComponent* AOwner) : TComboBox(AOwner)
{
    SetStyle(csDropDownList);
    for (const TDriveInfo& d : TDriveMap::Instance().Drives()) {
        laufwerke_ << d.letter;
        bereit_ << d.Ready();
        // A drive without a medium (an empty CD drive) says so.
        Items()->Add(QString(d.letter).toLower() + QStringLiteral(": [")
                     + (d.Ready() ? d.label : QStringLiteral("nicht bereit")) + QLatin1Char(']'));
    }
    OnChange = [this](TObject*) {
        const int i = ItemIndex();
        if (i >= 0 && !bereit_[i]) {
            ShowMessage(QStringLiteral("Laufwerk ") + laufwerke_[i] + QStringLiteral(": ist nicht bereit!"));
            const TNotifyEvent merker = OnChange;
            OnChange = nullptr;
            SetItemIndex(vorher_);
            OnChange = merker;
            return;
        }
        vorher_ = i;
        if (DirList && i >= 0)
            DirList->SetDirectory(QString(laufwerke_[i]) + QStringLiteral(":\\"));
    };
}

QChar TDriveComboBox::Drive() const { return ItemIndex() >= 0 ? laufwerke_[ItemIndex()] : QChar(); }

void TDriveComboBox::SetDrive(QChar laufwerk)
{
    const int i = int(laufwerke_.indexOf(laufwerk.toUpper()));
    if (i != ItemIndex()) {
        const TNotifyEvent merker = OnChange;
        OnChange = nullptr;
        SetItemIndex(i);
        OnChange = merker;
        vorher_ = i;
    }
}

// ---------------------------------------------------------------------------

TDirDlgForm::TDirDlgForm(TComponent* AOwner) : TForm(AOwner)
{
    Name = QStringLiteral("DirDlgForm");
    SetCaption(QStringLiteral("Verzeichnis auswählen"));
    SetBorderStyle(bsDialog);
    SetClientWidth(400);
    SetClientHeight(300);
    Position = poScreenCenter;

    Edit1 = new TEdit(this);
    Edit1->Name = QStringLiteral("Edit1");
    Edit1->SetParent(this);
    Edit1->SetBounds(8, 8, 288, 21);

    DirectoryListBox1 = new TDirectoryListBox(this);
    DirectoryListBox1->Name = QStringLiteral("DirectoryListBox1");
    DirectoryListBox1->SetParent(this);
    DirectoryListBox1->SetBounds(8, 36, 288, 222);

    DriveComboBox1 = new TDriveComboBox(this);
    DriveComboBox1->Name = QStringLiteral("DriveComboBox1");
    DriveComboBox1->SetParent(this);
    DriveComboBox1->SetBounds(8, 266, 288, 21);
    DriveComboBox1->DirList = DirectoryListBox1;

    BitBtn1 = new TBitBtn(this);
    BitBtn1->Name = QStringLiteral("BitBtn1");
    BitBtn1->SetParent(this);
    BitBtn1->SetKind(bkOK);
    BitBtn1->ModalResult = mrNone;  // set by the click once the folder is sound
    BitBtn1->SetDefault(true);
    BitBtn1->SetBounds(308, 8, 84, 27);

    BitBtn2 = new TBitBtn(this);
    BitBtn2->Name = QStringLiteral("BitBtn2");
    BitBtn2->SetParent(this);
    BitBtn2->SetKind(bkCancel);
    BitBtn2->SetCaption(QStringLiteral("Abbrechen"));
    BitBtn2->SetBounds(308, 42, 84, 27);

    DirectoryListBox1->OnChange = [this](TObject* s) { DirectoryListBox1Change(s); };
    BitBtn1->OnClick = [this](TObject* s) { BitBtn1Click(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    Loaded();
    DoCreate();
}

void TDirDlgForm::FormCreate(TObject*)
{
    DirectoryListBox1->SetDirectory(GetCurrentDir());
    DirectoryListBox1Change(nullptr);
}

void TDirDlgForm::DirectoryListBox1Change(TObject*)
{
    Edit1->SetText(DirectoryListBox1->Directory());
    const QString d = DirectoryListBox1->Directory();
    if (!d.isEmpty())
        DriveComboBox1->SetDrive(d.at(0));
}

void TDirDlgForm::BitBtn1Click(TObject*)
{
    const QString ordner = OrdnerNormalisiert(Edit1->Text());
    Edit1->SetText(ordner);
    // A folder that neither exists nor was made keeps the dialog open, so
    // the caller never gets a folder it cannot use.
    if (ordner.size() < 3 || !VerzeichnisFuerDateiPruefen(ordner, true) || !DirectoryExists(ordner))
        return;
    DirectoryListBox1->SetDirectory(ordner);
    Edit1->SetText(ordner);
    ModalResult = mrOk;
}

void TDirDlgForm::FormClose(TObject*, TCloseAction& Action)
{
    Edit1->SetText(OrdnerNormalisiert(Edit1->Text()));
    Action = caHide;
}
