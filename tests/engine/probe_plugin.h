// The probe LADSPA library: a gain (its one control) that counts activations
// and calls a hook at the start of every run, on the running thread. The
// tests reach the copy the registry loaded through engine_probe().
#ifndef VOCALITH_TESTS_ENGINE_PROBE_PLUGIN_H
#define VOCALITH_TESTS_ENGINE_PROBE_PLUGIN_H

#include <atomic>

constexpr unsigned long c_nProbeId = 4901;

struct engine_probe_state {
    std::atomic<int> nActivations;
    void (*pfnRunHook)();
};

#endif
