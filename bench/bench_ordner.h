#pragma once
// The fresh folder a benchmark program works in, and the run of its
// benchmarks.

#include <benchmark/benchmark.h>

#include "bench_main.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

// Makes "lumadex_bench_<name>_<pid>" under the temporary folder with "home"
// and "win" in it, names them in LUMADEX_HOME and LUMADEX_WINDIR and sets Qt
// offscreen (before the application is made).
inline std::filesystem::path BenchOrdnerAnlegen(const std::string& name)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("lumadex_bench_" + name + "_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "home");
    std::filesystem::create_directories(dir / "win");
    setenv("LUMADEX_HOME", (dir / "home").c_str(), 1);
    setenv("LUMADEX_WINDIR", (dir / "win").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return dir;
}

// Runs the registered benchmarks the command line selects.
inline void BenchLaufen(int* argc, char** argv)
{
    BenchInitialize(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
