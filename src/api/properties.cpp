#include <cstdint>
#include <cstring>

#include "vocalith/app/globals.h"
#include "vocalith/vocalith.h"

extern "C" {

VOCALITH_API int vocalith_set_property(int id, const void* value)
{
    if (value == nullptr) {
        return -1;
    }
    app::Globals& global = app::s_Global;
    std::int32_t nValue = 0;
    switch (id) {
    case VOCALITH_PROP_PRESET_DIR:
        global.strPresetDir = static_cast<const char*>(value);
        return 0;
    case VOCALITH_PROP_LADSPA_DIR:
        global.strLadspaDir = static_cast<const char*>(value);
        return 0;
    case VOCALITH_PROP_BLOCK_SIZE:
        std::memcpy(&nValue, value, sizeof(nValue));
        global.nBlockSize = static_cast<std::uint32_t>(nValue);
        return 0;
    case VOCALITH_PROP_LOG_LEVEL:
        std::memcpy(&nValue, value, sizeof(nValue));
        global.nLogLevel = static_cast<std::uint32_t>(nValue);
        return 0;
    default:
        return -1;
    }
}

VOCALITH_API int vocalith_get_property(int id, void* value)
{
    (void)id;
    (void)value;
    return -1;
}

}  // extern "C"
