#pragma once
// The LZW code stream of a GIF frame: the two encoders a frame can be written with, the
// writer that cuts their bytes into data sub-blocks, and the decoder of the code stream.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "chart/storage/TGIFImage.h"

constexpr int GIFCodeBits = 12;
constexpr int GIFCodeMax = 1 << GIFCodeBits;  // 4096 codes

// Open-addressed table of (key, code) pairs: key x 4096 + code per entry, 0xFFFFFFFF free.
class THashTable {
public:
    // A power of two: the slot is a shift, an exclusive or and a mask, cheap on the chain
    // of lookups that each depends on the one before. Which slot a key takes changes
    // nothing of the codes written.
    static constexpr int HashSize = 8192;
    THashTable() { Clear(); }
    void Clear() { FTable.fill(0xFFFFFFFFu); }
    void Insert(std::uint32_t Key, int Code);
    // The code stored for Key, or -1. Inline: the encoder asks once per pixel.
    int Lookup(std::uint32_t Key) const
    {
        int h = HashKey(Key);
        // The table is never full (at most 4096 of its 8192 entries are used), so a free slot
        // ends every search.
        for (;;) {
            const std::uint32_t e = FTable[std::size_t(h)];
            if (e == 0xFFFFFFFFu) return -1;
            if ((e >> GIFCodeBits) == Key) return int(e & 0xFFF);
            h = NextHash(h);
        }
    }

private:
    static int HashKey(std::uint32_t Key) { return int(((Key >> 12) ^ Key) & (HashSize - 1)); }
    static int NextHash(int Hash) { return (Hash + 1) & (HashSize - 1); }
    std::array<std::uint32_t, HashSize> FTable;
};

// A write-only stream: reading and seeking raise "Invalid stream operation".
class TGIFStream : public TStream {
public:
    std::int64_t Read(void* Buffer, std::int64_t Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
};

// Cuts what is written into data sub-blocks of at most 255 bytes on the target stream.
// Flush (or the destructor) writes the last, shorter sub-block.
class TGIFWriter : public TGIFStream {
public:
    explicit TGIFWriter(TStream* Target) : FTarget(Target) {}
    ~TGIFWriter() override;
    std::int64_t Write(const void* Buffer, std::int64_t Count) override;
    // One byte, as Write of one byte does, without the stream call.
    void Put(std::uint8_t Byte)
    {
        FBuffer[std::size_t(FBufferCount++)] = Byte;
        FNeedsFlush = true;
        if (FBufferCount == 256) FlushBuffer();
    }
    void Flush();

private:
    void FlushBuffer();
    TStream* FTarget;
    std::array<std::uint8_t, 256> FBuffer{};
    int FBufferCount = 1;  // the first byte is the sub-block length
    bool FNeedsFlush = false;
};

class TGIFEncoder {
public:
    virtual ~TGIFEncoder() = default;
    // Encodes Width x Height pixels (one byte each, natural row order; interlaced frames are
    // taken in interlace pass order) whose values are below ColorCount, with the minimum code
    // size DataSize. Writes the LZW minimum code size byte, the sub-blocks and the terminator.
    void Compress(TStream* Stream, int ColorCount, int DataSize, int Width, int Height, bool Interlaced,
                  const std::uint8_t* Data);

protected:
    virtual void Output(int Value);
    virtual void Clear();
    virtual void DoCompress() = 0;
    // The next pixel value (checked against the colour count), or -1 at the end.
    int NextPixel();

    TGIFWriter* FStream = nullptr;
    int FColorCount = 0;
    int FDataSize = 0;
    int FWidth = 0;
    int FHeight = 0;
    bool FInterlace = false;
    const std::uint8_t* FData = nullptr;
    const std::uint8_t* FPixel = nullptr;
    std::int64_t FPixelsLeft = 0;
    int FRow = 0;
    int FPass = 0;
    bool FEnded = false;
    std::uint32_t FBitBucket = 0;
    int FBitCount = 0;
    int FInitialBitSize = 0;
    int FBitSize = 0;
    int FMaxCode = 0;
    int FClearCode = 0;
    int FEOFCode = 0;
    int FBaseCode = 0;
    bool FClearFlag = false;

private:
    void WriteEnd();
};

class TLZWEncoder : public TGIFEncoder {
protected:
    void Output(int Value) override;
    void Clear() override;
    void DoCompress() override;

private:
    void Step(THashTable& table, int& prefix, int c);
    int FFreeEntry = 0;
    std::unique_ptr<THashTable> FHashTable;
};

// Writes runs of equal pixels with only the codes a standard decoder builds by itself.
class TRLEEncoder : public TGIFEncoder {
protected:
    void Clear() override;
    void DoCompress() override;

private:
    void OutputPlain(int Value);
    void FlushRun();
    void FlushFromClear(int Count);
    void FlushClearOrRepeat(int Count);
    void FlushWithTable(int Count);
    void ResetOutClear();
    int ComputeTriangleCount(int Count, int RepCodes) const;

    int FRunPixel = -1;
    int FRunCount = 0;
    int FTablePixel = 0;
    int FTableMax = 0;
    int FOutCount = 0;
    int FOutBump = 0;
    int FOutBumpInit = 0;
    int FOutClear = 0;
    int FOutClearInit = 0;
    int FMaxOCodes = 0;
};

// Decodes one frame's code stream from Stream (the minimum code size byte first) into
// Width x Height pixels already filled with the fill value. Warnings go to Warn. Leaves the
// stream behind the block terminator (or at its end). Raises GIFException for an invalid
// minimum code size or a corrupt code table.
void DecodeGIFFrame(TStream* Stream, std::uint8_t* Pixels, int Width, int Height, bool Interlaced,
                    const std::function<void(const AnsiString&)>& Warn);
