// The vocalith command on the bundled samples and presets, run in a scratch
// directory. Sound files are read back through sox, an independent reader.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <tuple>
#include <sstream>

#include "common.h"
#include "output_file.h"
#include "sound_type.h"
#include "vocalith/app/globals.h"
#include "vocalith/ladspa/aggregate_instance.h"
#include "vocalith/ladspa/plugin_desc.h"
#include "vocalith/ladspa/plugin_factory.h"
#include "vocalith/ladspa/pseudo_stereo_instance.h"

namespace {

namespace fs = std::filesystem;
typedef std::vector<std::int16_t> pcm;
const std::string c_strTool = VOCALITH_TOOL_LAUNCHER "'" VOCALITH_TOOL "' ", c_strLadspa = " --ladspa-path '" VOCALITH_TOOL_LADSPA_DIR "' ",
                  c_strSpeech = "'" VOCALITH_SOURCE_DIR "/samples/speech.wav' ";
const std::string c_strEmpty = c_strTool + "convert -p empty.xml --ladspa-path . ";  // no plugins: short runs
// The command's own folder separator.
const std::string c_strSep = VOCALITH_TOOL_WINDOWS ? "\\" : "/";
// Where shell() keeps what a command printed: beside the scratch directory,
// inside the test's own temporary folder.
std::string g_strOut;

std::string read_file(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a shell command prints, run in the scratch directory; it must exit
// with nStatus, without a word on standard error when 0, else with one line
// (returned after the output).
std::string shell(const std::string& strCommand, int nStatus = 0)
{
    const int nRaw = std::system(("{ " + strCommand + "; } >" + g_strOut + " 2>" + g_strOut + ".err").c_str());
    const std::string strErr = read_file(g_strOut + ".err");
    EXPECT_EQ(nStatus, WIFEXITED(nRaw) ? WEXITSTATUS(nRaw) : -1) << strCommand << ": " << strErr;
    EXPECT_EQ(nStatus ? strErr.size() - 1 : std::string::npos, strErr.find('\n')) << strCommand << ": " << strErr;
    return read_file(g_strOut) + (nStatus ? strErr : "");
}

// The samples of a file as sox reads them; strType describes a raw file.
pcm samples(const std::string& strFile, const std::string& strType = "")
{
    const std::string strRaw = shell("sox -D " + strType + " " + strFile + " -t raw -e signed -b 16 -L -");
    pcm values(strRaw.size() / 2);
    std::memcpy(values.data(), strRaw.data(), values.size() * 2);  // this host is little-endian too
    return values;
}

// Standard output and exit status of a command run in the scratch directory.
std::pair<std::string, int> run(const std::string& strCommand)
{
    const int nRaw = std::system(("{ " + strCommand + "; } >" + g_strOut + " 2>/dev/null").c_str());
    return {read_file(g_strOut), WIFEXITED(nRaw) ? WEXITSTATUS(nRaw) : -1};
}

nlohmann::json json_of(const std::string& strCommand)
{
    return nlohmann::json::parse(shell(strCommand));
}

// Runs a conversion that reads (bRead) or writes strFile, of the type its
// extension or strType names. A FLAC, Ogg or MP3 file needs the codec
// libraries of the command's libsndfile: without them the command must
// refuse it in one line. True when it ran.
bool converted(const std::string& strCommand, const std::string& strFile, bool bRead, const std::string& strType = "")
{
    const std::string strExt = strType.empty() ? tool::extension(strFile) : strType;
    if (VOCALITH_TOOL_CODEC_LIBRARIES || (strExt != "flac" && strExt != "ogg" && strExt != "mp3")) {
        shell(strCommand);
        return true;
    }
    EXPECT_EQ("vocalith convert: " + strFile + (bRead ? ": cannot read: " : ": cannot write: ") +
                  "File contains data in an unimplemented format.\n",
              shell(strCommand, 2));
    return false;
}

class command : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string strName = (fs::temp_directory_path() / "vocalith_tool_XXXXXX").string();
        ASSERT_NE(nullptr, ::mkdtemp(strName.data()));
        m_strTop = strName;
        g_strOut = m_strTop + "/out";
        fs::create_directory(m_strDir = m_strTop + "/work");
        fs::current_path(m_strDir);
        // The command's plugin index goes into the scratch directory too.
        ::setenv("XDG_CACHE_HOME", (m_strCache = m_strTop + "/cache").c_str(), 1);
        std::ofstream("empty.xml") << "<?xml version=\"1.0\"?>\n<jackrack><channels>1</channels></jackrack>\n";
    }
    void TearDown() override
    {
        fs::current_path(VOCALITH_BINARY_DIR);
        fs::remove_all(m_strTop);
    }
    std::string m_strTop, m_strDir, m_strCache;
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

// Each kind made from the bundled speech by sox (MP3 by ffmpeg's libmp3lame)
// goes through the amplifier at gain 1 into a 16-bit WAV, and must match
// what an independent decoder reads from the same file: exactly, or within
// one step where two decoders of a lossy codec may round apart; and each
// container the command writes must hold the speech exactly.
TEST_F(command, every_input_and_output_kind_comes_out_sample_for_sample)
{
    std::ofstream("amp.xml") << "<?xml version=\"1.0\"?>\n<jackrack><channels>1</channels><plugin><id>1048</id>"
                                "<enabled>true</enabled><wet_dry_enabled>false</wet_dry_enabled><controlrow><lock>"
                                "true</lock><control>1.0</control></controlrow></plugin></jackrack>\n";
    struct row {
        std::string strFile, strSoxType;  // sox's type for a raw file, else empty
        std::string strMake;              // sox's options for the file made
        int nStep;
    };
    std::vector<row> rows = {{"i8.wav", "", "-b 8", 0},  {"i16.wav", "", "", 0},
                             {"i24.wav", "", "-b 24", 0},  // WAVE_FORMAT_EXTENSIBLE, as sox writes 24 bits
                             {"i32.wav", "", "-b 32 -e signed", 0}, {"f32.wav", "", "-b 32 -e float", 0},
                             {"f64.wav", "", "-b 64 -e float", 0},  {"in.aiff", "", "", 0},
                             {"in.flac", "", "", 0},                {"in.ogg", "", "", 1}};
    const std::pair<const char*, const char*> raws[] = {
        {"ul", "-t ul"},   {"ulaw", "-t ul"},   {"mulaw", "-t ul"}, {"al", "-t al"},
        {"alaw", "-t al"}, {"gsm", "-t gsm"},   {"sw", "-t s16"},   {"s16", "-t s16"},
        {"pcm16le", "-t s16"}, {"f32", "-t f32"}, {"f32le", "-t f32"}};
    for (const auto& raw : raws) {
        std::string strUpper = raw.first;
        std::transform(strUpper.begin(), strUpper.end(), strUpper.begin(), ::toupper);
        for (const std::string& strExt : {std::string(raw.first), strUpper}) {
            rows.push_back({"in." + strExt, std::string(raw.second) + " -r 8000 -c 1", raw.second, 0});
        }
    }
    shell("ffmpeg -v error -i " + c_strSpeech + "-c:a libmp3lame in.mp3 && ffmpeg -v error -i in.mp3 mp3.wav");
    rows.push_back({"in.mp3", "", "", 1});
    const pcm speech = samples(c_strSpeech);
    for (const row& r : rows) {
        SCOPED_TRACE(r.strFile);
        if (r.strFile != "in.mp3") {
            shell("sox " + c_strSpeech + r.strMake + " " + r.strFile);
        }
        if (!converted(c_strTool + "convert -p amp.xml" + c_strLadspa + r.strFile + " out.wav", r.strFile, true)) {
            continue;
        }
        const pcm in = r.strFile == "in.mp3" ? samples("mp3.wav") : samples(r.strFile, r.strSoxType);
        const pcm out = samples("out.wav");
        ASSERT_EQ(in.size(), out.size());
        EXPECT_NEAR(static_cast<double>(speech.size()), static_cast<double>(in.size()), 160.0);  // GSM: whole frames
        int nWorst = 0;
        for (std::size_t i = 0; i < in.size(); ++i) {
            nWorst = std::max(nWorst, std::abs(in[i] - out[i]));
        }
        EXPECT_LE(nWorst, r.nStep);
    }
    EXPECT_EQ("feff", shell("xxd -s 20 -l 2 -p i24.wav | tr -d '\\n'"));
    // A raw file's codec named by option rather than by its name.
    shell("cp in.al in.raw && " + c_strEmpty + "--in-codec alaw in.raw codec.wav");
    EXPECT_TRUE(samples("in.al", "-r 8000 -c 1") == samples("codec.wav"));
    // Each container written, known by its first bytes, holds the samples
    // (-V1: sox warns of the 24-byte AU header libsndfile writes).
    const std::string strRaw = " -t raw -e signed -b 16 -L -", strSpeech = shell("sox -D " + c_strSpeech + strRaw);
    for (const auto& [pszExt, pszMagic] : {std::pair{"aif", "FORM"}, {"aifc", "FORM"}, {"au", ".snd"}, {"snd", ".snd"},
                                           {"caf", "caff"}, {"w64", "riff"}, {"rf64", "RF64"}, {"flac", "fLaC"}}) {
        const std::string strOut = std::string("out.") + pszExt;
        if (!converted(c_strEmpty + c_strSpeech + strOut, strOut, false)) {
            continue;
        }
        EXPECT_EQ(pszMagic, read_file(strOut).substr(0, 4)) << strOut;
        EXPECT_TRUE(strSpeech == shell("sox -V1 -D " + strOut + strRaw)) << strOut;
    }
}

// A pipe streams: a WAV comes out with a header that sox reads to the end,
// and output leaves while the input still pauses.
TEST_F(command, pipes_stream_through_the_command)
{
    const std::string strStat = " -n stat 2>&1 | grep -E '^(Samples read|RMS +amplitude)'";
    EXPECT_EQ(shell("sox " + c_strSpeech + strStat),
              shell("cat " + c_strSpeech + "| " + c_strEmpty + "-t wav - -t wav - | sox -t wav -" + strStat));
    // Libsndfile's types too, though FLAC's reader goes back to the start:
    // from a pipe, and from a file on the standard input after the peek.
    shell("sox " + c_strSpeech + "in.flac");
    if (converted("cat in.flac | " + c_strEmpty + "-t FLAC - f.wav", "-", true, "flac") &&
        converted(c_strEmpty + "-t flac - g.wav <in.flac", "-", true, "flac")) {
        EXPECT_TRUE(samples(c_strSpeech) == samples("f.wav") && read_file("f.wav") == read_file("g.wav"));
    }
    // "ended" appears only once the writer's pause is over.
    EXPECT_EQ("early\n", shell("{ sox " + c_strSpeech + "-t s16 - trim 0 1; sleep 2; touch ended; } | " + c_strEmpty +
                                "-t s16 - -t s16 - | { head -c 1 >/dev/null; test -e ended && echo late || echo early; "
                                "cat >/dev/null; }"));
}

// Rate and channels change before the preset, as sox would change them:
// within a ratio of error to signal power in dB and a largest difference.
TEST_F(command, out_rate_and_out_channels_match_sox)
{
    shell("sox " + c_strSpeech + "-r 44100 s44.wav && sox " + c_strSpeech + "st.wav remix 1 1v-0.5 && sox st.wav "
          "-r 44100 st44.wav");
    const std::tuple<std::string, std::string, double, int> rows[] = {
        {"s44.wav --out-rate 8000", "s44.wav r.wav rate -h 8000", -60.0, 65535},
        {"st44.wav --out-rate 8000", "st44.wav r.wav rate -h 8000", -60.0, 65535},  // each channel its own
        // Medium, high and very high come within 60 to 70 dB of one another: too close to tell apart.
        {"s44.wav --out-rate 8000 --quality quick", "s44.wav r.wav rate -q 8000", -60.0, 65535},
        {"s44.wav --out-rate 8000 --quality low", "s44.wav r.wav rate -l 8000", -60.0, 65535},
        {"st.wav --out-channels 1", "st.wav r.wav remix -", -50.0, 1},
        {c_strSpeech + "--out-channels 2", c_strSpeech + "r.wav remix 1 1", -INFINITY, 0},
    };
    for (const auto& [strArgs, strSox, dLimit, nStep] : rows) {
        SCOPED_TRACE(strArgs);
        shell(c_strEmpty + strArgs + " o.wav && sox " + strSox);
        const pcm ref = samples("r.wav"), out = samples("o.wav");
        ASSERT_EQ(ref.size(), out.size());
        double fSignal = 0, fError = 0;
        int nWorst = 0;
        for (std::size_t i = 0; i < ref.size(); ++i) {
            fSignal += static_cast<double>(ref[i]) * ref[i];
            fError += static_cast<double>(ref[i] - out[i]) * (ref[i] - out[i]);
            nWorst = std::max(nWorst, std::abs(ref[i] - out[i]));
        }
        EXPECT_LE(10 * std::log10(fError / fSignal), dLimit);
        EXPECT_LE(nWorst, nStep);
    }
}

// Inputs far longer than one read, whose coded units (a 3-channel frame, a
// 33-byte GSM frame) straddle the reads: from a file and from a pipe, every
// sample must come out, none doubled or dropped.
TEST_F(command, long_inputs_lose_no_partial_unit_between_reads)
{
    shell("sox " + c_strSpeech + "-t s16 three.s16 remix 1 1v-0.5 1v0.25");
    shell("sox " + c_strSpeech + c_strSpeech + c_strSpeech + c_strSpeech + c_strSpeech + c_strSpeech + c_strSpeech +
          c_strSpeech + "long.gsm");
    ASSERT_GT(fs::file_size("long.gsm"), 65536u);
    ASSERT_GT(fs::file_size("three.s16"), 65536u);
    const pcm gsm = samples("long.gsm");
    for (const bool bPipe : {false, true}) {
        SCOPED_TRACE(bPipe ? "pipe" : "file");
        shell((bPipe ? "cat three.s16 | " + c_strEmpty + "-t s16 -" : c_strEmpty + "three.s16") +
              " --channels 3 three_out.s16");
        EXPECT_TRUE(read_file("three.s16") == read_file("three_out.s16"));
        shell((bPipe ? "cat long.gsm | " + c_strEmpty + "-t gsm -" : c_strEmpty + "long.gsm") + " gsm_out.s16");
        EXPECT_TRUE(gsm == samples("gsm_out.s16", "-t s16 -r 8000 -c 1"));
    }
    // Through libsndfile's frames and the channel copy as well.
    if (converted(c_strEmpty + "--channels 3 three.s16 three.flac", "three.flac", false)) {
        EXPECT_TRUE(samples("three.s16", "-t s16 -r 8000 -c 3") == samples("three.flac"));
    }
    shell(c_strEmpty + "long.gsm --out-channels 2 two.s16 && sox long.gsm -t s16 ref.s16 remix 1 1");
    EXPECT_TRUE(read_file("ref.s16") == read_file("two.s16"));
}

// Fast dialling made with sox (50 ms keys, 55 ms pauses, from 0.1 s on) at
// a rate, as mono WAV of 16 bits or of sox's default 32 (read by libsndfile),
// or with a steady 'D' on a second channel: the keys of channel 0 in order,
// each onset and (with --json) end within 10 ms.
std::string fast_dialling(const std::string& strRate, bool bStereo, const std::string& strBits = " -b 16")
{
    const std::string strFormat = " -r " + strRate + strBits + " -c 1 ";
    std::string strMake = "sox -n" + strFormat + "k10.wav trim 0 0.1; i=10; for f in";
    for (const char* pszLo : {"697", "770", "852", "941"})
        for (const char* pszHi : {"1209", "1336", "1477", "1633"}) strMake += std::string(" ") + pszLo + ":" + pszHi;
    strMake += "; do i=$((i+1)); sox -n" + strFormat +
               "k$i.wav synth 0.05 sine ${f%:*} sine ${f#*:} pad 0 0.055; done; sox k??.wav keys.wav";
    if (bStereo) strMake += "; sox -n" + strFormat + "d.wav synth 1.8 sine 941 sine 1633; sox -M keys.wav d.wav in.wav";
    return strMake + (bStereo ? "" : "; mv keys.wav in.wav") + "; rm k??.wav";
}

TEST_F(command, dtmf_lists_the_keys_in_order_with_their_onsets)
{
    struct row {
        std::string strMake, strArgs, strKeys;
        double dFirst, dStep;
    };
    const row rows[] = {
        {"cp '" VOCALITH_SOURCE_DIR "/samples/dtmf_159hash.wav' in.wav", "", "159#", 0.16, 0.16},
        {fast_dialling("8000", false), "", "123A456B789C*0#D", 0.1, 0.105},
        {fast_dialling("44100", false), "", "123A456B789C*0#D", 0.1, 0.105},
        {fast_dialling("48000", false, ""), "", "123A456B789C*0#D", 0.1, 0.105},
        {fast_dialling("22050", true), "", "123A456B789C*0#D", 0.1, 0.105},
        {fast_dialling("16000", false) + "; sox in.wav -t raw in.raw; rm in.wav", "--rate 16000 ",
         "123A456B789C*0#D", 0.1, 0.105},
    };
    for (const row& r : rows) {
        shell(r.strMake);
        const std::string strIn = r.strArgs.empty() ? "in.wav" : "in.raw";
        std::istringstream lines(shell(c_strTool + "dtmf " + r.strArgs + strIn));
        std::string strKeys;
        double dOnset = 0;
        for (char cKey = 0; lines >> dOnset >> cKey; strKeys += cKey)
            EXPECT_NEAR(r.dFirst + r.dStep * static_cast<double>(strKeys.size()), dOnset, 0.010) << r.strMake;
        EXPECT_EQ(r.strKeys, strKeys) << r.strMake;
        const nlohmann::json keys = nlohmann::json::parse(shell(c_strTool + "dtmf --json " + r.strArgs + strIn));
        ASSERT_EQ(r.strKeys.size(), keys.size()) << r.strMake;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            EXPECT_EQ(std::string(1, r.strKeys[i]), keys[i].at("key")) << i;
            EXPECT_NEAR(r.dFirst + r.dStep * static_cast<double>(i), keys[i].at("onset").get<double>(), 0.010) << i;
            // The bundled keys last 80 ms.
            EXPECT_NEAR(keys[i].at("onset").get<double>() + (r.dStep == 0.16 ? 0.08 : 0.05),
                        keys[i].at("end").get<double>(), 0.010) << i;
        }
        shell("rm in.*");
    }
}

// Whole lines: a library's "<source>, line N: " prefix must not show.
TEST_F(command, refusals_are_one_line_with_their_status_and_leave_no_file)
{
    std::ofstream("broken.xml") << "<jackrack><plugin><id>1189</id></plugin>";
    std::ofstream("in.raw") << std::string(1600, '\0');
    std::ofstream("in.xyz") << std::string(1600, '\0');
    std::ofstream("null.xml") << "<jackrack><plugin><id>77501</id></plugin></jackrack>";  // never instantiates
    std::ofstream("fake.flac") << std::string(1600, '\0');
    fs::create_directory("sub");
    // No plugin directory is scanned: the refusals come before any plugin runs.
    const std::string strEmpty = "convert -p empty.xml --ladspa-path . ", strBefore = shell("ls -A");
    const std::string strConvert = "vocalith convert: ";
    const std::tuple<std::string, int, std::string> rows[] = {
        {strEmpty + "absent.wav out.wav", 2, "absent.wav: cannot read: No such file or directory"},
        {strEmpty + "in.xyz out.wav", 2, "in.xyz: unknown file type 'xyz' (name it with -t TYPE)"},
        {strEmpty + "fake.flac out.wav", 2, "fake.flac: cannot read: Format not recognised."},
        {strEmpty + c_strSpeech + "out.xyz", 2, "out.xyz: unknown file type 'xyz' (name it with -t TYPE)"},
        {strEmpty + "-t foo - out.wav <in.raw", 2, "-t foo: unknown file type"},
        {strEmpty + c_strSpeech + "-t foo -", 2, "-t foo: unknown file type"},
        {strEmpty + c_strSpeech + "nodir/out.wav", 2, "nodir/out.wav: cannot create the output file: No such file or directory"},
        {strEmpty + c_strSpeech + "--out-rate 11025 out.opus", 2,
         VOCALITH_TOOL_CODEC_LIBRARIES
             ? "out.opus: cannot write: Error : Opus only supports sample rates of 8000, 12000, 16000, 24000, and 48000."
             : "out.opus: cannot write: File contains data in an unimplemented format."},
        {strEmpty + "--out-codec gsm " + c_strSpeech + "out.flac", 2, "out.flac: a flac file cannot carry gsm at 8000 Hz in 1 channel(s)"},
        {strEmpty + "--out-codec mp3 " + c_strSpeech + "out.wav", 2,
         "--out-codec: unknown codec 'mp3' (known: float32, pcm16le, pcm16be, alaw, ulaw, gsm)"},
        {"convert -p robot --ladspa-path . " + c_strSpeech + "out.wav", 2,
         VOCALITH_BUNDLED_PRESETS + c_strSep + "robot.xml: needs LADSPA plugin 1189, which is not on the search path '.'"},
        // A path names a file, with either separator where the command's platform has two.
        {"convert -p 'sub" + c_strSep + "absent' --ladspa-path . " + c_strSpeech + "out.wav", 2,
         "preset 'sub" + c_strSep + "absent' not found"},
        {strEmpty + "--channels 2 in.raw out.alaw", 2, "out.alaw: codec alaw carries one channel, not 2"},
        {strEmpty + "--block 16385 " + c_strSpeech + "out.wav", 2, "--block 16385: 1 to 16384 samples are supported"},
        {strEmpty + "--out-codec gsm " + c_strSpeech + "out.wav", 2,
         "out.wav: a WAV file cannot carry gsm samples; give a raw output name such as out.gsm"},
        {strEmpty + "--channels 3 in.raw --out-channels 2 out.raw", 2,
         "--out-channels 2: 3 channels can be mixed down to 1, or 1 copied to several"},
        {"convert -p null.xml --ladspa-path '" VOCALITH_HOSTILE_PLUGIN_DIR "' " + c_strSpeech + "out.wav", 2,
         "LADSPA plugin id=77501 \"hostile null instance\" cannot be instantiated at 8000 Hz"},
        {"describe --ladspa-path . broken.xml", 2,
         "vocalith describe: broken.xml:1:41: not a readable XML document: Premature end of data in tag jackrack "
         "line 1"},
        {"dtmf --rate 192000 in.raw", 2,
         "vocalith dtmf: in.raw: 192000 Hz; DTMF keys are found at 4000 to 96000 Hz"},
        {"dtmf missing.wav", 2, "vocalith dtmf: missing.wav: cannot read: No such file or directory"},
        {"frobnicate", 2, "vocalith: unknown subcommand 'frobnicate' (see vocalith --help)"},
        {"help frobnicate", 2, "vocalith: unknown subcommand 'frobnicate' (see vocalith --help)"},
        {"--version frobnicate", 2, "vocalith: unknown subcommand 'frobnicate' (see vocalith --help)"},
        {"dtmf --bogus in.raw", 2, "vocalith: The following argument was not expected: --bogus (see vocalith --help)"},
    };
    for (const auto& r : rows) {
        const std::string& strLine = std::get<2>(r);
        EXPECT_EQ((strLine.rfind("vocalith", 0) == 0 ? strLine : strConvert + strLine) + "\n",
                  shell(c_strTool + std::get<0>(r), std::get<1>(r)))
            << std::get<0>(r);
        EXPECT_EQ(strBefore, shell("ls -A")) << std::get<0>(r);
    }
    // An output in a folder that exists, named with the platform's separator.
    shell(c_strTool + strEmpty + c_strSpeech + "'sub" + c_strSep + "out.wav'");
    EXPECT_EQ("out.wav\n", shell("ls -A sub"));
}

// help prints what --help prints, of the command or of one subcommand.
TEST_F(command, help_shows_the_command_or_one_subcommand)
{
    const std::string strHelp = shell(c_strTool + "help");
    EXPECT_EQ(shell(c_strTool + "--help"), strHelp);
    for (const char* pszSub : {"convert", "describe", "plugins", "dtmf", "help"}) {
        EXPECT_NE(std::string::npos, strHelp.find(std::string("\n  ") + pszSub + " ")) << pszSub;
        const std::string strSub = shell(c_strTool + "help " + pszSub);
        EXPECT_EQ(shell(c_strTool + pszSub + " --help"), strSub);
        EXPECT_NE(std::string::npos, strSub.find(std::string("Usage: vocalith ") + pszSub + " ")) << strSub;
    }
}

// The completion script reads subcommands, options and codecs from the
// command's help and preset names from the folders; the command is found on
// PATH as an installed one would be.
TEST_F(command, bash_completion_offers_what_the_help_and_the_preset_folder_name)
{
    // The words offered for the line after "vocalith ", sorted; the line is
    // split as bash splits it and its last word is the one being completed.
    auto complete = [this](const std::string& strLine) {
        // An emulated command cannot start from PATH: a function of its name runs it as the other tests do.
        const std::string strFind = std::string(VOCALITH_TOOL_LAUNCHER).empty()
                                        ? "PATH='" + fs::path(VOCALITH_TOOL).parent_path().string() + "':$PATH; "
                                        : "vocalith() { " + c_strTool + "\"$@\"; }; ";
        std::ofstream(m_strTop + "/complete.sh")
            << "source '" VOCALITH_SOURCE_DIR "/tools/vocalith.bash'; " << strFind << "COMP_WORDS=(vocalith " << strLine
            << (strLine.empty() || strLine.back() == ' ' ? "''" : "")
            << "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _vocalith; printf '%s\\n' \"${COMPREPLY[@]}\" | sort";
        std::string strWords = shell("bash '" + m_strTop + "/complete.sh'");
        std::replace(strWords.begin(), strWords.end(), '\n', ' ');
        return strWords;
    };
    const std::pair<std::string, std::string> rows[] = {
        {"d", "describe dtmf "},
        {"help c", "check convert "},
        {"convert --out-co", "--out-codec "},
        {"--log-level 1 convert --in-codec ", "alaw float32 gsm pcm16be pcm16le ulaw "},
        {"convert --preset-dir " VOCALITH_BUNDLED_PRESETS " -p e", "echo empty.xml "},
        {"describe --preset-dir " VOCALITH_BUNDLED_PRESETS " r", "robot "},
        {"dtmf --r", "--rate "},
        {"plugins e", "empty.xml "},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(r.second, complete(r.first)) << r.first;
    }
    const std::string strAll = " " + complete("");
    for (const char* pszWord :
         {"convert", "describe", "plugins", "dtmf", "check", "preset", "presets", "help", "--help", "--version"}) {
        EXPECT_NE(std::string::npos, strAll.find(std::string(" ") + pszWord + " ")) << strAll;
    }
}

// The layout plugins lists is the one instance creation builds: the kind and
// its handle count, for 1 to 3 channels over every fixture plugin.
TEST_F(command, plugins_lists_the_layout_instances_get)
{
    app::s_Global.nLogLevel = 0;  // the fixture directory's broken libraries
    ladspa::plugin_factory registry(VOCALITH_TEST_PLUGIN_DIR);
    ASSERT_GE(registry.plugins().size(), 5u);
    for (unsigned int nChannels = 1; nChannels <= 3; ++nChannels) {
        const nlohmann::json list = nlohmann::json::parse(shell(c_strTool + "plugins --json --ladspa-path '" +
                                                                VOCALITH_TOOL_FIXTURE_DIR "' --channels " +
                                                                std::to_string(nChannels)));
        ASSERT_EQ(registry.plugins().size(), list.size());
        for (const nlohmann::json& plugin : list) {
            const unsigned long nId = plugin.at("id");
            std::unique_ptr<ladspa::abstract_instance> pInstance =
                registry.plugins().at(nId)->create_instance(nChannels, 8000, 256);
            const std::string strKind = dynamic_cast<ladspa::aggregate_instance*>(pInstance.get()) ? "aggregation"
                                        : dynamic_cast<ladspa::pseudo_stereo_instance*>(pInstance.get())
                                            ? "pseudo-stereo"
                                            : "complex";
            EXPECT_EQ(nlohmann::json({{"type", strKind}, {"instance", pInstance->handle_count()}}),
                      plugin.at("layout"))
                << nId << " on " << nChannels << " channel(s)";
        }
    }
}

// The index of plugin ids per library: written by the first run, it lets
// later runs open only the preset's library; stale or unwritable, it changes
// nothing in the output. (Not robot: its ring modulator's tables come from
// rand(), whose state depends on the libraries loaded before it.)
TEST_F(command, the_plugin_index_opens_only_the_libraries_a_preset_needs)
{
    const std::string strSystem = VOCALITH_SYSTEM_PLUGIN_DIR, strIndex = m_strCache + "/vocalith/plugin-index",
                      strWhole = " --ladspa-path " + strSystem + " ";
    // The libraries a run opened from Debian's plugin folder, as the loader reports them.
    const auto opened = [&](const std::string& strOut) {
        shell("rm -f ld.*; LD_DEBUG=files LD_DEBUG_OUTPUT=ld " + c_strTool + "convert -p telephone" + strWhole +
              c_strSpeech + strOut);
        return shell("cat ld.* | grep -o 'file=" + strSystem + "/[^ ]*' | sort -u | wc -l");
    };
    // The first run opens libraries until it has found the preset's plugins.
    EXPECT_LT(5, std::stoi(opened("first.wav")));
    const std::string strFirst = read_file(strIndex);
    EXPECT_NE(std::string::npos, strFirst.find(" 3 1902 1903 1904 " + strSystem + "/butterworth_1902.so\n")) << strFirst;
    EXPECT_EQ("1\n", opened("second.wav"));
    EXPECT_TRUE(read_file("first.wav") == read_file("second.wav"));

    // An index that puts 1903 and 1904 into another library (with that
    // library's stamp): the run finds them missing there and scans the path.
    const std::string strStale = shell("sed -e 's| 3 1902 1903 1904 " + strSystem + "/butter| 0 " + strSystem +
                                       "/butter|' -e 's| 2 1048 1049 " + strSystem + "/amp.so| 4 1048 1049 1903 1904 " +
                                       strSystem + "/amp.so|' " + strIndex);
    std::ofstream(strIndex) << strStale;
    EXPECT_NE(std::string::npos, read_file(strIndex).find(" 4 1048 1049 1903 1904 " + strSystem + "/amp.so"));
    EXPECT_LT(50, std::stoi(opened("stale.wav")));
    EXPECT_TRUE(read_file("first.wav") == read_file("stale.wav"));
    // A cache directory that cannot be made: same output, not a word more.
    shell("XDG_CACHE_HOME=empty.xml " + c_strTool + "convert -p telephone" + strWhole + c_strSpeech +
          "nocache.wav");
    EXPECT_TRUE(read_file("first.wav") == read_file("nocache.wav"));
}

// The output replaces a file only once complete: abandoned, as when a
// conversion throws, it leaves the old file and no temporary one.
TEST_F(command, an_output_file_replaces_a_file_only_when_committed)
{
    std::ofstream("old.raw") << "old contents";
    {
        tool::output_file abandoned("old.raw", tool::find_type("raw"), codec::id_g711_alaw, codec::id_none, 1, 8000);
        // A WAV header cannot state more than 4 GiB of data.
        tool::output_file huge("huge.wav", tool::find_type("WAV"), codec::id_none, codec::id_none, 1, 8000);
        EXPECT_THROW(huge.commit(1ull << 31), tool::error);
    }
    EXPECT_EQ("old contents empty.xml old.raw ", read_file("old.raw") + " " + shell("ls -A | tr '\\n' ' '"));
}

}  // namespace

namespace {

const std::string c_strFixtures =
    " --ladspa-path '" VOCALITH_TOOL_FIXTURE_DIR ";" VOCALITH_HOSTILE_PLUGIN_DIR ";" VOCALITH_TOOL_LADSPA_DIR "' ";

// One document with a finding of each kind, each expected where its
// element's start tag stands.
TEST_F(command, check_reports_each_finding_at_its_line_and_column)
{
    std::ofstream("findings.xml")
        << "<?xml version=\"1.0\"?>\n<jackrack><channels>1</channels><sample_rate>8000</sample_rate>\n"
           "  <plugin><id>77001</id><enabeld>true</enabeld><controlrow><value>loud</value></controlrow></plugin>\n"
           "  <plugin><enabled>true</enabled><id>77001</id><controlrow><value>-5</value></controlrow>\n"
           "    <controlrow><value>1</value></controlrow></plugin>\n"
           "  <plugin><id>77001</id><enabled>true</enabled><controlrow><value>3.5abc</value></controlrow>\n"
           "    <wet_dry_values><value>1.5</value></wet_dry_values></plugin>\n"
           "  <plugin><id>1904</id><enabled>true</enabled><controlrow><value>3700</value></controlrow></plugin>\n"
           "  <plugin><id>1416</id></plugin><plugin><id>77504</id></plugin>\n"
           "  <plugin><id>1043</id><enabled>true</enabled><controlrow><value>1</value></controlrow>"
           "<controlrow><value>0.5</value></controlrow></plugin>\n</jackrack>\n";
    std::ofstream("broken.xml") << "<jackrack>\n  <plugin><id>1048</id></plugn>\n</jackrack>\n";
    const std::tuple<const char*, int, int, const char*> rows[] = {
        {"skipped", 2, 33, "<sample_rate> is not read inside <jackrack>"},
        {"skipped", 3, 25, "<enabeld>"},
        {"number", 3, 60, "'loud' is not a number: read as 0"},
        {"not-enabled", 3, 3, "77001 (vt_gain) has no <enabled>"},
        {"before-id", 4, 11, "<enabled> before the plugin's <id>"},
        {"out-of-bounds", 4, 60, "Gain of 77001 (vt_gain) is -5, below its lower bound 0"},
        {"control-rows", 4, 3, "has 2 <controlrow> for 1 control inputs"},
        {"not-enabled", 4, 3, "77001"},
        {"number", 6, 60, "'3.5abc' is only partly a number: read as 3.5"},
        {"wet-dry", 7, 21, "wet/dry value 1.5 is outside 0 to 1"},
        {"out-of-bounds", 8, 59, "is 3700, above its upper bound 3600 at 8000 Hz"},
        {"control-rows", 8, 3, "has 1 <controlrow> for 2 control inputs"},
        {"unknown-plugin", 9, 11, "analogue_osc_1416.so holds it but it is skipped: no audio input: a generator"},
        {"unknown-plugin", 9, 41, "hostile.so holds it but it is skipped: no audio ports"},
        {"label", 10, 3, "label 'delay_5s' of plugin 1043 is carried by 2 libraries"},
        {"xml", 2, 32, "broken.xml"},
    };
    const auto result = run(c_strTool + "check --json findings.xml broken.xml" + c_strFixtures);
    EXPECT_EQ(1, result.second);
    const nlohmann::json found = nlohmann::json::parse(result.first);
    ASSERT_EQ(std::size(rows), found.size()) << found.dump(1);
    for (std::size_t i = 0; i < found.size(); ++i) {
        const auto& r = rows[i];
        const nlohmann::json& f = found[i];
        EXPECT_EQ(std::get<0>(r), f["kind"]) << f;
        EXPECT_EQ(std::get<1>(r), f["line"]) << f;
        EXPECT_EQ(std::get<2>(r), f["column"]) << f;
        EXPECT_NE(std::string::npos, (f["file"].get<std::string>() + " " + f["message"].get<std::string>())
                                         .find(std::get<3>(r))) << f;
    }
    // Libraries that do not load are named for an unknown id; twice the
    // rate takes the cutoff in; the text form says the same, one a line.
    EXPECT_NE(std::string::npos, found[12]["message"].get<std::string>().find("not_a_library.so cannot be loaded"));
    EXPECT_EQ(std::string::npos, run(c_strTool + "check --rate 16000 findings.xml" + c_strFixtures).first.find("3700"));
    EXPECT_EQ("findings.xml:4:60: out-of-bounds: Gain of 77001 (vt_gain) is -5, below its lower bound 0",
              shell("{ " + c_strTool + "check findings.xml" + c_strFixtures + "; } | sed -n 6p | tr -d '\\n'"));

    // Clean: the bundled presets and a file as JACK Rack saves it.
    std::ofstream("saved.xml") << "<?xml version=\"1.0\"?>\n<!DOCTYPE jackrack SYSTEM \"http://purge.bodhizazen.net/"
                                  "jack-rack/jack-rack-1.0.dtd\">\n<jackrack>\n  <channels>2</channels>\n"
                                  "  <samplerate>48000</samplerate>\n  <plugin>\n    <id>1433</id>\n"
                                  "    <enabled>true</enabled>\n    <wet_dry_enabled>false</wet_dry_enabled>\n"
                                  "    <wet_dry_locked>true</wet_dry_locked>\n    <wet_dry_values>\n"
                                  "      <value>1.000000</value>\n      <value>1.000000</value>\n"
                                  "    </wet_dry_values>\n    <lockall>true</lockall>\n    <controlrow>\n"
                                  "      <lock>true</lock>\n      <value>0.700000</value>\n"
                                  "      <value>0.700000</value>\n    </controlrow>\n    <controlrow>\n"
                                  "      <lock>true</lock>\n      <value>4.000000</value>\n"
                                  "      <value>4.000000</value>\n    </controlrow>\n  </plugin>\n"
                                  "  <midi_control>\n    <plugin>\n      <id>1433</id>\n    </plugin>\n"
                                  "  </midi_control>\n</jackrack>\n";
    for (const char* pszClean : {"anonymous", "chipmunk", "deep", "echo", "robot", "telephone", "saved.xml"}) {
        EXPECT_EQ(std::make_pair(std::string("[]\n"), 0), run(c_strTool + "check --json " + pszClean + c_strLadspa))
            << pszClean;
    }
    EXPECT_EQ(2, run(c_strTool + "check robot absent.xml" + c_strLadspa).second);
}

// A chain given with -e runs as the same chain in a preset file does, and
// the document `preset` writes for it is such a file.
TEST_F(command, inline_chains_run_as_their_preset_files_do)
{
    std::ofstream("half.xml") << "<jackrack><plugin><id>1048</id><enabled>true</enabled><controlrow><value>0.5"
                                 "</value></controlrow></plugin></jackrack>";
    shell(c_strTool + "convert -e amp_mono:gain=0.5" + c_strLadspa + c_strSpeech + "inline.wav");
    shell(c_strTool + "convert -p half.xml" + c_strLadspa + c_strSpeech + "file.wav");
    shell(c_strTool + "preset -e amp_mono:gain=0.5 -o written.xml" + c_strLadspa);
    shell(c_strTool + "convert -p written.xml" + c_strLadspa + c_strSpeech + "written.wav");
    const pcm in = samples(c_strSpeech), out = samples("inline.wav");
    ASSERT_EQ(in.size(), out.size());
    EXPECT_EQ(in[4000] / 2, out[4000]);
    const std::string strInline = read_file("inline.wav");
    EXPECT_TRUE(strInline == read_file("file.wav") && strInline == read_file("written.wav"));

    // Refused with status 2 and one line, before any output exists.
    for (const char* pszChain : {"amp_mono:gain=1,Gain=2", "amp_mono:volume=1", "no_such_label", "amp_mono:gain=loud",
                                 "amp_mono -w 1.5", "amp_mono:0=1,gain=2", "gain=0.5"}) {
        for (const char* pszCommand : {"convert", "preset"}) {
            EXPECT_EQ(0u, shell(c_strTool + pszCommand + " -e " + pszChain + c_strLadspa +
                                    (pszCommand[0] == 'c' ? c_strSpeech + "out.wav" : ""), 2)
                              .find("vocalith " + std::string(pszCommand) + ": "));
        }
    }
    shell(c_strTool + "convert -w 0.5 -e amp_mono" + c_strLadspa + c_strSpeech + "out.wav", 2);
    EXPECT_FALSE(fs::exists("out.wav"));
}

// The document `preset` writes for a chain of several plugins, in order.
TEST_F(command, preset_writes_each_plugin_of_a_chain_in_order)
{
    // Labels by library, ports by number or by any unambiguous part of their
    // name, defaults written out for ports not named, -w for the -e before it.
    const std::string strDoc = shell(c_strTool + "preset -e cmt:amp_mono -e pitchScale:'\"co-eff\"'=1.3 -w 0.25 "
                                     "-e 1904:0=300,res=0.5 --channels 2" + c_strLadspa);
    EXPECT_EQ(std::string::npos, strDoc.find("<wet_dry_enabled>true", strDoc.find("1904")));
    std::size_t nAt = 0;
    for (const char* pszPart : {"<id>1067</id>", "<wet_dry_enabled>false", "<value>1</value>", "<id>1193</id>",
                                "<wet_dry_enabled>true", "<value>0.25</value>\n      <value>0.25</value>",
                                "<value>1.3</value>", "<id>1904</id>", "<value>300</value>", "<value>0.5</value>",
                                "</jackrack>"}) {
        nAt = strDoc.find(pszPart, nAt);
        ASSERT_NE(std::string::npos, nAt) << pszPart << " in order in\n" << strDoc;
    }
}

// describe shows sample-rate bounds in hertz as plugins does, for a chain of
// defaults the same values as plugins for every port, and a preset's own
// values beside the defaults.
TEST_F(command, describe_and_plugins_agree_on_every_port)
{
    std::map<unsigned long, nlohmann::json> plugins;
    for (const nlohmann::json& p : json_of(c_strTool + "plugins --json" + c_strFixtures)) {
        plugins[p["id"].get<unsigned long>()] = p["control_inputs"];
    }
    std::set<unsigned long> ids = {77005};
    for (const char* pszPreset : {"anonymous", "chipmunk", "deep", "echo", "robot", "telephone"}) {
        const nlohmann::json described = json_of(c_strTool + "describe --json " + pszPreset + c_strLadspa);
        for (const nlohmann::json& item : described.at("preset").at("plugins")) {
            ids.insert(item.at("plugin").at("desc").at("id").get<unsigned long>());
        }
        if (std::string(pszPreset) == "robot") {  // the value the file sets, beside the plugin's default
            const nlohmann::json& port = described.at("preset").at("plugins").at(0).at("plugin").at("desc")
                                             .at("input_control_ports").at(1).at("port");
            EXPECT_EQ(nlohmann::json({30.0, 440.0}),
                      nlohmann::json({port.at("current_value"), port.at("default_value")}));
        }
    }
    EXPECT_EQ(7u, ids.size());
    for (unsigned long nId : ids) {
        shell(c_strTool + "preset -e " + std::to_string(nId) + " -o defaults.xml" + c_strFixtures);
        const nlohmann::json ports = json_of(c_strTool + "describe --json defaults.xml" + c_strFixtures)
                                         .at("preset").at("plugins").at(0).at("plugin").at("desc")
                                         .at("input_control_ports");
        ASSERT_EQ(plugins[nId].size(), ports.size()) << nId;
        for (std::size_t i = 0; i < ports.size(); ++i) {
            const nlohmann::json& d = ports[i]["port"];
            const nlohmann::json& p = plugins[nId][i];
            for (const char* pszKey :
                 {"name", "index", "lower_bound", "upper_bound", "raw_lower_bound", "raw_upper_bound"}) {
                EXPECT_EQ(p.value(pszKey, nlohmann::json()), d.value(pszKey, nlohmann::json())) << nId << d;
            }
            EXPECT_EQ(p.at("default_value"), d.at("default_value")) << nId << d;
            EXPECT_EQ(p.at("default_value"), d.at("current_value")) << nId << d;
        }
    }
    // The text form shows the scaled bounds only.
    const std::string strText = shell(c_strTool + "describe telephone" + c_strLadspa);
    EXPECT_NE(std::string::npos, strText.find("upper_bound: 3600"));
    EXPECT_EQ(std::string::npos, strText.find("raw_"));
}

// describe shows every hint combination of the fixture plugin as its range
// hint says.
TEST_F(command, describe_shows_each_hint_combination_of_the_fixture_plugin)
{
    shell(c_strTool + "preset -e 77005 -o defaults.xml" + c_strFixtures);
    // The fields of vt_hints' ports, named after their combination.
    const std::string strDefaults[] = {"minimum", "low", "middle", "high", "maximum", "0", "1", "100", "440"};
    const std::pair<const char*, const char*> hints[] = {
        {"none", ""}, {"none below", "below"}, {"none above", "above"}, {"none both", "below above"},
        {"minimum", "below above has minimum"}, {"low", "below above has low"},
        {"middle", "below above has middle"}, {"high", "below above has high"},
        {"maximum", "below above has maximum"}, {"low log", "below above log has low"},
        {"middle log", "below above log has middle"}, {"high log", "below above log has high"}, {"zero", "has 0"},
        {"one", "has 1"}, {"hundred", "has 100"}, {"440", "has 440"}, {"sr maximum", "below above sr has maximum"},
        {"sr 440", "sr has 440"}, {"sr one", "sr has 1"}, {"sr hundred", "sr has 100"},
        {"sr low", "below above sr has low"}, {"sr middle log", "below above sr log has middle"},
        {"reserved 0x300", "below above has"}, {"reserved 0x3c0", "below above has"},
        {"integer toggled", "below above toggled integer has middle"}, {"no direction", "has 100"}};
    const nlohmann::json ports = json_of(c_strTool + "describe --json defaults.xml" + c_strFixtures)
                                     .at("preset").at("plugins").at(0).at("plugin").at("desc")
                                     .at("input_control_ports");
    ASSERT_EQ(std::size(hints), ports.size());
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const nlohmann::json& port = ports[i]["port"];
        EXPECT_EQ(hints[i].first, port["name"]);
        std::string strTrue;
        for (const auto& key : {std::make_pair("below", "hint_bounded_below"),
                                std::make_pair("above", "hint_bounded_above"), std::make_pair("sr", "hint_sample_rate"),
                                std::make_pair("log", "hint_logarithmic"), std::make_pair("toggled", "hint_toggled"),
                                std::make_pair("integer", "hint_integer"), std::make_pair("has", "hint_has_default")}) {
            strTrue += port.at(key.second).get<bool>() ? std::string(strTrue.empty() ? "" : " ") + key.first : "";
        }
        for (const std::string& strDefault : strDefaults) {
            if (port.at("hint_default_" + strDefault).get<bool>()) {
                strTrue += (strTrue.empty() ? "" : " ") + strDefault;
            }
        }
        EXPECT_EQ(hints[i].second, strTrue) << port;
    }
}

TEST_F(command, presets_lists_each_bundled_preset_with_its_description)
{
    fs::copy_file(VOCALITH_BUNDLED_PRESETS "/robot.xml", "mine.xml");
    const std::string strList = shell(c_strTool + "presets --presets-dir .");
    EXPECT_EQ(8, std::count(strList.begin(), strList.end(), '\n')) << strList;
    EXPECT_NE(std::string::npos, strList.find("\nempty        -\n"));  // no comment, no description
    EXPECT_NE(std::string::npos, strList.find("echo         Echo: 0.25 s fractional delay")) << strList;
    EXPECT_NE(std::string::npos, strList.find("\nmine         Robot: ring modulation (depth 2) with a 30 Hz sine.\n"));
}

}  // namespace
