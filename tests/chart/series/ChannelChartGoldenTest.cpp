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

}  // namespace
