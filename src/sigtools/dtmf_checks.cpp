#include "sigtools/dtmf_checks.h"

#include <cmath>

#include "vocalith/sigtools/dtmf_frequencies.h"

namespace sigtools {
namespace dtmf {

namespace {

constexpr float c_fPi = 3.14159265358979f;

// Index of the strongest filter in [nFirst, nFirst+4); 4 when a rival comes
// too close to it.
unsigned int pick(const block_measure& m, unsigned int nFirst, float fMaxRival)
{
    unsigned int nBest = nFirst;
    for (unsigned int k = nFirst + 1; k < nFirst + 4; ++k) {
        if (m.afPower[k] > m.afPower[nBest]) {
            nBest = k;
        }
    }
    for (unsigned int k = nFirst; k < nFirst + 4; ++k) {
        if (k != nBest && m.afPower[k] > fMaxRival * m.afPower[nBest]) {
            return 4;
        }
    }
    return nBest - nFirst;
}

// The tone's power with the filter's loss at the estimated offset undone;
// negative when the offset is out of tolerance.
float tone_power(const block_measure& m, unsigned int k, float fNominal, const limits& lim)
{
    float fOffset = m.afOffset[k];
    if (!(std::fabs(fOffset) <= lim.fMaxOffset * fNominal)) {
        return -1.0f;
    }
    float fGain = filter_gain(fOffset, m.nBlockSize);
    return m.afPower[k] / (fGain * fGain);
}

}  // namespace

float filter_gain(float fOffset, unsigned int nBlockSize)
{
    float fX = c_fPi * fOffset / c_fRate;
    float fDen = static_cast<float>(nBlockSize) * std::sin(fX);
    if (std::fabs(fDen) < 1e-9f) {
        return 1.0f;
    }
    return std::fabs(std::sin(fX * static_cast<float>(nBlockSize)) / fDen);
}

int classify(const block_measure& m, const limits& lim)
{
    if (!m.bOffsetValid) {
        return 0;
    }
    unsigned int nLo = pick(m, 0, lim.fMaxRival);
    unsigned int nHi = pick(m, 4, lim.fMaxRival);
    if (nLo >= 4 || nHi >= 4) {
        return 0;
    }
    float fLo = tone_power(m, nLo, c_loFreq[nLo], lim);
    float fHi = tone_power(m, 4 + nHi, c_hiFreq[nHi], lim);
    // Written so that a NaN anywhere fails.
    bool bLevel = fLo >= lim.fMinPower && fHi >= lim.fMinPower;
    bool bTwist = fLo <= lim.fMaxLowOverHigh * fHi && fHi <= lim.fMaxHighOverLow * fLo;
    bool bPure = fLo + fHi >= lim.fMinPurity * m.fEnergy;
    if (!(bLevel && bTwist && bPure)) {
        return 0;
    }
    return key_at(nLo, nHi);
}

}  // namespace dtmf
}  // namespace sigtools
