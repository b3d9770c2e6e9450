/* A small host of the library for the tests: loads it with dlopen as a real
 * host does, and offers checks, stderr capture and output collection. */
#ifndef VOCALITH_TEST_HOST_H
#define VOCALITH_TEST_HOST_H

#include <stddef.h>

#include "vocalith/vocalith.h"

typedef struct {
    void* (*init)(unsigned int, unsigned int, const char*);
    void* (*init_string)(unsigned int, unsigned int, const char*);
    void (*fini)(void*);
    int (*convert)(void*, vocalith_write_fn, void*, unsigned int, const void*, unsigned int,
                   unsigned int);
    int (*change_preset)(void*, const char*);
    int (*change_preset_string)(void*, const char*);
    int (*set_preset_property)(void*, unsigned int, unsigned int, float);
    int (*set_property)(int, const void*);
    int (*get_property)(int, void*);
} host_api;

extern host_api api;

/* Loads the library and resolves all nine functions; exits on failure. */
void host_load(const char* pszLibrary);

/* Checks: count failures, print where. */
extern int g_nChecks;
extern int g_nFailed;
#define CHECK(cond) host_check((cond) != 0, #cond, __FILE__, __LINE__)
#define CHECK_EQ_INT(expected, actual) host_check_int((long)(expected), (long)(actual), #actual, __FILE__, __LINE__)
#define CHECK_EQ_STR(expected, actual) host_check_str((expected), (actual), #actual, __FILE__, __LINE__)
void host_check(int bOk, const char* pszWhat, const char* pszFile, int nLine);
void host_check_int(long nExpected, long nActual, const char* pszWhat, const char* pszFile, int nLine);
void host_check_str(const char* pszExpected, const char* pszActual, const char* pszWhat,
                    const char* pszFile, int nLine);

/* Standard error captured into a string (owned by the caller, free()). */
void capture_begin(void);
char* capture_end(void);

/* Output of vocalith_convert gathered in one growing block. */
typedef struct {
    unsigned char* pData;
    size_t nSize;
    size_t nCapacity;
    unsigned int nCalls;
    unsigned int nLargestPiece;
    unsigned int nEmptyPieces;
    void* pExpectedUser; /* every callback must receive this pUser */
    unsigned int nWrongUser;
} collector;

void collector_init(collector* pOut);
void collector_free(collector* pOut);
void collector_reset(collector* pOut);
int collect(void* pUser, const void* pData, unsigned int nSize);

void set_log_level(int nLevel);
void set_block_size(int nBlock);

#endif
