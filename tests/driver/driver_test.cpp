#include "calibration/target_sequence.h"
#include "driver/driver.h"
#include "emu/device.h"
#include "emu/trace.h"
#include "support/machine_test.h"

#include <cstring>
#include <vector>

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> bytes;
    for (int value : values) {
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

class DriverTest : public MachineTest {
  protected:
    void Open() { ASSERT_NE(OpenDriverDevice(), INVALID_HANDLE_VALUE); }
};

TEST_F(DriverTest, AbsentDriverCannotBeOpened) {
    emu::Driver().present = false;
    EXPECT_EQ(OpenDriverDevice(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Context.DeviceHandle, INVALID_HANDLE_VALUE);
}

TEST_F(DriverTest, OpenAndClose) {
    Open();
    EXPECT_EQ(emu::OpenDeviceHandles(), 1);
    EXPECT_TRUE(CloseDriverDevice());
    EXPECT_EQ(emu::OpenDeviceHandles(), 0);
    EXPECT_FALSE(CloseDriverDevice());
}

// Where the system has no DeviceIoControl, every request fails without
// reaching the driver, and the version request reads back its own header.
TEST_F(DriverTest, WithoutDeviceIoControlEveryRequestFails) {
    emu::Machine().deviceIoControl = false;
    Open();
    EXPECT_FALSE(EnablePointQueueing());
    EXPECT_FALSE(DisablePointQueueing());
    EXPECT_FALSE(SetCalibration());
    EXPECT_FALSE(SendBeepControl(1));
    EXPECT_EQ(GetDriverInfo(), 4);
    EXPECT_TRUE(emu::DriverRequestsOf(emu::CodeEnablePointQueueing).empty());
    EXPECT_TRUE(emu::DriverRequestsOf(emu::CodeGetDriverInfo).empty());
}

// DeviceIoControl is looked up once, when the device is opened: a system
// whose export came or went after that point would change nothing, and a
// request that looked it up again would see the change.
TEST_F(DriverTest, DeviceIoControlIsLookedUpOnceWhenTheDeviceOpens) {
    Open();
    emu::Machine().deviceIoControl = false;
    EXPECT_TRUE(EnablePointQueueing());
    EXPECT_EQ(GetDriverInfo(), 4);
    EXPECT_EQ(emu::DriverRequestsOf(emu::CodeEnablePointQueueing).size(), 1u);
    EXPECT_EQ(emu::DriverRequestsOf(emu::CodeGetDriverInfo).size(), 1u);

    CloseDriverDevice();
    Open();
    emu::Machine().deviceIoControl = true;
    EXPECT_FALSE(EnablePointQueueing());
    EXPECT_EQ(emu::DriverRequestsOf(emu::CodeEnablePointQueueing).size(), 1u);
}

TEST_F(DriverTest, EveryRequestCarriesTheHeaderOfThatMoment) {
    Open();
    Context.Header.ScreenIndex = 2;
    DisablePointQueueing();
    EnablePointQueueing();
    BeginTouchWait();
    RawTouchReply reply;
    GetRawTouch(reply);
    SetCalibration();
    SendBeepControl(1);
    GetDriverInfo();
    // Version 4, 4, 0 and the screen 2, each a little-endian word.
    const auto header = Bytes({0x04, 0x00, 0x04, 0x00, 0x00, 0x00, 0x02, 0x00});
    ASSERT_EQ(emu::DriverLog().size(), 7u);
    std::vector<std::uint32_t> codes;
    for (const emu::DriverRequest& request : emu::DriverLog()) {
        codes.push_back(request.code);
        ASSERT_GE(request.in.size(), 8u);
        EXPECT_EQ(std::vector<std::uint8_t>(request.in.begin(), request.in.begin() + 8), header)
            << emu::DriverCodeName(request.code);
    }
    // The control codes the driver answers to: 0x9C40 << 16 | function << 2 for
    // the functions 0x902, 0x903, 0x90B, 0x904, 0x901, 0x907 and 0x90A.
    EXPECT_EQ(codes, (std::vector<std::uint32_t>{0x9C402408, 0x9C40240C, 0x9C40242C, 0x9C402410,
                                                 0x9C402404, 0x9C40241C, 0x9C402428}));
}

TEST_F(DriverTest, RequestSizes) {
    Open();
    DisablePointQueueing();
    RawTouchReply reply;
    GetRawTouch(reply);
    SetCalibration();
    SendBeepControl(0);
    GetDriverInfo();
    // The 8-byte header and the record's own words (the touch 5, the
    // calibration 13, the beep 3); the driver's information is 28 words, the
    // header's place among them.
    const std::pair<std::uint32_t, std::size_t> sizes[] = {{DisablePointQueueingCode, 8},
                                                           {GetRawTouchCode, 8 + 2 * 5},
                                                           {SetCalibrationCode, 8 + 2 * 13},
                                                           {SetBeepCode, 8 + 2 * 3},
                                                           {GetDriverInfoCode, 2 * 28}};
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        const emu::DriverRequest& request = emu::DriverLog()[i];
        EXPECT_EQ(request.code, sizes[i].first);
        EXPECT_EQ(request.in.size(), sizes[i].second);
        EXPECT_EQ(request.out.size(), sizes[i].second);
    }
}

TEST_F(DriverTest, SetCalibrationBufferByteForByte) {
    Open();
    Context.Header.ScreenIndex = 1;
    CalibrationRecord& record = Context.Calibration;
    record.XLow = 300;
    record.XHigh = 900;
    record.YLow = 250;
    record.YHigh = 850;
    record.ZLow = 1;
    record.ZHigh = 255;
    record.SwapXY = 0;
    record.XlateXHigh = 32767;
    record.XlateXLow = 0;
    record.XlateYHigh = 32767;
    record.XlateYLow = 0;
    record.XlateZHigh = 255;
    record.XlateZLow = 1;
    EXPECT_TRUE(SetCalibration());
    // The header, then 300 = 0x012C, 900 = 0x0384, 250 = 0x00FA, 850 = 0x0352,
    // 1, 255, 0, and the ranges high before low: 32767 = 0x7FFF, 0, ...
    EXPECT_EQ(emu::DriverLog().back().in,
              Bytes({0x04, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x2C, 0x01, 0x84, 0x03,
                     0xFA, 0x00, 0x52, 0x03, 0x01, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x7F,
                     0x00, 0x00, 0xFF, 0x7F, 0x00, 0x00, 0xFF, 0x00, 0x01, 0x00}));
    EXPECT_EQ(emu::EventsOf("ioctl").back()["code"], "9C402404");
}

TEST_F(DriverTest, SetCalibrationReplyReplacesTheRecord) {
    Open();
    Context.Calibration.XLow = 300;
    std::vector<std::uint8_t> reply(34, 0);
    reply[8] = 0x34;
    reply[9] = 0x12;
    emu::Driver().replyOverride[SetCalibrationCode] = reply;
    EXPECT_TRUE(SetCalibration());
    EXPECT_EQ(Context.Calibration.XLow, 0x1234);
}

// The reply's words are unsigned 16-bit numbers: a touch at the far end of
// the controller's range is not a negative one.
TEST_F(DriverTest, RawTouchWordsAreUnsigned) {
    Open();
    emu::Driver().touches.push_back({0xFFFF, 0x8000, 1, 0, std::nullopt});
    ASSERT_EQ(WaitForTouch(), 1);
    EXPECT_EQ(Context.LastTouchX, 65535u);
    EXPECT_EQ(Context.LastTouchY, 32768u);
}

TEST_F(DriverTest, UnansweredPollReadsAsNoTouch) {
    Open();
    emu::Driver().touches.push_back({100, 200, 1, 0, std::nullopt});
    RawTouchReply reply;
    GetRawTouch(reply);
    ASSERT_NE(reply.TouchFlag, 0);
    // The driver now leaves its reply unwritten: the earlier touch must not
    // come back a second time.
    emu::Driver().unwritten.insert(GetRawTouchCode);
    GetRawTouch(reply);
    EXPECT_EQ(reply.TouchFlag, 0);
}

TEST_F(DriverTest, VersionFromTheReply) {
    Open();
    EXPECT_EQ(GetDriverInfo(), 4);
    emu::Driver().version = 5;
    EXPECT_EQ(GetDriverInfo(), 5);
}

TEST_F(DriverTest, FailedVersionRequestWithoutReplyStillReadsFour) {
    Open();
    emu::Driver().failing.insert(GetDriverInfoCode);
    emu::Driver().unwritten.insert(GetDriverInfoCode);
    emu::Driver().version = 9;
    EXPECT_EQ(GetDriverInfo(), 4);
    EXPECT_FALSE(emu::DriverLog().back().ok);
}

TEST_F(DriverTest, BeepControlStoresTheFlag) {
    Open();
    Context.Beep.BeepFreq = 440;
    Context.Beep.BeepTime = 70;
    EXPECT_TRUE(SendBeepControl(0));
    // The header, the flag 0, the frequency 440 = 0x01B8 and the time 70.
    EXPECT_EQ(emu::DriverLog().back().in, Bytes({4, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0xB8, 0x01, 70, 0}));
    emu::Driver().failing.insert(SetBeepCode);
    EXPECT_FALSE(SendBeepControl(1));
    EXPECT_EQ(Context.Beep.BeepFlag, 1);
}

TEST_F(DriverTest, FailuresAreReported) {
    Open();
    emu::Driver().failing = {EnablePointQueueingCode, SetCalibrationCode};
    EXPECT_FALSE(EnablePointQueueing());
    EXPECT_FALSE(SetCalibration());
    EXPECT_TRUE(DisablePointQueueing());
}

} // namespace
