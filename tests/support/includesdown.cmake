# cmake -DROOT=<source folder> -P includesdown.cmake: fails when a window
# folder includes a header from a folder that builds on it. The form is at
# the bottom, the document above it, then the port and module, then the
# transfers, and the main window on top; the register's window stands beside
# the port and the transfers, on the document. The handover sheet (no
# widgets) uses the core alone.
set(layers
    "forms:document serial transfer registerview sheet app"
    "document:serial transfer registerview sheet app"
    "serial:transfer registerview app"
    "transfer:registerview app"
    "registerview:serial transfer app"
    "sheet:forms registerview app")
set(checked 0)
set(faults "")
foreach(layer IN LISTS layers)
    string(REPLACE ":" ";" parts "${layer}")
    list(GET parts 0 folder)
    list(GET parts 1 above)
    string(REPLACE " " "|" above "${above}")
    file(GLOB sources "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
    foreach(source IN LISTS sources)
        file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        list(LENGTH includes count)
        math(EXPR checked "${checked} + ${count}")
        foreach(line IN LISTS includes)
            if(line MATCHES "\"(${above})/")
                file(RELATIVE_PATH name "${ROOT}" "${source}")
                string(APPEND faults "\n  ${name}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()
if(checked EQUAL 0)
    message(FATAL_ERROR "no include read under ${ROOT}; the check would prove nothing")
endif()
if(faults)
    message(FATAL_ERROR "includes that point up:${faults}")
endif()
message(STATUS "${checked} includes point down")
