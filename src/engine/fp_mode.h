// Flush-to-zero and denormals-are-zero for the span of one engine call, so
// that filters decaying into silence do not crawl through denormal
// arithmetic. The caller's mode is restored however the scope is left.
#ifndef VOCALITH_SRC_ENGINE_FP_MODE_H
#define VOCALITH_SRC_ENGINE_FP_MODE_H

#include <cstdint>

#if defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

namespace app {

class flush_denormals_scope {
public:
    flush_denormals_scope() : m_nSaved(read())
    {
        write(m_nSaved | c_nFlushBits);
    }
    ~flush_denormals_scope() { write(m_nSaved); }
    flush_denormals_scope(const flush_denormals_scope&) = delete;
    flush_denormals_scope& operator=(const flush_denormals_scope&) = delete;

#if defined(__x86_64__) || defined(_M_X64)
    // MXCSR: FTZ is bit 15, DAZ bit 6.
    static constexpr std::uint64_t c_nFlushBits = 0x8040;
    static std::uint64_t read() { return _mm_getcsr(); }
    static void write(std::uint64_t nMode) { _mm_setcsr(static_cast<unsigned int>(nMode)); }
#elif defined(__aarch64__)
    // FPCR: FZ (bit 24) flushes both inputs and results.
    static constexpr std::uint64_t c_nFlushBits = std::uint64_t(1) << 24;
    static std::uint64_t read()
    {
        std::uint64_t nMode;
        __asm__ __volatile__("mrs %0, fpcr" : "=r"(nMode));
        return nMode;
    }
    static void write(std::uint64_t nMode) { __asm__ __volatile__("msr fpcr, %0" : : "r"(nMode)); }
#else
    static constexpr std::uint64_t c_nFlushBits = 0;
    static std::uint64_t read() { return 0; }
    static void write(std::uint64_t) {}
#endif

private:
    std::uint64_t m_nSaved;
};

}  // namespace app

#endif
