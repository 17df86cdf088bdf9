#pragma once
// The byte-level steps the GIF blocks share when they are read and written: single bytes,
// little-endian 16-bit fields, and fixed-size parts that must be there whole.
#include <cstdint>

#include "chart/storage/TGIFImage.h"

namespace gifbytes {

inline void ReadCheck(TStream* Stream, void* Buffer, std::int64_t Count)
{
    if (Stream->Read(Buffer, Count) != Count) throw GIFException("Premature end of data");
}

// One byte; -1 at the end of the stream.
inline int ReadByte(TStream* Stream)
{
    std::uint8_t b = 0;
    return Stream->Read(&b, 1) == 1 ? b : -1;
}

inline void WriteByte(TStream* Stream, std::uint8_t b)
{
    Stream->WriteBuffer(&b, 1);
}

inline std::uint16_t Get16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}

inline void Put16(std::uint8_t* p, int v)
{
    p[0] = std::uint8_t(v & 0xFF);
    p[1] = std::uint8_t((v >> 8) & 0xFF);
}

}  // namespace gifbytes
