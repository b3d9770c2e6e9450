#include "vocalith/codec/pcm_float32.h"

#include <cstring>
#include <limits>

#include "codec/pcm_frames.h"

namespace codec {
namespace pcm_float32 {
namespace {

constexpr block_format c_format = {4, 1, false};

// The stream holds host-order floats: decoding is a plain copy.
void copy_in(float* pDst, const void* pSrc, std::uint32_t nCount)
{
    std::memcpy(pDst, pSrc, nCount * sizeof(float));
}

// Encoding copies finite samples unchanged; a NaN (a plugin gone wrong)
// becomes 0 and an infinity full scale, so no host receives either.
void copy_out(void* pDst, const float* pSrc, std::uint32_t nCount)
{
    unsigned char* pBytes = static_cast<unsigned char*>(pDst);
    constexpr float c_fInf = std::numeric_limits<float>::infinity();
    for (std::uint32_t i = 0; i < nCount; ++i) {
        float f = pSrc[i];
        f = f == f ? f : 0.0f;
        f = f == c_fInf ? 1.0f : f;
        f = f == -c_fInf ? -1.0f : f;
        std::memcpy(pBytes + i * sizeof(float), &f, sizeof f);
    }
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
