#pragma once
#include <initializer_list>

// The vertical segments of a line that fall on one pixel column, gathered while the line
// stays in the column and drawn as at most three strokes: first to the extreme reached
// first, then to the other extreme, then back to the last point. They cover every pixel
// the single segments would have covered and leave the pen at the last point, so a line
// of many points per column costs a few segments per column.
#include <algorithm>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

    // AddRange for the pixels map(vs[0]), ..., map(vs[count - 1]) (count >= 1), where map
    // is monotone (in either direction): only the values' extremes and last are mapped,
    // and, when both extremes widen the column, the values up to the first that reaches
    // one of them, which decides the order of the strokes. False, with nothing added,
    // when a value is not a number (no extremes to speak of: map each one instead).
    template <typename Map>
    bool AddValues(const double* vs, int count, const Map& map)
    {
        double lo = vs[0], hi = vs[0];
        bool nan = vs[0] != vs[0];
        int k = 1;
#ifdef __SSE2__
        if (count >= 5) {
            __m128d lo2 = _mm_set1_pd(lo), hi2 = lo2, bad = _mm_setzero_pd();
            for (; k + 2 <= count; k += 2) {
                const __m128d v = _mm_loadu_pd(vs + k);
                lo2 = _mm_min_pd(v, lo2);
                hi2 = _mm_max_pd(v, hi2);
                bad = _mm_or_pd(bad, _mm_cmpunord_pd(v, v));
            }
            double l[2], h[2];
            _mm_storeu_pd(l, lo2);
            _mm_storeu_pd(h, hi2);
            lo = std::min(l[0], l[1]);
            hi = std::max(h[0], h[1]);
            nan = nan || _mm_movemask_pd(bad) != 0;
        }
#endif
        for (; k < count; ++k) {
            const double v = vs[k];
            lo = v < lo ? v : lo;
            hi = v > hi ? v : hi;
            nan = nan || v != v;
        }
        if (nan) return false;
        const int a = map(lo), b = map(hi);
        const int low = std::min(a, b), high = std::max(a, b);
        const bool lower = low<FMin, higher = high> FMax;
        // A new extreme's step only has to come after the steps so far and, when both are
        // new, in the order in which the values reach them.
        if (lower && higher) {
            for (int j = 0; j < count; ++j) {
                const int p = map(vs[j]);
                if (p != low && p != high) continue;
                FMinStep = FStep + 1 + j + (p == low ? 0 : 1);
                FMaxStep = FStep + 1 + j + (p == high ? 0 : 1);
                break;
            }
        } else if (lower) {
            FMinStep = FStep + 1;
        } else if (higher) {
            FMaxStep = FStep + 1;
        }
        FMin = lower ? low : FMin;
        FMax = higher ? high : FMax;
        FStep += count;
        FLast = map(vs[count - 1]);
        return true;
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
