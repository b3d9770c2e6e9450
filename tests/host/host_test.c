/* A host written in C drives all nine exported functions of the library,
 * loaded with dlopen as a real host loads it. */
#define _POSIX_C_SOURCE 200809L
#include <math.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "host.h"

#define TWO_PI 6.283185307179586

#define EMPTY_PRESET "<jackrack></jackrack>"
#define AMP_PRESET(gain)                                                                   \
    "<jackrack><plugin><id>1048</id><enabled>true</enabled><controlrow><value>" gain       \
    "</value></controlrow></plugin></jackrack>"

static const unsigned int c_ids[] = {1, 2, 3, 4, 5, 6};
static const char* const c_names[] = {"none", "float32", "pcm16be", "pcm16le", "alaw", "ulaw", "gsm"};

static size_t bytes_for(unsigned int nCodec, size_t nFrames, unsigned int nChannels)
{
    switch (nCodec) {
    case 1: return nFrames * nChannels * 4;
    case 2:
    case 3: return nFrames * nChannels * 2;
    case 4:
    case 5: return nFrames;
    default: return nFrames / 160 * 33;
    }
}

/* Interleaved test signal: a sine per channel, 0.5 of full scale. */
static float* make_signal(size_t nFrames, unsigned int nChannels)
{
    float* pSignal = malloc(nFrames * nChannels * sizeof(float));
    for (size_t i = 0; i < nFrames; ++i) {
        for (unsigned int c = 0; c < nChannels; ++c) {
            pSignal[i * nChannels + c] = 0.5f * (float)sin(TWO_PI * (440.0 + 250.0 * c) * (double)i / 8000.0);
        }
    }
    return pSignal;
}

/* Converts through a fresh converter with an empty preset. */
static void recode(unsigned int nChannels, unsigned int nIn, const void* pData, size_t nSize,
                   unsigned int nOut, collector* pOut)
{
    void* pHandle = api.init_string(nChannels, 8000, EMPTY_PRESET);
    CHECK(pHandle != NULL);
    collector_reset(pOut);
    CHECK_EQ_INT(0, api.convert(pHandle, collect, pOut, nIn, pData, (unsigned int)nSize, nOut));
    api.fini(pHandle);
}

static double snr_db(const float* pReference, const float* pTest, size_t nCount, unsigned int nStride)
{
    double fSignal = 0.0, fNoise = 0.0;
    for (size_t i = 0; i < nCount; ++i) {
        double fDiff = (double)pTest[i * nStride] - (double)pReference[i * nStride];
        fSignal += (double)pReference[i * nStride] * pReference[i * nStride];
        fNoise += fDiff * fDiff;
    }
    return fNoise == 0.0 ? 200.0 : 10.0 * log10(fSignal / fNoise);
}

static void test_properties(void)
{
    int nValue = 5;
    CHECK_EQ_INT(-1, api.get_property(VOCALITH_PROP_LOG_LEVEL, &nValue));
    CHECK_EQ_INT(-1, api.set_property(0, &nValue));
    CHECK_EQ_INT(-1, api.set_property(5, &nValue));
    CHECK_EQ_INT(-1, api.set_property(VOCALITH_PROP_PRESET_DIR, NULL));
    CHECK_EQ_INT(0, api.set_property(VOCALITH_PROP_PRESET_DIR, ""));
}

static void test_init_and_fini_lines(void)
{
    char* pszLog;
    set_log_level(4);
    capture_begin();
    void* pHandle = api.init_string(1, 8000, EMPTY_PRESET);
    api.fini(pHandle);
    api.fini(NULL);
    pszLog = capture_end();
    CHECK(pHandle != NULL);
    CHECK_EQ_STR("[INFO ] vocalith_init_string: nChannelCount=1, nSampleRate=8000, XML:\n" EMPTY_PRESET "\n"
                 "[INFO ] vocalith_fini\n[INFO ] vocalith_fini\n", pszLog);
    free(pszLog);

    /* A file that is not XML: null, one error line naming the loader's message. */
    capture_begin();
    pHandle = api.init(2, 16000, "/nonexistent/preset.xml");
    pszLog = capture_end();
    CHECK(pHandle == NULL);
    const char* pszExpected = "[INFO ] vocalith_init: nChannelCount=2, nSampleRate=16000, file=/nonexistent/preset.xml\n"
                              "[ERROR] vocalith_init exception: ";
    CHECK(strncmp(pszLog, pszExpected, strlen(pszExpected)) == 0);
    CHECK(strstr(pszLog, "Unable to parse preset XML file '/nonexistent/preset.xml'") != NULL);
    free(pszLog);

    /* At level 3 the information lines go, the error line stays. */
    set_log_level(3);
    capture_begin();
    pHandle = api.init_string(1, 8000, "<jackrack>");
    CHECK(pHandle == NULL);
    pHandle = api.init(1, 8000, NULL);
    CHECK(pHandle == NULL);
    pHandle = api.init_string(1, 8000, NULL);
    CHECK(pHandle == NULL);
    pszLog = capture_end();
    CHECK(strncmp(pszLog, "[ERROR] vocalith_init_string exception: ", 40) == 0);
    CHECK(strstr(pszLog, "Unable to parse preset XML from memory\n[ERROR] vocalith_init exception: ") != NULL);
    CHECK(strstr(pszLog, "null") != NULL);
    free(pszLog);

    /* Level 0: nothing at all. */
    set_log_level(0);
    capture_begin();
    CHECK(api.init(1, 8000, "/nonexistent/preset.xml") == NULL);
    pszLog = capture_end();
    CHECK_EQ_STR("", pszLog);
    free(pszLog);
    set_log_level(2);
}

static void test_convert_arguments(void)
{
    collector out;
    collector_init(&out);
    void* pHandle = api.init_string(1, 8000, EMPTY_PRESET);
    unsigned char bytes[16] = {0};

    CHECK_EQ_INT(-1, api.convert(NULL, collect, &out, 5, bytes, 16, 5));
    CHECK_EQ_INT(-1, api.convert(pHandle, NULL, &out, 5, bytes, 16, 5));

    /* The pair (0, 0) is the empty cached codec of a new converter. */
    capture_begin();
    CHECK_EQ_INT(-1, api.convert(pHandle, collect, &out, 0, bytes, 16, 0));
    CHECK_EQ_INT(-1, api.convert(pHandle, collect, &out, 5, bytes, 16, 7));
    CHECK_EQ_INT(-1, api.convert(pHandle, collect, &out, 5, bytes, 16, 7));
    CHECK_EQ_INT(-1, api.convert(pHandle, collect, &out, 100, bytes, 16, 1));
    char* pszLog = capture_end();
    CHECK_EQ_STR("[ERROR] vocalith_convert: no codec found for nInCodec=0, nOutCodec=0\n"
                 "[ERROR] vocalith_convert: no codec found for nInCodec=5, nOutCodec=7\n"
                 "[ERROR] vocalith_convert: no codec found for nInCodec=5, nOutCodec=7\n"
                 "[ERROR] vocalith_convert: no codec found for nInCodec=100, nOutCodec=1\n", pszLog);
    free(pszLog);
    CHECK_EQ_INT(0, out.nCalls);

    /* Empty input: success, no callback. */
    CHECK_EQ_INT(0, api.convert(pHandle, collect, &out, 5, bytes, 0, 5));
    CHECK_EQ_INT(0, out.nCalls);
    api.fini(pHandle);
    collector_free(&out);
}

/* 16-bit in, mu-law out, filter block 256: 80 samples a call wait in the
 * filter tail until a whole block is there. */
static void test_filter_tail_across_calls(void)
{
    collector out;
    collector_init(&out);
    out.pExpectedUser = &out;
    void* pHandle = api.init_string(1, 8000, EMPTY_PRESET);
    short samples[80];
    for (int i = 0; i < 80; ++i) {
        samples[i] = (short)(i * 100);
    }
    for (int nCall = 0; nCall < 3; ++nCall) {
        CHECK_EQ_INT(0, api.convert(pHandle, collect, &out, 3, samples, sizeof(samples), 5));
        CHECK_EQ_INT(0, out.nCalls);
    }
    CHECK_EQ_INT(0, api.convert(pHandle, collect, &out, 3, samples, sizeof(samples), 5));
    CHECK_EQ_INT(1, out.nCalls);
    CHECK_EQ_INT(256, out.nSize);
    CHECK_EQ_INT(0, out.nWrongUser);
    /* 64 samples wait: 192 more make the next block. */
    collector_reset(&out);
    short more[192] = {0};
    CHECK_EQ_INT(0, api.convert(pHandle, collect, &out, 3, more, sizeof(more), 5));
    CHECK_EQ_INT(256, out.nSize);
    api.fini(pHandle);
    collector_free(&out);
}

/* Every pair of the six codecs, mono and stereo, through an empty preset:
 * whole blocks come out complete and in the right coding. */
static void test_all_codec_pairs(void)
{
    const size_t nFrames = 1600;
    set_block_size(160);
    for (unsigned int nChannels = 1; nChannels <= 2; ++nChannels) {
        float* pSignal = make_signal(nFrames, nChannels);
        collector input, output, decodedIn, decodedOut;
        collector_init(&input);
        collector_init(&output);
        collector_init(&decodedIn);
        collector_init(&decodedOut);
        for (unsigned int i = 0; i < 6; ++i) {
            const unsigned int nIn = c_ids[i];
            recode(nChannels, 1, pSignal, nFrames * nChannels * 4, nIn, &input);
            CHECK_EQ_INT(bytes_for(nIn, nFrames, nChannels), input.nSize);
            recode(nChannels, nIn, input.pData, input.nSize, 1, &decodedIn);
            for (unsigned int j = 0; j < 6; ++j) {
                const unsigned int nOut = c_ids[j];
                void* pHandle = api.init_string(nChannels, 8000, EMPTY_PRESET);
                collector_reset(&output);
                output.pExpectedUser = &output;
                CHECK_EQ_INT(0, api.convert(pHandle, collect, &output, nIn, input.pData,
                                            (unsigned int)input.nSize, nOut));
                api.fini(pHandle);
                if (output.nSize != bytes_for(nOut, nFrames, nChannels)) {
                    printf("pair %s -> %s, %u channels: %zu bytes\n", c_names[nIn], c_names[nOut],
                           nChannels, output.nSize);
                }
                CHECK_EQ_INT(bytes_for(nOut, nFrames, nChannels), output.nSize);
                CHECK(output.nLargestPiece <= 8192);
                CHECK_EQ_INT(0, output.nEmptyPieces);
                CHECK_EQ_INT(0, output.nWrongUser);

                recode(nChannels, nOut, output.pData, output.nSize, 1, &decodedOut);
                const float* pIn = (const float*)decodedIn.pData;
                const float* pOut = (const float*)decodedOut.pData;
                CHECK_EQ_INT(decodedIn.nSize, decodedOut.nSize);
                const int bPcm16In = nIn == 2 || nIn == 3, bPcm16Out = nOut == 2 || nOut == 3;
                if (decodedIn.nSize != decodedOut.nSize) {
                    continue;
                }
                if (nIn == nOut && nIn != 6) {
                    /* A codec to itself gives back its input, byte for byte. */
                    CHECK(memcmp(input.pData, output.pData, input.nSize) == 0);
                } else if ((bPcm16In && (bPcm16Out || nOut == 1))) {
                    CHECK(memcmp(pIn, pOut, decodedIn.nSize) == 0);
                } else if (nIn == 1 && bPcm16Out) {
                    CHECK(snr_db(pIn, pOut, nFrames * nChannels, 1) > 80.0);
                } else if (nIn != 6 && nOut != 6) {
                    CHECK(snr_db(pIn, pOut, nFrames, nChannels) > 30.0);
                } else {
                    double fIn = 0.0, fOut = 0.0;
                    for (size_t k = 0; k < nFrames; ++k) {
                        fIn += (double)pIn[k * nChannels] * pIn[k * nChannels];
                        fOut += (double)pOut[k * nChannels] * pOut[k * nChannels];
                    }
                    CHECK(fOut > 0.25 * fIn && fOut < 4.0 * fIn);
                }
            }
        }
        collector_free(&input);
        collector_free(&output);
        collector_free(&decodedIn);
        collector_free(&decodedOut);
        free(pSignal);
    }
    set_block_size(256);
}

/* The GSM coder keeps its state while the pair stays and starts afresh
 * after a change of pair. */
static void test_codec_cache(void)
{
    collector first, second, third;
    collector_init(&first);
    collector_init(&second);
    collector_init(&third);
    float* pSignal = make_signal(1280, 1);
    void* pHandle = api.init_string(1, 8000, EMPTY_PRESET);
    const unsigned int nBytes = 1280 * 4;
    CHECK_EQ_INT(0, api.convert(pHandle, collect, &first, 1, pSignal, nBytes, 6));
    CHECK_EQ_INT(0, api.convert(pHandle, collect, &second, 1, pSignal, nBytes, 6));
    CHECK_EQ_INT(0, api.convert(pHandle, collect, &third, 1, pSignal, nBytes, 5));
    collector_reset(&third);
    CHECK_EQ_INT(0, api.convert(pHandle, collect, &third, 1, pSignal, nBytes, 6));
    CHECK(first.nSize == 264 && second.nSize == 264 && third.nSize == 264);
    CHECK(memcmp(first.pData, second.pData, 264) != 0);
    CHECK(memcmp(first.pData, third.pData, 264) == 0);
    api.fini(pHandle);
    free(pSignal);
    collector_free(&first);
    collector_free(&second);
    collector_free(&third);
}

/* The SDK's amp plugin, a plugin nobody here wrote, at a gain of 0.5. */
static void test_amp_plugin(void)
{
    collector out;
    collector_init(&out);
    void* pHandle = api.init_string(1, 8000, AMP_PRESET("0.5"));
    CHECK(pHandle != NULL);
    if (pHandle == NULL) {
        return;
    }
    short samples[512];
    for (int i = 0; i < 512; ++i) {
        samples[i] = (short)((i * 397) % 20000 - 10000);
    }
    CHECK_EQ_INT(0, api.convert(pHandle, collect, &out, 3, samples, 256 * 2, 3));
    CHECK_EQ_INT(512, out.nSize);
    const short* pOut = (const short*)out.pData;
    int nWrong = 0;
    for (int i = 0; i < 256 && out.nSize == 512; ++i) {
        if (abs(pOut[i] - samples[i] / 2) > 1) {
            ++nWrong;
        }
    }
    CHECK_EQ_INT(0, nWrong);

    set_log_level(4);
    capture_begin();
    CHECK_EQ_INT(0, api.set_preset_property(pHandle, 0, 0, 2.0f));
    CHECK_EQ_INT(-1, api.set_preset_property(pHandle, 1, 0, 2.0f));
    CHECK_EQ_INT(-1, api.set_preset_property(pHandle, 0, 1, 2.0f));
    CHECK_EQ_INT(-1, api.set_preset_property(NULL, 0, 0, 2.0f));
    char* pszLog = capture_end();
    set_log_level(2);
    CHECK_EQ_STR("[INFO ] vocalith_set_preset_property: nPluginIdx=0, nInPortIdx=0, fPropVal=2.000000\n"
                 "[INFO ] vocalith_set_preset_property: nPluginIdx=1, nInPortIdx=0, fPropVal=2.000000\n"
                 "[INFO ] vocalith_set_preset_property: nPluginIdx=0, nInPortIdx=1, fPropVal=2.000000\n"
                 "[INFO ] vocalith_set_preset_property: nPluginIdx=0, nInPortIdx=0, fPropVal=2.000000\n",
                 pszLog);
    free(pszLog);

    collector_reset(&out);
    CHECK_EQ_INT(0, api.convert(pHandle, collect, &out, 3, samples + 256, 256 * 2, 3));
    pOut = (const short*)out.pData;
    nWrong = 0;
    for (int i = 0; i < 256 && out.nSize == 512; ++i) {
        int nExpected = samples[256 + i] * 2;
        if (abs(pOut[i] - nExpected) > 1) {
            ++nWrong;
        }
    }
    CHECK_EQ_INT(512, out.nSize);
    CHECK_EQ_INT(0, nWrong);
    api.fini(pHandle);
    collector_free(&out);
}

static void test_change_preset(const char* pszPresetFile)
{
    void* pHandle = api.init_string(1, 8000, AMP_PRESET("0.5"));
    CHECK(pHandle != NULL);
    set_log_level(4);
    capture_begin();
    CHECK_EQ_INT(-1, api.change_preset(pHandle, ""));
    CHECK_EQ_INT(-1, api.change_preset(pHandle, NULL));
    CHECK_EQ_INT(-1, api.change_preset(NULL, pszPresetFile));
    CHECK_EQ_INT(-1, api.change_preset_string(pHandle, ""));
    char* pszLog = capture_end();
    char szExpected[512];
    snprintf(szExpected, sizeof(szExpected),
             "[INFO ] vocalith_change_preset: file=\n"
             "[INFO ] vocalith_change_preset: file=(null)\n"
             "[INFO ] vocalith_change_preset: file=%s\n"
             "[INFO ] vocalith_change_preset_string: XML:\n\n",
             pszPresetFile);
    CHECK_EQ_STR(szExpected, pszLog);
    free(pszLog);

    set_log_level(2);
    capture_begin();
    CHECK_EQ_INT(-1, api.change_preset(pHandle, "/nonexistent/x.xml"));
    CHECK_EQ_INT(-1, api.change_preset_string(pHandle, "<not closed"));
    pszLog = capture_end();
    CHECK(strncmp(pszLog, "[ERROR] vocalith_change_preset exception: ", 42) == 0);
    CHECK(strstr(pszLog, "\n[ERROR] vocalith_change_preset_string exception: ") != NULL);
    free(pszLog);

    /* The old preset stays after a failed change: still amp at 0.5. */
    collector out;
    collector_init(&out);
    short samples[256];
    for (int i = 0; i < 256; ++i) {
        samples[i] = 1000;
    }
    CHECK_EQ_INT(0, api.convert(pHandle, collect, &out, 3, samples, sizeof(samples), 3));
    CHECK(out.nSize == 512 && ((const short*)out.pData)[10] == 500);

    CHECK_EQ_INT(0, api.change_preset_string(pHandle, EMPTY_PRESET));
    collector_reset(&out);
    CHECK_EQ_INT(0, api.convert(pHandle, collect, &out, 3, samples, sizeof(samples), 3));
    CHECK(out.nSize == 512 && ((const short*)out.pData)[10] == 1000);

    CHECK_EQ_INT(0, api.change_preset(pHandle, pszPresetFile));
    collector_reset(&out);
    CHECK_EQ_INT(0, api.convert(pHandle, collect, &out, 3, samples, sizeof(samples), 3));
    CHECK(out.nSize == 512 && ((const short*)out.pData)[10] == 250);
    api.fini(pHandle);
    collector_free(&out);
}

/* A converter keeps the channel count it was made with: a preset it reads
 * after another converter was made for two channels still fits it. */
static void test_converter_keeps_its_format(void)
{
    void* pMono = api.init_string(1, 8000, EMPTY_PRESET);
    void* pStereo = api.init_string(2, 8000, EMPTY_PRESET);
    CHECK(pMono != NULL && pStereo != NULL);
    CHECK_EQ_INT(0, api.change_preset_string(pMono, AMP_PRESET("0.5")));
    collector out;
    collector_init(&out);
    short samples[256];
    for (int i = 0; i < 256; ++i) {
        samples[i] = (short)(i * 64 - 8000);
    }
    CHECK_EQ_INT(0, api.convert(pMono, collect, &out, 3, samples, sizeof(samples), 3));
    CHECK_EQ_INT(512, out.nSize);
    int nWrong = 0;
    for (int i = 0; i < 256 && out.nSize == 512; ++i) {
        if (abs(((const short*)out.pData)[i] - samples[i] / 2) > 1) {
            ++nWrong;
        }
    }
    CHECK_EQ_INT(0, nWrong);
    api.fini(pStereo);
    api.fini(pMono);
    collector_free(&out);
}

/* One thread converts a long stream while another switches presets and sets
 * control values; every sample that goes in comes out. */
typedef struct {
    void* pHandle;
    int bDone;    /* atomic */
    int nChanges; /* atomic: preset switches made so far */
} control_state;

static void* control_thread(void* pArg)
{
    control_state* pState = pArg;
    static const char* const presets[] = {AMP_PRESET("0.5"), EMPTY_PRESET, AMP_PRESET("1.0")};
    int i = 0;
    while (!__atomic_load_n(&pState->bDone, __ATOMIC_ACQUIRE) && i < 2000) {
        api.change_preset_string(pState->pHandle, presets[i % 3]);
        api.set_preset_property(pState->pHandle, 0, 0, (float)(i % 7) * 0.1f);
        ++i;
        __atomic_store_n(&pState->nChanges, i, __ATOMIC_RELEASE);
    }
    return NULL;
}

static void test_two_threads(void)
{
    control_state state;
    state.pHandle = api.init_string(1, 8000, AMP_PRESET("1.0"));
    state.bDone = 0;
    state.nChanges = 0;
    CHECK(state.pHandle != NULL);
    pthread_t thread;
    pthread_create(&thread, NULL, control_thread, &state);
    collector out;
    collector_init(&out);
    short samples[160];
    for (int i = 0; i < 160; ++i) {
        samples[i] = (short)(i * 50);
    }
    /* Convert until the control thread has switched presets many times, so
     * the two really overlap however the threads are scheduled. */
    size_t nPackets = 0;
    while (nPackets < 3000 ||
           (__atomic_load_n(&state.nChanges, __ATOMIC_ACQUIRE) < 100 && nPackets < 1000000)) {
        CHECK_EQ_INT(0, api.convert(state.pHandle, collect, &out, 3, samples, sizeof(samples), 5));
        ++nPackets;
    }
    __atomic_store_n(&state.bDone, 1, __ATOMIC_RELEASE);
    pthread_join(thread, NULL);
    /* Whole 256-sample blocks come out; the rest waits in the filter tail. */
    CHECK_EQ_INT(nPackets * 160 / 256 * 256, out.nSize);
    CHECK(__atomic_load_n(&state.nChanges, __ATOMIC_ACQUIRE) >= 100);
    api.fini(state.pHandle);
    collector_free(&out);
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s LIBRARY LADSPA_DIR\n", argv[0]);
        return 2;
    }
    host_load(argv[1]);
    api.set_property(VOCALITH_PROP_LADSPA_DIR, argv[2]);

    char szPreset[] = "/tmp/vocalith_host_XXXXXX";
    int nFd = mkstemp(szPreset);
    const char* pszQuarter = AMP_PRESET("0.25");
    CHECK(nFd >= 0 && write(nFd, pszQuarter, strlen(pszQuarter)) == (ssize_t)strlen(pszQuarter));
    close(nFd);

    const char* pszOnly = getenv("HOST_TEST_ONLY");
    struct {
        const char* pszName;
        void (*pfnRun)(void);
    } tests[] = {
        {"properties", test_properties},
        {"init_and_fini_lines", test_init_and_fini_lines},
        {"convert_arguments", test_convert_arguments},
        {"filter_tail_across_calls", test_filter_tail_across_calls},
        {"all_codec_pairs", test_all_codec_pairs},
        {"codec_cache", test_codec_cache},
        {"amp_plugin", test_amp_plugin},
        {"converter_keeps_its_format", test_converter_keeps_its_format},
        {"two_threads", test_two_threads},
    };
    int nPassed = 0, nFailed = 0;
    for (size_t i = 0; i < sizeof(tests) / sizeof(tests[0]); ++i) {
        if (pszOnly != NULL && strcmp(pszOnly, tests[i].pszName) != 0) {
            continue;
        }
        int nBefore = g_nFailed;
        tests[i].pfnRun();
        printf("%s %s\n", g_nFailed == nBefore ? "ok  " : "FAIL", tests[i].pszName);
        if (g_nFailed == nBefore) {
            ++nPassed;
        } else {
            ++nFailed;
        }
    }
    if (pszOnly == NULL || strcmp(pszOnly, "change_preset") == 0) {
        int nBefore = g_nFailed;
        test_change_preset(szPreset);
        printf("%s change_preset\n", g_nFailed == nBefore ? "ok  " : "FAIL");
        if (g_nFailed == nBefore) {
            ++nPassed;
        } else {
            ++nFailed;
        }
    }
    unlink(szPreset);
    printf("%d passed, %d failed\n", nPassed, nFailed);
    return nFailed == 0 ? 0 : 1;
}
