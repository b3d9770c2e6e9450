// Shared pieces of the preset tests: a formatter that records its calls and
// a fixture with known process-wide settings and a registry over the test
// plugins and a few packaged ones.
#ifndef VOCALITH_TESTS_PRESET_PRESET_TEST_SUPPORT_H
#define VOCALITH_TESTS_PRESET_PRESET_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vocalith/app/globals.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_formatter.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace preset_test {

// vt_gain (tests/plugins): Input(0), Gain(1, default 1), Runs(2, output:
// runs since activate, -1 while inactive), Output(3) = Gain x Input,
// Last(4, output: the last input sample).
constexpr unsigned long c_nGain = 77001;
constexpr unsigned long c_nHints = 77005;     // vt_hints: a control per hint combination
constexpr unsigned long c_nMonoAmp = 1048;    // LADSPA SDK: Gain (default 1)
constexpr unsigned long c_nDelay = 1043;      // LADSPA SDK: delay (default 1), balance (default 0.5)
constexpr unsigned long c_nFadDelay = 1192;   // swh-plugins: delay, feedback

// One line per call: "begin node preset", "end list plugins",
// "string name=Gain", "uint index=1", "float value=0.5", "ulong id=77001",
// "bool enabled=1".
class recording_formatter : public app::preset_formatter {
public:
    void begin_node(bool is_list, const char* name) override;
    void end_node(bool is_list, const char* name) override;
    void write_string(const char* key, const char* value) override;
    void write_uint(const char* key, unsigned int value) override;
    void write_ulong(const char* key, unsigned long value) override;
    void write_float(const char* key, float value) override;
    void write_bool(const char* key, bool value) override;

    std::vector<std::string> calls;
};

std::vector<std::string> describe(const app::preset& preset);

// The lines inside the nOccurrence-th node opened by the line strBegin
// (for instance "begin node port"), without its own begin and end.
std::vector<std::string> node_body(const std::vector<std::string>& calls, const std::string& strBegin,
                                   unsigned int nOccurrence = 0);

// A document with these plugin elements inside "jackrack".
std::string jackrack(const std::string& strPlugins);
// One "plugin" element: id, "enabled", then one control row per value.
std::string plugin(unsigned long nId, bool bEnabled, const std::vector<std::string>& values);
// Path of a file under tests/data/presets.
std::string data_path(const std::string& strName);

// One channel at 8000 Hz in blocks of 64 frames, warnings printed, no
// presets directory; the settings come back after each test. The registry
// (one per suite) sees vt_basic.so, and amp.so, delay.so and
// fad_delay_1192.so of the system's LADSPA directory.
class preset_test : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Loads, failing the test (and giving null) on an exception.
    static std::shared_ptr<app::preset> load_string(const std::string& strXml);
    static std::shared_ptr<app::preset> load_file(const std::string& strPath);
    // The n-th entry of a preset's chain.
    static const app::preset::ladspa_instance& entry(const app::preset& preset, unsigned int nIndex);

    static std::string s_strPluginDir;
    static std::unique_ptr<ladspa::plugin_factory> s_pFactory;

private:
    app::Globals m_saved;
};

}  // namespace preset_test

#endif
