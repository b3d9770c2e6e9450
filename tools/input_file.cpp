#include "input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include <CLI/CLI.hpp>

#include "common.h"
#include "sndfile_pipe.h"
#include "sound_type.h"
#include "stdin_peek.h"
#include "sysport/runtime.h"
#include "vocalith/codec/factory.h"
#include "vocalith/fconv/wav_file.h"

namespace tool {

namespace {

// The library's WAV reader takes the first 36 bytes as header.
const std::size_t c_nHead = 36;

bool is_riff_wave(const std::string& strHead)
{
    return strHead.size() >= 12 && strHead.compare(0, 4, "RIFF") == 0 && strHead.compare(8, 4, "WAVE") == 0;
}

// Whether the library's WAV reader understands this header: the format chunk
// first, and a tag and depth its codecs take (16-bit PCM, 32-bit float,
// 8-bit G.711). Everything else (8/24/32-bit integer, 64-bit float,
// WAVE_FORMAT_EXTENSIBLE) is libsndfile's.
bool library_reads(const std::string& strHead)
{
    if (strHead.size() < c_nHead || strHead.compare(12, 4, "fmt ") != 0) {
        return false;
    }
    auto u16 = [&](std::size_t i) {
        return static_cast<unsigned>(static_cast<unsigned char>(strHead[i]) |
                                     (static_cast<unsigned char>(strHead[i + 1]) << 8));
    };
    unsigned nTag = u16(20), nBits = u16(34);
    return (nTag == 1 && nBits == 16) || (nTag == 3 && nBits == 32) || ((nTag == 6 || nTag == 7) && nBits == 8);
}

std::string file_head(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    std::string str(c_nHead, '\0');
    in.read(&str[0], static_cast<std::streamsize>(str.size()));
    str.resize(static_cast<std::size_t>(in.gcount()));
    return str;
}

}  // namespace

void input_option_set::add(CLI::App& sub, input_options& options, bool bType)
{
    pChannels = sub.add_option("--channels", options.nChannels, "a raw input's channels (default 1)");
    pRate = sub.add_option("--rate", options.nRate, "a raw input's sample rate in Hz (default 8000)");
    sub.add_option("--in-codec", options.strCodec,
                   "input codec: float32, pcm16le, pcm16be, alaw, ulaw, gsm (default: the WAV header, "
                   "else the raw file's type, else pcm16le)");
    if (bType) {
        sub.add_option("-t,--type", options.strType, "type of the input (wav, flac, ul, ...), for - in particular");
    }
}

void input_option_set::note_given(input_options& options) const
{
    options.bChannels = pChannels && pChannels->count() > 0;
    options.bRate = pRate && pRate->count() > 0;
}

input_file::input_file(const std::string& strPath, const input_options& options)
    : m_strPath(strPath),
      m_nPipeFd(-1),
      m_nCodec(codec::id_none),
      m_nChannels(0),
      m_nRate(0),
      m_nUnitBytes(1),
      m_nUnitSamples(1),
      m_bPipe(false),
      m_nDataBytes(0)
{
    const sound_type* pType = nullptr;
    try {
        pType = type_of(strPath, options.strType);
    } catch (const error&) {
        // A name the table does not know is raw when the codec is given.
        if (!options.strType.empty() || options.strCodec.empty()) {
            throw;
        }
        pType = find_type("raw");
    }
    std::string strHead;
    if (strPath == "-") {
        m_pPeek.reset(new stdin_peek(c_nHead));
        strHead = m_pPeek->bytes();
        m_bPipe = m_pPeek->is_pipe();
    } else {
        struct stat st;
        if (::stat(strPath.c_str(), &st) != 0 || ::access(strPath.c_str(), R_OK) != 0) {
            int nErr = errno;
            throw error(format("%s: cannot read: %s", strPath.c_str(), std::strerror(nErr)));
        }
        if (S_ISDIR(st.st_mode)) {
            throw error(format("%s: cannot read: %s", strPath.c_str(), std::strerror(EISDIR)));
        }
        m_bPipe = !S_ISREG(st.st_mode);
        strHead = m_bPipe ? std::string() : file_head(strPath);
    }

    bool bRaw = pType ? pType->kind == sound_kind::raw : strPath == "-" || !options.strCodec.empty();
    if (is_riff_wave(strHead) && !(bRaw && !options.strType.empty())) {
        // WAV is known by its content, whatever the name says.
        if (library_reads(strHead)) {
            open_library(true);
        } else {
            open_sndfile();
        }
    } else if (bRaw) {
        open_library(false);
    } else {
        open_sndfile();
    }
    resolve(pType, options);
}

input_file::~input_file()
{
    m_pSnd.reset();
    if (m_nPipeFd > STDIN_FILENO) {
        ::close(m_nPipeFd);
    }
}

void input_file::open_library(bool bWav)
{
    m_pStream.reset(new fconv::sound_stream(m_strPath, true));
    m_pFile = m_factory.instantiate(bWav ? fconv::format_wav : fconv::format_raw, *m_pStream);
    if (bWav) {
        m_nDataBytes = static_cast<fconv::wav_file&>(*m_pFile).data_size();
    } else if (!m_bPipe) {
        m_pStream->end();
        m_nDataBytes = m_pStream->pos();
        m_pStream->top();
    }
}

void input_file::open_sndfile()
{
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    SNDFILE* p = nullptr;
    if (m_bPipe) {
        m_nPipeFd = m_strPath == "-" ? STDIN_FILENO : sysport::open_for_reading(m_strPath);
        m_pPipe.reset(new sndfile_pipe(m_nPipeFd));
        p = m_pPipe->open(info);
    } else {
        p = m_strPath == "-" ? sf_open_fd(STDIN_FILENO, SFM_READ, &info, SF_FALSE)
                             : sf_open(m_strPath.c_str(), SFM_READ, &info);
    }
    if (!p) {
        throw error(format("%s: cannot read: %s", m_strPath.c_str(), sf_strerror(nullptr)));
    }
    m_pSnd.reset(p);
    m_nCodec = codec::id_pcm_float32;
    m_nChannels = static_cast<unsigned int>(info.channels);
    m_nRate = static_cast<unsigned int>(info.samplerate);
    if (!m_bPipe && info.frames > 0 && info.frames < SF_COUNT_MAX) {
        m_nDataBytes = static_cast<std::uint64_t>(info.frames) * 4 * m_nChannels;
    }
}

void input_file::resolve(const sound_type* pType, const input_options& options)
{
    if (m_pFile && m_pFile->id() == fconv::format_wav) {
        m_nCodec = static_cast<codec::id>(m_pFile->codec());
        m_nChannels = m_pFile->channels();
        m_nRate = m_pFile->sample_rate();
    } else if (m_pFile) {
        m_nCodec = pType && pType->nCodec != codec::id_none ? pType->nCodec : codec::id_pcm_int16le;
        m_nChannels = 1;
        m_nRate = 8000;
    }
    if (m_pFile) {
        if (!options.strCodec.empty()) {
            m_nCodec = parse_codec(options.strCodec, "--in-codec");
        }
        if (options.bChannels) {
            m_nChannels = options.nChannels;
        }
        if (options.bRate) {
            m_nRate = options.nRate;
        }
    }
    check_channels(m_nChannels, m_strPath.c_str());
    check_rate(m_nRate, m_strPath.c_str());
    if (is_mono_codec(m_nCodec) && m_nChannels != 1) {
        throw error(format("%s: codec %s carries one channel, not %u", m_strPath.c_str(),
                           codec::factory::instance().name(m_nCodec, "?"), m_nChannels));
    }
    std::unique_ptr<codec::decoder> pDecoder = codec::factory::instance().create_decoder(m_nCodec);
    if (!pDecoder) {
        throw error(format("%s: no decoder for codec %u", m_strPath.c_str(), static_cast<unsigned>(m_nCodec)));
    }
    m_nUnitSamples = pDecoder->format().nBlockSamples;
    m_nUnitBytes = pDecoder->format().nBlockBytes * (is_mono_codec(m_nCodec) ? 1 : m_nChannels);
}

unsigned int input_file::read(void* pBuf, unsigned int nSize)
{
    try {
        if (m_pFile) {
            return m_pFile->read(pBuf, nSize);
        }
        sf_count_t nFrames = nSize / unit_bytes();
        sf_count_t nGot = sf_readf_float(m_pSnd.get(), static_cast<float*>(pBuf), nFrames);
        if (nGot == 0 && sf_error(m_pSnd.get()) != SF_ERR_NO_ERROR) {
            throw error(sf_strerror(m_pSnd.get()));
        }
        return static_cast<unsigned int>(nGot) * unit_bytes();
    } catch (const std::exception& e) {
        throw error(format("%s: %s", m_strPath.c_str(), user_message(e.what()).c_str()), exit_failed);
    }
}

double input_file::duration() const
{
    return static_cast<double>(m_nDataBytes) / unit_bytes() * unit_samples() / m_nRate;
}

}  // namespace tool
