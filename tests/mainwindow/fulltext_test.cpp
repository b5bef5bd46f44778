// The open album's full-text index: built with entry n for record n, kept
// in step after posts, rebuilt by its command under an active filter.
#include "main_form_fixture.h"

#include "platform/data/field.h"

namespace {

std::vector<int> Treffer(TFts* fts, const char* query)
{
    std::vector<int> found;
    if (fts->SetQuery(query) <= 0)
        return found;
    for (int r = fts->NextRec(); r > 0; r = fts->NextRec())
        found.push_back(r);
    return found;
}

class FulltextTest : public MainFormTest {
protected:
    void Oeffnen()
    {
        AlbumAnlegen("TEST.DBF", {{"anfang"}, {"zweiter"}, {"geloeschter", true, true}, {"vierter"}, {"fuenfter"}});
        ManagerAnlegen();
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
        form->OeffneBilderFTS();
        ASSERT_TRUE(std::filesystem::exists(dir / "TEST.IA"));
    }
};

TEST_F(FulltextTest, BuildKeepsEntryNumbersEqualToRecordNumbers)
{
    Oeffnen();
    EXPECT_EQ(form->FtsBilder->NumRecs(), 5);
    EXPECT_TRUE(Treffer(form->FtsBilder, "geloeschter").empty());
    EXPECT_EQ(Treffer(form->FtsBilder, "vierter"), std::vector<int>{4});
    EXPECT_EQ(Treffer(form->FtsBilder, "fuenfter"), std::vector<int>{5});
    EXPECT_EQ(form->BereichBilder().FtsPuffer().size(), static_cast<size_t>(form->DbeBilder->RecSize()) + 1);
}

TEST_F(FulltextTest, PostsReplaceOrAddTheirEntry)
{
    Oeffnen();
    form->DbeBilder->SetOrder(0);
    form->TableBilder->First();
    form->TableBilder->Next();
    ASSERT_EQ(form->DbeBilder->RecNo(), 2u);
    form->TableBilder->Edit();
    form->TableBilder->FieldByName("SHORTDESC")->SetAsString("geaendert");
    form->TableBilder->Post();
    EXPECT_EQ(form->FtsBilder->NumRecs(), 5);
    EXPECT_EQ(Treffer(form->FtsBilder, "geaendert"), std::vector<int>{2});
    EXPECT_TRUE(Treffer(form->FtsBilder, "zweiter").empty());

    form->TableBilder->Append();
    form->TableBilder->FieldByName("SHORTDESC")->SetAsString("angehaengt");
    form->TableBilder->Post();
    EXPECT_EQ(form->FtsBilder->NumRecs(), 6);
    EXPECT_EQ(Treffer(form->FtsBilder, "angehaengt"), std::vector<int>{6});
}

TEST_F(FulltextTest, RebuildCommandIndexesAllRecordsAndKeepsTheFilter)
{
    Oeffnen();
    std::filesystem::remove(dir / "TEST.IA");  // gone behind the program's back
    form->DbeBilder->Query("'vier' $ SHORTDESC");
    ASSERT_EQ(form->DbeBilder->QueryRecCount(), 1u);
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "Volltextdatenbank jetzt neu aufbauen ?");
        form->NurVolltextsucheneuaufbauen1Click(nullptr);
    }
    EXPECT_EQ(form->FtsBilder->NumRecs(), 5);
    EXPECT_EQ(Treffer(form->FtsBilder, "anfang"), std::vector<int>{1});
    EXPECT_EQ(form->DbeBilder->DBFilter(), "'vier' $ SHORTDESC");
    EXPECT_EQ(form->DbeBilder->QueryRecCount(), 1u);
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrNo, "Volltextdatenbank jetzt neu aufbauen ?");
        form->NurVolltextsucheneuaufbauen1Click(nullptr);
    }
    EXPECT_EQ(form->FtsBilder->NumRecs(), 5);
}

TEST_F(MainFormTest, PostsWithoutAFullTextIndexReportNothing)
{
    AlbumAnlegen("TEST.DBF", {{"eins"}});
    ManagerAnlegen();
    TPromptScript script;  // no prompt may come
    ASSERT_EQ(form->BilderDBFOeffnen(), 1);
    form->TableBilder->Edit();
    form->TableBilder->FieldByName("SHORTDESC")->SetAsString("ohne Index");
    form->TableBilder->Post();
    EXPECT_FALSE(std::filesystem::exists(dir / "TEST.IA"));
}

}  // namespace
