# Dataset framework over the database bridge: walking an album-shaped table
# as a TTable against the raw engine walk.
if(TARGET lx_storage AND TARGET lx_data AND TARGET lx_dbf)
    lumadex_benchmark(data ${CMAKE_CURRENT_LIST_DIR}/data_bench.cpp DEPS lx_storage lx_data lx_dbf)
endif()
