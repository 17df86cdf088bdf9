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

const AnsiString& TLabelsList::GetLabel(int index) const
{
    if (index < 0 || index >= Count()) return kEmpty;
    const int id = FIds[static_cast<std::size_t>(index)];
    return id < 0 ? kEmpty : FTexts[static_cast<std::size_t>(id)];
}

bool TLabelsList::IsNull(int index) const
{
    return index < 0 || index >= Count() || FIds[static_cast<std::size_t>(index)] < 0;
}

void TLabelsList::SetLabel(int index, const AnsiString& text)
{
    if (index < 0) return;
    if (index < Count()) {
        Release(FIds[static_cast<std::size_t>(index)]);
        FIds[static_cast<std::size_t>(index)] = -1;
    }
    if (!text.empty()) {
        if (index >= Count()) FIds.resize(static_cast<std::size_t>(index) + 1, -1);
        FIds[static_cast<std::size_t>(index)] = Intern(text);
    }
    Changed();
}

void TLabelsList::InsertLabel(int index, const AnsiString& text)
{
    if (index < 0) return;
    if (text.empty() && FIds.empty()) return;
    if (index > Count()) FIds.resize(static_cast<std::size_t>(index), -1);
    FIds.insert(FIds.begin() + index, text.empty() ? -1 : Intern(text));
}

void TLabelsList::Append(const AnsiString& text)
{
    FIds.push_back(text.empty() ? -1 : Intern(text));
}

void TLabelsList::DeleteLabel(int index)
{
    if (index < 0 || index >= Count()) return;
    Release(FIds[static_cast<std::size_t>(index)]);
    FIds.erase(FIds.begin() + index);
}

void TLabelsList::DeleteRange(int start, int quantity)
{
    if (start < 0 || quantity <= 0 || start >= Count()) return;
    const int end = std::min(Count(), start + quantity);
    for (int i = start; i < end; ++i) Release(FIds[static_cast<std::size_t>(i)]);
    FIds.erase(FIds.begin() + start, FIds.begin() + end);
}

void TLabelsList::Clear()
{
    FIds.clear();
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
    const AnsiString upper = caseSensitive ? AnsiString() : UpperCase(text);
    for (int i = 0; i < Count(); ++i) {
        const AnsiString& s = GetLabel(i);
        if (s == text) return i;
        if (!caseSensitive && UpperCase(s) == upper) return i;
    }
    return -1;
}

void TLabelsList::Exchange(int a, int b)
{
    if (a < 0 || b < 0 || a == b) return;
    const int hi = std::max(a, b);
    if (hi >= Count()) {
        if (IsNull(a) && IsNull(b)) return;
        FIds.resize(static_cast<std::size_t>(hi) + 1, -1);
    }
    std::swap(FIds[static_cast<std::size_t>(a)], FIds[static_cast<std::size_t>(b)]);
}

void TLabelsList::ApplyPermutation(const std::vector<int>& perm)
{
    if (FIds.empty()) return;
    std::vector<int> ids(perm.size(), -1);
    for (std::size_t i = 0; i < perm.size(); ++i) {
        const int from = perm[i];
        if (from >= 0 && from < Count()) ids[i] = FIds[static_cast<std::size_t>(from)];
    }
    // Entries beyond the permutation (a list longer than the series) keep their texts.
    for (std::size_t i = perm.size(); i < FIds.size(); ++i) ids.push_back(FIds[i]);
    FIds.swap(ids);
}
