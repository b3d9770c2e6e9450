// WAV files exchanged with sox and ffmpeg, the reference tools installed
// for the tests: what we write they read with the same format and length,
// and what they write we read with the right codec and the same samples.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fconv_test_util.h"
#include "vocalith/codec/id.h"
#include "vocalith/fconv/file_factory.h"
#include "vocalith/fconv/sound_stream.h"

namespace {

using fconv::sound_file;
using fconv::sound_stream;
using fconv_test::bytes;

constexpr unsigned c_nRate = 8000;
constexpr unsigned c_nFrames = 1001;

struct encoding {
    unsigned nCodec;
    unsigned nWidth;            // bytes per sample
    const char* pszSoxName;     // as soxi -e prints it
    const char* pszSoxArgs;     // sox's options for raw data of this encoding
    const char* pszFfmpegCodec;
};

void PrintTo(const encoding& e, std::ostream* pOut)
{
    *pOut << e.pszFfmpegCodec;
}

const encoding c_encodings[] = {
    {codec::id_pcm_int16le, 2, "Signed Integer PCM", "-e signed-integer -b 16 -L", "pcm_s16le"},
    {codec::id_pcm_float32, 4, "Floating Point PCM", "-e floating-point -b 32 -L", "pcm_f32le"},
    {codec::id_g711_alaw, 1, "A-law", "-e a-law -b 8", "pcm_alaw"},
    {codec::id_g711_ulaw, 1, "u-law", "-e u-law -b 8", "pcm_mulaw"},
};

// Standard output of a shell command; the test fails if it does not exit 0.
std::string run(const std::string& strCommand)
{
    std::string strOut;
    FILE* pPipe = ::popen(strCommand.c_str(), "r");
    if (pPipe == nullptr) {
        ADD_FAILURE() << "cannot run " << strCommand;
        return strOut;
    }
    std::array<char, 512> aBuf;
    size_t nRead;
    while ((nRead = std::fread(aBuf.data(), 1, aBuf.size(), pPipe)) > 0) strOut.append(aBuf.data(), nRead);
    EXPECT_EQ(0, ::pclose(pPipe)) << strCommand;
    return strOut;
}

std::string trimmed(std::string str)
{
    while (!str.empty() && (str.back() == '\n' || str.back() == ' ')) str.pop_back();
    return str;
}

// Sample bytes whose values every tool keeps exactly: 16-bit values for
// PCM, multiples of 1/32768 inside (-1, 1) for float, and every G.711 code
// except the µ-law negative zero (0x7F), which decodes to the same value as
// 0xFF and so comes back as 0xFF.
bytes samples_for(const encoding& e, unsigned nChannels)
{
    const unsigned nCount = c_nFrames * nChannels;
    bytes data(nCount * e.nWidth);
    for (unsigned i = 0; i < nCount; ++i) {
        const int nValue = static_cast<int>((i * 7919u) % 65535u) - 32767;  // -32767..32767
        std::uint8_t* p = data.data() + i * e.nWidth;
        if (e.nCodec == codec::id_pcm_int16le) {
            p[0] = static_cast<std::uint8_t>(nValue);
            p[1] = static_cast<std::uint8_t>(nValue >> 8);
        } else if (e.nCodec == codec::id_pcm_float32) {
            const float f = static_cast<float>(nValue) / 32768.0f;
            std::memcpy(p, &f, 4);  // the test machine is little-endian, as the file is
        } else {
            p[0] = static_cast<std::uint8_t>(i * 37u);
            if (e.nCodec == codec::id_g711_ulaw && p[0] == 0x7F) p[0] = 0xFF;
        }
    }
    return data;
}

class WavInterop : public ::testing::TestWithParam<std::tuple<encoding, unsigned>> {
protected:
    static void SetUpTestSuite()
    {
        for (const char* pszTool : {"sox", "soxi", "ffprobe", "ffmpeg"})
            ASSERT_EQ(0, std::system((std::string("command -v ") + pszTool + " >/dev/null").c_str()))
                << pszTool << " is a test dependency (scripts/bootstrap.sh)";
    }

    // Reads a WAV file through detection: codec, channels, rate and data.
    void read_ours(const std::string& strPath, unsigned nChannels, const bytes& expected)
    {
        const encoding& e = std::get<0>(GetParam());
        sound_stream s(strPath, true);
        fconv::file_factory factory;
        std::unique_ptr<sound_file> pFile = factory.instantiate(s);
        ASSERT_NE(nullptr, pFile);
        EXPECT_EQ(e.nCodec, pFile->codec());
        EXPECT_EQ(nChannels, pFile->channels());
        EXPECT_EQ(c_nRate, pFile->sample_rate());
        // Room for one more piece than expected: a reader that runs past the
        // data shows as a longer result, not as an overrun.
        constexpr unsigned c_nPiece = 333;
        bytes data(expected.size() + c_nPiece);
        unsigned nTotal = 0;
        while (nTotal + c_nPiece <= data.size()) {
            const unsigned nRead = pFile->read(data.data() + nTotal, c_nPiece);
            if (nRead == 0) break;
            nTotal += nRead;
        }
        data.resize(nTotal);
        EXPECT_TRUE(data == expected) << "samples differ; " << nTotal << " bytes read";
    }

    fconv_test::temp_dir m_dir;
};

TEST_P(WavInterop, ToolsReadWhatWeWrite)
{
    const encoding& e = std::get<0>(GetParam());
    const unsigned nChannels = std::get<1>(GetParam());
    const std::string strPath = m_dir.file("ours.wav");
    {
        sound_stream s(strPath, false);
        fconv::file_factory factory;
        std::unique_ptr<sound_file> pFile = factory.instantiate(fconv::format_wav, s);
        pFile->write_header(e.nCodec, nChannels, c_nRate);
        const bytes data = samples_for(e, nChannels);
        pFile->write(data.data(), static_cast<unsigned>(data.size()));
        pFile->finish(c_nFrames);
    }

    EXPECT_EQ(std::to_string(c_nRate), trimmed(run("soxi -r " + strPath)));
    EXPECT_EQ(std::to_string(nChannels), trimmed(run("soxi -c " + strPath)));
    EXPECT_EQ(e.pszSoxName, trimmed(run("soxi -e " + strPath)));
    EXPECT_EQ(std::to_string(c_nFrames), trimmed(run("soxi -s " + strPath)));

    const std::string strProbe = run(
        "ffprobe -v error -show_entries stream=codec_name,sample_rate,channels,duration_ts "
        "-of default=noprint_wrappers=1 " + strPath);
    std::map<std::string, std::string> fields;
    std::istringstream lines(strProbe);
    for (std::string strLine; std::getline(lines, strLine);) {
        const auto nEq = strLine.find('=');
        if (nEq != std::string::npos) fields[strLine.substr(0, nEq)] = strLine.substr(nEq + 1);
    }
    EXPECT_EQ(e.pszFfmpegCodec, fields["codec_name"]) << strProbe;
    EXPECT_EQ(std::to_string(c_nRate), fields["sample_rate"]);
    EXPECT_EQ(std::to_string(nChannels), fields["channels"]);
    EXPECT_EQ(std::to_string(c_nFrames), fields["duration_ts"]);
}

TEST_P(WavInterop, WeReadWhatSoxWrites)
{
    const encoding& e = std::get<0>(GetParam());
    const unsigned nChannels = std::get<1>(GetParam());
    const bytes data = samples_for(e, nChannels);
    const std::string strRaw = m_dir.file("in.raw");
    fconv_test::write_file(strRaw, data);
    const std::string strWav = m_dir.file("sox.wav");
    const std::string strFormat = std::string(e.pszSoxArgs) + " -c " + std::to_string(nChannels);
    // -D: no dither, so the samples pass unchanged.
    run("sox -D -t raw -r " + std::to_string(c_nRate) + " " + strFormat + " " + strRaw + " " +
        strFormat + " " + strWav);
    read_ours(strWav, nChannels, data);
}

TEST_P(WavInterop, WeReadWhatFfmpegWrites)
{
    const encoding& e = std::get<0>(GetParam());
    const unsigned nChannels = std::get<1>(GetParam());
    const bytes data = samples_for(e, nChannels);
    const std::string strRaw = m_dir.file("in.raw");
    fconv_test::write_file(strRaw, data);
    const std::string strWav = m_dir.file("ffmpeg.wav");
    // ffmpeg names raw G.711 input by the codec's short name.
    std::string strIn = e.pszFfmpegCodec;
    strIn = strIn.substr(strIn.find('_') + 1);
    // ffmpeg puts a LIST chunk before the data.
    run("ffmpeg -v error -y -f " + strIn + " -ar " + std::to_string(c_nRate) + " -ac " +
        std::to_string(nChannels) + " -i " + strRaw + " -c:a " + e.pszFfmpegCodec + " " + strWav);
    read_ours(strWav, nChannels, data);
}

std::string case_name(const ::testing::TestParamInfo<WavInterop::ParamType>& info)
{
    return std::string(std::get<0>(info.param).pszFfmpegCodec) + "_" +
           (std::get<1>(info.param) == 1 ? "mono" : "stereo");
}

INSTANTIATE_TEST_SUITE_P(Encodings, WavInterop,
                         ::testing::Combine(::testing::ValuesIn(c_encodings), ::testing::Values(1u, 2u)),
                         case_name);

}  // namespace
