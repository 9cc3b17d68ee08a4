# cmake -DNM=nm -DLIB=libvintoq.a -P CheckNoHeap.cmake
# The program allocates nothing: its objects must not reference the C or C++
# heap functions.
execute_process(COMMAND ${NM} --undefined-only --format=just-symbols ${LIB}
    OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${LIB}")
endif()
string(REPLACE "\n" ";" symbols "${symbols}")
set(found "")
foreach(symbol IN LISTS symbols)
    if(symbol MATCHES "^(malloc|calloc|realloc|free|strdup|strndup|aligned_alloc|posix_memalign|_Znw.*|_Zna.*|_Zdl.*|_Zda.*)$")
        list(APPEND found ${symbol})
    endif()
endforeach()
if(found)
    list(REMOVE_DUPLICATES found)
    message(FATAL_ERROR "heap functions referenced by ${LIB}: ${found}")
endif()
message(STATUS "no heap function referenced by ${LIB}")
