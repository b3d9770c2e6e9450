#include "vocalith/veckern/veckern.h"

#include <limits>

#include <gtest/gtest.h>

#include "kernel_test_support.h"

namespace {

using kernel_test::guarded_area;

// Reference coders written from the G.711 rules as the ITU-T reference code
// states them: magnitude is the 1's complement for negative samples, the
// segment is found by searching the segment ends, quantisation truncates.
std::uint8_t ref_ulaw_encode(std::int16_t nSample)
{
    static const int c_aSegmentEnd[8] = {0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF, 0x1FFF};
    const int nMagnitude = nSample < 0 ? -1 - nSample : nSample;
    int nBiased = nMagnitude / 4 + 33;  // 14-bit magnitude plus the bias of 33
    if (nBiased > 0x1FFF) {
        nBiased = 0x1FFF;
    }
    int nSegment = 0;
    while (nBiased > c_aSegmentEnd[nSegment]) {
        ++nSegment;
    }
    const int nStep = 2 << nSegment;
    const int nInterval = (nBiased - (32 << nSegment)) / nStep;  // 0..15
    const int nCode = 0x7F - (nSegment * 16 + nInterval);
    return static_cast<std::uint8_t>(nSample >= 0 ? nCode + 0x80 : nCode);
}

std::uint8_t ref_alaw_encode(std::int16_t nSample)
{
    static const int c_aSegmentEnd[8] = {0x1F, 0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
    const int nMagnitude = (nSample < 0 ? -1 - nSample : nSample) / 16;  // 0..2047
    int nSegment = 0;
    while (nMagnitude > c_aSegmentEnd[nSegment]) {
        ++nSegment;
    }
    // Segments 0 and 1 share the step 1; from there the step doubles.
    const int nCode = nSegment == 0 ? nMagnitude : (nSegment + 1) * 16 + (nMagnitude >> nSegment) - 16;
    return static_cast<std::uint8_t>((nSample >= 0 ? nCode + 0x80 : nCode) ^ 0x55);
}

int ref_ulaw_decode(std::uint8_t nCode)
{
    const int nSign = nCode < 0x80 ? -1 : 1;
    const int nBits = 0xFF - nCode;  // 1's complement
    const int nExponent = (nBits >> 4) & 7;
    const int nMantissa = nBits & 0x0F;
    const int nStep = 4 << (nExponent + 1);
    return nSign * ((0x80 << nExponent) + nStep * nMantissa + nStep / 2 - 4 * 33);
}

int ref_alaw_decode(std::uint8_t nCode)
{
    const int nBits = (nCode ^ 0x55) & 0x7F;
    const int nExponent = nBits >> 4;
    int nMantissa = nBits & 0x0F;
    if (nExponent > 0) {
        nMantissa += 16;
    }
    nMantissa = (nMantissa << 4) + 8;
    if (nExponent > 1) {
        nMantissa <<= nExponent - 1;
    }
    return nCode > 127 ? nMantissa : -nMantissa;
}

struct g711_law {
    const char* pName;
    void (*encode)(std::uint8_t*, const float*, std::uint32_t);
    void (*decode)(float*, const std::uint8_t*, std::uint32_t);
    std::uint8_t (*refEncode)(std::int16_t);
    int (*refDecode)(std::uint8_t);
};

const g711_law c_laws[] = {
    {"ulaw", veckern::f32_to_ulaw, veckern::ulaw_to_f32, ref_ulaw_encode, ref_ulaw_decode},
    {"alaw", veckern::f32_to_alaw, veckern::alaw_to_f32, ref_alaw_encode, ref_alaw_decode},
};

std::vector<float> every_sixteen_bit_value()
{
    std::vector<float> samples(65536);
    for (int i = 0; i < 65536; ++i) {
        samples[static_cast<std::size_t>(i)] = static_cast<float>(i - 32768) / 32768.0f;
    }
    return samples;
}

TEST(G711Kernels, ReferenceCodersHoldTheStandardsLandmarks)
{
    // Guards the test's own references before they judge the library.
    EXPECT_EQ(ref_ulaw_encode(0), 0xFF);
    EXPECT_EQ(ref_ulaw_encode(-1), 0x7F);
    EXPECT_EQ(ref_ulaw_encode(31611), 0x81);
    EXPECT_EQ(ref_ulaw_encode(31612), 0x80);
    EXPECT_EQ(ref_ulaw_encode(-32768), 0x00);
    EXPECT_EQ(ref_alaw_encode(0), 0xD5);
    EXPECT_EQ(ref_alaw_encode(-1), 0x55);
    EXPECT_EQ(ref_alaw_encode(-32768), 0x2A);
    EXPECT_EQ(ref_alaw_encode(32767), 0xAA);
    EXPECT_EQ(ref_ulaw_decode(0x80), 32124);
    EXPECT_EQ(ref_ulaw_decode(0x00), -32124);
    EXPECT_EQ(ref_ulaw_decode(0xFF), 0);
    EXPECT_EQ(ref_alaw_decode(0xAA), 32256);
    EXPECT_EQ(ref_alaw_decode(0x2A), -32256);
    EXPECT_EQ(ref_alaw_decode(0xD5), 8);
}

TEST(G711Kernels, EncodeEverySixteenBitValueAsTheReference)
{
    kernel_test::for_each_path([&] {
        const std::vector<float> samples = every_sixteen_bit_value();
        std::vector<std::uint8_t> codes(samples.size());
        for (const g711_law& law : c_laws) {
            SCOPED_TRACE(law.pName);
            law.encode(codes.data(), samples.data(), static_cast<std::uint32_t>(samples.size()));
            for (int i = 0; i < 65536; ++i) {
                const std::int16_t nSample = static_cast<std::int16_t>(i - 32768);
                ASSERT_EQ(codes[static_cast<std::size_t>(i)], law.refEncode(nSample)) << "sample " << nSample;
            }
        }
    });
}

TEST(G711Kernels, EncodeLandmarks)
{
    kernel_test::for_each_path([&] {
        const float aIn[] = {0.0f, -1.0f / 32768.0f, -1.0f, 31611.0f / 32768.0f, 31612.0f / 32768.0f};
        std::uint8_t aUlaw[5];
        std::uint8_t aAlaw[5];
        veckern::f32_to_ulaw(aUlaw, aIn, 5);
        veckern::f32_to_alaw(aAlaw, aIn, 5);
        EXPECT_EQ(aUlaw[0], 0xFF);
        EXPECT_EQ(aUlaw[1], 0x7F);
        EXPECT_EQ(aUlaw[3], 0x81);
        EXPECT_EQ(aUlaw[4], 0x80);
        EXPECT_EQ(aAlaw[0], 0xD5);
        EXPECT_EQ(aAlaw[1], 0x55);
        EXPECT_EQ(aAlaw[2], 0x2A);
    });
}

TEST(G711Kernels, DecodeEveryCodeToItsReconstructionValue)
{
    kernel_test::for_each_path([&] {
        std::uint8_t aCodes[256];
        for (int i = 0; i < 256; ++i) {
            aCodes[i] = static_cast<std::uint8_t>(i);
        }
        float aOut[256];
        for (const g711_law& law : c_laws) {
            SCOPED_TRACE(law.pName);
            law.decode(aOut, aCodes, 256);
            for (int i = 0; i < 256; ++i) {
                ASSERT_EQ(aOut[i], static_cast<float>(law.refDecode(aCodes[i])) / 32768.0f) << "code " << i;
            }
        }
    });
}

// Encoding what was decoded gives back the code, except µ-law's negative
// zero, which decodes to 0 and comes back as the positive zero.
TEST(G711Kernels, SecondRoundTripKeepsTheCodes)
{
    kernel_test::for_each_path([&] {
        const std::vector<float> samples = every_sixteen_bit_value();
        const std::uint32_t n = static_cast<std::uint32_t>(samples.size());
        std::vector<std::uint8_t> first(n);
        std::vector<std::uint8_t> second(n);
        std::vector<float> decoded(n);
        for (const g711_law& law : c_laws) {
            SCOPED_TRACE(law.pName);
            law.encode(first.data(), samples.data(), n);
            law.decode(decoded.data(), first.data(), n);
            law.encode(second.data(), decoded.data(), n);
            for (std::uint32_t i = 0; i < n; ++i) {
                const bool bNegativeZero = law.encode == veckern::f32_to_ulaw && first[i] == 0x7F;
                ASSERT_EQ(second[i], bNegativeZero ? 0xFF : first[i]) << "sample index " << i;
            }
        }
    });
}

TEST(G711Kernels, SaturationInfinitiesAndNaN)
{
    kernel_test::for_each_path([&] {
        const float fInf = std::numeric_limits<float>::infinity();
        const float aIn[] = {fInf, -fInf, std::numeric_limits<float>::quiet_NaN(), 1.5f, -1.5f};
        const std::int16_t aAs16[] = {32767, -32768, 0, 32767, -32768};
        std::uint8_t aOut[5];
        for (const g711_law& law : c_laws) {
            SCOPED_TRACE(law.pName);
            law.encode(aOut, aIn, 5);
            for (int i = 0; i < 5; ++i) {
                EXPECT_EQ(aOut[i], law.refEncode(aAs16[i])) << "input " << aIn[i];
            }
        }
    });
}

TEST(G711Kernels, LengthsAndOffsetsMatchTheReference)
{
    kernel_test::for_each_path([&] {
        for (const g711_law& law : c_laws) {
            for (std::uint32_t n : kernel_test::lengths()) {
                for (std::size_t nOffset : kernel_test::offsets()) {
                    SCOPED_TRACE(testing::Message() << law.pName << " n=" << n << " offset=" << nOffset);
                    const std::vector<float> samples = kernel_test::varied_samples(n, n + 31 * nOffset);
                    guarded_area<float> src(n, nOffset);
                    guarded_area<std::uint8_t> codes(n, 3 - nOffset);
                    guarded_area<float> decoded(n, nOffset);
                    for (std::uint32_t i = 0; i < n; ++i) {
                        src.set(i, samples[i]);
                    }
                    law.encode(codes.data(), src.data(), n);
                    law.decode(decoded.data(), codes.data(), n);
                    for (std::uint32_t i = 0; i < n; ++i) {
                        const std::uint8_t nCode = law.refEncode(kernel_test::ref_to_s16(samples[i]));
                        ASSERT_EQ(codes.at(i), nCode) << "at " << i << " sample " << samples[i];
                        ASSERT_EQ(decoded.at(i), static_cast<float>(law.refDecode(nCode)) / 32768.0f);
                    }
                    EXPECT_TRUE(codes.guards_intact());
                    EXPECT_TRUE(decoded.guards_intact());
                }
            }
        }
    });
}

}  // namespace
