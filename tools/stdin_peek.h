// A look at the first bytes of the standard input that leaves them in place,
// so that the library's files and libsndfile both read it from its start.
// A file on the standard input is moved back to where it was; a pipe is
// replaced (file descriptor 0) by a new pipe that a thread fills with the
// bytes looked at and then everything that follows, as it arrives.
#ifndef VOCALITH_TOOL_STDIN_PEEK_H
#define VOCALITH_TOOL_STDIN_PEEK_H

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace tool {

class stdin_peek {
public:
    // Reads up to nBytes (fewer only at the end of the input). Throws
    // tool::error when the standard input cannot be read.
    explicit stdin_peek(std::size_t nBytes);
    // Waits for the thread when it has copied everything; a thread still
    // waiting for input is left to end with the process.
    ~stdin_peek();
    stdin_peek(const stdin_peek&) = delete;
    stdin_peek& operator=(const stdin_peek&) = delete;

    const std::string& bytes() const { return m_strBytes; }
    // Whether the standard input is a pipe (or anything else without a position).
    bool is_pipe() const { return m_bPipe; }

private:
    std::string m_strBytes;
    bool m_bPipe;
    std::shared_ptr<std::atomic<bool>> m_pDone;
    std::thread m_relay;
};

}  // namespace tool

#endif
