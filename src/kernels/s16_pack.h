// Block conversion of float samples to 16-bit values at our scale, the step
// every encoding kernel shares (16-bit PCM, G.711 indices, GSM input).
#ifndef VOCALITH_SRC_KERNELS_S16_PACK_H
#define VOCALITH_SRC_KERNELS_S16_PACK_H

#include <cstdint>

namespace veckern {
namespace detail {

// n floats to n 16-bit values in host byte order (bSwap: the other order) at
// dst, which needs no alignment. Rounds to nearest, saturates, NaN gives 0.
void pack_s16(unsigned char* dst, const float* src, std::uint32_t n, bool bSwap);

}  // namespace detail
}  // namespace veckern

#endif
