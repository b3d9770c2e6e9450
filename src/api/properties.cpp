#include <cstdint>
#include <cstring>

#include "api/log.h"
#include "vocalith/app/globals.h"
#include "vocalith/vocalith.h"

extern "C" {

VOCALITH_API int vocalith_set_property(int id, const void* value)
{
    if (value == nullptr) {
        app::log::fail("vocalith_set_property: null value for id=%d", id);
        return -1;
    }
    app::Globals& global = app::s_Global;
    std::int32_t nValue = 0;
    switch (id) {
    case VOCALITH_PROP_PRESET_DIR:
        global.strPresetDir = static_cast<const char*>(value);
        break;
    case VOCALITH_PROP_LADSPA_DIR:
        global.strLadspaDir = static_cast<const char*>(value);
        break;
    case VOCALITH_PROP_BLOCK_SIZE:
        std::memcpy(&nValue, value, sizeof(nValue));
        global.nBlockSize = static_cast<std::uint32_t>(nValue);
        break;
    case VOCALITH_PROP_LOG_LEVEL:
        std::memcpy(&nValue, value, sizeof(nValue));
        global.nLogLevel = static_cast<std::uint32_t>(nValue);
        break;
    default:
        app::log::fail("vocalith_set_property: unknown id=%d", id);
        return -1;
    }
    app::log::succeed();
    return 0;
}

VOCALITH_API int vocalith_get_property(int id, void* value)
{
    (void)id;
    (void)value;
    app::log::fail("vocalith_get_property: settings cannot be read back");
    return -1;
}

}  // extern "C"
