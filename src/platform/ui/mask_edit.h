#pragma once
// TCustomMaskEdit: an edit with the framework's edit mask ("!99/99/0000;1;_":
// mask, literals saved, blank character), typed under the mask by the
// widget; ValidateEdit refuses text that does not fill the mask.

#include "platform/ui/std_ctrls.h"

class TCustomMaskEdit : public TEdit {
public:
    explicit TCustomMaskEdit(TComponent* AOwner) : TEdit(AOwner) {}
    QString EditMask() const { return editMask_; }
    void SetEditMask(const QString& mask);
    bool IsMasked() const { return !editMask_.isEmpty(); }
    // Raises ValidateError when a mask is set and the text does not fill it.
    virtual void ValidateEdit();
    [[noreturn]] virtual void ValidateError();

private:
    QString editMask_;
};

// The widget's input mask for a framework edit mask.
QString EditMaskToInputMask(const QString& mask);
