#pragma once
// The data grid: the records of a dataset in rows, its fields in columns,
// with a title row, an indicator column, in-place editing, coloured cells
// and clickable titles. TdkCustomDBGrid holds the mechanism on the cell
// grid of the framework; TdkDBGrid (what forms place) adds the cell
// controls read from the dataset's ControlType list, memo cells with the
// memo dialog, multi-selection of records, the Selected column list applied
// to the fields and user-fixed columns.
//
// The grid moves the dataset, never its own rows: its data link asks the
// dataset for as many record buffers as rows are visible, so a grid over a
// large table reads only the rows it shows.

#include "datagrid/dk_data_source.h"
#include "datagrid/dk_db_picture.h"
#include "platform/core/string_list.h"
#include "platform/data/data_source.h"
#include "platform/ui/buttons.h"
#include "platform/ui/grids.h"

#include <map>
#include <memory>
#include <vector>

class QTimer;
class TdkCustomDBGrid;

// The lines a cell of that width shows (words whole; TAB, CR, LF end a line).
QStringList dkWordWrapText(const QString& text, int width, const std::function<int(const QString&)>& measure);
class TdkDBGrid;
class TdkInplaceEdit;
class TdkMemoDialog;

enum TdkDBGridOption {
    dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
    dgRowSelect, dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit, dgWordWrap, dgPerfectRowFit,
    dgMultiSelect
};
using TdkDBGridOptions = TSet<TdkDBGridOption>;
enum TdkDBGridKeyOption { dgEnterToTab, dgAllowDelete, dgAllowInsert };
using TdkDBGridKeyOptions = TSet<TdkDBGridKeyOption>;
enum TIndicatorColorType { icBlack, icYellow };
enum TdkMemoAttribute { mSizeable, mWordWrap, mGridShow, mViewOnly, mDisableDialog };
using TdkMemoAttributes = TSet<TdkMemoAttribute>;
enum TdkEditControlOption { ecoCheckboxSingleClick, ecoSearchOwnerForm };
using TdkEditControlOptions = TSet<TdkEditControlOption>;
enum TdkMultiSelectOption { msoAutoUnselect, msoShiftSelect };
using TdkMultiSelectOptions = TSet<TdkMultiSelectOption>;

inline constexpr TdkDBGridOptions kdkDefaultGridOptions{dgEditing,  dgTitles,          dgIndicator,
                                                         dgColumnResize, dgColLines,   dgRowLines,
                                                         dgTabs,     dgConfirmDelete,  dgCancelOnExit,
                                                         dgWordWrap};

using TCalcCellColorsEvent = std::function<void(TObject* Sender, TField* Field, TGridDrawState State,
                                                bool Highlight, TFont* AFont, TBrush* ABrush)>;
using TCalcTitleAttributesEvent = std::function<void(TObject* Sender, const QString& AFieldName, TFont* AFont,
                                                     TBrush* ABrush, TAlignment& ATitleAlignment)>;
using TTitleButtonClickEvent = std::function<void(TObject* Sender, const QString& AFieldName)>;
using TdkDrawDataCellEvent = std::function<void(TObject* Sender, const TRect& Rect, TField* Field,
                                                TGridDrawState State)>;
using TMovedEvent = std::function<void(TObject* Sender, int FromIndex, int ToIndex)>;
using TdkValidateEvent = std::function<void(TObject* Sender, bool PassesPictureTest)>;
using TdkMemoOpenEvent = std::function<void(TdkDBGrid* Grid, TdkMemoDialog* MemoDialog)>;
using TdkMemoCloseEvent = std::function<void(TdkDBGrid* Grid, bool Cancel)>;
using TdkSelectRecordEvent = std::function<void(TdkDBGrid* Grid, bool Selecting, bool& Accept)>;

// Whether a field takes a typed character (numbers take digits, signs,
// separators and exponents; other fields any character).
bool dkFieldIsValidChar(const TField* field, QChar c);

// A control floated over grid cells that shows stored values in a form of
// its own (a combo box with mapped items): the grid's cells show the same.
class TdkCellDisplay {
public:
    virtual ~TdkCellDisplay() = default;
    virtual QString GridDisplayText(TField* field) = 0;
};

// The grid's link: the column-to-field map and the notifications.
class TdkGridDataLink : public TDataLink {
public:
    explicit TdkGridDataLink(TdkCustomDBGrid* grid) : grid_(grid) {}
    // Adds the dataset's field of that name; false when it has none.
    bool AddMapping(const QString& fieldName);
    // Adds a field by its index in the dataset's field list.
    void AddFieldIndex(int index);
    void ClearMapping() { map_.clear(); }
    int FieldCount() const { return int(map_.size()); }
    // The field of map position i; null past the count.
    TField* Fields(int i) const;
    bool Modified() const { return modified_; }
    void SetModified(bool v) { modified_ = v; }
    bool InUpdateData() const { return inUpdate_; }
    bool DefaultFields() const;
    // The largest field map.
    static constexpr int kMaxMapSize = 16380;

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

private:
    TdkCustomDBGrid* grid_;
    std::vector<int> map_;
    bool modified_ = false;
    bool inUpdate_ = false;
};

// The button in the grid's top-left cell.
class TdkIButton : public TSpeedButton {
public:
    explicit TdkIButton(TComponent* AOwner) : TSpeedButton(AOwner) {}
    void Loaded() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
};

class TdkCustomDBGrid : public TCustomGrid {
public:
    explicit TdkCustomDBGrid(TComponent* AOwner);
    ~TdkCustomDBGrid() override;

    TDataSource* DataSource() const { return link_->DataSource(); }
    virtual void SetDataSource(TDataSource* source);
    TdkGridDataLink* DataLink() const { return link_.get(); }

    TStringList& Selected() { return selected_; }
    virtual void SetSelected(const TStringList& list);
    TFont* TitleFont() { return &titleFont_; }
    TColor TitleColor() const { return titleColor_; }
    virtual void SetTitleColor(TColor c);
    TdkDBGridOptions Options() const { return options_; }
    void SetOptions(TdkDBGridOptions v);
    TdkDBGridKeyOptions KeyOptions{dgAllowDelete, dgAllowInsert};
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v) { readOnly_ = v; }
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool v);
    TAlignment TitleAlignment() const { return titleAlignment_; }
    void SetTitleAlignment(TAlignment v);
    int TitleLines() const { return titleLines_; }
    void SetTitleLines(int v);
    bool TitleButtons() const { return titleButtons_; }
    void SetTitleButtons(bool v);
    int RowHeightPercent() const { return rowHeightPercent_; }
    void SetRowHeightPercent(int v);
    TIndicatorColorType IndicatorColor() const { return indicatorColor_; }
    void SetIndicatorColor(TIndicatorColorType v);
    TdkIButton* IndicatorButton() const { return indicatorButton_; }
    void SetIndicatorButton(TdkIButton* button);
    bool UseTFields() const { return useTFields_; }
    void SetUseTFields(bool v);
    bool EditCalculated = false;
    bool ShowVertScrollBar() const { return showVertScrollBar_; }
    void SetShowVertScrollBar(bool v);
    bool ShowHorzScrollBar() const;
    void SetShowHorzScrollBar(bool v);
    int IndicatorWidth() const { return indicatorWidth_; }
    void SetIndicatorWidth(int w);

    TCalcCellColorsEvent OnCalcCellColors;
    TCalcTitleAttributesEvent OnCalcTitleAttributes;
    TTitleButtonClickEvent OnTitleButtonClick;
    TdkDrawDataCellEvent OnDrawDataCell;
    TNotifyEvent OnColEnter, OnColExit, OnTopRowChanged;
    TMovedEvent OnColumnMoved;
    TdkValidateEvent OnCheckValue;

    int GetFieldCount() const { return link_->FieldCount(); }
    TField* GetFields(int index) const { return link_->Fields(index); }
    TField* GetSelectedField() const;
    TGridCoord GetMouseCoord(int X, int Y) const { return MouseCoord(X, Y); }
    int GetColCount() const { return ColCount(); }
    TField* GetCurrentColumnField() const { return GetSelectedField(); }
    bool IsBlobCell(int ACol, int ARow) const;
    bool IsEditable() const { return options_.Contains(dgEditing) && !readOnly_; }
    void AdjustHeightToRows();
    int TitleOffset() const { return titleOffset_; }
    int IndicatorOffset() const { return indicatorOffset_; }
    int DefaultDataRowHeight() const { return DefaultRowHeight(); }
    // The data column shown by a grid column and back.
    int DataCol(int ACol) const { return ACol - indicatorOffset_; }
    int DataRow(int ARow) const { return ARow - titleOffset_; }

    // The texts the last paint drew into cells (grid column, grid row), so
    // a test can read what the user sees.
    QString PaintedText(int ACol, int ARow) const;
    int PaintCount() const { return paints_; }

    // Re-laid out by the grid and its link.
    virtual void LayoutChanged();
    virtual void Scroll(int Distance);
    virtual bool HighlightCell(int DataCol, int DataRow, const QString& Value, TGridDrawState State);
    virtual void DefineFieldMap();
    virtual void InternalLayout();
    virtual void LinkActive(bool Value);
    virtual bool HasCellControl(int ACol, int ARow) { return false; }
    virtual void DoCalcCellColors(TField* Field, TGridDrawState State, bool Highlight, TFont* AFont,
                                  TBrush* ABrush);
    virtual void DoTitleButtonClick(const QString& FieldName);
    virtual void DoCalcTitleAttributes(const QString& FieldName, TFont* AFont, TBrush* ABrush,
                                       TAlignment& Alignment);
    virtual TColor GetColumnColor(int ACol) { return Color(); }
    virtual void DrawCheckBox(const TRect& Rect, int ACol, bool Ticked, int ARow);
    virtual void UpdateSelectionCache() {}
    virtual void HideEditControl() {}
    virtual void UnselectAll() {}
    virtual void DataChanged();
    virtual void DoTopRowChanged();
    virtual void UpdateData();
    virtual void SelectRecord() {}
    virtual void UnselectRecord() {}
    void RecordChanged(TField* field);
    void EditingChanged();

    // Input (navigation and editing).
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    // One step of the timed scroll while a drag is held beyond the top (-1)
    // or bottom (1) of the data rows: the dataset moves to the record above
    // the first or below the last visible row. 0 when no drag is held out.
    int TimedScrollDirection() const { return timedScroll_; }
    void TimedScroll();
    void DoExit() override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    void Resize() override;
    void Loaded() override;
    void VertScroll(int code, int pos) override;
    using TCustomGrid::VertScrollPos;

    // May the current cell be edited now (puts the dataset in edit state).
    bool CanEditModify();
    bool CanEditAcceptKey(QChar Key) const;
    // The current column changes to a data column (validation, events).
    void ChangeColumn(int DataColumn);
    // Esc: resets typed text, or asks whether to discard the record's changes.
    void CancelAction();
    // The validation of the editor's text against the current field's
    // picture mask; false keeps the column.
    bool ValidateEditorText();
    void ShowEditorNow() { ShowEditor(); }
    TdkInplaceEdit* Editor() const;
    QString LastEditText() const { return lastEditText_; }
    // Called by the in-place editor and the link: writes the editor's text
    // into the current field.
    void WriteEditorText();
    bool AcquireFocus();

protected:
    void Paint() override;
    void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void ColWidthsChanged() override;
    bool CanEditShow() const override;
    QString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const QString& Value) override;
    TInplaceEdit* CreateEditor() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void FontChanged() override;

    // The text a data cell shows (TdkDBGrid: memo cells, mapped combos).
    virtual QString CellText(TField* field);
    // The cell lines after a cell control or on a white brush.
    void DrawCellLines(const TRect& rect, bool selected, bool titleRow);
    // Fills a data cell in its colours (and the focus frame); Highlight back.
    bool PaintCellBackground(int ACol, int ARow, const TRect& rect, TGridDrawState state);
    // The focus frame around a highlighted cell while the grid is its form's
    // active control (not with whole-row selection); sets the focus mark.
    void DrawFocusFrame(const TRect& rect, bool highlight);
    void DrawCellText(const TRect& rect, const QString& text, TAlignment alignment, bool wrap);
    void DrawTitleText(const TRect& rect, const QString& title, TAlignment alignment, bool pressed);
    void DrawIndicator(const TRect& rect, int dataRow);
    void NotePainted(int ACol, int ARow, const QString& text) { painted_[{ACol, ARow}] = text; }
    void UpdateActive();
    void UpdateRowCount();
    void UpdateVertScrollBar();
    void ComputeRowHeights();
    void HeightFit();
    void PriorRow();
    void NextRow(bool mayAppend);
    void MoveByRows(int distance);
    void TabWalk(bool back);
    void DoInsert(bool append);
    bool InLayout() const { return layoutLock_ > 0; }
    TField* ColumnField(int ACol) const { return GetFields(DataCol(ACol)); }
    QString SelectedTitle(const QString& fieldName) const;

    std::unique_ptr<TdkGridDataLink> link_;
    TStringList selected_;
    TFont titleFont_;
    TColor titleColor_ = clBtnFace;
    TdkDBGridOptions options_ = kdkDefaultGridOptions;
    bool readOnly_ = false;
    bool defaultDrawing_ = true;
    TAlignment titleAlignment_ = taLeftJustify;
    int titleLines_ = 1;
    bool titleButtons_ = false;
    int rowHeightPercent_ = 100;
    TIndicatorColorType indicatorColor_ = icBlack;
    TdkIButton* indicatorButton_ = nullptr;
    bool useTFields_ = true;
    bool showVertScrollBar_ = true;
    int titleOffset_ = 1, indicatorOffset_ = 1;
    int indicatorWidth_ = 11;
    int layoutLock_ = 0;
    bool inRowCount_ = false;
    bool layoutFromDataSet_ = false;
    int pressedCol_ = -1, pressedRow_ = -1;
    bool dataPressed_ = false;
    int timedScroll_ = 0;
    std::unique_ptr<QTimer> scrollTimer_;
    int drawCol_ = -1, drawRow_ = -1;
    QString lastEditText_;
    bool acquireFocus_ = true;
    bool updateFields_ = true;
    bool copyingFont_ = false;
    bool inColExit_ = false;
    bool handOver_ = false;
    bool brushIsWhite_ = false;
    bool focusDrawn_ = false;
    int indicatorRow_ = -1;
    std::map<std::pair<int, int>, QString> painted_;
    int paints_ = 0;
};

class TdkDBGrid : public TdkCustomDBGrid {
public:
    explicit TdkDBGrid(TComponent* AOwner);
    ~TdkDBGrid() override;

    // Only a TdkDataSource is answered; another class reads as none.
    TdkDataSource* DataSource() const { return dynamic_cast<TdkDataSource*>(TdkCustomDBGrid::DataSource()); }
    void SetDataSource(TDataSource* source) override { TdkCustomDBGrid::SetDataSource(source); }
    void SetSelected(const TStringList& list) override;
    TdkMemoAttributes MemoAttributes() const { return memoAttributes_; }
    void SetMemoAttributes(TdkMemoAttributes v);
    void SetTitleColor(TColor c) override;
    TdkEditControlOptions EditControlOptions{ecoSearchOwnerForm};
    TdkMultiSelectOptions MultiSelectOptions;
    int FixedCols() const { return fixedCols_; }
    // A negative value is refused with "Invalid value for FixedCols"; one
    // that leaves no free column waits until the grid has enough columns.
    void SetFixedCols(int v);

    TdkMemoOpenEvent OnMemoOpen;
    TdkMemoCloseEvent OnMemoClose;
    TdkSelectRecordEvent OnMultiSelectRecord;

    void SelectRecord() override;
    void UnselectRecord() override;
    void UnselectAll() override;
    // Whether the current record is selected.
    bool IsSelected();
    int SelectedCount() const { return int(selection_.size()); }
    const std::vector<TBookmark>& SelectedBookmarks() const { return selection_; }
    void ApplySelected();
    // Opens the memo dialog for the current memo cell.
    void ShowMemoDialog();
    // The control floated over the current cell, or none.
    TWinControl* CurrentEditControl() const { return editControl_; }

    void LinkActive(bool Value) override;
    bool HasCellControl(int ACol, int ARow) override;
    TColor GetColumnColor(int ACol) override;
    void UpdateSelectionCache() override;
    void HideEditControl() override;
    void UpdateData() override;
    void InternalLayout() override;
    bool HighlightCell(int DataCol, int DataRow, const QString& Value, TGridDrawState State) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    void DoExit() override;
    void Loaded() override;

protected:
    void Paint() override;
    void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
    QString CellText(TField* field) override;

private:
    bool IsRecordSelected();
    bool IsSelectedColumn(TField* field) const;
    void ToggleCheckBox(int ACol);
    void PrepareEditControls();
    TWinControl* FindEditControl(const QString& name);
    TWinControl* EditControlFor(TField* field);
    void ShowEditControl(bool focus);
    void DrawBitmapCell(TField* field, const TRect& rect, const QString& params, bool highlight);
    void SelectRange(TBookmark from, TBookmark to);

    TdkMemoAttributes memoAttributes_{mSizeable, mWordWrap};
    int fixedCols_ = 0;
    std::vector<TBookmark> selection_;
    std::vector<bool> rowCache_;
    bool shiftAnchorSet_ = false;
    TBookmark shiftAnchor_ = 0;
    TWinControl* editControl_ = nullptr;
    bool applyingSelected_ = false;
    bool inLinkActive_ = false;
    bool controlsPrepared_ = false;
};
