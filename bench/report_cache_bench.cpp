// The page cache of a list report: a pipeline (12 bytes a page), the engine
// (36), a group (24), 9 bands (20) and 60 components (8) save their state at
// the end of each of 2 000 pages (a 100 000-row list), then 500 pages are
// restored in random order, as the preview does when a user jumps around.
// Once with the records in memory, once moved to temporary files.

#include "report/engine/rg_cache.h"

#include <benchmark/benchmark.h>

#include "bench_main.h"

#include <QRandomGenerator>

#include <memory>
#include <vector>

namespace {

constexpr int kPages = 2000;
constexpr int kRestores = 500;

class BenchObject : public TrgCacheable {
public:
    explicit BenchObject(int32_t bytes) : TrgCacheable(nullptr) { ExtendCacheRecord(bytes); }
    int32_t value = 0;

protected:
    void SaveCacheFields(TrgCacheRecord& r) override { r.PutInt32(0, value); }
    void RestoreCacheFields(const TrgCacheRecord& r) override { value = r.GetInt32(0); }
};

class BenchReport : public TrgCacheOwner {
public:
    BenchReport()
    {
        auto add = [this](int32_t bytes, int count) {
            for (int i = 0; i < count; ++i)
                objects.push_back(std::make_unique<BenchObject>(bytes));
        };
        add(12, 1);
        add(36, 1);
        add(24, 1);
        add(20, 9);
        add(8, 60);
    }
    std::vector<std::unique_ptr<BenchObject>> objects;
    std::vector<TrgCacheable*> CacheablesInOrder() override
    {
        std::vector<TrgCacheable*> list;
        for (auto& o : objects)
            list.push_back(o.get());
        return list;
    }
    TrgLanguageType CacheLanguage() const override { return lgGerman; }
    void CancelGeneration() override {}
};

void SaveAllPages(TrgCacheManager& cache, BenchReport& report)
{
    cache.ResetCache();
    for (int page = 0; page < kPages; ++page) {
        for (auto& o : report.objects)
            o->value = page;
        cache.SavePage(page);
    }
}

void BM_SaveEveryPage(benchmark::State& state)
{
    BenchReport report;
    TrgCacheManager cache(nullptr, &report);
    cache.SetMemoryLimit(state.range(0) ? TrgCacheManager::kDefaultMemoryLimit : 0);
    for (auto _ : state)
        SaveAllPages(cache, report);
    state.counters["pages/s"] = benchmark::Counter(double(kPages) * state.iterations(), benchmark::Counter::kIsRate);
    state.SetLabel(cache.StorageMode() == csMemory ? "memory" : "files");
}

void BM_RestoreRandomPages(benchmark::State& state)
{
    BenchReport report;
    TrgCacheManager cache(nullptr, &report);
    cache.SetMemoryLimit(state.range(0) ? TrgCacheManager::kDefaultMemoryLimit : 0);
    SaveAllPages(cache, report);
    QRandomGenerator random(4711);
    std::vector<int> pages;
    for (int i = 0; i < kRestores; ++i)
        pages.push_back(int(random.bounded(kPages)));
    for (auto _ : state) {
        for (int page : pages)
            cache.RestorePage(page);
        benchmark::DoNotOptimize(report.objects.front()->value);
    }
    state.counters["pages/s"] = benchmark::Counter(double(kRestores) * state.iterations(), benchmark::Counter::kIsRate);
    state.SetLabel(cache.StorageMode() == csMemory ? "memory" : "files");
}

BENCHMARK(BM_SaveEveryPage)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RestoreRandomPages)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

LUMADEX_BENCH_MAIN()
