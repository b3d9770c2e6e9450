// A processing thread and a control thread on one engine.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "engine_support.h"
#include "vocalith/app/command_processor.h"

namespace {

using namespace engine_test;
using app::command_processor;

// Holds the first plugin run that reaches it until released.
class run_gate {
public:
    static void hook(void* pArg) { static_cast<run_gate*>(pArg)->enter(); }

    bool wait_entered()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::seconds(10), [this] { return m_bEntered; });
    }

    void release()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bReleased = true;
        m_cv.notify_all();
    }

private:
    void enter()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_bEntered) {
            return;
        }
        m_bEntered = true;
        m_cv.notify_all();
        m_cv.wait(lock, [this] { return m_bReleased; });
    }

    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bEntered = false;
    bool m_bReleased = false;
};

// Installs a run hook in the probe library for the scope's life.
class hook_scope {
public:
    hook_scope(void (*pfnHook)(void*), void* pArg) : m_state(probe())
    {
        m_state.pHookArg = pArg;
        m_state.pfnRunHook = pfnHook;
    }
    ~hook_scope()
    {
        m_state.pfnRunHook = nullptr;
        m_state.pHookArg = nullptr;
    }

private:
    engine_probe_state& m_state;
};

TEST(engine_threads, a_block_running_during_a_change_finishes_with_the_old_preset)
{
    settings_scope settings(1);
    auto codec = make_codec(codec::id_pcm_int16le, codec::id_pcm_int16le);
    const std::vector<std::int16_t> samples = noise16(512, 21, 2000);
    const std::vector<unsigned char> input = to_bytes(samples);

    std::shared_ptr<app::preset> old = make_preset({plugin_xml(c_nProbeGainId, true, {2.0f})});
    const std::weak_ptr<app::preset> oldAlive = old;
    command_processor engine(registry(), std::move(old));
    const int nDeactivations = probe().nDeactivations;

    run_gate gate;
    byte_sink first;
    bool bReleasedInBlock = true;
    {
        hook_scope hook(&run_gate::hook, &gate);
        std::thread processing([&] {
            engine.process(first, input.data(), 512, codec.get());
            bReleasedInBlock = oldAlive.expired();
        });
        ASSERT_TRUE(gate.wait_entered());
        // The lock is not held while plugins run, so this does not wait.
        engine.change(make_preset({plugin_xml(c_nProbeGainId, true, {3.0f})}));
        EXPECT_FALSE(oldAlive.expired());
        EXPECT_EQ(probe().nDeactivations, nDeactivations);
        gate.release();
        processing.join();
    }
    // The processing thread dropped the last reference when its block ended.
    EXPECT_TRUE(bReleasedInBlock);
    EXPECT_EQ(probe().nDeactivations, nDeactivations + 1);

    byte_sink second;
    engine.process(second, input.data() + 512, 512, codec.get());
    const std::vector<std::int16_t> out1 = from_bytes16(first.bytes);
    const std::vector<std::int16_t> out2 = from_bytes16(second.bytes);
    ASSERT_EQ(out1.size(), 256u);
    ASSERT_EQ(out2.size(), 256u);
    for (std::size_t i = 0; i < 256; ++i) {
        EXPECT_EQ(out1[i], samples[i] * 2) << i;
        EXPECT_EQ(out2[i], samples[256 + i] * 3) << i;
    }
}

TEST(engine_threads, converting_while_presets_and_values_change)
{
    settings_scope settings(1);
    auto codec = make_codec(codec::id_pcm_int16le, codec::id_pcm_int16le);
    const std::size_t nCalls = 3000;
    const std::size_t nFrame = 160;
    const std::vector<std::int16_t> samples = noise16(nCalls * nFrame, 22, 8000);
    const std::vector<unsigned char> input = to_bytes(samples);

    // Real SDK amp plus probe; both gains stay within [0.5, 1.5].
    const std::vector<std::string> chains[] = {
        {plugin_xml(1048, true, {1.0f}), plugin_xml(c_nProbeGainId, true, {1.0f})},
        {plugin_xml(c_nProbeGainId, true, {0.5f}), plugin_xml(1048, false, {1.5f})},
        {plugin_xml(1048, true, {1.5f})},
    };
    command_processor engine(registry(), make_preset(chains[0]));

    std::atomic<bool> bDone(false);
    std::size_t nSwitches = 0;
    std::thread control([&] {
        std::uint32_t nState = 5;
        while (!bDone.load() && nSwitches < 2000) {
            engine.change(make_preset(chains[nSwitches % 3]));
            ++nSwitches;
            for (int i = 0; i < 20; ++i) {
                nState = nState * 1664525u + 1013904223u;
                const float fValue = 0.5f + static_cast<float>(nState >> 8) / static_cast<float>(1u << 24);
                engine.set_plugin_port_value(i % 2, 0, fValue);
                engine.set_plugin_port_value(2, 0, fValue);  // never exists
                std::this_thread::yield();
            }
        }
    });

    byte_sink sink;
    std::uint64_t nSamples = 0;
    for (std::size_t n = 0; n < nCalls; ++n) {
        nSamples += engine.process(sink, input.data() + n * nFrame * 2, nFrame * 2, codec.get());
    }
    nSamples += engine.process_tail(sink, codec.get());
    bDone = true;
    control.join();

    EXPECT_GT(nSwitches, 0u);
    EXPECT_EQ(nSamples, samples.size());
    ASSERT_EQ(sink.bytes.size(), input.size());
    const std::vector<std::int16_t> out = from_bytes16(sink.bytes);
    for (std::size_t i = 0; i < out.size(); ++i) {
        ASSERT_LE(std::abs(out[i]), std::abs(samples[i]) * 9 / 4 + 1) << "sample " << i;
    }
}

}  // namespace
