# Album maintenance of the main window on a 100 000-entry album, each
# command beside the engine work it stands on.
if(TARGET lx_mainwindow)
    lumadex_benchmark(maintenance ${CMAKE_CURRENT_LIST_DIR}/maintenance_bench.cpp DEPS lx_mainwindow)
endif()
