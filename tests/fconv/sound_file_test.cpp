// Sound streams, the format factory and WAV files: the errors a host sees,
// files written byte for byte, a table of files read (chunk layouts to
// understand, damaged files that must neither crash nor deliver more than
// the data chunk and the file hold), and files exchanged with sox and ffmpeg.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "vocalith/app/exception.h"
#include "vocalith/codec/id.h"
#include "vocalith/fconv/file_factory.h"
#include "vocalith/fconv/sound_stream.h"

namespace {

using bytes = std::vector<std::uint8_t>;
using fconv::file_factory;
using fconv::sound_stream;

void append_le(bytes& b, std::uint32_t n, int nBytes)
{
    for (int i = 0; i < nBytes; ++i) b.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
}

// A 16-byte format chunk payload followed by the extra bytes given.
bytes fmt(std::uint16_t nTag, std::uint16_t nChannels, std::uint32_t nRate, std::uint16_t nBits, const bytes& extra = {})
{
    bytes b;
    const std::uint32_t nAlign = nChannels * nBits / 8u, anField[] = {nTag, nChannels, nRate, nRate * nAlign, nAlign, nBits};
    for (int i = 0; i < 6; ++i) append_le(b, anField[i], i == 2 || i == 3 ? 4 : 2);
    b.insert(b.end(), extra.begin(), extra.end());
    return b;
}

// One chunk: id, payload, the size its header declares (the payload's unless
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
        append_le(body, static_cast<std::uint32_t>(c.nDeclared >= 0 ? c.nDeclared : std::int64_t(c.payload.size())), 4);
        body.insert(body.end(), c.payload.begin(), c.payload.end());
        if (c.bPad && c.payload.size() % 2 == 1) body.push_back(0);
    }
    append_le(file, static_cast<std::uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

class SoundFile : public ::testing::Test {
protected:
    SoundFile()
    {
        std::string strTemplate = (std::filesystem::temp_directory_path() / "vocalith-fconv-XXXXXX").string();
        m_strDir = ::mkdtemp(strTemplate.data()) != nullptr ? strTemplate : throw std::runtime_error("mkdtemp");
    }
    ~SoundFile() override { std::error_code ec; std::filesystem::remove_all(m_strDir, ec); }

    std::string path(const std::string& strName) const { return m_strDir + "/" + strName; }
    std::string put(const std::string& strName, const bytes& data) const
    {
        std::ofstream(path(strName), std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
        return path(strName);
    }
    bytes get(const std::string& strName) const
    {
        std::ifstream in(path(strName), std::ios::binary);
        return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Writes w.wav with that header, data and sample count; returns its bytes.
    bytes write_wav(unsigned nCodec, unsigned nChannels, const bytes& data, unsigned nSamples)
    {
        sound_stream s(path("w.wav"), false);
        std::unique_ptr<fconv::sound_file> pFile = m_factory.instantiate(fconv::format_wav, s);
        pFile->write_header(nCodec, nChannels, 8000);
        pFile->write(data.data(), static_cast<unsigned>(data.size()));
        pFile->finish(nSamples);
        EXPECT_EQ(s.pos(), get("w.wav").size()) << "finish leaves the stream at the end";
        return get("w.wav");
    }
    // Opens the file as WAV, by detection unless told; checks its fields and data.
    void expect_read(const std::string& strName, unsigned nCodec, unsigned nChannels, unsigned nRate, const bytes& data,
                     bool bDetected = true)
    {
        sound_stream s(path(strName), true);
        std::unique_ptr<fconv::sound_file> pFile = m_factory.instantiate(s);
        EXPECT_EQ(bDetected, pFile != nullptr);
        if (!pFile) pFile = m_factory.instantiate(fconv::format_wav, s);
        EXPECT_EQ(nCodec, pFile->codec());
        EXPECT_EQ(nChannels, pFile->channels());
        EXPECT_EQ(nRate, pFile->sample_rate());
        bytes all, piece(333);
        while (unsigned nRead = pFile->read(piece.data(), 333)) all.insert(all.end(), piece.begin(), piece.begin() + nRead);
        EXPECT_TRUE(data == all) << all.size() << " bytes read, " << data.size() << " expected";
    }

    std::string m_strDir;
    file_factory m_factory;
};

TEST_F(SoundFile, StreamFailuresRaiseFileErrorsNamingTheStep)
{
    auto error = [](auto f) {
        try {
            f();
        } catch (const app::exception& e) {
            return std::to_string(e.exit_code() == exit_code::FileError) + e.what();
        }
        return std::string("no exception");
    };
    auto message = [](unsigned nLine, const std::string& strText, int nErrno) {
        return "1file_factory, line " + std::to_string(nLine) + ": " + strText + ", errno=" + std::to_string(nErrno) +
               " \"" + std::strerror(nErrno) + "\"";
    };
    EXPECT_EQ(message(21, "Cannot open file " + path("no.wav") + " for reading", ENOENT),
              error([&] { sound_stream s(path("no.wav"), true); }));
    EXPECT_EQ(message(23, "Cannot open file " + path("no/o.wav") + " for writing", ENOENT),
              error([&] { sound_stream s(path("no/o.wav"), false); }));
    sound_stream directory(m_strDir, true);  // opens, but cannot be read
    std::uint8_t aBuf[8];
    EXPECT_EQ(message(48, "Error reading file", EISDIR), error([&] { directory.read(aBuf, sizeof(aBuf)); }));
    EXPECT_EQ(0u, directory.read(nullptr, 0));  // nothing asked: no error, no buffer touched
    sound_stream full("/dev/full", false);
    const bytes data(1 << 16);  // more than the runtime buffers, so the refusal shows at once
    EXPECT_EQ(message(60, "Error writing file", ENOSPC), error([&] { full.write(data.data(), 1 << 16); }));
}

TEST_F(SoundFile, FormatsByNameAndFileName)
{
    for (std::size_t i = 0; i < file_factory::s_nMapSize; ++i)  // all found by bisection
        EXPECT_EQ(file_factory::s_Map[i].nId, file_factory::id(file_factory::s_Map[i].pszName, 99));
    EXPECT_STREQ("gsm", file_factory::name(fconv::format_raw, "?"));
    const std::pair<const char*, unsigned> cases[] = {{"a.wav", 2}, {"a.b.gsm", 1}, {"x.raw", 1}, {"v.amr", 3},
        {"A.WAV", 0}, {"noext", 0}, {"dot.", 0}, {"d.wav/f", 0}, {"d.d/a.wav", 2}, {"a.wav.bak", 0}};
    for (const auto& c : cases) EXPECT_EQ(c.second, file_factory::get_format_from_filename(c.first)) << c.first;
    sound_stream s(put("r", {1, 2, 3}), true);
    for (unsigned nId : {0u, 3u, 42u}) EXPECT_EQ(nullptr, m_factory.instantiate(nId, s)) << nId;
}

TEST_F(SoundFile, WavWrittenByteExactAndReadBack)
{
    const struct {
        unsigned nCodec, nTag, nBits, nReadCodec;
    } rows[] = {{codec::id_pcm_float32, 3, 32, codec::id_pcm_float32}, {codec::id_pcm_int16le, 1, 16, codec::id_pcm_int16le},
                {codec::id_g711_alaw, 6, 8, codec::id_g711_alaw},      {codec::id_g711_ulaw, 7, 8, codec::id_g711_ulaw},
                {codec::id_gsm_610, 0, 8, codec::id_none},             {77, 0, 8, codec::id_none}};
    for (const auto& r : rows) {
        bytes data(3 * r.nBits / 2);  // 4 samples of 3 channels
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 11 + 1);
        EXPECT_EQ(riff({{"fmt ", fmt(r.nTag, 3, 8000, r.nBits)}, {"data", data}}), write_wav(r.nCodec, 3, data, 4));
        expect_read("w.wav", r.nReadCodec, 3, 8000, data);
    }
    // Big-endian PCM: 2500 values through the 1024-value scratch area, swapped; the odd last byte dropped.
    bytes in(5001), swapped(5000);
    for (std::size_t i = 0; i < in.size(); ++i) in[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    for (std::size_t i = 0; i < swapped.size(); ++i) swapped[i] = in[i ^ 1];
    EXPECT_EQ(riff({{"fmt ", fmt(1, 1, 8000, 16)}, {"data", swapped}}), write_wav(codec::id_pcm_int16be, 1, in, 2500));
}

TEST_F(SoundFile, WavReadsWhatTheChunksHoldAndNeverMore)
{
    const bytes pcm = fmt(1, 1, 8000, 16), ten = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, odd(1001, 0x5A);
    const bytes good = riff({{"fmt ", pcm}, {"data", ten}});
    bytes notWave = good;
    std::copy_n("AVI ", 4, notWave.begin() + 8);
    auto ext = [](std::uint8_t nLast) {  // cbSize, bits, mask, the PCM sub-format GUID
        return bytes{22, 0, 16, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, nLast};
    };
    const unsigned nPcm = codec::id_pcm_int16le;
    const struct {
        bytes content;
        bool bDetected;
        unsigned nCodec, nChannels, nRate;
        bytes data;
    } cases[] = {
        {riff({{"fmt ", fmt(1, 2, 16000, 16)}, {"LIST", bytes(13)}, {"data", odd}, {"LIST", bytes(20)}}), true, nPcm, 2,
         16000, odd},
        {riff({{"JUNK", bytes(27)}, {"fmt ", fmt(3, 1, 44100, 32)}, {"data", ten}}), false, codec::id_pcm_float32, 1,
         44100, ten},
        {riff({{"fmt ", fmt(6, 1, 8000, 8, {0, 0})}, {"data", ten}}), true, codec::id_g711_alaw, 1, 8000, ten},
        {riff({{"fmt ", fmt(0xFFFE, 2, 8000, 16, ext(0x71))}, {"data", ten}}), true, nPcm, 2, 8000, ten},
        {riff({{"fmt ", fmt(0xFFFE, 2, 8000, 16, ext(0x72))}, {"data", ten}}), true, 0, 2, 8000, ten},  // foreign GUID
        {riff({{"fmt ", fmt(0xFFFE, 1, 8000, 16, {22, 0, 16, 0})}, {"data", ten}}), true, 0, 1, 8000, ten},
        {riff({{"fmt ", fmt(0x55, 1, 8000, 16)}, {"data", ten}}), true, 0, 1, 8000, ten},
        {notWave, false, nPcm, 1, 8000, ten},
        {{'R', 'I', 'F'}, false, 0, 0, 0, {}},
        {bytes(good.begin(), good.begin() + 30), false, 0, 0, 0, {}},
        {bytes(good.begin(), good.begin() + 40), true, nPcm, 1, 8000, {}},
        {riff({{"fmt ", pcm}, {"data", ten, 0xFFFFFFFF}}), true, nPcm, 1, 8000, ten},
        {riff({{"fmt ", pcm}, {"LIST", ten}}), true, nPcm, 1, 8000, {}},
        {riff({{"fmt ", pcm}, {"LIST", bytes(4), 0xFFFFFFFF}, {"data", ten}}), true, nPcm, 1, 8000, {}},
        {riff({{"fmt ", pcm, 0xFFFFFFF0}, {"data", ten}}), true, 0, 0, 0, {}},
        {riff({{"fmt ", {1, 0, 2}}, {"data", ten}}), true, nPcm, 2, 0, ten},
        {riff({{"fmt ", pcm}, {"LIST", {1, 2, 3}, -1, false}, {"data", ten}}), true, nPcm, 1, 8000, {}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        put("r.wav", cases[i].content);
        expect_read("r.wav", cases[i].nCodec, cases[i].nChannels, cases[i].nRate, cases[i].data, cases[i].bDetected);
    }
}

// Standard output of a shell command, which must exit with 0.
std::string run(const std::string& strCommand)
{
    std::string strOut;
    FILE* pPipe = ::popen(strCommand.c_str(), "r");
    char aBuf[512];
    for (size_t nRead; pPipe != nullptr && (nRead = std::fread(aBuf, 1, sizeof(aBuf), pPipe)) > 0;)
        strOut.append(aBuf, nRead);
    EXPECT_EQ(0, pPipe != nullptr ? ::pclose(pPipe) : -1) << strCommand;
    return strOut;
}

struct encoding {
    unsigned nCodec, nWidth;
    const char *pszSoxi, *pszSoxType, *pszFfmpeg;  // ffmpeg's raw format follows the '_'
};
const encoding c_encodings[] = {{codec::id_pcm_int16le, 2, "Signed Integer PCM", "s16", "pcm_s16le"},
                                {codec::id_pcm_float32, 4, "Floating Point PCM", "f32", "pcm_f32le"},
                                {codec::id_g711_alaw, 1, "A-law", "al", "pcm_alaw"},
                                {codec::id_g711_ulaw, 1, "u-law", "ul", "pcm_mulaw"}};

class WavInterop : public SoundFile, public ::testing::WithParamInterface<std::tuple<encoding, unsigned>> {};

TEST_P(WavInterop, ToolsReadWhatWeWriteAndWeReadWhatTheyWrite)
{
    const auto [e, nChannels] = GetParam();
    // 1001 frames of values every tool keeps exactly: any 16-bit value, multiples of 1/32768 for float and
    // every G.711 code but the u-law negative zero, which comes back as the positive one.
    bytes data(1001 * nChannels * e.nWidth);
    for (unsigned i = 0; i < 1001 * nChannels; ++i) {
        const int nValue = static_cast<int>((i * 7919u) % 65535u) - 32767;
        const float f = static_cast<float>(nValue) / 32768.0f;
        std::memcpy(data.data() + i * e.nWidth, e.nWidth == 4 ? static_cast<const void*>(&f) : &nValue, e.nWidth);
        if (e.nCodec == codec::id_g711_ulaw && data[i] == 0x7F) data[i] = 0xFF;
    }
    write_wav(e.nCodec, nChannels, data, 1001);
    const std::string strChannels = std::to_string(nChannels), strWav = path("w.wav"), strFf = e.pszFfmpeg;
    EXPECT_EQ("8000\n" + strChannels + "\n" + e.pszSoxi + "\n1001\n", run("for o in r c e s; do soxi -$o " + strWav + "; done"));
    EXPECT_EQ(strFf + ",8000," + strChannels + ",1001\n",
              run("ffprobe -v error -show_entries stream=codec_name,sample_rate,channels,duration_ts -of csv=p=0 " + strWav));
    // From raw data; -D: no dither. ffmpeg puts a LIST chunk before the data.
    const std::string strRaw = put("in.raw", data);
    run("sox -D -t " + std::string(e.pszSoxType) + " -r 8000 -c " + strChannels + " " + strRaw + " " + path("sox.wav"));
    expect_read("sox.wav", e.nCodec, nChannels, 8000, data);
    run("ffmpeg -v error -y -f " + strFf.substr(4) + " -ar 8000 -ac " + strChannels + " -i " + strRaw + " -c:a " + strFf +
        " " + path("ffmpeg.wav"));
    expect_read("ffmpeg.wav", e.nCodec, nChannels, 8000, data);
}

INSTANTIATE_TEST_SUITE_P(Encodings, WavInterop, ::testing::Combine(::testing::ValuesIn(c_encodings), ::testing::Values(1u, 2u)));

}  // namespace
