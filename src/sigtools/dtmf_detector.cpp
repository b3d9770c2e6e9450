// Goertzel analysis and the key decision of the DTMF receiver.
#include "vocalith/sigtools/dtmf_detector.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sigtools/dtmf_checks.h"

namespace sigtools {

namespace {

constexpr unsigned int c_nRunToReport = 4;   // decisions in a row that make a key
constexpr unsigned int c_nMissToRelease = 4; // decisions in a row that end it
constexpr double c_dTwoPi = 6.283185307179586;
// Corner of the DC-removing high-pass: its time constant (3 ms) is short
// beside a key, and it takes 0.02 dB from the lowest tone.
constexpr double c_dDcCornerHz = 50.0;
// Samples high-passed at a time into a buffer on the stack.
constexpr unsigned int c_nChunk = 256;
// Beyond this the input is not audio; clamping keeps NaN and infinities out
// of the high-pass, whose state would otherwise carry them on for ever.
constexpr float c_fMaxSample = 4.0f;

bool rate_supported(unsigned int nRate)
{
    return nRate >= dtmf_detector<float>::c_nMinRate && nRate <= dtmf_detector<float>::c_nMaxRate;
}

// 102 samples at 8000 Hz, the same 12.75 ms at other rates; even, so that the
// two sets of filters take turns at equal steps.
unsigned int block_for(unsigned int nRate)
{
    if (!rate_supported(nRate)) {
        return dtmf_detector<float>::c_nDefaultBlock;
    }
    return 2 * ((51 * nRate + 4000) / 8000);
}

std::int32_t q16_coefficient(float fFreq, unsigned int nRate)
{
    float fWhole = static_cast<float>(static_cast<unsigned int>(fFreq));
    double dCos = std::cos(static_cast<double>(fWhole) * c_dTwoPi / static_cast<double>(nRate)) * 65536.0;
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

// atan2 within 1.2e-5 rad, a small fraction of a hertz in the frequency
// estimate at any rate, for a fifth of libm's cost: it runs for every filter
// of every block.
float phase_of(float fY, float fX)
{
    const float fHalfPi = static_cast<float>(c_dTwoPi / 4);
    const float fAx = std::fabs(fX), fAy = std::fabs(fY);
    const float fMax = std::max(fAx, fAy);
    if (!(fMax > 0.0f)) {
        return 0.0f;
    }
    const float fA = std::min(fAx, fAy) / fMax;
    const float fS = fA * fA;
    float fR = ((((0.0208351f * fS - 0.085133f) * fS + 0.180141f) * fS - 0.3302995f) * fS + 0.999866f) * fA;
    if (fAy > fAx) {
        fR = fHalfPi - fR;
    }
    if (fX < 0.0f) {
        fR = 2.0f * fHalfPi - fR;
    }
    return fY < 0.0f ? -fR : fR;
}

// Row and column of a key character in the frequency tables.
void key_place(int nKey, unsigned int& nLo, unsigned int& nHi)
{
    for (nLo = 0; nLo < 4; ++nLo) {
        for (nHi = 0; nHi < 4; ++nHi) {
            if (dtmf::key_at(nLo, nHi) == nKey) {
                return;
            }
        }
    }
    nLo = nHi = 0;
}

}  // namespace

template <typename T>
dtmf_detector<T>::dtmf_detector(dtmf_event* pReceiver) : dtmf_detector(pReceiver, c_nDefaultRate)
{
}

template <typename T>
dtmf_detector<T>::dtmf_detector(dtmf_event* pReceiver, unsigned int nSampleRate)
    : m_nBlockSize(block_for(nSampleRate)), m_pReceiver(pReceiver), m_nRate(nSampleRate), m_nPosition(0)
{
    static_assert(2 * ((51 * c_nMaxRate + 4000) / 8000) <= c_nMaxBlock, "weight table length");
    // Hann weights for the frequency-estimating filters: their low side lobes
    // keep the other group's tone out of the phase measurement.
    for (unsigned int n = 0; n < m_nBlockSize; ++n) {
        double dS = std::sin(c_dTwoPi * 0.5 * (n + 0.5) / m_nBlockSize);
        m_afWeight[n] = static_cast<float>(dS * dS);
    }
    const double dRate = rate_supported(nSampleRate) ? nSampleRate : c_nDefaultRate;
    m_fDcPole = static_cast<float>(1.0 - c_dTwoPi * c_dDcCornerHz / dRate);
    reset();
}

template <typename T>
void dtmf_detector<T>::reset()
{
    const unsigned int nHop = m_nBlockSize / 2;
    const unsigned int nRate = rate_supported(m_nRate) ? m_nRate : c_nDefaultRate;
    for (unsigned int k = 0; k < c_nFilterCount; ++k) {
        float fFreq = k < 4 ? dtmf::c_loFreq[k] : dtmf::c_hiFreq[k - 4];
        m_anCoef[k] = q16_coefficient(fFreq, nRate);
        // The recursion runs at the frequency of the rounded coefficient;
        // the phase step must use that one too.
        double dCos = m_anCoef[k] / 65536.0;
        m_afCos[k] = static_cast<float>(dCos);
        m_afSin[k] = static_cast<float>(std::sqrt(1.0 - dCos * dCos));
        m_afAdvance[k] = static_cast<float>(std::fmod(std::acos(dCos) * nHop, c_dTwoPi));
        m_afPrevRe[k] = 0.0f;
        m_afPrevIm[k] = 0.0f;
        m_afPrevPlain[k] = 0.0f;
    }
    // The second set starts half way, as if silence came before the stream.
    clear_bank(m_aBank[0], 0);
    clear_bank(m_aBank[1], nHop);
    m_fDcIn = 0.0f;
    m_fDcOut = 0.0f;
    m_bPrevValid = false;
    m_nCandidate = 0;
    m_nRun = 0;
    m_fRunLow = 0.0f;
    m_fRunHigh = 0.0f;
    m_run = press();
    m_held = press();
    m_nMissed = 0;
}

template <typename T>
void dtmf_detector<T>::skip(std::uint64_t nCount)
{
    reset();
    m_nPosition += nCount;
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
    if (!rate_supported(m_nRate)) {
        m_nPosition += nCount;
        return;
    }
    float afChunk[c_nChunk];
    for (unsigned int i = 0; i < nCount;) {
        const unsigned int n = std::min(nCount - i, c_nChunk);
        float fIn = m_fDcIn;
        float fOut = m_fDcOut;
        for (unsigned int s = 0; s < n; ++s) {
            float fX = std::max(-c_fMaxSample, std::min(c_fMaxSample, static_cast<float>(pSamples[i + s])));
            fOut = fX - fIn + m_fDcPole * fOut;
            fIn = fX;
            afChunk[s] = fOut;
        }
        // Silence would let the output decay into denormals, which are slow.
        m_fDcOut = std::fabs(fOut) < 1e-20f ? 0.0f : fOut;
        m_fDcIn = fIn;
        run_banks(pReceiver, afChunk, n);
        i += n;
    }
    if (bEnd) {
        if (m_held.nKey != 0) {
            release(pReceiver);
        }
        reset();
    }
}

namespace {

// Four filters of a group side by side. The compiler maps the type onto the
// target's 128-bit registers (SSE, NEON) or, without them, onto scalars; the
// arithmetic per lane is the same as written out one filter at a time.
typedef float lanes __attribute__((vector_size(16)));

lanes load(const float* pf)
{
    lanes v;
    std::memcpy(&v, pf, sizeof v);
    return v;
}

void store(float* pf, lanes v) { std::memcpy(pf, &v, sizeof v); }

// One bank's filters held in registers over a run of samples.
struct bank_state {
    lanes s1[2], s2[2], w1[2], w2[2];
    float fEnergy;
};

template <typename B>
bank_state load_bank(const B& b)
{
    return {{load(b.afS1), load(b.afS1 + 4)}, {load(b.afS2), load(b.afS2 + 4)},
            {load(b.afW1), load(b.afW1 + 4)}, {load(b.afW2), load(b.afW2 + 4)}, b.fEnergy};
}

template <typename B>
void store_bank(const bank_state& r, B& b)
{
    for (int h = 0; h < 2; ++h) {
        store(b.afS1 + 4 * h, r.s1[h]);
        store(b.afS2 + 4 * h, r.s2[h]);
        store(b.afW1 + 4 * h, r.w1[h]);
        store(b.afW2 + 4 * h, r.w2[h]);
    }
    b.fEnergy = r.fEnergy;
}

inline void step(bank_state& r, const lanes* aCoef2, float fX, float fW)
{
    for (int h = 0; h < 2; ++h) {
        const lanes s0 = fX + aCoef2[h] * r.s1[h] - r.s2[h];
        r.s2[h] = r.s1[h];
        r.s1[h] = s0;
        const lanes w0 = fW + aCoef2[h] * r.w1[h] - r.w2[h];
        r.w2[h] = r.w1[h];
        r.w1[h] = w0;
    }
    r.fEnergy += fX * fX;
}

}  // namespace

template <typename T>
void dtmf_detector<T>::run_banks(dtmf_event* pReceiver, const float* pfSamples, unsigned int nCount)
{
    static_assert(c_nFilterCount == 8, "two groups of four filters");
    const lanes aCoef2[2] = {2.0f * load(m_afCos), 2.0f * load(m_afCos + 4)};
    unsigned int i = 0;
    while (i < nCount) {
        unsigned int nRun = std::min(nCount - i, m_nBlockSize - m_aBank[0].nPos);
        nRun = std::min(nRun, m_nBlockSize - m_aBank[1].nPos);
        // Both banks in one pass: their filters are independent, so the
        // processor overlaps the two chains of dependent updates.
        bank_state r0 = load_bank(m_aBank[0]), r1 = load_bank(m_aBank[1]);
        const float* pfWeight0 = m_afWeight + m_aBank[0].nPos;
        const float* pfWeight1 = m_afWeight + m_aBank[1].nPos;
        const float* pfX = pfSamples + i;
        for (unsigned int s = 0; s < nRun; ++s) {
            step(r0, aCoef2, pfX[s], pfX[s] * pfWeight0[s]);
            step(r1, aCoef2, pfX[s], pfX[s] * pfWeight1[s]);
        }
        store_bank(r0, m_aBank[0]);
        store_bank(r1, m_aBank[1]);
        m_aBank[0].nPos += nRun;
        m_aBank[1].nPos += nRun;
        i += nRun;
        m_nPosition += nRun;
        for (bank& b : m_aBank) {
            if (b.nPos == m_nBlockSize) {
                finish_block(pReceiver, b);
                clear_bank(b, 0);
            }
        }
    }
}

template <typename T>
void dtmf_detector<T>::finish_block(dtmf_event* pReceiver, bank& b)
{
    dtmf::block_measure m;
    const float fN = static_cast<float>(m_nBlockSize);
    const float fScale = 2.0f / (fN * fN);
    const float fRate = static_cast<float>(m_nRate);
    const float fHzPerRadian = fRate / (static_cast<float>(c_dTwoPi) * (m_nBlockSize / 2));
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
        m.afOffset[k] = wrap_phase(phase_of(fZIm, fZRe) - m_afAdvance[k]) * fHzPerRadian;
        m_afPrevRe[k] = fWRe;
        m_afPrevIm[k] = fWIm;
    }
    m.fEnergy = b.fEnergy / fN;
    m.nBlockSize = m_nBlockSize;
    m.fRate = fRate;
    m.bOffsetValid = m_bPrevValid;
    m_bPrevValid = true;
    dtmf::verdict v = dtmf::classify(m);
    decide(pReceiver, v.nKey, v.fLow, v.fHigh, m.afPower);
    std::copy(m.afPower, m.afPower + c_nFilterCount, m_afPrevPlain);
}

template <typename T>
float dtmf_detector<T>::tone_power(const float* afPlain, const press& p) const
{
    return afPlain[p.nLo] + afPlain[4 + p.nHi];
}

template <typename T>
void dtmf_detector<T>::decide(dtmf_event* pReceiver, int nKey, float fLow, float fHigh, const float* afPlain)
{
    // Start of the block just finished; the first blocks began before the
    // stream did.
    const std::int64_t nStart = static_cast<std::int64_t>(m_nPosition) - m_nBlockSize;
    if (nKey != 0 && nKey == m_nCandidate) {
        ++m_nRun;
        m_fRunLow += fLow;
        m_fRunHigh += fHigh;
        m_run.nLast = nStart;
        m_run.fFull = std::max(m_run.fFull, tone_power(afPlain, m_run));
    } else {
        m_nCandidate = nKey;
        m_nRun = nKey != 0 ? 1 : 0;
        m_fRunLow = fLow;
        m_fRunHigh = fHigh;
        if (nKey != 0) {
            m_run = press();
            m_run.nKey = nKey;
            key_place(nKey, m_run.nLo, m_run.nHi);
            m_run.nFirst = m_run.nLast = nStart;
            m_run.fBefore = tone_power(m_afPrevPlain, m_run);
            m_run.fFull = tone_power(afPlain, m_run);
        }
    }
    if (m_held.nKey != 0) {
        if (nKey == m_held.nKey) {
            m_nMissed = 0;
            m_held.nLast = nStart;
            m_held.fFull = std::max(m_held.fFull, tone_power(afPlain, m_held));
            m_held.fAfter = -1.0f;
        } else {
            if (m_nMissed == 0) {
                m_held.fAfter = tone_power(afPlain, m_held);
            }
            if (++m_nMissed >= c_nMissToRelease) {
                release(pReceiver);
            }
        }
    }
    // A single block may stray a little from the twist limits; the blocks of
    // the run together must keep them.
    if (m_nCandidate != 0 && m_nCandidate != m_held.nKey && m_nRun >= c_nRunToReport &&
        dtmf::twist_ok(m_fRunLow, m_fRunHigh)) {
        if (m_held.nKey != 0) {
            release(pReceiver);  // a key straight after another
        }
        m_held = m_run;
        m_nMissed = 0;
        if (pReceiver != nullptr) {
            pReceiver->on_tone(m_held.nKey);
        }
    }
}

template <typename T>
void dtmf_detector<T>::release(dtmf_event* pReceiver)
{
    // A tone filling a share f of a block gives f squared of the power of a
    // block it fills. The blocks just outside the press are the first and last
    // that the tones filled only partly (or not at all).
    const float fFull = std::max(m_held.fFull, 1e-30f);
    auto share = [fFull](float fPower) { return std::min(1.0f, std::sqrt(std::max(fPower, 0.0f) / fFull)); };
    const std::int64_t nHop = m_nBlockSize / 2;
    const float fN = static_cast<float>(m_nBlockSize);
    std::int64_t nOnset = m_held.nFirst - nHop + std::lround(fN * (1.0f - share(m_held.fBefore)));
    // Unknown only when the stream ends during the press: it lasted to the end.
    std::int64_t nEnd = static_cast<std::int64_t>(m_nPosition);
    if (m_held.fAfter >= 0.0f) {
        nEnd = std::min(nEnd, m_held.nLast + nHop + std::lround(fN * share(m_held.fAfter)));
    }
    nOnset = std::max<std::int64_t>(nOnset, 0);
    nEnd = std::max(nEnd, nOnset);
    const int nKey = m_held.nKey;
    m_held = press();
    m_nMissed = 0;
    if (auto* pKeys = dynamic_cast<dtmf_key_event*>(pReceiver)) {
        pKeys->on_key(nKey, static_cast<std::uint64_t>(nOnset), static_cast<std::uint64_t>(nEnd));
    }
}

template class dtmf_detector<float>;

}  // namespace sigtools
