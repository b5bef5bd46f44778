#pragma once
// The masked data edit: TdkCustomMaskEdit types under a picture mask
// (Paradox syntax, completed by the picture validator); TdkDBCustomEdit
// binds it to one field of a dataset, shows the field's display text when
// not focused and its edit text when focused, validates before the record
// is written, completes dates and times with the space bar and hands the
// grid's navigation keys to a grid it floats over; TdkDBEdit publishes it.

#include "datagrid/dk_data_source.h"
#include "datagrid/dk_db_grid.h"
#include "datagrid/dk_db_picture.h"
#include "datagrid/dk_published.h"
#include "platform/data/data_source.h"
#include "platform/ui/mask_edit.h"

enum TdkEditDataType { dkDefault, dkEdtDate, dkEdtTime, dkEdtDateTime };

// Gives a data control the focus its field asked for (a value refused
// before a post); false when the control cannot take it now.
inline bool TakeFocusForField(TWinControl* control)
{
    if (!control->CanFocus())
        return false;
    control->SetFocus();
    return true;
}

class TdkCustomMaskEdit : public TCustomMaskEdit, public TdkPictureOwner {
public:
    explicit TdkCustomMaskEdit(TComponent* AOwner);

    TdkDBPicture* Picture();
    void SetPicture(const TdkDBPicture* picture);
    // Word wrap or no border show the text on several lines (broken
    // between words with word wrap); a vertical scroll bar shows when asked
    // for; WantReturns lets Enter start a new line.
    void SetBorderStyle(TBorderStyle v) override;
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    bool WantReturns = false;
    bool ShowVertScrollBar() const { return showVertScrollBar_; }
    void SetShowVertScrollBar(bool v);
    bool UsePictureMask = true;
    TdkValidateEvent OnCheckValue;

    virtual void DoCheckValue(bool Passes);
    // A picture mask applies: UsePictureMask and a mask.
    bool HasPictureMask();
    // True for an empty text or no mask; else the text must be complete.
    bool CheckValue(const QString& Text);
    bool InvalidExit() const { return invalidExit_; }

    TDataSet* PictureDataSet() const override { return nullptr; }
    QString PictureFieldName() const override { return {}; }

protected:
    // The picture typing of one character; sets keyHandled_ when it changed
    // the text itself.
    void PictureKeyPress(QChar& Key);
    // Refuses to lose the focus with text the mask does not accept.
    void CheckExit();
    virtual void EnterEditState() {}
    virtual bool EditWritable() const { return !ReadOnly(); }
    void ApplyLines();

    TdkDBPicture picture_{this};
    bool wordWrap_ = false;
    bool showVertScrollBar_ = false;
    bool invalidExit_ = false;
    bool keyHandled_ = false;
};

class TdkDBCustomEdit : public TdkCustomMaskEdit, public TdkDataAwareControl {
public:
    explicit TdkDBCustomEdit(TComponent* AOwner);
    ~TdkDBCustomEdit() override;

    // Only a TdkDataSource is answered; another class reads as none.
    TDataSource* GetDataSource() const override;
    void SetDataSource(TDataSource* source) override;
    TdkDataSource* DataSource() const { return dynamic_cast<TdkDataSource*>(link_.DataSource()); }
    QString GetDataField() const override { return link_.FieldName(); }
    void SetDataField(const QString& name) override;
    QString DataField() const { return GetDataField(); }
    bool ReadOnly() const { return link_.ReadOnly() || ownReadOnly_; }
    void SetReadOnly(bool v);
    bool AutoFillDate = true;
    TdkEditDataType UnboundDataType = dkDefault;
    TFieldDataLink* DataLink() { return &link_; }
    TField* Field() const { return link_.Field(); }

    bool IsDateField() const;
    bool IsTimeField() const;
    bool IsDateTimeField() const;
    bool IsMemoField() const;
    void SetModified(bool Value);
    // Restores the field's value (or an unbound control's saved text).
    void Reset();
    // The date and time completion of the space bar; true when it acted.
    bool AutoFillDateTime();

    virtual bool IsTextEditable() const { return true; }
    virtual QString GetEditText() const { return Text(); }
    virtual bool GetShowButton() const { return false; }
    virtual void SetShowButton(bool) {}
    virtual bool BypassFieldCharCheck() const { return false; }
    // The text shown while the control does not have the focus.
    virtual QString DisplayText();

    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void DoEnter() override;
    void DoExit() override;
    void Loaded() override;
    void Paste();
    void Cut();

    TDataSet* PictureDataSet() const override;
    QString PictureFieldName() const override;

protected:
    virtual void DataChange();
    void EditingChange();
    void UpdateData();
    void EnterEditState() override;
    bool EditWritable() const override { return !TEdit::ReadOnly(); }
    TdkCustomDBGrid* ParentGrid() const { return dynamic_cast<TdkCustomDBGrid*>(Parent()); }
    // Shows a text without counting as the user's change.
    void ShowText(const QString& text);

    TFieldDataLink link_;
    bool ownReadOnly_ = false;
    bool focused_ = false;
    int alignment_ = -1;
    QString savedText_;
};

class TdkDBEdit : public TdkDBCustomEdit {
public:
    using TdkDBCustomEdit::TdkDBCustomEdit;
};
