// The DTMF detector on signals built here: every key at the limits of
// duration, level, frequency, twist and purity, also in noise and cut into
// pieces of any size; presses, pauses, receivers and the end of the stream;
// invalid samples; no allocation while detecting; and signals that must give
// no key: noise, recorded and synthetic speech.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "vocalith/sigtools/dtmf_detector.h"

static std::atomic<long> s_nAllocations{0};
// Sanitizers bring their own allocator; there allocations are not counted.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define VOCALITH_COUNT_ALLOCATIONS 1
void* operator new(std::size_t nSize)  // operator new[] comes here; the library's delete frees
{
    ++s_nAllocations;
    if (void* p = std::malloc(nSize != 0 ? nSize : 1)) return p;
    throw std::bad_alloc();
}
#endif

namespace {

constexpr double c_dPi = 3.14159265358979323846, c_dZeroDbm0 = 22826.0 / 32768;  // peak of a 0 dBm0 sine
constexpr char c_szKeys[] = "123A456B789C*0#D";  // rows 697..941 Hz, columns 1209..1633 Hz

struct key_log : sigtools::dtmf_event {
    void on_tone(int nTone) override { m_strKeys += static_cast<char>(nTone); }
    std::string m_strKeys;
};

// A key's duration; white noise that far below the key's power, none if
// infinite; each tone's level in dBm0 and relative frequency deviation; and
// the levels of two more tones: at the neighbouring row's frequency and at
// 2500 Hz.
struct shape {
    double dMs = 40, dSnrDb = INFINITY, dLoDbm0 = -10, dHiDbm0 = -10, dLoDev = 0, dHiDev = 0;
    double dRivalDbm0 = -INFINITY, dExtraDbm0 = -INFINITY;
};

struct signal {
    explicit signal(unsigned nSeed) : m_rng(nSeed) {}
    // Silence of dMs and up to dJitterMs more, so keys meet the analysis
    // blocks at every alignment.
    signal& pause(double dMs, double dJitterMs = 0)
    {
        m_af.resize(m_af.size() + std::lround((dMs + std::uniform_real_distribution<>(0, dJitterMs)(m_rng)) * 8));
        return *this;
    }
    signal& key(char cKey, const shape& s = shape())  // random phases
    {
        static const double s_adLo[4] = {697, 770, 852, 941}, s_adHi[4] = {1209, 1336, 1477, 1633};
        const std::size_t n = std::string(c_szKeys).find(cKey);
        std::uniform_real_distribution<> phase(0, 2 * c_dPi);
        const double dLo = 2 * c_dPi * s_adLo[n / 4] * (1 + s.dLoDev) / 8000, dLoPhase = phase(m_rng);
        const double dHi = 2 * c_dPi * s_adHi[n % 4] * (1 + s.dHiDev) / 8000, dHiPhase = phase(m_rng);
        auto peak = [](double dDbm0) { return c_dZeroDbm0 * std::pow(10, dDbm0 / 20); };
        for (long i = 0; i < std::lround(s.dMs * 8); ++i)
            m_af.push_back(static_cast<float>(peak(s.dLoDbm0) * std::sin(dLo * i + dLoPhase) +
                                              peak(s.dHiDbm0) * std::sin(dHi * i + dHiPhase) +
                                              peak(s.dRivalDbm0) * std::sin(2 * c_dPi * s_adLo[n / 4 ^ 1] / 8000 * i) +
                                              peak(s.dExtraDbm0) * std::sin(2 * c_dPi * 2500 / 8000 * i)));
        return *this;
    }
    signal& noise(double dPower)  // white, that mean square, over everything so far
    {
        std::normal_distribution<> dist(0, std::sqrt(dPower));
        for (float& f : m_af) f = static_cast<float>(f + dist(m_rng));
        return *this;
    }

    std::mt19937 m_rng;
    std::vector<float> m_af;
};

// The keys a fresh detector reports for the signal fed in pieces of nPiece,
// the last marked as the end of the stream. Checks that detect allocates
// nothing (counted outside the sanitizer builds).
std::string detect(const std::vector<float>& af, std::size_t nPiece = 160)
{
    key_log log;
    log.m_strKeys.reserve(64);  // the receiver's own storage, not the detector's
    sigtools::dtmf_detector<float> detector(&log);
    const long nAllocations = s_nAllocations;
    for (std::size_t i = 0; i < af.size(); i += nPiece)
        detector.detect(nullptr, &af[i], unsigned(std::min(nPiece, af.size() - i)), i + nPiece >= af.size());
    EXPECT_EQ(nAllocations, s_nAllocations) << "detect allocated";
    return log.m_strKeys;
}

TEST(DtmfDetector, EveryKeyAtTheLimitsOfItsFigures)
{
    const double c_dInf = INFINITY;
    // Durations, levels, twists, frequency deviations, a rival in the low group and a
    // third tone, each with whether all keys are reported or none.
    const std::pair<shape, bool> cases[] = {
        {{40}, true}, {{40, 15}, true}, {{20}, false},
        {{20, c_dInf, -3, -3}, false}, {{20, 15}, false}, {{40, c_dInf, -3, -3}, true},
        {{40, c_dInf, -30, -30}, true}, {{40, 15, -25, -25}, true}, {{40, c_dInf, -45, -45}, false},
        {{40, c_dInf, -45, -10}, false}, {{40, c_dInf, -23, -30}, true}, {{40, 15, -10, -17}, true},
        {{40, c_dInf, -6, -3}, true}, {{40, 15, -13, -10}, true}, {{40, c_dInf, -10, -20}, false},
        {{40, c_dInf, -16, -10}, false}, {{40, c_dInf, -10, -10, -.015}, true}, {{40, 15, -10, -10, .015}, true},
        {{40, 15, -10, -10, 0, .015}, true}, {{40, c_dInf, -10, -10, 0, -.015}, true},
        {{40, c_dInf, -10, -10, .01, .01}, true}, {{40, c_dInf, -10, -10, 0, .035}, false},
        {{40, c_dInf, -10, -10, 0, -.035}, false}, {{40, c_dInf, -10, -10, .05}, false},
        {{40, c_dInf, -10, -10, -.05, -.05}, false}, {{40, c_dInf, -10, -10, 0, .029}, false},
        {{40, c_dInf, -10, -10, -.029}, false}, {{40, c_dInf, -10, -10, .02, -.02}, false},
        {{40, c_dInf, -10, -10, 0, 0, -24}, true}, {{40, c_dInf, -10, -10, 0, 0, -15}, false},
        {{40, c_dInf, -10, -10, 0, 0, -c_dInf, -16}, true}, {{40, c_dInf, -10, -10, 0, 0, -c_dInf, -10}, false},
    };
    const std::size_t anPieces[] = {1, 7, 102, 160, 1000, 1 << 20};  // one per seed
    for (std::size_t nCase = 0; nCase < std::size(cases); ++nCase) {
        const auto& [s, bReported] = cases[nCase];
        for (unsigned nSeed = 1; nSeed <= 6; ++nSeed) {
            signal sig(nSeed);
            for (char cKey : std::string(c_szKeys) + c_szKeys) sig.pause(40, 13).key(cKey, s);
            const double dKey = (std::pow(10, s.dLoDbm0 / 10) + std::pow(10, s.dHiDbm0 / 10)) * c_dZeroDbm0 *
                                c_dZeroDbm0 / 2;
            if (std::isfinite(s.dSnrDb)) sig.noise(dKey / std::pow(10, s.dSnrDb / 10));
            EXPECT_EQ(bReported ? std::string(c_szKeys) + c_szKeys : "", detect(sig.m_af, anPieces[nSeed - 1]))
                << "case " << nCase << ", seed " << nSeed;
        }
    }
}

TEST(DtmfDetector, OnePerPressUntilAPauseTheEndOfTheStreamOrAResetWhateverTheSamples)
{
    signal sig(2);  // interruptions of 10 ms do not end a press; a key right after another is a new one
    sig.pause(20).key('5', {2000}).pause(40).key('5', {45}).pause(100).key('9', {1500}).pause(20).key('9', {100});
    sig.pause(10).key('9', {100}).pause(10).key('9', {100}).pause(40).key('1', {100}).key('2', {100}).pause(50);
    EXPECT_EQ("559912", detect(sig.m_af));
    sig = signal(4);
    sig.pause(10).key('7', {300});
    const float* pf = sig.m_af.data();
    const unsigned n = unsigned(sig.m_af.size());
    key_log built, given;
    sigtools::dtmf_detector<float> detector(&built);
    detector.detect(&given, pf, n, false);   // the receiver of the call, if any
    detector.detect(nullptr, pf, n, false);  // the same press goes on
    detector.reset();
    detector.detect(nullptr, pf, n, true);
    detector.detect(nullptr, pf, n, true);
    // Half a key at the end of one stream and half at the start of the next make none.
    detector.detect(nullptr, pf + n - 144, 144, true);
    detector.detect(nullptr, pf, 224, false);
    EXPECT_EQ("7", given.m_strKeys);
    EXPECT_EQ("77", built.m_strKeys);
    // Invalid samples give no key and do not stop the detection.
    sig = signal(10);
    for (char cKey : std::string(c_szKeys)) sig.pause(200).key(cKey, {60});
    const float afBad[] = {NAN, INFINITY, -INFINITY, 1e30f};
    for (std::size_t i = 0; i < 800; ++i) sig.m_af[4300 + i] = afBad[i % 4];  // between the second and third key
    EXPECT_EQ(c_szKeys, detect(sig.m_af, 77));
#ifdef VOCALITH_COUNT_ALLOCATIONS
    const long nAllocations = s_nAllocations;
    std::string strCounted(100, 'x');  // allocations are counted
    EXPECT_LT(nAllocations, s_nAllocations) << strCounted;
#endif
}

// The folder the CTest step sigtools.talk_off_clips (talk_off_clips.sh) fills
// with the build machine's espeak-ng and sox, so that a cross-built test reads
// the same clips.
const std::string c_strClips = VOCALITH_BINARY_DIR "/tests/sigtools/talk_off";

// Samples of a 16-bit raw file of that folder.
std::vector<float> samples_of(const std::string& strName)
{
    std::vector<float> af;
    FILE* pFile = std::fopen((c_strClips + "/" + strName).c_str(), "rb");
    std::int16_t an[4096];
    for (std::size_t n; pFile != nullptr && (n = std::fread(an, 2, std::size(an), pFile)) > 0;)
        for (std::size_t i = 0; i < n; ++i) af.push_back(an[i] / 32768.0f);
    EXPECT_TRUE(pFile != nullptr) << strName << " is missing: it is made by the CTest step sigtools.talk_off_clips";
    if (pFile != nullptr) std::fclose(pFile);
    return af;
}

// The keys a detector for nRate reports in af.
std::string detect_at(const std::vector<float>& af, unsigned nRate)
{
    key_log log;
    sigtools::dtmf_detector<float> detector(&log, nRate);
    detector.detect(nullptr, af.data(), unsigned(af.size()), true);
    return log.m_strKeys;
}

// Pink noise (a -3 dB per octave filter on white noise) of mean square about dPower.
std::vector<float> pink_noise(std::size_t nCount, double dPower, unsigned nSeed)
{
    std::mt19937 rng(nSeed);
    std::normal_distribution<> white(0, 1);
    std::vector<float> af(nCount);
    double b[7] = {};
    for (float& f : af) {
        const double w = white(rng);
        b[0] = 0.99886 * b[0] + w * 0.0555179, b[1] = 0.99332 * b[1] + w * 0.0750759;
        b[2] = 0.96900 * b[2] + w * 0.1538520, b[3] = 0.86650 * b[3] + w * 0.3104856;
        b[4] = 0.55000 * b[4] + w * 0.5329522, b[5] = -0.7616 * b[5] - w * 0.0168980;
        f = static_cast<float>((b[0] + b[1] + b[2] + b[3] + b[4] + b[5] + b[6] + w * 0.5362) * std::sqrt(dPower) / 3.3);
        b[6] = w * 0.115926;
    }
    return af;
}

// An hour and more of speech in fourteen languages, men's and women's voices at
// several speeds, pitches and levels up to clipping, the bundled recording and
// synthetic singing, then white and pink noise: none of it may give a key. Each
// clip (a row of talk_off_clips.tsv) reads a greeting and random numbers in its
// language, the words a caller says around a keypad. Every third clip is
// analysed at the synthesiser's own 22050 Hz, the rest at 8000 Hz.
TEST(DtmfDetector, NoKeyInNoiseOrSpeech)
{
    for (double dPower : {1e-1, 1e-2, 1e-4}) {
        EXPECT_EQ("", detect(signal(1234).pause(60000).noise(dPower).m_af)) << "white " << dPower;
        EXPECT_EQ("", detect(pink_noise(480000, dPower, 77))) << "pink " << dPower;
        EXPECT_EQ("", detect_at(pink_noise(2880000, dPower, 78), 48000)) << "pink at 48 kHz " << dPower;
    }
    EXPECT_EQ("159#", detect(samples_of("dtmf_159hash.raw")));
    EXPECT_EQ("", detect(samples_of("speech.raw")));
    std::ifstream list(VOCALITH_SOURCE_DIR "/tests/sigtools/talk_off_clips.tsv");
    double dSeconds = 0;
    unsigned nClip = 0;
    for (std::string strRow; std::getline(list, strRow); ++nClip) {
        std::string strVoice, strSpeed, strPitch;
        unsigned nRate = 0;
        std::istringstream(strRow) >> strVoice >> strSpeed >> strPitch >> nRate;
        const std::string strName = "clip" + std::string(nClip < 10 ? "0" : "") + std::to_string(nClip) + ".raw";
        const std::vector<float> af = samples_of(strName);
        ASSERT_GT(af.size(), 10u * nRate) << strName << ": " << strRow;
        dSeconds += double(af.size()) / nRate;
        EXPECT_EQ("", detect_at(af, nRate)) << strName << ": " << strRow;
    }
    EXPECT_GE(dSeconds, 3600.0);
}

}  // namespace
