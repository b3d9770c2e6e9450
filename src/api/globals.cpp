#include "vocalith/app/globals.h"

namespace app {

#if defined(_WIN32)
#define VOCALITH_DEFAULT_LADSPA_DIR ".\\ladspa"
#define VOCALITH_DEFAULT_PRESET_DIR ".\\presets"
#else
#define VOCALITH_DEFAULT_LADSPA_DIR "./ladspa"
#define VOCALITH_DEFAULT_PRESET_DIR "./presets"
#endif

Globals::Globals()
    : strLadspaDir(VOCALITH_DEFAULT_LADSPA_DIR),
      strPresetDir(VOCALITH_DEFAULT_PRESET_DIR),
      nLogLevel(2),
      nChannelCount(1),
      nSampleRate(8000),
      nBlockSize(256),
      bQuit(false),
      strUnknownFileName("<unknown>"),
      bBypass(false)
{
}

Globals::Globals(const Globals& other)
    : strLadspaDir(other.strLadspaDir),
      strPresetDir(other.strPresetDir),
      nLogLevel(other.nLogLevel.load()),
      nChannelCount(other.nChannelCount.load()),
      nSampleRate(other.nSampleRate.load()),
      nBlockSize(other.nBlockSize.load()),
      bQuit(other.bQuit.load()),
      strUnknownFileName(other.strUnknownFileName),
      bBypass(other.bBypass.load())
{
}

Globals& Globals::operator=(const Globals& other)
{
    strLadspaDir = other.strLadspaDir;
    strPresetDir = other.strPresetDir;
    nLogLevel = other.nLogLevel.load();
    nChannelCount = other.nChannelCount.load();
    nSampleRate = other.nSampleRate.load();
    nBlockSize = other.nBlockSize.load();
    bQuit = other.bQuit.load();
    strUnknownFileName = other.strUnknownFileName;
    bBypass = other.bBypass.load();
    return *this;
}

Globals s_Global;

}  // namespace app
