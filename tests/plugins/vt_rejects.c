/* Descriptors the registry must refuse; none of them is registered, so the
 * library is released again. */
#include "vt_common.h"

static void run_nothing(LADSPA_Handle handle, unsigned long n)
{
    (void)handle;
    (void)n;
}

static const LADSPA_PortDescriptor generator_kinds[] = {VT_CONTROL_IN, VT_AUDIO_OUT};
static const char* const generator_names[] = {"Frequency", "Output"};
static const LADSPA_PortDescriptor analyser_kinds[] = {VT_AUDIO_IN, VT_CONTROL_OUT};
static const char* const analyser_names[] = {"Input", "Level"};
static const LADSPA_PortDescriptor copy_kinds[] = {VT_AUDIO_IN, VT_AUDIO_OUT};
static const char* const copy_names[] = {"Input", "Output"};
static const LADSPA_PortRangeHint no_hints[] = {{0, 0, 0}, {0, 0, 0}};

static const LADSPA_Descriptor descriptors[] = {
    /* 77101: a generator, no audio input */
    VT_DESCRIPTOR(77101, "vt_generator", "vt generator", 2, generator_kinds, generator_names, no_hints,
                  run_nothing),
    /* 77102: an analyser, no audio output */
    VT_DESCRIPTOR(77102, "vt_analyser", "vt analyser", 2, analyser_kinds, analyser_names, no_hints,
                  run_nothing),
    /* 77103: no run callback */
    VT_DESCRIPTOR(77103, "vt_no_run", "vt no run", 2, copy_kinds, copy_names, no_hints, NULL),
    /* 77104: no instantiate callback */
    {77104, "vt_no_instantiate", 0, "vt no instantiate", "vocalith tests", "None", 2, copy_kinds, copy_names,
     no_hints, NULL, NULL, vt_connect, NULL, run_nothing, NULL, NULL, NULL, NULL},
};

const LADSPA_Descriptor* ladspa_descriptor(unsigned long index)
{
    return index < sizeof(descriptors) / sizeof(descriptors[0]) ? &descriptors[index] : NULL;
}
