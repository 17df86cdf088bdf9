#include "chart/engine/TPointColors.h"

#include <algorithm>

std::vector<TPointColors::Entry>::iterator TPointColors::Find(int index)
{
    return std::lower_bound(FEntries.begin(), FEntries.end(), index, [](const Entry& e, int i) { return e.index < i; });
}

TColor TPointColors::Get(int index) const
{
    if (index < 0 || index >= FSize) return clDefault;
    if (FDense) return FColors[static_cast<std::size_t>(index)];
    const auto it =
        std::lower_bound(FEntries.begin(), FEntries.end(), index, [](const Entry& e, int i) { return e.index < i; });
    return it != FEntries.end() && it->index == index ? it->color : clDefault;
}

void TPointColors::DenseIfSmaller()
{
    if (FDense || FEntries.size() * sizeof(Entry) <= static_cast<std::size_t>(FSize) * sizeof(TColor)) return;
    FColors.assign(static_cast<std::size_t>(FSize), clDefault);
    for (const Entry& e : FEntries) FColors[static_cast<std::size_t>(e.index)] = e.color;
    FEntries = std::vector<Entry>();
    FDense = true;
}

void TPointColors::Cover(int count)
{
    if (count <= FSize) return;
    FSize = count;
    if (FDense) FColors.resize(static_cast<std::size_t>(count), clDefault);
}

void TPointColors::Set(int index, TColor color)
{
    if (index < 0) return;
    Cover(index + 1);
    if (FDense) {
        FColors[static_cast<std::size_t>(index)] = color;
        return;
    }
    const auto it = Find(index);
    const bool found = it != FEntries.end() && it->index == index;
    if (color == clDefault) {
        if (found) FEntries.erase(it);
    } else if (found) {
        it->color = color;
    } else {
        FEntries.insert(it, Entry{index, color});
        DenseIfSmaller();
    }
}

void TPointColors::Insert(int index, TColor color)
{
    if (index < 0) return;
    Cover(index);
    ++FSize;
    if (FDense) {
        FColors.insert(FColors.begin() + index, color);
        return;
    }
    auto it = Find(index);
    for (auto later = it; later != FEntries.end(); ++later) ++later->index;
    if (color != clDefault) {
        FEntries.insert(it, Entry{index, color});
        DenseIfSmaller();
    }
}

void TPointColors::Erase(int start, int end)
{
    start = std::max(start, 0);
    end = std::min(end, FSize);
    if (start >= end) return;
    FSize -= end - start;
    if (FDense) {
        FColors.erase(FColors.begin() + start, FColors.begin() + end);
        return;
    }
    const auto from = Find(start);
    const auto to = Find(end);
    for (auto later = to; later != FEntries.end(); ++later) later->index -= end - start;
    FEntries.erase(from, to);
}

void TPointColors::Swap(int a, int b)
{
    const TColor ca = Get(a), cb = Get(b);
    Set(a, cb);
    Set(b, ca);
}

void TPointColors::Append(TColor color)
{
    Set(FSize, color);
}

void TPointColors::Permute(const std::vector<int>& perm)
{
    TPointColors result;
    for (const int from : perm) result.Append(Get(from));
    *this = std::move(result);
}

void TPointColors::AssignPrefix(const TPointColors& source, int count)
{
    TPointColors result;
    for (int i = 0; i < count; ++i) result.Append(source.Get(i));
    *this = std::move(result);
}

std::size_t TPointColors::Bytes() const
{
    return FColors.capacity() * sizeof(TColor) + FEntries.capacity() * sizeof(Entry);
}
