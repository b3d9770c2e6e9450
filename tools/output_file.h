// The sound file convert writes. WAV and raw outputs go through the
// library's own files; FLAC, Ogg, AIFF, MP3 and the other containers through
// libsndfile, which takes 16-bit or float samples. A named output is written
// under a temporary name in the same directory and renamed only once it is
// complete, so a failed conversion leaves nothing under the output's name.
#ifndef VOCALITH_TOOL_OUTPUT_FILE_H
#define VOCALITH_TOOL_OUTPUT_FILE_H

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vocalith/codec/id.h"
#include "vocalith/fconv/file_factory.h"
#include "vocalith/fconv/sound_file.h"
#include "vocalith/fconv/sound_stream.h"

namespace tool {

struct sound_type;

class output_file {
public:
    // pType is the output's type (null: raw, as for "-" without -t). nCodec
    // is the codec asked for, id_none for the type's default: 16-bit PCM for
    // WAV and libsndfile's types, the type's own codec for raw, else
    // nRawDefault. "-" writes to the standard output; a WAV there states an
    // unknown length. Throws tool::error for a codec the type cannot carry or
    // a place that takes no new file.
    output_file(const std::string& strPath, const sound_type* pType, codec::id nCodec, codec::id nRawDefault,
                unsigned int nChannels, unsigned int nRate);
    // Removes the temporary file unless commit succeeded.
    ~output_file();
    output_file(const output_file&) = delete;
    output_file& operator=(const output_file&) = delete;

    // The codec the bytes handed to write must be in.
    codec::id codec() const { return m_nCodec; }
    // Throws tool::error (exit_failed) when the bytes cannot be written.
    void write(const void* pData, unsigned int nSize);
    // Hands what was written so far on to a reader of the standard output.
    void flush();
    // Completes the header for nSampleCount samples per channel, closes the
    // file and gives it the output's name. Throws tool::error when a WAV
    // header cannot state that many samples.
    void commit(std::uint64_t nSampleCount);

private:
    struct sndfile_closer {
        void operator()(SNDFILE* p) const { sf_close(p); }
    };

    std::string make_temp_name();
    void open_library(bool bWav, unsigned int nChannels, unsigned int nRate);
    void open_sndfile(const sound_type& type, codec::id nAsked, unsigned int nChannels, unsigned int nRate);
    void write_stream_header(unsigned int nChannels, unsigned int nRate);
    unsigned int frame_bytes() const;
    void write_whole(const void* pData, unsigned int nFrames);

    std::string m_strPath;
    std::string m_strTemp;  // empty for the standard output
    codec::id m_nCodec;
    std::unique_ptr<fconv::sound_stream> m_pStream;
    fconv::file_factory m_factory;
    std::unique_ptr<fconv::sound_file> m_pFile;
    std::unique_ptr<SNDFILE, sndfile_closer> m_pSnd;
    unsigned int m_nChannels;
    std::uint32_t m_nFrameBytes;  // bytes per sample of all channels in a WAV data chunk; 0 otherwise
    bool m_bCommitted;
};

}  // namespace tool

#endif
