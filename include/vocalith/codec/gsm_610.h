// GSM 06.10 full rate, mono, 33-byte frames of 160 samples (id_gsm_610, "gsm").
#ifndef VOCALITH_CODEC_GSM_610_H
#define VOCALITH_CODEC_GSM_610_H

#include "vocalith/codec/decoder.h"
#include "vocalith/codec/encoder.h"
#include "vocalith/export.h"
#include "vocalith/veckern/veckern.h"

namespace codec {
namespace gsm_610 {

// Each object owns one coder state, created with the object and kept from
// call to call for its whole life (never reset), so one object serves one
// stream. The decoder fills channel 0 and copies it into every other
// channel; a frame with a bad signature decodes as 160 samples of silence.
class VOCALITH_API decoder : public codec::decoder {
public:
    decoder() = default;
    decoder(const decoder&) = delete;
    decoder& operator=(const decoder&) = delete;

    decode_result decode(app::sample_buffer& out, std::uint32_t nCapacity, const void* pData,
                         std::uint32_t nSize) override;
    codec::id id() const override;
    const char* name() const override;
    block_format format() const override;

private:
    veckern::gsm_610_state m_state;
};

// Reads channel 0 only and consumes whole 160-sample blocks; a shorter rest
// comes back with bMore false.
class VOCALITH_API encoder : public codec::encoder {
public:
    encoder() = default;
    encoder(const encoder&) = delete;
    encoder& operator=(const encoder&) = delete;

    encode_result encode(void* pOut, std::uint32_t nCapacity, const app::sample_buffer& in,
                         std::uint32_t nSampleCount) override;
    codec::id id() const override;
    const char* name() const override;
    block_format format() const override;

private:
    veckern::gsm_610_state m_state;
};

}  // namespace gsm_610
}  // namespace codec

#endif
