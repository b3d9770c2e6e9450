// The description tree: the exact calls, optional values and hint flags.
#include <gtest/gtest.h>

#include <ladspa.h>

#include <memory>
#include <string>
#include <vector>

#include "preset/port_hints.h"
#include "preset_test_support.h"
#include "vocalith/app/multibuffer.h"
#include "vocalith/app/preset.h"
#include "vocalith/ladspa/plugin_desc.h"

namespace preset_test {
namespace {

typedef std::vector<std::string> calls;

// The sixteen hint lines, with the named flags set ("toggled", "default_440", ...).
calls hint_lines(const std::vector<std::string>& set)
{
    static const char* const c_keys[] = {"bounded_below",   "bounded_above",  "toggled",       "sample_rate",
                                         "logarithmic",     "integer",        "has_default",   "default_minimum",
                                         "default_low",     "default_middle", "default_high",  "default_maximum",
                                         "default_0",       "default_1",      "default_100",   "default_440"};
    calls lines;
    for (const char* pszKey : c_keys) {
        bool bSet = false;
        for (const std::string& strSet : set) {
            bSet = bSet || strSet == pszKey;
        }
        lines.push_back(std::string("bool hint_") + pszKey + "=" + (bSet ? "1" : "0"));
    }
    return lines;
}

calls joined(std::initializer_list<calls> parts)
{
    calls all;
    for (const calls& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// A port node's lines before its hints.
calls port_head(const calls& lines, unsigned int nPort)
{
    const calls body = node_body(lines, "begin node port", nPort);
    return calls(body.begin(), body.end() - std::min<std::size_t>(body.size(), 16));
}

class PresetDescription : public preset_test {};

TEST_F(PresetDescription, AnEmptyPresetIsFourCalls)
{
    const std::shared_ptr<app::preset> pPreset = load_string(jackrack(""));
    ASSERT_TRUE(pPreset);
    const calls expected = {"begin node preset", "begin list plugins", "end list plugins", "end node preset"};
    EXPECT_EQ(expected, describe(*pPreset));
    EXPECT_EQ(expected, describe(app::preset()));
    EXPECT_EQ(joined({{"begin node preset", "string file=x.xml"}, calls(expected.begin() + 1, expected.end())}),
              describe(app::preset("x.xml")));
}

TEST_F(PresetDescription, EveryEntryIsDescribedEnabledOrNot)
{
    const std::shared_ptr<app::preset> pPreset = load_string(jackrack(
        plugin(c_nMonoAmp, true, {"2"}) +
        "<plugin><id>1048</id><wet_dry_values><value>0.25</value><value>0.5</value></wet_dry_values></plugin>"));
    ASSERT_TRUE(pPreset);
    const std::string strFile = "string file=" + s_strPluginDir + "/amp.so";
    auto amp = [&](const char* pszEnabled, const char* pszWet, const char* pszGain) {
        return joined({{"begin node plugin", std::string("bool enabled=") + pszEnabled, "uint sample_rate=8000",
                        "begin node wet_dry", "bool enabled=0", std::string("float value=") + pszWet,
                        "end node wet_dry", "begin node desc", "ulong id=1048", "string name=Mono Amplifier",
                        strFile, "ulong file_index=0", "uint audio_input_port_count=1",
                        "uint audio_output_port_count=1", "bool realtime=0", "bool inplace_broken=0",
                        "bool hard_rt_capable=1", "begin list input_control_ports", "begin node port",
                        "string name=Gain", "uint index=0", "float lower_bound=0", "float default_value=1",
                        std::string("float current_value=") + pszGain},
                       hint_lines({"bounded_below", "logarithmic", "has_default", "default_1"}),
                       {"end node port", "end list input_control_ports", "begin list output_control_ports",
                        "end list output_control_ports", "end node desc", "begin node layout",
                        "string type=aggregation", "uint instance=1", "end node layout", "end node plugin"}});
    };
    EXPECT_EQ(joined({{"begin node preset", "begin list plugins"}, amp("1", "0", "2"), amp("0", "0.25", "1"),
                      {"end list plugins", "end node preset"}}),
              describe(*pPreset));
}

TEST_F(PresetDescription, CurrentValuesAreWhatThePluginLastSawAndWrote)
{
    const std::shared_ptr<app::preset> pPreset =
        load_string(jackrack(plugin(c_nGain, true, {"2"}) + plugin(c_nGain, false, {"3"})));
    ASSERT_TRUE(pPreset);
    pPreset->activate();
    ASSERT_TRUE(pPreset->set_control_port_value(0, 0, 4.0f));
    ASSERT_TRUE(pPreset->set_control_port_value(1, 0, 6.0f));
    // Ports in order: per entry Gain, then the outputs Runs and Last.
    const calls before = describe(*pPreset);
    EXPECT_EQ((calls{"string name=Gain", "uint index=1", "float lower_bound=0", "float upper_bound=10",
                     "float default_value=1", "float current_value=2"}),
              port_head(before, 0));
    EXPECT_EQ((calls{"string name=Runs", "uint index=2", "float default_value=0", "float current_value=0"}),
              port_head(before, 1));
    EXPECT_EQ((calls{"string name=Last", "uint index=4", "float default_value=0", "float current_value=0"}),
              port_head(before, 2));

    app::sample_buffer buffer(1, 8);
    for (unsigned int i = 0; i < 8; ++i) {
        buffer.data(0)[i] = static_cast<float>(i + 1);
    }
    pPreset->apply(buffer, 8);
    const calls after = describe(*pPreset);
    EXPECT_EQ("float current_value=4", port_head(after, 0).back());
    EXPECT_EQ("float current_value=1", port_head(after, 1).back());
    EXPECT_EQ("float current_value=8", port_head(after, 2).back());
    // The disabled entry never ran: it keeps the loaded value.
    EXPECT_EQ("float current_value=3", port_head(after, 3).back());
    EXPECT_EQ("float current_value=0", port_head(after, 4).back());
}

TEST_F(PresetDescription, BoundsAndHintsOfARealPluginFollowItsHintBits)
{
    const std::shared_ptr<app::preset> pPreset = load_string(jackrack(plugin(c_nHints, false, {})));
    ASSERT_TRUE(pPreset);
    const calls lines = describe(*pPreset);
    struct row {
        unsigned int nPort;
        calls head;
        std::vector<std::string> set;
    };
    const row rows[] = {
        {0, {"string name=none", "uint index=2", "float default_value=0", "float current_value=0"}, {}},
        {16,
         {"string name=sr maximum", "uint index=18", "float lower_bound=0", "float upper_bound=0.5",
          "float default_value=4000", "float current_value=4000"},
         {"bounded_below", "bounded_above", "sample_rate", "has_default", "default_maximum"}},
        {23,
         {"string name=reserved 0x3c0", "uint index=25", "float lower_bound=2", "float upper_bound=3",
          "float default_value=0", "float current_value=0"},
         {"bounded_below", "bounded_above", "has_default"}},
        {25, {"string name=no direction", "uint index=27", "float default_value=100", "float current_value=100"},
         {"has_default", "default_100"}},
    };
    for (const row& r : rows) {
        EXPECT_EQ(joined({r.head, hint_lines(r.set)}), node_body(lines, "begin node port", r.nPort))
            << "port " << r.nPort;
    }
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
        {0x300, {"has_default"}},
        {0x3F | LADSPA_HINT_DEFAULT_HIGH,
         {"bounded_below", "bounded_above", "toggled", "sample_rate", "logarithmic", "integer", "has_default",
          "default_high"}},
    };
    for (const row& r : rows) {
        ladspa::port_info port{};
        port.hint.HintDescriptor = r.nHint;
        recording_formatter formatter;
        app::write_port_hints(formatter, port);
        EXPECT_EQ(hint_lines(r.set), formatter.calls) << "hint 0x" << std::hex << r.nHint;
    }
}

}  // namespace
}  // namespace preset_test
