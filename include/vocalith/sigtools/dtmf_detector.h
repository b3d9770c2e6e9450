// DTMF receiver for telephone audio at 8000 Hz.
#ifndef VOCALITH_SIGTOOLS_DTMF_DETECTOR_H
#define VOCALITH_SIGTOOLS_DTMF_DETECTOR_H

#include <cstdint>

#include "vocalith/export.h"
#include "vocalith/sigtools/dtmf_event.h"
#include "vocalith/sigtools/dtmf_frequencies.h"

namespace sigtools {

// Goertzel filters at the eight DTMF frequencies, evaluated over blocks of
// 102 samples at a fixed rate of 8000 Hz (whatever the stream's rate is).
// Two sets of filters run half a block apart, so a decision is taken every
// 51 samples. A key is reported when its two tones pass the level, twist,
// frequency and purity checks in four decisions in a row (blocks spanning
// 32 ms), and once only until it has been absent for four decisions in a
// row (interruptions of up to 10 ms do not split a press).
//
// With 0 dBm0 a sine of peak 0.6966: keys of 40 ms or more with pauses of
// 40 ms or more are reported, tones of 20 ms or less are not; each tone from
// -3 to -30 dBm0 and within 2.5 % of its frequency (both together within
// 3 %); low group up to 8.5 dB louder, high group up to 4.5 dB louder; the
// two tones must carry at least 72 % of the signal's power.
//
// T is the sample type: float, 1.0 = full scale (int16 32768). Only
// dtmf_detector<float> is instantiated. Not thread-safe: one thread at a
// time. Holds no heap memory; detect never allocates.
template <typename T>
class VOCALITH_API dtmf_detector {
public:
    static constexpr unsigned int c_nFilterCount = 8;  // 4 low group, 4 high group
    static constexpr unsigned int c_nDefaultBlock = 102;

    // Clears the filters, sets the block length to 102, stores pReceiver (not
    // owned, may be null; see detect) and calls reset().
    explicit dtmf_detector(dtmf_event* pReceiver);

    dtmf_detector(const dtmf_detector&) = delete;
    dtmf_detector& operator=(const dtmf_detector&) = delete;

    // Sets the filter coefficients from c_loFreq and c_hiFreq (each frequency
    // truncated to whole hertz, cos(2 pi f / 8000) in Q16, truncated) and
    // forgets every analysis state: partly filled blocks, a key in progress or
    // held. Keeps the receiver.
    void reset();

    // Continues the analysis over nCount samples of pSamples (any count, also
    // 0; the result does not depend on how a stream is cut into calls).
    // Reports each new key press to pReceiver's on_tone before returning, or
    // to the receiver given at construction when pReceiver is null. bEnd
    // marks the last samples of a stream: afterwards the detector is reset,
    // so the next call starts afresh. Never throws, never allocates.
    void detect(dtmf_event* pReceiver, const T* pSamples, unsigned int nCount, bool bEnd);

    // Q16 coefficient of filter nFilter: 0..3 the low group, 4..7 the high group.
    std::int32_t coefficient(unsigned int nFilter) const { return m_anCoef[nFilter % c_nFilterCount]; }
    dtmf_event* receiver() const { return m_pReceiver; }

private:
    // One pass of all eight filters over a block: plain input and, for the
    // frequency estimate, Hann-weighted input.
    struct bank {
        float afS1[c_nFilterCount];
        float afS2[c_nFilterCount];
        float afW1[c_nFilterCount];
        float afW2[c_nFilterCount];
        float fEnergy;
        unsigned int nPos;
    };

    void clear_bank(bank& b, unsigned int nPos);
    void finish_block(dtmf_event* pReceiver, bank& b);
    void decide(dtmf_event* pReceiver, int nKey, float fLow, float fHigh);

    std::int32_t m_anCoef[c_nFilterCount];
    float m_afCos[c_nFilterCount];
    float m_afSin[c_nFilterCount];
    float m_afAdvance[c_nFilterCount];  // phase a tone at the filter's frequency gains in half a block
    unsigned int m_nBlockSize;
    dtmf_event* m_pReceiver;
    bank m_aBank[2];
    float m_afPrevRe[c_nFilterCount];  // weighted result of the previous block, for the phase step
    float m_afPrevIm[c_nFilterCount];
    bool m_bPrevValid;
    int m_nCandidate;         // key seen in the latest decisions, 0 for none
    unsigned int m_nRun;      // decisions in a row that saw m_nCandidate
    float m_fRunLow;          // summed tone powers of that run
    float m_fRunHigh;
    int m_nHeld;              // key reported and not yet released, 0 for none
    unsigned int m_nMissed;   // decisions in a row without m_nHeld
};

extern template class dtmf_detector<float>;

}  // namespace sigtools

#endif
