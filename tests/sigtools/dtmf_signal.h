// Test signals for the DTMF detector: keys built as two sines, pauses,
// noise, and a runner that feeds a signal in pieces and collects the keys.
#ifndef VOCALITH_TESTS_SIGTOOLS_DTMF_SIGNAL_H
#define VOCALITH_TESTS_SIGTOOLS_DTMF_SIGNAL_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "vocalith/sigtools/dtmf_detector.h"

namespace dtmf_test {

constexpr double c_dPi = 3.14159265358979323846;
constexpr double c_dRate = 8000.0;
// 0 dBm0: a sine of peak 22826 in int16 terms; float 1.0 is 32768.
constexpr double c_dZeroDbm0 = 22826.0 / 32768.0;
constexpr char c_szKeys[] = "123A456B789C*0#D";

inline double peak_of(double dDbm0)
{
    return c_dZeroDbm0 * std::pow(10.0, dDbm0 / 20.0);
}

inline unsigned int samples_of(double dMs)
{
    return static_cast<unsigned int>(std::lround(dMs * c_dRate / 1000.0));
}

// Row and column frequencies of a key, from the keypad layout above.
inline double low_of(char cKey)
{
    static const double s_ad[4] = {697.0, 770.0, 852.0, 941.0};
    return s_ad[(std::find(c_szKeys, c_szKeys + 16, cKey) - c_szKeys) / 4];
}

inline double high_of(char cKey)
{
    static const double s_ad[4] = {1209.0, 1336.0, 1477.0, 1633.0};
    return s_ad[(std::find(c_szKeys, c_szKeys + 16, cKey) - c_szKeys) % 4];
}

// How a key is sounded: per-tone level and relative frequency deviation.
struct tone_shape {
    double dLoDbm0 = -10.0;
    double dHiDbm0 = -10.0;
    double dLoDev = 0.0;  // 0.015 = 1.5 % above nominal
    double dHiDev = 0.0;
};

class signal_builder {
public:
    explicit signal_builder(std::uint32_t nSeed) : m_rng(nSeed) {}

    signal_builder& pause(double dMs)
    {
        m_afSamples.resize(m_afSamples.size() + samples_of(dMs), 0.0f);
        return *this;
    }

    // A pause of random length in [dMinMs, dMaxMs), so keys meet the blocks
    // of the detector at every alignment.
    signal_builder& random_pause(double dMinMs, double dMaxMs)
    {
        std::uniform_real_distribution<double> dist(dMinMs, dMaxMs);
        return pause(dist(m_rng));
    }

    signal_builder& key(char cKey, double dMs, const tone_shape& shape = tone_shape())
    {
        return tones(low_of(cKey) * (1.0 + shape.dLoDev), shape.dLoDbm0,
                     high_of(cKey) * (1.0 + shape.dHiDev), shape.dHiDbm0, dMs);
    }

    // Two sines with random starting phases, added to what is there.
    signal_builder& tones(double dLoHz, double dLoDbm0, double dHiHz, double dHiDbm0, double dMs)
    {
        std::uniform_real_distribution<double> phase(0.0, 2.0 * c_dPi);
        double dLoPhase = phase(m_rng);
        double dHiPhase = phase(m_rng);
        double dLo = peak_of(dLoDbm0);
        double dHi = peak_of(dHiDbm0);
        unsigned int n = samples_of(dMs);
        for (unsigned int i = 0; i < n; ++i) {
            double dT = i / c_dRate;
            double dV = dLo * std::sin(2.0 * c_dPi * dLoHz * dT + dLoPhase) +
                        dHi * std::sin(2.0 * c_dPi * dHiHz * dT + dHiPhase);
            m_afSamples.push_back(static_cast<float>(dV));
        }
        return *this;
    }

    // Gaussian white noise of the given mean power (mean square, float scale)
    // added over the whole signal built so far.
    signal_builder& noise(double dPower)
    {
        std::normal_distribution<double> dist(0.0, std::sqrt(dPower));
        for (float& f : m_afSamples) {
            f = static_cast<float>(f + dist(m_rng));
        }
        return *this;
    }

    const std::vector<float>& samples() const { return m_afSamples; }
    std::vector<float>& samples() { return m_afSamples; }

private:
    std::mt19937 m_rng;
    std::vector<float> m_afSamples;
};

// Mean power of a key's two tones at the given levels.
inline double key_power(const tone_shape& shape)
{
    double dLo = peak_of(shape.dLoDbm0);
    double dHi = peak_of(shape.dHiDbm0);
    return 0.5 * (dLo * dLo + dHi * dHi);
}

class key_log : public sigtools::dtmf_event {
public:
    void on_tone(int nTone) override { m_strKeys.push_back(static_cast<char>(nTone)); }
    const std::string& keys() const { return m_strKeys; }
    void reserve(std::size_t n) { m_strKeys.reserve(n); }

private:
    std::string m_strKeys;
};

// The keys a fresh detector reports for the signal fed in pieces of nPiece.
inline std::string detect_keys(const std::vector<float>& afSignal, unsigned int nPiece = 160)
{
    key_log log;
    sigtools::dtmf_detector<float> detector(&log);
    for (std::size_t i = 0; i < afSignal.size(); i += nPiece) {
        unsigned int n = static_cast<unsigned int>(std::min<std::size_t>(nPiece, afSignal.size() - i));
        detector.detect(nullptr, afSignal.data() + i, n, false);
    }
    return log.keys();
}

}  // namespace dtmf_test

#endif
