#pragma once
// Tables made through the DBF engine for the dataset tests, opened as
// TdkTable through the installed database bridge; the bridge's information
// boxes are recorded.

#include "datagrid/dk_table.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "storage/database_bridge.h"
#include "album_layout.h"
#include "bridge_test.h"
#include "test_environment.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

struct TFieldSpec {
    const char* name;
    char type;
    int width;
    int decimals;
};

inline const std::vector<TFieldSpec>& AlbumFields();

class DkTableTest : public BridgeTestBase {
protected:
    std::string File(const char* name) const { return (dir / name).string(); }
    QString WinDir() const { return LinuxToWinOrSelf(QString::fromStdString(dir.str())); }

    // Makes a table; fill(i) is called with the new record i (1-based)
    // selected, to set its fields with dbe_Replace.
    void MakeTable(const char* name, const std::vector<TFieldSpec>& fields, int count,
                   const std::function<void(int)>& fill = {})
    {
        const uint16_t area =
            dbe_CreateNew(File(name).c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, static_cast<int>(fields.size()));
        ASSERT_NE(area, 0) << dbe_LastError();
        for (const TFieldSpec& f : fields)
            dbe_CreateField(f.name, f.type, f.width, f.decimals);
        ASSERT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
        for (int i = 1; i <= count; ++i) {
            ASSERT_EQ(dbe_AppendBlank(), 1);
            if (fill)
                fill(i);
        }
        dbe_Commit();
        dbe_Close();
    }

    // Adds index tags (name, key expression) to a table; false when the
    // engine could not make them.
    bool MakeTags(const char* table, const std::vector<std::pair<const char*, const char*>>& tags)
    {
        const uint16_t area = dbe_Use(File(table).c_str(), "TAGS", DBE_EXCLUSIVE, DBE_TYPE_FOX);
        if (area == 0)
            return false;
        bool made = true;
        for (const auto& [tag, key] : tags)
            made = made && dbe_IndexTag(nullptr, tag, key, 0, 0, nullptr) != 0;
        dbe_Close();
        return made;
    }

    void Open(TdkTable& t, const char* table)
    {
        t.SetDatabaseName(WinDir());
        t.SetTableName(table);
        t.Open();
    }

    // An album of count entries: ShortDesc "Bild i", Owner "Anna" or "Otto",
    // Label "Etikett i", Qualitaet i modulo 7, Bytes i * 100.
    void MakeAlbum(int count)
    {
        MakeTable("BILDER.DBF", AlbumFields(), count, [](int i) {
            Text("ShortDesc", "Bild " + std::to_string(i));
            Text("Owner", i % 2 ? "Anna" : "Otto");
            Text("Label", "Etikett " + std::to_string(i));
            Text("Qualitaet", std::to_string(i % 7));
            Long("Bytes", i * 100);
        });
    }

    // Reads record recno of the album file through the engine, outside the
    // dataset under test.
    template <typename F>
    auto InFile(uint32_t recno, F read)
    {
        const uint16_t area = dbe_Use(File("BILDER.DBF").c_str(), "CHECK", DBE_READONLY, DBE_TYPE_FOX);
        EXPECT_NE(area, 0) << dbe_LastError();
        dbe_Go(recno);
        auto value = read();
        dbe_Close();
        return value;
    }
    std::string Stored(uint32_t recno, const char* field)
    {
        return InFile(recno, [field] { return std::string(dbe_GetTrimString(field)); });
    }
    bool DeletedInFile(uint32_t recno)
    {
        return InFile(recno, [] { return dbe_Deleted() != 0; });
    }

    static void Text(const char* field, const std::string& value) { dbe_Replace(field, DBE_REPL_TEXT, value.c_str()); }
    static void Long(const char* field, int32_t value) { dbe_Replace(field, DBE_REPL_LONG, &value); }
};

// The 29 fields of an album, in their order.
inline const std::vector<TFieldSpec>& AlbumFields()
{
    static const std::vector<TFieldSpec> fields = [] {
        std::vector<TFieldSpec> list;
        for (const lxtest::AlbumLayoutField& f : lxtest::kAlbumLayout)
            list.push_back({f.name, f.type, f.width, f.decimals});
        return list;
    }();
    return fields;
}

// The 22 fields of the album manager table.
inline const std::vector<TFieldSpec>& ManagerFields()
{
    static const std::vector<TFieldSpec> fields = {
        {"ShortDesc", 'C', 239, 0}, {"Owner", 'C', 15, 0},     {"BytesDBF", 'N', 10, 0},
        {"BytesFPT", 'N', 10, 0},   {"BytesCDX", 'N', 10, 0},  {"BytesIA", 'N', 10, 0},
        {"BytesSum", 'N', 10, 0},   {"Pfad", 'C', 239, 0},     {"LASTFDATE", 'D', 8, 0},
        {"SAETZE", 'N', 10, 0},     {"Label", 'C', 30, 0},     {"LabelKennung", 'C', 14, 0},
        {"Type", 'C', 1, 0},        {"Markiert", 'L', 1, 0},   {"Zugriff", 'L', 1, 0},
        {"Privat", 'L', 1, 0},      {"Anywhere", 'L', 1, 0},   {"Flags", 'C', 10, 0},
        {"PICBYTES", 'N', 10, 0},   {"MARKIERTE", 'N', 6, 0},  {"MITDESC", 'N', 6, 0},
        {"OHNEDESC", 'N', 6, 0}};
    return fields;
}

inline TStringList Lines(std::initializer_list<QString> lines)
{
    TStringList l;
    for (const QString& s : lines)
        l.Add(s);
    return l;
}
