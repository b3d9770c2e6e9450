// The stream parameters that an engine and the plugin instances of its
// presets must agree on.
#ifndef VOCALITH_APP_STREAM_FORMAT_H
#define VOCALITH_APP_STREAM_FORMAT_H

#include <cstdint>

#include "vocalith/app/globals.h"

namespace app {

struct stream_format {
    std::uint32_t nChannelCount;  // interleaved channels
    std::uint32_t nSampleRate;    // hertz
    std::uint32_t nBlockSize;     // filter block, samples per channel

    // The process-wide values as they stand now.
    static stream_format current()
    {
        return stream_format{s_Global.nChannelCount, s_Global.nSampleRate, s_Global.nBlockSize};
    }
};

}  // namespace app

#endif
