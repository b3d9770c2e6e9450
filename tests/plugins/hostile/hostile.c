/* Plugins that break the rules a host may hope for, each under its own id.
 * Handles come from a fixed pool rather than the heap, so that a plugin
 * without cleanup leaks nothing and a leak report always means the host. */
#include <ladspa.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#define HOSTILE_MANY 1000
#define HOSTILE_POOL 1024
#define HOSTILE_MAX_PORTS (HOSTILE_MANY + 2)

typedef struct {
    int used;
    LADSPA_Data* ports[HOSTILE_MAX_PORTS];
    LADSPA_Data cached; /* what activate read */
    const LADSPA_Descriptor* owner;
    unsigned long phase;
} hostile_handle;

static hostile_handle g_pool[HOSTILE_POOL];

/* Handles in use, so that tests can see that every handle a host got back
 * was cleaned up (for the plugins that have cleanup). */
int hostile_handles_in_use(void);
int hostile_handles_in_use(void)
{
    int n = 0;
    for (int i = 0; i < HOSTILE_POOL; ++i) n += g_pool[i].used;
    return n;
}

static LADSPA_Handle take_handle(const LADSPA_Descriptor* d, unsigned long rate)
{
    (void)d;
    (void)rate;
    for (int i = 0; i < HOSTILE_POOL; ++i) {
        if (!g_pool[i].used) {
            memset(&g_pool[i], 0, sizeof g_pool[i]);
            g_pool[i].used = 1;
            return &g_pool[i];
        }
    }
    return NULL;
}

/* Without cleanup the host can never give a handle back: such handles come
 * from a pool of their own, taken in turn, so the plugin never runs dry. */
static hostile_handle g_lost[HOSTILE_POOL];
static unsigned g_nextLost;

static LADSPA_Handle lost_handle(const LADSPA_Descriptor* d, unsigned long rate)
{
    hostile_handle* h = &g_lost[g_nextLost++ % HOSTILE_POOL];
    (void)d;
    (void)rate;
    memset(h, 0, sizeof *h);
    return h;
}

/* One live handle at most: a second instantiate fails while the first is
 * alive, as a plugin short of some resource would. */
static LADSPA_Handle single_handle(const LADSPA_Descriptor* d, unsigned long rate)
{
    for (int i = 0; i < HOSTILE_POOL; ++i) {
        if (g_pool[i].used && g_pool[i].owner == d) return NULL;
    }
    hostile_handle* h = (hostile_handle*)take_handle(d, rate);
    if (h != NULL) h->owner = d;
    return h;
}

static LADSPA_Handle null_handle(const LADSPA_Descriptor* d, unsigned long rate)
{
    (void)d;
    (void)rate;
    return NULL;
}

static void hostile_connect(LADSPA_Handle h, unsigned long port, LADSPA_Data* data)
{
    if (port < HOSTILE_MAX_PORTS) ((hostile_handle*)h)->ports[port] = data;
}

static void hostile_release(LADSPA_Handle h) { ((hostile_handle*)h)->used = 0; }

static void run_copy(LADSPA_Handle h, unsigned long n)
{
    hostile_handle* p = (hostile_handle*)h;
    memmove(p->ports[1], p->ports[0], n * sizeof(LADSPA_Data));
}

/* NaN, +inf, -inf, then huge values of both signs, over and over. */
static void run_garbage(LADSPA_Handle h, unsigned long n)
{
    hostile_handle* p = (hostile_handle*)h;
    static const float pattern[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f};
    for (unsigned long i = 0; i < n; ++i, ++p->phase) {
        p->ports[1][i] = pattern[p->phase % 5];
    }
}

/* Output = input times the last of the thousand controls; every control
 * port must have been connected. */
static void run_many(LADSPA_Handle h, unsigned long n)
{
    hostile_handle* p = (hostile_handle*)h;
    float gain = 1.0f;
    for (int c = 0; c < HOSTILE_MANY; ++c) {
        if (p->ports[2 + c] == NULL) gain = NAN;
    }
    if (gain == gain) gain = *p->ports[2 + HOSTILE_MANY - 1];
    for (unsigned long i = 0; i < n; ++i) p->ports[1][i] = p->ports[0][i] * gain;
}

/* The gain is read once, when the handle is activated. */
static void activate_reading(LADSPA_Handle h)
{
    hostile_handle* p = (hostile_handle*)h;
    p->cached = *p->ports[2];
}

static void run_cached(LADSPA_Handle h, unsigned long n)
{
    hostile_handle* p = (hostile_handle*)h;
    for (unsigned long i = 0; i < n; ++i) p->ports[1][i] = p->ports[0][i] * p->cached;
}

#define AUDIO_IN (LADSPA_PORT_AUDIO | LADSPA_PORT_INPUT)
#define AUDIO_OUT (LADSPA_PORT_AUDIO | LADSPA_PORT_OUTPUT)
#define CONTROL_IN (LADSPA_PORT_CONTROL | LADSPA_PORT_INPUT)

static const LADSPA_PortDescriptor copy_kinds[] = {AUDIO_IN, AUDIO_OUT};
static const char* const copy_names[] = {"Input", "Output"};
static const LADSPA_PortRangeHint copy_hints[] = {{0, 0, 0}, {0, 0, 0}};

static const LADSPA_PortDescriptor gain_kinds[] = {AUDIO_IN, AUDIO_OUT, CONTROL_IN};
static const char* const gain_names[] = {"Input", "Output", "Gain"};
static const LADSPA_PortRangeHint gain_hints[] = {
    {0, 0, 0}, {0, 0, 0}, {LADSPA_HINT_BOUNDED_BELOW | LADSPA_HINT_BOUNDED_ABOVE | LADSPA_HINT_DEFAULT_1, 0, 10}};

static LADSPA_PortDescriptor many_kinds[HOSTILE_MAX_PORTS];
static char many_name_text[HOSTILE_MANY][8];
static const char* many_names[HOSTILE_MAX_PORTS];
static LADSPA_PortRangeHint many_hints[HOSTILE_MAX_PORTS];

static const char* const no_names[] = {NULL, NULL};

enum {
    d_null_instance,
    d_no_lifecycle,
    d_garbage,
    d_no_ports,
    d_many,
    d_null_name,
    d_null_name_no_audio,
    d_activate_only,
    d_single,
    d_count
};

static LADSPA_Descriptor descriptors[d_count] = {
    {77501, "hostile_null_instance", 0, "hostile null instance", "vocalith tests", "None", 2, copy_kinds,
     copy_names, copy_hints, NULL, null_handle, hostile_connect, NULL, run_copy, NULL, NULL, NULL, NULL},
    {77502, "hostile_no_lifecycle", 0, "hostile no lifecycle", "vocalith tests", "None", 2, copy_kinds,
     copy_names, copy_hints, NULL, lost_handle, hostile_connect, NULL, run_copy, NULL, NULL, NULL, NULL},
    {77503, "hostile_garbage", 0, "hostile garbage", "vocalith tests", "None", 2, copy_kinds, copy_names,
     copy_hints, NULL, take_handle, hostile_connect, NULL, run_garbage, NULL, NULL, NULL, hostile_release},
    {77504, "hostile_no_ports", 0, "hostile no ports", "vocalith tests", "None", 0, NULL, NULL, NULL, NULL,
     take_handle, hostile_connect, NULL, run_copy, NULL, NULL, NULL, hostile_release},
    {77505, "hostile_many_controls", 0, "hostile many controls", "vocalith tests", "None", HOSTILE_MAX_PORTS,
     many_kinds, many_names, many_hints, NULL, take_handle, hostile_connect, NULL, run_many, NULL, NULL, NULL,
     hostile_release},
    {77506, NULL, 0, NULL, NULL, NULL, 2, copy_kinds, no_names, copy_hints, NULL, take_handle, hostile_connect, NULL,
     run_copy, NULL, NULL, NULL, hostile_release},
    {77507, NULL, 0, NULL, NULL, NULL, 1, gain_kinds + 2, no_names, copy_hints, NULL, take_handle, hostile_connect,
     NULL, run_copy, NULL, NULL, NULL, hostile_release},
    {77508, "hostile_activate_only", 0, "hostile activate only", "vocalith tests", "None", 3, gain_kinds,
     gain_names, gain_hints, NULL, take_handle, hostile_connect, activate_reading, run_cached, NULL, NULL, NULL,
     hostile_release},
    {77509, "hostile_single_instance", 0, "hostile single instance", "vocalith tests", "None", 2, copy_kinds,
     copy_names, copy_hints, NULL, single_handle, hostile_connect, NULL, run_copy, NULL, NULL, NULL,
     hostile_release},
};

static void build_many(void)
{
    many_kinds[0] = AUDIO_IN;
    many_kinds[1] = AUDIO_OUT;
    many_names[0] = "Input";
    many_names[1] = "Output";
    for (int c = 0; c < HOSTILE_MANY; ++c) {
        snprintf(many_name_text[c], sizeof many_name_text[c], "c%d", c);
        many_kinds[2 + c] = CONTROL_IN;
        many_names[2 + c] = many_name_text[c];
        many_hints[2 + c].HintDescriptor =
            LADSPA_HINT_BOUNDED_BELOW | LADSPA_HINT_BOUNDED_ABOVE | LADSPA_HINT_DEFAULT_1;
        many_hints[2 + c].LowerBound = 0.0f;
        many_hints[2 + c].UpperBound = 10.0f;
    }
}

const LADSPA_Descriptor* ladspa_descriptor(unsigned long index)
{
    if (many_names[0] == NULL) build_many();
    return index < d_count ? &descriptors[index] : NULL;
}
