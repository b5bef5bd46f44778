#pragma once
// An album table (the album's 29 fields) with thumbnails in VORSCHAU, made
// and opened as the dataset tests do (table_fixture.h in tests/support), with
// a data source and a TDbe on it.

#include <QBuffer>
#include <QImage>

#include <memory>

#include "datagrid/dk_data_source.h"
#include "storage/tdbe.h"
#include "table_fixture.h"

namespace imgtest {

inline QByteArray BmpBytes(const QImage& img)
{
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "BMP");
    return out;
}

class AlbumTest : public DkTableTest {
protected:
    void TearDown() override
    {
        dbe.reset();
        source.reset();
        table.reset();
        DkTableTest::TearDown();
    }

    // BILDER.DBF with `count` records; fill(i) sets record i's fields.
    void MakeAlbum(int count, const std::function<void(int)>& fill = {})
    {
        MakeTable("BILDER.DBF", AlbumFields(), count, fill);
    }
    static void Thumb(const QImage& img)
    {
        const QByteArray bytes = BmpBytes(img);
        dbe_ReplaceBlob("VORSCHAU", bytes.constData(), uint32_t(bytes.size()), 1);
    }
    static void Flags(const char* text) { Text("FLAGS", text); }

    void OpenAlbum()
    {
        table = std::make_unique<TdkTable>();
        Open(*table, "BILDER.DBF");
        source = std::make_unique<TdkDataSource>(table.get());
        dbe = std::make_unique<TDbe>(nullptr);
        dbe->SetDataSource(source.get());
    }

    std::unique_ptr<TdkTable> table;
    std::unique_ptr<TdkDataSource> source;
    std::unique_ptr<TDbe> dbe;
};

}  // namespace imgtest
