// A small LADSPA library whose plugins let the engine tests see when and
// where the engine runs, activates and deactivates them.
#include "probe_plugin.h"

#include <ladspa.h>

namespace {

engine_probe_state g_state = {{0}, {0}, {0}, nullptr, nullptr};

// Port order: input, outputs..., gain.
struct probe {
    LADSPA_Data* pPorts[4];
    unsigned long nOutputs;
};

LADSPA_Handle instantiate_gain(const LADSPA_Descriptor*, unsigned long)
{
    return new probe{{nullptr, nullptr, nullptr, nullptr}, 1};
}

LADSPA_Handle instantiate_split(const LADSPA_Descriptor*, unsigned long)
{
    return new probe{{nullptr, nullptr, nullptr, nullptr}, 2};
}

void connect(LADSPA_Handle h, unsigned long nPort, LADSPA_Data* pData)
{
    static_cast<probe*>(h)->pPorts[nPort] = pData;
}

void activate(LADSPA_Handle) { ++g_state.nActivations; }

void deactivate(LADSPA_Handle) { ++g_state.nDeactivations; }

void run(LADSPA_Handle h, unsigned long nFrames)
{
    ++g_state.nRuns;
    if (g_state.pfnRunHook != nullptr) {
        g_state.pfnRunHook(g_state.pHookArg);
    }
    const probe* p = static_cast<const probe*>(h);
    const LADSPA_Data fGain = *p->pPorts[p->nOutputs + 1];
    for (unsigned long i = 0; i < nFrames; ++i) {
        const LADSPA_Data fIn = p->pPorts[0][i];
        p->pPorts[1][i] = fIn * fGain;
        if (p->nOutputs == 2) {
            p->pPorts[2][i] = -fIn * fGain;
        }
    }
}

void cleanup(LADSPA_Handle h) { delete static_cast<probe*>(h); }

const LADSPA_PortDescriptor c_gainPorts[] = {
    LADSPA_PORT_INPUT | LADSPA_PORT_AUDIO, LADSPA_PORT_OUTPUT | LADSPA_PORT_AUDIO,
    LADSPA_PORT_INPUT | LADSPA_PORT_CONTROL};
const char* const c_gainNames[] = {"Input", "Output", "Gain"};
const LADSPA_PortDescriptor c_splitPorts[] = {
    LADSPA_PORT_INPUT | LADSPA_PORT_AUDIO, LADSPA_PORT_OUTPUT | LADSPA_PORT_AUDIO,
    LADSPA_PORT_OUTPUT | LADSPA_PORT_AUDIO, LADSPA_PORT_INPUT | LADSPA_PORT_CONTROL};
const char* const c_splitNames[] = {"Input", "Output 1", "Output 2", "Gain"};
const LADSPA_PortRangeHint c_hints[] = {
    {0, 0, 0}, {0, 0, 0}, {0, 0, 0},
    {LADSPA_HINT_BOUNDED_BELOW | LADSPA_HINT_BOUNDED_ABOVE | LADSPA_HINT_DEFAULT_1, 0, 10}};
const LADSPA_PortRangeHint c_splitHints[] = {
    {0, 0, 0}, {0, 0, 0}, {0, 0, 0},
    {LADSPA_HINT_BOUNDED_BELOW | LADSPA_HINT_BOUNDED_ABOVE | LADSPA_HINT_DEFAULT_1, 0, 10}};

const LADSPA_Descriptor c_descriptors[] = {
    {c_nProbeGainId, "engine_probe_gain", LADSPA_PROPERTY_HARD_RT_CAPABLE, "Engine probe gain", "vocalith tests",
     "None", 3, c_gainPorts, c_gainNames, c_hints, nullptr, instantiate_gain, connect, activate, run, nullptr,
     nullptr, deactivate, cleanup},
    {c_nProbeSplitId, "engine_probe_split", LADSPA_PROPERTY_HARD_RT_CAPABLE, "Engine probe split",
     "vocalith tests", "None", 4, c_splitPorts, c_splitNames, c_splitHints, nullptr, instantiate_split, connect,
     activate, run, nullptr, nullptr, deactivate, cleanup},
};

}  // namespace

extern "C" {

__attribute__((visibility("default"))) engine_probe_state* engine_probe() { return &g_state; }

__attribute__((visibility("default"))) const LADSPA_Descriptor* ladspa_descriptor(unsigned long nIndex)
{
    return nIndex < 2 ? &c_descriptors[nIndex] : nullptr;
}
}
