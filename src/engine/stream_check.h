// The stream parameters an engine can be built for.
#ifndef VOCALITH_SRC_ENGINE_STREAM_CHECK_H
#define VOCALITH_SRC_ENGINE_STREAM_CHECK_H

#include <cstdint>

#include "vocalith/app/stream_format.h"

namespace app {

constexpr std::uint32_t c_nMaxChannelCount = 256;
constexpr std::uint32_t c_nMaxSampleRate = 768000;
constexpr std::uint32_t c_nMaxBlockSize = 65536;

// Returns format when every value is in range (channels 1..256, rate
// 1..768000 Hz, block 1..65536 samples); otherwise throws app::exception
// naming the first value outside and its range. Within these limits no
// buffer size computed from them can wrap.
const stream_format& checked(const stream_format& format);

}  // namespace app

#endif
