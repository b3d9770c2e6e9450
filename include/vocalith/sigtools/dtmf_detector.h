// DTMF receiver for telephone audio at any common sample rate.
#ifndef VOCALITH_SIGTOOLS_DTMF_DETECTOR_H
#define VOCALITH_SIGTOOLS_DTMF_DETECTOR_H

#include <cstdint>

#include "vocalith/export.h"
#include "vocalith/sigtools/dtmf_event.h"
#include "vocalith/sigtools/dtmf_frequencies.h"

namespace sigtools {

// Goertzel filters at the eight DTMF frequencies, evaluated over blocks of
// 12.75 ms (102 samples at 8000 Hz, 612 at 48000 Hz) after a high-pass that
// removes any DC offset. Two sets of filters run half a block apart, so a
// decision is taken every half block. A key is reported when its two tones
// pass the level, twist, frequency and purity checks in four decisions in a
// row (blocks spanning 32 ms), and once only until it has been absent for
// four decisions in a row (interruptions of up to 10 ms do not split a press).
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
    static constexpr unsigned int c_nDefaultRate = 8000;
    // Rates the analysis works at; at any other the detector reports nothing.
    static constexpr unsigned int c_nMinRate = 4000;
    static constexpr unsigned int c_nMaxRate = 96000;
    static constexpr unsigned int c_nMaxBlock = 1224;

    // Clears the filters, sets the block length to 102, stores pReceiver (not
    // owned, may be null; see detect) and calls reset(): a detector for
    // 8000 Hz.
    explicit dtmf_detector(dtmf_event* pReceiver);
    // The same for samples at nSampleRate Hz: the filters, the block length
    // and the timing follow the rate.
    dtmf_detector(dtmf_event* pReceiver, unsigned int nSampleRate);

    dtmf_detector(const dtmf_detector&) = delete;
    dtmf_detector& operator=(const dtmf_detector&) = delete;

    // Sets the filter coefficients from c_loFreq and c_hiFreq (each frequency
    // truncated to whole hertz, cos(2 pi f / rate) in Q16, truncated) and
    // forgets every analysis state: partly filled blocks, a key in progress or
    // held (a held key is dropped unreported to on_key). Keeps the receiver
    // and the position.
    void reset();

    // Continues the analysis over nCount samples of pSamples (any count, also
    // 0; the result does not depend on how a stream is cut into calls).
    // Reports each new key press to pReceiver before returning, or to the
    // receiver given at construction when pReceiver is null. bEnd marks the
    // last samples of a stream: a press still held is reported to on_key as
    // ending there, then the detector is reset, so the next call starts
    // afresh. Never throws, never allocates.
    void detect(dtmf_event* pReceiver, const T* pSamples, unsigned int nCount, bool bEnd);

    // Samples fed since construction: the position the next sample gets.
    std::uint64_t position() const { return m_nPosition; }
    // Moves the position on by nCount samples the detector is not given (a
    // gap in its input) and resets the analysis, which cannot span the gap.
    void skip(std::uint64_t nCount);

    unsigned int sample_rate() const { return m_nRate; }
    unsigned int block_size() const { return m_nBlockSize; }
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

    // Where a press lies: the blocks at its edges and the tone power of the
    // blocks just outside them, from which the share of those blocks the
    // tones filled is estimated.
    struct press {
        int nKey = 0;            // 0 for none
        unsigned int nLo = 0;    // its row and column in the frequency tables
        unsigned int nHi = 0;
        std::int64_t nFirst = 0;  // start of the first block that saw the key
        std::int64_t nLast = 0;   // start of the latest block that saw it
        float fBefore = 0.0f;     // the key's tone power in the block half a block before nFirst
        float fAfter = -1.0f;     // ... in the block half a block after nLast; negative until known
        float fFull = 0.0f;       // the largest tone power of a block that saw the key
    };

    void clear_bank(bank& b, unsigned int nPos);
    void run_banks(dtmf_event* pReceiver, const float* pfSamples, unsigned int nCount);
    void finish_block(dtmf_event* pReceiver, bank& b);
    void decide(dtmf_event* pReceiver, int nKey, float fLow, float fHigh, const float* afPlain);
    void release(dtmf_event* pReceiver);
    float tone_power(const float* afPlain, const press& p) const;

    std::int32_t m_anCoef[c_nFilterCount];
    float m_afCos[c_nFilterCount];
    float m_afSin[c_nFilterCount];
    float m_afAdvance[c_nFilterCount];  // phase a tone at the filter's frequency gains in half a block
    unsigned int m_nBlockSize;
    dtmf_event* m_pReceiver;
    unsigned int m_nRate;
    float m_fDcPole;          // of the high-pass that takes out DC
    float m_fDcIn;            // its previous input and output
    float m_fDcOut;
    std::uint64_t m_nPosition;
    bank m_aBank[2];
    float m_afPrevRe[c_nFilterCount];  // weighted result of the previous block, for the phase step
    float m_afPrevIm[c_nFilterCount];
    float m_afPrevPlain[c_nFilterCount];  // plain powers of the previous block
    bool m_bPrevValid;
    int m_nCandidate;         // key seen in the latest decisions, 0 for none
    unsigned int m_nRun;      // decisions in a row that saw m_nCandidate
    float m_fRunLow;          // summed tone powers of that run
    float m_fRunHigh;
    press m_run;              // the edges of the candidate's run
    press m_held;             // key reported and not yet released, nKey 0 for none
    unsigned int m_nMissed;   // decisions in a row without m_held's key
    float m_afWeight[c_nMaxBlock];
};

extern template class dtmf_detector<float>;

}  // namespace sigtools

#endif
