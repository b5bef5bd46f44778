#pragma once
// Small builders for the controls the dialogs place in their constructors.

#include "platform/ui/control.h"
#include "platform/ui/framework_types.h"

#include <QString>

class TBitBtn;
class TComponent;
class TLabel;
class TWinControl;

// A button of that kind on the parent; a non-empty text replaces the
// kind's caption.
TBitBtn* DialogKnopf(TComponent* owner, TWinControl* parent, const QString& name, TBitBtnKind art,
                     const QString& text, const TRect& bounds);
// A label sized to its text at x, y.
TLabel* DialogText(TComponent* owner, TWinControl* parent, const QString& name, const QString& text, int x, int y);

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
