// The sound file convert writes. A named output is written under a temporary
// name in the same directory and renamed only once it is complete, so a
// failed conversion leaves nothing under the output's name.
#ifndef VOCALITH_TOOL_OUTPUT_FILE_H
#define VOCALITH_TOOL_OUTPUT_FILE_H

#include <cstdint>
#include <memory>
#include <string>

#include "vocalith/codec/id.h"
#include "vocalith/fconv/file_factory.h"
#include "vocalith/fconv/sound_file.h"
#include "vocalith/fconv/sound_stream.h"

namespace tool {

class output_file {
public:
    // WAV when the name ends in ".wav", raw otherwise; "-" writes raw data
    // to the standard output. Throws tool::error for a codec that WAV cannot
    // carry or a directory that takes no new file.
    output_file(const std::string& strPath, codec::id nCodec, unsigned int nChannels, unsigned int nRate);
    // Removes the temporary file unless commit succeeded.
    ~output_file();
    output_file(const output_file&) = delete;
    output_file& operator=(const output_file&) = delete;

    void write(const void* pData, unsigned int nSize) { m_pFile->write(pData, nSize); }
    // Completes the header for nSampleCount samples per channel, closes the
    // file and gives it the output's name. Throws tool::error when a WAV
    // header cannot state that many samples.
    void commit(std::uint64_t nSampleCount);

private:
    std::string make_temp_name();

    std::string m_strPath;
    std::string m_strTemp;  // empty for the standard output
    std::unique_ptr<fconv::sound_stream> m_pStream;
    fconv::file_factory m_factory;
    std::unique_ptr<fconv::sound_file> m_pFile;
    std::uint32_t m_nFrameBytes;  // bytes per sample of all channels in a WAV data chunk; 0 for raw
    bool m_bCommitted;
};

}  // namespace tool

#endif
