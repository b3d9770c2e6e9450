#include "vocalith/ladspa/abstract_instance.h"

#include <algorithm>

#include "vocalith/app/exception.h"
#include "vocalith/ladspa/plugin_desc.h"

namespace ladspa {

abstract_instance::abstract_instance(plugin_desc* pPlugin, unsigned int nSampleRate, unsigned int nOutputChannels,
                                     unsigned int nBlockSize)
    : port_values(pPlugin->control_port_count(), 0.0f),
      input_values(pPlugin->input_control_port_count(), 0.0f),
      wet_dry_enabled(false),
      m_output(nOutputChannels, nBlockSize),
      m_pPlugin(pPlugin),
      m_nSampleRate(nSampleRate),
      m_bActive(false),
      m_bEverActivated(false)
{
    const std::vector<port_info>& controls = pPlugin->input_control_ports();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        port_values[i] = input_values[i] = controls[i].default_value(nSampleRate);
    }
    // Channels no handle writes (the silent one among them) read as zeros.
    m_output.clear(0, m_output.capacity());
}

abstract_instance::~abstract_instance()
{
    if (!m_bEverActivated) {
        activate();
    }
    deactivate();
    for (LADSPA_Handle pHandle : m_handles) {
        m_pPlugin->cleanup(pHandle);
    }
}

void abstract_instance::activate()
{
    if (m_bActive) {
        return;
    }
    for (LADSPA_Handle pHandle : m_handles) {
        m_pPlugin->activate(pHandle);
    }
    m_bActive = true;
    m_bEverActivated = true;
}

void abstract_instance::deactivate()
{
    if (!m_bActive) {
        return;
    }
    for (LADSPA_Handle pHandle : m_handles) {
        m_pPlugin->deactivate(pHandle);
    }
    m_bActive = false;
}

void abstract_instance::create_handles(unsigned int nCount)
{
    const std::vector<port_info>& controlsIn = m_pPlugin->input_control_ports();
    const std::vector<port_info>& controlsOut = m_pPlugin->output_control_ports();
    const std::vector<port_info>& outputs = m_pPlugin->output_ports();
    m_handles.reserve(nCount);
    for (unsigned int h = 0; h < nCount; ++h) {
        LADSPA_Handle pHandle = m_pPlugin->instantiate(m_nSampleRate);
        if (pHandle == nullptr) {
            // A preset must not lose an effect without a word.
            VOCALITH_THROW(exit_code::Unspecified, "LADSPA plugin id=%lu \"%s\" cannot be instantiated at %u Hz",
                           m_pPlugin->unique_id(), m_pPlugin->name().c_str(), m_nSampleRate);
        }
        m_handles.push_back(pHandle);
        for (std::size_t i = 0; i < controlsIn.size(); ++i) {
            m_pPlugin->connect_port(pHandle, controlsIn[i].nIndex, &port_values[i]);
        }
        for (std::size_t j = 0; j < controlsOut.size(); ++j) {
            m_pPlugin->connect_port(pHandle, controlsOut[j].nIndex, &port_values[controlsIn.size() + j]);
        }
        for (std::size_t j = 0; j < outputs.size(); ++j) {
            m_pPlugin->connect_port(pHandle, outputs[j].nIndex,
                                    m_output.channels()[h * outputs.size() + j].pBegin);
        }
    }
}

void abstract_instance::connect_input(unsigned int nHandle, unsigned int nPort, app::sample_buffer& in,
                                      unsigned int nChannel)
{
    m_pPlugin->connect_port(m_handles[nHandle], m_pPlugin->input_ports()[nPort].nIndex, in.data(nChannel));
}

void abstract_instance::run_handles(unsigned int nFrames)
{
    for (LADSPA_Handle pHandle : m_handles) {
        m_pPlugin->run(pHandle, nFrames);
    }
}

void abstract_instance::mix_wet_dry(const app::sample_buffer& in, unsigned int nFrames)
{
    if (!wet_dry_enabled || wet_dry_values.empty()) {
        return;
    }
    const float fWet = wet_dry_values[0];
    const float fDry = 1.0f - fWet;
    // A chain may hand over more channels than this instance produces;
    // only the channels both buffers have are mixed.
    const unsigned int nChannels = std::min(in.channel_count(), m_output.channel_count());
    for (unsigned int k = 0; k < nChannels; ++k) {
        float* pOut = m_output.data(k);
        const float* pIn = in.data(k);
        for (unsigned int t = 0; t < nFrames; ++t) {
            pOut[t] = pOut[t] * fWet + pIn[t] * fDry;
        }
    }
}

}  // namespace ladspa
