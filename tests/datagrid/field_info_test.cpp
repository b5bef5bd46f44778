// Guards the field-information lists: masks, control types, field checks and the column layout.
#include "table_fixture.h"

#include "datagrid/dk_draw.h"
#include "datagrid/dk_field_info.h"
#include "datagrid/dk_intl.h"
#include "datagrid/dk_query.h"
#include "datagrid/dk_lookup.h"
#include "platform/ui/graphics.h"
#include "platform/ui/prompt_script.h"

namespace {

const std::vector<TFieldSpec> kPictures = {
    {"NAME", 'C', 20, 0}, {"NUM", 'N', 6, 0}, {"PREIS", 'N', 8, 2}, {"DATUM", 'D', 8, 0}, {"NOTIZ", 'M', 10, 0}};

class FieldInfoTest : public DkTableTest {
protected:
    void MakePictures(int count)
    {
        MakeTable("BILDER.DBF", kPictures, count, [](int i) {
            Text("NAME", "Bild " + std::to_string(i));
            Long("NUM", i);
        });
    }
};

TEST_F(FieldInfoTest, PictureMaskEntriesAreReadAndWrittenIgnoringCase)
{
    TdkTable t;
    t.SetPictureMasks(Lines({"name\t&&\tF\tT", "NUM\t###", "NUM\t#"}));
    QString mask;
    bool autoFill = false, flag2 = false;
    dkGetFieldPictureMask(&t, "NAME", false, mask, autoFill, flag2);
    EXPECT_EQ(mask, "&&");
    EXPECT_FALSE(autoFill);
    EXPECT_TRUE(flag2);
    dkGetFieldPictureMask(&t, "num", false, mask, autoFill, flag2);  // the first entry wins
    EXPECT_EQ(mask, "###");
    EXPECT_FALSE(autoFill);
    EXPECT_FALSE(flag2);
    dkGetFieldPictureMask(&t, "PREIS", false, mask, autoFill, flag2);
    EXPECT_EQ(mask, "");
    EXPECT_TRUE(autoFill);
    EXPECT_TRUE(flag2);

    // Writing: unchanged parts are carried over, an empty mask deletes.
    dkSetFieldPictureMask(&t, "Name", "", true, false, false, true, false);
    EXPECT_EQ(t.PictureMasks()[0], "Name\t&&\tT\tT");
    dkSetFieldPictureMask(&t, "PREIS", "#[#],##", true, false, true, true, true);
    EXPECT_EQ(t.PictureMasks()[t.PictureMasks().Count() - 1], "PREIS\t#[#],##\tT\tF");
    dkSetFieldPictureMask(&t, "NUM", "", false, false, true, false, false);
    EXPECT_EQ(t.PictureMasks().ToQStringList(), (QStringList{"Name\t&&\tT\tT", "NUM\t#", "PREIS\t#[#],##\tT\tF"}));
    dkSetFieldPictureMask(&t, "FEHLT", "", false, false, true, true, true);  // nothing to delete or add
    EXPECT_EQ(t.PictureMasks().Count(), 3);
}

TEST_F(FieldInfoTest, ADatasetWithoutTheListsReadsAsHavingNone)
{
    MakePictures(2);
    TTable plain;
    plain.SetDatabaseName(WinDir());
    plain.SetTableName("BILDER.DBF");
    plain.Open();
    EXPECT_EQ(dkGetPictureMasksList(&plain), nullptr);
    EXPECT_EQ(dkGetControlTypeList(&plain), nullptr);
    EXPECT_EQ(dkGetLookupFieldsList(&plain), nullptr);
    EXPECT_EQ(dkGetLookupLinksList(&plain), nullptr);
    EXPECT_FALSE(dkGetValidateWithMask(&plain));
    EXPECT_FALSE(dkGetOnInvalidValue(&plain));
    EXPECT_TRUE(dkGetFilterOptions(&plain).Empty());
    EXPECT_EQ(dkGetLookupTableList(&plain), nullptr);
    EXPECT_EQ(dkGetDatabaseName(&plain), WinDir());
    dkSetFilterEnabled(&plain, false);  // no effect, no failure
    QString mask;
    bool autoFill = false, flag2 = false;
    dkGetFieldPictureMask(&plain, "NAME", true, mask, autoFill, flag2);
    EXPECT_TRUE(autoFill && flag2 && mask.isEmpty());
    EXPECT_FALSE(dkIsDkDataSet(&plain));
    EXPECT_FALSE(dkIsDkDataSet(nullptr));
    EXPECT_NO_THROW(dkValidatePictureMasks(&plain, nullptr));

    TdkTable dk;
    EXPECT_TRUE(dkIsDkDataSet(&dk));
    EXPECT_TRUE(dkIsClassNamed(&dk, "ttable"));
    EXPECT_FALSE(dkIsClassNamed(&plain, "TdkTable"));
    EXPECT_TRUE(dkGetValidateWithMask(&dk));
    EXPECT_EQ(dkGetFilterOptions(&dk), (TdkOnFilterOptions{ofoEnabled, ofoShowHourGlass}));
    dkSetFilterEnabled(&dk, false);
    EXPECT_EQ(dk.OnFilterOptions(), TdkOnFilterOptions{ofoShowHourGlass});
    dkSetFilterEnabled(&dk, true);
    EXPECT_TRUE(dk.OnFilterOptions().Contains(ofoEnabled));
}

TEST_F(FieldInfoTest, ControlTypeLastEntryWinsAndLookupEntries)
{
    TdkTable t;
    t.SetControlType(Lines({"MARKIERT;CheckBox;Ja;Nein", "MARKIERT;CheckBox;Wahr;Falsch", "QUELLE;Combo"}));
    QString type, params;
    dkGetControlType(&t, "MARKIERT", type, params);
    EXPECT_EQ(type, "CheckBox");
    EXPECT_EQ(params, "Wahr;Falsch");
    dkGetControlType(&t, "QUELLE", type, params);
    EXPECT_EQ(type, "Combo");
    EXPECT_EQ(params, "");
    EXPECT_TRUE(dkIsEditControlType("lookupcombo"));
    EXPECT_FALSE(dkIsEditControlType("CheckBox"));

    t.SetLookupFields(Lines({"QNAME;DB;QUELLEN.DBF;TEXT;NR", "KURZ;DB;X.DBF"}));
    t.SetLookupLinks(Lines({"QUELLE;NR", "A;B"}));
    EXPECT_EQ(dkGetLookupLink(&t, "QNAME"), "QUELLE;NR");
    EXPECT_EQ(dkGetLookupLink(&t, "qname"), "");  // exact names
    EXPECT_EQ(dkGetLookupFieldsItem(&t, "QNAME"), "TEXT");
    EXPECT_EQ(dkGetLookupFieldsItem(&t, "KURZ"), "");
}

TEST_F(FieldInfoTest, FieldTextChecksByType)
{
    MakePictures(1);
    TdkTable t;
    Open(t, "BILDER.DBF");
    TField* num = t.FieldByName("NUM");
    TField* price = t.FieldByName("PREIS");
    TField* date = t.FieldByName("DATUM");
    TField* name = t.FieldByName("NAME");
    ASSERT_EQ(price->DataType(), ftFloat);
    EXPECT_TRUE(dkIsValidFieldText(price, ""));
    EXPECT_FALSE(dkIsValidFieldValue(price, ""));
    EXPECT_FALSE(dkIsValidFieldValue(num, ""));
    EXPECT_TRUE(dkIsValidFieldValue(num, "-12"));
    EXPECT_FALSE(dkIsValidFieldText(num, "12x"));
    EXPECT_TRUE(dkIsValidFieldText(date, "12.5.2006"));
    EXPECT_FALSE(dkIsValidFieldText(date, "31.2.2006"));
    EXPECT_FALSE(dkIsValidFieldValue(date, ""));
    EXPECT_TRUE(dkIsValidFieldValue(name, ""));
    EXPECT_FALSE(dkIsValidFieldValue(nullptr, "1"));
    EXPECT_TRUE(dkIsNumericFieldType(ftFloat));
    EXPECT_FALSE(dkIsNumericFieldType(ftString));
    EXPECT_TRUE(dkDataSetHasField(&t, "preis"));
    EXPECT_FALSE(dkDataSetHasField(nullptr, "PREIS"));
    for (int key : {8, 32, 46, 48, 65, 111, 146, 200})
        EXPECT_TRUE(dkIsEditKey(key)) << key;
    for (int key : {9, 13, 27, 37, 45, 112, 145})
        EXPECT_FALSE(dkIsEditKey(key)) << key;
    EXPECT_TRUE(dkHighBitSet(0x80));
    EXPECT_FALSE(dkHighBitSet(0x7F));
}

TEST_F(FieldInfoTest, ColumnLayoutGoesToTheFieldsAndBack)
{
    MakePictures(1);
    TdkTable t;
    Open(t, "BILDER.DBF");
    const TStringList columns = Lines({"num\t8\tNr.", "FEHLT\t5\tx", "NAME\t30\tBild~name"});
    dkApplyColumnsToFields(&t, &columns);
    TStringList saved;
    dkSaveColumnsToList(&t, saved);
    EXPECT_EQ(saved.ToQStringList(), (QStringList{"NUM\t8\tNr.", "NAME\t30\tBild~name"}));
    int index = -1;
    EXPECT_TRUE(dkFindColumnEntry(&saved, "name", index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(dkFindColumnEntry(&saved, "PREIS", index));
    dkApplyColumnsToFields(&t, nullptr);
    dkSaveColumnsToList(&t, saved);
    EXPECT_EQ(saved.Count(), 0);
}

TEST_F(FieldInfoTest, PurgeDropsEntriesOfMissingFields)
{
    MakePictures(1);
    TdkTable t;
    t.SetLookupFields(Lines({"WEG;DB;X.DBF;A;B", "NAME;DB;Y.DBF;A;B"}));
    t.SetLookupLinks(Lines({"L1", "L2"}));
    t.SetControlType(Lines({"ALT;CheckBox", "NUM;Combo;C"}));
    Open(t, "BILDER.DBF");
    dkPurgeFieldLists(&t, &t.LookupFields(), &t.LookupLinks(), &t.ControlType());
    EXPECT_EQ(t.LookupFields().ToQStringList(), QStringList{"NAME;DB;Y.DBF;A;B"});
    EXPECT_EQ(t.LookupLinks().ToQStringList(), QStringList{"L2"});
    EXPECT_EQ(t.ControlType().ToQStringList(), QStringList{"NUM;Combo;C"});
}

// The query datasets are known by their class names and answer their own
// database name, as the table does.
TEST_F(FieldInfoTest, QueryDatasetsAnswerTheirClassNamesAndDatabaseName)
{
    TdkQuery query;
    TdkQBE qbe;
    TdkStoredProc proc;
    struct Case {
        TDataSet* ds;
        const char* name;
    };
    for (const Case& c : {Case{&query, "TdkQuery"}, Case{&qbe, "tdkqbe"}, Case{&proc, "TdkStoredProc"}}) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(dkIsClassNamed(c.ds, c.name));
        EXPECT_TRUE(dkIsClassNamed(c.ds, "TDataSet"));
        EXPECT_FALSE(dkIsClassNamed(c.ds, "TdkTable"));
        EXPECT_TRUE(dkIsDkDataSet(c.ds));
        static_cast<TdkStatementDataSet*>(c.ds)->DatabaseName = WinDir();
        EXPECT_EQ(dkGetDatabaseName(c.ds), WinDir());
    }
    EXPECT_FALSE(dkIsClassNamed(&query, "TdkQBE"));
    // A lookup field without an entry names its dataset's database.
    auto* label = new TStringField(20);
    label->FieldName = "LABEL";
    label->FieldKind = fkCalculated;
    label->SetDataSet(&query);
    QString database, table, links, display;
    dkGetLookupFieldInfo(label, database, table, links, display);
    EXPECT_EQ(database, WinDir());
}

// The error of a refused post names the field after the text the library's
// string holder gives, so a form's connected holder decides the language.
TEST_F(FieldInfoTest, RefusedPostTellsTheStringHoldersText)
{
    MakePictures(1);
    TdkTable t;
    t.SetPictureMasks(Lines({"NAME\t&&&&\tF\tF"}));
    Open(t, "BILDER.DBF");
    const auto refusal = [&t] {
        t.Edit();
        t.FieldByName("NAME")->SetAsString("12");
        QString message;
        try {
            t.Post();
        } catch (const EDatabaseError& e) {
            message = e.Message;
        }
        t.Cancel();
        return message;
    };
    EXPECT_EQ(refusal(), "Invalid characters. Field : NAME");
    TdkIntl own(nullptr);
    own.UserMessages()->SetText("PictureValidateError", "Ungültige Zeichen im Feld ");
    EXPECT_EQ(refusal(), "Invalid characters. Field : NAME");  // not connected: nothing changes
    own.SetConnected(true);
    EXPECT_EQ(refusal(), "Ungültige Zeichen im Feld NAME");
    dkIntl()->UserMessages()->SetText("PictureValidateError", "Invalid characters. Field : ");
}

TEST_F(FieldInfoTest, TextPassesPictureOnlyWhenComplete)
{
    EXPECT_TRUE(dkTextPassesPicture("##.##.####", ""));
    EXPECT_TRUE(dkTextPassesPicture("##.##.####", "12.05.2006"));
    EXPECT_FALSE(dkTextPassesPicture("##.##.####", "12.05"));
    EXPECT_FALSE(dkTextPassesPicture("##", "123"));
    EXPECT_FALSE(dkTextPassesPicture("##;", "12"));
}

TEST_F(FieldInfoTest, StringsToTextAndBookmarks)
{
    EXPECT_EQ(dkStringsToPChar(TStringList(), false), "");
    EXPECT_EQ(dkStringsToPChar(Lines({"a", "b"}), false), "a\r\nb");
    EXPECT_EQ(dkStringsToPChar(Lines({"a", "b"}), true), "a b");
    MakePictures(3);
    TdkTable t;
    Open(t, "BILDER.DBF");
    EXPECT_EQ(dkCompareBookmarks(&t, 1, 2), -1);
    EXPECT_EQ(dkCompareBookmarks(&t, 3, 2), 1);
    EXPECT_EQ(dkCompareBookmarks(&t, 2, 2), 0);
}

TEST_F(FieldInfoTest, LocateFieldValueByMatchType)
{
    MakePictures(30);
    TdkTable t;
    Open(t, "BILDER.DBF");
    EXPECT_TRUE(t.LocateFieldValue("bild 12", "NAME", mtExactMatch, false));
    EXPECT_EQ(t.FieldByName("NUM")->AsInteger(), 12);
    EXPECT_FALSE(t.LocateFieldValue("bild 13", "NAME", mtExactMatch, true));
    EXPECT_EQ(t.FieldByName("NUM")->AsInteger(), 12);  // stays where it stood
    EXPECT_TRUE(t.LocateFieldValue("Bild 2", "NAME", mtPartialMatchStart, true));
    EXPECT_EQ(t.FieldByName("NUM")->AsInteger(), 2);
    EXPECT_TRUE(t.LocateFieldValue("D 27", "NAME", mtPartialMatchAny, false));
    EXPECT_EQ(t.FieldByName("NUM")->AsInteger(), 27);
    EXPECT_EQ(t.BusyCount(), 0);
}

// Along the current index the locate runs the index's own key search: it
// finds the first match in index order, where a scan from the first record
// finds the first in record order.
TEST_F(FieldInfoTest, LocateFieldValueGoesAlongTheCurrentIndex)
{
    MakeTable("BLUMEN.DBF", {{"NAME", 'C', 20, 0}}, 4, [](int i) {
        const char* const namen[] = {"Zeder", "Mohnblume", "mohn", "Rose"};
        Text("NAME", namen[i - 1]);
    });
    ASSERT_TRUE(MakeTags("BLUMEN.DBF", {{"UPNAME", "UPPER(NAME)"}}));
    TdkTable t;
    Open(t, "BLUMEN.DBF");
    t.First();
    EXPECT_TRUE(t.LocateFieldValue("Mohn", "NAME", mtPartialMatchStart, false));
    EXPECT_EQ(t.RecNo(), 2);  // natural order: the scan
    t.SetIndexName("UPNAME");
    t.First();
    EXPECT_TRUE(t.LocateFieldValue("Mohn", "NAME", mtPartialMatchStart, false));
    EXPECT_EQ(t.RecNo(), 3);  // "MOHN" sorts before "MOHNBLUME"
    EXPECT_TRUE(t.LocateFieldValue("rose", "NAME", mtExactMatch, false));
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Rose");
    EXPECT_FALSE(t.LocateFieldValue("Tulpe", "NAME", mtExactMatch, false));
    EXPECT_EQ(t.BusyCount(), 0);
}

class LookupTest : public FieldInfoTest {
protected:
    void SetUp() override
    {
        FieldInfoTest::SetUp();
        MakePictures(5);
        MakeTable("QUELLEN.DBF", {{"NR", 'N', 6, 0}, {"TEXT", 'C', 20, 0}}, 2, [](int i) {
            Long("NR", 2 * i);
            Text("TEXT", "Quelle " + std::to_string(2 * i));
        });
        indexed = MakeTags("QUELLEN.DBF", {{"NR", "NR"}});
    }
    // The lookup field values of records 1 to 5.
    std::vector<QString> Values(TdkTable& t)
    {
        std::vector<QString> values;
        for (t.First(); !t.Eof(); t.Next())
            values.push_back(t.FieldByName("QNAME")->AsString());
        return values;
    }
    void AddLookupField(TdkTable& t)
    {
        auto* f = new TStringField(20);
        f->FieldName = "QNAME";
        f->FieldKind = fkCalculated;
        f->SetDataSet(&t);
    }
    bool indexed = false;
    const std::vector<QString> expected{"", "Quelle 2", "", "Quelle 4", ""};
};

TEST_F(LookupTest, LookupFieldShowsTheValueOfTheLinkedRecord)
{
    ASSERT_TRUE(indexed) << "index tags could not be made: " << dbe_LastError();
    TdkTable t;
    AddLookupField(t);
    t.SetLookupFields(Lines({"QNAME;" + WinDir() + ";QUELLEN.DBF;TEXT;NR"}));
    t.SetLookupLinks(Lines({"NUM;NR"}));
    Open(t, "BILDER.DBF");
    EXPECT_EQ(Values(t), expected);
    ASSERT_EQ(t.LookupCursors().size(), 1u);  // one lookup table, opened once
    TdkTable& lookup = *t.LookupCursors()[0];
    EXPECT_TRUE(lookup.ReadOnly());
    EXPECT_EQ(lookup.LookupLinkEntry, "NUM;NR");

    // A grid cell finds the lookup record of the current row.
    t.First();
    t.Next();  // NUM 2
    QString master, display;
    ASSERT_TRUE(dkFindLookupRecord(t.FieldByName("QNAME"), master, display));
    EXPECT_EQ(master, "NUM");
    EXPECT_EQ(display, "TEXT");
    EXPECT_EQ(lookup.FieldByName("TEXT")->AsString(), "Quelle 2");

    // A lookup control's own table is prepared and positioned.
    TdkTable own;
    own.SetDatabaseName(WinDir());
    own.SetTableName("QUELLEN.DBF");
    own.SetReadOnly(true);
    own.Open();
    t.Next();
    t.Next();  // NUM 4
    EXPECT_TRUE(dkPrepareLookupTable(&t, "QNAME", &own));
    EXPECT_EQ(own.IndexName(), "NR");
    EXPECT_EQ(own.FieldByName("TEXT")->AsString(), "Quelle 4");
    EXPECT_FALSE(dkPrepareLookupTable(&t, "NAME", &own));

    t.Close();
    EXPECT_TRUE(t.LookupCursors().empty());  // freed on close
}

TEST_F(LookupTest, KeyFieldsChooseTheIndexAndUnindexedTablesAreSearched)
{
    struct Case {
        QString entry;
        QString links;
        std::vector<QString> values;
    };
    const std::vector<QString> none(5, QString());
    std::vector<Case> cases = {
        {"QNAME;" + WinDir() + ";QUELLEN.DBF;TEXT;", "NUM;NR", expected},      // no index: a locate
        {"QNAME;" + WinDir() + ";QUELLEN.DBF;TEXT;x;NR;Y", "NUM;NR", expected}, // key fields NR
        {"QNAME;" + WinDir() + ";QUELLEN.DBF;TEXT;x;NR", "NUM;NR", expected},   // six parts
        {"QNAME;" + WinDir() + ";QUELLEN.DBF;TEXT;x;NR;N", "NUM;NR", expected}, // name without extension
        {"QNAME;" + WinDir() + ";QUELLEN.DBF;TEXT;NR", "NUM;NR;NAME", none},    // odd link parts
    };
    ASSERT_TRUE(indexed) << "index tags could not be made: " << dbe_LastError();
    for (const Case& c : cases) {
        TdkTable t;
        AddLookupField(t);
        t.SetLookupFields(Lines({c.entry}));
        t.SetLookupLinks(Lines({c.links}));
        Open(t, "BILDER.DBF");
        EXPECT_EQ(Values(t), c.values) << c.entry.toStdString();
    }
}

TEST_F(LookupTest, MissingMasterFieldHidesTheLookupField)
{
    TdkTable t;
    AddLookupField(t);
    t.SetLookupFields(Lines({"QNAME;" + WinDir() + ";QUELLEN.DBF;TEXT;"}));
    t.SetLookupLinks(Lines({"FEHLT;NR"}));
    Open(t, "BILDER.DBF");
    EXPECT_FALSE(t.FieldByName("QNAME")->Visible());
    EXPECT_EQ(t.FieldByName("QNAME")->AsString(), "");
}

TEST(DkDraw, EllipsisSquaresAndComboArrow)
{
    TBitmap bmp(16, 16);
    bmp.Canvas()->Brush.Color = clWhite;
    bmp.Canvas()->FillRect(Rect(0, 0, 16, 16));
    dkDrawEllipsisButton(bmp.Canvas(), Rect(0, 0, 16, 16), 0, 0);
    // side (16 + 1) / 8 = 2; the middle square at 8 - 1, 8 - 1; the others 4 away.
    const QImage img = bmp.ToImage();
    for (int x : {3, 4, 7, 8, 11, 12})
        for (int y : {7, 8})
            EXPECT_EQ(img.pixelColor(x, y), QColor(Qt::black)) << x << "," << y;
    for (int x : {5, 6, 9, 10})
        EXPECT_NE(img.pixelColor(x, 7), QColor(Qt::black)) << x;
    EXPECT_NE(img.pixelColor(7, 9), QColor(Qt::black));

    // Style 2 (flat): no shift of the squares.
    TBitmap flat(16, 16);
    dkDrawEllipsisButton(flat.Canvas(), Rect(0, 0, 16, 16), 2, 0);
    const QImage f = flat.ToImage();
    EXPECT_EQ(f.pixelColor(8, 8), QColor(Qt::black));
    EXPECT_NE(f.pixelColor(7, 7), QColor(Qt::black));

    TBitmap combo(17, 17);
    dkDrawComboButton(combo.Canvas(), Rect(0, 0, 17, 17), false, 0, true);
    const QImage c = combo.ToImage();
    bool dark = false;
    for (int x = 5; x < 12; ++x)
        for (int y = 5; y < 12; ++y)
            dark = dark || c.pixelColor(x, y).lightness() < 60;
    EXPECT_TRUE(dark) << "the arrow is drawn";
}

}  // namespace

namespace {

TEST_F(FieldInfoTest, AnswerTablesAreNotMadeByThisEngine)
{
    QString path = "x";
    EXPECT_FALSE(dkGetAliasPath("BILDER", path));
    EXPECT_EQ(path, "");
    {
        TPromptScript script;
        script.Answer(mrOk, "Invalid Alias in QBE");
        EXPECT_FALSE(dkPrepareAnswerTable(nullptr, 0, ":BILDER:ANTWORT.DB"));
        EXPECT_EQ(script.Records().at(0).DlgType, mtError);
    }
    boxes.clear();
    EXPECT_FALSE(dkPrepareAnswerTable(nullptr, 0, "C:\\TEMP\\ANTWORT.DB"));  // never reported as made
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith("This function not supported by the database engine : "));
}

}  // namespace
