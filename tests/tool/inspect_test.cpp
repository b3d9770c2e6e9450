// vocalith describe, plugins and dtmf on the bundled presets and samples.
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tool_runner.h"

namespace tool_test {
namespace {

using json = nlohmann::json;

class inspect : public scratch {
protected:
    json run_json(const std::string& strArgs)
    {
        result res = run(strArgs);
        EXPECT_EQ(res.nStatus, 0) << res.strErr;
        EXPECT_EQ(res.strErr, "");
        return json::parse(res.strOut, nullptr, false);
    }
};

// The "port" node named strName inside a list of {"port": {...}} items.
const json& find_port(const json& ports, const std::string& strName)
{
    for (const json& item : ports) {
        if (item.at("port").at("name") == strName) {
            return item.at("port");
        }
    }
    static const json none;
    ADD_FAILURE() << "no port named " << strName;
    return none;
}

TEST_F(inspect, describe_json_shows_the_presets_plugins_and_values)
{
    json doc = run_json("describe --json robot --ladspa-path " + std::string(c_ladspa));
    ASSERT_FALSE(doc.is_discarded());
    const json& preset = doc.at("preset");
    std::string strFile = preset.at("file");
    EXPECT_NE(strFile.find("robot.xml"), std::string::npos) << strFile;
    ASSERT_EQ(preset.at("plugins").size(), 1u);
    const json& plugin = preset.at("plugins")[0].at("plugin");
    EXPECT_EQ(plugin.at("enabled"), true);
    EXPECT_EQ(plugin.at("sample_rate"), 8000);
    EXPECT_EQ(plugin.at("desc").at("id"), 1189);
    EXPECT_EQ(plugin.at("desc").at("audio_input_port_count"), 1);
    EXPECT_EQ(plugin.at("layout").at("type"), "aggregation");
    EXPECT_EQ(plugin.at("layout").at("instance"), 1);
    const json& ports = plugin.at("desc").at("input_control_ports");
    ASSERT_EQ(ports.size(), 6u);
    // The values the preset file sets, not the plugin's defaults.
    const json& depth = find_port(ports, "Modulation depth (0=none, 1=AM, 2=RM)");
    EXPECT_EQ(depth.at("current_value"), 2.0);
    EXPECT_EQ(depth.at("default_value"), 0.0);
    const json& freq = find_port(ports, "Frequency (Hz)");
    EXPECT_EQ(freq.at("current_value"), 30.0);
    EXPECT_EQ(freq.at("default_value"), 440.0);
    EXPECT_EQ(freq.at("lower_bound"), 1.0);
    EXPECT_EQ(freq.at("upper_bound"), 1000.0);
    EXPECT_EQ(freq.at("hint_default_440"), true);
}

TEST_F(inspect, describe_reads_a_compressed_preset_with_wet_dry_and_a_two_plugin_chain)
{
    json echo = run_json("describe --json echo --ladspa-path " + std::string(c_ladspa));
    ASSERT_FALSE(echo.is_discarded());
    const json& plugin = echo.at("preset").at("plugins")[0].at("plugin");
    EXPECT_EQ(plugin.at("wet_dry").at("enabled"), true);
    EXPECT_EQ(plugin.at("wet_dry").at("value"), 0.5);
    EXPECT_EQ(find_port(plugin.at("desc").at("input_control_ports"), "Delay (seconds)").at("current_value"), 0.25);

    json anon = run_json("describe --json anonymous --ladspa-path " + std::string(c_ladspa));
    ASSERT_FALSE(anon.is_discarded());
    const json& plugins = anon.at("preset").at("plugins");
    ASSERT_EQ(plugins.size(), 2u);
    EXPECT_EQ(plugins[0].at("plugin").at("desc").at("id"), 1433);
    // The frequency shifter has one input and two outputs.
    EXPECT_EQ(plugins[1].at("plugin").at("desc").at("id"), 1431);
    EXPECT_EQ(plugins[1].at("plugin").at("layout").at("type"), "pseudo-stereo");
    // Channels and rate given to describe size the instances.
    json stereo = run_json("describe --json anonymous --channels 2 --rate 16000 --ladspa-path " + std::string(c_ladspa));
    const json& second = stereo.at("preset").at("plugins")[1].at("plugin");
    EXPECT_EQ(second.at("sample_rate"), 16000);
    EXPECT_EQ(second.at("layout").at("instance"), 2);
}

TEST_F(inspect, describe_text_is_an_indented_tree_of_the_same_values)
{
    result res = run("describe telephone --ladspa-path " + std::string(c_ladspa));
    ASSERT_EQ(res.nStatus, 0) << res.strErr;
    std::istringstream lines(res.strOut);
    std::vector<std::string> all;
    for (std::string str; std::getline(lines, str);) {
        all.push_back(str);
    }
    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(all[0], "preset");
    EXPECT_EQ(all[1].rfind("  file: ", 0), 0u) << all[1];
    EXPECT_EQ(all[2], "  plugins");
    EXPECT_EQ(all[3], "    plugin");
    // Both filters, each as a "desc" node two levels under its plugin.
    EXPECT_NE(res.strOut.find("\n        id: 1904\n"), std::string::npos);
    EXPECT_NE(res.strOut.find("\n        id: 1903\n"), std::string::npos);
    EXPECT_NE(res.strOut.find("current_value: 3400.0\n"), std::string::npos);
}

TEST_F(inspect, plugins_json_lists_the_sdk_amplifiers_with_ports_and_layouts)
{
    json mono = run_json("plugins --json --channels 2 --ladspa-path " + std::string(c_ladspa));
    ASSERT_TRUE(mono.is_array());
    const json* pMono = nullptr;
    const json* pStereo = nullptr;
    for (const json& plugin : mono) {
        if (plugin.at("id") == 1048) {
            pMono = &plugin;
        } else if (plugin.at("id") == 1049) {
            pStereo = &plugin;
        }
    }
    ASSERT_NE(pMono, nullptr) << "the SDK's amp_mono (1048) is not listed";
    ASSERT_NE(pStereo, nullptr);
    EXPECT_EQ(pMono->at("name"), "Mono Amplifier");
    EXPECT_EQ(pMono->at("label"), "amp_mono");
    EXPECT_NE(pMono->at("library").get<std::string>().find("amp.so"), std::string::npos);
    EXPECT_EQ(pMono->at("audio_inputs"), json::array({"Input"}));
    EXPECT_EQ(pMono->at("audio_outputs"), json::array({"Output"}));
    ASSERT_EQ(pMono->at("control_inputs").size(), 1u);
    const json& gain = pMono->at("control_inputs")[0];
    EXPECT_EQ(gain.at("name"), "Gain");
    EXPECT_EQ(gain.at("index"), 0);
    EXPECT_EQ(gain.at("lower_bound"), 0.0);
    EXPECT_FALSE(gain.contains("upper_bound"));
    EXPECT_EQ(gain.at("default_value"), 1.0);
    EXPECT_EQ(gain.at("logarithmic"), true);
    // Two channels: two handles of the mono amp, one of the stereo amp.
    EXPECT_EQ(pMono->at("layout").at("type"), "aggregation");
    EXPECT_EQ(pMono->at("layout").at("instance"), 2);
    EXPECT_EQ(pStereo->at("layout").at("type"), "aggregation");
    EXPECT_EQ(pStereo->at("layout").at("instance"), 1);
    EXPECT_EQ(pStereo->at("audio_inputs").size(), 2u);

    // One channel leaves a stereo amp's second input without a channel of its own.
    json one = run_json("plugins --json --ladspa-path " + std::string(c_ladspa));
    for (const json& plugin : one) {
        if (plugin.at("id") == 1049) {
            EXPECT_EQ(plugin.at("layout").at("type"), "complex");
            EXPECT_EQ(plugin.at("layout").at("instance"), 1);
        }
    }
}

TEST_F(inspect, plugins_bounds_and_defaults_follow_the_rate)
{
    // The Butterworth cut-off is bounded by fractions of the sample rate.
    for (unsigned int nRate : {8000u, 44100u}) {
        json list = run_json("plugins --json --rate " + std::to_string(nRate) + " --ladspa-path " + c_ladspa);
        bool bFound = false;
        for (const json& plugin : list) {
            if (plugin.at("id") == 1903) {
                bFound = true;
                const json& cutoff = plugin.at("control_inputs")[0];
                EXPECT_FLOAT_EQ(cutoff.at("upper_bound").get<float>(), 0.45f * nRate);
            }
        }
        EXPECT_TRUE(bFound);
    }
    ASSERT_EQ(std::system(("mkdir '" + path("none") + "'").c_str()), 0);
    EXPECT_EQ(run_json("plugins --json --ladspa-path none"), json::array());
}

TEST_F(inspect, dtmf_finds_the_bundled_key_sequence_at_its_start_times)
{
    // scripts/make_samples.sh: keys 1 5 9 # of 80 ms, 80 ms apart, from 0.16 s.
    result res = run("dtmf '" + sample("dtmf_159hash.wav") + "'");
    ASSERT_EQ(res.nStatus, 0) << res.strErr;
    std::istringstream lines(res.strOut);
    std::string strKeys;
    std::vector<double> starts;
    double fTime;
    char key;
    while (lines >> fTime >> key) {
        starts.push_back(fTime);
        strKeys += key;
    }
    EXPECT_EQ(strKeys, "159#") << res.strOut;
    ASSERT_EQ(starts.size(), 4u);
    for (std::size_t i = 0; i < starts.size(); ++i) {
        EXPECT_NEAR(starts[i], 0.16 * (i + 1), 0.01) << "key " << i;
    }

    // The same keys from raw data on the standard input, and none in speech.
    write_file(path("keys.raw"), read_file(sample("dtmf_159hash.wav")).substr(44));
    result raw = run("dtmf -", path("keys.raw"));
    EXPECT_EQ(raw.strOut, res.strOut);
    result speech = run("dtmf '" + sample("speech.wav") + "'");
    EXPECT_EQ(speech.nStatus, 0);
    EXPECT_EQ(speech.strOut, "");
}

}  // namespace
}  // namespace tool_test
