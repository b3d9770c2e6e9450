#include "vocalith/codec/g711_alaw.h"

#include <algorithm>

#include "codec/mono_channels.h"
#include "vocalith/veckern/veckern.h"

namespace codec {
namespace g711_alaw {
namespace {

constexpr block_format c_format = {1, 1, true};

}  // namespace

decode_result decoder::decode(app::sample_buffer& out, std::uint32_t nCapacity, const void* pData,
                              std::uint32_t nSize)
{
    const std::uint32_t nCount = std::min(nSize, nCapacity);
    veckern::alaw_to_f32(out.data(0), static_cast<const std::uint8_t*>(pData), nCount);
    copy_channel_0(out, nCount);
    const std::uint32_t nRest = nSize - nCount;
    return decode_result{nCount, nRest, nRest != 0};
}

codec::id decoder::id() const { return id_g711_alaw; }

const char* decoder::name() const { return "alaw"; }

block_format decoder::format() const { return c_format; }

encode_result encoder::encode(void* pOut, std::uint32_t nCapacity, const app::sample_buffer& in,
                              std::uint32_t nSampleCount)
{
    const std::uint32_t nCount = std::min(nCapacity, nSampleCount);
    veckern::f32_to_alaw(static_cast<std::uint8_t*>(pOut), in.data(0), nCount);
    const std::uint32_t nRest = nSampleCount - nCount;
    return encode_result{nCount, nRest, nRest != 0};
}

codec::id encoder::id() const { return id_g711_alaw; }

const char* encoder::name() const { return "alaw"; }

block_format encoder::format() const { return c_format; }

}  // namespace g711_alaw
}  // namespace codec
