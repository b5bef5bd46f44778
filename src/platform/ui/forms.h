#pragma once
// Forms with modal results, the application object and the screen.

#include <QPointer>
#include <exception>
#include <functional>
#include <vector>

#include "platform/ui/control.h"

class QMenuBar;
class TMainMenu;
class TButton;

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    QWidget* ClientWidget() const override { return client_; }
    int ClientWidth() const override;
    int ClientHeight() const override;
    TCanvas* Canvas() override { return &canvas_; }

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle v);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons v);
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle v);
    TPosition Position = poDesigned;
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState v);
    bool KeyPreview = false;
    TModalResult ModalResult = mrNone;
    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* m);
    TWinControl* ActiveControl() const;
    void SetActiveControl(TWinControl* c);
    TIcon Icon;
    bool Active() const;
    bool Modal() const { return modal_; }

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseQueryEvent OnCloseQuery;
    TCloseEvent OnClose;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnPaint;

    // Fires OnCreate; a form built in code calls it at the end of its
    // constructor, after Loaded.
    void DoCreate();
    // Tells every owned component that the form is built, then aligns.
    void Loaded() override;
    // Shows the form modally through the prompt service and returns its
    // modal result.
    TModalResult ShowModal();
    void Show();
    void Close();
    bool CloseQuery();
    // Frees the form once the current event is handled.
    void Release();
    void BringToFront();

    // The pieces of a modal run, used by the prompt services: BeginModal
    // shows the form, ModalLoop lets events run until a modal result stands
    // (false when timeoutMs passed first; -1 waits for ever), EndModal
    // hides it.
    void BeginModal();
    bool ModalLoop(int timeoutMs);
    void EndModal();
    // Asks OnCloseQuery and OnClose once a modal result is set; a refusal
    // puts the modal result back to 0.
    void CloseModal();

    // The frame the window system adds, in pixels; Width and Height
    // include it, as the framework's window sizes do.
    int FrameWidth() const;
    int CaptionHeight() const;

    void Paint() override;
    // Enter and Esc that no control took: the default and cancel buttons.
    virtual void DialogKey(Word Key, TShiftState Shift);
    // F1 that no control took: the help context of Control, else of its
    // nearest parent with one, goes to Application->HelpContext.
    void ContextHelp(TControl* Control);
    // Window events of the form's widget; true when handled.
    bool FormEvent(QObject* watched, QEvent* e);

protected:
    void ApplyBounds() override;
    void ApplyVisible() override;
    void TextChanged() override;
    void ColorChanged() override;
    void ApplyWindowFlags();
    void LayoutClient();

private:
    QWidget* client_ = nullptr;
    QPointer<QMenuBar> menuBar_;
    TCanvas canvas_;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
    TFormStyle formStyle_ = fsNormal;
    TWindowState windowState_ = wsNormal;
    TMainMenu* menu_ = nullptr;
    QPointer<QWidget> activeControl_;
    bool modal_ = false;
    bool closing_ = false;
    bool syncing_ = false;
};

class TForm : public TCustomForm {
public:
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

// The help context of a control, else of its nearest parent with one; 0
// when none has one.
int EffectiveHelpContext(const TControl* Control);

// The form a control stands on, nullptr when none.
inline TCustomForm* GetParentForm(const TControl* Control) { return Control ? Control->ParentForm() : nullptr; }

// What the application knows about a hint that is about to show; the
// OnShowHint handler may change the text, the place and the times.
struct THintInfo {
    TControl* HintControl = nullptr;
    TPoint CursorPos{};   // in the control's coordinates
    TPoint HintPos{};     // on the screen, where the hint shows
    TRect CursorRect{};   // the control's client area: the hint stays while the cursor is in it
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    int ReshowTimeout = 0;
    int HideTimeout = 0;  // ms; 0: the application's HintHidePause
    QString HintStr;
};
using TShowHintEvent = std::function<void(QString& HintStr, bool& CanShow, THintInfo& HintInfo)>;

class TApplication : public TComponent {
public:
    TApplication();

    QString Title() const;
    void SetTitle(const QString& v);
    QString HelpFile;
    TIcon Icon;
    QString ExeName() const;
    TCustomForm* MainForm = nullptr;

    void ProcessMessages();
    // Lets pending events run and tells whether Esc was pressed since the
    // last call (for loops that poll the queue for Esc). While an end of the
    // program is asked for it answers true: the loop stops as Esc stops it.
    bool EscapePressed();
    // True while events run inside a handler: a modal form's run, a wait
    // that lets events through (TEventWait: an EscapePressed poll, a
    // dialog's own loop, a sound played to its end, a program waited for),
    // or a ProcessMessages below the main loop (or below another
    // ProcessMessages, where no main loop runs). Work that must not run
    // under a handler's frames (the end of the program) waits until this
    // is false again.
    bool InNestedLoop() const;
    // Set while a long operation of the program runs; commands take a
    // TBusyGuard on it, so a click that arrives during the operation's
    // ProcessMessages does not start a second one.
    bool LongOperation = false;
    // Runs the message loop until Terminate.
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Test programs run many main windows one after another in one process:
    // a window that ended the program must not end the next test's work.
    void ClearTerminated()
    {
        terminated_ = false;
        endRequested_ = false;
    }
    // The program is to end once control is back in the main loop: until
    // ClearEndRequest, every modal form and dialog closes as its Cancel
    // would close it, and EscapePressed answers true, so the handlers that
    // run return to the main loop.
    void RequestEnd() { endRequested_ = true; }
    bool EndRequested() const { return endRequested_; }
    void ClearEndRequest() { endRequested_ = false; }
    void Minimize();
    void Restore();
    void BringToFront();

    // The last-chance handler: OnException when set, else ShowException.
    std::function<void(TObject* Sender, const std::exception& E)> OnException;
    void HandleException(TObject* Sender, const std::exception& E);
    void ShowException(const std::exception& E);
    // Runs fn; an exception that escapes it goes to HandleException
    // instead of leaving the event loop.
    void Guarded(TObject* Sender, const std::function<void()>& fn);

    // The Windows message box through the prompt service (MB_ flags,
    // ID results).
    int MessageBox(const QString& Text, const QString& Caption, int Flags = MB_OK);

    // Help requests: OnHelp answers them first; with CallHelp left true the
    // help file would be shown, which this platform cannot do (help files of
    // the Windows help system have no viewer here), so only OnHelp's answer
    // counts. HelpContext asks for a topic (HELP_CONTEXT), F1 on a control
    // with a HelpContext comes here too.
    THelpEvent OnHelp;
    bool HelpCommand(Word Command, int Data);
    bool HelpContext(int Context) { return HelpCommand(HELP_CONTEXT, Context); }

    bool ShowHint = true;
    int HintPause = 500;
    int HintShortPause = 50;
    int HintHidePause = 2500;
    TColor HintColor = clInfoBk;
    // The long part of the hint of the control under the mouse; setting it
    // fires OnHint (the status line shows it).
    QString Hint;
    void SetHint(const QString& v);
    TNotifyEvent OnHint;
    // Asked before a control's hint shows (its short part in HintStr).
    TShowHintEvent OnShowHint;
    // The hint of a control at a point of it (control coordinates), with
    // OnShowHint asked; false when no hint is to show (hints off, the
    // control shows none, or the handler said no). HintStr of info holds
    // the text to show.
    bool ShowHintFor(TControl* Control, TPoint CursorPos, THintInfo& Info);
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;

    // Creates a form owned by the application; the first becomes MainForm.
    template <typename F>
    void CreateForm(F*& Reference)
    {
        Reference = new F(this);
        if (!MainForm)
            MainForm = Reference;
    }

private:
    QString title_;
    bool terminated_ = false;
    bool endRequested_ = false;
    int pumps_ = 0;   // ProcessMessages calls running
};

class TScreen : public TComponent {
public:
    TScreen();
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c);
    int Width() const;
    int Height() const;
    int PixelsPerInch() const { return 96; }
    TRect WorkAreaRect() const;
    int WorkAreaLeft() const { return WorkAreaRect().Left; }
    int WorkAreaTop() const { return WorkAreaRect().Top; }
    int WorkAreaWidth() const { return WorkAreaRect().Width(); }
    int WorkAreaHeight() const { return WorkAreaRect().Height(); }
    int FormCount() const { return int(forms_.size()); }
    TCustomForm* Forms(int i) const { return forms_.at(size_t(i)); }
    TCustomForm* ActiveForm() const;
    QStringList Fonts() const;
    // The program's own cursors by positive number (Screen.Cursors[i] := ...).
    void SetCursors(TCursor index, const QCursor& cursor);
    QCursor Cursors(TCursor index) const;

private:
    friend class TCustomForm;
    std::vector<TCustomForm*> forms_;
    TCursor cursor_ = crDefault;
};

// Refuses to re-enter a long operation: the flag is set while the guard
// lives; a second guard on the same flag does not enter.
class TBusyGuard {
public:
    explicit TBusyGuard(bool& busy) : busy_(busy), entered_(!busy) { if (entered_) busy_ = true; }
    ~TBusyGuard() { if (entered_) busy_ = false; }
    TBusyGuard(const TBusyGuard&) = delete;
    TBusyGuard& operator=(const TBusyGuard&) = delete;
    bool Entered() const { return entered_; }

private:
    bool& busy_;
    bool entered_;
};

// The program-wide objects; they live for the whole run.
extern TApplication* const Application;
extern TScreen* const Screen;

// The message loop's last chance for an exception that is not a
// std::exception.
class EUnknownException : public std::exception {
public:
    const char* what() const noexcept override { return "Unbekannte Ausnahme"; }
};
