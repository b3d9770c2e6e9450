// Every refusal of vocalith: one line on standard error, a non-zero status,
// and no file under the output's name (nor a temporary one beside it).
#include <string>
#include <vector>

#include "tool_runner.h"

namespace tool_test {
namespace {

class errors : public scratch {
protected:
    void SetUp() override
    {
        scratch::SetUp();
        m_strSpeech = sample("speech.wav");
    }

    // Runs a command that must fail; returns its one line of complaint.
    std::string refused(const std::string& strArgs)
    {
        std::vector<std::string> before = files();
        result res = run(strArgs);
        EXPECT_NE(res.nStatus, 0) << strArgs;
        EXPECT_EQ(res.strOut, "") << strArgs;
        EXPECT_FALSE(res.strErr.empty()) << strArgs;
        EXPECT_EQ(res.strErr.find('\n'), res.strErr.size() - 1) << strArgs << ": " << res.strErr;
        EXPECT_FALSE(exists(path("out.wav"))) << strArgs;
        EXPECT_EQ(files(), before) << strArgs << ": something was left in the directory";
        return res.strErr;
    }

    std::string convert_to_out(const std::string& strOptions, const std::string& strInput)
    {
        return refused("convert " + strOptions + " --ladspa-path " + c_ladspa + " '" + strInput + "' out.wav");
    }

    std::string m_strSpeech;
};

TEST_F(errors, missing_input_and_unreadable_presets)
{
    EXPECT_NE(convert_to_out("-p robot", path("absent.wav")).find("absent.wav"), std::string::npos);
    EXPECT_NE(convert_to_out("-p no_such_preset", m_strSpeech).find("no_such_preset"), std::string::npos);

    write_file(path("broken.xml"), "<jackrack><plugin><id>1189</id></plugin>");
    EXPECT_NE(convert_to_out("-p broken.xml", m_strSpeech).find("broken.xml"), std::string::npos);
    write_file(path("other.xml"), "<?xml version=\"1.0\"?><rack><plugin><id>1189</id></plugin></rack>");
    EXPECT_NE(convert_to_out("-p other.xml", m_strSpeech).find("not a preset"), std::string::npos);
    refused("describe '" + path("broken.xml") + "'");
}

TEST_F(errors, unknown_codec_names)
{
    std::string strErr = convert_to_out("-p robot --out-codec mp3", m_strSpeech);
    EXPECT_NE(strErr.find("mp3"), std::string::npos);
    convert_to_out("-p robot --in-codec PCM16", m_strSpeech);  // names are case-sensitive
    refused("dtmf --in-codec opus '" + m_strSpeech + "'");
}

TEST_F(errors, plugin_missing_from_the_search_path)
{
    ASSERT_EQ(std::system(("mkdir '" + path("empty") + "'").c_str()), 0);
    std::vector<std::string> before = files();
    result res = run("convert -p robot --ladspa-path empty '" + m_strSpeech + "' out.wav");
    EXPECT_NE(res.nStatus, 0);
    EXPECT_NE(res.strErr.find("1189"), std::string::npos) << res.strErr;
    EXPECT_EQ(res.strErr.find('\n'), res.strErr.size() - 1) << res.strErr;
    EXPECT_EQ(files(), before);
}

TEST_F(errors, stream_shapes_outside_what_the_engine_takes)
{
    std::string strRaw = path("in.raw");
    write_file(strRaw, std::string(1600, '\0'));
    convert_to_out("-p robot --channels 0", strRaw);
    convert_to_out("-p robot --channels 65", strRaw);
    convert_to_out("-p robot --rate 0", strRaw);
    convert_to_out("-p robot --block 0", strRaw);
    // G.711 and GSM carry one channel only.
    convert_to_out("-p robot --channels 2 --in-codec alaw", strRaw);
    refused("convert -p robot --ladspa-path " + std::string(c_ladspa) + " --channels 2 '" + strRaw + "' out.gsm");
    EXPECT_FALSE(exists(path("out.gsm")));
    // A WAV file cannot carry GSM frames.
    convert_to_out("-p robot --out-codec gsm", m_strSpeech);
    // The DTMF receiver works at 8000 Hz only.
    refused("dtmf --rate 16000 '" + strRaw + "'");
}

TEST_F(errors, files_that_only_look_like_wav)
{
    // Named .wav but holding no RIFF header.
    write_file(path("fake.wav"), std::string(2000, 'x'));
    EXPECT_NE(convert_to_out("-p robot", path("fake.wav")).find("fake.wav"), std::string::npos);

    // A real RIFF/WAVE header with a sample format no codec reads (IMA ADPCM).
    std::string strWav = read_file(m_strSpeech);
    ASSERT_GT(strWav.size(), 44u);
    strWav[20] = 0x11;
    write_file(path("adpcm.wav"), strWav);
    EXPECT_NE(convert_to_out("-p robot", path("adpcm.wav")).find("17"), std::string::npos);
}

TEST_F(errors, output_in_a_missing_directory)
{
    refused("convert -p robot --ladspa-path " + std::string(c_ladspa) + " '" + m_strSpeech + "' nodir/out.wav");
    EXPECT_FALSE(exists(path("nodir")));
}

TEST_F(errors, command_line_mistakes)
{
    refused("");
    refused("transmogrify");
    refused("convert '" + m_strSpeech + "' out.wav");  // no preset
    refused("convert -p robot --log-level 9 '" + m_strSpeech + "' out.wav");
}

}  // namespace
}  // namespace tool_test
