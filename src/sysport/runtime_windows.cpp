// Windows implementation of the runtime helpers. Compiled into the library
// and, since the library keeps them hidden, into the command as well.
#if defined(_WIN32)

#include <windows.h>

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <locale.h>
#include <share.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "sysport/runtime.h"

namespace sysport {

double strtod_c_locale(const char* pText, char** ppEnd)
{
    static const _locale_t s_locale = _create_locale(LC_ALL, "C");
    return _strtod_l(pText, ppEnd, s_locale);
}

void yield_time_slice()
{
    Sleep(0);
}

bool set_environment(const char* pName, const char* pValue)
{
    // An empty value removes the variable on this platform.
    return _putenv_s(pName, pValue != nullptr ? pValue : "") == 0;
}

bool create_unique_file(std::string& strTemplate)
{
    const std::string strPattern = strTemplate;
    for (unsigned int nTry = 0; nTry < 100; ++nTry) {
        strTemplate = strPattern;
        if (_mktemp_s(&strTemplate[0], strTemplate.size() + 1) != 0) {
            return false;
        }
        int fd = -1;
        if (_sopen_s(&fd, strTemplate.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _SH_DENYNO,
                     _S_IREAD | _S_IWRITE) == 0) {
            _close(fd);
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

std::string executable_path()
{
    char szPath[MAX_PATH + 1];
    const DWORD nLength = GetModuleFileNameA(nullptr, szPath, sizeof(szPath));
    return nLength > 0 && nLength <= MAX_PATH ? std::string(szPath, nLength) : std::string();
}

std::string make_temp_dir(const std::string& strPrefix)
{
    char szBase[MAX_PATH + 1];
    const DWORD nLength = GetTempPathA(sizeof(szBase), szBase);
    if (nLength == 0 || nLength > MAX_PATH) {
        return std::string();
    }
    for (unsigned int nTry = 0; nTry < 100; ++nTry) {
        const std::string strDir = std::string(szBase) + strPrefix + std::to_string(GetCurrentProcessId()) + "_" +
                                   std::to_string(GetTickCount() + nTry);
        if (CreateDirectoryA(strDir.c_str(), nullptr)) {
            return strDir;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    return std::string();
}

bool make_pipe(int fds[2])
{
    return _pipe(fds, 65536, _O_BINARY) == 0;
}

void ignore_broken_pipes()
{
    // Writes to a closed pipe fail with EPIPE here; there is no signal.
}

void set_binary_mode(int fd)
{
    _setmode(fd, _O_BINARY);
}

int open_for_reading(const std::string& strPath)
{
    int fd = -1;
    return _sopen_s(&fd, strPath.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYNO, 0) == 0 ? fd : -1;
}

bool rename_over(const std::string& strFrom, const std::string& strTo)
{
    // The C runtime's rename refuses to replace an existing file here.
    if (MoveFileExA(strFrom.c_str(), strTo.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return true;
    }
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: errno = ENOENT; break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: errno = EACCES; break;
    case ERROR_DISK_FULL: errno = ENOSPC; break;
    default: errno = EIO; break;
    }
    return false;
}

bool set_modified_time(const std::string& strPath, long long nSeconds)
{
    // Directories open only with the backup flag.
    const HANDLE hFile = CreateFileA(strPath.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                     FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        return false;
    }
    // 100 ns intervals since 1601.
    const unsigned long long nTicks = (static_cast<unsigned long long>(nSeconds) + 11644473600ULL) * 10000000ULL;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(nTicks);
    time.dwHighDateTime = static_cast<DWORD>(nTicks >> 32);
    const bool bSet = SetFileTime(hFile, nullptr, &time, &time) != 0;
    CloseHandle(hFile);
    return bSet;
}

}  // namespace sysport

#endif
