// Random file contents through the format factory: detection, reading as
// WAV and as raw in random piece sizes, and, when the header names a codec,
// writing the data back as a new WAV file and reading it again. Checks that
// detection follows the WAV signature, that reads never deliver more than
// asked or anything that is not in the file, that raw reading gives the file
// unchanged, and that a written file reads back with the same header values
// and bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz_input.h"
#include "vocalith/app/exception.h"
#include "vocalith/codec/id.h"
#include "vocalith/fconv/file_factory.h"
#include "vocalith/fconv/sound_file.h"
#include "vocalith/fconv/sound_stream.h"
#include "vocalith/fconv/wav_file.h"

namespace {

typedef std::vector<std::uint8_t> bytes;

void put(fconv::sound_stream& s, const bytes& content)
{
    if (!content.empty()) {
        FUZZ_CHECK(s.write(content.data(), static_cast<unsigned>(content.size())) == content.size());
    }
    s.top();
}

bytes read_all(fconv::sound_file& file, unsigned nPiece)
{
    bytes all;
    std::vector<std::uint8_t> piece(nPiece);
    for (;;) {
        const unsigned nRead = file.read(piece.data(), nPiece);
        FUZZ_CHECK(nRead <= nPiece);
        if (nRead == 0) {
            return all;
        }
        all.insert(all.end(), piece.begin(), piece.begin() + nRead);
    }
}

bool looks_like_wav(const bytes& content)
{
    return content.size() >= fconv::wav_file::c_nHeaderSize && std::memcmp(&content[0], "RIFF", 4) == 0 &&
           std::memcmp(&content[8], "WAVE", 4) == 0 && std::memcmp(&content[12], "fmt ", 4) == 0;
}

unsigned sample_width(unsigned nCodec)
{
    return nCodec == codec::id_pcm_float32 ? 4 : nCodec == codec::id_pcm_int16le ? 2 : 1;
}

// What was read from a header that names a codec is written to a new file
// and read back.
void check_rewrite(fconv::file_factory& factory, unsigned nCodec, unsigned nChannels, unsigned nRate,
                   bytes data, unsigned nPiece)
{
    const unsigned nFrameBytes = sample_width(nCodec) * nChannels;
    const unsigned nFrames = static_cast<unsigned>(data.size()) / nFrameBytes;
    data.resize(static_cast<std::size_t>(nFrames) * nFrameBytes);

    fconv::sound_stream out{fconv::temp_file{}};
    std::unique_ptr<fconv::sound_file> writer = factory.instantiate(fconv::format_wav, out);
    FUZZ_CHECK(writer != nullptr);
    writer->write_header(nCodec, nChannels, nRate);
    if (!data.empty()) {
        FUZZ_CHECK(writer->write(data.data(), static_cast<unsigned>(data.size())) == data.size());
    }
    writer->finish(nFrames);
    writer.reset();

    out.top();
    std::unique_ptr<fconv::sound_file> reader = factory.instantiate(out);
    FUZZ_CHECK(reader != nullptr && reader->id() == fconv::format_wav);
    FUZZ_CHECK(reader->codec() == nCodec);
    FUZZ_CHECK(reader->channels() == nChannels);
    FUZZ_CHECK(reader->sample_rate() == nRate);
    FUZZ_CHECK(read_all(*reader, nPiece) == data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    fuzz::input in(pData, nSize);
    const unsigned nPiece = in.range(1, 5000);
    std::size_t nTaken = 0;
    const std::uint8_t* pContent = in.take(nSize, nTaken);
    const bytes content(pContent, pContent + nTaken);

    fconv::file_factory factory;
    fconv::sound_stream s{fconv::temp_file{}};
    put(s, content);

    std::unique_ptr<fconv::sound_file> detected;
    try {
        detected = factory.instantiate(s);
    } catch (const app::exception&) {
        // Only one of the two formats can recognise anything.
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK((detected != nullptr) == looks_like_wav(content));

    // As WAV whatever detection said: the data is one piece of the file.
    std::unique_ptr<fconv::sound_file> wav = factory.instantiate(fconv::format_wav, s);
    FUZZ_CHECK(wav != nullptr);
    const bytes data = read_all(*wav, nPiece);
    FUZZ_CHECK(data.size() <= static_cast<const fconv::wav_file&>(*wav).data_size());
    if (!data.empty()) {
        FUZZ_CHECK(std::search(content.begin(), content.end(), data.begin(), data.end()) != content.end());
    }
    const unsigned nCodec = wav->codec();
    const unsigned nChannels = wav->channels();
    const unsigned nRate = wav->sample_rate();
    wav.reset();

    // As raw: the whole file, unchanged.
    std::unique_ptr<fconv::sound_file> raw = factory.instantiate(fconv::format_raw, s);
    FUZZ_CHECK(raw != nullptr && raw->codec() == 0 && raw->channels() == 1);
    FUZZ_CHECK(read_all(*raw, nPiece) == content);
    raw.reset();

    if (nCodec != codec::id_none && nChannels >= 1 && nChannels <= 64 && nRate > 0) {
        check_rewrite(factory, nCodec, nChannels, nRate, data, nPiece);
    }
    return 0;
}
