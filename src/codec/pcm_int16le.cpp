#include "vocalith/codec/pcm_int16le.h"

#include "codec/pcm_frames.h"
#include "vocalith/veckern/veckern.h"

namespace codec {
namespace pcm_int16le {
namespace {

constexpr block_format c_format = {2, 1, false};

}  // namespace

decode_result decoder::decode(app::sample_buffer& out, std::uint32_t nCapacity, const void* pData,
                              std::uint32_t nSize)
{
    return pcm_frames::decode(out, nCapacity, pData, nSize, c_format.nBlockBytes,
                              veckern::s16le_to_f32);
}

codec::id decoder::id() const { return id_pcm_int16le; }

const char* decoder::name() const { return "pcm16le"; }

block_format decoder::format() const { return c_format; }

encode_result encoder::encode(void* pOut, std::uint32_t nCapacity, const app::sample_buffer& in,
                              std::uint32_t nSampleCount)
{
    return pcm_frames::encode(pOut, nCapacity, in, nSampleCount, c_format.nBlockBytes,
                              veckern::f32_to_s16le);
}

codec::id encoder::id() const { return id_pcm_int16le; }

const char* encoder::name() const { return "pcm16le"; }

block_format encoder::format() const { return c_format; }

}  // namespace pcm_int16le
}  // namespace codec
