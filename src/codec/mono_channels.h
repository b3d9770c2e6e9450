// Mono codecs fill channel 0 and repeat it in every other channel.
#ifndef VOCALITH_CODEC_MONO_CHANNELS_H
#define VOCALITH_CODEC_MONO_CHANNELS_H

#include <cstdint>
#include <cstring>

#include "vocalith/app/multibuffer.h"

namespace codec {

// Copies nCount samples of channel 0 at the buffer's offset into channels
// 1 .. N-1 at the same offset.
inline void copy_channel_0(app::sample_buffer& buf, std::uint32_t nCount)
{
    const float* pFirst = buf.data(0);
    for (std::uint32_t c = 1; c < buf.channel_count(); ++c) {
        std::memcpy(buf.data(c), pFirst, nCount * sizeof(float));
    }
}

}  // namespace codec

#endif
