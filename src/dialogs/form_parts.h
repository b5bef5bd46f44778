#pragma once
// Small builders for the controls the dialogs place in their constructors.

#include "platform/ui/control.h"
#include "platform/ui/framework_types.h"

#include <QString>

class TBitBtn;
class TComponent;
class TGroupBox;
class TImage;
class TLabel;
class TRadioButton;
class TWinControl;

// A button of that kind on the parent; a non-empty text replaces the
// kind's caption.
TBitBtn* DialogKnopf(TComponent* owner, TWinControl* parent, const QString& name, TBitBtnKind art,
                     const QString& text, const TRect& bounds);
// A label sized to its text at x, y.
TLabel* DialogText(TComponent* owner, TWinControl* parent, const QString& name, const QString& text, int x, int y);

// A group box with its caption on the parent, in the rectangle.
TGroupBox* DialogGruppe(TComponent* owner, TWinControl* parent, const char* name, const QString& text, const TRect& r);
// A radio button of a group box: 10 from its left, at top, w wide.
TRadioButton* DialogRadio(TComponent* owner, TWinControl* parent, const char* name, const QString& text, int top, int w);
// A picture view in the rectangle that shows the whole picture, scaled and
// centred.
TImage* DialogBild(TComponent* owner, TWinControl* parent, const char* name, const TRect& r);

// A control of class C with its name, on the parent, at x, y in w by h.
template <typename C>
C* DialogControl(TComponent* owner, TWinControl* parent, const char* name, int x, int y, int w, int h)
{
    auto* c = new C(owner);
    c->Name = QString::fromLatin1(name);
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    return c;
}
