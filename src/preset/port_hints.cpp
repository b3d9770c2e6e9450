#include "preset/port_hints.h"

#include <vector>

#include "vocalith/app/preset_formatter.h"
#include "vocalith/ladspa/abstract_instance.h"
#include "vocalith/ladspa/plugin_desc.h"

namespace app {

namespace {

struct default_hint {
    const char* pszKey;
    LADSPA_PortRangeHintDescriptor nBits;
};

// In the order they are written.
const default_hint c_defaultHints[] = {
    {"hint_default_minimum", LADSPA_HINT_DEFAULT_MINIMUM},
    {"hint_default_low", LADSPA_HINT_DEFAULT_LOW},
    {"hint_default_middle", LADSPA_HINT_DEFAULT_MIDDLE},
    {"hint_default_high", LADSPA_HINT_DEFAULT_HIGH},
    {"hint_default_maximum", LADSPA_HINT_DEFAULT_MAXIMUM},
    {"hint_default_0", LADSPA_HINT_DEFAULT_0},
    {"hint_default_1", LADSPA_HINT_DEFAULT_1},
    {"hint_default_100", LADSPA_HINT_DEFAULT_100},
    {"hint_default_440", LADSPA_HINT_DEFAULT_440},
};

bool find_port(const std::vector<ladspa::port_info>& ports, unsigned long nPortNumber,
               std::size_t& nPosition)
{
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (ports[i].nIndex == nPortNumber) {
            nPosition = i;
            return true;
        }
    }
    return false;
}

}  // namespace

std::size_t port_index_in_values(const ladspa::abstract_instance& inst, unsigned long nPortNumber)
{
    const ladspa::plugin_desc& desc = *inst.plugin();
    std::size_t nPosition = 0;
    if (find_port(desc.input_control_ports(), nPortNumber, nPosition)) {
        return nPosition;
    }
    if (find_port(desc.output_control_ports(), nPortNumber, nPosition)) {
        return desc.input_control_ports().size() + nPosition;
    }
    return 0;
}

void write_port_hints(preset_formatter& formatter, const ladspa::port_info& port)
{
    const LADSPA_PortRangeHintDescriptor nHint = port.hint.HintDescriptor;
    const LADSPA_PortRangeHintDescriptor nDefault = nHint & LADSPA_HINT_DEFAULT_MASK;
    formatter.write_bool("hint_bounded_below", (nHint & LADSPA_HINT_BOUNDED_BELOW) != 0);
    formatter.write_bool("hint_bounded_above", (nHint & LADSPA_HINT_BOUNDED_ABOVE) != 0);
    formatter.write_bool("hint_toggled", (nHint & LADSPA_HINT_TOGGLED) != 0);
    formatter.write_bool("hint_sample_rate", (nHint & LADSPA_HINT_SAMPLE_RATE) != 0);
    formatter.write_bool("hint_logarithmic", (nHint & LADSPA_HINT_LOGARITHMIC) != 0);
    formatter.write_bool("hint_integer", (nHint & LADSPA_HINT_INTEGER) != 0);
    formatter.write_bool("hint_has_default", nDefault != 0);
    for (const default_hint& hint : c_defaultHints) {
        formatter.write_bool(hint.pszKey, nDefault == hint.nBits);
    }
}

}  // namespace app
