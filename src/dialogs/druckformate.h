#pragma once
// The print layout chooser (TBilderlistenForm, "Bilder Druckformate"): the
// report templates "BilderListe*.RTM" of the program folder by name, a
// description for each in the text file of the same name with ".TXT",
// shown and edited beside the list, and the choice that has the main
// window print the picture list with that template: a name with "_" from
// the current entry on, any other from the first.

#include <functional>

#include "platform/ui/buttons.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"

class TQKINI;

// What the chooser uses of the main window.
struct TDruckformatKontext {
    QString ProgrammOrdner;  // ending in "\"
    QString IniDatei;        // the main ini file
    // Print the picture list with the template (file name with ".RTM")
    // from the first entry, or from the current one.
    std::function<void(const QString& vorlage)> DruckeBilderListe;
    std::function<void(const QString& vorlage)> DruckeBilderListe2;
};

class TBilderlistenForm : public TForm {
public:
    TBilderlistenForm(TComponent* AOwner, const TDruckformatKontext& kontext);
    ~TBilderlistenForm() override;

    TLabel* Label1;
    TListBox* ListBox1;
    TLabel* Label2;
    TMemo* Memo1;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtnMemoSave;
    TBitBtn* BitBtn2;
    TQKINI* QKINI1;

    void ListBox1Click();
    void BitBtn1Click();
    void BitBtnMemoSaveClick();

private:
    QString BeschreibungsDatei(int index) const;
    bool BeschreibungSpeichern(int index);
    TDruckformatKontext k_;
    int letzterIndex_ = 0;
};
