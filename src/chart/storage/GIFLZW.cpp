#include "chart/storage/GIFLZW.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr std::uint32_t BitMask(int k)
{
    return (k >= 32) ? 0xFFFFFFFFu : ((1u << k) - 1u);
}
}  // namespace

// ---- THashTable

void THashTable::Insert(std::uint32_t Key, int Code)
{
    int h = HashKey(Key);
    while (FTable[std::size_t(h)] != 0xFFFFFFFFu) h = NextHash(h);
    FTable[std::size_t(h)] = (Key << GIFCodeBits) | std::uint32_t(Code & 0xFFF);
}

// ---- TGIFStream / TGIFWriter

std::int64_t TGIFStream::Read(void*, std::int64_t)
{
    throw Exception("Invalid stream operation");
}
std::int64_t TGIFStream::Seek(std::int64_t, TSeekOrigin)
{
    throw Exception("Invalid stream operation");
}

TGIFWriter::~TGIFWriter()
{
    try {
        Flush();
    } catch (...) {
        // A destructor must not throw; Compress flushes explicitly and reports failures.
    }
}

void TGIFWriter::FlushBuffer()
{
    FBuffer[0] = std::uint8_t(FBufferCount - 1);
    FTarget->WriteBuffer(FBuffer.data(), FBufferCount);
    FBufferCount = 1;
    FNeedsFlush = false;
}

void TGIFWriter::Flush()
{
    if (FNeedsFlush && FBufferCount > 1) FlushBuffer();
    FNeedsFlush = false;
}

std::int64_t TGIFWriter::Write(const void* Buffer, std::int64_t Count)
{
    const auto* p = static_cast<const std::uint8_t*>(Buffer);
    for (std::int64_t i = 0; i < Count; ++i) Put(p[i]);
    return Count;
}

// ---- TGIFEncoder

void TGIFEncoder::Compress(TStream* Stream, int ColorCount, int DataSize, int Width, int Height, bool Interlaced,
                           const std::uint8_t* Data)
{
    FColorCount = ColorCount;
    FDataSize = std::max(DataSize, 2);
    FWidth = Width;
    FHeight = Height;
    FInterlace = Interlaced;
    FData = Data;
    const std::uint8_t codeSize = std::uint8_t(FDataSize);
    Stream->WriteBuffer(&codeSize, 1);
    FInitialBitSize = FDataSize + 1;
    FBitSize = FInitialBitSize;
    FMaxCode = int(BitMask(FBitSize));
    FClearCode = 1 << FDataSize;
    FEOFCode = FClearCode + 1;
    FBaseCode = FEOFCode + 1;
    FBitBucket = 0;
    FBitCount = 0;
    FClearFlag = false;
    FPixel = Data;
    FPixelsLeft = Interlaced ? std::int64_t(Width) : std::int64_t(Width) * Height;
    FRow = 0;
    FPass = 0;
    FEnded = !Data || Width < 1 || Height < 1;

    TGIFWriter writer(Stream);
    FStream = &writer;
    try {
        if (!FEnded) DoCompress();
        WriteEnd();
        writer.Flush();
    } catch (...) {
        FStream = nullptr;
        throw;
    }
    FStream = nullptr;
    const std::uint8_t terminator = 0;
    Stream->WriteBuffer(&terminator, 1);
}

void TGIFEncoder::WriteEnd()
{
    Output(FEOFCode);
    if (FBitCount > 0) {
        const std::uint8_t b = std::uint8_t(FBitBucket & 0xFF);
        FStream->WriteBuffer(&b, 1);
        FBitBucket = 0;
        FBitCount = 0;
    }
}

void TGIFEncoder::Output(int Value)
{
    FBitBucket =
        FBitCount > 0 ? (FBitBucket & BitMask(FBitCount)) | (std::uint32_t(Value) << FBitCount) : std::uint32_t(Value);
    FBitCount += FBitSize;
    while (FBitCount >= 8) {
        FStream->Put(std::uint8_t(FBitBucket & 0xFF));
        FBitBucket >>= 8;
        FBitCount -= 8;
    }
}

void TGIFEncoder::Clear()
{
    FClearFlag = true;
    Output(FClearCode);
}

int TGIFEncoder::NextPixel()
{
    if (FEnded) return -1;
    const int value = *FPixel;
    if (value >= FColorCount) throw GIFException("Color not in color table");
    ++FPixel;
    if (--FPixelsLeft > 0) return value;
    if (!FInterlace) {
        FEnded = true;
        return value;
    }
    // Next row of the interlace passes: every 8th row from 0, every 8th from 4, every
    // 4th from 2, every 2nd from 1.
    FPixelsLeft = FWidth;
    FRow += (FPass <= 1) ? 8 : (FPass == 2 ? 4 : 2);
    while (FRow >= FHeight) {
        ++FPass;
        if (FPass > 3) {
            FEnded = true;
            return value;
        }
        FRow = FPass == 1 ? 4 : (FPass == 2 ? 2 : 1);
    }
    FPixel = FData + std::int64_t(FRow) * FWidth;
    return value;
}

// ---- TLZWEncoder

void TLZWEncoder::Output(int Value)
{
    TGIFEncoder::Output(Value);
    if (FFreeEntry > FMaxCode || FClearFlag) {
        if (FClearFlag) {
            FBitSize = FInitialBitSize;
            FMaxCode = int(BitMask(FBitSize));
            FClearFlag = false;
        } else {
            ++FBitSize;
            FMaxCode = FBitSize >= GIFCodeBits ? GIFCodeMax : int(BitMask(FBitSize));
        }
    }
}

void TLZWEncoder::Clear()
{
    TGIFEncoder::Clear();
    FHashTable->Clear();
    FFreeEntry = FClearCode + 2;
}

// One pixel of the string table walk: the string grows while the table knows it, else its code
// goes out and the pixel starts the next string.
inline void TLZWEncoder::Step(THashTable& table, int& prefix, int c)
{
    const std::uint32_t key = (std::uint32_t(prefix) << 8) | std::uint32_t(c);
    const int code = table.Lookup(key);
    if (code >= 0) {
        prefix = code;
        return;
    }
    Output(prefix);
    prefix = c;
    if (FFreeEntry >= GIFCodeMax - 1) {
        Clear();
    } else {
        table.Insert(key, FFreeEntry);
        ++FFreeEntry;
    }
}

void TLZWEncoder::DoCompress()
{
    FHashTable = std::make_unique<THashTable>();
    FFreeEntry = FClearCode + 2;
    Clear();
    int prefix = NextPixel();
    if (!FInterlace) {
        // Rows in natural order are one run of pixels: taken straight from the data, each
        // checked against the colour count as NextPixel does.
        const std::uint8_t* p = FPixel;
        const std::uint8_t* const end = p + FPixelsLeft;
        const int colours = FColorCount;
        THashTable& table = *FHashTable;
        for (; p < end; ++p) {
            const int c = *p;
            if (c >= colours) throw GIFException("Color not in color table");
            Step(table, prefix, c);
        }
        FPixel = end;
        FPixelsLeft = 0;
        FEnded = true;
        Output(prefix);
        FHashTable.reset();
        return;
    }
    for (int c = NextPixel(); c >= 0; c = NextPixel()) Step(*FHashTable, prefix, c);
    Output(prefix);
    FHashTable.reset();
}

// ---- TRLEEncoder

void TRLEEncoder::Clear()
{
    FOutBump = FOutBumpInit;
    FOutClear = FOutClearInit;
    FOutCount = 0;
    FTableMax = 0;
    TGIFEncoder::Clear();
    FBitSize = FInitialBitSize;
}

void TRLEEncoder::OutputPlain(int Value)
{
    FClearFlag = false;
    Output(Value);
    ++FOutCount;
    if (FOutCount >= FOutBump) {
        ++FBitSize;
        FOutBump += 1 << (FBitSize - 1);
    }
    if (FOutCount >= FOutClear) Clear();
}

int TRLEEncoder::ComputeTriangleCount(int Count, int RepCodes) const
{
    int cost = 0;
    const int perRep = RepCodes * (RepCodes + 1) / 2;
    while (Count >= perRep) {
        cost += RepCodes;
        Count -= perRep;
    }
    if (Count > 0) {
        int n = int(std::sqrt(double(Count)));
        while (n * (n + 1) >= 2 * Count) --n;
        while (n * (n + 1) < 2 * Count) ++n;
        cost += n;
    }
    return cost;
}

void TRLEEncoder::ResetOutClear()
{
    FOutClear = FOutClearInit;
    if (FOutCount >= FOutClear) Clear();
}

void TRLEEncoder::FlushFromClear(int Count)
{
    FOutClear = FMaxOCodes;
    FTablePixel = FRunPixel;
    int n = 1;
    while (Count > 0) {
        if (n == 1) {
            FTableMax = 1;
            OutputPlain(FRunPixel);
            --Count;
        } else if (Count >= n) {
            FTableMax = n;
            OutputPlain(FBaseCode + n - 2);
            Count -= n;
        } else if (Count == 1) {
            ++FTableMax;
            OutputPlain(FRunPixel);
            Count = 0;
        } else {
            ++FTableMax;
            OutputPlain(FBaseCode + Count - 2);
            Count = 0;
        }
        n = FOutCount == 0 ? 1 : n + 1;
    }
    ResetOutClear();
}

void TRLEEncoder::FlushClearOrRepeat(int Count)
{
    const int withClear = 1 + ComputeTriangleCount(Count, FMaxOCodes);
    if (withClear < Count) {
        Clear();
        FlushFromClear(Count);
    } else {
        for (; Count > 0; --Count) OutputPlain(FRunPixel);
    }
}

void TRLEEncoder::FlushWithTable(int Count)
{
    int repMax = Count / FTableMax;
    int leftover = Count % FTableMax;
    int repLeft = leftover ? 1 : 0;
    if (FOutCount + repMax + repLeft > FMaxOCodes) {
        repMax = FMaxOCodes - FOutCount;
        leftover = Count - repMax * FTableMax;
        repLeft = 1 + ComputeTriangleCount(leftover, FMaxOCodes);
    }
    if (1 + ComputeTriangleCount(Count, FMaxOCodes) < repMax + repLeft) {
        Clear();
        FlushFromClear(Count);
        return;
    }
    FOutClear = FMaxOCodes;
    for (; repMax > 0; --repMax) OutputPlain(FBaseCode + FTableMax - 2);
    if (leftover) {
        if (FClearFlag)
            FlushFromClear(leftover);
        else if (leftover == 1)
            OutputPlain(FRunPixel);
        else
            OutputPlain(FBaseCode + leftover - 2);
    }
    ResetOutClear();
}

void TRLEEncoder::FlushRun()
{
    if (FRunCount == 1) {
        OutputPlain(FRunPixel);
    } else if (FClearFlag) {
        FlushFromClear(FRunCount);
    } else if (FTableMax < 2 || FTablePixel != FRunPixel) {
        FlushClearOrRepeat(FRunCount);
    } else {
        FlushWithTable(FRunCount);
    }
    FRunCount = 0;
}

void TRLEEncoder::DoCompress()
{
    FOutBumpInit = FClearCode - 1;
    FOutClearInit = FDataSize <= 3 ? 9 : FClearCode - 2;
    FMaxOCodes = (GIFCodeMax - 1) - FBaseCode;
    Clear();
    FRunPixel = -1;
    FRunCount = 0;
    for (int c = NextPixel(); c >= 0; c = NextPixel()) {
        if (FRunCount > 0 && c != FRunPixel) FlushRun();
        if (FRunPixel == c && FRunCount > 0) {
            ++FRunCount;
        } else {
            FRunPixel = c;
            FRunCount = 1;
        }
    }
    if (FRunCount > 0) FlushRun();
}

// ---- Decoder

namespace {

// The state of decoding one frame's code stream. The tables live in the object, which the
// decoding call keeps on its stack.
class TGIFDecoder {
public:
    TGIFDecoder(TStream* Stream, int DataSize, const std::function<void(const AnsiString&)>& Warn)
        : FStream(Stream), FWarn(Warn), FDataSize(DataSize)
    {
        FClearCode = 1 << DataSize;
        FEOFCode = FClearCode + 1;
        FBitSize = DataSize + 1;
    }
    // The next pixel value; -1 when the data ended, -2 after the end code.
    int NextValue();
    // Skips the data sub-blocks up to the block terminator unless it has been read.
    void SkipBlocks();

private:
    int NextCode();
    bool FillBuffer();
    void Reset();
    [[noreturn]] static void Corrupt() { throw GIFException("Circular decoder table entry"); }

    TStream* FStream;
    const std::function<void(const AnsiString&)>& FWarn;
    int FDataSize;
    int FClearCode;
    int FEOFCode;
    int FBitSize;
    // Bits not yet consumed, lowest first.
    std::uint32_t FBits = 0;
    int FBitCount = 0;
    std::array<std::uint8_t, 255> FBlock{};
    int FBlockPos = 0;
    int FBlockLen = 0;
    bool FFirst = true;
    bool FLastBlock = false;
    bool FZeroBlock = false;
    std::array<std::uint16_t, GIFCodeMax> FPrefix{};
    std::array<std::uint8_t, GIFCodeMax> FSuffix{};
    std::array<std::uint8_t, 2 * GIFCodeMax> FStack{};
    int FSP = 0;
    int FFirstCode = 0;
    int FOldCode = 0;
    int FNextCode = 0;
    int FMaxCode = 0;
};

bool TGIFDecoder::FillBuffer()
{
    // Answers false when no further data byte can be had.
    while (FBlockPos >= FBlockLen) {
        if (FLastBlock) return false;
        std::uint8_t len = 0;
        if (FStream->Read(&len, 1) != 1) {
            FLastBlock = true;
            return false;
        }
        if (len == 0) {
            FLastBlock = true;
            FZeroBlock = true;
            return false;
        }
        const std::int64_t got = FStream->Read(FBlock.data(), len);
        if (got < len) FWarn("Premature end of data");
        FBlockLen = int(got);
        FBlockPos = 0;
        if (got < len) FLastBlock = true;
    }
    return true;
}

int TGIFDecoder::NextCode()
{
    if (FFirst) {
        FFirst = false;
        return FClearCode;
    }
    while (FBitCount < FBitSize) {
        if (!FillBuffer()) {
            if (FBitCount == 0) FWarn("Decoder bit buffer under-run");
            return -1;
        }
        FBits |= std::uint32_t(FBlock[std::size_t(FBlockPos++)]) << FBitCount;
        FBitCount += 8;
    }
    const int code = int(FBits & BitMask(FBitSize));
    FBits >>= FBitSize;
    FBitCount -= FBitSize;
    return code;
}

void TGIFDecoder::SkipBlocks()
{
    if (FZeroBlock) return;
    FBlockPos = FBlockLen;
    for (;;) {
        std::uint8_t len = 0;
        if (FStream->Read(&len, 1) != 1 || len == 0) break;
        const std::int64_t pos = FStream->GetPosition();
        if (FStream->Seek(len, soFromCurrent) < pos + len) break;
    }
    FZeroBlock = true;
    FLastBlock = true;
}

void TGIFDecoder::Reset()
{
    for (int i = 0; i < GIFCodeMax; ++i) {
        FPrefix[std::size_t(i)] = 0;
        FSuffix[std::size_t(i)] = i < FClearCode ? std::uint8_t(i) : 0;
    }
    FBitSize = FDataSize + 1;
    FMaxCode = FClearCode * 2;
    FNextCode = FClearCode + 2;
    FSP = 0;
}

int TGIFDecoder::NextValue()
{
    if (FSP > 0) return FStack[std::size_t(--FSP)];

    int code = NextCode();
    if (code < 0) return code;
    if (code == FClearCode) {
        Reset();
        do {
            code = NextCode();
        } while (code == FClearCode);
        if (code < 0) return code;
        if (code == FEOFCode) {
            SkipBlocks();
            return -2;
        }
        // After a clear only a single pixel value can follow; anything else is corrupt data
        // whose value must not reach the pixels.
        if (code >= FClearCode) Corrupt();
        FFirstCode = FOldCode = code;
        return code;
    }
    if (code == FEOFCode) {
        SkipBlocks();
        return -2;
    }
    const int inCode = code;
    if (code >= FNextCode) {
        FStack[std::size_t(FSP++)] = std::uint8_t(FFirstCode);
        code = FOldCode;
    }
    while (code >= FClearCode) {
        // A chain longer than the stack can only come from a table that refers to itself.
        if (FSP >= int(FStack.size()) - 1 || FPrefix[std::size_t(code)] == code) Corrupt();
        FStack[std::size_t(FSP++)] = FSuffix[std::size_t(code)];
        code = FPrefix[std::size_t(code)];
    }
    FFirstCode = FSuffix[std::size_t(code)];
    FStack[std::size_t(FSP++)] = std::uint8_t(FFirstCode);
    if (FNextCode < GIFCodeMax) {
        FPrefix[std::size_t(FNextCode)] = std::uint16_t(FOldCode);
        FSuffix[std::size_t(FNextCode)] = std::uint8_t(FFirstCode);
        ++FNextCode;
        if (FNextCode >= FMaxCode && FMaxCode < GIFCodeMax) {
            FMaxCode *= 2;
            ++FBitSize;
        }
    }
    FOldCode = inCode;
    return FStack[std::size_t(--FSP)];
}

}  // namespace

void DecodeGIFFrame(TStream* Stream, std::uint8_t* Pixels, int Width, int Height, bool Interlaced,
                    const std::function<void(const AnsiString&)>& Warn)
{
    std::uint8_t dataSize = 0;
    if (Stream->Read(&dataSize, 1) != 1) return;
    // Pixel values are bytes: a larger minimum code size would give values that do not fit,
    // and from 12 on codes beyond the 4096-entry tables.
    if (dataSize < 1 || dataSize > 8) throw GIFException("Invalid LZW code size in GIF data");

    auto decoder = std::make_unique<TGIFDecoder>(Stream, dataSize, Warn);
    auto fill = [&] {
        if (Width <= 0 || Height <= 0) return;
        if (!Interlaced) {
            const std::int64_t n = std::int64_t(Width) * Height;
            for (std::int64_t i = 0; i < n; ++i) {
                const int v = decoder->NextValue();
                if (v < 0) return;
                Pixels[i] = std::uint8_t(v);
            }
            return;
        }
        int row = 0;
        int pass = 0;
        int step = 8;
        for (;;) {
            std::uint8_t* p = Pixels + std::int64_t(row) * Width;
            for (int x = 0; x < Width; ++x) {
                const int v = decoder->NextValue();
                if (v < 0) return;
                p[x] = std::uint8_t(v);
            }
            row += step;
            while (row >= Height) {
                ++pass;
                if (pass > 3) return;
                if (pass > 1) step /= 2;
                row = step / 2;
            }
        }
    };
    try {
        fill();
    } catch (...) {
        try {
            decoder->NextValue();
            decoder->SkipBlocks();
        } catch (...) {}
        throw;
    }
    // Consumes the end code; data left after the picture is skipped up to the terminator,
    // so the next block is read where it starts.
    decoder->NextValue();
    decoder->SkipBlocks();
}
