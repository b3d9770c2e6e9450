// Decoder interface: coded bytes to planar float samples.
#ifndef VOCALITH_CODEC_DECODER_H
#define VOCALITH_CODEC_DECODER_H

#include "vocalith/app/multibuffer.h"
#include "vocalith/codec/id.h"
#include "vocalith/codec/records.h"
#include "vocalith/export.h"

namespace codec {

// Decoders never throw and never allocate; a decoder object is used by one
// thread at a time (the GSM decoder changes its coder state on every call).
class VOCALITH_API decoder {
public:
    virtual ~decoder();

    // Decodes whole coded units from the front of pData (nSize bytes) into
    // every channel of `out` at [offset, offset + nSampleCount), where offset
    // is the buffer's current offset, which is left unchanged. nCapacity is
    // the room per channel in samples from that offset; the caller makes sure
    // it exists. A unit is never split over two calls: a rest shorter than one
    // unit comes back with bMore false. Floats use the scale 1.0 = 32768.
    virtual decode_result decode(app::sample_buffer& out, std::uint32_t nCapacity,
                                 const void* pData, std::uint32_t nSize) = 0;

    virtual codec::id id() const = 0;
    // The codec's own name, a static string ("float32", "pcm16le", ...).
    virtual const char* name() const = 0;
    virtual block_format format() const = 0;
};

}  // namespace codec

#endif
