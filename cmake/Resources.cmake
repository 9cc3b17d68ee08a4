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
    COMMAND ${VINTOQ_WINDRES} -I ${CMAKE_SOURCE_DIR}/src/ui
            -DVINTOQ_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} -DVINTOQ_VERSION_MINOR=${PROJECT_VERSION_MINOR}
            -DVINTOQ_VERSION_PATCH=${PROJECT_VERSION_PATCH} -O res -i ${VINTOQ_RC} -o ${VINTOQ_RES}
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

# The version resource as Explorer and installers read it: the project's
# version, the description, the copyright line and the original file name.
# The second test keeps the check honest: another version must not pass.
add_test(NAME Resources.VersionInfo
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/check_version_info.py ${VINTOQ_RES} ${PROJECT_VERSION})
add_test(NAME Resources.VersionInfoRefusesAnotherVersion
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/check_version_info.py ${VINTOQ_RES}
            ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.9999)
set_tests_properties(Resources.VersionInfoRefusesAnotherVersion PROPERTIES WILL_FAIL TRUE)
