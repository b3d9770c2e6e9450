// POSIX implementation of the platform layer: dlopen and dirent.
#if !defined(_WIN32)

#include <dirent.h>
#include <dlfcn.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "sysport/platform.h"

namespace sysport {
namespace posix_impl {

namespace {

std::string take_dlerror()
{
    const char* pText = dlerror();
    return pText != nullptr ? std::string(pText) : std::string();
}

}  // namespace

shared_library::shared_library(shared_library&& other) noexcept : m_pHandle(other.m_pHandle)
{
    other.m_pHandle = nullptr;
}

shared_library& shared_library::operator=(shared_library&& other) noexcept
{
    if (this != &other) {
        release();
        m_pHandle = other.m_pHandle;
        other.m_pHandle = nullptr;
    }
    return *this;
}

shared_library::~shared_library()
{
    release();
}

bool shared_library::open(const std::string& strPath, std::string& strError)
{
    release();
    dlerror();
    m_pHandle = dlopen(strPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_pHandle == nullptr) {
        strError = take_dlerror();
        return false;
    }
    return true;
}

void* shared_library::symbol(const char* pName, std::string& strError) const
{
    if (m_pHandle == nullptr) {
        strError = "no library loaded";
        return nullptr;
    }
    dlerror();
    void* pSymbol = dlsym(m_pHandle, pName);
    if (pSymbol == nullptr) {
        strError = take_dlerror();
    }
    return pSymbol;
}

void shared_library::release()
{
    if (m_pHandle != nullptr) {
        dlclose(m_pHandle);
        m_pHandle = nullptr;
    }
}

// The whole listing is read at open and sorted by byte order, so that the
// outcome of a scan does not depend on the file system's order.
struct directory_iterator::state {
    std::vector<std::string> names;
    std::size_t nNext = 0;
};

directory_iterator::directory_iterator() = default;

directory_iterator::~directory_iterator() = default;

bool directory_iterator::open(const std::string& strDir)
{
    close();
    DIR* pDir = opendir(strDir.c_str());
    if (pDir == nullptr) {
        return false;
    }
    std::unique_ptr<state> pState(new state);
    while (const dirent* pEntry = readdir(pDir)) {
        const std::string strName(pEntry->d_name);
        if (strName != "." && strName != "..") {
            pState->names.push_back(strName);
        }
    }
    closedir(pDir);
    if (pState->names.empty()) {
        return false;
    }
    std::sort(pState->names.begin(), pState->names.end());
    m_pState = std::move(pState);
    return true;
}

std::string directory_iterator::next()
{
    if (!m_pState) {
        return std::string();
    }
    std::string strName = std::move(m_pState->names[m_pState->nNext++]);
    if (m_pState->nNext == m_pState->names.size()) {
        close();
    }
    return strName;
}

void directory_iterator::close()
{
    m_pState.reset();
}

// dlopen shows no dialogs.
error_mode_scope::error_mode_scope() {}

error_mode_scope::~error_mode_scope() {}

std::string join_path(const std::string& strDir, const std::string& strName)
{
    if (!strDir.empty() && strDir.back() == '/') {
        return strDir + strName;
    }
    return strDir + "/" + strName;
}

const char* search_list_separators()
{
    return ";:";
}

const char* default_search_list()
{
    return "./ladspa;/usr/local/lib/ladspa;/usr/lib/ladspa";
}

}  // namespace posix_impl
}  // namespace sysport

#endif
