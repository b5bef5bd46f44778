// Full-text engine figures on an album-sized index: the bulk build of
// 100 000 records, one add with its commit, and searches for rare and common
// words (see bench/README.md).

#include <benchmark/benchmark.h>

#include "bench_main.h"
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/fts/fts.h"

namespace {

constexpr int kRecords = 100000;

// A record image like an album's: deletion flag and blank-padded fields
// (Windows-1252; "\xDC" is Ü, "\xE4" is ä).
std::string AlbumRecord(int i) {
    static const char* kDesc[] = {"Sommerurlaub am Gardasee", "Geburtstag von Oma M\xFCller",
                                  "Weihnachten bei B\xE4rbel", "Hochzeit in K\xF6ln",
                                  "Wanderung \xFC" "ber die Alpen"};
    static const char* kOwner[] = {"M\xDCLLER", "Schmidt", "Meier", "Schulz",
                                   "Becker", "Hoffmann", "Wagner"};
    char buf[400];
    std::snprintf(buf, sizeof buf,
                  " %-80s%-120s%-11s%-11s2023%02d%02d%-20s%-3s%10d",
                  kDesc[i % 5], ("C:\\BILDER\\" + std::to_string(2000 + i % 25) + "\\IMG_" +
                                 std::to_string(100000 + i).substr(1) + ".JPG").c_str(),
                  "HD-1", "1234567", 1 + i % 12, 1 + i % 28, kOwner[i % 7], "JPG", 10000 + i);
    return buf;
}

std::string Folder() {
    static std::string folder = [] {
        char tmpl[] = "/tmp/lx_fts_bench_XXXXXX";
        return std::string(mkdtemp(tmpl));
    }();
    return folder;
}

// The 100 000-record index, built once for the searches and adds.
const std::string& Album() {
    static std::string file = [] {
        std::string f = Folder() + "/BILDER.IA";
        int h = FtsCreate(f.c_str(), 20, 2, 1, 1);
        for (int i = 0; i < kRecords; ++i) FtsAdd(h, AlbumRecord(i));
        FtsClose(h);
        return f;
    }();
    return file;
}

void BM_BulkBuild100k(benchmark::State& state) {
    std::string file = Folder() + "/BUILD.IA";
    for (auto _ : state) {
        int h = FtsCreate(file.c_str(), 20, 2, 1, 1);
        for (int i = 0; i < kRecords; ++i) FtsAdd(h, AlbumRecord(i));
        if (FtsClose(h) != 0) state.SkipWithError("build failed");
    }
    state.counters["file_MB"] = std::filesystem::file_size(file) / 1e6;
    std::filesystem::remove(file);
}
BENCHMARK(BM_BulkBuild100k)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_AddWithCommit(benchmark::State& state) {
    int h = FtsOpen(Album().c_str(), 20, 0);
    int i = kRecords;
    for (auto _ : state)
        if (FtsAdd(h, AlbumRecord(i++)) <= 0) state.SkipWithError("add failed");
    FtsClose(h);
}
BENCHMARK(BM_AddWithCommit)->Unit(benchmark::kMicrosecond);

void BM_ReplaceWithCommit(benchmark::State& state) {
    int h = FtsOpen(Album().c_str(), 20, 0);
    int i = 0;
    for (auto _ : state) {
        int n = 1 + (i * 7919) % kRecords;
        if (FtsReplace(h, AlbumRecord(i++), n) != n) state.SkipWithError("replace failed");
    }
    FtsClose(h);
}
BENCHMARK(BM_ReplaceWithCommit)->Unit(benchmark::kMicrosecond);

// One search: FtsSet and every FtsNextRec, as the full-text filter runs it.
void Search(benchmark::State& state, const char* query) {
    int h = FtsOpen(Album().c_str(), 20, 0);
    int hits = 0;
    for (auto _ : state) {
        hits = FtsSet(h, query);
        while (FtsNextRec(h) > 0) {
        }
    }
    state.counters["hits"] = hits;
    FtsClose(h);
}
BENCHMARK_CAPTURE(Search, rare_word, "img_04711")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Search, rare_two_words, "img_0471 hoffmann")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Search, absent_word, "zugspitze")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Search, common_compound_part, "urlaub")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Search, common_umlaut, "M\xDCLLER")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Search, short_word_scan, "am")->Unit(benchmark::kMicrosecond);

}  // namespace

LUMADEX_BENCH_MAIN()
