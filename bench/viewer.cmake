# The full-size viewer: going to the next 12-megapixel JPEG shown fitted on a
# 1920 x 1080 window, against a bare scaled decode of the same file.
if(TARGET lx_dialogs AND TARGET lx_storage)
    lumadex_benchmark(viewer ${CMAKE_CURRENT_LIST_DIR}/viewer_bench.cpp DEPS lx_dialogs lx_storage)
    target_include_directories(bench_viewer PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
endif()
