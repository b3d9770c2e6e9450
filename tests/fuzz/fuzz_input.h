// Splits a fuzzer's input into the choices a target makes (codec, channel
// count, room) and the payload bytes. Reading past the end gives zeros, so
// every input, however short, is a valid case.
#ifndef VOCALITH_TESTS_FUZZ_FUZZ_INPUT_H
#define VOCALITH_TESTS_FUZZ_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzz {

class input {
public:
    input(const std::uint8_t* pData, std::size_t nSize) : m_pData(pData), m_nSize(nSize) {}

    std::uint8_t byte()
    {
        if (m_nSize == 0) {
            return 0;
        }
        --m_nSize;
        return *m_pData++;
    }

    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }

    std::uint32_t u32() { return static_cast<std::uint32_t>(u16()) | (static_cast<std::uint32_t>(u16()) << 16); }

    // A value in [nLow, nHigh].
    std::uint32_t range(std::uint32_t nLow, std::uint32_t nHigh)
    {
        const std::uint32_t nSpan = nHigh - nLow + 1;
        return nLow + (nSpan <= 0x100 ? byte() % nSpan : nSpan <= 0x10000 ? u16() % nSpan : u32() % nSpan);
    }

    // Up to nMax bytes from the front; the pointer stays valid as long as the
    // fuzzer's input does.
    const std::uint8_t* take(std::size_t nMax, std::size_t& nTaken)
    {
        nTaken = nMax < m_nSize ? nMax : m_nSize;
        const std::uint8_t* p = m_pData;
        m_pData += nTaken;
        m_nSize -= nTaken;
        return p;
    }

    std::size_t left() const { return m_nSize; }

private:
    const std::uint8_t* m_pData;
    std::size_t m_nSize;
};

}  // namespace fuzz

// A broken invariant aborts, so that both libFuzzer and the corpus replay
// report the input that broke it.
#define FUZZ_CHECK(cond)                                                              \
    do {                                                                              \
        if (!(cond)) {                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                             \
        }                                                                             \
    } while (0)

#endif
