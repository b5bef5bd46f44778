# The album grid: opening and paging a 100 000-entry album against the
# engine and the dataset without a grid, with the engine's reads counted.
if(TARGET lx_datagrid AND TARGET lx_storage)
    lumadex_benchmark(datagrid ${CMAKE_CURRENT_LIST_DIR}/datagrid_bench.cpp DEPS lx_datagrid lx_storage)
    target_include_directories(bench_datagrid PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
endif()
