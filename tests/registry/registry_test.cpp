// The registry every converter of a search path shares, and the index of
// plugin ids per library that lets the command open only what a preset needs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "api/converter.h"
#include "vocalith/ladspa/plugin_index.h"
#include "ladspa/registry_cache.h"
#include "sysport/platform.h"
#include "sysport/runtime.h"
#include "../globals_guard.h"
#include "../plugins/fixture_libraries.h"
#include "vocalith/app/data_sink.h"
#include "vocalith/app/globals.h"
#include "vocalith/codec/id.h"

// Debian's caps.so deletes an object of its own with a mismatched size when
// it is unloaded at exit; that is the plugin's fault, not one to stop on.
extern "C" const char* __asan_default_options()
{
    return "new_delete_type_mismatch=0";
}

namespace {

namespace fs = std::filesystem;

// vt_gain (77001) at gain 0.5.
const char* const c_pHalf =
    "<jackrack><plugin><id>77001</id><enabled>true</enabled><controlrow><value>0.5</value></controlrow></plugin>"
    "</jackrack>";

// What identifies a registered plugin: its library, its place there and the
// descriptor the loaded library hands out.
typedef std::map<unsigned long, std::tuple<std::string, unsigned long, const void*, std::string>> plugin_view;

plugin_view view(const ladspa::plugin_factory& registry)
{
    plugin_view result;
    for (const auto& plugin : registry.plugins()) {
        const ladspa::plugin_desc& desc = *plugin.second;
        result[plugin.first] = std::make_tuple(desc.filename(), desc.file_index(), desc.descriptor(), desc.name());
    }
    return result;
}

std::vector<std::string> libraries(const ladspa::plugin_factory& registry)
{
    std::vector<std::string> result;
    for (const auto& file : registry.files()) result.push_back(file.first);
    return result;
}

// A scratch plugin directory whose stamps the test sets, so that no change
// falls within the file system's timestamp granularity.
struct plugin_dir {
    plugin_dir() : strPath(sysport::make_temp_dir("vocalith_registry_")), strRetired(strPath + ".old") {}
    ~plugin_dir()
    {
        // Libraries the shared registry still holds cannot be deleted on
        // Windows; the run's temporary folder keeps them there.
        std::error_code error;
        fs::remove_all(strPath, error);
        fs::remove_all(strRetired, error);
    }
    // Puts a copy of strFrom at strName the way package managers do (a new
    // file renamed over the old; a library in use is moved aside first, since
    // Windows renames a loaded library but never replaces it), then dates the
    // file and the directory nSeconds after an hour ago.
    void put(const std::string& strFrom, const std::string& strName, int nSeconds)
    {
        const std::string strTarget = sysport::join_path(strPath, strName);
        fs::copy_file(strFrom, sysport::join_path(strPath, "new.tmp"), fs::copy_options::overwrite_existing);
        if (fs::exists(strTarget)) {
            fs::create_directories(strRetired);
            fs::rename(strTarget, sysport::join_path(strRetired, std::to_string(nRetired++)));
        }
        fs::rename(sysport::join_path(strPath, "new.tmp"), strTarget);
        date(strName, nSeconds);
        date("", nSeconds);
    }
    void date(const std::string& strName, int nSeconds)
    {
        ASSERT_TRUE(sysport::set_modified_time(strPath + "/" + strName, std::time(nullptr) - 3600 + nSeconds));
    }
    std::string strPath;
    std::string strRetired;
    unsigned int nRetired = 0;
};

struct quiet : globals_guard {
    explicit quiet(unsigned int nLevel = 0) { app::s_Global.nLogLevel = nLevel; }
};

// A mono 8 kHz converter at the default block over a preset text.
struct conv : app::converter {
    explicit conv(const char* pPreset) : app::converter(pPreset, source::text, app::stream_format{1, 8000, 256}) {}
};

// Collects the engine's output.
struct collect : app::data_sink {
    void write(const void* pData, unsigned int nSize) override
    {
        bytes.append(static_cast<const char*>(pData), nSize);
    }
    std::string bytes;
};

// One block of 16-bit samples through a converter; true when every output
// sample is half its input.
bool halves(app::converter& conv, std::int16_t nBase)
{
    std::int16_t in[256];
    // Even samples: half of each is exact in every codec step.
    for (int i = 0; i < 256; ++i) in[i] = static_cast<std::int16_t>(2 * (nBase + i));
    collect out;
    conv.engine().process(out, in, sizeof in, conv.get_codec(codec::id_pcm_int16le, codec::id_pcm_int16le));
    if (out.bytes.size() != sizeof in) return false;
    const std::int16_t* pOut = reinterpret_cast<const std::int16_t*>(out.bytes.data());
    for (int i = 0; i < 256; ++i) {
        if (pOut[i] != in[i] / 2) return false;
    }
    return true;
}

TEST(SharedRegistry, GivesEveryConverterWhatItsOwnScanWould)
{
    const quiet silence;
    for (const std::string& strPath : {std::string(VOCALITH_SDK_PLUGIN_DIR),
                                       c_strAlt + ";" + c_strLib + ";" + c_strHostile,
                                       c_strLib + ":" + c_strAlt + ";" + c_strLib + "/", std::string()}) {
        SCOPED_TRACE(strPath);
        sysport::set_environment("LADSPA_PATH", (c_strHostile + ";" + c_strAlt).c_str());
        const std::shared_ptr<ladspa::plugin_factory> pShared = ladspa::registry_cache::instance().get(strPath);
        const ladspa::plugin_factory own(strPath);
        sysport::set_environment("LADSPA_PATH", nullptr);
        EXPECT_GT(own.plugins().size(), 4u);
        // Map equality: every plugin of one is in the other, and back.
        EXPECT_EQ(view(own), view(*pShared));
        EXPECT_EQ(libraries(own), libraries(*pShared));
    }
}

TEST(SharedRegistry, ScannedOnceUntilADirectoryChanges)
{
    const quiet errorsOnly(1);
    plugin_dir dir;
    dir.put(c_strLibBasic, "fx.so", 0);
    dir.put(sysport::join_path(c_strLib, "not_a_library.so"), "text.so", 10);
    app::s_Global.strLadspaDir = dir.strPath;
    ladspa::registry_cache& cache = ladspa::registry_cache::instance();
    const std::uint64_t nScans = cache.scan_count();

    testing::internal::CaptureStderr();
    std::unique_ptr<conv> pFirst(new conv(c_pHalf));
    std::unique_ptr<conv> pSecond(new conv(c_pHalf));
    const std::string strLog = testing::internal::GetCapturedStderr();
    app::s_Global.nLogLevel = 0;
    // The scan's error line once, not once per converter.
    EXPECT_EQ(1u, std::count(strLog.begin(), strLog.end(), '\n')) << strLog;
    EXPECT_NE(std::string::npos, strLog.find("text.so"));
    EXPECT_EQ(nScans + 1, cache.scan_count());
    EXPECT_EQ(&pFirst->engine().get_ladspa_factory(), &pSecond->engine().get_ladspa_factory());

    // A new entry changes the directory: the next converter gets a new scan,
    // while the first goes on with the plugins it has.
    dir.put(c_strHostileLib, "more.so", 20);
    conv third(c_pHalf);
    EXPECT_EQ(nScans + 2, cache.scan_count());
    ASSERT_NE(nullptr, third.engine().get_ladspa_factory().get(77502));
    EXPECT_EQ(nullptr, pFirst->engine().get_ladspa_factory().get(77502));
    EXPECT_TRUE(halves(*pFirst, 100));
    EXPECT_TRUE(halves(third, -300));
    pFirst.reset();
    pSecond.reset();
}

TEST(SharedRegistry, ALibraryReplacedBetweenTwoCreationsIsSeenByTheSecond)
{
    const quiet silence;
    plugin_dir dir;
    dir.put(c_strLibBasic, "fx.so", 0);
    ladspa::registry_cache& cache = ladspa::registry_cache::instance();
    // Another path's registry holding the same file, unused: dropped too.
    app::s_Global.strLadspaDir = dir.strPath + "/";
    { const conv other(c_pHalf); }
    app::s_Global.strLadspaDir = dir.strPath;
    {
        conv before(c_pHalf);
        EXPECT_TRUE(halves(before, 0));
    }
    dir.put(c_strHostileLib, "fx.so", 30);
    conv after("<jackrack></jackrack>");
    const ladspa::plugin_factory& changed = after.engine().get_ladspa_factory();
    EXPECT_EQ(nullptr, changed.get(77001));
    ASSERT_NE(nullptr, changed.get(77502));
    EXPECT_EQ(sysport::join_path(dir.strPath, "fx.so"), changed.get(77502)->filename());

    // Only the directory's stamp counts: a file rewritten in place is not
    // looked at again while the directory keeps its date.
    dir.date("fx.so", 40);
    dir.date("", 30);
    const std::uint64_t nBefore = cache.scan_count();
    conv same("<jackrack></jackrack>");
    EXPECT_EQ(nBefore, cache.scan_count());
    EXPECT_EQ(&changed, &same.engine().get_ladspa_factory());
}

// Four threads create and destroy converters while a fifth converts through
// one it holds; a creator now and then changes the directory's stamp, so
// scans replace the shared registry under converters that still use it.
TEST(SharedRegistry, ConvertersMadeOnFourThreadsWhileAFifthConverts)
{
    const quiet silence;
    plugin_dir dir;
    dir.put(c_strLibBasic, "fx.so", 0);
    app::s_Global.strLadspaDir = dir.strPath;
    // 10 s by default; VOCALITH_STRESS_SECONDS shortens or lengthens the run.
    const char* pSeconds = std::getenv("VOCALITH_STRESS_SECONDS");
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(pSeconds ? std::atoi(pSeconds) : 10);
    std::atomic<bool> bStop{false};
    std::atomic<unsigned> nCreated{0}, nWrong{0}, nConverted{0};

    conv steady(c_pHalf);
    std::thread converting([&] {
        for (std::int16_t nBase = 0; !bStop; nBase = static_cast<std::int16_t>(nBase + 7), ++nConverted) {
            if (!halves(steady, nBase)) ++nWrong;
        }
    });
    std::vector<std::thread> creators;
    for (int nThread = 0; nThread < 4; ++nThread) {
        creators.emplace_back([&, nThread] {
            for (int i = 0; std::chrono::steady_clock::now() < end; ++i) {
                conv conv(c_pHalf);
                if (!halves(conv, static_cast<std::int16_t>(i))) ++nWrong;
                ++nCreated;
                if (nThread == 0 && i % 50 == 49) dir.date("", i);
            }
        });
    }
    for (std::thread& creator : creators) creator.join();
    bStop = true;
    converting.join();
    EXPECT_EQ(0u, nWrong.load());
    EXPECT_GT(nCreated.load(), 100u);
    EXPECT_GT(nConverted.load(), 100u);
}

TEST(PluginIndex, OpensTheFirstHolderOfEachIdInSearchOrder)
{
    const quiet silence;
    ladspa::plugin_index index("");
    const std::string strAltFirst = c_strAlt + ";" + c_strHostile + ";" + c_strLib;
    EXPECT_EQ((std::vector<std::string>{c_strAltBasic, c_strHostileLib}),
              index.libraries_for(strAltFirst, {77502, 77001, 99999, 77005}));
    EXPECT_EQ(std::vector<std::string>{c_strLibBasic},
              index.libraries_for(c_strLib + ";" + c_strAlt, {77001, 77003}));
    EXPECT_EQ(std::vector<std::string>(), index.libraries_for(c_strLib, {77504}));  // rejected: never registered

    // For the ids asked, what a full scan registers.
    const std::unique_ptr<ladspa::plugin_factory> pSome =
        ladspa::plugin_index::open_registry(strAltFirst, {77001, 77509}, "");
    const ladspa::plugin_factory full(strAltFirst);
    for (unsigned long nId : {77001, 77509}) {
        ASSERT_NE(nullptr, pSome->get(nId));
        EXPECT_EQ(full.get(nId)->filename(), pSome->get(nId)->filename());
        EXPECT_EQ(full.get(nId)->file_index(), pSome->get(nId)->file_index());
    }
    EXPECT_EQ(2u, pSome->files().size());
}

TEST(PluginIndex, KeptInAFileAndReprobedOnlyForChangedLibraries)
{
    const quiet silence;
    plugin_dir dir, cache;
    dir.put(c_strLibBasic, "a.so", 0);
    dir.put(c_strHostileLib, "b.so", 0);
    dir.put(sysport::join_path(c_strLib, "not_a_library.so"), "c.so", 0);
    const std::string strFile = cache.strPath + "/vocalith/plugin-index";
    const std::string strA = sysport::join_path(dir.strPath, "a.so");
    const std::vector<std::string> both{strA, sysport::join_path(dir.strPath, "b.so")};
    {
        ladspa::plugin_index index(strFile);
        EXPECT_EQ(both, index.libraries_for(dir.strPath, {77502, 77001, 99999}));
        EXPECT_EQ(3u, index.probe_count());
        EXPECT_TRUE(index.save());
    }
    {
        ladspa::plugin_index index(strFile);
        EXPECT_EQ(both, index.libraries_for(dir.strPath, {77502, 77001, 99999}));
        EXPECT_EQ(0u, index.probe_count());
    }
    // b.so replaced by a copy of a.so: its stamp changed, so it is opened
    // again, and 77001 now has two holders of which a.so comes first.
    dir.put(c_strLibBasic, "b.so", 5);
    {
        ladspa::plugin_index index(strFile);
        EXPECT_EQ(std::vector<std::string>{strA},
                  index.libraries_for(dir.strPath, {77001, 77002, 77502}));
        EXPECT_EQ(1u, index.probe_count());
        EXPECT_TRUE(index.save());
    }
    // A damaged file is an empty index; an index that cannot be written is
    // no failure of the lookup.
    std::ofstream(strFile) << "vocalith plugin index 1\n12 x\n";
    ladspa::plugin_index damaged(strFile);
    EXPECT_EQ(std::vector<std::string>{strA}, damaged.libraries_for(dir.strPath, {77001}));
    EXPECT_EQ(1u, damaged.probe_count());
    ladspa::plugin_index unwritable(dir.strPath + "/a.so/plugin-index");
    EXPECT_EQ(std::vector<std::string>{strA}, unwritable.libraries_for(dir.strPath, {77001}));
    EXPECT_FALSE(unwritable.save());
}

}  // namespace
