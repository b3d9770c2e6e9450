// The description walk: a preset, its plugins, their ports and values written
// to a caller's formatter.
#include <cstddef>
#include <vector>

#include "preset/port_hints.h"
#include "vocalith/app/preset.h"
#include "vocalith/app/preset_formatter.h"
#include "vocalith/ladspa/abstract_instance.h"
#include "vocalith/ladspa/plugin_desc.h"

namespace app {

namespace {

void describe_port(preset_formatter& formatter, const ladspa::abstract_instance& inst,
                   const ladspa::port_info& port)
{
    const LADSPA_PortRangeHintDescriptor nHint = port.hint.HintDescriptor;
    formatter.begin_node(false, "port");
    formatter.write_string("name", port.strName.c_str());
    formatter.write_uint("index", static_cast<unsigned int>(port.nIndex));
    if (LADSPA_IS_HINT_BOUNDED_BELOW(nHint)) {
        formatter.write_float("lower_bound", port.hint.LowerBound);
    }
    if (LADSPA_IS_HINT_BOUNDED_ABOVE(nHint)) {
        formatter.write_float("upper_bound", port.hint.UpperBound);
    }
    formatter.write_float("default_value", port.default_value(inst.sample_rate()));
    const std::size_t nPosition = port_index_in_values(inst, port.nIndex);
    formatter.write_float("current_value",
                          nPosition < inst.port_values.size() ? inst.port_values[nPosition] : 0.0f);
    write_port_hints(formatter, port);
    formatter.end_node(false, "port");
}

void describe_ports(preset_formatter& formatter, const char* pszList,
                    const ladspa::abstract_instance& inst, const std::vector<ladspa::port_info>& ports)
{
    formatter.begin_node(true, pszList);
    for (const ladspa::port_info& port : ports) {
        describe_port(formatter, inst, port);
    }
    formatter.end_node(true, pszList);
}

void describe_plugin_desc(preset_formatter& formatter, const ladspa::abstract_instance& inst)
{
    const ladspa::plugin_desc& desc = *inst.plugin();
    formatter.begin_node(false, "desc");
    formatter.write_ulong("id", desc.unique_id());
    formatter.write_string("name", desc.name().c_str());
    formatter.write_string("file", desc.filename().c_str());
    formatter.write_ulong("file_index", desc.file_index());
    formatter.write_uint("audio_input_port_count", desc.input_port_count());
    formatter.write_uint("audio_output_port_count", desc.output_port_count());
    formatter.write_bool("realtime", desc.is_realtime());
    formatter.write_bool("inplace_broken", desc.is_inplace_broken());
    formatter.write_bool("hard_rt_capable", desc.is_hard_rt_capable());
    describe_ports(formatter, "input_control_ports", inst, desc.input_control_ports());
    describe_ports(formatter, "output_control_ports", inst, desc.output_control_ports());
    formatter.end_node(false, "desc");
}

}  // namespace

void preset::describe(preset_formatter& formatter) const
{
    formatter.begin_node(false, "preset");
    if (!m_file.empty()) {
        formatter.write_string("file", m_file.c_str());
    }
    formatter.begin_node(true, "plugins");
    describe_plugins(formatter);
    formatter.end_node(true, "plugins");
    formatter.end_node(false, "preset");
}

void preset::describe_plugins(preset_formatter& formatter) const
{
    for (const ladspa_instance& entry : m_plugins) {
        const ladspa::abstract_instance& inst = *entry.instance;
        formatter.begin_node(false, "plugin");
        formatter.write_bool("enabled", entry.enabled);
        formatter.write_uint("sample_rate", inst.sample_rate());
        formatter.begin_node(false, "wet_dry");
        formatter.write_bool("enabled", inst.wet_dry_enabled);
        formatter.write_float("value", inst.wet_dry_values.empty() ? 0.0f : inst.wet_dry_values.front());
        formatter.end_node(false, "wet_dry");
        describe_plugin_desc(formatter, inst);
        formatter.begin_node(false, "layout");
        inst.describe(formatter);
        formatter.end_node(false, "layout");
        formatter.end_node(false, "plugin");
    }
}

}  // namespace app
