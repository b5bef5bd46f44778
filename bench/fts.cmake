# Full-text engine: bulk build, single adds and searches on an album of 100 000 records.
if(TARGET lx_fts)
    lumadex_benchmark(fts ${CMAKE_CURRENT_LIST_DIR}/fts_bench.cpp DEPS lx_fts)
endif()
