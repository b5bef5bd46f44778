// The album grid over a 100 000-entry album: opening it and painting the
// first screen against reading the same rows straight from the engine,
// paging through the whole album against paging a dataset without a grid,
// with the engine's record reads counted and the memory watched.

#include "album_layout.h"
#include "datagrid/dk_db_grid.h"
#include "datagrid/dk_table.h"
#include "platform/data/data_source.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"
#include "storage/database_bridge.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int kRecords = 100000;
const char* const kShown[] = {"SHORTDESC", "OWNER", "BYTES"};

// The installed database API with the record reads counted.
class TCountingDbi : public TDbi {
public:
    explicit TCountingDbi(TDbi* inner) : inner_(inner) {}
    int64_t reads = 0;
    DBIResult DbiOpenDatabase(const QString& name, const QString& directory, hDBIDb& db) override { return inner_->DbiOpenDatabase(name, directory, db); }
    DBIResult DbiCloseDatabase(hDBIDb& db) override { return inner_->DbiCloseDatabase(db); }
    DBIResult DbiFormFullName(hDBIDb db, const QString& tableName, const QString& driver, QString& fullName) override { return inner_->DbiFormFullName(db, tableName, driver, fullName); }
    DBIResult DbiOpenTable(hDBIDb db, const QString& tableName, const QString& driverName, const QString& indexName, const QString& tagName, int indexId, DBIOpenMode openMode, DBIShareMode shareMode, hDBICur& cursor) override { return inner_->DbiOpenTable(db, tableName, driverName, indexName, tagName, indexId, openMode, shareMode, cursor); }
    DBIResult DbiCloseCursor(hDBICur& cursor) override { return inner_->DbiCloseCursor(cursor); }
    DBIResult DbiGetCursorProps(hDBICur cursor, CURProps& props) override { return inner_->DbiGetCursorProps(cursor, props); }
    DBIResult DbiGetFieldDescs(hDBICur cursor, FLDDesc* descs) override { return inner_->DbiGetFieldDescs(cursor, descs); }
    DBIResult DbiCloneCursor(hDBICur cursor, bool readOnly, hDBICur& clone) override { return inner_->DbiCloneCursor(cursor, readOnly, clone); }
    DBIResult DbiSetToBegin(hDBICur cursor) override { return inner_->DbiSetToBegin(cursor); }
    DBIResult DbiSetToEnd(hDBICur cursor) override { return inner_->DbiSetToEnd(cursor); }
    DBIResult DbiGetNextRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) override { Count(); return inner_->DbiGetNextRecord(cursor, lock, buffer, props); }
    DBIResult DbiGetPriorRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) override { Count(); return inner_->DbiGetPriorRecord(cursor, lock, buffer, props); }
    DBIResult DbiGetRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) override { Count(); return inner_->DbiGetRecord(cursor, lock, buffer, props); }
    DBIResult DbiGetBookMark(hDBICur cursor, uint8_t* bookmark) override { return inner_->DbiGetBookMark(cursor, bookmark); }
    DBIResult DbiSetToBookMark(hDBICur cursor, const uint8_t* bookmark) override { return inner_->DbiSetToBookMark(cursor, bookmark); }
    DBIResult DbiCompareBookMarks(hDBICur cursor, const uint8_t* b1, const uint8_t* b2, int& result) override { return inner_->DbiCompareBookMarks(cursor, b1, b2, result); }
    DBIResult DbiInitRecord(hDBICur cursor, uint8_t* buffer) override { return inner_->DbiInitRecord(cursor, buffer); }
    DBIResult DbiInsertRecord(hDBICur cursor, DBILockType lock, const uint8_t* buffer) override { return inner_->DbiInsertRecord(cursor, lock, buffer); }
    DBIResult DbiModifyRecord(hDBICur cursor, const uint8_t* buffer, bool freeLock) override { return inner_->DbiModifyRecord(cursor, buffer, freeLock); }
    DBIResult DbiDeleteRecord(hDBICur cursor, const uint8_t* buffer) override { return inner_->DbiDeleteRecord(cursor, buffer); }
    DBIResult DbiRelRecordLock(hDBICur cursor, bool all) override { return inner_->DbiRelRecordLock(cursor, all); }
    DBIResult DbiGetRecordCount(hDBICur cursor, uint32_t& count) override { return inner_->DbiGetRecordCount(cursor, count); }
    DBIResult DbiForceReread(hDBICur cursor) override { return inner_->DbiForceReread(cursor); }
    DBIResult DbiGetField(hDBICur cursor, int fieldNo, const uint8_t* record, void* value, bool& blank) override { return inner_->DbiGetField(cursor, fieldNo, record, value, blank); }
    DBIResult DbiPutField(hDBICur cursor, int fieldNo, uint8_t* record, const void* value) override { return inner_->DbiPutField(cursor, fieldNo, record, value); }
    DBIResult DbiOpenBlob(hDBICur cursor, uint8_t* record, int fieldNo, DBIOpenMode mode) override { return inner_->DbiOpenBlob(cursor, record, fieldNo, mode); }
    DBIResult DbiFreeBlob(hDBICur cursor, uint8_t* record, int fieldNo) override { return inner_->DbiFreeBlob(cursor, record, fieldNo); }
    DBIResult DbiGetBlobSize(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t& size) override { return inner_->DbiGetBlobSize(cursor, record, fieldNo, size); }
    DBIResult DbiGetBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset, uint32_t length, void* dest, uint32_t& read) override { return inner_->DbiGetBlob(cursor, record, fieldNo, offset, length, dest, read); }
    DBIResult DbiPutBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t offset, uint32_t length, const void* src) override { return inner_->DbiPutBlob(cursor, record, fieldNo, offset, length, src); }
    DBIResult DbiTruncateBlob(hDBICur cursor, uint8_t* record, int fieldNo, uint32_t length) override { return inner_->DbiTruncateBlob(cursor, record, fieldNo, length); }
    DBIResult DbiSwitchToIndex(hDBICur& cursor, const QString& indexName, const QString& tagName, int indexId, bool currentRecord) override { return inner_->DbiSwitchToIndex(cursor, indexName, tagName, indexId, currentRecord); }
    DBIResult DbiGetIndexDesc(hDBICur cursor, int number, IDXDesc& desc) override { return inner_->DbiGetIndexDesc(cursor, number, desc); }
    DBIResult DbiOpenIndex(hDBICur cursor, const QString& indexName, int indexId) override { return inner_->DbiOpenIndex(cursor, indexName, indexId); }
    DBIResult DbiExtractKey(hDBICur cursor, const uint8_t* record, char* key) override { return inner_->DbiExtractKey(cursor, record, key); }
    DBIResult DbiSetToKey(hDBICur cursor, DBISearchCond cond, bool directKey, int fieldCount, int length, const void* key) override { return inner_->DbiSetToKey(cursor, cond, directKey, fieldCount, length, key); }
    DBIResult DbiGetRecordForKey(hDBICur cursor, bool directKey, int fieldCount, int length, const void* key, uint8_t* record) override { return inner_->DbiGetRecordForKey(cursor, directKey, fieldCount, length, key, record); }
    DBIResult DbiSetRange(hDBICur cursor, bool keyItself, int fields1, int length1, const void* key1, bool include1, int fields2, int length2, const void* key2, bool include2) override { return inner_->DbiSetRange(cursor, keyItself, fields1, length1, key1, include1, fields2, length2, key2, include2); }
    DBIResult DbiResetRange(hDBICur cursor) override { return inner_->DbiResetRange(cursor); }
    DBIResult DbiGetErrorString(DBIResult code, QString& text) override { return inner_->DbiGetErrorString(code, text); }

private:
    void Count() { ++reads; }
    TDbi* inner_;
};

long ResidentKb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct Fixture {
    std::filesystem::path dir;
    std::unique_ptr<TCountingDbi> counter;

    Fixture()
    {
        dir = std::filesystem::temp_directory_path() / ("lumadex_bench_grid_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        const std::string file = (dir / "BILDER.DBF").string();
        dbe_CreateNew(file.c_str(), "XXXXXXXXXX", DBE_TYPE_FOX, lxtest::kAlbumLayoutFieldCount);
        for (const lxtest::AlbumLayoutField& f : lxtest::kAlbumLayout)
            dbe_CreateField(f.name, f.type, f.width, f.decimals);
        dbe_CreateExec();
        for (int i = 1; i <= kRecords; ++i) {
            dbe_AppendBlank();
            const std::string name = "Bild " + std::to_string(i);
            const int32_t bytes = 1000 + i;
            dbe_Replace("SHORTDESC", DBE_REPL_TEXT, name.c_str());
            dbe_Replace("OWNER", DBE_REPL_TEXT, i % 2 ? "Anna" : "Otto");
            dbe_Replace("BYTES", DBE_REPL_LONG, &bytes);
        }
        dbe_Commit();
        dbe_Close();
        InstallDatabaseBridge();
        counter = std::make_unique<TCountingDbi>(Dbi());
        SetDbi(counter.get());
    }
    ~Fixture()
    {
        SetDbi(nullptr);
        UninstallDatabaseBridge();
        std::filesystem::remove_all(dir);
    }
    std::string File() const { return (dir / "BILDER.DBF").string(); }
};

Fixture& Shared()
{
    static Fixture f;
    return f;
}

// A table with only the three shown fields visible.
std::unique_ptr<TdkTable> OpenAlbum(Fixture& f)
{
    auto t = std::make_unique<TdkTable>();
    t->SetDatabaseName(QString::fromStdString(f.dir.string()));
    t->SetTableName("BILDER.DBF");
    t->SetTableType(ttDXFOX);
    t->Open();
    for (int i = 0; i < t->FieldCount(); ++i) {
        TField* field = t->Fields(i);
        field->SetVisible(false);
        for (const char* name : kShown)
            if (field->FieldName == QLatin1String(name))
                field->SetVisible(true);
    }
    t->FieldByName("SHORTDESC")->SetDisplayWidth(30);
    return t;
}

struct GridOnForm {
    std::unique_ptr<TdkTable> table;
    TdkDataSource source;
    TForm form{nullptr};
    TdkDBGrid* grid;

    explicit GridOnForm(Fixture& f) : table(OpenAlbum(f))
    {
        source.SetDataSet(table.get());
        form.SetClientWidth(640);
        form.SetClientHeight(480);
        grid = new TdkDBGrid(&form);
        grid->SetParent(&form);
        grid->SetBounds(0, 0, 640, 480);
        form.Show();
        grid->SetDataSource(&source);
    }
    ~GridOnForm() { form.Hide(); }
    void Paint() { benchmark::DoNotOptimize(grid->Handle()->grab()); }
    void PageDown()
    {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(grid->Handle(), &down);
    }
};

int VisibleRows()
{
    static int rows = [] {
        GridOnForm g(Shared());
        return g.grid->VisibleRowCount();
    }();
    return rows;
}

// Opening the album in the grid and painting the first screen.
void BM_GridOpenFirstScreen(benchmark::State& state)
{
    Fixture& f = Shared();
    int64_t reads = 0;
    for (auto _ : state) {
        int64_t before = f.counter->reads;
        GridOnForm g(f);
        g.Paint();
        reads += f.counter->reads - before;
        state.counters["rows"] = g.grid->VisibleRowCount();
    }
    state.counters["engine_reads"] = double(reads) / double(state.iterations());
}

// The same rows straight from the engine: open, read the shown fields, close.
void BM_EngineFirstScreen(benchmark::State& state)
{
    Fixture& f = Shared();
    const int rows = VisibleRows();
    for (auto _ : state) {
        const uint16_t area = dbe_Use(f.File().c_str(), "RAW", DBE_SHARED, DBE_TYPE_FOX);
        dbe_GoTop();
        for (int i = 0; i < rows && !dbe_Eof(); ++i, dbe_Skip(1))
            for (const char* name : kShown)
                benchmark::DoNotOptimize(dbe_GetTrimString(name));
        dbe_Select(area);
        dbe_Close();
    }
    state.counters["rows"] = rows;
}

// Paging through the whole album, a screen at a time; painted: each page
// is drawn too (a grab of the grid renders every cell's text).
void GridPage(benchmark::State& state, bool painted)
{
    Fixture& f = Shared();
    GridOnForm g(f);
    g.Paint();
    long rssBefore = ResidentKb();
    int64_t pages = 0, reads = 0;
    for (auto _ : state) {
        if (g.table->Eof())
            g.table->First();
        int64_t before = f.counter->reads;
        g.PageDown();
        if (painted)
            g.Paint();
        reads += f.counter->reads - before;
        ++pages;
    }
    state.counters["engine_reads_per_page"] = double(reads) / double(pages);
    state.counters["rss_growth_kb"] = double(ResidentKb() - rssBefore);
    state.counters["buffers"] = g.table->BufferCount();
}

void BM_GridPage(benchmark::State& state) { GridPage(state, false); }
void BM_GridPagePainted(benchmark::State& state) { GridPage(state, true); }

// The same paging through a dataset without a grid: a link buffering the
// same number of rows, the shown fields of every row read.
class TPageLink : public TDataLink {};

void BM_DatasetPage(benchmark::State& state)
{
    Fixture& f = Shared();
    const int rows = VisibleRows();
    auto table = OpenAlbum(f);
    TDataSource source;
    source.SetDataSet(table.get());
    TPageLink link;
    link.SetDataSource(&source);
    link.SetBufferCount(rows);
    std::vector<TField*> fields;
    for (const char* name : kShown)
        fields.push_back(table->FieldByName(name));
    int64_t pages = 0, reads = 0;
    for (auto _ : state) {
        if (table->Eof())
            table->First();
        int64_t before = f.counter->reads;
        table->MoveBy(rows);
        int old = link.ActiveRecord();
        for (int r = 0; r < link.RecordCount(); ++r) {
            link.SetActiveRecord(r);
            for (TField* field : fields)
                benchmark::DoNotOptimize(field->DisplayText());
        }
        link.SetActiveRecord(old);
        reads += f.counter->reads - before;
        ++pages;
    }
    state.counters["engine_reads_per_page"] = double(reads) / double(pages);
    link.SetDataSource(nullptr);
}

// What a grab of a plain widget of the grid's size costs, for scale.
void BM_EmptyWidgetGrab(benchmark::State& state)
{
    TForm form(nullptr);
    form.SetClientWidth(640);
    form.SetClientHeight(480);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 640, 480);
    form.Show();
    for (auto _ : state)
        benchmark::DoNotOptimize(panel->Handle()->grab());
    form.Hide();
}

}  // namespace

BENCHMARK(BM_EmptyWidgetGrab)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EngineFirstScreen)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridOpenFirstScreen)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DatasetPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridPagePainted)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
