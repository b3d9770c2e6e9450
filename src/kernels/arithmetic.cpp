// Block arithmetic on float samples.
#include "vocalith/veckern/veckern.h"

namespace veckern {

void scale(float* dst, float gain, std::uint32_t n)
{
    for (std::uint32_t i = 0; i < n; ++i) {
        dst[i] *= gain;
    }
}

void mul_add(float* __restrict dst, const float* __restrict src, float gain, std::uint32_t n)
{
    for (std::uint32_t i = 0; i < n; ++i) {
        dst[i] += src[i] * gain;
    }
}

}  // namespace veckern
