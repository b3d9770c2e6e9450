// Which plugin ids each library on a search path holds, kept between runs of
// a program that starts afresh each time (the command), so that it opens
// only the libraries a preset needs instead of every library on the path.
//
// An addition to the registry for programs on the classes, as the command
// uses it. Hosts on the C interface do not get it: a host process scans once
// and shares that registry among all its converters, so only its first
// converter pays for the scan.
#ifndef VOCALITH_LADSPA_PLUGIN_INDEX_H
#define VOCALITH_LADSPA_PLUGIN_INDEX_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "vocalith/export.h"
#include "vocalith/ladspa/plugin_factory.h"

namespace ladspa {

// Records are keyed by library path, size and modification time: a library
// whose stamp changed (or that is new) is opened once to learn its ids. A
// file that cannot be read is an empty index; one that cannot be written is
// left as it was. Not thread-safe.
class VOCALITH_API plugin_index {
public:
    // Reads strFile when it holds an index; "" keeps the index in memory.
    explicit plugin_index(const std::string& strFile);

    // $XDG_CACHE_HOME/vocalith/plugin-index, else ~/.cache/vocalith/...,
    // on Windows %LOCALAPPDATA%\vocalith\plugin-index; "" when the
    // environment names no such folder.
    static std::string default_file();

    // The libraries to open for ids, in search order: for each id the first
    // library on strPath (as a scan walks it) that holds it. Ids that no
    // library holds are left out.
    std::vector<std::string> libraries_for(const std::string& strPath, const std::vector<unsigned long>& ids);

    // Writes the file when a record was added or changed; false when it
    // could not be written.
    bool save() const;

    // A registry over strPath with, for each of ids, the plugin a full scan
    // would register. Falls back to a full scan when a library the index
    // names no longer gives an id (one of its dependencies went missing).
    static std::unique_ptr<plugin_factory> open_registry(const std::string& strPath,
                                                         const std::vector<unsigned long>& ids,
                                                         const std::string& strFile);

    // Libraries opened to learn their ids since construction.
    std::size_t probe_count() const { return m_nProbes; }

private:
    struct record {
        bool bKnown = false;  // false: probe again next time
        std::uint64_t nSize = 0;
        std::int64_t nModified = 0;
        std::vector<unsigned long> ids;
    };

    const std::vector<unsigned long>& ids_of(const std::string& strLibrary, std::int64_t nNow);

    std::string m_strFile;
    std::map<std::string, record> m_records;
    bool m_bChanged;
    std::size_t m_nProbes;
};

}  // namespace ladspa

#endif
