// The locate engine and the locate dialog on a table made through the
// engine: match types, case, numbers, memos, the index shortcuts, the
// field list of the window and the messages.

#include "controls_fixture.h"

#include "datagrid/dk_locate.h"
#include "datacontrols/dk_locate_dialog.h"
#include "datagrid/dk_intl.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win1252.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"

#include <QDir>

namespace {

struct Person {
    const char* name;
    const char* city;
    double amount;
    const char* memo;
};

const Person kPeople[] = {
    {"Müller", "Berlin", 12.5, "erste Notiz"},
    {"meier", "Hamburg", 7, "Zweite Notiz über Müller"},
    {"Meier", "", 100.25, ""},
    {"Schmidt", "Köln", 0, "nichts"},
    {"Müllerin", "Bremen", 3.75, "über Meier"},
    {"ACKER", "Ulm", 1, ""},
};

class LocateTest : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        MakeTable("LOC.DBF", {{"Name", 'C', 20, 0}, {"Stadt", 'C', 40, 0}, {"Betrag", 'N', 10, 2},
                              {"Notiz", 'M', 10, 0}},
                  int(std::size(kPeople)), [](int i) {
                      const Person& p = kPeople[i - 1];
                      Text("Name", Win1252(p.name));
                      Text("Stadt", Win1252(p.city));
                      double d = p.amount;
                      dbe_Replace("Betrag", DBE_REPL_DOUBLE, &d);
                      dbe_Replace("Notiz", DBE_REPL_MEMO, Win1252(p.memo).c_str());
                  });
        ASSERT_TRUE(MakeTags("LOC.DBF", {{"Name", "Name"}}));
        table = std::make_unique<TdkTable>();
        table->SetTableType(ttDXFOX);
        Open(*table, "LOC.DBF");
        source = std::make_unique<TdkDataSource>();
        source->SetDataSet(table.get());
    }
    static std::string Win1252(const char* utf8)
    {
        return Win1252EncodeOrThrow(QString::fromUtf8(utf8)).toStdString();
    }
    QString Name() const { return table->FieldByName("Name")->AsString(); }
    bool Locate(bool fromFirst, const char* field, const QString& value, TdkLocateMatchType type, bool cs = false)
    {
        return dkLocateRecord(fromFirst, table.get(), field, value, type, cs);
    }
};

TEST(LocateMatchText, MatchTypesAndCase)
{
    // The value comes upper-cased from the caller when case is ignored.
    const struct {
        const char* text;
        const char* value;
        TdkLocateMatchType type;
        bool cs;
        bool match;
    } cases[] = {
        {"Müller", "MÜLLER", mtExactMatch, false, true},     {"Müller", "Müller", mtExactMatch, true, true},
        {"Müller", "müller", mtExactMatch, true, false},     {"Müllerin", "MÜLLER", mtExactMatch, false, false},
        {"Müllerin", "MÜLL", mtPartialMatchStart, false, true}, {"Müllerin", "LLER", mtPartialMatchStart, false, false},
        {"Müllerin", "LLER", mtPartialMatchAny, false, true}, {"Müllerin", "ller", mtPartialMatchAny, true, true},
        {"Müllerin", "LLER", mtPartialMatchAny, true, false}, {"", "", mtExactMatch, false, true},
        {"x", "", mtExactMatch, false, false},               {"", "", mtPartialMatchStart, false, false},
        {"abc", "", mtPartialMatchAny, false, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dkMatchText(QString::fromUtf8(c.text), QString::fromUtf8(c.value), c.type, c.cs), c.match)
            << c.text << " / " << c.value;
}

TEST_F(LocateTest, ScansAFieldFromTheFirstRecordAndFromTheCurrentOne)
{
    EXPECT_TRUE(Locate(true, "Stadt", "hamburg", mtExactMatch));
    EXPECT_EQ(Name(), "meier");
    EXPECT_TRUE(Locate(true, "Stadt", "BR", mtPartialMatchStart));
    EXPECT_EQ(Name(), "Müllerin");
    EXPECT_TRUE(Locate(true, "Stadt", "ÖL", mtPartialMatchAny));
    EXPECT_EQ(Name(), "Schmidt");
    // Case-sensitive: "köln" is not "Köln"; the dataset stays where it stood.
    EXPECT_FALSE(Locate(true, "Stadt", "köln", mtExactMatch, true));
    EXPECT_EQ(Name(), "Schmidt");
    // From the current record on: the scan starts after it.
    table->First();
    EXPECT_TRUE(Locate(false, "Stadt", "B", mtPartialMatchStart));
    EXPECT_EQ(Name(), "Müllerin");
    EXPECT_FALSE(Locate(false, "Stadt", "B", mtPartialMatchStart));
    EXPECT_EQ(Name(), "Müllerin");
}

TEST_F(LocateTest, AnEmptyValueFindsTheFirstEmptyFieldExactlyOnly)
{
    EXPECT_TRUE(Locate(true, "Stadt", "", mtExactMatch));
    EXPECT_EQ(Name(), "Meier");
    table->First();
    EXPECT_FALSE(Locate(true, "Stadt", "", mtPartialMatchAny));
    EXPECT_EQ(Name(), "Müller");
}

TEST_F(LocateTest, AnExactSearchOfANumberFieldComparesNumbers)
{
    // 100.25 written with an extra trailing zero still finds the record.
    EXPECT_TRUE(Locate(true, "Betrag", FloatToStr(100.25) + "0", mtExactMatch));
    EXPECT_EQ(Name(), "Meier");
    EXPECT_TRUE(Locate(true, "Betrag", FloatToStr(3.75), mtExactMatch));
    EXPECT_EQ(Name(), "Müllerin");
    EXPECT_FALSE(Locate(true, "Betrag", "abc", mtExactMatch));
    EXPECT_EQ(Name(), "Müllerin");
}

TEST_F(LocateTest, MemosAreComparedOverTheirText)
{
    EXPECT_TRUE(Locate(true, "Notiz", "ÜBER MEIER", mtExactMatch));
    EXPECT_EQ(Name(), "Müllerin");
    EXPECT_TRUE(Locate(true, "Notiz", "MÜLLER", mtPartialMatchAny));
    EXPECT_EQ(Name(), "meier");
    EXPECT_TRUE(Locate(false, "Notiz", "ÜBER", mtPartialMatchStart));
    EXPECT_EQ(Name(), "Müllerin");
}

TEST_F(LocateTest, OnlyTheFirstBytesOfALongMemoAreCompared)
{
    table->Close();
    const uint16_t area = dbe_Use(File("LOC.DBF").c_str(), "LONG", DBE_EXCLUSIVE, DBE_TYPE_FOX);
    ASSERT_NE(area, 0);
    dbe_Go(4);
    const std::string memo = std::string(kdkLocateMemoLimit - 3, 'x') + "ENDE";
    dbe_Replace("Notiz", DBE_REPL_MEMO, memo.c_str());
    dbe_Commit();
    dbe_Close();
    table->Open();
    EXPECT_TRUE(Locate(true, "Notiz", "XXXEND", mtPartialMatchAny));
    EXPECT_EQ(Name(), "Schmidt");
    EXPECT_FALSE(Locate(true, "Notiz", "ENDE", mtPartialMatchAny));
}

TEST_F(LocateTest, AMissingFieldIsReportedAndNothingMoves)
{
    TPromptScript script;
    script.Answer(mrOk, "Field Gibtsnicht not found.");
    table->Next();
    EXPECT_FALSE(Locate(true, "Gibtsnicht", "x", mtExactMatch));
    EXPECT_EQ(Name(), "meier");
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].DlgType, mtWarning);
}

TEST_F(LocateTest, AlongTheIndexAnExactNextFindsTheFollowingEqualKey)
{
    table->SetIndexName("Name");
    // Order: ACKER, Meier, Müller, Müllerin, Schmidt, meier (byte order).
    table->First();
    EXPECT_TRUE(Locate(true, "Name", "Meier", mtExactMatch, true));
    EXPECT_EQ(table->RecNo(), 3);
    // Standing on a match: the scan takes the following record.
    EXPECT_FALSE(Locate(false, "Name", "Meier", mtExactMatch, true));
    EXPECT_TRUE(Locate(true, "Name", "Mül", mtPartialMatchStart, true));
    EXPECT_EQ(Name(), "Müller");
    EXPECT_TRUE(Locate(false, "Name", "Mül", mtPartialMatchStart, true));
    EXPECT_EQ(Name(), "Müllerin");
    // The next record along the index no longer matches: the search stops.
    EXPECT_FALSE(Locate(false, "Name", "Mül", mtPartialMatchStart, true));
    EXPECT_EQ(Name(), "Müllerin");
}

TEST_F(LocateTest, AlongTheIndexAStartSearchBelowTheCurrentKeyEndsAtOnce)
{
    table->SetIndexName("Name");
    table->First();
    ASSERT_TRUE(Locate(true, "Name", "Sch", mtPartialMatchStart, true));
    // "Mei" sorts before "Schmidt": Next cannot find it any more.
    EXPECT_FALSE(Locate(false, "Name", "Mei", mtPartialMatchStart, true));
    EXPECT_EQ(Name(), "Schmidt");
}

TEST_F(LocateTest, FindValueSearchesSilentlyAndReportsNoMoreMatches)
{
    TdkLocateDialog locate(nullptr);
    locate.SetDataSource(source.get());
    locate.SearchField = "Stadt";
    locate.FieldValue = "Köln";
    EXPECT_TRUE(locate.FindValue());
    EXPECT_EQ(Name(), "Schmidt");
    TPromptScript script;
    script.Answer(mrOk, "No more matches found");
    locate.FieldValue = "Paris";
    EXPECT_FALSE(locate.FindValue());
    locate.ShowMessages = false;
    EXPECT_FALSE(locate.FindValue());
    EXPECT_EQ(script.Records().size(), 1u);
}

TEST_F(LocateTest, FindValueWithoutAnActiveTableWarns)
{
    TdkLocateDialog locate(nullptr);
    TPromptScript script;
    script.Answer(mrOk, "DataSource does not refer to an active table!");
    locate.FieldValue = "x";
    EXPECT_FALSE(locate.FindValue());
    script.Answer(mrOk, "DataSource does not reference an active DataSet");
    EXPECT_FALSE(locate.Execute());
    EXPECT_EQ(script.Records().at(1).DlgType, mtError);
}

TEST_F(LocateTest, TheWindowListsLabelsFindsAndWritesTheChoicesBack)
{
    table->FieldByName("Stadt")->SetDisplayLabel("Wohn~ort");
    table->FieldByName("Betrag")->SetVisible(false);
    TdkLocateDialog locate(nullptr);
    locate.SetDataSource(source.get());
    locate.SearchField = "Stadt";
    locate.FieldValue = "Ham";
    locate.FieldSelection = fsVisibleFields;
    locate.Caption = "Suchen";
    QStringList items;
    bool initSeen = false;
    locate.OnInitDialog = [&](TdkLocateDlg* dlg) { initSeen = dlg != nullptr; };
    TPromptScript script;
    script.Modal([&](TCustomForm& f) {
        auto& dlg = dynamic_cast<TdkLocateDlg&>(f);
        items = dlg.FieldNameComboBox->Items()->ToStringList();
        EXPECT_EQ(dlg.Caption(), "Suchen");
        EXPECT_EQ(dlg.SearchValue->Text(), "Ham");
        EXPECT_EQ(dlg.FieldNameComboBox->Text(), "Wohn ort");
        EXPECT_TRUE(dlg.PartialMatchStartBtn->Checked());
        EXPECT_TRUE(dlg.NextButton->Default());
        EXPECT_EQ(locate.Form, &dlg);
        EXPECT_EQ(dlg.CancelButton->Left() + dlg.CancelButton->Width(),
                  dlg.FieldsGroup->Left() + dlg.FieldsGroup->Width() - 1);
        QDir().mkpath(QCoreApplication::applicationDirPath() + "/screenshots");
        dlg.Handle()->grab().save(QCoreApplication::applicationDirPath() + "/screenshots/locate_dialog.png");
        dlg.SearchValue->SetText("BRE");
        dlg.PartialMatchAnyBtn->SetChecked(true);
        dlg.FirstButton->Click();
    });
    EXPECT_TRUE(locate.Execute());
    EXPECT_TRUE(initSeen);
    EXPECT_EQ(items, QStringList({"NAME", "NOTIZ", "Wohn ort"}));
    EXPECT_EQ(Name(), "Müllerin");
    EXPECT_EQ(locate.SearchField, "STADT");
    EXPECT_EQ(locate.FieldValue, "BRE");
    EXPECT_EQ(locate.MatchType, mtPartialMatchAny);
    EXPECT_EQ(locate.Form, nullptr);
}

TEST_F(LocateTest, TheWindowSaysWhenNothingMoreIsFound)
{
    TdkLocateDialog locate(nullptr);
    locate.SetDataSource(source.get());
    locate.SortFields = fsSortByFieldNo;
    TPromptScript script;
    script.Modal([&](TCustomForm& f) {
               auto& dlg = dynamic_cast<TdkLocateDlg&>(f);
               EXPECT_EQ(dlg.FieldNameComboBox->Items()->ToStringList(),
                         QStringList({"NAME", "STADT", "BETRAG", "NOTIZ"}));
               EXPECT_EQ(dlg.SearchValue->Text(), "");
               dlg.FieldNameComboBox->SetItemIndex(1);
               dlg.SearchValue->SetText("Paris");
               dlg.FirstButton->Click();
               EXPECT_EQ(f.ModalResult, mrNone);
               dlg.NextButton->Click();
               EXPECT_EQ(f.ModalResult, mrNone);
               f.ModalResult = mrCancel;
           })
        .Answer(mrOk, "No matches found")
        .Answer(mrOk, "No more matches found");
    EXPECT_FALSE(locate.Execute());
    EXPECT_EQ(locate.FieldValue, "Paris");
    EXPECT_EQ(locate.SearchField, "STADT");
}

}  // namespace
