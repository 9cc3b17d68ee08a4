// The records exchanged with the touchscreen driver. Every field is a 16-bit
// little-endian word and records have no gaps, so each struct's bytes are
// exactly what goes through DeviceIoControl.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "driver records are sent as they lie in memory");

constexpr std::uint16_t DriverInterfaceVersion = 4;

struct RequestHeader {
    std::uint16_t InterfaceVersion = DriverInterfaceVersion;
    std::uint16_t HeaderWord1 = 4;
    std::uint16_t HeaderWord2 = 0;
    std::uint16_t ScreenIndex = 0; // low 16 bits of the screen being worked on
};
static_assert(sizeof(RequestHeader) == 8);
static_assert(offsetof(RequestHeader, InterfaceVersion) == 0);
static_assert(offsetof(RequestHeader, HeaderWord1) == 2);
static_assert(offsetof(RequestHeader, HeaderWord2) == 4);
static_assert(offsetof(RequestHeader, ScreenIndex) == 6);

struct CalibrationRecord {
    RequestHeader Header;
    std::uint16_t XLow = 0;
    std::uint16_t XHigh = 0;
    std::uint16_t YLow = 0;
    std::uint16_t YHigh = 0;
    std::uint16_t ZLow = 0;
    std::uint16_t ZHigh = 0;
    std::uint16_t SwapXY = 0;
    // The translation pairs run High before Low, unlike the calibration pairs.
    std::uint16_t XlateXHigh = 0;
    std::uint16_t XlateXLow = 0;
    std::uint16_t XlateYHigh = 0;
    std::uint16_t XlateYLow = 0;
    std::uint16_t XlateZHigh = 0;
    std::uint16_t XlateZLow = 0;
};
static_assert(sizeof(CalibrationRecord) == 34);
static_assert(offsetof(CalibrationRecord, Header) == 0);
static_assert(offsetof(CalibrationRecord, XLow) == 8);
static_assert(offsetof(CalibrationRecord, XHigh) == 10);
static_assert(offsetof(CalibrationRecord, YLow) == 12);
static_assert(offsetof(CalibrationRecord, YHigh) == 14);
static_assert(offsetof(CalibrationRecord, ZLow) == 16);
static_assert(offsetof(CalibrationRecord, ZHigh) == 18);
static_assert(offsetof(CalibrationRecord, SwapXY) == 20);
static_assert(offsetof(CalibrationRecord, XlateXHigh) == 22);
static_assert(offsetof(CalibrationRecord, XlateXLow) == 24);
static_assert(offsetof(CalibrationRecord, XlateYHigh) == 26);
static_assert(offsetof(CalibrationRecord, XlateYLow) == 28);
static_assert(offsetof(CalibrationRecord, XlateZHigh) == 30);
static_assert(offsetof(CalibrationRecord, XlateZLow) == 32);

struct BeepRecord {
    RequestHeader Header;
    std::uint16_t BeepFlag = 0;
    std::uint16_t BeepFreq = 1000;
    std::uint16_t BeepTime = 32;
};
static_assert(sizeof(BeepRecord) == 14);
static_assert(offsetof(BeepRecord, Header) == 0);
static_assert(offsetof(BeepRecord, BeepFlag) == 8);
static_assert(offsetof(BeepRecord, BeepFreq) == 10);
static_assert(offsetof(BeepRecord, BeepTime) == 12);

// The GetRawTouch request: the header, then bytes that carry no meaning.
struct RawTouchRequest {
    RequestHeader Header;
    std::uint16_t Unused[5] = {};
};
static_assert(sizeof(RawTouchRequest) == 18);
static_assert(offsetof(RawTouchRequest, Unused) == 8);

struct RawTouchReply {
    RequestHeader Header;
    std::uint16_t Reserved = 0;  // set to 0 before each poll
    std::uint16_t TouchFlag = 0; // non-zero: RawX and RawY hold a touch
    std::uint16_t RawX = 0;
    std::uint16_t RawY = 0;
    std::uint16_t Trailing = 0;
};
static_assert(sizeof(RawTouchReply) == 18);
static_assert(offsetof(RawTouchReply, Header) == 0);
static_assert(offsetof(RawTouchReply, Reserved) == 8);
static_assert(offsetof(RawTouchReply, TouchFlag) == 10);
static_assert(offsetof(RawTouchReply, RawX) == 12);
static_assert(offsetof(RawTouchReply, RawY) == 14);
static_assert(offsetof(RawTouchReply, Trailing) == 16);

// GetDriverInfo sends the header in a 56-byte buffer and reads the driver's
// interface version back from its first word.
struct DriverInfoReply {
    std::uint16_t InterfaceVersion = 0;
    std::uint16_t Unused[27] = {};
};
static_assert(sizeof(DriverInfoReply) == 56);
static_assert(offsetof(DriverInfoReply, InterfaceVersion) == 0);
static_assert(offsetof(DriverInfoReply, Unused) == 2);
