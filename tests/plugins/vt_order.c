/* Built into two directories with different names (VT_ORDER_NAME) for one
 * id, 77301: which one is registered shows the search order. */
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

static const LADSPA_Descriptor descriptor =
    VT_DESCRIPTOR(77301, "vt_order", VT_ORDER_NAME, 2, copy_kinds, copy_names, no_hints, run_copy);

const LADSPA_Descriptor* ladspa_descriptor(unsigned long index)
{
    return index == 0 ? &descriptor : NULL;
}
