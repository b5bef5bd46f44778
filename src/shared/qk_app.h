#pragma once
// TQKApp: the application's events as component events, the application's
// title, help file and icon, the clipboard change notification, and an
// icon in the desktop's notification area (the tray) that hides and shows
// the whole application. TfrmAppInfo shows the version information of the
// program.

#include <QPointer>
#include <exception>
#include <functional>
#include <memory>

#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "platform/ui/ext_ctrls.h"

using TQKAboutString = QString;

using TQKMouseUpEvent = std::function<void(TObject* Sender, TMouseButton Button)>;
using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;

class QSystemTrayIcon;

class TQKApp : public TCustomControl {
public:
    // The owner should be a form; the component is invisible at run time.
    explicit TQKApp(TComponent* AOwner);
    ~TQKApp() override;

    TQKAboutString About_Quillkit() const { return QStringLiteral("13.10.98"); }
    void SetAbout_Quillkit(const TQKAboutString&) {}

    QString HelpFile() const { return helpFile_; }
    void SetHelpFile(const QString& v);
    QString Title() const { return title_; }
    void SetTitle(const QString& v);
    TIcon* Icon() { return &icon_; }
    // A real icon also becomes the application's icon.
    void SetIcon(const TIcon* v);
    TIcon* TaskBarIcon() { return &taskBarIcon_; }
    void SetTaskBarIcon(const TIcon* v);
    // The tray tip: at most 63 characters; the application's title while empty.
    QString TaskBarTip() const;
    void SetTaskBarTip(const QString& v);
    TPopupMenu* TaskBarPopupMenu() const { return popupMenu_; }
    void SetTaskBarPopupMenu(TPopupMenu* v);
    bool TaskBarAutoHide = true;
    bool TaskBarAutoRemove = true;

    TNotifyEvent OnActivate;
    TNotifyEvent OnClipBoardChange;
    TNotifyEvent OnDeactivate;
    TExceptionEvent OnException;
    TNotifyEvent OnHint;
    THelpEvent OnHelp;
    TIdleEvent OnIdle;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
    TShowHintEvent OnShowHint;
    TNotifyEvent OnTaskBarSetIcon;
    TNotifyEvent OnTaskBarRemoveIcon;
    TQKMouseUpEvent OnTaskBarMouseUp;

    void HideApp();
    void ShowApp();
    void TaskBarSetIcon();
    void TaskBarModifyIcon();
    void TaskBarRemoveIcon();
    // Shows the version information of the file (empty: the program).
    void ShowAppInfo(const QString& FileName);

    // A help request of the application (Application->OnHelp): OnHelp's
    // answer, false without a handler.
    bool DoHelp(Word Command, int Data, bool& CallHelp);
    // A mouse button released on the tray icon.
    void TaskBarMouseUp(TMouseButton Button);

    bool TaskBarIconShown() const { return iconShown_; }
    // The icon and tip handed to the tray (the application's icon and
    // title stand in for empty ones).
    QImage TaskBarIconImage() const;
    // True when the desktop's tray holds the icon now; desktops without a
    // tray (and the offscreen platform) have none.
    bool TrayIconVisible() const;

    void Loaded() override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void HookApplication();
    void UnhookApplication();
    QString helpFile_;
    QString title_;
    TIcon icon_;
    TIcon taskBarIcon_;
    QString taskBarTip_;
    TPopupMenu* popupMenu_ = nullptr;
    bool iconShown_ = false;
    std::unique_ptr<QSystemTrayIcon> tray_;
    QMetaObject::Connection clipboardConnection_;
    QMetaObject::Connection idleConnection_;
};

// The modal version dialog "Versionsinformationen".
class TfrmAppInfo : public TForm {
public:
    explicit TfrmAppInfo(TComponent* AOwner);
    // Lists the version values of the file (empty: the program's own).
    void ShowInfo(const QString& FileName);

    TPanel* Panel1;
    TMemo* Memo1;
    TButton* Button1;
};
