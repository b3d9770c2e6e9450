// G.711 mu-law, one byte per sample, mono (id_g711_ulaw, "ulaw").
#ifndef VOCALITH_CODEC_G711_ULAW_H
#define VOCALITH_CODEC_G711_ULAW_H

#include "vocalith/codec/decoder.h"
#include "vocalith/codec/encoder.h"
#include "vocalith/export.h"

namespace codec {
namespace g711_ulaw {

// The decoder fills channel 0 and copies it into every other channel; the
// encoder reads channel 0 only. Stateless.
class VOCALITH_API decoder : public codec::decoder {
public:
    decode_result decode(app::sample_buffer& out, std::uint32_t nCapacity, const void* pData,
                         std::uint32_t nSize) override;
    codec::id id() const override;
    const char* name() const override;
    block_format format() const override;
};

class VOCALITH_API encoder : public codec::encoder {
public:
    encode_result encode(void* pOut, std::uint32_t nCapacity, const app::sample_buffer& in,
                         std::uint32_t nSampleCount) override;
    codec::id id() const override;
    const char* name() const override;
    block_format format() const override;
};

}  // namespace g711_ulaw
}  // namespace codec

#endif
