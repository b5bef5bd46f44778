#include "platform/core/mask_utils.h"

#include <QList>

namespace {

enum class TCaseChange { None, Upper, Lower };

struct TMaskPosition {
    bool Input = false;
    QChar Literal;  // for a literal position
    TCaseChange Case = TCaseChange::None;
};

bool IsInputChar(QChar c)
{
    return QStringView(u"LlAaCc09#").contains(c);
}

// The mask's fields: the mask itself and whether the text holds the literals.
void SplitFields(const QString& editMask, QString& mask, bool& literalsInValue)
{
    qsizetype end = editMask.size();
    for (qsizetype i = 0; i < editMask.size(); ++i) {
        if (editMask[i] == u'\\') {
            ++i;
        } else if (editMask[i] == u';') {
            end = i;
            break;
        }
    }
    mask = editMask.left(end);
    literalsInValue = true;
    if (end < editMask.size()) {
        const QString rest = editMask.mid(end + 1);
        literalsInValue = !rest.startsWith(u'0');
    }
}

QList<TMaskPosition> ParseMask(const QString& mask, const TFormatSettings& fs, bool& blanksLead)
{
    QList<TMaskPosition> positions;
    TCaseChange caseChange = TCaseChange::None;
    blanksLead = false;
    auto literal = [&positions](QChar c) { positions.append({false, c, TCaseChange::None}); };
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        if (c == u'!') {
            blanksLead = true;
        } else if (c == u'>') {
            caseChange = TCaseChange::Upper;
        } else if (c == u'<') {
            if (i + 1 < mask.size() && mask[i + 1] == u'>') {
                caseChange = TCaseChange::None;
                ++i;
            } else {
                caseChange = TCaseChange::Lower;
            }
        } else if (c == u'\\') {
            if (i + 1 < mask.size())
                literal(mask[++i]);
        } else if (IsInputChar(c)) {
            positions.append({true, QChar(), caseChange});
        } else if (c == u':') {
            literal(fs.TimeSeparator);
        } else if (c == u'/') {
            literal(fs.DateSeparator);
        } else if (c == u'_') {
            literal(u' ');
        } else {
            literal(c);
        }
    }
    return positions;
}

QChar Cased(QChar c, TCaseChange caseChange)
{
    switch (caseChange) {
    case TCaseChange::Upper: return c.toUpper();
    case TCaseChange::Lower: return c.toLower();
    case TCaseChange::None: break;
    }
    return c;
}

}  // namespace

QString FormatMaskText(const QString& EditMask, const QString& Value, const TFormatSettings& fs)
{
    QString mask;
    bool literalsInValue = true;
    SplitFields(EditMask, mask, literalsInValue);
    bool blanksLead = false;
    const QList<TMaskPosition> positions = ParseMask(mask, fs, blanksLead);

    QString result;
    result.reserve(positions.size());
    if (literalsInValue) {
        qsizetype next = 0;
        for (const TMaskPosition& p : positions) {
            if (!p.Input) {
                result += p.Literal;
                if (next < Value.size() && Value[next] == p.Literal)
                    ++next;
            } else {
                result += next < Value.size() ? Cased(Value[next++], p.Case) : QChar(u' ');
            }
        }
        return result;
    }

    qsizetype inputs = 0;
    for (const TMaskPosition& p : positions)
        inputs += p.Input ? 1 : 0;
    const qsizetype used = std::min(inputs, Value.size());
    // The input position the first character of Value goes to.
    const qsizetype first = blanksLead ? inputs - used : 0;
    qsizetype input = 0;
    for (const TMaskPosition& p : positions) {
        if (!p.Input) {
            result += p.Literal;
            continue;
        }
        const qsizetype index = input++ - first;
        result += index >= 0 && index < used ? Cased(Value[index], p.Case) : QChar(u' ');
    }
    return result;
}
