// Libsndfile's view of a pipe: a file that can go back to any of its first
// bytes (a header read twice, as FLAC's reader does) and forward by reading.
// Libsndfile alone cannot read FLAC from a pipe.
#ifndef VOCALITH_TOOL_SNDFILE_PIPE_H
#define VOCALITH_TOOL_SNDFILE_PIPE_H

#include <sndfile.h>

#include <string>

namespace tool {

class sndfile_pipe {
public:
    // Reads fd (not owned) from where it stands.
    explicit sndfile_pipe(int fd) : m_fd(fd), m_nPos(0), m_nGot(0) {}
    sndfile_pipe(const sndfile_pipe&) = delete;
    sndfile_pipe& operator=(const sndfile_pipe&) = delete;

    // Opens it for reading through libsndfile; null on failure.
    SNDFILE* open(SF_INFO& info);

private:
    static SF_VIRTUAL_IO s_io;

    sf_count_t read(void* pBuf, sf_count_t nSize);
    sf_count_t seek(sf_count_t nOffset, int nWhence);
    bool read_fd(char* pBuf, sf_count_t nSize, sf_count_t& nGot);

    int m_fd;
    std::string m_strKept;  // the first bytes read, up to c_nKept
    sf_count_t m_nPos;      // where the next read starts
    sf_count_t m_nGot;      // bytes read from the pipe so far
};

}  // namespace tool

#endif
