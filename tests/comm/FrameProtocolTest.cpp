// Request frames and the send queue.
#include <gtest/gtest.h>

#include "comm/CTolvarProtocol.h"
#include "support/FakeChannelServices.h"
#include "support/TestChannel.h"

using namespace testfakes;

TEST(FrameProtocol, CommandTableFramesAreByteExactForAddressOne)
{
    ServicesScope scope;
    TestChannel channel(1);
    CTolvarProtocol p(1);
    p.BuildCommandTable();
    const char* expected[9] = {"[M01G0D******C0\r",        "[M01V07C6\r", nullptr, nullptr, nullptr,
                               "[M01C14*************D3\r", nullptr,       nullptr, nullptr};
    for (int row = 0; row < 9; ++row) {
        AnsiString frame = p.GetEntry(row, 0);
        if (expected[row]) {
            EXPECT_EQ(frame, expected[row]) << row;
        }
        EXPECT_EQ(p.GetEntry(row, 1), IntToStr(static_cast<std::int64_t>(frame.size()))) << row;
        EXPECT_EQ(p.GetEntry(row, 2), IntToStr(CTolvarProtocol::ReplyLength[row])) << row;
    }
    // Lengths of the table for a two-digit address field.
    const int lengths[9] = {16, 10, 11, 11, 11, 23, 18, 19, 10};
    for (int row = 0; row < 9; ++row) EXPECT_EQ(p.GetEntry(row, 1), IntToStr(lengths[row])) << row;
    // Remaining frames, checksums counted by hand.
    EXPECT_EQ(p.GetEntry(2, 0), "[M01S081F5\r");
    EXPECT_EQ(p.GetEntry(3, 0), "[M01S082F6\r");
    EXPECT_EQ(p.GetEntry(4, 0), "[M01S083F7\r");
    EXPECT_EQ(p.GetEntry(6, 0), "[M01L0F********1B\r");
    EXPECT_EQ(p.GetEntry(7, 0), "[M01P10*********34\r");
    EXPECT_EQ(p.GetEntry(8, 0), "[M01F07B6\r");
    for (int row = 9; row < 20; ++row) EXPECT_EQ(p.GetEntry(row, 0), "");
}

TEST(FrameProtocol, AddressDigitsCountInTheChecksum)
{
    EXPECT_EQ(CTolvarProtocol::BuildCommandFrame("G0D******", 12), "[M12G0D******C2\r");
    EXPECT_EQ(CTolvarProtocol::BuildDeviceFrame("[M1G0D******", 1), "[M01G0D******C0\r");
    EXPECT_EQ(CTolvarProtocol::BuildDeviceFrame("[M12G0D******", 12), "[M12G0D******C2\r");
    // A bus address from the channel object reaches the table.
    ServicesScope scope;
    TestChannel channel(3, "/dev/ttyUSB0", "RS485", 12);
    CTolvarProtocol p(3);
    p.BuildCommandTable();
    EXPECT_EQ(p.GetEntry(0, 0), "[M12G0D******C2\r");
    EXPECT_EQ(p.BuildDeviceFrame("[M12V07"), "[M12V07" + FrameChecksum("[M12V07") + "\r");
}

TEST(FrameProtocol, ChecksumWrapsAndKeepsTwoDigits)
{
    EXPECT_EQ(FrameChecksum(""), "00");
    EXPECT_EQ(FrameChecksum("\x01"), "01");
    EXPECT_EQ(FrameChecksum(std::string(2, '\x80')), "00");  // 256 wraps to 0
    EXPECT_EQ(FrameChecksum("\xFF\xFF"), "FE");
    // A frame whose sum is a multiple of 256 ends in "00" and CR.
    AnsiString text = "[M01";
    unsigned sum = 0;
    for (unsigned char c : text) sum += c;
    text += static_cast<char>(256 - sum % 256);
    AnsiString frame = CTolvarProtocol::BuildDeviceFrame(text, 12);
    EXPECT_EQ(frame.substr(frame.size() - 3), "00\r");
}

TEST(FrameProtocol, QueueHoldsTwentyRowsAndIgnoresMore)
{
    CTolvarProtocol p(1);
    for (int i = 0; i < 20; ++i) p.Append("F" + IntToStr(i), 24 + i);
    EXPECT_EQ(p.GetCount(), 20);
    p.Append("overflow", 99);
    EXPECT_EQ(p.GetCount(), 20);
    EXPECT_EQ(p.GetQueueEntry(19, 0), "F19");
    EXPECT_EQ(p.GetQueueEntry(19, 1), "3");
    EXPECT_EQ(p.GetQueueEntry(19, 2), "43");
    EXPECT_EQ(p.GetQueueEntry(20, 0), "");
    // SetRow overwrites without changing the count and ignores rows outside 0..19.
    p.SetRow("X", 5, 28, 23);
    p.SetRow("Y", 20, 28, 23);
    p.SetRow("Y", -1, 28, 23);
    EXPECT_EQ(p.GetQueueEntry(5, 0), "X");
    EXPECT_EQ(p.GetQueueEntry(5, 1), "23");
    EXPECT_EQ(p.GetQueueEntry(5, 2), "28");
    EXPECT_EQ(p.GetCount(), 20);
    EXPECT_EQ(p.GetEntry(-1, 0), "");
    EXPECT_EQ(p.GetEntry(0, 3), "");
}
