// Codec identifiers. They cross the C interface as plain numbers
// (vocalith_convert), so the values are fixed.
#ifndef VOCALITH_CODEC_ID_H
#define VOCALITH_CODEC_ID_H

#include <cstdint>

namespace codec {

enum id : std::uint32_t {
    id_none = 0,
    id_pcm_float32 = 1,
    id_pcm_int16be = 2,
    id_pcm_int16le = 3,
    id_g711_alaw = 4,
    id_g711_ulaw = 5,
    id_gsm_610 = 6,
};

}  // namespace codec

#endif
