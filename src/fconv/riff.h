// Little-endian fields and chunk walking of RIFF/WAVE files.
#ifndef VOCALITH_SRC_FCONV_RIFF_H
#define VOCALITH_SRC_FCONV_RIFF_H

#include <cstdint>
#include <cstring>

namespace fconv {

class sound_stream;

namespace riff {

constexpr unsigned c_nFormOffset = 12;       // "RIFF", size, "WAVE"; chunks follow
constexpr unsigned c_nChunkHeaderSize = 8;   // id, size
// A WAVE_FORMAT_EXTENSIBLE format chunk: 16 bytes, cbSize, valid bits,
// channel mask and the 16-byte sub-format GUID at offset 24.
constexpr unsigned c_nExtensibleFormatSize = 40;
constexpr unsigned c_nSubFormatOffset = 24;

enum format_tag : std::uint16_t {
    tag_pcm = 1,
    tag_float = 3,
    tag_alaw = 6,
    tag_ulaw = 7,
    tag_extensible = 0xFFFE,
};

inline bool is(const std::uint8_t* pId, const char* szId)
{
    return std::memcmp(pId, szId, 4) == 0;
}

inline std::uint16_t get16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t get32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

inline void put16(std::uint8_t* p, std::uint16_t n)
{
    p[0] = static_cast<std::uint8_t>(n);
    p[1] = static_cast<std::uint8_t>(n >> 8);
}

inline void put32(std::uint8_t* p, std::uint32_t n)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(n >> (8 * i));
}

// The format tag that names the coding: the sub-format's tag when an
// extensible chunk carries a GUID of the standard form, else the chunk's own
// tag. pFormat holds nSize bytes of the format chunk.
std::uint16_t effective_tag(const std::uint8_t* pFormat, unsigned nSize);

// Bytes in the stream; unlimited when it cannot tell (a pipe). The position
// is kept.
std::uint64_t stream_size(sound_stream& s);

// Moves nCount bytes forward, also past 4 GiB.
void skip(sound_stream& s, std::uint64_t nCount);

}  // namespace riff
}  // namespace fconv

#endif
