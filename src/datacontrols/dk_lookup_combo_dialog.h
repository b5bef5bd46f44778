#pragma once
// TdkDBLookupComboDlg: a lookup combo whose "..." button opens the lookup
// dialog on the lookup table instead of dropping down a list; OK takes the
// chosen record as a choice in the list would.

#include "datacontrols/dk_lookup_combo.h"
#include "datacontrols/dk_lookup_dialog.h"

class TdkDBLookupComboDlg : public TdkDBCustomLookupCombo {
public:
    explicit TdkDBLookupComboDlg(TComponent* AOwner);

    TdkDBLookupDlgOptions DialogOptions{opShowOKCancel, opShowSearchBy};
    TdkDBGridOptions GridOptions{dgTitles,       dgIndicator,   dgColumnResize, dgColLines,       dgRowLines,
                                 dgTabs,         dgRowSelect,   dgAlwaysShowSelection, dgConfirmDelete,
                                 dgPerfectRowFit};
    TColor GridColor = clWhite;
    TAlignment GridTitleAlignment = taLeftJustify;
    QString DialogCaption = QStringLiteral("Lookup");
    int MaxWidth = 0;
    int MaxHeight = 209;
    QString UserButton1Caption, UserButton2Caption;
    TdkUserButtonClickEvent OnUserButton1Click, OnUserButton2Click;
    TdkLookupDlgEvent OnInitDialog, OnCloseDialog;

    // Opens the dialog.
    void DropDown() override;
    bool CopyLinkFieldsWithoutRow() override { return true; }
    // A "..." button.
    void SetupButton(TdkComboButton* button) override;
};
