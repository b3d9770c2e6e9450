// Interleaved signed 16-bit big-endian PCM (id_pcm_int16be, "pcm16be").
#ifndef VOCALITH_CODEC_PCM_INT16BE_H
#define VOCALITH_CODEC_PCM_INT16BE_H

#include "vocalith/codec/decoder.h"
#include "vocalith/codec/encoder.h"
#include "vocalith/export.h"

namespace codec {
namespace pcm_int16be {

// Any channel count; 32768 is full scale. Stateless.
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

}  // namespace pcm_int16be
}  // namespace codec

#endif
