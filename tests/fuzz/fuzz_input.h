// Shared by the fuzz targets. An input is split into the choices a target
// makes (codec, channel count, room) and its payload; reading past the end
// gives zeros, so every input, however short, is a valid case. The order in
// which a target reads its choices is what gives the saved corpus its
// meaning: change it and the corpus has to be grown again.
//
// Built with VOCALITH_FUZZ_REPLAY (the CTest programs), the header also gives
// the target a main that replays the saved inputs, so that an ordinary build
// checks the whole corpus on every test run. Each argument is a directory
// whose files are replayed; a missing directory (an exception) or an empty
// one is an error, so that a wrong path cannot pass unnoticed.
#ifndef VOCALITH_TESTS_FUZZ_FUZZ_INPUT_H
#define VOCALITH_TESTS_FUZZ_FUZZ_INPUT_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

// A broken invariant aborts, so that both libFuzzer and the corpus replay
// report the input that broke it.
#define FUZZ_CHECK(cond) \
    ((cond) ? void() : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #cond), std::abort()))

namespace fuzz {

typedef std::vector<std::uint8_t> bytes;

struct input {
    input(const std::uint8_t* pData, std::size_t nSize) : m_pData(pData), m_nSize(nSize) {}

    std::uint8_t byte() { return m_nSize == 0 ? 0 : (--m_nSize, *m_pData++); }
    // Little-endian; the low part is read first whatever the compiler.
    std::uint16_t u16() { const std::uint16_t nLow = byte(); return static_cast<std::uint16_t>(nLow | byte() << 8); }
    std::uint32_t u32() { const std::uint32_t nLow = u16(); return nLow | static_cast<std::uint32_t>(u16()) << 16; }
    // Any 32-bit pattern, NaNs and infinities among them.
    float f32() { const std::uint32_t nBits = u32(); float f; std::memcpy(&f, &nBits, sizeof f); return f; }
    std::size_t left() const { return m_nSize; }

    // A value in [nLow, nHigh], read from as few bytes as the span needs.
    std::uint32_t range(std::uint32_t nLow, std::uint32_t nHigh)
    {
        const std::uint32_t nSpan = nHigh - nLow + 1;
        return nLow + (nSpan <= 0x100 ? byte() : nSpan <= 0x10000 ? u16() : u32()) % nSpan;
    }

    // Up to nMax bytes from the front, copied into a heap block of exactly
    // their size, so that a read past its end is caught by AddressSanitizer.
    bytes take(std::size_t nMax)
    {
        const bytes piece(m_pData, m_pData + std::min(nMax, m_nSize));
        m_pData += piece.size(), m_nSize -= piece.size();
        return piece;
    }

    const std::uint8_t* m_pData;
    std::size_t m_nSize;
};

}  // namespace fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize);

#ifdef VOCALITH_FUZZ_REPLAY
int main(int argc, char** argv)
{
    std::size_t nCount = 0;
    for (int i = 1; i < argc; ++i) {
        for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(argv[i])) {
            std::ifstream file(entry.path(), std::ios::binary);
            fuzz::bytes exact((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            exact.shrink_to_fit();  // a read past its end is caught
            LLVMFuzzerTestOneInput(exact.data(), exact.size());
            ++nCount;
        }
    }
    std::printf("replayed %zu inputs\n", nCount);
    return nCount == 0 ? 1 : 0;
}
#endif

#endif
