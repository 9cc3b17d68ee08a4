# Compiles src/ui/vintoq32.rc with GNU windres into a .res file that the
# emulated desktop embeds and reads at run time, exactly as Windows reads the
# resources linked into the program.
if(WIN32)
    return()
endif()

find_program(VINTOQ_WINDRES NAMES x86_64-w64-mingw32-windres windres REQUIRED)
set(VINTOQ_RC ${CMAKE_SOURCE_DIR}/src/ui/vintoq32.rc)
set(VINTOQ_RES ${CMAKE_BINARY_DIR}/vintoq32.res)
file(GLOB VINTOQ_RC_DEPENDS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui/*.rc
    ${CMAKE_SOURCE_DIR}/src/ui/*.h ${CMAKE_SOURCE_DIR}/src/ui/*.ico)
add_custom_command(OUTPUT ${VINTOQ_RES}
    COMMAND ${VINTOQ_WINDRES} -I ${CMAKE_SOURCE_DIR}/src/ui -O res -i ${VINTOQ_RC} -o ${VINTOQ_RES}
    DEPENDS ${VINTOQ_RC_DEPENDS}
    COMMENT "Compiling the resource script")

# The bytes of the .res as a C++ array, so the launcher and the tests carry
# the program's resources with them wherever they run.
set(VINTOQ_RES_CPP ${CMAKE_BINARY_DIR}/vintoq32_res.cpp)
add_custom_command(OUTPUT ${VINTOQ_RES_CPP}
    COMMAND ${CMAKE_COMMAND} -DIN=${VINTOQ_RES} -DOUT=${VINTOQ_RES_CPP}
            -P ${CMAKE_SOURCE_DIR}/cmake/EmbedBytes.cmake
    DEPENDS ${VINTOQ_RES} ${CMAKE_SOURCE_DIR}/cmake/EmbedBytes.cmake
    COMMENT "Embedding the compiled resources")
