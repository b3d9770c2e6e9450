// The checks a block's filter results must pass to count as a key.
#ifndef VOCALITH_SIGTOOLS_DTMF_CHECKS_H
#define VOCALITH_SIGTOOLS_DTMF_CHECKS_H

namespace sigtools {
namespace dtmf {

// One block's measurements. Powers are in the unit of the mean square of the
// samples: a sine of amplitude A exactly at a filter's frequency that fills
// the block gives A*A/2 in that filter.
struct block_measure {
    float afPower[8];   // plain filters; 0..3 low group, 4..7 high group
    float afWeighted[8];  // the same over Hann-weighted input: little leakage between groups
    float afOffset[8];  // estimated distance of the input from each filter's frequency, Hz
    float fEnergy;      // mean square of the block's samples
    unsigned int nBlockSize;
    float fRate;        // samples per second
    bool bOffsetValid;  // false for a block without a predecessor
};

// Acceptance limits. A tone within 2.5 % of a keypad frequency passes, so
// one off by 1.5 % is kept and one off by 3.5 % is not; the deviations of
// the two tones together may reach 3 %, which keeps both off by 1 % and
// turns away voices whose harmonics come near two keypad frequencies.
struct limits {
    float fMinPower = 4.8e-5f;        // per tone, -37 dBm0 (0 dBm0: sine of peak 0.6966)
    float fMaxOffset = 0.025f;        // relative frequency deviation of one tone
    float fMaxOffsetSum = 0.03f;      // sum of both tones' relative deviations
    float fMaxLowOverHigh = 7.08f;    // 8.5 dB, low group louder
    float fMaxHighOverLow = 2.82f;    // 4.5 dB, high group louder
    float fTwistSlack = 1.58f;        // 2 dB more for a single block, whose measure is noisier
    float fMaxRival = 0.25f;          // next filter of the group at least 6 dB below the peak
    float fMinPurity = 0.72f;         // share of the block's power in the two tones
};

// What one block shows: a key and the power of its two tones.
struct verdict {
    int nKey;     // ASCII character, 0 for none
    float fLow;   // tone powers, meaningful only with a key
    float fHigh;
};

// Amplitude response of a Goertzel filter over nBlockSize samples at fRate
// to a sine fOffset Hz away from its frequency: 1 at 0, falling to 0 at one
// bin (78.4 Hz for 102 samples at 8000 Hz) for the plain filter, at two bins
// for the Hann-weighted one.
float plain_gain(float fOffset, unsigned int nBlockSize, float fRate);
float hann_gain(float fOffset, unsigned int nBlockSize, float fRate);

// The key whose two tones the block carries, with the twist limits widened
// by fTwistSlack.
verdict classify(const block_measure& m, const limits& lim = limits());

// Whether tones of these powers (or sums of powers over several blocks) keep
// within the twist limits.
bool twist_ok(float fLow, float fHigh, const limits& lim = limits());

}  // namespace dtmf
}  // namespace sigtools

#endif
