#include "vocalith/codec/gsm_610.h"

#include "codec/mono_channels.h"

namespace codec {
namespace gsm_610 {
namespace {

constexpr block_format c_format = {veckern::c_nGsmFrameBytes, veckern::c_nGsmFrameSamples, true};

}  // namespace

decode_result decoder::decode(app::sample_buffer& out, std::uint32_t nCapacity, const void* pData,
                              std::uint32_t nSize)
{
    const std::uint8_t* pIn = static_cast<const std::uint8_t*>(pData);
    float* pFirst = out.data(0);
    const veckern::gsm_610_progress progress =
        veckern::gsm610_decode(m_state, pFirst, nCapacity, pIn, nSize);
    const std::uint32_t nCount =
        static_cast<std::uint32_t>(static_cast<const float*>(progress.pOutEnd) - pFirst);
    copy_channel_0(out, nCount);
    const std::uint32_t nRest = static_cast<std::uint32_t>(
        pIn + nSize - static_cast<const std::uint8_t*>(progress.pInEnd));
    return decode_result{nCount, nRest, progress.bMore};
}

codec::id decoder::id() const { return id_gsm_610; }

const char* decoder::name() const { return "gsm"; }

block_format decoder::format() const { return c_format; }

encode_result encoder::encode(void* pOut, std::uint32_t nCapacity, const app::sample_buffer& in,
                              std::uint32_t nSampleCount)
{
    std::uint8_t* pBytes = static_cast<std::uint8_t*>(pOut);
    const float* pFirst = in.data(0);
    const veckern::gsm_610_progress progress =
        veckern::gsm610_encode(m_state, pBytes, nCapacity, pFirst, nSampleCount);
    const std::uint32_t nBytes =
        static_cast<std::uint32_t>(static_cast<std::uint8_t*>(progress.pOutEnd) - pBytes);
    const std::uint32_t nConsumed =
        static_cast<std::uint32_t>(static_cast<const float*>(progress.pInEnd) - pFirst);
    return encode_result{nBytes, nSampleCount - nConsumed, progress.bMore};
}

codec::id encoder::id() const { return id_gsm_610; }

const char* encoder::name() const { return "gsm"; }

block_format encoder::format() const { return c_format; }

}  // namespace gsm_610
}  // namespace codec
