// A bundled preset, saved compressed as JACK Rack saves it, over a plugin of
// a Debian plugin package.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "preset_test_support.h"
#include "vocalith/app/multibuffer.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/ladspa/abstract_instance.h"
#include "vocalith/ladspa/plugin_desc.h"

namespace preset_test {
namespace {

constexpr unsigned long c_nFadDelay = 1192;

class PackagedPlugin : public amp_test {
protected:
    static void SetUpTestSuite()
    {
        s_pDir.reset(new plugin_dir({system_plugin("fad_delay_1192.so")}));
        s_pFactory.reset(new ladspa::plugin_factory(s_pDir->path()));
    }
};

TEST_F(PackagedPlugin, TheBundledEchoPresetLoadsAndRuns)
{
    if (s_pFactory->get(c_nFadDelay) == nullptr) {
        GTEST_SKIP() << "the swh-plugins package is not installed";
    }
    app::preset_xml_parser parser(*s_pFactory);
    testing::internal::CaptureStderr();
    const std::shared_ptr<app::preset> pPreset = parser.load(std::string(VOCALITH_SOURCE_DIR) + "/presets/echo.xml.gz");
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    ASSERT_EQ(1u, pPreset->plugins().size());
    const app::preset::ladspa_instance& entry = pPreset->plugins().front();
    EXPECT_TRUE(entry.enabled);
    EXPECT_TRUE(entry.instance->wet_dry_enabled);
    EXPECT_EQ(0.25f, entry.instance->input_values.at(0));
    EXPECT_EQ(-6.0f, entry.instance->input_values.at(1));

    // A quarter-second echo at 8000 Hz: after 2000 samples of a steady tone
    // the output is no longer the half-dry input alone.
    pPreset->activate();
    app::sample_buffer buffer(1, 64);
    bool bFinite = true;
    float fFirst = 0.0f;
    float fLast = 0.0f;
    for (unsigned int nBlock = 0; nBlock < 40; ++nBlock) {
        for (unsigned int i = 0; i < 64; ++i) {
            buffer.data(0)[i] = (i % 2 == 0) ? 0.5f : -0.5f;
        }
        const app::sample_buffer& result = pPreset->apply(buffer, 64);
        for (unsigned int i = 0; i < 64; ++i) {
            bFinite = bFinite && std::isfinite(result.data(0)[i]);
        }
        if (nBlock == 0) {
            fFirst = result.data(0)[0];
        }
        fLast = result.data(0)[0];
    }
    pPreset->deactivate();
    EXPECT_TRUE(bFinite);
    EXPECT_FLOAT_EQ(0.25f, fFirst);
    EXPECT_GT(std::fabs(fLast - 0.25f), 0.01f);
}

}  // namespace
}  // namespace preset_test
