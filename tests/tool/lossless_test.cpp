// Through a preset without plugins, every lossless pair of codecs gives the
// samples back unchanged.
#include <string>
#include <vector>

#include "tool_runner.h"

namespace tool_test {
namespace {

class lossless : public scratch {
protected:
    void SetUp() override
    {
        scratch::SetUp();
        write_file(path("empty.xml"), c_emptyPreset);
        // No plugins are needed: an empty search directory keeps each run short.
        ASSERT_EQ(std::system(("mkdir '" + path("noplugins") + "'").c_str()), 0);
    }

    // Runs convert through the empty preset; the arguments follow "convert".
    void convert(const std::string& strArgs)
    {
        result res = run("convert -p empty.xml --ladspa-path noplugins " + strArgs);
        ASSERT_EQ(res.nStatus, 0) << strArgs << ": " << res.strErr;
        EXPECT_EQ(res.strErr, "") << strArgs;
    }
};

TEST_F(lossless, linear_codec_pairs_return_the_same_pcm16_samples)
{
    std::string strInput = sample("speech.wav");
    std::vector<std::int16_t> original = wav_samples(strInput);
    ASSERT_FALSE(original.empty());
    // Raw files named after their codec: the extension selects it.
    const char* const codecs[] = {"pcm16le", "pcm16be", "float32"};
    for (const char* pszFrom : codecs) {
        ASSERT_NO_FATAL_FAILURE(convert("'" + strInput + "' in." + pszFrom));
        for (const char* pszTo : codecs) {
            SCOPED_TRACE(std::string(pszFrom) + " -> " + pszTo);
            std::string strMid = std::string("from_") + pszFrom + "." + pszTo;
            ASSERT_NO_FATAL_FAILURE(convert(std::string("in.") + pszFrom + " " + strMid));
            ASSERT_NO_FATAL_FAILURE(convert(strMid + " back.wav --out-codec pcm16le"));
            EXPECT_TRUE(same_samples(wav_samples(path("back.wav")), original));
        }
    }
    // pcm16be raw really is byte-exchanged, not a copy of pcm16le.
    std::string strLe = read_file(path("in.pcm16le")), strBe = read_file(path("in.pcm16be"));
    ASSERT_EQ(strLe.size(), strBe.size());
    ASSERT_GE(strLe.size(), 2u);
    EXPECT_FALSE(strLe == strBe);
    for (std::size_t i = 0; i + 1 < strLe.size(); i += 2) {
        ASSERT_EQ(strLe[i], strBe[i + 1]) << "byte " << i;
    }
}

TEST_F(lossless, wav_to_wav_keeps_samples_whatever_the_wav_codec)
{
    std::string strInput = sample("speech.wav");
    std::vector<std::int16_t> original = wav_samples(strInput);
    ASSERT_NO_FATAL_FAILURE(convert("'" + strInput + "' same.wav"));
    EXPECT_TRUE(same_samples(wav_samples(path("same.wav")), original));
    for (const char* pszCodec : {"float32", "pcm16be"}) {
        SCOPED_TRACE(pszCodec);
        ASSERT_NO_FATAL_FAILURE(convert("'" + strInput + "' mid.wav --out-codec " + std::string(pszCodec)));
        // sox agrees on the intermediate file's shape.
        EXPECT_EQ(shell("soxi -s '" + path("mid.wav") + "'"), std::to_string(original.size()));
        ASSERT_NO_FATAL_FAILURE(convert("mid.wav back.wav --out-codec pcm16le"));
        EXPECT_TRUE(same_samples(wav_samples(path("back.wav")), original));
    }
}

TEST_F(lossless, g711_streams_survive_decoding_and_encoding_again)
{
    std::string strInput = sample("speech.wav");
    for (const char* pszCodec : {"alaw", "ulaw"}) {
        SCOPED_TRACE(pszCodec);
        std::string strLaw = std::string("speech.") + pszCodec;
        ASSERT_NO_FATAL_FAILURE(convert("'" + strInput + "' " + strLaw));
        std::string strCoded = read_file(path(strLaw));
        EXPECT_EQ(strCoded.size(), wav_samples(strInput).size());
        ASSERT_NO_FATAL_FAILURE(convert(strLaw + " wide.wav --out-codec pcm16"));
        std::vector<std::int16_t> decoded = wav_samples(path("wide.wav"));
        ASSERT_EQ(decoded.size(), strCoded.size());

        // G.711 to G.711 of the same law, directly and by way of pcm16, then
        // widened again. (mu-law has two codes for zero, so its bytes may
        // differ where the samples do not.)
        ASSERT_NO_FATAL_FAILURE(convert(strLaw + " again." + pszCodec));
        ASSERT_NO_FATAL_FAILURE(convert("wide.wav back." + std::string(pszCodec)));
        for (const std::string& strCopy : {std::string("again."), std::string("back.")}) {
            ASSERT_NO_FATAL_FAILURE(convert(strCopy + pszCodec + " copy.wav --out-codec pcm16"));
            EXPECT_TRUE(same_samples(wav_samples(path("copy.wav")), decoded)) << strCopy << pszCodec;
        }
        // A G.711 WAV file: a 44-byte header, one byte per sample, and the
        // same samples when widened.
        ASSERT_NO_FATAL_FAILURE(convert(strLaw + " law.wav"));
        EXPECT_EQ(read_file(path("law.wav")).size(), 44 + strCoded.size());
        EXPECT_EQ(shell("soxi -e '" + path("law.wav") + "'"), std::string(pszCodec[0] == 'a' ? "A-law" : "u-law"));
        ASSERT_NO_FATAL_FAILURE(convert("law.wav copy.wav --out-codec pcm16"));
        EXPECT_TRUE(same_samples(wav_samples(path("copy.wav")), decoded));
    }
    // A-law has one code per value: its bytes come back exactly.
    EXPECT_TRUE(read_file(path("again.alaw")) == read_file(path("speech.alaw")));
    EXPECT_TRUE(read_file(path("back.alaw")) == read_file(path("speech.alaw")));
}

TEST_F(lossless, standard_input_and_output_carry_raw_data)
{
    std::string strInput = sample("speech.wav");
    ASSERT_NO_FATAL_FAILURE(convert("'" + strInput + "' in.raw"));
    result res = run("convert -p empty.xml --ladspa-path noplugins - -", path("in.raw"));
    ASSERT_EQ(res.nStatus, 0) << res.strErr;
    EXPECT_TRUE(res.strOut == read_file(path("in.raw")));
    // A WAV on the standard input is recognised by its header.
    result wav = run("convert -p empty.xml --ladspa-path noplugins - out.raw", strInput);
    ASSERT_EQ(wav.nStatus, 0) << wav.strErr;
    EXPECT_TRUE(read_file(path("out.raw")) == read_file(path("in.raw")));
}

}  // namespace
}  // namespace tool_test
