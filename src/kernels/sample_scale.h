// The one scale between 16-bit samples and floats, shared by every kernel
// that converts: float 1.0 is the 16-bit value 32768.
#ifndef VOCALITH_SRC_KERNELS_SAMPLE_SCALE_H
#define VOCALITH_SRC_KERNELS_SAMPLE_SCALE_H

#include <cstdint>
#include <cstring>

namespace veckern {
namespace detail {

constexpr float c_fInt16Scale = 32768.0f;
constexpr float c_fInt16Unit = 1.0f / 32768.0f;

// Float sample to 16-bit: nearest value (ties as lrintf in the default
// rounding mode), saturated to [-32768, 32767], NaN to 0. Written with plain
// selects and a magic-number rounding, no library call, so that the loops
// around it vectorize.
inline std::int16_t float_to_s16(float fSample)
{
    float x = fSample * c_fInt16Scale;
    x = x < -32768.0f ? -32768.0f : x;
    x = x > 32767.0f ? 32767.0f : x;
    x = x == x ? x : 0.0f;
    // 1.5 * 2^23 leaves no fraction bits for |x| < 2^22, so the addition rounds
    // in the current mode and the subtraction is exact.
    constexpr float c_fRound = 12582912.0f;
    x = (x + c_fRound) - c_fRound;
    return static_cast<std::int16_t>(static_cast<std::int32_t>(x));
}

inline float s16_to_float(std::int16_t nSample)
{
    return static_cast<float>(nSample) * c_fInt16Unit;
}

inline std::uint16_t byte_swap16(std::uint16_t nValue)
{
    return static_cast<std::uint16_t>((nValue >> 8) | (nValue << 8));
}

// Unaligned 16-bit access through memcpy: the compiler turns it into plain
// (vector) loads and stores.
inline std::uint16_t load_u16(const unsigned char* p)
{
    std::uint16_t nValue;
    std::memcpy(&nValue, p, sizeof nValue);
    return nValue;
}

inline void store_u16(unsigned char* p, std::uint16_t nValue)
{
    std::memcpy(p, &nValue, sizeof nValue);
}

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr bool c_bBigEndianHost = true;
#else
constexpr bool c_bBigEndianHost = false;
#endif

}  // namespace detail
}  // namespace veckern

#endif
