// Process-wide settings, read by every converter, engine and preset load.
#ifndef VOCALITH_APP_GLOBALS_H
#define VOCALITH_APP_GLOBALS_H

#include <atomic>
#include <cstdint>
#include <string>

#include "vocalith/export.h"

namespace app {

// The strings are not guarded: they are meant to be set before converters
// exist. The numbers and flags are atomic, because every init call writes
// the channel count and sample rate, possibly on several threads at once;
// they are a record of the last call, and no converter reads them back.
// Copying copies a snapshot of each field.
struct Globals {
    std::string strLadspaDir;                  // LADSPA directory handed to new registries
    std::string strPresetDir;                  // tried for a preset name that does not open as given
    std::atomic<std::uint32_t> nLogLevel;      // 0 silent, 1 errors .. 5 debug
    std::atomic<std::uint32_t> nChannelCount;  // interleaved channels of the last init call
    std::atomic<std::uint32_t> nSampleRate;    // hertz, of the last init call
    std::atomic<std::uint32_t> nBlockSize;     // filter block, samples per channel
    std::atomic<bool> bQuit;                   // set by command_processor::stop
    std::string strUnknownFileName;            // library name shown for a descriptor without file
    std::atomic<bool> bBypass;                 // new engines start with the filter stage off

    Globals();
    Globals(const Globals& other);
    Globals& operator=(const Globals& other);
};

VOCALITH_API extern Globals s_Global;

}  // namespace app

#endif
