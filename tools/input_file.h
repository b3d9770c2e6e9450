// The sound file a subcommand reads: WAV recognised by its content, anything
// else raw, with codec, channel count and rate resolved and checked.
#ifndef VOCALITH_TOOL_INPUT_FILE_H
#define VOCALITH_TOOL_INPUT_FILE_H

#include <cstdint>
#include <memory>
#include <string>

#include "vocalith/codec/id.h"
#include "vocalith/fconv/file_factory.h"
#include "vocalith/fconv/sound_file.h"
#include "vocalith/fconv/sound_stream.h"

namespace CLI {
class App;
class Option;
}

namespace tool {

// What the command line says about the input; an empty codec name means
// "not given", the counts only count when their flag is set.
struct input_options {
    std::string strCodec;
    unsigned int nChannels = 0;
    unsigned int nRate = 0;
    bool bChannels = false;
    bool bRate = false;
};

// Adds --channels, --rate and --in-codec to sub; their flags are set by
// note_given once the command line has been parsed.
struct input_option_set {
    void add(CLI::App& sub, input_options& options);
    void note_given(input_options& options) const;

    CLI::Option* pChannels = nullptr;
    CLI::Option* pRate = nullptr;
};

class input_file {
public:
    // strPath "-" reads the standard input, which is first copied into a
    // temporary file so that its header can be looked at. A WAV header gives
    // the defaults; raw data defaults to the codec its extension names (else
    // pcm16le), one channel and 8000 Hz. Options override both. Throws
    // tool::error or app::exception with a message fit for the user.
    input_file(const std::string& strPath, const input_options& options);

    // Next coded bytes; 0 at the end of the samples.
    unsigned int read(void* pBuf, unsigned int nSize) { return m_pFile->read(pBuf, nSize); }

    codec::id codec() const { return m_nCodec; }
    unsigned int channels() const { return m_nChannels; }
    unsigned int rate() const { return m_nRate; }
    bool is_wav() const { return m_bWav; }
    // Size of the coded samples in bytes, as far as it is known beforehand.
    std::uint64_t data_bytes() const { return m_nDataBytes; }
    // Length in seconds that data_bytes stands for.
    double duration() const;

private:
    void open(const std::string& strPath);
    void resolve(const std::string& strPath, const input_options& options);

    std::unique_ptr<fconv::sound_stream> m_pStream;
    fconv::file_factory m_factory;
    std::unique_ptr<fconv::sound_file> m_pFile;
    codec::id m_nCodec;
    unsigned int m_nChannels;
    unsigned int m_nRate;
    bool m_bWav;
    std::uint64_t m_nDataBytes;
};

}  // namespace tool

#endif
