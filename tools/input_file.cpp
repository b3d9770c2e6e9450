#include "input_file.h"

#include <vector>

#include <CLI/CLI.hpp>

#include "common.h"
#include "vocalith/codec/factory.h"
#include "vocalith/fconv/wav_file.h"

namespace tool {

void input_option_set::add(CLI::App& sub, input_options& options)
{
    pChannels = sub.add_option("--channels", options.nChannels, "channels (default: the WAV header, else 1)");
    pRate = sub.add_option("--rate", options.nRate, "sample rate in Hz (default: the WAV header, else 8000)");
    sub.add_option("--in-codec", options.strCodec,
                   "input codec: float32, pcm16le, pcm16be, alaw, ulaw, gsm (default: the WAV header, "
                   "else the raw file's extension, else pcm16le)");
}

void input_option_set::note_given(input_options& options) const
{
    options.bChannels = pChannels && pChannels->count() > 0;
    options.bRate = pRate && pRate->count() > 0;
}

input_file::input_file(const std::string& strPath, const input_options& options)
    : m_nCodec(codec::id_none), m_nChannels(0), m_nRate(0), m_bWav(false), m_nDataBytes(0)
{
    open(strPath);
    resolve(strPath, options);
}

void input_file::open(const std::string& strPath)
{
    if (strPath == "-") {
        // The header must be read and the stream rewound, which a pipe cannot do.
        fconv::sound_stream in("-", true);
        m_pStream.reset(new fconv::sound_stream(fconv::temp_file()));
        std::vector<unsigned char> chunk(65536);
        unsigned int n;
        while ((n = in.read(chunk.data(), static_cast<unsigned int>(chunk.size()))) > 0) {
            m_pStream->write(chunk.data(), n);
        }
        m_pStream->top();
    } else {
        m_pStream.reset(new fconv::sound_stream(strPath, true));
    }

    m_pFile = m_factory.instantiate(*m_pStream);
    m_bWav = m_pFile != nullptr;
    if (!m_bWav) {
        if (has_wav_extension(strPath)) {
            throw error(format("%s: not a RIFF/WAVE file", strPath.c_str()));
        }
        m_pStream->end();
        m_nDataBytes = m_pStream->pos();
        m_pFile = m_factory.instantiate(fconv::format_raw, *m_pStream);
    } else {
        m_nDataBytes = static_cast<fconv::wav_file&>(*m_pFile).data_size();
    }
}

void input_file::resolve(const std::string& strPath, const input_options& options)
{
    if (m_bWav) {
        m_nCodec = static_cast<codec::id>(m_pFile->codec());
        m_nChannels = m_pFile->channels();
        m_nRate = m_pFile->sample_rate();
    } else {
        m_nCodec = codec_from_extension(strPath);
        if (m_nCodec == codec::id_none) {
            m_nCodec = codec::id_pcm_int16le;
        }
        m_nChannels = 1;
        m_nRate = 8000;
    }
    if (!options.strCodec.empty()) {
        m_nCodec = parse_codec(options.strCodec, "--in-codec");
    }
    if (options.bChannels) {
        m_nChannels = options.nChannels;
    }
    if (options.bRate) {
        m_nRate = options.nRate;
    }

    if (m_nCodec == codec::id_none) {
        const std::uint8_t* pHeader = static_cast<fconv::wav_file&>(*m_pFile).header();
        throw error(format("%s: WAV sample format %u is not supported (use --in-codec)", strPath.c_str(),
                           static_cast<unsigned int>(pHeader[20] | (pHeader[21] << 8))));
    }
    check_channels(m_nChannels, strPath.c_str());
    check_rate(m_nRate, strPath.c_str());
    if (is_mono_codec(m_nCodec) && m_nChannels != 1) {
        throw error(format("%s: codec %s carries one channel, not %u", strPath.c_str(),
                           codec::factory::instance().name(m_nCodec, "?"), m_nChannels));
    }
}

double input_file::duration() const
{
    std::unique_ptr<codec::decoder> pDecoder = codec::factory::instance().create_decoder(m_nCodec);
    if (!pDecoder) {
        return 0.0;
    }
    codec::block_format fmt = pDecoder->format();
    // PCM frames interleave the channels; G.711 and GSM are mono.
    double fBytesPerSecond = static_cast<double>(fmt.nBlockBytes) * m_nRate / fmt.nBlockSamples;
    if (!is_mono_codec(m_nCodec)) {
        fBytesPerSecond *= m_nChannels;
    }
    return static_cast<double>(m_nDataBytes) / fBytesPerSecond;
}

}  // namespace tool
