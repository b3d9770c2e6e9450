#include "vocalith/app/exception.h"

#include "api/format_message.h"

namespace app {

exception::exception(exit_code::ExitCode code, const char* msg, const char* file, unsigned int line)
    : m_code(code)
{
    format_message(m_strMessage, "%s, line %u: %s", file, line, msg);
}

exception::exception(exit_code::ExitCode code, const char* fmt, va_list args, const char* file,
                     unsigned int line)
    : m_code(code)
{
    // The prefix is formatted first and the result then serves as the format
    // for the caller's arguments.
    std::string strFormat;
    format_message(strFormat, "%s, line %u: %s", file, line, fmt);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    format_message(m_strMessage, strFormat.c_str(), args);
#pragma GCC diagnostic pop
}

exception::exception(const char* msg, const char* file, unsigned int line)
    : exception(exit_code::Unspecified, msg, file, line)
{
}

exception::exception(const std::string& msg, const char* file, unsigned int line)
    : m_code(exit_code::Unspecified)
{
    format_message(m_strMessage, "%s, line %i: %s", file, static_cast<int>(line), msg.c_str());
}

exception::exception(const char* fmt, va_list args, const char* file, unsigned int line)
    : exception(exit_code::Unspecified, fmt, args, file, line)
{
}

exception::exception(const exception& other)
    : std::exception(other), m_strMessage(other.m_strMessage), m_code(other.m_code)
{
}

exception& exception::operator=(const exception& other)
{
    std::exception::operator=(other);
    if (this != &other) {
        m_strMessage = other.m_strMessage;
    }
    m_code = other.m_code;
    return *this;
}

exception::~exception() = default;

const char* exception::what() const noexcept
{
    return m_strMessage.c_str();
}

void throw_exception(exit_code::ExitCode code, const char* file, unsigned int line, const char* fmt,
                     ...)
{
    va_list args;
    va_start(args, fmt);
    exception error(code, fmt, args, file, line);
    va_end(args);
    throw error;
}

}  // namespace app
