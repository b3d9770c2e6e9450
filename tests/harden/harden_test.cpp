// The library against what a host meets in the field: non-finite samples
// from a plugin gone wrong, damaged preset documents, and many converters
// driven from two threads at once.
#include <gtest/gtest.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "vocalith/app/exception.h"
#include "vocalith/app/globals.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/codec/factory.h"
#include "vocalith/ladspa/plugin_factory.h"
#include "vocalith/vocalith.h"

namespace {

typedef std::vector<std::uint8_t> bytes;

// What a fresh encoder writes for two GSM frames of pattern, repeated.
bytes encode(codec::id nId, unsigned nChannels, const std::vector<float>& pattern)
{
    app::sample_buffer buffer(nChannels, 320);
    for (unsigned i = 0; i < 320 * nChannels; ++i) buffer.data(i / 320)[i % 320] = pattern[i % pattern.size()];
    bytes out(320 * nChannels * 4);
    out.resize(codec::factory::instance().create_encoder(nId)->encode(out.data(), out.size(), buffer, 320).nByteCount);
    return out;
}

// Every encoder writes NaN (of either sign) as 0 and infinities as full
// scale; but for float32, huge samples saturate like infinities.
TEST(Encoders, NonFiniteSamplesCodeAsZeroOrFullScale)
{
    for (const codec::id nId : {codec::id_pcm_float32, codec::id_pcm_int16be, codec::id_pcm_int16le,
                                codec::id_g711_alaw, codec::id_g711_ulaw, codec::id_gsm_610}) {
        for (const unsigned nChannels : {1u, 2u}) {
            SCOPED_TRACE(::testing::Message() << codec::factory::instance().name(nId, "?") << ", " << nChannels);
            EXPECT_EQ(encode(nId, nChannels, {0.0f, 0.5f, 1.0f, -0.25f, -1.0f, 0.0f}),
                      encode(nId, nChannels, {NAN, 0.5f, INFINITY, -0.25f, -INFINITY, -NAN}));
            if (nId != codec::id_pcm_float32) {
                EXPECT_EQ(encode(nId, nChannels, {1.0f, -1.0f}), encode(nId, nChannels, {1e30f, -3.0f}));
            }
        }
    }
}

// Whatever a preset document holds, the library prints only its own log
// lines: libxml2's complaints (an undecodable declared encoding among them)
// stay silent, and a host's libxml2 error handler is left in place.
int g_nHostErrors = 0;
void host_handler(void*, const char*, ...) { ++g_nHostErrors; }

TEST(PresetDocuments, LibxmlPrintsNothingAndTheHostHandlerStays)
{
    const unsigned nSavedLevel = app::s_Global.nLogLevel;
    app::s_Global.nLogLevel = 2;
    ladspa::plugin_factory registry("/nonexistent-vocalith-plugin-dir");
    app::preset_xml_parser parser(registry);
    xmlSetGenericErrorFunc(nullptr, host_handler);
    for (const std::string xml : {"<?xml version=\"1.0\" encoding=\"UTF-32\"?><jackrack></jackrack>",
                                  "<?xml version=\"1.0\" encoding=\"no-such-encoding\"?><jackrack></jackrack>",
                                  "<jackrack><plugin>", "<jackrack>&undefined;</jackrack>",
                                  "<jackrack>\xff\xfe</jackrack>"}) {
        testing::internal::CaptureStderr();
        EXPECT_THROW(parser.load_from_string(xml), app::exception) << xml;
        EXPECT_EQ("", testing::internal::GetCapturedStderr()) << xml;
    }
    EXPECT_EQ(reinterpret_cast<void*>(host_handler), reinterpret_cast<void*>(xmlGenericError));
    EXPECT_EQ(0, g_nHostErrors);
    xmlSetGenericErrorFunc(nullptr, nullptr);
    app::s_Global.nLogLevel = nSavedLevel;
}

int append(void* pUser, const void* pData, unsigned int nSize)
{
    const std::uint8_t* p = static_cast<const std::uint8_t*>(pData);
    static_cast<bytes*>(pUser)->insert(static_cast<bytes*>(pUser)->end(), p, p + nSize);
    return 0;
}

// Converter i: mono or stereo (both kinds on each thread), a gain of its
// own, a 1->2 split and a 2->1 mix of the fixture plugins, its own tone,
// output codec and size of the chunks it is fed.
struct converter {
    explicit converter(unsigned i) : nIndex(i), nChannels(1 + (i / 2) % 2)
    {
        for (unsigned n = 0; n < 4000 * nChannels; ++n) {
            const double fPhase = 2.0 * M_PI * (200.0 + 7.0 * i) * (n % nChannels + 1) * (n / nChannels) / 8000.0;
            const auto nSample = static_cast<std::int16_t>(std::lround(13000.0 * std::sin(fPhase)));
            input.push_back(static_cast<std::uint8_t>(nSample & 0xFF));
            input.push_back(static_cast<std::uint8_t>(nSample >> 8));
        }
        const std::string strPreset = "<jackrack><plugin><id>77001</id><enabled>true</enabled><controlrow><value>" +
                                      std::to_string(0.05 + 0.004 * i) +
                                      "</value></controlrow></plugin><plugin><id>77003</id><enabled>true</enabled>"
                                      "</plugin><plugin><id>77004</id><enabled>true</enabled></plugin></jackrack>";
        pHandle = vocalith_init_string(nChannels, 8000, strPreset.c_str());
    }
    ~converter() { vocalith_fini(pHandle); }

    // Converts chunk n (whole frames either way); false past the end.
    bool feed(std::size_t n)
    {
        static const unsigned aCodecs[] = {VOCALITH_CODEC_PCM16LE, VOCALITH_CODEC_GSM610, VOCALITH_CODEC_ULAW,
                                           VOCALITH_CODEC_FLOAT32, VOCALITH_CODEC_ALAW};
        const std::size_t nChunk = (37 + 29 * (nIndex % 11)) * 4;
        if (pHandle == nullptr || n * nChunk >= input.size()) return false;
        EXPECT_EQ(0, vocalith_convert(pHandle, append, &output, VOCALITH_CODEC_PCM16LE, &input[n * nChunk],
                                      std::min(nChunk, input.size() - n * nChunk), aCodecs[nIndex % 5]));
        return true;
    }

    unsigned nIndex, nChannels;
    bytes input, output;
    void* pHandle = nullptr;
};

// 200 converters interleaved on two threads: each gives exactly what it gives alone.
TEST(ManyConverters, TwoThreadsGiveEveryConverterItsSoloOutput)
{
    const std::int32_t nQuiet = 0, nBlock = 256;
    vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, &nQuiet);
    vocalith_set_property(VOCALITH_PROP_BLOCK_SIZE, &nBlock);
    vocalith_set_property(VOCALITH_PROP_LADSPA_DIR, VOCALITH_HARDEN_PLUGIN_DIR);
    std::vector<bytes> solo;
    for (unsigned i = 0; i < 200; ++i) {
        converter alone(i);
        for (std::size_t n = 0; alone.feed(n);) ++n;
        // A constant stream (silence) would make the comparison weak.
        ASSERT_NE(alone.output.end(),
                  std::adjacent_find(alone.output.begin(), alone.output.end(), std::not_equal_to<>()));
        solo.push_back(alone.output);
    }
    // Created here: this test is about converting on two threads.
    std::vector<std::unique_ptr<converter>> together;
    for (unsigned i = 0; i < 200; ++i) together.emplace_back(new converter(i));
    auto drive = [&together](unsigned nFirst) {
        for (std::size_t n = 0, nBusy = 1; nBusy != 0; ++n) {
            nBusy = 0;
            for (unsigned i = nFirst; i < 200; i += 2) nBusy += together[i]->feed(n);
        }
    };
    std::thread other(drive, 1);
    drive(0);
    other.join();
    for (unsigned i = 0; i < 200; ++i) EXPECT_TRUE(solo[i] == together[i]->output) << "converter " << i;
}

// Two threads create, use and drop converters for ten seconds, mono on one
// and stereo on the other, at rates of their own: every converter is built
// for its own init call's parameters, which its output shows (a stereo
// stream run through a mono engine, or the reverse, comes out different).
TEST(ManyConverters, TwoThreadsCreatingConvertersOfTwoShapesGiveEachItsOwn)
{
    const std::int32_t nQuiet = 0, nBlock = 64;
    vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, &nQuiet);
    vocalith_set_property(VOCALITH_PROP_BLOCK_SIZE, &nBlock);
    vocalith_set_property(VOCALITH_PROP_LADSPA_DIR, VOCALITH_HARDEN_PLUGIN_DIR);
    // 77002 on stereo: L' = L + 10 R, R' = 2 L'; on mono both inputs read the one channel.
    const char* const pszPreset = "<jackrack><plugin><id>77002</id><enabled>true</enabled><controlrow><value>0.05"
                                  "</value></controlrow></plugin></jackrack>";
    std::vector<std::int16_t> input(512);
    for (std::size_t i = 0; i < input.size(); ++i) input[i] = static_cast<std::int16_t>((i * 7919) % 20000 - 10000);
    auto convert = [&](unsigned nChannels, unsigned nRate) {
        bytes out;
        void* pHandle = vocalith_init_string(nChannels, nRate, pszPreset);
        if (pHandle != nullptr) {
            vocalith_convert(pHandle, append, &out, VOCALITH_CODEC_PCM16LE, input.data(), 1024,
                             VOCALITH_CODEC_PCM16LE);
        }
        vocalith_fini(pHandle);
        return out;
    };
    const bytes mono = convert(1, 8000), stereo = convert(2, 16000);
    ASSERT_EQ(1024u, mono.size());
    ASSERT_EQ(1024u, stereo.size());
    ASSERT_NE(mono, stereo);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    auto drive = [&](unsigned nChannels, unsigned nRate, const bytes& expected, unsigned& nWrong, unsigned& nRuns) {
        for (; std::chrono::steady_clock::now() < end; ++nRuns) nWrong += convert(nChannels, nRate) == expected ? 0 : 1;
    };
    unsigned nWrongMono = 0, nRunsMono = 0, nWrongStereo = 0, nRunsStereo = 0;
    std::thread other(drive, 2, 16000, std::cref(stereo), std::ref(nWrongStereo), std::ref(nRunsStereo));
    drive(1, 8000, mono, nWrongMono, nRunsMono);
    other.join();
    EXPECT_EQ(0u, nWrongMono) << "of " << nRunsMono;
    EXPECT_EQ(0u, nWrongStereo) << "of " << nRunsStereo;
    EXPECT_GT(nRunsMono, 10u);
    EXPECT_GT(nRunsStereo, 10u);
}

}  // namespace
