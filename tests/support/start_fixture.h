#pragma once
// A main window that starts as the program starts it: a fresh program
// folder and Windows folder per test, the database bridge installed, and a
// prompt recorder that notes every message and question and answers it
// (OK for messages, No for questions, unless a test gives another answer).

#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "platform/ui/prompt_service.h"
#include "platform/ui/std_ctrls.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_ini.h"
#include "storage/database_bridge.h"
#include "test_environment.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

class TPromptRecorder : public TPromptService {
public:
    TPromptRecorder() { previous_ = SetPromptService(this); }
    ~TPromptRecorder() override { SetPromptService(previous_); }

    int Show(const TPrompt& prompt, QString* value) override
    {
        Texte << prompt.Text;
        for (const auto& [teil, antwort] : Antworten)
            if (prompt.Text.contains(teil))
                return antwort;
        if (value)
            *value = prompt.Value;
        if (prompt.Kind == TPromptKind::Dialog && prompt.Buttons.Contains(mbNo))
            return mrNo;
        if (prompt.Kind == TPromptKind::Dialog && prompt.Buttons.Contains(mbCancel) && !prompt.Buttons.Contains(mbOK))
            return mrCancel;
        return mrOk;
    }
    TModalResult ShowModal(TCustomForm& form) override
    {
        if (auto* m = dynamic_cast<TMSGDLGForm*>(&form)) {
            Texte << m->Label1->Caption();
            return mrOk;
        }
        Texte << QStringLiteral("<Modal ") + form.Name + u'>';
        return mrCancel;
    }
    bool Gezeigt(const QString& teil) const
    {
        for (const QString& t : Texte)
            if (t.contains(teil))
                return true;
        return false;
    }

    QStringList Texte;
    std::map<QString, int> Antworten;

private:
    TPromptService* previous_ = nullptr;
};

class StartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = dir.path() / "home";
        std::filesystem::create_directories(home);
        qputenv("LUMADEX_HOME", QByteArray::fromStdString(home.string()));
        windir = std::filesystem::path(qEnvironmentVariable("LUMADEX_WINDIR").toStdString());
        for (const auto& entry : std::filesystem::directory_iterator(windir))
            std::filesystem::remove_all(entry.path());
        ASSERT_EQ(InstallDatabaseBridge(), DBIERR_NONE);
    }
    void TearDown() override
    {
        form.reset();
        dbe_CloseAll();
        UninstallDatabaseBridge();
        Application->MainForm = nullptr;
        qputenv("LUMADEX_HOME", QByteArray::fromStdString((lxtest::TestRoot() / "home").string()));
    }

    // Makes the window and runs its start-up, as the main block does.
    void Starten()
    {
        form = std::make_unique<TMainForm>(nullptr);
        form->DoCreate();
    }
    // The start-up, then the window shows and the deferred start-up runs.
    void StartenUndZeigen()
    {
        Starten();
        form->FormShow(form.get());
        form->Timer3->Timer();
    }
    // Ends the program through the "Ende" command.
    void Beenden() { form->Ende1Click(form->MenuItem("Ende3")); }

    std::filesystem::path Ini() const { return windir / "Lumadex.INI"; }
    std::filesystem::path Datenbank() const { return home / "Data" / "Database"; }
    static QString Win(const std::filesystem::path& p) { return *LinuxToWin(QString::fromStdString(p.string())); }

    void IniSchreiben(const std::string& text) { lxtest::WriteFile(Ini(), text); }
    QString IniLesen(const char* sektion, const char* schluessel, const char* vorgabe = "<fehlt>") const
    {
        TQKINI ini(nullptr);
        ini.SetINIFileName(Win(Ini()));
        return ini.INIReadString(sektion, schluessel, vorgabe);
    }

    static QImage Bildschirmfoto(TCustomForm& f, const QString& name)
    {
        QImage img = f.Handle()->grab().toImage();
        const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
        QDir().mkpath(ordner);
        EXPECT_TRUE(img.save(ordner + "/" + name + ".png")) << name.toStdString();
        return img;
    }

    lxtest::TempDir dir;
    std::filesystem::path home;
    std::filesystem::path windir;
    TPromptRecorder prompts;
    std::unique_ptr<TMainForm> form;
};
