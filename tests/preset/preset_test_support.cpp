#include "preset_test_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <iterator>
#include <sstream>

#include "vocalith/app/preset_xml_parser.h"

namespace preset_test {

namespace {

void add_call(std::vector<std::string>& calls, const char* pszKind, const char* pszKey, const std::string& strValue)
{
    calls.push_back(std::string(pszKind) + " " + pszKey + "=" + strValue);
}

const char* const c_libraries[] = {VOCALITH_BINARY_DIR "/tests/plugins/lib/vt_basic.so", "/usr/lib/ladspa/amp.so",
                                   "/usr/lib/ladspa/delay.so", "/usr/lib/ladspa/fad_delay_1192.so"};

}  // namespace

void recording_formatter::begin_node(bool is_list, const char* name)
{
    calls.push_back(std::string("begin ") + (is_list ? "list " : "node ") + name);
}

void recording_formatter::end_node(bool is_list, const char* name)
{
    calls.push_back(std::string("end ") + (is_list ? "list " : "node ") + name);
}

void recording_formatter::write_string(const char* key, const char* value)
{
    add_call(calls, "string", key, value);
}

void recording_formatter::write_uint(const char* key, unsigned int value)
{
    add_call(calls, "uint", key, std::to_string(value));
}

void recording_formatter::write_ulong(const char* key, unsigned long value)
{
    add_call(calls, "ulong", key, std::to_string(value));
}

void recording_formatter::write_float(const char* key, float value)
{
    std::ostringstream text;
    text << value;
    add_call(calls, "float", key, text.str());
}

void recording_formatter::write_bool(const char* key, bool value)
{
    add_call(calls, "bool", key, value ? "1" : "0");
}

std::vector<std::string> describe(const app::preset& preset)
{
    recording_formatter formatter;
    preset.describe(formatter);
    return formatter.calls;
}

std::vector<std::string> node_body(const std::vector<std::string>& calls, const std::string& strBegin,
                                   unsigned int nOccurrence)
{
    std::size_t i = 0;
    for (unsigned int nSeen = 0; i < calls.size(); ++i) {
        if (calls[i] == strBegin && nSeen++ == nOccurrence) {
            break;
        }
    }
    const std::string strEnd = "end" + strBegin.substr(5);
    std::vector<std::string> body;
    int nDepth = 0;
    for (++i; i < calls.size(); ++i) {
        if (nDepth == 0 && calls[i] == strEnd) {
            return body;
        }
        nDepth += calls[i].compare(0, 6, "begin ") == 0 ? 1 : calls[i].compare(0, 4, "end ") == 0 ? -1 : 0;
        body.push_back(calls[i]);
    }
    ADD_FAILURE() << "no complete node \"" << strBegin << "\" #" << nOccurrence;
    return body;
}

std::string jackrack(const std::string& strPlugins)
{
    return "<?xml version=\"1.0\"?>\n<jackrack><channels>1</channels><samplerate>8000</samplerate>" + strPlugins +
           "</jackrack>\n";
}

std::string plugin(unsigned long nId, bool bEnabled, const std::vector<std::string>& values)
{
    std::string strPlugin =
        "<plugin><id>" + std::to_string(nId) + "</id><enabled>" + (bEnabled ? "true" : "false") + "</enabled>";
    for (const std::string& strValue : values) {
        strPlugin += "<controlrow><value>" + strValue + "</value></controlrow>";
    }
    return strPlugin + "</plugin>";
}

std::string data_path(const std::string& strName)
{
    return std::string(VOCALITH_SOURCE_DIR) + "/tests/data/presets/" + strName;
}

std::string preset_test::s_strPluginDir;
std::unique_ptr<ladspa::plugin_factory> preset_test::s_pFactory;

void preset_test::SetUpTestSuite()
{
    // A directory of links, so that the registry opens these libraries only.
    char szTemplate[] = "/tmp/vocalith_preset_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(szTemplate));
    s_strPluginDir = szTemplate;
    for (const char* pszLibrary : c_libraries) {
        const std::string strName = std::string(pszLibrary).substr(std::string(pszLibrary).rfind('/'));
        EXPECT_EQ(0, symlink(pszLibrary, (s_strPluginDir + strName).c_str())) << pszLibrary;
    }
    s_pFactory.reset(new ladspa::plugin_factory(s_strPluginDir));
}

void preset_test::TearDownTestSuite()
{
    s_pFactory.reset();
    for (const char* pszLibrary : c_libraries) {
        unlink((s_strPluginDir + std::string(pszLibrary).substr(std::string(pszLibrary).rfind('/'))).c_str());
    }
    rmdir(s_strPluginDir.c_str());
}

void preset_test::SetUp()
{
    m_saved = app::s_Global;
    app::s_Global.nChannelCount = 1;
    app::s_Global.nSampleRate = 8000;
    app::s_Global.nBlockSize = 64;
    app::s_Global.nLogLevel = 2;
    app::s_Global.strPresetDir.clear();
    for (unsigned long nId : {c_nGain, c_nHints, c_nMonoAmp, c_nDelay}) {
        ASSERT_NE(nullptr, s_pFactory->get(nId)) << "plugin " << nId << " missing from " << s_strPluginDir;
    }
}

void preset_test::TearDown()
{
    app::s_Global = m_saved;
}

std::shared_ptr<app::preset> preset_test::load_string(const std::string& strXml)
{
    try {
        app::preset_xml_parser parser(*s_pFactory);
        return parser.load_from_string(strXml);
    } catch (const std::exception& error) {
        ADD_FAILURE() << "load_from_string threw: " << error.what();
    }
    return nullptr;
}

std::shared_ptr<app::preset> preset_test::load_file(const std::string& strPath)
{
    app::preset_xml_parser parser(*s_pFactory);
    return parser.load(strPath);
}

const app::preset::ladspa_instance& preset_test::entry(const app::preset& preset, unsigned int nIndex)
{
    return *std::next(preset.plugins().begin(), nIndex);
}

}  // namespace preset_test
