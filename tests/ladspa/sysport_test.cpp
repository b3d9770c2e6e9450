#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "ladspa_test_support.h"
#include "sysport/platform.h"
#include "vocalith/sysport/shared_library.h"

namespace {

namespace fs = std::filesystem;

TEST(SharedLibrary, OpensResolvesAndReleases)
{
    sysport::shared_library library;
    std::string strError;
    ASSERT_TRUE(library.open(vt::c_strLib + "/vt_basic.so", strError)) << strError;
    EXPECT_TRUE(library.is_open());
    EXPECT_NE(nullptr, library.symbol("ladspa_descriptor", strError));

    EXPECT_EQ(nullptr, library.symbol("no_such_symbol", strError));
    EXPECT_NE(std::string::npos, strError.find("no_such_symbol")) << strError;

    sysport::shared_library moved(std::move(library));
    EXPECT_FALSE(library.is_open());
    EXPECT_TRUE(moved.is_open());
    moved.release();
    EXPECT_FALSE(moved.is_open());
    EXPECT_EQ(nullptr, moved.symbol("ladspa_descriptor", strError));
}

TEST(SharedLibrary, ReportsTheLoaderText)
{
    sysport::shared_library library;
    std::string strError;
    const std::string strMissing = vt::c_strLib + "/missing.so";
    EXPECT_FALSE(library.open(strMissing, strError));
    EXPECT_FALSE(library.is_open());
    EXPECT_NE(std::string::npos, strError.find(strMissing)) << strError;

    strError.clear();
    EXPECT_FALSE(library.open(vt::c_strLib + "/not_a_library.so", strError));
    EXPECT_FALSE(strError.empty());
}

class DirectoryListing : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = vt::scratch_dir("vocalith_listing");
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void touch(const std::string& strName) { std::ofstream(m_dir / strName) << "x"; }

    std::vector<std::string> list_all(sysport::directory_iterator& entries)
    {
        std::vector<std::string> names;
        for (std::string strName = entries.next(); !strName.empty(); strName = entries.next()) {
            names.push_back(strName);
        }
        return names;
    }

    fs::path m_dir;
};

TEST_F(DirectoryListing, ListsEveryEntryInByteOrder)
{
    for (const char* pName : {"b.so", "a.so", "Z.txt", ".hidden", "_x"}) {
        touch(pName);
    }
    fs::create_directory(m_dir / "sub");
    sysport::directory_iterator entries;
    ASSERT_TRUE(entries.open(m_dir.string()));
    const std::vector<std::string> expected = {".hidden", "Z.txt", "_x", "a.so", "b.so", "sub"};
    EXPECT_EQ(expected, list_all(entries));
    // Exhausted listings stay closed.
    EXPECT_EQ("", entries.next());
}

TEST_F(DirectoryListing, FailsOnMissingOrEmptyDirectories)
{
    sysport::directory_iterator entries;
    EXPECT_FALSE(entries.open(m_dir.string()));
    EXPECT_EQ("", entries.next());
    EXPECT_FALSE(entries.open((m_dir / "missing").string()));
    EXPECT_FALSE(entries.open(""));
}

TEST(PlatformConventions, JoinsWithOneSlash)
{
    EXPECT_EQ("dir/name", sysport::join_path("dir", "name"));
    EXPECT_EQ("dir/name", sysport::join_path("dir/", "name"));
    EXPECT_EQ("/name", sysport::join_path("/", "name"));
    // A backslash is an ordinary character here.
    EXPECT_EQ("dir\\/name", sysport::join_path("dir\\", "name"));
}

}  // namespace
