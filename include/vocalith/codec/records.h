// Value records that every decoder and encoder returns.
#ifndef VOCALITH_CODEC_RECORDS_H
#define VOCALITH_CODEC_RECORDS_H

#include <cstdint>

namespace codec {

// Shape of one coded block of one channel.
struct block_format {
    std::uint32_t nBlockBytes;    // bytes of one coded block
    std::uint32_t nBlockSamples;  // samples coded by one block
    bool bCompressed;             // true for G.711 and GSM, false for linear PCM
};

// Outcome of one decode call.
struct decode_result {
    // Samples written into every channel, from the buffer's offset on.
    std::uint32_t nSampleCount;
    // Bytes at the end of the input that were not consumed.
    std::uint32_t nRestByteCount;
    // True when the rest holds at least one whole coded sample (or, for GSM,
    // one whole frame): the room ran out and the caller should hand the rest
    // in again after making room. False when the rest is shorter than that;
    // the caller then keeps it in front of its next input.
    bool bMore;
};

// Outcome of one encode call.
struct encode_result {
    // Bytes written to the output area.
    std::uint32_t nByteCount;
    // Samples per channel, at the end of the requested range, not consumed.
    std::uint32_t nRestSampleCount;
    // True when encoding stopped because the output area was full; the caller
    // calls again with the rest. False with a rest shorter than one block.
    bool bMore;
};

}  // namespace codec

#endif
