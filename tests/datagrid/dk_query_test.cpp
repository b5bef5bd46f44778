// Guards the query datasets: their defaults, the statements they run, QBE variables and filter callbacks.
#include "table_fixture.h"

#include "datagrid/dk_field_info.h"
#include "datagrid/dk_query.h"

namespace {

using DkQueryTest = DkTableTest;

TEST_F(DkQueryTest, PublishedDefaultsOfTheThreeDatasets)
{
    TdkQuery query;
    TdkQBE qbe;
    TdkStoredProc proc;
    for (TdkStatementDataSet* ds : std::initializer_list<TdkStatementDataSet*>{&query, &qbe, &proc}) {
        EXPECT_EQ(ds->OnFilterOptions(), (TdkOnFilterOptions{ofoEnabled, ofoShowHourGlass}));
        for (const char* list : {"ControlType", "LookupFields", "LookupLinks", "PictureMasks"})
            EXPECT_NE(ds->PublishedStrings(list), nullptr) << list;
        EXPECT_EQ(ds->PublishedStrings("dkFilter"), nullptr);
    }
    bool v = false;
    EXPECT_TRUE(query.PublishedBoolean("ValidateWithMask", v));
    EXPECT_TRUE(v);
    EXPECT_TRUE(proc.PublishedBoolean("ValidateWithMask", v));
    EXPECT_TRUE(v);
    EXPECT_FALSE(qbe.PublishedBoolean("ValidateWithMask", v));  // the QBE has none
    EXPECT_TRUE(qbe.AuxiliaryTables);
    EXPECT_TRUE(qbe.BlankAsZero);
    EXPECT_FALSE(dkQueryDefaultFalse());

    // The field-info routines read them by published name.
    query.SetPictureMasks(Lines({"NUM\t999\tT\tF"}));
    ASSERT_NE(dkGetPictureMasksList(&query), nullptr);
    EXPECT_EQ(dkGetPictureMasksList(&query)->Count(), 1);
}

TEST_F(DkQueryTest, OpeningReportsTheStatementCallsAndFailsClearly)
{
    struct Case {
        TdkStatementDataSet* ds;
        QString error;
        QStringList calls;
    };
    TdkQuery query;
    query.SQL.Add("select *");
    query.SQL.Add("from BILDER");
    TdkQBE qbe;
    qbe.SetQBE(Lines({"Query", "BILDER.DBF | NAME |", "           | ~wer |"}));
    qbe.VariableNames = {"WER"};
    qbe.VariableValues = {"Anna"};
    TdkStoredProc proc;
    proc.StoredProcName = "AUFRAEUMEN";
    const Case cases[] = {
        {&query, "Die Abfrage kann nicht ausgeführt werden: select * from BILDER",
         {"DbiQAlloc", "DbiQPrepare", "DbiQExec", "DbiQFree"}},
        {&qbe, "Die QBE-Abfrage kann nicht ausgeführt werden: Query\nBILDER.DBF | NAME |\n           | Anna |",
         {"DbiQAlloc", "DbiQPrepare", "DbiQExec", "DbiQFree"}},
        {&proc, "Die gespeicherte Prozedur kann nicht ausgeführt werden: AUFRAEUMEN",
         {"DbiQPrepareProc", "DbiQSetProcParams", "DbiQExec", "DbiQFree"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error.toStdString());
        boxes.clear();
        try {
            c.ds->Open();
            ADD_FAILURE() << "opened without a cursor";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message, c.error);
        }
        EXPECT_FALSE(c.ds->Active());
        QStringList expected;
        for (const QString& call : c.calls)
            expected << "This function not supported by the database engine : " + call;
        EXPECT_EQ(boxes, expected);
    }
}

TEST_F(DkQueryTest, QBEVariablesAreReplacedInTheirLines)
{
    struct Case {
        QStringList lines;
        QString text;
    };
    const QStringList names = {"name", "NAME2", "n%", "leer"};
    const QStringList values = {"Anna", "Bernd", "50%", ""};
    const Case cases[] = {
        {{"a ~name b"}, "a Anna b"},
        {{"~NAME2,~Name"}, "Bernd,Anna"},     // the longest name that fits, without case
        {{"~name3"}, "Anna3"},                // a name followed by more characters
        {{"~n%x ~leer|"}, "50%x |"},
        {{"~unbekannt ~"}, "~unbekannt ~"},  // no variable: the marker stays
        {{"ohne", "~name", ""}, "ohne\nAnna\n"},
    };
    for (const Case& c : cases) {
        TStringList lines;
        for (const QString& l : c.lines)
            lines.Add(l);
        EXPECT_EQ(dkExpandQBEVariables(lines, names, values), c.text) << c.lines.join('|').toStdString();
    }
}

TEST_F(DkQueryTest, FilterCallbackIsKeptUntilTheDatasetOpens)
{
    TdkQuery query;
    bool called = false;
    query.SetOnFilter([&](TDataSet*, bool&) { called = true; });
    EXPECT_TRUE(query.OnFilter());
    EXPECT_FALSE(query.Filtered());  // installed when the dataset opens
    query.SetOnFilterOptions(TdkOnFilterOptions{ofoEnabled, ofoCancelOnEscape});
    EXPECT_TRUE(query.OnFilterOptions().Contains(ofoCancelOnEscape));
    query.SetOnFilter(nullptr);
    EXPECT_FALSE(query.OnFilter());
    EXPECT_FALSE(called);
}

// Datasets whose statement gives the cursor of a table, as an engine that
// runs statements would; the masks are then checked by the two datasets
// that publish ValidateWithMask and not by the QBE.
template <typename Base>
class AnswerOf : public Base {
public:
    QString Directory;
    hDBIDb db = 0;
    ~AnswerOf() override
    {
        this->Close();
        if (db != 0)
            Dbi()->DbiCloseDatabase(db);
    }

protected:
    hDBICur Answer()
    {
        DbiCheck(Dbi()->DbiOpenDatabase(Directory, Directory, db));
        hDBICur cursor = 0;
        DbiCheck(Dbi()->DbiOpenTable(db, "ZAHLEN.DBF", QString(), QString(), QString(), 0, dbiREADWRITE,
                                     dbiOPENSHARED, cursor));
        return cursor;
    }
};
class AnswerQBE : public AnswerOf<TdkQBE> {
public:
    hDBICur ExecuteQBE() override { return Answer(); }
};
class AnswerQuery : public AnswerOf<TdkQuery> {
protected:
    hDBICur CreateHandle() override { return Answer(); }
};

TEST_F(DkQueryTest, OnlyDatasetsThatPublishValidateWithMaskCheckMasksBeforePost)
{
    MakeTable("ZAHLEN.DBF", {{"NUM", 'C', 5, 0}}, 1, [](int) { Text("NUM", "12"); });
    const auto stored = [this] {
        const uint16_t area = dbe_Use(File("ZAHLEN.DBF").c_str(), "CHECK", DBE_READONLY, DBE_TYPE_FOX);
        EXPECT_NE(area, 0) << dbe_LastError();
        dbe_Go(1);
        std::string value = dbe_GetTrimString("NUM");
        dbe_Close();
        return value;
    };
    AnswerQBE qbe;
    AnswerQuery query;
    struct Case {
        TdkStatementDataSet* ds;
        bool checks;
    };
    for (const Case& c : {Case{&query, true}, Case{&qbe, false}}) {
        SCOPED_TRACE(c.checks ? "query" : "QBE");
        if (c.ds == &qbe)
            qbe.Directory = WinDir();
        else
            query.Directory = WinDir();
        c.ds->SetPictureMasks(Lines({"NUM\t###\tF\tF"}));
        int told = 0;
        c.ds->OnInvalidValue = [&](TDataSet*, TField* f) {
            EXPECT_EQ(f->FieldName, "NUM");
            ++told;
        };
        c.ds->Open();
        ASSERT_TRUE(c.ds->Active());
        c.ds->Edit();
        c.ds->FieldByName("NUM")->SetAsString("ab");
        if (c.checks) {
            EXPECT_THROW(c.ds->Post(), EDatabaseError);
            EXPECT_EQ(told, 1);
            c.ds->Cancel();
            EXPECT_EQ(stored(), "12");
        } else {
            c.ds->Post();
            EXPECT_EQ(told, 0);
            EXPECT_EQ(stored(), "ab");
        }
        c.ds->Close();
    }
}

}  // namespace
