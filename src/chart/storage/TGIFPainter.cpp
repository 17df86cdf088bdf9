#include "chart/storage/TGIFPainter.h"

#include <QCoreApplication>
#include <algorithm>
#include <thread>

#include "platform/DateTime.h"
#include "platform/TCanvas.h"
#include "platform/UiDispatcher.h"
#include "platform/UiThread.h"

TGIFPainterDelay GIFPainterDelay;

namespace {

std::int64_t NowMs()
{
    return platform::clock().MilliTicks();
}

}  // namespace

TGIFPainter::TGIFPainter(TGIFImage* Image, TCanvas* Canvas, const TRect& Rect, TGIFDrawOptions Options)
    : TThread(true),
      FImage(Image),
      FCanvas(Canvas),
      FRect(Rect),
      FDrawOptions(Options),
      FAnimationSpeed(Image->GetAnimationSpeed())
{
    const int count = Image->Images()->GetCount();
    if (Has(goAsync) && Has(goAnimate) && count >= 2) FEvent = std::make_unique<TEvent>(false, false);

    bool background = Has(goClearOnLoop), previous = false;
    for (int i = 0; i < count; ++i) {
        const TGIFGraphicControlExtension* gce = Image->Images()->GetImage(i)->GetGraphicControlExtension();
        const TDisposalMethod d = gce ? gce->GetDisposal() : dmNone;
        background = background || d == dmBackground;
        previous = previous || d == dmPrevious;
    }
    if (!background && !previous) return;
    const int w = Rect.Width(), h = Rect.Height();
    if (background && Has(goTransparent)) {
        FBackground = std::make_unique<TBitmap>();
        FBackground->SetSize(w, h);
        FBackground->Canvas()->CopyRect(::Rect(0, 0, w, h), Canvas, Rect);
    }
    if (Image->DrawBackgroundColor != clNone)
        FBackgroundColor = Image->DrawBackgroundColor;
    else if (Image->GlobalColorMap()->GetCount() == 0)
        FBackgroundColor = clWindow;
    else
        FBackgroundColor = Image->GetBackgroundColor();
    const QRgb fill = 0xFF000000u | TColorToQRgb(FBackgroundColor);
    FBuffer = std::make_unique<TBitmap>();
    FBuffer->SetSize(w, h);
    FBuffer->Image().fill(fill);
    FPreviousBuffer = std::make_unique<TBitmap>();
    FPreviousBuffer->SetSize(w, h);
    FPreviousBuffer->Image().fill(fill);
    FBuffer->Canvas()->CopyRect(::Rect(0, 0, w, h), Canvas, Rect);
}

TGIFPainter::~TGIFPainter()
{
    Stop();
    WaitFor();
}

void TGIFPainter::Start()
{
    if (Has(goAsync)) TThread::Start();
}

void TGIFPainter::Stop()
{
    Terminate();  // wakes the delay through OnTerminateRequested
}

void TGIFPainter::OnTerminateRequested()
{
    if (FEvent) FEvent->SetEvent();
}

void TGIFPainter::Restart()
{
    FRestart.store(true);
    if (FEvent) FEvent->SetEvent();
}

void TGIFPainter::Pause()
{
    FPaused.store(true);
}

void TGIFPainter::Resume()
{
    FPaused.store(false);
    if (FEvent) FEvent->SetEvent();
}

bool TGIFPainter::WaitEvent(int Milliseconds)
{
    if (!FEvent) return false;
    return FEvent->WaitFor(Milliseconds) == wrSignaled;
}

void TGIFPainter::SetAnimationSpeed(int Value)
{
    Value = std::clamp(Value, 0, 1000);
    if (FAnimationSpeed.exchange(Value) == Value) return;
    if (FEvent)
        FEvent->SetEvent();
    else
        FRestart.store(true);
}

void TGIFPainter::SetActiveImage(int Value)
{
    if (Value >= 0 && Value < FImage->Images()->GetCount()) FActiveImage.store(Value);
}

void TGIFPainter::UI(const std::function<void()>& fn)
{
    auto guarded = [this, &fn] {
        NOX_ASSERT_UI_THREAD();
        FInCall = true;
        try {
            fn();
        } catch (...) {
            FInCall = false;
            throw;
        }
        FInCall = false;
    };
    if (Has(goAsync))
        Synchronize(guarded);
    else
        guarded();
}

void TGIFPainter::Fire(const TGIFPainterEvent& e)
{
    if (e) UI([&] { e(this); });
}

bool TGIFPainter::Delay(int Milliseconds)
{
    if (GIFPainterDelay) return GIFPainterDelay(this, Milliseconds);
    return WaitEvent(Milliseconds);
}

// Without a thread of its own the painter waits in the caller's thread: in steps of at
// most 100 ms, after each of which the caller's pending events run.
bool TGIFPainter::PumpDelay(int Milliseconds)
{
    int left = std::max(Milliseconds, 1);
    while (left > 0 && !Terminated() && !FRestart.load()) {
        const int step = std::min(left, 100);
        const std::int64_t before = NowMs();
        if (GIFPainterDelay)
            GIFPainterDelay(this, step);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(step));
        left -= int(std::max<std::int64_t>(NowMs() - before, 1));
        auto& ui = platform::UiDispatcher::Instance();
        if (ui.IsUiThread()) {
            ui.ProcessPending();
            QCoreApplication::processEvents();
        }
    }
    return false;
}

void TGIFPainter::Execute()
{
    struct EndGuard {
        TGIFPainter* p;
        ~EndGuard() { p->Finish(); }
    } guard{this};
    if (Has(goValidateCanvas)) FValidDevice = FCanvas->Device();
    FRestart.store(true);
    const bool async = Has(goAsync);
    // Endless repetition is left to painters with a thread of their own: in the caller's
    // thread it would never give control back.
    const bool continuous = async && Has(goLoopContinously);
    while (FRestart.load() && !Terminated()) {
        FActiveImage.store(0);
        Fire(OnStartPaint);
        FRestart.store(false);
        int loopCount = 1;
        int startFrame = 0;
        bool loopSeen = false;
        int delay = async ? 0 : 1;
        FPreviousDisposal = dmNoDisposal;
        std::int64_t lastTime = NowMs();
        int lastWait = 0;
        bool firstPass = true;
        while ((loopCount != 0 || continuous) && !Terminated() && !FRestart.load()) {
            FActiveImage.store(startFrame);
            if (!firstPass) Fire(OnLoop);
            firstPass = false;
            while (!Terminated() && !FRestart.load()) {
                const int index = FActiveImage.load();
                int count = 0;
                bool empty = true;
                UI([&] {
                    count = FImage->Images()->GetCount();
                    empty = index >= count || FImage->Images()->GetImage(index)->GetEmpty();
                });
                if (index >= count || empty) break;

                // Only a painter with an event can sleep through a pause.
                while (FEvent && FPaused.load() && !Terminated() && !FRestart.load()) WaitEvent(-1);
                // Wait out the previous frame's delay.
                if (delay < 1) {
                    std::this_thread::yield();
                } else {
                    try {
                        UI([&] { FImage->Images()->GetImage(index)->GetBitmap(); });
                    } catch (...) {
                        // Drawn as far as it can be below.
                    }
                    const int speed = FAnimationSpeed.load();
                    int wait;
                    const std::int64_t now = NowMs();
                    if (speed == 0) {
                        wait = async ? -1 : GIFMaximumDelay * GIFDelayExp;
                    } else {
                        const std::int64_t overrun = (now - lastTime - lastWait) / 2;
                        wait = MulDiv(int(std::clamp<std::int64_t>(std::int64_t(delay) * GIFDelayExp - overrun,
                                                                   INT_MIN / 2, INT_MAX / 2)),
                                      100, speed);
                        lastWait = wait;
                    }
                    FLastWaitShown.store(wait);
                    lastTime = now;
                    if (!async) {
                        PumpDelay(wait);
                    } else if (wait > 0 || speed == 0) {
                        if (Delay(wait)) {
                            lastWait = 0;
                            lastTime = NowMs();
                        }
                    }
                }
                if (Terminated()) break;

                Fire(OnPaint);
                TDisposalMethod disposal = dmNoDisposal;
                int nextDelay = GIFDefaultDelay;
                UI([&] {
                    TGIFSubImage* frame = FImage->Images()->GetImage(index);
                    const TGIFExtensionList* ext = frame->Extensions();
                    for (int i = 0; i < ext->GetCount(); ++i) {
                        TGIFExtension* e = ext->GetExtension(i);
                        if (auto* loop = qobject_cast<TGIFAppExtNSLoop*>(e)) {
                            if (loopSeen) continue;
                            loopSeen = true;
                            if (async && (loop->Loops == 0 || Has(goLoopContinously)))
                                loopCount = -1;
                            else
                                loopCount = loop->Loops == 0 ? 1 : loop->Loops;
                            startFrame = index;
                        } else if (auto* gce = qobject_cast<TGIFGraphicControlExtension*>(e)) {
                            disposal = gce->GetDisposal();
                        }
                    }
                    if (const TGIFGraphicControlExtension* gce = frame->GetGraphicControlExtension())
                        if (gce->GetDelay() != 0) nextDelay = gce->GetDelay();
                    try {
                        DrawFrame(index, disposal);
                    } catch (...) {
                        // A frame that cannot be drawn is passed over; the animation goes on.
                    }
                });
                FPreviousDisposal = disposal;
                delay = std::max(nextDelay, GIFMinimumDelay);
                if (!async) delay = std::min(delay, GIFMaximumDelay);

                Fire(OnAfterPaint);
                if (FActiveImage.load() == index) FActiveImage.store(index + 1);
                if (!Has(goAnimate)) break;
            }
            if (loopCount > 0) --loopCount;
            if (!Has(goAnimate) || !Has(goLoop)) break;
        }
    }
}

void TGIFPainter::Finish()
{
    FActiveImage.store(-1);
    try {
        Fire(OnEndPaint);
    } catch (...) {}
    try {
        UI([this] {
            FBuffer.reset();
            FPreviousBuffer.reset();
            FBackground.reset();
        });
    } catch (...) {}
    FEnded.store(true);
}

void TGIFPainter::RestoreArea(TGIFSubImage* Frame, bool Whole)
{
    TBitmap* buffer = FBuffer.get();
    const TRect all = ::Rect(0, 0, buffer->GetWidth(), buffer->GetHeight());
    auto restore = [&](const TRect& r) {
        if (FBackground)
            buffer->Canvas()->CopyRect(r, FBackground->Canvas(), r);
        else {
            buffer->Canvas()->Brush()->SetColor(FBackgroundColor);
            buffer->Canvas()->Brush()->SetStyle(bsSolid);
            buffer->Canvas()->FillRect(r);
        }
    };
    if (Whole) {
        restore(all);
        return;
    }
    if (!Has(goTile)) {
        restore(Frame->ScaleRect(all));
        return;
    }
    const int W = FImage->GetWidth(), H = FImage->GetHeight();
    for (long long x = Frame->GetLeft(); x < all.Right; x += W) {
        for (long long y = Frame->GetTop(); y < all.Bottom; y += H) {
            restore(::Rect(int(x), int(y), int(x) + Frame->GetWidth(), int(y) + Frame->GetHeight()));
            if (H <= 0) break;
        }
        if (W <= 0) break;
    }
}

void TGIFPainter::DrawFrame(int Index, TDisposalMethod Disposal)
{
    // A handler may have stopped the animation and freed the target meanwhile.
    if (Terminated()) return;
    if (Has(goValidateCanvas) && (!FCanvas->Device() || FCanvas->Device() != FValidDevice)) {
        Stop();
        return;
    }
    TGIFSubImage* frame = FImage->Images()->GetImage(Index);
    const bool transparent = Has(goTransparent), tile = Has(goTile);
    if (!FBuffer) {
        frame->Draw(FCanvas, FRect, transparent, tile);
        FDrawn = true;
        return;
    }
    const TRect local = ::Rect(0, 0, FRect.Width(), FRect.Height());
    if (Has(goClearOnLoop) && Index == 0) RestoreArea(frame, true);
    if (Disposal == dmPrevious) {
        if (FPreviousDisposal == dmNone || FPreviousDisposal == dmNoDisposal) {
            frame->Draw(FCanvas, FRect, transparent, tile);
        } else {
            FPreviousBuffer->Canvas()->CopyRect(local, FBuffer->Canvas(), local);
            frame->Draw(FPreviousBuffer->Canvas(), local, transparent, tile);
            FCanvas->CopyRect(FRect, FPreviousBuffer->Canvas(), local);
        }
    } else {
        frame->Draw(FBuffer->Canvas(), local, transparent, tile);
        FCanvas->CopyRect(FRect, FBuffer->Canvas(), local);
        if (Disposal == dmBackground) RestoreArea(frame, false);
    }
    FDrawn = true;
}
