#pragma once
// The colours the points of a series have of their own, by point index; clDefault is no
// colour of its own. While few points have one, only those take room: (index, colour)
// pairs in index order, eight bytes each. Once the pairs would take more room than a
// colour for every point, the list keeps a colour for every point instead.
#include <vector>

#include "platform/GraphicsTypes.h"

class TPointColors {
public:
    // The points the list covers; points beyond have no colour of their own.
    int Size() const { return FSize; }
    // clDefault for a point without a colour of its own (negative indices included).
    TColor Get(int index) const;
    // Covers up to index.
    void Set(int index, TColor color);
    // Covers at least `count` points.
    void Cover(int count);
    // Covers up to index, then inserts a point there: the later ones move up by one.
    void Insert(int index, TColor color);
    // Removes the points start..end-1 (as far as covered): the later ones move down.
    void Erase(int start, int end);
    // Exchanges the colours of two covered points.
    void Swap(int a, int b);
    // New point i takes the colour of old point perm[i]; the list covers perm.size().
    void Permute(const std::vector<int>& perm);
    // The first `count` points of source (those beyond source take none).
    void AssignPrefix(const TPointColors& source, int count);
    void Append(TColor color);
    // Heap bytes in use (for tests of the sparse form).
    std::size_t Bytes() const;

private:
    struct Entry {
        int index;
        TColor color;
    };
    std::vector<Entry>::iterator Find(int index);
    // A colour per point from here on, once that takes less room than the pairs.
    void DenseIfSmaller();

    int FSize = 0;
    bool FDense = false;
    std::vector<TColor> FColors;  // dense form: one per covered point
    std::vector<Entry> FEntries;  // sparse form: ascending index, no clDefault
};
