/* Built twice: vt_dup_a (VT_DUP_A defined) and vt_dup_b. Both hold id 77201;
 * vt_dup_a also holds id 77202 twice. */
#include "vt_common.h"

static void run_copy(LADSPA_Handle handle, unsigned long n)
{
    vt_handle* h = (vt_handle*)handle;
    unsigned long i;
    for (i = 0; i < n; ++i) {
        h->ports[1][i] = h->ports[0][i];
    }
}

static const LADSPA_PortDescriptor copy_kinds[] = {VT_AUDIO_IN, VT_AUDIO_OUT};
static const char* const copy_names[] = {"Input", "Output"};
static const LADSPA_PortRangeHint no_hints[] = {{0, 0, 0}, {0, 0, 0}};

static const LADSPA_Descriptor descriptors[] = {
#if defined(VT_DUP_A)
    VT_DESCRIPTOR(77201, "vt_dup", "vt dup in a", 2, copy_kinds, copy_names, no_hints, run_copy),
    VT_DESCRIPTOR(77202, "vt_twice", "vt twice first", 2, copy_kinds, copy_names, no_hints, run_copy),
    VT_DESCRIPTOR(77202, "vt_twice", "vt twice second", 2, copy_kinds, copy_names, no_hints, run_copy),
#else
    VT_DESCRIPTOR(77201, "vt_dup", "vt dup in b", 2, copy_kinds, copy_names, no_hints, run_copy),
#endif
};

const LADSPA_Descriptor* ladspa_descriptor(unsigned long index)
{
    return index < sizeof(descriptors) / sizeof(descriptors[0]) ? &descriptors[index] : NULL;
}
