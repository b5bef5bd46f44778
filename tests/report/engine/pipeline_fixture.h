#pragma once
// A small album-like DBF table made through the DBF engine and opened as a
// TTable through the installed database bridge, with a data source and a
// dataset pipeline over it; and a client that records what a pipeline tells.

#include "report/engine/rg_dataset_pipeline.h"

#include "platform/core/win_path.h"
#include "platform/data/table.h"
#include "platform/dbf/dbe.h"
#include "bridge_test.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Records every notification with the pipeline's state at that moment.
class RecordingClient : public TrgCommunicator, public TrgPipelineClient {
public:
    RecordingClient() : TrgCommunicator(nullptr) {}
    std::vector<std::pair<int, TrgDataPipeline*>> received;
    std::function<void(int)> onNotify;
    void PipelineNotification(int Operation, TrgDataPipeline* Pipeline) override
    {
        received.emplace_back(Operation, Pipeline);
        if (onNotify)
            onNotify(Operation);
    }
};

class PipelineTest : public BridgeTestBase {
protected:
    void TearDown() override
    {
        pipeline.reset();
        source.reset();
        table.reset();
        BridgeTestBase::TearDown();
    }

    // NAME "R1" .. "Rn", NR = i, PREIS = i * 1.25, DATUM 2024-01-i,
    // AKTIV for odd i, NOTIZ "Notiz i".
    void MakeTable(int count, const char* file = "ALBUM.DBF")
    {
        const uint16_t area = dbe_CreateNew((dir / file).string().c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, 6);
        ASSERT_NE(area, 0) << dbe_LastError();
        dbe_CreateField("NAME", 'C', 10, 0);
        dbe_CreateField("NR", 'N', 4, 0);
        dbe_CreateField("PREIS", 'N', 8, 2);
        dbe_CreateField("DATUM", 'D', 8, 0);
        dbe_CreateField("AKTIV", 'L', 1, 0);
        dbe_CreateField("NOTIZ", 'M', 10, 0);
        ASSERT_EQ(dbe_CreateExec(), 1) << dbe_LastError();
        for (int i = 1; i <= count; ++i) {
            ASSERT_EQ(dbe_AppendBlank(), 1);
            const std::string name = QStringLiteral("R%1").arg(i).toStdString();
            dbe_Replace("NAME", DBE_REPL_TEXT, name.c_str());
            const int32_t nr = i;
            dbe_Replace("NR", DBE_REPL_LONG, &nr);
            const double price = i * 1.25;
            dbe_Replace("PREIS", DBE_REPL_DOUBLE, &price);
            const std::string date = QStringLiteral("202401%1").arg(i, 2, 10, QChar(u'0')).toStdString();
            dbe_Replace("DATUM", DBE_REPL_DTOS, date.c_str());
            const char active = i % 2 ? 'T' : 'F';
            dbe_Replace("AKTIV", DBE_REPL_LOGICAL, &active);
            const std::string note = QStringLiteral("Notiz %1").arg(i).toStdString();
            dbe_Replace("NOTIZ", DBE_REPL_MEMO, note.c_str());
        }
        dbe_Commit();
        dbe_Close();
    }

    // The table under test (not opened), its source and a pipeline over it.
    void Prepare(const char* file = "ALBUM.DBF")
    {
        table = std::make_unique<TTable>();
        table->Name = QStringLiteral("Album");
        table->SetDatabaseName(LinuxToWinOrSelf(QString::fromStdString(dir.str())));
        table->SetTableName(QString::fromLatin1(file));
        source = std::make_unique<TDataSource>(table.get());
        pipeline = std::make_unique<TrgBDEPipeline>(nullptr);
        pipeline->SetDataSource(source.get());
    }

    // The table opened and standing on record recNo (1-based).
    void OpenAt(int recNo)
    {
        table->Open();
        table->First();
        table->MoveBy(recNo - 1);
    }

    QString Current() { return pipeline->GetFieldAsString(QStringLiteral("NAME")).trimmed(); }

    // What the engine walks: open, first, then every record until the
    // range ends (at most limit records, so a range that never ends shows).
    QStringList Walk(int limit = 50)
    {
        pipeline->Open();
        pipeline->First();
        pipeline->SaveBookmark();
        QStringList names;
        while (!pipeline->IsEOF() && names.size() < limit) {
            names << Current();
            pipeline->Next();
        }
        return names;
    }

    std::unique_ptr<TTable> table;
    std::unique_ptr<TDataSource> source;
    std::unique_ptr<TrgBDEPipeline> pipeline;
};
