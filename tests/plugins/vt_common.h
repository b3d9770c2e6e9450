// Shared plumbing of the fixture plugins: a handle that remembers its port
// connections and whether it is active, a count of the handles alive, and a
// run that mixes the audio inputs into the outputs.
#ifndef VT_COMMON_H
#define VT_COMMON_H

#include <ladspa.h>
#include <stdlib.h>
#include <string.h>

#define VT_AUDIO_IN (LADSPA_PORT_AUDIO | LADSPA_PORT_INPUT)
#define VT_AUDIO_OUT (LADSPA_PORT_AUDIO | LADSPA_PORT_OUTPUT)
#define VT_CONTROL_IN (LADSPA_PORT_CONTROL | LADSPA_PORT_INPUT)
#define VT_CONTROL_OUT (LADSPA_PORT_CONTROL | LADSPA_PORT_OUTPUT)
#define VT_BOUNDED (LADSPA_HINT_BOUNDED_BELOW | LADSPA_HINT_BOUNDED_ABOVE)

typedef struct {
    LADSPA_Data* ports[1002];
    const LADSPA_Descriptor* d;
    int active;
    unsigned long runs;  // since the last activate
    LADSPA_Data cached;  // a control value read at activation
} vt_handle;

static int vt_live;  // handles instantiated and not cleaned up

static inline LADSPA_Handle vt_instantiate(const LADSPA_Descriptor* d, unsigned long rate)
{
    vt_handle* h = (vt_handle*)calloc(1, sizeof(vt_handle));
    /* Converters on several threads make and free handles at once. */
    if (h != NULL) __atomic_add_fetch(&vt_live, 1, __ATOMIC_RELAXED);
    if (h != NULL) h->d = d;
    return h;
}
static inline void vt_connect(LADSPA_Handle h, unsigned long port, LADSPA_Data* p) { ((vt_handle*)h)->ports[port] = p; }
static inline void vt_activate(LADSPA_Handle h) { ((vt_handle*)h)->active = 1, ((vt_handle*)h)->runs = 0; }
static inline void vt_deactivate(LADSPA_Handle h) { ((vt_handle*)h)->active = 0; }
static inline void vt_cleanup(LADSPA_Handle h)
{
    __atomic_sub_fetch(&vt_live, 1, __ATOMIC_RELAXED);
    free(h);
}

// Audio output o (in port order) = (o + 1) * Gain * (input 0 + 10 * input 1),
// Gain being the control input named so, or 1.
static inline void vt_run(LADSPA_Handle handle, unsigned long n)
{
    vt_handle* h = (vt_handle*)handle;
    LADSPA_Data *audio[2][2] = {{NULL, NULL}, {NULL, NULL}}, g = 1.0f;
    unsigned long count[2] = {0, 0};
    for (unsigned long p = 0; p < h->d->PortCount; ++p) {
        const LADSPA_PortDescriptor k = h->d->PortDescriptors[p];
        const int bOut = LADSPA_IS_PORT_OUTPUT(k) != 0;
        const char* pName = h->d->PortNames[p] != NULL ? h->d->PortNames[p] : "";
        if (LADSPA_IS_PORT_AUDIO(k)) audio[bOut][count[bOut]++] = h->ports[p];
        if (LADSPA_IS_PORT_CONTROL(k) && !bOut && strcmp(pName, "Gain") == 0) g = *h->ports[p];
    }
    for (unsigned long t = 0; t < n; ++t) {
        const LADSPA_Data x = audio[0][0][t] + (audio[0][1] != NULL ? 10.0f * audio[0][1][t] : 0.0f);
        for (unsigned long o = 0; o < count[1]; ++o) audio[1][o][t] = (LADSPA_Data)(o + 1) * g * x;
    }
    h->runs++;
}

#define VT_DESCRIPTOR(id, label, name, count, kinds, names, hints, run_fn)                         \
    {(id), (label), LADSPA_PROPERTY_HARD_RT_CAPABLE, (name), "vocalith tests", "None", (count), (kinds), \
     (names), (hints), NULL, vt_instantiate, vt_connect, vt_activate, (run_fn), NULL, NULL,              \
     vt_deactivate, vt_cleanup}

#endif
