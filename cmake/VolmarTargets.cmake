# Helpers shared by every area: warnings as errors on our own code, test and
# fuzz target conventions, and the checks that make a missing area or
# dependency stop the configure step.

# volmar_add_areas(folder...): add_subdirectory for each folder (relative to
# the current source folder). A folder without its CMakeLists.txt stops the
# configure step: a build that skipped an area must never pass for whole.
function(volmar_add_areas)
    foreach(area IN LISTS ARGN)
        if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${area}/CMakeLists.txt)
            file(RELATIVE_PATH where ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${area})
            message(FATAL_ERROR "Area '${area}' is listed but ${where}/CMakeLists.txt is missing. "
                                "Restore the folder, or take the area off the list in "
                                "${PROJECT_SOURCE_DIR}/CMakeLists.txt.")
        endif()
        add_subdirectory(${area})
    endforeach()
endfunction()

# volmar_require_targets(who target...): stops the configure step when a
# target `who` builds on has not been defined (its area is missing, or is
# listed after `who`).
function(volmar_require_targets who)
    foreach(target IN LISTS ARGN)
        if(NOT TARGET ${target})
            message(FATAL_ERROR "${who} needs ${target}, which is not built: check that its area "
                                "is listed before ${who} in ${PROJECT_SOURCE_DIR}/CMakeLists.txt.")
        endif()
    endforeach()
endfunction()

function(volmar_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-error=deprecated-declarations)
    # g++ 12 at -O2/-O3 reports std::string concatenation inside libstdc++ as
    # overlapping memcpy (GCC bug 105329): a false positive, so not an error.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    target_compile_features(${target} PUBLIC cxx_std_20)
endfunction()

# volmar_add_gtest(name SOURCES a.cpp ... LIBS lib ... [LABELS l ...])
# One test binary with the shared test main (private XDG folders and working
# directory per binary), registered test by test with CTest.
function(volmar_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    volmar_target_defaults(${name})
    target_link_libraries(${name} PRIVATE volmar_test_main ${ARG_LIBS} GTest::gtest GTest::gmock)
    target_compile_definitions(${name} PRIVATE
        VOLMAR_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
        VOLMAR_BINARY_DIR="${PROJECT_BINARY_DIR}")
    set(props TIMEOUT 300)
    if(ARG_LABELS)
        list(APPEND props LABELS "${ARG_LABELS}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ${props})
endfunction()

# volmar_add_fuzzer(name SOURCES a.cpp ... LIBS lib ...)
function(volmar_add_fuzzer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    volmar_target_defaults(${name})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    set_property(GLOBAL APPEND PROPERTY VOLMAR_FUZZERS ${name})
endfunction()

# volmar_add_bench(name SOURCES a.cpp ... LIBS lib ...)
function(volmar_add_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    volmar_target_defaults(${name})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
endfunction()
