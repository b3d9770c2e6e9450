// The chain: which entries run, which buffer comes back, and when control
// values reach the plugins.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "preset_test_support.h"
#include "vocalith/app/multibuffer.h"
#include "vocalith/app/preset.h"
#include "vocalith/ladspa/abstract_instance.h"

namespace preset_test {
namespace {

constexpr unsigned int c_nFrames = 16;

class PresetChain : public preset_test {
protected:
    // A buffer of 1, 2, 3, ... behind an offset of 8, which the chain must honour.
    static app::sample_buffer ramp()
    {
        app::sample_buffer buffer(1, 64);
        buffer.clear(0, 64);
        buffer.set_offset(8);
        for (unsigned int i = 0; i < c_nFrames; ++i) {
            buffer.data(0)[i] = static_cast<float>(i + 1);
        }
        return buffer;
    }

    static std::vector<float> samples(const app::sample_buffer& buffer)
    {
        return std::vector<float>(buffer.data(0), buffer.data(0) + c_nFrames);
    }

    static std::vector<float> scaled_ramp(float fGain)
    {
        std::vector<float> values;
        for (unsigned int i = 0; i < c_nFrames; ++i) {
            values.push_back(static_cast<float>(i + 1) * fGain);
        }
        return values;
    }

    static ladspa::abstract_instance& instance(const app::preset& preset, unsigned int nIndex)
    {
        return *entry(preset, nIndex).instance;
    }

    // Gain, runs since activation and last input sample of a vt_gain entry.
    static std::vector<float> gain_ports(const app::preset& preset, unsigned int nIndex)
    {
        return instance(preset, nIndex).port_values;
    }
};

TEST_F(PresetChain, WithoutEnabledEntriesTheCallersBufferComesBackUntouched)
{
    for (const std::string& strPlugins : {std::string(), plugin(c_nGain, false, {"2"}) + plugin(c_nGain, false, {"3"})}) {
        const std::shared_ptr<app::preset> pPreset = load_string(jackrack(strPlugins));
        ASSERT_TRUE(pPreset);
        pPreset->activate();
        app::sample_buffer buffer = ramp();
        app::sample_buffer& result = pPreset->apply(buffer, c_nFrames);
        EXPECT_EQ(&buffer, &result);
        EXPECT_EQ(scaled_ramp(1.0f), samples(result));
        EXPECT_EQ(8u, result.offset());
    }
}

TEST_F(PresetChain, OnlyEnabledEntriesRunAndEachReadsThePreviousOutput)
{
    const std::shared_ptr<app::preset> pPreset = load_string(jackrack(
        plugin(c_nGain, false, {"2"}) + plugin(c_nGain, true, {"3"}) + plugin(c_nGain, false, {"5"}) +
        plugin(c_nGain, true, {"7"})));
    ASSERT_TRUE(pPreset);
    pPreset->activate();
    // New values for disabled entries are stored but never handed over.
    EXPECT_TRUE(pPreset->set_control_port_value(0, 0, 4.0f));
    EXPECT_TRUE(pPreset->set_control_port_value(2, 0, 6.0f));

    app::sample_buffer buffer = ramp();
    pPreset->apply(buffer, c_nFrames);
    app::sample_buffer& result = pPreset->apply(buffer, c_nFrames);
    EXPECT_EQ(&instance(*pPreset, 3).output(), &result);
    EXPECT_EQ(scaled_ramp(21.0f), samples(result));
    EXPECT_EQ(scaled_ramp(1.0f), samples(buffer));
    EXPECT_EQ((std::vector<float>{2.0f, 0.0f, 0.0f}), gain_ports(*pPreset, 0));
    EXPECT_EQ((std::vector<float>{3.0f, 2.0f, 16.0f}), gain_ports(*pPreset, 1));
    EXPECT_EQ((std::vector<float>{5.0f, 0.0f, 0.0f}), gain_ports(*pPreset, 2));
    EXPECT_EQ((std::vector<float>{7.0f, 2.0f, 48.0f}), gain_ports(*pPreset, 3));
    EXPECT_EQ(4.0f, instance(*pPreset, 0).input_values[0]);
}

TEST_F(PresetChain, ActivationReachesEveryInstance)
{
    const std::shared_ptr<app::preset> pPreset =
        load_string(jackrack(plugin(c_nGain, true, {"2"}) + plugin(c_nGain, true, {"3"})));
    ASSERT_TRUE(pPreset);
    app::sample_buffer buffer = ramp();
    pPreset->apply(buffer, c_nFrames);
    EXPECT_EQ(-1.0f, gain_ports(*pPreset, 1)[1]);
    pPreset->activate();
    pPreset->apply(buffer, c_nFrames);
    EXPECT_EQ(1.0f, gain_ports(*pPreset, 0)[1]);
    EXPECT_EQ(1.0f, gain_ports(*pPreset, 1)[1]);
    pPreset->deactivate();
    pPreset->apply(buffer, c_nFrames);
    EXPECT_EQ(-1.0f, gain_ports(*pPreset, 0)[1]);
    EXPECT_EQ(-1.0f, gain_ports(*pPreset, 1)[1]);
}

TEST_F(PresetChain, AValueSetBetweenBlocksReachesThePluginInTheNextBlock)
{
    const std::shared_ptr<app::preset> pPreset = load_string(jackrack(plugin(c_nMonoAmp, true, {"2"})));
    ASSERT_TRUE(pPreset);
    pPreset->activate();
    app::sample_buffer buffer = ramp();
    EXPECT_EQ(scaled_ramp(2.0f), samples(pPreset->apply(buffer, c_nFrames)));
    // Outside the port's bounds (the gain is bounded below by 0): kept as given.
    ASSERT_TRUE(pPreset->set_control_port_value(0, 0, -4.0f));
    EXPECT_EQ(2.0f, instance(*pPreset, 0).port_values[0]);
    EXPECT_EQ(scaled_ramp(-4.0f), samples(pPreset->apply(buffer, c_nFrames)));
    // Copied before every run, not only after a change.
    instance(*pPreset, 0).port_values[0] = 100.0f;
    EXPECT_EQ(scaled_ramp(-4.0f), samples(pPreset->apply(buffer, c_nFrames)));
}

TEST_F(PresetChain, ControlPortIndicesCountEntriesAndInputControlPortsOnly)
{
    const std::shared_ptr<app::preset> pEmpty = load_string(jackrack(""));
    ASSERT_TRUE(pEmpty);
    EXPECT_FALSE(pEmpty->set_control_port_value(0, 0, 1.0f));
    const std::shared_ptr<app::preset> pPreset =
        load_string(jackrack(plugin(c_nGain, true, {"2"}) + plugin(c_nGain, false, {"3"})));
    ASSERT_TRUE(pPreset);
    EXPECT_FALSE(pPreset->set_control_port_value(2, 0, 1.0f));
    // vt_gain has one input and two output control ports: port 1 is out of reach.
    EXPECT_FALSE(pPreset->set_control_port_value(0, 1, 1.0f));
    EXPECT_EQ((std::vector<float>{2.0f, 0.0f, 0.0f}), gain_ports(*pPreset, 0));
    EXPECT_TRUE(pPreset->set_control_port_value(1, 0, 0.5f));
    EXPECT_EQ(std::vector<float>{0.5f}, instance(*pPreset, 1).input_values);
}

TEST_F(PresetChain, WetDryMixesInsideTheInstanceWithTheFirstValueOnly)
{
    struct row {
        const char* pszWetDry;
        float fGain;
    };
    const row rows[] = {
        // 3 x 0.25 + 1 x 0.75 = 1.5
        {"<wet_dry_enabled>true</wet_dry_enabled><wet_dry_values><value>0.25</value><value>0.9</value>"
         "</wet_dry_values>", 1.5f},
        {"<wet_dry_enabled>true</wet_dry_enabled>", 3.0f},
        {"<wet_dry_enabled>false</wet_dry_enabled><wet_dry_values><value>0.25</value></wet_dry_values>", 3.0f},
    };
    for (const row& r : rows) {
        const std::shared_ptr<app::preset> pPreset = load_string(jackrack(
            std::string("<plugin><id>77001</id><enabled>true</enabled>") + r.pszWetDry +
            "<controlrow><value>3</value></controlrow></plugin>"));
        ASSERT_TRUE(pPreset);
        app::sample_buffer buffer = ramp();
        EXPECT_EQ(scaled_ramp(r.fGain), samples(pPreset->apply(buffer, c_nFrames))) << r.pszWetDry;
    }
}

TEST_F(PresetChain, AValueSetDuringABlockIsOneWholeValueForTheWholeBlock)
{
    const std::shared_ptr<app::preset> pPreset = load_string(jackrack(plugin(c_nGain, true, {"2"})));
    ASSERT_TRUE(pPreset);
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
    unsigned int nBad = 0;
    for (unsigned int nBlock = 0; nBlock < 20000; ++nBlock) {
        const float* pOut = pPreset->apply(buffer, 8).data(0);
        nBad += (pOut[0] != 2.0f && pOut[0] != 3.0f) ? 1 : 0;
        for (unsigned int i = 1; i < 8; ++i) {
            nBad += pOut[i] != pOut[0] ? 1 : 0;
        }
    }
    bStop.store(true);
    control.join();
    EXPECT_EQ(0u, nBad);
}

TEST_F(PresetChain, TheBundledCompressedEchoPresetRunsItsPackagedPlugin)
{
    if (s_pFactory->get(c_nFadDelay) == nullptr) {
        GTEST_SKIP() << "the swh-plugins package is not installed";
    }
    testing::internal::CaptureStderr();
    const std::shared_ptr<app::preset> pPreset = load_file(std::string(VOCALITH_SOURCE_DIR) + "/presets/echo.xml.gz");
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    ASSERT_EQ(1u, pPreset->plugins().size());
    EXPECT_TRUE(entry(*pPreset, 0).enabled);
    EXPECT_EQ((std::vector<float>{0.25f, -6.0f}), instance(*pPreset, 0).input_values);

    // Half wet, a quarter-second echo at 8000 Hz: the first block is the
    // half-dry input alone, after 2000 samples the echo joins in.
    pPreset->activate();
    app::sample_buffer buffer(1, 64);
    std::vector<float> firsts;
    bool bFinite = true;
    for (unsigned int nBlock = 0; nBlock < 40; ++nBlock) {
        for (unsigned int i = 0; i < 64; ++i) {
            buffer.data(0)[i] = (i % 2 == 0) ? 0.5f : -0.5f;
        }
        const float* pOut = pPreset->apply(buffer, 64).data(0);
        bFinite = bFinite && std::all_of(pOut, pOut + 64, [](float f) { return std::isfinite(f); });
        firsts.push_back(pOut[0]);
    }
    EXPECT_TRUE(bFinite);
    EXPECT_FLOAT_EQ(0.25f, firsts.front());
    EXPECT_GT(std::fabs(firsts.back() - 0.25f), 0.01f);
}

}  // namespace
}  // namespace preset_test
