#include "preset_source.h"

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include "common.h"
#include "vocalith/ladspa/plugin_index.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_xml_parser.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace tool {

static bool is_readable_file(const std::string& strPath)
{
    return !strPath.empty() && ::access(strPath.c_str(), R_OK) == 0 && strPath.back() != '/';
}

std::string resolve_preset(const std::string& strArg, const std::string& strDir)
{
    if (is_readable_file(strArg)) {
        return strArg;
    }
    // A path with a directory part names a file; only bare names are looked up.
    if (!std::filesystem::path(strArg).has_parent_path() && !strDir.empty()) {
        const std::string strBase = (std::filesystem::path(strDir) / strArg).string();
        for (const char* pszSuffix : {"", ".xml", ".xml.gz", ".rack"}) {
            std::string strPath = strBase + pszSuffix;
            if (is_readable_file(strPath)) {
                return strPath;
            }
        }
        throw error(format("preset '%s' not found (no such file, nor in %s)", strArg.c_str(), strDir.c_str()));
    }
    throw error(format("preset '%s' not found", strArg.c_str()));
}

namespace {
// Frees a libxml2 document however the scan ends.
struct xml_doc {
    explicit xml_doc(xmlDocPtr p) : pDoc(p) {}
    ~xml_doc()
    {
        if (pDoc) {
            xmlFreeDoc(pDoc);
        }
    }
    xmlDocPtr pDoc;
};

// libxml2's first complaint about a document, which says where it breaks.
struct first_xml_error {
    bool bSeen = false;
    int nLine = 0;
    int nColumn = 0;
    std::string strMessage;
};

void keep_first_error(void* pData, xmlError* pError)
{
    first_xml_error& first = *static_cast<first_xml_error*>(pData);
    if (first.bSeen || pError == nullptr || pError->message == nullptr || pError->domain == XML_FROM_IO ||
        pError->level < XML_ERR_ERROR) {
        return;
    }
    first.bSeen = true;
    first.nLine = pError->line;
    first.nColumn = pError->int2;
    first.strMessage = pError->message;
    while (!first.strMessage.empty() && std::isspace(static_cast<unsigned char>(first.strMessage.back()))) {
        first.strMessage.pop_back();
    }
}

bool is_element(xmlNodePtr pNode, const char* pszName)
{
    return pNode->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(pNode->name), pszName) == 0;
}
}  // namespace

std::vector<unsigned long> preset_plugin_ids(const std::string& strPath)
{
    // No network, no entities, no messages of libxml2's own: the loader
    // reports nothing more either, and a broken file gets one clear line here.
    first_xml_error first;
    xmlSetStructuredErrorFunc(&first, keep_first_error);
    xml_doc doc(xmlReadFile(strPath.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    if (!doc.pDoc && first.bSeen) {
        throw error(format("%s:%d:%d: not a readable XML document: %s", strPath.c_str(), first.nLine, first.nColumn,
                           first.strMessage.c_str()));
    }
    if (!doc.pDoc) {
        throw error(format("%s: not a readable XML document", strPath.c_str()));
    }
    xmlNodePtr pRoot = xmlDocGetRootElement(doc.pDoc);
    if (!pRoot || !is_element(pRoot, "jackrack")) {
        throw error(format("%s: not a preset (the root element is '%s', not 'jackrack')", strPath.c_str(),
                           pRoot ? reinterpret_cast<const char*>(pRoot->name) : ""));
    }
    std::vector<unsigned long> ids;
    for (xmlNodePtr pPlugin = pRoot->children; pPlugin; pPlugin = pPlugin->next) {
        if (!is_element(pPlugin, "plugin")) {
            continue;
        }
        for (xmlNodePtr pId = pPlugin->children; pId; pId = pId->next) {
            if (is_element(pId, "id")) {
                xmlChar* pszText = xmlNodeGetContent(pId);
                ids.push_back(std::strtoul(reinterpret_cast<const char*>(pszText), nullptr, 10));
                xmlFree(pszText);
            }
        }
    }
    return ids;
}

static std::string search_path(const ladspa::plugin_factory& factory)
{
    if (!factory.path().empty()) {
        return factory.path();
    }
    const char* pszEnv = std::getenv("LADSPA_PATH");
    return pszEnv ? pszEnv : "the built-in list";
}

std::unique_ptr<ladspa::plugin_factory> registry_for_preset(const std::string& strArg, const std::string& strDir,
                                                            const std::string& strLadspaPath)
{
    return ladspa::plugin_index::open_registry(strLadspaPath, preset_plugin_ids(resolve_preset(strArg, strDir)),
                                               ladspa::plugin_index::default_file());
}

std::shared_ptr<app::preset> load_preset(const std::string& strArg, const std::string& strDir,
                                         ladspa::plugin_factory& factory)
{
    std::string strPath = resolve_preset(strArg, strDir);
    for (unsigned long nId : preset_plugin_ids(strPath)) {
        if (!factory.get(nId)) {
            throw error(format("%s: needs LADSPA plugin %lu, which is not on the search path '%s'",
                               strPath.c_str(), nId, search_path(factory).c_str()));
        }
    }
    return app::preset_xml_parser(factory).load(strPath);
}

}  // namespace tool
