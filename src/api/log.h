// Log lines on standard error: "[ERROR] ", "[WARN ] ", "[NOTE ] ", "[INFO ] "
// and "[DEBUG] ", printed when the process-wide level is at least 1 to 5.
// The arguments are not evaluated below the threshold.
#ifndef VOCALITH_SRC_API_LOG_H
#define VOCALITH_SRC_API_LOG_H

#include "vocalith/app/globals.h"

namespace app {
namespace log {

enum level : unsigned int { error = 1, warn = 2, note = 3, info = 4, debug = 5 };

inline bool enabled(level nLevel)
{
    return s_Global.nLogLevel >= static_cast<unsigned int>(nLevel);
}

// Writes the tag and the formatted text as one line (the format carries its
// own newline). Allocates nothing.
void print(level nLevel, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

}  // namespace log
}  // namespace app

#define VOCALITH_LOG(lvl, ...)                                 \
    do {                                                       \
        if (::app::log::enabled(::app::log::lvl)) {            \
            ::app::log::print(::app::log::lvl, __VA_ARGS__);   \
        }                                                      \
    } while (0)

#define LOG_ERROR(...) VOCALITH_LOG(error, __VA_ARGS__)
#define LOG_WARN(...) VOCALITH_LOG(warn, __VA_ARGS__)
#define LOG_NOTE(...) VOCALITH_LOG(note, __VA_ARGS__)
#define LOG_INFO(...) VOCALITH_LOG(info, __VA_ARGS__)
#define LOG_DEBUG(...) VOCALITH_LOG(debug, __VA_ARGS__)

#endif
