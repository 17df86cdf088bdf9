#pragma once
// Plays an animated TGIFImage: shows the frames one after another with their delays,
// disposal methods and loop count, on its own thread (goAsync) or inside the call that
// starts it. Canvases, bitmaps and the image are touched only on the user-interface thread
// (through synchronised calls); the thread itself only waits between frames, on an event
// that Stop and speed changes set so that it wakes at once.
#include <atomic>
#include <functional>
#include <memory>

#include "chart/storage/TGIFImage.h"
#include "platform/TThread.h"

// Spends a frame delay of Milliseconds (-1: until woken) and answers true when the
// painter's event ended it early. Null means real waits; tests install their own to step
// an animation without real time (an asynchronous painter calls it on its thread).
using TGIFPainterDelay = std::function<bool(TGIFPainter* Painter, int Milliseconds)>;
extern TGIFPainterDelay GIFPainterDelay;

class TGIFPainter : public TThread {
public:
    // Made by TGIFImage::Paint and Draw on the user-interface thread; a new painter is
    // suspended until Start. Pause holds only a painter that runs on its own thread.
    TGIFPainter(TGIFImage* Image, TCanvas* Canvas, const TRect& Rect, TGIFDrawOptions Options);
    ~TGIFPainter() override;

    void Start();
    // Asks the painter to end and wakes it; it ends after the frame it is drawing.
    void Stop();
    // Plays from the first frame again.
    void Restart();
    void Pause();
    void Resume();
    bool Paused() const { return FPaused.load(); }
    // Waits on the painter's event (what the default delay does): true when it was set.
    bool WaitEvent(int Milliseconds);

    TGIFImage* Image() const { return FImage; }
    TCanvas* Canvas() const { return FCanvas; }
    TRect Rect() const { return FRect; }
    TGIFDrawOptions DrawOptions() const { return FDrawOptions; }
    int GetAnimationSpeed() const { return FAnimationSpeed.load(); }
    void SetAnimationSpeed(int Value);  // clamped to 0..1000
    // The frame being shown, -1 when idle. Setting accepts only an existing frame.
    int GetActiveImage() const { return FActiveImage.load(); }
    void SetActiveImage(int Value);
    bool Drawn() const { return FDrawn; }
    // The last wait computed, in milliseconds (-1: endless).
    int LastWait() const { return FLastWaitShown.load(); }

    TGIFPainterEvent OnStartPaint;
    TGIFPainterEvent OnPaint;
    TGIFPainterEvent OnAfterPaint;
    TGIFPainterEvent OnLoop;
    TGIFPainterEvent OnEndPaint;

protected:
    void Execute() override;
    void OnTerminateRequested() override;

private:
    friend class TGIFImage;
    bool Has(TGIFDrawOption o) const { return (FDrawOptions & GIFDrawOption(o)) != 0; }
    // Runs fn on the user-interface thread (directly when not asynchronous).
    void UI(const std::function<void()>& fn);
    void Fire(const TGIFPainterEvent& e);
    // Spends a wait; answers true when woken early.
    bool Delay(int Milliseconds);
    bool PumpDelay(int Milliseconds);
    void DrawFrame(int Index, TDisposalMethod Disposal);
    // Restores the frame's area of the back buffer to the background.
    void RestoreArea(TGIFSubImage* Frame, bool Whole);
    void Finish();

    TGIFImage* FImage;
    TCanvas* FCanvas;
    TRect FRect;
    TGIFDrawOptions FDrawOptions;
    std::atomic<int> FAnimationSpeed;
    std::atomic<int> FActiveImage{-1};
    std::unique_ptr<TBitmap> FBuffer;
    std::unique_ptr<TBitmap> FPreviousBuffer;
    std::unique_ptr<TBitmap> FBackground;
    TColor FBackgroundColor = clWhite;
    TDisposalMethod FDisposal = dmNone;
    TDisposalMethod FPreviousDisposal = dmNone;
    std::atomic<bool> FRestart{false};
    std::atomic<bool> FPaused{false};
    std::atomic<bool> FEnded{false};
    bool FDrawn = false;
    bool FInCall = false;  // inside a step on the user-interface thread
    const void* FValidDevice = nullptr;
    std::unique_ptr<TEvent> FEvent;
    std::atomic<int> FLastWaitShown{0};
};
