// A decoder for the input side joined with an encoder for the output side:
// what the engine holds for one conversion.
#ifndef VOCALITH_CODEC_ABSTRACT_CODEC_H
#define VOCALITH_CODEC_ABSTRACT_CODEC_H

#include <memory>

#include "vocalith/codec/decoder.h"
#include "vocalith/codec/encoder.h"
#include "vocalith/export.h"

namespace codec {

// decode/encode behave as decoder::decode and encoder::encode of the joined
// objects. The decoder_ operations describe the input side, the encoder_
// operations the output side. Used by one thread at a time; never throws.
class VOCALITH_API abstract_codec {
public:
    virtual ~abstract_codec();

    virtual decode_result decode(app::sample_buffer& out, std::uint32_t nCapacity,
                                 const void* pData, std::uint32_t nSize) = 0;
    virtual encode_result encode(void* pOut, std::uint32_t nCapacity, const app::sample_buffer& in,
                                 std::uint32_t nSampleCount) = 0;

    virtual codec::id encoder_id() const = 0;
    virtual const char* encoder_name() const = 0;
    virtual block_format encoder_format() const = 0;
    virtual codec::id decoder_id() const = 0;
    virtual const char* decoder_name() const = 0;
    virtual block_format decoder_format() const = 0;
};

// Joins a decoder and an encoder created separately (different codecs).
// Owns both; destroys the encoder first, then the decoder.
class VOCALITH_API dynamic_codec : public abstract_codec {
public:
    // Both pointers must be non-empty.
    dynamic_codec(std::unique_ptr<decoder> pDecoder, std::unique_ptr<encoder> pEncoder);
    ~dynamic_codec() override;
    dynamic_codec(const dynamic_codec&) = delete;
    dynamic_codec& operator=(const dynamic_codec&) = delete;

    decode_result decode(app::sample_buffer& out, std::uint32_t nCapacity, const void* pData,
                         std::uint32_t nSize) override;
    encode_result encode(void* pOut, std::uint32_t nCapacity, const app::sample_buffer& in,
                         std::uint32_t nSampleCount) override;

    codec::id encoder_id() const override;
    const char* encoder_name() const override;
    block_format encoder_format() const override;
    codec::id decoder_id() const override;
    const char* decoder_name() const override;
    block_format decoder_format() const override;

private:
    std::unique_ptr<decoder> m_pDecoder;
    std::unique_ptr<encoder> m_pEncoder;
};

// Decoder and encoder of one codec held by value in one allocation (a GSM
// pair carries two independent coder states, one per direction).
template <typename D, typename E>
class VOCALITH_API codec_pair : public abstract_codec {
public:
    codec_pair() = default;

    decode_result decode(app::sample_buffer& out, std::uint32_t nCapacity, const void* pData,
                         std::uint32_t nSize) override
    {
        return m_decoder.decode(out, nCapacity, pData, nSize);
    }
    encode_result encode(void* pOut, std::uint32_t nCapacity, const app::sample_buffer& in,
                         std::uint32_t nSampleCount) override
    {
        return m_encoder.encode(pOut, nCapacity, in, nSampleCount);
    }

    codec::id encoder_id() const override { return m_encoder.id(); }
    const char* encoder_name() const override { return m_encoder.name(); }
    block_format encoder_format() const override { return m_encoder.format(); }
    codec::id decoder_id() const override { return m_decoder.id(); }
    const char* decoder_name() const override { return m_decoder.name(); }
    block_format decoder_format() const override { return m_decoder.format(); }

private:
    D m_decoder;
    E m_encoder;
};

}  // namespace codec

#endif
