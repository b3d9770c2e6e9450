#include "preset/xml_positions.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <cstring>
#include <memory>

#include "preset/load_observer.h"

namespace app {

namespace {

struct sax_relay {
    startElementNsSAX2Func pfnStart;
    load_observer* pObserver;
    bool bErrorSeen;  // the first error is the one that explains the rest
};

// Called with the cursor on the start tag's closing "/>" or ">"; attribute
// values cannot hold a raw '<', so the nearest one before it opens the tag.
preset_position tag_start(const xmlParserInput& in)
{
    const xmlChar* pLt = in.cur;
    while (pLt > in.base && *pLt != '<') {
        --pLt;
    }
    unsigned int nBreaks = 0;
    for (const xmlChar* p = pLt; p < in.cur; ++p) {
        nBreaks += *p == '\n' ? 1 : 0;
    }
    const xmlChar* pLineStart = pLt;
    while (pLineStart > in.base && pLineStart[-1] != '\n') {
        --pLineStart;
    }
    const long nBack = static_cast<long>(in.cur - pLt);
    unsigned int nColumn = static_cast<unsigned int>(pLt - pLineStart + 1);
    // The buffer may start past the line's beginning; libxml2's own column
    // then counts.
    if (pLineStart == in.base && nBreaks == 0 && in.col > nBack) {
        nColumn = static_cast<unsigned int>(in.col - nBack);
    }
    return preset_position{static_cast<unsigned int>(in.line > static_cast<int>(nBreaks) ? in.line - nBreaks : 1),
                           nColumn};
}

void start_element(void* pContext, const xmlChar* pszLocal, const xmlChar* pszPrefix, const xmlChar* pszUri,
                   int nNamespaces, const xmlChar** ppNamespaces, int nAttributes, int nDefaulted,
                   const xmlChar** ppAttributes)
{
    xmlParserCtxt* pCtxt = static_cast<xmlParserCtxt*>(pContext);
    const sax_relay& relay = *static_cast<const sax_relay*>(pCtxt->_private);
    relay.pfnStart(pContext, pszLocal, pszPrefix, pszUri, nNamespaces, ppNamespaces, nAttributes, nDefaulted,
                   ppAttributes);
    if (pCtxt->node != nullptr && pCtxt->input != nullptr) {
        relay.pObserver->remember(pCtxt->node, tag_start(*pCtxt->input));
    }
}

// libxml2 hands structured errors to the context's handler, which
// XML_PARSE_NOERROR leaves in place; nothing is printed.
void first_error(void* pData, xmlError* pError)
{
    xmlParserCtxt* pCtxt = static_cast<xmlParserCtxt*>(pData);
    sax_relay* pRelay = pCtxt != nullptr ? static_cast<sax_relay*>(pCtxt->_private) : nullptr;
    if (pRelay == nullptr || pRelay->bErrorSeen || pError == nullptr || pError->domain == XML_FROM_IO ||
        pError->message == nullptr || pError->level < XML_ERR_ERROR) {
        return;
    }
    pRelay->bErrorSeen = true;
    std::string strMessage(pError->message);
    while (!strMessage.empty() && (strMessage.back() == '\n' || strMessage.back() == '\r')) {
        strMessage.pop_back();
    }
    pRelay->pObserver->document_error(strMessage.c_str(), preset_position{static_cast<unsigned int>(pError->line),
                                                                           static_cast<unsigned int>(pError->int2)});
}

struct context_deleter {
    void operator()(xmlParserCtxt* pCtxt) const { xmlFreeParserCtxt(pCtxt); }
};

template <typename Read>
xmlDoc* read_noting(load_observer& observer, Read read)
{
    std::unique_ptr<xmlParserCtxt, context_deleter> pCtxt(xmlNewParserCtxt());
    if (!pCtxt || pCtxt->sax == nullptr) {
        return nullptr;
    }
    sax_relay relay{pCtxt->sax->startElementNs, &observer, false};
    pCtxt->sax->startElementNs = start_element;
    pCtxt->sax->serror = first_error;
    pCtxt->_private = &relay;
    return read(pCtxt.get());
}

}  // namespace

xmlDoc* read_file_noting_positions(const std::string& strPath, int nOptions, load_observer& observer)
{
    return read_noting(observer, [&](xmlParserCtxt* pCtxt) {
        return xmlCtxtReadFile(pCtxt, strPath.c_str(), nullptr, nOptions);
    });
}

xmlDoc* read_memory_noting_positions(const std::string& strXml, int nOptions, load_observer& observer)
{
    if (strXml.size() > static_cast<std::string::size_type>(INT_MAX)) {
        return nullptr;
    }
    return read_noting(observer, [&](xmlParserCtxt* pCtxt) {
        return xmlCtxtReadMemory(pCtxt, strXml.data(), static_cast<int>(strXml.size()), nullptr, nullptr, nOptions);
    });
}

}  // namespace app
