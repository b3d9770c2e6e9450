// RIFF/WAVE files. Written files carry a 16-byte format chunk and one data
// chunk (44 bytes of header). Reading walks every chunk to the first data
// chunk, so format chunks longer than 16 bytes, WAVE_FORMAT_EXTENSIBLE with
// a PCM, float or G.711 sub-format, and chunks before or after the data are
// understood. A malformed header is not reported: its fields read as
// whatever the file held, and without a data chunk read() gives nothing.
#ifndef VOCALITH_FCONV_WAV_FILE_H
#define VOCALITH_FCONV_WAV_FILE_H

#include <cstdint>

#include "vocalith/export.h"
#include "vocalith/fconv/sound_file.h"

namespace fconv {

class VOCALITH_API wav_file : public sound_file {
public:
    // Size of the header image: the file's first 36 bytes, with the first
    // 16 bytes of the format chunk at offsets 20 to 35.
    static constexpr unsigned c_nHeaderSize = 36;

    wav_file();  // detached prototype
    ~wav_file() override;

    // True when 36 bytes can be read and they begin with "RIFF", "WAVE" at
    // 8 and "fmt " at 12.
    bool is_suitable(sound_stream& s) override;
    sound_file* create(sound_stream& s) override;
    // codec::id float32, pcm16le, alaw and ulaw get format tags 3, 1, 6 and
    // 7; pcm16be gets tag 1 and its samples are byte-exchanged on writing;
    // any other codec gets tag 0 and one byte per sample.
    void write_header(unsigned nCodec, unsigned nChannels, unsigned nRate) override;
    // At most the data chunk's size in total; never bytes past it.
    unsigned read(void* pBuf, unsigned nSize) override;
    // With byte exchange only whole 16-bit values are written: an odd last
    // byte is dropped and the count written is returned.
    unsigned write(const void* pBuf, unsigned nSize) override;
    // Sets the RIFF size from the current position and the data size from
    // the header, rewrites the header and moves to the end.
    void finish(unsigned nSampleCount) override;
    // By format tag (the sub-format's tag for WAVE_FORMAT_EXTENSIBLE):
    // 1 pcm16le, 3 float32, 6 alaw, 7 ulaw, else 0.
    unsigned codec() override;
    unsigned sample_rate() override;
    unsigned channels() override;

    // The header image as read or written; c_nHeaderSize bytes.
    const std::uint8_t* header() const { return m_aHeader; }
    // Size declared by the data chunk found when reading (0 without one).
    std::uint32_t data_size() const { return m_nDataSize; }

private:
    explicit wav_file(sound_stream& s);

    void read_header();
    unsigned read_format_chunk(std::uint32_t nChunkSize);  // bytes consumed
    void write_data_header(std::uint32_t nDataSize);

    std::uint8_t m_aHeader[c_nHeaderSize];
    bool m_bSwap;
    std::uint32_t m_nDataSize;
    std::uint32_t m_nDataRead;
    std::uint16_t m_nFormatTag;  // effective tag, resolved through the sub-format
};

}  // namespace fconv

#endif
