// Random file contents through the format factory: detection, and reading
// as WAV and as raw in random piece sizes. Checks that detection follows the
// WAV signature and never throws, that reads never deliver more than asked
// or anything that is not in the file, and that raw reading gives the file
// unchanged. (Writing and reading back WAV files is the sound-file tests'.)
#include "fuzz_input.h"
#include "vocalith/fconv/file_factory.h"
#include "vocalith/fconv/sound_stream.h"
#include "vocalith/fconv/wav_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    fuzz::input in(pData, nSize);
    const unsigned nPiece = in.range(1, 5000);
    const fuzz::bytes content = in.take(nSize);
    fconv::file_factory factory;
    fconv::sound_stream s{fconv::temp_file{}};
    FUZZ_CHECK(s.write(content.data(), static_cast<unsigned>(content.size())) == content.size());
    s.top();
    const bool bWav = content.size() >= fconv::wav_file::c_nHeaderSize && std::memcmp(&content[0], "RIFF", 4) == 0 &&
                      std::memcmp(&content[8], "WAVE", 4) == 0 && std::memcmp(&content[12], "fmt ", 4) == 0;
    FUZZ_CHECK((factory.instantiate(s) != nullptr) == bWav);
    // As raw, then as WAV whatever detection said.
    for (const fconv::format_id nFormat : {fconv::format_raw, fconv::format_wav}) {
        std::unique_ptr<fconv::sound_file> file = factory.instantiate(nFormat, s);
        fuzz::bytes data, piece(nPiece);
        for (unsigned nRead; (nRead = file->read(piece.data(), nPiece)) != 0;) {
            FUZZ_CHECK(nRead <= nPiece);
            data.insert(data.end(), piece.begin(), piece.begin() + nRead);
        }
        FUZZ_CHECK(nFormat == fconv::format_wav
                       ? std::search(content.begin(), content.end(), data.begin(), data.end()) != content.end() ||
                             data.empty()
                       : data == content);
    }
    return 0;
}
