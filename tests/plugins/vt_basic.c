// Working fixture plugins in every audio layout the instances adapt (see
// README.md).
#include "vt_common.h"

// 77001 vt_gain: Runs is the number of runs since activate, -1 while not
// active; Last is the last input sample.
static void run_gain(LADSPA_Handle handle, unsigned long n)
{
    vt_handle* h = (vt_handle*)handle;
    vt_run(handle, n);
    *h->ports[2] = h->active ? (LADSPA_Data)h->runs : -1.0f;
    *h->ports[4] = n > 0 ? h->ports[0][n - 1] : 0.0f;
}

#define GAIN_HINT {VT_BOUNDED | LADSPA_HINT_DEFAULT_1, 0, 10}
static const LADSPA_PortDescriptor gain_kinds[] = {VT_AUDIO_IN, VT_CONTROL_IN, VT_CONTROL_OUT, VT_AUDIO_OUT,
                                                   VT_CONTROL_OUT};
static const char* const gain_names[] = {"Input", "Gain", "Runs", "Output", "Last"};
static const LADSPA_PortRangeHint gain_hints[] = {{0, 0, 0}, GAIN_HINT, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}};

static const LADSPA_PortDescriptor stereo_kinds[] = {VT_AUDIO_IN, VT_AUDIO_IN, VT_AUDIO_OUT, VT_AUDIO_OUT,
                                                     VT_CONTROL_IN};
static const char* const stereo_names[] = {"In L", "In R", "Out L", "Out R", "Gain"};
static const LADSPA_PortRangeHint stereo_hints[] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, GAIN_HINT};

static const LADSPA_PortDescriptor split_kinds[] = {VT_AUDIO_IN, VT_AUDIO_OUT, VT_AUDIO_OUT, VT_CONTROL_IN};
static const char* const split_names[] = {"In", "Out A", "Out B", "Gain"};
static const LADSPA_PortRangeHint split_hints[] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, GAIN_HINT};

static const LADSPA_PortDescriptor mix_kinds[] = {VT_AUDIO_IN, VT_AUDIO_IN, VT_AUDIO_OUT};
static const char* const mix_names[] = {"In A", "In B", "Out"};

// 77005 vt_hints: a control input per hint combination, named after it.
#define HINT_PORTS 29
#define L LADSPA_HINT_LOGARITHMIC
#define SR LADSPA_HINT_SAMPLE_RATE
#define CI VT_CONTROL_IN
static const LADSPA_PortDescriptor hints_kinds[HINT_PORTS] = {
    VT_AUDIO_IN, VT_AUDIO_OUT, CI, CI, CI, CI, CI, CI, CI, CI, CI, CI, CI, CI, CI, CI, CI, CI, CI, CI, CI, CI,
    CI, CI, CI, CI, CI, LADSPA_PORT_CONTROL /* no direction bits: a control input */, VT_CONTROL_OUT};
static const char* const hints_names[HINT_PORTS] = {
    "Input",          "Output",          "none",           "none below",    "none above",
    "none both",      "minimum",         "low",            "middle",        "high",
    "maximum",        "low log",         "middle log",     "high log",      "zero",
    "one",            "hundred",         "440",            "sr maximum",    "sr 440",
    "sr one",         "sr hundred",      "sr low",         "sr middle log", "reserved 0x300",
    "reserved 0x3c0", "integer toggled", "no direction",  "control out"};
static const LADSPA_PortRangeHint hints_hints[HINT_PORTS] = {
    {0, 0, 0}, {0, 0, 0},
    {LADSPA_HINT_DEFAULT_NONE, 2, 3}, {LADSPA_HINT_BOUNDED_BELOW, 2, 3},
    {LADSPA_HINT_BOUNDED_ABOVE, 2, 3}, {VT_BOUNDED, 2, 3},
    {VT_BOUNDED | LADSPA_HINT_DEFAULT_MINIMUM, 2, 3}, {VT_BOUNDED | LADSPA_HINT_DEFAULT_LOW, 1, 100},
    {VT_BOUNDED | LADSPA_HINT_DEFAULT_MIDDLE, 1, 100}, {VT_BOUNDED | LADSPA_HINT_DEFAULT_HIGH, 1, 100},
    {VT_BOUNDED | LADSPA_HINT_DEFAULT_MAXIMUM, 1, 100}, {VT_BOUNDED | L | LADSPA_HINT_DEFAULT_LOW, 1, 100},
    {VT_BOUNDED | L | LADSPA_HINT_DEFAULT_MIDDLE, 1, 100}, {VT_BOUNDED | L | LADSPA_HINT_DEFAULT_HIGH, 1, 100},
    {LADSPA_HINT_DEFAULT_0, 2, 3}, {LADSPA_HINT_DEFAULT_1, 2, 3},
    {LADSPA_HINT_DEFAULT_100, 2, 3}, {LADSPA_HINT_DEFAULT_440, 2, 3},
    {VT_BOUNDED | SR | LADSPA_HINT_DEFAULT_MAXIMUM, 0, 0.5f}, {SR | LADSPA_HINT_DEFAULT_440, 0, 0.5f},
    {SR | LADSPA_HINT_DEFAULT_1, 0, 0.5f}, {SR | LADSPA_HINT_DEFAULT_100, 0, 0.5f},
    {VT_BOUNDED | SR | LADSPA_HINT_DEFAULT_LOW, 0, 0.5f},
    {VT_BOUNDED | SR | L | LADSPA_HINT_DEFAULT_MIDDLE, 0.01f, 0.25f},
    {VT_BOUNDED | 0x300, 2, 3}, {VT_BOUNDED | 0x3C0, 2, 3},
    {LADSPA_HINT_INTEGER | LADSPA_HINT_TOGGLED | VT_BOUNDED | LADSPA_HINT_DEFAULT_MIDDLE, 0, 1},
    {LADSPA_HINT_DEFAULT_100, 2, 3}, {0, 0, 0}};

static const LADSPA_Descriptor descriptors[] = {
    VT_DESCRIPTOR(77001, "vt_gain", "vt gain", 5, gain_kinds, gain_names, gain_hints, run_gain),
    VT_DESCRIPTOR(77002, "vt_stereo", "vt stereo", 5, stereo_kinds, stereo_names, stereo_hints,
                  vt_run),
    VT_DESCRIPTOR(77003, "vt_split", "vt split", 4, split_kinds, split_names, split_hints, vt_run),
    VT_DESCRIPTOR(77004, "vt_mix", "vt mix", 3, mix_kinds, mix_names, NULL, vt_run),
    VT_DESCRIPTOR(77005, "vt_hints", "vt hints", HINT_PORTS, hints_kinds, hints_names, hints_hints,
                  vt_run),
};

const LADSPA_Descriptor* ladspa_descriptor(unsigned long index)
{
    return index < sizeof(descriptors) / sizeof(descriptors[0]) ? &descriptors[index] : NULL;
}
