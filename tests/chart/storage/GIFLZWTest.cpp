// LZW and run-length code streams: what the encoders write must come back exactly through
// the decoder, for every minimum code size, picture size and interlacing, and the byte
// layout of the sub-blocks must be the standard one.
#include <gtest/gtest.h>

#include <random>

#include "chart/storage/GIFLZW.h"

namespace {

using Pixels = std::vector<std::uint8_t>;

std::vector<std::uint8_t> Encode(TGIFCompression kind, const Pixels& px, int w, int h, int bits, bool interlaced,
                                 int colors = -1)
{
    TMemoryStream out;
    std::unique_ptr<TGIFEncoder> enc;
    if (kind == gcRLE)
        enc = std::make_unique<TRLEEncoder>();
    else
        enc = std::make_unique<TLZWEncoder>();
    enc->Compress(&out, colors < 0 ? (1 << bits) : colors, bits, w, h, interlaced, px.data());
    return out.Bytes();
}

struct Decoded {
    Pixels Px;
    std::vector<AnsiString> Warnings;
    std::int64_t EndPos = 0;
};

Decoded Decode(const std::vector<std::uint8_t>& bytes, int w, int h, bool interlaced, std::uint8_t fill = 0xEE)
{
    TMemoryStream in(bytes.data(), bytes.size());
    Decoded d;
    d.Px.assign(std::size_t(w) * std::size_t(h), fill);
    DecodeGIFFrame(&in, d.Px.data(), w, h, interlaced, [&](const AnsiString& m) { d.Warnings.push_back(m); });
    d.EndPos = in.GetPosition();
    return d;
}

// Pictures of the kinds a chart produces and the kinds that stress the coders.
Pixels MakePicture(int kind, int w, int h, int bits, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    const int n = 1 << bits;
    Pixels px(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t v = 0;
            switch (kind) {
                case 0: v = std::uint8_t(rng() % unsigned(n)); break;                          // noise
                case 1: v = std::uint8_t(((x / 7) + (y / 3)) % n); break;                      // blocks
                case 2: v = std::uint8_t((rng() % 50 == 0) ? rng() % unsigned(n) : 1); break;  // mostly one colour
                case 3: v = std::uint8_t(std::min(n - 1, (x * y) % (n + 3))); break;           // varied runs
                default: v = 0;
            }
            px[std::size_t(y) * std::size_t(w) + std::size_t(x)] = v;
        }
    return px;
}

// Splits the data sub-blocks behind the code size byte; answers the block lengths.
std::vector<int> BlockLengths(const std::vector<std::uint8_t>& bytes)
{
    std::vector<int> lens;
    std::size_t i = 1;
    while (i < bytes.size()) {
        const int len = bytes[i];
        lens.push_back(len);
        if (len == 0) break;
        i += std::size_t(len) + 1;
    }
    return lens;
}

// Reads the codes of an LZW stream with the width rules of the decoder and answers them.
// NextAtClear receives the next free code of the table at every clear code but the first.
std::vector<int> Codes(const std::vector<std::uint8_t>& bytes, std::vector<int>* NextAtClear = nullptr)
{
    std::vector<std::uint8_t> data;
    std::size_t i = 1;
    while (i < bytes.size() && bytes[i] != 0) {
        data.insert(data.end(), bytes.begin() + std::ptrdiff_t(i) + 1,
                    bytes.begin() + std::ptrdiff_t(i + 1 + bytes[i]));
        i += std::size_t(bytes[i]) + 1;
    }
    const int size = bytes[0];
    const int clear = 1 << size;
    int width = size + 1, next = clear + 2, limit = 2 * clear;
    bool first = true;
    std::vector<int> codes;
    std::size_t bit = 0;
    while (bit + std::size_t(width) <= data.size() * 8) {
        int code = 0;
        for (int b = 0; b < width; ++b, ++bit)
            if (data[bit / 8] & (1 << (bit % 8))) code |= 1 << b;
        codes.push_back(code);
        if (code == clear + 1) break;
        if (code == clear) {
            if (NextAtClear && codes.size() > 1) NextAtClear->push_back(next);
            width = size + 1;
            next = clear + 2;
            limit = 2 * clear;
            first = true;
            continue;
        }
        if (first) {
            first = false;
            continue;
        }
        if (next < 4096 && ++next >= limit && limit < 4096) {
            limit *= 2;
            ++width;
        }
    }
    return codes;
}

TEST(GIFLZW, RoundTripsEveryCodeSizeAndPictureKind)
{
    const int sizes[][2] = {{1, 1}, {2, 1}, {1, 7}, {13, 11}, {64, 64}, {255, 3}, {300, 200}};
    for (TGIFCompression kind : {gcLZW, gcRLE})
        for (int bits = 1; bits <= 8; ++bits)
            for (const auto& s : sizes)
                for (int pic = 0; pic < 5; ++pic) {
                    const Pixels px = MakePicture(pic, s[0], s[1], bits, std::uint32_t(bits * 100 + pic));
                    const auto bytes = Encode(kind, px, s[0], s[1], bits, false);
                    ASSERT_EQ(bytes[0], std::max(bits, 2));
                    const Decoded d = Decode(bytes, s[0], s[1], false);
                    ASSERT_EQ(d.Px, px) << "kind " << kind << " bits " << bits << " size " << s[0] << "x" << s[1]
                                        << " picture " << pic;
                    EXPECT_TRUE(d.Warnings.empty());
                    EXPECT_EQ(d.EndPos, std::int64_t(bytes.size()));
                }
}

TEST(GIFLZW, LongRunsAndTableRestartsRoundTrip)
{
    // Runs of every length up to beyond the run coder's table, and pictures big enough for
    // the LZW table to fill and restart many times.
    for (TGIFCompression kind : {gcLZW, gcRLE}) {
        Pixels px;
        std::mt19937 rng(7);
        for (int run = 1; run < 5000; run += 1 + run / 3)
            px.insert(px.end(), std::size_t(run), std::uint8_t(rng() % 16));
        const int w = int(px.size());
        for (int bits : {4, 5, 8}) {
            const Decoded d = Decode(Encode(kind, px, w, 1, bits, false), w, 1, false);
            ASSERT_EQ(d.Px, px) << kind << " " << bits;
        }
        const Pixels big = MakePicture(0, 1024, 256, 8, 99);
        ASSERT_EQ(Decode(Encode(kind, big, 1024, 256, 8, false), 1024, 256, false).Px, big) << kind;
        const Pixels flat(std::size_t(1920) * 1080, 3);
        ASSERT_EQ(Decode(Encode(kind, flat, 1920, 1080, 8, false), 1920, 1080, false).Px, flat) << kind;
    }
}

TEST(GIFLZW, InterlacedFramesOfEveryHeightRoundTrip)
{
    for (TGIFCompression kind : {gcLZW, gcRLE})
        for (int h = 1; h <= 19; ++h)
            for (int w : {1, 5}) {
                Pixels px(std::size_t(w) * std::size_t(h));
                for (std::size_t i = 0; i < px.size(); ++i) px[i] = std::uint8_t(i / std::size_t(w));  // the row
                const auto bytes = Encode(kind, px, w, h, 5, true);
                ASSERT_EQ(Decode(bytes, w, h, true).Px, px) << "height " << h;
                // Read plainly, the rows come in the interlace order: 0, 8, .. 4, .. 2, .. 1, ..
                const Decoded plain = Decode(bytes, w, h, false);
                std::vector<int> order;
                for (int start : {0, 4, 2, 1})
                    for (int r = start; r < h; r += start == 0 || start == 4 ? 8 : start == 2 ? 4 : 2)
                        order.push_back(r);
                for (int i = 0; i < h; ++i) ASSERT_EQ(plain.Px[std::size_t(i * w)], order[std::size_t(i)]);
            }
}

TEST(GIFLZW, CodesMaySpanManyShortSubBlocks)
{
    // Sub-blocks may be of any length from 1; a 12-bit code then spans two of them.
    const Pixels px = MakePicture(0, 120, 80, 8, 11);
    const auto bytes = Encode(gcLZW, px, 120, 80, 8, false);
    std::vector<std::uint8_t> data;
    for (std::size_t i = 1; bytes[i] != 0; i += std::size_t(bytes[i]) + 1)
        data.insert(data.end(), bytes.begin() + std::ptrdiff_t(i) + 1,
                    bytes.begin() + std::ptrdiff_t(i + 1 + bytes[i]));
    for (int len : {1, 2, 3}) {
        std::vector<std::uint8_t> resplit{bytes[0]};
        for (std::size_t i = 0; i < data.size(); i += std::size_t(len)) {
            const std::size_t n = std::min(data.size() - i, std::size_t(len));
            resplit.push_back(std::uint8_t(n));
            resplit.insert(resplit.end(), data.begin() + std::ptrdiff_t(i), data.begin() + std::ptrdiff_t(i + n));
        }
        resplit.push_back(0);
        const Decoded d = Decode(resplit, 120, 80, false);
        EXPECT_EQ(d.Px, px) << len;
        EXPECT_TRUE(d.Warnings.empty());
    }
}

TEST(GIFLZW, TableCyclesAreRefusedNotFollowed)
{
    // Codes beyond the next free code make entry 11 refer to 13 and 13 back to 11; the
    // chain of 11 never reaches a pixel value and must not run over the decoder's stack.
    const std::vector<std::uint8_t> cycle{3, 4, 0x08, 0xBD, 0xBB, 0x0B, 0};
    try {
        Decode(cycle, 100, 1, false);
        FAIL() << "no error";
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Circular decoder table entry");
    }
    // After a clear only a pixel value may follow; an end code there ends an empty frame.
    const std::vector<std::uint8_t> empty{2, 1, 0x2C, 0, ';'};  // clear, end at 3 bits
    const Decoded d = Decode(empty, 2, 1, false);
    EXPECT_EQ(d.Px, (Pixels{0xEE, 0xEE}));
    EXPECT_EQ(d.EndPos, 4);
}

TEST(GIFLZW, CodeLayoutOfTheLZWEncoder)
{
    // One colour: data size 2, clear code 4 in 3 bits first.
    const Pixels one(10, 0);
    const auto bytes = Encode(gcLZW, one, 10, 1, 0, false, 1);
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ(bytes[2] & 0x07, 4);
    EXPECT_EQ(Codes(bytes).front(), 4);
    EXPECT_EQ(Codes(bytes).back(), 5);

    // Noise fills the table: after the next free code reaches 4095 a clear code follows and
    // the codes after it are read at the initial width again.
    const Pixels noise = MakePicture(0, 200, 100, 8, 5);
    std::vector<int> nextAtClear;
    const auto codes = Codes(Encode(gcLZW, noise, 200, 100, 8, false), &nextAtClear);
    EXPECT_GE(nextAtClear.size(), 2u);
    for (int next : nextAtClear) EXPECT_GE(next, 4095);
    EXPECT_EQ(codes.back(), 257);
}

// Pictures written once are written the same way always: a changed code stream would be a
// changed file. Pinned by a hash of the bytes, for each kind of picture, code size and
// interlacing, with a table that restarts on noise.
TEST(GIFLZW, EncodedBytesStayTheSame)
{
    std::uint64_t h = 1469598103934665603ull;
    for (int kind = 0; kind < 3; ++kind)
        for (const int bits : {1, 4, 8})
            for (const bool interlaced : {false, true})
                for (const TGIFCompression compression : {gcLZW, gcRLE}) {
                    const Pixels px = MakePicture(kind, 301, 97, bits, 11u + std::uint32_t(kind));
                    for (const std::uint8_t b : Encode(compression, px, 301, 97, bits, interlaced)) {
                        h ^= b;
                        h *= 1099511628211ull;
                    }
                }
    EXPECT_EQ(h, 0xfdd712297135c654ull);
}

TEST(GIFLZW, RunCoderWritesFewCodesForFlatPictures)
{
    const Pixels flat(std::size_t(640) * 480, 2);
    const auto rle = Encode(gcRLE, flat, 640, 480, 8, false);
    const auto lzw = Encode(gcLZW, flat, 640, 480, 8, false);
    EXPECT_EQ(Decode(rle, 640, 480, false).Px, flat);
    EXPECT_LT(rle.size(), 4000u);
    EXPECT_LT(lzw.size(), 4000u);
    // Only codes a decoder defines by itself: never beyond the next free code.
    const auto codes = Codes(rle);
    EXPECT_EQ(codes.front(), 256);
    EXPECT_EQ(codes.back(), 257);
}

TEST(GIFLZW, SubBlocksOf255BytesAndTheTerminator)
{
    for (int n : {1, 254, 255, 256, 510, 511}) {
        TMemoryStream out;
        {
            TGIFWriter w(&out);
            std::vector<std::uint8_t> data(std::size_t(n), 0xAB);
            w.WriteBuffer(data.data(), n);
            w.Flush();
        }
        std::vector<int> lens;
        std::size_t i = 0;
        const auto& b = out.Bytes();
        while (i < b.size()) {
            lens.push_back(b[i]);
            i += std::size_t(b[i]) + 1;
        }
        std::vector<int> expected(std::size_t(n / 255), 255);
        if (n % 255) expected.push_back(n % 255);
        EXPECT_EQ(lens, expected) << n;
    }
    // The encoder ends its data with a 0 block.
    const Pixels px = MakePicture(0, 100, 100, 8, 3);
    const auto lens = BlockLengths(Encode(gcLZW, px, 100, 100, 8, false));
    EXPECT_EQ(lens.back(), 0);
    for (std::size_t i = 0; i + 2 < lens.size(); ++i) EXPECT_EQ(lens[i], 255);

    TGIFWriter w(nullptr);
    char c;
    EXPECT_THROW(w.Read(&c, 1), Exception);
    EXPECT_THROW(w.Seek(0, soFromBeginning), Exception);
}

TEST(GIFLZW, PixelBeyondTheColourCountIsRefused)
{
    for (TGIFCompression kind : {gcLZW, gcRLE}) {
        Pixels px(30, 1);
        px[17] = 3;  // three colours: 0..2
        try {
            Encode(kind, px, 30, 1, 2, false, 3);
            FAIL() << "no error";
        } catch (const GIFException& e) {
            EXPECT_STREQ(e.what(), "Color not in color table");
        }
        px[17] = 2;
        EXPECT_NO_THROW(Encode(kind, px, 30, 1, 2, false, 3));
    }
}

TEST(GIFLZW, DecoderSurvivesBrokenStreams)
{
    const Pixels px = MakePicture(1, 40, 30, 4, 1);
    const auto good = Encode(gcLZW, px, 40, 30, 4, false);

    // Data that stops early: the rest keeps the fill value, with a warning, no exception.
    auto cut = good;
    cut.resize(good.size() / 2);
    Decoded d = Decode(cut, 40, 30, false);
    EXPECT_FALSE(d.Warnings.empty());
    EXPECT_EQ(d.Px.back(), 0xEE);
    EXPECT_TRUE(std::equal(d.Px.begin(), d.Px.begin() + 20, px.begin()));

    // No end code but a proper terminator: loads, the remaining pixels keep the fill.
    const auto codes = std::vector<std::uint8_t>{2, 2, 0x44, 0x00, 0};  // clear, 0, 1, 0, 0 then nothing
    d = Decode(codes, 6, 1, false);
    EXPECT_EQ(d.Px, (Pixels{0, 1, 0, 0, 0xEE, 0xEE}));
    EXPECT_EQ(d.EndPos, 5);

    // Minimum code sizes that cannot give byte values are refused.
    for (std::uint8_t size : {0, 9, 12, 200}) {
        const std::vector<std::uint8_t> bad{size, 1, 0, 0};
        EXPECT_THROW(Decode(bad, 2, 2, false), GIFException) << int(size);
    }

    // Random garbage of every code size never crashes and never runs away; it either
    // decodes to something or is refused as corrupt.
    std::mt19937 rng(42);
    for (int round = 0; round < 400; ++round) {
        std::vector<std::uint8_t> junk{std::uint8_t(1 + round % 8)};
        const int blocks = 1 + int(rng() % 4);
        for (int b = 0; b < blocks; ++b) {
            const int len = 1 + int(rng() % 255);
            junk.push_back(std::uint8_t(len));
            for (int i = 0; i < len; ++i) junk.push_back(std::uint8_t(rng()));
        }
        junk.push_back(0);
        junk.push_back(';');
        try {
            d = Decode(junk, 97, 61, round % 3 == 0);
            // Data after the picture is skipped up to the terminator.
            EXPECT_EQ(d.EndPos, std::int64_t(junk.size()) - 1);
        } catch (const GIFException& e) {
            EXPECT_STREQ(e.what(), "Circular decoder table entry");
        }
    }
}

}  // namespace

TEST(GIFLZW, ZeroSizeFramesCodeNoPixelInterlacedOrNot)
{
    // A frame of no width or no height has no pixel: whatever the data pointer shows is not
    // coded (99 is not even a colour here), and decoding writes nothing, interlaced too.
    const Pixels stray{99, 99, 99, 99, 99};
    for (TGIFCompression kind : {gcLZW, gcRLE})
        for (bool interlaced : {false, true})
            for (auto [w, h] : {std::pair{5, 0}, std::pair{0, 5}, std::pair{0, 0}}) {
                SCOPED_TRACE(testing::Message() << w << "x" << h << (interlaced ? " interlaced" : ""));
                std::vector<std::uint8_t> bytes;
                ASSERT_NO_THROW(bytes = Encode(kind, stray, w, h, 2, interlaced, 2));
                const Decoded d = Decode(bytes, w, h, interlaced);
                EXPECT_TRUE(d.Px.empty());
                EXPECT_EQ(d.EndPos, std::int64_t(bytes.size()));
                // Read into a frame of that size but with room behind it: nothing lands there.
                TMemoryStream in(bytes.data(), bytes.size());
                Pixels room(8, 0xEE);
                DecodeGIFFrame(&in, room.data(), w, h, interlaced, [](const AnsiString&) {});
                EXPECT_EQ(room, Pixels(8, 0xEE));
                // A damaged file whose codes hold pixels for a frame it says has none.
                const auto full = Encode(kind, Pixels{1, 0, 1, 0, 1}, 5, 1, 2, false, 2);
                TMemoryStream damaged(full.data(), full.size());
                DecodeGIFFrame(&damaged, room.data(), w, h, interlaced, [](const AnsiString&) {});
                EXPECT_EQ(room, Pixels(8, 0xEE));
            }
}
