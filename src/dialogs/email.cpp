#include "dialogs/email.h"

#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/os/shell.h"
#include "platform/ui/dialogs.h"
#include "shared/qk_ini.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>

namespace {

constexpr int kMaxEintraege = 89478485;
// How long the hand-off may take before it counts as started: some mail
// programs keep xdg-email waiting until their compose window closes.
constexpr int kUebergabeMs = 15000;

QString Adresse(const QString& zeile)
{
    const int auf = int(zeile.indexOf(QLatin1Char('['))), zu = int(zeile.indexOf(QLatin1Char(']')));
    if (auf >= 0 && zu > auf)
        return zeile.mid(auf + 1, zu - auf - 1).trimmed();
    return zeile.trimmed();
}

// The recipient as the mail program gets it: a line "Name [address]" keeps
// its name as "Name <address>"; a name holding characters with a meaning in
// an address header is quoted. Other lines are the bare address.
QString Empfaenger(const QString& zeile)
{
    const int auf = int(zeile.indexOf(QLatin1Char('['))), zu = int(zeile.indexOf(QLatin1Char(']')));
    const QString adresse = Adresse(zeile);
    if (auf < 0 || zu <= auf || adresse.isEmpty())
        return adresse;
    QString name = (zeile.left(auf) + QLatin1Char(' ') + zeile.mid(zu + 1)).simplified();
    if (name.isEmpty())
        return adresse;
    static const QString besondere = QStringLiteral("()<>[]:;@\\,.\"");
    if (std::any_of(name.cbegin(), name.cend(), [](QChar c) { return besondere.contains(c); })) {
        name.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
        name = QLatin1Char('"') + name + QLatin1Char('"');
    }
    return name + QStringLiteral(" <") + adresse + QLatin1Char('>');
}

}  // namespace

bool MapiAvailable()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty())
        return false;
    // xdg-email hands the message to $MAILER or its hook when there is one,
    // else to the program the desktop opens mailto: links with; without any
    // of these it fails only after the user filled in the message.
    if (!qEnvironmentVariableIsEmpty("MAILER") ||
        !QStandardPaths::findExecutable(QStringLiteral("xdg-email-hook.sh")).isEmpty())
        return true;
    return !DefaultApplication(QStringLiteral("x-scheme-handler/mailto")).isEmpty();
}

TEmail::TEmail(TComponent* AOwner) : TComponent(AOwner) {}

TEmail::~TEmail()
{
    if (session_)
        Logoff();
}

void TEmail::CheckMapiAvailable() const
{
    if (!MapiAvailable())
        throw EMapiUnavailable(QStringLiteral("MAPI services are not available on this system"));
}

void TEmail::DoMapiError(int code)
{
    if (OnMapiError)
        OnMapiError(this, code);
}

int TEmail::Logon()
{
    if (session_)
        return SUCCESS_SUCCESS;
    DoBeforeLogon();
    if (!MapiAvailable()) {
        DoMapiError(MAPI_E_LOGIN_FAILURE);
        return MAPI_E_LOGIN_FAILURE;
    }
    session_ = true;
    DoAfterLogon();
    return SUCCESS_SUCCESS;
}

int TEmail::Logoff()
{
    if (!session_)
        return SUCCESS_SUCCESS;
    DoBeforeLogoff();
    session_ = false;
    DoAfterLogoff();
    return SUCCESS_SUCCESS;
}

int TEmail::SetLongText(const QString& text)
{
    longText_ = text;
    text_.clear();
    return int(text.size());
}

QString TEmail::ShortenAttachmentName(const QString& name)
{
    if (name.size() < 13)
        return name;
    QString s = name;
    const int p = int(s.indexOf(QLatin1Char('.'))) + 1;
    if (p > 9)
        s = s.mid(p - 1 - 8);
    if (s.size() > 12)
        s = s.right(12);
    while (s.startsWith(QLatin1Char('.')))
        s.remove(0, 1);
    return s;
}

QStringList TEmail::HandOffArguments() const
{
    QStringList args{QStringLiteral("--utf8")};
    auto empfaenger = [&](const TStringList& liste, const QString& schalter) {
        for (int i = 0; i < liste.Count(); ++i) {
            const QString adresse = Empfaenger(liste[i].left(255));
            if (adresse.isEmpty())
                continue;
            if (!schalter.isEmpty())
                args << schalter;
            args << adresse;
        }
    };
    empfaenger(CC, QStringLiteral("--cc"));
    empfaenger(Bcc, QStringLiteral("--bcc"));
    if (!subject_.isEmpty())
        args << QStringLiteral("--subject") << subject_;
    // The mail programs here take line feeds as line ends.
    const QString body = QString(longText_.isEmpty() ? text_ : longText_).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!body.isEmpty())
        args << QStringLiteral("--body") << body;
    for (int i = 0; i < Attachment.Count(); ++i)
        args << QStringLiteral("--attach") << WinToLinux(Attachment[i]).value_or(Attachment[i]);
    empfaenger(Recipient, QString());
    return args;
}

int TEmail::SendMail()
{
    if (Recipient.Count() + CC.Count() + Bcc.Count() > kMaxEintraege) {
        DoMapiError(MAPI_E_TOO_MANY_RECIPIENTS);
        return MAPI_E_TOO_MANY_RECIPIENTS;
    }
    if (Attachment.Count() > kMaxEintraege) {
        DoMapiError(MAPI_E_TOO_MANY_FILES);
        return MAPI_E_TOO_MANY_FILES;
    }
    // What the desktop's compose hand-off cannot do is refused with its
    // reason, never dropped without a word.
    if (Acknowledge) {
        ShowMessage(QStringLiteral("Eine Lesebestätigung kann über das eMail-Programm des Desktops nicht angefordert "
                                   "werden, die eMail wurde nicht übergeben!"));
        DoMapiError(MAPI_E_NOT_SUPPORTED);
        return MAPI_E_NOT_SUPPORTED;
    }
    for (const TStringList* liste : {&Recipient, &CC, &Bcc})
        for (int i = 0; i < liste->Count(); ++i)
            if (const QString a = Adresse((*liste)[i]); !a.isEmpty() && !a.contains(QLatin1Char('@'))) {
                ShowMessage(QStringLiteral("Der Empfänger \"") + a +
                            QStringLiteral("\" ist keine eMail-Adresse, Namen aus einem Adressbuch können hier nicht "
                                           "aufgelöst werden!"));
                DoMapiError(MAPI_E_UNKNOWN_RECIPIENT);
                return MAPI_E_UNKNOWN_RECIPIENT;
            }
    const bool warOffen = session_;
    if (Logon() != SUCCESS_SUCCESS)
        return MAPI_E_LOGIN_FAILURE;
    int ergebnis = SUCCESS_SUCCESS;
    for (int i = 0; i < Attachment.Count() && ergebnis == SUCCESS_SUCCESS; ++i)
        if (!FileExists(Attachment[i])) {
            DoMapiError(MAPI_E_ATTACHMENT_NOT_FOUND);
            ergebnis = MAPI_E_ATTACHMENT_NOT_FOUND;
        }
    if (ergebnis == SUCCESS_SUCCESS) {
        DoBeforeSendMail();
        auto* prozess = new QProcess();
        prozess->setProgram(QStandardPaths::findExecutable(QStringLiteral("xdg-email")));
        prozess->setArguments(HandOffArguments());
        prozess->setProcessChannelMode(QProcess::ForwardedChannels);
        prozess->start();
        if (!prozess->waitForStarted()) {
            ergebnis = MAPI_E_FAILURE;
            delete prozess;
        } else if (prozess->waitForFinished(kUebergabeMs)) {
            if (prozess->exitStatus() != QProcess::NormalExit || prozess->exitCode() != 0)
                ergebnis = MAPI_E_FAILURE;
            delete prozess;
        } else {
            // Still running: the mail program has the message. The process
            // object goes when it ends.
            QObject::connect(prozess, &QProcess::finished, prozess, &QObject::deleteLater);
            prozess->setParent(QCoreApplication::instance());
        }
        if (ergebnis == SUCCESS_SUCCESS)
            DoAfterSendMail();
        else
            DoMapiError(ergebnis);
    }
    if (!warOffen)
        Logoff();
    return ergebnis;
}

int TEmail::SaveMail()
{
    DoBeforeSaveMail();
    ShowMessage(QStringLiteral("Eine eMail kann hier nicht in einem Nachrichtenspeicher gespeichert werden, das "
                               "eMail-Programm des Desktops bietet das nicht an!"));
    DoMapiError(MAPI_E_NOT_SUPPORTED);
    return MAPI_E_NOT_SUPPORTED;
}

// ---------------------------------------------------------------------------

void BildPerEmailVersenden(const QString& bildPfad, TQKINI& ini)
{
    if (!FileExists(bildPfad)) {
        ShowMessage(QStringLiteral("Datei ") + bildPfad + QStringLiteral(" nicht gefunden!"));
        return;
    }
    TEmail mail(nullptr);
    if (mail.Logon() != SUCCESS_SUCCESS) {
        ShowMessage(QStringLiteral("MAPI Verbindung fehlgeschlagen Sie müssen ein eMail-Programm (z.B. MS-Outlook "
                                   "oder Netscape) installiert haben!"));
        return;
    }
    const QString sektion = QStringLiteral("Online_eMail_directly");
    // Each box has the key as its caption and the stored value (else the
    // default) as its text.
    struct {
        const char* schluessel;
        const char* frage;
        const char* vorgabe;
        QString wert;
    } felder[] = {{"Subject", "Einen Betreff für diese eMail eingeben", "eMail von QV-Lumadex", {}},
                  {"Body", "Kurztext für diese eMail eingeben", "Als Anhang ein Bild aus QV-Lumadex gesendet", {}},
                  {"RecipientName", "Den Namen des Empfängers eingeben", "Empfängername", {}},
                  {"RecipientEMail", "Die eMail-Adresse des Empfängers eingeben", "empfaenger@example.org", {}}};
    for (auto& f : felder) {
        f.wert = ini.INIReadString(sektion, QString::fromLatin1(f.schluessel), QString::fromUtf8(f.vorgabe));
        if (!InputQuery(QString::fromLatin1(f.schluessel), QString::fromUtf8(f.frage), f.wert))
            return;
        ini.INIWriteString(sektion, QString::fromLatin1(f.schluessel), f.wert);
    }
    mail.TruncAttFN = false;
    mail.UseLongMessageID = true;
    mail.Recipient.Clear();
    mail.Recipient.Add(felder[3].wert);
    mail.SetSubject(felder[0].wert);
    mail.SetLongText(felder[1].wert + QStringLiteral("\r\n\r\n"));
    mail.Attachment.Clear();
    mail.Attachment.Add(bildPfad);
    mail.ShowDialog = false;
    if (mail.SendMail() != SUCCESS_SUCCESS)
        ShowMessage(QStringLiteral("Email nicht versendet"));
    else
        // Sending without the mail program does not exist here: the message
        // waits in its compose window.
        ShowMessage(QStringLiteral("Die eMail wurde Ihrem eMail-Programm übergeben, versenden Sie sie dort!"));
}
