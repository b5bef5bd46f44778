#include "shared/picture_files.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/win_path.h"
#include "shared/utility_files.h"

namespace {

TBildDateiHaken& Haken()
{
    static TBildDateiHaken haken;
    return haken;
}

// Asks the seam; 0 lets the operation go on.
int Frage(TBildDateiOp op, const QString& linuxPfad)
{
    return Haken() ? Haken()(op, linuxPfad) : 0;
}

std::optional<QString> Linux(const QString& pfad)
{
    if (pfad.isEmpty())
        return std::nullopt;
    if (pfad.startsWith(u'/'))
        return pfad;
    return WinToLinux(pfad);
}

// The reason of a failed operation in the program's language.
QString FehlerText(int fehler)
{
    switch (fehler) {
    case ENOENT: return QStringLiteral("Datei oder Verzeichnis nicht gefunden");
    case EACCES:
    case EPERM: return QStringLiteral("keine Berechtigung");
    case ENOSPC:
    case EDQUOT: return QStringLiteral("Datenträger voll");
    case EROFS: return QStringLiteral("Datenträger schreibgeschützt");
    case EIO: return QStringLiteral("Ein-/Ausgabefehler (Datenträger beschädigt oder entfernt?)");
    case ENODEV:
    case ENXIO: return QStringLiteral("Datenträger nicht im Zugriff");
    case EEXIST: return QStringLiteral("Datei schon vorhanden");
    case EISDIR: return QStringLiteral("ist ein Verzeichnis");
    default: return QString::fromLocal8Bit(std::strerror(fehler));
    }
}

// The seam's wrappers: each sets errno and gives -1 (or false) on failure.
int Stat(const QString& linux, struct stat& st)
{
    if (const int e = Frage(TBildDateiOp::Pruefen, linux)) {
        errno = e;
        return -1;
    }
    return ::stat(QFile::encodeName(linux).constData(), &st);
}

int Open(const QString& linux, int flags, mode_t mode = 0)
{
    if (const int e = Frage(TBildDateiOp::Oeffnen, linux)) {
        errno = e;
        return -1;
    }
    int fd;
    do
        fd = ::open(QFile::encodeName(linux).constData(), flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

ssize_t Read(int fd, const QString& linux, char* puffer, size_t groesse)
{
    if (const int e = Frage(TBildDateiOp::Lesen, linux)) {
        errno = e;
        return -1;
    }
    ssize_t n;
    do
        n = ::read(fd, puffer, groesse);
    while (n < 0 && errno == EINTR);
    return n;
}

bool WriteAll(int fd, const QString& linux, const char* daten, size_t groesse)
{
    if (const int e = Frage(TBildDateiOp::Schreiben, linux)) {
        errno = e;
        return false;
    }
    while (groesse > 0) {
        const ssize_t n = ::write(fd, daten, groesse);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        daten += n;
        groesse -= size_t(n);
    }
    return true;
}

bool Sync(int fd, const QString& linux)
{
    if (const int e = Frage(TBildDateiOp::Sync, linux)) {
        errno = e;
        return false;
    }
    return ::fsync(fd) == 0;
}

bool Rename(const QString& von, const QString& nach)
{
    if (const int e = Frage(TBildDateiOp::Umbenennen, von)) {
        errno = e;
        return false;
    }
    return ::rename(QFile::encodeName(von).constData(), QFile::encodeName(nach).constData()) == 0;
}

// Renames only when the new name is free (the kernel checks, no race).
bool RenameNoReplace(const QString& von, const QString& nach)
{
    if (const int e = Frage(TBildDateiOp::Umbenennen, von)) {
        errno = e;
        return false;
    }
    if (::renameat2(AT_FDCWD, QFile::encodeName(von).constData(), AT_FDCWD, QFile::encodeName(nach).constData(),
                    RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
    // A file system without the flag: a hard link fails on a taken name.
    if (::link(QFile::encodeName(von).constData(), QFile::encodeName(nach).constData()) == 0)
        return ::unlink(QFile::encodeName(von).constData()) == 0;
    if (errno == EEXIST)
        return false;
    // Nor links (FAT cards): the name is tested, then taken.
    struct stat st;
    if (::lstat(QFile::encodeName(nach).constData(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(QFile::encodeName(von).constData(), QFile::encodeName(nach).constData()) == 0;
}

bool Unlink(const QString& linux)
{
    if (const int e = Frage(TBildDateiOp::Loeschen, linux)) {
        errno = e;
        return false;
    }
    return ::unlink(QFile::encodeName(linux).constData()) == 0 || errno == ENOENT;
}

// Whether the folder can be listed (the seam may say it cannot).
bool OrdnerLesbar(const QString& linuxOrdner)
{
    if (const int e = Frage(TBildDateiOp::Auflisten, linuxOrdner)) {
        errno = e;
        return false;
    }
    DIR* d = ::opendir(QFile::encodeName(linuxOrdner).constData());
    if (!d)
        return false;
    errno = 0;
    const bool ok = ::readdir(d) != nullptr || errno == 0;
    ::closedir(d);
    return ok;
}

void SyncOrdner(const QString& linuxDatei)
{
    const int slash = linuxDatei.lastIndexOf(u'/');
    const QString ordner = slash <= 0 ? QStringLiteral("/") : linuxDatei.left(slash);
    const int fd = ::open(QFile::encodeName(ordner).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

struct TFd {
    int fd = -1;
    ~TFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

TDateiErgebnis Fehler(const QString& grund)
{
    return TDateiErgebnis{false, grund};
}

TDateiErgebnis FehlerMitErrno(const QString& was, const QString& pfad, int fehler)
{
    return Fehler(was + QStringLiteral(" ") + pfad + QStringLiteral(": ") + FehlerText(fehler));
}

// Copies the bytes of one open file into another; errno tells a failure.
enum class TKopieFehler { Keiner, Lesen, Schreiben };
TKopieFehler KopiereBytes(int von, const QString& vonPfad, int nach, const QString& nachPfad)
{
    std::vector<char> puffer(1 << 16);
    for (;;) {
        const ssize_t n = Read(von, vonPfad, puffer.data(), puffer.size());
        if (n < 0)
            return TKopieFehler::Lesen;
        if (n == 0)
            return TKopieFehler::Keiner;
        if (!WriteAll(nach, nachPfad, puffer.data(), size_t(n)))
            return TKopieFehler::Schreiben;
    }
}

bool GleicherInhaltLinux(const QString& a, const QString& b)
{
    struct stat sa, sb;
    if (Stat(a, sa) != 0 || Stat(b, sb) != 0 || sa.st_size != sb.st_size)
        return false;
    TFd fa{Open(a, O_RDONLY)};
    TFd fb{Open(b, O_RDONLY)};
    if (fa.fd < 0 || fb.fd < 0)
        return false;
    std::vector<char> pa(1 << 16), pb(1 << 16);
    for (;;) {
        const ssize_t na = Read(fa.fd, a, pa.data(), pa.size());
        if (na < 0)
            return false;
        // The second file is read up to the same length (short reads).
        ssize_t nb = 0;
        while (nb < na) {
            const ssize_t n = Read(fb.fd, b, pb.data() + nb, size_t(na - nb));
            if (n <= 0)
                return false;
            nb += n;
        }
        if (na == 0) {
            char rest;
            return Read(fb.fd, b, &rest, 1) == 0;
        }
        if (std::memcmp(pa.data(), pb.data(), size_t(na)) != 0)
            return false;
    }
}

bool GleicheDateiLinux(const QString& a, const QString& b)
{
    struct stat sa, sb;
    return Stat(a, sa) == 0 && Stat(b, sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

void BildDateiHakenSetzen(TBildDateiHaken haken)
{
    Haken() = std::move(haken);
}

TDateiInfo BildDateiPruefen(const QString& pfad)
{
    TDateiInfo info;
    const std::optional<QString> linux = Linux(pfad);
    if (!linux) {
        info.Fehler = ENODEV;
        return info;
    }
    struct stat st;
    if (Stat(*linux, st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            info.Fehler = EISDIR;
            return info;
        }
        info.Zustand = TDateiZustand::Da;
        info.Groesse = int64_t(st.st_size);
        info.Geaendert = int64_t(st.st_mtim.tv_sec);
        info.Geraet = uint64_t(st.st_dev);
        info.Knoten = uint64_t(st.st_ino);
        return info;
    }
    info.Fehler = errno;
    if (info.Fehler != ENOENT)
        return info;
    // "No such file" counts only when the folder answers: a medium that went
    // away, or a folder we may not read, leaves the answer open.
    const int slash = linux->lastIndexOf(u'/');
    const QString ordner = slash <= 0 ? QStringLiteral("/") : linux->left(slash);
    if (OrdnerLesbar(ordner))
        info.Zustand = TDateiZustand::Fehlt;
    else
        info.Fehler = errno;
    return info;
}

bool GleicheDatei(const QString& a, const QString& b)
{
    const std::optional<QString> la = Linux(a);
    const std::optional<QString> lb = Linux(b);
    return la && lb && GleicheDateiLinux(*la, *lb);
}

TDateiErgebnis BildLesbar(const QString& pfad)
{
    const std::optional<QString> linux = Linux(pfad);
    if (!linux)
        return Fehler(QStringLiteral("Laufwerk von ") + pfad + QStringLiteral(" nicht im Zugriff"));
    TFd fd{Open(*linux, O_RDONLY)};
    if (fd.fd < 0)
        return FehlerMitErrno(QStringLiteral("Datei nicht lesbar:"), pfad, errno);
    return TDateiErgebnis{true, {}};
}

bool GleicherInhalt(const QString& a, const QString& b)
{
    const std::optional<QString> la = Linux(a);
    const std::optional<QString> lb = Linux(b);
    return la && lb && GleicherInhaltLinux(*la, *lb);
}

TMediumStand MediumPruefen(const QString& pfad, const QString& kennung)
{
    const QString id = kennung.trimmed();
    if (id.isEmpty())
        return TMediumStand::OhneKennung;
    const QChar laufwerk = DriveLetterOf(pfad);
    // A network path names its share itself.
    if (laufwerk.isNull())
        return pfad.startsWith(QStringLiteral("\\\\")) ? TMediumStand::Passt : TMediumStand::Fehlt;
    const QString jetzt = qktGetVolumeId(QString(laufwerk)).trimmed();
    if (jetzt.isEmpty())
        return TMediumStand::Fehlt;
    return jetzt.compare(id, Qt::CaseInsensitive) == 0 ? TMediumStand::Passt : TMediumStand::Anderes;
}

bool MediumNichtImLaufwerk(const QString& pfad, const QString& kennung)
{
    const TMediumStand stand = MediumPruefen(pfad, kennung);
    return stand == TMediumStand::Anderes || stand == TMediumStand::Fehlt;
}

QString MediumFehltText(const QString& pfad, const QString& label, const QString& kennung)
{
    const QChar laufwerk = DriveLetterOf(pfad);
    return QStringLiteral("Der Datenträger \"") + label.trimmed() + QStringLiteral("\" (") + kennung.trimmed() +
           QStringLiteral(") von ") + pfad + QStringLiteral(" ist nicht im Laufwerk ") +
           (laufwerk.isNull() ? QString() : QString(laufwerk) + u':') +
           QStringLiteral(", legen Sie ihn ein und versuchen Sie es erneut!");
}

TDateiErgebnis BildKopieren(const QString& quelle, const QString& ziel, bool ersetzen)
{
    const std::optional<QString> von = Linux(quelle);
    const std::optional<QString> nach = Linux(ziel);
    if (!von)
        return Fehler(QStringLiteral("Laufwerk von ") + quelle + QStringLiteral(" nicht im Zugriff"));
    if (!nach)
        return Fehler(QStringLiteral("Laufwerk von ") + ziel + QStringLiteral(" nicht im Zugriff"));
    if (GleicheDateiLinux(*von, *nach))
        return Fehler(quelle + QStringLiteral(" und ") + ziel + QStringLiteral(" sind dieselbe Datei"));
    struct stat st;
    const bool zielDa = Stat(*nach, st) == 0;
    if (zielDa && !ersetzen)
        return Fehler(ziel + QStringLiteral(" ist schon vorhanden"));

    TFd in{Open(*von, O_RDONLY)};
    if (in.fd < 0)
        return FehlerMitErrno(QStringLiteral("Fehler beim Öffnen von"), quelle, errno);
    struct stat quellStat;
    if (::fstat(in.fd, &quellStat) != 0)
        return FehlerMitErrno(QStringLiteral("Fehler beim Lesen von"), quelle, errno);

    // Written under a temporary name beside the target and put in place
    // only when whole and on disk.
    const int slash = nach->lastIndexOf(u'/');
    const QString temp = nach->left(slash + 1) + QStringLiteral(".") + nach->mid(slash + 1) +
                         QStringLiteral(".lxtmp") + QString::number(::getpid());
    {
        TFd out{Open(temp, O_WRONLY | O_CREAT | O_TRUNC, 0644)};
        if (out.fd < 0)
            return FehlerMitErrno(QStringLiteral("Fehler beim Anlegen von"), ziel, errno);
        const TKopieFehler k = KopiereBytes(in.fd, *von, out.fd, temp);
        const int e = errno;
        if (k != TKopieFehler::Keiner || !Sync(out.fd, temp)) {
            const int fehler = k == TKopieFehler::Keiner ? errno : e;
            ::unlink(QFile::encodeName(temp).constData());
            return FehlerMitErrno(k == TKopieFehler::Lesen ? QStringLiteral("Fehler beim Lesen von")
                                                           : QStringLiteral("Fehler beim Schreiben von"),
                                  k == TKopieFehler::Lesen ? quelle : ziel, fehler);
        }
        // The picture keeps its date.
        const struct timespec zeiten[2] = {quellStat.st_atim, quellStat.st_mtim};
        ::futimens(out.fd, zeiten);
    }
    const bool gesetzt = ersetzen ? Rename(temp, *nach) : RenameNoReplace(temp, *nach);
    if (!gesetzt) {
        const int e = errno;
        ::unlink(QFile::encodeName(temp).constData());
        return FehlerMitErrno(QStringLiteral("Fehler beim Schreiben von"), ziel, e);
    }
    SyncOrdner(*nach);
    // What is on the target's medium now is read back.
    if (!GleicherInhaltLinux(*von, *nach)) {
        if (!zielDa)
            Unlink(*nach);
        return Fehler(QStringLiteral("Die Kopie ") + ziel + QStringLiteral(" stimmt nicht mit dem Original ") +
                      quelle + QStringLiteral(" überein"));
    }
    return TDateiErgebnis{true, {}};
}

TDateiErgebnis BildVerschieben(const QString& quelle, const QString& ziel, bool ersetzen,
                               const std::function<bool()>& eintragSpeichern)
{
    const bool zielVorher = BildDateiPruefen(ziel).Zustand == TDateiZustand::Da;
    if (TDateiErgebnis kopie = BildKopieren(quelle, ziel, ersetzen); !kopie)
        return kopie;
    if (eintragSpeichern && !eintragSpeichern()) {
        if (!zielVorher)
            BildLoeschen(ziel);
        return Fehler(QStringLiteral("Fehler beim Speichern des neuen Pfades ") + ziel);
    }
    return QuelleNachKopieLoeschen(quelle, ziel);
}

TDateiErgebnis QuelleNachKopieLoeschen(const QString& quelle, const QString& ziel)
{
    // Checked once more right before the source goes: the copy must still
    // be there, whole, and another file.
    if (GleicheDatei(quelle, ziel) || !GleicherInhalt(quelle, ziel))
        return Fehler(QStringLiteral("Keine geprüfte Kopie von ") + quelle + QStringLiteral(" in ") + ziel +
                      QStringLiteral(", das Original bleibt"));
    return BildLoeschen(quelle);
}

TDateiErgebnis BildLoeschen(const QString& pfad)
{
    const std::optional<QString> linux = Linux(pfad);
    if (!linux)
        return Fehler(QStringLiteral("Laufwerk von ") + pfad + QStringLiteral(" nicht im Zugriff"));
    if (!Unlink(*linux))
        return FehlerMitErrno(QStringLiteral("Fehler beim Löschen von"), pfad, errno);
    SyncOrdner(*linux);
    return TDateiErgebnis{true, {}};
}

TDateiErgebnis BildUmbenennen(const QString& alt, const QString& neu)
{
    const std::optional<QString> von = Linux(alt);
    const std::optional<QString> nach = Linux(neu);
    if (!von || !nach)
        return Fehler(QStringLiteral("Laufwerk von ") + alt + QStringLiteral(" nicht im Zugriff"));
    if (!RenameNoReplace(*von, *nach))
        return FehlerMitErrno(QStringLiteral("Fehler beim Umbenennen von"), alt, errno);
    SyncOrdner(*nach);
    return TDateiErgebnis{true, {}};
}

QString BereinigterDateiname(const QString& pfad)
{
    const int trenner = std::max(pfad.lastIndexOf(u'\\'), std::max(pfad.lastIndexOf(u'/'), pfad.lastIndexOf(u':')));
    QString name;
    for (const QChar c : pfad.mid(trenner + 1)) {
        if (c.unicode() < 0x20 || QStringLiteral("<>\"|?*").contains(c))
            continue;
        name += c;
    }
    name = name.trimmed();
    // Windows drops trailing dots; "." and ".." name no file.
    while (name.endsWith(u'.'))
        name.chop(1);
    return name;
}

QString ZielImOrdner(const QString& ordner, const QString& name)
{
    const QString sauber = BereinigterDateiname(name);
    if (sauber.isEmpty() || ordner.isEmpty())
        return QString();
    const QString basis = IncludeTrailingBackslash(ordner);
    const QString ziel = basis + sauber;
    // The folder of the result must be the folder itself.
    if (ExtractFilePath(ziel).compare(basis, Qt::CaseInsensitive) != 0)
        return QString();
    return ziel;
}
