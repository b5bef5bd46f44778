// Guards TDbe: calls leave dataset and engine where they were, replaces by
// type, texts and empty tables.
#include "dbe_fixture.h"

#include "platform/core/exceptions.h"
#include "platform/core/sys_utils.h"
#include "shared/status4_form.h"
#include "storage/tdbe_env.h"

#include <QFileInfo>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

class TDbeTest : public DbeTest {
protected:
    void TearDown() override
    {
        readOnly_.reset();
        dbe_CloseAll();
        DbeTest::TearDown();
    }
    // A second table open straight in the engine and selected, so each test
    // can see whether TDbe leaves the selection alone.
    uint16_t OpenOther()
    {
        MakeTable("ANDERE.DBF", {{"X", 'C', 5, 0}}, 3);
        const uint16_t area = dbe_Use(File("ANDERE.DBF").c_str(), "", DBE_SHARED, DBE_TYPE_FOX);
        EXPECT_NE(area, 0);
        dbe_Select(area);
        return area;
    }
    // A 20-entry album whose tag NAME was left half-written (its dirty
    // mark set), so a read-only open cannot read or rebuild it.
    void AlbumWithHalfWrittenTag()
    {
        MakeAlbum("BILDER.DBF", 20);
        {
            dbe_Use(File("BILDER.DBF").c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX);
            ASSERT_GT(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0);
            dbe_Close();
        }
        std::string cdx = lxtest::ReadFile(File("BILDER.CDX"));
        const std::size_t tag = cdx.find("LXCD", cdx.find("LXCD") + 1);  // the tag's header
        ASSERT_NE(tag, std::string::npos);
        cdx[tag + 8] = 1;  // its dirty mark
        lxtest::WriteFile(File("BILDER.CDX"), cdx);
    }
    // That album opened read-only through a dataset and its TDbe; `warum`
    // gets the reason the tag NAME (order 1) cannot be used.
    TLinkedTable& ReadOnlyWithHalfWrittenTag(QString& warum)
    {
        AlbumWithHalfWrittenTag();
        readOnly_ = std::make_unique<TLinkedTable>();
        readOnly_->table.SetReadOnly(true);
        Open(readOnly_->table, "BILDER.DBF");
        EXPECT_FALSE(readOnly_->dbe.OrderUsable(1, &warum));
        return *readOnly_;
    }
    std::unique_ptr<TLinkedTable> readOnly_;
};

TEST_F(TDbeTest, CallsLeaveDatasetEngineRecordAndSelectedAreaAsTheyWere)
{
    MakeAlbum("BILDER.DBF", 40);
    TLinkedTable lt;
    Open(lt.table, "BILDER.DBF");
    MoveTo(lt.table, 7);
    const uint16_t albumArea = static_cast<uint16_t>(lt.table.Handle());
    const uint16_t other = OpenOther();
    // The engine stands somewhere else than the dataset.
    dbe_Select(albumArea);
    dbe_Go(20);
    dbe_Select(other);

    TDbe& dbe = lt.dbe;
    std::vector<char> buffer(static_cast<size_t>(dbe.RecSize()));
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"GetTrimString", [&] { EXPECT_EQ(dbe.GetTrimString("NAME"), "Bild 9993"); }},
        {"GetString", [&] { EXPECT_EQ(dbe.GetString("NAME").trimmed(), "Bild 9993"); }},
        {"GetInteger", [&] { EXPECT_EQ(dbe.GetInteger("NUM"), 7); }},
        {"GetDouble", [&] { EXPECT_EQ(dbe.GetDouble("GROESSE"), 7000.0); }},
        {"GetLogical", [&] { EXPECT_TRUE(dbe.GetLogical("MARKIERT")); }},
        {"Empty", [&] { EXPECT_TRUE(dbe.Empty("PREIS")); }},
        {"EvalString", [&] { EXPECT_EQ(dbe.EvalString("TRIM(NAME)+'!'"), "Bild 9993!"); }},
        {"GetBlobLength", [&] { EXPECT_EQ(dbe.GetBlobLength("NOTIZ"), 0); }},
        {"RecNo", [&] { EXPECT_EQ(dbe.RecNo(), 7u); }},
        {"RecCount", [&] { EXPECT_EQ(dbe.RecCount(), 40u); }},
        {"OrderRecNo", [&] { EXPECT_EQ(dbe.OrderRecNo(), 7u); }},
        {"Deleted", [&] { EXPECT_FALSE(dbe.Deleted()); }},
        {"FieldCount", [&] { EXPECT_EQ(dbe.FieldCount(), 8); }},
        {"FieldName", [&] { EXPECT_EQ(dbe.FieldName(2), "PFAD"); }},
        {"FieldType", [&] { EXPECT_EQ(dbe.FieldType("DATUM"), "D"); }},
        {"FieldWidth", [&] { EXPECT_EQ(dbe.FieldWidth("PFAD"), 60); }},
        {"Alias", [&] { EXPECT_EQ(dbe.Alias(), "BILDER"); }},
        {"GetRecord",
         [&] {
             ASSERT_TRUE(dbe.GetRecord(buffer.data()));
             EXPECT_EQ(std::string(buffer.data() + 1, 9), "Bild 9993");
         }},
        {"GetMemo",
         [&] {
             char* memo = dbe.GetMemo("NOTIZ", 0);
             ASSERT_NE(memo, nullptr);
             EXPECT_STREQ(memo, "");
             dbe.MemDealloc(memo);
         }},
    };
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        call();
        EXPECT_EQ(dbe_WorkArea(nullptr), other);
        EXPECT_EQ(lt.table.RecNo(), 7);
        EXPECT_EQ(lt.table.State(), dsBrowse);
        dbe_Select(albumArea);
        EXPECT_EQ(dbe_RecNo(), 20u);
        dbe_Select(other);
    }
}

TEST_F(TDbeTest, ReplaceByEveryTypeCodeReadsBackThroughTheDataset)
{
    MakeAlbum("BILDER.DBF", 5);
    lxtest::WriteFile(dir / "text.txt", "Text aus Datei");
    lxtest::WriteFile(dir / "bild.bin", std::string("\x00\x01\xFF\x42", 4));
    TLinkedTable lt;
    Open(lt.table, "BILDER.DBF");
    MoveTo(lt.table, 3);
    const uint16_t other = OpenOther();
    TDbe& dbe = lt.dbe;
    TTable& t = lt.table;

    const int32_t zahl = 42, gross = 123456;
    const double preis = 12.5;
    const unsigned char falsch = 0;
    const QByteArray textDatei = (WinDir() + "text.txt").toLatin1();
    const QByteArray binDatei = (WinDir() + "bild.bin").toLatin1();
    struct Case {
        const char* field;
        int type;
        const void* value;
        bool viaField;  // the dataset must be editing
        std::function<void()> check;
    };
    const std::vector<Case> cases = {
        {"NUM", 1, &zahl, true, [&] { EXPECT_EQ(t.FieldByName("NUM")->AsInteger(), 42); }},
        {"GROESSE", 2, &gross, true, [&] { EXPECT_EQ(t.FieldByName("GROESSE")->AsFloat(), 123456.0); }},
        {"PREIS", 8, &preis, true, [&] { EXPECT_EQ(t.FieldByName("PREIS")->AsFloat(), 12.5); }},
        {"MARKIERT", 0x80, &falsch, true, [&] { EXPECT_FALSE(t.FieldByName("MARKIERT")->AsBoolean()); }},
        {"NAME", 0x400, "Stra\xDF" "e", true, [&] { EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Straße"); }},
        {"PFAD", 0x401, "K\xF6ln", true, [&] { EXPECT_EQ(t.FieldByName("PFAD")->AsString(), "Köln"); }},
        {"DATUM", 0x420, "24.12.2025", true, [&] { EXPECT_EQ(t.FieldByName("DATUM")->AsString(), "24.12.2025"); }},
        {"DATUM", 0x20, "20230102", false, [&] { EXPECT_EQ(t.FieldByName("DATUM")->AsString(), "02.01.2023"); }},
        {"NOTIZ", 0xC00, "Notiz \xFC" "ber", false, [&] { EXPECT_EQ(t.FieldByName("NOTIZ")->AsString(), "Notiz über"); }},
        {"NOTIZ", 0x1000, textDatei.constData(), false,
         [&] { EXPECT_EQ(t.FieldByName("NOTIZ")->AsString(), "Text aus Datei"); }},
        {"NOTIZ", 0x2000, binDatei.constData(), false,
         [&] {
             EXPECT_EQ(static_cast<TBlobField*>(t.FieldByName("NOTIZ"))->AsBytes(),
                       QByteArray("\x00\x01\xFF\x42", 4));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + std::to_string(c.type));
        if (c.viaField)
            t.Edit();
        ASSERT_TRUE(dbe.Replace(c.field, c.type, c.value));
        if (c.viaField)
            t.Post();
        c.check();
        EXPECT_EQ(t.RecNo(), 3);
        EXPECT_EQ(dbe_WorkArea(nullptr), other);
        // What the dataset shows is what the file holds.
        TTable fresh;
        Open(fresh, "BILDER.DBF");
        MoveTo(fresh, 3);
        EXPECT_EQ(fresh.FieldByName(c.field)->AsString(), t.FieldByName(c.field)->AsString());
    }
    EXPECT_FALSE(dbe.Replace("NAME", 0x9999, "x"));
    EXPECT_EQ(t.FieldByName("PFAD")->AsString(), "Köln");
}

TEST_F(TDbeTest, EngineReplaceWhileEditingPostsAndEditsAgain)
{
    MakeAlbum("BILDER.DBF", 3);
    TLinkedTable lt;
    Open(lt.table, "BILDER.DBF");
    MoveTo(lt.table, 2);
    lt.table.Edit();
    lt.table.FieldByName("NAME")->SetAsString("bearbeitet");
    ASSERT_TRUE(lt.dbe.Replace("NOTIZ", 0xC00, QStringLiteral("Memo")));
    EXPECT_EQ(lt.table.State(), dsEdit);
    lt.table.Post();
    EXPECT_EQ(lt.table.FieldByName("NAME")->AsString(), "bearbeitet");
    EXPECT_EQ(lt.table.FieldByName("NOTIZ")->AsString(), "Memo");
    EXPECT_EQ(lt.table.RecNo(), 2);
}

TEST_F(TDbeTest, TextsThatWindows1252CannotHoldAreAnErrorNamingThem)
{
    MakeAlbum("BILDER.DBF", 3);
    TLinkedTable lt;
    Open(lt.table, "BILDER.DBF");
    try {
        lt.dbe.Seek(QStringLiteral("写真"));
        FAIL() << "no error";
    } catch (const EEncodingError& e) {
        EXPECT_EQ(e.Text, "写真");
        EXPECT_TRUE(e.Message.contains("写真"));
    }
    lt.table.Edit();
    EXPECT_THROW(lt.dbe.Replace("NAME", 0x400, QStringLiteral("Ω")), EEncodingError);
    lt.table.Cancel();
    EXPECT_EQ(lt.table.FieldByName("NAME")->AsString(), "Bild 9999");
}

TEST_F(TDbeTest, ClosedDatasetWorksOnTheSelectedAreaAndSelectsNothingElse)
{
    const uint16_t other = OpenOther();
    TLinkedTable lt;  // linked, never opened
    EXPECT_EQ(lt.dbe.RecCount(), 3u);
    EXPECT_EQ(lt.dbe.FieldName(1), "X");
    EXPECT_EQ(lt.dbe.Query("X = 'a'"), 0);  // inactive: only stored
    EXPECT_EQ(lt.dbe.Filter(), "X = 'a'");
    EXPECT_EQ(lt.dbe.DBFilter(), "");
    EXPECT_EQ(dbe_WorkArea(nullptr), other);
}

TEST_F(TDbeTest, RecNoOnAnEmptyTableIsRecCountPlusOne)
{
    MakeTable("LEER.DBF", {{"NAME", 'C', 10, 0}});
    TLinkedTable lt;
    Open(lt.table, "LEER.DBF");
    EXPECT_EQ(lt.dbe.RecCount(), 0u);
    EXPECT_EQ(lt.dbe.RecNo(), 1u);
}

TEST_F(TDbeTest, GetStringPadsAStringFieldToSizeMinusOne)
{
    MakeTable("KURZ.DBF", {{"NAME", 'C', 10, 0}, {"N", 'N', 5, 0}}, 1);
    TLinkedTable lt;
    Open(lt.table, "KURZ.DBF");
    lt.table.Edit();
    lt.table.FieldByName("NAME")->SetAsString("abc");
    lt.table.FieldByName("N")->SetAsInteger(7);
    lt.table.Post();
    EXPECT_EQ(lt.dbe.GetString("NAME"), "abc      ");
    EXPECT_EQ(lt.dbe.GetString("N"), "7");
    EXPECT_EQ(lt.dbe.GetTrimString("NAME"), "abc");
}

TEST_F(TDbeTest, SeekHitStandsOnTheRecordAndAMissLeavesTheDatasetAtItsEnd)
{
    MakeAlbum("BILDER.DBF", 20);
    {
        dbe_Use(File("BILDER.DBF").c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX);
        ASSERT_GT(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0);
        dbe_Close();
    }
    TLinkedTable lt;
    lt.table.SetIndexName("NAME");
    Open(lt.table, "BILDER.DBF");
    const uint16_t other = OpenOther();
    EXPECT_TRUE(lt.dbe.Seek("Bild 9990"));
    EXPECT_TRUE(lt.dbe.Found());
    EXPECT_EQ(lt.table.FieldByName("NAME")->AsString(), "Bild 9990");
    EXPECT_EQ(lt.dbe.RecNo(), 10u);
    EXPECT_FALSE(lt.table.Eof());

    EXPECT_FALSE(lt.dbe.Seek("Zebra"));
    EXPECT_FALSE(lt.dbe.Found());
    EXPECT_TRUE(lt.table.Eof());
    EXPECT_TRUE(lt.dbe.Eof());
    EXPECT_EQ(dbe_WorkArea(nullptr), other);
}

TEST_F(TDbeTest, OrdersTagsIndexFilesAndScopes)
{
    MakeAlbum("BILDER.DBF", 20);
    TLinkedTable lt;
    Open(lt.table, "BILDER.DBF");
    TDbe& dbe = lt.dbe;
    const uint16_t other = OpenOther();

    // A new tag becomes the table's order.
    EXPECT_EQ(dbe.IndexTag("", "NAME", "NAME", 0, 0, ""), 1);
    EXPECT_EQ(lt.table.IndexName(), "NAME");
    EXPECT_EQ(lt.table.FieldByName("NAME")->AsString(), "Bild 9980");
    EXPECT_EQ(dbe.IndexTag("", "NUM", "NUM", 0, 0, "NUM > 5"), 2);
    EXPECT_EQ(dbe.IndexOrd(), 2);
    EXPECT_EQ(dbe.TagName(1), "NAME");
    EXPECT_EQ(dbe.IndexKeyField(2), "NUM");
    EXPECT_TRUE(dbe.IndexName(1).endsWith("BILDER.CDX", Qt::CaseInsensitive));

    // SetOrder(0): natural order, empty IndexName, the previous order given.
    MoveTo(lt.table, 3);
    EXPECT_EQ(dbe.SetOrder(0), 2);
    EXPECT_EQ(lt.table.IndexName(), "");
    EXPECT_EQ(dbe.IndexOrd(), 0);
    lt.table.First();
    EXPECT_EQ(lt.table.RecNo(), 1);
    // An order above the count changes nothing.
    EXPECT_EQ(dbe.SetOrder(9), 0);
    EXPECT_EQ(dbe.IndexOrd(), 0);
    // TagArea makes the tag current and gives its order.
    EXPECT_EQ(dbe.TagArea("num"), 2);
    EXPECT_EQ(lt.table.IndexName(), "NUM");
    lt.table.First();
    EXPECT_EQ(lt.table.FieldByName("NUM")->AsInteger(), 6);
    EXPECT_EQ(dbe.TagArea("GIBTSNICHT"), 0);

    // Scope on NAME: the dataset walks only the scope.
    dbe.SetOrder(1);
    EXPECT_TRUE(dbe.SetScope("Bild 9985", "Bild 9987"));
    EXPECT_EQ(dbe.GetScope(0), "Bild 9985");
    std::vector<QString> names;
    for (lt.table.First(); !lt.table.Eof(); lt.table.Next())
        names.push_back(lt.table.FieldByName("NAME")->AsString().trimmed());
    EXPECT_EQ(names, (std::vector<QString>{"Bild 9985", "Bild 9986", "Bild 9987"}));
    EXPECT_TRUE(dbe.SetScope("", ""));
    EXPECT_EQ(lt.table.RecordCount(), 20);

    // An extra index file: opened, current, closed again.
    EXPECT_EQ(dbe.IndexTag(WinDir() + "EXTRA.CDX", "PFAD", "PFAD", 0, 0, ""), 3);
    EXPECT_EQ(lt.table.IndexName(), "PFAD");
    EXPECT_TRUE(dbe.IndexClose());
    EXPECT_EQ(dbe.IndexOrd(), 0);
    EXPECT_EQ(lt.table.IndexName(), "");
    EXPECT_EQ(dbe.IndexOpen(WinDir() + "EXTRA.CDX"), 3);
    EXPECT_EQ(lt.table.IndexName(), "PFAD");
    EXPECT_EQ(dbe_WorkArea(nullptr), other);
}

// A tag left half-changed that a read-only table cannot rebuild: SetOrder
// does not take it (every move in it would fail), the dataset keeps its
// order and walks every record, and OrderError says why.
TEST_F(TDbeTest, AnOrderWhoseTagCannotBeReadIsNotTaken)
{
    QString warum;
    TLinkedTable& lt = ReadOnlyWithHalfWrittenTag(warum);
    ASSERT_FALSE(HasFatalFailure());
    TDbe& dbe = lt.dbe;
    EXPECT_EQ(dbe.SetOrder(1), 0);
    EXPECT_EQ(dbe.IndexOrd(), 0);
    EXPECT_EQ(lt.table.IndexName(), "");
    EXPECT_EQ(dbe.OrderError(), warum);
    EXPECT_TRUE(warum.contains("NAME") && warum.contains("nicht sauber geschlossen")) << warum.toStdString();
    int records = 0;
    for (lt.table.First(); !lt.table.Eof(); lt.table.Next())
        ++records;
    EXPECT_EQ(records, 20);
    // Natural order is always taken, and clears the reason.
    EXPECT_EQ(dbe.SetOrder(0), 0);
    EXPECT_TRUE(dbe.OrderError().isEmpty());
}

// A count in an order the engine cannot read fails with the engine's
// reason; it never answers 0 as if nothing passed.
TEST_F(TDbeTest, ACountThatCannotReadItsOrderFailsWithTheEnginesReason)
{
    QString warum;
    TLinkedTable& lt = ReadOnlyWithHalfWrittenTag(warum);
    ASSERT_FALSE(HasFatalFailure());
    TDbe& dbe = lt.dbe;
    EXPECT_EQ(dbe.QueryRecCount(), 20u);
    // The order taken behind the component's back, as another area of the
    // program (or a tag that went bad since) leaves it.
    const uint16_t vorher = dbe_Select(static_cast<uint16_t>(lt.table.Handle()));
    dbe_SetOrder(1);
    dbe_Select(vorher);
    try {
        dbe.QueryRecCount();
        ADD_FAILURE() << "no failure";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message.contains(warum)) << e.Message.toStdString();
        EXPECT_EQ(e.ErrorCode, DBIERR_READERR);
    }
    EXPECT_EQ(dbe_WorkArea(nullptr), vorher);
    dbe_Select(static_cast<uint16_t>(lt.table.Handle()));
    dbe_SetOrder(0);
    EXPECT_EQ(dbe.QueryRecCount(), 20u);
}

TEST_F(TDbeTest, ExtraIndexesAndFilterApplyWheneverTheDatasetOpens)
{
    MakeAlbum("BILDER.DBF", 20);
    {
        dbe_Use(File("BILDER.DBF").c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX);
        ASSERT_GT(dbe_IndexTag(File("EXTRA").c_str(), "NAME", "NAME", 0, 0, ""), 0);
        dbe_Close();
    }
    TLinkedTable lt;
    TStringList extra;
    extra.Add(WinDir() + "EXTRA");  // no extension: the FoxPro compound file is found
    lt.dbe.SetExtraIndexes(extra);
    lt.dbe.SetFilter("NUM <= 5");
    Open(lt.table, "BILDER.DBF");
    EXPECT_EQ(lt.dbe.IndexOrd(), 1);
    EXPECT_EQ(lt.table.IndexName(), "NAME");
    EXPECT_EQ(lt.dbe.QueryRecCount(), 5u);
    lt.table.First();
    EXPECT_EQ(lt.table.FieldByName("NAME")->AsString(), "Bild 9995");
    EXPECT_EQ(lt.dbe.DBFilter(), "NUM <= 5");
    // A second open applies both again.
    lt.table.Close();
    lt.table.SetIndexName("");
    lt.table.Open();
    EXPECT_EQ(lt.dbe.IndexOrd(), 1);
    EXPECT_EQ(lt.dbe.QueryRecCount(), 5u);
    // Clearing the filter shows everything.
    EXPECT_EQ(lt.dbe.Query(""), 1);
    EXPECT_EQ(lt.table.RecordCount(), 20);
}

TEST_F(TDbeTest, LongFilterAndKeyExpressionsReachTheEngineWhole)
{
    MakeAlbum("BILDER.DBF", 20);
    TLinkedTable lt;
    Open(lt.table, "BILDER.DBF");
    // 5 texts above 255 characters in one list.
    TCStringList list;
    for (int i = 0; i < 5; ++i)
        list.Add(QString(300 + i, QChar(u'a' + i)));
    EXPECT_EQ(list.Count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(std::strlen(list.GetPChar(i)), static_cast<size_t>(300 + i));
    // A filter of more than 255 characters.
    QString filter = "NUM > 0";
    while (filter.size() < 400)
        filter += " .AND. NUM < 1000";
    filter += " .AND. NUM <= 3";
    EXPECT_EQ(lt.dbe.Query(filter), 1);
    EXPECT_EQ(lt.dbe.DBFilter(), filter);
    EXPECT_EQ(lt.dbe.QueryRecCount(), 3u);
    // A key and a condition of more than 255 characters.
    QString key = "UPPER(TRIM(NAME))";
    QString cond = "NUM > 1";
    while (cond.size() < 300)
        cond += " .AND. NUM > 1";
    EXPECT_EQ(lt.dbe.Query(""), 1);
    EXPECT_GT(lt.dbe.IndexTag("", "LANG", key, 0, 0, cond), 0);
    int n = 0;
    for (lt.table.First(); !lt.table.Eof(); lt.table.Next())
        ++n;
    EXPECT_EQ(n, 19);
}

TEST_F(TDbeTest, MovesDeletionPackAndRecordBuffers)
{
    MakeAlbum("BILDER.DBF", 10);
    TLinkedTable lt;
    Open(lt.table, "BILDER.DBF");
    TDbe& dbe = lt.dbe;
    const uint16_t other = OpenOther();

    EXPECT_TRUE(dbe.Go(6));
    EXPECT_EQ(lt.table.RecNo(), 6);
    dbe.GoBottom();
    EXPECT_EQ(dbe.RecNo(), 10u);
    dbe.GoTop();
    EXPECT_TRUE(dbe.Bof());
    EXPECT_EQ(dbe.Skip(3), 3);
    EXPECT_EQ(dbe.RecNo(), 4u);

    // PutRecord writes the buffer as the current record.
    std::vector<char> rec(static_cast<size_t>(dbe.RecSize()));
    ASSERT_TRUE(dbe.GetRecord(rec.data()));
    std::memcpy(rec.data() + 1, "Neu      ", 9);
    EXPECT_TRUE(dbe.PutRecord(rec.data()));
    EXPECT_EQ(lt.table.FieldByName("NAME")->AsString(), "Neu");
    EXPECT_EQ(dbe.RecNo(), 4u);

    // Delete marks the current record; Deleted sees it, Recall clears it.
    dbe.Go(5);
    dbe.Delete();
    EXPECT_TRUE(dbe.Go(5));
    EXPECT_TRUE(dbe.Deleted());
    EXPECT_TRUE(dbe.Recall());
    EXPECT_FALSE(dbe.Deleted());
    dbe.Delete();
    EXPECT_EQ(dbe_WorkArea(nullptr), other);

    // Insert appends a blank record through the dataset.
    dbe.Insert();
    ASSERT_EQ(lt.table.State(), dsInsert);
    lt.table.FieldByName("NAME")->SetAsString("Angefügt");
    lt.table.Post();
    EXPECT_EQ(dbe.RecCount(), 11u);
    EXPECT_EQ(dbe.RecNo(), 11u);
    EXPECT_EQ(dbe.GetTrimString("NAME"), "Angefügt");

    // Pack removes the deleted record (the table must be ours alone) and
    // shows its progress in the progress window.
    lt.table.Close();
    lt.table.SetExclusive(true);
    lt.table.Open();
    StatusSchritte = 1;
    TStatus4Frm status(nullptr);
    dbe.SetGaugeHook([w = &status](uint32_t done, uint32_t total) { TStatus4Frm::GaugeHook(w, done, total); });
    EXPECT_TRUE(dbe.Pack());
    dbe.SetGaugeHook(nullptr);
    EXPECT_EQ(status.QKGauge1->Progress(), 100);
    EXPECT_EQ(dbe.RecCount(), 10u);
    EXPECT_EQ(lt.table.RecordCount(), 10);
    EXPECT_TRUE(dbe.Zap());
    EXPECT_EQ(dbe.RecCount(), 0u);
    EXPECT_TRUE(lt.table.IsEmpty());
}

// A pack or zap the engine refuses answers false and keeps the engine's
// reason, which the dataset's refresh after it would clear.
TEST_F(TDbeTest, APackOrZapTheEngineRefusesKeepsItsReason)
{
    MakeAlbum("BILDER.DBF", 3);
    TLinkedTable lt;
    lt.table.SetReadOnly(true);
    Open(lt.table, "BILDER.DBF");
    TDbe& dbe = lt.dbe;
    const std::pair<const char*, bool (TDbe::*)()> aenderungen[] = {{"Pack", &TDbe::Pack}, {"Zap", &TDbe::Zap}};
    for (const auto& [name, aendern] : aenderungen) {
        EXPECT_FALSE((dbe.*aendern)()) << name;
        EXPECT_TRUE(dbe.PackFailure().contains("schreibgeschützt")) << name << ": " << dbe.PackFailure().toStdString();
        EXPECT_EQ(dbe.RecCount(), 3u) << name;
    }
}

TEST_F(TDbeTest, BlobCopyAndAppendFiles)
{
    MakeAlbum("BILDER.DBF", 6);
    TLinkedTable lt;
    Open(lt.table, "BILDER.DBF");
    TDbe& dbe = lt.dbe;
    dbe.Go(2);
    ASSERT_TRUE(dbe.Replace("NOTIZ", 0xC00, QStringLiteral("Inhalt")));
    EXPECT_EQ(dbe.GetBlobLength("NOTIZ"), 6);
    EXPECT_TRUE(dbe.BlobToFile("NOTIZ", WinDir() + "memo.txt"));
    EXPECT_EQ(lxtest::ReadFile(dir / "memo.txt"), "Inhalt");

    EXPECT_EQ(dbe.Query("NUM <= 2"), 1);
    EXPECT_TRUE(dbe.CopyFile(WinDir() + "KOPIE.DBF"));
    EXPECT_EQ(dbe.Query(""), 1);
    EXPECT_TRUE(dbe.AppendFrom(WinDir() + "KOPIE.DBF", 0));
    EXPECT_EQ(dbe.RecCount(), 8u);
    EXPECT_EQ(lt.table.RecordCount(), 8);
    dbe.Go(8);
    EXPECT_EQ(lt.table.FieldByName("NOTIZ")->AsString(), "Inhalt");
}

TEST_F(TDbeTest, CreateMakesTheTableInItsOwnAreaAndLeavesNoAreaOpen)
{
    const uint16_t other = OpenOther();
    TDbe dbe(nullptr);
    ASSERT_TRUE(dbe.CreateNew(WinDir() + "NEU.DBF", 2, 3));
    EXPECT_EQ(dbe_WorkArea(nullptr), other);
    EXPECT_TRUE(dbe.CreateField("NAME", 'C', 20, 0));
    EXPECT_TRUE(dbe.CreateField("ZAHL", 'N', 5, 0));
    EXPECT_TRUE(dbe.CreateField("TAG", 'D', 8, 0));
    EXPECT_EQ(dbe_WorkArea(nullptr), other);
    EXPECT_TRUE(dbe.CreateExec());
    EXPECT_EQ(dbe_WorkArea(nullptr), other);
    EXPECT_EQ(dbe_WorkArea("NEU"), 0);
    EXPECT_TRUE(QFileInfo::exists(Dir() + "NEU.DBF"));
    // Opened exclusive: nobody holds it any more.
    const uint16_t area = dbe_Use(File("NEU.DBF").c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX);
    ASSERT_NE(area, 0);
    EXPECT_EQ(dbe_FieldCount(), 3);
    EXPECT_EQ(dbe_FieldType("TAG"), 'D');
    // A failed creation answers false.
    EXPECT_FALSE(dbe.CreateField("X", 'C', 5, 0));
    // A table in a missing folder cannot be made; nothing stays open.
    dbe_Select(other);
    if (dbe.CreateNew(WinDir() + "fehlt\\NEU.DBF", 2, 1)) {
        dbe.CreateField("X", 'C', 5, 0);
        EXPECT_FALSE(dbe.CreateExec());
    }
    EXPECT_EQ(dbe_WorkArea(nullptr), other);
    EXPECT_EQ(dbe_WorkArea("NEU"), area);
}

struct DateCase {
    TDbeDateFrmt format;
    bool century;
    QChar separator;
    const char* shortFormat;
};

void PrintTo(const DateCase& c, std::ostream* os) { *os << c.shortFormat; }

class TDbeEnvTest : public DbeTest, public ::testing::WithParamInterface<DateCase> {
protected:
    void TearDown() override
    {
        FormatSettings() = TFormatSettings();
        dbe_SetDateFormat(0);
        dbe_SetCentury(0);
        dbe_CloseAll();
        DbeTest::TearDown();
    }
};

TEST_P(TDbeEnvTest, DateFormatAndCenturyKeepTheProgramsDateSettingsInStep)
{
    const DateCase c = GetParam();
    TDbeEnv env(nullptr);
    env.SetCentury(c.century);
    env.SetDateFormat(c.format);
    EXPECT_EQ(FormatSettings().DateSeparator, c.separator);
    EXPECT_EQ(FormatSettings().ShortDateFormat, c.shortFormat);
    // The engine writes its date texts in the same form.
    MakeTable("D.DBF", {{"TAG", 'D', 8, 0}}, 1);
    dbe_Use(File("D.DBF").c_str(), "", DBE_SHARED, DBE_TYPE_FOX);
    dbe_Go(1);
    dbe_Replace("TAG", DBE_REPL_DTOS, "20240305");
    EXPECT_EQ(QString(dbe_GetDateString("TAG")), FormatDateTime(FormatSettings().ShortDateFormat, EncodeDate(2024, 3, 5)));
}

std::string DateCaseName(const ::testing::TestParamInfo<DateCase>& info)
{
    const char* const names[] = {"American", "Ansi", "British", "French", "German", "Italian", "Spanish"};
    return std::string(names[info.param.format]) + (info.param.century ? "Century" : "Short");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TDbeEnvTest,
    ::testing::Values(DateCase{dfGerman, true, u'.', "dd.mm.yyyy"}, DateCase{dfGerman, false, u'.', "dd.mm.yy"},
                      DateCase{dfAmerican, true, u'/', "mm/dd/yyyy"}, DateCase{dfAnsi, false, u'.', "yy.mm.dd"},
                      DateCase{dfAnsi, true, u'.', "yyyy.mm.dd"}, DateCase{dfBritish, true, u'/', "dd/mm/yyyy"},
                      DateCase{dfFrench, false, u'/', "dd/mm/yy"}, DateCase{dfItalian, true, u'-', "dd-mm-yyyy"},
                      DateCase{dfSpanish, false, u'-', "dd-mm-yy"}),
    DateCaseName);

TEST_F(TDbeEnvTest, SettingsComponentStreamedInLeavesGermanFourDigitYears)
{
    TDbeEnv env(nullptr);
    EXPECT_EQ(env.LockTimeout(), 1);
    EXPECT_EQ(env.MemoBlockSize(), 64);
    // The main window's order: Century, DateFormat, SoftSeek.
    env.SetCentury(true);
    EXPECT_EQ(FormatSettings().ShortDateFormat, "mm/dd/yyyy");
    env.SetDateFormat(dfGerman);
    env.SetSoftSeek(true);
    EXPECT_EQ(FormatSettings().DateSeparator, u'.');
    EXPECT_EQ(FormatSettings().ShortDateFormat, "dd.mm.yyyy");
    EXPECT_EQ(dbe_SysProp(DBE_PROP_GET_SOFTSEEK, 0), 1);
    // Century off keeps the separator.
    env.SetCentury(false);
    EXPECT_EQ(FormatSettings().ShortDateFormat, "dd.mm.yy");
    EXPECT_EQ(FormatSettings().DateSeparator, u'.');
    env.SetExact(true);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_GET_EXACT, 0), 1);
    env.SetExact(false);
    env.SetSoftSeek(false);
    env.SetDeleted(true);
    EXPECT_EQ(dbe_SysProp(DBE_PROP_GET_DELETED, 0), 1);
    env.SetDeleted(false);
    env.SetLockTimeout(3);
    EXPECT_EQ(dbe_SetLockTimeout(1), 3);
    env.SetMemoBlockSize(512);
    EXPECT_EQ(dbe_SetMemoBlockSize(64), 512);
}

}  // namespace
