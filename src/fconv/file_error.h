// Errors of sound streams and sound files. Their messages name the format
// factory and a fixed line per failing step, so that a message alone tells
// which step failed whatever source file raised it.
#ifndef VOCALITH_SRC_FCONV_FILE_ERROR_H
#define VOCALITH_SRC_FCONV_FILE_ERROR_H

#include "vocalith/export.h"

namespace fconv {
namespace file_error {

constexpr const char* c_szFilePart = "file_factory";

enum line : unsigned {
    open_read = 21,
    open_write = 23,
    create_temp = 31,
    read_failed = 48,
    write_failed = 60,
    several_formats = 133,
};

// Throws app::exception with exit_code::FileError.
[[noreturn]] void raise(line nLine, const char* fmt, ...) VOCALITH_FORMAT_PRINTF(2, 3);

}  // namespace file_error
}  // namespace fconv

#endif
