// Converters whose presets name hostile plugins (tests/plugins/hostile):
// failures are reported the way the C interface reports them, nothing
// leaks, and NaN and infinities from a plugin never reach the output bytes
// of any codec.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "harden_support.h"
#include "hostile_support.h"
#include "vocalith/codec/factory.h"

namespace {

class HostileConverter : public harden::hostile_test {
protected:
    void SetUp() override
    {
        harden::hostile_test::SetUp();
        harden::use_test_plugins(VOCALITH_HOSTILE_PLUGIN_DIR);
    }
};

std::string one_plugin(unsigned long nId, const std::string& strRows = "")
{
    return "<jackrack><plugin><id>" + std::to_string(nId) + "</id><enabled>true</enabled>" + strRows +
           "</plugin></jackrack>";
}

std::string rows(const std::vector<float>& values)
{
    std::string str;
    for (float f : values) {
        str += "<controlrow><value>" + std::to_string(f) + "</value></controlrow>";
    }
    return str;
}

// Converts the whole input once; whole blocks, so nothing stays behind.
harden::bytes convert(void* pHandle, const harden::bytes& input, unsigned nOutCodec)
{
    harden::bytes out;
    EXPECT_EQ(0, vocalith_convert(pHandle, harden::append, &out, VOCALITH_CODEC_PCM16LE, input.data(),
                                  static_cast<unsigned>(input.size()), nOutCodec));
    return out;
}

std::vector<std::int16_t> samples(const harden::bytes& pcm)
{
    std::vector<std::int16_t> out(pcm.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<std::int16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8));
    }
    return out;
}

void expect_scaled(const harden::bytes& input, const harden::bytes& output, double fGain)
{
    const std::vector<std::int16_t> in = samples(input);
    const std::vector<std::int16_t> out = samples(output);
    ASSERT_EQ(in.size(), out.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        ASSERT_NEAR(in[i] * fGain, out[i], 1.0) << "sample " << i;
    }
}

TEST_F(HostileConverter, RefusedInstantiationFailsTheInitWithOneErrorLine)
{
    const std::int32_t nErrors = 1;
    vocalith_set_property(VOCALITH_PROP_LOG_LEVEL, &nErrors);
    for (const unsigned long nId : {77501ul, 77509ul}) {
        SCOPED_TRACE(nId);
        testing::internal::CaptureStderr();
        void* pHandle = vocalith_init_string(2, 8000, one_plugin(nId).c_str());
        const std::string strLog = testing::internal::GetCapturedStderr();
        EXPECT_EQ(nullptr, pHandle);
        EXPECT_EQ(0u, strLog.find("[ERROR] vocalith_init_string exception: ")) << strLog;
        EXPECT_NE(std::string::npos, strLog.find(std::to_string(nId))) << strLog;
        EXPECT_EQ(1, std::count(strLog.begin(), strLog.end(), '\n')) << strLog;
        EXPECT_EQ(0, m_library.handles_in_use());
    }
    // A running converter keeps its preset when the new one cannot be made.
    void* pHandle = vocalith_init_string(2, 8000, one_plugin(77502).c_str());
    ASSERT_NE(nullptr, pHandle);
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, vocalith_change_preset_string(pHandle, one_plugin(77509).c_str()));
    testing::internal::GetCapturedStderr();
    const harden::bytes input = harden::tone_pcm16le(2, 1024, 300.0);
    EXPECT_EQ(input, convert(pHandle, input, VOCALITH_CODEC_PCM16LE));
    vocalith_fini(pHandle);
}

TEST_F(HostileConverter, PluginsWithoutLifecycleOrNamesPassAudioThrough)
{
    for (const unsigned long nId : {77502ul, 77506ul}) {
        for (const unsigned nChannels : {1u, 2u}) {
            SCOPED_TRACE(::testing::Message() << nId << ", " << nChannels << " channel(s)");
            void* pHandle = vocalith_init_string(nChannels, 8000, one_plugin(nId).c_str());
            ASSERT_NE(nullptr, pHandle);
            const harden::bytes input = harden::tone_pcm16le(nChannels, 2048, 500.0);
            EXPECT_EQ(input, convert(pHandle, input, VOCALITH_CODEC_PCM16LE));
            EXPECT_EQ(0, vocalith_change_preset_string(pHandle, one_plugin(nId).c_str()));
            EXPECT_EQ(input, convert(pHandle, input, VOCALITH_CODEC_PCM16LE));
            vocalith_fini(pHandle);
        }
    }
}

TEST_F(HostileConverter, EveryOneOfAThousandControlsIsReachable)
{
    std::vector<float> values(1000, 1.0f);
    values.back() = 0.5f;
    void* pHandle = vocalith_init_string(1, 8000, one_plugin(77505, rows(values)).c_str());
    ASSERT_NE(nullptr, pHandle);
    const harden::bytes input = harden::tone_pcm16le(1, 1024, 700.0);
    expect_scaled(input, convert(pHandle, input, VOCALITH_CODEC_PCM16LE), 0.5);

    EXPECT_EQ(0, vocalith_set_preset_property(pHandle, 0, 999, 0.25f));
    EXPECT_EQ(-1, vocalith_set_preset_property(pHandle, 0, 1000, 0.25f));
    expect_scaled(input, convert(pHandle, input, VOCALITH_CODEC_PCM16LE), 0.25);
    vocalith_fini(pHandle);
}

TEST_F(HostileConverter, ControlsReadAtActivationSeeThePresetsValues)
{
    const harden::bytes input = harden::tone_pcm16le(1, 1024, 900.0);
    // Without a control row, the port's default (1).
    for (const float fGain : {0.5f, 1.0f}) {
        SCOPED_TRACE(fGain);
        const std::string strRows = fGain == 1.0f ? "" : rows({fGain});
        void* pHandle = vocalith_init_string(1, 8000, one_plugin(77508, strRows).c_str());
        ASSERT_NE(nullptr, pHandle);
        expect_scaled(input, convert(pHandle, input, VOCALITH_CODEC_PCM16LE), fGain);
        // A switched-to preset is activated with its own values in place.
        EXPECT_EQ(0, vocalith_change_preset_string(pHandle, one_plugin(77508, rows({2.0f * fGain})).c_str()));
        expect_scaled(input, convert(pHandle, input, VOCALITH_CODEC_PCM16LE), 2.0 * fGain);
        vocalith_fini(pHandle);
    }
}

// The plugin writes NaN, +inf, -inf, 1e30, -1e30 over and over; every codec
// must write the bytes of 0, +1, -1 and the (saturated) huge values.
TEST_F(HostileConverter, NaNAndInfinitiesNeverReachTheOutputBytes)
{
    constexpr unsigned c_nFrames = 1280;  // whole blocks and whole GSM frames
    const float aFinite[] = {0.0f, 1.0f, -1.0f, 1e30f, -1e30f};
    const codec::id aCodecs[] = {codec::id_pcm_float32, codec::id_pcm_int16be, codec::id_pcm_int16le,
                                 codec::id_g711_alaw,    codec::id_g711_ulaw,    codec::id_gsm_610};
    for (const unsigned nChannels : {1u, 2u}) {
        // Each handle of the plugin starts the pattern afresh.
        app::sample_buffer finite(nChannels, c_nFrames);
        for (unsigned c = 0; c < nChannels; ++c) {
            for (unsigned i = 0; i < c_nFrames; ++i) {
                finite.data(c)[i] = aFinite[i % 5];
            }
        }
        for (const codec::id nOut : aCodecs) {
            SCOPED_TRACE(::testing::Message() << codec::factory::instance().name(nOut, "?") << ", " << nChannels
                                              << " channel(s)");
            std::unique_ptr<codec::encoder> enc = codec::factory::instance().create_encoder(nOut);
            harden::bytes want(c_nFrames * nChannels * 4);
            want.resize(enc->encode(want.data(), static_cast<unsigned>(want.size()), finite, c_nFrames).nByteCount);

            void* pHandle = vocalith_init_string(nChannels, 8000, one_plugin(77503).c_str());
            ASSERT_NE(nullptr, pHandle);
            EXPECT_EQ(want, convert(pHandle, harden::tone_pcm16le(nChannels, c_nFrames, 100.0), nOut));
            vocalith_fini(pHandle);
        }
    }
}

}  // namespace
