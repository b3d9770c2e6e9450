// A host written in C loads the library with dlopen, as real hosts do, and
// drives all nine functions, one thread converting while another switches
// presets. Arguments: the library, and a LADSPA directory with the SDK amp.
#define _POSIX_C_SOURCE 200809L
#include <dlfcn.h>
#include <math.h>
#include <pthread.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "vocalith/vocalith.h"

#define EMPTY "<jackrack></jackrack>"
#define AMP(gain) "<jackrack><plugin><id>1048</id><enabled>true</enabled><controlrow><value>" gain \
                  "</value></controlrow></plugin></jackrack>"
#define FUNCTIONS(F) F(init) F(init_string) F(fini) F(convert) F(change_preset) F(change_preset_string) \
                     F(set_preset_property) F(set_property) F(get_property)
#define DECLARE(name) __typeof__(vocalith_##name)* name;
static struct { FUNCTIONS(DECLARE) } api;

static int g_nFailed = 0;
#define CHECK(cond) ((cond) ? (void)0 : (void)(++g_nFailed, printf("line %d: %s\n", __LINE__, #cond)))

typedef struct { unsigned char bytes[1 << 16]; size_t nSize; } output;

static int collect(void* pUser, const void* pData, unsigned int nSize)
{
    output* pOut = pUser;
    if (pOut->nSize + nSize <= sizeof(pOut->bytes)) {
        memcpy(pOut->bytes + pOut->nSize, pData, nSize);
    }
    pOut->nSize += nSize;
    return 0;
}

// 16-bit samples through pHandle: no output until a whole filter block is
// there, then each sample times fGain (give or take one).
static int has_gain(void* pHandle, float fGain)
{
    static output out;
    short samples[256];
    for (int i = 0; i < 256; ++i) {
        samples[i] = (short)((i * 397) % 8000 - 4000);
    }
    out.nSize = 0;
    api.convert(pHandle, collect, &out, VOCALITH_CODEC_PCM16LE, samples, 200, VOCALITH_CODEC_PCM16LE);
    int nWrong = out.nSize != 0;
    api.convert(pHandle, collect, &out, VOCALITH_CODEC_PCM16LE, samples + 100, 312, VOCALITH_CODEC_PCM16LE);
    for (int i = 0; i < 256; ++i) {
        nWrong += out.nSize != 512 || fabsf(((const short*)out.bytes)[i] - samples[i] * fGain) > 1.0f;
    }
    return nWrong == 0;
}

// Errors reach the host as -1 or NULL (their log lines are checked elsewhere).
static void test_errors(void* pHandle)
{
    static output out;
    int nValue = 0;
    CHECK(api.set_property(VOCALITH_PROP_LOG_LEVEL, &nValue) == 0 && api.set_property(0, &nValue) == -1);
    CHECK(api.get_property(VOCALITH_PROP_LOG_LEVEL, &nValue) == -1 && api.set_property(5, &nValue) == -1);
    CHECK(api.set_property(VOCALITH_PROP_PRESET_DIR, NULL) == -1 && api.set_preset_property(NULL, 0, 0, 1.0f) == -1);
    CHECK(api.init(1, 8000, "/none/p.xml") == NULL && api.init_string(1, 8000, NULL) == NULL);
    CHECK(api.convert(NULL, collect, &out, 5, "x", 1, 5) == -1 && api.convert(pHandle, NULL, &out, 5, "x", 1, 5) == -1);
    CHECK(api.convert(pHandle, collect, &out, VOCALITH_CODEC_ULAW, "x", 1, 7) == -1);
    CHECK(api.change_preset(pHandle, "") == -1 && api.change_preset(pHandle, NULL) == -1);
    CHECK(api.change_preset(NULL, "x") == -1 && api.change_preset(pHandle, "/none/p.xml") == -1);
    CHECK(api.change_preset_string(pHandle, "<jackrack>") == -1);
    CHECK(api.set_preset_property(pHandle, 1, 0, 1.0f) == -1 && api.set_preset_property(pHandle, 0, 1, 1.0f) == -1);
    api.fini(NULL);
    CHECK(out.nSize == 0);
}

static size_t s_nPackets;  // atomic: converted so far
static int s_bDone;        // atomic

// Each switch waits for one more packet, so the two threads really overlap.
static void* control(void* pHandle)
{
    static const char* const presets[] = {AMP("0.5"), EMPTY, AMP("1.0")};
    for (size_t i = 0; i < 300; ++i) {
        while (__atomic_load_n(&s_nPackets, __ATOMIC_ACQUIRE) <= i) {
            sched_yield();
        }
        api.change_preset_string(pHandle, presets[i % 3]);
        api.set_preset_property(pHandle, 0, 0, (float)(i % 7) * 0.1f);
    }
    __atomic_store_n(&s_bDone, 1, __ATOMIC_RELEASE);
    return NULL;
}

// One thread converts for as long as another switches presets and sets values.
static void test_two_threads(void)
{
    static output out;
    void* pHandle = api.init_string(1, 8000, AMP("1.0"));
    const short samples[160] = {0};
    pthread_t thread;
    pthread_create(&thread, NULL, control, pHandle);
    while (!__atomic_load_n(&s_bDone, __ATOMIC_ACQUIRE)) {
        CHECK(api.convert(pHandle, collect, &out, VOCALITH_CODEC_PCM16LE, samples, sizeof(samples),
                          VOCALITH_CODEC_ULAW) == 0);
        __atomic_add_fetch(&s_nPackets, 1, __ATOMIC_RELEASE);
    }
    pthread_join(thread, NULL);
    CHECK(out.nSize == s_nPackets * 160 / 256 * 256);
    api.fini(pHandle);
}

int main(int argc, char** argv)
{
    void* pLibrary = argc == 3 ? dlopen(argv[1], RTLD_NOW | RTLD_LOCAL) : NULL;
    // Object pointers to function pointers through memcpy, as POSIX allows.
#define LOAD(name)                                                     \
    void* p_##name = pLibrary ? dlsym(pLibrary, "vocalith_" #name) : NULL; \
    memcpy(&api.name, &p_##name, sizeof(void*));                       \
    CHECK(p_##name != NULL);
    FUNCTIONS(LOAD)
    if (g_nFailed > 0) {
        return 2;
    }
    char szPreset[] = "/tmp/vocalith_host_XXXXXX";
    FILE* pPreset = fdopen(mkstemp(szPreset), "w");
    fputs(AMP("0.25"), pPreset);
    fclose(pPreset);
    CHECK(api.set_property(VOCALITH_PROP_LADSPA_DIR, argv[2]) == 0);

    void* pHandle = api.init(1, 8000, szPreset);
    CHECK(has_gain(pHandle, 0.25f));
    CHECK(api.set_preset_property(pHandle, 0, 0, 2.0f) == 0 && has_gain(pHandle, 2.0f));
    CHECK(api.change_preset_string(pHandle, AMP("0.5")) == 0 && has_gain(pHandle, 0.5f));
    test_errors(pHandle);
    CHECK(has_gain(pHandle, 0.5f));  // failed changes kept the preset
    CHECK(api.change_preset(pHandle, szPreset) == 0 && has_gain(pHandle, 0.25f));
    api.fini(pHandle);
    unlink(szPreset);
    test_two_threads();
    return g_nFailed == 0 ? 0 : 1;
}
