#include "shared/general_files.h"

#include <QFileInfo>
#include <QSet>

#include "platform/core/drive_map.h"
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/os/volumes.h"
#include "shared/general_texts.h"
#include "shared/routine_prompts.h"
#include "shared/routine_support.h"
#include "shared/utility_strings.h"

namespace {

// Names of the entries matching the mask with the attributes asked for.
QList<TSearchRec> Suchen(const QString& maske, int attr)
{
    QList<TSearchRec> found;
    TSearchRec rec;
    if (FindFirst(maske, attr, rec) == 0) {
        do {
            found << rec;
        } while (FindNext(rec) == 0);
    }
    FindClose(rec);
    return found;
}

// Plain files: neither folders nor hidden, system or volume entries.
QList<TSearchRec> EinfacheDateien(const QString& maske)
{
    QList<TSearchRec> files;
    for (const TSearchRec& rec : Suchen(maske, 0))
        if (!(rec.Attr & (faDirectory | faHidden | faSysFile | faVolumeID)))
            files << rec;
    return files;
}

const QString kKeinFile = QStringLiteral("Kein passendes File gefunden!");

}  // namespace

bool DateiLoeschen(const QString& ordner, const QString& maske)
{
    for (const TSearchRec& rec : EinfacheDateien(ordner + maske)) {
        const QString name = ordner + rec.Name;
        // As on Windows, a read-only file is not deleted.
        if (rec.Attr & faReadOnly)
            throw Exception(name + QStringLiteral(" konnte nicht gelöscht werden, weil Datei schreibgeschützt !"));
        if (!DeleteFile(name))
            throw Exception(name + QStringLiteral(" konnte nicht gelöscht werden!"));
    }
    return true;
}

bool DateienLoeschenAusser(const QString& ordner, const QString& maske, const QString& behalten)
{
    const QString behaltenGross = AnsiUpperCase(behalten);
    bool result = true;
    for (const TSearchRec& rec : EinfacheDateien(ordner + maske)) {
        NachrichtenDurchlassen();
        const QString name = ordner + rec.Name;
        if (!behaltenGross.isEmpty() && AnsiUpperCase(name) == behaltenGross)
            continue;
        if ((rec.Attr & faReadOnly) || !DeleteFile(name))
            result = false;
    }
    return result;
}

TStringList DateiListe(const QString& maske)
{
    TStringList liste;
    for (const TSearchRec& rec : EinfacheDateien(maske))
        liste.Add(AnsiUpperCase(rec.Name));
    return liste;
}

TStringList DateienSuchen(const QString& maske)
{
    TStringList liste = DateiListe(maske);
    if (liste.Count() == 0)
        liste.Add(kKeinFile);
    return liste;
}

TStringList DateienSuchenOhneSuffix(const QString& maske)
{
    TStringList liste;
    for (const TSearchRec& rec : EinfacheDateien(maske))
        liste.Add(DateiNameOhnePfad(rec.Name, true));
    if (liste.Count() == 0)
        liste.Add(kKeinFile);
    return liste;
}

namespace {

void Sammeln(const QString& ordner, const QString& maske, TStringList& liste, QSet<QString>& besucht)
{
    const std::optional<QString> linux = LinuxPfad(ordner);
    const QString canonical = linux ? QFileInfo(*linux).canonicalFilePath() : QString();
    // A link back up the tree would never end; each real folder is walked once.
    if (canonical.isEmpty() || besucht.contains(canonical))
        return;
    besucht.insert(canonical);

    for (const TSearchRec& rec : Suchen(ordner + QStringLiteral("*.*"), faAnyFile)) {
        NachrichtenDurchlassen();
        if (rec.Attr & faDirectory)
            Sammeln(ordner + rec.Name + u'\\', maske, liste, besucht);
    }
    for (const TSearchRec& rec : Suchen(ordner + maske, faAnyFile)) {
        NachrichtenDurchlassen();
        if (!(rec.Attr & (faDirectory | faVolumeID)))
            liste.Add(ordner + rec.Name);
    }
}

}  // namespace

void DateienRekursivSammeln(const QString& ordner, const QString& maske, TStringList& liste)
{
    if (ordner.isEmpty())
        return;
    QSet<QString> besucht;
    Sammeln(AddBackslash(ordner), maske, liste, besucht);
}

namespace {

// The folder part of a path as a folder name that also works for a root
// ("C:\x" gives "C:\", not "C:").
QString OrdnerTeil(const QString& pfad)
{
    const QString ordner = PfadVonDatei(pfad, false);
    return ordner.endsWith(u':') ? ordner + u'\\' : ordner;
}

bool OrdnerVorhanden(const QString& pfad)
{
    const QString ordner = OrdnerTeil(pfad);
    return ordner.isEmpty() || DirectoryExists(ordner);
}

bool FrageErzeugen(const QString& pfad)
{
    return RoutineFrage(QStringLiteral("Verzeichnis \"") + pfad
                        + QStringLiteral("\" existiert nicht...  Erzeugen ?"));
}

}  // namespace

bool VerzeichnisErzeugen(const QString& pfad)
{
    const QString ordner = OrdnerTeil(pfad);
    if (ordner.isEmpty())
        return true;
    ForceDirectories(ordner);
    return DirectoryExists(ordner);
}

bool VerzeichnisFuerDateiPruefen(const QString& pfad, bool frage)
{
    if (pfad.isEmpty() || pfad.size() == 3)
        return true;
    if (OrdnerVorhanden(pfad))
        return true;
    if (!frage || !FrageErzeugen(pfad))
        return false;
    return VerzeichnisErzeugen(pfad);
}

bool VerzeichnisPruefen(const QString& pfad, bool erzeugen, bool frage)
{
    try {
        if (pfad.isEmpty() || OrdnerVorhanden(pfad))
            return true;
        if (!erzeugen)
            return false;
        if (frage && !FrageErzeugen(pfad))
            return false;
        return VerzeichnisErzeugen(pfad);
    } catch (const Exception& e) {
        RoutineFehler(e.Message);
    } catch (const std::exception& e) {
        RoutineFehler(QString::fromUtf8(e.what()));
    }
    return false;
}

bool GenugPlatzAufLaufwerk(QChar laufwerk, int64_t minimumBytes)
{
    const int64_t frei = GetDiskFreeSpace(QString(laufwerk) + QStringLiteral(":\\"));
    return !(frei > 0 && frei < minimumBytes);
}

QString LaufwerksTyp(const QString& wurzel)
{
    if (wurzel.isEmpty())
        return QStringLiteral("UNKNOWN");
    const TDriveType typ = GetDriveType(wurzel);
    if (typ == TDriveType::Unknown)
        return QString();
    return DriveTypeName(typ);
}

bool LaufwerkVorhanden(QChar laufwerk)
{
    const QString buchstabe = QString(laufwerk).toUpper();
    return LogicalDriveLetters().contains(buchstabe) && DirectoryExists(buchstabe + QStringLiteral(":\\"));
}

namespace {

// Collects the digit run at the start of the text, leading zeros dropped;
// digits followed by another character give "0".
QString ZiffernFolge(const QString& text, bool& problem)
{
    problem = false;
    QString ziffern;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            problem = true;
            return QStringLiteral("0");
        }
        if (!(ziffern.isEmpty() && c == u'0'))
            ziffern += c;
    }
    return ziffern;
}

QString BisErsterPunkt(const QString& name)
{
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? QString() : name.left(dot);
}

int64_t AlsZahl(const QString& text)
{
    bool ok = false;
    const int64_t v = text.toLongLong(&ok);
    return ok ? v : 0;
}

template <typename Wert, typename Filter>
QString NaechsteNummer(const QString& maske, Wert wert, Filter filter)
{
    const TStringList namen = DateiListe(maske);
    int64_t hoechste = 0;
    for (int i = 0; i < namen.Count(); ++i)
        if (filter(namen[i]))
            hoechste = std::max(hoechste, AlsZahl(wert(namen[i])));
    return QString::number(hoechste + 1);
}

}  // namespace

QString ErsteZahlImString(const QString& name)
{
    bool problem;
    return ZiffernFolge(TextAbErsterZiffer(BisErsterPunkt(name)), problem);
}

QString ErsteZahlImString2(const QString& name, QChar trenner)
{
    const QString teil = BisErsterPunkt(name);
    bool problem;
    const QString result = ZiffernFolge(teil.mid(teil.indexOf(trenner) + 1), problem);
    if (problem)
        RoutineMeldung(QStringLiteral("Achtung, Problem bei automatischer Ermittlung der ersten Zahl im String ")
                       + name + QStringLiteral(" in Funktion \"ErsteZahlImString2()\", verlasse jetzt Funktion mit Wert=0 !"));
    return result;
}

QString NaechsteFreieNummer(const QString& maske)
{
    return NaechsteNummer(maske, ErsteZahlImString, [](const QString&) { return true; });
}

QString NaechsteFreieNummerUnterstrich(const QString& maske)
{
    return NaechsteNummer(
        maske, [](const QString& n) { return ErsteZahlImString2(n, u'_'); },
        [](const QString&) { return true; });
}

QString NaechsteFreieNummerEinUnterstrich(const QString& maske)
{
    return NaechsteNummer(
        maske, [](const QString& n) { return ErsteZahlImString2(n, u'_'); },
        [](const QString& n) {
            const qsizetype u = n.indexOf(u'_');
            return n.count(u'_') == 1 && u + 1 < n.size() && n.at(u + 1).isDigit();
        });
}
