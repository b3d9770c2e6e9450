// The vocalith command on the bundled samples and presets, run in a scratch
// directory. Sound files are read back through sox, an independent reader.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <numeric>
#include <sstream>

#include "common.h"
#include "output_file.h"

namespace {

namespace fs = std::filesystem;
typedef std::vector<std::int16_t> pcm;
const std::string c_strTool = "'" VOCALITH_TOOL "' ", c_strLadspa = " --ladspa-path /usr/lib/ladspa ",
                  c_strSpeech = "'" VOCALITH_SOURCE_DIR "/samples/speech.wav' ";
const std::string c_strEmpty = c_strTool + "convert -p empty.xml --ladspa-path . ";  // no plugins: short runs
const std::string c_strOut = "/tmp/vocalith_tool_test_" + std::to_string(::getpid());

std::string read_file(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a shell command prints, run in the scratch directory; it must
// succeed without a word on standard error (or, bFails, fail with one line).
std::string shell(const std::string& strCommand, bool bFails = false)
{
    const int nRaw = std::system(("{ " + strCommand + "; } >" + c_strOut + " 2>" + c_strOut + ".err").c_str());
    const std::string strErr = read_file(c_strOut + ".err");
    EXPECT_EQ(bFails, !WIFEXITED(nRaw) || WEXITSTATUS(nRaw) != 0) << strCommand << ": " << strErr;
    EXPECT_EQ(bFails ? strErr.size() - 1 : std::string::npos, strErr.find('\n')) << strCommand << ": " << strErr;
    return read_file(c_strOut) + (bFails ? strErr : "");
}

// The samples of a file as sox reads them; strType describes a raw file.
pcm samples(const std::string& strFile, const std::string& strType = "")
{
    const std::string strRaw = shell("sox -D " + strType + " " + strFile + " -t raw -e signed -b 16 -L -");
    pcm values(strRaw.size() / 2);
    std::memcpy(values.data(), strRaw.data(), values.size() * 2);  // this host is little-endian too
    return values;
}

class command : public ::testing::Test {
protected:
    void SetUp() override
    {
        char szName[] = "/tmp/vocalith_tool_XXXXXX";
        fs::current_path(m_strDir = ::mkdtemp(szName));
        std::ofstream("empty.xml") << "<?xml version=\"1.0\"?>\n<jackrack><channels>1</channels></jackrack>\n";
    }
    void TearDown() override { fs::remove_all(m_strDir); }
    std::string m_strDir;
};

TEST_F(command, every_bundled_preset_changes_the_speech_and_keeps_its_shape)
{
    const pcm in = samples(c_strSpeech);
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(VOCALITH_BUNDLED_PRESETS)) {
        // As a user names them, without ".xml" or ".xml.gz".
        const std::string strName = entry.path().stem().stem();
        SCOPED_TRACE(strName);
        names.insert(strName);
        shell(c_strTool + "convert -p " + strName + c_strLadspa + c_strSpeech + strName + ".wav");
        EXPECT_EQ("wav 8000 1 " + std::to_string(in.size()) + "\n",
                  shell("for o in t r c; do printf '%s ' $(soxi -$o " + strName + ".wav); done; soxi -s " + strName +
                        ".wav"));
        // Neither silent nor unchanged.
        const pcm out = samples(strName + ".wav");
        EXPECT_LT(std::count(out.begin(), out.end(), 0), std::count(in.begin(), in.end(), 0) + 1000);
        EXPECT_GT(std::inner_product(in.begin(), in.end(), out.begin(), 0, std::plus<int>(), std::not_equal_to<int>()),
                  10000);
    }
    EXPECT_EQ((std::set<std::string>{"anonymous", "chipmunk", "deep", "echo", "robot", "telephone"}), names);
    // By name in a directory given.
    fs::copy_file(VOCALITH_BUNDLED_PRESETS "/robot.xml", "mine.xml");
    shell(c_strTool + "convert -p mine --preset-dir '" + m_strDir + "'" + c_strLadspa + c_strSpeech + "dir.wav");
    EXPECT_TRUE(read_file("robot.wav") == read_file("dir.wav"));
    // A WAV on the standard input is known by its header; raw data goes to
    // the standard output. (The codecs themselves are the codec tests'.)
    std::ofstream("out.raw") << shell(c_strEmpty + "- - <" + c_strSpeech);
    EXPECT_TRUE(samples("out.raw", "-t s16 -L -r 8000 -c 1") == in);
}

// The bundled key sequence starts a key every 0.16 s from 0.16 s on; the
// onsets must come out within a few milliseconds of that.
TEST_F(command, dtmf_lists_each_key_with_its_onset)
{
    std::istringstream lines(shell(c_strTool + "dtmf '" VOCALITH_SOURCE_DIR "/samples/dtmf_159hash.wav'"));
    std::string strKeys;
    double fOnset = 0;
    char cKey = 0;
    while (lines >> fOnset >> cKey) {
        strKeys += cKey;
        EXPECT_NEAR(0.16 * static_cast<double>(strKeys.size()), fOnset, 0.005) << cKey;
    }
    EXPECT_EQ("159#", strKeys);
}

TEST_F(command, refusals_are_one_line_with_a_non_zero_status_and_leave_no_file)
{
    std::ofstream("broken.xml") << "<jackrack><plugin><id>1189</id></plugin>";
    std::ofstream("in.raw") << std::string(1600, '\0');
    const std::string strRobot = "convert -p robot" + c_strLadspa, strBefore = shell("ls -A");
    const std::pair<std::string, const char*> rows[] = {
        {strRobot + "absent.wav out.wav", "absent.wav"},
        {"describe broken.xml", "broken.xml"},
        {strRobot + "--out-codec mp3 " + c_strSpeech + "out.wav", "mp3"},
        {"convert -p robot --ladspa-path . " + c_strSpeech + "out.wav", "1189"},
        {strRobot + "--channels 2 in.raw out.alaw", "alaw"},  // G.711 and GSM carry one channel only
        {strRobot + "--out-codec gsm " + c_strSpeech + "out.wav", "gsm"},  // WAV files carry no GSM frames
        {"dtmf --rate 16000 in.raw", "16000"},  // the DTMF receiver works at 8000 Hz only
        {strRobot + c_strSpeech + "nodir/out.wav", "nodir"},
    };
    for (const auto& r : rows) {
        EXPECT_NE(std::string::npos, shell(c_strTool + r.first, true).find(r.second)) << r.first;
        EXPECT_EQ(strBefore, shell("ls -A")) << r.first;
    }
}

TEST_F(command, describe_shows_the_values_in_force)
{
    const nlohmann::json port = nlohmann::json::parse(shell(c_strTool + "describe --json robot" + c_strLadspa))
                                    .at("preset")
                                    .at("plugins")
                                    .at(0)
                                    .at("plugin")
                                    .at("desc")
                                    .at("input_control_ports")
                                    .at(1);
    // The value the file sets beside the plugin's default, and its hints.
    EXPECT_EQ(nlohmann::json::parse(R"j({"port": {"name": "Frequency (Hz)", "index": 1, "lower_bound": 1.0,
        "upper_bound": 1000.0, "default_value": 440.0, "current_value": 30.0, "hint_bounded_below": true,
        "hint_bounded_above": true, "hint_toggled": false, "hint_sample_rate": false, "hint_logarithmic": false,
        "hint_integer": false, "hint_has_default": true, "hint_default_minimum": false, "hint_default_low": false,
        "hint_default_middle": false, "hint_default_high": false, "hint_default_maximum": false,
        "hint_default_0": false, "hint_default_1": false, "hint_default_100": false, "hint_default_440": true}})j"),
              port);
}

// The output replaces a file only once complete: abandoned, as when a
// conversion throws, it leaves the old file and no temporary one.
TEST_F(command, an_output_file_replaces_a_file_only_when_committed)
{
    std::ofstream("old.raw") << "old contents";
    {
        tool::output_file abandoned("old.raw", codec::id_g711_alaw, 1, 8000);
        // A WAV header cannot state more than 4 GiB of data.
        tool::output_file huge("huge.wav", codec::id_pcm_int16le, 1, 8000);
        EXPECT_THROW(huge.commit(1ull << 31), tool::error);
    }
    EXPECT_EQ("old contents empty.xml old.raw ", read_file("old.raw") + " " + shell("ls -A | tr '\\n' ' '"));
}

}  // namespace
