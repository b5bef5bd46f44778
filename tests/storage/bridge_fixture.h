#pragma once
// Album-like tables made through the DBF engine for the bridge and table
// tests, with the bridge installed and its information boxes recorded.

#include "platform/dbf/dbe.h"
#include "platform/data/table.h"
#include "storage/database_bridge.h"
#include "bridge_test.h"
#include "test_environment.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>
#include <vector>

class BridgeTest : public BridgeTestBase {
protected:
    QString Dir() const { return QString::fromStdString(dir.str()) + "/"; }
    std::string File(const char* name) const { return (dir / name).string(); }

    // An album-like table: NAME C(20), PFAD C(60), NUM N(4), GROESSE N(10),
    // PREIS N(8,2), DATUM D, MARKIERT L, NOTIZ M; `count` records numbered
    // 1..count with NAME "Bild nnnn" (descending: record 1 has the highest).
    void MakeAlbum(const char* name, int count)
    {
        const uint16_t area = dbe_CreateNew(File(name).c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, 8);
        ASSERT_NE(area, 0) << dbe_LastError();
        dbe_CreateField("NAME", 'C', 20, 0);
        dbe_CreateField("PFAD", 'C', 60, 0);
        dbe_CreateField("NUM", 'N', 4, 0);
        dbe_CreateField("GROESSE", 'N', 10, 0);
        dbe_CreateField("PREIS", 'N', 8, 2);
        dbe_CreateField("DATUM", 'D', 8, 0);
        dbe_CreateField("MARKIERT", 'L', 1, 0);
        dbe_CreateField("NOTIZ", 'M', 10, 0);
        ASSERT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
        for (int i = 1; i <= count; ++i) {
            ASSERT_EQ(dbe_AppendBlank(), 1);
            const std::string n = "Bild " + std::to_string(10000 - i);
            const std::string path = "C:\\Bilder\\b" + std::to_string(i) + ".jpg";
            const int32_t num = i % 1000;
            const double size = i * 1000.0;
            dbe_Replace("NAME", DBE_REPL_TEXT, n.c_str());
            dbe_Replace("PFAD", DBE_REPL_TEXT, path.c_str());
            dbe_Replace("NUM", DBE_REPL_LONG, &num);
            dbe_Replace("GROESSE", DBE_REPL_DOUBLE, &size);
            dbe_Replace("DATUM", DBE_REPL_DTOS, "20240131");
            const char mark = i % 2 ? 'T' : 'F';
            dbe_Replace("MARKIERT", DBE_REPL_LOGICAL, &mark);
        }
        dbe_Commit();
        dbe_Close();
    }

    // Reads one field of a record from the DBF file's bytes.
    std::string RawField(const char* table, uint32_t recno, int offset, int width) const
    {
        const std::string bytes = lxtest::ReadFile(dir / table);
        const int header = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
        const int recLen = static_cast<unsigned char>(bytes[10]) | static_cast<unsigned char>(bytes[11]) << 8;
        return bytes.substr(static_cast<size_t>(header) + (recno - 1) * recLen + offset, static_cast<size_t>(width));
    }
    uint32_t RawRecordCount(const char* table) const
    {
        const std::string bytes = lxtest::ReadFile(dir / table);
        uint32_t n = 0;
        for (int i = 0; i < 4; ++i)
            n |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[4 + i])) << (8 * i);
        return n;
    }
};

// Opens a table of the fixture's folder through the bridge.
inline hDBICur OpenCursor(const QString& dir, const QString& table, DBIOpenMode mode = dbiREADWRITE,
                          DBIShareMode share = dbiOPENSHARED, DBIResult* result = nullptr,
                          const QString& driver = QStringLiteral("DXFOX"))
{
    hDBIDb db = 0;
    DbiOpenDatabase(QString(), dir, db);
    hDBICur cursor = 0;
    const DBIResult r = DbiOpenTable(db, table, driver, QString(), QString(), 0, mode, share, cursor);
    DbiCloseDatabase(db);
    if (result)
        *result = r;
    return cursor;
}
