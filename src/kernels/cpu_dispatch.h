// Runs a kernel loop compiled twice: for the baseline instruction set and,
// on x86 processors that have it, for AVX2, chosen at run time. The loop is
// an always-inline function, so each instantiation below gets its own copy
// vectorized for its own target; nothing is exported or resolved at load time.
#ifndef VOCALITH_SRC_KERNELS_CPU_DISPATCH_H
#define VOCALITH_SRC_KERNELS_CPU_DISPATCH_H

#if defined(__x86_64__) || defined(__i386__)
#define VOCALITH_KERNELS_AVX2 1
#define VOCALITH_TARGET_AVX2 __attribute__((target("avx2")))
#else
#define VOCALITH_KERNELS_AVX2 0
#endif

#define VOCALITH_KERNEL_LOOP __attribute__((always_inline)) inline

namespace veckern {
namespace detail {

// Whether the AVX2 loops run: whether the processor has AVX2, asked once.
// The tests switch it off to run the baseline loops as well; nothing else
// writes it.
inline bool& use_avx2()
{
#if VOCALITH_KERNELS_AVX2
    static bool s_bAvx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2") != 0);
#else
    static bool s_bAvx2 = false;
#endif
    return s_bAvx2;
}

#if VOCALITH_KERNELS_AVX2
inline bool cpu_has_avx2()
{
    return use_avx2();
}

template <auto pLoop, typename... Args>
VOCALITH_TARGET_AVX2 void run_avx2(Args... args)
{
    pLoop(args...);
}
#endif

template <auto pLoop, typename... Args>
inline void dispatch(Args... args)
{
#if VOCALITH_KERNELS_AVX2
    if (cpu_has_avx2()) {
        run_avx2<pLoop>(args...);
        return;
    }
#endif
    pLoop(args...);
}

}  // namespace detail
}  // namespace veckern

#endif
