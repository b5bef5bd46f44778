# The print preview's screen device over a list of 10 000 rows: the first
# page shown, a turn to a page already made, and the way to the last page.
if(TARGET lx_report_output)
    lumadex_benchmark(preview ${CMAKE_CURRENT_LIST_DIR}/preview_bench.cpp DEPS lx_report_output)
endif()
