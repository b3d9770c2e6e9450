// Random file contents through the format factory: detection, reading as
// WAV and as raw in random piece sizes, and, when the header names a codec,
// writing the data back as a new WAV file and reading it again. Checks that
// detection follows the WAV signature and never throws, that reads never
// deliver more than asked or anything that is not in the file, that raw
// reading gives the file unchanged, and that a written file reads back with
// the same header values and bytes.
#include "fuzz_input.h"
#include "vocalith/codec/id.h"
#include "vocalith/fconv/file_factory.h"
#include "vocalith/fconv/sound_stream.h"
#include "vocalith/fconv/wav_file.h"

namespace {

fuzz::bytes read_all(fconv::sound_file& file, unsigned nPiece)
{
    fuzz::bytes all;
    fuzz::bytes piece(nPiece);
    for (unsigned nRead; (nRead = file.read(piece.data(), nPiece)) != 0;) {
        FUZZ_CHECK(nRead <= nPiece);
        all.insert(all.end(), piece.begin(), piece.begin() + nRead);
    }
    return all;
}

fconv::sound_stream& holding(fconv::sound_stream& s, const fuzz::bytes& content)
{
    FUZZ_CHECK(content.empty() || s.write(content.data(), static_cast<unsigned>(content.size())) == content.size());
    s.top();
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    fuzz::input in(pData, nSize);
    const unsigned nPiece = in.range(1, 5000);
    const fuzz::bytes content = in.take(nSize);
    fconv::file_factory factory;
    fconv::sound_stream s{fconv::temp_file{}};
    const bool bWav = content.size() >= fconv::wav_file::c_nHeaderSize && std::memcmp(&content[0], "RIFF", 4) == 0 &&
                      std::memcmp(&content[8], "WAVE", 4) == 0 && std::memcmp(&content[12], "fmt ", 4) == 0;
    FUZZ_CHECK((factory.instantiate(holding(s, content)) != nullptr) == bWav);

    // As raw: the whole file, unchanged.
    std::unique_ptr<fconv::sound_file> file = factory.instantiate(fconv::format_raw, s);
    FUZZ_CHECK(file->codec() == 0 && file->channels() == 1 && read_all(*file, nPiece) == content);

    // As WAV whatever detection said: the data is one piece of the file.
    file = factory.instantiate(fconv::format_wav, s);
    fuzz::bytes data = read_all(*file, nPiece);
    FUZZ_CHECK(data.size() <= static_cast<const fconv::wav_file&>(*file).data_size());
    FUZZ_CHECK(data.empty() || std::search(content.begin(), content.end(), data.begin(), data.end()) != content.end());
    const unsigned nCodec = file->codec(), nChannels = file->channels(), nRate = file->sample_rate();
    if (nCodec == codec::id_none || nChannels < 1 || nChannels > 64 || nRate == 0) {
        return 0;
    }
    // Written to a new file with the same header values, read back the same.
    const unsigned nFrame = nChannels * (nCodec == codec::id_pcm_float32 ? 4 : nCodec == codec::id_pcm_int16le ? 2 : 1);
    data.resize(data.size() / nFrame * nFrame);
    fconv::sound_stream out{fconv::temp_file{}};
    file = factory.instantiate(fconv::format_wav, out);
    file->write_header(nCodec, nChannels, nRate);
    FUZZ_CHECK(data.empty() || file->write(data.data(), static_cast<unsigned>(data.size())) == data.size());
    file->finish(static_cast<unsigned>(data.size() / nFrame));
    file.reset();
    out.top();
    file = factory.instantiate(out);
    FUZZ_CHECK(file != nullptr && file->id() == fconv::format_wav && file->codec() == nCodec);
    FUZZ_CHECK(file->channels() == nChannels && file->sample_rate() == nRate && read_all(*file, nPiece) == data);
    return 0;
}
