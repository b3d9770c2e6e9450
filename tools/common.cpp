#include "common.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <vector>

#include <CLI/CLI.hpp>

#include "vocalith/app/globals.h"
#include "vocalith/codec/factory.h"
#include "sysport/runtime.h"

namespace tool {

void finish_stdout()
{
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0) {
        throw error("cannot write to standard output");
    }
}

int run_reported(const char* pszName, const std::function<int()>& body)
{
    int nStatus = exit_usage;
    std::string strMessage;
    try {
        return body();
    } catch (const error& e) {
        nStatus = e.status();
        strMessage = e.what();
    } catch (const std::exception& e) {
        strMessage = user_message(e.what());
    }
    std::fflush(stdout);
    std::fprintf(stderr, "vocalith %s: %s\n", pszName, strMessage.c_str());
    return nStatus;
}

std::string format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string str(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) {
        std::vsnprintf(&str[0], str.size() + 1, fmt, args);
    }
    va_end(args);
    return str;
}

void add_host_options(CLI::App& sub, host_options& options, bool bPresets)
{
    sub.add_option("--ladspa-path", options.strLadspaPath,
                   "LADSPA plugin directories separated by ':' or ';' (default: LADSPA_PATH, "
                   "else the built-in list)");
    if (bPresets) {
        sub.add_option("--preset-dir", options.strPresetDir,
                       "directory searched for preset names (default: the bundled presets)");
    }
    sub.add_option("--log-level", options.nLogLevel,
                   "library log lines on standard error: 0 none, 1 errors, 2 warnings, 3 notes, 4 info, "
                   "5 debug (default 0)")
        ->check(CLI::Range(0, 5));
}

void apply_log_level(const host_options& options)
{
    app::s_Global.nLogLevel = options.nLogLevel;
}

std::string user_message(const char* pszWhat)
{
    std::string str(pszWhat);
    std::size_t nLine = str.find(", line ");
    if (nLine == std::string::npos) {
        return str;
    }
    std::size_t nColon = str.find(": ", nLine);
    if (nColon == std::string::npos) {
        return str;
    }
    // Only digits may stand between ", line " and ": ".
    for (std::size_t i = nLine + 7; i < nColon; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(str[i])) && str[i] != '-') {
            return str;
        }
    }
    return str.substr(nColon + 2);
}

codec::id parse_codec(const std::string& strName, const char* pszOption)
{
    codec::id nId = codec::factory::instance().id(strName, codec::id_none);
    if (nId == codec::id_none) {
        throw error(format("%s: unknown codec '%s' (known: float32, pcm16le, pcm16be, alaw, ulaw, gsm)",
                           pszOption, strName.c_str()));
    }
    return nId;
}

bool is_mono_codec(codec::id nId)
{
    return nId == codec::id_g711_alaw || nId == codec::id_g711_ulaw || nId == codec::id_gsm_610;
}

void check_channels(unsigned int nChannels, const char* pszWhere)
{
    if (nChannels < 1 || nChannels > 64) {
        throw error(format("%s: %u channels; 1 to 64 are supported", pszWhere, nChannels));
    }
}

void check_rate(unsigned int nRate, const char* pszWhere)
{
    if (nRate == 0) {
        throw error(format("%s: sample rate 0 Hz", pszWhere));
    }
}

static std::string executable_dir()
{
    const std::string strExe = sysport::executable_path();
    return strExe.empty() ? std::string() : std::filesystem::path(strExe).parent_path().string();
}

std::string bundled_preset_dir()
{
    std::string strExe = executable_dir();
    if (!strExe.empty()) {
        std::string strInstalled = strExe + "/../share/vocalith/presets";
        std::error_code error;
        if (std::filesystem::is_directory(strInstalled, error)) {
            // Shown in describe's "file": without the "bin/.." detour.
            const std::filesystem::path real = std::filesystem::canonical(strInstalled, error);
            return error ? strInstalled : real.string();
        }
    }
    return VOCALITH_BUNDLED_PRESETS;
}

}  // namespace tool
