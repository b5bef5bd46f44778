#pragma once
// TdkDBLookupList: a data grid over a lookup table that edits one field of
// another dataset with the key value (LookupField) of the record the user
// chooses. TdkPopupGrid is the same grid as the drop-down list of a lookup
// combo: a borderless top-level window that holds, for the combo, the
// lookup table's data source, the column list, the lookup field objects
// and the values of the chosen record.

#include "datagrid/dk_db_grid.h"
#include "platform/core/exceptions.h"
#include "platform/data/data_source.h"

class TdkDBCustomLookupCombo;

enum TdkDBLookupListOption { loColLines, loRowLines, loTitles };
using TdkDBLookupListOptions = TSet<TdkDBLookupListOption>;

class TdkDBLookupList : public TdkCustomDBGrid {
public:
    explicit TdkDBLookupList(TComponent* AOwner);
    ~TdkDBLookupList() override;

    // The edited field's data source (the grid's own source is the lookup
    // source); the lookup table's data source is refused.
    TDataSource* EditSource() const { return fieldLink_.DataSource(); }
    void SetDataSource(TDataSource* source) override;
    QString DataField() const { return fieldLink_.FieldName(); }
    void SetDataField(const QString& name);
    TFieldDataLink& FieldLink() { return fieldLink_; }

    TDataSet* LookupTable() const { return lookupSource_.DataSet(); }
    void SetLookupTable(TDataSet* table);
    TDataSource* LookupSource() { return &lookupSource_; }
    QString LookupField() const { return lookupField_; }
    void SetLookupField(const QString& names);
    TdkDBLookupListOptions ListOptions() const { return listOptions_; }
    void SetListOptions(TdkDBLookupListOptions options);
    bool ListReadOnly() const { return fieldLink_.ReadOnly(); }
    void SetListReadOnly(bool v) { fieldLink_.SetReadOnly(v); }

    // May the chosen value be written: no edited source, or it is editing.
    virtual bool CanChangeValue();

    // The chosen record's values.
    QString LookupValue, LookupValue2, LookupValue3, DisplayText;
    // The grid row of the chosen record; -1 when none.
    int CurrentRow = -1;
    bool Found = false;
    int UpdateCount = 0;
    bool Sizing = false;
    int TitleRows() const { return listOptions_.Contains(loTitles) ? 1 : 0; }

    // The lookup table's field objects: the display column's field, the
    // lookup field and the second and third lookup fields.
    TField* DisplayFieldObject() const { return displayField_; }
    TField* LookupFieldObject() const { return lookupFieldObj_; }
    TField* LookupField2() const { return lookup2_; }
    TField* LookupField3() const { return lookup3_; }
    int LookupFieldsFound() const { return lookupCount_; }
    bool DisplayIsLookupField() const { return displayField_ && displayField_ == lookupFieldObj_; }

    // Reads the field objects; missingIsError raises for a missing first
    // lookup field.
    void ReadFieldObjects(bool missingIsError);
    // Positions the list on the record whose lookup value is value.
    void PositionByValue(const QString& value);
    // Seeks the record of the current lookup value again (the combo shows
    // text).
    void LocateByLookupValue(const QString& text);
    // Reads the chosen values from the lookup table's active record, then
    // OnClick.
    void TakeRow();
    // Positions the lookup table on the edited field's value.
    void Relink(bool forDropDown);
    // Seeks the record whose first lookup field holds value (by key on an
    // indexed TdkTable, else by field); the result is also in Found.
    bool SeekLookupValue(const QString& value, bool exact);

    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DoExit() override;
    // OnClick tells of a row taken (TakeRow), not of every mouse click.
    void Click() override {}

protected:
    void LinkActive(bool Value) override;
    void DefineFieldMap() override;
    void InternalLayout() override;
    bool HighlightCell(int DataCol, int DataRow, const QString& Value, TGridDrawState State) override;
    void DataChanged() override;
    void Scroll(int Distance) override;
    // The scroll bar's line steps move the lookup table past the shown rows
    // (the chosen row stays where it is); a thumb position clears it.
    void VertScroll(int code, int pos) override;

    // The edited field's data change: shows the field's value.
    void FieldDataChange();
    void CheckDuplicateSource() const;

    TdkDBCustomLookupCombo* combo_ = nullptr;
    TFieldDataLink fieldLink_;
    TDataSource lookupSource_;
    QString lookupField_;
    TdkDBLookupListOptions listOptions_;
    TField* displayField_ = nullptr;
    TField* lookupFieldObj_ = nullptr;
    TField* lookup2_ = nullptr;
    TField* lookup3_ = nullptr;
    int lookupCount_ = 0;
    bool inKeyDown_ = false;
};

class TdkPopupGrid : public TdkDBLookupList {
public:
    explicit TdkPopupGrid(TdkDBCustomLookupCombo* combo);
    bool CanChangeValue() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    TdkDBCustomLookupCombo* Combo() const { return combo_; }

protected:
    void LinkActive(bool Value) override;
    // A detail lookup table that moved with its master: the shown value is
    // looked up again.
    void DataChanged() override;
    // The list is a window of its own, not a child of the combo: it shows
    // and hides itself.
    void ApplyVisible() override;
};

// The texts of the library's lookup errors.
inline const QString kdkDuplicateSource = QStringLiteral("Kann doppelte DataSource und LookupSource nicht benutzen");
