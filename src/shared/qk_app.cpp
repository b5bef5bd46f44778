#include "shared/qk_app.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>

#include "platform/os/folders.h"
#include "platform/os/version_info.h"
#include "shared/qk_form.h"
#include "shared/utility_graphics.h"

namespace {

QIcon ToQIcon(const QImage& img)
{
    return img.isNull() ? QIcon() : QIcon(QPixmap::fromImage(img));
}

}  // namespace

TQKApp::TQKApp(TComponent* AOwner) : TCustomControl(AOwner)
{
    // Forms are built in code, never in a designer: the check is a no-op
    // here and stays for the design state it guards.
    CheckUniqueOnForm(this, false);
    SetBounds(Left(), Top(), 28, 28);
    SetVisible(false);
    HookApplication();
}

TQKApp::~TQKApp()
{
    BeginDestroy();
    QObject::disconnect(clipboardConnection_);
    QObject::disconnect(idleConnection_);
    TaskBarRemoveIcon();
    UnhookApplication();
}

void TQKApp::HookApplication()
{
    Application->OnActivate = [this](TObject* Sender) { if (OnActivate) OnActivate(Sender); };
    Application->OnDeactivate = [this](TObject* Sender) { if (OnDeactivate) OnDeactivate(Sender); };
    Application->OnHint = [this](TObject* Sender) { if (OnHint) OnHint(Sender); };
    Application->OnMinimize = [this](TObject* Sender) { if (OnMinimize) OnMinimize(Sender); };
    Application->OnRestore = [this](TObject* Sender) { if (OnRestore) OnRestore(Sender); };
    Application->OnShowHint = [this](QString& HintStr, bool& CanShow, THintInfo& HintInfo) {
        if (OnShowHint)
            OnShowHint(HintStr, CanShow, HintInfo);
    };
    Application->OnHelp = [this](Word Command, int Data, bool& CallHelp) { return DoHelp(Command, Data, CallHelp); };
    Application->OnException = [this](TObject* Sender, const std::exception& E) {
        if (OnException)
            OnException(Sender, E);
        else
            Application->ShowException(E);
    };
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
        idleConnection_ = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [this] {
            if (OnIdle) {
                bool done = true;
                OnIdle(Application, done);
            }
        });
    }
}

void TQKApp::UnhookApplication()
{
    // The application's events must not call a component that is gone.
    Application->OnActivate = nullptr;
    Application->OnDeactivate = nullptr;
    Application->OnHint = nullptr;
    Application->OnMinimize = nullptr;
    Application->OnRestore = nullptr;
    Application->OnShowHint = nullptr;
    Application->OnHelp = nullptr;
    Application->OnException = nullptr;
}

void TQKApp::Loaded()
{
    TCustomControl::Loaded();
    if (QClipboard* clip = QGuiApplication::clipboard(); clip && !clipboardConnection_)
        clipboardConnection_ = QObject::connect(clip, &QClipboard::dataChanged, [this] {
            if (OnClipBoardChange && CanDispatch())
                Dispatch([this] { OnClipBoardChange(this); });
        });
    if (!icon_.Empty())
        Application->Icon.Assign(&icon_);
}

void TQKApp::SetHelpFile(const QString& v)
{
    helpFile_ = v;
    Application->HelpFile = v;
}

void TQKApp::SetTitle(const QString& v)
{
    title_ = v;
    Application->SetTitle(v);
}

void TQKApp::SetIcon(const TIcon* v)
{
    icon_.Assign(v);
    if (!icon_.Empty())
        Application->Icon.Assign(&icon_);
}

void TQKApp::SetTaskBarIcon(const TIcon* v)
{
    taskBarIcon_.Assign(v);
    TaskBarModifyIcon();
}

QString TQKApp::TaskBarTip() const
{
    return taskBarTip_.isEmpty() ? Application->Title().left(63) : taskBarTip_;
}

void TQKApp::SetTaskBarTip(const QString& v)
{
    taskBarTip_ = v.left(63);  // the tray's tip holds 63 characters
    TaskBarModifyIcon();
}

void TQKApp::SetTaskBarPopupMenu(TPopupMenu* v)
{
    if (popupMenu_)
        popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = v;
    if (v)
        v->FreeNotification(this);
}

void TQKApp::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == popupMenu_)
        popupMenu_ = nullptr;
}

QImage TQKApp::TaskBarIconImage() const
{
    return taskBarIcon_.Empty() ? Application->Icon.ToImage() : taskBarIcon_.ToImage();
}

bool TQKApp::TrayIconVisible() const
{
    return tray_ && tray_->isVisible();
}

void TQKApp::HideApp()
{
    if (Application->MainForm)
        Application->MainForm->Hide();
}

void TQKApp::ShowApp()
{
    Application->Restore();
    if (Application->MainForm) {
        Application->MainForm->Show();
        Application->MainForm->BringToFront();
    }
}

void TQKApp::TaskBarSetIcon()
{
    iconShown_ = true;
    if (!tray_ && QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_ = std::make_unique<QSystemTrayIcon>();
        QObject::connect(tray_.get(), &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason r) {
            if (r == QSystemTrayIcon::Trigger)
                TaskBarMouseUp(mbLeft);
            else if (r == QSystemTrayIcon::Context)
                TaskBarMouseUp(mbRight);
        });
    }
    if (tray_) {
        tray_->setIcon(ToQIcon(TaskBarIconImage()));
        tray_->setToolTip(TaskBarTip());
        tray_->show();
    }
    if (OnTaskBarSetIcon)
        OnTaskBarSetIcon(this);
    // Without a tray there would be no way back to a hidden program.
    if (TaskBarAutoHide && TrayIconVisible())
        HideApp();
}

void TQKApp::TaskBarModifyIcon()
{
    if (!iconShown_ || !tray_)
        return;
    tray_->setIcon(ToQIcon(TaskBarIconImage()));
    tray_->setToolTip(TaskBarTip());
}

void TQKApp::TaskBarRemoveIcon()
{
    if (!iconShown_)
        return;
    iconShown_ = false;
    tray_.reset();
    if (!Destroying() && OnTaskBarRemoveIcon)
        OnTaskBarRemoveIcon(this);
}

void TQKApp::TaskBarMouseUp(TMouseButton Button)
{
    if (Button == mbLeft) {
        if (TaskBarAutoRemove)
            TaskBarRemoveIcon();
        if (TaskBarAutoHide)
            ShowApp();
    } else if (Button == mbRight) {
        if (popupMenu_) {
            QPoint p = QCursor::pos();
            popupMenu_->Popup(p.x(), p.y());
        }
    } else {
        return;
    }
    if (OnTaskBarMouseUp)
        OnTaskBarMouseUp(this, Button);
}

bool TQKApp::DoHelp(Word Command, int Data, bool& CallHelp)
{
    return OnHelp ? OnHelp(Command, Data, CallHelp) : false;
}

void TQKApp::ShowAppInfo(const QString& FileName)
{
    TfrmAppInfo form(nullptr);
    form.ShowInfo(FileName);
    form.ShowModal();
}

TfrmAppInfo::TfrmAppInfo(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Versionsinformationen");
    Position = poScreenCenter;
    SetBounds(Left(), Top(), 460, 360);
    auto* qkForm = new TQKForm(this);
    qkForm->SetFormMinWidth(460);
    qkForm->SetFormMinHeight(360);

    Panel1 = new TPanel(this);
    Panel1->SetParent(this);
    Panel1->SetHeight(41);
    Panel1->SetAlign(alBottom);
    Panel1->SetBevelOuter(bvNone);
    Button1 = new TButton(this);
    Button1->SetParent(Panel1);
    Button1->SetCaption("OK");
    Button1->ModalResult = mrOk;
    Button1->SetDefault(true);
    Button1->SetBounds(0, 8, 75, 25);
    // The button stays in the middle of its panel when the form is sized.
    Panel1->OnResize = [this](TObject*) { Button1->SetLeft((Panel1->Width() - Button1->Width()) / 2); };

    Memo1 = new TMemo(this);
    Memo1->SetParent(this);
    Memo1->SetAlign(alClient);
    Memo1->SetScrollBars(ssVertical);
    Memo1->SetReadOnly(true);
    Memo1->Font()->SetName("Courier New");  // the labels line up in a fixed-pitch font

    Loaded();
    Button1->SetLeft((Panel1->Width() - Button1->Width()) / 2);
    DoCreate();
}

void TfrmAppInfo::ShowInfo(const QString& FileName)
{
    const QString name = FileName.isEmpty() ? ProgramFileName() : FileName;
    TVersionType v;
    ReadVersionInfo(FileName, v);
    // The text is set at once: the memo's lines keep the empty line then.
    const QStringList lines = {
        " CurrentFileName: " + name,
        QString(),
        "     CompanyName: " + v.CompanyName,
        " FileDescription: " + v.FileDescription,
        "     FileVersion: " + v.FileVersion,
        "    InternalName: " + v.InternalName,
        "  LegalCopyright: " + v.LegalCopyright,
        " LegalTradeMarks: " + v.LegalTradeMarks,
        "OriginalFileName: " + v.OriginalFileName,
        "     ProductName: " + v.ProductName,
        "  ProductVersion: " + v.ProductVersion,
        "        Comments: " + v.Comments,
    };
    Memo1->SetText(lines.join('\n'));
}
