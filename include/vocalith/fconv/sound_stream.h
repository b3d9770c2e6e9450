// The byte stream under every sound file: one runtime file handle opened on
// a named file, on the standard input or output ("-"), or on an anonymous
// temporary file. Reads and writes turn runtime errors into app::exception
// with exit_code::FileError. A stream is used by one thread at a time.
#ifndef VOCALITH_FCONV_SOUND_STREAM_H
#define VOCALITH_FCONV_SOUND_STREAM_H

#include <cstdio>
#include <memory>
#include <string>

#include "vocalith/export.h"

namespace fconv {

// Tag selecting the temporary-file constructor.
struct temp_file {};

class VOCALITH_API sound_stream {
public:
    // Opens strName for reading ("rb") or writing ("wb", created or
    // truncated). Exactly "-" is the standard input when reading and the
    // standard output when writing; those are never closed by the stream.
    // Throws app::exception (FileError) when the file cannot be opened.
    sound_stream(const std::string& strName, bool bRead);
    // A new temporary file, open for reading and writing and removed when
    // closed. readable() is true. Throws app::exception (FileError).
    explicit sound_stream(temp_file);
    ~sound_stream();

    // Moving hands the handle over; the moved-from stream holds none and
    // may only be destroyed or assigned to.
    sound_stream(sound_stream&& other) noexcept;
    sound_stream& operator=(sound_stream&& other) noexcept;
    sound_stream(const sound_stream&) = delete;
    sound_stream& operator=(const sound_stream&) = delete;

    // Reads up to nSize bytes into pBuf; returns the count read, short or 0
    // at the end of the file. Throws app::exception (FileError) when nothing
    // was read because of a read error.
    unsigned read(void* pBuf, unsigned nSize);
    // Writes nSize bytes; returns the count written. Throws app::exception
    // (FileError) when fewer were written because of a write error.
    unsigned write(const void* pBuf, unsigned nSize);

    // Positioning reports nothing; a stream that cannot seek stays where it
    // is, except that skip() reads and drops the bytes instead.
    void top();                // to the start, clearing end-of-file and error state
    void top(unsigned nPos);   // to absolute byte position nPos
    void skip(unsigned nCount);  // nCount bytes forward
    void end();                // to the end
    // Current byte position; 0xFFFFFFFF when the stream has none (a pipe).
    unsigned pos();

    // False only for a stream opened for writing.
    bool readable() const { return !m_bWrite; }

private:
    void close();
    void buffer();

    std::FILE* m_pFile;
    bool m_bWrite;
    std::unique_ptr<char[]> m_pBuffer;  // stdio's buffer for a named or temporary file
};

}  // namespace fconv

#endif
