#include "shared/utility_strings.h"

#include <QStringList>

QString AddBackslash(const QString& path)
{
    if (path.isEmpty() || path.endsWith(u'\\'))
        return path;
    return path + u'\\';
}

void SplitFileName(const QString& fileName, QString& folder, QString& name, QString& suffix)
{
    const qsizetype cut = std::max(fileName.lastIndexOf(u'\\'), fileName.lastIndexOf(u':')) + 1;
    folder = fileName.left(cut);
    const QString file = fileName.mid(cut);
    const qsizetype dot = file.indexOf(u'.');
    if (dot < 0) {
        name.clear();
        suffix.clear();
        return;
    }
    name = file.left(dot);
    suffix = file.mid(dot);
}

void qktReplaceChar(QString& text, QChar oldChar, QChar newChar)
{
    if (oldChar != newChar)
        text.replace(oldChar, newChar);
}

void ReplaceAll(QString& text, const QString& oldText, const QString& newText)
{
    if (oldText.isEmpty())
        return;
    if (newText.contains(oldText)) {
        // Restarting at the beginning would find the new text again forever.
        text.replace(oldText, newText);
        return;
    }
    qsizetype pos;
    while ((pos = text.indexOf(oldText)) >= 0)
        text.replace(pos, oldText.size(), newText);
}

QString qktGetToken(const QString& text, QChar separator, int n)
{
    if (n < 1)
        return QString();
    const QStringList parts = (text + separator).split(separator);
    // The appended separator leaves one empty part at the end that is no token.
    if (n > parts.size() - 1)
        return QString();
    return parts.at(n - 1);
}

void qktGetTokenEx(const QString& text, QChar separator, int n, QString& result, bool toLast)
{
    if (!text.contains(separator))
        return;
    result.clear();
    if (n < 1)
        return;
    // Skip the n - 1 tokens in front of the wanted one.
    qsizetype start = 0;
    for (int i = 1; i < n; ++i) {
        const qsizetype sep = text.indexOf(separator, start);
        if (sep < 0)
            return;
        start = sep + 1;
    }
    const qsizetype end = toLast ? text.lastIndexOf(separator) : text.indexOf(separator, start);
    if (end < start)
        return;
    result = text.mid(start, end - start);
}

int qktCountChar(const QString& text, QChar ch)
{
    return static_cast<int>(text.count(ch));
}

namespace {

// Position by position, "?" in the mask matching any character; both texts
// must have the same length.
bool MatchesPositions(QStringView name, QStringView mask)
{
    if (name.size() != mask.size())
        return false;
    for (qsizetype i = 0; i < mask.size(); ++i)
        if (mask[i] != u'?' && mask[i] != name[i])
            return false;
    return true;
}

bool MatchesMask(const QString& name, const QString& mask)
{
    const qsizetype stars = mask.count(u'*');
    if (stars >= 2) {
        // Two stars: the text between them is looked for anywhere in the name.
        const qsizetype first = mask.indexOf(u'*');
        const qsizetype second = mask.indexOf(u'*', first + 1);
        return name.contains(mask.mid(first + 1, second - first - 1));
    }
    if (stars == 1) {
        const qsizetype star = mask.indexOf(u'*');
        if (star == 0) {
            const QStringView rest = QStringView(mask).mid(1);
            return name.size() >= rest.size() && MatchesPositions(QStringView(name).right(rest.size()), rest);
        }
        if (star == mask.size() - 1) {
            const QStringView head = QStringView(mask).left(star);
            return name.size() >= head.size() && MatchesPositions(QStringView(name).left(head.size()), head);
        }
        return false;  // a star in the middle matches nothing
    }
    if (mask.contains(u'?')) {
        // Mask characters beyond the name's length are not looked at.
        if (name.size() > mask.size())
            return false;
        return MatchesPositions(name, QStringView(mask).left(name.size()));
    }
    return name == mask;
}

}  // namespace

bool qktMatchesMaskList(const QString& name, const QString& maskList)
{
    const QStringList masks = maskList.split(u';');
    for (const QString& mask : masks)
        if (MatchesMask(name, mask))
            return true;
    return false;
}

void ClampInt(int& value, int minimum, int maximum)
{
    if (value > maximum)
        value = maximum;
    if (value < minimum)
        value = minimum;
}
