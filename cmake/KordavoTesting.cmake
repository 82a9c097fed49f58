# kordavo_add_test(<name> [CORE] [SOURCES extra.cpp ...] [LIBRARIES lib ...] [TIMEOUT s] [LABELS l ...])
# Builds tests/<name>.cpp as a QtTest executable and registers it with CTest.
# CORE tests link the core alone and run without a window system; the others
# get the window and the recording prompter, offscreen. Every test runs in
# its own scratch folder.
function(kordavo_add_test name)
    cmake_parse_arguments(ARG "CORE" "TIMEOUT" "SOURCES;LIBRARIES;LABELS" ${ARGN})
    add_executable(${name} ${name}.cpp ${ARG_SOURCES})
    if(ARG_CORE)
        target_link_libraries(${name} PRIVATE kordavotestcore ${ARG_LIBRARIES})
    else()
        target_link_libraries(${name} PRIVATE kordavotestsupport ${ARG_LIBRARIES})
    endif()
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    if(WIN32)
        # Run under Wine, a test's output does not reach a pipe: it goes to
        # tests/<name>.log too, which ./test --windows shows on a failure.
        add_test(NAME ${name} COMMAND ${name} -o ${name}.log,txt -o -,txt)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        LABELS "${ARG_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
