#include "vocalith/codec/pcm_float32.h"

#include <cstring>

#include "codec/pcm_frames.h"

namespace codec {
namespace pcm_float32 {
namespace {

constexpr block_format c_format = {4, 1, false};

// The stream holds host-order floats, so both directions are plain copies.
void copy_in(float* pDst, const void* pSrc, std::uint32_t nCount)
{
    std::memcpy(pDst, pSrc, nCount * sizeof(float));
}

void copy_out(void* pDst, const float* pSrc, std::uint32_t nCount)
{
    std::memcpy(pDst, pSrc, nCount * sizeof(float));
}

}  // namespace

decode_result decoder::decode(app::sample_buffer& out, std::uint32_t nCapacity, const void* pData,
                              std::uint32_t nSize)
{
    return pcm_frames::decode(out, nCapacity, pData, nSize, c_format.nBlockBytes, copy_in);
}

codec::id decoder::id() const { return id_pcm_float32; }

const char* decoder::name() const { return "float32"; }

block_format decoder::format() const { return c_format; }

encode_result encoder::encode(void* pOut, std::uint32_t nCapacity, const app::sample_buffer& in,
                              std::uint32_t nSampleCount)
{
    return pcm_frames::encode(pOut, nCapacity, in, nSampleCount, c_format.nBlockBytes, copy_out);
}

codec::id encoder::id() const { return id_pcm_float32; }

const char* encoder::name() const { return "float32"; }

block_format encoder::format() const { return c_format; }

}  // namespace pcm_float32
}  // namespace codec
