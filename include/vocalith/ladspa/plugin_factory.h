// The registry of LADSPA plugins: scans a search path for plugin libraries,
// keeps every acceptable plugin under its unique id and owns the libraries
// and descriptors.
#ifndef VOCALITH_LADSPA_PLUGIN_FACTORY_H
#define VOCALITH_LADSPA_PLUGIN_FACTORY_H

#include <ladspa.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "vocalith/export.h"
#include "vocalith/ladspa/file.h"
#include "vocalith/ladspa/plugin_desc.h"

namespace ladspa {

// Search lists separate directories with ';' (and on POSIX also ':'); an
// empty path means the LADSPA_PATH environment variable or, when it is
// unset, the built-in list. Bad libraries and plugins are logged and
// skipped, never thrown. Not copied, no locks: build and use it on one
// thread; instances and presets made from its plugins must be destroyed
// before it is unloaded, reloaded or destroyed.
class VOCALITH_API plugin_factory {
public:
    typedef std::map<std::string, std::unique_ptr<file>> file_map;
    typedef std::map<unsigned long, std::unique_ptr<plugin_desc>> plugin_map;

    // A library the scan could not use, or one of its plugins it did not
    // register (duplicate ids aside), with the reason in words.
    struct skipped_entry {
        std::string strPath;   // the library
        unsigned long nId;     // the plugin's unique id; 0 for the library itself
        std::string strLabel;  // the plugin's label; empty for the library itself
        std::string strReason;
    };

    // Stores the search path and scans it.
    explicit plugin_factory(const std::string& strPath);
    // Stores the search path but opens only the given libraries, in the order
    // given. For the ids they hold it registers what a scan of strPath would,
    // when the list keeps the search order and holds each id's first library
    // on it; reload() scans the whole path.
    plugin_factory(const std::string& strPath, const std::vector<std::string>& libraries);
    ~plugin_factory();
    plugin_factory(const plugin_factory&) = delete;
    plugin_factory& operator=(const plugin_factory&) = delete;

    // Scans the search path; a library is opened once per registry and the
    // first plugin of an id in search order wins.
    void load();
    void reload();
    // Destroys every descriptor, then every library.
    void unload();

    // The registered plugin, or null for an unknown id.
    plugin_desc* get(unsigned long nId) const;

    // The directories a scan of strPath walks, in order: the path, else
    // LADSPA_PATH, else the built-in list, split at its separators, segments
    // shorter than two characters left out.
    static std::vector<std::string> directories(const std::string& strPath);

    const std::string& path() const { return m_strPath; }
    // The directories the scan walks, in search order (from the path, else
    // LADSPA_PATH, else the built-in list).
    std::vector<std::string> search_directories() const;
    // Libraries by path (only those with a registered plugin), plugins by id.
    const file_map& files() const { return m_files; }
    const plugin_map& plugins() const { return m_plugins; }
    // What the latest scan met and left out, in scan order.
    const std::vector<skipped_entry>& skipped() const { return m_skipped; }

private:
    void load_from(const std::string& strDir);
    void load_plugin(const std::string& strPath);
    bool check_ladspa_desc(const LADSPA_Descriptor* pDesc) const;

    file_map m_files;
    plugin_map m_plugins;
    std::string m_strPath;
    std::vector<skipped_entry> m_skipped;
};

}  // namespace ladspa

#endif
