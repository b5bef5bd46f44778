#include "dialogs/form_parts.h"

#include "platform/ui/buttons.h"
#include "platform/ui/std_ctrls.h"

TBitBtn* DialogKnopf(TComponent* owner, TWinControl* parent, const QString& name, TBitBtnKind art,
                     const QString& text, const TRect& bounds)
{
    auto* b = new TBitBtn(owner);
    b->Name = name;
    b->SetParent(parent);
    b->SetKind(art);
    if (!text.isEmpty())
        b->SetCaption(text);
    b->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    return b;
}

TLabel* DialogText(TComponent* owner, TWinControl* parent, const QString& name, const QString& text, int x, int y)
{
    auto* l = new TLabel(owner);
    l->Name = name;
    l->SetParent(parent);
    l->SetCaption(text);
    l->SetLeft(x);
    l->SetTop(y);
    return l;
}
