// The application's events as the main window takes them through QKApp1:
// hints about to show (disabled buttons, spoken hints), help requests and
// the program minimised into the desktop's tray with its pop-up menu.

#include "mainwindow/main_form.h"

#include "platform/ui/buttons.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_app.h"
#include "shared/qk_auto_button.h"

#include <QApplication>
#include <QStyle>

void TMainForm::AnwendungsEreignisseAufbauen()
{
    QKApp1 = new TQKApp(this);
    QKApp1->Name = QStringLiteral("QKApp1");
    QKApp1->SetTaskBarPopupMenu(PopupMenu(QStringLiteral("PopupMenuTaskBar")));
    // The tray needs a picture; the program has no icon of its own.
    TIcon icon;
    icon.SetImage(QApplication::style()->standardIcon(QStyle::SP_DirIcon).pixmap(32, 32).toImage());
    QKApp1->SetTaskBarIcon(&icon);
    QKApp1->OnShowHint = [this](QString& s, bool& c, THintInfo& i) { QKApp1ShowHint(s, c, i); };
    QKApp1->OnMinimize = [this](TObject* s) { QKApp1Minimize(s); };
    QKApp1->OnHelp = [this](Word Command, int Data, bool& CallHelp) { return QKApp1Help(Command, Data, CallHelp); };
    QKApp1->Loaded();
}

void TMainForm::QKApp1ShowHint(QString& HintStr, bool& CanShow, THintInfo& HintInfo)
{
    (void)CanShow;
    TControl* c = HintInfo.HintControl;
    if (!c)
        return;
    const bool knopf = dynamic_cast<TQKAutoButton*>(c) || dynamic_cast<TSpeedButton*>(c) || dynamic_cast<TButton*>(c);
    if (knopf && !c->Enabled())
        HintStr = QStringLiteral("Schalter deaktiviert");
    if (Einstellungen().Bool("HintWave"))
        HintWavSpielen(HintTonNummer(c->Tag, c->Hint()));
}

void TMainForm::QKApp1Minimize(TObject* Sender)
{
    (void)Sender;
    QKApp1->TaskBarSetIcon();
}
