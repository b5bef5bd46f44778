# Filters and searches of the main window on a 100 000-entry album: each
# command against the engine query (or full-text query) alone, and SQLite
# counting the same rows over its indexes.
if(TARGET lx_mainwindow)
    find_package(SQLite3 REQUIRED)
    lumadex_benchmark(filter_search ${CMAKE_CURRENT_LIST_DIR}/filter_search_bench.cpp DEPS lx_mainwindow SQLite::SQLite3)
endif()
