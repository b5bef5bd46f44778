// Guards the DBF routines: opening databases, record and key searches, index
// and field lists.
#include "dbe_fixture.h"

#include "platform/core/file_utils.h"
#include "platform/ui/prompt_script.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe_env.h"

#include <QFileInfo>

#include <string>
#include <vector>

namespace {

class DbfRoutinesTest : public DbeTest {
protected:
    void TearDown() override
    {
        dbe_SetExact(0);
        dbe_SetSoftSeek(0);
        dbe_SysProp(DBE_PROP_SORT_WEIGHTS, 0);
        dbe_CloseAll();
        DbeTest::TearDown();
    }
    void MakeAlbumWithTags(int count)
    {
        MakeAlbum("BILDER.DBF", count);
        dbe_Use(File("BILDER.DBF").c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX);
        ASSERT_GT(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0);
        ASSERT_GT(dbe_IndexTag("", "PFADGR", "UPPER(PFAD)", 0, 0, ""), 0);
        dbe_Close();
    }
};

TEST_F(DbfRoutinesTest, DatenbankOeffnenOpensOrTellsThatTheFileIsMissing)
{
    MakeAlbum("BILDER.DBF", 4);
    TLinkedTable lt;
    {
        TPromptScript script;
        script.Answer(TPromptKind::Box, IDOK, "ist nicht vorhanden");
        EXPECT_EQ(DatenbankOeffnen(&lt.table, ttDXFOX, &lt.dbe, WinDir(), "FEHLT.DBF", "", false, false), 0);
        EXPECT_EQ(script.Records().at(0).Text, "Datenbank " + WinDir() + "FEHLT.DBF ist nicht vorhanden !");
        EXPECT_EQ(script.Records().at(0).Caption, "Datenbank nicht vorhanden");
        EXPECT_TRUE(script.Records().at(0).Flags & MB_ICONINFORMATION);
    }
    EXPECT_FALSE(lt.table.Active());
    EXPECT_EQ(DatenbankOeffnen(&lt.table, ttDXFOX, &lt.dbe, WinDir(), "BILDER.DBF", "", false, true), 1);
    EXPECT_TRUE(lt.table.Active());
    EXPECT_TRUE(lt.table.ReadOnly());
    EXPECT_FALSE(lt.table.ControlsDisabled());
    EXPECT_EQ(lt.table.TableType(), ttDXFOX);
    // A file that is no table answers 0 without raising.
    lxtest::WriteFile(dir / "KAPUTT.DBF", "kein DBF");
    EXPECT_EQ(DatenbankOeffnen(&lt.table, ttDXFOX, &lt.dbe, WinDir(), "KAPUTT.DBF", "", false, false), 0);
    EXPECT_FALSE(lt.table.ControlsDisabled());
}

TEST_F(DbfRoutinesTest, DatenbankOeffnenPasswortAnswersItsCodes)
{
    MakeAlbumWithTags(5);
    TLinkedTable lt;
    EXPECT_EQ(DatenbankOeffnenPasswort(&lt.table, ttDXFOX, &lt.dbe, WinDir(), "BILDER.DBF", "", false, false, true,
                                       nullptr, "", "NAME"),
              0);
    EXPECT_TRUE(lt.table.Active());
    EXPECT_FALSE(lt.table.ReadOnly());
    EXPECT_EQ(lt.table.IndexName(), "NAME");
    EXPECT_EQ(lt.table.FieldByName("NAME")->AsString(), "Bild 9995");  // first in NAME order
    EXPECT_TRUE(DbeTranslateFlag());
    EXPECT_FALSE(lt.table.ControlsDisabled());

    // A read-only file opens read-only.
    lt.table.Close();
    ASSERT_EQ(FileSetAttr(WinDir() + "BILDER.DBF", faReadOnly), 0);
    EXPECT_EQ(DatenbankOeffnenPasswort(&lt.table, ttDXFOX, &lt.dbe, WinDir(), "BILDER.DBF", "", false, false, false,
                                       nullptr, "", ""),
              0);
    EXPECT_TRUE(lt.table.ReadOnly());
    EXPECT_FALSE(DbeTranslateFlag());
    FileSetAttr(WinDir() + "BILDER.DBF", 0);

    // Failures answer 1, also for a missing file, with the controls enabled again.
    lt.table.Close();
    EXPECT_EQ(DatenbankOeffnenPasswort(&lt.table, ttDXFOX, &lt.dbe, WinDir(), "FEHLT.DBF", "", false, false, false,
                                       nullptr, "", ""),
              1);
    EXPECT_FALSE(lt.table.Active());
    EXPECT_FALSE(lt.table.ControlsDisabled());

    // A table marked encrypted: without a password the caller learns that
    // one is missing (2); with one the open fails (1).
    std::string bytes = lxtest::ReadFile(dir / "BILDER.DBF");
    bytes[15] = 1;
    lxtest::WriteFile(dir / "GEHEIM.DBF", bytes);
    EXPECT_EQ(DatenbankOeffnenPasswort(&lt.table, ttDXFOX, &lt.dbe, WinDir(), "GEHEIM.DBF", "", false, false, false,
                                       nullptr, "", ""),
              2);
    EXPECT_EQ(DatenbankOeffnenPasswort(&lt.table, ttDXFOX, &lt.dbe, WinDir(), "GEHEIM.DBF", "geheim", false, false,
                                       false, nullptr, "", ""),
              1);
    EXPECT_FALSE(lt.table.Active());
}

TEST_F(DbfRoutinesTest, DatensatzSuchenComparesTrimmedLowerCaseText)
{
    MakeAlbum("BILDER.DBF", 10);
    TLinkedTable lt;
    Open(lt.table, "BILDER.DBF");
    EXPECT_EQ(DatensatzSuchen(&lt.dbe, "NAME", "  bild 9994 "), 1);
    EXPECT_EQ(lt.table.RecNo(), 6);
    EXPECT_EQ(DatensatzSuchen(&lt.dbe, "NAME", "Bild 9"), 0);
    EXPECT_TRUE(lt.table.Eof());
}

TEST_F(DbfRoutinesTest, SchluesselSuchenSeeksThePaddedKeyExactly)
{
    MakeAlbumWithTags(10);
    TLinkedTable lt;
    Open(lt.table, "BILDER.DBF");
    TDbeEnv env(nullptr);
    env.SetSoftSeek(true);
    MoveTo(lt.table, 4);
    // An empty key: no seek, nothing moves.
    EXPECT_EQ(SchluesselSuchen(&lt.dbe, &env, "NAME", 20, ""), 0);
    EXPECT_EQ(lt.table.RecNo(), 4);
    EXPECT_TRUE(env.SoftSeek());

    EXPECT_EQ(SchluesselSuchen(&lt.dbe, &env, "NAME", 20, "Bild 9992"), 1);
    EXPECT_EQ(lt.table.RecNo(), 8);
    EXPECT_EQ(lt.table.IndexName(), "NAME");
    EXPECT_FALSE(env.SoftSeek());
    EXPECT_TRUE(env.Exact());
    // Exact: a prefix is no hit.
    EXPECT_EQ(SchluesselSuchen(&lt.dbe, &env, "NAME", 20, "Bild 99"), 0);
    EXPECT_TRUE(lt.table.Eof());
    EXPECT_EQ(SchluesselSuchen(&lt.dbe, &env, "PFADGR", 60, "C:\\BILDER\\B3.JPG"), 1);
    EXPECT_EQ(lt.table.RecNo(), 3);
}

TEST_F(DbfRoutinesTest, IndexVorhandenComparesTheTagsKeyFieldAndKeepsTheOrder)
{
    MakeAlbumWithTags(3);  // tags NAME and UPPER(PFAD)
    TLinkedTable lt;
    lt.table.SetIndexName("PFADGR");
    Open(lt.table, "BILDER.DBF");
    const int order = lt.dbe.IndexOrd();
    // The key field of a tag: the field of a one-field key, the first field
    // an expression key uses.
    EXPECT_EQ(IndexVorhanden(&lt.dbe, "NAME", true), 1);
    EXPECT_EQ(IndexVorhanden(&lt.dbe, "PFAD", false), 1);
    EXPECT_EQ(IndexVorhanden(&lt.dbe, "name", true), 0);
    EXPECT_EQ(IndexVorhanden(&lt.dbe, "NUM", true), 0);
    EXPECT_EQ(lt.dbe.IndexOrd(), order);
    EXPECT_EQ(lt.table.IndexName(), "PFADGR");
    EXPECT_FALSE(lt.table.ControlsDisabled());
}

TEST_F(DbfRoutinesTest, FeldnamenListeNamesEveryFieldOfAnOpenDataset)
{
    MakeAlbum("BILDER.DBF", 1);
    TTable t;
    EXPECT_EQ(FeldnamenListe(&t), nullptr);
    Open(t, "BILDER.DBF");
    const std::unique_ptr<TStringList> names = FeldnamenListe(&t);
    ASSERT_NE(names, nullptr);
    EXPECT_EQ(names->CommaText(), "NAME,PFAD,NUM,GROESSE,PREIS,DATUM,MARKIERT,NOTIZ");
}

TEST_F(DbfRoutinesTest, PfadeAufDateinamenKuerzenKeepsOnlyTheFileNames)
{
    MakeAlbum("BILDER.DBF", 4);
    EXPECT_TRUE(PfadeAufDateinamenKuerzen(WinDir(), "BILDER.DBF"));
    for (uint32_t r = 1; r <= 4; ++r) {
        std::string expected(60, ' ');
        const std::string name = QStringLiteral("b%1.jpg").arg(r).toStdString();
        expected.replace(0, name.size(), name);
        EXPECT_EQ(RawField("BILDER.DBF", r, 21, 60), expected);
    }

    TPromptScript script;
    script.Answer(mrOk, "nicht finden/öffnen!");
    script.Answer(mrOk, "nicht öffnen, Pfade überprüfen!");
    EXPECT_FALSE(PfadeAufDateinamenKuerzen(WinDir(), "FEHLT.DBF"));
    EXPECT_EQ(script.Records().at(0).Text, "Konnte angebenene Datei " + WinDir() + "FEHLT.DBF nicht finden/öffnen!");
    lxtest::WriteFile(dir / "KAPUTT.DBF", "kein DBF");
    EXPECT_FALSE(PfadeAufDateinamenKuerzen(WinDir(), "KAPUTT.DBF"));
}

TEST_F(DbfRoutinesTest, SortWeightsPlaceTheUmlautsBehindTheirLetters)
{
    const auto& w = Sortiertabelle();
    const std::vector<std::pair<int, int>> cases = {
        {0x00, 0x00}, {0x41, 0x41}, {0x8E, 0x42}, {'B', 0x43}, {'O', 0x50}, {0x99, 0x51}, {'P', 0x52},
        {'U', 0x57},  {0x9A, 0x58}, {'V', 0x59},  {'a', 0x64}, {0x84, 0x65}, {'b', 0x66}, {0x94, 0x74},
        {0xE1, 0x79}, {'t', 0x7A},  {'u', 0x7B},  {0x81, 0x7C}, {'v', 0x7D}, {0x80, 0x87}, {0x82, 0x88},
        {0xFF, 0xFF},
    };
    for (const auto& [code, weight] : cases)
        EXPECT_EQ(w[static_cast<size_t>(code)], weight) << "code " << code;
    // Every weight once.
    std::vector<bool> seen(256);
    for (unsigned char v : w)
        seen[v] = true;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 256);
}

TEST_F(DbfRoutinesTest, SortWeightsHandedToTheEngineOrderItsKeys)
{
    MakeTable("SORT.DBF", {{"NAME", 'C', 5, 0}}, 0);
    const uint16_t area = dbe_Use(File("SORT.DBF").c_str(), "", DBE_EXCLUSIVE, DBE_TYPE_FOX);
    for (const char* n : {"B", "\x8E", "A"}) {
        dbe_AppendBlank();
        dbe_Replace("NAME", DBE_REPL_TEXT, n);
    }
    SortiertabelleSetzen();
    ASSERT_GT(dbe_IndexTag("", "NAME", "NAME", 0, 0, ""), 0);
    std::string order;
    for (dbe_GoTop(); !dbe_Eof(); dbe_Skip(1))
        order += dbe_GetTrimString("NAME");
    EXPECT_EQ(order, "A\x8E" "B");
    dbe_Select(area);
}

}  // namespace
