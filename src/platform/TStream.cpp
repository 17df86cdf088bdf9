#include "platform/TStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

std::int64_t TStream::GetSize()
{
    const std::int64_t pos = Seek(0, soFromCurrent);
    const std::int64_t size = Seek(0, soFromEnd);
    Seek(pos, soFromBeginning);
    return size;
}

void TStream::ReadBuffer(void* Buffer, std::int64_t Count)
{
    if (Count > 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count)
{
    if (Count > 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream* Source, std::int64_t Count)
{
    if (Count == 0) {
        Source->SetPosition(0);
        Count = Source->GetSize();
    }
    std::uint8_t buf[65536];
    std::int64_t left = Count;
    while (left > 0) {
        const std::int64_t n = std::min<std::int64_t>(left, sizeof buf);
        Source->ReadBuffer(buf, n);
        WriteBuffer(buf, n);
        left -= n;
    }
    return Count;
}

// ---- TMemoryStream

TMemoryStream::TMemoryStream(const void* Data, std::size_t Size)
    : FData(static_cast<const std::uint8_t*>(Data), static_cast<const std::uint8_t*>(Data) + Size)
{}

std::int64_t TMemoryStream::Read(void* Buffer, std::int64_t Count)
{
    const std::int64_t size = GetSize();
    if (Count <= 0 || FPosition >= size) return 0;
    const std::int64_t n = std::min(Count, size - FPosition);
    std::memcpy(Buffer, FData.data() + FPosition, std::size_t(n));
    FPosition += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count)
{
    if (Count <= 0) return 0;
    const std::size_t end = std::size_t(FPosition + Count);
    if (end > FData.size()) FData.resize(end);
    std::memcpy(FData.data() + FPosition, Buffer, std::size_t(Count));
    FPosition += Count;
    return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin)
{
    std::int64_t base = 0;
    if (Origin == soFromCurrent)
        base = FPosition;
    else if (Origin == soFromEnd)
        base = GetSize();
    FPosition = std::max<std::int64_t>(0, base + Offset);
    return FPosition;
}

void TMemoryStream::SetSize(std::int64_t NewSize)
{
    FData.resize(std::size_t(std::max<std::int64_t>(0, NewSize)));
    FPosition = std::min<std::int64_t>(FPosition, GetSize());
}

void TMemoryStream::Clear()
{
    FData.clear();
    FPosition = 0;
}

void TMemoryStream::LoadFromFile(const AnsiString& FileName)
{
    TFileStream f(FileName, fmOpenRead);
    const std::int64_t size = f.GetSize();
    FData.assign(std::size_t(size), 0);
    f.ReadBuffer(FData.data(), size);
    FPosition = 0;
}

void TMemoryStream::SaveToFile(const AnsiString& FileName)
{
    TFileStream f(FileName, fmCreate);
    f.WriteBuffer(FData.data(), GetSize());
}

// ---- TFileStream

TFileStream::TFileStream(const AnsiString& FileName, unsigned Mode)
{
    int flags = 0;
    if (Mode == fmCreate)
        flags = O_RDWR | O_CREAT | O_TRUNC;
    else if ((Mode & 3) == fmOpenWrite)
        flags = O_WRONLY;
    else if ((Mode & 3) == fmOpenReadWrite)
        flags = O_RDWR;
    else
        flags = O_RDONLY;
    FHandle = ::open(FileName.c_str(), flags | O_CLOEXEC, 0666);
    if (FHandle < 0) {
        const char* what = Mode == fmCreate ? "Cannot create file \"" : "Cannot open file \"";
        throw EFOpenError(std::string(what) + FileName + "\". " + std::strerror(errno));
    }
}

TFileStream::~TFileStream()
{
    if (FHandle >= 0) ::close(FHandle);
}

std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count)
{
    std::int64_t done = 0;
    while (done < Count) {
        const ssize_t n = ::read(FHandle, static_cast<char*>(Buffer) + done, std::size_t(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count)
{
    std::int64_t done = 0;
    while (done < Count) {
        const ssize_t n = ::write(FHandle, static_cast<const char*>(Buffer) + done, std::size_t(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin)
{
    const int whence = Origin == soFromBeginning ? SEEK_SET : Origin == soFromCurrent ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(FHandle, off_t(Offset), whence);
    if (r < 0) r = ::lseek(FHandle, 0, SEEK_SET);
    return std::int64_t(r);
}
