#pragma once
// The memo dialog component and its editor window. TdkMemoDialog is a
// non-visual component that shows a memo field of a dataset in the
// resizable memo editor TdkMemoDlg; the grid makes one for a memo cell, a
// form may place one and call Execute. The editor writes the text back
// into the field only after OK and only when editing is allowed; it asks
// before it throws away changes.

#include "datagrid/dk_db_grid.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"

class TdkMemoDlg;
class TMemo;
class TButton;

using TdkOnInitMemoDlgEvent = std::function<void(TdkMemoDlg* Dialog)>;
using TdkMemoUserButtonEvent = std::function<void(TdkMemoDlg* Dialog, TMemo* Memo)>;

class TdkMemoDialog : public TComponent {
public:
    explicit TdkMemoDialog(TComponent* AOwner);
    ~TdkMemoDialog() override;

    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    QString DataField() const { return dataField_; }
    void SetDataField(const QString& name) { dataField_ = name; }
    TFont* Font() { return &font_; }
    void SetFont(const TFont* f) { font_.Assign(f); }
    TdkMemoAttributes MemoAttributes;
    QString Caption;
    int DlgLeft = 0, DlgTop = 0, DlgWidth = 561, DlgHeight = 396;
    TdkOnInitMemoDlgEvent OnInitDialog, OnCloseDialog;
    TdkMemoUserButtonEvent OnUserButton1Click, OnUserButton2Click;
    QString UserButton1Caption, UserButton2Caption;
    // The editor window while it is open.
    TdkMemoDlg* Dialog = nullptr;

    virtual void DoInitDialog();
    virtual void DoCloseDialog();
    // Shows the editor over the active form; true when the user confirmed.
    virtual bool Execute();

private:
    TDataLink link_;
    QString dataField_;
    TFont font_;
};

class TdkMemoDlg : public TForm {
public:
    explicit TdkMemoDlg(TComponent* AOwner);

    TMemo* Memo = nullptr;
    TPanel* UserButtonPanel = nullptr;
    TButton* UserButton1 = nullptr;
    TButton* UserButton2 = nullptr;
    TButton* OKBtn = nullptr;
    TButton* CancelBtn = nullptr;

    void FormShow();
    void ResizeControls();
    bool FormCloseQuery();
    void MemoKeyDown(Word& Key, TShiftState Shift);
    void OKBtnClick();
    void UserButton1Click();
    void UserButton2Click();
    void KeyPress(QChar& Key) override;

private:
    friend bool dkExecuteMemoDlg(TCustomForm* OwnerForm, TdkMemoDialog* MemoDialog, bool Editable);
    static constexpr int kDesignedWidth = 561, kDesignedHeight = 395;
    TdkMemoDialog* memoDialog_ = nullptr;
    TFont showFont_;
    QString showCaption_;
    TRect wanted_;
    bool shownOnce_ = false;
    bool okPressed_ = false;
};

// Shows the memo editor for the component; true when it closed with OK.
// A field name the dataset lacks raises before the window shows.
bool dkExecuteMemoDlg(TCustomForm* OwnerForm, TdkMemoDialog* MemoDialog, bool Editable);
