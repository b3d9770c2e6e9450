#include "vocalith/ladspa/complex_instance.h"

#include <algorithm>

#include "api/log.h"
#include "vocalith/ladspa/plugin_desc.h"

namespace ladspa {

namespace {

unsigned int handle_count_for(unsigned int nChannels, const plugin_desc* pPlugin)
{
    const unsigned int nInputs = pPlugin->input_port_count();
    return (nChannels + nInputs - 1) / nInputs;
}

// Every handle's outputs, at least the stream's channels, and one silent
// channel for input ports left over.
unsigned int output_channels_for(unsigned int nChannels, const plugin_desc* pPlugin)
{
    return std::max(nChannels, handle_count_for(nChannels, pPlugin) * pPlugin->output_port_count()) + 1;
}

}  // namespace

complex_instance::complex_instance(unsigned int nChannels, plugin_desc* pPlugin, unsigned int nSampleRate,
                                   unsigned int nBlockSize)
    : abstract_instance(pPlugin, nSampleRate, output_channels_for(nChannels, pPlugin), nBlockSize),
      m_nChannels(nChannels)
{
    const unsigned int nInputs = pPlugin->input_port_count();
    const unsigned int nHandles = handle_count_for(nChannels, pPlugin);
    create_handles(nHandles);
    const unsigned int nRedundant = nHandles * nInputs - nChannels;
    const unsigned int nSilent = m_output.channel_count() - 1;
    for (unsigned int i = nInputs - nRedundant; i < nInputs; ++i) {
        connect_input(nHandles - 1, i, m_output, nSilent);
    }
    LOG_DEBUG("complex_instance: plugin id=%lu \"%s\", ports: in=%u, out=%u, instance count=%lu, redudant input "
              "port count=%u\n",
              pPlugin->unique_id(), pPlugin->name().c_str(), nInputs, pPlugin->output_port_count(),
              static_cast<unsigned long>(nHandles), nRedundant);
}

app::sample_buffer& complex_instance::run(app::sample_buffer& in, unsigned int nFrames)
{
    const unsigned int nInputs = plugin()->input_port_count();
    const unsigned int nAvailable = in.channel_count();
    for (unsigned int h = 0; h < m_handles.size(); ++h) {
        for (unsigned int i = 0; i < nInputs; ++i) {
            connect_input(h, i, in, (h * nInputs + i) % nAvailable);
        }
    }
    run_handles(nFrames);
    // Channels that no handle writes are silent for the block, whatever the
    // last mix left there: kept, it would come back as an echo each block.
    const unsigned int nWritten = static_cast<unsigned int>(m_handles.size()) * plugin()->output_port_count();
    for (unsigned int c = nWritten; c < m_output.channel_count(); ++c) {
        std::fill_n(m_output.data(c), nFrames, 0.0f);
    }
    mix_wet_dry(in, nFrames);
    return m_output;
}

void complex_instance::describe(app::preset_formatter& formatter) const
{
    formatter.write_string("type", "complex");
    formatter.write_uint("instance", handle_count());
}

}  // namespace ladspa
