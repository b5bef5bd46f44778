#pragma once
// TdkDBPicture: the picture-mask settings of one data-aware edit (its
// published Picture) or of the grid's in-place editor. While the owner is
// bound to a field of a dataset, mask and AutoFill live in the dataset's
// PictureMasks entry for that field, so one mask serves every control and
// grid column that shows the field; unbound, the object keeps its own.

#include "platform/ui/component.h"

#include <QString>

class TDataSet;

// What the settings ask of the control that owns them.
class TdkPictureOwner {
public:
    virtual ~TdkPictureOwner() = default;
    // The dataset and field the control is bound to (null / empty unbound).
    virtual TDataSet* PictureDataSet() const = 0;
    virtual QString PictureFieldName() const = 0;
};

class TdkDBPicture : public TPersistent {
public:
    explicit TdkDBPicture(TdkPictureOwner* owner = nullptr) : owner_(owner) {}

    QString PictureMask() const;
    // Refused with a warning when the table defines its own picture.
    void SetPictureMask(const QString& mask);
    bool AutoFill() const;
    void SetAutoFill(bool autoFill);
    bool AllowInvalidExit() const;
    void SetAllowInvalidExit(bool allow);
    // Copies PictureMask and AutoFill of another TdkDBPicture.
    void Assign(const TPersistent* Source) override;
    // Takes mask and AutoFill of the bound field's entry into the own values
    // (AllowInvalidExit off); unbound, nothing changes.
    void RefreshFromField();
    bool Bound() const;

private:
    TdkPictureOwner* owner_;
    QString mask_;
    bool autoFill_ = true;
    bool allowInvalidExit_ = false;
};
