/* Shared plumbing of the fixture plugins: a handle that remembers its port
 * connections, its sample rate and whether it is active. */
#ifndef VT_COMMON_H
#define VT_COMMON_H

#include <ladspa.h>
#include <stdlib.h>

#define VT_MAX_PORTS 32

typedef struct {
    LADSPA_Data* ports[VT_MAX_PORTS];
    unsigned long rate;
    int active;
    unsigned long runs; /* since the last activate */
} vt_handle;

static LADSPA_Handle vt_instantiate(const LADSPA_Descriptor* d, unsigned long rate)
{
    vt_handle* h = (vt_handle*)calloc(1, sizeof(vt_handle));
    (void)d;
    if (h != NULL) {
        h->rate = rate;
    }
    return h;
}

static void vt_connect(LADSPA_Handle handle, unsigned long port, LADSPA_Data* data)
{
    if (port < VT_MAX_PORTS) {
        ((vt_handle*)handle)->ports[port] = data;
    }
}

static void vt_activate(LADSPA_Handle handle)
{
    vt_handle* h = (vt_handle*)handle;
    h->active = 1;
    h->runs = 0;
}

static void vt_deactivate(LADSPA_Handle handle)
{
    ((vt_handle*)handle)->active = 0;
}

static void vt_cleanup(LADSPA_Handle handle)
{
    free(handle);
}

/* A descriptor with the common callbacks; run is the plugin's own. */
#define VT_DESCRIPTOR(id, label, name, count, kinds, names, hints, run_fn)                      \
    {                                                                                          \
        (id), (label), LADSPA_PROPERTY_HARD_RT_CAPABLE, (name), "vocalith tests", "None",      \
        (count), (kinds), (names), (hints), NULL, vt_instantiate, vt_connect, vt_activate,     \
        (run_fn), NULL, NULL, vt_deactivate, vt_cleanup                                         \
    }

#define VT_AUDIO_IN (LADSPA_PORT_AUDIO | LADSPA_PORT_INPUT)
#define VT_AUDIO_OUT (LADSPA_PORT_AUDIO | LADSPA_PORT_OUTPUT)
#define VT_CONTROL_IN (LADSPA_PORT_CONTROL | LADSPA_PORT_INPUT)
#define VT_CONTROL_OUT (LADSPA_PORT_CONTROL | LADSPA_PORT_OUTPUT)
#define VT_BOUNDED (LADSPA_HINT_BOUNDED_BELOW | LADSPA_HINT_BOUNDED_ABOVE)

#endif
