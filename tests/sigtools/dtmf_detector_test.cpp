// The DTMF detector on signals built here: every key at the limits of
// duration, level, frequency and twist, also in noise and cut into pieces of
// any size; presses and pauses; end of stream; and signals that must give
// no key.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "vocalith/sigtools/dtmf_detector.h"

// Sanitizers bring their own allocator; there allocations are not counted.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define VOCALITH_COUNT_ALLOCATIONS 1
static std::atomic<long> s_nAllocations{0};
void* operator new(std::size_t nSize)  // operator new[] and the library's frees go through malloc/free
{
    ++s_nAllocations;
    if (void* p = std::malloc(nSize != 0 ? nSize : 1)) return p;
    throw std::bad_alloc();
}
#endif

namespace {

constexpr double c_dPi = 3.14159265358979323846;
constexpr char c_szKeys[] = "123A456B789C*0#D";  // rows 697..941 Hz, columns 1209..1633 Hz

struct key_log : sigtools::dtmf_event {
    void on_tone(int nTone) override { m_strKeys += static_cast<char>(nTone); }
    std::string m_strKeys;
};

// How a key is sounded: each tone's level in dBm0 and relative deviation.
struct shape {
    double dLoDbm0 = -10, dHiDbm0 = -10, dLoDev = 0, dHiDev = 0;
};

class signal {
public:
    explicit signal(unsigned nSeed) : m_rng(nSeed) {}
    // Silence of dMs plus up to dJitterMs more, so keys meet the analysis
    // blocks at every alignment.
    signal& pause(double dMs, double dJitterMs = 0)
    {
        m_af.resize(m_af.size() + std::lround((dMs + std::uniform_real_distribution<>(0, dJitterMs)(m_rng)) * 8));
        return *this;
    }
    // Two sines with random phases; 0 dBm0 is a peak of 22826 in 16-bit terms.
    signal& key(char cKey, double dMs, const shape& s = shape())
    {
        const int n = static_cast<int>(std::string(c_szKeys).find(cKey));
        static const double s_adLo[4] = {697, 770, 852, 941}, s_adHi[4] = {1209, 1336, 1477, 1633};
        const double dLo = s_adLo[n / 4] * (1 + s.dLoDev), dHi = s_adHi[n % 4] * (1 + s.dHiDev);
        const double dLoPhase = phase(), dHiPhase = phase();
        for (long i = 0; i < std::lround(dMs * 8); ++i)
            m_af.push_back(static_cast<float>(22826.0 / 32768 * (std::pow(10, s.dLoDbm0 / 20) * std::sin(2 * c_dPi * dLo * i / 8000 + dLoPhase) +
                                                                  std::pow(10, s.dHiDbm0 / 20) * std::sin(2 * c_dPi * dHi * i / 8000 + dHiPhase))));
        return *this;
    }
    // White noise of that mean square over everything so far.
    signal& noise(double dPower)
    {
        std::normal_distribution<> dist(0, std::sqrt(dPower));
        for (float& f : m_af) f = static_cast<float>(f + dist(m_rng));
        return *this;
    }
    std::vector<float> m_af;

private:
    double phase() { return std::uniform_real_distribution<>(0, 2 * c_dPi)(m_rng); }
    std::mt19937 m_rng;
};

// The keys a fresh detector reports for the signal fed in pieces of nPiece.
std::string detect(const std::vector<float>& af, std::size_t nPiece = 160)
{
    key_log log;
    sigtools::dtmf_detector<float> detector(&log);
    for (std::size_t i = 0; i < af.size(); i += nPiece)
        detector.detect(nullptr, af.data() + i, static_cast<unsigned>(std::min(nPiece, af.size() - i)), false);
    return log.m_strKeys;
}

TEST(DtmfDetector, EveryKeyAtTheLimitsOfItsFigures)
{
    const struct {
        double dKeyMs;
        shape s;
        double dSnrDb;  // noise below the keys' power, none if infinite
        bool bReported;
    } cases[] = {
        {40, {}, INFINITY, true},              {40, {}, 15, true},                {20, {}, INFINITY, false},
        {20, {-3, -3}, INFINITY, false},       {20, {}, 15, false},               {10, {}, INFINITY, false},
        {40, {-3, -3}, INFINITY, true},        {40, {-30, -30}, INFINITY, true},  {40, {-25, -25}, 15, true},
        {40, {-45, -45}, INFINITY, false},     {40, {-45, -10}, INFINITY, false}, {40, {-10, -45}, INFINITY, false},
        {40, {-10, -17}, 15, true},            {40, {-13, -10}, 15, true},        {40, {-23, -30}, INFINITY, true},
        {40, {-6, -3}, INFINITY, true},        {40, {-10, -20}, INFINITY, false}, {40, {-16, -10}, INFINITY, false},
        {40, {-10, -10, 0.015, 0}, 15, true},  {40, {-10, -10, -0.015, 0}, INFINITY, true},
        {40, {-10, -10, 0, 0.015}, 15, true},  {40, {-10, -10, 0, -0.015}, INFINITY, true},
        {40, {-10, -10, 0.01, 0.01}, INFINITY, true},  {40, {-10, -10, -0.01, 0.01}, INFINITY, true},
        {40, {-10, -10, 0, 0.035}, INFINITY, false},   {40, {-10, -10, 0, -0.035}, INFINITY, false},
        {40, {-10, -10, 0.05, 0}, INFINITY, false},    {40, {-10, -10, -0.05, -0.05}, INFINITY, false},
        {40, {-10, -10, 0.02, -0.02}, INFINITY, false},
    };
    const std::size_t anPieces[] = {1, 7, 102, 160, 1000, 1 << 20};  // one per seed
    for (const auto& c : cases) {
        for (unsigned nSeed = 1; nSeed <= 6; ++nSeed) {
            signal sig(nSeed);
            std::string strSent;
            sig.pause(40, 13);
            for (char cKey : std::string(c_szKeys) + c_szKeys) sig.key(cKey, c.dKeyMs, c.s).pause(40, 13), strSent += cKey;
            const double dKeyPower = 0.5 * 22826.0 * 22826 / 32768 / 32768 * (std::pow(10, c.s.dLoDbm0 / 10) + std::pow(10, c.s.dHiDbm0 / 10));
            if (std::isfinite(c.dSnrDb)) sig.noise(dKeyPower / std::pow(10, c.dSnrDb / 10));
            EXPECT_EQ(c.bReported ? strSent : "", detect(sig.m_af, anPieces[nSeed - 1]))
                << "seed " << nSeed << ", " << c.dKeyMs << " ms, " << c.s.dLoDbm0 << "/" << c.s.dHiDbm0 << " dBm0, deviations "
                << c.s.dLoDev << "/" << c.s.dHiDev << ", SNR " << c.dSnrDb;
        }
    }
}

TEST(DtmfDetector, OnePerPressPausesOf40msEndAPressAndInterruptionsOf10msDoNot)
{
    signal sig(2);
    sig.pause(20).key('5', 2000).pause(40).key('5', 45).pause(100).key('9', 1500).pause(20);
    sig.key('9', 100).pause(10).key('9', 100).pause(10).key('9', 100).pause(40).key('1', 100).key('2', 100).pause(50);
    EXPECT_EQ("559912", detect(sig.m_af));
}

TEST(DtmfDetector, ReceiversEndOfStreamAndReset)
{
    signal sig(4);
    sig.pause(10).key('7', 300);
    const unsigned n = static_cast<unsigned>(sig.m_af.size());
    key_log built, given;
    sigtools::dtmf_detector<float> detector(&built);
    detector.detect(&given, sig.m_af.data(), n, false);
    detector.detect(nullptr, sig.m_af.data(), n, false);  // the same press goes on
    EXPECT_EQ("7", given.m_strKeys);
    EXPECT_EQ("", built.m_strKeys);
    detector.reset();  // forgets the held key
    detector.detect(nullptr, sig.m_af.data(), n, true);
    detector.detect(nullptr, sig.m_af.data(), n, true);  // the end of a stream forgets it too
    EXPECT_EQ("77", built.m_strKeys);
    // Half a key at the end of one stream and half at the start of the next make none.
    detector.detect(nullptr, sig.m_af.data() + n - 144, 144, true);
    detector.detect(nullptr, sig.m_af.data(), 224, false);
    EXPECT_EQ("77", built.m_strKeys);
}

TEST(DtmfDetector, InvalidSamplesGiveNoKeyAndDoNotStopDetection)
{
    signal sig(10);
    sig.pause(10).key('8', 60).pause(260).key('2', 60).pause(60);
    const float afBad[] = {std::numeric_limits<float>::quiet_NaN(), INFINITY, -INFINITY, 1e30f};
    for (std::size_t i = 0; i < 1000; ++i) sig.m_af[700 + i] = afBad[i % 4];
    EXPECT_EQ("82", detect(sig.m_af));
}

TEST(DtmfDetector, DetectDoesNotAllocate)
{
#ifndef VOCALITH_COUNT_ALLOCATIONS
    GTEST_SKIP() << "allocations are not counted under a sanitizer";
#else
    signal sig(11);
    for (char cKey : std::string(c_szKeys)) sig.key(cKey, 40).pause(40, 13);
    key_log log;
    log.m_strKeys.reserve(100);  // the receiver's own storage, not the detector's
    sigtools::dtmf_detector<float> detector(&log);
    const long nBefore = s_nAllocations;
    for (std::size_t i = 0; i < sig.m_af.size(); i += 77)
        detector.detect(nullptr, sig.m_af.data() + i, static_cast<unsigned>(std::min<std::size_t>(77, sig.m_af.size() - i)), i + 77 >= sig.m_af.size());
    EXPECT_EQ(nBefore, s_nAllocations);
    EXPECT_EQ(c_szKeys, log.m_strKeys);
    std::string strCounted(100, 'x');  // the count works
    EXPECT_LT(nBefore, s_nAllocations) << strCounted;
#endif
}

TEST(DtmfDetector, CoefficientsAreTheTruncatedQ16CosinesOfTheKeypadFrequencies)
{
    const std::int32_t anExpected[8] = {55959, 53912, 51402, 48437, 38145, 32649, 26169, 18629};
    sigtools::dtmf_detector<float> detector(nullptr);
    for (unsigned k = 0; k < 8; ++k) EXPECT_EQ(anExpected[k], detector.coefficient(k)) << k;
}

// Little-endian 16-bit samples of a file from byte nFrom on (past the
// header of a WAV file: its "data" chunk), as floats.
std::vector<float> s16le(const std::string& strPath, bool bWav)
{
    std::ifstream in(strPath, std::ios::binary);
    const std::string str((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> af;
    for (std::size_t i = bWav ? str.find("data") + 8 : 0; i + 1 < str.size(); i += 2)
        af.push_back(static_cast<std::int16_t>(static_cast<unsigned char>(str[i]) | (static_cast<unsigned char>(str[i + 1]) << 8)) / 32768.0f);
    return af;
}

TEST(DtmfDetector, NoKeyInNoiseSawtoothOrSpeech)
{
    EXPECT_EQ("", detect(signal(1234).pause(60000).noise(1e-2).m_af));
    EXPECT_EQ("", detect(signal(1235).pause(60000).noise(1e-4).m_af));
    // The 4th and 7th harmonics fall on 697 and 1219.75 Hz, the key '1'.
    for (double dPeak : {0.05, 0.3, 0.9}) {
        std::vector<float> af(80000);
        for (std::size_t i = 0; i < af.size(); ++i) af[i] = static_cast<float>(dPeak * (2 * std::fmod(174.25 * i / 8000, 1.0) - 1));
        EXPECT_EQ("", detect(af)) << dPeak;
    }
    EXPECT_EQ("159#", detect(s16le(VOCALITH_SOURCE_DIR "/samples/dtmf_159hash.wav", true)));
    EXPECT_EQ("", detect(s16le(VOCALITH_SOURCE_DIR "/samples/speech.wav", true)));
    // Spoken and sung by espeak-ng at 8000 Hz, quiet and loud to the edge of
    // clipping; the high female voice sings harmonics near 941 and 1209 Hz.
    const std::string strRaw = std::string(VOCALITH_BINARY_DIR) + "/dtmf_speech.raw";
    for (const char* pszVoice : {"en-us", "en+f3", "en+m7", "en+f5 -p 80"}) {
        for (const char* pszText : {"Please say your account number after the tone: one two three four five six seven eight nine zero, star, hash.",
                                    "Ah eeeee ooooo uuuu iiii, la la la la, mi mi mi mi, hmmmmmm, weeee, yoooo."}) {
            ASSERT_EQ(0, std::system(("espeak-ng -v " + std::string(pszVoice) + " --stdout \"" + pszText + "\" | sox -t wav - -r 8000 -c 1 -b 16 -e signed " + strRaw).c_str()));
            const std::vector<float> af = s16le(strRaw, false);
            ASSERT_GT(af.size(), 8000u);
            for (float fGain : {0.25f, 1.0f, 3.0f}) {
                std::vector<float> afScaled(af);
                for (float& f : afScaled) f = std::max(-1.0f, std::min(1.0f, f * fGain));
                EXPECT_EQ("", detect(afScaled)) << pszVoice << " x" << fGain << ": " << pszText;
            }
        }
    }
}

}  // namespace
