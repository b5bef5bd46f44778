# Report text layout: word wrap of a 10 000-line memo on the real font
# measure, against measuring the same lines with QFontMetricsF alone.
if(TARGET lx_report_output)
    lumadex_benchmark(word_wrap ${CMAKE_CURRENT_LIST_DIR}/word_wrap_bench.cpp DEPS lx_report_output)
endif()
