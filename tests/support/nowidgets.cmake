# cmake -DBINARY=<program> -P nowidgets.cmake: fails when the program loads
# Qt's GUI or widget libraries.
execute_process(COMMAND ldd ${BINARY} OUTPUT_VARIABLE libraries RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "ldd ${BINARY} failed")
endif()
if(NOT libraries MATCHES "Qt6Core")
    message(FATAL_ERROR "${BINARY} does not load Qt6Core; the check would prove nothing")
endif()
if(libraries MATCHES "Qt6Widgets|Qt6Gui")
    message(FATAL_ERROR "${BINARY} loads Qt's GUI libraries:\n${libraries}")
endif()
message(STATUS "${BINARY} runs without Qt's GUI libraries")
