# Start-up of the program to a shown main window with a 100 000-entry album,
# against the floor of opening that album through the engine and showing an
# empty Qt main window.
if(TARGET lx_mainwindow)
    lumadex_benchmark(app ${CMAKE_CURRENT_LIST_DIR}/app_bench.cpp DEPS lx_mainwindow)
endif()
