// The application's help requests and hint timing, and the print setup
// dialog through the prompt service.

#include <QApplication>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "platform/core/event_wait.h"
#include "platform/ui/framework.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/test_input.h"

namespace {

struct THelpCall {
    Word Command;
    int Data;
};

// Records the help requests while it lives; answers with CallHelp false.
struct THelpRecorder {
    THelpRecorder()
    {
        Application->OnHelp = [this](Word Command, int Data, bool& CallHelp) {
            EXPECT_TRUE(CallHelp);  // the help system is asked unless the handler says no
            calls.push_back({Command, Data});
            CallHelp = false;
            return true;
        };
    }
    ~THelpRecorder() { Application->OnHelp = nullptr; }
    std::vector<THelpCall> calls;
};

// Lets events run until done() or ms passed; true when done.
template <typename F>
bool WaitFor(F done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// Where the application stands: the outermost ProcessMessages (a test's
// stand-in for the main loop) is the top; a ProcessMessages below it, an
// EscapePressed poll, a wait that lets events through and a modal form's
// run are loops inside a handler.
TEST(Application, TellsWhetherEventsRunInsideAHandler)
{
    EXPECT_FALSE(Application->InNestedLoop());
    std::vector<std::pair<const char*, bool>> gesehen;
    const auto nachsehen = [&](const char* wo) { gesehen.emplace_back(wo, Application->InNestedLoop()); };

    QTimer::singleShot(0, [&] {
        nachsehen("oben");
        QTimer::singleShot(0, [&] { nachsehen("ProcessMessages darunter"); });
        Application->ProcessMessages();
        QTimer::singleShot(0, [&] { nachsehen("EscapePressed"); });
        Application->EscapePressed();
        QTimer::singleShot(0, [&] { nachsehen("LetEventsThrough"); });
        LetEventsThrough();
    });
    Application->ProcessMessages();

    TForm form(nullptr);
    form.BeginModal();
    nachsehen("modales Fenster");
    form.EndModal();
    nachsehen("danach");

    const std::vector<std::pair<const char*, bool>> erwartet = {{"oben", false},
                                                                {"ProcessMessages darunter", true},
                                                                {"EscapePressed", true},
                                                                {"LetEventsThrough", true},
                                                                {"modales Fenster", true},
                                                                {"danach", false}};
    EXPECT_EQ(gesehen, erwartet);
}

// An end asked for closes a modal form's run as Cancel does, once: a form
// that refuses to close stays open until its user closes it; and a poll
// for Esc answers true, so long loops stop as Esc stops them.
TEST(Application, AnEndAskedForClosesModalRunsAndStopsEscPolls)
{
    Application->RequestEnd();
    EXPECT_TRUE(Application->EscapePressed());

    TForm form(nullptr);
    int gefragt = 0;
    bool schliessenErlaubt = true;
    form.OnCloseQuery = [&](TObject*, bool& CanClose) {
        ++gefragt;
        CanClose = schliessenErlaubt;
    };
    form.BeginModal();
    EXPECT_TRUE(form.ModalLoop(10000));
    EXPECT_EQ(form.ModalResult, mrCancel);
    form.EndModal();
    EXPECT_EQ(gefragt, 1);

    // Refused: asked once, then the form waits for its user.
    schliessenErlaubt = false;
    gefragt = 0;
    form.BeginModal();
    EXPECT_FALSE(form.ModalLoop(100));
    EXPECT_EQ(form.ModalResult, mrNone);
    form.EndModal();
    EXPECT_EQ(gefragt, 1);

    Application->ClearEndRequest();
    EXPECT_FALSE(Application->EscapePressed());
    schliessenErlaubt = true;
    form.BeginModal();
    EXPECT_FALSE(form.ModalLoop(30));
    form.EndModal();
}

}  // namespace

TEST(Help, HelpContextAndCommandReachOnHelp)
{
    EXPECT_FALSE(Application->HelpContext(10));  // nobody answers: not handled
    THelpRecorder help;
    EXPECT_TRUE(Application->HelpContext(42));
    EXPECT_TRUE(Application->HelpCommand(HELP_CONTENTS, 0));
    ASSERT_EQ(help.calls.size(), 2u);
    EXPECT_EQ(help.calls[0].Command, HELP_CONTEXT);
    EXPECT_EQ(help.calls[0].Data, 42);
    EXPECT_EQ(help.calls[1].Command, HELP_CONTENTS);
    // An exception in the handler goes to the last-chance handler.
    QString shown;
    Application->OnException = [&](TObject*, const std::exception& E) { shown = E.what(); };
    Application->OnHelp = [](Word, int, bool&) -> bool { throw std::runtime_error("Hilfe kaputt"); };
    EXPECT_FALSE(Application->HelpContext(1));
    EXPECT_EQ(shown, "Hilfe kaputt");
    Application->OnException = nullptr;
}

TEST(Help, F1AsksForTheContextOfTheControlOrItsNearestParent)
{
    TForm form(nullptr);
    form.HelpContext = 100;
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->HelpContext = 200;
    auto* inPanel = new TEdit(&form);
    inPanel->SetParent(panel);
    auto* own = new TEdit(&form);
    own->SetParent(panel);
    own->HelpContext = 300;
    auto* onForm = new TButton(&form);
    onForm->SetParent(&form);
    form.Show();
    THelpRecorder help;
    lxui_test::SendKey(own->Handle(), Qt::Key_F1);
    lxui_test::SendKey(inPanel->Handle(), Qt::Key_F1);
    lxui_test::SendKey(onForm->Handle(), Qt::Key_F1);
    ASSERT_EQ(help.calls.size(), 3u);
    EXPECT_EQ(help.calls[0].Data, 300);
    EXPECT_EQ(help.calls[1].Data, 200);
    EXPECT_EQ(help.calls[2].Data, 100);
    for (const THelpCall& c : help.calls)
        EXPECT_EQ(c.Command, HELP_CONTEXT);
    // A help button asks for its own or its parent's context; with none it
    // is an ordinary button.
    auto* helpButton = new TBitBtn(&form);
    helpButton->SetParent(panel);
    helpButton->SetKind(bkHelp);
    int clicks = 0;
    helpButton->OnClick = [&](TObject*) { ++clicks; };
    helpButton->Click();
    ASSERT_EQ(help.calls.size(), 4u);
    EXPECT_EQ(help.calls[3].Data, 200);
    EXPECT_EQ(clicks, 0);
    help.calls.pop_back();
    // A key handler that takes F1 keeps it from help; without any context
    // nothing is asked.
    own->OnKeyDown = [](TObject*, Word& Key, TShiftState) { if (Key == VK_F1) Key = 0; };
    lxui_test::SendKey(own->Handle(), Qt::Key_F1);
    form.HelpContext = 0;
    panel->HelpContext = 0;
    lxui_test::SendKey(inPanel->Handle(), Qt::Key_F1);
    helpButton->Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(help.calls.size(), 3u);
}

TEST(Help, MessageDialogCarriesItsHelpTopic)
{
    TPromptScript script;
    script.Answer(mrYes, "Weiter?").Answer(mrOk, "Fertig");
    EXPECT_EQ(MessageDlg("Weiter?", mtConfirmation, TMsgDlgButtons{mbYes, mbNo, mbHelp}, 77), mrYes);
    ShowMessage("Fertig");
    ASSERT_EQ(script.Records().size(), 2u);
    EXPECT_EQ(script.Records()[0].HelpContext, 77);
    EXPECT_TRUE(script.Records()[0].Buttons.Contains(mbHelp));
    EXPECT_EQ(script.Records()[1].HelpContext, 0);
}

TEST(Hints, PauseIsTheTooltipWakeUpDelayAndHidePauseEndsTheHint)
{
    const int pause = Application->HintPause, hide = Application->HintHidePause;
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->SetHint("Kurz|Lang");
    button->SetShowHint(true);
    form.Show();
    form.Handle()->setAttribute(Qt::WA_AlwaysShowToolTips);
    for (int ms : {500, 1234, 0}) {
        Application->HintPause = ms;
        EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, button->Handle()), ms);
    }

    // Qt's wake-up timer waits that delay on a resting mouse (only real
    // mouse moves start it); the hint it asks for shows the short part and
    // goes after HintHidePause, far sooner than Qt's own time (10 s).
    Application->HintHidePause = 300;
    QWidget* w = button->Handle();
    QPoint at(5, 5);
    WaitFor([] { return false; }, 100);  // the shown form settles first
    QHelpEvent show(QEvent::ToolTip, at, w->mapToGlobal(at));
    QElapsedTimer t;
    t.start();
    QApplication::sendEvent(w, &show);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "Kurz");
    EXPECT_TRUE(WaitFor([] { return !QToolTip::isVisible(); }, 5000));
    EXPECT_GE(t.elapsed(), 250);
    EXPECT_LT(t.elapsed(), 4000);

    // No hint without ShowHint.
    button->SetShowHint(false);
    QHelpEvent tip(QEvent::ToolTip, at, w->mapToGlobal(at));
    QApplication::sendEvent(w, &tip);
    EXPECT_FALSE(QToolTip::isVisible());
    Application->HintPause = pause;
    Application->HintHidePause = hide;
}

// The application is asked before a control's hint shows: it learns the
// control and the point, may change the text and may refuse the hint.
TEST(Hints, OnShowHintSeesTheControlAndDecidesTextAndShowing)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->SetBounds(10, 10, 80, 24);
    button->SetHint("Kurz|Lang");
    button->SetShowHint(true);
    button->SetEnabled(false);
    form.Show();
    form.Handle()->setAttribute(Qt::WA_AlwaysShowToolTips);
    TControl* gesehen = nullptr;
    TPoint punkt{};
    bool zeigen = true;
    Application->OnShowHint = [&](QString& text, bool& canShow, THintInfo& info) {
        gesehen = info.HintControl;
        punkt = info.CursorPos;
        EXPECT_EQ(text, "Kurz");
        EXPECT_EQ(info.HintStr, "Kurz");
        text = "Schalter deaktiviert";
        canShow = zeigen;
    };
    QWidget* w = button->Handle();
    const QPoint at(5, 6);
    QHelpEvent tip(QEvent::ToolTip, at, w->mapToGlobal(at));
    QApplication::sendEvent(w, &tip);
    EXPECT_EQ(gesehen, button);
    EXPECT_EQ(punkt.X, 5);
    EXPECT_EQ(punkt.Y, 6);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "Schalter deaktiviert");

    zeigen = false;
    THintInfo info;
    EXPECT_FALSE(Application->ShowHintFor(button, Point(1, 1), info));
    zeigen = true;
    EXPECT_TRUE(Application->ShowHintFor(button, Point(1, 1), info));
    Application->ShowHint = false;  // hints off: the handler is not even asked
    gesehen = nullptr;
    EXPECT_FALSE(Application->ShowHintFor(button, Point(1, 1), info));
    EXPECT_EQ(gesehen, nullptr);
    Application->ShowHint = true;
    Application->OnShowHint = nullptr;
    QToolTip::hideText();
}

// Minimising and restoring the main window report to the application once,
// whether the program or the desktop does it.
TEST(Application, MinimiseAndRestoreOfTheMainWindowAreReportedOnce)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    form.Show();
    TCustomForm* vorher = Application->MainForm;
    Application->MainForm = &form;
    int minimiert = 0, wieder = 0;
    Application->OnMinimize = [&](TObject*) { ++minimiert; };
    Application->OnRestore = [&](TObject*) { ++wieder; };
    Application->Minimize();
    EXPECT_EQ(minimiert, 1);
    Application->Restore();
    EXPECT_EQ(wieder, 1);
    form.Handle()->showMinimized();  // as the desktop does
    EXPECT_EQ(minimiert, 2);
    form.Handle()->showNormal();
    EXPECT_EQ(wieder, 2);
    Application->OnMinimize = nullptr;
    Application->OnRestore = nullptr;
    Application->MainForm = vorher;
}

TEST(PrinterSetup, TheScriptChoosesPaperAndOrientationForThePrinter)
{
    Printer()->setPageSize(QPageSize(QPageSize::A4));
    Printer()->setPageOrientation(QPageLayout::Portrait);
    TPrinterSetupDialog dialog(nullptr);
    {
        TPromptScript script;
        script.AnswerValue("Printer=\nPaper=A5\nOrientation=Landscape");
        EXPECT_TRUE(dialog.Execute());
        ASSERT_EQ(script.Records().size(), 1u);
        EXPECT_EQ(script.Records()[0].Kind, TPromptKind::PrinterSetup);
        EXPECT_EQ(script.Records()[0].Caption, "Druckereinrichtung");
        // The prompt shows the settings in use.
        EXPECT_TRUE(script.Records()[0].Value.contains("Paper=A4"));
        EXPECT_TRUE(script.Records()[0].Value.contains("Orientation=Portrait"));
    }
    EXPECT_EQ(Printer()->pageLayout().pageSize().id(), QPageSize::A5);
    EXPECT_EQ(Printer()->pageLayout().orientation(), QPageLayout::Landscape);
    {
        // Cancel changes nothing; unknown values are left alone.
        TPromptScript script;
        script.Answer(TPromptKind::PrinterSetup, mrCancel);
        EXPECT_FALSE(dialog.Execute());
    }
    ApplyPrinterSetupText(*Printer(), "Printer=Gibt es nicht\nPaper=Unsinn\nOrientation=Schief\nFarbe=Rot");
    EXPECT_EQ(Printer()->pageLayout().pageSize().id(), QPageSize::A5);
    EXPECT_EQ(Printer()->pageLayout().orientation(), QPageLayout::Landscape);
    const QString text = PrinterSetupText(*Printer());
    EXPECT_TRUE(text.contains("Paper=A5"));
    EXPECT_TRUE(text.contains("Orientation=Landscape"));
    EXPECT_FALSE(text.contains("Gibt es nicht"));
}
