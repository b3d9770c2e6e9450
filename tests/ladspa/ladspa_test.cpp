// The LADSPA host over the fixture plugins (tests/plugins/README.md): what a
// registry scan keeps, rejects and logs, the control defaults, and how each
// instance kind routes channels through its handles.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include "vocalith/app/exception.h"
#include "vocalith/app/globals.h"
#include "vocalith/ladspa/abstract_instance.h"
#include "vocalith/ladspa/file.h"
#include "vocalith/ladspa/plugin_factory.h"
#include "sysport/platform.h"
#include "sysport/runtime.h"
#include "../plugins/fixture_libraries.h"

namespace {
std::atomic<std::size_t> s_nAllocations{0};
}

// Replacements that count; they pair operator new with free by design.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t nSize)
{
    ++s_nAllocations;
    if (void* p = std::malloc(nSize != 0 ? nSize : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// The registry built from strPath at log level nLevel, with its log.
struct scan {
    scan(const std::string& strPath, unsigned int nLevel)
    {
        const unsigned int nSaved = app::s_Global.nLogLevel;
        app::s_Global.nLogLevel = nLevel;
        testing::internal::CaptureStderr();
        pRegistry.reset(new ladspa::plugin_factory(strPath));
        strLog = testing::internal::GetCapturedStderr();
        app::s_Global.nLogLevel = nSaved;
    }
    ladspa::plugin_desc& operator[](unsigned long nId) const
    {
        if (pRegistry->get(nId) == nullptr) throw std::out_of_range(std::to_string(nId) + " is not registered");
        return *pRegistry->get(nId);
    }
    template <class M>
    static std::vector<typename M::key_type> keys(const M& map)
    {
        std::vector<typename M::key_type> result;
        for (const auto& entry : map) result.push_back(entry.first);
        return result;
    }

    std::unique_ptr<ladspa::plugin_factory> pRegistry;
    std::string strLog;
};

std::string duplicate(unsigned long nId, const std::string& strKept, const std::string& strNew)
{
    return "[INFO ] plugin_factory::load_plugin: Plugin " + std::to_string(nId) + " exists in both '" + strKept +
           "' and '" + strNew + "'; using version in '" + strKept + "\n";
}

std::string rejected(unsigned long nId, const std::string& strName, bool bNoAudio)
{
    const std::string strId = std::to_string(nId);
    return "[WARN ] plugin_factory::check_ladspa_desc: LADSPA plugin id=" + strId + " '" + strName + "' " +
           (bNoAudio ? "has no input or output audio ports" : "lacks instantiate, connect_port or run") +
           "\n[WARN ] plugin_factory::check_ladspa_desc return false: LADSPA plugin id=" + strId + " [" +
           c_strHostileLib + "]:[" + strName + "] skipped\n";
}

// The loader's own text for a library that cannot be opened or has no entry.
std::string loader_error(const std::string& strPath)
{
    sysport::shared_library probe;
    std::string strError;
    if (probe.open(strPath, strError)) probe.symbol("ladspa_descriptor", strError);
    return strError;
}

TEST(Registry, ScanKeepsTheFirstOfEachIdAndLogsEveryRejectedEntry)
{
    const scan lib(c_strLib, 4);
    const std::string strText = sysport::join_path(c_strLib, "not_a_library.so");
    const std::string strNoDesc = sysport::join_path(c_strLib, "vt_nodesc.so");
    EXPECT_EQ("[ERROR] plugin_factory::load_plugin: error opening shared object file '" + strText + "': " +
                  loader_error(strText) +
                  "\n[ERROR] plugin_factory::load_plugin: error finding ladspa_descriptor symbol in object file '" +
                  strNoDesc + "': error msg \"" + loader_error(strNoDesc) + "\"\n",
              lib.strLog);
    EXPECT_EQ(std::vector<std::string>{c_strLibBasic}, scan::keys(lib.pRegistry->files()));
    EXPECT_EQ((std::vector<unsigned long>{77001, 77002, 77003, 77004, 77005}), scan::keys(lib.pRegistry->plugins()));
    // Loading counts on the file once; unloading what load() did not load does nothing.
    lib[77001].unload();
    EXPECT_EQ(0U, lib[77001].load_count());
    lib[77001].load();
    lib[77001].load();
    EXPECT_EQ(1U, lib[77001].get_file()->load_count());
    lib[77001].unload();
    EXPECT_FALSE(lib[77001].is_active());

    const std::string strFile = c_strHostileLib;
    const scan hostile(c_strHostile, 4);
    EXPECT_EQ(duplicate(77503, strFile, strFile) + rejected(77504, "hostile no ports", true) +
                  rejected(77511, "hostile no run", false),
              hostile.strLog);
    EXPECT_EQ((std::vector<unsigned long>{77501, 77502, 77503, 77505, 77506, 77508, 77509}),
              scan::keys(hostile.pRegistry->plugins()));
    EXPECT_EQ("hostile garbage", hostile[77503].name());
    // Null names are empty ones.
    EXPECT_EQ("", hostile[77506].name());
    EXPECT_EQ("", hostile[77506].input_ports().at(0).strName);
}

TEST(Registry, SearchPathOrderSeparatorsAndEnvironment)
{
    // The first library of an id in search order wins; ':' separates too
    // where it cannot follow a drive letter.
    const std::string strColon = std::strchr(sysport::search_list_separators(), ':') != nullptr ? ":" : ";";
    const scan altFirst(c_strAlt + strColon + c_strLib, 4);
    EXPECT_EQ(c_strAltBasic, altFirst[77001].filename());
    EXPECT_NE(std::string::npos,
              altFirst.strLog.find(duplicate(77005, c_strAltBasic, c_strLibBasic)));
    EXPECT_EQ(std::vector<std::string>{c_strAltBasic}, scan::keys(altFirst.pRegistry->files()));
    // A library already open is not opened again, even written with a
    // trailing slash; "." and other one-character entries are skipped.
    EXPECT_EQ("", scan(c_strAlt + ";" + c_strAlt + "/;.;/;;", 4).strLog);

    // LADSPA_PATH is read for an empty path only.
    sysport::set_environment("LADSPA_PATH", c_strAlt.c_str());
    EXPECT_EQ(c_strAltBasic, scan("", 0)[77001].filename());
    EXPECT_EQ(c_strLibBasic, scan(c_strLib, 0)[77001].filename());
    sysport::set_environment("LADSPA_PATH", nullptr);
}

TEST(PortInfo, DefaultsOfEveryHintCombination)
{
    const struct {
        const char* pName;
        float f8000;
        float f44100;
    } expected[] = {
        {"none", 0, 0}, {"none below", 2, 2}, {"none above", 3, 3}, {"none both", 2, 2}, {"minimum", 2, 2},
        {"low", 25.75f, 25.75f}, {"middle", 50.5f, 50.5f}, {"high", 75.25f, 75.25f}, {"maximum", 100, 100},
        {"low log", 3.16227766f, 3.16227766f}, {"middle log", 10, 10}, {"high log", 31.6227766f, 31.6227766f},
        {"zero", 0, 0}, {"one", 1, 1}, {"hundred", 100, 100}, {"440", 440, 440}, {"sr maximum", 4000, 22050},
        {"sr 440", 3520000, 19404000}, {"sr one", 8000, 44100}, {"sr hundred", 800000, 4410000},
        {"sr low", 1000, 5512.5f}, {"sr middle log", 400, 2205}, {"reserved 0x300", 0, 0},
        {"reserved 0x3c0", 0, 0}, {"integer toggled", 0.5f, 0.5f}, {"no direction", 100, 100},
    };
    const scan lib(c_strLib, 0);
    const std::vector<ladspa::port_info>& ports = lib[77005].input_control_ports();
    ASSERT_EQ(sizeof(expected) / sizeof(expected[0]), ports.size());
    for (std::size_t i = 0; i < ports.size(); ++i) {
        EXPECT_EQ(expected[i].pName, ports[i].strName);
        EXPECT_FLOAT_EQ(expected[i].f8000, ports[i].default_value(8000)) << ports[i].strName;
        EXPECT_FLOAT_EQ(expected[i].f44100, ports[i].default_value(44100)) << ports[i].strName;
    }
    // Each logarithm is rounded to float before the mix (632.4555054 in double).
    ladspa::port_info port;
    port.hint = {LADSPA_HINT_LOGARITHMIC | LADSPA_HINT_DEFAULT_MIDDLE, 20.0f, 20000.0f};
    EXPECT_EQ(632.4554443359375f, port.default_value(8000));
}

constexpr unsigned int c_nFrames = 37;  // fewer than a block, not a multiple of 8

std::unique_ptr<ladspa::abstract_instance> create(unsigned long nId, unsigned int nChannels)
{
    static const scan s_lib(c_strLib, 0);
    return s_lib[nId].create_instance(nChannels, 8000, 64);
}

// A distinct value for every channel and sample.
float in(unsigned int c, unsigned int t) { return 100.0f * static_cast<float>(c + 1) + static_cast<float>(t); }

// The input is read from its offset.
app::sample_buffer input(unsigned int nChannels)
{
    app::sample_buffer buffer(nChannels, 64 + 5);
    buffer.set_offset(5);
    for (unsigned int c = 0; c < nChannels; ++c) {
        for (unsigned int t = 0; t < c_nFrames; ++t) buffer.data(c)[t] = in(c, t);
    }
    return buffer;
}

TEST(Instances, EveryKindRoutesTheChannelsThroughItsHandlesWithoutAllocating)
{
    // Output channel c is the sum over input channels k of weights[c][k]
    // times input k, an empty row a channel nobody writes; then mixed half
    // and half with input c where there is one.
    const float f3 = 1.0f / 3.0f;
    const struct {
        unsigned long nId;
        unsigned int nChannels;     // built for
        unsigned int nRunChannels;  // given
        const char* pKind;
        unsigned int nHandles;
        std::vector<std::vector<float>> weights;
    } layouts[] = {
        {77001, 3, 3, "aggregate", 3, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
        {77002, 2, 2, "aggregate", 1, {{1, 10}, {2, 20}}},
        // One channel: both inputs read channel 0; the silent channel stays zero.
        {77002, 1, 1, "complex", 1, {{11}, {22}, {}}},
        // Three channels: the second handle reads channels 2 and 0.
        {77002, 3, 3, "complex", 2, {{1, 10, 0}, {2, 20, 0}, {10, 0, 1}, {20, 0, 2}, {}}},
        {77003, 1, 1, "pseudo_stereo", 1, {{1}, {2}}},
        // Output j averaged into channel j; the later handles' outputs stay.
        {77003, 3, 3, "pseudo_stereo", 3,
         {{f3, f3, f3}, {2 * f3, 2 * f3, 2 * f3}, {0, 1}, {0, 2}, {0, 0, 1}, {0, 0, 2}}},
        {77004, 1, 1, "complex", 1, {{11}, {}}},
        {77004, 2, 2, "complex", 1, {{1, 10}, {}, {}}},
        // Handle 1 reads channels 2 and 0; channel 2 has no writer, 3 is silent.
        {77004, 3, 3, "complex", 2, {{1, 10, 0}, {10, 0, 1}, {}, {}}},
        // Given more channels than it was built for, it wraps over them all.
        {77004, 3, 5, "complex", 2, {{1, 10}, {0, 0, 1, 10}, {}, {}}},
    };
    for (const auto& l : layouts) {
        SCOPED_TRACE(::testing::Message() << l.nId << " over " << l.nChannels << "/" << l.nRunChannels);
        std::unique_ptr<ladspa::abstract_instance> pInstance = create(l.nId, l.nChannels);
        const ladspa::abstract_instance& instance = *pInstance;
        EXPECT_NE(std::string::npos, std::string(typeid(instance).name()).find(std::string(l.pKind) + "_instance"));
        EXPECT_EQ(l.nHandles, pInstance->handle_count());
        app::sample_buffer buffer = input(l.nRunChannels);
        pInstance->wet_dry_enabled = true;
        pInstance->wet_dry_values = {0.5f};
        pInstance->activate();
        // The second run gives the same: nothing of the first run's mix stays
        // (in channels no handle writes, it would come back as an echo).
        for (int nRun = 0; nRun < 2; ++nRun) {
            const std::size_t nBefore = s_nAllocations;
            const app::sample_buffer& out = pInstance->run(buffer, c_nFrames);
            EXPECT_EQ(nBefore, s_nAllocations);
            ASSERT_EQ(l.weights.size(), out.channel_count());
            for (unsigned int c = 0; c < out.channel_count(); ++c) {
                for (unsigned int t = 0; t < c_nFrames; ++t) {
                    float fExpected = 0.0f;
                    for (unsigned int k = 0; k < l.weights[c].size(); ++k) fExpected += l.weights[c][k] * in(k, t);
                    fExpected = c < l.nRunChannels ? 0.5f * (fExpected + in(c, t)) : fExpected;
                    ASSERT_FLOAT_EQ(fExpected, out.data(c)[t]) << "run " << nRun << ", channel " << c << ", sample " << t;
                }
            }
        }
    }
}

TEST(Instances, ControlValuesAndLifecycleReachEveryHandle)
{
    // vt_gain's port_values: Gain, then the outputs Runs (-1 while the
    // handle is not active) and Last, written by the handle that ran last.
    std::unique_ptr<ladspa::abstract_instance> pInstance = create(77001, 2);
    pInstance->port_values[0] = 3.0f;
    app::sample_buffer buffer = input(2);
    EXPECT_EQ(3 * in(1, 4), pInstance->run(buffer, c_nFrames).data(1)[4]);
    EXPECT_EQ(in(1, c_nFrames - 1), pInstance->port_values[2]);
    EXPECT_EQ(-1.0f, pInstance->port_values[1]);
    pInstance->activate();
    pInstance->run(buffer, c_nFrames);
    pInstance->run(buffer, c_nFrames);
    EXPECT_EQ(2.0f, pInstance->port_values[1]);
    pInstance->deactivate();
    pInstance->run(buffer, c_nFrames);
    EXPECT_EQ(-1.0f, pInstance->port_values[1]);
}

TEST(Instances, HostilePluginsLeaveNoHandleAndNoPortUnconnected)
{
    const scan hostile(c_strHostile, 0);
    sysport::shared_library library;  // the registry's own, so its count of live handles
    std::string strError;
    ASSERT_TRUE(library.open(c_strHostileLib, strError));
    const auto pfnHandles = reinterpret_cast<int (*)()>(library.symbol("hostile_handles_in_use", strError));
    // 77509 makes one handle at a time: a stereo instance fails at its second.
    for (const unsigned long nId : {77501UL, 77509UL}) {
        try {
            hostile[nId].create_instance(2, 8000, 64);
            ADD_FAILURE() << nId << " instantiated";
        } catch (const app::exception& e) {
            EXPECT_NE(std::string::npos, std::string(e.what()).find(std::to_string(nId))) << e.what();
        }
        EXPECT_EQ(0, pfnHandles());
    }
    // 77505's output is NaN unless all its thousand controls are connected;
    // 77508 reads its gain at activation only.
    std::unique_ptr<ladspa::abstract_instance> pMany = hostile[77505].create_instance(2, 8000, 64);
    std::unique_ptr<ladspa::abstract_instance> pAtActivation = hostile[77508].create_instance(1, 8000, 64);
    pMany->port_values.at(999) = 0.5f;
    pAtActivation->port_values.at(0) = 0.25f;
    pAtActivation->activate();
    pAtActivation->port_values[0] = 7.0f;
    app::sample_buffer buffer = input(2);
    EXPECT_EQ(0.5f * in(1, 3), pMany->run(buffer, c_nFrames).data(1)[3]);
    EXPECT_EQ(0.25f * in(0, 3), pAtActivation->run(buffer, c_nFrames).data(0)[3]);
    EXPECT_EQ(3, pfnHandles());
}

}  // namespace
