// TQKApp: properties that reach the application, the relayed application
// events, the clipboard notice, the tray icon's life (the offscreen
// platform has no tray) and the version dialog.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QEventLoop>
#include <QTimer>

#include <utility>
#include <vector>

#include "platform/core/exceptions.h"
#include "platform/os/folders.h"
#include "platform/ui/menus.h"
#include "platform/ui/prompt_script.h"
#include "shared/qk_app.h"

namespace {

QString BuildFile(const char* name)
{
    return QCoreApplication::applicationDirPath() + "/" + name;
}

struct AppFixture : ::testing::Test {
    AppFixture()
    {
        savedTitle = Application->Title();
        savedMain = Application->MainForm;
        Application->MainForm = &form;
        app = new TQKApp(&form);
        form.Loaded();
        form.Show();
        Application->ProcessMessages();
    }
    ~AppFixture() override
    {
        delete app;
        form.Hide();
        Application->MainForm = savedMain;
        Application->SetTitle(savedTitle);
    }
    TForm form{nullptr};
    TQKApp* app;
    QString savedTitle;
    TCustomForm* savedMain;
};

TEST_F(AppFixture, PropertiesReachTheApplication)
{
    EXPECT_FALSE(app->Visible());
    EXPECT_EQ(app->Width(), 28);
    EXPECT_TRUE(app->TaskBarAutoHide);
    EXPECT_TRUE(app->TaskBarAutoRemove);
    EXPECT_EQ(app->About_Quillkit(), "13.10.98");

    app->SetTitle("QV-Lumadex Test");
    EXPECT_EQ(Application->Title(), "QV-Lumadex Test");
    app->SetHelpFile("LUMADEX.HLP");
    EXPECT_EQ(Application->HelpFile, "LUMADEX.HLP");

    TIcon icon;
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::red);
    icon.SetImage(img);
    app->SetIcon(&icon);
    EXPECT_EQ(Application->Icon.ToImage().pixel(3, 3), qRgb(255, 0, 0));
    TIcon empty;
    app->SetIcon(&empty);  // no icon: the application keeps its own
    EXPECT_FALSE(Application->Icon.Empty());
}

TEST_F(AppFixture, TrayTipIsTheTitleWhileEmptyAndAtMost63Characters)
{
    Application->SetTitle("QV-Lumadex v1.50");
    EXPECT_EQ(app->TaskBarTip(), "QV-Lumadex v1.50");
    app->SetTaskBarTip(QString(80, 'x'));
    EXPECT_EQ(app->TaskBarTip(), QString(63, 'x'));
    app->SetTaskBarTip("Bildarchiv");
    EXPECT_EQ(app->TaskBarTip(), "Bildarchiv");
}

TEST_F(AppFixture, TrayIconLifeWithoutATray)
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "this desktop has a tray";
    int sets = 0, removes = 0;
    std::vector<TMouseButton> ups;
    app->OnTaskBarSetIcon = [&](TObject*) { ++sets; };
    app->OnTaskBarRemoveIcon = [&](TObject*) { ++removes; };
    app->OnTaskBarMouseUp = [&](TObject*, TMouseButton b) { ups.push_back(b); };

    app->TaskBarSetIcon();
    EXPECT_TRUE(app->TaskBarIconShown());
    EXPECT_EQ(sets, 1);
    EXPECT_FALSE(app->TrayIconVisible());
    // No tray to come back from: the program is not hidden.
    EXPECT_TRUE(form.Handle()->isVisible());

    // Right click: the popup menu at the cursor.
    TPopupMenu menu(nullptr);
    auto* item = new TMenuItem(&menu);
    item->SetCaption("Wiederherstellen");
    menu.Items()->Add(item);
    app->SetTaskBarPopupMenu(&menu);
    app->TaskBarMouseUp(mbRight);
    EXPECT_TRUE(menu.Menu()->isVisible());
    menu.Menu()->hide();
    EXPECT_TRUE(app->TaskBarIconShown());

    // Left click with auto-remove and auto-hide: icon gone, program shown.
    form.Hide();
    app->TaskBarMouseUp(mbLeft);
    EXPECT_FALSE(app->TaskBarIconShown());
    EXPECT_EQ(removes, 1);
    EXPECT_TRUE(form.Handle()->isVisible());
    EXPECT_EQ(ups, (std::vector<TMouseButton>{mbRight, mbLeft}));

    app->TaskBarRemoveIcon();  // not shown: nothing
    EXPECT_EQ(removes, 1);

    // A menu that goes away is forgotten.
    app->SetTaskBarPopupMenu(nullptr);
}

TEST_F(AppFixture, HideAndShowTheProgram)
{
    app->HideApp();
    EXPECT_FALSE(form.Handle()->isVisible());
    app->ShowApp();
    EXPECT_TRUE(form.Handle()->isVisible());
}

TEST_F(AppFixture, DestroyingRemovesTheIconSilentlyAndUnhooksTheApplication)
{
    int removes = 0;
    app->OnTaskBarRemoveIcon = [&](TObject*) { ++removes; };
    app->TaskBarSetIcon();
    delete app;
    app = nullptr;
    EXPECT_EQ(removes, 0);
    EXPECT_FALSE(bool(Application->OnHint));
    EXPECT_FALSE(bool(Application->OnException));
    EXPECT_FALSE(bool(Application->OnHelp));
    Application->SetHint("nach dem Ende");  // must not reach the gone component
}

TEST_F(AppFixture, RelaysTheApplicationsEvents)
{
    int hints = 0, minimizes = 0, restores = 0;
    app->OnHint = [&](TObject*) { ++hints; };
    app->OnMinimize = [&](TObject*) { ++minimizes; };
    app->OnRestore = [&](TObject*) { ++restores; };
    Application->SetHint("Ein Hinweis");
    EXPECT_GE(hints, 1);
    Application->OnMinimize(Application);
    Application->Restore();
    EXPECT_EQ(minimizes, 1);
    EXPECT_EQ(restores, 1);

    // Without a handler an exception goes to the standard display.
    {
        TPromptScript script;
        script.Answer(TPromptKind::Exception, mrOk, "Kaputt");
        Application->HandleException(Application, Exception("Kaputt"));
    }
    std::string seen;
    app->OnException = [&](TObject*, const std::exception& E) { seen = E.what(); };
    Application->HandleException(Application, Exception("Auch kaputt"));
    EXPECT_EQ(seen, "Auch kaputt");

    bool callHelp = true;
    EXPECT_FALSE(app->DoHelp(0, 0, callHelp));  // no handler: false
    app->OnHelp = [](Word, int, bool& call) { call = false; return true; };
    EXPECT_TRUE(app->DoHelp(0, 0, callHelp));
    EXPECT_FALSE(callHelp);
}

TEST_F(AppFixture, HelpRequestsOfTheApplicationReachOnHelp)
{
    EXPECT_FALSE(Application->HelpContext(42));  // no handler yet: not handled
    std::vector<std::pair<Word, int>> seen;
    app->OnHelp = [&](Word Command, int Data, bool& CallHelp) {
        seen.emplace_back(Command, Data);
        CallHelp = false;
        return Data == 42;
    };
    EXPECT_TRUE(Application->HelpContext(42));
    EXPECT_FALSE(Application->HelpCommand(HELP_CONTENTS, 0));  // the handler's answer counts
    EXPECT_EQ(seen, (std::vector<std::pair<Word, int>>{{HELP_CONTEXT, 42}, {HELP_CONTENTS, 0}}));
}

TEST_F(AppFixture, ClipboardChangeFiresOnClipBoardChange)
{
    int changes = 0;
    app->OnClipBoardChange = [&](TObject*) { ++changes; };
    QGuiApplication::clipboard()->setText("Lumadex");
    Application->ProcessMessages();
    EXPECT_GE(changes, 1);
}

TEST_F(AppFixture, OnIdleFiresWhenTheEventLoopWaits)
{
    int idles = 0;
    app->OnIdle = [&](TObject* Sender, bool&) {
        EXPECT_EQ(Sender, Application);
        ++idles;
    };
    QEventLoop loop;
    QTimer::singleShot(30, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(idles, 1);
}

TEST_F(AppFixture, ShowAppInfoListsTheVersionValues)
{
    const QStringList labels = {"     CompanyName: ", " FileDescription: ", "     FileVersion: ",
                                "    InternalName: ", "  LegalCopyright: ", " LegalTradeMarks: ",
                                "OriginalFileName: ", "     ProductName: ", "  ProductVersion: ",
                                "        Comments: "};
    QStringList ownLines, otherLines;
    TPromptScript script;
    script.Modal([&](TCustomForm& f) {
        auto& info = dynamic_cast<TfrmAppInfo&>(f);
        EXPECT_EQ(f.Caption(), "Versionsinformationen");
        EXPECT_EQ(f.Width(), 460);
        EXPECT_EQ(f.Height(), 360);
        EXPECT_EQ(info.Memo1->ScrollBars(), ssVertical);
        // The OK button in the middle of its panel.
        EXPECT_EQ(info.Button1->Left(), (info.Panel1->Width() - info.Button1->Width()) / 2);
        for (int i = 0; i < info.Memo1->Lines()->Count(); ++i)
            ownLines << info.Memo1->Lines()->Get(i);
        f.Handle()->grab().save(BuildFile("qk_app_info.png"));
        f.ModalResult = mrOk;
    });
    script.Modal([&](TCustomForm& f) {
        auto& info = dynamic_cast<TfrmAppInfo&>(f);
        for (int i = 0; i < info.Memo1->Lines()->Count(); ++i)
            otherLines << info.Memo1->Lines()->Get(i);
        f.ModalResult = mrOk;
    });
    app->ShowAppInfo(QString());
    app->ShowAppInfo("C:\\Programme\\Anderes\\ANDERES.EXE");

    ASSERT_EQ(ownLines.size(), 12);
    EXPECT_EQ(ownLines[0], " CurrentFileName: " + ProgramFileName());
    EXPECT_EQ(ownLines[1], "");
    for (int i = 0; i < labels.size(); ++i)
        EXPECT_TRUE(ownLines[i + 2].startsWith(labels[i])) << ownLines[i + 2].toStdString();
    EXPECT_EQ(ownLines[4], "     FileVersion: 1.50");
    EXPECT_EQ(ownLines[9], "     ProductName: QV-Lumadex");

    ASSERT_EQ(otherLines.size(), 12);
    EXPECT_EQ(otherLines[0], " CurrentFileName: C:\\Programme\\Anderes\\ANDERES.EXE");
    for (int i = 0; i < labels.size(); ++i)
        EXPECT_EQ(otherLines[i + 2], labels[i]);  // no values for another file
}

}  // namespace
