# Report rich text: reading and writing rich text, paging a long rich text
# through the rich edit's range fitting, painting one page.
if(TARGET lx_report_output)
    lumadex_benchmark(rich_text ${CMAKE_CURRENT_LIST_DIR}/rich_text_bench.cpp DEPS lx_report_output)
endif()
