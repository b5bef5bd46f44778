# Report engine: pagination of a long list report, one and two passes, the
# first page of a fresh print and a page made again from the page cache;
# the report printed to a PDF through the printer device against the raw
# QPdfWriter floor, the first page ready for the preview and the peak
# memory of a 100 000-record print, and the real preview form: first page
# shown, a page turn and the way to the last page.
if(TARGET lx_report_engine)
    lumadex_benchmark(report_engine ${CMAKE_CURRENT_LIST_DIR}/report_engine_bench.cpp DEPS lx_report_engine)
    target_include_directories(bench_report_engine PRIVATE ${PROJECT_SOURCE_DIR}/tests/report/engine
        ${PROJECT_SOURCE_DIR}/tests/report/output)
endif()
