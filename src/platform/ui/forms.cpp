#include "platform/ui/forms.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontDatabase>
#include <QIcon>
#include <QPixmap>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "platform/core/event_wait.h"
#include "platform/core/exceptions.h"
#include "platform/ui/menus.h"
#include "platform/ui/prompt_service.h"
#include "platform/ui/std_ctrls.h"
#include "platform/ui/widget_bridge.h"

TApplication* const Application = new TApplication();
TScreen* const Screen = new TScreen();

// ---- TCustomForm ---------------------------------------------------------
TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner)
{
    auto* host = new QWidget(nullptr, Qt::Window);
    host->setAutoFillBackground(true);
    SetHandle(host);
    client_ = new TPaintHost(this, host);
    client_->setAutoFillBackground(false);
    auto* bridge = new TControlBridge(this);
    bridge->setParent(client_);
    client_->installEventFilter(bridge);
    Screen->forms_.push_back(this);
    SetVisible(false);  // a form shows only when asked
    ApplyWindowFlags();
    SetBounds(0, 0, 320, 240);
}

TCustomForm::~TCustomForm()
{
    BeginDestroy();
    if (OnDestroy)
        Application->Guarded(this, [this] { OnDestroy(this); });
    auto& forms = Screen->forms_;
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    if (Application->MainForm == this)
        Application->MainForm = nullptr;
    if (Handle())
        Handle()->hide();
}

void TCustomForm::DoCreate()
{
    if (OnCreate)
        Dispatch([this] { OnCreate(this); });
}

void TCustomForm::Loaded()
{
    for (int i = 0; i < ComponentCount(); ++i)
        Components(i)->Loaded();
    TWinControl::Loaded();
}

int TCustomForm::FrameWidth() const
{
    switch (borderStyle_) {
    case bsNone: return 0;
    case bsSizeable: case bsSizeToolWin: return 4;
    default: return 3;
    }
}

int TCustomForm::CaptionHeight() const
{
    switch (borderStyle_) {
    case bsNone: return 0;
    case bsToolWindow: case bsSizeToolWin: return 16;
    default: return 19;
    }
}

int TCustomForm::ClientWidth() const { return std::max(0, Width() - 2 * FrameWidth()); }

int TCustomForm::ClientHeight() const
{
    int menu = menuBar_ ? menuBar_->sizeHint().height() : 0;
    return std::max(0, Height() - 2 * FrameWidth() - CaptionHeight() - menu);
}

void TCustomForm::ApplyBounds()
{
    QWidget* host = Handle();
    if (!host || !client_)
        return;
    syncing_ = true;
    int f = FrameWidth(), cap = CaptionHeight();
    int w = std::max(1, Width() - 2 * f), h = std::max(1, Height() - 2 * f - cap);
    // The window's limits come first: Qt keeps a new geometry within them.
    bool fixed = borderStyle_ != bsSizeable && borderStyle_ != bsSizeToolWin;
    if (fixed)
        host->setFixedSize(w, h);
    else {
        // Constraints count the frame; the widget is the form's inside.
        const TSizeConstraints* c = Constraints();
        const int fw = 2 * f, fh = 2 * f + cap;
        host->setMinimumSize(c->MinWidth() > 0 ? std::max(0, c->MinWidth() - fw) : 0,
                             c->MinHeight() > 0 ? std::max(0, c->MinHeight() - fh) : 0);
        host->setMaximumSize(c->MaxWidth() > 0 ? std::max(1, c->MaxWidth() - fw) : QWIDGETSIZE_MAX,
                             c->MaxHeight() > 0 ? std::max(1, c->MaxHeight() - fh) : QWIDGETSIZE_MAX);
    }
    host->setGeometry(Left() + f, Top() + f + cap, w, h);
    LayoutClient();
    syncing_ = false;
}

void TCustomForm::LayoutClient()
{
    QWidget* host = Handle();
    int menu = 0;
    if (menuBar_) {
        menu = menuBar_->sizeHint().height();
        menuBar_->setGeometry(0, 0, host->width(), menu);
    }
    client_->setGeometry(0, menu, host->width(), std::max(0, host->height() - menu));
}

void TCustomForm::ApplyWindowFlags()
{
    QWidget* host = Handle();
    Qt::WindowFlags f = Qt::Window;
    switch (borderStyle_) {
    case bsNone: f |= Qt::FramelessWindowHint; break;
    case bsToolWindow: case bsSizeToolWin: f = Qt::Tool; break;
    case bsDialog: f = Qt::Dialog; break;
    default: break;
    }
    if (borderStyle_ != bsNone) {
        f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (borderIcons_.Contains(biSystemMenu))
            f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (borderIcons_.Contains(biMinimize) && borderStyle_ != bsDialog)
            f |= Qt::WindowMinimizeButtonHint;
        if (borderIcons_.Contains(biMaximize) && borderStyle_ != bsDialog)
            f |= Qt::WindowMaximizeButtonHint;
        if (borderIcons_.Contains(biHelp))
            f |= Qt::WindowContextHelpButtonHint;
    }
    if (formStyle_ == fsStayOnTop)
        f |= Qt::WindowStaysOnTopHint;
    bool shown = host->isVisible();
    host->setWindowFlags(f);
    if (shown)
        host->show();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle v)
{
    if (v == borderStyle_)
        return;
    // The client area keeps its size; the outer size follows the frame.
    int cw = ClientWidth(), ch = ClientHeight();
    borderStyle_ = v;
    ApplyWindowFlags();
    SetClientWidth(cw);
    SetClientHeight(ch);
    ApplyBounds();
}

void TCustomForm::SetBorderIcons(TBorderIcons v)
{
    borderIcons_ = v;
    ApplyWindowFlags();
}

void TCustomForm::SetFormStyle(TFormStyle v)
{
    formStyle_ = v;
    ApplyWindowFlags();
}

void TCustomForm::SetWindowState(TWindowState v)
{
    windowState_ = v;
    if (!Handle()->isVisible())
        return;
    if (v == wsMinimized)
        Handle()->showMinimized();
    else if (v == wsMaximized)
        Handle()->showMaximized();
    else
        Handle()->showNormal();
}

void TCustomForm::SetMenu(TMainMenu* m)
{
    if (menu_ == m)
        return;
    if (menu_)
        menu_->RemoveFreeNotification(this);
    menu_ = m;
    delete menuBar_.data();
    if (m) {
        m->FreeNotification(this);
        menuBar_ = new QMenuBar(Handle());
        m->AttachTo(menuBar_);
        menuBar_->show();
    }
    LayoutClient();
    AlignControls();
}

TWinControl* TCustomForm::ActiveControl() const
{
    QWidget* w = QApplication::focusWidget();
    if (w && w->window() == Handle())
        for (; w; w = w->parentWidget())
            if (auto c = dynamic_cast<TWinControl*>(TControl::FromWidget(w)); c && c != this)
                return c;
    return dynamic_cast<TWinControl*>(TControl::FromWidget(activeControl_));
}

void TCustomForm::SetActiveControl(TWinControl* c)
{
    activeControl_ = c ? c->Handle() : nullptr;
    if (c && Handle()->isVisible())
        c->SetFocus();
}

bool TCustomForm::Active() const { return Handle() && Handle()->isActiveWindow(); }

void TCustomForm::TextChanged() { Handle()->setWindowTitle(Caption()); }

void TCustomForm::ColorChanged()
{
    TWinControl::ColorChanged();
    client_->setPalette(Handle()->palette());
}

void TCustomForm::Paint()
{
    if (OnPaint)
        OnPaint(this);
}

void TCustomForm::ApplyVisible()
{
    QWidget* host = Handle();
    if (!host)
        return;
    if (Visible()) {
        if (Position == poScreenCenter || Position == poDesktopCenter || Position == poMainFormCenter ||
            Position == poOwnerFormCenter) {
            TRect area = Position == poDesktopCenter ? Screen->WorkAreaRect() : Rect(0, 0, Screen->Width(), Screen->Height());
            SetBounds(area.Left + (area.Width() - Width()) / 2, area.Top + (area.Height() - Height()) / 2, Width(), Height());
        }
        if (OnShow)
            Dispatch([this] { OnShow(this); });
        if (!Visible() || !CanDispatch())
            return;
        // The form's icon, else the application's.
        const TIcon& icon = !Icon.Empty() ? Icon : Application->Icon;
        if (!icon.Empty())
            host->setWindowIcon(QIcon(QPixmap::fromImage(icon.ToImage())));
        if (windowState_ == wsMinimized)
            host->showMinimized();
        else if (windowState_ == wsMaximized)
            host->showMaximized();
        else
            host->show();
        if (auto c = dynamic_cast<TWinControl*>(TControl::FromWidget(activeControl_)))
            c->SetFocus();
    } else {
        host->hide();
        if (OnHide)
            Dispatch([this] { OnHide(this); });
    }
}

void TCustomForm::Show()
{
    SetVisible(true);
    BringToFront();
}

void TCustomForm::BringToFront()
{
    if (Handle()->isVisible()) {
        if (QGuiApplication::platformName() != "offscreen")  // it cannot stack windows
            Handle()->raise();
        Handle()->activateWindow();
    }
}

bool TCustomForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery)
        Dispatch([&] { OnCloseQuery(this, canClose); });
    return canClose;
}

void TCustomForm::Close()
{
    if (closing_)
        return;
    if (modal_) {
        ModalResult = mrCancel;
        return;
    }
    if (!CloseQuery())
        return;
    TCloseAction action = Application->MainForm == this ? caFree : caHide;
    if (OnClose)
        Dispatch([&] { OnClose(this, action); });
    switch (action) {
    case caNone:
        break;
    case caHide:
        Hide();
        break;
    case caMinimize:
        SetWindowState(wsMinimized);
        break;
    case caFree:
        if (Application->MainForm == this)
            Application->Terminate();
        Hide();
        Release();
        break;
    }
}

void TCustomForm::CloseModal()
{
    if (ModalResult == mrNone)
        return;
    closing_ = true;
    TCloseAction action = caNone;
    if (CloseQuery()) {
        action = caHide;
        if (OnClose)
            Dispatch([&] { OnClose(this, action); });
    }
    closing_ = false;
    if (action == caNone)
        ModalResult = mrNone;
    else if (action == caFree)
        Release();
}

void TCustomForm::Release()
{
    // Deleted once the current event is handled; the widget is the timer's
    // context, so a form freed before then cancels it.
    QTimer::singleShot(0, Handle(), [this] { delete this; });
}

void TCustomForm::BeginModal()
{
    if (Visible() && Handle()->isVisible())
        throw Exception("Ein sichtbares Fenster kann nicht modal gemacht werden");
    ModalResult = mrNone;
    modal_ = true;
    Handle()->setWindowModality(Qt::ApplicationModal);
    SetVisible(true);
    BringToFront();
}

bool TCustomForm::ModalLoop(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    bool timedOut = false;
    // An end of the program asked for closes the form as Cancel does, once:
    // a form that refuses (it keeps input the user has not given up) stays
    // open until the user closes it.
    bool endTried = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (ModalResult == mrNone && !Visible())
            ModalResult = mrCancel;
        if (ModalResult == mrNone && Application->Terminated())
            ModalResult = mrCancel;
        if (ModalResult == mrNone && Application->EndRequested() && !endTried) {
            endTried = true;
            ModalResult = mrCancel;
        }
        if (ModalResult != mrNone)
            CloseModal();
        if (ModalResult != mrNone) {
            loop.quit();
        } else if (timeoutMs >= 0 && clock.elapsed() >= timeoutMs) {
            timedOut = true;
            loop.quit();
        }
    });
    poll.start();
    const TEventWait wait;
    loop.exec();
    return !timedOut;
}

void TCustomForm::EndModal()
{
    modal_ = false;
    SetVisible(false);
    if (Handle())
        Handle()->setWindowModality(Qt::NonModal);
}

TModalResult TCustomForm::ShowModal()
{
    if (Visible() && Handle()->isVisible())
        throw Exception("Ein sichtbares Fenster kann nicht modal gemacht werden");
    return PromptService()->ShowModal(*this);
}

void TCustomForm::DialogKey(Word Key, TShiftState Shift)
{
    if (Key != VK_RETURN && Key != VK_ESCAPE)
        return;
    TButton* target = nullptr;
    if (Key == VK_RETURN)
        if (auto b = dynamic_cast<TButton*>(ActiveControl()))
            target = b;
    std::vector<TWinControl*> stack{this};
    while (!target && !stack.empty()) {
        TWinControl* w = stack.back();
        stack.pop_back();
        for (int i = 0; i < w->ControlCount(); ++i) {
            TControl* c = w->Controls(i);
            if (auto b = dynamic_cast<TButton*>(c); b && b->Visible() && b->Enabled() &&
                                                   ((Key == VK_RETURN && b->Default()) || (Key == VK_ESCAPE && b->Cancel))) {
                target = b;
                break;
            }
            if (auto wc = dynamic_cast<TWinControl*>(c); wc && wc->Visible())
                stack.push_back(wc);
        }
    }
    if (target)
        target->Click();
}

void TCustomForm::ContextHelp(TControl* Control)
{
    if (int context = EffectiveHelpContext(Control ? Control : this))
        Application->HelpContext(context);
}

int EffectiveHelpContext(const TControl* Control)
{
    const TControl* c = Control;
    while (c && c->HelpContext == 0)
        c = c->Parent();
    return c ? c->HelpContext : 0;
}

bool TCustomForm::FormEvent(QObject* watched, QEvent* e)
{
    if (watched != Handle())
        return false;
    switch (e->type()) {
    case QEvent::Close:
        e->ignore();
        Close();
        return true;
    case QEvent::Resize:
    case QEvent::Move:
        if (!syncing_ && Handle()->isVisible()) {
            QRect g = Handle()->geometry();
            int f = FrameWidth(), cap = CaptionHeight();
            StoreBounds(g.x() - f, g.y() - f - cap, g.width() + 2 * f, g.height() + 2 * f + cap);
        }
        if (e->type() == QEvent::Resize) {
            LayoutClient();
            AlignControls();
        }
        return false;
    case QEvent::WindowActivate:
        if (OnActivate)
            OnActivate(this);
        return false;
    case QEvent::WindowDeactivate:
        if (OnDeactivate)
            OnDeactivate(this);
        return false;
    default:
        return false;
    }
}

// ---- TApplication --------------------------------------------------------
TApplication::TApplication() : TComponent(nullptr) {}

QString TApplication::Title() const
{
    if (!title_.isEmpty() || !QCoreApplication::instance())
        return title_;
    return QCoreApplication::applicationName();
}

void TApplication::SetTitle(const QString& v) { title_ = v; }

QString TApplication::ExeName() const
{
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
}

namespace {

// Notes every Esc key press the application sees.
class TEscapeWatcher : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if ((e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) &&
            static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
            if (e->type() == QEvent::KeyPress)
                pressed = true;
            // The poll takes the Esc it answers; every other key goes on
            // to its widget.
            return polling;
        }
        return false;
    }
    bool pressed = false;
    bool polling = false;
};

TEscapeWatcher* EscapeWatcher()
{
    static TEscapeWatcher* watcher = nullptr;
    if (!watcher && QCoreApplication::instance()) {
        watcher = new TEscapeWatcher();
        watcher->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(watcher);
    }
    return watcher;
}

// Counts a running call for as long as it lives.
class TRunning {
public:
    explicit TRunning(int& count) : count_(count) { ++count_; }
    ~TRunning() { --count_; }
    TRunning(const TRunning&) = delete;
    TRunning& operator=(const TRunning&) = delete;

private:
    int& count_;
};

}  // namespace

void TApplication::ProcessMessages()
{
    if (QCoreApplication::instance()) {
        EscapeWatcher();
        const TRunning running(pumps_);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

bool TApplication::EscapePressed()
{
    TEscapeWatcher* w = EscapeWatcher();
    if (!w)
        return endRequested_;
    w->polling = true;
    LetEventsThrough();
    w->polling = false;
    bool pressed = w->pressed;
    w->pressed = false;
    return pressed || endRequested_;
}

bool TApplication::InNestedLoop() const
{
    if (TEventWait::Running() > 0)
        return true;
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (Screen->Forms(i)->Modal())
            return true;
    // The main loop (exec) or, where none runs, the outermost
    // ProcessMessages is the top; anything below it is nested.
    const int loops = QCoreApplication::instance() ? QThread::currentThread()->loopLevel() : 0;
    return loops + pumps_ > 1;
}

void TApplication::Run()
{
    if (!terminated_ && QCoreApplication::instance())
        QApplication::exec();
}

void TApplication::Terminate()
{
    terminated_ = true;
    if (QCoreApplication::instance())
        QCoreApplication::quit();
}

void TApplication::Minimize()
{
    // The main window's own state change reports the minimising (as one
    // the desktop makes does); without it shown, it is reported here.
    bool gemeldet = false;
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (QWidget* w = Screen->Forms(i)->Handle(); w->isVisible() && !w->isMinimized()) {
            gemeldet |= Screen->Forms(i) == MainForm;
            w->showMinimized();
        }
    if (!gemeldet && OnMinimize)
        OnMinimize(this);
}

void TApplication::Restore()
{
    bool gemeldet = false;
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (QWidget* w = Screen->Forms(i)->Handle(); w->isMinimized()) {
            gemeldet |= Screen->Forms(i) == MainForm;
            w->showNormal();
        }
    if (!gemeldet && OnRestore)
        OnRestore(this);
}

void TApplication::BringToFront()
{
    if (MainForm)
        MainForm->BringToFront();
}

void TApplication::HandleException(TObject* Sender, const std::exception& E)
{
    // EAbort is the silent exception: it ends an operation without a message.
    if (dynamic_cast<const EAbort*>(&E))
        return;
    try {
        if (OnException)
            OnException(Sender, E);
        else
            ShowException(E);
    } catch (const std::exception& inner) {
        std::fprintf(stderr, "Ausnahme in der Fehlerbehandlung: %s (%s)\n", inner.what(), E.what());
    } catch (...) {
        std::fprintf(stderr, "Ausnahme in der Fehlerbehandlung: %s\n", E.what());
    }
}

void TApplication::ShowException(const std::exception& E)
{
    auto* ex = dynamic_cast<const Exception*>(&E);
    QString msg = ex ? ex->Message : QString::fromUtf8(E.what());
    if (!msg.isEmpty() && msg.back() > QChar('.'))
        msg += '.';
    TPrompt p;
    p.Kind = TPromptKind::Exception;
    p.Caption = Title();
    p.Text = msg;
    p.DlgType = mtError;
    p.Buttons = {mbOK};
    PromptService()->Show(p, nullptr);
}

void TApplication::Guarded(TObject* Sender, const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const std::exception& e) {
        HandleException(Sender, e);
    } catch (...) {
        HandleException(Sender, EUnknownException());
    }
}

int TApplication::MessageBox(const QString& Text, const QString& Caption, int Flags)
{
    TPrompt p;
    p.Kind = TPromptKind::Box;
    p.Caption = Caption;
    p.Text = Text;
    p.Flags = Flags;
    return PromptService()->Show(p, nullptr);
}

// ---- TScreen -------------------------------------------------------------
TScreen::TScreen() : TComponent(nullptr) {}

void TScreen::SetCursor(TCursor c)
{
    if (c == cursor_)
        return;
    if (cursor_ != crDefault && QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    cursor_ = c;
    if (c != crDefault)
        QGuiApplication::setOverrideCursor(CursorToQCursor(c));
}

int TScreen::Width() const
{
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 800;
}

int TScreen::Height() const
{
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 600;
}

TRect TScreen::WorkAreaRect() const
{
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s)
        return Rect(0, 0, 800, 600);
    QRect r = s->availableGeometry();
    return Bounds(r.x(), r.y(), r.width(), r.height());
}

void TScreen::SetCursors(TCursor index, const QCursor& cursor) { RegisterCursor(index, cursor); }
QCursor TScreen::Cursors(TCursor index) const { return CursorToQCursor(index); }

bool TApplication::HelpCommand(Word Command, int Data)
{
    bool callHelp = true;
    bool handled = false;
    if (OnHelp)
        Guarded(this, [&] { handled = OnHelp(Command, Data, callHelp); });
    // With callHelp still set the help file's viewer would take over; there
    // is none for these files on this platform.
    return handled;
}

void TApplication::SetHint(const QString& v)
{
    if (v == Hint)
        return;
    Hint = v;
    if (OnHint)
        Guarded(this, [this] { OnHint(this); });
}

bool TApplication::ShowHintFor(TControl* Control, TPoint CursorPos, THintInfo& Info)
{
    if (!Control || !ShowHint || !Control->EffectiveShowHint() || Control->Hint().isEmpty())
        return false;
    Info = THintInfo{};
    Info.HintControl = Control;
    Info.CursorPos = CursorPos;
    Info.HintPos = Control->ClientToScreen(CursorPos);
    Info.CursorRect = Control->ClientRect();
    Info.HintColor = HintColor;
    Info.HideTimeout = HintHidePause;
    Info.HintStr = GetShortHint(Control->Hint());
    bool canShow = true;
    if (OnShowHint)
        Guarded(this, [&] { OnShowHint(Info.HintStr, canShow, Info); });
    return canShow && !Info.HintStr.isEmpty();
}

TCustomForm* TScreen::ActiveForm() const
{
    QWidget* w = QApplication::activeWindow();
    return dynamic_cast<TCustomForm*>(TControl::FromWidget(w));
}

QStringList TScreen::Fonts() const { return QFontDatabase::families(); }
