// Guards saving and restoring the grid layouts in the ini file.
#include "dbe_fixture.h"

#include "platform/core/ini_file.h"
#include "shared/qk_ini.h"
#include "storage/grid_settings.h"

#include <QStringList>

namespace {

class GridSettingsTest : public DbeTest {
protected:
    void SetUp() override
    {
        DbeTest::SetUp();
        MakeAlbum("BILDER.DBF", 3);
        Open(table, "BILDER.DBF");
        ini.SetINIFileName(WinDir() + "Lumadex.INI");
    }
    void TearDown() override
    {
        table.Close();
        DbeTest::TearDown();
    }
    QStringList Columns()
    {
        QStringList names;
        for (TField* f : GridSpaltenFelder(&table))
            names << f->FieldName;
        return names;
    }
    QString IniText() { return QString::fromLatin1(lxtest::ReadFile(dir / "Lumadex.INI")); }
    // Every read goes through here: the "layout was read" flag lasts for the
    // whole process, so the tests note when one of them has set it.
    int Lesen(TDataSet* t)
    {
        const int r = GridSettingsLesen(&ini, "BilderFieldPosition", "BilderFieldWidth", t);
        if (t->Active())  // a closed table is left alone
            readInThisProcess = true;
        return r;
    }
    static inline bool readInThisProcess = false;

    TTable table;
    TQKINI ini{nullptr};
};

TEST_F(GridSettingsTest, SavedLayoutComesBackInANewRun)
{
    // The user's layout: PFAD first, DATUM after it, NUM and NOTIZ hidden, widths set.
    table.FieldByName("PFAD")->SetIndex(0);
    table.FieldByName("DATUM")->SetIndex(1);
    table.FieldByName("NUM")->SetVisible(false);
    table.FieldByName("NOTIZ")->SetVisible(false);
    table.FieldByName("PFAD")->SetDisplayWidth(33);
    table.FieldByName("NAME")->SetDisplayWidth(12);
    const QStringList layout = Columns();
    ASSERT_EQ(layout, (QStringList{"PFAD", "DATUM", "NAME", "GROESSE", "PREIS", "MARKIERT"}));
    EXPECT_EQ(GridSettingsSpeichern(&ini, "BilderFieldPosition", "BilderFieldWidth", &table), 1);
    EXPECT_EQ(ini.INIReadInteger("BilderFieldPosition", "DATUM", -1), 1);
    EXPECT_EQ(ini.INIReadInteger("BilderFieldPosition", "NAME", -1), 2);
    EXPECT_EQ(ini.INIReadInteger("BilderFieldWidth", "PFAD", -1), 33);
    EXPECT_EQ(ini.INIReadInteger("BilderFieldPosition", "NUM", -1), -1);

    // A new run: the table opens in its own order with every field shown.
    TTable fresh;
    Open(fresh, "BILDER.DBF");
    EXPECT_EQ(GridSettingsGelesen(), readInThisProcess);  // false in a run of its own
    EXPECT_EQ(Lesen(&fresh), 1);
    QStringList columns;
    for (TField* f : GridSpaltenFelder(&fresh))
        columns << f->FieldName;
    EXPECT_EQ(columns, layout);
    EXPECT_FALSE(fresh.FieldByName("NUM")->Visible());
    EXPECT_EQ(fresh.FieldByName("PFAD")->DisplayWidth(), 33);
    EXPECT_EQ(fresh.FieldByName("NAME")->DisplayWidth(), 12);
    EXPECT_TRUE(GridSettingsGelesen());
}

TEST_F(GridSettingsTest, GridWithASingleFieldClearsBothSectionsAndWritesNothing)
{
    ini.INIWriteInteger("BilderFieldPosition", "ALT", 3);
    ini.INIWriteInteger("BilderFieldWidth", "ALT", 30);
    for (int i = 1; i < table.FieldCount(); ++i)
        table.Fields(i)->SetVisible(false);
    EXPECT_EQ(GridSettingsSpeichern(&ini, "BilderFieldPosition", "BilderFieldWidth", &table), 1);
    EXPECT_FALSE(IniText().contains("BilderField"));
    EXPECT_FALSE(IniText().contains("ALT"));
}

TEST_F(GridSettingsTest, NothingSavedOrTableClosedLeavesTheLayout)
{
    EXPECT_EQ(Lesen(&table), 1);
    EXPECT_EQ(Columns().size(), 8);
    TTable closed;
    EXPECT_EQ(Lesen(&closed), 1);
}

// A record that names a single field of the table (what a save cut short
// leaves: it writes one key at a time) is not taken: the layout stays.
TEST_F(GridSettingsTest, ARecordNamingASingleFieldLeavesTheLayout)
{
    const QStringList vorher = Columns();
    for (const QStringList& schluessel : {QStringList{"MARKIERT"}, QStringList{"MARKIERT", "WEG"}}) {
        ini.KillSection("BilderFieldPosition");
        for (int i = 0; i < schluessel.size(); ++i)
            ini.INIWriteInteger("BilderFieldPosition", schluessel[i], i);
        EXPECT_EQ(Lesen(&table), 1);
        EXPECT_EQ(Columns(), vorher) << schluessel.join(",").toStdString();
    }
}

TEST_F(GridSettingsTest, UnknownKeysAreSkipped)
{
    ini.INIWriteInteger("BilderFieldPosition", "NAME", 1);
    ini.INIWriteInteger("BilderFieldPosition", "WEG", 0);
    ini.INIWriteInteger("BilderFieldPosition", "PFAD", 0);
    EXPECT_EQ(Lesen(&table), 1);
    EXPECT_EQ(Columns(), (QStringList{"PFAD", "NAME"}));
}

}  // namespace

namespace {

TEST_F(GridSettingsTest, IniFileThatCannotBeWrittenRaisesTheRoutinesError)
{
    TQKINI broken(nullptr);
    broken.SetINIFileName(WinDir() + "fehlt\\Lumadex.INI");
    try {
        GridSettingsSpeichern(&broken, "BilderFieldPosition", "BilderFieldWidth", &table);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Fehler in GridSettingsSpeichern()");
    }
}

}  // namespace
