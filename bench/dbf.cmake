# DBF engine: appends, scans, random reads and pack on an album-shaped table,
# against SQLite inserting the same rows and writing the raw records.
if(TARGET lx_dbf)
    find_package(SQLite3)
    if(SQLite3_FOUND)
        lumadex_benchmark(dbf ${CMAKE_CURRENT_LIST_DIR}/dbf_bench.cpp DEPS lx_dbf SQLite::SQLite3)
        target_include_directories(bench_dbf PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    endif()
endif()
