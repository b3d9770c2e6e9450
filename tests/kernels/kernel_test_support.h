// Shared pieces of the kernel tests: the awkward lengths and misalignments
// every kernel is run over, guarded output areas, scalar references of the
// sample scale and varied input samples.
#ifndef VOCALITH_TESTS_KERNELS_KERNEL_TEST_SUPPORT_H
#define VOCALITH_TESTS_KERNELS_KERNEL_TEST_SUPPORT_H

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/cpu_dispatch.h"

namespace kernel_test {

inline const std::vector<std::uint32_t>& lengths()
{
    static const std::vector<std::uint32_t> c_lengths{1, 3, 7, 8, 9, 31, 1000};
    return c_lengths;
}

// Offsets in elements (or bytes, for byte areas) from a 64-byte boundary.
inline const std::vector<std::size_t>& offsets()
{
    static const std::vector<std::size_t> c_offsets{0, 1, 2, 3};
    return c_offsets;
}

// Runs the body once for every instruction-set path this machine can take
// (the baseline loops always, the AVX2 loops where the processor has AVX2).
template <typename Body>
void for_each_path(Body body)
{
    bool& bUseAvx2 = veckern::detail::use_avx2();
    const bool bHasAvx2 = bUseAvx2;
    for (bool bAvx2 : {false, true}) {
        if (bAvx2 && !bHasAvx2) {
            continue;
        }
        SCOPED_TRACE(bAvx2 ? "AVX2 loops" : "baseline loops");
        bUseAvx2 = bAvx2;
        body();
    }
    bUseAvx2 = bHasAvx2;
}

constexpr std::size_t c_nGuard = 64;

// An area of T placed nOffset elements after a 64-byte boundary, with guard
// elements around it filled with a pattern, to catch writes outside [0, n).
template <typename T>
class guarded_area {
public:
    guarded_area(std::uint32_t n, std::size_t nOffset)
        : m_nCount(n), m_storage((n + 2 * c_nGuard) * sizeof(T) + 64 + nOffset * sizeof(T))
    {
        const std::uintptr_t nAddress = reinterpret_cast<std::uintptr_t>(m_storage.data());
        const std::size_t nLead = (64 - nAddress % 64) % 64;
        m_pFirst = m_storage.data() + nLead;
        m_pData = m_pFirst + (c_nGuard + nOffset) * sizeof(T);
        for (std::size_t i = 0; i < m_storage.size(); ++i) {
            m_storage[i] = static_cast<unsigned char>(0xA5 ^ i);
        }
        m_pristine = m_storage;
    }

    T* data() { return reinterpret_cast<T*>(m_pData); }
    unsigned char* bytes() { return m_pData; }

    // Element i as T, read without alignment assumptions.
    T at(std::size_t i) const
    {
        T value;
        std::memcpy(&value, m_pData + i * sizeof(T), sizeof(T));
        return value;
    }

    void set(std::size_t i, T value) { std::memcpy(m_pData + i * sizeof(T), &value, sizeof(T)); }

    // Every byte outside the n elements still holds the pattern.
    bool guards_intact() const
    {
        const std::size_t nBegin = static_cast<std::size_t>(m_pData - m_storage.data());
        const std::size_t nEnd = nBegin + m_nCount * sizeof(T);
        for (std::size_t i = 0; i < m_storage.size(); ++i) {
            if ((i < nBegin || i >= nEnd) && m_storage[i] != m_pristine[i]) {
                return false;
            }
        }
        return true;
    }

private:
    std::uint32_t m_nCount;
    std::vector<unsigned char> m_storage;
    std::vector<unsigned char> m_pristine;
    unsigned char* m_pFirst;
    unsigned char* m_pData;
};

// Float to 16-bit as the library defines it, computed in double with lrint.
inline std::int16_t ref_to_s16(float fSample)
{
    if (std::isnan(fSample)) {
        return 0;
    }
    double x = static_cast<double>(fSample) * 32768.0;
    if (x <= -32768.0) {
        return -32768;
    }
    if (x >= 32767.0) {
        return 32767;
    }
    return static_cast<std::int16_t>(std::lrint(x));
}

inline float ref_to_float(std::int16_t nSample)
{
    return static_cast<float>(nSample) / 32768.0f;
}

// Samples that exercise rounding and saturation: random values a little
// beyond full scale, exact half steps, the extremes and the special values.
inline std::vector<float> varied_samples(std::uint32_t n, unsigned int nSeed)
{
    std::mt19937 rng(nSeed);
    std::uniform_real_distribution<float> dist(-1.25f, 1.25f);
    const float aSpecial[] = {0.0f,
                              -0.0f,
                              0.5f / 32768.0f,
                              1.5f / 32768.0f,
                              -0.5f / 32768.0f,
                              -2.5f / 32768.0f,
                              32766.5f / 32768.0f,
                              32767.5f / 32768.0f,
                              -32767.5f / 32768.0f,
                              -32768.5f / 32768.0f,
                              1.0f,
                              -1.0f,
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::max(),
                              -std::numeric_limits<float>::max(),
                              std::numeric_limits<float>::denorm_min()};
    std::vector<float> samples(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        // Specials spread over the whole length so that both the vector body
        // and the scalar tail meet them.
        samples[i] = (i % 5 == 2) ? aSpecial[(i / 5) % (sizeof aSpecial / sizeof aSpecial[0])] : dist(rng);
    }
    return samples;
}

}  // namespace kernel_test

#endif
