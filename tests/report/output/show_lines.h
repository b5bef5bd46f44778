#pragma once
// Lines as one readable text for test failure messages: each line quoted,
// control characters shown by their code.

#include <QString>
#include <QStringList>

#include <string>

inline std::string ShowLines(const QStringList& lines)
{
    QString out;
    for (const QString& line : lines) {
        out += u'"';
        for (QChar c : line)
            out += c < u' ' ? QStringLiteral("\\x%1").arg(int(c.unicode()), 2, 16, QChar(u'0')) : QString(c);
        out += QStringLiteral("\" ");
    }
    return out.toStdString();
}
