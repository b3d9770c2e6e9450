// Shared between the probe LADSPA library and the tests that load it: the
// tests reach the library's state through the exported engine_probe().
#ifndef VOCALITH_TESTS_ENGINE_PROBE_PLUGIN_H
#define VOCALITH_TESTS_ENGINE_PROBE_PLUGIN_H

#include <atomic>

// Unique ids of the probe plugins.
enum : unsigned long {
    c_nProbeGainId = 4901,   // 1 in, 1 out: out = in * Gain
    c_nProbeSplitId = 4902,  // 1 in, 2 outs: out1 = in * Gain, out2 = -in * Gain
};

struct engine_probe_state {
    std::atomic<int> nActivations;
    std::atomic<int> nDeactivations;
    std::atomic<int> nRuns;
    // Called at the start of every run of a probe plugin, on the thread that
    // runs it, with pHookArg.
    void (*pfnRunHook)(void* pArg);
    void* pHookArg;
};

extern "C" engine_probe_state* engine_probe();

#endif
