# Start-up of the program to a shown main window with a 100 000-entry album,
# against the floor of opening that album through the engine and showing an
# empty Qt main window: in the bench's own process, and as processes of the
# program `lumadex` and of the floor program floors/start_floor.cpp, counted
# from the Qt application to the first paint of the main window.
if(TARGET lx_mainwindow)
    lumadex_benchmark(app ${CMAKE_CURRENT_LIST_DIR}/app_bench.cpp DEPS lx_mainwindow)
    if(TARGET lumadex AND TARGET lx_dbf)
        add_executable(start_floor ${CMAKE_CURRENT_LIST_DIR}/floors/start_floor.cpp)
        target_link_libraries(start_floor PRIVATE lx_dbf Qt6::Widgets)
        add_dependencies(bench_app lumadex start_floor)
        target_compile_definitions(bench_app PRIVATE LX_LUMADEX="$<TARGET_FILE:lumadex>"
                                                     LX_START_FLOOR="$<TARGET_FILE:start_floor>")
    endif()
endif()
