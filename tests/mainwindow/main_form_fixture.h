#pragma once
// A main window over albums in a temporary folder: the database bridge
// installed, the options set for quiet runs, albums filled straight through
// the DBF engine, and outside readers (python3-dbfread, Perl XBase::Index).

#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/prompt_script.h"
#include "shared/nachrichten_dialog.h"
#include "storage/database_bridge.h"
#include "storage/tdbe.h"
#include "storage/tdbe_env.h"
#include "storage/tfts.h"
#include "platform/ui/com_ctrls.h"
#include "platform/core/exceptions.h"
#include "test_environment.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// One entry written into an album.
struct TTestEintrag {
    std::string ShortDesc{};
    bool Zugriff = true;
    bool Geloescht = false;
    std::string Notiz{};     // long description (text memo)
    std::string Vorschau{};  // thumbnail bytes (binary memo)
    std::string Pfad = "C:\\Bilder\\a.jpg";
    double Bytes = 1000;
    bool Markiert = false;
    std::string Label{};    // LABEL, written when set
    std::string Kennung{};  // LABELKENNU (the medium id), written when set
};

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The program's INI and the registry live in the Windows folder, which
        // is one for the whole process: each test starts with it empty, as a
        // test run alone by CTest does.
        const std::filesystem::path windir = qEnvironmentVariable("LUMADEX_WINDIR").toStdString();
        for (const auto& entry : std::filesystem::directory_iterator(windir))
            std::filesystem::remove_all(entry.path());
        ASSERT_EQ(InstallDatabaseBridge(), DBIERR_NONE);
        form = std::make_unique<TMainForm>(nullptr);
        TProgrammOptionenStand* o = form->ProgrammOptionen();
        o->CheckBoxProtokollieren = false;
        o->CheckBoxAlleMeldungen = false;
        o->EditDatenbankenVerzeichnis = Win(dir.path() / "db") + "\\";
        o->EditTempDir = Win(dir.path()) + "\\";
        form->BereichBilder().DateienSetzen(TAlbumDateien(Win(dir.path()) + "\\", "TEST.DBF"));
        std::filesystem::create_directories(dir.path() / "db");
    }
    void TearDown() override
    {
        form.reset();
        dbe_CloseAll();
        UninstallDatabaseBridge();
    }

    static QString Win(const std::filesystem::path& p) { return *LinuxToWin(QString::fromStdString(p.string())); }
    std::string File(const std::string& name) const { return (dir / name).string(); }

    // Appends the entries to an album through the engine.
    static void EintraegeSchreiben(const std::string& dbf, const std::vector<TTestEintrag>& eintraege)
    {
        const uint16_t before = dbe_WorkArea(nullptr);
        const uint16_t area = dbe_Use(dbf.c_str(), "FUELLEN", DBE_EXCLUSIVE, DBE_TYPE_FOX);
        ASSERT_NE(area, 0) << dbe_LastError();
        for (const TTestEintrag& e : eintraege) {
            ASSERT_EQ(dbe_AppendBlank(), 1);
            dbe_Replace("SHORTDESC", DBE_REPL_TEXT, e.ShortDesc.c_str());
            dbe_Replace("PFAD", DBE_REPL_TEXT, e.Pfad.c_str());
            dbe_Replace("BYTES", DBE_REPL_DOUBLE, &e.Bytes);
            const char zugriff = e.Zugriff ? 'T' : 'F';
            dbe_Replace("ZUGRIFF", DBE_REPL_LOGICAL, &zugriff);
            const char markiert = e.Markiert ? 'T' : 'F';
            dbe_Replace("MARKIERT", DBE_REPL_LOGICAL, &markiert);
            if (!e.Label.empty())
                dbe_Replace("LABEL", DBE_REPL_TEXT, e.Label.c_str());
            if (!e.Kennung.empty())
                dbe_Replace("LABELKENNU", DBE_REPL_TEXT, e.Kennung.c_str());
            if (!e.Notiz.empty()) {
                ASSERT_EQ(dbe_ReplaceBlob("NOTIZ", e.Notiz.data(), uint32_t(e.Notiz.size()), 0), 1);
            }
            if (!e.Vorschau.empty()) {
                ASSERT_EQ(dbe_ReplaceBlob("VORSCHAU", e.Vorschau.data(), uint32_t(e.Vorschau.size()), 1), 1);
            }
            if (e.Geloescht)
                dbe_Delete();
        }
        dbe_Commit();
        dbe_Close();
        dbe_Select(before);
    }

    // The window shown as a user meets it, on the album's grid page; the
    // first-use notice (from a timer) kept out of the way.
    void FensterZeigen()
    {
        form->SetBounds(0, 0, 1200, 800);
        {
            TPromptScript script;
            script.Answer(mrNo, "Programm-Link");
            form->Show();
        }
        form->Timer3->SetEnabled(false);
        form->PageControlBilder->SetActivePage(form->TabSheetBilderDatenbank);
    }

    // A new album in the test folder with the entries.
    void AlbumAnlegen(const QString& name, const std::vector<TTestEintrag>& eintraege)
    {
        form->ErzeugeBilderDatenbank(Win(dir.path()) + "\\", name);
        EintraegeSchreiben(File(name.toStdString()), eintraege);
    }

    // The manager table made empty in the databases folder (with its index).
    void ManagerAnlegen()
    {
        form->ErzeugeBilderDatenbankenVerwaltung(form->ProgrammOptionen()->EditDatenbankenVerzeichnis,
                                                 "LXMan.DBF");
        ASSERT_EQ(form->BilderDBFsOeffnen(), 1);
    }

    static std::string Run(const std::string& command)
    {
        std::string output;
        if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
            char buffer[4096];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
                output.append(buffer, n);
            ::pclose(pipe);
        }
        return output;
    }
    std::string RunScript(const char* interpreter, const std::string& name, const std::string& script,
                          const std::string& args)
    {
        lxtest::WriteFile(dir / name, script);
        return Run(std::string(interpreter) + " " + File(name) + " " + args);
    }

    // Every modal timed notice is closed with OK; gives the notice's text.
    static TPromptScript::TFormAnswer NachrichtOk(QString* text = nullptr)
    {
        return [text](TCustomForm& f) {
            if (auto* m = dynamic_cast<TMSGDLGForm*>(&f); m && text)
                *text = m->Label1->Caption();
            f.ModalResult = mrOk;
        };
    }

    lxtest::TempDir dir;
    std::unique_ptr<TMainForm> form;
};
