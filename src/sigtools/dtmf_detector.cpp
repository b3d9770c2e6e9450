// Goertzel analysis and the key decision of the DTMF receiver.
#include "vocalith/sigtools/dtmf_detector.h"

#include <algorithm>
#include <cmath>

#include "sigtools/dtmf_checks.h"

namespace sigtools {

namespace {

constexpr unsigned int c_nBlock = 102;
constexpr unsigned int c_nRunToReport = 4;   // decisions in a row that make a key
constexpr unsigned int c_nMissToRelease = 4; // decisions in a row that end it
constexpr double c_dTwoPi = 6.283185307179586;

// Hann weights for the frequency-estimating filters: their low side lobes
// keep the other group's tone out of the phase measurement.
struct hann_table {
    float afWeight[c_nBlock];
    hann_table()
    {
        for (unsigned int n = 0; n < c_nBlock; ++n) {
            double dS = std::sin(c_dTwoPi * 0.5 * (n + 0.5) / c_nBlock);
            afWeight[n] = static_cast<float>(dS * dS);
        }
    }
};

// Built on first use, so a detector made during static initialisation works.
const float* hann_weights()
{
    static const hann_table s_table;
    return s_table.afWeight;
}

std::int32_t q16_coefficient(float fFreq)
{
    float fWhole = static_cast<float>(static_cast<unsigned int>(fFreq));
    double dCos = std::cos(static_cast<double>(fWhole) * c_dTwoPi / 8000.0) * 65536.0;
    return static_cast<std::int32_t>(static_cast<float>(dCos));
}

float wrap_phase(float fPhase)
{
    const float fTwoPi = static_cast<float>(c_dTwoPi);
    fPhase = std::fmod(fPhase, fTwoPi);
    if (fPhase > 0.5f * fTwoPi) {
        fPhase -= fTwoPi;
    } else if (fPhase < -0.5f * fTwoPi) {
        fPhase += fTwoPi;
    }
    return fPhase;
}

}  // namespace

template <typename T>
dtmf_detector<T>::dtmf_detector(dtmf_event* pReceiver)
    : m_nBlockSize(c_nDefaultBlock), m_pReceiver(pReceiver)
{
    static_assert(c_nDefaultBlock == c_nBlock, "weight table length");
    reset();
}

template <typename T>
void dtmf_detector<T>::reset()
{
    const unsigned int nHop = m_nBlockSize / 2;
    for (unsigned int k = 0; k < c_nFilterCount; ++k) {
        float fFreq = k < 4 ? dtmf::c_loFreq[k] : dtmf::c_hiFreq[k - 4];
        m_anCoef[k] = q16_coefficient(fFreq);
        // The recursion runs at the frequency of the rounded coefficient;
        // the phase step must use that one too.
        double dCos = m_anCoef[k] / 65536.0;
        m_afCos[k] = static_cast<float>(dCos);
        m_afSin[k] = static_cast<float>(std::sqrt(1.0 - dCos * dCos));
        m_afAdvance[k] = static_cast<float>(std::fmod(std::acos(dCos) * nHop, c_dTwoPi));
        m_afPrevRe[k] = 0.0f;
        m_afPrevIm[k] = 0.0f;
    }
    // The second set starts half way, as if silence came before the stream.
    clear_bank(m_aBank[0], 0);
    clear_bank(m_aBank[1], nHop);
    m_bPrevValid = false;
    m_nCandidate = 0;
    m_nRun = 0;
    m_fRunLow = 0.0f;
    m_fRunHigh = 0.0f;
    m_nHeld = 0;
    m_nMissed = 0;
}

template <typename T>
void dtmf_detector<T>::clear_bank(bank& b, unsigned int nPos)
{
    std::fill(b.afS1, b.afS1 + c_nFilterCount, 0.0f);
    std::fill(b.afS2, b.afS2 + c_nFilterCount, 0.0f);
    std::fill(b.afW1, b.afW1 + c_nFilterCount, 0.0f);
    std::fill(b.afW2, b.afW2 + c_nFilterCount, 0.0f);
    b.fEnergy = 0.0f;
    b.nPos = nPos;
}

template <typename T>
void dtmf_detector<T>::detect(dtmf_event* pReceiver, const T* pSamples, unsigned int nCount, bool bEnd)
{
    if (pReceiver == nullptr) {
        pReceiver = m_pReceiver;
    }
    const float* afWeight = hann_weights();
    float afCoef2[c_nFilterCount];
    for (unsigned int k = 0; k < c_nFilterCount; ++k) {
        afCoef2[k] = 2.0f * m_afCos[k];
    }
    unsigned int i = 0;
    while (i < nCount) {
        unsigned int nRun = std::min(nCount - i, m_nBlockSize - m_aBank[0].nPos);
        nRun = std::min(nRun, m_nBlockSize - m_aBank[1].nPos);
        for (bank& b : m_aBank) {
            for (unsigned int s = 0; s < nRun; ++s) {
                float fX = static_cast<float>(pSamples[i + s]);
                float fW = fX * afWeight[b.nPos + s];
                for (unsigned int k = 0; k < c_nFilterCount; ++k) {
                    float fS0 = fX + afCoef2[k] * b.afS1[k] - b.afS2[k];
                    b.afS2[k] = b.afS1[k];
                    b.afS1[k] = fS0;
                    float fW0 = fW + afCoef2[k] * b.afW1[k] - b.afW2[k];
                    b.afW2[k] = b.afW1[k];
                    b.afW1[k] = fW0;
                }
                b.fEnergy += fX * fX;
            }
            b.nPos += nRun;
        }
        i += nRun;
        for (bank& b : m_aBank) {
            if (b.nPos == m_nBlockSize) {
                finish_block(pReceiver, b);
                clear_bank(b, 0);
            }
        }
    }
    if (bEnd) {
        reset();
    }
}

template <typename T>
void dtmf_detector<T>::finish_block(dtmf_event* pReceiver, bank& b)
{
    dtmf::block_measure m;
    const float fN = static_cast<float>(m_nBlockSize);
    const float fScale = 2.0f / (fN * fN);
    const float fHzPerRadian = dtmf::c_fRate / (static_cast<float>(c_dTwoPi) * (m_nBlockSize / 2));
    for (unsigned int k = 0; k < c_nFilterCount; ++k) {
        float fRe = b.afS1[k] - m_afCos[k] * b.afS2[k];
        float fIm = m_afSin[k] * b.afS2[k];
        m.afPower[k] = fScale * (fRe * fRe + fIm * fIm);
        float fWRe = b.afW1[k] - m_afCos[k] * b.afW2[k];
        float fWIm = m_afSin[k] * b.afW2[k];
        // The weights sum to N/2.
        m.afWeighted[k] = 4.0f * fScale * (fWRe * fWRe + fWIm * fWIm);
        // Phase gained since the previous block, half a block earlier.
        float fZRe = fWRe * m_afPrevRe[k] + fWIm * m_afPrevIm[k];
        float fZIm = fWIm * m_afPrevRe[k] - fWRe * m_afPrevIm[k];
        m.afOffset[k] = wrap_phase(std::atan2(fZIm, fZRe) - m_afAdvance[k]) * fHzPerRadian;
        m_afPrevRe[k] = fWRe;
        m_afPrevIm[k] = fWIm;
    }
    m.fEnergy = b.fEnergy / fN;
    m.nBlockSize = m_nBlockSize;
    m.bOffsetValid = m_bPrevValid;
    m_bPrevValid = true;
    dtmf::verdict v = dtmf::classify(m);
    decide(pReceiver, v.nKey, v.fLow, v.fHigh);
}

template <typename T>
void dtmf_detector<T>::decide(dtmf_event* pReceiver, int nKey, float fLow, float fHigh)
{
    if (nKey != 0 && nKey == m_nCandidate) {
        ++m_nRun;
        m_fRunLow += fLow;
        m_fRunHigh += fHigh;
    } else {
        m_nCandidate = nKey;
        m_nRun = nKey != 0 ? 1 : 0;
        m_fRunLow = fLow;
        m_fRunHigh = fHigh;
    }
    if (m_nHeld != 0) {
        if (nKey == m_nHeld) {
            m_nMissed = 0;
        } else if (++m_nMissed >= c_nMissToRelease) {
            m_nHeld = 0;
        }
    }
    // A single block may stray a little from the twist limits; the blocks of
    // the run together must keep them.
    if (m_nCandidate != 0 && m_nCandidate != m_nHeld && m_nRun >= c_nRunToReport &&
        dtmf::twist_ok(m_fRunLow, m_fRunHigh)) {
        m_nHeld = m_nCandidate;
        m_nMissed = 0;
        if (pReceiver != nullptr) {
            pReceiver->on_tone(m_nHeld);
        }
    }
}

template class dtmf_detector<float>;

}  // namespace sigtools
