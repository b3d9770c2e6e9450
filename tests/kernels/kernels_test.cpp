// Every kernel against a scalar reference, on the portable loops and, where
// the processor has AVX2, on the AVX2 loops, over lengths that end in every kind of tail and areas off their alignment,
// with guard bytes around the outputs.
#include "vocalith/veckern/veckern.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>
// Only the header's inline G.711 coders are used, so no spandsp library is
// linked and the cross builds need nothing but these headers.
#include <spandsp/telephony.h>
#include <spandsp/bit_operations.h>
#include <spandsp/g711.h>

#include "kernels/cpu_dispatch.h"

namespace {

// Runs body(n, nOffset) on the portable and the AVX2 loops, for lengths that
// end in every kind of tail (the longest holds every 16-bit value) and areas
// 0 to 3 elements past a 64-byte boundary.
template <typename Body>
void for_each_case(Body body)
{
    bool& bUseAvx2 = veckern::detail::use_avx2();
    const bool bHasAvx2 = bUseAvx2;
    for (const bool bAvx2 : {false, true}) {
        if (bAvx2 && !bHasAvx2) {
            break;
        }
        bUseAvx2 = bAvx2;
        for (const std::uint32_t n : {1u, 7u, 9u, 16u, 33u, 63u, 87383u}) {
            for (const std::size_t nOffset : {0u, 1u, 2u, 3u}) {
                SCOPED_TRACE(testing::Message()
                             << (bAvx2 ? "AVX2" : "portable") << " n=" << n << " offset=" << nOffset);
                body(n, nOffset);
            }
        }
    }
    bUseAvx2 = bHasAvx2;
}

// n elements of T, nOffset elements past a 64-byte boundary, amid guard bytes.
template <typename T>
struct guarded {
    guarded(std::size_t n, std::size_t nOffset)
        : nBytes(n * sizeof(T)),
          storage(nBytes + 256, 0xA5),
          p(reinterpret_cast<T*>(storage.data() + 128 - reinterpret_cast<std::uintptr_t>(storage.data()) % 64) +
            nOffset)
    {
    }
    bool intact() const
    {
        const auto* pBegin = reinterpret_cast<const unsigned char*>(p);
        const auto a5 = [](unsigned char b) { return b == 0xA5; };
        return std::all_of(storage.data(), pBegin, a5) &&
               std::all_of(pBegin + nBytes, storage.data() + storage.size(), a5);
    }
    std::size_t nBytes;
    std::vector<unsigned char> storage;
    T* p;
};

// Float to 16-bit as the library defines it: in double, nearest with ties to
// even, saturated, NaN to 0.
int ref_s16(float fSample)
{
    const double x = static_cast<double>(fSample) * 32768.0;
    return std::isnan(x) ? 0 : x <= -32768.0 ? -32768 : x >= 32767.0 ? 32767 : static_cast<int>(std::nearbyint(x));
}

// Every 16-bit value in a scrambled order, give or take a fraction, with
// rounding ties, values beyond full scale, infinities and NaN in between, so
// that vector bodies and tails all meet them.
std::vector<float> samples(std::uint32_t n, std::uint32_t nSeed)
{
    const float aSpecial[] = {0.5f / 32768, 1.5f / 32768, -2.5f / 32768, 32766.5f / 32768, 32767.5f / 32768,
                              -32768.5f / 32768, 1.25f, -1e30f, INFINITY, -INFINITY, NAN, -0.0f};
    std::vector<float> v(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        // A new value for each i % 4 != 3, off by up to 3/8 step (rounded away again).
        const std::uint32_t nValue = (i - i / 4 + nSeed) * 40503u;
        const float fValue = static_cast<float>(int(nValue & 0xFFFF) - 32768) + 0.125f * (int(nValue >> 16) % 7 - 3);
        v[i] = i % 4 == 3 ? aSpecial[i / 4 % std::size(aSpecial)] : fValue / 32768;
    }
    return v;
}

int get16(const unsigned char* p, bool bBig)
{
    return static_cast<std::int16_t>(bBig ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
}

TEST(Pcm16Kernels, ExactBothWaysAndSwappedInBothByteOrders)
{
    for_each_case([](std::uint32_t n, std::size_t nOffset) {
        for (const bool bBig : {false, true}) {
            guarded<unsigned char> bytes(2 * n, nOffset);
            guarded<float> floats(n, 3 - nOffset);
            guarded<unsigned char> swapped(2 * n, 3 - nOffset);
            for (std::uint32_t i = 0; i < 2 * n; ++i) {  // every 16-bit value in 65536 samples
                bytes.p[i] = static_cast<unsigned char>((i / 2 * 40503u + nOffset) >> (i % 2 * 8));
            }
            (bBig ? veckern::s16be_to_f32 : veckern::s16le_to_f32)(floats.p, bytes.p, n);
            for (std::uint32_t i = 0; i < n; ++i) {
                ASSERT_EQ(floats.p[i], get16(&bytes.p[2 * i], bBig) / 32768.0f)
                    << "decoding, big " << bBig << ", at " << i;
            }
            const std::vector<float> in = samples(n, static_cast<std::uint32_t>(nOffset));
            std::copy(in.begin(), in.end(), floats.p);
            (bBig ? veckern::f32_to_s16be : veckern::f32_to_s16le)(bytes.p, floats.p, n);
            veckern::swap16(swapped.p, bytes.p, n);
            for (std::uint32_t i = 0; i < n; ++i) {
                ASSERT_EQ(get16(&bytes.p[2 * i], bBig), ref_s16(in[i])) << "encoding " << in[i] << ", big " << bBig;
                ASSERT_EQ(get16(&swapped.p[2 * i], !bBig), ref_s16(in[i])) << "swapping, at " << i;
            }
            veckern::swap16(swapped.p, swapped.p, n);
            EXPECT_TRUE(std::equal(bytes.p, bytes.p + 2 * n, swapped.p)) << "swapping in place";
            EXPECT_TRUE(bytes.intact() && floats.intact() && swapped.intact());
        }
    });
}

// spandsp's coders take the magnitude of negative samples where the ITU-T
// reference code takes the 1's complement. Its A-law coder subtracts the one
// itself; for mu-law a negative x codes as x + 1 does, sign bit cleared.
int ulaw_ref(int x)
{
    return x < 0 ? linear_to_ulaw(x + 1) & 0x7F : linear_to_ulaw(x);
}

int alaw_ref(int x)
{
    return linear_to_alaw(x);
}

TEST(G711Kernels, EveryValueAndEveryCodeAsTheReference)
{
    const struct {
        void (*encode)(std::uint8_t*, const float*, std::uint32_t);
        void (*decode)(float*, const std::uint8_t*, std::uint32_t);
        int (*refEncode)(int);
        std::int16_t (*refDecode)(std::uint8_t);
    } laws[] = {{veckern::f32_to_alaw, veckern::alaw_to_f32, alaw_ref, alaw_to_linear},
                {veckern::f32_to_ulaw, veckern::ulaw_to_f32, ulaw_ref, ulaw_to_linear}};
    for_each_case([&](std::uint32_t n, std::size_t nOffset) {
        for (const auto& law : laws) {
            SCOPED_TRACE(&law == laws ? "A-law" : "mu-law");
            const std::vector<float> in = samples(n, static_cast<std::uint32_t>(nOffset));
            guarded<float> floats(n, nOffset);
            guarded<std::uint8_t> codes(n, 3 - nOffset);
            std::copy(in.begin(), in.end(), floats.p);
            law.encode(codes.p, floats.p, n);
            for (std::uint32_t i = 0; i < n; ++i) {
                ASSERT_EQ(codes.p[i], law.refEncode(ref_s16(in[i]))) << "encoding " << in[i] << ", at " << i;
                codes.p[i] = static_cast<std::uint8_t>(i * 37 + nOffset);  // every code
            }
            law.decode(floats.p, codes.p, n);
            for (std::uint32_t i = 0; i < n; ++i) {
                ASSERT_EQ(floats.p[i], law.refDecode(codes.p[i]) / 32768.0f) << "decoding " << int(codes.p[i]);
            }
            EXPECT_TRUE(floats.intact() && codes.intact());
        }
    });
}

// Exact: no multiply and add may be fused into one rounding, or the output
// would differ from one processor to another.
TEST(ArithmeticKernels, ScaleAndMulAddAsScalarLoops)
{
    for_each_case([](std::uint32_t n, std::size_t nOffset) {
        guarded<float> dst(n, nOffset);
        guarded<float> src(n, 3 - nOffset);
        for (std::uint32_t i = 0; i < n; ++i) {
            dst.p[i] = static_cast<float>(i % 17) * 0.125f - 1.0f;
            src.p[i] = static_cast<float>(i % 7) * 0.3f - 0.9f;
        }
        veckern::scale(dst.p, -0.75f, n);
        veckern::mul_add(dst.p, src.p, 3.25f, n);
        for (std::uint32_t i = 0; i < n; ++i) {
            // Rounded on its own, whatever this file was compiled with.
            const volatile float fProduct = src.p[i] * 3.25f;
            ASSERT_EQ(dst.p[i], (static_cast<float>(i % 17) * 0.125f - 1.0f) * -0.75f + fProduct) << i;
        }
        EXPECT_TRUE(dst.intact() && src.intact());
    });
}

}  // namespace
