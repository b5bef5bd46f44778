# Moving through an album of 1 000 entries with thumbnails: each step shows
# the current entry's thumbnail in the main window's panel, against the floor
# of reading the same memos through the engine and decoding them.
if(TARGET lx_mainwindow)
    lumadex_benchmark(mainwindow_list ${CMAKE_CURRENT_LIST_DIR}/mainwindow_list_bench.cpp DEPS lx_mainwindow)
endif()
