# Pictures: the thumbnail of a 12-megapixel JPEG against bare scaled
# decodes, the image window showing that picture fitted, and the thumbnail
# box scrolling over an album of 100 000 entries.
if(TARGET lx_imaging AND TARGET lx_datagrid)
    find_package(JPEG QUIET)
    lumadex_benchmark(imaging ${CMAKE_CURRENT_LIST_DIR}/imaging_bench.cpp DEPS lx_imaging lx_datagrid lx_storage)
    if(JPEG_FOUND)
        target_link_libraries(bench_imaging PRIVATE JPEG::JPEG)
        target_compile_definitions(bench_imaging PRIVATE LUMADEX_BENCH_LIBJPEG=1)
    endif()
endif()
