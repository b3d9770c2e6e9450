// The vocalith command on the bundled samples and presets, run in a scratch
// directory. Sound files are read back through sox, an independent reader.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "common.h"
#include "output_file.h"

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
typedef std::vector<std::int16_t> pcm;

const std::string c_strSpeech = "'" VOCALITH_SOURCE_DIR "/samples/speech.wav' ";
const std::string c_strLadspa = " --ladspa-path /usr/lib/ladspa ";

std::string read_file(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Everything a shell command writes to its standard output.
std::string shell(const std::string& strCommand)
{
    std::string strOut;
    FILE* pPipe = ::popen(strCommand.c_str(), "r");
    for (int c; (c = std::fgetc(pPipe)) != EOF;) {
        strOut += static_cast<char>(c);
    }
    return ::pclose(pPipe) == 0 ? strOut : "(failed: " + strCommand + ")";
}

// The samples of a file as sox reads them; strType describes a raw file.
pcm samples(const std::string& strFile, const std::string& strType = "")
{
    const std::string strRaw = shell("sox -D " + strType + " " + strFile + " -t raw -e signed -b 16 -L - 2>/dev/null");
    pcm values(strRaw.size() / 2);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<std::int16_t>(static_cast<std::uint8_t>(strRaw[2 * i]) | strRaw[2 * i + 1] << 8);
    }
    return values;
}

double rms(const pcm& values, const pcm& minus = {})
{
    double fSum = 0.0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        fSum += std::pow(values[i] - (i < minus.size() ? minus[i] : 0), 2);
    }
    return std::sqrt(fSum / static_cast<double>(values.size()));
}

struct result {
    int nStatus;
    std::string strOut;
    std::string strErr;
};

class command : public ::testing::Test {
protected:
    void SetUp() override
    {
        char szName[] = "/tmp/vocalith_tool_XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(szName));
        m_strDir = szName;
        fs::current_path(m_strDir);
        // A preset without plugins, and a plugin directory that keeps its runs short.
        std::ofstream("empty.xml") << "<?xml version=\"1.0\"?>\n<jackrack><channels>1</channels></jackrack>\n";
        fs::create_directory("noplugins");
    }
    void TearDown() override
    {
        fs::current_path("/");
        fs::remove_all(m_strDir);
    }

    // "vocalith <args>" (shell words) in the scratch directory.
    static result run(const std::string& strArgs, const std::string& strStdin = "/dev/null")
    {
        const int nRaw = std::system(("'" VOCALITH_TOOL "' " + strArgs + " <" + strStdin + " >.out 2>.err").c_str());
        result res{WIFEXITED(nRaw) ? WEXITSTATUS(nRaw) : -1, read_file(".out"), read_file(".err")};
        fs::remove(".out");
        fs::remove(".err");
        return res;
    }

    static void convert(const std::string& strArgs)
    {
        const result res = run("convert " + strArgs);
        ASSERT_EQ(0, res.nStatus) << strArgs << ": " << res.strErr;
        EXPECT_EQ("", res.strErr) << strArgs;
    }

    static std::set<std::string> files()
    {
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(".")) {
            names.insert(entry.path().filename());
        }
        return names;
    }

    std::string m_strDir;
};

TEST_F(command, every_bundled_preset_changes_the_speech_and_keeps_its_shape)
{
    const pcm in = samples(c_strSpeech);
    ASSERT_GT(in.size(), 8000u * 3);
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(VOCALITH_BUNDLED_PRESETS)) {
        // As a user names them, without ".xml" or ".xml.gz".
        const std::string strName = entry.path().filename().string().substr(0, entry.path().filename().string().find('.'));
        SCOPED_TRACE(strName);
        names.insert(strName);
        ASSERT_NO_FATAL_FAILURE(convert("-p " + strName + c_strLadspa + c_strSpeech + "out.wav"));
        EXPECT_EQ("wav\n8000\n1\n" + std::to_string(in.size()) + "\n", shell("soxi -t out.wav; soxi -r out.wav; soxi -c out.wav; soxi -s out.wav"));
        const pcm out = samples("out.wav");
        ASSERT_EQ(in.size(), out.size());
        // Neither silent nor unchanged: level and difference within 20 dB of the input's.
        EXPECT_GT(rms(out), rms(in) / 10);
        EXPECT_GT(rms(out, in), rms(in) / 10);
    }
    EXPECT_EQ(6u, names.size());
    EXPECT_EQ(1u, names.count("echo"));  // the gzip-compressed one
}

TEST_F(command, a_preset_is_found_by_name_file_name_path_and_preset_directory)
{
    fs::copy_file(VOCALITH_BUNDLED_PRESETS "/deep.xml", "mine.xml");
    const std::string args[] = {"robot", "robot.xml", "'" VOCALITH_BUNDLED_PRESETS "/robot.xml'", "deep",
                                "mine --preset-dir '" + m_strDir + "'"};
    for (int i = 0; i < 5; ++i) {
        ASSERT_NO_FATAL_FAILURE(convert("-p " + args[i] + c_strLadspa + c_strSpeech + std::to_string(i) + ".wav"));
    }
    EXPECT_EQ(read_file("0.wav"), read_file("1.wav"));
    EXPECT_EQ(read_file("0.wav"), read_file("2.wav"));
    EXPECT_EQ(read_file("3.wav"), read_file("4.wav"));
    EXPECT_NE(read_file("0.wav"), read_file("3.wav"));
}

// Through the empty preset, each codec's file reads with sox as what the
// command decodes from it: the original samples for the lossless codecs,
// whole frames for GSM. Encoding the decoded samples again (but for GSM)
// gives the same samples once more.
TEST_F(command, every_codec_reads_back_as_sox_reads_it)
{
    struct row {
        const char* pszFile;
        const char* pszOptions;
        const char* pszSoxType;
        bool bLossless;
    };
    const row rows[] = {
        {"pcm16le", "", "-t raw -e signed -b 16 -L", true}, {"pcm16be", "", "-t raw -e signed -b 16 -B", true},
        {"float32", "", "-t raw -e float -b 32 -L", true},  {"wav", "--out-codec float32", "", true},
        {"wav", "--out-codec pcm16be", "", true},           {"alaw", "", "-t al", false},
        {"ulaw", "", "-t ul", false},                       {"wav", "--out-codec ulaw", "", false},
        {"gsm", "", "-t gsm", false},
    };
    const std::string strEmpty = "-p empty.xml --ladspa-path noplugins ";
    const pcm original = samples(c_strSpeech);
    for (const row& r : rows) {
        SCOPED_TRACE(std::string(r.pszFile) + " " + r.pszOptions);
        const std::string strType = *r.pszSoxType ? std::string(r.pszSoxType) + " -r 8000 -c 1 " : "";
        const bool bGsm = std::string(r.pszFile) == "gsm";
        ASSERT_NO_FATAL_FAILURE(convert(strEmpty + c_strSpeech + "x." + r.pszFile + " " + r.pszOptions));
        ASSERT_NO_FATAL_FAILURE(convert(strEmpty + "x." + r.pszFile + " back.wav --out-codec pcm16le"));
        const pcm decoded = samples(std::string("x.") + r.pszFile, strType);
        EXPECT_EQ(bGsm ? (original.size() + 159) / 160 * 160 : original.size(), decoded.size());
        EXPECT_TRUE(decoded == samples("back.wav"));
        EXPECT_TRUE(!r.bLossless || decoded == original);
        ASSERT_NO_FATAL_FAILURE(convert(strEmpty + "back.wav y." + r.pszFile + " " + r.pszOptions));
        EXPECT_TRUE(bGsm || samples(std::string("y.") + r.pszFile, strType) == decoded);
    }
    // Raw data through the standard input and output; a WAV there is known by its header.
    EXPECT_EQ(read_file("x.pcm16le"), run("convert " + strEmpty + "- -", "x.pcm16le").strOut);
    EXPECT_EQ(read_file("x.pcm16le"), run("convert " + strEmpty + "- -", c_strSpeech).strOut);
}

TEST_F(command, refusals_are_one_line_with_a_non_zero_status_and_leave_no_file)
{
    std::ofstream("broken.xml") << "<jackrack><plugin><id>1189</id></plugin>";
    std::ofstream("other.xml") << "<?xml version=\"1.0\"?><rack><plugin><id>1189</id></plugin></rack>";
    std::ofstream("fake.wav") << std::string(2000, 'x');
    std::ofstream("in.raw") << std::string(1600, '\0');
    // A real RIFF/WAVE header with a sample format no codec reads (IMA ADPCM, 0x11).
    std::string strAdpcm = read_file(VOCALITH_SOURCE_DIR "/samples/speech.wav");
    strAdpcm[20] = 0x11;
    std::ofstream("adpcm.wav") << strAdpcm;
    const std::string strRobot = "convert -p robot" + c_strLadspa;
    const std::pair<std::string, const char*> rows[] = {
        {strRobot + "absent.wav out.wav", "absent.wav"},
        {"convert -p no_such_preset" + c_strLadspa + c_strSpeech + "out.wav", "no_such_preset"},
        {"convert -p broken.xml" + c_strLadspa + c_strSpeech + "out.wav", "broken.xml"},
        {"convert -p other.xml" + c_strLadspa + c_strSpeech + "out.wav", "not a preset"},
        {"describe broken.xml", "broken.xml"},
        {strRobot + "--out-codec mp3 " + c_strSpeech + "out.wav", "mp3"},
        {strRobot + "--in-codec PCM16 " + c_strSpeech + "out.wav", "PCM16"},  // names are case-sensitive
        {"dtmf --in-codec opus " + c_strSpeech, "opus"},
        {"convert -p robot --ladspa-path noplugins " + c_strSpeech + "out.wav", "1189"},
        {strRobot + "--channels 0 in.raw out.wav", ""},
        {strRobot + "--channels 65 in.raw out.wav", ""},
        {strRobot + "--rate 0 in.raw out.wav", ""},
        {strRobot + "--block 0 in.raw out.wav", ""},
        // G.711 and GSM carry one channel only; a WAV file cannot carry GSM frames.
        {strRobot + "--channels 2 --in-codec alaw in.raw out.wav", ""},
        {strRobot + "--channels 2 in.raw out.gsm", ""},
        {strRobot + "--out-codec gsm " + c_strSpeech + "out.wav", ""},
        // The DTMF receiver works at 8000 Hz only.
        {"dtmf --rate 16000 in.raw", ""},
        {strRobot + "fake.wav out.wav", "fake.wav"},
        {strRobot + "adpcm.wav out.wav", "17"},
        {strRobot + c_strSpeech + "nodir/out.wav", ""},
        {"", ""},
        {"transmogrify", ""},
        {"convert " + c_strSpeech + "out.wav", ""},  // no preset
        {strRobot + "--log-level 9 " + c_strSpeech + "out.wav", ""},
    };
    const std::set<std::string> before = files();
    for (const auto& r : rows) {
        const result res = run(r.first);
        EXPECT_NE(0, res.nStatus) << r.first;
        EXPECT_EQ("", res.strOut) << r.first;
        EXPECT_TRUE(!res.strErr.empty() && res.strErr.find('\n') == res.strErr.size() - 1) << r.first << ": " << res.strErr;
        EXPECT_NE(std::string::npos, res.strErr.find(r.second)) << r.first << ": " << res.strErr;
        EXPECT_EQ(before, files()) << r.first;
    }
}

TEST_F(command, describe_and_plugins_show_the_values_in_force)
{
    const result res = run("describe --json robot" + c_strLadspa);
    ASSERT_EQ(0, res.nStatus) << res.strErr;
    const json doc = json::parse(res.strOut);
    EXPECT_NE(std::string::npos, doc.at("preset").at("file").get<std::string>().find("/robot.xml"));
    const json& plugin = doc.at("preset").at("plugins").at(0).at("plugin");
    EXPECT_EQ(1189, plugin.at("desc").at("id"));
    std::map<std::string, json> ports;
    for (const json& item : plugin.at("desc").at("input_control_ports")) {
        ports[item.at("port").at("name")] = item.at("port");
    }
    // The value the file sets beside the plugin's default.
    EXPECT_EQ(30.0, ports["Frequency (Hz)"].at("current_value"));
    EXPECT_EQ(440.0, ports["Frequency (Hz)"].at("default_value"));
    EXPECT_EQ(2.0, ports["Modulation depth (0=none, 1=AM, 2=RM)"].at("current_value"));
    // The same tree as indented text.
    const std::string strText = run("describe telephone" + c_strLadspa).strOut;
    EXPECT_EQ(0u, strText.find("preset\n  file: ")) << strText;
    EXPECT_NE(std::string::npos, strText.find("\n  plugins\n    plugin\n")) << strText;
    EXPECT_NE(std::string::npos, strText.find("\n        id: 1904\n")) << strText;

    // The Butterworth cut-off is bounded by a fraction of the rate.
    for (int nRate : {8000, 44100}) {
        const json list = json::parse(run("plugins --json --rate " + std::to_string(nRate) + c_strLadspa).strOut);
        const auto it = std::find_if(list.begin(), list.end(), [](const json& p) { return p.at("id") == 1903; });
        ASSERT_NE(list.end(), it);
        EXPECT_FLOAT_EQ(0.45f * nRate, it->at("control_inputs").at(0).at("upper_bound").get<float>());
    }
    const json amp = json::parse(run("plugins --json --channels 2" + c_strLadspa).strOut);
    const auto it = std::find_if(amp.begin(), amp.end(), [](const json& p) { return p.at("id") == 1048; });
    ASSERT_NE(amp.end(), it);
    EXPECT_EQ("amp_mono", it->at("label"));
    EXPECT_EQ(json::array({"Input"}), it->at("audio_inputs"));
    EXPECT_EQ("Gain", it->at("control_inputs").at(0).at("name"));
    EXPECT_EQ(2, it->at("layout").at("instance"));
    EXPECT_EQ(json::array(), json::parse(run("plugins --json --ladspa-path noplugins").strOut));
}

TEST_F(command, dtmf_finds_the_bundled_keys_at_their_start_times)
{
    // scripts/make_samples.sh: keys 1 5 9 # of 80 ms, 80 ms apart, from 0.16 s.
    const std::string strKeys = VOCALITH_SOURCE_DIR "/samples/dtmf_159hash.wav";
    const result res = run("dtmf '" + strKeys + "'");
    ASSERT_EQ(0, res.nStatus) << res.strErr;
    std::istringstream lines(res.strOut);
    std::string strFound;
    double fTime;
    for (char key; lines >> fTime >> key;) {
        EXPECT_NEAR(0.16 * (strFound.size() + 1), fTime, 0.01) << key;
        strFound += key;
    }
    EXPECT_EQ("159#", strFound) << res.strOut;
    // The same from raw data on the standard input.
    std::ofstream("keys.raw") << read_file(strKeys).substr(44);
    EXPECT_EQ(res.strOut, run("dtmf -", "keys.raw").strOut);
}

// The output appears under its name only once complete; until then it is a
// hidden file beside it, removed when the output is abandoned.
TEST_F(command, an_output_file_appears_only_when_committed)
{
    std::ofstream("old.raw") << "old contents";
    const std::set<std::string> before = files();
    {
        tool::output_file out("new.wav", codec::id_pcm_int16le, 1, 8000);
        out.write("\x01\x00\xfe\xff", 4);
        ASSERT_EQ(before.size() + 1, files().size());
        EXPECT_EQ('.', files().begin()->at(0));
        out.commit(2);
        tool::output_file abandoned("old.raw", codec::id_g711_alaw, 1, 8000);
        abandoned.write("new", 3);
        // A WAV header cannot state more than 4 GiB of data.
        tool::output_file huge("huge.wav", codec::id_pcm_int16le, 1, 8000);
        EXPECT_THROW(huge.commit(1ull << 31), tool::error);
    }
    EXPECT_TRUE(samples("new.wav") == (pcm{1, -2}));
    EXPECT_EQ("old contents", read_file("old.raw"));
    EXPECT_THROW(tool::output_file("x.wav", codec::id_gsm_610, 1, 8000), tool::error);
    EXPECT_THROW(tool::output_file("missing/x.raw", codec::id_pcm_int16le, 1, 8000), tool::error);
    std::set<std::string> after = before;
    after.insert("new.wav");
    EXPECT_EQ(after, files());
}

}  // namespace
