#ifndef VOCALITH_LADSPA_AGGREGATE_INSTANCE_H
#define VOCALITH_LADSPA_AGGREGATE_INSTANCE_H

#include "vocalith/ladspa/abstract_instance.h"

namespace ladspa {

// N a multiple of the plugin's inputs I and as many outputs: N/I handles,
// handle h reads channels h*I.. and writes channels h*O.. of an N-channel output.
// Created through plugin_desc::create_instance.
class VOCALITH_API aggregate_instance : public abstract_instance {
public:
    aggregate_instance(unsigned int nChannels, plugin_desc* pPlugin, unsigned int nSampleRate,
                       unsigned int nBlockSize);

    app::sample_buffer& run(app::sample_buffer& in, unsigned int nFrames) override;
    void describe(app::preset_formatter& formatter) const override;

    unsigned int channel_count() const { return m_nChannels; }

private:
    unsigned int m_nChannels;
};

}  // namespace ladspa

#endif
