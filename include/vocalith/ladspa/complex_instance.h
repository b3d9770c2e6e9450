#ifndef VOCALITH_LADSPA_COMPLEX_INSTANCE_H
#define VOCALITH_LADSPA_COMPLEX_INSTANCE_H

#include "vocalith/ladspa/abstract_instance.h"

namespace ladspa {

// Every other layout: ceil(N/I) handles; input i of handle h reads channel
// (h*I+i) mod (channels of the run's input); handle h writes channels h*O..
// of max(N, H*O)+1 channels, the last of them a silent channel that unused
// input ports are connected to at construction. Channels that no handle
// writes are silent in every run's output, before and after the wet/dry mix.
// Created through plugin_desc::create_instance.
class VOCALITH_API complex_instance : public abstract_instance {
public:
    complex_instance(unsigned int nChannels, plugin_desc* pPlugin, unsigned int nSampleRate,
                     unsigned int nBlockSize);

    app::sample_buffer& run(app::sample_buffer& in, unsigned int nFrames) override;
    void describe(app::preset_formatter& formatter) const override;

    unsigned int channel_count() const { return m_nChannels; }

private:
    unsigned int m_nChannels;
};

}  // namespace ladspa

#endif
