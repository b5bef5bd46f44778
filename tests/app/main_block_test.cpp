// Pieces of the main block tested in the process: the splash, the answers
// of a run without a person, and the one-copy check.

#include "app/prog_start_form.h"
#include "app/unattended_prompts.h"
#include "platform/os/folders.h"
#include "platform/os/single_instance.h"
#include "platform/ui/graphics.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"
#include "test_environment.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QLocalServer>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace {

TEST(Splash, CaptionTextsAndScreenshot)
{
    // The program folder holds what the program ships, as after a start.
    ASSERT_GT(SeedProgramFolder(LUMADEX_RESOURCES_DIR), 0);
    TProgStartForm splash(Application);
    EXPECT_GT(splash.Image1->Picture()->Width(), 0);
    // The logo (300 x 225) is decoded at the size its box shows it.
    EXPECT_LE(splash.Image1->Picture()->Width(), splash.Image1->Width());
    EXPECT_EQ(splash.Image1->Picture()->Height(), splash.Image1->Height());
    EXPECT_EQ(splash.Caption(), "Über QV-Lumadex");
    EXPECT_EQ(splash.LabelTitel->Caption(), "QV-Lumadex v1.50");
    EXPECT_EQ(splash.LabelUntertitel->Caption(), "Die umfangreiche Bilderdateienverwaltung ");
    EXPECT_EQ(splash.LabelStatus->Caption(), "Programm wird geladen...");
    EXPECT_FALSE(splash.LabelRevision->Visible());
    EXPECT_FALSE(splash.Timer1->Enabled());
    EXPECT_EQ(splash.Timer1->Interval(), 5000);
    splash.Show();
    QImage img = splash.Handle()->grab().toImage();
    const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(ordner);
    EXPECT_TRUE(img.save(ordner + "/splash.png"));
    EXPECT_GE(img.width(), 420);
    // Its timer closes it.
    splash.Timer1->Timer();
    EXPECT_FALSE(splash.Handle()->isVisible());
}

TEST(UnattendedPrompts, SafeAnswers)
{
    TPrompt p;
    p.Kind = TPromptKind::Dialog;
    p.Buttons = TMsgDlgButtons{mbYes, mbNo};
    EXPECT_EQ(TUnattendedPrompts::Antwort(p), mrNo);
    p.Buttons = mbOKCancel;
    EXPECT_EQ(TUnattendedPrompts::Antwort(p), mrOk);
    p.Kind = TPromptKind::Message;
    EXPECT_EQ(TUnattendedPrompts::Antwort(p), mrOk);
    p.Kind = TPromptKind::Box;
    p.Flags = MB_YESNO;
    EXPECT_EQ(TUnattendedPrompts::Antwort(p), IDNO);
    p.Flags = MB_OK;
    EXPECT_EQ(TUnattendedPrompts::Antwort(p), IDOK);
    p.Kind = TPromptKind::Input;
    EXPECT_EQ(TUnattendedPrompts::Antwort(p), mrCancel);

    lxtest::TempDir dir;
    const std::string log = (dir / "p.log").string();
    qputenv("LUMADEX_PROMPT_LOG", QByteArray::fromStdString(log));
    TUnattendedPrompts service;
    TPrompt meldung;
    meldung.Caption = "Hinweis";
    meldung.Text = "Zeile1\nZeile2";
    EXPECT_EQ(service.Show(meldung, nullptr), mrOk);
    qunsetenv("LUMADEX_PROMPT_LOG");
    EXPECT_EQ(lxtest::ReadFile(log), "Message\tHinweis\tZeile1 Zeile2\n");
}

TEST(SingleInstance, OnlyACopyThatAnswersCounts)
{
    lxtest::TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(dir.str()));
    TSingleInstance erste("Test-Titel");
    EXPECT_FALSE(erste.AndereKopieLaeuft(200));
    // A socket file left by a crashed copy is taken over.
    lxtest::WriteFile(erste.SocketPath().toStdString(), "");
    int aktiviert = 0;
    ASSERT_TRUE(erste.Lauschen([&] { ++aktiviert; return true; }));

    // The answers come from this thread's event loop, so the asking copy
    // runs in a thread of its own.
    QString antwort;
    bool laeuft = false;
    std::thread frager([&] {
        TSingleInstance zweite("Test-Titel");
        laeuft = zweite.AndereKopieLaeuft(5000);
        antwort = zweite.AndereKopieAktivieren(5000);
    });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!antwort.isEmpty())
            loop.quit();
    });
    poll.start(10);
    while (antwort.isEmpty() && frager.joinable()) {
        loop.processEvents(QEventLoop::AllEvents, 50);
        if (!antwort.isEmpty())
            break;
    }
    frager.join();
    EXPECT_TRUE(laeuft);
    EXPECT_EQ(antwort, "SHOWN");
    EXPECT_EQ(aktiviert, 1);
    // Another title is another program.
    TSingleInstance andere("Anderer-Titel");
    EXPECT_FALSE(andere.AndereKopieLaeuft(200));
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString((lxtest::TestRoot() / "run").string()));
}

}  // namespace

#include "app/qt_translations.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>

namespace {

// Every text of the buttons and labels of Qt's own folder chooser.
QStringList OrdnerwahlTexte()
{
    QFileDialog d(nullptr, QStringLiteral("Verzeichnis auswählen"));
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setFileMode(QFileDialog::Directory);
    QStringList texte;
    for (QPushButton* b : d.findChildren<QPushButton*>())
        texte << b->text();
    for (QLabel* l : d.findChildren<QLabel*>())
        texte << l->text();
    return texte;
}

TEST(QtTexte, FolderChooserSpeaksGermanOnceTheTranslationIsLoaded)
{
    EXPECT_FALSE(QtUebersetzungLaden(QStringLiteral("xx"))) << "no such language";
    const QStringList englisch = OrdnerwahlTexte();
    ASSERT_TRUE(englisch.contains(QStringLiteral("Cancel"))) << englisch.join('|').toStdString();
    ASSERT_TRUE(QtUebersetzungLaden());
    const QStringList deutsch = OrdnerwahlTexte();
    EXPECT_TRUE(deutsch.contains(QStringLiteral("Abbrechen"))) << deutsch.join('|').toStdString();
    for (const char* englischerText : {"Cancel", "Choose", "Look in:"})
        EXPECT_FALSE(deutsch.contains(QString::fromLatin1(englischerText))) << englischerText;
}

}  // namespace
