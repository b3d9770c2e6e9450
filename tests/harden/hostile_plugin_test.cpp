// Plugins that break the rules (tests/plugins/hostile) meet the registry and
// the instance kinds: nothing crashes, reads outside a buffer or leaks a
// handle, and the rejected ones are logged as any other.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>

#include "hostile_support.h"
#include "vocalith/app/exception.h"
#include "vocalith/app/multibuffer.h"
#include "vocalith/ladspa/abstract_instance.h"
#include "vocalith/ladspa/plugin_desc.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace {

using harden::c_strHostileDir;
using harden::c_strHostileLibrary;

constexpr unsigned c_nBlock = 256;

app::sample_buffer ramp(unsigned nChannels)
{
    app::sample_buffer buf(nChannels, c_nBlock);
    for (unsigned c = 0; c < nChannels; ++c) {
        for (unsigned i = 0; i < c_nBlock; ++i) {
            buf.data(c)[i] = 0.001f * static_cast<float>(i) - 0.1f * static_cast<float>(c);
        }
    }
    return buf;
}

class HostileRegistry : public harden::hostile_test {
protected:
    void SetUp() override
    {
        harden::hostile_test::SetUp();
        app::s_Global.nLogLevel = 0;
        m_pRegistry.reset(new ladspa::plugin_factory(c_strHostileDir));
    }
    void TearDown() override
    {
        m_pRegistry.reset();
        harden::hostile_test::TearDown();
    }

    ladspa::plugin_desc& plugin(unsigned long nId)
    {
        ladspa::plugin_desc* pDesc = m_pRegistry->get(nId);
        if (pDesc == nullptr) {
            throw std::runtime_error("plugin " + std::to_string(nId) + " not registered");
        }
        return *pDesc;
    }

    std::unique_ptr<ladspa::plugin_factory> m_pRegistry;
};

TEST_F(HostileRegistry, KeepsThePlayableAndLogsTheRejected)
{
    app::s_Global.nLogLevel = 2;
    testing::internal::CaptureStderr();
    ladspa::plugin_factory registry(c_strHostileDir);
    const std::string strLog = testing::internal::GetCapturedStderr();

    std::set<unsigned long> ids;
    for (const auto& entry : registry.plugins()) {
        ids.insert(entry.first);
    }
    EXPECT_EQ((std::set<unsigned long>{77501, 77502, 77503, 77505, 77506, 77508, 77509}), ids);
    const std::string strExpected =
        "[WARN ] plugin_factory::check_ladspa_desc: LADSPA plugin id=77504 'hostile no ports' has no input or "
        "output audio ports\n"
        "[WARN ] plugin_factory::check_ladspa_desc return false: LADSPA plugin id=77504 [" +
        c_strHostileLibrary +
        "]:[hostile no ports] skipped\n"
        "[WARN ] plugin_factory::check_ladspa_desc: LADSPA plugin id=77507 '' has no input or output audio "
        "ports\n"
        "[WARN ] plugin_factory::check_ladspa_desc return false: LADSPA plugin id=77507 [" +
        c_strHostileLibrary + "]:[] skipped\n";
    EXPECT_EQ(strExpected, strLog);
}

TEST_F(HostileRegistry, NullNamesBecomeEmptyAtEveryLogLevel)
{
    ladspa::plugin_desc& nameless = plugin(77506);
    EXPECT_EQ("", nameless.name());
    ASSERT_EQ(1u, nameless.input_ports().size());
    EXPECT_EQ("", nameless.input_ports()[0].strName);

    // The debug lines print the label, maker and copyright too.
    app::s_Global.nLogLevel = 5;
    testing::internal::CaptureStderr();
    ladspa::plugin_factory registry(c_strHostileDir);
    registry.get(77506)->load();
    std::unique_ptr<ladspa::abstract_instance> pInstance = registry.get(77506)->create_instance(2, 8000, c_nBlock);
    pInstance.reset();
    const std::string strLog = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, strLog.find("Plugin '" + c_strHostileLibrary + "':77506 has been loaded")) << strLog;
}

TEST_F(HostileRegistry, RefusedInstantiationThrowsAndFreesTheHandlesMade)
{
    struct {
        unsigned long nId;
        unsigned nChannels;
    } cases[] = {
        {77501, 1},  // never instantiates
        {77501, 3},
        {77509, 2},  // the second handle fails; the first must be cleaned up
        {77509, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.nId << ", " << c.nChannels << " channel(s)");
        try {
            plugin(c.nId).create_instance(c.nChannels, 8000, c_nBlock);
            ADD_FAILURE() << "no exception";
        } catch (const app::exception& error) {
            EXPECT_NE(std::string::npos, std::string(error.what()).find(std::to_string(c.nId))) << error.what();
        }
        EXPECT_EQ(0, m_library.handles_in_use());
    }
    // One handle at a time is all that plugin allows, and mono needs one.
    std::unique_ptr<ladspa::abstract_instance> pMono = plugin(77509).create_instance(1, 8000, c_nBlock);
    EXPECT_EQ(1, m_library.handles_in_use());
}

TEST_F(HostileRegistry, NoActivateDeactivateOrCleanupIsNoProblem)
{
    for (const unsigned nChannels : {1u, 2u, 3u}) {
        SCOPED_TRACE(nChannels);
        std::unique_ptr<ladspa::abstract_instance> pInstance =
            plugin(77502).create_instance(nChannels, 8000, c_nBlock);
        app::sample_buffer in = ramp(nChannels);
        pInstance->activate();
        const app::sample_buffer& out = pInstance->run(in, c_nBlock);
        pInstance->deactivate();
        for (unsigned c = 0; c < nChannels; ++c) {
            for (unsigned i = 0; i < c_nBlock; ++i) {
                ASSERT_EQ(in.data(c)[i], out.data(c)[i]) << "channel " << c << ", sample " << i;
            }
        }
    }
}

TEST_F(HostileRegistry, AThousandControlsAreAllConnected)
{
    std::unique_ptr<ladspa::abstract_instance> pInstance = plugin(77505).create_instance(2, 8000, c_nBlock);
    ASSERT_EQ(1000u, pInstance->port_values.size());
    ASSERT_EQ(1000u, pInstance->input_values.size());
    for (float f : pInstance->port_values) {
        ASSERT_EQ(1.0f, f);  // every default
    }
    // The plugin turns its output to NaN when any control port is unconnected.
    pInstance->port_values[999] = 0.5f;
    app::sample_buffer in = ramp(2);
    pInstance->activate();
    const app::sample_buffer& out = pInstance->run(in, c_nBlock);
    for (unsigned c = 0; c < 2; ++c) {
        for (unsigned i = 0; i < c_nBlock; ++i) {
            ASSERT_EQ(in.data(c)[i] * 0.5f, out.data(c)[i]) << "channel " << c << ", sample " << i;
        }
    }
    pInstance->deactivate();
}

TEST_F(HostileRegistry, ControlsReadAtActivationAreConnectedByThen)
{
    std::unique_ptr<ladspa::abstract_instance> pInstance = plugin(77508).create_instance(1, 8000, c_nBlock);
    app::sample_buffer in = ramp(1);
    // The default (1) before the first activation, a new value at the next.
    for (const float fGain : {1.0f, 0.25f}) {
        SCOPED_TRACE(fGain);
        pInstance->port_values[0] = fGain;
        pInstance->activate();
        pInstance->port_values[0] = 7.0f;  // too late for this activation
        const app::sample_buffer& out = pInstance->run(in, c_nBlock);
        for (unsigned i = 0; i < c_nBlock; ++i) {
            ASSERT_EQ(in.data(0)[i] * fGain, out.data(0)[i]) << "sample " << i;
        }
        pInstance->deactivate();
    }
}

TEST_F(HostileRegistry, GarbageOutputIsHandedOnUntouched)
{
    // The instance does not filter: NaN and infinities reach the encoders,
    // which are tested to neutralise them.
    std::unique_ptr<ladspa::abstract_instance> pInstance = plugin(77503).create_instance(1, 8000, c_nBlock);
    app::sample_buffer in = ramp(1);
    pInstance->activate();
    const app::sample_buffer& out = pInstance->run(in, c_nBlock);
    EXPECT_TRUE(std::isnan(out.data(0)[0]));
    EXPECT_EQ(std::numeric_limits<float>::infinity(), out.data(0)[1]);
    EXPECT_EQ(-std::numeric_limits<float>::infinity(), out.data(0)[2]);
    pInstance->deactivate();
}

}  // namespace
