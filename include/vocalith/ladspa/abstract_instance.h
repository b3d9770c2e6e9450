// A LADSPA plugin adapted to a stream of N channels, whatever its numbers of
// audio inputs and outputs: as many LADSPA handles as the layout needs, each
// writing into the instance's own output buffer, all sharing one set of
// control values, with an optional wet/dry mix.
#ifndef VOCALITH_LADSPA_ABSTRACT_INSTANCE_H
#define VOCALITH_LADSPA_ABSTRACT_INSTANCE_H

#include <ladspa.h>

#include <vector>

#include "vocalith/app/multibuffer.h"
#include "vocalith/app/preset_formatter.h"
#include "vocalith/export.h"

namespace ladspa {

class plugin_desc;

// Made by plugin_desc::create_instance; owned by a preset. The registry
// that owns the plugin must outlive the instance. No locks: built, activated
// and destroyed on a control thread, run on the streaming thread.
class VOCALITH_API abstract_instance {
public:
    abstract_instance(const abstract_instance&) = delete;
    abstract_instance& operator=(const abstract_instance&) = delete;
    // Cleans up every handle. An active instance is deactivated first. An
    // instance never activated is activated and deactivated first: several
    // packaged plugins free in cleanup what only their activate allocates,
    // and a preset that fails half-built, or is dropped unused, must not
    // crash the host.
    virtual ~abstract_instance();

    // The plugin's activate/deactivate on every handle in order (skipped when
    // the plugin has none). Neither changes connections or values. activate
    // acts only on an inactive instance and deactivate only on an active
    // one, so a handle is never deactivated without a prior activate.
    virtual void activate();
    virtual void deactivate();
    bool is_active() const { return m_bActive; }

    // Processes nFrames (at most the block size given at creation) samples
    // of every channel of in, from its offset; in has at least the instance's
    // channel count. Returns the instance's own buffer (offset 0), whose
    // first nFrames samples per channel hold the result; it stays valid
    // until the next run. Allocates nothing; streaming thread.
    virtual app::sample_buffer& run(app::sample_buffer& in, unsigned int nFrames) = 0;

    // Writes "type" (the kind's name) and "instance" (the handle count).
    virtual void describe(app::preset_formatter& formatter) const = 0;

    plugin_desc* plugin() const { return m_pPlugin; }
    unsigned int sample_rate() const { return m_nSampleRate; }
    unsigned int handle_count() const { return static_cast<unsigned int>(m_handles.size()); }
    const app::sample_buffer& output() const { return m_output; }

    // One value per control port: control inputs in the plugin's list order,
    // then control outputs. Every handle's control ports point here.
    std::vector<float> port_values;
    // Requested control-input values; copied into port_values by the preset
    // before each run (written from the control thread, never read by run).
    std::vector<float> input_values;
    // Wet/dry mix of the output with the input; only wet_dry_values[0] (the
    // wet share) counts, and nothing is mixed while the list is empty.
    bool wet_dry_enabled;
    std::vector<float> wet_dry_values;

protected:
    // Sets the control defaults at nSampleRate and builds the output buffer
    // of nOutputChannels x nBlockSize samples; creates no handles yet.
    abstract_instance(plugin_desc* pPlugin, unsigned int nSampleRate, unsigned int nOutputChannels,
                      unsigned int nBlockSize);

    // Instantiates nCount handles, connecting their control ports to
    // port_values and the audio outputs of handle h to output channels
    // h*O+j. Throws app::exception when the plugin refuses (the handles
    // made so far are cleaned up by the destructor).
    void create_handles(unsigned int nCount);
    // Connects audio input i of handle h to channel nChannel of in, at its offset.
    void connect_input(unsigned int nHandle, unsigned int nPort, app::sample_buffer& in,
                       unsigned int nChannel);
    void run_handles(unsigned int nFrames);
    // output = output*wet + in*(1-wet) over the channels both buffers have,
    // when enabled and a wet value exists.
    void mix_wet_dry(const app::sample_buffer& in, unsigned int nFrames);

    std::vector<LADSPA_Handle> m_handles;
    app::sample_buffer m_output;

private:
    plugin_desc* m_pPlugin;
    unsigned int m_nSampleRate;
    bool m_bActive;
    bool m_bEverActivated;
};

}  // namespace ladspa

#endif
