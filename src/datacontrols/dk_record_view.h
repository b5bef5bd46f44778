#pragma once
// TdkRecordViewDialog: shows the current record of a data source in a
// window of its own, one caption and one data-aware control per field,
// optionally with OK and Cancel; the window is built anew at each Execute.
// Vertical style: captions in a right-aligned column, controls beside them;
// horizontal style: fields flow in rows, each caption above its control.
// A navigator above the fields moves through the records; F2 in a memo
// opens the large memo editor.

#include "datacontrols/db_navigator.h"
#include "platform/core/string_list.h"
#include "platform/data/data_source.h"
#include "platform/ui/forms.h"
#include "platform/ui/graphics.h"
#include "platform/ui/std_ctrls.h"

#include <functional>
#include <vector>

class TButton;
class TMainMenu;
class TPanel;
class TScrollBox;
class TdkRecordViewDialog;

enum TdkRecordViewOption {
    rvoHideReadOnly, rvoHideCalculated, rvoHideNavigator, rvoUseCustomControls, rvoShortenEditBox, rvoModalForm,
    rvoStayOnTopForm, rvoConsistentEditWidth, rvoEnterToTab, rvoConfirmCancel, rvoCloseIsCancel,
    rvoMaximizeMemoWidth
};
using TdkRecordViewOptions = TSet<TdkRecordViewOption>;
enum TdkRecordViewOKCancelOption { rvokShowOKCancel, rvokAutoPostRec, rvokAutoCancelRec };
using TdkRecordViewOKCancelOptions = TSet<TdkRecordViewOKCancelOption>;
enum TdkRecordViewStyle { rvsVertical, rvsHorizontal };

struct TdkMargin {
    int BottomOffset = 5, TopOffset = 5, LeftOffset = 5, RightOffset = 5;
};
struct TdkVertEditSpacing {
    int BetweenLabelEdit = 5, BetweenRow = 2;
};
struct TdkHorzEditSpacing {
    int BetweenEditsInRow = 5, BetweenLabelEdit = 1, BetweenRow = 2, LabelIndent = 1;
};
struct TdkEditSpacing {
    TdkHorzEditSpacing HorizontalView;
    TdkVertEditSpacing VerticalView;
};
// A value of 0 or less lets the window compute it.
struct TdkFormPosition {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

// A caption that marks its check box's focus with a dotted frame.
class TdkLabel : public TLabel {
public:
    using TLabel::TLabel;
    void Paint() override;
};

// A check box on one field: ticked when the field's text is the on value.
class TdkDBCheckBox : public TCheckBox {
public:
    explicit TdkDBCheckBox(TComponent* AOwner);
    ~TdkDBCheckBox() override;
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    void SetDataField(const QString& name) { link_.SetFieldName(name); }
    TField* Field() const { return link_.Field(); }
    QString ValueChecked = QStringLiteral("True");
    QString ValueUnchecked = QStringLiteral("False");
    TdkLabel* Label = nullptr;
    // A read-only box shows the field and takes no clicks into it (it stays
    // enabled, so its mouse events still arrive).
    bool ReadOnly = false;
    // The user ticked or unticked it: the field takes the value.
    void Umschalten();
    void DoEnter() override;
    void DoExit() override;

private:
    void Anzeigen();
    TFieldDataLink link_;
    bool zeigt_ = false;
};

// A memo on one text field.
class TdkDBMemo : public TMemo {
public:
    explicit TdkDBMemo(TComponent* AOwner);
    ~TdkDBMemo() override;
    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    void SetDataField(const QString& name) { link_.SetFieldName(name); }
    TField* Field() const { return link_.Field(); }

private:
    TFieldDataLink link_;
    bool zeigt_ = false;
};

class TdkRecordViewForm : public TForm {
public:
    explicit TdkRecordViewForm(TComponent* AOwner);
    // Controls lent by the owner form go back before the window's children
    // are freed.
    ~TdkRecordViewForm() override;
    TdkRecordViewDialog* Dialog = nullptr;
    TPanel* RecordPanel = nullptr;
    TPanel* NavigatorPanel = nullptr;
    TPanel* UserPanel = nullptr;
    TDBNavigator* Navigator = nullptr;
    TScrollBox* ScrollBox = nullptr;
    // The window was made topmost when it lost the activation.
    bool MadeTopmost = false;
};

// A control of the owner form lent to the window, and where it stood
// before: it goes back there when the window closes. A former parent that is
// freed meanwhile is forgotten (the control then goes back to no parent).
struct TdkCustomControlItem {
    TWinControl* Control = nullptr;
    TWinControl* Parent = nullptr;
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

class TdkRecordViewDialog : public TComponent {
public:
    explicit TdkRecordViewDialog(TComponent* AOwner);
    ~TdkRecordViewDialog() override;

    // Held through a data link of the dialog's own, so a data source that
    // is freed reads as none.
    TDataSource* DataSource() const { return sourceLink_.DataSource(); }
    void SetDataSource(TDataSource* source) { sourceLink_.SetDataSource(source); }
    TdkEditSpacing EditSpacing;
    TdkMargin Margin;
    TFormBorderStyle BorderStyle = bsSizeable;
    TdkFormPosition FormPosition;
    TButtonSet NavigatorVisibleButtons = kAllNavigatorButtons;
    TdkRecordViewStyle Style = rvsVertical;
    TdkRecordViewOptions Options{rvoUseCustomControls, rvoShortenEditBox, rvoModalForm, rvoConfirmCancel,
                                 rvoCloseIsCancel, rvoMaximizeMemoWidth};
    TdkRecordViewOKCancelOptions OKCancelOptions{rvokShowOKCancel, rvokAutoPostRec, rvokAutoCancelRec};
    TFont LabelFont;
    TFont Font;
    QString Caption = QStringLiteral("Record View");
    TColor ReadOnlyColor = TColor(0x80000000 | 19);
    // Shown on the window when it has items; forgotten when it is freed.
    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu);
    TStringList Selected;
    // Stored only; the layout does not read it.
    bool NavigatorFlat = false;

    std::function<void(TdkRecordViewForm* Form, TField* curField, bool& Accept)> OnBeforeCreateControl;
    std::function<void(TdkRecordViewForm* Form, TField* curField, TControl* Control)> OnAfterCreateControl;
    std::function<void(TdkRecordViewForm* Form)> OnInitDialog;
    std::function<void(TdkRecordViewForm* Form)> OnCloseDialog;
    std::function<void(TForm* Form, bool& CanClose)> OnCancelWarning;

    // Builds and shows the window; modal: true when it closed with OK;
    // modeless: true once it shows. False for a missing or closed dataset
    // and while a window is open already (that window comes to the front).
    bool Execute();
    void OKButtonClick(TObject* Sender);
    void CancelButtonClick(TObject* Sender);

    // The open window, null when none.
    TdkRecordViewForm* Form() const { return form_; }
    TButton* OKButton() const { return ok_; }
    TButton* CancelButton() const { return cancel_; }
    // The edits and memos of the open window, in creation order.
    const std::vector<TWinControl*>& EditList() const { return edits_; }
    // 0 OK button, 1 Cancel button, 2 anything else.
    int CloseReason() const { return closeReason_; }
    // The controls the open window borrowed from the owner form.
    const std::vector<TdkCustomControlItem>& CustomControls() const { return borrowed_; }

    // The control of the owner form that the table's control types name for
    // the field (types "CustomEdit", "LookupCombo", "Combo" and "RichEdit");
    // only an edit control answers. The first entry for the field decides.
    bool FindCustomControl(TComponent* OwnerForm, const TField* field, TWinControl*& control) const;
    // Gives every borrowed control back: hidden, to its former parent and place.
    void GiveBackCustomControls();


protected:
    virtual void DoBeforeCreateControl(TdkRecordViewForm* Form, TField* curField, bool& Accept);
    virtual void DoAfterCreateControl(TdkRecordViewForm* Form, TField* curField, TControl* Control);
    virtual void DoInitDialog(TdkRecordViewForm* Form);
    virtual void DoCloseDialog(TdkRecordViewForm* Form);
    virtual void DoCancelWarning(bool& CanClose);
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    struct TEintrag {
        TField* Feld = nullptr;  // null: a new row
        int Breite = 0;
        QString Caption;
    };
    std::vector<TEintrag> Eintraege() const;
    bool IsFieldShown(const TField* field) const;
    bool GetCheckBoxValues(const TField* field, QString& on, QString& off) const;
    int EditBreite(int displayWidth) const;
    bool AnyEditModified() const;
    void LayoutVertikal();
    void LayoutHorizontal();
    void Einpassen();
    // The navigator's width in the layout: 0 without a navigator.
    int NavigatorBreite() const;
    // The window height the rows up to y need (noted as the needed height),
    // cut to a stored height and to the work area.
    int FensterHoehe(int y);
    // Widens the window to the needed width within the work area; a cut
    // window grows by a scroll bar's height.
    void BreiteEinpassen(int& breite, int& hoehe, int noetig) const;
    // A window of that height scrolls its rows vertically.
    bool RollbalkenNoetig(int hoehe) const;
    // The control of a field; imLayout is false for a borrowed control that
    // cannot be bound (it then takes no part in the layout).
    TControl* Steuerelement(TField* f, TLabel* label, int x, int y, int breite, bool& imLayout);
    // The borrowed control of the field, null when it has none.
    TWinControl* Geliehen(const TField* f) const;
    // A field whose control spans the window: a memo, or a borrowed
    // multi-line editor (the rich edit of the control types).
    bool VolleBreite(const TField* f) const;
    void AddCustomControlItem(TWinControl* control);
    // The caption of an entry, after OnBeforeCreateControl accepted it (null
    // when not); check tells whether the field shows as a check box.
    TLabel* LabelMachen(const TEintrag& e, bool& check);
    void FormCloseQuery(bool& CanClose);
    void FormClose(TCloseAction& Action);
    void FormKeyDown(Word& Key, TShiftState Shift);
    // Keeps OK and Cancel inside the window and, with consistent edit
    // widths, the edits as wide as the window allows.
    void FormResize();
    void FormActivate();
    void FormDeactivate();
    // F2 in a memo: the memo's field in the large memo editor.
    void MemoKeyDown(TdkDBMemo* memo, Word& Key, TShiftState Shift);
    // Moves the focus to the next (or previous) control once the key that
    // asked for it is handled.
    void NextControlLater(bool previous);
    static void SetFormMenu(TCustomForm* form, TMainMenu* menu);
    static bool ControlWantsReturns(const TWinControl* control);
    static bool ControlWantsTabs(const TWinControl* control);

    TDataLink sourceLink_;
    TdkRecordViewForm* form_ = nullptr;
    TMainMenu* menu_ = nullptr;
    TButton* ok_ = nullptr;
    TButton* cancel_ = nullptr;
    std::vector<TWinControl*> edits_;
    std::vector<TdkCustomControlItem> borrowed_;
    int closeReason_ = 2;
    int editX_ = 0;
    int breite_ = 0;
    int hoehe_ = 0;
    // The height the fields need (the window may be lower, then scrolls).
    int noetigeHoehe_ = 0;
    // What the window grew beyond the counted width so that its real frames
    // cut nothing off; the edits' width on resize leaves it out.
    int zugabeBreite_ = 0;
};
