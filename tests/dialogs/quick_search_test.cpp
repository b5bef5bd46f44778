// The quick search dialog (seek while typing, seek or locate on OK) and the
// date range dialog, on an album-shaped table made through the engine.

#include "table_fixture.h"

#include "controls/date_edit.h"
#include "datacontrols/dk_locate_dialog.h"
#include "dialogs/date_range.h"
#include "dialogs/quick_search.h"
#include "platform/core/ini_file.h"
#include "platform/core/sys_utils.h"
#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"
#include "platform/ui/test_input.h"
#include "shared/qk_animate.h"
#include "storage/tdbe.h"
#include "storage/tdbe_env.h"

#include <QCoreApplication>
#include <QDir>

namespace {

// The program clock stands at a fixed moment for the test's lifetime.
struct TFesteUhr {
    explicit TFesteUhr(TDateTime jetzt) { SetClockForTests(jetzt); }
    ~TFesteUhr() { SetClockForTests(std::nullopt); }
};

void Screenshot(TCustomForm& form, const QString& name)
{
    const QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(dir);
    form.Handle()->grab().save(dir + "/" + name + ".png");
}

class QuickSearchTest : public DkTableTest, public TSchnellsucheHauptfenster {
protected:
    void SetUp() override
    {
        DkTableTest::SetUp();
        const char* names[] = {"Anna am Meer", "Bild 1", "Bild 2", "Birke", "Zaun"};
        const char* dates[] = {"20240105", "20230301", "20230302", "20221224", "20200101"};
        MakeTable("BILDER.DBF", {{"ShortDesc", 'C', 40, 0}, {"Owner", 'C', 15, 0}, {"AufnDatum", 'D', 8, 0}}, 5,
                  [&](int i) {
                      Text("ShortDesc", names[i - 1]);
                      Text("Owner", i == 4 ? "Xaver" : "Anna");
                      dbe_Replace("AufnDatum", DBE_REPL_DTOS, dates[i - 1]);
                  });
        ASSERT_TRUE(MakeTags("BILDER.DBF", {{"ShortDesc", "Lower(ShortDesc)"}, {"AufnDatum", "DTOS(AufnDatum)"}}));
        table.SetTableType(ttDXFOX);
        Open(table, "BILDER.DBF");
        dbe.SetDataSource(&source);
        SuchTabellenName() = "TABLEBILDER";
        LetzterGefundenerSuchText().clear();
    }
    void TearDown() override
    {
        table.Close();
        DkTableTest::TearDown();
    }
    TDbe* SuchAlbum() override { return &dbe; }
    TDbeEnv* SuchUmgebung() override { return &env; }
    QString Desc() { return table.FieldByName("ShortDesc")->AsString(); }

    TdkTable table;
    TDataSource source{&table};
    TDbe dbe{nullptr};
    TDbeEnv env{nullptr};
};

TEST_F(QuickSearchTest, TypingSeeksAndKeepsTheLongestTextThatStillFinds)
{
    SuchFeldName() = "ShortDesc";
    env.SetExact(true);  // as the main window opens an album
    TSuchenForm3 form(nullptr, *this);
    form.Show();
    form.CheckBoxSchrittweiseSuchen->SetChecked(true);
    for (const char* t : {"b", "bi", "bil", "bild", "bild ", "bild 2"})
        form.Edit2->SetText(t);
    EXPECT_EQ(Desc(), "Bild 2");
    EXPECT_EQ(LetzterGefundenerSuchText(), "bild 2");
    // A letter that no longer matches: the edit goes back to the last text
    // that found an entry, which is sought again.
    form.Edit2->SetText("bild 2x");
    EXPECT_EQ(form.Edit2->Text(), "bild 2");
    EXPECT_EQ(Desc(), "Bild 2");
    EXPECT_TRUE(env.Exact());
    Screenshot(form, "quick_search");
}

TEST_F(QuickSearchTest, TheEditTypesLowerCase)
{
    SuchFeldName() = "ShortDesc";
    TSuchenForm3 form(nullptr, *this);
    form.Show();
    form.Edit2->SetFocus();
    lxui_test::SendKey(form.Edit2->Handle(), 0, "B");
    EXPECT_EQ(form.Edit2->Text(), "b");
}

TEST_F(QuickSearchTest, ADateFieldIsSoughtAsYyyymmdd)
{
    SuchFeldName() = "AufnDatum";
    TSuchenForm3 form(nullptr, *this);
    form.Edit2->SetText("24.12.2022");
    form.BitBtnCloseClick();
    EXPECT_EQ(form.ModalResult, 3);
    EXPECT_EQ(form.Edit2->Text(), "20221224");
    EXPECT_EQ(Desc(), "Birke");
    EXPECT_TRUE(env.SoftSeek());
}

TEST_F(QuickSearchTest, AFieldWithoutATagIsSearchedByLocateAndTheTimeShown)
{
    SuchFeldName() = "Owner";
    TSuchenForm3 form(nullptr, *this);
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk, "Feld ist nicht indiziert, schrittweises suchen nicht möglich")
        .Answer(TPromptKind::Message, mrOk, "Suchzeit = ");
    form.CheckBoxSchrittweiseSuchen->SetChecked(true);
    EXPECT_FALSE(form.CheckBoxSchrittweiseSuchen->Checked());
    form.Edit2->SetText("xa");
    form.BitBtnCloseClick();
    EXPECT_EQ(Desc(), "Birke");
    EXPECT_TRUE(script.Records().back().Text.endsWith(" Sek."));
    EXPECT_EQ(form.dkLocateDialog1->MatchType, mtPartialMatchStart);
    EXPECT_FALSE(form.dkLocateDialog1->CaseSensitive);
}

TEST_F(QuickSearchTest, EnterInTheEditClearsItAndClosesWithoutSearching)
{
    SuchFeldName() = "ShortDesc";
    table.Last();
    TSuchenForm3 form(nullptr, *this);
    form.Edit2->SetText("bi");
    QChar key(13);
    form.Edit2KeyPress(key);
    EXPECT_EQ(form.Edit2->Text(), "");
    EXPECT_EQ(form.ModalResult, 3);
    EXPECT_EQ(Desc(), "Zaun");
}

TEST_F(QuickSearchTest, OtherTablesAreNotSearched)
{
    SuchFeldName() = "ShortDesc";
    SuchTabellenName() = "TABLEBILDER2";
    table.Last();
    TSuchenForm3 form(nullptr, *this);
    form.Edit2->SetText("bi");
    form.BitBtnCloseClick();
    EXPECT_EQ(Desc(), "Zaun");
}

class DateRangeTest : public ::testing::Test {
protected:
    lxtest::TempDir dir;
    QString Ini() const { return QString::fromStdString((dir / "Lumadex.INI").string()); }
};

TEST_F(DateRangeTest, TodaysDatesWhenTickedAndTheTickIsKept)
{
    const TFesteUhr uhr(EncodeDate(2026, 12, 9) + EncodeTime(23, 59, 59, 0));
    {
        TDatumScopeForm form(nullptr, Ini());
        EXPECT_FALSE(form.CheckBoxDatumVorbelegung->Checked());
        EXPECT_EQ(form.VonText(), "");
        EXPECT_EQ(form.Caption(), "Datumfilter");
        form.CheckBoxDatumVorbelegung->SetChecked(true);
        form.FormClose();
    }
    EXPECT_TRUE(TIniFile(Ini()).ReadBool("Einstellungen Hauptprogramm", "DatumVorbelegung", false));
    TDatumScopeForm form(nullptr, Ini());
    EXPECT_TRUE(form.CheckBoxDatumVorbelegung->Checked());
    EXPECT_EQ(form.DateEditPlusVon->Date(), EncodeDate(2026, 12, 9));
    EXPECT_EQ(form.BisText(), "09.12.2026");
    form.Show();
    Screenshot(form, "date_range");
    TPromptScript script;
    script.Modal([](TCustomForm& f) {
        auto& d = dynamic_cast<TDatumScopeForm&>(f);
        d.BitBtn1->Click();
    });
    form.Hide();
    EXPECT_EQ(form.ShowModal(), mrOk);
}

// A dialog kept for the run opens again as a new one would: other dates
// typed before are gone, the tick comes from the ini again.
TEST_F(DateRangeTest, PreparedAgainItOpensAsANewOne)
{
    const TFesteUhr uhr(EncodeDate(2026, 12, 9) + EncodeTime(23, 59, 59, 0));
    TDatumScopeForm form(nullptr, Ini());
    for (TDateEditPlus* e : {form.DateEditPlusVon, form.DateEditPlusBis}) {
        e->SetBlank(false);
        e->SetDate(EncodeDate(2001, 2, 3));
    }
    form.Vorbelegen();
    EXPECT_FALSE(form.CheckBoxDatumVorbelegung->Checked());
    EXPECT_EQ(form.VonText(), "");
    EXPECT_EQ(form.BisText(), "");

    form.CheckBoxDatumVorbelegung->SetChecked(true);
    form.FormClose();
    form.DateEditPlusVon->SetDate(EncodeDate(2001, 2, 3));
    form.Vorbelegen();
    EXPECT_TRUE(form.CheckBoxDatumVorbelegung->Checked());
    EXPECT_EQ(form.DateEditPlusVon->Date(), EncodeDate(2026, 12, 9));
    EXPECT_EQ(form.BisText(), "09.12.2026");
}

// The dialog kept for the run keeps its ini file open too: it reads the
// tick again when another writer changed the file, and its own write keeps
// what the others wrote.
TEST_F(DateRangeTest, TheKeptDialogFollowsTheIniFileWrittenByOthers)
{
    TDatumScopeForm form(nullptr, Ini());
    EXPECT_FALSE(form.CheckBoxDatumVorbelegung->Checked());
    // Another writer (the program's own ini object) ticks it.
    TIniFile(Ini()).WriteBool("Einstellungen Hauptprogramm", "DatumVorbelegung", true);
    form.Vorbelegen();
    EXPECT_TRUE(form.CheckBoxDatumVorbelegung->Checked());
    TIniFile(Ini()).WriteString("Einstellungen Hauptprogramm", "Anderes", "1");
    TIniFile(Ini()).WriteBool("Einstellungen Hauptprogramm", "DatumVorbelegung", false);
    form.Vorbelegen();
    EXPECT_FALSE(form.CheckBoxDatumVorbelegung->Checked());

    form.CheckBoxDatumVorbelegung->SetChecked(true);
    form.FormClose();
    const TIniFile danach(Ini());
    EXPECT_TRUE(danach.ReadBool("Einstellungen Hauptprogramm", "DatumVorbelegung", false));
    EXPECT_EQ(danach.ReadString("Einstellungen Hauptprogramm", "Anderes", ""), "1");
}

}  // namespace
