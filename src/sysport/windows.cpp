// Windows implementation of the platform layer: LoadLibraryA and the
// FindFirstFileA listing, in the platform's own order.
#if defined(_WIN32)

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <utility>

#include "sysport/platform.h"

namespace sysport {
namespace win_impl {

namespace {

// The system's message for the calling thread's last error, untrimmed (it
// usually ends in a line break); empty when the system has none.
std::string last_error_text()
{
    char buffer[1024];
    const DWORD nLength = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, GetLastError(), 0, buffer,
                                         sizeof(buffer), nullptr);
    return std::string(buffer, nLength);
}

bool is_dot_entry(const char* pName)
{
    return std::strcmp(pName, ".") == 0 || std::strcmp(pName, "..") == 0;
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
    m_pHandle = LoadLibraryA(strPath.c_str());
    if (m_pHandle == nullptr) {
        strError = last_error_text();
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
    FARPROC pSymbol = GetProcAddress(static_cast<HMODULE>(m_pHandle), pName);
    if (pSymbol == nullptr) {
        strError = last_error_text();
        return nullptr;
    }
    return reinterpret_cast<void*>(pSymbol);
}

void shared_library::release()
{
    if (m_pHandle != nullptr) {
        FreeLibrary(static_cast<HMODULE>(m_pHandle));
        m_pHandle = nullptr;
    }
}

struct directory_iterator::state {
    HANDLE hFind = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA data;

    // Advances past "." and ".."; false when the listing ran out.
    bool skip_dots()
    {
        while (is_dot_entry(data.cFileName)) {
            if (!FindNextFileA(hFind, &data)) {
                return false;
            }
        }
        return true;
    }
};

directory_iterator::directory_iterator() = default;

directory_iterator::~directory_iterator()
{
    close();
}

bool directory_iterator::open(const std::string& strDir)
{
    close();
    std::unique_ptr<state> pState(new state);
    const std::string strPattern = strDir + "\\*.*";
    pState->hFind = FindFirstFileA(strPattern.c_str(), &pState->data);
    if (pState->hFind == INVALID_HANDLE_VALUE) {
        return false;
    }
    m_pState = std::move(pState);
    if (!m_pState->skip_dots()) {
        close();
        return false;
    }
    return true;
}

std::string directory_iterator::next()
{
    if (!m_pState) {
        return std::string();
    }
    std::string strName(m_pState->data.cFileName);
    if (!FindNextFileA(m_pState->hFind, &m_pState->data) || !m_pState->skip_dots()) {
        close();
    }
    return strName;
}

void directory_iterator::close()
{
    if (m_pState) {
        FindClose(m_pState->hFind);
        m_pState.reset();
    }
}

error_mode_scope::error_mode_scope()
{
    SetErrorMode(1);
}

error_mode_scope::~error_mode_scope()
{
    SetErrorMode(0);
}

// Only the backslash counts as a separator here.
std::string join_path(const std::string& strDir, const std::string& strName)
{
    if (!strDir.empty() && strDir.back() == '\\') {
        return strDir + strName;
    }
    // A directory written with a trailing '/' names the same files as one
    // without: both give one path, so a library is not opened twice.
    if (!strDir.empty() && strDir.back() == '/') {
        return strDir.substr(0, strDir.size() - 1) + "\\" + strName;
    }
    return strDir + "\\" + strName;
}

namespace {

// FILETIME counts 100 ns units since 1601.
std::int64_t to_unix_ns(const FILETIME& time)
{
    const std::int64_t nTicks =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    return (nTicks - 116444736000000000LL) * 100;
}

}  // namespace

file_stamp stamp_of(const std::string& strPath)
{
    file_stamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(strPath.c_str(), GetFileExInfoStandard, &data)) {
        stamp.bExists = true;
        stamp.nSize = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        stamp.nModified = to_unix_ns(data.ftLastWriteTime);
    }
    return stamp;
}

std::int64_t file_clock_now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return to_unix_ns(now);
}

bool replace_file(const std::string& strPath, const std::string& strText)
{
    const std::size_t nSlash = strPath.find_last_of("\\/");
    if (nSlash != std::string::npos && nSlash > 0) {
        const std::string strDir = strPath.substr(0, nSlash);
        const std::size_t nParent = strDir.find_last_of("\\/");
        if (nParent != std::string::npos && nParent > 0) {
            CreateDirectoryA(strDir.substr(0, nParent).c_str(), nullptr);
        }
        CreateDirectoryA(strDir.c_str(), nullptr);
    }
    const std::string strTemp = strPath + "." + std::to_string(GetCurrentProcessId()) + ".tmp";
    const HANDLE hFile = CreateFileA(strTemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                     nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD nWritten = 0;
    const bool bWritten = WriteFile(hFile, strText.data(), static_cast<DWORD>(strText.size()), &nWritten, nullptr) &&
                          nWritten == strText.size();
    CloseHandle(hFile);
    if (!bWritten || !MoveFileExA(strTemp.c_str(), strPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(strTemp.c_str());
        return false;
    }
    return true;
}

const char* search_list_separators()
{
    return ";";
}

const char* default_search_list()
{
    return ".\\ladspa;C:\\Program Files\\ladspa;C:\\Program Files (x86)\\ladspa";
}

std::string user_cache_dir()
{
    const char* pLocal = std::getenv("LOCALAPPDATA");
    return pLocal != nullptr && *pLocal != '\0' ? std::string(pLocal) : std::string();
}

}  // namespace win_impl
}  // namespace sysport

// The library needs no per-thread set-up, so the loader is told not to call
// in for every thread the host starts or ends.
BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD nReason, LPVOID)
{
    if (nReason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(hInstance);
    }
    return TRUE;
}

#endif
