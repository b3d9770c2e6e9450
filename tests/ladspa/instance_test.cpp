#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "alloc_counter.h"
#include "ladspa_test_support.h"
#include "vocalith/app/exception.h"
#include "vocalith/ladspa/abstract_instance.h"
#include "vocalith/ladspa/plugin_desc.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace {

constexpr unsigned int c_nRate = 8000;
constexpr unsigned int c_nBlock = 64;
constexpr unsigned int c_nFrames = 37;  // fewer than a block, not a multiple of 8
constexpr unsigned int c_nInOffset = 5;  // the input is read from its offset

// Expected sample of output channel c at t, in terms of the input.
typedef std::function<float(unsigned int c, unsigned int t)> expectation;

class Instances : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        vt::log_capture quiet(0);
        s_pRegistry = new ladspa::plugin_factory(vt::c_strLib);
    }
    static void TearDownTestSuite()
    {
        delete s_pRegistry;
        s_pRegistry = nullptr;
    }

    static ladspa::plugin_desc* plugin(unsigned long nId)
    {
        ladspa::plugin_desc* pDesc = s_pRegistry->get(nId);
        EXPECT_NE(nullptr, pDesc) << nId;
        return pDesc;
    }

    static std::unique_ptr<ladspa::abstract_instance> create(unsigned long nId, unsigned int nChannels)
    {
        return plugin(nId)->create_instance(nChannels, c_nRate, c_nBlock);
    }

    static std::vector<std::string> describe(const ladspa::abstract_instance& instance)
    {
        vt::recording_formatter formatter;
        instance.describe(formatter);
        return formatter.lines;
    }

    // An nChannels input filled with the ramp from a non-zero offset.
    static app::sample_buffer input(unsigned int nChannels)
    {
        app::sample_buffer in(nChannels, c_nBlock + c_nInOffset);
        in.clear(0, in.capacity());
        in.set_offset(c_nInOffset);
        vt::fill_ramp(in, c_nFrames);
        return in;
    }

    // Runs nId over nChannels of ramp and compares every output channel.
    static void check_layout(unsigned long nId, unsigned int nChannels, const char* pKind, unsigned int nHandles,
                             const std::vector<expectation>& channels)
    {
        SCOPED_TRACE("plugin " + std::to_string(nId) + ", " + std::to_string(nChannels) + " channels");
        std::unique_ptr<ladspa::abstract_instance> pInstance = create(nId, nChannels);
        EXPECT_EQ((std::vector<std::string>{std::string("string type=") + pKind,
                                            "uint instance=" + std::to_string(nHandles)}),
                  describe(*pInstance));
        app::sample_buffer in = input(nChannels);
        pInstance->activate();
        app::sample_buffer& out = pInstance->run(in, c_nFrames);
        EXPECT_EQ(&out, &pInstance->output());
        EXPECT_EQ(0U, out.offset());
        ASSERT_EQ(channels.size(), out.channel_count());
        for (unsigned int c = 0; c < channels.size(); ++c) {
            for (unsigned int t = 0; t < c_nFrames; ++t) {
                ASSERT_FLOAT_EQ(channels[c](c, t), out.data(c)[t]) << "channel " << c << ", sample " << t;
            }
        }
        pInstance->deactivate();
    }

    static ladspa::plugin_factory* s_pRegistry;
};

ladspa::plugin_factory* Instances::s_pRegistry = nullptr;

float in(unsigned int c, unsigned int t)
{
    return vt::ramp(c, t);
}

const expectation silent = [](unsigned int, unsigned int) { return 0.0f; };

TEST_F(Instances, OneInOneOutAggregatesOneHandlePerChannel)
{
    const expectation same = [](unsigned int c, unsigned int t) { return in(c, t); };
    check_layout(vt::c_nGain, 1, "aggregation", 1, {same});
    check_layout(vt::c_nGain, 2, "aggregation", 2, {same, same});
    check_layout(vt::c_nGain, 3, "aggregation", 3, {same, same, same});
}

TEST_F(Instances, TwoInTwoOut)
{
    const expectation left = [](unsigned int c, unsigned int t) { return in(c, t); };
    const expectation right = [](unsigned int c, unsigned int t) { return 2 * in(c, t); };
    check_layout(vt::c_nStereo, 2, "aggregation", 1, {left, right});
    // One channel: both inputs read channel 0; the silent channel stays zero.
    check_layout(vt::c_nStereo, 1, "complex", 1,
                 {left, [](unsigned int, unsigned int t) { return 2 * in(0, t); }, silent});
    // Three channels: the second handle reads channels 2 and 0.
    check_layout(vt::c_nStereo, 3, "complex", 2,
                 {left, right, [](unsigned int, unsigned int t) { return in(2, t); },
                  [](unsigned int, unsigned int t) { return 2 * in(0, t); }, silent});
}

TEST_F(Instances, OneInTwoOutIsPseudoStereo)
{
    check_layout(vt::c_nSplit, 1, "pseudo-stereo", 1,
                 {[](unsigned int, unsigned int t) { return in(0, t); },
                  [](unsigned int, unsigned int t) { return 10 * in(0, t); }});
    // Output j averaged into channel j; the later handles' outputs stay.
    check_layout(vt::c_nSplit, 2, "pseudo-stereo", 2,
                 {[](unsigned int, unsigned int t) { return (in(0, t) + in(1, t)) / 2; },
                  [](unsigned int, unsigned int t) { return 10 * (in(0, t) + in(1, t)) / 2; },
                  [](unsigned int, unsigned int t) { return in(1, t); },
                  [](unsigned int, unsigned int t) { return 10 * in(1, t); }});
    check_layout(vt::c_nSplit, 3, "pseudo-stereo", 3,
                 {[](unsigned int, unsigned int t) { return (in(0, t) + in(1, t) + in(2, t)) / 3; },
                  [](unsigned int, unsigned int t) { return 10 * (in(0, t) + in(1, t) + in(2, t)) / 3; },
                  [](unsigned int, unsigned int t) { return in(1, t); },
                  [](unsigned int, unsigned int t) { return 10 * in(1, t); },
                  [](unsigned int, unsigned int t) { return in(2, t); },
                  [](unsigned int, unsigned int t) { return 10 * in(2, t); }});
}

TEST_F(Instances, TwoInOneOutIsAlwaysComplex)
{
    check_layout(vt::c_nMix, 1, "complex", 1, {[](unsigned int, unsigned int t) { return 11 * in(0, t); }, silent});
    // No redundant port: the extra channels are written by nobody.
    check_layout(vt::c_nMix, 2, "complex", 1,
                 {[](unsigned int, unsigned int t) { return in(0, t) + 10 * in(1, t); }, silent, silent});
    // Handle 1 reads channels 2 and 0; channel 2 has no writer, 3 is silent.
    check_layout(vt::c_nMix, 3, "complex", 2,
                 {[](unsigned int, unsigned int t) { return in(0, t) + 10 * in(1, t); },
                  [](unsigned int, unsigned int t) { return in(2, t) + 10 * in(0, t); }, silent, silent});
}

TEST_F(Instances, ComplexWrapsOverTheChannelsItIsGiven)
{
    // Built for three channels but given five: input port 1 of handle 1
    // reads channel 3, not channel 0.
    std::unique_ptr<ladspa::abstract_instance> pInstance = create(vt::c_nMix, 3);
    app::sample_buffer in5 = input(5);
    const app::sample_buffer& out = pInstance->run(in5, c_nFrames);
    EXPECT_FLOAT_EQ(in(2, 7) + 10 * in(3, 7), out.data(1)[7]);
}

TEST_F(Instances, ControlValuesStartAtTheDefaults)
{
    std::unique_ptr<ladspa::abstract_instance> pInstance = plugin(vt::c_nHints)->create_instance(1, 44100, 16);
    const ladspa::plugin_desc& desc = *plugin(vt::c_nHints);
    ASSERT_EQ(desc.input_control_port_count(), pInstance->input_values.size());
    ASSERT_EQ(desc.control_port_count(), pInstance->port_values.size());
    for (unsigned int i = 0; i < desc.input_control_port_count(); ++i) {
        const float fDefault = desc.input_control_ports()[i].default_value(44100);
        EXPECT_EQ(fDefault, pInstance->input_values[i]) << i;
        EXPECT_EQ(fDefault, pInstance->port_values[i]) << i;
    }
    EXPECT_EQ(0.0f, pInstance->port_values.back());
    EXPECT_EQ(44100U, pInstance->sample_rate());
    EXPECT_EQ(&desc, pInstance->plugin());
    EXPECT_FALSE(pInstance->wet_dry_enabled);
    EXPECT_TRUE(pInstance->wet_dry_values.empty());
    EXPECT_GE(pInstance->output().capacity(), 16U);
}

TEST_F(Instances, HandlesShareTheControlValues)
{
    std::unique_ptr<ladspa::abstract_instance> pInstance = create(vt::c_nGain, 2);
    // port_values: Gain, then the outputs Runs and Last.
    ASSERT_EQ(3U, pInstance->port_values.size());
    pInstance->port_values[0] = 3.0f;
    app::sample_buffer in2 = input(2);
    pInstance->activate();
    const app::sample_buffer& out = pInstance->run(in2, c_nFrames);
    EXPECT_FLOAT_EQ(3 * in(0, 4), out.data(0)[4]);
    EXPECT_FLOAT_EQ(3 * in(1, 4), out.data(1)[4]);
    // Both handles write the shared outputs; the one that ran last stays.
    EXPECT_EQ(in(1, c_nFrames - 1), pInstance->port_values[2]);
    EXPECT_EQ(1.0f, pInstance->port_values[1]);
    pInstance->run(in2, c_nFrames);
    EXPECT_EQ(2.0f, pInstance->port_values[1]);
}

TEST_F(Instances, ActivateAndDeactivateReachEveryHandle)
{
    std::unique_ptr<ladspa::abstract_instance> pInstance = create(vt::c_nGain, 2);
    app::sample_buffer in2 = input(2);
    // The fixture reports -1 runs from a handle that is not active; the
    // shared float shows the handle that ran last.
    pInstance->run(in2, c_nFrames);
    EXPECT_EQ(-1.0f, pInstance->port_values[1]);
    pInstance->activate();
    pInstance->run(in2, c_nFrames);
    pInstance->run(in2, c_nFrames);
    EXPECT_EQ(2.0f, pInstance->port_values[1]);
    pInstance->deactivate();
    pInstance->run(in2, c_nFrames);
    EXPECT_EQ(-1.0f, pInstance->port_values[1]);
    pInstance->activate();
    pInstance->run(in2, c_nFrames);
    EXPECT_EQ(1.0f, pInstance->port_values[1]);
}

TEST_F(Instances, WetDryMixesOutputWithInput)
{
    std::unique_ptr<ladspa::abstract_instance> pInstance = create(vt::c_nGain, 1);
    pInstance->port_values[0] = 3.0f;
    app::sample_buffer in1 = input(1);
    auto sample = [&](unsigned int t) { return pInstance->run(in1, c_nFrames).data(0)[t]; };

    pInstance->wet_dry_values = {0.0f};
    EXPECT_EQ(3 * in(0, 9), sample(9)) << "values without the flag";
    pInstance->wet_dry_enabled = true;
    EXPECT_EQ(in(0, 9), sample(9)) << "all dry";
    pInstance->wet_dry_values = {1.0f};
    EXPECT_EQ(3 * in(0, 9), sample(9)) << "all wet";
    pInstance->wet_dry_values = {0.25f, 0.9f};
    EXPECT_EQ(3 * in(0, 9) * 0.25f + in(0, 9) * 0.75f, sample(9)) << "only the first value counts";
    pInstance->wet_dry_values.clear();
    EXPECT_EQ(3 * in(0, 9), sample(9)) << "enabled without values";
}

TEST_F(Instances, WetDryOverMoreChannelsThanTheOutputHas)
{
    // A one-channel instance behind a wider one in a chain.
    std::unique_ptr<ladspa::abstract_instance> pInstance = create(vt::c_nGain, 1);
    pInstance->port_values[0] = 2.0f;
    pInstance->wet_dry_enabled = true;
    pInstance->wet_dry_values = {0.5f};
    app::sample_buffer in3 = input(3);
    const app::sample_buffer& out = pInstance->run(in3, c_nFrames);
    ASSERT_EQ(1U, out.channel_count());
    EXPECT_FLOAT_EQ(1.5f * in(0, 3), out.data(0)[3]);
}

TEST_F(Instances, RunAllocatesNothing)
{
    for (unsigned long nId : {vt::c_nGain, vt::c_nStereo, vt::c_nSplit, vt::c_nMix}) {
        for (unsigned int nChannels = 1; nChannels <= 3; ++nChannels) {
            std::unique_ptr<ladspa::abstract_instance> pInstance = create(nId, nChannels);
            pInstance->wet_dry_enabled = true;
            pInstance->wet_dry_values = {0.5f};
            app::sample_buffer in = input(nChannels);
            pInstance->activate();
            const std::size_t nBefore = vt::allocation_count();
            pInstance->run(in, c_nFrames);
            pInstance->run(in, c_nBlock);
            EXPECT_EQ(nBefore, vt::allocation_count()) << nId << " over " << nChannels;
            pInstance->deactivate();
        }
    }
}

TEST_F(Instances, EachKindLogsItsLayoutAtDebugLevel)
{
    vt::log_capture log(5);
    create(vt::c_nGain, 2);
    create(vt::c_nSplit, 2);
    create(vt::c_nMix, 3);
    create(vt::c_nStereo, 2);
    EXPECT_EQ("[DEBUG] aggregate_instance: plugin id=77001 \"vt gain\", ports: in=1, out=1, instance count=2\n"
              "[DEBUG] pseudo_stereo_instance: plugin id=77003 \"vt split\", ports: in=1, out=2, instance count=2\n"
              "[DEBUG] complex_instance: plugin id=77004 \"vt mix\", ports: in=2, out=1, instance count=2, "
              "redudant input port count=1\n"
              "[DEBUG] aggregate_instance: plugin id=77002 \"vt stereo\", ports: in=2, out=2, instance count=1\n",
              log.text());
}

TEST_F(Instances, RefusedInstantiationRaisesNamingThePlugin)
{
    try {
        create(vt::c_nPicky, 2);
        FAIL() << "no exception";
    } catch (const app::exception& e) {
        EXPECT_NE(std::string::npos, std::string(e.what()).find("77006")) << e.what();
        EXPECT_NE(std::string::npos, std::string(e.what()).find("vt picky")) << e.what();
    }
    std::unique_ptr<ladspa::abstract_instance> pInstance = plugin(vt::c_nPicky)->create_instance(2, 16000, 32);
    EXPECT_EQ(2U, pInstance->handle_count());
}

TEST_F(Instances, PluginWithoutOptionalCallbacks)
{
    std::unique_ptr<ladspa::abstract_instance> pInstance = create(vt::c_nBare, 2);
    app::sample_buffer in2 = input(2);
    pInstance->activate();
    const app::sample_buffer& out = pInstance->run(in2, c_nFrames);
    EXPECT_EQ(in(1, 11), out.data(1)[11]);
    pInstance->deactivate();
}

}  // namespace
