// Malformed GIF files: every file of the corpus either loads or is refused with a GIF error
// naming the fault, never with a crash, a hang or another kind of failure; a refused load
// leaves the stream where it started.
#include <gtest/gtest.h>

#include <QDir>
#include <random>

#include "chart/storage/TGIFImage.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const QString& path)
{
    TMemoryStream m;
    m.LoadFromFile(path.toStdString());
    return m.Bytes();
}

// Loads the bytes; answers the error text, or "" when the file loaded. Only GIF errors are
// acceptable failures.
AnsiString TryLoad(const Bytes& b, TGIFImage& gif, std::int64_t* endPos = nullptr)
{
    TMemoryStream m(b.data(), b.size());
    AnsiString error;
    try {
        gif.LoadFromStream(&m);
    } catch (const GIFException& e) {
        error = e.Message;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(m.GetPosition(), 0) << "a failed load must leave the stream where it started";
    }
    if (endPos) *endPos = m.GetPosition();
    return error;
}

// What has been loaded can be written and read again.
void ExpectSavable(TGIFImage& gif)
{
    if (gif.Images()->GetCount() == 0) return;
    TMemoryStream out;
    try {
        gif.SaveToStream(&out);
    } catch (const GIFException& e) {
        // Pixel values beyond a damaged file's colour table cannot be written as they are.
        EXPECT_STREQ(e.what(), "Color not in color table");
        return;
    }
    // Frames without pixels write only their extensions; every other frame comes back.
    auto pictures = [](TGIFImage& g) {
        std::vector<Bytes> px;
        for (int i = 0; i < g.Images()->GetCount(); ++i)
            if (!g.Images()->GetImage(i)->GetEmpty()) px.push_back(g.Images()->GetImage(i)->PixelData());
        return px;
    };
    TGIFImage again;
    EXPECT_EQ(TryLoad(out.Bytes(), again), "");
    EXPECT_EQ(pictures(again), pictures(gif));
}

QStringList CorpusFiles(const char* pattern)
{
    QDir dir(NOX_TEST_DATA_DIR "/gif");
    QStringList files = dir.entryList({pattern}, QDir::Files, QDir::Name);
    for (QString& f : files) f = dir.filePath(f);
    return files;
}

TEST(GIFMalformed, CorpusFilesLoadOrFailCleanly)
{
    const QStringList ok = CorpusFiles("ok_*.gif");
    const QStringList bad = CorpusFiles("err_*.gif");
    ASSERT_GE(ok.size(), 10);
    ASSERT_GE(bad.size(), 10);
    for (const QString& f : ok) {
        TGIFImage gif;
        EXPECT_EQ(TryLoad(ReadFile(f), gif), "") << f.toStdString();
        EXPECT_GE(gif.Images()->GetCount(), 1) << f.toStdString();
        ExpectSavable(gif);
    }
    for (const QString& f : bad) {
        TGIFImage gif;
        EXPECT_NE(TryLoad(ReadFile(f), gif), "") << f.toStdString();
    }
}

TEST(GIFMalformed, RefusalsNameTheFault)
{
    auto errorOf = [](const char* name) {
        TGIFImage gif;
        return TryLoad(ReadFile(QString(NOX_TEST_DATA_DIR "/gif/") + name), gif);
    };
    EXPECT_EQ(errorOf("err_huge_frame.gif"), "Image dimensions too large");
    EXPECT_EQ(errorOf("err_many_large_frames.gif"), "Image dimensions too large");
    EXPECT_EQ(errorOf("err_codesize_0.gif"), "Invalid LZW code size in GIF data");
    EXPECT_EQ(errorOf("err_codesize_12.gif"), "Invalid LZW code size in GIF data");
    EXPECT_EQ(errorOf("err_short_global_table.gif"), "Premature end of data");
    EXPECT_EQ(errorOf("err_short_descriptor.gif"), "Premature end of data");
    EXPECT_EQ(errorOf("err_no_signature.gif"), "Invalid GIF signature");
    EXPECT_EQ(errorOf("err_app_size_5.gif"), "Unsupported Application Extension block size");
    EXPECT_EQ(errorOf("err_loop_short.gif"), "Invalid GIF data");
    EXPECT_EQ(errorOf("err_app_long_block.gif"), "Invalid GIF data");
    EXPECT_EQ(errorOf("err_unknown_extension.gif"), "Unknown extension type");
    EXPECT_EQ(errorOf("err_codes_beyond_table.gif"), "Circular decoder table entry");
    EXPECT_EQ(errorOf("err_selfref_chain.gif"), "Circular decoder table entry");
}

TEST(GIFMalformed, TruncatedAtEveryByte)
{
    const Bytes full = ReadFile(NOX_TEST_DATA_DIR "/gif/ok_small.gif");
    TGIFImage reference;
    ASSERT_EQ(TryLoad(full, reference), "");
    for (std::size_t n = 0; n < full.size(); ++n) {
        const Bytes cut(full.begin(), full.begin() + std::ptrdiff_t(n));
        TGIFImage gif;
        std::vector<AnsiString> warnings;
        gif.OnWarning = [&](QObject*, TGIFSeverity, const AnsiString& m) { warnings.push_back(m); };
        const AnsiString error = TryLoad(cut, gif);
        if (n < 13) {
            EXPECT_NE(error, "") << n;  // not even a screen descriptor
        }
        if (error.empty()) ExpectSavable(gif);
    }
}

// Keeps the frames of mutated files small, so that thousands of them load quickly.
struct SmallFrameLimit {
    std::int64_t Frame = GIFMaximumFramePixels;
    std::int64_t Image = GIFMaximumImagePixels;
    SmallFrameLimit()
    {
        GIFMaximumFramePixels = 1 << 16;
        GIFMaximumImagePixels = 1 << 18;
    }
    ~SmallFrameLimit()
    {
        GIFMaximumFramePixels = Frame;
        GIFMaximumImagePixels = Image;
    }
};

TEST(GIFMalformed, MutatedFilesNeverCrash)
{
    SmallFrameLimit limit;
    // Deterministic mutations of valid files: flipped bytes, inserted and removed runs.
    const Bytes seeds[] = {ReadFile(NOX_TEST_DATA_DIR "/gif/ok_small.gif"),
                           ReadFile(NOX_TEST_DATA_DIR "/gif/ok_zeros_between.gif")};
    std::mt19937 rng(2026);
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes b = seeds[round % 2];
        const int edits = 1 + int(rng() % 6);
        for (int e = 0; e < edits && !b.empty(); ++e) {
            const std::size_t at = rng() % b.size();
            switch (rng() % 4) {
                case 0: b[at] = std::uint8_t(rng()); break;
                case 1: b[at] ^= std::uint8_t(1u << (rng() % 8)); break;
                case 2:
                    b.insert(b.begin() + std::ptrdiff_t(at), std::size_t(1 + rng() % 8), std::uint8_t(rng()));
                    break;
                default:
                    b.erase(b.begin() + std::ptrdiff_t(at),
                            b.begin() + std::ptrdiff_t(std::min(b.size(), at + 1 + rng() % 8)));
            }
        }
        TGIFImage gif;
        if (TryLoad(b, gif).empty()) {
            ++loaded;
            ExpectSavable(gif);
            try {
                (void)gif.ToImage();
            } catch (const GIFException& e) {
                EXPECT_STREQ(e.what(), "Image dimensions too large");
            }
        }
    }
    EXPECT_GT(loaded, 100);
}

}  // namespace

// Graphic control and plain-text blocks are as long as their size byte says: a longer one
// is passed over whole (it used to be cut at the usual length, the rest read as blocks of
// their own), a shorter one takes what it has.
TEST(GIFMalformed, ExtensionBlocksFollowTheirSizeByte)
{
    TGIFImage source;
    auto* frame = new TGIFSubImage(&source);
    source.Add(frame);
    frame->SetBoundsRect(Bounds(0, 0, 2, 1));
    frame->ColorMap()->Add(clRed);
    frame->ColorMap()->Add(clBlue);
    frame->SetPixel(1, 0, 1);
    auto* gce = new TGIFGraphicControlExtension(frame);
    frame->Extensions()->Add(gce);
    gce->SetDelay(0x1234);
    auto* text = new TGIFTextExtension(frame);
    frame->Extensions()->Add(text);
    text->Text = {"hi"};
    TMemoryStream out;
    source.SaveToStream(&out);
    const Bytes written = out.Bytes();

    // Rewrites the block after `head` with `extra` more (or, negative, fewer) bytes.
    auto resized = [&written](Bytes head, int usual, int extra) {
        Bytes b = written;
        const auto at = std::search(b.begin(), b.end(), head.begin(), head.end());
        EXPECT_NE(at, b.end());
        const std::size_t size = std::size_t(at - b.begin()) + head.size() - 1;
        b[size] = std::uint8_t(usual + extra);
        if (extra > 0)
            b.insert(b.begin() + std::ptrdiff_t(size + 1 + std::size_t(usual)), std::size_t(extra), 0xEE);
        else
            b.erase(b.begin() + std::ptrdiff_t(size + 1 + std::size_t(usual + extra)),
                    b.begin() + std::ptrdiff_t(size + 1 + std::size_t(usual)));
        return b;
    };
    for (const Bytes& file : {resized({0x21, 0xF9, 0x04}, 4, 3), resized({0x21, 0x01, 0x0C}, 12, 5)}) {
        TGIFImage gif;
        ASSERT_EQ(TryLoad(file, gif), "");
        ASSERT_EQ(gif.Images()->GetCount(), 1);
        TGIFSubImage* f = gif.Images()->GetImage(0);
        EXPECT_EQ(f->PixelData(), frame->PixelData());
        ASSERT_NE(f->GetGraphicControlExtension(), nullptr);
        EXPECT_EQ(f->GetGraphicControlExtension()->GetDelay(), 0x1234);
    }
    // A graphic control block of 3 bytes: the delay is still read, the frame still loads.
    TGIFImage shorter;
    ASSERT_EQ(TryLoad(resized({0x21, 0xF9, 0x04}, 4, -1), shorter), "");
    ASSERT_EQ(shorter.Images()->GetCount(), 1);
    EXPECT_EQ(shorter.Images()->GetImage(0)->GetGraphicControlExtension()->GetDelay(), 0x1234);
}
