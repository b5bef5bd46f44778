#pragma once
// How every bench program starts Google Benchmark: with the settings its
// figures are taken at (repetitions in random order, so load that comes and
// goes falls on all benchmarks alike, and the spread is seen) unless the
// command line says otherwise: the defaults go before the given flags, and
// a later flag wins (--benchmark_repetitions=1, for a quick look).

#include <benchmark/benchmark.h>

#include <vector>

inline constexpr const char* kBenchDefaultFlags[] = {
    "--benchmark_enable_random_interleaving=true",
    "--benchmark_repetitions=5",
};

// benchmark::Initialize with the defaults above; leaves in argv what it
// did not take, as Initialize does.
inline void BenchInitialize(int* argc, char** argv)
{
    std::vector<char*> args;
    args.push_back(argv[0]);
    for (const char* flag : kBenchDefaultFlags)
        args.push_back(const_cast<char*>(flag));
    for (int i = 1; i < *argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    int count = static_cast<int>(args.size()) - 1;
    benchmark::Initialize(&count, args.data());
    // What is left are the caller's own arguments (the defaults are taken).
    for (int i = 0; i < count; ++i)
        argv[i] = args[static_cast<std::size_t>(i)];
    argv[count] = nullptr;
    *argc = count;
}

// BENCHMARK_MAIN() with the defaults.
#define LUMADEX_BENCH_MAIN()                                                 \
    int main(int argc, char** argv)                                          \
    {                                                                        \
        BenchInitialize(&argc, argv);                                        \
        if (benchmark::ReportUnrecognizedArguments(argc, argv))              \
            return 1;                                                        \
        benchmark::RunSpecifiedBenchmarks();                                 \
        benchmark::Shutdown();                                               \
        return 0;                                                            \
    }
