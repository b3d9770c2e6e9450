#include "fconv/riff.h"

#include <algorithm>
#include <limits>

#include "vocalith/fconv/sound_stream.h"

namespace fconv {
namespace riff {

namespace {

// Bytes 2 to 15 of every standard sub-format GUID; bytes 0 and 1 hold the tag.
constexpr std::uint8_t c_aGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                          0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

constexpr unsigned c_nPositionUnknown = std::numeric_limits<unsigned>::max();

}  // namespace

std::uint16_t effective_tag(const std::uint8_t* pFormat, unsigned nSize)
{
    if (nSize < 2) return 0;
    const std::uint16_t nTag = get16(pFormat);
    if (nTag != tag_extensible || nSize < c_nExtensibleFormatSize) return nTag;
    const std::uint8_t* pGuid = pFormat + c_nSubFormatOffset;
    if (std::memcmp(pGuid + 2, c_aGuidTail, sizeof(c_aGuidTail)) != 0) return nTag;
    return get16(pGuid);
}

std::uint64_t stream_size(sound_stream& s)
{
    const unsigned nHere = s.pos();
    if (nHere == c_nPositionUnknown) return std::numeric_limits<std::uint64_t>::max();
    s.end();
    const unsigned nEnd = s.pos();
    s.top(nHere);
    if (nEnd == c_nPositionUnknown) return std::numeric_limits<std::uint64_t>::max();
    return nEnd;
}

void skip(sound_stream& s, std::uint64_t nCount)
{
    constexpr std::uint64_t c_nStep = 0x40000000;  // fits every platform's long
    while (nCount > 0) {
        const std::uint64_t nPart = std::min(nCount, c_nStep);
        s.skip(static_cast<unsigned>(nPart));
        nCount -= nPart;
    }
}

}  // namespace riff
}  // namespace fconv
