# Report engine: pagination of a long list report, one and two passes, the
# first page of a fresh print and a page made again from the page cache;
# the report printed to a PDF through the printer device against the raw
# QPdfWriter floor, the first page ready for the preview and the peak
# memory of a 100 000-record print, and the real preview form: first page
# shown, a page turn and the way to the last page. The list of the shared
# floor program (floors/report_list_floor.cpp, an unchanged copy) is printed
# through the engine and held against that program, run in the same run.
if(TARGET lx_report_engine)
    add_executable(report_list_floor ${CMAKE_CURRENT_LIST_DIR}/floors/report_list_floor.cpp)
    target_link_libraries(report_list_floor PRIVATE Qt6::Gui)
    lumadex_benchmark(report_engine ${CMAKE_CURRENT_LIST_DIR}/report_engine_bench.cpp DEPS lx_report_engine)
    target_include_directories(bench_report_engine PRIVATE ${PROJECT_SOURCE_DIR}/tests/report/engine
        ${PROJECT_SOURCE_DIR}/tests/support)
    add_dependencies(bench_report_engine report_list_floor)
    target_compile_definitions(bench_report_engine PRIVATE
        LX_REPORT_LIST_FLOOR="$<TARGET_FILE:report_list_floor>")
endif()
