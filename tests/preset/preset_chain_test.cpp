// The chain: which entries run, which buffer comes back, and when control
// values reach the plugins.
#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <vector>

#include "preset_test_support.h"
#include "vocalith/app/multibuffer.h"
#include "vocalith/app/preset.h"
#include "vocalith/ladspa/abstract_instance.h"

namespace preset_test {
namespace {

constexpr unsigned int c_nFrames = 16;
constexpr unsigned int c_nOffset = 8;

// One channel of 1, 2, 3, ... starting at a non-zero offset, so that the
// chain must honour the offset.
app::sample_buffer ramp()
{
    app::sample_buffer buffer(1, 64);
    buffer.clear(0, 64);
    buffer.set_offset(c_nOffset);
    for (unsigned int i = 0; i < c_nFrames; ++i) {
        buffer.data(0)[i] = static_cast<float>(i + 1);
    }
    return buffer;
}

// The first c_nFrames samples of a buffer, read from its offset.
std::vector<float> samples(const app::sample_buffer& buffer)
{
    return std::vector<float>(buffer.data(0), buffer.data(0) + c_nFrames);
}

std::vector<float> scaled_ramp(float fGain)
{
    std::vector<float> values;
    for (unsigned int i = 0; i < c_nFrames; ++i) {
        values.push_back(static_cast<float>(i + 1) * fGain);
    }
    return values;
}

ladspa::abstract_instance& instance_at(app::preset& preset, unsigned int nIndex)
{
    return *std::next(preset.plugins().begin(), nIndex)->instance;
}

class PresetChain : public amp_test {};

TEST_F(PresetChain, WithoutEnabledEntriesTheCallersBufferComesBackUntouched)
{
    const std::shared_ptr<app::preset> pEmpty = load_string(jackrack(""));
    const std::shared_ptr<app::preset> pDisabled = amp_chain({2.0f, 3.0f}, {false, false});
    ASSERT_TRUE(pEmpty && pDisabled);
    ASSERT_EQ(2u, pDisabled->plugins().size());
    for (app::preset* pPreset : {pEmpty.get(), pDisabled.get()}) {
        app::sample_buffer buffer = ramp();
        pPreset->activate();
        app::sample_buffer& result = pPreset->apply(buffer, c_nFrames);
        EXPECT_EQ(&buffer, &result);
        EXPECT_EQ(scaled_ramp(1.0f), samples(result));
        EXPECT_EQ(c_nOffset, result.offset());
    }
}

TEST_F(PresetChain, OnlyTheMiddleEntryRunsAndItsOutputIsTheResult)
{
    const std::shared_ptr<app::preset> pPreset = amp_chain({2.0f, 3.0f, 5.0f}, {false, true, false});
    ASSERT_TRUE(pPreset);
    pPreset->activate();
    // New values for the disabled entries are stored but never handed over.
    EXPECT_TRUE(pPreset->set_control_port_value(0, 0, 7.0f));
    EXPECT_TRUE(pPreset->set_control_port_value(2, 0, 9.0f));

    app::sample_buffer buffer = ramp();
    app::sample_buffer& result = pPreset->apply(buffer, c_nFrames);
    EXPECT_EQ(&instance_at(*pPreset, 1).output(), &result);
    EXPECT_EQ(scaled_ramp(3.0f), samples(result));
    EXPECT_EQ(scaled_ramp(1.0f), samples(buffer));

    EXPECT_EQ(2.0f, instance_at(*pPreset, 0).port_values[0]);
    EXPECT_EQ(7.0f, instance_at(*pPreset, 0).input_values[0]);
    EXPECT_EQ(5.0f, instance_at(*pPreset, 2).port_values[0]);
    EXPECT_EQ(9.0f, instance_at(*pPreset, 2).input_values[0]);
}

TEST_F(PresetChain, EveryEnabledEntryReadsThePreviousOutput)
{
    const std::shared_ptr<app::preset> pPreset = amp_chain({2.0f, 3.0f, 5.0f}, {true, false, true});
    ASSERT_TRUE(pPreset);
    pPreset->activate();
    app::sample_buffer buffer = ramp();
    app::sample_buffer& result = pPreset->apply(buffer, c_nFrames);
    EXPECT_EQ(&instance_at(*pPreset, 2).output(), &result);
    EXPECT_EQ(scaled_ramp(10.0f), samples(result));
}

TEST_F(PresetChain, AValueSetBetweenBlocksReachesThePluginInTheNextBlock)
{
    const std::shared_ptr<app::preset> pPreset = amp_chain({2.0f}, {true});
    ASSERT_TRUE(pPreset);
    pPreset->activate();
    app::sample_buffer buffer = ramp();
    EXPECT_EQ(scaled_ramp(2.0f), samples(pPreset->apply(buffer, c_nFrames)));

    // Outside the port's bounds (gain is bounded below by 0): kept as given.
    ASSERT_TRUE(pPreset->set_control_port_value(0, 0, -4.0f));
    EXPECT_EQ(2.0f, instance_at(*pPreset, 0).port_values[0]);
    EXPECT_EQ(scaled_ramp(-4.0f), samples(pPreset->apply(buffer, c_nFrames)));
    EXPECT_EQ(-4.0f, instance_at(*pPreset, 0).port_values[0]);
    // Copied before every run, not only after a change.
    instance_at(*pPreset, 0).port_values[0] = 100.0f;
    EXPECT_EQ(scaled_ramp(-4.0f), samples(pPreset->apply(buffer, c_nFrames)));
}

TEST_F(PresetChain, ControlPortIndicesCountEntriesAndInputControlPortsOnly)
{
    const std::shared_ptr<app::preset> pEmpty = load_string(jackrack(""));
    ASSERT_TRUE(pEmpty);
    EXPECT_FALSE(pEmpty->set_control_port_value(0, 0, 1.0f));

    const std::shared_ptr<app::preset> pPreset = amp_chain({2.0f, 3.0f}, {true, false});
    ASSERT_TRUE(pPreset);
    EXPECT_FALSE(pPreset->set_control_port_value(2, 0, 1.0f));
    // The amplifier has one input control port: port 1 is out of reach.
    EXPECT_FALSE(pPreset->set_control_port_value(0, 1, 1.0f));
    EXPECT_FALSE(pPreset->set_control_port_value(1, 1, 1.0f));
    EXPECT_EQ(2.0f, instance_at(*pPreset, 0).input_values[0]);
    EXPECT_EQ(3.0f, instance_at(*pPreset, 1).input_values[0]);
    EXPECT_TRUE(pPreset->set_control_port_value(1, 0, 0.5f));
    EXPECT_EQ(0.5f, instance_at(*pPreset, 1).input_values[0]);
}

TEST_F(PresetChain, WetDryMixesInsideTheInstanceWithTheFirstValueOnly)
{
    const std::string strMixed =
        "<plugin><id>1048</id><enabled>true</enabled><wet_dry_enabled>true</wet_dry_enabled>"
        "<wet_dry_values><value>0.25</value><value>0.9</value></wet_dry_values>"
        "<controlrow><value>3</value></controlrow></plugin>";
    const std::string strNoValues =
        "<plugin><id>1048</id><enabled>true</enabled><wet_dry_enabled>true</wet_dry_enabled>"
        "<controlrow><value>3</value></controlrow></plugin>";
    const std::string strOff =
        "<plugin><id>1048</id><enabled>true</enabled><wet_dry_enabled>false</wet_dry_enabled>"
        "<wet_dry_values><value>0.25</value></wet_dry_values>"
        "<controlrow><value>3</value></controlrow></plugin>";
    struct row {
        const std::string* pPlugin;
        float fExpectedGain;
    };
    // 3 x 0.25 + 1 x 0.75 = 1.5
    for (const row& r : {row{&strMixed, 1.5f}, row{&strNoValues, 3.0f}, row{&strOff, 3.0f}}) {
        const std::shared_ptr<app::preset> pPreset = load_string(jackrack(*r.pPlugin));
        ASSERT_TRUE(pPreset);
        pPreset->activate();
        app::sample_buffer buffer = ramp();
        EXPECT_EQ(scaled_ramp(r.fExpectedGain), samples(pPreset->apply(buffer, c_nFrames))) << *r.pPlugin;
    }
}

}  // namespace
}  // namespace preset_test
