#include "vocalith/fconv/wav_file.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "fconv/riff.h"
#include "vocalith/codec/id.h"
#include "vocalith/fconv/sound_stream.h"
#include "vocalith/veckern/veckern.h"

namespace fconv {

namespace {

// Offsets in the header image.
enum offset : unsigned {
    o_riff_size = 4,
    o_format_id = 12,
    o_format_size = 16,
    o_tag = 20,
    o_channels = 22,
    o_rate = 24,
    o_byte_rate = 28,
    o_block_align = 32,
    o_bits = 34,
};

constexpr unsigned c_nFormatKept = wav_file::c_nHeaderSize - o_tag;  // 16
constexpr unsigned c_nSwapValues = 1024;

struct tag_row {
    unsigned nCodec;
    std::uint16_t nTag;
    unsigned nBytesPerSample;
};

constexpr tag_row c_tags[] = {
    {codec::id_pcm_float32, riff::tag_float, 4},
    {codec::id_pcm_int16be, riff::tag_pcm, 2},
    {codec::id_pcm_int16le, riff::tag_pcm, 2},
    {codec::id_g711_alaw, riff::tag_alaw, 1},
    {codec::id_g711_ulaw, riff::tag_ulaw, 1},
};

tag_row tag_of_codec(unsigned nCodec)
{
    for (const tag_row& row : c_tags)
        if (row.nCodec == nCodec) return row;
    return {nCodec, 0, 1};
}

}  // namespace

wav_file::wav_file() : sound_file(format_wav), m_aHeader{}, m_bSwap(false), m_nDataSize(0),
                       m_nDataRead(0), m_nFormatTag(0)
{
}

wav_file::wav_file(sound_stream& s)
    : sound_file(s, format_wav), m_aHeader{}, m_bSwap(false), m_nDataSize(0), m_nDataRead(0),
      m_nFormatTag(0)
{
}

wav_file::~wav_file() = default;

bool wav_file::is_suitable(sound_stream& s)
{
    if (!s.readable()) return false;
    std::uint8_t aHead[c_nHeaderSize];
    if (s.read(aHead, c_nHeaderSize) != c_nHeaderSize) return false;
    return riff::is(aHead, "RIFF") && riff::is(aHead + 8, "WAVE") &&
           riff::is(aHead + o_format_id, "fmt ");
}

sound_file* wav_file::create(sound_stream& s)
{
    std::unique_ptr<wav_file> pFile(new wav_file(s));
    s.top();
    if (s.readable()) pFile->read_header();
    return pFile.release();
}

void wav_file::read_header()
{
    sound_stream& s = stream();
    const std::uint64_t nFileSize = riff::stream_size(s);
    if (s.read(m_aHeader, riff::c_nFormOffset) != riff::c_nFormOffset) return;

    std::uint64_t nPos = riff::c_nFormOffset;
    bool bFormatSeen = false;
    for (;;) {
        std::uint8_t aChunk[riff::c_nChunkHeaderSize];
        if (s.read(aChunk, sizeof(aChunk)) != sizeof(aChunk)) return;
        nPos += sizeof(aChunk);
        const std::uint32_t nSize = riff::get32(aChunk + 4);
        if (riff::is(aChunk, "data")) {
            m_nDataSize = nSize;
            return;
        }
        std::uint64_t nRest = std::uint64_t(nSize) + (nSize & 1u);
        if (nPos + nRest > nFileSize) return;
        nPos += nRest;
        if (!bFormatSeen && riff::is(aChunk, "fmt ")) {
            bFormatSeen = true;
            nRest -= read_format_chunk(nSize);
        }
        riff::skip(s, nRest);
    }
}

unsigned wav_file::read_format_chunk(std::uint32_t nChunkSize)
{
    std::uint8_t aFormat[riff::c_nExtensibleFormatSize] = {};
    const unsigned nWant = std::min<std::uint32_t>(nChunkSize, sizeof(aFormat));
    const unsigned nRead = stream().read(aFormat, nWant);

    std::memcpy(m_aHeader + o_format_id, "fmt ", 4);
    riff::put32(m_aHeader + o_format_size, nChunkSize);
    std::memcpy(m_aHeader + o_tag, aFormat, c_nFormatKept);
    m_nFormatTag = riff::effective_tag(aFormat, nRead);
    return nRead;
}

void wav_file::write_header(unsigned nCodec, unsigned nChannels, unsigned nRate)
{
    const tag_row row = tag_of_codec(nCodec);
    std::memset(m_aHeader, 0, sizeof(m_aHeader));
    std::memcpy(m_aHeader, "RIFF", 4);
    std::memcpy(m_aHeader + 8, "WAVE", 4);
    std::memcpy(m_aHeader + o_format_id, "fmt ", 4);
    riff::put32(m_aHeader + o_format_size, c_nFormatKept);
    riff::put16(m_aHeader + o_tag, row.nTag);
    riff::put16(m_aHeader + o_channels, static_cast<std::uint16_t>(nChannels));
    riff::put32(m_aHeader + o_rate, nRate);
    riff::put32(m_aHeader + o_byte_rate, nChannels * row.nBytesPerSample * nRate);
    riff::put16(m_aHeader + o_block_align, static_cast<std::uint16_t>(row.nBytesPerSample * nChannels));
    riff::put16(m_aHeader + o_bits, static_cast<std::uint16_t>(8 * row.nBytesPerSample));
    m_nFormatTag = row.nTag;
    m_bSwap = nCodec == codec::id_pcm_int16be;

    stream().top();
    stream().write(m_aHeader, c_nHeaderSize);
    write_data_header(0);
}

void wav_file::write_data_header(std::uint32_t nDataSize)
{
    std::uint8_t aChunk[riff::c_nChunkHeaderSize];
    std::memcpy(aChunk, "data", 4);
    riff::put32(aChunk + 4, nDataSize);
    stream().write(aChunk, sizeof(aChunk));
}

unsigned wav_file::read(void* pBuf, unsigned nSize)
{
    if (m_nDataRead >= m_nDataSize) return 0;
    const unsigned nWant = std::min(nSize, m_nDataSize - m_nDataRead);
    const unsigned nRead = stream().read(pBuf, nWant);
    m_nDataRead += nRead;
    return nRead;
}

unsigned wav_file::write(const void* pBuf, unsigned nSize)
{
    if (!m_bSwap) return stream().write(pBuf, nSize);
    std::uint16_t aScratch[c_nSwapValues];
    const std::uint8_t* pIn = static_cast<const std::uint8_t*>(pBuf);
    unsigned nValues = nSize / 2;
    unsigned nWritten = 0;
    while (nValues > 0) {
        const unsigned nPart = std::min(nValues, c_nSwapValues);
        veckern::swap16(aScratch, pIn, nPart);
        nWritten += stream().write(aScratch, nPart * 2);
        pIn += nPart * 2;
        nValues -= nPart;
    }
    return nWritten;
}

void wav_file::finish(unsigned nSampleCount)
{
    const unsigned nPos = stream().pos();
    riff::put32(m_aHeader + o_riff_size, nPos >= 8 ? nPos - 8 : 0);
    const unsigned nBytesPerSample = riff::get16(m_aHeader + o_bits) / 8u;
    stream().top();
    stream().write(m_aHeader, c_nHeaderSize);
    write_data_header(nBytesPerSample * channels() * nSampleCount);
    stream().end();
}

unsigned wav_file::codec()
{
    switch (m_nFormatTag) {
    case riff::tag_pcm: return codec::id_pcm_int16le;
    case riff::tag_float: return codec::id_pcm_float32;
    case riff::tag_alaw: return codec::id_g711_alaw;
    case riff::tag_ulaw: return codec::id_g711_ulaw;
    default: return codec::id_none;
    }
}

unsigned wav_file::sample_rate()
{
    return riff::get32(m_aHeader + o_rate);
}

unsigned wav_file::channels()
{
    return riff::get16(m_aHeader + o_channels);
}

}  // namespace fconv
