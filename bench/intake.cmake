# Picture intake: one 12-megapixel JPEG after another through the scan
# dialog's AddFile, against the floor of a scaled decode, an engine append
# and a full-text add of the same pictures.
if(TARGET lx_dialogs)
    lumadex_benchmark(intake ${CMAKE_CURRENT_LIST_DIR}/intake_bench.cpp DEPS lx_dialogs)
    target_include_directories(bench_intake PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
endif()
