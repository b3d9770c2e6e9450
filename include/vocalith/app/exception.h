// The one exception type of the library.
#ifndef VOCALITH_APP_EXCEPTION_H
#define VOCALITH_APP_EXCEPTION_H

#include <cstdarg>
#include <exception>
#include <string>

#include "vocalith/export.h"

namespace exit_code {
// 32 bits wide: the value travels with the exception to callers of the classes.
enum ExitCode : int {
    Unspecified = 0,
    FileError = 4,
};
}  // namespace exit_code

namespace app {

// what() is "<file>, line <line>: <message>". Thrown by value, caught as
// std::exception by reference.
class VOCALITH_API exception : public std::exception {
public:
    exception(exit_code::ExitCode code, const char* msg, const char* file, unsigned int line);
    exception(exit_code::ExitCode code, const char* fmt, va_list args, const char* file,
              unsigned int line);
    exception(const char* msg, const char* file, unsigned int line);
    // The line is printed as a signed number here (4294967295 shows as -1).
    exception(const std::string& msg, const char* file, unsigned int line);
    exception(const char* fmt, va_list args, const char* file, unsigned int line);
    exception(const exception& other);
    exception& operator=(const exception& other);
    ~exception() override;

    const char* what() const noexcept override;
    exit_code::ExitCode exit_code() const { return m_code; }
    bool empty_msg() const { return m_strMessage.empty(); }

private:
    std::string m_strMessage;
    exit_code::ExitCode m_code;
};

// Raises an app::exception with a printf-style message and the raising
// source file's name and line.
[[noreturn]] VOCALITH_API void throw_exception(exit_code::ExitCode code, const char* file,
                                               unsigned int line, const char* fmt, ...)
    VOCALITH_FORMAT_PRINTF(4, 5);

}  // namespace app

#define VOCALITH_THROW(code, ...) ::app::throw_exception((code), VOCALITH_FILE_NAME, __LINE__, __VA_ARGS__)

// Last component of the raising file's path.
#define VOCALITH_FILE_NAME (__builtin_strrchr("/" __FILE__, '/') + 1)

#endif
