// Guards the album table dataset: browsing, editing, links, two datasets,
// indexes and ranges.
#include "bridge_fixture.h"

#include "platform/core/win_path.h"
#include "platform/dbf/engine_lock.h"
#include "storage/table_types.h"

#include <QFileInfo>

#include <filesystem>
#include <string>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Records the notifications a control's link receives.
class TLoggingLink : public TDataLink {
public:
    std::vector<std::string> Log;

protected:
    void ActiveChanged() override { Log.push_back(Active() ? "active" : "inactive"); }
    void DataSetChanged() override { Log.push_back("changed"); }
    void DataSetScrolled(int distance) override { Log.push_back("scrolled " + std::to_string(distance)); }
    void EditingChanged() override { Log.push_back(Editing() ? "editing" : "browsing"); }
    void RecordChanged(TField* field) override
    {
        Log.push_back(field ? "field " + field->FieldName.toStdString() : "record");
    }
    void UpdateData() override { Log.push_back("update"); }
};

class TableTest : public BridgeTest {
protected:
    void OpenAlbum(TTable& t, int count = 40)
    {
        if (!QFileInfo::exists(Dir() + "BILDER.DBF"))
            MakeAlbum("BILDER.DBF", count);
        // The database is given in Windows form, as the program does.
        t.SetDatabaseName(*LinuxToWin(QString::fromStdString(dir.str())));
        t.SetTableName("BILDER.DBF");
        t.SetTableType(ttDXFOX);
        t.Open();
    }
    std::vector<int> Rows(TTable& t, TDataLink& link)
    {
        std::vector<int> rows;
        const int saved = link.ActiveRecord();
        for (int r = 0; r < link.RecordCount(); ++r) {
            link.SetActiveRecord(r);
            rows.push_back(t.RecNo());
        }
        link.SetActiveRecord(saved);
        return rows;
    }
};

TEST_F(TableTest, AlbumTableBrowsesEditsInsertsDeletesAndCancels)
{
    TTable t;
    OpenAlbum(t);
    ASSERT_EQ(t.FieldCount(), 8);
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Bild 9999");
    EXPECT_EQ(t.FieldByName("DATUM")->AsString(), "31.01.2024");
    EXPECT_EQ(t.FieldByName("NUM")->DataType(), ftSmallint);
    EXPECT_EQ(t.FieldByName("GROESSE")->AsFloat(), 1000.0);
    EXPECT_TRUE(t.FieldByName("MARKIERT")->AsBoolean());
    EXPECT_EQ(t.RecordCount(), 40);
    int n = 0;
    for (t.First(); !t.Eof(); t.Next())
        ++n;
    EXPECT_EQ(n, 40);

    t.First();
    t.Next();
    const TBookmark second = t.GetBookmark();
    t.Edit();
    t.FieldByName("NAME")->SetAsString("Straße in Köln");
    t.FieldByName("PREIS")->SetAsFloat(12.5);
    t.FieldByName("NOTIZ")->SetAsString("Notiz über Ärger");
    t.Post();
    EXPECT_EQ(RawField("BILDER.DBF", 2, 1, 20), std::string("Stra\xdf" "e in K\xf6ln      "));
    EXPECT_EQ(RawField("BILDER.DBF", 2, 95, 8), "   12.50");

    t.Edit();
    t.FieldByName("NAME")->SetAsString("verworfen");
    t.Cancel();
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Straße in Köln");

    t.Last();
    t.Insert();
    t.FieldByName("NAME")->SetAsString("Neues Bild");
    t.FieldByName("DATUM")->SetAsString("24.12.2024");
    t.Post();
    EXPECT_EQ(RawRecordCount("BILDER.DBF"), 41u);
    EXPECT_EQ(RawField("BILDER.DBF", 41, 103, 8), "20241224");
    EXPECT_EQ(t.RecNo(), 41);

    t.Append();
    t.FieldByName("NAME")->SetAsString("nie gespeichert");
    t.Cancel();
    EXPECT_EQ(RawRecordCount("BILDER.DBF"), 41u);  // a cancelled append leaves nothing

    t.GotoBookmark(second);
    EXPECT_EQ(t.FieldByName("NOTIZ")->AsString(), "Notiz über Ärger");
    t.Delete();
    EXPECT_EQ(RawField("BILDER.DBF", 2, 0, 1), "*");
    t.Close();
}

TEST_F(TableTest, LinkNotificationsArriveInOrderWithTheirDistances)
{
    TTable t;
    TDataSource ds(&t);
    TLoggingLink grid;
    grid.SetDataSource(&ds);
    OpenAlbum(t);
    grid.SetBufferCount(10);
    t.MoveBy(3);
    t.MoveBy(8);   // two rows past the bottom
    t.MoveBy(-12);  // back to the top and one further than the window
    t.Edit();
    t.FieldByName("PFAD")->SetAsString("C:\\x.jpg");
    t.Post();
    t.Close();
    const std::vector<std::string> expected = {"active",      "scrolled 0", "scrolled 2",
                                               "scrolled -2", "editing",    "record",     "field PFAD",
                                               "update",     "browsing",   "changed",    "inactive"};
    EXPECT_EQ(grid.Log, expected);
}

TEST_F(TableTest, TwoDatasetsSeeEachOthersPostsAfterRefresh)
{
    TTable a, b;
    OpenAlbum(a);
    OpenAlbum(b);
    a.MoveBy(4);
    b.MoveBy(4);
    b.Edit();
    b.FieldByName("NAME")->SetAsString("von B");
    b.Post();
    EXPECT_EQ(a.FieldByName("NAME")->AsString(), "Bild 9995");  // still its buffer
    a.Refresh();
    EXPECT_EQ(a.FieldByName("NAME")->AsString(), "von B");
    a.Append();
    a.FieldByName("NAME")->SetAsString("von A");
    a.Post();
    b.Refresh();
    EXPECT_EQ(b.RecordCount(), 41);
    b.Last();
    EXPECT_EQ(b.FieldByName("NAME")->AsString(), "von A");
}

TEST_F(TableTest, GridWindowOfTwentyRowsAtBothEnds)
{
    TTable t;
    TDataSource ds(&t);
    TLoggingLink grid;
    grid.SetDataSource(&ds);
    OpenAlbum(t, 50);
    grid.SetBufferCount(20);
    std::vector<int> top;
    for (int i = 1; i <= 20; ++i)
        top.push_back(i);
    EXPECT_EQ(Rows(t, grid), top);
    t.Last();
    std::vector<int> bottom;
    for (int i = 31; i <= 50; ++i)
        bottom.push_back(i);
    EXPECT_EQ(Rows(t, grid), bottom);
    EXPECT_EQ(grid.ActiveRecord(), 19);
    t.Next();
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(Rows(t, grid), bottom);
    t.MoveBy(-20);
    EXPECT_EQ(grid.Log.back(), "scrolled -1");
    EXPECT_EQ(Rows(t, grid).front(), 30);
    t.First();
    EXPECT_EQ(Rows(t, grid), top);
    t.Prior();
    EXPECT_TRUE(t.Bof());
    EXPECT_EQ(t.RecNo(), 1);
}

TEST_F(TableTest, IndexesKeysAndRanges)
{
    MakeAlbum("BILDER.DBF", 30);
    {
        const uint16_t area = dbe_Use(File("BILDER.DBF").c_str(), "TAGS", DBE_EXCLUSIVE, DBE_TYPE_FOX);
        ASSERT_NE(area, 0);
        const bool made = dbe_IndexTag(nullptr, "NAME", "NAME", 0, 0, nullptr) != 0 &&
                          dbe_IndexTag(nullptr, "NUM", "NUM", 0, 0, nullptr) != 0;
        const std::string why = dbe_LastError();
        dbe_Close();
        ASSERT_TRUE(made) << why;
    }
    TTable t;
    t.SetIndexName("NAME");
    OpenAlbum(t);
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Bild 9970");
    EXPECT_EQ(t.IndexDefs().Count(), 2);
    EXPECT_EQ(t.IndexDefs().Items(0).Name, "NAME");
    EXPECT_TRUE(t.FindKey({"Bild 9980"}));
    EXPECT_EQ(t.RecNo(), 20);
    EXPECT_FALSE(t.FindKey({"Bild 1"}));
    EXPECT_EQ(t.RecNo(), 20);
    t.FindNearest({"Bild 9985x"});
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Bild 9986");
    t.SetRange({"Bild 9975"}, {"Bild 9977"});
    std::vector<int> recs;
    for (t.First(); !t.Eof(); t.Next())
        recs.push_back(t.RecNo());
    EXPECT_EQ(recs, (std::vector<int>{25, 24, 23}));
    t.CancelRange();
    EXPECT_EQ(t.RecordCount(), 30);
    t.SetIndexFieldNames("NUM");
    EXPECT_EQ(t.IndexName(), "");
    EXPECT_EQ(t.IndexFields(0)->FieldName, "NUM");
    t.First();
    EXPECT_EQ(t.RecNo(), 1);
    EXPECT_TRUE(t.FindKey({12}));  // numeric keys go through STR()
    EXPECT_EQ(t.RecNo(), 12);
    t.SetRange({5}, {7});
    EXPECT_EQ(t.RecNo(), 5);
    t.Last();
    EXPECT_EQ(t.RecNo(), 7);
    t.CancelRange();
    try {
        t.SetIndexName("FEHLT");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Index existiert nicht. Index: FEHLT");
    }
}

TEST_F(TableTest, ExpressionTagsAndMasterDetail)
{
    MakeAlbum("BILDER.DBF", 6);
    {
        const uint16_t area = dbe_Use(File("BILDER.DBF").c_str(), "TAGS", DBE_EXCLUSIVE, DBE_TYPE_FOX);
        ASSERT_NE(area, 0);
        const bool made = dbe_IndexTag(nullptr, "UNAME", "UPPER(NAME)", 0, 0, nullptr) != 0 &&
                          dbe_IndexTag(nullptr, "DATUM", "DATUM", 0, 0, nullptr) != 0 &&
                          dbe_IndexTag(nullptr, "NUM", "NUM", 0, 0, nullptr) != 0;
        const std::string why = dbe_LastError();
        dbe_Close();
        ASSERT_TRUE(made) << why;
    }
    // Details: two rows for record 2, one for record 5, by NUM.
    const uint16_t area = dbe_CreateNew(File("DETAIL.DBF").c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, 2);
    ASSERT_NE(area, 0);
    dbe_CreateField("NUM", 'N', 4, 0);
    dbe_CreateField("TEXT", 'C', 10, 0);
    ASSERT_EQ(dbe_CreateExec(), 1);
    for (int32_t owner : {2, 5, 2}) {
        dbe_AppendBlank();
        dbe_Replace("NUM", DBE_REPL_LONG, &owner);
        dbe_Replace("TEXT", DBE_REPL_TEXT, "x");
    }
    dbe_IndexTag(nullptr, "NUM", "NUM", 0, 0, nullptr);
    dbe_Close();

    TTable master;
    OpenAlbum(master);
    ASSERT_EQ(master.IndexDefs().Count(), 3);
    const TIndexDef& upper = master.IndexDefs().Items(0);
    EXPECT_EQ(upper.Name, "UNAME");
    EXPECT_TRUE(upper.Options & ixExpression);
    EXPECT_EQ(upper.Expression, "UPPER(NAME)");
    EXPECT_EQ(upper.Fields, "");
    EXPECT_EQ(master.IndexDefs().Items(1).Fields, "DATUM");
    master.SetIndexName("uname");
    EXPECT_EQ(master.IndexFieldCount(), 0);  // an expression tag has no key fields
    master.First();
    EXPECT_EQ(master.RecNo(), 6);  // "BILD 9994" first
    master.SetIndexName("DATUM");  // date keys search as "yyyymmdd"
    EXPECT_TRUE(master.FindKey({"31.01.2024"}));
    EXPECT_FALSE(master.FindKey({"01.02.2024"}));

    TDataSource ms(&master);
    TTable detail;
    detail.SetDatabaseName(Dir());
    detail.SetTableName("DETAIL.DBF");
    detail.SetIndexFieldNames("NUM");
    detail.SetMasterSource(&ms);
    detail.SetMasterFields("NUM");
    detail.Open();
    master.SetIndexName("");
    master.First();
    EXPECT_EQ(detail.RecordCount(), 0);  // the count follows the range:
    int rows = 0;
    for (detail.First(); !detail.Eof(); detail.Next())
        ++rows;
    EXPECT_EQ(rows, 0);  // nothing for record 1
    master.Next();
    rows = 0;
    for (detail.First(); !detail.Eof(); detail.Next()) {
        EXPECT_EQ(detail.FieldByName("NUM")->AsInteger(), 2);
        ++rows;
    }
    EXPECT_EQ(rows, 2);
    master.MoveBy(3);
    detail.First();
    EXPECT_EQ(detail.RecNo(), 2);
    detail.Next();
    EXPECT_TRUE(detail.Eof());
}

TEST_F(TableTest, ExclusiveTablesKeepOthersOut)
{
    TTable first, second;
    first.SetExclusive(true);
    OpenAlbum(first);
    try {
        OpenAlbum(second);
        FAIL() << "second open of an exclusive table";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message.startsWith("File Open Error.\nTabelle: "));
        EXPECT_TRUE(e.Message.endsWith("BILDER.DBF"));
    }
    EXPECT_FALSE(second.Active());
    EXPECT_THROW(first.SetExclusive(false), EDatabaseError);  // only while closed
    first.Close();
    OpenAlbum(second);
    EXPECT_TRUE(second.Active());
}

TEST(TableTypes, DriverNamesAndIndexNames)
{
    TEngineTableTypes rules;
    EXPECT_EQ(rules.DriverName(ttDefault, "BILDER.DBF", true), "DXFOX");
    EXPECT_EQ(rules.DriverName(ttDefault, "liste.txt", true), "ASCIIDRV");
    EXPECT_EQ(rules.DriverName(ttDefault, "X.DB", true), "PARADOX");
    EXPECT_EQ(rules.DriverName(ttRXNTX, "X.DBF", true), "RXNTX");
    EXPECT_EQ(rules.DriverName(ttDXFOX, "X.DBF", false), "");
    EXPECT_TRUE(rules.IsDBaseTable(ttParadox, "x.dbf"));
    EXPECT_FALSE(rules.IsDBaseTable(ttParadox, "x.db"));
    EXPECT_TRUE(rules.IsDBaseTable(ttDBase, "x.db"));

    TTable table;
    TIndexDefs defs(&table);
    defs.Add(TIndexDef{"Pfad", "C:\\Alben\\BILDER.CDX", "PFAD", "", 0});
    defs.Updated = true;
    QString file, tag;
    rules.DecodeIndexName(ttDXFOX, "BILDER.DBF", "PFAD.IDX", defs, file, tag);
    EXPECT_EQ(file, "PFAD.IDX");
    EXPECT_EQ(tag, "PFAD.IDX");
    rules.DecodeIndexName(ttDXFOX, "BILDER.DBF", "Pfad", defs, file, tag);
    EXPECT_EQ(file, "C:\\Alben\\BILDER.CDX");
    EXPECT_EQ(tag, "Pfad");
    rules.DecodeIndexName(ttDBase, "BILDER.DBF", "PFAD.NDX", defs, file, tag);
    EXPECT_EQ(file, "PFAD.NDX");
    try {
        rules.DecodeIndexName(ttDXFOX, "BILDER.DBF", "Datum", defs, file, tag);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Index existiert nicht. Index: Datum");
    }
    EXPECT_TRUE(rules.IsOwnIndexFile(ttDXFOX, "BILDER.DBF", "C:\\x\\bilder.cdx"));
    EXPECT_FALSE(rules.IsOwnIndexFile(ttDBase, "BILDER.DBF", "BILDER.NDX"));
}

// A record saved by Post is in the table file when Post returns: a process
// killed (SIGKILL) right after its Post, while it keeps the album open,
// loses neither the record nor its memo. Opened exclusively and shared,
// with the album's production index (whose keys may wait; the index is
// rebuilt at the next open).
TEST_F(TableTest, APostedRecordSurvivesTheProcessKilledRightAfter)
{
    for (const bool exclusive : {true, false}) {
        SCOPED_TRACE(exclusive ? "exclusive" : "shared");
        std::filesystem::remove_all(dir.path());
        std::filesystem::create_directories(dir.path());
        MakeAlbum("BILDER.DBF", 3);
        ASSERT_NE(dbe_Use(File("BILDER.DBF").c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX), 0) << dbe_LastError();
        ASSERT_NE(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0) << dbe_LastError();
        dbe_CloseAll();

        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            TTable t;
            t.SetExclusive(exclusive);
            OpenAlbum(t);
            t.Append();
            t.FieldByName("NAME")->SetAsString("Gesichert");
            t.FieldByName("NOTIZ")->SetAsString("Notiz über das Gesicherte");
            t.Post();
            // Goes on browsing: locks kept across calls stay kept (the
            // engine lock keeps its background thread from giving them back).
            const dbf::EngineLock browsing;
            const char c = 'p';
            if (::write(ready[1], &c, 1) != 1) std::_Exit(2);
            for (;;) ::pause();
        }
        char c = 0;
        ASSERT_EQ(::read(ready[0], &c, 1), 1);
        ::close(ready[0]);
        ::close(ready[1]);
        ASSERT_EQ(::kill(writer, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(writer, &status, 0), writer);

        // From the file's bytes: the record and the header count.
        EXPECT_EQ(RawRecordCount("BILDER.DBF"), 4u);
        EXPECT_EQ(RawField("BILDER.DBF", 4, 1, 20), "Gesichert" + std::string(11, ' '));
        TTable t;
        OpenAlbum(t);
        t.SetIndexName("NAME");
        ASSERT_TRUE(t.FindKey({QVariant("Gesichert")}));
        EXPECT_EQ(t.FieldByName("NOTIZ")->AsString(), "Notiz über das Gesicherte");
        t.Close();
    }
}

TEST_F(TableTest, ReadOnlyTableIsOpenedReadOnlyAndRefusesEdits)
{
    MakeAlbum("BILDER.DBF", 3);
    std::filesystem::permissions(dir / "BILDER.DBF", std::filesystem::perms::owner_read);
    TTable t;
    OpenAlbum(t);  // opens after the read-only retry
    EXPECT_TRUE(t.Active());
    if (::access(File("BILDER.DBF").c_str(), W_OK) != 0) {
        EXPECT_FALSE(t.CanModify());
        EXPECT_THROW(t.Edit(), EDatabaseError);
    }
    t.Close();
    std::filesystem::permissions(dir / "BILDER.DBF", std::filesystem::perms::owner_all);
}

}  // namespace
