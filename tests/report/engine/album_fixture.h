#pragma once
// An album as the program opens it: BILDER.DBF with the album's fields,
// made through the DBF engine, opened as a TdkTable, with a data source
// and a dataset pipeline over it; and the writing of such a table alone.

#include "report/engine/rg_dataset_pipeline.h"

#include "datagrid/dk_table.h"
#include "platform/core/win_path.h"
#include "platform/dbf/dbe.h"
#include "album_layout.h"
#include "bridge_test.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

// Writes FileName as an album table of count records with the album's
// fields through the DBF engine, each record filled by Fill (given its
// number from 1).
inline void WriteAlbumTable(const std::string& FileName, int count, const std::function<void(int)>& Fill)
{
    const uint16_t area =
        dbe_CreateNew(FileName.c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, lxtest::kAlbumLayoutFieldCount);
    ASSERT_NE(area, 0) << dbe_LastError();
    for (const lxtest::AlbumLayoutField& f : lxtest::kAlbumLayout)
        dbe_CreateField(f.name, f.type, f.width, f.decimals);
    ASSERT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
    for (int i = 1; i <= count; ++i) {
        ASSERT_EQ(dbe_AppendBlank(), 1);
        Fill(i);
    }
    dbe_Commit();
    dbe_Close();
}

class AlbumTableTest : public BridgeTestBase {
protected:
    void TearDown() override
    {
        pipeline.reset();
        source.reset();
        table.reset();
        BridgeTestBase::TearDown();
    }

    // BILDER.DBF with count records, each filled by Fill (given its number
    // from 1), read through the dataset pipeline; the table is not opened.
    void CreateAlbum(int count, const std::function<void(int)>& Fill)
    {
        WriteAlbumTable((dir / "BILDER.DBF").string(), count, Fill);
        if (HasFatalFailure())
            return;

        table = std::make_unique<TdkTable>();
        table->SetDatabaseName(LinuxToWinOrSelf(QString::fromStdString(dir.str())));
        table->SetTableName(QStringLiteral("BILDER.DBF"));
        source = std::make_unique<TDataSource>(table.get());
        pipeline = std::make_unique<TrgBDEPipeline>(nullptr);
        pipeline->SetDataSource(source.get());
    }

    std::unique_ptr<TdkTable> table;
    std::unique_ptr<TDataSource> source;
    std::unique_ptr<TrgBDEPipeline> pipeline;
};
