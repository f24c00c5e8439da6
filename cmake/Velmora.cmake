# Helpers shared by the project's CMake files.

# velmora_gtest(NAME SOURCES ... LIBS ...): a GoogleTest binary registered with ctest.
function(velmora_gtest name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;ENV" ${ARGN})
    find_package(GTest REQUIRED)
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
    target_compile_definitions(${name} PRIVATE
        VELMORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VELMORA_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    add_test(NAME ${name} COMMAND ${name})
    if(T_ENV)
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${T_ENV}")
    endif()
endfunction()

# velmora_qtest(NAME SOURCES ... LIBS ...): a QtTest binary, run on the offscreen
# platform so it needs no display.
function(velmora_qtest name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test)
    target_compile_definitions(${name} PRIVATE
        VELMORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VELMORA_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${T_ENV}")
endfunction()

# velmora_fuzzer(NAME SOURCES ... LIBS ...): a libFuzzer target named fuzz_NAME.
# Its seed corpus lives in fuzz/corpus/NAME.
function(velmora_fuzzer name)
    cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(fuzz_${name} ${F_SOURCES})
    target_link_libraries(fuzz_${name} PRIVATE ${F_LIBS})
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
endfunction()
