#include "output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common.h"
#include "vocalith/codec/factory.h"

namespace tool {

static bool wav_can_carry(codec::id nCodec)
{
    return nCodec == codec::id_pcm_float32 || nCodec == codec::id_pcm_int16le ||
           nCodec == codec::id_pcm_int16be || nCodec == codec::id_g711_alaw || nCodec == codec::id_g711_ulaw;
}

output_file::output_file(const std::string& strPath, codec::id nCodec, unsigned int nChannels,
                         unsigned int nRate)
    : m_strPath(strPath), m_nFrameBytes(0), m_bCommitted(false)
{
    bool bWav = strPath != "-" && has_wav_extension(strPath);
    if (bWav && !wav_can_carry(nCodec)) {
        throw error(format("%s: a WAV file cannot carry %s samples; give a raw output name such as out.%s",
                           strPath.c_str(), codec::factory::instance().name(nCodec, "?"),
                           codec::factory::instance().name(nCodec, "raw")));
    }
    if (bWav) {
        m_nFrameBytes = nChannels * (nCodec == codec::id_pcm_float32 ? 4 : is_mono_codec(nCodec) ? 1 : 2);
    }
    if (strPath == "-") {
        m_pStream.reset(new fconv::sound_stream("-", false));
    } else {
        m_strTemp = make_temp_name();
        try {
            m_pStream.reset(new fconv::sound_stream(m_strTemp, false));
        } catch (...) {
            std::remove(m_strTemp.c_str());
            throw;
        }
    }
    m_pFile = m_factory.instantiate(bWav ? fconv::format_wav : fconv::format_raw, *m_pStream);
    m_pFile->write_header(nCodec, nChannels, nRate);
}

output_file::~output_file()
{
    m_pFile.reset();
    m_pStream.reset();
    if (!m_bCommitted && !m_strTemp.empty()) {
        std::remove(m_strTemp.c_str());
    }
}

std::string output_file::make_temp_name()
{
    std::size_t nSlash = m_strPath.rfind('/');
    std::string strDir = nSlash == std::string::npos ? std::string() : m_strPath.substr(0, nSlash + 1);
    std::string strBase = nSlash == std::string::npos ? m_strPath : m_strPath.substr(nSlash + 1);
    std::string strTemplate = strDir + "." + strBase + ".XXXXXX";
    std::vector<char> name(strTemplate.begin(), strTemplate.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        int nErr = errno;
        throw error(format("%s: cannot create the output file: %s", m_strPath.c_str(), std::strerror(nErr)));
    }
    // mkstemp makes the file private; the output gets the usual permissions.
    mode_t nMask = ::umask(0);
    ::umask(nMask);
    ::fchmod(fd, 0666 & ~nMask);
    ::close(fd);
    return std::string(name.data());
}

void output_file::commit(std::uint64_t nSampleCount)
{
    // The data chunk's size is a 32-bit field.
    if (m_nFrameBytes != 0 && nSampleCount * m_nFrameBytes > 0xFFFFFFF0u) {
        throw error(format("%s: %llu samples are too many for a WAV file; give a raw output name", m_strPath.c_str(),
                           static_cast<unsigned long long>(nSampleCount)));
    }
    m_pFile->finish(static_cast<unsigned int>(nSampleCount));
    m_pFile.reset();
    m_pStream.reset();
    if (!m_strTemp.empty() && std::rename(m_strTemp.c_str(), m_strPath.c_str()) != 0) {
        int nErr = errno;
        throw error(format("%s: cannot rename the finished output: %s", m_strPath.c_str(), std::strerror(nErr)));
    }
    m_bCommitted = true;
}

}  // namespace tool
