#include <cstdint>
#include <vector>

#include <gtest/gtest.h>
#include <spandsp.h>

#include "codec_test_support.h"
#include "vocalith/codec/factory.h"

namespace {

using codec_test::make_decoder;
using codec_test::make_encoder;

const codec::id c_laws[] = {codec::id_g711_alaw, codec::id_g711_ulaw};

std::vector<std::uint8_t> all_codes()
{
    std::vector<std::uint8_t> codes(256);
    for (int i = 0; i < 256; ++i) {
        codes[i] = static_cast<std::uint8_t>(i);
    }
    return codes;
}

// Every 16-bit value once, as floats of the codecs' scale.
app::sample_buffer all_values()
{
    app::sample_buffer buf(1, 65536);
    for (std::uint32_t i = 0; i < 65536; ++i) {
        buf.data(0)[i] = static_cast<float>(static_cast<int>(i) - 32768) / 32768.0f;
    }
    return buf;
}

std::vector<std::uint8_t> encode_all(codec::id nId, const app::sample_buffer& in, std::uint32_t nCount)
{
    std::vector<std::uint8_t> codes(nCount);
    const codec::encode_result r = make_encoder(nId)->encode(codes.data(), nCount, in, nCount);
    EXPECT_EQ(r.nByteCount, nCount);
    return codes;
}

TEST(G711Codec, DecodersMatchSoxForEveryCode)
{
    if (!codec_test::have_tool("sox")) {
        GTEST_SKIP() << "sox is not installed; cannot compare the G.711 decoders with it";
    }
    codec_test::temp_dir dir;
    const std::vector<std::uint8_t> codes = all_codes();
    codec_test::write_file(dir.path("codes.raw"), codes.data(), codes.size());
    for (const codec::id nId : c_laws) {
        const char* pszEncoding = nId == codec::id_g711_alaw ? "a-law" : "u-law";
        ASSERT_TRUE(codec_test::run(std::string("sox -t raw -r 8000 -e ") + pszEncoding +
                                    " -b 8 -c 1 " + dir.path("codes.raw") +
                                    " -t raw -e signed -b 16 " + dir.path("pcm.raw")));
        const std::vector<std::int16_t> reference = codec_test::read_s16(dir.path("pcm.raw"));
        ASSERT_EQ(reference.size(), 256u);

        app::sample_buffer buf(1, 256);
        make_decoder(nId)->decode(buf, 256, codes.data(), 256);
        for (int i = 0; i < 256; ++i) {
            EXPECT_EQ(buf.data(0)[i] * 32768.0f, reference[i]) << pszEncoding << " code " << i;
        }
    }
}

// spandsp follows the ITU reference code for A-law exactly. Its mu-law
// encoder rounds negative values half-way between two levels the other way
// than the reference code, so mu-law is left to the kernels' own tests.
TEST(G711Codec, AlawEncoderMatchesSpandspForEverySixteenBitValue)
{
    const std::vector<std::uint8_t> alaw = encode_all(codec::id_g711_alaw, all_values(), 65536);
    int nMismatches = 0;
    for (int i = 0; i < 65536; ++i) {
        const auto nValue = static_cast<std::int16_t>(i - 32768);
        if (alaw[i] != linear_to_alaw(nValue) && nMismatches++ < 5) {
            ADD_FAILURE() << "A-law of " << nValue << ": " << int(alaw[i]) << " instead of "
                          << int(linear_to_alaw(nValue));
        }
    }
    EXPECT_EQ(nMismatches, 0);
}

std::vector<std::uint8_t> round_trip(codec::id nId, const std::vector<std::uint8_t>& codes)
{
    app::sample_buffer decoded(1, static_cast<std::uint32_t>(codes.size()));
    const codec::decode_result r =
        make_decoder(nId)->decode(decoded, codes.size(), codes.data(), codes.size());
    EXPECT_EQ(r.nSampleCount, codes.size());
    return encode_all(nId, decoded, r.nSampleCount);
}

TEST(G711Codec, ASecondRoundTripGivesBackTheSameCodes)
{
    const app::sample_buffer in = all_values();
    for (const codec::id nId : c_laws) {
        const std::vector<std::uint8_t> first = encode_all(nId, in, 65536);
        const std::vector<std::uint8_t> second = round_trip(nId, first);
        EXPECT_EQ(round_trip(nId, second), second) << "codec " << nId;
        // Already the first trip keeps every code, except that mu-law's
        // negative zero (0x7F) decodes to 0, which codes as 0xFF.
        for (std::size_t i = 0; i < first.size(); ++i) {
            const bool bNegativeZero = nId == codec::id_g711_ulaw && first[i] == 0x7F;
            ASSERT_EQ(second[i], bNegativeZero ? 0xFF : first[i]) << "codec " << nId << ", value " << i;
        }
    }
}

TEST(G711Codec, DecodeFillsEveryChannelAndReportsTheRest)
{
    const std::vector<std::uint8_t> codes = all_codes();
    const struct {
        std::uint32_t nChannels;
        std::uint32_t nSize;
        std::uint32_t nCapacity;
        codec::decode_result expected;
    } cases[] = {
        {2, 10, 4, {4, 6, true}},
        {1, 10, 20, {10, 0, false}},
        {3, 256, 256, {256, 0, false}},
        {24, 200, 150, {150, 50, true}},
        {2, 0, 10, {0, 0, false}},
        {2, 5, 0, {0, 5, true}},
    };
    for (const codec::id nId : c_laws) {
        app::sample_buffer reference(1, 256);
        make_decoder(nId)->decode(reference, 256, codes.data(), 256);
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "codec " << nId << ", " << c.nChannels << " channels, "
                                            << c.nSize << " bytes, room " << c.nCapacity);
            app::sample_buffer buf(c.nChannels, 300);
            codec_test::fill_all(buf, 2.0f);
            buf.set_offset(9);
            const codec::decode_result r = make_decoder(nId)->decode(buf, c.nCapacity, codes.data(), c.nSize);
            EXPECT_EQ(r, c.expected);
            EXPECT_EQ(buf.offset(), 9u);
            for (std::uint32_t ch = 0; ch < c.nChannels; ++ch) {
                const float* pPlane = buf.channels()[ch].pBegin;
                for (std::uint32_t i = 0; i < buf.capacity(); ++i) {
                    const bool bInside = i >= 9 && i < 9 + r.nSampleCount;
                    ASSERT_EQ(pPlane[i], bInside ? reference.data(0)[i - 9] : 2.0f)
                        << "channel " << ch << ", index " << i;
                }
            }
        }
    }
}

TEST(G711Codec, EncodeReadsChannelZeroOnlyAndStopsAtTheRoom)
{
    for (const codec::id nId : c_laws) {
        app::sample_buffer mono(1, 64);
        app::sample_buffer stereo(2, 64);
        codec_test::fill_pattern(mono, 64);
        codec_test::fill_pattern(stereo, 64);
        std::fill(stereo.data(1), stereo.data(1) + 64, 0.9f);
        std::vector<std::uint8_t> a(40, 0x55);
        std::vector<std::uint8_t> b(40, 0x55);
        const codec::encode_result ra = make_encoder(nId)->encode(a.data(), 32, mono, 50);
        const codec::encode_result rb = make_encoder(nId)->encode(b.data(), 32, stereo, 50);
        EXPECT_EQ(ra, (codec::encode_result{32, 18, true}));
        EXPECT_EQ(rb, ra);
        EXPECT_EQ(a, b) << "codec " << nId;
        EXPECT_EQ(a[32], 0x55);

        const codec::encode_result rc = make_encoder(nId)->encode(a.data(), 40, mono, 25);
        EXPECT_EQ(rc, (codec::encode_result{25, 0, false}));
    }
}

}  // namespace
