#include "dialogs/druckformate.h"

#include <QDir>
#include <QFile>

#include "platform/core/win1252.h"
#include "platform/core/win_path.h"
#include "platform/ui/dialogs.h"
#include "shared/qk_ini.h"

TBilderlistenForm::TBilderlistenForm(TComponent* AOwner, const TDruckformatKontext& kontext)
    : TForm(AOwner), k_(kontext)
{
    Name = "BilderlistenForm";
    SetCaption("Bilder Druckformate");
    Position = poScreenCenter;
    SetBounds(0, 0, 520, 330);

    Label1 = new TLabel(this);
    Label1->SetParent(this);
    Label1->SetBounds(8, 8, 200, 16);
    Label1->SetCaption("Druckformate");
    ListBox1 = new TListBox(this);
    ListBox1->SetParent(this);
    ListBox1->SetBounds(8, 26, 200, 220);
    Label2 = new TLabel(this);
    Label2->SetParent(this);
    Label2->SetBounds(218, 8, 290, 16);
    Label2->SetCaption("Beschreibung");
    Memo1 = new TMemo(this);
    Memo1->SetParent(this);
    Memo1->SetBounds(218, 26, 290, 220);
    Memo1->OnChange = [this](TObject*) { Memo1->Modified = true; };
    BitBtn1 = new TBitBtn(this);
    BitBtn1->SetParent(this);
    BitBtn1->SetBounds(8, 256, 120, 28);
    BitBtn1->SetCaption("Auswählen");
    BitBtn1->SetDefault(true);
    BitBtnMemoSave = new TBitBtn(this);
    BitBtnMemoSave->SetParent(this);
    BitBtnMemoSave->SetBounds(218, 256, 170, 28);
    BitBtnMemoSave->SetCaption("Beschreibung speichern");
    BitBtn2 = new TBitBtn(this);
    BitBtn2->SetParent(this);
    BitBtn2->SetBounds(398, 256, 110, 28);
    BitBtn2->SetCaption("S&chließen");
    BitBtn2->ModalResult = mrCancel;

    ListBox1->OnClick = [this](TObject*) { ListBox1Click(); };
    ListBox1->OnDblClick = [this](TObject*) { BitBtn1Click(); };
    BitBtn1->OnClick = [this](TObject*) { BitBtn1Click(); };
    BitBtnMemoSave->OnClick = [this](TObject*) { BitBtnMemoSaveClick(); };

    QKINI1 = new TQKINI(this);
    QKINI1->SetINIFileName(k_.IniDatei);
    QKINI1->SaveWinPos = swpSizePosition;
    QKINI1->SetCaption(QStringLiteral("Bilderlisten"));
    QKINI1->INILoadWinPos(QKINI1->Caption(), this, QKINI1->SaveWinPos);

    // The layouts of the program folder, by name without suffix, sorted.
    QStringList namen;
    if (const auto ordner = WinToLinux(k_.ProgrammOrdner)) {
        QDir dir(*ordner);
        dir.setNameFilters({QStringLiteral("BilderListe*.RTM")});
        dir.setFilter(QDir::Files);
        dir.setSorting(QDir::Name | QDir::IgnoreCase);
        for (const QString& datei : dir.entryList()) {
            if (!datei.toUpper().startsWith(QStringLiteral("BILDERLISTE")) || !datei.toUpper().endsWith(".RTM"))
                continue;
            namen << datei.left(datei.size() - 4);
        }
    }
    if (namen.isEmpty())
        ShowMessage(QStringLiteral("Keine passenden Druckformatdateien gefunden!"));
    ListBox1->Items()->Assign(namen);
    Loaded();
}

TBilderlistenForm::~TBilderlistenForm()
{
    try {
        QKINI1->INISaveWinPos(QKINI1->Caption(), this, QKINI1->SaveWinPos);
    } catch (const std::exception&) {
        // The window position is a convenience; its loss must not stop the close.
    }
}

QString TBilderlistenForm::BeschreibungsDatei(int index) const
{
    return k_.ProgrammOrdner + ListBox1->Items()->Strings(index) + QStringLiteral(".TXT");
}

bool TBilderlistenForm::BeschreibungSpeichern(int index)
{
    if (index < 0 || index >= ListBox1->Items()->Count())
        return false;
    const QString datei = BeschreibungsDatei(index);
    const auto linux = WinToLinux(datei);
    QByteArray bytes;
    for (const QString& zeile : Memo1->Lines()->ToStringList()) {
        const auto b = Win1252Encode(zeile);
        if (!b) {
            MessageDlg(QStringLiteral("Die Beschreibung enthält Zeichen, die nicht gespeichert werden können: ") + zeile,
                       mtError, {mbOK});
            return false;
        }
        bytes += *b + "\r\n";
    }
    QFile f(linux.value_or(datei));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush()) {
        MessageDlg(QStringLiteral("Die Beschreibung konnte nicht in ") + datei + QStringLiteral(" gespeichert werden!"),
                   mtError, {mbOK});
        return false;
    }
    Memo1->Modified = false;
    return true;
}

void TBilderlistenForm::ListBox1Click()
{
    if (Memo1->Modified &&
        MessageDlg(QStringLiteral("Sie haben die Beschreibung geändert, jetzt speichern ?"), mtConfirmation,
                   {mbYes, mbNo}) == mrYes)
        BeschreibungSpeichern(letzterIndex_);
    const int i = ListBox1->ItemIndex();
    if (i < 0)
        return;
    const QString datei = BeschreibungsDatei(i);
    const auto linux = WinToLinux(datei);
    QFile f(linux.value_or(datei));
    Memo1->Lines()->Clear();
    if (f.open(QIODevice::ReadOnly)) {
        QString text = DecodeTextFile(f.readAll());
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (text.endsWith(u'\n'))
            text.chop(1);
        Memo1->SetText(text);
    } else {
        ShowMessage(QStringLiteral("Keine Beschreibung vorhanden, die Textdatei die die Beschreibung enthalten soll "
                                   "heisst ") +
                    datei);
    }
    Memo1->Modified = false;
    letzterIndex_ = i;
}

void TBilderlistenForm::BitBtn1Click()
{
    const int i = ListBox1->ItemIndex();
    if (i < 0) {
        ShowMessage(QStringLiteral("Wählen Sie zuerst eine Druckformatdatei aus!"));
        return;
    }
    const QString vorlage = ListBox1->Items()->Strings(i) + QStringLiteral(".RTM");
    if (vorlage.contains(u'_')) {
        if (k_.DruckeBilderListe2)
            k_.DruckeBilderListe2(vorlage);
    } else if (k_.DruckeBilderListe) {
        k_.DruckeBilderListe(vorlage);
    }
}

void TBilderlistenForm::BitBtnMemoSaveClick()
{
    BeschreibungSpeichern(ListBox1->ItemIndex());
}
