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

void check_rewrite(fconv::file_factory& factory, fconv::sound_file& wav, fuzz::bytes data, unsigned nPiece)
{
    const unsigned nCodec = wav.codec();
    const unsigned nFrameBytes = wav.channels() * (nCodec == codec::id_pcm_float32 ? 4 : nCodec == codec::id_pcm_int16le ? 2 : 1);
    data.resize(data.size() / nFrameBytes * nFrameBytes);
    fconv::sound_stream out{fconv::temp_file{}};
    std::unique_ptr<fconv::sound_file> writer = factory.instantiate(fconv::format_wav, out);
    writer->write_header(nCodec, wav.channels(), wav.sample_rate());
    FUZZ_CHECK(data.empty() || writer->write(data.data(), static_cast<unsigned>(data.size())) == data.size());
    writer->finish(static_cast<unsigned>(data.size() / nFrameBytes));
    writer.reset();
    out.top();
    std::unique_ptr<fconv::sound_file> reader = factory.instantiate(out);
    FUZZ_CHECK(reader != nullptr && reader->id() == fconv::format_wav && reader->codec() == nCodec);
    FUZZ_CHECK(reader->channels() == wav.channels() && reader->sample_rate() == wav.sample_rate());
    FUZZ_CHECK(read_all(*reader, nPiece) == data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    fuzz::input in(pData, nSize);
    const unsigned nPiece = in.range(1, 5000);
    const fuzz::bytes content = in.take(nSize);
    fconv::file_factory factory;
    fconv::sound_stream s{fconv::temp_file{}};
    FUZZ_CHECK(content.empty() || s.write(content.data(), static_cast<unsigned>(content.size())) == content.size());
    s.top();
    const bool bWav = content.size() >= fconv::wav_file::c_nHeaderSize && std::memcmp(&content[0], "RIFF", 4) == 0 &&
                      std::memcmp(&content[8], "WAVE", 4) == 0 && std::memcmp(&content[12], "fmt ", 4) == 0;
    FUZZ_CHECK((factory.instantiate(s) != nullptr) == bWav);

    // As WAV whatever detection said: the data is one piece of the file.
    std::unique_ptr<fconv::sound_file> wav = factory.instantiate(fconv::format_wav, s);
    const fuzz::bytes data = read_all(*wav, nPiece);
    FUZZ_CHECK(data.size() <= static_cast<const fconv::wav_file&>(*wav).data_size());
    FUZZ_CHECK(data.empty() || std::search(content.begin(), content.end(), data.begin(), data.end()) != content.end());
    if (wav->codec() != codec::id_none && wav->channels() >= 1 && wav->channels() <= 64 && wav->sample_rate() > 0) {
        check_rewrite(factory, *wav, data, nPiece);
    }
    wav.reset();

    // As raw: the whole file, unchanged.
    std::unique_ptr<fconv::sound_file> raw = factory.instantiate(fconv::format_raw, s);
    FUZZ_CHECK(raw->codec() == 0 && raw->channels() == 1 && read_all(*raw, nPiece) == content);
    return 0;
}
