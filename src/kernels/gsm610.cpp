// GSM 06.10 full rate through libgsm, the reference coder, so frames are the
// standard 33-byte frames. The coder works on 16-bit samples at our scale.
#include "vocalith/veckern/veckern.h"

#include <new>

#include <gsm.h>

#include "kernels/s16_pack.h"
#include "kernels/sample_scale.h"

namespace veckern {

gsm_610_state::gsm_610_state()
    : m_pCoder(gsm_create())
{
    if (m_pCoder == nullptr) {
        throw std::bad_alloc();
    }
}

gsm_610_state::~gsm_610_state()
{
    gsm_destroy(static_cast<gsm>(m_pCoder));
}

gsm_610_progress gsm610_decode(gsm_610_state& state, float* dst, std::uint32_t nRoomSamples,
                               const std::uint8_t* src, std::uint32_t nBytes)
{
    const gsm coder = static_cast<gsm>(state.handle());
    gsm_signal aSamples[c_nGsmFrameSamples];
    while (nBytes >= c_nGsmFrameBytes && nRoomSamples >= c_nGsmFrameSamples) {
        // libgsm reads the frame but does not declare it const.
        if (gsm_decode(coder, const_cast<gsm_byte*>(src), aSamples) == 0) {
            for (std::uint32_t i = 0; i < c_nGsmFrameSamples; ++i) {
                dst[i] = detail::s16_to_float(aSamples[i]);
            }
        } else {
            // A refused frame keeps its place in time as silence.
            for (std::uint32_t i = 0; i < c_nGsmFrameSamples; ++i) {
                dst[i] = 0.0f;
            }
        }
        dst += c_nGsmFrameSamples;
        nRoomSamples -= c_nGsmFrameSamples;
        src += c_nGsmFrameBytes;
        nBytes -= c_nGsmFrameBytes;
    }
    return gsm_610_progress{dst, src, nBytes >= c_nGsmFrameBytes};
}

gsm_610_progress gsm610_encode(gsm_610_state& state, std::uint8_t* dst, std::uint32_t nRoomBytes,
                               const float* src, std::uint32_t nSamples)
{
    const gsm coder = static_cast<gsm>(state.handle());
    gsm_signal aSamples[c_nGsmFrameSamples];
    while (nSamples >= c_nGsmFrameSamples && nRoomBytes >= c_nGsmFrameBytes) {
        detail::pack_s16(reinterpret_cast<unsigned char*>(aSamples), src, c_nGsmFrameSamples, false);
        gsm_encode(coder, aSamples, dst);
        dst += c_nGsmFrameBytes;
        nRoomBytes -= c_nGsmFrameBytes;
        src += c_nGsmFrameSamples;
        nSamples -= c_nGsmFrameSamples;
    }
    return gsm_610_progress{dst, src, nSamples >= c_nGsmFrameSamples};
}

}  // namespace veckern
