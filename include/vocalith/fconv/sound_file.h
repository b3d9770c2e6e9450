// A sound stream seen through a container format: recognising the format,
// reading and writing its header, and the codec (codec::id), channel count
// and sample rate of the samples. Sound files move coded bytes only.
// A sound file never owns its stream: the stream must outlive it or be
// detached first. One thread at a time.
#ifndef VOCALITH_FCONV_SOUND_FILE_H
#define VOCALITH_FCONV_SOUND_FILE_H

#include <cstdint>

#include "vocalith/export.h"

namespace fconv {

class sound_stream;

// File format ids; 0 is no format.
enum format_id : std::uint32_t {
    format_none = 0,
    format_raw = 1,
    format_wav = 2,
    format_amr = 3,  // known by name only
};

class VOCALITH_API sound_file {
public:
    sound_file();  // detached, id 0
    virtual ~sound_file();

    // Whether the content from the stream's current position is of this
    // format. Reads from the stream; false for a stream opened for writing,
    // which is then left untouched.
    virtual bool is_suitable(sound_stream& s) = 0;
    // A new object of the same class attached to s, owned by the caller.
    // Rewinds s and reads the header when s is readable.
    virtual sound_file* create(sound_stream& s) = 0;
    // Writes a fresh header for samples of that codec::id, channel count
    // and sample rate (Hz), at the start of the stream.
    virtual void write_header(unsigned nCodec, unsigned nChannels, unsigned nRate) = 0;
    // Sample bytes; the counts returned are bytes.
    virtual unsigned read(void* pBuf, unsigned nSize) = 0;
    virtual unsigned write(const void* pBuf, unsigned nSize) = 0;
    // Completes the header once nSampleCount samples per channel have been
    // written; the stream is expected at the end of the written data.
    virtual void finish(unsigned nSampleCount) = 0;
    virtual unsigned codec() = 0;  // codec::id of the samples, 0 if unknown
    virtual unsigned sample_rate() = 0;
    virtual unsigned channels() = 0;

    void attach(sound_stream& s) { m_pStream = &s; }
    // The attached stream (or null); the file is detached afterwards.
    sound_stream* detach();
    bool is_attached() const { return m_pStream != nullptr; }
    unsigned id() const { return m_nId; }

protected:
    explicit sound_file(unsigned nId);
    sound_file(sound_stream& s, unsigned nId);
    sound_file(const sound_file& other) = default;
    sound_file& operator=(const sound_file& other) = default;

    // Only while attached.
    sound_stream& stream() { return *m_pStream; }

private:
    sound_stream* m_pStream;
    std::uint32_t m_nId;
};

}  // namespace fconv

#endif
