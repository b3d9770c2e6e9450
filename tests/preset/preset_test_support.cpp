#include "preset_test_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include "vocalith/app/preset_xml_parser.h"

namespace preset_test {

namespace {

std::string node_line(const char* pszVerb, bool bList, const char* pszName)
{
    return std::string(pszVerb) + (bList ? " list " : " node ") + pszName;
}

}  // namespace

void recording_formatter::begin_node(bool is_list, const char* name)
{
    calls.push_back(node_line("begin", is_list, name));
}

void recording_formatter::end_node(bool is_list, const char* name)
{
    calls.push_back(node_line("end", is_list, name));
}

void recording_formatter::write_string(const char* key, const char* value)
{
    calls.push_back(std::string("string ") + key + "=" + value);
}

void recording_formatter::write_uint(const char* key, unsigned int value)
{
    calls.push_back(std::string("uint ") + key + "=" + std::to_string(value));
}

void recording_formatter::write_ulong(const char* key, unsigned long value)
{
    calls.push_back(std::string("ulong ") + key + "=" + std::to_string(value));
}

void recording_formatter::write_float(const char* key, float value)
{
    std::ostringstream text;
    text << "float " << key << "=" << value;
    calls.push_back(text.str());
}

void recording_formatter::write_bool(const char* key, bool value)
{
    calls.push_back(std::string("bool ") + key + "=" + (value ? "1" : "0"));
}

std::vector<std::string> node_body(const std::vector<std::string>& calls, const std::string& strBegin,
                                   unsigned int nOccurrence)
{
    std::vector<std::string> body;
    std::size_t i = 0;
    for (unsigned int nSeen = 0; i < calls.size(); ++i) {
        if (calls[i] == strBegin && nSeen++ == nOccurrence) {
            break;
        }
    }
    const std::string strEnd = "end" + strBegin.substr(5);
    int nDepth = 0;
    for (++i; i < calls.size(); ++i) {
        if (nDepth == 0 && calls[i] == strEnd) {
            return body;
        }
        if (calls[i].compare(0, 6, "begin ") == 0) {
            ++nDepth;
        } else if (calls[i].compare(0, 4, "end ") == 0) {
            --nDepth;
        }
        body.push_back(calls[i]);
    }
    ADD_FAILURE() << "no complete node \"" << strBegin << "\" #" << nOccurrence;
    return body;
}

plugin_dir::plugin_dir(const std::vector<std::string>& libraries)
{
    char szTemplate[] = "/tmp/vocalith_preset_XXXXXX";
    if (mkdtemp(szTemplate) == nullptr) {
        ADD_FAILURE() << "cannot create a plugin directory";
        return;
    }
    m_strPath = szTemplate;
    for (const std::string& strLibrary : libraries) {
        const std::string strLink = m_strPath + "/" + strLibrary.substr(strLibrary.rfind('/') + 1);
        EXPECT_EQ(0, symlink(strLibrary.c_str(), strLink.c_str())) << strLibrary;
    }
}

plugin_dir::~plugin_dir()
{
    if (m_strPath.empty()) {
        return;
    }
    const std::string strCommand = "rm -rf '" + m_strPath + "'";
    EXPECT_EQ(0, std::system(strCommand.c_str()));
}

std::string system_plugin(const char* pszName)
{
    return std::string("/usr/lib/ladspa/") + pszName;
}

std::string data_path(const std::string& strName)
{
    return std::string(VOCALITH_SOURCE_DIR) + "/tests/data/presets/" + strName;
}

void settings_test::SetUp()
{
    m_saved = app::s_Global;
    app::s_Global.nChannelCount = 1;
    app::s_Global.nSampleRate = 8000;
    app::s_Global.nBlockSize = 64;
    app::s_Global.nLogLevel = 2;
    app::s_Global.strPresetDir.clear();
}

void settings_test::TearDown()
{
    app::s_Global = m_saved;
}

std::unique_ptr<plugin_dir> amp_test::s_pDir;
std::unique_ptr<ladspa::plugin_factory> amp_test::s_pFactory;

void amp_test::SetUpTestSuite()
{
    s_pDir.reset(new plugin_dir({system_plugin("amp.so")}));
    s_pFactory.reset(new ladspa::plugin_factory(s_pDir->path()));
}

void amp_test::TearDownTestSuite()
{
    s_pFactory.reset();
    s_pDir.reset();
}

std::shared_ptr<app::preset> amp_test::load_string(const std::string& strXml)
{
    app::preset_xml_parser parser(*s_pFactory);
    std::shared_ptr<app::preset> pPreset;
    try {
        pPreset = parser.load_from_string(strXml);
    } catch (const std::exception& error) {
        ADD_FAILURE() << "load_from_string threw: " << error.what();
    }
    return pPreset;
}

std::shared_ptr<app::preset> amp_test::amp_chain(const std::vector<float>& gains,
                                                 const std::vector<bool>& enabled)
{
    std::string strPlugins;
    for (std::size_t i = 0; i < gains.size(); ++i) {
        strPlugins += amp_plugin(c_nMonoAmp, enabled[i], {std::to_string(gains[i])});
    }
    return load_string(jackrack(strPlugins));
}

std::string jackrack(const std::string& strPlugins)
{
    return "<?xml version=\"1.0\"?>\n<jackrack><channels>1</channels><samplerate>8000</samplerate>" +
           strPlugins + "</jackrack>\n";
}

std::string amp_plugin(unsigned long nId, bool bEnabled, const std::vector<std::string>& values)
{
    std::string strPlugin = "<plugin><id>" + std::to_string(nId) + "</id><enabled>" +
                            (bEnabled ? "true" : "false") + "</enabled>";
    for (const std::string& strValue : values) {
        strPlugin += "<controlrow><value>" + strValue + "</value></controlrow>";
    }
    return strPlugin + "</plugin>";
}

}  // namespace preset_test
