// The trace of the emulated driver. Polls that hand over no touch are not
// traced one by one but counted with the next request, by the same rule the
// Wine test driver's log follows, so that the two request lists can be laid
// side by side whether the polls were answered, failed or left unanswered.
#include "emu/device.h"
#include "emu/trace.h"
#include "support/machine_test.h"

#include <array>
#include <cstdint>

namespace {

class DeviceTraceTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        device = CreateFileA("\\\\.\\DRAVIX", 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
    }
    void TearDown() override { CloseHandle(device); }

    // One poll as the program sends it; the reply buffer keeps whatever the
    // previous poll left in it, as the program's does.
    BOOL Poll() {
        std::array<std::uint8_t, 18> request{4, 0, 4, 0, 0, 0, 0, 0};
        DWORD returned = 0;
        return DeviceIoControl(device, emu::CodeGetRawTouch, request.data(), request.size(),
                               reply.data(), reply.size(), &returned, nullptr);
    }
    void Bare(DWORD code) {
        std::array<std::uint8_t, 8> buffer{4, 0, 4, 0, 0, 0, 0, 0};
        DWORD returned = 0;
        DeviceIoControl(device, code, buffer.data(), buffer.size(), buffer.data(), buffer.size(),
                        &returned, nullptr);
    }
    static std::vector<emu::Event> Requests() { return emu::EventsOf("ioctl"); }

    HANDLE device = INVALID_HANDLE_VALUE;
    std::array<std::uint8_t, 18> reply{};
};

TEST_F(DeviceTraceTest, PollsWithoutATouchGoWithTheNextRequest) {
    emu::Driver().touches.push_back({0x123, 0x456, 1, 3, std::nullopt});
    for (int i = 0; i < 4; ++i) {
        Poll();
    }
    for (int i = 0; i < 5; ++i) {
        Poll();
    }
    Bare(emu::CodeEnablePointQueueing);
    Bare(emu::CodeSetBeep);

    std::vector<emu::Event> traced = Requests();
    ASSERT_EQ(traced.size(), 3u);
    EXPECT_EQ(traced[0]["name"], "GetRawTouch");
    EXPECT_EQ(traced[0]["polls"], 4); // three without a touch, then the touch
    EXPECT_EQ(traced[0]["out"], "040004000000000000000100230156040000");
    EXPECT_EQ(traced[1]["name"], "EnablePointQueueing");
    EXPECT_EQ(traced[1]["quiet_polls"], 5);
    EXPECT_FALSE(traced[2].contains("quiet_polls"));
    for (const emu::Event& event : traced) {
        EXPECT_FALSE(event.contains("failed_polls")) << event.dump();
    }
}

// A failing poll writes nothing back, so the buffer still holds the touch of
// the poll before; the program would take it again, but the driver handed
// over nothing, and the trace counts it as a failed quiet poll.
TEST_F(DeviceTraceTest, FailedPollsAreCountedEvenOverAStaleTouch) {
    emu::Driver().touches.push_back({0x123, 0x456, 1, 0, std::nullopt});
    EXPECT_TRUE(Poll());
    emu::Driver().failing.insert(emu::CodeGetRawTouch);
    for (int i = 0; i < 7; ++i) {
        EXPECT_FALSE(Poll());
    }
    EXPECT_EQ(reply[10], 1); // the stale TouchFlag
    Bare(emu::CodeEnablePointQueueing);

    std::vector<emu::Event> traced = Requests();
    ASSERT_EQ(traced.size(), 2u);
    EXPECT_EQ(traced[0]["polls"], 1);
    EXPECT_EQ(traced[1]["name"], "EnablePointQueueing");
    EXPECT_EQ(traced[1]["quiet_polls"], 7);
    EXPECT_EQ(traced[1]["failed_polls"], 7);
}

// Unanswered polls are quiet but not failed; a failed poll before a touch
// is counted on the touch's own event.
TEST_F(DeviceTraceTest, UnansweredAndFailedPollsBeforeATouch) {
    emu::Driver().unwritten.insert(emu::CodeGetRawTouch);
    Poll();
    Poll();
    emu::Driver().unwritten.clear();
    emu::Driver().failing.insert(emu::CodeGetRawTouch);
    Poll();
    emu::Driver().failing.clear();
    emu::Driver().touches.push_back({1, 2, 1, 0, std::nullopt});
    Poll();

    std::vector<emu::Event> traced = Requests();
    ASSERT_EQ(traced.size(), 1u);
    EXPECT_EQ(traced[0]["polls"], 4);
    EXPECT_EQ(traced[0]["failed_polls"], 1);
    EXPECT_TRUE(traced[0]["ok"]);
}

} // namespace
