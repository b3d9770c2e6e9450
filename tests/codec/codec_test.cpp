// The codecs as the factory makes them: names, PCM byte layouts, the result
// records hosts frame their streams by, G.711 wiring, and GSM 06.10 against
// libgsm, the reference coder, with its input cut at awkward places.
#include "vocalith/codec/factory.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include <gsm.h>
#include <gtest/gtest.h>

#include "vocalith/veckern/veckern.h"

namespace {

const codec::factory& s_factory = codec::factory::instance();
const codec::id c_nUnknown = static_cast<codec::id>(99);
const codec::id c_pcm[] = {codec::id_pcm_float32, codec::id_pcm_int16le, codec::id_pcm_int16be};

// A result record as one comparable, printable value.
template <typename R>
std::tuple<std::uint32_t, std::uint32_t, bool> fields(const R& r)
{
    const auto& [nDone, nRest, bMore] = r;
    return {nDone, nRest, bMore};
}

TEST(CodecFactory, NamesLeadToIdsAndEveryPairOfIdsToACodec)
{
    const std::pair<const char*, codec::id> names[] = {
        {"float32", codec::id_pcm_float32}, {"float", codec::id_pcm_float32}, {"pcm16le", codec::id_pcm_int16le},
        {"pcm", codec::id_pcm_int16le}, {"pcm16", codec::id_pcm_int16le}, {"pcm16be", codec::id_pcm_int16be},
        {"alaw", codec::id_g711_alaw}, {"ulaw", codec::id_g711_ulaw}, {"gsm", codec::id_gsm_610},
        {"gsm610", codec::id_gsm_610}, {"gsm0610", codec::id_gsm_610}, {"", c_nUnknown}, {"ALAW", c_nUnknown},
        {"pcm1", c_nUnknown}, {"pcm16lee", c_nUnknown}, {"ulaw ", c_nUnknown}};
    for (const auto& [pszName, nId] : names) {
        EXPECT_EQ(s_factory.id(pszName, c_nUnknown), nId) << pszName;
        EXPECT_EQ(s_factory.id(std::string(pszName), c_nUnknown), nId) << pszName;
    }
    // Names handed out are the bytewise smallest alias; ids 0 and 7 are unknown.
    const char* namesById[] = {nullptr, "float", "pcm16be", "pcm", "alaw", "ulaw", "gsm", nullptr};
    for (std::uint32_t nIn = 0; nIn < 8; ++nIn) {
        EXPECT_STREQ(s_factory.name(static_cast<codec::id>(nIn), nullptr), namesById[nIn]);
        for (std::uint32_t nOut = 0; nOut < 8; ++nOut) {
            const auto pCodec = s_factory.create_codec(static_cast<codec::id>(nIn), static_cast<codec::id>(nOut));
            EXPECT_EQ(pCodec != nullptr, namesById[nIn] && namesById[nOut]) << nIn << " -> " << nOut;
        }
    }
}

// Exact 16-bit values, distinct along a channel and between channels.
float pattern(std::size_t nChannel, std::size_t nIndex)
{
    return static_cast<float>(static_cast<int>((nChannel * 1009 + nIndex * 7) & 0xFFFF) - 32768) / 32768;
}

// Interleaved stream bytes of pattern(), written without the codecs.
std::vector<std::uint8_t> interleaved(codec::id nId, std::uint32_t nChannels, std::uint32_t nFrames)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t k = 0; k < std::size_t(nFrames) * nChannels; ++k) {
        const float f = pattern(k % nChannels, k / nChannels);
        const auto n = static_cast<std::uint16_t>(static_cast<int>(f * 32768));
        const auto* p = reinterpret_cast<const std::uint8_t*>(&f);
        const std::uint8_t lo = n & 0xFF, hi = n >> 8;
        if (nId == codec::id_pcm_float32) {
            bytes.insert(bytes.end(), p, p + 4);
        } else {
            bytes.insert(bytes.end(), {nId == codec::id_pcm_int16le ? lo : hi, nId == codec::id_pcm_int16le ? hi : lo});
        }
    }
    return bytes;
}

void fill(app::sample_buffer& buf, float fValue)
{
    for (std::uint32_t c = 0; c < buf.channel_count(); ++c) {
        std::fill(buf.channels()[c].pBegin, buf.channels()[c].pEnd, fValue);
    }
}

// Joined PCM codecs, same or different on both sides, at a buffer offset; 700
// frames of two or three channels and frames of 1500 channels take several
// passes through the codecs' scratch area.
TEST(PcmCodecs, TranscodeByteExactBetweenEveryPairOfLayouts)
{
    for (const codec::id nIn : c_pcm) {
        for (const codec::id nOut : c_pcm) {
            for (const auto& [nChannels, nFrames] : {std::pair{1u, 700u}, {2u, 700u}, {3u, 700u}, {1500u, 3u}}) {
                SCOPED_TRACE(testing::Message() << nIn << " -> " << nOut << ", " << nChannels << " channels");
                const auto pCodec = s_factory.create_codec(nIn, nOut);
                const std::vector<std::uint8_t> in = interleaved(nIn, nChannels, nFrames);
                app::sample_buffer buf(nChannels, nFrames + 10);
                fill(buf, 2.0f);
                buf.set_offset(5);
                EXPECT_EQ(fields(pCodec->decode(buf, nFrames + 1, in.data(), in.size())),
                          std::make_tuple(nFrames, 0u, false));
                for (std::uint32_t c = 0; c < nChannels; ++c) {
                    for (std::uint32_t i = 0; i < buf.capacity(); ++i) {
                        ASSERT_EQ(buf.channels()[c].pBegin[i], i >= 5 && i < 5 + nFrames ? pattern(c, i - 5) : 2.0f)
                            << "channel " << c << ", at " << i;
                    }
                }
                const std::vector<std::uint8_t> expected = interleaved(nOut, nChannels, nFrames);
                std::vector<std::uint8_t> out(expected.size());
                EXPECT_EQ(fields(pCodec->encode(out.data(), out.size(), buf, nFrames)),
                          std::make_tuple(std::uint32_t(expected.size()), 0u, false));
                EXPECT_TRUE(out == expected);
            }
        }
    }
}

TEST(Codecs, ResultsCountWholeFramesAndBlocksAndLeaveTheRest)
{
    const auto le = codec::id_pcm_int16le, be = codec::id_pcm_int16be, f32 = codec::id_pcm_float32;
    const auto gsm = codec::id_gsm_610, alaw = codec::id_g711_alaw, ulaw = codec::id_g711_ulaw;
    // Decoding: bytes in, room in frames; encoding: frames in, room in bytes.
    const struct { codec::id nId; std::uint32_t nChannels, nIn, nRoom, nDone, nRest; bool bMore; } decodes[] = {
        {le, 1, 7, 100, 3, 1, false},     {le, 1, 400, 100, 100, 200, true}, {be, 1, 5, 0, 0, 5, true},
        {f32, 2, 12, 100, 1, 4, true},    {f32, 3, 13, 100, 1, 1, false},    {le, 24, 480, 7, 7, 144, true},
        {gsm, 2, 70, 1000, 320, 4, false}, {gsm, 1, 66, 200, 160, 33, true}, {gsm, 1, 33, 159, 0, 33, true},
        {alaw, 3, 256, 200, 200, 56, true}, {ulaw, 1, 7, 9, 7, 0, false}},
      encodes[] = {
        {f32, 1, 10, 30, 28, 3, true},       {le, 1, 0, 40, 0, 0, false},        {be, 2, 300, 1000, 1000, 50, true},
        {le, 3, 50, 11, 6, 49, true},        {gsm, 1, 479, 1000, 66, 159, false}, {gsm, 1, 480, 40, 33, 320, true},
        {gsm, 1, 160, 32, 0, 160, true},     {ulaw, 2, 256, 200, 200, 56, true},  {alaw, 1, 7, 9, 7, 0, false}};
    const std::vector<std::uint8_t> zeros(1000, 0);
    for (const auto& c : decodes) {
        app::sample_buffer buf(c.nChannels, 1000);
        EXPECT_EQ(fields(s_factory.create_decoder(c.nId)->decode(buf, c.nRoom, zeros.data(), c.nIn)),
                  std::make_tuple(c.nDone, c.nRest, c.bMore))
            << "decoding " << c.nId << ", " << c.nChannels << " channels, " << c.nIn << " bytes, room " << c.nRoom;
    }
    for (const auto& c : encodes) {
        app::sample_buffer buf(c.nChannels, 1000);
        std::vector<std::uint8_t> out(c.nRoom + 8, 0xA5);
        EXPECT_EQ(fields(s_factory.create_encoder(c.nId)->encode(out.data(), c.nRoom, buf, c.nIn)),
                  std::make_tuple(c.nDone, c.nRest, c.bMore))
            << "encoding " << c.nId << ", " << c.nChannels << " channels, " << c.nIn << " frames, room " << c.nRoom;
        EXPECT_TRUE(std::all_of(out.begin() + c.nDone, out.end(), [](std::uint8_t b) { return b == 0xA5; }));
    }
}

// The values themselves are the kernels' tests' business; here, that each
// codec has its own law, fills every channel and encodes channel 0.
TEST(G711Codecs, DecodeEveryCodeIntoEveryChannelAndEncodeChannelZeroBack)
{
    for (const codec::id nId : {codec::id_g711_alaw, codec::id_g711_ulaw}) {
        SCOPED_TRACE(nId);
        std::uint8_t aCodes[256];
        std::iota(aCodes, aCodes + 256, 0);
        float aValues[256];
        (nId == codec::id_g711_alaw ? veckern::alaw_to_f32 : veckern::ulaw_to_f32)(aValues, aCodes, 256);
        app::sample_buffer buf(3, 300);
        fill(buf, 2.0f);
        buf.set_offset(9);
        EXPECT_EQ(fields(s_factory.create_decoder(nId)->decode(buf, 256, aCodes, 256)),
                  std::make_tuple(256u, 0u, false));
        for (std::uint32_t c = 0; c < 3; ++c) {
            for (std::uint32_t i = 0; i < buf.capacity(); ++i) {
                ASSERT_EQ(buf.channels()[c].pBegin[i], i >= 9 && i < 265 ? aValues[i - 9] : 2.0f) << c << ", " << i;
            }
        }
        std::fill(buf.data(1), buf.data(1) + 256, 0.5f);
        std::uint8_t aOut[256];
        s_factory.create_encoder(nId)->encode(aOut, 256, buf, 256);
        aCodes[0x7F] = nId == codec::id_g711_ulaw ? 0xFF : 0x7F;  // mu-law's negative zero comes back positive
        EXPECT_TRUE(std::equal(aOut, aOut + 256, aCodes));
    }
}

// Pieces that cut blocks and frames at every kind of place.
const std::uint32_t c_pieces[] = {1, 77, 160, 333, 999, 13, 500, 159, 161, 34, 2047};

TEST(GsmCodec, SplitInputCodesAsLibgsmAndRefusedFramesDecodeAsSilence)
{
    // Two partials under a swell, with a little noise, reaching full scale.
    const std::uint32_t nFrames = 150, nTotal = nFrames * 160;
    std::vector<gsm_signal> samples(nTotal);
    app::sample_buffer in(1, nTotal);
    for (std::uint32_t i = 0; i < nTotal; ++i) {
        const double t = i / 8000.0, x = 15000 * (1 + std::sin(2 * M_PI * 1.7 * t)) *
                                         (0.8 * std::sin(2 * M_PI * 220 * t) + 0.3 * std::sin(2 * M_PI * 1330 * t));
        samples[i] = static_cast<gsm_signal>(std::clamp(x + i * 7919 % 4001 - 2000.0, -32768.0, 32767.0));
        in.data(0)[i] = samples[i] / 32768.0f;
    }
    std::unique_ptr<gsm_state, void (*)(gsm)> pRef(gsm_create(), gsm_destroy);
    std::vector<std::uint8_t> expected(nFrames * 33);
    for (std::uint32_t f = 0; f < nFrames; ++f) {
        gsm_encode(pRef.get(), &samples[f * 160], &expected[f * 33]);
    }

    // Each piece is appended to what the encoder left; room for three frames a call.
    const auto pEncoder = s_factory.create_encoder(codec::id_gsm_610);
    std::vector<std::uint8_t> frames;
    std::uint8_t aArea[100];
    for (std::uint32_t k = 0, nPos = 0, nEnd = 0; nEnd < nTotal; ++k) {
        nEnd = std::min(nTotal, nEnd + c_pieces[k % std::size(c_pieces)]);
        codec::encode_result r;
        do {
            in.set_offset(nPos);
            r = pEncoder->encode(aArea, sizeof aArea, in, nEnd - nPos);
            frames.insert(frames.end(), aArea, aArea + r.nByteCount);
            nPos = nEnd - r.nRestSampleCount;
        } while (r.bMore && r.nByteCount != 0);
    }
    ASSERT_TRUE(frames == expected) << "encoded frames differ from libgsm's";

    // Frames 100 and 101 lose their signature: silence where the buffer held
    // sound, and decoding goes on as libgsm's without them. Decoded into two
    // channels behind an offset.
    frames[100 * 33] &= 0x0F;
    frames[101 * 33] = static_cast<std::uint8_t>((frames[101 * 33] & 0x0F) | 0xC0);
    pRef.reset(gsm_create());
    std::vector<float> expectedSamples(nTotal, 0.0f);
    for (std::uint32_t f = 0; f < nFrames; ++f) {
        if (f != 100 && f != 101 && gsm_decode(pRef.get(), &frames[f * 33], &samples[f * 160]) == 0) {
            std::transform(&samples[f * 160], &samples[f * 160] + 160, &expectedSamples[f * 160],
                           [](gsm_signal n) { return n / 32768.0f; });
        }
    }
    const auto pDecoder = s_factory.create_decoder(codec::id_gsm_610);
    app::sample_buffer out(2, 5 + 480);
    out.set_offset(5);
    std::vector<float> decoded;
    for (std::uint32_t k = 0, nPos = 0, nEnd = 0; nEnd < frames.size(); ++k) {
        nEnd = std::min(std::uint32_t(frames.size()), nEnd + c_pieces[(k + 3) % std::size(c_pieces)]);
        codec::decode_result r;
        do {
            r = pDecoder->decode(out, 480, frames.data() + nPos, nEnd - nPos);
            decoded.insert(decoded.end(), out.data(0), out.data(0) + r.nSampleCount);
            ASSERT_TRUE(std::equal(out.data(0), out.data(0) + r.nSampleCount, out.data(1))) << "channel 1";
            nPos = nEnd - r.nRestByteCount;
        } while (r.bMore && r.nSampleCount != 0);
    }
    EXPECT_TRUE(decoded == expectedSamples) << "decoded samples differ from libgsm's";
}

}  // namespace
