// Owner of one dynamically loaded library. The platform implementation is
// chosen at compile time; code above this layer uses sysport::shared_library
// and never learns which one it got.
#ifndef VOCALITH_SYSPORT_SHARED_LIBRARY_H
#define VOCALITH_SYSPORT_SHARED_LIBRARY_H

#include <string>

#include "vocalith/export.h"

namespace sysport {

// One declaration for both platforms; only the namespace and the calls
// behind it differ (win_impl: LoadLibraryA, GetProcAddress, FreeLibrary and
// the system's error text; posix_impl: dlopen with RTLD_NOW | RTLD_LOCAL,
// dlsym, dlclose and dlerror()'s text).
#if defined(_WIN32)
#define VOCALITH_SHARED_LIBRARY_IMPL win_impl
#else
#define VOCALITH_SHARED_LIBRARY_IMPL posix_impl
#endif

namespace VOCALITH_SHARED_LIBRARY_IMPL {

// Holds the system's handle (stored as void*); null when nothing is loaded.
// Not copied; moving leaves the source empty. Any thread, one at a time.
class VOCALITH_API shared_library {
public:
    shared_library() : m_pHandle(nullptr) {}
    shared_library(shared_library&& other) noexcept;
    shared_library& operator=(shared_library&& other) noexcept;
    shared_library(const shared_library&) = delete;
    shared_library& operator=(const shared_library&) = delete;
    ~shared_library();

    // Loads strPath; on failure returns false and fills strError with the
    // system's text (untrimmed, as the system gives it). Releases a library
    // held before.
    bool open(const std::string& strPath, std::string& strError);
    // The address of pName; null when missing, strError then holds the
    // system's text.
    void* symbol(const char* pName, std::string& strError) const;
    // Unloads a library held; the handle becomes null.
    void release();
    bool is_open() const { return m_pHandle != nullptr; }

private:
    void* m_pHandle;
};

}  // namespace VOCALITH_SHARED_LIBRARY_IMPL

namespace native_impl = VOCALITH_SHARED_LIBRARY_IMPL;
#undef VOCALITH_SHARED_LIBRARY_IMPL

using shared_library = native_impl::shared_library;

}  // namespace sysport

#endif
