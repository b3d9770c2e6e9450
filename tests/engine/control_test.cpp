// Switching presets and setting control values on a running engine.
#include <gtest/gtest.h>

#include "engine_support.h"
#include "vocalith/app/command_processor.h"
#include "vocalith/app/preset.h"
#include "vocalith/ladspa/abstract_instance.h"

namespace {

using namespace engine_test;
using app::command_processor;

class control : public ::testing::Test {
protected:
    // One whole filter block through the engine; returns the factor the
    // block was scaled by (the samples are never zero).
    float block_gain(command_processor& engine)
    {
        byte_sink sink;
        engine.process(sink, m_input.data(), static_cast<unsigned int>(m_input.size()), m_codec.get());
        const std::vector<std::int16_t> out = from_bytes16(sink.bytes);
        EXPECT_EQ(out.size(), 256u);
        const float fGain = static_cast<float>(out[0]) / m_samples[0];
        for (std::size_t i = 0; i < out.size(); ++i) {
            EXPECT_EQ(out[i], static_cast<std::int16_t>(m_samples[i] * fGain)) << "sample " << i;
        }
        return fGain;
    }

    settings_scope m_settings{1};
    std::unique_ptr<codec::abstract_codec> m_codec = make_codec(codec::id_pcm_int16le, codec::id_pcm_int16le);
    std::vector<std::int16_t> m_samples = nonzero(noise16(256, 11, 2000));
    std::vector<unsigned char> m_input = to_bytes(m_samples);

private:
    static std::vector<std::int16_t> nonzero(std::vector<std::int16_t> samples)
    {
        for (std::int16_t& s : samples) {
            s = static_cast<std::int16_t>(s == 0 ? 1 : s);
        }
        return samples;
    }
};

TEST_F(control, a_port_value_reaches_the_plugin_from_the_next_block)
{
    command_processor engine(registry(), make_preset({plugin_xml(c_nProbeGainId, true, {2.0f})}));
    EXPECT_EQ(block_gain(engine), 2.0f);
    EXPECT_TRUE(engine.set_plugin_port_value(0, 0, 5.0f));
    EXPECT_EQ(block_gain(engine), 5.0f);
    // Beyond the declared bounds (0..10) the value is still handed on.
    EXPECT_TRUE(engine.set_plugin_port_value(0, 0, 12.0f));
    EXPECT_EQ(block_gain(engine), 12.0f);
}

TEST_F(control, wrong_plugin_or_port_indices_are_refused)
{
    command_processor engine(registry(), make_preset({plugin_xml(c_nProbeGainId, true, {2.0f}),
                                                      plugin_xml(c_nProbeSplitId, false, {1.0f})}));
    EXPECT_FALSE(engine.set_plugin_port_value(0, 1, 3.0f));  // one control input only
    EXPECT_FALSE(engine.set_plugin_port_value(2, 0, 3.0f));  // two entries only
    EXPECT_EQ(block_gain(engine), 2.0f);

    command_processor empty(registry(), nullptr);
    EXPECT_FALSE(empty.set_plugin_port_value(0, 0, 1.0f));
}

TEST_F(control, a_value_for_a_disabled_entry_waits_until_it_runs)
{
    std::shared_ptr<app::preset> preset = make_preset(
        {plugin_xml(c_nProbeGainId, true, {2.0f}), plugin_xml(c_nProbeGainId, false, {1.0f})});
    command_processor engine(registry(), preset);
    EXPECT_TRUE(engine.set_plugin_port_value(1, 0, 3.0f));
    const app::preset::ladspa_instance& second = *std::next(preset->plugins().begin());
    EXPECT_EQ(second.instance->input_values.at(0), 3.0f);
    EXPECT_EQ(block_gain(engine), 2.0f);

    const_cast<app::preset::ladspa_instance&>(second).enabled = true;
    EXPECT_EQ(block_gain(engine), 6.0f);
}

TEST_F(control, a_change_applies_from_the_next_block_and_keeps_the_tails)
{
    command_processor engine(registry(), make_preset({plugin_xml(c_nProbeGainId, true, {2.0f})}));
    const std::vector<std::int16_t> samples = noise16(512, 12, 2000);
    const std::vector<unsigned char> input = to_bytes(samples);
    byte_sink sink;
    EXPECT_EQ(engine.process(sink, input.data(), 600, m_codec.get()), 256u);
    engine.change(make_preset({plugin_xml(c_nProbeGainId, true, {3.0f})}));
    // The 44 samples that waited for a block are filtered by the new preset.
    EXPECT_EQ(engine.tail_filter_count(), 44u);
    EXPECT_EQ(engine.process(sink, input.data() + 600, 424, m_codec.get()), 256u);

    const std::vector<std::int16_t> out = from_bytes16(sink.bytes);
    ASSERT_EQ(out.size(), 512u);
    for (std::size_t i = 0; i < 512; ++i) {
        EXPECT_EQ(out[i], samples[i] * (i < 256 ? 2 : 3)) << "sample " << i;
    }
    // Control values now go to the new preset.
    EXPECT_TRUE(engine.set_plugin_port_value(0, 0, 4.0f));
    EXPECT_EQ(block_gain(engine), 4.0f);
}

TEST_F(control, presets_are_activated_when_they_arrive_and_released_when_replaced)
{
    engine_probe_state& state = probe();
    const int nActivations = state.nActivations;
    const int nDeactivations = state.nDeactivations;

    std::shared_ptr<app::preset> first = make_preset({plugin_xml(c_nProbeGainId, true, {2.0f})});
    const std::weak_ptr<app::preset> firstAlive = first;
    command_processor engine(registry(), std::move(first));
    EXPECT_EQ(state.nActivations, nActivations + 1);

    // An empty reference is ignored.
    engine.change(nullptr);
    EXPECT_FALSE(firstAlive.expired());
    EXPECT_EQ(block_gain(engine), 2.0f);

    // Two entries, one of them disabled: both are activated.
    std::shared_ptr<app::preset> second = make_preset(
        {plugin_xml(c_nProbeGainId, true, {3.0f}), plugin_xml(c_nProbeGainId, false, {1.0f})});
    engine.change(second);
    EXPECT_EQ(state.nActivations, nActivations + 3);
    EXPECT_TRUE(firstAlive.expired());
    EXPECT_EQ(state.nDeactivations, nDeactivations + 1);
    EXPECT_EQ(block_gain(engine), 3.0f);

    // The current preset once more: activated again and kept.
    engine.change(second);
    EXPECT_EQ(state.nActivations, nActivations + 5);
    EXPECT_EQ(state.nDeactivations, nDeactivations + 1);
    EXPECT_EQ(second.use_count(), 2);
    EXPECT_EQ(block_gain(engine), 3.0f);
}

}  // namespace
