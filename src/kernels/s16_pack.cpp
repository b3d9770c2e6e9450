#include "kernels/s16_pack.h"

#include "kernels/cpu_dispatch.h"
#include "kernels/sample_scale.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace veckern {
namespace detail {

namespace {

template <bool bSwap>
void pack_tail(unsigned char* dst, const float* src, std::uint32_t n)
{
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint16_t nBits = static_cast<std::uint16_t>(float_to_s16(src[i]));
        store_u16(dst + 2 * static_cast<std::size_t>(i), bSwap ? byte_swap16(nBits) : nBits);
    }
}

#if defined(__SSE2__)
// Written with intrinsics: the compiler's own vectorization of the selects in
// float_to_s16 packs the masks to 16 bits and takes several times longer.
// The conversion rounds in the current mode, as lrintf does. It gives
// 0x80000000 for anything beyond the 32-bit range, which the saturating pack
// turns into -32768: right for large negative values, so only the upper
// bound needs a clamp, and NaN must be masked to 0 before it.
inline __m128i to_s32(__m128 x)
{
    x = _mm_mul_ps(x, _mm_set1_ps(c_fInt16Scale));
    x = _mm_and_ps(x, _mm_cmpord_ps(x, x));
    x = _mm_min_ps(x, _mm_set1_ps(32767.0f));
    return _mm_cvtps_epi32(x);
}

template <bool bSwap>
inline __m128i swap_if(__m128i values)
{
    return bSwap ? _mm_or_si128(_mm_slli_epi16(values, 8), _mm_srli_epi16(values, 8)) : values;
}

template <bool bSwap>
void pack_sse2(unsigned char* dst, const float* src, std::uint32_t n)
{
    std::uint32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i values =
            _mm_packs_epi32(to_s32(_mm_loadu_ps(src + i)), to_s32(_mm_loadu_ps(src + i + 4)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * static_cast<std::size_t>(i)),
                         swap_if<bSwap>(values));
    }
    pack_tail<bSwap>(dst + 2 * static_cast<std::size_t>(i), src + i, n - i);
}

VOCALITH_TARGET_AVX2 inline __m256i to_s32(__m256 x)
{
    x = _mm256_mul_ps(x, _mm256_set1_ps(c_fInt16Scale));
    x = _mm256_and_ps(x, _mm256_cmp_ps(x, x, _CMP_ORD_Q));
    x = _mm256_min_ps(x, _mm256_set1_ps(32767.0f));
    return _mm256_cvtps_epi32(x);
}

template <bool bSwap>
VOCALITH_TARGET_AVX2 void pack_avx2(unsigned char* dst, const float* src, std::uint32_t n)
{
    std::uint32_t i = 0;
    for (; i + 16 <= n; i += 16) {
        // The pack works within 128-bit lanes; the permute puts the quarters in order.
        __m256i values =
            _mm256_packs_epi32(to_s32(_mm256_loadu_ps(src + i)), to_s32(_mm256_loadu_ps(src + i + 8)));
        values = _mm256_permute4x64_epi64(values, 0xD8);
        if (bSwap) {
            values = _mm256_or_si256(_mm256_slli_epi16(values, 8), _mm256_srli_epi16(values, 8));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 2 * static_cast<std::size_t>(i)), values);
    }
    // The compiler leaves the upper halves dirty on a tail call into code
    // built without AVX; the SSE code that follows (ours, then the caller's,
    // libgsm's) would pay for that on every instruction.
    _mm256_zeroupper();
    pack_sse2<bSwap>(dst + 2 * static_cast<std::size_t>(i), src + i, n - i);
}

template <bool bSwap>
void pack(unsigned char* dst, const float* src, std::uint32_t n)
{
    if (cpu_has_avx2()) {
        pack_avx2<bSwap>(dst, src, n);
    } else {
        pack_sse2<bSwap>(dst, src, n);
    }
}
#else
template <bool bSwap>
void pack(unsigned char* dst, const float* src, std::uint32_t n)
{
    pack_tail<bSwap>(dst, src, n);
}
#endif

}  // namespace

void pack_s16(unsigned char* dst, const float* src, std::uint32_t n, bool bSwap)
{
    if (bSwap) {
        pack<true>(dst, src, n);
    } else {
        pack<false>(dst, src, n);
    }
}

}  // namespace detail
}  // namespace veckern
