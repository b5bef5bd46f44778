// The timed message box and the answer dialog: captions, geometry, colours,
// time-out and answer codes.

#include <gtest/gtest.h>

#include "platform/ui/prompt_script.h"
#include "platform/ui/prompt_service.h"
#include "platform/ui/test_input.h"
#include "shared/nachrichten_dialog.h"

using lxui_test::SendClick;
using lxui_test::SendKey;

TEST(NachrichtenDialog, EmptyCaptionShowsEreignisnachrichtOnBothForms)
{
    TPromptScript script;
    script.Modal<TMSGDLGForm>([](TMSGDLGForm& f) { f.BitBtn1->Click(); })
        .Modal<TAntwortDLGForm>([](TAntwortDLGForm& f) { f.BitBtnYes->Click(); })
        .Modal<TMSGDLGForm>([](TMSGDLGForm& f) { f.BitBtn1->Click(); });
    NachrichtenDialog("", "Fertig", 0, 120, clWhite, clBlack, true);
    AntwortDialog("", "Datei ersetzen ?", 160, clWhite, clBlack, true);
    NachrichtenDialog("Abschlußmeldung", "Fertig", 0, 120, clWhite, clBlack, true);
    ASSERT_EQ(script.Records().size(), 3u);
    EXPECT_EQ(script.Records()[0].Caption, "Ereignisnachricht");
    EXPECT_EQ(script.Records()[1].Caption, "Ereignisnachricht");
    EXPECT_EQ(script.Records()[2].Caption, "Abschlußmeldung");
}

TEST(NachrichtenDialog, MessageFormGeometryColoursAndText)
{
    TPromptScript script;
    script.Modal<TMSGDLGForm>([](TMSGDLGForm& f) {
        EXPECT_EQ(f.Height(), 120);
        EXPECT_EQ(f.BitBtn1->Top(), 55);
        EXPECT_EQ(f.BitBtn1->Left(), 172);
        EXPECT_EQ(f.ClientWidth(), 427);
        EXPECT_EQ(f.BorderStyle(), bsToolWindow);
        EXPECT_EQ(f.FormStyle(), fsStayOnTop);
        EXPECT_EQ(f.BorderIcons(), TBorderIcons{biHelp});
        EXPECT_EQ(f.Color(), clYellow);
        EXPECT_EQ(f.Font()->Color(), clRed);
        EXPECT_EQ(f.BitBtn1->Font()->Color(), clRed);     // the button follows the form's font
        EXPECT_EQ(f.Label1->Font()->Color(), clWindowText);  // the text keeps its own
        EXPECT_TRUE(f.Label1->Font()->Style().Contains(fsBold));
        EXPECT_EQ(f.Label1->Caption(), "Alle Bilder wurden kopiert.");
        EXPECT_EQ(f.Label1->Alignment(), taLeftJustify);
        EXPECT_EQ(f.BitBtn1->Caption(), "OK");
        EXPECT_FALSE(f.Timer1->Enabled());
        f.BitBtn1->Click();
    });
    NachrichtenDialog("Hinweis", "Alle Bilder wurden kopiert.", 0, 120, clYellow, clRed, false);
    // Height 0 keeps the designed form.
    script.Modal<TMSGDLGForm>([](TMSGDLGForm& f) {
        EXPECT_EQ(f.ClientHeight(), 147);
        EXPECT_EQ(f.BitBtn1->Top(), 96);
        EXPECT_EQ(f.Label1->Alignment(), taCenter);
        f.BitBtn1->Click();
    });
    NachrichtenDialog("", "x", 0, 0, clWhite, clBlack, true);
}

TEST(NachrichtenDialog, ClosesOnEnterAndOnClicksOnTextAndForm)
{
    TPromptScript script;
    script.Modal<TMSGDLGForm>([](TMSGDLGForm& f) { SendKey(f.ClientWidget(), Qt::Key_Return, "\r"); })
        .Modal<TMSGDLGForm>([](TMSGDLGForm& f) { SendClick(f.Label1->Handle(), QPoint(20, 10)); })
        .Modal<TMSGDLGForm>([](TMSGDLGForm& f) { SendClick(f.ClientWidget(), QPoint(2, 2)); });
    for (int i = 0; i < 3; ++i)
        NachrichtenDialog("", "Fertig", 0, 120, clWhite, clBlack, true);
    EXPECT_EQ(script.Records()[0].Result, mrOk);
    EXPECT_EQ(script.Records()[1].Result, mrCancel);
    EXPECT_EQ(script.Records()[2].Result, mrCancel);
    EXPECT_EQ(script.Pending(), 0u);
}

TEST(NachrichtenDialog, TimeoutClosesTheMessageByItself)
{
    TPromptScript script;
    // Time-out 0 (and a negative one) leaves the message until the user
    // closes it: one answer for each of the first two messages below.
    for (int message = 0; message < 2; ++message)
        script.Modal<TMSGDLGForm>([](TMSGDLGForm& f) {
            EXPECT_FALSE(f.Timer1->Enabled());
            EXPECT_FALSE(f.ModalLoop(150));
            f.BitBtn1->Click();
        });
    script.Modal<TMSGDLGForm>([](TMSGDLGForm& f) {
        EXPECT_TRUE(f.Timer1->Enabled());
        EXPECT_EQ(f.Timer1->Interval(), 3000);
        f.Timer1->Timer();  // three seconds later
    });
    script.Modal<TMSGDLGForm>([](TMSGDLGForm& f) {
        // One second: the timer is set to it and closing needs nobody's click.
        EXPECT_TRUE(f.Timer1->Enabled());
        EXPECT_EQ(f.Timer1->Interval(), 1000);
        f.Timer1->Timer();
        EXPECT_TRUE(f.ModalLoop(1000));
    });
    NachrichtenDialog("", "bleibt", 0, 120, clWhite, clBlack, true);
    NachrichtenDialog("", "bleibt", -2, 120, clWhite, clBlack, true);
    NachrichtenDialog("", "geht", 3, 120, clWhite, clBlack, true);
    NachrichtenDialog("", "geht selbst", 1, 120, clWhite, clBlack, true);
    EXPECT_EQ(script.Pending(), 0u);
}

TEST(AntwortDialog, GeometryAndTexts)
{
    TPromptScript script;
    script.Modal<TAntwortDLGForm>([](TAntwortDLGForm& f) {
        EXPECT_EQ(f.Height(), 160);
        for (TBitBtn* b : {f.BitBtnYes, f.BitBtnNo, f.BitBtnAbort})
            EXPECT_EQ(b->Top(), 70);
        EXPECT_EQ(f.CheckBoxAlle->Top(), 100);
        EXPECT_EQ(f.CheckBoxAlle->Caption(), "Antwort gilt für alle weiteren Abfragen");
        EXPECT_FALSE(f.CheckBoxAlle->Checked());
        EXPECT_EQ(f.BitBtnYes->Caption(), "Ja");
        EXPECT_EQ(f.BitBtnNo->Caption(), "&Nein");
        EXPECT_EQ(f.BitBtnAbort->Caption(), "Abbruch");
        EXPECT_EQ(f.FormStyle(), fsNormal);
        EXPECT_EQ(f.Label1->Caption(), "Bild a.jpg existiert schon. Überschreiben ?");
        f.BitBtnAbort->Click();
    });
    EXPECT_EQ(AntwortDialog("Frage", "Bild a.jpg existiert schon. Überschreiben ?", 160, clWhite, clBlack, true), 3);
}

TEST(AntwortDialog, AnswerCodesWithAndWithoutTheTickBox)
{
    struct Case {
        const char* how;
        bool tick;
        uint16_t code;
    } cases[] = {
        {"yes", false, 6},  {"no", false, 7},  {"abort", false, 3},
        {"yes", true, 106}, {"no", true, 107}, {"abort", true, 103},
        {"enter", false, 6}, {"esc", false, 7}, {"esc", true, 107},
        {"text", false, 3},  // closed without a button: Abort
    };
    for (const Case& c : cases) {
        TPromptScript script;
        script.Modal<TAntwortDLGForm>([&](TAntwortDLGForm& f) {
            f.CheckBoxAlle->SetChecked(c.tick);
            QString how = c.how;
            if (how == "yes") f.BitBtnYes->Click();
            if (how == "no") f.BitBtnNo->Click();
            if (how == "abort") f.BitBtnAbort->Click();
            if (how == "enter") SendKey(f.ClientWidget(), Qt::Key_Return, "\r");
            if (how == "esc") SendKey(f.CheckBoxAlle->Handle(), Qt::Key_Escape, "\x1b");
            if (how == "text") SendClick(f.Label1->Handle(), QPoint(30, 10));
        });
        EXPECT_EQ(AntwortDialog("", "Weiter ?", 160, clWhite, clBlack, true), c.code) << c.how << " " << c.tick;
    }
}

// Both forms keep their design width for a short title and grow, as every
// message box does, when the title needs more room; text and buttons keep
// their place in the middle, and Enter still answers.
TEST(NachrichtenDialog, ALongTitleWidensTheFormsAroundTheirMiddle)
{
    const QString lang = "Fehler beim Ausführen von MainForm.BilderDBFOeffnen in TBilderDBFManagerForm";
    TPromptScript script;
    script.Modal<TMSGDLGForm>([](TMSGDLGForm& f) {
        EXPECT_EQ(f.ClientWidth(), 427);
        EXPECT_EQ(f.BitBtn1->Left(), 172);
        SendKey(f.ClientWidget(), Qt::Key_Return, "\r");
    });
    script.Modal<TMSGDLGForm>([&](TMSGDLGForm& f) {
        EXPECT_GE(f.ClientWidth(), InputTitleWidth(lang));
        EXPECT_EQ(f.Label1->Width(), f.ClientWidth() - 6);
        EXPECT_NEAR(f.BitBtn1->Left() + f.BitBtn1->Width() / 2, f.ClientWidth() / 2, 6);
        SendKey(f.ClientWidget(), Qt::Key_Return, "\r");
    });
    script.Modal<TAntwortDLGForm>([&](TAntwortDLGForm& f) {
        EXPECT_GE(f.ClientWidth(), InputTitleWidth(lang));
        EXPECT_NEAR(f.BitBtnNo->Left() + f.BitBtnNo->Width() / 2, f.ClientWidth() / 2, 12);
        SendKey(f.ClientWidget(), Qt::Key_Return, "\r");
    });
    NachrichtenDialog("Abschlußmeldung", "Fertig !", 0, 120, clWhite, clBlack, true);
    NachrichtenDialog(lang, "Fertig !", 0, 120, clWhite, clBlack, true);
    EXPECT_EQ(AntwortDialog(lang, "Datei ersetzen ?", 160, clWhite, clBlack, true), 6);
}

// The lowest row of a control's picture that holds text (dark pixels), in
// the form's coordinates; -1 when there is none.
static int LetzteTextzeile(TControl* c)
{
    const QImage bild = c->Handle()->grab().toImage();
    for (int y = bild.height() - 1; y >= 0; --y)
        for (int x = 0; x < bild.width(); ++x)
            if (qGray(bild.pixel(x, y)) < 100)
                return c->Top() + y;
    return -1;
}

// A text longer than the room the caller's height leaves above the buttons
// makes the form taller: every line shows above the buttons, which stay
// whole on the form. A text that fits keeps the caller's height.
TEST(NachrichtenDialog, ALongTextMakesTheFormsTallerAboveTheirButtons)
{
    const QString pfad = "Das Fotoalbum C:\\Dokumente und Einstellungen\\Anna\\Eigene Dateien\\Eigene Bilder\\Urlaub "
                         "an der Ostsee 2026\\Rügen und Usedom\\BILDER.DBF wurde geöffnet !";
    struct Fall {
        const char* Name;
        QString Text;
        bool Antwort;  // the answer form, else the message form
        bool Hoeher;
    };
    const Fall faelle[] = {
        {"Meldung, kurz", "Das Fotoalbum C:\\BILDER.DBF wurde geöffnet !", false, false},
        {"Meldung, lang", pfad, false, true},
        {"Antwort, lang", pfad + " " + pfad, true, true},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.Name);
        const auto pruefen = [&](TForm& f, TLabel* text, std::initializer_list<TControl*> unten, int hoehe) {
            f.Show();
            EXPECT_EQ(f.Height() > hoehe, fall.Hoeher) << f.Height();
            const int letzte = LetzteTextzeile(text);
            ASSERT_GT(letzte, text->Top());
            for (TControl* c : unten) {
                EXPECT_LT(letzte, c->Top()) << c->Name.toStdString();
                EXPECT_LE(c->Top() + c->Height(), f.ClientHeight()) << c->Name.toStdString();
            }
            SendKey(f.ClientWidget(), Qt::Key_Return, "\r");
        };
        TPromptScript script;
        if (fall.Antwort) {
            script.Modal<TAntwortDLGForm>([&](TAntwortDLGForm& f) {
                pruefen(f, f.Label1, {f.BitBtnYes, f.BitBtnNo, f.BitBtnAbort, f.CheckBoxAlle}, 160);
            });
            AntwortDialog("Abschlußmeldung", fall.Text, 160, clWhite, clBlack, true);
        } else {
            script.Modal<TMSGDLGForm>([&](TMSGDLGForm& f) { pruefen(f, f.Label1, {f.BitBtn1}, 120); });
            NachrichtenDialog("Abschlußmeldung", fall.Text, 0, 120, clWhite, clBlack, true);
        }
    }
}
