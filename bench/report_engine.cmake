# Report engine: pagination of a long list report, one and two passes, the
# first page of a fresh print and a page made again from the page cache.
if(TARGET lx_report_engine)
    lumadex_benchmark(report_engine ${CMAKE_CURRENT_LIST_DIR}/report_engine_bench.cpp DEPS lx_report_engine)
    target_include_directories(bench_report_engine PRIVATE ${PROJECT_SOURCE_DIR}/tests/report/engine)
endif()
