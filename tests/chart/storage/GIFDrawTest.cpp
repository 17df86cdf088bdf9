// Drawing GIF frames and playing animations: frame geometry (scaled and tiled), masks,
// the four disposal methods composed over several frames, loop counts, frame delays and
// speed, and painter threads that end promptly. Frame delays never pass in real time:
// the painters' delays go through a hook that advances a manual clock.
#include <gtest/gtest.h>

#include <chrono>

#include "chart/storage/TGIFImage.h"
#include "chart/storage/TGIFPainter.h"
#include "platform/DateTime.h"
#include "platform/TCanvas.h"
#include "platform/UiDispatcher.h"

namespace {

constexpr TColor kGray = TColor(0x808080);
const std::vector<TColor> kColors = {clRed, clLime, clBlue, clYellow, clWhite};
enum { R, L, B, Y, W };

TGIFDrawOptions Opts(std::initializer_list<TGIFDrawOption> list)
{
    TGIFDrawOptions o = 0;
    for (TGIFDrawOption x : list) o |= GIFDrawOption(x);
    return o;
}

void MakeScreen(TGIFImage& gif, int w, int h)
{
    gif.SetWidth(w);
    gif.SetHeight(h);
    for (TColor c : kColors) gif.GlobalColorMap()->Add(c);
}

TGIFSubImage* AddFrame(TGIFImage& gif, TRect r, int fill, int delay = 0, TDisposalMethod d = dmNone)
{
    auto* f = new TGIFSubImage(&gif);
    gif.Add(f);
    f->SetBoundsRect(r);
    for (int y = 0; y < f->GetHeight(); ++y)
        for (int x = 0; x < f->GetWidth(); ++x) f->SetPixel(x, y, std::uint8_t(fill));
    auto* gce = new TGIFGraphicControlExtension(f);
    f->Extensions()->Add(gce);
    gce->SetDelay(delay);
    gce->SetDisposal(d);
    return f;
}

void MakeTransparent(TGIFSubImage* f, int index)
{
    f->GetGraphicControlExtension()->SetTransparent(true);
    f->GetGraphicControlExtension()->SetTransparentColorIndex(index);
}

std::unique_ptr<TBitmap> Target(int w, int h)
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(w, h);
    b->Image().fill(0xFF000000u | TColorToQRgb(kGray));
    return b;
}

TColor At(TBitmap& b, int x, int y)
{
    return QRgbToTColor(b.Image().pixel(x, y) & 0xFFFFFF);
}

std::vector<TColor> Row(TBitmap& b, int y = 0)
{
    std::vector<TColor> r;
    for (int x = 0; x < b.GetWidth(); ++x) r.push_back(At(b, x, y));
    return r;
}

// Installs a manual clock and a delay hook that records each wait and lets exactly that
// much time pass.
struct SteppedTime {
    platform::ManualClock clock;
    std::vector<int> waits;
    std::mutex mutex;
    SteppedTime()
    {
        platform::SetClock(&clock);
        GIFPainterDelay = [this](TGIFPainter*, int ms) {
            std::lock_guard<std::mutex> l(mutex);
            waits.push_back(ms);
            if (ms > 0) clock.AdvanceMs(ms);
            return false;
        };
    }
    ~SteppedTime()
    {
        GIFPainterDelay = nullptr;
        platform::SetClock(nullptr);
    }
};

// Plays the image once in the caller's thread and answers the target row after each frame.
std::vector<std::vector<TColor>> Play(TGIFImage& gif, TBitmap& target, TGIFDrawOptions o)
{
    SteppedTime time;
    std::vector<std::vector<TColor>> shots;
    gif.OnAfterPaint = [&](TGIFPainter*) { shots.push_back(Row(target)); };
    gif.Paint(target.Canvas(), Rect(0, 0, target.GetWidth(), target.GetHeight()), o);
    return shots;
}

using Rows = std::vector<std::vector<TColor>>;

}  // namespace

TEST(GIFDraw, FrameGeometryScaledAndTiled)
{
    TGIFImage gif;
    MakeScreen(gif, 100, 50);
    TGIFSubImage* f = AddFrame(gif, Rect(10, 0, 40, 20), B);
    EXPECT_EQ(f->ScaleRect(Rect(0, 0, 200, 100)), Rect(20, 0, 80, 40));

    auto scaled = Target(200, 100);
    f->Draw(scaled->Canvas(), Rect(0, 0, 200, 100), false, false);
    EXPECT_EQ(At(*scaled, 20, 0), clBlue);
    EXPECT_EQ(At(*scaled, 79, 39), clBlue);
    EXPECT_EQ(At(*scaled, 80, 39), kGray);
    EXPECT_EQ(At(*scaled, 19, 0), kGray);

    // Tiles at x 10 and 110, y 0 and 50, each at the frame's own size, in column order.
    auto tiled = Target(200, 100);
    f->Draw(tiled->Canvas(), Rect(0, 0, 200, 100), false, true);
    for (TPoint p : {TPoint{10, 0}, TPoint{110, 0}, TPoint{10, 50}, TPoint{110, 50}}) {
        EXPECT_EQ(At(*tiled, p.X, p.Y), clBlue);
        EXPECT_EQ(At(*tiled, p.X + 29, p.Y + 19), clBlue);
        EXPECT_EQ(At(*tiled, p.X + 30, p.Y + 19), kGray);
        EXPECT_EQ(At(*tiled, p.X + 29, p.Y + 20), kGray);
    }
    EXPECT_EQ(At(*tiled, 9, 0), kGray);

    // A tile that starts inside the rectangle is drawn whole past its edge; one that would
    // start at the edge is not drawn.
    auto edge = Target(200, 100);
    f->Draw(edge->Canvas(), Rect(0, 0, 120, 50), false, true);
    EXPECT_EQ(At(*edge, 139, 19), clBlue);
    EXPECT_EQ(At(*edge, 110, 50), kGray);
}

TEST(GIFDraw, TransparentPixelsLeaveTheTargetAndMasksExistOnlyWhenUsed)
{
    TGIFImage gif;
    MakeScreen(gif, 4, 2);
    TGIFSubImage* f = AddFrame(gif, Rect(0, 0, 4, 2), R);
    f->SetPixel(1, 0, Y);
    f->SetPixel(2, 1, Y);
    MakeTransparent(f, Y);
    ASSERT_TRUE(f->HasMask());

    for (int scale : {1, 3}) {
        auto t = Target(4 * scale, 2 * scale);
        TCanvas* c = t->Canvas();
        c->SetTextColor(clNavy);
        c->SetBkColor(clTeal);
        f->Draw(c, Rect(0, 0, 4 * scale, 2 * scale), true, false);
        EXPECT_EQ(c->GetTextColor(), clNavy);
        EXPECT_EQ(c->GetBkColor(), clTeal);
        for (int y = 0; y < 2 * scale; ++y)
            for (int x = 0; x < 4 * scale; ++x) {
                const bool hole = (x / scale == 1 && y / scale == 0) || (x / scale == 2 && y / scale == 1);
                EXPECT_EQ(At(*t, x, y), hole ? kGray : clRed) << scale << " " << x << "," << y;
            }
        // Without Transparent the pixels show their own colour.
        f->Draw(c, Rect(0, 0, 4 * scale, 2 * scale), false, false);
        EXPECT_EQ(At(*t, scale, 0), clYellow);
    }

    // Changing the pixels or the transparent index rebuilds the mask.
    f->SetPixel(1, 0, R);
    f->SetPixel(2, 1, R);
    EXPECT_FALSE(f->HasMask());
    auto t = Target(4, 2);
    f->Draw(t->Canvas(), Rect(0, 0, 4, 2), true, false);
    EXPECT_EQ(Row(*t, 0), std::vector<TColor>(4, clRed));
    f->GetGraphicControlExtension()->SetTransparentColorIndex(R);
    EXPECT_TRUE(f->HasMask());
}

TEST(GIFDraw, DisposalMethodsComposeExactPixels)
{
    // Frame 0 fills the 3 x 1 screen red, frame 1 puts lime at x 1, frame 2 blue at x 2.
    auto play = [](TDisposalMethod d0, TDisposalMethod d1, TGIFDrawOptions extra = 0) {
        TGIFImage gif;
        MakeScreen(gif, 3, 1);
        gif.DrawBackgroundColor = clWhite;
        AddFrame(gif, Rect(0, 0, 3, 1), R, 5, d0);
        AddFrame(gif, Rect(1, 0, 2, 1), L, 5, d1);
        AddFrame(gif, Rect(2, 0, 3, 1), B, 5, dmNone);
        auto target = Target(3, 1);
        return Play(gif, *target, Opts({goAnimate}) | extra);
    };
    const TColor r = clRed, l = clLime, b = clBlue, w = clWhite, g = kGray;
    EXPECT_EQ(play(dmNone, dmNone), (Rows{{r, r, r}, {r, l, r}, {r, l, b}}));
    EXPECT_EQ(play(dmNoDisposal, dmNoDisposal), (Rows{{r, r, r}, {r, l, r}, {r, l, b}}));
    // Background: the frame's area returns to the background colour, or with goTransparent
    // to what the canvas showed before the animation.
    EXPECT_EQ(play(dmNone, dmBackground), (Rows{{r, r, r}, {r, l, r}, {r, w, b}}));
    EXPECT_EQ(play(dmNone, dmBackground, Opts({goTransparent})), (Rows{{r, r, r}, {r, l, r}, {r, g, b}}));
    // Previous: the next frame sees the state before the frame.
    EXPECT_EQ(play(dmNone, dmPrevious), (Rows{{r, r, r}, {r, l, r}, {r, r, b}}));
    EXPECT_EQ(play(dmBackground, dmPrevious), (Rows{{r, r, r}, {w, l, w}, {w, w, b}}));
}

TEST(GIFDraw, TransparentFramesOverBuffersKeepWhatIsBeneath)
{
    TGIFImage gif;
    MakeScreen(gif, 3, 1);
    gif.DrawBackgroundColor = clWhite;
    AddFrame(gif, Rect(0, 0, 3, 1), R, 5, dmBackground);
    TGIFSubImage* f1 = AddFrame(gif, Rect(0, 0, 3, 1), L, 5, dmNone);
    f1->SetPixel(0, 0, Y);
    MakeTransparent(f1, Y);
    auto target = Target(3, 1);
    const TColor r = clRed, l = clLime, g = kGray;
    EXPECT_EQ(Play(gif, *target, Opts({goAnimate, goTransparent})), (Rows{{r, r, r}, {g, l, l}}));
}

TEST(GIFDraw, LoopCountsAndFrameOrder)
{
    auto run = [](int loops, TGIFDrawOptions o, int* loopEvents = nullptr) {
        TGIFImage gif;
        MakeScreen(gif, 3, 1);
        for (int i = 0; i < 3; ++i) AddFrame(gif, Rect(i, 0, i + 1, 1), i, 5);
        TGIFSubImage* f1 = gif.Images()->GetImage(1);
        auto* loop = new TGIFAppExtNSLoop(f1);
        loop->Loops = loops;
        f1->Extensions()->Insert(0, loop);
        std::vector<int> frames;
        std::atomic<int> loopsSeen{0};
        std::atomic<bool> ended{false};
        gif.OnPaint = [&](TGIFPainter* p) { frames.push_back(p->GetActiveImage()); };
        gif.OnLoop = [&](TGIFPainter*) { ++loopsSeen; };
        gif.OnEndPaint = [&](TGIFPainter*) { ended = true; };
        auto target = Target(3, 1);
        SteppedTime time;
        gif.Paint(target->Canvas(), Rect(0, 0, 3, 1), o);
        if (o & GIFDrawOption(goAsync)) {
            // Endless animations are stopped once they have repeated a while.
            platform::UiDispatcher::Instance().WaitRunning([&] { return ended.load() || frames.size() >= 20; }, 5000);
            gif.PaintStop();
        }
        EXPECT_TRUE(ended);
        EXPECT_EQ(gif.PainterCount(), 0);
        if (loopEvents) *loopEvents = loopsSeen;
        return frames;
    };
    int loopEvents = 0;
    // Loops 3: the frames from the loop extension's frame on play 3 times in all.
    EXPECT_EQ(run(3, Opts({goAnimate, goLoop}), &loopEvents), (std::vector<int>{0, 1, 2, 1, 2, 1, 2}));
    EXPECT_EQ(loopEvents, 2);
    EXPECT_EQ(run(3, Opts({goAsync, goAnimate, goLoop})), (std::vector<int>{0, 1, 2, 1, 2, 1, 2}));
    // Without goLoop, and with Loops 0 in the caller's thread: once.
    EXPECT_EQ(run(3, Opts({goAnimate})), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(run(0, Opts({goAnimate, goLoop})), (std::vector<int>{0, 1, 2}));
    // Endless repetition cannot run in the caller's thread: the loop count holds there.
    EXPECT_EQ(run(2, Opts({goAnimate, goLoop, goLoopContinously})), (std::vector<int>{0, 1, 2, 1, 2}));
    // Loops 0 on a thread of its own repeats until stopped.
    EXPECT_GE(run(0, Opts({goAsync, goAnimate, goLoop})).size(), 20u);
    // Without goAnimate only the first frame.
    EXPECT_EQ(run(3, Opts({goLoop})), (std::vector<int>{0}));
}

TEST(GIFDraw, FrameDelaysAndSpeed)
{
    auto waits = [](TGIFDrawOptions o, int speed, std::function<void(platform::ManualClock&)> duringPaint = {}) {
        TGIFImage gif;
        MakeScreen(gif, 4, 1);
        const int delays[] = {0, 1, 2000, 5};
        for (int i = 0; i < 4; ++i) AddFrame(gif, Rect(i, 0, i + 1, 1), i, delays[i]);
        gif.SetAnimationSpeed(speed);
        SteppedTime time;
        std::vector<int> seen;
        gif.OnPaint = [&](TGIFPainter* p) {
            seen.push_back(p->LastWait());
            if (duringPaint) duringPaint(time.clock);
        };
        auto target = Target(4, 1);
        gif.Paint(target->Canvas(), Rect(0, 0, 4, 1), o);
        if (o & GIFDrawOption(goAsync)) {
            EXPECT_TRUE(platform::UiDispatcher::Instance().WaitRunning([&] { return gif.PainterCount() == 0; }, 5000));
        } else {
            // Waits in the caller's thread are spent in steps of at most 100 ms.
            for (int w : time.waits) EXPECT_LE(w, 100);
        }
        return seen;
    };
    // The first frame follows a minimal delay; 0 plays as 10, 1 as 3, 2000 as 1000 in the
    // caller's thread and as 2000 on a thread; 12 ms per hundredth at speed 100.
    EXPECT_EQ(waits(Opts({goAnimate}), 100), (std::vector<int>{12, 120, 36, 12000}));
    EXPECT_EQ(waits(Opts({goAnimate, goAsync}), 100), (std::vector<int>{0, 120, 36, 24000}));
    EXPECT_EQ(waits(Opts({goAnimate, goAsync}), 200), (std::vector<int>{0, 60, 18, 12000}));
    // Half the time a frame took beyond its wait is taken off the next wait.
    EXPECT_EQ(waits(Opts({goAnimate, goAsync}), 100, [](platform::ManualClock& c) { c.AdvanceMs(40); }),
              (std::vector<int>{0, 100, 16, 23980}));
}

TEST(GIFDraw, PaintersStopAndJoinPromptly)
{
    using namespace std::chrono;
    auto& ui = platform::UiDispatcher::Instance();
    for (bool destroy : {false, true}) {
        auto gif = std::make_unique<TGIFImage>();
        MakeScreen(*gif, 2, 1);
        AddFrame(*gif, Rect(0, 0, 1, 1), R, 2000);  // 24 s per frame, in real time
        AddFrame(*gif, Rect(1, 0, 2, 1), L, 2000);
        std::atomic<int> painted{0};
        gif->OnPaint = [&](TGIFPainter*) { ++painted; };
        auto target = Target(2, 1);
        gif->Paint(target->Canvas(), Rect(0, 0, 2, 1), Opts({goAsync, goAnimate, goLoop}));
        ASSERT_TRUE(ui.WaitRunning([&] { return painted.load() == 1; }, 5000));
        const auto t0 = steady_clock::now();
        if (destroy)
            gif.reset();
        else
            gif->PaintStop();
        EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - t0).count(), 3000);
        if (!destroy) {
            EXPECT_EQ(gif->PainterCount(), 0);
        }
        EXPECT_EQ(painted.load(), 1);
    }
}

TEST(GIFDraw, DrawShowsFirstFrameOrStartsAnAnimation)
{
    SteppedTime time;
    TGIFImage gif;
    MakeScreen(gif, 2, 1);
    AddFrame(gif, Rect(0, 0, 2, 1), R, 5);
    // One frame: drawn at once, without a thread, whatever the options.
    auto one = Target(2, 1);
    gif.Paint(one->Canvas(), Rect(0, 0, 2, 1), Opts({goAsync, goAnimate, goLoop}));
    EXPECT_EQ(gif.PainterCount(), 0);
    EXPECT_EQ(Row(*one), (std::vector<TColor>{clRed, clRed}));

    AddFrame(gif, Rect(1, 0, 2, 1), L, 5);
    std::atomic<bool> ended{false};
    gif.OnEndPaint = [&](TGIFPainter*) { ended = true; };
    gif.SetDrawOptions(Opts({goAsync, goAnimate}));
    auto target = Target(2, 1);
    gif.Draw(target->Canvas(), Rect(0, 0, 2, 1));
    ASSERT_NE(gif.GetPainter(), nullptr);
    ASSERT_TRUE(platform::UiDispatcher::Instance().WaitRunning([&] { return ended.load(); }, 5000));
    // The painter drew onto the composite bitmap; Draw shows it.
    gif.Draw(target->Canvas(), Rect(0, 0, 2, 1));
    EXPECT_EQ(Row(*target), (std::vector<TColor>{clRed, clLime}));
    gif.Clear();
    EXPECT_EQ(gif.PainterCount(), 0);
    EXPECT_EQ(gif.GetPainter(), nullptr);
}

TEST(GIFDraw, DamagedFramesDrawWhatTheyCan)
{
    TGIFImage gif;
    MakeScreen(gif, 3, 1);
    // Indices beyond the colour table show its first colour.
    TGIFSubImage* f = AddFrame(gif, Rect(0, 0, 3, 1), L);
    f->SetPixel(1, 0, 200);
    auto t = Target(3, 1);
    f->Draw(t->Canvas(), Rect(0, 0, 3, 1), true, false);
    EXPECT_EQ(Row(*t), (std::vector<TColor>{clLime, clRed, clLime}));

    // A frame without any colours cannot be drawn; the animation passes over it.
    TGIFImage bare;
    bare.SetWidth(2);
    bare.SetHeight(1);
    AddFrame(bare, Rect(0, 0, 1, 1), 0, 5);
    TGIFSubImage* second = AddFrame(bare, Rect(1, 0, 2, 1), 1, 5);
    EXPECT_THROW(bare.Images()->GetImage(0)->GetBitmap(), GIFException);
    second->ColorMap()->Add(clBlack);
    second->ColorMap()->Add(clBlue);
    auto target = Target(2, 1);
    EXPECT_EQ(Play(bare, *target, Opts({goAnimate})), (Rows{{kGray, kGray}, {kGray, clBlue}}));
}

TEST(GIFDraw, DitheringGivesWebColoursAndKeepsTransparency)
{
    TGIFImage gif;
    MakeScreen(gif, 4, 2);
    const int dark = gif.GlobalColorMap()->Add(TColor(0x0A0A0A));
    TGIFSubImage* f = AddFrame(gif, Rect(0, 0, 4, 2), dark);
    f->SetPixel(0, 0, R);
    f->SetPixel(3, 1, Y);
    MakeTransparent(f, Y);
    auto plain = Target(4, 2);
    f->Draw(plain->Canvas(), Rect(0, 0, 4, 2), true, false);
    EXPECT_EQ(At(*plain, 1, 0), TColor(0x0A0A0A));

    gif.SetDrawOptions(Opts({goDither, goTransparent}));
    auto dithered = Target(4, 2);
    f->Draw(dithered->Canvas(), Rect(0, 0, 4, 2), true, false);
    EXPECT_EQ(At(*dithered, 0, 0), clRed);
    EXPECT_EQ(At(*dithered, 3, 1), kGray);  // still transparent
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            if (x == 3 && y == 1) continue;
            const QRgb c = dithered->Image().pixel(x, y);
            EXPECT_EQ(qRed(c) % 51 + qGreen(c) % 51 + qBlue(c) % 51, 0) << x << "," << y;
        }
}

TEST(GIFDraw, SpeedZeroAndPauseHoldAnAnimationUntilReleased)
{
    auto& ui = platform::UiDispatcher::Instance();
    for (bool pause : {false, true}) {
        TGIFImage gif;
        MakeScreen(gif, 2, 1);
        AddFrame(gif, Rect(0, 0, 1, 1), R, 5);
        AddFrame(gif, Rect(1, 0, 2, 1), L, 5);
        if (!pause) gif.SetAnimationSpeed(0);  // real waits on the painter's event
        std::atomic<int> painted{0};
        gif.OnPaint = [&](TGIFPainter*) {
            if (++painted == 1 && pause) gif.PaintPause();
        };
        auto target = Target(2, 1);
        std::unique_ptr<SteppedTime> time;
        if (pause) time = std::make_unique<SteppedTime>();
        gif.Paint(target->Canvas(), Rect(0, 0, 2, 1), Opts({goAsync, goAnimate}));
        ASSERT_TRUE(ui.WaitRunning([&] { return painted.load() == 1; }, 5000));
        ui.ProcessPending();
        EXPECT_EQ(painted.load(), 1);
        EXPECT_EQ(gif.PainterCount(), 1);
        if (pause)
            gif.PaintResume();
        else
            gif.SetAnimationSpeed(1000);
        EXPECT_TRUE(ui.WaitRunning([&] { return gif.PainterCount() == 0; }, 5000));
        EXPECT_EQ(painted.load(), 2);
    }
}

TEST(GIFDraw, PixelsBeyondTheColourTableShowItsFirstColourEverywhere)
{
    // A damaged file: five colours in the table, but pixels index 7 and 200.
    TGIFImage gif;
    MakeScreen(gif, 4, 1);
    TGIFSubImage* f = AddFrame(gif, Rect(0, 0, 4, 1), 2);
    f->SetPixel(1, 0, 7);
    f->SetPixel(3, 0, 200);
    // The picture of the whole image.
    const QImage image = gif.ToImage();
    ASSERT_EQ(image.width(), 4);
    const QRgb red = 0xFF000000u | TColorToQRgb(clRed), blue = 0xFF000000u | TColorToQRgb(clBlue);
    EXPECT_EQ(image.pixel(0, 0), blue);
    EXPECT_EQ(image.pixel(1, 0), red);
    EXPECT_EQ(image.pixel(2, 0), blue);
    EXPECT_EQ(image.pixel(3, 0), red);
    // One colour table for all frames: such pixels take the first colour too, and the
    // picture keeps its look.
    gif.OptimizeColorMap();
    const QImage optimized = gif.ToImage();
    for (int x = 0; x < 4; ++x) EXPECT_EQ(optimized.pixel(x, 0), image.pixel(x, 0)) << x;
    for (std::uint8_t p : f->PixelData()) EXPECT_LT(p, gif.GlobalColorMap()->GetCount());
}
