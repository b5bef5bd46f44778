# xBase expressions of the DBF engine: FOR conditions, filters and index keys
# evaluated over one album record; walks over the query bitmap.
if(TARGET lx_dbf)
    lumadex_benchmark(dbf_expr ${CMAKE_CURRENT_LIST_DIR}/dbf_expr_bench.cpp DEPS lx_dbf)
endif()
