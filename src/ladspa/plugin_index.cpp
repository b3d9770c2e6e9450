#include "vocalith/ladspa/plugin_index.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "ladspa/registry_cache.h"
#include "sysport/platform.h"

namespace ladspa {

namespace {

const char* const c_pHeader = "vocalith plugin index 1";

}  // namespace

plugin_index::plugin_index(const std::string& strFile) : m_strFile(strFile), m_bChanged(false), m_nProbes(0)
{
    if (m_strFile.empty()) {
        return;
    }
    std::ifstream in(m_strFile);
    std::string strLine;
    if (!std::getline(in, strLine) || strLine != c_pHeader) {
        return;
    }
    // One library a line: size, modification time, id count, ids, path.
    while (std::getline(in, strLine)) {
        std::istringstream fields(strLine);
        record entry;
        std::size_t nIds = 0;
        if (!(fields >> entry.nSize >> entry.nModified >> nIds) || nIds > 100000) {
            return;
        }
        entry.ids.resize(nIds);
        for (unsigned long& nId : entry.ids) {
            fields >> nId;
        }
        std::string strPath;
        if (fields.get() != ' ' || !std::getline(fields, strPath) || strPath.empty()) {
            return;
        }
        entry.bKnown = true;
        m_records[strPath] = std::move(entry);
    }
}

std::string plugin_index::default_file()
{
    const std::string strCache = sysport::user_cache_dir();
    return strCache.empty() ? std::string()
                            : sysport::join_path(sysport::join_path(strCache, "vocalith"), "plugin-index");
}

const std::vector<unsigned long>& plugin_index::ids_of(const std::string& strLibrary, std::int64_t nNow)
{
    const sysport::file_stamp stamp = sysport::stamp_of(strLibrary);
    record& entry = m_records[strLibrary];
    if (entry.bKnown && stamp.bExists && entry.nSize == stamp.nSize && entry.nModified == stamp.nModified) {
        return entry.ids;
    }
    entry.nSize = stamp.nSize;
    entry.nModified = stamp.nModified;
    entry.ids.clear();
    if (stamp.bExists) {
        ++m_nProbes;
        const plugin_factory probe(std::string(), std::vector<std::string>{strLibrary});
        for (const auto& plugin : probe.plugins()) {
            entry.ids.push_back(plugin.first);
        }
    }
    // A file changed within the timestamp granularity of now could change
    // again unseen: such a record is used for this run but not kept.
    entry.bKnown = stamp.bExists && stamp.nModified <= nNow - registry_cache::c_nRacyWindow;
    m_bChanged = m_bChanged || entry.bKnown;
    return entry.ids;
}

std::vector<std::string> plugin_index::libraries_for(const std::string& strPath,
                                                     const std::vector<unsigned long>& ids)
{
    const std::int64_t nNow = sysport::file_clock_now();
    std::set<unsigned long> wanted(ids.begin(), ids.end());
    std::vector<std::string> libraries;
    std::set<std::string> seen;
    for (const std::string& strDir : plugin_factory::directories(strPath)) {
        sysport::directory_iterator entries;
        if (wanted.empty() || !entries.open(strDir)) {
            continue;
        }
        for (std::string strName = entries.next(); !strName.empty() && !wanted.empty(); strName = entries.next()) {
            const std::string strLibrary = sysport::join_path(strDir, strName);
            // A directory listed twice gives the same paths: the first pass decided.
            if (!seen.insert(strLibrary).second) {
                continue;
            }
            bool bNeeded = false;
            for (unsigned long nId : ids_of(strLibrary, nNow)) {
                bNeeded = wanted.erase(nId) > 0 || bNeeded;
            }
            if (bNeeded) {
                libraries.push_back(strLibrary);
            }
        }
    }
    return libraries;
}

bool plugin_index::save() const
{
    if (!m_bChanged || m_strFile.empty()) {
        return true;
    }
    std::ostringstream out;
    out << c_pHeader << '\n';
    for (const auto& entry : m_records) {
        if (!entry.second.bKnown || entry.first.find('\n') != std::string::npos) {
            continue;
        }
        out << entry.second.nSize << ' ' << entry.second.nModified << ' ' << entry.second.ids.size();
        for (unsigned long nId : entry.second.ids) {
            out << ' ' << nId;
        }
        out << ' ' << entry.first << '\n';
    }
    return sysport::replace_file(m_strFile, out.str());
}

std::unique_ptr<plugin_factory> plugin_index::open_registry(const std::string& strPath,
                                                            const std::vector<unsigned long>& ids,
                                                            const std::string& strFile)
{
    plugin_index index(strFile);
    std::unique_ptr<plugin_factory> pRegistry(new plugin_factory(strPath, index.libraries_for(strPath, ids)));
    index.save();
    const bool bComplete = std::all_of(ids.begin(), ids.end(), [&](unsigned long nId) {
        return pRegistry->get(nId) != nullptr;
    });
    if (!bComplete) {
        pRegistry->reload();
    }
    return pRegistry;
}

}  // namespace ladspa
