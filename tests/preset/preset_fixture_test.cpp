// The chain and its description over the test suite's own plugins, whose
// control outputs report how often and with what they ran.
#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "preset_test_support.h"
#include "vocalith/app/multibuffer.h"
#include "vocalith/app/preset.h"
#include "vocalith/ladspa/abstract_instance.h"

namespace preset_test {
namespace {

// vt_gain: ports Input(0), Gain(1), Runs(2, output: runs since activate,
// -1 while inactive), Output(3), Last(4, output: last input sample).
constexpr unsigned long c_nGain = 77001;
// vt_hints: one control input per hint combination.
constexpr unsigned long c_nHints = 77005;

typedef std::vector<std::string> calls;

class FixturePlugins : public amp_test {
protected:
    static void SetUpTestSuite()
    {
        s_pDir.reset(new plugin_dir({std::string(VOCALITH_BINARY_DIR) + "/tests/plugins/lib/vt_basic.so"}));
        s_pFactory.reset(new ladspa::plugin_factory(s_pDir->path()));
    }

    void SetUp() override
    {
        amp_test::SetUp();
        ASSERT_NE(nullptr, s_pFactory->get(c_nGain)) << "fixture plugins not built";
    }

    static const ladspa::abstract_instance& instance_at(const app::preset& preset, unsigned int nIndex)
    {
        return *std::next(preset.plugins().begin(), nIndex)->instance;
    }

    // Runs counter and last input sample of a vt_gain instance.
    static std::vector<float> outputs_of(const app::preset& preset, unsigned int nIndex)
    {
        const std::vector<float>& values = instance_at(preset, nIndex).port_values;
        return {values.at(1), values.at(2)};
    }

    // Runs one block of 8 frames holding 1 .. 8.
    static void run_block(app::preset& preset)
    {
        app::sample_buffer buffer(1, 8);
        for (unsigned int i = 0; i < 8; ++i) {
            buffer.data(0)[i] = static_cast<float>(i + 1);
        }
        preset.apply(buffer, 8);
    }

    static calls describe(const app::preset& preset)
    {
        recording_formatter formatter;
        preset.describe(formatter);
        return formatter.calls;
    }
};

TEST_F(FixturePlugins, DisabledEntriesDoNotRun)
{
    const std::shared_ptr<app::preset> pPreset = load_string(jackrack(
        amp_plugin(c_nGain, false, {"2"}) + amp_plugin(c_nGain, true, {"3"}) + amp_plugin(c_nGain, false, {"5"})));
    ASSERT_TRUE(pPreset);
    pPreset->activate();
    run_block(*pPreset);
    run_block(*pPreset);
    EXPECT_EQ((std::vector<float>{0.0f, 0.0f}), outputs_of(*pPreset, 0));
    EXPECT_EQ((std::vector<float>{2.0f, 8.0f}), outputs_of(*pPreset, 1));
    EXPECT_EQ((std::vector<float>{0.0f, 0.0f}), outputs_of(*pPreset, 2));
}

TEST_F(FixturePlugins, ActivateAndDeactivateReachEveryInstance)
{
    const std::shared_ptr<app::preset> pPreset =
        load_string(jackrack(amp_plugin(c_nGain, true, {"2"}) + amp_plugin(c_nGain, true, {"3"})));
    ASSERT_TRUE(pPreset);
    run_block(*pPreset);
    EXPECT_EQ(-1.0f, outputs_of(*pPreset, 1)[0]);
    pPreset->activate();
    run_block(*pPreset);
    run_block(*pPreset);
    EXPECT_EQ(2.0f, outputs_of(*pPreset, 0)[0]);
    EXPECT_EQ(2.0f, outputs_of(*pPreset, 1)[0]);
    // The second plugin reads the first one's output: the last sample 8 x 2.
    EXPECT_EQ(16.0f, outputs_of(*pPreset, 1)[1]);
    pPreset->deactivate();
    run_block(*pPreset);
    EXPECT_EQ(-1.0f, outputs_of(*pPreset, 0)[0]);
    EXPECT_EQ(-1.0f, outputs_of(*pPreset, 1)[0]);
}

TEST_F(FixturePlugins, OutputPortsShowWhatThePluginLastWrote)
{
    const std::shared_ptr<app::preset> pPreset = load_string(jackrack(amp_plugin(c_nGain, true, {"2"})));
    ASSERT_TRUE(pPreset);
    const calls before = node_body(describe(*pPreset), "begin list output_control_ports");
    EXPECT_EQ((calls{"begin node port", "string name=Runs", "uint index=2", "float default_value=0",
                     "float current_value=0"}),
              calls(before.begin(), before.begin() + 5));
    EXPECT_EQ((calls{"begin node port", "string name=Last", "uint index=4", "float default_value=0",
                     "float current_value=0"}),
              calls(before.begin() + 22, before.begin() + 27));

    pPreset->activate();
    run_block(*pPreset);
    const calls after = node_body(describe(*pPreset), "begin list output_control_ports");
    EXPECT_EQ("float current_value=1", after.at(4));
    EXPECT_EQ("float current_value=8", after.at(26));
}

TEST_F(FixturePlugins, EveryHintOfARealPluginIsDescribed)
{
    const std::shared_ptr<app::preset> pPreset = load_string(jackrack(amp_plugin(c_nHints, false, {})));
    ASSERT_TRUE(pPreset);
    const calls lines = describe(*pPreset);
    const calls ports = node_body(lines, "begin list input_control_ports");
    // 26 input control ports, the one without direction bits included.
    unsigned int nPorts = 0;
    for (const std::string& strLine : ports) {
        nPorts += strLine == "begin node port" ? 1 : 0;
    }
    EXPECT_EQ(26u, nPorts);

    struct row {
        unsigned int nPort;
        calls head;
        std::vector<std::string> set;
    };
    const row rows[] = {
        {0, {"string name=none", "uint index=2", "float default_value=0", "float current_value=0"}, {}},
        {16, {"string name=sr maximum", "uint index=18", "float lower_bound=0", "float upper_bound=0.5",
              "float default_value=4000", "float current_value=4000"},
         {"bounded_below", "bounded_above", "sample_rate", "has_default", "default_maximum"}},
        {23, {"string name=reserved 0x3c0", "uint index=25", "float lower_bound=2", "float upper_bound=3",
              "float default_value=0", "float current_value=0"},
         {"bounded_below", "bounded_above", "has_default"}},
        {24, {"string name=integer toggled", "uint index=26", "float lower_bound=0", "float upper_bound=1",
              "float default_value=0.5", "float current_value=0.5"},
         {"bounded_below", "bounded_above", "toggled", "integer", "has_default", "default_middle"}},
        {25, {"string name=no direction", "uint index=27", "float default_value=100", "float current_value=100"},
         {"has_default", "default_100"}},
    };
    static const char* const c_keys[] = {"bounded_below", "bounded_above",  "toggled",         "sample_rate",
                                         "logarithmic",   "integer",        "has_default",     "default_minimum",
                                         "default_low",   "default_middle", "default_high",    "default_maximum",
                                         "default_0",     "default_1",      "default_100",     "default_440"};
    for (const row& r : rows) {
        calls expected = r.head;
        for (const char* pszKey : c_keys) {
            bool bSet = false;
            for (const std::string& strSet : r.set) {
                bSet = bSet || strSet == pszKey;
            }
            expected.push_back(std::string("bool hint_") + pszKey + "=" + (bSet ? "1" : "0"));
        }
        EXPECT_EQ(expected, node_body(lines, "begin node port", r.nPort)) << "port " << r.nPort;
    }
}

TEST_F(FixturePlugins, AValueSetDuringABlockIsOneWholeValueForTheWholeBlock)
{
    const std::shared_ptr<app::preset> pPreset = load_string(jackrack(amp_plugin(c_nGain, true, {"2"})));
    ASSERT_TRUE(pPreset);
    pPreset->activate();
    std::atomic<bool> bStop(false);
    std::thread control([&] {
        for (unsigned int i = 0; !bStop.load(); ++i) {
            pPreset->set_control_port_value(0, 0, (i % 2 == 0) ? 3.0f : 2.0f);
        }
    });
    app::sample_buffer buffer(1, 8);
    for (unsigned int i = 0; i < 8; ++i) {
        buffer.data(0)[i] = 1.0f;
    }
    unsigned int nMixed = 0;
    unsigned int nSeen[2] = {0, 0};
    for (unsigned int nBlock = 0; nBlock < 20000; ++nBlock) {
        const app::sample_buffer& result = pPreset->apply(buffer, 8);
        const float fGain = result.data(0)[0];
        for (unsigned int i = 1; i < 8; ++i) {
            nMixed += result.data(0)[i] != fGain ? 1 : 0;
        }
        if (fGain == 2.0f || fGain == 3.0f) {
            ++nSeen[fGain == 3.0f ? 1 : 0];
        } else {
            ++nMixed;
        }
    }
    bStop.store(true);
    control.join();
    EXPECT_EQ(0u, nMixed);
    EXPECT_EQ(20000u, nSeen[0] + nSeen[1]);
}

}  // namespace
}  // namespace preset_test
