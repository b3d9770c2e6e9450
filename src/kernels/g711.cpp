// G.711 A-law and µ-law after the ITU-T reference rules: the encoder works on
// the 16-bit value (1's complement magnitude for negative samples, truncating
// quantisation), the decoder yields the mid-step reconstruction values.
#include "vocalith/veckern/veckern.h"

#include <array>

#include "kernels/s16_pack.h"
#include "kernels/sample_scale.h"

namespace veckern {

namespace {

// Number of significant bits of a non-negative value.
constexpr int bit_width(int nValue)
{
    int nWidth = 0;
    for (; nValue != 0; nValue >>= 1) {
        ++nWidth;
    }
    return nWidth;
}

// µ-law depends only on the sample's top 14 bits (nHigh = sample >> 2).
constexpr std::uint8_t ulaw_from_high14(int nHigh)
{
    const bool bNegative = nHigh < 0;
    int nBiased = (bNegative ? ~nHigh : nHigh) + 33;
    if (nBiased > 0x1FFF) {
        nBiased = 0x1FFF;
    }
    const int nExponent = bit_width(nBiased) - 6;  // nBiased >= 33
    const int nMantissa = (nBiased >> (nExponent + 1)) & 0x0F;
    const int nCode = 0x7F ^ ((nExponent << 4) | nMantissa);
    return static_cast<std::uint8_t>(bNegative ? nCode : nCode | 0x80);
}

// A-law depends only on the sample's top 12 bits (nHigh = sample >> 4).
constexpr std::uint8_t alaw_from_high12(int nHigh)
{
    const bool bNegative = nHigh < 0;
    const int nMagnitude = bNegative ? ~nHigh : nHigh;  // 0..2047
    int nCode = nMagnitude;
    if (nMagnitude > 15) {
        const int nExponent = bit_width(nMagnitude) - 4;
        nCode = (nExponent << 4) | ((nMagnitude >> (nExponent - 1)) & 0x0F);
    }
    return static_cast<std::uint8_t>((bNegative ? nCode : nCode | 0x80) ^ 0x55);
}

constexpr int ulaw_value(int nCode)
{
    const int nBits = ~nCode & 0x7F;
    const int nExponent = nBits >> 4;
    const int nMagnitude = ((((nBits & 0x0F) << 3) + 132) << nExponent) - 132;
    return nCode & 0x80 ? nMagnitude : -nMagnitude;
}

constexpr int alaw_value(int nCode)
{
    const int nBits = (nCode ^ 0x55) & 0x7F;
    const int nExponent = nBits >> 4;
    const int nMantissa = nBits & 0x0F;
    const int nMagnitude = nExponent == 0 ? (nMantissa << 4) + 8
                                          : (((nMantissa + 16) << 4) + 8) << (nExponent - 1);
    return nCode & 0x80 ? nMagnitude : -nMagnitude;
}

// Tables indexed by the sample's bits as unsigned, shifted right: the upper
// half of the index range holds the negative samples.
template <std::size_t nSize, typename Code>
constexpr std::array<std::uint8_t, nSize> make_encode_table(Code code)
{
    std::array<std::uint8_t, nSize> table{};
    for (std::size_t i = 0; i < nSize; ++i) {
        const int nSigned = i < nSize / 2 ? static_cast<int>(i) : static_cast<int>(i) - static_cast<int>(nSize);
        table[i] = code(nSigned);
    }
    return table;
}

template <typename Value>
constexpr std::array<float, 256> make_decode_table(Value value)
{
    std::array<float, 256> table{};
    for (int i = 0; i < 256; ++i) {
        table[i] = static_cast<float>(value(i)) * detail::c_fInt16Unit;
    }
    return table;
}

constexpr unsigned int c_nUlawShift = 2;
constexpr unsigned int c_nAlawShift = 4;

constexpr auto c_ulawEncode = make_encode_table<(1u << (16 - c_nUlawShift))>(
    [](int nHigh) { return ulaw_from_high14(nHigh); });
constexpr auto c_alawEncode = make_encode_table<(1u << (16 - c_nAlawShift))>(
    [](int nHigh) { return alaw_from_high12(nHigh); });
constexpr auto c_ulawDecode = make_decode_table([](int nCode) { return ulaw_value(nCode); });
constexpr auto c_alawDecode = make_decode_table([](int nCode) { return alaw_value(nCode); });

// Converts a chunk to 16-bit samples in one vectorized pass, then looks up
// their top bits; the chunk stays in the first-level cache.
template <unsigned int nShift, std::size_t nTableSize>
void encode(std::uint8_t* __restrict dst, const float* __restrict src, std::uint32_t n,
            const std::array<std::uint8_t, nTableSize>& table)
{
    constexpr std::uint32_t c_nChunk = 256;
    std::uint16_t aSample[c_nChunk];
    while (n != 0) {
        const std::uint32_t nNow = n < c_nChunk ? n : c_nChunk;
        detail::pack_s16(reinterpret_cast<unsigned char*>(aSample), src, nNow, false);
        for (std::uint32_t i = 0; i < nNow; ++i) {
            dst[i] = table[aSample[i] >> nShift];
        }
        dst += nNow;
        src += nNow;
        n -= nNow;
    }
}

void decode(float* __restrict dst, const std::uint8_t* __restrict src, std::uint32_t n,
            const std::array<float, 256>& table)
{
    for (std::uint32_t i = 0; i < n; ++i) {
        dst[i] = table[src[i]];
    }
}

}  // namespace

void ulaw_to_f32(float* dst, const std::uint8_t* src, std::uint32_t n)
{
    decode(dst, src, n, c_ulawDecode);
}

void f32_to_ulaw(std::uint8_t* dst, const float* src, std::uint32_t n)
{
    encode<c_nUlawShift>(dst, src, n, c_ulawEncode);
}

void alaw_to_f32(float* dst, const std::uint8_t* src, std::uint32_t n)
{
    decode(dst, src, n, c_alawDecode);
}

void f32_to_alaw(std::uint8_t* dst, const float* src, std::uint32_t n)
{
    encode<c_nAlawShift>(dst, src, n, c_alawEncode);
}

}  // namespace veckern
