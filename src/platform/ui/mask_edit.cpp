#include "platform/ui/mask_edit.h"

#include "platform/core/exceptions.h"
#include "platform/core/sys_utils.h"
#include "platform/ui/beep.h"

#include <QLineEdit>

QString EditMaskToInputMask(const QString& mask)
{
    if (mask.isEmpty())
        return {};
    QStringList parts = mask.split(u';');
    const QString m = parts.value(0);
    QString out;
    auto literal = [&out](QChar c) {
        if (QStringLiteral("AaNnXx90DdHhBb#><![]{}\\;").contains(c))
            out += u'\\';
        out += c;
    };
    for (int i = 0; i < m.size(); ++i) {
        QChar c = m[i];
        switch (c.unicode()) {
        case '!': break;  // leading blanks: the widget does not keep them
        case '\\':
            if (i + 1 < m.size())
                literal(m[++i]);
            break;
        case '<':
            if (i + 1 < m.size() && m[i + 1] == u'>') {
                out += u'!';
                ++i;
            } else {
                out += u'<';
            }
            break;
        case '>': out += u'>'; break;
        case 'L': out += u'A'; break;
        case 'l': out += u'a'; break;
        case 'A': out += u'N'; break;
        case 'a': out += u'n'; break;
        case 'C': out += u'X'; break;
        case 'c': out += u'x'; break;
        case '0': out += u'9'; break;
        case '9': out += u'0'; break;
        case '#': out += u'#'; break;
        case ':': literal(FormatSettings().TimeSeparator); break;
        case '/': literal(FormatSettings().DateSeparator); break;
        default: literal(c); break;
        }
    }
    QString blank = parts.value(2);
    out += u';';
    out += blank.isEmpty() ? QChar(u'_') : blank[0];
    return out;
}

void TCustomMaskEdit::SetEditMask(const QString& mask)
{
    if (editMask_ == mask)
        return;
    editMask_ = mask;
    Edit()->setInputMask(EditMaskToInputMask(mask));
}

void TCustomMaskEdit::ValidateEdit()
{
    if (IsMasked() && !Edit()->hasAcceptableInput())
        ValidateError();
}

void TCustomMaskEdit::ValidateError()
{
    MessageBeep(0);
    throw Exception(
        QStringLiteral("Ungültiger Eingabewert. Benutzen Sie die ESC-Taste, um die Änderungen rückgängig zu machen."));
}
