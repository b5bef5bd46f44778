// Guards the extended table: control types per field, mask checks, the record filter and its Esc.
#include "table_fixture.h"

#include "datagrid/dk_field_info.h"
#include "platform/core/sys_utils.h"
#include "platform/ui/forms.h"
#include "platform/ui/prompt_script.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {

const std::vector<TFieldSpec> kNumbered = {{"NAME", 'C', 20, 0}, {"NUM", 'N', 6, 0}, {"NOTIZ", 'M', 10, 0}};

class TdkTableTest : public DkTableTest {
protected:
    void MakeNumbered(const char* name, int count)
    {
        MakeTable(name, kNumbered, count, [](int i) {
            Text("NAME", "Bild " + std::to_string(i));
            Long("NUM", i);
        });
    }
};

std::vector<int> Nums(TdkTable& t)
{
    std::vector<int> nums;
    for (t.First(); !t.Eof(); t.Next())
        nums.push_back(t.FieldByName("NUM")->AsInteger());
    return nums;
}

TEST_F(TdkTableTest, AlbumTableAnswersTheControlTypeOfEachField)
{
    MakeTable("BILDER.DBF", AlbumFields(), 1);
    TdkTable t;
    t.Name = "TableBilder";
    t.SetTableType(ttDXFOX);
    t.SetControlType(Lines({"MARKIERT;CheckBox;Wahr;Falsch", "ZUGRIFF;CheckBox;Wahr;Falsch",
                            "ANYWHERE;CheckBox;Wahr;Falsch", "PRIVAT;CheckBox;Wahr;Falsch",
                            "PLAYLIST;CustomEdit;DBComboboxBilderPlayListe", "QUELLE;CustomEdit;DBComboBoxBildQuelle",
                            "MOTIV;CustomEdit;DBComboBoxMotivQualitaet",
                            "QUALITAET;CustomEdit;DBComboBoxBilderQualitaet", "TYPE;CustomEdit;DBComboBoxBilderType"}));
    Open(t, "BILDER.DBF");
    ASSERT_EQ(t.FieldCount(), 29);
    EXPECT_EQ(t.TableType(), ttDXFOX);
    const std::map<QString, std::pair<QString, QString>> expected = {
        {"MARKIERT", {"CheckBox", "Wahr;Falsch"}},
        {"ZUGRIFF", {"CheckBox", "Wahr;Falsch"}},
        {"ANYWHERE", {"CheckBox", "Wahr;Falsch"}},
        {"PRIVAT", {"CheckBox", "Wahr;Falsch"}},
        {"PLAYLIST", {"CustomEdit", "DBComboboxBilderPlayListe"}},
        {"QUELLE", {"CustomEdit", "DBComboBoxBildQuelle"}},
        {"MOTIV", {"CustomEdit", "DBComboBoxMotivQualitaet"}},
        {"QUALITAET", {"CustomEdit", "DBComboBoxBilderQualitaet"}},
        {"TYPE", {"CustomEdit", "DBComboBoxBilderType"}}};
    for (int i = 0; i < t.FieldCount(); ++i) {
        const QString name = t.Fields(i)->FieldName;
        QString type, params;
        dkGetControlType(&t, name, type, params);
        const auto it = expected.find(name);
        EXPECT_EQ(type, it == expected.end() ? QString() : it->second.first) << name.toStdString();
        EXPECT_EQ(params, it == expected.end() ? QString() : it->second.second) << name.toStdString();
        EXPECT_EQ(dkIsEditControlType(type), type == "CustomEdit") << name.toStdString();
    }
    // Field names are exact in ControlType.
    QString type, params;
    dkGetControlType(&t, "Markiert", type, params);
    EXPECT_EQ(type, "");
}

TEST_F(TdkTableTest, ManagerTableRefusesAPostWithABadDateThroughOnInvalidValue)
{
    MakeTable("LXMAN.DBF", ManagerFields(), 1);
    TdkTable t;
    t.Name = "TableBilderDatenbanken";
    t.SetPictureMasks(Lines({"ZEIT\t#[#]:#[#]:#[#]\tT\tT", "LASTFDATE\t##.##.####\tT\tF"}));
    t.SyncSQLByRange = false;
    t.NarrowSearch = false;
    t.ValidateWithMask = true;
    std::vector<QString> told;
    t.OnInvalidValue = [&](TDataSet* ds, TField* f) {
        EXPECT_EQ(ds, &t);
        told.push_back(f->FieldName);
    };
    Open(t, "LXMAN.DBF");

    // The program's date format fits the mask.
    t.Edit();
    t.FieldByName("LASTFDATE")->SetAsDateTime(EncodeDate(2006, 5, 12));
    t.Post();
    EXPECT_TRUE(told.empty());

    // A date text in another format breaks it: no post, the exact message.
    TFormatSettings& fs = FormatSettings();
    const QString saved = fs.ShortDateFormat;
    fs.ShortDateFormat = "d.m.yyyy";
    t.Edit();
    t.FieldByName("LASTFDATE")->SetAsDateTime(EncodeDate(2006, 2, 1));
    try {
        t.Post();
        ADD_FAILURE() << "post went through";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Invalid characters. Field : LASTFDATE");
    }
    fs.ShortDateFormat = saved;
    EXPECT_EQ(told, std::vector<QString>{"LASTFDATE"});
    EXPECT_EQ(t.State(), dsEdit);
    t.Cancel();
    t.Refresh();
    EXPECT_EQ(t.FieldByName("LASTFDATE")->AsDateTime(), EncodeDate(2006, 5, 12));

    // Without ValidateWithMask the same value is posted.
    fs.ShortDateFormat = "d.m.yyyy";
    t.ValidateWithMask = false;
    t.Edit();
    t.FieldByName("LASTFDATE")->SetAsDateTime(EncodeDate(2006, 2, 1));
    EXPECT_NO_THROW(t.Post());
    fs.ShortDateFormat = saved;
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(t.State(), dsBrowse);
    t.Refresh();
    EXPECT_EQ(t.FieldByName("LASTFDATE")->AsDateTime(), EncodeDate(2006, 2, 1));
}

TEST_F(TdkTableTest, TimeMaskChecksEveryFieldThatHasOneAndSkipsReadOnlyFields)
{
    MakeTable("ZEITEN.DBF", {{"ZEIT", 'C', 8, 0}, {"NAME", 'C', 10, 0}}, 1);
    TdkTable t;
    t.SetPictureMasks(Lines({"zeit\t#[#]:#[#]:#[#]\tT\tT"}));  // names ignore case here
    int calls = 0;
    t.OnInvalidValue = [&](TDataSet*, TField*) { ++calls; };
    Open(t, "ZEITEN.DBF");
    struct Case {
        QString value;
        bool ok;
    };
    for (const Case& c : {Case{"12:34:56", true}, Case{"1:2:3", true}, Case{"", true}, Case{"12:34", false},
                          Case{"12:3x", false}, Case{"1:2:3:4", false}}) {
        t.Edit();
        t.FieldByName("ZEIT")->SetAsString(c.value);
        bool posted = true;
        try {
            t.Post();
        } catch (const EDatabaseError& e) {
            posted = false;
            EXPECT_EQ(e.Message, "Invalid characters. Field : ZEIT");
            t.Cancel();
        }
        EXPECT_EQ(posted, c.ok) << c.value.toStdString();
    }
    EXPECT_EQ(calls, 3);
    t.Edit();
    t.FieldByName("ZEIT")->SetAsString("xx");
    t.FieldByName("ZEIT")->SetReadOnly(true);
    EXPECT_NO_THROW(t.Post());
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(t.State(), dsBrowse);
}

TEST_F(TdkTableTest, RecordFilterCallbackAndItsOptions)
{
    MakeNumbered("ZAHLEN.DBF", 20);
    TdkTable t;
    Open(t, "ZAHLEN.DBF");
    t.SetOnFilter([](TdkTable* table, bool& accept) { accept = table->FieldByName("NUM")->AsInteger() % 5 == 0; });
    EXPECT_EQ(Nums(t), (std::vector<int>{5, 10, 15, 20}));
    // Switching ofoEnabled off shows every record at once.
    t.SetOnFilterOptions(TdkOnFilterOptions{ofoShowHourGlass});
    EXPECT_EQ(Nums(t).size(), 20u);
    t.SetOnFilterOptions(TdkOnFilterOptions{ofoEnabled});
    t.Refresh();
    EXPECT_EQ(Nums(t).size(), 4u);
    t.SetOnFilter(nullptr);
    EXPECT_EQ(Nums(t).size(), 20u);

    // A handler that moves in the table is not re-entered.
    int depth = 0, deepest = 0;
    t.SetOnFilter([&](TdkTable*, bool& accept) {
        deepest = std::max(deepest, ++depth);
        accept = true;
        --depth;
    });
    EXPECT_EQ(Nums(t).size(), 20u);
    EXPECT_EQ(deepest, 1);
}

TEST_F(TdkTableTest, EscStopsTheRecordFilterWithinAHundredRecords)
{
    MakeNumbered("ZAHLEN.DBF", 600);
    TdkTable t;
    Open(t, "ZAHLEN.DBF");
    QWidget target;
    int calls = 0, pressedAt = 0, escapedAt = 0;
    t.OnFilterEscape = [&](TDataSet* ds) {
        EXPECT_EQ(ds, &t);
        escapedAt = calls;
    };
    t.SetOnFilterOptions(TdkOnFilterOptions{ofoEnabled, ofoCancelOnEscape});
    Application->EscapePressed();  // the watcher of the Esc key is in place
    t.SetOnFilter([&](TdkTable*, bool& accept) {
        ++calls;
        if (calls == 150) {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&target, &esc);
            pressedAt = calls;
        }
        accept = false;
    });
    ASSERT_EQ(pressedAt, 150);
    EXPECT_GT(escapedAt, pressedAt);
    EXPECT_LE(escapedAt - pressedAt, 100);
    EXPECT_FALSE(t.OnFilterOptions().Contains(ofoEnabled));
    QCoreApplication::processEvents();  // the deferred resynchronisation
    EXPECT_EQ(Nums(t).size(), 600u);
    const int callsAfter = calls;
    Nums(t);
    EXPECT_EQ(calls, callsAfter);  // the handler is no longer asked
}

TEST_F(TdkTableTest, EscapePollCounterWrapsAt32000)
{
    MakeNumbered("ZAHLEN.DBF", 500);
    TdkTable t;
    Open(t, "ZAHLEN.DBF");
    int calls = 0;
    t.SetOnFilterOptions(TdkOnFilterOptions{ofoEnabled, ofoCancelOnEscape});
    t.SetOnFilter([&](TdkTable*, bool& accept) {
        ++calls;
        accept = true;
    });
    while (calls < 32200)
        Nums(t);
    EXPECT_EQ(t.EscapePollCount(), calls % 32000);
    EXPECT_LT(t.EscapePollCount(), 32000);
}

TEST_F(TdkTableTest, FilterLinesAreJoinedAndBadExpressionFiltersAreRefusedClearly)
{
    MakeNumbered("ZAHLEN.DBF", 5);
    TdkTable t;
    t.SetdkFilter(Lines({"NUM > 1  \t", "", "   ", "NAME = 'x'", "NUM < 9"}));
    EXPECT_EQ(t.BuildFilterText(), "(NUM > 1) AND (NAME = 'x') AND (NUM < 9)");
    t.SetdkFilter(Lines({"", " \t"}));
    EXPECT_EQ(t.BuildFilterText(), "");
    Open(t, "ZAHLEN.DBF");
    {
        TPromptScript script;
        script.Answer(mrOk, "Fail to set filter");
        t.SetdkFilter(Lines({"NUM > "}));
        ASSERT_EQ(script.Records().size(), 1u);
        EXPECT_TRUE(script.Records()[0].Text.contains("Feldname oder Wert fehlt vor \")\" (Position 7)"));
        EXPECT_EQ(script.Records()[0].DlgType, mtWarning);
    }
    {
        TPromptScript script;  // an empty filter removes it silently
        t.SetdkFilter(Lines({" "}));
    }

    // With a filter application installed, the text reaches it (forced on open).
    std::vector<std::pair<QString, bool>> applied;
    dkSetFilterApplier([&](TdkTable*, const QString& text, bool force, QString&) {
        applied.emplace_back(text, force);
        return true;
    });
    t.SetdkFilter(Lines({"A", "B", "C"}));
    t.Close();
    t.Open();
    dkSetFilterApplier(nullptr);
    ASSERT_EQ(applied.size(), 2u);
    EXPECT_EQ(applied[0], std::make_pair(QString("(A) AND (B) AND (C)"), false));
    EXPECT_EQ(applied[1], std::make_pair(QString("(A) AND (B) AND (C)"), true));
}

TEST_F(TdkTableTest, QueryAndTableNameReplaceEachOther)
{
    MakeNumbered("ZAHLEN.DBF", 3);
    TdkTable master;
    TDataSource masterSource(&master);
    TdkTable t;
    t.SetTableName("ZAHLEN.DBF");
    t.SetIndexFieldNames("NUM");
    t.SetMasterSource(&masterSource);
    t.SetMasterFields("NUM");
    t.SetQuery(Lines({"select * from ZAHLEN"}));
    EXPECT_EQ(t.TableName(), "");
    EXPECT_EQ(t.IndexFieldNames(), "");
    EXPECT_EQ(t.MasterFields(), "");
    EXPECT_EQ(t.MasterSource(), nullptr);
    EXPECT_EQ(t.Query().Count(), 1);
    EXPECT_FALSE(t.SetIndexForFields("NUM"));  // a query table has no index choice

    // The engine runs no queries: the steps report themselves and the open
    // fails clearly instead of leaving a table without a cursor.
    EXPECT_THROW(t.Open(), EDatabaseError);
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.QueryLanguage(), "SQL");
    EXPECT_EQ(boxes.size(), 4);
    EXPECT_TRUE(boxes.value(0).startsWith("This function not supported by the database engine : "));
    t.SetQuery(Lines({"Query", "ZAHLEN.DB | NUM |"}));
    EXPECT_THROW(t.Open(), EDatabaseError);
    EXPECT_EQ(t.QueryLanguage(), "QBE");

    t.SetTableName("ZAHLEN.DBF");
    EXPECT_EQ(t.Query().Count(), 0);
    t.SetDatabaseName(WinDir());
    t.Open();
    EXPECT_EQ(t.RecordCount(), 3);
}

TEST_F(TdkTableTest, TableKinds)
{
    struct Case {
        TTableType type;
        QString name;
        bool dbf, paradox;
    };
    for (const Case& c : {Case{ttDXFOX, "BILDER.DBF", true, false}, Case{ttDXFOX, "bilder.dbf", true, false},
                          Case{ttDBase, "BILDER", true, false}, Case{ttDefault, "KUNDEN.DB", false, true},
                          Case{ttDefault, "KUNDEN.DBF", true, false}, Case{ttParadox, "KUNDEN", false, true},
                          Case{ttDXFOX, "KUNDEN.DB", false, false}}) {
        TdkTable t;
        t.SetTableType(c.type);
        t.SetTableName(c.name);
        EXPECT_EQ(t.IsDBFTable(), c.dbf) << c.name.toStdString();
        EXPECT_EQ(t.IsParadoxTable(), c.paradox) << c.name.toStdString();
    }
}

TEST_F(TdkTableTest, IndexChoicePrefersCaseInsensitiveExactIndexes)
{
    TdkTable t;
    t.Name = "T";
    auto defs = [&](std::vector<TIndexDef> list) {
        t.IndexDefs().Clear();
        for (const TIndexDef& d : list)
            t.IndexDefs().Add(d);
        t.IndexDefs().Updated = true;
    };
    const TIndexDef longer{"LONG", "", "NAME;NUM", "", 0};
    const TIndexDef sensitive{"CS", "", "NAME", "", 0};
    const TIndexDef insensitive{"CI", "", "NAME", "", ixCaseInsensitive};
    const TIndexDef expression{"EXPR", "", "", "UPPER(NAME)", ixExpression};
    defs({longer, sensitive, insensitive, expression});
    EXPECT_EQ(t.FindIndexForFields("NAME"), "CI");
    EXPECT_EQ(t.FindIndexForFields("name"), "CI");
    defs({longer, sensitive, expression});
    EXPECT_EQ(t.FindIndexForFields("NAME"), "CS");
    defs({longer, expression});
    EXPECT_EQ(t.FindIndexForFields("NAME"), "LONG");
    EXPECT_EQ(t.FindIndexForFields("NAME;NUM"), "LONG");
    EXPECT_EQ(t.FindIndexForFields("NA"), "?");  // a key field is matched whole
    EXPECT_EQ(t.FindIndexForFields("NUM"), "?");
    QString name;
    EXPECT_FALSE(t.MatchIndex("NAME", false, false, name));
    EXPECT_TRUE(t.MatchIndex("NAME", true, false, name));
    EXPECT_EQ(name, "LONG");
}

TEST_F(TdkTableTest, FindKeyValuesAndIndexFromFieldNames)
{
    MakeNumbered("ZAHLEN.DBF", 30);
    ASSERT_TRUE(MakeTags("ZAHLEN.DBF", {{"NAME", "NAME"}, {"NUM", "NUM"}})) << dbe_LastError();
    TdkTable t;
    t.Name = "Zahlen";
    Open(t, "ZAHLEN.DBF");
    EXPECT_FALSE(t.FindKeyValues({"Bild 7"}));  // natural order: no index fields, no message

    EXPECT_TRUE(t.SetIndexForFields("NUM"));
    EXPECT_EQ(t.IndexName(), "NUM");
    EXPECT_EQ(t.BusyCount(), 0);
    EXPECT_FALSE(t.SetIndexForFields("PFAD"));
    EXPECT_TRUE(t.SetIndexFromColumnList(Lines({"NAME\t20\tName", "NUM\t6\tNr"})));
    EXPECT_EQ(t.IndexName(), "NAME");

    EXPECT_TRUE(t.FindKeyValues({"Bild 7"}));
    EXPECT_EQ(t.FieldByName("NUM")->AsInteger(), 7);
    EXPECT_FALSE(t.FindKeyValues({"bild 8"}));  // the key search keeps the case
    EXPECT_EQ(t.FieldByName("NUM")->AsInteger(), 7);
    EXPECT_TRUE(t.FindKeyValues({"bild 7"}));  // the current record is compared without case
    EXPECT_TRUE(t.FindKeyValues({"Bild 12"}));
    EXPECT_EQ(t.FieldByName("NUM")->AsInteger(), 12);
    EXPECT_FALSE(t.FindKeyValues({"Bild 99"}));
    {
        TPromptScript script;
        script.Answer(mrOk, "Table Zahlen: FindKey has too many lookup values for index NAME");
        EXPECT_FALSE(t.FindKeyValues({"Bild 7", 7}));
    }
    EXPECT_EQ(t.BusyCount(), 0);
    t.SetIndexByName("num");
    EXPECT_EQ(t.IndexName(), "NUM");
    EXPECT_TRUE(t.FindKeyValues({21}));
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Bild 21");
}

TEST_F(TdkTableTest, MemoStreamReadsBinaryMemosByteForByte)
{
    QByteArray thumb;
    for (int i = 0; i < 70000; ++i)
        thumb.append(static_cast<char>(i % 7 == 0 ? 0 : i % 251));
    MakeTable("BILDER.DBF", kNumbered, 2, [&](int i) {
        if (i == 1)
            dbe_ReplaceBlob("NOTIZ", thumb.constData(), static_cast<uint32_t>(thumb.size()), 1);
    });
    TdkTable t;
    Open(t, "BILDER.DBF");
    {
        TdkMemoStream s(t.FieldByName("NOTIZ"));
        ASSERT_TRUE(s.Opened());
        EXPECT_EQ(s.Size(), thumb.size());
        QByteArray head(10, 'x');
        EXPECT_EQ(s.Read(head.data(), 10), 10);
        EXPECT_EQ(head, thumb.left(10));
        EXPECT_EQ(s.Position(), 10);
        EXPECT_EQ(s.Seek(-5, soFromEnd), thumb.size() - 5);
        QByteArray tail(20, 'x');
        EXPECT_EQ(s.Read(tail.data(), 20), 5);  // never past the memo's end
        EXPECT_EQ(tail.left(5), thumb.right(5));
        EXPECT_EQ(tail.mid(5), QByteArray(15, 'x'));
        s.Seek(0, soFromBeginning);
        EXPECT_EQ(s.ReadAll(), thumb);  // in chunks of 32768 bytes
        EXPECT_EQ(s.Write("x", 1), 0);
        s.Seek(100, soFromBeginning);
        EXPECT_EQ(s.Seek(50, soFromCurrent), 150);
    }
    t.Next();
    TdkMemoStream empty(t.FieldByName("NOTIZ"));
    EXPECT_EQ(empty.Size(), 0);
    char c = 0;
    EXPECT_EQ(empty.Read(&c, 1), 0);
}

TEST_F(TdkTableTest, DestructionSetsFlagsAndCallsBack)
{
    bool flag1 = false, flag2 = false, called = false;
    {
        TdkTable t;
        t.AddDestructionFlag(&flag1);
        t.AddDestructionFlag(&flag2);
        t.OnDestruction = [&] { called = true; };
    }
    EXPECT_TRUE(flag1);
    EXPECT_TRUE(flag2);
    EXPECT_TRUE(called);
}

}  // namespace

namespace {

TEST_F(TdkTableTest, DetailTableKeepsTheMasterFieldsInFrontOfItsIndex)
{
    MakeTable("GRUPPEN.DBF", {{"GRUPPE", 'C', 4, 0}}, 2, [](int i) { Text("GRUPPE", i == 1 ? "A" : "B"); });
    MakeTable("BILDER.DBF", {{"GRUPPE", 'C', 4, 0}, {"NAME", 'C', 10, 0}}, 6, [](int i) {
        Text("GRUPPE", i <= 3 ? "A" : "B");
        Text("NAME", "Bild " + std::to_string(i));
    });
    ASSERT_TRUE(MakeTags("BILDER.DBF", {{"G", "GRUPPE"}, {"N", "NAME"}})) << dbe_LastError();
    TdkTable master;
    Open(master, "GRUPPEN.DBF");
    TDataSource source(&master);
    TdkTable detail;
    detail.SetIndexName("G");
    detail.SetMasterSource(&source);
    detail.SetMasterFields("GRUPPE");
    Open(detail, "BILDER.DBF");
    int shown = 0;
    for (detail.First(); !detail.Eof(); detail.Next())
        ++shown;
    EXPECT_EQ(shown, 3);
    // No index has GRUPPE before NAME: the detail table keeps its order.
    EXPECT_FALSE(detail.SetIndexForFields("NAME"));
    EXPECT_EQ(detail.IndexName(), "G");
    detail.SkipMasterPrefix = true;
    EXPECT_TRUE(detail.SetIndexForFields("NAME"));
    EXPECT_EQ(detail.IndexName(), "N");
}

}  // namespace
