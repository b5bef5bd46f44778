// TEmail over the desktop's compose hand-off: the arguments xdg-email
// receives, the result codes and events, the attachment titles, and the
// main window's e-mail command.

#include <gtest/gtest.h>

#include <functional>

#include "dialogs/email.h"
#include "fake_tools.h"
#include "options_test_host.h"
#include "platform/ui/prompt_script.h"
#include "shared/qk_ini.h"

namespace {

struct Protokoll {
    QStringList ereignisse;
    std::vector<int> fehler;
    void An(TEmail& m)
    {
        m.OnBeforeLogon = [this](TObject*) { ereignisse << "BeforeLogon"; };
        m.OnAfterLogon = [this](TObject*) { ereignisse << "AfterLogon"; };
        m.OnBeforeSendMail = [this](TObject*) { ereignisse << "BeforeSendMail"; };
        m.OnAfterSendMail = [this](TObject*) { ereignisse << "AfterSendMail"; };
        m.OnBeforeLogoff = [this](TObject*) { ereignisse << "BeforeLogoff"; };
        m.OnAfterLogoff = [this](TObject*) { ereignisse << "AfterLogoff"; };
        m.OnMapiError = [this](TObject*, int code) { fehler.push_back(code); };
    }
};

// A desktop whose mail program takes mailto: links.
void MailProgramm(TFakeWerkzeuge& w, int exitCode = 0)
{
    w.Anlegen("xdg-email", exitCode);
    w.Anlegen("xdg-mime", 0, "thunderbird.desktop\n");
}

}  // namespace

TEST(Email, AttachmentTitlesAreShortened)
{
    const std::pair<const char*, const char*> faelle[] = {
        {"verylongname.jpeg", "ongname.jpeg"},           // 8 characters before the dot, then the last 12
        {"kurz.jpg", "kurz.jpg"},                        // short names stay
        {"genau12z.jpg", "genau12z.jpg"},
        {"abcdefghijklmno.jpg", "hijklmno.jpg"},         // cut 8 before the dot
        {"bild.mit.langer.endung", "anger.endung"},      // dot early: the last 12 characters
        {"abcdefghijklmnopqrstuvwxyz", "opqrstuvwxyz"},  // no dot
        {"x.abcdefghijk", "abcdefghijk"},                // a leading dot goes
    };
    for (const auto& [name, titel] : faelle)
        EXPECT_EQ(TEmail::ShortenAttachmentName(name), titel) << name;
}

TEST(Email, HandOffGetsRecipientsSubjectBodyAndAttachment)
{
    TFakeWerkzeuge werkzeuge;
    MailProgramm(werkzeuge);
    lxtest::TempDir dir;
    lxtest::WriteFile(dir / "Bild 1.jpg", "JPEG");
    Protokoll p;
    TEmail mail(nullptr);
    p.An(mail);
    EXPECT_TRUE(mail.MapiAvail());
    EXPECT_EQ(mail.Version(), "9.09.02");
    mail.Recipient.Add("anna@example.org");
    mail.Recipient.Add("Bernd Beispiel [bernd@example.org]");
    mail.Recipient.Add("");
    mail.CC.Add("chef@example.org");
    mail.SetSubject("Urlaubsbild");
    mail.SetText("kurz");
    const QString lang(10000, QChar('x'));
    EXPECT_EQ(mail.SetLongText(lang), 10000);
    EXPECT_EQ(mail.Text(), "");
    mail.Attachment.Add(WinPfad(dir / "Bild 1.jpg"));
    EXPECT_EQ(mail.SendMail(), 0);
    EXPECT_EQ(werkzeuge.Argumente("xdg-email"),
              QStringList({"--utf8", "--cc", "chef@example.org", "--subject", "Urlaubsbild", "--body", lang, "--attach",
                           QString::fromStdString((dir / "Bild 1.jpg").string()), "anna@example.org",
                           "Bernd Beispiel <bernd@example.org>"}));
    EXPECT_EQ(p.ereignisse, QStringList({"BeforeLogon", "AfterLogon", "BeforeSendMail", "AfterSendMail",
                                         "BeforeLogoff", "AfterLogoff"}));
    EXPECT_TRUE(p.fehler.empty());
    EXPECT_FALSE(mail.SessionOpen());  // opened for the call only
}

TEST(Email, NamedRecipientsKeepTheirNameInTheHandOff)
{
    const std::pair<const char*, const char*> faelle[] = {
        {"anna@example.org", "anna@example.org"},
        {"Anna Beispiel [anna@example.org]", "Anna Beispiel <anna@example.org>"},
        {"  Anna   Beispiel  [ anna@example.org ] ", "Anna Beispiel <anna@example.org>"},
        {"[anna@example.org]", "anna@example.org"},                             // no name
        {"Beispiel, Anna [anna@example.org]", "\"Beispiel, Anna\" <anna@example.org>"},  // a comma is quoted
        {"Dr. \"Anna\" B. [anna@example.org]", "\"Dr. \\\"Anna\\\" B.\" <anna@example.org>"},
        {"Anna [anna@example.org] privat", "Anna privat <anna@example.org>"},  // text after the brackets
        {"Jürgen Groß [jg@example.org]", "Jürgen Groß <jg@example.org>"},
    };
    for (const auto& [zeile, erwartet] : faelle) {
        TEmail mail(nullptr);
        mail.Recipient.Add(QString::fromUtf8(zeile));
        mail.CC.Add(QString::fromUtf8(zeile));
        EXPECT_EQ(mail.HandOffArguments(),
                  QStringList({"--utf8", "--cc", QString::fromUtf8(erwartet), QString::fromUtf8(erwartet)}))
            << zeile;
    }
}

TEST(Email, ErrorsGiveTheirCodes)
{
    lxtest::TempDir dir;
    {
        TFakeWerkzeuge werkzeuge;  // no xdg-email on the PATH
        Protokoll p;  // outlives the component, whose destructor still fires events
        TEmail mail(nullptr);
        p.An(mail);
        EXPECT_FALSE(mail.MapiAvail());
        EXPECT_THROW(mail.CheckMapiAvailable(), EMapiUnavailable);
        EXPECT_EQ(mail.SendMail(), MAPI_E_LOGIN_FAILURE);
        EXPECT_EQ(p.fehler, std::vector<int>{3});
    }
    {
        TFakeWerkzeuge werkzeuge;
        MailProgramm(werkzeuge);
        Protokoll p;  // outlives the component, whose destructor still fires events
        TEmail mail(nullptr);
        p.An(mail);
        ASSERT_EQ(mail.Logon(), 0);
        mail.Attachment.Add(WinPfad(dir / "fehlt.jpg"));
        EXPECT_EQ(mail.SendMail(), MAPI_E_ATTACHMENT_NOT_FOUND);
        EXPECT_FALSE(werkzeuge.Aufgerufen("xdg-email"));  // nothing handed over
        EXPECT_TRUE(mail.SessionOpen());                  // the caller's session stays
        EXPECT_EQ(p.fehler, std::vector<int>{11});
    }
    {
        TFakeWerkzeuge werkzeuge;
        MailProgramm(werkzeuge, 3);  // the mail program does not take it
        Protokoll p;  // outlives the component, whose destructor still fires events
        TEmail mail(nullptr);
        p.An(mail);
        EXPECT_EQ(mail.SendMail(), MAPI_E_FAILURE);
        EXPECT_EQ(p.fehler, std::vector<int>{2});
        EXPECT_FALSE(p.ereignisse.contains("AfterSendMail"));
    }
}

TEST(Email, CommandAsksStoresAndHandsOver)
{
    TFakeWerkzeuge werkzeuge;
    MailProgramm(werkzeuge);
    lxtest::TempDir dir;
    lxtest::WriteFile(dir / "a.jpg", "JPEG");
    TQKINI ini(nullptr);
    ini.SetINIFileName(WinPfad(dir / "Lumadex.INI"));
    {
        TPromptScript script;
        script.AnswerValue("Grüße", "Einen Betreff für diese eMail eingeben")
            .AnswerValue("Hallo", "Kurztext für diese eMail eingeben")
            .AnswerValue("Anna", "Den Namen des Empfängers eingeben")
            .AnswerValue("anna@example.org", "Die eMail-Adresse des Empfängers eingeben")
            .Answer(TPromptKind::Message, mrOk, "versenden Sie sie dort");
        BildPerEmailVersenden(WinPfad(dir / "a.jpg"), ini);
        // The caption is the key, the text at first the default.
        const auto& r = script.Records();
        ASSERT_EQ(r.size(), 5u);
        const char* const schluessel[] = {"Subject", "Body", "RecipientName", "RecipientEMail"};
        const char* const vorgaben[] = {"eMail von QV-Lumadex", "Als Anhang ein Bild aus QV-Lumadex gesendet",
                                        "Empfängername", "empfaenger@example.org"};
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(r[i].Caption, QString::fromLatin1(schluessel[i]));
            EXPECT_EQ(r[i].Value, QString::fromUtf8(vorgaben[i]));
        }
    }
    const QStringList args = werkzeuge.Argumente("xdg-email");
    EXPECT_EQ(args.mid(1, 2), QStringList({"--subject", "Grüße"}));
    // The body "Hallo" and two empty lines, with line feeds.
    EXPECT_EQ(args.mid(args.indexOf("--body") + 1, 4), QStringList({"Hallo", "", "", "--attach"}));
    EXPECT_EQ(args.back(), "anna@example.org");
    EXPECT_EQ(ini.INIReadString("Online_eMail_directly", "RecipientEMail", ""), "anna@example.org");
    EXPECT_EQ(ini.INIReadString("Online_eMail_directly", "Subject", ""), "Grüße");
    {
        // Cancelling a box ends the command; a failed hand-off says so.
        TPromptScript script;
        script.Answer(TPromptKind::Input, mrCancel);
        BildPerEmailVersenden(WinPfad(dir / "a.jpg"), ini);
    }
    MailProgramm(werkzeuge, 4);
    {
        TPromptScript script;
        script.Answer(TPromptKind::Input, mrOk).Answer(TPromptKind::Input, mrOk).Answer(TPromptKind::Input, mrOk)
            .Answer(TPromptKind::Input, mrOk).Answer(TPromptKind::Message, mrOk, "Email nicht versendet");
        BildPerEmailVersenden(WinPfad(dir / "a.jpg"), ini);
    }
    {
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "nicht gefunden!");
        BildPerEmailVersenden(WinPfad(dir / "b.jpg"), ini);
        EXPECT_EQ(script.Records().at(0).Text, "Datei " + WinPfad(dir / "b.jpg") + " nicht gefunden!");
    }
}

TEST(Email, WhatTheHandOffCannotDoIsRefusedWithItsReason)
{
    TFakeWerkzeuge werkzeuge;
    MailProgramm(werkzeuge);
    lxtest::TempDir dir;
    lxtest::WriteFile(dir / "a.jpg", "JPEG");
    struct Fall {
        const char* Name;
        std::function<void(TEmail&)> Setzen;
        int Code;
        const char* Meldung;
    };
    const Fall faelle[] = {
        {"read receipt", [](TEmail& m) { m.Acknowledge = true; }, MAPI_E_NOT_SUPPORTED, "Lesebestätigung"},
        {"name only", [](TEmail& m) { m.Recipient.Add("Anna Beispiel"); }, MAPI_E_UNKNOWN_RECIPIENT,
         "Namen aus einem Adressbuch"},
        {"name in cc", [](TEmail& m) { m.CC.Add("Chef"); }, MAPI_E_UNKNOWN_RECIPIENT, "\"Chef\""},
    };
    for (const Fall& f : faelle) {
        Protokoll p;
        TEmail mail(nullptr);
        p.An(mail);
        mail.Recipient.Add("anna@example.org");
        mail.Attachment.Add(WinPfad(dir / "a.jpg"));
        f.Setzen(mail);
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, QString::fromUtf8(f.Meldung));
        EXPECT_EQ(mail.SendMail(), f.Code) << f.Name;
        EXPECT_EQ(p.fehler, std::vector<int>{f.Code}) << f.Name;
        EXPECT_FALSE(werkzeuge.Aufgerufen("xdg-email")) << f.Name;
    }
    Protokoll p;
    TEmail mail(nullptr);
    p.An(mail);
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk, "Nachrichtenspeicher");
    EXPECT_EQ(mail.SaveMail(), MAPI_E_NOT_SUPPORTED);
    EXPECT_EQ(p.fehler, std::vector<int>{MAPI_E_NOT_SUPPORTED});
}

TEST(Email, AMailProgramMustBeThereToTakeTheMessage)
{
    struct Fall {
        const char* Name;
        bool XdgEmail;
        const char* Handler;  // what xdg-mime names for mailto: ("" none)
        const char* Mailer;   // $MAILER
        bool Hook;
        bool Verfuegbar;
    };
    const Fall faelle[] = {
        {"no hand-off", false, "thunderbird.desktop\n", "", false, false},
        {"hand-off without a mail program", true, "", "", false, false},
        {"mail program for mailto:", true, "thunderbird.desktop\n", "", false, true},
        {"mailer named in MAILER", true, "", "mutt", false, true},
        {"hand-off hook", true, "", "", true, true},
    };
    for (const Fall& f : faelle) {
        TFakeWerkzeuge werkzeuge;
        if (f.XdgEmail)
            werkzeuge.Anlegen("xdg-email");
        werkzeuge.Anlegen("xdg-mime", 0, f.Handler);
        if (f.Hook)
            werkzeuge.Anlegen("xdg-email-hook.sh");
        if (*f.Mailer)
            werkzeuge.Setzen("MAILER", f.Mailer);
        EXPECT_EQ(MapiAvailable(), f.Verfuegbar) << f.Name;
        Protokoll p;
        TEmail mail(nullptr);
        p.An(mail);
        EXPECT_EQ(mail.Logon(), f.Verfuegbar ? SUCCESS_SUCCESS : MAPI_E_LOGIN_FAILURE) << f.Name;
        EXPECT_EQ(p.fehler, f.Verfuegbar ? std::vector<int>{} : std::vector<int>{MAPI_E_LOGIN_FAILURE}) << f.Name;
    }
}

TEST(Email, CommandWithoutAMailProgramSaysSoBeforeItAsksAnything)
{
    TFakeWerkzeuge werkzeuge;
    werkzeuge.Anlegen("xdg-email");
    werkzeuge.Anlegen("xdg-mime");  // no program for mailto:
    lxtest::TempDir dir;
    lxtest::WriteFile(dir / "a.jpg", "JPEG");
    TQKINI ini(nullptr);
    ini.SetINIFileName(WinPfad(dir / "Lumadex.INI"));
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk,
                  "MAPI Verbindung fehlgeschlagen Sie müssen ein eMail-Programm (z.B. MS-Outlook oder Netscape) "
                  "installiert haben!");
    BildPerEmailVersenden(WinPfad(dir / "a.jpg"), ini);
    EXPECT_EQ(script.Records().size(), 1u);  // no question asked
    EXPECT_FALSE(werkzeuge.Aufgerufen("xdg-email"));
    EXPECT_EQ(ini.INIReadString("Online_eMail_directly", "Subject", "<fehlt>"), "<fehlt>");
}
