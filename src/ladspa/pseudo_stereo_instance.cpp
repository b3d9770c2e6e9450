#include "vocalith/ladspa/pseudo_stereo_instance.h"

#include "api/log.h"
#include "vocalith/ladspa/plugin_desc.h"
#include "vocalith/veckern/veckern.h"

namespace ladspa {

pseudo_stereo_instance::pseudo_stereo_instance(unsigned int nChannels, plugin_desc* pPlugin,
                                               unsigned int nSampleRate, unsigned int nBlockSize)
    : abstract_instance(pPlugin, nSampleRate,
                        nChannels / pPlugin->input_port_count() * pPlugin->output_port_count(), nBlockSize),
      m_nChannels(nChannels)
{
    create_handles(nChannels / pPlugin->input_port_count());
    LOG_DEBUG("pseudo_stereo_instance: plugin id=%lu \"%s\", ports: in=%u, out=%u, instance count=%lu\n",
              pPlugin->unique_id(), pPlugin->name().c_str(), pPlugin->input_port_count(),
              pPlugin->output_port_count(), static_cast<unsigned long>(m_handles.size()));
}

app::sample_buffer& pseudo_stereo_instance::run(app::sample_buffer& in, unsigned int nFrames)
{
    const unsigned int nInputs = plugin()->input_port_count();
    const unsigned int nOutputs = plugin()->output_port_count();
    const unsigned int nHandles = handle_count();
    for (unsigned int h = 0; h < nHandles; ++h) {
        for (unsigned int i = 0; i < nInputs; ++i) {
            connect_input(h, i, in, h * nInputs + i);
        }
    }
    run_handles(nFrames);
    // Output j of every handle is averaged into channel j.
    const float fGain = 1.0f / static_cast<float>(nHandles);
    for (unsigned int j = 0; j < nOutputs; ++j) {
        float* pMean = m_output.data(j);
        veckern::scale(pMean, fGain, nFrames);
        for (unsigned int k = 1; k < nHandles; ++k) {
            veckern::mul_add(pMean, m_output.data(k * nOutputs + j), fGain, nFrames);
        }
    }
    mix_wet_dry(in, nFrames);
    return m_output;
}

void pseudo_stereo_instance::describe(app::preset_formatter& formatter) const
{
    formatter.write_string("type", "pseudo-stereo");
    formatter.write_uint("instance", handle_count());
}

}  // namespace ladspa
