#pragma once
// TdkLookupDlg: the modal window in which a user picks a record of a
// lookup table: a grid of the table's columns, an incremental-search box
// above it, an optional search-by order chooser, up to two user buttons and
// OK/Cancel. dkExecuteLookupDialog builds, shows and frees it; the table's
// cursor stays on the chosen record.

#include "datacontrols/dk_incremental_search.h"
#include "datacontrols/dk_key_combo.h"
#include "datagrid/dk_data_source.h"
#include "datagrid/dk_db_grid.h"
#include "platform/ui/forms.h"

enum TdkDBLookupDlgOption { opShowOKCancel, opShowSearchBy, opGroupControls, opFixFirstColumn, opShowStatusBar };
using TdkDBLookupDlgOptions = TSet<TdkDBLookupDlgOption>;

class TdkLookupDlg;
using TdkLookupDlgEvent = std::function<void(TdkLookupDlg* Dialog)>;
using TdkUserButtonClickEvent = std::function<void(TObject* Sender, TDataSet* LookupTable)>;

class TdkLookupDlg : public TForm {
public:
    explicit TdkLookupDlg(TComponent* AOwner);
    ~TdkLookupDlg() override;

    TLabel* SearchCharacterLabel;
    TLabel* SortByLabel;
    TdkKeyCombo* dkKeyCombo1;
    TdkDBGrid* dkDBGrid1;
    TdkIncrementalSearch* dkIncrementalSearch1;
    TPanel* StatusHeader;
    TPanel* UserButtonPanel;
    TButton* UserButton1;
    TButton* UserButton2;
    TdkDataSource DataSource1;
    TButton* OKButton;
    TButton* CancelButton;

    TDataSet* LookupTable = nullptr;
    TdkDBLookupDlgOptions Options;
    int MaxWidth = 0;
    int MaxHeight = 360;
    QString InitialText;
    TdkUserButtonClickEvent OnUserButton1Click, OnUserButton2Click;
    TdkLookupDlgEvent OnInitDialog, OnCloseDialog;

    // Before showing: sizes, texts, the index order and the layout; then
    // the first activation (focus and initial search text).
    void Prepare();
    // The current index's fields to the front of the grid's columns; the
    // first of them is what the search box searches.
    void ApplyIndexOrder();
    // full: the whole layout; otherwise only the column widths and sizes.
    void Layout(bool full);
    // Width of the grid's columns as laid out, with the scroll thumb.
    int ColumnsWidth() const;
    int MinimumWidth() const;

    void KeyDown(Word& Key, TShiftState Shift) override;

private:
    void KeyComboChanged();
    void GridDblClick();
    int wantedLeft_ = -1;
    bool shown_ = false;
};

// Shows the lookup dialog on table; true when the user chose with OK.
bool dkExecuteLookupDialog(TCustomForm* Owner, const TStringList* Selected, TDataSet* Table, bool UseTFields,
                           const QString& InitialText, TdkLookupDlgEvent OnCloseDialog,
                           TdkLookupDlgEvent OnInitDialog, TdkUserButtonClickEvent OnUserButton2Click,
                           TdkUserButtonClickEvent OnUserButton1Click, const QString& UserButton2Caption,
                           const QString& UserButton1Caption, TEditCharCase CharCase, int MaxHeight, int MaxWidth,
                           const QString& Caption, TAlignment GridTitleAlignment, TColor GridColor,
                           TdkDBGridOptions GridOptions, TdkDBLookupDlgOptions Options);
