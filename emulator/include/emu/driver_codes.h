/*
 * The touchscreen driver's seven control codes: CTL_CODE(0x9C40, function,
 * METHOD_BUFFERED, FILE_ANY_ACCESS) with the functions 0x901 to 0x90B. One
 * list for every stand-in for the driver: the emulated desktop's, the test
 * driver that runs under Wine (wine/driver) and the probe that talks to it
 * (wine/probe). C as well as C++, since those two are C.
 *
 * The program keeps a copy of its own (src/driver/driver.h) on purpose: a
 * wrong code there shows as a request the stand-ins do not know.
 */
#ifndef EMU_DRIVER_CODES_H
#define EMU_DRIVER_CODES_H

#ifdef __cplusplus
#include <cstdint>
namespace emu {
enum DriverCode : std::uint32_t {
#else
enum DriverCode {
#endif
    CodeSetCalibration = 0x9C402404u,       /* function 0x901 */
    CodeDisablePointQueueing = 0x9C402408u, /* 0x902 */
    CodeEnablePointQueueing = 0x9C40240Cu,  /* 0x903 */
    CodeGetRawTouch = 0x9C402410u,          /* 0x904 */
    CodeSetBeep = 0x9C40241Cu,              /* 0x907 */
    CodeGetDriverInfo = 0x9C402428u,        /* 0x90A */
    CodeBeginTouchWait = 0x9C40242Cu,       /* 0x90B */
};
#ifdef __cplusplus
} // namespace emu
#endif

#endif
