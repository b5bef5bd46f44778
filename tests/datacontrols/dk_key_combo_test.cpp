// Guards the index chooser combo: the orders it lists, choosing one, and datasets it refuses.
#include "pictures_fixture.h"

#include "datacontrols/dk_key_combo.h"
#include "datagrid/dk_query.h"
#include "index_flags_dbi.h"

#include <QComboBox>

#include <optional>

namespace {

struct Tag {
    const char* name;
    const char* key;
    int descending;
};

class KeyComboTest : public PicturesTest {
protected:
    void SetUp() override
    {
        PicturesTest::SetUp();
        flags.emplace();
        MakePictures();
        // Two orders on NAME (one descending), two on NUM (the second adds
        // no entry), an expression order, one on a hidden field, and DAT
        // twice of which "DAT_I" counts as case-insensitive.
        const Tag tags[] = {{"NAME", "NAME", 0},   {"NAME_D", "NAME", 1},     {"NUM", "NUM", 0},
                            {"NUM2", "NUM", 0},    {"UPNAME", "UPPER(NAME)", 0}, {"VERST", "VERSTECKT", 0},
                            {"DAT", "DAT", 0},     {"DAT_I", "DAT", 0}};
        ASSERT_NE(dbe_Use(File("BILDER.DBF").c_str(), "TAGS", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0);
        for (const Tag& t : tags)
            ASSERT_NE(dbe_IndexTag(nullptr, t.name, t.key, t.descending, 0, nullptr), 0) << dbe_LastError();
        dbe_Close();
        OpenPictures(table);
        combo = new TdkKeyCombo(&form);
        combo->Name = "KeyCombo1";
        combo->SetParent(&form);
        combo->SetBounds(8, 8, 180, 21);
    }

    QStringList Entries() const { return combo->Items()->ToStringList(); }

    // The user picks entry text from the drop-down list.
    void Choose(const QString& text)
    {
        const int i = combo->Combo()->findText(text, Qt::MatchExactly);
        ASSERT_GE(i, 0) << text.toStdString();
        combo->Combo()->setCurrentIndex(i);
        emit combo->Combo()->activated(i);
    }

    void TearDown() override
    {
        table.Close();
        flags.reset();
        PicturesTest::TearDown();
    }

    std::optional<TIndexFlagsDbi> flags;
    TdkTable table;
    TDataSource source{&table};
    TdkKeyCombo* combo = nullptr;
};

TEST_F(KeyComboTest, ListsEachShownFirstFieldOnceWithDescendingOrders)
{
    table.SetIndexName("NAME_D");
    combo->SetDataSource(&source);
    EXPECT_TRUE(combo->RefreshPending());
    EXPECT_EQ(combo->Items()->Count(), 0);
    // The list is filled before the combo box first paints.
    form.Show();
    const QImage shot = SaveShot(combo->Handle(), "key_combo");
    EXPECT_FALSE(combo->RefreshPending());
    EXPECT_EQ(Entries(), (QStringList{"Bild name", "Bild name - Desc", "NUM", "DAT"}));
    EXPECT_EQ(combo->Text(), "Bild name - Desc");
    EXPECT_EQ(shot.size(), QSize(180, 21));
    EXPECT_EQ(combo->Style(), csDropDownList);

    // The ascending order shows its own entry, not the descending one.
    table.SetIndexName("NAME");
    combo->FillIndexList();
    EXPECT_EQ(combo->Text(), "Bild name");
    table.SetIndexFieldNames("NUM");
    combo->FillIndexList();
    EXPECT_EQ(combo->Text(), "NUM");

    // A grid's column list limits the entries to its columns.
    TStringList columns;
    columns.Add("num\t6\tNummer");
    columns.Add("VERSTECKT\t5\tVersteckt");
    combo->FillIndexList(&columns);
    EXPECT_EQ(Entries(), (QStringList{"NUM", "VERSTECKT"}));
}

TEST_F(KeyComboTest, ChoosingAnEntryMakesItsOrderCurrent)
{
    combo->SetDataSource(&source);
    combo->FillIndexList();
    QStringList changes;
    combo->OnChange = [&](TObject*) { changes << table.IndexName(); };

    Choose("Bild name - Desc");
    EXPECT_EQ(table.IndexName(), "NAME_D");
    EXPECT_EQ(Names(table).first(), "Zeder");
    Choose("Bild name");
    EXPECT_EQ(table.IndexName(), "NAME");
    EXPECT_EQ(Names(table).first(), "Anna");
    Choose("NUM");
    EXPECT_EQ(table.IndexName(), "NUM");  // the first order with that entry
    EXPECT_EQ(Names(table).first(), "Annika");
    Choose("DAT");
    EXPECT_EQ(table.IndexName(), "DAT_I");  // a case-insensitive order comes first
    EXPECT_EQ(combo->Text(), "DAT");
    EXPECT_EQ(changes, (QStringList{"NAME_D", "NAME", "NUM", "DAT_I"}));
}

TEST_F(KeyComboTest, ShowAllIndexesListsTheOrderNames)
{
    table.SetIndexName("VERST");
    combo->SetDataSource(&source);
    combo->SetShowAllIndexes(true);
    EXPECT_EQ(Entries(), (QStringList{"NAME", "NAME_D", "NUM", "NUM2", "UPNAME", "VERST", "DAT", "DAT_I"}));
    EXPECT_EQ(combo->Text(), "VERST");
    Choose("UPNAME");
    EXPECT_EQ(table.IndexName(), "UPNAME");
    EXPECT_EQ(Names(table).first(), "Anna");
}

TEST_F(KeyComboTest, DatasetsWithoutUsableIndexesAreRefusedWithAWarning)
{
    combo->SetDataSource(&source);
    {
        TPromptScript script;
        script.Answer(mrOk, "DataSource must point to a dataset containing index information.");
        TdkQuery query;
        TDataSource querySource(&query);
        combo->SetDataSource(&querySource);
    }
    EXPECT_EQ(combo->DataSource(), &source);  // the old one stays

    TdkTable withQuery;
    withQuery.SetQuery(Lines({"select * from BILDER"}));
    TDataSource querySource(&withQuery);
    combo->SetDataSource(&querySource);
    {
        TPromptScript script;
        script.Answer(mrOk, "TdkKeyCombo: DataSet cannot be a TdkTable using a Query.");
        combo->FillIndexList();
    }
    EXPECT_EQ(combo->Items()->Count(), 0);

    TdkTable master;
    OpenPictures(master);
    TDataSource masterSource(&master);
    TdkTable child;
    child.SetMasterSource(&masterSource);
    TDataSource childSource(&child);
    combo->SetDataSource(&childSource);
    {
        TPromptScript script;
        script.Answer(mrOk, "TdkKeyCombo: Data Source can not be a child table.\rComponent KeyCombo1 has a "
                            "MasterSource defined.");
        combo->FillIndexList();
    }
    EXPECT_EQ(combo->Items()->Count(), 0);
    combo->SetDataSource(nullptr);
}

}  // namespace
