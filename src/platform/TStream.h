#pragma once
// Byte streams as the class library has them: a position, a size, Read/Write that answer
// the number of bytes moved, and ReadBuffer/WriteBuffer that raise when they come short.
// TMemoryStream keeps the bytes in memory, TFileStream works on a file.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/AnsiString.h"
#include "platform/Exception.h"

class EStreamError : public EInOutError {
public:
    using EInOutError::EInOutError;
};
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

enum TSeekOrigin { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStream {
public:
    virtual ~TStream() = default;
    // Copy up to Count bytes; answer how many were copied (0 at the end of the stream).
    virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
    virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
    // Answers the new position; positions before the start are clipped to 0.
    virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
    virtual std::int64_t GetSize();

    std::int64_t GetPosition() { return Seek(0, soFromCurrent); }
    void SetPosition(std::int64_t Pos) { Seek(Pos, soFromBeginning); }
    // Raise EReadError ("Stream read error") / EWriteError ("Stream write error") when
    // fewer than Count bytes could be moved.
    void ReadBuffer(void* Buffer, std::int64_t Count);
    void WriteBuffer(const void* Buffer, std::int64_t Count);
    // Copies Count bytes from Source (all of it from its start when Count is 0).
    std::int64_t CopyFrom(TStream* Source, std::int64_t Count);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    TMemoryStream(const void* Data, std::size_t Size);
    std::int64_t Read(void* Buffer, std::int64_t Count) override;
    std::int64_t Write(const void* Buffer, std::int64_t Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    std::int64_t GetSize() override { return std::int64_t(FData.size()); }
    void SetSize(std::int64_t NewSize);
    void Clear();
    const std::uint8_t* Memory() const { return FData.data(); }
    const std::vector<std::uint8_t>& Bytes() const { return FData; }
    void LoadFromFile(const AnsiString& FileName);
    void SaveToFile(const AnsiString& FileName);

private:
    std::vector<std::uint8_t> FData;
    std::int64_t FPosition = 0;
};

enum : unsigned { fmOpenRead = 0x0000, fmOpenWrite = 0x0001, fmOpenReadWrite = 0x0002, fmCreate = 0xFF00 };

class TFileStream : public TStream {
public:
    // fmCreate creates or empties the file; fmOpenRead/Write/ReadWrite open an existing one.
    // Raise EFOpenError naming the file and the reason.
    TFileStream(const AnsiString& FileName, unsigned Mode);
    ~TFileStream() override;
    std::int64_t Read(void* Buffer, std::int64_t Count) override;
    std::int64_t Write(const void* Buffer, std::int64_t Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;

private:
    int FHandle = -1;
};
