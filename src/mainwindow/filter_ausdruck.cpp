#include "mainwindow/filter_ausdruck.h"

#include <QRegularExpression>
#include <QStringList>

QString XBaseText(const QString& text)
{
    if (!text.contains(u'"'))
        return u'"' + text + u'"';
    if (!text.contains(u'\''))
        return u'\'' + text + u'\'';
    if (!text.contains(u']'))
        return u'[' + text + u']';
    // Every piece between two double quotes holds none; the pieces are
    // joined by the double quote as a character code.
    const QStringList teile = text.split(u'"');
    QStringList literale;
    for (const QString& teil : teile)
        literale << u'"' + teil + u'"';
    return literale.join(QStringLiteral("+CHR(34)+"));
}

bool FilterAusdruck(const QString& feld, const QString& feldTyp, const QString& wert, QString& ausdruck)
{
    if (feldTyp == QLatin1String("N") || feldTyp == QLatin1String("I")) {
        // A number as it stands, and nothing but a number.
        static const QRegularExpression zahl(QStringLiteral("^\\s*[-+]?(\\d+([.,]\\d*)?|[.,]\\d+)\\s*$"));
        if (!zahl.match(wert).hasMatch())
            return false;
        ausdruck = feld + QStringLiteral(" = ") + wert.trimmed().replace(u',', u'.');
        return true;
    }
    ausdruck = feld + QStringLiteral(" = ") + XBaseText(wert);
    return true;
}
