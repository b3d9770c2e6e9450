// printf-style formatting into std::string, cut at 16384 bytes.
#ifndef VOCALITH_SRC_API_FORMAT_MESSAGE_H
#define VOCALITH_SRC_API_FORMAT_MESSAGE_H

#include <cstdarg>
#include <string>

#include "vocalith/export.h"

namespace app {

constexpr unsigned int c_nFormatBufferSize = 16384;

void format_message(std::string& strOut, const char* fmt, ...) VOCALITH_FORMAT_PRINTF(2, 3);
void format_message(std::string& strOut, const char* fmt, va_list args);
std::string format_message(const char* fmt, ...) VOCALITH_FORMAT_PRINTF(1, 2);

}  // namespace app

#endif
