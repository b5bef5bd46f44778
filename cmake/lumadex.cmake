# Helpers shared by every folder's CMakeLists.txt.

# lumadex_library(<target> [DEPS <targets...>])
# One static library from all .cpp/.h files of the current source folder.
# Includes are written from src/: #include "platform/core/win1252.h".
function(lumadex_library target)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(NOT sources MATCHES "\\.cpp")
        return()  # folder not written yet
    endif()
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    set_target_properties(${target} PROPERTIES AUTOMOC ON POSITION_INDEPENDENT_CODE ON)
endfunction()

# lumadex_tests(<name> [QT] [ASAN <library>] [DEPS <targets...>])
# One GoogleTest program test_<name> from all .cpp files of the current test
# folder, registered with CTest. QT: the program's main creates a
# QApplication (offscreen). ASAN <library>: a second program
# test_<name>_asan compiles the tests and that library's own sources with
# AddressSanitizer and UndefinedBehaviorSanitizer, unoptimised and with line
# tables only: the twins cost most of the build, and this halves their share.
function(lumadex_tests name)
    cmake_parse_arguments(ARG "QT" "ASAN" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(NOT sources)
        return()  # no tests written yet
    endif()
    foreach(dep IN LISTS ARG_DEPS)
        if(dep MATCHES "^lx_" AND NOT TARGET ${dep})
            return()  # the library under test is not written yet
        endif()
    endforeach()
    if(ARG_QT)
        set(main lumadex_test_main_qt)
    else()
        set(main lumadex_test_main)
    endif()
    add_executable(test_${name} ${sources})
    target_link_libraries(test_${name} PRIVATE ${ARG_DEPS} ${main} GTest::gtest GTest::gmock)
    set_target_properties(test_${name} PROPERTIES AUTOMOC ON)
    gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 600)

    if(ARG_ASAN)
        get_target_property(lib_sources ${ARG_ASAN} SOURCES)
        get_target_property(lib_dir ${ARG_ASAN} SOURCE_DIR)
        list(TRANSFORM lib_sources PREPEND "${lib_dir}/" REGEX "^[^/]")
        get_target_property(lib_deps ${ARG_ASAN} LINK_LIBRARIES)
        if(NOT lib_deps)
            set(lib_deps "")
        endif()
        list(REMOVE_ITEM ARG_DEPS ${ARG_ASAN})
        add_executable(test_${name}_asan ${sources} ${lib_sources})
        target_include_directories(test_${name}_asan PRIVATE ${PROJECT_SOURCE_DIR}/src)
        target_compile_options(test_${name}_asan PRIVATE
            -fsanitize=address,undefined -fno-omit-frame-pointer -O0 -g1)
        target_link_options(test_${name}_asan PRIVATE -fsanitize=address,undefined)
        target_link_libraries(test_${name}_asan PRIVATE ${lib_deps} ${ARG_DEPS} ${main}
            GTest::gtest GTest::gmock)
        set_target_properties(test_${name}_asan PROPERTIES AUTOMOC ON)
        gtest_discover_tests(test_${name}_asan TEST_PREFIX "asan." DISCOVERY_TIMEOUT 120
            PROPERTIES TIMEOUT 600
            ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1;UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
    endif()
endfunction()

# lumadex_benchmark(<name> <sources...> DEPS <targets...>)
function(lumadex_benchmark name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    add_executable(bench_${name} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(bench_${name} PRIVATE ${ARG_DEPS} benchmark::benchmark)
endfunction()
