#include "output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "common.h"
#include "sound_type.h"
#include "vocalith/codec/factory.h"
#include "vocalith/fconv/wav_file.h"
#include "sysport/runtime.h"

namespace tool {

namespace {

bool wav_can_carry(codec::id nCodec)
{
    return nCodec == codec::id_pcm_float32 || nCodec == codec::id_pcm_int16le ||
           nCodec == codec::id_pcm_int16be || nCodec == codec::id_g711_alaw || nCodec == codec::id_g711_ulaw;
}

// Libsndfile's subtype for a codec asked of one of its containers.
int sndfile_subtype(codec::id nCodec)
{
    switch (nCodec) {
    case codec::id_pcm_float32: return SF_FORMAT_FLOAT;
    case codec::id_pcm_int16le:
    case codec::id_pcm_int16be: return SF_FORMAT_PCM_16;
    case codec::id_g711_alaw: return SF_FORMAT_ALAW;
    case codec::id_g711_ulaw: return SF_FORMAT_ULAW;
    case codec::id_gsm_610: return SF_FORMAT_GSM610;
    default: return 0;
    }
}

const char* codec_name(codec::id nCodec) { return codec::factory::instance().name(nCodec, "?"); }

// The sizes a WAV header states when its length is not known, as sox writes
// them; readers take them as "until the end of the stream".
const std::uint32_t c_nUnknownData = 0x7ffff000u;

void put32(std::uint8_t* p, std::uint32_t n)
{
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(n >> (8 * i));
    }
}

}  // namespace

output_file::output_file(const std::string& strPath, const sound_type* pType, codec::id nCodec,
                         codec::id nRawDefault, unsigned int nChannels, unsigned int nRate)
    : m_strPath(strPath), m_nCodec(nCodec), m_nChannels(nChannels), m_nFrameBytes(0), m_bCommitted(false)
{
    sound_kind nKind = pType ? pType->kind : sound_kind::raw;
    if (nKind == sound_kind::raw && m_nCodec == codec::id_none) {
        m_nCodec = pType && pType->nCodec != codec::id_none ? pType->nCodec : nRawDefault;
    } else if (nKind == sound_kind::wav && m_nCodec == codec::id_none) {
        m_nCodec = codec::id_pcm_int16le;
    }
    if (nKind == sound_kind::wav && !wav_can_carry(m_nCodec)) {
        throw error(format("%s: a WAV file cannot carry %s samples; give a raw output name such as out.%s",
                           strPath.c_str(), codec_name(m_nCodec), codec::factory::instance().name(m_nCodec, "raw")));
    }
    if (is_mono_codec(m_nCodec) && nChannels != 1) {
        throw error(format("%s: codec %s carries one channel, not %u", strPath.c_str(), codec_name(m_nCodec), nChannels));
    }
    if (strPath != "-") {
        m_strTemp = make_temp_name();
    }
    try {
        if (nKind == sound_kind::sndfile) {
            open_sndfile(*pType, m_nCodec, nChannels, nRate);
        } else {
            open_library(nKind == sound_kind::wav, nChannels, nRate);
        }
    } catch (...) {
        if (!m_strTemp.empty()) {
            std::remove(m_strTemp.c_str());
        }
        throw;
    }
}

output_file::~output_file()
{
    m_pFile.reset();
    m_pStream.reset();
    m_pSnd.reset();
    if (!m_bCommitted && !m_strTemp.empty()) {
        std::remove(m_strTemp.c_str());
    }
}

void output_file::open_library(bool bWav, unsigned int nChannels, unsigned int nRate)
{
    if (bWav && m_strTemp.empty() && m_nCodec == codec::id_pcm_int16be) {
        // The same samples; a stream header cannot be rewritten for the swap.
        m_nCodec = codec::id_pcm_int16le;
    }
    m_pStream.reset(new fconv::sound_stream(m_strTemp.empty() ? "-" : m_strTemp, false));
    if (bWav && m_strTemp.empty()) {
        write_stream_header(nChannels, nRate);
        bWav = false;
    }
    m_pFile = m_factory.instantiate(bWav ? fconv::format_wav : fconv::format_raw, *m_pStream);
    m_pFile->write_header(m_nCodec, nChannels, nRate);
    if (bWav) {
        m_nFrameBytes = nChannels * (m_nCodec == codec::id_pcm_float32 ? 4 : is_mono_codec(m_nCodec) ? 1 : 2);
    }
}

// The library's header for these samples, written once with sizes that
// stand for an unknown length: a pipe cannot be rewound to complete it.
void output_file::write_stream_header(unsigned int nChannels, unsigned int nRate)
{
    fconv::sound_stream scratch{fconv::temp_file()};
    std::unique_ptr<fconv::sound_file> pWav = m_factory.instantiate(fconv::format_wav, scratch);
    pWav->write_header(m_nCodec, nChannels, nRate);
    std::uint8_t aHeader[fconv::wav_file::c_nHeaderSize + 8];
    std::memcpy(aHeader, static_cast<fconv::wav_file&>(*pWav).header(), fconv::wav_file::c_nHeaderSize);
    put32(aHeader + 4, c_nUnknownData + fconv::wav_file::c_nHeaderSize);
    std::memcpy(aHeader + fconv::wav_file::c_nHeaderSize, "data", 4);
    put32(aHeader + fconv::wav_file::c_nHeaderSize + 4, c_nUnknownData);
    m_pStream->write(aHeader, sizeof aHeader);
}

void output_file::open_sndfile(const sound_type& type, codec::id nAsked, unsigned int nChannels, unsigned int nRate)
{
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.channels = static_cast<int>(nChannels);
    info.samplerate = static_cast<int>(nRate);
    info.format = type.nSfFormat;
    if (nAsked != codec::id_none) {
        info.format = (type.nSfFormat & SF_FORMAT_TYPEMASK) | sndfile_subtype(nAsked);
    }
    if (!sf_format_check(&info)) {
        throw error(format("%s: a %s file cannot carry %s at %u Hz in %u channel(s)", m_strPath.c_str(), type.pszName,
                           nAsked == codec::id_none ? "samples" : codec_name(nAsked), nRate, nChannels));
    }
    SNDFILE* p = m_strTemp.empty() ? sf_open_fd(STDOUT_FILENO, SFM_WRITE, &info, SF_FALSE)
                                   : sf_open(m_strTemp.c_str(), SFM_WRITE, &info);
    if (!p) {
        throw error(format("%s: cannot write: %s", m_strPath.c_str(), sf_strerror(nullptr)));
    }
    m_pSnd.reset(p);
    // Libsndfile scales floats by 32767 into integers, while the library's
    // samples are read at 1/32768: 16-bit samples keep every value exactly.
    m_nCodec = nAsked == codec::id_pcm_float32 ? codec::id_pcm_float32 : codec::id_pcm_int16le;
}

std::string output_file::make_temp_name()
{
    // Beside the output, in the folder its name gives with either separator
    // where the platform has two.
    const std::filesystem::path path(m_strPath);
    std::string strTemplate = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    if (!sysport::create_unique_file(strTemplate)) {
        int nErr = errno;
        throw error(format("%s: cannot create the output file: %s", m_strPath.c_str(), std::strerror(nErr)));
    }
    return strTemplate;
}

void output_file::write(const void* pData, unsigned int nSize)
{
    try {
        if (m_pSnd) {
            // The engine hands over whole encoder blocks: frames of all channels.
            write_whole(pData, nSize / frame_bytes());
        } else {
            m_pFile->write(pData, nSize);
        }
    } catch (const std::exception& e) {
        throw error(format("%s: %s", m_strPath.c_str(), user_message(e.what()).c_str()), exit_failed);
    }
}

unsigned int output_file::frame_bytes() const
{
    return (m_nCodec == codec::id_pcm_float32 ? 4 : 2) * m_nChannels;
}

void output_file::write_whole(const void* pData, unsigned int nFrames)
{
    if (nFrames == 0) {
        return;
    }
    sf_count_t nDone = m_nCodec == codec::id_pcm_float32
                           ? sf_writef_float(m_pSnd.get(), static_cast<const float*>(pData), nFrames)
                           : sf_writef_short(m_pSnd.get(), static_cast<const short*>(pData), nFrames);
    if (nDone != nFrames) {
        throw error(sf_strerror(m_pSnd.get()));
    }
}

void output_file::flush()
{
    if (m_strTemp.empty()) {
        if (std::fflush(stdout) != 0) {
            throw error(format("standard output: %s", std::strerror(errno)), exit_failed);
        }
    }
}

void output_file::commit(std::uint64_t nSampleCount)
{
    // The data chunk's size is a 32-bit field.
    if (m_nFrameBytes != 0 && nSampleCount * m_nFrameBytes > 0xFFFFFFF0u) {
        throw error(format("%s: %llu samples are too many for a WAV file; give a raw output name", m_strPath.c_str(),
                           static_cast<unsigned long long>(nSampleCount)),
                    exit_failed);
    }
    try {
        if (m_pFile) {
            m_pFile->finish(static_cast<unsigned int>(nSampleCount));
        }
        m_pFile.reset();
        m_pStream.reset();
    } catch (const std::exception& e) {
        throw error(format("%s: %s", m_strPath.c_str(), user_message(e.what()).c_str()), exit_failed);
    }
    if (m_pSnd) {
        int nErr = sf_close(m_pSnd.release());
        if (nErr != 0) {
            throw error(format("%s: %s", m_strPath.c_str(), sf_error_number(nErr)), exit_failed);
        }
    }
    if (m_strTemp.empty()) {
        flush();
    } else if (!sysport::rename_over(m_strTemp, m_strPath)) {
        int nErr = errno;
        throw error(format("%s: cannot rename the finished output: %s", m_strPath.c_str(), std::strerror(nErr)),
                    exit_failed);
    }
    m_bCommitted = true;
}

}  // namespace tool
