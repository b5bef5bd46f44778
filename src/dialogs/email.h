#pragma once
// TEmail: one e-mail with recipients, subject, text and attached files,
// handed to the user's mail program. The desktop's compose hand-off
// (xdg-email of xdg-utils) opens the mail program with the message filled
// in; the user sends it from there. The component keeps the result codes of
// the system mail interface the program was written for: 0 when the
// hand-off started, otherwise an error code that OnMapiError reports too.
//
// What the hand-off cannot do: send without the user, resolve names through
// an address book, request a read receipt or save into a message store. A
// recipient line is taken as an address; a line "Name [address]" is handed
// over as "Name <address>", so the mail program shows the name.

#include "platform/core/exceptions.h"
#include "platform/core/string_list.h"
#include "platform/ui/component.h"

#include <functional>

class TQKINI;

// Result codes of the mail interface.
constexpr int SUCCESS_SUCCESS = 0;
constexpr int MAPI_E_USER_ABORT = 1;
constexpr int MAPI_E_FAILURE = 2;
constexpr int MAPI_E_LOGIN_FAILURE = 3;
constexpr int MAPI_E_TOO_MANY_FILES = 9;
constexpr int MAPI_E_TOO_MANY_RECIPIENTS = 10;
constexpr int MAPI_E_ATTACHMENT_NOT_FOUND = 11;
constexpr int MAPI_E_UNKNOWN_RECIPIENT = 14;
constexpr int MAPI_E_AMBIGUOUS_RECIPIENT = 21;
constexpr int MAPI_E_NOT_SUPPORTED = 26;

class EMapiDllError : public Exception {
public:
    using Exception::Exception;
};
class EMapiUnavailable : public Exception {
public:
    using Exception::Exception;
};

// True when a mail program can take a message: the desktop's compose
// hand-off (xdg-email) is on the PATH and has a mail program to hand it to,
// that is a mailer named in $MAILER, a hand-off hook (xdg-email-hook.sh) or
// a program registered for mailto: links (xdg-mime's default for
// x-scheme-handler/mailto).
bool MapiAvailable();

using TMapiErrEvent = std::function<void(TObject* Sender, int ErrCode)>;

class TEmail : public TComponent {
public:
    explicit TEmail(TComponent* AOwner);
    ~TEmail() override;

    TStringList Recipient;
    TStringList CC;
    TStringList Bcc;
    TStringList Attachment;
    QString Subject() const { return subject_; }
    void SetSubject(const QString& v) { subject_ = v.left(255); }
    QString Text() const { return text_; }
    void SetText(const QString& v) { text_ = v.left(255); }
    QString Profile;
    QString Password;
    bool ShowDialog = false;
    bool Acknowledge = false;
    bool NewSession = false;
    bool DownLoadFirst = false;
    bool TruncAttFN = true;
    bool UseDefProfile = false;
    bool UnreadOnly = false;
    bool UseLongMessageID = true;
    bool MapiAvail() const { return MapiAvailable(); }
    QString Version() const { return QStringLiteral("9.09.02"); }

    TNotifyEvent OnBeforeLogon, OnAfterLogon, OnBeforeLogoff, OnAfterLogoff;
    TNotifyEvent OnBeforeSaveMail, OnAfterSaveMail, OnBeforeSendMail, OnAfterSendMail;
    TMapiErrEvent OnMapiError;

    // Raises EMapiUnavailable when no mail program can take a message.
    void CheckMapiAvailable() const;
    // 0 when a mail program can take messages (the "session" is open),
    // else 3.
    int Logon();
    int Logoff();
    // Hands the message to the mail program; 0 when that started. Codes:
    // 3 no mail program, 9/10 too many files/recipients, 11 an attached
    // file is missing (nothing is handed over), 2 the hand-off failed.
    int SendMail();
    // The message cannot be saved without the mail program: gives 2.
    int SaveMail();
    // Replaces the text by any longer one; Text becomes empty. Gives the
    // text's length.
    int SetLongText(const QString& text);
    QString LongText() const { return longText_; }
    bool SessionOpen() const { return session_; }

    // The title of an attached file: at most 12 characters.
    static QString ShortenAttachmentName(const QString& name);
    // The arguments handed to xdg-email for the current message.
    QStringList HandOffArguments() const;

protected:
    virtual void DoBeforeLogon() { Fire(OnBeforeLogon); }
    virtual void DoAfterLogon() { Fire(OnAfterLogon); }
    virtual void DoBeforeLogoff() { Fire(OnBeforeLogoff); }
    virtual void DoAfterLogoff() { Fire(OnAfterLogoff); }
    virtual void DoBeforeSaveMail() { Fire(OnBeforeSaveMail); }
    virtual void DoAfterSaveMail() { Fire(OnAfterSaveMail); }
    virtual void DoBeforeSendMail() { Fire(OnBeforeSendMail); }
    virtual void DoAfterSendMail() { Fire(OnAfterSendMail); }
    virtual void DoMapiError(int code);

private:
    void Fire(const TNotifyEvent& e)
    {
        if (e)
            e(this);
    }
    QString subject_, text_, longText_;
    bool session_ = false;
};

// The main window's command "Per eMail versenden" for the picture file:
// asks for subject, text, recipient's name and address (stored in section
// "Online_eMail_directly" of the ini), attaches the picture and hands the
// message over. Shows "Email nicht versendet" when that failed.
void BildPerEmailVersenden(const QString& bildPfad, TQKINI& ini);
