#include "vocalith/fconv/sound_stream.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

#include "fconv/file_error.h"

namespace fconv {

namespace {

bool is_standard(std::FILE* pFile)
{
    return pFile == stdin || pFile == stdout;
}

// Sound files are read and written front to back in large pieces; stdio's
// default of one page per system call makes the kernel's share of a long
// conversion larger than the conversion's own.
constexpr std::size_t c_nFileBufferBytes = 1 << 16;

}  // namespace

sound_stream::sound_stream(const std::string& strName, bool bRead)
    : m_pFile(nullptr), m_bWrite(!bRead)
{
    if (strName == "-") {
        m_pFile = bRead ? stdin : stdout;
        return;
    }
    m_pFile = std::fopen(strName.c_str(), bRead ? "rb" : "wb");
    if (m_pFile != nullptr) {
        buffer();
        return;
    }
    int nErrno = errno;
    if (bRead)
        file_error::raise(file_error::open_read, "Cannot open file %s for reading, errno=%d \"%s\"",
                          strName.c_str(), nErrno, std::strerror(nErrno));
    file_error::raise(file_error::open_write, "Cannot open file %s for writing, errno=%d \"%s\"",
                      strName.c_str(), nErrno, std::strerror(nErrno));
}

sound_stream::sound_stream(temp_file) : m_pFile(std::tmpfile()), m_bWrite(false)
{
    if (m_pFile != nullptr) {
        buffer();
        return;
    }
    int nErrno = errno;
    file_error::raise(file_error::create_temp, "Cannot create tmp file, errno=%d \"%s\"", nErrno,
                      std::strerror(nErrno));
}

sound_stream::~sound_stream()
{
    close();
}

sound_stream::sound_stream(sound_stream&& other) noexcept
    : m_pFile(std::exchange(other.m_pFile, nullptr)), m_bWrite(other.m_bWrite), m_pBuffer(std::move(other.m_pBuffer))
{
}

sound_stream& sound_stream::operator=(sound_stream&& other) noexcept
{
    if (this != &other) {
        close();
        m_pFile = std::exchange(other.m_pFile, nullptr);
        m_bWrite = other.m_bWrite;
        m_pBuffer = std::move(other.m_pBuffer);
    }
    return *this;
}

void sound_stream::close()
{
    if (m_pFile != nullptr && !is_standard(m_pFile)) std::fclose(m_pFile);
    m_pFile = nullptr;
    m_pBuffer.reset();
}

void sound_stream::buffer()
{
    // glibc ignores the size when it allocates the buffer itself.
    // Without memory for it the file keeps stdio's own buffer.
    m_pBuffer.reset(new (std::nothrow) char[c_nFileBufferBytes]);
    if (m_pBuffer) {
        std::setvbuf(m_pFile, m_pBuffer.get(), _IOFBF, c_nFileBufferBytes);
    }
}

unsigned sound_stream::read(void* pBuf, unsigned nSize)
{
    if (nSize == 0) return 0;  // the buffer may then be null
    size_t nRead = std::fread(pBuf, 1, nSize, m_pFile);
    if (nRead != 0 || std::feof(m_pFile) || !std::ferror(m_pFile)) return static_cast<unsigned>(nRead);
    int nErrno = errno;
    file_error::raise(file_error::read_failed, "Error reading file, errno=%d \"%s\"", nErrno,
                      std::strerror(nErrno));
}

unsigned sound_stream::write(const void* pBuf, unsigned nSize)
{
    if (nSize == 0) return 0;
    size_t nWritten = std::fwrite(pBuf, 1, nSize, m_pFile);
    if (nWritten == nSize || !std::ferror(m_pFile)) return static_cast<unsigned>(nWritten);
    int nErrno = errno;
    file_error::raise(file_error::write_failed, "Error writing file, errno=%d \"%s\"", nErrno,
                      std::strerror(nErrno));
}

void sound_stream::top()
{
    std::rewind(m_pFile);
}

void sound_stream::top(unsigned nPos)
{
    std::fseek(m_pFile, static_cast<long>(nPos), SEEK_SET);
}

void sound_stream::skip(unsigned nCount)
{
    if (nCount == 0 || std::fseek(m_pFile, static_cast<long>(nCount), SEEK_CUR) == 0) return;
    // A pipe cannot seek: read and drop the bytes instead.
    char aDrop[4096];
    while (nCount > 0) {
        size_t nPart = nCount < sizeof(aDrop) ? nCount : sizeof(aDrop);
        size_t nRead = std::fread(aDrop, 1, nPart, m_pFile);
        if (nRead == 0) break;
        nCount -= static_cast<unsigned>(nRead);
    }
}

void sound_stream::end()
{
    std::fseek(m_pFile, 0, SEEK_END);
}

unsigned sound_stream::pos()
{
    return static_cast<unsigned>(std::ftell(m_pFile));
}

}  // namespace fconv
