#include "api/format_message.h"

#include <cstdio>
#include <cstring>

namespace app {

void format_message(std::string& strOut, const char* fmt, va_list args)
{
    char buffer[c_nFormatBufferSize];
    int nWritten = std::vsnprintf(buffer, sizeof(buffer), fmt, args);
    if (nWritten < 0) {
        strOut.clear();
        return;
    }
    // The last byte keeps the terminator, so a cut text holds 16383 characters.
    size_t nLength = static_cast<size_t>(nWritten) < sizeof(buffer) ? static_cast<size_t>(nWritten)
                                                                     : sizeof(buffer) - 1;
    strOut.assign(buffer, nLength);
}

void format_message(std::string& strOut, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    format_message(strOut, fmt, args);
    va_end(args);
}

std::string format_message(const char* fmt, ...)
{
    std::string strOut;
    va_list args;
    va_start(args, fmt);
    format_message(strOut, fmt, args);
    va_end(args);
    return strOut;
}

}  // namespace app
