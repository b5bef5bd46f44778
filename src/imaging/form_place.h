#pragma once
// Building forms in code: a control made, parented and placed in one call,
// and the number typed into an edit.

#include <QString>

#include "platform/ui/control.h"

template <typename T>
T* Place(TWinControl* parent, TComponent* owner, int l, int t, int w, int h, const QString& caption = QString())
{
    T* c = new T(owner);
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    if (!caption.isEmpty())
        c->SetCaption(caption);
    return c;
}

// The whole number in a text (blanks around it allowed); false when the text
// is no number.
inline bool TextToInt(const QString& text, int& value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (ok)
        value = v;
    return ok;
}
