// Plugins that break the rules a host may hope for (see ../README.md).
#include <math.h>
#include <string.h>

#include "../vt_common.h"

#define MANY 1000

int hostile_handles_in_use(void) { return vt_live; }

static LADSPA_Handle null_handle(const LADSPA_Descriptor* d, unsigned long rate) { return NULL; }

// Without cleanup a handle can never be given back: those come from a ring.
static LADSPA_Handle ring_handle(const LADSPA_Descriptor* d, unsigned long rate)
{
    static vt_handle s_ring[16];
    static unsigned s_nNext;
    vt_handle* h = memset(&s_ring[s_nNext++ % 16], 0, sizeof(vt_handle));
    h->d = d;
    return h;
}

// No handle while another handle of this library is alive, as a plugin short
// of some resource would.
static LADSPA_Handle single_handle(const LADSPA_Descriptor* d, unsigned long rate)
{
    return vt_live == 0 ? vt_instantiate(d, rate) : NULL;
}

static void run_garbage(LADSPA_Handle handle, unsigned long n)
{
    static const float pattern[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f};
    vt_handle* h = (vt_handle*)handle;
    for (unsigned long i = 0; i < n; ++i) h->ports[1][i] = pattern[h->runs++ % 5];
}

// Output = input times the last of the thousand controls, NaN when any of
// them is not connected; 77508 reads its gain at activation only instead.
static void run_gain(LADSPA_Handle handle, unsigned long n)
{
    vt_handle* h = (vt_handle*)handle;
    float gain = h->cached;
    if (h->d->PortCount > 3) {
        gain = h->ports[MANY + 1] != NULL ? *h->ports[MANY + 1] : NAN;
        for (int c = 0; c < MANY; ++c) gain = h->ports[2 + c] != NULL ? gain : NAN;
    }
    for (unsigned long i = 0; i < n; ++i) h->ports[1][i] = h->ports[0][i] * gain;
}
static void activate_reading(LADSPA_Handle h) { ((vt_handle*)h)->cached = *((vt_handle*)h)->ports[2]; }

static const LADSPA_PortDescriptor kinds[] = {VT_AUDIO_IN, VT_AUDIO_OUT, VT_CONTROL_IN};
static const char* const names[] = {"Input", "Output", "Gain"};
static const char* const no_names[] = {NULL, NULL};
static const LADSPA_PortRangeHint hints[] = {{0, 0, 0}, {0, 0, 0}, {VT_BOUNDED | LADSPA_HINT_DEFAULT_1, 0, 10}};
static LADSPA_PortDescriptor many_kinds[MANY + 2] = {VT_AUDIO_IN, VT_AUDIO_OUT};  // then unnamed, no hints
static const char* const many_names[MANY + 2] = {"Input", "Output"};
static const LADSPA_PortRangeHint many_hints[MANY + 2];

#define HOSTILE(id, name, count, kinds, names, hints, inst, act, run, clean)                            \
    {(id), (name), 0, (name), "vocalith tests", "None", (count), (kinds), (names), (hints), NULL, (inst), \
     vt_connect, (act), (run), NULL, NULL, NULL, (clean)}
#define COPY(id, name, inst, run, clean) HOSTILE(id, name, 2, kinds, names, NULL, inst, NULL, run, clean)

static const LADSPA_Descriptor descriptors[] = {
    COPY(77501, "hostile null instance", null_handle, vt_run, NULL),
    COPY(77502, "hostile no lifecycle", ring_handle, vt_run, NULL),
    COPY(77503, "hostile garbage", vt_instantiate, run_garbage, vt_cleanup),
    HOSTILE(77505, "hostile many controls", MANY + 2, many_kinds, many_names, many_hints, vt_instantiate, NULL,
            run_gain, vt_cleanup),
    HOSTILE(77506, NULL, 2, kinds, no_names, NULL, vt_instantiate, NULL, vt_run, vt_cleanup),
    HOSTILE(77508, "hostile activate only", 3, kinds, names, hints, vt_instantiate, activate_reading, run_gain,
            vt_cleanup),
    COPY(77509, "hostile single instance", single_handle, vt_run, vt_cleanup),
    // Registered once, or not at all.
    COPY(77503, "hostile garbage again", vt_instantiate, run_garbage, vt_cleanup),
    HOSTILE(77504, "hostile no ports", 0, NULL, NULL, NULL, vt_instantiate, NULL, vt_run, vt_cleanup),
    COPY(77511, "hostile no run", vt_instantiate, NULL, vt_cleanup),
};

const LADSPA_Descriptor* ladspa_descriptor(unsigned long index)
{
    for (int c = 0; c < MANY; ++c) many_kinds[2 + c] = VT_CONTROL_IN;
    return index < sizeof(descriptors) / sizeof(descriptors[0]) ? &descriptors[index] : NULL;
}
