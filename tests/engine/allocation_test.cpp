// Once built, the engine converts without touching the heap. This program
// replaces the global allocation functions to count what the calls under
// test allocate; it is a program of its own so no other suite runs with them.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <new>

#include "engine_support.h"
#include "vocalith/app/command_processor.h"

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && defined(__GLIBC__)
#define VOCALITH_COUNT_ALLOCATIONS 1
#endif

namespace {

std::atomic<long> g_nAllocations(0);
thread_local bool t_bCounting = false;

[[maybe_unused]] void note_allocation()
{
    if (t_bCounting) {
        ++g_nAllocations;
    }
}

class counting_scope {
public:
    counting_scope() { t_bCounting = true; }
    ~counting_scope() { t_bCounting = false; }
};

}  // namespace

#ifdef VOCALITH_COUNT_ALLOCATIONS
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t nSize)
{
    note_allocation();
    return __libc_malloc(nSize);
}
void* calloc(std::size_t nCount, std::size_t nSize)
{
    note_allocation();
    return __libc_calloc(nCount, nSize);
}
void* realloc(void* p, std::size_t nSize)
{
    note_allocation();
    return __libc_realloc(p, nSize);
}
void* aligned_alloc(std::size_t nAlign, std::size_t nSize)
{
    note_allocation();
    return __libc_memalign(nAlign, nSize);
}
int posix_memalign(void** pp, std::size_t nAlign, std::size_t nSize)
{
    note_allocation();
    *pp = __libc_memalign(nAlign, nSize);
    return *pp != nullptr ? 0 : ENOMEM;
}
void free(void* p) { __libc_free(p); }
}
#endif

// Every form of operator new ends in malloc above; these make sure none
// slips past it.
void* operator new(std::size_t nSize)
{
    void* p = std::malloc(nSize != 0 ? nSize : 1);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}
void* operator new[](std::size_t nSize) { return operator new(nSize); }
void* operator new(std::size_t nSize, const std::nothrow_t&) noexcept { return std::malloc(nSize != 0 ? nSize : 1); }
void* operator new[](std::size_t nSize, const std::nothrow_t&) noexcept
{
    return std::malloc(nSize != 0 ? nSize : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace engine_test;
using app::command_processor;

// Counts bytes only: its own bookkeeping must not allocate.
class counting_sink : public app::data_sink {
public:
    void write(const void*, unsigned int nSize) override { nBytes += nSize; }
    std::size_t nBytes = 0;
};

void* volatile g_pKeep = nullptr;

TEST(engine_allocation, the_counter_sees_allocations)
{
#ifndef VOCALITH_COUNT_ALLOCATIONS
    GTEST_SKIP() << "allocation functions are not replaced in this build";
#endif
    const long nBefore = g_nAllocations;
    {
        counting_scope counting;
        g_pKeep = new int[17];
        delete[] static_cast<int*>(g_pKeep);
        g_pKeep = std::malloc(33);
        std::free(g_pKeep);
    }
    EXPECT_EQ(g_nAllocations - nBefore, 2);
}

struct codec_case {
    codec::id nIn;
    codec::id nOut;
    std::uint32_t nChannels;
};

class engine_allocation : public ::testing::TestWithParam<codec_case> {};

TEST_P(engine_allocation, converting_allocates_nothing)
{
#ifndef VOCALITH_COUNT_ALLOCATIONS
    GTEST_SKIP() << "allocation functions are not replaced in this build";
#endif
    const codec_case param = GetParam();
    settings_scope settings(param.nChannels);
    // A real chain: the SDK amp, a probe, and a 1-in/2-out probe whose
    // extra channel the engine drops (mono) or averages (stereo).
    command_processor engine(registry(), make_preset({plugin_xml(1048, true, {0.8f}),
                                                      plugin_xml(c_nProbeGainId, true, {1.2f}),
                                                      plugin_xml(c_nProbeSplitId, true, {0.9f})}));
    auto codec = make_codec(param.nIn, param.nOut);
    const std::vector<unsigned char> input = to_bytes(noise16(40000, 31, 8000));
    engine.detect_dtmf(nullptr);
    counting_sink sink;

    const long nBefore = g_nAllocations;
    std::size_t nAt = 0;
    {
        counting_scope counting;
        for (std::size_t nSize : {1, 7, 333, 1001, 4096, 20000}) {
            engine.process(sink, input.data() + nAt, static_cast<unsigned int>(nSize), codec.get());
            nAt += nSize;
        }
        engine.suspend();
        engine.process(sink, input.data() + nAt, 999, codec.get());
        engine.resume();
        engine.process(sink, input.data() + nAt + 999, 1001, codec.get());
        engine.set_plugin_port_value(0, 0, 0.5f);
        engine.process_tail(sink, codec.get());
    }
    EXPECT_EQ(g_nAllocations - nBefore, 0);
    EXPECT_GT(sink.nBytes, 0u);
}

INSTANTIATE_TEST_SUITE_P(engine, engine_allocation,
                         ::testing::Values(codec_case{codec::id_pcm_int16le, codec::id_pcm_int16le, 1},
                                           codec_case{codec::id_pcm_int16le, codec::id_gsm_610, 1},
                                           codec_case{codec::id_g711_ulaw, codec::id_g711_alaw, 1},
                                           codec_case{codec::id_pcm_float32, codec::id_pcm_int16be, 2}));

}  // namespace
