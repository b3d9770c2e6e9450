// 16-bit PCM in either byte order to and from float samples, and byte swapping.
#include "vocalith/veckern/veckern.h"

#include "kernels/cpu_dispatch.h"
#include "kernels/s16_pack.h"
#include "kernels/sample_scale.h"

namespace veckern {

using detail::byte_swap16;
using detail::load_u16;
using detail::store_u16;

namespace {

template <bool bSwap>
VOCALITH_KERNEL_LOOP void s16_to_f32(float* __restrict dst, const unsigned char* __restrict src,
                                     std::uint32_t n)
{
    for (std::uint32_t i = 0; i < n; ++i) {
        std::uint16_t nBits = load_u16(src + 2 * static_cast<std::size_t>(i));
        if (bSwap) {
            nBits = byte_swap16(nBits);
        }
        dst[i] = detail::s16_to_float(static_cast<std::int16_t>(nBits));
    }
}

VOCALITH_KERNEL_LOOP void swap16_in_place(unsigned char* p, std::uint32_t n)
{
    for (std::uint32_t i = 0; i < n; ++i) {
        unsigned char* pValue = p + 2 * static_cast<std::size_t>(i);
        store_u16(pValue, byte_swap16(load_u16(pValue)));
    }
}

VOCALITH_KERNEL_LOOP void swap16_copy(unsigned char* __restrict dst,
                                      const unsigned char* __restrict src, std::uint32_t n)
{
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::size_t nAt = 2 * static_cast<std::size_t>(i);
        store_u16(dst + nAt, byte_swap16(load_u16(src + nAt)));
    }
}

}  // namespace

void swap16(void* dst, const void* src, std::uint32_t n)
{
    // In place is the common case (sound files swapping what they just read);
    // a separate loop keeps it vectorized without an overlap check.
    if (dst == src) {
        detail::dispatch<swap16_in_place>(static_cast<unsigned char*>(dst), n);
    } else {
        detail::dispatch<swap16_copy>(static_cast<unsigned char*>(dst),
                                      static_cast<const unsigned char*>(src), n);
    }
}

void s16le_to_f32(float* dst, const void* src, std::uint32_t n)
{
    detail::dispatch<s16_to_f32<detail::c_bBigEndianHost>>(dst, static_cast<const unsigned char*>(src),
                                                           n);
}

void s16be_to_f32(float* dst, const void* src, std::uint32_t n)
{
    detail::dispatch<s16_to_f32<!detail::c_bBigEndianHost>>(dst, static_cast<const unsigned char*>(src),
                                                            n);
}

void f32_to_s16le(void* dst, const float* src, std::uint32_t n)
{
    detail::pack_s16(static_cast<unsigned char*>(dst), src, n, detail::c_bBigEndianHost);
}

void f32_to_s16be(void* dst, const float* src, std::uint32_t n)
{
    detail::pack_s16(static_cast<unsigned char*>(dst), src, n, !detail::c_bBigEndianHost);
}

}  // namespace veckern
