// Helpers of the preset description that read a plugin's port records.
#ifndef VOCALITH_SRC_PRESET_PORT_HINTS_H
#define VOCALITH_SRC_PRESET_PORT_HINTS_H

#include <cstddef>

namespace ladspa {
class abstract_instance;
struct port_info;
}  // namespace ladspa

namespace app {

class preset_formatter;

// Position of the control port with LADSPA port number nPortNumber in the
// instance's port_values (control inputs first, then control outputs); 0
// when the plugin has no such control port.
std::size_t port_index_in_values(const ladspa::abstract_instance& inst, unsigned long nPortNumber);

// Sixteen write_bool calls, one per range-hint flag and default kind.
void write_port_hints(preset_formatter& formatter, const ladspa::port_info& port);

}  // namespace app

#endif
