// Optimisation keeps every displayed screen of an animation and makes redundant pictures
// smaller: colour tables by use, one global table, merged and cropped frames, cleanup.
#include <gtest/gtest.h>

#include "chart/storage/TGIFImage.h"

namespace {

using Screen = std::vector<QRgb>;
constexpr QRgb kBackground = 0x00123456;  // not a colour of any test frame

// The screens an animation shows, one after each frame, with repeated screens dropped
// (a frame that changes nothing may be optimised away).
std::vector<Screen> Screens(TGIFImage& gif)
{
    const int w = gif.GetWidth();
    const int h = gif.GetHeight();
    Screen screen(std::size_t(w * h), kBackground);
    std::vector<Screen> shown;
    for (int i = 0; i < gif.Images()->GetCount(); ++i) {
        TGIFSubImage* f = gif.Images()->GetImage(i);
        const Screen before = screen;
        const TGIFGraphicControlExtension* gce = f->GetGraphicControlExtension();
        const int t = gce && gce->GetTransparent() ? gce->GetTransparentColorIndex() : -1;
        TGIFColorMap* map = f->ActiveColorMap();
        for (int y = 0; !f->GetEmpty() && y < f->GetHeight(); ++y)
            for (int x = 0; x < f->GetWidth(); ++x) {
                const int p = f->GetPixel(x, y);
                if (p == t) continue;
                const TGIFColor c = map->Data()[p];
                screen[std::size_t((f->GetTop() + y) * w + f->GetLeft() + x)] = qRgb(c.Red, c.Green, c.Blue);
            }
        if (shown.empty() || shown.back() != screen) shown.push_back(screen);
        const TDisposalMethod d = gce ? gce->GetDisposal() : dmNone;
        for (int y = 0; !f->GetEmpty() && y < f->GetHeight(); ++y)
            for (int x = 0; x < f->GetWidth(); ++x) {
                const std::size_t at = std::size_t((f->GetTop() + y) * w + f->GetLeft() + x);
                if (d == dmBackground) screen[at] = kBackground;
                if (d == dmPrevious) screen[at] = before[at];
            }
    }
    return shown;
}

std::int64_t FileSize(TGIFImage& gif)
{
    TMemoryStream m;
    gif.SaveToStream(&m);
    return m.GetSize();
}

TGIFSubImage* AddFrame(TGIFImage& gif, TRect r, const std::vector<TColor>& local,
                       const std::function<int(int, int)>& index)
{
    auto* f = new TGIFSubImage(&gif);
    gif.Add(f);
    f->SetBoundsRect(r);
    for (TColor c : local) f->ColorMap()->Add(c);
    for (int y = 0; y < f->GetHeight(); ++y)
        for (int x = 0; x < f->GetWidth(); ++x) f->SetPixel(x, y, std::uint8_t(index(x, y)));
    return f;
}

TGIFGraphicControlExtension* AddGCE(TGIFSubImage* f, int delay, TDisposalMethod d = dmNone, int transparent = -1)
{
    auto* gce = new TGIFGraphicControlExtension(f);
    f->Extensions()->Add(gce);
    gce->SetDelay(delay);
    gce->SetDisposal(d);
    if (transparent >= 0) {
        gce->SetTransparent(true);
        gce->SetTransparentColorIndex(transparent);
    }
    return gce;
}

const unsigned kAll = (1u << ooCrop) | (1u << ooMerge) | (1u << ooCleanup) | (1u << ooColorMap);

TEST(GIFOptimize, ColourTablesAreSortedByUseAndLoseUnusedColoursOnlyWhenReordered)
{
    const std::vector<TColor> colours = {clRed, clLime, clBlue, clYellow, clAqua};
    {
        // Uses 5, 3, 1, 0, 0: already in order, the unused colours stay.
        TGIFImage gif;
        AddFrame(gif, Bounds(0, 0, 9, 1), colours, [](int x, int) { return x < 5 ? 0 : x < 8 ? 1 : 2; });
        EXPECT_TRUE(gif.Images()->GetImage(0)->ColorMap()->Optimize());
        EXPECT_EQ(gif.Images()->GetImage(0)->ColorMap()->GetCount(), 5);
    }
    TGIFImage gif;
    TGIFSubImage* f = AddFrame(gif, Bounds(0, 0, 9, 1), colours, [](int x, int) { return x < 1 ? 0 : x < 4 ? 3 : 1; });
    AddGCE(f, 0, dmNone, 3);
    const auto screens = Screens(gif);
    EXPECT_TRUE(f->ColorMap()->Optimize());
    EXPECT_TRUE(f->ColorMap()->GetOptimized());
    ASSERT_EQ(f->ColorMap()->GetCount(), 3);  // lime 5, yellow 3, red 1
    EXPECT_EQ(f->ColorMap()->GetColor(0), clLime);
    EXPECT_EQ(f->GetGraphicControlExtension()->GetTransparentColorIndex(), 1);
    EXPECT_EQ(Screens(gif), screens);
    // The global table keeps the background colour even when no pixel uses it.
    TGIFImage g;
    for (TColor c : colours) g.GlobalColorMap()->Add(c);
    g.SetBackgroundColorIndex(4);
    AddFrame(g, Bounds(0, 0, 3, 1), {}, [](int x, int) { return x ? 2 : 1; });
    EXPECT_TRUE(g.GlobalColorMap()->Optimize());
    EXPECT_EQ(g.GlobalColorMap()->GetCount(), 5);
    EXPECT_EQ(g.GetBackgroundColor(), clAqua);
    // A table of one colour, and the global table of an image without frames, stay.
    TGIFImage empty;
    empty.GlobalColorMap()->Add(clRed);
    empty.GlobalColorMap()->Add(clBlue);
    EXPECT_FALSE(empty.GlobalColorMap()->Optimize());
}

TEST(GIFOptimize, OneGlobalTableHoldsEachColourOnceByTotalUse)
{
    TGIFImage gif;
    AddFrame(gif, Bounds(0, 0, 4, 2), {clRed, clBlue, clWhite}, [](int x, int y) { return y == 0 ? 1 : x % 3; });
    AddFrame(gif, Bounds(0, 0, 4, 2), {clBlue, clBlack}, [](int x, int) { return x == 0; });
    gif.SetBackgroundColor(clWhite);
    const auto screens = Screens(gif);
    gif.OptimizeColorMap();
    EXPECT_EQ(gif.GetBackgroundColor(), clWhite);
    ASSERT_EQ(gif.GlobalColorMap()->GetCount(), 4);
    EXPECT_EQ(gif.GlobalColorMap()->GetColor(0), clBlue);  // 5 + 6 uses
    EXPECT_TRUE(gif.GlobalColorMap()->GetOptimized());
    for (int i = 0; i < 2; ++i) EXPECT_EQ(gif.Images()->GetImage(i)->ColorMap()->GetCount(), 0);
    EXPECT_EQ(Screens(gif), screens);

    // 300 colours over two frames, one of them transparent: 255 kept by use, black last as
    // the transparent colour, the rest drawn to the nearest kept colour.
    TGIFImage many;
    std::vector<TColor> a, b;
    for (int i = 0; i < 150; ++i) {
        a.push_back(RGB(i, 0, 0));
        b.push_back(RGB(0, i + 1, 200));
    }
    AddFrame(many, Bounds(0, 0, 150, 3), a, [](int x, int y) { return y == 0 || x < 100 ? x : 0; });
    TGIFSubImage* f2 = AddFrame(many, Bounds(0, 0, 150, 2), b, [](int x, int y) { return y == 0 ? x : 149; });
    b.push_back(clBlack);
    f2->ColorMap()->Add(clBlack);
    f2->SetPixel(0, 1, 150);
    AddGCE(f2, 0, dmNone, 150);
    many.OptimizeColorMap();
    ASSERT_EQ(many.GlobalColorMap()->GetCount(), 256);
    EXPECT_EQ(many.GlobalColorMap()->GetColor(255), clBlack);
    EXPECT_EQ(f2->GetGraphicControlExtension()->GetTransparentColorIndex(), 255);
    EXPECT_EQ(f2->GetPixel(0, 1), 255);
    EXPECT_EQ(many.GlobalColorMap()->GetColor(f2->GetPixel(149, 1)), RGB(0, 150, 200));

    // The nearest colour is the one with the smallest sum of channel distances: pure green
    // goes to dark green, not to pure red or pure blue (whose signed differences cancel).
    TGIFImage green;
    std::vector<TColor> kept = {RGB(255, 0, 0), RGB(0, 200, 0)};
    for (int k = 2; k < 256; ++k) kept.push_back(RGB(0, 0, k));
    AddFrame(green, Bounds(0, 0, 512, 1), kept, [](int x, int) { return x / 2; });
    TGIFSubImage* single = AddFrame(green, Bounds(0, 0, 1, 1), {RGB(0, 255, 0)}, [](int, int) { return 0; });
    green.OptimizeColorMap();
    EXPECT_EQ(green.GlobalColorMap()->GetColor(single->GetPixel(0, 0)), RGB(0, 200, 0));
}

TEST(GIFOptimize, RedundantFramesShrinkWhileEveryScreenStaysTheSame)
{
    const std::vector<TColor> colours = {clWhite, clNavy, clRed, clGreen};
    const auto chart = [](int x, int y) { return (y % 10 == 0 || x % 25 == 0) ? 1 : 0; };
    TGIFImage gif;
    AddGCE(AddFrame(gif, Bounds(0, 0, 120, 80), colours, chart), 10);
    gif.Images()->GetImage(0)->Extensions()->Add(new TGIFAppExtNSLoop(gif.Images()->GetImage(0)));
    // The same picture with a curve growing, then an unchanged copy, then a comment.
    for (int k = 1; k <= 3; ++k)
        AddGCE(AddFrame(gif, Bounds(0, 0, 120, 80), colours,
                        [&](int x, int y) { return (x < 30 * k && y == 40 + x / 10) ? 2 : chart(x, y); }),
               10);
    AddGCE(AddFrame(gif, Bounds(0, 0, 120, 80), colours,
                    [&](int x, int y) { return (x < 90 && y == 40 + x / 10) ? 2 : chart(x, y); }),
           10);
    auto* comment = new TGIFCommentExtension(gif.Images()->GetImage(2));
    comment->Text = {"made by a test"};
    gif.Images()->GetImage(2)->Extensions()->Add(comment);

    const auto screens = Screens(gif);
    const std::int64_t before = FileSize(gif);
    gif.Optimize(kAll, rmNone, dmNearest, 8);
    EXPECT_EQ(Screens(gif), screens);
    EXPECT_LT(FileSize(gif), before);
    // The unchanged copy is gone, its delay went to the frame before it.
    ASSERT_EQ(gif.Images()->GetCount(), 4);
    EXPECT_EQ(gif.Images()->GetImage(3)->GetGraphicControlExtension()->GetDelay(), 20);
    EXPECT_LT(gif.Images()->GetImage(2)->GetWidth(), 120);  // only the new piece of curve
    EXPECT_EQ(gif.Images()->GetImage(2)->Extensions()->GetCount(), 1);
    EXPECT_TRUE(dynamic_cast<TGIFAppExtNSLoop*>(gif.Images()->GetImage(0)->Extensions()->GetExtension(1)));

    // Read back from the file, the screens are still the same.
    TMemoryStream m;
    gif.SaveToStream(&m);
    m.SetPosition(0);
    TGIFImage back;
    back.LoadFromStream(&m);
    EXPECT_EQ(Screens(back), screens);
}

TEST(GIFOptimize, CleanupKeepsWhatChangesTheLook)
{
    {
        // A single frame loses a graphic control extension that changes nothing.
        TGIFImage gif;
        AddGCE(AddFrame(gif, Bounds(0, 0, 3, 3), {clRed, clBlue}, [](int x, int) { return x & 1; }), 0);
        gif.Optimize(1u << ooCleanup, rmNone, dmNearest, 8);
        EXPECT_EQ(gif.Images()->GetImage(0)->Extensions()->GetCount(), 0);
    }
    // A frame disposed to background stays so unless the next frame covers it whole.
    TGIFImage gif;
    AddGCE(AddFrame(gif, Bounds(0, 0, 10, 10), {clRed, clBlue}, [](int, int) { return 0; }), 5, dmBackground);
    AddGCE(AddFrame(gif, Bounds(2, 2, 4, 4), {clRed, clBlue}, [](int, int) { return 1; }), 5, dmBackground);
    AddGCE(AddFrame(gif, Bounds(0, 0, 10, 10), {clRed, clBlue}, [](int x, int) { return x & 1; }), 5);
    const auto screens = Screens(gif);
    gif.Optimize(kAll, rmNone, dmNearest, 8);
    EXPECT_EQ(Screens(gif), screens);
    EXPECT_EQ(gif.Images()->GetImage(0)->GetGraphicControlExtension()->GetDisposal(), dmBackground);
    EXPECT_EQ(gif.Images()->GetImage(1)->GetGraphicControlExtension()->GetDisposal(), dmNone);

    // Colour reduction to a palette is refused before anything changes; an empty image is
    // left alone.
    const std::int64_t size = FileSize(gif);
    try {
        gif.Optimize(kAll | (1u << ooReduceColors), rmPalette, dmNearest, 8);
        ADD_FAILURE();
    } catch (const GIFException& e) {
        EXPECT_EQ(e.Message, "Invalid reduction method");
    }
    EXPECT_EQ(FileSize(gif), size);
    TGIFImage none;
    none.Optimize(kAll, rmPalette, dmNearest, 8);
    EXPECT_TRUE(none.GetEmpty());
}

TEST(GIFOptimize, MergedFramesBorrowNoTransparentIndexTheyDraw)
{
    TGIFImage gif;
    for (TColor c : {clWhite, clRed, clBlue}) gif.GlobalColorMap()->Add(c);
    TGIFSubImage* f0 = AddFrame(gif, Bounds(0, 0, 4, 1), {}, [](int x, int) { return std::min(x, 2); });
    AddGCE(f0, 5, dmNone, 2);
    TGIFSubImage* f1 = AddFrame(gif, Bounds(0, 0, 4, 1), {}, [](int x, int) { return x % 3; });
    const auto screens = Screens(gif);
    gif.Optimize(1u << ooMerge, rmNone, dmNearest, 8);
    EXPECT_EQ(Screens(gif), screens);
    ASSERT_TRUE(f1->GetGraphicControlExtension());
    EXPECT_EQ(f1->GetGraphicControlExtension()->GetTransparentColorIndex(), 3);  // black, added
    EXPECT_EQ(f1->PixelData(), (std::vector<std::uint8_t>{3, 3, 2, 0}));
}

TEST(GIFOptimize, PackMovesTheOnlyFramesTableToTheGlobalTable)
{
    TGIFImage gif;
    TGIFSubImage* f = AddFrame(gif, Bounds(0, 0, 2, 2), {clRed, clBlue, clLime}, [](int x, int y) { return x + y; });
    const auto screens = Screens(gif);
    gif.Pack();
    EXPECT_EQ(gif.GlobalColorMap()->GetCount(), 3);
    EXPECT_EQ(f->ColorMap()->GetCount(), 0);
    EXPECT_EQ(Screens(gif), screens);
}

}  // namespace
