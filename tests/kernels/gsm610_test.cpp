#include "vocalith/veckern/veckern.h"

#include <cmath>
#include <memory>

#include <gsm.h>
#include <gtest/gtest.h>

#include "kernel_test_support.h"

namespace {

using veckern::c_nGsmFrameBytes;
using veckern::c_nGsmFrameSamples;

struct gsm_deleter {
    void operator()(gsm_state* p) const { gsm_destroy(p); }
};
using gsm_ptr = std::unique_ptr<gsm_state, gsm_deleter>;

// A voice-like signal: two partials with a slow swell, a little above full
// scale now and then so that saturation enters the coder's input too.
std::vector<float> test_signal(std::uint32_t nFrames)
{
    std::vector<float> samples(nFrames * c_nGsmFrameSamples);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / 8000.0;
        const double fEnvelope = 0.6 + 0.55 * std::sin(2 * M_PI * 1.7 * t);
        samples[i] = static_cast<float>(
            fEnvelope * (0.8 * std::sin(2 * M_PI * 220 * t) + 0.3 * std::sin(2 * M_PI * 1330 * t)));
    }
    return samples;
}

// libgsm used directly on 16-bit samples: what our float kernels must match.
std::vector<std::uint8_t> reference_encode(const std::vector<float>& samples)
{
    gsm_ptr coder(gsm_create());
    std::vector<std::uint8_t> frames(samples.size() / c_nGsmFrameSamples * c_nGsmFrameBytes);
    gsm_signal aBlock[c_nGsmFrameSamples];
    for (std::size_t nFrame = 0; nFrame * c_nGsmFrameSamples < samples.size(); ++nFrame) {
        for (std::uint32_t i = 0; i < c_nGsmFrameSamples; ++i) {
            aBlock[i] = kernel_test::ref_to_s16(samples[nFrame * c_nGsmFrameSamples + i]);
        }
        gsm_encode(coder.get(), aBlock, frames.data() + nFrame * c_nGsmFrameBytes);
    }
    return frames;
}

// Decodes the frames whose index is not in skipped; skipped frames give silence.
std::vector<float> reference_decode(std::vector<std::uint8_t> frames, std::size_t nSkipped = SIZE_MAX)
{
    gsm_ptr coder(gsm_create());
    const std::size_t nFrames = frames.size() / c_nGsmFrameBytes;
    std::vector<float> samples(nFrames * c_nGsmFrameSamples, 0.0f);
    gsm_signal aBlock[c_nGsmFrameSamples];
    for (std::size_t nFrame = 0; nFrame < nFrames; ++nFrame) {
        if (nFrame == nSkipped) {
            continue;
        }
        EXPECT_EQ(gsm_decode(coder.get(), frames.data() + nFrame * c_nGsmFrameBytes, aBlock), 0);
        for (std::uint32_t i = 0; i < c_nGsmFrameSamples; ++i) {
            samples[nFrame * c_nGsmFrameSamples + i] = kernel_test::ref_to_float(aBlock[i]);
        }
    }
    return samples;
}

TEST(Gsm610Kernels, EncodeAndDecodeMatchLibgsmOnSixteenBitSamples)
{
    kernel_test::for_each_path([&] {
        const std::vector<float> samples = test_signal(12);
        const std::vector<std::uint8_t> expectedFrames = reference_encode(samples);

        veckern::gsm_610_state encoder;
        std::vector<std::uint8_t> frames(expectedFrames.size());
        const veckern::gsm_610_progress encoded =
            veckern::gsm610_encode(encoder, frames.data(), static_cast<std::uint32_t>(frames.size()),
                                   samples.data(), static_cast<std::uint32_t>(samples.size()));
        EXPECT_EQ(encoded.pOutEnd, frames.data() + frames.size());
        EXPECT_EQ(encoded.pInEnd, samples.data() + samples.size());
        EXPECT_FALSE(encoded.bMore);
        EXPECT_EQ(frames, expectedFrames);
        for (std::size_t nFrame = 0; nFrame < frames.size(); nFrame += c_nGsmFrameBytes) {
            EXPECT_EQ(frames[nFrame] >> 4, 0xD) << "standard frame signature";
        }

        veckern::gsm_610_state decoder;
        std::vector<float> decoded(samples.size());
        const veckern::gsm_610_progress done =
            veckern::gsm610_decode(decoder, decoded.data(), static_cast<std::uint32_t>(decoded.size()),
                                   frames.data(), static_cast<std::uint32_t>(frames.size()));
        EXPECT_EQ(done.pOutEnd, decoded.data() + decoded.size());
        EXPECT_EQ(done.pInEnd, frames.data() + frames.size());
        EXPECT_FALSE(done.bMore);
        EXPECT_EQ(decoded, reference_decode(frames));

        // Lossy but faithful: the decoded signal follows the input.
        double fError = 0;
        double fEnergy = 0;
        for (std::size_t i = 4 * c_nGsmFrameSamples; i < samples.size(); ++i) {
            fError += (decoded[i] - samples[i]) * (decoded[i] - samples[i]);
            fEnergy += samples[i] * samples[i];
        }
        EXPECT_LT(fError, 0.5 * fEnergy);
    });
}

// The state carries over between calls: frame by frame gives what one call gives.
TEST(Gsm610Kernels, StatePersistsAcrossCalls)
{
    const std::vector<float> samples = test_signal(5);
    const std::vector<std::uint8_t> expectedFrames = reference_encode(samples);
    veckern::gsm_610_state encoder;
    veckern::gsm_610_state decoder;
    std::vector<std::uint8_t> frames(expectedFrames.size());
    std::vector<float> decoded(samples.size());
    for (std::size_t nFrame = 0; nFrame < 5; ++nFrame) {
        veckern::gsm610_encode(encoder, frames.data() + nFrame * c_nGsmFrameBytes, c_nGsmFrameBytes,
                               samples.data() + nFrame * c_nGsmFrameSamples, c_nGsmFrameSamples);
        veckern::gsm610_decode(decoder, decoded.data() + nFrame * c_nGsmFrameSamples, c_nGsmFrameSamples,
                               frames.data() + nFrame * c_nGsmFrameBytes, c_nGsmFrameBytes);
    }
    EXPECT_EQ(frames, expectedFrames);
    EXPECT_EQ(decoded, reference_decode(frames));
}

TEST(Gsm610Kernels, RefusedFrameDecodesAsSilenceAndDecodingContinues)
{
    std::vector<std::uint8_t> frames = reference_encode(test_signal(4));
    frames[2 * c_nGsmFrameBytes] = static_cast<std::uint8_t>((frames[2 * c_nGsmFrameBytes] & 0x0F) | 0x30);

    veckern::gsm_610_state decoder;
    std::vector<float> decoded(4 * c_nGsmFrameSamples, 1.0f);
    const veckern::gsm_610_progress done =
        veckern::gsm610_decode(decoder, decoded.data(), static_cast<std::uint32_t>(decoded.size()),
                               frames.data(), static_cast<std::uint32_t>(frames.size()));
    EXPECT_EQ(done.pOutEnd, decoded.data() + decoded.size());
    EXPECT_EQ(done.pInEnd, frames.data() + frames.size());
    EXPECT_FALSE(done.bMore);
    for (std::uint32_t i = 0; i < c_nGsmFrameSamples; ++i) {
        ASSERT_EQ(decoded[2 * c_nGsmFrameSamples + i], 0.0f) << "at " << i;
    }
    EXPECT_EQ(decoded, reference_decode(frames, 2));
}

struct progress_case {
    std::uint32_t nInput;  // bytes for decoding, samples for encoding
    std::uint32_t nRoom;   // samples for decoding, bytes for encoding
    std::uint32_t nUnits;  // whole frames expected
    bool bMore;
};

TEST(Gsm610Kernels, DecodeStopsAtWholeFramesAndRoom)
{
    const progress_case aCases[] = {
        {70, 1000, 2, false},  // 4 bytes left over, not a frame
        {66, 200, 1, true},    // room for one frame only
        {99, 480, 3, false},
        {99, 320, 2, true},
        {32, 1000, 0, false},
        {33, 159, 0, true},
        {0, 1000, 0, false},
    };
    const std::vector<std::uint8_t> frames = reference_encode(test_signal(3));
    for (const progress_case& c : aCases) {
        SCOPED_TRACE(testing::Message() << "bytes=" << c.nInput << " room=" << c.nRoom);
        veckern::gsm_610_state decoder;
        kernel_test::guarded_area<float> out(c.nUnits * c_nGsmFrameSamples, 1);
        const veckern::gsm_610_progress done =
            veckern::gsm610_decode(decoder, out.data(), c.nRoom, frames.data(), c.nInput);
        EXPECT_EQ(done.pOutEnd, out.data() + c.nUnits * c_nGsmFrameSamples);
        EXPECT_EQ(done.pInEnd, frames.data() + c.nUnits * c_nGsmFrameBytes);
        EXPECT_EQ(done.bMore, c.bMore);
        EXPECT_TRUE(out.guards_intact());
    }
}

TEST(Gsm610Kernels, EncodeStopsAtWholeBlocksAndRoom)
{
    const progress_case aCases[] = {
        {100, 1000, 0, false},  // less than a block
        {480, 40, 1, true},     // room for one frame only
        {480, 99, 3, false},
        {330, 66, 2, false},
        {320, 32, 0, true},
        {0, 33, 0, false},
    };
    const std::vector<float> samples = test_signal(3);
    for (const progress_case& c : aCases) {
        SCOPED_TRACE(testing::Message() << "samples=" << c.nInput << " room=" << c.nRoom);
        std::vector<float> input(samples.begin(),
                                 samples.begin() + std::min<std::size_t>(c.nInput, samples.size()));
        input.resize(c.nInput, 0.25f);
        veckern::gsm_610_state encoder;
        kernel_test::guarded_area<std::uint8_t> out(c.nUnits * c_nGsmFrameBytes, 3);
        const veckern::gsm_610_progress done =
            veckern::gsm610_encode(encoder, out.data(), c.nRoom, input.data(), c.nInput);
        EXPECT_EQ(done.pOutEnd, out.data() + c.nUnits * c_nGsmFrameBytes);
        EXPECT_EQ(done.pInEnd, input.data() + c.nUnits * c_nGsmFrameSamples);
        EXPECT_EQ(done.bMore, c.bMore);
        EXPECT_TRUE(out.guards_intact());
    }
}

}  // namespace
