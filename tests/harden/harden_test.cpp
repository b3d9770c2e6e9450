// Converters through the C interface against what a host meets in the field:
// hostile plugins (tests/plugins/README.md), damaged preset documents, and
// many converters driven from two threads at once.
#include <gtest/gtest.h>
#include <libxml/xmlerror.h>

#include <dlfcn.h>

#include <algorithm>
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

// Every converter here: the given plugin directory, block size 256, quiet.
void use_plugins(const char* pszDir, std::int32_t nLogLevel = 0)
{
    const std::int32_t nBlock = 256;
    vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, &nLogLevel);
    vocalith_set_property(VOCALITH_PROP_LADSPA_DIR, pszDir);
    vocalith_set_property(VOCALITH_PROP_BLOCK_SIZE, &nBlock);
}

int append(void* pUser, const void* pData, unsigned int nSize)
{
    const std::uint8_t* p = static_cast<const std::uint8_t*>(pData);
    static_cast<bytes*>(pUser)->insert(static_cast<bytes*>(pUser)->end(), p, p + nSize);
    return 0;
}

// The output of converting 16-bit little-endian input in one call.
bytes convert(void* pHandle, const bytes& input, unsigned nOutCodec)
{
    bytes out;
    EXPECT_EQ(0, vocalith_convert(pHandle, append, &out, VOCALITH_CODEC_PCM16LE, input.data(),
                                  static_cast<unsigned>(input.size()), nOutCodec));
    return out;
}

// nFrames interleaved 16-bit little-endian frames of a tone per channel.
bytes tone(unsigned nChannels, unsigned nFrames, double fHz)
{
    bytes out;
    for (unsigned i = 0; i < nFrames * nChannels; ++i) {
        const long n = std::lround(13000.0 * std::sin(2.0 * M_PI * fHz * (i % nChannels + 1) * (i / nChannels) / 8000.0));
        out.insert(out.end(), {static_cast<std::uint8_t>(n & 0xFF), static_cast<std::uint8_t>((n >> 8) & 0xFF)});
    }
    return out;
}

// A preset of the given plugins, each enabled, with its control values.
std::string plugin(unsigned long nId, const std::vector<float>& values = {})
{
    std::string strRows;
    for (float f : values) strRows += "<controlrow><value>" + std::to_string(f) + "</value></controlrow>";
    return "<plugin><id>" + std::to_string(nId) + "</id><enabled>true</enabled>" + strRows + "</plugin>";
}
std::string jackrack(const std::string& strPlugins) { return "<jackrack>" + strPlugins + "</jackrack>"; }

// Handles of the hostile plugins instantiated and not cleaned up. The test
// keeps the library open, so that the count outlives every registry.
int hostile_handles()
{
    static void* s_pLibrary = dlopen(VOCALITH_HOSTILE_PLUGIN_DIR "/hostile.so", RTLD_NOW);
    static auto s_pfnCount = reinterpret_cast<int (*)()>(dlsym(s_pLibrary, "hostile_handles_in_use"));
    return s_pfnCount();
}

void expect_scaled(const bytes& input, const bytes& output, double fGain)
{
    ASSERT_EQ(input.size(), output.size());
    for (std::size_t i = 0; i < input.size(); i += 2) {
        ASSERT_NEAR(static_cast<std::int16_t>(input[i] | input[i + 1] << 8) * fGain,
                    static_cast<std::int16_t>(output[i] | output[i + 1] << 8), 1.0) << "byte " << i;
    }
}

TEST(HostilePlugins, RefusedInstantiationFailsTheInitWithOneErrorLineAndFreesTheHandles)
{
    ASSERT_EQ(0, hostile_handles());
    use_plugins(VOCALITH_HOSTILE_PLUGIN_DIR, 1);
    // 77509 gives one handle at a time, so a stereo instance fails at its second.
    for (const unsigned long nId : {77501ul, 77509ul}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(nullptr, vocalith_init_string(2, 8000, jackrack(plugin(nId)).c_str()));
        const std::string strLog = testing::internal::GetCapturedStderr();
        EXPECT_EQ(0u, strLog.find("[ERROR] vocalith_init_string exception: ")) << strLog;
        EXPECT_NE(std::string::npos, strLog.find(std::to_string(nId))) << strLog;
        EXPECT_EQ(1, std::count(strLog.begin(), strLog.end(), '\n')) << strLog;
        EXPECT_EQ(0, hostile_handles());
    }
    // A running converter (no activate, deactivate or cleanup) keeps its
    // preset when the new one cannot be made.
    use_plugins(VOCALITH_HOSTILE_PLUGIN_DIR);
    void* pHandle = vocalith_init_string(2, 8000, jackrack(plugin(77502)).c_str());
    ASSERT_NE(nullptr, pHandle);
    EXPECT_EQ(-1, vocalith_change_preset_string(pHandle, jackrack(plugin(77509)).c_str()));
    const bytes input = tone(2, 1024, 300.0);
    EXPECT_EQ(input, convert(pHandle, input, VOCALITH_CODEC_PCM16LE));
    vocalith_fini(pHandle);
}

TEST(HostilePlugins, ControlsAreConnectedAndSetBeforeActivation)
{
    ASSERT_EQ(0, hostile_handles());
    use_plugins(VOCALITH_HOSTILE_PLUGIN_DIR);
    const bytes input = tone(1, 1024, 700.0);
    // 77505 turns its output to NaN (silence) if any control is unconnected.
    std::vector<float> values(1000, 1.0f);
    values.back() = 0.5f;
    void* pHandle = vocalith_init_string(1, 8000, jackrack(plugin(77505, values)).c_str());
    ASSERT_NE(nullptr, pHandle);
    expect_scaled(input, convert(pHandle, input, VOCALITH_CODEC_PCM16LE), 0.5);
    EXPECT_EQ(0, vocalith_set_preset_property(pHandle, 0, 999, 0.25f));
    EXPECT_EQ(-1, vocalith_set_preset_property(pHandle, 0, 1000, 0.25f));
    expect_scaled(input, convert(pHandle, input, VOCALITH_CODEC_PCM16LE), 0.25);
    vocalith_fini(pHandle);

    // 77508 reads its gain at activation only: the default (1), then a
    // switched-to preset's own value.
    pHandle = vocalith_init_string(1, 8000, jackrack(plugin(77508)).c_str());
    ASSERT_NE(nullptr, pHandle);
    expect_scaled(input, convert(pHandle, input, VOCALITH_CODEC_PCM16LE), 1.0);
    EXPECT_EQ(0, vocalith_change_preset_string(pHandle, jackrack(plugin(77508, {0.5f})).c_str()));
    expect_scaled(input, convert(pHandle, input, VOCALITH_CODEC_PCM16LE), 0.5);
    vocalith_fini(pHandle);
    EXPECT_EQ(0, hostile_handles());
}

// 77503 writes NaN, +inf, -inf, 1e30, -1e30 over and over; every codec must
// write the bytes it writes for 0, +1, -1 and the huge values.
TEST(HostilePlugins, NaNAndInfinitiesNeverReachTheOutputBytes)
{
    use_plugins(VOCALITH_HOSTILE_PLUGIN_DIR);
    constexpr unsigned c_nFrames = 1280;  // whole blocks and whole GSM frames
    for (const unsigned nChannels : {1u, 2u}) {
        app::sample_buffer finite(nChannels, c_nFrames);
        for (unsigned i = 0; i < c_nFrames * nChannels; ++i) {
            finite.data(i / c_nFrames)[i % c_nFrames] = std::vector<float>{0.0f, 1.0f, -1.0f, 1e30f, -1e30f}[i % 5];
        }
        for (const codec::id nOut : {codec::id_pcm_float32, codec::id_pcm_int16be, codec::id_pcm_int16le,
                                     codec::id_g711_alaw, codec::id_g711_ulaw, codec::id_gsm_610}) {
            SCOPED_TRACE(::testing::Message() << codec::factory::instance().name(nOut, "?") << ", " << nChannels);
            bytes want(c_nFrames * nChannels * 4);
            want.resize(codec::factory::instance().create_encoder(nOut)->encode(want.data(), want.size(), finite,
                                                                                c_nFrames).nByteCount);
            void* pHandle = vocalith_init_string(nChannels, 8000, jackrack(plugin(77503)).c_str());
            ASSERT_NE(nullptr, pHandle);
            EXPECT_EQ(want, convert(pHandle, tone(nChannels, c_nFrames, 100.0), nOut));
            vocalith_fini(pHandle);
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

// Converter i: mono or stereo, a gain of its own, a 1->2 split and a 2->1
// mix, its own tone, output codec and size of the chunks it is fed.
struct converter {
    explicit converter(unsigned i)
        : nIndex(i),
          input(tone(1 + i % 2, 4000, 200.0 + 7.0 * i)),
          pHandle(vocalith_init_string(1 + i % 2, 8000,
                                       jackrack(plugin(77001, {0.05f + 0.004f * i}) + plugin(77003) + plugin(77004))
                                           .c_str()))
    {
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

    unsigned nIndex;
    bytes input;
    void* pHandle;
    bytes output;
};

// 200 converters interleaved on two threads: each gives exactly what it gives alone.
TEST(ManyConverters, TwoThreadsGiveEveryConverterItsSoloOutput)
{
    use_plugins(VOCALITH_HARDEN_PLUGIN_DIR);
    std::vector<bytes> solo;
    for (unsigned i = 0; i < 200; ++i) {
        converter alone(i);
        ASSERT_NE(nullptr, alone.pHandle);
        for (std::size_t n = 0; alone.feed(n); ++n) {
        }
        // A constant stream (silence) would make the comparison weak.
        ASSERT_NE(alone.output.end(), std::adjacent_find(alone.output.begin(), alone.output.end(), std::not_equal_to<>()));
        solo.push_back(alone.output);
    }
    // Creation sets process-wide values, so it happens on this thread.
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

}  // namespace
