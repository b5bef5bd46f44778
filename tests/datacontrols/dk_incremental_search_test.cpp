// Guards the incremental search box: one search after the typing pause, completion, narrowing and its errors.
#include "pictures_fixture.h"

#include "datacontrols/dk_incremental_search.h"
#include "platform/ui/test_input.h"

#include <QLineEdit>

namespace {

class IncrementalSearchTest : public PicturesTest {
protected:
    void SetUp() override
    {
        PicturesTest::SetUp();
        MakePictures();
        ASSERT_TRUE(MakeTags("BILDER.DBF", {{"NAME", "NAME"}, {"UPNAME", "UPPER(NAME)"}, {"LEFTNAME", "LEFT(NAME,3)"}}));
        OpenPictures(table);
        table.SetIndexName("NAME");
        search = new TdkIncrementalSearch(&form);
        search->Name = "Search1";
        search->SetParent(&form);
        search->SetBounds(8, 8, 160, 21);
        search->SetDataSource(&source);
        search->OnAfterSearch = [this](TdkIncrementalSearch*, bool found) { searches.push_back(found); };
    }

    // Types the text as a user would: each character pressed and released.
    void Type(const QString& text)
    {
        for (QChar c : text)
            lxui_test::SendKey(search->Handle(), QChar(c.toUpper()).unicode(), QString(c));
    }
    void Backspace() { lxui_test::SendKey(search->Handle(), Qt::Key_Backspace); }
    // The typing pause ends.
    void Tick() { search->SearchTimer()->Timer(); }

    TdkTable table;
    TDataSource source{&table};
    TdkIncrementalSearch* search = nullptr;
    std::vector<bool> searches;
};

TEST_F(IncrementalSearchTest, OneSearchRunsAfterThePauseForAllTypedKeys)
{
    EXPECT_EQ(search->SearchDelay(), 333);
    EXPECT_EQ(search->SearchTimer()->Interval(), 333);
    Type("Ant");
    EXPECT_EQ(search->Text(), "Ant");
    EXPECT_TRUE(searches.empty());  // nothing before the pause
    EXPECT_TRUE(search->SearchTimer()->Enabled());
    EXPECT_EQ(search->SearchTimer()->Interval(), 166);  // a local table waits half as long
    Tick();
    EXPECT_EQ(searches, std::vector<bool>{true});
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "Anton");
    EXPECT_EQ(search->LastSearch(), "Ant");
    EXPECT_FALSE(search->SearchTimer()->Enabled());
    Tick();  // a tick of a stopped timer searches nothing
    EXPECT_EQ(searches.size(), 1u);

    // A key typed and deleted again before the pause: the text is the one
    // searched last, so no search runs.
    Type("x");
    Backspace();
    Tick();
    EXPECT_EQ(searches.size(), 1u);

    // No match: the table stands on the nearest key.
    Type("z");
    Tick();
    EXPECT_EQ(searches, (std::vector<bool>{true, false}));

    search->ClearSearch();
    EXPECT_EQ(search->Text(), "");
    EXPECT_EQ(search->LastSearch(), "");
}

TEST_F(IncrementalSearchTest, ShowMatchTextCompletesTheTypedTextAndDeletingNeverSearches)
{
    search->ShowMatchText = true;
    form.Show();
    Type("Mo");
    Tick();
    EXPECT_EQ(search->Text(), "Mohn");
    auto* edit = static_cast<QLineEdit*>(search->Handle());
    EXPECT_EQ(edit->selectionStart(), 2);
    EXPECT_EQ(edit->selectedText(), "hn");
    SaveShot(search->Handle(), "incremental_search_match");
    Backspace();  // removes the shown completion
    EXPECT_EQ(search->Text(), "Mo");
    EXPECT_FALSE(search->SearchTimer()->Enabled());
    Tick();
    EXPECT_EQ(searches.size(), 1u);
}

TEST_F(IncrementalSearchTest, EmptyingANarrowedTableShowsAllRecordsAgain)
{
    table.NarrowSearch = true;
    search->ShowMatchText = true;
    Type("An");
    Tick();
    EXPECT_EQ(Names(table), (QStringList{"Anna", "Annika", "Anton"}));
    Backspace();
    Backspace();
    Backspace();
    Backspace();
    Backspace();
    Backspace();
    EXPECT_EQ(search->Text(), "");
    EXPECT_EQ(Names(table).size(), 8);
    EXPECT_EQ(searches.size(), 1u);
}

TEST_F(IncrementalSearchTest, ExpressionIndexSearchesItsField)
{
    table.SetIndexName("UPNAME");
    EXPECT_EQ(search->ExpressionIndexField(), "NAME");
    Type("tul");
    Tick();
    EXPECT_EQ(searches, std::vector<bool>{true});
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "Tulpe");

    // An explicit search field is the one filled.
    search->SetSearchField("NAME");
    EXPECT_EQ(search->ExpressionIndexField(), "NAME");
    search->SetSearchField("");

    // A field name followed by a comma and a length names no field: the
    // search goes by the first field instead.
    table.SetIndexName("LEFTNAME");
    EXPECT_EQ(search->ExpressionIndexField(), "");
    search->ClearSearch();
    Type("Be");
    Tick();
    EXPECT_EQ(searches, (std::vector<bool>{true, true}));
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "Berta");

    // Natural order: by the search field.
    table.SetIndexName("");
    search->SetSearchField("NAME");
    search->ClearSearch();
    Type("ros");
    Tick();
    EXPECT_EQ(searches, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "Rose");
}

TEST_F(IncrementalSearchTest, MissingDataSourceOrDatasetIsReported)
{
    search->SetDataSource(nullptr);
    {
        TPromptScript script;
        script.Answer(mrOk, "DataSource not defined - object Search1");
        Type("a");
    }
    TDataSource empty;
    search->SetDataSource(&empty);
    {
        TPromptScript script;
        script.Answer(mrOk, "Dataset not defined for DataSource");
        Type("b");
    }
    EXPECT_FALSE(search->SearchTimer()->Enabled());
    search->SetDataSource(nullptr);

    // A closed table waits the whole delay and is not searched.
    table.Close();
    search->SetDataSource(&source);
    Type("c");
    EXPECT_EQ(search->SearchTimer()->Interval(), 333);
    Tick();
    EXPECT_TRUE(searches.empty());
}

}  // namespace
