#include "vocalith/ladspa/plugin_factory.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "api/log.h"
#include "sysport/platform.h"

namespace ladspa {

namespace {

const char* text_or_empty(const char* pText)
{
    return pText != nullptr ? pText : "";
}

// The list to walk: the given path, else LADSPA_PATH, else the built-in
// list, always closed by a separator. An empty LADSPA_PATH scans nothing.
std::string search_list(const std::string& strPath)
{
    std::string strList = strPath;
    if (strList.empty()) {
        const char* pEnv = std::getenv("LADSPA_PATH");
        strList = pEnv != nullptr ? pEnv : sysport::default_search_list();
    }
    const char* pSeparators = sysport::search_list_separators();
    if (strList.empty() || std::strchr(pSeparators, strList.back()) == nullptr) {
        strList += ';';
    }
    return strList;
}

// Why check_ladspa_desc refuses a descriptor, for the skipped list.
std::string reject_reason(const LADSPA_Descriptor* pDesc)
{
    unsigned long nInputs = 0;
    unsigned long nOutputs = 0;
    for (unsigned long i = 0; pDesc->PortDescriptors != nullptr && i < pDesc->PortCount; ++i) {
        if (LADSPA_IS_PORT_AUDIO(pDesc->PortDescriptors[i])) {
            ++(LADSPA_IS_PORT_INPUT(pDesc->PortDescriptors[i]) ? nInputs : nOutputs);
        }
    }
    if (nInputs == 0 && nOutputs == 0) {
        return "no audio ports";
    }
    if (nInputs == 0) {
        return "no audio input: a generator";
    }
    if (nOutputs == 0) {
        return "no audio output: an analyser";
    }
    return "lacks instantiate, connect_port or run";
}

}  // namespace

plugin_factory::plugin_factory(const std::string& strPath) : m_strPath(strPath)
{
    load();
}

plugin_factory::~plugin_factory()
{
    unload();
}

plugin_factory::plugin_factory(const std::string& strPath, const std::vector<std::string>& libraries)
    : m_strPath(strPath)
{
    const sysport::error_mode_scope noDialogs;
    for (const std::string& strLibrary : libraries) {
        load_plugin(strLibrary);
    }
}

std::vector<std::string> plugin_factory::directories(const std::string& strPath)
{
    const std::string strList = search_list(strPath);
    const char* pSeparators = sysport::search_list_separators();
    std::vector<std::string> dirs;
    std::size_t nStart = 0;
    for (std::size_t nPos = strList.find_first_of(pSeparators); nPos != std::string::npos;
         nPos = strList.find_first_of(pSeparators, nStart)) {
        // Empty and one-character segments ("." among them) are skipped.
        if (nPos - nStart >= 2) {
            dirs.push_back(strList.substr(nStart, nPos - nStart));
        }
        nStart = nPos + 1;
    }
    return dirs;
}

std::vector<std::string> plugin_factory::search_directories() const
{
    return directories(m_strPath);
}

void plugin_factory::load()
{
    for (const std::string& strDir : directories(m_strPath)) {
        load_from(strDir);
    }
}

void plugin_factory::reload()
{
    unload();
    load();
}

void plugin_factory::unload()
{
    // Descriptors point into the libraries' code: they go first.
    m_plugins.clear();
    m_files.clear();
    m_skipped.clear();
}

plugin_desc* plugin_factory::get(unsigned long nId) const
{
    const plugin_map::const_iterator it = m_plugins.find(nId);
    return it != m_plugins.end() ? it->second.get() : nullptr;
}

void plugin_factory::load_from(const std::string& strDir)
{
    sysport::directory_iterator entries;
    if (!entries.open(strDir)) {
        return;
    }
    LOG_DEBUG("plugin_factory::load_from: find LADSPA plugins in '%s' directory\n", strDir.c_str());
    const sysport::error_mode_scope noDialogs;
    for (std::string strName = entries.next(); !strName.empty(); strName = entries.next()) {
        load_plugin(sysport::join_path(strDir, strName));
    }
}

void plugin_factory::load_plugin(const std::string& strPath)
{
    const file_map::const_iterator known = m_files.find(strPath);
    if (known != m_files.end() && known->second) {
        return;
    }
    sysport::shared_library library;
    std::string strError;
    if (!library.open(strPath, strError)) {
        LOG_ERROR("plugin_factory::load_plugin: error opening shared object file '%s': %s\n", strPath.c_str(),
                  strError.c_str());
        m_skipped.push_back(skipped_entry{strPath, 0, std::string(), "cannot be loaded: " + strError});
        return;
    }
    void* pSymbol = library.symbol("ladspa_descriptor", strError);
    if (pSymbol == nullptr) {
        LOG_ERROR("plugin_factory::load_plugin: error finding ladspa_descriptor symbol in object file '%s': "
                  "error msg \"%s\"\n",
                  strPath.c_str(), strError.c_str());
        m_skipped.push_back(skipped_entry{strPath, 0, std::string(), "has no ladspa_descriptor: " + strError});
        return;
    }
    const descriptor_function pEntry = reinterpret_cast<descriptor_function>(pSymbol);
    file* pFile = nullptr;
    for (unsigned long i = 0;; ++i) {
        const LADSPA_Descriptor* pDesc = pEntry(i);
        if (pDesc == nullptr) {
            break;
        }
        if (!check_ladspa_desc(pDesc)) {
            LOG_WARN("plugin_factory::check_ladspa_desc return false: LADSPA plugin id=%lu [%s]:[%s] skipped\n",
                     pDesc->UniqueID, strPath.c_str(), text_or_empty(pDesc->Name));
            m_skipped.push_back(
                skipped_entry{strPath, pDesc->UniqueID, text_or_empty(pDesc->Label), reject_reason(pDesc)});
            continue;
        }
        const plugin_desc* pKnown = get(pDesc->UniqueID);
        if (pKnown != nullptr) {
            // The first plugin of an id in search order stays.
            LOG_INFO("plugin_factory::load_plugin: Plugin %ld exists in both '%s' and '%s'; using version in "
                     "'%s\n",
                     static_cast<long>(pDesc->UniqueID), pKnown->filename().c_str(), strPath.c_str(),
                     pKnown->filename().c_str());
            continue;
        }
        if (pFile == nullptr) {
            std::unique_ptr<file>& slot = m_files[strPath];
            slot.reset(new file(strPath, std::move(library)));
            slot->set_entry(pEntry);
            pFile = slot.get();
        }
        m_plugins[pDesc->UniqueID].reset(new plugin_desc(pFile, pDesc, i));
    }
    // A library none of whose plugins was taken is released with `library`.
}

bool plugin_factory::check_ladspa_desc(const LADSPA_Descriptor* pDesc) const
{
    if (pDesc == nullptr) {
        return false;
    }
    unsigned long nInputs = 0;
    unsigned long nOutputs = 0;
    for (unsigned long i = 0; pDesc->PortDescriptors != nullptr && i < pDesc->PortCount; ++i) {
        const LADSPA_PortDescriptor nPort = pDesc->PortDescriptors[i];
        if (LADSPA_IS_PORT_AUDIO(nPort)) {
            ++(LADSPA_IS_PORT_INPUT(nPort) ? nInputs : nOutputs);
        }
    }
    if (nInputs == 0 || nOutputs == 0) {
        LOG_WARN("plugin_factory::check_ladspa_desc: LADSPA plugin id=%lu '%s' has no input or output audio ports\n",
                 pDesc->UniqueID, text_or_empty(pDesc->Name));
        return false;
    }
    if (pDesc->instantiate == nullptr || pDesc->connect_port == nullptr || pDesc->run == nullptr) {
        LOG_WARN("plugin_factory::check_ladspa_desc: LADSPA plugin id=%lu '%s' lacks instantiate, connect_port "
                 "or run\n",
                 pDesc->UniqueID, text_or_empty(pDesc->Name));
        return false;
    }
    return true;
}

}  // namespace ladspa
