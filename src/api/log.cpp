#include "api/log.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace app {
namespace log {

namespace {

const char* const c_tags[] = {"", "[ERROR] ", "[WARN ] ", "[NOTE ] ", "[INFO ] ", "[DEBUG] "};
constexpr std::size_t c_nTagLength = 8;
constexpr std::size_t c_nLineBytes = 4096;
constexpr std::size_t c_nLastErrorBytes = 1024;

struct handler {
    vocalith_log_fn pfnLog;
    void* pUser;
};

std::mutex s_handlerLock;
handler s_handler = {nullptr, nullptr};

// Fixed storage: the text stays where the host's pointer points, and keeping
// it allocates nothing.
thread_local char t_szLastError[c_nLastErrorBytes];

handler current_handler()
{
    std::lock_guard<std::mutex> guard(s_handlerLock);
    return s_handler;
}

void keep_last_error(const char* pszText, std::size_t nLength)
{
    if (nLength > 0 && pszText[nLength - 1] == '\n') {
        --nLength;
    }
    nLength = std::min(nLength, c_nLastErrorBytes - 1);
    std::memcpy(t_szLastError, pszText, nLength);
    t_szLastError[nLength] = '\0';
}

// A handler gets the line without its newline; standard error gets it in one
// write, so that lines of several threads never interleave.
void emit(level nLevel, char* pszLine, std::size_t nLength)
{
    const handler target = current_handler();
    if (target.pfnLog == nullptr) {
        std::fwrite(pszLine, 1, nLength, stderr);
        // Windows' C runtime buffers standard error when it is not a
        // console: a line must reach the host's log file before a crash.
        std::fflush(stderr);
        return;
    }
    if (nLength > 0 && pszLine[nLength - 1] == '\n') {
        pszLine[nLength - 1] = '\0';
    }
    target.pfnLog(target.pUser, static_cast<int>(nLevel), pszLine);
}

struct free_deleter {
    void operator()(char* p) const { std::free(p); }
};

void vprint(level nLevel, bool bKeep, bool bPrint, const char* fmt, va_list args)
{
    char szLine[c_nLineBytes];
    std::memcpy(szLine, c_tags[nLevel], c_nTagLength);
    va_list retry;
    va_copy(retry, args);
    const int nText = std::vsnprintf(szLine + c_nTagLength, sizeof(szLine) - c_nTagLength, fmt, args);
    char* pszLine = szLine;
    std::size_t nLength = c_nTagLength + static_cast<std::size_t>(std::max(nText, 0));
    std::unique_ptr<char, free_deleter> longLine;
    if (nLength >= sizeof(szLine)) {
        longLine.reset(static_cast<char*>(std::malloc(nLength + 1)));
        if (longLine) {
            std::memcpy(longLine.get(), szLine, c_nTagLength);
            std::vsnprintf(longLine.get() + c_nTagLength, nLength + 1 - c_nTagLength, fmt, retry);
            pszLine = longLine.get();
        } else {
            nLength = sizeof(szLine) - 1;
        }
    }
    va_end(retry);
    if (bKeep) {
        keep_last_error(pszLine + c_nTagLength, nLength - c_nTagLength);
    }
    if (bPrint) {
        emit(nLevel, pszLine, nLength);
    }
}

}  // namespace

void print(level nLevel, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vprint(nLevel, false, true, fmt, args);
    va_end(args);
}

void print_error(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vprint(error, true, enabled(error), fmt, args);
    va_end(args);
}

void fail(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vprint(error, true, false, fmt, args);
    va_end(args);
}

void succeed() { t_szLastError[0] = '\0'; }

const char* last_error() { return t_szLastError; }

void set_handler(vocalith_log_fn pfnLog, void* pUser)
{
    std::lock_guard<std::mutex> guard(s_handlerLock);
    s_handler = {pfnLog, pUser};
}

}  // namespace log
}  // namespace app
