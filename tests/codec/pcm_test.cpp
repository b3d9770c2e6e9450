#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "codec_test_support.h"
#include "vocalith/codec/factory.h"

namespace {

using codec_test::make_decoder;
using codec_test::make_encoder;

using codec_test::pattern;

const codec::id c_pcmIds[] = {codec::id_pcm_float32, codec::id_pcm_int16le, codec::id_pcm_int16be};

std::uint32_t width(codec::id nId) { return nId == codec::id_pcm_float32 ? 4 : 2; }

// The stream bytes of one sample, written independently of the codecs.
void put_sample(codec::id nId, float fValue, std::uint8_t* pOut)
{
    if (nId == codec::id_pcm_float32) {
        std::memcpy(pOut, &fValue, 4);
        return;
    }
    const auto nValue = static_cast<std::uint16_t>(static_cast<std::int16_t>(fValue * 32768.0f));
    const std::uint8_t lo = nValue & 0xFF;
    const std::uint8_t hi = nValue >> 8;
    pOut[0] = nId == codec::id_pcm_int16le ? lo : hi;
    pOut[1] = nId == codec::id_pcm_int16le ? hi : lo;
}

std::vector<std::uint8_t> interleaved(codec::id nId, std::uint32_t nChannels, std::uint32_t nFrames)
{
    const std::uint32_t nWidth = width(nId);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(nFrames) * nChannels * nWidth);
    for (std::uint32_t i = 0; i < nFrames; ++i) {
        for (std::uint32_t c = 0; c < nChannels; ++c) {
            put_sample(nId, pattern(c, i), &bytes[(static_cast<std::size_t>(i) * nChannels + c) * nWidth]);
        }
    }
    return bytes;
}

struct decode_case {
    codec::id nId;
    std::uint32_t nChannels;
    std::uint32_t nSize;
    std::uint32_t nCapacity;
    codec::decode_result expected;
};

TEST(PcmCodec, DecodeReportsWholeFramesAndTheRest)
{
    const decode_case cases[] = {
        {codec::id_pcm_int16le, 1, 7, 100, {3, 1, false}},     // trailing half sample
        {codec::id_pcm_int16le, 1, 400, 100, {100, 200, true}},  // room ran out
        {codec::id_pcm_int16be, 1, 0, 100, {0, 0, false}},
        {codec::id_pcm_int16be, 1, 5, 0, {0, 5, true}},        // no room at all
        {codec::id_pcm_float32, 1, 11, 100, {2, 3, false}},
        {codec::id_pcm_float32, 2, 12, 100, {1, 4, true}},     // partial frame of one sample
        {codec::id_pcm_float32, 3, 13, 100, {1, 1, false}},
        {codec::id_pcm_int16le, 2, 5, 100, {1, 1, false}},
        {codec::id_pcm_int16be, 3, 2 * 3 * 400 + 5, 1000, {400, 5, true}},
        {codec::id_pcm_int16le, 24, 2 * 24 * 10 + 47, 1000, {10, 47, true}},
        {codec::id_pcm_int16le, 24, 2 * 24 * 10, 7, {7, 2 * 24 * 3, true}},
        {codec::id_pcm_float32, 24, 4 * 24 * 2 - 1, 1000, {1, 4 * 24 - 1, true}},
    };
    for (const decode_case& c : cases) {
        app::sample_buffer buf(c.nChannels, 1024);
        const std::vector<std::uint8_t> bytes(c.nSize, 0);
        const codec::decode_result r = make_decoder(c.nId)->decode(buf, c.nCapacity, bytes.data(), c.nSize);
        SCOPED_TRACE(testing::Message() << "codec " << c.nId << ", " << c.nChannels << " channels, "
                                        << c.nSize << " bytes, room " << c.nCapacity);
        EXPECT_EQ(r, c.expected);
    }
}

struct encode_case {
    codec::id nId;
    std::uint32_t nChannels;
    std::uint32_t nSampleCount;
    std::uint32_t nCapacity;
    codec::encode_result expected;
};

TEST(PcmCodec, EncodeReportsWholeFramesAndLeavesTheRestOfTheAreaAlone)
{
    const encode_case cases[] = {
        {codec::id_pcm_float32, 1, 10, 30, {28, 3, true}},
        {codec::id_pcm_int16le, 1, 0, 40, {0, 0, false}},
        {codec::id_pcm_int16le, 1, 10, 1, {0, 10, true}},
        {codec::id_pcm_int16be, 2, 300, 1000, {1000, 50, true}},
        {codec::id_pcm_int16be, 2, 600, 4000, {2400, 0, false}},
        {codec::id_pcm_int16le, 3, 50, 11, {6, 49, true}},
        {codec::id_pcm_float32, 3, 50, 4 * 3 * 7 + 11, {4 * 3 * 7, 43, true}},
        {codec::id_pcm_int16le, 24, 100, 2 * 24 * 60 + 47, {2 * 24 * 60, 40, true}},
        {codec::id_pcm_float32, 24, 5, 10000, {4 * 24 * 5, 0, false}},
    };
    for (const encode_case& c : cases) {
        app::sample_buffer buf(c.nChannels, 1024);
        codec_test::fill_pattern(buf, c.nSampleCount);
        std::vector<std::uint8_t> out(c.nCapacity + 16, 0xA5);
        const codec::encode_result r =
            make_encoder(c.nId)->encode(out.data(), c.nCapacity, buf, c.nSampleCount);
        SCOPED_TRACE(testing::Message() << "codec " << c.nId << ", " << c.nChannels << " channels, "
                                        << c.nSampleCount << " samples, room " << c.nCapacity);
        EXPECT_EQ(r, c.expected);
        const std::vector<std::uint8_t> expected =
            interleaved(c.nId, c.nChannels, c.expected.nByteCount / width(c.nId) / c.nChannels);
        ASSERT_EQ(expected.size(), r.nByteCount);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin()));
        for (std::size_t i = r.nByteCount; i < out.size(); ++i) {
            ASSERT_EQ(out[i], 0xA5) << "byte " << i << " written past the result";
        }
    }
}

// Frames enough to cross several scratch chunks for every channel count.
const std::uint32_t c_nFrames = 700;
const std::uint32_t c_nOffset = 37;

TEST(PcmCodec, EncodeInterleavesEveryChannelFromTheBufferOffset)
{
    for (const codec::id nId : c_pcmIds) {
        for (const std::uint32_t nChannels : {1u, 2u, 3u, 24u}) {
            app::sample_buffer buf(nChannels, c_nOffset + c_nFrames);
            codec_test::fill_all(buf, 0.75f);  // outside the range: must not be read
            buf.set_offset(c_nOffset);
            codec_test::fill_pattern(buf, c_nFrames);
            std::vector<std::uint8_t> out(c_nFrames * nChannels * width(nId));
            const codec::encode_result r = make_encoder(nId)->encode(out.data(), out.size(), buf, c_nFrames);
            EXPECT_EQ(r.nByteCount, out.size());
            EXPECT_EQ(buf.offset(), c_nOffset);
            EXPECT_EQ(out, interleaved(nId, nChannels, c_nFrames)) << "codec " << nId << ", " << nChannels;
        }
    }
}

TEST(PcmCodec, DecodeSplitsFramesIntoTheirChannelsAtTheBufferOffset)
{
    const float fSentinel = 0.125f;
    for (const codec::id nId : c_pcmIds) {
        for (const std::uint32_t nChannels : {1u, 2u, 3u, 24u}) {
            app::sample_buffer buf(nChannels, c_nOffset + c_nFrames + 64);
            codec_test::fill_all(buf, fSentinel);
            buf.set_offset(c_nOffset);
            const std::vector<std::uint8_t> bytes = interleaved(nId, nChannels, c_nFrames);
            const codec::decode_result r = make_decoder(nId)->decode(buf, c_nFrames + 64, bytes.data(), bytes.size());
            ASSERT_EQ(r.nSampleCount, c_nFrames);
            EXPECT_EQ(buf.offset(), c_nOffset);
            for (std::uint32_t c = 0; c < nChannels; ++c) {
                const float* pPlane = buf.channels()[c].pBegin;
                for (std::uint32_t i = 0; i < c_nOffset; ++i) {
                    ASSERT_EQ(pPlane[i], fSentinel) << "before the offset, channel " << c;
                }
                for (std::uint32_t i = 0; i < c_nFrames; ++i) {
                    ASSERT_EQ(pPlane[c_nOffset + i], pattern(c, i))
                        << "codec " << nId << ", " << nChannels << " channels, channel " << c << ", frame " << i;
                }
                for (std::uint32_t i = c_nOffset + c_nFrames; i < buf.capacity(); ++i) {
                    ASSERT_EQ(pPlane[i], fSentinel) << "after the decoded range, channel " << c;
                }
            }
        }
    }
}

TEST(PcmCodec, ChannelCountsBeyondOneScratchChunkRoundTrip)
{
    const std::uint32_t nChannels = 1500;
    const std::uint32_t nFrames = 3;
    for (const codec::id nId : c_pcmIds) {
        app::sample_buffer in(nChannels, nFrames);
        codec_test::fill_pattern(in, nFrames);
        std::vector<std::uint8_t> bytes(nFrames * nChannels * width(nId) + 1);
        const codec::encode_result e = make_encoder(nId)->encode(bytes.data(), bytes.size(), in, nFrames);
        EXPECT_EQ(e.nByteCount, bytes.size() - 1);
        bytes.pop_back();
        EXPECT_EQ(bytes, interleaved(nId, nChannels, nFrames));

        app::sample_buffer out(nChannels, nFrames);
        const codec::decode_result d = make_decoder(nId)->decode(out, nFrames, bytes.data(), bytes.size());
        EXPECT_EQ(d.nSampleCount, nFrames);
        for (std::uint32_t c = 0; c < nChannels; ++c) {
            for (std::uint32_t i = 0; i < nFrames; ++i) {
                ASSERT_EQ(out.data(c)[i], pattern(c, i)) << "channel " << c;
            }
        }
    }
}

}  // namespace
