#ifndef VOCALITH_LADSPA_PSEUDO_STEREO_INSTANCE_H
#define VOCALITH_LADSPA_PSEUDO_STEREO_INSTANCE_H

#include "vocalith/ladspa/abstract_instance.h"

namespace ladspa {

// N a multiple of I and the outputs O a larger multiple of I: N/I handles
// writing H*O channels; output j is then averaged over all handles into
// channel j, channels O.. keep the outputs of handles 1.. unchanged.
// Created through plugin_desc::create_instance.
class VOCALITH_API pseudo_stereo_instance : public abstract_instance {
public:
    pseudo_stereo_instance(unsigned int nChannels, plugin_desc* pPlugin, unsigned int nSampleRate,
                           unsigned int nBlockSize);

    app::sample_buffer& run(app::sample_buffer& in, unsigned int nFrames) override;
    void describe(app::preset_formatter& formatter) const override;

    unsigned int channel_count() const { return m_nChannels; }

private:
    unsigned int m_nChannels;
};

}  // namespace ladspa

#endif
