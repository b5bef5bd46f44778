// The album grid over a 100 000-entry album: opening it and painting the
// first screen against reading the same rows straight from the engine,
// paging through the whole album against paging a dataset without a grid,
// with the engine's record reads counted and the memory watched.

#include "album_layout.h"
#include "bench_ordner.h"
#include "datagrid/dk_db_grid.h"
#include "datagrid/dk_table.h"
#include "platform/data/data_source.h"
#include "platform/data/dbi_forwarder.h"
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
class TCountingDbi : public TDbiForwarder {
public:
    explicit TCountingDbi(TDbi* inner) : TDbiForwarder(inner) {}
    int64_t reads = 0;
    DBIResult DbiGetNextRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) override { Count(); return inner_->DbiGetNextRecord(cursor, lock, buffer, props); }
    DBIResult DbiGetPriorRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) override { Count(); return inner_->DbiGetPriorRecord(cursor, lock, buffer, props); }
    DBIResult DbiGetRecord(hDBICur cursor, DBILockType lock, uint8_t* buffer, RECProps* props) override { Count(); return inner_->DbiGetRecord(cursor, lock, buffer, props); }

private:
    void Count() { ++reads; }
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
    BenchLaufen(&argc, argv);
    return 0;
}
