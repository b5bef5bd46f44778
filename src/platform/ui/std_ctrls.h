#pragma once
// The standard controls: label, edit, memo, button, check box, radio
// button, group box, list box, combo box and scroll bar.

#include <QStringList>

#include "platform/core/string_list.h"
#include "platform/ui/control.h"

class QLineEdit;
class QPlainTextEdit;
class TLineEdit;
class QPushButton;
class QCheckBox;
class QRadioButton;
class QGroupBox;
class QListWidget;
class QComboBox;
class QScrollBar;

// The item texts of a list control (Items, Lines), kept in its widget.
class TItemStrings {
public:
    virtual ~TItemStrings() = default;
    virtual int Count() const = 0;
    virtual QString Get(int i) const = 0;
    virtual void Put(int i, const QString& s) = 0;
    virtual void Insert(int i, const QString& s) = 0;
    virtual void Delete(int i) = 0;
    virtual void Clear() = 0;
    // The object slot of an item (not owned); lists without slots give nullptr.
    virtual void* Objects(int i) const { return nullptr; }
    virtual void SetObjects(int i, void* obj) {}
    int AddObject(const QString& s, void* obj)
    {
        int i = Add(s);
        SetObjects(i, obj);
        return i;
    }

    QString operator[](int i) const { return Get(i); }
    QString Strings(int i) const { return Get(i); }
    int Add(const QString& s) { Insert(Count(), s); return Count() - 1; }
    int IndexOf(const QString& s) const;  // compared without case, as the framework does
    QString Text() const;                 // lines joined by CR LF, each ended by it
    void SetText(const QString& text);
    QString CommaText() const;
    QStringList ToStringList() const;
    void Assign(const QStringList& list);
    void Assign(const TItemStrings& other) { Assign(other.ToStringList()); }
    void Assign(const TStringList& list) { Assign(list.ToQStringList()); }
    void AssignTo(TStringList& list) const;
    // Windows-1252 text files, as the program's lists are stored.
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName) const;
    void AddStrings(const QStringList& list);
    // Changes to many items at once may set these around them.
    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}
};

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* AOwner);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment v) { alignment_ = v; Invalidate(); }
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout v) { layout_ = v; Invalidate(); }
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v) { transparent_ = v; Invalidate(); }
    bool ShowAccelChar = true;
    TWinControl* FocusControl = nullptr;
    void Paint() override;

protected:
    void TextChanged() override { AdjustBounds(); }
    void FontChanged() override;

private:
    void AdjustBounds();
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool transparent_ = false;
};

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* AOwner);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase v);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    virtual void SetBorderStyle(TBorderStyle v);
    void SetText(const QString& v) override;
    int MaxLength() const;
    void SetMaxLength(int v);
    bool ReadOnly() const;
    void SetReadOnly(bool v);
    QChar PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(QChar c);
    int SelStart() const;
    void SetSelStart(int v);
    int SelLength() const;
    void SetSelLength(int v);
    QString SelText() const;
    void SelectAll();
    void Clear() { SetText(QString()); }
    // Several lines: the text breaks at its line ends and, with word wrap,
    // between words, and scrolls up and down (a vertical scroll bar when
    // asked for); one line scrolls sideways. See line_edit.h.
    void SetMultiLine(bool multiLine, bool wordWrap, bool vertScrollBar);
    bool MultiLine() const;
    bool Modified = false;
    bool AutoSelect = true;
    TNotifyEvent OnChange;
    QLineEdit* Edit() const;
    TLineEdit* LineEdit() const;

protected:
    QString GetText() const override;

private:
    QString Cased(const QString& s) const;
    QChar passwordChar_;
    TEditCharCase charCase_ = ecNormal;
    TBorderStyle borderStyle_ = bsSingle;
};

class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* AOwner);
    ~TMemo() override;
    TItemStrings* Lines() const { return lines_; }
    void SetText(const QString& v) override;
    bool ReadOnly() const;
    void SetReadOnly(bool v);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle v);
    bool WantReturns = true;
    bool WantTabs = false;
    TAlignment Alignment = taLeftJustify;
    int MaxLength = 0;
    bool Modified = false;
    TNotifyEvent OnChange;
    void Clear() { SetText(QString()); }
    void SelectAll();
    QPlainTextEdit* Editor() const;

protected:
    QString GetText() const override;
    void KeyPress(QChar& Key) override;

private:
    TItemStrings* lines_;
    bool wordWrap_ = true;
    TScrollStyle scrollBars_ = ssNone;
};

class TButton : public TWinControl {
public:
    explicit TButton(TComponent* AOwner);
    TModalResult ModalResult = mrNone;
    bool Default() const { return default_; }
    void SetDefault(bool v);
    bool Cancel = false;
    // Sets the form's modal result to ModalResult, then OnClick.
    void Click() override;
    QPushButton* Button() const;

protected:
    void TextChanged() override;

private:
    bool default_ = false;
};

class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* AOwner);
    bool Checked() const { return state_ == cbChecked; }
    void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState v);
    bool AllowGrayed = false;
    TAlignment Alignment = taRightJustify;
    QCheckBox* Box() const;

protected:
    void TextChanged() override;

private:
    TCheckBoxState state_ = cbUnchecked;
    bool syncing_ = false;
};

class TRadioButton : public TWinControl {
public:
    explicit TRadioButton(TComponent* AOwner);
    bool Checked() const;
    void SetChecked(bool v);
    QRadioButton* Radio() const;

protected:
    void TextChanged() override;
};

class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* AOwner);
    TRect AdjustClientRect() const override;

protected:
    void TextChanged() override;
};

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
enum TOwnerDrawStateItem { odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault };
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;
using TDrawItemEvent = std::function<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

// A list of texts; with an owner-draw style each item is painted by
// DrawItem (OnDrawItem) through the list's canvas; Columns > 0 lays the
// items out in columns, top to bottom, scrolling sideways.
class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* AOwner);
    ~TListBox() override;
    TListBoxStyle Style() const { return style_; }
    void SetStyle(TListBoxStyle v);
    int Columns() const { return columns_; }
    void SetColumns(int v);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int v);
    // Item rectangle in client coordinates (empty when not laid out).
    TRect ItemRect(int Index) const;
    // Item at a client point; -1 (or Count when not Existing) when none.
    int ItemAtPos(TPoint Pos, bool Existing) const;
    TCanvas* Canvas() override { return &canvas_; }
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;
    virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
    virtual void MeasureItem(int Index, int& Height);
    // Used by the item delegate.
    void PaintItem(QPainter* painter, const TRect& rect, int index, TOwnerDrawState state);
    TItemStrings* Items() const { return items_; }
    int ItemIndex() const;
    void SetItemIndex(int v);
    int Count() const { return items_->Count(); }
    bool Selected(int i) const;
    void SetSelected(int i, bool v);
    int SelCount() const;
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool v);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool v);
    int TopIndex() const;
    void SetTopIndex(int v);
    void Clear() { items_->Clear(); }
    QListWidget* List() const;

protected:
    void Resize() override;

private:
    void UpdateLayout();
    TItemStrings* items_;
    TCanvas canvas_;
    bool multiSelect_ = false;
    bool sorted_ = false;
    TListBoxStyle style_ = lbStandard;
    int columns_ = 0;
    int itemHeight_ = 16;
};

class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* AOwner);
    ~TComboBox() override;
    TItemStrings* Items() const { return items_; }
    int ItemIndex() const;
    void SetItemIndex(int v);
    void SetText(const QString& v) override;
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle v);
    int DropDownCount() const;
    void SetDropDownCount(int v);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool v);
    int MaxLength() const;
    void SetMaxLength(int v);
    bool DroppedDown() const;
    void SetDroppedDown(bool v);
    void Clear();
    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    QComboBox* Combo() const;

protected:
    QString GetText() const override;

private:
    TItemStrings* items_;
    TComboBoxStyle style_ = csDropDown;
    bool sorted_ = false;
};

class TScrollBar : public TWinControl {
public:
    explicit TScrollBar(TComponent* AOwner);
    TScrollBarKind Kind() const { return kind_; }
    void SetKind(TScrollBarKind v);
    int Min() const;
    int Max() const;
    int Position() const;
    void SetMin(int v);
    void SetMax(int v);
    void SetPosition(int v);
    void SetParams(int APosition, int AMin, int AMax);
    int SmallChange() const;
    void SetSmallChange(int v);
    int LargeChange() const;
    void SetLargeChange(int v);
    int PageSize() const;
    void SetPageSize(int v);
    TNotifyEvent OnChange;
    QScrollBar* Bar() const;

private:
    TScrollBarKind kind_ = sbHorizontal;
};

// The framework's base classes of these controls: components derive from
// them as from the framework's.
using TCustomLabel = TLabel;
using TCustomEdit = TEdit;
using TCustomMemo = TMemo;
using TButtonControl = TButton;
using TCustomCheckBox = TCheckBox;
using TCustomGroupBox = TGroupBox;
using TCustomListBox = TListBox;
using TCustomComboBox = TComboBox;
