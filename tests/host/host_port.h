// The few calls of the C host that differ between POSIX and Windows: a C
// program cannot use the library's own platform layer, so this is its own.
#ifndef VOCALITH_TESTS_HOST_PORT_H
#define VOCALITH_TESTS_HOST_PORT_H

#include <string.h>

#ifdef _WIN32
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <windows.h>

static void* host_load(const char* pszPath)
{
    return (void*)LoadLibraryA(pszPath);
}

static void* host_symbol(void* pLibrary, const char* pszName)
{
    FARPROC pFunction = GetProcAddress((HMODULE)pLibrary, pszName);
    void* p;
    memcpy(&p, &pFunction, sizeof(p));
    return p;
}

static char* host_make_dir(char* pszTemplate)
{
    return _mktemp(pszTemplate) != NULL && _mkdir(pszTemplate) == 0 ? pszTemplate : NULL;
}

static int host_open_write(const char* pszName)
{
    return _open(pszName, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}

#define host_dup _dup
#define host_dup2 _dup2
#define host_close _close
#define host_unlink _unlink
#define host_rmdir _rmdir
#define host_yield() Sleep(0)
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <sched.h>
#include <stdlib.h>
#include <unistd.h>

static void* host_load(const char* pszPath)
{
    return dlopen(pszPath, RTLD_NOW | RTLD_LOCAL);
}

static void* host_symbol(void* pLibrary, const char* pszName)
{
    return dlsym(pLibrary, pszName);
}

static char* host_make_dir(char* pszTemplate)
{
    return mkdtemp(pszTemplate);
}

static int host_open_write(const char* pszName)
{
    return open(pszName, O_WRONLY | O_CREAT | O_TRUNC, 0600);
}

#define host_dup dup
#define host_dup2 dup2
#define host_close close
#define host_unlink unlink
#define host_rmdir rmdir
#define host_yield() sched_yield()
#endif

#endif
