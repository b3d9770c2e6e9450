#include "api/log.h"

#include <cstdarg>
#include <cstdio>

namespace app {
namespace log {

namespace {
const char* const c_tags[] = {"", "[ERROR] ", "[WARN ] ", "[NOTE ] ", "[INFO ] ", "[DEBUG] "};
}

void print(level nLevel, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    // The stream lock keeps tag and text together when threads interleave.
    flockfile(stderr);
    std::fputs(c_tags[nLevel], stderr);
    std::vfprintf(stderr, fmt, args);
    funlockfile(stderr);
    va_end(args);
}

}  // namespace log
}  // namespace app
