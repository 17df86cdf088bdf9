#include "chart/engine/TLabelsList.h"

#include <algorithm>

#include "chart/engine/TChartSeries.h"

namespace {
const AnsiString kEmpty;
}

int TLabelsList::Intern(const AnsiString& text)
{
    const auto it = FIndex.find(text);
    if (it != FIndex.end()) {
        ++FRefs[static_cast<std::size_t>(it->second)];
        return it->second;
    }
    int id;
    if (!FFree.empty()) {
        id = FFree.back();
        FFree.pop_back();
        FTexts[static_cast<std::size_t>(id)] = text;
        FRefs[static_cast<std::size_t>(id)] = 1;
    } else {
        id = static_cast<int>(FTexts.size());
        FTexts.push_back(text);
        FRefs.push_back(1);
    }
    FIndex.emplace(text, id);
    return id;
}

void TLabelsList::Release(int id)
{
    if (id < 0) return;
    if (--FRefs[static_cast<std::size_t>(id)] == 0) {
        FIndex.erase(FTexts[static_cast<std::size_t>(id)]);
        FTexts[static_cast<std::size_t>(id)].clear();
        FFree.push_back(id);
    }
}

void TLabelsList::Changed()
{
    if (FOwner) FOwner->Repaint();
}

std::vector<TLabelsList::Entry>::iterator TLabelsList::Find(int index)
{
    return std::lower_bound(FEntries.begin(), FEntries.end(), index, [](const Entry& e, int i) { return e.index < i; });
}

std::vector<TLabelsList::Entry>::const_iterator TLabelsList::Find(int index) const
{
    return std::lower_bound(FEntries.begin(), FEntries.end(), index, [](const Entry& e, int i) { return e.index < i; });
}

void TLabelsList::Shift(std::vector<Entry>::iterator from, int delta)
{
    for (; from != FEntries.end(); ++from) from->index += delta;
}

const AnsiString& TLabelsList::GetLabel(int index) const
{
    const auto it = Find(index);
    return it == FEntries.end() || it->index != index ? kEmpty : FTexts[static_cast<std::size_t>(it->id)];
}

bool TLabelsList::IsNull(int index) const
{
    const auto it = Find(index);
    return it == FEntries.end() || it->index != index;
}

int TLabelsList::NextLabelled(int index) const
{
    const auto it = Find(index);
    return it == FEntries.end() ? -1 : it->index;
}

void TLabelsList::SetLabel(int index, const AnsiString& text)
{
    if (index < 0) return;
    auto it = Find(index);
    if (it != FEntries.end() && it->index == index) {
        Release(it->id);
        it = FEntries.erase(it);
    }
    if (!text.empty()) {
        FCount = std::max(FCount, index + 1);
        FEntries.insert(it, Entry{index, Intern(text)});
    }
    Changed();
}

void TLabelsList::InsertLabel(int index, const AnsiString& text)
{
    if (index < 0) return;
    if (text.empty() && FCount == 0) return;
    FCount = std::max(FCount, index) + 1;
    // After the last label (a point appended): nothing to find or to shift.
    if (FEntries.empty() || FEntries.back().index < index) {
        if (!text.empty()) FEntries.push_back(Entry{index, Intern(text)});
        return;
    }
    auto it = Find(index);
    Shift(it, 1);
    if (!text.empty()) FEntries.insert(it, Entry{index, Intern(text)});
}

void TLabelsList::InsertEmpty(int index, int count)
{
    if (index < 0 || count <= 0 || FCount == 0) return;
    FCount = std::max(FCount, index) + count;
    Shift(Find(index), count);
}

void TLabelsList::Append(const AnsiString& text)
{
    if (!text.empty()) FEntries.push_back(Entry{FCount, Intern(text)});
    ++FCount;
}

void TLabelsList::AppendAt(int index, const AnsiString& text)
{
    if (index < FCount) return;
    FCount = index;
    Append(text);
}

void TLabelsList::DeleteLabel(int index)
{
    if (index < 0 || index >= Count()) return;
    DeleteRange(index, 1);
}

void TLabelsList::DeleteRange(int start, int quantity)
{
    if (start < 0 || quantity <= 0 || start >= Count()) return;
    const int end = std::min(Count(), start + quantity);
    const auto first = Find(start), last = Find(end);
    for (auto it = first; it != last; ++it) Release(it->id);
    Shift(FEntries.erase(first, last), start - end);
    FCount -= end - start;
}

void TLabelsList::Clear()
{
    FCount = 0;
    FEntries.clear();
    FTexts.clear();
    FRefs.clear();
    FFree.clear();
    FIndex.clear();
}

void TLabelsList::Assign(const TLabelsList& source)
{
    if (&source == this) return;
    Clear();
    for (int i = 0; i < source.Count(); ++i) InsertLabel(i, source.GetLabel(i));
}

int TLabelsList::IndexOfLabel(std::string_view text, bool caseSensitive) const
{
    // A null entry reads as the empty text.
    int next = 0;
    const AnsiString upper = caseSensitive ? AnsiString() : UpperCase(text);
    for (const Entry& e : FEntries) {
        if (e.index > next && text.empty()) return next;
        const AnsiString& s = FTexts[static_cast<std::size_t>(e.id)];
        if (s == text) return e.index;
        if (!caseSensitive && UpperCase(s) == upper) return e.index;
        next = e.index + 1;
    }
    return next < FCount && text.empty() ? next : -1;
}

void TLabelsList::Exchange(int a, int b)
{
    if (a < 0 || b < 0 || a == b) return;
    const bool nullA = IsNull(a), nullB = IsNull(b);
    if (nullA && nullB) return;
    FCount = std::max(FCount, std::max(a, b) + 1);
    if (!nullA && !nullB) {
        std::swap(Find(a)->id, Find(b)->id);
        return;
    }
    // One of them moves to the other's place.
    const int from = nullA ? b : a, to = nullA ? a : b;
    const auto it = Find(from);
    const int id = it->id;
    FEntries.erase(it);
    FEntries.insert(Find(to), Entry{to, id});
}

void TLabelsList::ApplyPermutation(const std::vector<int>& perm)
{
    if (FCount == 0) return;
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < perm.size(); ++i) {
        const int from = perm[i];
        const auto it = Find(from);
        if (from >= 0 && it != FEntries.end() && it->index == from) entries.push_back(Entry{int(i), it->id});
    }
    // Entries beyond the permutation (a list longer than the series) keep their texts.
    for (auto it = Find(int(perm.size())); it != FEntries.end(); ++it) entries.push_back(*it);
    FEntries.swap(entries);
    FCount = std::max(FCount, int(perm.size()));
}
