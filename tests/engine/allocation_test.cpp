// Once built, the engine converts without touching the heap. This program
// replaces malloc and aligned_alloc, in which operator new ends too, and
// counts what the calls under test allocate.
#include "engine_support.h"

namespace {

std::atomic<long> g_nAllocations(0);
thread_local bool t_bCounting = false;

}  // namespace

// Not under the sanitizers, whose allocators these would bypass.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && defined(__GLIBC__)
#define VOCALITH_COUNT_ALLOCATIONS 1
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
static void* counted(void* p)
{
    g_nAllocations += t_bCounting;
    return p;
}
void* malloc(std::size_t nSize) { return counted(__libc_malloc(nSize)); }
void* aligned_alloc(std::size_t nAlign, std::size_t nSize) { return counted(__libc_memalign(nAlign, nSize)); }
}
#endif

namespace {

using namespace engine_test;

TEST_F(engine, converting_allocates_nothing)
{
#ifndef VOCALITH_COUNT_ALLOCATIONS
    GTEST_SKIP() << "allocation functions are not replaced in this build";
#endif
    const std::vector<char> input = noise16(20000, 31, 8000);
    for (auto ids : {std::make_pair(codec::id_pcm_int16le, codec::id_gsm_610),
                     std::make_pair(codec::id_g711_ulaw, codec::id_g711_alaw)}) {
        command_processor engine(registry(), make_preset({{1048, 0.8f}, {c_nProbeId, 1.2f}}));
        auto codec = codec::factory::instance().create_codec(ids.first, ids.second);
        byte_sink sink;
        sink.bytes.reserve(1 << 20);

        const long nBefore = g_nAllocations;
        t_bCounting = true;
        std::size_t nAt = 0;
        for (unsigned int nSize : {1, 7, 333, 1001, 4096, 20000, 999}) {
            engine.process(sink, input.data() + nAt, nSize, codec.get());
            nAt += nSize;
            nSize == 20000 ? engine.suspend() : engine.resume();
        }
        engine.set_plugin_port_value(0, 0, 0.5f);
        engine.process(sink, input.data() + nAt, 1001, codec.get());
        engine.process_tail(sink, codec.get());
        const long nByEngine = g_nAllocations - nBefore;
        int* volatile pKeep = new int[4];  // the counter does see allocations
        t_bCounting = false;
        delete[] pKeep;
        EXPECT_EQ(nByEngine, 0) << "codecs " << ids.first << " to " << ids.second;
        EXPECT_EQ(g_nAllocations - nBefore, 1);
        EXPECT_GT(sink.bytes.size(), 1000u);
    }
}

}  // namespace
