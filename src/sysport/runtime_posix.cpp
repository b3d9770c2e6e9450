// POSIX implementation of the runtime helpers. Compiled into the library
// and, since the library keeps them hidden, into the command as well.
#if !defined(_WIN32)

#include <fcntl.h>
#include <locale.h>
#include <signal.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "sysport/runtime.h"

namespace sysport {

double strtod_c_locale(const char* pText, char** ppEnd)
{
    // Made once and kept for the process's life; never installed as any
    // thread's locale.
    static const locale_t s_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return strtod_l(pText, ppEnd, s_locale);
}

void yield_time_slice()
{
    sched_yield();
}

bool set_environment(const char* pName, const char* pValue)
{
    return (pValue != nullptr ? setenv(pName, pValue, 1) : unsetenv(pName)) == 0;
}

bool create_unique_file(std::string& strTemplate)
{
    const int fd = mkstemp(&strTemplate[0]);
    if (fd < 0) {
        return false;
    }
    // mkstemp makes the file private; give it the usual permissions.
    const mode_t nMask = umask(0);
    umask(nMask);
    fchmod(fd, 0666 & ~nMask);
    close(fd);
    return true;
}

std::string executable_path()
{
    std::vector<char> path(4096);
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
    return n > 0 ? std::string(path.data(), static_cast<std::size_t>(n)) : std::string();
}

std::string make_temp_dir(const std::string& strPrefix)
{
    const char* pTmp = getenv("TMPDIR");
    std::string strTemplate = std::string(pTmp != nullptr && *pTmp != '\0' ? pTmp : "/tmp") + "/" + strPrefix + "XXXXXX";
    return mkdtemp(&strTemplate[0]) != nullptr ? strTemplate : std::string();
}

bool make_pipe(int fds[2])
{
    return pipe(fds) == 0;
}

void ignore_broken_pipes()
{
    signal(SIGPIPE, SIG_IGN);
}

void set_binary_mode(int)
{
}

int open_for_reading(const std::string& strPath)
{
    return open(strPath.c_str(), O_RDONLY);
}

bool rename_over(const std::string& strFrom, const std::string& strTo)
{
    return std::rename(strFrom.c_str(), strTo.c_str()) == 0;
}

bool set_modified_time(const std::string& strPath, long long nSeconds)
{
    const struct timespec times[2] = {{static_cast<time_t>(nSeconds), 0}, {static_cast<time_t>(nSeconds), 0}};
    return utimensat(AT_FDCWD, strPath.c_str(), times, 0) == 0;
}

}  // namespace sysport

#endif
