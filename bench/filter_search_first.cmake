# The first filter command of a fresh process (a process per sample) against
# SQLite's first count on a fresh connection, interleaved in one run.
if(TARGET lx_mainwindow)
    find_package(SQLite3 REQUIRED)
    lumadex_benchmark(filter_search_first ${CMAKE_CURRENT_LIST_DIR}/filter_search_first_bench.cpp DEPS lx_mainwindow SQLite::SQLite3)
endif()
