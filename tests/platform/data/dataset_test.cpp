// Guards the dataset framework: browsing, editing, value checks, blobs, formats and link notifications.
#include "memory_dbi.h"

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/data/table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Records every notification a link receives, in order.
class TRecordingLink : public TDataLink {
public:
    std::vector<std::string> Log;

protected:
    void ActiveChanged() override { Log.push_back(Active() ? "active" : "inactive"); }
    void DataSetChanged() override { Log.push_back("changed"); }
    void DataSetScrolled(int distance) override { Log.push_back("scrolled " + std::to_string(distance)); }
    void EditingChanged() override { Log.push_back(Editing() ? "editing" : "not editing"); }
    void LayoutChanged() override { Log.push_back("layout"); }
    void RecordChanged(TField* field) override
    {
        Log.push_back(field ? "record " + field->FieldName.toStdString() : "record");
    }
    void UpdateData() override { Log.push_back("update"); }
};

class DataSetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetDbi(&dbi);
        dbi.AddTable("ALBUM", {"NAME:C:10", "NUM:N:4:0", "PRICE:N:8:2", "OK:L", "DAY:D", "NOTE:M"});
        for (int i = 1; i <= 50; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "R%02d", 51 - i);  // names run backwards
            dbi.AddRecord("ALBUM", {name, std::to_string(i), std::to_string(i) + ".50", i % 2 ? "T" : "F", "20240131"});
        }
        table.SetTableName("ALBUM");
        source.SetDataSet(&table);
    }
    void TearDown() override { SetDbi(nullptr); }

    std::vector<int> Window(TDataLink& link)
    {
        // The rows a grid shows: move the active record over the link's rows.
        std::vector<int> rows;
        const int saved = link.ActiveRecord();
        for (int r = 0; r < link.RecordCount(); ++r) {
            link.SetActiveRecord(r);
            rows.push_back(table.FieldByName("NUM")->AsInteger());
        }
        link.SetActiveRecord(saved);
        return rows;
    }

    TMemoryDbi dbi;
    TTable table;
    TDataSource source;
};

TEST_F(DataSetTest, OpensAndBrowsesWithTypedFields)
{
    table.Open();
    ASSERT_EQ(table.FieldCount(), 6);
    EXPECT_EQ(table.Fields(0)->DataType(), ftString);
    EXPECT_EQ(table.Fields(0)->Size(), 10);
    EXPECT_EQ(table.FieldByName("num")->DataType(), ftSmallint);
    EXPECT_EQ(table.FieldByName("PRICE")->DataType(), ftFloat);
    EXPECT_EQ(table.FieldByName("OK")->DataType(), ftBoolean);
    EXPECT_EQ(table.FieldByName("DAY")->DataType(), ftDate);
    EXPECT_EQ(table.FieldByName("NOTE")->DataType(), ftMemo);
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "R50");
    EXPECT_EQ(table.FieldByName("NUM")->AsInteger(), 1);
    EXPECT_DOUBLE_EQ(table.FieldByName("PRICE")->AsFloat(), 1.5);
    EXPECT_EQ(table.FieldByName("PRICE")->AsString(), "1,5");
    EXPECT_TRUE(table.FieldByName("OK")->AsBoolean());
    EXPECT_EQ(table.FieldByName("DAY")->AsString(), "31.01.2024");
    EXPECT_TRUE(table.FieldByName("NOTE")->IsNull());
    EXPECT_EQ(table.RecordCount(), 50);

    int n = 0;
    while (!table.Eof()) {
        ++n;
        EXPECT_EQ(table.RecNo(), n);
        table.Next();
    }
    EXPECT_EQ(n, 50);
    table.Last();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.FieldByName("NUM")->AsInteger(), 50);
    table.Prior();
    EXPECT_EQ(table.FieldByName("NUM")->AsInteger(), 49);
    EXPECT_EQ(table.MoveBy(-100), -48);
    EXPECT_TRUE(table.Bof());
    EXPECT_THROW(table.FieldByName("NOPE"), EDatabaseError);
    try {
        table.FieldByName("NOPE");
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Feld 'NOPE' nicht gefunden");
    }
}

TEST_F(DataSetTest, EditPostCancelInsertAppendDelete)
{
    std::vector<std::string> events;
    auto log = [&](const char* name) { return [&events, name](TDataSet*) { events.push_back(name); }; };
    table.BeforeEdit = log("BeforeEdit");
    table.AfterEdit = log("AfterEdit");
    table.BeforePost = log("BeforePost");
    table.AfterPost = log("AfterPost");
    table.BeforeCancel = log("BeforeCancel");
    table.AfterCancel = log("AfterCancel");
    table.BeforeInsert = log("BeforeInsert");
    table.AfterInsert = log("AfterInsert");
    table.OnNewRecord = [&](TDataSet* ds) { ds->FieldByName("NUM")->SetAsInteger(999); };
    table.Open();

    EXPECT_THROW(table.FieldByName("NAME")->SetAsString("x"), EDatabaseError);  // not editing
    table.Edit();
    EXPECT_EQ(table.State(), dsEdit);
    table.FieldByName("NAME")->SetAsString("Müller €");
    EXPECT_TRUE(table.Modified());
    table.Post();
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(dbi.TableOf("ALBUM").records[0].substr(1, 10), std::string("M\xfcller \x80  "));

    table.Edit();
    table.FieldByName("NAME")->SetAsString("Weg");
    table.Cancel();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "Müller €");

    // A character Windows-1252 cannot hold is an error naming the text, not a "?".
    table.Edit();
    try {
        table.FieldByName("NAME")->SetAsString("Ωmega");
        FAIL() << "no error";
    } catch (const EEncodingError& e) {
        EXPECT_TRUE(e.Message.contains("Ωmega"));
    }
    table.Cancel();

    table.Next();
    table.Insert();
    EXPECT_EQ(table.State(), dsInsert);
    EXPECT_EQ(table.FieldByName("NUM")->AsInteger(), 999);
    table.FieldByName("NAME")->SetAsString("NEU");
    table.Post();
    EXPECT_EQ(dbi.TableOf("ALBUM").records.size(), 51u);
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "NEU");
    EXPECT_EQ(table.RecNo(), 51);

    table.Append();
    table.FieldByName("NAME")->SetAsString("ENDE");
    table.Cancel();
    EXPECT_EQ(dbi.TableOf("ALBUM").records.size(), 51u);

    table.First();
    table.Delete();
    EXPECT_EQ(dbi.TableOf("ALBUM").records.size(), 50u);
    EXPECT_EQ(table.FieldByName("NUM")->AsInteger(), 2);

    // Browse mode after a modified edit posts; an unmodified one cancels.
    table.Edit();
    table.FieldByName("NUM")->SetAsInteger(7);
    table.Next();
    EXPECT_EQ(table.State(), dsBrowse);
    table.Prior();
    EXPECT_EQ(table.FieldByName("NUM")->AsInteger(), 7);

    const std::vector<std::string> expected = {"BeforeEdit",   "AfterEdit",   "BeforePost",  "AfterPost",
                                               "BeforeEdit",   "AfterEdit",   "BeforeCancel", "AfterCancel",
                                               "BeforeEdit",   "AfterEdit",   "BeforeCancel", "AfterCancel",
                                               "BeforeInsert", "AfterInsert", "BeforePost",  "AfterPost",
                                               "BeforeInsert", "AfterInsert", "BeforeCancel", "AfterCancel",
                                               "BeforeEdit",   "AfterEdit",   "BeforePost",  "AfterPost"};
    EXPECT_EQ(events, expected);
}

TEST_F(DataSetTest, ValuesThatDoNotFitAreRefused)
{
    table.Open();
    table.Edit();
    EXPECT_THROW(table.FieldByName("NUM")->SetAsInteger(40000), EDatabaseError);
    EXPECT_THROW(table.FieldByName("NUM")->SetAsString("abc"), EDatabaseError);
    EXPECT_THROW(table.FieldByName("PRICE")->SetAsFloat(123456789.0), EDatabaseError);  // wider than N(8,2)
    table.FieldByName("DAY")->SetAsString("");
    EXPECT_TRUE(table.FieldByName("DAY")->IsNull());
    table.FieldByName("DAY")->SetAsString("29.02.2024");
    EXPECT_EQ(table.FieldByName("DAY")->AsString(), "29.02.2024");
    EXPECT_THROW(table.FieldByName("DAY")->SetAsString("30.02.2024"), EDatabaseError);
    table.Cancel();
}

TEST_F(DataSetTest, BlobsAreBinarySafe)
{
    table.Open();
    QByteArray bytes("a\0b\xff\x00z", 6);
    table.Edit();
    static_cast<TBlobField*>(table.FieldByName("NOTE"))->SetAsBytes(bytes);
    table.Post();
    table.Next();
    table.Prior();
    EXPECT_EQ(static_cast<TBlobField*>(table.FieldByName("NOTE"))->AsBytes(), bytes);
    table.Edit();
    table.FieldByName("NOTE")->SetAsString("Grüße");
    table.Post();
    EXPECT_EQ(table.FieldByName("NOTE")->AsString(), "Grüße");
    EXPECT_EQ(dbi.TableOf("ALBUM").blobs.back(), QByteArray("Gr\xfc\xdf" "e"));

    // Streams carry the bytes unchanged both ways.
    TMemoryStream in;
    in.Write(bytes.constData(), bytes.size());
    in.SetPosition(0);
    auto* note = static_cast<TBlobField*>(table.FieldByName("NOTE"));
    table.Edit();
    note->LoadFromStream(in);
    table.Post();
    TMemoryStream out;
    note->SaveToStream(out);
    EXPECT_EQ(out.Bytes(), bytes);
    EXPECT_EQ(note->BlobSize(), 6);
    EXPECT_EQ(note->DisplayText(), "(MEMO)");
}

TEST_F(DataSetTest, DisplayAndEditFormats)
{
    table.Open();
    auto* price = static_cast<TFloatField*>(table.FieldByName("PRICE"));
    auto* day = static_cast<TDateField*>(table.FieldByName("DAY"));
    EXPECT_EQ(price->DisplayText(), "1,5");
    price->DisplayFormat = "#,##0.00";
    price->EditFormat = "0.0";
    EXPECT_EQ(price->DisplayText(), "1,50");
    EXPECT_EQ(price->Text(), "1,5");
    day->DisplayFormat = "d. mmmm yyyy";
    EXPECT_EQ(day->DisplayText(), "31. Januar 2024");
    EXPECT_EQ(day->Text(), "31.01.2024");
    EXPECT_EQ(table.FieldByName("OK")->DisplayText(), "True");
    static_cast<TBooleanField*>(table.FieldByName("OK"))->SetDisplayValues("Wahr;Falsch");
    EXPECT_EQ(table.FieldByName("OK")->AsString(), "Wahr");
    table.Edit();
    table.FieldByName("OK")->SetAsString("falsch");
    EXPECT_FALSE(table.FieldByName("OK")->AsBoolean());
    EXPECT_THROW(table.FieldByName("OK")->SetAsString("vielleicht"), EDatabaseError);
    table.FieldByName("PRICE")->SetText("1234,5");
    EXPECT_DOUBLE_EQ(price->AsFloat(), 1234.5);
    table.Cancel();
    EXPECT_EQ(table.FieldByName("NAME")->DisplayWidth(), 10);
    EXPECT_EQ(table.FieldByName("NAME")->Alignment(), kFieldAlignLeft);
    EXPECT_EQ(price->Alignment(), kFieldAlignRight);
}

TEST_F(DataSetTest, LinkNotificationsArriveInOrder)
{
    TRecordingLink link;
    link.SetDataSource(&source);
    std::vector<std::string> sourceLog;
    source.OnStateChange = [&](TDataSource* s) { sourceLog.push_back("state " + std::to_string(s->State())); };
    table.Open();
    table.Next();
    table.Edit();
    table.FieldByName("NAME")->SetAsString("X");
    table.Post();
    const size_t before = link.Log.size();
    table.DisableControls();
    table.DisableControls();
    table.Next();
    table.Next();
    table.EnableControls();
    EXPECT_EQ(link.Log.size(), before);  // nothing while disabled, until the last enable
    table.EnableControls();
    EXPECT_EQ(link.Log.size(), before + 1);
    table.Close();
    const std::vector<std::string> expected = {
        "active", "scrolled 1", "editing", "record", "record NAME", "update", "not editing", "changed",
        "changed", "inactive"};
    EXPECT_EQ(link.Log, expected);
    EXPECT_EQ(sourceLog, (std::vector<std::string>{"state 1", "state 2", "state 1", "state 0"}));
}

TEST_F(DataSetTest, FieldDataLinkFollowsItsFieldAndWritesBackBeforePost)
{
    TFieldDataLink edit;
    std::string shown;
    QString typed;
    int changes = 0, editingChanges = 0;
    edit.OnDataChange = [&] {
        ++changes;
        shown = edit.Field() ? edit.Field()->AsString().toStdString() : "";
    };
    edit.OnEditingChange = [&] { ++editingChanges; };
    edit.OnUpdateData = [&] { edit.Field()->SetAsString(typed); };
    edit.SetFieldName("NAME");
    edit.SetDataSource(&source);
    EXPECT_EQ(edit.Field(), nullptr);
    table.Open();
    ASSERT_EQ(edit.Field(), table.FieldByName("NAME"));
    EXPECT_EQ(shown, "R50");
    table.Next();
    EXPECT_EQ(shown, "R49");
    const int before = changes;
    table.Edit();
    table.FieldByName("NUM")->SetAsInteger(5);  // another field: no refresh of this control
    EXPECT_EQ(changes, before + 1);             // only the record change of Edit
    EXPECT_EQ(editingChanges, 1);
    typed = "getippt";
    edit.Modified();
    table.Post();  // the control's text reaches the field before the record is written
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "getippt");
    EXPECT_EQ(dbi.TableOf("ALBUM").records[1].substr(1, 7), "getippt");
    EXPECT_EQ(editingChanges, 2);

    // AutoEdit: a control's edit puts the dataset in edit state; without it not.
    EXPECT_TRUE(edit.Edit());
    EXPECT_EQ(table.State(), dsEdit);
    table.Cancel();
    source.AutoEdit = false;
    EXPECT_FALSE(edit.Edit());
    EXPECT_EQ(table.State(), dsBrowse);
    edit.Field()->SetReadOnly(true);
    EXPECT_FALSE(edit.CanModify());
    table.Close();
    EXPECT_EQ(edit.Field(), nullptr);
}

TEST_F(DataSetTest, GridWindowOfTwentyRowsScrollsAtBothEnds)
{
    TRecordingLink grid;
    grid.SetDataSource(&source);
    table.Open();
    grid.SetBufferCount(20);
    EXPECT_EQ(table.BufferCount(), 20);
    EXPECT_EQ(grid.RecordCount(), 20);
    EXPECT_EQ(Window(grid).front(), 1);
    EXPECT_EQ(Window(grid).back(), 20);

    grid.Log.clear();
    for (int i = 0; i < 19; ++i)
        table.Next();  // inside the window: no scrolling of rows
    EXPECT_EQ(grid.ActiveRecord(), 19);
    EXPECT_EQ(grid.Log.back(), "scrolled 0");
    table.Next();  // past the bottom row: the window moves by one
    EXPECT_EQ(grid.Log.back(), "scrolled 1");
    EXPECT_EQ(grid.ActiveRecord(), 19);
    EXPECT_EQ(Window(grid).front(), 2);
    EXPECT_EQ(Window(grid).back(), 21);
    table.MoveBy(5);
    EXPECT_EQ(grid.Log.back(), "scrolled 5");
    EXPECT_EQ(Window(grid).back(), 26);

    table.Last();
    EXPECT_EQ(grid.Log.back(), "changed");
    EXPECT_EQ(Window(grid).front(), 31);
    EXPECT_EQ(Window(grid).back(), 50);
    EXPECT_EQ(grid.ActiveRecord(), 19);
    table.Next();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.FieldByName("NUM")->AsInteger(), 50);
    table.MoveBy(-19);
    EXPECT_EQ(grid.ActiveRecord(), 0);
    table.Prior();
    EXPECT_EQ(grid.Log.back(), "scrolled -1");
    EXPECT_EQ(Window(grid).front(), 30);

    table.First();
    EXPECT_EQ(Window(grid), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}));
    table.Prior();
    EXPECT_TRUE(table.Bof());
    EXPECT_EQ(grid.ActiveRecord(), 0);

    // A single-row link on the same dataset follows the active record.
    TDataSource second(&table);
    TRecordingLink edit;
    edit.SetDataSource(&second);
    table.MoveBy(25);
    EXPECT_EQ(edit.Log.back(), "scrolled 25");
    EXPECT_EQ(edit.ActiveRecord(), 0);
    EXPECT_EQ(table.FieldByName("NUM")->AsInteger(), 26);
}

TEST_F(DataSetTest, TwoDatasetsSeeEachOthersPostsAfterRefresh)
{
    TTable other;
    other.SetTableName("ALBUM");
    table.Open();
    other.Open();
    other.Edit();
    other.FieldByName("NAME")->SetAsString("ANDERS");
    other.Post();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "R50");
    table.Refresh();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "ANDERS");
}

TEST_F(DataSetTest, BookmarksAndFilter)
{
    table.Open();
    table.MoveBy(9);
    const TBookmark mark = table.GetBookmark();
    EXPECT_EQ(mark, 10u);
    table.Last();
    table.GotoBookmark(mark);
    EXPECT_EQ(table.FieldByName("NUM")->AsInteger(), 10);
    std::vector<uint8_t> raw(table.RecordSize());
    ASSERT_TRUE(table.GetCurrentRecord(raw.data()));
    EXPECT_EQ(std::string(raw.begin(), raw.end()), dbi.TableOf("ALBUM").records[9]);
    EXPECT_LT(table.CompareBookmarks(3, mark), 0);
    EXPECT_EQ(table.CompareBookmarks(mark, mark), 0);
    EXPECT_TRUE(table.BookmarkValid(mark));
    EXPECT_FALSE(table.BookmarkValid(99));

    table.OnFilterRecord = [](TDataSet* ds, bool& accept) { accept = ds->FieldByName("NUM")->AsInteger() % 10 == 0; };
    table.SetFiltered(true);
    std::vector<int> seen;
    for (table.First(); !table.Eof(); table.Next())
        seen.push_back(table.FieldByName("NUM")->AsInteger());
    EXPECT_EQ(seen, (std::vector<int>{10, 20, 30, 40, 50}));
    table.Last();
    table.Prior();
    EXPECT_EQ(table.FieldByName("NUM")->AsInteger(), 40);
}

TEST_F(DataSetTest, CalculatedFieldsAndFieldOrder)
{
    auto* calc = new TStringField(20);
    calc->FieldName = "LABEL";
    calc->FieldKind = fkCalculated;
    calc->SetDataSet(&table);
    auto* num = new TSmallintField();
    num->FieldName = "NUM";
    num->SetDataSet(&table);
    table.OnCalcFields = [](TDataSet* ds) {
        ds->FieldByName("LABEL")->SetAsString("Nr. " + ds->FieldByName("NUM")->AsString());
    };
    table.Open();
    EXPECT_EQ(table.FieldCount(), 2);  // persistent fields only
    EXPECT_EQ(table.FieldByName("LABEL")->AsString(), "Nr. 1");
    table.Next();
    EXPECT_EQ(table.FieldByName("LABEL")->AsString(), "Nr. 2");
    TDataSource second(&table);
    TRecordingLink grid;
    grid.SetDataSource(&second);
    num->SetIndex(0);
    EXPECT_EQ(table.Fields(0), num);
    EXPECT_EQ(calc->Index(), 1);
    calc->SetVisible(false);
    EXPECT_EQ(grid.Log, (std::vector<std::string>{"active", "layout", "layout"}));
    second.SetEnabled(false);  // a disabled source tells its links the dataset is gone
    EXPECT_EQ(grid.Log.back(), "inactive");
    table.Next();
    EXPECT_EQ(grid.Log.back(), "inactive");
    second.SetEnabled(true);
    EXPECT_EQ(grid.Log.back(), "active");
    table.Close();
    EXPECT_EQ(table.FieldCount(), 2);  // persistent fields survive closing
}

TEST_F(DataSetTest, DefaultFieldsTellFieldsTheDatasetMadeFromThoseTheProgramDefined)
{
    table.Open();
    EXPECT_TRUE(table.DefaultFields());
    table.Close();
    auto* num = new TSmallintField();
    num->FieldName = "NUM";
    num->SetDataSet(&table);
    table.Open();
    EXPECT_FALSE(table.DefaultFields());
}

// A field asks the controls that show it for the focus: only links of that
// field are asked, and the first whose control takes the focus ends it.
TEST_F(DataSetTest, FocusControlAsksTheLinksOfTheFieldUntilOneTakesTheFocus)
{
    table.Open();
    std::vector<std::string> asked;
    struct Link {
        TFieldDataLink link;
        bool takes;
    };
    Link links[] = {{{}, false}, {{}, false}, {{}, true}};
    const char* fields[] = {"NUM", "NAME", "NAME"};
    const char* names[] = {"num", "name cannot", "name takes"};
    for (int i = 0; i < 3; ++i) {
        links[i].link.SetDataSource(&source);
        links[i].link.SetFieldName(fields[i]);
        links[i].link.OnFocusControl = [&asked, &links, &names, i] {
            asked.push_back(names[i]);
            return links[i].takes;
        };
    }
    table.FieldByName("NAME")->FocusControl();
    EXPECT_EQ(asked, (std::vector<std::string>{"name cannot", "name takes"}));
    asked.clear();
    table.FieldByName("PRICE")->FocusControl();  // no control shows it
    EXPECT_TRUE(asked.empty());
    table.DisableControls();
    table.FieldByName("NUM")->FocusControl();
    EXPECT_TRUE(asked.empty());
    table.EnableControls();
    for (Link& l : links)
        l.link.SetDataSource(nullptr);
}

TEST_F(DataSetTest, IndexKeysAndRanges)
{
    table.IndexDefs().Update();  // read through a cursor of its own while closed
    EXPECT_EQ(table.IndexDefs().Count(), 6);
    EXPECT_EQ(dbi.OpenCursors(), 0);
    EXPECT_FALSE(table.Active());
    table.SetIndexName("NAME");
    table.Open();
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "R01");
    EXPECT_EQ(table.IndexFieldCount(), 1);
    EXPECT_EQ(table.IndexFields(0)->FieldName, "NAME");
    EXPECT_TRUE(table.FindKey({"R17"}));
    EXPECT_EQ(table.FieldByName("NUM")->AsInteger(), 34);
    EXPECT_FALSE(table.FindKey({"R99"}));
    EXPECT_EQ(table.FieldByName("NUM")->AsInteger(), 34);  // stays on its record
    table.FindNearest({"R2"});
    EXPECT_EQ(table.FieldByName("NAME")->AsString(), "R20");

    table.SetKey();
    EXPECT_EQ(table.State(), dsSetKey);
    table.FieldByName("NAME")->SetAsString("R05");
    EXPECT_TRUE(table.GotoKey());
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(table.FieldByName("NUM")->AsInteger(), 46);

    table.SetRange({"R10"}, {"R12"});
    std::vector<std::string> names;
    for (table.First(); !table.Eof(); table.Next())
        names.push_back(table.FieldByName("NAME")->AsString().toStdString());
    EXPECT_EQ(names, (std::vector<std::string>{"R10", "R11", "R12"}));
    table.CancelRange();
    EXPECT_EQ(table.RecordCount(), 50);

    table.SetIndexFieldNames("NUM");
    EXPECT_EQ(table.IndexName(), "");
    EXPECT_EQ(table.IndexFieldNames(), "NUM");
    table.SetIndexName("");
    EXPECT_EQ(table.IndexFieldNames(), "");
    EXPECT_EQ(table.IndexDefs().Count(), 6);
    EXPECT_EQ(table.IndexDefs().IndexOf("price"), 2);
    EXPECT_EQ(table.IndexDefs().Items(2).Fields, "PRICE");
}

TEST_F(DataSetTest, MasterDetailAndCircularLinks)
{
    dbi.AddTable("DETAIL", {"OWNER:C:10", "TEXT:C:10"});
    for (const char* owner : {"R50", "R49", "R50"})
        dbi.AddRecord("DETAIL", {owner, "x"});
    TTable detail;
    detail.SetTableName("DETAIL");
    detail.SetIndexName("OWNER");
    detail.SetMasterSource(&source);
    detail.SetMasterFields("NAME");
    table.Open();
    detail.Open();
    EXPECT_EQ(detail.RecordCount(), 2);
    table.Next();
    EXPECT_EQ(detail.RecordCount(), 1);
    EXPECT_EQ(detail.FieldByName("OWNER")->AsString(), "R49");

    TDataSource detailSource(&detail);
    try {
        table.SetMasterSource(&detailSource);
        FAIL() << "circular link accepted";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Zirkuläre Datenverbindungen sind nicht erlaubt");
    }
}

TEST_F(DataSetTest, OpenErrors)
{
    TTable t;
    try {
        t.Open();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Eigenschaft TableName fehlt");
    }
    t.SetTableName("FEHLT");
    EXPECT_THROW(t.Open(), EDatabaseError);
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(dbi.OpenCursors(), 0);

    table.SetReadOnly(true);
    table.Open();
    EXPECT_FALSE(table.CanModify());
    EXPECT_THROW(table.Edit(), EDatabaseError);
    EXPECT_THROW(table.SetReadOnly(false), EDatabaseError);  // only while closed
    table.Close();

    // A table that opens only read-only is opened so on the second try.
    table.SetReadOnly(false);
    dbi.TableOf("ALBUM").readOnlyFile = true;
    dbi.Calls.clear();
    table.Open();
    EXPECT_EQ(std::count(dbi.Calls.begin(), dbi.Calls.end(), "DbiOpenTable"), 2);
    EXPECT_FALSE(table.CanModify());
    EXPECT_THROW(table.Insert(), EDatabaseError);
}

TEST_F(DataSetTest, EmptyTableAndLockFailure)
{
    dbi.AddTable("LEER", {"A:C:5"});
    TTable empty;
    empty.SetTableName("LEER");
    empty.Open();
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_TRUE(empty.Bof());
    EXPECT_TRUE(empty.Eof());
    EXPECT_EQ(empty.RecNo(), -1);
    EXPECT_THROW(empty.Delete(), EDatabaseError);
    empty.Edit();  // an empty dataset inserts instead
    EXPECT_EQ(empty.State(), dsInsert);
    empty.FieldByName("A")->SetAsString("eins");
    empty.Post();
    EXPECT_FALSE(empty.IsEmpty());
    EXPECT_EQ(empty.RecordCount(), 1);

    dbi.TableOf("ALBUM").lockedRecord = 1;
    table.Open();
    EXPECT_THROW(table.Edit(), EDatabaseError);
    EXPECT_EQ(table.State(), dsBrowse);
}

}  // namespace
