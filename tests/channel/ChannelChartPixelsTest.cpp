// The recording window's chart as the window sets it up (panel gradient, legend with its
// gradient, title and check boxes, the grid bands, the legend's scroll bar, marks), drawn
// with the values of a connected unit, each state pinned by a hash of its pixels. The
// quick paths and the cached backgrounds must give exactly the pictures the general
// drawing gives; a picture drawn after a change (colours, size, legend content, axis
// range) must match the same state drawn in a fresh window.
// NOX_DUMP_CHANNEL_WINDOW_CHARTS=<folder> writes the pictures.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "ChannelTestSupport.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartLegend.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeGradient.h"
#include "chart/series/TFastLineSeries.h"
#include "chart/series/TeeAxisToolTypes.h"
#include "support/ChannelChartScene.h"

using namespace channeltest;

namespace {

struct State {
    const char* name;
    std::uint64_t hash;
    // Brings a window with the recorded points to the state.
    std::function<void(TmdiSubWindow*)> apply;
};

class ChannelChartPixels : public ChannelWindowFixture {
protected:
    void SetUp() override
    {
        ChannelWindowFixture::SetUp();
        support::UnitState unit;
        unit.deviceName = "BATH 7";
        line.AddUnit(unit);
        AnsiString error;
        ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    }
    void TearDown() override
    {
        for (TmdiSubWindow* w : windows) w->Session().Close();
        windows.clear();
        ChannelWindowFixture::TearDown();
        line.Stop();
    }

    // A recording window connected to the unit, with two hours of smooth points in every
    // recorded series and the time axis over the last 30 minutes, at the size the program
    // opens the chart.
    TmdiSubWindow* Recording()
    {
        TmdiSubWindow* w = Open(&TfrmMainWindow::mnuDatenaufzeichnungClick);
        if (!w) return nullptr;
        w->cmbInterface->setCurrentIndex(w->cmbInterface->findText("TCP/IP"));
        w->edPort->setText(QString::number(line.TcpPort()));
        support::TestDialogs().QueueFileName(Path(("rec" + std::to_string(windows.size())).c_str()));
        w->cmdEstablishConnectionClick();
        ConfirmIdentification(w->Session());
        if (!w->IsConnected() || !AwaitCycle(w->Session())) return nullptr;
        w->tmrDataUpdate->stop();
        windows.push_back(w);
        CChannelSession& s = w->Session();
        const double x0 = EncodeDate(2026, 3, 28) + EncodeTime(20, 0, 0, 0);
        for (int k = 0; k < ValueSeriesTotal; ++k) {
            TFastLineSeries* series = s.ValueSeries(k);
            if (!series) continue;
            series->Clear();
            std::vector<double> xs, ys;
            for (int t = 0; t < 7200; ++t) {
                xs.push_back(x0 + t / 86400.0);
                ys.push_back(std::round((5.0 + 3.0 * k + 4.0 * std::sin(t * 6.283 / 2400.0 + k)) * 100.0) / 100.0);
            }
            series->BeginUpdate();
            series->AddXYs(xs.data(), ys.data(), int(xs.size()));
            series->EndUpdate();
        }
        w->graDataGraph->BottomAxis()->SetMinMax(x0 + 5400 / 86400.0, x0 + 7199 / 86400.0);
        w->graDataGraph->resize(899, 447);
        // The file's name carries the channel's number: every window shows the same title.
        w->graDataGraph->GetTitle()->SetText({"BATH 7 / 127.0.0.1", "Current file name: rec.csv"});
        return w;
    }

    static std::uint64_t Picture(TmdiSubWindow* w, const char* name)
    {
        TChart* c = w->graDataGraph;
        c->Invalidate();
        c->PaintWindow();
        const QImage& image = c->WindowImage();
        if (const char* dir = std::getenv("NOX_DUMP_CHANNEL_WINDOW_CHARTS"))
            image.save(QDir(dir).filePath(QString::fromLatin1(name) + ".png"));
        return scene::PixelHash(image);
    }

    static std::string Hex(std::uint64_t h)
    {
        char text[32];
        std::snprintf(text, sizeof text, "0x%016llxull", static_cast<unsigned long long>(h));
        return text;
    }

    support::SimulatedUnitLine line;
    std::vector<TmdiSubWindow*> windows;
};

void NewColours(TmdiSubWindow* w)
{
    TChart* c = w->graDataGraph;
    c->GetGradient()->SetStartColor(0x00E0FFE0);
    c->GetGradient()->SetEndColor(clGray);
    c->GetLegend()->GetGradient()->SetEndColor(0x00C0E0FF);
    c->GetLegend()->GetTitle()->GetGradient()->SetEndColor(clNavy);
}

void Resized(TmdiSubWindow* w)
{
    w->graDataGraph->resize(1203, 640);
}

// The unit's setpoint changes: the legend shows the new value; a series is switched off
// through its check box.
void NewLegend(TmdiSubWindow* w)
{
    w->Session().ValueSeries(4)->SetActive(false);
    w->graDataGraph->GetLegend()->GetTitle()->SetCaption("Reihen");
}

void NewRange(TmdiSubWindow* w)
{
    TChart* c = w->graDataGraph;
    const double last = c->BottomAxis()->GetMaximum();
    c->BottomAxis()->SetMinMax(last - 3600 / 86400.0, last + 60 / 86400.0);
    TmdiSubWindow::SetAxisRange(c->LeftAxis(), -12.5, 77);
}

void NoGradient(TmdiSubWindow* w)
{
    w->SetGradientScheme(false);
}

const State kStates[] = {
    {"opened", 0x02170a5ba1d33a80ull, [](TmdiSubWindow*) {}},
    {"colours", 0x003474eb169ef668ull, NewColours},
    {"resized", 0x1d15d7c40745fcebull, Resized},
    {"legend", 0x1163aec85ba26af9ull, NewLegend},
    {"range", 0x525dc8d88d42d6beull, NewRange},
    {"no_gradient", 0x79486dfd8ea5ee17ull, NoGradient},
};

}  // namespace

// Every state drawn in a window of its own keeps today's pixels.
TEST_F(ChannelChartPixels, EveryStateKeepsItsPixels)
{
    for (const State& s : kStates) {
        TmdiSubWindow* w = Recording();
        ASSERT_NE(w, nullptr);
        s.apply(w);
        const std::uint64_t h = Picture(w, s.name);
        EXPECT_EQ(h, s.hash) << s.name << " now hashes to " << Hex(h);
        w->Session().Close();
    }
}

// A window drawn once, then changed, draws what a fresh window in the changed state draws:
// nothing kept from the first picture shows.
TEST_F(ChannelChartPixels, ChangesAfterAPictureDrawAsAFreshWindow)
{
    for (const State& s : kStates) {
        TmdiSubWindow* w = Recording();
        ASSERT_NE(w, nullptr);
        const std::uint64_t before = Picture(w, "before");
        EXPECT_EQ(before, kStates[0].hash);
        s.apply(w);
        EXPECT_EQ(Picture(w, s.name), s.hash) << s.name;
        // Back at the first state's size the picture does not depend on the size between.
        if (std::string(s.name) == "resized") {
            w->graDataGraph->resize(899, 447);
            EXPECT_EQ(Picture(w, "back"), before);
        }
        w->Session().Close();
    }
}
