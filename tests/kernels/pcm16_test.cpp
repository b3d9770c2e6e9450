#include "vocalith/veckern/veckern.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "kernel_test_support.h"

namespace {

using kernel_test::guarded_area;

std::int16_t from_bytes(const unsigned char* p, bool bBigEndian)
{
    const unsigned int nFirst = p[0];
    const unsigned int nSecond = p[1];
    const unsigned int nBits = bBigEndian ? (nFirst << 8) | nSecond : (nSecond << 8) | nFirst;
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(nBits));
}

void to_bytes(unsigned char* p, std::int16_t nValue, bool bBigEndian)
{
    const unsigned int nBits = static_cast<std::uint16_t>(nValue);
    p[bBigEndian ? 0 : 1] = static_cast<unsigned char>(nBits >> 8);
    p[bBigEndian ? 1 : 0] = static_cast<unsigned char>(nBits & 0xFF);
}

struct s16_layout {
    const char* pName;
    bool bBigEndian;
    void (*toFloat)(float*, const void*, std::uint32_t);
    void (*fromFloat)(void*, const float*, std::uint32_t);
};

const s16_layout c_layouts[] = {
    {"le", false, veckern::s16le_to_f32, veckern::f32_to_s16le},
    {"be", true, veckern::s16be_to_f32, veckern::f32_to_s16be},
};

// The source is addressed by bytes, so odd byte offsets are tried as well.
TEST(Pcm16Kernels, DecodeMatchesScalarReferenceOverLengthsAndOffsets)
{
    kernel_test::for_each_path([&] {
        for (const s16_layout& layout : c_layouts) {
            for (std::uint32_t n : kernel_test::lengths()) {
                for (std::size_t nOffset : kernel_test::offsets()) {
                    SCOPED_TRACE(testing::Message() << layout.pName << " n=" << n << " offset=" << nOffset);
                    guarded_area<unsigned char> src(2 * n, nOffset);
                    guarded_area<float> dst(n, nOffset);
                    for (std::uint32_t i = 0; i < n; ++i) {
                        // Every bit pattern class: both signs, extremes, small values.
                        const std::int16_t nValue =
                            static_cast<std::int16_t>(i * 40503u + (i & 1 ? 32768u : 7u));
                        to_bytes(src.bytes() + 2 * i, nValue, layout.bBigEndian);
                    }
                    if (n > 2) {
                        to_bytes(src.bytes(), -32768, layout.bBigEndian);
                        to_bytes(src.bytes() + 2, 32767, layout.bBigEndian);
                    }
                    layout.toFloat(dst.data(), src.bytes(), n);
                    for (std::uint32_t i = 0; i < n; ++i) {
                        const std::int16_t nValue = from_bytes(src.bytes() + 2 * i, layout.bBigEndian);
                        ASSERT_EQ(dst.at(i), kernel_test::ref_to_float(nValue)) << "at " << i;
                    }
                    EXPECT_TRUE(dst.guards_intact());
                }
            }
        }
    });
}

TEST(Pcm16Kernels, EncodeMatchesScalarReferenceOverLengthsAndOffsets)
{
    kernel_test::for_each_path([&] {
        for (const s16_layout& layout : c_layouts) {
            for (std::uint32_t n : kernel_test::lengths()) {
                for (std::size_t nOffset : kernel_test::offsets()) {
                    SCOPED_TRACE(testing::Message() << layout.pName << " n=" << n << " offset=" << nOffset);
                    const std::vector<float> samples = kernel_test::varied_samples(n, n * 7 + nOffset);
                    guarded_area<float> src(n, nOffset);
                    guarded_area<unsigned char> dst(2 * n, nOffset);
                    for (std::uint32_t i = 0; i < n; ++i) {
                        src.set(i, samples[i]);
                    }
                    layout.fromFloat(dst.bytes(), src.data(), n);
                    for (std::uint32_t i = 0; i < n; ++i) {
                        ASSERT_EQ(from_bytes(dst.bytes() + 2 * i, layout.bBigEndian),
                                  kernel_test::ref_to_s16(samples[i]))
                            << "at " << i << " sample " << samples[i];
                    }
                    EXPECT_TRUE(dst.guards_intact());
                }
            }
        }
    });
}

TEST(Pcm16Kernels, SaturatesRoundsHalfToEvenAndZeroesNaN)
{
    kernel_test::for_each_path([&] {
        const float fInf = std::numeric_limits<float>::infinity();
        const float aIn[] = {fInf,
                             -fInf,
                             std::numeric_limits<float>::quiet_NaN(),
                             2.0f,
                             -2.0f,
                             32767.5f / 32768.0f,
                             -32768.5f / 32768.0f,
                             0.5f / 32768.0f,
                             1.5f / 32768.0f,
                             -2.5f / 32768.0f,
                             -1.0f,
                             1.0f};
        const std::int16_t aExpected[] = {32767,  -32768, 0, 32767, -32768, 32767,
                                          -32768, 0,      2, -2,    -32768, 32767};
        constexpr std::uint32_t n = sizeof aIn / sizeof aIn[0];
        std::int16_t aOut[n];
        veckern::f32_to_s16le(aOut, aIn, n);
        for (std::uint32_t i = 0; i < n; ++i) {
            EXPECT_EQ(aOut[i], aExpected[i]) << "input " << aIn[i];
        }
    });
}

TEST(Pcm16Kernels, EverySixteenBitValueSurvivesFloatAndBack)
{
    kernel_test::for_each_path([&] {
        std::vector<std::int16_t> values(65536);
        for (std::uint32_t i = 0; i < 65536; ++i) {
            values[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(i));
        }
        std::vector<float> samples(65536);
        std::vector<std::int16_t> back(65536);
        veckern::s16le_to_f32(samples.data(), values.data(), 65536);
        veckern::f32_to_s16le(back.data(), samples.data(), 65536);
        EXPECT_EQ(back, values);
        veckern::f32_to_s16be(back.data(), samples.data(), 65536);
        veckern::s16be_to_f32(samples.data(), back.data(), 65536);
        veckern::f32_to_s16le(back.data(), samples.data(), 65536);
        EXPECT_EQ(back, values);
    });
}

TEST(Pcm16Kernels, Swap16CopiesAndSwapsInPlace)
{
    kernel_test::for_each_path([&] {
        for (std::uint32_t n : kernel_test::lengths()) {
            for (std::size_t nOffset : kernel_test::offsets()) {
                SCOPED_TRACE(testing::Message() << "n=" << n << " offset=" << nOffset);
                guarded_area<unsigned char> src(2 * n, nOffset);
                guarded_area<unsigned char> dst(2 * n, 3 - nOffset);
                for (std::uint32_t i = 0; i < 2 * n; ++i) {
                    src.set(i, static_cast<unsigned char>(i * 37 + 11));
                }
                veckern::swap16(dst.bytes(), src.bytes(), n);
                for (std::uint32_t i = 0; i < n; ++i) {
                    ASSERT_EQ(dst.at(2 * i), src.at(2 * i + 1)) << "at " << i;
                    ASSERT_EQ(dst.at(2 * i + 1), src.at(2 * i)) << "at " << i;
                }
                EXPECT_TRUE(dst.guards_intact());

                veckern::swap16(dst.bytes(), dst.bytes(), n);
                for (std::uint32_t i = 0; i < 2 * n; ++i) {
                    ASSERT_EQ(dst.at(i), src.at(i)) << "in place, at " << i;
                }
                EXPECT_TRUE(dst.guards_intact());
            }
        }
    });
}

}  // namespace
