# Queries of the DBF engine answered from the album's tags (dates, label)
# against SQLite counting the same rows over its indexes, per statement and
# inside one held read transaction.
if(TARGET lx_dbf)
    find_package(SQLite3)
    if(SQLite3_FOUND)
        lumadex_benchmark(dbf_query ${CMAKE_CURRENT_LIST_DIR}/dbf_query_bench.cpp DEPS lx_dbf SQLite::SQLite3)
        target_include_directories(bench_dbf_query PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    endif()
endif()
