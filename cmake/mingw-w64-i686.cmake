set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
# Any 386 with a 387 or later: no instruction of the 486, the Pentium or after.
# Win32 keeps the stack aligned to 4 bytes only, and nothing here needs more.
# Arguments are pushed, which is a sixth less code than storing them; that
# rules out stack probes, so no frame may come near the 4 KiB guard page.
set(VINTOQ_I386_FLAGS "-march=i386 -mpreferred-stack-boundary=2 -mno-accumulate-outgoing-args \
-mno-stack-arg-probe -Werror=frame-larger-than=4000")
set(CMAKE_C_FLAGS_INIT "${VINTOQ_I386_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${VINTOQ_I386_FLAGS}")
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
