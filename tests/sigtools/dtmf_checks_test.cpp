// The per-block checks: filter responses against directly summed ones, and
// which measurements make a key.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>

#include "sigtools/dtmf_checks.h"

namespace {

using sigtools::dtmf::block_measure;
using sigtools::dtmf::classify;

constexpr unsigned int c_nBlock = 102;
constexpr double c_dPi = 3.14159265358979323846;

// |sum of w[n] e^(j 2 pi f n / 8000)| / sum of w[n], with w = 1 or Hann.
double summed_gain(double dOffset, bool bHann)
{
    std::complex<double> sum = 0.0;
    double dWeights = 0.0;
    for (unsigned int n = 0; n < c_nBlock; ++n) {
        double dW = bHann ? std::pow(std::sin(c_dPi * (n + 0.5) / c_nBlock), 2.0) : 1.0;
        sum += dW * std::polar(1.0, 2.0 * c_dPi * dOffset * n / 8000.0);
        dWeights += dW;
    }
    return std::abs(sum) / dWeights;
}

TEST(DtmfChecks, FilterGainsMatchTheDirectlySummedResponse)
{
    for (double dOffset : {0.0, 0.001, 5.0, 12.5, -20.0, 40.0, -57.0, 78.43, 100.0, 156.9, -250.0}) {
        EXPECT_NEAR(summed_gain(dOffset, false), sigtools::dtmf::plain_gain(static_cast<float>(dOffset), c_nBlock), 1e-4)
            << dOffset << " Hz";
        EXPECT_NEAR(summed_gain(dOffset, true), sigtools::dtmf::hann_gain(static_cast<float>(dOffset), c_nBlock), 1e-4)
            << dOffset << " Hz";
    }
}

// A block carrying key '5' (770 + 1336 Hz) cleanly at power 0.01 per tone.
block_measure clean_five()
{
    block_measure m = {};
    for (unsigned int k = 0; k < 8; ++k) {
        m.afPower[k] = 1e-6f;
        m.afWeighted[k] = 1e-6f;
        m.afOffset[k] = 0.0f;
    }
    m.afPower[1] = m.afWeighted[1] = 0.01f;
    m.afPower[5] = m.afWeighted[5] = 0.01f;
    m.fEnergy = 0.0201f;
    m.nBlockSize = c_nBlock;
    m.bOffsetValid = true;
    return m;
}

TEST(DtmfChecks, EachFailedCheckRejectsTheBlock)
{
    struct rejected {
        const char* szWhy;
        void (*spoil)(block_measure&);
    };
    const rejected aCases[] = {
        {"no predecessor for the phase step", [](block_measure& m) { m.bOffsetValid = false; }},
        {"second low tone 5 dB down", [](block_measure& m) { m.afPower[2] = m.afWeighted[2] = 0.0032f; }},
        {"second high tone 5 dB down", [](block_measure& m) { m.afPower[7] = m.afWeighted[7] = 0.0032f; }},
        {"low tone 3 % off", [](block_measure& m) { m.afOffset[1] = 0.03f * 770.0f; }},
        {"high tone 3 % below", [](block_measure& m) { m.afOffset[5] = -0.03f * 1336.0f; }},
        {"both tones 1.6 % off",
         [](block_measure& m) {
             m.afOffset[1] = 0.016f * 770.0f;
             m.afOffset[5] = -0.016f * 1336.0f;
         }},
        {"levels at -40 dBm0",
         [](block_measure& m) {
             m.afWeighted[1] = m.afWeighted[5] = m.afPower[1] = m.afPower[5] = 2.4e-5f;
             m.fEnergy = 4.9e-5f;
         }},
        {"half the power elsewhere", [](block_measure& m) { m.fEnergy = 0.04f; }},
        {"low louder by 11 dB, beyond what a single block may stray",
         [](block_measure& m) { m.afWeighted[5] = 0.01f / 12.6f; }},
        {"high louder by 7 dB", [](block_measure& m) { m.afWeighted[1] = 0.01f / 5.0f; }},
        {"NaN energy", [](block_measure& m) { m.fEnergy = std::numeric_limits<float>::quiet_NaN(); }},
        {"NaN offset", [](block_measure& m) { m.afOffset[5] = std::numeric_limits<float>::quiet_NaN(); }},
        {"NaN power", [](block_measure& m) { m.afWeighted[1] = std::numeric_limits<float>::quiet_NaN(); }},
    };
    ASSERT_EQ('5', classify(clean_five()).nKey);
    for (const rejected& r : aCases) {
        block_measure m = clean_five();
        r.spoil(m);
        EXPECT_EQ(0, classify(m).nKey) << r.szWhy;
    }
}

}  // namespace
