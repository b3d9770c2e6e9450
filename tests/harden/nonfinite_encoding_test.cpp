// A plugin gone wrong hands the encoders NaN and infinities. Every encoder
// must write exactly what it writes for 0 and for full scale instead, and
// what it writes must decode to finite samples.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "vocalith/codec/factory.h"

namespace {

constexpr float c_fNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float c_fInf = std::numeric_limits<float>::infinity();
constexpr std::uint32_t c_nFrames = 320;  // two GSM frames

const codec::id c_allCodecs[] = {codec::id_pcm_float32, codec::id_pcm_int16be, codec::id_pcm_int16le,
                                 codec::id_g711_alaw,    codec::id_g711_ulaw,    codec::id_gsm_610};

// Channel c, sample i: pattern[(i + c) % size].
app::sample_buffer filled(std::uint32_t nChannels, const std::vector<float>& pattern)
{
    app::sample_buffer buf(nChannels, c_nFrames);
    for (std::uint32_t c = 0; c < nChannels; ++c) {
        for (std::uint32_t i = 0; i < c_nFrames; ++i) {
            buf.data(c)[i] = pattern[(i + c) % pattern.size()];
        }
    }
    return buf;
}

// The bytes a fresh encoder makes of the whole buffer.
std::vector<std::uint8_t> encode_all(codec::id nId, const app::sample_buffer& buf)
{
    std::unique_ptr<codec::encoder> enc = codec::factory::instance().create_encoder(nId);
    std::vector<std::uint8_t> out(c_nFrames * buf.channel_count() * 4);
    const codec::encode_result result = enc->encode(out.data(), static_cast<std::uint32_t>(out.size()), buf, c_nFrames);
    EXPECT_EQ(0u, result.nRestSampleCount);
    out.resize(result.nByteCount);
    return out;
}

class nonfinite_encoding : public ::testing::TestWithParam<codec::id> {};

TEST_P(nonfinite_encoding, NaNCodesAsZeroAndInfinitiesAsFullScale)
{
    const codec::id nId = GetParam();
    const float fMinusNaN = -c_fNaN;
    // Each pattern beside the same samples made finite the way encoders must.
    const struct {
        const char* pszName;
        std::vector<float> raw;
        std::vector<float> finite;
    } cases[] = {
        {"NaN", {c_fNaN}, {0.0f}},
        {"NaN with the sign bit", {fMinusNaN}, {0.0f}},
        {"plus infinity", {c_fInf}, {1.0f}},
        {"minus infinity", {-c_fInf}, {-1.0f}},
        {"mixed with ordinary samples",
         {c_fNaN, 0.5f, c_fInf, -0.25f, -c_fInf, 0.125f, fMinusNaN},
         {0.0f, 0.5f, 1.0f, -0.25f, -1.0f, 0.125f, 0.0f}},
    };
    for (const std::uint32_t nChannels : {1u, 2u}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(::testing::Message() << c.pszName << ", " << nChannels << " channel(s)");
            const std::vector<std::uint8_t> bytes = encode_all(nId, filled(nChannels, c.raw));
            EXPECT_EQ(encode_all(nId, filled(nChannels, c.finite)), bytes);
            ASSERT_FALSE(bytes.empty());

            std::unique_ptr<codec::decoder> dec = codec::factory::instance().create_decoder(nId);
            app::sample_buffer back(nChannels, c_nFrames);
            const codec::decode_result result =
                dec->decode(back, c_nFrames, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
            ASSERT_EQ(c_nFrames, result.nSampleCount);
            for (std::uint32_t ch = 0; ch < nChannels; ++ch) {
                for (std::uint32_t i = 0; i < c_nFrames; ++i) {
                    ASSERT_TRUE(std::isfinite(back.data(ch)[i])) << "channel " << ch << ", sample " << i;
                }
            }
        }
    }
}

// The integer codecs have no room beyond full scale: huge samples and
// infinities give the same bytes (float32 keeps finite samples as they are).
TEST(NonfiniteEncoding, HugeFiniteSamplesSaturateLikeInfinities)
{
    for (const codec::id nId : c_allCodecs) {
        if (nId == codec::id_pcm_float32) {
            continue;
        }
        SCOPED_TRACE(codec::factory::instance().name(nId, "?"));
        const std::vector<std::uint8_t> bytes = encode_all(nId, filled(1, {1e30f, -1e30f, 3.0f, -3.0f}));
        EXPECT_EQ(encode_all(nId, filled(1, {c_fInf, -c_fInf, 1.0f, -1.0f})), bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCodec, nonfinite_encoding, ::testing::ValuesIn(c_allCodecs),
                         [](const ::testing::TestParamInfo<codec::id>& info) {
                             return std::string(codec::factory::instance().create_encoder(info.param)->name());
                         });

}  // namespace
