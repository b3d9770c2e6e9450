// Block arithmetic on float samples.
#include "vocalith/veckern/veckern.h"

#include "kernels/cpu_dispatch.h"

namespace veckern {

namespace {

VOCALITH_KERNEL_LOOP void scale_loop(float* dst, float gain, std::uint32_t n)
{
    for (std::uint32_t i = 0; i < n; ++i) {
        dst[i] *= gain;
    }
}

VOCALITH_KERNEL_LOOP void mul_add_loop(float* __restrict dst, const float* __restrict src, float gain,
                                       std::uint32_t n)
{
    for (std::uint32_t i = 0; i < n; ++i) {
        dst[i] += src[i] * gain;
    }
}

}  // namespace

void scale(float* dst, float gain, std::uint32_t n)
{
    detail::dispatch<scale_loop>(dst, gain, n);
}

void mul_add(float* dst, const float* src, float gain, std::uint32_t n)
{
    detail::dispatch<mul_add_loop>(dst, src, gain, n);
}

}  // namespace veckern
