// Detection figures, each measured on signals built here: durations, levels,
// frequency deviation, twist, noise, and signals that must give no key.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dtmf_signal.h"

namespace {

using dtmf_test::detect_keys;
using dtmf_test::signal_builder;
using dtmf_test::tone_shape;

constexpr int c_nSeeds = 6;

// Every key of the pad twice in a row, each dKeyMs long, with random pauses
// of dPauseMs to dPauseMs + 13 ms (so keys meet the analysis blocks at every
// alignment), noise dSnrDb below the keys (none when infinite). Checks
// that exactly the keys sent come out, or nothing when bReported is false.
void expect_keys(const tone_shape& shape, bool bReported, double dKeyMs = 40.0, double dPauseMs = 40.0,
                 double dSnrDb = INFINITY)
{
    for (int nSeed = 1; nSeed <= c_nSeeds; ++nSeed) {
        signal_builder sig(static_cast<std::uint32_t>(nSeed));
        std::string strSent;
        sig.random_pause(dPauseMs, dPauseMs + 13);
        for (char c : std::string(dtmf_test::c_szKeys)) {
            for (int nPress = 0; nPress < 2; ++nPress) {
                sig.key(c, dKeyMs, shape).random_pause(dPauseMs, dPauseMs + 13);
                strSent += c;
            }
        }
        if (std::isfinite(dSnrDb)) {
            sig.noise(dtmf_test::key_power(shape) / std::pow(10.0, dSnrDb / 10.0));
        }
        EXPECT_EQ(bReported ? strSent : std::string(), detect_keys(sig.samples()))
            << "seed " << nSeed << ", levels " << shape.dLoDbm0 << "/" << shape.dHiDbm0 << " dBm0, deviations "
            << shape.dLoDev << "/" << shape.dHiDev << ", " << dKeyMs << " ms keys, " << dPauseMs
            << " ms pauses, SNR " << dSnrDb << " dB";
    }
}

tone_shape levels(double dLo, double dHi)
{
    tone_shape s;
    s.dLoDbm0 = dLo;
    s.dHiDbm0 = dHi;
    return s;
}

tone_shape deviations(double dLo, double dHi)
{
    tone_shape s;
    s.dLoDev = dLo;
    s.dHiDev = dHi;
    return s;
}

TEST(DtmfDuration, KeysOf40msWithPausesOf40msAreAllReported)
{
    expect_keys(tone_shape(), true, 40.0, 40.0);
    expect_keys(tone_shape(), true, 40.0, 40.0, 15.0);
}

TEST(DtmfDuration, TonesOf20msOrLessAreNeverReported)
{
    for (double dMs : {20.0, 15.0, 10.0, 5.0}) {
        expect_keys(tone_shape(), false, dMs, 40.0);
        expect_keys(levels(-3, -3), false, dMs, 40.0);
        expect_keys(deviations(0.0, 0.015), false, dMs, 40.0);
        expect_keys(tone_shape(), false, dMs, 40.0, 15.0);
    }
}

TEST(DtmfLevel, FromMinus3ToMinus30dBm0PerToneAllAreReported)
{
    for (double dLevel : {-3.0, -10.0, -20.0, -30.0}) {
        expect_keys(levels(dLevel, dLevel), true);
    }
}

TEST(DtmfLevel, Minus45dBm0IsNeverReported)
{
    expect_keys(levels(-45, -45), false);
    expect_keys(levels(-45, -10), false);
    expect_keys(levels(-10, -45), false);
}

TEST(DtmfFrequency, OneToneOffBy1Point5OrBothBy1PercentAreReported)
{
    for (double d : {0.015, -0.015}) {
        expect_keys(deviations(d, 0.0), true);
        expect_keys(deviations(0.0, d), true);
    }
    for (double dLo : {0.01, -0.01}) {
        for (double dHi : {0.01, -0.01}) {
            expect_keys(deviations(dLo, dHi), true);
        }
    }
}

TEST(DtmfFrequency, HighToneOffBy3Point5OrAnyToneBy5PercentIsNeverReported)
{
    for (double d : {0.035, -0.035}) {
        expect_keys(deviations(0.0, d), false);
    }
    for (double d : {0.05, -0.05}) {
        expect_keys(deviations(d, 0.0), false);
        expect_keys(deviations(0.0, d), false);
        expect_keys(deviations(d, d), false);
    }
}

TEST(DtmfTwist, LowGroupLouderBy7dBOrHighBy3dBIsReported)
{
    expect_keys(levels(-10, -17), true);
    expect_keys(levels(-3, -10), true);
    expect_keys(levels(-23, -30), true);
    expect_keys(levels(-13, -10), true);
    expect_keys(levels(-6, -3), true);
    expect_keys(levels(-30, -27), true);
}

TEST(DtmfTwist, LowGroupLouderBy10dBOrHighBy6dBIsNeverReported)
{
    expect_keys(levels(-10, -20), false);
    expect_keys(levels(-3, -13), false);
    expect_keys(levels(-16, -10), false);
    expect_keys(levels(-9, -3), false);
}

TEST(DtmfNoise, KeysAt15dBSignalToNoiseAreAllReported)
{
    expect_keys(tone_shape(), true, 40.0, 40.0, 15.0);
    expect_keys(levels(-25, -25), true, 40.0, 40.0, 15.0);
    // Together with the other figures at their limits.
    expect_keys(levels(-10, -17), true, 40.0, 40.0, 15.0);
    expect_keys(levels(-13, -10), true, 40.0, 40.0, 15.0);
    expect_keys(deviations(0.0, 0.015), true, 40.0, 40.0, 15.0);
    expect_keys(deviations(-0.015, 0.0), true, 40.0, 40.0, 15.0);
}

TEST(DtmfTalkOff, AMinuteOfWhiteNoiseGivesNoKey)
{
    for (double dPower : {1e-2, 1e-4}) {
        const std::uint32_t nSeed = 1234;
        signal_builder sig(nSeed);
        sig.pause(60000).noise(dPower);
        EXPECT_EQ("", detect_keys(sig.samples())) << "seed " << nSeed << ", noise power " << dPower;
    }
}

TEST(DtmfTalkOff, A174HzSawtoothGivesNoKey)
{
    // Its 4th and 7th harmonics fall on 697 and 1219.75 Hz, the key '1'.
    for (double dPeak : {0.05, 0.3, 0.9}) {
        std::vector<float> af(8000 * 10);
        for (std::size_t i = 0; i < af.size(); ++i) {
            double dCycle = std::fmod(174.25 * static_cast<double>(i) / 8000.0, 1.0);
            af[i] = static_cast<float>(dPeak * (2.0 * dCycle - 1.0));
        }
        EXPECT_EQ("", detect_keys(af)) << "peak " << dPeak;
    }
}

// The bytes of a file; empty if it cannot be read.
std::vector<char> read_bytes(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Little-endian 16-bit samples from byte nFrom on, as floats.
std::vector<float> s16le_samples(const std::vector<char>& ab, std::size_t nFrom)
{
    std::vector<float> af;
    for (std::size_t i = nFrom; i + 1 < ab.size(); i += 2) {
        auto n = static_cast<std::int16_t>(static_cast<unsigned char>(ab[i]) |
                                           (static_cast<unsigned char>(ab[i + 1]) << 8));
        af.push_back(static_cast<float>(n) / 32768.0f);
    }
    return af;
}

// The samples of a mono 16-bit PCM WAV file; empty if it has no data chunk.
std::vector<float> read_wav(const std::string& strPath)
{
    std::vector<char> ab = read_bytes(strPath);
    std::size_t nData = std::string(ab.begin(), ab.end()).find("data");
    if (nData == std::string::npos) {
        return std::vector<float>();
    }
    return s16le_samples(ab, nData + 8);
}

TEST(DtmfRecordings, TheBundledRecordingsGiveTheirKeysAndNoneInSpeech)
{
    std::vector<float> afKeys = read_wav(VOCALITH_SOURCE_DIR "/samples/dtmf_159hash.wav");
    std::vector<float> afSpeech = read_wav(VOCALITH_SOURCE_DIR "/samples/speech.wav");
    ASSERT_FALSE(afKeys.empty());
    ASSERT_FALSE(afSpeech.empty());
    EXPECT_EQ("159#", detect_keys(afKeys));
    EXPECT_EQ("", detect_keys(afSpeech));
}

// Speech spoken by espeak-ng and converted to 8000 Hz by sox, as float
// samples; empty when either tool is missing.
std::vector<float> speak(const std::string& strDir, const std::string& strVoice, const std::string& strText)
{
    std::string strWav = strDir + "/out.wav";
    std::string strRaw = strDir + "/out.raw";
    std::string strCmd = "espeak-ng -v " + strVoice + " -w '" + strWav + "' \"" + strText +
                         "\" >/dev/null 2>&1 && sox '" + strWav + "' -r 8000 -c 1 -b 16 -e signed '" + strRaw +
                         "' >/dev/null 2>&1";
    if (std::system(strCmd.c_str()) != 0) {
        return std::vector<float>();
    }
    return s16le_samples(read_bytes(strRaw), 0);
}

TEST(DtmfTalkOff, SpeechGivesNoKey)
{
    if (std::system("command -v espeak-ng >/dev/null 2>&1 && command -v sox >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "espeak-ng or sox is not installed; speech cannot be made";
    }
    char szDir[] = "/tmp/vocalith_speech_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(szDir));
    const std::string strDir = szDir;
    const char* aszTexts[] = {
        "Hello, you have reached the voice lab. Please say your account number after the tone.",
        "one two three four five six seven eight nine zero, star, pound, hash",
        "The quick brown fox jumps over the lazy dog while singing: oooh, eeeeh, aaaah, mmmm.",
        "Ah eeeee ooooo uuuu iiii, la la la la, mi mi mi mi, hmmmmmm, weeee, yoooo.",
    };
    std::size_t nSpoken = 0;
    // The high-pitched female voice sings harmonics close to 941 and 1209 Hz
    // at once.
    for (const char* szVoice : {"en-us", "en+f3", "en+m7", "en+f5 -p 80"}) {
        for (const char* szText : aszTexts) {
            std::vector<float> af = speak(strDir, szVoice, szText);
            ASSERT_FALSE(af.empty()) << "espeak-ng/sox made no speech for voice " << szVoice;
            nSpoken += af.size();
            // Quiet, as spoken, and loud to the edge of clipping.
            for (float fGain : {0.25f, 1.0f, 3.0f}) {
                std::vector<float> afScaled(af);
                for (float& f : afScaled) {
                    f = std::max(-1.0f, std::min(1.0f, f * fGain));
                }
                EXPECT_EQ("", detect_keys(afScaled)) << "voice " << szVoice << ", gain " << fGain << ": " << szText;
            }
        }
    }
    std::filesystem::remove_all(strDir);
    EXPECT_GT(nSpoken, 8000u * 20u) << "less speech than expected";
}

}  // namespace
