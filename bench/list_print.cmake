# Picture lists: the thumbnail list of a 1 000-entry album and the passport
# sheet of 27 camera pictures printed to PDF through their templates,
# against drawing the same pictures and texts with QPainter into QPdfWriter.
if(TARGET lx_mainwindow)
    lumadex_benchmark(list_print ${CMAKE_CURRENT_LIST_DIR}/list_print_bench.cpp DEPS lx_mainwindow)
    if(TARGET bench_list_print)
        target_compile_definitions(bench_list_print PRIVATE LUMADEX_RESOURCES_DIR="${PROJECT_SOURCE_DIR}/resources")
        # The list prints on the report tests' stand-in printer.
        target_include_directories(bench_list_print PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    endif()
endif()
