#pragma once
#include <initializer_list>

// The vertical segments of a line that fall on one pixel column, gathered while the line
// stays in the column and drawn as at most three strokes: first to the extreme reached
// first, then to the other extreme, then back to the last point. They cover every pixel
// the single segments would have covered and leave the pen at the last point, so a line
// of many points per column costs a few segments per column.
#include <algorithm>

class TColumnStrokes {
public:
    bool Active() const { return FActive; }
    int X() const { return FX; }
    int Start() const { return FStart; }
    int Last() const { return FLast; }

    // The pen stands at (x, y); y is the column's first point.
    void Begin(int x, int y)
    {
        FActive = true;
        FX = x;
        FStart = FMin = FMax = FLast = y;
        FStep = FMinStep = FMaxStep = 0;
    }

    // Without branches: the points of a noisy curve make new extremes at random.
    void Add(int y)
    {
        ++FStep;
        const bool lower = y<FMin, higher = y> FMax;
        FMin = lower ? y : FMin;
        FMinStep = lower ? FStep : FMinStep;
        FMax = higher ? y : FMax;
        FMaxStep = higher ? FStep : FMaxStep;
        FLast = y;
    }

    // Add for ys[0], ..., ys[count - 1] (count >= 1) in one pass: a new extreme counts from
    // the step of its first appearance, as with Add.
    void AddRange(const int* ys, int count)
    {
        int lo = ys[0], hi = ys[0];
        for (int k = 1; k < count; ++k) {
            lo = ys[k] < lo ? ys[k] : lo;
            hi = ys[k] > hi ? ys[k] : hi;
        }
        if (lo < FMin) {
            FMin = lo;
            FMinStep = FStep + 1 + static_cast<int>(std::find(ys, ys + count, lo) - ys);
        }
        if (hi > FMax) {
            FMax = hi;
            FMaxStep = FStep + 1 + static_cast<int>(std::find(ys, ys + count, hi) - ys);
        }
        FStep += count;
        FLast = ys[count - 1];
    }

    // Calls lineTo(x, y) for each stroke and ends the column.
    template <typename LineTo>
    void Flush(LineTo&& lineTo)
    {
        if (!FActive) return;
        FActive = false;
        const bool minFirst = FMinStep <= FMaxStep;
        int at = FStart;
        for (const int y : {minFirst ? FMin : FMax, minFirst ? FMax : FMin, FLast}) {
            if (y == at) continue;
            lineTo(FX, y);
            at = y;
        }
    }

private:
    bool FActive = false;
    int FX = 0;
    int FStart = 0;
    int FMin = 0;
    int FMax = 0;
    int FLast = 0;
    int FStep = 0;
    int FMinStep = 0;
    int FMaxStep = 0;
};
