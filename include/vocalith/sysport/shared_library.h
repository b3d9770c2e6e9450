// Owner of one dynamically loaded library. The platform implementation is
// chosen at compile time; code above this layer uses sysport::shared_library
// and never learns which one it got.
#ifndef VOCALITH_SYSPORT_SHARED_LIBRARY_H
#define VOCALITH_SYSPORT_SHARED_LIBRARY_H

#include <string>

#include "vocalith/export.h"

namespace sysport {

#if defined(_WIN32)
namespace win_impl {

// Holds an HMODULE (stored as void*); null when nothing is loaded.
// Not copied; moving leaves the source empty. Any thread, one at a time.
class VOCALITH_API shared_library {
public:
    shared_library() : m_pHandle(nullptr) {}
    shared_library(shared_library&& other) noexcept;
    shared_library& operator=(shared_library&& other) noexcept;
    shared_library(const shared_library&) = delete;
    shared_library& operator=(const shared_library&) = delete;
    ~shared_library();

    // LoadLibraryA; on failure returns false and fills strError with the
    // system's text for the last error (untrimmed, as the system gives it).
    // Releases a library held before.
    bool open(const std::string& strPath, std::string& strError);
    // GetProcAddress; null when missing, strError then holds the system text.
    void* symbol(const char* pName, std::string& strError) const;
    // FreeLibrary when a library is held; the handle becomes null.
    void release();
    bool is_open() const { return m_pHandle != nullptr; }

private:
    void* m_pHandle;
};

}  // namespace win_impl
namespace native_impl = win_impl;
#else
namespace posix_impl {

// Holds a dlopen handle; null when nothing is loaded. Not copied; moving
// leaves the source empty. Any thread, one at a time.
class VOCALITH_API shared_library {
public:
    shared_library() : m_pHandle(nullptr) {}
    shared_library(shared_library&& other) noexcept;
    shared_library& operator=(shared_library&& other) noexcept;
    shared_library(const shared_library&) = delete;
    shared_library& operator=(const shared_library&) = delete;
    ~shared_library();

    // dlopen with RTLD_NOW | RTLD_LOCAL; on failure returns false and fills
    // strError with dlerror()'s text. Releases a library held before.
    bool open(const std::string& strPath, std::string& strError);
    // dlsym; null when missing, strError then holds dlerror()'s text.
    void* symbol(const char* pName, std::string& strError) const;
    // dlclose when a library is held; the handle becomes null.
    void release();
    bool is_open() const { return m_pHandle != nullptr; }

private:
    void* m_pHandle;
};

}  // namespace posix_impl
namespace native_impl = posix_impl;
#endif

using shared_library = native_impl::shared_library;

}  // namespace sysport

#endif
