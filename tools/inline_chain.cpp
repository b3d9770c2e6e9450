#include "inline_chain.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <tuple>
#include <utility>

#include <CLI/CLI.hpp>

#include "common.h"
#include "vocalith/ladspa/plugin_desc.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace tool {

namespace {

typedef std::vector<std::pair<std::string, std::string>> settings;

std::string lower(std::string str)
{
    for (char& c : str) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return str;
}

bool all_digits(const std::string& str)
{
    return !str.empty() && str.find_first_not_of("0123456789") == std::string::npos;
}

std::string unquoted(const std::string& str)
{
    return str.size() >= 2 && str.front() == '"' && str.back() == '"' ? str.substr(1, str.size() - 2) : str;
}

// The first c outside double quotes at or after nFrom, or npos.
std::size_t find_outside_quotes(const std::string& str, char c, std::size_t nFrom = 0)
{
    bool bQuoted = false;
    for (std::size_t i = nFrom; i < str.size(); ++i) {
        if (str[i] == '"') {
            bQuoted = !bQuoted;
        } else if (str[i] == c && !bQuoted) {
            return i;
        }
    }
    return std::string::npos;
}

// PLUGIN[:PORT=VALUE,...]; a plugin given as LIBRARY:LABEL keeps its colon,
// since the settings start after the last colon before the first '='.
std::pair<std::string, settings> split_spec(const std::string& strSpec)
{
    const std::size_t nEquals = find_outside_quotes(strSpec, '=');
    if (nEquals == std::string::npos) {
        std::string strPlugin = strSpec;
        if (!strPlugin.empty() && strPlugin.back() == ':') {
            strPlugin.pop_back();
        }
        return {strPlugin, settings()};
    }
    std::size_t nColon = std::string::npos;
    for (std::size_t i = find_outside_quotes(strSpec, ':'); i < nEquals; i = find_outside_quotes(strSpec, ':', i + 1)) {
        nColon = i;
    }
    if (nColon == std::string::npos) {
        throw usage_error(format("-e %s: name the plugin before its ports (PLUGIN:PORT=VALUE,...)", strSpec.c_str()));
    }
    settings values;
    for (std::size_t nStart = nColon + 1; nStart <= strSpec.size();) {
        std::size_t nEnd = find_outside_quotes(strSpec, ',', nStart);
        nEnd = nEnd == std::string::npos ? strSpec.size() : nEnd;
        const std::string strItem = strSpec.substr(nStart, nEnd - nStart);
        const std::size_t nItemEquals = find_outside_quotes(strItem, '=');
        if (nItemEquals == std::string::npos || nItemEquals == 0) {
            throw usage_error(format("-e %s: '%s' is not PORT=VALUE", strSpec.c_str(), strItem.c_str()));
        }
        values.emplace_back(unquoted(strItem.substr(0, nItemEquals)), strItem.substr(nItemEquals + 1));
        nStart = nEnd + 1;
    }
    return {strSpec.substr(0, nColon), values};
}

std::string base_name(const std::string& strPath)
{
    const std::size_t nSlash = strPath.find_last_of("/\\");
    return nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}

bool names_library(const std::string& strLibrary, const ladspa::plugin_desc& plugin)
{
    const std::string strBase = base_name(plugin.filename());
    const std::size_t nDot = strBase.rfind('.');
    return strLibrary == plugin.filename() || strLibrary == strBase ||
           (nDot != std::string::npos && strLibrary == strBase.substr(0, nDot));
}

// Position of the plugin's directory in the search list (one past the end
// when none matches), for ranking plugins of one label.
std::size_t directory_rank(const ladspa::plugin_desc& plugin, const std::vector<std::string>& dirs)
{
    const std::string& strFile = plugin.filename();
    const std::string strDir = strFile.substr(0, strFile.size() - base_name(strFile).size());
    for (std::size_t i = 0; i < dirs.size(); ++i) {
        if (dirs[i] == strDir || dirs[i] + "/" == strDir || dirs[i] + "\\" == strDir) {
            return i;
        }
    }
    return dirs.size();
}

const ladspa::port_info& find_port(const ladspa::plugin_desc& plugin, const std::string& strPort,
                                   const std::string& strSpec)
{
    const std::vector<ladspa::port_info>& ports = plugin.input_control_ports();
    std::string strKnown;
    for (const ladspa::port_info& port : ports) {
        strKnown += (strKnown.empty() ? "" : ", ") + std::to_string(port.nIndex) + " '" + port.strName + "'";
    }
    const std::string strWant = lower(strPort);
    // Exact names first, then unique beginnings, then unique parts.
    for (int nPass = 0; nPass < 3; ++nPass) {
        std::vector<const ladspa::port_info*> matches;
        for (const ladspa::port_info& port : ports) {
            const std::string strName = lower(port.strName);
            const std::size_t nAt = strName.find(strWant);
            const bool bIndex = nPass == 0 && all_digits(strPort) && std::to_string(port.nIndex) == strPort;
            if (bIndex || (nPass == 0 ? strName == strWant : nPass == 1 ? nAt == 0 : nAt != std::string::npos)) {
                matches.push_back(&port);
            }
        }
        if (matches.size() == 1) {
            return *matches.front();
        }
        if (matches.size() > 1) {
            throw usage_error(format("-e %s: port '%s' could be any of several control inputs: %s", strSpec.c_str(),
                                     strPort.c_str(), strKnown.c_str()));
        }
    }
    throw usage_error(format("-e %s: %s has no control input '%s' (its control inputs: %s)", strSpec.c_str(),
                             plugin_label(plugin).c_str(), strPort.c_str(),
                             strKnown.empty() ? "none" : strKnown.c_str()));
}

float parse_value(const std::string& strText, const std::string& strSpec)
{
    char* pszEnd = nullptr;
    const double fValue = std::strtod(strText.c_str(), &pszEnd);
    const bool bBlankFirst = !strText.empty() && std::isspace(static_cast<unsigned char>(strText[0]));
    if (strText.empty() || bBlankFirst || *pszEnd != '\0' || !std::isfinite(fValue)) {
        throw usage_error(format("-e %s: '%s' is not a number", strSpec.c_str(), strText.c_str()));
    }
    return static_cast<float>(fValue);
}

// The fewest digits that read back as the same float.
std::string float_text(float fValue)
{
    char text[32];
    for (int nDigits = 6; nDigits <= 9; ++nDigits) {
        std::snprintf(text, sizeof(text), "%.*g", nDigits, static_cast<double>(fValue));
        if (std::strtof(text, nullptr) == fValue) {
            break;
        }
    }
    return text;
}

}  // namespace

std::string plugin_label(const ladspa::plugin_desc& plugin)
{
    return plugin.descriptor() != nullptr && plugin.descriptor()->Label != nullptr ? plugin.descriptor()->Label : "";
}

std::string searched_directories(const ladspa::plugin_factory& factory)
{
    std::string strDirs;
    for (const std::string& strDir : factory.search_directories()) {
        strDirs += (strDirs.empty() ? "" : ", ") + strDir;
    }
    return strDirs.empty() ? "no directory" : strDirs;
}

std::vector<const ladspa::plugin_desc*> plugins_labelled(const std::string& strLabel,
                                                         const ladspa::plugin_factory& factory)
{
    const std::vector<std::string> dirs = factory.search_directories();
    std::vector<std::tuple<std::size_t, std::string, const ladspa::plugin_desc*>> found;
    for (const auto& entry : factory.plugins()) {
        if (plugin_label(*entry.second) == strLabel) {
            found.emplace_back(directory_rank(*entry.second, dirs), entry.second->filename(), entry.second.get());
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<const ladspa::plugin_desc*> plugins;
    for (const auto& f : found) {
        plugins.push_back(std::get<2>(f));
    }
    return plugins;
}

const ladspa::plugin_desc& find_plugin(const std::string& strName, const ladspa::plugin_factory& factory)
{
    if (all_digits(strName)) {
        const ladspa::plugin_desc* pPlugin = factory.get(std::strtoul(strName.c_str(), nullptr, 10));
        if (pPlugin == nullptr) {
            throw usage_error(format("no LADSPA plugin with id %s in %s", strName.c_str(),
                                     searched_directories(factory).c_str()));
        }
        return *pPlugin;
    }
    const std::size_t nColon = strName.rfind(':');
    const std::string strLabel = nColon == std::string::npos ? strName : strName.substr(nColon + 1);
    for (const ladspa::plugin_desc* pPlugin : plugins_labelled(strLabel, factory)) {
        if (nColon == std::string::npos || names_library(strName.substr(0, nColon), *pPlugin)) {
            return *pPlugin;
        }
    }
    throw usage_error(format("no LADSPA plugin labelled '%s' in %s", strName.c_str(),
                             searched_directories(factory).c_str()));
}

void inline_chain::add_options(CLI::App& sub, CLI::Option* pPreset)
{
    CLI::Option* pEffect =
        sub.add_option("-e,--effect", m_specs,
                       "a plugin in the chain, in order: PLUGIN[:PORT=VALUE,...], PLUGIN an id, a label or "
                       "LIBRARY:LABEL, PORT a control input's number or name")
            ->allow_extra_args(false);
    sub.add_option("-w,--wet", m_wets, "wet/dry mix (0 to 1) of the -e before it")->allow_extra_args(false);
    if (pPreset != nullptr) {
        pEffect->excludes(pPreset);
    }
}

void inline_chain::collect(const CLI::App& sub)
{
    m_links.clear();
    std::size_t nSpec = 0;
    std::size_t nWet = 0;
    for (const CLI::Option* pOption : sub.parse_order()) {
        if (pOption->check_name("-e") && nSpec < m_specs.size()) {
            m_links.push_back(chain_link{m_specs[nSpec++], false, 1.0f});
        } else if (pOption->check_name("-w") && nWet < m_wets.size()) {
            const double fWet = m_wets[nWet++];
            if (m_links.empty() || m_links.back().bWet) {
                throw usage_error(format("-w %g: each -w follows the -e it mixes", fWet));
            }
            if (!(fWet >= 0.0 && fWet <= 1.0)) {
                throw usage_error(format("-w %g: the wet share is 0 to 1", fWet));
            }
            m_links.back().bWet = true;
            m_links.back().fWet = static_cast<float>(fWet);
        }
    }
}

std::string inline_chain::document(const ladspa::plugin_factory& factory, unsigned int nChannels,
                                   unsigned int nRate) const
{
    std::ostringstream xml;
    xml << "<?xml version=\"1.0\"?>\n<!DOCTYPE jackrack SYSTEM \"http://purge.bodhizazen.net/jack-rack/"
           "jack-rack-1.0.dtd\">\n<jackrack>\n  <channels>"
        << nChannels << "</channels>\n  <samplerate>" << nRate << "</samplerate>\n";
    for (const chain_link& link : m_links) {
        const std::pair<std::string, settings> parsed = split_spec(link.strSpec);
        const ladspa::plugin_desc& plugin = find_plugin(parsed.first, factory);
        std::vector<float> values;
        for (const ladspa::port_info& port : plugin.input_control_ports()) {
            values.push_back(port.default_value(nRate));
        }
        std::set<const ladspa::port_info*> named;
        for (const auto& setting : parsed.second) {
            const ladspa::port_info& port = find_port(plugin, setting.first, link.strSpec);
            if (!named.insert(&port).second) {
                throw usage_error(format("-e %s: port '%s' is set twice", link.strSpec.c_str(), port.strName.c_str()));
            }
            values[static_cast<std::size_t>(&port - plugin.input_control_ports().data())] =
                parse_value(setting.second, link.strSpec);
        }
        xml << "  <plugin>\n    <id>" << plugin.unique_id() << "</id>\n    <enabled>true</enabled>\n"
            << "    <wet_dry_enabled>" << (link.bWet ? "true" : "false") << "</wet_dry_enabled>\n"
            << "    <wet_dry_values>\n";
        for (unsigned int i = 0; i < nChannels; ++i) {
            xml << "      <value>" << float_text(link.bWet ? link.fWet : 1.0f) << "</value>\n";
        }
        xml << "    </wet_dry_values>\n";
        for (float fValue : values) {
            xml << "    <controlrow>\n      <value>" << float_text(fValue) << "</value>\n    </controlrow>\n";
        }
        xml << "  </plugin>\n";
    }
    xml << "</jackrack>\n";
    return xml.str();
}

}  // namespace tool
