#include "vocalith/codec/abstract_codec.h"

#include <utility>

namespace codec {

decoder::~decoder() = default;

encoder::~encoder() = default;

abstract_codec::~abstract_codec() = default;

dynamic_codec::dynamic_codec(std::unique_ptr<decoder> pDecoder, std::unique_ptr<encoder> pEncoder)
    : m_pDecoder(std::move(pDecoder)), m_pEncoder(std::move(pEncoder))
{
}

dynamic_codec::~dynamic_codec()
{
    m_pEncoder.reset();
    m_pDecoder.reset();
}

decode_result dynamic_codec::decode(app::sample_buffer& out, std::uint32_t nCapacity,
                                    const void* pData, std::uint32_t nSize)
{
    return m_pDecoder->decode(out, nCapacity, pData, nSize);
}

encode_result dynamic_codec::encode(void* pOut, std::uint32_t nCapacity,
                                    const app::sample_buffer& in, std::uint32_t nSampleCount)
{
    return m_pEncoder->encode(pOut, nCapacity, in, nSampleCount);
}

codec::id dynamic_codec::encoder_id() const { return m_pEncoder->id(); }

const char* dynamic_codec::encoder_name() const { return m_pEncoder->name(); }

block_format dynamic_codec::encoder_format() const { return m_pEncoder->format(); }

codec::id dynamic_codec::decoder_id() const { return m_pDecoder->id(); }

const char* dynamic_codec::decoder_name() const { return m_pDecoder->name(); }

block_format dynamic_codec::decoder_format() const { return m_pDecoder->format(); }

}  // namespace codec
