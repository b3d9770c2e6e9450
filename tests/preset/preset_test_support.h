// Shared pieces of the preset tests: a formatter that records its calls, a
// registry over chosen plugin libraries, and process-wide settings that are
// restored after every test.
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

// Ids of the plugins of the LADSPA SDK's amp.so (a Debian package).
constexpr unsigned long c_nMonoAmp = 1048;
constexpr unsigned long c_nStereoAmp = 1049;

// One line per call: "begin node preset", "end list plugins",
// "string name=Mono Amplifier", "uint index=0", "float value=0.5",
// "ulong id=1048", "bool enabled=1".
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

// The lines of `calls` inside the first node opened as `strBegin` (for
// instance "begin node port"), without the node's own begin and end.
std::vector<std::string> node_body(const std::vector<std::string>& calls, const std::string& strBegin,
                                   unsigned int nOccurrence = 0);

// A directory of its own that holds symbolic links to the given plugin
// libraries, removed again on destruction.
class plugin_dir {
public:
    explicit plugin_dir(const std::vector<std::string>& libraries);
    ~plugin_dir();
    const std::string& path() const { return m_strPath; }

private:
    std::string m_strPath;
};

// Path of a plugin library in the system's LADSPA directory.
std::string system_plugin(const char* pszName);

// Path of a file under tests/data/presets.
std::string data_path(const std::string& strName);

// Saves the settings the loader reads and sets small, known values: one
// channel at 8000 Hz, blocks of 64 frames, warnings printed, no presets
// directory. Restores everything in TearDown.
class settings_test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    app::Globals m_saved;
};

// settings_test with a registry over the SDK amplifiers.
class amp_test : public settings_test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    // Loads a document from a string, failing the test on an exception.
    static std::shared_ptr<app::preset> load_string(const std::string& strXml);
    // A preset of mono amplifiers with these gains and enable flags.
    static std::shared_ptr<app::preset> amp_chain(const std::vector<float>& gains,
                                                  const std::vector<bool>& enabled);

    static std::unique_ptr<plugin_dir> s_pDir;
    static std::unique_ptr<ladspa::plugin_factory> s_pFactory;
};

// Text of a document with these plugin elements inside "jackrack".
std::string jackrack(const std::string& strPlugins);
// One "plugin" element: id, enabled flag, then the given control values.
std::string amp_plugin(unsigned long nId, bool bEnabled, const std::vector<std::string>& values);

}  // namespace preset_test

#endif
