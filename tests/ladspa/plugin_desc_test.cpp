#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ladspa_test_support.h"
#include "vocalith/ladspa/file.h"
#include "vocalith/ladspa/plugin_desc.h"

namespace {

std::vector<std::string> names_of(const std::vector<ladspa::port_info>& ports)
{
    std::vector<std::string> names;
    for (const ladspa::port_info& port : ports) {
        names.push_back(port.strName);
    }
    return names;
}

std::vector<unsigned long> indices_of(const std::vector<ladspa::port_info>& ports)
{
    std::vector<unsigned long> indices;
    for (const ladspa::port_info& port : ports) {
        indices.push_back(port.nIndex);
    }
    return indices;
}

// The vt_basic library, opened through ladspa::file.
class BasicLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        vt::log_capture quiet(0);
        m_pFile.reset(new ladspa::file(vt::c_strLib + "/vt_basic.so"));
        ASSERT_TRUE(m_pFile->load());
    }

    // The descriptor the library returns at nIndex.
    const LADSPA_Descriptor* at(unsigned long nIndex) { return m_pFile->get_plugin(nIndex); }

    std::unique_ptr<ladspa::file> m_pFile;
};

TEST(PluginDesc, DefaultConstructedIsInactiveWithoutFile)
{
    const ladspa::plugin_desc desc;
    EXPECT_EQ(0UL, desc.unique_id());
    EXPECT_EQ(0xFFFFFFFFUL, desc.file_index());
    EXPECT_EQ("<unknown>", desc.filename());
    EXPECT_FALSE(desc.is_active());
    EXPECT_EQ(0U, desc.control_port_count());
    EXPECT_EQ(0U, desc.input_port_count() + desc.output_port_count());

    const std::string strSaved = app::s_Global.strUnknownFileName;
    app::s_Global.strUnknownFileName = "(none)";
    EXPECT_EQ("(none)", desc.filename());
    app::s_Global.strUnknownFileName = strSaved;
}

TEST_F(BasicLibrary, PortsAreClassifiedInPortOrder)
{
    const ladspa::plugin_desc gain(m_pFile.get(), at(0), 0);
    EXPECT_EQ(vt::c_nGain, gain.unique_id());
    EXPECT_EQ("vt gain", gain.name());
    EXPECT_EQ(vt::c_strLib + "/vt_basic.so", gain.filename());
    EXPECT_TRUE(gain.is_active());
    EXPECT_EQ(0U, gain.load_count());
    EXPECT_EQ((std::vector<std::string>{"Input"}), names_of(gain.input_ports()));
    EXPECT_EQ((std::vector<std::string>{"Output"}), names_of(gain.output_ports()));
    EXPECT_EQ((std::vector<std::string>{"Gain"}), names_of(gain.input_control_ports()));
    EXPECT_EQ((std::vector<std::string>{"Runs", "Last"}), names_of(gain.output_control_ports()));
    EXPECT_EQ((std::vector<unsigned long>{1}), indices_of(gain.input_control_ports()));
    EXPECT_EQ((std::vector<unsigned long>{2, 4}), indices_of(gain.output_control_ports()));
    EXPECT_EQ((std::vector<unsigned long>{3}), indices_of(gain.output_ports()));
    EXPECT_EQ(3U, gain.control_port_count());
    EXPECT_TRUE(gain.is_hard_rt_capable());
    EXPECT_FALSE(gain.is_realtime());
    EXPECT_FALSE(gain.is_inplace_broken());

    const ladspa::plugin_desc stereo(m_pFile.get(), at(1), 1);
    EXPECT_EQ((std::vector<unsigned long>{0, 1}), indices_of(stereo.input_ports()));
    EXPECT_EQ((std::vector<unsigned long>{2, 3}), indices_of(stereo.output_ports()));
    EXPECT_EQ(1UL, stereo.file_index());
}

TEST_F(BasicLibrary, PortWithoutDirectionIsAControlInput)
{
    const ladspa::plugin_desc hints(m_pFile.get(), at(4), 4);
    ASSERT_EQ(26U, hints.input_control_port_count());
    EXPECT_EQ("no direction", hints.input_control_ports().back().strName);
    EXPECT_EQ(LADSPA_PORT_CONTROL, hints.input_control_ports().back().nDescriptor);
    EXPECT_EQ((std::vector<std::string>{"control out"}), names_of(hints.output_control_ports()));
}

TEST_F(BasicLibrary, MissingNamesBecomeEmpty)
{
    const ladspa::plugin_desc bare(m_pFile.get(), at(6), 6);
    EXPECT_EQ(vt::c_nBare, bare.unique_id());
    EXPECT_EQ("", bare.name());
    ASSERT_EQ(1U, bare.input_port_count());
    EXPECT_EQ("", bare.input_ports()[0].strName);
    EXPECT_EQ(0, bare.properties());
}

TEST_F(BasicLibrary, CreatePortsLogsTheCountsAtDebugLevel)
{
    vt::log_capture log(5);
    const ladspa::plugin_desc hints(m_pFile.get(), at(4), 4);
    EXPECT_EQ("[DEBUG] plugin_desc::create_ports: plugin id=77005 port count: in=1, out=1, ctl-in=26\n", log.text());
}

// Every hint combination of the vt_hints plugin, by port name.
TEST_F(BasicLibrary, DefaultValuesForEveryHint)
{
    struct expectation {
        const char* pName;
        float f8000;
        float f44100;
    };
    const expectation expected[] = {
        {"none", 0.0f, 0.0f},
        {"none below", 2.0f, 2.0f},
        {"none above", 3.0f, 3.0f},
        {"none both", 2.0f, 2.0f},
        {"minimum", 2.0f, 2.0f},
        {"low", 25.75f, 25.75f},
        {"middle", 50.5f, 50.5f},
        {"high", 75.25f, 75.25f},
        {"maximum", 100.0f, 100.0f},
        {"low log", 3.16227766f, 3.16227766f},
        {"middle log", 10.0f, 10.0f},
        {"high log", 31.6227766f, 31.6227766f},
        {"zero", 0.0f, 0.0f},
        {"one", 1.0f, 1.0f},
        {"hundred", 100.0f, 100.0f},
        {"440", 440.0f, 440.0f},
        {"sr maximum", 4000.0f, 22050.0f},
        {"sr 440", 3520000.0f, 19404000.0f},
        {"sr one", 8000.0f, 44100.0f},
        {"sr hundred", 800000.0f, 4410000.0f},
        {"sr low", 1000.0f, 5512.5f},
        {"sr middle log", 400.0f, 2205.0f},
        {"reserved 0x300", 0.0f, 0.0f},
        {"reserved 0x3c0", 0.0f, 0.0f},
        {"integer toggled", 0.5f, 0.5f},
        {"no direction", 100.0f, 100.0f},
    };
    const ladspa::plugin_desc hints(m_pFile.get(), at(4), 4);
    const std::vector<ladspa::port_info>& ports = hints.input_control_ports();
    ASSERT_EQ(sizeof(expected) / sizeof(expected[0]), ports.size());
    for (std::size_t i = 0; i < ports.size(); ++i) {
        SCOPED_TRACE(ports[i].strName);
        EXPECT_EQ(expected[i].pName, ports[i].strName);
        EXPECT_FLOAT_EQ(expected[i].f8000, ports[i].default_value(8000));
        EXPECT_FLOAT_EQ(expected[i].f44100, ports[i].default_value(44100));
    }
}

TEST(PortInfo, LogarithmicMixRoundsEachLogarithmToFloat)
{
    ladspa::port_info port;
    port.nDescriptor = LADSPA_PORT_CONTROL | LADSPA_PORT_INPUT;
    port.hint = {LADSPA_HINT_LOGARITHMIC | LADSPA_HINT_DEFAULT_MIDDLE, 20.0f, 20000.0f};
    port.nIndex = 0;
    // With the logarithms kept in double the result would be 632.4555054.
    EXPECT_EQ(632.4554443359375f, port.default_value(8000));
    // A logarithmic default over a zero bound is whatever ln and exp give.
    port.hint = {LADSPA_HINT_LOGARITHMIC | LADSPA_HINT_DEFAULT_LOW, 0.0f, 100.0f};
    EXPECT_EQ(0.0f, port.default_value(8000));
}

TEST(LadspaFile, LoadsAndResolvesTheEntry)
{
    ladspa::file library(vt::c_strLib + "/vt_basic.so");
    EXPECT_EQ(nullptr, library.get_plugin(0));
    EXPECT_EQ(0U, library.load_count());
    ASSERT_TRUE(library.load());
    EXPECT_TRUE(library.is_open());
    EXPECT_EQ(1U, library.load_count());
    ASSERT_NE(nullptr, library.get_plugin(0));
    EXPECT_EQ(vt::c_nGain, library.get_plugin(0)->UniqueID);
    EXPECT_EQ(nullptr, library.get_plugin(7));
    // A second load keeps the handle and counts again; unload only counts.
    ASSERT_TRUE(library.load());
    EXPECT_EQ(2U, library.load_count());
    library.unload();
    library.unload();
    EXPECT_EQ(0U, library.load_count());
    EXPECT_TRUE(library.is_open());
}

TEST(LadspaFile, UnloadableLibraryLogsItsError)
{
    const std::string strPath = vt::c_strLib + "/not_a_library.so";
    std::string strSystem;
    sysport::shared_library probe;
    ASSERT_FALSE(probe.open(strPath, strSystem));

    ladspa::file library(strPath);
    vt::log_capture log(1);
    EXPECT_FALSE(library.load());
    EXPECT_EQ("[ERROR] file::load: Unadle to load LADSPA file '" + strPath + "': " + strSystem + " \n", log.text());
    EXPECT_EQ(0U, library.load_count());
}

TEST(LadspaFile, MissingEntryPointReleasesTheLibrary)
{
    const std::string strPath = vt::c_strLib + "/vt_nodesc.so";
    std::string strSystem;
    sysport::shared_library probe;
    ASSERT_TRUE(probe.open(strPath, strSystem));
    ASSERT_EQ(nullptr, probe.symbol("ladspa_descriptor", strSystem));

    ladspa::file library(strPath);
    {
        vt::log_capture silent(0);
        EXPECT_FALSE(library.load());
    }
    vt::log_capture log(1);
    EXPECT_FALSE(library.load());
    EXPECT_EQ("[ERROR] file::load: error finding ladspa_descriptor symbol in LADSPA file '" + strPath +
                  "': error msg \"" + strSystem + "\"\n",
              log.text());
    EXPECT_FALSE(library.is_open());
    EXPECT_EQ(nullptr, library.get_plugin(0));
}

TEST_F(BasicLibrary, LoadAndUnloadMoveBetweenActiveAndInactive)
{
    ladspa::plugin_desc gain(m_pFile.get(), at(0), 0);
    ASSERT_EQ(1U, m_pFile->load_count());
    gain.unload();  // not loaded through load(): stays active
    EXPECT_TRUE(gain.is_active());
    EXPECT_EQ(1U, m_pFile->load_count());
    {
        vt::log_capture log(5);
        gain.load();
        EXPECT_EQ("[DEBUG] plugin_desc::load: Plugin '" + vt::c_strLib +
                      "/vt_basic.so':77001 has been loaded and ready to use.\n\tPlugin label: 'vt_gain'\n\t Plugin "
                      "name: 'vt gain'\n\t       Maker: vocalith tests\n\t   Copyright: None\n\t  Port count: "
                      "total=5\n\n",
                  log.text());
    }
    EXPECT_EQ(1U, gain.load_count());
    EXPECT_EQ(2U, m_pFile->load_count());
    gain.load();  // already loaded: nothing happens
    EXPECT_EQ(2U, m_pFile->load_count());

    gain.unload();
    EXPECT_FALSE(gain.is_active());
    EXPECT_EQ(0U, gain.load_count());
    EXPECT_EQ(1U, m_pFile->load_count());

    gain.load();
    EXPECT_TRUE(gain.is_active());
    EXPECT_EQ(at(0), gain.descriptor());
}

TEST_F(BasicLibrary, LoadWarnsWhenTheIndexHasNoPlugin)
{
    // A plugin_desc whose index the library no longer serves.
    ladspa::plugin_desc stale(m_pFile.get(), at(0), 50);
    vt::log_capture log(2);
    stale.load();
    EXPECT_EQ("[WARN ] plugin_desc::activate: Unable to activate LADSPA plugin 77001 from '" + vt::c_strLib +
                  "/vt_basic.so'\n",
              log.text());
    EXPECT_FALSE(stale.is_active());
    EXPECT_EQ(0U, stale.load_count());
}

}  // namespace
