# Engine companion and DBF routines: the key search that the picture intake
# runs for every file, one action-log entry, and a companion read on a
# dataset whose engine record stands elsewhere.
if(TARGET lx_storage)
    lumadex_benchmark(storage_dbe ${CMAKE_CURRENT_LIST_DIR}/storage_dbe_bench.cpp DEPS lx_storage)
endif()
