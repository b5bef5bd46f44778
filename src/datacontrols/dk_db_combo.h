#pragma once
// The data-aware combo box: a masked data edit with a button at its right
// edge and a drop-down list of fixed items. With MapList each item is a
// display text, a TAB and a stored value: the user sees and picks the
// display text, the field receives the stored value.

#include "datacontrols/dk_db_edit.h"
#include "platform/core/string_list.h"
#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"

class TdkDBComboBox;

enum TdkComboButtonStyle { cbsEllipsis, cbsDownArrow };
using TdkComboCloseUpEvent = std::function<void(TdkDBComboBox* Sender, bool Select)>;

class TdkComboDlgButton : public TSpeedButton {
public:
    explicit TdkComboDlgButton(TComponent* AOwner) : TSpeedButton(AOwner) {}
};

// The list that drops down: a top-level window that never takes the focus.
class TdkPopupListbox : public TListBox {
public:
    explicit TdkPopupListbox(TdkDBComboBox* combo);
    // Type-ahead: the line that begins with the search text is selected.
    void KeyPress(QChar& Key) override;
    // The list has no parent control: it is a window of its own, shown and
    // hidden as such.
    void ApplyVisible() override;
    QString SearchText;
    uint64_t LastKeyTicks = 0;

private:
    TdkDBComboBox* combo_;
};

class TdkDBCustomCombo : public TdkDBCustomEdit {
public:
    explicit TdkDBCustomCombo(TComponent* AOwner);

    TdkComboButtonStyle ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TdkComboButtonStyle v);
    bool GetShowButton() const override;
    void SetShowButton(bool v) override;
    TdkComboDlgButton* Button() const { return button_; }
    TNotifyEvent OnButtonClick;

    virtual bool TextAcceptsMouse() const { return true; }
    virtual bool IsDroppedDown() const { return inButton_; }
    virtual void CloseUp(bool Accept);
    virtual void DropDown();
    // The button's click: close an open list accepting, else drop down.
    void ButtonClick();
    void PlaceButton();
    void Resize() override;
    void Loaded() override;
    void EnabledChanged() override;

protected:
    TPanel* panel_ = nullptr;
    TdkComboDlgButton* button_ = nullptr;
    TdkComboButtonStyle buttonStyle_ = cbsEllipsis;
    bool inButton_ = false;
};

class TdkDBComboBox : public TdkDBCustomCombo, public TdkCellDisplay {
public:
    explicit TdkDBComboBox(TComponent* AOwner);
    ~TdkDBComboBox() override;

    TStringList& Items() { return items_; }
    // Assigns the items; the shown text follows the new list at once.
    void SetItems(const TStringList& items);
    void SetItems(const QStringList& items);
    bool MapList = false;
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle v);
    int DropDownCount = 8;
    int DropDownWidth = 0;
    int ItemHeight = 0;
    bool AllowClearKey = false;
    bool AutoDropDown = false;
    bool ShowMatchText = false;
    bool Sorted() const { return items_.Sorted(); }
    void SetSorted(bool v) { items_.SetSorted(v); }
    int ItemIndex() const { return itemIndex_; }
    TNotifyEvent OnDropDown;
    TdkComboCloseUpEvent OnCloseUp;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    // The display text of a stored value (the value itself without MapList).
    QString GetMappedValue(const QString& Value) const;
    void ApplyItems();
    TdkPopupListbox* ListBox() const { return list_; }
    bool ListVisible() const { return listVisible_; }

    bool IsDroppedDown() const override { return listVisible_; }
    void DropDown() override;
    void CloseUp(bool Accept) override;
    bool TextAcceptsMouse() const override;
    bool IsTextEditable() const override;
    QString GetEditText() const override;
    QString DisplayText() override;
    QString GridDisplayText(TField* field) override;

    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DoExit() override;
    // A release over the list closes it, accepting inside its client area.
    void ListMouseUp(int X, int Y);

    static QString DisplayPart(const QString& entry) { return entry.section(u'\t', 0, 0); }
    static QString StoredPart(const QString& entry) { return entry.section(u'\t', 1, 1); }

protected:
    void DataChange() override;

private:
    void SetTextFromValue(const QString& value);
    void SelectItem(int index);
    // Selects an item as the user's pick: through the field link.
    void PickItem(int index);
    int IndexOfDisplay(const QString& text) const;

    TStringList items_;
    TComboBoxStyle style_ = csDropDown;
    TdkPopupListbox* list_ = nullptr;
    bool listVisible_ = false;
    bool clearOnFirstKey_ = false;
    bool autoDropping_ = false;
    int itemIndex_ = -1;
};
