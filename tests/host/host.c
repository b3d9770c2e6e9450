#define _POSIX_C_SOURCE 200809L
#include "host.h"

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

host_api api;
int g_nChecks = 0;
int g_nFailed = 0;

static void* resolve(void* pLib, const char* pszName)
{
    void* pSymbol = dlsym(pLib, pszName);
    if (pSymbol == NULL) {
        fprintf(stderr, "missing symbol %s\n", pszName);
        exit(2);
    }
    return pSymbol;
}

void host_load(const char* pszLibrary)
{
    void* pLib = dlopen(pszLibrary, RTLD_NOW | RTLD_LOCAL);
    if (pLib == NULL) {
        fprintf(stderr, "cannot load %s: %s\n", pszLibrary, dlerror());
        exit(2);
    }
    /* Object pointers to function pointers through memcpy, as POSIX allows. */
#define RESOLVE(field, name)                        \
    do {                                            \
        void* pSym = resolve(pLib, name);           \
        memcpy(&api.field, &pSym, sizeof(pSym));    \
    } while (0)
    RESOLVE(init, "vocalith_init");
    RESOLVE(init_string, "vocalith_init_string");
    RESOLVE(fini, "vocalith_fini");
    RESOLVE(convert, "vocalith_convert");
    RESOLVE(change_preset, "vocalith_change_preset");
    RESOLVE(change_preset_string, "vocalith_change_preset_string");
    RESOLVE(set_preset_property, "vocalith_set_preset_property");
    RESOLVE(set_property, "vocalith_set_property");
    RESOLVE(get_property, "vocalith_get_property");
#undef RESOLVE
}

void host_check(int bOk, const char* pszWhat, const char* pszFile, int nLine)
{
    ++g_nChecks;
    if (!bOk) {
        ++g_nFailed;
        printf("%s:%d: check failed: %s\n", pszFile, nLine, pszWhat);
    }
}

void host_check_int(long nExpected, long nActual, const char* pszWhat, const char* pszFile, int nLine)
{
    ++g_nChecks;
    if (nExpected != nActual) {
        ++g_nFailed;
        printf("%s:%d: %s is %ld, expected %ld\n", pszFile, nLine, pszWhat, nActual, nExpected);
    }
}

void host_check_str(const char* pszExpected, const char* pszActual, const char* pszWhat,
                    const char* pszFile, int nLine)
{
    ++g_nChecks;
    if (pszActual == NULL || strcmp(pszExpected, pszActual) != 0) {
        ++g_nFailed;
        printf("%s:%d: %s is\n[%s]\nexpected\n[%s]\n", pszFile, nLine, pszWhat,
               pszActual ? pszActual : "(null)", pszExpected);
    }
}

static int s_nSavedStderr = -1;
static FILE* s_pCapture = NULL;

void capture_begin(void)
{
    fflush(stderr);
    s_pCapture = tmpfile();
    s_nSavedStderr = dup(2);
    dup2(fileno(s_pCapture), 2);
}

char* capture_end(void)
{
    fflush(stderr);
    dup2(s_nSavedStderr, 2);
    close(s_nSavedStderr);
    long nSize = ftell(s_pCapture);
    if (nSize < 0) {
        nSize = 0;
    }
    char* pszText = malloc((size_t)nSize + 1);
    rewind(s_pCapture);
    size_t nRead = fread(pszText, 1, (size_t)nSize, s_pCapture);
    pszText[nRead] = '\0';
    fclose(s_pCapture);
    return pszText;
}

void collector_init(collector* pOut)
{
    memset(pOut, 0, sizeof(*pOut));
}

void collector_free(collector* pOut)
{
    free(pOut->pData);
    collector_init(pOut);
}

void collector_reset(collector* pOut)
{
    void* pExpected = pOut->pExpectedUser;
    unsigned char* pData = pOut->pData;
    size_t nCapacity = pOut->nCapacity;
    collector_init(pOut);
    pOut->pData = pData;
    pOut->nCapacity = nCapacity;
    pOut->pExpectedUser = pExpected;
}

int collect(void* pUser, const void* pData, unsigned int nSize)
{
    collector* pOut = pUser;
    if (pOut->pExpectedUser != NULL && pUser != pOut->pExpectedUser) {
        ++pOut->nWrongUser;
    }
    ++pOut->nCalls;
    if (nSize == 0) {
        ++pOut->nEmptyPieces;
    }
    if (nSize > pOut->nLargestPiece) {
        pOut->nLargestPiece = nSize;
    }
    if (pOut->nSize + nSize > pOut->nCapacity) {
        size_t nCapacity = (pOut->nSize + nSize) * 2;
        pOut->pData = realloc(pOut->pData, nCapacity);
        pOut->nCapacity = nCapacity;
    }
    memcpy(pOut->pData + pOut->nSize, pData, nSize);
    pOut->nSize += nSize;
    return 0;
}

void set_log_level(int nLevel)
{
    api.set_property(VOCALITH_PROP_LOG_LEVEL, &nLevel);
}

void set_block_size(int nBlock)
{
    api.set_property(VOCALITH_PROP_BLOCK_SIZE, &nBlock);
}
