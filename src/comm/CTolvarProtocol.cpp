#include "comm/CTolvarProtocol.h"

#include <charconv>
#include <cmath>

#include "comm/CChannel.h"

namespace {

// The value in hundredths, rounded half away from zero. The product is first cut to 15
// significant digits, so 20.5 * 100 = 2050.0000000000002 counts as 2050.
double Hundredths(double value)
{
    const double product = value * 100.0;
    char buffer[40];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, product, std::chars_format::general, 15).ptr;
    double significant = product;
    std::from_chars(buffer, end, significant);
    return std::trunc(significant + (significant < 0.0 ? -0.5 : 0.5));
}

}  // namespace

const char* const CTolvarProtocol::CommandText[Commands] = {
    "G0D******", "V07", "S081", "S082", "S083", "C14*************", "L0F********", "P10*********", "F07",
};
const int CTolvarProtocol::ReplyLength[Commands] = {24, 50, 31, 31, 31, 28, 26, 19, 38};

CTolvarProtocol::CTolvarProtocol(int channel) : channel_(channel) {}

int CTolvarProtocol::Address() const
{
    if (channel_ >= 1 && channel_ <= MaxChannels && ChannelObjects[channel_])
        return ChannelObjects[channel_]->GetAddress();
    return 1;
}

AnsiString CTolvarProtocol::BuildDeviceFrame(const AnsiString& text, int address)
{
    AnsiString frame = text;
    if (address < 10 && frame.size() >= 2) frame.insert(2, 1, '0');
    frame += FrameChecksum(frame);
    frame += '\r';
    return frame;
}

AnsiString CTolvarProtocol::BuildDeviceFrame(const AnsiString& text)
{
    return BuildDeviceFrame(text, Address());
}

AnsiString CTolvarProtocol::BuildCommandFrame(std::string_view command, int address)
{
    return BuildDeviceFrame("[M" + IntToStr(address) + AnsiString(command), address);
}

void CTolvarProtocol::BuildCommandTable()
{
    int address = Address();
    for (int row = 0; row < Commands; ++row) {
        AnsiString frame = BuildCommandFrame(CommandText[row], address);
        table_[row][0] = frame;
        table_[row][1] = IntToStr(static_cast<std::int64_t>(frame.size()));
        table_[row][2] = IntToStr(ReplyLength[row]);
    }
}

AnsiString CTolvarProtocol::GetEntry(int row, int column) const
{
    if (row < 0 || row >= Rows || column < 0 || column > 2) return AnsiString();
    return table_[row][column];
}

AnsiString CTolvarProtocol::GetQueueEntry(int row, int column) const
{
    if (row < 0 || row >= Rows || column < 0 || column > 2) return AnsiString();
    return queue_[row][column];
}

void CTolvarProtocol::SetRow(const AnsiString& frame, int row, int replyLength, int length)
{
    if (row < 0 || row >= Rows) return;
    queue_[row][0] = frame;
    queue_[row][1] = IntToStr(length);
    queue_[row][2] = IntToStr(replyLength);
}

void CTolvarProtocol::Append(const AnsiString& frame, int replyLength)
{
    if (Count >= Rows) return;
    SetRow(frame, Count, replyLength, static_cast<int>(frame.size()));
    ++Count;
}

bool CTolvarProtocol::TSetpointRange::Contains(double value) const
{
    if (!std::isfinite(value)) return false;
    const double h = Hundredths(value);
    return h >= Hundredths(Minimum) && h <= Hundredths(Maximum);
}

CTolvarProtocol::TSetpointRange CTolvarProtocol::SetpointRange(bool unsignedDevice)
{
    return unsignedDevice ? TSetpointRange{0.0, 655.35} : TSetpointRange{-327.68, 327.67};
}

CTolvarProtocol::TSetpointRange CTolvarProtocol::AnySetpointRange()
{
    return {-327.68, 655.35};
}

bool CTolvarProtocol::EncodeSetpoint(double value, bool unsignedDevice, AnsiString& digits)
{
    if (!SetpointRange(unsignedDevice).Contains(value)) return false;
    const auto bits = static_cast<std::uint16_t>(static_cast<std::int64_t>(Hundredths(value)));
    digits = IntToHex(bits, 4);
    return true;
}
