// Encoder interface: planar float samples to coded bytes.
#ifndef VOCALITH_CODEC_ENCODER_H
#define VOCALITH_CODEC_ENCODER_H

#include "vocalith/app/multibuffer.h"
#include "vocalith/codec/id.h"
#include "vocalith/codec/records.h"
#include "vocalith/export.h"

namespace codec {

// Encoders never throw and never allocate; an encoder object is used by one
// thread at a time (the GSM encoder changes its coder state on every call).
class VOCALITH_API encoder {
public:
    virtual ~encoder();

    // Encodes whole blocks of the nSampleCount samples per channel found at
    // [offset, offset + nSampleCount) of `in` (offset: the buffer's current
    // offset, left unchanged) into pOut, which has room for nCapacity bytes.
    // Bytes past the result's nByteCount are left untouched. Floats use the
    // scale 1.0 = 32768; beyond full scale they saturate, NaN codes as 0.
    virtual encode_result encode(void* pOut, std::uint32_t nCapacity, const app::sample_buffer& in,
                                 std::uint32_t nSampleCount) = 0;

    virtual codec::id id() const = 0;
    // The codec's own name, a static string ("float32", "pcm16le", ...).
    virtual const char* name() const = 0;
    virtual block_format format() const = 0;
};

}  // namespace codec

#endif
