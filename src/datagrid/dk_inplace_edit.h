#pragma once
// TdkInplaceEdit: the editor the data grid floats over its current cell.
// With the grid's word wrap (taken when the editor is made) it shows the
// cell's text on several lines, broken between words, and scrolls up and
// down to the caret; without, one line. It hands the grid's navigation keys
// back to it and types under the current field's picture mask: each typed
// character is tested and completed by a picture validator, and the grid's
// OnCheckValue hears whether the text passes.

#include "datagrid/dk_db_picture.h"
#include "platform/ui/grids.h"

class TdkCustomDBGrid;

class TdkInplaceEdit : public TInplaceEdit, public TdkPictureOwner {
public:
    explicit TdkInplaceEdit(TdkCustomDBGrid* grid);

    TdkDBPicture* Picture() { return &picture_; }
    bool HasPicture() const { return hasPicture_; }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    // Reads the current field's PictureMasks entry into the settings.
    void ReadFieldPicture();
    // Empty text passes; with a picture the validator's full check
    // decides. Fires the grid's OnCheckValue.
    bool Validate(const QString& text);

    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void DoEnter() override;
    void UpdateContents() override;
    // Pastes the clipboard's text as the edit would and marks the record
    // modified.
    void PasteFromClipboard();

    TDataSet* PictureDataSet() const override { return nullptr; }
    QString PictureFieldName() const override { return {}; }

private:
    void CheckValue(bool passes);
    TdkCustomDBGrid* dkGrid_;
    TdkDBPicture picture_{this};
    bool hasPicture_ = false;
    bool wordWrap_ = false;
};
