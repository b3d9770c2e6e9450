#include "vocalith/app/preset_xml_parser.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <cstring>
#include <memory>

#include "api/format_message.h"
#include "api/log.h"
#include "preset/load_observer.h"
#include "preset/xml_positions.h"
#include "vocalith/app/exception.h"
#include "vocalith/app/globals.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_xml_handler.h"

namespace app {

namespace {

// No network, no entity expansion, no external DTD, libxml2's size and
// depth limits kept, and nothing printed by libxml2 itself. Its
// process-wide handlers and settings belong to the host and stay untouched.
const int c_nParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// Where the errors below say they come from.
const char c_szFileErrorSource[] = "preset_xml_parser";
const char c_szMemoryErrorSource[] = "..\\..\\..\\..\\src\\preset_xml_parser";
const unsigned int c_nFileErrorLine = 30;
const unsigned int c_nMemoryErrorLine = 38;
const unsigned int c_nNotPresetErrorLine = 155;

struct doc_deleter {
    void operator()(xmlDoc* pDoc) const { xmlFreeDoc(pDoc); }
};
typedef std::unique_ptr<xmlDoc, doc_deleter> doc_ptr;

// libxml2 reports a failed encoding conversion (a document that declares
// UTF-32, say) through its generic error handler even with
// XML_PARSE_NOERROR. That handler is kept per thread: it is silenced for the
// length of one parse and the host's is put back.
class quiet_generic_errors {
public:
    quiet_generic_errors() : m_pfnSaved(xmlGenericError), m_pSavedContext(xmlGenericErrorContext)
    {
        xmlSetGenericErrorFunc(nullptr, ignore);
    }
    ~quiet_generic_errors() { xmlSetGenericErrorFunc(m_pSavedContext, m_pfnSaved); }
    quiet_generic_errors(const quiet_generic_errors&) = delete;
    quiet_generic_errors& operator=(const quiet_generic_errors&) = delete;

private:
    static void ignore(void*, const char*, ...) {}

    xmlGenericErrorFunc m_pfnSaved;
    void* m_pSavedContext;
};

// libxml2 keeps the text of the latest error per thread; it is only read.
void log_parse_error()
{
    if (!log::enabled(log::debug)) {
        return;
    }
    const xmlError* pError = xmlGetLastError();
    if (pError == nullptr || pError->message == nullptr) {
        return;
    }
    std::size_t nLength = std::strlen(pError->message);
    while (nLength > 0 && (pError->message[nLength - 1] == '\n' || pError->message[nLength - 1] == '\r')) {
        --nLength;
    }
    LOG_DEBUG("libxml2: line %d: %.*s\n", pError->line, static_cast<int>(nLength), pError->message);
}

doc_ptr read_file(const std::string& strPath, load_observer* pObserver)
{
    // libxml2 takes "-" for the standard input, which is never a preset.
    const char* pszPath = strPath == "-" ? "./-" : strPath.c_str();
    const quiet_generic_errors quiet;
    doc_ptr pDoc(pObserver != nullptr ? read_file_noting_positions(pszPath, c_nParseOptions, *pObserver)
                                      : xmlReadFile(pszPath, nullptr, c_nParseOptions));
    if (!pDoc) {
        log_parse_error();
    }
    return pDoc;
}

std::string preset_dir_path(const std::string& strFile)
{
    std::string strPath = s_Global.strPresetDir;
    if (strPath.back() != '/') {
        strPath += '/';
    }
    return strPath + strFile;
}

// Only when someone listens: a load without a hook and below the note
// level reads the document exactly as before.
std::unique_ptr<load_observer> make_observer(preset_diagnostics* pHook)
{
    if (pHook == nullptr && !log::enabled(log::note)) {
        return nullptr;
    }
    return std::unique_ptr<load_observer>(new load_observer(pHook));
}

}  // namespace

preset_xml_parser::preset_xml_parser(ladspa::plugin_factory& factory)
    : m_factory(factory), m_bFixedFormat(false), m_format(stream_format::current()), m_pDiagnostics(nullptr)
{
}

preset_xml_parser::preset_xml_parser(ladspa::plugin_factory& factory, const stream_format& format)
    : m_factory(factory), m_bFixedFormat(true), m_format(format), m_pDiagnostics(nullptr)
{
}

stream_format preset_xml_parser::current_format() const
{
    return m_bFixedFormat ? m_format : stream_format::current();
}

std::shared_ptr<preset> preset_xml_parser::load(const std::string& filename)
{
    LOG_DEBUG("Create preset from file %s\n", filename.c_str());
    std::shared_ptr<preset> pPreset = std::make_shared<preset>(filename);
    const std::unique_ptr<load_observer> pObserver = make_observer(m_pDiagnostics);
    doc_ptr pDoc = read_file(filename, pObserver.get());
    if (!pDoc && !s_Global.strPresetDir.empty()) {
        pDoc = read_file(preset_dir_path(filename), pObserver.get());
    }
    if (!pDoc) {
        throw exception(exit_code::Unspecified,
                        format_message("Unable to parse preset XML file '%s'", filename.c_str()).c_str(),
                        c_szFileErrorSource, c_nFileErrorLine);
    }
    {
        preset_xml_handler handler(m_factory, pPreset, current_format());
        handler.m_pObserver = pObserver.get();
        parse_children(pDoc->children, handler);
    }
    return pPreset;
}

std::shared_ptr<preset> preset_xml_parser::load_from_string(const std::string& xml)
{
    LOG_DEBUG("Create preset from string\n");
    std::shared_ptr<preset> pPreset = std::make_shared<preset>();
    const std::unique_ptr<load_observer> pObserver = make_observer(m_pDiagnostics);
    doc_ptr pDoc;
    if (pObserver) {
        const quiet_generic_errors quiet;
        pDoc.reset(read_memory_noting_positions(xml, c_nParseOptions, *pObserver));
    } else if (xml.size() <= static_cast<std::string::size_type>(INT_MAX)) {
        const quiet_generic_errors quiet;
        pDoc.reset(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                 c_nParseOptions));
    }
    if (!pDoc) {
        log_parse_error();
        throw exception(exit_code::Unspecified, "Unable to parse preset XML from memory",
                        c_szMemoryErrorSource, c_nMemoryErrorLine);
    }
    const xmlNode* pFirst = pDoc->children;
    if (pFirst == nullptr || pFirst->name == nullptr ||
        std::strcmp(reinterpret_cast<const char*>(pFirst->name), "jackrack") != 0) {
        throw exception(exit_code::Unspecified, "The xml document is not a preset", c_szMemoryErrorSource,
                        c_nNotPresetErrorLine);
    }
    {
        preset_xml_handler handler(m_factory, pPreset, current_format());
        handler.m_pObserver = pObserver.get();
        parse_children(pDoc->children, handler);
    }
    return pPreset;
}

void preset_xml_parser::parse_children(xmlNode* pNode, preset_xml_handler& handler)
{
    // libxml2 refuses documents nested deeper than a few hundred levels, so
    // the recursion stays shallow.
    for (; pNode != nullptr; pNode = pNode->next) {
        if (pNode->type == XML_ELEMENT_NODE) {
            const char* pszName = reinterpret_cast<const char*>(pNode->name);
            if (handler.m_pObserver != nullptr) {
                handler.m_pObserver->at_node(pNode);
            }
            handler.startElement(pszName);
            if (pNode->children != nullptr) {
                parse_children(pNode->children, handler);
            }
            if (handler.m_pObserver != nullptr) {
                handler.m_pObserver->at_node(pNode);
            }
            handler.endElement(pszName);
        } else if (pNode->type == XML_TEXT_NODE) {
            xmlChar* pContent = xmlNodeGetContent(pNode);
            if (pContent != nullptr) {
                const char* pszText = reinterpret_cast<const char*>(pContent);
                handler.characters(pszText, static_cast<unsigned int>(std::strlen(pszText)));
                xmlFree(pContent);
            }
        }
    }
}

}  // namespace app
