// Interleaved linear PCM frames to and from planar samples, shared by the
// three PCM codecs. Any channel count, no heap: multi-channel data passes
// through a fixed scratch area on the stack, one conversion call per chunk.
#ifndef VOCALITH_CODEC_PCM_FRAMES_H
#define VOCALITH_CODEC_PCM_FRAMES_H

#include <cstdint>

#include "vocalith/app/multibuffer.h"
#include "vocalith/codec/records.h"

namespace codec {
namespace pcm_frames {

// nCount coded samples at pSrc to floats at pDst.
typedef void (*to_float_fn)(float* pDst, const void* pSrc, std::uint32_t nCount);
// nCount floats at pSrc to coded samples at pDst.
typedef void (*from_float_fn)(void* pDst, const float* pSrc, std::uint32_t nCount);

// Samples per scratch chunk.
constexpr std::uint32_t c_nChunkSamples = 1024;

// Decodes whole frames of nSampleBytes-wide samples from pData into the
// buffer at its offset, at most nCapacity frames.
decode_result decode(app::sample_buffer& out, std::uint32_t nCapacity, const void* pData,
                     std::uint32_t nSize, std::uint32_t nSampleBytes, to_float_fn convert);

// Encodes as many of the nSampleCount frames at the buffer's offset as fit
// whole into nCapacity bytes.
encode_result encode(void* pOut, std::uint32_t nCapacity, const app::sample_buffer& in,
                     std::uint32_t nSampleCount, std::uint32_t nSampleBytes, from_float_fn convert);

}  // namespace pcm_frames
}  // namespace codec

#endif
