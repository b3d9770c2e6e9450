#include <ladspa.h>

#include "probe_plugin.h"

namespace {

engine_probe_state g_state = {{0}, nullptr};

// The handle is the table of port pointers: input, output, gain.
LADSPA_Handle instantiate(const LADSPA_Descriptor*, unsigned long) { return new LADSPA_Data*[3](); }
void connect(LADSPA_Handle h, unsigned long nPort, LADSPA_Data* p) { static_cast<LADSPA_Data**>(h)[nPort] = p; }
void activate(LADSPA_Handle) { ++g_state.nActivations; }
void cleanup(LADSPA_Handle h) { delete[] static_cast<LADSPA_Data**>(h); }

void run(LADSPA_Handle h, unsigned long nFrames)
{
    if (g_state.pfnRunHook != nullptr) {
        g_state.pfnRunHook();
    }
    LADSPA_Data* const* pPorts = static_cast<LADSPA_Data**>(h);
    for (unsigned long i = 0; i < nFrames; ++i) {
        pPorts[1][i] = pPorts[0][i] * *pPorts[2];
    }
}

const LADSPA_PortDescriptor c_ports[] = {LADSPA_PORT_INPUT | LADSPA_PORT_AUDIO, LADSPA_PORT_OUTPUT | LADSPA_PORT_AUDIO,
                                         LADSPA_PORT_INPUT | LADSPA_PORT_CONTROL};
const char* const c_names[] = {"Input", "Output", "Gain"};
const LADSPA_PortRangeHint c_hints[3] = {};
const LADSPA_Descriptor c_descriptor = {c_nProbeId, "engine_probe", 0, "Engine probe", "vocalith tests", "None", 3,
                                        c_ports, c_names, c_hints, nullptr, instantiate, connect, activate, run,
                                        nullptr, nullptr, nullptr, cleanup};

}  // namespace

extern "C" __attribute__((visibility("default"))) engine_probe_state* engine_probe() { return &g_state; }

extern "C" __attribute__((visibility("default"))) const LADSPA_Descriptor* ladspa_descriptor(unsigned long nIndex)
{
    return nIndex == 0 ? &c_descriptor : nullptr;
}
