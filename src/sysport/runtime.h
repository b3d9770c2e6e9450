// What the C runtime and the scheduler do differently on each platform, for
// the preset number reader, the engine's spin lock, the command and the
// tests. Implemented beside the rest of the platform layer (posix.cpp,
// windows.cpp).
#ifndef VOCALITH_SRC_SYSPORT_RUNTIME_H
#define VOCALITH_SRC_SYSPORT_RUNTIME_H

#include <string>

namespace sysport {

// strtod in the "C" locale, whatever locale the process or thread has set.
double strtod_c_locale(const char* pText, char** ppEnd);

// Gives up the rest of the calling thread's time slice.
void yield_time_slice();

// Sets an environment variable of the process, or removes it when pValue is
// null; false when the system refused.
bool set_environment(const char* pName, const char* pValue);

// Replaces the trailing "XXXXXX" of strTemplate and creates that file, new
// and empty, with the permissions new files get by default; false (errno
// set) when no such file could be made.
bool create_unique_file(std::string& strTemplate);

// The path of the running program; "" when the system does not tell.
std::string executable_path();

// Creates a new, empty directory under the system's folder for temporary
// files, its name starting with strPrefix; "" when that failed.
std::string make_temp_dir(const std::string& strPrefix);

// An anonymous pipe: fds[0] reads what fds[1] writes, both in binary mode;
// false (errno set) when none could be made.
bool make_pipe(int fds[2]);

// A write to a pipe whose reader has gone fails instead of ending the process.
void ignore_broken_pipes();

// Bytes pass through file descriptor fd unchanged (no line-end translation).
void set_binary_mode(int fd);

// Opens strPath for reading bytes as they are; -1 (errno set) when it cannot.
int open_for_reading(const std::string& strPath);

// Renames strFrom to strTo, replacing a file of that name at once (readers
// see the old file or the new one); false (errno set) when that failed.
bool rename_over(const std::string& strFrom, const std::string& strTo);

// Dates the last change of a file or directory at nSeconds since 1970;
// false when the system refused.
bool set_modified_time(const std::string& strPath, long long nSeconds);

}  // namespace sysport

#endif
