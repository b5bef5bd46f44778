#include "dialogs/ascii_dialogs.h"

#include "dialogs/ascii_export.h"
#include "dialogs/ascii_import.h"
#include "platform/core/exceptions.h"
#include "storage/tdbe.h"

void MarkierteVerschieben(TListBox* von, TListBox* nach)
{
    for (;;) {
        int i = 0;
        while (i < von->Items()->Count() && !von->Selected(i))
            ++i;
        if (i >= von->Items()->Count())
            return;
        nach->Items()->Add(von->Items()->Strings(i));
        von->Items()->Delete(i);
    }
}

TBilderAsciiForm::TBilderAsciiForm(TComponent* AOwner, TDbe* dbe, int hilfe) : TForm(AOwner), dbe_(dbe)
{
    SetBorderStyle(bsDialog);
    SetBorderIcons({});
    KeyPreview = true;
    Position = poScreenCenter;
    SetBounds(0, 0, 470, 390);
    HelpContext = hilfe;

    Panel1 = new TPanel(this);
    Panel1->SetParent(this);
    Panel1->SetBounds(8, 8, 446, 30);
    Panel1->SetBevelOuter(bvLowered);

    Label1 = new TLabel(this);
    Label1->SetParent(this);
    Label1->SetBounds(8, 46, 180, 16);
    Label1->SetCaption("Felderliste");
    ListBox1 = new TListBox(this);
    ListBox1->Name = "ListBox1";
    ListBox1->SetParent(this);
    ListBox1->SetBounds(8, 64, 180, 200);
    ListBox1->SetMultiSelect(true);
    Label2 = new TLabel(this);
    Label2->SetParent(this);
    Label2->SetBounds(274, 46, 180, 16);
    ListBox2 = new TListBox(this);
    ListBox2->Name = "ListBox2";
    ListBox2->SetParent(this);
    ListBox2->SetBounds(274, 64, 180, 200);
    ListBox2->SetMultiSelect(true);

    BitBtnExHinzufuegen = new TBitBtn(this);
    BitBtnExHinzufuegen->SetParent(this);
    BitBtnExHinzufuegen->SetBounds(204, 120, 54, 28);
    BitBtnExHinzufuegen->SetCaption(QStringLiteral(">>"));
    BitBtnExHinzufuegen->SetHint(QStringLiteral("Markierte Felder übernehmen"));
    BitBtnExEntfernen = new TBitBtn(this);
    BitBtnExEntfernen->SetParent(this);
    BitBtnExEntfernen->SetBounds(204, 160, 54, 28);
    BitBtnExEntfernen->SetCaption(QStringLiteral("<<"));
    BitBtnExEntfernen->SetHint(QStringLiteral("Markierte Felder entfernen"));
    BitBtnExHinzufuegen->OnClick = [this](TObject*) { MarkierteVerschieben(ListBox1, ListBox2); };
    ListBox1->OnDblClick = [this](TObject*) { MarkierteVerschieben(ListBox1, ListBox2); };
    BitBtnExEntfernen->OnClick = [this](TObject*) { MarkierteVerschieben(ListBox2, ListBox1); };
    ListBox2->OnDblClick = [this](TObject*) { MarkierteVerschieben(ListBox2, ListBox1); };

    GroupBoxTrennzeichen = new TGroupBox(this);
    GroupBoxTrennzeichen->SetParent(this);
    GroupBoxTrennzeichen->SetBounds(8, 272, 446, 46);
    GroupBoxTrennzeichen->SetCaption("Trennzeichen");
    auto radio = [this](const QString& caption, int left, bool enabled) {
        auto* r = new TRadioButton(this);
        r->SetParent(GroupBoxTrennzeichen);
        r->SetBounds(left, 18, 140, 20);
        r->SetCaption(caption);
        r->SetEnabled(enabled);
        return r;
    };
    RadioButtonKomma = radio("Komma", 12, false);
    RadioButtonSemikolon = radio("Semikolon", 152, true);
    RadioButtonSpalten = radio("Spaltenorientiert", 292, false);
    RadioButtonSemikolon->SetChecked(true);

    BitBtnStart = new TBitBtn(this);
    BitBtnStart->SetParent(this);
    BitBtnStart->SetBounds(8, 328, 110, 28);
    BitBtnStart->SetCaption("&Start");
    BitBtnStart->SetDefault(true);
    BitBtn2 = new TBitBtn(this);
    BitBtn2->SetParent(this);
    BitBtn2->SetBounds(226, 328, 110, 28);
    BitBtn2->SetCaption("&Hilfe");
    BitBtn2->OnClick = [hilfe](TObject*) { Application->HelpContext(hilfe); };
    BitBtnClose = new TBitBtn(this);
    BitBtnClose->SetParent(this);
    BitBtnClose->SetBounds(344, 328, 110, 28);
    BitBtnClose->SetCaption("S&chließen");
    BitBtnClose->ModalResult = mrCancel;
    BitBtnClose->Cancel = false;

    // Every field of the album in table order goes into the right list.
    ListBox1->Items()->Clear();
    for (const QString& feld : AlbumFeldNamen(dbe_))
        ListBox2->Items()->Add(feld);

    OnKeyUp = [this](TObject*, Word& Key, TShiftState) { FormKeyUp(Key); };
    OnClose = [this](TObject*, TCloseAction&) { Abbruch = false; };
}

void TBilderAsciiForm::FormKeyUp(Word& Key) { Abbruch = Key == VK_ESCAPE; }

bool TBilderAsciiForm::AbbruchPruefen()
{
    Application->ProcessMessages();
    if (!Abbruch)
        return false;
    Abbruch = false;
    return true;
}

void TBilderAsciiForm::Lauf(const std::function<void()>& lauf)
{
    const QString caption = Caption();
    Screen->SetCursor(crHourGlass);
    try {
        lauf();
    } catch (...) {
        Screen->SetCursor(crDefault);
        SetCaption(caption);
        throw;
    }
    Screen->SetCursor(crDefault);
    SetCaption(caption);
}

void TBilderAsciiForm::SatzAnzeigen(int satz) { SetCaption(QStringLiteral("Lese Satz Nr. ") + QString::number(satz)); }

// ---- Export ---------------------------------------------------------------

TBilderDBFExportForm::TBilderDBFExportForm(TComponent* AOwner, TDbe* dbe, const QString& exportPfad,
                                           const QString& programmOrdner)
    : TBilderAsciiForm(AOwner, dbe, Hlp_BilderASCIIExport)
{
    Name = "BilderDBFExportForm";
    SetCaption("Bilderdatenbank als ASCII exportieren");
    Panel1->SetCaption("Zur exportierende Datenbankfelder auswählen !");
    Label2->SetCaption("Exportfelderliste");
    ExportOrdner = exportPfad.trimmed().isEmpty() ? programmOrdner + QStringLiteral("BilderASCIIExport\\")
                                                  : exportPfad.toUpper();
    BitBtnStart->Name = "BitBtnExportStart";
    BitBtnStart->OnClick = [this](TObject*) { BitBtnExportStartClick(); };
}

void TBilderDBFExportForm::BitBtnExportStartClick()
{
    TBilderAsciiExport x(dbe_, ExportOrdner);
    x.Felder = ListBox2->Items()->ToStringList();
    x.Fortschritt = [this](int satz) { SatzAnzeigen(satz); };
    x.Abbruch = [this] { return AbbruchPruefen(); };
    Lauf([&] { x.Ausfuehren(); });
}

// ---- Import ---------------------------------------------------------------

TBilderDBFImportForm::TBilderDBFImportForm(TComponent* AOwner, TDbe* dbe, const QString& importPfad,
                                           const QString& programmOrdner)
    : TBilderAsciiForm(AOwner, dbe, Hlp_BilderASCIIImport)
{
    Name = "BilderDBFImportForm";
    SetCaption("Bilderdatenbank als ASCII importieren");
    Panel1->SetCaption("Zur Importierende Datenbankfelder auswählen !");
    Label2->SetCaption("Importfelderliste");
    SaveDialog1 = new TOpenDialog(this);
    SaveDialog1->Filter = QStringLiteral("*.*|*.*");
    SaveDialog1->Options = {ofHideReadOnly, ofFileMustExist};
    ImportOrdner = importPfad.toUpper();
    SaveDialog1->InitialDir = ImportOrdner;
    if (ImportOrdner.trimmed().isEmpty())
        ImportOrdner = programmOrdner + QStringLiteral("BilderASCIIImport\\");
    BitBtnStart->Name = "BitBtnImportStart";
    BitBtnStart->OnClick = [this](TObject*) { BitBtnImportStartClick(); };
}

void TBilderDBFImportForm::BitBtnImportStartClick()
{
    TBilderAsciiImport imp(dbe_, ImportOrdner);
    imp.Felder = ListBox2->Items()->ToStringList();
    imp.Fortschritt = [this](int satz) { SatzAnzeigen(satz); };
    imp.Abbruch = [this] { return AbbruchPruefen(); };
    if (!SaveDialog1->Execute()) {
        MessageDlg(QStringLiteral("DatenImport abgeschlossen !"), mtWarning, {mbOK});
        return;
    }
    Lauf([&] { imp.Ausfuehren(SaveDialog1->FileName); });
}
