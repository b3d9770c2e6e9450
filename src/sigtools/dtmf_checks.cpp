#include "sigtools/dtmf_checks.h"

#include <cmath>

#include "vocalith/sigtools/dtmf_frequencies.h"

namespace sigtools {
namespace dtmf {

namespace {

constexpr float c_fPi = 3.14159265358979f;

// Index of the strongest of the four powers afPower[0..3]; 4 when a rival
// comes too close to it.
unsigned int pick(const float* afPower, float fMaxRival)
{
    unsigned int nBest = 0;
    for (unsigned int k = 1; k < 4; ++k) {
        if (afPower[k] > afPower[nBest]) {
            nBest = k;
        }
    }
    for (unsigned int k = 0; k < 4; ++k) {
        if (k != nBest && !(afPower[k] <= fMaxRival * afPower[nBest])) {
            return 4;
        }
    }
    return nBest;
}

// sin(N x) / sin(x), the sum of N unit phasors turning by 2x each.
float dirichlet(float fX, unsigned int nBlockSize)
{
    float fN = static_cast<float>(nBlockSize);
    float fDen = std::sin(fX);
    if (std::fabs(fDen) < 1e-6f) {
        return fN * std::cos(fN * fX) / std::cos(fX);
    }
    return std::sin(fN * fX) / fDen;
}

struct tone {
    float fPlain;     // power seen by the plain filter, loss undone
    float fWeighted;  // power seen by the weighted filter, loss undone
};

// The tone's power with each filter's loss at the estimated offset undone;
// false when the offset is out of tolerance.
bool measure_tone(const block_measure& m, unsigned int k, float fNominal, const limits& lim, tone& t)
{
    float fOffset = m.afOffset[k];
    if (!(std::fabs(fOffset) <= lim.fMaxOffset * fNominal)) {
        return false;
    }
    float fPlain = plain_gain(fOffset, m.nBlockSize, m.fRate);
    float fWeighted = hann_gain(fOffset, m.nBlockSize, m.fRate);
    t.fPlain = m.afPower[k] / (fPlain * fPlain);
    t.fWeighted = m.afWeighted[k] / (fWeighted * fWeighted);
    return true;
}

}  // namespace

float plain_gain(float fOffset, unsigned int nBlockSize, float fRate)
{
    float fX = c_fPi * fOffset / fRate;
    return std::fabs(dirichlet(fX, nBlockSize)) / static_cast<float>(nBlockSize);
}

float hann_gain(float fOffset, unsigned int nBlockSize, float fRate)
{
    // The weights are 0.5 - 0.5 cos(2 pi (n + 1/2) / N): the plain response
    // plus a quarter of each response one bin away, all in phase.
    float fX = c_fPi * fOffset / fRate;
    float fBin = c_fPi / static_cast<float>(nBlockSize);
    float fSum = 0.5f * dirichlet(fX, nBlockSize) + 0.25f * dirichlet(fX + fBin, nBlockSize) +
                 0.25f * dirichlet(fX - fBin, nBlockSize);
    return std::fabs(fSum) / (0.5f * static_cast<float>(nBlockSize));
}

bool twist_ok(float fLow, float fHigh, const limits& lim)
{
    return fLow <= lim.fMaxLowOverHigh * fHigh && fHigh <= lim.fMaxHighOverLow * fLow;
}

verdict classify(const block_measure& m, const limits& lim)
{
    const verdict none = {0, 0.0f, 0.0f};
    if (!m.bOffsetValid) {
        return none;
    }
    // The low group's frequencies lie less than two bins apart, which only
    // the plain filters resolve. The high group's lie further apart, and there
    // the weighted filters, free of the low tone's leakage, judge better.
    unsigned int nLo = pick(m.afPower, lim.fMaxRival);
    unsigned int nHi = pick(m.afWeighted + 4, lim.fMaxRival);
    if (nLo >= 4 || nHi >= 4) {
        return none;
    }
    tone lo;
    tone hi;
    if (!measure_tone(m, nLo, c_loFreq[nLo], lim, lo) || !measure_tone(m, 4 + nHi, c_hiFreq[nHi], lim, hi)) {
        return none;
    }
    float fDeviation = std::fabs(m.afOffset[nLo]) / c_loFreq[nLo] + std::fabs(m.afOffset[4 + nHi]) / c_hiFreq[nHi];
    if (!(fDeviation <= lim.fMaxOffsetSum)) {
        return none;
    }
    // Level and twist from the weighted filters, which keep a loud tone of
    // one group from leaking into the other; purity from the plain ones, which
    // see exactly the share of a block that a tone fills. Written so that a
    // NaN anywhere fails.
    bool bLevel = lo.fWeighted >= lim.fMinPower && hi.fWeighted >= lim.fMinPower;
    bool bTwist = lo.fWeighted <= lim.fTwistSlack * lim.fMaxLowOverHigh * hi.fWeighted &&
                  hi.fWeighted <= lim.fTwistSlack * lim.fMaxHighOverLow * lo.fWeighted;
    bool bPure = lo.fPlain + hi.fPlain >= lim.fMinPurity * m.fEnergy;
    if (!(bLevel && bTwist && bPure)) {
        return none;
    }
    return verdict{key_at(nLo, nHi), lo.fWeighted, hi.fWeighted};
}

}  // namespace dtmf
}  // namespace sigtools
