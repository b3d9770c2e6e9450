#include "vocalith/veckern/veckern.h"

#include <gtest/gtest.h>

#include "kernel_test_support.h"

namespace {

using kernel_test::guarded_area;

// Tolerance: 4 units in the last place (EXPECT_FLOAT_EQ), room for a fused
// multiply-add where the target has one.
TEST(ArithmeticKernels, ScaleMatchesScalarReference)
{
    kernel_test::for_each_path([&] {
        for (float fGain : {0.0f, 1.0f, -0.5f, 3.25f}) {
            for (std::uint32_t n : kernel_test::lengths()) {
                for (std::size_t nOffset : kernel_test::offsets()) {
                    SCOPED_TRACE(testing::Message()
                                 << "gain=" << fGain << " n=" << n << " offset=" << nOffset);
                    guarded_area<float> buffer(n, nOffset);
                    std::vector<float> original(n);
                    for (std::uint32_t i = 0; i < n; ++i) {
                        original[i] =
                            static_cast<float>(i % 17) * 0.125f - 1.0f + static_cast<float>(i) * 1e-4f;
                        buffer.set(i, original[i]);
                    }
                    veckern::scale(buffer.data(), fGain, n);
                    for (std::uint32_t i = 0; i < n; ++i) {
                        ASSERT_FLOAT_EQ(buffer.at(i), original[i] * fGain) << "at " << i;
                    }
                    EXPECT_TRUE(buffer.guards_intact());
                }
            }
        }
    });
}

TEST(ArithmeticKernels, MulAddMatchesScalarReference)
{
    kernel_test::for_each_path([&] {
        for (float fGain : {0.0f, 1.0f, -0.75f}) {
            for (std::uint32_t n : kernel_test::lengths()) {
                for (std::size_t nOffset : kernel_test::offsets()) {
                    SCOPED_TRACE(testing::Message()
                                 << "gain=" << fGain << " n=" << n << " offset=" << nOffset);
                    guarded_area<float> dst(n, nOffset);
                    // Source and destination misaligned differently.
                    guarded_area<float> src(n, (nOffset + 1) % 4);
                    std::vector<float> original(n);
                    for (std::uint32_t i = 0; i < n; ++i) {
                        original[i] = 0.5f - static_cast<float>(i % 13) * 0.0625f;
                        dst.set(i, original[i]);
                        src.set(i, static_cast<float>(i % 7) * 0.3f - 0.9f);
                    }
                    veckern::mul_add(dst.data(), src.data(), fGain, n);
                    for (std::uint32_t i = 0; i < n; ++i) {
                        ASSERT_FLOAT_EQ(dst.at(i), original[i] + src.at(i) * fGain) << "at " << i;
                    }
                    EXPECT_TRUE(dst.guards_intact());
                }
            }
        }
    });
}

TEST(ArithmeticKernels, ZeroCountTouchesNothing)
{
    guarded_area<float> dst(0, 1);
    guarded_area<float> src(0, 2);
    veckern::scale(dst.data(), 2.0f, 0);
    veckern::mul_add(dst.data(), src.data(), 2.0f, 0);
    EXPECT_TRUE(dst.guards_intact());
}

}  // namespace
