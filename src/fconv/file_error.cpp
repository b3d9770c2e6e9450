#include "fconv/file_error.h"

#include <cstdarg>

#include "vocalith/app/exception.h"

namespace fconv {
namespace file_error {

void raise(line nLine, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    app::exception error(exit_code::FileError, fmt, args, c_szFilePart, nLine);
    va_end(args);
    throw error;
}

}  // namespace file_error
}  // namespace fconv
