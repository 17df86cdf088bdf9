// Optimisation of a GIF picture without changing how it looks: colour tables sorted by use
// and merged, repeated pixels made transparent, transparent borders cropped, and extensions
// that change nothing removed.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <numeric>

#include "chart/storage/TGIFImage.h"

namespace {

bool IsTransparentFrame(const TGIFSubImage* Frame)
{
    const TGIFGraphicControlExtension* gce = Frame->GetGraphicControlExtension();
    return gce && gce->GetTransparent();
}

TDisposalMethod DisposalOf(const TGIFSubImage* Frame)
{
    const TGIFGraphicControlExtension* gce = Frame->GetGraphicControlExtension();
    return gce ? gce->GetDisposal() : dmNone;
}

void DropTransparency(TGIFSubImage* Frame)
{
    if (TGIFGraphicControlExtension* gce = Frame->GetGraphicControlExtension()) {
        gce->SetTransparent(false);
        gce->SetTransparentColorIndex(0);
    }
    Frame->SetTransparent(false);
}

bool UsesIndex(const TGIFSubImage* Frame, int Index)
{
    const auto& px = Frame->PixelData();
    return std::find(px.begin(), px.end(), std::uint8_t(Index)) != px.end();
}

// The frames whose pixels index into Map.
std::vector<TGIFSubImage*> FramesUsing(TGIFColorMap* Map)
{
    std::vector<TGIFSubImage*> frames;
    if (auto* local = dynamic_cast<TGIFLocalColorMap*>(Map)) {
        frames.push_back(local->SubImage());
    } else if (auto* global = dynamic_cast<TGIFGlobalColorMap*>(Map)) {
        TGIFImage* image = global->Header()->Image();
        if (!image) return frames;
        for (int i = 0; i < image->Images()->GetCount(); ++i) {
            TGIFSubImage* f = image->Images()->GetImage(i);
            if (f->ActiveColorMap() == Map) frames.push_back(f);
        }
    }
    return frames;
}

// The first of the first `Count` colours of `Table` nearest to `c` by the sum of the
// absolute channel differences (pure red is as far from pure green as from blue).
int NearestColor(const TGIFColor& c, const std::vector<TGIFColor>& Table, std::size_t Count)
{
    int best = 3 * 255 + 1;  // above every distance, so the first colour is always taken
    int index = 0;
    for (std::size_t k = 0; k < Count && k < Table.size(); ++k) {
        const int d = std::abs(int(c.Red) - Table[k].Red) + std::abs(int(c.Green) - Table[k].Green) +
                      std::abs(int(c.Blue) - Table[k].Blue);
        if (d < best) {
            best = d;
            index = int(k);
        }
    }
    return index;
}

std::uint32_t ColorKey(const TGIFColor& c)
{
    return (std::uint32_t(c.Red) << 16) | (std::uint32_t(c.Green) << 8) | c.Blue;
}

}  // namespace

// ---- One colour table sorted by use

bool TGIFColorMap::Optimize()
{
    if (FCount <= 1) return false;
    const std::vector<TGIFSubImage*> frames = FramesUsing(this);
    if (frames.empty() && dynamic_cast<TGIFGlobalColorMap*>(this)) return false;
    FOptimized = true;

    std::vector<std::int64_t> counts(static_cast<std::size_t>(FCount), 0);
    for (const TGIFSubImage* f : frames)
        for (std::uint8_t p : f->PixelData())
            if (p < FCount) ++counts[p];
    std::vector<int> order(static_cast<std::size_t>(FCount));
    std::iota(order.begin(), order.end(), 0);
    // Stable, so that a table already in order of use is recognised as such.
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return counts[std::size_t(a)] > counts[std::size_t(b)]; });
    bool identity = true;
    for (int k = 0; k < FCount; ++k) identity = identity && order[std::size_t(k)] == k;
    if (identity) return true;

    std::uint8_t map[256];
    for (int k = 0; k < 256; ++k) map[k] = std::uint8_t(k);
    for (int k = 0; k < FCount; ++k) map[order[std::size_t(k)]] = std::uint8_t(k);
    for (TGIFSubImage* f : frames) {
        if (f->GetEmpty()) continue;
        std::uint8_t* px = f->Data();
        for (std::int64_t i = 0, n = f->GetDataSize(); i < n; ++i) px[i] = map[px[i]];
        // Set while the table still has all its entries: an unused transparent colour ends
        // beyond the cut, where no pixel refers to it.
        if (TGIFGraphicControlExtension* gce = f->GetGraphicControlExtension()) {
            const int t = gce->GetTransparentColorIndex();
            if (t < FCount) gce->SetTransparentColorIndex(map[t]);
        }
    }
    std::vector<TGIFColor> colors(FColors.begin(), FColors.begin() + FCount);
    int used = FCount;
    for (int k = 0; k < FCount; ++k) {
        FColors[std::size_t(k)] = colors[std::size_t(order[std::size_t(k)])];
        if (used == FCount && counts[std::size_t(order[std::size_t(k)])] == 0) used = k;
    }
    // The logical screen's background colour stays in the global table.
    auto* global = dynamic_cast<TGIFGlobalColorMap*>(this);
    const int background = global ? global->Header()->GetBackgroundColorIndex() : FCount;
    if (background < FCount) used = std::max(used, map[background] + 1);
    FCount = used;
    if (background < FCount) global->Header()->SetBackgroundColorIndex(map[background]);
    Changed();
    return true;
}

// ---- One global colour table for all frames

namespace {

struct THistogramEntry {
    std::uint32_t Count = 0;
    int Index = 0;
    int NewIndex = 256;
    TGIFColor Color;
    THistogramEntry* MergedInto = nullptr;
};

struct THistogram {
    TGIFColorMap* Map = nullptr;
    std::vector<THistogramEntry> Entries;  // one per colour of the map, by index
    std::vector<TGIFSubImage*> Frames;
    std::vector<bool> FrameUsesTransparency;

    explicit THistogram(TGIFColorMap* map) : Map(map), Entries(std::size_t(map->GetCount()))
    {
        for (int i = 0; i < map->GetCount(); ++i) {
            Entries[std::size_t(i)].Index = i;
            Entries[std::size_t(i)].Color = map->Data()[i];
        }
    }

    // Counts the frame's pixels; answers whether it has transparent pixels.
    bool Count(TGIFSubImage* Frame)
    {
        const bool transparent = IsTransparentFrame(Frame);
        const int t = transparent ? Frame->GetGraphicControlExtension()->GetTransparentColorIndex() : -1;
        const int colors = int(Entries.size());
        bool usesTransparency = false;
        bool warned = false;
        std::uint8_t* px = Frame->Data();
        for (std::int64_t i = 0, n = Frame->GetDataSize(); i < n; ++i) {
            if (px[i] == t) {
                usesTransparency = true;
                continue;
            }
            if (px[i] >= colors) {
                if (!warned) Frame->Warning(gsWarning, "Color not in color table");
                warned = true;
                px[i] = 0;
            }
            THistogramEntry& e = Entries[px[i]];
            if (e.Count < 0x7FFFFFFFu) ++e.Count;
        }
        if (transparent && !usesTransparency) DropTransparency(Frame);
        Frames.push_back(Frame);
        FrameUsesTransparency.push_back(usesTransparency);
        return usesTransparency;
    }
};

}  // namespace

void TGIFImage::OptimizeColorMap()
{
    std::vector<std::unique_ptr<THistogram>> histograms;
    bool transparency = false;
    TGIFGlobalColorMap* global = GlobalColorMap();
    if (global->GetCount() > 0) {
        auto h = std::make_unique<THistogram>(global);
        for (int i = 0; i < FImages->GetCount(); ++i) {
            TGIFSubImage* f = FImages->GetImage(i);
            if (!f->GetEmpty() && f->ColorMap()->GetCount() == 0) transparency = h->Count(f) || transparency;
        }
        if (!h->Frames.empty()) histograms.push_back(std::move(h));
    }
    for (int i = 0; i < FImages->GetCount(); ++i) {
        TGIFSubImage* f = FImages->GetImage(i);
        if (f->GetEmpty() || f->ColorMap()->GetCount() == 0) continue;
        auto h = std::make_unique<THistogram>(f->ColorMap());
        transparency = h->Count(f) || transparency;
        histograms.push_back(std::move(h));
    }
    if (histograms.empty()) return;

    // Every used colour once, with the uses of all tables added up.
    std::vector<THistogramEntry*> list;
    for (auto& h : histograms)
        for (THistogramEntry& e : h->Entries)
            if (e.Count > 0) list.push_back(&e);
    std::stable_sort(list.begin(), list.end(), [](const THistogramEntry* a, const THistogramEntry* b) {
        return ColorKey(a->Color) < ColorKey(b->Color);
    });
    for (std::size_t i = 0; i < list.size();) {
        std::size_t j = i + 1;
        for (; j < list.size() && list[j]->Color == list[i]->Color; ++j) {
            list[i]->Count = std::min<std::uint64_t>(std::uint64_t(list[i]->Count) + list[j]->Count, 0xFFFFFFFFu);
            list[j]->Count = 0;
            list[j]->MergedInto = list[i];
        }
        i = j;
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const THistogramEntry* a, const THistogramEntry* b) { return a->Count > b->Count; });

    const std::size_t room = transparency ? 255 : 256;
    std::vector<TGIFColor> table;
    for (THistogramEntry* e : list) {
        if (e->Count == 0) continue;
        if (table.size() < room) {
            e->NewIndex = int(table.size());
            table.push_back(e->Color);
            continue;
        }
        e->NewIndex = NearestColor(e->Color, table, table.size());
    }
    for (THistogramEntry* e : list)
        if (e->MergedInto) e->NewIndex = e->MergedInto->NewIndex;
    const int transparentIndex = int(table.size());
    if (transparency) table.push_back({0, 0, 0});
    // The background colour points to its own colour again, or to the nearest one.
    const int oldBackground = FHeader->GetBackgroundColorIndex();
    int background = 0;
    if (oldBackground < global->GetCount())
        background = NearestColor(global->Data()[oldBackground], table, std::size_t(transparentIndex));

    for (int i = 0; i < FImages->GetCount(); ++i) FImages->GetImage(i)->ColorMap()->Clear();
    global->ImportColorMap(table.data(), int(table.size()));
    global->SetOptimized(true);
    FHeader->SetBackgroundColorIndex(background);

    for (auto& h : histograms) {
        for (std::size_t k = 0; k < h->Frames.size(); ++k) {
            TGIFSubImage* f = h->Frames[k];
            const bool transparent = h->FrameUsesTransparency[k];
            const int t = transparent ? f->GetGraphicControlExtension()->GetTransparentColorIndex() : -1;
            std::uint8_t map[256];
            for (int c = 0; c < 256; ++c)
                map[c] =
                    c < int(h->Entries.size()) ? std::uint8_t(std::min(h->Entries[std::size_t(c)].NewIndex, 255)) : 0;
            std::uint8_t* px = f->Data();
            for (std::int64_t p = 0, n = f->GetDataSize(); p < n; ++p)
                px[p] = px[p] == t ? std::uint8_t(transparentIndex) : map[px[p]];
            if (transparent) f->GetGraphicControlExtension()->SetTransparentColorIndex(transparentIndex);
        }
    }
    FrameChanged();
}

// ---- Frames

void TGIFSubImage::Crop()
{
    if (GetEmpty() || !IsTransparentFrame(this)) return;
    const std::uint8_t t = std::uint8_t(FGCE->GetTransparentColorIndex());
    const auto px = [&](int x, int y) { return FData[std::size_t(std::int64_t(y) * FWidth + x)]; };
    const auto columnClear = [&](int x) {
        for (int y = 0; y < FHeight; ++y)
            if (px(x, y) != t) return false;
        return true;
    };
    int left = 0;
    int right = FWidth;
    while (left < right && columnClear(left)) ++left;
    while (right > left && columnClear(right - 1)) --right;
    const auto rowClear = [&](int y) {
        for (int x = left; x < right; ++x)
            if (px(x, y) != t) return false;
        return true;
    };
    int top = 0;
    int bottom = FHeight;
    if (left < right) {
        while (top < bottom && rowClear(top)) ++top;
        while (bottom > top && rowClear(bottom - 1)) --bottom;
    }
    if (left >= right || top >= bottom) {
        // Nothing left to draw: the frame becomes empty, its extensions stay.
        ReleaseData();
        FWidth = FHeight = 0;
        if (FImage) FImage->FrameChanged();
        return;
    }
    if (left == 0 && top == 0 && right == FWidth && bottom == FHeight) return;
    const int width = right - left;
    const int height = bottom - top;
    std::vector<std::uint8_t> kept(std::size_t(std::int64_t(width) * height));
    for (int y = 0; y < height; ++y)
        std::memcpy(kept.data() + std::int64_t(y) * width, FData.data() + std::int64_t(y + top) * FWidth + left,
                    std::size_t(width));
    AllocateData(width, height);
    FData = std::move(kept);
    FLeft += left;
    FTop += top;
    FWidth = width;
    FHeight = height;
    if (FImage) FImage->FrameChanged();
}

void TGIFSubImage::Merge(TGIFSubImage* Previous)
{
    if (!Previous || Previous == this || GetEmpty() || Previous->GetEmpty()) return;
    const TDisposalMethod disposal = DisposalOf(Previous);
    if (disposal == dmBackground || disposal == dmPrevious) return;
    const TRect a = GetBoundsRect();
    const TRect b = Previous->GetBoundsRect();
    const int left = std::max(a.Left, b.Left);
    const int top = std::max(a.Top, b.Top);
    const int right = std::min(a.Right, b.Right);
    const int bottom = std::min(a.Bottom, b.Bottom);
    if (left >= right || top >= bottom) return;

    const bool wasTransparent = IsTransparentFrame(this);
    int t = wasTransparent ? FGCE->GetTransparentColorIndex() : -1;
    const int prevT = IsTransparentFrame(Previous) ? Previous->FGCE->GetTransparentColorIndex() : -1;
    TGIFColorMap* map = ActiveColorMap();
    TGIFColorMap* prevMap = Previous->ActiveColorMap();
    const bool sameMap = map == prevMap;

    // A new transparent index is taken only when a pixel needs it.
    const auto allocate = [&]() -> bool {
        if (FColorMap->GetCount() > 0) {
            if (FColorMap->GetCount() >= 256) return false;
            t = FColorMap->Add(clBlack);
            return true;
        }
        TGIFColorMap* global = FImage ? FImage->GlobalColorMap() : nullptr;
        if (!global || global->GetCount() == 0 || global->GetCount() >= 256) return false;
        // Another frame's transparent index serves when none of these pixels uses it.
        for (int i = 0; FImage && i < FImage->Images()->GetCount(); ++i) {
            TGIFSubImage* other = FImage->Images()->GetImage(i);
            if (other == this || other->ColorMap()->GetCount() > 0 || !IsTransparentFrame(other)) continue;
            const int candidate = other->FGCE->GetTransparentColorIndex();
            if (!UsesIndex(this, candidate)) {
                t = candidate;
                return true;
            }
        }
        t = global->Add(clBlack);
        return true;
    };

    bool allocated = false;
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* row = FData.data() + std::int64_t(y - FTop) * FWidth;
        const std::uint8_t* prevRow = Previous->FData.data() + std::int64_t(y - Previous->FTop) * Previous->FWidth;
        for (int x = left; x < right; ++x) {
            std::uint8_t& p = row[x - FLeft];
            const int q = prevRow[x - Previous->FLeft];
            if (p == t || q == prevT) continue;
            bool same;
            if (sameMap) {
                same = p == q;
            } else {
                same = p < map->GetCount() && q < prevMap->GetCount() && map->Data()[p] == prevMap->Data()[q];
            }
            if (!same) continue;
            if (t < 0) {
                if (!allocate()) return;
                allocated = true;
            }
            p = std::uint8_t(t);
        }
    }
    if (!wasTransparent && allocated) {
        if (!FGCE) FExtensions->Add(new TGIFGraphicControlExtension(this));
        FGCE->SetTransparent(true);
        FGCE->SetTransparentColorIndex(t);
    }
}

// ---- The whole image

void TGIFImage::Optimize(TGIFOptimizeOptions Options, TColorReduction AColorReduction, TDitherMode, int)
{
    if (GetEmpty()) return;
    const auto has = [&](TGIFOptimizeOption o) { return (Options & (1u << o)) != 0; };
    // Checked before anything changes, so a refused call leaves the picture as it was.
    if (has(ooReduceColors) && AColorReduction == rmPalette) throw GIFException("Invalid reduction method");
    Progress(psStarting, 0, "Optimizing...");
    try {
        const int steps = 6 * FImages->GetCount();
        int step = 0;
        const auto stepDone = [&] {
            Progress(psRunning, std::min(100, ++step * 100 / std::max(steps, 1)), "Optimizing...");
        };

        if (has(ooColorMap)) {
            GlobalColorMap()->Optimize();
            for (int i = 0; i < FImages->GetCount(); ++i) {
                TGIFSubImage* f = FImages->GetImage(i);
                if (f->ColorMap()->GetCount() > 0) f->ColorMap()->Optimize();
                stepDone();
            }
        }
        if (has(ooCleanup)) {
            for (int i = 0; i < FImages->GetCount(); ++i) {
                TGIFSubImage* f = FImages->GetImage(i);
                if (IsTransparentFrame(f) && !UsesIndex(f, f->GetGraphicControlExtension()->GetTransparentColorIndex()))
                    DropTransparency(f);
            }
            // A disposal matters only where the next frame leaves the screen visible. It
            // is dropped when the next frame is opaque, covers this frame, and does not
            // restore what lay under itself afterwards.
            for (int i = 0; i + 1 < FImages->GetCount(); ++i) {
                TGIFSubImage* f = FImages->GetImage(i);
                TGIFSubImage* next = FImages->GetImage(i + 1);
                const TDisposalMethod d = DisposalOf(f);
                if (d != dmBackground && d != dmPrevious) continue;
                if (next->GetEmpty() || IsTransparentFrame(next) || DisposalOf(next) == dmPrevious) continue;
                const TRect r = f->GetBoundsRect();
                const TRect n = next->GetBoundsRect();
                if (n.Left <= r.Left && n.Top <= r.Top && n.Right >= r.Right && n.Bottom >= r.Bottom)
                    f->GetGraphicControlExtension()->SetDisposal(dmNone);
                stepDone();
            }
        }
        if (has(ooMerge)) {
            for (int i = FImages->GetCount() - 1; i >= 1; --i) {
                int partner = i - 1;
                while (partner > 0 && DisposalOf(FImages->GetImage(partner)) == dmPrevious) --partner;
                FImages->GetImage(i)->Merge(FImages->GetImage(partner));
                stepDone();
            }
        }
        if (has(ooCrop)) {
            for (int i = FImages->GetCount() - 1; i >= 0; --i) {
                TGIFSubImage* f = FImages->GetImage(i);
                // Cropping would shrink the area cleared after a frame disposed to background.
                if (f->GetEmpty() || !IsTransparentFrame(f) || DisposalOf(f) == dmBackground) continue;
                const int delay = f->GetGraphicControlExtension()->GetDelay();
                f->Crop();
                stepDone();
                if (!f->GetEmpty()) continue;
                if (i > 0 && delay > 0) {
                    TGIFSubImage* prev = FImages->GetImage(i - 1);
                    if (!prev->GetGraphicControlExtension())
                        prev->Extensions()->Add(new TGIFGraphicControlExtension(prev));
                    TGIFGraphicControlExtension* gce = prev->GetGraphicControlExtension();
                    gce->SetDelay(std::min(gce->GetDelay() + delay, 0xFFFF));
                }
                // A frame that carries other extensions (the looping one) stays, empty.
                if (f->Extensions()->GetCount() <= 1) FImages->Delete(i);
            }
        }
        if (has(ooCleanup)) {
            const bool single = FImages->GetCount() == 1;
            for (int i = FImages->GetCount() - 1; i >= 0; --i) {
                TGIFSubImage* f = FImages->GetImage(i);
                TGIFExtensionList* ext = f->Extensions();
                for (int k = ext->GetCount() - 1; k >= 0; --k) {
                    TGIFExtension* e = ext->GetExtension(k);
                    bool drop = false;
                    if (dynamic_cast<TGIFCommentExtension*>(e) || dynamic_cast<TGIFTextExtension*>(e) ||
                        dynamic_cast<TGIFUnknownAppExtension*>(e)) {
                        drop = true;
                    } else if (dynamic_cast<TGIFAppExtNSLoop*>(e)) {
                        drop = !(i == 0 && FImages->GetCount() > 1);
                    } else if (auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(e)) {
                        const TDisposalMethod d = gce->GetDisposal();
                        drop = (gce->GetDelay() == 0 || single) && !gce->GetTransparent() && !gce->GetUserInput() &&
                               (d == dmNone || d == dmNoDisposal || single);
                    }
                    if (drop) ext->Delete(k);
                }
                if (f->GetEmpty() && ext->GetCount() == 0) FImages->Delete(i);
                stepDone();
            }
        }
    } catch (...) {
        Progress(psEnding, 0, "Optimizing...");
        throw;
    }
    Progress(psEnding, 100, "Optimizing...");
    FrameChanged();
}

void TGIFImage::Pack()
{
    if (GlobalColorMap()->GetCount() != 0 || FImages->GetCount() != 1) return;
    TGIFSubImage* f = FImages->GetImage(0);
    if (f->ColorMap()->GetCount() == 0) return;
    GlobalColorMap()->Assign(f->ColorMap());
    f->ColorMap()->Clear();
}
