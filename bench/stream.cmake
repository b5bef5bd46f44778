# Component streaming: a report of 500 components written, read and converted.
if(TARGET lx_stream)
    lumadex_benchmark(stream ${CMAKE_CURRENT_LIST_DIR}/stream_bench.cpp DEPS lx_stream)
endif()
