// The dataset pipeline over a real DBF table: ranges and directions,
// bookmarks, field values by name, notifications, the page cache, and the
// data set that cannot open, closes or goes away while a report prints.

#include "pipeline_fixture.h"

#include "platform/core/streams.h"
#include "platform/ui/prompt_script.h"
#include "report/engine/rg_cache.h"

#include <QDate>

namespace {

struct RangeCase {
    const char* name;
    TrgRangeBeginType begin;
    TrgRangeEndType end;
    int count;      // RangeEndCount
    int startAt;    // the record the table stands on when printing starts
    int moveBy;     // the direction the range sets
    const char* expected;
};

class PipelineRanges : public PipelineTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(PipelineRanges, WalkTheRecordsOfTheRange)
{
    const RangeCase& c = GetParam();
    MakeTable(5);
    Prepare();
    OpenAt(c.startAt);
    pipeline->SetRangeBegin(c.begin);
    pipeline->SetRangeEnd(c.end);
    pipeline->SetRangeEndCount(c.count);
    EXPECT_EQ(pipeline->MoveBy(), c.moveBy);
    EXPECT_EQ(Walk().join(u' '), QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PipelineRanges,
    ::testing::Values(
        RangeCase{"FirstToLast", rbFirstRecord, reLastRecord, 0, 3, 1, "R1 R2 R3 R4 R5"},
        RangeCase{"CurrentToLast", rbCurrentRecord, reLastRecord, 0, 3, 1, "R3 R4 R5"},
        RangeCase{"CurrentBackToFirst", rbCurrentRecord, reFirstRecord, 0, 3, -1, "R3 R2 R1"},
        RangeCase{"CurrentOnly", rbCurrentRecord, reCurrentRecord, 0, 4, 1, "R4"},
        RangeCase{"CountOfTwo", rbFirstRecord, reCount, 2, 1, 1, "R1 R2"},
        RangeCase{"CountBeyondTheEnd", rbCurrentRecord, reCount, 3, 4, 1, "R4 R5"},
        RangeCase{"CountOfZero", rbFirstRecord, reCount, 0, 1, 1, ""},
        RangeCase{"LastBackToFirst", rbLastRecord, reFirstRecord, 0, 1, -1, "R5 R4 R3 R2 R1"},
        RangeCase{"LastBackwardsCounted", rbLastRecord, reCount, 2, 1, -1, "R5 R4"},
        RangeCase{"LastOnly", rbLastRecord, reLastRecord, 0, 2, 1, "R5"},
        // First to first walked forwards ends with the data instead of
        // repeating the last record.
        RangeCase{"FirstToFirstEnds", rbFirstRecord, reFirstRecord, 0, 2, 1, "R1 R2 R3 R4 R5"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PipelineTest, AnEmptyTableHasNoRecordsAfterFirst)
{
    MakeTable(0);
    Prepare();
    table->Open();
    EXPECT_TRUE(Walk().isEmpty());
    EXPECT_EQ(pipeline->PipelineState(), tsNoRecords | tsBOF);
    EXPECT_TRUE(pipeline->IsEOF());
    EXPECT_TRUE(pipeline->IsBOF());
}

TEST_F(PipelineTest, SkippedRecordsAreNotCounted)
{
    MakeTable(5);
    Prepare();
    table->Open();
    pipeline->SetRangeEnd(reCount);
    pipeline->SetRangeEndCount(2);
    pipeline->Open();
    pipeline->First();
    pipeline->SkipRecord();
    EXPECT_EQ(pipeline->RecordNo(), 0);
    EXPECT_EQ(Current(), "R2");
    pipeline->Next();
    pipeline->SkipBack();
    EXPECT_EQ(pipeline->RecordNo(), 1);
    EXPECT_EQ(Current(), "R2");
    pipeline->Next();
    EXPECT_TRUE(pipeline->IsEOF());  // two records used: R2, then R2 again after stepping back
    EXPECT_EQ(Current(), "R3");
}

TEST_F(PipelineTest, PriorWalksBackAndLastFollowsTheRangeEnd)
{
    MakeTable(5);
    Prepare();
    table->Open();
    pipeline->SetRangeEnd(reCount);
    pipeline->SetRangeEndCount(3);
    pipeline->Open();
    pipeline->Last();
    EXPECT_EQ(Current(), "R4");  // first, then three steps on
    EXPECT_EQ(pipeline->RecordNo(), 3);
    EXPECT_TRUE(pipeline->PipelineState() & tsEOF);
    pipeline->Prior();
    pipeline->Prior();
    EXPECT_EQ(Current(), "R2");
    EXPECT_EQ(pipeline->RecordNo(), 1);
    EXPECT_FALSE(pipeline->IsEOF());

    // A count far beyond the records stops where the data end.
    pipeline->SetRangeEndCount(2000000000);
    pipeline->Last();
    EXPECT_EQ(Current(), "R5");
    EXPECT_TRUE(pipeline->IsEOF());
}

TEST_F(PipelineTest, RangePropertiesSetTheDirectionOnlyOutsideLoading)
{
    MakeTable(1);
    Prepare();
    pipeline->SetMoveBy(5);
    pipeline->SetLoading(true);
    pipeline->SetRangeBegin(rbCurrentRecord);
    pipeline->SetRangeEnd(reFirstRecord);
    EXPECT_EQ(pipeline->MoveBy(), 5);
    pipeline->SetLoading(false);
    pipeline->SetRangeEnd(reFirstRecord);
    EXPECT_EQ(pipeline->MoveBy(), -1);
    pipeline->SetRangeBegin(rbFirstRecord);
    EXPECT_EQ(pipeline->MoveBy(), 1);
}

TEST_F(PipelineTest, PrintingLeavesTheTableOpenOnTheRecordWhereTheRangeBegan)
{
    MakeTable(5);
    Prepare();
    OpenAt(2);
    pipeline->SetRangeBegin(rbCurrentRecord);
    EXPECT_EQ(Walk().join(u' '), "R2 R3 R4 R5");
    EXPECT_EQ(pipeline->SavedBookmark(), 2u);
    // A second pass returns to the same record.
    pipeline->First();
    EXPECT_EQ(Current(), "R2");
    pipeline->Next();
    pipeline->GotoSavedBookmark();
    pipeline->Close();
    ASSERT_TRUE(table->Active());
    EXPECT_EQ(table->FieldByName(QStringLiteral("NAME"))->AsString().trimmed(), "R2");
    EXPECT_EQ(pipeline->SavedBookmark(), 0u);
}

TEST_F(PipelineTest, CloseDataSourceClosesTheTable)
{
    MakeTable(2);
    Prepare();
    pipeline->CloseDataSource = true;
    EXPECT_EQ(Walk().size(), 2);
    pipeline->Close();
    EXPECT_FALSE(table->Active());
}

struct FieldCase {
    const char* field;
    TrgDataType type;
    int size;
    TAlignment alignment;
    const char* text;
};

class PipelineFields : public PipelineTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(PipelineFields, AnswerByFieldName)
{
    const FieldCase& c = GetParam();
    MakeTable(3);
    Prepare();
    table->Open();
    pipeline->Open();
    pipeline->First();
    pipeline->Next();  // record 2
    const QString name = QString::fromLatin1(c.field);
    EXPECT_EQ(pipeline->GetFieldDataType(name), c.type);
    EXPECT_EQ(pipeline->GetFieldSize(name), c.size);
    EXPECT_EQ(pipeline->GetFieldAlignment(name), c.alignment);
    EXPECT_EQ(pipeline->GetFieldAsString(name).trimmed(), QString::fromUtf8(c.text));
    EXPECT_FALSE(pipeline->GetFieldIsCalculated(name));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PipelineFields,
    ::testing::Values(FieldCase{"NAME", dtString, 10, taLeftJustify, "R2"},
                      FieldCase{"name", dtString, 10, taLeftJustify, "R2"},
                      FieldCase{"NR", dtInteger, 0, taRightJustify, "2"},
                      FieldCase{"PREIS", dtDouble, 0, taRightJustify, "2,5"},
                      FieldCase{"DATUM", dtDate, 0, taLeftJustify, "02.01.2024"},
                      FieldCase{"AKTIV", dtBoolean, 0, taLeftJustify, "False"},
                      FieldCase{"NOTIZ", dtMemo, 0, taLeftJustify, "Notiz 2"},
                      FieldCase{"FEHLT", dtNotKnown, 0, taLeftJustify, ""},
                      FieldCase{"", dtNotKnown, 0, taLeftJustify, ""}),
    [](const auto& info) {
        return std::string(*info.param.field ? info.param.field : "Empty") + "_" + std::to_string(info.index);
    });

TEST_F(PipelineTest, FieldValuesKeepTheirTypes)
{
    MakeTable(3);
    Prepare();
    table->Open();
    pipeline->Open();
    pipeline->First();
    pipeline->Next();
    pipeline->Next();  // record 3
    EXPECT_EQ(pipeline->GetFieldValue(QStringLiteral("NR")), QVariant(3));
    EXPECT_DOUBLE_EQ(pipeline->GetFieldValue(QStringLiteral("PREIS")).toDouble(), 3.75);
    EXPECT_DOUBLE_EQ(pipeline->GetFieldAsDouble(QStringLiteral("PREIS")), 3.75);
    EXPECT_EQ(pipeline->GetFieldValue(QStringLiteral("DATUM")), QVariant(QDate(2024, 1, 3)));
    EXPECT_EQ(pipeline->GetFieldValue(QStringLiteral("AKTIV")), QVariant(true));
    EXPECT_EQ(pipeline->GetFieldValue(QStringLiteral("NAME")).toString().trimmed(), "R3");
    // A name the table lacks reads as an empty string and nothing else.
    const QVariant missing = pipeline->GetFieldValue(QStringLiteral("FEHLT"));
    EXPECT_EQ(missing.typeId(), QMetaType::QString);
    EXPECT_TRUE(missing.toString().isEmpty());
    EXPECT_EQ(pipeline->GetFieldAsDouble(QStringLiteral("FEHLT")), 0.0);
    EXPECT_EQ(pipeline->GetFieldDisplayWidth(QStringLiteral("FEHLT")), 0);
    EXPECT_GT(pipeline->GetFieldDisplayWidth(QStringLiteral("NAME")), 0);
    EXPECT_EQ(pipeline->GetFieldAsObject(QStringLiteral("NAME")), nullptr);
    EXPECT_EQ(pipeline->GetFieldAsObject(QStringLiteral("FEHLT")), nullptr);
    ASSERT_NE(pipeline->GetFieldAsObject(QStringLiteral("NOTIZ")), nullptr);
    EXPECT_EQ(pipeline->GetFieldAsObject(QStringLiteral("NOTIZ"))->AsBytes(), QByteArray("Notiz 3"));
}

TEST_F(PipelineTest, FieldsAsStreams)
{
    MakeTable(1);
    Prepare();
    table->Open();
    pipeline->Open();
    pipeline->First();
    TMemoryStream text, memo, none;
    pipeline->GetFieldAsStream(QStringLiteral("NR"), text);
    EXPECT_EQ(text.Bytes(), QByteArray("1\0", 2));
    pipeline->GetFieldAsStream(QStringLiteral("NOTIZ"), memo);
    EXPECT_EQ(memo.Bytes(), QByteArray("Notiz 1"));
    pipeline->GetFieldAsStream(QStringLiteral("FEHLT"), none);
    EXPECT_EQ(none.Size(), 0);
}

TEST_F(PipelineTest, ValuesAreWrittenThroughThePipeline)
{
    MakeTable(2);
    Prepare();
    table->Open();
    pipeline->Open();
    pipeline->First();
    pipeline->Next();  // record 2
    pipeline->Edit();
    pipeline->SetFieldValue(QStringLiteral("NAME"), QStringLiteral("Neu"));
    pipeline->SetFieldValue(QStringLiteral("NR"), 42);
    pipeline->SetFieldValue(QStringLiteral("DATUM"), QDate(2025, 3, 4));
    pipeline->SetFieldValue(QStringLiteral("FEHLT"), 1);  // nothing to write
    TMemoryStream memo;
    memo.Write("neue Notiz", 10);
    memo.SetPosition(0);
    pipeline->SetFieldFromStream(QStringLiteral("NOTIZ"), memo);
    pipeline->Post();

    table->Close();
    table->Open();
    table->Last();
    EXPECT_EQ(table->FieldByName(QStringLiteral("NAME"))->AsString().trimmed(), "Neu");
    EXPECT_EQ(table->FieldByName(QStringLiteral("NR"))->AsInteger(), 42);
    EXPECT_EQ(DateToQt(table->FieldByName(QStringLiteral("DATUM"))->AsDateTime()), QDate(2025, 3, 4));
    EXPECT_EQ(table->FieldByName(QStringLiteral("NOTIZ"))->AsString(), "neue Notiz");
}

TEST_F(PipelineTest, FieldNamesComeFromTheDataSet)
{
    MakeTable(1);
    Prepare();
    table->Open();
    TStringList names;
    EXPECT_TRUE(pipeline->GetFieldNames(&names));
    EXPECT_EQ(names.Count(), 6);
    EXPECT_EQ(pipeline->IndexOfFieldName(QStringLiteral("preis")), 2);
    EXPECT_EQ(pipeline->IndexOfFieldName(QStringLiteral("FEHLT")), -1);
    EXPECT_EQ(pipeline->GetDataSetName(), "Album");

    TrgBDEPipeline unbound(nullptr);
    names.Add(QStringLiteral("alt"));
    EXPECT_FALSE(unbound.GetFieldNames(&names));
    EXPECT_EQ(names.Count(), 0);
    EXPECT_EQ(unbound.IndexOfFieldName(QStringLiteral("NAME")), -1);
    EXPECT_TRUE(unbound.IsDataSetBOF());
    EXPECT_TRUE(unbound.IsDataSetEOF());
}

struct LocateCase {
    const char* name;
    const char* value;
    TrgLocateOptions options;
    bool found;
    const char* standsOn;
};

class PipelineLocate : public PipelineTest, public ::testing::WithParamInterface<LocateCase> {};

TEST_P(PipelineLocate, FindsByFieldValue)
{
    const LocateCase& c = GetParam();
    MakeTable(12);
    Prepare();  // Locate opens the closed table itself
    EXPECT_EQ(pipeline->Locate(QStringLiteral("NAME"), QString::fromLatin1(c.value), c.options), c.found);
    EXPECT_TRUE(table->Active());
    EXPECT_EQ(Current(), QString::fromLatin1(c.standsOn));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PipelineLocate,
    ::testing::Values(LocateCase{"Exact", "R4", 0, true, "R4"},
                      LocateCase{"CaseDiffers", "r4", 0, false, "R1"},
                      LocateCase{"CaseInsensitive", "r4", loCaseInsensitive, true, "R4"},
                      LocateCase{"Partial", "R1", loPartialKey, true, "R1"},
                      LocateCase{"PartialLater", "R1", loPartialKey, true, "R1"},
                      LocateCase{"PartialNoCase", "r12", loPartialKey | loCaseInsensitive, true, "R12"},
                      // Longer than the field's 10 characters: cut before the search.
                      LocateCase{"CutToFieldSize", "R11       XYZ", 0, true, "R11"},
                      LocateCase{"Absent", "R99", 0, false, "R1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PipelineTest, LocateComparesNumbersByValue)
{
    MakeTable(6);
    Prepare();
    table->Open();
    struct Case {
        const char* field;
        QVariant value;
        bool found;
        const char* standsOn;
    };
    for (const Case& c : {Case{"NR", 4, true, "R4"}, Case{"NR", QStringLiteral("5"), true, "R5"},
                          Case{"PREIS", 2.5, true, "R2"}, Case{"PREIS", QStringLiteral("3,75"), true, "R3"},
                          Case{"PREIS", QStringLiteral("7.5"), true, "R6"}, Case{"PREIS", 2.0, false, "R1"}}) {
        table->Last();
        EXPECT_EQ(pipeline->Locate(QString::fromLatin1(c.field), c.value, 0), c.found)
            << c.field << " " << c.value.toString().toStdString();
        EXPECT_EQ(Current(), QString::fromLatin1(c.standsOn)) << c.field;
    }
}

TEST_F(PipelineTest, LocateOnAMissingFieldFindsNothing)
{
    MakeTable(2);
    Prepare();
    EXPECT_FALSE(pipeline->Locate(QStringLiteral("FEHLT"), QStringLiteral("R1"), 0));
    TrgBDEPipeline unbound(nullptr);
    EXPECT_FALSE(unbound.Locate(QStringLiteral("NAME"), QStringLiteral("R1"), 0));
}

// ---- notifications -----------------------------------------------------------

TEST_F(PipelineTest, ClientsHearOfChangesAndOfTheEnd)
{
    MakeTable(1);
    Prepare();
    RecordingClient first, second;
    TObject bystander;  // not a pipeline client: it is told nothing
    pipeline->AttachClient(&first);
    pipeline->AttachClient(&second);
    pipeline->AttachClient(&first);
    pipeline->AttachClient(&bystander);
    EXPECT_EQ(pipeline->Clients().size(), 3u);

    pipeline->SetRangeEndCount(4);
    pipeline->SetSkipWhenNoRecords(false);
    ASSERT_EQ(first.received.size(), 2u);
    EXPECT_EQ(first.received[0], std::make_pair(rgPipelineChanged, static_cast<TrgDataPipeline*>(pipeline.get())));
    EXPECT_EQ(second.received.size(), 2u);

    pipeline->DetachClient(&second);
    TrgDataPipeline* gone = pipeline.get();
    pipeline.reset();
    // Closing on the way out is a change; then the end.
    ASSERT_FALSE(first.received.empty());
    EXPECT_EQ(first.received.back(), std::make_pair(rgPipelineDestroying, gone));
    EXPECT_EQ(second.received.size(), 2u);
}

TEST_F(PipelineTest, ADestroyedClientLeavesTheList)
{
    MakeTable(1);
    Prepare();
    auto client = std::make_unique<RecordingClient>();
    RecordingClient stays;
    pipeline->AttachClient(client.get());
    pipeline->AttachClient(&stays);
    client.reset();
    ASSERT_EQ(pipeline->Clients().size(), 1u);
    EXPECT_EQ(pipeline->Clients()[0], &stays);
    pipeline->StateChanged();
    EXPECT_EQ(stays.received.size(), 1u);
}

TEST_F(PipelineTest, AnotherTableBehindTheSourceIsAChange)
{
    MakeTable(3);
    MakeTable(2, "ZWEI.DBF");
    Prepare();
    table->Open();
    table->First();  // the link sees the table's name
    RecordingClient client;
    pipeline->AttachClient(&client);
    table->Next();
    table->First();
    EXPECT_TRUE(client.received.empty()) << "moving is no change";

    table->Close();
    table->SetTableName(QStringLiteral("ZWEI.DBF"));
    table->Open();
    const size_t afterReopen = client.received.size();
    EXPECT_GE(afterReopen, 2u);  // closed, opened
    table->First();
    ASSERT_EQ(client.received.size(), afterReopen + 1) << "the new table name is a change";
    EXPECT_EQ(client.received.back().first, rgPipelineChanged);
    EXPECT_EQ(Walk().join(u' '), "R1 R2");
}

TEST_F(PipelineTest, AClientMayDetachWhileBeingTold)
{
    MakeTable(1);
    Prepare();
    RecordingClient leaving, next;
    leaving.onNotify = [&](int) { pipeline->DetachClient(&next); pipeline->DetachClient(&leaving); };
    pipeline->AttachClient(&leaving);
    pipeline->AttachClient(&next);
    pipeline->StateChanged();
    EXPECT_EQ(leaving.received.size(), 1u);
    EXPECT_TRUE(next.received.empty());
    EXPECT_TRUE(pipeline->Clients().empty());
}

TEST_F(PipelineTest, EventsFireWithThePipelineAsSender)
{
    MakeTable(3);
    Prepare();
    QStringList fired;
    TrgBDEPipeline* const sender = pipeline.get();
    auto record = [&](const char* name) {
        return [&fired, name, sender](TObject* from) {
            EXPECT_EQ(from, sender);
            fired << QString::fromLatin1(name);
        };
    };
    pipeline->OnOpen = record("Open");
    pipeline->OnFirst = record("First");
    pipeline->OnNext = record("Next");
    pipeline->OnPrior = record("Prior");
    pipeline->OnLast = record("Last");
    pipeline->OnGotoBookmark = record("GotoBookmark");
    pipeline->OnTraversal = record("Traversal");
    pipeline->OnClose = record("Close");
    pipeline->SetRangeBegin(rbCurrentRecord);
    table->Open();
    pipeline->Open();
    pipeline->First();
    pipeline->SaveBookmark();
    pipeline->DoOnTraversal();
    pipeline->Next();
    pipeline->Prior();
    pipeline->Last();
    pipeline->First();
    pipeline->Close();
    EXPECT_EQ(fired.join(u' '), "Open First Traversal Next Prior Last GotoBookmark First Close");
    // Destroying the pipeline closes it once more.
    pipeline.reset();
    EXPECT_EQ(fired.join(u' '), "Open First Traversal Next Prior Last GotoBookmark First Close Close");
}

// ---- data that cannot be read --------------------------------------------------

struct NoDataCase {
    const char* name;
    bool missingTable;
    TrgLanguageType language;
    const char* message;
};

class PipelineNoData : public PipelineTest, public ::testing::WithParamInterface<NoDataCase> {};

TEST_P(PipelineNoData, TellsTheUserAndPrintsWithoutData)
{
    const NoDataCase& c = GetParam();
    MakeTable(2);
    if (c.missingTable) {
        Prepare("FEHLT.DBF");
    } else {
        Prepare();
        pipeline->OpenDataSource = false;  // and the table is closed
    }
    RecordingClient engine;
    TPromptScript script;
    script.Answer(mrOk);
    EXPECT_FALSE(rgStartPipeline(pipeline.get(), &engine, c.language));
    ASSERT_EQ(script.Records().size(), 1u);
    EXPECT_EQ(script.Records()[0].Text, QString::fromUtf8(c.message));
    EXPECT_EQ(script.Records()[0].DlgType, mtError);
    EXPECT_EQ(script.Records()[0].Buttons, TMsgDlgButtons{mbOK});
    EXPECT_FALSE(pipeline->IsActive());
    EXPECT_EQ(pipeline->Clients().size(), 1u);
    EXPECT_TRUE(pipeline->IsEOF());
    EXPECT_TRUE(pipeline->GetFieldAsString(QStringLiteral("NAME")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PipelineNoData,
    ::testing::Values(
        NoDataCase{"ClosedAndNotOpened", false, lgEnglish, "Could not open DataSet.\nProceeding in NoData mode."},
        NoDataCase{"MissingTable", true, lgEnglish, "Could not open DataSet.\nProceeding in NoData mode."},
        NoDataCase{"German", false, lgGerman,
                   "Die Datenmenge konnte nicht geöffnet werden.\nFortsetzung im Modus ohne Daten."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PipelineTest, AReadableTableStartsOnItsFirstRecordWithoutAMessage)
{
    MakeTable(2);
    Prepare();
    RecordingClient engine;
    TPromptScript script;  // any prompt would fail the test
    EXPECT_TRUE(rgStartPipeline(pipeline.get(), &engine, lgEnglish));
    EXPECT_TRUE(table->Active());
    EXPECT_EQ(Current(), "R1");
    EXPECT_EQ(pipeline->Clients()[0], &engine);
}

TEST_F(PipelineTest, ATableThatClosesWhilePrintingEndsTheData)
{
    MakeTable(5);
    Prepare();
    RecordingClient engine;
    pipeline->AttachClient(&engine);
    pipeline->Open();
    pipeline->First();
    pipeline->Next();
    ASSERT_EQ(Current(), "R2");
    table->Close();
    EXPECT_TRUE(pipeline->IsEOF());
    EXPECT_EQ(pipeline->PipelineState(), tsNoRecords);
    EXPECT_FALSE(engine.received.empty());  // told of the change
    pipeline->Next();
    pipeline->Prior();
    pipeline->Last();
    pipeline->GotoSavedBookmark();
    EXPECT_TRUE(Current().isEmpty());
    EXPECT_EQ(pipeline->GetBookmark(), 0u);
    pipeline->Close();
}

TEST_F(PipelineTest, ASourceOrTableThatGoesAwayClosesThePipeline)
{
    MakeTable(3);
    Prepare();
    int closed = 0;
    pipeline->OnClose = [&](TObject*) { ++closed; };
    EXPECT_EQ(Walk(2).size(), 2);
    source.reset();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(pipeline->DataSource(), nullptr);
    EXPECT_TRUE(pipeline->IsEOF());
    EXPECT_TRUE(Current().isEmpty());

    source = std::make_unique<TDataSource>(table.get());
    pipeline->SetDataSource(source.get());
    EXPECT_EQ(Walk().join(u' '), "R1 R2 R3");
    table.reset();
    EXPECT_TRUE(pipeline->IsEOF());
    EXPECT_FALSE(pipeline->IsActive());
    EXPECT_TRUE(Current().isEmpty());
    pipeline->Close();
    pipeline.reset();  // its handler counts into this test's variable
}

// ---- page cache -----------------------------------------------------------------

class PipelineOnly : public TrgCacheOwner {
public:
    explicit PipelineOnly(TrgCacheable* p) : pipeline(p) {}
    TrgCacheable* pipeline;
    std::vector<TrgCacheable*> CacheablesInOrder() override { return {pipeline}; }
    TrgLanguageType CacheLanguage() const override { return lgEnglish; }
    void CancelGeneration() override {}
};

struct PagePosition {
    QString current;
    int32_t recordNo;
    TrgDataPipelineState state;
    bool operator==(const PagePosition&) const = default;
};

TEST_F(PipelineTest, PagesRestoreThePositionInAnyOrder)
{
    MakeTable(7);
    Prepare();
    OpenAt(2);
    pipeline->SetRangeBegin(rbCurrentRecord);
    PipelineOnly report(pipeline.get());
    TrgCacheManager manager(nullptr, &report);
    manager.ResetCache();
    EXPECT_EQ(pipeline->CacheRecordSize(), 12);

    // Two records a page; the position at each page's end is saved.
    std::vector<PagePosition> atEnd;
    pipeline->Open();
    pipeline->First();
    pipeline->SaveBookmark();
    auto position = [&] { return PagePosition{Current(), pipeline->RecordNo(), pipeline->PipelineState()}; };
    manager.SavePage(0);
    atEnd.push_back(position());
    for (int page = 1; !pipeline->IsEOF(); ++page) {
        for (int i = 0; i < 2 && !pipeline->IsEOF(); ++i)
            pipeline->Next();
        manager.SavePage(page);
        atEnd.push_back(position());
    }
    ASSERT_EQ(atEnd.size(), 4u);  // R2 (start), R4, R6, end
    EXPECT_TRUE(pipeline->HasCachedBookmarks());
    EXPECT_EQ(atEnd.back().state, tsEOF);

    for (int page : {2, 0, 3, 1, 2}) {
        pipeline->First();
        pipeline->Next();  // somewhere else first
        manager.RestorePage(page);
        const PagePosition restored = position();
        EXPECT_EQ(restored.current, atEnd[page].current) << "page " << page;
        EXPECT_EQ(restored.recordNo, atEnd[page].recordNo) << "page " << page;
        EXPECT_EQ(restored.state & (tsBOF | tsEOF | tsNoRecords), atEnd[page].state) << "page " << page;
    }

    manager.ClearCache();
    EXPECT_FALSE(pipeline->HasCachedBookmarks());
    EXPECT_EQ(pipeline->SavedBookmark(), 0u);
}

TEST_F(PipelineTest, APageThatBeganAtTheFirstRecordIsRestoredWithFirst)
{
    MakeTable(4);
    Prepare();
    OpenAt(3);
    pipeline->SetRangeBegin(rbCurrentRecord);
    PipelineOnly report(pipeline.get());
    TrgCacheManager manager(nullptr, &report);
    manager.ResetCache();
    pipeline->Open();
    pipeline->First();
    pipeline->SaveBookmark();
    manager.SavePage(0);  // BOF: no bookmark is kept, the range start is
    int bookmarksFollowed = 0;
    pipeline->OnGotoBookmark = [&](TObject*) { ++bookmarksFollowed; };
    table->First();
    manager.RestorePage(0);
    EXPECT_EQ(Current(), "R3");  // the range's first record, not the table's
    EXPECT_EQ(bookmarksFollowed, 1);  // First went to the saved range start
    EXPECT_TRUE(pipeline->PipelineState() & tsBOF);
    pipeline.reset();  // its handler counts into this test's variable
}

}  // namespace
