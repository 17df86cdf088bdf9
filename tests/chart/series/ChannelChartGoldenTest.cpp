// The channel chart drawn in the variants its users meet, each image pinned by a hash of
// its pixels: the quick drawing paths for one-pixel lines, the grid and the live tick must
// give exactly the images the general paths give. A changed hash means changed pixels;
// look at the image (NOX_DUMP_CHANNEL_CHARTS=<folder> writes them) before accepting it.
#include <gtest/gtest.h>

#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "chart/engine/TAxisGridPen.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeeGradient.h"
#include "support/ChannelChartScene.h"

namespace {

struct Variant {
    const char* name;
    std::uint64_t hash;
    std::function<void(scene::ChannelChart&)> setup;
};

std::uint64_t Draw(const Variant& v)
{
    scene::ChannelChart c(640, 360, 22, 2400);
    // One thicker and one dotted curve take the general drawing path beside the others.
    c.series[3]->GetLinePen()->SetWidth(2);
    c.series[5]->GetLinePen()->SetStyle(psDot);
    v.setup(c);
    const QImage& image = c.Paint();
    if (const char* dir = std::getenv("NOX_DUMP_CHANNEL_CHARTS"))
        image.save(QDir(dir).filePath(QString::fromLatin1(v.name) + ".png"));
    return scene::PixelHash(image);
}

TEST(ChannelChartGolden, EveryVariantKeepsItsPixels)
{
    const Variant variants[] = {
        {"plain", 0x7a174c7fea4928b2ull, [](scene::ChannelChart&) {}},
        {"view3d", 0xcfd53004c4fe3253ull, [](scene::ChannelChart& c) { c.chart.SetView3D(true); }},
        {"gradient", 0x7809715d54537162ull,
         [](scene::ChannelChart& c) {
             c.chart.GetGradient()->SetVisible(true);
             c.chart.GetGradient()->SetStartColor(clSilver);
         }},
        {"dashed_grid", 0xa425517414c79cc2ull,
         [](scene::ChannelChart& c) {
             c.chart.LeftAxis()->GetGrid()->SetStyle(psDash);
             c.chart.BottomAxis()->GetGrid()->SetStyle(psDashDot);
         }},
        {"clipped", 0x92768fe05c88bf7eull, [](scene::ChannelChart& c) { c.chart.LeftAxis()->SetMinMax(60, 140); }},
        {"zoomed", 0x73e7d6e723169927ull, [](scene::ChannelChart& c) { c.ShowLast(300); }},
        // Many points on each pixel column, and curves ending inside the plot.
        {"dense", 0xa5adb85ca494530full,
         [](scene::ChannelChart& c) {
             c.chart.resize(190, 360);
             c.chart.BottomAxis()->SetMinMax(scene::kStartDay, c.LastX() + 300 * scene::kSecond);
         }},
        {"live_tick", 0x06efa72341c71535ull,
         [](scene::ChannelChart& c) {
             c.ShowLast(600);
             c.Paint();
             for (int i = 0; i < 3; ++i) {
                 c.Tick();
                 c.ShowLast(600);
                 c.Paint();
             }
         }},
    };
    for (const Variant& v : variants) {
        const std::uint64_t h = Draw(v);
        char text[32];
        std::snprintf(text, sizeof text, "0x%016llxull", static_cast<unsigned long long>(h));
        EXPECT_EQ(h, v.hash) << v.name << " now hashes to " << text;
    }
}

// A recording's points come in order although their X lists are kept without one: the
// chart then walks only the visible points and must show exactly what walking all of them
// shows, at every zoom (few or many points per pixel column, windows starting between
// two points), for one-pixel and wide pens, and with points drawn over each column's first
// only, as the channel window draws them; with stairs, gaps at nulls and an inverted axis.
TEST(ChannelChartGolden, AppendedInOrderWithoutDeclaredOrderDrawsAsTheFullWalk)
{
    struct View {
        int width;
        double from, to;  // seconds after the first point
    };
    const View views[] = {{640, 2100, 2399},    {640, 1000.5, 1180.25}, {640, 13.3, 2000.7},   {190, 0, 2700},
                          {190, 800.2, 1900.9}, {640, -50, 400},        {640, 2390.5, 2600.5}, {300, 1500.01, 1500.9}};
    for (const bool drawAll : {false, true})
        for (const View& v : views) {
            std::uint64_t hashes[2] = {};
            for (const bool walkAll : {false, true}) {
                scene::ChannelChart c(v.width, 360, 22, 2400);
                c.series[3]->GetLinePen()->SetWidth(3);
                c.series[5]->GetLinePen()->SetStyle(psDot);
                c.series[7]->SetStairs(true);
                c.series[9]->SetIgnoreNulls(false);
                for (int i = 0; i < 2400; i += 37) c.series[9]->SetNull(i);
                c.chart.BottomAxis()->SetInverted(v.width == 300);
                for (TFastLineSeries* s : c.series) {
                    s->XValues()->SetOrder(loNone);
                    s->SetDrawAll(drawAll);
                    s->UseVisibleRange = !walkAll;
                }
                c.chart.BottomAxis()->SetMinMax(scene::kStartDay + v.from * scene::kSecond,
                                                scene::kStartDay + v.to * scene::kSecond);
                hashes[walkAll] = scene::PixelHash(c.Paint());
                if (!walkAll) {
                    const TFastLineSeries* s = c.series[0];
                    EXPECT_TRUE(s->XValues()->IsOrdered());
                    if (v.from > 0) {
                        EXPECT_GT(s->FirstValueIndex, 0) << v.from;
                    }
                    if (v.to < 2399) {
                        EXPECT_LT(s->LastValueIndex, 2399) << v.to;
                    }
                }
            }
            EXPECT_EQ(hashes[0], hashes[1]) << v.width << " " << v.from << ".." << v.to << " draw all " << drawAll;
        }
}

// The visible range of points appended without a declared order, as the recording adds
// them: found by search while they come in order (equal times too), every point once the
// clock stepped back; mark texts are asked for only for the points the range draws.
TEST(ChannelChartGolden, RangeOfPointsAppendedWithoutDeclaredOrder)
{
    scene::ChannelChart c(640, 360, 2, 2400);
    TFastLineSeries* s = c.series[0];
    TFastLineSeries* triples = c.series[1];
    // The second curve holds every time three times.
    triples->Clear();
    for (int i = 0; i < 2400; ++i)
        for (int k = 0; k < 3; ++k) triples->AddXY(scene::kStartDay + (i / 3) * scene::kSecond, 100 + k * 20 + i % 7);
    std::vector<int> asked;
    s->Marks()->SetVisible(true);
    s->OnGetMarkText = [&asked](TChartSeries*, int index, AnsiString& text) {
        asked.push_back(index);
        text.clear();
    };
    const auto paint = [&](double from, double to, bool walkAll) {
        for (TFastLineSeries* line : c.series) {
            line->XValues()->SetOrder(loNone);
            line->SetDrawAll(false);
            line->UseVisibleRange = !walkAll;
        }
        c.chart.BottomAxis()->SetMinMax(scene::kStartDay + from * scene::kSecond,
                                        scene::kStartDay + to * scene::kSecond);
        asked.clear();
        return scene::PixelHash(c.Paint());
    };

    const std::uint64_t walked = paint(300.5, 700.5, true);
    EXPECT_EQ(asked.size(), 2400u);
    EXPECT_EQ(paint(300.5, 700.5, false), walked);
    EXPECT_TRUE(s->XValues()->IsOrdered());
    EXPECT_TRUE(triples->XValues()->IsOrdered());
    // A few points beyond each edge at most, the walk starting on a column's first point.
    EXPECT_GT(s->FirstValueIndex, 290);
    EXPECT_LE(s->FirstValueIndex, 301);
    EXPECT_GE(s->LastValueIndex, 701);
    EXPECT_LT(s->LastValueIndex, 712);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.front(), s->FirstValueIndex);
    EXPECT_EQ(asked.back(), s->LastValueIndex);
    EXPECT_EQ(asked.size(), std::size_t(s->LastValueIndex - s->FirstValueIndex + 1));
    const int start = triples->FirstValueIndex - 1;  // the point the walk moves to
    EXPECT_GT(start, 800);
    EXPECT_EQ(triples->CalcXPos(start - 1) == triples->CalcXPos(start), false);

    // The newest points share their time: the last of them is still drawn.
    c.Tick();
    s->AddXY(c.LastX(), 50);
    s->AddXY(c.LastX(), 60);
    paint(2000, 2400, false);
    EXPECT_TRUE(s->XValues()->IsOrdered());
    EXPECT_EQ(s->LastValueIndex, s->Count() - 1);

    // The clock stepped back: every point is walked, and drawn as the whole walk draws it.
    s->AddXY(c.LastX() - 100 * scene::kSecond, 250);
    const std::uint64_t steppedBack = paint(300.5, 700.5, true);
    EXPECT_EQ(paint(300.5, 700.5, false), steppedBack);
    EXPECT_FALSE(s->XValues()->IsOrdered());
    EXPECT_EQ(s->FirstValueIndex, 0);
    EXPECT_EQ(s->LastValueIndex, s->Count() - 1);
    EXPECT_EQ(asked.size(), std::size_t(s->Count()));
}

}  // namespace
