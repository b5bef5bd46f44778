#pragma once
// Engine tables open as TTable datasets with a TDbe companion, for the tests
// of the companion components and the program's DBF routines.

#include "bridge_fixture.h"

#include "platform/core/win_path.h"
#include "platform/data/table.h"
#include "storage/tdbe.h"

#include <initializer_list>
#include <string>

class DbeTest : public BridgeTest {
protected:
    struct TFieldSpec {
        const char* name;
        char type;
        int width;
        int decimals;
    };

    // The test folder in Windows form, with a trailing "\".
    QString WinDir() const { return *LinuxToWin(QString::fromStdString(dir.str())) + "\\"; }

    // A table with the given fields and `count` blank records.
    void MakeTable(const char* name, std::initializer_list<TFieldSpec> fields, int count = 0)
    {
        const uint16_t before = dbe_WorkArea(nullptr);
        const uint16_t area =
            dbe_CreateNew(File(name).c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, static_cast<int>(fields.size()));
        ASSERT_NE(area, 0) << dbe_LastError();
        for (const TFieldSpec& f : fields)
            ASSERT_EQ(dbe_CreateField(f.name, f.type, f.width, f.decimals), 1);
        ASSERT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
        for (int i = 0; i < count; ++i)
            dbe_AppendBlank();
        dbe_Commit();
        dbe_Close();
        dbe_Select(before);
    }

    void Open(TTable& t, const char* name)
    {
        t.SetDatabaseName(WinDir());
        t.SetTableName(name);
        t.SetTableType(ttDXFOX);
        t.Open();
    }

    // Moves the dataset onto its n-th record (1-based) in the current order.
    static void MoveTo(TTable& t, int n)
    {
        t.First();
        t.MoveBy(n - 1);
    }
};

// A table dataset with its data source and companion, linked.
struct TLinkedTable {
    TTable table;
    TDataSource source{&table};
    TDbe dbe{nullptr};
    TLinkedTable() { dbe.SetDataSource(&source); }
};
