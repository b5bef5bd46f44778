#pragma once
// The print dialog: on its printer page the printer, the system's print
// setup, the number of copies and the pages to print (all, the current
// page or a list such as 1,3,5-12); on its file page printing to a text
// file or an archive file instead. The producer reads the choices back.

#include "report/output/rg_forms.h"

class TBevel;
class TButton;
class TCheckBox;
class TEdit;
class TLabel;
class TPageControl;
class TRadioButton;
class TSaveDialog;
class TSpeedButton;
class TTabSheet;

class TrgPrintDialog : public TrgCustomPrintDialog {
public:
    explicit TrgPrintDialog(TComponent* AOwner);

    // Registers the dialog for the abstract print dialog.
    static void Register();

    TPageControl* tbnDevice;
    TTabSheet* tabPrinter;
    TTabSheet* tabFile;
    TPanel* pnlPrinter;
    TLabel* lblPrinterDesc;
    TButton* btnPrinter;
    TLabel* lblCopies;
    TEdit* edtCopies;
    TSpeedButton* spnCopiesUp;
    TSpeedButton* spnCopiesDown;
    TBevel* bvlPageRange;
    TLabel* lblPageRange;
    TRadioButton* rdbAll;
    TRadioButton* rdbCurrentPage;
    TRadioButton* rdbPages;
    TEdit* edtPages;
    TLabel* lblDescription;
    TCheckBox* cbxPrintToFile;
    TLabel* lblPrintToFile;
    TButton* btnFile;
    TLabel* lblFileDesc;
    TBevel* bvlFileSettings;
    TLabel* lblFileSettings;
    TPanel* pnlFileDevice;
    TRadioButton* rdbTextFile;
    TRadioButton* rdbArchiveFile;
    TButton* btnOK;
    TButton* btnCancel;
    TSaveDialog* SaveDialog1;

    void Activate() override;

    void btnOKClick();
    void btnPrinterClick();
    void lblPrintToFileClick();
    void btnFileClick();
    void edtCopiesExit();
    void spnCopiesDownClick();
    void spnCopiesUpClick();
    void rdbAllClick();
    void rdbCurrentPageClick();
    void rdbPagesClick();
    void edtPagesClick();
    // Points the save dialog at the chosen kind of file and enables the
    // file controls while printing to a file is ticked.
    void UpdateFileControls();

protected:
    void LanguageChanged() override;

private:
    // The margin between frames: 2381 thousandths of a millimetre.
    int FrameMargin() const;
    void FitPageRangeFrame();
    // The layout that depends on the kinds of file allowed; done once.
    void LayOut();
    QString PrinterDescription() const;

    bool laidOut_ = false;
};

// The integer an edit holds; 1 when it holds none.
int rgCopiesFromText(const QString& Text);
