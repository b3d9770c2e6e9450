// POSIX implementation of the platform layer: dlopen and dirent.
#if !defined(_WIN32)

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

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

file_stamp stamp_of(const std::string& strPath)
{
    file_stamp stamp;
    struct stat info;
    if (::stat(strPath.c_str(), &info) == 0) {
        stamp.bExists = true;
        stamp.nSize = static_cast<std::uint64_t>(info.st_size);
        stamp.nModified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    }
    return stamp;
}

std::int64_t file_clock_now()
{
    struct timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool replace_file(const std::string& strPath, const std::string& strText)
{
    const std::size_t nSlash = strPath.rfind('/');
    if (nSlash != std::string::npos && nSlash > 0) {
        const std::string strDir = strPath.substr(0, nSlash);
        const std::size_t nParent = strDir.rfind('/');
        if (nParent != std::string::npos && nParent > 0) {
            ::mkdir(strDir.substr(0, nParent).c_str(), 0700);
        }
        ::mkdir(strDir.c_str(), 0700);
    }
    std::string strTemp = strPath + ".XXXXXX";
    const int nFd = ::mkstemp(&strTemp[0]);
    if (nFd < 0) {
        return false;
    }
    std::size_t nDone = 0;
    while (nDone < strText.size()) {
        const ssize_t nWritten = ::write(nFd, strText.data() + nDone, strText.size() - nDone);
        if (nWritten <= 0) {
            break;
        }
        nDone += static_cast<std::size_t>(nWritten);
    }
    const bool bWritten = ::close(nFd) == 0 && nDone == strText.size();
    if (!bWritten || ::rename(strTemp.c_str(), strPath.c_str()) != 0) {
        ::unlink(strTemp.c_str());
        return false;
    }
    return true;
}

const char* search_list_separators()
{
    return ";:";
}

const char* default_search_list()
{
    return "./ladspa;/usr/local/lib/ladspa;/usr/lib/ladspa";
}

std::string user_cache_dir()
{
    const char* pCache = std::getenv("XDG_CACHE_HOME");
    if (pCache != nullptr && *pCache != '\0') {
        return pCache;
    }
    const char* pHome = std::getenv("HOME");
    return pHome != nullptr && *pHome != '\0' ? join_path(pHome, ".cache") : std::string();
}

}  // namespace posix_impl
}  // namespace sysport

#endif
