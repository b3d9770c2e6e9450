#include "stdin_peek.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common.h"
#include "sysport/runtime.h"

namespace tool {

namespace {

bool write_all(int fd, const char* pData, std::size_t nSize)
{
    while (nSize > 0) {
        ssize_t n = ::write(fd, pData, nSize);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        pData += n;
        nSize -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies what was looked at, then the rest of fdFrom as it arrives.
void relay(std::string strFirst, int fdFrom, int fdTo, std::shared_ptr<std::atomic<bool>> pDone)
{
    bool bOk = write_all(fdTo, strFirst.data(), strFirst.size());
    char buf[4096];
    while (bOk) {
        ssize_t n = ::read(fdFrom, buf, sizeof buf);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        bOk = write_all(fdTo, buf, static_cast<std::size_t>(n));
    }
    ::close(fdTo);
    ::close(fdFrom);
    pDone->store(true);
}

}  // namespace

stdin_peek::stdin_peek(std::size_t nBytes) : m_bPipe(false), m_pDone(std::make_shared<std::atomic<bool>>(false))
{
    off_t nStart = ::lseek(STDIN_FILENO, 0, SEEK_CUR);
    m_bPipe = nStart < 0;
    m_strBytes.resize(nBytes);
    std::size_t nHave = 0;
    while (nHave < nBytes) {
        ssize_t n = ::read(STDIN_FILENO, &m_strBytes[nHave], nBytes - nHave);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            int nErr = errno;
            throw error(format("standard input: %s", std::strerror(nErr)));
        }
        if (n == 0) {
            break;
        }
        nHave += static_cast<std::size_t>(n);
    }
    m_strBytes.resize(nHave);
    if (!m_bPipe) {
        ::lseek(STDIN_FILENO, nStart, SEEK_SET);
        return;
    }
    int fds[2];
    int fdFrom = ::dup(STDIN_FILENO);
    if (fdFrom < 0 || !sysport::make_pipe(fds) || ::dup2(fds[0], STDIN_FILENO) < 0) {
        int nErr = errno;
        throw error(format("standard input: %s", std::strerror(nErr)));
    }
    ::close(fds[0]);
    // A reader that stops early must not kill the process through the relay.
    sysport::ignore_broken_pipes();
    m_relay = std::thread(relay, m_strBytes, fdFrom, fds[1], m_pDone);
}

stdin_peek::~stdin_peek()
{
    if (!m_relay.joinable()) {
        return;
    }
    if (m_pDone->load()) {
        m_relay.join();
    } else {
        m_relay.detach();
    }
}

}  // namespace tool
