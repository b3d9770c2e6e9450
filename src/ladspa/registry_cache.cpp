#include "ladspa/registry_cache.h"

#include <cstdlib>
#include <utility>

namespace ladspa {

namespace {

// The text that decides what a scan of strPath walks: LADSPA_PATH only
// matters for an empty path.
std::string cache_key(const std::string& strPath)
{
    if (!strPath.empty()) {
        return "path:" + strPath;
    }
    const char* pEnv = std::getenv("LADSPA_PATH");
    return pEnv != nullptr ? "env:" + std::string(pEnv) : std::string("default");
}

}  // namespace

registry_cache& registry_cache::instance()
{
    // Never destroyed: converters a host leaves open at exit still hold
    // their registries, and libraries are not unloaded behind them.
    static registry_cache* s_pCache = new registry_cache;
    return *s_pCache;
}

std::shared_ptr<plugin_factory> registry_cache::get(const std::string& strPath)
{
    const std::string strKey = cache_key(strPath);
    const std::vector<std::string> dirs = plugin_factory::directories(strPath);
    // Stamped before the scan, so that a change during the scan is seen by
    // the next caller.
    const std::int64_t nNow = sysport::file_clock_now();
    std::vector<sysport::file_stamp> stamps;
    stamps.reserve(dirs.size());
    bool bRacy = false;
    for (const std::string& strDir : dirs) {
        stamps.push_back(sysport::stamp_of(strDir));
        bRacy = bRacy || (stamps.back().bExists && stamps.back().nModified > nNow - c_nRacyWindow);
    }

    const std::lock_guard<std::mutex> guard(m_mutex);
    entry& current = m_entries[strKey];
    if (current.pRegistry && !current.bRacy && current.dirStamps == stamps) {
        return current.pRegistry;
    }
    // The system loader hands out a library already loaded under the same
    // path rather than reading its file again: registries nobody else holds
    // (this one's and those of other paths) are dropped first, so that their
    // libraries are closed and the scan reads a replaced library's new file.
    current.pRegistry.reset();
    for (auto& other : m_entries) {
        if (other.second.pRegistry.use_count() == 1) {
            other.second.pRegistry.reset();
        }
    }
    current.pRegistry = std::make_shared<plugin_factory>(strPath);
    current.dirStamps = std::move(stamps);
    current.bRacy = bRacy;
    ++m_nScans;
    return current.pRegistry;
}

std::uint64_t registry_cache::scan_count() const
{
    const std::lock_guard<std::mutex> guard(m_mutex);
    return m_nScans;
}

}  // namespace ladspa
