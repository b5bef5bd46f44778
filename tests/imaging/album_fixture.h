#pragma once
// An album table made through the DBF engine (the album's 29 fields) with
// thumbnails in VORSCHAU, opened as a TdkTable with a data source and a
// TDbe on it.

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "album_layout.h"
#include "datagrid/dk_data_source.h"
#include "datagrid/dk_table.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "storage/database_bridge.h"
#include "storage/tdbe.h"
#include "test_environment.h"

namespace imgtest {

inline QByteArray BmpBytes(const QImage& img)
{
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "BMP");
    return out;
}

class AlbumTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(InstallDatabaseBridge(), DBIERR_NONE);
        SetDatabaseInfoHandler([this](const QString& text) { boxes << text; });
    }
    void TearDown() override
    {
        dbe.reset();
        source.reset();
        table.reset();
        SetDatabaseInfoHandler(nullptr);
        UninstallDatabaseBridge();
    }

    // Makes BILDER.DBF with `count` records; fill(i) sets record i's fields.
    void MakeAlbum(int count, const std::function<void(int)>& fill = {})
    {
        const std::string file = (dir / "BILDER.DBF").string();
        const int n = lxtest::kAlbumLayoutFieldCount;
        ASSERT_NE(dbe_CreateNew(file.c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, n), 0) << dbe_LastError();
        for (const lxtest::AlbumLayoutField& f : lxtest::kAlbumLayout)
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

    static void Thumb(const QImage& img)
    {
        const QByteArray bytes = BmpBytes(img);
        dbe_ReplaceBlob("VORSCHAU", bytes.constData(), uint32_t(bytes.size()), 1);
    }
    static void Flags(const char* text) { dbe_Replace("FLAGS", DBE_REPL_TEXT, text); }

    void OpenAlbum()
    {
        table = std::make_unique<TdkTable>();
        table->SetDatabaseName(LinuxToWinOrSelf(QString::fromStdString(dir.str())));
        table->SetTableName("BILDER.DBF");
        table->Open();
        source = std::make_unique<TdkDataSource>(table.get());
        dbe = std::make_unique<TDbe>(nullptr);
        dbe->SetDataSource(source.get());
    }

    lxtest::TempDir dir;
    QStringList boxes;
    std::unique_ptr<TdkTable> table;
    std::unique_ptr<TdkDataSource> source;
    std::unique_ptr<TDbe> dbe;
};

}  // namespace imgtest
