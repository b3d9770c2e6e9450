#include "key_onset.h"

#include <cmath>
#include <cstring>

namespace tool {

bool key_frequencies(char key, double& fLow, double& fHigh)
{
    static const char c_keys[] = "123A456B789C*0#D";
    static const double c_low[] = {697.0, 770.0, 852.0, 941.0};
    static const double c_high[] = {1209.0, 1336.0, 1477.0, 1633.0};
    const char* p = key ? std::strchr(c_keys, key) : nullptr;
    if (!p) {
        return false;
    }
    std::size_t n = static_cast<std::size_t>(p - c_keys);
    fLow = c_low[n / 4];
    fHigh = c_high[n % 4];
    return true;
}

key_onset::key_onset(unsigned int nRate) : m_nRate(nRate), m_history(2 * nRate), m_nPosition(0) {}

void key_onset::feed(const float* pSamples, unsigned int nCount)
{
    for (unsigned int i = 0; i < nCount; ++i) {
        m_history[(m_nPosition + i) % m_history.size()] = pSamples[i];
    }
    m_nPosition += nCount;
}

// Power of one frequency over the window (Goertzel); a sine of amplitude A
// filling the window gives about (A * N / 2)^2.
static double tone_power(const float* pBegin, unsigned int nCount, double fCoeff)
{
    double s1 = 0.0, s2 = 0.0;
    for (unsigned int i = 0; i < nCount; ++i) {
        double s0 = pBegin[i] + fCoeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - fCoeff * s1 * s2;
}

bool key_onset::key_dominates(std::uint64_t nEnd, double fLow, double fHigh) const
{
    float window[c_nWindow];
    double fEnergy = 0.0;
    for (unsigned int i = 0; i < c_nWindow; ++i) {
        window[i] = at(nEnd - c_nWindow + i);
        fEnergy += static_cast<double>(window[i]) * window[i];
    }
    // Below -60 dBFS (in either scale of the decoders) there is no key.
    if (fEnergy < c_nWindow * 1e-6) {
        return false;
    }
    const double fTwoPi = 6.283185307179586;
    double fPower = tone_power(window, c_nWindow, 2.0 * std::cos(fTwoPi * fLow / m_nRate)) +
                    tone_power(window, c_nWindow, 2.0 * std::cos(fTwoPi * fHigh / m_nRate));
    // Two sines filling the window give a ratio near 1.
    return 2.0 * fPower / (c_nWindow * fEnergy) >= 0.5;
}

std::uint64_t key_onset::find_start(char key) const
{
    double fLow, fHigh;
    std::uint64_t nOldest = m_nPosition > m_history.size() ? m_nPosition - m_history.size() : 0;
    if (!key_frequencies(key, fLow, fHigh) || m_nPosition - nOldest < c_nWindow) {
        return m_nPosition;
    }
    std::uint64_t nEnd = m_nPosition;
    // Back to the newest window where the key is heard...
    while (nEnd - c_nWindow >= nOldest + c_nStep && !key_dominates(nEnd, fLow, fHigh)) {
        nEnd -= c_nStep;
    }
    if (!key_dominates(nEnd, fLow, fHigh)) {
        return m_nPosition;
    }
    // ...then back over the stretch where it is. A window is judged keyed
    // once the tones fill half of it, so the onset lies half a window
    // before the end of the earliest keyed window.
    while (nEnd - c_nWindow >= nOldest + c_nStep && key_dominates(nEnd - c_nStep, fLow, fHigh)) {
        nEnd -= c_nStep;
    }
    return nEnd - c_nWindow / 2;
}

}  // namespace tool
