// TFts as the main window uses it: building the album's index, keeping it in
// step with posts and appends, searching, and the answers for a missing or
// damaged index.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>

#include <memory>

#include "platform/fts/fts.h"
#include "storage/tfts.h"
#include "test_environment.h"

namespace {

// A record image of an album with one 20-character field, blank padded,
// with the terminating zero of the main window's record buffer.
QByteArray RecordImage(const QByteArray& text, bool deleted = false) {
    QByteArray image = (deleted ? "*" : " ") + text.leftJustified(20, ' ');
    image.append('\0');
    return image;
}

QString WinPath(const std::filesystem::path& p) {
    return "C:" + QString::fromStdString(p.string()).replace('/', '\\');
}

class TFtsTest : public ::testing::Test {
protected:
    lxtest::TempDir dir;
    QString file = WinPath(dir / "BILDER.IA");
    TFts fts{nullptr};

    // The build of the main window: create (20, 2, 1, 1), add every record
    // in natural order, delete the entries of deleted records, close, open
    // (20, 0).
    void BuildAlbum(const std::vector<std::pair<QByteArray, bool>>& records) {
        ASSERT_GT(fts.CreateIndex(file, 20, 2, 1, 1), 0);
        for (const auto& [text, deleted] : records) {
            int n = fts.Add(RecordImage(text, deleted));
            ASSERT_GT(n, 0);
            if (deleted) {
                ASSERT_EQ(fts.Delete(n), n);
            }
        }
        ASSERT_EQ(fts.Close(), 0);
        ASSERT_GT(fts.OpenIndex(file, 20, 0), 0);
    }

    // The post handler: replace when the counts agree, else add.
    int Post(const QByteArray& image, int recNo, int albumCount) {
        return fts.NumRecs() == albumCount ? fts.Replace(image, recNo) : fts.Add(image);
    }

    std::vector<int> Hits(const char* query) {
        std::vector<int> hits;
        if (fts.SetQuery(query) < 0) return {-1};
        for (int r = fts.NextRec(); r > 0; r = fts.NextRec())
            hits.push_back(r);
        return hits;
    }
};

TEST_F(TFtsTest, KeepsEntryNumbersEqualToRecordNumbers) {
    BuildAlbum(
        {{"Eins", false}, {"Zwei", false}, {"Drei", true}, {"Vier", false}, {"Fuenf", false}});
    struct Case {
        const char* what;
        std::function<void()> act;
        int count;
        const char* query;
        std::vector<int> hits;
    };
    const Case cases[] = {
        {"5 records, record 3 deleted: 5 entries, entry 3 deleted", [] {}, 5, "drei", {}},
        {"entry 4 still belongs to record 4", [] {}, 5, "vier", {4}},
        {"editing record 2 replaces entry 2 and adds nothing",
         [&] { EXPECT_EQ(Post(RecordImage("Zwo"), 2, 5), 2); },
         5,
         "zwo",
         {2}},
        {"the old text of record 2 is gone", [] {}, 5, "zwei", {}},
        {"appending a record adds one entry",
         [&] { EXPECT_EQ(Post(RecordImage("Sechs"), 6, 6), 6); },
         6,
         "sechs",
         {6}},
    };
    for (const Case& c : cases) {
        c.act();
        EXPECT_EQ(fts.NumRecs(), c.count) << c.what;
        EXPECT_EQ(Hits(c.query), c.hits) << c.what;
    }
}

TEST_F(TFtsTest, SearchesAndVerifiesRecordBuffers) {
    BuildAlbum({{"Sommerurlaub", false}, {"M\xDCLLER", false}, {"Winter", false}});
    EXPECT_EQ(fts.SetQuery("urlaub"), 1);
    EXPECT_EQ(fts.NextRec(), 1);
    EXPECT_EQ(fts.NextRec(), 0);
    EXPECT_EQ(Hits("m\xFCller"), std::vector<int>{2});  // ü finds Ü
    EXPECT_EQ(fts.SetQuery("Zugspitze"), 0);
    // The filter checks each candidate's record buffer with mode 2.
    EXPECT_EQ(fts.Verify(RecordImage("M\xDCLLER"), QByteArray("m\xFCller"), 2), 1);
    EXPECT_EQ(fts.Verify(RecordImage("Winter").constData(), "sommer", 2), 0);
}

TEST_F(TFtsTest, AnswersForMissingEmptyAndDamagedIndexes) {
    EXPECT_EQ(fts.NumRecs(), kFtsErrUnusable);  // never opened: the caller adds nothing
    EXPECT_LT(fts.OpenIndex(file, 20, 0), 0);   // no file
    EXPECT_EQ(fts.NumRecs(), kFtsErrUnusable);
    EXPECT_LT(fts.OpenIndex("Q:\\BILDER\\BILDER.IA", 20, 0), 0);  // drive not mapped

    ASSERT_GT(fts.CreateIndex(file, 20, 2, 1, 1), 0);
    EXPECT_EQ(fts.SetQuery("urlaub"), kFtsErrNoKeys);  // "Keine Schlüssel ..."
    fts.Close();

    lxtest::WriteFile(dir / "BILDER.IA", std::string(3000, 'x'));
    EXPECT_EQ(fts.OpenIndex(file, 20, 0), kFtsErrUnusable);
    EXPECT_EQ(fts.NumRecs(), kFtsErrUnusable);
    EXPECT_LT(fts.Add(RecordImage("x")), 0);
}

TEST_F(TFtsTest, WindowsPathsMapOntoTheDriveTable) {
    ASSERT_GT(fts.CreateIndex(file.toLower(), 20, 2, 1, 1), 0);  // case-insensitive folders
    fts.Add("eintrag");
    fts.Close();
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "bilder.ia") ||
                std::filesystem::exists(dir.path() / "BILDER.IA"));
    EXPECT_GT(fts.OpenIndex(file.toLower(), 20, 0), 0);
    EXPECT_EQ(fts.NumRecs(), 1);
}

TEST_F(TFtsTest, ClosesItsIndexWhenReopenedOrFreed) {
    BuildAlbum({{"Eins", false}});
    int first = fts.Handle();
    ASSERT_GT(fts.OpenIndex(file, 20, 0), 0);
    EXPECT_EQ(FtsNumRecs(first), kFtsErrUnusable);  // the earlier handle was closed
    EXPECT_EQ(fts.Close(), 0);
    EXPECT_EQ(fts.Close(), 0);  // nothing open: nothing to do

    auto owner = std::make_unique<TComponent>(nullptr);
    auto* owned = new TFts(owner.get());
    int handle = owned->OpenIndex(file, 20, 0);
    ASSERT_GT(handle, 0);
    owner.reset();  // the owner frees the component, which closes the index
    EXPECT_EQ(FtsNumRecs(handle), kFtsErrUnusable);
}

}  // namespace
