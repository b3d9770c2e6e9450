#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ladspa_test_support.h"
#include "vocalith/ladspa/plugin_factory.h"
#include "vocalith/sysport/shared_library.h"

namespace {

namespace fs = std::filesystem;

const std::string c_strLib = vt::c_strLib;
const std::string c_strAlt = vt::c_strAltLib;

std::vector<std::string> file_paths(const ladspa::plugin_factory& registry)
{
    std::vector<std::string> paths;
    for (const auto& entry : registry.files()) {
        paths.push_back(entry.first);
    }
    return paths;
}

std::vector<unsigned long> plugin_ids(const ladspa::plugin_factory& registry)
{
    std::vector<unsigned long> ids;
    for (const auto& entry : registry.plugins()) {
        ids.push_back(entry.first);
    }
    return ids;
}

// The lines of a log that start with strPrefix.
std::vector<std::string> lines_starting(const std::string& strLog, const std::string& strPrefix)
{
    std::vector<std::string> lines;
    std::istringstream stream(strLog);
    for (std::string strLine; std::getline(stream, strLine);) {
        if (strLine.compare(0, strPrefix.size(), strPrefix) == 0) {
            lines.push_back(strLine);
        }
    }
    return lines;
}

std::string debug_scan(const std::string& strDir)
{
    return "[DEBUG] plugin_factory::load_from: find LADSPA plugins in '" + strDir + "' directory\n";
}

std::string duplicate(unsigned long nId, const std::string& strKept, const std::string& strNew)
{
    return "[INFO ] plugin_factory::load_plugin: Plugin " + std::to_string(nId) + " exists in both '" + strKept +
           "' and '" + strNew + "'; using version in '" + strKept + "\n";
}

std::string order_name(const ladspa::plugin_factory& registry)
{
    const ladspa::plugin_desc* pDesc = registry.get(vt::c_nOrder);
    return pDesc != nullptr ? pDesc->name() : "(missing)";
}

// The registry built from strPath at nLevel, with its log.
struct scan {
    scan(const std::string& strPath, unsigned int nLevel)
    {
        vt::log_capture log(nLevel);
        pRegistry.reset(new ladspa::plugin_factory(strPath));
        strLog = log.text();
    }
    std::unique_ptr<ladspa::plugin_factory> pRegistry;
    std::string strLog;
};

TEST(Registry, ScanOfTheFixtureDirectory)
{
    std::string strNotLibrary;
    std::string strNoEntry;
    {
        sysport::shared_library probe;
        ASSERT_FALSE(probe.open(c_strLib + "/not_a_library.so", strNotLibrary));
        ASSERT_TRUE(probe.open(c_strLib + "/vt_nodesc.so", strNoEntry));
        ASSERT_EQ(nullptr, probe.symbol("ladspa_descriptor", strNoEntry));
    }
    const std::string strRejects = c_strLib + "/vt_rejects.so";
    auto rejected = [&](unsigned long nId, const std::string& strName, const std::string& strWhy) {
        return "[WARN ] plugin_factory::check_ladspa_desc: LADSPA plugin id=" + std::to_string(nId) + " '" +
               strName + "' " + strWhy + "\n" +
               "[WARN ] plugin_factory::check_ladspa_desc return false: LADSPA plugin id=" + std::to_string(nId) +
               " [" + strRejects + "]:[" + strName + "] skipped\n";
    };
    const std::string strExpected =
        "[ERROR] plugin_factory::load_plugin: error opening shared object file '" + c_strLib +
        "/not_a_library.so': " + strNotLibrary + "\n" +
        duplicate(vt::c_nTwice, c_strLib + "/vt_dup_a.so", c_strLib + "/vt_dup_a.so") +
        duplicate(vt::c_nDup, c_strLib + "/vt_dup_a.so", c_strLib + "/vt_dup_b.so") +
        "[ERROR] plugin_factory::load_plugin: error finding ladspa_descriptor symbol in object file '" + c_strLib +
        "/vt_nodesc.so': error msg \"" + strNoEntry + "\"\n" +
        rejected(77101, "vt generator", "has no input or output audio ports") +
        rejected(77102, "vt analyser", "has no input or output audio ports") +
        rejected(77103, "vt no run", "lacks instantiate, connect_port or run") +
        rejected(77104, "vt no instantiate", "lacks instantiate, connect_port or run");

    const scan full(c_strLib, 4);
    EXPECT_EQ(strExpected, full.strLog);
    const ladspa::plugin_factory& registry = *full.pRegistry;

    // Only libraries with a registered plugin are kept.
    EXPECT_EQ((std::vector<std::string>{c_strLib + "/vt_basic.so", c_strLib + "/vt_dup_a.so",
                                        c_strLib + "/vt_order.so"}),
              file_paths(registry));
    EXPECT_EQ((std::vector<unsigned long>{77001, 77002, 77003, 77004, 77005, 77006, 77007, 77201, 77202, 77301}),
              plugin_ids(registry));
    EXPECT_EQ("vt dup in a", registry.get(vt::c_nDup)->name());
    EXPECT_EQ("vt twice first", registry.get(vt::c_nTwice)->name());
    EXPECT_EQ(1UL, registry.get(vt::c_nTwice)->file_index());
    EXPECT_EQ(c_strLib + "/vt_basic.so", registry.get(vt::c_nHints)->filename());
    EXPECT_EQ(registry.files().at(c_strLib + "/vt_basic.so").get(), registry.get(vt::c_nHints)->get_file());
    EXPECT_TRUE(registry.get(vt::c_nGain)->is_active());
    EXPECT_EQ(nullptr, registry.get(77101));
    EXPECT_EQ(nullptr, registry.get(0));

    // The levels: only errors at 1, nothing at 0, the directory at 5.
    EXPECT_EQ(lines_starting(strExpected, "[ERROR]"), lines_starting(scan(c_strLib, 1).strLog, ""));
    EXPECT_EQ("", scan(c_strLib, 0).strLog);
    const std::string strDebug = scan(c_strLib, 5).strLog;
    EXPECT_EQ(0U, strDebug.find(debug_scan(c_strLib))) << strDebug;
    EXPECT_EQ(10U, lines_starting(strDebug, "[DEBUG] plugin_desc::create_ports").size());
}

TEST(Registry, FirstInSearchOrderWins)
{
    EXPECT_EQ("vt order lib", order_name(*scan(c_strLib + ";" + c_strAlt, 0).pRegistry));
    // ':' separates entries too.
    const scan altFirst(c_strAlt + ":" + c_strLib, 4);
    EXPECT_EQ("vt order alt", order_name(*altFirst.pRegistry));
    EXPECT_NE(std::string::npos,
              altFirst.strLog.find(duplicate(vt::c_nOrder, c_strAlt + "/vt_order.so", c_strLib + "/vt_order.so")))
        << altFirst.strLog;
    EXPECT_EQ(0U, altFirst.pRegistry->files().count(c_strLib + "/vt_order.so"));
    EXPECT_EQ(1U, altFirst.pRegistry->files().count(c_strAlt + "/vt_order.so"));
}

TEST(Registry, ALibraryIsOpenedOncePerRegistry)
{
    // The same directory written twice, once with a trailing slash, gives the
    // same library paths: the second pass opens nothing.
    const scan twice(c_strAlt + ";" + c_strAlt + "/", 5);
    EXPECT_EQ(debug_scan(c_strAlt) +
                  "[DEBUG] plugin_desc::create_ports: plugin id=77301 port count: in=1, out=1, ctl-in=0\n" +
                  debug_scan(c_strAlt + "/"),
              twice.strLog);
    EXPECT_EQ((std::vector<std::string>{c_strAlt + "/vt_order.so"}), file_paths(*twice.pRegistry));

    // Scanning again without unloading opens nothing either.
    {
        vt::log_capture log(4);
        twice.pRegistry->load();
        EXPECT_EQ("", log.text());
    }
    EXPECT_EQ(1U, twice.pRegistry->plugins().size());

    // A different text for the same directory opens each library again;
    // its plugins are duplicates and the second handle is released.
    const scan dotted(c_strAlt + ";" + c_strAlt + "/.", 4);
    EXPECT_EQ(duplicate(vt::c_nOrder, c_strAlt + "/vt_order.so", c_strAlt + "/./vt_order.so"), dotted.strLog);
    EXPECT_EQ((std::vector<std::string>{c_strAlt + "/vt_order.so"}), file_paths(*dotted.pRegistry));
}

TEST(Registry, UnloadAndReload)
{
    const scan loaded(c_strLib, 0);
    ladspa::plugin_factory& registry = *loaded.pRegistry;
    const std::vector<unsigned long> ids = plugin_ids(registry);
    ASSERT_FALSE(ids.empty());

    registry.unload();
    EXPECT_TRUE(registry.plugins().empty());
    EXPECT_TRUE(registry.files().empty());
    EXPECT_EQ(nullptr, registry.get(vt::c_nGain));

    vt::log_capture quiet(0);
    registry.reload();
    EXPECT_EQ(ids, plugin_ids(registry));
    EXPECT_EQ(3U, registry.files().size());
    // Reloading a populated registry starts from empty.
    registry.reload();
    EXPECT_EQ(ids, plugin_ids(registry));
    EXPECT_EQ("vt dup in a", registry.get(vt::c_nDup)->name());
}

TEST(Registry, TrailingSlashAddsNoSecondSeparator)
{
    const scan slashed(c_strAlt + "/", 0);
    EXPECT_EQ((std::vector<std::string>{c_strAlt + "/vt_order.so"}), file_paths(*slashed.pRegistry));
    EXPECT_EQ(c_strAlt + "/vt_order.so", slashed.pRegistry->get(vt::c_nOrder)->filename());
}

TEST(Registry, DirectoriesThatCannotBeListedAreSkippedSilently)
{
    const fs::path empty = vt::scratch_dir("vocalith_empty");
    const scan missing(c_strLib + "/missing;" + empty.string() + ";" + c_strAlt, 5);
    EXPECT_EQ(std::vector<std::string>{debug_scan(c_strAlt).substr(0, debug_scan(c_strAlt).size() - 1)},
              lines_starting(missing.strLog, "[DEBUG] plugin_factory"));
    EXPECT_EQ(1U, missing.pRegistry->plugins().size());
    fs::remove(empty);
}

// Relative search paths, from a scratch directory holding links:
//   a -> lib, ab -> lib_alt, ladspa -> lib_alt.
class SearchPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = fs::current_path();
        m_dir = vt::scratch_dir("vocalith_search");
        fs::create_directory_symlink(c_strLib, m_dir / "a");
        fs::create_directory_symlink(c_strAlt, m_dir / "ab");
        fs::create_directory_symlink(c_strAlt, m_dir / "ladspa");
        fs::current_path(m_dir);

        const char* pEnv = std::getenv("LADSPA_PATH");
        m_bHadEnv = pEnv != nullptr;
        m_strEnv = m_bHadEnv ? pEnv : "";
    }
    void TearDown() override
    {
        if (m_bHadEnv) {
            setenv("LADSPA_PATH", m_strEnv.c_str(), 1);
        } else {
            unsetenv("LADSPA_PATH");
        }
        fs::current_path(m_saved);
        fs::remove_all(m_dir);
    }

    // The directories a scan of strPath went through, by their debug lines.
    static std::vector<std::string> scanned(const std::string& strPath)
    {
        const std::vector<std::string> lines = lines_starting(scan(strPath, 5).strLog, "[DEBUG] plugin_factory");
        std::vector<std::string> dirs;
        for (const std::string& strLine : lines) {
            const std::size_t nBegin = strLine.find('\'') + 1;
            dirs.push_back(strLine.substr(nBegin, strLine.rfind('\'') - nBegin));
        }
        return dirs;
    }

    fs::path m_saved;
    fs::path m_dir;
    bool m_bHadEnv = false;
    std::string m_strEnv;
};

TEST_F(SearchPath, ShortAndEmptySegmentsAreSkipped)
{
    typedef std::vector<std::string> dirs;
    EXPECT_EQ(dirs{"ab"}, scanned("a;;ab;"));
    EXPECT_EQ(dirs{"ab"}, scanned("ab"));
    EXPECT_EQ(dirs{}, scanned("a"));
    EXPECT_EQ(dirs{}, scanned(".;/;a;"));
    EXPECT_EQ((dirs{"ab", "./a"}), scanned(";ab::./a"));
    EXPECT_EQ((dirs{"./a"}), scanned("./a;"));

    const scan relative("a;;ab;", 0);
    EXPECT_EQ("vt order alt", order_name(*relative.pRegistry));
    EXPECT_EQ(nullptr, relative.pRegistry->get(vt::c_nGain));
    EXPECT_EQ("ab/vt_order.so", relative.pRegistry->get(vt::c_nOrder)->filename());
}

TEST_F(SearchPath, EnvironmentIsUsedOnlyForAnEmptyPath)
{
    typedef std::vector<std::string> dirs;
    setenv("LADSPA_PATH", (c_strLib + ":" + c_strAlt).c_str(), 1);
    EXPECT_EQ((dirs{c_strLib, c_strAlt}), scanned(""));
    EXPECT_EQ(dirs{"ab"}, scanned("ab"));

    // Set but empty: nothing is scanned and nothing logged.
    setenv("LADSPA_PATH", "", 1);
    const scan none("", 5);
    EXPECT_EQ("", none.strLog);
    EXPECT_TRUE(none.pRegistry->plugins().empty());
}

TEST_F(SearchPath, BuiltInListWithoutEnvironment)
{
    unsetenv("LADSPA_PATH");
    std::vector<std::string> expected = {"./ladspa"};
    for (const char* pDir : {"/usr/local/lib/ladspa", "/usr/lib/ladspa"}) {
        if (fs::is_directory(pDir) && !fs::is_empty(pDir)) {
            expected.push_back(pDir);
        }
    }
    EXPECT_EQ(expected, scanned(""));
    const scan builtIn("", 0);
    EXPECT_EQ("./ladspa/vt_order.so", builtIn.pRegistry->get(vt::c_nOrder)->filename());
}

}  // namespace
