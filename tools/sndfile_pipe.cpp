#include "sndfile_pipe.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tool {

namespace {

// Enough for any header that is read again.
const std::size_t c_nKept = 1 << 20;

}  // namespace

SF_VIRTUAL_IO sndfile_pipe::s_io = {
    [](void*) -> sf_count_t { return SF_COUNT_MAX; },  // unknown length
    [](sf_count_t nOffset, int nWhence, void* p) { return static_cast<sndfile_pipe*>(p)->seek(nOffset, nWhence); },
    [](void* pBuf, sf_count_t nSize, void* p) { return static_cast<sndfile_pipe*>(p)->read(pBuf, nSize); },
    [](const void*, sf_count_t, void*) -> sf_count_t { return 0; },
    [](void* p) { return static_cast<sndfile_pipe*>(p)->m_nPos; },
};

SNDFILE* sndfile_pipe::open(SF_INFO& info) { return sf_open_virtual(&s_io, SFM_READ, &info, this); }

// Appends what the pipe gives (up to nSize bytes) to pBuf; false at its end.
bool sndfile_pipe::read_fd(char* pBuf, sf_count_t nSize, sf_count_t& nGot)
{
    ssize_t n;
    do {
        n = ::read(m_fd, pBuf, static_cast<std::size_t>(nSize));
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        return false;
    }
    if (m_strKept.size() == static_cast<std::size_t>(m_nGot) && m_strKept.size() < c_nKept) {
        m_strKept.append(pBuf, static_cast<std::size_t>(n));
    }
    m_nGot += n;
    nGot = n;
    return true;
}

sf_count_t sndfile_pipe::read(void* pBuf, sf_count_t nSize)
{
    char* pOut = static_cast<char*>(pBuf);
    sf_count_t nDone = 0;
    while (nDone < nSize) {
        sf_count_t nKept = static_cast<sf_count_t>(m_strKept.size());
        if (m_nPos < nKept) {
            sf_count_t n = std::min(nSize - nDone, nKept - m_nPos);
            std::memcpy(pOut + nDone, m_strKept.data() + m_nPos, static_cast<std::size_t>(n));
            nDone += n;
            m_nPos += n;
            continue;
        }
        sf_count_t nGot = 0;
        if (m_nPos != m_nGot || !read_fd(pOut + nDone, nSize - nDone, nGot)) {
            break;
        }
        nDone += nGot;
        m_nPos += nGot;
    }
    return nDone;
}

sf_count_t sndfile_pipe::seek(sf_count_t nOffset, int nWhence)
{
    sf_count_t nTarget = nWhence == SEEK_SET ? nOffset : nWhence == SEEK_CUR ? m_nPos + nOffset : -1;
    if (nTarget < 0 || (nTarget < m_nGot && nTarget > static_cast<sf_count_t>(m_strKept.size()))) {
        return -1;
    }
    char buf[4096];
    while (m_nGot < nTarget) {
        // Forward by reading; what is read on the way is kept like any read.
        sf_count_t nGot = 0;
        m_nPos = m_nGot;
        if (!read_fd(buf, std::min<sf_count_t>(sizeof buf, nTarget - m_nGot), nGot)) {
            return -1;
        }
    }
    m_nPos = nTarget;
    return m_nPos;
}

}  // namespace tool
