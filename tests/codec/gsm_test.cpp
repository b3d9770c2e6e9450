#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "codec_test_support.h"
#include "vocalith/codec/factory.h"

namespace {

const std::uint32_t c_nFrameBytes = 33;
const std::uint32_t c_nFrameSamples = 160;

// Piece sizes that cut blocks and frames at every possible place.
const std::uint32_t c_pieces[] = {1, 77, 160, 333, 999, 13, 500, 159, 161, 34, 2047};

std::unique_ptr<codec::decoder> make_decoder() { return codec_test::make_decoder(codec::id_gsm_610); }

std::unique_ptr<codec::encoder> make_encoder() { return codec_test::make_encoder(codec::id_gsm_610); }

// Feeds the samples in uneven pieces the way the engine does: what an encode
// call leaves is kept and the next piece appended; the output area holds
// nRoom bytes, so a long run takes several calls.
std::vector<std::uint8_t> encode_in_pieces(codec::encoder& enc, const std::vector<std::int16_t>& samples,
                                           std::uint32_t nRoom)
{
    app::sample_buffer buf(1, 4096);
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> area(nRoom);
    std::uint32_t nHave = 0;
    std::size_t nNext = 0;
    for (std::size_t k = 0; nNext < samples.size(); ++k) {
        const std::size_t nPiece = std::min<std::size_t>(c_pieces[k % std::size(c_pieces)], samples.size() - nNext);
        for (std::size_t i = 0; i < nPiece; ++i) {
            buf.channels()[0].pBegin[nHave++] = samples[nNext++] / 32768.0f;
        }
        std::uint32_t nPos = 0;
        codec::encode_result r;
        do {
            buf.set_offset(nPos);
            r = enc.encode(area.data(), nRoom, buf, nHave - nPos);
            EXPECT_EQ(r.nByteCount % c_nFrameBytes, 0u);
            out.insert(out.end(), area.begin(), area.begin() + r.nByteCount);
            nPos = nHave - r.nRestSampleCount;
        } while (r.bMore);
        EXPECT_LT(nHave - nPos, c_nFrameSamples);
        float* pBegin = buf.channels()[0].pBegin;
        std::memmove(pBegin, pBegin + nPos, (nHave - nPos) * sizeof(float));
        nHave -= nPos;
    }
    EXPECT_EQ(nHave, 0u) << "input must be whole blocks";
    return out;
}

// Feeds the bytes in uneven pieces; a rest shorter than a frame is kept in
// front of the next piece. Decodes behind a few samples at the front of the
// buffer; with nChannels > 1 every channel must get channel 0's samples.
std::vector<std::int16_t> decode_in_pieces(codec::decoder& dec, const std::vector<std::uint8_t>& bytes,
                                           std::uint32_t nRoom, std::uint32_t nChannels = 1)
{
    const std::uint32_t nOffset = 5;
    app::sample_buffer buf(nChannels, nOffset + nRoom);
    buf.set_offset(nOffset);
    std::vector<std::int16_t> out;
    std::vector<std::uint8_t> pending;
    std::size_t nNext = 0;
    for (std::size_t k = 0; nNext < bytes.size(); ++k) {
        const std::size_t nPiece = std::min<std::size_t>(c_pieces[(k + 3) % std::size(c_pieces)], bytes.size() - nNext);
        pending.insert(pending.end(), bytes.begin() + nNext, bytes.begin() + nNext + nPiece);
        nNext += nPiece;
        std::size_t nPos = 0;
        codec::decode_result r;
        do {
            r = dec.decode(buf, nRoom, pending.data() + nPos, pending.size() - nPos);
            EXPECT_EQ(r.nSampleCount % c_nFrameSamples, 0u);
            for (std::uint32_t i = 0; i < r.nSampleCount; ++i) {
                for (std::uint32_t c = 1; c < nChannels; ++c) {
                    EXPECT_EQ(buf.data(c)[i], buf.data(0)[i]);
                }
                out.push_back(static_cast<std::int16_t>(buf.data(0)[i] * 32768.0f));
            }
            nPos = pending.size() - r.nRestByteCount;
        } while (r.bMore);
        EXPECT_LT(pending.size() - nPos, c_nFrameBytes);
        pending.erase(pending.begin(), pending.begin() + nPos);
    }
    EXPECT_TRUE(pending.empty()) << "input must be whole frames";
    return out;
}

std::vector<std::int16_t> padded_to_blocks(std::vector<std::int16_t> samples)
{
    samples.resize((samples.size() + c_nFrameSamples - 1) / c_nFrameSamples * c_nFrameSamples, 0);
    return samples;
}

// Speech made by a synthesiser nobody here wrote; empty if it is missing.
std::vector<std::int16_t> speech(const codec_test::temp_dir& dir)
{
    const std::string strWav = dir.path("speech.wav");
    const std::string strRaw = dir.path("speech.raw");
    const std::string strText =
        "Please hold the line. Your call is important to us, and the next free agent will be "
        "with you in a moment. Thank you for waiting.";
    if (!codec_test::run("espeak-ng -w " + strWav + " \"" + strText + "\" >/dev/null 2>&1") ||
        !codec_test::run("sox " + strWav + " -r 8000 -c 1 -b 16 -e signed " + strRaw)) {
        return {};
    }
    return codec_test::read_s16(strRaw);
}

class GsmInterop : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* pszTool : {"toast", "untoast", "sox", "espeak-ng"}) {
            if (!codec_test::have_tool(pszTool)) {
                GTEST_SKIP() << pszTool << " is not installed; cannot compare GSM 06.10 with libgsm's tools";
            }
        }
    }

    // Compares our encoder with toast and our decoder with untoast over the
    // same 16-bit samples.
    void check(const std::vector<std::int16_t>& unpadded, const std::string& strName)
    {
        const std::vector<std::int16_t> samples = padded_to_blocks(unpadded);
        const std::string strRaw = m_dir.path(strName + ".raw");
        const std::string strGsm = m_dir.path(strName + ".gsm");
        const std::string strBack = m_dir.path(strName + ".back.raw");
        codec_test::write_file(strRaw, samples.data(), samples.size() * 2);
        ASSERT_TRUE(codec_test::run("toast -l -c < " + strRaw + " > " + strGsm));
        ASSERT_TRUE(codec_test::run("untoast -l -c < " + strGsm + " > " + strBack));
        const std::vector<std::uint8_t> toasted = codec_test::read_file(strGsm);
        const std::vector<std::int16_t> untoasted = codec_test::read_s16(strBack);
        ASSERT_EQ(toasted.size(), samples.size() / c_nFrameSamples * c_nFrameBytes);
        ASSERT_EQ(untoasted.size(), samples.size());

        // Output areas of 40 bytes (one frame) and 200 bytes; rooms of 200
        // samples (one frame) and 1000 samples.
        for (const std::uint32_t nRoom : {40u, 200u}) {
            const auto enc = make_encoder();
            EXPECT_EQ(encode_in_pieces(*enc, samples, nRoom), toasted) << strName << ", room " << nRoom;
        }
        for (const std::uint32_t nRoom : {200u, 1000u}) {
            const auto dec = make_decoder();
            EXPECT_EQ(decode_in_pieces(*dec, toasted, nRoom, nRoom == 200 ? 1 : 2), untoasted)
                << strName << ", room " << nRoom;
        }
    }

    codec_test::temp_dir m_dir;
};

TEST_F(GsmInterop, SpeechMatchesLibgsmTools)
{
    const std::vector<std::int16_t> samples = speech(m_dir);
    ASSERT_GT(samples.size(), 3u * 8000) << "speech synthesis gave less than three seconds";
    check(samples, "speech");
}

TEST_F(GsmInterop, NoiseMatchesLibgsmTools)
{
    check(codec_test::noise(4 * 8000 + 77, 20000, 7), "noise");
    // Full-scale noise drives the coder to its limits.
    check(codec_test::noise(2 * 8000, 32767, 11), "loud");
}

std::vector<std::uint8_t> noise_frames(std::uint32_t nFrames)
{
    const std::vector<std::int16_t> samples = codec_test::noise(nFrames * c_nFrameSamples, 8000, 3);
    const auto enc = make_encoder();
    return encode_in_pieces(*enc, samples, 1000);
}

TEST(GsmCodec, FramesWithABadSignatureDecodeAsSilenceAndDecodingGoesOn)
{
    std::vector<std::uint8_t> frames = noise_frames(4);
    ASSERT_EQ(frames.size(), 4 * c_nFrameBytes);
    for (std::uint32_t f = 0; f < 4; ++f) {
        ASSERT_EQ(frames[f * c_nFrameBytes] >> 4, 0xD) << "frame " << f;
    }
    const std::vector<std::int16_t> good = decode_in_pieces(*make_decoder(), frames, 1000);
    frames[1 * c_nFrameBytes] &= 0x0F;
    frames[2 * c_nFrameBytes] = static_cast<std::uint8_t>((frames[2 * c_nFrameBytes] & 0x0F) | 0xC0);

    app::sample_buffer buf(2, 640);
    const codec::decode_result r = make_decoder()->decode(buf, 640, frames.data(), frames.size());
    EXPECT_EQ(r, (codec::decode_result{640, 0, false}));
    for (std::uint32_t i = 0; i < 160; ++i) {
        EXPECT_EQ(static_cast<std::int16_t>(buf.data(0)[i] * 32768.0f), good[i]) << i;
    }
    for (std::uint32_t i = 160; i < 480; ++i) {
        ASSERT_EQ(buf.data(0)[i], 0.0f) << "sample " << i << " of a refused frame";
        ASSERT_EQ(buf.data(1)[i], 0.0f) << "sample " << i << " of a refused frame";
    }
    float fEnergy = 0;
    for (std::uint32_t i = 480; i < 640; ++i) {
        fEnergy += buf.data(0)[i] * buf.data(0)[i];
    }
    EXPECT_GT(fEnergy, 0.01f) << "the frame after the refused ones must decode to sound";
}

TEST(GsmCodec, ResultRecordsCountWholeFramesAndBlocks)
{
    const std::vector<std::uint8_t> frames = noise_frames(3);
    const struct {
        std::uint32_t nSize;
        std::uint32_t nCapacity;
        codec::decode_result expected;
    } decodes[] = {
        {70, 1000, {320, 4, false}}, {66, 200, {160, 33, true}}, {32, 1000, {0, 32, false}},
        {33, 159, {0, 33, true}},    {0, 1000, {0, 0, false}},   {99, 480, {480, 0, false}},
    };
    for (const auto& c : decodes) {
        SCOPED_TRACE(testing::Message() << c.nSize << " bytes, room " << c.nCapacity);
        app::sample_buffer buf(3, 1000);
        const codec::decode_result r = make_decoder()->decode(buf, c.nCapacity, frames.data(), c.nSize);
        EXPECT_EQ(r, c.expected);
    }

    const struct {
        std::uint32_t nSampleCount;
        std::uint32_t nCapacity;
        codec::encode_result expected;
    } encodes[] = {
        {100, 1000, {0, 100, false}}, {480, 40, {33, 320, true}}, {480, 99, {99, 0, false}},
        {479, 1000, {66, 159, false}}, {160, 32, {0, 160, true}}, {0, 100, {0, 0, false}},
    };
    app::sample_buffer in(1, 480);
    codec_test::fill_pattern(in, 480);
    for (const auto& c : encodes) {
        SCOPED_TRACE(testing::Message() << c.nSampleCount << " samples, room " << c.nCapacity);
        std::vector<std::uint8_t> out(c.nCapacity + 8, 0x5A);
        const codec::encode_result r = make_encoder()->encode(out.data(), c.nCapacity, in, c.nSampleCount);
        EXPECT_EQ(r, c.expected);
        EXPECT_TRUE(std::all_of(out.begin() + r.nByteCount, out.end(), [](std::uint8_t b) { return b == 0x5A; }));
    }
}

TEST(GsmCodec, EachObjectKeepsItsOwnState)
{
    const std::vector<std::uint8_t> frames = noise_frames(6);
    const std::vector<std::uint8_t> tail(frames.begin() + 3 * c_nFrameBytes, frames.end());

    // The same frames give the same samples in fresh decoders, and a decoder's
    // output depends on the frames it decoded before.
    const std::vector<std::int16_t> whole = decode_in_pieces(*make_decoder(), frames, 960);
    EXPECT_EQ(decode_in_pieces(*make_decoder(), frames, 960), whole);
    const std::vector<std::int16_t> fresh = decode_in_pieces(*make_decoder(), tail, 960);
    EXPECT_NE(fresh, std::vector<std::int16_t>(whole.begin() + 480, whole.end()));

    // A joined GSM codec decodes and encodes with two independent states:
    // interleaving the calls changes nothing.
    const auto pPair = codec::factory::instance().create_codec(codec::id_gsm_610);
    const auto pDecoder = make_decoder();
    const auto pEncoder = make_encoder();
    app::sample_buffer a(1, 160);
    app::sample_buffer b(1, 160);
    for (std::uint32_t f = 0; f < 6; ++f) {
        const std::uint8_t* pFrame = frames.data() + f * c_nFrameBytes;
        pPair->decode(a, 160, pFrame, c_nFrameBytes);
        pDecoder->decode(b, 160, pFrame, c_nFrameBytes);
        ASSERT_TRUE(std::equal(a.data(0), a.data(0) + 160, b.data(0))) << "frame " << f;
        std::uint8_t x[33];
        std::uint8_t y[33];
        pPair->encode(x, 33, a, 160);
        pEncoder->encode(y, 33, b, 160);
        ASSERT_EQ(std::memcmp(x, y, 33), 0) << "frame " << f;
    }
}

}  // namespace
