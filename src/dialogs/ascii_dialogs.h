#pragma once
// The dialogs of the ASCII export (TBilderDBFExportForm, "Bilderdatenbank
// als ASCII exportieren") and import (TBilderDBFImportForm, "Bilderdatenbank
// als ASCII importieren"): two lists of the album's fields (the fields left
// out and those exported or imported, in column order) with buttons and
// double clicks that move the selected fields between them, the separator
// group (only "Semikolon" can be chosen), start, close and help. The work
// itself is TBilderAsciiExport and TBilderAsciiImport; the dialogs show the
// record counter in their caption and let Esc stop a run.

#include <functional>

#include "platform/ui/buttons.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"

class TDbe;

// Help topics of the two dialogs (the help file's context numbers).
inline constexpr int Hlp_BilderASCIIExport = 7131;
inline constexpr int Hlp_BilderASCIIImport = 7132;

// Moves the selected entries of the source list to the end of the target
// list, in their source order.
void MarkierteVerschieben(TListBox* von, TListBox* nach);

class TBilderAsciiForm : public TForm {
public:
    TPanel* Panel1;
    TLabel* Label1;
    TListBox* ListBox1;
    TLabel* Label2;
    TListBox* ListBox2;
    TBitBtn* BitBtnExHinzufuegen;
    TBitBtn* BitBtnExEntfernen;
    TGroupBox* GroupBoxTrennzeichen;
    TRadioButton* RadioButtonKomma;
    TRadioButton* RadioButtonSemikolon;
    TRadioButton* RadioButtonSpalten;
    TBitBtn* BitBtnStart;
    TBitBtn* BitBtnClose;
    TBitBtn* BitBtn2;

    // Set by Esc (key released), cleared by any other key and on close.
    bool Abbruch = false;

protected:
    TBilderAsciiForm(TComponent* AOwner, TDbe* dbe, int hilfe);
    // Lets waiting events through and tells whether Esc stopped the run.
    bool AbbruchPruefen();
    void SatzAnzeigen(int satz);
    // Runs a command with the hourglass; the caption comes back afterwards.
    void Lauf(const std::function<void()>& lauf);
    TDbe* dbe_;

private:
    void FormKeyUp(Word& Key);
};

class TBilderDBFExportForm : public TBilderAsciiForm {
public:
    // exportPfad: the options' ASCII export folder text; programmOrdner ends in "\".
    TBilderDBFExportForm(TComponent* AOwner, TDbe* dbe, const QString& exportPfad, const QString& programmOrdner);
    // The export folder: the options' text upper-cased, or program folder +
    // "BilderASCIIExport\" when it is blank.
    QString ExportOrdner;
    TBitBtn* BitBtnExportStart() const { return BitBtnStart; }
    void BitBtnExportStartClick();
};

class TBilderDBFImportForm : public TBilderAsciiForm {
public:
    TBilderDBFImportForm(TComponent* AOwner, TDbe* dbe, const QString& importPfad, const QString& programmOrdner);
    QString ImportOrdner;
    // Chooses the file to read.
    TOpenDialog* SaveDialog1;
    TBitBtn* BitBtnImportStart() const { return BitBtnStart; }
    void BitBtnImportStartClick();
};
