#pragma once
// Small builders for the controls the dialogs place in their constructors.

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
