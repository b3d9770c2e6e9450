// Documents written to harm the host: each is refused or read harmlessly,
// prints nothing and opens no other file.
#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "preset_test_support.h"
#include "vocalith/app/exception.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_xml_parser.h"

namespace preset_test {
namespace {

// Reports whether anything opened or read a file while it was watched.
class file_watch {
public:
    explicit file_watch(const std::string& strPath) : m_fd(inotify_init1(IN_NONBLOCK))
    {
        EXPECT_LE(0, m_fd);
        EXPECT_LE(0, inotify_add_watch(m_fd, strPath.c_str(), IN_OPEN | IN_ACCESS)) << strPath;
    }
    ~file_watch() { close(m_fd); }

    bool touched() const
    {
        char buffer[4096];
        return read(m_fd, buffer, sizeof(buffer)) > 0;
    }

private:
    int m_fd;
};

class HostilePreset : public preset_test {
protected:
    // Runs load and expects it either to throw app::exception or to give a
    // preset without entries. libxml2 prints nothing: the standard error
    // stream gets only the loader's own warnings, strLog.
    static void expect_refused_or_empty(const std::function<std::shared_ptr<app::preset>()>& load,
                                        bool bMustThrow, const std::string& strLog = "")
    {
        testing::internal::CaptureStderr();
        bool bThrown = false;
        try {
            const std::shared_ptr<app::preset> pPreset = load();
            EXPECT_TRUE(pPreset->plugins().empty());
        } catch (const app::exception&) {
            bThrown = true;
        }
        EXPECT_EQ(strLog, testing::internal::GetCapturedStderr());
        if (bMustThrow) {
            EXPECT_TRUE(bThrown);
        }
    }

    static std::shared_ptr<app::preset> load_text(const std::string& strXml)
    {
        app::preset_xml_parser parser(*s_pFactory);
        return parser.load_from_string(strXml);
    }

    static std::string read_all(const std::string& strPath)
    {
        std::ifstream stream(strPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    }

    // Writes strText to a file of the test's own and removes it again.
    struct temp_file {
        explicit temp_file(const std::string& strText)
            : strPath(std::string("/tmp/vocalith_hostile_") + std::to_string(getpid()) + ".xml")
        {
            std::ofstream(strPath, std::ios::binary) << strText;
        }
        ~temp_file() { std::remove(strPath.c_str()); }
        std::string strPath;
    };
};

TEST_F(HostilePreset, NestedEntitiesAreNeitherExpandedNorUsed)
{
    const std::string strPath = data_path("bad/billion_laughs.xml");
    expect_refused_or_empty([&] { return load_file(strPath); }, false);
    expect_refused_or_empty([&] { return load_text(read_all(strPath)); }, false);
}

TEST_F(HostilePreset, ExternalEntitiesAndDtdsAreNotRead)
{
    const std::string strPath = data_path("bad/external_entity.xml");
    const std::string strTarget = data_path("bad/external_entity_target.txt");
    const std::string strText = read_all(strPath);
    const std::string strAbsolute =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE jackrack SYSTEM \"file://" + strTarget +
        "\" [<!ENTITY ext SYSTEM \"file://" + strTarget + "\">]>\n<jackrack><plugin><id>&ext;</id></plugin></jackrack>";
    // The entity names a plugin that would load if its file were read; left
    // unexpanded, the "id" is empty.
    const std::string strUnknown = "[WARN ] An unknown plugin with ID=0 has been encountered, skipped\n";
    const std::string strIdFirst = "[WARN ] First child element for \"plugin\" must be \"id\"\n";
    file_watch watch(strTarget);
    expect_refused_or_empty([&] { return load_file(strPath); }, false, strUnknown + strIdFirst);
    expect_refused_or_empty([&] { return load_text(strText); }, false, strUnknown + strIdFirst);
    expect_refused_or_empty([&] { return load_text(strAbsolute); }, false, strUnknown);
    EXPECT_FALSE(watch.touched());
}

TEST_F(HostilePreset, DeepNestingIsRefused)
{
    std::string strXml = "<jackrack>";
    for (int i = 0; i < 100000; ++i) {
        strXml += "<plugin>";
    }
    for (int i = 0; i < 100000; ++i) {
        strXml += "</plugin>";
    }
    strXml += "</jackrack>";
    expect_refused_or_empty([&] { return load_text(strXml); }, true);
    temp_file file(strXml);
    expect_refused_or_empty([&] { return load_file(file.strPath); }, true);
}

TEST_F(HostilePreset, AHugeAttributeIsRefused)
{
    const std::string strXml = "<jackrack><plugin id=\"" + std::string(20u << 20, 'x') +
                               "\"><id>1048</id></plugin></jackrack>";
    expect_refused_or_empty([&] { return load_text(strXml); }, true);
}

TEST_F(HostilePreset, InvalidEncodingAndTruncationAreRefused)
{
    for (const char* pszName : {"bad/invalid_utf8.xml", "bad/truncated.xml"}) {
        const std::string strPath = data_path(pszName);
        expect_refused_or_empty([&] { return load_file(strPath); }, true);
        expect_refused_or_empty([&] { return load_text(read_all(strPath)); }, true);
    }
}

TEST_F(HostilePreset, TheParseErrorIsLoggedOnlyAtDebugLevel)
{
    app::s_Global.nLogLevel = 5;
    testing::internal::CaptureStderr();
    EXPECT_THROW(load_text("<jackrack><plugin></jackrack>"), app::exception);
    const std::string strLog = testing::internal::GetCapturedStderr();
    EXPECT_EQ(0u, strLog.find("[DEBUG] Create preset from string\n[DEBUG] libxml2: line 1: ")) << strLog;
    EXPECT_EQ('\n', strLog.back());
}

}  // namespace
}  // namespace preset_test
