// Key sequences at every common sample rate, fed in random pieces through the
// engine (mono, and channel 0 of stereo) and through the C interface: the
// keys, their order, and their onsets and ends within 10 ms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "vocalith/app/command_processor.h"
#include "vocalith/app/globals.h"
#include "vocalith/codec/factory.h"
#include "vocalith/ladspa/plugin_factory.h"
#include "vocalith/vocalith.h"

namespace {

constexpr double c_dPi = 3.14159265358979323846, c_dZeroDbm0 = 22826.0;  // peak of a 0 dBm0 sine, 16-bit

struct press {
    char cKey;
    double dOnsetMs;
    double dMs;
};

struct key_seen {
    char cKey;
    std::uint64_t nOnset, nEnd;
};

// Presses of dMs every dStepMs from 100 ms on.
std::vector<press> evenly(const std::string& strKeys, double dMs, double dStepMs)
{
    std::vector<press> presses;
    for (std::size_t i = 0; i < strKeys.size(); ++i) presses.push_back({strKeys[i], 100 + i * dStepMs, dMs});
    return presses;
}

// The presses at nRate as 16-bit samples of tones at dLoDbm0 and dHiDbm0 with
// random phases, in nChannels channels: channel 0 carries them, any other a
// steady 'D' at the same level. dTailMs of silence follow the last press.
std::vector<std::int16_t> render(const std::vector<press>& presses, unsigned nRate, unsigned nChannels, double dLoDbm0,
                                 double dHiDbm0, double dTailMs, std::mt19937& rng)
{
    static const double s_adLo[4] = {697, 770, 852, 941}, s_adHi[4] = {1209, 1336, 1477, 1633};
    const double dLo = c_dZeroDbm0 * std::pow(10, dLoDbm0 / 20), dHi = c_dZeroDbm0 * std::pow(10, dHiDbm0 / 20);
    const std::size_t nFrames = std::size_t((presses.back().dOnsetMs + presses.back().dMs + dTailMs) * nRate / 1000);
    std::vector<double> ad(nFrames * nChannels);
    std::uniform_real_distribution<> phase(0, 2 * c_dPi);
    auto tone = [&](std::size_t nFrom, std::size_t nTo, unsigned nChannel, char cKey) {
        const std::size_t n = std::string("123A456B789C*0#D").find(cKey);
        const double dPhaseLo = phase(rng), dPhaseHi = phase(rng);
        for (std::size_t i = nFrom; i < nTo && i < nFrames; ++i)
            ad[i * nChannels + nChannel] = dLo * std::sin(2 * c_dPi * s_adLo[n / 4] * i / nRate + dPhaseLo) +
                                           dHi * std::sin(2 * c_dPi * s_adHi[n % 4] * i / nRate + dPhaseHi);
    };
    for (const press& p : presses)
        tone(std::size_t(std::lround(p.dOnsetMs * nRate / 1000)),
             std::size_t(std::lround((p.dOnsetMs + p.dMs) * nRate / 1000)), 0, p.cKey);
    for (unsigned c = 1; c < nChannels; ++c) tone(0, nFrames, c, 'D');
    std::vector<std::int16_t> an(ad.size());
    for (std::size_t i = 0; i < ad.size(); ++i) an[i] = std::int16_t(std::lround(ad[i]));
    return an;
}

struct key_log : sigtools::dtmf_key_event {
    void on_tone(int nTone) override { m_strTones += char(nTone); }
    void on_key(int nTone, std::uint64_t nOnset, std::uint64_t nEnd) override
    {
        m_keys.push_back({char(nTone), nOnset, nEnd});
    }
    std::string m_strTones;
    std::vector<key_seen> m_keys;
};

struct null_sink : app::data_sink {
    void write(const void*, unsigned int) override {}
};

// Random piece sizes from 1 byte to 1.5 times the 8192 bytes the engine
// decodes at a time.
std::size_t piece(std::mt19937& rng)
{
    return std::uniform_int_distribution<std::size_t>(0, 3)(rng) == 0
               ? std::uniform_int_distribution<std::size_t>(1, 16)(rng)
               : std::uniform_int_distribution<std::size_t>(1, 12288)(rng);
}

std::vector<key_seen> through_engine(const std::vector<std::int16_t>& an, unsigned nRate, unsigned nChannels,
                                     std::mt19937& rng)
{
    const app::Globals saved = app::s_Global;
    app::s_Global.nSampleRate = nRate;
    app::s_Global.nChannelCount = nChannels;
    ladspa::plugin_factory registry(VOCALITH_BINARY_DIR "/no-plugins-here");
    app::command_processor engine(registry, nullptr);
    app::s_Global = saved;
    const std::unique_ptr<codec::abstract_codec> pcm16 =
        codec::factory::instance().create_codec(codec::id_pcm_int16le, codec::id_pcm_int16le);
    key_log log;
    engine.detect_dtmf(&log);
    null_sink sink;
    const auto* pBytes = reinterpret_cast<const unsigned char*>(an.data());
    for (std::size_t i = 0, n = 0; i < 2 * an.size(); i += n) {
        n = std::min(piece(rng), 2 * an.size() - i);
        engine.process(sink, pBytes + i, unsigned(n), pcm16.get());
    }
    engine.process_tail(sink, pcm16.get());  // a key still sounding ends with the stream
    std::string strKeys;
    for (const key_seen& k : log.m_keys) strKeys += k.cKey;
    EXPECT_EQ(strKeys, log.m_strTones) << "a key told without its place, or the other way round";
    return log.m_keys;
}

// The first 50 ms go through before the handler is set.
std::vector<key_seen> through_c_interface(const std::vector<std::int16_t>& an, unsigned nRate, std::mt19937& rng)
{
    const app::Globals saved = app::s_Global;
    app::s_Global.strLadspaDir = VOCALITH_BINARY_DIR "/no-plugins-here";
    void* pHandle = vocalith_init_string(1, nRate, "<jackrack></jackrack>");
    app::s_Global = saved;
    EXPECT_NE(nullptr, pHandle);
    std::vector<key_seen> keys;
    const vocalith_write_fn pfnIgnore = [](void*, const void*, unsigned int) { return 0; };
    const vocalith_dtmf_fn pfnKey = [](void* pUser, char cKey, unsigned long long nOnset, unsigned long long nEnd) {
        static_cast<std::vector<key_seen>*>(pUser)->push_back({cKey, nOnset, nEnd});
    };
    const auto* pBytes = reinterpret_cast<const unsigned char*>(an.data());
    const std::size_t nBefore = 2 * (nRate / 20);
    EXPECT_EQ(0, vocalith_convert(pHandle, pfnIgnore, nullptr, VOCALITH_CODEC_PCM16LE, pBytes, unsigned(nBefore),
                                  VOCALITH_CODEC_PCM16LE));
    EXPECT_EQ(0, vocalith_set_dtmf_handler(pHandle, pfnKey, &keys));
    for (std::size_t i = nBefore, n = 0; i < 2 * an.size(); i += n) {
        n = std::min(piece(rng), 2 * an.size() - i);
        EXPECT_EQ(0, vocalith_convert(pHandle, pfnIgnore, nullptr, VOCALITH_CODEC_PCM16LE, pBytes + i, unsigned(n),
                                      VOCALITH_CODEC_PCM16LE));
    }
    EXPECT_EQ(0, vocalith_flush(pHandle, pfnIgnore, nullptr));
    vocalith_fini(pHandle);
    return keys;
}

TEST(DtmfStream, KeysOrderOnsetsAndEndsAtEveryRateThroughTheEngineAndTheCInterface)
{
    struct row {
        const char* pszName;
        std::vector<press> presses;
        double dLoDbm0, dHiDbm0;
        double dTailMs = 200;
    };
    std::vector<press> longKey = {{'5', 100, 2000}, {'9', 2200, 60}};
    const row rows[] = {
        {"fast dialling", evenly("123A456B789C*0#D", 50, 105), -10, -10},
        {"repeated keys", evenly("11235550", 50, 200), -4, -7},
        {"keys 40 ms apart", evenly("9#9#D0D0", 40, 80), -30, -27},
        {"a key of 2 s", longKey, -13, -20},
        {"a key sounding when the stream ends", evenly("47", 300, 400), -10, -10, 0},
    };
    for (unsigned nRate : {8000, 11025, 16000, 22050, 32000, 44100, 48000}) {
        const double dTolerance = 0.010 * nRate;
        for (const row& r : rows) {
            for (int nPath = 0; nPath < 3; ++nPath) {
                std::mt19937 rng(nRate + 7 * nPath);
                const unsigned nChannels = nPath == 1 ? 2 : 1;
                const std::vector<std::int16_t> an = render(r.presses, nRate, nChannels, r.dLoDbm0, r.dHiDbm0, r.dTailMs, rng);
                const std::vector<key_seen> keys =
                    nPath == 2 ? through_c_interface(an, nRate, rng) : through_engine(an, nRate, nChannels, rng);
                std::string strWanted, strSeen;
                for (const press& p : r.presses) strWanted += p.cKey;
                for (const key_seen& k : keys) strSeen += k.cKey;
                const char* apszPath[] = {"engine, mono", "engine, stereo", "C interface"};
                const std::string strWhere =
                    std::string(r.pszName) + " at " + std::to_string(nRate) + " Hz through the " + apszPath[nPath];
                ASSERT_EQ(strWanted, strSeen) << strWhere;
                for (std::size_t i = 0; i < keys.size(); ++i) {
                    const press& p = r.presses[i];
                    EXPECT_NEAR(p.dOnsetMs * nRate / 1000, double(keys[i].nOnset), dTolerance)
                        << strWhere << ", onset of key " << i;
                    EXPECT_NEAR((p.dOnsetMs + p.dMs) * nRate / 1000, double(keys[i].nEnd), dTolerance)
                        << strWhere << ", end of key " << i;
                }
            }
        }
    }
}

}  // namespace
