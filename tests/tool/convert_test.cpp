// vocalith convert on the bundled speech sample through the bundled presets.
#include <dirent.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace tool_test {
namespace {

// Preset names as a user types them: the file names without .xml/.xml.gz.
std::vector<std::string> bundled_presets(bool& bCompressed)
{
    std::vector<std::string> names;
    bCompressed = false;
    DIR* pDir = ::opendir(preset_dir().c_str());
    if (!pDir) {
        return names;
    }
    while (dirent* pEntry = ::readdir(pDir)) {
        std::string str = pEntry->d_name;
        for (const std::string& strSuffix : {std::string(".xml.gz"), std::string(".xml")}) {
            if (str.size() > strSuffix.size() && str.compare(str.size() - strSuffix.size(), std::string::npos, strSuffix) == 0) {
                bCompressed = bCompressed || strSuffix == ".xml.gz";
                names.push_back(str.substr(0, str.size() - strSuffix.size()));
                break;
            }
        }
    }
    ::closedir(pDir);
    std::sort(names.begin(), names.end());
    return names;
}

class convert : public scratch {};

TEST_F(convert, every_bundled_preset_changes_the_speech_sample_and_keeps_its_length)
{
    bool bCompressed;
    std::vector<std::string> presets = bundled_presets(bCompressed);
    ASSERT_GE(presets.size(), 6u);
    EXPECT_TRUE(bCompressed) << "no gzip-compressed preset is bundled";

    std::string strInput = sample("speech.wav");
    std::vector<std::int16_t> in = wav_samples(strInput);
    ASSERT_GT(in.size(), 8000u * 3);

    for (const std::string& strPreset : presets) {
        SCOPED_TRACE(strPreset);
        std::string strOut = path(strPreset + ".wav");
        result res = run("convert -p " + strPreset + " --ladspa-path " + c_ladspa + " '" + strInput + "' '" +
                         strOut + "'");
        ASSERT_EQ(res.nStatus, 0) << res.strErr;
        EXPECT_EQ(res.strErr, "");

        // soxi reads the file as a valid WAV of the input's shape.
        EXPECT_EQ(shell("soxi -t '" + strOut + "' 2>&1"), "wav");
        EXPECT_EQ(shell("soxi -r '" + strOut + "' 2>&1"), "8000");
        EXPECT_EQ(shell("soxi -c '" + strOut + "' 2>&1"), "1");
        EXPECT_EQ(shell("soxi -s '" + strOut + "' 2>&1"), std::to_string(in.size()));

        std::vector<std::int16_t> out = wav_samples(strOut);
        ASSERT_EQ(out.size(), in.size());
        // Not silent: within 20 dB of the input's level.
        EXPECT_GT(rms(out), rms(in) / 10.0);
        // Changed: the difference is within 20 dB of the input's level.
        double fDiff = 0.0;
        for (std::size_t i = 0; i < in.size(); ++i) {
            double d = static_cast<double>(out[i]) - in[i];
            fDiff += d * d;
        }
        EXPECT_GT(std::sqrt(fDiff / in.size()), rms(in) / 10.0);
    }
}

TEST_F(convert, preset_is_found_by_name_with_extension_and_by_path)
{
    std::string strInput = sample("speech.wav");
    result byName = run("convert -p robot.xml --ladspa-path " + std::string(c_ladspa) + " '" + strInput + "' a.wav");
    ASSERT_EQ(byName.nStatus, 0) << byName.strErr;
    result byPath = run("convert -p '" + preset_dir() + "/robot.xml' --ladspa-path " + c_ladspa + " '" + strInput +
                        "' b.wav");
    ASSERT_EQ(byPath.nStatus, 0) << byPath.strErr;
    // The same preset on the same input gives the same bytes.
    EXPECT_TRUE(read_file(path("a.wav")) == read_file(path("b.wav")));

    // A preset outside the bundled directory, found there through --preset-dir.
    write_file(path("mine.xml"), read_file(preset_dir() + "/deep.xml"));
    result custom = run("convert -p mine --preset-dir '" + m_strDir + "' --ladspa-path " + c_ladspa + " '" + strInput +
                        "' c.wav");
    ASSERT_EQ(custom.nStatus, 0) << custom.strErr;
    result deep = run("convert -p deep --ladspa-path " + std::string(c_ladspa) + " '" + strInput + "' d.wav");
    ASSERT_EQ(deep.nStatus, 0) << deep.strErr;
    EXPECT_TRUE(read_file(path("c.wav")) == read_file(path("d.wav")));
    EXPECT_FALSE(read_file(path("c.wav")) == read_file(path("a.wav")));
}

TEST_F(convert, block_size_does_not_change_a_stateless_chain)
{
    // The ring modulator's oscillator runs per sample, whatever the blocks.
    std::string strInput = sample("speech.wav");
    std::string strCommon = "convert -p robot --ladspa-path " + std::string(c_ladspa) + " '" + strInput + "' ";
    ASSERT_EQ(run(strCommon + "b256.wav").nStatus, 0);
    ASSERT_EQ(run(strCommon + "b7.wav --block 7").nStatus, 0);
    ASSERT_EQ(run(strCommon + "b1000.wav --block 1000").nStatus, 0);
    std::vector<std::int16_t> ref = wav_samples(path("b256.wav"));
    EXPECT_TRUE(same_samples(wav_samples(path("b7.wav")), ref));
    EXPECT_TRUE(same_samples(wav_samples(path("b1000.wav")), ref));
}

TEST_F(convert, gsm_output_is_whole_frames_and_decodes_back_to_the_padded_length)
{
    std::string strInput = sample("speech.wav");
    std::size_t nSamples = wav_samples(strInput).size();
    std::size_t nFrames = (nSamples + 159) / 160;

    result enc = run("convert -p telephone --ladspa-path " + std::string(c_ladspa) + " '" + strInput + "' out.gsm");
    ASSERT_EQ(enc.nStatus, 0) << enc.strErr;
    EXPECT_EQ(read_file(path("out.gsm")).size(), nFrames * 33);

    write_file(path("empty.xml"), c_emptyPreset);
    result dec = run("convert -p empty.xml --ladspa-path " + std::string(c_ladspa) + " out.gsm back.wav --out-codec pcm16");
    ASSERT_EQ(dec.nStatus, 0) << dec.strErr;
    std::vector<std::int16_t> back = wav_samples(path("back.wav"));
    EXPECT_EQ(back.size(), nFrames * 160);
    EXPECT_GT(rms(back), 100.0);
    // An independent decoder reads the frames too.
    EXPECT_EQ(shell("sox -t gsm -r 8000 -c 1 '" + path("out.gsm") + "' -n stat 2>&1 | grep -c 'Samples read'"), "1");
}

}  // namespace
}  // namespace tool_test
