#pragma once
// The per-point texts of a series. Entry i is the label of point i; the list may be shorter
// than the series (missing entries read as empty). Only points with a label take room:
// eight bytes each, and texts are shared, so a series whose points carry a handful of
// distinct flag texts stores one copy of each.
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/AnsiString.h"

class TChartSeries;

class TLabelsList {
public:
    explicit TLabelsList(TChartSeries* owner = nullptr) : FOwner(owner) {}
    TLabelsList(const TLabelsList&) = delete;
    TLabelsList& operator=(const TLabelsList&) = delete;

    TChartSeries* Owner() const { return FOwner; }
    int Count() const { return FCount; }

    // Empty for an index beyond the list (negative ones included) or a null entry.
    const AnsiString& GetLabel(int index) const;
    const AnsiString& operator[](int index) const { return GetLabel(index); }
    bool IsNull(int index) const;
    // The first index from `index` on that has a label, or -1 when none has.
    int NextLabelled(int index) const;
    // A non-empty text extends the list with null entries up to index; an empty text
    // clears an existing entry and never extends. Repaints the owner.
    void SetLabel(int index, const AnsiString& text);
    // Inserts at index (an index beyond the list is padded with null entries); an empty
    // text is inserted only into a non-empty list. A negative index is ignored.
    void InsertLabel(int index, const AnsiString& text);
    // As `count` insertions of an empty text at index, index + 1, ...
    void InsertEmpty(int index, int count);
    void DeleteLabel(int index);
    // Removes `quantity` entries from start on (as far as the list reaches).
    void DeleteRange(int start, int quantity);
    void Clear();
    void Assign(const TLabelsList& source);
    int IndexOfLabel(std::string_view text, bool caseSensitive = false) const;

    void Exchange(int a, int b);
    // New entry i = old entry perm[i] (missing entries as null); the list becomes as long
    // as the permutation when it holds any entry.
    void ApplyPermutation(const std::vector<int>& perm);
    // Appends at the end without repainting (the series' additions repaint once).
    void Append(const AnsiString& text);
    // A label at `index`, at or beyond the list's end, the entries before it null; without
    // repainting.
    void AppendAt(int index, const AnsiString& text);
    // Number of distinct texts in use (for tests and the memory estimate).
    int DistinctCount() const { return static_cast<int>(FIndex.size()); }
    // Room of the entry array (reserved, not filled), for the memory estimate.
    int EntryCapacity() const { return static_cast<int>(FEntries.capacity()); }

private:
    struct Entry {
        int index;
        int id;
    };
    // The entry of index, or where it would go.
    std::vector<Entry>::iterator Find(int index);
    std::vector<Entry>::const_iterator Find(int index) const;
    // Moves the indices of the entries from `from` on by delta.
    void Shift(std::vector<Entry>::iterator from, int delta);
    int Intern(const AnsiString& text);
    void Release(int id);
    void Changed();

    TChartSeries* FOwner;
    int FCount = 0;
    std::vector<Entry> FEntries;  // ascending index; only non-null entries
    std::vector<AnsiString> FTexts;
    std::vector<int> FRefs;
    std::vector<int> FFree;
    std::unordered_map<AnsiString, int> FIndex;
};
