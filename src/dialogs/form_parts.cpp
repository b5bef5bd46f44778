#include "dialogs/form_parts.h"

#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
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

TGroupBox* DialogGruppe(TComponent* owner, TWinControl* parent, const char* name, const QString& text, const TRect& r)
{
    auto* g = new TGroupBox(owner);
    g->Name = QString::fromLatin1(name);
    g->SetParent(parent);
    g->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    g->SetCaption(text);
    return g;
}

TRadioButton* DialogRadio(TComponent* owner, TWinControl* parent, const char* name, const QString& text, int top, int w)
{
    auto* r = new TRadioButton(owner);
    r->Name = QString::fromLatin1(name);
    r->SetParent(parent);
    r->SetBounds(10, top, w, 20);
    r->SetCaption(text);
    return r;
}

TImage* DialogBild(TComponent* owner, TWinControl* parent, const char* name, const TRect& r)
{
    auto* i = new TImage(owner);
    i->Name = QString::fromLatin1(name);
    i->SetParent(parent);
    i->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    i->SetStretch(true);
    i->SetProportional(true);
    i->SetCenter(true);
    return i;
}
