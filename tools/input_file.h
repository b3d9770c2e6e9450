// The sound file a subcommand reads. WAV files the library's reader carries
// and raw files go through the library's own files, as a host's bytes would;
// every other file (other WAV layouts, AIFF, FLAC, Ogg, MP3, ...) is read by
// libsndfile and handed on as 32-bit float samples. A pipe is read as it
// arrives.
#ifndef VOCALITH_TOOL_INPUT_FILE_H
#define VOCALITH_TOOL_INPUT_FILE_H

#include <sndfile.h>

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

class sndfile_pipe;
class stdin_peek;
struct sound_type;

// What the command line says about the input; an empty codec or type name
// means "not given", the counts only count when their flag is set.
struct input_options {
    std::string strCodec;
    std::string strType;
    unsigned int nChannels = 0;
    unsigned int nRate = 0;
    bool bChannels = false;
    bool bRate = false;
};

// Adds --channels, --rate and --in-codec (and -t/--type when bType) to sub;
// their flags are set by note_given once the command line has been parsed.
struct input_option_set {
    void add(CLI::App& sub, input_options& options, bool bType = true);
    void note_given(input_options& options) const;

    CLI::Option* pChannels = nullptr;
    CLI::Option* pRate = nullptr;
};

class input_file {
public:
    // strPath "-" reads the standard input. The type comes from -t, the
    // extension or, for the standard input, the content (RIFF/WAVE, else raw).
    // A WAV header or libsndfile gives codec, channels and rate; raw data
    // defaults to the codec its type names (else pcm16le), one channel and
    // 8000 Hz. Options override what a library file says. Throws tool::error
    // or app::exception with a message fit for the user.
    input_file(const std::string& strPath, const input_options& options);
    ~input_file();
    input_file(const input_file&) = delete;
    input_file& operator=(const input_file&) = delete;

    // Next coded bytes; 0 at the end of the samples. Libsndfile's samples
    // come in whole frames, so nSize must hold at least one frame_bytes().
    // Throws tool::error (exit_failed) when the input breaks off.
    unsigned int read(void* pBuf, unsigned int nSize);

    codec::id codec() const { return m_nCodec; }
    unsigned int channels() const { return m_nChannels; }
    unsigned int rate() const { return m_nRate; }
    // Whether the bytes are the file's own, through the library's files.
    bool is_library() const { return m_pSnd == nullptr; }
    bool is_pipe() const { return m_bPipe; }
    // Bytes of one coded unit of all channels (a GSM frame, a PCM frame).
    unsigned int unit_bytes() const { return m_nUnitBytes; }
    // Samples per channel in one coded unit.
    unsigned int unit_samples() const { return m_nUnitSamples; }
    // Size of the coded samples in bytes, as far as it is known beforehand (else 0).
    std::uint64_t data_bytes() const { return m_nDataBytes; }
    // Length in seconds that data_bytes stands for.
    double duration() const;

private:
    struct sndfile_closer {
        void operator()(SNDFILE* p) const { sf_close(p); }
    };

    void open_library(bool bWav);
    void open_sndfile();
    void resolve(const sound_type* pType, const input_options& options);

    std::string m_strPath;
    std::unique_ptr<stdin_peek> m_pPeek;
    std::unique_ptr<fconv::sound_stream> m_pStream;
    fconv::file_factory m_factory;
    std::unique_ptr<fconv::sound_file> m_pFile;
    int m_nPipeFd;  // a pipe libsndfile reads; owned when a named one
    std::unique_ptr<sndfile_pipe> m_pPipe;
    std::unique_ptr<SNDFILE, sndfile_closer> m_pSnd;
    codec::id m_nCodec;
    unsigned int m_nChannels;
    unsigned int m_nRate;
    unsigned int m_nUnitBytes;
    unsigned int m_nUnitSamples;
    bool m_bPipe;
    std::uint64_t m_nDataBytes;
};

}  // namespace tool

#endif
