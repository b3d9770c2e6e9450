/* Working fixture plugins in every audio layout the instances adapt. */
#include "vt_common.h"

/* ---- 77001 vt_gain, 1 -> 1: Output = Gain * Input ---------------------- */
/* Runs: runs since activate, -1 while not active; Last: last input sample. */
enum { GAIN_IN, GAIN_GAIN, GAIN_RUNS, GAIN_OUT, GAIN_LAST, GAIN_PORTS };

static void run_gain(LADSPA_Handle handle, unsigned long n)
{
    vt_handle* h = (vt_handle*)handle;
    const LADSPA_Data* in = h->ports[GAIN_IN];
    LADSPA_Data* out = h->ports[GAIN_OUT];
    const LADSPA_Data g = *h->ports[GAIN_GAIN];
    unsigned long i;
    for (i = 0; i < n; ++i) {
        out[i] = g * in[i];
    }
    h->runs++;
    *h->ports[GAIN_RUNS] = h->active ? (LADSPA_Data)h->runs : -1.0f;
    *h->ports[GAIN_LAST] = n > 0 ? in[n - 1] : 0.0f;
}

static const LADSPA_PortDescriptor gain_kinds[] = {VT_AUDIO_IN, VT_CONTROL_IN, VT_CONTROL_OUT, VT_AUDIO_OUT,
                                                   VT_CONTROL_OUT};
static const char* const gain_names[] = {"Input", "Gain", "Runs", "Output", "Last"};
static const LADSPA_PortRangeHint gain_hints[] = {
    {0, 0, 0}, {VT_BOUNDED | LADSPA_HINT_DEFAULT_1, 0, 10}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}};

/* ---- 77002 vt_stereo, 2 -> 2: Out L = Gain * In L, Out R = 2 * Gain * In R */
enum { ST_IN_L, ST_IN_R, ST_OUT_L, ST_OUT_R, ST_GAIN };

static void run_stereo(LADSPA_Handle handle, unsigned long n)
{
    vt_handle* h = (vt_handle*)handle;
    const LADSPA_Data g = *h->ports[ST_GAIN];
    unsigned long i;
    for (i = 0; i < n; ++i) {
        const LADSPA_Data l = h->ports[ST_IN_L][i];
        const LADSPA_Data r = h->ports[ST_IN_R][i];
        h->ports[ST_OUT_L][i] = g * l;
        h->ports[ST_OUT_R][i] = 2.0f * g * r;
    }
}

static const LADSPA_PortDescriptor stereo_kinds[] = {VT_AUDIO_IN, VT_AUDIO_IN, VT_AUDIO_OUT, VT_AUDIO_OUT,
                                                     VT_CONTROL_IN};
static const char* const stereo_names[] = {"In L", "In R", "Out L", "Out R", "Gain"};
static const LADSPA_PortRangeHint stereo_hints[] = {
    {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {VT_BOUNDED | LADSPA_HINT_DEFAULT_1, 0, 10}};

/* ---- 77003 vt_split, 1 -> 2: A = Gain * In, B = 10 * Gain * In ---------- */
enum { SP_IN, SP_OUT_A, SP_OUT_B, SP_GAIN };

static void run_split(LADSPA_Handle handle, unsigned long n)
{
    vt_handle* h = (vt_handle*)handle;
    const LADSPA_Data g = *h->ports[SP_GAIN];
    unsigned long i;
    for (i = 0; i < n; ++i) {
        const LADSPA_Data x = h->ports[SP_IN][i];
        h->ports[SP_OUT_A][i] = g * x;
        h->ports[SP_OUT_B][i] = 10.0f * g * x;
    }
}

static const LADSPA_PortDescriptor split_kinds[] = {VT_AUDIO_IN, VT_AUDIO_OUT, VT_AUDIO_OUT, VT_CONTROL_IN};
static const char* const split_names[] = {"In", "Out A", "Out B", "Gain"};
static const LADSPA_PortRangeHint split_hints[] = {
    {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {VT_BOUNDED | LADSPA_HINT_DEFAULT_1, 0, 10}};

/* ---- 77004 vt_mix, 2 -> 1: Out = A + 10 * B ------------------------------ */
enum { MX_IN_A, MX_IN_B, MX_OUT };

static void run_mix(LADSPA_Handle handle, unsigned long n)
{
    vt_handle* h = (vt_handle*)handle;
    unsigned long i;
    for (i = 0; i < n; ++i) {
        h->ports[MX_OUT][i] = h->ports[MX_IN_A][i] + 10.0f * h->ports[MX_IN_B][i];
    }
}

static const LADSPA_PortDescriptor mix_kinds[] = {VT_AUDIO_IN, VT_AUDIO_IN, VT_AUDIO_OUT};
static const char* const mix_names[] = {"In A", "In B", "Out"};
static const LADSPA_PortRangeHint mix_hints[] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};

/* ---- 77005 vt_hints, 1 -> 1 copy with one control per hint combination --- */
/* Port names say what the default is made of; see README.md. */
#define HINT_PORTS 29

static void run_copy(LADSPA_Handle handle, unsigned long n)
{
    vt_handle* h = (vt_handle*)handle;
    unsigned long i;
    for (i = 0; i < n; ++i) {
        h->ports[1][i] = h->ports[0][i];
    }
}

#define L LADSPA_HINT_LOGARITHMIC
#define SR LADSPA_HINT_SAMPLE_RATE
static const LADSPA_PortDescriptor hints_kinds[] = {
    VT_AUDIO_IN,   VT_AUDIO_OUT,  VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN,
    VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN,
    VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN,
    VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN, VT_CONTROL_IN,
    LADSPA_PORT_CONTROL, /* no direction bits: a control input */
    VT_CONTROL_OUT};
static const char* const hints_names[] = {
    "Input",          "Output",          "none",           "none below",    "none above",
    "none both",      "minimum",         "low",            "middle",        "high",
    "maximum",        "low log",         "middle log",     "high log",      "zero",
    "one",            "hundred",         "440",            "sr maximum",    "sr 440",
    "sr one",         "sr hundred",      "sr low",         "sr middle log", "reserved 0x300",
    "reserved 0x3c0", "integer toggled", "no direction",  "control out"};
static const LADSPA_PortRangeHint hints_hints[] = {
    {0, 0, 0},
    {0, 0, 0},
    {LADSPA_HINT_DEFAULT_NONE, 2, 3},
    {LADSPA_HINT_BOUNDED_BELOW, 2, 3},
    {LADSPA_HINT_BOUNDED_ABOVE, 2, 3},
    {VT_BOUNDED, 2, 3},
    {VT_BOUNDED | LADSPA_HINT_DEFAULT_MINIMUM, 2, 3},
    {VT_BOUNDED | LADSPA_HINT_DEFAULT_LOW, 1, 100},
    {VT_BOUNDED | LADSPA_HINT_DEFAULT_MIDDLE, 1, 100},
    {VT_BOUNDED | LADSPA_HINT_DEFAULT_HIGH, 1, 100},
    {VT_BOUNDED | LADSPA_HINT_DEFAULT_MAXIMUM, 1, 100},
    {VT_BOUNDED | L | LADSPA_HINT_DEFAULT_LOW, 1, 100},
    {VT_BOUNDED | L | LADSPA_HINT_DEFAULT_MIDDLE, 1, 100},
    {VT_BOUNDED | L | LADSPA_HINT_DEFAULT_HIGH, 1, 100},
    {LADSPA_HINT_DEFAULT_0, 2, 3},
    {LADSPA_HINT_DEFAULT_1, 2, 3},
    {LADSPA_HINT_DEFAULT_100, 2, 3},
    {LADSPA_HINT_DEFAULT_440, 2, 3},
    {VT_BOUNDED | SR | LADSPA_HINT_DEFAULT_MAXIMUM, 0, 0.5f},
    {SR | LADSPA_HINT_DEFAULT_440, 0, 0.5f},
    {SR | LADSPA_HINT_DEFAULT_1, 0, 0.5f},
    {SR | LADSPA_HINT_DEFAULT_100, 0, 0.5f},
    {VT_BOUNDED | SR | LADSPA_HINT_DEFAULT_LOW, 0, 0.5f},
    {VT_BOUNDED | SR | L | LADSPA_HINT_DEFAULT_MIDDLE, 0.01f, 0.25f},
    {VT_BOUNDED | 0x300, 2, 3},
    {VT_BOUNDED | 0x3C0, 2, 3},
    {LADSPA_HINT_INTEGER | LADSPA_HINT_TOGGLED | VT_BOUNDED | LADSPA_HINT_DEFAULT_MIDDLE, 0, 1},
    {LADSPA_HINT_DEFAULT_100, 2, 3},
    {0, 0, 0}};
#undef L
#undef SR
#define VT_COUNT(a) (sizeof(a) / sizeof((a)[0]))
typedef char vt_hint_tables_agree[(VT_COUNT(hints_kinds) == HINT_PORTS && VT_COUNT(hints_names) == HINT_PORTS &&
                                   VT_COUNT(hints_hints) == HINT_PORTS)
                                      ? 1
                                      : -1];

/* ---- 77006 vt_picky, 1 -> 1 copy that refuses rates below 16000 Hz ------ */
static LADSPA_Handle instantiate_picky(const LADSPA_Descriptor* d, unsigned long rate)
{
    return rate < 16000 ? NULL : vt_instantiate(d, rate);
}

static const LADSPA_PortDescriptor copy_kinds[] = {VT_AUDIO_IN, VT_AUDIO_OUT};
static const char* const copy_names[] = {"Input", "Output"};
static const LADSPA_PortRangeHint copy_hints[] = {{0, 0, 0}, {0, 0, 0}};

/* ---- 77007: no name, no port names, only the three required callbacks --- */
/* Without cleanup nothing may be allocated: handles come from a ring. */
static vt_handle bare_handles[64];
static unsigned bare_next;

static LADSPA_Handle instantiate_bare(const LADSPA_Descriptor* d, unsigned long rate)
{
    vt_handle* h = &bare_handles[bare_next++ % 64];
    (void)d;
    h->rate = rate;
    return h;
}

static const char* const null_names[] = {NULL, NULL};

static const LADSPA_Descriptor descriptors[] = {
    VT_DESCRIPTOR(77001, "vt_gain", "vt gain", GAIN_PORTS, gain_kinds, gain_names, gain_hints, run_gain),
    VT_DESCRIPTOR(77002, "vt_stereo", "vt stereo", 5, stereo_kinds, stereo_names, stereo_hints, run_stereo),
    VT_DESCRIPTOR(77003, "vt_split", "vt split", 4, split_kinds, split_names, split_hints, run_split),
    VT_DESCRIPTOR(77004, "vt_mix", "vt mix", 3, mix_kinds, mix_names, mix_hints, run_mix),
    VT_DESCRIPTOR(77005, "vt_hints", "vt hints", HINT_PORTS, hints_kinds, hints_names, hints_hints, run_copy),
    {77006, "vt_picky", 0, "vt picky", "vocalith tests", "None", 2, copy_kinds, copy_names, copy_hints, NULL,
     instantiate_picky, vt_connect, vt_activate, run_copy, NULL, NULL, vt_deactivate, vt_cleanup},
    {77007, "vt_bare", 0, NULL, NULL, NULL, 2, copy_kinds, null_names, copy_hints, NULL, instantiate_bare,
     vt_connect, NULL, run_copy, NULL, NULL, NULL, NULL},
};

const LADSPA_Descriptor* ladspa_descriptor(unsigned long index)
{
    return index < sizeof(descriptors) / sizeof(descriptors[0]) ? &descriptors[index] : NULL;
}
