#include "storage/action_log.h"

#include "platform/core/file_utils.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win1252.h"
#include "platform/data/table.h"
#include "platform/dbf/dbe.h"
#include "shared/routine_prompts.h"
#include "shared/routine_support.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe.h"
#include "storage/tdbe_env.h"

namespace {

bool g_abgeschaltet = false;

const QString kAbgeschaltet = QStringLiteral("\nDie Aktionen werden in diesem Programmlauf nicht protokolliert.");

// Today's date as a text in the engine's current date format, which TDbeEnv
// keeps equal to the program's short date format; asking the engine keeps
// the log right even before the settings component has set it.
QString HeutigesDatumFuerEngine()
{
    const int format = dbe_SetDateFormat(4);
    dbe_SetDateFormat(format);
    const int century = dbe_SetCentury(1);
    dbe_SetCentury(century);
    TFormatSettings fs = FormatSettings();
    fs.ShortDateFormat = DbeShortDateFormat(static_cast<TDbeDateFrmt>(format), century != 0);
    fs.DateSeparator = DbeDateSeparator(static_cast<TDbeDateFrmt>(format));
    return FormatDateTime(fs.ShortDateFormat, Date(), fs);
}

// A text for a character field of `width` bytes. A character that
// Windows-1252 cannot hold is written as "<U+XXXX>", so a log entry about a
// picture whose name has such characters still says which one it was; a
// character (or its "<U+XXXX>") that no longer fits is left off whole.
QByteArray LogText(const QString& text, int width)
{
    QByteArray bytes;
    for (const QChar c : text) {
        const std::optional<unsigned char> b = Win1252EncodeChar(c.unicode());
        const QByteArray encoded = b ? QByteArray(1, static_cast<char>(*b))
                                     : QStringLiteral("<U+%1>").arg(c.unicode(), 4, 16, QChar(u'0')).toUpper().toLatin1();
        if (bytes.size() + encoded.size() > width)
            break;
        bytes += encoded;
    }
    return bytes;
}

}  // namespace

bool LogAbgeschaltet() { return g_abgeschaltet; }
void LogWiederEinschalten() { g_abgeschaltet = false; }

int LogTabelleErzeugen(const QString& folder, const QString& fileName)
{
    TDbe dbe(nullptr);
    if (!dbe.CreateNew(folder + fileName, DBE_TYPE_FOX, 7)) {
        RoutineWarnung(folder + fileName + QStringLiteral(" konnte nicht erzeugt werden, Sysop informieren  !") +
                       kAbgeschaltet);
        return 0;
    }
    dbe.CreateField(QStringLiteral("MSGART"), 'C', 10, 0);
    dbe.CreateField(QStringLiteral("AKTION"), 'C', 200, 0);
    dbe.CreateField(QStringLiteral("USER"), 'C', 20, 0);
    dbe.CreateField(QStringLiteral("USERLEVEL"), 'N', 3, 0);
    dbe.CreateField(QStringLiteral("DATUM"), 'D', 8, 0);
    dbe.CreateField(QStringLiteral("ZEIT"), 'C', 8, 0);
    dbe.CreateField(QStringLiteral("SatzNr"), 'C', 9, 0);
    if (!dbe.CreateExec()) {
        RoutineWarnung(folder + fileName + QStringLiteral(" konnte nicht erzeugt werden !") + kAbgeschaltet);
        return 0;
    }
    return 1;
}

void LogSchreiben(const QString& folder, const QString& fileName, const QString& meldungsArt, const QString& text,
                  const QString& satzNr)
{
    if (AnwendungBeendet() || g_abgeschaltet)
        return;
    const QString aktion = text.left(99);
    if (!FileExists(folder + fileName) && LogTabelleErzeugen(folder, fileName) != 1) {
        g_abgeschaltet = true;  // the warning has told the user
        return;
    }

    TTable table;
    TDataSource source(&table);
    TDbe dbe(nullptr);
    dbe.SetDataSource(&source);
    if (DatenbankOeffnen(&table, ttDXFOX, &dbe, folder, fileName, QString(), false, false) != 1) {
        g_abgeschaltet = true;
        RoutineMeldung(QStringLiteral("Konnte ") + folder + fileName + QStringLiteral(" nicht öffnen, Pfade überprüfen!") +
                       kAbgeschaltet);
        return;
    }

    const uint16_t previous = dbe.SelectArea(static_cast<uint16_t>(table.Handle()));
    const QByteArray user = LogText(AktuellerBenutzer().Name, 20);
    const int32_t level = AktuellerBenutzer().Level;
    const QByteArray datum = Win1252Encode(HeutigesDatumFuerEngine()).value_or(QByteArray());
    const QByteArray zeit = LogText(TimeToStr(Time()), 8);
    const QByteArray aktionBytes = LogText(aktion, 99);
    const QByteArray art = LogText(meldungsArt, 10);
    const QByteArray satz = LogText(satzNr, 9);
    const bool ok = dbe_Append() && dbe_Replace("USER", DBE_REPL_TEXT, user.constData()) &&
                    dbe_Replace("USERLEVEL", DBE_REPL_INT, &level) &&
                    dbe_Replace("DATUM", DBE_REPL_DATE, datum.constData()) &&
                    dbe_Replace("ZEIT", DBE_REPL_TEXT, zeit.constData()) &&
                    dbe_Replace("AKTION", DBE_REPL_TEXT, aktionBytes.constData()) &&
                    dbe_Replace("MSGART", DBE_REPL_TEXT, art.constData()) &&
                    dbe_Replace("SATZNR", DBE_REPL_TEXT, satz.constData()) && dbe_Commit();
    dbe_Select(previous);
    if (!ok)
        throw EDatenbank(QStringLiteral(" Fehler beim Schreiben in ") + folder + fileName);
}
