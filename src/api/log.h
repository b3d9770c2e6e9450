// Log lines "[ERROR] ", "[WARN ] ", "[NOTE ] ", "[INFO ] " and "[DEBUG] ",
// printed when the process-wide level is at least 1 to 5: on standard error,
// or handed to the host's handler when one is set. Below the threshold the
// arguments are not evaluated, except for errors: every error line is also
// kept as the calling thread's last error, whatever the level.
#ifndef VOCALITH_SRC_API_LOG_H
#define VOCALITH_SRC_API_LOG_H

#include "vocalith/app/globals.h"
#include "vocalith/export.h"
#include "vocalith/vocalith.h"

namespace app {
namespace log {

enum level : unsigned int { error = 1, warn = 2, note = 3, info = 4, debug = 5 };

inline bool enabled(level nLevel)
{
    return s_Global.nLogLevel >= static_cast<unsigned int>(nLevel);
}

// Writes the tag and the formatted text as one line (the format carries its
// own newline). Allocates nothing unless the line is longer than 4 KiB.
void print(level nLevel, const char* fmt, ...) VOCALITH_FORMAT_PRINTF(2, 3);

// Keeps the text as the thread's last error, then prints it at the error
// level when that is enabled.
void print_error(const char* fmt, ...) VOCALITH_FORMAT_PRINTF(1, 2);

// Keeps the text as the thread's last error without printing it: for the
// failures that the C interface reports through its result alone.
void fail(const char* fmt, ...) VOCALITH_FORMAT_PRINTF(1, 2);

// A successful call of the C interface forgets the thread's last error.
void succeed();
const char* last_error();

// Null restores standard error. Safe beside threads that log: each line
// goes wholly to the old or the new handler.
void set_handler(vocalith_log_fn pfnLog, void* pUser);

}  // namespace log
}  // namespace app

#define VOCALITH_LOG(lvl, ...)                                 \
    do {                                                       \
        if (::app::log::enabled(::app::log::lvl)) {            \
            ::app::log::print(::app::log::lvl, __VA_ARGS__);   \
        }                                                      \
    } while (0)

#define LOG_ERROR(...) ::app::log::print_error(__VA_ARGS__)
#define LOG_WARN(...) VOCALITH_LOG(warn, __VA_ARGS__)
#define LOG_NOTE(...) VOCALITH_LOG(note, __VA_ARGS__)
#define LOG_INFO(...) VOCALITH_LOG(info, __VA_ARGS__)
#define LOG_DEBUG(...) VOCALITH_LOG(debug, __VA_ARGS__)

#endif
