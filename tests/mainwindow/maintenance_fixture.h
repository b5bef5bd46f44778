#pragma once
// Albums for the maintenance commands: entries written through the engine,
// every entry read back by record number, picture files in the test folder
// and on fake drives, a write counter on the engine's I/O seam.

#include "main_form_fixture.h"

#include "platform/core/drive_map.h"
#include "platform/dbf/file_io.h"
#include "shared/utility_files.h"
#include "storage/tfts.h"

#include <functional>
#include <map>

// One entry as read back.
struct TSatzStand {
    bool Geloescht = false;
    std::map<std::string, std::string> Felder;  // trimmed texts
    bool operator==(const TSatzStand&) const = default;
    const std::string& operator[](const std::string& f) const { return Felder.at(f); }
};

class MaintenanceTest : public MainFormTest {
protected:
    void TearDown() override
    {
        dbf::SetIoFaultHook({});
        MainFormTest::TearDown();
    }

    // Writes `feld` of record `n` of the album through the engine.
    void Setzen(uint32_t n, const char* feld, const std::string& wert)
    {
        const uint16_t vorher = dbe_WorkArea(nullptr);
        const uint16_t area = dbe_Use(File("TEST.DBF").c_str(), "SETZEN", DBE_SHARED, DBE_TYPE_FOX);
        ASSERT_NE(area, 0) << dbe_LastError();
        dbe_Go(n);
        ASSERT_EQ(dbe_Replace(feld, DBE_REPL_TEXT, wert.c_str()), 1) << feld << " " << dbe_LastError();
        dbe_Commit();
        dbe_Close();
        dbe_Select(vorher);
    }

    // Every record of the album by record number, read in an area of its own.
    std::vector<TSatzStand> Lesen(const std::string& datei = {})
    {
        std::vector<TSatzStand> saetze;
        const uint16_t vorher = dbe_WorkArea(nullptr);
        const std::string name = datei.empty() ? File("TEST.DBF") : datei;
        const uint16_t area = dbe_Use(name.c_str(), "LESEN", DBE_SHARED, DBE_TYPE_FOX);
        EXPECT_NE(area, 0) << dbe_LastError();
        if (area == 0)
            return saetze;
        dbe_SetOrder(0);
        for (uint32_t n = 1; n <= dbe_RecCount(); ++n) {
            dbe_Go(n);
            TSatzStand s;
            s.Geloescht = dbe_Deleted() != 0;
            for (const char* f : {"PFAD", "SHORTDESC", "MARKIERT", "ANYWHERE", "PRIVAT", "ZUGRIFF", "SERIE",
                                  "SHORTNAME", "LABEL", "LABELKENNU", "BYTES", "AUFNDATUM"})
                s.Felder[f] = QString::fromLatin1(dbe_GetString(f)).trimmed().toStdString();
            // A blank logical reads as false.
            for (const char* f : {"MARKIERT", "ANYWHERE", "PRIVAT", "ZUGRIFF"})
                if (s.Felder[f].empty())
                    s.Felder[f] = "F";
            saetze.push_back(s);
        }
        dbe_Close();
        dbe_Select(vorher);
        return saetze;
    }

    // Opens the album TEST.DBF with its full-text index.
    void Oeffnen()
    {
        // Quiet runs: no closing messages unless a test asks for them.
        form->ProgrammOptionen()->CheckBoxBearbeitungszeitAnzeigen = false;
        ManagerAnlegen();
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
        form->OeffneBilderFTS();
    }

    // The full-text hits of a word as record numbers.
    std::vector<int> Treffer(const char* wort)
    {
        std::vector<int> found;
        if (form->FtsBilder->SetQuery(wort) <= 0)
            return found;
        for (int r = form->FtsBilder->NextRec(); r > 0; r = form->FtsBilder->NextRec())
            found.push_back(r);
        return found;
    }

    // A picture file of `bytes` bytes; gives its Windows-form path.
    QString Bild(const std::string& relativ, size_t bytes = 100)
    {
        lxtest::WriteFile(dir / relativ, std::string(bytes, 'x'));
        return Win(dir / relativ);
    }

    // Runs `fn` at the k-th changing file operation of the engine from now
    // (1-based); the operation itself goes through.
    void BeiSchreiben(int k, std::function<void()> fn)
    {
        auto zaehler = std::make_shared<int>(0);
        dbf::SetIoFaultHook([zaehler, k, fn](dbf::IoOp, const std::string&) {
            if (++*zaehler == k)
                fn();
            return false;
        });
    }

    // Fails the n-th changing file operation of the engine from now on;
    // `getroffen` tells afterwards whether the fault was reached.
    void FehlerBei(int n, std::shared_ptr<bool> getroffen)
    {
        auto zaehler = std::make_shared<int>(0);
        dbf::SetIoFaultHook([zaehler, n, getroffen](dbf::IoOp, const std::string&) {
            if (++*zaehler == n) {
                *getroffen = true;
                return true;
            }
            return false;
        });
    }

    static void Laufwerke(const std::vector<lxtest::FakeDrive>& drives)
    {
        lxtest::WriteDriveTable(drives);
        TDriveMap::Instance().Refresh();
    }
};
