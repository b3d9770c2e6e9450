// Vector kernels: sample-format conversion, G.711 and GSM 06.10 coding, and
// block arithmetic. Counts are elements (samples or 16-bit values), not bytes,
// unless a name says otherwise. Nothing here allocates or throws; the
// pointers need no particular alignment.
//
// Scale: float 1.0 is the 16-bit value 32768. Float to 16-bit rounds to the
// nearest value and saturates to [-32768, 32767]; NaN gives 0.
#ifndef VOCALITH_VECKERN_VECKERN_H
#define VOCALITH_VECKERN_VECKERN_H

#include <cstdint>

// Not exported from the shared library: only the library itself and users of
// the static archive call the kernels.
namespace veckern {

// dst[i] *= gain
void scale(float* dst, float gain, std::uint32_t n);
// dst[i] += src[i] * gain. dst and src are either the same array or do not
// overlap at all; a partial overlap gives unspecified results.
void mul_add(float* dst, const float* src, float gain, std::uint32_t n);

// n 16-bit values copied with their two bytes exchanged (dst may equal src).
void swap16(void* dst, const void* src, std::uint32_t n);

void s16le_to_f32(float* dst, const void* src, std::uint32_t n);
void s16be_to_f32(float* dst, const void* src, std::uint32_t n);
void f32_to_s16le(void* dst, const float* src, std::uint32_t n);
void f32_to_s16be(void* dst, const float* src, std::uint32_t n);

// G.711 (ITU-T reference rules), one byte per sample.
void ulaw_to_f32(float* dst, const std::uint8_t* src, std::uint32_t n);
void f32_to_ulaw(std::uint8_t* dst, const float* src, std::uint32_t n);
void alaw_to_f32(float* dst, const std::uint8_t* src, std::uint32_t n);
void f32_to_alaw(std::uint8_t* dst, const float* src, std::uint32_t n);

// One GSM 06.10 full-rate coder (decoder or encoder) state, kept between
// calls. Owns a libgsm coder; created and destroyed with the object.
class gsm_610_state {
public:
    gsm_610_state();
    ~gsm_610_state();
    gsm_610_state(const gsm_610_state&) = delete;
    gsm_610_state& operator=(const gsm_610_state&) = delete;

    void* handle() const { return m_pCoder; }

private:
    void* m_pCoder;
};

// Result of a GSM call: where output and input stopped, and whether it
// stopped for lack of room while a whole unit of input remained.
struct gsm_610_progress {
    void* pOutEnd;        // first sample or byte not written
    const void* pInEnd;   // first byte or sample not consumed
    bool bMore;
};

constexpr std::uint32_t c_nGsmFrameBytes = 33;
constexpr std::uint32_t c_nGsmFrameSamples = 160;

// Whole 33-byte frames to 160 samples each, while a whole frame remains and
// 160 samples of room are left. A frame libgsm refuses (bad signature)
// decodes as 160 samples of silence, so the stream keeps its timing.
gsm_610_progress gsm610_decode(gsm_610_state& state, float* dst,
                                            std::uint32_t nRoomSamples, const std::uint8_t* src,
                                            std::uint32_t nBytes);
// Whole 160-sample blocks to 33-byte frames, while a whole block remains and
// 33 bytes of room are left.
gsm_610_progress gsm610_encode(gsm_610_state& state, std::uint8_t* dst,
                                            std::uint32_t nRoomBytes, const float* src,
                                            std::uint32_t nSamples);

}  // namespace veckern

#endif
