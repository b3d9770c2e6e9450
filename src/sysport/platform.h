// Directory listing, path joining, search-list conventions and the
// error-dialog guard of the platform, for the plugin registry. The native
// implementation is chosen at compile time.
#ifndef VOCALITH_SRC_SYSPORT_PLATFORM_H
#define VOCALITH_SRC_SYSPORT_PLATFORM_H

#include <cstdint>
#include <memory>
#include <string>

#include "vocalith/sysport/shared_library.h"

#if defined(_WIN32)
#define VOCALITH_SYSPORT_IMPL win_impl
#else
#define VOCALITH_SYSPORT_IMPL posix_impl
#endif

namespace sysport {
namespace VOCALITH_SYSPORT_IMPL {

// Lists the entries of one directory, "." and ".." left out; nothing else is
// filtered (sub-directories, any extension, hidden entries).
class directory_iterator {
public:
    directory_iterator();
    ~directory_iterator();
    directory_iterator(const directory_iterator&) = delete;
    directory_iterator& operator=(const directory_iterator&) = delete;

    // Closes an earlier listing; true when strDir can be read and has at
    // least one entry.
    bool open(const std::string& strDir);
    // The next entry's name, or "" when the listing is closed or exhausted.
    std::string next();
    void close();

private:
    struct state;
    std::unique_ptr<state> m_pState;
};

// Keeps the system from showing dialogs for libraries that fail to load,
// while it lives (reset to the default, not to the earlier mode, after).
class error_mode_scope {
public:
    error_mode_scope();
    ~error_mode_scope();
    error_mode_scope(const error_mode_scope&) = delete;
    error_mode_scope& operator=(const error_mode_scope&) = delete;
};

// strDir + strName with the native separator between them; none is added
// when strDir already ends in it.
std::string join_path(const std::string& strDir, const std::string& strName);

// One version of a file or directory as the file system dates it: a file
// rewritten or a directory whose entries changed gets another stamp (unless
// it changed within the file system's timestamp granularity, which callers
// allow for with file_clock_now).
struct file_stamp {
    bool bExists = false;
    std::uint64_t nSize = 0;
    std::int64_t nModified = 0;  // nanoseconds since 1970

    bool operator==(const file_stamp& other) const
    {
        return bExists == other.bExists && nSize == other.nSize && nModified == other.nModified;
    }
    bool operator!=(const file_stamp& other) const { return !(*this == other); }
};

// The stamp of strPath (symbolic links followed); bExists false when it
// cannot be read.
file_stamp stamp_of(const std::string& strPath);

// Now, on the clock of file_stamp::nModified.
std::int64_t file_clock_now();

// Writes strText to strPath through a new file renamed over it, so that a
// reader sees the old or the new content, never a part; the directory and
// its parent are made when missing. False when anything fails (nothing is
// left behind then).
bool replace_file(const std::string& strPath, const std::string& strText);

// The characters that separate entries of a search list.
const char* search_list_separators();

// The search list used when neither a path nor LADSPA_PATH is given.
const char* default_search_list();

// The folder for a user's files that can be made again: $XDG_CACHE_HOME,
// else ~/.cache; %LOCALAPPDATA% on Windows. "" when the environment names none.
std::string user_cache_dir();

}  // namespace VOCALITH_SYSPORT_IMPL

using VOCALITH_SYSPORT_IMPL::default_search_list;
using VOCALITH_SYSPORT_IMPL::directory_iterator;
using VOCALITH_SYSPORT_IMPL::error_mode_scope;
using VOCALITH_SYSPORT_IMPL::file_clock_now;
using VOCALITH_SYSPORT_IMPL::file_stamp;
using VOCALITH_SYSPORT_IMPL::join_path;
using VOCALITH_SYSPORT_IMPL::replace_file;
using VOCALITH_SYSPORT_IMPL::search_list_separators;
using VOCALITH_SYSPORT_IMPL::stamp_of;
using VOCALITH_SYSPORT_IMPL::user_cache_dir;

}  // namespace sysport

#endif
