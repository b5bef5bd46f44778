# Report page cache: saving every page of a long report and regenerating
# pages in random order, with the records in memory and in "cch" files.
if(TARGET lx_report_engine)
    lumadex_benchmark(report_cache ${CMAKE_CURRENT_LIST_DIR}/report_cache_bench.cpp DEPS lx_report_engine)
endif()
