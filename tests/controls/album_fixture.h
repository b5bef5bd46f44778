#pragma once
// An album table made through the engine for the data-aware controls, and
// one of its columns as python3-dbfread reads it.

#include <cstdio>
#include <functional>
#include <string>

#include "controls_fixture.h"
#include "datagrid/dk_data_source.h"
#include "table_fixture.h"

namespace lxcontrols_test {

// BILDER.DBF in dir with the album's fields, one record per fill call.
inline void MakeAlbum(const lxtest::TempDir& dir, int records, const std::function<void(int)>& fill)
{
    const std::string file = (dir / "BILDER.DBF").string();
    const auto& fields = AlbumFields();
    ASSERT_NE(dbe_CreateNew(file.c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, int(fields.size())), 0) << dbe_LastError();
    for (const TFieldSpec& f : fields)
        dbe_CreateField(f.name, f.type, f.width, f.decimals);
    ASSERT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
    for (int i = 0; i < records; ++i) {
        ASSERT_EQ(dbe_AppendBlank(), 1);
        fill(i);
    }
    dbe_Commit();
    dbe_Close();
}

// One line per record: the field's value as python3-dbfread prints it.
inline std::string ReadColumn(const lxtest::TempDir& dir, const std::string& field)
{
    const auto py = dir / "read.py";
    lxtest::WriteFile(py, "import sys, dbfread\n"
                          "for r in dbfread.DBF(sys.argv[1], encoding='cp1252'):\n"
                          "    print(r[sys.argv[2]])\n");
    const std::string cmd = "/usr/bin/python3 " + py.string() + " " + (dir / "BILDER.DBF").string() + " " + field + " 2>&1";
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    char buf[256];
    while (p && fgets(buf, sizeof buf, p))
        out += buf;
    if (p)
        pclose(p);
    return out;
}

// A shown form over an album table opened through the database bridge.
class AlbumControlsTest : public ControlsTest {
protected:
    // The album of records entries (fill(i) sets record i) opened as table.
    void OpenAlbum(int records, const std::function<void(int)>& fill)
    {
        ASSERT_EQ(InstallDatabaseBridge(), DBIERR_NONE);
        bridge = true;
        MakeAlbum(dir, records, fill);
        table.SetDatabaseName(LinuxToWinOrSelf(QString::fromStdString(dir.str())));
        table.SetTableName("BILDER.DBF");
        table.Open();
        source.SetDataSet(&table);
    }
    void TearDown() override
    {
        form.reset();
        source.SetDataSet(nullptr);
        table.Close();
        if (bridge)
            UninstallDatabaseBridge();
        ControlsTest::TearDown();
    }

    lxtest::TempDir dir;
    TdkTable table;
    TdkDataSource source;
    bool bridge = false;
};

}  // namespace lxcontrols_test
