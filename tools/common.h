// Helpers shared by the subcommands of the vocalith command.
#ifndef VOCALITH_TOOL_COMMON_H
#define VOCALITH_TOOL_COMMON_H

#include <functional>
#include <stdexcept>
#include <string>

#include "vocalith/codec/id.h"
#include "vocalith/export.h"

namespace CLI {
class App;
}

namespace tool {

// Exit statuses of the subcommands.
enum exit_status : int {
    exit_done = 0,
    exit_failed = 1,  // a conversion that failed midway
    exit_usage = 2,   // a usage or input error: nothing was done
};

// A failure the command reports as one line on standard error before it
// exits with nStatus.
class error : public std::runtime_error {
public:
    explicit error(const std::string& strMessage, int nStatus = exit_usage)
        : std::runtime_error(strMessage), m_nStatus(nStatus)
    {
    }
    int status() const { return m_nStatus; }

private:
    int m_nStatus;
};

// Runs a subcommand's body; a failure is printed as "vocalith NAME: reason"
// and gives its status (exit_usage for the library's exceptions, which all
// come before any output).
int run_reported(const char* pszName, const std::function<int()>& body);

// A command line that names what does not exist or does not fit (an
// unknown plugin or port, a value that is no number): status 2, as for
// options the command cannot parse.
class usage_error : public error {
public:
    explicit usage_error(const std::string& strMessage) : error(strMessage, exit_usage) {}
};

// Flushes what a subcommand printed (through std::cout or stdio); throws
// tool::error when it could not be written, so a full disk is not success.
void finish_stdout();

// printf-style message for tool::error.
std::string format(const char* fmt, ...) VOCALITH_FORMAT_PRINTF(1, 2);

// Settings every subcommand that touches plugins shares.
struct host_options {
    std::string strLadspaPath;  // empty: LADSPA_PATH, else the built-in list
    std::string strPresetDir;   // empty: the bundled presets
    // Silent by default: the command reports its own failures, and a broken
    // library on the search path would otherwise be reported on every run.
    unsigned int nLogLevel = 0;
};

// Adds --ladspa-path and --log-level (and --preset-dir when bPresets) to sub.
void add_host_options(CLI::App& sub, host_options& options, bool bPresets);

// Writes the log level into the process-wide settings.
void apply_log_level(const host_options& options);

// The library's exception text without its "<source>, line <n>: " prefix,
// which means nothing to someone running the command.
std::string user_message(const char* pszWhat);

// Codec of a name given on the command line; throws tool::error naming the
// option for an unknown name.
codec::id parse_codec(const std::string& strName, const char* pszOption);
// Mono-only codecs (G.711, GSM) cannot carry several channels.
bool is_mono_codec(codec::id nId);

// Number range checks shared by convert and dtmf.
void check_channels(unsigned int nChannels, const char* pszWhere);
void check_rate(unsigned int nRate, const char* pszWhere);

// Directory of the bundled presets: beside an installed command, else the
// source tree the command was built from.
std::string bundled_preset_dir();

}  // namespace tool

#endif
