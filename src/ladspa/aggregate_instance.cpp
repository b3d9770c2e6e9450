#include "vocalith/ladspa/aggregate_instance.h"

#include "api/log.h"
#include "vocalith/ladspa/plugin_desc.h"

namespace ladspa {

aggregate_instance::aggregate_instance(unsigned int nChannels, plugin_desc* pPlugin, unsigned int nSampleRate,
                                       unsigned int nBlockSize)
    : abstract_instance(pPlugin, nSampleRate, nChannels, nBlockSize), m_nChannels(nChannels)
{
    create_handles(nChannels / pPlugin->input_port_count());
    LOG_DEBUG("aggregate_instance: plugin id=%lu \"%s\", ports: in=%u, out=%u, instance count=%lu\n",
              pPlugin->unique_id(), pPlugin->name().c_str(), pPlugin->input_port_count(),
              pPlugin->output_port_count(), static_cast<unsigned long>(m_handles.size()));
}

app::sample_buffer& aggregate_instance::run(app::sample_buffer& in, unsigned int nFrames)
{
    const unsigned int nInputs = plugin()->input_port_count();
    for (unsigned int h = 0; h < m_handles.size(); ++h) {
        for (unsigned int i = 0; i < nInputs; ++i) {
            connect_input(h, i, in, h * nInputs + i);
        }
    }
    run_handles(nFrames);
    mix_wet_dry(in, nFrames);
    return m_output;
}

void aggregate_instance::describe(app::preset_formatter& formatter) const
{
    formatter.write_string("type", "aggregation");
    formatter.write_uint("instance", handle_count());
}

}  // namespace ladspa
