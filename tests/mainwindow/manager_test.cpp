// The album manager table: creation with its three tags, registration of
// every opened album with its statistics, read back by python3-dbfread.
#include "main_form_fixture.h"

#include "datacontrols/dk_db_edit.h"
#include "dialogs/album_manager.h"
#include "platform/core/drive_map.h"
#include "platform/ui/list_view.h"
#include "shared/qk_auto_button.h"
#include "shared/qk_ini.h"

#include <QListWidget>
#include <QTest>

#include <functional>
#include <sstream>

namespace {

const char* kManagerRows = R"PY(
import sys
from dbfread import DBF
for r in DBF(sys.argv[1]):
    print("|".join(str(r[k]).strip() for k in ("PFAD", "SHORTDESC", "BYTESDBF", "BYTESCDX", "BYTESFPT", "BYTESIA",
        "BYTESSUM", "SAETZE", "MITDESC", "OHNEDESC", "MARKIERTE", "PICBYTES", "ZUGRIFF", "LABEL", "LABELKENNU",
        "LASTFDATE")))
)PY";

class ManagerTest : public MainFormTest {
protected:
    void SetUp() override
    {
        lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
        TDriveMap::Instance().Refresh();
        MainFormTest::SetUp();
        form->QKINI_Prog->INIWriteBool("Einstellungen Hauptprogramm", "ErstStart", false);
    }
    std::vector<std::vector<std::string>> Rows()
    {
        const std::string out = RunScript("/usr/bin/python3", "rows.py", kManagerRows, (dir / "db" / "LXMan.DBF").string());
        std::vector<std::vector<std::string>> rows;
        std::istringstream in(out);
        std::string line;
        while (std::getline(in, line)) {
            std::vector<std::string> cells;
            std::istringstream c(line);
            std::string cell;
            while (std::getline(c, cell, '|'))
                cells.push_back(cell);
            EXPECT_EQ(cells.size(), 16u) << out;
            rows.push_back(cells);
        }
        return rows;
    }
};

TEST_F(ManagerTest, EveryOpenedAlbumIsRegisteredOnceWithItsFiguresAndMedium)
{
    ManagerAnlegen();
    TTestEintrag markiert{"mit Text"};
    markiert.Markiert = true;
    markiert.Bytes = 2500;
    const std::vector<std::vector<TTestEintrag>> inhalte = {
        {{"eins"}, {""}, markiert},
        // A deleted entry counts nowhere.
        {{"a"}, {"b"}, {.ShortDesc = "weg", .Geloescht = true, .Bytes = 7000, .Markiert = true}},
        {},
    };
    const char* namen[] = {"ALBUMA.DBF", "ALBUMB.DBF", "ALBUMC.DBF"};
    for (int i = 0; i < 3; ++i) {
        AlbumAnlegen(namen[i], inhalte[i]);
        form->BereichBilder().NameSetzen(namen[i]);
        TPromptScript script;
        script.AnswerValue(QString("Album %1").arg(i + 1), "Geben Sie eine kurze Beschreibung ein");
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
    {
        // Opening one of them again adds nothing.
        form->BereichBilder().NameSetzen(namen[0]);
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
    {
        TPromptScript script;
        script.Answer(TPromptKind::Message, mrOk, "ist schon eingetragen !");
        form->BilderDBFinDBFVerwaltungEintragen("  " + form->BereichBilder().Ordner().toLower() + "albumb.dbf ", 1, 0);
    }
    form.reset();
    dbe_CloseAll();

    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    const char* saetze[] = {"3", "2", "0"};
    const char* mit[] = {"2", "2", "0"};
    const char* ohne[] = {"1", "0", "0"};
    const char* markierte[] = {"1", "0", "0"};
    const char* picBytes[] = {"4500", "2000", "0"};
    for (int i = 0; i < 3; ++i) {
        const auto& r = rows[i];
        const std::string base = std::string(namen[i], 6);
        EXPECT_EQ(r[0], (Win(dir.path()) + "\\" + namen[i]).toStdString());
        EXPECT_EQ(r[1], "Album " + std::to_string(i + 1));
        const auto size = [&](const char* ext) {
            return std::to_string(std::filesystem::file_size(dir / (base + ext)));
        };
        EXPECT_EQ(r[2], size(".DBF"));
        EXPECT_EQ(r[3], size(".CDX"));
        EXPECT_EQ(r[4], size(".FPT"));
        EXPECT_EQ(r[5], "-1");  // no full-text index yet
        EXPECT_EQ(std::stoll(r[6]), std::stoll(r[2]) + std::stoll(r[3]) + std::stoll(r[4]));
        EXPECT_EQ(r[7], saetze[i]);
        EXPECT_EQ(r[8], mit[i]);
        EXPECT_EQ(r[9], ohne[i]);
        EXPECT_EQ(r[10], markierte[i]);
        EXPECT_EQ(r[11], picBytes[i]);
        EXPECT_EQ(r[12], "True");
        EXPECT_EQ(r[13], "SYSTEM");
        EXPECT_EQ(r[14], "439041101");
        EXPECT_EQ(r[15].size(), 10u);  // a date
    }
}

// A description typed in the manager is in the table on disk once the user
// leaves the edit, however it is left, and the album's caption in the list
// shows it at once.
TEST_F(ManagerTest, ADescriptionTypedInTheManagerIsSavedWhenTheEditIsLeft)
{
    ManagerAnlegen();
    for (const char* name : {"ALBUMA.DBF", "ALBUMB.DBF"}) {
        AlbumAnlegen(name, {{"eins"}});
        form->BereichBilder().NameSetzen(name);
        TPromptScript script;
        script.AnswerValue("Alt", "Geben Sie eine kurze Beschreibung ein");
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    }
    const auto zeileKlicken = [](TBilderDBFManagerForm& m, int zeile) {
        QListWidget* liste = m.ListView1->List();
        QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, liste->visualItemRect(liste->item(zeile)).center());
    };
    const struct {
        const char* wie;
        // Ends the typing; null: the dialog is closed with the text still in
        // the edit.
        std::function<void(TBilderDBFManagerForm&)> verlassen;
        bool fokusBleibt;
    } faelle[] = {
        {"Tab", [](TBilderDBFManagerForm& m) { QTest::keyClick(m.DBEditShortDesc->Handle(), Qt::Key_Tab); }, false},
        {"Enter", [](TBilderDBFManagerForm& m) { QTest::keyClick(m.DBEditShortDesc->Handle(), Qt::Key_Return); },
         true},
        {"Zeile",
         [&](TBilderDBFManagerForm& m) {
             zeileKlicken(m, 1);
             EXPECT_EQ(m.DBEditPfad->Text().section('\\', -1), "ALBUMB.DBF");
         },
         false},
        {"Schliessen", nullptr, true},
    };
    for (const auto& fall : faelle) {
        SCOPED_TRACE(fall.wie);
        const QString text = QStringLiteral("Neu über ") + fall.wie;
        TPromptScript script;
        script.Modal<TBilderDBFManagerForm>([&](TBilderDBFManagerForm& m) {
            m.Handle()->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(m.Handle()));
            zeileKlicken(m, 0);
            ASSERT_EQ(m.DBEditPfad->Text().section('\\', -1), "ALBUMA.DBF");
            QWidget* edit = m.DBEditShortDesc->Handle();
            QTest::mouseClick(edit, Qt::LeftButton);
            ASSERT_TRUE(edit->hasFocus());
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            // Each character as its key types it (Latin-1 keys bear the
            // capital's code, as Qt's key codes do).
            for (QChar c : text)
                QTest::sendKeyEvent(QTest::Click, edit, Qt::Key(c.toUpper().unicode()), c, Qt::NoModifier);
            if (fall.verlassen) {
                fall.verlassen(m);
                EXPECT_EQ(edit->hasFocus(), fall.fokusBleibt);
                EXPECT_EQ(m.ListView1->ItemCaption(0).toStdString(), (text + "\r\n(ALBUMA.DBF)").toStdString());
            }
            // "Schliessen" takes no focus: the text is still in the edit.
            m.ToolButtons[5]->Click();
        });
        form->MenuItem("AndereBilderdatenbankoeffnen1")->Click();
        const auto rows = Rows();
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0][1], text.toStdString());
        EXPECT_EQ(rows[1][1], "Alt");
    }
}

TEST_F(ManagerTest, MissingManagerTableIsCreatedAndItsIndexRebuilt)
{
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "Datenbank für Fotoalben-Manager (");
        ASSERT_EQ(form->BilderDBFsOeffnen(), 1);
    }
    QStringList tags;
    for (int n = 1; !form->DbeBilderDatenbanken->TagName(n).isEmpty(); ++n)
        tags << form->DbeBilderDatenbanken->TagName(n).toUpper();
    EXPECT_EQ(tags, QStringList({"PFAD", "MARKIERT", "TYPE"}));
    EXPECT_EQ(form->DbeBilderDatenbanken->FieldCount(), kManagerFeldAnzahl);
    EXPECT_EQ(form->DbeBilderDatenbanken->FieldName(12), "LABELKENNU");

    form->TableBilderDatenbanken->Close();
    std::filesystem::remove(dir / "db" / "LXMan.CDX");
    form->ProgrammOptionen()->CheckBoxAlleMeldungen = true;
    QString text;
    {
        TPromptScript script;
        script.Modal(NachrichtOk(&text));
        ASSERT_EQ(form->BilderDBFsOeffnen(), 1);
    }
    EXPECT_EQ(text, "Datenbanken-Indexdatei neu aufgebaut !");
    EXPECT_TRUE(std::filesystem::exists(dir / "db" / "LXMan.CDX"));

    // Refused creation and no other folder: nothing opens.
    form->TableBilderDatenbanken->Close();
    form->ProgrammOptionen()->EditDatenbankenVerzeichnis = Win(dir.path()) + "\\leer\\";
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrNo, "nicht gefunden, jetzt erstellen ?")
        .Answer(TPromptKind::Dialog, mrNo, "Datenbank wo anders suchen ?");
    EXPECT_EQ(form->BilderDBFsOeffnen(), 0);
}

}  // namespace
