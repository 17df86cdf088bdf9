// A channel's recording without its window: simulated unit -> channel object -> session ->
// series -> recording file, read back with the program's own reader.
#include <QFile>

#include "ChannelTestSupport.h"
#include "app/RecordedDataFile.h"
#include "app/RecordedDataWriter.h"
#include "chart/series/TFastLineSeries.h"

using namespace channeltest;

namespace {

class ChannelSessionTest : public ChannelFixture {};

}  // namespace

TEST_F(ChannelSessionTest, TcpRecordingPollsDrawsAndWritesItsFile)
{
    support::SimulatedUnitLine line;
    support::UnitState state;
    state.internalTemp = 31.25;
    line.AddUnit(state);
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;

    CChannelSession s(3);
    s.Settings.Interface = "TCP/IP";
    s.Settings.IPAddress = "127.000.000.001";
    s.Settings.TCPPort = IntToStr(line.TcpPort());
    support::TestDialogs().QueueFileName(Path("run.CSV"));
    ASSERT_TRUE(s.EstablishConnection());
    ConfirmIdentification(s);
    ASSERT_TRUE(s.IsConnected());
    EXPECT_EQ(s.DataFileBase(), Path("run"));
    EXPECT_EQ(s.FirstPartFileName(), Path("run_31.csv"));
    EXPECT_EQ(s.ValueSeries(0)->GetTitle(), "TIntern [°C]");

    // The first point came with the recording's start; two more ticks add two more.
    TickAfterCycle(s);
    TickAfterCycle(s);
    for (int k = 0; k < ValueSeriesTotal; ++k) {
        if (s.ValueSeries(k)->Tag != 1) continue;
        EXPECT_EQ(s.ValueSeries(k)->Count(), 3) << k;
    }
    EXPECT_DOUBLE_EQ(s.ValueSeries(0)->GetyValue(2), 31.25);
    EXPECT_EQ(s.ValueSeries(22)->Count(), 0);

    bool frames = false;
    for (const auto& f : line.Frames())
        if (f.frame == "[M01G0D******C0\r") frames = true;
    EXPECT_TRUE(frames);

    ASSERT_TRUE(s.Close());
    TRecordedDataRead read = ReadRecordedDataFile(Path("run_31.csv"));
    ASSERT_TRUE(read.Loaded);
    EXPECT_EQ(read.Rows(), 3);
}
