# Every Win32 function the emulated desktop declares is called by the
# conformance program: a function it never calls is one whose departures from
# Windows nothing would show. Run by CTest:
#
#   cmake -DHEADERS=emulator/include -DSOURCES=tests/conformance -P CallsEveryFunction.cmake
#
# A call is the name followed by "(" in the program's code, outside comments,
# character and string literals (the call texts of the report name functions
# too).

file(GLOB headers ${HEADERS}/*.h)
set(declared "")
foreach(header IN LISTS headers)
    file(READ ${header} text)
    string(REGEX MATCHALL "WINAPIV? +[A-Za-z_][A-Za-z_0-9]*\\(" found "${text}")
    foreach(declaration IN LISTS found)
        string(REGEX REPLACE "^WINAPIV? +([A-Za-z_0-9]+)\\($" "\\1" name "${declaration}")
        list(APPEND declared ${name})
    endforeach()
endforeach()
list(REMOVE_DUPLICATES declared)
# The program's entry is the program's own, which the platform calls.
list(REMOVE_ITEM declared WinMain)
list(LENGTH declared count)
if(count EQUAL 0)
    message(FATAL_ERROR "no function declarations found in ${HEADERS}")
endif()

file(GLOB sources ${SOURCES}/*.cpp ${SOURCES}/*.h)
set(code "")
foreach(source IN LISTS sources)
    file(READ ${source} text)
    # One pass, leftmost first, so that an apostrophe in a string or a
    # comment, or "//" in a string, is taken for what it is.
    string(REGEX REPLACE "//[^\n]*|\"([^\"\\\\\n]|\\\\.)*\"|'([^'\\\\\n]|\\\\.)+'" " "
                         text "${text}")
    string(APPEND code "${text}\n")
endforeach()

set(uncalled "")
foreach(name IN LISTS declared)
    if(NOT code MATCHES "(^|[^A-Za-z_0-9])${name} *\\(")
        list(APPEND uncalled ${name})
    endif()
endforeach()
if(uncalled)
    list(JOIN uncalled ", " names)
    message(FATAL_ERROR "declared in ${HEADERS} but never called by the conformance program: "
                        "${names}")
endif()
message(STATUS "the conformance program calls all ${count} functions of ${HEADERS}")
