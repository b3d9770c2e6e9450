// Process-wide settings, read by every converter, engine and preset load.
#ifndef VOCALITH_APP_GLOBALS_H
#define VOCALITH_APP_GLOBALS_H

#include <cstdint>
#include <string>

#include "vocalith/export.h"

namespace app {

// Not guarded: meant to be set before converters exist. Channel count and
// sample rate are written by every init call; the rest by
// vocalith_set_property.
struct Globals {
    std::string strLadspaDir;        // LADSPA directory handed to new registries
    std::string strPresetDir;        // tried for a preset name that does not open as given
    std::uint32_t nLogLevel;         // 0 silent, 1 errors .. 5 debug
    std::uint32_t nChannelCount;     // interleaved channels of new converters
    std::uint32_t nSampleRate;       // hertz
    std::uint32_t nBlockSize;        // filter block, samples per channel
    bool bQuit;                      // set by command_processor::stop
    std::string strUnknownFileName;  // library name shown for a descriptor without file
    bool bBypass;                    // new engines start with the filter stage off

    Globals();
};

VOCALITH_API extern Globals s_Global;

}  // namespace app

#endif
