# Main window: opening a 100 000-entry album with its index present, and
# building its 43 tags when the index file is missing.
if(TARGET lx_mainwindow)
    lumadex_benchmark(mainwindow ${CMAKE_CURRENT_LIST_DIR}/mainwindow_bench.cpp DEPS lx_mainwindow)
endif()
