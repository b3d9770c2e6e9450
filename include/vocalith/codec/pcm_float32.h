// Interleaved 32-bit float PCM in host byte order (id_pcm_float32, "float32").
#ifndef VOCALITH_CODEC_PCM_FLOAT32_H
#define VOCALITH_CODEC_PCM_FLOAT32_H

#include "vocalith/codec/decoder.h"
#include "vocalith/codec/encoder.h"
#include "vocalith/export.h"

namespace codec {
namespace pcm_float32 {

// Samples are copied bit for bit, any channel count, except that the
// encoder writes NaN as 0 and infinities as full scale (+-1.0). Stateless.
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

}  // namespace pcm_float32
}  // namespace codec

#endif
