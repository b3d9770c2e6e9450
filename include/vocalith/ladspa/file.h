// One opened LADSPA plugin library.
#ifndef VOCALITH_LADSPA_FILE_H
#define VOCALITH_LADSPA_FILE_H

#include <ladspa.h>

#include <string>

#include "vocalith/export.h"
#include "vocalith/sysport/shared_library.h"

namespace ladspa {

// The library's standard entry point.
typedef const LADSPA_Descriptor* (*descriptor_function)(unsigned long nIndex);

// Owns its module handle: destroying the file releases the library and with
// it the code of every plugin that came from it. Not copied. Used on the
// thread that owns the registry.
class VOCALITH_API file {
public:
    file();
    explicit file(const std::string& strPath);
    // Takes over the open library; the argument is left empty.
    file(const std::string& strPath, sysport::shared_library&& library);
    ~file();
    file(const file&) = delete;
    file& operator=(const file&) = delete;

    // Opens the library when no handle is held, then resolves
    // "ladspa_descriptor". Logs and returns false on failure (the handle is
    // released when the symbol is missing); raises the load count on success.
    bool load();
    // Lowers the load count; the library stays loaded until destruction.
    void unload();

    // The descriptor at nIndex, or null past the end or without an entry.
    const LADSPA_Descriptor* get_plugin(unsigned long nIndex) const;

    const std::string& path() const { return m_strPath; }
    descriptor_function entry() const { return m_pEntry; }
    void set_entry(descriptor_function pEntry) { m_pEntry = pEntry; }
    unsigned int load_count() const { return m_nLoadCount; }
    bool is_open() const { return m_library.is_open(); }

private:
    std::string m_strPath;
    sysport::shared_library m_library;
    descriptor_function m_pEntry;
    unsigned int m_nLoadCount;
};

}  // namespace ladspa

#endif
