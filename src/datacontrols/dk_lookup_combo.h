#pragma once
// TdkDBCustomLookupCombo: an edit that sets one field of a dataset by
// choosing a record of a lookup table. The button at its right edge drops a
// grid of lookup records (TdkPopupGrid) under or over the edit; typing
// searches the lookup table once the user pauses; closing the list writes
// the chosen record's LookupField value (and up to two further lookup
// fields) into the edited record and shows the record's display column.
// TdkDBLookupCombo publishes it; TdkDBLookupComboDlg opens a dialog instead.

#include "datacontrols/dk_lookup_list.h"
#include "datagrid/dk_published.h"
#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"

enum TdkSeqSearchOption { ssoEnabled, ssoCaseSensitive };
using TdkSeqSearchOptions = TSet<TdkSeqSearchOption>;
enum TLeftRight { lrLeftJustify = taLeftJustify, lrRightJustify = taRightJustify };
using TNotifyCloseUpEvent =
    std::function<void(TObject* Sender, TDataSet* LookupTable, TDataSet* FillTable, bool modified)>;
using TNotInListEvent =
    std::function<void(TObject* Sender, TDataSet* LookupTable, const QString& NewValue, bool& Accept)>;

class TdkDBCustomLookupCombo;

// The drop-down button: a press opens a closed list and closes an open one
// (accepting its row).
class TdkComboButton : public TSpeedButton {
public:
    TdkComboButton(TdkDBCustomLookupCombo* combo);
    void Click() override;

private:
    TdkDBCustomLookupCombo* combo_;
};

class TdkDBCustomLookupCombo : public TEdit {
public:
    explicit TdkDBCustomLookupCombo(TComponent* AOwner);
    ~TdkDBCustomLookupCombo() override;
    // The least height that shows one line of text; a lower combo grows to it.
    int MinimumHeight() const;

    TDataSource* DataSource() const { return fieldLink_.DataSource(); }
    void SetDataSource(TDataSource* source);
    QString DataField() const { return fieldLink_.FieldName(); }
    void SetDataField(const QString& name);
    TDataSet* LookupTable() const { return grid_->LookupTable(); }
    void SetLookupTable(TDataSet* table);
    QString LookupField() const { return grid_->LookupField(); }
    void SetLookupField(const QString& names);
    TStringList& Selected() { return grid_->Selected(); }
    TdkDBLookupListOptions Options() const { return grid_->ListOptions(); }
    void SetOptions(TdkDBLookupListOptions o) { grid_->SetListOptions(o); }
    TComboBoxStyle Style = csDropDown;
    int DropDownCount = 8;
    int DropDownWidth = 0;
    TAlignment DropDownAlignment = taLeftJustify;
    bool AutoDropDown = false;
    bool ShowButton() const { return showButton_; }
    void SetShowButton(bool v);
    TdkSeqSearchOptions SeqSearchOptions{ssoEnabled};
    bool OrderByDisplay = true;
    bool UseTFields() const { return grid_->UseTFields(); }
    void SetUseTFields(bool v) { grid_->SetUseTFields(v); }
    bool AllowClearKey = false;
    bool ShowMatchText = false;
    bool LookupReadOnly() const { return fieldLink_.ReadOnly(); }
    void SetLookupReadOnly(bool v);
    int ExtraHeight = 0;

    TNotifyEvent OnDropDown;
    TNotifyCloseUpEvent OnCloseUp;
    TNotInListEvent OnNotInList;

    // Opens the list (the dialog variant opens its dialog).
    virtual void DropDown();
    // Closes the list; with Accept the chosen record is taken.
    virtual void CloseUp(bool Accept);
    // True: the second and third lookup fields are copied even when the
    // list has no chosen row.
    virtual bool CopyLinkFieldsWithoutRow() { return false; }
    // The button's face: a drop-down arrow here.
    virtual void SetupButton(TdkComboButton* button);

    bool ListVisible() const;
    TdkPopupGrid* Grid() const { return grid_; }
    TdkComboButton* Button() const { return button_; }
    TTimer* SearchTimer() const { return timer_; }
    bool FoundFlag() const { return found_; }
    QString EntryText() const { return entryText_; }
    QString EntryValue() const { return entryValue_; }

    // The search for the current text (the timer's tick).
    void Search();
    // The data link's data change: shows the edited field's value.
    void DataChange();
    // May the popup grid change the value.
    bool PopupMayChange();
    // Puts the data link into edit mode without reacting to the change.
    void EditLink();
    // May the user change the text now.
    bool MayChangeText();
    bool TextEntryMode() const;
    // The typing state: the user typed since the last search.
    bool Typed() const { return !typedText_.isEmpty(); }
    QString TypedText() const { return typedText_; }
    void ClearTyped() { typedText_.clear(); }
    // Takes the grid's values into the edit.
    void ApplyGridValues();

    // The edited field is a lookup field of its dataset (a LookupLinks
    // entry): choosing a record writes the link's master fields.
    bool Linked() const;
    // The split LookupLinks entry of the edited field (master field first in
    // each pair); empty when not linked.
    QStringList LinkParts() const;
    // The display field a linked field names (its LookupFields entry).
    QString LinkedDisplayField() const;
    // Writes the chosen record's values into the link's master fields;
    // answers whether any changed.
    bool WriteLinkedFields();

    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void DoEnter() override;
    void DoExit() override;
    // A click on a closed drop-down-list combo opens or closes the list.
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
    void Resize() override;
    // Shows a stored value of the edited field.
    void SetValue(const QString& value);
    void ShowText(const QString& text);
    void PrepareSearchOrder();
    void FillSelectedFromLookupField();
    int ListWidth() const;
    void PlaceList(int height);
    bool SequentialLocate(const QString& value, TField* field, TdkLocateMatchType match);
    void UpdateData();
    // The not-in-list question; answers Accept.
    bool AskNotInList();
    void RestoreEntry();
    // Puts the edited record into edit mode (the data link's, or for a
    // linked field the dataset's); answers whether it is editing.
    bool EditRecord();
    void LinkedSetup();

    TFieldDataLink fieldLink_;
    TWinControl* buttonContainer_;
    TdkComboButton* button_;
    TdkPopupGrid* grid_;
    TTimer* timer_;
    QString searchAt_;
    bool found_ = true;
    QString typedText_;
    QString entryText_, entryValue_;
    bool showButton_ = true;
    bool inCloseUp_ = false, inNotInList_ = false, updatingLinks_ = false, searchingClosed_ = false,
         resetting_ = false;
};

class TdkDBLookupCombo : public TdkDBCustomLookupCombo {
public:
    explicit TdkDBLookupCombo(TComponent* AOwner) : TdkDBCustomLookupCombo(AOwner) {}
};
