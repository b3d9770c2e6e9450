// The description tree: the exact calls, optional values and hint flags.
#include <gtest/gtest.h>

#include <ladspa.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "preset/port_hints.h"
#include "preset_test_support.h"
#include "vocalith/app/multibuffer.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/ladspa/plugin_desc.h"

namespace preset_test {
namespace {

typedef std::vector<std::string> calls;

calls describe(const app::preset& preset)
{
    recording_formatter formatter;
    preset.describe(formatter);
    return formatter.calls;
}

// The sixteen hint lines with the given flags set ("toggled", "default_440", ...).
calls hint_lines(const std::vector<std::string>& set)
{
    static const char* const c_keys[] = {"bounded_below", "bounded_above",   "toggled",        "sample_rate",
                                         "logarithmic",   "integer",         "has_default",    "default_minimum",
                                         "default_low",   "default_middle",  "default_high",   "default_maximum",
                                         "default_0",     "default_1",       "default_100",    "default_440"};
    calls lines;
    for (const char* pszKey : c_keys) {
        const bool bSet = std::find(set.begin(), set.end(), pszKey) != set.end();
        lines.push_back(std::string("bool hint_") + pszKey + "=" + (bSet ? "1" : "0"));
    }
    return lines;
}

// The "current_value" line of the n-th "port" node.
std::string current_value(const calls& lines, unsigned int nPort)
{
    for (const std::string& strLine : node_body(lines, "begin node port", nPort)) {
        if (strLine.compare(0, 20, "float current_value=") == 0) {
            return strLine.substr(20);
        }
    }
    return "(none)";
}

calls joined(std::initializer_list<calls> parts)
{
    calls all;
    for (const calls& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

class PresetDescription : public amp_test {
protected:
    static void SetUpTestSuite()
    {
        s_pDir.reset(new plugin_dir({system_plugin("amp.so"), system_plugin("delay.so")}));
        s_pFactory.reset(new ladspa::plugin_factory(s_pDir->path()));
    }

    // Everything of one mono amplifier's "plugin" node.
    static calls mono_amp_node(bool bEnabled, const char* pszWet, const char* pszGain)
    {
        return joined({{"begin node plugin", std::string("bool enabled=") + (bEnabled ? "1" : "0"),
                        "uint sample_rate=8000", "begin node wet_dry", "bool enabled=0",
                        std::string("float value=") + pszWet,
                        "end node wet_dry", "begin node desc", "ulong id=1048", "string name=Mono Amplifier",
                        "string file=" + s_pDir->path() + "/amp.so", "ulong file_index=0",
                        "uint audio_input_port_count=1", "uint audio_output_port_count=1", "bool realtime=0",
                        "bool inplace_broken=0", "bool hard_rt_capable=1", "begin list input_control_ports",
                        "begin node port", "string name=Gain", "uint index=0", "float lower_bound=0",
                        "float default_value=1", std::string("float current_value=") + pszGain},
                       hint_lines({"bounded_below", "logarithmic", "has_default", "default_1"}),
                       {"end node port", "end list input_control_ports", "begin list output_control_ports",
                        "end list output_control_ports", "end node desc", "begin node layout",
                        "string type=aggregation", "uint instance=1", "end node layout", "end node plugin"}});
    }
};

TEST_F(PresetDescription, AnEmptyPresetFromAStringIsFourCalls)
{
    const std::shared_ptr<app::preset> pPreset = load_string(jackrack(""));
    ASSERT_TRUE(pPreset);
    EXPECT_EQ((calls{"begin node preset", "begin list plugins", "end list plugins", "end node preset"}),
              describe(*pPreset));
    app::preset unnamed;
    EXPECT_EQ(describe(*pPreset), describe(unnamed));
}

TEST_F(PresetDescription, EveryEntryIsDescribedEnabledOrNot)
{
    const std::shared_ptr<app::preset> pPreset = load_string(jackrack(
        amp_plugin(c_nMonoAmp, true, {"2"}) +
        "<plugin><id>1048</id><wet_dry_values><value>0.25</value><value>0.5</value></wet_dry_values>"
        "</plugin>"));
    ASSERT_TRUE(pPreset);
    const calls expected = joined({{"begin node preset", "begin list plugins"}, mono_amp_node(true, "0", "2"),
                                   mono_amp_node(false, "0.25", "1"), {"end list plugins", "end node preset"}});
    EXPECT_EQ(expected, describe(*pPreset));
}

TEST_F(PresetDescription, AFilePresetNamesItsFileFirst)
{
    app::s_Global.strPresetDir = data_path("good");
    app::preset_xml_parser parser(*s_pFactory);
    const std::shared_ptr<app::preset> pPreset = parser.load("mono_amp_gain_2.xml");
    const calls lines = describe(*pPreset);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ((calls{"begin node preset", "string file=mono_amp_gain_2.xml", "begin list plugins"}),
              calls(lines.begin(), lines.begin() + 3));
}

TEST_F(PresetDescription, BoundsAppearOnlyWhenTheHintSaysSo)
{
    const std::shared_ptr<app::preset> pPreset = load_string(jackrack(amp_plugin(1043, true, {"0.5"})));
    ASSERT_TRUE(pPreset);
    const calls lines = describe(*pPreset);
    // The delay's ports are bounded on both sides: 0 to 5 s, 0 to 1.
    EXPECT_EQ(joined({{"string name=Delay (Seconds)", "uint index=0", "float lower_bound=0", "float upper_bound=5",
                       "float default_value=1", "float current_value=0.5"},
                      hint_lines({"bounded_below", "bounded_above", "has_default", "default_1"})}),
              node_body(lines, "begin node port", 0));
    EXPECT_EQ(joined({{"string name=Dry/Wet Balance", "uint index=1", "float lower_bound=0", "float upper_bound=1",
                       "float default_value=0.5", "float current_value=0.5"},
                      hint_lines({"bounded_below", "bounded_above", "has_default", "default_middle"})}),
              node_body(lines, "begin node port", 1));
}

TEST_F(PresetDescription, CurrentValueIsWhatThePluginLastReceived)
{
    const std::shared_ptr<app::preset> pPreset = amp_chain({2.0f, 3.0f}, {true, false});
    ASSERT_TRUE(pPreset);
    pPreset->activate();
    ASSERT_TRUE(pPreset->set_control_port_value(0, 0, 4.0f));
    ASSERT_TRUE(pPreset->set_control_port_value(1, 0, 6.0f));
    EXPECT_EQ("2", current_value(describe(*pPreset), 0));
    EXPECT_EQ("3", current_value(describe(*pPreset), 1));

    app::sample_buffer buffer(1, 64);
    buffer.clear(0, 64);
    pPreset->apply(buffer, 64);
    EXPECT_EQ("4", current_value(describe(*pPreset), 0));
    // The disabled entry never ran: it keeps the loaded value.
    EXPECT_EQ("3", current_value(describe(*pPreset), 1));
}

// A control port with the given hint bits and bounds 1 and 100.
ladspa::port_info port_with_hints(LADSPA_PortRangeHintDescriptor nHint)
{
    ladspa::port_info port;
    port.nDescriptor = LADSPA_PORT_INPUT | LADSPA_PORT_CONTROL;
    port.hint.HintDescriptor = nHint;
    port.hint.LowerBound = 1.0f;
    port.hint.UpperBound = 100.0f;
    port.strName = "p";
    port.nIndex = 0;
    return port;
}

TEST(PortHints, EachFlagAndDefaultKindHasItsKey)
{
    struct row {
        LADSPA_PortRangeHintDescriptor nHint;
        std::vector<std::string> set;
    };
    const row rows[] = {
        {0, {}},
        {LADSPA_HINT_BOUNDED_BELOW, {"bounded_below"}},
        {LADSPA_HINT_BOUNDED_ABOVE, {"bounded_above"}},
        {LADSPA_HINT_TOGGLED, {"toggled"}},
        {LADSPA_HINT_SAMPLE_RATE, {"sample_rate"}},
        {LADSPA_HINT_LOGARITHMIC, {"logarithmic"}},
        {LADSPA_HINT_INTEGER, {"integer"}},
        {LADSPA_HINT_DEFAULT_MINIMUM, {"has_default", "default_minimum"}},
        {LADSPA_HINT_DEFAULT_LOW, {"has_default", "default_low"}},
        {LADSPA_HINT_DEFAULT_MIDDLE, {"has_default", "default_middle"}},
        {LADSPA_HINT_DEFAULT_HIGH, {"has_default", "default_high"}},
        {LADSPA_HINT_DEFAULT_MAXIMUM, {"has_default", "default_maximum"}},
        {LADSPA_HINT_DEFAULT_0, {"has_default", "default_0"}},
        {LADSPA_HINT_DEFAULT_1, {"has_default", "default_1"}},
        {LADSPA_HINT_DEFAULT_100, {"has_default", "default_100"}},
        {LADSPA_HINT_DEFAULT_440, {"has_default", "default_440"}},
        // Default bits that name no listed value.
        {0x300, {"has_default"}},
        {0x3C0, {"has_default"}},
        {0x3F | LADSPA_HINT_DEFAULT_HIGH,
         {"bounded_below", "bounded_above", "toggled", "sample_rate", "logarithmic", "integer", "has_default",
          "default_high"}},
    };
    for (const row& r : rows) {
        recording_formatter formatter;
        app::write_port_hints(formatter, port_with_hints(r.nHint));
        EXPECT_EQ(hint_lines(r.set), formatter.calls) << "hint 0x" << std::hex << r.nHint;
    }
}

}  // namespace
}  // namespace preset_test
