#include "shared/general_texts.h"

#include "platform/core/sys_utils.h"
#include "shared/routine_prompts.h"
#include "shared/routine_support.h"

QString PfadVonDatei(const QString& pfad, bool mitBackslash)
{
    if (pfad.size() == 3)
        return pfad;
    const qsizetype last = pfad.lastIndexOf(u'\\');
    if (last < 0)
        return QString();
    return pfad.left(mitBackslash ? last + 1 : last);
}

QString DateiNameVonPfad(const QString& pfad)
{
    return pfad.mid(pfad.lastIndexOf(u'\\') + 1).trimmed();
}

QString DateiNameOhnePfad(const QString& pfad, bool ohneSuffix)
{
    const QString getrimmt = pfad.trimmed();
    QString name = getrimmt.mid(getrimmt.lastIndexOf(u'\\') + 1);
    if (ohneSuffix) {
        const qsizetype dot = name.indexOf(u'.');
        if (dot >= 0)
            name.truncate(dot);
    }
    return name;
}

QString DateiSuffix(const QString& pfad)
{
    const QString name = pfad.mid(pfad.lastIndexOf(u'\\') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return QString();
    return AnsiUpperCase(name.mid(dot + 1, 3));
}

QString MitBackslash(const QString& pfad)
{
    QString result = pfad;
    while (result.endsWith(QLatin1String("\\\\")))
        result.chop(1);
    if (!result.endsWith(u'\\'))
        result += u'\\';
    return result;
}

QString OhneBackslash(const QString& pfad)
{
    if (pfad.endsWith(u'\\') && !(pfad.size() >= 2 && pfad.at(pfad.size() - 2) == u':'))
        return pfad.left(pfad.size() - 1);
    return pfad;
}

QString SuffixAendern(const QString& name, const QString& neueSuffix, bool meldung)
{
    if (neueSuffix.size() >= 4) {
        if (meldung)
            RoutineWarnung(QStringLiteral("Neue Suffix zu lang oder Fehlerhaft!"));
        return QString();
    }
    const qsizetype dot = name.indexOf(u'.');
    if (dot < 0)
        return neueSuffix;
    return AnsiUpperCase(name.left(dot + 1)) + neueSuffix;
}

QString SuffixErsetzen(const QString& name, const QString& neueSuffix)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return neueSuffix;
    return AnsiUpperCase(name.left(dot + 1)) + neueSuffix;
}

QString PfadAlsDateiName(const QString& pfad)
{
    QString result = AnsiUpperCase(pfad);
    result.remove(u':');
    result.replace(u'\\', u'_');
    result.replace(u'/', u'_');
    return result + u'_';
}

void DoppelpunktZuPunkt(QString& text)
{
    qsizetype pos;
    while ((pos = text.indexOf(u':')) >= 0) {
        text[pos] = u'.';
        NachrichtenDurchlassen();
    }
}

QString NullenAuffuellen(const QString& zahl, int breite)
{
    if (zahl.startsWith(u'-'))
        return u'-' + zahl.mid(1).rightJustified(breite - 1, u'0');
    return zahl.rightJustified(breite, u'0');
}

QString RechtsAuffuellen(const QString& text, int laenge)
{
    return text.leftJustified(laenge, u' ');
}

QString LeerzeichenEntfernen(const QString& text)
{
    QString result = text;
    result.remove(u' ');
    return result;
}

QString TextAbErsterZiffer(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text.at(i) >= u'0' && text.at(i) <= u'9')
            return text.mid(i);
    return text;
}

int ZeichenAnzahl(const QString& text, QChar zeichen)
{
    return static_cast<int>(text.count(zeichen));
}

int LetztePosition(const QString& text, QChar zeichen)
{
    return static_cast<int>(text.lastIndexOf(zeichen)) + 1;
}

int StringInListeSuchen(const QStringList& liste, const QString& text)
{
    const QString gesucht = AnsiUpperCase(text);
    for (int i = 0; i < liste.size(); ++i)
        if (AnsiUpperCase(liste.at(i)).contains(gesucht))
            return i;
    return -1;
}

int StringInListeGenau(const QStringList& liste, const QString& text)
{
    const QString gesucht = AnsiUpperCase(text);
    for (int i = 0; i < liste.size(); ++i)
        if (liste.at(i).size() == text.size() && AnsiUpperCase(liste.at(i)) == gesucht)
            return i;
    return -1;
}

int StringInListeSuchen(const TStringList& liste, const QString& text)
{
    return StringInListeSuchen(liste.ToQStringList(), text);
}

int StringInListeGenau(const TStringList& liste, const QString& text)
{
    return StringInListeGenau(liste.ToQStringList(), text);
}

bool EnthaeltUmlaut(const QString& text)
{
    for (const QChar c : text)
        if (QStringView(u"öÖüÜäÄß").contains(c))
            return true;
    return false;
}

bool EnthaeltBindestrich(const QString& text)
{
    return text.contains(u'-');
}

QString GrossMitUmlauten(const QString& text)
{
    QString result = UpperCase(text);
    return result.replace(u'ö', u'Ö').replace(u'ü', u'Ü').replace(u'ä', u'Ä');
}

QString KleinMitUmlauten(const QString& text)
{
    QString result = LowerCase(text);
    return result.replace(u'Ö', u'ö').replace(u'Ü', u'ü').replace(u'Ä', u'ä');
}

bool IstZahl(const QString& text)
{
    int wert;
    const bool ok = TryStrToInt(text, wert);
    NachrichtenDurchlassen();
    return ok;
}

bool IstZahlOderNull(const QString& text)
{
    return text == QLatin1String("0") || IstZahl(text);
}

QString DatumInJJJJMMTT(const QString& datum)
{
    QString text = datum;
    if (text.size() == 8) {
        const QString jj = text.mid(6);
        text = text.left(6) + (jj <= QLatin1String("30") ? QStringLiteral("20") : QStringLiteral("19")) + jj;
    }
    return (text.mid(6) + text.mid(3, 2) + text.left(2)).left(12);
}
