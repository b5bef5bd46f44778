#include "shared/picture_files.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/safe_file.h"
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

// Renames only when the new name is free (the kernel checks, no race).
bool UmbenennenOhneErsetzen(const QString& von, const QString& nach)
{
    if (const int e = Frage(TBildDateiOp::Umbenennen, von)) {
        errno = e;
        return false;
    }
    return RenameNoReplace(von, nach);
}

// The service's seam for the steps of a safe write.
TSafeFileHook SchreibHaken()
{
    return [](TSafeFileStep schritt, const QString& pfad) {
        switch (schritt) {
        case TSafeFileStep::Create: return Frage(TBildDateiOp::Oeffnen, pfad);
        case TSafeFileStep::Write: return Frage(TBildDateiOp::Schreiben, pfad);
        case TSafeFileStep::Sync: return Frage(TBildDateiOp::Sync, pfad);
        case TSafeFileStep::Rename: return Frage(TBildDateiOp::Umbenennen, pfad);
        }
        return 0;
    };
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
    return Fehler(was + QStringLiteral(" ") + pfad + QStringLiteral(": ") + FileErrorText(fehler));
}

// Copies the bytes of an open file into a safe write; errno tells a failure.
enum class TKopieFehler { Keiner, Lesen, Schreiben };
TKopieFehler KopiereBytes(int von, const QString& vonPfad, TSafeFile& nach)
{
    std::vector<char> puffer(1 << 16);
    for (;;) {
        const ssize_t n = Read(von, vonPfad, puffer.data(), puffer.size());
        if (n < 0)
            return TKopieFehler::Lesen;
        if (n == 0)
            return TKopieFehler::Keiner;
        if (!nach.Write(puffer.data(), size_t(n)))
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
    // only when whole and on disk; a target that is a link is refused.
    TSafeFile out(*nach, SchreibHaken());
    if (!out.Open()) {
        // A picture the user made read-only is kept, as a plain write
        // would fail on it; so is one with further hard links.
        if (zielDa && out.Error() == EACCES)
            return Fehler(ziel + QStringLiteral(" ist schreibgeschützt und wird nicht ersetzt"));
        return FehlerMitErrno(QStringLiteral("Fehler beim Anlegen von"), ziel, out.Error());
    }
    if (const TKopieFehler k = KopiereBytes(in.fd, *von, out); k != TKopieFehler::Keiner) {
        const int fehler = errno;
        return FehlerMitErrno(k == TKopieFehler::Lesen ? QStringLiteral("Fehler beim Lesen von")
                                                       : QStringLiteral("Fehler beim Schreiben von"),
                              k == TKopieFehler::Lesen ? quelle : ziel, fehler);
    }
    // The picture keeps its date.
    const struct timespec zeiten[2] = {quellStat.st_atim, quellStat.st_mtim};
    ::futimens(out.Handle(), zeiten);
    if (!out.Commit(ersetzen))
        return FehlerMitErrno(QStringLiteral("Fehler beim Schreiben von"), ziel, out.Error());
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
    SyncFolderOf(*linux);
    return TDateiErgebnis{true, {}};
}

TDateiErgebnis BildUmbenennen(const QString& alt, const QString& neu)
{
    const std::optional<QString> von = Linux(alt);
    const std::optional<QString> nach = Linux(neu);
    if (!von || !nach)
        return Fehler(QStringLiteral("Laufwerk von ") + alt + QStringLiteral(" nicht im Zugriff"));
    if (!UmbenennenOhneErsetzen(*von, *nach))
        return FehlerMitErrno(QStringLiteral("Fehler beim Umbenennen von"), alt, errno);
    SyncFolderOf(*nach);
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
