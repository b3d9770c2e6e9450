// The choice of instance kind from the plugin's audio port counts.
#include "vocalith/app/exception.h"
#include "vocalith/ladspa/aggregate_instance.h"
#include "vocalith/ladspa/complex_instance.h"
#include "vocalith/ladspa/plugin_desc.h"
#include "vocalith/ladspa/pseudo_stereo_instance.h"

namespace ladspa {

std::unique_ptr<abstract_instance> plugin_desc::create_instance(unsigned int nChannels, unsigned int nSampleRate,
                                                                unsigned int nBlockSize)
{
    const unsigned int nInputs = input_port_count();
    const unsigned int nOutputs = output_port_count();
    // Every kind divides the channels among handles; none can run on none.
    if (nChannels == 0) {
        VOCALITH_THROW(exit_code::Unspecified, "LADSPA plugin id=%lu \"%s\": an instance needs at least one channel",
                       m_nUniqueId, m_strName.c_str());
    }
    if (nInputs == 0 || nOutputs == 0) {
        VOCALITH_THROW(exit_code::Unspecified, "LADSPA plugin id=%lu \"%s\" has no audio input or output",
                       m_nUniqueId, m_strName.c_str());
    }
    if (nChannels % nInputs == 0 && nOutputs == nInputs) {
        return std::unique_ptr<abstract_instance>(new aggregate_instance(nChannels, this, nSampleRate, nBlockSize));
    }
    if (nChannels % nInputs == 0 && nOutputs % nInputs == 0) {
        return std::unique_ptr<abstract_instance>(
            new pseudo_stereo_instance(nChannels, this, nSampleRate, nBlockSize));
    }
    return std::unique_ptr<abstract_instance>(new complex_instance(nChannels, this, nSampleRate, nBlockSize));
}

}  // namespace ladspa
