// Scanned registries shared by every converter of the process: a call
// set-up should not re-read plugin libraries that have not changed.
#ifndef VOCALITH_SRC_LADSPA_REGISTRY_CACHE_H
#define VOCALITH_SRC_LADSPA_REGISTRY_CACHE_H

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sysport/platform.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace ladspa {

// One registry per search path (after LADSPA_PATH and the built-in list are
// applied), scanned by the first caller and handed to later ones as long as
// no directory on the path changed its stamp. A registry handed out is never
// reloaded or unloaded: its holders keep its libraries, and so the code of
// their plugin instances, loaded for as long as they hold it, whatever
// happens to the cache. A library file replaced under the same path is read
// again by the first scan after every registry holding it is gone (the
// system loader keeps one copy per path); until then scans see the old one.
// Thread-safe.
class registry_cache {
public:
    static registry_cache& instance();

    registry_cache() = default;
    registry_cache(const registry_cache&) = delete;
    registry_cache& operator=(const registry_cache&) = delete;

    // The current registry of strPath, scanned now when there is none yet or
    // a directory of the path changed since the last scan.
    std::shared_ptr<plugin_factory> get(const std::string& strPath);

    // How many scans this cache has run, for tests and benchmarks.
    std::uint64_t scan_count() const;

    // A directory changed less than this before a scan (nanoseconds) may
    // change again within the file system's timestamp granularity without
    // a new stamp, so the next get() scans once more.
    static const std::int64_t c_nRacyWindow = 2000000000;

private:
    struct entry {
        std::vector<sysport::file_stamp> dirStamps;
        bool bRacy = false;
        std::shared_ptr<plugin_factory> pRegistry;
    };

    mutable std::mutex m_mutex;
    std::map<std::string, entry> m_entries;
    std::uint64_t m_nScans = 0;
};

}  // namespace ladspa

#endif
