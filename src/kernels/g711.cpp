// G.711 A-law and µ-law after the ITU-T reference rules: the encoder works on
// the 16-bit value (1's complement magnitude for negative samples, truncating
// quantisation), the decoder yields the mid-step reconstruction values.
//
// Neither direction uses a table: a segment is the position of the leading
// one, which the exponent field of the value converted to float gives
// directly, with the four bits after it (the mantissa) right beside it. So
// both directions are plain arithmetic that vectorizes.
#include "vocalith/veckern/veckern.h"

#include "kernels/cpu_dispatch.h"
#include "kernels/s16_pack.h"
#include "kernels/sample_scale.h"

#if VOCALITH_KERNELS_AVX2
#include <immintrin.h>
#endif

namespace veckern {

namespace {

constexpr std::uint32_t c_nFloatBias = 127;
constexpr std::uint32_t c_nMantissaBits = 23;

inline float float_from_bits(std::uint32_t nBits)
{
    float f;
    std::memcpy(&f, &nBits, sizeof f);
    return f;
}

inline std::uint32_t bits_of(float f)
{
    std::uint32_t nBits;
    std::memcpy(&nBits, &f, sizeof nBits);
    return nBits;
}

// 1.mmmm1 (binary) * 2^(e + 7) at our scale (/ 2^15), for the segment e and
// mantissa m of nSegmentMantissa = e * 16 + m: exponent field e - 8 + 127,
// then the four mantissa bits, then a one.
inline float mid_step(std::uint32_t nSegmentMantissa)
{
    return float_from_bits(((nSegmentMantissa + ((c_nFloatBias - 8) << 4)) << (c_nMantissaBits - 4)) |
                           (1u << (c_nMantissaBits - 5)));
}

// The exponent field and the top four fraction bits of a positive value
// below 2^24: (floor(log2 v) + 127) * 16 + the four bits after the leading one.
inline std::int32_t exponent_and_top4(std::int32_t nValue)
{
    return static_cast<std::int32_t>(bits_of(static_cast<float>(nValue)) >> (c_nMantissaBits - 4));
}

// Positive codes carry bit 7; the float's sign bit for the others.
inline float with_sign(float fMagnitude, std::uint32_t nCode)
{
    return float_from_bits(bits_of(fMagnitude) | (((nCode & 0x80) ^ 0x80) << 24));
}

// Bit 7 set for samples >= 0.
inline std::int32_t sign_bit(std::int32_t nSample)
{
    return (~nSample >> 8) & 0x80;
}

// µ-law: magnitude in 14 bits plus the bias of 33, limited to 13 bits; its
// leading one at bit 5 + segment. The code is the inverted segment and
// mantissa. Code 0x7F (negative zero) decodes to -0.0.
VOCALITH_KERNEL_LOOP void ulaw_encode_loop(std::uint8_t* __restrict dst,
                                           const std::int16_t* __restrict src, std::uint32_t n)
{
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::int32_t nSample = src[i];
        const std::int32_t nMagnitude = nSample ^ (nSample >> 31);
        std::int32_t nBiased = (nMagnitude >> 2) + 33;
        nBiased = nBiased < 0x1FFF ? nBiased : 0x1FFF;
        const std::int32_t nSegment = exponent_and_top4(nBiased) - ((c_nFloatBias + 5) << 4);
        dst[i] = static_cast<std::uint8_t>((0x7F ^ nSegment) | sign_bit(nSample));
    }
}

// The mid-step value of segment e, mantissa m, ((8m + 132) << e) - 132, is
// 1.mmmm1 (binary) * 2^(e + 7) - 132: a float built from the code's bits.
VOCALITH_KERNEL_LOOP void ulaw_decode_loop(float* __restrict dst, const std::uint8_t* __restrict src,
                                           std::uint32_t n)
{
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t nCode = src[i];
        const std::uint32_t nSegmentMantissa = ~nCode & 0x7F;
        const float fMagnitude = mid_step(nSegmentMantissa) - 132.0f * detail::c_fInt16Unit;
        dst[i] = with_sign(fMagnitude, nCode);
    }
}

// A-law: magnitude in 12 bits; below 32 it is the code itself (segments 0
// and 1 share one step), above it the leading one sits at bit 3 + segment.
// Even bits are inverted.
VOCALITH_KERNEL_LOOP void alaw_encode_loop(std::uint8_t* __restrict dst,
                                           const std::int16_t* __restrict src, std::uint32_t n)
{
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::int32_t nSample = src[i];
        const std::int32_t nMagnitude = (nSample ^ (nSample >> 31)) >> 4;
        const std::int32_t nSegment = exponent_and_top4(nMagnitude) - ((c_nFloatBias + 3) << 4);
        const std::int32_t nCode = nMagnitude < 32 ? nMagnitude : nSegment;
        dst[i] = static_cast<std::uint8_t>((nCode | sign_bit(nSample)) ^ 0x55);
    }
}

// Segments 1 to 7: (16m + 264) << (e - 1) is 1.mmmm1 (binary) * 2^(e + 7).
// Segment 0 has no leading one, (16m + 8) is segment 1's value less 256.
VOCALITH_KERNEL_LOOP void alaw_decode_loop(float* __restrict dst, const std::uint8_t* __restrict src,
                                           std::uint32_t n)
{
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t nCode = src[i];
        const std::uint32_t nSegmentMantissa = (nCode ^ 0x55) & 0x7F;
        // All ones in segment 0; masks rather than selects, which vectorize
        // badly between the byte input and the 32-bit lanes.
        const std::uint32_t nSegment0 =
            static_cast<std::uint32_t>(static_cast<std::int32_t>(nSegmentMantissa - 16) >> 31);
        const float fMagnitude = mid_step(nSegmentMantissa + (nSegment0 & 16)) -
                                 float_from_bits(nSegment0 & bits_of(256.0f * detail::c_fInt16Unit));
        dst[i] = with_sign(fMagnitude, nCode);
    }
}

#if VOCALITH_KERNELS_AVX2
// Both directions once more with intrinsics, same formulas as above. The
// compiler widens the bytes to 32-bit lanes through 16 bits with lane
// shuffles, which costs more than the arithmetic; one zero-extending load
// does it here. The encoder goes from float to code in one pass, without
// the 16-bit samples in between.
template <bool bAlaw>
VOCALITH_TARGET_AVX2 inline __m256 decode8(const std::uint8_t* src)
{
    const __m256i nCode = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src)));
    // (segment * 16 + mantissa + bias) << 19 | half step, as one shift and add.
    const __m256i c_nBitsBase =
        _mm256_set1_epi32(static_cast<int>((((c_nFloatBias - 8) << 4) << (c_nMantissaBits - 4)) |
                                           (1u << (c_nMantissaBits - 5))));
    __m256i nSegmentMantissa;
    __m256 fOffset;
    if (bAlaw) {
        nSegmentMantissa = _mm256_and_si256(_mm256_xor_si256(nCode, _mm256_set1_epi32(0x55)),
                                            _mm256_set1_epi32(0x7F));
        const __m256i nSegment0 = _mm256_cmpgt_epi32(_mm256_set1_epi32(16), nSegmentMantissa);
        nSegmentMantissa = _mm256_add_epi32(nSegmentMantissa, _mm256_and_si256(nSegment0, _mm256_set1_epi32(16)));
        fOffset = _mm256_and_ps(_mm256_castsi256_ps(nSegment0), _mm256_set1_ps(256.0f * detail::c_fInt16Unit));
    } else {
        nSegmentMantissa = _mm256_andnot_si256(nCode, _mm256_set1_epi32(0x7F));
        fOffset = _mm256_set1_ps(132.0f * detail::c_fInt16Unit);
    }
    const __m256i nBits = _mm256_add_epi32(_mm256_slli_epi32(nSegmentMantissa, c_nMantissaBits - 4), c_nBitsBase);
    const __m256 fMagnitude = _mm256_sub_ps(_mm256_castsi256_ps(nBits), fOffset);
    const __m256i nSignBit = _mm256_slli_epi32(_mm256_andnot_si256(nCode, _mm256_set1_epi32(0x80)), 24);
    return _mm256_or_ps(fMagnitude, _mm256_castsi256_ps(nSignBit));
}

template <bool bAlaw>
VOCALITH_TARGET_AVX2 void decode_avx2(float* dst, const std::uint8_t* src, std::uint32_t n)
{
    std::uint32_t i = 0;
    for (; i + 16 <= n; i += 16) {
        _mm256_storeu_ps(dst + i, decode8<bAlaw>(src + i));
        _mm256_storeu_ps(dst + i + 8, decode8<bAlaw>(src + i + 8));
    }
    if (i + 8 <= n) {
        _mm256_storeu_ps(dst + i, decode8<bAlaw>(src + i));
        i += 8;
    }
    if (bAlaw) {
        alaw_decode_loop(dst + i, src + i, n - i);
    } else {
        ulaw_decode_loop(dst + i, src + i, n - i);
    }
}

// Eight codes in 32-bit lanes from eight floats: the 16-bit sample first
// (as pack_s16 makes it: nearest, saturated, NaN to 0), then the code.
template <bool bAlaw>
VOCALITH_TARGET_AVX2 inline __m256i encode8(const float* src)
{
    __m256 x = _mm256_mul_ps(_mm256_loadu_ps(src), _mm256_set1_ps(detail::c_fInt16Scale));
    x = _mm256_and_ps(x, _mm256_cmp_ps(x, x, _CMP_ORD_Q));
    x = _mm256_min_ps(x, _mm256_set1_ps(32767.0f));
    if (bAlaw) {
        x = _mm256_max_ps(x, _mm256_set1_ps(-32768.0f));
    }
    // Without the lower bound (µ-law) a sample below -32768 converts to a larger
    // magnitude, or to INT32_MIN beyond the 32-bit range; the code saturates
    // at 0x1FFF just the same.
    const __m256i nSample = _mm256_cvtps_epi32(x);
    const __m256i nNegative = _mm256_srai_epi32(nSample, 31);
    const __m256i nMagnitude = _mm256_xor_si256(nSample, nNegative);
    const __m256i nSign = _mm256_andnot_si256(nNegative, _mm256_set1_epi32(0x80));
    if (bAlaw) {
        const __m256i nLinear = _mm256_srai_epi32(nMagnitude, 4);
        const __m256i nSegment = _mm256_sub_epi32(
            _mm256_srli_epi32(_mm256_castps_si256(_mm256_cvtepi32_ps(nLinear)), c_nMantissaBits - 4),
            _mm256_set1_epi32((c_nFloatBias + 3) << 4));
        const __m256i nSmall = _mm256_cmpgt_epi32(_mm256_set1_epi32(32), nLinear);
        const __m256i nCode = _mm256_blendv_epi8(nSegment, nLinear, nSmall);
        return _mm256_xor_si256(_mm256_or_si256(nCode, nSign), _mm256_set1_epi32(0x55));
    }
    const __m256i nBiased =
        _mm256_min_epi32(_mm256_add_epi32(_mm256_srai_epi32(nMagnitude, 2), _mm256_set1_epi32(33)),
                         _mm256_set1_epi32(0x1FFF));
    const __m256i nSegment = _mm256_srli_epi32(_mm256_castps_si256(_mm256_cvtepi32_ps(nBiased)), c_nMantissaBits - 4);
    // 0x7F ^ (segment - bias) is 0x7F - (segment - bias): it lies within 0 to 0x7F.
    const __m256i nCode = _mm256_sub_epi32(_mm256_set1_epi32(0x7F + ((c_nFloatBias + 5) << 4)), nSegment);
    return _mm256_or_si256(nCode, nSign);
}

template <bool bAlaw>
VOCALITH_TARGET_AVX2 std::uint32_t encode_avx2(std::uint8_t* dst, const float* src, std::uint32_t n)
{
    // The packs work within 128-bit lanes; the permute puts the quarters in order.
    const __m256i c_nOrder = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    std::uint32_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i nLow = _mm256_packs_epi32(encode8<bAlaw>(src + i), encode8<bAlaw>(src + i + 8));
        const __m256i nHigh = _mm256_packs_epi32(encode8<bAlaw>(src + i + 16), encode8<bAlaw>(src + i + 24));
        const __m256i nBytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(nLow, nHigh), c_nOrder);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), nBytes);
    }
    return i;
}
#endif

template <bool bAlaw>
void decode(float* dst, const std::uint8_t* src, std::uint32_t n)
{
#if VOCALITH_KERNELS_AVX2
    if (detail::use_avx2()) {
        decode_avx2<bAlaw>(dst, src, n);
        return;
    }
#endif
    if (bAlaw) {
        detail::dispatch<alaw_decode_loop>(dst, src, n);
    } else {
        detail::dispatch<ulaw_decode_loop>(dst, src, n);
    }
}

// With AVX2, whole groups of 32 go from float to code in one pass. The rest,
// and everything without AVX2, is converted a chunk at a time to 16-bit
// samples, then coded; the chunk stays in the first-level cache.
template <bool bAlaw, void (*pCodeLoop)(std::uint8_t*, const std::int16_t*, std::uint32_t)>
void encode(std::uint8_t* dst, const float* src, std::uint32_t n)
{
#if VOCALITH_KERNELS_AVX2
    if (detail::use_avx2()) {
        const std::uint32_t nDone = encode_avx2<bAlaw>(dst, src, n);
        dst += nDone;
        src += nDone;
        n -= nDone;
    }
#endif
    constexpr std::uint32_t c_nChunk = 512;
    std::int16_t aSample[c_nChunk];
    while (n != 0) {
        const std::uint32_t nNow = n < c_nChunk ? n : c_nChunk;
        detail::pack_s16(reinterpret_cast<unsigned char*>(aSample), src, nNow, false);
        detail::dispatch<pCodeLoop>(dst, static_cast<const std::int16_t*>(aSample), nNow);
        dst += nNow;
        src += nNow;
        n -= nNow;
    }
}

}  // namespace

void ulaw_to_f32(float* dst, const std::uint8_t* src, std::uint32_t n)
{
    decode<false>(dst, src, n);
}

void f32_to_ulaw(std::uint8_t* dst, const float* src, std::uint32_t n)
{
    encode<false, ulaw_encode_loop>(dst, src, n);
}

void alaw_to_f32(float* dst, const std::uint8_t* src, std::uint32_t n)
{
    decode<true>(dst, src, n);
}

void f32_to_alaw(std::uint8_t* dst, const float* src, std::uint32_t n)
{
    encode<true, alaw_encode_loop>(dst, src, n);
}

}  // namespace veckern
