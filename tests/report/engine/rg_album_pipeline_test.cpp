// The dataset pipeline over an album as the program opens it: a TdkTable
// with the album's fields, filtered by its filter lines. The report sees
// only what the table shows.

#include "report/engine/rg_dataset_pipeline.h"

#include "report/engine/rg_cache.h"
#include "album_fixture.h"

#include <gtest/gtest.h>

namespace {

class AlbumPipeline : public AlbumTableTest, public TrgCacheOwner {
protected:
    // Entries "Bild 1" .. "Bild n", owned alternately by Anna and Otto.
    void MakeAlbum(int count)
    {
        CreateAlbum(count, [](int i) {
            dbe_Replace("ShortDesc", DBE_REPL_TEXT, QStringLiteral("Bild %1").arg(i).toUtf8().constData());
            dbe_Replace("Owner", DBE_REPL_TEXT, i % 2 ? "Anna" : "Otto");
        });
    }

    QString Current() { return pipeline->GetFieldAsString(QStringLiteral("ShortDesc")).trimmed(); }

    std::vector<TrgCacheable*> CacheablesInOrder() override { return {pipeline.get()}; }
    TrgLanguageType CacheLanguage() const override { return lgGerman; }
    void CancelGeneration() override {}
};

TEST_F(AlbumPipeline, AFilteredAlbumPrintsOnlyTheEntriesItShows)
{
    MakeAlbum(7);
    TStringList filter;
    filter.Add(QStringLiteral("Owner = \"Anna\""));
    table->SetdkFilter(filter);
    table->Open();

    struct Case {
        TrgRangeBeginType begin;
        TrgRangeEndType end;
        int skipFirst;  // entries the table moves on before printing
        const char* expected;
    };
    for (const Case& c : {Case{rbFirstRecord, reLastRecord, 0, "Bild 1|Bild 3|Bild 5|Bild 7"},
                          Case{rbCurrentRecord, reLastRecord, 2, "Bild 5|Bild 7"},
                          Case{rbCurrentRecord, reCurrentRecord, 1, "Bild 3"},
                          Case{rbCurrentRecord, reFirstRecord, 2, "Bild 5|Bild 3|Bild 1"}}) {
        table->First();
        table->MoveBy(c.skipFirst);
        pipeline->SetRangeBegin(c.begin);
        pipeline->SetRangeEnd(c.end);
        pipeline->Open();
        pipeline->First();
        pipeline->SaveBookmark();
        QStringList printed;
        while (!pipeline->IsEOF() && printed.size() < 20) {
            printed << Current();
            pipeline->Next();
        }
        EXPECT_EQ(printed.join(u'|'), QString::fromLatin1(c.expected));
        // After printing, the album stands where the range began.
        pipeline->GotoSavedBookmark();
        EXPECT_EQ(Current(), printed.value(0));
        pipeline->Close();
        EXPECT_TRUE(table->Active());
    }
}

TEST_F(AlbumPipeline, PagesOfAnAlbumAreRestoredFromTheCache)
{
    MakeAlbum(9);
    table->Open();
    TrgCacheManager cache(nullptr, this);
    cache.ResetCache();
    pipeline->Open();
    pipeline->First();
    pipeline->SaveBookmark();
    // Three entries a page; the entry each page begins with.
    QStringList pageStarts;
    for (int page = 1; !pipeline->IsEOF(); ++page) {
        pageStarts << Current();
        for (int i = 0; i < 3 && !pipeline->IsEOF(); ++i)
            pipeline->Next();
        cache.SavePage(page);
    }
    ASSERT_EQ(pageStarts.join(u'|'), "Bild 1|Bild 4|Bild 7");
    for (int page : {2, 1, 2}) {
        cache.RestorePage(page);  // the state at the end of the page before
        EXPECT_EQ(Current(), pageStarts[page]) << "page " << page + 1;
    }
}

}  // namespace
