// A host written in C loads the library at run time, as real hosts do, and
// drives all its functions, one thread converting while another switches
// presets. Arguments: the library, a LADSPA directory with the SDK amp, and
// the version the build gave the project.
#define _POSIX_C_SOURCE 200809L
#include <math.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "host_port.h"
#include "vocalith/vocalith.h"

#define EMPTY "<jackrack></jackrack>"
#define AMP(gain) "<jackrack><plugin><id>1048</id><enabled>true</enabled><controlrow><value>" gain \
                  "</value></controlrow></plugin></jackrack>"
#define FUNCTIONS(F) F(init) F(init_string) F(fini) F(convert) F(change_preset) F(change_preset_string) \
                     F(set_preset_property) F(set_property) F(get_property) F(flush) F(set_log_handler) \
                     F(last_error) F(version)
#define DECLARE(name) __typeof__(vocalith_##name)* name;
static struct { FUNCTIONS(DECLARE) } api;

static int g_nFailed = 0;
#define CHECK(cond) ((cond) ? (void)0 : (void)(++g_nFailed, printf("line %d: %s\n", __LINE__, #cond)))

typedef struct { unsigned char bytes[1 << 18]; size_t nSize; } output;

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

// After each call, the thread's last error names the failure, or is "" after
// a success: whatever the log level.
static void check_row(int bResult, const char* pszWanted, int nLine)
{
    const char* pszError = api.last_error();
    if (!bResult || (*pszWanted == '\0' ? *pszError != '\0' : strstr(pszError, pszWanted) == NULL)) {
        ++g_nFailed;
        printf("line %d: result %s, last error \"%s\", wanted \"%s\"\n", nLine, bResult ? "right" : "wrong",
               pszError, pszWanted);
    }
}
#define ROW(result, wanted) check_row(result, wanted, __LINE__)

// A preset longer than a line's room on the stack: its information line is too.
static char s_szLong[6000];

// Errors reach the host as -1 or NULL and as the last error, at log level nLevel.
static void test_errors(void* pHandle, int nLevel)
{
    static output out;
    int nValue = 0;
    out.nSize = 0;
    memset(s_szLong, 'x', sizeof(s_szLong) - 1);
    memcpy(s_szLong, "<jackrack><!--", 14);
    ROW(api.set_property(VOCALITH_PROP_LOG_LEVEL, &nLevel) == 0, "");
    ROW(api.set_property(0, &nValue) == -1, "vocalith_set_property: unknown id=0");
    ROW(api.get_property(VOCALITH_PROP_LOG_LEVEL, &nValue) == -1, "vocalith_get_property");
    ROW(api.set_property(5, &nValue) == -1, "unknown id=5");
    ROW(api.set_property(VOCALITH_PROP_PRESET_DIR, NULL) == -1, "null value");
    ROW(api.set_preset_property(NULL, 0, 0, 1.0f) == -1, "vocalith_set_preset_property: null handle");
    ROW(api.init(1, 8000, "/none/p.xml") == NULL, "vocalith_init exception: ");
    ROW(api.convert(pHandle, collect, &out, VOCALITH_CODEC_ULAW, "x", 1, VOCALITH_CODEC_ULAW) == 0, "");
    ROW(api.init_string(1, 8000, NULL) == NULL, "vocalith_init_string exception: ");
    void* pOther = api.init_string(1, 8000, EMPTY);
    ROW(pOther != NULL, "");
    api.fini(pOther);
    ROW(api.convert(NULL, collect, &out, 5, "x", 1, 5) == -1, "vocalith_convert: null handle");
    ROW(api.convert(pHandle, NULL, &out, 5, "x", 1, 5) == -1, "vocalith_convert: null callback");
    ROW(api.convert(pHandle, collect, &out, VOCALITH_CODEC_ULAW, "x", 1, 7) == -1,
        "vocalith_convert: no codec found for nInCodec=5, nOutCodec=7");
    ROW(api.flush(pHandle, collect, &out) == -1, "vocalith_flush: no codec");
    ROW(api.flush(NULL, collect, &out) == -1, "vocalith_flush: null handle");
    ROW(api.flush(pHandle, NULL, &out) == -1, "vocalith_flush: null callback");
    ROW(api.change_preset(pHandle, "") == -1, "vocalith_change_preset: no preset");
    ROW(api.change_preset_string(pHandle, NULL) == -1, "vocalith_change_preset_string: no preset");
    ROW(api.change_preset(NULL, "x") == -1, "vocalith_change_preset: null handle");
    ROW(api.change_preset(pHandle, "/none/p.xml") == -1, "vocalith_change_preset exception: ");
    ROW(api.change_preset_string(pHandle, "<jackrack>") == -1, "vocalith_change_preset_string exception: ");
    ROW(api.change_preset_string(pHandle, s_szLong) == -1, "vocalith_change_preset_string exception: ");
    ROW(api.set_preset_property(pHandle, 1, 0, 1.0f) == -1, "nPluginIdx=1");
    ROW(api.set_preset_property(pHandle, 0, 1, 1.0f) == -1, "nInPortIdx=1");
    ROW((api.fini(NULL), 1), "");
    ROW(api.convert(pHandle, collect, &out, VOCALITH_CODEC_ULAW, "x", 1, VOCALITH_CODEC_ULAW) == 0, "");
    ROW(api.flush(pHandle, collect, &out) == 0 && out.nSize == 2, "");
}

// Log lines as the handler gets them, each with the newline it lacks.
static struct { char text[1 << 16]; size_t nSize; int nWrong; } s_log;

static void on_log(void* pUser, int nLevel, const char* pszLine)
{
    static const char* const tags[] = {"[ERROR] ", "[WARN ] ", "[NOTE ] ", "[INFO ] ", "[DEBUG] "};
    const size_t nLength = strlen(pszLine);
    s_log.nWrong += pUser != &s_log || nLevel < 1 || nLevel > 5 || strncmp(pszLine, tags[nLevel - 1], 8) != 0 ||
                    (nLength > 0 && pszLine[nLength - 1] == '\n');
    if (s_log.nSize + nLength + 1 < sizeof(s_log.text)) {
        memcpy(s_log.text + s_log.nSize, pszLine, nLength);
        s_log.text[s_log.nSize + nLength] = '\n';
    }
    s_log.nSize += nLength + 1;
}

static size_t read_file(const char* pszName, char* pText, size_t nCapacity)
{
    FILE* pFile = fopen(pszName, "rb");
    size_t nSize = pFile != NULL ? fread(pText, 1, nCapacity - 1, pFile) : 0;
    pText[nSize] = '\0';
    if (pFile != NULL) {
        fclose(pFile);
    }
    return nSize;
}

// What the runtime still buffers goes where it was written before the switch
// (Windows' runtime buffers standard error when it is not a console).
static void redirect_stderr(const char* pszName)
{
    fflush(stderr);
    int nFile = host_open_write(pszName);
    host_dup2(nFile, 2);
    host_close(nFile);
}

// The handler gets the very lines that standard error gets without it, and
// nothing reaches standard error while it is set.
static void test_log(void* pHandle, const char* pszDir)
{
    static char szPlain[1 << 16];
    char szFirst[256], szSecond[256];
    snprintf(szFirst, sizeof(szFirst), "%s/plain.log", pszDir);
    snprintf(szSecond, sizeof(szSecond), "%s/handled.log", pszDir);
    const int nSavedStderr = host_dup(2);
    redirect_stderr(szFirst);
    test_errors(pHandle, 5);
    redirect_stderr(szSecond);
    test_errors(pHandle, 0);
    api.set_log_handler(on_log, &s_log);
    test_errors(pHandle, 5);
    const size_t nHandled = s_log.nSize;
    test_errors(pHandle, 0);
    api.set_log_handler(NULL, NULL);
    test_errors(pHandle, 1);
    api.convert(pHandle, collect, &s_log, VOCALITH_CODEC_ULAW, "x", 1, 7);
    fflush(stderr);
    host_dup2(nSavedStderr, 2);
    host_close(nSavedStderr);

    const size_t nPlain = read_file(szFirst, szPlain, sizeof(szPlain));
    CHECK(nPlain > 1000 && nPlain + 1 < sizeof(szPlain) && strstr(szPlain, "[DEBUG] ") && strstr(szPlain, "[INFO ] ") &&
          strstr(szPlain, s_szLong) != NULL);

    CHECK(nHandled == nPlain && memcmp(szPlain, s_log.text, nPlain) == 0 && s_log.nSize == nHandled);
    CHECK(s_log.nWrong == 0);
    // Back on standard error: only the error lines of the last round.
    const char szLast[] = "[ERROR] vocalith_convert: no codec found for nInCodec=5, nOutCodec=7\n";
    CHECK(read_file(szSecond, szPlain, sizeof(szPlain)) > strlen(szLast) &&
          strstr(szPlain, "[ERROR] vocalith_init exception: ") == szPlain &&
          memcmp(szPlain + strlen(szPlain) - strlen(szLast), szLast, strlen(szLast)) == 0);
    host_unlink(szFirst);
    host_unlink(szSecond);
}

static const unsigned c_nUnitBytes[] = {0, 4, 2, 2, 1, 1, 33}, c_nUnitSamples[] = {0, 1, 1, 1, 1, 1, 160};
static unsigned char s_input[4 * 47722 + 64];

// nUnits coded units of codec nIn, then half a unit, which never decodes.
static size_t make_input(unsigned nIn, size_t nUnits)
{
    for (size_t i = 0; i < nUnits * c_nUnitBytes[nIn]; ++i) {
        s_input[i] = (unsigned char)(i * 37 + (i >> 7));
        s_input[i] = nIn == 6 && i % 33 == 0 ? (unsigned char)(0xD0 | (s_input[i] & 15)) : s_input[i];
    }
    for (size_t i = 0; nIn == 1 && i < nUnits; ++i) {
        const float fSample = 0.5f * sinf(0.05f * (float)i);
        memcpy(s_input + 4 * i, &fSample, 4);
    }
    return nUnits * c_nUnitBytes[nIn] + c_nUnitBytes[nIn] / 2;
}

// One stream in 160-byte packets, ended with a flush.
static void run_stream(void* pHandle, unsigned nIn, unsigned nOut, size_t nBytes, output* pOut)
{
    pOut->nSize = 0;
    for (size_t i = 0; i < nBytes; i += 160) {
        api.convert(pHandle, collect, pOut, nIn, s_input + i, (unsigned)(nBytes - i < 160 ? nBytes - i : 160), nOut);
    }
    CHECK(api.flush(pHandle, collect, pOut) == 0);
}

// Every codec pair: after the flush, as many samples came out as went in (the
// last GSM frame completed), and a second stream gives the bytes of the first.
static void test_flush(void)
{
    static const size_t c_nSizes[] = {1, 159, 160, 161, 47722};
    static output first, second;
    void* pHandle = api.init_string(1, 8000, AMP("0.5"));
    int nLevel = 0;
    api.set_property(VOCALITH_PROP_LOG_LEVEL, &nLevel);
    CHECK(api.flush(pHandle, collect, &first) == -1 && strstr(api.last_error(), "vocalith_flush: no codec") != NULL);
    for (unsigned nIn = 1; nIn <= 6; ++nIn) {
        for (unsigned nOut = 1; nOut <= 6; ++nOut) {
            for (size_t k = 0; k < sizeof(c_nSizes) / sizeof(c_nSizes[0]); ++k) {
                const size_t nUnits = (c_nSizes[k] + c_nUnitSamples[nIn] - 1) / c_nUnitSamples[nIn];
                const size_t nBytes = make_input(nIn, nUnits);
                run_stream(pHandle, nIn, nOut, nBytes, &first);
                run_stream(pHandle, nIn, nOut, nBytes, &second);
                const size_t nSamples = nUnits * c_nUnitSamples[nIn];
                const size_t nOutUnits = (nSamples + c_nUnitSamples[nOut] - 1) / c_nUnitSamples[nOut];
                const size_t nWanted = nOutUnits * c_nUnitBytes[nOut];
                if (first.nSize != nWanted || second.nSize != nWanted || memcmp(first.bytes, second.bytes, nWanted)) {
                    ++g_nFailed;
                    printf("codecs %u to %u, %zu samples: %zu and %zu bytes, wanted %zu twice alike\n", nIn, nOut,
                           nSamples, first.nSize, second.nSize, nWanted);
                }
            }
        }
    }
    api.fini(pHandle);
}

static size_t s_nPackets;  // atomic: converted so far
static int s_bDone;        // atomic: 1 switching done, 2 converting done
static pthread_mutex_t s_logLock = PTHREAD_MUTEX_INITIALIZER;
static size_t s_nBlockEnds, s_nChanges, s_nErrors;  // under s_logLock

static void on_log_locked(void* pUser, int nLevel, const char* pszLine)
{
    pthread_mutex_lock(&s_logLock);
    s_nBlockEnds += pUser == &s_logLock && strncmp(pszLine, "[DEBUG] process: on end", 23) == 0;
    s_nChanges += pUser == &s_logLock && strncmp(pszLine, "[INFO ] vocalith_change_preset_string:", 38) == 0;
    s_nErrors += pUser == &s_logLock && nLevel == 1;
    pthread_mutex_unlock(&s_logLock);
}

// Each switch waits for one more packet, so the two threads really overlap.
// Every tenth switch fails, and so does the last call: errors stay on this
// thread.
static void* control(void* pHandle)
{
    static const char* const presets[] = {AMP("0.5"), EMPTY, AMP("1.0")};
    for (size_t i = 0; i < 300; ++i) {
        while (__atomic_load_n(&s_nPackets, __ATOMIC_ACQUIRE) <= i) {
            host_yield();
        }
        if (i % 10 == 9) {
            CHECK(api.change_preset_string(pHandle, "<jackrack>") == -1 &&
                  strstr(api.last_error(), "vocalith_change_preset_string exception") != NULL);
        }
        api.change_preset_string(pHandle, presets[i % 3]);
        api.set_preset_property(pHandle, 0, 0, (float)(i % 7) * 0.1f);
    }
    __atomic_store_n(&s_bDone, 1, __ATOMIC_RELEASE);
    while (__atomic_load_n(&s_bDone, __ATOMIC_ACQUIRE) != 2) {
        host_yield();
    }
    api.set_preset_property(pHandle, 1, 0, 1.0f);
    return NULL;
}

// One thread converts for as long as another switches presets and sets
// values, both logging every line to a handler that takes a lock.
static void test_two_threads(void)
{
    static output out;
    void* pHandle = api.init_string(1, 8000, AMP("1.0"));
    const short samples[160] = {0};
    int nLevel = 5;
    api.set_log_handler(on_log_locked, &s_logLock);
    api.set_property(VOCALITH_PROP_LOG_LEVEL, &nLevel);
    pthread_t thread;
    pthread_create(&thread, NULL, control, pHandle);
    while (!__atomic_load_n(&s_bDone, __ATOMIC_ACQUIRE)) {
        CHECK(api.convert(pHandle, collect, &out, VOCALITH_CODEC_PCM16LE, samples, sizeof(samples),
                          VOCALITH_CODEC_ULAW) == 0 && *api.last_error() == '\0');
        __atomic_add_fetch(&s_nPackets, 1, __ATOMIC_RELEASE);
    }
    __atomic_store_n(&s_bDone, 2, __ATOMIC_RELEASE);
    pthread_join(thread, NULL);
    CHECK(*api.last_error() == '\0');
    CHECK(api.flush(pHandle, collect, &out) == 0 && out.nSize == s_nPackets * 160);
    nLevel = 1;
    api.set_property(VOCALITH_PROP_LOG_LEVEL, &nLevel);
    api.set_log_handler(NULL, NULL);
    CHECK(s_nBlockEnds == s_nPackets && s_nChanges == 330 && s_nErrors == 30);
    api.fini(pHandle);
}

int main(int argc, char** argv)
{
    void* pLibrary = argc == 4 ? host_load(argv[1]) : NULL;
    // Object pointers to function pointers through memcpy, as POSIX allows.
#define LOAD(name)                                                               \
    void* p_##name = pLibrary ? host_symbol(pLibrary, "vocalith_" #name) : NULL; \
    memcpy(&api.name, &p_##name, sizeof(void*));                       \
    CHECK(p_##name != NULL);
    FUNCTIONS(LOAD)
    if (g_nFailed > 0) {
        return 2;
    }
    char szVersion[32];
    snprintf(szVersion, sizeof(szVersion), "%d.%d.%d", VOCALITH_VERSION_MAJOR, VOCALITH_VERSION_MINOR,
             VOCALITH_VERSION_PATCH);
    CHECK(strcmp(szVersion, argv[3]) == 0 && strcmp(VOCALITH_VERSION, argv[3]) == 0 &&
          strcmp(api.version(), argv[3]) == 0);

    const char* pszTmp = getenv("TMPDIR");
    char szDir[200];
    snprintf(szDir, sizeof szDir, "%s/vocalith_host_XXXXXX", pszTmp != NULL && *pszTmp ? pszTmp : "/tmp");
    CHECK(host_make_dir(szDir) != NULL);
    char szPreset[256];
    snprintf(szPreset, sizeof(szPreset), "%s/quarter.xml", szDir);
    FILE* pPreset = fopen(szPreset, "w");
    fputs(AMP("0.25"), pPreset);
    fclose(pPreset);
    CHECK(api.set_property(VOCALITH_PROP_LADSPA_DIR, argv[2]) == 0);

    void* pHandle = api.init(1, 8000, szPreset);
    CHECK(has_gain(pHandle, 0.25f));
    CHECK(api.set_preset_property(pHandle, 0, 0, 2.0f) == 0 && has_gain(pHandle, 2.0f));
    CHECK(api.change_preset_string(pHandle, AMP("0.5")) == 0 && has_gain(pHandle, 0.5f));
    test_log(pHandle, szDir);
    CHECK(has_gain(pHandle, 0.5f));  // failed changes kept the preset
    CHECK(api.change_preset(pHandle, szPreset) == 0 && has_gain(pHandle, 0.25f));
    api.fini(pHandle);
    host_unlink(szPreset);
    host_rmdir(szDir);
    test_flush();
    test_two_threads();
    return g_nFailed == 0 ? 0 : 1;
}
