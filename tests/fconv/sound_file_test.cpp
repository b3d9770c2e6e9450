// Sound streams, the format factory and WAV files: the errors a host sees,
// files written byte for byte, a table of files read (chunk layouts to
// understand, damaged files that must neither crash nor deliver more than
// the data chunk and the file hold), and files exchanged with sox and ffmpeg:
// the tools run on the build machine as a CTest step of their own
// (wav_tools.sh), between the test that writes for them and the one that
// reads what they wrote, so that a cross-built program exchanges files with
// them too.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <tuple>

#include "vocalith/app/exception.h"
#include "vocalith/codec/id.h"
#include "vocalith/fconv/file_factory.h"
#include "vocalith/fconv/sound_stream.h"
#include "sysport/runtime.h"

namespace {

using bytes = std::vector<std::uint8_t>;
using fconv::sound_stream;

void append_le(bytes& b, std::uint32_t n, int nBytes)
{
    for (int i = 0; i < nBytes; ++i) b.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
}

// A 16-byte format chunk payload followed by the extra bytes given.
bytes fmt(std::uint16_t nTag, std::uint32_t nChannels, std::uint32_t nBits, const bytes& extra = {})
{
    bytes b;
    for (auto [n, nSize] : {std::pair<std::uint32_t, int>{nTag, 2}, {nChannels, 2}, {8000, 4},
                            {8000 * nChannels * nBits / 8, 4}, {nChannels * nBits / 8, 2}, {nBits, 2}})
        append_le(b, n, nSize);
    b.insert(b.end(), extra.begin(), extra.end());
    return b;
}

// A chunk's id, payload, the size its header declares (the payload's unless
// given) and whether an odd payload gets its pad byte.
struct chunk {
    std::string strId;
    bytes payload;
    std::int64_t nDeclared = -1;
    bool bPad = true;
};

bytes riff(const std::vector<chunk>& chunks)
{
    bytes body = {'W', 'A', 'V', 'E'}, file = {'R', 'I', 'F', 'F'};
    for (const chunk& c : chunks) {
        body.insert(body.end(), c.strId.begin(), c.strId.end());
        append_le(body, static_cast<std::uint32_t>(c.nDeclared >= 0 ? c.nDeclared : c.payload.size()), 4);
        body.insert(body.end(), c.payload.begin(), c.payload.end());
        if (c.bPad && c.payload.size() % 2 == 1) body.push_back(0);
    }
    append_le(file, static_cast<std::uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// The exit code and text of the app::exception f throws.
template <typename F>
std::string error(F f)
{
    try { f(); } catch (const app::exception& e) { return std::to_string(e.exit_code()) + ' ' + e.what(); }
    return "no error";
}

std::string message(unsigned nLine, const std::string& strText, int nErrno)
{
    return std::to_string(exit_code::FileError) + " file_factory, line " + std::to_string(nLine) + ": " + strText +
           ", errno=" + std::to_string(nErrno) + " \"" + std::strerror(nErrno) + "\"";
}

class SoundFile : public ::testing::Test {
protected:
    SoundFile() { EXPECT_NE("", m_strDir); }
    ~SoundFile() override { std::filesystem::remove_all(m_strDir); }

    std::string path(const std::string& strName) const { return m_strDir + "/" + strName; }
    // Writes w.wav, 8000 Hz, with that codec, data and sample count; returns its bytes.
    bytes write_wav(unsigned nCodec, unsigned nChannels, const bytes& data, unsigned nSamples)
    {
        sound_stream s(path("w.wav"), false);
        std::unique_ptr<fconv::sound_file> pFile = m_factory.instantiate(fconv::format_wav, s);
        pFile->write_header(nCodec, nChannels, 8000);
        pFile->write(data.data(), static_cast<unsigned>(data.size()));
        pFile->finish(nSamples);
        std::ifstream in(path("w.wav"), std::ios::binary);
        const bytes file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(s.pos(), file.size()) << "finish leaves the stream at the end";
        return file;
    }
    // Opens the file as WAV, by detection unless told; checks its fields and data.
    void expect_read(const std::string& strPath, std::tuple<unsigned, unsigned, unsigned> fields, const bytes& data,
                     bool bDetected = true)
    {
        sound_stream s(strPath, true);
        std::unique_ptr<fconv::sound_file> pFile = m_factory.instantiate(s);
        EXPECT_EQ(bDetected, pFile != nullptr);
        if (!pFile) pFile = m_factory.instantiate(fconv::format_wav, s);
        EXPECT_EQ(fields, std::make_tuple(pFile->codec(), pFile->channels(), pFile->sample_rate()));
        bytes all(data.size() + 666);  // room to show a read past the data
        std::size_t nAll = 0;
        for (unsigned nRead = 1; nRead != 0 && nAll + 333 <= all.size(); nAll += nRead)
            nRead = pFile->read(&all[nAll], 333);
        EXPECT_TRUE(bytes(all.begin(), all.begin() + nAll) == data) << nAll << " bytes read, not " << data.size();
    }

    std::string m_strDir = sysport::make_temp_dir("vocalith-fconv-");
    fconv::file_factory m_factory;
};

TEST_F(SoundFile, StreamFailuresRaiseFileErrorsNamingTheStep)
{
    const std::string strIn = path("no.wav");
    EXPECT_EQ(message(21, "Cannot open file " + strIn + " for reading", ENOENT),
              error([&] { sound_stream s(strIn, true); }));
}

// A directory opened as a file and /dev/full: failures only Linux's files give.
TEST_F(SoundFile, ReadAndWriteFailuresOfLinuxFilesRaiseFileErrors)
{
    sound_stream directory(m_strDir, true);  // opens, but cannot be read
    std::uint8_t aBuf[8];
    EXPECT_EQ(message(48, "Error reading file", EISDIR), error([&] { directory.read(aBuf, sizeof(aBuf)); }));
    EXPECT_EQ(0u, directory.read(nullptr, 0));  // nothing asked: no error, no buffer touched
    sound_stream full("/dev/full", false);
    const bytes data(1 << 16);  // more than the runtime buffers, so the refusal shows at once
    EXPECT_EQ(message(60, "Error writing file", ENOSPC), error([&] { full.write(data.data(), 1 << 16); }));
}

TEST_F(SoundFile, BigEndianPcmIsWrittenSwappedInWholeValues)
{
    // 2500 values through the 1024-value scratch area; the odd last byte is dropped.
    bytes in(5001), swapped(5000);
    for (std::size_t i = 0; i < in.size(); ++i) in[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    for (std::size_t i = 0; i < swapped.size(); ++i) swapped[i] = in[i ^ 1];
    EXPECT_EQ(riff({{"fmt ", fmt(1, 1, 16)}, {"data", swapped}}), write_wav(codec::id_pcm_int16be, 1, in, 2500));
}

TEST_F(SoundFile, WavReadsWhatTheChunksHoldAndNeverMore)
{
    const bytes pcm = fmt(1, 1, 16), ten = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, odd(1001, 0x5A);
    const bytes good = riff({{"fmt ", pcm}, {"data", ten}});
    bytes notWave = good;
    std::copy_n("AVI ", 4, notWave.begin() + 8);
    auto ext = [](std::uint8_t nLast) {  // cbSize, bits, mask, the PCM sub-format GUID
        return bytes{22, 0, 16, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, nLast};
    };
    const unsigned nPcm = codec::id_pcm_int16le, nFloat = codec::id_pcm_float32;
    // Content, whether detection takes it for WAV, codec, channels and rate read, the data delivered.
    const std::tuple<bytes, bool, std::tuple<unsigned, unsigned, unsigned>, bytes> cases[] = {
        // Odd chunks with their pad bytes around the data.
        {riff({{"fmt ", fmt(1, 2, 16)}, {"LIST", bytes(13)}, {"data", odd}, {"id3 ", {}}}), true, {nPcm, 2, 8000}, odd},
        // The format after another chunk: read, but not detected.
        {riff({{"JUNK", bytes(27)}, {"fmt ", fmt(3, 1, 32)}, {"data", ten}}), false, {nFloat, 1, 8000}, ten},
        {riff({{"fmt ", fmt(0xFFFE, 2, 16, ext(0x71))}, {"data", ten}}), true, {nPcm, 2, 8000}, ten},
        {riff({{"fmt ", fmt(0xFFFE, 2, 16, ext(0x72))}, {"data", ten}}), true, {0, 2, 8000}, ten},  // foreign GUID
        {riff({{"fmt ", fmt(0xFFFE, 1, 16, {22, 0, 16, 0})}, {"data", ten}}), true, {0, 1, 8000}, ten},  // cut short
        {notWave, false, {nPcm, 1, 8000}, ten},
        // Damaged files.
        {bytes(good.begin(), good.begin() + 30), false, {0, 0, 0}, {}},       // cut in the format
        {bytes(good.begin(), good.begin() + 40), true, {nPcm, 1, 8000}, {}},  // cut in the data header
        {riff({{"fmt ", pcm}, {"data", ten, 0xFFFFFFFF}}), true, {nPcm, 1, 8000}, ten},
        {riff({{"fmt ", pcm}, {"LIST", ten}}), true, {nPcm, 1, 8000}, {}},    // no data chunk
        {riff({{"fmt ", pcm}, {"LIST", bytes(4), 0xFFFFFFFF}, {"data", ten}}), true, {nPcm, 1, 8000}, {}},
        {riff({{"fmt ", pcm, 0xFFFFFFF0}, {"data", ten}}), true, {0, 0, 0}, {}},
        {riff({{"fmt ", {1, 0, 2}}, {"data", ten}}), true, {nPcm, 2, 0}, ten},
        {riff({{"fmt ", pcm}, {"LIST", {1, 2, 3}, -1, false}, {"data", ten}}), true, {nPcm, 1, 8000}, {}},  // no pad
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        sound_stream(path("r.wav"), false).write(std::get<0>(cases[i]).data(), unsigned(std::get<0>(cases[i]).size()));
        expect_read(path("r.wav"), std::get<2>(cases[i]), std::get<3>(cases[i]), std::get<1>(cases[i]));
    }
}

struct encoding {
    unsigned nCodec, nTag, nWidth;
    const char* pszName;  // ffmpeg's name, which wav_tools.sh knows the files by
};
const encoding c_encodings[] = {{codec::id_pcm_int16le, 1, 2, "pcm_s16le"},
                                {codec::id_pcm_float32, 3, 4, "pcm_f32le"},
                                {codec::id_g711_alaw, 6, 1, "pcm_alaw"},
                                {codec::id_g711_ulaw, 7, 1, "pcm_mulaw"}};
void PrintTo(const encoding& e, std::ostream* pOut) { *pOut << e.pszName; }

// The folder the tools' step reads our files from and writes its own to.
const std::string c_strExchange = VOCALITH_BINARY_DIR "/tests/fconv/wav_exchange";

class WavInterop : public SoundFile, public ::testing::WithParamInterface<std::tuple<encoding, unsigned>> {
protected:
    // 1000 frames of values every tool keeps exactly: any 16-bit value, multiples of 1/32768 for float and
    // every G.711 code but the u-law negative zero, which comes back as the positive one.
    bytes data() const
    {
        const auto [e, nChannels] = GetParam();
        bytes result(1000 * nChannels * e.nWidth);
        for (unsigned i = 0; i < 1000 * nChannels; ++i) {
            const int nValue = static_cast<int>((i * 7919u) % 65535u) - 32767;
            const float f = static_cast<float>(nValue) / 32768.0f;
            std::memcpy(result.data() + i * e.nWidth, e.nWidth == 4 ? static_cast<const void*>(&f) : &nValue,
                        e.nWidth);
            if (e.nCodec == codec::id_g711_ulaw && result[i] == 0x7F) result[i] = 0xFF;
        }
        return result;
    }
    // The exchange folder's name for this case's files, then the suffix.
    static std::string exchanged(const std::string& strSuffix)
    {
        const auto [e, nChannels] = GetParam();
        return c_strExchange + "/" + e.pszName + "-" + std::to_string(nChannels) + strSuffix;
    }
};

// Our file for the tools, which check its fields and make their own of it.
TEST_P(WavInterop, WeWriteWhatToolsRead)
{
    const auto [e, nChannels] = GetParam();
    for (const char* pszSuffix : {".wav", ".sox.wav", ".ffmpeg.wav"}) std::filesystem::remove(exchanged(pszSuffix));
    const bytes samples = data();
    EXPECT_EQ(riff({{"fmt ", fmt(e.nTag, nChannels, 8 * e.nWidth)}, {"data", samples}}),
              write_wav(e.nCodec, nChannels, samples, 1000));
    expect_read(path("w.wav"), {e.nCodec, nChannels, 8000}, samples);
    std::filesystem::create_directories(c_strExchange);
    std::filesystem::copy_file(path("w.wav"), exchanged(".wav"));
}

// Their own files of the same samples: sox's, and ffmpeg's with a LIST chunk before the data.
TEST_P(WavInterop, WeReadWhatToolsWrite)
{
    const auto [e, nChannels] = GetParam();
    for (const char* pszSuffix : {".sox.wav", ".ffmpeg.wav"}) {
        ASSERT_TRUE(std::filesystem::exists(exchanged(pszSuffix))) << "made by the CTest step fconv.wav_tools";
        expect_read(exchanged(pszSuffix), {e.nCodec, nChannels, 8000}, data());
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, WavInterop,
                         ::testing::Combine(::testing::ValuesIn(c_encodings), ::testing::Values(1u, 2u)),
                         [](const auto& info) {
                             return std::get<0>(info.param).pszName + std::string("_") +
                                    std::to_string(std::get<1>(info.param));
                         });

}  // namespace
